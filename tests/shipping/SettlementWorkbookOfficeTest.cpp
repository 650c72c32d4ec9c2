// The settlement statement workbook made through the office suite from the
// stand-in's template "客户结算" and the first customer's March statement,
// its cells compared with a golden file; two exports in the same second
// keep their own files.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "office/ExcelSession.h"
#include "office/OfficeSuite.h"
#include "print/TemplateModel.h"
#include "refdata/ColumnCatalog.h"
#include "shipping/SettlementPage.h"
#include "tests/server/StandInLinkSuite.h"
#include "tests/shell/ShellTestSupport.h"
#include "ui/ViewHost.h"

namespace {

namespace fs = std::filesystem;

class LinkHost : public CViewHost {
 public:
  QSize ScreenSize() const override { return QSize(1280, 800); }
  CServerLink* ServerLink() override { return link; }
  CServerLink* link = nullptr;
};

// The suite's home and profile are those of the program's one office
// environment (ShippingOfficeEnvironment.cpp).

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Every non-empty cell of the workbook's sheet as "R<row>C<column>\t<text>"
// lines (UTF-8).
std::string Cells(const std::u16string& file) {
  CExcelSession session;
  EXPECT_EQ(session.OpenForReading(file), 1) << Utf8FromWide(session.LastError());
  std::string out;
  const int rows = session.UsedRowCount();
  const int columns = session.UsedColumnCount();
  for (int r = 1; r <= rows; ++r) {
    for (int c = 1; c <= columns; ++c) {
      const std::u16string text = session.CellTextTo(r, c, 4096);
      if (!text.empty())
        out += "R" + std::to_string(r) + "C" + std::to_string(c) + "\t" + Utf8FromWide(text) + "\n";
    }
  }
  session.Close();
  return out;
}

}  // namespace

class SettlementWorkbookOffice : public testsupport::StandInLinkSuite<SettlementWorkbookOffice> {
 public:
  static constexpr const char* kRootName = "brantle-statement-workbook";
};

TEST_F(SettlementWorkbookOffice, TheStatementWorkbookHoldsEveryColumn) {
  shelltest::LoadProgramLanguage("00");
  ASSERT_NO_FATAL_FAILURE(OpenLink("00", "PC-WB"));
  ASSERT_GT(link_.Login(u"admin", u"admin123", 0), 0);
  CColumnCatalog catalog;
  catalog.Build(AppLanguage());
  LinkHost host;
  host.link = &link_;
  ClientDetail customer;
  customer.id = 1;
  customer.unitName = GbkFromWide(u"深圳华南贸易有限公司");
  customer.account = "C001";
  customer.taxNumber = "91440300MA5XXXXX1";
  customer.phone = "0755-88880001";
  CTemplateModel model(GbkFromWide(u"客户结算"), GbkFromWide(u"客户结算"));
  ASSERT_EQ(model.Fetch(link_, folder_.string() + "/"), 1);

  CSettlementPage page;
  page.host = &host;
  page.index = 5;
  page.catalog = &catalog;
  page.clientDetail = [&customer](int32_t) { return &customer; };
  page.statementTemplate = [&model] { return &model; };
  page.workbookFolder = (folder_ / "DATA_TEMP").string() + "/";
  page.now = [] { return int64_t{1767960000}; };  // 2026-01-09
  std::vector<std::u16string> opened;
  page.openFile = [&opened](const std::u16string& file) { opened.push_back(file); };
  page.CreatePageWindow(nullptr, QSize(1270, 700));
  page.OnPageCreated();
  settlement::StatementConditions c;
  c.customerId = 1;
  c.dateFrom = u"2024.03.01 0:0:0.0";
  c.dateTo = u"2024.03.31 23:59:59.998";
  c.state = 13;  // below 3
  ASSERT_TRUE(page.RunStatement(customer, c));

  page.OnPrintInvoice(0);
  ASSERT_EQ(opened.size(), 1u) << (boxes_.Count() ? Utf8FromWide(boxes_.LastText()) : "");
  EXPECT_EQ(boxes_.Count(), 1u) << "the path is shown before the work";
  EXPECT_EQ(boxes_.LastText(), opened[0]);
  const std::string cells = Cells(opened[0]);
  const fs::path golden = fs::path(BRANTLE_SOURCE_DIR) / "tests/shipping/SettlementWorkbook.golden.txt";
  // The golden file is written by hand and checked before it is committed;
  // a differing workbook is left beside the build to be read against it.
  if (cells != ReadFile(golden))
    std::ofstream(BRANTLE_BINARY_DIR "/SettlementWorkbook.actual.txt", std::ios::binary) << cells;
  EXPECT_EQ(cells, ReadFile(golden));

  // A second export in the same second writes a file of its own.
  page.OnPrintInvoice(1);
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_NE(opened[1], opened[0]);
  EXPECT_TRUE(fs::exists(fs::path(Utf8FromWide(opened[0]))));
  EXPECT_TRUE(fs::exists(fs::path(Utf8FromWide(opened[1]))));
}
