// The window program's OwnerExecutor: a worker's GetJob and StoreResult run
// as a blocking queued call in the window's event loop, so analysis results
// reach the set only on the window's thread, between its own handlers.
//
//   QtOwnerExecutor executor;   // created on the window's thread
//   App app(executor);
#pragma once

#include <QObject>

#include "analysis/owner_executor.h"

namespace tarrow {

class QtOwnerExecutor final : public OwnerExecutor {
 public:
  // The calls land on the thread that creates the executor.
  QtOwnerExecutor() = default;
  // Blocks the calling worker until the window's thread has run the task.
  void RunOnOwner(const std::function<void()>& task) override;
  // Window's thread, while it waits for the workers (closing, dealing anew):
  // runs the calls they are waiting for, and nothing else of the event loop
  // (timers and input wait); returns once one has run or after `timeout`.
  void ProcessPending(std::chrono::milliseconds timeout) override;

 private:
  QObject context_;  // lives on the owner thread; queued calls are delivered to it
  int served_ = 0;   // calls run so far; owner thread only
};

}  // namespace tarrow
