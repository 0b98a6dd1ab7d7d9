#include "cli/analysis_loop.h"

#include <unistd.h>

#include <bit>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>

#include "app/analysis_display.h"
#include "cli/cli_args.h"
#include "core/cp1252.h"

namespace tarrow::cli {
namespace {

using Clock = std::chrono::steady_clock;

// The first stop signal that came, 0 for none.
volatile std::sig_atomic_t stopSignal = 0;

extern "C" void OnStopSignal(int signal) {
  if (stopSignal == 0) stopSignal = signal;
}

// Shows progress: a redrawn line with a bar on a terminal, a plain line at
// most every ten seconds otherwise (a log file or a pipe).
class ProgressDisplay {
 public:
  ProgressDisplay() : terminal_(::isatty(STDERR_FILENO) == 1) {}

  void Show(const App& app, const std::string& workingOn) {
    const ProgressCounts now = CountProgress(app.Set());
    const std::string summary = app.AnalysisSummary();
    if (terminal_) {
      constexpr int kWidth = 24;
      const int filled = now.jobsInSet == 0 ? kWidth : now.jobs * kWidth / now.jobsInSet;
      std::cerr << "\r\x1b[K[" << std::string(size_t(filled), '#')
                << std::string(size_t(kWidth - filled), '.') << "] " << summary << "  " << workingOn
                << std::flush;
      shownLine_ = true;
    } else if (Clock::now() - lastPlain_ >= std::chrono::seconds(10)) {
      lastPlain_ = Clock::now();
      std::cerr << "Analysis: " << summary << "\n" << std::flush;
    }
  }

  void EndLine() {
    if (shownLine_) std::cerr << "\r\x1b[K" << std::flush;
    shownLine_ = false;
  }

 private:
  const bool terminal_;
  Clock::time_point lastPlain_ = Clock::now() - std::chrono::seconds(10);
  bool shownLine_ = false;
};

}  // namespace

InterruptGuard::InterruptGuard() {
  stopSignal = 0;
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  for (size_t i = 0; i < std::size(kSignals); ++i) {
    sigaction(kSignals[i], nullptr, &previous_[i]);
    // A signal the caller ignores stays ignored: under nohup a closed
    // terminal must not stop the run.
    if (previous_[i].sa_handler != SIG_IGN) sigaction(kSignals[i], &action, nullptr);
  }
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, &previousPipe_);
}

InterruptGuard::~InterruptGuard() {
  for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &previous_[i], nullptr);
  sigaction(SIGPIPE, &previousPipe_, nullptr);
}

bool InterruptGuard::Requested() const noexcept {
  return stopSignal != 0;
}

int InterruptGuard::Signal() const noexcept {
  return stopSignal;
}

int InterruptGuard::ExitCode() const noexcept {
  return 128 + stopSignal;
}

void DriveApp(App& app, QueueExecutor& executor, const InterruptGuard& guard,
              const std::function<void()>& onStop,
              const std::function<bool(const App::TickOutcome&)>& onTick) {
  bool stopping = false;
  auto nextTick = Clock::now() + std::chrono::seconds(1);
  while (true) {
    executor.DrainFor(std::chrono::milliseconds(50));
    if (guard.Requested() && !stopping) {
      stopping = true;
      onStop();
    }
    // The last result ends the run at once: the tick that notices it (and
    // saves, and starts a run's next set) does not wait for its second.
    const bool ended = app.AnalysisRunning() && !app.Runner().AnyWorkerAlive();
    if (!ended && Clock::now() < nextTick) continue;
    nextTick += std::chrono::seconds(1);
    if (!onTick(app.Tick())) return;
  }
}

void PrintNotes(App& app) {
  for (const std::string& note : app.TakeNotes()) std::cerr << "tarrow-cli: " << note << "\n";
}

int RunAnalysis(App& app, QueueExecutor& executor) {
  InterruptGuard guard;
  const Status started = app.StartAnalysis();
  if (!started.ok()) {
    app.StopAndWait();
    return Failure(started.message());
  }
  ProgressDisplay display;
  bool stopping = false;
  int exitCode = kExitOk;
  const auto onStop = [&] {
    stopping = true;
    app.StopAnalysis();
    display.EndLine();
    std::cerr << "Stopping: waiting for the workers to finish their searches...\n";
  };
  const auto onTick = [&](const App::TickOutcome& outcome) {
    if (!outcome.save.ok()) {
      // A failed periodic save is retried by the next one; the final save decides.
      display.EndLine();
      std::cerr << "tarrow-cli: " << outcome.save.message() << "\n";
    }
    if (!outcome.tick.completed) {
      if (!stopping) display.Show(app, ProgressText(outcome.tick));
      return true;
    }
    display.EndLine();
    if (!outcome.save.ok()) {
      exitCode = kExitError;
    } else if (stopping) {
      const ProgressCounts counts = CountProgress(app.Set());
      std::cerr << "Stopped with " << counts.jobs << " of " << counts.jobsInSet
                << " jobs done. Saved " << app.PbnPath().string()
                << " (\"?\" marks what is not known yet).\n"
                << "Resume with: tarrow-cli analyze " << app.PbnPath().string() << "\n";
      exitCode = guard.ExitCode();
    } else {
      std::cout << DoneText(outcome.tick.elapsedSeconds) << "\n" << std::flush;
    }
    return false;
  };
  DriveApp(app, executor, guard, onStop, onTick);
  PrintNotes(app);
  return exitCode;
}

}  // namespace tarrow::cli
