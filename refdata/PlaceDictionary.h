#pragma once
// The bilingual name dictionary of the goods fields: each entry has a code,
// a Chinese name and an English name.  The goods suggestion popup offers
// entries while the operator types; the print renderers translate
// descriptions word by word and look up the code of a name.
//
// The file "DATA_SYS/brantle7_<variant>.dat" (program folder): an 8-byte
// header that is not used, then PlaceEntry records of 276 bytes each.  A
// trailing part of a record is ignored.  A file shorter than its header, or
// a record whose text field holds no terminating NUL, is refused whole (the
// dictionary keeps what it held and LoadError() says why): nothing is ever
// read past a field or the file.
//
// The three indexes (code, Chinese name, English name) order the entries by
// their key with ASCII case ignored (double-byte characters compare whole);
// equal keys stand next to each other, in file order.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One entry, the same in memory and in the file (texts GBK, NUL-terminated).
struct PlaceEntry {
  int32_t id = 0;
  char code[16] = {};
  char chinese[128] = {};
  char english[128] = {};

  std::string_view Code() const { return Field(code, sizeof code); }
  std::string_view Chinese() const { return Field(chinese, sizeof chinese); }
  std::string_view English() const { return Field(english, sizeof english); }

 private:
  static std::string_view Field(const char* field, size_t width);
};
static_assert(sizeof(PlaceEntry) == 276);

class CPlaceDictionary {
 public:
  static constexpr size_t kHeaderSize = 8;
  static constexpr size_t kRecordSize = sizeof(PlaceEntry);
  static constexpr size_t kSlots = 4;
  using Slots = std::array<const PlaceEntry*, kSlots>;

  CPlaceDictionary() = default;
  virtual ~CPlaceDictionary() = default;
  CPlaceDictionary(const CPlaceDictionary&) = delete;
  CPlaceDictionary& operator=(const CPlaceDictionary&) = delete;

  // The data file of a variant, relative to the program folder.
  static std::string FileName(int variant);

  // Start-up: loads the variant's file from the program folder (which ends
  // in its separator); true whatever the load gave.
  bool Init(std::string_view programFolder);
  // False when the file cannot be opened or is refused; the dictionary then
  // keeps what it held.
  bool Load(const std::string& path);
  // Why the last load refused its file; empty after a load that read it or
  // found no file.
  const std::string& LoadError() const { return loadError_; }

  // Up to four entries for the popup (the slots are cleared first): a text
  // beginning with a double-byte character searches Chinese names, a text of
  // more than 7 bytes English names, a shorter one codes.  On a prefix hit
  // the slots take the first match and the entries after it in that index;
  // otherwise the first four entries in file order whose Chinese (for a
  // Chinese text, byte for byte) or English name (case ignored) contains it.
  void Suggest(Slots& slots, std::string_view typed) const;

  // Chinese names for English words, and the other way round.  The whole
  // text (at most 255 bytes; while the variant is 0 a bracketed tail is cut
  // off) is tried first; otherwise each part between commas (or blanks when
  // the text holds no comma) is translated when it is a known name and kept
  // as written when not.  The result is not cut: a caller with a fixed field
  // cuts it GBK-safe (GbkCopyN).
  std::string Translate(std::string_view text) const;
  std::string TranslateToEnglish(std::string_view text) const;

  // The code of the entry whose Chinese name, else English name, equals the
  // name (ASCII case ignored).
  std::optional<std::string> CodeOfPlace(std::string_view name) const;

  // Selects the data file; 0 also drops bracketed tails when translating.
  int variant = 0;

  const std::vector<PlaceEntry>& Entries() const { return entries_; }

 private:
  using Index = std::vector<const PlaceEntry*>;
  std::string TranslateWith(std::string_view text, bool toEnglish) const;
  const PlaceEntry* FindExact(const Index& index, std::string_view (PlaceEntry::*key)() const,
                              std::string_view text) const;

  std::vector<PlaceEntry> entries_;
  Index codeIndex_, chineseIndex_, englishIndex_;
  std::string loadError_;
};
