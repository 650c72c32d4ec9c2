#include <gtest/gtest.h>

#include <zlib.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <utility>

#include "common/Base64.h"

namespace {

using namespace std::string_literals;

TEST(Base64Encode, KnownTextsAndPadding) {
  struct Case {
    std::string bytes, text;
  } cases[] = {
      {"", ""},         {"abc", "YWJj"},       {"\0"s, "AA=="},      {"ab", "YWI="},
      {"abcd", "YWJjZA=="}, {"\xff\xfe\xfd", "//79"}, {"hello world", "aGVsbG8gd29ybGQ="},
  };
  for (const auto& c : cases) {
    std::string out = "untouched";
    size_t needed = 0;
    EXPECT_EQ(Base64Encode(c.bytes.data(), c.bytes.size(), out, c.text.size(), &needed), 0);
    EXPECT_EQ(out, c.text);
    EXPECT_EQ(needed, c.text.size());
    EXPECT_EQ(Base64Encode(c.bytes), c.text);
  }
}

TEST(Base64Encode, CapacityBelowNeededWritesNothing) {
  std::string out = "keep";
  size_t needed = 0;
  EXPECT_EQ(Base64Encode("\0", 1, out, 3, &needed), -2);
  EXPECT_EQ(out, "keep");
  EXPECT_EQ(needed, 4u);
  EXPECT_EQ(Base64Encode("\0", 1, out, 4, nullptr), 0);
  EXPECT_EQ(out, "AA==");
}

TEST(Base64Decode, ResultsAndErrors) {
  struct Case {
    std::string text;
    int result;
    std::string bytes;  // when result >= 0
  } cases[] = {
      {"YWJj", 3, "abc"},
      {"YW\r\nJj", 3, "abc"},             // line break inside
      {" Y W J j\t", 3, "abc"},
      {"AA==", 1, "\0"s},
      {"YWI=", 2, "ab"},
      {"YWI\\u003D", 2, "ab"},            // "=" written as its JSON escape
      {"Ly8v", 3, "///"},
      {"\\u002F\\u002F79", 3, "\xff\xfe\xfd"},  // "/" escaped
      {"YW=", 0, ""},                      // shorter than 4 after cleaning
      {"", 0, ""},
      {"YWJjZA", -2, ""},                  // length 6
      {"YWJ*", -1, ""},
      {"=WJj", -1, ""},
      {"Y=Jj", -1, ""},
      {"YW\xc3\xa9", -1, ""},               // byte of 128 or above
      {"YQ==YWJj", 4, "aabc"},             // decoding goes on after "="
      {"YQ=A", 1, "a"},                    // "=" third gives one byte
      {"\\u0080AAA", -2, ""},              // escape at 80 is not undone
  };
  for (const auto& c : cases) {
    std::string text = c.text;
    EXPECT_EQ(Base64Decode(text), c.result) << c.text;
    if (c.result >= 0) {
      EXPECT_EQ(text, c.bytes) << c.text;
    }
  }
}

TEST(Base64Decode, RoundTripOfRandomBytes) {
  std::mt19937 rng(7);
  for (int len = 0; len < 200; ++len) {
    std::string bytes(len, '\0');
    for (auto& b : bytes) b = static_cast<char>(rng());
    std::string text = Base64Encode(bytes);
    int n = Base64Decode(text);
    if (len < 3) {
      // texts shorter than 4 characters decode to nothing
      EXPECT_EQ(n, len == 0 ? 0 : len) << len;
    } else {
      EXPECT_EQ(n, len);
    }
    if (len > 0) {
      EXPECT_EQ(text, bytes);
    }
  }
}

// The decoder against the rules spelled out group by group, on texts mixing
// alphabet characters, "=", blanks, escapes and bad characters; on an error
// the text is left cleaned and undecoded.
TEST(Base64Decode, FollowsTheRulesGroupByGroup) {
  const std::string alphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  auto value = [&](char c) -> int {
    const size_t at = alphabet.find(c);
    return c != '\0' && at != std::string::npos ? static_cast<int>(at) : -1;
  };
  auto reference = [&](std::string& text) {
    std::string clean;
    for (char c : text)
      if (c != ' ' && c != '\t' && c != '\r' && c != '\n') clean += c;
    std::string unescaped;
    for (size_t i = 0; i < clean.size(); ++i) {
      if (clean.compare(i, 4, "\\u00") == 0 && i + 6 <= clean.size() &&
          std::isxdigit(static_cast<unsigned char>(clean[i + 4])) &&
          std::isxdigit(static_cast<unsigned char>(clean[i + 5]))) {
        const int v = std::stoi(clean.substr(i + 4, 2), nullptr, 16);
        if (v < 0x80) {
          unescaped += static_cast<char>(v);
          i += 5;
          continue;
        }
      }
      unescaped += clean[i];
    }
    text = unescaped;
    if (text.size() < 4) {
      text.clear();
      return 0;
    }
    if (text.size() % 4 != 0) return -2;
    std::string bytes;
    for (size_t g = 0; g < text.size(); g += 4) {
      const int a = value(text[g]), b = value(text[g + 1]);
      const int c = text[g + 2] == '=' ? -2 : value(text[g + 2]);
      const int d = text[g + 3] == '=' ? -2 : value(text[g + 3]);
      if (a < 0 || b < 0 || c == -1 || d == -1) return -1;
      bytes += static_cast<char>((a << 2) | (b >> 4));
      if (c == -2) continue;
      bytes += static_cast<char>(((b & 15) << 4) | (c >> 2));
      if (d == -2) continue;
      bytes += static_cast<char>(((c & 3) << 6) | d);
    }
    text = bytes;
    return static_cast<int>(text.size());
  };
  const std::string pieces[] = {"QUJD", "YQ==", "YWI=", "=", " ", "\r\n", "\\u003D", "\\u002F",
                                "\\u00E9", "*", "\xC3", "A", "Zm9v", "\0"s};
  std::mt19937 rng(105);
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    const int count = static_cast<int>(rng() % 12);
    for (int k = 0; k < count; ++k) text += pieces[rng() % std::size(pieces)];
    std::string ours = text, theirs = text;
    ASSERT_EQ(Base64Decode(ours), reference(theirs)) << text;
    ASSERT_EQ(ours, theirs) << text;
  }
}

