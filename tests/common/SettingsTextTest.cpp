#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "common/SettingsText.h"
#include "platform/CodePage.h"
#include "platform/MessageBox.h"

namespace {

std::string G(std::u16string_view wide) { return platform::EncodeCodePage(936, wide); }

TEST(GetKeyValue, LineStartKeysQuotesAndComments) {
  struct Case {
    std::string text;
    bool trim;
    std::string value;
  } cases[] = {
      {"PORT= 8080\r\nHOST=x", true, "8080"},
      {"A=1 PORT=80\nX=2", true, ""},                 // key in the middle of a line
      {"x PORT=1\nPORT=2", true, "2"},                // later occurrence at a line start
      {"X=1\rPORT=80", true, "80"},
      {"PORT='quoted value' # comment", true, "quoted value"},
      {"PORT=\"a\\\"b\" rest", true, "a\\\"b"},        // escaped quote stays in the value
      {"PORT='unclosed\nnext", true, "unclosed"},
      {"PORT='\x95\x5C' tail", true, "\x95\x5C"},     // 5C as a trail byte escapes nothing
      {"PORT=value #x", true, "value #x"},            // one blank keeps the "#"
      {"PORT=value  #x", true, "value"},              // two blanks start a comment
      {"PORT=value  #x", false, "value "},
      {"PORT=value\t#x", false, "value"},
      {"PORT=a b\r\n", false, "a b"},
      {"PORT=", true, ""},
      {"", true, ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(GetKeyValue("PORT=", c.text, 0, 63, c.trim), c.value) << c.text;

  EXPECT_EQ(GetKeyValue("HOST=", "HOST=" + std::string(70, 'h'), 0, 63, true), "");
  EXPECT_EQ(GetKeyValue("HOST=", "HOST=" + std::string(63, 'h'), 0, 63, true), std::string(63, 'h'));
  EXPECT_EQ(GetKeyValue("HOST=", "HOST=ab", 3, 63, true), "");
  EXPECT_EQ(GetKeyValue("", "=x", 0, 63, true), "");
}

TEST(GetKeyInt, ReadsTheNumberAfterTheKey) {
  EXPECT_EQ(GetKeyInt("PORT=", "HOST=a\nPORT= 8080\n", 80), 8080);
  EXPECT_EQ(GetKeyInt("PORT=", "HOST=a\n", 80), 80);
  EXPECT_EQ(GetKeyInt("PORT=", "PORT=abc", 80), 0);
  EXPECT_EQ(GetKeyInt("PORT=", "PORT=-12x", 80), -12);
  EXPECT_EQ(GetKeyInt("PORT=", "PORT=99999999999999", 80), INT_MAX);
  EXPECT_EQ(GetKeyInt("PORT=", "PORT=-99999999999999", 80), INT_MIN);
  EXPECT_EQ(GetKeyInt("PORT=", "XPORT=5", 80), 80);
}

TEST(SplitToStringArray, PartsLimitsAndDoubleByteCharacters) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitToStringArray("a,b,,c", ',', 0, 100, false), (V{"a", "b", "", "c"}));
  EXPECT_EQ(SplitToStringArray("a,b,,c", ',', 1, 100, false), (V{"a", "b", "c"}));
  EXPECT_EQ(SplitToStringArray(" a , b \t,c\r\n", ',', 0, 100, true), (V{"a", "b", "c"}));
  EXPECT_EQ(SplitToStringArray(" a , b \t,c\r\n", ',', 0, 100, false), (V{" a ", " b \t", "c\r\n"}));
  EXPECT_EQ(SplitToStringArray("abc,de", ',', 0, 2, false), (V{"de"}));
  EXPECT_EQ(SplitToStringArray("a,", ',', 0, 10, false), (V{"a", ""}));
  EXPECT_EQ(SplitToStringArray("", ',', 0, 10, false), (V{""}));
  EXPECT_EQ(SplitToStringArray("", ',', 1, 10, false), (V{}));
  // 81 7C is one character whose trail byte is "|": never split.
  EXPECT_EQ(SplitToStringArray("a|\x81\x7C|b", '|', 0, 10, false), (V{"a", "\x81\x7C", "b"}));
  EXPECT_EQ(SplitToStringArray("\x81\x7C", '|', 0, 10, false), (V{"\x81\x7C"}));
  // A lone lead byte at the end does not run past the text.
  EXPECT_EQ(SplitToStringArray("a|\x81", '|', 0, 10, false), (V{"a", "\x81"}));
  // A comma is never a trail byte: a stray lead byte before it does not hide it.
  EXPECT_EQ(SplitToStringArray("\xB1,abc", ',', 0, 10, false), (V{"\xB1", "abc"}));
  EXPECT_EQ(SplitToStringArray("x\xD6,\xD6\xD0,y", ',', 0, 10, false),
            (V{"x\xD6", "\xD6\xD0", "y"}));
}

TEST(Dimensions, ParseAndClassLetters) {
  struct Case {
    std::string text;
    bool ok;
    int l, w, h;
  } cases[] = {
      {"30*20*10", true, 30, 20, 10},
      {"L:30*20*10cm W", true, 30, 20, 10},
      {"30 * 20 * 10", true, 30, 20, 10},
      {"30*20", false, 30, 20, -1},
      {"30*0*10", false, 30, 0, 10},
      {"abc", false, -1, -1, -1},
      {"", false, -1, -1, -1},
  };
  for (const auto& c : cases) {
    int l = -1, w = -1, h = -1;
    EXPECT_EQ(ParseDimensions(c.text, l, w, h), c.ok) << c.text;
    EXPECT_EQ(l, c.l) << c.text;
    EXPECT_EQ(w, c.w) << c.text;
    EXPECT_EQ(h, c.h) << c.text;
  }
  EXPECT_EQ(FindVolumeDivisorCode("30*20*10S D"), 'D');
  EXPECT_EQ(FindVolumeDivisorCode("X T"), 'T');
  EXPECT_EQ(FindVolumeDivisorCode("sdw"), 0);
  EXPECT_EQ(FindVolumeDivisorCode("\x81\x44"), 0);  // "D" as a trail byte
  for (auto [code, divisor] : {std::pair{'D', 5}, {'E', 8}, {'S', 7}, {'T', 3}, {'W', 12},
                               {'X', 10}, {'A', 6}, {'\0', 6}, {'d', 6}})
    EXPECT_EQ(VolumeDivisorFromCode(code), divisor) << code;
}

TEST(MatchMask, PositionsMustMatch) {
  struct Case {
    const char* code;
    const char* mask;
    bool match;
  } cases[] = {
      {"AB12", "@@##", true}, {"ab12", "@@##", true}, {"AB12", "@@#", false},
      {"AB12", "", true},     {"", "", true},         {"AB1C", "@@##", false},
      {"ab-1", "@@-#", true}, {"ab+1", "@@-#", false}, {"x\xD6\xD0", "***", true},
      {"1B12", "@@##", false},
  };
  for (const auto& c : cases) EXPECT_EQ(MatchMask(c.code, c.mask), c.match) << c.code << " " << c.mask;
}

TEST(AppendPipeField, CleansCutsAndPads) {
  struct Case {
    std::string text;
    size_t width;
    bool pad;
    std::string field;
  } cases[] = {
      {"a|b", 5, false, "ab|"},
      {"ab", 5, true, "ab   |"},
      {"a\r\nb", 5, false, "ab|"},
      {"abcdef", 4, true, "abcd|"},
      {"", 3, true, "   |"},
      {"", 3, false, "|"},
      {"\xD6\xD0\xCE\xC4", 3, false, "\xD6\xD0|"},     // never half a character
      {"\xD6\xD0\xCE\xC4", 3, true, "\xD6\xD0 |"},
      {"\x81\x7C" "a", 5, false, "\x81\x7C" "a|"},     // a trail byte "|" stays
      {std::string(10000, 'x'), 5, false, "xxxxx|"},
      // UTF-8 text is cut on its own character boundaries, judged on the
      // whole text: 中文字 in UTF-8 cut to 3 bytes keeps 中.
      {"\xE4\xB8\xAD\xE6\x96\x87\xE5\xAD\x97", 3, false, "\xE4\xB8\xAD|"},
      {"\xE4\xB8\xAD\xE6\x96\x87\xE5\xAD\x97", 5, true, "\xE4\xB8\xAD  |"},
  };
  for (const auto& c : cases) {
    std::string dest = "head|";
    AppendPipeField(dest, c.text, c.width, c.pad);
    EXPECT_EQ(dest, "head|" + c.field) << c.text.substr(0, 20);
  }
  std::string dest;
  AppendPipeFieldW(dest, u"a|中", 10, false, false);
  EXPECT_EQ(dest, "a" + G(u"中") + "|");
  dest.clear();
  AppendPipeFieldW(dest, u"aก", 10, false, true);
  EXPECT_EQ(dest, "a&#3585;|");
}

TEST(MakePinyinInitials, LevelOneCharactersOnly) {
  EXPECT_EQ(MakePinyinInitials(G(u"北京")), "bj");
  EXPECT_EQ(MakePinyinInitials("abc" + G(u"北京") + "1"), "bj");
  EXPECT_EQ(MakePinyinInitials(G(u"上海市")), "shs");
  EXPECT_EQ(MakePinyinInitials(G(u"北亍京")), "b");      // level-2 character ends it
  EXPECT_EQ(MakePinyinInitials(G(u"北，京")), "b");      // so does a symbol
  EXPECT_EQ(MakePinyinInitials(G(u"啊座")), "az");       // first and last of level 1
  // A character outside GB2312 is stepped over whole: its trail byte never
  // pairs with the next character's lead byte.
  EXPECT_EQ(MakePinyinInitials("\x81\xB1" + G(u"京")), "j");
  EXPECT_EQ(MakePinyinInitials(""), "");
}

TEST(FileNamesAndDisplay, SmallHelpers) {
  EXPECT_EQ(GetFileExtension("a.txt", 4), "txt");
  EXPECT_EQ(GetFileExtension("a.txt", 3), "");
  EXPECT_EQ(GetFileExtension("noext", 5), "");
  EXPECT_EQ(GetFileExtension("a.b.c", 5), "c");

  std::u16string name = u"a/b\\c:d*e?f\"g>h<i|j+k中";
  EXPECT_EQ(SanitizeFileName(name), u"a_b_c_d_e_f_g_h_i_j_k中");

  struct Case {
    std::u16string text;
    int width;
    std::u16string out;
  } cases[] = {
      {u"abcdefghijklmnopqrst", 10, u"abcde..."},
      {u"abcdefghij", 10, u"abcdefghij"},
      {u"中文中文中文", 6, u"..."},
      {u"中文中", 6, u"中文中"},
      {u"abcdefghijk中", 11, u"abcdef..."},
      {u"", 0, u""},
  };
  for (auto c : cases) EXPECT_EQ(EllipsizeText(c.text, c.width), c.out);

  std::u16string buffer = u"a\r\nb\n";
  EXPECT_EQ(FlattenLines(buffer), u"a b ");
  EXPECT_EQ(buffer, u"a b ");
  std::u16string onlyCr = u"\r";
  EXPECT_EQ(FlattenLines(onlyCr), u"");
  EXPECT_EQ(onlyCr, u"\r");

  EXPECT_EQ(WideBufferFromGbk(G(u"中文a")), u"中文a");
}

TEST(MessageBoxGbk, ShowsTheTextConverted) {
  platform::RecordingMessageBoxService boxes;
  platform::ScopedMessageBoxService scope(&boxes);
  EXPECT_EQ(MessageBoxGbk(G(u"提示")), platform::kIdOk);
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.LastText(), u"提示");
  EXPECT_EQ(boxes.Messages()[0].flags, platform::kMbOk);
}

