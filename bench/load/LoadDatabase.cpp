// The database side of the load run: the rows seeded before the desks
// start, the invariants checked after they end, and the reference (the same
// statements straight on SQLite by eight threads).
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <thread>

#include "bench/load/LoadRun.h"

namespace load {

namespace {

// The stand-in's columns compare with its own collation.
void AddCollation(sqlite3* db) {
  sqlite3_create_collation(db, "TSQL", SQLITE_UTF8, nullptr,
                           [](void*, int n1, const void* a, int n2, const void* b) {
                             int c = std::memcmp(a, b, static_cast<size_t>(std::min(n1, n2)));
                             return c ? c : n1 - n2;
                           });
}

class Db {
 public:
  explicit Db(const std::string& file) {
    if (sqlite3_open(file.c_str(), &db_) != SQLITE_OK) error_ = sqlite3_errmsg(db_);
    sqlite3_busy_timeout(db_, 20000);
    AddCollation(db_);
  }
  ~Db() { sqlite3_close(db_); }
  sqlite3* Handle() { return db_; }
  const std::string& Error() const { return error_; }
  bool Exec(const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) return true;
    error_ = message ? message : "?";
    sqlite3_free(message);
    return false;
  }
  // Calls `row` for each result row.
  bool Each(const std::string& sql, const std::function<void(sqlite3_stmt*)>& row) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
      error_ = sqlite3_errmsg(db_);
      return false;
    }
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) row(st);
    sqlite3_finalize(st);
    return rc == SQLITE_DONE;
  }
  int64_t Int(const std::string& sql) {
    int64_t v = -1;
    Each(sql, [&](sqlite3_stmt* st) { v = sqlite3_column_int64(st, 0); });
    return v;
  }

 private:
  sqlite3* db_ = nullptr;
  std::string error_;
};

std::string Text(sqlite3_stmt* st, int column) {
  const unsigned char* t = sqlite3_column_text(st, column);
  return t ? reinterpret_cast<const char*>(t) : "";
}

int64_t Cents(double value) { return std::llround(value * 100.0); }

}  // namespace

std::string SeedDatabase(const std::string& file, int perPair) {
  Db db(file);
  if (!db.Error().empty()) return db.Error();
  std::string sql = "BEGIN IMMEDIATE;";
  for (int d = 1; d <= kDesks; ++d) {
    sql += "INSERT INTO man_main(mcaccount,mcname,mcpost,mcdepartment,mvright,mcmode,mccomway,"
           "mcsmphone,mcstation,mcheadship,cmsn,mcpassword,mvrighte,mvrighti,migrade,mcclientkind,"
           "mcstationt,mcpid,mcdepot,mnstate) SELECT '" +
           DeskAccount(d) + "','" + DeskName(d) + "',mcpost,mcdepartment,mvright,mcmode,mccomway,"
           "mcsmphone,mcstation,mcheadship,cmsn,'" + DeskPassword() +
           "',mvrighte,mvrighti,migrade,mcclientkind,mcstationt,'L53" + std::to_string(d) +
           "',mcdepot,0 FROM man_main WHERE mcaccount='admin';";
  }
  const std::string n = std::to_string(perPair);
  for (int p = 0; p < kDesks / 2; ++p) {
    const std::string pair = std::to_string(p);
    const std::string series = "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM n WHERE x<" + n + ") ";
    const std::string columns =
        "INSERT INTO client_rec(icid,nitemtype,fweight,fweights,famount,cdes,nlanguage,isid,cemskind,"
        "fcost,fsprice,ddate,dsysdate,cserviceno,cnum,iitem,nstate,ngstate,npayway,bpay,ifid,ixbag,"
        "dsenddate,cawb,cinput,creceiver,caddr) ";
    // Ready for the hand-over (EMS goes with carrier 1), no amount.
    sql += series + columns + "SELECT " + std::to_string(kCustomer) +
           ",0,1.25,1.25,0,'美国',0,0,'EMS',10,20,datetime('now','localtime'),datetime('now','localtime'),"
           "'',printf('LH" + pair + "%06d',x),1,0,0,2,1,0,0,'1900-01-01 00:00:00','','load','R','A' FROM n;";
    // One piece each, for the bags.
    sql += series + columns + "SELECT " + std::to_string(kCustomer) +
           ",0,1+(x%500)/1000.0,1+(x%500)/1000.0,0,'JFK',0,0,'ZIZ国际',10,20,datetime('now','localtime'),"
           "datetime('now','localtime'),'',printf('LB" + pair +
           "%06d',x),1,0,0,2,1,0,0,'1900-01-01 00:00:00','','load','R','A' FROM n;";
    // Unpaid monthly waybills with an amount, for the payments.
    sql += series + columns + "SELECT " + std::to_string(kCustomer) +
           ",0,2,2,12+(x%100)/100.0,'美国',0,0,'ZIZ国际',10,20,datetime('now','localtime'),"
           "datetime('now','localtime'),'',printf('LP" + pair +
           "%06d',x),1,0,0,0,0,0,0,'1900-01-01 00:00:00','','load','R','A' FROM n;";
    sql += "INSERT INTO client_rec_pack(cawb,cairline,cfrom,cdes,ddate,ipcs,iweight,itweight,ffreight,"
           "nstate,cinput,ntype,cflightno,dfdate,detd,deta,dcdate,dfdate2) VALUES ('" +
           PairAwb(p) + "','CA','PVG','JFK',datetime('now','localtime'),0,0,0,0,0,'admin',0,'CA53',"
           "'1900-01-01 00:00:00','1900-01-01 00:00:00','1900-01-01 00:00:00','1900-01-01 00:00:00',"
           "'1900-01-01 00:00:00');";
  }
  sql += "COMMIT;";
  if (!db.Exec(sql)) return db.Error();
  return {};
}

