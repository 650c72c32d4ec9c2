#include <gtest/gtest.h>

#include <string>

#include "common/DateTime.h"
#include "platform/CodePage.h"

namespace {

std::string G(std::u16string_view wide) { return platform::EncodeCodePage(936, wide); }
std::string N(std::u16string_view ascii) { return std::string(ascii.begin(), ascii.end()); }

struct Case {
  std::u16string in;
  std::u16string out;
};

TEST(Calendar, LeapYearsAndMonthLengths) {
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_FALSE(IsLeapYear(2023));
  EXPECT_EQ(DaysInMonth(2024, 2), 29);
  EXPECT_EQ(DaysInMonth(2100, 2), 28);
  EXPECT_EQ(DaysInMonth(2023, 4), 30);
  EXPECT_EQ(DaysInMonth(2023, 12), 31);
  EXPECT_EQ(DaysInMonth(2023, 13), 0);
}

TEST(NormalizeDateInput, QueryDialogLeniency) {
  const Case cases[] = {
      {u"20240230", u"2024.02.29"},      // eight digits, day held to February
      {u"24.03.07", u"2024.03.07"},      // two-digit year
      {u"2024.13.05", u"2024.01.05"},    // month out of range becomes 1
      {u"2024.03.45", u"2024.03.15"},    // day out of range becomes 15
      {u"2023.02.30", u"2023.02.28"},
      {u"3001.01.01", u"1900.01.01"},    // year above 3000
      {u"2024031", u"1900.01.01"},       // seven characters
      {u"", u"1900.01.01"},
      {u"abcdefgh", u"2000.01.15"},      // no digit at all
      {u"20241301", u"1900.01.01"},      // not a date: read as one big year
      {u"2024年3月7日", u"2024.03.07"},
      {u"99999999999999999999.1.1", u"1900.01.01"},  // huge number, no overflow
  };
  for (const auto& c : cases) EXPECT_EQ(NormalizeDateInput(c.in), c.out) << N(c.in);
}

TEST(NormalizeDateText, RecordFormRules) {
  const Case cases[] = {
      {u"2023-2-30", u"2023.02.28"},
      {u"2024.14.05", u"2024.12.05"},    // month above 12 becomes 12
      {u"2024.04.40", u"2024.04.30"},    // day 40 -> 31 -> held to April
      {u"x2024.1.1", u"1900.01.01"},     // starts with a letter
      {u"  24/3/7", u"2024.03.07"},      // leading blanks, short year
      {u"2024.03", u"1900.01.01"},       // no day
      {u"-2024.03.05", u"1900.01.01"},   // negative year
      {u"20240230", u"2024.02.29"},
      {u"2024.03.05 12345678901234567890", u"1900.01.01"},  // 31 characters
      {u"2024.03.05 1234567890123456789", u"2024.03.05"},   // 30 characters
      {u"2024年3月7日中文中文中文中文中文", u"1900.01.01"},  // 19 characters, 32 bytes
      {u"2024年3月7日中文中文中文中文", u"2024.03.07"},      // 28 bytes
      {u"2024年3月7日", u"2024.03.07"},
  };
  for (const auto& c : cases) EXPECT_EQ(NormalizeDateText(c.in), c.out) << N(c.in);
}

TEST(NormalizeDateTimeText, FallsBackPartByPart) {
  const Case cases[] = {
      {u"2024.03.05 25:10:10", u"2024.03.05 00:00:00"},
      {u"2024.03.05 10:61:05", u"2024.03.05 10:00:00"},
      {u"2024.03.05 10:20:70", u"2024.03.05 10:20:00"},
      {u"2024.02.30 10:20:30", u"2024.02.29 10:20:30"},
      {u"2024.13.05 10:10:10", u"2024.01.01 00:00:00"},
      {u"2024.03.40 10:20", u"2024.03.01 00:00:00"},
      {u"1999.03.05 10:10:10", u"1900.01.01 00:00:00"},
      {u"2024.03.05", u"2024.03.05 00:00:00"},
      {u"2024-3-5 7:8:9", u"2024.03.05 07:08:09"},
      {u"2024.3.5", u"2024.03.05 00:00:00"},
      {u"2024.3.", u"1900.01.01"},                              // 7 characters
      {u"2024.03.05 10:10:10 12345678901", u"2024.03.05 10:10:10"},  // 31 characters
      {u"2024.03.05 10:10:10 123456789012", u"1900.01.01"},     // 32 characters
  };
  for (const auto& c : cases) EXPECT_EQ(NormalizeDateTimeText(c.in), c.out) << N(c.in);
  std::u16string inPlace = u"2024/3/5 1:2:3";
  NormalizeDateTimeInput(inPlace);
  EXPECT_EQ(inPlace, u"2024.03.05 01:02:03");
}

TEST(MakeQueryDateTimeBound, LowerAndUpperBounds) {
  struct BoundCase {
    std::u16string in;
    bool upper;
    std::u16string out;
  } cases[] = {
      {u"20240305", true, u"2024.03.05 23:59:59.998"},
      {u"20240305", false, u"2024.03.05 00:00:00.0"},
      {u"202403051030", true, u"2024.03.05 10:30:59.998"},
      {u"20240305103015", false, u"2024.03.05 10:30:15.0"},
      {u"2024030510", false, u"2024.03.05 10:00:00.0"},
      {u"2024.03.05 10", true, u"2024.03.05 10:59:59.998"},
      {u"  2024-3-5  ", false, u"2024.03.05 00:00:00.0"},
      {u"2024.03.05 08:15:20", true, u"2024.03.05 08:15:20.998"},
      // A zero field of an upper bound is filled only when the field below
      // it was: a given minute or second holds the hour or minute as given.
      {u"2024.03.05 00:30:00", true, u"2024.03.05 00:30:59.998"},
      {u"2024.03.05 00:30", true, u"2024.03.05 00:30:59.998"},
      {u"202403050030", true, u"2024.03.05 00:30:59.998"},
      {u"2024.03.05 10:00:30", true, u"2024.03.05 10:00:30.998"},
      {u"2024.03.05 00:00:30", true, u"2024.03.05 00:00:30.998"},
      {u"2024.03.05 00:00:00", true, u"2024.03.05 23:59:59.998"},
      {u"2024.03.05 23:00", true, u"2024.03.05 23:59:59.998"},
      {u"2024.03.05 00:30:00", false, u"2024.03.05 00:30:00.0"},
      {u"2024.02.30", false, u""},
      {u"20230229", true, u""},
      {u"2024.03.05 24:00:00", false, u""},
      {u"2024.03.05 10:60", false, u""},
      {u"0099.01.01", false, u""},     // year below 100
      {u"2024.3.", false, u""},        // 7 characters after trimming
      {u"2024.03.05 10:10:10 123456789012", false, u""},  // 32 characters
  };
  for (const auto& c : cases) {
    std::u16string text = c.in;
    EXPECT_EQ(MakeQueryDateTimeBound(text, c.upper), c.out) << N(c.in);
    EXPECT_EQ(text, c.out);
  }
}

TEST(CycleMonthRange, CyclesTodayMonthToDatePreviousMonth) {
  std::u16string from, to;
  const CivilDate mid{2024, 3, 15};
  CycleMonthRange(from, to, mid);
  EXPECT_EQ(from, u"2024.03.15");
  EXPECT_EQ(to, u"2024.03.15");
  CycleMonthRange(from, to, mid);
  EXPECT_EQ(from, u"2024.03.01");
  EXPECT_EQ(to, u"2024.03.15");
  CycleMonthRange(from, to, mid);
  EXPECT_EQ(from, u"2024.02.01");
  EXPECT_EQ(to, u"2024.02.29");
  CycleMonthRange(from, to, mid);
  EXPECT_EQ(from, u"2024.03.15");
  EXPECT_EQ(to, u"2024.03.15");

  // On the first of the month the second press already gives last month.
  from.clear();
  const CivilDate first{2023, 3, 1};
  CycleMonthRange(from, to, first);
  EXPECT_EQ(from, u"2023.03.01");
  CycleMonthRange(from, to, first);
  EXPECT_EQ(from, u"2023.02.01");
  EXPECT_EQ(to, u"2023.02.28");

  // January goes back to December of the year before.
  from = u"2025.01.01";
  to = u"2025.01.10";
  CycleMonthRange(from, to, CivilDate{2025, 1, 10});
  EXPECT_EQ(from, u"2024.12.01");
  EXPECT_EQ(to, u"2024.12.31");
}

TEST(DateTextHelpers, CutDropAndEnglishMonth) {
  std::u16string text = u"2024.03.05 10:00";
  EXPECT_EQ(CutDateText(text, 10), u"2024.03.05");
  EXPECT_EQ(text, u"2024.03.05");
  std::u16string noDate = u"1900.01.01";
  EXPECT_EQ(CutDateText(noDate, 4), u"");
  EXPECT_EQ(noDate, u"1900.01.01");
  std::u16string empty;
  EXPECT_EQ(CutDateText(empty, 4), u"");

  std::u16string zero = u"2024.03.05 00:00:00";
  EXPECT_EQ(DropZeroTime(zero), u"2024.03.05");
  std::u16string second = u"2024.03.05 00:00:01";
  EXPECT_EQ(DropZeroTime(second), u"2024.03.05 00:00:01");
  std::u16string noBlank = u"2024.03.05T00:00";
  EXPECT_EQ(DropZeroTime(noBlank), u"2024.03.05T00:00");

  std::u16string day, month;
  EXPECT_EQ(SplitDateEnglishMonth(u"2024.03.07", day, month), 2024);
  EXPECT_EQ(month, u"MAR");
  EXPECT_EQ(day, u"7");
  EXPECT_EQ(SplitDateEnglishMonth(u"2024/12/25", day, month), 2024);
  EXPECT_EQ(month, u"DEC");
  EXPECT_EQ(day, u"25");
  for (std::u16string bad : {u"1999.03.07", u"2024.13.07", u" 2024.01.01", u"x"}) {
    EXPECT_EQ(SplitDateEnglishMonth(bad, day, month), -1) << N(bad);
    EXPECT_TRUE(day.empty());
    EXPECT_TRUE(month.empty());
  }
}

TEST(ParseMonthName, ChineseNumbersAndNames) {
  struct MonthCase {
    std::string text;
    int month;
  } cases[] = {
      {G(u"3月"), 3},
      {G(u"2021年12月"), 12},
      {G(u"十二月"), 12},
      {G(u"十一月"), 11},
      {G(u"十月"), 10},
      {G(u"九月"), 9},
      {G(u"闰月"), 255},          // another character before the month sign
      {G(u"十闰月"), 265},
      {G(u"月"), -1},
      {"Oct", 10},
      {"sept", 9},
      {"5 giugno", 6},
      {"5 de enero de 2020", 1},   // only the Spanish word names it
      {"Tuesday, 21-Oct-2015", 10},
      {"1 Okt", 10},
      {"nothing here", -1},
      {G(u"21 Окт 2015"), 10},     // Russian capital lowered
      {G(u"5 май 2015"), 5},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseMonthName(c.text), c.month) << c.text;
}

TEST(ParseHttpDate, CookieDates) {
  struct HttpCase {
    std::string text;
    bool ok;
    DateTimeFields want;
  } cases[] = {
      {"Wed, 21 Oct 2015 07:28:00 GMT", true, {2015, 10, 21, 7, 28, 0}},
      {"Thursday, 05-Mar-21 12:30:10 am", true, {2021, 3, 5, 0, 30, 10}},
      {"Sunday, 1st August 2021 3:05 pm", true, {2021, 8, 1, 15, 5, 0}},
      {"1 Aug 2021 3:05p", true, {2021, 8, 1, 15, 5, 0}},
      {"1 Aug 2021 12:05 PM", true, {2021, 8, 1, 12, 5, 0}},
      {"1 Aug 2021 24:05:01", true, {2021, 8, 1, 0, 5, 1}},
      {"1 Aug 2021 30:05:01", true, {2021, 8, 1, 30, 0, 0}},  // hour out of range ends the time
      {G(u"25 十二月 2021"), true, {2021, 12, 25, 0, 0, 0}},
      {G(u"25 十二月 2021 下午 3:10"), true, {2021, 12, 25, 15, 10, 0}},
      {"21&#12290;Oct 2015", true, {2015, 10, 21, 0, 0, 0}},  // reference removed
      {"21 Foo 2015", false, {}},
      {"21 Oct", false, {}},                                  // no year
      {"21 Oct 12345", false, {}},
      {"32 Oct 2015", false, {}},
      {G(u"25 闰月 2021"), false, {}},
  };
  for (const auto& c : cases) {
    DateTimeFields got;
    EXPECT_EQ(ParseHttpDate(c.text, got), c.ok) << c.text;
    if (!c.ok) continue;
    EXPECT_EQ(got.year, c.want.year) << c.text;
    EXPECT_EQ(got.month, c.want.month) << c.text;
    EXPECT_EQ(got.day, c.want.day) << c.text;
    EXPECT_EQ(got.hour, c.want.hour) << c.text;
    EXPECT_EQ(got.minute, c.want.minute) << c.text;
    EXPECT_EQ(got.second, c.want.second) << c.text;
  }
}

TEST(WebDateHelpers, WeekdayAndNumericReferences) {
  std::string text = "Tuesday, 5 May";
  EXPECT_EQ(RemoveWeekdayName(text, true), 0u);
  EXPECT_EQ(text, "Tuesday, 5 May");
  EXPECT_EQ(RemoveWeekdayName(text, false), 0u);
  EXPECT_EQ(text, "5 May");
  std::string none = "5 May";
  EXPECT_EQ(RemoveWeekdayName(none, false), std::string::npos);

  struct RefCase {
    std::string in, out;
  } cases[] = {
      {"a&#12345;b", "ab"},
      {"a&#123;b", "ab"},
      {"a&#0123;b", "a&#0123;b"},       // first digit 0
      {"a&#12;b", "a&#12;b"},           // ";" as the 5th character
      {"a&#1234567;b", "a&#1234567;b"}, // ";" too far
      {"&#123;&#456;", ""},
      {"&#12", "&#12"},
  };
  for (auto& c : cases) {
    std::string s = c.in;
    EXPECT_EQ(RemoveNumericRefs(s), c.out) << c.in;
  }
}

}  // namespace
