#include "localserver/ProcHelpers.h"

#include <cstdio>
#include <ctime>

#include "localserver/Wire.h"

namespace localserver {

ProcResult Result(int64_t value) {
  ProcResult r;
  r.returnValue = value;
  return r;
}

bool StationAllows(Database& db, const Session& session, int64_t customerId) {
  if (session.station.empty()) return true;
  return db.Scalar("SELECT cstation FROM client_arc WHERE icid=?", {DbValue::Of(customerId)})
             .AsText() == session.station;
}

std::string NowText() { return LocalDateTimeText(time(nullptr)); }

std::string WaybillDateValue(const std::string& text) {
  int y = 1900, m = 1, d = 1;
  if (std::sscanf(text.c_str(), "%d%*[./-]%d%*[./-]%d", &y, &m, &d) != 3 || y < 1900 || m < 1 ||
      m > 12 || d < 1 || d > 31)
    throw ProcArgError("bad date '" + text + "'");
  char out[32];
  std::snprintf(out, sizeof out, "%04d-%02d-%02d 00:00:00", y, m, d);
  return out;
}

DbValue WaybillArgValue(const ProcArg& arg, char kind) {
  switch (kind) {
    case 'i': return DbValue::Of(arg.AsInt());
    case 'f': return DbValue::OfReal(arg.AsReal());
    case 'd': return DbValue::OfText(WaybillDateValue(arg.AsText()));
    default: return DbValue::OfText(arg.AsText());
  }
}

std::string TextKeyEquals(const char* column, int parameter) {
  const std::string col = column, p = "?" + std::to_string(parameter);
  return "lower(rtrim(" + col + "))=lower(rtrim(" + p + ")) AND " + col + "=" + p;
}

int64_t WaybillNumberTaken(Database& db, const std::string& number, const std::string& transfer,
                           int64_t ownId) {
  if (!number.empty() &&
      db.Scalar("SELECT count(*) FROM client_rec WHERE " + TextKeyEquals("cnum", 1) + " AND irid<>?2",
                {DbValue::OfText(number), DbValue::Of(ownId)}).AsInt() > 0)
    return -3;
  if (!transfer.empty() && transfer != number &&
      db.Scalar("SELECT count(*) FROM client_rec WHERE " + TextKeyEquals("cserviceno", 1) + " AND irid<>?2",
                {DbValue::OfText(transfer), DbValue::Of(ownId)}).AsInt() > 0)
    return -5;
  return 0;
}

void UpdateWaybillRow(ProcContext& ctx, int64_t id, const std::vector<std::string>& names,
                      const std::vector<DbValue>& values) {
  std::string sql = "UPDATE client_rec SET dlastmod=?,clastmod=?";
  for (const std::string& name : names) sql += "," + name + "=?";
  Statement st(ctx.db.Handle(), sql + " WHERE irid=?");
  int k = 1;
  st.Bind(k++, NowText());
  st.Bind(k++, ctx.session.userName);
  for (const DbValue& v : values) st.Bind(k++, v);
  st.Bind(k, id);
  st.Step();
  Statement pieces(ctx.db.Handle(), "DELETE FROM client_rec_weight_detail WHERE irid=?");
  pieces.Bind(1, id);
  pieces.Step();
}

int64_t DeleteWaybillRow(ProcContext& ctx, int64_t id, bool stationBound) {
  Statement row(ctx.db.Handle(),
                "SELECT icid,nstate,ifid,ipid,iiid,iqid,ifsid,ifcid FROM client_rec WHERE irid=?");
  row.Bind(1, id);
  if (!row.Step()) return -1;
  if (stationBound && !StationAllows(ctx.db, ctx.session, row.Column(0).AsInt())) return -10;
  if (row.Column(1).AsInt() >= 1) return -2;
  for (int k = 2; k < 8; ++k)
    if (row.Column(k).AsInt() >= 1) return -1 - k;
  const DbValue key = DbValue::Of(id);
  if (ctx.db.Scalar("SELECT count(*) FROM client_rec_xbag_item WHERE irid=?", {key}).AsInt() > 0)
    return -11;
  if (ctx.db.Scalar("SELECT count(*) FROM check_detail WHERE irid=?", {key}).AsInt() > 0)
    return -13;
  // The goods lines through their key on irid+0 (Database.cpp).
  for (const char* where : {"client_rec_weight_detail WHERE irid=?1",
                            "client_rec_goods WHERE irid+0=?1", "client_rec WHERE irid=?1"}) {
    Statement st(ctx.db.Handle(), std::string("DELETE FROM ") + where);
    st.Bind(1, id);
    st.Step();
  }
  return id;
}

}  // namespace localserver
