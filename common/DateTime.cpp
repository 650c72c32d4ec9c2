// Date normalisers, query bounds, month presets and the web date parser.

#include "common/DateTime.h"

#include <cstdio>
#include <ctime>
#include <utility>
#include <vector>

#include "common/GbkText.h"
#include "common/TextCodec.h"
#include "common/WideText.h"

namespace {

// Numbers are held below this so that no reading overflows.
constexpr int kNumberCap = 999999999;

template <class C>
bool IsDigit(C c) {
  return c >= C('0') && c <= C('9');
}

template <class C>
bool IsAsciiLetter(C c) {
  return (c >= C('a') && c <= C('z')) || (c >= C('A') && c <= C('Z'));
}

// Walks the numbers of a text.  First() reads the number at the first digit;
// Next() skips the digits of the current number, then everything that is not
// a digit, and reads the number there (0 when the text ends).
template <class C>
class Numbers {
 public:
  explicit Numbers(std::basic_string_view<C> s, size_t pos = 0) : s_(s), pos_(pos) {}

  int First() {
    while (pos_ < s_.size() && !IsDigit(s_[pos_])) ++pos_;
    return Read();
  }
  int Next() {
    while (pos_ < s_.size() && IsDigit(s_[pos_])) ++pos_;
    while (pos_ < s_.size() && !IsDigit(s_[pos_])) ++pos_;
    return Read();
  }
  // The number at the current position (0 when there is no digit there).
  int Read() const {
    long long v = 0;
    for (size_t i = pos_; i < s_.size() && IsDigit(s_[i]); ++i) {
      v = v * 10 + (s_[i] - C('0'));
      if (v > kNumberCap) v = kNumberCap;
    }
    return static_cast<int>(v);
  }
  // True when the current position holds a digit.
  bool HasNumber() const { return pos_ < s_.size() && IsDigit(s_[pos_]); }
  // The position after the digits of the current number.
  size_t EndOfNumber() const {
    size_t i = pos_;
    while (i < s_.size() && IsDigit(s_[i])) ++i;
    return i;
  }

 private:
  std::basic_string_view<C> s_;
  size_t pos_;
};

std::u16string Widen(const char* ascii) {
  std::u16string out;
  for (const char* p = ascii; *p; ++p) out.push_back(static_cast<char16_t>(*p));
  return out;
}

// The value of `count` digits at `pos` (all known to be digits).
template <class C>
int DigitsAt(std::basic_string_view<C> s, size_t pos, size_t count) {
  int v = 0;
  for (size_t i = pos; i < pos + count && i < s.size(); ++i) v = v * 10 + (s[i] - C('0'));
  return v;
}

template <class C>
bool AllDigits(std::basic_string_view<C> s) {
  for (C c : s)
    if (!IsDigit(c)) return false;
  return true;
}

// Eight digits yyyymmdd with day 1-31, month 1-12 and year from 1900: the
// date with the day held to the month.
template <class C>
bool EightDigitDate(std::basic_string_view<C> s, std::u16string& out) {
  if (s.size() != 8 || !AllDigits(s)) return false;
  int y = DigitsAt(s, 0, 4), m = DigitsAt(s, 4, 2), d = DigitsAt(s, 6, 2);
  if (d < 1 || d > 31 || m < 1 || m > 12 || y < 1900) return false;
  if (d > DaysInMonth(y, m)) d = DaysInMonth(y, m);
  out = FormatDateText(y, m, d);
  return true;
}

int ClampDay(int year, int month, int day) {
  int last = DaysInMonth(year, month);
  return day > last ? last : day;
}

}  // namespace

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  if (month == 2 && IsLeapYear(year)) return 29;
  return kDays[month - 1];
}

bool IsValidDate(int year, int month, int day) {
  return year >= 100 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInMonth(year, month);
}

CivilDate LocalToday() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

std::u16string FormatDateText(int year, int month, int day) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%d.%02d.%02d", year, month, day);
  return Widen(buf);
}

std::u16string FormatDateTimeText(int year, int month, int day, int hour, int minute,
                                  int second) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "%d.%02d.%02d %02d:%02d:%02d", year, month, day, hour,
                minute, second);
  return Widen(buf);
}

std::u16string NormalizeDateInput(std::u16string_view text) {
  if (text.size() <= 7) return std::u16string(kNoDate);
  std::u16string out;
  if (EightDigitDate(text, out)) return out;
  Numbers<char16_t> numbers(text);
  int year = numbers.First();
  if (year < 1000) year += 2000;
  if (year > 3000) return std::u16string(kNoDate);
  int month = numbers.Next();
  if (month < 1 || month > 12) month = 1;
  int day = numbers.Next();
  if (day < 1 || day > 31)
    day = 15;
  else
    day = ClampDay(year, month, day);
  return FormatDateText(year, month, day);
}

