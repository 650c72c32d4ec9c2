// The field update and the fee import reading workbooks through the Excel
// session (a headless office suite, label office) against the stand-in:
// receiver texts with characters GBK lacks, address lines, several goods
// items, and the fee rows.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QString>

#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "../office/OfficeTestEnv.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "office/ExcelSession.h"
#include "shipping/RecordCheckDlg.h"
#include "shipping/RecordImport.h"
#include "ui/ViewHost.h"
#include "tests/refdata/RepositoryLanguage.h"
#include "tests/server/StandInLinkSuite.h"

namespace {

std::u16string W(const char* utf8) { return QString::fromUtf8(utf8).toStdU16String(); }

// The first column of the first row, over the stand-in's database with its
// text collation stood in by a byte comparison.
int64_t CountDb(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_busy_timeout(db, 5000);
  sqlite3_create_collation(db, "TSQL", SQLITE_UTF8, nullptr,
                           [](void*, int n1, const void* a, int n2, const void* b) {
                             int c = std::memcmp(a, b, static_cast<size_t>(std::min(n1, n2)));
                             return c ? c : n1 - n2;
                           });
  sqlite3_stmt* st = nullptr;
  int64_t n = -1;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK &&
      sqlite3_step(st) == SQLITE_ROW)
    n = sqlite3_column_int64(st, 0);
  else
    ADD_FAILURE() << sqlite3_errmsg(db) << " in " << sql;
  sqlite3_finalize(st);
  sqlite3_close(db);
  return n;
}

class RecordImportWorkbook : public testsupport::StandInLinkSuite<RecordImportWorkbook> {
 public:
  static constexpr const char* kRootName = "brantle-record-import-office";

 protected:
  void SetUp() override {
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "01"));
    ASSERT_NO_FATAL_FAILURE(OpenLink("01", "PC-XLS"));
    ASSERT_GT(link_.Login(u"admin", u"admin123", 0), 0);
    importLink_ = MakeServerRecordImportLink(link_);
    context_.link = importLink_.get();
  }
  // A workbook of the rows (row 1 first) in the case's folder.
  std::u16string Workbook(const std::vector<std::vector<std::u16string>>& rows) {
    const std::u16string path = (officetest::TestFolder() / "rows.xlsx").u16string();
    CExcelSession book;
    book.SetOverwriteQuestion(false);
    EXPECT_EQ(1, book.CreateWorkbook({}, path, {}, false)) << U8(book.LastError());
    for (size_t r = 0; r < rows.size(); ++r)
      for (size_t c = 0; c < rows[r].size(); ++c)
        book.SetCellText(static_cast<int>(r) + 1, static_cast<int>(c) + 1, rows[r][c]);
    EXPECT_EQ(1, book.SaveAndClose()) << U8(book.LastError());
    return path;
  }
  static std::string U8(const std::u16string& w) { return QString::fromStdU16String(w).toStdString(); }
  int64_t Count(const std::string& sql) { return CountDb(server_->Database(), sql); }

  std::unique_ptr<RecordImportLink> importLink_;
  RecordImportContext context_;
};

