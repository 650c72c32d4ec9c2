#include "consolidation/AwbManifest.h"

#include <algorithm>
#include <cstdlib>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>
#include <set>
#include <unordered_map>

#include "common/DateTime.h"
#include "common/FieldCheck.h"
#include "common/GbkText.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/Md5.h"
#include "common/SafeFileName.h"
#include "common/SettingsText.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "consolidation/AwbEditor.h"
#include "office/ExcelSession.h"
#include "print/TemplateModel.h"
#include "refdata/AwbBagLists.h"
#include "refdata/DestinationTable.h"
#include "server/ServerLink.h"

namespace manifest {

namespace {

// The query texts as the server expects them: "%s" first takes the ten
// extension columns, then the master air waybill number.
constexpr char kStandardSql[] =
    "SELECT DISTINCT a.cunitname,a.creceiver,a.caddr,a.ccountry,a.cprovince,a.ccity,a.cpostcode"
    ",a.cphone,a.cnum,a.iitem,a.fweights,a.cgoods,a.csunitname,a.csender,a.csaddr,a.cscountry,a"
    ".csprovince,a.cscity,a.cspostcode,a.csphone,a.idvalue,a.cmoney,a.corigin,a.iquantity,a.ipr"
    "ice,a.ibag,a.cpaydir,a.cbag,a.cserviceno,'',0,a.crno,'',0,'',0,0,a.cmark,a.caddrfrom,a.cde"
    "s,a.cmemo,a.clwh,c.cstation,a.fweight,a.cemskind,c.caccount,a.nitemtype,c.cbrief,c.ckind,a"
    ".ccno,a.ccode,a.cpacking,a.ctransnote,a.iivalue,a.irid,a.ireserve,a.creserve,a.fweightb,a."
    "csemail,a.cremail,0,0,0,0,a.cby1,a.cby2,a.cby3,a.cby4,a.cby5,a.ddate,a.dsysdate,d.cxno,d.c"
    "order,d.chno,d.cfrom,d.cdes,d.cstation,d.cstationd,d.ctype,d.cmark,d.ctransnote,d.cby1,d.c"
    "by2,d.cby3,d.cby4,d.cby5,a.nsendway,a.isid,a.cgoodsa,a.cgcodea,a.cgcodeb,a.cgcodec,a.fgcus"
    "tom,a.fgcrate,'','','','',0,0,a.iids,a.iidr,a.iidi,a.csmsnumber,a.crsms,a.fgoods,a.csidcar"
    "d,a.cridcard,d.fweight,a.fgweight,%s FROM brantle.dbo.client_rec AS a INNER JOIN brantle.d"
    "bo.client_arc AS c ON(a.icid=c.icid) INNER JOIN brantle.dbo.client_rec_xbag_item AS e ON(a"
    ".irid=e.irid AND wpos=1) INNER JOIN brantle.dbo.client_rec_xbag AS d ON(d.ixid=e.ixid) WHE"
    "RE d.cawb='%s'"
;
constexpr char kPieceSql[] =
    "SELECT a.cunitname,a.creceiver,a.caddr,a.ccountry,a.cprovince,a.ccity,a.cpostcode,a.cphone"
    ",a.cnum,a.iitem,a.fweights,a.cgoods,a.csunitname,a.csender,a.csaddr,a.cscountry,a.csprovin"
    "ce,a.cscity,a.cspostcode,a.csphone,a.idvalue,a.cmoney,a.corigin,a.iquantity,a.iprice,a.iba"
    "g,a.cpaydir,a.cbag,a.cserviceno,ISNULL(b.cno,''),ISNULL(b.ibag,0),a.crno,ISNULL(b.crno,'')"
    " AS cbno,ISNULL(b.iweight,0),ISNULL(b.cgoods,''),ISNULL(b.iquantity,0),ISNULL(b.iprice,0),"
    "a.cmark,a.caddrfrom,a.cdes,a.cmemo,a.clwh,c.cstation,a.fweight,a.cemskind,c.caccount,a.nit"
    "emtype,c.cbrief,c.ckind,a.ccno,a.ccode,a.cpacking,a.ctransnote,a.iivalue,a.irid,a.ireserve"
    ",a.creserve,a.fweightb,a.csemail,a.cremail,ISNULL(b.ilong,0),ISNULL(b.iwidth,0),ISNULL(b.i"
    "height,0),ISNULL(b.npercent,0),a.cby1,a.cby2,a.cby3,a.cby4,a.cby5,a.ddate,a.dsysdate,d.cxn"
    "o,d.corder,d.chno,d.cfrom,d.cdes,d.cstation,d.cstationd,d.ctype,d.cmark,d.ctransnote,d.cby"
    "1,d.cby2,d.cby3,d.cby4,d.cby5,a.nsendway,a.isid,a.cgoodsa,a.cgcodea,a.cgcodeb,a.cgcodec,a."
    "fgcustom,a.fgcrate,ISNULL(b.cgoodsa,''),ISNULL(b.cgcodea,''),ISNULL(b.cgcodeb,''),ISNULL(b"
    ".cgcodec,''),ISNULL(b.fgcustom,0),ISNULL(b.fgcrate,0),a.iids,a.iidr,a.iidi,a.csmsnumber,a."
    "crsms,a.fgoods,a.csidcard,a.cridcard,d.fweight,a.fgweight,%s,e.wpos FROM brantle.dbo.clien"
    "t_rec AS a INNER JOIN brantle.dbo.client_arc AS c ON(a.icid=c.icid) INNER JOIN brantle.dbo"
    ".client_rec_xbag_item AS e ON(a.irid=e.irid) INNER JOIN brantle.dbo.client_rec_xbag AS d O"
    "N(d.ixid=e.ixid) LEFT OUTER JOIN brantle.dbo.client_rec_weight_detail AS b ON(a.irid=b.iri"
    "d AND e.wpos=b.wpos) WHERE d.cawb='%s'"
;
constexpr char kGoodsAcrossSql[] =
    "SELECT a.cunitname,a.creceiver,a.caddr,a.ccountry,a.cprovince,a.ccity,a.cpostcode,a.cphone"
    ",a.cnum,a.iitem,a.fweights,a.cgoods,a.csunitname,a.csender,a.csaddr,a.cscountry,a.csprovin"
    "ce,a.cscity,a.cspostcode,a.csphone,a.idvalue,a.cmoney,a.corigin,a.iquantity,a.iprice,a.iba"
    "g,a.cpaydir,a.cbag,a.cserviceno,a.crno,a.cmark,a.caddrfrom,a.cdes,a.cmemo,a.clwh,c.cstatio"
    "n,a.fweight,a.cemskind,c.caccount,a.nitemtype,c.cbrief,c.ckind,a.ccno,a.ccode,a.cpacking,a"
    ".ctransnote,a.iivalue,a.irid,a.ireserve,a.creserve,a.fweightb,a.csemail,a.cremail,a.cby1,a"
    ".cby2,a.cby3,a.cby4,a.cby5,a.ddate,a.dsysdate,d.cxno,d.corder,d.chno,d.cfrom,d.cdes,d.csta"
    "tion,d.cstationd,d.ctype,d.cmark,d.ctransnote,d.cby1,d.cby2,d.cby3,d.cby4,d.cby5,a.nsendwa"
    "y,a.isid,a.cgoodsa,a.cgcodea,a.cgcodeb,a.cgcodec,a.fgcustom,a.fgcrate,a.iids,a.iidr,a.iidi"
    ",a.csidcard,a.cridcard,d.fweight,a.fgweight,%s,a.csmsnumber,a.crsms,e.wpos FROM brantle.db"
    "o.client_rec AS a INNER JOIN brantle.dbo.client_arc AS c ON(a.icid=c.icid) INNER JOIN bran"
    "tle.dbo.client_rec_xbag_item AS e ON(a.irid=e.irid) INNER JOIN brantle.dbo.client_rec_xbag"
    " AS d ON(d.ixid=e.ixid) WHERE d.cawb='%s'"
;
constexpr char kGoodsInRowsSql[] =
    "SELECT a.cunitname,a.creceiver,a.caddr,a.ccountry,a.cprovince,a.ccity,a.cpostcode,a.cphone"
    ",a.cnum,a.iitem,a.fweights,a.cgoods,a.csunitname,a.csender,a.csaddr,a.cscountry,a.csprovin"
    "ce,a.cscity,a.cspostcode,a.csphone,a.idvalue,a.cmoney,a.corigin,a.iquantity,a.iprice,a.iba"
    "g,a.cpaydir,a.cbag,a.cserviceno,a.crno,a.cmark,a.caddrfrom,a.cdes,a.cmemo,a.clwh,c.cstatio"
    "n,a.fweight,a.cemskind,c.caccount,a.nitemtype,c.cbrief,c.ckind,a.ccno,a.ccode,a.cpacking,a"
    ".ctransnote,a.iivalue,a.irid,a.ireserve,a.creserve,a.fweightb,a.csemail,a.cremail,a.cby1,a"
    ".cby2,a.cby3,a.cby4,a.cby5,a.ddate,a.dsysdate,d.cxno,d.corder,d.chno,d.cfrom,d.cdes,d.csta"
    "tion,d.cstationd,d.ctype,d.cmark,d.ctransnote,d.cby1,d.cby2,d.cby3,d.cby4,d.cby5,a.nsendwa"
    "y,a.isid,a.cgoodsa,a.cgcodea,a.cgcodeb,a.cgcodec,a.fgcustom,a.fgcrate,a.iids,a.iidr,a.iidi"
    ",ISNULL(b.cgoods,''),ISNULL(b.iquantity,-1),ISNULL(b.fprice,0),ISNULL(b.cgoodsa,''),ISNULL"
    "(b.cgcodea,''),ISNULL(b.cgcodeb,''),ISNULL(b.cgcodec,''),ISNULL(b.fgcustom,0),ISNULL(b.fgc"
    "rate,0),a.csidcard,a.cridcard,d.fweight,ISNULL(b.fgweight,0),%s,a.csmsnumber,a.crsms,e.wpo"
    "s FROM brantle.dbo.client_rec AS a INNER JOIN brantle.dbo.client_arc AS c ON(a.icid=c.icid"
    ") INNER JOIN brantle.dbo.client_rec_xbag_item AS e ON(a.irid=e.irid) INNER JOIN brantle.db"
    "o.client_rec_xbag AS d ON(d.ixid=e.ixid) LEFT OUTER JOIN brantle.dbo.client_rec_goods AS b"
    " ON(a.irid=b.irid) WHERE d.cawb='%s'"
;

constexpr char kExtensionColumns[] =
    "a.fex1,a.fex2,a.fex3,a.fex4,a.fex5,a.cex1,a.cex2,a.cex3,a.cex4,a.cex5";
constexpr char kWaybillSender[] =
    "a.csunitname,a.csender,a.csaddr,a.cscountry,a.csprovince,a.cscity,a.cspostcode,a.csphone";
constexpr char kCustomerSender[] =
    "c.cunitname,c.csender,c.caddr,c.ccountry,c.cprovince,c.ccity,c.cpostcode,c.cphone";
constexpr char kOpenItems[] = "brantle.dbo.client_rec_xbag_item AS e";
constexpr char kPastItems[] = "brantle.dbo.client_rec_xbag_item_u AS e";

constexpr char kGoodsLinesSql[] =
    "SELECT cgoods,iquantity,fprice,cgoodsa,cgcodea,cgcodeb,cgcodec,fgcustom,fgcrate,irid,fgweight"
    " FROM brantle.dbo.client_rec_goods WHERE irid IN(";
constexpr char kGoodsLinesInner[] =
    "SELECT a.irid FROM brantle.dbo.client_rec AS a INNER JOIN %s ON(a.irid=e.irid) INNER JOIN "
    "brantle.dbo.client_rec_xbag AS d ON(d.ixid=e.ixid) WHERE d.cawb='%s'";

uint32_t C(unsigned n) { return AcsTypeEntry(kSqlCChar, n); }
const uint32_t kL = AcsTypeEntry(kSqlCSLong);
const uint32_t kD = AcsTypeEntry(kSqlCDouble);
const uint32_t kT = AcsTypeEntry(kSqlCTimestamp);

std::vector<uint32_t> Repeat(std::vector<uint32_t> v, uint32_t t, int n) {
  for (int i = 0; i < n; ++i) v.push_back(t);
  return v;
}

std::vector<uint32_t> Join(std::initializer_list<std::vector<uint32_t>> parts) {
  std::vector<uint32_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

const std::vector<uint32_t>& StandardTypes() {
  static const std::vector<uint32_t> types = Join({
      {C(256), C(64), C(256), C(128), C(64), C(128), C(16), C(64), C(32), kL, kD},
      {C(256), C(128), C(32), C(128), C(64), C(32), C(64), C(16), C(64), kL},
      {C(4), C(4), kL, kL, kL, C(4), C(1024), C(32), C(32), kL, C(32), C(32), kL, C(64), kL, kL},
      {C(16), C(64), C(64), C(256), C(16), C(16), kD, C(16), C(32), kL},
      {C(16), C(16), C(32), C(4), C(16), C(64), kL, kL, kL, C(32), kD, C(64), C(64)},
      {kL, kL, kL, kL, C(64), C(64), C(64), C(64), C(256), kT, kT},
      {C(32), C(16), C(32), C(64), C(64), C(16), C(16), C(16), C(16), C(64), C(64), C(64), C(64),
       C(64), C(256)},
      {kL, kL, C(256), C(64), C(64), C(64), kD, kD, C(64), C(64), C(64), C(64), kD, kD},
      {kL, kL, kL, C(24), C(24), kD, C(32), C(32)},
      Repeat({}, kD, 7), Repeat({}, C(128), 5)});
  return types;
}

// The goods-across list up to a.iidi (86 entries).
std::vector<uint32_t> GoodsHead() {
  return Join({
      {C(256), C(64), C(256), C(128), C(64), C(128), C(16), C(64), C(32), kL, kD},
      {C(256), C(128), C(32), C(128), C(64), C(32), C(64), C(16), C(64), kL},
      {C(4), C(4), kL, kL, kL, C(4), C(1024)},
      {C(32), C(32), C(16), C(64), C(64), C(256), C(16), C(16), kD, C(16), C(32), kL},
      {C(16), C(16), C(32), C(4), C(16), C(64), kL, kL, kL, C(32), kD},
      Repeat({}, C(64), 6), {C(256), kT, kT},
      {C(32), C(16), C(32), C(64), C(64), C(16), C(16), C(16), C(16), C(64), C(64), C(64), C(64),
       C(64), C(256)},
      {kL, kL, C(256), C(64), C(64), C(64), kD, kD, kL, kL, kL}});
}

const std::vector<uint32_t>& GoodsAcrossTypes() {
  static const std::vector<uint32_t> types =
      Join({GoodsHead(), {C(32), C(32)}, Repeat({}, kD, 7), Repeat({}, C(128), 5), {C(24), C(24)}});
  return types;
}

const std::vector<uint32_t>& GoodsInRowsTypes(bool pieces) {
  static const auto make = [](uint32_t price) {
    return Join({GoodsHead(), {C(64), kL, price, C(64), C(64), C(64), C(64), kD, kD, C(32), C(32)},
                 Repeat({}, kD, 7), Repeat({}, C(128), 5), {C(24), C(24)}});
  };
  static const std::vector<uint32_t> goods = make(kD);
  static const std::vector<uint32_t> piece = make(kL);
  return pieces ? piece : goods;
}

std::string Format(const char* format, ...) {
  char buffer[2048];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

std::u16string Ascii(std::string_view text) {
  std::u16string out;
  for (char c : text) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
  return out;
}

std::u16string F16(const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return Ascii(buffer);
}

void Replace(std::string& text, std::string_view pattern, std::string_view with) {
  const size_t at = text.find(pattern);
  if (at != std::string::npos) text.replace(at, pattern.size(), with);
}

std::u16string Cut(std::u16string text, size_t n) {
  if (text.size() > n) text.resize(n);
  return text;
}

std::u16string Upper(std::u16string text, bool on) {
  if (on)
    for (char16_t& c : text)
      if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return text;
}

std::u16string Trimmed(std::u16string text) { return TrimW(text); }

std::u16string Blanks(std::u16string text, bool on) {
  if (!on) return text;
  RemoveCharW(text, u'\r');
  for (char16_t& c : text)
    if (c == u'\n') c = u' ';
  return text;
}

std::u16string ReplaceAll(std::u16string text, std::u16string_view pattern,
                          std::u16string_view with) {
  ReplaceAllW(text, pattern, with);
  return text;
}

// The integer at the start of a text (digits after an optional sign).
int32_t LeadingInt(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = value * 10 + (text[i] - u'0');
    if (value > INT32_MAX) value = INT32_MAX;
  }
  return static_cast<int32_t>(negative ? -value : value);
}

// Length, width and height from the start of a.clwh and after its first
// and second "*" (a missing part stays 0).
void DimensionsOf(std::u16string_view lwh, int32_t dims[3]) {
  dims[0] = dims[1] = dims[2] = 0;
  if (lwh.size() < 5) return;
  size_t at = 0;
  for (int i = 0; i < 3; ++i) {
    dims[i] = LeadingInt(lwh.substr(at));
    const size_t star = lwh.find(u'*', at);
    if (star == std::u16string_view::npos) break;
    at = star + 1;
  }
}

std::u16string TodayText(const char* format) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, format, &local);
  return Ascii(text);
}

}  // namespace

