#include "refdata/AirlineTable.h"

#include <cctype>
#include <cmath>
#include <cstdio>

#include "common/FieldCheck.h"
#include "common/Json.h"
#include "common/TextCodec.h"
#include "server/ServerLink.h"

namespace {

uint32_t Col(int type, unsigned width = 0) { return AcsTypeEntry(type, width); }
constexpr int kChar = kSqlCChar, kSLong = kSqlCSLong, kSShort = kSqlCSShort, kUTinyInt = kSqlCUTinyInt,
              kBit = kSqlCBit, kDouble = kSqlCDouble;

struct BuiltInAirline {
  const char* prefix;
  const char* code;
  const char16_t* name;
  const char* host;
};

const BuiltInAirline kBuiltIn[] = {
    {"012", "NW", u"美西北", "www.nwa.com"},
    {"020", "LH", u"汉莎航空", "lhcargo.com"},
    {"023", "CT", u"联邦航空", "www.fedex.com"},
    {"043", "KA", u"港龙", "www.cathaycargo.com"},
    {"057", "AF", u"法航", "www.afklcargo.com"},
    {"074", "KL", u"荷兰皇家航空", "www.afklcargo.com"},
    {"112", "MU", u"东航", "www.ceairgroup.com"},
    {"126", "GA", u"印尼航空", "www.garuda-indonesia.com"},
    {"131", "JL", u"日航", "www.jal.co.jp"},
    {"157", "QR", u"卡塔尔航空", "www.qrcargo.com"},
    {"160", "CX", u"国泰", "www.cathaycargo.com"},
    {"170", "GE", u"复兴航空", "www.tna.com.tw"},
    {"172", "CV", u"卢森堡航空", "www.cargolux.com"},
    {"176", "EK", u"阿联酋航空", "www.skycargo.com"},
    {"180", "KE", u"大韩航空", "cargo.koreanair.com"},
    {"189", "XX", u"翡翠航空", "www.jadecargo.com"},
    {"205", "NH", u"全日空", "www.anacargo.jp"},
    {"217", "TG", u"泰航", "www.thaicargo.com"},
    {"235", "TK", u"土耳其航空", "www.turkishcargo.com"},
    {"239", "MK", u"毛里求斯航空", "www.airmauritius.com"},
    {"297", "CI", u"中华航空", "cargo.china-airlines.com"},
    {"324", "SC", u"山东航", "www.shandongair.com.cn"},
    {"403", "PO", u"极地", "www.polaraircargo.com"},
    {"406", "UPS", u"联合包裹", "www.ups.com"},
    {"479", "ZH", u"深航", "www.shenzhenair.com"},
    {"555", "SU", u"俄罗斯", "www.aeroflot.ru"},
    {"580", "RU", u"第聂伯", "www.airbridgecargo.com"},
    {"607", "EY", u"阿联酋阿提哈德", "www.etihadcargo.com"},
    {"618", "SQ", u"新加坡航空", "www.siacargo.com"},
    {"695", "BR", u"长荣航空", "www.brcargo.com"},
    {"699", "UW", u"友和道通", "www.uniontop.com"},
    {"731", "MF", u"厦航", "www.xiamenair.com"},
    {"756", "3V", u"TNT航运", "www.tnt.com"},
    {"784", "CZ", u"南航", "tang.csair.com"},
    {"804", "PO", u"中邮航", "www.cnpostair.com"},
    {"851", "N8", u"香港航空", "www.hongkongairlines.com"},
    {"871", "Y8", u"扬子江航空", "www.yzr.com.cn"},
    {"876", "3U", u"川航", "www.scal.com.cn"},
    {"880", "HU", u"海航", "www.hnair.com"},
    {"932", "VS", u"维珍", "www.virginatlanticcargo.com"},
    {"933", "KZ", u"日本货航", "www.nca.aero"},
    {"988", "OZ", u"韩亚", "www.asianacargo.com"},
    {"999", "CA", u"国航", "www.airchinacargo.com"},
    {"9C", "9C", u"春秋", "www.ch.com"},
    {"018", "HO", u"吉祥", "www.juneyaoair.com"},
    {"XXA", "XX", u"自营A", ""},
    {"XXB", "XX", u"自营B", ""},
    {"XXC", "XX", u"自营C", ""},
    {"XXD", "XX", u"自营D", ""},
    {"XXX", "XX", u"自营X", ""},
};

std::string Cut(std::string text, size_t n) {
  if (text.size() > n) text.resize(n);
  return text;
}

bool ReplyUsable(int length) { return length > 9; }

// Walks the rows of the reply's "List".
template <typename F>
int ForEachRow(const std::string& reply, F&& f) {
  std::string_view list = JsonListBody(reply, "List");
  size_t pos = 0;
  std::string_view row;
  int rows = 0;
  while (JsonNextObject(list, pos, row)) {
    f(row);
    ++rows;
  }
  return rows;
}

std::string Str(std::string_view row, const char* key, size_t n) { return JsonGetString(key, row, n); }
int32_t Int(std::string_view row, const char* key) { return JsonGetInt(key, row, 0); }
double Dbl(std::string_view row, const char* key) { return JsonGetDouble(key, row, 0); }
uint8_t Bool(std::string_view row, const char* key) {
  std::string v = JsonGetString(key, row, 8, true);
  if (v == "true" || v == "TRUE") return 1;
  return JsonGetInt(key, row, 0) != 0 ? 1 : 0;
}

double Round2(double x) { return RoundTo2Decimals(x); }

}  // namespace

