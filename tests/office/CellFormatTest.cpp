#include "office/CellFormat.h"

#include <gtest/gtest.h>

TEST(CellAddressTest, LettersAndRow) {
  struct Case {
    int row, column;
    const char* address;
  } cases[] = {
      {1, 1, "A1"},      {7, 26, "Z7"},      {3, 27, "AA3"},     {3, 28, "AB3"},
      {1, 52, "AZ1"},    {1, 53, "BA1"},     {12, 702, "ZZ12"},  {1, 703, "AAA1"},
      {1, 16384, "XFD1"}, {0, 1, ""},        {1, 0, ""},         {1, 18279, ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ExcelCellAddress(c.row, c.column), c.address) << c.row << "," << c.column;
}

TEST(CellAddressTest, ColumnNumberOfNamesAndDigits) {
  struct Case {
    const char* text;
    int number;
  } cases[] = {
      {"A", 1},  {"Z", 26},  {"AA", 27}, {"AB", 28}, {"AZ", 52}, {"BA", 53}, {"ZZ", 702},
      {"AAA", 703}, {"ABCD", 0}, {"12", 12}, {"9", 9}, {"1234", 1234}, {"0", 0}, {"", 0},
      {"a", 0},  {"A1", 0},  {"3B", 3},
  };
  for (const auto& c : cases) EXPECT_EQ(ExcelColumnNumber(c.text), c.number) << c.text;
}

TEST(CellAddressTest, AddressAndColumnNumberAgree) {
  for (int column = 1; column <= 18278; ++column) {
    std::string address = ExcelCellAddress(1, column);
    ASSERT_EQ(ExcelColumnNumber(address.substr(0, address.size() - 1)), column);
  }
}

TEST(CellTextRuleTest, ApostropheBeforeTextsReadAsNumbersOrFormulas) {
  for (const char16_t* text : {u"=SUM(A1)", u"'quoted", u"*", u"+86", u"-1", u"/x", u"0012", u"9"})
    EXPECT_TRUE(NeedsTextApostrophe(text)) << std::string(text, text + 1);
  for (const char16_t* text : {u"abc", u"", u" 12", u"中文", u"(5)", u"TRUE"})
    EXPECT_FALSE(NeedsTextApostrophe(text));
}

TEST(CellTextRuleTest, ColumnWidthInCharacters) {
  EXPECT_EQ(ColumnWidthCharacters(60), 8);
  EXPECT_EQ(ColumnWidthCharacters(64), 8);
  EXPECT_EQ(ColumnWidthCharacters(65), 9);
  EXPECT_EQ(ColumnWidthCharacters(1), 1);
  EXPECT_EQ(ColumnWidthCharacters(0), 0);
}

TEST(CellValueTextTest, Numbers) {
  struct Case {
    double value;
    const char* text;
  } cases[] = {
      {0, "0"},
      {1234.5, "1234.5"},
      {-0.25, "-0.25"},
      {0.1, "0.1"},
      {1e15, "1000000000000000"},
      {1.5e15, "1500000000000000"},
      {-2e16, "-20000000000000000"},
      {123456789012345.0, "123456789012345"},
      {0.00001, "1E-05"},
  };
  for (const auto& c : cases) EXPECT_EQ(NumberCellText(c.value), c.text) << c.value;
}

TEST(CellValueTextTest, DatesWithAndWithoutTime) {
  EXPECT_EQ(DateCellText(SerialFromDate(2024, 1, 5, 0, 0, 0)), "2024-01-05");
  EXPECT_EQ(DateCellText(SerialFromDate(2024, 2, 29, 13, 4, 5)), "2024-02-29 13:04:05");
  EXPECT_EQ(DateCellText(SerialFromDate(1999, 12, 31, 23, 59, 59)), "1999-12-31 23:59:59");
  EXPECT_EQ(DateCellText(1.0), "1899-12-31");
  EXPECT_EQ(DateCellText(45296.0), "2024-01-05");
  // A fraction a hair below midnight is the next day.
  EXPECT_EQ(DateCellText(45296.0 - 1e-9), "2024-01-05");
  EXPECT_EQ(DateCellText(0.5), "1899-12-30 12:00:00");
  // Another null date (1904 system).
  EXPECT_EQ(DateCellText(0, 1904, 1, 1), "1904-01-01");
}

// Texts the session stores as they are, without the sheet reading them: only
// those that nothing can read as a value.
TEST(CellTextRuleTest, PlainTextsAreThoseNothingReadsAsAValue) {
  struct Case {
    const char16_t* text;
    bool plain;
  } cases[] = {
      {u"", true},
      {u"R1C1-BR12345678CN", true},
      {u"Parcel 7", true},
      {u"5 kg", false},  // starts with a digit
      {u"Header", false},  // a short single word: may be a truth word
      {u"Shipping list", true},
      {u"中文", false},     // a short single word: may be a truth word
      {u"物品乙码清单明细", true},
      {u"物品3号", false},  // digits and no Latin word
      {u"第三号", false},   // Chinese numeral
      {u"Box ３", true},    // a word no number holds
      {u"Ａ３", false},      // full-width digit, no Latin word
      {u"TRUE", false},
      {u"false", false},
      {u"Jan 5 2024", false},
      {u"Mon Jan 5 2024", false},
      {u"september 5", false},
      {u"Dec-2024", false},
      {u"E5", false},
      {u"5 PM", false},
      {u"=A1", false},
      {u"+5", false},
      {u"-x1", false},
      {u"'quoted", false},
      {u"#N/A", false},
      {u"(5)", false},
      {u" abc def", false},
      {u"@1", false},
      {u"CN12 Box", true},
  };
  for (const auto& c : cases) {
    std::u16string text(c.text);
    EXPECT_EQ(ReadsAsPlainText(text), c.plain) << std::string(text.begin(), text.end());
  }
}

// Texts a sheet would evaluate are told apart from numbers and plain text,
// so a receiver or memo never turns into a formula in a printed workbook.
TEST(CellFormat, ReadsAsFormula) {
  struct Case {
    const char16_t* text;
    bool formula;
  };
  const Case cases[] = {
      {u"=1+1", true},       {u"=HYPERLINK(\"http://x\",\"y\")", true},
      {u"@SUM(A1:A2)", true}, {u"+A1", true},
      {u"-B2", true},        {u"-x", true},
      {u"+", false},         {u"-", false},
      {u"-1.00", false},     {u"+86 138", false},
      {u"12%", false},       {u"Bob = Alice", false},
      {u"", false},          {u"王五", false},
  };
  for (const Case& c : cases) {
    std::u16string text(c.text);
    EXPECT_EQ(ReadsAsFormula(text), c.formula) << std::string(text.begin(), text.end());
  }
}
