#include "common/GbkText.h"

namespace {

constexpr size_t npos = std::string::npos;
constexpr size_t kMaxNoCasePattern = 512;

inline unsigned char Byte(char c) { return static_cast<unsigned char>(c); }
// Length of the character starting at i: 2 for a lead byte, else 1.
inline size_t CharLen(std::string_view s, size_t i) { return IsGbkLead(s[i]) ? 2 : 1; }
inline bool IsAsciiLower(char c) { return c >= 'a' && c <= 'z'; }
inline bool IsAsciiLetter(char c) { return IsAsciiLower(c) || (c >= 'A' && c <= 'Z'); }
inline char AsciiUpper(char c) { return IsAsciiLower(c) ? static_cast<char>(c - 'a' + 'A') : c; }
inline bool IsLowBlank(char c) { return Byte(c) >= 1 && Byte(c) <= 32; }

bool IsOneDoubleByteChar(std::string_view pattern) {
  return pattern.size() == 2 && IsGbkLead(pattern[0]);
}

// Trims with a blank predicate on single-byte characters and an optional
// two-byte blank; double-byte characters are never split.
template <class IsBlank>
std::string& TrimChars(std::string& text, bool left, bool right, IsBlank isBlank,
                       bool ideoBlank) {
  auto blankAt = [&](size_t i, size_t len) {
    if (len == 1) return isBlank(text[i]);
    return ideoBlank && i + 1 < text.size() && Byte(text[i]) == 0xA1 && Byte(text[i + 1]) == 0xA1;
  };
  size_t i = 0;
  if (left) {
    while (i < text.size()) {
      size_t len = CharLen(text, i);
      if (!blankAt(i, len)) break;
      i += len;
    }
    text.erase(0, i);
    i = 0;
  }
  if (right) {
    size_t keepEnd = 0;
    while (i < text.size()) {
      size_t len = CharLen(text, i);
      size_t end = i + len > text.size() ? text.size() : i + len;
      if (!blankAt(i, len)) keepEnd = end;
      i = end;
    }
    text.resize(keepEnd);
  }
  return text;
}

}  // namespace

size_t GbkFind(std::string_view text, std::string_view pattern) {
  if (pattern.empty()) return 0;
  if (!IsOneDoubleByteChar(pattern)) return text.find(pattern);
  for (size_t i = 0; i + 1 < text.size(); i += CharLen(text, i))
    if (text[i] == pattern[0] && text[i + 1] == pattern[1]) return i;
  return npos;
}

size_t GbkFindNoCase(std::string_view text, std::string_view pattern) {
  if (pattern.size() >= kMaxNoCasePattern) return npos;
  if (pattern.empty()) return 0;
  if (pattern.size() > text.size()) return npos;
  std::string upper(pattern);
  GbkUpper(upper);
  const size_t last = text.size() - upper.size();
  for (size_t i = 0; i <= last; i += CharLen(text, i)) {
    size_t j = 0;
    size_t k = i;
    while (j < upper.size()) {
      if (IsGbkLead(text[k])) {
        if (j + 1 >= upper.size() || text[k] != upper[j] || text[k + 1] != upper[j + 1]) break;
        j += 2;
        k += 2;
      } else {
        if (AsciiUpper(text[k]) != upper[j]) break;
        ++j;
        ++k;
      }
    }
    if (j >= upper.size()) return i;
  }
  return npos;
}

size_t GbkFindNoCaseAlt(std::string_view text, std::string_view pattern) {
  return GbkFindNoCase(text, pattern);
}

size_t GbkFindChar(std::string_view text, char c) {
  for (size_t i = 0; i < text.size(); i += CharLen(text, i))
    if (text[i] == c) return i;
  return npos;
}

size_t GbkFindLetter(std::string_view text) {
  for (size_t i = 0; i < text.size(); i += CharLen(text, i))
    if (IsAsciiLetter(text[i])) return i;
  return npos;
}

size_t GbkFindDigit(std::string_view text) {
  for (size_t i = 0; i < text.size(); i += CharLen(text, i))
    if (text[i] >= '0' && text[i] <= '9') return i;
  return npos;
}

size_t FindLastChar(std::string_view text, char c) { return text.rfind(c); }

size_t FindNthChar(std::string_view text, char c, int n, bool after) {
  size_t pos = npos;
  size_t from = 0;
  for (int k = 0; k < (n < 1 ? 1 : n); ++k) {
    pos = text.find(c, from);
    if (pos == npos) return npos;
    from = pos + 1;
  }
  return after ? pos + 1 : pos;
}

std::string& GbkUpper(std::string& text) {
  for (size_t i = 0; i < text.size(); i += CharLen(text, i)) text[i] = AsciiUpper(text[i]);
  return text;
}

