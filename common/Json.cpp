#include "common/Json.h"

#include <locale.h>
#include <stdlib.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <cmath>
#include <limits>

#include "common/Base64.h"
#include "common/GbkText.h"
#include "common/TextCodec.h"
#include "platform/CodePage.h"

namespace {

constexpr char kHexUpper[] = "0123456789ABCDEF";

// The specials in their table order with their escapes.
struct Special {
  char c;
  std::string_view escape;
};
constexpr Special kSpecials[8] = {
    {'"', "\\u0022"},  {'\\', "\\u005C"}, {'/', "\\u002F"},  {'\b', "\\u0008"},
    {'\f', "\\u000C"}, {'\n', "\\u000A"}, {'\r', "\\u000D"}, {'\t', "\\u0009"},
};

bool IsSpecial(char c) {
  return c == '"' || c == '\\' || c == '/' || c == '\b' || c == '\f' || c == '\n' ||
         c == '\r' || c == '\t';
}

// A reply is NUL-terminated text: a NUL inside ends it.
std::string_view Cut(std::string_view text) {
  size_t nul = text.find('\0');
  return nul == std::string_view::npos ? text : text.substr(0, nul);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Value of `count` hex digits at text[pos], or -1.
int HexAt(std::string_view text, size_t pos, size_t count) {
  if (pos + count > text.size()) return -1;
  int value = 0;
  for (size_t i = 0; i < count; ++i) {
    int h = HexValue(text[pos + i]);
    if (h < 0) return -1;
    value = value * 16 + h;
  }
  return value;
}

// The first position at or after i (below n) that holds one of the
// characters Cs, or n.  (Runs between stops are short in replies: a plain
// loop beats block compares here.)
template <char... Cs>
inline __attribute__((always_inline)) size_t FindAny(const char* p, size_t i, size_t n) {
  for (; i < n; ++i)
    if (((p[i] == Cs) || ...)) return i;
  return n;
}

// FindJsonStringEnd, inlined into the object and list scans.
inline __attribute__((always_inline)) size_t StringEndFrom(std::string_view text, size_t pos) {
  const char* const p = text.data();
  const size_t n = text.size();
  for (size_t i = FindAny<'\0', '"'>(p, pos, n); i < n; i = FindAny<'\0', '"'>(p, i + 1, n)) {
    if (p[i] == '\0') return kJsonNone;
    if (i == pos || p[i - 1] != '\\') return i;
  }
  return kJsonNone;
}

bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The standard decimal integer conversion (leading blanks, sign, digits up
// to the first other character), held to the 64-bit range.
int64_t ParseInteger(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && IsCSpace(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  int64_t value = 0;
  constexpr int64_t kLimit = std::numeric_limits<int64_t>::max() / 10;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    if (value > kLimit) return negative ? std::numeric_limits<int64_t>::min()
                                        : std::numeric_limits<int64_t>::max();
    value = value * 10 + (s[i] - '0');
  }
  return negative ? -value : value;
}

int32_t ClampToInt32(int64_t v) {
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

// The closing quote of the string whose opening quote stands at `open`: the
// next double quote preceded by an even number of backslashes (so that a
// body ending in an escaped backslash closes), or kJsonNone.
size_t StringClose(std::string_view text, size_t open) {
  const char* const begin = text.data();
  size_t from = open + 1;
  while (from < text.size()) {
    // Most strings are short: look at a few bytes before calling memchr.
    size_t at = from;
    const size_t near = std::min(text.size(), from + 16);
    while (at < near && begin[at] != '"') ++at;
    if (at == near) {
      const void* q = std::memchr(begin + at, '"', text.size() - at);
      if (q == nullptr) return kJsonNone;
      at = static_cast<size_t>(static_cast<const char*>(q) - begin);
    }
    size_t backslashes = 0;
    while (at - backslashes > open + 1 && text[at - backslashes - 1] == '\\') ++backslashes;
    if (backslashes % 2 == 0) return at;
    from = at + 1;
  }
  return kJsonNone;
}

// The character before pos that is not a blank (nor "%20", which the
// readers take for a blank); NUL at the start of the text.
inline __attribute__((always_inline)) char PreviousNonBlank(std::string_view text, size_t pos) {
  while (pos > 0) {
    const char c = text[pos - 1];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      --pos;
    } else if (c == '0' && pos >= 3 && text.substr(pos - 3, 3) == "%20") {
      pos -= 3;
    } else {
      return c;
    }
  }
  return '\0';
}

// The characters the key scan looks at outside strings.
constexpr std::array<bool, 256> kKeyScanStops = [] {
  std::array<bool, 256> stops{};
  for (unsigned char c : std::string_view("\"{}[]")) stops[c] = true;
  return stops;
}();

// Which containers the scan stands in: one bit per level, set for an array.
// Levels beyond the first 256 count as objects.
class Nesting {
 public:
  void Open(bool array) {
    if (depth_ < kLevels) {
      const uint64_t bit = uint64_t{1} << (depth_ % 64);
      if (array)
        bits_[depth_ / 64] |= bit;
      else
        bits_[depth_ / 64] &= ~bit;
    }
    ++depth_;
  }
  void Close() {
    if (depth_ > 0) --depth_;
  }
  bool InArray() const {
    if (depth_ == 0 || depth_ > kLevels) return false;
    const size_t level = depth_ - 1;
    return (bits_[level / 64] >> (level % 64)) & 1;
  }

 private:
  static constexpr size_t kLevels = 256;
  uint64_t bits_[kLevels / 64] = {};
  size_t depth_ = 0;
};

// Walks the strings of `text` that stand where a key stands (in an object,
// at any depth, or outside every container: not in an array and not after a
// colon) in text order, calling visit(open, close) with the positions of
// their quotes; string values are skipped whole.  Stops when visit returns
// true or at a string left open (which ends the text for the search).
template <class Visit>
void ScanKeyStrings(std::string_view text, Visit&& visit) {
  const char* const p = text.data();
  const size_t n = text.size();
  Nesting nesting;
  size_t i = 0;
  while (i < n) {
    const char c = p[i];
    if (!kKeyScanStops[static_cast<unsigned char>(c)]) {
      ++i;
    } else if (c == '"') {
      const size_t close = StringClose(text, i);
      if (close == kJsonNone) return;
      if (visit(i, close, nesting)) return;
      i = close + 1;
    } else {
      if (c == '{' || c == '[')
        nesting.Open(c == '[');
      else
        nesting.Close();
      ++i;
    }
  }
}

// Whether the string whose opening quote is at `open` stands where a key
// stands (see ScanKeyStrings).
inline __attribute__((always_inline)) bool StandsAsKey(std::string_view text, size_t open, const Nesting& nesting) {
  return !nesting.InArray() && PreviousNonBlank(text, open) != ':';
}

// The position after a key string's closing quote and its blanks when a
// colon stands there, else kJsonNone.
inline __attribute__((always_inline)) size_t ColonAfter(std::string_view text, size_t close) {
  if (close + 1 < text.size() && text[close + 1] == ':') return close + 1;
  const size_t after = JsonSkipBlanks(text, close + 1);
  return after < text.size() && text[after] == ':' ? after : kJsonNone;
}

// The opening quote of the first string that stands where a key stands and
// whose body is the key; with `needColon`, the first such string that is
// followed (after blanks) by a colon.  String values (after a colon, or in an
// array) are skipped whole, so a value that reads like the quoted key is
// never taken for it.  kJsonNone when there is none.
size_t FindKeyString(std::string_view text, std::string_view key, bool needColon) {
  size_t found = kJsonNone;
  ScanKeyStrings(text, [&](size_t open, size_t close, const Nesting& nesting) {
    if (close - open - 1 != key.size() ||
        std::memcmp(text.data() + open + 1, key.data(), key.size()) != 0 ||
        !StandsAsKey(text, open, nesting))
      return false;
    if (needColon && ColonAfter(text, close) == kJsonNone) return false;
    found = open;
    return true;
  });
  return found;
}

std::string QuotedKey(std::string_view key) {
  std::string q;
  q.reserve(key.size() + 2);
  q += '"';
  q += key;
  q += '"';
  return q;
}

// The start of the value after a key string whose closing quote is at
// `close`, or kJsonNone when no colon follows it.
inline __attribute__((always_inline)) size_t ValueAfterKey(std::string_view text, size_t close) {
  const size_t colon = ColonAfter(text, close);
  if (colon == kJsonNone) return kJsonNone;
  if (colon + 1 < text.size()) {
    const char c = text[colon + 1];
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '%') return colon + 1;
  }
  return JsonSkipBlanks(text, colon + 1);
}

// Start of the value of the first occurrence of the quoted key as a key, or
// none when that occurrence is not followed by a colon.
size_t FindValue(std::string_view key, std::string_view text) {
  const size_t pos = FindKeyString(text, key, false);
  if (pos == kJsonNone) return kJsonNone;
  return ValueAfterKey(text, pos + key.size() + 1);
}

// Body of a string value at v: between the opening quote at v and the next
// double quote (no escape rule).
std::optional<std::string_view> PlainStringAt(std::string_view text, size_t v) {
  if (v == kJsonNone || v >= text.size() || text[v] != '"') return std::nullopt;
  size_t end = text.find('"', v + 1);
  if (end == std::string_view::npos) return std::nullopt;
  return text.substr(v + 1, end - v - 1);
}

// ---- Writing into the caller's buffer ----
//
// Each writer measures what it writes, grows the buffer once and fills the
// new room in place.

// Room for n more characters at the end of `out`; returns where it starts.
char* Grow(std::string& out, size_t n) {
  const size_t old = out.size();
  out.resize(old + n);
  return out.data() + old;
}

char* PutRaw(char* p, std::string_view s) {
  if (!s.empty()) std::memcpy(p, s.data(), s.size());
  return p + s.size();
}

// `"key":` (the key's size plus 3 characters).
char* PutKey(char* p, std::string_view key) {
  *p++ = '"';
  p = PutRaw(p, key);
  *p++ = '"';
  *p++ = ':';
  return p;
}

void WriteKey(std::string& out, std::string_view key) { PutKey(Grow(out, key.size() + 3), key); }

std::string& Finish(std::string& out, bool comma) {
  if (comma) out += ',';
  return out;
}

constexpr std::array<bool, 256> kSpecialByte = [] {
  std::array<bool, 256> table{};
  for (const Special& sp : kSpecials) table[static_cast<unsigned char>(sp.c)] = true;
  return table;
}();

// The characters a character of a string value is written as: itself, or
// the six-character escape of a special; with `dropLineBreaks` a CR is
// dropped and an LF written as a blank.
constexpr size_t EscapedWidth(unsigned c, bool dropLineBreaks) {
  if (c >= 0x80 || !kSpecialByte[c]) return 1;
  if (dropLineBreaks && (c == '\r' || c == '\n')) return c == '\n' ? 1 : 0;
  return 6;
}

// Writes the ASCII unit c (below 128) as EscapedWidth tells.
char* PutEscapedAscii(char* p, unsigned c, bool dropLineBreaks) {
  if (!kSpecialByte[c]) {
    *p++ = static_cast<char>(c);
  } else if (dropLineBreaks && c == '\r') {
  } else if (dropLineBreaks && c == '\n') {
    *p++ = ' ';
  } else {
    // Every special is below 0x30: "\u00" and two upper-case hex digits.
    p[0] = '\\';
    p[1] = 'u';
    p[2] = '0';
    p[3] = '0';
    p[4] = kHexUpper[c >> 4];
    p[5] = kHexUpper[c & 15];
    p += 6;
  }
  return p;
}

size_t EscapedSize(std::string_view text, bool dropLineBreaks) {
  size_t size = 0;
  for (char c : text) size += EscapedWidth(static_cast<unsigned char>(c), dropLineBreaks);
  return size;
}

char* PutEscaped(char* p, std::string_view text, bool dropLineBreaks) {
  for (char c : text) {
    const unsigned u = static_cast<unsigned char>(c);
    if (u >= 0x80)
      *p++ = c;
    else
      p = PutEscapedAscii(p, u, dropLineBreaks);
  }
  return p;
}

// Appends the text with every special escaped (bytes from 128 on as they
// are).
void AppendEscaped(std::string& out, std::string_view text, bool dropLineBreaks) {
  PutEscaped(Grow(out, EscapedSize(text, dropLineBreaks)), text, dropLineBreaks);
}

// The width of each byte in a plain narrow text (EscapedWidth), without and
// with dropLineBreaks; kNotPlain for a byte that needs the conversion (128 or
// above, or the "&" of a reference) and kTextEnd for the NUL that ends it.
constexpr uint8_t kNotPlain = 0x80;
constexpr uint8_t kTextEnd = 0x40;
struct PlainWidths {
  uint8_t width[2][256];
  constexpr PlainWidths() : width() {
    for (int drop = 0; drop < 2; ++drop)
      for (unsigned c = 0; c < 256; ++c)
        width[drop][c] = c == 0 ? kTextEnd
                         : c >= 0x80 || c == '&'
                             ? kNotPlain
                             : static_cast<uint8_t>(EscapedWidth(c, drop != 0));
  }
};
constexpr PlainWidths kPlainWidths;

// Whether a narrow text, cut at its first NUL, is written as itself with only
// its specials escaped: all ASCII and no "&" (no reference to decode).  Cuts
// `text` at the NUL and gives the size it is written in.
bool PlainEscapedSize(std::string_view& text, bool dropLineBreaks, size_t& size) {
  const uint8_t* widths = kPlainWidths.width[dropLineBreaks ? 1 : 0];
  size_t n = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const uint8_t w = widths[static_cast<unsigned char>(text[i])];
    if (w & (kNotPlain | kTextEnd)) {
      if (w & kNotPlain) return false;
      text = text.substr(0, i);
      break;
    }
    n += w;
  }
  size = n;
  return true;
}

bool IsGbkCodePage(unsigned codePage) {
  return codePage == platform::kCodePageGbk || codePage == platform::kCodePageAnsi;
}

// Neither the "?B?" form nor the "x" + hex form of an encoded field can start
// with any other character.
bool MayBeEncodedField(std::string_view text) {
  return !text.empty() && (text[0] == '?' || text[0] == 'x');
}

// Appends JsonEscapeNarrow's result to `out` (nothing when the code page is
// unknown).
void AppendEscapedNarrow(std::string& out, std::string_view text, unsigned codePage,
                         bool dropLineBreaks) {
  text = Cut(text);
  if (text.empty()) return;
  size_t size = 0;
  if (IsGbkCodePage(codePage) && !MayBeEncodedField(text) &&
      PlainEscapedSize(text, dropLineBreaks, size)) {
    PutEscaped(Grow(out, size), text, dropLineBreaks);
    return;
  }
  std::u16string wide = WideFromEncodedField(text, text.size() + 1);
  if (wide.empty() && IsGbkCodePage(codePage) && PlainEscapedSize(text, dropLineBreaks, size)) {
    // Plain ASCII without references reads and writes as itself.
    PutEscaped(Grow(out, size), text, dropLineBreaks);
    return;
  }
  if (wide.empty()) {
    if (codePage == 20932 && platform::IconvNameOfCodePage(20932) == nullptr) codePage = 51932;
    if (!platform::DecodeCodePage(codePage, text, wide, false)) return;
    DecodeNumericRefsW(wide);
  }
  size_t nul = wide.find(u'\0');
  if (nul != std::u16string::npos) wide.resize(nul);
  AppendEscaped(out, platform::EncodeCodePage(platform::kCodePageUtf8, wide), dropLineBreaks);
}

// Undoes the backslash escapes of a string body (see JsonDecodeNarrow).
std::string UnescapeBody(std::string_view body) {
  if (body.find('\\') == std::string_view::npos) return std::string(body);
  // Every escape is at least as long as what it stands for.
  std::string out(body.size(), '\0');
  char* p = out.data();
  for (size_t i = 0; i < body.size(); ++i) {
    char c = body[i];
    if (c != '\\' || i + 1 >= body.size()) {
      *p++ = c;
      continue;
    }
    char next = body[i + 1];
    switch (next) {
      case '"':
      case '/':
      case '\\':
      case '\'':
        *p++ = next;
        ++i;
        continue;
      case 'n': *p++ = '\n'; ++i; continue;
      case 'r': *p++ = '\r'; ++i; continue;
      case 't': *p++ = '\t'; ++i; continue;
      case 'a':
      case 'b':
      case 'f':
        *p++ = ' ';
        ++i;
        continue;
      case 'x': {
        int v = HexAt(body, i + 2, 2);
        if (v > 0) {
          *p++ = static_cast<char>(v);
          i += 3;
          continue;
        }
        break;
      }
      case 'u': {
        // Only ASCII is undone here; other units are left for JsonDecodeW.
        if (i + 6 <= body.size() && body[i + 2] == '0' && body[i + 3] == '0') {
          int v = HexAt(body, i + 4, 2);
          if (v > 0 && v < 0x80) {
            *p++ = static_cast<char>(v);
            i += 5;
            continue;
          }
        }
        break;
      }
      default:
        break;
    }
    // Any other escape stays as it stands, backslash and character.
    *p++ = c;
    *p++ = next;
    ++i;
  }
  out.resize(static_cast<size_t>(p - out.data()));
  return out;
}

// GbkFromWide by the pair table when every unit is ASCII or has a pair (the
// converter is stateless, so the text converts unit by unit); otherwise by
// the converter.
std::string GbkFromWideUnits(std::u16string_view wide) {
  std::string out(2 * wide.size(), '\0');
  char* p = out.data();
  for (char16_t u : wide) {
    if (u < 0x80) {
      *p++ = static_cast<char>(u);
      continue;
    }
    std::array<char, 2> pair;
    if (GbkPairOf(u, pair) != 2) return GbkFromWide(wide);
    *p++ = pair[0];
    *p++ = pair[1];
  }
  out.resize(static_cast<size_t>(p - out.data()));
  return out;
}

// GbkCopyN of a text the caller gives up.
std::string GbkCutN(std::string&& text, size_t n) {
  if (text.size() <= n) return std::move(text);
  return GbkCopyN(text, n);
}

}  // namespace

