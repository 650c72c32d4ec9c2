#pragma once
// Searches of the sender/receiver directory (DATA/rsdata.dat, the store
// CDirectoryTable of RecordStores.h): the code, name and phone indexes, the
// type-ahead searches of the directory popup, the duplicate checks of the
// directory page and the short codes made for new entries.
//
// The indexes hold record positions, ordered case-insensitively by their key
// (ASCII letters only; double-byte characters compare whole).  Every change
// of the store must be followed by RebuildIndexes before the next search;
// a search that finds the store changed since the last rebuild rebuilds the
// indexes itself, and positions beyond the current count are never used.
// Records handed out point into the store's mapping and stay valid only
// until its next change.

#include <array>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "refdata/RecordStores.h"

class CDirectoryIndex {
 public:
  // The rows a type-ahead search fills (null where there is none).
  using Rows = std::array<DirectoryRecord*, 5>;

  explicit CDirectoryIndex(CDirectoryTable& table);

  // The store the indexes are built over.
  CDirectoryTable& Table() { return table_; }

  // Opens the store and builds the indexes; the record count, or -1 when the
  // file cannot be opened.
  int Load(const std::filesystem::path& path);

  // Rebuilds the code, name and phone indexes, in this order.
  void RebuildIndexes();

  // Backward scans: the last record whose name (phone) equals the text byte
  // for byte; null when none.
  DirectoryRecord* FindByName(std::string_view name);
  DirectoryRecord* FindByPhone(std::string_view phone);

  // Binary search by id (ids ascending); the position, or -1.
  int IndexOfId(int32_t id) const;
  // Removes the record with the id, when there is one, and rebuilds.
  void RemoveById(int32_t id);

  // Type-ahead search: an empty text changes nothing.  A text beginning
  // with a digit or a..z and at most 11 bytes long searches codes, any other
  // text names; on a prefix hit the rows take up to five consecutive index
  // entries from the first match, else up to five records (file order) whose
  // name contains the text.
  void Search(Rows& rows, std::string_view text);
  // The same on the phone index, without the substring fallback.
  void SearchByPhone(Rows& rows, std::string_view text);

  // A code no entry holds, made from the pinyin initials of the name (see
  // the implementation), or a random number for a name without them.
  std::string MakeDirectoryCode(std::string_view name);
  // True when the code is empty or an entry other than ownId holds exactly
  // this code (ownId 0: every holder counts).
  bool IsCodeTaken(std::string_view code, int32_t ownId);

  // Positions in index order (tests and the directory page's list).
  const std::vector<int>& CodeIndex() { return Fresh().codeIndex_; }
  const std::vector<int>& NameIndex() { return Fresh().nameIndex_; }
  const std::vector<int>& PhoneIndex() { return Fresh().phoneIndex_; }

  // The seed of the random codes (tests).
  void SeedRandom(uint32_t seed) { random_.seed(seed); }

 private:
  enum class Key { kCode, kName, kPhone };
  CDirectoryIndex& Fresh();
  std::string_view KeyOf(int position, Key key) const;
  void BuildIndex(std::vector<int>& index, Key key);
  int PrefixSearch(const std::vector<int>& index, Key key, std::string_view text) const;
  void TakeFromIndex(Rows& rows, const std::vector<int>& index, int first);
  std::string RandomCode();

  CDirectoryTable& table_;
  std::vector<int> codeIndex_;
  std::vector<int> nameIndex_;
  std::vector<int> phoneIndex_;
  // The store's state at the last rebuild.
  int32_t builtCount_ = -1;
  int32_t builtChanges_ = -1;
  int32_t builtLastId_ = -1;
  std::mt19937 random_{std::random_device{}()};
};

// Compares the first n bytes of a key and a text, ASCII letters without
// case, a double-byte GBK character as a whole; a key ending early compares
// as NUL.  <0, 0 or >0.
int CompareDirectoryKey(std::string_view key, std::string_view text, size_t n);