std::vector<std::string> CheckInvariants(const std::string& file, const std::vector<Journal>& desks) {
  std::vector<std::string> failures;
  auto fail = [&](std::string text) {
    if (failures.size() < 200) failures.push_back(std::move(text));
  };
  Db db(file);
  if (!db.Error().empty()) return {"cannot open the database: " + db.Error()};

  // 1. Every waybill a desk was told saved exists once, with the values
  //    sent; a save whose outcome the desk never learnt exists once at most.
  for (size_t d = 0; d < desks.size(); ++d) {
    for (const SavedWaybill& w : desks[d].saved) {
      int rows = 0;
      db.Each("SELECT irid,fweight,iitem,famount,(SELECT count(*) FROM client_rec_weight_detail c "
              "WHERE c.irid=a.irid) FROM client_rec a WHERE cnum='" + w.number + "'",
              [&](sqlite3_stmt* st) {
                ++rows;
                const int32_t irid = sqlite3_column_int(st, 0);
                const int64_t grams = std::llround(sqlite3_column_double(st, 1) * 1000);
                const int32_t pieces = sqlite3_column_int(st, 2);
                const int64_t cents = Cents(sqlite3_column_double(st, 3));
                const int32_t pieceRows = sqlite3_column_int(st, 4);
                if (irid != w.irid || grams != w.grams || pieces != w.pieces || cents != w.cents ||
                    pieceRows != w.pieces)
                  fail("waybill " + w.number + " saved by desk " + std::to_string(d + 1) +
                       " differs: id " + std::to_string(irid) + "/" + std::to_string(w.irid) + ", grams " +
                       std::to_string(grams) + "/" + std::to_string(w.grams) + ", pieces " +
                       std::to_string(pieces) + "/" + std::to_string(w.pieces) + ", piece rows " +
                       std::to_string(pieceRows) + ", cents " + std::to_string(cents) + "/" +
                       std::to_string(w.cents));
              });
      if (rows != 1) fail("waybill " + w.number + " told saved exists " + std::to_string(rows) + " times");
    }
    for (const std::string& number : desks[d].maybeSaved) {
      const int64_t rows = db.Int("SELECT count(*) FROM client_rec WHERE cnum='" + number + "'");
      if (rows > 1) fail("waybill " + number + " (reply lost) exists " + std::to_string(rows) + " times");
    }
  }
  const int64_t duplicates =
      db.Int("SELECT count(*) FROM (SELECT cnum FROM client_rec WHERE cnum LIKE 'LW%' GROUP BY cnum "
             "HAVING count(*)>1)");
  if (duplicates != 0) fail(std::to_string(duplicates) + " load waybill numbers are stored twice");

  // 2. No parcel handed over twice: at most one desk believes it handed a
  //    parcel over, and the stored hand-over names that desk.
  std::map<int32_t, size_t> handedBy;
  for (size_t d = 0; d < desks.size(); ++d) {
    for (int32_t id : desks[d].handed) {
      auto [it, fresh] = handedBy.emplace(id, d);
      if (!fresh)
        fail("parcel " + std::to_string(id) + " handed over by desks " + std::to_string(it->second + 1) +
             " and " + std::to_string(d + 1));
      int rows = 0;
      db.Each("SELECT nstate,coutput FROM client_rec WHERE irid=" + std::to_string(id), [&](sqlite3_stmt* st) {
        ++rows;
        if (sqlite3_column_int(st, 0) < 1 || Text(st, 1) != desks[d].name)
          fail("parcel " + std::to_string(id) + " told handed over by " + desks[d].name + " is at state " +
               std::to_string(sqlite3_column_int(st, 0)) + " by '" + Text(st, 1) + "'");
      });
      if (rows != 1) fail("parcel " + std::to_string(id) + " told handed over is not stored");
    }
  }
  // A parcel handed over that no desk was told of must be one whose reply
  // was lost.
  std::set<int32_t> maybeHanded;
  for (const Journal& j : desks) maybeHanded.insert(j.handMaybe.begin(), j.handMaybe.end());
  db.Each("SELECT irid,cnum FROM client_rec WHERE cnum LIKE 'LH%' AND nstate>=1", [&](sqlite3_stmt* st) {
    const int32_t id = sqlite3_column_int(st, 0);
    if (!handedBy.count(id) && !maybeHanded.count(id))
      fail("parcel " + Text(st, 1) + " is handed over though no desk was told or lost a reply");
  });

  // 3. Bags: the item count and weight equal the items; client_rec.ixbag
  //    equals the bagged pieces; each desk's bags hold what it believes.
  db.Each("SELECT x.ixid,x.cxno,x.iitem,x.nstate,x.fweight,"
          "(SELECT count(*) FROM client_rec_xbag_item i WHERE i.ixid=x.ixid)+"
          "(SELECT count(*) FROM client_rec_xbag_item_u u WHERE u.ixid=x.ixid),"
          "(SELECT ifnull(sum(r.fweights),0) FROM client_rec_xbag_item i JOIN client_rec r ON r.irid=i.irid "
          "WHERE i.ixid=x.ixid) FROM client_rec_xbag x WHERE x.cxno LIKE 'LD%'",
          [&](sqlite3_stmt* st) {
            const std::string number = Text(st, 1);
            const int items = sqlite3_column_int(st, 2), rows = sqlite3_column_int(st, 5);
            if (items != rows)
              fail("bag " + number + " counts " + std::to_string(items) + " items but holds " +
                   std::to_string(rows));
            if (sqlite3_column_int(st, 3) >= 1 &&
                std::fabs(sqlite3_column_double(st, 4) - sqlite3_column_double(st, 6)) > 0.0005)
              fail("sealed bag " + number + " weighs " + std::to_string(sqlite3_column_double(st, 4)) +
                   " kg but its items " + std::to_string(sqlite3_column_double(st, 6)) + " kg");
          });
  db.Each("SELECT r.cnum,r.ixbag,(SELECT count(*) FROM client_rec_xbag_item i WHERE i.irid=r.irid)+"
          "(SELECT count(*) FROM client_rec_xbag_item_u u WHERE u.irid=r.irid) FROM client_rec r "
          "WHERE r.cnum LIKE 'LB%' AND (r.ixbag<>0 OR r.irid IN(SELECT irid FROM client_rec_xbag_item))",
          [&](sqlite3_stmt* st) {
            if (sqlite3_column_int(st, 1) != sqlite3_column_int(st, 2))
              fail("parcel " + Text(st, 0) + " has ixbag " + std::to_string(sqlite3_column_int(st, 1)) +
                   " but " + std::to_string(sqlite3_column_int(st, 2)) + " bagged pieces");
          });
  for (size_t d = 0; d < desks.size(); ++d) {
    for (const auto& [id, bag] : desks[d].bags) {
      if (!bag.certain) continue;
      std::set<int32_t> stored;
      db.Each("SELECT irid FROM client_rec_xbag_item WHERE ixid=" + std::to_string(id),
              [&](sqlite3_stmt* st) { stored.insert(sqlite3_column_int(st, 0)); });
      if (stored != bag.items)
        fail("bag " + bag.number + " of desk " + std::to_string(d + 1) + " holds " +
             std::to_string(stored.size()) + " items, the desk believes " + std::to_string(bag.items.size()));
      const int64_t state = db.Int("SELECT nstate FROM client_rec_xbag WHERE ixid=" + std::to_string(id));
      if (std::min<int64_t>(state, 2) != bag.state)
        fail("bag " + bag.number + " of desk " + std::to_string(d + 1) + " is at state " +
             std::to_string(state) + ", the desk believes " + std::to_string(bag.state));
      if (bag.state == 2 &&
          db.Int("SELECT count(*) FROM client_rec_xbag WHERE ixid=" + std::to_string(id) + " AND cawb='" +
                 PairAwb(PairOf(static_cast<int>(d) + 1)) + "'") != 1)
        fail("bag " + bag.number + " told loaded is not on its master air waybill");
    }
  }

  for (size_t d = 0; d < desks.size(); ++d) {
    for (int32_t id : desks[d].loadedOthers) {
      int rows = 0;
      db.Each("SELECT nstate,cawb,caddawb FROM client_rec_xbag WHERE ixid=" + std::to_string(id),
              [&](sqlite3_stmt* st) {
                ++rows;
                if (sqlite3_column_int(st, 0) != 2 || Text(st, 1) != PairAwb(PairOf(static_cast<int>(d) + 1)) ||
                    Text(st, 2) != desks[d].name)
                  fail("bag " + std::to_string(id) + " told loaded by desk " + std::to_string(d + 1) +
                       " is at state " + std::to_string(sqlite3_column_int(st, 0)) + " on '" + Text(st, 1) +
                       "' by '" + Text(st, 2) + "'");
              });
      if (rows != 1) fail("bag " + std::to_string(id) + " told loaded by desk " + std::to_string(d + 1) + " is gone");
    }
  }

  // 4. Each payment's total equals the waybills it marks; a desk's payment
  //    marks exactly the waybills it sent.
  std::set<std::string> names;
  for (const Journal& j : desks) names.insert(j.name);
  std::string inNames;
  for (const std::string& name : names) inNames += (inNames.empty() ? "'" : ",'") + name + "'";
  db.Each("SELECT f.ifid,f.ffee,(SELECT ifnull(sum(r.famount),0) FROM client_rec r WHERE r.ifid=f.ifid) "
          "FROM client_fee f WHERE f.cinput IN(" + inNames + ")",
          [&](sqlite3_stmt* st) {
            if (Cents(sqlite3_column_double(st, 1)) != Cents(sqlite3_column_double(st, 2)))
              fail("payment " + std::to_string(sqlite3_column_int(st, 0)) + " of " +
                   std::to_string(sqlite3_column_double(st, 1)) + " marks waybills of " +
                   std::to_string(sqlite3_column_double(st, 2)));
          });
  for (size_t d = 0; d < desks.size(); ++d) {
    for (const Payment& p : desks[d].payments) {
      std::set<int32_t> marked;
      db.Each("SELECT irid FROM client_rec WHERE ifid=" + std::to_string(p.ifid) + " AND bpay=1",
              [&](sqlite3_stmt* st) { marked.insert(sqlite3_column_int(st, 0)); });
      const std::set<int32_t> sent(p.irids.begin(), p.irids.end());
      if (marked != sent)
        fail("payment " + std::to_string(p.ifid) + " of desk " + std::to_string(d + 1) + " marks " +
             std::to_string(marked.size()) + " waybills, the desk sent " + std::to_string(sent.size()));
      const int64_t fee = Cents(static_cast<double>(db.Int(
          "SELECT CAST(round(ffee*100) AS INTEGER) FROM client_fee WHERE ifid=" + std::to_string(p.ifid))) / 100.0);
      if (fee != p.cents)
        fail("payment " + std::to_string(p.ifid) + " is stored at " + std::to_string(fee) +
             " cents, the desk sent " + std::to_string(p.cents));
    }
  }

  // 5. Every refusal a desk saw is a business code of its step; every desk
  //    went on after the restart through the link's own login.
  for (size_t d = 0; d < desks.size(); ++d)
    if (desks[d].relogins < 1) fail("desk " + std::to_string(d + 1) + " never logged in again after the restart");
  for (size_t d = 0; d < desks.size(); ++d)
    for (const std::string& u : desks[d].unexpected)
      fail("desk " + std::to_string(d + 1) + ": " + u);
  return failures;
}

