#include "common/LanguageTable.h"
#include "tests/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A folder of its own for each test, removed afterwards.
class LanguageTableTest : public testsupport::TempFolderTest {
 protected:
  std::string Folder() const { return folder_.string() + "/"; }

  // Writes the raw bytes of the language file for a code.
  void WriteBytes(const std::string& code, const std::string& bytes) {
    std::ofstream out(folder_ / ("TolvaneLan_" + code + ".txt"), std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  // Writes FF FE and the units as UTF-16LE.
  void WriteUnits(const std::string& code, std::u16string_view units, bool bom = true) {
    WriteBytes(code, Bytes(units, bom));
  }

  static std::string Bytes(std::u16string_view units, bool bom = true) {
    std::string bytes = bom ? std::string("\xFF\xFE") : std::string();
    for (char16_t u : units) {
      bytes.push_back(static_cast<char>(u & 0xFF));
      bytes.push_back(static_cast<char>(u >> 8));
    }
    return bytes;
  }

  // Loads text after the mark; `lead` fills units 1 and 2 so that the entries
  // start at the fourth unit.
  bool LoadEntries(CLanguageTable& table, std::u16string_view entries,
                   const std::string& code = "00") {
    WriteUnits(code, u"..." + std::u16string(entries));
    return table.Load(Folder(), code);
  }
};

std::u16string W(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

const std::u16string kFixture =
    u"<D> 1,a[*==*]b</D>\r\n"
    u"<D>2,x[*==*]y</D>\r\n"               // the digit is the skipped unit
    u"<D> 7,first[*==*]FIRST</D>\r\n"
    u"<D> 7,second[*==*]SECOND</D>\r\n"    // later duplicate
    u"junk between entries <D\r\n"
    u"<D> 0,zero[*==*]zero</D>"
    u"<D> 1000000,big[*==*]big</D>"
    u"<D> -5,neg[*==*]neg</D>"
    u"<D> 8,no separator</D>"
    u"<D> 9no comma[*==*]x</D>"
    u"<D> 12,x\\ny\\tz[*==*]X\\nY</D>"
    u"<D> 13,%1 and %1[*==*]%1 und %1</D>"
    u"<D> 14,a,b[*==*]c,d</D>"
    u"<D> 999999,last[*==*]LAST</D>"
    u"<D>  42 ,blank id[*==*]BLANK</D>";

TEST_F(LanguageTableTest, LoadsEntriesAndSkipsMalformedOnes) {
  for (const char* code : {"00", "01"}) {
    SCOPED_TRACE(code);
    CLanguageTable table;
    ASSERT_TRUE(LoadEntries(table, kFixture, code));
    const bool first = std::string(code) == "00";
    EXPECT_EQ(table.LanguageCode(), code);
    EXPECT_EQ(table.Text(1), first ? u"a" : u"b");
    EXPECT_EQ(table.Text(2), u"???");
    EXPECT_EQ(table.Text(7), first ? u"first" : u"FIRST");
    for (int id : {0, 1000000, -5, 8, 9}) EXPECT_EQ(table.Text(id), u"???") << id;
    EXPECT_EQ(table.Text(14), first ? u"a,b" : u"c,d");
    EXPECT_EQ(table.Text(999999), first ? u"last" : u"LAST");
    EXPECT_EQ(table.Text(42), first ? u"blank id" : u"BLANK");
    // 1, 7, 12, 13, 14, 42, 999999
    ASSERT_EQ(table.EntryCount(), 7u);
    for (size_t i = 1; i < table.Entries().size(); ++i)
      EXPECT_LT(table.Entries()[i - 1].id, table.Entries()[i].id);
    EXPECT_EQ(table.FirstText(7), u"first");
  }
}

TEST_F(LanguageTableTest, ScanningStartsAtTheFourthUnit) {
  struct Case {
    std::u16string afterMark;
    bool found;
  } cases[] = {
      {u"<D> 3,x[*==*]y</D>", false},    // unit 1
      {u".<D> 3,x[*==*]y</D>", false},   // unit 2
      {u"..<D> 3,x[*==*]y</D>", true},   // unit 3, byte offset 6
      {u"...<D> 3,x[*==*]y</D>", true},
  };
  for (const auto& c : cases) {
    CLanguageTable table;
    WriteUnits("00", c.afterMark);
    EXPECT_EQ(table.Load(Folder(), "00"), c.found);
    EXPECT_EQ(table.Text(3), c.found ? u"x" : u"??");
  }
}

TEST_F(LanguageTableTest, ExpandsEscapesAtLookUpOnly) {
  CLanguageTable table;
  ASSERT_TRUE(LoadEntries(table, kFixture));
  EXPECT_EQ(table.Text(12), u"x\r\ny\tz");
  EXPECT_EQ(table.FirstText(12), u"x\\ny\\tz");
  EXPECT_EQ(table.FirstText(5), std::nullopt);

  CLanguageTable second;
  ASSERT_TRUE(LoadEntries(second, kFixture, "01"));
  EXPECT_EQ(second.Text(12), u"X\r\nY");
  // The first text stays text 1 whatever the language.
  EXPECT_EQ(second.FirstText(12), u"x\\ny\\tz");
}

TEST_F(LanguageTableTest, MissingIdsAndEmptyTable) {
  CLanguageTable empty;
  EXPECT_EQ(empty.Text(1), u"??");
  EXPECT_EQ(empty.Text(1, u"dflt"), u"dflt");
  EXPECT_EQ(empty.FallbackText(), u"未知");
  EXPECT_EQ(empty.CommandText(32822), u"???");  // no command lists yet

  CLanguageTable table;
  ASSERT_TRUE(LoadEntries(table, kFixture));
  EXPECT_EQ(table.Text(3), u"???");
  EXPECT_EQ(table.Text(3, u"dflt"), u"dflt");
  EXPECT_EQ(table.Text(3, u""), u"");
}

TEST_F(LanguageTableTest, MissingFileChangesOnlyTheLanguageCode) {
  CLanguageTable table;
  EXPECT_FALSE(table.Load(Folder(), "99"));
  EXPECT_EQ(table.LanguageCode(), "99");
  EXPECT_EQ(table.EntryCount(), 0u);
  EXPECT_TRUE(table.ToolbarCommands().empty());
  EXPECT_EQ(table.Text(1), u"??");
  EXPECT_EQ(table.FallbackText(), u"未知");
}

TEST_F(LanguageTableTest, MalformedFilesLoadWhatTheyCanAndNeverCrash) {
  const std::u16string good = u"..<D> 5,five[*==*]FIVE</D>";
  struct Case {
    const char* name;
    std::string bytes;
    bool loads;
  } cases[] = {
      {"empty", "", false},
      {"mark only", "\xFF\xFE", false},
      {"one byte", "\xFF", false},
      {"start marker at the very end", Bytes(u"..<D>"), false},
      {"marker and skipped unit only", Bytes(u"..<D> "), false},
      {"no end marker", Bytes(u"..<D> 5,five[*==*]FIVE"), false},
      {"good then truncated", Bytes(good + u"<D> 6,six[*==*]SI"), true},
      {"odd length", Bytes(good) + "x", true},
      {"NUL ends the scan", Bytes(good + std::u16string(1, u'\0') + u"<D> 6,six[*==*]SIX</D>"), true},
      {"lone surrogates", Bytes(u"..<D> 5,\xD800[*==*]\xDC00</D>"), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes("00", c.bytes);
    CLanguageTable table;
    EXPECT_EQ(table.Load(Folder(), "00"), c.loads);
    EXPECT_EQ(table.Text(6), c.loads ? u"???" : u"??");
  }
}

TEST_F(LanguageTableTest, ReloadReplacesTheTable) {
  CLanguageTable table;
  ASSERT_TRUE(LoadEntries(table, kFixture));
  ASSERT_TRUE(LoadEntries(table, u"<D> 500,other[*==*]OTHER</D>"));
  EXPECT_EQ(table.Text(1), u"???");
  EXPECT_EQ(table.Text(500), u"other");
  EXPECT_EQ(table.ToolbarCommands().size(), 22u);
  EXPECT_EQ(table.MenuCommands(0).size(), 6u);
}

TEST_F(LanguageTableTest, PercentOnePlaceholders) {
  CLanguageTable table;
  ASSERT_TRUE(LoadEntries(table, kFixture));
  EXPECT_EQ(table.TextWithNumber(13, -42), u"-42 and -42");
  EXPECT_EQ(table.TextWithNumber(1, 5), u"a");  // no "%1": unchanged
  EXPECT_EQ(table.TextWithString(13, u"北京"), u"北京 and 北京");
  EXPECT_EQ(table.TextAppend(1, u":"), u"a:");

  struct DecimalCase {
    int decimals;
    const char16_t* expected;
  } cases[] = {
      {1, u"2.5 and 2.5"},          {2, u"2.46 and 2.46"},
      {3, u"2.457 and 2.457"},      {4, u"2.4567 and 2.4567"},
      {0, u"2.456700 and 2.456700"}, {7, u"2.456700 and 2.456700"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(table.TextWithDecimal(13, 2.4567, c.decimals), c.expected) << c.decimals;
  // The written number is held to 31 characters.
  std::u16string huge = table.TextWithDecimal(13, 1e300, 0);
  EXPECT_EQ(huge.size(), 31u + 5u + 31u);
}

TEST_F(LanguageTableTest, FileNameTextReplacesUnsafeCharacters) {
  CLanguageTable table;
  ASSERT_TRUE(LoadEntries(table, u"<D> 250100,a\"b%c&d*e/f:g<h>i?j\\k|l m[*==*]x</D>"));
  EXPECT_EQ(table.FileNameText(250100), u"a_b_c_d_e_f_g_h_i_j_k_l m");
  EXPECT_EQ(table.FileNameText(1, u"x/y"), u"x_y");
}

TEST_F(LanguageTableTest, EnumerationTexts) {
  std::u16string entries = u"<D> 8209,其他[*==*]Other</D>";
  for (int id = 20060; id <= 20520; ++id)
    entries += u"<D> " + W(std::to_string(id)) + u",t" + W(std::to_string(id)) + u"[*==*]x</D>";
  CLanguageTable before;
  EXPECT_EQ(before.WaybillStateText(11), u"未知");

  CLanguageTable table;
  ASSERT_TRUE(LoadEntries(table, entries));
  EXPECT_EQ(table.FallbackText(), u"其他");

  struct Case {
    std::u16string (CLanguageTable::*op)(int) const;
    int base;
    int count;
  } cases[] = {
      {&CLanguageTable::PayWayText, 20060, 3},       {&CLanguageTable::FeeTypeText, 20063, 2},
      {&CLanguageTable::FeePayWayText, 20065, 5},    {&CLanguageTable::WaybillStateText, 20070, 11},
      {&CLanguageTable::ItemTypeText, 20090, 3},     {&CLanguageTable::PickupWayText, 20100, 2},
      {&CLanguageTable::RecordSourceText, 20110, 11}, {&CLanguageTable::BagStateText, 20500, 4},
      {&CLanguageTable::AwbStateText, 20510, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.base);
    EXPECT_EQ((table.*c.op)(c.count - 1), W("t" + std::to_string(c.base + c.count - 1)));
    EXPECT_EQ((table.*c.op)(c.count), u"其他");
    EXPECT_EQ((table.*c.op)(-1), u"其他");
  }

  EXPECT_EQ(table.AwbStateIndex(u"t20511"), 1);
  EXPECT_EQ(table.AwbStateIndex(u"t20513"), -1);
  EXPECT_EQ(table.AwbStateIndex(u""), -1);
}

TEST_F(LanguageTableTest, FallbackTextIsTextOfId8209OrItsMissingMark) {
  CLanguageTable table;
  ASSERT_TRUE(LoadEntries(table, u"<D> 1,a[*==*]b</D>"));
  EXPECT_EQ(table.FallbackText(), u"???");
  // A long word is kept whole.
  const std::u16string longWord(40, u'w');
  ASSERT_TRUE(LoadEntries(table, u"<D> 8209," + longWord + u"[*==*]b</D>"));
  EXPECT_EQ(table.BagStateText(9), longWord);
}

TEST(LanguageTablePaymentCodes, IndexAndText) {
  EXPECT_EQ(CLanguageTable::AwbPaymentCodeIndex(u"PP"), 0);
  EXPECT_EQ(CLanguageTable::AwbPaymentCodeIndex(u"OTH"), 6);
  EXPECT_EQ(CLanguageTable::AwbPaymentCodeIndex(u"pp"), -1);
  EXPECT_EQ(CLanguageTable::AwbPaymentCodeIndex(u""), -1);
  EXPECT_EQ(CLanguageTable::AwbPaymentCodeIndex(std::string_view("COD")), 2);
  EXPECT_EQ(CLanguageTable::AwbPaymentCodeIndex(std::string_view("CO")), -1);

  EXPECT_EQ(CLanguageTable::AwbPaymentCodeText(u"预付", 1), u"预付");
  EXPECT_EQ(CLanguageTable::AwbPaymentCodeText(std::u16string(30, u'x'), 1), std::u16string(30, u'x'));
  EXPECT_EQ(CLanguageTable::AwbPaymentCodeText(std::u16string(31, u'x'), 1), u"CC");
  EXPECT_EQ(CLanguageTable::AwbPaymentCodeText(u"", 4), u"MTH");
  EXPECT_EQ(CLanguageTable::AwbPaymentCodeText(u"", 7), u"");
  EXPECT_EQ(CLanguageTable::AwbPaymentCodeText(u"", -1), u"");
}

TEST_F(LanguageTableTest, CommandListsAndToolbarCaptions) {
  CLanguageTable table;
  ASSERT_TRUE(LoadEntries(table, u"<D> 10000,Web[*==*]x</D><D> 10021,Page 1[*==*]x</D>"));
  const size_t sizes[CLanguageTable::kMenuCount] = {6, 6, 12, 5, 4, 10, 2, 2};
  for (size_t p = 0; p < CLanguageTable::kMenuCount; ++p)
    EXPECT_EQ(table.MenuCommands(p).size(), sizes[p]) << p;
  EXPECT_EQ(table.MenuCommands(2)[3], 32778);
  EXPECT_EQ(table.MenuCommands(7)[0], 57664);
  EXPECT_EQ(table.ToolbarCommands().size(), 22u);
  EXPECT_EQ(table.CommandText(32822), u"Web");
  EXPECT_EQ(table.CommandText(32780), u"Page 1");
  EXPECT_EQ(table.CommandText(32782), u"???");   // listed, caption missing
  EXPECT_EQ(table.CommandText(57665), u"???");   // not on the toolbar
}

TEST_F(LanguageTableTest, AddListColumnFillsDescriptorsAndPositions) {
  CLanguageTable table;
  ASSERT_TRUE(LoadEntries(table, u"<D> 30076,Id[*==*]x</D><D> 30066,Goods weight[*==*]x</D>"
                                 u"<D> 30002,Waybill[*==*]x</D>"));
  std::vector<ListColumnDesc> columns;
  ListColumnPositions positions;
  for (int k = 0; k < kListColumnKinds; ++k) EXPECT_EQ(positions[k], -1);

  EXPECT_EQ(table.AddListColumn(3, columns, positions, 120, 0), 0);
  EXPECT_EQ(table.AddListColumn(0, columns, positions, 40, 1), 1);
  EXPECT_EQ(table.AddListColumn(77, columns, positions, 60, 2), 2);
  EXPECT_EQ(table.AddListColumn(5, columns, positions, 60, 2, u"Own"), 3);
  EXPECT_EQ(table.AddListColumn(80, columns, positions, 10, 0), 4);     // beyond the table
  EXPECT_EQ(table.AddListColumn(-1, columns, positions, 10, 0), 5);
  EXPECT_EQ(table.AddListColumn(6, columns, positions, 10, 0, std::u16string(40, u'c')), 6);
  EXPECT_EQ(table.AddListColumn(4, columns, positions, 10, 0), 7);

  ASSERT_EQ(columns.size(), 8u);
  EXPECT_EQ(columns[0].caption, u"Waybill");
  EXPECT_EQ(columns[0].width, 120);
  EXPECT_EQ(columns[1].caption, u"Id");
  EXPECT_EQ(columns[1].format, 1);
  EXPECT_EQ(columns[2].caption, u"Goods weight");
  EXPECT_EQ(columns[3].caption, u"Own");
  EXPECT_EQ(columns[4].caption, u"");
  EXPECT_EQ(columns[4].index, 4);
  EXPECT_EQ(columns[5].caption, u"");
  EXPECT_EQ(columns[6].caption, std::u16string(31, u'c'));
  EXPECT_EQ(columns[7].caption, u"???");
  EXPECT_EQ(positions[3], 0);
  EXPECT_EQ(positions[0], 1);
  EXPECT_EQ(positions[77], 2);
  EXPECT_EQ(positions[5], 3);
  EXPECT_EQ(positions[1], -1);
}

TEST_F(LanguageTableTest, ApplicationInstanceIsShared) {
  EXPECT_EQ(&AppLanguage(), &AppLanguage());
  ASSERT_TRUE(LoadEntries(AppLanguage(), u"<D> 20017,start[*==*]Start</D>", "02"));
  EXPECT_EQ(AppLanguage().Text(20017), u"Start");
}

}  // namespace
