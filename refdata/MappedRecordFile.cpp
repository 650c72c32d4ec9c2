#include "refdata/MappedRecordFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "platform/MessageBox.h"

namespace {

// Language texts of the two refusals of a damaged or foreign file.
constexpr int32_t kTextNotRecordFile = 20960;
constexpr int32_t kTextCountMismatch = 20961;

int32_t ReadInt32(const unsigned char* p) {
  int32_t value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

bool ReadAll(int fd, unsigned char* buffer, size_t size) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = ::pread(fd, buffer + done, size - done, static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Makes the file at least `size` bytes long with its blocks allocated, so
// that writing through the mapping cannot fail for want of disk space.
bool GrowFile(int fd, uint64_t size) {
  int rc;
  do {
    rc = ::posix_fallocate(fd, 0, static_cast<off_t>(size));
  } while (rc == EINTR);
  if (rc == 0) return true;
  if (rc == EOPNOTSUPP || rc == EINVAL)
    return ::ftruncate(fd, static_cast<off_t>(size)) == 0;
  return false;
}

}  // namespace

CMappedRecordFile::~CMappedRecordFile() { Close(); }

int CMappedRecordFile::SetupAndOpen(const std::filesystem::path& path, int32_t recordSize) {
  recordSize_ = recordSize;
  path_ = path;
  return Open();
}

int CMappedRecordFile::Fail(const char* format) {
  std::u16string text;
  const std::u16string fmt = WideFromGbk(format);
  size_t at = fmt.find(u"%s");
  text.assign(fmt, 0, at);
  if (at != std::u16string_view::npos) {
    text += WideFromNarrow(path_.native(), 65001);
    text.append(fmt, at + 2);
  }
  Close();
  failureText_ = std::move(text);
  return 0;
}

int CMappedRecordFile::Refuse(const char* format, int32_t messageId, int32_t count) {
  Fail(format);
  std::u16string message = AppLanguage().Text(messageId);
  ReplaceAllW(message, u"%1", WideFromNarrow(path_.native(), 65001));
  std::string number = std::to_string(count);
  ReplaceAllW(message, u"%2", std::u16string(number.begin(), number.end()));
  platform::ShowMessageBox(message, {}, platform::kMbOk | platform::kMbIconError);
  return 0;
}

int CMappedRecordFile::Open() {
  Close();
  changeCounter_ = 1;
  failureText_.clear();
  if (recordSize_ <= 0 || path_.empty()) return Fail("File(%s) open failed.");

  fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) return Fail("File(%s) open failed.");
  // Others may read the file, nobody else may write it while it is open.
  if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) return Fail("File(%s) open failed.");
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return Fail("File(%s) open failed.");
  if (!S_ISREG(st.st_mode))
    return Refuse("File(%s) is not a record file.", kTextNotRecordFile, 0);

  const uint64_t fileSize = static_cast<uint64_t>(st.st_size);
  const uint64_t size = static_cast<uint64_t>(recordSize_);
  int32_t count = 0;
  int32_t lastId = 0;
  if (fileSize > 0) {
    // Only a file this class wrote is mapped: a full header whose unused
    // part is zero, and a count that the file's length can hold.
    if (fileSize < kHeaderSize)
      return Refuse("File(%s) is not a record file.", kTextNotRecordFile, 0);
    unsigned char header[kHeaderSize];
    if (!ReadAll(fd_, header, sizeof header)) return Fail("File(%s) open failed.");
    count = ReadInt32(header);
    lastId = ReadInt32(header + 4);
    for (size_t i = 8; i < kHeaderSize; ++i) {
      if (header[i] != 0)
        return Refuse("File(%s) is not a record file.", kTextNotRecordFile, count);
    }
    if (count < 0 || lastId < 0)
      return Refuse("File(%s) is not a record file.", kTextNotRecordFile, count);
    if (lastId < count || kHeaderSize + static_cast<uint64_t>(count) * size > fileSize)
      return Refuse("File(%s) record count does not fit the file length.",
                    kTextCountMismatch, count);
  }

  const uint64_t mapSize =
      (static_cast<uint64_t>(count) + kSpareRecords) * size + kHeaderSize;
  if (mapSize > static_cast<uint64_t>(std::numeric_limits<off_t>::max()) ||
      mapSize > std::numeric_limits<size_t>::max())
    return Fail("File(%s) mapping failed.");
  if (fileSize < mapSize && !GrowFile(fd_, mapSize)) return Fail("File(%s) mapping failed.");

  void* view = ::mmap(nullptr, static_cast<size_t>(mapSize), PROT_READ | PROT_WRITE,
                      MAP_SHARED, fd_, 0);
  if (view == MAP_FAILED) return Fail("File(%s) mapview failed(0).");
  view_ = static_cast<unsigned char*>(view);
  mapSize_ = static_cast<size_t>(mapSize);
  count_ = count;
  lastId_ = lastId;
  open_ = 1;
  return 1;
}

void CMappedRecordFile::Close() {
  if (view_) ::munmap(view_, mapSize_);
  if (fd_ >= 0) ::close(fd_);  // also drops the lock
  view_ = nullptr;
  fd_ = -1;
  mapSize_ = 0;
  open_ = 0;
  count_ = 0;
  lastId_ = 0;
}

