#include <gtest/gtest.h>

#include "localserver/Database.h"
#include "localserver/SqlRewriter.h"

using namespace localserver;

namespace {

struct Case {
  const char* tsql;
  const char* sqlite;
};

// The client's constructs and what SQLite gets for them.
const Case kRewrites[] = {
    {"SELECT a.irid FROM brantle.dbo.client_rec AS a WITH (NOLOCK) INNER JOIN brantle.dbo.client_arc AS b ON(a.icid=b.icid) WHERE a.irid=5",
     "SELECT a.irid FROM client_rec AS a INNER JOIN client_arc AS b ON ( a.icid = b.icid ) WHERE a.irid = 5"},
    {"SELECT TOP 100 a.irid FROM brantle.dbo.client_rec a WITH (NOLOCK) WHERE a.irid>0  ORDER BY a.irid DESC",
     "SELECT a.irid FROM client_rec a WHERE a.irid > 0 ORDER BY a.irid DESC LIMIT 100"},
    {"SELECT ISNULL(c.ilen,0) AS ilen,LEN(dcname) FROM sys_dict c",
     "SELECT ifnull ( c.ilen , 0 ) AS ilen , tsql_len ( dcname ) FROM sys_dict c"},
    {"SELECT cmark FROM brantle.dbo.client_rec_prompt WHERE cnum='X1' AND bweight=1UNION SELECT cmark FROM brantle.dbo.client_rec_promptc WHERE cnum='X1'",
     "SELECT cmark FROM client_rec_prompt WHERE cnum = 'X1' AND bweight = 1 UNION SELECT cmark FROM client_rec_promptc WHERE cnum = 'X1'"},
    {"SELECT * FROM (SELECT TOP 15ifid,ffee FROM brantle.dbo.client_fee WHERE icid=5 ORDER BY dpdate ASC, ifid ASC) tmp  ORDER BY dpdate DESC",
     "SELECT * FROM ( SELECT ifid , ffee FROM client_fee WHERE icid = 5 ORDER BY dpdate ASC , ifid ASC LIMIT 15 ) tmp ORDER BY dpdate DESC"},
    {"SELECT irid FROM client_rec WHERE ddate BETWEEN '2024.03.05 0:0:0.0' AND '2024.03.31 23:59:59.998'",
     "SELECT irid FROM client_rec WHERE ddate BETWEEN '2024-03-05 00:00:00' AND '2024-03-31 23:59:59.998'"},
    {"SELECT irid FROM client_rec WHERE a.ddate>='2024.2.28' AND dsysdate <'2024.03.06 10:59:59.998' AND cdes='2024.1.1'",
     "SELECT irid FROM client_rec WHERE a.ddate >= '2024-02-28 00:00:00' AND dsysdate < '2024-03-06 10:59:59.998' AND cdes = '2024.1.1'"},
    {"SELECT cnum+'-'+cdes, fpay0+fPay1-fdeposit FROM client_rec, client_arc",
     "SELECT cnum || '-' || cdes , fpay0 + fPay1 - fdeposit FROM client_rec , client_arc"},
    {"SELECT N'abc', 0x0A1B, 0xABC FROM sys_dict", "SELECT 'abc' , X'0A1B' , X'0ABC' FROM sys_dict"},
    {"SELECT a.cdes FROM client_rec a WHERE a.cdes='O''Hare' AND [cnum] LIKE 'B[_]1%'",
     "SELECT a.cdes FROM client_rec a WHERE a.cdes = 'O''Hare' AND \"cnum\" LIKE 'B[_]1%'"},
    {"DELETE brantle.dbo.client_rec_goods WHERE irid=5", "DELETE FROM client_rec_goods WHERE irid = 5"},
    {"UPDATE brantle.dbo.client_rec_picc SET ddate=GETDATE(),vdata=? WHERE irid=1",
     "UPDATE client_rec_picc SET ddate = tsql_getdate() , vdata = ? WHERE irid = 1"},
    {"SELECT CAST(irid AS varchar(10))+'x', CONVERT(varchar(10),ddate,120) FROM client_rec",
     "SELECT tsql_cast( irid ,'varchar',10) || 'x' , tsql_convert('varchar',10, ddate ,120) FROM client_rec"},
    {"SELECT cdes FROM client_rec WHERE a.irid IN(SELECT irid FROM brantle.dbo.client_rec_xbag_item where ixid=(SELECT ISNULL(ixid,0) FROM brantle.dbo.client_rec_xbag where cxno='B1'))",
     "SELECT cdes FROM client_rec WHERE a.irid IN ( SELECT irid FROM client_rec_xbag_item WHERE ixid = ( SELECT ifnull ( ixid , 0 ) FROM client_rec_xbag WHERE cxno = 'B1' ) )"},
    {"SELECT dfdate FROM client_rec_pack WHERE dfdate IN('2024.5.1','') AND nstate!=2;",
     "SELECT dfdate FROM client_rec_pack WHERE dfdate IN ( '2024-05-01 00:00:00' , '1900-01-01 00:00:00' ) AND nstate <> 2"},
    // The DATEDIFF unit goes out as a literal of the fixed list.
    {"SELECT DATEDIFF(DD,ddate,dsysdate), DATEDIFF(mi,ddate,dsysdate) FROM client_rec",
     "SELECT tsql_datediff('day', ddate , dsysdate ) , tsql_datediff('minute', ddate , dsysdate ) FROM client_rec"},
};

TEST(SqlRewriter, RewritesTheClientsConstructs) {
  for (const auto& c : kRewrites) {
    RewriteResult r = RewriteTsql(c.tsql, SchemaColumnTypes());
    ASSERT_TRUE(r.ok) << c.tsql << "\n  " << r.error;
    EXPECT_EQ(r.sql, c.sqlite) << c.tsql;
  }
}

TEST(SqlRewriter, TellsStatementKindsAndParameters) {
  EXPECT_EQ(RewriteTsql("SELECT 1 FROM sys_dict", SchemaColumnTypes()).kind, StatementKind::Select);
  EXPECT_EQ(RewriteTsql("INSERT INTO sys_dict(dcname) select 'a' union all select 'b'", SchemaColumnTypes()).kind,
            StatementKind::Insert);
  RewriteResult put = RewriteTsql("UPDATE client_rec_file SET vdata=? WHERE iid=3", SchemaColumnTypes());
  EXPECT_EQ(put.kind, StatementKind::Update);
  EXPECT_EQ(put.parameters, 1);
}

// Constructs outside the client's set are refused with a reason, never
// passed on.
const char* const kRefusals[] = {
    "SELECT 1 FROM sys_dict; DELETE FROM sys_dict",
    "DECLARE @x int",
    "SELECT @x FROM sys_dict",
    "EXEC cp_x",
    "SELECT TOP 10 PERCENT irid FROM client_rec",
    "SELECT TOP 5 irid FROM client_rec UNION SELECT TOP 5 irid FROM client_rec",
    "SELECT irid INTO #t FROM client_rec",
    "SELECT irid INTO other FROM client_rec",
    "SELECT irid FROM client_rec WITH (INDEX(ix))",
    "WITH x AS (SELECT 1) SELECT * FROM x",
    "SELECT SOUNDEX(cdes) FROM client_rec",
    "SELECT cdes + irid FROM client_rec",
    "SELECT ddate + 1 FROM client_rec",
    "SELECT unknowncol + othercol FROM client_rec",
    "SELECT irid FROM client_rec WHERE ddate > 'yesterday'",
    "SELECT irid FROM other.dbo.client_rec",
    "SELECT irid FROM client_rec WHERE cdes = 'open",
    "SELECT irid FROM client_rec ORDER BY irid LIMIT 5",
    "SELECT cdes || 'x' FROM client_rec",
    "SELECT * FROM sqlite_master",
    "UPDATE client_rec SET cdes='x' FROM client_rec a",
    "PRAGMA table_info(client_rec)",
    "SELECT irid FROM client_rec WHERE cdes = 'a' COLLATE NOCASE",
    "{?=CALL brantle.dbo.cp_x(1)}",
    "SELECT irid FROM client_rec WHERE irid ^ 2 = 0",
    "SELECT ROW_NUMBER() OVER (ORDER BY irid) FROM client_rec",
    // A DATEDIFF unit that is not a plain name of the list: an injection
    // through a bracketed or quoted name, or an unknown unit.
    "SELECT DATEDIFF([day',ddate,ddate)||sqlite_version()||hex(fts3_tokenizer('simple'))||coalesce('], ddate, ddate) FROM client_rec",
    "SELECT DATEDIFF(\"day\",ddate,ddate) FROM client_rec",
    "SELECT DATEDIFF(week,ddate,ddate) FROM client_rec",
    "SELECT DATEDIFF(brantle.day,ddate,ddate) FROM client_rec",
    // SQLite's own tables and table-valued functions, however written.
    "SELECT name FROM [sqlite_master]",
    "SELECT name FROM \"SQLITE_SCHEMA\"",
    "UPDATE [sqlite_sequence] SET seq=-1",
    "SELECT * FROM [pragma_table_info]",
    "SELECT * FROM brantle.dbo.[dbstat]",
    "SELECT * FROM DbStat",
    // Numbers beyond a whole number's range.
    "SELECT TOP 99999999999999999999 irid FROM client_rec",
    "SELECT CAST(irid AS varchar(99999999999999999999)) FROM client_rec",
};

TEST(SqlRewriter, RefusesUnknownConstructs) {
  for (const char* sql : kRefusals) {
    RewriteResult r = RewriteTsql(sql, SchemaColumnTypes());
    EXPECT_FALSE(r.ok) << sql << "\n  became: " << r.sql;
    if (!r.ok) {
      EXPECT_FALSE(r.error.empty()) << sql;
    }
  }
}

TEST(SqlRewriter, NormalizesTheClientsDateForms) {
  const std::pair<const char*, const char*> ok[] = {
      {"2024.03.05 0:0:0.0", "2024-03-05 00:00:00"},
      {"2024.03.31 23:59:59.998", "2024-03-31 23:59:59.998"},
      {"2024.3.5", "2024-03-05 00:00:00"},
      {"2024.03.05 9:7:3.0", "2024-03-05 09:07:03"},
      {"1900.1.1", "1900-01-01 00:00:00"},
      {"2024-02-29 10:00", "2024-02-29 10:00:00"},
      {"2024/12/31T08:00:00.5", "2024-12-31 08:00:00.500"},
  };
  for (auto [in, want] : ok) {
    std::string out;
    ASSERT_TRUE(NormalizeDateLiteral(in, out)) << in;
    EXPECT_EQ(out, want) << in;
  }
  for (const char* bad : {"2023.2.29", "2024.13.1", "2024.1.32", "24.1.1", "2024.1.1 25:00",
                          "2024.1-1", "abc", "2024.1.1 x"}) {
    std::string out;
    EXPECT_FALSE(NormalizeDateLiteral(bad, out)) << bad;
  }
}

TEST(SqlRewriter, LikeFollowsTransactSql) {
  struct L {
    const char* pattern;
    const char* text;
    bool match;
  };
  const L cases[] = {
      {"%abc%", "xxABCyy", true},   {"VIP", "vip", true},       {"B[_]1%", "B_12", true},
      {"B[_]1%", "BX12", false},    {"%[%]off%", "20%off", true}, {"%[%]off%", "20 off", false},
      {"[[]x]", "[x]", true},       {"d_money_%", "d_money_USD", true},
      {"d_money_%", "dXmoneyXUSD", true}, {"%-12345678", "999-12345678", true},
      {"[a-c]%", "B1", true},       {"[^a-c]%", "b1", false},   {"张%", "张三", true},
      {"_三", "张三", true},        {"%", "", true},            {"_", "", false},
  };
  for (const auto& c : cases) EXPECT_EQ(TsqlLike(c.pattern, c.text), c.match) << c.pattern << " / " << c.text;
}

// Rewritten statements give SQL Server's answers on the sample data.
TEST(SqlRewriter, RewrittenQueriesGiveTheExpectedRows) {
  Database db(":memory:");
  auto count = [&](const char* tsql) {
    RewriteResult r = RewriteTsql(tsql, SchemaColumnTypes());
    EXPECT_TRUE(r.ok) << tsql << ": " << r.error;
    return r.ok ? db.Scalar(r.sql).AsInt() : -1;
  };
  // Whole days from the first to the last second, both bounds inclusive.
  EXPECT_EQ(count("SELECT COUNT(1) FROM client_rec WHERE ddate BETWEEN '2024.03.05 0:0:0.0' AND '2024.03.05 23:59:59.998'"),
            count("SELECT COUNT(1) FROM client_rec WHERE ddate>='2024.3.5' AND ddate<'2024.3.6'"));
  EXPECT_GT(count("SELECT COUNT(1) FROM client_rec WHERE ddate BETWEEN '2024.03.05 0:0:0.0' AND '2024.03.05 23:59:59.998'"), 0);
  // Case and trailing blanks do not count in comparisons.
  EXPECT_EQ(count("SELECT COUNT(1) FROM client_arc WHERE ckind='vip  '"), 2);
  EXPECT_EQ(count("SELECT COUNT(1) FROM client_arc WHERE cunitname LIKE '%bright%'"), 1);
  // TOP inside a derived table.
  EXPECT_EQ(count("SELECT COUNT(1) FROM (SELECT TOP 3 irid FROM brantle.dbo.client_rec ORDER BY irid) t"), 3);
  // Scalar subquery with no row: NULL, so nothing matches.
  EXPECT_EQ(count("SELECT COUNT(1) FROM client_rec a WHERE a.irid IN(SELECT irid FROM brantle.dbo.client_rec_xbag_item where ixid=(SELECT ISNULL(ixid,0) FROM brantle.dbo.client_rec_xbag where cxno='none'))"), 0);
  EXPECT_EQ(count("SELECT COUNT(1) FROM client_rec a WHERE a.irid IN(SELECT irid FROM brantle.dbo.client_rec_xbag_item where ixid=(SELECT ISNULL(ixid,0) FROM brantle.dbo.client_rec_xbag where cxno='B2024030001'))"), 2);
  // LEN ignores trailing blanks and counts characters.
  EXPECT_EQ(count("SELECT LEN('张三  ') FROM sys_dict WHERE dcname='4'"), 2);
  EXPECT_EQ(count("SELECT COUNT(1) FROM sys_dict WHERE diposition=0 AND LEN(dcname)<=3"), 8);
  // Correlated NOT EXISTS.
  // Among the hand-written customers (the generated ones have no waybills).
  EXPECT_EQ(count("SELECT COUNT(1) FROM client_arc AS a WHERE a.icid<1000 AND NOT EXISTS(SELECT 1 FROM brantle.dbo.client_rec WHERE a.icid=icid)"), 1);
  // DATEDIFF and CONVERT.
  EXPECT_EQ(count("SELECT DATEDIFF(day,'2024.3.1','2024.3.31 23:00') FROM sys_dict WHERE dcname='4'"), 30);
  RewriteResult conv = RewriteTsql("SELECT CONVERT(varchar(10),ddate,102) FROM client_rec WHERE irid=1", SchemaColumnTypes());
  ASSERT_TRUE(conv.ok) << conv.error;
  EXPECT_EQ(db.Scalar(conv.sql).AsText(), "2024.03.02");
}

TEST(SqlRewriter, SchemaNamesHaveOneTypeForDatesAndTexts) {
  // The rewriter decides dates and "+" by column name: a name must not be a
  // date in one table and something else in another.
  for (const auto& [name, type] : SchemaColumnTypes()) EXPECT_NE(type, ColType::Mixed) << name;
}

}  // namespace
