// Bag procedures of the bagging desk: the bag header (cp_client_rec_xbag_add,
// _mod, _del), the item adds by waybill id or number, per waybill or per
// piece (cp_client_rec_xbag_itemm_add_id, _itemm_add_no, _item_add_id,
// _item_add_no) and the item removals (cp_client_rec_xbag_itemm_del,
// _item_del).  The rules and result codes are listed in README.md
// ("Bag procedures").
#include <cmath>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "localserver/ProcHelpers.h"
#include "localserver/Procedures.h"

namespace localserver {

namespace {

// Rights byte `position` of the caller's "xRighti".
int RightsByte(ProcContext& ctx, int position) {
  Statement st(ctx.db.Handle(), "SELECT mvrighti FROM man_main WHERE mcaccount=?");
  st.Bind(1, ctx.session.account);
  if (!st.Step()) return 0;
  const std::string bytes = st.Column(0).AsText();
  return position < static_cast<int>(bytes.size()) ? static_cast<unsigned char>(bytes[position]) : 0;
}
bool BaggingRight(ProcContext& ctx) { return (RightsByte(ctx, 0) & 0x40) != 0; }
bool SupervisionRight(ProcContext& ctx) { return (RightsByte(ctx, 0) & 0x80) != 0; }

struct Bag {
  int64_t ixid = 0, nstate = 0, nshare = 0;
  std::string cxno, cinput, cawb;
};

bool ReadBag(ProcContext& ctx, int64_t id, Bag& bag) {
  Statement st(ctx.db.Handle(),
               "SELECT ixid,nstate,nshare,cxno,cinput,ifnull(cawb,'') FROM client_rec_xbag WHERE ixid=?");
  st.Bind(1, id);
  if (!st.Step()) return false;
  bag.ixid = st.Column(0).AsInt();
  bag.nstate = st.Column(1).AsInt();
  bag.nshare = st.Column(2).AsInt();
  bag.cxno = st.Column(3).AsText();
  bag.cinput = st.Column(4).AsText();
  bag.cawb = st.Column(5).AsText();
  return true;
}

bool OpenOffAwb(const Bag& bag) { return bag.nstate == 0 && bag.cawb.empty(); }

bool NumberTaken(ProcContext& ctx, const std::string& number, int64_t ownId) {
  return ctx.db.Scalar("SELECT count(*) FROM client_rec_xbag WHERE cxno=? AND ixid<>?",
                       {DbValue::OfText(number), DbValue::Of(ownId)})
             .AsInt() > 0;
}

bool ValidBagNumber(const std::string& number) {
  if (number.empty() || number.size() > 30) return false;
  return number.find_first_of("'\"&<>,+") == std::string::npos;
}

// The header columns of add and mod, from argument `first` on.
const char* const kHeaderArgColumns[] = {"cxno", "cfrom", "cdes", "cstation", "cstationd", "cmark",
                                         "ctype", "ctransnote", "cmemo"};

void CountBagItems(ProcContext& ctx, int64_t bagId) {
  ctx.db.Scalar("UPDATE client_rec_xbag SET iitem=(SELECT count(*) FROM client_rec_xbag_item "
                "WHERE ixid=?) WHERE ixid=?",
                {DbValue::Of(bagId), DbValue::Of(bagId)});
}

void CountWaybillPieces(ProcContext& ctx, int64_t waybillId) {
  ctx.db.Scalar("UPDATE client_rec SET ixbag=(SELECT count(*) FROM client_rec_xbag_item WHERE "
                "irid=?)+(SELECT count(*) FROM client_rec_xbag_item_u WHERE irid=?) WHERE irid=?",
                {DbValue::Of(waybillId), DbValue::Of(waybillId), DbValue::Of(waybillId)});
}

// add: 'cxno',...,'cmemo',0,share,'corder','user',kg,l,w,h,vol,'cby1'..'cby5','chno','chorder'
// mod: the bag id first, then the same.
ProcResult SaveBag(ProcContext& ctx, const std::vector<ProcArg>& args, bool modify) {
  const size_t s = modify ? 1 : 0;
  auto a = [&](size_t n) -> const ProcArg& { return args[n + s]; };
  const std::string number = a(0).AsText();
  if (!ValidBagNumber(number)) return Result(-4);
  if (!BaggingRight(ctx)) return Result(-4);
  const int64_t share = a(10).AsInt();
  const std::string& user = a(12).AsText();
  int64_t id = 0;
  Bag bag;
  if (modify) {
    id = args[0].AsInt();
    if (!ReadBag(ctx, id, bag)) return Result(-2);
    if (!OpenOffAwb(bag)) return Result(-4);
    const bool own = bag.cinput == user;
    if (!own && bag.nshare == 0 && !SupervisionRight(ctx)) return Result(-4);
  }
  if (NumberTaken(ctx, number, id)) return Result(-1);
  const int64_t length = a(14).AsInt(), width = a(15).AsInt(), height = a(16).AsInt();
  if (length < 0 || width < 0 || height < 0) return Result(-4);
  std::vector<std::string> names(std::begin(kHeaderArgColumns), std::end(kHeaderArgColumns));
  std::vector<DbValue> values;
  for (size_t k = 0; k < names.size(); ++k) values.push_back(DbValue::OfText(a(k).AsText()));
  auto put = [&](const char* name, DbValue v) {
    names.emplace_back(name);
    values.push_back(std::move(v));
  };
  put("nshare", DbValue::Of(share == 9 && modify ? bag.nshare : share));
  put("corder", DbValue::OfText(a(11).AsText()));
  put("fweight", DbValue::OfReal(a(13).AsReal()));
  put("il", DbValue::Of(length));
  put("iw", DbValue::Of(width));
  put("ih", DbValue::Of(height));
  put("icub", DbValue::Of(a(17).AsInt()));
  for (int k = 0; k < 5; ++k) put(("cby" + std::to_string(k + 1)).c_str(), DbValue::OfText(a(18 + k).AsText()));
  put("chno", DbValue::OfText(a(23).AsText()));
  put("chorder", DbValue::OfText(a(24).AsText()));
  put("clastmod", DbValue::OfText(user));
  put("dlastmod", DbValue::OfText(NowText()));
  std::string sql;
  if (modify) {
    sql = "UPDATE client_rec_xbag SET ";
    for (size_t k = 0; k < names.size(); ++k) sql += (k ? "," : "") + names[k] + "=?";
    sql += " WHERE ixid=?";
    values.push_back(DbValue::Of(id));
  } else {
    put("nstate", DbValue::Of(0));
    put("ntype", DbValue::Of(0));
    put("cawb", DbValue::OfText(""));
    put("iitem", DbValue::Of(0));
    put("cinput", DbValue::OfText(user));
    put("dsysdate", DbValue::OfText(NowText()));
    sql = "INSERT INTO client_rec_xbag(";
    std::string marks;
    for (size_t k = 0; k < names.size(); ++k) {
      sql += (k ? "," : "") + names[k];
      marks += k ? ",?" : "?";
    }
    sql += ") VALUES(" + marks + ")";
  }
  Statement st(ctx.db.Handle(), sql);
  for (size_t k = 0; k < values.size(); ++k) st.Bind(static_cast<int>(k + 1), values[k]);
  st.Step();
  return Result(modify ? id : ctx.db.LastInsertId());
}

ProcResult AddBag(ProcContext& ctx, const std::vector<ProcArg>& a) { return SaveBag(ctx, a, false); }
ProcResult ModifyBag(ProcContext& ctx, const std::vector<ProcArg>& a) { return SaveBag(ctx, a, true); }

// (ixid,'user')
ProcResult DeleteBag(ProcContext& ctx, const std::vector<ProcArg>& a) {
  Bag bag;
  if (!ReadBag(ctx, a[0].AsInt(), bag)) return Result(-2);
  const bool own = bag.cinput == a[1].AsText();
  if (!OpenOffAwb(bag) || !(own || SupervisionRight(ctx))) return Result(-4);
  if (ctx.db.Scalar("SELECT count(*) FROM client_rec_xbag_item WHERE ixid=?", {DbValue::Of(bag.ixid)})
          .AsInt() > 0)
    return Result(-4);
  ctx.db.Scalar("DELETE FROM client_rec_xbag WHERE ixid=?", {DbValue::Of(bag.ixid)});
  return Result(bag.ixid);
}

// ---- Items ----

struct Waybill {
  int64_t irid = 0, icid = 0, iitem = 0, ngstate = 0;
  double fweight = 0, fweights = 0;
  std::string cawb;
};

const char kWaybillColumns[] = "irid,icid,iitem,ngstate,fweight,fweights,ifnull(cawb,'')";

Waybill ReadWaybill(Statement& st) {
  Waybill w;
  w.irid = st.Column(0).AsInt();
  w.icid = st.Column(1).AsInt();
  w.iitem = st.Column(2).AsInt();
  w.ngstate = st.Column(3).AsInt();
  w.fweight = st.Column(4).AsReal();
  w.fweights = st.Column(5).AsReal();
  w.cawb = st.Column(6).AsText();
  return w;
}

bool WaybillById(ProcContext& ctx, int64_t id, Waybill& w) {
  Statement st(ctx.db.Handle(), std::string("SELECT ") + kWaybillColumns + " FROM client_rec WHERE irid=?");
  st.Bind(1, id);
  if (!st.Step()) return false;
  w = ReadWaybill(st);
  return StationAllows(ctx.db, ctx.session, w.icid);
}

// The waybills of a number (kind "0" waybill number, "1" transfer number),
// and the piece position when the number is a piece's (0 otherwise).
std::vector<std::pair<Waybill, int64_t>> WaybillsByNumber(ProcContext& ctx, const std::string& number,
                                                           int kind) {
  std::vector<std::pair<Waybill, int64_t>> found;
  if (number.empty()) return found;
  {
    Statement st(ctx.db.Handle(), std::string("SELECT ") + kWaybillColumns + " FROM client_rec WHERE " +
                                      TextKeyEquals(kind == 0 ? "cnum" : "cserviceno", 1) + " ORDER BY irid");
    st.Bind(1, number);
    while (st.Step()) {
      Waybill w = ReadWaybill(st);
      if (StationAllows(ctx.db, ctx.session, w.icid)) found.emplace_back(w, 0);
    }
  }
  if (!found.empty()) return found;
  Statement pieces(ctx.db.Handle(), std::string("SELECT irid,wpos FROM client_rec_weight_detail WHERE ") +
                                        TextKeyEquals(kind == 0 ? "cnum" : "cno", 1) + " ORDER BY irid,wpos");
  pieces.Bind(1, number);
  while (pieces.Step()) {
    Waybill w;
    if (WaybillById(ctx, pieces.Column(0).AsInt(), w)) found.emplace_back(w, pieces.Column(1).AsInt());
  }
  return found;
}

bool PieceBagged(ProcContext& ctx, int64_t waybillId, int64_t position) {
  return ctx.db.Scalar("SELECT count(*) FROM client_rec_xbag_item WHERE irid=? AND wpos=?",
                       {DbValue::Of(waybillId), DbValue::Of(position)})
             .AsInt() > 0;
}

// The warning a repeated call lets through: per login, the last call
// answered with a warning.
std::mutex warnedMutex;
std::map<int32_t, std::string> warnedCalls;

std::string CallKey(const char* name, const std::vector<ProcArg>& args) {
  std::string key = name;
  for (const ProcArg& a : args) key += "|" + std::to_string(a.kind) + ":" + a.raw + ":" + std::to_string(a.i) + ":" + std::to_string(a.d);
  return key;
}

// The weight and balance checks: a warning code, or 0.
int64_t CheckWarnings(ProcContext& ctx, const Waybill& w, int64_t tolerance, int64_t balance,
                      const char* name, const std::vector<ProcArg>& args) {
  int64_t warning = 0;
  if (tolerance >= 0 && w.fweights > 0 &&
      std::llround(std::fabs(w.fweights - w.fweight) * 1000) > tolerance)
    warning = -100000005;
  else if (balance == 1 &&
           ctx.db.Scalar("SELECT count(*) FROM client_arc WHERE icid=? AND ifnull(fcredit,0)>0 AND "
                         "ifnull(fpay0,0)+ifnull(fpay1,0)+ifnull(fpay2,0)>fcredit",
                         {DbValue::Of(w.icid)})
                   .AsInt() > 0)
    warning = -100000006;
  if (warning == 0) return 0;
  const std::string key = CallKey(name, args);
  std::lock_guard<std::mutex> lock(warnedMutex);
  auto it = warnedCalls.find(ctx.session.loginNumber);
  if (it != warnedCalls.end() && it->second == key) {
    warnedCalls.erase(it);
    return 0;
  }
  warnedCalls[ctx.session.loginNumber] = key;
  return warning;
}

void InsertItem(ProcContext& ctx, int64_t bagId, int64_t waybillId, int64_t position,
                const std::string& user) {
  Statement st(ctx.db.Handle(),
               "INSERT INTO client_rec_xbag_item(ixid,irid,wpos,cinput,ddate) VALUES(?,?,?,?,?)");
  st.Bind(1, bagId).Bind(2, waybillId).Bind(3, position).Bind(4, user).Bind(5, NowText());
  st.Step();
}

// The common part of the four adds.  `position` 0: the whole waybill
// (per-waybill items) or, for pieces, the first piece not bagged.
ProcResult AddItems(ProcContext& ctx, const char* name, const std::vector<ProcArg>& args,
                    int64_t bagId, const Waybill* byId, const std::string& number, int kind,
                    int64_t position, bool perWaybill, const std::string& user, size_t checksFrom,
                    bool withOutput) {
  ProcResult r;
  if (withOutput) r.outputs.push_back(DbValue::Of(1));
  auto fail = [&r](int64_t code) {
    r.returnValue = code;
    return r;
  };
  Bag bag;
  if (!ReadBag(ctx, bagId, bag)) return fail(-3);
  if (!OpenOffAwb(bag)) return fail(-4);
  Waybill w;
  int64_t piece = position;
  if (byId != nullptr) {
    w = *byId;
  } else {
    auto found = WaybillsByNumber(ctx, number, kind);
    if (found.empty()) return fail(-2);
    if (found.size() > 1) return fail(-13);
    w = found[0].first;
    if (found[0].second > 0) piece = found[0].second;
  }
  if (!w.cawb.empty()) return fail(-12);
  if (w.ngstate == 1) return fail(-116);
  const int64_t pieces = std::max<int64_t>(w.iitem, 1);
  if (piece < 0 || piece > pieces) return fail(-115);
  std::vector<int64_t> positions;
  if (perWaybill && piece == 0) {
    for (int64_t p = 1; p <= pieces; ++p)
      if (!PieceBagged(ctx, w.irid, p)) positions.push_back(p);
  } else if (piece == 0) {
    for (int64_t p = 1; p <= pieces && positions.empty(); ++p)
      if (!PieceBagged(ctx, w.irid, p)) positions.push_back(p);
  } else if (!PieceBagged(ctx, w.irid, piece)) {
    positions.push_back(piece);
  }
  if (positions.empty()) return fail(-1);
  const int64_t warning = CheckWarnings(ctx, w, args[checksFrom].AsInt(),
                                        args[checksFrom + 1].AsInt(), name, args);
  if (warning != 0) return fail(warning);
  for (int64_t p : positions) InsertItem(ctx, bagId, w.irid, p, user);
  CountWaybillPieces(ctx, w.irid);
  CountBagItems(ctx, bagId);
  r.returnValue = w.irid;
  if (withOutput) r.outputs[0] = DbValue::Of(positions.front());
  return r;
}

// (ixid,irid,'user',tol,bal,dict,f21,f22)
ProcResult AddWaybillById(ProcContext& ctx, const std::vector<ProcArg>& a) {
  Waybill w;
  if (!WaybillById(ctx, a[1].AsInt(), w)) return Result(-2);
  return AddItems(ctx, "itemm_add_id", a, a[0].AsInt(), &w, {}, 0, 0, true, a[2].AsText(), 3, false);
}

// (ixid,'number','user',kind,1,tol,bal,dict,f21,f22)
ProcResult AddWaybillByNumber(ProcContext& ctx, const std::vector<ProcArg>& a) {
  return AddItems(ctx, "itemm_add_no", a, a[0].AsInt(), nullptr, a[1].AsText(),
                  static_cast<int>(a[3].AsInt()), 0, true, a[2].AsText(), 5, false);
}

// (ixid,irid,wpos,'user',tol,bal,dict,f21,f22)
ProcResult AddPieceById(ProcContext& ctx, const std::vector<ProcArg>& a) {
  Waybill w;
  if (!WaybillById(ctx, a[1].AsInt(), w)) return Result(-2);
  const int64_t position = a[2].AsInt();
  if (position < 1) return Result(-115);
  return AddItems(ctx, "item_add_id", a, a[0].AsInt(), &w, {}, 0, position, false, a[3].AsText(), 4,
                  false);
}

// (?,ixid,'number','user',kind,2,tol,bal,dict,f21,f22)
ProcResult AddPieceByNumber(ProcContext& ctx, const std::vector<ProcArg>& a) {
  return AddItems(ctx, "item_add_no", a, a[1].AsInt(), nullptr, a[2].AsText(),
                  static_cast<int>(a[4].AsInt()), 0, false, a[3].AsText(), 6, true);
}

// Removes the waybill's rows (position 0: all of them) from the bag.
ProcResult RemoveItems(ProcContext& ctx, int64_t bagId, int64_t waybillId, int64_t position,
                       const std::string& user, int64_t flag) {
  Bag bag;
  if (!ReadBag(ctx, bagId, bag)) return Result(-2);
  // With the removal flag 1 an item may also come out of a sealed bag or a
  // bag on a master air waybill still open for bags (a pull); a bag past
  // loading keeps its items.
  const bool pull = flag == 1 && !OpenOffAwb(bag);
  if (pull) {
    if (bag.nstate > 2) return Result(-4);
    if (!bag.cawb.empty() &&
        ctx.db.Scalar("SELECT count(*) FROM client_rec_pack WHERE cawb=? AND nstate=0",
                      {DbValue::OfText(bag.cawb)})
                .AsInt() == 0)
      return Result(-4);
  } else if (!OpenOffAwb(bag)) {
    return Result(-4);
  }
  std::string where = "ixid=? AND irid=?";
  std::vector<DbValue> keys = {DbValue::Of(bagId), DbValue::Of(waybillId)};
  if (position > 0) {
    where += " AND wpos=?";
    keys.push_back(DbValue::Of(position));
  }
  const int64_t rows = ctx.db.Scalar("SELECT count(*) FROM client_rec_xbag_item WHERE " + where, keys).AsInt();
  if (rows == 0) return Result(-3);
  const int64_t others =
      ctx.db.Scalar("SELECT count(*) FROM client_rec_xbag_item WHERE " + where + " AND cinput<>?",
                    [&] {
                      auto k = keys;
                      k.push_back(DbValue::OfText(user));
                      return k;
                    }())
          .AsInt();
  if (others > 0 && flag != 1) return Result(-5);
  double pulledKg = 0;
  if (pull) {
    // A sealed or loaded bag is never emptied by a pull: it is taken off
    // and opened instead.
    if (ctx.db.Scalar("SELECT count(*) FROM client_rec_xbag_item WHERE ixid=?", {DbValue::Of(bagId)})
            .AsInt() <= rows)
      return Result(-5);
    // Its weight falls by the pulled pieces': the piece weight, else the
    // waybill's weight shared by its pieces.
    std::string sum =
        "SELECT sum(CASE WHEN ifnull(d.iweight,0)>0 THEN d.iweight/1000.0 ELSE "
        "ifnull(r.fweights,0)/max(ifnull(r.iitem,1),1) END) FROM client_rec_xbag_item AS b "
        "INNER JOIN client_rec AS r ON(r.irid=b.irid) LEFT OUTER JOIN client_rec_weight_detail AS d "
        "ON(d.irid=b.irid AND d.wpos=b.wpos) WHERE b.ixid=? AND b.irid=?";
    if (position > 0) sum += " AND b.wpos=?";
    pulledKg = ctx.db.Scalar(sum, keys).AsReal();
  }
  ctx.db.Scalar("DELETE FROM client_rec_xbag_item WHERE " + where, keys);
  CountWaybillPieces(ctx, waybillId);
  CountBagItems(ctx, bagId);
  if (pull && pulledKg > 0)
    ctx.db.Scalar("UPDATE client_rec_xbag SET fweight=max(round(fweight-?,3),0) WHERE ixid=?",
                  {DbValue::OfReal(pulledKg), DbValue::Of(bagId)});
  return Result(rows);
}

// (ixid,irid,'user',flag)
ProcResult RemoveWaybill(ProcContext& ctx, const std::vector<ProcArg>& a) {
  return RemoveItems(ctx, a[0].AsInt(), a[1].AsInt(), 0, a[2].AsText(), a[3].AsInt());
}

// (ixid,irid,wpos,'user',flag)
ProcResult RemovePiece(ProcContext& ctx, const std::vector<ProcArg>& a) {
  if (a[2].AsInt() < 1) return Result(-3);
  return RemoveItems(ctx, a[0].AsInt(), a[1].AsInt(), a[2].AsInt(), a[3].AsText(), a[4].AsInt());
}

}  // namespace

void RegisterBagProcedures(ProcedureRegistry& registry) {
  registry.Add("cp_client_rec_xbag_add", 25, 25, AddBag);
  registry.Add("cp_client_rec_xbag_mod", 26, 26, ModifyBag);
  registry.Add("cp_client_rec_xbag_del", 2, 2, DeleteBag);
  registry.Add("cp_client_rec_xbag_itemm_add_id", 8, 8, AddWaybillById);
  registry.Add("cp_client_rec_xbag_itemm_add_no", 10, 10, AddWaybillByNumber);
  registry.Add("cp_client_rec_xbag_item_add_id", 9, 9, AddPieceById);
  registry.Add("cp_client_rec_xbag_item_add_no", 11, 11, AddPieceByNumber);
  registry.Add("cp_client_rec_xbag_itemm_del", 4, 4, RemoveWaybill);
  registry.Add("cp_client_rec_xbag_item_del", 5, 5, RemovePiece);
}

}  // namespace localserver
