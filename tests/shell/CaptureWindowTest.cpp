// The camera window in the real main window against the stand-in, with a
// fake camera: a waybill saved in the quick entry form is photographed and
// stored at position 1 (pixels read back through "sPicData"), the full form
// stores at 5, the hand-over page at 20; on other pages and with a position
// of 0 or 300 nothing happens; a 200 KB picture is stored whole; the
// uploads are signed by an account with a quote in its name.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "app/ViewPages.h"
#include "common/Json.h"
#include "common/TextCodec.h"
#include "entry/QuickEntryDlg.h"
#include "entry/QuickEntryPage.h"
#include "entry/WaybillForm.h"
#include "entry/WaybillPage.h"
#include "image/RasterImage.h"
#include "platform/MessageBox.h"
#include "platform/QtMessages.h"
#include "refdata/RecordStores.h"
#include "server/ServerLink.h"
#include "shell/AppWindowHooks.h"
#include "shell/BrantleClientApp.h"
#include "shell/BrantleClientView.h"
#include "shell/CaptureDlg.h"
#include "devices/QtFrameSource.h"
#include "shell/MainFrame.h"
#include "common/WideText.h"
#include "tests/LanguageFiles.h"
#include "tests/QtTestSupport.h"
#include "tests/WaitUntil.h"
#include "tests/devices/FakeFrameSource.h"
#include "tests/shell/ShellTestSupport.h"
#include "tests/shell/StandInSuite.h"
#include "ui/ViewCommands.h"
#include "ui/ViewPage.h"

namespace {

namespace fs = std::filesystem;

void SaveScreenshot(QWidget& widget, const char* name) {
  fs::create_directories(BRANTLE_BINARY_DIR "/screenshots");
  const QString path = QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/%1.png").arg(name);
  EXPECT_TRUE(widget.grab().toImage().save(path)) << path.toStdString();
}

std::string FileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

class CaptureWindowTest : public shelltest::StandInSuite {
 protected:
  void SetUp() override {
    StandInSuite::SetUp();
    if (HasFatalFailure()) return;
    std::ofstream(folder_.Path() / "ZizTolvane.ini", std::ios::binary)
        << shelltest::StandInConfigText(server_->Port(), "PC-CAMERA74");
    fs::create_directories(folder_.Path() / "DATA");
    app_.SetProgramFolder(folder_.Folder());
    ASSERT_EQ(1, app_.Link().Init(folder_.Folder()));
    shelltest::LoadProgramLanguage("00");
    app_.screenWidth = 1280;
    app_.screenHeight = 900;
    InstallWindowHooks(app_);
    app_.pageFactory = CreateViewPage;
    // The account whose name holds a quote signs the pictures.
    ASSERT_GT(app_.Link().Login(u"oneil", u"oneil74", 0), 0);
    ASSERT_TRUE(app_.LoadServiceKinds());
    app_.RefreshClientList();
    app_.RefreshDestinations();
    ASSERT_TRUE(app_.hooks.createMainWindow(app_));
    app_.LocalizeMenu();
    app_.hooks.showMainWindow(app_);
    ASSERT_NE(nullptr, View());
    // The program's factory, with the fake camera in place of Qt's.
    Frame()->SetCaptureWindowFactory(
        MakeCaptureWindowFactory(app_.Link(), app_.ProgramFolder(), [this] {
          auto source = std::make_unique<cameratest::FakeFrameSource>();
          source_ = source.get();
          return source;
        }));
    QApplication::setActiveWindow(app_.mainWindow);
    ASSERT_TRUE(QTest::qWaitForWindowActive(app_.mainWindow));
  }
  void TearDown() override {
    delete app_.mainWindow;
    app_.mainWindow = nullptr;
    app_.Link().Logout();
  }

