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

// {?=CALL cp_client_rec_goods_set(irid, then for every line: 'name','unit',
//   quantity,price,'alias','code a','code b','code c',duty,rate,weight)}
// The waybill's goods lines become the given ones, numbered from 0, in the
// procedure's one transaction: the count of lines, or -1 when there is no
// such waybill.
ProcResult ClientRecGoodsSet(ProcContext& ctx, const std::vector<ProcArg>& a) {
  constexpr size_t kPerLine = 11;
  if ((a.size() - 1) % kPerLine != 0)
    throw ProcArgError("cp_client_rec_goods_set: irid and 11 values a line expected");
  ProcResult r;
  const int64_t irid = a[0].AsInt();
  if (ctx.db.Scalar("SELECT count(*) FROM client_rec WHERE irid=?", {DbValue::Of(irid)})
          .AsInt() == 0) {
    r.returnValue = -1;
    return r;
  }
  Statement del(ctx.db.Handle(), "DELETE FROM client_rec_goods WHERE irid=?");
  del.Bind(1, irid);
  del.Step();
  int64_t position = 0;
  for (size_t k = 1; k + kPerLine <= a.size(); k += kPerLine, ++position) {
    Statement st(ctx.db.Handle(),
                 "INSERT INTO client_rec_goods(wpos,irid,cgoods,cunit,iquantity,fprice,cgoodsa,"
                 "cgcodea,cgcodeb,cgcodec,fgcustom,fgcrate,fgweight) "
                 "VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?)");
    st.Bind(1, position).Bind(2, irid).Bind(3, a[k].AsText()).Bind(4, a[k + 1].AsText());
    st.Bind(5, a[k + 2].AsInt()).Bind(6, DbValue::OfReal(a[k + 3].AsReal()));
    st.Bind(7, a[k + 4].AsText()).Bind(8, a[k + 5].AsText()).Bind(9, a[k + 6].AsText());
    st.Bind(10, a[k + 7].AsText()).Bind(11, DbValue::OfReal(a[k + 8].AsReal()));
    st.Bind(12, DbValue::OfReal(a[k + 9].AsReal())).Bind(13, DbValue::OfReal(a[k + 10].AsReal()));
    st.Step();
  }
  r.returnValue = position;
  return r;
}

}  // namespace

void RegisterRecordCheckProcedures(ProcedureRegistry& registry) {
  registry.Add("cp_client_rec_add_4fee", 9, 9, ClientRecAdd4Fee);
  registry.Add("cp_client_rec_goods_set", 12, 1 + 11 * 1000, ClientRecGoodsSet);
}

}  // namespace localserver
