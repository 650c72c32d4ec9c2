// The window's wait for slow work: the work runs on a worker while the
// window thread keeps its event loop, takes no input and shows the busy
// cursor; a worker that needs the window thread meanwhile gets it.

#include "platform/QtWaitForWork.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/MessageBox.h"
#include "platform/QtDispatcher.h"
#include "platform/QtMessageBox.h"
#include "platform/QtMessages.h"
#include "tests/QtTestSupport.h"

using namespace platform;

namespace {

// Blocks the worker (it processes no events) until the condition holds or
// the limit has passed.
bool WorkerWaitsFor(const std::function<bool()>& condition) {
  return testsupport::WaitUntil(condition, testsupport::kWaitLimit);
}

class Answerer : public QObject {
 public:
  bool event(QEvent* e) override {
    if (auto* m = AsPrivateMessage(e)) {
      m->SetResult(static_cast<qintptr>(m->WParam()) * 2);
      return true;
    }
    return QObject::event(e);
  }
};

}  // namespace

TEST(WaitForWork, TheWorkRunsOnAWorkerWhileTimersOfTheWindowThreadKeepFiring) {
  std::atomic<int> ticks{0};
  QTimer timer;
  timer.setInterval(5);
  QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
  timer.start();
  QThread* workThread = nullptr;
  int depthInside = -1;
  QTimer::singleShot(0, [&] { depthInside = WaitForWorkDepth(); });
  std::string result = WaitForWork([&] {
    workThread = QThread::currentThread();
    // Returns only once the window thread has served its timer a few times.
    return WorkerWaitsFor([&] { return ticks.load() >= 5; }) ? std::string("done")
                                                             : std::string("frozen");
  });
  EXPECT_EQ("done", result);
  EXPECT_NE(QCoreApplication::instance()->thread(), workThread);
  EXPECT_EQ(1, depthInside);
  EXPECT_EQ(0, WaitForWorkDepth());
  // Work without a result, and an exception passed on to the caller.
  bool ran = false;
  WaitForWork([&] { ran = true; });
  EXPECT_TRUE(ran);
  EXPECT_THROW(WaitForWork([]() -> int { throw std::runtime_error("refused"); }),
               std::runtime_error);
}

// The window thread waits for a worker that meanwhile needs the window
// thread: a call run there, a message sent to a window object, and a message
// box shown through the service and answered by a click.  Waiting by
// joining the worker would hang here for good.
TEST(WaitForWork, AWorkerThatNeedsTheWindowThreadMeanwhileFinishes) {
  QtMessageBoxService service;
  Qt::CursorShape cursorOverBox = Qt::BlankCursor;
  service.SetBoxRunner([&](QMessageBox& box) {
    if (QGuiApplication::overrideCursor())
      cursorOverBox = QGuiApplication::overrideCursor()->shape();
    QTimer::singleShot(0, &box, [&box] {
      QTest::mouseClick(box.button(QMessageBox::Yes), Qt::LeftButton);
    });
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    return clicked ? static_cast<int>(box.standardButton(clicked)) : 0;
  });
  ScopedMessageBoxService scope(&service);
  Answerer answerer;
  QThread* ranOn = nullptr;
  int answer = 0;
  qintptr sent = 0;
  int total = WaitForWork([&] {
    RunOnUiThread([&] { ranOn = QThread::currentThread(); });
    int value = CallOnUiThread([] { return 40; });
    sent = SendPrivateMessage(&answerer, kWmUser + 1, 21, 0);
    // The default button is No; a click on the box answers Yes.
    answer = ShowMessageBox(u"Replace?", u"", kMbYesNo | kMbDefButton2);
    return value + 2;
  });
  EXPECT_EQ(42, total);
  EXPECT_EQ(QCoreApplication::instance()->thread(), ranOn);
  EXPECT_EQ(42, sent);
  EXPECT_EQ(kIdYes, answer);
  // The box wants an answer: the arrow over it, not the busy cursor.
  EXPECT_EQ(Qt::ArrowCursor, cursorOverBox);
  EXPECT_EQ(nullptr, QGuiApplication::overrideCursor());
}