TEST(CharacterTests, DigitsHexAndHash) {
  EXPECT_TRUE(IsAllDigits(""));
  EXPECT_TRUE(IsAllDigits("0123"));
  EXPECT_FALSE(IsAllDigits("12a"));
  EXPECT_TRUE(IsHexDigit('f'));
  EXPECT_TRUE(IsHexDigit('F'));
  EXPECT_FALSE(IsHexDigit('g'));

  struct HexCase {
    std::string in;
    bool hex;
    std::string trimmed;
  } cases[] = {
      {"", false, ""},
      {" 0aFF ", true, "0aFF"},
      {"\xA1\xA1" "0A\t", true, "0A"},
      {"abc", false, "abc"},
      {"zz", false, "zz"},
      {"   ", false, ""},          // nothing left after trimming
  };
  for (auto c : cases) {
    EXPECT_EQ(IsHexText(c.in), c.hex) << c.in;
    EXPECT_EQ(c.in, c.trimmed);
  }

  const uint32_t values[] = {3, 7, 0xFFFFFFFF};
  EXPECT_TRUE(DWordArrayContains(7, values));
  EXPECT_TRUE(DWordArrayContains(0xFFFFFFFF, values));
  EXPECT_FALSE(DWordArrayContains(4, values));
  EXPECT_FALSE(DWordArrayContains(4, {}));

  EXPECT_EQ(HashText30(u""), 0u);
  EXPECT_EQ(HashText30(u"A"), 65u);
  EXPECT_EQ(HashText30(u"AB"), 65u + 66u * 101u);
  // The 23rd weight is 4474.
  EXPECT_EQ(HashText30(std::u16string(22, u'\0') + u"\x01"), 4474u);
  EXPECT_EQ(HashText30(std::u16string(29, u'\0') + u"\x01"), 85607u);
  // Code units after the 30th do not count.
  std::u16string thirty(30, u'Z');
  EXPECT_EQ(HashText30(thirty + u"more"), HashText30(thirty));
}

