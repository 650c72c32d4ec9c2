#include "common/Base64.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <mutex>
#include <optional>
#include <string>

namespace {

constexpr char kAlphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Value of an alphabet character, -1 for "=", -2 for anything else.
constexpr int kPad = -1;
constexpr int kBad = -2;

struct DecodeTable {
  int value[256];
  constexpr DecodeTable() : value() {
    for (int& v : value) v = kBad;
    for (int i = 0; i < 64; ++i) value[static_cast<unsigned char>(kAlphabet[i])] = i;
    value[static_cast<unsigned char>('=')] = kPad;
  }
};
constexpr DecodeTable kDecode;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Turns every "\u00XY" with XY below 80 (hex) back into that ASCII byte, so a
// slash or an equals sign written as its JSON escape reads as itself.
void UnescapeAsciiEscapes(std::string& text) {
  if (text.find("\\u") == std::string::npos) return;
  size_t out = 0;
  for (size_t i = 0; i < text.size();) {
    if (text[i] == '\\' && i + 6 <= text.size() && text[i + 1] == 'u' && text[i + 2] == '0' &&
        text[i + 3] == '0') {
      int hi = HexValue(text[i + 4]);
      int lo = HexValue(text[i + 5]);
      if (hi >= 0 && lo >= 0 && hi * 16 + lo < 0x80) {
        text[out++] = static_cast<char>(hi * 16 + lo);
        i += 6;
        continue;
      }
    }
    text[out++] = text[i++];
  }
  text.resize(out);
}

bool IsStrippedBlank(char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }

// Decodes one group of four characters to `out`; returns the number of bytes
// written (1 to 3), or 0 at a bad character.
size_t DecodeGroup(const char* g, char* out) {
  int v[4];
  for (int i = 0; i < 4; ++i) v[i] = kDecode.value[static_cast<unsigned char>(g[i])];
  if (v[0] < 0 || v[1] < 0 || v[2] == kBad || v[3] == kBad) return 0;
  out[0] = static_cast<char>((v[0] << 2) | (v[1] >> 4));
  if (v[2] == kPad) return 1;
  out[1] = static_cast<char>(((v[1] & 0x0F) << 4) | (v[2] >> 2));
  if (v[3] == kPad) return 2;
  out[2] = static_cast<char>(((v[2] & 0x03) << 6) | v[3]);
  return 3;
}

// The six bits of an alphabet character already in their place in a group
// of four (first character highest); any other character, "=" included,
// sets the top byte.
struct GroupTables {
  uint32_t bits[4][256];
  constexpr GroupTables() : bits() {
    for (int place = 0; place < 4; ++place)
      for (int c = 0; c < 256; ++c) {
        const int v = kDecode.value[c];
        bits[place][c] = v < 0 ? 0xFF000000u : static_cast<uint32_t>(v) << (6 * (3 - place));
      }
  }
};
constexpr GroupTables kGroups;

inline uint32_t GroupBits(const unsigned char* g) {
  return kGroups.bits[0][g[0]] | kGroups.bits[1][g[1]] | kGroups.bits[2][g[2]] |
         kGroups.bits[3][g[3]];
}

// Decodes the whole groups of `text` into `out`; false at a bad character.
// Groups of four alphabet characters take the table path; a group with "="
// or anything else goes through DecodeGroup.
bool DecodeGroups(std::string_view text, std::string& out) {
  const size_t groups = text.size() / 4;
  out.resize(groups * 3 + 1);  // one byte of slack for the four-byte stores
  const auto* in = reinterpret_cast<const unsigned char*>(text.data());
  char* dst = out.data();
  size_t n = 0;
  for (size_t g = 0; g < groups; ++g, in += 4) {
    const uint32_t bits = GroupBits(in);
    if (bits <= 0xFFFFFF) {
      // Big-endian 24 bits into the first three of four bytes.
      const uint32_t be = __builtin_bswap32(bits << 8);
      std::memcpy(dst + n, &be, 4);
      n += 3;
      continue;
    }
    const size_t k = DecodeGroup(reinterpret_cast<const char*>(in), dst + n);
    if (k == 0) return false;
    n += k;
  }
  out.resize(n);
  return true;
}

}  // namespace

