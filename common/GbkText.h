#pragma once
// Search, replace, case and trim operations on GBK text.  Text is walked
// character by character: a byte of 0x80 or above is the lead byte of a
// two-byte character, so searches never match across a character's bytes and
// trims and cuts never split one.  Only ASCII letters have case.
//
// Positions are byte offsets; std::string::npos means "not found".

#include <cstddef>
#include <string>
#include <string_view>

inline bool IsGbkLead(char c) { return static_cast<unsigned char>(c) >= 0x80; }

// First occurrence.  A pattern that is exactly one double-byte character
// matches only on character boundaries; other patterns byte by byte.  An
// empty pattern gives 0.
size_t GbkFind(std::string_view text, std::string_view pattern);
// Case-insensitive search on character boundaries; npos for a pattern of 512
// bytes or more.  An empty pattern gives 0.
size_t GbkFindNoCase(std::string_view text, std::string_view pattern);
size_t GbkFindNoCaseAlt(std::string_view text, std::string_view pattern);
// First ASCII character `c` / letter / digit on a character boundary.
size_t GbkFindChar(std::string_view text, char c);
size_t GbkFindLetter(std::string_view text);
size_t GbkFindDigit(std::string_view text);
// Byte-by-byte searches for a character.
size_t FindLastChar(std::string_view text, char c);
// The n-th occurrence (n <= 1: the first); with `after` the position after it.
size_t FindNthChar(std::string_view text, char c, int n, bool after);

// "a"-"z" to upper case; double-byte characters untouched.
std::string& GbkUpper(std::string& text);
// Changes the case of the 33 Russian letters (GBK A7A1-A7C1 / A7D1-A7F1).
std::string& GbkCyrillicCase(std::string& text, bool toUpper);

// Case-insensitive order of narrow keys: only ASCII letters have case, a
// double-byte character compares whole.  `limit` bytes of the left side at
// most (npos: the whole texts); a prefix of the other compares less.
int GbkCompareNoCase(std::string_view a, std::string_view b, size_t limit = std::string_view::npos);
// Whether `text` begins with `prefix`, ASCII case ignored.
bool GbkStartsWithNoCase(std::string_view text, std::string_view prefix);

// Removes bytes 1-32 at both ends (never cutting a double-byte character).
std::string& GbkTrim(std::string& text);
// Removes trailing bytes 1-32.
std::string& GbkTrimRight(std::string& text);
// Removes TAB, LF, CR, blank and the ideographic blank A1 A1 at both ends.
std::string& TrimBlanksIdeo(std::string& text);
// Removes trailing bytes 1-32 and commas.
std::string& TrimTrailingCommas(std::string& text);

// Removes / replaces every occurrence of an ASCII character; with
// `skipDoubleByte` the bytes of double-byte characters never match.
std::string& GbkRemoveChar(std::string& text, char c, bool skipDoubleByte);
std::string& GbkReplaceChar(std::string& text, char c, char newChar, bool skipDoubleByte);

// Removes every occurrence of `pattern`; an empty pattern leaves the text.
std::string& GbkRemoveAll(std::string& text, std::string_view pattern);
// Replaces every occurrence (found with GbkFind, not overlapping, going on
// after the inserted replacement).  When the replacement is empty, or
// `unlessPresent` is set and the replacement already occurs in the text,
// every occurrence is removed instead.
std::string& GbkReplaceAll(std::string& text, std::string_view pattern,
                           std::string_view replacement, bool unlessPresent = false);

// The whole source when it has at most n bytes; otherwise at most n bytes,
// never ending on the lead byte of a character without its trail byte.
std::string GbkCopyN(std::string_view source, size_t n);