// ---- Settings and derived values ----

ManifestSettings ReadSettings(const CTemplateModel& m) {
  ManifestSettings s;
  const bool rows = m.GetInt(u"多件物品分列") == 1;
  const int32_t across = m.GetInt(u"多件物品横列");
  s.layout = rows ? Layout::kGoodsInRows : across >= 1 ? Layout::kGoodsAcross : Layout::kStandard;
  s.pieceRows = m.GetInt(u"一票多件分列") == 1;
  s.customerSender = m.GetInt(u"发件人使用客户中文信息") == 1;
  s.insertRows = m.GetInt(u"列表行插入模式") == 1;
  s.lineFeedsToBlanks = m.GetInt(u"换行转空格") == 1;
  s.pounds = m.GetInt(u"重量转换为磅") == 1;
  s.grams = m.GetInt(u"重量转换为克") == 1;
  s.upper = m.GetInt(u"全部转换大写") == 1;
  s.rangePackageNumber = m.GetInt(u"包号格式") == 1;
  const int32_t width = m.GetInt(u"地址分段长度");
  s.addressWidth = width < 10 ? 25 : std::min(width, 42);
  const int32_t shift = m.GetInt(u"多件物品横列平移栏数");
  s.groupShift = shift < 1 ? 1 : std::min(shift, 20);
  const int32_t groups = m.GetInt(u"多件物品横列组数");
  s.groupCount = groups < 2 ? 2 : std::min(groups, 15);
  static constexpr const char16_t* kItemKeys[3] = {u"文件显示", u"包裹显示", u"防水袋显示"};
  for (int i = 0; i < 3; ++i) s.itemTypeTexts[i] = m.GetString(kItemKeys[i]);
  static constexpr const char16_t* kPayKeys[7] = {u"PP", u"CC", u"COD", u"DP", u"MTH", u"AEM", u"OTH"};
  for (int i = 0; i < 7; ++i)
    s.paymentTexts[i] = CLanguageTable::AwbPaymentCodeText(m.GetString(kPayKeys[i]), i);
  s.weightUnit = m.GetString(u"重量单位");
  s.senderBlock = m.GetBlock(u"发件人定义");
  s.receiverBlock = m.GetBlock(u"收件人定义");
  return s;
}

