// Command-line parsing shared by the tarrow-cli commands.
//
//   const OptionSpec known{.values = {"--seed"}, .flags = {"--table"}};
//   Result<ParsedArgs> args = ParseArgs(argv_tail, known);
//   if (!args.ok()) return UsageError("boards", args.message());
//   std::string seed = args->Value("--seed");
//
// Options take their value as "--name value" or "--name=value"; "--" ends the
// options; a lone "-" is a positional argument (standard input).
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/app.h"
#include "core/result.h"

namespace tarrow::cli {

// Exit codes of every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitError = 1;  // bad input, a failed write
inline constexpr int kExitUsage = 2;  // a wrong command line
// Stopped by a signal, what is done saved: 128 + the signal, as a shell
// reports a program the signal ended (130 Ctrl-C, 143 SIGTERM, 129 SIGHUP).
inline constexpr int kExitInterrupted = 130;  // stopped by Ctrl-C

struct OptionSpec {
  std::set<std::string> values;  // options that take a value
  std::set<std::string> flags;   // options that stand alone
};

struct ParsedArgs {
  std::map<std::string, std::string> values;
  std::set<std::string> flags;
  std::vector<std::string> positional;

  bool Has(const std::string& name) const {
    return values.count(name) > 0 || flags.count(name) > 0;
  }
  std::string Value(const std::string& name, const std::string& fallback = "") const;
};

// "--help" (and "-h") is always understood and lands in flags as "--help".
Result<ParsedArgs> ParseArgs(const std::vector<std::string>& args, const OptionSpec& known);

// True when "--help" or "-h" stands where an option may: anywhere before
// "--" except as the value of one of the known options ("deal --seed -h"
// deals the seed "-h").  Unknown options and bad values do not hide it, so
// help is given whatever else the command line holds.
bool AsksForHelp(const std::vector<std::string>& args, const OptionSpec& known);

// A typed text for a message, in double quotes: at most 40 characters and
// "..." after a longer one, so that a pasted page does not come back in
// full; control characters shown as \n, \t or \xNN.
std::string Quoted(std::string_view utf8);

// A UTF-8 argument as the Windows-1252 bytes the program keeps; the message
// names the option and the character that has no place in that set.
Result<std::string> ArgumentText(const ParsedArgs& args, const std::string& name);

// The App of a command: the window program's settings read, never written.
// When they cannot be read, a warning on stderr says why and the command
// goes on with the defaults.
std::unique_ptr<App> CommandApp(QueueExecutor& executor);

// Opens a set file through the app (App::OpenFile) and prints what the load
// warned of on stderr, one "tarrow-cli: warning: ..." line each.  `event`
// is the --event choice of a PBN file of several events (empty: the first).
Status OpenSetFile(App& app, const std::string& path, std::string_view event = {});
// What the last load warned of, printed as OpenSetFile does.
void PrintLoadWarnings(const App& app);

// The user's word to replace a file in the way: --force.
inline Word ForceWord(const ParsedArgs& args) {
  return args.Has("--force") ? Word::kGiven : Word::kNotGiven;
}

// Reads "--seed TEXT" as the Windows-1252 bytes a set is dealt from.  An
// empty seed, one with a character outside Windows-1252 and one holding a
// control character (see CheckSeedText) are refused alike, by every command.
Result<std::string> SeedArgument(const ParsedArgs& args);

// Reads "--threads N": 1..8.  When absent: the Threads to Use of the app's
// settings when they came from a valid Tarrow.ini, else the number of
// processors; at most 8 either way.
Result<int> ThreadCount(const ParsedArgs& args, const App& app);

// The options of every command that analyses and saves a set: --threads
// (as ThreadCount reads it) into the app's settings, --no-pdf into
// writePdf.  The message names what is wrong.
Status ApplyRunOptions(const ParsedArgs& args, App& app);

// Takes --event, --site, --club and --description into the fields as
// Windows-1252 text (empty when not given); the message names the option
// whose text cannot be, or holds a control character (as a seed may not).
Status EventFieldArguments(const ParsedArgs& args, App& app);

// Reads "--date YYYY-MM-DD", the one form the help names: a date in
// another form, or one a set written with it would not read back, is
// refused with a message naming it.
Result<DateTime> DateArgument(const ParsedArgs& args);

// Reads the value of option `name` as a whole number from lowest to highest;
// the message names the option, the range and the text given.
Result<int> IntegerOption(const ParsedArgs& args, const std::string& name, int lowest, int highest);

// Prints "tarrow-cli COMMAND: message" and the hint to --help on stderr; returns 2.
int UsageError(std::string_view command, std::string_view message);
// Prints "tarrow-cli: message" on stderr; returns 1.
int Failure(std::string_view message);

}  // namespace tarrow::cli
