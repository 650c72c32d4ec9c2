#include "common/WideText.h"

#include <algorithm>
#include <fstream>

#include "platform/CodePage.h"

namespace {

constexpr size_t npos = std::u16string::npos;
constexpr size_t kMaxNoCasePattern = 512;
constexpr size_t kMaxWrapText = 255;
constexpr int kBlankLookBack = 7;

inline bool IsTrimBlank(char16_t c) { return c <= 0x20 || c == 0x3000; }
inline char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? c - u'a' + u'A' : c; }

std::u16string FromAnsi(std::string_view ansi) {
  return platform::DecodeCodePage(platform::kCodePageAnsi, ansi);
}

}  // namespace

std::u16string& TrimW(std::u16string& text) {
  size_t end = text.size();
  while (end > 0 && IsTrimBlank(text[end - 1])) --end;
  size_t begin = 0;
  while (begin < end && IsTrimBlank(text[begin])) ++begin;
  text.erase(end);
  text.erase(0, begin);
  return text;
}

std::u16string& RemoveAllW(std::u16string& text, std::u16string_view pattern) {
  if (pattern.empty()) return text;
  const std::u16string p(pattern);  // the pattern may lie inside the text
  for (size_t pos = text.find(p); pos != npos; pos = text.find(p, pos)) text.erase(pos, p.size());
  return text;
}

std::u16string& ReplaceAllW(std::u16string& text, std::u16string_view pattern,
                            std::u16string_view replacement, bool unlessPresent) {
  if (pattern.empty()) return text;
  if (replacement.empty() || (unlessPresent && text.find(replacement) != npos))
    return RemoveAllW(text, pattern);
  std::u16string result;
  result.reserve(text.size());
  std::u16string_view rest(text);
  for (size_t pos = rest.find(pattern); pos != npos; pos = rest.find(pattern)) {
    result.append(rest.substr(0, pos));
    result.append(replacement);
    rest.remove_prefix(pos + pattern.size());
  }
  result.append(rest);
  text = std::move(result);
  return text;
}

std::u16string& ReplaceAllAnsi(std::u16string& text, std::string_view pattern,
                               std::string_view replacement, bool unlessPresent) {
  const std::u16string widePattern = FromAnsi(pattern);
  if (replacement.empty()) return RemoveAllW(text, widePattern);
  return ReplaceAllW(text, widePattern, FromAnsi(replacement), unlessPresent);
}

std::u16string& ReplaceAllAnsiPattern(std::u16string& text, std::string_view pattern,
                                      std::u16string_view replacement, bool unlessPresent) {
  return ReplaceAllW(text, FromAnsi(pattern), replacement, unlessPresent);
}

std::u16string FillArgsW(std::u16string text, std::initializer_list<std::u16string_view> values) {
  int n = 1;
  for (std::u16string_view value : values) {
    std::u16string marker = u"%";
    for (char c : std::to_string(n++)) marker.push_back(static_cast<char16_t>(c));
    for (size_t at = text.find(marker); at != npos; at = text.find(marker, at + value.size()))
      text.replace(at, marker.size(), value);
  }
  return text;
}

std::u16string& RemoveCharW(std::u16string& text, char16_t unit) {
  std::erase(text, unit);
  return text;
}

std::u16string& ReplaceCharW(std::u16string& text, char16_t unit, char16_t newUnit) {
  std::replace(text.begin(), text.end(), unit, newUnit);
  return text;
}

std::u16string& ReplaceControlCharsW(std::u16string& text, char16_t unit) {
  for (auto& c : text)
    if (c == u'\t' || c == u'\n' || c == u'\r') c = unit;
  return text;
}

std::u16string& LinesToBlanksW(std::u16string& text) {
  std::erase(text, u'\r');
  std::replace(text.begin(), text.end(), u'\n', u' ');
  return text;
}

std::u16string& AppendAnsiW(std::u16string& text, std::string_view ansi) {
  text += FromAnsi(ansi);
  return text;
}

size_t FindNoCaseW(std::u16string_view text, std::u16string_view pattern) {
  if (pattern.size() >= kMaxNoCasePattern) return npos;
  if (pattern.empty()) return 0;
  if (pattern.size() > text.size()) return npos;
  std::u16string upper(pattern);
  for (auto& c : upper) c = AsciiUpper(c);
  for (size_t i = 0; i + upper.size() <= text.size(); ++i) {
    size_t j = 0;
    while (j < upper.size() && AsciiUpper(text[i + j]) == upper[j]) ++j;
    if (j == upper.size()) return i;
  }
  return npos;
}

int WrapTextLines(std::u16string_view text, WrappedLines& lines, int width, int count) {
  for (auto& line : lines) line.clear();
  count = std::min(count, kWrapSlots);
  width = std::clamp(width, 1, kWrapSlotWidth);
  text = text.substr(0, std::min(text.size(), kMaxWrapText));
  if (text.empty() || count <= 0) return 0;

  // Line mode: the text's own lines, the last slot taking the rest.
  int written = 0;
  bool fits = true;
  std::u16string_view rest = text;
  for (int k = 0; k < count; ++k) {
    size_t lf = k < count - 1 ? rest.find(u'\n') : npos;
    std::u16string piece(rest.substr(0, lf));
    LinesToBlanksW(piece);
    TrimW(piece);
    if (piece.size() > static_cast<size_t>(width)) {
      fits = false;
      break;
    }
    lines[written++] = std::move(piece);
    if (lf == npos) break;
    rest.remove_prefix(lf + 1);
  }
  if (fits) return written;

  // Wrap mode: the whole text as one line, cut at a blank near the end of
  // each piece or after exactly `width` units.
  for (auto& line : lines) line.clear();
  std::u16string flat(text);
  LinesToBlanksW(flat);
  const size_t w = static_cast<size_t>(width);
  written = 0;
  size_t pos = 0;
  while (written < count && pos < flat.size()) {
    size_t end;
    if (flat.size() - pos <= w) {
      end = flat.size();
    } else {
      end = pos + w;
      size_t blank = std::u16string_view(flat).substr(pos, w).rfind(u' ');
      if (blank != npos && blank > 0 && blank + kBlankLookBack >= w) end = pos + blank;
    }
    std::u16string line = flat.substr(pos, end - pos);
    lines[written++] = std::move(TrimW(line));
    pos = end;
  }
  return written;
}

std::u16string SpaceOutW(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size() * 2);
  for (char16_t c : text) {
    out.push_back(c);
    out.push_back(u' ');
  }
  return out;
}

std::u16string& SanitizeNameW(std::u16string& text, size_t n) {
  static constexpr std::u16string_view kBad = u"\"%&*/:<>?\\|";
  for (auto& c : text)
    if (kBad.find(c) != npos) c = u'_';
  if (text.size() > n) text.resize(n);
  return text;
}

int MeasureDisplayWidthW(std::u16string_view text) {
  int width = 0;
  for (char16_t c : text) width += c >= 0x100 ? 2 : 1;
  return width;
}

int WriteUtf16File(std::u16string_view text, const std::filesystem::path& path) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return 0;
  std::string bytes = "\xFF\xFE";
  bytes.reserve(2 + text.size() * 2);
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  return file ? 1 : 0;
}
