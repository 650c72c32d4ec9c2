// Placeholder bodies; replaced by the real code.
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include "common/TextCodec.h"

std::string GbkFromWide(std::u16string_view text) { return {}; }
std::u16string WideFromGbk(std::string_view text) { return {}; }
std::u16string WideFromNarrow(std::string_view text, unsigned codePage) { return {}; }
std::string Utf8FromWide(std::u16string_view text) { return {}; }
std::string Utf8FromWide(std::u16string_view text, size_t capacity) { return {}; }
bool GbkFromUtf8InPlace(std::string& text, bool fold, bool onlyIfDeclared) { return {}; }
std::u16string& FoldAccentsW(std::u16string& text) { return text; }
int GbkPairOf(char16_t unit, std::array<char, 2>& out) { return {}; }
std::string GbkFromWideEscaped(std::u16string_view text, size_t n, bool useGbk) { return {}; }
std::string FieldTextFromWide(std::u16string_view text, size_t n, bool* tooLong) { return {}; }
bool FieldTextTooLong(std::u16string_view text, size_t n) { return {}; }
std::string NarrowFieldFromWide(std::u16string_view text, size_t n, bool doubleQuotes) { return {}; }
std::u16string WideFromFieldText(std::string_view text, size_t capacity, unsigned codePage) { return {}; }
std::u16string StringFromFieldText(std::string_view text) { return {}; }
std::u16string WideFromEncodedField(std::string_view text, size_t capacity) { return {}; }
std::u16string WideFromCodePage(std::string_view text, size_t capacity, unsigned codePage) { return {}; }
std::u16string& DecodeNumericRefsW(std::u16string& text) { return text; }
std::u16string& DecodeNamedEntitiesW(std::u16string& text) { return text; }
const std::array<EntityRow, kEntityRowCount>& EntityTable() { static const std::array<EntityRow,kEntityRowCount> t{}; return t; }
int MeasureEntity(std::string_view s) { return {}; }
std::string& GbkTruncate(std::string& text, size_t n) { return text; }
bool IsUtf8Text(std::string_view text, bool strict) { return {}; }
int Utf8LeadLength(unsigned char byte) { return {}; }
bool IsBase64FieldText(std::string_view text) { return {}; }
