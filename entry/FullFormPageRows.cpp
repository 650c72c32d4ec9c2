#include "entry/FullFormPageRows.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <optional>
#include <cstring>

#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "refdata/RecordStores.h"
#include "server/ServerLink.h"
#include "ui/ListGridModel.h"

namespace {

constexpr int L = kGridAlignLeft, R = kGridAlignRight, C = kGridAlignCenter;

const WaybillListColumn kColumns[kWaybillListColumns] = {
    {30076, 40, L},  {30078, 120, L}, {30203, 80, L},  {30070, 80, L},  {30002, 110, L},
    {30003, 110, L}, {30074, 60, C},  {30072, 40, R},  {30004, 60, R},  {30064, 80, L},
    {30005, 60, R},  {30001, 100, L}, {30073, 80, L},  {30071, 40, L},  {30006, 60, L},
    {30046, 70, L},  {30007, 60, L},  {30011, 200, L}, {30012, 80, L},  {30014, 80, L},
    {30013, 100, L}, {30010, 60, L},  {30040, 60, L},  {30026, 200, L}, {30030, 100, L},
    {30027, 40, R},  {30028, 60, R},  {30031, 75, R},  {30041, 110, L}, {30045, 110, L},
    {30050, 60, L},  {30022, 200, L}, {30052, 100, L}, {30053, 100, L}, {30054, 100, L},
    {30055, 100, L}, {30056, 200, L}};

// Reply key and longest text (characters) of the text columns; -1 numbers.
struct Source {
  int key;
  int chars;
};
const Source kTexts[kWaybillListColumns] = {
    {-1, 0},  {59, 63}, {58, 30},  {4, 10},  {6, 30},  {19, 30}, {-1, 0},  {-1, 0},
    {-1, 0},  {60, 15}, {-1, 0},   {1, 63},  {11, 15}, {-1, 0},  {12, 30}, {13, 30},
    {14, 63}, {28, 255}, {44, 127}, {45, 63}, {46, 127}, {29, 15}, {8, 15}, {15, 255},
    {35, 63}, {-1, 0},  {-1, 0},   {-1, 0},  {20, 30}, {21, 30}, {37, 30}, {30, 255},
    {39, 63}, {40, 63}, {41, 63},  {42, 63}, {43, 255}};

std::string Key(int k) { return std::to_string(k); }

std::u16string Cut(std::u16string text, size_t chars) {
  if (text.size() > chars) text.resize(chars);
  return text;
}

std::u16string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return WideFromGbk(text);
}

std::u16string Enum(int base, int n) {
  return n >= 0 && n < 3 ? AppLanguage().Text(base + n) : std::u16string(u"未知");
}

template <size_t N>
std::u16string Gbk(const char (&field)[N]) {
  return WideFromGbk(std::string_view(field, strnlen(field, N)));
}

template <size_t N>
std::u16string Decoded(const char (&field)[N], size_t chars) {
  return Cut(WideFromFieldText(std::string_view(field, strnlen(field, N)), 4000), chars);
}

}  // namespace

const WaybillListColumn& WaybillListColumnAt(int column) { return kColumns[column]; }

std::u16string WaybillListSelect() {
  return u"a.nitemtype,a.cdes,a.fweight,a.famount,a.ddate,a.ifid,a.cnum,a.iitem,a.cmark,a.npayway,"
         u"a.irid,a.cemskind,a.csender,a.cdepart,a.creceiver,a.cgoods,a.nstate,a.csign,a.dadate,"
         u"a.cserviceno,a.crno,a.ccno,a.caddrfrom,a.cphone,a.fgoods,a.fgoodsc,a.cpaydir,"
         u"a.cunitname,a.caddr,a.cpostcode,a.cmemo,a.iquantity,a.iprice,a.cmoney,a.cpacking,"
         u"a.ctransnote,a.ireserve,a.creserve,a.dsysdate,a.cby1,a.cby2,a.cby3,a.cby4,a.cby5,"
         u"a.ccountry,a.cprovince,a.ccity,a.iivalue,a.idvalue,a.cgoodsa,a.cgcodea,a.cgcodeb,"
         u"a.cgcodec,a.fgcustom,a.fgcrate,a.csidcard,a.cridcard,a.icid,b.caccount,b.cunitname,"
         u"a.clwh";
}

std::u16string WaybillListDateHead() {
  return u"SELECT TOP %d %s,0 AS ilen FROM brantle.dbo.client_rec a WITH (NOLOCK) INNER JOIN "
         u"brantle.dbo.client_arc b ON(a.icid=b.icid) WHERE a.%s BETWEEN '%s' AND '%s'";
}

