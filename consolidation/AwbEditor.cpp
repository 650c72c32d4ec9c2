#include "consolidation/AwbEditor.h"

#include <QDate>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "common/FieldCheck.h"
#include "common/DateTime.h"
#include "common/Json.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "refdata/AirlineTable.h"
#include "refdata/AwbBagLists.h"
#include "refdata/BagDefaults.h"
#include "server/ServerLink.h"

namespace awb {

namespace {

constexpr uint32_t C(unsigned width) { return (1u << 16) + width; }
const uint32_t kL = AcsTypeEntry(kSqlCSLong);
const uint32_t kD = AcsTypeEntry(kSqlCDouble);
const uint32_t kT = AcsTypeEntry(kSqlCTimestamp);

const std::array<uint32_t, 68> kHeaderTypes = {
    C(32), C(64), C(64), kT,                        // cairline cfrom cdes ddate
    kL, kL, kL, kD,                                 // ipcs iweight itweight ffreight
    C(32), C(64), C(32), C(256), kL,                // cpacking ctransnote csize cmemo nstate
    C(32), C(32), C(32), C(32), C(16), kT,          // cinput creceiver cagent cphone cflightno dfdate
    C(8), C(16), kT,                                // cairport cflightno2 dfdate2
    C(8), C(128), C(16), C(64),                     // cairport2 cothercharge cmark cbroker
    kD, kD, kD, kD,                                 // fcustout fcustin fdelivery fother
    kL, kL, kL, kL, kL,                             // the five marks
    kT, kT, C(4), kT, C(32), C(16), C(16),          // detd deta cccode dcdate ccno ctranstype ctradetype
    kL, kL, kL, kL, kL, kL,                         // ntype, the five suppliers
    C(64), C(128), C(24), C(16),                    // shipper
    kL, kL, kL, C(64),                              // nsendway iitemi iweightg cpaynote
    kD, kD, kD, kD, kD, kD, kD, kD,                 // seven fee parts, add rate
    kL, C(16), C(8), C(256)};                       // nptype cpayway cgtype cgoods

std::u16string Ascii(const char* text) {
  std::u16string out;
  for (; *text; ++text) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(*text)));
  return out;
}

std::u16string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return Ascii(text);
}

std::u16string Trimmed(std::u16string_view text) {
  std::u16string t(text);
  return TrimW(t);
}

double Number(std::u16string_view text) {
  const std::string narrow = GbkFromWide(Trimmed(text));
  return std::atof(narrow.c_str());
}

std::u16string Cut(std::u16string text, size_t n) {
  if (text.size() > n) text.resize(n);
  return text;
}

std::u16string Upper(std::u16string text) {
  for (char16_t& c : text)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return text;
}

std::u16string Lower(std::u16string text) {
  for (char16_t& c : text)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return text;
}

// Appends the parts of a procedure's argument list.
class ArgumentList {
 public:
  explicit ArgumentList(std::string head) : sql_(std::move(head)) {}
  // A text argument through the one quoting function: trimmed, cut to its
  // column's bytes, quotes doubled.
  ArgumentList& Text(std::u16string_view text, size_t bytes) {
    Next();
    sql_ += '\'';
    sql_ += NarrowFieldFromWide(text, bytes, true);
    sql_ += '\'';
    return *this;
  }
  ArgumentList& Int(int64_t value) {
    Next();
    sql_ += std::to_string(value);
    return *this;
  }
  ArgumentList& Real(double value, int decimals) {
    Next();
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    sql_ += text;
    return *this;
  }
  std::string Finish() { return sql_ + ")}"; }

 private:
  void Next() {
    if (!first_) sql_ += ',';
    first_ = false;
  }
  std::string sql_;
  bool first_ = true;
};

std::u16string Wide(const std::string& gbk) { return WideFromGbk(gbk); }

}  // namespace

AwbFlags LoadedFlags(int32_t state, const std::array<int32_t, kFeeCount>& marks,
                     const AwbRights& rights) {
  AwbFlags f;
  f.bagsOpen = state == 0;
  f.editable = state == 0 || rights.awbEdit;
  bool anyMark = false;
  for (int32_t m : marks) anyMark = anyMark || m != 0;
  f.deletable = state == 0 && !anyMark;
  return f;
}

