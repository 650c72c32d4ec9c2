#include "tests/road/RoadDepot.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QPainter>
#include <QPlainTextEdit>
#include <QAbstractSpinBox>
#include <QTextEdit>
#include <QPixmap>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <ZXing/ReadBarcode.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <fstream>
#include <sstream>

#include "app/ViewPages.h"
#include "devices/ScaleSettings.h"
#include "devices/SoundService.h"
#include "localserver/Database.h"
#include "platform/MessageBox.h"
#include "platform/QtDispatcher.h"
#include "server/ServerLink.h"
#include "shell/AppWindowHooks.h"
#include "shell/BrantleClientApp.h"
#include "shell/BrantleClientView.h"
#include "shell/CaptureDlg.h"
#include "shell/LoginDlg.h"
#include "shell/MainFrame.h"
#include "tests/PrivateCups.h"
#include "tests/QtTestSupport.h"
#include "tests/devices/FakeFrameSource.h"
#include "tests/devices/ScaleLine.h"
#include "tests/road/RoadSteps.h"
#include "tests/server/StandInConfig.h"
#include "tests/server/StandInServer.h"
#include "ui/ViewCommands.h"
#include "ui/ViewPage.h"

namespace fs = std::filesystem;

namespace {

// The road hears nothing: every sound ends at once and is only named.
class SilentOutput : public CSoundOutput {
 public:
  void Play(const SoundClip&, std::function<void()> finished) override {
    QTimer::singleShot(0, std::move(finished));
  }
};

// The size the road's window is given when the screen is smaller (the
// offscreen platform's screen is 800 x 600).
constexpr int kWindowWidth = 1280;
constexpr int kWindowHeight = 900;
// How long a dialog may stay up before the depot closes it as left behind.
constexpr qint64 kStuckDialogMs = 90000;
// How long the focus may take to come where the operator put it.
constexpr qint64 kFocusWaitMs = 20000;

std::string HtmlEscaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

// A file name part of letters, digits and dashes.
std::string FilePart(const char* name) {
  std::string out;
  for (const char* p = name; *p; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    out += std::isalnum(c) ? static_cast<char>(c) : '-';
  }
  return out.empty() ? std::string("shot") : out;
}

// Collations the stand-in declares on its columns, for a plain read-only
// connection: compared as the server does for ASCII, without case.
void NeedCollation(void*, sqlite3* db, int, const char* name) {
  sqlite3_create_collation(db, name, SQLITE_UTF8, nullptr,
                           [](void*, int n1, const void* a, int n2, const void* b) {
                             const int n = std::min(n1, n2);
                             const auto* x = static_cast<const unsigned char*>(a);
                             const auto* y = static_cast<const unsigned char*>(b);
                             for (int i = 0; i < n; ++i) {
                               const int cx = std::tolower(x[i]), cy = std::tolower(y[i]);
                               if (cx != cy) return cx - cy;
                             }
                             return n1 - n2;
                           });
}

}  // namespace

struct RoadDepot::Parts {
  fs::path root;
  std::string program;
  std::unique_ptr<StandInServer> server;
  testsupport::PrivateCups cups;
  testsupport::ScaleLine scale;
  platform::RecordingMessageBoxService boxes;
  std::unique_ptr<platform::ScopedMessageBoxService> boxScope;
  cameratest::FakeFrameSource* camera = nullptr;
  std::deque<std::function<bool(QWidget*)>> modalHandlers;
  QTimer modalTimer;
  // A dialog left up (a step failed before closing it, or nothing answers
  // it) is closed after a while, so that the road ends instead of hanging.
  QTimer guardTimer;
  QPointer<QWidget> guarded;
  QElapsedTimer guardedFor;
  bool clientStarted = false;
  int shotNumber = 0;
  size_t boxesSeen = 0;  // message boxes already named on the index
};

