// The waybill import of page 0 end to end: a workbook written through the
// office suite, the format list and mapping files in the program folder,
// the customer typed into the form, the file chosen in the file dialog with
// keys, and every row sent to the local stand-in.  The waybills are read
// back from the stand-in's database field by field; the refusals are on the
// clipboard as the summary reports them.  An import the operator stops keeps
// what it saved and says where it stopped; the workbook's session is closed
// on every way out of the import.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "../office/OfficeTestEnv.h"
#include "common/FixedField.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "entry/ImportFormats.h"
#include "entry/ImportProgressDlg.h"
#include "entry/QuickEntryDlg.h"
#include "entry/QuickEntryPage.h"
#include "entry/WaybillImport.h"
#include "office/ExcelSession.h"
#include "platform/QtMessageBox.h"
#include "refdata/RecordStores.h"
#include "server/ServerLink.h"
#include "shell/BrantleClientApp.h"
#include "tests/QtTestSupport.h"
#include "tests/entry/EntryTestSupport.h"
#include "tests/shell/StandInSuite.h"
#include "ui/ListGrid.h"
#include "ui/ViewHost.h"

namespace {

namespace fs = std::filesystem;

::testing::Environment* const kOffice = ::testing::AddGlobalTestEnvironment(
    new officetest::OfficeEnvironment(officetest::OfficeEnvironment::kHoldSuite));

std::u16string W(const char* utf8) { return QString::fromUtf8(utf8).toStdU16String(); }
std::string U8(const std::u16string& w) { return QString::fromStdU16String(w).toStdString(); }
std::u16string N(long long v) { return WideFromGbk(std::to_string(v)); }
// A message as the message box shows it: its line breaks without CR.
std::string Shown(std::u16string text) {
  std::erase(text, u'\r');
  return U8(text);
}

class TestHost : public CViewHost {
 public:
  explicit TestHost(CBrantleClientApp* app) : app_(app) {}
  CBrantleClientApp* Application() override { return app_; }
  CPrintDoors* PrintDoors() override { return &app_->PrintDoors(); }
  QSize ScreenSize() const override { return QSize(1280, 768); }

 private:
  CBrantleClientApp* app_;
};

// Rows of a query over the stand-in's database, every column as UTF-8 text.
std::vector<std::vector<std::string>> Query(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_busy_timeout(db, 5000);
  sqlite3_create_collation(db, "TSQL", SQLITE_UTF8, nullptr,
                           [](void*, int n1, const void* a, int n2, const void* b) {
                             int c = std::memcmp(a, b, static_cast<size_t>(std::min(n1, n2)));
                             return c ? c : n1 - n2;
                           });
  sqlite3_stmt* st = nullptr;
  std::vector<std::vector<std::string>> rows;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << sqlite3_errmsg(db) << " in " << sql;
  } else {
    while (sqlite3_step(st) == SQLITE_ROW) {
      std::vector<std::string> row;
      for (int c = 0; c < sqlite3_column_count(st); ++c) {
        const unsigned char* t = sqlite3_column_text(st, c);
        row.emplace_back(t ? reinterpret_cast<const char*>(t) : "");
      }
      rows.push_back(std::move(row));
    }
  }
  sqlite3_finalize(st);
  sqlite3_close(db);
  return rows;
}

// The mapping files this project ships with its import: column mode, and
// header mode with a channel block.
const char kColumnMapping[] =
    "列字段识别模式=0\r\n记录数据开始行=2\r\n<列字段对应关系定义开始>\r\n"
    "运单号=A\r\n目的地=B\r\n网络渠道=C\r\n重量=D\r\n收件人=E\r\n收件地址=F\r\n收件国家=G\r\n"
    "物品描述=H\r\n物品数量=I\r\n物品单价=J\r\n付款方式=K\r\n参考号=L\r\n发件证照号=M\r\n"
    "收件证照号=N\r\n代收货款返回=O\r\n物品净重=P\r\n物品单位=Q\r\n业务日期=R\r\n托运备注=S\r\n"
    "备注=T\r\n#件数=U\r\n<列字段对应关系定义结束>\r\n";