// ---- the reference ----

namespace {

struct RefThread {
  int desk = 0;
  std::array<int, kKinds> budget{};
  std::array<KindStats, kKinds> stats;
  std::string error;
};

void RunRefThread(const std::string& file, RefThread& t) {
  Db db(file);
  if (!db.Error().empty()) {
    t.error = db.Error();
    return;
  }
  db.Exec("PRAGMA synchronous=FULL");
  const std::string d = std::to_string(t.desk);
  std::vector<int64_t> saved;
  int64_t bag = 0;
  int n = 0, made = 0;
  auto timed = [&](Kind kind, const std::function<bool()>& work) {
    const auto t0 = std::chrono::steady_clock::now();
    const bool ok = work();
    t.stats[kind].micros.push_back(static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                                             std::chrono::steady_clock::now() - t0)
                                                             .count()));
    if (ok) ++t.stats[kind].ok;
    else ++t.stats[kind].errors;
  };
  auto tx = [&](const std::string& sql) { return db.Exec("BEGIN IMMEDIATE;" + sql + "COMMIT;") || (db.Exec("ROLLBACK"), false); };
  auto target = [&](int k) { return saved.empty() ? std::string("0") : std::to_string(saved[k % saved.size()]); };
  bool left = true;
  while (left) {
    left = false;
    ++n;
    for (int k = 0; k < kKinds; ++k) {
      if (t.budget[k] <= 0) continue;
      --t.budget[k];
      left = true;
      const std::string num = "RF" + d + std::to_string(n);
      switch (k) {
        case kSave:
          timed(kSave, [&] {
            // The call, the piece rows and the fields after the call: one
            // transaction each, as the requests are.
            bool ok = tx("INSERT INTO client_rec(icid,cnum,fweight,famount,iitem,cdes,cemskind,ddate,creceiver,"
                         "npayway,bpay,ifid,ixbag,nstate) VALUES(1,'" + num +
                         "',2.5,12.5,2,'美国','ZIZ国际',datetime('now'),'R',0,0,0,0,0);");
            const std::string id = std::to_string(sqlite3_last_insert_rowid(db.Handle()));
            saved.push_back(sqlite3_last_insert_rowid(db.Handle()));
            ok = ok && tx("DELETE FROM client_rec_weight_detail WHERE irid=" + id +
                          ";INSERT INTO client_rec_weight_detail(irid,wpos,ilong,iwidth,iheight,iweight) VALUES(" +
                          id + ",1,30,20,10,1250),(" + id + ",2,30,20,10,1250);");
            ok = ok && tx("UPDATE client_rec SET cmemo='',fgoodsc=0 WHERE irid=" + id + ";");
            return ok;
          });
          break;
        case kHandOver:
          timed(kHandOver, [&] {
            bool ok = db.Int("SELECT irid FROM client_rec WHERE irid=" + target(n) + " AND nstate=0") != 0;
            return tx("UPDATE client_rec SET isid=1,ibatch=1,nstate=1,dsenddate=datetime('now'),coutput='R' "
                      "WHERE irid=" + target(n) + ";") && ok;
          });
          break;
        case kBagNew:
          timed(kBagNew, [&] {
            bool ok = tx("INSERT INTO client_rec_xbag(cxno,cdes,nstate,ntype,nshare,cinput,dsysdate,iitem) "
                         "VALUES('" + num + "','JFK',0,0,0,'R',datetime('now'),0);");
            bag = sqlite3_last_insert_rowid(db.Handle());
            ++made;
            return ok;
          });
          break;
        case kBagIn:
        case kBagOut: {
          const std::string b = std::to_string(bag), r = target(n + k);
          const std::string counts = "UPDATE client_rec SET ixbag=(SELECT count(*) FROM client_rec_xbag_item WHERE irid=" +
                                     r + ") WHERE irid=" + r + ";UPDATE client_rec_xbag SET iitem=(SELECT count(*) FROM "
                                     "client_rec_xbag_item WHERE ixid=" + b + ") WHERE ixid=" + b + ";";
          timed(static_cast<Kind>(k), [&] {
            return tx((k == kBagIn ? "INSERT INTO client_rec_xbag_item(ixid,irid,wpos,cinput,ddate) VALUES(" + b +
                                         "," + r + ",1,'R',datetime('now'));"
                                   : "DELETE FROM client_rec_xbag_item WHERE ixid=" + b + " AND irid=" + r + ";") +
                      counts);
          });
          break;
        }
        case kSeal:
          timed(kSeal, [&] {
            double kg = 0;
            db.Each("SELECT sum(r.fweights) FROM client_rec_xbag_item i JOIN client_rec r ON r.irid=i.irid "
                    "WHERE i.ixid=" + std::to_string(bag),
                    [&](sqlite3_stmt* st) { kg = sqlite3_column_double(st, 0); });
            return tx("UPDATE client_rec_xbag SET nstate=1,fweight=" + std::to_string(kg) +
                      ",cpack='R',dpack=datetime('now') WHERE ixid=" + std::to_string(bag) + ";");
          });
          break;
        case kAwbLoad:
          timed(kAwbLoad, [&] {
            return tx("UPDATE client_rec_xbag SET nstate=2,cawb='RF',caddawb='R',daddawb=datetime('now') WHERE ixid=" +
                      std::to_string(bag) + ";");
          });
          break;
        case kPay:
          timed(kPay, [&] {
            double sum = 0;
            const std::string ids = target(n) + "," + target(n + 1) + "," + target(n + 2);
            db.Each("SELECT sum(famount) FROM client_rec WHERE irid IN(" + ids + ")",
                    [&](sqlite3_stmt* st) { sum = sqlite3_column_double(st, 0); });
            bool ok = db.Exec("BEGIN IMMEDIATE;INSERT INTO client_fee(icid,ffee,dpdate,cinput,ntype) VALUES(1," +
                              std::to_string(sum) + ",datetime('now'),'R',0);");
            const std::string ifid = std::to_string(sqlite3_last_insert_rowid(db.Handle()));
            ok = ok && db.Exec("UPDATE client_rec SET ifid=" + ifid + ",bpay=1 WHERE irid IN(" + ids + ");COMMIT;");
            if (!ok) db.Exec("ROLLBACK");
            return ok;
          });
          break;
        default:
          break;
      }
    }
  }
}

}  // namespace

