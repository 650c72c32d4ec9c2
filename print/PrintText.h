#pragma once
// Small rules the three renderers share: the digit-text form of a value,
// the address lines of a long address, the tags of a sender or receiver
// block, upper case, and the copy count a print job really prints.

#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// "'" + text for a non-empty text of digits, '+', '-' and '.' (so the sheet
// keeps it as text), the text itself otherwise; both as UTF-16.
std::u16string DigitText(std::string_view gbk);

// GBK record text to UTF-16, up to its NUL.
std::u16string W(std::string_view gbk);
template <size_t N>
std::u16string W(const char (&field)[N]) {
  return W(std::string_view(field, strnlen(field, N)));
}
template <size_t N>
std::string_view F(const char (&field)[N]) {
  return std::string_view(field, strnlen(field, N));
}
// A receiver text decoded as a field text ("?B?" Base64, character references).
std::u16string Decoded(std::string_view gbk);
template <size_t N>
std::u16string Decoded(const char (&field)[N]) {
  return Decoded(std::string_view(field, strnlen(field, N)));
}

std::u16string Upper(std::u16string_view text);
std::u16string Trimmed(std::u16string_view text);
std::u16string Printf16(const char* format, ...);

// Splits a GBK address into three lines of at most `length` bytes: at the
// line feeds when it has any, else before the last blank within the first
// `length` bytes (a double-byte character is never cut), the third line
// taking what is left.  Each line loses HTML markup.
void SplitAddressLines(std::string_view gbk, std::string& line1, std::string& line2,
                       std::string& line3, size_t length = 30);
// The print values `name`1, `name`2 and `name`3: the address split into
// lines of 30 bytes.
void PutAddressLines(std::map<std::u16string, std::u16string>& values, std::u16string_view name,
                     std::string_view gbk);

// Copy counts.  A confirmed count of 101..199 is a forced count: the
// operator's number plus 100.  CopiesToPrint undoes the offset by
// subtracting 100 and keeps the count within 1..kMaxCopies.
inline constexpr int kForcedCopies = 100;
inline constexpr int kMaxCopies = 99;
inline bool IsForcedCopies(int count) { return count > kForcedCopies; }
int CopiesToPrint(int count);
