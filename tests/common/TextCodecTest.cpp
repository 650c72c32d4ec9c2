#include <gtest/gtest.h>

#include <random>
#include <string>

#include "common/Base64.h"
#include "common/TextCodec.h"
#include "platform/CodePage.h"

namespace {

using namespace std::string_literals;

std::string G(std::u16string_view wide) { return platform::EncodeCodePage(936, wide); }
std::string Utf8(std::u16string_view wide) { return platform::EncodeCodePage(65001, wide); }

TEST(GbkPairOf, MatchesCodePage936) {
  struct Case {
    char16_t unit;
    int count;
    std::string bytes;
  } cases[] = {
      {u'A', 1, "A"},          {0x20AC, 1, "\x80"},      {0x4E00, 2, "\xD2\xBB"},
      {0x00E9, 2, "\xA8\xA6"}, {0x00A4, 2, "\xA1\xE8"},  {0xFFE5, 2, "\xA3\xA4"},
      {0x00B7, 2, "\xA1\xA4"}, {0x2014, 2, "\xA1\xAA"},  {0x2015, 2, "\xA8\x44"},
      {0x0E01, 1, "?"},        {0xAC00, 1, "?"},         {0x00A0, 1, "?"},
      {0xD800, 1, "?"},        {0xE000, 1, "?"},         {0xFFFF, 1, "?"},
  };
  for (const auto& c : cases) {
    std::array<char, 2> out;
    EXPECT_EQ(GbkPairOf(c.unit, out), c.count) << static_cast<unsigned>(c.unit);
    EXPECT_EQ(std::string(out.data(), c.count), c.bytes) << static_cast<unsigned>(c.unit);
  }
}

TEST(GbkPairOf, EveryPairReadsBackAsItsUnit) {
  int pairs = 0;
  for (unsigned u = 0x80; u <= 0xFFFF; ++u) {
    std::array<char, 2> out;
    if (GbkPairOf(static_cast<char16_t>(u), out) != 2) continue;
    ++pairs;
    ASSERT_EQ(WideFromGbk(std::string(out.data(), 2)), std::u16string(1, static_cast<char16_t>(u)));
  }
  EXPECT_EQ(pairs, 21791);  // the two-byte codes of code page 936
}

TEST(GbkFromWideEscaped, LimitsAndReferences) {
  struct Case {
    std::u16string text;
    size_t n;
    bool useGbk;
    std::string out;
  } cases[] = {
      {u"\u4E00", 10, true, "\xD2\xBB"},
      {u"\u0E01", 10, true, "&#3585;"},
      {u"\u20AC", 10, true, "&#8364;"},
      {u"\u00E9", 10, true, "\xA8\xA6"},
      {u"a中b", 2, true, "a"},          // no room for the pair
      {u"a中b", 3, true, "a\xD6\xD0"},
      {u"中", 8, false, "&#20013;"},
      {u"中", 7, false, ""},            // a reference needs room for 8
      {u"a\u0E01", 8, true, "a"},
      {u"ab\0cd"s, 10, true, "ab"},   // the text ends at NUL
      {u"", 10, true, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(GbkFromWideEscaped(c.text, c.n, c.useGbk), c.out);
}

TEST(FieldTextFromWide, FormsByRoom) {
  const std::u16string hangul(10, u'\uAC00');
  std::string hangulBytes;
  for (char16_t u : hangul) hangulBytes += std::string{static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
  struct Case {
    std::u16string text;
    size_t n;
    std::string out;
    bool tooLong;
  } cases[] = {
      {u"abc", 3, "abc", false},
      {u"abc", 2, "", true},                     // 8 Base64 characters do not fit either
      {u"中", 2, "\xD6\xD0", false},
      {u"中", 1, "", true},
      {u"\u0E01", 7, "&#3585;", false},
      {hangul, 10, "", true},                    // escaped 80, "?B?" form 31
      {hangul, 31, "?B?" + Base64Encode(hangulBytes), false},
      {hangul, 40, "?B?" + Base64Encode(hangulBytes), false},
      {hangul, 80, std::string(), false},        // filled below: escaped form
      {u"", 0, "", false},
  };
  for (auto& c : cases) {
    if (c.n == 80) for (int i = 0; i < 10; ++i) c.out += "&#44032;";
    bool tooLong = !c.tooLong;
    EXPECT_EQ(FieldTextFromWide(c.text, c.n, &tooLong), c.out) << c.n;
    EXPECT_EQ(tooLong, c.tooLong) << c.n;
    EXPECT_EQ(FieldTextTooLong(c.text, c.n), c.tooLong);
  }
}

TEST(FieldTextFromWide, TextLongerThanTheWorkingRoomIsNeverCutSilently) {
  // 3000 Chinese characters are 6000 GBK bytes: more than the escaped form's
  // 4095-byte room and more than the Base64 room.  A field of 8000 bytes must
  // not receive a cut-off GBK form.
  std::u16string text(3000, u'中');
  bool tooLong = false;
  EXPECT_EQ(FieldTextFromWide(text, 8000, &tooLong), "");
  EXPECT_TRUE(tooLong);
  // 1500 characters fit the Base64 room (4000 characters).
  std::u16string shorter(1500, u'\uAC00');
  std::string field = FieldTextFromWide(shorter, 8000);
  ASSERT_EQ(field.substr(0, 3), "?B?");
  EXPECT_EQ(WideFromFieldText(field, 8000), shorter);
}

TEST(FieldText, RoundTripOfRandomText) {
  std::mt19937 rng(5);
  const char16_t pool[] = {u'a', u'Z', u'&', u'#', u';', u'\'', u' ', u'中', u'文', 0x20AC,
                           0x0E01, 0xAC00, 0x00E9, 0x3000, 0xD83D, 0xDE00, u'7'};
  for (int round = 0; round < 2000; ++round) {
    std::u16string text(rng() % 24, u'x');
    for (auto& c : text) c = pool[rng() % std::size(pool)];
    for (size_t n : {8, 20, 64, 200}) {
      std::string field = FieldTextFromWide(text, n);
      ASSERT_LE(field.size(), n);
      if (field.empty()) {
        ASSERT_TRUE(text.empty() || FieldTextTooLong(text, n));
        continue;
      }
      std::u16string back = WideFromFieldText(field, 4096);
      // Reference-like text typed by the user ("&#65;") reads back decoded,
      // so compare only texts without an ampersand.
      if (text.find(u'&') == std::u16string::npos) {
        ASSERT_EQ(back, text) << field;
      }
    }
  }
}

TEST(NarrowFieldFromWide, TrimCutAndQuote) {
  struct Case {
    std::u16string text;
    size_t n;
    bool quotes;
    std::string out;
  } cases[] = {
      {u"  O'Brien 中\u3000", 20, true, "O''Brien " + G(u"中")},
      {u"  O'Brien 中\u3000", 20, false, "O'Brien " + G(u"中")},
      {u"ab中", 3, false, "ab"},
      {u"a\u0E01b", 5, false, "a"},        // the reference is never cut
      {u"a\u0E01b", 8, false, "a&#3585;"},
      {u"''", 2, true, "''''"},            // doubling may give 2n bytes
      {u"", 5, true, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(NarrowFieldFromWide(c.text, c.n, c.quotes), c.out);
}

TEST(NarrowFieldFromWide, GbkThatLooksLikeUtf8IsCutAsGbk) {
  // E5A5 BDE5 A5BD are three GBK characters whose bytes also read as two
  // UTF-8 characters; the cut must keep whole GBK characters.
  const std::string gbk = "\xE5\xA5\xBD\xE5\xA5\xBD";
  const std::u16string text = WideFromGbk(gbk);
  ASSERT_EQ(text.size(), 3u);
  EXPECT_EQ(NarrowFieldFromWide(text, 4, false), gbk.substr(0, 4));
  // GbkTruncate itself takes such a text as UTF-8.
  std::string raw = gbk;
  EXPECT_EQ(GbkTruncate(raw, 4), gbk.substr(0, 3));
}

TEST(GbkTruncate, CharactersReferencesAndUtf8) {
  struct Case {
    std::string text;
    size_t n;
    std::string out;
  } cases[] = {
      {"ab" + G(u"中"), 3, "ab"},
      {"ab" + G(u"中"), 4, "ab" + G(u"中")},
      {"a&amp;b", 3, "a"},
      {"a&amp;b", 6, "a&amp;"},
      {"a&amp;b", 5, "a"},
      {"a&#3585;b", 8, "a&#3585;"},
      {"a&x;b&", 3, "a&x"},                   // not a reference: bytes
      {"abc", 5, "abc"},
      {"abc", 0, ""},
      {"a" + Utf8(u"中文"), 5, "a" + Utf8(u"中")},
      {"a" + Utf8(u"中文"), 4, "a" + Utf8(u"中")},
      {"a" + Utf8(u"中文"), 3, "a"},
  };
  for (auto c : cases) EXPECT_EQ(GbkTruncate(c.text, c.n), c.out) << c.n;
}

TEST(WideFromCodePage, NumericAndNamedReferences) {
  struct Case {
    std::string text;
    std::u16string out;
  } cases[] = {
      {"&#65;", u"A"},
      {"&#65", u"A"},                     // ";" is optional
      {"&#9;", u"&#9;"},                  // below 10: left alone
      {"&#x4E2D;", u"\u4E2D"},
      {"&#x4e2d;", u"\u4E2D"},
      {"&#x41;", u"A"},
      {"&#X41;", u"&#X41;"},
      {"&#x00;", u"&#x00;"},
      {"&#065;", u"A5;"},                 // consumes as many digits as the value has
      {"&#65536;", u"&#65536;"},
      {"&#99999999999999;", u"&#99999999999999;"},
      {"&nbsp;x", u" x"},
      {"&ordm;", u"&\u00BA"},
      {"&circ;&tilde;&eacute;", u"^~\u00E9"},
      {"&amp;lt;", u"<"},                 // rows are applied in table order
      {"&hyphen; x", u"-x"},
      {"&hyphen;x", u"&hyphen;x"},
      {"&#3585;&#20013;", u"\u0E01\u4E2D"},
      {G(u"中&#8364;"), u"中\u20AC"},
      {"", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(WideFromCodePage(c.text, 100, 936), c.out) << c.text;
  EXPECT_EQ(WideFromCodePage("abc", 4, 936), u"abc");
  EXPECT_EQ(WideFromCodePage("abcd", 4, 936), u"");  // no room for the NUL
  EXPECT_EQ(WideFromCodePage("abc", 100, 12345), u"");
  EXPECT_EQ(WideFromCodePage(Utf8(u"é&#65;"), 100, 65001), u"éA");
  std::u16string wide = u"&#20013;&lt;";
  EXPECT_EQ(DecodeNumericRefsW(wide), u"中<");
}

TEST(EntityTable, ShapeAndOrder) {
  const auto& table = EntityTable();
  EXPECT_STREQ(table[0].name, "&nbsp;");
  EXPECT_EQ(table[0].value, u' ');
  EXPECT_STREQ(table[13].name, "&hyphen; ");
  EXPECT_STREQ(table[33].name, "&nbsp;");
  EXPECT_EQ(table[33].value, 0x00A0);
  EXPECT_STREQ(table[280].name, "&diams;");
  int ordm = -1, weierp = -1, image = -1;
  for (size_t i = 0; i < table.size(); ++i) {
    EXPECT_LE(std::char_traits<char>::length(table[i].name), 10u);
    std::string name = table[i].name;
    if (name == "ordm;") ordm = static_cast<int>(i);
    if (name == "&weierp;") weierp = static_cast<int>(i);
    if (name == "&image;") image = static_cast<int>(i);
  }
  EXPECT_GE(ordm, 33);
  EXPECT_EQ(weierp + 1, image);
}

TEST(MeasureEntity, Lengths) {
  struct Case {
    std::string text;
    int result;
  } cases[] = {
      {"x", -1},       {"&abc", -2},         {"&a;", 0},          {"&amp;", 5},
      {"&amp;x;", 5},  {"&am;", 0},          {"&#65;", 5},        {"&#x4E2D;", 8},
      {"&#x4G;", 0},   {"&#123456;", 0},     {"&hyphen;", 8},     {"&thetasym;", 10},
      {"&abcdefghij;", 0}, {"&#6a;", 0},     {"", -1},            {"&nbsp", -2},
  };
  for (const auto& c : cases) EXPECT_EQ(MeasureEntity(c.text), c.result) << c.text;
}

TEST(IsUtf8Text, StrictAndLoose) {
  struct Case {
    std::string text;
    bool loose, strict;
  } cases[] = {
      {"abc", false, false},
      {"\xC3\xA9", false, false},                 // two high bytes: taken as GBK
      {"a\xC3\xA9", true, false},                 // strict accepts 3-byte sequences only
      {"\xE4\xB8\xAD", true, true},
      {"\xF0\x9F\x98\x80", false, false},         // four high bytes
      {"a\xF0\x9F\x98\x80", true, false},
      {"a\xED\xA0\x80", false, false},            // surrogate
      {"a\xE0\x80\x80", false, false},            // over-long
      {"a\xEF\xBF\xBE", false, false},
      {"a\xF4\x90\x80\x80", false, false},
      {"a\xF5\x80\x80\x80", false, false},
      {"a\xC0\x80", false, false},
      {"a\xE4\xB8", false, false},                // cut short
      {"\xEF\xBB\xBF" "ab", false, false},        // mark skipped, ASCII only
      {"\xEF\xBB\xBF" "\xE4\xB8\xAD", true, true},
      {"\xEF\xBB\xBF", true, true},               // 3 bytes keep the mark
      {"x", false, false},
      {G(u"中文"), false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsUtf8Text(c.text, false), c.loose) << c.text;
    EXPECT_EQ(IsUtf8Text(c.text, true), c.strict) << c.text;
  }
  EXPECT_EQ(Utf8LeadLength(0x41), 0);
  EXPECT_EQ(Utf8LeadLength(0x80), 1);
  EXPECT_EQ(Utf8LeadLength(0xE4), 3);
  EXPECT_EQ(Utf8LeadLength(0xFF), 8);
}

TEST(WideFromFieldText, AllForms) {
  const std::u16string text = u"é中\u0E01";
  const std::string utf8 = Utf8(text);
  std::string le;
  for (char16_t u : text) le += std::string{static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
  struct Case {
    std::string field;
    size_t capacity;
    std::u16string out;
  } cases[] = {
      {"\x07" + Base64Encode(utf8), 100, text},
      {"\x06" + Base64Encode(utf8), 100, text},
      {"\x07" + Base64Encode(utf8), 3, u""},      // needs 4 with the NUL
      {"\x07" "!!!!", 100, u""},
      {"?B?" + Base64Encode(le), 100, text},
      {"?B?" + Base64Encode(le), 4, text},
      {"?B?" + Base64Encode(le), 3, u""},
      {"?B?" + Base64Encode("A"), 100, u"A"},     // odd last byte: a low byte
      {G(u"中") + "&#3585;", 100, u"中\u0E01"},
      {"?B?abc", 100, u"?B?abc"},                 // length 6: not the Base64 form
      {"", 100, u""},
  };
  for (const auto& c : cases) EXPECT_EQ(WideFromFieldText(c.field, c.capacity), c.out) << c.field;
  EXPECT_TRUE(IsBase64FieldText("?B?YWJj"));
  EXPECT_FALSE(IsBase64FieldText("?B?YW J"));
  EXPECT_FALSE(IsBase64FieldText("?B?YWJjY"));
  EXPECT_EQ(StringFromFieldText("?B?" + Base64Encode(le)), text);
  EXPECT_EQ(StringFromFieldText(std::string(5000, 'a')), u"");  // 4095 bytes do not fit 4000 units
  EXPECT_EQ(StringFromFieldText(std::string(3999, 'a')), std::u16string(3999, u'a'));
}

TEST(WideFromEncodedField, JsonSideForms) {
  struct Case {
    std::string text;
    size_t capacity;
    std::u16string out;
  } cases[] = {
      {"x004E", 10, u"\u4E00"},
      {"x004e", 10, u""},
      {"x0041", 10, u"\u4100"},
      {"x41004200", 3, u"AB"},
      {"x41004200", 2, u""},
      {"x410", 10, u""},
      {"x", 10, u""},
      {"abc", 10, u""},
      {"?B?" + Base64Encode("A\0B\0"s), 10, u"AB"},
  };
  for (const auto& c : cases) EXPECT_EQ(WideFromEncodedField(c.text, c.capacity), c.out) << c.text;
}

TEST(PlainConversions, GbkUtf8AndCodePages) {
  EXPECT_EQ(GbkFromWide(u"a中\u0E01"), "a" + G(u"中") + "?");
  EXPECT_EQ(WideFromGbk("a" + G(u"中")), u"a中");
  EXPECT_EQ(WideFromNarrow("\xE9", 28591), u"é");
  EXPECT_EQ(WideFromNarrow("abc", 99999), u"");
  EXPECT_EQ(Utf8FromWide(u"a中"), "a\xE4\xB8\xAD");
  EXPECT_EQ(Utf8FromWide(u"a中", 4), "a");  // 4 bytes without room for the NUL
  EXPECT_EQ(Utf8FromWide(u"a中", 5), "a\xE4\xB8\xAD");
  EXPECT_EQ(Utf8FromWide(u"a中", 0), "");
}

TEST(GbkFromUtf8InPlace, FoldAndDeclaration) {
  std::string a = "caf\xC3\xA9 \xE4\xB8\xAD";
  ASSERT_TRUE(GbkFromUtf8InPlace(a, true, false));
  EXPECT_EQ(a, "cafe " + G(u"中"));
  std::string b = "caf\xC3\xA9";
  ASSERT_TRUE(GbkFromUtf8InPlace(b, false, false));
  EXPECT_EQ(b, "caf\xA8\xA6");
  std::string c = "<meta charset=UTF-8>\xC3\xA9";
  ASSERT_TRUE(GbkFromUtf8InPlace(c, false, true));
  EXPECT_EQ(c, "<meta charset=UTF-8>\xA8\xA6");
  std::string d = "no declaration \xC3\xA9";
  ASSERT_TRUE(GbkFromUtf8InPlace(d, false, true));
  EXPECT_EQ(d, "no declaration \xC3\xA9");
  std::string e = "\xE0\xB8\x81";  // Thai: no GBK code
  ASSERT_TRUE(GbkFromUtf8InPlace(e, false, false));
  EXPECT_EQ(e, "?");
}

TEST(FoldAccentsW, Table) {
  std::u16string t = u"ÀÅÇÉÎÐÑÒÖØÙÝÞßàçèìðñòøùýÿþŁłŚŠśšŹŻżƒɡĄąęěœŒǹǜ×÷中";
  EXPECT_EQ(FoldAccentsW(t), u"AACEIDNOOØUYPBaceidnoouyypLlSSssZZzfgAaeeeEnu×÷中");
}

}  // namespace
