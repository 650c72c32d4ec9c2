// The main window as start-up builds it (the program's window hooks: the
// main frame with the real host, the view, the menu rights), logged in at
// the local stand-in server (started on a free loopback port for this suite
// and stopped after it).

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QTest>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "platform/MessageBox.h"
#include "server/ServerLink.h"
#include "shell/AppWindowHooks.h"
#include "shell/BrantleClientApp.h"
#include "shell/BrantleClientView.h"
#include "shell/MainFrame.h"
#include "tests/QtTestSupport.h"
#include "tests/server/StandInServer.h"
#include "tests/shell/ShellTestSupport.h"
#include "tests/shell/ViewTestSupport.h"

namespace {

namespace fs = std::filesystem;
using shelltest::TempFolder;
using viewtest::RecordingPage;

std::string ConfigText(int port) {
  return GbkFromWide(u"<配置开始>") + "\r\nHOST=127.0.0.1\r\nAPI=/brantle/api\r\nLAN=00\r\n" +
         "WCID=PC-WINDOW\r\nPORT=" + std::to_string(port) + "\r\n" + GbkFromWide(u"<配置结束>") +
         "\r\n";
}

class MainWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = std::make_unique<TempFolder>();
    server_ = std::make_unique<StandInServer>(BRANTLE_BINARY_DIR "/localserver/brantle-server",
                                              root_->Path() / "server");
  }
  static void TearDownTestSuite() {
    server_.reset();
    root_.reset();
  }
  void SetUp() override {
    ASSERT_TRUE(server_->Ready()) << server_->Log();
    std::ofstream(folder_.Path() / "ZizTolvane.ini", std::ios::binary)
        << ConfigText(server_->Port());
    app_.SetProgramFolder(folder_.Folder());
    ASSERT_EQ(1, app_.Link().Init(folder_.Folder()));
    shelltest::LoadProgramLanguage("00");
    app_.screenWidth = 1024;
    app_.screenHeight = 768;
    InstallWindowHooks(app_);
    app_.pageFactory = [this](int index) { return std::make_unique<RecordingPage>(&log_, index); };
  }
  void TearDown() override { CloseMainWindow(); }

  // Logs in and builds the main window as start-up does: the frame with its
  // view, the menu captions and rights, the window shown.
  CMainFrame* OpenMainWindow(std::u16string_view account, std::u16string_view password) {
    if (app_.Link().Login(account, password, 0) <= 0) return nullptr;
    if (!app_.hooks.createMainWindow(app_)) return nullptr;
    app_.LocalizeMenu();
    app_.hooks.showMainWindow(app_);
    return dynamic_cast<CMainFrame*>(app_.mainWindow);
  }
  void CloseMainWindow() {
    delete app_.mainWindow;
    app_.mainWindow = nullptr;
    app_.Link().Logout();
    log_.clear();
  }
  CBrantleClientView* View() const {
    auto* frame = dynamic_cast<CMainFrame*>(app_.mainWindow);
    return frame ? dynamic_cast<CBrantleClientView*>(frame->centralWidget()) : nullptr;
  }
  RecordingPage* Page(int index) const {
    return static_cast<RecordingPage*>(View()->Page(index));
  }

  static std::unique_ptr<TempFolder> root_;
  static std::unique_ptr<StandInServer> server_;
  TempFolder folder_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
  CBrantleClientApp app_;
  viewtest::Log log_;
};

std::unique_ptr<TempFolder> MainWindowTest::root_;
std::unique_ptr<StandInServer> MainWindowTest::server_;

// ---- rights before the first page ----

TEST_F(MainWindowTest, TheFirstPageShownIsOneTheUserMayUse) {
  const struct {
    const char16_t* account;
    const char16_t* password;
    int firstPage;
  } users[] = {
      {u"admin", u"admin123", 0},
      // Only rights flag 0: quick entry, full entry, record check and
      // hand-over are refused; the directory page needs no right.
      {u"li", u"li@2024", 4},
  };
  for (const auto& user : users) {
    SCOPED_TRACE(QString::fromStdU16String(user.account).toStdString());
    CMainFrame* frame = OpenMainWindow(user.account, user.password);
    ASSERT_NE(nullptr, frame);
    CBrantleClientView* view = View();
    ASSERT_NE(nullptr, view);
    EXPECT_EQ(user.firstPage, view->CurrentIndex());
    for (int index = 0; index < user.firstPage; ++index) {
      EXPECT_FALSE(Page(index)->created) << index;
      EXPECT_TRUE(Page(index)->Calls().empty()) << index;
    }

    // Save reaches the page shown, from the menu and from Ctrl+S.
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    Page(user.firstPage)->saveEnabled = true;
    frame->UpdateCommandUi();
    Page(user.firstPage)->ClearCalls();
    frame->ExecuteCommand(32772);
    QTest::keyClick(frame, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ((std::vector<std::string>{"OnSave", "OnSave"}), Page(user.firstPage)->Calls());

    // The refused pages stay out of reach, by their commands and directly.
    for (int index = 0; index < user.firstPage; ++index) {
      frame->ExecuteCommand(kPageCommands[static_cast<size_t>(index)]);
      view->ShowPage(index);
      EXPECT_EQ(user.firstPage, view->CurrentIndex()) << index;
      EXPECT_FALSE(Page(index)->created) << index;
      EXPECT_TRUE(Page(index)->Calls().empty()) << index;
    }
    CloseMainWindow();
  }
}

}  // namespace