std::array<bool, kFeeCount> AmountsEnabled(const std::array<int32_t, kFeeCount>& marks,
                                           const AwbRights& rights) {
  std::array<bool, kFeeCount> enabled{};
  for (int i = 0; i < kFeeCount; ++i)
    enabled[static_cast<size_t>(i)] =
        rights.awbEdit && marks[static_cast<size_t>(kAmountLockMark[static_cast<size_t>(i)])] == 0;
  return enabled;
}

StateLabel LoadedStateLabel(int32_t state, const AwbRights& rights) {
  if (state != 0 && !rights.awbEdit) return {410003, 0x0000FF};
  return {rights.stateText ? 410001 : 410002, 0xFF0000};
}

std::string HeaderSql(std::u16string_view number) {
  return "SELECT cairline,cfrom,cdes,ddate,ipcs,iweight,itweight,ffreight,cpacking,ctransnote,"
         "csize,cmemo,nstate,cinput,creceiver,cagent,cphone,cflightno,dfdate,cairport,cflightno2,"
         "dfdate2,cairport2,cothercharge,cmark,cbroker,fcustout,fcustin,fdelivery,fother,ifreight,"
         "icustout,icustin,idelivery,iother,detd,deta,cccode,dcdate,ccno,ctranstype,ctradetype,"
         "ntype,isfreight,iscustout,iscustin,isdelivery,isother,csname,csaddr,csphone,cspostcode,"
         "nsendway,iitemi,iweightg,cpaynote,fabase,faaddon,fadoc,fatruck,fasafe,faother,faprice,"
         "faaddrate,nptype,cpayway,cgtype,cgoods FROM brantle.dbo.client_rec_pack WHERE cawb='" +
         QuoteSqlNarrow(GbkFromWide(number)) + "' AND ntype IN(0,1)";
}

std::span<const uint32_t> HeaderTypes() { return kHeaderTypes; }

bool ReadHeader(std::string_view reply, AwbHeader& h) {
  if (reply.size() <= 9 || JsonFindKey("List", reply) == kJsonNone) return false;
  std::string_view list = JsonListBody(reply, "List");
  std::string_view object;
  size_t pos = 0;
  if (!JsonNextObject(list, pos, object)) return false;
  JsonRowIndex r(object);
  auto text = [&r](int column, size_t n) { return r.GetWString(std::to_string(column), n); };
  auto integer = [&r](int column) { return r.GetInt(std::to_string(column), 0); };
  auto real = [&r](int column) { return r.GetDouble(std::to_string(column), 0); };
  auto date = [&](int column) { return Cut(text(column, 30), 16); };
  AwbHeader n;
  n.cairline = text(0, 15);
  n.cfrom = text(1, 63);
  n.cdes = text(2, 63);
  n.ddate = text(3, 30);
  n.ipcs = integer(4);
  n.iweight = integer(5);
  n.weight = Fixed(integer(6) * 0.001, 3);
  n.amounts[kFreight] = Fixed(real(7), 2);
  n.cpacking = text(8, 30);
  n.ctransnote = text(9, 63);
  n.csize = text(10, 30);
  n.cmemo = text(11, 255);
  n.nstate = integer(12);
  n.cinput = text(13, 30);
  n.creceiver = text(14, 15);
  n.cagent = text(15, 30);
  n.cphone = text(16, 30);
  n.cflightno = text(17, 15);
  n.dfdate = date(18);
  n.cairport = text(19, 7);
  n.cflightno2 = text(20, 15);
  n.dfdate2 = date(21);
  n.cairport2 = text(22, 7);
  n.cothercharge = text(23, 127);
  n.cmark = text(24, 15);
  n.cbroker = text(25, 63);
  n.amounts[kClearance] = Fixed(real(26), 2);    // fcustout
  n.amounts[kDeclaration] = Fixed(real(27), 2);  // fcustin
  n.amounts[kForwarding] = Fixed(real(28), 2);
  n.amounts[kOther] = Fixed(real(29), 2);
  for (int i = 0; i < kFeeCount; ++i) n.marks[static_cast<size_t>(i)] = integer(30 + i);
  n.detd = date(35);
  n.deta = date(36);
  n.cccode = text(37, 3);
  n.dcdate = date(38);
  n.ccno = text(39, 30);
  n.ctranstype = text(40, 15);
  n.ctradetype = text(41, 15);
  n.ntype = integer(42);
  for (int i = 0; i < kFeeCount; ++i) n.suppliers[static_cast<size_t>(i)] = integer(43 + i);
  n.csname = text(48, 63);
  n.csaddr = text(49, 126);
  n.csphone = text(50, 22);
  n.cspostcode = text(51, 15);
  n.nsendway = integer(52);
  n.iitemi = Ascii(std::to_string(integer(53)).c_str());
  n.gross = Fixed(integer(54) / 1000.0, 3);
  n.cpaynote = text(55, 63);
  for (int i = 0; i < kFeePartCount; ++i) n.feeParts[static_cast<size_t>(i)] = real(56 + i);
  n.faaddrate = real(63);
  n.nptype = integer(64);
  n.cpayway = text(65, 15);
  n.cgtype = text(66, 7);
  n.cgoods = text(67, 255);
  h = std::move(n);
  return true;
}

