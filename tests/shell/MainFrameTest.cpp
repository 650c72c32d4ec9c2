// The main frame: toolbar captions, status bar panes, the clock, the idle
// lock on the timer tick, the camera command and the clipboard.

#include <gtest/gtest.h>

#include <algorithm>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>

#include "common/LanguageTable.h"
#include "platform/MessageBox.h"
#include "server/ServerLink.h"
#include "shell/MainFrame.h"
#include "shell/ScreenLockDlg.h"
#include "tests/QtTestSupport.h"
#include "tests/shell/ShellTestSupport.h"

namespace {

struct FakeClock : FrameClock {
  QDateTime now{QDate(2026, 12, 8), QTime(19, 30, 5)};
  uint32_t tick = 1000;
  uint32_t lastInput = 1000;
  QDateTime Now() const override { return now; }
  uint32_t TickCount() const override { return tick; }
  uint32_t LastInputTick() const override { return lastInput; }
};

class MainFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    shelltest::LoadProgramLanguage("00");
    auto clock = std::make_unique<FakeClock>();
    clock_ = clock.get();
    frame_ = std::make_unique<CMainFrame>(link_, std::move(clock));
    frame_->Timer().stop();
    frame_->SetModalRunner([this](QDialog& dialog) {
      ++modalRuns_;
      lastDialog_ = &dialog;
      return onModal_ ? onModal_(dialog) : kLockUnlocked;
    });
  }
  QString ClockPane() const {
    auto* bar = frame_->ColorStatusBar();
    return bar->PaneText(bar->PaneIndexOf(kIndicatorClock));
  }

  CServerLink link_;
  FakeClock* clock_ = nullptr;
  std::unique_ptr<CMainFrame> frame_;
  int modalRuns_ = 0;
  QDialog* lastDialog_ = nullptr;
  std::function<int(QDialog&)> onModal_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
};

