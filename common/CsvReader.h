#pragma once
// Reader of comma-separated files for the imports.  The whole file is read
// into memory and turned into GBK (a UTF-8 file with byte-order mark and
// UTF-16 files of either byte order are converted); the records are then
// handed out one at a time as arrays of narrow field texts.
//
//   CCsvReader csv(54936);
//   if (!csv.LoadFile(path)) show csv.ErrorText();
//   int count;
//   while (csv.ReadRecord(count)) { csv.Field(0) ... }
//
// Fields are separated by commas; a field in double quotes may hold commas,
// line breaks and doubled quotes.  Blank lines between records vanish.
// A record keeps at most 256 fields; further fields of the same record are
// dropped and the record is marked cut (RecordCut).

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CCsvReader {
 public:
  static constexpr uint64_t kMaxFileBytes = 20000000;
  static constexpr int kMaxFields = 256;

  // codePage: the code page the caller takes the file to be in (the imports
  // pass 54936, GB18030); LoadFile may change it to 28591 (ISO-8859-1).
  explicit CCsvReader(unsigned codePage);
  virtual ~CCsvReader();

  CCsvReader(const CCsvReader&) = delete;
  CCsvReader& operator=(const CCsvReader&) = delete;

  // Reads the whole file.  False with the error text set when the file
  // cannot be opened, is larger than 20,000,000 bytes or does not fit in
  // memory.
  bool LoadFile(const std::filesystem::path& path);

  // The last error message.
  const std::u16string& ErrorText() const { return errorText_; }

  // Splits the next record into fields.  True while records are read (the
  // field count is set), false when no record is left.
  bool ReadRecord(int& fieldCount);
  bool ReadRecord();

  // Field i of the current record, none when i is not below the field count.
  std::optional<std::string_view> Field(int index) const;
  int FieldCount() const { return static_cast<int>(fields_.size()); }
  // True when the current record had more than 256 fields and the rest were
  // dropped.
  bool RecordCut() const { return recordCut_; }

  // The code page of the field texts: the one given, or 28591 after the
  // guess below.
  unsigned CodePage() const { return codePage_; }

  // For code page 54936 only: switches to 28591 when the high bytes of the
  // text look like single ISO-8859-1 letters rather than GB18030 pairs.
  void GuessCodePage();

 private:
  void ReadField(bool& recordEnds, std::string* out);

  unsigned codePage_;
  std::u16string errorText_;
  std::string text_;          // the file text, ending at its first NUL
  std::optional<size_t> pos_; // none when no record is left
  std::vector<std::string> fields_;
  bool recordCut_ = false;
};
