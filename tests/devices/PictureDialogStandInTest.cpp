// The pictures dialog against the stand-in server, driven with clicks and
// keys as an operator: opened from the full waybill form's pictures link
// (uploads allowed) and from the single-waybill view (read-only); pictures
// downloaded into their cache names and shown fitted, shown again from the
// cache while it is current, a chosen file uploaded and read back from the
// stand-in; screenshots in <build>/screenshots.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <utime.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "devices/RecordPictures.h"
#include "entry/WaybillForm.h"
#include "image/RasterImage.h"
#include "platform/MessageBox.h"
#include "shell/BrantleClientApp.h"
#include "shipping/RecordViewDlg.h"
#include "shipping/RecordViewPage.h"
#include "tests/QtTestSupport.h"
#include "tests/devices/AttachmentTestFiles.h"
#include "tests/shell/StandInSuite.h"
#include "ui/LinkLabel.h"
#include "ui/PictureDlg.h"
#include "ui/ViewHost.h"

namespace {

namespace fs = std::filesystem;
using attachmenttest::ReadFile;
using attachmenttest::WriteFile;

void Save(QWidget& widget, const QString& name) {
  QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
  const QString path = QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/") + name + ".png";
  EXPECT_TRUE(widget.grab().toImage().save(path)) << path.toStdString();
}

// A JPEG of one colour made by the image library.
std::string JpegOf(uint32_t w, uint32_t h, RGBQUAD colour) {
  CRasterImage image(w, h, 24);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) image.SetPixelColor(x, y, colour);
  uint8_t* buffer = nullptr;
  size_t size = 0;
  if (!image.Encode(buffer, size, FormatJpeg)) return {};
  std::string bytes(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);
  return bytes;
}

// Column 0 of the first row, as bytes, straight from the stand-in's file.
std::string BlobOnDatabase(const std::string& database, const std::string& sql) {
  sqlite3* db = nullptr;
  std::string out;
  if (sqlite3_open(database.c_str(), &db) == SQLITE_OK) {
    sqlite3_busy_timeout(db, 5000);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW) {
      const auto* data = static_cast<const char*>(sqlite3_column_blob(st, 0));
      out.assign(data ? data : "", static_cast<size_t>(sqlite3_column_bytes(st, 0)));
    }
    sqlite3_finalize(st);
  }
  sqlite3_close(db);
  return out;
}

// Near a colour (JPEG rounds a little).
bool Near(QRgb pixel, int r, int g, int b) {
  return std::abs(qRed(pixel) - r) <= 4 && std::abs(qGreen(pixel) - g) <= 4 &&
         std::abs(qBlue(pixel) - b) <= 4;
}

// Where a picture of the display size ends on the canvas: its last pixel
// has the colour, the pixels right of and below it are white.
void ExpectFitted(const CPictureDlg& dialog, int width, int height, int r, int g, int b) {
  const QImage& canvas = dialog.Canvas();
  EXPECT_EQ(width, dialog.Session().Display().width);
  EXPECT_EQ(height, dialog.Session().Display().height);
  EXPECT_TRUE(Near(canvas.pixel(5, 5), r, g, b)) << std::hex << canvas.pixel(5, 5);
  EXPECT_TRUE(Near(canvas.pixel(4 + width, 4 + height), r, g, b))
      << std::hex << canvas.pixel(4 + width, 4 + height);
  EXPECT_EQ(qRgb(255, 255, 255), canvas.pixel(4, 4));
  if (width < 640) EXPECT_EQ(qRgb(255, 255, 255), canvas.pixel(5 + width, 5));
  if (height < 480) EXPECT_EQ(qRgb(255, 255, 255), canvas.pixel(5, 5 + height));
}

// The program's host as the single-waybill view uses it: the link, and
// addresses noted instead of opened.
class NotingHost : public CViewHost {
 public:
  explicit NotingHost(CServerLink& link) : link_(link) {}
  CServerLink* ServerLink() override { return &link_; }
  void OpenUrl(const QString& address) override { opened.push_back(address); }
  std::vector<QString> opened;

 private:
  CServerLink& link_;
};

