#include "common/LanguageTable.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "common/WideText.h"

namespace {

constexpr std::u16string_view kStartMarker = u"<D>";
constexpr std::u16string_view kEndMarker = u"</D>";
constexpr std::u16string_view kSeparator = u"[*==*]";
// Scanning begins at byte offset 6 of the file.
constexpr size_t kScanStartUnit = 3;
constexpr int32_t kMaxId = 999999;
constexpr size_t kCaptionMaxUnits = 31;
constexpr int32_t kFallbackTextId = 8209;

// The fixed command ids of the toolbar and of the eight top-level menus.
constexpr int32_t kToolbarCommands[] = {
    32822, 32782, 32790, 32808, 32772, 32783, 32784, 32785, 32837, 32836, 32778,
    32810, 32789, 32832, 32838, 32821, 32792, 32817, 32818, 32819, 32806, 32780};
constexpr int32_t kMenu0[] = {32772, 32783, 32833, 57606, 57665, 32849};
constexpr int32_t kMenu1[] = {32813, 32815, 32814, 32823, 32793, 32851};
constexpr int32_t kMenu2[] = {32837, 32780, 32838, 32778, 32836, 32810,
                              32789, 32840, 32841, 32843, 32850, 32852};
constexpr int32_t kMenu3[] = {32844, 32845, 32846, 32847, 32848};
constexpr int32_t kMenu4[] = {32817, 32818, 32819, 32820};
constexpr int32_t kMenu5[] = {32790, 32832, 32808, 32784, 32785,
                              32821, 32792, 32806, 32839, 32842};
constexpr int32_t kMenu6[] = {59392, 59393};
constexpr int32_t kMenu7[] = {57664, 32822};

bool IsConversionBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

// Decimal conversion of the id text: leading blanks, an optional sign, then
// digits up to the first other unit.  Values far out of range saturate.
int64_t ParseId(std::u16string_view s) {
  size_t i = 0;
  while (i < s.size() && IsConversionBlank(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
    negative = s[i] == u'-';
    ++i;
  }
  int64_t value = 0;
  for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i) {
    value = value * 10 + (s[i] - u'0');
    if (value > 0x7FFFFFFF) value = 0x80000000LL;  // already out of range
  }
  return negative ? -value : value;
}

std::u16string AsciiToWide(const char* s) {
  std::u16string out;
  for (; *s; ++s) out.push_back(static_cast<unsigned char>(*s));
  return out;
}

// Cuts a caption to its field size without splitting a surrogate pair.
std::u16string CutCaption(std::u16string_view s) {
  if (s.size() <= kCaptionMaxUnits) return std::u16string(s);
  size_t n = kCaptionMaxUnits;
  if (s[n - 1] >= 0xD800 && s[n - 1] <= 0xDBFF) --n;
  return std::u16string(s.substr(0, n));
}

}  // namespace

const std::array<int32_t, kListColumnKinds> CLanguageTable::kListColumnCaptionIds = {
    30076, 30070, 30260, 30002, 30003, 30041, 30045, 30074, 30072, 30004,  // 0-9
    30005, 30000, 30001, 30073, 30071, 30113, 30262, 30006, 30046, 30007,  // 10-19
    30009, 30011, 30010, 30008, 30012, 30014, 30013, 30040, 30022, 30026,  // 20-29
    30027, 30028, 30111, 30093, 30094, 30029, 30030, 30023, 30050, 30052,  // 30-39
    30053, 30054, 30055, 30056, 30077, 30069, 30021, 30020, 30263, 30264,  // 40-49
    30265, 30032, 30031, 30058, 30059, 30060, 30061, 30062, 30063, 30260,  // 50-59
    30067, 30068, 30266, 30203, 30078, 30064, 30095, 30080, 30024, 30096,  // 60-69
    30081, 30142, 30143, 30102, 30015, 30091, 30025, 30066};               // 70-77

const std::array<std::u16string_view, 7> CLanguageTable::kAwbPaymentCodes = {
    u"PP", u"CC", u"COD", u"DP", u"MTH", u"AEM", u"OTH"};

CLanguageTable::CLanguageTable() : fallbackText_(u"未知") {}

