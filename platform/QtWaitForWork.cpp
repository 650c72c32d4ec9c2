#include "platform/QtWaitForWork.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QList>
#include <QMetaObject>
#include <QPointer>
#include <QThread>
#include <QWidget>
#include <QWindow>

#include <atomic>
#include <exception>
#include <thread>

namespace platform {
namespace {

int waitDepth = 0;  // user-interface thread only

bool IsUserInput(const QEvent& event) {
  switch (event.type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::NonClientAreaMouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::NativeGesture:
    case QEvent::Gesture:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
      return true;
    case QEvent::Close:
      // The close box; a window the program closes itself still closes.
      return event.spontaneous();
    default:
      return false;
  }
}

// Keeps user input away from the windows open when the wait began and shows
// the busy cursor, for as long as it lives.
class InputBlock : public QObject {
 public:
  InputBlock() {
    if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
      for (QWindow* window : QGuiApplication::topLevelWindows()) windows_.append(window);
      QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
      cursorSet_ = true;
      (void)gui;
    }
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
      for (QWidget* widget : QApplication::topLevelWidgets()) widgets_.append(widget);
    }
    QCoreApplication::instance()->installEventFilter(this);
  }
  ~InputBlock() override {
    if (cursorSet_) QGuiApplication::restoreOverrideCursor();
  }
  InputBlock(const InputBlock&) = delete;
  InputBlock& operator=(const InputBlock&) = delete;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!IsUserInput(*event) || !Blocked(watched)) return false;
    event->ignore();
    return true;
  }

 private:
  bool Blocked(QObject* watched) const {
    if (watched->isWidgetType()) {
      QWidget* window = static_cast<QWidget*>(watched)->window();
      for (const QPointer<QWidget>& w : widgets_)
        if (w == window) return true;
      return false;
    }
    if (watched->isWindowType()) {
      for (const QPointer<QWindow>& w : windows_)
        if (w == watched) return true;
    }
    return false;
  }

  QList<QPointer<QWidget>> widgets_;
  QList<QPointer<QWindow>> windows_;
  bool cursorSet_ = false;
};

struct DepthCount {
  DepthCount() { ++waitDepth; }
  ~DepthCount() { --waitDepth; }
};

}  // namespace

int WaitForWorkDepth() {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || app->thread() != QThread::currentThread()) return 0;
  return waitDepth;
}

namespace detail {

void WaitForWorkCore(const std::function<void()>& work) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || app->thread() != QThread::currentThread()) {
    work();
    return;
  }
  DepthCount depth;
  InputBlock block;
  QEventLoop loop;
  std::atomic<bool> done{false};
  std::exception_ptr error;
  std::thread worker([&] {
    try {
      work();
    } catch (...) {
      error = std::current_exception();
    }
    done.store(true, std::memory_order_release);
    // Wakes the loop; the event is dropped with the loop should the waiting
    // side already have left it.
    QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
  });
  if (!done.load(std::memory_order_acquire)) loop.exec();
  // The loop also ends when the application is told to quit; the work is
  // still waited for with the events flowing.
  while (!done.load(std::memory_order_acquire))
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  worker.join();
  if (error) std::rethrow_exception(error);
}

}  // namespace detail
}  // namespace platform
