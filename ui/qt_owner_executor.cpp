#include "ui/qt_owner_executor.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

namespace tarrow {

void QtOwnerExecutor::RunOnOwner(const std::function<void()>& task) {
  QMetaObject::invokeMethod(&context_, [&task] { task(); }, Qt::BlockingQueuedConnection);
}

void QtOwnerExecutor::ProcessPending(std::chrono::milliseconds timeout) {
  const QDeadlineTimer deadline(timeout);
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  // processEvents does not wait for events that have not arrived yet; a short
  // sleep keeps the wait from spinning.
  if (!deadline.hasExpired()) QThread::msleep(std::min<qint64>(5, deadline.remainingTime()));
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace tarrow
