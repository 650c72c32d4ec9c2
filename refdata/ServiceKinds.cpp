#include "refdata/ServiceKinds.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "common/FieldCheck.h"
#include "common/GbkText.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "platform/MessageBox.h"
#include "refdata/StationCacheSync.h"
#include "server/ServerLink.h"

namespace {

constexpr int32_t kOutOfMemoryText = 20020;
constexpr int32_t kFirstFieldCaption = 30000;

uint32_t Char(unsigned width) { return AcsTypeEntry(kSqlCChar, width); }
uint32_t SLong() { return AcsTypeEntry(kSqlCSLong); }
uint32_t Byte() { return AcsTypeEntry(kSqlCUTinyInt); }
uint32_t Double() { return AcsTypeEntry(kSqlCDouble); }

// The key of column n of a reply row.
std::string Key(int n) { return std::to_string(n); }

bool InList(int n, std::initializer_list<std::pair<int, int>> ranges) {
  for (auto [low, high] : ranges)
    if (n >= low && n <= high) return true;
  return false;
}

// Box defaults: width, height, label width.
struct BoxSize {
  int32_t width, height, label;
};

BoxSize DefaultBoxSize(int n) {
  if (InList(n, {{1, 1}, {9, 9}, {46, 51}, {99, 99}, {110, 113}})) return {150, 16, 36};
  if (InList(n, {{2, 2}, {10, 10}, {114, 114}})) return {150, 48, 20};
  if (InList(n, {{3, 3}, {11, 11}, {21, 25}})) return {120, 16, 16};
  if (InList(n, {{34, 34}, {56, 57}, {60, 66}, {79, 79}, {83, 97}, {100, 102}, {115, 119}}))
    return {90, 16, 36};
  if (n == 35) return {250, 60, 16};
  if (InList(n, {{52, 55}, {80, 82}})) return {60, 16, 36};
  return {80, 16, 36};
}

// Whether `marker` stands in `text` on a character boundary at byte 4 or
// later; its position or npos.
size_t FindMarkerFrom4(std::string_view text, std::string_view marker) {
  for (size_t i = 0; i + marker.size() <= text.size();) {
    if (i >= 4 && text.compare(i, marker.size(), marker) == 0) return i;
    i += IsGbkLead(text[i]) && i + 1 < text.size() ? 2 : 1;
  }
  return std::string_view::npos;
}

// A timestamp text kept only when it begins with a year above 2000.
std::string DateFromYear2001(std::string text) {
  if (text.size() > 16) text.resize(16);
  int year = 0;
  size_t i = 0;
  for (; i < text.size() && i < 4 && text[i] >= '0' && text[i] <= '9'; ++i)
    year = year * 10 + (text[i] - '0');
  return i == 4 && year > 2000 ? text : std::string();
}

}  // namespace

// ---- the kind ----

KindLayout::KindLayout() {
  for (int n = 0; n < static_cast<int>(boxes.size()); ++n) {
    KindFieldBox& box = boxes[static_cast<size_t>(n)];
    BoxSize size = DefaultBoxSize(n);
    box.left = 250 + n;
    box.top = 230 + n;
    box.width = size.width;
    box.height = size.height;
    box.labelWidth = size.label;
    box.flag = (n == 8 || n == 9 || n == 10 || n == 12 || n == 14 || n == 15 || n == 46 ||
                n == 47 || n == 48)
                   ? 1
                   : 0;
  }
}

CServiceKind::CServiceKind(std::string_view code)
    : wideCode(WideFromGbk(code)), cemskind(code), cemskindd(code), cemskindi(code) {
  fieldKinds.fill(kNoField);
}

bool CServiceKind::AddArea(ServiceArea area) {
  auto at = std::upper_bound(areas.begin(), areas.end(), area.carea,
                             [](const std::string& name, const ServiceArea& a) { return name < a.carea; });
  if (at != areas.begin() && std::prev(at)->carea == area.carea) return false;
  areas.insert(at, std::move(area));
  return true;
}

bool CServiceKind::AddSupplierRate(SupplierRate rate) {
  const uint16_t position = static_cast<uint16_t>(rate.ipos);
  auto at = std::upper_bound(rates.begin(), rates.end(), position,
                             [](uint16_t p, const SupplierRate& r) { return p < static_cast<uint16_t>(r.ipos); });
  rates.insert(at, std::move(rate));
  return true;
}

