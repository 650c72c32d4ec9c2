// Hand-over procedures of the hand-over desk: the check of a scanned number
// (cp_client_rec_send_x_check), the hand-over itself without and with a
// carrier price (cp_client_rec_send_scan_0, cp_client_rec_send_scan_1) and
// the cancellation of a whole batch or of one hand-over
// (cp_client_rec_send_cancel, cp_client_rec_send_cancel_s).
//
// Results:
//   check   the waybill id with the check text, or -2 no such waybill (of
//           the caller's station), -3 handed over already, -5 on hold
//           (ngstate 1), -6 the carrier is unknown or stopped, -10 the
//           transfer number belongs to several waybills, -11 the weight on
//           the scale differs from the waybill's by more than the allowed
//           grams (argument 6; -1 or no scale weight: no comparison);
//   scan    the waybill id, or -2 no such waybill, -3 handed over already,
//           -5 on hold;
//   cancel  the number of waybills given back, or -3 the first waybill is
//           not of that batch, -4 the batch holds another number of sent
//           waybills than the caller counted, -5 a waybill of the batch is in
//           a bag, -6 a waybill of another station;
//   cancel_s  the waybill id, or -3 no such waybill, -4 not handed over,
//           -6 in a bag, -7 another station's waybill.
//
// The check text: "V001" and line 0 "OK" (line 0 always has at least two
// characters, since the client looks for the first line feed two characters
// in), then 24 more lines: 1 destination, 2 transfer number, 3 the waybill's
// weight, 4 number, 5 the weight to hand over (the scale's when it sent one,
// else the waybill's), 6 sale price, 7 cost, 8 service kind, 9 pieces,
// 10 item type, 11 customer id, 12 waybill id, 13 language, 14-24 empty.
// No customer-id marker is written after the text.
#include <cmath>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "localserver/ProcHelpers.h"
#include "localserver/Procedures.h"
#include "localserver/Wire.h"