DerivedValues DeriveValues(const ManifestForm& f, bool rangePackageNumber,
                           std::u16string_view today) {
  DerivedValues d;
  const size_t dash = f.awbNumber.find(u'-');
  if (dash == std::u16string::npos) {
    d.mainNumber = f.awbNumber;
  } else {
    d.prefix = f.awbNumber.substr(0, dash);
    d.mainNumber = f.awbNumber.substr(dash + 1);
  }
  auto letter = [](char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); };
  size_t n = 0;
  while (n < f.airport.size() && letter(f.airport[n])) ++n;
  d.departure = f.airport.substr(0, n);
  const std::u16string& last = f.airport2.size() < 3 ? f.airport : f.airport2;
  size_t from = last.size();
  while (from > 0 && letter(last[from - 1])) --from;
  d.arrival = last.substr(from);
  d.flightNumber = Upper(f.flight2.size() >= 4 ? f.flight2 : f.flight, true);
  size_t split = 0;
  while (split < d.flightNumber.size() && d.flightNumber[split] >= 65) ++split;
  d.flightPrefix = Cut(d.flightNumber.substr(0, split), 15);
  d.flightDigits = Cut(d.flightNumber.substr(split), 15);
  if (SplitDateEnglishMonth(f.flightDate2, d.day, d.month) < 0)
    SplitDateEnglishMonth(f.flightDate, d.day, d.month);
  if (rangePackageNumber) {
    if (f.flightDate.size() >= 10)
      d.packageDate = u"-" + f.flightDate.substr(5, 2) + f.flightDate.substr(8, 2) + u"-";
    else
      d.packageDate = u"-" + std::u16string(today) + u"-";
  }
  return d;
}

ManifestForm FormFromHeader(const awb::AwbHeader& h, std::u16string_view awbNumber,
                            std::u16string_view templateName, std::u16string_view special,
                            bool openFile, int bagRows) {
  ManifestForm f;
  f.awbNumber = awbNumber;
  f.templateName = templateName;
  f.specialNumber = special;
  f.openFile = openFile;
  f.flight = h.cflightno;
  f.flightDate = h.dfdate;
  f.airport = h.cairport;
  f.flight2 = h.cflightno2;
  f.flightDate2 = h.dfdate2;
  f.airport2 = h.cairport2;
  f.origin = h.cfrom;
  f.destination = h.cdes;
  f.label = h.cmark;
  f.consignmentNote = h.ctransnote;
  f.operationNote = h.cmemo;
  f.consigneeAccount = h.creceiver;
  f.clearanceConsignee = h.cagent;
  f.pickupPhone = h.cphone;
  f.customsBroker = h.cbroker;
  f.etd = h.detd;
  f.eta = h.deta;
  f.pickupIndex = h.nsendway;
  f.quoteKindIndex = h.nptype;
  f.payWay = h.cpayway;
  f.goodsCode = h.cgtype;
  f.goodsDescription = h.cgoods;
  f.settlementNote = h.cpaynote;
  f.shipperName = h.csname;
  f.shipperAddress = h.csaddr;
  f.shipperPhone = h.csphone;
  f.shipperPostcode = h.cspostcode;
  f.grossKg = std::atof(GbkFromWide(h.gross).c_str());
  f.enteredPieces = std::atoi(GbkFromWide(h.iitemi).c_str());
  f.declarationNo = h.ccno;
  f.declarationDate = h.dcdate;
  f.customsCode = h.cccode;
  f.transportMode = h.ctranstype;
  f.tradeMode = h.ctradetype;
  f.bagRows = bagRows;
  return f;
}

// ---- Queries ----

std::string MainSql(Layout layout, const ManifestSettings& s, std::u16string_view awbNumber,
                    bool filter, std::u16string_view special, ItemTable table) {
  std::string text;
  if (layout == Layout::kStandard) {
    text = s.pieceRows ? kPieceSql : kStandardSql;
  } else if (layout == Layout::kGoodsAcross) {
    text = kGoodsAcrossSql;
  } else {
    text = kGoodsInRowsSql;
    if (s.pieceRows) {
      Replace(text, "ISNULL(b.fprice,0)", "ISNULL(b.iprice,0)");
      Replace(text, "ISNULL(b.fgweight,0)", "a.fgweight");
      // Each bag item joins its own piece, not every piece of the waybill.
      Replace(text, "brantle.dbo.client_rec_goods AS b ON(a.irid=b.irid)",
              "brantle.dbo.client_rec_weight_detail AS b ON(a.irid=b.irid AND e.wpos=b.wpos)");
    }
  }
  if (s.customerSender) Replace(text, kWaybillSender, kCustomerSender);
  if (table == ItemTable::kPast) Replace(text, kOpenItems, kPastItems);
  Replace(text, "%s", kExtensionColumns);
  Replace(text, "%s", NarrowFieldFromWide(awbNumber, 60, true));
  if (filter) text += " AND d.chno='" + NarrowFieldFromWide(special, 60, true) + "'";
  const bool byPiece = layout != Layout::kStandard || s.pieceRows;
  text += byPiece ? " ORDER BY d.corder,a.cserviceno,e.wpos" : " ORDER BY d.corder,a.cserviceno";
  return text;
}

std::span<const uint32_t> MainTypes(Layout layout, bool pieceRows) {
  if (layout == Layout::kStandard) return StandardTypes();
  if (layout == Layout::kGoodsAcross) return GoodsAcrossTypes();
  return GoodsInRowsTypes(pieceRows);
}

std::string GoodsLinesSql(std::u16string_view awbNumber, bool filter,
                          std::u16string_view special) {
  const std::string number = NarrowFieldFromWide(awbNumber, 60, true);
  std::string chno;
  if (filter) chno = " AND d.chno='" + NarrowFieldFromWide(special, 60, true) + "'";
  std::string text = kGoodsLinesSql;
  text += Format(kGoodsLinesInner, kOpenItems, number.c_str()) + chno;
  text += " UNION ";
  text += Format(kGoodsLinesInner, kPastItems, number.c_str()) + chno;
  text += ") ORDER BY irid";
  return text;
}

std::span<const uint32_t> GoodsLinesTypes() {
  static const std::vector<uint32_t> types = {C(64), kL, kD, C(64), C(64), C(64), C(64),
                                              kD,    kD, kL, kD};
  return types;
}

// ---- Reading ----

