// Settings lines, splitting and the small narrow-text utilities.

#include "common/SettingsText.h"

#include <charconv>
#include <climits>

#include "common/GbkText.h"
#include "common/HtmlText.h"
#include "common/TextCodec.h"
#include "platform/MessageBox.h"

namespace {

constexpr size_t npos = std::string::npos;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }
bool IsPartBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Length of the character at i: 2 for a lead byte with its trail byte.
size_t CharLen(std::string_view s, size_t i) {
  return IsGbkLead(s[i]) && i + 1 < s.size() ? 2 : 1;
}

// The standard text-to-integer reading: leading white space, a sign, the
// digits (held within the int range).
int ReadInt(std::string_view s, size_t pos = 0) {
  while (pos < s.size() && IsCSpace(s[pos])) ++pos;
  bool negative = false;
  if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) negative = s[pos++] == '-';
  long long v = 0;
  for (; pos < s.size() && IsDigit(s[pos]); ++pos) {
    v = v * 10 + (s[pos] - '0');
    if (v > static_cast<long long>(INT_MAX) + 1) v = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) v = -v;
  if (v > INT_MAX) v = INT_MAX;
  return static_cast<int>(v);
}

// The standard text-to-number reading of a decimal number, independent of
// the process locale; 0 when there is none.
double ReadDecimal(std::string_view s) {
  size_t pos = 0;
  while (pos < s.size() && IsCSpace(s[pos])) ++pos;
  bool negative = false;
  if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) negative = s[pos++] == '-';
  double v = 0;
  auto result = std::from_chars(s.data() + pos, s.data() + s.size(), v);
  if (result.ec != std::errc()) return 0;
  return negative ? -v : v;
}

// Position of `key` at the text start or right after CR or LF.
size_t FindKeyAtLineStart(std::string_view key, std::string_view text) {
  if (key.empty()) return npos;
  for (size_t pos = text.find(key); pos != npos; pos = text.find(key, pos + 1))
    if (pos == 0 || IsLineEnd(text[pos - 1])) return pos;
  return npos;
}

// Splits at every occurrence of the character `sep` (one or two bytes) on
// character boundaries.
std::vector<std::string> SplitOnBoundaries(std::string_view text, std::string_view sep) {
  std::vector<std::string> parts;
  size_t start = 0, i = 0;
  while (i < text.size()) {
    if (text.compare(i, sep.size(), sep) == 0) {
      parts.emplace_back(text.substr(start, i - start));
      i += sep.size();
      start = i;
      continue;
    }
    i += CharLen(text, i);
  }
  parts.emplace_back(text.substr(start));
  return parts;
}

std::string Cut(std::string_view text, size_t n) {
  std::string s(text);
  GbkTruncate(s, n);
  return s;
}

bool SameGoods(const GoodsRecord& a, const GoodsRecord& b) {
  return a.cgoods == b.cgoods && a.cgoodsa == b.cgoodsa && a.cgcodea == b.cgcodea &&
         a.cgcodeb == b.cgcodeb && a.cgcodec == b.cgcodec && a.cunit == b.cunit &&
         a.note == b.note && a.fgweight == b.fgweight;
}

}  // namespace

// ---- Settings lines ----

std::string GetKeyValue(std::string_view key, std::string_view text, size_t minLen,
                        size_t maxLen, bool trim) {
  size_t at = FindKeyAtLineStart(key, text);
  if (at == npos) return {};
  size_t i = at + key.size();
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  std::string value;
  if (i < text.size() && (text[i] == '\'' || text[i] == '"')) {
    char quote = text[i++];
    size_t begin = i;
    bool escaped = false;  // the previous character was a backslash
    while (i < text.size() && !IsLineEnd(text[i]) && !(text[i] == quote && !escaped)) {
      size_t len = CharLen(text, i);
      escaped = len == 1 && text[i] == '\\';
      i += len;
    }
    value.assign(text.substr(begin, std::min(i, text.size()) - begin));
  } else {
    size_t begin = i;
    while (i < text.size() && !IsLineEnd(text[i])) {
      bool beforeHash = i + 1 < text.size() && text[i + 1] == '#';
      if (beforeHash && text[i] == '\t') break;
      if (beforeHash && text[i] == ' ' && i > begin &&
          (text[i - 1] == ' ' || text[i - 1] == '\t'))
        break;
      i += CharLen(text, i);
    }
    value.assign(text.substr(begin, std::min(i, text.size()) - begin));
  }
  if (trim) GbkTrim(value);
  if (value.size() < minLen || value.size() > maxLen) return {};
  return value;
}

int GetKeyInt(std::string_view key, std::string_view text, int defaultValue) {
  size_t at = FindKeyAtLineStart(key, text);
  if (at == npos) return defaultValue;
  return ReadInt(text, at + key.size());
}

