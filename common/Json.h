#pragma once
// The flat JSON of the server protocol.  No document tree: a request is
// written left to right by writers that each append one key and value, and a
// reply is read by readers that search the text for a quoted key and convert
// the value after it.
//
// Inside the program text is GBK (narrow) or UTF-16; on the wire strings are
// UTF-8 with the eight specials written as six-character escapes with
// upper-case hex: double quote \u0022, backslash \u005C, slash \u002F,
// backspace \u0008, form feed \u000C, line feed \u000A, carriage return
// \u000D, tab \u0009.  UTF-16 strings may be written all ASCII with "\uXXXX"
// for every unit from 128 upwards.
//
// Readers find the FIRST occurrence of the quoted key where a key stands,
// at any depth: a key of a nested object is found as well, but a string
// value is skipped whole, so a value equal to the quoted key (a customer
// named "2") never hides the key.  An occurrence not followed by a colon
// gives the empty or default result.  To read one object of a list, pass the
// reader that object only (JsonListBody / JsonNextObject).
// Readers never change the text; a NUL byte in it ends the text.  Malformed
// input gives the empty text, 0, npos or the caller's default, never an error.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

inline constexpr size_t kJsonNone = std::string_view::npos;

// ---- Writers ----
//
// Each appends `"key":value` to `out` (no blanks), then "," when `comma` is
// set, and returns `out` so that calls chain.  The object's braces are the
// caller's.  The key is written unchanged.

// "%d" / "%u"; with `quote` the number stands between double quotes.
std::string& JsonPutInt(std::string& out, std::string_view key, int32_t value, bool comma,
                        bool quote = false);
std::string& JsonPutUInt(std::string& out, std::string_view key, uint32_t value, bool comma,
                         bool quote = false);
// Decimals 1 to 6 write that many digits after the point, any other count
// six.  With `trim` trailing zeros after the point go, but one digit stays
// (1.500 -> 1.5, 2.000 -> 2.0).  A value that is not finite is written null.
std::string& JsonPutDouble(std::string& out, std::string_view key, double value, int decimals,
                           bool comma, bool quote = false, bool trim = false);
// A GBK text (or a narrow field in one of its encoded forms) as UTF-8 with
// the specials escaped (JsonEscapeNarrow); std::nullopt writes null.
std::string& JsonPutString(std::string& out, std::string_view key,
                           std::optional<std::string_view> text, bool comma,
                           unsigned codePage = 936, bool dropLineBreaks = false);
// A UTF-16 text, all ASCII: units from 128 on as "\uXXXX", specials as their
// escapes, others as their byte.  The text ends at a NUL unit.  std::nullopt
// writes null.
std::string& JsonPutWString(std::string& out, std::string_view key,
                            std::optional<std::u16string_view> text, bool comma,
                            bool dropLineBreaks = false);
// The bytes as upper-case hex pairs between double quotes.
std::string& JsonPutHex(std::string& out, std::string_view key, std::string_view bytes,
                        bool comma);
// The bytes in standard Base64 between double quotes.
std::string& JsonPutBase64(std::string& out, std::string_view key, std::string_view bytes,
                           bool comma);
// [n1,n2,...]; an empty array gives [].
std::string& JsonPutUIntArray(std::string& out, std::string_view key,
                              std::span<const uint32_t> values, bool comma);

// ---- Readers ----

// The value as narrow text of at most n bytes (never a split character):
// a string is decoded by JsonDecodeNarrow; null gives empty; a bare value
// (number, true, false) is copied up to a blank, tab, CR, LF, ",", "]" or "}".
// Empty when the key is missing or not followed by a colon.
std::string JsonGetString(std::string_view key, std::string_view text, size_t n,
                          bool fieldMode = false);
