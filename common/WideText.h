#pragma once
// In-place operations on UTF-16 texts: trim, search, replace, reshape.  The
// code unit is the character; only the ASCII letters have case.

#include <array>
#include <cstddef>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>

// Removes every code unit up to U+0020 and U+3000 at both ends.
std::u16string& TrimW(std::u16string& text);

// Replaces every occurrence of `pattern`, left to right, not overlapping,
// going on after each inserted replacement.  When the replacement is empty,
// or `unlessPresent` is set and the replacement already occurs in the text,
// every occurrence is removed instead.  An empty pattern leaves the text alone.
std::u16string& ReplaceAllW(std::u16string& text, std::u16string_view pattern,
                            std::u16string_view replacement, bool unlessPresent = false);
// The same with pattern and replacement given in the ANSI code page (GBK).
std::u16string& ReplaceAllAnsi(std::u16string& text, std::string_view pattern,
                               std::string_view replacement, bool unlessPresent = false);
// The same with only the pattern given in the ANSI code page.
std::u16string& ReplaceAllAnsiPattern(std::u16string& text, std::string_view pattern,
                                      std::u16string_view replacement,
                                      bool unlessPresent = false);

// The text with "%1", "%2", ... replaced by the values in their order, each
// marker everywhere it stands (a value's own markers are filled by the
// values after it).
std::u16string FillArgsW(std::u16string text, std::initializer_list<std::u16string_view> values);

// Removes every occurrence; the search goes on where a removed one stood.
std::u16string& RemoveAllW(std::u16string& text, std::u16string_view pattern);
std::u16string& RemoveCharW(std::u16string& text, char16_t unit);
std::u16string& ReplaceCharW(std::u16string& text, char16_t unit, char16_t newUnit);
// TAB, LF and CR become `unit`.
std::u16string& ReplaceControlCharsW(std::u16string& text, char16_t unit);
// CR removed, LF turned into a blank.
std::u16string& LinesToBlanksW(std::u16string& text);
// Appends an ANSI (GBK) text.
std::u16string& AppendAnsiW(std::u16string& text, std::string_view ansi);

// Case-insensitive (ASCII letters) search; npos when not found or when the
// pattern has 512 code units or more.  An empty pattern matches at 0.
size_t FindNoCaseW(std::u16string_view text, std::u16string_view pattern);

// Up to four wrapped lines of at most 59 code units each.
inline constexpr int kWrapSlots = 4;
inline constexpr int kWrapSlotWidth = 59;
using WrappedLines = std::array<std::u16string, kWrapSlots>;

// Splits `text` (its first 255 code units) into at most `count` lines of at
// most `width` code units: at its own line feeds when every line fits, else
// by wrapping, preferring a blank within the last 7 units of a line.  `lines`
// is cleared first; returns the number of lines written.  Width is held to
// 59 and count to 4.
int WrapTextLines(std::u16string_view text, WrappedLines& lines, int width, int count);

// Every code unit followed by a blank.
std::u16string SpaceOutW(std::u16string_view text);

// Double quote, % & * / : < > ? backslash and | become "_", then the text is
// cut to n code units.
std::u16string& SanitizeNameW(std::u16string& text, size_t n);

// Code units from U+0100 up count 2, all others 1.
int MeasureDisplayWidthW(std::u16string_view text);

// Creates or empties the file and writes FF FE and the text as UTF-16LE.
// 1, or 0 when the file cannot be written.
int WriteUtf16File(std::u16string_view text, const std::filesystem::path& path);

template <class T>
constexpr T PassThrough(T value) {
  return value;
}
