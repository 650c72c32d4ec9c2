#pragma once
// Field-length checks before a form saves, quoting of text put into SQL, the
// fixed rounding rules between user-interface numbers (kilograms, money) and
// record integers (grams, hundredths), batch ids, and amounts written in
// Chinese capital numerals.
//
// Field limits are byte counts of the narrow (GBK) form, both inclusive; a
// minimum of 0 allows an empty field.  Messages come from the language table:
// 20003 title, 20012 too short ("%1" caption, "%2" minimum), 20013 too long
// ("%1" caption, "%2" maximum), 20014 / 20015 the same for one import row
// ("%1" row, "%2" caption, "%3" limit).

#include <cstdint>
#include <string>
#include <string_view>

// ---- Field checks ----
//
// Each trims the caller's text (the only change it makes to it), converts it
// to its narrow form and, when that form's length lies within
// [minimum, maximum], stores it in `dest` and returns true.  Otherwise `dest`
// is left alone and false is returned after the message box (title 20003,
// error icon) or, for the import checks, after the message is appended to
// `errors`.
//
// A non-empty text whose narrow form comes out empty (it fits neither as GBK
// nor in the "?B?" form) always fails as too long; it is never saved as an
// empty field.

// `text` is trimmed of blanks, tabs, CR and LF.  With `references` the text
// becomes GBK with "&#N;" references (at most 1,024 bytes; a longer form
// fails as too long); without, accents are folded and characters that have
// no GBK code become "?".
bool CheckFieldLength(std::u16string& text, std::string& dest, int minimum, int maximum,
                      std::u16string_view caption, bool references);
// The same with `text` trimmed by TrimW (blanks, control characters, U+3000).
bool CheckTextLength(std::u16string& text, std::string& dest, int minimum, int maximum,
                     std::u16string_view caption, bool references);
// Narrow-field encoding (FieldTextFromWide, n = 4,000).
bool CheckFieldLengthEncoded(std::u16string& text, std::string& dest, int minimum,
                             int maximum, std::u16string_view caption);
bool CheckTextLengthEncoded(std::u16string& text, std::string& dest, int minimum,
                            int maximum, std::u16string_view caption);
// Import rows: folded GBK; appends "第 % 4d 行,[%s]短于 %d 字符。" or
// "第 % 4d 行,[%s]超过 %d 字符。" to `errors`.
bool CheckImportFieldLength(std::u16string& text, std::string& dest, int minimum,
                            int maximum, std::u16string_view caption,
                            std::u16string& errors, int row);
// Import rows with the narrow-field encoding; appends text 20014 / 20015.
bool CheckImportFieldLengthEncoded(std::u16string& text, std::string& dest, int minimum,
                                   int maximum, std::u16string_view caption,
                                   std::u16string& errors, int row);

// ---- SQL text ----

// The text trimmed (blanks, tabs, CR, LF) with every "'" doubled.
std::u16string QuoteSql(std::u16string_view text);
// Every "'" doubled; a first byte 7 (the Base64-of-UTF-8 field marker)
// becomes 6.
std::string QuoteSqlNarrow(std::string_view text);
// Appends "," (with `comma`), then "'", the text with every "'" doubled and
// "'"; calls chain into a list of SQL literals.  Returns `dest`.
std::string& AppendSqlQuoted(std::string& dest, std::string_view text, bool comma);
// A LIKE pattern of the trimmed text: "[" -> "[[]", "%" -> "[%]", "_" -> "[_]",
// "'" -> "''"; mode 0 puts "%" before, 1 after, 2 on both sides, other modes
// nothing.  A text that trims to empty gives an empty pattern.
std::u16string MakeSqlLikePattern(std::u16string_view text, int mode);

// ---- Numbers ----

// p = n * x; p + 0.1 when p >= 0.01, else p - 0.1; truncated toward zero
// (kilograms to grams with n = 1000, money to hundredths with n = 100).
// Results beyond the 32-bit range are held at its ends.
int32_t RoundScaled(double x, int n);
// The same with the threshold 0.0001 (bag weights).
int32_t RoundScaledFine(double x, int n);
// p = n * x rounded half away from zero (threshold 0.0001), held to the
// 32-bit range.
int32_t RoundScaledHalf(double x, int n);
// Rounds x at the thousandths digit to two decimals, half away from zero;
// stores the result back into x and returns it.
double RoundTo2Decimals(double& x);
double DivideToReal(int32_t a, int32_t b);
double DivideToReal64(int64_t a, int32_t b);

// True when every byte is a digit, "+", "-" or "." (an empty text too);
// false for a null text.
bool IsSignedNumberText(const char* text);
bool IsSignedNumberText(std::string_view text);
bool IsNumberText(const char* text);
bool IsNumberText(std::string_view text);

// Batch ids: a batch number "YYMMDD-NNN-N" packed into a positive 32-bit id;
// years from 22 on are folded into the third digit.
std::string BatchIdToText(int32_t id);
int32_t BatchTextToId(std::u16string_view text);

// The amount in Chinese capital numerals with units, e.g. 10.50 gives
// "壹拾圆伍角整"; empty for more than 12 digits and for negative amounts.
std::u16string FormatAmountInCapitals(double amount);
