#include "common/TextCodec.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <memory>

#include "common/Base64.h"
#include "common/GbkText.h"
#include "common/WideText.h"
#include "platform/CodePage.h"

namespace {

using platform::kCodePageGbk;
using platform::kCodePageUtf8;

constexpr char16_t kEuro = 0x20AC;
constexpr char16_t kGbkTableFirst = 0x00A4;
constexpr char16_t kGbkTableLast = 0xFFE5;
// Room of the working buffers of the narrow-field encoding.
constexpr size_t kEscapedRoom = 4095;
constexpr size_t kBase64Room = 4095;
constexpr size_t kFieldTextCopyRoom = 4095;
constexpr size_t kFieldTextCapacity = 4000;

inline unsigned char Byte(char c) { return static_cast<unsigned char>(c); }

// Narrow texts and UTF-16 texts end at their first NUL.
std::string_view UpToNul(std::string_view s) { return s.substr(0, s.find('\0')); }
std::u16string_view UpToNul(std::u16string_view s) { return s.substr(0, s.find(u'\0')); }

// ---- GBK pair table ----

// For every code unit its two-byte GBK code (lead << 8 | trail) or 0.  Built
// from the system's code page 936 converter, keeping only codes that read
// back as the same unit.
class GbkPairTable {
 public:
  GbkPairTable() : pairs_(new uint16_t[0x10000]()) {
    for (unsigned u = kGbkTableFirst; u <= kGbkTableLast; ++u) {
      if (u >= 0xD800 && u <= 0xDFFF) continue;
      const char16_t unit = static_cast<char16_t>(u);
      std::string bytes;
      if (!platform::EncodeCodePage(kCodePageGbk, std::u16string_view(&unit, 1), bytes, ""))
        continue;
      if (bytes.size() != 2 || Byte(bytes[0]) < 0x81 || bytes[1] == 0) continue;
      std::u16string back;
      if (!platform::DecodeCodePage(kCodePageGbk, bytes, back, true) || back.size() != 1 ||
          back[0] != unit)
        continue;
      pairs_[u] = static_cast<uint16_t>((Byte(bytes[0]) << 8) | Byte(bytes[1]));
    }
  }
  uint16_t operator[](char16_t unit) const { return pairs_[unit]; }

 private:
  std::unique_ptr<uint16_t[]> pairs_;
};

const GbkPairTable& PairTable() {
  static const GbkPairTable table;  // built once, on first use, thread-safe
  return table;
}

// ---- Escaped GBK ----

void AppendDecimalRef(std::string& out, char16_t unit) {
  out += "&#";
  out += std::to_string(static_cast<unsigned>(unit));
  out += ';';
}

size_t DecimalRefLength(char16_t unit) {
  unsigned v = unit;
  size_t digits = v >= 10000 ? 5 : v >= 1000 ? 4 : v >= 100 ? 3 : v >= 10 ? 2 : 1;
  return digits + 3;
}

// Algorithm of GbkFromWideEscaped; *consumed receives how many code units
// were written (the text is whole when it equals the length up to the NUL).
std::string EscapeToGbk(std::u16string_view text, size_t n, bool useGbk, size_t* consumed) {
  std::string out;
  size_t i = 0;
  for (; i < text.size() && text[i] != 0 && n >= 1; ++i) {
    const char16_t unit = text[i];
    if (unit < 0x80) {
      out.push_back(static_cast<char>(unit));
      n -= 1;
      continue;
    }
    if (useGbk) {
      if (n < 2) break;
      std::array<char, 2> pair;
      if (GbkPairOf(unit, pair) == 2 && pair[0] != 0 && pair[1] != 0) {
        out.append(pair.data(), 2);
        n -= 2;
        continue;
      }
    }
    if (n < 8) break;
    AppendDecimalRef(out, unit);
    n -= DecimalRefLength(unit);
  }
  if (consumed) *consumed = i;
  return out;
}

// ---- Reference decoding ----

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// The value of `digits` hex digits at s[pos], or -1.
long HexRun(std::u16string_view s, size_t pos, size_t digits) {
  if (pos + digits > s.size()) return -1;
  long v = 0;
  for (size_t k = 0; k < digits; ++k) {
    int d = HexDigit(s[pos + k]);
    if (d < 0) return -1;
    v = v * 16 + d;
  }
  return v;
}

bool IsDigitW(char16_t c) { return c >= u'0' && c <= u'9'; }

void DecodeNumericRefsOnly(std::u16string& text) {
  if (text.find(u"&#") == std::u16string::npos) return;
  const std::u16string_view s(text);
  std::u16string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    if (s[i] == u'&' && i + 2 < s.size() && s[i + 1] == u'#') {
      if (s[i + 2] == u'x') {
        long v = HexRun(s, i + 3, 2);
        if (v > 0 && i + 5 < s.size() && s[i + 5] == u';') {
          out.push_back(static_cast<char16_t>(v));
          i += 6;
          continue;
        }
        v = HexRun(s, i + 3, 4);
        if (v > 0 && i + 7 < s.size() && s[i + 7] == u';') {
          out.push_back(static_cast<char16_t>(v));
          i += 8;
          continue;
        }
      } else if (IsDigitW(s[i + 2])) {
        long v = 0;
        for (size_t k = i + 2; k < s.size() && IsDigitW(s[k]); ++k) {
          v = v * 10 + (s[k] - u'0');
          if (v > 0xFFFFF) break;  // out of range whatever follows
        }
        if (v >= 10 && v <= 0xFFFF) {
          size_t digits = v < 100 ? 2 : v < 1000 ? 3 : v < 10000 ? 4 : 5;
          size_t next = i + 2 + digits;
          if (next < s.size() && s[next] == u';') ++next;
          out.push_back(static_cast<char16_t>(v));
          i = next;
          continue;
        }
      }
    }
    out.push_back(s[i++]);
  }
  text = std::move(out);
}