TEST(Base64DecodeText, FieldForms) {
  struct Case {
    std::string text;
    int result;
    std::string bytes;
  } cases[] = {
      {"YWJj", 0, "abc"},
      {"YWJjZA", 0, "abc"},               // trailing part of fewer than 4 ignored
      {"YW Jj\r\n", 0, "abc"},
      {"+ YWJj", 0, "abc"},               // leading "+ " skipped
      {"YWI\\u003D", 0, "ab"},
      {"", -1, ""},
      {" \t\r\n", -1, ""},
      {"YW*j", -1, ""},
      {"YW", 0, ""},
  };
  for (const auto& c : cases) {
    std::string out = "junk";
    EXPECT_EQ(Base64DecodeText(c.text, out), c.result) << c.text;
    if (c.result == 0) EXPECT_EQ(out, c.bytes) << c.text;
    else EXPECT_TRUE(out.empty());
  }
}

TEST(StripWhitespace, RemovesOnlyTheFourBlanks) {
  std::string s = " a\tb\nc\rd \x0b";
  EXPECT_EQ(StripWhitespace(s), "abcd\x0b");
}

TEST(Crc32, CheckValueAndZlibAgreement) {
  EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);
  EXPECT_EQ(Crc32(""), 0u);
  EXPECT_EQ(Crc32("a"), 0xE8B7BE43u);
  std::mt19937 rng(3);
  std::string bytes(100000, '\0');
  for (auto& b : bytes) b = static_cast<char>(rng());
  EXPECT_EQ(Crc32(bytes.data(), bytes.size()),
            crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

TEST(TimeZoneHours, BiasIsCutTowardZero) {
  struct Case {
    int biasMinutesWest, hours;
  } cases[] = {{-480, 8}, {300, -5}, {-330, 5}, {210, -3}, {0, 0}, {-345, 5}, {-60, 1}, {59, 0}};
  for (const auto& c : cases) EXPECT_EQ(TimeZoneHoursFromBias(c.biasMinutesWest), c.hours) << c.biasMinutesWest;
}

// Runs a body with TZ set to `zone`, restoring the old value.
class ZoneGuard {
 public:
  explicit ZoneGuard(const char* zone) {
    const char* old = std::getenv("TZ");
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ZoneGuard() {
    if (had_) setenv("TZ", old_.c_str(), 1);
    else unsetenv("TZ");
    tzset();
  }

 private:
  bool had_ = false;
  std::string old_;
};

TEST(TimeZoneHours, FromTheSystemZoneStandardTime) {
  struct Case {
    const char* tz;
    int hours;
  } cases[] = {{"CST-8", 8}, {"EST5EDT,M3.2.0,M11.1.0", -5}, {"IST-5:30", 5},
               {"NST3:30NDT,M3.2.0,M11.1.0", -3}, {"UTC0", 0}};
  for (const auto& c : cases) {
    ZoneGuard zone(c.tz);
    EXPECT_EQ(TimeZoneHours(), c.hours) << c.tz;
    EXPECT_EQ(StoreTimeZoneHours(), c.hours);
    EXPECT_EQ(StoredTimeZoneHours(), c.hours);
  }
}

TEST(StoredTimeZoneHours, SetWhenTheProgramStarts) {
  // CurrentUtcTime relies on the hours being kept before main runs, without
  // any caller having to remember StoreTimeZoneHours.  A fresh process in
  // UTC+8 must see 8 at once.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ZoneGuard zone("CST-8");
  EXPECT_EXIT(std::exit(StoredTimeZoneHours() == 8 ? 0 : 1), ::testing::ExitedWithCode(0), "");
}

TEST(ServerTimeStamp, IsUnixTimeLessZoneHours) {
  ZoneGuard zone("CST-8");
  int64_t before = std::time(nullptr);
  int64_t stamp = ServerTimeStamp();
  int64_t after = std::time(nullptr);
  EXPECT_GE(stamp, before - 8 * 3600);
  EXPECT_LE(stamp, after - 8 * 3600);
}

TEST(ServerTimeStamp, FollowsAChangeOfZone) {
  // The zone is kept between requests; a change of TZ is still seen.
  for (auto [tz, hours] : {std::pair{"CST-8", 8}, {"EST5", -5}, {"CST-8", 8}, {"UTC0", 0}}) {
    ZoneGuard zone(tz);
    int64_t before = std::time(nullptr);
    int64_t stamp = ServerTimeStamp();
    int64_t after = std::time(nullptr);
    EXPECT_GE(stamp, before - hours * 3600LL) << tz;
    EXPECT_LE(stamp, after - hours * 3600LL) << tz;
  }
}

TEST(CurrentUtcTime, LocalWallClockLessStoredHoursAndSeconds) {
  using namespace std::chrono;
  for (const char* tz : {"CST-8", "EST5", "IST-5:30"}) {
    ZoneGuard zone(tz);
    int hours = StoreTimeZoneHours();
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    sys_seconds out;
    EXPECT_EQ(CurrentUtcTime(out, 0), hours);
    int64_t expected = now + tm.tm_gmtoff - 3600LL * hours;
    EXPECT_NEAR(static_cast<double>(out.time_since_epoch().count()), static_cast<double>(expected), 2) << tz;
    CurrentUtcTime(out, 90);
    EXPECT_NEAR(static_cast<double>(out.time_since_epoch().count()), static_cast<double>(expected - 90), 2);
    CurrentUtcTime(out, -90);  // not above 0: ignored
    EXPECT_NEAR(static_cast<double>(out.time_since_epoch().count()), static_cast<double>(expected), 2);
  }
}

TEST(PackDateTimeNumber, DecimalFields) {
  EXPECT_EQ(PackDateTimeNumber(2024, 3, 5, 6, 7, 8), 20240305060708LL);
  EXPECT_EQ(PackDateTimeNumber(9999, 12, 31, 23, 59, 59), 99991231235959LL);
  EXPECT_LT(PackDateTimeNumber(2024, 3, 5, 6, 7, 8), PackDateTimeNumber(2024, 3, 5, 6, 7, 9));
}

TEST(ParseDateText, DaysFromDateToNow) {
  using namespace std::chrono;
  // "now" is 2024-03-10 15:00 local time.
  local_seconds now = local_days(2024y / March / 10) + 15h;
  struct Case {
    const char* text;
    int days;
  } cases[] = {
      {"2024-03-10", 0},     {"2024-03-09", 1},     {"24-1-5", 65},
      {"2024/1/5 12:00", 65}, {"date: 2024.3.1", 9}, {"2024-03-11", 0},  // -9 h: cut toward zero
      {"2024-03-12", -1},     {"2024-02-29", 10},    {"99-1-1", -27324},
      {"2024-13-01", kBadDateText}, {"2023-02-30", kBadDateText}, {"2024-0-1", kBadDateText},
      {"0-1-1", kBadDateText},      {"2024-01", kBadDateText},    {"", kBadDateText},
      {"abc", kBadDateText},        {"2024-1-0", kBadDateText},   {"99999999999-1-1", kBadDateText},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseDateText(c.text, now), c.days) << c.text;
}

TEST(ParseDateText, AgainstTheClock) {
  EXPECT_EQ(ParseDateText("1999-12-31x"), ParseDateText("1999/12/31"));
  EXPECT_GT(ParseDateText("2000-01-01"), 8000);
  EXPECT_EQ(ParseDateText("2023-02-30"), kBadDateText);
}

}  // namespace