// ---- Small parts ----

size_t JsonSkipBlanks(std::string_view text, size_t pos) {
  while (pos < text.size()) {
    char c = text[pos];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++pos;
    } else if (c == '%' && text.substr(pos, 3) == "%20") {
      pos += 3;
    } else {
      break;
    }
  }
  return pos;
}

std::string_view GetJsonEscape(char c) {
  for (const Special& s : kSpecials)
    if (s.c == c) return s.escape;
  return {};
}

bool HasJsonSpecial(std::string_view text) {
  for (char c : text)
    if (IsSpecial(c)) return true;
  return false;
}

uint8_t JsonUnescapeSpecial(std::string_view at) {
  if (at.size() < 4 || at[0] != '\\' || at[1] != 'x') return 0;
  int v = HexAt(at, 2, 2);
  return v < 0 ? 0 : static_cast<uint8_t>(v);
}

size_t FindJsonStringEnd(std::string_view text, size_t pos) { return StringEndFrom(text, pos); }

size_t FindNumberStart(std::string_view text, size_t pos) {
  for (size_t i = pos; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\0') return kJsonNone;
    if ((c >= '0' && c <= '9') || c == '-') return i;
  }
  return kJsonNone;
}

std::string JsonEscapeNarrow(std::string_view text, unsigned codePage, bool dropLineBreaks) {
  std::string out;
  AppendEscapedNarrow(out, text, codePage, dropLineBreaks);
  return out;
}