// ---- Splitting ----

std::vector<std::string> SplitToStringArray(std::string_view text, char separator,
                                            size_t minLen, size_t maxLen, bool trim) {
  std::vector<std::string> parts;
  // A separator below 0x40 is never the trail byte of a double-byte
  // character: it is found byte by byte, so a stray lead byte in front of it
  // cannot hide it.  Higher separators are matched on character boundaries.
  const bool onBoundaries = static_cast<unsigned char>(separator) >= 0x40;
  size_t pos = 0;
  for (;;) {
    if (trim)
      while (pos < text.size() && IsPartBlank(text[pos])) ++pos;
    size_t i = pos;
    while (i < text.size() && text[i] != separator) i += onBoundaries ? CharLen(text, i) : 1;
    size_t end = i;
    if (trim)
      while (end > pos && IsPartBlank(text[end - 1])) --end;
    size_t len = end - pos;
    if (len >= minLen && len <= maxLen) parts.emplace_back(text.substr(pos, len));
    if (i >= text.size()) break;
    pos = i + 1;
  }
  return parts;
}

// ---- Dimensions and volumetric classes ----

bool ParseDimensions(std::string_view text, int& length, int& width, int& height) {
  size_t i = 0;
  while (i < text.size() && !IsDigit(text[i])) i += CharLen(text, i);
  int* outputs[3] = {&length, &width, &height};
  for (int k = 0; k < 3; ++k) {
    if (k > 0) {
      while (i < text.size() && text[i] == ' ') ++i;
      if (i >= text.size() || text[i] != '*') return false;
      ++i;
      while (i < text.size() && text[i] == ' ') ++i;
    }
    if (i >= text.size() || !IsDigit(text[i])) return false;
    size_t begin = i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    *outputs[k] = ReadInt(text.substr(begin, i - begin));
  }
  return length > 0 && width > 0 && height > 0;
}

char FindVolumeDivisorCode(std::string_view text) {
  for (char code : {'D', 'T', 'E', 'S', 'W', 'X'})
    if (GbkFindChar(text, code) != npos) return code;
  return 0;
}

int VolumeDivisorFromCode(char code) {
  switch (code) {
    case 'D': return 5;
    case 'E': return 8;
    case 'S': return 7;
    case 'T': return 3;
    case 'W': return 12;
    case 'X': return 10;
    default: return 6;
  }
}

bool MatchMask(std::string_view code, std::string_view mask) {
  if (mask.empty()) return true;
  if (code.size() != mask.size()) return false;
  for (size_t i = 0; i < mask.size(); ++i) {
    char m = mask[i], c = code[i];
    if (m == '*') continue;
    if (m == '#') {
      if (!IsDigit(c)) return false;
    } else if (m == '@') {
      if (!IsAsciiLetter(c)) return false;
    } else if (m != c) {
      return false;
    }
  }
  return true;
}

// ---- Pipe records ----

void AppendPipeField(std::string& dest, std::string_view text, size_t width, bool pad) {
  std::string field;
  field.reserve(text.size());
  // The whole text without "|", CR and LF, then cut: the cut decides between
  // GBK and UTF-8 on the whole text, so a prefix would not do.
  for (size_t i = 0; i < text.size();) {
    size_t len = CharLen(text, i);
    char c = text[i];
    if (len == 2 || (c != '|' && c != '\r' && c != '\n')) field.append(text, i, len);
    i += len;
  }
  GbkTruncate(field, width);
  if (pad && field.size() < width) field.append(width - field.size(), ' ');
  dest += field;
  dest += '|';
}

void AppendPipeFieldW(std::string& dest, std::u16string_view text, size_t width, bool pad,
                      bool references) {
  std::string gbk = references ? GbkFromWideEscaped(text, width, true) : GbkFromWide(text);
  AppendPipeField(dest, gbk, width, pad);
}

// ---- Names and file names ----

std::string MakePinyinInitials(std::string_view text) {
  // Area-position numbers where each initial's range starts; the last entry
  // is the end of the level-1 characters.
  static const struct {
    int from;
    char initial;
  } kRanges[] = {{1601, 'a'}, {1637, 'b'}, {1833, 'c'}, {2078, 'd'}, {2274, 'e'},
                 {2302, 'f'}, {2433, 'g'}, {2594, 'h'}, {2787, 'j'}, {3106, 'k'},
                 {3212, 'l'}, {3472, 'm'}, {3635, 'n'}, {3722, 'o'}, {3730, 'p'},
                 {3858, 'q'}, {4027, 'r'}, {4086, 's'}, {4390, 't'}, {4558, 'w'},
                 {4684, 'x'}, {4925, 'y'}, {5249, 'z'}, {5590, 0}};
  std::string out;
  for (size_t i = 0; i < text.size();) {
    size_t len = CharLen(text, i);
    if (len == 2) {
      auto lead = static_cast<unsigned char>(text[i]);
      auto trail = static_cast<unsigned char>(text[i + 1]);
      if (lead > 0xA0 && trail > 0xA0) {
        int number = (lead - 0xA0) * 100 + (trail - 0xA0);
        if (number < 1601 || number >= 5590) break;  // level-2 character or symbol
        char initial = 0;
        for (const auto& r : kRanges)
          if (number >= r.from) initial = r.initial;
        out.push_back(initial);
      }
    }
    i += len;
  }
  return out;
}

