// tarrow-cli analyze FILE [--out FILE.pbn] [--threads N]
#include <iostream>

#include "app/companion.h"
#include "cli/analysis_loop.h"
#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/output_checks.h"

namespace tarrow::cli {
namespace {

const OptionSpec kAnalyzeOptions = {.values = {"--event", "--out", "--threads"},
                                    .flags = {"--no-pdf", "--force"}};

int RunAnalyze(const std::vector<std::string>& argList) {
  const Result<ParsedArgs> args = ParseArgs(argList, kAnalyzeOptions);
  if (!args.ok()) return UsageError("analyze", args.message());
  if (args->positional.size() != 1) return UsageError("analyze", "give one set file");
  QueueExecutor executor;
  const std::unique_ptr<App> made = CommandApp(executor);
  App& app = *made;
  if (const Status options = ApplyRunOptions(*args, app); !options.ok()) {
    return UsageError("analyze", options.message());
  }
  std::filesystem::path out;
  if (args->Has("--out")) {
    const Result<std::filesystem::path> named = SetFileName(args->Value("--out"), "--out");
    if (!named.ok()) return UsageError("analyze", named.message());
    out = *named;
  }
  const Verdict loaded =
      app.Load(args->positional[0], args->Value("--event"), ForceWord(*args), out);
  PrintLoadWarnings(app);
  if (const int refused = Refused(loaded, "--force")) return refused;
  // Another program's tables are checked, not trusted: solved again and
  // compared.
  const DealSet asRead = app.Set();
  const bool check = HoldsUncheckedTables(asRead, app.PbnPath(), app.SetFilePath());
  // After the check of the outputs: the set that may go there is the one read.
  // A check that cannot start is said, not skipped: the tables as read would
  // pass as checked.
  if (check) {
    if (const Status repeat = app.RepeatDoubleDummy(); !repeat.ok()) {
      return Failure(repeat.message());
    }
  }
  const int ran = RunAnalysis(app, executor);
  if (check) {
    for (const std::string& warning : TablesUnlikeSolved(asRead, app.Set(), app.SetFilePath())) {
      std::cerr << "tarrow-cli: warning: " << warning << "\n";
    }
  }
  return ran;
}

}  // namespace

const Command kAnalyzeCommand{
    "analyze", "analyse what a set file is missing and write the PBN",
    "Usage: tarrow-cli analyze FILE [--out FILE.pbn] [--threads N] [--no-pdf] [--force]\n"
    "                          [--event N|NAME]\n\n"
    "Loads a PBN set, or imports a .dup, .bri, .bre or .ber file, analyses every\n"
    "board, side and strain whose result is not yet known (an interrupted\n"
    "'tarrow-cli deal' resumes where it stopped; a complete file needs no work)\n"
    "and writes the PBN beside FILE with the extension .pbn, or to --out.\n"
    "The hand records go beside the PBN with the extension .pdf.  A PBN that\n"
    "holds another set (an import's neighbour of the same name) is replaced\n"
    "only with --force.\n"
    "Progress, periodic saves and Ctrl-C work as for 'tarrow-cli deal'.\n"
    "Another program's PBN file stays as it is: its set goes to the companion\n"
    "FILE.tarrow.pbn, which every later command on FILE uses, and its trick\n"
    "tables are solved again (each board whose table was wrong is named).\n"
    "--event N or --event NAME reads one event of a file of several (any\n"
    "command that reads a set file takes it; default: the first).\n\n"
    "Examples:\n  tarrow-cli analyze club.pbn\n  tarrow-cli analyze machine.bri --threads 4\n",
    RunAnalyze, kAnalyzeOptions};

}  // namespace tarrow::cli