// ---- Accent folding ----

struct FoldTable {
  static constexpr char16_t kFirst = 0x00C0;
  static constexpr char16_t kLast = 0x0261;
  char to[kLast - kFirst + 1];
  constexpr void Set(char16_t from, char16_t last, char c) {
    for (char16_t u = from; u <= last; ++u) to[u - kFirst] = c;
  }
  constexpr void Set(char16_t u, char c) { to[u - kFirst] = c; }
  constexpr FoldTable() : to() {
    Set(0x00C0, 0x00C6, 'A'); Set(0x0104, 'A');
    Set(0x00C7, 'C'); Set(0x0106, 'C');
    Set(0x00C8, 0x00CB, 'E'); Set(0x0118, 'E'); Set(0x0152, 'E');
    Set(0x00CC, 0x00CF, 'I');
    Set(0x00D0, 'D');
    Set(0x00D1, 'N'); Set(0x0143, 'N');
    Set(0x00D2, 0x00D6, 'O');
    Set(0x00D9, 0x00DC, 'U');
    Set(0x00DD, 'Y'); Set(0x0178, 'Y');
    Set(0x00DE, 'P');
    Set(0x00DF, 'B');
    Set(0x00E0, 0x00E6, 'a'); Set(0x0101, 'a'); Set(0x0105, 'a'); Set(0x01CE, 'a'); Set(0x0251, 'a');
    Set(0x00E7, 'c'); Set(0x0107, 'c');
    Set(0x00E8, 0x00EB, 'e'); Set(0x0113, 'e'); Set(0x0119, 'e'); Set(0x011B, 'e'); Set(0x0153, 'e');
    Set(0x00EC, 0x00EF, 'i'); Set(0x012B, 'i'); Set(0x01D0, 'i');
    Set(0x00F0, 'd');
    Set(0x00F1, 'n'); Set(0x0144, 'n'); Set(0x0148, 'n'); Set(0x01F9, 'n');
    Set(0x00F2, 0x00F6, 'o'); Set(0x00F8, 'o'); Set(0x014D, 'o'); Set(0x0151, 'o'); Set(0x01D2, 'o');
    Set(0x00F9, 0x00FC, 'u'); Set(0x016B, 'u'); Set(0x01D4, 'u'); Set(0x01D6, 'u');
    Set(0x01D8, 'u'); Set(0x01DA, 'u'); Set(0x01DC, 'u');
    Set(0x00FD, 'y'); Set(0x00FF, 'y');
    Set(0x00FE, 'p');
    Set(0x0141, 'L'); Set(0x0142, 'l');
    Set(0x015A, 'S'); Set(0x0160, 'S'); Set(0x015B, 's'); Set(0x0161, 's');
    Set(0x0179, 'Z'); Set(0x017B, 'Z'); Set(0x017C, 'z');
    Set(0x0192, 'f');
    Set(0x0261, 'g');
  }
};
constexpr FoldTable kFold;

