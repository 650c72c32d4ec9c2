#include "print/TemplateModel.h"

#include <fstream>
#include <iterator>

#include "common/Json.h"
#include "common/TextCodec.h"
#include "platform/QtWaitForWork.h"
#include "server/ServerLink.h"

namespace {

constexpr size_t npos = std::string_view::npos;
constexpr size_t kMaxItemText = 255;
constexpr size_t kMaxBlockBytes = 1024;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// The number at the start of the text as atoi reads it.
int32_t AtoI(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int64_t value = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > INT32_MAX) break;
  }
  if (value > INT32_MAX) value = INT32_MAX;
  return static_cast<int32_t>(negative ? -value : value);
}

// The text between the first start marker and the first end marker, when
// both are there in that order.
bool FindBlock(std::string_view text, std::string_view start, std::string_view end,
               std::string_view& block) {
  size_t from = text.find(start);
  size_t to = text.find(end);
  if (from == npos || to == npos || to < from + start.size()) return false;
  block = text.substr(from + start.size(), to - from - start.size());
  return true;
}

// Calls `line` with each line of the text, without its CR or LF.
template <class Visit>
void ForEachLine(std::string_view text, Visit line) {
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    std::string_view whole = text.substr(pos, end == npos ? npos : end - pos);
    size_t cr = whole.find('\r');
    if (cr != npos) whole = whole.substr(0, cr);
    if (!line(whole)) return;
    if (end == npos) return;
    pos = end + 1;
  }
}