std::string GetFileExtension(std::string_view fileName, size_t room) {
  size_t dot = fileName.rfind('.');
  if (dot == npos) return {};
  std::string_view ext = fileName.substr(dot + 1);
  if (ext.size() >= room) return {};
  return std::string(ext);
}

std::u16string& SanitizeFileName(std::u16string& name) {
  for (char16_t& c : name) {
    switch (c) {
      case u'/': case u'\\': case u':': case u'*': case u'?':
      case u'"': case u'>': case u'<': case u'|': case u'+':
        c = u'_';
        break;
      default:
        break;
    }
  }
  return name;
}

std::u16string& EllipsizeText(std::u16string& text, int width) {
  long long sum = 0;
  for (size_t j = 0; j < text.size(); ++j) {
    char16_t c = text[j];
    sum += (c >= 1 && c <= 127) ? 1 : 2;
    if (sum > width) {
      long long keep = static_cast<long long>(j) - 5;
      text = (keep > 0 ? text.substr(0, static_cast<size_t>(keep)) : std::u16string()) + u"...";
      return text;
    }
  }
  return text;
}

std::u16string FlattenLines(std::u16string& buffer) {
  std::u16string copy;
  copy.reserve(buffer.size());
  for (char16_t c : buffer) {
    if (c == u'\r') continue;
    copy.push_back(c == u'\n' ? u' ' : c);
  }
  if (!copy.empty()) buffer = copy;
  return copy;
}

int MessageBoxGbk(std::string_view text) {
  return platform::ShowMessageBox(WideFromGbk(text), {}, platform::kMbOk);
}

std::u16string WideBufferFromGbk(std::string_view text) { return WideFromGbk(text); }

// ---- Character tests ----

bool IsAllDigits(std::string_view text) {
  for (char c : text)
    if (!IsDigit(c)) return false;
  return true;
}

