#include "platform/QtDispatcher.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>

#include "tests/QtTestSupport.h"

using namespace platform;

namespace {

QThread* UiThread() { return QCoreApplication::instance()->thread(); }

// Runs the body on a worker while this thread keeps its event loop going.
template <typename Body>
void OnWorker(Body body) {
  std::atomic<bool> done{false};
  std::thread worker([&] {
    body();
    done = true;
  });
  bool finished = testsupport::WaitUntil([&] { return done.load(); });
  worker.join();
  ASSERT_TRUE(finished);
}

}  // namespace

TEST(UiDispatcher, BlockingCallsRunOnTheUiThread) {
  EXPECT_TRUE(IsUiThread());
  QThread* ranOn = nullptr;
  bool workerWasUi = true;
  int value = 0;
  std::string text;
  OnWorker([&] {
    workerWasUi = IsUiThread();
    RunOnUiThread([&] { ranOn = QThread::currentThread(); });
    value = CallOnUiThread([] { return 41 + 1; });
    text = CallOnUiThread([] { return std::string("answer"); });
  });
  EXPECT_FALSE(workerWasUi);
  EXPECT_EQ(ranOn, UiThread());
  EXPECT_EQ(value, 42);
  EXPECT_EQ(text, "answer");

  // On the user-interface thread itself the work runs directly.
  bool direct = false;
  RunOnUiThread([&] { direct = true; });
  EXPECT_TRUE(direct);
}

TEST(UiDispatcher, ExceptionsReachTheCaller) {
  std::string caught;
  OnWorker([&] {
    try {
      RunOnUiThread([] { throw std::runtime_error("relogin failed"); });
    } catch (const std::runtime_error& e) {
      caught = e.what();
    }
  });
  EXPECT_EQ(caught, "relogin failed");
}

TEST(UiDispatcher, PostedWorkRunsLaterOnTheUiThread) {
  std::atomic<int> runs{0};
  QThread* ranOn = nullptr;
  PostToUiThread([&] { ++runs; });
  EXPECT_EQ(runs.load(), 0);  // not before the event loop runs
  OnWorker([&] {
    PostToUiThread([&] {
      ranOn = QThread::currentThread();
      ++runs;
    });
  });
  ASSERT_TRUE(testsupport::WaitUntil([&] { return runs.load() == 2; }));
  EXPECT_EQ(ranOn, UiThread());
}
