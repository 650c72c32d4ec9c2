// The main window as start-up builds it (the program's window hooks: the
// main frame with the real host, the view, the menu rights), logged in at
// the local stand-in server (started on a free loopback port for this suite
// and stopped after it).

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QLineEdit>
#include <QMenuBar>
#include <QToolBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "platform/MessageBox.h"
#include "server/ServerLink.h"
#include "shell/AboutDlg.h"
#include "shell/AppNeighbours.h"
#include "shell/AppSettings.h"
#include "shell/AppWindowHooks.h"
#include "shell/BrantleClientApp.h"
#include "shell/BrantleClientView.h"
#include "shell/MainFrame.h"
#include "shell/ScaleSettingsDlg.h"
#include "shell/ScreenLockDlg.h"
#include "ui/CommonPhrasesDlg.h"
#include "tests/QtTestSupport.h"
#include "tests/server/StandInServer.h"
#include "tests/shell/StandInSuite.h"
#include "tests/shell/ShellTestSupport.h"
#include "tests/shell/ViewTestSupport.h"
#include "tests/ui/SuggestSources.h"

namespace {

namespace fs = std::filesystem;
using shelltest::TempFolder;
using viewtest::RecordingPage;


// Saves a picture of a widget under <build>/screenshots for a person to look
// at.
void SaveScreenshot(QWidget& widget, const QString& name) {
  QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
  const QString path = QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/") + name + ".png";
  EXPECT_TRUE(widget.grab().save(path)) << path.toStdString();
}

// Answers the next modal dialog from a zero-time timer, as the operator
// would: `answer` gets the dialog when it is of the expected class.  Wait
// on Answered() after running the command.
template <class Dialog>
class ModalAnswer {
 public:
  explicit ModalAnswer(std::function<void(Dialog&)> answer) {
    QTimer::singleShot(0, [this, answer = std::move(answer)] {
      QWidget* modal = QApplication::activeModalWidget();
      dialog_ = qobject_cast<Dialog*>(modal);
      if (dialog_ != nullptr) {
        answer(*dialog_);
      } else if (auto* other = qobject_cast<QDialog*>(modal)) {
        other->reject();  // not the dialog expected: do not hang
      }
      answered_ = true;
    });
  }
  bool Answered() const { return answered_; }
  // Whether the dialog that came up was of the expected class.
  bool Seen() const { return dialog_ != nullptr; }

 private:
  Dialog* dialog_ = nullptr;
  bool answered_ = false;
};

// A page that counts the key presses and mouse clicks reaching it.
class InputPage : public RecordingPage {
 public:
  using RecordingPage::RecordingPage;
  int keys = 0;
  int clicks = 0;

 protected:
  void keyPressEvent(QKeyEvent*) override { ++keys; }
  void mousePressEvent(QMouseEvent*) override { ++clicks; }
};

// Whether every pixel of an area of an image has one colour.
bool OneColour(const QImage& image, const QRect& area) {
  const QRect inside = area.intersected(image.rect());
  if (inside.isEmpty()) return false;
  const QRgb first = image.pixel(inside.topLeft());
  for (int y = inside.top(); y <= inside.bottom(); ++y)
    for (int x = inside.left(); x <= inside.right(); ++x)
      if (image.pixel(x, y) != first) return false;
  return true;
}

// Catches the addresses handed to the desktop's browser.
class UrlCatcher : public QObject {
  Q_OBJECT

 public:
  UrlCatcher() {
    QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "Open");
    QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "Open");
  }
  ~UrlCatcher() override {
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
  }
  Q_INVOKABLE void Open(const QUrl& url) { opened.push_back(url.toString().toStdString()); }
  std::vector<std::string> opened;
};