const GoodsRecord* Find(const std::vector<GoodsRecord>& v, const std::string& name) {
  for (const auto& r : v)
    if (r.cgoods == name) return &r;
  return nullptr;
}

TEST(SplitGoodsColumns, SeveralRecordsDistributedAndMerged) {
  std::vector<GoodsRecord> out;
  GoodsColumns cols{"Shoes,Hats", "2,3", "10,20"};
  cols.codesA = "X1,Y2";
  cols.units = "pair,piece";
  ASSERT_TRUE(SplitGoodsColumns(cols, out));
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].cgoods, "Shoes");
  EXPECT_EQ(out[0].iquantity, 2);
  EXPECT_DOUBLE_EQ(out[0].fprice, 10);
  EXPECT_EQ(out[0].cgcodea, "X1");
  EXPECT_EQ(out[0].cunit, "pair");
  EXPECT_EQ(out[1].cgoods, "Hats");
  EXPECT_EQ(out[1].iquantity, 3);
  EXPECT_DOUBLE_EQ(out[1].fprice, 20);
  EXPECT_EQ(out[1].cunit, "piece");

  // A column of three bytes or fewer is not distributed.
  out.clear();
  ASSERT_TRUE(SplitGoodsColumns(GoodsColumns{"Shoes,Hats", "2,3", "10"}, out));
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].fprice, 0);
  EXPECT_EQ(out[1].fprice, 0);

  // Equal records merge; a zero price takes the merged record's price.
  out.clear();
  ASSERT_TRUE(SplitGoodsColumns(GoodsColumns{"Shoes,Shoes", "2,3", "0,20"}, out));
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].iquantity, 5);
  EXPECT_DOUBLE_EQ(out[0].fprice, 20);

  // Different weights keep them apart.
  out.clear();
  GoodsColumns weighted{"A,A", "1,1", "5,5"};
  weighted.weights = "1.5,2.5";
  ASSERT_TRUE(SplitGoodsColumns(weighted, out));
  EXPECT_EQ(out.size(), 2u);

  // Trailing commas and blanks after separators; a full-width comma works too.
  out.clear();
  ASSERT_TRUE(SplitGoodsColumns(GoodsColumns{"A,B,", "1, \t2,,", "1.5,2.5"}, out));
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[1].iquantity, 2);
  out.clear();
  ASSERT_TRUE(SplitGoodsColumns(GoodsColumns{"A" + G(u"，") + "B", "1" + G(u"，") + "2", ""}, out));
  ASSERT_EQ(out.size(), 2u);
  EXPECT_NE(Find(out, "B"), nullptr);

  // Merged quantities do not overflow.
  out.clear();
  ASSERT_TRUE(SplitGoodsColumns(GoodsColumns{"A,A", "2147483647,5", ""}, out));
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].iquantity, INT32_MAX);
}

