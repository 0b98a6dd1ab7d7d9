// The command line's owner loop for an analysis run: serves the workers,
// ticks once a second, shows progress on standard error, and turns Ctrl-C
// into the stop button.
#pragma once

#include "analysis/owner_executor.h"
#include "app/app.h"

namespace tarrow::cli {

// Starts the analysis of the app's set (which saves it at once), runs it to
// the end or to Ctrl-C, and saves at the end.  Prints progress and the
// closing lines on stderr/stdout.  Returns the exit code: 0 complete, 1 a
// save failed, 130 stopped by Ctrl-C (what was done is saved).
int RunAnalysis(App& app, QueueExecutor& executor);

}  // namespace tarrow::cli