  CMainFrame* Frame() const { return dynamic_cast<CMainFrame*>(app_.mainWindow); }
  CBrantleClientView* View() const {
    return Frame() ? dynamic_cast<CBrantleClientView*>(Frame()->centralWidget()) : nullptr;
  }
  CCaptureDlg* Camera() const { return dynamic_cast<CCaptureDlg*>(Frame()->CaptureWindow()); }
  void ShowPage(int index) { ASSERT_TRUE(View()->OnCommand(kPageCommands[index])); }
  // The camera command as the menu gives it; the window shows.
  void OpenCamera() {
    Frame()->ExecuteCommand(kCmdCaptureWindow);
    ASSERT_NE(nullptr, Camera());
    ASSERT_TRUE(Camera()->isVisible());
    ASSERT_EQ(Camera(), Frame()->VisibleCaptureWindow());
    // The operator goes on in the main window (the offscreen platform
    // activates every window it shows, once its queued events are handled).
    QApplication::processEvents();
    QApplication::setActiveWindow(app_.mainWindow);
    ASSERT_TRUE(QTest::qWaitForWindowActive(app_.mainWindow));
  }
  QWidget* Focus() const { return QApplication::focusWidget(); }
  // Typed as the keyboard would: characters beyond ASCII as text events.
  void Keys(const QString& text) {
    for (QChar c : text) {
      if (c.unicode() < 128) {
        QTest::keyClick(Focus(), c.toLatin1());
      } else {
        QTest::sendKeyEvent(QTest::Press, Focus(), Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, Focus(), Qt::Key_unknown, QString(c), Qt::NoModifier);
      }
    }
  }
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(Focus(), key, modifiers);
  }
  QString Status() const { return Camera()->StatusLabel()->text(); }
  bool WaitForStatus(const QString& text) {
    return testsupport::WaitUntil([&] { return Status() == text; });
  }
  int32_t IdOf(const char* number) { return app_.Link().FindWaybillId(0, number, false); }
  // The picture stored at a position, read back as the pictures dialog reads it.
  std::string StoredPicture(int32_t id, int position, int32_t length) {
    const fs::path path = folder_.Path() / "stored.jpg";
    fs::remove(path);
    char sql[160];
    std::snprintf(sql, sizeof sql,
                  "SELECT vdata FROM brantle.dbo.client_rec_picc WHERE irid=%d AND npos=%d", id,
                  position);
    if (app_.Link().DownloadPicture(length, sql, path.string()) != 2) return {};
    return FileBytes(path);
  }
  // Positions taken by pictures of a waybill.
  int StoredCount(int32_t id) {
    char sql[160];
    std::snprintf(sql, sizeof sql,
                  "SELECT npos FROM brantle.dbo.client_rec_picc WHERE irid=%d AND ilen>0", id);
    const uint32_t types[] = {AcsTypeEntry(kSqlCSLong)};
    CServerLink::ReplyGuard guard = app_.Link().LockReply();
    if (app_.Link().SqlQuery(sql, types) <= 0) return -1;
    return JsonGetInt("iTotal", guard.Text(), -1);
  }
  // "ilen" and "cinput" of a stored picture.
  std::pair<int32_t, std::string> StoredRow(int32_t id, int position) {
    char sql[160];
    std::snprintf(sql, sizeof sql,
                  "SELECT ilen,cinput FROM brantle.dbo.client_rec_picc WHERE irid=%d AND npos=%d",
                  id, position);
    const uint32_t types[] = {AcsTypeEntry(kSqlCSLong), AcsTypeEntry(kSqlCChar, 32)};
    CServerLink::ReplyGuard guard = app_.Link().LockReply();
    if (app_.Link().SqlQuery(sql, types) <= 0) return {-1, {}};
    const std::string_view row = guard.Text();
    return {JsonGetInt("0", row, -1), JsonGetString("1", row, 64)};
  }

  shelltest::TempFolder folder_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
  CBrantleClientApp app_;
  cameratest::FakeFrameSource* source_ = nullptr;
};

