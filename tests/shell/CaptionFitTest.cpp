// Every page of the main window and every dialog, in Chinese and in English,
// shows the whole text of each label, button and check box: the captions
// are measured with their fonts against their widgets, and every one that
// does not fit is named.  The main window is built as start-up builds it,
// logged in at the local stand-in server, with the program's own pages.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>

#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/ViewPages.h"
#include "common/LanguageTable.h"
#include "devices/ScaleFrames.h"
#include "devices/ScaleReader.h"
#include "entry/GoodsListDlg.h"
#include "entry/QuickEntrySettingsDlg.h"
#include "entry/WaybillSubDlg.h"
#include "platform/MessageBox.h"
#include "print/PrinterAssignRows.h"
#include "print/TemplatePrinterList.h"
#include "server/ServerLink.h"
#include "shell/AboutDlg.h"
#include "shell/AppWindowHooks.h"
#include "shell/BrantleClientApp.h"
#include "shell/BrantleClientView.h"
#include "shell/LoginDlg.h"
#include "shell/MainFrame.h"
#include "shell/PasswordChangeDlg.h"
#include "shell/ScaleSettingsDlg.h"
#include "shell/ScreenLockDlg.h"
#include "shipping/CourierMessageDlg.h"
#include "shipping/HandOverDialogs.h"
#include "shipping/FileUpdateDlg.h"
#include "shipping/RecordViewDlg.h"
#include "shipping/RecordViewPage.h"
#include "shipping/TrackingEditorDlg.h"
#include "tests/shell/ShellTestSupport.h"
#include "tests/shell/StandInSuite.h"
#include "tests/ui/CaptionFit.h"
#include "ui/AwbQueryDlg.h"
#include "ui/BagQueryDlg.h"
#include "ui/CommonPhrasesDlg.h"
#include "ui/CustomerQueryDlg.h"
#include "ui/CustomerWaybillQueryDlg.h"
#include "ui/JapanAddressDlg.h"
#include "ui/ListPickDlg.h"
#include "ui/MultiSelectDlg.h"
#include "ui/PrintConfirmDlg.h"
#include "ui/PrinterAssignDlg.h"
#include "ui/TemplateChoiceDlg.h"
#include "ui/WaybillQueryDlg.h"
#include "ui/WorldCityDlg.h"

namespace {

using shelltest::TempFolder;

class CaptionFitTest : public shelltest::StandInSuite,
                       public ::testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override {
    StandInSuite::SetUp();
    if (HasFatalFailure()) return;
    std::ofstream(folder_.Path() / "ZizTolvane.ini", std::ios::binary)
        << testsupport::StandInConfigText(server_->Port(), GetParam(), "PC-CAPTIONS");
    app_.SetProgramFolder(folder_.Folder());
    ASSERT_EQ(1, app_.Link().Init(folder_.Folder()));
    shelltest::LoadProgramLanguage(GetParam());
    app_.screenWidth = 1024;
    app_.screenHeight = 768;
    InstallWindowHooks(app_);
    app_.pageFactory = CreateViewPage;
    ASSERT_GT(app_.Link().Login(u"admin", u"admin123", 0), 0);
    ASSERT_TRUE(app_.LoadDictionaries());
    ASSERT_TRUE(app_.LoadServiceKinds());
    ASSERT_TRUE(app_.hooks.createMainWindow(app_));
    app_.LocalizeMenu();
    app_.hooks.showMainWindow(app_);
    frame_ = dynamic_cast<CMainFrame*>(app_.mainWindow);
    ASSERT_NE(nullptr, frame_);
    frame_->resize(1024, 740);
  }
  void TearDown() override {
    delete app_.mainWindow;
    app_.mainWindow = nullptr;
    app_.Link().Logout();
  }

  CBrantleClientView* View() const {
    return dynamic_cast<CBrantleClientView*>(frame_->centralWidget());
  }
  QString Where(const char* what) const {
    return QString::fromLatin1(what) + QLatin1Char('_') + QString::fromLatin1(GetParam());
  }

  // Shows the dialog as it opens (its start-up step first), measures its
  // captions and saves a picture of it.
  template <typename Dialog>
  void Measure(Dialog& dialog, const char* name) {
    if constexpr (requires { dialog.InitDialog(); }) dialog.InitDialog();
    dialog.show();
    QApplication::processEvents();
    Collect(dialog, name);
    dialog.close();
  }
  void Collect(QWidget& window, const char* name) {
    for (std::string& line : testsupport::ClippedCaptions(&window, Where(name)))
      clipped_.push_back(std::move(line));
    QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots/captions");
    window.grab().save(QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/captions/") + Where(name) +
                       ".png");
  }
  std::string Report() const {
    std::string all;
    for (const std::string& line : clipped_) all += line + "\n";
    return all;
  }