unsigned char* CMappedRecordFile::RecordPtr(int index) const {
  return view_ + kHeaderSize + static_cast<size_t>(index) * static_cast<size_t>(recordSize_);
}

void* CMappedRecordFile::GetAt(int index) {
  if (!view_ || index < 0 || index >= count_) return nullptr;
  return RecordPtr(index);
}

const void* CMappedRecordFile::GetAt(int index) const {
  if (!view_ || index < 0 || index >= count_) return nullptr;
  return RecordPtr(index);
}

void CMappedRecordFile::WriteHeader() {
  std::memcpy(view_, &count_, sizeof count_);
  std::memcpy(view_ + 4, &lastId_, sizeof lastId_);
}

int CMappedRecordFile::PutAt(int index, const void* record) {
  if (!open_ || !view_ || !record || index < 0 || index >= count_) return 0;
  std::memmove(RecordPtr(index), record, static_cast<size_t>(recordSize_));
  ++changeCounter_;
  return Commit() ? 1 : 0;
}

int CMappedRecordFile::Append(void* record) {
  if (!open_ || !view_ || !record) return 0;
  if (lastId_ == std::numeric_limits<int32_t>::max()) return 0;
  // The remap rule keeps room for every append; should the room ever run
  // out all the same, remap before writing rather than past the mapping.
  const size_t needed = kHeaderSize + (static_cast<size_t>(count_) + 1) *
                                          static_cast<size_t>(recordSize_);
  if (needed > mapSize_ && !Remap()) return 0;

  const int32_t id = lastId_ + 1;
  unsigned char* slot = RecordPtr(count_);
  std::memmove(slot, record, static_cast<size_t>(recordSize_));
  std::memcpy(slot, &id, sizeof id);
  std::memcpy(record, &id, sizeof id);
  ++count_;
  lastId_ = id;
  WriteHeader();
  ++changeCounter_;
  if (!Commit()) return 0;
  return count_;
}

int CMappedRecordFile::RemoveAt(int index) {
  if (!open_ || !view_ || index < 0 || index >= count_) return 0;
  const size_t after = static_cast<size_t>(count_ - index - 1);
  if (after > 0)
    std::memmove(RecordPtr(index), RecordPtr(index + 1),
                 after * static_cast<size_t>(recordSize_));
  --count_;
  WriteHeader();
  ++changeCounter_;
  return Commit() ? 1 : 0;
}

int CMappedRecordFile::Touch() {
  if (!open_ || !view_) return 0;
  ++changeCounter_;
  return Commit();
}

// Maps the file again with room for kSpareRecords records after the current
// count.  The descriptor stays open the whole time, so its lock is never let
// go: no other writer can slip in between.  A failure closes the store.
int CMappedRecordFile::Remap() {
  const bool flushed = ::msync(view_, mapSize_, MS_SYNC) == 0;
  changeCounter_ = 1;
  const uint64_t mapSize = (static_cast<uint64_t>(count_) + kSpareRecords) *
                               static_cast<uint64_t>(recordSize_) +
                           kHeaderSize;
  if (mapSize > static_cast<uint64_t>(std::numeric_limits<off_t>::max()) ||
      mapSize > std::numeric_limits<size_t>::max())
    return Fail("File(%s) mapping failed.");
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return Fail("File(%s) mapping failed.");
  if (static_cast<uint64_t>(st.st_size) < mapSize && !GrowFile(fd_, mapSize))
    return Fail("File(%s) mapping failed.");

  ::munmap(view_, mapSize_);
  view_ = nullptr;
  mapSize_ = 0;
  void* view = ::mmap(nullptr, static_cast<size_t>(mapSize), PROT_READ | PROT_WRITE,
                      MAP_SHARED, fd_, 0);
  if (view == MAP_FAILED) return Fail("File(%s) mapview failed(0).");
  view_ = static_cast<unsigned char*>(view);
  mapSize_ = static_cast<size_t>(mapSize);
  return flushed ? 1 : 0;
}

int CMappedRecordFile::Commit() {
  if (changeCounter_ <= 1) return 1;
  if (!view_ || fd_ < 0) return 0;
  if (changeCounter_ < kRemapChanges) return ::msync(view_, mapSize_, MS_SYNC) == 0 ? 1 : 0;
  return Remap();
}

int CMappedRecordFile::IndexOfId(int32_t id) const {
  int low = 0;
  int high = count_ - 1;
  while (low <= high) {
    const int middle = low + (high - low) / 2;
    const int32_t found = ReadInt32(RecordPtr(middle));
    if (found > id)
      high = middle - 1;
    else if (found < id)
      low = middle + 1;
    else
      return middle;
  }
  return -1;
}

void* CMappedRecordFile::FindById(int32_t id) {
  if (!view_) return nullptr;
  const int index = IndexOfId(id);
  return index < 0 ? nullptr : RecordPtr(index);
}

void CMappedRecordFile::RemoveById(int32_t id) {
  if (!view_) return;
  const int index = IndexOfId(id);
  if (index >= 0) RemoveAt(index);
}
