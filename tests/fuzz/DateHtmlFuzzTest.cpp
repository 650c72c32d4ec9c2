#include <gtest/gtest.h>

#include <string>

#include "common/DateTime.h"
#include "common/HtmlText.h"
#include "common/SettingsText.h"
#include "tests/fuzz/FuzzBytes.h"

namespace {

std::u16string Widen(const std::string& bytes) {
  std::u16string out;
  for (char c : bytes) out.push_back(static_cast<unsigned char>(c));
  return out;
}

// A valid "%d.%02d.%02d" date (the year has 3 or 4 digits).
bool IsDateText(std::u16string_view s) {
  size_t y = s.size() == 9 ? 3 : 4;
  if (s.size() != y + 6 || s[y] != u'.' || s[y + 3] != u'.') return false;
  for (size_t i = 0; i < s.size(); ++i)
    if (i != y && i != y + 3 && (s[i] < u'0' || s[i] > u'9')) return false;
  auto num = [&](size_t at, size_t n) {
    int v = 0;
    for (size_t i = at; i < at + n; ++i) v = v * 10 + (s[i] - u'0');
    return v;
  };
  return IsValidDate(num(0, y), num(y + 1, 2), num(y + 4, 2));
}

// A valid "%d.%02d.%02d %02d:%02d:%02d" date and time.
bool IsDateTimeText(std::u16string_view s) {
  if (s.size() < 18) return false;
  std::u16string_view time = s.substr(s.size() - 9);
  if (!IsDateText(s.substr(0, s.size() - 9)) || time[0] != u' ' || time[3] != u':' ||
      time[6] != u':')
    return false;
  auto two = [&](size_t at) {
    if (time[at] < u'0' || time[at] > u'9' || time[at + 1] < u'0' || time[at + 1] > u'9')
      return 99;
    return (time[at] - u'0') * 10 + (time[at + 1] - u'0');
  };
  return two(1) <= 23 && two(4) <= 59 && two(7) <= 59;
}

bool OnBoundary(std::string_view text, size_t pos) {
  size_t i = 0;
  while (i < pos) i += static_cast<unsigned char>(text[i]) >= 0x80 ? 2 : 1;
  return i == pos;
}

TEST(DateHtmlFuzz, DateParsers) {
  fuzz::Bytes gen(1111);
  const std::string_view dateChars = "0123456789.-/: 年月日ampAPMOctJanDec,&#;";
  const std::string seeds[] = {"Wed, 21 Oct 2015 07:28:00 GMT", "25 \xCA\xAE\xB6\xFE\xD4\xC2 2021",
                               "Sunday, 1st August 2021 3:05 pm", "2024.03.05 10:20:30",
                               "21&#12290;Oct 2015"};
  for (int i = 0; i < fuzz::kRounds; ++i) {
    std::string bytes = i % 2 ? gen.From(dateChars, 40) : gen.Random(40);
    std::u16string wide = i % 3 ? Widen(bytes) : gen.Wide(34);

    std::u16string d = NormalizeDateInput(wide);
    ASSERT_TRUE(d == kNoDate || IsDateText(d)) << std::string(d.begin(), d.end());
    d = NormalizeDateText(wide);
    ASSERT_TRUE(d == kNoDate || IsDateText(d));
    d = NormalizeDateTimeText(wide);
    ASSERT_TRUE(d == kNoDate || d == kNoDateTime || IsDateTimeText(d));

    std::u16string bound = wide;
    bool upper = i % 2;
    MakeQueryDateTimeBound(bound, upper);
    if (!bound.empty()) {
      std::u16string_view suffix = upper ? u".998" : u".0";
      ASSERT_TRUE(bound.ends_with(suffix));
      ASSERT_TRUE(IsDateTimeText(std::u16string_view(bound).substr(0, bound.size() - suffix.size())));
    }

    std::u16string day, month;
    int year = SplitDateEnglishMonth(wide, day, month);
    ASSERT_TRUE(year == -1 || (year >= 2000 && year <= 9999 && month.size() == 3));

    std::u16string cut = wide;
    ASSERT_LE(CutDateText(cut, 10).size(), 10u);
    std::u16string dropped = wide;
    ASSERT_LE(DropZeroTime(dropped).size(), wide.size());

    std::string web = i % 4 == 0 ? gen.Mutate(seeds[i % 5]) : bytes;
    DateTimeFields f;
    if (ParseHttpDate(web, f)) {
      ASSERT_TRUE(f.year >= 0 && f.year <= 9999);
      ASSERT_TRUE(f.month >= 1 && f.month <= 12);
      ASSERT_TRUE(f.day >= 1 && f.day <= 31);
    }
    int m = ParseMonthName(web);
    ASSERT_TRUE(m == -1 || m >= 0);
    std::string refs = web;
    ASSERT_LE(RemoveNumericRefs(refs).size(), web.size());
    std::string weekday = web;
    RemoveWeekdayName(weekday, false);
    ASSERT_LE(weekday.size(), web.size());
  }
}

TEST(DateHtmlFuzz, HtmlAndXmlReaders) {
  fuzz::Bytes gen(1113);
  const std::string_view markup = "<>/!-&;?\"'\\ \t\r\nabdtrspcriptCDATA[]#0123456789\xA1";
  const std::string seeds[] = {"<tr><td>one</td><td class=\"c\">two<td>three</td></tr>",
                               "<a x=\"1\"><![CDATA[<b>v</b>]]></a><a/>",
                               "<p>a<!-- c --><script>x</script>&amp;lt;<br/>b</p>",
                               "<td>x<\\/td>"};
  for (int i = 0; i < fuzz::kRounds; ++i) {
    std::string text = i % 3 == 0 ? gen.Mutate(seeds[i % 4]) : i % 3 == 1 ? gen.From(markup, 80)
                                                                        : gen.Random(80);
    std::string s = text;
    StripHtml(s, i % 2);
    s = text;
    HtmlToText(s);
    s = text;
    ASSERT_LE(UnescapeBackslashes(s).size(), text.size());

    std::string page = text;
    size_t pos = 0, end = 0;
    int cells = 0;
    while (auto cell = GetHtmlTableCell(page, pos, end, 1 + i % 2, i % 3 == 0, i % 5 == 0)) {
      ASSERT_EQ(page.size(), text.size());
      ASSERT_GT(end, pos);
      ASSERT_LE(end, page.size());
      pos = end;
      ASSERT_LT(++cells, 100);
    }

    std::string dest;
    size_t minLen = i % 3, maxLen = 5 + i % 20;
    if (XmlGetElementText(i % 2 ? "a" : "td", text, dest, minLen, maxLen, i % 2,
                          i % 7 ? std::string_view::npos : text.size() / 2)) {
      ASSERT_GE(dest.size(), minLen);
      ASSERT_LE(dest.size(), maxLen);
    }
    std::u16string wide = gen.Wide(100);
    ASSERT_GE(TextToHtml(wide).size(), wide.size());
  }
}

TEST(DateHtmlFuzz, SettingsLinesAndSplitters) {
  fuzz::Bytes gen(1109);
  const std::string_view settings = "HOST=PORT= \t\r\n#'\"\\|,*@0123456789\x81\x7C\xD6\xD0";
  for (int i = 0; i < fuzz::kRounds; ++i) {
    std::string text = i % 2 ? gen.From(settings, 80) : gen.Random(80);
    size_t maxLen = i % 40;
    std::string value = GetKeyValue("HOST=", text, 0, maxLen, i % 2);
    ASSERT_LE(value.size(), maxLen);
    GetKeyInt("PORT=", text, 80);

    char sep = "|,\t "[i % 4];
    auto parts = SplitToStringArray(text, sep, i % 2, 10 + i % 5, i % 3 == 0);
    for (const auto& p : parts) {
      ASSERT_GE(p.size(), static_cast<size_t>(i % 2));
      ASSERT_LE(p.size(), 10u + i % 5);
    }
    // Without trimming or limits the parts put back together give the text,
    // and each part starts on a character boundary.
    auto all = SplitToStringArray(text, sep, 0, std::string::npos, false);
    std::string joined;
    for (size_t k = 0; k < all.size(); ++k) {
      if (k) joined += sep;
      ASSERT_TRUE(OnBoundary(text, joined.size()));
      joined += all[k];
    }
    ASSERT_EQ(joined, text);

    int l, w, h;
    if (ParseDimensions(text, l, w, h)) {
      ASSERT_TRUE(l > 0 && w > 0 && h > 0);
    }
    MatchMask(text.substr(0, 6), gen.From("*#@ab1", 6));
    FindVolumeDivisorCode(text);

    size_t width = i % 30;
    std::string field;
    AppendPipeField(field, text, width, i % 2);
    ASSERT_LE(field.size(), width + 1);
    if (i % 2) {
      ASSERT_EQ(field.size(), width + 1);
    }
    ASSERT_EQ(field.back(), '|');

    for (char c : MakePinyinInitials(text)) ASSERT_TRUE(c >= 'a' && c <= 'z');
    ASSERT_LT(GetFileExtension(text, 8).size(), 8u);
    std::u16string wide = gen.Wide(40);
    EllipsizeText(wide, static_cast<int>(i % 30) - 2);
    std::string hex = text;
    IsHexText(hex);

    GoodsColumns cols(gen.From(",<>ab\xD6\xD0 ", 80), gen.From(",0123 \t", 20),
                      gen.From(",.0123", 20));
    if (i % 2) cols.units = gen.From(",uv", 30);
    if (i % 3) cols.weights = gen.From(",.12", 20);
    std::vector<GoodsRecord> records;
    if (SplitGoodsColumns(cols, records)) {
      ASSERT_FALSE(records.empty());
      for (const auto& r : records) {
        ASSERT_GT(r.iquantity, 0);
        ASSERT_LE(r.cgoods.size(), 63u);
        ASSERT_LE(r.cunit.size(), GoodsRecord::kGoodsUnitMax);
      }
    } else {
      ASSERT_TRUE(records.empty());
    }
  }
}

}  // namespace
