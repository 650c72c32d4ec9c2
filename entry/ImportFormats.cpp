#include "entry/ImportFormats.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "entry/QuickEntryImport.h"

namespace waybillimport {

namespace {

std::string Gbk(std::u16string_view text) { return GbkFromWide(text); }

std::u16string ListMessage(int id, std::string_view suffix) {
  return AppLanguage().Text(id) + WideFromGbk(suffix) + u"\r\ninput_set.txt";
}

// The whole file when it can be read and is not longer than the limit.
enum class FileRead { Ok, Missing, TooLong };
FileRead ReadSmallFile(const std::filesystem::path& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return FileRead::Missing;
  text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return text.size() > kSettingsFileLimit ? FileRead::TooLong : FileRead::Ok;
}

// The text in double quotes starting at `at` (which must be the quote);
// `at` moves past the closing quote.
bool Quoted(std::string_view line, size_t& at, size_t longest, std::string& out) {
  if (at >= line.size() || line[at] != '"') return false;
  const size_t close = line.find('"', at + 1);
  if (close == std::string_view::npos || close - at - 1 > longest) return false;
  out.assign(line.substr(at + 1, close - at - 1));
  at = close + 1;
  return true;
}

bool ParseFormatLine(std::string_view line, ImportFormat& format) {
  if (line.size() < 10 || line[3] != ',') return false;
  const bool excel = line.substr(0, 3) == "XLS";
  size_t at = 4;
  std::string mapFile, name;
  if (!Quoted(line, at, 254, mapFile)) return false;
  if (at >= line.size() || line[at] != ',') return false;
  ++at;
  if (!Quoted(line, at, 30, name)) return false;
  // A comma and then the code page number.
  int codePage = 0;
  if (at + 1 < line.size()) codePage = std::atoi(std::string(line.substr(at + 1)).c_str());
  format.iKind = excel ? 0 : 1;
  format.iCodePage = codePage < 100 ? 54936 : codePage;
  format.cExt = excel ? u"xls" : u"csv";
  format.cName = WideFromGbk(name);
  format.cMapFile = WideFromGbk(mapFile);
  return true;
}

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }

}  // namespace

FormatList ParseFormatList(std::string_view text) {
  FormatList list;
  if (text.find(Gbk(u"速卖通订单导入格式支持=1")) != std::string_view::npos)
    list.formats.push_back({2, 0, u"xls", u"速卖通文件", u""});
  const std::string startMark = Gbk(u"<运单记录导入格式配置开始>");
  const std::string endMark = Gbk(u"<运单记录导入格式配置结束>");
  const size_t start = text.find(startMark);
  if (start == std::string_view::npos) {
    if (list.formats.empty()) list.message = ListMessage(120061, "(1)!");
    return list;
  }
  const size_t from = start + startMark.size();
  const size_t end = text.find(endMark, from);
  if (end == std::string_view::npos) {
    if (list.formats.empty()) list.message = ListMessage(120061, "(2)!");
    return list;
  }
  const std::string_view lines = text.substr(from, end - from);
  size_t at = 0;
  while (static_cast<int>(list.formats.size()) < kMaxFormats + (list.formats.empty() ? 0 : 0)) {
    while (at < lines.size() && IsLineBreak(lines[at])) ++at;
    if (at >= lines.size()) break;
    size_t stop = at;
    while (stop < lines.size() && !IsLineBreak(lines[stop])) ++stop;
    // A line that runs into the end marker without a line break is not read.
    if (stop >= lines.size()) break;
    ImportFormat format;
    if (!ParseFormatLine(lines.substr(at, stop - at), format)) break;
    list.formats.push_back(std::move(format));
    at = stop;
  }
  if (list.formats.empty()) list.message = ListMessage(120061, "(3)!");
  return list;
}

FormatList ReadFormatList(const std::filesystem::path& programFolder) {
  std::string text;
  switch (ReadSmallFile(programFolder / "input_set.txt", text)) {
    case FileRead::Missing:
      return {{}, ListMessage(120059, "")};
    case FileRead::TooLong:
      return {{}, ListMessage(120060, "")};
    case FileRead::Ok:
      break;
  }
  return ParseFormatList(text);
}

std::u16string FormatFilter(const std::vector<ImportFormat>& formats) {
  std::u16string filter;
  for (const ImportFormat& f : formats)
    filter += f.cName + u" (*." + f.cExt + u")|*." + f.cExt + u"|";
  return filter + u"|";
}

bool PathFitsFormat(std::u16string_view path, const ImportFormat& format) {
  if (path.size() < 3) return false;
  std::u16string tail(path.substr(path.size() - 3));
  for (char16_t& c : tail)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return tail == format.cExt;
}

int ColumnNumber(std::string_view value) {
  if (value.empty()) return 0;
  if (value[0] >= '0' && value[0] <= '9') return std::atoi(std::string(value).c_str());
  if (value.size() > 3) return 0;
  int column = 0;
  for (char c : value) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c < 'A' || c > 'Z') return 0;
    column = column * 26 + (c - 'A' + 1);
  }
  return column;
}