RoadDepot::RoadDepot() : parts_(std::make_unique<Parts>()) {
  std::string pattern = (fs::temp_directory_path() / "brantle-road-XXXXXX").string();
  if (const char* made = ::mkdtemp(pattern.data())) parts_->root = made;
  // The print scheduler's filters run as another user and read the spool
  // below this folder.
  std::error_code error;
  if (!parts_->root.empty())
    fs::permissions(parts_->root,
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                        fs::perms::others_read | fs::perms::others_exec,
                    error);
  parts_->program = (parts_->root / "program").string() + "/";
  parts_->modalTimer.setInterval(20);
  QObject::connect(&parts_->modalTimer, &QTimer::timeout, [this] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || parts_->modalHandlers.empty()) return;
    // The handler may open another modal dialog; it stays first meanwhile.
    auto handler = parts_->modalHandlers.front();
    parts_->modalTimer.stop();
    const bool done = handler(modal);
    if (done && !parts_->modalHandlers.empty()) parts_->modalHandlers.pop_front();
    if (!parts_->modalHandlers.empty()) parts_->modalTimer.start();
  });
  parts_->guardTimer.setInterval(1000);
  QObject::connect(&parts_->guardTimer, &QTimer::timeout, [this] {
    Parts& p = *parts_;
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal != p.guarded) {
      p.guarded = modal;
      p.guardedFor.start();
      return;
    }
    if (p.guardedFor.elapsed() < kStuckDialogMs) return;
    ADD_FAILURE() << "a dialog stayed up for " << kStuckDialogMs / 1000
                  << " s and is closed: " << modal->metaObject()->className() << " \""
                  << modal->windowTitle().toStdString() << "\"";
    Shot("dialog-left-up");
    p.guarded = nullptr;
    if (auto* dialog = qobject_cast<QDialog*>(modal))
      dialog->reject();
    else
      modal->close();
  });
}

RoadDepot::~RoadDepot() {
  Stop();
  // BRANTLE_ROAD_KEEP=1 keeps the depot's folder (program folder, stand-in
  // database, print queue) for a look after the run.
  std::error_code ignored;
  const char* keep = std::getenv("BRANTLE_ROAD_KEEP");
  if (keep != nullptr && *keep == '1')
    std::fprintf(stderr, "The road's depot folder is kept: %s\n", parts_->root.c_str());
  else if (!parts_->root.empty())
    fs::remove_all(parts_->root, ignored);
}