class MainWindowTest : public shelltest::StandInSuite {
 protected:
  void SetUp() override {
    StandInSuite::SetUp();
    if (HasFatalFailure()) return;
    std::ofstream(folder_.Path() / "ZizTolvane.ini", std::ios::binary)
        << shelltest::StandInConfigText(server_->Port(), "PC-WINDOW");
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

  TempFolder folder_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
  CBrantleClientApp app_;
  viewtest::Log log_;
};


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

// ---- commands of the application and the view through the real host ----

TEST_F(MainWindowTest, AboutOpensTheAboutDialog) {
  CMainFrame* frame = OpenMainWindow(u"admin", u"admin123");
  ASSERT_NE(nullptr, frame);
  ModalAnswer<CAboutDlg> answer([](CAboutDlg& dialog) {
    SaveScreenshot(dialog, QStringLiteral("about_from_menu"));
    dialog.accept();
  });
  frame->ExecuteCommand(kCmdAppAbout);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return answer.Answered(); }));
  EXPECT_TRUE(answer.Seen());
  EXPECT_EQ(nullptr, QApplication::activeModalWidget());
}

TEST_F(MainWindowTest, CompanyWebSiteOpensOnlyWebAddressesInTheBrowser) {
  CMainFrame* frame = OpenMainWindow(u"admin", u"admin123");
  ASSERT_NE(nullptr, frame);
  UrlCatcher browser;
  const struct {
    const char16_t* setting;
    const char* opened;  // null: nothing opened
  } cases[] = {
      {u"http://www.example.com", "http://www.example.com"},
      {u"www.example.com/depot", "http://www.example.com/depot"},
      {u"https://example.com/a?b=1", "https://example.com/a?b=1"},
      {u"file:///etc/passwd", nullptr},
      {u"", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(QString::fromStdU16String(c.setting).toStdString());
    browser.opened.clear();
    app_.Settings().companyWebAddress = c.setting;
    frame->ExecuteCommand(kCmdCompanyWebSite);
    if (c.opened) {
      EXPECT_EQ(std::vector<std::string>{c.opened}, browser.opened);
    } else {
      EXPECT_TRUE(browser.opened.empty());
    }
  }
}

TEST_F(MainWindowTest, CommonPromptsAreEditedSavedAndTakenOnOkOnly) {
  CMainFrame* frame = OpenMainWindow(u"admin", u"admin123");
  ASSERT_NE(nullptr, frame);
  app_.SetPrompts(u"易碎物品\r\n小心轻放");
  const fs::path file = folder_.Path() / "prompt.dat";

  // Cancel: nothing written, nothing said.
  {
    ModalAnswer<CCommonPhrasesDlg> answer([](CCommonPhrasesDlg& dialog) {
      dialog.Edit()->setPlainText(QStringLiteral("thrown away\n"));
      dialog.CancelButton()->click();
    });
    frame->ExecuteCommand(32793);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return answer.Answered(); }));
    EXPECT_TRUE(answer.Seen());
  }
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ(0u, boxes_.Count());
  EXPECT_EQ((std::vector<std::u16string>{u"易碎物品", u"小心轻放"}), app_.prompts);

  // OK: the file holds the edited prompts, the list follows, and the
  // operator is told.
  QString shown;
  {
    ModalAnswer<CCommonPhrasesDlg> answer([&](CCommonPhrasesDlg& dialog) {
      shown = dialog.Edit()->toPlainText();
      dialog.Edit()->setPlainText(QStringLiteral("请勿倒置\nKeep dry\n"));
      SaveScreenshot(dialog, QStringLiteral("common_prompts"));
      dialog.OkButton()->click();
    });
    frame->ExecuteCommand(32793);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return answer.Answered(); }));
    EXPECT_TRUE(answer.Seen());
  }
  EXPECT_EQ(QStringLiteral("易碎物品\n小心轻放\n"), shown);
  std::ifstream in(file, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(std::u16string(u"请勿倒置\r\nKeep dry\r\n").size() * 2, bytes.size());
  EXPECT_EQ((std::vector<std::u16string>{u"请勿倒置", u"Keep dry"}), app_.prompts);
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ(u"提示输入信息设置成功。", boxes_.LastText());
  app_.prompts.clear();
  app_.LoadPrompts();
  EXPECT_EQ((std::vector<std::u16string>{u"请勿倒置", u"Keep dry"}), app_.prompts);
}

