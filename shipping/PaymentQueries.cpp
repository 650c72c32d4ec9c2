#include "shipping/PaymentQueries.h"

#include <cstdio>
#include <cstdlib>

#include "common/FieldCheck.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "server/ServerLink.h"

namespace payment {

namespace {

uint32_t Char(unsigned width) { return AcsTypeEntry(kSqlCChar, width); }
uint32_t SLong() { return AcsTypeEntry(kSqlCSLong); }
uint32_t Dbl() { return AcsTypeEntry(kSqlCDouble); }
uint32_t Byte() { return AcsTypeEntry(kSqlCUTinyInt); }
uint32_t Stamp() { return AcsTypeEntry(kSqlCTimestamp); }

std::string Num(int64_t v) { return std::to_string(v); }

const char kPaymentColumnsSql[] =
    "ifid,ffee,cinvoice,dpdate,cmname,cinput,cmemo,cdocno,ntype,ffeer,npayway,crefno,cmark,"
    "caccount,dsysdate,cmoney,fchg";
const char kRecordColumnsSql[] =
    "irid,cdes,fweight,famount,ddate,cnum,npayway,cmark,cdepart,cmname,ctaker,cbearer,nstate,ccode";

std::u16string Fixed(double v, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return std::u16string(text, text + std::char_traits<char>::length(text));
}

std::u16string Ascii(std::string_view s) { return std::u16string(s.begin(), s.end()); }

// A text argument of a call: narrow field of at most `limit` bytes, quotes
// doubled.
std::string Field(std::u16string_view text, size_t limit) {
  return NarrowFieldFromWide(text, limit, true);
}

}  // namespace

// ---- column types ----

std::vector<uint32_t> CustomerTypes() {
  return {Char(64), Char(128), Char(32), Char(24), Byte(), Dbl(), Dbl(), Byte(), Dbl(),
          Dbl(), Dbl(), SLong(), Dbl(), SLong(), Char(32), Char(32), Char(24)};
}
std::vector<uint32_t> SumTypes() { return {Dbl()}; }
std::vector<uint32_t> CountTypes() { return {SLong()}; }
std::vector<uint32_t> RecordTypes() {
  return {SLong(),   Char(64), Dbl(),    Dbl(),    Stamp(),  Char(32), Byte(),
          Char(16), Char(32), Char(32), Char(32), Char(32), Byte(),   Char(4)};
}
std::vector<uint32_t> PaymentRowTypes() {
  return {SLong(), Dbl(),  Char(24), Stamp(),  Char(32), Char(32), Char(256), Char(16), Byte(),
          Dbl(),   Byte(), Char(32), Char(16), Char(32), Stamp(),  Char(4),   Dbl()};
}
std::vector<uint32_t> PaymentLoadTypes() {
  std::vector<uint32_t> t = PaymentRowTypes();
  t.push_back(SLong());
  t.push_back(Char(32));
  t.push_back(Char(16));
  return t;
}
std::vector<uint32_t> ForceQueryTypes() { return {SLong(), SLong(), SLong(), Byte()}; }
std::vector<uint32_t> ProcedureTypes() { return {SLong(), Char(512)}; }

// ---- statements ----

std::string CustomerSql(int32_t icid) {
  return "SELECT cunitname,caddr,csender,cphone,nstate,fcredit,fdeposit,ndeposit,fpay0,ipay0,fpay1,"
         "ipay1,fpay2,ipay2,caccount,cmname,csmnumber FROM brantle.dbo.client_arc WHERE icid=" +
         Num(icid);
}

std::string ReceivableSumSql(int32_t icid) {
  return "SELECT ISNULL(SUM(ffeer),0) FROM brantle.dbo.client_fee WHERE icid=" + Num(icid) +
         " AND ntype=0";
}

std::string PaymentCountSql(int32_t icid) {
  return "SELECT COUNT(1) FROM brantle.dbo.client_fee WHERE icid=" + Num(icid);
}

std::string UnpaidChunkSql(int chunk, int32_t icid, uint32_t afterIrid) {
  return "SELECT TOP " + Num(chunk) + " " + kRecordColumnsSql +
         " FROM brantle.dbo.client_rec WHERE icid=" + Num(icid) + " AND irid>" + Num(afterIrid) +
         " AND bpay=0 AND ifid=0 AND npayway<2 ORDER BY irid";
}

std::string PaymentRecordsSql(uint32_t afterIrid, uint32_t ifid) {
  return std::string("SELECT ") + kRecordColumnsSql + " FROM brantle.dbo.client_rec WHERE irid>" +
         Num(afterIrid) + " AND ifid=" + Num(ifid) + " ORDER BY irid ";
}

std::string PaymentPageSql(int32_t icid, int page, int count) {
  const std::string top = "SELECT TOP " + Num(kPaymentsPerPage) + " " + kPaymentColumnsSql;
  if (page <= 1)
    return top + " FROM brantle.dbo.client_fee WHERE icid=" + Num(icid) +
           " ORDER BY dpdate DESC, ifid DESC";
  return top + " FROM (SELECT TOP " + Num(count - page * kPaymentsPerPage + kPaymentsPerPage) +
         kPaymentColumnsSql + " FROM brantle.dbo.client_fee WHERE icid=" + Num(icid) +
         " ORDER BY dpdate ASC, ifid ASC) tmp  ORDER BY dpdate DESC, ifid DESC";
}

std::string PaymentLoadSql(int32_t ifid, bool withStation) {
  if (withStation)
    return "SELECT a.ifid,a.ffee,a.cinvoice,a.dpdate,a.cmname,a.cinput,a.cmemo,a.cdocno,a.ntype,"
           "a.ffeer,a.npayway,a.crefno,a.cmark,a.caccount,a.dsysdate,a.cmoney,a.fchg,a.icid,"
           "a.cauditor,b.cstation FROM brantle.dbo.client_fee AS a,brantle.dbo.client_arc AS b "
           "WHERE a.icid=b.icid AND ifid=" +
           Num(ifid);
  return std::string("SELECT ") + kPaymentColumnsSql +
         ",icid,cauditor,'' FROM brantle.dbo.client_fee WHERE ifid=" + Num(ifid);
}

std::string ForceQuerySql(int32_t irid, std::string_view numberGbk, std::string_view stationGbk) {
  std::string sql = "SELECT TOP 1 a.irid,a.icid,a.ifid,a.npayway FROM brantle.dbo.client_rec AS a";
  if (!stationGbk.empty()) sql += " INNER JOIN brantle.dbo.client_arc AS b ON(a.icid=b.icid)";
  sql += " WHERE a.";
  if (irid > 0) {
    sql += "irid=" + Num(irid);
  } else {
    sql += "cnum='";
    for (char c : numberGbk)
      if (c != '\'') sql += c;
    sql += "'";
  }
  if (!stationGbk.empty()) sql += " AND b.cstation='" + QuoteSqlNarrow(stationGbk) + "'";
  return sql;
}

// ---- paging ----

int PageCount(int payments) {
  return payments <= 0 ? 0 : (payments + kPaymentsPerPage - 1) / kPaymentsPerPage;
}

int ClampPage(int box, int pages) {
  if (box > pages) box = pages;
  if (box < 1) box = 1;
  return box;
}

int NextPageBox(int shown, int pages) { return shown + 1 > pages ? 1 : shown + 1; }

// ---- rows ----

int RecordRow::Month() const {
  const std::u16string& date = cells[0];
  if (date.size() < 4) return 0;
  int m = 0;
  for (size_t i = 3; i < date.size() && date[i] >= u'0' && date[i] <= u'9'; ++i)
    m = m * 10 + (date[i] - u'0');
  return m;
}

RecordRow ReadRecordRow(JsonRowIndex& row, const CLanguageTable& language) {
  RecordRow r;
  r.irid = row.GetInt("0", 0);
  const std::u16string date = row.GetWString("4", 40);
  r.cells[0] = date.size() > 2 ? date.substr(2, 8) : std::u16string();
  r.cells[1] = row.GetWString("5", 32);
  r.weight = row.GetDouble("2", 0);
  r.cells[2] = Fixed(r.weight, 3);
  r.amount = CentsOf(row.GetDouble("3", 0));
  r.cells[3] = CentsText(r.amount);
  r.cells[4] = row.GetWString("1", 64);
  r.cells[5] = Ascii(Num(r.irid));
  r.cells[6] = language.PayWayText(row.GetInt("6", 0));
  r.cells[7] = row.GetWString("7", 16);
  r.cells[8] = row.GetWString("8", 32);
  r.cells[9] = row.GetWString("9", 32);
  r.cells[10] = row.GetWString("10", 32);
  r.cells[11] = row.GetWString("11", 32);
  r.cells[12] = language.WaybillStateText(row.GetInt("12", 0));
  r.cells[13] = row.GetWString("13", 4);
  return r;
}

std::u16string ReceivableCell(double ffeer) {
  if (ffeer >= 0.01 || ffeer <= -0.01) return Fixed(ffeer, 2);
  return {};
}

PaymentRow ReadPaymentRow(JsonRowIndex& row, const CLanguageTable& language) {
  PaymentRow p;
  p.ifid = row.GetInt("0", 0);
  p.cells[0] = row.GetWString("3", 40).substr(0, 10);
  p.cells[1] = Fixed(row.GetDouble("1", 0), 2);
  p.cells[2] = ReceivableCell(row.GetDouble("9", 0));
  p.cells[3] = row.GetWString("15", 4);
  p.cells[4] = Fixed(row.GetDouble("16", 0), 2);
  p.cells[5] = row.GetWString("4", 32);
  p.cells[6] = row.GetWString("5", 32);
  p.cells[7] = row.GetWString("2", 24);
  p.cells[8] = row.GetWString("7", 16);
  p.cells[9] = language.FeeTypeText(row.GetInt("8", 0));
  p.cells[10] = language.FeePayWayText(row.GetInt("10", 0));
  p.cells[11] = row.GetWString("11", 32);
  p.cells[12] = row.GetWString("12", 16);
  p.cells[13] = row.GetWString("13", 32);
  p.cells[14] = row.GetWString("6", 256);
  return p;
}

bool ForEachRow(std::string_view reply, const std::function<void(JsonRowIndex&)>& take) {
  if (JsonFindKey("List", reply) == kJsonNone) return false;
  const std::string_view list = JsonListBody(reply, "List");
  std::string_view object;
  size_t pos = 0;
  JsonRowIndex row;
  while (JsonNextObject(list, pos, object)) {
    row.Reset(object);
    take(row);
  }
  return true;
}

int LoadRecordChunks(const std::function<std::string(uint32_t afterIrid)>& fetch,
                     const CLanguageTable& language,
                     const std::function<void(RecordRow&&)>& take) {
  uint32_t highest = 0;
  int taken = 0;
  for (;;) {
    const std::string reply = fetch(highest);
    const uint32_t before = highest;
    const bool listed = ForEachRow(reply, [&](JsonRowIndex& row) {
      RecordRow r = ReadRecordRow(row, language);
      // A row at or below the highest id so far was had already.
      if (r.irid <= 0 || static_cast<uint32_t>(r.irid) <= highest) return;
      highest = static_cast<uint32_t>(r.irid);
      ++taken;
      take(std::move(r));
    });
    if (!listed) break;
    if (JsonGetBool("bEnd", reply, 1) != 0) break;
    if (highest == before) break;  // a chunk that brought nothing new
  }
  return taken;
}

// ---- the customer ----

Cents CustomerAccount::Balance() const {
  return CentsOf(receivable) + CentsOf(pay2) + CentsOf(pay1) + CentsOf(pay0);
}

bool ReadCustomer(std::string_view reply, CustomerAccount& c) {
  if (JsonGetInt("iTotal", reply, 0) <= 0) return false;
  bool found = false;
  ForEachRow(reply, [&](JsonRowIndex& row) {
    if (found) return;
    found = true;
    c.name = row.GetWString("0", 63);
    c.address = row.GetWString("1", 127);
    c.sender = row.GetWString("2", 30);
    c.phone = row.GetWString("3", 22);
    c.credit = row.GetDouble("5", 0);
    c.deposit = row.GetDouble("6", 0);
    c.pay0 = row.GetDouble("8", 0);
    c.count0 = row.GetInt("9", 0);
    c.pay1 = row.GetDouble("10", 0);
    c.count1 = row.GetInt("11", 0);
    c.pay2 = row.GetDouble("12", 0);
    c.count2 = row.GetInt("13", 0);
    c.account = row.GetWString("14", 30);
    c.handler = row.GetWString("15", 30);
    c.smsNumber = row.GetWString("16", 22);
  });
  return found;
}

std::u16string CustomerTitle(const CustomerAccount& c, const CLanguageTable& language) {
  return u"№" + c.account + u" [" +
         FillArgsW(language.Text(330042), {CentsText(c.Balance())}) + u"]";
}

std::u16string CustomerSummary(const CustomerAccount& c, const CLanguageTable& language) {
  auto amount = [&](int32_t id, double v) { return FillArgsW(language.Text(id), {Fixed(v, 2)}); };
  auto counted = [&](int32_t id, double v, int32_t n) {
    return FillArgsW(language.Text(id), {Fixed(v, 2), Ascii(Num(n))});
  };
  std::u16string s;
  s += c.name + u"\r\n";
  s += c.address + u"\r\n◆";
  s += amount(330043, c.credit) + u"\t" + amount(330044, c.deposit) + u"\r\n";
  s += counted(330045, c.pay0, c.count0) + u"\r\n";
  s += counted(330046, c.pay1, c.count1) + u"\r\n";
  s += counted(330047, c.pay2, c.count2) + u"\r\n●";
  s += amount(330048, c.AvailableDeposit()) + u"\r\n";
  s += c.sender + u"(#" + c.phone + u")\r\n";
  return s;
}

std::u16string ListSummary(const CLanguageTable& language, int count, Cents amount,
                           double weight) {
  return FillArgsW(language.Text(330028), {Ascii(Num(count)), CentsText(amount), Fixed(weight, 3)});
}

std::u16string PagingText(const CLanguageTable& language, int payments, int shown) {
  return FillArgsW(language.Text(330030),
                   {Ascii(Num(payments)), Ascii(Num(PageCount(payments))), Ascii(Num(shown))}) +
         language.Text(330031);
}

// ---- dates ----

bool ParseYmd(std::u16string_view text, Ymd& out) {
  int parts[3] = {0, 0, 0};
  int k = 0;
  bool digit = false;
  for (char16_t c : text) {
    if (c >= u'0' && c <= u'9') {
      parts[k] = parts[k] * 10 + (c - u'0');
      digit = true;
    } else if (digit) {
      if (++k == 3 || c == u' ') break;
      digit = false;
    }
  }
  if (k < 2 || (k == 2 && !digit)) return false;
  if (parts[1] < 1 || parts[1] > 12 || parts[2] < 1 || parts[2] > 31) return false;
  out = {parts[0], parts[1], parts[2]};
  return true;
}

std::u16string YmdText(const Ymd& d) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d.%02d.%02d", d.year, d.month, d.day);
  return Ascii(text);
}