CAirlineTable::CAirlineTable(SqlRunner runner) : runner_(std::move(runner)) {
  for (const BuiltInAirline& b : kBuiltIn) {
    auto e = std::make_unique<AirlineEntry>();
    e->cprefix = b.prefix;
    e->cnum = b.code;
    e->cbrief = Cut(GbkFromWide(b.name), 15);
    e->chostname = b.host;
    builtIn_.push_back(std::move(e));
  }
}

CAirlineTable::~CAirlineTable() = default;

int CAirlineTable::Run(std::string_view sql, std::span<const uint32_t> types, std::string& reply) const {
  reply.clear();
  if (!runner_) return 0;
  return runner_(sql, types, reply);
}

const std::vector<std::unique_ptr<AirlineEntry>>& CAirlineTable::Airlines() const {
  return server_.empty() ? builtIn_ : server_;
}

int CAirlineTable::LoadAirlines(bool reload) {
  if (airlinesLoaded_ && !reload) return static_cast<int>(server_.size());
  static const uint32_t types[] = {Col(kSLong),   Col(kChar, 8), Col(kChar, 8), Col(kChar, 16),
                                   Col(kChar, 64), Col(kSLong),  Col(kSLong),   Col(kSLong),
                                   Col(kSLong),   Col(kSLong),   Col(kSLong),   Col(kSLong),
                                   Col(kChar, 32)};
  std::string reply;
  int length = Run(
      "SELECT iid,cprefix,cnum,cbrief,chostname,nstate,ipos,ifreight,icustout,icustin,idelivery,"
      "iother,cmodel FROM brantle.dbo.sys_airline ORDER BY nstate,ipos",
      types, reply);
  if (!ReplyUsable(length)) return 0;
  airlinesLoaded_ = true;
  std::vector<std::unique_ptr<AirlineEntry>> rows;
  ForEachRow(reply, [&](std::string_view row) {
    auto e = std::make_unique<AirlineEntry>();
    e->iid = Int(row, "0");
    e->cprefix = Str(row, "1", 7);
    e->cnum = Str(row, "2", 7);
    e->cbrief = Str(row, "3", 15);
    e->chostname = Str(row, "4", 63);
    e->nstate = Int(row, "5");
    e->ipos = Int(row, "6");
    e->ifreight = Int(row, "7");
    e->icustout = Int(row, "8");
    e->icustin = Int(row, "9");
    e->idelivery = Int(row, "10");
    e->iother = Int(row, "11");
    e->cmodel = Str(row, "12", 30);
    rows.push_back(std::move(e));
  });
  if (!rows.empty()) server_ = std::move(rows);
  return static_cast<int>(server_.size());
}

int CAirlineTable::LoadAirports() {
  if (airportsLoaded_) return static_cast<int>(airports_.size());
  static const uint32_t types[] = {Col(kChar, 4), Col(kChar, 4), Col(kChar, 4), Col(kChar, 64)};
  std::string reply;
  int length = Run(
      "SELECT cportcode,ccitycode,ccountrycode,cportname FROM brantle.dbo.sys_airport ORDER BY "
      "cportcode",
      types, reply);
  if (!ReplyUsable(length)) return 0;
  airportsLoaded_ = true;
  std::vector<std::unique_ptr<AirportEntry>> rows;
  ForEachRow(reply, [&](std::string_view row) {
    auto e = std::make_unique<AirportEntry>();
    e->cportcode = Str(row, "0", 3);
    e->ccitycode = Str(row, "1", 3);
    e->ccountrycode = Str(row, "2", 3);
    e->cportname = Str(row, "3", 63);
    rows.push_back(std::move(e));
  });
  if (!rows.empty()) airports_ = std::move(rows);
  return static_cast<int>(airports_.size());
}

