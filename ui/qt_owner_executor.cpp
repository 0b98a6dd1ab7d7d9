#include "ui/qt_owner_executor.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

namespace tarrow {

void QtOwnerExecutor::RunOnOwner(const std::function<void()>& task) {
  QMetaObject::invokeMethod(
      &context_,
      [this, &task] {
        task();
        ++served_;
      },
      Qt::BlockingQueuedConnection);
}

void QtOwnerExecutor::ProcessPending(std::chrono::milliseconds timeout) {
  // Only the workers' calls are delivered here, not the window's timers or
  // input: the caller is in the middle of an action (closing, dealing anew)
  // that a timer's handler must not enter.
  const QDeadlineTimer deadline(timeout);
  const int before = served_;
  while (true) {
    QCoreApplication::sendPostedEvents(&context_, QEvent::MetaCall);
    if (served_ != before || deadline.hasExpired()) return;
    QThread::msleep(1);
  }
}

}  // namespace tarrow