TEST_F(CaptureWindowTest, QuickEntrySavePhotographsTheParcelAtPositionOne) {
  ShowPage(0);
  OpenCamera();
  CCaptureDlg* camera = Camera();
  EXPECT_EQ(QStringLiteral("图像捕捉 - 快递录单"), camera->windowTitle());
  EXPECT_EQ(QStringLiteral("1"), camera->PositionEdit()->text());
  EXPECT_EQ(QSize(330, 288), camera->size());
  ASSERT_NE(nullptr, camera->CaptureWindow());
  ASSERT_NE(nullptr, camera->CaptureWindow()->Window());
  EXPECT_TRUE(camera->CaptureWindow()->Window()->Refreshing());
  SaveScreenshot(*camera, "capture_dialog_preview");

  // The operator keys a waybill and saves it with Ctrl+S.
  auto* page = dynamic_cast<CQuickEntryPage*>(View()->CurrentPage());
  ASSERT_NE(nullptr, page);
  CQuickEntryDlg* form = page->Form();
  form->SelectKindByCode(GbkFromWide(u"ZIZ国际"));
  ASSERT_TRUE(form->SelectCustomer(1));
  form->FocusKind(1);
  Keys(QStringLiteral("美国"));
  form->FocusKind(2);
  Keys(QStringLiteral("BR74000101"));
  form->FocusKind(4);
  Keys(QStringLiteral("1.5"));
  Key(Qt::Key_S, Qt::ControlModifier);
  ASSERT_TRUE(WaitForStatus(QStringLiteral("BR74000101 已存入位置 1")))
      << Status().toStdString() << " / " << Utf8FromWide(boxes_.LastText()) << " / waybill "
      << IdOf("BR74000101") << " / camera " << View()->GetVisibleCaptureWnd();
  const int32_t id = IdOf("BR74000101");
  ASSERT_GT(id, 0);

  // Stored as JPEG, signed by the account, and its pixels are the frame's:
  // quality 90 keeps every channel within 3 on average and 64 at worst
  // (colour is kept at half resolution, which blurs the dark block's edges).
  const auto [length, signer] = StoredRow(id, 1);
  EXPECT_EQ("O'Neil", signer);
  const std::string jpeg = StoredPicture(id, 1, length);
  ASSERT_EQ(static_cast<size_t>(length), jpeg.size());
  ASSERT_GT(jpeg.size(), 4u);
  EXPECT_EQ("\xFF\xD8", jpeg.substr(0, 2));
  CRasterImage stored(reinterpret_cast<const uint8_t*>(jpeg.data()), jpeg.size(), FormatUnknown);
  ASSERT_TRUE(stored.IsValid());
  EXPECT_EQ(FormatJpeg, stored.GetType());
  ASSERT_EQ(320u, stored.GetWidth());
  ASSERT_EQ(240u, stored.GetHeight());
  const QImage frame = cameratest::TestFrame();
  double total = 0;
  int worst = 0;
  for (int y = 0; y < 240; ++y) {
    for (int x = 0; x < 320; ++x) {
      const QRgb want = frame.pixel(x, y);
      const RGBQUAD got = stored.GetPixelColor(x, 239 - y);
      for (int d : {std::abs(qRed(want) - got.rgbRed), std::abs(qGreen(want) - got.rgbGreen),
                    std::abs(qBlue(want) - got.rgbBlue)}) {
        total += d;
        worst = std::max(worst, d);
      }
    }
  }
  EXPECT_LE(total / (320.0 * 240.0 * 3.0), 3.0);
  EXPECT_LE(worst, 64);
  EXPECT_EQ(0u, boxes_.Count()) << Utf8FromWide(boxes_.LastText());
  SaveScreenshot(*camera, "capture_dialog_stored");
}

TEST_F(CaptureWindowTest, FullFormAtFiveHandOverAtTwentyOtherPagesNothing) {
  ShowPage(1);
  OpenCamera();
  EXPECT_EQ(QStringLiteral("图像捕捉 - 快递补单"), Camera()->windowTitle());
  EXPECT_EQ(QStringLiteral("5"), Camera()->PositionEdit()->text());
  auto* page = dynamic_cast<CWaybillPage*>(View()->CurrentPage());
  ASSERT_NE(nullptr, page);
  CWaybillDlg* form = page->Form();
  form->SearchBox(0)->setFocus();
  Keys(QStringLiteral("BR10000024"));
  Key(Qt::Key_Return);
  ASSERT_GT(form->State().loadedId, 0) << Utf8FromWide(boxes_.LastText());
  form->NumberEdit(kFfWeight)->setFocus();
  Key(Qt::Key_S, Qt::ControlModifier);
  ASSERT_TRUE(WaitForStatus(QStringLiteral("BR10000024 已存入位置 5")))
      << Status().toStdString() << " / " << Utf8FromWide(boxes_.LastText());

  // The hand-over page names the waybill by its id in lParam.
  ShowPage(3);
  EXPECT_EQ(QStringLiteral("图像捕捉 - 快递发送"), Camera()->windowTitle());
  EXPECT_EQ(QStringLiteral("20"), Camera()->PositionEdit()->text());
  EXPECT_TRUE(Status().isEmpty());
  const int32_t handed = IdOf("BR10000023");
  ASSERT_GT(handed, 0);
  platform::PostPrivateMessage(View()->GetVisibleCaptureWnd(), WM_CAPTURE_PARCEL, 2, handed);
  ASSERT_TRUE(WaitForStatus(QStringLiteral("#%1 已存入位置 20").arg(handed)))
      << Status().toStdString();
  EXPECT_GT(StoredRow(handed, 20).first, 0);

  // Another page: no kind, "保存!" does nothing.
  ShowPage(7);
  EXPECT_EQ(QStringLiteral("图像捕捉"), Camera()->windowTitle());
  const int before = StoredCount(handed);
  QTest::mouseClick(Camera()->SaveButton(), Qt::LeftButton);
  EXPECT_TRUE(Status().isEmpty());
  EXPECT_EQ(before, StoredCount(handed));

  // Back on the hand-over page: a position of 0 or 300 captures nothing.
  ShowPage(3);
  for (const char* typed : {"0", "300"}) {
    QTest::mouseDClick(Camera()->PositionEdit(), Qt::LeftButton);
    Camera()->PositionEdit()->selectAll();
    QTest::keyClicks(Camera()->PositionEdit(), QString::fromLatin1(typed));
    ASSERT_EQ(QString::fromLatin1(typed), Camera()->PositionEdit()->text());
    QTest::mouseClick(Camera()->SaveButton(), Qt::LeftButton);
    EXPECT_TRUE(Status().isEmpty()) << typed;
    EXPECT_EQ(before, StoredCount(handed)) << typed;
  }
  EXPECT_EQ(0u, boxes_.Count()) << Utf8FromWide(boxes_.LastText());
}

