#pragma once
// The destination directory (countries, regions and cities with their
// names, codes, short codes and postcodes), kept on disk as
// DATA_SYS/des.dat and brought up to date at each start by "sDesList";
// type-ahead search, exact look-ups and the resolution of free place text.
//
// The file: a 60-byte header (magic "DES_0001", count, highest id, sync
// stamp, count again) and the 148-byte records in id order.  A file that
// fails any check, or whose length is not exactly what its header says, is
// not used at all: the table starts empty and the next sync fetches it whole.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "refdata/StationCacheSync.h"

// One destination, the same in memory and in the file (texts GBK,
// NUL-terminated).
struct DestinationRecord {
  int32_t id = 0;
  char name[32] = {};
  char nameEn[64] = {};
  char code[8] = {};
  char shortCode[16] = {};
  char postcode[12] = {};
  uint8_t zone = 0;    // destination zone number
  uint8_t number = 0;  // taken over by the entry forms with the destination
  char iso2[4] = {};
  char iso3[6] = {};

  std::string_view Name() const { return stationcache::FieldText(name, sizeof name); }
  std::string_view NameEn() const { return stationcache::FieldText(nameEn, sizeof nameEn); }
  std::string_view Code() const { return stationcache::FieldText(code, sizeof code); }
  std::string_view ShortCode() const { return stationcache::FieldText(shortCode, sizeof shortCode); }
  std::string_view Postcode() const { return stationcache::FieldText(postcode, sizeof postcode); }
};
static_assert(sizeof(DestinationRecord) == 148);

class CDestinationTable {
 public:
  static constexpr size_t kHeaderSize = 60;
  using Rows = std::array<const DestinationRecord*, 5>;

  void SetPath(std::string path) { path_ = std::move(path); }
  const std::string& Path() const { return path_; }

  // Load, Sync, Save when anything changed, then the indexes.
  void Refresh(const StationSyncLink& link);
  int Load();
  int Sync(const StationSyncLink& link);
  bool Save() const;
  void BuildIndexes();
  // Merges one sync reply ("iDel" and "List"); the number of changes.
  int ApplyReply(std::string_view reply);

  // Type-ahead: a text beginning with a double-byte character searches
  // names, one with a blank English names, more than 3 digits postcodes,
  // anything else codes; without a prefix hit a ranked scan of the names.
  void Lookup(Rows& rows, std::string_view text);
  const DestinationRecord* FindByName(std::string_view text) const;
  const DestinationRecord* FindByCode(std::string_view text) const;
  const DestinationRecord* FindByEnglishName(std::string_view text) const;
  const DestinationRecord* FindByShortCode(std::string_view text) const;
  // The whole name, ASCII case ignored; else (allowPrefix) the shortest name
  // of the first run of names beginning with the text.
  const DestinationRecord* FindByNamePrefix(std::string_view text, bool allowPrefix) const;
  // The destination that free place text stands for, or null.
  const DestinationRecord* ResolvePlace(std::string_view text) const;

  const std::vector<DestinationRecord>& Records() const { return records_; }
  int32_t HighestId() const { return highestId_; }
  const std::string& Stamp() const { return stamp_; }

 private:
  using Index = std::vector<const DestinationRecord*>;

  std::vector<DestinationRecord> records_;  // ascending by id, unique ids
  Index codeIndex_, shortIndex_, nameIndex_, englishIndex_, postcodeIndex_;
  const Index* lastIndex_ = nullptr;
  std::string stamp_;
  int32_t highestId_ = 0;
  std::string path_;
};
