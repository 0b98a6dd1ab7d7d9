// tarrow-cli deal --seed TEXT --out FILE.pbn [options]
#include <iostream>

#include "cli/analysis_loop.h"
#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/output_checks.h"

namespace tarrow::cli {
namespace {

const OptionSpec kDealOptions = {.values = {"--seed", "--out", "--threads", "--event", "--site",
                                            "--date", "--club", "--description"},
                                 .flags = {"--no-analysis", "--no-pdf", "--force"}};

int RunDeal(const std::vector<std::string>& argList) {
  const Result<ParsedArgs> args = ParseArgs(argList, kDealOptions);
  if (!args.ok()) return UsageError("deal", args.message());
  if (!args->positional.empty()) {
    return UsageError("deal", "unexpected argument '" + args->positional[0] + "'");
  }
  if (!args->Has("--seed")) return UsageError("deal", "--seed is required");
  if (!args->Has("--out")) return UsageError("deal", "--out is required");
  const Result<std::string> seed = SeedArgument(*args);
  if (!seed.ok()) return UsageError("deal", seed.message());
  const Result<std::filesystem::path> named = SetFileName(args->Value("--out"), "--out");
  if (!named.ok()) return UsageError("deal", named.message());
  const std::filesystem::path out = *named;

  QueueExecutor executor;
  const std::unique_ptr<App> made = CommandApp(executor);
  App& app = *made;
  if (const Status options = ApplyRunOptions(*args, app); !options.ok()) {
    return UsageError("deal", options.message());
  }
  if (const Status fields = EventFieldArguments(*args, app); !fields.ok()) {
    return UsageError("deal", fields.message());
  }
  if (args->Has("--date")) {
    const Result<DateTime> date = DateArgument(*args);
    if (!date.ok()) return UsageError("deal", date.message());
    app.SetEventDate(*date);
  }
  if (const int refused = Refused(app.Deal(*seed, out, ForceWord(*args)), "--force")) {
    return refused;
  }
  if (args->Has("--no-analysis")) {
    const Status saved = app.SaveFile();
    PrintNotes(app);
    if (!saved.ok()) return Failure(saved.message());
    std::cout << "Dealt 36 boards into " << out.string() << "\n";
    return kExitOk;
  }
  return RunAnalysis(app, executor);
}

}  // namespace

const Command kDealCommand{
    "deal", "deal a set from a seed, analyse it and write the PBN",
    "Usage: tarrow-cli deal --seed TEXT --out FILE.pbn [--threads N] [--event TEXT]\n"
    "                       [--site TEXT] [--date YYYY-MM-DD] [--club TEXT]\n"
    "                       [--description TEXT] [--no-analysis] [--no-pdf] [--force]\n\n"
    "Deals the 36 boards of the seed, writes FILE.pbn at once (\".pbn\" is added\n"
    "to a name without an extension), then analyses\n"
    "every board double dummy on N worker threads, saving every minute and\n"
    "again at the end with every table.  Progress is shown on standard error.\n"
    "N defaults to the window program's \"Threads to Use\" setting, or to the\n"
    "number of processors when there are no settings; at most 8.\n\n"
    "Ctrl-C stops the analysis, saves what is done (\"?\" marks the results not\n"
    "known yet) and exits with 130; 'tarrow-cli analyze FILE.pbn' resumes.\n"
    "SIGTERM and SIGHUP stop it alike, with exit status 143 and 129.\n\n"
    "  --no-analysis   write the dealt set without analysing it\n"
    "  --no-pdf        do not write the hand records beside the set\n"
    "  --force         replace FILE.pbn even when it holds another set, or\n"
    "                  results this set does not have yet\n"
    "  --date          the event date (default: today)\n\n"
    "Example:\n"
    "  tarrow-cli deal --seed \"Club night\" --out club.pbn --event \"Tuesday Pairs\"\n",
    RunDeal, kDealOptions};

}  // namespace tarrow::cli