std::u16string JsonDecodeW(std::string_view body, size_t n, unsigned codePage) {
  std::u16string out;
  size_t runStart = 0;
  auto flush = [&](size_t end) {
    if (end <= runStart) return;
    std::string_view run = body.substr(runStart, end - runStart);
    bool ascii = true;
    for (char c : run)
      if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
    if (ascii) {
      out.append(run.begin(), run.end());
    } else {
      std::u16string wide;
      platform::DecodeCodePage(codePage, run, wide, false);
      out += wide;
    }
  };
  size_t i = 0;
  while (i < body.size()) {
    if (body[i] == '\\' && i + 1 < body.size()) {
      if (body[i + 1] == 'u') {
        int v = HexAt(body, i + 2, 4);
        if (v > 0) {
          flush(i);
          out += static_cast<char16_t>(v);
          i += 6;
          runStart = i;
          continue;
        }
      } else if (body[i + 1] == 'x') {
        uint8_t b = JsonUnescapeSpecial(body.substr(i));
        if (b != 0) {
          flush(i);
          out += static_cast<char16_t>(b);
          i += 4;
          runStart = i;
          continue;
        }
      }
    }
    ++i;
  }
  flush(body.size());
  if (out.size() > n) {
    size_t keep = n;
    // Never end on the first half of a surrogate pair.
    if (keep > 0 && out[keep - 1] >= 0xD800 && out[keep - 1] <= 0xDBFF) --keep;
    out.resize(keep);
  }
  return out;
}