// A string value decoded by JsonDecodeW into at most n units; empty when
// missing or not a string.
std::u16string JsonGetWString(std::string_view key, std::string_view text, size_t n);
// The value (quoted or bare, at most 63 characters) as a decimal integer
// (leading blanks, sign, digits), held to the 32-bit range; `def` when empty.
int32_t JsonGetInt(std::string_view key, std::string_view text, int32_t def);
double JsonGetDouble(std::string_view key, std::string_view text, double def);
// 1 when the value's first character is "1", "T" or "t", else 0; `def` when
// empty.
int JsonGetBool(std::string_view key, std::string_view text, int def);
// The integer when it lies in range, else `def`.
uint8_t JsonGetByte(std::string_view key, std::string_view text, uint8_t def);
int16_t JsonGetShort(std::string_view key, std::string_view text, int16_t def);
// A string of hex pairs (either case) decoded into `out`; returns the byte
// count.  0 (out empty) when missing, not a string, of odd length, not hex,
// or when it would decode to more than `capacity` bytes.
size_t JsonGetHex(std::string_view key, std::string_view text, std::string& out,
                  size_t capacity);
// A Base64 string decoded into `out` (a blank in it stands for "+"); returns
// Base64Decode's result.  0 when missing, not a string, when its length is
// not a multiple of 4 or not below `capacity`.
int JsonGetBase64(std::string_view key, std::string_view text, std::string& out,
                  size_t capacity);
// Appends the numbers of an array value that lie within [minimum, maximum]
// to `values` (not cleared); returns its size, or -1 when the key, the "["
// (at most the key's length + 10 characters after the key) or the "]" is
// missing.
int JsonGetIntArray(std::string_view key, std::string_view text, std::vector<uint32_t>& values,
                    int64_t minimum, int64_t maximum);
// The opening quote of the first quoted key (where a key stands, string
// values skipped) followed (after blanks) by a colon; kJsonNone when there
// is none.
size_t JsonFindKey(std::string_view key, std::string_view text);
// The next "{" at or after pos outside string values (a position inside a key
// name first skips past its colon); kJsonNone at the end.  Does not stop at
// "]" or "}".
size_t JsonObjectStart(std::string_view text, size_t pos);
// The "}" matching the "{" at pos (or, when pos holds no "{", closing depth 1
// from pos); kJsonNone when the text ends first.
size_t JsonObjectEnd(std::string_view text, size_t pos);

// Reading a list: JsonListBody gives the text after `"key":` (found by plain
// search; empty when missing), ending at the "]" that closes the list when
// the value is an array, so the objects of a later list are not read as this
// one's.  JsonNextObject gives the next object from pos ("{" to its "}") and
// moves pos past it; false when there is none.
std::string_view JsonListBody(std::string_view text, std::string_view key);
bool JsonNextObject(std::string_view list, size_t& pos, std::string_view& object);

// ---- Reading a row column by column ----
//
// JsonRowIndex indexes the keys of one object once (each key's first
// occurrence where a key stands, and where its value starts) so that reading
// its columns one after another costs no search each.  Every Get gives
// exactly what the free reader of the same name gives for the same key and
// object.  The index refers to the caller's text, which must outlive it;
// Reset reuses its room for the next row.  A read remembers where its key
// stood (columns are mostly read in order), so the reads are not const.
//
//   JsonRowIndex row;
//   while (JsonNextObject(list, pos, object)) {
//     row.Reset(object);
//     record.weight = row.GetDouble("3", 0.0);
//     ...
//   }
class JsonRowIndex {
 public:
  JsonRowIndex() = default;
  explicit JsonRowIndex(std::string_view object) { Reset(object); }
  void Reset(std::string_view object);
  // JsonNextObject and Reset in one: indexes the next object of the list
  // from pos and moves pos past it; false (pos kept) when there is none.
  // The object is Text().  Mostly one walk over the object instead of two.
  bool ResetNext(std::string_view list, size_t& pos);

  std::string_view Text() const { return text_; }
  // As JsonFindKey on the indexed text.
  size_t FindKey(std::string_view key);

  std::string GetString(std::string_view key, size_t n, bool fieldMode = false);
  std::u16string GetWString(std::string_view key, size_t n);
  // The body of a string value between its quotes, escapes as they stand:
  // GetWString(key, n) is JsonDecodeW(body, n).  None when GetWString reads
  // empty for want of a string value (key missing, value not a string or
  // left open).
  std::optional<std::string_view> GetStringBody(std::string_view key);
  int32_t GetInt(std::string_view key, int32_t def);
  double GetDouble(std::string_view key, double def);
  int GetBool(std::string_view key, int def);
  uint8_t GetByte(std::string_view key, uint8_t def);
  int16_t GetShort(std::string_view key, int16_t def);
  size_t GetHex(std::string_view key, std::string& out, size_t capacity);
  int GetBase64(std::string_view key, std::string& out, size_t capacity);
  int GetIntArray(std::string_view key, std::vector<uint32_t>& values, int64_t minimum,
                  int64_t maximum);

