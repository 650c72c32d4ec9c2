#include <gtest/gtest.h>

#include <string>

#include "common/GbkText.h"
#include "platform/CodePage.h"

namespace {

constexpr size_t npos = std::string::npos;

// GBK bytes of a UTF-16 literal.
std::string G(std::u16string_view wide) { return platform::EncodeCodePage(936, wide); }

TEST(GbkFind, DoubleByteCharacterMatchesOnlyOnBoundaries) {
  // 中 = D6 D0, 文 = CE C4; the text "中文" holds D0 CE across the boundary.
  const std::string text = G(u"中文");
  const std::string across = "\xD0\xCE";
  EXPECT_EQ(GbkFind(text, across), npos);
  EXPECT_EQ(GbkFind(text, G(u"文")), 2u);
  // Three bytes are searched byte by byte and may match across characters.
  EXPECT_EQ(GbkFind(text, "\xD6\xD0\xCE"), 0u);
  EXPECT_EQ(GbkFind(text + "x", "\xD0\xCE\xC4"), 1u);
  EXPECT_EQ(GbkFind("abc", ""), 0u);
  EXPECT_EQ(GbkFind("abc", "bc"), 1u);
  EXPECT_EQ(GbkFind("abc", "abcd"), npos);
  // ASCII trail bytes: 癅 is B0 40 in GBK; "@" must not match its trail byte
  // when searched as a character.
  EXPECT_EQ(GbkFindChar("\xB0\x40@", '@'), 2u);
}

TEST(GbkFindNoCase, AsciiCaseIgnoredDoubleByteWhole) {
  const std::string text = "Hello " + G(u"中文") + " WORLD";
  struct Case {
    std::string pattern;
    size_t pos;
  } cases[] = {
      {"world", 11},  // "Hello " 6 + 4 bytes + blank
      {"HELLO", 0},
      {"lo " + G(u"中"), 3},
      {G(u"文") + " w", 8},
      {"\xD0\xCE", npos},  // trail byte of one and lead of the next
      {"", 0},
      {"worlds", npos},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GbkFindNoCase(text, c.pattern), c.pos) << c.pattern;
    EXPECT_EQ(GbkFindNoCaseAlt(text, c.pattern), c.pos) << c.pattern;
  }
  // A pattern of 512 bytes or more is refused even when it occurs.
  std::string big(512, 'a');
  EXPECT_EQ(GbkFindNoCase(big, big), npos);
  EXPECT_EQ(GbkFindNoCase(big, std::string(511, 'A')), 0u);
  // A pattern that ends in the middle of a text character does not match it.
  EXPECT_EQ(GbkFindNoCase(G(u"中"), "\xD6"), npos);
}

TEST(GbkFindCharLetterDigit, StepOverDoubleByteCharacters) {
  // B0 41 is one character whose trail byte is "A"; D6 31 is not GBK, but the
  // walk still treats 31 as a trail byte.
  const std::string text = "\xB0\x41\xD6\x31-x7";
  EXPECT_EQ(GbkFindLetter(text), 5u);
  EXPECT_EQ(GbkFindDigit(text), 6u);
  EXPECT_EQ(GbkFindChar(text, 'A'), npos);
  EXPECT_EQ(GbkFindChar(text, '-'), 4u);
  EXPECT_EQ(GbkFindLetter("123"), npos);
  EXPECT_EQ(GbkFindDigit(""), npos);
}

TEST(FindLastAndNthChar, ByteByByte) {
  EXPECT_EQ(FindLastChar("a,b,c", ','), 3u);
  EXPECT_EQ(FindLastChar("abc", ','), npos);
  struct Case {
    int n;
    bool after;
    size_t pos;
  } cases[] = {{0, false, 1}, {1, false, 1}, {2, false, 3}, {3, true, 5}, {4, false, npos}};
  for (const auto& c : cases) EXPECT_EQ(FindNthChar("a,b,,c", ',', c.n, c.after), c.pos) << c.n;
}

TEST(GbkUpperAndCyrillic, CaseChanges) {
  std::string s = "ab" + G(u"中") + "\xB0\x61z";  // B0 61: trail byte "a"
  EXPECT_EQ(GbkUpper(s), "AB" + G(u"中") + "\xB0\x61Z");

  std::u16string lower = u"абвгдеёжзийклмнопрстуфхцчшщъыьэюя";
  std::u16string upper = u"АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ";
  std::string t = G(lower) + "x" + G(u"中");
  EXPECT_EQ(GbkCyrillicCase(t, true), G(upper) + "x" + G(u"中"));
  EXPECT_EQ(GbkCyrillicCase(t, false), G(lower) + "x" + G(u"中"));
  // A trail byte A7 followed by a lead byte must not be taken for a letter:
  // B0 A7 is one character, then D1 D2 another.
  std::string mixed = "\xB0\xA7\xD1\xD2";
  EXPECT_EQ(GbkCyrillicCase(mixed, true), "\xB0\xA7\xD1\xD2");
}

TEST(GbkTrim, BlanksAtEndsNeverSplittingCharacters) {
  struct Case {
    std::string in, trim, right;
  } cases[] = {
      {"  ab \t\r\n", "ab", "  ab"},
      {" " + G(u"中") + "   ", G(u"中"), " " + G(u"中")},
      {"   \x01\x1f ", "", ""},
      {"", "", ""},
      {"a b", "a b", "a b"},
      // A malformed pair whose second byte is a blank is kept whole.
      {"x\xB0 ", "x\xB0 ", "x\xB0 "},
  };
  for (const auto& c : cases) {
    std::string a = c.in, b = c.in;
    EXPECT_EQ(GbkTrim(a), c.trim);
    EXPECT_EQ(GbkTrimRight(b), c.right);
  }
}

