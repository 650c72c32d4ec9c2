// Goods and transfer pictures: the position a record's next picture takes
// in w_goods_pic or rec_trans_pic.  The client fills the row with an
// UPDATE ("sDataPut") right after.  The rule is the one of the waybill
// pictures (cp_client_rec_picc_set).
#include <algorithm>
#include <set>
#include <string>

#include "localserver/ProcHelpers.h"
#include "localserver/Procedures.h"

namespace localserver {

namespace {

constexpr int64_t kLastPosition = 255;

// The wanted position when the record holds no picture there, else the next
// free one above it; a row whose bytes never came counts as free and is
// made again for the UPDATE that follows.  A position below 1 asks for 1.
// These tables hang on no record table here: a key of 0 or below is no
// record.  The second id is kept by the caller only.  Results: the
// position; -1 no such record; -2 no position up to 255 is free.
ProcResult AllotPicture(ProcContext& ctx, const std::vector<ProcArg>& a, const std::string& table,
                        const std::string& keyColumn, bool signs) {
  const int64_t key = a[0].AsInt();
  if (key <= 0) return Result(-1);
  const int64_t wanted = std::max<int64_t>(a[2].AsInt(), 1);
  std::set<int64_t> taken;
  Statement held(ctx.db.Handle(), "SELECT npos FROM " + table + " WHERE " + keyColumn +
                                      "=? AND vdata IS NOT NULL AND length(vdata)>0");
  held.Bind(1, key);
  while (held.Step()) taken.insert(held.Column(0).AsInt());
  int64_t pos = wanted;
  while (pos <= kLastPosition && taken.count(pos) != 0) ++pos;
  if (pos > kLastPosition) return Result(-2);
  Statement drop(ctx.db.Handle(),
                 "DELETE FROM " + table + " WHERE " + keyColumn + "=? AND npos=?");
  drop.Bind(1, key).Bind(2, pos);
  drop.Step();
  Statement add(ctx.db.Handle(), "INSERT INTO " + table + "(" + keyColumn +
                                     ",npos,ilen,cext,ddate,cinput) VALUES(?,?,0,'',?,?)");
  add.Bind(1, key).Bind(2, pos).Bind(3, NowText()).Bind(4, signs ? ctx.session.userName : "");
  add.Step();
  return Result(pos);
}

// {?=CALL cp_w_goods_pic_set(giid,second,pos)}
ProcResult GoodsPicSet(ProcContext& ctx, const std::vector<ProcArg>& a) {
  return AllotPicture(ctx, a, "w_goods_pic", "giid", false);
}

// {?=CALL cp_rec_trans_pic_set(iid,second,pos)}
ProcResult TransferPicSet(ProcContext& ctx, const std::vector<ProcArg>& a) {
  return AllotPicture(ctx, a, "rec_trans_pic", "iid", true);
}

}  // namespace

void RegisterRecordPictureProcedures(ProcedureRegistry& registry) {
  registry.Add("cp_w_goods_pic_set", 3, 3, GoodsPicSet);
  registry.Add("cp_rec_trans_pic_set", 3, 3, TransferPicSet);
}

}  // namespace localserver
