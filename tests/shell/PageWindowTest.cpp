// The main window as start-up builds it, with the program's own pages,
// logged in at the stand-in server: the main frame's shortcuts pressed in the
// entry forms of pages 0 to 3, and page 13 reached and queried from the menu
// and the toolbar.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/ViewPages.h"
#include "entry/QuickEntryPage.h"
#include "entry/WaybillPage.h"
#include "platform/MessageBox.h"
#include "shell/AppWindowHooks.h"
#include "shell/BrantleClientApp.h"
#include "shell/BrantleClientView.h"
#include "shell/MainFrame.h"
#include "shipping/RecordCheckPage.h"
#include "shipping/RecordQueryPage.h"
#include "shipping/SendScanPage.h"
#include "tests/QtTestSupport.h"
#include "tests/WaitUntil.h"
#include "tests/shell/ShellTestSupport.h"
#include "tests/shell/StandInSuite.h"
#include "ui/ListGrid.h"
#include "ui/ViewCommands.h"
#include "ui/WaybillQueryDlg.h"

namespace {

using Log = std::vector<std::string>;

// A page of the program that notes the frame commands reaching it instead
// of running them.
template <class Page>
class FrameCommandSpy : public Page {
 public:
  explicit FrameCommandSpy(Log* log) : log_(log) {}
  void OnSave() override { log_->push_back("save"); }
  void OnQuery() override { log_->push_back("query"); }
  void OnFilePrint() override { log_->push_back("print"); }

 private:
  Log* log_;
};

void SaveScreenshot(QWidget& widget, const QString& name) {
  QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
  const QString path = QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/") + name + ".png";
  EXPECT_TRUE(widget.grab().save(path)) << path.toStdString();
}

class PageWindowTest : public shelltest::StandInSuite {
 protected:
  void SetUp() override {
    StandInSuite::SetUp();
    if (HasFatalFailure()) return;
    std::ofstream(folder_.Path() / "ZizTolvane.ini", std::ios::binary)
        << shelltest::StandInConfigText(server_->Port(), "PC-PAGES");
    app_.SetProgramFolder(folder_.Folder());
    ASSERT_EQ(1, app_.Link().Init(folder_.Folder()));
    shelltest::LoadProgramLanguage("00");
    app_.screenWidth = 1280;
    app_.screenHeight = 800;
    InstallWindowHooks(app_);
    app_.pageFactory = [this](int index) -> std::unique_ptr<CViewPage> {
      switch (index) {
        case 0: return std::make_unique<FrameCommandSpy<CQuickEntryPage>>(&log_);
        case 1: return std::make_unique<FrameCommandSpy<CWaybillPage>>(&log_);
        case 2: return std::make_unique<FrameCommandSpy<CRecordCheckPage>>(&log_);
        case 3: return std::make_unique<FrameCommandSpy<CSendScanPage>>(&log_);
        default: return CreateViewPage(index);
      }
    };
  }
  void TearDown() override {
    delete app_.mainWindow;
    app_.mainWindow = nullptr;
    app_.Link().Logout();
  }

  CMainFrame* OpenMainWindow() {
    if (app_.Link().Login(u"admin", u"admin123", 0) <= 0) return nullptr;
    if (!app_.hooks.createMainWindow(app_)) return nullptr;
    app_.LocalizeMenu();
    app_.hooks.showMainWindow(app_);
    auto* frame = dynamic_cast<CMainFrame*>(app_.mainWindow);
    if (frame != nullptr) {
      frame->activateWindow();
      if (!QTest::qWaitForWindowActive(frame)) return nullptr;
    }
    return frame;
  }
  CBrantleClientView* View() const {
    auto* frame = dynamic_cast<CMainFrame*>(app_.mainWindow);
    return frame ? dynamic_cast<CBrantleClientView*>(frame->centralWidget()) : nullptr;
  }

