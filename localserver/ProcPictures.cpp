// Parcel pictures: the position a waybill's next picture takes in
// client_rec_picc.  The client fills the row with an UPDATE right after.
#include <algorithm>
#include <set>

#include "localserver/ProcHelpers.h"
#include "localserver/Procedures.h"

namespace localserver {

namespace {

constexpr int64_t kLastPosition = 255;

// {?=CALL cp_client_rec_picc_set(irid,second,pos)}
// The wanted position when the waybill holds no picture there, else the
// next free one above it; the row is made (or an empty one reused) for the
// UPDATE that follows.  A position below 1 asks for 1.  The second id (the
// customer) is kept by the caller only.  Results: the position; -1 no such
// waybill; -2 no position up to 255 is free.
ProcResult ClientRecPiccSet(ProcContext& ctx, const std::vector<ProcArg>& a) {
  const int64_t irid = a[0].AsInt();
  if (ctx.db.Scalar("SELECT irid FROM client_rec WHERE irid=?", {DbValue::Of(irid)}).kind ==
      DbValue::Null)
    return Result(-1);
  const int64_t wanted = std::max<int64_t>(a[2].AsInt(), 1);
  // A row whose bytes never came is free again.
  std::set<int64_t> taken;
  Statement held(ctx.db.Handle(),
                 "SELECT npos FROM client_rec_picc WHERE irid=? AND vdata IS NOT NULL AND "
                 "length(vdata)>0");
  held.Bind(1, irid);
  while (held.Step()) taken.insert(held.Column(0).AsInt());
  int64_t pos = wanted;
  while (pos <= kLastPosition && taken.count(pos) != 0) ++pos;
  if (pos > kLastPosition) return Result(-2);
  Statement drop(ctx.db.Handle(), "DELETE FROM client_rec_picc WHERE irid=? AND npos=?");
  drop.Bind(1, irid).Bind(2, pos);
  drop.Step();
  Statement add(ctx.db.Handle(),
                "INSERT INTO client_rec_picc(irid,npos,ilen,cext,ddate,cinput) VALUES(?,?,0,'',?,?)");
  add.Bind(1, irid).Bind(2, pos).Bind(3, NowText()).Bind(4, ctx.session.userName);
  add.Step();
  return Result(pos);
}

}  // namespace

void RegisterPictureProcedures(ProcedureRegistry& registry) {
  registry.Add("cp_client_rec_picc_set", 3, 3, ClientRecPiccSet);
}

}  // namespace localserver
