// Customer payments: a payment that settles waybill records
// (cp_client_fee_add_0 / _mod_0 / _del_0) and a payment without records
// (cp_client_fee_add_1 / _mod_1 / _del_1).  Each call runs in the one
// transaction the service gives every procedure: the payment row and the
// records it settles change together or not at all.  Everything is checked
// before anything is written, so a refusal leaves the data as it was.
//
// Money is handled in hundredths: ffee is the amount paid, ffeer the amount
// receivable (ffee plus the amount still owed), fchg the amount in the
// payment's own currency.
//
// Results: the payment id, or a refusal the client turns into a message:
//   -1 no such customer or payment, -2 another station's customer,
//   -3 a record is settled already, not the customer's or not payable,
//   -4 a record does not exist or the id list does not match its count,
//   -6 the payment is audited, -7 the payment date is unreadable.
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

int64_t Cents(const ProcArg& a) {
  const double v = a.AsReal();
  if (!std::isfinite(v)) throw ProcArgError("amount is no number");
  return std::llround(v * 100.0);
}

DbValue Money(int64_t cents) { return DbValue::OfReal(static_cast<double>(cents) / 100.0); }

// "2024.05.06 9:5:3.0" as "2024-05-06 09:05:03"; empty when unreadable.
std::string PaymentDate(const std::string& text) {
  int y = 0, m = 0, d = 0, h = 0, mi = 0, s = 0;
  const int n = std::sscanf(text.c_str(), "%d%*[./-]%d%*[./-]%d %d:%d:%d", &y, &m, &d, &h, &mi, &s);
  if (n < 3 || y < 1901 || y > 9999 || m < 1 || m > 12 || d < 1 || d > 31 || h < 0 || h > 23 ||
      mi < 0 || mi > 59 || s < 0 || s > 59)
    return {};
  char out[32];
  std::snprintf(out, sizeof out, "%04d-%02d-%02d %02d:%02d:%02d", y, m, d, h, mi, s);
  return out;
}

// The ids of the fixed ten-character slices; false when the text does not
// hold exactly `count` of them.
bool ReadIds(const std::string& text, int64_t count, std::vector<int64_t>& ids) {
  if (count < 0 || text.size() != static_cast<size_t>(count) * 10) return false;
  for (int64_t k = 0; k < count; ++k) {
    const std::string slice = text.substr(static_cast<size_t>(k) * 10, 10);
    char* end = nullptr;
    const long long id = std::strtoll(slice.c_str(), &end, 10);
    while (end && *end == ' ') ++end;
    if (!end || *end != '\0' || id <= 0) return false;
    ids.push_back(id);
  }
  return true;
}

// -3 / -4 when a record cannot be settled by payment `ownId` (0 for a new
// payment) of the customer.
int64_t CheckRecords(Database& db, int64_t customerId, int64_t ownId,
                     const std::vector<int64_t>& ids) {
  for (size_t k = 0; k < ids.size(); ++k)
    for (size_t j = 0; j < k; ++j)
      if (ids[j] == ids[k]) return -4;
  for (int64_t id : ids) {
    Statement row(db.Handle(), "SELECT icid,ifid,bpay,npayway FROM client_rec WHERE irid=?");
    row.Bind(1, id);
    if (!row.Step()) return -4;
    if (row.Column(0).AsInt() != customerId) return -3;
    const int64_t ifid = row.Column(1).AsInt();
    if (ifid != 0 && ifid != ownId) return -3;
    if (ifid == 0 && row.Column(2).AsInt() != 0) return -3;
    if (row.Column(3).AsInt() >= 2) return -3;
  }
  return 0;
}

void SettleRecords(Database& db, int64_t ifid, const std::vector<int64_t>& ids) {
  for (int64_t id : ids) {
    Statement st(db.Handle(), "UPDATE client_rec SET ifid=?,bpay=1 WHERE irid=?");
    st.Bind(1, ifid).Bind(2, id);
    st.Step();
  }
}

void ReleaseRecords(Database& db, int64_t ifid) {
  Statement st(db.Handle(), "UPDATE client_rec SET ifid=0,bpay=0 WHERE ifid=?");
  st.Bind(1, ifid);
  st.Step();
}

// The fields both kinds send, by position in the call.
struct FeeFields {
  int64_t amount = 0, owed = 0, foreign = 0;
  std::string invoice, date, handler, user, memo, docNo, refNo, tag, account, currency;
  int64_t payWay = 0;
};

// kind 0: ?, id, amount, invoice, date, handler, user, memo, docno, owed,
//         reserved, n, ids, payway, refno, tag, account, flag, currency, foreign
// kind 1: ?, id, amount, invoice, date, handler, user, memo, docno,
//         reserved, payway, refno, tag, account, currency, foreign
FeeFields ReadFields(const std::vector<ProcArg>& a, int kind) {
  FeeFields f;
  f.amount = Cents(a[2]);
  f.invoice = a[3].AsText();
  f.date = PaymentDate(a[4].AsText());
  f.handler = a[5].AsText();
  f.user = a[6].AsText();
  f.memo = a[7].AsText();
  f.docNo = a[8].AsText();
  const size_t p = kind == 0 ? 13 : 10;  // way of payment
  if (kind == 0) f.owed = Cents(a[9]);
  f.payWay = a[p].AsInt();
  f.refNo = a[p + 1].AsText();
  f.tag = a[p + 2].AsText();
  f.account = a[p + 3].AsText();
  f.currency = a[kind == 0 ? p + 5 : p + 4].AsText();
  f.foreign = Cents(a[kind == 0 ? p + 6 : p + 5]);
  if (f.payWay < 0 || f.payWay > 4) throw ProcArgError("way of payment out of range");
  return f;
}