const ServiceArea* CServiceKind::FindArea(std::string_view name) const {
  auto at = std::lower_bound(areas.begin(), areas.end(), name,
                             [](const ServiceArea& a, std::string_view n) { return a.carea < n; });
  return at != areas.end() && at->carea == name ? &*at : nullptr;
}

uint8_t CServiceKind::AreaNumber(std::string_view name) const {
  const ServiceArea* area = FindArea(name);
  return area ? area->narea : 0;
}

std::u16string CServiceKind::SingleAreaName() const {
  return areas.size() == 1 ? WideFromGbk(areas.front().carea) : std::u16string();
}

bool CServiceKind::HasArea(std::string_view name) const {
  if (FindArea(name)) return true;
  if (name.size() < 9) return false;
  // Destination names are at most 63 bytes, the width of their field.
  std::string copy(name);
  GbkTruncate(copy, 63);
  static const std::vector<std::string> markers = [] {
    std::vector<std::string> list;
    for (std::u16string_view m : {u"路", u"弄", u"巷", u"镇", u"市", u"街", u"村", u"区", u"楼",
                                  u"室", u"号"}) {
      list.push_back(GbkFromWide(m));
    }
    return list;
  }();
  // Markers are looked for on character boundaries only, so a trail byte
  // and the next lead byte never pass for one.
  for (const std::string& marker : markers) {
    size_t at = FindMarkerFrom4(copy, marker);
    if (at == std::string::npos) continue;
    copy.resize(at + marker.size());
    return FindArea(copy) != nullptr;
  }
  return false;
}

const SupplierRate* CServiceKind::FindSupplierRate(int32_t isid) const {
  for (const SupplierRate& rate : rates)
    if (rate.isid == isid) return &rate;
  return nullptr;
}

bool CServiceKind::MatchesMask(std::string_view mask, std::string_view number) {
  if (mask.empty()) return true;
  if (mask.size() != number.size()) return false;
  for (size_t i = 0; i < mask.size(); ++i) {
    const char m = mask[i];
    const char c = number[i];
    if (m == '*') continue;
    if (m == '#' ? (c < '0' || c > '9') : m == '@' ? (c < 'A' || c > 'Z') : c != m) return false;
  }
  return true;
}

void CServiceKind::SplitMemo() {
  for (std::string& line : memoLines) line.clear();
  for (int box = 21; box <= 25; ++box) layout.boxes[static_cast<size_t>(box)].text.clear();
  std::string_view rest = cmemo;
  for (size_t n = 0; n < memoLines.size() && !rest.empty(); ++n) {
    const size_t end = std::min(rest.find_first_of("\r\n"), rest.size());
    std::string line(rest.substr(0, end));
    if (line.empty()) break;
    if (line.size() > 63) GbkTruncate(line, 60);
    memoLines[n] = line;
    layout.boxes[21 + n].text = line;
    rest.remove_prefix(end);
    while (!rest.empty() && (rest.front() == '\r' || rest.front() == '\n' || rest.front() == ' '))
      rest.remove_prefix(1);
  }
}

void CServiceKind::SetFieldKinds(std::string_view list) {
  fieldKinds.fill(kNoField);
  size_t slot = 0;
  size_t start = 0;
  // Slots beyond the list's room are dropped: the count never exceeds it.
  for (size_t comma = list.find(','); comma != std::string_view::npos && slot < kFieldSlots;
       comma = list.find(',', start)) {
    const std::string number(list.substr(start, comma - start));
    const long value = std::strtol(number.c_str(), nullptr, 10);
    fieldKinds[slot++] = value >= 0 && value < 69 ? static_cast<uint8_t>(value) : kNoField;
    start = comma + 1;
  }
  fieldKindCount = static_cast<int32_t>(slot);
}

// ---- entry-field kinds ----