namespace {

// The two characters of every 12-bit value, in writing order.
struct PairTable {
  char pair[4096][2];
  constexpr PairTable() : pair() {
    for (int v = 0; v < 4096; ++v) {
      pair[v][0] = kAlphabet[v >> 6];
      pair[v][1] = kAlphabet[v & 63];
    }
  }
};
constexpr PairTable kPairs;

// Writes the Base64 text of `count` bytes (4 * ceil(count / 3) characters).
void EncodeTo(const unsigned char* p, size_t count, char* out) {
  size_t i = 0;
  // Two groups of three from one eight-byte load.
  for (; i + 8 <= count; i += 6) {
    uint64_t word;
    std::memcpy(&word, p + i, 8);
    word = __builtin_bswap64(word);
    const uint32_t a = static_cast<uint32_t>(word >> 40);
    const uint32_t b = static_cast<uint32_t>(word >> 16) & 0xFFFFFF;
    std::memcpy(out, kPairs.pair[a >> 12], 2);
    std::memcpy(out + 2, kPairs.pair[a & 0xFFF], 2);
    std::memcpy(out + 4, kPairs.pair[b >> 12], 2);
    std::memcpy(out + 6, kPairs.pair[b & 0xFFF], 2);
    out += 8;
  }
  for (; i + 3 <= count; i += 3) {
    const uint32_t v = (uint32_t{p[i]} << 16) | (uint32_t{p[i + 1]} << 8) | p[i + 2];
    std::memcpy(out, kPairs.pair[v >> 12], 2);
    std::memcpy(out + 2, kPairs.pair[v & 0xFFF], 2);
    out += 4;
  }
  if (count - i == 1) {
    const uint32_t v = uint32_t{p[i]} << 16;
    out[0] = kAlphabet[v >> 18];
    out[1] = kAlphabet[(v >> 12) & 63];
    out[2] = '=';
    out[3] = '=';
  } else if (count - i == 2) {
    const uint32_t v = (uint32_t{p[i]} << 16) | (uint32_t{p[i + 1]} << 8);
    out[0] = kAlphabet[v >> 18];
    out[1] = kAlphabet[(v >> 12) & 63];
    out[2] = kAlphabet[(v >> 6) & 63];
    out[3] = '=';
  }
}

}  // namespace

int Base64Encode(const void* bytes, size_t count, std::string& out, size_t capacity,
                 size_t* needed) {
  const size_t need = (count + 2) / 3 * 4;
  if (needed) *needed = need;
  if (capacity < need) return -2;
  std::string text(need, '\0');
  EncodeTo(static_cast<const unsigned char*>(bytes), count, text.data());
  out = std::move(text);
  return 0;
}

std::string Base64Encode(std::string_view bytes) {
  std::string out;
  Base64Encode(bytes.data(), bytes.size(), out, std::numeric_limits<size_t>::max());
  return out;
}

std::string& Base64Append(std::string& out, std::string_view bytes) {
  const size_t old = out.size();
  out.resize(old + (bytes.size() + 2) / 3 * 4);
  EncodeTo(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), out.data() + old);
  return out;
}

std::string& StripWhitespace(std::string& text) {
  if (std::none_of(text.begin(), text.end(), IsStrippedBlank)) return text;
  std::erase_if(text, IsStrippedBlank);
  return text;
}

int Base64Decode(std::string& text) {
  // Clean text (no blanks, no escapes) is the common case and decodes
  // straight away: a blank or a backslash is outside the alphabet, so any
  // text holding one fails here and takes the full rules below.
  if (text.size() >= 4 && text.size() % 4 == 0) {
    std::string bytes;
    if (DecodeGroups(text, bytes)) {
      text = std::move(bytes);
      return static_cast<int>(text.size());
    }
  }
  StripWhitespace(text);
  UnescapeAsciiEscapes(text);
  if (text.size() < 4) {
    text.clear();
    return 0;
  }
  if (text.size() % 4 != 0) return -2;
  std::string bytes;
  if (!DecodeGroups(text, bytes)) return -1;
  text = std::move(bytes);
  return static_cast<int>(text.size());
}

int Base64DecodeText(std::string_view text, std::string& out) {
  out.clear();
  if (text.size() >= 2 && text[0] == '+' && text[1] == ' ') text.remove_prefix(2);
  std::string clean(text);
  StripWhitespace(clean);
  UnescapeAsciiEscapes(clean);
  if (clean.empty()) return -1;
  std::string bytes;
  if (!DecodeGroups(clean, bytes)) return -1;
  out = std::move(bytes);
  return 0;
}

uint32_t Crc32(const void* bytes, size_t count) {
  uLong crc = crc32(0L, Z_NULL, 0);
  const auto* p = static_cast<const Bytef*>(bytes);
  while (count > 0) {
    uInt chunk = count > (1u << 30) ? (1u << 30) : static_cast<uInt>(count);
    crc = crc32(crc, p, chunk);
    p += chunk;
    count -= chunk;
  }
  return static_cast<uint32_t>(crc);
}

