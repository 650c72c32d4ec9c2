#pragma once
// Cell addressing and the text forms of cell values used by the spreadsheet
// session.  Pure functions, no office suite needed.

#include <cstdint>
#include <string>
#include <string_view>

// "A1"-style address of (row, column), both counted from 1: columns 1 to 26
// one letter, 27 to 702 two letters, 703 to 18,278 three letters.  Empty for
// a row or column below 1 or a column above 18,278.
std::string ExcelCellAddress(int row, int column);

// Column number of a column name of 1 to 3 upper-case letters (A = 1,
// Z = 26, AA = 27, AAA = 703) or, for a text that begins with a digit 1 to 9,
// the value of its leading digits.  0 for a text longer than 3 characters
// (names) or any other text.
int ExcelColumnNumber(std::string_view text);

// True when a text written as a cell text needs the apostrophe in front so
// that the sheet keeps it as text: it begins with an apostrophe, an asterisk,
// a plus or minus sign, a slash, a digit or an equals sign.
bool NeedsTextApostrophe(std::u16string_view text);

// True when the sheet keeps the text, typed into a cell, as exactly this
// text: nothing in it can be read as a number, date, time, percentage,
// truth value, error value or formula.  A text passes when it is empty, or
// when it does not begin with a sign, an apostrophe, "=", "#", "@", "(",
// "*", "/", a blank or a digit and either has no digit at all (and is not a
// single word of up to 6 characters, which may be a truth word) or has a
// word of two or more Latin letters that no number, date or time can hold
// (not an English month or day name, AM/PM, a truth word, "INF" or "NAN").
// Digits include full-width and Chinese numerals.  Texts that fail may still
// be plain text; the sheet reads them as typed then.
bool ReadsAsPlainText(std::u16string_view text);

// True when the sheet (or a spreadsheet opening the kept file) would take
// the text, typed into a cell, for a formula: it begins with "=" or "@", or
// with "+" or "-" followed by anything but a number (digits, ".", ",", "%",
// an exponent and blanks).
bool ReadsAsFormula(std::u16string_view text);

// Column width in characters for a width in pixels: pixels / 8 rounded up.
int ColumnWidthCharacters(int pixels);

// Text of a floating cell value as the automation conversion writes it (15
// significant digits, "1E+15" form for large and small magnitudes), with the
// "E+" form rewritten as "%f" and cut before the decimal point when all its
// decimals are zero.
std::string NumberCellText(double value);

// Date text of a serial date (days since the null date, fraction = time of
// day): "%d-%02d-%02d %02d:%02d:%02d", or "%d-%02d-%02d" at midnight.  The
// null date is given as year, month, day (the sheets' usual 1899-12-30).
std::string DateCellText(double serial, int nullYear = 1899, int nullMonth = 12,
                         int nullDay = 30);

// Serial date of a calendar date and time of day against a null date.
double SerialFromDate(int year, int month, int day, int hour, int minute, int second,
                      int nullYear = 1899, int nullMonth = 12, int nullDay = 30);