const char kHeaderMapping[] =
    "列字段识别模式=1\r\n记录数据开始行=2\r\n<列字段对应关系定义开始>\r\n"
    "运单号=Tracking No\r\n目的地=Destination\r\n网络渠道=Channel\r\n重量=Weight (kg)\r\n"
    "收件人=Consignee\r\n<列字段对应关系定义结束>\r\n"
    "<网络渠道对应开始>\r\n空运=IMP75A 经济=IMP75B #停用=IMP75C\r\n<网络渠道对应结束>\r\n";
const char kFormatList[] =
    "<运单记录导入格式配置开始>\r\n"
    "XLS,\"import_columns.txt\",\"按列导入\",936\r\n"
    "XLS,\"import_headers.txt\",\"按表头导入\",936\r\n"
    "csv,\"import_columns.txt\",\"CSV 文件\",0\r\n"
    "<运单记录导入格式配置结束>\r\n";

void WriteGbk(const fs::path& file, const char* utf8) {
  std::ofstream(file, std::ios::binary) << GbkFromWide(W(utf8));
}

// One sheet row: columns A .. T of the column mapping.
using SheetRow = std::vector<std::u16string>;

class WaybillImportOffice : public shelltest::StandInSuite {
 protected:
  void SetUp() override {
    StandInSuite::SetUp();
    if (HasFatalFailure()) return;
    std::ofstream(folder_.Path() / "ZizTolvane.ini", std::ios::binary)
        << shelltest::StandInConfigText(server_->Port(), "PC-IMPORT");
    WriteGbk(folder_.Path() / "input_set.txt", kFormatList);
    WriteGbk(folder_.Path() / "import_columns.txt", kColumnMapping);
    WriteGbk(folder_.Path() / "import_headers.txt", kHeaderMapping);
    app_.SetProgramFolder(folder_.Folder());
    ASSERT_EQ(1, app_.Link().Init(folder_.Folder()));
  }
  void Start(const std::string& language) {
    shelltest::LoadProgramLanguage(language);
    ASSERT_GT(app_.Link().Login(u"admin", u"admin123", 0), 0);
    ASSERT_TRUE(app_.LoadServiceKinds());
    app_.RefreshClientList();
    app_.RefreshDestinations();
    fs::create_directories(folder_.Path() / "DATA");
    ASSERT_GE(app_.InputRecords().Open(folder_.Path() / "DATA/recinput.dat"), 0);
    ASSERT_GE(app_.GoodsLines().Open(folder_.Path() / "DATA/recgoods.dat"), 0);
    boxes_.SetBoxRunner([this](QMessageBox& box) {
      shown_.push_back(box.text().toStdU16String());
      if (!boxShot_.isEmpty()) {
        box.show();
        entrytest::SaveScreenshot(box, boxShot_);
      }
      return static_cast<int>(QMessageBox::Ok);
    });
  }
  void TearDown() override {
    page_.reset();
    app_.Link().Logout();
  }