std::u16string NumberOfLoadText(std::u16string_view text) {
  const size_t lt = text.find(u'<');
  if (lt == std::u16string_view::npos) return std::u16string(text);
  std::u16string_view number = text.substr(0, lt);
  if (!number.empty()) number.remove_prefix(1);
  return std::u16string(number);
}

void SplitPrefix(std::u16string_view number, std::u16string& prefix, std::u16string& rest) {
  const size_t dash = number.find(u'-');
  if (dash == std::u16string_view::npos) {
    prefix.clear();
    rest = std::u16string(number);
    return;
  }
  prefix = std::u16string(number.substr(0, dash + 1));
  rest = std::u16string(number.substr(dash + 1));
}

int32_t CheckNewNumber(std::u16string_view number) {
  if (Trimmed(number).empty()) return 410085;
  if (number.find_first_of(u"'\"&<>") != std::u16string_view::npos) return 410086;
  return 0;
}

int32_t CheckAirports(std::u16string_view origin, std::u16string_view destination,
                      std::u16string_view firstFlight, const FlightPortCheck& check) {
  const std::string from = GbkFromWide(origin);
  const std::string to = GbkFromWide(destination);
  const std::string flight = GbkFromWide(Cut(Trimmed(firstFlight), 15));
  if (!check(from, flight, true)) return 410087;
  if (!check(to, flight, false)) return 410088;
  if (from == to) return 410089;
  return 0;
}

bool FreightFromPriceApplies(int32_t freightMark, bool switch18, bool awbEdit, double weightKg,
                             double freight) {
  return freightMark <= 0 && switch18 && awbEdit && weightKg >= 0.001 && freight < 0.01;
}

std::u16string AirportToSend(std::u16string_view airport, std::u16string_view origin,
                             std::u16string_view destination) {
  std::u16string a = Trimmed(airport);
  if (!a.empty()) return a;
  const std::u16string from = Trimmed(origin);
  const std::u16string to = Trimmed(destination);
  if (from.size() == 3 && to.size() == 3) return from + u"/" + to;
  return {};
}

