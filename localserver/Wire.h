#pragma once
// Byte-level helpers of the wire protocol, kept apart from the client's
// toolkit on purpose: CRC-32, Base64, hex, MD5, random bytes, GBK/UTF-8
// conversion and the writer of the replies.

#include <cstdint>
#include <string>
#include <string_view>

namespace localserver {

// CRC-32 as zlib computes it.
uint32_t Crc32(std::string_view bytes);

// Standard Base64 with padding and without line breaks.
std::string Base64Encode(std::string_view bytes);
// Strict decoding: the length must be a multiple of 4 and every character
// of the alphabet; false (out empty) otherwise.
bool Base64Decode(std::string_view text, std::string& out);

std::string HexEncode(std::string_view bytes);  // upper-case pairs
bool HexDecode(std::string_view text, std::string& out);

std::string Md5Hex(std::string_view bytes);  // 32 lower-case digits
std::string RandomBytes(size_t n);

// GBK <-> UTF-8 over the platform's code pages.  Strict: false on any byte
// sequence (or character) the other side cannot hold.
bool Utf8FromGbk(std::string_view gbk, std::string& utf8);
bool GbkFromUtf8(std::string_view utf8, std::string& gbk);
// Lenient forms for texts headed to the client: characters without a GBK
// code become '?'.
std::string GbkFromUtf8Lenient(std::string_view utf8);

// Cuts a UTF-8 text so that its GBK form holds at most maxBytes bytes,
// never splitting a character.
std::string CutToGbkBytes(std::string_view utf8, size_t maxBytes);

// The time stamp the client sends: Unix time minus 3600 times the local
// zone's whole hours east of UTC (standard time).
int ZoneHoursEast();
int64_t ServerTimeStamp(int64_t unixTime);

// Local time as "YYYY-MM-DD HH:MM:SS".
std::string LocalDateTimeText(int64_t unixTime);

// Writes one compact JSON object: ASCII only, every other character as
// \uXXXX (UTF-16 units), the JSON specials as six-character escapes with
// upper-case hex.  Every other string value is written as it is, even one
// that reads like a key of the reply.
class JsonOut {
 public:
  JsonOut() { text_ = "{"; }
  JsonOut& Int(std::string_view key, int64_t v);
  JsonOut& Double(std::string_view key, double v);
  JsonOut& Bool(std::string_view key, bool v);
  JsonOut& String(std::string_view key, std::string_view utf8);
  // Values the client reads without escape rules (hex pairs, Base64).
  JsonOut& Plain(std::string_view key, std::string_view ascii);
  // A value already written as JSON (an array or object).
  JsonOut& Raw(std::string_view key, std::string_view json);
  std::string Finish() { return text_ + "}"; }

  // The bodies of values, for callers that build arrays themselves.
  static void AppendString(std::string& out, std::string_view utf8);
  static void AppendDouble(std::string& out, double v);

 private:
  void Key(std::string_view key);
  std::string text_;
  bool first_ = true;
};

}  // namespace localserver