// ---- Cutting ----

bool IsContinuation(char c) { return Utf8LeadLength(Byte(c)) == 1; }

// The GBK walk of GbkTruncate: a lead byte counts 2, a reference its length.
void TruncateAsGbk(std::string& text, size_t n) {
  size_t i = 0;
  while (i < text.size()) {
    size_t len = 1;
    if (IsGbkLead(text[i])) {
      len = 2;
    } else if (text[i] == '&') {
      // A reference is at most 10 bytes long, so a short window decides.
      int ref = MeasureEntity(std::string_view(text).substr(i, 10));
      if (ref > 0) len = static_cast<size_t>(ref);
    }
    if (i + len > n) {
      text.resize(i);
      return;
    }
    i += len;
    if (i == n) break;
  }
  if (i < text.size()) text.resize(i);
}

}  // namespace

// ---- Plain conversions ----

std::string GbkFromWide(std::u16string_view text) {
  std::string out;
  platform::EncodeCodePage(kCodePageGbk, text, out, "?");
  return out;
}

std::u16string WideFromGbk(std::string_view text) {
  return platform::DecodeCodePage(kCodePageGbk, text);
}

std::u16string WideFromNarrow(std::string_view text, unsigned codePage) {
  return platform::DecodeCodePage(codePage, text);
}

std::string Utf8FromWide(std::u16string_view text) {
  std::string out;
  platform::EncodeCodePage(kCodePageUtf8, text, out, "\xEF\xBF\xBD");
  return out;
}

std::string Utf8FromWide(std::u16string_view text, size_t capacity) {
  std::string out = Utf8FromWide(text);
  const size_t room = capacity > 0 ? capacity - 1 : 0;
  if (out.size() > room) {
    size_t end = room;
    while (end > 0 && IsContinuation(out[end])) --end;
    out.resize(end);
  }
  return out;
}

bool GbkFromUtf8InPlace(std::string& text, bool fold, bool onlyIfDeclared) {
  if (onlyIfDeclared && GbkFindNoCase(text, "harset=utf-") == std::string::npos) return true;
  std::u16string wide;
  if (!platform::DecodeCodePage(kCodePageUtf8, text, wide)) return false;
  if (fold) FoldAccentsW(wide);
  std::string gbk;
  if (!platform::EncodeCodePage(kCodePageGbk, wide, gbk, "?")) return false;
  text = std::move(gbk);
  return true;
}

std::u16string& FoldAccentsW(std::u16string& text) {
  for (auto& c : text)
    if (c >= FoldTable::kFirst && c <= FoldTable::kLast && kFold.to[c - FoldTable::kFirst])
      c = static_cast<char16_t>(kFold.to[c - FoldTable::kFirst]);
  return text;
}

int GbkPairOf(char16_t unit, std::array<char, 2>& out) {
  out = {0, 0};
  if (unit < 0x80) {
    out[0] = static_cast<char>(unit);
    return 1;
  }
  if (unit == kEuro) {
    out[0] = static_cast<char>(0x80);
    return 1;
  }
  if (unit >= kGbkTableFirst && unit <= kGbkTableLast) {
    uint16_t pair = PairTable()[unit];
    if (pair != 0) {
      out[0] = static_cast<char>(pair >> 8);
      out[1] = static_cast<char>(pair & 0xFF);
      return 2;
    }
  }
  out[0] = '?';
  return 1;
}

// ---- Narrow-field encoding ----

std::string GbkFromWideEscaped(std::u16string_view text, size_t n, bool useGbk) {
  return EscapeToGbk(text, n, useGbk, nullptr);
}

