// Pickup dispatch and courier messages: the courier assigned to a
// pre-input pickup order, and the notices queued for the messaging service.
#include <ctime>

#include "localserver/ProcHelpers.h"
#include "localserver/Procedures.h"
#include "localserver/Wire.h"

namespace localserver {

namespace {

// The queue the messaging service reads; made on first use.
void EnsureMessageQueue(Database& db) {
  db.Exec(
      "CREATE TABLE IF NOT EXISTS wc_mess_queue(iid INTEGER PRIMARY KEY AUTOINCREMENT, icid INTEGER, "
      "nsecond INTEGER, nkind INTEGER, csender TEXT, copenid TEXT, cfields TEXT, curl TEXT, "
      "vfields BLOB, ddate TEXT, nstate INTEGER DEFAULT 0)");
}

// {?=CALL cp_rec_pre_input_set_marshal(iid,'taker','user','remark','sender','address','phone')}
// An empty taker cancels the pickup.  Results: 0 done; -2 no such order;
// -4 the order is a waybill already.
ProcResult RecPreInputSetMarshal(ProcContext& ctx, const std::vector<ProcArg>& a) {
  ProcResult r;
  const int64_t iid = a[0].AsInt();
  DbValue irid = ctx.db.Scalar("SELECT irid FROM rec_pre_input WHERE iid=?", {DbValue::Of(iid)});
  if (irid.kind == DbValue::Null) {
    r.returnValue = -2;
    return r;
  }
  if (irid.AsInt() != 0) {
    r.returnValue = -4;
    return r;
  }
  const std::string now = NowText();
  const std::string& taker = a[1].AsText();
  Statement st(ctx.db.Handle(),
               "UPDATE rec_pre_input SET ctaker=?,dtake=?,cplan=?,dplan=?,nplan=nplan+1,cpmemo=?,"
               "csender=?,csaddr=?,csphone=? WHERE iid=?");
  st.Bind(1, taker).Bind(2, taker.empty() ? std::string("1900-01-01 00:00:00") : now);
  st.Bind(3, a[2].AsText()).Bind(4, now).Bind(5, a[3].AsText()).Bind(6, a[4].AsText());
  st.Bind(7, a[5].AsText()).Bind(8, a[6].AsText()).Bind(9, iid);
  st.Step();
  r.returnValue = 0;
  return r;
}

// {?=CALL cp_wc_mess_set(icid,second,kind,'sender','openid','fields','url')}
// Queues one notice; the result is 0.  The fields text is kept as sent
// (GBK bytes) beside its UTF-8 form.
ProcResult WcMessSet(ProcContext& ctx, const std::vector<ProcArg>& a) {
  EnsureMessageQueue(ctx.db);
  Statement st(ctx.db.Handle(),
               "INSERT INTO wc_mess_queue(icid,nsecond,nkind,csender,copenid,cfields,curl,vfields,ddate) "
               "VALUES(?,?,?,?,?,?,?,?,?)");
  st.Bind(1, a[0].AsInt()).Bind(2, a[1].AsInt()).Bind(3, a[2].AsInt());
  st.Bind(4, a[3].AsText()).Bind(5, a[4].AsText()).Bind(6, a[5].AsText()).Bind(7, a[6].AsText());
  st.Bind(8, DbValue::OfBlob(a[5].raw)).Bind(9, NowText());
  st.Step();
  ProcResult r;
  r.returnValue = 0;
  return r;
}

}  // namespace

void RegisterPickupProcedures(ProcedureRegistry& registry) {
  registry.Add("cp_rec_pre_input_set_marshal", 7, 7, RecPreInputSetMarshal);
  registry.Add("cp_wc_mess_set", 7, 7, WcMessSet);
}

}  // namespace localserver