void WriteFee(ProcContext& ctx, int64_t ifid, int64_t customerId, int kind, const FeeFields& f) {
  const bool added = ifid == 0;
  const char* sql =
      added ? "INSERT INTO client_fee(icid,ntype,ffee,ffeer,fchg,cmoney,dpdate,cinvoice,cdocno,"
              "crefno,cmark,caccount,cmname,cmemo,npayway,cinput,cauditor,dsysdate) "
              "VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,'',?)"
            : "UPDATE client_fee SET icid=?,ntype=?,ffee=?,ffeer=?,fchg=?,cmoney=?,dpdate=?,"
              "cinvoice=?,cdocno=?,crefno=?,cmark=?,caccount=?,cmname=?,cmemo=?,npayway=?,"
              "cinput=?,dsysdate=? WHERE ifid=?";
  const std::vector<DbValue> values = {
      DbValue::Of(customerId),       DbValue::Of(kind),
      Money(f.amount),               Money(kind == 0 ? f.amount + f.owed : 0),
      Money(f.foreign),              DbValue::OfText(f.currency),
      DbValue::OfText(f.date),       DbValue::OfText(f.invoice),
      DbValue::OfText(f.docNo),      DbValue::OfText(f.refNo),
      DbValue::OfText(f.tag),        DbValue::OfText(f.account),
      DbValue::OfText(f.handler),    DbValue::OfText(f.memo),
      DbValue::Of(f.payWay),         DbValue::OfText(f.user),
      DbValue::OfText(NowText())};
  Statement st(ctx.db.Handle(), sql);
  int k = 1;
  for (const DbValue& v : values) st.Bind(k++, v);
  if (!added) st.Bind(k, ifid);
  st.Step();
}

// The payment's customer, type and audit state; false when there is none.
struct FeeRow {
  int64_t customerId = 0;
  int64_t kind = 0;
  bool audited = false;
};
bool ReadFee(Database& db, int64_t ifid, FeeRow& out) {
  Statement row(db.Handle(), "SELECT icid,ntype,cauditor FROM client_fee WHERE ifid=?");
  row.Bind(1, ifid);
  if (!row.Step()) return false;
  out.customerId = row.Column(0).AsInt();
  out.kind = row.Column(1).AsInt();
  out.audited = !row.Column(2).AsText().empty();
  return true;
}

ProcResult Save(ProcContext& ctx, const std::vector<ProcArg>& a, int kind, bool added) {
  const int64_t id = a[1].AsInt();
  FeeFields f = ReadFields(a, kind);
  int64_t customerId = id;
  if (!added) {
    FeeRow fee;
    if (!ReadFee(ctx.db, id, fee)) return Result(-1);
    if (fee.kind != kind) return Result(-1);
    if (fee.audited) return Result(-6);
    customerId = fee.customerId;
  } else if (ctx.db.Scalar("SELECT count(*) FROM client_arc WHERE icid=?",
                           {DbValue::Of(customerId)}).AsInt() == 0) {
    return Result(-1);
  }
  if (!StationAllows(ctx.db, ctx.session, customerId)) return Result(-2);
  if (f.date.empty()) return Result(-7);
  std::vector<int64_t> ids;
  if (kind == 0) {
    if (!ReadIds(a[12].AsText(), a[11].AsInt(), ids) || ids.empty()) return Result(-4);
    if (int64_t refused = CheckRecords(ctx.db, customerId, added ? 0 : id, ids))
      return Result(refused);
  }
  // Checked: from here on the payment and its records are written together.
  if (!added && kind == 0) ReleaseRecords(ctx.db, id);
  WriteFee(ctx, added ? 0 : id, customerId, kind, f);
  const int64_t ifid = added ? ctx.db.LastInsertId() : id;
  SettleRecords(ctx.db, ifid, ids);
  return Result(ifid);
}

ProcResult Delete(ProcContext& ctx, const std::vector<ProcArg>& a, int kind) {
  const int64_t ifid = a[1].AsInt();
  FeeRow fee;
  if (!ReadFee(ctx.db, ifid, fee) || fee.kind != kind) return Result(-1);
  if (!StationAllows(ctx.db, ctx.session, fee.customerId)) return Result(-2);
  if (fee.audited) return Result(-6);
  ReleaseRecords(ctx.db, ifid);
  Statement st(ctx.db.Handle(), "DELETE FROM client_fee WHERE ifid=?");
  st.Bind(1, ifid);
  st.Step();
  return Result(ifid);
}

}  // namespace

void RegisterPaymentProcedures(ProcedureRegistry& registry) {
  registry.Add("cp_client_fee_add_0", 20, 20,
               [](ProcContext& c, const std::vector<ProcArg>& a) { return Save(c, a, 0, true); });
  registry.Add("cp_client_fee_mod_0", 20, 20,
               [](ProcContext& c, const std::vector<ProcArg>& a) { return Save(c, a, 0, false); });
  registry.Add("cp_client_fee_add_1", 16, 16,
               [](ProcContext& c, const std::vector<ProcArg>& a) { return Save(c, a, 1, true); });
  registry.Add("cp_client_fee_mod_1", 16, 16,
               [](ProcContext& c, const std::vector<ProcArg>& a) { return Save(c, a, 1, false); });
  registry.Add("cp_client_fee_del_0", 4, 4,
               [](ProcContext& c, const std::vector<ProcArg>& a) { return Delete(c, a, 0); });
  registry.Add("cp_client_fee_del_1", 3, 3,
               [](ProcContext& c, const std::vector<ProcArg>& a) { return Delete(c, a, 1); });
}

}  // namespace localserver
