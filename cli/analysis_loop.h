// The command line's owner loop for an analysis run: serves the workers,
// ticks once a second, shows progress on standard error, and turns Ctrl-C
// into the stop button.
#pragma once

#include <signal.h>

#include "analysis/owner_executor.h"
#include "app/app.h"

namespace tarrow::cli {

// While one lives, Ctrl-C only raises a flag for the owner loop to read, so
// that a run can stop as its stop button does and save what it has; the
// handler before it comes back when it goes.
class InterruptGuard {
 public:
  InterruptGuard();
  ~InterruptGuard();
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;
  // True once Ctrl-C came since the guard was made.
  bool Requested() const noexcept;

 private:
  struct sigaction previous_ {};
};

// Starts the analysis of the app's set (which saves it at once), runs it to
// the end or to Ctrl-C, and saves at the end.  Prints progress and the
// closing lines on stderr/stdout.  Returns the exit code: 0 complete, 1 a
// save failed, 130 stopped by Ctrl-C (what was done is saved).
int RunAnalysis(App& app, QueueExecutor& executor);

}  // namespace tarrow::cli
