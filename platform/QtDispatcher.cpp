#include "platform/QtDispatcher.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace platform {

bool IsUiThread() {
  QCoreApplication* app = QCoreApplication::instance();
  return app == nullptr || app->thread() == QThread::currentThread();
}

void PostToUiThread(std::function<void()> work) {
  if (!work) return;
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) {
    work();
    return;
  }
  QMetaObject::invokeMethod(app, std::move(work), Qt::QueuedConnection);
}

void RunOrPostToUiThread(std::function<void()> work) {
  if (!work) return;
  if (IsUiThread())
    work();
  else
    PostToUiThread(std::move(work));
}

bool RunOnUiThread(const std::function<void()>& work) {
  if (!work) return false;
  if (IsUiThread()) {
    work();
    return true;
  }
  std::exception_ptr error;
  // A queued call dropped with the application object releases the waiting
  // caller without running; `ran` tells the two apart.
  bool ran = false;
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [&work, &error, &ran] {
        ran = true;
        try {
          work();
        } catch (...) {
          error = std::current_exception();
        }
      },
      Qt::BlockingQueuedConnection);
  if (error) std::rethrow_exception(error);
  return ran;
}

}  // namespace platform