namespace {

struct Reader {
  JsonRowIndex& r;
  std::u16string Text(int column, size_t n = 1023) {
    return r.GetWString(std::to_string(column), n);
  }
  int32_t Int(int column) { return r.GetInt(std::to_string(column), 0); }
  double Real(int column) { return r.GetDouble(std::to_string(column), 0); }
};

// Columns 0..28 are the same in every main query.
void ReadHead(Reader& x, ManifestRow& w) {
  w.cunitname = x.Text(0);
  w.creceiver = x.Text(1);
  w.caddr = x.Text(2);
  w.ccountry = x.Text(3);
  w.cprovince = x.Text(4);
  w.ccity = x.Text(5);
  w.cpostcode = x.Text(6);
  w.cphone = x.Text(7);
  w.cnum = x.Text(8);
  w.iitem = x.Int(9);
  w.fweights = x.Real(10);
  w.cgoods = x.Text(11);
  w.csunitname = x.Text(12);
  w.csender = x.Text(13);
  w.csaddr = x.Text(14);
  w.cscountry = x.Text(15);
  w.csprovince = x.Text(16);
  w.cscity = x.Text(17);
  w.cspostcode = x.Text(18);
  w.csphone = x.Text(19);
  w.idvalue = x.Int(20);
  w.cmoney = x.Text(21);
  w.corigin = x.Text(22);
  w.iquantity = x.Int(23);
  w.iprice = x.Int(24);
  w.ibag = x.Int(25);
  w.cpaydir = x.Text(26);
  w.cbag = x.Text(27);
  w.cserviceno = x.Text(28);
}

// The bag's columns from position p (d.cxno .. d.cby5, 15 columns).
void ReadBag(Reader& x, ManifestRow& w, int p) {
  w.cxno = x.Text(p);
  w.corder = x.Text(p + 1);
  w.chno = x.Text(p + 2);
  w.bagFrom = x.Text(p + 3);
  w.bagDes = x.Text(p + 4);
  w.bagStation = x.Text(p + 5);
  w.bagStationD = x.Text(p + 6);
  w.bagType = x.Text(p + 7);
  w.bagMark = x.Text(p + 8);
  w.bagTransNote = x.Text(p + 9);
  for (int i = 0; i < 5; ++i) w.bagBy[i] = x.Text(p + 10 + i);
}

// The waybill's columns from position p (a.cmark .. a.cremail, 23 columns).
void ReadWaybill(Reader& x, ManifestRow& w, int p) {
  w.cmark = x.Text(p);
  w.caddrfrom = x.Text(p + 1);
  w.cdes = x.Text(p + 2);
  w.cmemo = x.Text(p + 3);
  w.clwh = x.Text(p + 4);
  w.cstation = x.Text(p + 5);
  w.fweight = x.Real(p + 6);
  w.cemskind = x.Text(p + 7);
  w.caccount = x.Text(p + 8);
  w.nitemtype = x.Int(p + 9);
  w.cbrief = x.Text(p + 10);
  w.ckind = x.Text(p + 11);
  w.ccno = x.Text(p + 12);
  w.ccode = x.Text(p + 13);
  w.cpacking = x.Text(p + 14);
  w.ctransnote = x.Text(p + 15);
  w.iivalue = x.Int(p + 16);
  w.irid = x.Int(p + 17);
  w.ireserve = x.Int(p + 18);
  w.creserve = x.Text(p + 19);
  w.fweightb = x.Real(p + 20);
  w.csemail = x.Text(p + 21);
  w.cremail = x.Text(p + 22);
}

// From position p: a.cby1..5, the two dates, the bag, then a.nsendway ..
// a.fgcrate (30 columns).
void ReadDatesBagGoods(Reader& x, ManifestRow& w, int p) {
  for (int i = 0; i < 5; ++i) w.cby[i] = x.Text(p + i);
  w.ddate = x.Text(p + 5);
  w.dsysdate = x.Text(p + 6);
  ReadBag(x, w, p + 7);
  w.nsendway = x.Int(p + 22);
  w.isid = x.Int(p + 23);
  w.cgoodsa = x.Text(p + 24);
  w.cgcodea = x.Text(p + 25);
  w.cgcodeb = x.Text(p + 26);
  w.cgcodec = x.Text(p + 27);
  w.fgcustom = x.Real(p + 28);
  w.fgcrate = x.Real(p + 29);
}

// From position p: the two id cards, the bag weight, the net weight and the
// extension columns (14 columns).
void ReadIdsAndExtensions(Reader& x, ManifestRow& w, int p) {
  w.csidcard = x.Text(p);
  w.cridcard = x.Text(p + 1);
  w.bagWeight = x.Real(p + 2);
  w.fgweight = x.Real(p + 3);
  for (int i = 0; i < 5; ++i) w.fex[i] = x.Real(p + 4 + i);
  for (int i = 0; i < 5; ++i) w.cex[i] = x.Text(p + 9 + i);
}

void ReadStandard(Reader& x, ManifestRow& w, bool pieceRows) {
  ReadHead(x, w);
  PieceValues& p = w.piece;
  w.hasPiece = pieceRows;
  p.cno = x.Text(29);
  p.ibag = x.Int(30);
  w.crno = x.Text(31);
  p.crno = x.Text(32);
  p.iweight = x.Int(33);
  p.cgoods = x.Text(34);
  p.iquantity = x.Int(35);
  p.iprice = x.Int(36);
  ReadWaybill(x, w, 37);
  p.ilong = x.Int(60);
  p.iwidth = x.Int(61);
  p.iheight = x.Int(62);
  p.npercent = x.Int(63);
  ReadDatesBagGoods(x, w, 64);
  p.cgoodsa = x.Text(94);
  p.cgcodea = x.Text(95);
  p.cgcodeb = x.Text(96);
  p.cgcodec = x.Text(97);
  p.fgcustom = x.Real(98);
  p.fgcrate = x.Real(99);
  w.csmsnumber = x.Text(103);
  w.crsms = x.Text(104);
  w.fgoods = x.Real(105);
  w.hasGoodsOnDelivery = true;
  ReadIdsAndExtensions(x, w, 106);
  w.wpos = pieceRows ? x.Int(120) : 1;
}

// Columns 29..85 of both goods layouts.
void ReadGoodsMiddle(Reader& x, ManifestRow& w) {
  w.crno = x.Text(29);
  ReadWaybill(x, w, 30);
  ReadDatesBagGoods(x, w, 53);
}

void ReadGoodsAcross(Reader& x, ManifestRow& w) {
  ReadHead(x, w);
  ReadGoodsMiddle(x, w);
  ReadIdsAndExtensions(x, w, 86);
  w.csmsnumber = x.Text(100);
  w.crsms = x.Text(101);
  w.wpos = x.Int(102);
}

void ReadGoodsInRows(Reader& x, ManifestRow& w, bool pieces) {
  ReadHead(x, w);
  ReadGoodsMiddle(x, w);
  JoinedLine& b = w.line;
  b.cgoods = x.Text(86);
  b.iquantity = x.Int(87);
  b.joined = b.iquantity >= 0;
  b.unitPrice = pieces ? x.Int(88) : static_cast<int32_t>(x.Real(88) * 100 + 0.1);
  b.cgoodsa = x.Text(89);
  b.cgcodea = x.Text(90);
  b.cgcodeb = x.Text(91);
  b.cgcodec = x.Text(92);
  b.fgcustom = x.Real(93);
  b.fgcrate = x.Real(94);
  ReadIdsAndExtensions(x, w, 95);
  b.fgweight = w.fgweight;
  w.csmsnumber = x.Text(109);
  w.crsms = x.Text(110);
  w.wpos = x.Int(111);
}

// Hands each object of the reply's "List" to readRow; false when the reply
// carries no list.
template <typename ReadRow>
bool ReadList(std::string_view reply, ReadRow readRow) {
  if (reply.size() < 10 || JsonFindKey("List", reply) == kJsonNone) return false;
  std::string_view list = JsonListBody(reply, "List");
  std::string_view object;
  size_t pos = 0;
  JsonRowIndex index;
  while (JsonNextObject(list, pos, object)) {
    index.Reset(object);
    Reader x{index};
    readRow(x);
  }
  return true;
}

}  // namespace

bool ReadMainRows(std::string_view reply, Layout layout, const ManifestSettings& s,
                  std::vector<ManifestRow>& rows) {
  return ReadList(reply, [&](Reader& x) {
    ManifestRow w;
    if (layout == Layout::kStandard)
      ReadStandard(x, w, s.pieceRows);
    else if (layout == Layout::kGoodsAcross)
      ReadGoodsAcross(x, w);
    else
      ReadGoodsInRows(x, w, s.pieceRows);
    rows.push_back(std::move(w));
  });
}

std::vector<ManifestRow> MergeRows(std::vector<ManifestRow> open, std::vector<ManifestRow> past,
                                   bool byPiece) {
  if (past.empty()) return open;
  auto before = [byPiece](const ManifestRow& a, const ManifestRow& b) {
    if (a.corder != b.corder) return a.corder < b.corder;
    if (a.cserviceno != b.cserviceno) return a.cserviceno < b.cserviceno;
    return byPiece && a.wpos < b.wpos;
  };
  std::vector<ManifestRow> out;
  out.reserve(open.size() + past.size());
  std::merge(std::make_move_iterator(open.begin()), std::make_move_iterator(open.end()),
             std::make_move_iterator(past.begin()), std::make_move_iterator(past.end()),
             std::back_inserter(out), before);
  return out;
}

bool ReadGoodsLines(std::string_view reply, std::vector<GoodsLine>& lines) {
  return ReadList(reply, [&](Reader& x) {
    GoodsLine g;
    g.cgoods = x.Text(0);
    g.iquantity = x.Int(1);
    g.fprice = x.Real(2);
    g.cgoodsa = x.Text(3);
    g.cgcodea = x.Text(4);
    g.cgcodeb = x.Text(5);
    g.cgcodec = x.Text(6);
    g.fgcustom = x.Real(7);
    g.fgcrate = x.Real(8);
    g.irid = x.Int(9);
    g.fgweight = x.Real(10);
    lines.push_back(std::move(g));
  });
}

// ---- Smaller rules ----

int32_t GramsOf(double kilograms) { return static_cast<int32_t>(kilograms * 1000 + 0.1); }

std::u16string WeightText(double kilograms, const ManifestSettings& s) {
  if (s.grams) return F16("%d", GramsOf(kilograms));
  return FormatWeight(kilograms, s.pounds);
}

std::u16string PackageNumber(const ManifestRow& w, const ManifestSettings& s,
                             std::u16string_view date, int32_t before, int32_t n) {
  const std::u16string bag = w.cbag;
  const std::string f = GbkFromWide(date);
  if (s.rangePackageNumber) {
    if (!bag.empty() && bag.find(u',') != std::u16string::npos) {
      const int32_t last = LeadingInt(std::u16string_view(bag).substr(bag.rfind(u',') + 1));
      return F16("%d%s%d - %d%s%d", w.ibag, f.c_str(), before + 1, last, f.c_str(), before + n);
    }
    if (!bag.empty()) {
      const int32_t b = LeadingInt(bag);
      if (n >= 2) return F16("%d%s%d - %d%s%d", b, f.c_str(), before + 1, b, f.c_str(), before + n);
      return F16("%d%s%d", b, f.c_str(), before + 1);
    }
    return F16("%d%s%d", w.ibag, f.c_str(), before + n);
  }
  int32_t number = w.ibag;
  if (w.hasPiece && w.piece.ibag >= 1) number = w.piece.ibag;
  if (number >= 1 && bag.find(u',') == std::u16string::npos) return F16("%d", number);
  return bag;
}

