#pragma once
// A local table of fixed-size records kept in a memory-mapped file.
//
// File layout (little-endian):
//   0    int32  record count
//   4    int32  last id given by Append
//   8    248 bytes unused, zero
//   256  record i at 256 + i * recordSize, for i = 0 .. count - 1
// The file is longer than its records: on every (re)open it is extended to
// (count + 500) * recordSize + 256 bytes, so 500 more records fit into the
// mapping, and it never shrinks.  Every record begins with its int32 id; ids
// given by Append only grow, so records that were only appended and removed
// stay in ascending id order.
//
// Every change is flushed to disk at once (msync); after 499 changes the
// file is mapped again with room for 500 more records.  The file stays open
// (and locked) across the remap.
//
// Pointers handed out by GetAt and the look-ups point into the mapping.  They
// stay valid only until the next change (PutAt, Append, RemoveAt, Touch,
// Commit), since a change may move records or remap the file.
//
// Only one thread may use a store; there is no lock.  The open file holds an
// exclusive lock, so a second writer (another process or another store
// object on the same file) is refused while this one is open.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

class CMappedRecordFile {
 public:
  static constexpr size_t kHeaderSize = 256;
  // Records that always fit after the current count when the file is mapped.
  static constexpr int32_t kSpareRecords = 500;
  // The change count at which Commit remaps the file instead of flushing it.
  static constexpr int32_t kRemapChanges = 500;

  CMappedRecordFile() = default;
  virtual ~CMappedRecordFile();
  CMappedRecordFile(const CMappedRecordFile&) = delete;
  CMappedRecordFile& operator=(const CMappedRecordFile&) = delete;

  // Stores the record size and the path, then opens the file (Open).
  int SetupAndOpen(const std::filesystem::path& path, int32_t recordSize);

  // Opens and maps the stored path, creating the file when missing.  1 on
  // success; 0 with the failure text set when the file cannot be opened or
  // mapped, or when it is not a record file of this size or its header
  // disagrees with its length (those two also show a message).
  virtual int Open();
  virtual int IsOpen() const { return open_; }
  virtual int GetCount() const { return count_; }
  int GetLastId() const { return lastId_; }

  // Pointer to record i inside the mapping for 0 <= i < count, else null.
  virtual void* GetAt(int index);
  const void* GetAt(int index) const;
  // Copies recordSize bytes over record i and commits; 1, or 0 for an index
  // outside 0 .. count - 1, a store that is not open or a failed commit.
  virtual int PutAt(int index, const void* record);
  // Gives the record the id last id + 1 (also written into the caller's
  // record), stores it after the last record and commits; returns the new
  // count, or 0 when the store is not open, no id is left or the commit
  // failed.
  virtual int Append(void* record);
  // Moves the records after i one place down and lowers the count; the last
  // id stays.  1, or 0 as for PutAt.
  virtual int RemoveAt(int index);
  // Counts a change made through a pointer from GetAt and commits.
  int Touch();
  // Writes the changes to disk; after kRemapChanges - 1 changes since the
  // last open or remap the file is mapped again with fresh room, without
  // closing it.  1 on success (also when nothing changed), 0 when the flush
  // or the remap failed; a failed remap leaves the store closed, with the
  // reason in FailureText().
  virtual int Commit();
  // Unmaps the view and closes the file.
  void Close();

  // Binary search by id over records in ascending id order; null when absent.
  void* FindById(int32_t id);
  // The same search; removes the record found.  Nothing otherwise.
  void RemoveById(int32_t id);

  int32_t RecordSize() const { return recordSize_; }
  const std::filesystem::path& Path() const { return path_; }
  // The message of the last failed open or remap (empty after a successful
  // open).
  const std::u16string& FailureText() const { return failureText_; }
  // Changes since the last open or remap, plus one.
  int32_t ChangeCounter() const { return changeCounter_; }
  // Bytes currently mapped: (count at open + 500) * recordSize + 256.
  size_t MappedSize() const { return mapSize_; }

 private:
  int IndexOfId(int32_t id) const;
  unsigned char* RecordPtr(int index) const;
  void WriteHeader();
  int Fail(const char* format);
  int Refuse(const char* format, int32_t messageId, int32_t count);
  int Remap();

  int32_t changeCounter_ = 1;
  int fd_ = -1;
  unsigned char* view_ = nullptr;
  size_t mapSize_ = 0;
  int32_t count_ = 0;
  int32_t lastId_ = 0;
  int open_ = 0;
  std::u16string failureText_;
  int32_t recordSize_ = 0;
  std::filesystem::path path_;
};
