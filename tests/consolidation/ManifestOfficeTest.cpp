// The manifest export through the office suite, from the stand-in's
// templates and data: one golden case per layout (golden/manifest/<case>:
// case.txt names the template and the filter answer, expected.txt holds
// the messages and every non-empty cell of the workbook, written by hand
// from the layouts' rules), the first page of each through the PDF filter
// as a screenshot, the failures around the office work, and page 12 driven
// with keys and clicks up to the file and the desktop opener.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTest>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/ChargeableWeight.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "consolidation/AwbEditor.h"
#include "consolidation/AwbEditorDlg.h"
#include "consolidation/AwbLoadingPage.h"
#include "consolidation/AwbManifest.h"
#include "office/ExcelSession.h"
#include "platform/QtMessageBox.h"
#include "print/TemplateModel.h"
#include "server/ServerLink.h"
#include "tests/PrivateCups.h"
#include "tests/QtTestSupport.h"
#include "tests/office/OfficeTestEnv.h"
#include "tests/refdata/RepositoryLanguage.h"
#include "tests/server/StandInLinkSuite.h"
#include "ui/AwbQueryDlg.h"
#include "ui/ViewHost.h"

namespace {

using namespace manifest;
namespace fs = std::filesystem;

::testing::Environment* const kOffice = ::testing::AddGlobalTestEnvironment(
    new officetest::OfficeEnvironment(officetest::OfficeEnvironment::kHoldSuite));

const fs::path kCases = fs::path(BRANTLE_SOURCE_DIR) / "tests/consolidation/golden/manifest";

std::string Utf8(std::u16string_view t) { return Utf8FromWide(t); }
std::u16string U(const std::string& utf8) { return QString::fromStdString(utf8).toStdU16String(); }

// The first page of a workbook through the PDF filter, as a PNG screenshot.
void PdfScreenshot(const fs::path& book, const std::string& name) {
  const fs::path dir = fs::path(BRANTLE_BINARY_DIR) / "screenshots";
  fs::create_directories(dir);
  const fs::path pdf = book.parent_path() / (name + ".pdf");
  CExcelSession s;
  ASSERT_EQ(s.OpenForReading(U(book.string())), 1);
  ASSERT_EQ(s.PrintOut(1, 1, 1, false, {}, U(pdf.string())), 1) << Utf8(s.LastError());
  s.Close();
  int status = 0;
  testsupport::RunCommand("pdftoppm -r 110 -png -f 1 -l 1 -singlefile '" + pdf.string() + "' '" +
                              (dir / name).string() + "'",
                          &status);
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(fs::exists(dir / (name + ".png")));
}

class ManifestOffice : public testsupport::StandInLinkSuite<ManifestOffice> {
 public:
  static constexpr const char* kRootName = "brantle-manifest-office";