namespace {

// The GBK text of a body made of ASCII and "\uXXXX" escapes of units from
// 128 on that all have a GBK pair: such a body is left alone by the
// unescaping and is not UTF-8, so it reads unit by unit.  The plain ASCII
// part up to `from` is known.  False for any other body.
bool AsciiWithUnitEscapesToGbk(std::string_view body, size_t from, std::string& out) {
  out.assign(body.size(), '\0');
  char* p = out.data();
  std::memcpy(p, body.data(), from);
  p += from;
  for (size_t i = from; i < body.size();) {
    const unsigned char c = static_cast<unsigned char>(body[i]);
    if (c != '\\') {
      if (c == 0 || c >= 0x80) return false;
      *p++ = static_cast<char>(c);
      ++i;
      continue;
    }
    if (i + 1 >= body.size() || body[i + 1] != 'u') return false;
    const int unit = HexAt(body, i + 2, 4);
    std::array<char, 2> pair;
    if (unit < 0x80 || GbkPairOf(static_cast<char16_t>(unit), pair) != 2) return false;
    *p++ = pair[0];
    *p++ = pair[1];
    i += 6;
  }
  out.resize(static_cast<size_t>(p - out.data()));
  return true;
}

// The bytes that end the plain start of a string body.
constexpr std::array<bool, 256> kDecodeStops = [] {
  std::array<bool, 256> stops{};
  stops[0] = true;
  stops['\\'] = true;
  for (unsigned c = 0x80; c < 256; ++c) stops[c] = true;
  return stops;
}();

}  // namespace

std::string JsonDecodeNarrow(std::string_view body, size_t n, bool fieldMode) {
  // Plain ASCII without escapes (up to a NUL, which ends the text) reads as
  // itself.
  size_t stop = 0;
  while (stop < body.size() && !kDecodeStops[static_cast<unsigned char>(body[stop])]) ++stop;
  if (stop == body.size() || body[stop] == '\0')
    return std::string(body.substr(0, std::min(stop, n)));
  if (!fieldMode) {
    std::string gbk;
    if (AsciiWithUnitEscapesToGbk(body, stop, gbk)) return GbkCutN(std::move(gbk), n);
  }
  body = Cut(body);
  std::string text = UnescapeBody(body);
  if (IsUtf8Text(text, false)) {
    if (fieldMode)
      return FieldTextFromWide(platform::DecodeCodePage(platform::kCodePageUtf8, text), n);
    GbkFromUtf8InPlace(text, false, false);
    return GbkCutN(std::move(text), n);
  }
  if (text.find("\\u") != std::string::npos) {
    // Not UTF-8, so raw bytes beside the escapes are GBK.
    std::u16string wide = JsonDecodeW(text, std::numeric_limits<size_t>::max(),
                                      platform::kCodePageGbk);
    if (fieldMode) return FieldTextFromWide(wide, n);
    return GbkCutN(GbkFromWideUnits(wide), n);
  }
  return GbkCutN(std::move(text), n);
}

// ---- Writers ----

namespace {

// Writes "key":number (the number in quotes when asked) and the comma.
std::string& PutNumber(std::string& out, std::string_view key, std::string_view number,
                       bool comma, bool quote) {
  char* p = Grow(out, key.size() + 3 + number.size() + (quote ? 2 : 0) + (comma ? 1 : 0));
  p = PutKey(p, key);
  if (quote) *p++ = '"';
  p = PutRaw(p, number);
  if (quote) *p++ = '"';
  if (comma) *p = ',';
  return out;
}

template <class Integer>
std::string& PutInteger(std::string& out, std::string_view key, Integer value, bool comma,
                        bool quote) {
  char buf[24];
  const auto res = std::to_chars(buf, buf + sizeof buf, value);
  return PutNumber(out, key, std::string_view(buf, static_cast<size_t>(res.ptr - buf)), comma,
                   quote);
}

}  // namespace

std::string& JsonPutInt(std::string& out, std::string_view key, int32_t value, bool comma,
                        bool quote) {
  return PutInteger(out, key, value, comma, quote);
}

std::string& JsonPutUInt(std::string& out, std::string_view key, uint32_t value, bool comma,
                         bool quote) {
  return PutInteger(out, key, value, comma, quote);
}

namespace {

// The value with `precision` (1 to 6) digits after the point, exactly as
// std::to_chars writes it in fixed format (the exact binary value rounded,
// ties to even), for values below 2^53; false for others.
bool FixedDecimals(double value, int precision, char* buf, size_t& length) {
  static constexpr uint64_t kPowers[7] = {1, 10, 100, 1000, 10000, 100000, 1000000};
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  const bool negative = bits >> 63;
  const int biased = static_cast<int>((bits >> 52) & 0x7FF);
  uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
  int exponent = -1074;
  if (biased != 0) {
    mantissa |= uint64_t{1} << 52;
    exponent = biased - 1075;
  }
  if (exponent > 0) return false;
  // value * 10^precision = mantissa * 10^precision / 2^-exponent, below 2^73.
  const unsigned __int128 scaled = static_cast<unsigned __int128>(mantissa) * kPowers[precision];
  const int shift = -exponent;
  unsigned __int128 q = 0;
  if (shift == 0) {
    q = scaled;
  } else if (shift < 128) {
    q = scaled >> shift;
    const unsigned __int128 rest = scaled - (q << shift);
    const unsigned __int128 half = static_cast<unsigned __int128>(1) << (shift - 1);
    if (rest > half || (rest == half && (q & 1))) ++q;
  }  // else the value is far below one unit of the last digit: zero
  if (q >> 64) return false;
  const uint64_t units = static_cast<uint64_t>(q);
  char* p = buf;
  if (negative) *p++ = '-';
  p = std::to_chars(p, p + 24, units / kPowers[precision]).ptr;
  *p++ = '.';
  uint64_t fraction = units % kPowers[precision];
  for (int i = precision - 1; i >= 0; --i) {
    p[i] = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  length = static_cast<size_t>(p + precision - buf);
  return true;
}

}  // namespace

std::string& JsonPutDouble(std::string& out, std::string_view key, double value, int decimals,
                           bool comma, bool quote, bool trim) {
  if (!std::isfinite(value)) return PutNumber(out, key, "null", comma, false);
  int precision = decimals >= 1 && decimals <= 6 ? decimals : 6;
  char buf[400];
  size_t length = 0;
  if (!FixedDecimals(value, precision, buf, length)) {
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, precision);
    length = res.ec == std::errc() ? static_cast<size_t>(res.ptr - buf) : 0;
  }
  std::string_view number(buf, length);
  if (trim) {
    size_t point = number.find('.');
    if (point != std::string_view::npos) {
      while (number.size() > point + 2 && number.back() == '0') number.remove_suffix(1);
    }
  }
  return PutNumber(out, key, number, comma, quote);
}

