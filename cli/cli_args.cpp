#include "cli/cli_args.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <iostream>

#include "analysis/runner.h"
#include "core/cp1252.h"
#include "core/generation.h"
#include "files/pbn_reader.h"
#include "files/pbn_writer.h"

namespace tarrow::cli {

std::string ParsedArgs::Value(const std::string& name, const std::string& fallback) const {
  const auto it = values.find(name);
  return it == values.end() ? fallback : it->second;
}

Result<ParsedArgs> ParseArgs(const std::vector<std::string>& args, const OptionSpec& known) {
  ParsedArgs parsed;
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!optionsEnded && arg == "-h") {
      parsed.flags.insert("--help");
      continue;
    }
    if (optionsEnded || arg == "-" || arg.rfind("--", 0) != 0) {
      if (!optionsEnded && arg.size() > 1 && arg[0] == '-' && arg != "-") {
        return Status::Error("unknown option " + Quoted(arg));
      }
      parsed.positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    const size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    if (name == "--help" || known.flags.count(name) > 0) {
      if (equals != std::string::npos) return Status::Error("option " + name + " takes no value");
      parsed.flags.insert(name);
    } else if (known.values.count(name) > 0) {
      std::string value;
      if (equals != std::string::npos) {
        value = arg.substr(equals + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        return Status::Error("option " + name + " needs a value");
      }
      if (parsed.values.count(name) > 0) return Status::Error("option " + name + " is given twice");
      parsed.values[name] = value;
    } else {
      return Status::Error("unknown option " + Quoted(name));
    }
  }
  return parsed;
}

bool AsksForHelp(const std::vector<std::string>& args, const OptionSpec& known) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--") return false;
    if (arg == "--help" || arg == "-h") return true;
    if (known.values.count(arg) > 0) ++i;  // its value, whatever it looks like
  }
  return false;
}

std::string Quoted(std::string_view utf8) {
  constexpr size_t kShown = 40;
  std::string shown = "\"";
  size_t characters = 0, i = 0;
  for (; i < utf8.size() && characters < kShown; ++characters) {
    const unsigned char ch = static_cast<unsigned char>(utf8[i]);
    if (ch == '\n') {
      shown += "\\n";
    } else if (ch == '\t') {
      shown += "\\t";
    } else if (ch < 0x20 || ch == 0x7F) {
      char code[8];
      std::snprintf(code, sizeof code, "\\x%02X", ch);
      shown += code;
    } else {
      shown += char(ch);
      // The rest of a UTF-8 character goes with its first byte.
      while (i + 1 < utf8.size() && (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) {
        shown += utf8[++i];
      }
    }
    ++i;
  }
  if (i < utf8.size()) shown += "...";
  return shown + "\"";
}

Result<std::string> ArgumentText(const ParsedArgs& args, const std::string& name) {
  Result<std::string> bytes = Utf8ToCp1252(args.Value(name));
  if (!bytes.ok()) return Status::Error(name + ": " + bytes.message());
  return bytes;
}

Status EventFieldArguments(const ParsedArgs& args, App& app) {
  EventFields fields = app.Fields();
  const std::pair<const char*, std::string*> options[] = {{"--event", &fields.event},
                                                          {"--site", &fields.site},
                                                          {"--club", &fields.club},
                                                          {"--description", &fields.description}};
  for (const auto& [name, field] : options) {
    const Result<std::string> text = ArgumentText(args, name);
    if (!text.ok()) return text.status();
    // A control character would go raw into the set's tags and break them.
    for (const char ch : *text) {
      const auto byte = static_cast<unsigned char>(ch);
      if (byte < 0x20 || byte == 0x7F) {
        return Status::Error(std::string(name) +
                             " holds a control character; use letters, digits, "
                             "blanks and punctuation");
      }
    }
    *field = *text;
  }
  app.SetFields(fields);
  return Status();
}

Result<DateTime> DateArgument(const ParsedArgs& args) {
  const std::string text = args.Value("--date");
  const auto refused = [&](const std::string& why) {
    return Status::Error("--date takes a date as YYYY-MM-DD, not \"" + text + "\"" + why);
  };
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return refused("");
  const std::optional<DateTime> date = ParseDateTime(text);
  if (!date) return refused("");
  // Only a date the set file keeps: written and read back, it is the same.
  DealSet set;
  GenerateSet(set, "date", 0);
  set.header.eventDate = *date;
  const Result<DealSet> back = ParsePbnText(PbnText(set, ""), "--date");
  if (!back.ok() || back->header.eventDate != *date) {
    return refused(" (a set file cannot hold that date)");
  }
  return *date;
}

std::unique_ptr<App> CommandApp(QueueExecutor& executor) {
  auto app = std::make_unique<App>(executor, SettingsPath(), SettingsFileUse::kReadOnly);
  if (!app->SettingsProblem().ok()) {
    std::cerr << "tarrow-cli: warning: " << app->SettingsProblem().message() << "\n";
  }
  return app;
}

Status OpenSetFile(App& app, const std::string& path, std::string_view event) {
  const Status opened = app.OpenFile(path, event);
  if (!opened.ok()) return opened;
  PrintLoadWarnings(app);
  return opened;
}

void PrintLoadWarnings(const App& app) {
  for (const std::string& warning : app.LoadWarnings()) {
    std::cerr << "tarrow-cli: warning: " << warning << "\n";
  }
  // A file of several events: say how to choose another.
  const std::vector<std::string>& warnings = app.LoadWarnings();
  if (std::any_of(warnings.begin(), warnings.end(), [](const std::string& warning) {
        return warning.find(" events: ") != std::string::npos &&
               warning.find(" is loaded") != std::string::npos;
      })) {
    std::cerr << "tarrow-cli: --event N (or --event NAME) loads another of them\n";
  }
}

Result<std::string> SeedArgument(const ParsedArgs& args) {
  Result<std::string> seed = ArgumentText(args, "--seed");
  if (!seed.ok()) return seed;
  if (const Status checked = CheckSeedText(*seed); !checked.ok()) return checked;
  return seed;
}

Result<int> ThreadCount(const ParsedArgs& args, const App& app) {
  // The window program's "Threads to Use" when its settings exist, else
  // App's choice for this machine.
  if (!args.Has("--threads")) return std::min(app.ThreadsSetting(), kMaxWorkers);
  return IntegerOption(args, "--threads", 1, kMaxWorkers);
}

Status ApplyRunOptions(const ParsedArgs& args, App& app) {
  const Result<int> threads = ThreadCount(args, app);
  if (!threads.ok()) return threads.status();
  app.SetNumber(NumberSetting::kThreads, *threads);
  app.SetWritePdf(!args.Has("--no-pdf"));
  return Status();
}

Result<int> IntegerOption(const ParsedArgs& args, const std::string& name, int lowest,
                          int highest) {
  const std::string text = args.Value(name);
  int n = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (error != std::errc() || end != text.data() + text.size() || n < lowest || n > highest) {
    return Status::Error(name + " takes a number from " + std::to_string(lowest) + " to " +
                         std::to_string(highest) + ", not " + Quoted(text));
  }
  return n;
}

int UsageError(std::string_view command, std::string_view message) {
  std::cerr << "tarrow-cli " << command << ": " << message << "\n"
            << "Try 'tarrow-cli " << command << " --help'.\n";
  return kExitUsage;
}

int Failure(std::string_view message) {
  std::cerr << "tarrow-cli: " << message << "\n";
  return kExitError;
}

}  // namespace tarrow::cli
