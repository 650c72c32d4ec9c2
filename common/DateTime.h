#pragma once
// Dates and times as the program writes them: the date text "%d.%02d.%02d"
// (year, month, day) and the date-time text "%d.%02d.%02d %02d:%02d:%02d".
// The date "1900.01.01" stands for no date.  Free text typed by operators,
// read from sheets or sent by web servers is turned into these forms here.

#include <string>
#include <string_view>

// A calendar date of the local time zone.
struct CivilDate {
  int year = 1900;
  int month = 1;
  int day = 1;
};

// The six fields of a date and time.
struct DateTimeFields {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

inline constexpr std::u16string_view kNoDate = u"1900.01.01";
inline constexpr std::u16string_view kNoDateTime = u"1900.01.01 00:00:00";
// What a day's date is followed by to make the bounds of a query range.
inline constexpr std::string_view kDayStartSuffix = " 0:0:0.0";
inline constexpr std::string_view kDayEndSuffix = " 23:59:59.998";

bool IsLeapYear(int year);
// 28 to 31; 0 for a month outside 1-12.
int DaysInMonth(int year, int month);
// True for year 100-9999, month 1-12 and a day that exists in that month.
bool IsValidDate(int year, int month, int day);

// Today in the local time zone.
CivilDate LocalToday();

// "%d.%02d.%02d" and "%d.%02d.%02d %02d:%02d:%02d".
std::u16string FormatDateText(int year, int month, int day);
std::u16string FormatDateTimeText(int year, int month, int day, int hour, int minute,
                                  int second);

// The date typed into a query dialog: eight digits, or year, month and day
// in any separation; a two-digit year gets 2000 added; an unreadable month
// becomes 1 and an unreadable day 15.  "1900.01.01" for seven characters or
// fewer or a year above 3000.
std::u16string NormalizeDateInput(std::u16string_view text);

// The date typed into a record form (read in its GBK form): eight digits,
// or year (at the start), month and day; a month above 12 becomes 12, a day
// above 31 becomes 31, the day is held to the month.  "1900.01.01" for more
// than 30 bytes or a missing year, month or day.
std::u16string NormalizeDateText(std::u16string_view text);

// A date and time from free text; parts that are out of range fall back as
// documented in the source.  "1900.01.01" for fewer than 8 or more than 31
// characters, "1900.01.01 00:00:00" for a year outside 2000-9999.
std::u16string NormalizeDateTimeText(std::u16string_view text);
// The same, in place.
std::u16string& NormalizeDateTimeInput(std::u16string& text);

// Turns the text, in place, into the bound of a query range: the date-time
// text followed by ".0" (lower bound) or ".998" (upper bound; a second,
// minute and hour of 0 become 59, 59 and 23).  Digits only are read by
// position (yyyymmdd[hh[mm[ss]]]); any other text gives its numbers in order.
// An unreadable or invalid date and time leaves the text empty.
std::u16string& MakeQueryDateTimeBound(std::u16string& text, bool upper);

// Moves a query range to its next preset: today, this month to date, the
// whole previous month, and round again.
void CycleMonthRange(std::u16string& from, std::u16string& to);
void CycleMonthRange(std::u16string& from, std::u16string& to, const CivilDate& today);

// When the text starts with "2" to "9": the text cut to n characters (the
// text itself is cut too); otherwise an empty text and the text unchanged.
std::u16string CutDateText(std::u16string& text, size_t n);

// Cuts a date-time text before its time when the time is all zeros (the
// 11th character is a blank and every later one is "0" or ":").
std::u16string& DropZeroTime(std::u16string& text);

// The year of a date text starting with a year from 2000 to 9999 followed by
// a month 1-12; `month` gets "JAN".."DEC" and `day` the following number.
// -1 (both outputs empty) otherwise.
int SplitDateEnglishMonth(std::u16string_view text, std::u16string& day,
                          std::u16string& month);

// The free-form dates web servers send (cookie expiry): English, Romance,
// Russian and Chinese month names, weekday names, "st"/"nd"/"rd"/"th",
// two-digit years, "am"/"pm" and "下午".  True once day, month and year are
// valid; the time fields are filled as far as they can be read.
bool ParseHttpDate(std::string_view text, DateTimeFields& out);

// The month named in a GBK text: 1-12, a value above 12 for another
// character before "月", or -1.
int ParseMonthName(std::string_view text);

// Finds the first of the weekday words "Mon".."Sun" (any case).  Returns its
// position or npos; unless reportOnly, removes the word, the letters after it
// and the blanks and commas after those.
size_t RemoveWeekdayName(std::string& text, bool reportOnly);

// Removes the numeric references "&#" + digit 1-9 + ... + ";" (closed as the
// 6th, 7th or 8th character) in place.
std::string& RemoveNumericRefs(std::string& text);