Ymd YmdOf(const std::tm& t) { return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday}; }

int64_t DayNumber(const Ymd& d) {
  // Days from civil (proleptic Gregorian).
  int64_t y = d.year - (d.month <= 2 ? 1 : 0);
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t mp = (d.month + 9) % 12;
  const int64_t doy = (153 * mp + 2) / 5 + d.day - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

namespace {
int64_t SecondsOf(const std::tm& t) {
  return DayNumber(YmdOf(t)) * 86400 + t.tm_hour * 3600 + t.tm_min * 60 + t.tm_sec;
}
}  // namespace

bool PaymentEditable(bool modifyRight, bool auditRight, const Ymd& paymentDate, int spanDays,
                     const std::tm& now, bool audited) {
  if (!modifyRight) return false;
  const int64_t until = (DayNumber(paymentDate) + spanDays) * 86400;
  if (until < SecondsOf(now)) return false;
  if (!auditRight && audited) return false;
  return true;
}

DateWindowResult ApplyDateWindow(std::u16string_view keyedDate, const std::tm& reference) {
  DateWindowResult r;
  r.stored = std::u16string(keyedDate);
  Ymd keyed;
  if (!ParseYmd(keyedDate, keyed)) return r;
  const int64_t diff = DayNumber(keyed) * 86400 - SecondsOf(reference);
  constexpr int64_t kWindow = 90LL * 86400;
  if (diff > kWindow || diff < -kWindow) {
    r.moved = true;
    r.stored = YmdText(YmdOf(reference));
  }
  return r;
}

// ---- procedure calls ----

std::string BuildSaveCall(const PaymentSave& s) {
  std::string sql = "{?=CALL brantle.dbo.cp_client_fee_";
  sql += s.loaded ? "mod" : "add";
  sql += s.kind == 1 ? "_1(?," : "_0(?,";
  char time[48];
  std::snprintf(time, sizeof time, " %d:%d:%d.0'", s.hour, s.minute, s.second);
  sql += Num(s.id) + "," + CentsAscii(s.amount) + ",'" + Field(s.invoice, 22) + "','" +
         Field(s.date, 20) + time + ",'" + Field(s.handler, 30) + "','" +
         QuoteSqlNarrow(s.userName) + "','" + Field(s.memo, 255) + "','" + Field(s.docNo, 15) +
         "',";
  if (s.kind == 1) {
    sql += Num(s.reserved) + "," + Num(s.payWay) + ",'";
  } else {
    sql += CentsAscii(s.owed) + "," + Num(s.reserved) + "," + Num(static_cast<int64_t>(s.irids.size())) +
           ",'";
    sql.reserve(sql.size() + s.irids.size() * 10 + 256);
    char id[16];
    for (int32_t irid : s.irids) {
      std::snprintf(id, sizeof id, "%10d", irid);
      sql += id;
    }
    sql += "'," + Num(s.payWay) + ",'";
  }
  sql += Field(s.refNo, 30) + "','" + Field(s.tag, 15) + "','" + Field(s.account, 30) + "',";
  if (s.kind != 1) sql += std::string(s.owedMode ? "1" : "0") + ",";
  sql += "'" + Field(s.currency, 3) + "'," + CentsAscii(s.foreign) + ")}";
  return sql;
}

std::string BuildDeleteCall(int kind, int32_t ifid, std::string_view userNameGbk, bool owedMode) {
  std::string sql = "{?=CALL brantle.dbo.cp_client_fee_del_";
  if (kind == 1) return sql + "1(?," + Num(ifid) + ",'" + QuoteSqlNarrow(userNameGbk) + "')}";
  return sql + "0(?," + Num(ifid) + ",'" + QuoteSqlNarrow(userNameGbk) + "'," +
         (owedMode ? "1" : "0") + ")}";
}

bool ReadProcedureResult(std::string_view reply, int32_t& result) {
  result = -9;
  if (JsonGetInt("ReturnValue", reply, 0) != 2) return false;
  if (JsonFindKey("List", reply) == kJsonNone) return false;
  bool first = true;
  ForEachRow(reply, [&](JsonRowIndex& row) {
    if (!first) return;
    first = false;
    result = row.GetInt("0", -9);
  });
  return true;
}

int32_t SaveRefusalText(int32_t result) {
  switch (result) {
    case -1: return 330061;
    case -2: return 20024;
    case -3: return 330062;
    case -4: return 330063;
    case -6: return 330064;
    case -7: return 330065;
    default: return 0;
  }
}

}  // namespace payment