std::u16string NormalizeDateText(std::u16string_view text) {
  std::string gbk = GbkFromWide(text);
  std::string_view s = gbk;
  if (s.size() > 30) return std::u16string(kNoDate);
  std::u16string out;
  if (EightDigitDate(s, out)) return out;
  // The year as a standard decimal number at the start: leading blanks
  // skipped, a sign allowed.
  size_t pos = 0;
  while (pos < s.size() && (s[pos] == ' ' || (s[pos] >= '\t' && s[pos] <= '\r'))) ++pos;
  bool negative = false;
  if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) negative = s[pos++] == '-';
  Numbers<char> numbers(s, pos);
  int year = numbers.Read();
  if (negative) year = -year;
  int month = numbers.Next();
  int day = numbers.Next();
  if (year <= 0 || month <= 0 || day <= 0) return std::u16string(kNoDate);
  if (year < 1000) year += 2000;
  if (month > 12) month = 12;
  if (day >= 32) day = 31;
  return FormatDateText(year, month, ClampDay(year, month, day));
}

std::u16string NormalizeDateTimeText(std::u16string_view text) {
  if (text.size() < 8 || text.size() > 31) return std::u16string(kNoDate);
  Numbers<char16_t> numbers(text);
  int year = numbers.First();
  if (year < 2000 || year > 9999) return std::u16string(kNoDateTime);
  int month = numbers.Next();
  if (month < 1 || month > 12) return FormatDateTimeText(year, 1, 1, 0, 0, 0);
  int day = numbers.Next();
  if (day < 1 || day > 31) return FormatDateTimeText(year, month, 1, 0, 0, 0);
  day = ClampDay(year, month, day);
  int hour = numbers.Next();
  if (hour > 23) return FormatDateTimeText(year, month, day, 0, 0, 0);
  int minute = numbers.Next();
  if (minute > 59) return FormatDateTimeText(year, month, day, hour, 0, 0);
  int second = numbers.Next();
  if (second > 59) second = 0;
  return FormatDateTimeText(year, month, day, hour, minute, second);
}

std::u16string& NormalizeDateTimeInput(std::u16string& text) {
  text = NormalizeDateTimeText(text);
  return text;
}

std::u16string& MakeQueryDateTimeBound(std::u16string& text, bool upper) {
  TrimW(text);
  if (text.size() < 8 || text.size() > 31) {
    text.clear();
    return text;
  }
  std::u16string_view s = text;
  int year, month, day, hour = 0, minute = 0, second = 0;
  if (AllDigits(s)) {
    year = DigitsAt(s, 0, 4);
    month = DigitsAt(s, 4, 2);
    day = DigitsAt(s, 6, 2);
    if (s.size() > 9) hour = DigitsAt(s, 8, 2);
    if (s.size() > 11) minute = DigitsAt(s, 10, 2);
    if (s.size() > 13) second = DigitsAt(s, 12, 2);
  } else {
    Numbers<char16_t> numbers(s);
    year = numbers.First();
    month = numbers.Next();
    day = numbers.Next();
    if (numbers.EndOfNumber() < s.size()) {
      hour = numbers.Next();
      minute = numbers.Next();
      second = numbers.Next();
    }
  }
  // An upper bound reaches to the end of the period the text names: a
  // missing second means the whole minute, and only then may a missing
  // minute mean the whole hour, and a missing hour the whole day.
  if (upper && second == 0) {
    second = 59;
    if (minute == 0) {
      minute = 59;
      if (hour == 0) hour = 23;
    }
  }
  if (!IsValidDate(year, month, day) || hour > 23 || minute > 59 || second > 59) {
    text.clear();
    return text;
  }
  text = FormatDateTimeText(year, month, day, hour, minute, second);
  text += upper ? u".998" : u".0";
  return text;
}

void CycleMonthRange(std::u16string& from, std::u16string& to) {
  CycleMonthRange(from, to, LocalToday());
}

void CycleMonthRange(std::u16string& from, std::u16string& to, const CivilDate& today) {
  std::u16string first = FormatDateText(today.year, today.month, 1);
  std::u16string todayText = FormatDateText(today.year, today.month, today.day);
  if (from.empty() || from < first) {
    from = todayText;
    to = todayText;
  } else if (from != to || from == first) {
    int year = today.year, month = today.month - 1;
    if (month == 0) {
      month = 12;
      --year;
    }
    from = FormatDateText(year, month, 1);
    to = FormatDateText(year, month, DaysInMonth(year, month));
  } else {
    from = first;
    to = todayText;
  }
}

std::u16string CutDateText(std::u16string& text, size_t n) {
  if (text.empty() || text[0] < u'2' || text[0] > u'9') return {};
  if (text.size() > n) text.resize(n);
  return text;
}