 protected:
  void SetUp() override {
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "01"));
    ASSERT_NO_FATAL_FAILURE(OpenLink("01", "PC-MF46"));
    ASSERT_GT(link_.Login(u"admin", u"admin123", 0), 0);
  }

  // The template of that name as the application fetches it.
  const CTemplateModel* Template(std::string_view nameGbk) {
    auto model = std::make_unique<CTemplateModel>(GbkFromWide(kTemplateKind), nameGbk);
    if (model->Fetch(link_, folder_.string() + "/") != 1) return nullptr;
    models_.push_back(std::move(model));
    return models_.back().get();
  }

  std::string Dictionary45() {
    std::string reply;
    const uint32_t types[] = {AcsTypeEntry(kSqlCChar, 128)};
    link_.SqlQuery("SELECT dcvalue FROM brantle.dbo.sys_dict WHERE dcname='45'", types, &reply);
    const size_t at = reply.find("\"0\":\"");
    return at == std::string::npos ? std::string() : reply.substr(at + 5, reply.find('"', at + 5) - at - 5);
  }

  ManifestServices Services() {
    ManifestServices s;
    s.findTemplate = [this](std::string_view name) { return Template(name); };
    s.query = [this](std::string_view sql, std::span<const uint32_t> types, std::string& reply) {
      return link_.SqlQuery(sql, types, &reply);
    };
    s.askYesNo = [this](const std::u16string& q) {
      log_.push_back("ASK\t" + Utf8(q));
      return answer_;
    };
    s.message = [this](const std::u16string& t) { log_.push_back("MSG\t" + Utf8(t)); };
    s.text = [](int32_t id) { return AppLanguage().Text(id); };
    s.openFile = [this](const std::string& path) { log_.push_back("OPEN\t" + fs::path(path).filename().string()); };
    s.lookups.chargeableGrams = [](int32_t l, int32_t w, int32_t h, int32_t grams, uint8_t percent,
                                   char letter) { return ChargeableGrams(l, w, h, grams, percent, letter); };
    s.lookups.itemTypeText = [](int t) { return AppLanguage().ItemTypeText(t); };
    s.lookups.pickupWayText = [](int n) { return AppLanguage().PickupWayText(n); };
    s.programFolder = folder_.string() + "/";
    s.userName = u"管理员";
    s.dictionary45 = Dictionary45();
    s.today = [] { return std::u16string(u"12-11-2026"); };
    s.todayMonthDay = [] { return std::u16string(u"1211"); };
    return s;
  }

  // The form's values of a master air waybill as the form loads them.
  ManifestForm Form(std::u16string_view number, const std::string& templateName,
                    const std::string& special, bool openFile) {
    std::string reply;
    link_.SqlQuery(awb::HeaderSql(number), awb::HeaderTypes(), &reply);
    awb::AwbHeader header;
    EXPECT_TRUE(awb::ReadHeader(reply, header));
    return FormFromHeader(header, number, U(templateName), U(special), openFile, 3);
  }

  std::vector<std::string> log_;
  bool answer_ = true;
  std::vector<std::unique_ptr<CTemplateModel>> models_;
};

class ManifestGolden : public ManifestOffice, public ::testing::WithParamInterface<std::string> {};

TEST_P(ManifestGolden, WorkbookMatches) {
  const fs::path folder = kCases / GetParam();
  std::map<std::string, std::string> keys;
  {
    std::ifstream in(folder / "case.txt");
    for (std::string line; std::getline(in, line);)
      if (auto eq = line.find('='); eq != std::string::npos) keys[line.substr(0, eq)] = line.substr(eq + 1);
  }
  answer_ = keys["answer"] == "yes";
  const ExportOutcome out = RunManifestExport(
      Form(U(keys["number"]), keys["template"], keys["special"], keys["open"] == "1"), Services());
  std::vector<std::string> got = log_;
  ASSERT_FALSE(out.path.empty()) << (log_.empty() ? "" : log_.back());
  EXPECT_EQ(out.sessions, 1);
  EXPECT_EQ(out.sessionCloses, 1);
  got.push_back("FILE\t" + fs::path(out.path).filename().string());
  for (auto& cell : officetest::WorkbookCells(out.path)) got.push_back(cell);
  std::string text;
  for (auto& line : got) text += line + "\n";
  const std::string expected = officetest::ReadFile(folder / "expected.txt");
  const fs::path gotFile = fs::path(BRANTLE_BINARY_DIR) / "manifest-golden" / (GetParam() + ".got.txt");
  fs::create_directories(gotFile.parent_path());
  if (text != expected) officetest::WriteFile(gotFile, text);
  EXPECT_EQ(text, expected) << "case " << GetParam() << "; produced: " << gotFile;
  if (!keys["screenshot"].empty()) PdfScreenshot(out.path, keys["screenshot"]);
}

INSTANTIATE_TEST_SUITE_P(Cases, ManifestGolden,
                         ::testing::Values("standard", "pieces", "goods_across", "goods_rows",
                                           "goods_rows_pieces"));

