// Menu localisation and rights-based hiding on the real main frame.

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QToolBar>

#include <set>

#include "common/LanguageTable.h"
#include "server/ServerLink.h"
#include "shell/MainFrame.h"
#include "shell/MenuLocalizer.h"
#include "tests/shell/ShellTestSupport.h"

namespace {

using Rights = std::array<int32_t, 200>;

Rights RightsOf(std::initializer_list<int> flags) {
  Rights rights{};
  for (int flag : flags) rights[static_cast<size_t>(flag)] = 1;
  return rights;
}

std::vector<int> CommandsOf(QMenu* menu) {
  std::vector<int> ids;
  if (menu)
    for (QAction* action : menu->actions()) ids.push_back(action->data().toInt());
  return ids;
}

std::set<int> ToolbarCommands(CMainFrame& frame) {
  std::set<int> ids;
  for (QAction* action : frame.ToolBar()->actions()) ids.insert(action->data().toInt());
  return ids;
}

bool InMenus(CMainFrame& frame, int command) {
  for (QAction* top : frame.menuBar()->actions())
    for (int id : CommandsOf(top->menu()))
      if (id == command) return true;
  return false;
}

class MenuLocalizerTest : public ::testing::Test {
 protected:
  std::unique_ptr<CMainFrame> MakeFrame() {
    auto frame = std::make_unique<CMainFrame>(link_);
    frame->Timer().stop();
    return frame;
  }
  CServerLink link_;
};

TEST_F(MenuLocalizerTest, CaptionsComeFromTheLanguage) {
  shelltest::LoadProgramLanguage("01", {{1003, std::nullopt}, {1601, std::nullopt}});
  auto frame = MakeFrame();
  Rights all;
  all.fill(1);
  EXPECT_EQ(1, LocalizeMenu(*frame, AppLanguage(), all, true));
  QList<QAction*> tops = frame->menuBar()->actions();
  ASSERT_EQ(8, tops.size());
  const char* captions[] = {"&System", "&Manage", "&Operations", "Master AWB(&E)",
                            "&Print", "Information(&Z)", "&View", "&Help"};
  for (int p = 0; p < 8; ++p) EXPECT_EQ(QString(captions[p]), tops[p]->text()) << p;
  EXPECT_EQ(QStringLiteral("Save"), frame->CommandAction(32772)->text());
  EXPECT_EQ(QStringLiteral("Printer associations"), frame->CommandAction(32833)->text());
  // Missing texts keep the resource captions.
  EXPECT_EQ(QStringLiteral("打印设置..."), frame->CommandAction(57606)->text());
  EXPECT_EQ(QStringLiteral("打开公司网站"), frame->CommandAction(32822)->text());
  // Group k 7 for the Master AWB menu at position 3, k 3 for Print at 4.
  EXPECT_EQ(QString::fromStdU16String(AppLanguage().Text(1700)),
            frame->CommandAction(32844)->text());
  EXPECT_EQ(QString::fromStdU16String(AppLanguage().Text(1300)),
            frame->CommandAction(32817)->text());
  EXPECT_EQ(QString::fromStdU16String(AppLanguage().Text(1211)),
            frame->CommandAction(32852)->text());
  // Every command keeps its place.
  for (int p = 0; p < 8; ++p) {
    std::vector<int> ids = CommandsOf(tops[p]->menu());
    EXPECT_EQ(AppLanguage().MenuCommands(static_cast<size_t>(p)),
              std::vector<int32_t>(ids.begin(), ids.end()));
  }
  EXPECT_EQ(22u, ToolbarCommands(*frame).size());
}

TEST_F(MenuLocalizerTest, EachRuleKeepsItsCommandsForAnyOfItsRights) {
  shelltest::LoadProgramLanguage("00");
  for (const MenuRightRule& rule : MenuRightRules()) {
    for (int flag : rule.anyOfRights) {
      auto frame = MakeFrame();
      LocalizeMenu(*frame, AppLanguage(), RightsOf({flag}), true);
      for (int command : rule.commands) {
        EXPECT_TRUE(InMenus(*frame, command)) << command << " flag " << flag;
        EXPECT_FALSE(frame->IsCommandRefused(command));
        EXPECT_TRUE(CommandAllowedByRights(command, RightsOf({flag})));
      }
    }
    auto frame = MakeFrame();
    std::set<int> toolbarBefore = ToolbarCommands(*frame);
    LocalizeMenu(*frame, AppLanguage(), RightsOf({}), true);
    for (int command : rule.commands) {
      EXPECT_FALSE(InMenus(*frame, command)) << command;
      EXPECT_TRUE(frame->IsCommandRefused(command));
      EXPECT_FALSE(CommandAllowedByRights(command, RightsOf({})));
      bool onToolbar = ToolbarCommands(*frame).count(command) != 0;
      EXPECT_EQ(toolbarBefore.count(command) != 0 && !rule.hideToolbarButton, onToolbar)
          << command;
    }
  }
}

TEST_F(MenuLocalizerTest, CommandsWithoutARuleAreAlwaysAllowed) {
  for (int command : {32789, 32836, 32850, 32772, 32849, 0}) {
    EXPECT_TRUE(CommandAllowedByRights(command, RightsOf({}))) << command;
  }
}

TEST_F(MenuLocalizerTest, RightNineKeepsTheEntryPagesAndRecordQuery) {
  shelltest::LoadProgramLanguage("00");
  auto frame = MakeFrame();
  LocalizeMenu(*frame, AppLanguage(), RightsOf({9}), true);
  EXPECT_EQ((std::vector<int>{32837, 32780, 32778, 32836, 32789, 32850}),
            CommandsOf(frame->TopMenu(2)));
  EXPECT_EQ((std::vector<int>{32847}), CommandsOf(frame->TopMenu(3)));
  EXPECT_EQ(8, frame->menuBar()->actions().size());
}

TEST_F(MenuLocalizerTest, UserWithoutRightsLosesTheMasterAwbMenu) {
  shelltest::LoadProgramLanguage("00");
  auto frame = MakeFrame();
  QSignalSpy commands(frame.get(), &CMainFrame::commandTriggered);
  LocalizeMenu(*frame, AppLanguage(), RightsOf({}), false);
  QList<QAction*> tops = frame->menuBar()->actions();
  ASSERT_EQ(7, tops.size());
  // Print, Information, View and Help move down by one.
  EXPECT_EQ((std::vector<int>{32817, 32818, 32819, 32820}), CommandsOf(frame->TopMenu(3)));
  EXPECT_EQ(QString::fromStdU16String(AppLanguage().Text(103)), tops[3]->text());
  EXPECT_EQ((std::vector<int>{57664}), CommandsOf(frame->TopMenu(6)));
  EXPECT_EQ((std::vector<int>{32836, 32789, 32850}), CommandsOf(frame->TopMenu(2)));
  // Five toolbar buttons go; the web site button stays although its menu
  // command went for want of an address.
  std::set<int> toolbar = ToolbarCommands(*frame);
  EXPECT_EQ(17u, toolbar.size());
  for (int gone : {32837, 32780, 32778, 32810, 32838}) EXPECT_EQ(0u, toolbar.count(gone));
  EXPECT_EQ(1u, toolbar.count(32822));
  // A refused command is not run, not even through its action.
  frame->CommandAction(32837)->trigger();
  frame->ExecuteCommand(32843);
  frame->ExecuteCommand(32836);
  ASSERT_EQ(1, commands.count());
  EXPECT_EQ(32836, commands[0][0].toInt());
}

TEST_F(MenuLocalizerTest, PaymentsGoWithoutTouchingTheToolbar) {
  shelltest::LoadProgramLanguage("00");
  Rights rights;
  rights.fill(1);
  rights[10] = 0;
  rights[165] = 0;
  auto frame = MakeFrame();
  LocalizeMenu(*frame, AppLanguage(), rights, true);
  EXPECT_FALSE(InMenus(*frame, 32843));
  EXPECT_EQ(22u, ToolbarCommands(*frame).size());
  EXPECT_EQ(12u - 1u, CommandsOf(frame->TopMenu(2)).size());
  EXPECT_TRUE(InMenus(*frame, 32822));
}

}  // namespace