  TempFolder folder_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
  CBrantleClientApp app_;
  CMainFrame* frame_ = nullptr;
  std::vector<std::string> clipped_;
};

TEST_P(CaptionFitTest, EveryPageShowsItsWholeCaptions) {
  CBrantleClientView* view = View();
  ASSERT_NE(nullptr, view);
  for (int index = 0; index < 17; ++index) {
    view->ShowPage(index);
    QApplication::processEvents();
    ASSERT_EQ(index, view->CurrentIndex());
    const std::string name = "page" + std::to_string(index);
    Collect(*frame_, name.c_str());
  }
  EXPECT_TRUE(clipped_.empty()) << Report();
}

TEST_P(CaptionFitTest, EveryDialogShowsItsWholeCaptions) {
  CBrantleClientView* view = View();
  ASSERT_NE(nullptr, view);
  {
    CLoginDlg dialog(1, app_.Link(), folder_.Folder());
    Measure(dialog, "login");
  }
  {
    CAboutDlg dialog;
    Measure(dialog, "about");
  }
  {
    CPasswordChangeDlg dialog(false);
    Measure(dialog, "password");
  }
  {
    CScreenLockDlg dialog(app_.Link());
    Measure(dialog, "screenlock");
  }
  {
    CScaleReader reader;
    CScaleSettingsDlg dialog(reader, [] { return 0; });
    Measure(dialog, "scale");
  }
  {
    std::vector<std::u16string> prompts = {u"易碎"};
    CCommonPhrasesDlg dialog(prompts);
    Measure(dialog, "phrases");
  }
  Measure(view->waybillQueryDlg, "waybillquery");
  {
    CListPickDlg dialog;
    Measure(dialog, "listpick");
  }
  {
    CMultiSelectDlg dialog;
    Measure(dialog, "multiselect");
  }
  for (int kind : {0, 1, 2}) {
    CPrintConfirmDlg dialog(kind);
    Measure(dialog, ("printconfirm" + std::to_string(kind)).c_str());
  }
  {
    CTemplatePrinterList list;
    CPrinterAssignDlg dialog({u"PDF"}, {}, list);
    Measure(dialog, "printerassign");
  }
  {
    CTemplateChoiceDlg dialog;
    Measure(dialog, "templatechoice");
  }
  {
    QObject owner;
    CWorldCityDlg dialog(app_.AddressLibrary(), &app_.Destinations(), &owner);
    Measure(dialog, "worldcity");
  }
  {
    CJapanAddressDlg dialog(nullptr);
    Measure(dialog, "japanaddress");
  }
  {
    CAwbQueryDlg dialog;
    Measure(dialog, "awbquery");
  }
  {
    CBagQueryDlg dialog;
    Measure(dialog, "bagquery");
  }
  {
    CCustomerQueryDlg dialog;
    Measure(dialog, "customerquery");
  }
  {
    CCustomerWaybillQueryDlg dialog(1, u"深圳华南贸易有限公司");
    Measure(dialog, "customerwaybillquery");
  }
  {
    CGoodsListDlg dialog;
    Measure(dialog, "goodslist");
  }
  {
    CQuickEntrySettingsDlg dialog;
    Measure(dialog, "quickentrysettings");
  }
  {
    CExtraNumbersDlg dialog;
    Measure(dialog, "extranumbers");
  }
  {
    CSpareFieldsDlg dialog;
    Measure(dialog, "sparefields");
  }
  {
    CCodFreightDlg dialog;
    Measure(dialog, "codfreight");
  }
  {
    std::vector<std::u16string> list;
    CSendMasterPickDlg dialog(&app_, list);
    Measure(dialog, "sendmasterpick");
  }
  for (int flag : {0, 1}) {
    CSendRecordQueryDlg dialog(&app_, flag);
    Measure(dialog, ("sendrecordquery" + std::to_string(flag)).c_str());
  }
  {
    CFileUpdateDlg dialog;
    Measure(dialog, "fileupdate");
  }
  {
    CWeChatSendDlg dialog(1, u"oBR2customer0000000000000002", u"C002", u"Amy");
    Measure(dialog, "wechatsend");
  }
  {
    view->ShowPage(8);
    auto* page = dynamic_cast<CRecordViewPage*>(view->Page(8));
    ASSERT_NE(nullptr, page);
    ASSERT_NE(nullptr, page->view);
    CTrackEditDlg* editor = page->view->trackEditor;
    ASSERT_NE(nullptr, editor);
    editor->Open(5, u"2024-03-06", u"BR10000005");
    QApplication::processEvents();
    Collect(*editor, "trackeditor");
    editor->close();
  }
  EXPECT_TRUE(clipped_.empty()) << Report();
}

INSTANTIATE_TEST_SUITE_P(Languages, CaptionFitTest, ::testing::Values("00", "01"));

}  // namespace