namespace localserver {

namespace {

std::string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

struct Waybill {
  int64_t irid = 0, icid = 0, nstate = 0, ngstate = 0, iitem = 0, nitemtype = 0, nlanguage = 0;
  double fweight = 0, fweights = 0, fsprice = 0, fcost = 0;
  std::string cnum, cserviceno, cdes, cemskind;
};

const char kWaybillColumns[] =
    "irid,icid,nstate,ngstate,iitem,nitemtype,nlanguage,fweight,fweights,fsprice,fcost,cnum,"
    "cserviceno,cdes,cemskind";

Waybill ReadWaybill(Statement& st) {
  Waybill w;
  w.irid = st.Column(0).AsInt();
  w.icid = st.Column(1).AsInt();
  w.nstate = st.Column(2).AsInt();
  w.ngstate = st.Column(3).AsInt();
  w.iitem = st.Column(4).AsInt();
  w.nitemtype = st.Column(5).AsInt();
  w.nlanguage = st.Column(6).AsInt();
  w.fweight = st.Column(7).AsReal();
  w.fweights = st.Column(8).AsReal();
  w.fsprice = st.Column(9).AsReal();
  w.fcost = st.Column(10).AsReal();
  w.cnum = st.Column(11).AsText();
  w.cserviceno = st.Column(12).AsText();
  w.cdes = st.Column(13).AsText();
  w.cemskind = st.Column(14).AsText();
  return w;
}

// The waybills of a number (internal number in mode 1, transfer number in
// mode 0) that the caller's station may see.
std::vector<Waybill> FindWaybills(ProcContext& ctx, const std::string& number, int mode) {
  std::vector<Waybill> found;
  if (number.empty()) return found;
  Statement st(ctx.db.Handle(), std::string("SELECT ") + kWaybillColumns + " FROM client_rec WHERE " +
                                    TextKeyEquals(mode == 1 ? "cnum" : "cserviceno", 1) + " ORDER BY irid");
  st.Bind(1, number);
  while (st.Step()) {
    Waybill w = ReadWaybill(st);
    if (StationAllows(ctx.db, ctx.session, w.icid)) found.push_back(w);
  }
  return found;
}

bool ReadWaybillById(ProcContext& ctx, int64_t id, Waybill& w) {
  Statement st(ctx.db.Handle(), std::string("SELECT ") + kWaybillColumns + " FROM client_rec WHERE irid=?");
  st.Bind(1, id);
  if (!st.Step()) return false;
  w = ReadWaybill(st);
  return true;
}

bool InBag(ProcContext& ctx, int64_t id) {
  return ctx.db.Scalar("SELECT count(*) FROM client_rec_xbag_item WHERE irid=?", {DbValue::Of(id)})
             .AsInt() > 0;
}

// {?=CALL cp_client_rec_send_x_check(?,'number',isid,batch,kg,check,sw25,'station',sw64,mode)}
ProcResult SendCheck(ProcContext& ctx, const std::vector<ProcArg>& a) {
  ProcResult r;
  r.outputs.push_back(DbValue::OfText(""));
  auto refuse = [&](int64_t code, std::string text = {}) {
    r.returnValue = code;
    r.outputs[0] = DbValue::OfText(std::move(text));
    return r;
  };
  const std::string& number = a[1].AsText();
  const int64_t carrier = a[2].AsInt();
  const double scaleKg = a[4].AsReal();
  const int64_t allowedGrams = a[5].AsInt();
  const int mode = static_cast<int>(a[9].AsInt());
  Statement sp(ctx.db.Handle(), "SELECT nstate FROM sp_arc WHERE isid=?");
  sp.Bind(1, carrier);
  if (!sp.Step() || sp.Column(0).AsInt() != 0) return refuse(-6);
  std::vector<Waybill> found = FindWaybills(ctx, number, mode);
  if (found.empty()) return refuse(-2);
  if (found.size() > 1) return refuse(-10);
  const Waybill& w = found[0];
  if (w.nstate >= 1) return refuse(-3);
  if (w.ngstate == 1) return refuse(-5);
  const double recorded = w.fweights > 0 ? w.fweights : w.fweight;
  if (scaleKg > 0 && allowedGrams >= 0) {
    const int64_t difference = std::llround(std::fabs(scaleKg - w.fweight) * 1000);
    if (difference > allowedGrams)
      return refuse(-11, "入重 " + Fixed(w.fweight, 3) + " kg，出重 " + Fixed(scaleKg, 3) +
                             " kg，相差 " + std::to_string(difference) + " g。");
  }
  const double handOver = scaleKg > 0 ? scaleKg : recorded;
  std::vector<std::string> lines = {"OK",
                                    w.cdes,
                                    w.cserviceno,
                                    Fixed(recorded, 3),
                                    w.cnum,
                                    Fixed(handOver, 3),
                                    Fixed(w.fsprice, 2),
                                    Fixed(w.fcost, 2),
                                    w.cemskind,
                                    std::to_string(w.iitem),
                                    std::to_string(w.nitemtype),
                                    std::to_string(w.icid),
                                    std::to_string(w.irid),
                                    std::to_string(w.nlanguage)};
  lines.resize(25);
  // A line feed inside a field would shift every line after it.
  for (std::string& line : lines)
    for (char& c : line)
      if (c == '\n' || c == '\r') c = ' ';
  std::string text = "V001";
  for (size_t k = 0; k < lines.size(); ++k) text += (k ? "\n" : "") + lines[k];
  r.returnValue = w.irid;
  r.outputs[0] = DbValue::OfText(text);
  return r;
}

// The hand-over itself; `priced` for cp_client_rec_send_scan_1.
ProcResult SendScan(ProcContext& ctx, const std::vector<ProcArg>& a, bool priced) {
  const int64_t id = a[0].AsInt();
  Waybill w;
  if (!ReadWaybillById(ctx, id, w) || !StationAllows(ctx.db, ctx.session, w.icid)) return Result(-2);
  if (w.nstate >= 1) return Result(-3);
  if (w.ngstate == 1) return Result(-5);
  // scan_0: id,isid,cname,'',batch,0,sale,user,'',kg,1
  // scan_1: id,isid,cname,cost,'',batch,0,sale,user,'',kg,1,base,addon,customs,0,0,0,extra,rate,ocustom
  const int shift = priced ? 1 : 0;
  const int64_t carrier = a[1].AsInt();
  const int64_t batch = a[4 + shift].AsInt();
  const double sale = a[6 + shift].AsReal();
  const std::string& user = a[7 + shift].AsText();
  const double kg = a[9 + shift].AsReal();
  std::string sql =
      "UPDATE client_rec SET isid=?,ibatch=?,nstate=1,dsenddate=?,fsprices=?,fweights=?,coutput=?";
  if (priced) sql += ",fcost=?,fsabase=?,fsaaddon=?,fsacustom=?,fsaother=?";
  Statement st(ctx.db.Handle(), sql + " WHERE irid=?");
  std::vector<DbValue> values = {DbValue::Of(carrier), DbValue::Of(batch), DbValue::OfText(NowText()),
                                 DbValue::OfReal(sale), DbValue::OfReal(kg), DbValue::OfText(user)};
  if (priced) {
    for (int n : {3, 12, 13, 20, 18}) values.push_back(DbValue::OfReal(a[n].AsReal()));
  }
  int k = 1;
  for (const DbValue& v : values) st.Bind(k++, v);
  st.Bind(k, id);
  st.Step();
  return Result(id);
}

ProcResult SendScan0(ProcContext& ctx, const std::vector<ProcArg>& a) { return SendScan(ctx, a, false); }
ProcResult SendScan1(ProcContext& ctx, const std::vector<ProcArg>& a) { return SendScan(ctx, a, true); }

const char kGiveBack[] =
    "UPDATE client_rec SET isid=0,ibatch=0,nstate=0,dsenddate='1900-01-01 00:00:00',fsprices=0,"
    "fsabase=0,fsaaddon=0,fsacustom=0,fsaother=0,coutput='' WHERE ";

// {?=CALL cp_client_rec_send_cancel(first irid,batch,rows)}
ProcResult SendCancel(ProcContext& ctx, const std::vector<ProcArg>& a) {
  const int64_t first = a[0].AsInt(), batch = a[1].AsInt(), rows = a[2].AsInt();
  Waybill w;
  if (batch <= 0 || !ReadWaybillById(ctx, first, w)) return Result(-3);
  if (ctx.db.Scalar("SELECT ibatch FROM client_rec WHERE irid=? AND isid>0",
                    {DbValue::Of(first)}).AsInt() != batch)
    return Result(-3);
  std::vector<int64_t> ids;
  Statement st(ctx.db.Handle(),
               "SELECT irid,icid FROM client_rec WHERE ibatch=? AND isid>0 AND nstate IN(1,2)");
  st.Bind(1, batch);
  bool foreign = false;
  while (st.Step()) {
    ids.push_back(st.Column(0).AsInt());
    if (!StationAllows(ctx.db, ctx.session, st.Column(1).AsInt())) foreign = true;
  }
  if (static_cast<int64_t>(ids.size()) != rows) return Result(-4);
  for (int64_t id : ids)
    if (InBag(ctx, id)) return Result(-5);
  if (foreign) return Result(-6);
  Statement back(ctx.db.Handle(), std::string(kGiveBack) + "ibatch=? AND isid>0 AND nstate IN(1,2)");
  back.Bind(1, batch);
  back.Step();
  return Result(static_cast<int64_t>(ids.size()));
}

// {?=CALL cp_client_rec_send_cancel_s(irid,'user')}
ProcResult SendCancelOne(ProcContext& ctx, const std::vector<ProcArg>& a) {
  const int64_t id = a[0].AsInt();
  Waybill w;
  if (!ReadWaybillById(ctx, id, w)) return Result(-3);
  const int64_t isid = ctx.db.Scalar("SELECT isid FROM client_rec WHERE irid=?", {DbValue::Of(id)}).AsInt();
  if (isid <= 0 || (w.nstate != 1 && w.nstate != 2)) return Result(-4);
  if (InBag(ctx, id)) return Result(-6);
  if (!StationAllows(ctx.db, ctx.session, w.icid)) return Result(-7);
  Statement back(ctx.db.Handle(), std::string(kGiveBack) + "irid=?");
  back.Bind(1, id);
  back.Step();
  return Result(id);
}

}  // namespace

void RegisterHandOverProcedures(ProcedureRegistry& registry) {
  registry.Add("cp_client_rec_send_x_check", 10, 10, SendCheck);
  registry.Add("cp_client_rec_send_scan_0", 11, 11, SendScan0);
  registry.Add("cp_client_rec_send_scan_1", 21, 21, SendScan1);
  registry.Add("cp_client_rec_send_cancel", 3, 3, SendCancel);
  registry.Add("cp_client_rec_send_cancel_s", 2, 2, SendCancelOne);
}

}  // namespace localserver