std::string RoadDepot::Start() {
  if (started_) return {};
  started_ = true;
  Parts& p = *parts_;
  if (p.root.empty()) return "no temporary folder";
  fs::create_directories(p.program);
  fs::create_directories(Scratch());
  fs::create_directories(ShotFolder());
  for (const auto& entry : fs::directory_iterator(ShotFolder())) {
    std::error_code ignored;
    fs::remove(entry.path(), ignored);
  }

  // The stand-in, and the road's own rows in its database.
  p.server = std::make_unique<StandInServer>(BRANTLE_BINARY_DIR "/localserver/brantle-server",
                                             p.root / "server");
  if (!p.server->Ready()) return "the stand-in did not start: " + p.server->Log();
  try {
    localserver::Database db(p.server->Database());
    db.Exec("BEGIN");
    RoadEntrySamples(db);
    RoadConsolidationSamples(db);
    RoadTrackingSamples(db);
    RoadSettlementSamples(db);
    db.Exec("COMMIT");
  } catch (const std::exception& e) {
    return std::string("the road's samples were refused: ") + e.what();
  }

  // The print queue (CUPS_SERVER points the client and the office suite at
  // it from here on).
  if (std::string error = p.cups.Start(p.root / "cups", {kQueue}); !error.empty())
    return "the print scheduler did not start: " + error;

  // The program folder as scripts/run.sh makes it: configuration, result
  // sounds, the sample place dictionary and address library; and the
  // workstation's scale on the pseudo-terminal.
  testsupport::WriteStandInConfig(p.program, p.server->Port(), "00", kWorkstation);
  for (const auto& entry : fs::directory_iterator(BRANTLE_SOURCE_DIR "/devices/sounds/result"))
    fs::copy_file(entry.path(), fs::path(p.program) / entry.path().filename(),
                  fs::copy_options::overwrite_existing);
  int status = 0;
  const std::string placeOut = testsupport::RunCommand(
      std::string(BRANTLE_BINARY_DIR "/app/brantle-place-samples '") + p.program + "'", &status);
  if (status != 0) return "brantle-place-samples: " + placeOut;
  if (!p.scale.Ready()) return "no pseudo-terminal for the scale";
  ScaleSettings scale;
  scale.useFlag = 1;
  scale.kind = 0;
  scale.dataBits = 8;
  scale.frameLength = 10;
  scale.startByte = '=';
  scale.baudRate = 9600;
  scale.SetDevicePath(p.scale.DevicePath());
  if (WriteScaleSettingsFile(p.program, scale) != 1) return "balanceset.ini not written";

  // The client as the program runs it (app/ClientRun.cpp), with the boxes
  // recorded instead of shown, the sounds silent, the fake camera in the
  // camera window, and the login typed into the login dialog.
  p.boxScope = std::make_unique<platform::ScopedMessageBoxService>(&p.boxes);
  SetServerLinkUiDispatcher(platform::RunOrPostToUiThread);
  InstallWindowHooks(theApp);
  theApp.pageFactory = CreateViewPage;
  theApp.Sounds().SetOutput(std::make_shared<SilentOutput>());
  theApp.Sounds().SetObserver([this](std::string_view sound) { sounds_.emplace_back(sound); });
  auto login = theApp.hooks.runLogin;
  theApp.hooks.runLogin = [this, login](CBrantleClientApp& app, int startUp) {
    WhenModal([this](QWidget* modal) {
      auto* dialog = qobject_cast<CLoginDlg*>(modal);
      if (dialog == nullptr) return false;
      // The dialog is up, active and its field under the focus before a
      // key is typed (Click waits for each).
      if (!Wait([dialog] { return dialog->isVisible(); })) ADD_FAILURE() << "no login dialog";
      Click(dialog->AccountEdit());
      dialog->AccountEdit()->selectAll();
      Keys(QStringLiteral("admin"));
      Click(dialog->PasswordEdit());
      dialog->PasswordEdit()->selectAll();
      Keys(QStringLiteral("admin123"));
      Shot("login");
      Click(dialog->OkButton());
      // A login refused leaves the dialog up: it is cancelled, so that
      // start-up ends and names the messages instead of waiting for ever.
      if (!Wait([dialog] { return !dialog->isVisible(); })) Click(dialog->CancelButton());
      return true;
    });
    // The pages are laid out for the screen the program found; the road's
    // window is never smaller than 1280 x 900.
    app.screenWidth = std::max(app.screenWidth, kWindowWidth);
    app.screenHeight = std::max(app.screenHeight, kWindowHeight);
    return login(app, startUp);
  };
  auto create = theApp.hooks.createMainWindow;
  theApp.hooks.createMainWindow = [this, create](CBrantleClientApp& app) {
    if (!create(app)) return false;
    if (auto* frame = dynamic_cast<CMainFrame*>(app.mainWindow)) {
      frame->SetCaptureWindowFactory(
          MakeCaptureWindowFactory(app.Link(), app.ProgramFolder(), [this] {
            auto source = std::make_unique<cameratest::FakeFrameSource>();
            parts_->camera = source.get();
            return source;
          }));
    }
    return true;
  };
  auto show = theApp.hooks.showMainWindow;
  theApp.hooks.showMainWindow = [show](CBrantleClientApp& app) {
    show(app);
    if (app.mainWindow && (app.mainWindow->width() < kWindowWidth ||
                           app.mainWindow->height() < kWindowHeight)) {
      app.mainWindow->showNormal();
      app.mainWindow->setGeometry(0, 0, kWindowWidth, kWindowHeight);
    }
  };

  p.guardTimer.start();
  std::vector<std::string> arguments = {"road_tests", "--program-folder", p.program};
  std::vector<char*> argv;
  for (std::string& a : arguments) argv.push_back(a.data());
  argv.push_back(nullptr);
  p.clientStarted = true;
  if (!theApp.InitInstance(static_cast<int>(arguments.size()), argv.data())) {
    std::string texts;
    for (const auto& shown : p.boxes.Messages())
      texts += " [" + QString::fromStdU16String(shown.text).toStdString() + "]";
    return "the client's start-up ended; messages:" + texts;
  }
  if (MainWindow() == nullptr || View() == nullptr) return "no main window after start-up";
  if (!ActivateWindowOf(theApp.mainWindow)) return "the main window is not active";
  return {};
}