TEST(MainFrameText, ToolbarCaptionsWiderThanSixAreCutToFourUnits) {
  const struct {
    std::u16string in, out;
  } cases[] = {
      {u"快速录", u"快速录"},           // width 6
      {u"Search", u"Search"},           // width 6
      {u"快速录入单据", u"快速录入"},   // width 12
      {u"快速录入单", u"快速录入"},     // width 10
      {u"Reprinted", u"Repr"},          // 9 letters
      {u"快录A", u"快录A"},             // width 5
      {u"快录ABC", u"快录AB"},          // width 7
      {u"???", u"???"},
      {u"", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.out, CMainFrame::ToolbarCaption(c.in));
}

TEST(MainFrameText, ClockReadsDateTimeAndWeekday) {
  EXPECT_EQ(QStringLiteral("2026.12.08 19:30:05 Tue."),
            CMainFrame::ClockText(QDateTime(QDate(2026, 12, 8), QTime(19, 30, 5))));
  const char* names[] = {"Mon.", "Tue.", "Wed.", "Thur.", "Fri.", "Sat.", "Sun."};
  for (int day = 0; day < 7; ++day) {  // 2026-12-07 is a Monday
    QString text = CMainFrame::ClockText(QDateTime(QDate(2026, 12, 7 + day), QTime(0, 0, 0)));
    EXPECT_TRUE(text.endsWith(QString(" ") + names[day])) << text.toStdString();
  }
  EXPECT_EQ(QStringLiteral("2027.01.02 03:04:05 Sat."),
            CMainFrame::ClockText(QDateTime(QDate(2027, 1, 2), QTime(3, 4, 5))));
}

TEST_F(MainFrameTest, TickShowsTheClockUntilTheIdleTimeRunsOut) {
  ASSERT_EQ(900000u, frame_->AutoLockMilliseconds());
  EXPECT_EQ(QStringLiteral("0000.00.00 00:00:00-00000"), ClockPane());
  frame_->OnTimer();
  EXPECT_EQ(QStringLiteral("2026.12.08 19:30:05 Tue."), ClockPane());
  EXPECT_EQ(0, modalRuns_);

  // One millisecond short of 15 minutes: still the clock.
  clock_->tick = clock_->lastInput + 899999;
  clock_->now = clock_->now.addSecs(1);
  frame_->OnTimer();
  EXPECT_EQ(QStringLiteral("2026.12.08 19:30:06 Tue."), ClockPane());
  EXPECT_EQ(0, modalRuns_);

  // Exactly 15 minutes: the lock dialog; while it is up, ticks only count.
  clock_->tick = clock_->lastInput + 900000;
  clock_->now = clock_->now.addSecs(1);
  onModal_ = [this](QDialog&) {
    EXPECT_TRUE(frame_->Locked());
    uint32_t ticks = frame_->TickCount();
    clock_->now = clock_->now.addSecs(1);
    frame_->OnTimer();
    frame_->OnTimer();
    frame_->OnLock();  // the lock command while locked does nothing
    EXPECT_EQ(ticks + 2, frame_->TickCount());
    EXPECT_EQ(QStringLiteral("2026.12.08 19:30:06 Tue."), ClockPane());
    clock_->lastInput = clock_->tick;  // the password was typed
    return kLockUnlocked;
  };
  frame_->OnTimer();
  EXPECT_EQ(1, modalRuns_);
  EXPECT_EQ(&frame_->ScreenLockDialog(), lastDialog_);
  EXPECT_FALSE(frame_->Locked());
  EXPECT_EQ(QStringLiteral("2026.12.08 19:30:06 Tue."), ClockPane());  // not updated on that tick
  frame_->OnTimer();
  EXPECT_EQ(1, modalRuns_);
  EXPECT_EQ(QStringLiteral("2026.12.08 19:30:08 Tue."), ClockPane());
}

TEST_F(MainFrameTest, IdleTimeIsMeasuredAcrossTheTickWrap) {
  frame_->SetAutoLockMilliseconds(60000);
  clock_->lastInput = 0xFFFFFF00u;
  clock_->tick = 59000 - 0x100;  // 59 s after the input, past the wrap
  frame_->OnTimer();
  EXPECT_EQ(0, modalRuns_);
  clock_->tick += 1000;
  frame_->OnTimer();
  EXPECT_EQ(1, modalRuns_);
}

TEST_F(MainFrameTest, ClosingFromTheLockEndsTheProgram) {
  QSignalSpy quit(frame_.get(), &CMainFrame::quitRequested);
  onModal_ = [](QDialog&) { return kLockCloseProgram; };
  frame_->ExecuteCommand(kCmdLock);
  EXPECT_EQ(1, modalRuns_);
  EXPECT_EQ(1, quit.count());
  EXPECT_FALSE(frame_->Locked());
  onModal_ = nullptr;
  frame_->ExecuteCommand(kCmdLock);
  EXPECT_EQ(1, quit.count());
}

TEST_F(MainFrameTest, UnlockingPutsBackWhatTheLockCovered) {
  auto* centre = new QLineEdit(frame_.get());
  frame_->setCentralWidget(centre);
  frame_->show();
  frame_->ExecuteCommand(kCmdViewToolbar);  // the operator hid the toolbar
  ASSERT_TRUE(frame_->ToolBar()->isHidden());
  onModal_ = [&](QDialog&) {
    EXPECT_TRUE(frame_->LockCover()->isVisible());
    EXPECT_EQ(frame_->rect(), frame_->LockCover()->geometry());
    EXPECT_FALSE(centre->isVisible());
    EXPECT_FALSE(frame_->statusBar()->isEnabled());
    frame_->ExecuteCommand(kCmdViewToolbar);  // nothing runs while locked
    return kLockUnlocked;
  };
  frame_->ExecuteCommand(kCmdLock);
  EXPECT_EQ(1, modalRuns_);
  EXPECT_FALSE(frame_->LockCover()->isVisible());
  EXPECT_TRUE(centre->isVisible());
  EXPECT_TRUE(centre->isEnabled());
  EXPECT_TRUE(frame_->statusBar()->isEnabled());
  EXPECT_TRUE(frame_->ToolBar()->isHidden());
}

TEST_F(MainFrameTest, StatusBarHasSevenPanesAndAColouredOperationPane) {
  CColorStatusBar* bar = frame_->ColorStatusBar();
  EXPECT_EQ(7, bar->PaneCount());
  EXPECT_EQ(1, bar->PaneIndexOf(kIndicatorOperation));
  EXPECT_EQ(2, bar->PaneIndexOf(kIndicatorClock));
  EXPECT_EQ(QStringLiteral("100%"), bar->PaneText(3));
  EXPECT_EQ(1, bar->ColorPane());
  EXPECT_TRUE(bar->Pane(1)->OwnerDraw());
  EXPECT_FALSE(bar->Pane(2)->OwnerDraw());
  EXPECT_EQ(QString(), bar->PaneText(1));
  EXPECT_EQ(QColor(0, 128, 128), bar->Pane(1)->TextColor());
  // Each pane is at least as wide as its resource string.
  QFontMetrics metrics(bar->Pane(2)->font());
  EXPECT_GE(bar->Pane(2)->minimumWidth(),
            metrics.horizontalAdvance(QStringLiteral("0000.00.00 00:00:00-00000")));

  frame_->SetCurrentOperation(u"快速录入", QColor(255, 0, 0));
  EXPECT_EQ(QStringLiteral("快速录入"), bar->PaneText(1));
  EXPECT_EQ(QColor(255, 0, 0), bar->Pane(1)->TextColor());
}

TEST_F(MainFrameTest, ToolbarButtonsCarryTheirCutCaptions) {
  shelltest::LoadProgramLanguage(
      "00", {{10000, u"公司网站主页"}, {10002, u"Searching"}, {10003, u"刷新数据"}});
  CMainFrame frame(link_, std::make_unique<FakeClock>());
  QList<QAction*> buttons = frame.ToolBar()->actions();
  ASSERT_EQ(static_cast<qsizetype>(AppLanguage().ToolbarCommands().size()), buttons.size());
  EXPECT_EQ(32822, buttons[0]->data().toInt());
  EXPECT_EQ(QStringLiteral("公司网站"), buttons[0]->iconText());
  EXPECT_EQ(QStringLiteral("公司网站主页"), buttons[0]->toolTip());
  EXPECT_EQ(QStringLiteral("Sear"), buttons[2]->iconText());
  EXPECT_EQ(QStringLiteral("刷新"), frame.CommandAction(32808)->iconText().left(2));
  EXPECT_EQ(QStringLiteral("刷新数据"), buttons[3]->iconText());  // width 8: cut to 4 units
  // All buttons have the same size.
  QSize first = frame.ToolBar()->widgetForAction(buttons[0])->size();
  for (QAction* action : buttons)
    EXPECT_EQ(first, frame.ToolBar()->widgetForAction(action)->size());
}

TEST_F(MainFrameTest, ToolbarButtonsStandInTheToolbarOrder) {
  // The caption ids follow the language table's own command list, which
  // orders some commands differently from the toolbar.
  shelltest::LoadProgramLanguage("00", {{10021, u"甲"}, {10014, u"乙"}});
  CMainFrame frame(link_, std::make_unique<FakeClock>());
  std::vector<int> order;
  for (QAction* action : frame.ToolBar()->actions()) order.push_back(action->data().toInt());
  EXPECT_EQ((std::vector<int>{32822, 32782, 32790, 32808, 32772, 32783, 32784, 32785,
                              32837, 32780, 32836, 32778, 32838, 32810, 32789, 32832,
                              32821, 32792, 32817, 32818, 32819, 32806}),
            order);
  EXPECT_EQ(QStringLiteral("甲"), frame.CommandAction(32780)->iconText());
  EXPECT_EQ(QStringLiteral("乙"), frame.CommandAction(32838)->iconText());
}

TEST_F(MainFrameTest, MenuItemsCarryTheirResourceCaptions) {
  const struct {
    int command;
    const char* caption;
  } cases[] = {
      {32772, "保存(&S)\tCtrl+S F2"},   {32783, "删除(&X)"},
      {32784, "整体拷贝"},               {32785, "整体粘贴"},
      {32790, "信息查询(&F)\tF4"},      {32792, "报表文件导出"},
      {32806, "将列表记录全部选中"},     {32808, "刷新列表数据"},
      {32821, "打开Excel文件导入"},      {32817, "打印标签(&L)"},
      {32818, "打印面单(&T)"},           {32819, "打印形式发票(&P)"},
      {32820, "输出形式发票到文件(&F)"}, {32839, "清空当前主列表(&D)"},
      {32793, "设置常用提示输入"},       {32822, "打开公司网站"},
      {32823, "设置本机电子秤参数"},     {32832, "报价查询(&P)"},
      {32837, "快录-快速创建快递运单记录"}, {32789, "名录-收/发件人资料管理"},
      {32845, "封袋-封口，打印标签"},    {32852, "调度-预录取件调度"},
  };
  for (const auto& c : cases) {
    ASSERT_NE(nullptr, frame_->CommandAction(c.command)) << c.command;
    EXPECT_EQ(QString::fromUtf8(c.caption), frame_->CommandAction(c.command)->text()) << c.command;
  }
}

TEST_F(MainFrameTest, AcceleratorsRunSaveQueryAndPrint) {
  QSignalSpy commands(frame_.get(), &CMainFrame::commandTriggered);
  frame_->show();
  frame_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(frame_.get()));
  const struct {
    QKeyCombination key;
    int command;
  } cases[] = {
      {Qt::CTRL | Qt::Key_S, 32772},
      {QKeyCombination(Qt::Key_F2), 32772},
      {QKeyCombination(Qt::Key_F4), 32790},
      {Qt::CTRL | Qt::Key_P, kCmdFilePrint},
  };
  for (const auto& c : cases) {
    commands.clear();
    QTest::keyClick(frame_.get(), c.key.key(), c.key.keyboardModifiers());
    ASSERT_EQ(1, commands.count()) << QKeySequence(c.key).toString().toStdString();
    EXPECT_EQ(c.command, commands[0][0].toInt());
  }
}