// Around the office work: an existing file is replaced without a question;
// "999/../x" stays in DATA_TEMP; an empty list still writes header,
// signature and totals.
TEST_F(ManifestOffice, FilesFailuresAndEmptyLists) {
  ManifestServices sv = Services();
  ManifestForm form = Form(u"46000001", "总单清单", "", false);
  ExportOutcome first = RunManifestExport(form, sv);
  ASSERT_FALSE(first.path.empty());
  EXPECT_EQ(fs::path(first.path).filename().string(), "总单清单_46000001.xls");
  EXPECT_EQ(log_, (std::vector<std::string>{"MSG\t文件保存在:\r\n" + first.path}));
  officetest::WriteFile(first.path, "old");
  log_.clear();
  ExportOutcome again = RunManifestExport(form, sv);
  EXPECT_EQ(again.path, first.path);
  EXPECT_NE(officetest::ReadFile(first.path), "old");
  EXPECT_EQ(log_.size(), 1u);  // no overwrite question, only the path

  // "999/../x" stays inside DATA_TEMP.
  log_.clear();
  ExportOutcome odd = RunManifestExport(Form(u"999/../x", "总单清单", "", true), sv);
  ASSERT_FALSE(odd.path.empty());
  EXPECT_EQ(fs::path(odd.path).parent_path(), folder_ / "DATA_TEMP");
  EXPECT_EQ(fs::path(odd.path).filename().string(), "总单清单_999_.._x.xls");
  EXPECT_EQ(log_, (std::vector<std::string>{"OPEN\t总单清单_999_.._x.xls"}));

  // An empty list (no bag on the number): header, signature and zeros.
  log_.clear();
  ManifestForm empty = form;
  empty.awbNumber = u"NO-SUCH";
  ExportOutcome none = RunManifestExport(empty, sv);
  ASSERT_FALSE(none.path.empty());
  const std::vector<std::string> cells = officetest::WorkbookCells(none.path);
  auto has = [&](const std::string& c) { return std::find(cells.begin(), cells.end(), c) != cells.end(); };
  EXPECT_TRUE(has("A2\t0 AWB / 0 PCS / 0.00 KG / 3 BAGS"));
  EXPECT_TRUE(has("H1\t" + Utf8(Signature(u"NO-SUCH", "BRANTLE"))));
  EXPECT_TRUE(has("D4\t0"));
  EXPECT_TRUE(has("E4\t0"));
  EXPECT_TRUE(has("J4\t0"));
  EXPECT_FALSE(has("A4\t1"));

}

// ---- Page 12 with keys and clicks ----

class RecordingHost : public CViewHost {
 public:
  QSize ScreenSize() const override { return QSize(1280, 800); }
  CServerLink* ServerLink() override { return link; }
  void OpenUrl(const QString& address) override { opened.push_back(address.toStdString()); }
  CServerLink* link = nullptr;
  std::vector<std::string> opened;
};