int CAirlineTable::LoadFlights(bool reload) {
  if (flightsLoaded_ && !reload) return static_cast<int>(flights_.size());
  static const uint32_t types[] = {
      Col(kSLong),    Col(kChar, 16), Col(kSLong),    Col(kBit),      Col(kBit),      Col(kBit),
      Col(kBit),      Col(kBit),      Col(kBit),      Col(kBit),      Col(kBit),      Col(kChar, 4),
      Col(kChar, 4),  Col(kChar, 4),  Col(kChar, 64), Col(kChar, 64), Col(kSShort),   Col(kSShort),
      Col(kDouble),   Col(kDouble),   Col(kDouble),   Col(kSLong),    Col(kSLong),    Col(kSLong),
      Col(kSLong),    Col(kSLong),    Col(kChar, 64), Col(kChar, 128), Col(kChar, 24), Col(kChar, 16),
      Col(kUTinyInt), Col(kUTinyInt), Col(kDouble),   Col(kDouble)};
  static_assert(sizeof(types) / sizeof(types[0]) == 34);
  std::string reply;
  int length = Run(
      "SELECT ifid,cftno,iaid,bweek0,bweek1,bweek2,bweek3,bweek4,bweek5,bweek6,bstop,cportb,cportt,"
      "cporte,cfrom,cdes,wdepart,warrive,faddrate,fadoc,faother,isid0,isid1,isid2,isid3,isid4,"
      "csname,csaddr,csphone,cspostcode,nkgcalc,nkground,fminadd,fminfee FROM brantle.dbo.flt_main "
      "ORDER BY ifid",
      types, reply);
  if (!ReplyUsable(length)) return 0;
  flightsLoaded_ = true;
  std::vector<std::unique_ptr<FlightEntry>> rows;
  ForEachRow(reply, [&](std::string_view row) {
    auto e = std::make_unique<FlightEntry>();
    e->ifid = Int(row, "0");
    e->cftno = Str(row, "1", 15);
    e->iaid = Int(row, "2");
    static const char* const kWeek[] = {"3", "4", "5", "6", "7", "8", "9"};
    for (int d = 0; d < 7; ++d) e->bweek[d] = Bool(row, kWeek[d]);
    e->bstop = Bool(row, "10");
    e->cportb = Str(row, "11", 3);
    e->cportt = Str(row, "12", 3);
    e->cporte = Str(row, "13", 3);
    e->cfrom = Str(row, "14", 63);
    e->cdes = Str(row, "15", 63);
    e->wdepart = static_cast<int16_t>(Int(row, "16"));
    e->warrive = static_cast<int16_t>(Int(row, "17"));
    e->faddrate = Dbl(row, "18");
    e->fadoc = Dbl(row, "19");
    e->faother = Dbl(row, "20");
    static const char* const kSid[] = {"21", "22", "23", "24", "25"};
    for (int i = 0; i < 5; ++i) e->isid[i] = Int(row, kSid[i]);
    e->csname = Str(row, "26", 63);
    e->csaddr = Str(row, "27", 127);
    e->csphone = Str(row, "28", 22);
    e->cspostcode = Str(row, "29", 15);
    e->nkgcalc = static_cast<uint8_t>(Int(row, "30"));
    int round = static_cast<uint8_t>(Int(row, "31"));
    e->wholeKilograms = round % 10 == 1 ? 1 : 0;
    e->wholeAmounts = round / 10 % 10 == 1 ? 1 : 0;
    e->fminadd = Dbl(row, "32");
    e->fminfee = Dbl(row, "33");
    rows.push_back(std::move(e));
  });
  if (!rows.empty()) flights_ = std::move(rows);
  return static_cast<int>(flights_.size());
}

const FlightEntry* CAirlineTable::FindFlight(std::string_view number) const {
  for (const auto& f : flights_)
    if (f->cftno == number) return f.get();
  return nullptr;
}

void CAirlineTable::FindFlights(const FlightEntry** slots, std::string& text, int n) const {
  for (int i = 0; i < n; ++i) slots[i] = nullptr;
  if (text.empty() || n <= 0) return;
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  std::vector<const FlightEntry*> starts, contains;
  for (const auto& f : flights_) {
    if (f->cftno.compare(0, text.size(), text) == 0 && f->cftno.size() >= text.size())
      starts.push_back(f.get());
    else if (f->cftno.find(text) != std::string::npos)
      contains.push_back(f.get());
  }
  int k = 0;
  for (const FlightEntry* f : starts)
    if (k < n) slots[k++] = f;
  for (const FlightEntry* f : contains)
    if (k < n) slots[k++] = f;
}

std::string CAirlineTable::AirlineNameOfFlight(int32_t airlineId) const {
  for (const auto& a : server_)
    if (a->iid == airlineId) return a->cbrief;
  return {};
}