bool CLanguageTable::Load(std::string_view programFolder, std::string_view languageCode) {
  languageCode_ = std::string(languageCode);

  std::string path(programFolder);
  path += "TolvaneLan_";
  path += languageCode;
  path += ".txt";
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return false;

  // UTF-16LE units; an odd last byte is a unit of its own (high byte zero).
  fileText_.assign((bytes.size() + 1) / 2, u'\0');
  for (size_t i = 0; i < fileText_.size(); ++i) {
    unsigned lo = static_cast<unsigned char>(bytes[2 * i]);
    unsigned hi = 2 * i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[2 * i + 1]) : 0;
    fileText_[i] = static_cast<char16_t>(lo | (hi << 8));
  }
  entries_.clear();

  const bool firstTexts = ShowsFirstTexts();
  // The file is read as one terminated text: a NUL unit ends the scan.
  std::u16string_view text(fileText_);
  if (text.size() > kScanStartUnit) {
    size_t nul = text.find(u'\0', kScanStartUnit);
    if (nul != std::u16string_view::npos) text = text.substr(0, nul);
  }

  std::vector<LanguageEntry> found;
  size_t pos = kScanStartUnit;
  while (pos < text.size()) {
    size_t start = text.find(kStartMarker, pos);
    if (start == std::u16string_view::npos) break;
    // The marker and the unit after it are skipped.
    size_t body = std::min(start + kStartMarker.size() + 1, text.size());
    size_t end = text.find(kEndMarker, body);
    if (end == std::u16string_view::npos) break;
    pos = end + kEndMarker.size();

    std::u16string_view entry = text.substr(body, end - body);
    size_t comma = entry.find(u',');
    if (comma == std::u16string_view::npos) continue;
    int64_t id = ParseId(entry.substr(0, comma));
    if (id < 1 || id > kMaxId) continue;
    size_t sep = entry.find(kSeparator, comma + 1);
    if (sep == std::u16string_view::npos) continue;

    LanguageEntry e;
    e.id = static_cast<int32_t>(id);
    e.firstTextStart = body + comma + 1;
    e.firstTextLength = sep - (comma + 1);
    size_t second = sep + kSeparator.size();
    if (firstTexts) {
      e.textStart = e.firstTextStart;
      e.textLength = e.firstTextLength;
    } else {
      e.textStart = body + second;
      e.textLength = entry.size() - second;
    }
    found.push_back(e);
  }
  // Sorted by id; of several entries with one id the first in the file stays.
  std::stable_sort(found.begin(), found.end(),
                   [](const LanguageEntry& a, const LanguageEntry& b) { return a.id < b.id; });
  found.erase(std::unique(found.begin(), found.end(),
                          [](const LanguageEntry& a, const LanguageEntry& b) { return a.id == b.id; }),
              found.end());
  entries_ = std::move(found);

  FillCommandLists();
  fallbackText_ = Text(kFallbackTextId);
  return !entries_.empty();
}

void CLanguageTable::FillCommandLists() {
  toolbarCommands_.assign(std::begin(kToolbarCommands), std::end(kToolbarCommands));
  menuCommands_[0].assign(std::begin(kMenu0), std::end(kMenu0));
  menuCommands_[1].assign(std::begin(kMenu1), std::end(kMenu1));
  menuCommands_[2].assign(std::begin(kMenu2), std::end(kMenu2));
  menuCommands_[3].assign(std::begin(kMenu3), std::end(kMenu3));
  menuCommands_[4].assign(std::begin(kMenu4), std::end(kMenu4));
  menuCommands_[5].assign(std::begin(kMenu5), std::end(kMenu5));
  menuCommands_[6].assign(std::begin(kMenu6), std::end(kMenu6));
  menuCommands_[7].assign(std::begin(kMenu7), std::end(kMenu7));
}

const LanguageEntry* CLanguageTable::Find(int32_t id) const {
  auto it = std::lower_bound(entries_.begin(), entries_.end(), id,
                             [](const LanguageEntry& e, int32_t v) { return e.id < v; });
  if (it == entries_.end() || it->id != id) return nullptr;
  return &*it;
}

std::u16string CLanguageTable::Text(int32_t id,
                                    std::optional<std::u16string_view> defaultText) const {
  if (entries_.empty()) return defaultText ? std::u16string(*defaultText) : u"??";
  const LanguageEntry* e = Find(id);
  if (!e) return defaultText ? std::u16string(*defaultText) : u"???";
  std::u16string text = fileText_.substr(e->textStart, e->textLength);
  ReplaceAllW(text, u"\\n", u"\r\n");
  ReplaceAllW(text, u"\\t", u"\t");
  return text;
}

std::optional<std::u16string_view> CLanguageTable::FirstText(int32_t id) const {
  const LanguageEntry* e = Find(id);
  if (!e) return std::nullopt;
  return std::u16string_view(fileText_).substr(e->firstTextStart, e->firstTextLength);
}

std::u16string CLanguageTable::CommandText(int32_t commandId) const {
  auto it = std::find(toolbarCommands_.begin(), toolbarCommands_.end(), commandId);
  if (it == toolbarCommands_.end()) return u"???";
  return Text(10000 + static_cast<int32_t>(it - toolbarCommands_.begin()));
}

std::u16string CLanguageTable::TextWithNumber(int32_t id, int value) const {
  std::u16string text = Text(id);
  if (text.find(u"%1") == std::u16string::npos) return text;
  char number[16];
  std::snprintf(number, sizeof number, "%d", value);
  ReplaceAllW(text, u"%1", AsciiToWide(number));
  return text;
}

