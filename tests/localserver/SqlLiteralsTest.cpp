// Literals of a client's statement taken out as parameters: which ones go
// (values after comparisons and assignments, VALUES items), which stay, and
// texts left whole; and the same rows and changes either way.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "localserver/Database.h"
#include "localserver/SqlLiterals.h"

namespace localserver {
namespace {

std::string Shown(const DbValue& v) {
  switch (v.kind) {
    case DbValue::Int: return "i:" + std::to_string(v.i);
    case DbValue::Real: return "r:" + v.AsText();
    case DbValue::Text: return "t:" + v.s;
    default: return "?";
  }
}

TEST(SqlLiterals, ValuesAfterComparisonsAndInValuesListsGo) {
  const struct {
    const char* in;
    const char* sql;  // "" when the text stays whole
    std::vector<std::string> values;
  } cases[] = {
      {"UPDATE client_rec SET creceiver = '收件人2' , iquantity = 3 , fgoods = 12.50 , cmemo = 'it''s' WHERE irid = 713005",
       "UPDATE client_rec SET creceiver = ?1 , iquantity = ?2 , fgoods = ?3 , cmemo = ?4 WHERE irid = ?5",
       {"t:收件人2", "i:3", "r:12.5", "t:it's", "i:713005"}},
      {"SELECT a.irid FROM client_rec AS a WHERE a.cnum='BR16000001' AND b.ckind LIKE 'A%' AND a.nstate<>2",
       "SELECT a.irid FROM client_rec AS a WHERE a.cnum=?1 AND b.ckind LIKE ?2 AND a.nstate<>?3",
       {"t:BR16000001", "t:A%", "i:2"}},
      {"INSERT INTO client_rec_goods(wpos,irid,cgoods) VALUES(0,7,'Goods 1'),(1,7,'a,b')",
       "INSERT INTO client_rec_goods(wpos,irid,cgoods) VALUES(?1,?2,?3),(?4,?5,?6)",
       {"i:0", "i:7", "t:Goods 1", "i:1", "i:7", "t:a,b"}},
      // Inside a call within the list, after IN, in the select list, in
      // LIMIT and ORDER BY, signed, exponent or long numbers: left.
      {"INSERT INTO t(a,b) VALUES(tsql_left('abc',2),-5)", "", {}},
      {"SELECT 'x', 2 FROM t WHERE a IN (1,2) AND b>=1e3 ORDER BY 1 LIMIT 50", "", {}},
      {"SELECT a FROM t WHERE b = 9223372036854775808 AND c = 0.1234567890123456", "", {}},
      {"SELECT a FROM t WHERE b = 5 ORDER BY 1 LIMIT 10", "SELECT a FROM t WHERE b = ?1 ORDER BY 1 LIMIT 10", {"i:5"}},
      // The select lists of an INSERT ... SELECT hold the rows' values: their
      // plain items go, whatever else the list holds stays; ORDER BY, LIMIT,
      // a subquery's list and the lists after FROM stay (and so, after a
      // subquery, the rest of the outer list).
      {"INSERT INTO client_rec_goods ( wpos , irid , cgoods , fprice ) SELECT 0 , 12 , 'Goods 1' , 2.50 "
       "UNION ALL SELECT 1 , 12 , '货物''s' , 0.00",
       "INSERT INTO client_rec_goods ( wpos , irid , cgoods , fprice ) SELECT ?1 , ?2 , ?3 , ?4 "
       "UNION ALL SELECT ?5 , ?6 , ?7 , ?8",
       {"i:0", "i:12", "t:Goods 1", "r:2.5", "i:1", "i:12", "t:货物's", "r:0"}},
      {"INSERT INTO t(a,b,c) SELECT -5, (SELECT max(x) + 1 FROM u WHERE y = 3), 'k' FROM v WHERE z = 4 "
       "ORDER BY 1, 2 LIMIT 7",
       "INSERT INTO t(a,b,c) SELECT -5, (SELECT max(x) + 1 FROM u WHERE y = ?1), 'k' FROM v WHERE z = ?2 "
       "ORDER BY 1, 2 LIMIT 7",
       {"i:3", "i:4"}},
      {"INSERT INTO t(a,b) SELECT DISTINCT 1, 2 FROM v", "INSERT INTO t(a,b) SELECT DISTINCT 1, ?1 FROM v", {"i:2"}},
      {"SELECT 1, 'x' FROM t UNION ALL SELECT 2, 'y' FROM u", "", {}},
      {"WITH w AS (SELECT 1 AS a) INSERT INTO t(a) SELECT 2 FROM w", "", {}},
      // Comments, parameters and blob literals: the text stays whole.
      {"SELECT a FROM t WHERE b = 'x' -- note", "", {}},
      {"SELECT a FROM t WHERE b = 'x' /* note */", "", {}},
      {"SELECT a FROM t WHERE b = :name AND c = 'x'", "", {}},
      {"SELECT a FROM t WHERE b = X'00' AND c = 'x'", "", {}},
      {"SELECT a FROM t WHERE b = 'unterminated", "", {}},
      {"SELECT a FROM t", "", {}},
  };
  for (const auto& c : cases) {
    LiteralSplit split = SplitLiterals(c.in);
    EXPECT_EQ(split.sql, c.sql) << c.in;
    std::vector<std::string> shown;
    for (const DbValue& v : split.values) shown.push_back(Shown(v));
    EXPECT_EQ(shown, c.values) << c.in;
  }
}

TEST(SqlLiterals, SameRowsAndChangesAsTheLiteralText) {
  Database db(":memory:");
  db.Exec("CREATE TABLE lit(id INTEGER PRIMARY KEY, name TEXT COLLATE TSQL, amount REAL, n INTEGER)");
  db.Exec("INSERT INTO lit(id,name,amount,n) VALUES(1,'Abc ',2.5,3),(2,'abd',12.5,'7'),(3,'x''y',0,0)");
  const char* queries[] = {
      "SELECT id FROM lit WHERE name = 'abc' ORDER BY id",   // collation of the column
      "SELECT id FROM lit WHERE n = '7' ORDER BY id",         // affinity of the column
      "SELECT id FROM lit WHERE amount >= 2.50 ORDER BY id",
      "SELECT id FROM lit WHERE name LIKE 'AB%' ORDER BY id",
      "SELECT id FROM lit WHERE name = 'x''y' ORDER BY id",
  };
  for (const char* q : queries) {
    LiteralSplit split = SplitLiterals(q);
    ASSERT_FALSE(split.values.empty()) << q;
    std::vector<int64_t> literal, bound;
    {
      Statement st(db.Handle(), q);
      while (st.Step()) literal.push_back(st.Column(0).AsInt());
    }
    Statement st(db.Handle(), split.sql);
    for (size_t k = 0; k < split.values.size(); ++k) st.Bind(static_cast<int>(k + 1), split.values[k]);
    while (st.Step()) bound.push_back(st.Column(0).AsInt());
    EXPECT_EQ(bound, literal) << q;
    EXPECT_FALSE(literal.empty()) << q;
  }
  // An assignment stores what the literal would.
  LiteralSplit set = SplitLiterals("UPDATE lit SET n = '42', name = 12.50 WHERE id = 3");
  ASSERT_EQ(set.values.size(), 3u);
  Statement up(db.Handle(), set.sql);
  for (size_t k = 0; k < set.values.size(); ++k) up.Bind(static_cast<int>(k + 1), set.values[k]);
  up.Step();
  Statement check(db.Handle(), "SELECT typeof(n), n, typeof(name), name FROM lit WHERE id = 3");
  ASSERT_TRUE(check.Step());
  EXPECT_EQ(check.Column(0).AsText(), "integer");
  EXPECT_EQ(check.Column(1).AsInt(), 42);
  EXPECT_EQ(check.Column(2).AsText(), "text");
  EXPECT_EQ(check.Column(3).AsText(), "12.5");
}

TEST(SqlLiterals, InsertSelectStoresWhatTheLiteralsWould) {
  Database db(":memory:");
  db.Exec("CREATE TABLE lit(id INTEGER PRIMARY KEY, name TEXT COLLATE TSQL, amount REAL, n INTEGER, "
          "t TEXT, b BLOB)");
  const char* inserts[] = {
      "INSERT INTO lit(id,name,amount,n,t,b) SELECT 1 , 'Abc ' , 2.50 , '7' , 12 , 3 UNION ALL "
      "SELECT 2 , '' , 0 , 0.5 , 1.25 , 'x' UNION ALL SELECT 3 , '陈''先生' , 9223372036854775807 , "
      "-4 , '' , 0.000",
      "INSERT INTO lit(id,name,amount,n,t,b) SELECT 10 , 'a' || 'b' , 1 + 2 , 'x' , 5 COLLATE NOCASE , NULL",
  };
  auto rows = [&db](int from, int to) {
    std::vector<std::string> out;
    Statement st(db.Handle(), "SELECT id,typeof(name),name,typeof(amount),amount,typeof(n),n,typeof(t),t,"
                              "typeof(b),b FROM lit WHERE id BETWEEN ? AND ? ORDER BY id");
    st.Bind(1, from).Bind(2, to);
    while (st.Step()) {
      std::string row;
      for (int c = 0; c < 11; ++c) row += st.Column(c).AsText() + "|";
      out.push_back(row);
    }
    return out;
  };
  for (const char* q : inserts) {
    db.Exec(q);
    const std::vector<std::string> literal = rows(0, 99);
    db.Exec("DELETE FROM lit");
    LiteralSplit split = SplitLiterals(q);
    ASSERT_FALSE(split.values.empty()) << q;
    {
      Statement st(db.Handle(), split.sql);
      for (size_t k = 0; k < split.values.size(); ++k) st.Bind(static_cast<int>(k + 1), split.values[k]);
      st.Step();
    }
    EXPECT_EQ(rows(0, 99), literal) << q;
    EXPECT_FALSE(literal.empty()) << q;
    db.Exec("DELETE FROM lit");
  }
}

TEST(SqlLiterals, NumberLookupsGoThroughTheKeyIndex) {
  const struct {
    const char* in;
    const char* out;  // nullptr: unchanged
  } cases[] = {
      {"SELECT a.irid FROM client_rec AS a WHERE a.cnum=?1 AND b.cstation=?2",
       "SELECT a.irid FROM client_rec AS a WHERE (lower(rtrim(a.cnum))=lower(rtrim(?1)) AND a.cnum=?1) AND "
       "b.cstation=?2"},
      {"SELECT irid FROM client_rec WHERE (cserviceno = ?2 OR cnum = ?1) ORDER BY irid",
       "SELECT irid FROM client_rec WHERE ((lower(rtrim(cserviceno))=lower(rtrim(?2)) AND cserviceno=?2) OR "
       "(lower(rtrim(cnum))=lower(rtrim(?1)) AND cnum=?1)) ORDER BY irid"},
      // Not standing alone, not a text value, or a text with BETWEEN.
      {"SELECT irid FROM client_rec WHERE x || cnum = ?1", nullptr},
      {"SELECT irid FROM client_rec WHERE cnum = ?1 || 'x'", nullptr},
      {"SELECT irid FROM client_rec WHERE cnum = ?3", nullptr},
      {"SELECT irid FROM client_rec WHERE cnum = ?1 AND irid BETWEEN 1 AND 5", nullptr},
      {"SELECT CASE WHEN cnum = ?1 THEN 1 END FROM client_rec", nullptr},
  };
  const std::vector<DbValue> values = {DbValue::OfText("BR16000001"), DbValue::OfText("SV1"),
                                       DbValue::Of(3)};
  for (const auto& c : cases) EXPECT_EQ(KeyNumberLookups(c.in, values), c.out ? c.out : c.in) << c.in;

  // The same rows, in the same order, through the index.
  Database db(":memory:");
  db.Exec("INSERT INTO client_rec(irid,icid,cnum,cserviceno) VALUES(9001,1,'kx1','S1'),(9002,1,'KX1  ','S2'),"
          "(9003,1,'kx2','S3'),(9004,1,'kx1 a','S4')");
  for (const char* q : {"SELECT irid FROM client_rec WHERE cnum = 'Kx1'", "SELECT irid FROM client_rec WHERE cnum='kx1 '",
                        "SELECT irid FROM client_rec WHERE NOT cnum = 'kx1' AND irid > 9000 ORDER BY irid"}) {
    std::vector<int64_t> literal, keyed;
    {
      Statement st(db.Handle(), q);
      while (st.Step()) literal.push_back(st.Column(0).AsInt());
    }
    LiteralSplit split = SplitLiterals(q);
    const std::string sql = KeyNumberLookups(split.sql, split.values);
    EXPECT_NE(sql.find("lower(rtrim(cnum))"), std::string::npos) << q;
    Statement st(db.Handle(), sql);
    for (size_t k = 0; k < split.values.size(); ++k) st.Bind(static_cast<int>(k + 1), split.values[k]);
    while (st.Step()) keyed.push_back(st.Column(0).AsInt());
    EXPECT_EQ(keyed, literal) << q;
  }
  Statement plan(db.Handle(), "EXPLAIN QUERY PLAN SELECT irid FROM client_rec WHERE "
                              "(lower(rtrim(cnum))=lower(rtrim(?1)) AND cnum=?1)");
  ASSERT_TRUE(plan.Step());
  EXPECT_NE(plan.Column(3).AsText().find("client_rec_cnum_key"), std::string::npos) << plan.Column(3).AsText();
}

}  // namespace
}  // namespace localserver
