// Export of the list grid to a UTF-16 text file, with the save dialog
// replaced by the test.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "ListGridTestSupport.h"
#include "platform/MessageBox.h"
#include "ui/ListGrid.h"
#include "ui/ListGridExport.h"

using namespace gridtest;

namespace {

std::string ReadBytes(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  QByteArray bytes = f.readAll();
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// UTF-16LE bytes (after the byte-order mark) as text.
QString FromUtf16Le(const std::string& bytes) {
  QString text;
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
    text += QChar(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                        (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  }
  return text;
}

QStringList FolderNames(const QString& folder) {
  return QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

TEST(GridExportPath, AddsTheExtensionOfTheChosenForm) {
  struct Case {
    const char16_t* chosen;
    bool text;
    const char16_t* path;
  } cases[] = {
      {u"/tmp/list", true, u"/tmp/list.txt"},
      {u"/tmp/list.TXT", true, u"/tmp/list.TXT"},
      {u"/tmp/list.Txt", true, u"/tmp/list.Txt"},
      {u"/tmp/list.xls", true, u"/tmp/list.xls.txt"},
      {u"/tmp/list", false, u"/tmp/list.xls"},
      {u"/tmp/list.XLS", false, u"/tmp/list.XLS"},
      {u"/tmp/list.txt", false, u"/tmp/list.txt.xls"},
      {u"xls", false, u"xls.xls"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GridExportPath(c.chosen, c.text), c.path);
  }
}

TEST(GridExportFilter, WindowsFilterBecomesAQtFilter) {
  EXPECT_EQ(QtFileFilter(kGridExportFilter), "Excel file (*.xls);;Text file (*.txt)");
  EXPECT_EQ(QtFileFilter(u"Pictures|*.png;*.jpg|All|*.*||"), "Pictures (*.png *.jpg);;All (*.*)");
  EXPECT_EQ(QtFileFilter(u""), "");
}

class GridExport : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    grid.InsertColumn(0, 40, u"No.", kGridAlignLeft);
    grid.InsertColumn(1, 90, u"名称", kGridAlignLeft);
    grid.InsertColumn(2, 60, u"Weight", kGridAlignRight);
    int r = grid.InsertRow(0, u"1");
    grid.SetCellText(r, 1, u"a\tb\r\nc");
    grid.SetCellText(r, 2, u"1.5");
    r = grid.InsertRow(1, u"2");
    grid.SetCellText(r, 1, u"货物");
    grid.SetCellText(r, 2, u"");
  }

  // Exports with the dialog answering `chosen` and the filter index.
  bool Export(const QString& chosen, int filterIndex) {
    dialogShown = 0;
    ScopedGridSaveDialog dialog([&](QWidget*, const QString& filter)
                                    -> std::optional<GridSaveChoice> {
      ++dialogShown;
      shownFilter = filter;
      if (chosen.isEmpty()) return std::nullopt;
      return GridSaveChoice{U16(chosen), filterIndex};
    });
    return grid.ExportAs(u"Daily list", u"2024-01-05");
  }

  QTemporaryDir folder;
  CListGrid grid;
  platform::RecordingMessageBoxService boxes;
  platform::ScopedMessageBoxService scope{&boxes};
  int dialogShown = 0;
  QString shownFilter;
};

TEST_F(GridExport, TextFormBytes) {
  std::string bytes = GridTextFileBytes(grid.Model(), u"Daily list", u"2024-01-05");
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(FromUtf16Le(bytes),
            "Daily list\r\n2024-01-05\r\n\r\n"
            "No.\t名称\tWeight\t\r\n"
            "1\ta b  c\t1.5\t\r\n"
            "2\t货物\t\t\r\n");
}

TEST_F(GridExport, TextFileRoundTrip) {
  QString chosen = folder.filePath("list");
  EXPECT_TRUE(Export(chosen, 1));
  EXPECT_EQ(dialogShown, 1);
  EXPECT_EQ(shownFilter, "Excel file (*.xls);;Text file (*.txt)");
  std::string bytes = ReadBytes(chosen + ".txt");
  EXPECT_EQ(bytes, GridTextFileBytes(grid.Model(), u"Daily list", u"2024-01-05"));
  QStringList lines = FromUtf16Le(bytes).split("\r\n");
  ASSERT_EQ(lines.size(), 7);
  EXPECT_EQ(lines[4].split('\t'), (QStringList{"1", "a b  c", "1.5", ""}));
  EXPECT_EQ(lines[5].split('\t'), (QStringList{"2", "货物", "", ""}));
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.LastText(), u"文件已经保存。");
  EXPECT_EQ(FolderNames(folder.path()), QStringList{"list.txt"});  // no temporary left
}

TEST_F(GridExport, CapitalExtensionIsKeptAndAnOldFileReplaced) {
  QString chosen = folder.filePath("LIST.TXT");
  {
    QFile old(chosen);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(100000, 'x'));
  }
  EXPECT_TRUE(Export(chosen, 1));
  EXPECT_EQ(ReadBytes(chosen), GridTextFileBytes(grid.Model(), u"Daily list", u"2024-01-05"));
  EXPECT_EQ(FolderNames(folder.path()), QStringList{"LIST.TXT"});
}

TEST_F(GridExport, FileThatCannotBeCreatedIsReportedAndNotSaved) {
  QString chosen = folder.filePath("missing/list.txt");
  EXPECT_FALSE(Export(chosen, 1));
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.LastText(), u"文件创建失败。");
  EXPECT_FALSE(QFile::exists(chosen));

  // A folder standing where the file should go stays as it was.
  QDir(folder.path()).mkdir("taken.txt");
  boxes.Clear();
  EXPECT_FALSE(Export(folder.filePath("taken.txt"), 1));
  EXPECT_EQ(boxes.LastText(), u"文件创建失败。");
  EXPECT_TRUE(QFileInfo(folder.filePath("taken.txt")).isDir());
  EXPECT_EQ(FolderNames(folder.path()), QStringList{});
}

TEST_F(GridExport, CancelAndEmptyListsWriteNothing) {
  EXPECT_FALSE(Export(QString(), 1));
  EXPECT_EQ(dialogShown, 1);
  EXPECT_EQ(boxes.Count(), 0u);

  grid.DeleteAllRows();
  EXPECT_FALSE(Export(folder.filePath("list"), 1));
  EXPECT_EQ(dialogShown, 0);  // no rows: no dialog either
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_EQ(FolderNames(folder.path()), QStringList{});

  // Columns but no rows, and rows but no columns, write no text file.
  EXPECT_FALSE(WriteGridTextFile(grid.Model(), U16(folder.filePath("a.txt")), u"", u""));
  CListGridModel noColumns;
  noColumns.InsertRow(0, u"");
  EXPECT_FALSE(WriteGridTextFile(noColumns, U16(folder.filePath("b.txt")), u"", u""));
  EXPECT_EQ(FolderNames(folder.path()), QStringList{});
}

}  // namespace