bool KeyValue(std::string_view text, std::string_view key, std::string& value) {
  size_t line = 0;
  while (line < text.size()) {
    size_t stop = line;
    while (stop < text.size() && !IsLineBreak(text[stop])) ++stop;
    std::string_view here = text.substr(line, stop - line);
    const bool disabled = !here.empty() && here[0] == '#';
    if (disabled) here.remove_prefix(1);
    if (here.substr(0, key.size()) == key) {
      if (disabled) return false;
      const std::string_view v = here.substr(key.size());
      if (v.empty() || v.size() > 254) return false;
      value.assign(v);
      return true;
    }
    line = stop;
    while (line < text.size() && IsLineBreak(text[line])) ++line;
  }
  return false;
}

int LoadChannelMapping(std::string_view block, std::vector<ChannelMapEntry>& channels,
                       const std::function<bool(std::string_view)>& kindExists) {
  channels.clear();
  const size_t end = block.find(Gbk(u"<网络渠道对应结束>"));
  if (end == std::string_view::npos) return 0;
  block = block.substr(0, end);
  size_t at = 0;
  while (at < block.size()) {
    while (at < block.size() && (block[at] == ' ' || IsLineBreak(block[at]))) ++at;
    size_t stop = at;
    while (stop < block.size() && block[stop] != ' ' && !IsLineBreak(block[stop])) ++stop;
    const std::string_view word = block.substr(at, stop - at);
    at = stop;
    if (word.empty() || word[0] == '#') continue;
    const size_t equals = word.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view name = word.substr(0, equals);
    const std::string_view code = word.substr(equals + 1);
    if (name.empty() || name.size() > 63) continue;
    if (!kindExists || !kindExists(code)) continue;
    channels.emplace_back(WideFromGbk(name), WideFromGbk(code));
  }
  return static_cast<int>(channels.size());
}

int LoadColumnMapping(std::string_view text, ColumnMapping& mapping,
                      const std::function<bool(std::string_view)>& kindExists) {
  mapping.mode = -1;
  mapping.columns.fill(-1);
  for (auto& h : mapping.headers) h.clear();
  const std::string channelMark = Gbk(u"<网络渠道对应开始>");
  const size_t channelAt = text.find(channelMark);
  const std::string blockStart = Gbk(u"<列字段对应关系定义开始>");
  const size_t start = text.find(blockStart);
  if (start == std::string_view::npos) return -1;
  const size_t end = text.find(Gbk(u"<列字段对应关系定义结束>"), start + blockStart.size());
  if (end == std::string_view::npos) return -1;
  const std::string_view head = text.substr(0, end);

  std::string value;
  if (KeyValue(head, Gbk(u"记录数据开始行="), value))
    mapping.firstRow = std::atoi(value.c_str());
  if (!KeyValue(head, Gbk(u"列字段识别模式="), value)) return -1;
  const int mode = std::atoi(value.c_str());
  if (mode < 0 || mapping.firstRow < 1 || (mode > 0 && mapping.firstRow < 2)) return -1;

  const std::string_view block = head.substr(start + blockStart.size());
  const auto& captions = quickentry::ImportFieldNames();
  for (int i = 0; i < kFieldCount; ++i) {
    const std::string key = Gbk(captions[static_cast<size_t>(i)]) + "=";
    const bool found = KeyValue(block, key, value);
    if (mode == 0) {
      if (!found) continue;
      const int column = ColumnNumber(value);
      if (column <= 0) return -1;
      mapping.columns[static_cast<size_t>(i)] = column;
    } else {
      mapping.headers[static_cast<size_t>(i)] =
          found ? WideFromGbk(value) : std::u16string(captions[static_cast<size_t>(i)]);
    }
  }
  mapping.hasChannelBlock = channelAt != std::string_view::npos;
  if (mapping.hasChannelBlock)
    LoadChannelMapping(text.substr(channelAt + channelMark.size()), mapping.channels, kindExists);
  mapping.mode = mode;
  return mode;
}

int LoadColumnMappingFile(const std::filesystem::path& file, ColumnMapping& mapping,
                          const std::function<bool(std::string_view)>& kindExists) {
  std::string text;
  mapping.mode = -1;
  if (ReadSmallFile(file, text) != FileRead::Ok) return -1;
  return LoadColumnMapping(text, mapping, kindExists);
}

void SetImportDefaults(std::array<std::u16string, kFieldCount>& texts) {
  for (auto& t : texts) t.clear();
  texts[5] = u"1";
  texts[6] = u"0";
  texts[25] = u"0";
  texts[31] = u"0.0";
  texts[32] = u"0.0";
  texts[35] = u"0";
  texts[36] = u"0";
  texts[37] = u"CNY";
  texts[38] = u"CN";
  texts[39] = u"0";
  texts[40] = u"0";
  texts[59] = u"0";
  texts[68] = u"0";
}

}  // namespace waybillimport