ReferenceRun RunReference(const std::string& file, const std::vector<Journal>& desks) {
  ReferenceRun run;
  const std::string copy = file + ".reference";
  std::filesystem::remove(copy);
  {
    Db db(file);
    if (!db.Exec("VACUUM INTO '" + copy + "'")) {
      run.error = db.Error();
      return run;
    }
  }
  {
    Db db(copy);
    db.Exec("PRAGMA journal_mode=WAL");
  }
  std::vector<RefThread> threads(desks.size());
  for (size_t d = 0; d < desks.size(); ++d) {
    threads[d].desk = static_cast<int>(d) + 1;
    for (int k = 0; k < kKinds; ++k)
      threads[d].budget[k] = desks[d].stats[k].ok + desks[d].stats[k].refused;
  }
  const auto t0 = std::chrono::steady_clock::now();
  std::vector<std::thread> workers;
  for (RefThread& t : threads) workers.emplace_back([&copy, &t] { RunRefThread(copy, t); });
  for (std::thread& w : workers) w.join();
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  for (const RefThread& t : threads) {
    if (!t.error.empty()) run.error = t.error;
    for (int k = 0; k < kKinds; ++k) {
      run.stats[k].ok += t.stats[k].ok;
      run.stats[k].errors += t.stats[k].errors;
      run.stats[k].micros.insert(run.stats[k].micros.end(), t.stats[k].micros.begin(), t.stats[k].micros.end());
    }
  }
  for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(copy + suffix);
  return run;
}

}  // namespace load