TEST(WaitForWork, TheWindowsTakeNoInputAndShowTheBusyCursorMeanwhile) {
  QWidget window;
  auto* edit = new QLineEdit(&window);
  auto* button = new QPushButton(QStringLiteral("OK"), &window);
  auto* layout = new QVBoxLayout(&window);
  layout->addWidget(edit);
  layout->addWidget(button);
  int clicks = 0;
  QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  edit->setFocus();

  std::atomic<bool> typed{false};
  Qt::CursorShape cursor = Qt::BlankCursor;
  QTimer::singleShot(0, [&] {
    if (QGuiApplication::overrideCursor()) cursor = QGuiApplication::overrideCursor()->shape();
    QTest::keyClicks(edit, QStringLiteral("abc"));
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::keyClick(button, Qt::Key_Space);
    typed = true;
  });
  WaitForWork([&] { WorkerWaitsFor([&] { return typed.load(); }); });
  EXPECT_EQ(Qt::WaitCursor, cursor);
  EXPECT_EQ(QString(), edit->text());
  EXPECT_EQ(0, clicks);

  // Afterwards everything is as before.
  EXPECT_EQ(nullptr, QGuiApplication::overrideCursor());
  QTest::keyClicks(edit, QStringLiteral("abc"));
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(QStringLiteral("abc"), edit->text());
  EXPECT_EQ(1, clicks);
}

// A wait that starts while another waits (from a timer, a box): each
// returns its own result, and the outer one returns only after the inner one,
// whichever work ends first.
TEST(WaitForWork, NestedWaitsEndInOrder) {
  for (bool outerEndsFirst : {false, true}) {
    SCOPED_TRACE(outerEndsFirst ? "outer work ends first" : "inner work ends first");
    std::vector<std::string> order;
    std::atomic<bool> innerStarted{false};
    std::atomic<bool> innerWorkDone{false};
    std::atomic<bool> outerWorkDone{false};
    int innerDepth = 0;
    std::atomic<bool> innerDepthSeen{false};
    int innerResult = 0;
    QTimer::singleShot(0, [&] {
      QTimer::singleShot(0, [&] {
        innerDepth = WaitForWorkDepth();
        innerDepthSeen = true;
      });
      innerResult = WaitForWork([&] {
        innerStarted = true;
        // The inner wait's loop records its depth before the inner work ends.
        WorkerWaitsFor([&] { return innerDepthSeen.load(); });
        if (outerEndsFirst) WorkerWaitsFor([&] { return outerWorkDone.load(); });
        innerWorkDone = true;
        return 2;
      });
      order.push_back("inner");
    });
    int outerResult = WaitForWork([&] {
      WorkerWaitsFor([&] { return innerStarted.load(); });
      if (!outerEndsFirst) WorkerWaitsFor([&] { return innerWorkDone.load(); });
      outerWorkDone = true;
      return 1;
    });
    order.push_back("outer");
    EXPECT_EQ(1, outerResult);
    EXPECT_EQ(2, innerResult);
    EXPECT_EQ(2, innerDepth);
    EXPECT_EQ((std::vector<std::string>{"inner", "outer"}), order);
    EXPECT_EQ(0, WaitForWorkDepth());
    EXPECT_EQ(nullptr, QGuiApplication::overrideCursor());
  }
}

TEST(WaitForWork, OnAWorkerTheWorkRunsDirectly) {
  QThread* ranOn = nullptr;
  QThread* caller = nullptr;
  int depth = -1;
  std::thread worker([&] {
    caller = QThread::currentThread();
    ranOn = WaitForWork([] { return QThread::currentThread(); });
    depth = WaitForWorkDepth();
  });
  worker.join();
  EXPECT_EQ(caller, ranOn);
  EXPECT_EQ(0, depth);
}