std::u16string ItemTypeText(int t, const ManifestSettings& s, const ManifestLookups& l) {
  if (t >= 0 && t <= 2 && !s.itemTypeTexts[t].empty()) return s.itemTypeTexts[t];
  if (s.customerSender && l.itemTypeText) return l.itemTypeText(t);
  return t == 0 ? u"D" : t == 1 ? u"P" : u"W";
}

std::u16string Signature(std::u16string_view awbNumber, std::string_view dictionary45) {
  std::string text = NarrowFieldFromWide(awbNumber, 60, false);
  text += "QJW";
  text += GbkCopyN(std::string(dictionary45), 127);
  return Ascii(Md5HexDigest(std::string_view(text)));
}

std::u16string SenderBlock(const ManifestRow& w, const ManifestSettings& s) {
  std::u16string t = s.senderBlock;
  if (t.empty()) return t;
  t = ReplaceAll(t, u"[地址]", Blanks(Cut(w.csaddr, 127), s.lineFeedsToBlanks));
  t = ReplaceAll(t, u"[发件人]", Cut(w.csender, 30));
  t = ReplaceAll(t, u"[单位]", Cut(w.csunitname, 127));
  t = ReplaceAll(t, u"[电话]", Cut(w.csphone, 63));
  t = ReplaceAll(t, u"[短信]", Cut(w.csmsnumber, 30));
  t = ReplaceAll(t, u"[邮编]", Cut(w.cspostcode, 15));
  t = ReplaceAll(t, u"[国家]", Cut(w.cscountry, 63));
  t = ReplaceAll(t, u"[省州]", Cut(w.csprovince, 30));
  t = ReplaceAll(t, u"[城市]", Cut(w.cscity, 63));
  return Trimmed(Upper(t, s.upper));
}

std::u16string ReceiverBlock(const ManifestRow& w, const ManifestSettings& s) {
  std::u16string t = s.receiverBlock;
  RemoveCharW(t, u'\r');
  t = ReplaceAll(t, u"[电话]", Cut(w.cphone, 255));
  t = ReplaceAll(t, u"[短信]", Cut(w.crsms, 255));
  t = ReplaceAll(t, u"[邮编]", Cut(w.cpostcode, 255));
  t = ReplaceAll(t, u"[国家]", Cut(w.ccountry, 255));
  t = ReplaceAll(t, u"[省州]", Cut(w.cprovince, 255));
  t = ReplaceAll(t, u"[城市]", Cut(w.ccity, 255));
  t = ReplaceAll(t, u"[收件人]", Cut(w.creceiver, 255));
  t = ReplaceAll(t, u"[单位]", Cut(w.cunitname, 255));
  t = ReplaceAll(t, u"[地址]", Blanks(Cut(w.caddr, 255), s.lineFeedsToBlanks));
  return Upper(t, s.upper);
}

std::u16string HeaderText(std::u16string_view text, const ManifestForm& f, const DerivedValues& d,
                          const HeaderValues& h, const ManifestTotals& t,
                          const ManifestLookups& l) {
  if (text == u"[数字签名]") return Signature(f.awbNumber, h.dictionary45);
  std::u16string out(text);
  const std::u16string pickup =
      l.pickupWayText ? l.pickupWayText(f.pickupIndex) : std::u16string();
  const std::u16string quoteKind(
      1, f.quoteKindIndex >= 0 && f.quoteKindIndex <= 6 ? static_cast<char16_t>(u'A' + f.quoteKindIndex)
                                                        : u'X');
  const std::pair<const char16_t*, std::u16string> table[] = {
      {u"[总单号]", f.awbNumber},
      {u"[总单前置码]", d.prefix},
      {u"[总单主单号]", d.mainNumber},
      {u"[特控号]", h.special},
      {u"[首航班号]", f.flight},
      {u"[操作备注]", f.operationNote},
      {u"[未航班号]", f.flight2.empty() ? f.flight : f.flight2},
      {u"[日期]", h.today},
      {u"[首航班日期]", f.flightDate},
      {u"[未航班日期]", f.flightDate2},
      {u"[出发地]", f.origin},
      {u"[目的地]", f.destination},
      {u"[标签]", f.label},
      {u"[托运备注]", f.consignmentNote},
      {u"[接货人帐号]", f.consigneeAccount},
      {u"[清关接货人]", f.clearanceConsignee},
      {u"[制单人]", h.userName},
      {u"[提货电话]", f.pickupPhone},
      {u"[报关承运人]", f.customsBroker},
      {u"[ＥＴＤ]", f.etd},
      {u"[ＥＴＡ]", f.eta},
      {u"[提货方式]", pickup},
      {u"[付款方式]", f.payWay},
      {u"[商品代号]", f.goodsCode},
      {u"[商品描述]", f.goodsDescription},
      {u"[结算备注]", f.settlementNote},
      {u"[托运姓名]", f.shipperName},
      {u"[托运地址]", f.shipperAddress},
      {u"[托运电话]", f.shipperPhone},
      {u"[托运邮编]", f.shipperPostcode},
      {u"[报价种类]", quoteKind},
      {u"[毛重]", F16("%.2f", f.grossKg)},
      {u"[录件数]", F16("%d", f.enteredPieces)},
      {u"[总重量]", F16("%.2f", t.weights[0])},
      {u"[总入重]", F16("%.2f", t.weights[1])},
      {u"[总称重]", F16("%.2f", t.weights[2])},
      {u"[总票数]", F16("%d", t.dataRows)},
      {u"[总件数]", F16("%d", t.pieces)},
      {u"[总包数]", F16("%d", f.bagRows)},
      {u"[总袋数]", F16("%d", f.bagRows)},
      {u"[总价值]", F16("%.2f", t.value)},
      {u"[总声明价]", F16("%.2f", static_cast<double>(t.declared) / 100)},
  };
  for (const auto& [pattern, value] : table) out = ReplaceAll(out, pattern, value);
  return out;
}

std::string OutputPath(const std::string& programFolder, std::u16string_view templateName,
                       std::u16string_view awbNumber, bool filter, std::u16string_view special) {
  std::u16string name = SafeFileNameW(templateName) + u"_" + SafeFileNameW(awbNumber);
  if (filter) {
    std::u16string cleaned(special);
    SanitizeFileName(cleaned);
    name += u"_" + SafeFileNameW(cleaned);
  }
  name += u".xls";
  return programFolder + "DATA_TEMP/" + Utf8FromWide(name);
}

// ---- The row writer ----

namespace {

enum class RowKind { kStandard, kAcross, kFirst, kFollowing };

class RowWriter {
 public:
  RowWriter(CellSink& sink, const CTemplateModel& model, const ManifestSettings& s,
            const ManifestForm& f, const DerivedValues& d, const ManifestLookups& l)
      : sink_(sink), model_(model), s_(s), f_(f), d_(d), l_(l) {}

  int Column(std::u16string_view name) {
    auto it = columns_.find(std::u16string(name));
    if (it != columns_.end()) return it->second;
    const int c = model_.ListFieldColumn(GbkFromWide(name));
    columns_.emplace(std::u16string(name), c);
    return c;
  }
  void Value(std::u16string_view name, const std::u16string& v) {
    if (int c = Column(name); c >= 1) sink_.Value(row_, c, v);
  }
  void Int(std::u16string_view name, int32_t v) {
    if (int c = Column(name); c >= 1) sink_.Integer(row_, c, v);
  }
  void Text(std::u16string_view name, std::u16string_view v) {
    if (int c = Column(name); c >= 1) sink_.Text(row_, c, v);
  }
  void Trim(std::u16string_view name, std::u16string_view v) {
    if (int c = Column(name); c >= 1) sink_.Trimmed(row_, c, v);
  }

  // One data row (kStandard, kAcross, kFirst) or a following row.
  void Write(const ManifestRow& w, RowKind kind, int sheetRow, int counter, ManifestTotals& t);
  // The goods values of one group of a goods line.
  void Group(const GoodsLine& g, int sheetRow, int offset);

 private:
  void Goods(const ManifestRow& w, RowKind kind, int32_t& quantity, int32_t& price);