int32_t EntryFieldKinds::MaxLength(int kind) {
  struct Group {
    int32_t length;
    std::initializer_list<std::pair<int, int>> kinds;
  };
  static const Group groups[] = {
      {15, {{10, 10}, {29, 29}, {35, 35}, {40, 40}, {44, 44}, {46, 46}, {64, 65}}},
      {20, {{19, 20}}},
      {22, {{42, 42}, {49, 49}}},
      {30, {{2, 6}, {15, 18}, {21, 21}, {23, 25}, {31, 32}, {38, 38}, {41, 41}, {43, 43},
            {45, 45}, {50, 51}, {57, 57}, {62, 63}, {66, 68}}},
      {62, {{7, 7}, {14, 14}, {27, 27}}},
      {63, {{0, 1}, {8, 8}, {30, 30}, {33, 33}, {37, 37}, {39, 39}, {47, 48}, {52, 55}, {59, 61}}},
      {126, {{12, 13}, {28, 28}}},
      {127, {{34, 34}, {36, 36}}},
      {254, {{9, 9}, {11, 11}, {22, 22}, {26, 26}, {56, 56}, {58, 58}}},
  };
  for (const Group& g : groups)
    if (InList(kind, g.kinds)) return g.length;
  return 0;
}

void EntryFieldKinds::Load(CLanguageTable& language) {
  captions.clear();
  maxLengths.clear();
  for (int k = 0; k < kCount; ++k) {
    captions.push_back(language.Text(kFirstFieldCaption + k));
    maxLengths.push_back(MaxLength(k));
  }
}

// ---- the load ----

CServiceKind* FindServiceKind(std::vector<CServiceKind>& kinds, std::string_view code) {
  for (CServiceKind& kind : kinds)
    if (kind.cemskind.size() == code.size() && GbkCompareNoCase(kind.cemskind, code) == 0) return &kind;
  return nullptr;
}

namespace {

void ReadKind(JsonRowIndex& row, CServiceKind& kind) {
  auto text = [&row](int column, size_t n) { return row.GetString(Key(column), n); };
  auto byte = [&row](int column) { return row.GetByte(Key(column), 0); };
  auto int32 = [&row](int column) { return row.GetInt(Key(column), 0); };
  auto real = [&row](int column) { return row.GetDouble(Key(column), 0.0); };
  kind.narea = byte(1);
  kind.idocweighte = int32(2);
  kind.ibagweighte = int32(3);
  kind.nstate = byte(4);
  kind.cmemo = text(5, 255);
  kind.fcustoms = real(6);
  kind.faddons = real(7);
  kind.b1price = row.GetBool(Key(8), 1);
  kind.cmname = text(9, 255);
  kind.ctaker = text(10, 255);
  kind.ctrans = text(11, 255);
  kind.cbearer = text(12, 255);
  kind.nextra = byte(13);
  if (std::string alt = text(14, 15); !alt.empty()) kind.cemskindd = alt;
  kind.nclient = byte(15);
  kind.nsp = byte(16);
  kind.nweights = byte(17);
  kind.nsmtake = byte(18);
  kind.nsmsend = byte(19);
  kind.nsmsign = byte(20);
  kind.nsmerror = byte(21);
  kind.nsmdays = byte(22);
  kind.ckey = text(23, 63);
  if (std::string alt = text(24, 15); !alt.empty()) kind.cemskindi = alt;
  kind.ninput = byte(25);
  kind.idiscount = int32(26);
  kind.ncost = byte(27);
  kind.cmaskno = text(28, 30);
  kind.cmasknum = text(29, 30);
  kind.ntrackbit = byte(30);
  kind.nbusitype = byte(31);
  kind.fscustoms = real(32);
  kind.fsaddons = real(33);
  kind.ncuball = byte(34);
  kind.nnoprice = byte(35);
  kind.cstation = text(36, 15);
  kind.ndiscountc = byte(37);
  kind.ndiscounts = byte(38);
  kind.nallcustoms = byte(39);
  kind.npubprice = byte(40);
  kind.crmtkind = text(41, 7);
  kind.ipubdis = int32(42);
  kind.cekgroup = text(43, 15);
  const uint8_t typeC = byte(44);
  const uint8_t typeS = byte(45);
  kind.weightTypeC = typeC & 0x1F;
  kind.weightSubTypeC = static_cast<uint8_t>(typeC >> 5);
  kind.weightTypeS = typeS & 0x1F;
  kind.weightSubTypeS = static_cast<uint8_t>(typeS >> 5);
  const int32_t idGen = int32(46);
  kind.idGenLow = idGen % 10000;
  kind.idGenHigh = idGen / 10000;
  kind.SplitMemo();
}

SupplierRate ReadRate(JsonRowIndex& row) {
  SupplierRate rate;
  std::string discounts;
  row.GetHex(Key(7), discounts, 4);
  discounts.resize(4, '\0');
  auto discount = [&](int column, size_t byte) {
    return static_cast<uint16_t>(row.GetByte(Key(column), 0) * 100 +
                                 static_cast<unsigned char>(discounts[byte]));
  };
  rate.cname = row.GetString(Key(0), 63);
  rate.isid = row.GetInt(Key(1), 0);
  rate.docDiscount = discount(2, 0);
  rate.bagDiscount = discount(3, 1);
  rate.heavyBagDiscount = discount(4, 2);
  rate.ipos = row.GetInt(Key(5), 0);
  rate.nextra = row.GetByte(Key(6), 0);
  rate.beginWeight = row.GetInt(Key(8), 0);
  rate.addedWeight = row.GetInt(Key(9), 0);
  rate.fsrate = row.GetDouble(Key(10), 0.0);
  rate.fprate = row.GetDouble(Key(11), 0.0);
  rate.nstate = row.GetByte(Key(13), 0);
  rate.cinput = row.GetString(Key(14), 30);
  rate.ddate = DateFromYear2001(row.GetString(Key(15), 19));
  rate.fother = row.GetDouble(Key(16), 0.0);
  return rate;
}

}  // namespace

