// The Qt platform layer before any application object exists, and after one
// has gone away while workers still waited for it.  This program has no
// application object of its own (plain GoogleTest main).

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QThread>

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "platform/QtDispatcher.h"
#include "platform/QtMessageBox.h"
#include "platform/QtMessages.h"
#include "platform/QtWaitForWork.h"
#include "tests/WaitUntil.h"

using namespace platform;

namespace {

class Receiver : public QObject {
 public:
  bool event(QEvent* e) override {
    if (auto* m = AsPrivateMessage(e)) {
      ++handled;
      m->SetResult(static_cast<qintptr>(m->WParam()) * 10 + m->LParam());
      return true;
    }
    return QObject::event(e);
  }
  int handled = 0;
};

int argcOfApp = 1;
char appName[] = "brantle-test";
char* argvOfApp[] = {appName, nullptr};

// Starts the body on a worker, waits until the worker has queued its call
// and blocks waiting for it, then destroys the application object while the
// worker still waits.
template <typename Body>
void DestroyApplicationWhileWorkerWaits(std::unique_ptr<QCoreApplication> app, Body body) {
  std::atomic<pid_t> thread{0};
  std::thread worker([&] {
    thread = gettid();
    body();
  });
  EXPECT_TRUE(testsupport::WaitUntil(
      [&] { return thread != 0 && testsupport::ThreadIsBlocked(thread); },
      testsupport::kWaitLimit));
  app.reset();
  worker.join();
}

}  // namespace

TEST(QtWithoutApplication, SentMessageReachesItsReceiverDirectly) {
  ASSERT_EQ(QCoreApplication::instance(), nullptr);
  Receiver receiver;
  EXPECT_EQ(SendPrivateMessage(&receiver, kWmUser + 123, 4, 2), 42);
  EXPECT_EQ(receiver.handled, 1);
  // A posted message has no queue to wait in; a record it would have carried
  // is destroyed at once.
  EXPECT_FALSE(PostPrivateMessage(&receiver, kWmUser + 104, 1, 0));
  EXPECT_EQ(receiver.handled, 1);
  auto record = std::make_shared<int>(7);
  std::weak_ptr<int> watch = record;
  EXPECT_FALSE(PostPrivateMessage(&receiver, kWmUser + 104, 1,
                                  std::make_unique<std::shared_ptr<int>>(std::move(record))));
  EXPECT_TRUE(watch.expired());
  EXPECT_EQ(receiver.handled, 1);
}

TEST(QtWithoutApplication, WorkRunsAtOnceOnTheCallingThread) {
  ASSERT_EQ(QCoreApplication::instance(), nullptr);
  EXPECT_TRUE(IsUiThread());
  int runs = 0;
  PostToUiThread([&] { ++runs; });
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(RunOnUiThread([&] { ++runs; }));
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(CallOnUiThread([] { return 7; }), 7);
  // Slow work is simply done: there is no window to keep alive.
  QThread* ranOn = nullptr;
  EXPECT_EQ(WaitForWork([&] {
              ranOn = QThread::currentThread();
              return 8;
            }),
            8);
  EXPECT_EQ(QThread::currentThread(), ranOn);
  EXPECT_EQ(0, WaitForWorkDepth());
}

TEST(QtWithoutApplication, WorkDroppedWithTheApplicationReleasesItsCaller) {
  auto app = std::make_unique<QCoreApplication>(argcOfApp, argvOfApp);
  std::atomic<bool> workRan{false};
  int value = -1;
  DestroyApplicationWhileWorkerWaits(std::move(app), [&] {
    value = CallOnUiThread([&] {
      workRan = true;
      return 5;
    });
  });
  EXPECT_FALSE(workRan.load());
  EXPECT_EQ(value, 0);  // value-initialised, not read from an empty result

  app = std::make_unique<QCoreApplication>(argcOfApp, argvOfApp);
  bool ran = true;
  std::string text = "unchanged";
  DestroyApplicationWhileWorkerWaits(std::move(app),
                                     [&] { ran = RunOnUiThread([&] { workRan = true; }); });
  EXPECT_FALSE(ran);
  EXPECT_FALSE(workRan.load());

  app = std::make_unique<QCoreApplication>(argcOfApp, argvOfApp);
  DestroyApplicationWhileWorkerWaits(std::move(app), [&] {
    text = CallOnUiThread([] { return std::string("never"); });
  });
  EXPECT_EQ(text, "");

  // Once the application object is gone, work runs at once again.
  EXPECT_TRUE(RunOnUiThread([&] { workRan = true; }));
  EXPECT_TRUE(workRan.load());
}

TEST(QtWithoutApplication, BoxDroppedWithTheApplicationAnswersItsDefault) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  auto app = std::make_unique<QApplication>(argcOfApp, argvOfApp);
  QtMessageBoxService service;
  std::atomic<int> boxes{0};
  service.SetBoxRunner([&](QMessageBox&) {
    ++boxes;
    return static_cast<int>(QMessageBox::Yes);
  });
  int answer = 0;
  DestroyApplicationWhileWorkerWaits(std::move(app), [&] {
    answer = service.Show(u"go on?", u"Brantle", kMbYesNo | kMbDefButton2);
  });
  EXPECT_EQ(boxes.load(), 0);
  EXPECT_EQ(answer, kIdNo);
}