std::u16string CLanguageTable::TextWithString(int32_t id, std::u16string_view value) const {
  std::u16string text = Text(id);
  ReplaceAllW(text, u"%1", value);
  return text;
}

std::u16string CLanguageTable::TextWithDecimal(int32_t id, double value, int decimals) const {
  std::u16string text = Text(id);
  const char* format = "%f";
  switch (decimals) {
    case 1: format = "%.1f"; break;
    case 2: format = "%.2f"; break;
    case 3: format = "%.3f"; break;
    case 4: format = "%.4f"; break;
    default: break;
  }
  char number[32];  // at most 31 characters
  std::snprintf(number, sizeof number, format, value);
  ReplaceAllW(text, u"%1", AsciiToWide(number));
  return text;
}

std::u16string CLanguageTable::TextAppend(int32_t id, std::u16string_view tail) const {
  std::u16string text = Text(id);
  text.append(tail);
  return text;
}

std::u16string CLanguageTable::FileNameText(int32_t id,
                                            std::optional<std::u16string_view> defaultText) const {
  std::u16string text = Text(id, defaultText);
  return SanitizeNameW(text, text.size());
}

std::u16string CLanguageTable::EnumText(int32_t base, int code, int bound) const {
  // Negative codes are outside every enumeration.
  if (code < 0 || code >= bound) return fallbackText_;
  return Text(base + code);
}

std::u16string CLanguageTable::PayWayText(int c) const { return EnumText(20060, c, 3); }
std::u16string CLanguageTable::FeeTypeText(int c) const { return EnumText(20063, c, 2); }
std::u16string CLanguageTable::FeePayWayText(int c) const { return EnumText(20065, c, 5); }
std::u16string CLanguageTable::WaybillStateText(int c) const { return EnumText(20070, c, 11); }
std::u16string CLanguageTable::ItemTypeText(int c) const { return EnumText(20090, c, 3); }
std::u16string CLanguageTable::PickupWayText(int c) const { return EnumText(20100, c, 2); }
std::u16string CLanguageTable::RecordSourceText(int c) const { return EnumText(20110, c, 11); }
std::u16string CLanguageTable::BagStateText(int c) const { return EnumText(20500, c, 4); }
std::u16string CLanguageTable::AwbStateText(int c) const { return EnumText(20510, c, 3); }

int CLanguageTable::AwbStateIndex(std::u16string_view text) const {
  if (text.empty()) return -1;
  for (int n = 0; n < 3; ++n)
    if (Text(20510 + n) == text) return n;
  return -1;
}

int CLanguageTable::AwbPaymentCodeIndex(std::u16string_view code) {
  if (code.empty()) return -1;
  for (size_t i = 0; i < kAwbPaymentCodes.size(); ++i)
    if (kAwbPaymentCodes[i] == code) return static_cast<int>(i);
  return -1;
}

int CLanguageTable::AwbPaymentCodeIndex(std::string_view code) {
  if (code.empty()) return -1;
  for (size_t i = 0; i < kAwbPaymentCodes.size(); ++i) {
    std::u16string_view c = kAwbPaymentCodes[i];
    if (c.size() == code.size() && std::equal(c.begin(), c.end(), code.begin(),
                                              [](char16_t a, char b) { return a == static_cast<unsigned char>(b); }))
      return static_cast<int>(i);
  }
  return -1;
}

std::u16string CLanguageTable::AwbPaymentCodeText(std::u16string_view text, int index) {
  if (!text.empty() && text.size() <= 30) return std::u16string(text);
  if (index < 0 || index >= static_cast<int>(kAwbPaymentCodes.size())) return std::u16string();
  return std::u16string(kAwbPaymentCodes[index]);
}

int CLanguageTable::AddListColumn(int32_t kind, std::vector<ListColumnDesc>& columns,
                                  ListColumnPositions& positions, int32_t width, int32_t format,
                                  std::optional<std::u16string_view> caption) const {
  const int32_t position = static_cast<int32_t>(columns.size());
  const bool knownKind = kind >= 0 && kind < kListColumnKinds;
  // The position table has a place for the known kinds only.
  if (knownKind) positions[static_cast<size_t>(kind)] = position;
  ListColumnDesc desc;
  desc.kind = kind;
  desc.index = position;
  desc.width = width;
  desc.format = format;
  if (caption)
    desc.caption = CutCaption(*caption);
  else if (knownKind)
    desc.caption = CutCaption(Text(kListColumnCaptionIds[static_cast<size_t>(kind)]));
  columns.push_back(std::move(desc));
  return position;
}

CLanguageTable& AppLanguage() {
  static CLanguageTable table;
  return table;
}
