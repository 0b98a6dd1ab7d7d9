// Running a piece of work on the owner thread and waiting for it.
//
// The analysis workers hand their results back through the owner thread, the
// only thread that writes the set.  A worker calls RunOnOwner and blocks until
// the owner has run the task; the window program implements this with a
// blocking queued call into its event loop, the command line with
// QueueExecutor, whose queue its main loop drains.
//
//   QueueExecutor executor;
//   // worker:  executor.RunOnOwner([&] { StoreResult(...); });
//   // owner:   while (running) executor.DrainFor(std::chrono::milliseconds(100));
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace tarrow {

class OwnerExecutor {
 public:
  virtual ~OwnerExecutor() = default;
  // Runs task on the owner thread and returns when it has run.  Must not be
  // called from the owner thread itself.
  virtual void RunOnOwner(const std::function<void()>& task) = 0;
  // Owner thread: runs what workers are waiting for, waiting up to `timeout`
  // for something to arrive.  Used while the owner waits for workers to end.
  virtual void ProcessPending(std::chrono::milliseconds timeout) = 0;
};

// Tasks wait in a queue until the owner drains it.
class QueueExecutor final : public OwnerExecutor {
 public:
  void RunOnOwner(const std::function<void()>& task) override;
  // Runs the waiting tasks; waits up to `timeout` for the first one to come.
  // Returns the number of tasks run.
  int DrainFor(std::chrono::milliseconds timeout);
  void ProcessPending(std::chrono::milliseconds timeout) override { DrainFor(timeout); }

 private:
  struct Pending {
    const std::function<void()>* task;
    bool done = false;
  };
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::condition_variable finished_;
  std::deque<Pending*> queue_;
};

}  // namespace tarrow