 private:
  // A string standing where a key stands: its opening quote, its body's
  // size, and the start of its value (kJsonNone when no colon follows).
  struct Entry {
    size_t open;
    size_t size;
    size_t value;
    bool first;  // no earlier entry has the same key
  };
  std::string_view KeyOf(const Entry& entry) const;
  // Marks each key's first occurrence (and builds the table of a wide row).
  void MarkFirsts();
  bool Holds(const Entry& entry, std::string_view key) const;
  const Entry* First(std::string_view key);
  size_t ValuePos(std::string_view key);

  friend class JsonListReader;

  // Rows with more keys than this get a hash table.
  static constexpr size_t kScanLimit = 48;

  std::string_view text_;
  std::vector<Entry> entries_;  // in text order
  std::vector<uint64_t> tags_;  // KeyTag of each entry, searched first to last
  std::vector<uint32_t> slots_;  // hash table of entry number + 1; 0 is free
  size_t hint_ = 0;  // the entry after the one last found
  // The last ResetNext indexed its object in its one walk, and the square
  // brackets in it (outside strings) close only ones opened in it, all of
  // them.
  bool walkedBalanced_ = false;
};

// Reads the objects of a list value one after another: object by object
// exactly what ResetNext gives over JsonListBody(text, key) from position 0,
// but without JsonListBody's walk over the whole list first.  The end of
// the list is found as its objects are read: between two objects stand only
// blanks and commas, and the objects' square brackets balance; a list of any
// other shape is read through JsonListBody from the object it has reached.
// The text must outlive the reader.
//
//   JsonListReader list(reply, "List");
//   JsonRowIndex row;
//   while (list.Next(row)) { ... }
class JsonListReader {
 public:
  JsonListReader(std::string_view text, std::string_view key);
  // Indexes the next object into `row`; false when there is none.
  bool Next(JsonRowIndex& row);

 private:
  void TakeGeneralWay();

  std::string_view text_;  // cut at a NUL
  std::string_view key_;
  std::string_view rest_;  // the text after the key and its colon
  std::string_view list_;  // JsonListBody's list, on the general way
  bool general_ = true;
  bool first_ = true;
  size_t open_ = 0;  // the list's "[" in rest_
  size_t pos_ = 0;   // as ResetNext keeps it over the list
};

// ---- Small parts ----

// Skips blanks, tabs, CR, LF and "%20", repeatedly.
size_t JsonSkipBlanks(std::string_view text, size_t pos);
// The six-character escape of a special character, empty for any other.
std::string_view GetJsonEscape(char c);
bool HasJsonSpecial(std::string_view text);
// The byte of "\xHH" at the start of `at`, 0 when it is not that form.
uint8_t JsonUnescapeSpecial(std::string_view at);
// The closing quote of a string whose body starts at pos: the next double
// quote not directly preceded by a backslash; kJsonNone when there is none.
size_t FindJsonStringEnd(std::string_view text, size_t pos);
// The first digit or "-" at or after pos; kJsonNone when there is none.
size_t FindNumberStart(std::string_view text, size_t pos);
// A narrow text as the body of a JSON string: read as an encoded field or in
// `codePage` (references decoded), written as UTF-8 with the specials
// escaped (with `dropLineBreaks`: CR dropped, LF as a blank).  Empty when the
// code page is unknown.
std::string JsonEscapeNarrow(std::string_view text, unsigned codePage = 936,
                             bool dropLineBreaks = false);
// A string body (between its quotes) to narrow text of at most n bytes:
// escapes undone; UTF-8 converted to GBK ("?" for characters without a code)
// or, in field mode, to the narrow-field encoding; "\uXXXX" escapes decoded.
std::string JsonDecodeNarrow(std::string_view body, size_t n, bool fieldMode);
// A string body to UTF-16 of at most n units: "\uXXXX" and "\xHH" escapes
// decoded (an escape of value 0 or a malformed one stays as it stands); other
// bytes read in `codePage` (UTF-8 unless said).
std::u16string JsonDecodeW(std::string_view body, size_t n, unsigned codePage = 65001);
