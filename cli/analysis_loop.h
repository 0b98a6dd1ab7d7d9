// The command line's owner loop for an analysis run: serves the workers,
// ticks once a second, shows progress on standard error, and turns Ctrl-C
// into the stop button.
#pragma once

#include <signal.h>

#include <functional>
#include <iterator>

#include "analysis/owner_executor.h"
#include "app/app.h"

namespace tarrow::cli {

// While one lives, Ctrl-C (SIGINT), SIGTERM (a service stop, kill) and
// SIGHUP (a closed terminal) only raise a flag for the owner loop to read,
// so that a run can stop as its stop button does and save what it has
// instead of losing everything since the last save; a signal already
// ignored (nohup) stays ignored.  SIGPIPE is ignored meanwhile: after a
// hang-up the output may be a pipe nobody reads, and a progress line must
// not end the run before it saves.  The handlers before it come back when it
// goes.
class InterruptGuard {
 public:
  InterruptGuard();
  ~InterruptGuard();
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;
  // True once one of the signals came since the guard was made.
  bool Requested() const noexcept;
  // The first signal that came, 0 before any.
  int Signal() const noexcept;
  // The exit status of a run the signal stopped: 128 + the signal (130
  // SIGINT, 143 SIGTERM, 129 SIGHUP), as a shell reports a program it ended.
  int ExitCode() const noexcept;

 private:
  static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
  struct sigaction previous_[std::size(kSignals)]{};
  struct sigaction previousPipe_ {};
};

// Starts the analysis of the app's set (which saves it at once), runs it to
// the end or to a stop signal, and saves at the end.  Prints progress and
// the closing lines on stderr/stdout.  Returns the exit code: 0 complete, 1
// a save failed, 128 + the signal when one stopped it (130 Ctrl-C, 143
// SIGTERM, 129 SIGHUP; what was done is saved).
int RunAnalysis(App& app, QueueExecutor& executor);

// What the app noted beside the flow (a lock taken over, hand records left
// out of date), one line each on stderr.
void PrintNotes(App& app);

// The owner loop of every command that analyses: serves the workers' calls
// to the owner thread, turns the first stop signal into one call of
// `onStop`, and ticks the app once a second (App::Tick: analysis, saves,
// a multiple-set run's step), handing each outcome to `onTick` until it
// returns false.
void DriveApp(App& app, QueueExecutor& executor, const InterruptGuard& guard,
              const std::function<void()>& onStop,
              const std::function<bool(const App::TickOutcome&)>& onTick);

}  // namespace tarrow::cli