TEST_F(MainWindowTest, CommonPromptsThatCannotBeWrittenAreReported) {
  CMainFrame* frame = OpenMainWindow(u"admin", u"admin123");
  ASSERT_NE(nullptr, frame);
  // A folder nobody may write to (a read-only folder would not stop the
  // superuser).
  app_.SetProgramFolder("/proc");
  ModalAnswer<CCommonPhrasesDlg> answer([](CCommonPhrasesDlg& dialog) {
    dialog.Edit()->setPlainText(QStringLiteral("请勿倒置\n"));
    dialog.OkButton()->click();
  });
  frame->ExecuteCommand(32793);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return answer.Answered(); }));
  app_.SetProgramFolder(folder_.Folder());
  EXPECT_TRUE(answer.Seen());
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ(AppLanguage().Text(kPromptsNotSavedTextId), boxes_.LastText());
  EXPECT_NE(u"???", boxes_.LastText());
  EXPECT_EQ(platform::kMbOk | platform::kMbIconError, boxes_.Messages()[0].flags);
  EXPECT_FALSE(fs::exists("/proc/prompt.dat"));
  // The prompts still serve this run.
  EXPECT_EQ(std::vector<std::u16string>{u"请勿倒置"}, app_.prompts);
}

TEST_F(MainWindowTest, ScaleSettingsShowTheSettingsHeld) {
  CMainFrame* frame = OpenMainWindow(u"admin", u"admin123");
  ASSERT_NE(nullptr, frame);
  app_.ScaleReader().settings.baudRate = 9600;
  std::vector<QString> values;
  ModalAnswer<CScaleSettingsDlg> answer([&](CScaleSettingsDlg& dialog) {
    for (QLineEdit* field : {dialog.BaudRateField(), dialog.DataBitsField(),
                             dialog.FrameLengthField(), dialog.StartCharacterField()}) {
      values.push_back(field->text());
    }
    values.push_back(dialog.windowTitle());
    SaveScreenshot(dialog, QStringLiteral("scale_settings"));
    dialog.CancelButton()->click();
  });
  frame->ExecuteCommand(32823);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return answer.Answered(); }));
  EXPECT_TRUE(answer.Seen());
  EXPECT_EQ((std::vector<QString>{"9600", "8", "18", "=", QStringLiteral("本机电子磅秤参数设定")}),
            values);
  EXPECT_EQ(QStringLiteral("0x02"), CScaleSettingsDlg::StartByteText(2));
  EXPECT_EQ(QStringLiteral("0x7F"), CScaleSettingsDlg::StartByteText(127));
  EXPECT_EQ(QStringLiteral("~"), CScaleSettingsDlg::StartByteText(126));
}

// The waybill query dialog of the view searches the application's client
// list and destination table from its customer and destination boxes.
TEST_F(MainWindowTest, WaybillQueryPopupsSearchTheApplicationsTables) {
  CMainFrame* frame = OpenMainWindow(u"admin", u"admin123");
  ASSERT_NE(nullptr, frame);
  suggesttest::FillClients(app_.ClientList(),
                           {suggesttest::ClientRow(7, "QD01", GbkFromWide(u"青岛海运"))});
  suggesttest::FillDestinations(app_.Destinations());
  CWaybillQueryDlg& dialog = View()->waybillQueryDlg;
  dialog.InitDialog();
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  QLineEdit* customer = dialog.Ui().customer;
  customer->setFocus();
  QTest::keyClicks(customer, QStringLiteral("qd"));
  ASSERT_TRUE(dialog.Ui().customerPopup->isVisible());
  QTest::keyClick(customer, Qt::Key_Return);
  EXPECT_EQ(7, dialog.customerId);
  EXPECT_EQ(QString::fromUtf16(u"青岛海运"), customer->text());
  QLineEdit* destination = dialog.Ui().destination;
  destination->setFocus();
  QTest::keyClicks(destination, QStringLiteral("gb"));
  ASSERT_TRUE(dialog.Ui().destinationPopup->isVisible());
  QTest::keyClick(destination, Qt::Key_1, Qt::ControlModifier);
  EXPECT_EQ(QString::fromUtf16(u"英国"), destination->text());
  dialog.hide();
}

// ---- screen lock ----