  CQuickEntryPage& OpenPage() {
    page_ = std::make_unique<CQuickEntryPage>();
    page_->host = &host_;
    page_->index = 0;
    page_->CreatePageWindow(nullptr, QSize(1280, 720));
    page_->OnPageCreated();
    page_->show();
    QApplication::setActiveWindow(page_.get());
    EXPECT_TRUE(QTest::qWaitForWindowExposed(page_.get()));
    return *page_;
  }
  QWidget* Focus() const { return QApplication::focusWidget(); }
  void Type(QWidget* target, const QString& text) {
    for (QChar c : text) {
      if (c.unicode() < 128) {
        QTest::keyClick(target, c.toLatin1());
      } else {
        QTest::sendKeyEvent(QTest::Press, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
      }
    }
  }
  // The customer typed and its suggestion taken with Enter.
  void TypeCustomer() {
    CQuickEntryDlg& form = *page_->Form();
    form.CustomerEdit()->setFocus();
    Type(form.CustomerEdit(), QStringLiteral("导入样例"));
    ASSERT_TRUE(form.ClientPopup()->isVisible());
    QTest::keyClick(form.CustomerEdit(), Qt::Key_Return);
    ASSERT_EQ(75001, form.Entry().customerId);
  }

  // The workbook of the rows under a header row.
  std::u16string Workbook(const std::string& name, const std::vector<SheetRow>& rows) {
    const std::u16string path = (officetest::TestFolder() / name).u16string();
    CExcelSession book;
    book.SetOverwriteQuestion(false);
    EXPECT_EQ(1, book.CreateWorkbook({}, path, {}, false)) << U8(book.LastError());
    const char* headers[] = {"单号", "目的地", "渠道", "重量", "收件人", "地址", "国家", "品名",
                             "数量", "单价", "付款", "参考号", "发件证件", "收件证件", "代收返回",
                             "净重", "单位", "日期", "托运备注", "备注"};
    for (int c = 0; c < 20; ++c) book.SetCellText(1, c + 1, W(headers[c]));
    for (size_t r = 0; r < rows.size(); ++r)
      for (size_t c = 0; c < rows[r].size(); ++c)
        if (!rows[r][c].empty())
          book.SetCellText(static_cast<int>(r) + 2, static_cast<int>(c) + 1, rows[r][c]);
    EXPECT_EQ(1, book.SaveAndClose()) << U8(book.LastError());
    return path;
  }

  // Runs the import command and answers the file dialog with keys: the
  // path typed into its name box, the format chosen in its type list.
  void ImportWithKeys(const std::u16string& path, int formatIndex, const QString& dialogShot) {
    bool answered = false;
    QTimer::singleShot(0, [&] {
      QFileDialog* dialog = nullptr;
      testsupport::WaitUntil([&] {
        dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        return dialog != nullptr;
      });
      if (dialog == nullptr) return;
      auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
      auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      if (types == nullptr || name == nullptr) {
        dialog->reject();
        return;
      }
      const fs::path file(path);
      dialog->setDirectory(QString::fromStdU16String(file.parent_path().u16string()));
      types->setFocus();
      for (int i = 0; i < formatIndex; ++i) QTest::keyClick(types, Qt::Key_Down);
      name->setCompleter(nullptr);  // the name as typed, not as completed
      name->setFocus();
      Type(name, QString::fromStdU16String(file.filename().u16string()));
      if (!dialogShot.isEmpty()) entrytest::SaveScreenshot(*dialog, dialogShot);
      QTest::keyClick(name, Qt::Key_Return);
      answered = true;
      // A dialog that did not take the file fails the case instead of
      // waiting for ever.
      QTimer::singleShot(2000, dialog, [dialog] {
        if (dialog->isVisible()) dialog->reject();
      });
    });
    page_->OnImportExcel();
    EXPECT_TRUE(answered);
  }

  std::string Db() const { return server_->Database(); }

  shelltest::TempFolder folder_;
  platform::QtMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
  std::vector<std::u16string> shown_;
  QString boxShot_;
  CBrantleClientApp app_;
  TestHost host_{&app_};
  std::unique_ptr<CQuickEntryPage> page_;
};

std::u16string RowText(int id, int row) {
  std::u16string t = AppLanguage().Text(id);
  t.replace(t.find(u"%1"), 2, N(row));
  return t;
}

std::string DateText(int daysBack) {
  const std::time_t then = std::time(nullptr) - static_cast<std::time_t>(daysBack) * 86400;
  std::tm t{};
  localtime_r(&then, &t);
  char text[32];
  std::snprintf(text, sizeof text, "%d-%02d-%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
  return text;
}

// A thousand rows with bad rows among the good.  Every good row becomes a
// waybill on the stand-in and a row of page 0; every refusal is on the
// clipboard with its sheet row and reason.
TEST_F(WaybillImportOffice, AThousandRowsFromAWorkbook) {
  ASSERT_NO_FATAL_FAILURE(Start("00"));
  // A waybill of the local store already has this reference number.
  InputWaybillRecord local{};
  local.waybill.irID = 750999;
  SetFixedText(local.waybill.cRNo, "REF75DUP01");
  SetFixedText(local.waybill.cNum, "LOCAL75001");
  ASSERT_GE(app_.InputRecords().AppendRecord(local), 0);
  OpenPage();
  ASSERT_NO_FATAL_FAILURE(TypeCustomer());
  const int rowsBefore = page_->grid->RowCount();

  std::vector<SheetRow> rows;
  std::map<std::u16string, SheetRow> good;  // by waybill number from the sheet
  std::vector<std::u16string> expectedErrors;
  for (int row = 2; row <= 1001; ++row) {
    const std::u16string n = N(row);
    SheetRow r(20);
    r[0] = u"im75" + N(100000 + row);           // upper-cased on the way
    r[1] = W("美国");
    r[2] = row % 3 == 0 ? u"IMP75B" : u"IMP75A";
    r[3] = N(row % 7 + 1) + u".5";
    r[4] = W("收件人") + n;
    r[5] = u"Main St " + n;
    r[6] = u"US";
    r[7] = u"Goods " + n;
    r[8] = N(row % 4 + 1);
    r[9] = u"2.5";
    r[10] = row % 2 ? W("到付") : W("月结");
    r[11] = u"REF75-" + n;
    r[12] = u"SID" + n;
    r[13] = u"RID" + n;
    r[14] = u"1.25";
    r[15] = u"0.8";
    r[16] = u"PCS";
    r[17] = W(DateText(row % 40).c_str());
    r[18] = u"note " + n;
    r[19] = W("备注") + n;
    rows.push_back(r);
  }
  auto at = [&](int sheetRow) -> SheetRow& { return rows[static_cast<size_t>(sheetRow - 2)]; };
  at(5)[1].clear();  // an empty key (and no goods line, or it would carry one on row 4)
  at(5)[7].clear();
  expectedErrors.push_back(RowText(120067, 5));
  at(10)[4] = std::u16string(70, u'x');  // a receiver over its 62 characters
  {
    std::u16string t = AppLanguage().Text(20015);
    t.replace(t.find(u"%1"), 2, u"  10");
    t.replace(t.find(u"%3"), 2, u"62");
    t.replace(t.find(u"%2"), 2, u"收件人");
    expectedErrors.push_back(t);
  }
  at(15)[2] = u"NOKIND";  // a channel naming no kind
  expectedErrors.push_back(RowText(120066, 15));
  at(20)[11] = u"REF75DUP01";  // already in the local store
  expectedErrors.push_back(RowText(120070, 20));
  at(25)[0] = u"BR10000001";  // taken on the server
  expectedErrors.push_back(RowText(120071, 25) + u"," + AppLanguage().Text(120031));
  at(30)[0].clear();  // a kind whose series the server does not keep
  at(30)[2] = u"IMP75C";
  expectedErrors.push_back(RowText(120072, 30));
  // Numbers: from the kind's own series, from "999*", a short one replaced.
  at(40)[0].clear();
  at(42)[0].clear();  // IMP75B: the fallback series
  at(44)[0] = u"ab1234";
  // The goods list of one row, continuation rows after another.
  at(50)[7] = u"Pen,Ink";
  at(50)[8] = u"2,3";
  at(50)[9] = u"1.5,2";
  at(61) = SheetRow(20);
  at(61)[7] = u"Cap";
  at(61)[8] = u"3";
  at(61)[9] = u"$2";
  // A destination only the receiver's country finds.
  at(70)[1] = u"SAINT-DENIS";
  at(70)[6] = u"Reunion";
  for (int row = 2; row <= 1001; ++row) {
    if (row == 5 || row == 10 || row == 15 || row == 20 || row == 25 || row == 30 || row == 61)
      continue;
    good[at(row)[0]] = at(row);
  }
  const std::u16string book = Workbook("thousand.xls", rows);

  boxShot_ = QStringLiteral("import_summary");
  ImportWithKeys(book, 0, QStringLiteral("import_format_choice"));
  ASSERT_EQ(1u, shown_.size());
  entrytest::SaveScreenshot(*page_, "import_page_after");

  // The summary and the clipboard.
  const int savedCount = 1000 - 7;
  std::u16string summary = AppLanguage().Text(120064);
  summary.replace(summary.find(u"%1"), 2, N(savedCount));
  summary.replace(summary.find(u"%2"), 2, N(6));
  summary += u"\r\n" + expectedErrors[0] + u"\r\n" + expectedErrors[1] + u"\r\n......";
  QString shownSummary = QString::fromStdU16String(shown_[0]);
  EXPECT_EQ(QString::fromStdU16String(summary).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
            shownSummary.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
  std::u16string clip;
  for (const auto& e : expectedErrors) clip += e + u"\r\n";
  EXPECT_EQ(U8(clip), QApplication::clipboard()->text().toStdString());

  // Every good row on the stand-in, field by field.
  const auto stored = Query(
      Db(), "SELECT cnum,cdes,cemskind,fweight,creceiver,caddr,ccountry,cgoods,iquantity,iprice,"
            "cpaydir,npayway,crno,csidcard,cridcard,fgoodsc,fgweight,cunit,ctransnote,cmemo,"
            "cstationt,irid,nlanguage FROM client_rec WHERE icid=75001 ORDER BY irid");
  ASSERT_EQ(static_cast<size_t>(savedCount), stored.size());
  std::map<std::string, std::vector<std::string>> byNumber;
  for (const auto& s : stored) byNumber[s[0]] = s;
  int checked = 0;
  for (const auto& [number, r] : good) {
    std::string key = U8(number);
    for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (number.empty() || number == u"ab1234") continue;  // numbered by the server
    SCOPED_TRACE(key);
    ASSERT_EQ(1u, byNumber.count(key));
    const auto& s = byNumber[key];
    const bool reunion = r[1] == u"SAINT-DENIS";
    EXPECT_EQ(reunion ? "留尼汪" : "美国", s[1]);
    EXPECT_EQ(U8(r[2]), s[2]);
    EXPECT_DOUBLE_EQ(std::stod(U8(r[3])), std::stod(s[3]));
    EXPECT_EQ(U8(r[4]), s[4]);
    EXPECT_EQ(U8(r[5]), s[5]);
    EXPECT_EQ(U8(r[6]), s[6]);
    EXPECT_EQ(U8(r[11]), s[12]);
    EXPECT_EQ(U8(r[12]), s[13]);
    EXPECT_EQ(U8(r[13]), s[14]);
    EXPECT_DOUBLE_EQ(1.25, std::stod(s[15]));
    EXPECT_DOUBLE_EQ(0.8, std::stod(s[16]));
    EXPECT_EQ("PCS", s[17]);
    EXPECT_EQ(U8(r[19]), s[19]);
    EXPECT_EQ("I75", s[20]);
    if (r[10] == W("到付")) {
      EXPECT_EQ("CC", s[10]);
      EXPECT_EQ("2", s[11]);
    } else {
      EXPECT_EQ("PP", s[10]);
      EXPECT_EQ("0", s[11]);
    }
    if (number == at(50)[0]) {
      EXPECT_EQ("5", s[8]);
      EXPECT_EQ("180", s[9]);
      EXPECT_EQ("2,3", s[18]);
      EXPECT_EQ(2u, Query(Db(), "SELECT wpos FROM client_rec_goods WHERE irid=" + s[21]).size());
    } else if (number == at(60)[0]) {
      // Row 61 carried one more goods line: both lines and the totals.
      EXPECT_EQ(U8(r[7]) + ",Cap", s[7]);
      EXPECT_EQ(std::to_string(std::stoi(U8(r[8])) + 3), s[8]);
      EXPECT_EQ(U8(r[8]) + ",3", s[18]);
      const auto lines = Query(Db(), "SELECT wpos,cgoods,iquantity,fprice FROM client_rec_goods "
                                     "WHERE irid=" + s[21] + " ORDER BY wpos");
      ASSERT_EQ(2u, lines.size());
      EXPECT_EQ("Cap", lines[1][1]);
      EXPECT_EQ("3", lines[1][2]);
    } else {
      EXPECT_EQ(U8(r[7]), s[7]);
      EXPECT_EQ(U8(r[8]), s[8]);
      EXPECT_EQ("250", s[9]);
      EXPECT_EQ(U8(r[18]), s[18]);
    }
    // Each waybill is a row of page 0.
    EXPECT_GE(page_->grid->FindRowById(std::stoi(s[21])), 0);
    ++checked;
  }
  EXPECT_EQ(savedCount - 3, checked);
  EXPECT_EQ(rowsBefore + savedCount, page_->grid->RowCount());
  // The numbers the server gave: the kind's own series, "999*", and the
  // short number replaced.
  EXPECT_EQ(1u, byNumber.count("IA75000001"));
  EXPECT_EQ(0u, byNumber.count("AB1234"));
  EXPECT_EQ(1u, Query(Db(), "SELECT irid FROM client_rec WHERE icid=75001 AND cnum LIKE '999%'").size());
  EXPECT_EQ(2u, Query(Db(), "SELECT irid FROM client_rec WHERE icid=75001 AND cnum LIKE 'IA75%'").size());
}

// Header mode with its channel block, in English: a small sheet whose
// channel column names kinds by code and by the channel names of the block
// (a name the block does not list and no kind has is refused), and the
// pictures of the dialog, the summary and the page after the import.
TEST_F(WaybillImportOffice, HeaderModeInEnglish) {
  ASSERT_NO_FATAL_FAILURE(Start("01"));
  OpenPage();
  ASSERT_NO_FATAL_FAILURE(TypeCustomer());
  const std::u16string path = (officetest::TestFolder() / "headers.xls").u16string();
  {
    CExcelSession book;
    book.SetOverwriteQuestion(false);
    ASSERT_EQ(1, book.CreateWorkbook({}, path, {}, false)) << U8(book.LastError());
    const char* header[] = {"Consignee", "Weight (kg)", "Tracking No", "Destination", "Channel"};
    for (int c = 0; c < 5; ++c) book.SetCellText(1, c + 1, W(header[c]));
    const char* cells[4][5] = {{"Ann Lee", "1.5", "HD7500001", "美国", "IMP75A"},
                               {"Bo Chen", "2", "HD7500002", "英国", "IMP75B"},
                               {"Cy Wu", "3", "HD7500003", "美国", "空运"},
                               {"Di Xu", "1", "HD7500004", "美国", "停用"}};
    for (int r = 0; r < 4; ++r)
      for (int c = 0; c < 5; ++c) book.SetCellText(r + 2, c + 1, W(cells[r][c]));
    ASSERT_EQ(1, book.SaveAndClose()) << U8(book.LastError());
  }
  boxShot_ = QStringLiteral("import_summary_en");
  ImportWithKeys(path, 1, QStringLiteral("import_format_choice_en"));
  entrytest::SaveScreenshot(*page_, "import_page_after_en");
  ASSERT_EQ(1u, shown_.size());
  // The channel list is kept; "空运" stands for IMP75A, the disabled
  // "停用" is no channel and names no kind.
  const std::vector<std::pair<std::u16string, std::u16string>> channels = {
      {u"空运", u"IMP75A"}, {u"经济", u"IMP75B"}};
  EXPECT_EQ(channels, page_->importChannels);
  std::u16string summary = AppLanguage().Text(120064);
  summary.replace(summary.find(u"%1"), 2, u"3");
  summary.replace(summary.find(u"%2"), 2, u"1");
  summary += u"\r\n" + RowText(120066, 5) + u"\r\n......";
  EXPECT_EQ(Shown(summary), Shown(shown_[0]));
  const auto rows = Query(Db(), "SELECT cnum,creceiver,fweight,cdes,famount,cemskind FROM client_rec "
                                "WHERE cnum LIKE 'HD75%' ORDER BY cnum");
  ASSERT_EQ(3u, rows.size());
  EXPECT_EQ("Ann Lee", rows[0][1]);
  EXPECT_DOUBLE_EQ(1.5, std::stod(rows[0][2]));
  // Priced by the stand-in: IMP75A any destination, 20 + 10/kg + 1.
  EXPECT_DOUBLE_EQ(36.0, std::stod(rows[0][4]));
  EXPECT_EQ("英国", rows[1][3]);
  EXPECT_EQ("HD7500003", rows[2][0]);
  EXPECT_EQ("IMP75A", rows[2][5]) << "the channel name's kind";
  EXPECT_DOUBLE_EQ(51.0, std::stod(rows[2][4]));
}

// The CSV entry is offered and ends the command once chosen.
TEST_F(WaybillImportOffice, TheCsvEntryEndsTheCommand) {
  ASSERT_NO_FATAL_FAILURE(Start("00"));
  OpenPage();
  ASSERT_NO_FATAL_FAILURE(TypeCustomer());
  const fs::path csv = officetest::TestFolder() / "rows.csv";
  std::ofstream(csv) << "x\n";
  ImportWithKeys(csv.u16string(), 2, {});
  EXPECT_TRUE(shown_.empty());
}

// Without a customer, and with a customer whose details the client cache
// cannot give, the import shows 120023 before the first row and saves
// nothing.
TEST_F(WaybillImportOffice, NoCustomerOrOneWithoutDetailsImportsNothing) {
  ASSERT_NO_FATAL_FAILURE(Start("00"));
  OpenPage();
  SheetRow row(20);
  row[0] = u"NC75000001";
  row[1] = W("美国");
  row[2] = u"IMP75A";
  row[3] = u"1";
  const std::u16string book = Workbook("nocustomer.xls", {row});
  ASSERT_EQ(0, page_->Form()->Entry().customerId);
  ImportWithKeys(book, 0, {});
  page_->Form()->Entry().customerId = 759999;  // no such client
  ImportWithKeys(book, 0, {});
  EXPECT_EQ((std::vector<std::u16string>{AppLanguage().Text(120023), AppLanguage().Text(120023)}),
            shown_);
  EXPECT_TRUE(Query(Db(), "SELECT irid FROM client_rec WHERE cnum LIKE 'NC75%'").empty());
}

// The operator stops a long import from its progress window while the page
// keeps receiving the saved waybills: the rows saved before the stop stay
// saved and listed, the summary and the clipboard say from which row on
// nothing was imported, and the window is gone afterwards.
TEST_F(WaybillImportOffice, TheOperatorStopsTheImport) {
  ASSERT_NO_FATAL_FAILURE(Start("00"));
  OpenPage();
  ASSERT_NO_FATAL_FAILURE(TypeCustomer());
  const int rowsBefore = page_->grid->RowCount();
  std::vector<SheetRow> rows;
  for (int row = 2; row <= 801; ++row) {
    SheetRow r(20);
    r[0] = u"ST75" + N(100000 + row);
    r[1] = W("美国");
    r[2] = u"IMP75A";
    r[3] = u"1";
    rows.push_back(r);
  }
  const std::u16string book = Workbook("stop.xls", rows);

  auto progressWindow = []() -> CImportProgressDlg* {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* dlg = qobject_cast<CImportProgressDlg*>(w); dlg != nullptr && dlg->isVisible())
        return dlg;
    return nullptr;
  };
  bool clicked = false;
  int gridWhenStopped = 0;
  QString countsWhenStopped;
  QTimer poll;
  poll.setInterval(10);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    CImportProgressDlg* window = progressWindow();
    if (window == nullptr || clicked || page_->grid->RowCount() < rowsBefore + 5) return;
    clicked = true;
    gridWhenStopped = page_->grid->RowCount();
    window->Refresh();
    countsWhenStopped = window->CountLabel()->text();
    entrytest::SaveScreenshot(*window, "import_progress");
    QTest::mouseClick(window->StopButton(), Qt::LeftButton);
    EXPECT_FALSE(window->StopButton()->isEnabled());
  });
  poll.start();
  ImportWithKeys(book, 0, {});
  poll.stop();
  ASSERT_TRUE(clicked) << "the progress window took the click while the import ran";
  EXPECT_GT(gridWhenStopped, rowsBefore) << "saved rows reached the page during the import";
  EXPECT_FALSE(countsWhenStopped.isEmpty());
  EXPECT_EQ(nullptr, progressWindow());