TEST_F(CaptureWindowTest, ARecordCopyNamesItsWaybillAndABigPictureIsStoredWhole) {
  ShowPage(0);
  OpenCamera();
  // Noise does not compress: a JPEG of more than 200 KB.
  QImage noise(640, 480, QImage::Format_RGB32);
  QRandomGenerator random(74);
  for (int y = 0; y < noise.height(); ++y)
    for (int x = 0; x < noise.width(); ++x) noise.setPixel(x, y, random.generate() | 0xFF000000u);
  source_->frame = noise;
  const int32_t id = IdOf("BR10000022");
  ASSERT_GT(id, 0);
  // As the entry forms post it: a copy of the saved record.
  InputWaybillRecord saved{};
  saved.waybill.irID = id;
  std::memcpy(saved.waybill.cNum, "BR10000022", 10);
  platform::PostPrivateMessage(View()->GetVisibleCaptureWnd(), WM_CAPTURE_PARCEL, 1, saved);
  ASSERT_TRUE(WaitForStatus(QStringLiteral("BR10000022 已存入位置 1")))
      << Status().toStdString();
  // The bytes are the JPEG of the grabbed file, whole.
  CRasterImage grabbed((folder_.Folder() + "DATA/cappic.dib").c_str(), FormatUnknown);
  ASSERT_TRUE(grabbed.IsValid());
  grabbed.SetJpegQuality(90);
  uint8_t* block = nullptr;
  size_t size = 0;
  ASSERT_TRUE(grabbed.Encode(block, size, FormatJpeg));
  const std::string expected(reinterpret_cast<const char*>(block), size);
  std::free(block);
  ASSERT_GT(expected.size(), 200000u);
  const auto [length, signer] = StoredRow(id, 1);
  EXPECT_EQ(static_cast<int32_t>(expected.size()), length);
  EXPECT_TRUE(StoredPicture(id, 1, length) == expected);
}

TEST(CaptureParcelOf, ReadsTheRecordCopyOrTheIdInLParam) {
  InputWaybillRecord saved{};
  saved.waybill.irID = 74010;
  std::memcpy(saved.waybill.cNum, "BR74000010", 10);
  platform::PrivateMessageEvent fromSave(
      WM_CAPTURE_PARCEL, 3, 0,
      std::make_unique<platform::TypedMessagePayload<InputWaybillRecord>>(
          std::make_unique<InputWaybillRecord>(saved)));
  const CaptureParcel a = CaptureParcelOf(fromSave);
  EXPECT_EQ(74010, a.recordId);
  EXPECT_EQ(3, a.customerId);
  EXPECT_EQ("BR74000010", a.number);
  platform::PrivateMessageEvent fromHandOver(WM_CAPTURE_PARCEL, 4, 74011);
  const CaptureParcel b = CaptureParcelOf(fromHandOver);
  EXPECT_EQ(74011, b.recordId);
  EXPECT_EQ(4, b.customerId);
  EXPECT_TRUE(b.number.empty());
}

}  // namespace