  CellSink& sink_;
  const CTemplateModel& model_;
  const ManifestSettings& s_;
  const ManifestForm& f_;
  const DerivedValues& d_;
  const ManifestLookups& l_;
  std::unordered_map<std::u16string, int> columns_;
  int row_ = 0;
};

void RowWriter::Goods(const ManifestRow& w, RowKind kind, int32_t& quantity, int32_t& price) {
  const bool up = s_.upper;
  const bool piece = kind == RowKind::kStandard && w.hasPiece;
  const JoinedLine& b = w.line;
  const bool line = kind == RowKind::kFirst && b.joined;
  auto pick = [&](const std::u16string& pieceText, const std::u16string& own) {
    return piece && !pieceText.empty() ? pieceText : own;
  };
  std::u16string goods = line ? b.cgoods : pick(w.piece.cgoods, Cut(w.cgoods, 255));
  std::u16string alias = line ? b.cgoodsa : pick(w.piece.cgoodsa, Cut(w.cgoodsa, 255));
  std::u16string codeA = line ? b.cgcodea : pick(w.piece.cgcodea, Cut(w.cgcodea, 63));
  std::u16string codeB = line ? b.cgcodeb : pick(w.piece.cgcodeb, Cut(w.cgcodeb, 63));
  std::u16string codeC = line ? b.cgcodec : pick(w.piece.cgcodec, Cut(w.cgcodec, 63));
  double duty = line ? b.fgcustom : w.fgcustom;
  double rate = line ? b.fgcrate : w.fgcrate;
  if (piece && w.piece.fgcustom > 0) duty = w.piece.fgcustom;
  if (piece && w.piece.fgcrate > 0) rate = w.piece.fgcrate;
  quantity = line ? b.iquantity : w.iquantity;
  price = line ? b.unitPrice : w.iprice;
  if (piece && w.piece.iquantity >= 1) quantity = w.piece.iquantity;
  if (piece && w.piece.iprice >= 1) price = w.piece.iprice;
  Text(u"物品描述", Upper(goods, up));
  Text(u"中文物品描述", Upper(goods, up));
  Text(u"物品别名", Upper(alias, up));
  Text(u"外文物品描述", Upper(alias, up));
  Text(u"物品编码", Upper(codeA, up));
  Text(u"物品甲码", Upper(codeA, up));
  Text(u"物品乙码", Upper(codeB, up));
  Text(u"物品丙码", Upper(codeC, up));
  Value(u"物品关税", F16("%.2f", duty));
  Value(u"物品税率", F16("%.4f", rate));
  Int(u"数量", quantity);
  Value(u"单价", F16("%.2f", price / 100.0));
  Value(u"物品数量", F16("%d", quantity));
  Value(u"物品单价", F16("%.2f", price / 100.0));
  const double net = kind == RowKind::kFirst ? w.line.fgweight : w.fgweight;
  Value(u"物品净重", F16("%.3f", net));
}

void RowWriter::Write(const ManifestRow& w, RowKind kind, int sheetRow, int counter,
                      ManifestTotals& t) {
  row_ = sheetRow;
  const bool up = s_.upper;
  Value(u"序号", F16("%d", counter));

  if (kind == RowKind::kFollowing) {
    const JoinedLine& b = w.line;
    Text(u"物品描述", Upper(Cut(b.cgoods, 255), up));
    Text(u"中文物品描述", Upper(Cut(b.cgoods, 255), up));
    Text(u"外文物品描述", Upper(Cut(b.cgoodsa, 255), up));
    Text(u"物品别名", Upper(Cut(b.cgoodsa, 255), up));
    Text(u"物品编码", Upper(Cut(b.cgcodea, 63), up));
    Text(u"物品甲码", Upper(Cut(b.cgcodea, 63), up));
    Text(u"物品乙码", Upper(Cut(b.cgcodeb, 63), up));
    Text(u"物品丙码", Upper(Cut(b.cgcodec, 63), up));
    Value(u"物品关税", F16("%.2f", b.fgcustom));
    Value(u"物品税率", F16("%.4f", b.fgcrate));
    Value(u"物品净重", F16("%.3f", b.fgweight));
    // A row without a joined line has no quantity (not the query's -1).
    const int32_t quantity = b.joined ? b.iquantity : 0;
    if (b.joined) Int(u"数量", quantity);
    Value(u"单价", F16("%.2f", b.unitPrice / 100.0));
    const double value = static_cast<double>(quantity) * b.unitPrice / 100.0;
    Value(u"价值", F16("%.2f", value));
    t.value += value;
    return;
  }

  const bool goodsLayout = kind != RowKind::kStandard;
  const bool piece = kind == RowKind::kStandard && w.hasPiece;
  const PieceValues& p = w.piece;
  // Dimensions (cm), then the row's pieces.
  int32_t dims[3] = {0, 0, 0};
  if (piece && w.iitem >= 2) {
    dims[0] = p.ilong;
    dims[1] = p.iwidth;
    dims[2] = p.iheight;
  } else {
    DimensionsOf(w.clwh, dims);
  }
  int32_t pieces = w.iitem;
  if (goodsLayout && pieces < 1) pieces = 1;
  if (piece) pieces = 1;
  // Weights (kg).
  double weights[3] = {w.fweights, w.fweight, w.fweightb};
  const char letter = FindVolumeDivisorCode(GbkFromWide(Cut(w.clwh, 15)));
  if (piece && p.iweight >= 1) {
    const int32_t grams =
        l_.chargeableGrams ? l_.chargeableGrams(p.ilong, p.iwidth, p.iheight, p.iweight,
                                                static_cast<uint8_t>(p.npercent), letter)
                           : p.iweight;
    weights[0] = weights[1] = grams * 0.001;
    weights[2] = p.iweight * 0.001;
  } else if (piece && w.iitem >= 2) {
    for (double& v : weights) v /= w.iitem;
  }

  Value(u"包号", PackageNumber(w, s_, d_.packageDate, t.pieces, pieces));
  Int(u"件数", pieces);
  Int(u"留用数", w.ireserve);
  Text(u"留用串", Cut(w.creserve, 30));
  Text(u"总单号", f_.awbNumber);
  Text(u"总单前置码", d_.prefix);
  Text(u"总单主单号", d_.mainNumber);
  Text(u"出发机场", d_.departure);
  Text(u"目的机场", d_.arrival);
  Text(u"航班号", d_.flightNumber);
  Text(u"航班前缀", d_.flightPrefix);
  Text(u"航班数码", d_.flightDigits);
  Text(u"日期数字", d_.day);
  Text(u"月份缩写", d_.month);
  const std::u16string senderCompany = Cut(w.csunitname, 127);
  Text(u"发件单位或姓名", Upper(senderCompany.empty() ? Cut(w.csender, 30) : senderCompany, up));
  const std::u16string receiverCompany = Cut(w.cunitname, 255);
  Trim(u"收件单位或姓名", Upper(receiverCompany.empty() ? Cut(w.creceiver, 63) : receiverCompany, up));
  static constexpr const char16_t* kSpare[5] = {u"备用一", u"备用二", u"备用三", u"备用四", u"备用五"};
  for (int i = 0; i < 5; ++i) Text(kSpare[i], Cut(w.cby[i], i < 4 ? 63 : 255));
  Text(u"发件证照号", Cut(w.csidcard, 30));
  Text(u"收件证照号", Cut(w.cridcard, 30));
  Text(u"提货", w.nsendway != 0 ? u"送货" : u"自提");
  Value(u"业务日期", Cut(w.ddate, 10));
  Value(u"录单日期", Cut(w.dsysdate, 10));
  Int(u"长", dims[0]);
  Int(u"宽", dims[1]);
  Int(u"高", dims[2]);
  Text(u"转单号", piece && !p.cno.empty() ? p.cno : Cut(w.cserviceno, 30));
  Text(u"内单号", Cut(w.cnum, 30));
  Text(u"参考号", piece && !p.crno.empty() ? p.crno : Cut(w.crno, 30));
  Text(u"报关号", Cut(w.ccno, 30));
  Text(u"内控码", Cut(w.ccode, 3));
  Text(u"标签", Cut(w.cmark, 15));
  Text(u"包装", Cut(w.cpacking, 30));
  Text(u"托运备注", Cut(w.ctransnote, 63));
  Text(u"客户账号", Cut(w.caccount, 30));
  Text(u"客户简称", Cut(w.cbrief, 15));
  Text(u"客户组别", Cut(w.ckind, 15));
  if (w.isid >= 1) {
    if (l_.supplierName) {
      const std::u16string name = l_.supplierName(w.isid);
      if (!name.empty()) Text(u"服务商名称", name);
    }
    if (l_.supplierAccount) {
      const std::u16string account = l_.supplierAccount(w.isid);
      if (!account.empty()) Text(u"服务商账号", account);
    }
  }
  Text(u"快递类别", Cut(w.cemskind, 15));
  Value(u"快件类型", ItemTypeText(w.nitemtype, s_, l_));
  Text(u"发件单位", Upper(senderCompany, up));
  const std::u16string address = Upper(Cut(w.csaddr, 127), up);
  Text(u"发件地址", address);
  if (Column(u"发件地址1") >= 1 || Column(u"发件地址2") >= 1 || Column(u"发件地址3") >= 1) {
    WrappedLines lines;
    WrapTextLines(address, lines, s_.addressWidth, 3);
    Text(u"发件地址1", lines[0]);
    Text(u"发件地址2", lines[1]);
    Text(u"发件地址3", lines[2]);
  }
  Text(u"发件人姓名", Upper(Cut(w.csender, 30), up));
  Text(u"发件电话", Cut(w.csphone, 63));
  Text(u"发件短信", Cut(w.csmsnumber, 22));
  Text(u"发件邮编", Cut(w.cspostcode, 15));
  Text(u"发件国家", Upper(Cut(w.cscountry, 63), up));
  Text(u"发件省州", Upper(Cut(w.csprovince, 30), up));
  Text(u"发件城市", Upper(Cut(w.cscity, 63), up));
  Text(u"发件邮箱", Cut(w.csemail, 63));
  Text(u"收件人姓名", Upper(Cut(w.creceiver, 63), up));
  Text(u"收件单位", Upper(receiverCompany, up));
  const std::u16string receiverAddress = Upper(Cut(w.caddr, 255), up);
  Trim(u"收件地址", receiverAddress);
  if (Column(u"收件地址1") >= 1 || Column(u"收件地址2") >= 1 || Column(u"收件地址3") >= 1) {
    WrappedLines lines;
    WrapTextLines(receiverAddress, lines, 30, 3);
    Trim(u"收件地址1", lines[0]);
    if (!lines[1].empty()) Trim(u"收件地址2", lines[1]);
    if (!lines[2].empty()) Trim(u"收件地址3", lines[2]);
  }
  Text(u"收件电话", Cut(w.cphone, 63));
  Text(u"收件短信", Cut(w.crsms, 22));
  Text(u"收件邮编", Cut(w.cpostcode, 15));
  Text(u"收件国家", Upper(Cut(w.ccountry, 127), up));
  Text(u"收件省州", Upper(Cut(w.cprovince, 63), up));
  Text(u"收件城市", Upper(Cut(w.ccity, 127), up));
  Text(u"收件邮箱", Cut(w.cremail, 63));
  Text(u"出发地", Upper(Cut(w.caddrfrom, 63), up));
  Text(u"目的地", Upper(Cut(w.cdes, 63), up));
  const std::string destinationName = GbkFromWide(Cut(w.cdes, 63));
  if (const DestinationRecord* dest =
          l_.destination ? l_.destination(destinationName) : nullptr) {
    Text(u"目的地编码", WideFromGbk(dest->Code()));
    Text(u"目的地扫描码", WideFromGbk(dest->ShortCode()));
    Text(u"目的地英文", WideFromGbk(dest->NameEn()));
    Text(u"目的地二字代码", WideFromGbk(stationcache::FieldText(dest->iso2, sizeof dest->iso2)));
    Text(u"目的地三字代码", WideFromGbk(stationcache::FieldText(dest->iso3, sizeof dest->iso3)));
    if (l_.zone && Column(u"目的地分区") >= 1) {
      const int zone = l_.zone(GbkFromWide(Cut(w.cemskind, 15)), dest->Name());
      if (zone >= 0) Value(u"目的地分区", F16("%d", zone));
    }
  }
  Text(u"站点", Cut(w.cstation, 15));
  std::u16string volume = Cut(w.clwh, 15);
  if (piece && p.ilong >= 1 && p.iwidth >= 1 && p.iheight >= 1) {
    volume = F16("%d*%d*%d", p.ilong, p.iwidth, p.iheight);
    if (letter != 0) volume.push_back(static_cast<char16_t>(letter));
  }
  if (volume.size() >= 5) Text(u"泡重", volume);
  Value(u"重量", WeightText(weights[0], s_));
  Value(u"入重", WeightText(weights[1], s_));
  Value(u"称重", WeightText(weights[2], s_));
  int32_t quantity = 0, price = 0;
  Goods(w, kind, quantity, price);
  if (!goodsLayout && w.hasGoodsOnDelivery) Value(u"代收货款", F16("%.2f", w.fgoods));
  const double value = static_cast<double>(quantity) * price / 100.0;
  Value(u"价值", F16("%.2f", value));
  Value(u"发件人", SenderBlock(w, s_));
  if (!s_.receiverBlock.empty()) Trim(u"收件人", ReceiverBlock(w, s_));
  Text(u"货币", Cut(w.cmoney, 3));
  Text(u"产地", Cut(w.corigin, 3));
  const int payment = CLanguageTable::AwbPaymentCodeIndex(Cut(w.cpaydir, 3));
  if (payment >= 0 && payment < 7) Text(u"结算", s_.paymentTexts[payment]);
  const bool yen = Cut(w.cmoney, 3) == u"JPY";
  auto money = [yen](int32_t hundredths) {
    return yen ? F16("%d", hundredths / 100) : F16("%.2f", hundredths / 100.0);
  };
  Value(u"声明价", money(w.idvalue));
  Value(u"保价", money(w.iivalue));
  Text(u"备注", Blanks(Cut(w.cmemo, 255), s_.lineFeedsToBlanks));
  Text(u"总ＥＴＤ", f_.etd);
  Text(u"总ＥＴＡ", f_.eta);
  Text(u"总报关号", f_.declarationNo);
  Text(u"总申报日期", f_.declarationDate);
  Text(u"总海关三字代码", f_.customsCode);
  Text(u"总运输方式", f_.transportMode);
  Text(u"总贸易方式", f_.tradeMode);
  Text(u"总重量单位", s_.weightUnit);
  Text(u"袋号", Cut(w.cxno, 30));
  Text(u"袋序", Cut(w.corder, 30));
  Text(u"袋特控码", Cut(w.chno, 30));
  Value(u"袋重", WeightText(w.bagWeight, s_));
  Text(u"袋出发机场", Cut(w.bagFrom, 63));
  Text(u"袋目的机场", Cut(w.bagDes, 63));
  Text(u"袋出发站点", Cut(w.bagStation, 15));
  Text(u"袋目的站点", Cut(w.bagStationD, 15));
  Text(u"袋装袋类型", Cut(w.bagType, 15));
  Text(u"袋标签", Cut(w.bagMark, 15));
  Text(u"袋托运备注", Cut(w.bagTransNote, 63));
  static constexpr const char16_t* kBagSpare[5] = {u"袋备用1", u"袋备用2", u"袋备用3", u"袋备用4",
                                                   u"袋备用5"};
  for (int i = 0; i < 5; ++i) Text(kBagSpare[i], Cut(w.bagBy[i], i < 4 ? 63 : 255));

  // The template's quoted literals, then the extension columns.
  for (int n = 1;; ++n) {
    std::u16string literal;
    const int32_t column = model_.GetLiteralListEntry(n, literal);
    if (column < 1) break;
    sink_.Value(row_, column, literal);
  }
  for (int i = 0; i < 5; ++i) {
    Value(F16("金额扩展%u", i + 1), F16("%.3f", w.fex[i]));
    Text(F16("注解扩展%u", i + 1), Cut(w.cex[i], 127));
  }

  ++t.dataRows;
  t.pieces += pieces;
  for (int i = 0; i < 3; ++i) t.weights[i] += weights[i];
  t.value += value;
  t.declared += w.idvalue;
  t.insured += w.iivalue;
  t.waybills.push_back(w.irid);
}

void RowWriter::Group(const GoodsLine& g, int sheetRow, int offset) {
  row_ = sheetRow;
  const bool up = s_.upper;
  auto put = [&](std::u16string_view name, auto write) {
    const int c = Column(name);
    if (c >= 1) write(c + offset);
  };
  auto text = [&](std::u16string_view name, const std::u16string& v) {
    put(name, [&](int c) { sink_.Text(row_, c, v); });
  };
  auto value = [&](std::u16string_view name, const std::u16string& v) {
    put(name, [&](int c) { sink_.Value(row_, c, v); });
  };
  text(u"①组物品描述", Upper(Cut(g.cgoods, 63), up));
  text(u"①组中文物品描述", Upper(Cut(g.cgoods, 63), up));
  text(u"①组外文物品描述", Upper(Cut(g.cgoodsa, 63), up));
  text(u"①组物品别名", Upper(Cut(g.cgoodsa, 63), up));
  text(u"①组物品编码", Upper(Cut(g.cgcodea, 63), up));
  text(u"①组物品甲码", Upper(Cut(g.cgcodea, 63), up));
  put(u"①组物品数量", [&](int c) { sink_.Integer(row_, c, g.iquantity); });
  value(u"①组物品单价", F16("%.2f", g.fprice));
  value(u"①组物品价值", F16("%.2f", g.iquantity * g.fprice));
  text(u"①组物品乙码", Upper(Cut(g.cgcodeb, 63), up));
  text(u"①组物品丙码", Upper(Cut(g.cgcodec, 63), up));
  value(u"①组物品关税", F16("%.2f", g.fgcustom));
  value(u"①组物品税率", F16("%.4f", g.fgcrate));
  value(u"①组物品净重", F16("%.3f", g.fgweight));
}

}  // namespace