TEST_F(RecordImportWorkbook, FieldsAddressLinesAndGoodsComeFromTheWorkbook) {
  const std::u16string path = Workbook({
      {W("运单号"), W("收件人"), W("收件地址1"), W("收件地址2"), W("物品描述"), W("物品数量"),
       W("物品单价"), W("备注")},
      {u"BR10000021", u"Zoë Ünal", u"Main St 1", u"Apt 2", u"Cap,Scarf", u"1,2", u"3.5,4.25",
       W("<b>粗</b>体")},
      {u"BR10000022", W("李四"), u"", u"", u"Cap", u"3", u"2", u""},
  });
  CExcelSession book;
  ASSERT_EQ(1, book.OpenForReading(path)) << U8(book.LastError());
  CExcelImportTable table(book);
  FieldUpdateChoice choice;
  MapFieldUpdateHeader({W("运单号"), W("收件人"), W("收件地址1"), W("收件地址2"), W("物品描述"),
                        W("物品数量"), W("物品单价"), W("备注")},
                       choice);
  RecordImportReport r = RunFieldUpdate(choice, table, context_);
  book.Close();
  EXPECT_EQ(2, r.updated) << U8(r.log);
  EXPECT_EQ(0, r.errors) << U8(r.log);

  const int64_t id = Count("SELECT irid FROM client_rec WHERE cnum='BR10000021'");
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec WHERE irid=" + std::to_string(id) +
                     " AND caddr='Main St 1'||char(13)||char(10)||'Apt 2' AND cmemo=' 粗 体'"));
  // Letters without a GBK code arrive as character references.
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec WHERE irid=" + std::to_string(id) +
                     " AND creceiver='Zo&#235; &#220;nal'"));
  EXPECT_EQ(2, Count("SELECT count(*) FROM client_rec_goods WHERE irid=" + std::to_string(id)));
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec_goods WHERE irid=" + std::to_string(id) +
                     " AND wpos=1 AND cgoods='Scarf' AND iquantity=2 AND fprice=4.25"));
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec WHERE cnum='BR10000022' AND iquantity=3 "
                     "AND iprice=200 AND creceiver='李四'"));
}

TEST_F(RecordImportWorkbook, FeesComeFromTheWorkbook) {
  const std::u16string path = Workbook({
      {W("单号"), W("金额"), W("重量"), W("说明")},
      {u"BR10000023", u"6.5", u"0.8", W("附加费")},
      {u"BR10000024", u"0.009", u"1", u""},
  });
  FeeImportSettings s;
  s.serviceKind = "FEE";
  s.suffix = "-X";
  CExcelSession book;
  ASSERT_EQ(1, book.OpenForReading(path)) << U8(book.LastError());
  CExcelImportTable table(book);
  RecordImportReport r = RunFeeImport(s, table, context_);
  book.Close();
  EXPECT_EQ(1, r.updated) << U8(r.log);
  EXPECT_EQ(1, r.errors);
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec WHERE cnum='BR10000023-X' AND "
                     "famount=6.5 AND fweight=0.8 AND cmemo='附加费' AND cemskind='FEE'"));
}

// The fee import from the record check form's button: a sheet of fewer
// than two used rows or columns is refused with text 160100 and changes
// nothing; a sheet of fees records them.
TEST_F(RecordImportWorkbook, TheFeeButtonRefusesASheetTooSmall) {
  struct LinkHost : CViewHost {
    CServerLink* ServerLink() override { return link; }
    CServerLink* link = nullptr;
  } host;
  host.link = &link_;
  std::filesystem::create_directories(folder_ / "DATA_SYS");
  std::ofstream(folder_ / "DATA_SYS" / "DupNum_4Fee.txt", std::ios::binary)
      << GbkFromWide(W("<定义开始>\n快递类别=FEE\n内单号后缀=-B\n固定标签=附费\n<定义结束>\n"));
  CRecordCheckDlg form;
  form.SetPage(nullptr, &host);
  form.OnInitDialog();
  form.resize(240, 280);
  form.show();
  ASSERT_TRUE(form.FeeButton()->isVisible());

  std::u16string path = Workbook({{u"BR10000025"}, {u"BR10000026"}});  // one column
  form.chooseFeeFile = [&path] { return path; };
  QTest::mouseClick(form.FeeButton(), Qt::LeftButton);
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ(AppLanguage().Text(160100), boxes_.LastText());
  EXPECT_EQ(0, Count("SELECT count(*) FROM client_rec WHERE cnum LIKE 'BR1000002_-B'"));

  path = Workbook({{W("单号"), W("金额")}, {u"BR10000025", u"3.5"}});
  boxes_.Clear();
  QTest::mouseClick(form.FeeButton(), Qt::LeftButton);
  EXPECT_EQ(0u, boxes_.Count()) << U8(boxes_.LastText());
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec WHERE cnum='BR10000025-B' AND famount=3.5"));
}

}  // namespace
