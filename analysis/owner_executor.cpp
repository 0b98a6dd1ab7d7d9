#include "analysis/owner_executor.h"

namespace tarrow {

void QueueExecutor::RunOnOwner(const std::function<void()>& task) {
  Pending pending{&task};
  std::unique_lock lock(mutex_);
  queue_.push_back(&pending);
  arrived_.notify_one();
  finished_.wait(lock, [&] { return pending.done; });
}

int QueueExecutor::DrainFor(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  arrived_.wait_for(lock, timeout, [&] { return !queue_.empty(); });
  int ran = 0;
  while (!queue_.empty()) {
    Pending* pending = queue_.front();
    queue_.pop_front();
    // The task runs unlocked so that it may take as long as it needs; the
    // worker that posted it is blocked until `done` is set.
    lock.unlock();
    (*pending->task)();
    lock.lock();
    pending->done = true;
    ++ran;
  }
  if (ran > 0) finished_.notify_all();
  return ran;
}

}  // namespace tarrow
