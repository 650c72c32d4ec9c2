#include "platform/CodePage.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(CodePage, GbkRoundTripAndWindowsSpecifics) {
  struct Case {
    std::u16string wide;
    std::string gbk;
  } cases[] = {
      {u"abc", "abc"},
      {u"\u4E2D\u6587", "\xD6\xD0\xCE\xC4"},
      {u"\u20AC", "\x80"},      // euro is the one-byte 0x80 in code page 936
      {u"\u00B7", "\xA1\xA4"},  // middle dot
      {u"\u2014", "\xA1\xAA"},  // em dash
      {u"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeCodePage(kCodePageGbk, c.wide), c.gbk);
    EXPECT_EQ(DecodeCodePage(kCodePageGbk, c.gbk), c.wide);
  }
}

TEST(CodePage, CharactersWithoutCodeAreReplacedOrRefused) {
  std::string out;
  bool used = false;
  // Thai, a katakana middle dot and an emoji (surrogate pair) have no GBK code.
  ASSERT_TRUE(EncodeCodePage(kCodePageGbk, u"a\u0E01b\u30FBc\U0001F600d", out, "?", &used));
  EXPECT_EQ(out, "a?b?c?d");
  EXPECT_TRUE(used);
  EXPECT_FALSE(EncodeCodePage(kCodePageGbk, u"a\u0E01", out, ""));
  EXPECT_TRUE(out.empty());
  // An unpaired surrogate counts as a character without a code.
  ASSERT_TRUE(EncodeCodePage(kCodePageGbk, std::u16string(u"x\xD800y"), out));
  EXPECT_EQ(out, "x?y");
}

TEST(CodePage, InvalidBytesStrictAndLenient) {
  std::u16string out;
  // A lone lead byte at the end, and an invalid pair FE FE (GBK rejects it).
  EXPECT_FALSE(DecodeCodePage(kCodePageGbk, std::string("ab\xD6"), out, true));
  EXPECT_TRUE(out.empty());
  EXPECT_TRUE(DecodeCodePage(kCodePageGbk, std::string("ab\xD6"), out, false));
  EXPECT_EQ(out, u"ab?");
  EXPECT_FALSE(DecodeCodePage(kCodePageUtf8, std::string("\xC3("), out, true));
  EXPECT_TRUE(DecodeCodePage(kCodePageUtf8, std::string("\xC3("), out, false));
  EXPECT_EQ(out, u"?(");
}

TEST(CodePage, OtherCodePages) {
  EXPECT_EQ(DecodeCodePage(kCodePageUtf8, std::string("\xC3\xA9")), u"\u00E9");
  EXPECT_EQ(EncodeCodePage(kCodePageUtf8, u"\U0001F600"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(DecodeCodePage(kCodePageLatin1, std::string("\xE9")), u"\u00E9");
  EXPECT_EQ(EncodeCodePage(kCodePageGb18030, u"\u20AC"), "\xA2\xE3");
  EXPECT_EQ(DecodeCodePage(kCodePageAnsi, std::string("\xD6\xD0")), u"\u4E2D");
  std::u16string out;
  EXPECT_FALSE(DecodeCodePage(1252, "abc", out));
  EXPECT_EQ(IconvNameOfCodePage(1252), nullptr);
}

TEST(CodePage, LargeTextGrowsBuffers) {
  std::u16string wide;
  for (int i = 0; i < 100000; ++i) wide += (i % 3) ? u'x' : u'\u4E2D';
  std::string gbk = EncodeCodePage(kCodePageGbk, wide);
  EXPECT_EQ(gbk.size(), 100000u + 33334u);
  EXPECT_EQ(DecodeCodePage(kCodePageGbk, gbk), wide);
  std::string utf8 = EncodeCodePage(kCodePageUtf8, wide);
  EXPECT_EQ(DecodeCodePage(kCodePageUtf8, utf8), wide);
}
