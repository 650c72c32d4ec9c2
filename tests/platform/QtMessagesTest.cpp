#include "platform/QtMessages.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/QtTestSupport.h"

using namespace platform;

namespace {

struct Received {
  int message;
  quintptr wParam;
  qintptr lParam;
  QThread* thread;
};

class Receiver : public QObject {
 public:
  bool event(QEvent* e) override {
    if (auto* m = AsPrivateMessage(e)) {
      std::lock_guard<std::mutex> lock(mutex);
      received.push_back({m->Message(), m->WParam(), m->LParam(), QThread::currentThread()});
      m->SetResult(static_cast<qintptr>(m->WParam()) + m->LParam());
      return true;
    }
    return QObject::event(e);
  }
  size_t Count() {
    std::lock_guard<std::mutex> lock(mutex);
    return received.size();
  }
  std::mutex mutex;
  std::vector<Received> received;
};

}  // namespace

TEST(PrivateMessages, PostedFromWorkersArriveOnTheReceiversThreadInOrder) {
  Receiver receiver;
  constexpr int kPerWorker = 50;
  std::vector<std::thread> workers;
  for (int w = 0; w < 3; ++w) {
    workers.emplace_back([&receiver, w] {
      for (int i = 0; i < kPerWorker; ++i) {
        ASSERT_TRUE(PostPrivateMessage(&receiver, kWmUser + 104, w, i));
      }
    });
  }
  for (auto& t : workers) t.join();
  // Nothing is delivered before the event loop runs.
  EXPECT_EQ(receiver.Count(), 0u);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return receiver.Count() == 3 * kPerWorker; }));
  std::vector<qintptr> next(3, 0);
  for (const Received& r : receiver.received) {
    EXPECT_EQ(r.message, kWmUser + 104);
    EXPECT_EQ(r.thread, QCoreApplication::instance()->thread());
    ASSERT_LT(r.wParam, 3u);
    EXPECT_EQ(r.lParam, next[r.wParam]++) << "messages of one worker out of order";
  }
}

TEST(PrivateMessages, ParametersKeepTheirFullWidth) {
  Receiver receiver;
  const quintptr w = ~quintptr(0);
  const qintptr l = -2;
  PostPrivateMessage(&receiver, 0x66A, w, l);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return receiver.Count() == 1; }));
  EXPECT_EQ(receiver.received[0].message, 0x66A);
  EXPECT_EQ(receiver.received[0].wParam, w);
  EXPECT_EQ(receiver.received[0].lParam, l);
}

TEST(PrivateMessages, SendWaitsForTheAnswerFromAnyThread) {
  Receiver receiver;
  // Same thread: a direct call.
  EXPECT_EQ(SendPrivateMessage(&receiver, kWmUser + 123, 4, 5), 9);
  ASSERT_EQ(receiver.Count(), 1u);

  std::atomic<bool> done{false};
  qintptr answer = 0;
  std::thread worker([&] {
    answer = SendPrivateMessage(&receiver, kWmUser + 123, 40, 2);
    done = true;
  });
  ASSERT_TRUE(testsupport::WaitUntil([&] { return done.load(); }));
  worker.join();
  EXPECT_EQ(answer, 42);
  ASSERT_EQ(receiver.Count(), 2u);
  EXPECT_EQ(receiver.received[1].thread, QCoreApplication::instance()->thread());
}

TEST(PrivateMessages, QueuedMessagesDieWithTheirReceiver) {
  auto receiver = std::make_unique<Receiver>();
  PostPrivateMessage(receiver.get(), kWmUser + 105);
  receiver.reset();
  // Must not deliver to the destroyed object.
  QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents();
  SUCCEED();
}

TEST(PrivateMessages, NoReceiver) {
  EXPECT_FALSE(PostPrivateMessage(nullptr, kWmUser));
  EXPECT_EQ(SendPrivateMessage(nullptr, kWmUser, 1, 1), 0);
  QEvent other(QEvent::User);
  EXPECT_EQ(AsPrivateMessage(&other), nullptr);
}