void RoadDepot::Stop() {
  Parts& p = *parts_;
  p.modalHandlers.clear();
  p.modalTimer.stop();
  p.guardTimer.stop();
  if (p.clientStarted) {
    p.clientStarted = false;
    theApp.ExitInstance();
    delete theApp.mainWindow;
    theApp.mainWindow = nullptr;
    SetServerLinkUiDispatcher(nullptr);
    theApp.Sounds().SetObserver(nullptr);
  }
  p.boxScope.reset();
  p.cups.Stop();
  p.scale.CloseScaleSide();
  if (p.server) p.server->Stop();
  WriteIndex();
}

CBrantleClientApp& RoadDepot::App() { return theApp; }
CMainFrame* RoadDepot::MainWindow() const { return dynamic_cast<CMainFrame*>(theApp.mainWindow); }
CBrantleClientView* RoadDepot::View() const {
  CMainFrame* frame = MainWindow();
  return frame ? dynamic_cast<CBrantleClientView*>(frame->centralWidget()) : nullptr;
}
StandInServer& RoadDepot::Server() { return *parts_->server; }
testsupport::PrivateCups& RoadDepot::Cups() { return parts_->cups; }
fs::path RoadDepot::PdfFolder() const { return parts_->cups.PdfFolder(); }
testsupport::ScaleLine& RoadDepot::Scale() { return parts_->scale; }
cameratest::FakeFrameSource* RoadDepot::Camera() const { return parts_->camera; }
const std::string& RoadDepot::Program() const { return parts_->program; }

void RoadDepot::MoveCameraAside() {
  if (QWidget* camera = MainWindow()->VisibleCaptureWindow()) {
    const QRect frame = MainWindow()->geometry();
    camera->move(frame.right() - camera->frameGeometry().width() - 8,
                 frame.bottom() - camera->frameGeometry().height() - 30);
  }
}
platform::RecordingMessageBoxService& RoadDepot::Boxes() { return parts_->boxes; }
fs::path RoadDepot::Scratch() const { return parts_->root / "scratch"; }

std::vector<std::vector<std::string>> RoadDepot::Query(const std::string& sql) {
  std::vector<std::vector<std::string>> rows;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(parts_->server->Database().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) !=
      SQLITE_OK) {
    ADD_FAILURE() << "cannot open " << parts_->server->Database();
    sqlite3_close(db);
    return rows;
  }
  sqlite3_busy_timeout(db, 5000);
  sqlite3_collation_needed(db, nullptr, NeedCollation);
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db);
  } else {
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
      std::vector<std::string> row;
      for (int c = 0; c < sqlite3_column_count(st); ++c) {
        const unsigned char* text = sqlite3_column_text(st, c);
        row.emplace_back(text ? reinterpret_cast<const char*>(text) : "",
                         text ? static_cast<size_t>(sqlite3_column_bytes(st, c)) : 0);
      }
      rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db);
  }
  sqlite3_finalize(st);
  sqlite3_close(db);
  return rows;
}

