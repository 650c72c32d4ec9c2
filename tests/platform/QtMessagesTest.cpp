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

namespace {

// A record that counts its living copies.
struct Tracked {
  static std::atomic<int> alive;
  explicit Tracked(std::string t) : text(std::move(t)) { ++alive; }
  Tracked(const Tracked& other) : text(other.text) { ++alive; }
  Tracked(Tracked&& other) noexcept : text(std::move(other.text)) { ++alive; }
  ~Tracked() { --alive; }
  std::string text;
};
std::atomic<int> Tracked::alive{0};

// Takes the record of WM_USER+104 (a waybill saved) and keeps it; leaves any
// other payload alone.
class Taker : public QObject {
 public:
  bool event(QEvent* e) override {
    if (auto* m = AsPrivateMessage(e)) {
      ++handled;
      wrongType = wrongType || m->TakePayload<std::string>() != nullptr;
      if (m->Message() == kWmUser + 104) {
        peeked = m->Payload<Tracked>() != nullptr;
        if (auto record = m->TakePayload<Tracked>()) taken.push_back(std::move(record));
        stillCarried = m->HasPayload();
      }
      m->SetResult(static_cast<qintptr>(m->WParam()));
      return true;
    }
    return QObject::event(e);
  }
  int handled = 0;
  bool wrongType = false;
  bool peeked = false;
  bool stillCarried = true;
  std::vector<std::unique_ptr<Tracked>> taken;
};

}  // namespace

TEST(PrivateMessages, ARecordTravelsAsACopyTheReceiverOwns) {
  {
    Taker taker;
    Tracked record("BR10000001");
    ASSERT_TRUE(PostPrivateMessage(&taker, kWmUser + 104, 1, record));  // copied
    // The form goes on with its own record; the message keeps the copy.
    record.text = "BR10000002";
    ASSERT_TRUE(PostPrivateMessage(&taker, kWmUser + 104, 2, Tracked("BR10000003")));  // moved
    std::thread worker([&] {
      PostPrivateMessage(&taker, kWmUser + 104, 3, std::make_unique<Tracked>("BR10000004"));
    });
    worker.join();
    EXPECT_EQ(4, Tracked::alive.load());  // the form's record and three copies
    ASSERT_TRUE(testsupport::WaitUntil([&] { return taker.handled == 3; }));
    ASSERT_EQ(3u, taker.taken.size());
    EXPECT_EQ("BR10000001", taker.taken[0]->text);
    EXPECT_EQ("BR10000003", taker.taken[1]->text);
    EXPECT_EQ("BR10000004", taker.taken[2]->text);
    EXPECT_NE(&record, taker.taken[0].get());
    EXPECT_FALSE(taker.wrongType);  // a payload is only taken as its own type
    EXPECT_TRUE(taker.peeked);
    EXPECT_FALSE(taker.stillCarried);

    // Sent, the record is taken during the call.
    EXPECT_EQ(5, SendPrivateMessage(&taker, kWmUser + 104, 5, Tracked("BR10000005")));
    ASSERT_EQ(4u, taker.taken.size());
    EXPECT_EQ("BR10000005", taker.taken[3]->text);
  }
  EXPECT_EQ(0, Tracked::alive.load());
}

TEST(PrivateMessages, ARecordNobodyTakesIsDestroyedWithItsMessage) {
  // Delivered but not taken (another message number).
  {
    Taker taker;
    PostPrivateMessage(&taker, kWmUser + 105, 0, Tracked("not taken"));
    SendPrivateMessage(&taker, kWmUser + 105, 0, std::make_unique<Tracked>("not taken"));
    ASSERT_TRUE(testsupport::WaitUntil([&] { return taker.handled == 2; }));
    EXPECT_TRUE(taker.taken.empty());
    EXPECT_EQ(0, Tracked::alive.load());
  }
  // Never delivered: the receiver goes first.
  auto taker = std::make_unique<Taker>();
  for (int i = 0; i < 3; ++i) PostPrivateMessage(taker.get(), kWmUser + 104, i, Tracked("lost"));
  EXPECT_EQ(3, Tracked::alive.load());
  taker.reset();
  EXPECT_EQ(0, Tracked::alive.load());
  // No receiver at all.
  EXPECT_FALSE(PostPrivateMessage(nullptr, kWmUser + 104, 0, std::make_unique<Tracked>("none")));
  EXPECT_EQ(0, SendPrivateMessage(nullptr, kWmUser + 104, 0, Tracked("none")));
  EXPECT_EQ(0, Tracked::alive.load());
  QCoreApplication::processEvents();
}