TEST(TrimBlanksIdeo, IdeographicBlankAtEndsOnly) {
  const std::string ideo = "\xA1\xA1";
  std::string s = ideo + " a" + ideo + "b\t" + ideo + "\r\n";
  EXPECT_EQ(TrimBlanksIdeo(s), "a" + ideo + "b");
  std::string only = ideo + ideo;
  EXPECT_EQ(TrimBlanksIdeo(only), "");
  // B0 A1 then A1 A1: the last pair is an ideographic blank.
  std::string t = "\xB0\xA1\xA1\xA1";
  EXPECT_EQ(TrimBlanksIdeo(t), "\xB0\xA1");
  // B0 A1 then a lone A1: no blank at the end.
  std::string u = "\xB0\xA1\xA1";
  EXPECT_EQ(TrimBlanksIdeo(u), "\xB0\xA1\xA1");
  std::string v = "\x01x\x01";  // only TAB, LF, CR, blank
  EXPECT_EQ(TrimBlanksIdeo(v), "\x01x\x01");
}

TEST(TrimTrailingCommas, CommasAndBlanks) {
  std::string s = ",a,b, ,\t,";
  EXPECT_EQ(TrimTrailingCommas(s), ",a,b");
}

TEST(GbkRemoveAndReplaceChar, SkipFlagProtectsTrailBytes) {
  const std::string text = "a@\xB0\x40@";  // B0 40: trail byte "@"
  std::string a = text, b = text, c = text, d = text;
  EXPECT_EQ(GbkRemoveChar(a, '@', true), "a\xB0\x40");
  EXPECT_EQ(GbkRemoveChar(b, '@', false), "a\xB0");
  EXPECT_EQ(GbkReplaceChar(c, '@', '#', true), "a#\xB0\x40#");
  EXPECT_EQ(GbkReplaceChar(d, '@', '#', false), "a#\xB0##");
  std::string e = "ab,cd";
  EXPECT_EQ(GbkReplaceChar(e, ',', '\0', true), "ab");
}

TEST(GbkRemoveAll, Occurrences) {
  struct Case {
    std::string text, pattern, result;
  } cases[] = {
      {"aab", "ab", "a"},          // first letter twice before the second
      {"aabb", "ab", "ab"},        // joined text is searched from where the removal stood
      {"xyxyx", "xy", "x"},
      {"abcbc", "bc", "a"},
      {"abc", "", "abc"},
      {G(u"中文中"), G(u"中"), G(u"文")},
      {G(u"中文"), "\xD0\xCE", G(u"中文")},  // across characters: not removed
      {"\xD6\xD0\xD6\xD0", "\xD0\xD6", "\xD6\xD0\xD6\xD0"},
  };
  for (auto c : cases) EXPECT_EQ(GbkRemoveAll(c.text, c.pattern), c.result) << c.text;
}

TEST(GbkReplaceAll, ShorterSameAndLonger) {
  struct Case {
    std::string text, pattern, replacement;
    bool unlessPresent;
    std::string result;
  } cases[] = {
      {"it's Bob's", "'", "''", false, "it''s Bob''s"},
      {"it''s Bob's", "'", "''", true, "its Bobs"},  // replacement present: remove
      {"it's", "'", "''", true, "it''s"},
      {"a--b--c", "--", "-", false, "a-b-c"},
      {"a--b--c", "--", "++", false, "a++b++c"},
      {"aaa", "a", "aa", false, "aaaaaa"},         // no rescanning of inserted text
      {"abc", "", "x", false, "abc"},
      {"abab", "ab", "", false, ""},
      {G(u"中文中"), G(u"中"), "Z", false, "Z" + G(u"文") + "Z"},
      {G(u"中文"), "\xD0\xCE", "!", false, G(u"中文")},
  };
  for (auto c : cases)
    EXPECT_EQ(GbkReplaceAll(c.text, c.pattern, c.replacement, c.unlessPresent), c.result) << c.text;
}

TEST(GbkReplaceAll, LongReplacementAroundTheOldCopyLimits) {
  for (size_t len : {254, 255, 256, 257, 4000}) {
    std::string text(len, 'x');
    text[0] = text[len - 1] = '\'';
    GbkReplaceAll(text, "'", "''");
    EXPECT_EQ(text.size(), len + 2);
    EXPECT_EQ(text.substr(0, 3), "''x");
    EXPECT_EQ(text.substr(text.size() - 3), "x''");
  }
}

TEST(GbkReplaceAll, PatternAndReplacementMayViewTheText) {
  std::string text = "a'b";
  std::string_view quote(text.data() + 1, 1);
  GbkReplaceAll(text, quote, "''");
  EXPECT_EQ(text, "a''b");
  std::string t2 = "xyxy";
  GbkRemoveAll(t2, std::string_view(t2).substr(0, 2));
  EXPECT_EQ(t2, "");
}

TEST(GbkCopyN, NeverEndsOnALeadByte) {
  const std::string src = "a" + G(u"中文");
  struct Case {
    size_t n;
    std::string out;
  } cases[] = {{0, ""}, {1, "a"}, {2, "a"}, {3, "a" + G(u"中")}, {4, "a" + G(u"中")}, {5, src}, {99, src}};
  for (const auto& c : cases) EXPECT_EQ(GbkCopyN(src, c.n), c.out) << c.n;
  EXPECT_EQ(GbkCopyN("ab\xB0", 2), "ab");
}

}  // namespace