std::string RoadDepot::QueryValue(const std::string& sql) {
  auto rows = Query(sql);
  return rows.empty() || rows.front().empty() ? std::string() : rows.front().front();
}

std::vector<fs::path> RoadDepot::PdfFiles() const {
  std::vector<fs::path> files;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(PdfFolder(), error))
    if (entry.path().extension() == ".pdf") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

namespace {

std::string FileText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace

fs::path RoadDepot::NextPdf(const std::vector<fs::path>& earlier) {
  fs::path found;
  const bool written = WaitForOffice([&] {
    for (const fs::path& file : PdfFiles())
      if (std::find(earlier.begin(), earlier.end(), file) == earlier.end() &&
          FileText(file).find("%%EOF") != std::string::npos) {
        found = file;
        return true;
      }
    return false;
  });
  if (!written) {
    std::string texts;
    for (const auto& shown : parts_->boxes.Messages())
      texts += " [" + QString::fromStdU16String(shown.text).toStdString() + "]";
    ADD_FAILURE() << "nothing came out of the queue; messages:" << texts << "\n"
                  << parts_->cups.ErrorLog();
  }
  return found;
}

std::string RoadDepot::PdfText(const fs::path& pdf) {
  int status = 0;
  const std::string text =
      testsupport::RunCommand("pdftotext -layout -enc UTF-8 '" + pdf.string() + "' -", &status);
  EXPECT_EQ(0, status) << text;
  std::string flat;
  for (char c : text) {
    const bool space = c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f';
    if (!space)
      flat += c;
    else if (!flat.empty() && flat.back() != ' ')
      flat += ' ';
  }
  if (!flat.empty() && flat.back() == ' ') flat.pop_back();
  return flat;
}

std::vector<std::string> RoadDepot::ReadBarcodes(const fs::path& pdf, const char* shot, bool qrToo) {
  const fs::path png = Scratch() / (FilePart(shot) + "-page");
  int status = 0;
  const std::string out = testsupport::RunCommand("pdftoppm -r 200 -png -f 1 -l 1 -singlefile '" +
                                                  pdf.string() + "' '" + png.string() + "'",
                                                  &status);
  EXPECT_EQ(0, status) << out;
  QImage page(QString::fromStdString(png.string() + ".png"));
  EXPECT_FALSE(page.isNull()) << pdf;
  if (page.isNull()) return {};
  ShotImage(shot, page);
  const QImage grey = page.convertToFormat(QImage::Format_Grayscale8);
  ZXing::DecodeHints hints;
  hints.setFormats(qrToo ? ZXing::BarcodeFormat::Code128 | ZXing::BarcodeFormat::QRCode
                         : ZXing::BarcodeFormats(ZXing::BarcodeFormat::Code128));
  hints.setTryHarder(true);
  hints.setTryRotate(true);
  const ZXing::ImageView view(grey.constBits(), grey.width(), grey.height(),
                              ZXing::ImageFormat::Lum, static_cast<int>(grey.bytesPerLine()));
  std::vector<std::string> read;
  for (const ZXing::Result& result : ZXing::ReadBarcodes(view, hints))
    read.emplace_back(result.bytes().begin(), result.bytes().end());
  return read;
}

bool RoadDepot::SendWeight(double kilograms) {
  char digits[32];
  std::snprintf(digits, sizeof digits, "%08.3f", kilograms);
  std::string reversed(digits);
  std::reverse(reversed.begin(), reversed.end());
  return parts_->scale.Send("=" + reversed + "=" + reversed + "=" + reversed + "=");
}

CViewPage* RoadDepot::OpenPage(int page) {
  if (page < 0 || page >= static_cast<int>(kPageCommands.size())) {
    ADD_FAILURE() << "no page " << page;
    return nullptr;
  }
  Command(kPageCommands[static_cast<size_t>(page)]);
  CBrantleClientView* view = View();
  const bool shown = Wait([&] {
    return view != nullptr && view->CurrentIndex() == page && view->CurrentPage() != nullptr;
  });
  if (!shown) {
    ADD_FAILURE() << "page " << page << " did not show";
    return nullptr;
  }
  return view->CurrentPage();
}

void RoadDepot::Command(int commandId) {
  CMainFrame* frame = MainWindow();
  if (frame == nullptr) {
    ADD_FAILURE() << "no main window for command " << commandId;
    return;
  }
  if (QAction* action = frame->CommandAction(commandId)) {
    action->trigger();
  } else {
    frame->ExecuteCommand(commandId);
  }
  QApplication::processEvents();
}

namespace {

// The window the operator's hand was last on (clicked into, typed into):
// the keys go there unless a modal dialog has come up since.
QPointer<QWidget> gKeyWindow;

// The window that should take the keys now: the active modal dialog, else
// the one the operator's hand was last on (null: any).
QWidget* KeyWindow() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  if (!gKeyWindow.isNull() && gKeyWindow->isVisible()) return gKeyWindow.data();
  return nullptr;
}

// Asks the platform to make `window` the active one (the request may be
// answered late; callers wait for it).
void RequestActive(QWidget* window) {
  if (window == nullptr || !window->isVisible() || QApplication::activeWindow() == window) return;
  window->activateWindow();
  QApplication::setActiveWindow(window);
}

bool TakesTypedText(QWidget* widget) {
  return qobject_cast<QLineEdit*>(widget) != nullptr ||
         qobject_cast<QAbstractSpinBox*>(widget) != nullptr ||
         qobject_cast<QTextEdit*>(widget) != nullptr ||
         qobject_cast<QPlainTextEdit*>(widget) != nullptr;
}

}  // namespace

