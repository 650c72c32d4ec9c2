#include "image/ImageStream.h"

#include <cstdlib>
#include <cstring>

// --- file stream ---

bool CImageFileStream::Open(const char* fileName, const char* mode) {
  if (file_ || !fileName) return false;
  file_ = std::fopen(fileName, mode);
  closeOnDestroy_ = true;
  return file_ != nullptr;
}

bool CImageFileStream::Close() {
  if (!file_ || !closeOnDestroy_) return false;
  bool ok = std::fclose(file_) == 0;
  file_ = nullptr;
  return ok;
}

size_t CImageFileStream::Read(void* buffer, size_t size, size_t count) {
  return file_ ? std::fread(buffer, size, count, file_) : 0;
}

size_t CImageFileStream::Write(const void* buffer, size_t size, size_t count) {
  return file_ ? std::fwrite(buffer, size, count, file_) : 0;
}

bool CImageFileStream::Seek(int64_t offset, int origin) {
  return file_ && std::fseek(file_, static_cast<long>(offset), origin) == 0;
}

int64_t CImageFileStream::Tell() { return file_ ? std::ftell(file_) : 0; }

int64_t CImageFileStream::Size() {
  if (!file_) return -1;
  long position = std::ftell(file_);
  std::fseek(file_, 0, SEEK_END);
  long size = std::ftell(file_);
  std::fseek(file_, position, SEEK_SET);
  return size;
}

bool CImageFileStream::Flush() { return file_ && std::fflush(file_) == 0; }
bool CImageFileStream::Eof() { return !file_ || std::feof(file_) != 0; }
int CImageFileStream::Error() { return file_ ? std::ferror(file_) : -1; }
bool CImageFileStream::PutC(uint8_t byte) { return file_ && std::fputc(byte, file_) == byte; }
int CImageFileStream::GetC() { return file_ ? std::fgetc(file_) : -1; }

// --- memory stream ---

CImageMemoryStream::CImageMemoryStream(const void* data, size_t size)
    : buffer_(static_cast<uint8_t*>(const_cast<void*>(data))),
      size_(size),
      capacity_(size),
      callersBlock_(data != nullptr) {}

bool CImageMemoryStream::Open() {
  if (buffer_) return false;
  size_ = 0;
  position_ = 0;
  capacity_ = 0;
  buffer_ = static_cast<uint8_t*>(std::malloc(1));
  if (!buffer_) return false;
  freeOnClose_ = true;
  callersBlock_ = false;
  return true;
}

uint8_t* CImageMemoryStream::GetBuffer(bool detach) {
  if (detach) freeOnClose_ = false;
  return buffer_;
}

bool CImageMemoryStream::Close() {
  if (buffer_ && freeOnClose_) {
    std::free(buffer_);
    buffer_ = nullptr;
    size_ = 0;
  }
  return true;
}

size_t CImageMemoryStream::Read(void* buffer, size_t size, size_t count) {
  if (!buffer_ || size == 0 || count == 0 || position_ >= static_cast<int64_t>(size_)) return 0;
  uint64_t wanted = static_cast<uint64_t>(size) * count;
  if (count != 0 && wanted / count != size) wanted = UINT64_MAX;
  uint64_t left = size_ - static_cast<size_t>(position_);
  size_t n = static_cast<size_t>(wanted < left ? wanted : left);
  std::memcpy(buffer, buffer_ + position_, n);
  position_ += static_cast<int64_t>(n);
  return n / size;
}

bool CImageMemoryStream::Grow(uint64_t needed) {
  if (needed <= capacity_ && !callersBlock_) return true;
  if (needed > kMaxCapacity) return false;
  size_t newCapacity = needed <= capacity_ ? capacity_ : static_cast<size_t>(needed / 4096 * 4096 + 4096);
  uint8_t* block;
  if (callersBlock_) {
    // Never realloc nor write into the caller's block: copy it.
    block = static_cast<uint8_t*>(std::malloc(newCapacity));
    if (!block) return false;
    if (size_) std::memcpy(block, buffer_, size_);
  } else {
    block = static_cast<uint8_t*>(std::realloc(buffer_, newCapacity));
    if (!block) return false;
  }
  buffer_ = block;
  capacity_ = newCapacity;
  callersBlock_ = false;
  freeOnClose_ = true;
  return true;
}

size_t CImageMemoryStream::Write(const void* buffer, size_t size, size_t count) {
  if (!buffer_ || !buffer || size == 0 || count == 0) return 0;
  uint64_t bytes = static_cast<uint64_t>(size) * count;
  if (bytes / count != size || bytes > kMaxCapacity) return 0;
  uint64_t end = static_cast<uint64_t>(position_) + bytes;
  if (!Grow(end)) return 0;
  // Bytes between the old end and a position past it read as zeros.
  if (static_cast<size_t>(position_) > size_) std::memset(buffer_ + size_, 0, position_ - size_);
  std::memcpy(buffer_ + position_, buffer, bytes);
  position_ = static_cast<int64_t>(end);
  if (end > size_) size_ = static_cast<size_t>(end);
  return count;
}

bool CImageMemoryStream::Seek(int64_t offset, int origin) {
  if (!buffer_) return false;
  int64_t base;
  if (origin == 0)
    base = 0;
  else if (origin == 1)
    base = position_;
  else if (origin == 2)
    base = static_cast<int64_t>(size_);
  else
    return false;
  int64_t target = base + offset;
  if (offset > 0 && target < base) target = INT64_MAX;
  position_ = target < 0 ? 0 : target;
  return true;
}

int64_t CImageMemoryStream::Tell() { return buffer_ ? position_ : -1; }
int64_t CImageMemoryStream::Size() { return buffer_ ? static_cast<int64_t>(size_) : -1; }
bool CImageMemoryStream::Flush() { return buffer_ != nullptr; }
bool CImageMemoryStream::Eof() { return !buffer_ || position_ >= static_cast<int64_t>(size_); }
int CImageMemoryStream::Error() {
  if (!buffer_) return -1;
  return position_ > static_cast<int64_t>(size_) ? 1 : 0;
}

bool CImageMemoryStream::PutC(uint8_t byte) { return Write(&byte, 1, 1) == 1; }

int CImageMemoryStream::GetC() {
  if (Eof()) return -1;
  return buffer_[position_++];
}
