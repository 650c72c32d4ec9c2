#include "platform/QtMessageBox.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <thread>
#include <vector>

#include "tests/QtTestSupport.h"

using namespace platform;

namespace {

std::vector<QMessageBox::StandardButton> ButtonsOfBox(QMessageBox& box) {
  std::vector<QMessageBox::StandardButton> result;
  for (QAbstractButton* b : box.buttons()) result.push_back(box.standardButton(b));
  return result;
}

bool Has(const std::vector<QMessageBox::StandardButton>& v, QMessageBox::StandardButton b) {
  return std::find(v.begin(), v.end(), b) != v.end();
}

// Shows the box from a worker thread while this thread runs its event loop.
int ShowFromWorker(MessageBoxService& service, std::u16string text, unsigned flags) {
  std::atomic<bool> done{false};
  int answer = 0;
  std::thread worker([&] {
    answer = service.Show(text, u"Brantle", flags);
    done = true;
  });
  bool finished = testsupport::WaitUntil([&] { return done.load(); }, 10000);
  worker.join();
  EXPECT_TRUE(finished);
  return answer;
}

}  // namespace

TEST(QtMessageBox, FlagsChooseButtonsIconAndDefault) {
  struct Case {
    unsigned flags;
    std::vector<QMessageBox::StandardButton> buttons;
    QMessageBox::Icon icon;
    QMessageBox::StandardButton defaultButton;
  };
  const Case cases[] = {
      {kMbOk, {QMessageBox::Ok}, QMessageBox::NoIcon, QMessageBox::Ok},
      {kMbOkCancel | kMbIconQuestion | kMbDefButton2, {QMessageBox::Ok, QMessageBox::Cancel},
       QMessageBox::Question, QMessageBox::Cancel},
      {kMbAbortRetryIgnore | kMbIconError | kMbDefButton3,
       {QMessageBox::Abort, QMessageBox::Retry, QMessageBox::Ignore}, QMessageBox::Critical,
       QMessageBox::Ignore},
      {kMbYesNoCancel | kMbIconWarning, {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel},
       QMessageBox::Warning, QMessageBox::Yes},
      {kMbYesNo | kMbIconInformation | kMbDefButton2, {QMessageBox::Yes, QMessageBox::No},
       QMessageBox::Information, QMessageBox::No},
      {kMbRetryCancel | kMbDefButton3, {QMessageBox::Retry, QMessageBox::Cancel},
       QMessageBox::NoIcon, QMessageBox::Cancel},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flags);
    auto box = CreateMessageBox(u"line 1\r\nline 2", u"caption", c.flags);
    auto buttons = ButtonsOfBox(*box);
    EXPECT_EQ(buttons.size(), c.buttons.size());
    for (auto b : c.buttons) EXPECT_TRUE(Has(buttons, b)) << b;
    EXPECT_EQ(box->icon(), c.icon);
    ASSERT_NE(box->defaultButton(), nullptr);
    EXPECT_EQ(box->standardButton(box->defaultButton()), c.defaultButton);
    EXPECT_EQ(box->text(), QStringLiteral("line 1\nline 2"));
    EXPECT_EQ(box->windowTitle(), QStringLiteral("caption"));
    // The default button agrees with the answer given when nobody answers.
    EXPECT_EQ(AnswerOfButton(c.defaultButton), DefaultAnswer(c.flags));
  }
}

TEST(QtMessageBox, AnswersWithoutAButton) {
  EXPECT_EQ(AnswerWithoutButton(kMbOk), kIdOk);
  EXPECT_EQ(AnswerWithoutButton(kMbOkCancel), kIdCancel);
  EXPECT_EQ(AnswerWithoutButton(kMbYesNoCancel), kIdCancel);
  EXPECT_EQ(AnswerWithoutButton(kMbRetryCancel), kIdCancel);
  EXPECT_EQ(AnswerWithoutButton(kMbYesNo | kMbDefButton2), kIdNo);
  EXPECT_EQ(AnswerWithoutButton(kMbAbortRetryIgnore), kIdAbort);
}

TEST(QtMessageBox, BoxFromAWorkerRunsOnTheUiThread) {
  QtMessageBoxService service;
  std::vector<QThread*> threads;
  std::vector<QString> texts;
  service.SetBoxRunner([&](QMessageBox& box) {
    threads.push_back(QThread::currentThread());
    texts.push_back(box.text());
    return static_cast<int>(QMessageBox::No);
  });
  EXPECT_EQ(ShowFromWorker(service, u"删除这个运单吗?", kMbYesNo | kMbIconQuestion), kIdNo);
  // Through the process-wide function, as the server link calls it.
  {
    ScopedMessageBoxService scope(&service);
    std::atomic<bool> done{false};
    int answer = 0;
    std::thread worker([&] {
      answer = ShowMessageBox(u"second", u"", kMbYesNoCancel);
      done = true;
    });
    ASSERT_TRUE(testsupport::WaitUntil([&] { return done.load(); }));
    worker.join();
    EXPECT_EQ(answer, kIdNo);
  }
  ASSERT_EQ(threads.size(), 2u);
  for (QThread* t : threads) EXPECT_EQ(t, QApplication::instance()->thread());
  EXPECT_EQ(texts[0], QString::fromUtf16(u"删除这个运单吗?"));

  // A button the box does not have counts as closing it.
  service.SetBoxRunner([](QMessageBox&) { return static_cast<int>(QMessageBox::Yes); });
  EXPECT_EQ(service.Show(u"x", u"", kMbOkCancel), kIdCancel);
}

TEST(QtMessageBox, RealModalBoxIsAnsweredByClickAndEscape) {
  QtMessageBoxService service;
  // Answers whatever modal box comes up next, once it is shown.
  auto answerNextBox = [](std::function<void(QMessageBox*)> action) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr || !box->isVisible()) return;
      timer->stop();
      timer->deleteLater();
      action(box);
    });
    timer->start();
  };

  answerNextBox([](QMessageBox* box) { box->button(QMessageBox::Retry)->click(); });
  EXPECT_EQ(ShowFromWorker(service, u"retry?", kMbAbortRetryIgnore | kMbIconError), kIdRetry);

  answerNextBox([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
  EXPECT_EQ(ShowFromWorker(service, u"go on?", kMbOkCancel), kIdCancel);

  // On the user-interface thread itself.
  answerNextBox([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
  EXPECT_EQ(service.Show(u"done", u"", kMbOk | kMbIconInformation), kIdOk);
}

TEST(QtMessageBox, BoxesWithoutCancelCannotBeEscapedOrClosed) {
  struct Case {
    unsigned flags;
    QMessageBox::StandardButton click;
    int answer;
  };
  const Case cases[] = {
      {kMbYesNo, QMessageBox::Yes, kIdYes},
      {kMbYesNo | kMbDefButton2, QMessageBox::Yes, kIdYes},
      {kMbAbortRetryIgnore, QMessageBox::Ignore, kIdIgnore},
  };
  QtMessageBoxService service;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flags);
    bool stillOpen = false;
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, c, &stillOpen] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr || !box->isVisible()) return;
      timer->stop();
      timer->deleteLater();
      QTest::keyClick(box, Qt::Key_Escape);
      box->close();
      QApplication::processEvents();
      stillOpen = box->isVisible();
      box->button(c.click)->click();
    });
    timer->start();
    EXPECT_EQ(service.Show(u"go on?", u"", c.flags), c.answer);
    EXPECT_TRUE(stillOpen);
  }
}
