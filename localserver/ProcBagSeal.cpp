// Bag sealing: cp_client_rec_xbag_pack (seal with weight and dimensions),
// cp_client_rec_xbag_pack_s (seal a bag picked from the bag list, as
// stored) and cp_client_rec_xbag_pack_d (unseal).  The rules and result
// codes are listed in README.md ("Bag sealing procedures").
#include <string>
#include <vector>

#include "localserver/ProcHelpers.h"
#include "localserver/Procedures.h"

namespace localserver {

namespace {

struct SealBag {
  int64_t ixid = 0, nstate = 0, nshare = 0, items = 0;
  std::string cinput, cawb;
};

bool ReadSealBag(ProcContext& ctx, int64_t id, SealBag& bag) {
  Statement st(ctx.db.Handle(),
               "SELECT ixid,nstate,nshare,cinput,ifnull(cawb,''),"
               "(SELECT count(*) FROM client_rec_xbag_item i WHERE i.ixid=b.ixid) "
               "FROM client_rec_xbag b WHERE ixid=?");
  st.Bind(1, id);
  if (!st.Step()) return false;
  bag.ixid = st.Column(0).AsInt();
  bag.nstate = st.Column(1).AsInt();
  bag.nshare = st.Column(2).AsInt();
  bag.cinput = st.Column(3).AsText();
  bag.cawb = st.Column(4).AsText();
  bag.items = st.Column(5).AsInt();
  return true;
}

// Byte 0 bit 0x80 of the caller's "xRighti": bag supervision.
bool Supervises(ProcContext& ctx) {
  Statement st(ctx.db.Handle(), "SELECT mvrighti FROM man_main WHERE mcaccount=?");
  st.Bind(1, ctx.session.account);
  if (!st.Step()) return false;
  const std::string bytes = st.Column(0).AsText();
  return !bytes.empty() && (static_cast<unsigned char>(bytes[0]) & 0x80) != 0;
}

// The refusals of both seals, in this order: -2 no such bag, -5 on a master
// air waybill, -3 not open, -6 another user's exclusive bag without
// supervision, -4 no items; 0 when the bag may be sealed.
int64_t SealRefusal(ProcContext& ctx, int64_t id, const std::string& user, SealBag& bag) {
  if (!ReadSealBag(ctx, id, bag)) return -2;
  if (!bag.cawb.empty()) return -5;
  if (bag.nstate != 0) return -3;
  if (bag.nshare == 0 && bag.cinput != user && !Supervises(ctx)) return -6;
  if (bag.items == 0) return -4;
  return 0;
}

void MarkSealed(ProcContext& ctx, int64_t id, const std::string& user) {
  const std::string now = NowText();
  ctx.db.Scalar("UPDATE client_rec_xbag SET nstate=1,cpack=?,dpack=?,clastmod=?,dlastmod=? WHERE ixid=?",
                {DbValue::OfText(user), DbValue::OfText(now), DbValue::OfText(user), DbValue::OfText(now),
                 DbValue::Of(id)});
}

// (ixid,'user',kg,l,w,h,volume)
ProcResult Seal(ProcContext& ctx, const std::vector<ProcArg>& a) {
  const int64_t id = a[0].AsInt();
  const std::string& user = a[1].AsText();
  SealBag bag;
  if (const int64_t refused = SealRefusal(ctx, id, user, bag)) return Result(refused);
  const double weight = a[2].AsReal();
  const int64_t length = a[3].AsInt(), width = a[4].AsInt(), height = a[5].AsInt(), volume = a[6].AsInt();
  if (weight < 0 || length < 0 || width < 0 || height < 0 || volume < 0) return Result(-1);
  ctx.db.Scalar("UPDATE client_rec_xbag SET fweight=?,il=?,iw=?,ih=?,icub=? WHERE ixid=?",
                {DbValue::OfReal(weight), DbValue::Of(length), DbValue::Of(width), DbValue::Of(height),
                 DbValue::Of(volume), DbValue::Of(id)});
  MarkSealed(ctx, id, user);
  return Result(id);
}

// (ixid,'user'): the weight and dimensions stay as stored.
ProcResult SealPicked(ProcContext& ctx, const std::vector<ProcArg>& a) {
  const int64_t id = a[0].AsInt();
  const std::string& user = a[1].AsText();
  SealBag bag;
  if (const int64_t refused = SealRefusal(ctx, id, user, bag)) return Result(refused);
  MarkSealed(ctx, id, user);
  return Result(id);
}

// (ixid,'user'): -2 no such bag, -3 not sealed (state 1), -4 on a master
// air waybill or the caller lacks supervision.
ProcResult Unseal(ProcContext& ctx, const std::vector<ProcArg>& a) {
  const int64_t id = a[0].AsInt();
  const std::string& user = a[1].AsText();
  SealBag bag;
  if (!ReadSealBag(ctx, id, bag)) return Result(-2);
  if (bag.nstate != 1) return Result(-3);
  if (!bag.cawb.empty() || !Supervises(ctx)) return Result(-4);
  const std::string now = NowText();
  ctx.db.Scalar(
      "UPDATE client_rec_xbag SET nstate=0,cunpack=?,dunpack=?,clastmod=?,dlastmod=? WHERE ixid=?",
      {DbValue::OfText(user), DbValue::OfText(now), DbValue::OfText(user), DbValue::OfText(now),
       DbValue::Of(id)});
  return Result(id);
}

}  // namespace

void RegisterBagSealProcedures(ProcedureRegistry& registry) {
  registry.Add("cp_client_rec_xbag_pack", 7, 7, Seal);
  registry.Add("cp_client_rec_xbag_pack_s", 2, 2, SealPicked);
  registry.Add("cp_client_rec_xbag_pack_d", 2, 2, Unseal);
}

}  // namespace localserver
