// Placeholder bodies; replaced by the real code.
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include "common/GbkText.h"

size_t GbkFind(std::string_view text, std::string_view pattern) { return std::string::npos; }
size_t GbkFindNoCase(std::string_view text, std::string_view pattern) { return std::string::npos; }
size_t GbkFindNoCaseAlt(std::string_view text, std::string_view pattern) { return std::string::npos; }
size_t GbkFindChar(std::string_view text, char c) { return std::string::npos; }
size_t GbkFindLetter(std::string_view text) { return std::string::npos; }
size_t GbkFindDigit(std::string_view text) { return std::string::npos; }
size_t FindLastChar(std::string_view text, char c) { return std::string::npos; }
size_t FindNthChar(std::string_view text, char c, int n, bool after) { return std::string::npos; }
std::string& GbkUpper(std::string& text) { return text; }
std::string& GbkCyrillicCase(std::string& text, bool toUpper) { return text; }
std::string& GbkTrim(std::string& text) { return text; }
std::string& GbkTrimRight(std::string& text) { return text; }
std::string& TrimBlanksIdeo(std::string& text) { return text; }
std::string& TrimTrailingCommas(std::string& text) { return text; }
std::string& GbkRemoveChar(std::string& text, char c, bool skipDoubleByte) { return text; }
std::string& GbkReplaceChar(std::string& text, char c, char newChar, bool skipDoubleByte) { return text; }
std::string& GbkRemoveAll(std::string& text, std::string_view pattern) { return text; }
std::string& GbkReplaceAll(std::string& text, std::string_view pattern, std::string_view replacement, bool unlessPresent) { return text; }
std::string GbkCopyN(std::string_view source, size_t n) { return {}; }