std::vector<uint32_t> WaybillListTypes() {
  const uint32_t u8 = AcsTypeEntry(kSqlCUTinyInt), d = AcsTypeEntry(kSqlCDouble),
                 ts = AcsTypeEntry(kSqlCTimestamp), sl = AcsTypeEntry(kSqlCSLong);
  auto ch = [](unsigned w) { return AcsTypeEntry(kSqlCChar, w); };
  return {u8,      ch(64),  d,       d,       ts,      sl,      ch(32),  sl,      ch(16),
          u8,      sl,      ch(16),  ch(32),  ch(32),  ch(64),  ch(256), u8,      ch(32),
          ts,      ch(32),  ch(32),  ch(32),  ch(64),  ch(64),  d,       d,       ch(4),
          ch(256), ch(256), ch(16),  ch(256), sl,      sl,      ch(4),   ch(16),  ch(64),
          sl,      ch(32),  ts,      ch(64),  ch(64),  ch(64),  ch(64),  ch(256), ch(128),
          ch(64),  ch(128), sl,      sl,      ch(256), ch(64),  ch(64),  ch(64),  d,
          d,       ch(32),  ch(32),  sl,      ch(32),  ch(64),  ch(16),  sl};
}

std::u16string DimensionsShown(std::u16string text) {
  if (!text.empty() && text.back() >= u'A' && text.back() <= u'Z') text.pop_back();
  return text;
}

int32_t WaybillRowId(std::string_view object) { return JsonGetInt("10", object, 0); }

WaybillListRow WaybillRowFromReply(std::string_view o) {
  WaybillReplyReader reader;
  int32_t id = 0;
  const std::vector<QString> cells = reader.Cells(o, id);
  WaybillListRow row;
  for (int c = 0; c < kWaybillListColumns; ++c) row[c] = cells[static_cast<size_t>(c)].toStdU16String();
  return row;
}

namespace {

QString Q(const std::u16string& text) {
  return text.empty() ? QString() : QString::fromStdU16String(text);
}

// Format("%.2f" or "%.3f", value) in the grid's text type: the digits as
// snprintf writes them into 64 bytes.
QString Fixed(double value, int decimals) {
  char text[64];
  const std::to_chars_result r =
      std::to_chars(text, text + sizeof text - 1, value, std::chars_format::fixed, decimals);
  if (r.ec == std::errc()) return QString::fromLatin1(text, static_cast<qsizetype>(r.ptr - text));
  std::snprintf(text, sizeof text, decimals == 3 ? "%.3f" : "%.2f", value);
  return QString::fromLatin1(text);
}

// The reply's text keys "0" .. "61".
const std::array<std::string, 62>& ReplyKeys() {
  static const std::array<std::string, 62> keys = [] {
    std::array<std::string, 62> k;
    for (size_t i = 0; i < k.size(); ++i) k[i] = Key(static_cast<int>(i));
    return k;
  }();
  return keys;
}

}  // namespace

WaybillReplyReader::WaybillReplyReader() {
  for (int n = 0; n < 4; ++n) {
    itemTypes_[n] = Q(Enum(20090, n));
    payWays_[n] = Q(Enum(20060, n));
  }
}

std::vector<QString> WaybillReplyReader::Cells(std::string_view o, int32_t& id) {
  index_.Reset(o);
  return CellsOfIndexed(id);
}

bool WaybillReplyReader::Next(JsonListReader& list, std::vector<QString>& cells, int32_t& id) {
  if (!list.Next(index_)) return false;
  cells = CellsOfIndexed(id);
  return true;
}

