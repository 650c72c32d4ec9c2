#pragma once
// The byte streams every codec reads and writes: an abstract stream, one
// over a C runtime FILE and a growable one in memory.

#include <cstddef>
#include <cstdint>
#include <cstdio>

class CImageStream {
 public:
  virtual ~CImageStream() = default;
  virtual bool Close() = 0;
  // Whole elements read or written.
  virtual size_t Read(void* buffer, size_t size, size_t count) = 0;
  virtual size_t Write(const void* buffer, size_t size, size_t count) = 0;
  // origin: 0 from the start, 1 from the current position, 2 from the end.
  virtual bool Seek(int64_t offset, int origin) = 0;
  virtual int64_t Tell() = 0;
  // Total size, -1 when nothing is open.
  virtual int64_t Size() = 0;
  virtual bool Flush() = 0;
  virtual bool Eof() = 0;
  virtual int Error() = 0;
  virtual bool PutC(uint8_t byte) { return Write(&byte, 1, 1) == 1; }
  // 0 to 255, or -1 at the end.
  virtual int GetC() = 0;
};

class CImageFileStream : public CImageStream {
 public:
  // Over a FILE the caller keeps: never closed by this stream.
  explicit CImageFileStream(std::FILE* file) : file_(file) {}
  // Without a FILE; Open gives it one, which Close and the destructor close.
  CImageFileStream() : closeOnDestroy_(true) {}
  ~CImageFileStream() override { Close(); }
  CImageFileStream(const CImageFileStream&) = delete;
  CImageFileStream& operator=(const CImageFileStream&) = delete;

  // Opens a file by its UTF-8 name ("rb", "wb", ...) when none is open.
  bool Open(const char* fileName, const char* mode);

  bool Close() override;
  size_t Read(void* buffer, size_t size, size_t count) override;
  size_t Write(const void* buffer, size_t size, size_t count) override;
  bool Seek(int64_t offset, int origin) override;
  int64_t Tell() override;
  int64_t Size() override;
  bool Flush() override;
  bool Eof() override;
  int Error() override;
  bool PutC(uint8_t byte) override;
  int GetC() override;

 private:
  std::FILE* file_ = nullptr;
  bool closeOnDestroy_ = false;
};

class CImageMemoryStream : public CImageStream {
 public:
  // Over a caller's block, which the stream never frees and never changes: a
  // write first moves the data into a block of the stream's own.
  CImageMemoryStream(const void* data, size_t size);
  // Without a block: Open makes one.
  CImageMemoryStream() : freeOnClose_(true) {}
  ~CImageMemoryStream() override { Close(); }
  CImageMemoryStream(const CImageMemoryStream&) = delete;
  CImageMemoryStream& operator=(const CImageMemoryStream&) = delete;

  // A stream never grows beyond this many bytes; a write that would need
  // more writes nothing.
  static constexpr size_t kMaxCapacity = size_t{1} << 30;

  bool Open();
  // The buffer; with detach the caller owns it (release with std::free).
  uint8_t* GetBuffer(bool detach = true);
  size_t Capacity() const { return capacity_; }
  int64_t Position() const { return position_; }

  bool Close() override;
  size_t Read(void* buffer, size_t size, size_t count) override;
  size_t Write(const void* buffer, size_t size, size_t count) override;
  bool Seek(int64_t offset, int origin) override;
  int64_t Tell() override;
  int64_t Size() override;
  bool Flush() override;
  bool Eof() override;
  int Error() override;
  bool PutC(uint8_t byte) override;
  int GetC() override;

 private:
  // Makes room for `needed` bytes in a block the stream owns; false (and
  // nothing changed) when it cannot.
  bool Grow(uint64_t needed);

  uint8_t* buffer_ = nullptr;
  size_t size_ = 0;
  bool freeOnClose_ = false;
  int64_t position_ = 0;
  size_t capacity_ = 0;
  bool callersBlock_ = false;
};