bool LoadServiceKinds(const SqlRunner& sql, std::vector<CServiceKind>& kinds,
                      std::vector<std::u16string>& codes, CLanguageTable& language,
                      platform::MessageBoxService& boxes) {
  std::string reply;
  JsonRowIndex row;

  // 1-3. The kinds.
  static const std::vector<uint32_t> kindTypes = [] {
    std::vector<uint32_t> t = {Char(16), Byte(), SLong(), SLong(), Byte(), Char(256), Double(),
                               Double(), AcsTypeEntry(kSqlCBit), Char(256), Char(256), Char(256),
                               Char(256), Byte(), Char(16)};
    t.insert(t.end(), 8, SLong());
    t.insert(t.end(), {Char(64), Char(16), SLong(), SLong(), SLong(), Char(32), Char(32), Byte(),
                       Byte(), Double(), Double(), Byte(), Byte(), Char(16), Byte(), Byte(),
                       Byte(), Byte(), Char(8), SLong(), Char(16), Byte(), Byte(), SLong()});
    return t;
  }();
  const int length = sql(
      "SELECT cemskind,narea,idocweighte,ibagweighte,nstate,cmemo,fcustoms,faddons,b1price,cmname,"
      "ctaker,ctrans,cbearer,nextra,cemskindd,nclient,nsp,nweights,nsmtake,nsmsend,nsmsign,nsmerror,"
      "nsmdays,ckey,cemskindi,ninput,idiscount,ncost,cmaskno,cmasknum,ntrackbit,nbusitype,fscustoms,"
      "fsaddons,ncuball,nnoprice,cstation,ndiscountc,ndiscounts,nallcustoms,npubprice,crmtkind,"
      "ISNULL(ipubdis,0),ISNULL(cekgroup,''),ISNULL(nwtypec,0),ISNULL(nwtypes,0),ISNULL(iidgen,0) "
      "FROM brantle.dbo.ziz_kind ORDER BY idocweighte,cemskind",
      kindTypes, reply);
  if (length < 10 || JsonFindKey("List", reply) == std::string_view::npos) return false;
  bool outOfMemory = false;
  try {
    ForEachReplyRow(reply, [&](std::string_view object) {
      row.Reset(object);
      std::string code = row.GetString(Key(0), 15);
      if (code.empty()) return;
      CServiceKind kind(code);
      ReadKind(row, kind);
      codes.push_back(kind.wideCode);
      kinds.push_back(std::move(kind));
    });
  } catch (const std::bad_alloc&) {
    outOfMemory = true;
  }
  if (outOfMemory) {
    boxes.Show(language.Text(kOutOfMemoryText), u"", platform::kMbOk | platform::kMbIconWarning);
    return false;
  }
  if (kinds.empty()) return false;

  // 4. Field lists.
  static const uint32_t editTypes[] = {Char(256), Char(16)};
  if (sql("SELECT citem,cemskind FROM brantle.dbo.ziz_edit", editTypes, reply) > 0) {
    ForEachReplyRow(reply, [&](std::string_view object) {
      row.Reset(object);
      if (CServiceKind* kind = FindServiceKind(kinds, row.GetString(Key(1), 15)))
        kind->SetFieldKinds(row.GetString(Key(0), 255));
    });
  }

  // 5. Suppliers, grouped by kind.
  static const uint32_t rateTypes[] = {
      Char(64), SLong(), Byte(), Byte(), Byte(), SLong(), Byte(), AcsTypeEntry(kSqlCBinary, 4),
      SLong(), SLong(), Double(), Double(), Char(16), Byte(), Char(32),
      AcsTypeEntry(kSqlCTimestamp), Double()};
  if (sql("SELECT b.cname,a.isid,a.ndocdiscount,a.nbagdiscount,a.nwbagdiscount,a.ipos,a.nextra,"
          "a.vdiscount,a.ibweight,a.iaddweight,a.fsrate,a.fprate,a.cemskind,a.nstate,a.cinput,"
          "a.ddate,a.fother FROM brantle.dbo.ziz_sp a,brantle.dbo.sp_arc b WHERE a.isid=b.isid "
          "ORDER BY a.cemskind,a.ipos,b.cname",
          rateTypes, reply) > 0) {
    std::string lastCode;
    CServiceKind* kind = nullptr;
    ForEachReplyRow(reply, [&](std::string_view object) {
      row.Reset(object);
      std::string code = row.GetString(Key(12), 15);
      if (kind == nullptr || code != lastCode) {
        kind = FindServiceKind(kinds, code);
        lastCode = code;
      }
      if (kind != nullptr) kind->AddSupplierRate(ReadRate(row));
    });
  }

  // 6. Sender defaults.
  static const uint32_t senderTypes[] = {Char(16), Char(128), Char(256), Char(16), Char(32),
                                         Char(64), Char(256), Char(64),  Char(64), Char(64),
                                         Char(64), Char(256)};
  if (sql("SELECT cemskind,cclient,cfrom,cpostcode,cphone,ccity,creturn,cby1,cby2,cby3,cby4,cby5 "
          "FROM brantle.dbo.ziz_kind_ex",
          senderTypes, reply) > 0) {
    ForEachReplyRow(reply, [&](std::string_view object) {
      row.Reset(object);
      CServiceKind* kind = FindServiceKind(kinds, row.GetString(Key(0), 15));
      if (kind == nullptr) return;
      kind->cclient = row.GetString(Key(1), 127);
      kind->cfrom = row.GetString(Key(2), 255);
      kind->cpostcode = row.GetString(Key(3), 15);
      kind->cphone = row.GetString(Key(4), 30);
      kind->ccity = row.GetString(Key(5), 63);
      kind->creturn = row.GetString(Key(6), 255);
      kind->cby1 = row.GetString(Key(7), 63);
      kind->cby2 = row.GetString(Key(8), 63);
      kind->cby3 = row.GetString(Key(9), 63);
      kind->cby4 = row.GetString(Key(10), 63);
      kind->cby5 = row.GetString(Key(11), 255);
    });
  }

  // 7. Areas, only for the two kinds that keep a list (the code compared
  // byte for byte).
  static const std::string kAreaKinds[] = {GbkFromWide(u"ZIZ国际"), "DHL"};
  static const uint32_t areaTypes[] = {Char(32), Char(64), Byte(), Byte(), Char(8)};
  for (CServiceKind& kind : kinds) {
    if (std::find(std::begin(kAreaKinds), std::end(kAreaKinds), kind.cemskind) == std::end(kAreaKinds))
      continue;
    const std::string text = "SELECT carea,careae,narea,ntype,ccode FROM brantle.dbo.ziz_area WHERE cemskind='" +
                             QuoteSqlNarrow(kind.cemskind) + "' ORDER BY carea";
    if (sql(text, areaTypes, reply) <= 0) continue;
    ForEachReplyRow(reply, [&](std::string_view object) {
      row.Reset(object);
      ServiceArea area;
      area.carea = row.GetString(Key(0), 30);
      area.careae = row.GetString(Key(1), 63);
      area.narea = row.GetByte(Key(2), 0);
      area.ntype = row.GetByte(Key(3), 0);
      const std::string code = row.GetString(Key(4), 8);
      area.codeFirst = std::atoi(code.c_str());
      const size_t comma = code.find(',');
      area.codeSecond = comma == std::string::npos ? 0 : std::atoi(code.c_str() + comma + 1);
      kind.AddArea(std::move(area));
    });
  }
  return true;
}