std::string SaveSql(const AwbHeader& h, const SaveInput& in) {
  auto amount = [&](int fee) { return in.awbEdit ? Number(h.amounts[static_cast<size_t>(fee)]) : 0.0; };
  ArgumentList a("{?=CALL brantle.dbo.cp_client_rec_x_pack_set(");
  a.Int(in.isNew ? 1 : 0).Text(Upper(Trimmed(in.number)), 30).Text(h.cairline, 15);
  a.Text(h.cfrom, 63).Text(h.cdes, 63);
  a.Int(in.parcelRows).Int(in.chargeableGrams).Int(RoundScaled(Number(h.weight), 1000));
  a.Real(amount(kFreight), 2);
  a.Text(h.cpacking, 30).Text(h.ctransnote, 63).Text(h.csize, 30).Text(h.cmemo, 255);
  a.Text(in.userName, 30).Text(Lower(Trimmed(h.creceiver)), 15).Text(h.cagent, 30);
  a.Text(h.cphone, 30).Text(h.cflightno, 15).Text(NormalizeDateTimeText(Trimmed(h.dfdate)), 30);
  a.Text(AirportToSend(h.cairport, h.cfrom, h.cdes), 7).Text(h.cflightno2, 15);
  a.Text(NormalizeDateTimeText(Trimmed(h.dfdate2)), 30).Text(h.cairport2, 7);
  a.Text(h.cothercharge, 127).Text(h.cmark, 15).Text(h.cbroker, 63);
  a.Real(amount(kDeclaration), 2).Real(amount(kClearance), 2);
  a.Real(amount(kForwarding), 2).Real(amount(kOther), 2);
  a.Text(NormalizeDateText(Trimmed(h.detd)), 30).Text(NormalizeDateText(Trimmed(h.deta)), 30);
  a.Text(h.cccode, 3).Text(NormalizeDateText(Trimmed(h.dcdate)), 30).Text(h.ccno, 30);
  a.Text(h.ctranstype, 15).Text(u"", 0).Text(h.ctradetype, 15);
  a.Int(h.ntype == 1 ? 1 : 0).Text(u"KGM", 3).Text(in.station, 15).Text(u"", 0).Int(0);
  for (int32_t s : h.suppliers) a.Int(s);
  a.Text(h.csname, 63).Text(h.csaddr, 126).Text(h.csphone, 22).Text(h.cspostcode, 15);
  a.Int(h.nsendway).Int(static_cast<int64_t>(Number(h.iitemi))).Int(RoundScaled(Number(h.gross), 1000));
  a.Text(h.cpaynote, 63);
  for (double part : h.feeParts) a.Real(part, 2);
  a.Real(h.faaddrate, 4).Int(h.nptype).Text(h.cpayway, 15).Text(h.cgtype, 7).Text(h.cgoods, 255);
  return a.Finish();
}

std::string DeleteSql(std::u16string_view number, std::u16string_view userName) {
  return ArgumentList("{?=CALL brantle.dbo.cp_client_rec_pack_del(")
      .Text(number, 60)
      .Text(userName, 30)
      .Finish();
}

int32_t SaveRefusalText(int32_t code) {
  switch (code) {
    case -1: return 410091;
    case -2: return 20024;
    case -4: return 410092;
    case -5: return 410093;
    default: return 0;
  }
}

int32_t DeleteRefusalText(int32_t code) {
  switch (code) {
    case -2: return 360062;
    case -4: return 410094;
    case -5: return 410095;
    default: return 0;
  }
}

std::u16string PaneRowText(int32_t state, std::u16string_view number, std::u16string_view destination,
                           std::u16string_view etd, std::u16string_view agent) {
  std::u16string text(1, AwbStateMark(state));
  text += number;
  text += u'<';
  text += destination;
  text += u'>';
  if (std::atoi(GbkFromWide(Trimmed(etd)).c_str()) > 2000) {
    text += u'[';
    text += etd.substr(0, 10);
    text += u']';
  }
  text += agent;
  return text;
}

std::u16string AmountSumText(const std::array<std::u16string, kFeeCount>& amounts) {
  double sum = 0;
  for (const std::u16string& a : amounts) sum += Number(a);
  return u"Σ" + Fixed(sum, 2);
}

void ApplyDefaults(AwbHeader& h, const BagDefaults* d, std::u16string_view userName) {
  h.iitemi.clear();
  h.cinput = Cut(std::u16string(userName), 30);
  if (d == nullptr) return;
  h.cflightno = Wide(d->firstFlight);
  h.cairport = Wide(d->airport);
  h.cfrom = Wide(d->origin);
  h.cdes = Wide(d->destination);
  h.cccode = Wide(d->customsCode);
  h.ctranstype = Wide(d->transportMode);
  h.ctradetype = Wide(d->tradeMode);
  h.cmark = Wide(d->waybillLabel);
  h.cpacking = Wide(d->packing);
  h.ctransnote = Wide(d->consignmentMemo);
  h.ntype = d->type == 1 ? 1 : 0;
}