std::string FieldTextFromWide(std::u16string_view text, size_t n, bool* tooLong) {
  if (tooLong) *tooLong = false;
  text = UpToNul(text);
  if (text.empty()) return {};
  size_t consumed = 0;
  std::string gbk = EscapeToGbk(text, kEscapedRoom, true, &consumed);
  // Only a whole text counts: a form cut short by the working room is not it.
  if (consumed == text.size() && gbk.size() <= n) return gbk;

  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  std::string base64;
  if (Base64Encode(bytes.data(), bytes.size(), base64, kBase64Room) == 0 && n >= 3 &&
      base64.size() <= n - 3)
    return "?B?" + base64;
  if (tooLong) *tooLong = true;
  return {};
}

bool FieldTextTooLong(std::u16string_view text, size_t n) {
  bool tooLong = false;
  FieldTextFromWide(text, n, &tooLong);
  return tooLong;
}

std::string NarrowFieldFromWide(std::u16string_view text, size_t n, bool doubleQuotes) {
  std::u16string trimmed(UpToNul(text));
  TrimW(trimmed);
  std::string out = EscapeToGbk(trimmed, 2 * trimmed.size() + 1025, true, nullptr);
  // The text is known to be GBK here, so it is cut by the GBK walk alone.
  if (out.size() > n) TruncateAsGbk(out, n);
  if (doubleQuotes) GbkReplaceAll(out, "'", "''");
  return out;
}

std::u16string WideFromFieldText(std::string_view text, size_t capacity, unsigned codePage) {
  text = UpToNul(text);
  if (text.empty()) return {};
  const size_t room = capacity > 0 ? capacity - 1 : 0;
  if (text[0] == 7 || text[0] == 6) {
    std::string bytes(text.substr(1));
    if (Base64Decode(bytes) <= 0) return {};
    std::u16string wide;
    if (!platform::DecodeCodePage(kCodePageUtf8, UpToNul(bytes), wide)) return {};
    if (wide.size() > room) return {};
    return wide;
  }
  if (IsBase64FieldText(text)) {
    std::string bytes(text.substr(3));
    if (Base64Decode(bytes) <= 0) return {};
    if (bytes.size() % 2) bytes.push_back('\0');  // an odd last byte is a unit's low byte
    std::u16string wide;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
      char16_t unit = static_cast<char16_t>(Byte(bytes[i]) | (Byte(bytes[i + 1]) << 8));
      if (unit == 0) break;
      wide.push_back(unit);
    }
    if (wide.size() > room) return {};
    return wide;
  }
  return WideFromCodePage(text, capacity, codePage);
}

std::u16string StringFromFieldText(std::string_view text) {
  text = UpToNul(text);
  if (text.empty()) return {};
  return WideFromFieldText(text.substr(0, std::min(text.size(), kFieldTextCopyRoom)),
                           kFieldTextCapacity, kCodePageGbk);
}

std::u16string WideFromEncodedField(std::string_view text, size_t capacity) {
  text = UpToNul(text);
  if (IsBase64FieldText(text)) return WideFromFieldText(text, capacity, kCodePageGbk);
  if (text.empty() || text[0] != 'x') return {};
  const std::string_view hex = text.substr(1);
  if (hex.size() % 4 != 0 || hex.size() / 4 >= capacity) return {};
  auto upperHex = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::u16string out;
  out.reserve(hex.size() / 4);
  for (size_t i = 0; i < hex.size(); i += 4) {
    int d[4];
    for (int k = 0; k < 4; ++k)
      if ((d[k] = upperHex(hex[i + k])) < 0) return {};
    out.push_back(static_cast<char16_t>((d[0] * 16 + d[1]) | ((d[2] * 16 + d[3]) << 8)));
  }
  return std::u16string(UpToNul(out));
}

std::u16string WideFromCodePage(std::string_view text, size_t capacity, unsigned codePage) {
  text = UpToNul(text);
  if (text.empty()) return {};
  std::u16string wide;
  if (!platform::DecodeCodePage(codePage, text, wide)) return {};
  wide = std::u16string(UpToNul(wide));
  if (wide.size() + 1 > capacity) return {};
  DecodeNumericRefsOnly(wide);
  DecodeNamedEntitiesW(wide);
  return wide;
}

std::u16string& DecodeNumericRefsW(std::u16string& text) {
  DecodeNumericRefsOnly(text);
  return DecodeNamedEntitiesW(text);
}