std::vector<QString> WaybillReplyReader::CellsOfIndexed(int32_t& id) {
  const auto& keys = ReplyKeys();
  // The text columns in the order of their reply keys: read in that order,
  // each key is found where the index looked last.
  static const std::array<int, kWaybillListColumns> order = [] {
    std::array<int, kWaybillListColumns> o;
    for (int c = 0; c < kWaybillListColumns; ++c) o[static_cast<size_t>(c)] = c;
    std::stable_sort(o.begin(), o.end(), [](int a, int b) { return kTexts[a].key < kTexts[b].key; });
    return o;
  }();
  std::vector<QString> row(kWaybillListColumns);
  for (const int c : order) {
    const Source& s = kTexts[c];
    if (s.key < 0) continue;
    const std::string& key = keys[static_cast<size_t>(s.key)];
    // A string value of plain ASCII reads as itself through both the GBK and
    // the wide conversion; any other value takes the general way.
    const std::optional<std::string_view> body = index_.GetStringBody(key);
    // A value standing exactly as in the row before shares that row's text.
    Last& last = last_[static_cast<size_t>(c)];
    if (body && last.body && *body == *last.body) {
      row[c] = last.cell;
      continue;
    }
    bool plain = body.has_value();
    if (plain) {
      for (const char ch : *body) {
        if (static_cast<unsigned char>(ch) >= 0x80 || ch == '\\') {
          plain = false;
          break;
        }
      }
    }
    if (plain) {
      const size_t n = std::min(body->size(), static_cast<size_t>(s.chars));
      if (n > 0) row[c] = QString::fromLatin1(body->data(), static_cast<qsizetype>(n));
    } else {
      row[c] = Q(Cut(WideFromGbk(index_.GetString(key, 1024)), static_cast<size_t>(s.chars)));
    }
    last.body = body;
    last.cell = row[c];
  }
  // The dimensions shown: a last upper-case letter dropped.
  QString& lwh = row[9];
  if (!lwh.isEmpty() && lwh.back() >= u'A' && lwh.back() <= u'Z') lwh.chop(1);
  if (lwh.isEmpty()) lwh = QString();
  auto named = [](const QString (&names)[4], int n) { return names[n >= 0 && n < 3 ? n : 3]; };
  row[6] = named(itemTypes_, index_.GetInt(keys[0], -1));
  row[7] = QString::number(index_.GetInt(keys[7], 0));
  row[8] = Fixed(index_.GetDouble(keys[2], 0), 3);
  row[10] = Fixed(index_.GetDouble(keys[3], 0), 2);
  row[13] = named(payWays_, index_.GetInt(keys[9], -1));
  row[25] = QString::number(std::max(index_.GetInt(keys[31], 0), 1));
  // Hundredths, as the save sends them.
  row[26] = Fixed(index_.GetInt(keys[32], 0) / 100.0, 2);
  row[27] = Fixed(index_.GetInt(keys[48], 0) / 100.0, 2);
  id = index_.GetInt(keys[10], 0);
  return row;
}

WaybillListRow WaybillRowFromRecord(const WaybillRecord& w, std::u16string_view customerName,
                                    std::u16string_view customerCode,
                                    std::u16string_view itemTypeName,
                                    std::u16string_view payWayName) {
  WaybillListRow row;
  char date[32];
  std::snprintf(date, sizeof date, "%d-%02d-%02d", w.year, w.month, w.day);
  row[1] = customerName;
  row[2] = customerCode;
  row[3] = WideFromGbk(date);
  row[4] = Gbk(w.cNum);
  row[5] = Gbk(w.cNo);
  row[6] = itemTypeName;
  row[7] = WideFromGbk(std::to_string(w.iItem));
  row[8] = Format("%.3f", w.fWeight);
  row[9] = DimensionsShown(Gbk(w.cLwh));
  row[10] = Format("%.2f", w.fAmount);
  row[11] = Gbk(w.cDes);
  row[12] = Gbk(w.cZizKind);
  row[13] = payWayName;
  row[14] = Gbk(w.cSender);
  row[15] = Gbk(w.cDepart);
  row[16] = Decoded(w.cReceiver, 254);
  row[17] = Decoded(w.cRAddr, 254);
  row[18] = Decoded(w.cRCountry, 126);
  row[19] = Decoded(w.cRProvince, 62);
  row[20] = Decoded(w.cRCity, 126);
  row[21] = Gbk(w.cRPostcode);
  row[22] = Gbk(w.cMark);
  row[23] = Gbk(w.cGoods);
  row[24] = Gbk(w.cTransNote);
  row[25] = WideFromGbk(std::to_string(w.iQuantity));
  row[26] = Format("%.2f", w.iPrice / 100.0);
  row[27] = Format("%.2f", w.iDValue / 100.0);
  row[28] = Gbk(w.cRNo);
  row[29] = Gbk(w.cCNo);
  row[30] = Gbk(w.cReserve);
  row[31] = Gbk(w.cMemo);
  row[32] = Gbk(w.cBy1);
  row[33] = Gbk(w.cBy2);
  row[34] = Gbk(w.cBy3);
  row[35] = Gbk(w.cBy4);
  row[36] = Gbk(w.cBy5);
  return row;
}