std::array<bool, kFeeCount> ApplyFlight(const FlightEntry& f, AwbHeader& h, std::u16string_view today,
                                        std::u16string_view tomorrow) {
  if (!f.cfrom.empty()) h.cfrom = Wide(f.cfrom);
  if (!f.cdes.empty()) h.cdes = Wide(f.cdes);
  h.cairport = Wide(f.cportb) + u"/" + Wide(f.cporte);
  if (f.wdepart >= 0 && f.warrive >= 0 &&
      ((h.deta.empty() && h.detd.empty()) || h.dfdate.empty())) {
    const std::u16string depart = Ascii(FormatHhmm(f.wdepart).c_str());
    const std::u16string arrive = Ascii(FormatHhmm(f.warrive).c_str());
    if (!depart.empty()) {
      const std::u16string at = std::u16string(today) + u" " + depart;
      if (h.detd.empty()) h.detd = at;
      if (h.dfdate.empty()) h.dfdate = at;
    }
    if (!arrive.empty() && h.deta.empty())
      h.deta = std::u16string(f.warrive < f.wdepart ? tomorrow : today) + u" " + arrive;
  }
  if (h.csname.empty() && h.csaddr.empty() && h.csphone.empty() && h.cspostcode.empty())
    ApplyFlightShipper(f, h);
  std::array<bool, kFeeCount> filled{};
  for (size_t i = 0; i < kFeeCount; ++i) {
    if (f.isid[i] > 0 && h.suppliers[i] == 0) {
      h.suppliers[i] = f.isid[i];
      filled[i] = true;
    }
  }
  return filled;
}

void ApplyFlightShipper(const FlightEntry& f, AwbHeader& h) {
  h.csname = Wide(f.csname);
  h.csaddr = Wide(f.csaddr);
  h.csphone = Wide(f.csphone);
  h.cspostcode = Wide(f.cspostcode);
}

std::u16string DateAtHalfPastTwelve(std::u16string_view date) { return std::u16string(date) + u" 12:30"; }

std::string TemplateListSql() {
  return GbkFromWide(u"SELECT cname FROM brantle.dbo.sys_model WHERE ckind='AWB导出' ORDER BY cname");
}

// ---- CAwbEditor ----

CAwbEditor::CAwbEditor(EditorServices services) : services_(std::move(services)) {}

void CAwbEditor::Show(int32_t textId) {
  if (services_.showMessage && services_.text) services_.showMessage(services_.text(textId));
}

void CAwbEditor::ShowServerError() {
  if (services_.showMessage && services_.lastErrorText) services_.showMessage(services_.lastErrorText());
}

void CAwbEditor::Clear() {
  const std::u16string airline = header.cairline;
  header = AwbHeader{};
  header.cairline = airline;
  ApplyDefaults(header, services_.defaults, services_.userName);
  numberEdit.clear();
  loadedNumber.clear();
  parcelListLoaded = false;
  parcelRows = 0;
  chargeableGrams = 0;
  flags = AwbFlags{};
}

bool CAwbEditor::Load(std::u16string_view text) {
  const std::u16string number = NumberOfLoadText(text);
  if (!services_.query) return false;
  std::string reply;
  const int length = services_.query(HeaderSql(number), HeaderTypes(), reply);
  AwbHeader read;
  if (length <= 9 || !ReadHeader(reply, read)) return false;
  loading = true;
  Clear();
  header = std::move(read);
  loadedNumber = number;
  SplitPrefix(number, prefix, numberEdit);
  flags = LoadedFlags(header.nstate, header.marks, services_.rights);
  stateLabel = LoadedStateLabel(header.nstate, services_.rights);
  loading = false;
  return true;
}

void CAwbEditor::TakeFlightPrice() {
  if (services_.airlines == nullptr) return;
  FlightPriceQuery q;
  q.cftno = NarrowFieldFromWide(header.cflightno, 15, false);
  q.itemType = header.nptype;
  q.weight = RoundScaled(Number(header.weight), 1000);
  std::array<double, kFeePartCount>& p = header.feeParts;
  q.freight = p[0];
  q.addRateFee = p[1];
  q.documentFee = p[2];
  q.fee1 = p[3];
  q.fee2 = p[4];
  q.otherFee = p[5];
  q.pricePerKg = p[6];
  q.addRate = header.faaddrate;
  if (services_.airlines->QueryFlightPrice(q) <= 0) return;
  p = {q.freight, q.addRateFee, q.documentFee, q.fee1, q.fee2, q.otherFee, q.pricePerKg};
  header.faaddrate = q.addRate;
  header.amounts[kFreight] = Fixed(p[0] + p[1] + p[2] + p[3] + p[4] + p[5], 2);
}

