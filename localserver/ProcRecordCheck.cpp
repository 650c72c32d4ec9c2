// Procedures of the record check imports: the fee of a waybill recorded as
// a fee waybill, and the goods lines of a waybill replaced in one step.
#include <ctime>

#include "localserver/ProcHelpers.h"
#include "localserver/Procedures.h"
#include "localserver/Wire.h"

namespace localserver {

namespace {

// {?=CALL cp_client_rec_add_4fee('number','number+suffix','kind',amount,weight,
//   'destination','label','user','note')}
// A fee waybill numbered with the suffix, of the found waybill's customer and
// business date: its id; -1 when that fee waybill exists already; -2 when no
// waybill has the number (within the caller's station).
ProcResult ClientRecAdd4Fee(ProcContext& ctx, const std::vector<ProcArg>& a) {
  ProcResult r;
  std::string where = "SELECT a.irid FROM client_rec a INNER JOIN client_arc b ON(a.icid=b.icid) "
                      "WHERE a.cnum=?";
  std::vector<DbValue> args{DbValue::OfText(a[0].AsText())};
  if (!ctx.session.station.empty()) {
    where += " AND b.cstation=?";
    args.push_back(DbValue::OfText(ctx.session.station));
  }
  const int64_t found = ctx.db.Scalar(where + " ORDER BY a.irid LIMIT 1", args).AsInt();
  if (found <= 0) {
    r.returnValue = -2;
    return r;
  }
  if (ctx.db.Scalar("SELECT count(*) FROM client_rec WHERE cnum=?",
                    {DbValue::OfText(a[1].AsText())}).AsInt() > 0) {
    r.returnValue = -1;
    return r;
  }
  Statement st(ctx.db.Handle(),
               "INSERT INTO client_rec(icid,cnum,cemskind,famount,fweight,cdes,cmark,cinput,"
               "cmemo,ddate,dsysdate,nitemtype,iitem,csender,creceiver,cstationt) "
               "SELECT icid,?,?,?,?,CASE WHEN ?='' THEN cdes ELSE ? END,?,?,?,ddate,?,nitemtype,"
               "1,csender,creceiver,cstationt FROM client_rec WHERE irid=?");
  st.Bind(1, a[1].AsText()).Bind(2, a[2].AsText());
  st.Bind(3, DbValue::OfReal(a[3].AsReal())).Bind(4, DbValue::OfReal(a[4].AsReal()));
  st.Bind(5, a[5].AsText()).Bind(6, a[5].AsText()).Bind(7, a[6].AsText());
  st.Bind(8, a[7].AsText()).Bind(9, a[8].AsText());
  st.Bind(10, NowText()).Bind(11, found);
  st.Step();
  r.returnValue = ctx.db.LastInsertId();
  return r;
}

}  // namespace

void RegisterRecordCheckProcedures(ProcedureRegistry& registry) {
  registry.Add("cp_client_rec_add_4fee", 9, 9, ClientRecAdd4Fee);
}

}  // namespace localserver
