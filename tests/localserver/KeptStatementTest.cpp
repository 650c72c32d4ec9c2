// The server's own statements kept prepared between uses: a kept statement
// comes back with nothing of its last run, two uses of one text at a time
// each have their own, and a client's statement never takes over one that
// was prepared without the client policy.

#include <gtest/gtest.h>

#include "localserver/Database.h"

namespace localserver {
namespace {

TEST(KeptStatements, ComeBackResetWithoutBindings) {
  Database db(":memory:");
  const char* sql = "SELECT ?1 + 1";
  {
    Statement st(db.Handle(), sql);
    st.Bind(1, 41);
    ASSERT_TRUE(st.Step());
    EXPECT_EQ(st.Column(0).AsInt(), 42);
  }
  for (int round = 0; round < 3; ++round) {
    // Taken over again: the parameter is unbound (NULL + 1 is NULL).
    Statement st(db.Handle(), sql);
    ASSERT_TRUE(st.Step());
    EXPECT_EQ(st.Column(0).kind, DbValue::Null);
    EXPECT_FALSE(st.Step());
  }
}

TEST(KeptStatements, OneTextUsedTwiceAtATime) {
  Database db(":memory:");
  db.Exec("CREATE TABLE t(x INTEGER)");
  db.Exec("INSERT INTO t VALUES(1),(2),(3)");
  const char* sql = "SELECT x FROM t ORDER BY x";
  Statement outer(db.Handle(), sql);
  int64_t sum = 0;
  while (outer.Step()) {
    Statement inner(db.Handle(), sql);
    while (inner.Step()) sum += outer.Column(0).AsInt() * inner.Column(0).AsInt();
  }
  EXPECT_EQ(sum, 36);  // (1+2+3) * (1+2+3)
}

TEST(KeptStatements, ClientStatementsPassThePolicyWhateverTheServerKept) {
  Database db(":memory:");
  const char* sql = "SELECT name FROM sqlite_master";
  {
    Statement own(db.Handle(), sql);  // the server's own: no policy
    own.Step();
  }
  Database::ClientSqlScope scope(db);
  EXPECT_THROW(Statement(db, sql, Statement::KeepPrepared{}), DbError);
  EXPECT_THROW(Statement(db.Handle(), sql), DbError);
}

}  // namespace
}  // namespace localserver
