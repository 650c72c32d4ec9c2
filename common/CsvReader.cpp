#include "common/CsvReader.h"

#include <cstdio>
#include <memory>
#include <new>
#include <sys/stat.h>

#include "common/TextCodec.h"

namespace {

constexpr unsigned kGb18030 = 54936;
constexpr unsigned kLatin1 = 28591;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }
bool IsHigh(char c) { return static_cast<unsigned char>(c) >= 0x80; }

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// UTF-16 units of the bytes after the two-byte mark; an odd last byte is a
// unit of its own.  The text ends at its first NUL unit.
std::u16string WideFromUtf16Bytes(std::string_view bytes, bool bigEndian) {
  std::u16string out;
  out.reserve(bytes.size() / 2 + 1);
  for (size_t i = 0; i < bytes.size(); i += 2) {
    unsigned a = static_cast<unsigned char>(bytes[i]);
    unsigned b = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
    char16_t unit = static_cast<char16_t>(bigEndian ? (a << 8) | b : a | (b << 8));
    if (unit == 0) break;
    out.push_back(unit);
  }
  return out;
}

}  // namespace

CCsvReader::CCsvReader(unsigned codePage) : codePage_(codePage) {}

CCsvReader::~CCsvReader() = default;

bool CCsvReader::LoadFile(const std::filesystem::path& path) {
  text_.clear();
  text_.shrink_to_fit();
  pos_.reset();
  fields_.clear();
  recordCut_ = false;

  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  struct stat info {};
  if (!file || ::fstat(::fileno(file.get()), &info) != 0 || !S_ISREG(info.st_mode)) {
    errorText_ = u"文件打开错误。";
    return false;
  }
  const uint64_t length = static_cast<uint64_t>(info.st_size);
  if (length > kMaxFileBytes) {
    const std::string limit = std::to_string(kMaxFileBytes);
    errorText_ = u"文件太大，超过" + std::u16string(limit.begin(), limit.end()) + u" 字节。";
    return false;
  }
  std::string bytes;
  try {
    bytes.resize(static_cast<size_t>(length));
  } catch (const std::bad_alloc&) {
    errorText_ = u"内存不足(文件太大?)。";
    return false;
  }
  size_t got = length ? std::fread(bytes.data(), 1, bytes.size(), file.get()) : 0;
  if (got != bytes.size()) {
    errorText_ = u"文件打开错误。";
    return false;
  }
  file.reset();

  const auto starts = [&](std::string_view mark) { return bytes.compare(0, mark.size(), mark) == 0; };
  try {
    if (starts("\xEF\xBB\xBF")) {
      bytes.erase(0, 3);
      // Bytes that are not UTF-8 after all are kept as they are.
      GbkFromUtf8InPlace(bytes, true, false);
    } else if (starts("\xFF\xFE") || starts("\xFE\xFF")) {
      bytes = GbkFromWide(WideFromUtf16Bytes(std::string_view(bytes).substr(2), bytes[0] == '\xFE'));
    }
  } catch (const std::bad_alloc&) {
    errorText_ = u"内存不足(文件太大?)。";
    return false;
  }
  // The text ends at its first NUL byte.
  size_t nul = bytes.find('\0');
  if (nul != std::string::npos) bytes.resize(nul);
  text_ = std::move(bytes);
  pos_ = 0;
  GuessCodePage();
  return true;
}

void CCsvReader::GuessCodePage() {
  if (codePage_ != kGb18030) return;
  uint64_t pairs = 0;
  uint64_t lone = 0;
  const size_t length = text_.size();
  for (size_t i = 0; i < length;) {
    if (!IsHigh(text_[i])) {
      ++i;
      continue;
    }
    if (i + 1 < length) {
      if (IsHigh(text_[i + 1]))
        ++pairs;
      else
        ++lone;
    }
    i += 2;
  }
  if (lone == 0 || pairs > lone) return;
  if ((pairs == 0 && lone * 6 <= length) || (pairs + lone) * 8 <= length) codePage_ = kLatin1;
}

// Reads one field from the current position into `out` (or drops it when
// out is null).  recordEnds is set when the field ended at a line break.
void CCsvReader::ReadField(bool& recordEnds, std::string* out) {
  size_t& p = *pos_;
  const size_t n = text_.size();
  auto copy = [&](char c) {
    if (out) out->push_back(c);
  };
  if (p < n && text_[p] == '"') {
    ++p;
    while (p < n) {
      char c = text_[p];
      if (c == '"') {
        if (p + 1 < n && text_[p + 1] == '"') {
          copy('"');
          p += 2;
          continue;
        }
        ++p;  // the closing quote
        while (p < n && IsBlank(text_[p])) ++p;
        if (p < n && text_[p] == ',') {
          ++p;
        } else if (p < n && IsLineEnd(text_[p])) {
          // A line break right after a closed field ends the record.
          ++p;
          recordEnds = true;
        }
        return;
      }
      copy(c);
      ++p;
      if (IsHigh(c) && p < n) copy(text_[p++]);
    }
    return;
  }
  while (p < n) {
    char c = text_[p];
    if (c == ',') {
      ++p;
      return;
    }
    if (IsLineEnd(c)) {
      ++p;
      recordEnds = true;
      return;
    }
    copy(c);
    ++p;
    if (IsHigh(c) && p < n) copy(text_[p++]);
  }
}

bool CCsvReader::ReadRecord(int& fieldCount) {
  fieldCount = 0;
  fields_.clear();
  recordCut_ = false;
  if (!pos_) return false;
  size_t& p = *pos_;
  const size_t n = text_.size();
  while (p < n && (IsBlank(text_[p]) || IsLineEnd(text_[p]))) ++p;

  for (;;) {
    while (p < n && IsBlank(text_[p])) ++p;
    if (p >= n) break;
    const bool keep = fields_.size() < static_cast<size_t>(kMaxFields);
    if (IsLineEnd(text_[p])) {
      // A record whose last field is empty (line ending in a comma).
      if (keep)
        fields_.emplace_back();
      else
        recordCut_ = true;
      break;
    }
    bool recordEnds = false;
    if (keep) {
      fields_.emplace_back();
      ReadField(recordEnds, &fields_.back());
    } else {
      recordCut_ = true;
      ReadField(recordEnds, nullptr);
    }
    if (recordEnds) break;
  }

  while (p < n && (IsBlank(text_[p]) || IsLineEnd(text_[p]))) ++p;
  if (p >= n) pos_.reset();
  fieldCount = static_cast<int>(fields_.size());
  return true;
}

bool CCsvReader::ReadRecord() {
  int count;
  return ReadRecord(count);
}

std::optional<std::string_view> CCsvReader::Field(int index) const {
  if (index < 0 || index >= static_cast<int>(fields_.size())) return std::nullopt;
  return std::string_view(fields_[static_cast<size_t>(index)]);
}