std::u16string& DropZeroTime(std::u16string& text) {
  if (text.size() < 11 || text[10] != u' ') return text;
  for (size_t i = 11; i < text.size(); ++i)
    if (text[i] != u'0' && text[i] != u':') return text;
  text.resize(10);
  return text;
}

int SplitDateEnglishMonth(std::u16string_view text, std::u16string& day,
                          std::u16string& month) {
  static const char* const kMonths[12] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                          "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
  day.clear();
  month.clear();
  Numbers<char16_t> numbers(text);
  int year = numbers.Read();
  if (year < 2000 || year > 9999) return -1;
  int m = numbers.Next();
  if (m < 1 || m > 12) return -1;
  month = Widen(kMonths[m - 1]);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%d", numbers.Next());
  day = Widen(buf);
  return year;
}

// ---- Web dates ----

std::string& RemoveNumericRefs(std::string& text) {
  size_t i = 0;
  while (text.size() >= 6 && i <= text.size() - 6) {
    if (text[i] == '&' && text[i + 1] == '#' && text[i + 2] >= '1' && text[i + 2] <= '9') {
      size_t close = std::string::npos;
      for (size_t k = i + 5; k <= i + 7 && k < text.size(); ++k)
        if (text[k] == ';') {
          close = k;
          break;
        }
      if (close != std::string::npos) {
        text.erase(i, close - i + 1);
        continue;
      }
    }
    ++i;
  }
  return text;
}

size_t RemoveWeekdayName(std::string& text, bool reportOnly) {
  static const char* const kWeekdays[7] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
  size_t pos = std::string::npos;
  for (const char* word : kWeekdays) {
    pos = GbkFindNoCase(text, word);
    if (pos != std::string::npos) break;
  }
  if (pos == std::string::npos || reportOnly) return pos;
  size_t end = pos + 3;
  while (end < text.size() && IsAsciiLetter(text[end])) ++end;
  while (end < text.size() && (text[end] == ' ' || text[end] == ',')) ++end;
  text.erase(pos, end - pos);
  return pos;
}

namespace {

struct MonthWord {
  const char* word;
  int month;
};

// The GBK forms of the Cyrillic month words, made once.
const std::vector<std::pair<std::string, int>>& RussianMonthWords() {
  static const auto words = [] {
    static const std::pair<const char16_t*, int> kWide[] = {
        {u"янв", 1}, {u"фев", 2}, {u"мар", 3}, {u"апр", 4}, {u"мая", 5},
        {u"май", -5}, {u"воз", -5},  // -5: searched in the unchanged text
        {u"июн", 6}, {u"июл", 7}, {u"авг", 8}, {u"сен", 9}, {u"окт", 10},
        {u"ноя", 11}, {u"дек", 12}};
    std::vector<std::pair<std::string, int>> out;
    for (const auto& [w, m] : kWide) out.emplace_back(GbkFromWide(w), m);
    return out;
  }();
  return words;
}

// The digit value of a character of "一".."十" (GBK), 0 for another.
int ChineseNumeral(std::string_view ch) {
  static const char* const kNumerals[10] = {"\xD2\xBB", "\xB6\xFE", "\xC8\xFD", "\xCB\xC4",
                                            "\xCE\xE5", "\xC1\xF9", "\xC6\xDF", "\xB0\xCB",
                                            "\xBE\xC5", "\xCA\xAE"};
  for (int i = 0; i < 10; ++i)
    if (ch == kNumerals[i]) return i + 1;
  return 0;
}

constexpr std::string_view kMonthSign = "\xD4\xC2";  // 月
constexpr std::string_view kTen = "\xCA\xAE";        // 十
constexpr std::string_view kAfternoon = "\xCF\xC2\xCE\xE7";  // 下午

}  // namespace