TEST_F(MainFrameTest, ItemsTakeTheirStateFromTheUpdater) {
  std::vector<int> asked;
  frame_->SetCommandUiUpdater([&](int command, QAction* action) {
    asked.push_back(command);
    action->setEnabled(command != 32784);
    if (command == 32837) {
      action->setCheckable(true);
      action->setChecked(true);
    }
  });
  // Opening a menu updates its items.
  QMenu* info = frame_->TopMenu(5);
  ASSERT_NE(nullptr, info);
  frame_->CommandAction(32784)->setEnabled(true);
  emit info->aboutToShow();
  EXPECT_FALSE(frame_->CommandAction(32784)->isEnabled());
  EXPECT_EQ(static_cast<size_t>(info->actions().size()), asked.size());
  // The idle update reaches every item, toolbar buttons among them, but
  // leaves a refused command off.
  frame_->RefuseCommand(32780);
  asked.clear();
  ASSERT_TRUE(testsupport::WaitUntil(
      [&] { return std::find(asked.begin(), asked.end(), 32772) != asked.end(); }));
  EXPECT_TRUE(frame_->CommandAction(32837)->isChecked());
  EXPECT_NE(asked.end(), std::find(asked.begin(), asked.end(), 32772));
  EXPECT_EQ(asked.end(), std::find(asked.begin(), asked.end(), 32780));
  EXPECT_FALSE(frame_->CommandAction(32780)->isEnabled());
}