std::string ReadWholeFile(const std::string& path, bool& ok) {
  std::ifstream in(path, std::ios::binary);
  ok = static_cast<bool>(in);
  if (!ok) return {};
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::string TemplateKindName(int slot) {
  switch (slot) {
    case kInvoiceSlot: return GbkFromWide(u"形式发票");
    case kWaybillSlot: return GbkFromWide(u"渠道面单");
    case kLabelSlot: return GbkFromWide(u"快件标签");
    default: return {};
  }
}

int32_t TemplateKindCaptionId(int slot) { return 190005 + slot; }

int TemplateKindFromName(std::u16string_view fileName, std::string* kindName) {
  struct Prefix {
    std::u16string_view prefix;
    int value;
    int slot;
  };
  static constexpr Prefix kPrefixes[] = {
      {u"TAB_", -1, kWaybillSlot}, {u"LBL_", -2, kLabelSlot}, {u"IVC_", -3, kInvoiceSlot}};
  for (const Prefix& p : kPrefixes) {
    if (fileName.substr(0, 4) == p.prefix) {
      if (kindName) *kindName = TemplateKindName(p.slot);
      return p.value;
    }
  }
  return 0;
}

bool IsSafeTemplateName(std::u16string_view name) {
  if (name.empty() || name.find(u"..") != npos) return false;
  for (char16_t c : name)
    if (c == u'/' || c == u'\\' || c < 0x20) return false;
  return true;
}

bool ParseCellAddress(std::string_view text, int32_t& row, int32_t& column) {
  if (text.empty()) return false;
  int first = static_cast<unsigned char>(text[0]);
  if (text.size() > 1 && IsDigit(text[1])) {
    column = first - 64;
    row = AtoI(text.substr(1));
  } else {
    int second = text.size() > 1 ? static_cast<unsigned char>(text[1]) : 0;
    column = (first - 64) * 26 + (second - 64);
    row = AtoI(text.size() > 2 ? text.substr(2) : std::string_view());
  }
  return column >= 1 && row >= 1;
}

CTemplateModel::CTemplateModel(std::string_view kindGbk, std::string_view nameGbk, int32_t id)
    : name_(WideFromGbk(nameGbk)), nameGbk_(nameGbk), kindGbk_(kindGbk), id_(id) {}

CTemplateModel::~CTemplateModel() { Clear(); }

void CTemplateModel::Clear() {
  text_.clear();
  workbook_.clear();
  hasText_ = hasWorkbook_ = false;
  header_.clear();
  list_.clear();
  hasItems_ = 0;
}

int CTemplateModel::Fetch(CServerLink& link, const std::string& programFolder) {
  fetched_ = true;
  // The request and the reading of its reply under the link's reply lock,
  // so no other thread's request replaces the reply in between.
  std::string reply = platform::WaitForWork([&] {
    CServerLink::ReplyGuard guard = link.LockReply();
    if (link.FetchTemplate(id_, kindGbk_, nameGbk_) <= 100) return std::string();
    return guard.Text();
  });
  int server = reply.empty() ? -1 : TakeServerReply(reply);
  if (server >= 0) return server;
  return LoadLocalFiles(programFolder);
}

int CTemplateModel::TakeServerReply(std::string_view reply) {
  if (reply.size() <= 100 || JsonGetInt("ReturnValue", reply, 0) != 1) return -1;
  int32_t textLength = JsonGetInt("iTLen", reply, 0);
  if (textLength <= 0) return -1;
  Clear();
  size_t capacity = static_cast<size_t>(textLength) * 4 / 3 + 4;
  std::string text;
  JsonGetBase64("cText", reply, text, capacity + 1);
  SetText(std::move(text));
  int32_t dataLength = JsonGetInt("iDLen", reply, 0);
  if (dataLength <= 0) return 1;
  std::string data;
  JsonGetBase64("vData", reply, data, static_cast<size_t>(dataLength) * 4 / 3 + 4 + 1);
  if (data.size() != static_cast<size_t>(dataLength)) return 0;
  SetWorkbook(std::move(data));
  return 1;
}

int CTemplateModel::LoadLocalFiles(const std::string& programFolder) {
  if (!IsSafeTemplateName(name_)) return 0;
  std::string base = programFolder + "DATA_MODEL/" + Utf8FromWide(name_);
  bool textOk = false;
  bool bookOk = false;
  std::string text = ReadWholeFile(base + ".txt", textOk);
  if (!textOk) return 0;
  std::string book = ReadWholeFile(base + ".xls", bookOk);
  if (!bookOk) return 0;
  Clear();
  SetWorkbook(std::move(book));
  SetText(std::move(text));
  return 1;
}

int CTemplateModel::SetText(std::string text) {
  text_ = std::move(text);
  // The text ends at its first NUL, as a C string would.
  size_t nul = text_.find('\0');
  if (nul != npos) text_.resize(nul);
  hasText_ = true;
  return ParseText();
}

int CTemplateModel::ParseText() {
  header_.clear();
  list_.clear();
  hasItems_ = 0;
  destinations_ = GetString(u"目的地限制", &destinationsGbk_);
  kinds_ = GetString(u"快递类别限制", &kindsGbk_);
  if (!hasText_) return 0;
  std::string_view block;
  if (FindBlock(text_, GbkFromWide(u"<头定义开始>"), GbkFromWide(u"<头定义结束>"), block))
    ParseHeaderBlock(block);
  if (FindBlock(text_, GbkFromWide(u"<列表定义开始>"), GbkFromWide(u"<列表定义结束>"), block))
    ParseListBlock(block);
  hasItems_ = header_.empty() && list_.empty() ? 0 : 1;
  return 1;
}

void CTemplateModel::ParseHeaderBlock(std::string_view block) {
  ForEachLine(block, [&](std::string_view line) {
    size_t equals = line.find('=');
    if (equals == npos || line[0] == '#') return true;
    TemplateItem item;
    if (!ParseCellAddress(line, item.row, item.column)) return true;
    std::string_view text = line.substr(equals + 1);
    if (text.size() > kMaxItemText) return true;
    item.text.assign(text);
    header_.push_back(std::move(item));
    return true;
  });
}

void CTemplateModel::ParseListBlock(std::string_view block) {
  ForEachLine(block, [&](std::string_view line) {
    size_t equals = line.find('=');
    if (equals == npos || line[0] == '#') return true;
    TemplateItem item;
    std::string_view name;
    if (line[0] == '"') {
      size_t close = line.find("\"=", 1);
      if (close == npos) return false;  // an open quote ends the block
      name = line.substr(1, close - 1);
      equals = close + 1;
      item.literal = 1;
    } else {
      name = line.substr(0, equals);
      while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
    }
    if (!ParseCellAddress(line.substr(equals + 1), item.row, item.column)) return true;
    if (name.size() > kMaxItemText) return true;
    item.text.assign(name);
    list_.push_back(std::move(item));
    return true;
  });
}

size_t CTemplateModel::FindKeyValue(std::u16string_view key, size_t maxGap) const {
  if (!hasText_ || key.empty()) return npos;
  std::string gbkKey = GbkFromWide(key);
  std::string_view text = text_;
  size_t at = 0;
  for (;;) {
    at = text.find(gbkKey, at);
    if (at == npos) return npos;
    if (at == 0 || IsLineEnd(text[at - 1])) break;
    size_t lf = text.find('\n', at);
    if (lf == npos) return npos;
    at = lf + 1;
  }
  size_t keyEnd = at + gbkKey.size();
  size_t equals = text.find('=', keyEnd);
  if (equals == npos || equals - keyEnd > maxGap) return npos;
  return equals + 1;
}

int32_t CTemplateModel::GetInt(std::u16string_view key) const {
  size_t value = FindKeyValue(key, npos);
  if (value == npos) return -1;
  return AtoI(std::string_view(text_).substr(value));
}

std::u16string CTemplateModel::GetString(std::u16string_view key, std::string* gbk) const {
  if (gbk) gbk->clear();
  size_t value = FindKeyValue(key, 3);
  if (value == npos) return {};
  std::string_view rest = std::string_view(text_).substr(value);
  std::string_view line = rest.substr(0, rest.find_first_of("\r\n"));
  if (gbk && line.size() <= 254) gbk->assign(line);
  if (line.size() >= 1024) return {};
  return WideFromGbk(line);
}

int32_t CTemplateModel::GetCell(std::u16string_view key, int32_t& row, int32_t& column) const {
  size_t value = FindKeyValue(key, 3);
  if (value == npos) return -1;
  std::string_view rest = std::string_view(text_).substr(value, 15);
  size_t end = rest.find_first_of("\r\n");
  if (end == npos) return -1;
  std::string address(rest.substr(0, end));
  size_t letters = 0;
  while (letters < address.size() && letters < 3 &&
         ((address[letters] >= 'A' && address[letters] <= 'Z') ||
          (address[letters] >= 'a' && address[letters] <= 'z'))) {
    address[letters] = static_cast<char>(address[letters] & ~0x20);
    ++letters;
  }
  if (letters < 1 || letters > 2 || letters == address.size()) return -1;
  for (size_t i = letters; i < address.size(); ++i)
    if (!IsDigit(address[i])) return -1;
  int32_t r = 0;
  int32_t c = 0;
  if (!ParseCellAddress(address, r, c)) return -1;
  row = r;
  column = c;
  return c;
}

std::u16string CTemplateModel::GetBlock(std::u16string_view name) const {
  if (!hasText_) return {};
  std::string start = GbkFromWide(u"<" + std::u16string(name) + u"开始>");
  std::string end = GbkFromWide(u"<" + std::u16string(name) + u"结束>");
  std::string_view text = text_;
  size_t from = text.find(start);
  if (from == npos) return {};
  from += start.size();
  size_t to = text.find(end, from);
  if (to == npos || to - from >= kMaxBlockBytes) return {};
  std::string_view block = text.substr(from, to - from);
  while (!block.empty() && IsLineEnd(block.front())) block.remove_prefix(1);
  return WideFromGbk(block);
}

int32_t CTemplateModel::ListFieldColumn(std::string_view name) const {
  for (const TemplateItem& item : list_)
    if (item.text == name) return item.column;
  return -1;
}

int CTemplateModel::ListFieldCell(std::string_view name, int32_t& column, int32_t& row) const {
  for (const TemplateItem& item : list_) {
    if (item.text == name) {
      column = item.column;
      row = item.row;
      return 1;
    }
  }
  return 0;
}

int32_t CTemplateModel::FirstListRow() const { return list_.empty() ? -1 : list_.front().row; }

int32_t CTemplateModel::GetLiteralListEntry(int n, std::u16string& text) const {
  int seen = 0;
  for (const TemplateItem& item : list_) {
    if (item.literal == 0) continue;
    if (++seen == n) {
      text = WideFromGbk(item.text);
      return item.column;
    }
  }
  return -1;
}