std::u16string& DecodeNamedEntitiesW(std::u16string& text) {
  // Every name starts with "&" except "ordm;"; no row can match otherwise.
  if (text.find(u'&') == std::u16string::npos && text.find(u"ordm;") == std::u16string::npos)
    return text;
  for (const EntityRow& row : EntityTable()) {
    std::u16string name(row.name, row.name + std::char_traits<char>::length(row.name));
    if (text.find(name) == std::u16string::npos) continue;
    ReplaceAllW(text, name, std::u16string(1, row.value));
  }
  return text;
}

int MeasureEntity(std::string_view s) {
  if (s.empty() || s[0] != '&') return -1;
  const size_t semi = s.find(';');
  if (semi == std::string_view::npos) return -2;
  const size_t len = semi + 1;
  if (len <= 3 || len > 10) return 0;
  if (s[1] != '#') {
    for (const EntityRow& row : EntityTable()) {
      std::string_view name(row.name);
      if (name.size() >= len && name.substr(0, len) == s.substr(0, len))
        return static_cast<int>(len);
    }
    return 0;
  }
  if (len > 8) return 0;
  if (s[2] == 'x') {
    for (size_t k = 3; k < semi; ++k)
      if (!std::isxdigit(Byte(s[k]))) return 0;
  } else {
    for (size_t k = 2; k < semi; ++k)
      if (s[k] < '0' || s[k] > '9') return 0;
  }
  return static_cast<int>(len);
}

std::string& GbkTruncate(std::string& text, size_t n) {
  if (text.size() <= n) return text;
  if (IsUtf8Text(text, false)) {
    size_t end = n;
    while (end > 0 && IsContinuation(text[end])) --end;
    text.resize(end);
    return text;
  }
  TruncateAsGbk(text, n);
  return text;
}

int Utf8LeadLength(unsigned char byte) {
  int n = 0;
  while (n < 8 && (byte & (0x80 >> n))) ++n;
  return n;
}

bool IsUtf8Text(std::string_view text, bool strict) {
  const size_t size = text.size();
  if (size <= 1) return false;
  auto hi = [&](size_t i) { return Byte(text[i]) >= 0x80; };
  if (!strict) {
    if (size == 2 && hi(0) && hi(1)) return false;
    if (size == 4 && hi(0) && hi(1) && hi(2) && hi(3)) return false;
  }
  size_t i = 0;
  if (size >= 4 && Byte(text[0]) == 0xEF && Byte(text[1]) == 0xBB && Byte(text[2]) == 0xBF) i = 3;
  auto cont = [&](size_t k) { return Byte(text[k]) >= 0x80 && Byte(text[k]) <= 0xBF; };
  bool multi = false;
  while (i < size) {
    const unsigned char b = Byte(text[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    const int len = Utf8LeadLength(b);
    if (len < 2 || len > 4 || (strict && len != 3)) return false;
    if (i + static_cast<size_t>(len) > size) return false;
    const unsigned char b1 = Byte(text[i + 1]);
    switch (len) {
      case 2:
        if (b < 0xC2 || b > 0xDF || !cont(i + 1)) return false;
        break;
      case 3:
        if (!cont(i + 1) || !cont(i + 2)) return false;
        if (b == 0xE0 && b1 <= 0x9F) return false;
        if (b == 0xED && b1 >= 0xA0) return false;
        if (b == 0xEF && b1 == 0xBF && (Byte(text[i + 2]) == 0xBE || Byte(text[i + 2]) == 0xBF))
          return false;
        break;
      default:
        if (!cont(i + 1) || !cont(i + 2) || !cont(i + 3)) return false;
        if (b == 0xF0 && b1 <= 0x8F) return false;
        if (b > 0xF4 || (b == 0xF4 && b1 >= 0x90)) return false;
        break;
    }
    multi = true;
    i += static_cast<size_t>(len);
  }
  return multi;
}

bool IsBase64FieldText(std::string_view text) {
  if (text.size() % 4 != 3 || text.substr(0, 3) != "?B?") return false;
  for (char c : text.substr(3))
    if (c < '+' || c > 'z') return false;
  return true;
}
