#include <gtest/gtest.h>

#include <string>

#include "common/Base64.h"
#include "common/GbkText.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "tests/fuzz/FuzzBytes.h"

namespace {

constexpr std::string_view kBase64Chars =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/= \r\n\\u00";
constexpr std::string_view kFieldChars = "&#x;0123456789ABCDEFabcdef?B+/=amp;nbsp\x07\x06\xA1\xD6\xE4";

TEST(TextCodecFuzz, Base64Decoders) {
  fuzz::Bytes gen(105);
  for (int i = 0; i < fuzz::kRounds; ++i) {
    std::string text = i % 2 ? gen.From(kBase64Chars, 64) : gen.Random(64);
    std::string copy = text;
    int n = Base64Decode(copy);
    ASSERT_GE(n, -2);
    if (n >= 0) {
      ASSERT_EQ(copy.size(), static_cast<size_t>(n));
    }
    std::string out;
    int r = Base64DecodeText(text, out);
    ASSERT_TRUE(r == 0 || r == -1);
    ASSERT_LE(out.size(), text.size());
  }
}

TEST(TextCodecFuzz, FieldReadersRespectCapacity) {
  fuzz::Bytes gen(110);
  for (int i = 0; i < fuzz::kRounds; ++i) {
    std::string text;
    switch (i % 4) {
      case 0: text = gen.Random(48); break;
      case 1: text = gen.From(kFieldChars, 48); break;
      case 2: text = "?B?" + gen.From(kBase64Chars, 40); break;
      default: text = "x" + gen.From("0123456789ABCDEF", 40); break;
    }
    const size_t capacity = gen.Next() % 40;
    ASSERT_LT(WideFromFieldText(text, capacity).size(), std::max<size_t>(capacity, 1));
    ASSERT_LT(WideFromEncodedField(text, capacity).size(), std::max<size_t>(capacity, 1));
    ASSERT_LT(WideFromCodePage(text, capacity, 936).size(), std::max<size_t>(capacity, 1));
    WideFromCodePage(text, 100, 65001);
    StringFromFieldText(text);
    MeasureEntity(text);
    IsUtf8Text(text, false);
    IsUtf8Text(text, true);
    IsBase64FieldText(text);

    const size_t n = gen.Next() % 20;
    std::string cut = text;
    GbkTruncate(cut, n);
    ASSERT_LE(cut.size(), std::min(n, text.size()));
    ASSERT_EQ(text.compare(0, cut.size(), cut), 0);
    std::string copy = GbkCopyN(text, n);
    ASSERT_TRUE(copy.size() <= n || copy == text);
    ASSERT_EQ(text.compare(0, copy.size(), copy), 0);
  }
}

TEST(TextCodecFuzz, EncodersRespectLimits) {
  fuzz::Bytes gen(114);
  for (int i = 0; i < fuzz::kRounds; ++i) {
    std::u16string text = gen.Wide(32);
    const size_t n = gen.Next() % 64;
    ASSERT_LE(GbkFromWideEscaped(text, n, i % 2 == 0).size(), n);
    bool tooLong = false;
    std::string field = FieldTextFromWide(text, n, &tooLong);
    ASSERT_LE(field.size(), n);
    if (!field.empty() && field.find('\0') == std::string::npos) {
      std::u16string back = WideFromFieldText(field, 4096);
      std::u16string whole = text.substr(0, text.find(u'\0'));
      if (whole.find(u'&') == std::u16string::npos && whole.find(u'o') == std::u16string::npos) {
        ASSERT_EQ(back, whole);
      }
    }
    ASSERT_LE(NarrowFieldFromWide(text, n, false).size(), n);
    ASSERT_LE(NarrowFieldFromWide(text, n, true).size(), 2 * n);
    ASSERT_LE(Utf8FromWide(text, n).size(), n ? n - 1 : 0);
    GbkFromWide(text);
    std::u16string folded = text;
    FoldAccentsW(folded);
    WrappedLines lines;
    ASSERT_LE(WrapTextLines(text, lines, static_cast<int>(gen.Next() % 100) - 10, static_cast<int>(gen.Next() % 8) - 2), 4);
    for (const auto& line : lines) ASSERT_LE(line.size(), 59u);
    std::u16string wide = text;
    DecodeNumericRefsW(wide);
  }
}

TEST(TextCodecFuzz, GbkOperationsOnRandomBytes) {
  fuzz::Bytes gen(108);
  for (int i = 0; i < fuzz::kRounds; ++i) {
    std::string text = gen.From("ab' ,\t\xA1\xA7\xD1\xB0", 48);
    std::string pattern = gen.From("ab'\xA1\xA7", 3);
    GbkFind(text, pattern);
    GbkFindNoCase(text, pattern);
    std::string a = text, b = text, c = text;
    GbkTrim(a);
    TrimBlanksIdeo(b);
    GbkCyrillicCase(c, i % 2 == 0);
    ASSERT_EQ(c.size(), text.size());
    std::string d = text;
    GbkReplaceAll(d, pattern, "''", i % 3 == 0);
    std::string e = text;
    GbkRemoveAll(e, pattern);
    ASSERT_LE(e.size(), text.size());
    std::string f = text;
    GbkFromUtf8InPlace(f, true, false);
  }
}

}  // namespace