bool HasGroupColumns(const CTemplateModel& model) {
  static constexpr const char16_t* kNames[] = {
      u"①组物品描述", u"①组中文物品描述", u"①组外文物品描述", u"①组物品别名", u"①组物品编码",
      u"①组物品甲码", u"①组物品数量", u"①组物品单价", u"①组物品价值", u"①组物品乙码",
      u"①组物品丙码", u"①组物品净重"};
  for (const char16_t* name : kNames)
    if (model.ListFieldColumn(GbkFromWide(name)) >= 1) return true;
  return false;
}

ManifestTotals WriteManifest(CellSink& sink, const CTemplateModel& model,
                             const ManifestSettings& s, const ManifestForm& form,
                             const DerivedValues& d, const HeaderValues& h,
                             const std::vector<ManifestRow>& rows,
                             const std::vector<GoodsLine>* goods, const ManifestLookups& l) {
  RowWriter writer(sink, model, s, form, d, l);
  ManifestTotals t;
  int first = model.FirstListRow();
  if (first < 1) first = 1;
  int current = first;
  int counter = 1;
  // goods-across: the first sheet row of each waybill, in row order.
  std::vector<std::pair<int32_t, int>> recorded;
  const bool record = s.layout == Layout::kGoodsAcross && HasGroupColumns(model);
  // goods-in-rows with goods lines: the bag item whose rows carry the
  // waybill's goods lines; the lines are not repeated for its other items.
  std::map<int32_t, int32_t> linesItem;
  std::set<int32_t> seen;
  for (const ManifestRow& w : rows) {
    RowKind kind = RowKind::kStandard;
    if (s.layout == Layout::kGoodsAcross) kind = RowKind::kAcross;
    if (s.layout == Layout::kGoodsInRows) {
      if (!s.pieceRows) {
        auto [it, added] = linesItem.emplace(w.irid, w.wpos);
        if (!added && it->second != w.wpos) continue;
      }
      // A waybill's values are written (and counted) once: its rows in a
      // later bag follow as rows of their own goods.
      kind = seen.insert(w.irid).second ? RowKind::kFirst : RowKind::kFollowing;
    }
    if (s.insertRows) sink.InsertRow(current);
    writer.Write(w, kind, current, counter, t);
    if (record) recorded.emplace_back(w.irid, current);
    ++counter;
    ++current;
    ++t.sheetRows;
  }

  // The totals row.
  if (s.insertRows) sink.InsertRow(current);
  t.totalsRow = current;
  auto total = [&](std::u16string_view name, auto write) {
    const int c = writer.Column(name);
    if (c >= 1) write(c);
  };
  total(u"件数", [&](int c) { sink.Integer(current, c, t.pieces); });
  total(u"重量", [&](int c) { sink.Value(current, c, WeightText(t.weights[0], s)); });
  total(u"入重", [&](int c) { sink.Value(current, c, WeightText(t.weights[1], s)); });
  total(u"称重", [&](int c) { sink.Value(current, c, WeightText(t.weights[2], s)); });
  total(u"价值", [&](int c) { sink.Value(current, c, F16("%.2f", t.value)); });
  total(u"声明价", [&](int c) { sink.Value(current, c, F16("%.2f", t.declared / 100.0)); });
  total(u"保价", [&](int c) { sink.Value(current, c, F16("%.2f", t.insured / 100.0)); });

  // The header cells.
  for (const TemplateItem& item : model.HeaderItems())
    sink.Value(item.row, item.column,
               HeaderText(StringFromFieldText(item.text), form, d, h, t, l));

  // The goods lines across the groups of each waybill's first row.
  if (record && goods != nullptr) {
    int32_t currentId = 0;
    int sheetRow = 0;
    int group = 0;
    bool skip = false;
    bool started = false;
    for (const GoodsLine& g : *goods) {
      if (!started || g.irid != currentId) {
        started = true;
        currentId = g.irid;
        group = 0;
        auto it = std::find_if(recorded.begin(), recorded.end(),
                               [&](const auto& r) { return r.first == g.irid; });
        skip = it == recorded.end();
        if (!skip) {
          sheetRow = it->second;
          recorded.erase(it);
        }
      }
      if (skip || group >= s.groupCount) continue;
      writer.Group(g, sheetRow, group * s.groupShift);
      ++group;
    }
  }
  return t;
}

