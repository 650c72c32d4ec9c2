#pragma once
// The general address library: cities grouped by country region, each with
// a postcode range, a country code ("NC"), a state or area code ("CCD") and
// its name, read whole from "city.dat" in the program folder.  Searches by
// exact name, by name substring and by postcode work on the in-memory
// indexes.
//
// city.dat (little-endian):
//   0   32 bytes  identification text, NUL-padded
//   32  int32     region count R
//   36  int32     count of distinct city names (checked: 0..N)
//   40  int32     entry count N
//   44  int32     text block size T
//   48  R x 16    regions: "NC" (8 bytes, NUL-terminated), int32 first and
//                 int32 last entry (inclusive); a region's entries are
//                 consecutive, and within it those of one "CCD"
//   ..  N x 20    entries: Zip_B (8), Zip_E (8), int32 text offset
//   ..  T         text block, each byte XORed with key[position % 16]; an
//                 entry's text holds "NC" at 0, "CCD" at 3 and the city
//                 name at 7, each NUL-terminated GBK
//   ..  N x 4     first-entry index (byte offsets into the entry table)
//   ..  N x 4     postcode index, ordered by Zip_B (ASCII case ignored)
//   ..  N x 4     name index, ordered by city name (ASCII case ignored)
// The key is the MD5 digest of the identification text and a fixed suffix.
//
// The company's full library has 104 regions, 331,060 entries and a text
// block of 5,353,176 bytes; smaller libraries of the same layout load as
// well.  A file is refused whole (the library stays unloaded and LoadError()
// says why) unless its size is exactly what its header counts give, every
// region and index points inside the entry table, every text offset leads to
// the three terminated texts inside the block, and both ordered indexes are
// in order: no search ever reads outside what was loaded.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/Md5.h"

struct AddressRegion {
  std::string_view code;  // "NC"
  int32_t first = 0;      // entry numbers, last inclusive
  int32_t last = -1;
};

// One city of the loaded library; its texts live in the library.
struct AddressEntry {
  std::string_view zipB, zipE;
  const char* text = nullptr;
  std::string_view Nc() const { return text; }
  std::string_view Ccd() const { return text + 3; }
  std::string_view Name() const { return text + 7; }
};

// A city taken out of the library, owning its texts (what the world city
// dialog hands to the window that opened it).
struct CityChoice {
  std::string zipB, zipE, nc, ccd, name;
  static CityChoice Of(const AddressEntry& entry);
};

class CAddressLibrary {
 public:
  static constexpr std::string_view kFileName = "city.dat";
  static constexpr size_t kIdentificationSize = 32;
  static constexpr size_t kHeaderSize = 48;
  static constexpr size_t kRegionSize = 16;
  static constexpr size_t kEntrySize = 20;
  using Key = Md5Bytes;

  // The identification text of the library files this program reads: a
  // fixed prefix and the library edition.
  static std::string IdentificationText(std::string_view edition = kEdition);
  static constexpr std::string_view kEdition = "2026";
  // The key of a library with that identification text.
  static Key KeyOf(std::string_view identification);

  // Start-up: loads "city.dat" from the program folder (ending in its
  // separator) when it exists; whether the library is loaded.
  bool LoadFromFolder(std::string_view programFolder);
  // Reads the file; true when loaded.  A refused file leaves the library
  // unloaded.
  bool Load(const std::string& path, std::string_view identification, const Key& key);
  bool IsLoaded() const { return loaded_; }
  // Why the last load refused its file; empty when it loaded or found none.
  const std::string& LoadError() const { return loadError_; }

  // The region whose code equals the text exactly, or null.
  const AddressRegion* FindRegion(std::string_view code) const;
  // The entry whose city name equals the text (ASCII case ignored), or null.
  const AddressEntry* FindByName(std::string_view name) const;
  // Appends, in name order, the entries whose city name contains the text
  // (byte for byte), until n are taken; the list's length.
  size_t FindByNameSubstring(std::string_view text, std::vector<const AddressEntry*>& list,
                             size_t n) const;
  // Appends the entries whose range holds the postcode: Zip_B of the same
  // length, and either equal to it or below it with the postcode not above
  // Zip_E; the list's length.
  size_t FindByZip(std::string_view postcode, std::vector<const AddressEntry*>& list) const;

  const std::vector<AddressRegion>& Regions() const { return regions_; }
  const std::vector<AddressEntry>& Entries() const { return entries_; }
  // Entry numbers in name order and in postcode order.
  const std::vector<int32_t>& NameIndex() const { return nameIndex_; }
  const std::vector<int32_t>& PostcodeIndex() const { return postcodeIndex_; }
  int32_t DistinctNames() const { return distinctNames_; }

 private:
  void Unload();
  bool Refuse(std::string reason);

  std::unique_ptr<char[]> bytes_;  // the whole file, text block unscrambled
  std::vector<int32_t> firstIndex_, nameIndex_, postcodeIndex_;
  Key key_{};
  std::vector<AddressRegion> regions_;
  std::vector<AddressEntry> entries_;
  bool loaded_ = false;
  int32_t distinctNames_ = 0;
  size_t textSize_ = 0;
  // The city names in name order, each ended by a NUL, and where each
  // begins (the substring search).
  std::string nameBlock_;
  std::vector<uint32_t> nameStarts_;
  std::string loadError_;
};

// One city for a library file.
struct CitySource {
  std::string nc, ccd, name, zipB, zipE;  // GBK
};

// The bytes of a library file holding the cities, grouped by "NC" and then
// "CCD" in the order each first appears; texts longer than their fields are
// cut (NC 2, CCD 3, postcodes 7 bytes).
std::string BuildAddressLibraryFile(const std::vector<CitySource>& cities,
                                    std::string_view identification,
                                    const CAddressLibrary::Key& key);
