#pragma once
// Where text crosses between UTF-16 and narrow (GBK) form: the plain
// conversions, UTF-8 to GBK, accent folding, and the narrow-field encoding by
// which a UTF-16 text is kept in a narrow field of a fixed number of bytes:
//   1. GBK with "&#N;" references for characters without a GBK code,
//   2. "?B?" + Base64 of the UTF-16LE bytes,
//   3. (read only) a byte 7 or 6 + Base64 of the UTF-8 bytes,
//   4. (JSON side) "x" + groups of four upper-case hex digits, UTF-16LE.
//
// "capacity" is the room of the caller's output in its own units with the
// terminating NUL counted; "n" is a byte limit without it.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

// ---- Plain conversions ----

// GBK (code page 936), "?" for characters without a code.
std::string GbkFromWide(std::u16string_view text);
std::u16string WideFromGbk(std::string_view text);
// Any code page known to platform/CodePage.h (0 = ANSI = GBK).
std::u16string WideFromNarrow(std::string_view text, unsigned codePage);
// UTF-8; `capacity` counts bytes with the NUL: a longer result is cut after
// the last whole character that fits in capacity - 1 bytes.
std::string Utf8FromWide(std::u16string_view text);
std::string Utf8FromWide(std::u16string_view text, size_t capacity);

// Converts a UTF-8 text to GBK in place ("?" for characters without a code),
// folding accents first when `fold` is set.  With `onlyIfDeclared` the text is
// converted only when it holds "harset=utf-" (any case), else left alone.
// Returns false (text unchanged) when a conversion step fails.
bool GbkFromUtf8InPlace(std::string& text, bool fold, bool onlyIfDeclared);

// Folds accented Latin letters to plain ones in place.
std::u16string& FoldAccentsW(std::u16string& text);

// The GBK form of one code unit: 1 and one byte for ASCII and for the euro
// sign (0x80); 2 and the pair for a unit from U+00A4 to U+FFE5 that has a
// code page 936 pair; otherwise 1 and "?".
int GbkPairOf(char16_t unit, std::array<char, 2>& out);

// ---- Narrow-field encoding ----

// GBK with "&#N;" references, at most n bytes; a character that does not fit
// ends the text.  With useGbk clear every non-ASCII unit is a reference.
std::string GbkFromWideEscaped(std::u16string_view text, size_t n, bool useGbk);

// The narrow-field encoding into at most n bytes: the escaped GBK form when it
// fits, else "?B?" + Base64 of the UTF-16LE bytes when that fits, else empty.
// A non-empty text that fits neither gives an empty result and sets *tooLong;
// callers must treat that as "too long", never as an empty field.
std::string FieldTextFromWide(std::u16string_view text, size_t n, bool* tooLong = nullptr);
// True when `text` is non-empty and its narrow-field encoding into n bytes is
// empty (the text would be lost).
bool FieldTextTooLong(std::u16string_view text, size_t n);

// The text trimmed (TrimW), escaped as GBK, cut to n bytes (GbkTruncate) and,
// with `doubleQuotes`, every "'" doubled (the result may then have 2n bytes).
std::string NarrowFieldFromWide(std::u16string_view text, size_t n, bool doubleQuotes);

// Reads a narrow field back into UTF-16 (forms 3, 2, then the code page with
// reference decoding).  A result that needs more than capacity - 1 units
// gives an empty text.
std::u16string WideFromFieldText(std::string_view text, size_t capacity,
                                 unsigned codePage = 936);
// The same for texts of at most 4,095 bytes into at most 3,999 units.
std::u16string StringFromFieldText(std::string_view text);
// The JSON-side reading: the "?B?" form or the "x" + hex form; anything else
// gives an empty text (the caller then converts by its code page).
std::u16string WideFromEncodedField(std::string_view text, size_t capacity);
// Code-page conversion followed by numeric and named reference decoding.
std::u16string WideFromCodePage(std::string_view text, size_t capacity, unsigned codePage);

// Decodes "&#N;", "&#xHH;" and "&#xHHHH;" references in place, then the
// named entities.
std::u16string& DecodeNumericRefsW(std::u16string& text);
// Replaces every entity name of the entity table, row by row, by its value.
std::u16string& DecodeNamedEntitiesW(std::u16string& text);

struct EntityRow {
  const char* name;  // "&amp;" ...
  char16_t value;
};
inline constexpr size_t kEntityRowCount = 281;
// The entity table, in search order.
const std::array<EntityRow, kEntityRowCount>& EntityTable();

// Length of the character reference at the start of `s` ("&...;"); -1 when s
// does not start with "&", -2 when no ";" follows, 0 when it is not one.
int MeasureEntity(std::string_view s);

// Cuts the text to at most n bytes in place without splitting a GBK
// character, a reference or a UTF-8 sequence.
std::string& GbkTruncate(std::string& text, size_t n);

// True for valid UTF-8 holding at least one multi-byte sequence.  The
// non-strict test takes very short all-high texts as GBK.
bool IsUtf8Text(std::string_view text, bool strict);
// The number of leading one bits of the byte (0 to 8).
int Utf8LeadLength(unsigned char byte);
// True for the "?B?" form: length 3 modulo 4, "?B?" first, then only bytes
// from "+" to "z".
bool IsBase64FieldText(std::string_view text);