class PictureDialogStandIn : public shelltest::StandInSuite {
 protected:
  void Open(const std::string& language) {
    StandInSuite::SetUp();
    if (HasFatalFailure()) return;
    std::ofstream(folder_.Path() / "ZizTolvane.ini", std::ios::binary)
        << shelltest::StandInConfigText(server_->Port(), "PC-PICS");
    app_.SetProgramFolder(folder_.Folder());
    ASSERT_EQ(1, app_.Link().Init(folder_.Folder()));
    shelltest::LoadProgramLanguage(language);
    ASSERT_GT(app_.Link().Login(u"admin", u"admin123", 0), 0);
    ASSERT_TRUE(app_.LoadServiceKinds());
    app_.RefreshClientList();
    app_.RefreshDestinations();
    form_ = std::make_unique<CWaybillDlg>();
    form_->Attach(&app_.Link(), nullptr, &app_);
    form_->resize(620, 720);
    form_->show();
    QApplication::setActiveWindow(form_.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  }
  void SetUp() override {}
  void TearDown() override {
    form_.reset();
    app_.Link().Logout();
  }

  void Load(const char* number) {
    QLineEdit* search = form_->SearchBox(0);
    search->setFocus();
    search->selectAll();
    QTest::keyClicks(search, number);
    QTest::keyClick(search, Qt::Key_Return);
    ASSERT_GT(form_->State().loadedId, 0) << number << " " << Utf8FromWide(boxes_.LastText());
  }

  // Clicks the form's pictures link; `drive` runs on the modal dialog,
  // which is closed afterwards.
  void OpenFromForm(const std::function<void(CPictureDlg&)>& drive) {
    bool driven = false;
    WhenModal([&](CPictureDlg& dialog) {
      driven = true;
      drive(dialog);
    });
    QTest::mouseClick(form_->PictureLink(), Qt::LeftButton);
    EXPECT_TRUE(driven);
  }

  // Runs `drive` on the pictures dialog once it is the modal window (it
  // loads its positions before its modal loop starts), then closes it.
  static void WhenModal(std::function<void(CPictureDlg&)> drive, int tries = 500) {
    QTimer::singleShot(10, [drive = std::move(drive), tries]() mutable {
      auto* dialog = qobject_cast<CPictureDlg*>(QApplication::activeModalWidget());
      if (dialog == nullptr || !dialog->isVisible()) {
        if (tries > 0) WhenModal(std::move(drive), tries - 1);
        return;
      }
      drive(*dialog);
      dialog->reject();
    });
  }

  std::string CacheFile(uint32_t key, uint32_t position, const char* ext) const {
    return pictures::CacheFileName(folder_.Folder() + "DATA_TEMP/CAPPIC", 3, key, position, ext);
  }

  void DriveFromForm(const QString& screenshot);

  shelltest::TempFolder folder_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
  CBrantleClientApp app_;
  std::unique_ptr<CWaybillDlg> form_;
};

void PictureDialogStandIn::DriveFromForm(const QString& screenshot) {
  // No waybill loaded: the link does nothing.
  int opened = 0;
  form_->openPictures = [&](QWidget*, int32_t, int32_t) { ++opened; };
  QTest::mouseClick(form_->PictureLink(), Qt::LeftButton);
  EXPECT_EQ(0, opened);
  ASSERT_NO_FATAL_FAILURE(Load("PC49000001"));
  QTest::mouseClick(form_->PictureLink(), Qt::LeftButton);
  EXPECT_EQ(1, opened);
  form_->openPictures = nullptr;

  OpenFromForm([&](CPictureDlg& dialog) {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(713001, dialog.Session().Key());
    EXPECT_EQ(AppLanguage().Text(300011), dialog.windowTitle().toStdU16String());
    QComboBox& list = *dialog.PositionList();
    ASSERT_EQ(6, list.count());
    const char* positions[] = {"1", "2", "5", "7", "9", "12"};
    for (int k = 0; k < 6; ++k) EXPECT_EQ(QString(positions[k]), list.itemText(k));
    const char* links[] = {"#1", "#2", "#5", "#7", "#9"};
    for (int k = 0; k < 5; ++k) EXPECT_EQ(QString(links[k]), dialog.Link(k)->text());
    EXPECT_TRUE(dialog.ChooseButton()->isEnabled());
    EXPECT_FALSE(dialog.UploadButton()->isEnabled());
    EXPECT_FALSE(dialog.OpenButton()->isEnabled());

    // #1: 320 x 240 JPEG, downloaded into its cache name, shown at 640 x 480.
    const std::string first = CacheFile(713001, 1, "jpg");
    EXPECT_EQ("REC00713001_01.jpg", fs::path(first).filename().string());
    QTest::mouseClick(dialog.Link(0), Qt::LeftButton);
    ASSERT_TRUE(fs::exists(first));
    ExpectFitted(dialog, 640, 480, 200, 40, 40);
    EXPECT_EQ(QString::fromStdString(first), dialog.PathLabel()->text());
    EXPECT_TRUE(dialog.OpenButton()->isEnabled());
    EXPECT_FALSE(dialog.UploadButton()->isEnabled());

    // #2: 1600 x 800 shown at 640 x 320.
    QTest::mouseClick(dialog.Link(1), Qt::LeftButton);
    ExpectFitted(dialog, 640, 320, 40, 160, 60);

    // The cached #1, newer than the server's time, is shown without a
    // download: a different picture put in its place shows.
    const std::string served = ReadFile(first);
    WriteFile(first, JpegOf(64, 48, RGBQUAD{10, 200, 10, 0}));
    QTest::mouseClick(dialog.Link(0), Qt::LeftButton);
    ASSERT_NE(nullptr, dialog.Session().Picture());
    EXPECT_EQ(64u, dialog.Session().Picture()->GetWidth());
    ExpectFitted(dialog, 640, 480, 10, 200, 10);
    // Made older than the server's time (2024-03-20 10:00:00): fetched again.
    utimbuf older{946684800, 946684800};  // 2000-01-01
    ASSERT_EQ(0, ::utime(first.c_str(), &older));
    QTest::mouseClick(dialog.Link(0), Qt::LeftButton);
    EXPECT_EQ(320u, dialog.Session().Picture()->GetWidth());
    EXPECT_EQ(served, ReadFile(first));

    // 12 typed into the position list with Enter: the 100 x 50 palette BMP.
    list.setFocus();
    list.lineEdit()->selectAll();
    QTest::keyClicks(list.lineEdit(), "12");
    QTest::keyClick(list.lineEdit(), Qt::Key_Return);
    ExpectFitted(dialog, 640, 320, 20, 150, 150);
    EXPECT_TRUE(fs::exists(CacheFile(713001, 12, "bmp")));

    // 7 (PNG) and 9 (GIF) by the links, 5 (BMP 640 x 480, unchanged) by the
    // list and the view button.
    QTest::mouseClick(dialog.Link(3), Qt::LeftButton);
    ExpectFitted(dialog, 640, 320, 220, 180, 20);
    QTest::mouseClick(dialog.Link(4), Qt::LeftButton);
    ExpectFitted(dialog, 640, 480, 120, 40, 160);
    list.setCurrentIndex(2);
    QTest::mouseClick(dialog.ViewButton(), Qt::LeftButton);
    ExpectFitted(dialog, 640, 480, 30, 60, 200);
    Save(dialog, screenshot);

    // "System Open >>>" hands the cached file to the desktop as a local
    // file address.
    std::vector<QUrl> urls;
    dialog.openUrl = [&](const QUrl& url) { urls.push_back(url); };
    QTest::mouseClick(dialog.OpenButton(), Qt::LeftButton);
    ASSERT_EQ(1u, urls.size());
    EXPECT_EQ(QUrl::fromLocalFile(QString::fromStdString(CacheFile(713001, 5, "bmp"))), urls[0]);
    EXPECT_EQ(0u, boxes_.Count()) << Utf8FromWide(boxes_.LastText());
  });
}

TEST_F(PictureDialogStandIn, FromTheFullFormInEnglish) {
  ASSERT_NO_FATAL_FAILURE(Open("01"));
  DriveFromForm(QStringLiteral("pictures_dialog_en"));
}

TEST_F(PictureDialogStandIn, FromTheFullFormInChinese) {
  ASSERT_NO_FATAL_FAILURE(Open("00"));
  DriveFromForm(QStringLiteral("pictures_dialog_zh"));
}

TEST_F(PictureDialogStandIn, StoredExtensionsOutsideLettersAndDigitsAreNotCached) {
  ASSERT_NO_FATAL_FAILURE(Open("01"));
  ASSERT_NO_FATAL_FAILURE(Load("PC49000002"));
  OpenFromForm([&](CPictureDlg& dialog) {
    ASSERT_EQ(3, dialog.PositionList()->count());
    QTest::mouseClick(dialog.Link(0), Qt::LeftButton);  // 60 bytes: nothing
    EXPECT_EQ(nullptr, dialog.Session().Picture());
    EXPECT_EQ(0u, boxes_.Count());
    QTest::mouseClick(dialog.Link(1), Qt::LeftButton);  // "/../../x"
    QTest::mouseClick(dialog.Link(2), Qt::LeftButton);  // "a'b"
    EXPECT_EQ(2u, boxes_.Count());
    EXPECT_EQ(nullptr, dialog.Session().Picture());
    EXPECT_FALSE(dialog.OpenButton()->isEnabled());
  });
  // Nothing was written for them, in the cache folder or beside it.
  size_t files = 0;
  if (fs::exists(folder_.Path() / "DATA_TEMP"))
    for (const auto& entry : fs::recursive_directory_iterator(folder_.Path() / "DATA_TEMP"))
      if (entry.is_regular_file()) ++files;
  EXPECT_EQ(0u, files);
  EXPECT_FALSE(fs::exists(folder_.Path() / "DATA_TEMP" / "x"));
  EXPECT_FALSE(fs::exists(folder_.Path() / "x"));
}

TEST_F(PictureDialogStandIn, AChosenFileIsShownUploadedAndReadBack) {
  ASSERT_NO_FATAL_FAILURE(Open("01"));
  ASSERT_NO_FATAL_FAILURE(Load("PC49000003"));
  const std::string bytes = JpegOf(160, 120, RGBQUAD{30, 90, 210, 0});
  const fs::path chosen = folder_.Path() / "parcel.jpg";
  WriteFile(chosen, bytes);
  const fs::path renamed = folder_.Path() / "parcel.jpeg";
  WriteFile(renamed, bytes);
  OpenFromForm([&](CPictureDlg& dialog) {
    EXPECT_EQ(0, dialog.PositionList()->count());
    // "parcel.jpeg" shows but is refused at the upload.
    dialog.chooseFile = [&](QWidget*) { return renamed.u16string(); };
    QTest::mouseClick(dialog.ChooseButton(), Qt::LeftButton);
    ASSERT_TRUE(dialog.UploadButton()->isEnabled());
    QTest::mouseClick(dialog.UploadButton(), Qt::LeftButton);
    EXPECT_EQ(AppLanguage().Text(300026), boxes_.LastText());

    dialog.chooseFile = [&](QWidget*) { return chosen.u16string(); };
    QTest::mouseClick(dialog.ChooseButton(), Qt::LeftButton);
    ExpectFitted(dialog, 640, 480, 210, 90, 30);
    EXPECT_EQ(QString::fromStdU16String(chosen.u16string()), dialog.PathLabel()->text());
    ASSERT_TRUE(dialog.UploadButton()->isEnabled());
    // Position 3 typed into "位置:", uploaded with Alt+S.
    dialog.PositionField()->setFocus();
    dialog.PositionField()->selectAll();
    QTest::keyClicks(dialog.PositionField(), "3");
    QTest::keyClick(&dialog, Qt::Key_S, Qt::AltModifier);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return dialog.PositionList()->count() == 1; }))
        << Utf8FromWide(boxes_.LastText());
    EXPECT_EQ(QStringLiteral("3"), dialog.PositionList()->itemText(0));
    EXPECT_EQ(QStringLiteral("#3"), dialog.Link(0)->text());
    EXPECT_FALSE(dialog.UploadButton()->isEnabled());
    EXPECT_EQ(nullptr, dialog.Session().Picture());
    // Shown again from the server.
    QTest::mouseClick(dialog.Link(0), Qt::LeftButton);
    ExpectFitted(dialog, 640, 480, 210, 90, 30);
    EXPECT_EQ(bytes, ReadFile(CacheFile(713003, 3, "jpg")));
  });
  const std::string database = server_->Database();
  EXPECT_EQ(bytes, BlobOnDatabase(database, "SELECT vdata FROM client_rec_picc WHERE irid=713003 AND npos=3"));
  EXPECT_EQ("jpg", BlobOnDatabase(database, "SELECT cext FROM client_rec_picc WHERE irid=713003 AND npos=3"));
  const std::string signer = Utf8FromWide(WideFromGbk(app_.Link().Session().userName));
  ASSERT_FALSE(signer.empty());
  EXPECT_EQ(signer, BlobOnDatabase(database, "SELECT cinput FROM client_rec_picc WHERE irid=713003 AND npos=3"));
  EXPECT_EQ(std::to_string(bytes.size()),
            BlobOnDatabase(database, "SELECT ilen FROM client_rec_picc WHERE irid=713003 AND npos=3"));
}