int CAwbEditor::Save() {
  if (!flags.editable) return 0;
  numberEdit = Trimmed(numberEdit);
  SaveInput in;
  in.isNew = loadedNumber.empty();
  if (in.isNew) {
    if (const int32_t refused = CheckNewNumber(numberEdit)) {
      Show(refused);
      return 0;
    }
    in.number = prefix + numberEdit;
  } else {
    in.number = loadedNumber;
  }
  const BagDefaults* d = services_.defaults;
  if (d != nullptr && d->checkAirport && services_.airlines != nullptr) {
    header.cfrom = Upper(Trimmed(header.cfrom));
    header.cdes = Upper(Trimmed(header.cdes));
    CAirlineTable* table = services_.airlines;
    const int32_t refused = CheckAirports(
        header.cfrom, header.cdes, header.cflightno,
        [table](std::string_view port, std::string_view flight, bool departure) {
          return table->CheckFlightPort(port, flight, departure);
        });
    if (refused != 0) {
      Show(refused);
      return 0;
    }
  }
  if (FreightFromPriceApplies(header.marks[kFreight], d != nullptr && d->switch18,
                              services_.rights.awbEdit, Number(header.weight),
                              Number(header.amounts[kFreight])))
    TakeFlightPrice();
  header.cairport = Trimmed(header.cairport);
  header.cfrom = Trimmed(header.cfrom);
  header.cdes = Trimmed(header.cdes);
  in.number = Upper(in.number);
  header.creceiver = Lower(header.creceiver);
  in.userName = services_.userName;
  in.station = services_.station;
  in.awbEdit = services_.rights.awbEdit;
  if (d != nullptr && d->switch25) {
    in.parcelRows = 0;
    in.chargeableGrams = 0;
  } else if (parcelListLoaded) {
    in.parcelRows = parcelRows;
    in.chargeableGrams = chargeableGrams;
  } else {
    // Until the parcel list is read the stored sums go back unchanged.
    in.parcelRows = header.ipcs;
    in.chargeableGrams = header.iweight;
  }
  static const uint32_t kTypes[] = {AcsTypeEntry(kSqlCSLong)};
  serverlink::ProcedureResult result;
  if (!services_.execute ||
      !serverlink::CallProcedure(services_.execute, SaveSql(header, in), kTypes, result)) {
    ShowServerError();
    return 0;
  }
  if (result.code < 0) {
    if (const int32_t text = SaveRefusalText(result.code))
      Show(text);
    else
      ShowServerError();
    return 0;
  }
  const std::u16string row = PaneRowText(in.isNew ? 0 : header.nstate, in.number, header.cdes,
                                         header.detd, header.cagent);
  const std::u16string savedNumber = in.number;
  Clear();
  if (paneSaved) paneSaved(savedNumber, row);
  return 1;
}

int CAwbEditor::Delete() {
  if (!flags.deletable || loadedNumber.empty()) return 0;
  if (!services_.confirmDelete || !services_.confirmDelete()) return 0;
  static const uint32_t kTypes[] = {AcsTypeEntry(kSqlCSLong)};
  serverlink::ProcedureResult result;
  if (!services_.execute ||
      !serverlink::CallProcedure(services_.execute, DeleteSql(loadedNumber, services_.userName),
                                 kTypes, result)) {
    ShowServerError();
    return 0;
  }
  if (result.code < 0) {
    if (const int32_t text = DeleteRefusalText(result.code))
      Show(text);
    else
      ShowServerError();
    return 0;
  }
  const std::u16string number = loadedNumber;
  Clear();
  if (paneDeleted) paneDeleted(number);
  return 1;
}

void CAwbEditor::ChooseAirline(std::u16string_view name) {
  header.cairline = std::u16string(name);
  Clear();
  if (services_.airlines == nullptr) return;
  std::string narrow = GbkFromWide(name);
  if (narrow.size() > 63) narrow.resize(63);
  for (const auto& airline : services_.airlines->Airlines()) {
    if (airline->cbrief == narrow) {
      prefix = Wide(airline->cprefix) + u"-";
      return;
    }
  }
}

std::array<bool, kFeeCount> CAwbEditor::TakeFlight(const FlightEntry& flight) {
  const QDate today = QDate::currentDate();
  const auto day = [](const QDate& d) {
    return QString::asprintf("%04d.%02d.%02d", d.year(), d.month(), d.day()).toStdU16String();
  };
  return ApplyFlight(flight, header, day(today), day(today.addDays(1)));
}

}  // namespace awb