std::string& JsonPutString(std::string& out, std::string_view key,
                           std::optional<std::string_view> text, bool comma, unsigned codePage,
                           bool dropLineBreaks) {
  if (!text) return PutNumber(out, key, "null", comma, false);
  std::string_view body = *text;
  size_t size = 0;
  if (IsGbkCodePage(codePage) && !MayBeEncodedField(body) &&
      PlainEscapedSize(body, dropLineBreaks, size)) {
    // The common case: plain ASCII, written straight into the buffer.
    char* p = Grow(out, key.size() + 5 + size + (comma ? 1 : 0));
    p = PutKey(p, key);
    *p++ = '"';
    p = PutEscaped(p, body, dropLineBreaks);
    *p++ = '"';
    if (comma) *p = ',';
    return out;
  }
  WriteKey(out, key);
  out += '"';
  AppendEscapedNarrow(out, body, codePage, dropLineBreaks);
  out += '"';
  return Finish(out, comma);
}

std::string& JsonPutWString(std::string& out, std::string_view key,
                            std::optional<std::u16string_view> text, bool comma,
                            bool dropLineBreaks) {
  if (!text) return PutNumber(out, key, "null", comma, false);
  std::u16string_view units = *text;
  size_t size = 0;
  for (size_t i = 0; i < units.size(); ++i) {
    const char16_t u = units[i];
    if (u == 0) {
      units = units.substr(0, i);
      break;
    }
    size += u >= 0x80 ? 6 : EscapedWidth(u, dropLineBreaks);
  }
  char* p = Grow(out, key.size() + 5 + size + (comma ? 1 : 0));
  p = PutKey(p, key);
  *p++ = '"';
  for (char16_t u : units) {
    if (u >= 0x80) {
      p[0] = '\\';
      p[1] = 'u';
      p[2] = kHexUpper[(u >> 12) & 15];
      p[3] = kHexUpper[(u >> 8) & 15];
      p[4] = kHexUpper[(u >> 4) & 15];
      p[5] = kHexUpper[u & 15];
      p += 6;
    } else {
      p = PutEscapedAscii(p, u, dropLineBreaks);
    }
  }
  *p++ = '"';
  if (comma) *p = ',';
  return out;
}

std::string& JsonPutHex(std::string& out, std::string_view key, std::string_view bytes,
                        bool comma) {
  char* p = Grow(out, key.size() + 5 + 2 * bytes.size() + (comma ? 1 : 0));
  p = PutKey(p, key);
  *p++ = '"';
  for (unsigned char b : bytes) {
    *p++ = kHexUpper[b >> 4];
    *p++ = kHexUpper[b & 15];
  }
  *p++ = '"';
  if (comma) *p = ',';
  return out;
}

std::string& JsonPutBase64(std::string& out, std::string_view key, std::string_view bytes,
                           bool comma) {
  WriteKey(out, key);
  out += '"';
  Base64Append(out, bytes);
  out += '"';
  return Finish(out, comma);
}

std::string& JsonPutUIntArray(std::string& out, std::string_view key,
                              std::span<const uint32_t> values, bool comma) {
  WriteKey(out, key);
  out += '[';
  for (size_t i = 0; i < values.size(); ++i) {
    char buf[12];
    char* p = buf;
    if (i > 0) *p++ = ',';
    p = std::to_chars(p, buf + sizeof buf, values[i]).ptr;
    out.append(buf, static_cast<size_t>(p - buf));
  }
  out += ']';
  return Finish(out, comma);
}

// ---- Readers ----
//
// Each reader is a search for the value (FindValue) followed by a reading of
// the value at the position found; JsonRowIndex finds the same positions
// from its index and reads them with the same functions.