TEST(SplitGoodsColumns, OneRecord) {
  std::vector<GoodsRecord> out;
  GoodsColumns cols{"<b>Shoes</b>", " 2 ", "9.5"};
  cols.units = "a-very-long-unit-text";
  cols.customsValues = "12.25";
  cols.notes = "note";
  cols.codesB = std::string(70, 'c');
  ASSERT_TRUE(SplitGoodsColumns(cols, out));
  ASSERT_EQ(out.size(), 1u);
  const GoodsRecord& r = out[0];
  EXPECT_EQ(r.cgoods, "Shoes");
  EXPECT_EQ(r.iquantity, 2);
  EXPECT_DOUBLE_EQ(r.fprice, 9.5);
  EXPECT_DOUBLE_EQ(r.fgcustom, 12.25);
  EXPECT_EQ(r.cunit, "a-very-long-uni");
  EXPECT_EQ(r.cgcodeb, std::string(63, 'c'));
  EXPECT_EQ(r.note, "note");
}

TEST(SplitGoodsColumns, RefusedColumns) {
  struct Case {
    const char* why;
    GoodsColumns cols;
  } cases[] = {
      {"three names, two quantities", {"A,B,C", "1,2", ""}},
      {"a zero quantity", {"A,B", "2,0", ""}},
      {"quantity 0", {"A", "0", ""}},
      {"no digit", {"A", "abc", ""}},
      {"empty names", {"", "1", ""}},
      {"empty quantities", {"A", ",,", ""}},
      {"name of 64 bytes", {std::string(64, 'n'), "1", ""}},
      {"part of 63 bytes", {"A," + std::string(63, 'n'), "1,2", ""}},
      {"empty part ends the names", {"A,,B", "1,2", ""}},
  };
  for (const auto& c : cases) {
    std::vector<GoodsRecord> out(1);
    EXPECT_FALSE(SplitGoodsColumns(c.cols, out)) << c.why;
    EXPECT_EQ(out.size(), 1u) << c.why;
  }
}

}  // namespace
