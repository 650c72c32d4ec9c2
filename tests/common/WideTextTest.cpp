#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "common/WideText.h"
#include "platform/CodePage.h"

namespace {

constexpr size_t npos = std::u16string::npos;

TEST(TrimW, BlanksControlsAndIdeographicBlank) {
  struct Case {
    std::u16string in, out;
  } cases[] = {
      {u"\u3000abc\t", u"abc"},   {u" \r\n a b \x01", u"a b"}, {u"\u3000\u3000", u""},
      {u"", u""},                 {u"a\u3000b", u"a\u3000b"},  {u"\x21x\x21", u"!x!"},
  };
  for (auto c : cases) EXPECT_EQ(TrimW(c.in), c.out);
}

TEST(ReplaceAllW, PlaceholdersAndUnlessPresent) {
  struct Case {
    std::u16string text, pattern, replacement;
    bool unlessPresent;
    std::u16string result;
  } cases[] = {
      {u"%1 saved; open %1?", u"%1", u"运单", false, u"运单 saved; open 运单?"},
      {u"%1 and 运单", u"%1", u"运单", true, u" and 运单"},       // caption already there
      {u"%1 and %2", u"%1", u"运单", true, u"运单 and %2"},
      {u"a%1b", u"%1", u"", false, u"ab"},
      {u"aaa", u"a", u"aa", false, u"aaaaaa"},                       // inserted text not rescanned
      {u"x--y", u"--", u"-", false, u"x-y"},
      {u"x--y", u"--", u"==", false, u"x==y"},
      {u"abc", u"", u"z", false, u"abc"},
  };
  for (auto c : cases) EXPECT_EQ(ReplaceAllW(c.text, c.pattern, c.replacement, c.unlessPresent), c.result);
}

TEST(FillArgsW, EachMarkerEverywhereInOrder) {
  EXPECT_EQ(FillArgsW(u"共%1件 %2公斤", {u"3", u"7.250"}), u"共3件 7.250公斤");
  EXPECT_EQ(FillArgsW(u"%2 before %1", {u"a", u"b"}), u"b before a");
  EXPECT_EQ(FillArgsW(u"%1/%1", {u"x"}), u"x/x");
  // A value's own marker is filled by the values after it, never by itself.
  EXPECT_EQ(FillArgsW(u"%1 and %2", {u"%2"}), u"%2 and %2");
  EXPECT_EQ(FillArgsW(u"%1 and %2", {u"%2", u"y"}), u"y and y");
  EXPECT_EQ(FillArgsW(u"%1|%1", {u"%1%1"}), u"%1%1|%1%1");
  // Markers without a value stay; an empty value removes its marker.
  EXPECT_EQ(FillArgsW(u"%1 stays", {}), u"%1 stays");
  EXPECT_EQ(FillArgsW(u"%3 left", {u"a", u"b"}), u"%3 left");
  EXPECT_EQ(FillArgsW(u"[%1]", {u""}), u"[]");
  EXPECT_EQ(FillArgsW(u"", {u"a"}), u"");
}

TEST(ReplaceAllW, LongerReplacementAroundTheOldCopyLimits) {
  for (size_t len : {255, 256, 3000}) {
    std::u16string text(len, u'x');
    text[0] = u'%';
    text[len - 1] = u'%';
    ReplaceAllW(text, u"%", u"%%%");
    EXPECT_EQ(text.size(), len + 4);
    EXPECT_EQ(text.substr(0, 4), u"%%%x");
    EXPECT_EQ(text.substr(text.size() - 4), u"x%%%");
  }
}

TEST(RemoveAllW, OccurrencesAndJoins) {
  struct Case {
    std::u16string text, pattern, result;
  } cases[] = {{u"aab", u"ab", u"a"}, {u"abcbc", u"bc", u"a"}, {u"aabb", u"ab", u"ab"}, {u"xx", u"", u"xx"}};
  for (auto c : cases) EXPECT_EQ(RemoveAllW(c.text, c.pattern), c.result);
  std::u16string self = u"abab";
  EXPECT_EQ(RemoveAllW(self, std::u16string_view(self).substr(0, 2)), u"");
}

TEST(AnsiForms, PatternsInTheAnsiCodePage) {
  const std::string gbkWaybill = platform::EncodeCodePage(936, u"运单");
  std::u16string t = u"运单 %1";
  EXPECT_EQ(ReplaceAllAnsi(t, "%1", gbkWaybill), u"运单 运单");
  std::u16string t2 = u"运单 %1";
  EXPECT_EQ(ReplaceAllAnsi(t2, gbkWaybill, ""), u" %1");
  std::u16string t3 = u"x%1";
  EXPECT_EQ(ReplaceAllAnsiPattern(t3, "%1", u"中"), u"x中");
  std::u16string t4 = u"a";
  EXPECT_EQ(AppendAnsiW(t4, gbkWaybill), u"a运单");
}

TEST(SmallEdits, CharsControlsAndLines) {
  std::u16string a = u"a,b,,c";
  EXPECT_EQ(RemoveCharW(a, u','), u"abc");
  std::u16string b = u"a,b";
  EXPECT_EQ(ReplaceCharW(b, u',', u';'), u"a;b");
  std::u16string c = u"a\tb\r\nc";
  EXPECT_EQ(ReplaceControlCharsW(c, u' '), u"a b  c");
  std::u16string d = u"a\r\nb\nc\r";
  EXPECT_EQ(LinesToBlanksW(d), u"a b c");
}

TEST(FindNoCaseW, AsciiLettersOnly) {
  struct Case {
    std::u16string text, pattern;
    size_t pos;
  } cases[] = {
      {u"Hello World", u"world", 6}, {u"ÉCOLE école", u"école", 6}, {u"abc", u"", 0},
      {u"abc", u"abcd", npos},       {u"中文ABC", u"abc", 2},       {u"", u"a", npos},
  };
  for (const auto& c : cases) EXPECT_EQ(FindNoCaseW(c.text, c.pattern), c.pos);
  std::u16string big(512, u'a');
  EXPECT_EQ(FindNoCaseW(big, big), npos);
  EXPECT_EQ(FindNoCaseW(big, big.substr(0, 511)), 0u);
}

TEST(WrapTextLines, LineMode) {
  WrappedLines lines;
  EXPECT_EQ(WrapTextLines(u"first line\r\nsecond", lines, 30, 3), 2);
  EXPECT_EQ(lines[0], u"first line");
  EXPECT_EQ(lines[1], u"second");
  EXPECT_EQ(lines[2], u"");
  // Text after the n-th line is part of it, its line feeds turned to blanks.
  EXPECT_EQ(WrapTextLines(u"a\nb\nc\r\nd", lines, 30, 3), 3);
  EXPECT_EQ(lines[2], u"c d");
  EXPECT_EQ(WrapTextLines(u" a \n  b  ", lines, 30, 3), 2);
  EXPECT_EQ(lines[0], u"a");
  EXPECT_EQ(lines[1], u"b");
  EXPECT_EQ(WrapTextLines(u"", lines, 30, 3), 0);
  EXPECT_EQ(WrapTextLines(u"abc", lines, 30, 0), 0);
  EXPECT_EQ(lines[0], u"");
}

TEST(WrapTextLines, WrapModeCutsAtLateBlanksOrAtTheWidth) {
  WrappedLines lines;
  std::u16string text(70, u'x');
  text[25] = u' ';
  text[52] = u' ';
  EXPECT_EQ(WrapTextLines(text, lines, 30, 3), 3);
  EXPECT_EQ(lines[0], std::u16string(25, u'x'));
  EXPECT_EQ(lines[1], std::u16string(26, u'x'));
  EXPECT_EQ(lines[2], std::u16string(17, u'x'));

  EXPECT_EQ(WrapTextLines(std::u16string(70, u'y'), lines, 30, 3), 3);
  EXPECT_EQ(lines[0].size(), 30u);
  EXPECT_EQ(lines[1].size(), 30u);
  EXPECT_EQ(lines[2].size(), 10u);

  // A blank earlier than the last 7 units is not used.
  std::u16string early(40, u'z');
  early[10] = u' ';
  EXPECT_EQ(WrapTextLines(early, lines, 30, 3), 2);
  EXPECT_EQ(lines[0], u"zzzzzzzzzz zzzzzzzzzzzzzzzzzzz");
  EXPECT_EQ(lines[1], std::u16string(10, u'z'));

  // More text than n lines: the rest is dropped.
  EXPECT_EQ(WrapTextLines(std::u16string(200, u'q'), lines, 30, 3), 3);
  EXPECT_EQ(lines[3], u"");

  // One long line among short ones switches the whole text to wrapping.
  EXPECT_EQ(WrapTextLines(u"ab\n" + std::u16string(40, u'c'), lines, 30, 3), 2);
  EXPECT_EQ(lines[0], u"ab " + std::u16string(27, u'c'));
}

TEST(WrapTextLines, WidthAndCountAreHeldToTheSlots) {
  WrappedLines lines;
  EXPECT_EQ(WrapTextLines(std::u16string(300, u'w'), lines, 80, 9), 4);
  for (const auto& line : lines) EXPECT_EQ(line.size(), 59u);
  // Only the first 255 units are looked at.
  EXPECT_EQ(WrapTextLines(std::u16string(300, u'w'), lines, 1, 4), 4);
  // A blank at the start of every piece cannot stall the wrapping.
  EXPECT_EQ(WrapTextLines(u"a b c d e f g h i j k l", lines, 2, 4), 4);
  EXPECT_EQ(WrapTextLines(u"abc", lines, 0, 3), 3);
}

TEST(SpaceSanitizeMeasure, Shapes) {
  EXPECT_EQ(SpaceOutW(u"ab中"), u"a b 中 ");
  EXPECT_EQ(SpaceOutW(u""), u"");
  std::u16string name = u"a\"b%c&d*e/f:g<h>i?j\\k|l";
  EXPECT_EQ(SanitizeNameW(name, 100), u"a_b_c_d_e_f_g_h_i_j_k_l");
  std::u16string cut = u"a/b/c";
  EXPECT_EQ(SanitizeNameW(cut, 3), u"a_b");
  EXPECT_EQ(MeasureDisplayWidthW(u"ab中"), 4);
  EXPECT_EQ(MeasureDisplayWidthW(u"\u00e9"), 1);
  EXPECT_EQ(MeasureDisplayWidthW(u"\u0100"), 2);
  EXPECT_EQ(PassThrough(42), 42);
}

TEST(WriteUtf16File, ByteOrderMarkThenLittleEndianUnits) {
  auto dir = std::filesystem::temp_directory_path() / "wide_text_test";
  std::filesystem::create_directories(dir);
  auto path = dir / "LastLogin.txt";
  auto read = [&] {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  ASSERT_EQ(WriteUtf16File(u"", path), 1);
  EXPECT_EQ(read(), "\xFF\xFE");
  ASSERT_EQ(WriteUtf16File(u"A中", path), 1);
  EXPECT_EQ(read(), std::string("\xFF\xFE" "A\0\x2D\x4E", 6));
  ASSERT_EQ(WriteUtf16File(u"", path), 1);  // emptied again
  EXPECT_EQ(read().size(), 2u);
  EXPECT_EQ(WriteUtf16File(u"x", dir / "missing" / "f.txt"), 0);
  std::filesystem::remove_all(dir);
}

}  // namespace
