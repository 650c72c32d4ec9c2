#include "office/CellFormat.h"

#include <cmath>
#include <cstdio>

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t y = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(y + (month <= 2));
}

}  // namespace

std::string ExcelCellAddress(int row, int column) {
  if (row < 1 || column < 1 || column > 18278) return {};
  std::string letters;
  if (column <= 26) {
    letters.push_back(static_cast<char>('A' + column - 1));
  } else if (column <= 702) {
    letters.push_back(static_cast<char>('A' + (column - 1) / 26 - 1));
    letters.push_back(static_cast<char>('A' + (column - 1) % 26));
  } else {
    int c = column - 1;
    char three[3];
    for (int i = 2; i >= 0; --i) {
      three[i] = static_cast<char>('A' + c % 26);
      c = c / 26 - 1;
    }
    letters.assign(three, 3);
  }
  return letters + std::to_string(row);
}

int ExcelColumnNumber(std::string_view text) {
  if (text.empty()) return 0;
  if (text[0] >= '1' && text[0] <= '9') {
    int64_t value = 0;
    for (char c : text) {
      if (c < '0' || c > '9') break;
      value = value * 10 + (c - '0');
      if (value > 0x7FFFFFFF) return 0;
    }
    return static_cast<int>(value);
  }
  if (text.size() > 3) return 0;
  int number = 0;
  for (char c : text) {
    if (c < 'A' || c > 'Z') return 0;
    number = number * 26 + (c - 'A' + 1);
  }
  return number;
}

bool NeedsTextApostrophe(std::u16string_view text) {
  if (text.empty()) return false;
  char16_t c = text[0];
  return c == u'\'' || c == u'*' || c == u'+' || c == u'-' || c == u'/' || c == u'=' ||
         (c >= u'0' && c <= u'9');
}

namespace {

// Digits in any script the sheet's number reading may take, and the Chinese
// numerals (read as numbers in some number formats).
bool IsDigitLike(char16_t c) {
  if (c >= u'0' && c <= u'9') return true;
  if (c >= 0xFF10 && c <= 0xFF19) return true;  // full-width
  if ((c >= 0x0660 && c <= 0x0669) || (c >= 0x06F0 && c <= 0x06F9)) return true;
  if (c >= 0x0966 && c <= 0x096F) return true;
  if (c >= 0x2070 && c <= 0x2189) return true;  // super-, subscripts, number forms
  if (c >= 0x2460 && c <= 0x24FF) return true;  // enclosed numerals
  static constexpr std::u16string_view kChinese = u"〇零一二三四五六七八九十百千万亿两壹贰叁肆伍陆柒捌玖拾佰仟";
  return kChinese.find(c) != std::u16string_view::npos;
}

bool IsLatinLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

// Words a number, date or time may contain: month and day names and their
// short forms, the time-of-day markers, truth words and the exponent and
// infinity spellings.  Upper case.
bool IsNumberWord(std::u16string_view upper) {
  static constexpr std::u16string_view kWords[] = {
      u"JAN", u"FEB", u"MAR", u"APR", u"MAY", u"JUN", u"JUL", u"AUG", u"SEP", u"SEPT",
      u"OCT", u"NOV", u"DEC", u"JANUARY", u"FEBRUARY", u"MARCH", u"APRIL", u"JUNE", u"JULY",
      u"AUGUST", u"SEPTEMBER", u"OCTOBER", u"NOVEMBER", u"DECEMBER", u"SUN", u"MON", u"TUE",
      u"TUES", u"WED", u"THU", u"THUR", u"THURS", u"FRI", u"SAT", u"SUNDAY", u"MONDAY",
      u"TUESDAY", u"WEDNESDAY", u"THURSDAY", u"FRIDAY", u"SATURDAY", u"AM", u"PM", u"TRUE",
      u"FALSE", u"INF", u"INFINITY", u"NAN", u"E"};
  for (auto w : kWords)
    if (w == upper) return true;
  return false;
}

std::u16string Upper(std::u16string_view text) {
  std::u16string u(text);
  for (auto& c : u)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return u;
}

}  // namespace