int ParseMonthName(std::string_view input) {
  std::string text(input);
  if (RemoveWeekdayName(text, true) != std::string::npos) {
    text = GbkCopyN(input, 255);
    RemoveWeekdayName(text, false);
  }

  size_t sign = GbkFind(text, kMonthSign);
  if (sign != std::string::npos) {
    if (sign >= 1 && IsDigit(text[sign - 1])) {
      int v = text[sign - 1] - '0';
      if (sign >= 2 && IsDigit(text[sign - 2])) v += (text[sign - 2] - '0') * 10;
      return v;
    }
    if (sign < 2) return -1;
    int v = ChineseNumeral(std::string_view(text).substr(sign - 2, 2));
    if (v == 0) v = 255;
    if ((v == 1 || v == 2 || v == 255) && sign >= 4 &&
        std::string_view(text).substr(sign - 4, 2) == kTen)
      v += 10;
    return v;
  }

  static const MonthWord kThreeLetters[] = {
      {"JAN", 1}, {"GEN", 1}, {"ENE", 1}, {"FEB", 2}, {"MAR", 3}, {"APR", 4},  {"ABR", 4},
      {"MAY", 5}, {"MAJ", 5}, {"MAG", 5}, {"MAI", 5}, {"JUN", 6}, {"GIU", 6},  {"JUL", 7},
      {"LUG", 7}, {"AUG", 8}, {"AGO", 8}, {"AGU", 8}, {"SEP", 9}, {"SET", 9},  {"OCT", 10},
      {"OKT", 10}, {"OTT", 10}, {"NOV", 11}, {"DEC", 12}, {"DIC", 12}, {"DES", 12}};
  // The first letter A-S on a character boundary.
  for (size_t i = 0; i < text.size(); i += IsGbkLead(text[i]) ? 2 : 1) {
    char c = text[i];
    char upperC = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    if (upperC < 'A' || upperC > 'S') continue;
    if (text.size() - i >= 3) {
      std::string word = text.substr(i, 3);
      GbkUpper(word);
      for (const auto& w : kThreeLetters)
        if (word == w.word) return w.month;
    }
    break;
  }

  std::string head = text.substr(0, 62);
  std::string upperHead = head;
  GbkUpper(upperHead);
  static const MonthWord kSearched[] = {
      {"JAN", 1}, {"GEN", 1}, {"FEB", 2}, {"MAR", 3}, {"APR", 4}, {"MAY", 5}, {"MAJ", 5},
      {"MAG", 5}, {"MAI", 5}, {"JUN", 6}, {"JUL", 7}, {"AUG", 8}, {"AGO", 8}, {"AGU", 8},
      {"SEP", 9}, {"OCT", 10}, {"OKT", 10}, {"OTT", 10}, {"NOV", 11}, {"DEC", 12},
      {"DIC", 12}, {"DES", 12}};
  for (const auto& w : kSearched)
    if (GbkFind(upperHead, w.word) != std::string::npos) return w.month;

  std::string lowerHead = head;
  for (size_t i = 0; i < lowerHead.size(); i += IsGbkLead(lowerHead[i]) ? 2 : 1)
    if (lowerHead[i] >= 'A' && lowerHead[i] <= 'Z') lowerHead[i] = static_cast<char>(lowerHead[i] + 32);
  static const MonthWord kSpanish[] = {
      {"enero", 1}, {"febrero", 2}, {"marzo", 3}, {"abril", 4}, {"mayo", 5}, {"junio", 6},
      {"julio", 7}, {"agosto", 8}, {"septiempre", 9}, {"octubre", 10}, {"noviembre", 11},
      {"diciembre", 12}};
  for (const auto& w : kSpanish)
    if (GbkFind(lowerHead, w.word) != std::string::npos) return w.month;

  std::string cyrillicHead = head;
  GbkCyrillicCase(cyrillicHead, false);
  for (const auto& [word, m] : RussianMonthWords()) {
    if (word.empty()) continue;
    if (m > 0 ? GbkFind(cyrillicHead, word) != std::string::npos
              : GbkFind(text, word) != std::string::npos)
      return m > 0 ? m : -m;
  }
  return -1;
}

bool ParseHttpDate(std::string_view input, DateTimeFields& out) {
  out = DateTimeFields{0, 0, 0, 0, 0, 0};
  std::string text(input);
  RemoveNumericRefs(text);
  bool afternoon = GbkFindNoCase(text, "PM") != std::string::npos ||
                   GbkFind(text, kAfternoon) != std::string::npos;
  for (const char* suffix : {"st", "nd", "rd", "th"}) {
    size_t p = text.find(suffix);
    if (p == std::string::npos) continue;
    if (p > 0 && IsDigit(text[p - 1])) text[p] = text[p + 1] = ' ';
    break;
  }
  int month = ParseMonthName(text);
  if (month <= 0) return false;

  std::string_view s = text;
  Numbers<char> numbers(s);
  int day = numbers.First();
  int year = numbers.Next();
  if (!numbers.HasNumber()) return false;
  if (year < 100) year += 2000;
  if (year > 9999 || month > 12 || day < 1 || day > 31) return false;
  out.year = year;
  out.month = month;
  out.day = day;

  out.hour = numbers.Next();
  if (out.hour < 0 || out.hour > 24) return true;
  out.minute = numbers.Next();
  if (out.minute > 59) return true;
  size_t afterMinute = numbers.EndOfNumber();
  std::string_view rest = s.substr(afterMinute);
  size_t letter = GbkFindLetter(rest);
  if (afternoon || (letter != std::string::npos && (rest[letter] == 'p' || rest[letter] == 'P')))
    if (out.hour < 12) out.hour += 12;
  if (out.hour > 23) out.hour = 0;
  if (out.hour == 12 && GbkFindNoCase(rest, "am") != std::string::npos) out.hour = 0;
  out.second = numbers.Next();
  return true;
}