TEST_F(PictureDialogStandIn, ReadOnlyFromTheSingleWaybillView) {
  ASSERT_NO_FATAL_FAILURE(Open("00"));
  NotingHost host(app_.Link());
  CRecordViewDlg view(MakeRecordViewServices(&host));
  view.resize(900, 600);
  view.show();
  ASSERT_EQ(1, view.ShowRecord(kViewById, 713001));
  bool driven = false;
  WhenModal([&](CPictureDlg& d) {
    CPictureDlg* dialog = &d;
    driven = true;
    EXPECT_FALSE(dialog->ChooseButton()->isEnabled());
    EXPECT_FALSE(dialog->UploadButton()->isEnabled());
    QTest::mouseClick(dialog->Link(1), Qt::LeftButton);
    ExpectFitted(*dialog, 640, 320, 40, 160, 60);
    EXPECT_FALSE(dialog->UploadButton()->isEnabled());
    Save(*dialog, QStringLiteral("pictures_dialog_readonly"));
    QTest::mouseClick(dialog->OpenButton(), Qt::LeftButton);
  });
  QTest::mouseClick(view.picturesLink, Qt::LeftButton);
  EXPECT_TRUE(driven);
  ASSERT_EQ(1u, host.opened.size());
  EXPECT_EQ(QUrl::fromLocalFile(QString::fromStdString(CacheFile(713001, 2, "jpg"))).toString(),
            host.opened[0]);
}

}  // namespace
