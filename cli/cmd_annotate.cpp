// tarrow-cli annotate IN.pbn [--out OUT.pbn | --in-place] [--threads N] [--tags LIST]
//                    [--part K/N] [--force]
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <iostream>

#include "app/analysis_display.h"
#include "app/annotate.h"
#include "cli/analysis_loop.h"
#include "cli/cli_args.h"
#include "cli/commands.h"

namespace tarrow::cli {
namespace {

const OptionSpec kAnnotateOptions = {.values = {"--out", "--threads", "--tags", "--part"},
                                     .flags = {"--in-place", "--force"}};

// "K/N" with 1 <= K <= N <= 100000.
bool ParsePart(const std::string& text, int& part, int& parts) {
  const size_t slash = text.find('/');
  if (slash == std::string::npos || slash == 0 || slash + 1 >= text.size()) return false;
  const auto number = [](const std::string& digits, int& value) {
    if (digits.empty() || digits.size() > 6 ||
        digits.find_first_not_of("0123456789") != std::string::npos) {
      return false;
    }
    value = std::stoi(digits);
    return true;
  };
  return number(text.substr(0, slash), part) && number(text.substr(slash + 1), parts) &&
         part >= 1 && part <= parts && parts <= 100000;
}

// "1,234": counts in messages.
std::string Grouped(int64_t value) {
  std::string digits = std::to_string(value);
  for (int at = int(digits.size()) - 3; at > 0; at -= 3) digits.insert(size_t(at), ",");
  return digits;
}

// The progress line on a terminal: games done of total, deals a second, time left.
void ShowProgress(const AnnotateProgress& now) {
  std::string line = "\r\x1b[KAnnotating: " + Grouped(now.gamesDone);
  if (now.gamesTotal > 0) {
    constexpr int kWidth = 20;
    const int filled = int(std::min<int64_t>(now.gamesDone * kWidth / now.gamesTotal, kWidth));
    line = "\r\x1b[K[" + std::string(size_t(filled), '#') +
           std::string(size_t(kWidth - filled), '.') + "] " + Grouped(now.gamesDone) + " of " +
           Grouped(now.gamesTotal);
  }
  line += " games";
  if (now.seconds >= 1) {
    char rate[32];
    std::snprintf(rate, sizeof rate, "  %.1f deals/s", double(now.dealsSolved) / now.seconds);
    line += rate;
    if (now.gamesTotal > 0 && now.gamesDone > 0 && now.gamesDone < now.gamesTotal) {
      const double left =
          now.seconds * double(now.gamesTotal - now.gamesDone) / double(now.gamesDone);
      line += "  " + ClockText(int(std::lround(left))) + " left";
    }
  }
  std::cerr << line << std::flush;
}

int RunAnnotate(const std::vector<std::string>& argList) {
  // Standard input through the C++ file buffer, which reads on when a stop
  // signal interrupts a read, rather than through C stdio, which would take
  // the interruption for the end of the input.
  std::ios::sync_with_stdio(false);
  const Result<ParsedArgs> args = ParseArgs(argList, kAnnotateOptions);
  if (!args.ok()) return UsageError("annotate", args.message());
  if (args->positional.size() != 1)
    return UsageError("annotate", "give one PBN file (or - for standard input)");
  if (args->Has("--in-place") && args->Has("--out")) {
    return UsageError("annotate", "give --out or --in-place, not both");
  }
  AnnotateRequest request;
  request.input = args->positional[0];
  request.inPlace = args->Has("--in-place");
  request.replaceAllowed = args->Has("--force");
  if (args->Has("--out")) {
    request.output = args->Value("--out");
    if (request.output.empty()) return UsageError("annotate", "--out needs a file name (or -)");
  }
  if (args->Has("--tags")) {
    const Result<unsigned> tags = ParseAnnotateTags(args->Value("--tags"));
    if (!tags.ok()) return UsageError("annotate", "--tags: " + tags.message());
    request.tags = *tags;
  }
  if (args->Has("--part") && !ParsePart(args->Value("--part"), request.part, request.parts)) {
    return UsageError("annotate", "--part takes K/N, the K-th of N slices (1 <= K <= N), not " +
                                      Quoted(args->Value("--part")));
  }
  QueueExecutor executor;
  const std::unique_ptr<App> app = CommandApp(executor);
  const Result<int> threads = ThreadCount(*args, *app);
  if (!threads.ok()) return UsageError("annotate", threads.message());
  request.threads = *threads;

  InterruptGuard guard;
  std::atomic<bool> stop{false};
  request.stop = &stop;
  const bool terminal = ::isatty(STDERR_FILENO) == 1;
  bool lineShown = false;
  const auto endLine = [&] {
    if (lineShown) std::cerr << "\r\x1b[K" << std::flush;
    lineShown = false;
  };
  AnnotateHooks hooks;
  hooks.countGames = terminal;
  hooks.progress = [&](const AnnotateProgress& now) {
    if (guard.Requested()) stop = true;
    if (!terminal || stop) return;
    ShowProgress(now);
    lineShown = true;
  };
  hooks.warning = [&](const std::string& message) {
    endLine();
    std::cerr << "tarrow-cli: warning: " << message << "\n";
  };
  const AnnotateVerdict verdict = Annotate(request, hooks);
  endLine();
  if (!verdict.ok()) {
    if (verdict.needsWord) {
      return Failure(verdict.status.message() +
                     ": add --force to replace it, or choose another file");
    }
    return Failure(verdict.status.message());
  }
  // Standard output may be the file itself: the summary then goes to standard error.
  std::ostream& report = verdict.output == "-" ? std::cerr : std::cout;
  const std::string where = verdict.output == "-" ? "standard output" : verdict.output.string();
  if (verdict.stopped) {
    std::cerr << "Stopped: " << Grouped(verdict.annotated) << " games annotated, the rest left as "
              << "they were, in " << where << ".\n";
    if (verdict.output != "-" && request.input != "-") {
      std::cerr << "Run the same command again to go on where it stopped.\n";
    }
    return guard.Requested() ? guard.ExitCode() : kExitInterrupted;
  }
  report << "Annotated " << Grouped(verdict.annotated) << " of " << Grouped(verdict.games)
         << " games into " << where << " (" << Grouped(verdict.dealsSolved)
         << (verdict.dealsSolved == 1 ? " deal solved" : " deals solved");
  if (verdict.replaced > 0) report << ", " << Grouped(verdict.replaced) << " tags replaced";
  if (verdict.resumed) report << ", going on from the stopped run";
  report << ").\n";
  if (verdict.badGames > 0) {
    std::cerr << "tarrow-cli: " << Grouped(verdict.badGames)
              << (verdict.badGames == 1 ? " game was left as it was"
                                        : " games were left as they were")
              << " (see the warnings).\n";
    return kExitError;
  }
  return report.flush() ? kExitOk : kExitError;
}

}  // namespace

const Command kAnnotateCommand{
    "annotate", "add double-dummy tables and par to any PBN file, keeping the rest",
    "Usage: tarrow-cli annotate IN.pbn [--out OUT.pbn | --in-place] [--threads N]\n"
    "                           [--tags LIST] [--part K/N] [--force]\n\n"
    "Gives every game of a PBN file that has a deal its double-dummy tricks and\n"
    "par, right after its Deal tag: DoubleDummyTricks, OptimumScore, ParContract\n"
    "and OptimumResultTable.  Every other byte stays as it was: taking the added\n"
    "lines out gives the file back.  A tag already there that agrees is left; one\n"
    "that disagrees is replaced, with a warning naming its line.  The same deal in\n"
    "several games is solved once.  A game whose deal does not read is named and\n"
    "left as it was; the exit status is then 1.\n\n"
    "Ctrl-C, SIGTERM or SIGHUP stop the run and save what is done (the rest as it\n"
    "was); the same command run again goes on where it stopped.\n\n"
    "  --out FILE    where to write (default: IN.dd.pbn beside IN); - for the\n"
    "                standard output\n"
    "  --in-place    replace IN itself when done\n"
    "  --force       replace an OUT that is there already\n"
    "  --threads N   solvers, 1 to 8 (default: the processors, at most 8)\n"
    "  --tags LIST   only these, separated by commas: DoubleDummyTricks,\n"
    "                OptimumResultTable, OptimumScore, ParContract (default: all)\n"
    "  --part K/N    only the K-th of N slices of the games, written alone; the N\n"
    "                outputs put together in order (cat) are the whole file\n\n"
    "IN may be - for the standard input (then the output goes to the standard\n"
    "output unless --out says otherwise).\n\n"
    "Examples:\n"
    "  tarrow-cli annotate results.pbn\n"
    "  tarrow-cli annotate corpus.pbn --part 3/8 --out corpus.3.pbn --threads 2\n"
    "  zcat big.pbn.gz | tarrow-cli annotate - --tags DoubleDummyTricks > big.dd.pbn\n",
    RunAnnotate, kAnnotateOptions};

}  // namespace tarrow::cli
