// The directory's workbooks through the office suite (label office): the
// exported template has the first eleven headings; a sheet filled by the
// operator, with 备注 added, imports through the page.

#include <gtest/gtest.h>

#include <QApplication>

#include <cstring>
#include <memory>

#include "../office/OfficeTestEnv.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "office/ExcelSession.h"
#include "platform/MessageBox.h"
#include "refdata/DirectoryTable.h"
#include "shipping/DirectoryForm.h"
#include "shipping/DirectoryPage.h"
#include "tests/refdata/RepositoryLanguage.h"
#include "ui/ViewHost.h"

using namespace officetest;

namespace {

// The program's one office environment (holding the suite) is registered by
// another case file of this program.

class ScreenHost : public CViewHost {
 public:
  QSize ScreenSize() const override { return QSize(1280, 720); }
};

TEST(DirectoryWorkbooks, TemplateThenImportThroughThePage) {
  ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "00"));
  platform::RecordingMessageBoxService boxes;
  platform::ScopedMessageBoxService scope{&boxes};
  const fs::path folder = TestFolder();
  const fs::path file = folder / "名录格式.xls";
  std::u16string error;
  ASSERT_TRUE(ExportDirectoryTemplate(file.u16string(), error)) << Utf8FromWide(error);

  {
    CExcelSession book;
    ASSERT_EQ(1, book.OpenForReading(file.u16string()));
    EXPECT_EQ(u"编码", book.CellTextTo(1, 1, 64));
    EXPECT_EQ(u"短信电话", book.CellTextTo(1, 11, 64));
    EXPECT_EQ(u"", book.CellTextTo(1, 12, 64));
    book.Close();
  }

  // The operator fills two rows and adds 备注 in column 12.
  const fs::path filled = folder / "filled.xls";
  {
    CExcelSession book;
    ASSERT_EQ(1, book.CreateWorkbook(u"名录格式", filled.u16string(), file.u16string(), false))
        << Utf8FromWide(book.LastError());
    book.SetCellString(1, 12, u"备注");
    const char16_t* rows[2][6] = {{u"", u"王五", u"13500000005", u"", u"深圳市宝安区", u"常客"},
                                  {u"ZL", u"赵六", u"13600000006", u"赵氏", u"广州市", u""}};
    for (int r = 0; r < 2; ++r) {
      book.SetCellString(r + 2, 1, rows[r][0]);
      book.SetCellString(r + 2, 2, rows[r][1]);
      book.SetCellString(r + 2, 3, rows[r][2]);
      book.SetCellString(r + 2, 4, rows[r][3]);
      book.SetCellString(r + 2, 5, rows[r][4]);
      book.SetCellString(r + 2, 12, rows[r][5]);
    }
    ASSERT_EQ(1, book.SaveAndClose()) << Utf8FromWide(book.LastError());
  }

  CDirectoryTable table;
  CDirectoryIndex index(table);
  ASSERT_EQ(0, index.Load(folder / "rsdata.dat"));
  ScreenHost host;
  CDirectoryPage page;
  page.index = 4;
  page.host = &host;
  page.SetDirectory(&index);
  page.CreatePageWindow(nullptr, QSize(1280, 720));
  page.OnPageCreated();
  page.chooseImportFile = [&](const QString& filter) {
    EXPECT_EQ(filter, QStringLiteral("Excel file (*.xls)"));
    return filled.u16string();
  };
  page.OnImportExcel();
  EXPECT_EQ(u"本次导入共成功写入2条名录。", boxes.LastText());
  ASSERT_EQ(2, page.grid->RowCount());
  EXPECT_EQ(u"ww", page.grid->CellText(0, 1));
  EXPECT_EQ(u"常客", page.grid->CellText(0, 13));
  EXPECT_EQ(u"zl", page.grid->CellText(1, 1));
  table.Close();
}

}  // namespace