class FakeCamera : public ICaptureWindow {
 public:
  FakeCamera(bool camera, std::vector<std::string>& log) : camera_(camera), log_(log) {}
  bool HasCaptureWindow() const override { return camera_; }
  bool IsShown() const override { return shown_; }
  void ShowAndStartPreview() override {
    shown_ = true;
    log_.push_back("show");
  }
  void StopPreviewAndHide() override {
    shown_ = false;
    log_.push_back("hide");
  }
  void SetCaptureKind(int kind) override { log_.push_back("kind " + std::to_string(kind)); }

 private:
  bool camera_;
  bool shown_ = false;
  std::vector<std::string>& log_;
};

TEST_F(MainFrameTest, CameraCommandTogglesTheWindowAndFollowsThePage) {
  std::vector<std::string> log;
  bool camera = false;
  int created = 0;
  QRect placed;
  frame_->SetCaptureWindowFactory([&](QWidget*, const QRect& place) {
    ++created;
    placed = place;
    return std::make_unique<FakeCamera>(camera, log);
  });
  int page = 3;
  frame_->SetCurrentPageSource([&] { return page; });
  // No camera: nothing is kept, the next command tries again.
  frame_->ExecuteCommand(kCmdCaptureWindow);
  EXPECT_EQ(nullptr, frame_->CaptureWindow());
  EXPECT_EQ(QSize(330, 288), placed.size());
  camera = true;
  frame_->ExecuteCommand(kCmdCaptureWindow);
  EXPECT_EQ(2, created);
  ASSERT_NE(nullptr, frame_->CaptureWindow());
  EXPECT_EQ((std::vector<std::string>{"kind 5", "show"}), log);
  frame_->NotifyPageShown(1);
  frame_->NotifyPageShown(7);
  frame_->ExecuteCommand(kCmdCaptureWindow);
  page = 0;
  frame_->ExecuteCommand(kCmdCaptureWindow);
  EXPECT_EQ(2, created);
  EXPECT_EQ((std::vector<std::string>{"kind 5", "show", "kind 4", "kind -1", "hide", "kind 3",
                                      "show"}),
            log);
}