  const auto stored = Query(Db(), "SELECT irid FROM client_rec WHERE cnum LIKE 'ST75%'");
  const int saved = static_cast<int>(stored.size());
  EXPECT_GE(saved, 5);
  EXPECT_LT(saved, 800) << "the stop ended the import early";
  EXPECT_EQ(rowsBefore + saved, page_->grid->RowCount());
  std::u16string summary = AppLanguage().Text(120065);
  summary.replace(summary.find(u"%1"), 2, N(saved));
  std::u16string stopped = AppLanguage().Text(714003);
  stopped.replace(stopped.find(u"%1"), 2, N(saved + 2));
  ASSERT_EQ(1u, shown_.size());
  EXPECT_EQ(Shown(summary + u"\r\n" + stopped), Shown(shown_[0]));
  EXPECT_EQ(U8(stopped + u"\r\n"), QApplication::clipboard()->text().toStdString());
}

// The workbook's session is closed once on every way out of the import:
// the file not opened, no key column, the end of the rows, a stop request,
// and a failure that cut the import short (reported with the row it broke
// off at).
TEST_F(WaybillImportOffice, TheSessionClosesOnEveryWayOut) {
  ASSERT_NO_FATAL_FAILURE(Start("00"));
  auto sheet = [&](const std::string& name, const std::u16string& prefix) {
    std::vector<SheetRow> rows;
    for (int row = 2; row <= 5; ++row) {
      SheetRow r(20);
      r[0] = prefix + N(100000 + row);
      r[1] = W("美国");
      r[2] = u"IMP75A";
      r[3] = u"1";
      rows.push_back(r);
    }
    return Workbook(name, rows);
  };
  std::unique_ptr<WaybillSaveLink> link = MakeServerWaybillSaveLink(app_.Link());
  auto setupOf = [&] {
    waybillimport::ImportSetup setup;
    EXPECT_EQ(0, waybillimport::LoadColumnMapping(
                     GbkFromWide(W(kColumnMapping)), setup.mapping,
                     [&](std::string_view code) { return app_.FindServiceKind(code) != nullptr; }));
    setup.templ.waybill.icID = 75001;
    const std::time_t now = std::time(nullptr);
    std::tm today{};
    localtime_r(&now, &today);
    setup.templ.waybill.year = static_cast<int16_t>(today.tm_year + 1900);
    setup.templ.waybill.month = static_cast<uint8_t>(today.tm_mon + 1);
    setup.templ.waybill.day = static_cast<uint8_t>(today.tm_mday);
    setup.station = "I75";
    return setup;
  };
  auto servicesOf = [&] {
    waybillimport::ImportServices services;
    services.link = link.get();
    services.findKind = [&](std::string_view code) -> const CServiceKind* {
      return app_.FindServiceKind(code);
    };
    services.destinations = &app_.Destinations();
    return services;
  };
  struct Case {
    const char* name;
    std::u16string path;
    std::function<void(waybillimport::ImportServices&, waybillimport::ImportSetup&)> change;
    std::function<void(const waybillimport::ImportReport&)> check;
  };
  int kindCalls = 0;
  const Case cases[] = {
      {"missing file", (officetest::TestFolder() / "no-such-book.xls").u16string(), nullptr,
       [](const waybillimport::ImportReport& r) {
         EXPECT_EQ(AppLanguage().Text(20039), r.openError);
         EXPECT_EQ(0, r.saved);
       }},
      {"no key column", sheet("close-nokey.xls", u"CK75"),
       [](waybillimport::ImportServices&, waybillimport::ImportSetup& setup) {
         for (int field : {2, 17, 50}) setup.mapping.columns[static_cast<size_t>(field)] = -1;
       },
       [](const waybillimport::ImportReport& r) {
         EXPECT_FALSE(r.refusal.empty());
         EXPECT_EQ(0, r.saved);
       }},
      {"to the end", sheet("close-end.xls", u"CE75"), nullptr,
       [](const waybillimport::ImportReport& r) {
         EXPECT_EQ(4, r.saved);
         EXPECT_FALSE(r.stopped);
         EXPECT_FALSE(r.cutShort);
       }},
      {"stopped", sheet("close-stop.xls", u"CS75"),
       [](waybillimport::ImportServices& services, waybillimport::ImportSetup&) {
         auto rowsSeen = std::make_shared<int>(0);
         services.progress = [rowsSeen](int, int) { ++*rowsSeen; };
         services.stopRequested = [rowsSeen] { return *rowsSeen >= 2; };
       },
       [](const waybillimport::ImportReport& r) {
         EXPECT_TRUE(r.stopped);
         EXPECT_EQ(3, r.stopRow);
         EXPECT_EQ(1, r.saved);
       }},
      {"broken off", sheet("close-fail.xls", u"CF75"),
       [&](waybillimport::ImportServices& services, waybillimport::ImportSetup&) {
         services.findKind = [&](std::string_view code) -> const CServiceKind* {
           if (++kindCalls == 3) throw std::runtime_error("kind list gone");
           return app_.FindServiceKind(code);
         };
       },
       [](const waybillimport::ImportReport& r) {
         EXPECT_TRUE(r.cutShort);
         EXPECT_EQ(4, r.stopRow);
         EXPECT_EQ(u"kind list gone", r.failure);
         EXPECT_EQ(2, r.saved);
         std::u16string line = AppLanguage().Text(714004);
         line.replace(line.find(u"%1"), 2, u"4");
         line.replace(line.find(u"%2"), 2, u"kind list gone");
         EXPECT_EQ(line + u"\r\n", r.ClipboardText());
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    waybillimport::ImportServices services = servicesOf();
    waybillimport::ImportSetup setup = setupOf();
    if (c.change) c.change(services, setup);
    CExcelSession session;
    const waybillimport::ImportReport report =
        waybillimport::ImportWorkbook(session, c.path, services, setup);
    EXPECT_EQ(1, session.CloseCount());
    EXPECT_FALSE(session.IsOpen());
    c.check(report);
  }
  EXPECT_EQ(1u, Query(Db(), "SELECT irid FROM client_rec WHERE cnum LIKE 'CS75%'").size());
  EXPECT_EQ(2u, Query(Db(), "SELECT irid FROM client_rec WHERE cnum LIKE 'CF75%'").size());
}

}  // namespace
