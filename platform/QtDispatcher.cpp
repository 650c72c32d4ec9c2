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

void RunOnUiThread(const std::function<void()>& work) {
  if (!work) return;
  if (IsUiThread()) {
    work();
    return;
  }
  std::exception_ptr error;
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [&work, &error] {
        try {
          work();
        } catch (...) {
          error = std::current_exception();
        }
      },
      Qt::BlockingQueuedConnection);
  if (error) std::rethrow_exception(error);
}

}  // namespace platform