namespace {

constexpr std::array<bool, 256> kBareValueEnds = [] {
  std::array<bool, 256> ends{};
  for (unsigned char c : std::string_view(" \t\r\n,]}")) ends[c] = true;
  return ends;
}();

// Where a bare value (number, true, false) ends.
size_t BareValueEnd(std::string_view text, size_t v) {
  size_t end = v;
  while (end < text.size() && !kBareValueEnds[static_cast<unsigned char>(text[end])]) ++end;
  return end;
}

// The length GbkCopyN keeps of `source` for n bytes.
size_t GbkCopyLength(std::string_view source, size_t n) {
  if (source.size() <= n) return source.size();
  size_t end = 0;
  while (end < source.size()) {
    const size_t len = static_cast<unsigned char>(source[end]) >= 0x80 ? 2 : 1;
    if (end + len > n) break;
    end += len;
  }
  return end;
}

// JsonGetString of the value at v of the (cut) text.
std::string StringAt(std::string_view text, size_t v, size_t n, bool fieldMode) {
  if (v == kJsonNone || v >= text.size()) return {};
  if (text[v] == '"') {
    if (v + 1 < text.size() && text[v + 1] == '"') return {};
    size_t end = FindJsonStringEnd(text, v + 1);
    if (end == kJsonNone) return {};
    return JsonDecodeNarrow(text.substr(v + 1, end - v - 1), n, fieldMode);
  }
  if (text.substr(v, 4) == "null") return {};
  return GbkCopyN(text.substr(v, BareValueEnd(text, v) - v), n);
}

// The body of the string value at v, as WStringAt reads it; none when
// there is no string value there.
std::optional<std::string_view> StringBodyAt(std::string_view text, size_t v) {
  if (v == kJsonNone || v + 1 >= text.size() || text[v] != '"') return std::nullopt;
  size_t end = FindJsonStringEnd(text, v + 1);
  if (end == kJsonNone) return std::nullopt;
  return text.substr(v + 1, end - v - 1);
}

std::u16string WStringAt(std::string_view text, size_t v, size_t n) {
  const std::optional<std::string_view> body = StringBodyAt(text, v);
  return body ? JsonDecodeW(*body, n) : std::u16string();
}

// The text the number readers convert: StringAt with 63 characters in field
// mode, read in place for a bare value.  False when it reads empty.
template <class Convert>
bool NumberTextAt(std::string_view text, size_t v, Convert&& convert) {
  if (v == kJsonNone || v >= text.size()) return false;
  if (text[v] != '"') {
    if (text.substr(v, 4) == "null") return false;
    std::string_view bare = text.substr(v, BareValueEnd(text, v) - v);
    bare = bare.substr(0, GbkCopyLength(bare, 63));
    if (bare.empty()) return false;
    convert(bare);
    return true;
  }
  const std::string s = StringAt(text, v, 63, true);
  if (s.empty()) return false;
  convert(std::string_view(s));
  return true;
}

// The value as the integer readers see it, none when it reads empty.
std::optional<int64_t> IntegerAt(std::string_view text, size_t v) {
  int64_t value = 0;
  if (!NumberTextAt(text, v, [&](std::string_view s) { value = ParseInteger(s); }))
    return std::nullopt;
  return value;
}

// The standard decimal floating conversion of a non-empty text.
double ParseDouble(std::string_view s, double def) {
  size_t i = 0;
  while (i < s.size() && IsCSpace(s[i])) ++i;
  if (i < s.size() && s[i] == '+') ++i;
  double value = 0.0;
  auto res = std::from_chars(s.data() + i, s.data() + s.size(), value);
  if (res.ec == std::errc::result_out_of_range) {
    // Too large a number keeps the default; too small a one reads as the C
    // library reads it (zero).
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    const std::string number(s.substr(i, static_cast<size_t>(res.ptr - (s.data() + i))));
    const double near = strtod_l(number.c_str(), nullptr, cLocale);
    return std::isinf(near) ? def : near;
  }
  if (res.ec != std::errc()) return 0.0;
  return value;
}

int32_t IntAt(std::string_view text, size_t v, int32_t def) {
  std::optional<int64_t> value = IntegerAt(text, v);
  return value ? ClampToInt32(*value) : def;
}

double DoubleAt(std::string_view text, size_t v, double def) {
  double value = def;
  NumberTextAt(text, v, [&](std::string_view s) { value = ParseDouble(s, def); });
  return value;
}

int BoolAt(std::string_view text, size_t v, int def) {
  std::string s = StringAt(text, v, 15, false);
  if (s.empty()) return def;
  return s[0] == '1' || s[0] == 'T' || s[0] == 't' ? 1 : 0;
}

uint8_t ByteAt(std::string_view text, size_t v, uint8_t def) {
  std::optional<int64_t> value = IntegerAt(text, v);
  if (!value || *value < 0 || *value > 255) return def;
  return static_cast<uint8_t>(*value);
}

int16_t ShortAt(std::string_view text, size_t v, int16_t def) {
  std::optional<int64_t> value = IntegerAt(text, v);
  if (!value || *value < -32768 || *value > 32767) return def;
  return static_cast<int16_t>(*value);
}

size_t HexAtValue(std::string_view text, size_t v, std::string& out, size_t capacity) {
  out.clear();
  std::optional<std::string_view> body = PlainStringAt(text, v);
  if (!body || body->size() % 2 != 0 || body->size() / 2 > capacity) return 0;
  std::string bytes;
  bytes.reserve(body->size() / 2);
  for (size_t i = 0; i < body->size(); i += 2) {
    int h = HexAt(*body, i, 2);
    if (h < 0) return 0;
    bytes += static_cast<char>(h);
  }
  out = std::move(bytes);
  return out.size();
}

int Base64AtValue(std::string_view text, size_t v, std::string& out, size_t capacity) {
  out.clear();
  std::optional<std::string_view> body = PlainStringAt(text, v);
  if (!body || body->size() % 4 != 0 || body->size() >= capacity) return 0;
  std::string copy(*body);
  for (char& c : copy)
    if (c == ' ') c = '+';
  int result = Base64Decode(copy);
  if (result > 0) out = std::move(copy);
  return result;
}

// JsonGetIntArray with the key's opening quote at k (kJsonNone when the key
// is missing).
int IntArrayAt(std::string_view text, size_t k, size_t keySize, std::vector<uint32_t>& values,
               int64_t minimum, int64_t maximum) {
  if (k == kJsonNone) return -1;
  size_t open = text.find('[', k);
  if (open == std::string_view::npos || open - k > keySize + 10) return -1;
  size_t close = text.find(']', open);
  if (close == std::string_view::npos) return -1;
  std::string_view inner = text.substr(open + 1, close - open - 1);
  size_t pos = 0;
  while (true) {
    size_t start = FindNumberStart(inner, pos);
    if (start == kJsonNone) break;
    int64_t v = ParseInteger(inner.substr(start));
    if (v >= minimum && v <= maximum) values.push_back(static_cast<uint32_t>(v));
    size_t next = inner.find(',', start);
    if (next == std::string_view::npos) break;
    pos = next + 1;
  }
  return static_cast<int>(values.size());
}

}  // namespace

std::string JsonGetString(std::string_view key, std::string_view text, size_t n,
                          bool fieldMode) {
  text = Cut(text);
  return StringAt(text, FindValue(key, text), n, fieldMode);
}

std::u16string JsonGetWString(std::string_view key, std::string_view text, size_t n) {
  text = Cut(text);
  return WStringAt(text, FindValue(key, text), n);
}

int32_t JsonGetInt(std::string_view key, std::string_view text, int32_t def) {
  text = Cut(text);
  return IntAt(text, FindValue(key, text), def);
}

double JsonGetDouble(std::string_view key, std::string_view text, double def) {
  text = Cut(text);
  return DoubleAt(text, FindValue(key, text), def);
}

int JsonGetBool(std::string_view key, std::string_view text, int def) {
  text = Cut(text);
  return BoolAt(text, FindValue(key, text), def);
}

uint8_t JsonGetByte(std::string_view key, std::string_view text, uint8_t def) {
  text = Cut(text);
  return ByteAt(text, FindValue(key, text), def);
}

int16_t JsonGetShort(std::string_view key, std::string_view text, int16_t def) {
  text = Cut(text);
  return ShortAt(text, FindValue(key, text), def);
}

size_t JsonGetHex(std::string_view key, std::string_view text, std::string& out,
                  size_t capacity) {
  text = Cut(text);
  return HexAtValue(text, FindValue(key, text), out, capacity);
}

int JsonGetBase64(std::string_view key, std::string_view text, std::string& out,
                  size_t capacity) {
  text = Cut(text);
  return Base64AtValue(text, FindValue(key, text), out, capacity);
}

size_t JsonFindKey(std::string_view key, std::string_view text) {
  return FindKeyString(Cut(text), key, true);
}

int JsonGetIntArray(std::string_view key, std::string_view text, std::vector<uint32_t>& values,
                    int64_t minimum, int64_t maximum) {
  text = Cut(text);
  return IntArrayAt(text, FindKeyString(text, key, true), key.size(), values, minimum, maximum);
}

// ---- Index of one object ----

