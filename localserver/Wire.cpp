#include "localserver/Wire.h"

#include <openssl/evp.h>
#include <openssl/rand.h>
#include <zlib.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <stdexcept>

#include "platform/CodePage.h"

namespace localserver {

uint32_t Crc32(std::string_view bytes) {
  uLong crc = crc32(0L, Z_NULL, 0);
  // zlib takes the length as uInt: feed long texts in slices.
  const auto* p = reinterpret_cast<const Bytef*>(bytes.data());
  size_t left = bytes.size();
  while (left > 0) {
    uInt n = left > 0x40000000u ? 0x40000000u : static_cast<uInt>(left);
    crc = crc32(crc, p, n);
    p += n;
    left -= n;
  }
  return static_cast<uint32_t>(crc);
}

static const char kB64[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string Base64Encode(std::string_view in) {
  std::string out;
  out.reserve((in.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 2 < in.size(); i += 3) {
    uint32_t v = (uint8_t(in[i]) << 16) | (uint8_t(in[i + 1]) << 8) | uint8_t(in[i + 2]);
    out += kB64[v >> 18];
    out += kB64[(v >> 12) & 63];
    out += kB64[(v >> 6) & 63];
    out += kB64[v & 63];
  }
  if (i + 1 == in.size()) {
    uint32_t v = uint8_t(in[i]) << 16;
    out += kB64[v >> 18];
    out += kB64[(v >> 12) & 63];
    out += "==";
  } else if (i + 2 == in.size()) {
    uint32_t v = (uint8_t(in[i]) << 16) | (uint8_t(in[i + 1]) << 8);
    out += kB64[v >> 18];
    out += kB64[(v >> 12) & 63];
    out += kB64[(v >> 6) & 63];
    out += '=';
  }
  return out;
}

static int B64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

bool Base64Decode(std::string_view text, std::string& out) {
  out.clear();
  if (text.size() % 4 != 0) return false;
  out.reserve(text.size() / 4 * 3);
  for (size_t i = 0; i < text.size(); i += 4) {
    int v[4];
    int pad = 0;
    for (int k = 0; k < 4; ++k) {
      char c = text[i + k];
      if (c == '=') {
        // Padding only in the last group, only at its end.
        if (i + 4 != text.size() || k < 2) { out.clear(); return false; }
        v[k] = 0;
        ++pad;
      } else {
        if (pad) { out.clear(); return false; }
        v[k] = B64Value(c);
        if (v[k] < 0) { out.clear(); return false; }
      }
    }
    uint32_t w = (v[0] << 18) | (v[1] << 12) | (v[2] << 6) | v[3];
    out += char(w >> 16);
    if (pad < 2) out += char((w >> 8) & 0xFF);
    if (pad < 1) out += char(w & 0xFF);
  }
  return true;
}

std::string HexEncode(std::string_view bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    out += kHex[c >> 4];
    out += kHex[c & 15];
  }
  return out;
}

static int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool HexDecode(std::string_view text, std::string& out) {
  out.clear();
  if (text.size() % 2) return false;
  out.reserve(text.size() / 2);
  for (size_t i = 0; i < text.size(); i += 2) {
    int hi = HexValue(text[i]), lo = HexValue(text[i + 1]);
    if (hi < 0 || lo < 0) { out.clear(); return false; }
    out += char(hi * 16 + lo);
  }
  return true;
}

std::string Md5Hex(std::string_view bytes) {
  unsigned char md[EVP_MAX_MD_SIZE];
  unsigned int len = 0;
  EVP_Digest(bytes.data(), bytes.size(), md, &len, EVP_md5(), nullptr);
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  for (unsigned i = 0; i < len; ++i) {
    out += kHex[md[i] >> 4];
    out += kHex[md[i] & 15];
  }
  return out;
}

std::string RandomBytes(size_t n) {
  std::string out(n, '\0');
  if (n && RAND_bytes(reinterpret_cast<unsigned char*>(out.data()), static_cast<int>(n)) != 1)
    throw std::runtime_error("no random bytes");
  return out;
}

namespace {
bool AllAscii(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}
}  // namespace

bool Utf8FromGbk(std::string_view gbk, std::string& utf8) {
  // ASCII is the same in both (most SQL texts are ASCII only).
  if (AllAscii(gbk)) {
    utf8.assign(gbk);
    return true;
  }
  utf8.clear();
  std::u16string wide;
  if (!platform::DecodeCodePage(platform::kCodePageGbk, gbk, wide, true)) return false;
  return platform::EncodeCodePage(platform::kCodePageUtf8, wide, utf8, "");
}

bool GbkFromUtf8(std::string_view utf8, std::string& gbk) {
  gbk.clear();
  std::u16string wide;
  if (!platform::DecodeCodePage(platform::kCodePageUtf8, utf8, wide, true)) return false;
  return platform::EncodeCodePage(platform::kCodePageGbk, wide, gbk, "");
}

std::string GbkFromUtf8Lenient(std::string_view utf8) {
  std::u16string wide;
  platform::DecodeCodePage(platform::kCodePageUtf8, utf8, wide, false);
  std::string gbk;
  platform::EncodeCodePage(platform::kCodePageGbk, wide, gbk, "?");
  return gbk;
}

// Length of the UTF-8 sequence starting with lead byte c (1 for stray bytes).
static size_t Utf8SeqLen(unsigned char c) {
  if (c < 0xC0) return 1;
  if (c < 0xE0) return 2;
  if (c < 0xF0) return 3;
  return 4;
}

std::string CutToGbkBytes(std::string_view utf8, size_t maxBytes) {
  // No character takes more bytes in GBK than in UTF-8 (a two-byte GBK
  // character is two to three UTF-8 bytes, one without a GBK code becomes
  // '?'): a text that fits as UTF-8 fits whole.
  if (utf8.size() <= maxBytes) return std::string(utf8);
  size_t used = 0, pos = 0;
  while (pos < utf8.size()) {
    size_t n = Utf8SeqLen(static_cast<unsigned char>(utf8[pos]));
    if (pos + n > utf8.size()) n = utf8.size() - pos;
    // ASCII is one GBK byte, a character of GBK two; one without a GBK code
    // goes out as '?' (one byte).
    size_t cost = 1;
    if (n > 1) cost = GbkFromUtf8Lenient(utf8.substr(pos, n)).size();
    if (used + cost > maxBytes) break;
    used += cost;
    pos += n;
  }
  return std::string(utf8.substr(0, pos));
}

int ZoneHoursEast() {
  // Standard time: take the offset of a January and a July day and keep the
  // smaller one (the larger one is summer time in the northern or southern
  // half of the world).
  time_t now = time(nullptr);
  struct tm t;
  localtime_r(&now, &t);
  int year = t.tm_year;
  long off[2];
  for (int k = 0; k < 2; ++k) {
    struct tm probe = {};
    probe.tm_year = year;
    probe.tm_mon = k ? 6 : 0;
    probe.tm_mday = 15;
    probe.tm_hour = 12;
    probe.tm_isdst = -1;
    time_t when = mktime(&probe);
    struct tm local;
    localtime_r(&when, &local);
    off[k] = local.tm_gmtoff;
  }
  long standard = off[0] < off[1] ? off[0] : off[1];
  return static_cast<int>(standard / 3600);  // truncated toward zero
}

int64_t ServerTimeStamp(int64_t unixTime) {
  return unixTime - 3600LL * ZoneHoursEast();
}

std::string LocalDateTimeText(int64_t unixTime) {
  time_t when = static_cast<time_t>(unixTime);
  struct tm t;
  localtime_r(&when, &t);
  char buf[64];
  snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.tm_year + 1900,
           t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
  return buf;
}

// ---- JSON writer -----------------------------------------------------------

// The escape \uXXXX of one UTF-16 unit, upper-case hex.
static void AppendUnit(std::string& out, uint32_t unit) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const char buf[6] = {'\\', 'u', kHex[(unit >> 12) & 15], kHex[(unit >> 8) & 15],
                       kHex[(unit >> 4) & 15], kHex[unit & 15]};
  out.append(buf, sizeof buf);
}

void JsonOut::AppendString(std::string& out, std::string_view s) {
  out += '"';
  size_t i = 0;
  while (i < s.size()) {
    // A run of plain ASCII goes over as it is, in one piece.
    size_t run = i;
    while (run < s.size()) {
      const unsigned char r = static_cast<unsigned char>(s[run]);
      if (r >= 0x7F || r < 0x20 || r == '"' || r == '\\' || r == '/') break;
      ++run;
    }
    if (run > i) {
      out.append(s.data() + i, run - i);
      i = run;
      continue;
    }
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      bool special = c < 0x20 || c == '"' || c == '\\' || c == '/' || c == 0x7F;
      if (special)
        AppendUnit(out, c);
      else
        out += static_cast<char>(c);
      ++i;
      continue;
    }
    // Decode one UTF-8 sequence; a malformed one becomes U+FFFD.
    size_t n = Utf8SeqLen(c);
    uint32_t cp = 0xFFFD;
    bool ok = i + n <= s.size() && n > 1;
    if (ok) {
      cp = n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
      for (size_t k = 1; k < n; ++k) {
        unsigned char cc = static_cast<unsigned char>(s[i + k]);
        if ((cc & 0xC0) != 0x80) { ok = false; break; }
        cp = (cp << 6) | (cc & 0x3F);
      }
    }
    if (!ok) {
      AppendUnit(out, 0xFFFD);
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      AppendUnit(out, 0xD800 + (cp >> 10));
      AppendUnit(out, 0xDC00 + (cp & 0x3FF));
    } else {
      AppendUnit(out, cp);
    }
    i += n;
  }
  out += '"';
}

void JsonOut::AppendDouble(std::string& out, double v) {
  if (!std::isfinite(v)) v = 0;
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, res.ptr);
}

void JsonOut::Key(std::string_view key) {
  if (!first_) text_ += ',';
  first_ = false;
  text_ += '"';
  text_ += key;
  text_ += "\":";
}

JsonOut& JsonOut::Int(std::string_view key, int64_t v) {
  Key(key);
  text_ += std::to_string(v);
  return *this;
}

JsonOut& JsonOut::Double(std::string_view key, double v) {
  Key(key);
  AppendDouble(text_, v);
  return *this;
}

JsonOut& JsonOut::Bool(std::string_view key, bool v) {
  Key(key);
  text_ += v ? "true" : "false";
  return *this;
}

JsonOut& JsonOut::String(std::string_view key, std::string_view utf8) {
  Key(key);
  AppendString(text_, utf8);
  return *this;
}

JsonOut& JsonOut::Plain(std::string_view key, std::string_view ascii) {
  Key(key);
  text_ += '"';
  text_ += ascii;
  text_ += '"';
  return *this;
}

JsonOut& JsonOut::Raw(std::string_view key, std::string_view json) {
  Key(key);
  text_ += json;
  return *this;
}

}  // namespace localserver
