#include "office/ExcelSession.h"

#include <signal.h>

#include <gtest/gtest.h>

#include "OfficeTestEnv.h"
#include "common/LanguageTable.h"
#include "office/OfficeSuite.h"
#include "platform/MessageBox.h"

using namespace officetest;

namespace {

// Every case here shares one suite, started at set-up.
::testing::Environment* const kEnvironment = ::testing::AddGlobalTestEnvironment(
    new OfficeEnvironment(OfficeEnvironment::kHoldSuite));

class SaveFormatTest : public ::testing::TestWithParam<const char*> {};

TEST_P(SaveFormatTest, FillTemplateSaveAndReadEveryCellBack) {
  fs::path folder = TestFolder();
  fs::path tmpl = MakeTemplate(folder);
  fs::path out = folder / (std::string("bill") + GetParam());
  {
    CExcelSession s;
    ASSERT_EQ(s.CreateWorkbook(u"BILL", out.u16string(), tmpl.u16string(), false), 1)
        << std::string(s.LastError().begin(), s.LastError().end());
    EXPECT_TRUE(s.IsOpen());
    EXPECT_EQ(s.CellText(1, 1), "Header");  // the template's content
    s.SetCellText(2, 1, u"=1+2");
    s.SetCellText(2, 2, u"0012");
    s.SetCellText(2, 3, u"abc");
    s.SetCellText(2, 4, u"'quoted");
    s.SetCellString(2, 5, u"&#20013;&amp;#25991;");
    s.SetCell(3, 1, CellValue(std::u16string(u"123")));
    s.SetCell(3, 2, CellValue(1e15));
    s.SetCell(3, 3, CellValue(CellDate{2024, 1, 5}));
    s.SetCell(3, 4, CellValue(CellDate{2024, 1, 5, 13, 4, 5}));
    s.SetCell(3, 5, CellValue(true));
    s.SetCell(3, 6, CellValue(false));
    s.SetCell(3, 7, CellValue(1234.5));
    s.SetCell(3, 8, CellValue(std::u16string(u"=2*21")));
    s.SetCell(3, 9, CellValue(std::u16string(u"=1/0")));
    s.SetCellText(4, 1, U16("物品乙码"));
    s.SetCellText(5, 1, u"merged");
    s.MergeCells(5, 1, 5, 3);
    s.SetColumnWidth(2, 65);
    EXPECT_EQ(s.UsedRowCount(), 5);
    EXPECT_EQ(s.UsedColumnCount(), 9);
    EXPECT_EQ(s.SaveAndClose(), 1) << std::string(s.LastError().begin(), s.LastError().end());
    EXPECT_TRUE(s.Saved());
  }
  ASSERT_TRUE(fs::exists(out));
  EXPECT_EQ(FolderNames(folder),
            (std::vector<std::string>{std::string("bill") + GetParam(), "template.xls"}));

  CExcelSession r;
  ASSERT_EQ(r.OpenForReading(out.u16string()), 1);
  struct Expect {
    int row, column;
    const char* text;
  } cells[] = {
      {1, 1, "Header"},     {2, 1, "=1+2"},
      {2, 2, "0012"},       {2, 3, "abc"},
      {2, 4, "'quoted"},    {3, 1, "123"},
      {3, 2, "1000000000000000"},
      {3, 3, "2024-01-05"}, {3, 4, "2024-01-05 13:04:05"},
      {3, 5, "1"},          {3, 6, "0"},
      {3, 7, "1234.5"},     {3, 8, "42"},
      {3, 9, ""},           {5, 1, "merged"},
      {6, 1, ""},
  };
  for (const auto& c : cells)
    EXPECT_EQ(r.CellText(c.row, c.column), c.text) << c.row << "," << c.column;
  EXPECT_EQ(r.CellTextTo(4, 1, 100), U16("物品乙码"));
  EXPECT_EQ(r.CellTextTo(4, 1, 3), U16("物品"));
  EXPECT_EQ(r.CellTextTo(2, 5, 100), U16("中文"));
  EXPECT_EQ(r.CellTextTo(3, 3, 100), u"2024-01-05");
  EXPECT_EQ(r.CellTextTo(3, 3, 5), u"2024");
  EXPECT_EQ(r.CellTextTo(1, 1, 0), u"");
  EXPECT_EQ(r.UsedRowCount(), 5);
  r.Close();

  // The template itself is unchanged.
  CExcelSession t;
  ASSERT_EQ(t.OpenForReading(tmpl.u16string()), 1);
  EXPECT_EQ(t.CellText(1, 1), "Header");
  EXPECT_EQ(t.CellText(2, 1), "");
}

TEST_P(SaveFormatTest, PictureIsKeptInTheSavedWorkbook) {
  fs::path folder = TestFolder();
  fs::path png = folder / "logo.png";
  WriteFile(png, TinyPng());
  fs::path out = folder / (std::string("label") + GetParam());
  CExcelSession s;
  ASSERT_EQ(s.CreateWorkbook(u"LABEL", out.u16string(), {}, false), 1);
  s.SetCellText(1, 1, u"with picture");
  EXPECT_EQ(s.AddPicture(png.u16string(), 2, 2, 40, 20, 3, 4), 1)
      << std::string(s.LastError().begin(), s.LastError().end());
  EXPECT_EQ(s.AddPicture(png.u16string(), 4, 1, -1, -1, 0, 0), 1);
  EXPECT_EQ(s.AddPicture((folder / "missing.png").u16string(), 2, 2, 40, 20, 0, 0), 0);
  ASSERT_EQ(s.SaveAndClose(), 1);
  std::string bytes = ReadFile(out);
  if (std::string(GetParam()) == ".xlsx") {
    EXPECT_NE(bytes.find("xl/media/"), std::string::npos);
    EXPECT_NE(bytes.find("xl/drawings/drawing1.xml"), std::string::npos);
  } else {
    EXPECT_EQ(bytes.compare(0, 4, "\xD0\xCF\x11\xE0"), 0);  // compound file
    EXPECT_NE(bytes.find("\x89PNG"), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, SaveFormatTest, ::testing::Values(".xls", ".xlsx"));

TEST(ExcelSessionTest, InsertRowMovesTheRowsBelowDown) {
  fs::path out = TestFolder() / "rows.xls";
  CExcelSession s;
  ASSERT_EQ(s.CreateWorkbook({}, out.u16string(), {}, false), 1);
  for (int r = 1; r <= 3; ++r) s.SetCellText(r, 1, u"row" + std::u16string(1, u'0' + r));
  s.InsertRow(2);
  EXPECT_EQ(s.CellText(1, 1), "row1");
  EXPECT_EQ(s.CellText(2, 1), "");
  EXPECT_EQ(s.CellText(3, 1), "row2");
  EXPECT_EQ(s.CellText(4, 1), "row3");
}

// A text value is read as if typed: a date or a time gets its date format
// (not a bare serial number), a formula takes commas between its arguments,
// and a text that only looks like one stays text.  Written one by one and as
// a block of neighbouring cells, each over an earlier value of the cell.
TEST(ExcelSessionTest, TextValuesAreReadAsTyped) {
  struct Case {
    const char16_t* input;
    const char* text;
  } cases[] = {
      {u"2024-01-05", "2024-01-05"},     {u"12:30", "1899-12-30 12:30:00"},
      {u"=DATE(2024,1,5)", "2024-01-05"}, {u"=SUM(1,2)", "3"},
      {u"12.5", "12.5"},                 {u"TRUE", "1"},
      {u"Parcel 7", "Parcel 7"},
      {u"Jan 5 2024", "2024-01-05"},     {u"january 5, 2024", "2024-01-05"},
      {u"Mon Jan 5 2024", "2024-01-05"}, {u"Dec-2024", "2024-12-01"},
      {u"true", "1"},                    {u"1E5", "100000"},
      {u"$5", "5"},                      {u"(5)", "-5"},
      {u"R1C1-BR12345678CN", "R1C1-BR12345678CN"},
      {u"E5", "E5"},                     {u"5 kg", "5 kg"},
      {u"#N/A", "#N/A"},                 {u"", ""},
  };
  fs::path out = TestFolder() / "typed.xls";
  CExcelSession s;
  ASSERT_EQ(s.CreateWorkbook(u"S", out.u16string(), {}, false), 1);
  const int rows = static_cast<int>(std::size(cases));
  for (int r = 1; r <= rows; ++r)
    for (int column : {1, 3, 4}) s.SetCellText(r, column, u"earlier");
  EXPECT_EQ(s.UsedRowCount(), rows);
  int row = 1;
  for (const auto& c : cases) {
    s.SetCell(row, 1, CellValue(std::u16string(c.input)));
    EXPECT_EQ(s.CellText(row, 1), c.text) << "single " << c.text;
    s.SetCell(row, 3, CellValue(std::u16string(c.input)));
    s.SetCell(row, 4, CellValue(std::u16string(c.input)));
    ++row;
  }
  row = 1;
  for (const auto& c : cases) {
    EXPECT_EQ(s.CellText(row, 3), c.text) << "block " << c.text;
    EXPECT_EQ(s.CellText(row, 4), c.text) << "block " << c.text;
    ++row;
  }
}

TEST(ExcelSessionTest, TemplateBytesAndEmptyTemplate) {
  fs::path folder = TestFolder();
  std::string bytes = ReadFile(MakeTemplate(folder));
  fs::path out = folder / "fromdata.xlsx";
  {
    CExcelSession s;
    ASSERT_EQ(s.CreateFromTemplateData(u"data4list", out.u16string(), bytes.data(), bytes.size(),
                                       false),
              1);
    EXPECT_EQ(s.CellText(1, 1), "Header");
    s.SetCellText(2, 1, u"x");
    ASSERT_EQ(s.SaveAndClose(), 1);
  }
  {
    CExcelSession s;
    ASSERT_EQ(s.OpenForReading(out.u16string()), 1);
    EXPECT_EQ(s.CellText(2, 1), "x");
  }
  fs::path empty = folder / "empty.xls";
  CExcelSession s;
  ASSERT_EQ(s.CreateFromTemplateData(u"S", empty.u16string(), nullptr, 0, false), 1);
  EXPECT_EQ(s.CellText(1, 1), "");
  EXPECT_EQ(s.UsedRowCount(), 1);
  EXPECT_EQ(s.SaveAndClose(), 1);
  EXPECT_TRUE(fs::exists(empty));
}

TEST(ExcelSessionTest, OverwriteQuestion) {
  fs::path folder = TestFolder();
  fs::path out = folder / "old.xls";
  WriteFile(out, "old contents");
  platform::RecordingMessageBoxService boxes;
  platform::ScopedMessageBoxService scope(&boxes);

  boxes.QueueAnswer(platform::kIdNo);
  {
    CExcelSession s;
    EXPECT_EQ(s.CreateWorkbook(u"S", out.u16string(), {}, false), 0);
    EXPECT_EQ(s.LastError(), Text(20038));
  }
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.LastText(), AppLanguage().TextWithString(20036, out.u16string()));
  EXPECT_EQ(boxes.Messages()[0].flags, platform::kMbYesNo | platform::kMbIconQuestion);
  EXPECT_EQ(ReadFile(out), "old contents");

  boxes.QueueAnswer(platform::kIdYes);
  {
    CExcelSession s;
    ASSERT_EQ(s.CreateWorkbook(u"S", out.u16string(), {}, false), 1);
    s.SetCellText(1, 1, u"new");
    EXPECT_EQ(s.SaveAndClose(), 1);
  }
  EXPECT_EQ(boxes.Count(), 2u);
  EXPECT_NE(ReadFile(out), "old contents");

  // Template bytes with the question switched off: replaced without a box.
  {
    CExcelSession s;
    s.SetOverwriteQuestion(false);
    ASSERT_EQ(s.CreateFromTemplateData(u"S", out.u16string(), nullptr, 0, false), 1);
    EXPECT_EQ(s.SaveAndClose(), 1);
  }
  EXPECT_EQ(boxes.Count(), 2u);
}

TEST(ExcelSessionTest, LockedOutputFileIsNotReplaced) {
  fs::path folder = TestFolder();
  platform::RecordingMessageBoxService boxes;
  platform::ScopedMessageBoxService scope(&boxes);

  // Open in another program of the suite (its lock file is present).
  fs::path out = folder / "busy.xls";
  WriteFile(out, "in use");
  WriteFile(folder / ".~lock.busy.xls#", "someone,host,,01.01.2024 10:00,;");
  {
    CExcelSession s;
    s.SetOverwriteQuestion(false);
    EXPECT_EQ(s.CreateFromTemplateData(u"S", out.u16string(), nullptr, 0, false), 0);
    EXPECT_EQ(s.LastError(), Text(20037));
  }
  EXPECT_EQ(ReadFile(out), "in use");

  // A folder in the way cannot be deleted either.
  fs::path dir = folder / "dir.xls";
  fs::create_directories(dir / "inner");
  {
    CExcelSession s;
    boxes.QueueAnswer(platform::kIdYes);
    EXPECT_EQ(s.CreateWorkbook(u"S", dir.u16string(), {}, false), 0);
    EXPECT_EQ(s.LastError(), Text(20037));
  }
  EXPECT_TRUE(fs::is_directory(dir / "inner"));

  // Locked while the job runs: the save fails and leaves nothing behind.
  fs::path later = folder / "later.xlsx";
  {
    CExcelSession s;
    ASSERT_EQ(s.CreateWorkbook(u"S", later.u16string(), {}, false), 1);
    s.SetCellText(1, 1, u"data");
    WriteFile(folder / ".~lock.later.xlsx#", "other,host,,;");
    EXPECT_EQ(s.SaveAndClose(), 0);
    EXPECT_EQ(s.LastError(), Text(20037));
  }
  EXPECT_FALSE(fs::exists(later));
  for (auto& name : FolderNames(folder)) EXPECT_EQ(name.find(".part"), std::string::npos) << name;

  // A folder that does not exist is found at once.
  CExcelSession s;
  EXPECT_EQ(s.CreateWorkbook(u"S", (folder / "nofolder" / "x.xls").u16string(), {}, false), 0);
  EXPECT_EQ(s.LastError(), Text(20037));
}

TEST(ExcelSessionTest, ReadingMissingAndForeignFiles) {
  fs::path folder = TestFolder();
  CExcelSession missing;
  EXPECT_EQ(missing.OpenForReading((folder / "none.xls").u16string()), 0);
  EXPECT_EQ(missing.LastError(), Text(20039));
  EXPECT_EQ(missing.UsedRowCount(), 0);
  EXPECT_EQ(missing.CellText(1, 1), "");

  // A picture under a workbook's name opens as a drawing, not a workbook.
  fs::path picture = folder / "picture.xls";
  WriteFile(picture, TinyPng());
  CExcelSession foreign;
  EXPECT_EQ(foreign.OpenForReading(picture.u16string()), 0);
  EXPECT_EQ(foreign.LastError(), Text(20039));

  // A damaged workbook: the compound-file signature and then nothing.
  fs::path damaged = folder / "damaged.xls";
  WriteFile(damaged, std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(600, '\0'));
  CExcelSession bad;
  int opened = bad.OpenForReading(damaged.u16string());
  if (!opened) {
    EXPECT_EQ(bad.LastError(), Text(20039));
  }

  // Such a file as a template, and damaged template bytes, fail the same way
  // and leave no output file.
  {
    CExcelSession s;
    EXPECT_EQ(s.CreateWorkbook(u"S", (folder / "t.xls").u16string(), picture.u16string(), false),
              0);
    EXPECT_EQ(s.LastError(), Text(20039));
    std::string png = TinyPng();
    CExcelSession d;
    EXPECT_EQ(d.CreateFromTemplateData(u"S", (folder / "d.xls").u16string(), png.data(),
                                       png.size(), false),
              0);
    EXPECT_EQ(d.LastError(), Text(20039));
  }
  EXPECT_FALSE(fs::exists(folder / "t.xls"));
  EXPECT_FALSE(fs::exists(folder / "d.xls"));

  // The suite still serves the next session.
  fs::path out = folder / "after.xls";
  CExcelSession s;
  EXPECT_EQ(s.CreateWorkbook(u"S", out.u16string(), {}, false), 1);
}

TEST(ExcelSessionTest, CloseWorksOnceAndDiscardsUnsavedWork) {
  fs::path out = TestFolder() / "unsaved.xls";
  CExcelSession s;
  ASSERT_EQ(s.CreateWorkbook(u"S", out.u16string(), {}, false), 1);
  s.SetCellText(1, 1, u"never saved");
  s.Close();
  EXPECT_FALSE(s.IsOpen());
  s.Close();
  EXPECT_EQ(s.CloseCount(), 2);
  EXPECT_FALSE(fs::exists(out));
  // Calls on a closed session do nothing.
  s.SetCellText(1, 1, u"x");
  EXPECT_EQ(s.CellText(1, 1), "");
  EXPECT_EQ(s.SaveAndClose(), 0);
  EXPECT_EQ(s.CreateWorkbook(u"S", out.u16string(), {}, false), 0);
}

TEST(ExcelSessionTest, PrintToPdfFileHoldsTheCellText) {
  fs::path folder = TestFolder();
  fs::path pdf = folder / "sheet.pdf";
  CExcelSession s;
  ASSERT_EQ(s.CreateWorkbook(u"S", (folder / "p.xls").u16string(), {}, false), 1);
  s.SetCellText(1, 1, u"Parcel BR123456789CN");
  EXPECT_EQ(s.PrintOut(1, 1, 1, false, {}, pdf.u16string()), 1);
  ASSERT_TRUE(fs::exists(pdf));
  EXPECT_EQ(ReadFile(pdf).compare(0, 5, "%PDF-"), 0);
  EXPECT_EQ(s.PrintOut(0, 0, 1, true), 1);
  EXPECT_TRUE(fs::exists(fs::path(s.PreviewFile())));
  fs::remove(fs::path(s.PreviewFile()));
}

// Every reason a session gives is a language text, in the language loaded.
TEST(ExcelSessionTest, FailureTextsComeFromTheLanguageTable) {
  fs::path folder = TestFolder();
  fs::path png = folder / "logo.png";
  WriteFile(png, TinyPng());
  fs::path notPicture = folder / "notes.png";
  WriteFile(notPicture, "not a picture at all");
  const std::u16string missing = (folder / "missing.png").u16string();
  // The text of an id whose %1 the suite fills: what comes before it.
  auto lead = [](int id) {
    std::u16string text = AppLanguage().Text(id);
    return text.substr(0, text.find(u"%1"));
  };
  struct Restore {
    ~Restore() { LoadOfficeLanguage(Root()); }
  } restore;
  for (const char* language : {"00", "01"}) {
    SCOPED_TRACE(language);
    LoadOfficeLanguage(folder, language);
    ASSERT_EQ(Text(20040), std::string(language) == "00" ? U16("没有打开的工作簿。")
                                                          : u"No workbook is open.");
    {
      CExcelSession none;
      EXPECT_EQ(none.PrintOut(1, 1, 1, false), 0);
      EXPECT_EQ(none.LastError(), Text(20040));
      EXPECT_EQ(none.SaveAndClose(), 0);
      EXPECT_EQ(none.LastError(), Text(20040));
    }
    CExcelSession s;
    ASSERT_EQ(s.CreateWorkbook(u"S", (folder / (std::string("m") + language + ".xls")).u16string(),
                               {}, false),
              1);
    EXPECT_EQ(s.AddPicture(missing, 1, 1, 10, 10, 0, 0), 0);
    EXPECT_EQ(s.LastError(), AppLanguage().TextWithString(20041, missing));
    EXPECT_EQ(s.AddPicture(notPicture.u16string(), 1, 1, 10, 10, 0, 0), 0);
    EXPECT_EQ(s.LastError(), AppLanguage().TextWithString(20042, notPicture.u16string()));
    EXPECT_EQ(s.PrintOut(1, 1, 1, false, u"NoSuchQueue"), 0);
    EXPECT_EQ(s.LastError(), AppLanguage().TextWithString(20043, u"NoSuchQueue"));
    // Errors the suite raises: the operation's text, then the suite's words.
    s.MergeCells(1, 1, 1, 100000);
    EXPECT_EQ(s.LastError().rfind(lead(20044), 0), 0u);
    EXPECT_EQ(s.CellText(1 << 30, 1), "");
    EXPECT_EQ(s.LastError().rfind(lead(20045), 0), 0u);
    // The session is still usable.
    EXPECT_EQ(s.AddPicture(png.u16string(), 2, 2, 10, 10, 0, 0), 1);
    EXPECT_EQ(s.SaveAndClose(), 1);
  }
}

TEST(OfficeSuiteTest, DetectAndFileFilter) {
  EXPECT_TRUE(office::DetectOfficeSuite());
  EXPECT_TRUE(office::OfficeSuiteWritesXlsx());
  EXPECT_EQ(office::ExcelOpenFileFilter(), u"Excel file (*.xls,*.xlsx)|*.xls;*.xlsx|");
  long pid = office::OfficeSuiteProcessId();
  EXPECT_GT(pid, 0);
  // Every session uses the same suite.
  CExcelSession a, b;
  fs::path folder = TestFolder();
  ASSERT_EQ(a.CreateWorkbook(u"A", (folder / "a.xls").u16string(), {}, false), 1);
  ASSERT_EQ(b.CreateWorkbook(u"B", (folder / "b.xls").u16string(), {}, false), 1);
  EXPECT_EQ(office::OfficeSuiteProcessId(), pid);
}

}  // namespace