TEST_F(MainFrameTest, OtherCommandsAreHandedOn) {
  QSignalSpy commands(frame_.get(), &CMainFrame::commandTriggered);
  frame_->CommandAction(32837)->trigger();
  frame_->CommandAction(kCmdAppAbout)->trigger();
  ASSERT_EQ(2, commands.count());
  EXPECT_EQ(32837, commands[0][0].toInt());
  EXPECT_EQ(kCmdAppAbout, commands[1][0].toInt());
  frame_->CommandAction(kCmdLock)->trigger();
  EXPECT_EQ(1, modalRuns_);
  EXPECT_EQ(2, commands.count());
  frame_->show();
  frame_->CommandAction(kCmdViewToolbar)->trigger();
  EXPECT_FALSE(frame_->ToolBar()->isVisible());
  EXPECT_FALSE(frame_->CommandAction(kCmdViewToolbar)->isChecked());
}

TEST_F(MainFrameTest, ClipboardTakesUnicodeText) {
  EXPECT_TRUE(CMainFrame::SetClipboardText(frame_.get(), u"运单 ZIZ001 €"));
  EXPECT_EQ(QStringLiteral("运单 ZIZ001 €"), QGuiApplication::clipboard()->text());
}

TEST(UserInputMonitor, KeyAndMouseEventsCountAsInput) {
  CUserInputMonitor& monitor = CUserInputMonitor::Instance();
  QLineEdit edit;
  edit.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&edit));
  // Lets the clock move on 20 ms, so that a new input tick tells from `tick`.
  auto clockPasses = [](uint32_t tick) {
    return testsupport::WaitUntil([tick] { return MonotonicTickCount() - tick >= 20; });
  };
  uint32_t before = monitor.LastInputTick();
  ASSERT_TRUE(clockPasses(before));
  QTest::keyClick(&edit, Qt::Key_A);
  uint32_t afterKey = monitor.LastInputTick();
  EXPECT_GE(afterKey - before, 20u);
  ASSERT_TRUE(clockPasses(afterKey));
  QTest::mouseClick(&edit, Qt::LeftButton);
  EXPECT_GE(monitor.LastInputTick() - afterKey, 20u);
  EXPECT_TRUE(CUserInputMonitor::IsUserInput(QEvent::MouseMove));
  EXPECT_FALSE(CUserInputMonitor::IsUserInput(QEvent::Paint));
  EXPECT_FALSE(CUserInputMonitor::IsUserInput(QEvent::Timer));
}

}  // namespace