namespace {

// A hash of a key's bytes for the index's table (keys are short).
uint64_t KeyHash(std::string_view key) {
  uint64_t h = key.size();
  for (char c : key) h = h * 31 + static_cast<unsigned char>(c);
  h *= 0x9E3779B97F4A7C15ull;
  return h ^ (h >> 29);
}

// The first seven bytes of a key and its length (up to 255) in one word:
// keys of different tags differ.
uint64_t KeyTag(const char* key, size_t size) {
  uint64_t tag = static_cast<uint64_t>(std::min<size_t>(size, 255)) << 56;
  const size_t head = std::min<size_t>(size, 7);
  for (size_t i = 0; i < head; ++i) tag |= uint64_t{static_cast<unsigned char>(key[i])} << (8 * i);
  return tag;
}

bool SameBytes(const char* a, const char* b, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) return false;
  return true;
}

}  // namespace

void JsonRowIndex::Reset(std::string_view object) {
  text_ = Cut(object);
  entries_.clear();
  tags_.clear();
  slots_.clear();
  ScanKeyStrings(text_, [&](size_t open, size_t close, const Nesting& nesting) {
    if (StandsAsKey(text_, open, nesting)) {
      entries_.push_back({open, close - open - 1, ValueAfterKey(text_, close), true});
      tags_.push_back(KeyTag(text_.data() + open + 1, close - open - 1));
    }
    return false;
  });
  MarkFirsts();
}

bool JsonRowIndex::ResetNext(std::string_view list, size_t& pos) {
  const size_t start = JsonObjectStart(list, pos);
  if (start == kJsonNone) return false;
  entries_.clear();
  tags_.clear();
  slots_.clear();
  // One walk from the "{" to its "}", indexing the keys on the way.  It
  // gives what JsonObjectEnd and a scan of the object give as long as no
  // string ends in a backslash before its quote (where the two ways of
  // ending a string may differ) and no NUL stands in the object; anything
  // else is left to them.
  const char* const p = list.data();
  const size_t n = list.size();
  Nesting nesting;
  int depth = 0;
  int brackets = 0;  // square brackets open within the object
  bool balanced = true;
  size_t end = kJsonNone;
  for (size_t i = start; i < n;) {
    const char c = p[i];
    if (!kKeyScanStops[static_cast<unsigned char>(c)]) {
      ++i;
      continue;
    }
    if (c == '"') {
      const size_t close = StringClose(list, i);
      if (close == kJsonNone || p[close - 1] == '\\') break;
      // Positions within the object: the look-back for a key stops at the
      // object's "{" at the latest, the colon search at its "}".
      if (StandsAsKey(list, i, nesting)) {
        const size_t value = ValueAfterKey(list, close);
        entries_.push_back({i - start, close - i - 1, value == kJsonNone ? kJsonNone : value - start, true});
        tags_.push_back(KeyTag(p + i + 1, close - i - 1));
      }
      i = close + 1;
      continue;
    }
    if (c == '{' || c == '[') {
      nesting.Open(c == '[');
      if (c == '{')
        ++depth;
      else
        ++brackets;
    } else {
      nesting.Close();
      if (c == '}' && --depth == 0) {
        end = i;
        break;
      }
      if (c == ']' && --brackets < 0) balanced = false;
    }
    ++i;
  }
  if (end == kJsonNone || std::memchr(p + start, '\0', end - start + 1) != nullptr) {
    std::string_view object;
    if (!JsonNextObject(list, pos, object)) return false;
    Reset(object);
    walkedBalanced_ = false;
    return true;
  }
  walkedBalanced_ = balanced && brackets == 0;
  text_ = list.substr(start, end - start + 1);
  pos = end + 1;
  MarkFirsts();
  return true;
}

void JsonRowIndex::MarkFirsts() {
  // A row of a few dozen columns is searched straight through its tags;
  // only a wide one gets a hash table.  Open addressing, at most half full;
  // each distinct key keeps its first occurrence.
  hint_ = 0;
  if (entries_.size() <= kScanLimit) {
    // One bit of each tag seen so far: a key whose bit is new has no
    // earlier twin, so only the rare others are compared with the earlier
    // keys.
    uint64_t seen = 0;
    for (size_t e = 0; e < entries_.size(); ++e) {
      const uint64_t bit = uint64_t{1} << ((tags_[e] * 0x9E3779B97F4A7C15ull) >> 58);
      if (seen & bit) {
        for (size_t d = 0; d < e; ++d) {
          if (tags_[d] == tags_[e] && KeyOf(entries_[d]) == KeyOf(entries_[e])) {
            entries_[e].first = false;
            break;
          }
        }
      }
      seen |= bit;
    }
    return;
  }
  size_t slots = 16;
  while (slots < 2 * entries_.size()) slots *= 2;
  slots_.assign(slots, 0);
  const size_t mask = slots - 1;
  for (size_t e = 0; e < entries_.size(); ++e) {
    const std::string_view key = KeyOf(entries_[e]);
    for (size_t s = KeyHash(key) & mask;; s = (s + 1) & mask) {
      if (slots_[s] == 0) {
        slots_[s] = static_cast<uint32_t>(e + 1);
        break;
      }
      if (KeyOf(entries_[slots_[s] - 1]) == key) {
        entries_[e].first = false;
        break;
      }
    }
  }
}

std::string_view JsonRowIndex::KeyOf(const Entry& entry) const {
  return text_.substr(entry.open + 1, entry.size);
}

bool JsonRowIndex::Holds(const Entry& entry, std::string_view key) const {
  return entry.size == key.size() &&
         SameBytes(text_.data() + entry.open + 1, key.data(), key.size());
}

const JsonRowIndex::Entry* JsonRowIndex::First(std::string_view key) {
  // Columns are mostly read in the order they stand: try the key after the
  // last one found before searching.
  if (hint_ < entries_.size() && entries_[hint_].first && Holds(entries_[hint_], key))
    return &entries_[hint_++];
  size_t found = entries_.size();
  if (slots_.empty()) {
    const uint64_t tag = KeyTag(key.data(), key.size());
    for (size_t e = 0; e < tags_.size(); ++e) {
      if (tags_[e] == tag && Holds(entries_[e], key)) {
        found = e;
        break;
      }
    }
  } else {
    const size_t mask = slots_.size() - 1;
    for (size_t s = KeyHash(key) & mask; slots_[s] != 0; s = (s + 1) & mask) {
      if (Holds(entries_[slots_[s] - 1], key)) {
        found = slots_[s] - 1;
        break;
      }
    }
  }
  if (found == entries_.size()) return nullptr;
  hint_ = found + 1;
  return &entries_[found];
}

size_t JsonRowIndex::ValuePos(std::string_view key) {
  const Entry* entry = First(key);
  return entry ? entry->value : kJsonNone;
}

size_t JsonRowIndex::FindKey(std::string_view key) {
  const Entry* entry = First(key);
  if (entry == nullptr) return kJsonNone;
  // The first occurrence followed by a colon (rarely not the first one).
  for (const Entry* e = entry; e != entries_.data() + entries_.size(); ++e)
    if (e->value != kJsonNone && KeyOf(*e) == key) return e->open;
  return kJsonNone;
}

std::string JsonRowIndex::GetString(std::string_view key, size_t n, bool fieldMode) {
  return StringAt(text_, ValuePos(key), n, fieldMode);
}

