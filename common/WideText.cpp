// Placeholder bodies; replaced by the real code.
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include "common/WideText.h"

std::u16string& TrimW(std::u16string& text) { return text; }
std::u16string& ReplaceAllW(std::u16string& text, std::u16string_view pattern, std::u16string_view replacement, bool unlessPresent) { return text; }
std::u16string& ReplaceAllAnsi(std::u16string& text, std::string_view pattern, std::string_view replacement, bool unlessPresent) { return text; }
std::u16string& ReplaceAllAnsiPattern(std::u16string& text, std::string_view pattern, std::u16string_view replacement, bool unlessPresent) { return text; }
std::u16string& RemoveAllW(std::u16string& text, std::u16string_view pattern) { return text; }
std::u16string& RemoveCharW(std::u16string& text, char16_t unit) { return text; }
std::u16string& ReplaceCharW(std::u16string& text, char16_t unit, char16_t newUnit) { return text; }
std::u16string& ReplaceControlCharsW(std::u16string& text, char16_t unit) { return text; }
std::u16string& LinesToBlanksW(std::u16string& text) { return text; }
std::u16string& AppendAnsiW(std::u16string& text, std::string_view ansi) { return text; }
size_t FindNoCaseW(std::u16string_view text, std::u16string_view pattern) { return std::string::npos; }
int WrapTextLines(std::u16string_view text, WrappedLines& lines, int width, int count) { return {}; }
std::u16string SpaceOutW(std::u16string_view text) { return {}; }
std::u16string& SanitizeNameW(std::u16string& text, size_t n) { return text; }
int MeasureDisplayWidthW(std::u16string_view text) { return {}; }
int WriteUtf16File(std::u16string_view text, const std::filesystem::path& path) { return {}; }