// The widget the keys go to.  A window shown a moment ago (a popup, the
// camera window) may take the platform's activation late, away from the
// window the operator works in, and leave no focus or the focus elsewhere:
// the operator's window is then made the active one again, waiting
// (boundedly) until the platform agrees.  A popup keeps the keys it has.
QWidget* RoadDepot::Focus() const {
  if (QApplication::activePopupWidget() != nullptr) return QApplication::focusWidget();
  auto settled = [] {
    QWidget* focus = QApplication::focusWidget();
    QWidget* want = KeyWindow();
    return focus != nullptr && (want == nullptr || focus->window() == want);
  };
  if (!settled()) {
    testsupport::WaitUntil([&] {
      if (settled()) return true;
      QWidget* want = KeyWindow();
      if (want == nullptr && QApplication::activeWindow() == nullptr && theApp.mainWindow &&
          theApp.mainWindow->isVisible())
        want = theApp.mainWindow;
      RequestActive(want);
      return settled();
    }, static_cast<int>(kFocusWaitMs));
  }
  return QApplication::focusWidget();
}

void RoadDepot::FocusOn(QWidget* widget) {
  if (widget == nullptr) {
    ADD_FAILURE() << "no widget to put the focus on";
    return;
  }
  gKeyWindow = widget->window();
  // A field that hands its focus on (an editable combo box's line) counts
  // as focused when the one it hands it to has it.
  QWidget* holder = widget;
  while (holder->focusProxy() != nullptr) holder = holder->focusProxy();
  const bool focused = testsupport::WaitUntil([widget, holder] {
    if (QApplication::focusWidget() == holder) return true;
    if (!widget->isVisible() || !widget->isEnabled()) return false;
    RequestActive(widget->window());
    if (QApplication::activeWindow() == widget->window())
      widget->setFocus(Qt::MouseFocusReason);
    return QApplication::focusWidget() == holder;
  }, static_cast<int>(kFocusWaitMs));
  if (!focused)
    ADD_FAILURE() << "the focus does not come to " << widget->metaObject()->className() << " \""
                  << widget->objectName().toStdString() << "\" (the focus is on "
                  << (QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className()
                                                  : "nothing")
                  << ")";
}