bool ReadsAsFormula(std::u16string_view text) {
  if (text.empty()) return false;
  if (text.front() == u'=' || text.front() == u'@') return true;
  if (text.front() != u'+' && text.front() != u'-') return false;
  std::u16string_view rest = text.substr(1);
  bool digit = false;
  for (char16_t c : rest) {
    if (c >= u'0' && c <= u'9') {
      digit = true;
    } else if (c != u'.' && c != u',' && c != u'%' && c != u' ' && c != u'e' && c != u'E') {
      return true;
    }
  }
  return !rest.empty() && !digit;
}

bool ReadsAsPlainText(std::u16string_view text) {
  if (text.empty()) return true;
  char16_t first = text[0];
  static constexpr std::u16string_view kLeads = u"=+-'#@(*/ \t\r\n\u00A0\u2212\u3000\uFF0B\uFF0D\uFF1D";
  if (kLeads.find(first) != std::u16string_view::npos || first < 0x20 || IsDigitLike(first))
    return false;
  bool digits = false;
  for (char16_t c : text) digits = digits || IsDigitLike(c);
  if (!digits) {
    // Truth words are the only texts without digits that read as values;
    // a short single word may be one in the sheet's language.
    size_t e = text.find_last_not_of(u' ');
    std::u16string_view word = text.substr(0, e + 1);
    return word.size() > 6 || word.find_first_of(u" \t\u3000") != std::u16string_view::npos;
  }
  for (size_t i = 0; i < text.size();) {
    if (!IsLatinLetter(text[i])) {
      ++i;
      continue;
    }
    size_t j = i;
    while (j < text.size() && IsLatinLetter(text[j])) ++j;
    if (j - i >= 2 && !IsNumberWord(Upper(text.substr(i, j - i)))) return true;
    i = j;
  }
  return false;
}

int ColumnWidthCharacters(int pixels) {
  if (pixels <= 0) return 0;
  return (pixels + 7) / 8;
}

std::string NumberCellText(double value) {
  if (!std::isfinite(value)) return {};
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, "%.15G", value);
  std::string text = buffer;
  if (text.find("E+") != std::string::npos) {
    std::snprintf(buffer, sizeof buffer, "%f", value);
    text = buffer;
    auto point = text.find('.');
    if (point != std::string::npos &&
        text.find_first_not_of('0', point + 1) == std::string::npos)
      text.erase(point);
  }
  return text;
}

double SerialFromDate(int year, int month, int day, int hour, int minute, int second,
                      int nullYear, int nullMonth, int nullDay) {
  int64_t days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
                 DaysFromCivil(nullYear, static_cast<unsigned>(nullMonth),
                               static_cast<unsigned>(nullDay));
  return static_cast<double>(days) + (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

std::string DateCellText(double serial, int nullYear, int nullMonth, int nullDay) {
  if (!std::isfinite(serial) || std::fabs(serial) > 1e8) return {};
  // Whole seconds, rounded, so that 0.99999999 of a day is the next midnight.
  int64_t seconds = std::llround(serial * 86400.0);
  int64_t days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
  int64_t secondOfDay = seconds - days * 86400;
  int year, month, day;
  CivilFromDays(days + DaysFromCivil(nullYear, static_cast<unsigned>(nullMonth),
                                     static_cast<unsigned>(nullDay)),
                year, month, day);
  char buffer[64];
  if (secondOfDay == 0) {
    std::snprintf(buffer, sizeof buffer, "%d-%02d-%02d", year, month, day);
  } else {
    std::snprintf(buffer, sizeof buffer, "%d-%02d-%02d %02d:%02d:%02d", year, month, day,
                  static_cast<int>(secondOfDay / 3600), static_cast<int>(secondOfDay / 60 % 60),
                  static_cast<int>(secondOfDay % 60));
  }
  return buffer;
}