std::u16string JsonRowIndex::GetWString(std::string_view key, size_t n) {
  return WStringAt(text_, ValuePos(key), n);
}

std::optional<std::string_view> JsonRowIndex::GetStringBody(std::string_view key) {
  return StringBodyAt(text_, ValuePos(key));
}

int32_t JsonRowIndex::GetInt(std::string_view key, int32_t def) {
  return IntAt(text_, ValuePos(key), def);
}

double JsonRowIndex::GetDouble(std::string_view key, double def) {
  return DoubleAt(text_, ValuePos(key), def);
}

int JsonRowIndex::GetBool(std::string_view key, int def) {
  return BoolAt(text_, ValuePos(key), def);
}

uint8_t JsonRowIndex::GetByte(std::string_view key, uint8_t def) {
  return ByteAt(text_, ValuePos(key), def);
}

int16_t JsonRowIndex::GetShort(std::string_view key, int16_t def) {
  return ShortAt(text_, ValuePos(key), def);
}

size_t JsonRowIndex::GetHex(std::string_view key, std::string& out, size_t capacity) {
  return HexAtValue(text_, ValuePos(key), out, capacity);
}

int JsonRowIndex::GetBase64(std::string_view key, std::string& out, size_t capacity) {
  return Base64AtValue(text_, ValuePos(key), out, capacity);
}

int JsonRowIndex::GetIntArray(std::string_view key, std::vector<uint32_t>& values,
                              int64_t minimum, int64_t maximum) {
  return IntArrayAt(text_, FindKey(key), key.size(), values, minimum, maximum);
}

// The object scans stop at a NUL as at the end of the text; they do not cut
// the text first, which would read the whole rest of a long reply per object.

size_t JsonObjectStart(std::string_view text, size_t pos) {
  if (pos >= text.size()) return kJsonNone;
  size_t start = pos;
  // A position inside a key name: go on after that key's colon.
  size_t limit = std::min(text.size(), pos + 15);
  for (size_t q = pos; q < limit && text[q] != '\0'; ++q) {
    if (text[q] != '"') continue;
    if (q + 1 < text.size() && text[q + 1] == ':')
      start = q + 2;
    else if (q + 2 < text.size() && text[q + 1] == ' ' && text[q + 2] == ':')
      start = q + 3;
    break;
  }
  const char* const p = text.data();
  const size_t n = text.size();
  for (size_t i = FindAny<'\0', '"', '{'>(p, start, n); i < n;
       i = FindAny<'\0', '"', '{'>(p, i + 1, n)) {
    const char c = p[i];
    if (c == '\0') return kJsonNone;
    if (c == '{') return i;
    const size_t end = StringEndFrom(text, i + 1);
    if (end == kJsonNone) return kJsonNone;
    i = end;
  }
  return kJsonNone;
}

size_t JsonObjectEnd(std::string_view text, size_t pos) {
  if (pos >= text.size()) return kJsonNone;
  const char* const p = text.data();
  const size_t n = text.size();
  int depth = 1;
  for (size_t i = FindAny<'\0', '"', '{', '}'>(p, p[pos] == '{' ? pos + 1 : pos, n); i < n;
       i = FindAny<'\0', '"', '{', '}'>(p, i + 1, n)) {
    const char c = p[i];
    if (c == '\0') return kJsonNone;
    if (c == '"') {
      const size_t end = StringEndFrom(text, i + 1);
      if (end == kJsonNone) return kJsonNone;
      i = end;
    } else if (c == '{') {
      ++depth;
    } else if (--depth == 0) {
      return i;
    }
  }
  return kJsonNone;
}

std::string_view JsonListBody(std::string_view text, std::string_view key) {
  text = Cut(text);
  std::string marker = QuotedKey(key) + ":";
  size_t pos = text.find(marker);
  if (pos == std::string_view::npos) return {};
  size_t after = pos + marker.size();
  size_t open = JsonSkipBlanks(text, after);
  if (open >= text.size() || text[open] != '[') return text.substr(after);
  const char* const p = text.data();
  const size_t n = text.size();
  int depth = 0;
  for (size_t i = FindAny<'"', '[', ']'>(p, open, n); i < n;
       i = FindAny<'"', '[', ']'>(p, i + 1, n)) {
    const char c = p[i];
    if (c == '"') {
      const size_t end = StringEndFrom(text, i + 1);
      if (end == kJsonNone) break;
      i = end;
    } else if (c == '[') {
      ++depth;
    } else if (--depth == 0) {
      return text.substr(after, i - after);
    }
  }
  return text.substr(after);
}

bool JsonNextObject(std::string_view list, size_t& pos, std::string_view& object) {
  size_t start = JsonObjectStart(list, pos);
  if (start == kJsonNone) return false;
  size_t end = JsonObjectEnd(list, start);
  if (end == kJsonNone) return false;
  object = list.substr(start, end - start + 1);
  pos = end + 1;
  return true;
}

// ---- Reading a list ----

JsonListReader::JsonListReader(std::string_view text, std::string_view key)
    : text_(Cut(text)), key_(key) {
  // The list found as JsonListBody finds it.
  const std::string marker = QuotedKey(key) + ":";
  const size_t at = text_.find(marker);
  if (at == std::string_view::npos) return;  // the general way: an empty list
  const size_t after = at + marker.size();
  rest_ = text_.substr(after);
  const size_t open = JsonSkipBlanks(text_, after);
  if (open >= text_.size() || text_[open] != '[') {
    list_ = rest_;  // no array: JsonListBody gives the rest of the text
    return;
  }
  open_ = open - after;
  general_ = false;
}

void JsonListReader::TakeGeneralWay() {
  general_ = true;
  list_ = JsonListBody(text_, key_);
}

bool JsonListReader::Next(JsonRowIndex& row) {
  if (general_) return row.ResetNext(list_, pos_);
  // Between the objects: blanks and commas (before the first one the "["
  // and what JsonSkipBlanks passed before it, none of them a "{" or a quote,
  // which JsonObjectStart passes as well).
  const char* const p = rest_.data();
  size_t i = first_ ? open_ + 1 : pos_;
  while (i < rest_.size() && (p[i] == ' ' || p[i] == '\t' || p[i] == '\r' || p[i] == '\n' || p[i] == ','))
    ++i;
  // The "]" closing the list: the objects before it balance their square
  // brackets, nothing else stands between them, so JsonListBody ends the
  // list here and no object is left in it.
  if (i < rest_.size() && p[i] == ']') return false;
  if (i < rest_.size() && p[i] == '{') {
    const size_t before = pos_;
    if (row.ResetNext(rest_, pos_) && row.walkedBalanced_ && row.Text().data() == p + i) {
      // The object closes before the list does and was walked as it is
      // walked within the list.
      first_ = false;
      return true;
    }
    pos_ = before;
  }
  TakeGeneralWay();
  return row.ResetNext(list_, pos_);
}