// ---- The export ----

namespace {

// The cells recorded in order, played into the office session later.
struct RecordedCell {
  enum Kind { kValue, kInteger, kText, kTrimmed, kInsert } kind;
  int row, column;
  std::u16string text;
  int32_t number;
};

class RecordingSink : public CellSink {
 public:
  void Value(int r, int c, const std::u16string& t) override { cells.push_back({RecordedCell::kValue, r, c, t, 0}); }
  void Integer(int r, int c, int32_t v) override { cells.push_back({RecordedCell::kInteger, r, c, {}, v}); }
  void Text(int r, int c, std::u16string_view t) override {
    cells.push_back({RecordedCell::kText, r, c, std::u16string(t), 0});
  }
  void Trimmed(int r, int c, std::u16string_view t) override {
    cells.push_back({RecordedCell::kTrimmed, r, c, std::u16string(t), 0});
  }
  void InsertRow(int r) override { cells.push_back({RecordedCell::kInsert, r, 0, {}, 0}); }
  std::vector<RecordedCell> cells;
};

void Play(const std::vector<RecordedCell>& cells, CExcelSession& x) {
  for (const RecordedCell& c : cells) {
    switch (c.kind) {
      case RecordedCell::kValue: x.SetCell(c.row, c.column, CellValue(c.text)); break;
      case RecordedCell::kInteger: x.SetCell(c.row, c.column, CellValue(static_cast<double>(c.number))); break;
      case RecordedCell::kText: x.SetCellText(c.row, c.column, c.text); break;
      case RecordedCell::kTrimmed: x.SetCellString(c.row, c.column, Trimmed(c.text)); break;
      case RecordedCell::kInsert: x.InsertRow(c.row); break;
    }
  }
}

std::u16string TextOf(const ManifestServices& sv, int32_t id) {
  return sv.text ? sv.text(id) : std::u16string();
}

// Queries both item tables; false (20005 shown) when a reply is unusable.
bool QueryRows(const ManifestForm& f, const ManifestSettings& s, bool filter,
               const std::u16string& special, const ManifestServices& sv, ExportOutcome& out,
               std::vector<ManifestRow>& rows) {
  std::vector<ManifestRow> parts[2];
  const ItemTable tables[2] = {ItemTable::kOpen, ItemTable::kPast};
  for (int i = 0; i < 2; ++i) {
    const std::string sql = MainSql(s.layout, s, f.awbNumber, filter, special, tables[i]);
    out.queries.push_back(sql);
    std::string reply;
    if (sv.query) sv.query(sql, MainTypes(s.layout, s.pieceRows), reply);
    if (!ReadMainRows(reply, s.layout, s, parts[i])) {
      // No bag past state 2 may come back as a reply without a list.
      if (i == 1 && reply.size() >= 10) continue;
      if (sv.message) sv.message(TextOf(sv, kNoReplyText));
      return false;
    }
  }
  const bool byPiece = s.layout != Layout::kStandard || s.pieceRows;
  rows = MergeRows(std::move(parts[0]), std::move(parts[1]), byPiece);
  return true;
}

ExportOutcome RunLayout(const ManifestForm& f, const CTemplateModel& model, bool filter,
                        const ManifestServices& sv) {
  ExportOutcome out;
  out.filter = filter;
  const ManifestSettings s = ReadSettings(model);
  out.layout = s.layout;
  std::u16string special = f.specialNumber;
  TrimW(special);
  std::vector<ManifestRow> rows;
  if (!QueryRows(f, s, filter, special, sv, out, rows)) return out;
  std::vector<GoodsLine> goods;
  bool haveGoods = false;
  if (s.layout == Layout::kGoodsAcross && HasGroupColumns(model) && !rows.empty()) {
    const std::string sql = GoodsLinesSql(f.awbNumber, filter, special);
    out.queries.push_back(sql);
    std::string reply;
    if (sv.query) sv.query(sql, GoodsLinesTypes(), reply);
    haveGoods = ReadGoodsLines(reply, goods);
  }

  const std::u16string monthDay = sv.todayMonthDay ? sv.todayMonthDay() : TodayText("%m%d");
  const DerivedValues d = DeriveValues(f, s.rangePackageNumber, monthDay);
  HeaderValues h;
  h.special = filter ? special : std::u16string();
  h.userName = sv.userName;
  h.today = sv.today ? sv.today() : TodayText("%m-%d-%Y");
  h.dictionary45 = sv.dictionary45;
  RecordingSink sink;
  out.totals = WriteManifest(sink, model, s, f, d, h, rows, haveGoods ? &goods : nullptr, sv.lookups);

  const std::string path = OutputPath(sv.programFolder, f.templateName, f.awbNumber, filter, special);
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  std::u16string failure;
  bool saved = false;
  auto work = [&] {
    std::unique_ptr<CExcelSession> x = sv.makeSession ? sv.makeSession() : std::make_unique<CExcelSession>();
    if (x == nullptr) return;
    ++out.sessions;
    // Closed (and the suite released) on every way out of here.
    struct Release {
      CExcelSession& session;
      ExportOutcome& out;
      ~Release() {
        session.Close();
        out.sessionCloses = session.CloseCount();
      }
    } release{*x, out};
    x->SetOverwriteQuestion(false);
    const std::string& book = model.Workbook();
    if (x->CreateFromTemplateData(u"data4list", WideFromNarrow(path, 65001), book.data(), book.size(),
                                  false) == 0) {
      failure = x->LastError();
      return;
    }
    Play(sink.cells, *x);
    saved = x->SaveAndClose() == 1;
    if (!saved) failure = x->LastError();
  };
  if (sv.runOffice)
    sv.runOffice(work);
  else
    work();
  if (!saved) {
    if (sv.message && !failure.empty()) sv.message(failure);
    return out;
  }
  out.path = path;
  if (f.openFile) {
    if (sv.openFile) sv.openFile(path);
  } else if (sv.message) {
    sv.message(u"文件保存在:\r\n" + WideFromNarrow(path, 65001));
  }
  return out;
}

}  // namespace

ExportOutcome RunGoodsAcross(const ManifestForm& f, const CTemplateModel& model, bool filter,
                             const ManifestServices& sv) {
  return RunLayout(f, model, filter, sv);
}

ExportOutcome RunGoodsInRows(const ManifestForm& f, const CTemplateModel& model, bool filter,
                             const ManifestServices& sv) {
  return RunLayout(f, model, filter, sv);
}

ExportOutcome RunManifestExport(const ManifestForm& f, const ManifestServices& sv) {
  ExportOutcome out;
  if (f.awbNumber.empty()) return out;
  const std::string name = NarrowFieldFromWide(f.templateName, 60, false);
  const CTemplateModel* model = sv.findTemplate ? sv.findTemplate(name) : nullptr;
  if (model == nullptr || !model->HasWorkbook() || !model->HasText()) return out;
  std::u16string special = f.specialNumber;
  TrimW(special);
  bool filter = false;
  if (special.size() >= 4) {
    out.asked = true;
    const std::u16string question = ReplaceAll(TextOf(sv, kFilterQuestionText), u"%1", special);
    filter = sv.askYesNo && sv.askYesNo(question);
  }
  const ManifestSettings s = ReadSettings(*model);
  ExportOutcome run = s.layout == Layout::kGoodsInRows   ? RunGoodsInRows(f, *model, filter, sv)
                      : s.layout == Layout::kGoodsAcross ? RunGoodsAcross(f, *model, filter, sv)
                                                         : RunLayout(f, *model, filter, sv);
  run.asked = out.asked;
  return run;
}

}  // namespace manifest