uint32_t Crc32(std::string_view bytes) { return Crc32(bytes.data(), bytes.size()); }

// ---- Clock ----

namespace {

// Seconds east of UTC of the local zone's standard time.
long StandardOffsetSeconds() {
  tzset();
  return -timezone;
}

// Kept when the program starts, before any thread runs.
int g_zoneHours = TimeZoneHoursFromBias(static_cast<int>(-StandardOffsetSeconds() / 60));

// The local wall clock of a moment, as seconds since the epoch.
int64_t LocalWallSeconds(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  return static_cast<int64_t>(t) + tm.tm_gmtoff;
}

}  // namespace

int TimeZoneHoursFromBias(int biasMinutesWest) { return biasMinutesWest / -60; }

int TimeZoneHours() {
  return TimeZoneHoursFromBias(static_cast<int>(-StandardOffsetSeconds() / 60));
}

int StoreTimeZoneHours() {
  g_zoneHours = TimeZoneHours();
  return g_zoneHours;
}

int StoredTimeZoneHours() { return g_zoneHours; }

namespace {

// TimeZoneHours for every request's time stamp without reading the zone
// again each time (tzset looks at the zone file on every call): worked out
// once, and again only when TZ names another zone.
int RequestZoneHours() {
  static std::mutex mutex;
  static bool known = false;
  static std::optional<std::string> zoneName;  // TZ when the hours were taken
  static int hours = 0;
  std::lock_guard<std::mutex> lock(mutex);
  const char* tz = std::getenv("TZ");
  const bool same = known && (tz ? zoneName && *zoneName == tz : !zoneName);
  if (!same) {
    hours = TimeZoneHours();
    zoneName = tz ? std::optional<std::string>(tz) : std::nullopt;
    known = true;
  }
  return hours;
}

}  // namespace

int64_t ServerTimeStamp() {
  return static_cast<int64_t>(std::time(nullptr)) - 3600LL * RequestZoneHours();
}

int CurrentUtcTime(std::chrono::sys_seconds& out, int seconds) {
  int64_t wall = LocalWallSeconds(std::time(nullptr));
  wall -= 3600LL * g_zoneHours;
  if (seconds > 0) wall -= seconds;
  out = std::chrono::sys_seconds(std::chrono::seconds(wall));
  return g_zoneHours;
}

int64_t PackDateTimeNumber(int year, int month, int day, int hour, int minute, int second) {
  return static_cast<int64_t>(year) * 10000000000LL + static_cast<int64_t>(month) * 100000000LL +
         static_cast<int64_t>(day) * 1000000LL + static_cast<int64_t>(hour) * 10000LL +
         static_cast<int64_t>(minute) * 100LL + second;
}

namespace {

// Reads the next run of digits at or after `pos` (skipping other bytes);
// false when there is none.  Over-long runs read as a large value.
bool NextNumber(std::string_view text, size_t& pos, long& value) {
  while (pos < text.size() && (text[pos] < '0' || text[pos] > '9')) ++pos;
  if (pos >= text.size()) return false;
  value = 0;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
    if (value < 100000000) value = value * 10 + (text[pos] - '0');
    ++pos;
  }
  return true;
}

}  // namespace

int ParseDateText(std::string_view text, std::chrono::local_seconds now) {
  using namespace std::chrono;
  size_t pos = 0;
  long year = 0, month = 0, day = 0;
  if (!NextNumber(text, pos, year) || year <= 0) return kBadDateText;
  if (year < 100) year += 2000;
  if (!NextNumber(text, pos, month) || month < 1 || month > 12) return kBadDateText;
  if (!NextNumber(text, pos, day)) return kBadDateText;
  if (year < 100 || year > 9999 || day < 1 || day > 31) return kBadDateText;
  year_month_day date{std::chrono::year(static_cast<int>(year)),
                      std::chrono::month(static_cast<unsigned>(month)),
                      std::chrono::day(static_cast<unsigned>(day))};
  if (!date.ok()) return kBadDateText;
  auto midnight = local_days(date);
  auto diff = duration_cast<seconds>(now - midnight).count();
  return static_cast<int>(diff / 86400);  // toward zero
}

int ParseDateText(std::string_view text) {
  using namespace std::chrono;
  int64_t wall = LocalWallSeconds(std::time(nullptr));
  return ParseDateText(text, local_seconds(seconds(wall)));
}