void RoadDepot::Keys(const QString& text) {
  for (QChar c : text) {
    QWidget* target = Focus();
    if (target != nullptr && QApplication::activePopupWidget() == nullptr)
      gKeyWindow = target->window();
    if (target == nullptr) {
      ADD_FAILURE() << "no widget has the focus for the keys " << text.toStdString();
      return;
    }
    if (c.unicode() < 128 && c.unicode() >= 32) {
      QTest::keyClick(target, c.toLatin1());
    } else {
      QTest::sendKeyEvent(QTest::Press, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
      QTest::sendKeyEvent(QTest::Release, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
  }
}

void RoadDepot::Key(Qt::Key key, Qt::KeyboardModifiers modifiers) {
  QWidget* target = Focus();
  if (target == nullptr) {
    ADD_FAILURE() << "no widget has the focus for key " << key;
    return;
  }
  if (QApplication::activePopupWidget() == nullptr) gKeyWindow = target->window();
  QTest::keyClick(target, key, modifiers);
}

// The window of the widget becomes the active one (a dialog just shown by
// exec is active once the platform says so), as under the operator's hand.
// The request is repeated until the platform's answer (which may come late
// on a loaded machine, after another window's) makes it so.
bool RoadDepot::ActivateWindowOf(QWidget* widget) {
  QWidget* window = widget->window();
  gKeyWindow = window;
  if (QApplication::activeWindow() == window) return true;
  return testsupport::WaitUntil([window] {
    RequestActive(window);
    return QApplication::activeWindow() == window;
  }, static_cast<int>(kFocusWaitMs));
}

// A click into a text field puts the focus there: the keys that follow go
// to it.  The click is made once its window is active, and the focus waited
// for (the platform may hand the activation to another window late).
void RoadDepot::Click(QWidget* widget) {
  if (widget == nullptr) {
    ADD_FAILURE() << "click on no widget";
    return;
  }
  ActivateWindowOf(widget);
  QPointer<QWidget> clicked(widget);
  QTest::mouseClick(widget, Qt::LeftButton);
  if (clicked.isNull() || !TakesTypedText(widget) || !widget->isVisible() ||
      !widget->isEnabled() || !(widget->focusPolicy() & Qt::ClickFocus) ||
      QApplication::activePopupWidget() != nullptr)
    return;
  QWidget* modal = QApplication::activeModalWidget();
  if (modal != nullptr && modal != widget->window()) return;  // the click opened a dialog
  FocusOn(widget);
}

void RoadDepot::DoubleClick(QWidget* widget) {
  if (widget == nullptr) {
    ADD_FAILURE() << "double click on no widget";
    return;
  }
  ActivateWindowOf(widget);
  QTest::mouseDClick(widget, Qt::LeftButton);
}

bool RoadDepot::Wait(const std::function<bool()>& condition) {
  return testsupport::WaitUntil(condition);
}

bool RoadDepot::WaitForOffice(const std::function<bool()>& condition) {
  return testsupport::WaitUntil(condition, static_cast<int>(4 * testsupport::kWaitLimit.count()));
}

void RoadDepot::WhenModal(std::function<bool(QWidget* modal)> handler) {
  parts_->modalHandlers.push_back(std::move(handler));
  if (!parts_->modalTimer.isActive()) parts_->modalTimer.start();
}

void RoadDepot::Step(int number, const char* title) {
  step_ = number;
  stepTitle_ = title;
  if (steps_.empty() || steps_.back().number != number)
    steps_.push_back({number, title, {}});
  else
    steps_.back().title = title;
  WriteIndex();
}

fs::path RoadDepot::ShotFolder() { return fs::path(BRANTLE_BINARY_DIR) / "screenshots" / "road"; }

fs::path RoadDepot::Shot(const char* name) {
  QApplication::processEvents();
  QWidget* main = theApp.mainWindow;
  std::vector<QWidget*> over;
  QRect area = main && main->isVisible() ? main->frameGeometry() : QRect();
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w == main || !w->isVisible() || w->windowType() == Qt::ToolTip) continue;
    over.push_back(w);
    area |= w->frameGeometry();
  }
  // Dialogs over plain windows, popups over everything, the active window
  // over the others of its kind.
  auto rank = [](QWidget* w) {
    int r = 0;
    if (w->isModal()) r += 2;
    if (w->windowType() == Qt::Popup) r += 4;
    if (w == QApplication::activeWindow()) r += 1;
    return r;
  };
  std::stable_sort(over.begin(), over.end(),
                   [&](QWidget* a, QWidget* b) { return rank(a) < rank(b); });
  QImage image(area.isEmpty() ? QSize(16, 16) : area.size(), QImage::Format_RGB32);
  image.fill(QColor(96, 96, 96));
  {
    QPainter painter(&image);
    if (main && main->isVisible())
      painter.drawPixmap(main->geometry().topLeft() - area.topLeft(), main->grab());
    for (QWidget* w : over) painter.drawPixmap(w->geometry().topLeft() - area.topLeft(), w->grab());
  }
  return ShotImage(name, image);
}

fs::path RoadDepot::ShotImage(const char* name, const QImage& image) {
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "%02d-", ++parts_->shotNumber);
  const std::string file = prefix + FilePart(name) + ".png";
  const fs::path path = ShotFolder() / file;
  fs::create_directories(ShotFolder());
  EXPECT_TRUE(image.save(QString::fromStdString(path.string()))) << path;
  // The boxes are recorded, not shown: the index names them under the
  // picture.
  const auto shown = parts_->boxes.Messages();
  if (shown.size() < parts_->boxesSeen) parts_->boxesSeen = 0;  // a step cleared them
  std::vector<std::string> messages;
  for (size_t i = parts_->boxesSeen; i < shown.size(); ++i)
    messages.push_back(QString::fromStdU16String(shown[i].text).toStdString());
  parts_->boxesSeen = shown.size();
  shots_.push_back({step_, file, name, messages});
  WriteIndex();
  return path;
}

