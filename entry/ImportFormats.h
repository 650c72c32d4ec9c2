#pragma once
// The files that drive the waybill import of page 0, without widgets:
//
// - the import format list "input_set.txt" in the program folder: which
//   file formats the operator may choose, each with its display name and
//   its column mapping file;
// - one column mapping file per Excel format: where each of the 69 import
//   fields stands in the sheet (a column in column mode, a header text in
//   header mode), the first data row, and optionally a channel block that
//   pairs channel names with service kind codes.
//
// Both files are GBK text of at most 8,192 bytes.  A key of a mapping file
// ("name=") counts only at the start of a line, after an optional "#" that
// disables it: the first such line of a key decides, so a disabled key stays
// without a value even when a later line names it again.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace waybillimport {

inline constexpr int kFieldCount = 69;
inline constexpr size_t kSettingsFileLimit = 8192;
inline constexpr int kMaxFormats = 20;

// One entry of the format list.
struct ImportFormat {
  int32_t iKind = 0;          // 0 Excel workbook, 1 CSV file, 2 marketplace order file
  int32_t iCodePage = 54936;  // below 100 in the file: 54936
  std::u16string cExt;        // "xls" or "csv"
  std::u16string cName;       // display name
  std::u16string cMapFile;    // mapping file, relative to the program folder
};

// The format list, or why there is none: `message` is the text to show
// (empty when the list may be offered).
struct FormatList {
  std::vector<ImportFormat> formats;
  std::u16string message;
};

// The list from the text of "input_set.txt".
FormatList ParseFormatList(std::string_view text);
// The list from the program folder's "input_set.txt" (texts 120059 when it
// cannot be opened, 120060 when it is too long).
FormatList ReadFormatList(const std::filesystem::path& programFolder);

// The file dialog's filter: "name (*.ext)|*.ext|" per entry, then "|".
std::u16string FormatFilter(const std::vector<ImportFormat>& formats);
// Whether the chosen path ends in the entry's extension (case ignored).
bool PathFitsFormat(std::u16string_view path, const ImportFormat& format);

// A channel name and the service kind code it stands for.
using ChannelMapEntry = std::pair<std::u16string, std::u16string>;

// What a mapping file says.
struct ColumnMapping {
  int mode = -1;      // 0 columns named, above 0 header texts; -1 unusable
  int firstRow = 0;   // first data row (in header mode the header is the row above)
  std::array<int, kFieldCount> columns{};              // from 1; -1 for no column
  std::array<std::u16string, kFieldCount> headers;     // header mode only
  bool hasChannelBlock = false;
  std::vector<ChannelMapEntry> channels;
};

// A column name "A" .. "ZZZ" (A = 1, AA = 27) or a decimal number; 0 or
// less when the text names no column.
int ColumnNumber(std::string_view value);

// The value of `key` (GBK, with its "=") in `text`: the rest of the first
// line that begins with the key, after an optional "#"; nothing when that
// line begins with "#", when no line does, or when the value is not 1 to
// 254 bytes long.
bool KeyValue(std::string_view text, std::string_view key, std::string& value);

// Reads a mapping file's text; the result is the mode (-1 when the file
// cannot be used; the first data row is written then too).  `kindExists`
// answers whether a service kind code names a known kind (channel block).
int LoadColumnMapping(std::string_view text, ColumnMapping& mapping,
                      const std::function<bool(std::string_view)>& kindExists);
// The channel block: the text that follows its start marker.  Replaces the
// list; returns the number of entries.
int LoadChannelMapping(std::string_view block, std::vector<ChannelMapEntry>& channels,
                       const std::function<bool(std::string_view)>& kindExists);
// The same from the file under the program folder; -1 when it cannot be
// opened or is too long.
int LoadColumnMappingFile(const std::filesystem::path& file, ColumnMapping& mapping,
                          const std::function<bool(std::string_view)>& kindExists);

// Writes the default texts of the 69 fields (their captions, the keys of a
// mapping file, are quickentry::ImportFieldNames).
void SetImportDefaults(std::array<std::u16string, kFieldCount>& texts);

}  // namespace waybillimport