bool IsHexDigit(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool IsHexText(std::string& text) {
  if (text.empty()) return false;
  TrimBlanksIdeo(text);
  if (text.empty() || text.size() % 2 != 0) return false;
  for (char c : text)
    if (!IsHexDigit(c)) return false;
  return true;
}

bool DWordArrayContains(uint32_t value, std::span<const uint32_t> values) {
  for (uint32_t v : values)
    if (v == value) return true;
  return false;
}

uint32_t HashText30(std::u16string_view text) {
  // The 23rd weight (4474) is smaller than its neighbours; it stays so,
  // stored row ids were made with it.
  static const uint32_t kWeights[30] = {
      1,     101,   577,   1319,  1789,  2459,  3919,  4517,  5021,  8431,
      9973,  12149, 14437, 16421, 18869, 23819, 27031, 29059, 30211, 33391,
      36559, 40519, 4474,  49139, 51977, 57163, 64091, 70121, 80749, 85607};
  uint32_t sum = 0;
  for (size_t i = 0; i < text.size() && i < 30; ++i) sum += text[i] * kWeights[i];
  return sum;
}

// ---- Goods columns ----

bool SplitGoodsColumns(GoodsColumns columns, std::vector<GoodsRecord>& out) {
  auto trimAll = [](std::optional<std::string>& column) {
    if (column) TrimTrailingCommas(*column);
  };
  TrimTrailingCommas(columns.names);
  TrimTrailingCommas(columns.quantities);
  TrimTrailingCommas(columns.prices);
  for (auto* c : {&columns.secondNames, &columns.codesA, &columns.codesB, &columns.codesC,
                  &columns.customsValues, &columns.customsRates, &columns.units,
                  &columns.weights, &columns.notes})
    trimAll(*c);
  if (columns.names.empty() || columns.quantities.empty()) return false;

  const std::string& quantities = columns.quantities;
  size_t i = 0;
  while (i < quantities.size() && !IsDigit(quantities[i])) i += CharLen(quantities, i);
  int first = i < quantities.size() ? ReadInt(quantities, i) : 0;
  if (first <= 0) return false;
  while (i < quantities.size() && (IsDigit(quantities[i]) || quantities[i] == ' ')) ++i;

  std::vector<GoodsRecord> records;
  if (i >= quantities.size()) {
    // One record.
    std::string name = columns.names;
    StripHtml(name, true);
    if (name.empty() || name.size() > 63) return false;
    GoodsRecord r;
    r.iquantity = first;
    r.fprice = ReadDecimal(columns.prices);
    r.cgoods = name;
    if (columns.secondNames) r.cgoodsa = Cut(*columns.secondNames, 63);
    if (columns.codesA) r.cgcodea = Cut(*columns.codesA, 63);
    if (columns.codesB) r.cgcodeb = Cut(*columns.codesB, 63);
    if (columns.codesC) r.cgcodec = Cut(*columns.codesC, 63);
    if (columns.customsValues) r.fgcustom = ReadDecimal(*columns.customsValues);
    if (columns.customsRates) r.fgcrate = ReadDecimal(*columns.customsRates);
    if (columns.weights) r.fgweight = ReadDecimal(*columns.weights);
    if (columns.units) r.cunit = Cut(*columns.units, GoodsRecord::kGoodsUnitMax);
    if (columns.notes) r.note = Cut(*columns.notes, GoodsRecord::kGoodsNoteMax);
    out.push_back(std::move(r));
    return true;
  }

  // Several records, separated by the character reached.
  std::string separator = quantities.substr(i, CharLen(quantities, i));
  std::vector<int> counts;
  for (const std::string& value : SplitOnBoundaries(quantities, separator)) {
    size_t p = 0;
    while (p < value.size() && (value[p] == ' ' || value[p] == '\t')) ++p;
    int q = ReadInt(value, p);
    if (q <= 0) return false;
    counts.push_back(q);
  }
  std::vector<std::string> names;
  for (std::string part : SplitOnBoundaries(columns.names, separator)) {
    StripHtml(part, true);
    if (part.empty()) break;
    if (part.size() > 62) return false;
    names.push_back(std::move(part));
  }
  if (names.size() != counts.size()) return false;
  for (size_t k = 0; k < names.size(); ++k) {
    GoodsRecord r;
    r.iquantity = counts[k];
    r.cgoods = names[k];
    records.push_back(std::move(r));
  }

  // Further columns of more than 3 bytes go value by value to the records.
  auto distribute = [&](const std::optional<std::string>& column, auto assign) {
    if (!column || column->size() <= 3) return;
    std::vector<std::string> values = SplitOnBoundaries(*column, separator);
    for (size_t k = 0; k < values.size() && k < records.size(); ++k) assign(records[k], values[k]);
  };
  std::optional<std::string> prices = columns.prices;
  distribute(prices, [](GoodsRecord& r, const std::string& v) { r.fprice = ReadDecimal(v); });
  distribute(columns.customsValues,
             [](GoodsRecord& r, const std::string& v) { r.fgcustom = ReadDecimal(v); });
  distribute(columns.customsRates,
             [](GoodsRecord& r, const std::string& v) { r.fgcrate = ReadDecimal(v); });
  distribute(columns.weights,
             [](GoodsRecord& r, const std::string& v) { r.fgweight = ReadDecimal(v); });
  distribute(columns.secondNames,
             [](GoodsRecord& r, const std::string& v) { r.cgoodsa = Cut(v, 63); });
  distribute(columns.codesA, [](GoodsRecord& r, const std::string& v) { r.cgcodea = Cut(v, 63); });
  distribute(columns.codesB, [](GoodsRecord& r, const std::string& v) { r.cgcodeb = Cut(v, 63); });
  distribute(columns.codesC, [](GoodsRecord& r, const std::string& v) { r.cgcodec = Cut(v, 63); });
  distribute(columns.units, [](GoodsRecord& r, const std::string& v) {
    r.cunit = Cut(v, GoodsRecord::kGoodsUnitMax);
  });
  distribute(columns.notes, [](GoodsRecord& r, const std::string& v) {
    r.note = Cut(v, GoodsRecord::kGoodsNoteMax);
  });

  // Equal records are merged into the first of their kind.
  for (size_t k = records.size(); k-- > 1;) {
    for (size_t j = 0; j < k; ++j) {
      GoodsRecord& keep = records[j];
      const GoodsRecord& dup = records[k];
      if (!SameGoods(keep, dup)) continue;
      long long sum = static_cast<long long>(keep.iquantity) + dup.iquantity;
      keep.iquantity = static_cast<int32_t>(sum > INT32_MAX ? INT32_MAX : sum);
      if (keep.fprice <= 0 && dup.fprice > 0.001) keep.fprice = dup.fprice;
      if (keep.fgcustom <= 0 && dup.fgcustom > 0.001) keep.fgcustom = dup.fgcustom;
      if (keep.fgcrate <= 0 && dup.fgcrate > 0.001) keep.fgcrate = dup.fgcrate;
      records.erase(records.begin() + static_cast<std::ptrdiff_t>(k));
      break;
    }
  }
  for (auto& r : records) out.push_back(std::move(r));
  return true;
}