void RoadDepot::StepFailed(int number, const std::string& why) {
  for (StepEntry& s : steps_)
    if (s.number == number) s.failure = why;
  WriteIndex();
}

void RoadDepot::WriteIndex() const {
  std::error_code error;
  fs::create_directories(ShotFolder(), error);
  std::ofstream out(ShotFolder() / "index.html", std::ios::binary | std::ios::trunc);
  out << "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n"
         "<title>The road of parcels through the depot</title>\n"
         "<style>body{font-family:sans-serif;margin:1em 2em}h2{margin-top:2em}"
         "figure{margin:1em 0}figcaption{color:#444}img{max-width:100%;border:1px solid #888}"
         ".failed{color:#b00}</style>\n</head><body>\n"
         "<h1>The road of parcels through the depot</h1>\n";
  auto shotsOf = [&](int step) {
    for (const ShotEntry& s : shots_) {
      if (s.step != step) continue;
      out << "<figure><img src=\"" << HtmlEscaped(s.file) << "\" alt=\"" << HtmlEscaped(s.name)
          << "\"><figcaption>" << HtmlEscaped(s.file);
      for (const std::string& m : s.messages)
        out << "<br>Message: <q>" << HtmlEscaped(m) << "</q>";
      out << "</figcaption></figure>\n";
    }
  };
  shotsOf(0);
  for (const StepEntry& s : steps_) {
    out << "<h2>Step " << s.number << ": " << HtmlEscaped(s.title) << "</h2>\n";
    if (!s.failure.empty())
      out << "<p class=\"failed\">Failed: " << HtmlEscaped(s.failure) << "</p>\n";
    shotsOf(s.number);
  }
  out << "</body></html>\n";
}
