// tarrow-cli multi --name NAME --sets N [options]: a multiple-set run without
// the window, stepped once a second like the window's timer.
#include <unistd.h>

#include <chrono>
#include <iostream>

#include "app/analysis_display.h"
#include "app/app.h"
#include "app/multi_run.h"
#include "cli/analysis_loop.h"
#include "cli/cli_args.h"
#include "cli/commands.h"
#include "core/cp1252.h"

namespace tarrow::cli {
namespace {

using Clock = std::chrono::steady_clock;

const OptionSpec kMultiOptions = {.values = {"--name", "--sets", "--dir", "--threads", "--event",
                                             "--site", "--club", "--description"},
                                  .flags = {"--no-pdf", "--replace"}};

int RunMulti(const std::vector<std::string>& argList) {
  const Result<ParsedArgs> args = ParseArgs(argList, kMultiOptions);
  if (!args.ok()) return UsageError("multi", args.message());
  if (!args->positional.empty()) {
    return UsageError("multi", "unexpected argument '" + args->positional[0] + "'");
  }
  if (!args->Has("--name")) return UsageError("multi", "--name is required");
  if (!args->Has("--sets")) return UsageError("multi", "--sets is required");
  const std::string name = args->Value("--name");
  if (const Status check = MultiSetRun::CheckRunName(name); !check.ok()) {
    return UsageError("multi", check.message());
  }
  const Result<int> sets =
      IntegerOption(*args, "--sets", MultiSetRun::kFewestSets, MultiSetRun::kMostSets);
  if (!sets.ok()) return UsageError("multi", sets.message());

  QueueExecutor executor;
  const std::unique_ptr<App> made = CommandApp(executor);
  App& app = *made;
  if (const Status options = ApplyRunOptions(*args, app); !options.ok()) {
    return UsageError("multi", options.message());
  }
  if (const Status fields = EventFieldArguments(*args, app); !fields.ok()) {
    return UsageError("multi", fields.message());
  }
  // The window program's output folder unless another is named.
  const std::filesystem::path folder =
      args->Has("--dir") ? std::filesystem::path(args->Value("--dir"))
                         : std::filesystem::path(app.Settings().OutputDirectory());

  MultiSetRun& run = app.MultiRun();
  InterruptGuard guard;  // Ctrl-C is the window's "Halt" while the run goes on
  bool needsWord = false;
  if (const Status started = run.Start(name, *sets, folder, args->Has("--replace"), &needsWord);
      !started.ok()) {
    if (needsWord) {
      return Failure(started.message() +
                     "; add --replace to replace that run, or choose another name");
    }
    return Failure(started.message());
  }
  std::cout << "Run " << name << ": " << *sets << " sets into " << run.RunDirectory().string()
            << "\nLog: " << run.LogPath().string() << "\n"
            << std::flush;
  if (!run.KeptFiles().empty()) {
    std::string kept;
    for (const std::filesystem::path& file : run.KeptFiles()) {
      kept += (kept.empty() ? "" : ", ") + file.filename().string();
    }
    std::cerr << "Kept " << kept << ": no earlier run named " << name << " wrote "
              << (run.KeptFiles().size() == 1 ? "it" : "them") << "\n";
  }

  const bool terminal = ::isatty(STDERR_FILENO) == 1;
  bool halted = false;
  bool failed = false;
  std::string progress;
  int shownSet = 0;
  const auto onStop = [&] {
    halted = true;
    if (terminal) std::cerr << "\r\x1b[K";
    std::cerr << "Halting: waiting for the workers to finish their searches...\n";
    if (const Status s = run.Halt(); !s.ok()) std::cerr << "tarrow-cli: " << s.message() << "\n";
  };
  const auto onTick = [&](const App::TickOutcome& outcome) {
    if (outcome.analysed) {
      progress = outcome.tick.completed ? DoneText(outcome.tick.elapsedSeconds)
                                        : ProgressText(outcome.tick);
      if (!outcome.save.ok()) std::cerr << "tarrow-cli: " << outcome.save.message() << "\n";
    }
    if (!outcome.run.ok()) {
      failed = true;
      std::cerr << (terminal ? "\r\x1b[K" : "") << "tarrow-cli: " << outcome.run.message() << "\n";
    }
    if (run.SetCounter() != shownSet && run.state() == MultiSetRun::State::kWaiting) {
      shownSet = run.SetCounter();
      if (terminal) std::cerr << "\r\x1b[K";
      std::cerr << "Set " << shownSet << " of " << *sets << ": "
                << run.CurrentFile().filename().string() << ", seed \"" << Cp1252ToUtf8(run.Seed())
                << "\"\n";
    }
    if (terminal && run.state() == MultiSetRun::State::kWaiting) {
      std::cerr << "\r\x1b[K  " << progress << "   set " << run.SetTimeText() << "   run "
                << run.RunTimeText() << std::flush;
    }
    return run.Busy();
  };
  DriveApp(app, executor, guard, onStop, onTick);
  if (terminal) std::cerr << "\r\x1b[K" << std::flush;
  // A halted set's workers end here; what they finished is saved.
  const App::TickOutcome last = app.StopAndWait();
  if (!last.save.ok()) {
    std::cerr << "tarrow-cli: " << last.save.message() << "\n";
    failed = true;
  }
  if (failed) return kExitError;
  if (halted) {
    std::cerr << MultiSetRun::kStoppedText << " after " << run.SetCounter() << " of " << *sets
              << " sets; the log is " << run.LogPath().string() << "\n";
    return guard.ExitCode();
  }
  std::cout << "Done: " << *sets << " sets in " << run.RunTimeText() << "\n";
  return kExitOk;
}

}  // namespace

const Command kMultiCommand{
    "multi", "deal, analyse and write many sets in one run, with a run log",
    "Usage: tarrow-cli multi --name NAME --sets N [--dir DIR] [--threads N]\n"
    "                        [--event TEXT] [--club TEXT] [--site TEXT]\n"
    "                        [--description TEXT] [--no-pdf] [--replace]\n\n"
    "Makes N sets (2..100) one after another into the folder DIR/NAME: NAME1.pbn,\n"
    "NAME2.pbn, ... with their hand records as PDF, and the run log NAME.log.\n"
    "Each set's seed is the date and time it started followed by NAME, so no two\n"
    "runs give the same sets.  Every set is written when it starts and again when\n"
    "its analysis is complete.  A folder that holds an earlier run of the same\n"
    "name is refused unless --replace is given; then the earlier run's log, sets\n"
    "and PDFs are removed first, so that none of them is left beside the new run.\n\n"
    "DIR defaults to the window program's output folder.  NAME becomes a folder\n"
    "and file names, so it may not be empty, \".\" or \"..\", nor hold a path\n"
    "separator or a control character.\n\n"
    "Ctrl-C halts the run as the window's \"Halt\" does: the log gets \"Stopped by\n"
    "Operator\", the set in hand keeps what was analysed, and the exit status is 130.\n"
    "SIGTERM and SIGHUP halt it alike, with exit status 143 and 129.\n\n"
    "Example:\n"
    "  tarrow-cli multi --name Winter --sets 4 --club \"Hilltop BC\"\n",
    RunMulti, kMultiOptions};

}  // namespace tarrow::cli
