// The entry pages in the real main window against the stand-in server, as
// a new operator meets them: "abc" keyed into a weight and saved with
// Ctrl+S never stores a weight of 0 (page 1 keeps the stored 2.500 kg, page
// 0 names the field and saves nothing).

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/ViewPages.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "entry/QuickEntryDlg.h"
#include "entry/QuickEntryPage.h"
#include "entry/WaybillForm.h"
#include "entry/WaybillPage.h"
#include "platform/MessageBox.h"
#include "server/ServerLink.h"
#include "shell/AppWindowHooks.h"
#include "shell/BrantleClientApp.h"
#include "shell/BrantleClientView.h"
#include "shell/MainFrame.h"
#include "tests/QtTestSupport.h"
#include "tests/shell/ShellTestSupport.h"
#include "tests/shell/StandInSuite.h"
#include "ui/ScanStationDlg.h"
#include "ui/ViewCommands.h"

namespace {

class EntryWindowTest : public shelltest::StandInSuite {
 protected:
  void SetUp() override {
    StandInSuite::SetUp();
    if (HasFatalFailure()) return;
    std::ofstream(folder_.Path() / "ZizTolvane.ini", std::ios::binary)
        << shelltest::StandInConfigText(server_->Port(), "PC-ENTRYWIN");
    app_.SetProgramFolder(folder_.Folder());
    ASSERT_EQ(1, app_.Link().Init(folder_.Folder()));
    shelltest::LoadProgramLanguage("00");
    app_.screenWidth = 1280;
    app_.screenHeight = 900;
    InstallWindowHooks(app_);
    app_.pageFactory = CreateViewPage;  // the pages the program hands the view
    ASSERT_GT(app_.Link().Login(u"admin", u"admin123", 0), 0);
    ASSERT_TRUE(app_.LoadServiceKinds());
    app_.RefreshClientList();
    app_.RefreshDestinations();
    ASSERT_TRUE(app_.hooks.createMainWindow(app_));
    app_.LocalizeMenu();
    app_.hooks.showMainWindow(app_);
    ASSERT_NE(nullptr, View());
    QApplication::setActiveWindow(app_.mainWindow);
    ASSERT_TRUE(QTest::qWaitForWindowActive(app_.mainWindow));
  }
  void TearDown() override {
    delete app_.mainWindow;
    app_.mainWindow = nullptr;
    app_.Link().Logout();
  }

  CBrantleClientView* View() const {
    auto* frame = dynamic_cast<CMainFrame*>(app_.mainWindow);
    return frame ? dynamic_cast<CBrantleClientView*>(frame->centralWidget()) : nullptr;
  }
  QWidget* Focus() const { return QApplication::focusWidget(); }
  void Keys(const char* text) { QTest::keyClicks(Focus(), text); }
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(Focus(), key, modifiers);
  }
  double StoredWeight(const char* number) {
    const int32_t id = app_.Link().FindWaybillId(0, number, false);
    if (id <= 0) return -1;
    CServerLink::ReplyGuard guard = app_.Link().LockReply();
    if (app_.Link().FetchRecord(id, std::nullopt, {}) <= 0) return -1;
    return JsonGetDouble("fWeight", guard.Text(), -1);
  }

  shelltest::TempFolder folder_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
  CBrantleClientApp app_;
};

TEST_F(EntryWindowTest, PageOneKeepsTheStoredWeightWhenAbcIsKeyed) {
  ASSERT_DOUBLE_EQ(2.5, StoredWeight("BR10000005"));
  ASSERT_TRUE(View()->OnCommand(kPageCommands[1]));
  auto* page = dynamic_cast<CWaybillPage*>(View()->CurrentPage());
  ASSERT_NE(nullptr, page);
  CWaybillDlg* form = page->Form();
  form->SearchBox(0)->setFocus();
  Keys("BR10000005");
  Key(Qt::Key_Return);
  ASSERT_GT(form->State().loadedId, 0) << Utf8FromWide(boxes_.LastText());
  QLineEdit* weight = form->NumberEdit(kFfWeight);
  weight->setFocus();
  weight->selectAll();
  Keys("abc");
  Key(Qt::Key_S, Qt::ControlModifier);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return form->State().loadedId == 0; }))
      << Utf8FromWide(boxes_.LastText());
  EXPECT_DOUBLE_EQ(2.5, StoredWeight("BR10000005"));
}

TEST_F(EntryWindowTest, PageZeroRefusesAWeightThatIsNoNumber) {
  ASSERT_TRUE(View()->OnCommand(kPageCommands[0]));
  auto* page = dynamic_cast<CQuickEntryPage*>(View()->CurrentPage());
  ASSERT_NE(nullptr, page);
  CQuickEntryDlg* form = page->Form();
  form->SelectKindByCode(GbkFromWide(u"ZIZ国际"));
  ASSERT_TRUE(form->SelectCustomer(1));
  form->FocusKind(2);
  Keys("BR11000777");
  form->FocusKind(4);
  Keys("abc");
  boxes_.Clear();
  Key(Qt::Key_S, Qt::ControlModifier);
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ(u"重量必须是数字。", boxes_.LastText());
  EXPECT_EQ(form->SlotEdit(form->SlotOfKind(4)), Focus());
  EXPECT_EQ(QStringLiteral("abc"), form->SlotEdit(form->SlotOfKind(4))->text());
  EXPECT_EQ(0, app_.Link().FindWaybillId(0, "BR11000777", false));
}

// The full form's "扫描站" button opens the scan station over the form,
// modal, with page 1 as the window it tells; its close button ends it.
TEST_F(EntryWindowTest, TheFullFormOpensTheScanStationForPageOne) {
  ASSERT_TRUE(View()->OnCommand(kPageCommands[1]));
  auto* page = dynamic_cast<CWaybillPage*>(View()->CurrentPage());
  ASSERT_NE(nullptr, page);
  QPushButton* button = page->Form()->ScanStationButton();
  ASSERT_NE(nullptr, button);
  EXPECT_EQ(QStringLiteral("扫描站"), button->text());
  bool seen = false;
  QTimer::singleShot(0, [&] {
    auto* station = qobject_cast<CScanStationDlg*>(QApplication::activeModalWidget());
    if (station == nullptr) return;
    seen = true;
    EXPECT_EQ(static_cast<QObject*>(page), station->target.data());
    EXPECT_EQ(page->Form(), station->parentWidget());
    EXPECT_TRUE(station->isModal());
    station->CloseButton()->click();
  });
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_TRUE(seen);
  EXPECT_EQ(nullptr, QApplication::activeModalWidget());
}

}  // namespace
