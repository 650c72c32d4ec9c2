#pragma once
// Small narrow-text operations shared by several parts of the program:
// key-and-value lines of the settings files, splitting at a separator,
// dimensions and volumetric class letters, code masks, "|"-separated
// fixed-width records, pinyin initials, file-name helpers, display
// shortening, character tests, the 30-weight text hash and the splitting of
// multi-valued goods columns.  Narrow text is GBK; nothing here keeps state.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/GoodsRecord.h"

// ---- Settings lines ----

// The value of the line that starts with `key` (the key includes its "=",
// e.g. "HOST="): blanks and tabs after the key skipped; a value in single or
// double quotes runs to the closing quote (one not after a backslash); an
// unquoted value runs to the line end or to a comment set off by a tab or by
// two blanks before "#".  With `trim` the value is trimmed (GbkTrim).  Empty
// unless the value has minLen to maxLen bytes.
std::string GetKeyValue(std::string_view key, std::string_view text, size_t minLen,
                        size_t maxLen, bool trim);

// The integer written right after `key` at a line start (leading blanks
// skipped, sign allowed, 0 when no digits follow), or `defaultValue` when the
// key is missing.
int GetKeyInt(std::string_view key, std::string_view text, int defaultValue);

// ---- Splitting ----

// Splits at every `separator` (found on character boundaries, so a
// double-byte character is never cut).  With `trim`, blanks, tabs and line
// ends are removed at both ends of each part.  Parts of minLen to maxLen
// bytes are kept, in order.
std::vector<std::string> SplitToStringArray(std::string_view text, char separator,
                                            size_t minLen, size_t maxLen, bool trim);

// ---- Dimensions and volumetric classes ----

// "L*W*H" (three integers joined by "*", other text around allowed): true
// when all three are read and above 0.  The numbers read so far are stored.
bool ParseDimensions(std::string_view text, int& length, int& width, int& height);

// The first of the class letters D, T, E, S, W, X (in that order) that occurs
// in the text (upper case only), or 0.
char FindVolumeDivisorCode(std::string_view text);
// Cubic centimetres per gram of a class letter: D 5, E 8, S 7, T 3, W 12,
// X 10, anything else 6.
int VolumeDivisorFromCode(char code);

// True when the mask is empty, or code and mask have the same length and
// every position matches: "*" any byte, "#" a digit, "@" an ASCII letter,
// anything else itself.
bool MatchMask(std::string_view code, std::string_view mask);

// ---- Pipe records ----

// Appends one field: the text without "|", CR and LF, cut to `width` bytes
// (never splitting a character), with `pad` filled with blanks to exactly
// `width`, followed by "|".
void AppendPipeField(std::string& dest, std::string_view text, size_t width, bool pad);
// The same for UTF-16 text, converted with references for characters GBK
// lacks when `references` is set, else with "?" for them.
void AppendPipeFieldW(std::string& dest, std::u16string_view text, size_t width, bool pad,
                      bool references);

// ---- Names and file names ----

// The pinyin initials (a-z) of the common (level-1) GB2312 characters of the
// text, in order; other single bytes and double-byte characters outside
// GB2312 are skipped; a level-2 character or symbol ends the initials.
std::string MakePinyinInitials(std::string_view text);

// The text after the last "." when it has fewer than `room` bytes; else empty.
std::string GetFileExtension(std::string_view fileName, size_t room);

// / \ : * ? " > < | and + become "_", in place.
std::u16string& SanitizeFileName(std::u16string& name);

// Shortens a text too wide for `width` display columns (code units 1-127
// count 1, all others 2) to its first j - 5 units and "...", j being the
// unit that overflows.
std::u16string& EllipsizeText(std::u16string& text, int width);

// A copy with CR removed and LF turned into a blank; a non-empty copy is
// also written back into `buffer`.
std::u16string FlattenLines(std::u16string& buffer);

// Shows a GBK text in a message box with an OK button; returns its answer.
int MessageBoxGbk(std::string_view text);

// The GBK text as UTF-16 (WideFromGbk).
std::u16string WideBufferFromGbk(std::string_view text);

// ---- Character tests ----

// True when every byte is "0"-"9" (also for an empty text).
bool IsAllDigits(std::string_view text);
bool IsHexDigit(char c);
// Trims the text in place (TrimBlanksIdeo) and tests for a non-empty even
// number of hexadecimal digits.  False for an empty text.
bool IsHexText(std::string& text);
bool DWordArrayContains(uint32_t value, std::span<const uint32_t> values);

// Sum of code unit i times weight i over the first 30 code units, wrapping
// in 32 bits.  The weights are fixed: list row ids depend on them.
uint32_t HashText30(std::u16string_view text);

// ---- Goods columns ----

// The goods columns of one imported or keyed row.  Names, quantities and
// prices are always given; the others may be missing.
struct GoodsColumns {
  GoodsColumns() = default;
  GoodsColumns(std::string n, std::string q, std::string p)
      : names(std::move(n)), quantities(std::move(q)), prices(std::move(p)) {}

  std::string names;
  std::string quantities;
  std::string prices;
  std::optional<std::string> secondNames;
  std::optional<std::string> codesA;
  std::optional<std::string> codesB;
  std::optional<std::string> codesC;
  std::optional<std::string> customsValues;
  std::optional<std::string> customsRates;
  std::optional<std::string> units;
  std::optional<std::string> weights;
  std::optional<std::string> notes;
};

// Splits multi-valued goods columns ("a,b" with quantities "2,3" ...) into
// records appended to `out`; records equal in every text and in weight are
// merged.  False (nothing appended) when the columns do not fit together.
bool SplitGoodsColumns(GoodsColumns columns, std::vector<GoodsRecord>& out);