class ManifestPage : public ManifestOffice {
 protected:
  void OpenPage(const std::string& language) {
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), language));
    host_.link = &link_;
    host_.SetQueryDialogs(nullptr, nullptr, &queryDlg_);
    page_ = std::make_unique<CAwbLoadingPage>();
    page_->host = &host_;
    page_->index = 12;
    page_->CreatePageWindow(nullptr, QSize(1270, 700));
    page_->OnPageCreated();
    page_->resize(1270, 700);
    page_->show();
    page_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(page_.get()));
    ASSERT_NE(page_->form, nullptr);
    CAwbEditorDlg& form = *page_->form;
    // The application's wiring, with the recording host as the desktop.
    ManifestServices s = Services();
    s.query = form.Editor().Services().query;
    s.askYesNo = [](const std::u16string& q) {
      return platform::ShowMessageBox(q, AppLanguage().Text(kCaptionText),
                                      platform::kMbYesNo | platform::kMbIconQuestion) == platform::kIdYes;
    };
    s.message = [](const std::u16string& t) { platform::ShowMessageBox(t); };
    s.openFile = [this](const std::string& path) {
      host_.OpenUrl(QUrl::fromLocalFile(QString::fromStdString(path)).toString());
    };
    form.manifestServices = s;
    ASSERT_TRUE(form.LoadAwb(u"123-45-6"));
  }
  void TearDown() override { page_.reset(); }

  // Boxes are shown; the question answered `yes`, its picture over the page
  // saved under `shot`.
  void AnswerBoxes(bool yes, const QString& shot) {
    boxes_qt_.SetBoxRunner([this, yes, shot](QMessageBox& box) {
      shown_.push_back(box.text().toStdString());
      if (!shot.isEmpty() && box.text().contains(QStringLiteral("A123"))) {
        box.show();
        QApplication::processEvents();
        QImage image = page_->grab().toImage();
        const QImage boxImage = box.grab().toImage();
        QPainter p(&image);
        p.drawImage((image.width() - boxImage.width()) / 2, (image.height() - boxImage.height()) / 2,
                    boxImage);
        p.end();
        QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
        EXPECT_TRUE(image.save(QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/") + shot + ".png"));
        box.hide();
      }
      if (box.standardButtons() & QMessageBox::Yes)
        return static_cast<int>(yes ? QMessageBox::Yes : QMessageBox::No);
      return static_cast<int>(QMessageBox::Ok);
    });
  }

  platform::QtMessageBoxService boxes_qt_;
  platform::ScopedMessageBoxService scope_qt_{&boxes_qt_};
  std::vector<std::string> shown_;
  RecordingHost host_;
  CAwbQueryDlg queryDlg_;
  std::unique_ptr<CAwbLoadingPage> page_;
};

TEST_F(ManifestPage, ExportFromThePageWithKeys) {
  for (const std::string language : {"01", "00"}) {
    SCOPED_TRACE(language);
    shown_.clear();
    host_.opened.clear();
    ASSERT_NO_FATAL_FAILURE(OpenPage(language));
    CAwbEditorDlg& form = *page_->form;
    const int index = form.templateCombo->findText(QStringLiteral("总单清单"));
    ASSERT_GE(index, 0);
    form.templateCombo->setCurrentIndex(index);
    // "  A123 " asks; Yes filters and names the file "…_A123"; the check
    // box opens it through the desktop.
    form.specialNumberEdit->setFocus();
    QTest::keyClicks(form.specialNumberEdit, QStringLiteral("  A123 "));
    if (!form.openFileCheck->isChecked()) QTest::mouseClick(form.openFileCheck, Qt::LeftButton);
    AnswerBoxes(true, QString::fromStdString(language == "01" ? "awb_export_question_en"
                                                              : "awb_export_question_zh"));
    QTest::mouseClick(form.exportButton, Qt::LeftButton);
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_NE(shown_[0].find("A123"), std::string::npos);
    EXPECT_TRUE(form.lastExport.asked && form.lastExport.filter);
    ASSERT_FALSE(form.lastExport.path.empty());
    EXPECT_EQ(fs::path(form.lastExport.path).filename().string(), "总单清单_123-45-6_A123.xls");
    ASSERT_EQ(host_.opened.size(), 1u);
    EXPECT_EQ(host_.opened[0],
              QUrl::fromLocalFile(QString::fromStdString(form.lastExport.path)).toString().toStdString());
    for (const std::string& q : form.lastExport.queries)
      EXPECT_NE(q.find(" AND d.chno='A123'"), std::string::npos);
    EXPECT_EQ(form.lastExport.totals.waybills, (std::vector<int32_t>{46001, 46002, 46007}));

    // Three characters ask nothing; without the check box the path is shown.
    shown_.clear();
    host_.opened.clear();
    form.specialNumberEdit->clear();
    QTest::keyClicks(form.specialNumberEdit, QStringLiteral("B7 "));
    QTest::mouseClick(form.openFileCheck, Qt::LeftButton);
    AnswerBoxes(true, {});
    QTest::mouseClick(form.exportButton, Qt::LeftButton);
    EXPECT_FALSE(form.lastExport.asked);
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0], "文件保存在:\n" + form.lastExport.path);  // the box shows CR LF as a line feed
    EXPECT_EQ(fs::path(form.lastExport.path).filename().string(), "总单清单_123-45-6.xls");
    EXPECT_TRUE(host_.opened.empty());
    page_.reset();
  }
}

// The goods-across layout asks both its queries with the filter.
TEST_F(ManifestPage, GoodsAcrossFiltersBothQueries) {
  ASSERT_NO_FATAL_FAILURE(OpenPage("01"));
  CAwbEditorDlg& form = *page_->form;
  form.templateCombo->setCurrentIndex(form.templateCombo->findText(QStringLiteral("总单物品横列")));
  QTest::keyClicks(form.specialNumberEdit, QStringLiteral("A123"));
  AnswerBoxes(true, {});
  QTest::mouseClick(form.exportButton, Qt::LeftButton);
  ASSERT_EQ(form.lastExport.queries.size(), 3u);
  for (const std::string& q : form.lastExport.queries)
    EXPECT_NE(q.find(" AND d.chno='A123'"), std::string::npos) << q;
  EXPECT_EQ(fs::path(form.lastExport.path).filename().string(), "总单物品横列_123-45-6_A123.xls");
}

}  // namespace