namespace {

// The dialog's set-up of its capture window, without a server.
std::unique_ptr<CCaptureDlg> MakeDialog(std::unique_ptr<cameratest::FakeFrameSource> source) {
  return std::make_unique<CCaptureDlg>(
      std::move(source),
      [](std::string_view, std::span<const uint32_t>, std::string&) { return 0; },
      [] { return std::string("admin"); }, std::string("/tmp/"), nullptr,
      QRect(940, 244, 330, 288));
}

TEST(CaptureDialogSetUp, WideFramesAreAskedDownToThePreviewSize) {
  platform::RecordingMessageBoxService boxes;
  platform::ScopedMessageBoxService scope(&boxes);
  struct Case {
    QSize frames;
    std::vector<QSize> offered;
    QSize ending;
    std::vector<std::string> log;
  } cases[] = {
      // 640 wide: 320 x 240 is offered, the second pass connects at it.
      {QSize(640, 480), {QSize(320, 240)}, QSize(320, 240),
       {"connect 0", "format 320x240", "disconnect", "connect 0", "preview on 100"}},
      // Not offered: the window stays at the camera's size.
      {QSize(800, 600), {QSize(1280, 720)}, QSize(800, 600), {"connect 0", "preview on 100"}},
      // Narrower than 640: kept as it is.
      {QSize(352, 288), {QSize(320, 240)}, QSize(352, 288), {"connect 0", "preview on 100"}},
  };
  for (const Case& c : cases) {
    auto source = std::make_unique<cameratest::FakeFrameSource>();
    cameratest::FakeFrameSource* fake = source.get();
    fake->format = {c.frames.width(), c.frames.height(), 24};
    fake->offered = c.offered;
    auto dialog = MakeDialog(std::move(source));
    ASSERT_TRUE(dialog->HasCaptureWindow()) << c.frames.width();
    EXPECT_EQ(c.ending, QSize(fake->format.width, fake->format.height)) << c.frames.width();
    EXPECT_EQ(c.log, fake->log) << c.frames.width();
    EXPECT_EQ(QStringLiteral("实时图像获取"), dialog->windowTitle());
    EXPECT_EQ(QStringLiteral("10"), dialog->PositionEdit()->text());
  }
  EXPECT_EQ(0u, boxes.Count());

  // A camera that never delivers: no capture window, the operator is told.
  auto silent = std::make_unique<cameratest::FakeFrameSource>();
  silent->deliversFrames = false;
  EXPECT_FALSE(MakeDialog(std::move(silent))->HasCaptureWindow());
  EXPECT_EQ(u"不能创建视频窗口(Can't create capture window)", boxes.LastText());
}

}  // namespace

TEST_F(CaptureWindowTest, WithoutACameraTheFrameDropsTheWindow) {
  // The program's own source: this machine has no camera.
  Frame()->SetCaptureWindowFactory(MakeCaptureWindowFactory(
      app_.Link(), app_.ProgramFolder(), [] { return std::make_unique<CQtFrameSource>(); }));
  ShowPage(0);
  Frame()->ExecuteCommand(kCmdCaptureWindow);
  EXPECT_EQ(nullptr, Frame()->CaptureWindow());
  EXPECT_EQ(nullptr, View()->GetVisibleCaptureWnd());
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ(u"设备不可用(Device unavailable)", boxes_.LastText());
}

namespace {

// Each status text, in both languages, with a waybill number of 12
// characters and a server code of 4, fits the label in one line.
TEST(CaptureDialogSetUp, StatusTextsFitTheLabel) {
  const testsupport::LanguageTexts texts = testsupport::RepositoryTexts();
  auto dialog = MakeDialog(std::make_unique<cameratest::FakeFrameSource>());
  QLabel* label = dialog->StatusLabel();
  for (int id = 704000; id <= 704007; ++id) {
    ASSERT_EQ(1u, texts.count(id)) << id;
    for (std::u16string text : {texts.at(id).first, texts.at(id).second}) {
      ReplaceAllW(text, u"%1", u"BR1234567890");
      ReplaceAllW(text, u"%2", u"-406");
      const QString shown = QString::fromStdU16String(text);
      EXPECT_LE(label->fontMetrics().horizontalAdvance(shown), label->width())
          << id << " " << shown.toStdString();
    }
  }
}

}  // namespace