bool CAirlineTable::CheckFlightPort(std::string_view port, std::string_view number,
                                    bool departure) const {
  if (number.empty()) return true;
  if (const FlightEntry* f = FindFlight(number)) {
    if (departure ? (port == f->cportb || port == f->cfrom) : (port == f->cporte || port == f->cdes))
      return true;
  }
  for (const auto& a : airports_)
    if (a->cportcode == port) return true;
  return false;
}

int CAirlineTable::QueryFlightPrice(FlightPriceQuery& q) {
  q.total = q.fee1 + q.fee2 + q.documentFee + q.otherFee;
  if (q.cftno.empty() || q.weight <= 0) return -1;
  FlightEntry* flight = nullptr;
  for (const auto& f : flights_)
    if (f->cftno == q.cftno) {
      flight = f.get();
      break;
    }
  q.flight = flight;
  if (!flight) return -2;

  std::string reply;
  static const uint32_t rateTypes[] = {Col(kDouble), Col(kDouble), Col(kDouble)};
  char sql[256];
  std::snprintf(sql, sizeof sql, "SELECT faddrate,fadoc,faother FROM brantle.dbo.flt_main WHERE ifid=%d",
                flight->ifid);
  if (!ReplyUsable(Run(sql, rateTypes, reply))) return 0;
  {
    std::string_view list = JsonListBody(reply, "List");
    size_t pos = 0;
    std::string_view row;
    if (JsonNextObject(list, pos, row)) {
      flight->faddrate = Dbl(row, "0");
      flight->fadoc = Dbl(row, "1");
      flight->faother = Dbl(row, "2");
      if (flight->fadoc > 0) q.documentFee = flight->fadoc;
      if (flight->faother > 0) q.otherFee = flight->faother;
      if (flight->faddrate > 0) q.addRate = flight->faddrate;
    }
  }

  int32_t w = q.weight;
  if (flight->wholeKilograms) w = (w + 500) / 1000 * 1000;

  static const uint32_t bandTypes[] = {Col(kSLong), Col(kSLong), Col(kSLong), Col(kUTinyInt),
                                       Col(kSLong)};
  std::snprintf(sql, sizeof sql,
                "SELECT iweightper,iprice,itopprice,ntype,ibweight FROM brantle.dbo.flt_price WHERE "
                "ifid=%d AND nitemtype=%u AND ibweight<%d AND ieweight>=%d ORDER BY ibweight",
                flight->ifid, static_cast<unsigned>(q.itemType), w, w);
  if (!ReplyUsable(Run(sql, bandTypes, reply))) return 0;
  std::string_view list = JsonListBody(reply, "List");
  size_t pos = 0;
  std::string_view row;
  if (!JsonNextObject(list, pos, row)) return 0;
  const int32_t step = Int(row, "0");
  const double p = Int(row, "1");
  const double t = Int(row, "2");
  const int kind = static_cast<uint8_t>(Int(row, "3"));
  const int32_t start = Int(row, "4");
  const double W = w;

  // Number of bands of `step` grams in `grams`; a band without a step counts once.
  auto bands = [step](double grams) { return step > 0 ? std::ceil(grams / step) : 1.0; };
  double F = 0;
  if (kind == 3) {
    q.pricePerKg = p / 100;
    F = p / 100 * W / 1000;
    if (t != 0) F += t / 100;
    F = Round2(F);
  } else {
    if (kind == 0)
      F = t / 100;
    else if (kind == 1)
      F = Round2(bands(W) * p / 100);
    else
      F = Round2((t + bands(W - start) * p) / 100);
    q.pricePerKg = Round2(F / W * 1000);
  }

  double addFee = 0;
  if (flight->faddrate >= 0.0001) {
    addFee = flight->nkgcalc == 1 ? flight->faddrate * W / 1000 : flight->faddrate * F / 100;
    if (flight->fminadd > addFee) addFee = flight->fminadd;
    addFee = Round2(addFee);
    q.addRate = flight->faddrate;
  }
  if (flight->fminfee > F) F = flight->fminfee;
  if (flight->wholeAmounts) {
    addFee = RoundScaled(addFee, 1);
    F = RoundScaled(F, 1);
  }
  q.addRateFee = addFee;
  q.freight = F;
  q.total = addFee + q.fee1 + q.fee2 + q.documentFee + q.otherFee + F;
  return RoundScaledHalf(q.total, 100);
}

std::string FormatHhmm(int value) {
  if (value < 0 || value > 2359) return {};
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d", value / 100, value % 100);
  return text;
}

char WeekdayLetter(int day) {
  static const char kLetters[] = "ABCDEFGX";
  return day >= 0 && day <= 6 ? kLetters[day] : 'X';
}