TEST_F(MainWindowTest, TheLockCoversTheWindowAndTakesAllInputUntilUnlocked) {
  app_.pageFactory = [this](int index) { return std::make_unique<InputPage>(&log_, index); };
  CMainFrame* frame = OpenMainWindow(u"admin", u"admin123");
  ASSERT_NE(nullptr, frame);
  frame->Timer().stop();
  auto* page = static_cast<InputPage*>(View()->CurrentPage());
  ASSERT_NE(nullptr, page);
  page->grid->InsertColumn(0, 40, u"No", 0, kGridColumnAll);
  page->grid->InsertColumn(1, 300, u"Customer", 0, kGridColumnAll);
  for (int row = 0; row < 5; ++row) {
    page->grid->InsertRow(row);
    page->grid->SetCellText(row, 1, u"深圳华南贸易有限公司 C001");
  }
  page->saveEnabled = true;
  frame->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
  QApplication::processEvents();
  const QRect gridArea(page->grid->mapTo(frame, QPoint(0, 0)), page->grid->size());
  ASSERT_FALSE(OneColour(frame->grab().toImage(), gridArea));  // the list shows
  QTest::keyClick(page, Qt::Key_A);
  QTest::mouseClick(page, Qt::LeftButton);
  ASSERT_EQ(1, page->keys);
  ASSERT_EQ(1, page->clicks);

  bool checked = false;
  ModalAnswer<CScreenLockDlg> answer([&](CScreenLockDlg& lock) {
    EXPECT_TRUE(frame->Locked());
    // Nothing of the page is drawn: the window shows the cover alone.
    QApplication::processEvents();
    QImage image = frame->grab().toImage();
    EXPECT_TRUE(OneColour(image, frame->rect()));
    EXPECT_FALSE(page->isVisible());
    EXPECT_FALSE(page->grid->isVisible());
    // Keys, clicks and commands do not reach the program.
    page->ClearCalls();
    QTest::keyClick(page, Qt::Key_A);
    QTest::mouseClick(page, Qt::LeftButton);
    QTest::keyClick(page->grid, Qt::Key_Down);
    QTest::keyClick(frame, Qt::Key_S, Qt::ControlModifier);
    frame->ExecuteCommand(32772);
    frame->ExecuteCommand(32789);
    EXPECT_EQ(1, page->keys);
    EXPECT_EQ(1, page->clicks);
    EXPECT_TRUE(page->Calls().empty());
    EXPECT_EQ(0, View()->CurrentIndex());
    // The locked window with its unlock box on it, for a person to look at.
    const QPoint boxAt = lock.mapToGlobal(QPoint(0, 0)) - frame->mapToGlobal(QPoint(0, 0));
    QPainter painter(&image);
    painter.drawImage(boxAt, lock.grab().toImage());
    painter.end();
    QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
    EXPECT_TRUE(image.save(QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/locked_window.png")));
    // The unlock box takes the password.
    lock.PasswordEdit()->setText(QStringLiteral("admin123"));
    lock.UnlockButton()->click();
    checked = true;
  });
  frame->ExecuteCommand(kCmdLock);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return answer.Answered(); }));
  ASSERT_TRUE(answer.Seen());
  ASSERT_TRUE(checked);

  // Unlocked: everything is back.
  EXPECT_FALSE(frame->Locked());
  QApplication::processEvents();
  EXPECT_TRUE(page->isVisible());
  EXPECT_TRUE(page->grid->isVisible());
  EXPECT_FALSE(frame->LockCover()->isVisible());
  EXPECT_FALSE(OneColour(frame->grab().toImage(), gridArea));
  QTest::keyClick(page, Qt::Key_A);
  QTest::mouseClick(page, Qt::LeftButton);
  EXPECT_EQ(2, page->keys);
  EXPECT_EQ(2, page->clicks);
  page->ClearCalls();
  frame->ExecuteCommand(32772);
  EXPECT_EQ(std::vector<std::string>{"OnSave"}, page->Calls());
  EXPECT_TRUE(frame->menuBar()->isEnabled());
  EXPECT_TRUE(frame->ToolBar()->isEnabled());
}

}  // namespace

#include "MainWindowTest.moc"