  shelltest::TempFolder folder_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
  CBrantleClientApp app_;
  Log log_;
};

// A frame shortcut pressed while a form has the focus reaches the form
// first: the frame's command runs only where the form passes the key on.
TEST_F(PageWindowTest, FrameShortcutsRunOnlyWhereTheEntryFormPassesTheKeyOn) {
  CMainFrame* frame = OpenMainWindow();
  ASSERT_NE(nullptr, frame);
  CBrantleClientView* view = View();
  ASSERT_NE(nullptr, view);
  // A dialog a form opens while it saves an empty waybill is closed, as the
  // operator would.
  QTimer closer;
  // The frame's print command shows the print dialog first: that it opened
  // is the command having run.
  QObject::connect(&closer, &QTimer::timeout, [this] {
    auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (modal == nullptr) return;
    if (qobject_cast<QPrintDialog*>(modal) != nullptr) log_.push_back("print");
    modal->reject();
  });
  closer.start(50);
  struct Key {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
  };
  const Key keys[] = {{"Ctrl+S", Qt::Key_S, Qt::ControlModifier},
                      {"F2", Qt::Key_F2, Qt::NoModifier},
                      {"F4", Qt::Key_F4, Qt::NoModifier},
                      {"Ctrl+P", Qt::Key_P, Qt::ControlModifier}};
  // The frame command each key ran, page by page ("" for none).
  const struct {
    int page;
    const char* ran[4];
  } pages[] = {
      {0, {"", "save", "query", "print"}},      // quick entry: Ctrl+S saves in the form
      {1, {"", "save", "query", "print"}},      // full form: Ctrl+S saves in the form
      {2, {"save", "save", "query", "print"}},  // record check passes every one on
      {3, {"", "save", "query", "print"}},      // hand-over swallows Ctrl+S
  };
  for (const auto& p : pages) {
    SCOPED_TRACE("page " + std::to_string(p.page));
    frame->ExecuteCommand(kPageCommands[static_cast<size_t>(p.page)]);
    ASSERT_EQ(p.page, view->CurrentIndex());
    CViewPage* page = view->CurrentPage();
    ASSERT_NE(nullptr, page->entryPanel);
    page->saveEnabled = true;
    page->queryEnabled = true;
    frame->UpdateCommandUi();
    QLineEdit* box = nullptr;
    for (QLineEdit* edit : page->entryPanel->findChildren<QLineEdit*>())
      if (edit->isVisible() && edit->isEnabled() && !edit->isReadOnly() &&
          edit->focusPolicy() == Qt::StrongFocus) {
        box = edit;
        break;
      }
    ASSERT_NE(nullptr, box);
    for (size_t k = 0; k < std::size(keys); ++k) {
      SCOPED_TRACE(keys[k].name);
      // A dialog that closed may leave no window active.
      frame->activateWindow();
      ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
      box->setFocus();
      ASSERT_TRUE(testsupport::WaitUntil([box] { return box->hasFocus(); }));
      log_.clear();
      QTest::keyClick(box, keys[k].key, keys[k].modifiers);
      const Log expected = *p.ran[k] ? Log{p.ran[k]} : Log{};
      if (!expected.empty()) testsupport::WaitUntil([this] { return !log_.empty(); });
      EXPECT_EQ(expected, log_);
    }
    SaveScreenshot(*frame, QStringLiteral("frame_keys_page_%1").arg(p.page));
  }
}

// Page 13 from the menu: its query command is offered on the toolbar and
// under F4, asks the conditions and lists the waybills.
TEST_F(PageWindowTest, RecordQueryPageIsQueriedFromTheMenuAndTheToolbar) {
  CMainFrame* frame = OpenMainWindow();
  ASSERT_NE(nullptr, frame);
  CBrantleClientView* view = View();
  ASSERT_NE(nullptr, view);
  // The menu item of page 13, clicked in its menu.
  QAction* item = frame->CommandAction(kPageCommands[13]);
  ASSERT_NE(nullptr, item);
  QMenu* menu = nullptr;
  QAction* title = nullptr;
  for (QAction* top : frame->menuBar()->actions())
    if (top->menu() != nullptr && top->menu()->actions().contains(item)) {
      menu = top->menu();
      title = top;
    }
  ASSERT_NE(nullptr, menu);
  QTest::mouseClick(frame->menuBar(), Qt::LeftButton, {},
                    frame->menuBar()->actionGeometry(title).center());
  ASSERT_TRUE(testsupport::WaitUntil([menu] { return menu->isVisible(); }));
  QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
  ASSERT_TRUE(testsupport::WaitUntil([view] { return view->CurrentIndex() == 13; }));
  auto* page = dynamic_cast<CRecordQueryPage*>(view->CurrentPage());
  ASSERT_NE(nullptr, page);
  EXPECT_EQ(page->title, AppLanguage().Text(kRecordQueryTitleText));

  // The toolbar's query button comes alive on its own.
  QAction* query = frame->CommandAction(32790);
  ASSERT_NE(nullptr, query);
  auto* button = qobject_cast<QToolButton*>(frame->ToolBar()->widgetForAction(query));
  ASSERT_NE(nullptr, button);
  ASSERT_TRUE(testsupport::WaitUntil([button] { return button->isEnabled(); }));

  bool answered = false;
  auto answer = [&answered](const char* from, const char* to) {
    answered = false;
    QTimer::singleShot(0, [&answered, from, to] {
      ASSERT_TRUE(testsupport::WaitUntil([] {
        return qobject_cast<CWaybillQueryDlg*>(QApplication::activeModalWidget()) != nullptr;
      }));
      auto* dialog = qobject_cast<CWaybillQueryDlg*>(QApplication::activeModalWidget());
      dialog->Ui().dateFrom->setText(QString::fromLatin1(from));
      dialog->Ui().dateTo->setText(QString::fromLatin1(to));
      QTest::mouseClick(dialog->Ui().ok, Qt::LeftButton);
      answered = true;
    });
  };
  answer("2024.03.01", "2024.03.31");
  QTest::mouseClick(button, Qt::LeftButton);
  ASSERT_TRUE(testsupport::WaitUntil(
      [&] { return answered && !page->Busy() && page->grid->RowCount() > 0; }));
  const int march = page->grid->RowCount();
  EXPECT_EQ(0u, boxes_.Count());
  SaveScreenshot(*frame, QStringLiteral("record_query_from_toolbar"));

  // F4 asks again; a period without waybills lists none.
  frame->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
  answer("2023.01.01", "2023.01.02");
  QTest::keyClick(frame, Qt::Key_F4);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return answered && !page->Busy(); }));
  EXPECT_LT(page->grid->RowCount(), march);
}

}  // namespace