std::string& GbkCyrillicCase(std::string& text, bool toUpper) {
  // А-Я are A7A1-A7C1 and а-я A7D1-A7F1, both in alphabetical order (Ё/ё at
  // A7A7/A7D7), so a letter's other case lies 0x30 away.  Only whole
  // characters are looked at, never a trail byte and the next lead byte.
  for (size_t i = 0; i + 1 < text.size(); i += CharLen(text, i)) {
    if (Byte(text[i]) != 0xA7) continue;
    unsigned char t = Byte(text[i + 1]);
    if (toUpper && t >= 0xD1 && t <= 0xF1) text[i + 1] = static_cast<char>(t - 0x30);
    if (!toUpper && t >= 0xA1 && t <= 0xC1) text[i + 1] = static_cast<char>(t + 0x30);
  }
  return text;
}

std::string& GbkTrim(std::string& text) { return TrimChars(text, true, true, IsLowBlank, false); }

std::string& GbkTrimRight(std::string& text) {
  return TrimChars(text, false, true, IsLowBlank, false);
}

std::string& TrimBlanksIdeo(std::string& text) {
  return TrimChars(
      text, true, true, [](char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; },
      true);
}

std::string& TrimTrailingCommas(std::string& text) {
  return TrimChars(
      text, false, true, [](char c) { return IsLowBlank(c) || c == ','; }, false);
}

std::string& GbkRemoveChar(std::string& text, char c, bool skipDoubleByte) {
  if (!skipDoubleByte) {
    std::erase(text, c);
    return text;
  }
  size_t out = 0;
  for (size_t i = 0; i < text.size();) {
    size_t len = i + CharLen(text, i) > text.size() ? 1 : CharLen(text, i);
    if (!(len == 1 && text[i] == c))
      for (size_t k = 0; k < len; ++k) text[out++] = text[i + k];
    i += len;
  }
  text.resize(out);
  return text;
}

std::string& GbkReplaceChar(std::string& text, char c, char newChar, bool skipDoubleByte) {
  const size_t step1 = 1;
  for (size_t i = 0; i < text.size(); i += skipDoubleByte ? CharLen(text, i) : step1) {
    if (text[i] != c) continue;
    if (newChar == '\0') {  // a NUL ends the text
      text.resize(i);
      break;
    }
    text[i] = newChar;
  }
  return text;
}

std::string& GbkRemoveAll(std::string& text, std::string_view pattern) {
  if (pattern.empty()) return text;
  if (IsOneDoubleByteChar(pattern)) {
    size_t out = 0;
    for (size_t i = 0; i < text.size();) {
      if (i + 1 < text.size() && text[i] == pattern[0] && text[i + 1] == pattern[1]) {
        i += 2;
        continue;
      }
      size_t len = i + CharLen(text, i) > text.size() ? 1 : CharLen(text, i);
      for (size_t k = 0; k < len; ++k) text[out++] = text[i + k];
      i += len;
    }
    text.resize(out);
    return text;
  }
  const std::string p(pattern);  // the pattern may lie inside the text
  for (size_t pos = text.find(p); pos != npos; pos = text.find(p, pos)) text.erase(pos, p.size());
  return text;
}

std::string& GbkReplaceAll(std::string& text, std::string_view pattern,
                           std::string_view replacement, bool unlessPresent) {
  if (pattern.empty()) return text;
  if (replacement.empty() || (unlessPresent && text.find(replacement) != npos))
    return GbkRemoveAll(text, pattern);
  std::string result;
  result.reserve(text.size());
  std::string_view rest(text);
  for (;;) {
    size_t pos = GbkFind(rest, pattern);
    if (pos == npos) break;
    result.append(rest.substr(0, pos));
    result.append(replacement);
    rest.remove_prefix(pos + pattern.size());
  }
  result.append(rest);
  text = std::move(result);
  return text;
}

std::string GbkCopyN(std::string_view source, size_t n) {
  if (source.size() <= n) return std::string(source);
  size_t end = 0;
  while (end < source.size()) {
    size_t len = CharLen(source, end);
    if (end + len > n) break;
    end += len;
  }
  return std::string(source.substr(0, end));
}

int GbkCompareNoCase(std::string_view a, std::string_view b, size_t limit) {
  if (limit != std::string_view::npos) {
    if (a.size() > limit) a = a.substr(0, limit);
    if (b.size() > limit) b = b.substr(0, limit);
  }
  size_t i = 0;
  while (i < a.size() && i < b.size()) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 0x80 || y >= 0x80) {
      // A double-byte character compares whole, its trail byte unfolded.
      if (x != y) return x < y ? -1 : 1;
      if (i + 1 < a.size() && i + 1 < b.size() && a[i + 1] != b[i + 1])
        return static_cast<unsigned char>(a[i + 1]) < static_cast<unsigned char>(b[i + 1]) ? -1 : 1;
      i += 2;
      continue;
    }
    x = Byte(AsciiUpper(static_cast<char>(x)));
    y = Byte(AsciiUpper(static_cast<char>(y)));
    if (x != y) return x < y ? -1 : 1;
    ++i;
  }
  if (i >= a.size() && i >= b.size()) return 0;
  return i >= a.size() ? -1 : 1;
}

bool GbkStartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && GbkCompareNoCase(text.substr(0, prefix.size()), prefix) == 0;
}
