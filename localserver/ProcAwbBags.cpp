// Bags on master air waybills: a sealed bag put on a master air waybill by
// its number or id (cp_client_rec_xbag_2_awb_add_xno_exxx, _add_id_exxx,
// answered with the result and the bag's twelve fields), taken off again
// (cp_client_rec_xbag_2_awb_del_id) and renamed (cp_client_rec_xbag_alter).
// Each runs in the one transaction of its request.  The rules and result
// codes are listed in README.md ("Bags on master air waybills").
#include <string>
#include <vector>

#include "localserver/ProcHelpers.h"
#include "localserver/Procedures.h"

namespace localserver {

namespace {

struct LoadBag {
  int64_t ixid = 0, nstate = 0;
  std::string cawb;
};

bool ReadLoadBag(ProcContext& ctx, const std::string& where, const DbValue& key, LoadBag& bag) {
  Statement st(ctx.db.Handle(), "SELECT ixid,nstate,ifnull(cawb,'') FROM client_rec_xbag WHERE " + where);
  st.Bind(1, key);
  if (!st.Step()) return false;
  bag.ixid = st.Column(0).AsInt();
  bag.nstate = st.Column(1).AsInt();
  bag.cawb = st.Column(2).AsText();
  return true;
}

// The state of a master air waybill (ntype 0 or 1); -1 when there is none.
int64_t AwbState(ProcContext& ctx, const std::string& number) {
  if (number.empty()) return -1;
  const DbValue state = ctx.db.Scalar("SELECT nstate FROM client_rec_pack WHERE cawb=? AND ntype IN(0,1)",
                                      {DbValue::OfText(number)});
  return state.kind == DbValue::Null ? -1 : state.AsInt();
}

// The twelve outputs of an add: the bag's fields after the change, or
// empty values for a refusal.
ProcResult AddAnswer(ProcContext& ctx, int64_t code, int64_t bagId) {
  ProcResult r;
  r.returnValue = code;
  if (code > 0) {
    Statement st(ctx.db.Handle(),
                 "SELECT cxno,cfrom,cdes,cinput,dsysdate,iitem,corder,chno,fweight,chorder,cby4,cmemo "
                 "FROM client_rec_xbag WHERE ixid=?");
    st.Bind(1, bagId);
    if (st.Step()) {
      for (int c = 0; c < 12; ++c) r.outputs.push_back(st.Column(c));
      return r;
    }
  }
  for (int c = 0; c < 12; ++c) r.outputs.push_back(c == 5 || c == 8 ? DbValue::Of(0) : DbValue::OfText(""));
  return r;
}

// (?x12, 'cxno' | ixid, 'cawb', 'user')
ProcResult AddToAwb(ProcContext& ctx, const std::vector<ProcArg>& a, bool byId) {
  LoadBag bag;
  bool found = false;
  if (byId) {
    found = ReadLoadBag(ctx, "ixid=?", DbValue::Of(a[12].AsInt()), bag);
  } else {
    const std::string& number = a[12].AsText();
    found = !number.empty() && ReadLoadBag(ctx, "cxno=?", DbValue::OfText(number), bag);
  }
  if (!found) return AddAnswer(ctx, -2, 0);
  if (bag.nstate == 0) return AddAnswer(ctx, -3, 0);
  if (bag.nstate >= 2 || !bag.cawb.empty()) return AddAnswer(ctx, -4, 0);
  const std::string& awb = a[13].AsText();
  if (AwbState(ctx, awb) != 0) return AddAnswer(ctx, -5, 0);
  ctx.db.Scalar("UPDATE client_rec_xbag SET nstate=2,cawb=?,caddawb=?,daddawb=? WHERE ixid=?",
                {DbValue::OfText(awb), DbValue::OfText(a[14].AsText()), DbValue::OfText(NowText()),
                 DbValue::Of(bag.ixid)});
  return AddAnswer(ctx, bag.ixid, bag.ixid);
}

ProcResult AddByNumber(ProcContext& ctx, const std::vector<ProcArg>& a) { return AddToAwb(ctx, a, false); }
ProcResult AddById(ProcContext& ctx, const std::vector<ProcArg>& a) { return AddToAwb(ctx, a, true); }

// (ixid,'cawb','user')
ProcResult TakeOff(ProcContext& ctx, const std::vector<ProcArg>& a) {
  LoadBag bag;
  if (!ReadLoadBag(ctx, "ixid=?", DbValue::Of(a[0].AsInt()), bag)) return Result(-2);
  const std::string& awb = a[1].AsText();
  if (awb.empty() || bag.cawb != awb) return Result(-3);
  if (bag.nstate > 2 || AwbState(ctx, awb) != 0) return Result(-4);
  ctx.db.Scalar("UPDATE client_rec_xbag SET nstate=1,cawb='',caddawb='',daddawb=NULL,clastmod=?,dlastmod=? "
                "WHERE ixid=?",
                {DbValue::OfText(a[2].AsText()), DbValue::OfText(NowText()), DbValue::Of(bag.ixid)});
  return Result(bag.ixid);
}

bool ValidNumber(const std::string& number) {
  return !number.empty() && number.size() <= 30 && number.find_first_of("'\"&<>,+") == std::string::npos;
}

// (ixid,'new cxno','user')
ProcResult Rename(ProcContext& ctx, const std::vector<ProcArg>& a) {
  LoadBag bag;
  if (!ReadLoadBag(ctx, "ixid=?", DbValue::Of(a[0].AsInt()), bag)) return Result(-2);
  const std::string& number = a[1].AsText();
  if (!ValidNumber(number)) return Result(0);
  if (bag.nstate > 2) return Result(-3);
  if (!bag.cawb.empty() && AwbState(ctx, bag.cawb) > 0) return Result(-4);
  if (ctx.db.Scalar("SELECT count(*) FROM client_rec_xbag WHERE cxno=? AND ixid<>?",
                    {DbValue::OfText(number), DbValue::Of(bag.ixid)})
          .AsInt() > 0)
    return Result(-1);
  ctx.db.Scalar("UPDATE client_rec_xbag SET cxno=?,clastmod=?,dlastmod=? WHERE ixid=?",
                {DbValue::OfText(number), DbValue::OfText(a[2].AsText()), DbValue::OfText(NowText()),
                 DbValue::Of(bag.ixid)});
  return Result(bag.ixid);
}

}  // namespace

void RegisterAwbBagProcedures(ProcedureRegistry& registry) {
  registry.Add("cp_client_rec_xbag_2_awb_add_xno_exxx", 15, 15, AddByNumber);
  registry.Add("cp_client_rec_xbag_2_awb_add_id_exxx", 15, 15, AddById);
  registry.Add("cp_client_rec_xbag_2_awb_del_id", 3, 3, TakeOff);
  registry.Add("cp_client_rec_xbag_alter", 3, 3, Rename);
}

}  // namespace localserver
