// Random and mutated statements into the stand-in's literal split: it never
// fails, and a split text holds exactly one marker per value taken out
// (outside its quoted texts and names).

#include <gtest/gtest.h>

#include <string_view>

#include "localserver/SqlLiterals.h"
#include "tests/fuzz/FuzzBytes.h"

namespace {

// '?' outside quoted texts and names.
size_t Markers(std::string_view sql) {
  size_t n = 0;
  for (size_t i = 0; i < sql.size(); ++i) {
    const char c = sql[i];
    if (c == '\'' || c == '"' || c == '`' || c == '[') {
      const size_t end = sql.find(c == '[' ? ']' : c, i + 1);
      if (end == std::string_view::npos) break;
      i = end;
    } else if (c == '?') {
      ++n;
    }
  }
  return n;
}

}  // namespace

TEST(SqlLiteralsFuzz, SplitTextsHoldOneMarkerPerValue) {
  fuzz::Bytes gen(5252);
  const std::string seeds[] = {
      "UPDATE client_rec SET creceiver = '收件人2' , iquantity = 3 , fgoods = 12.50 WHERE irid = 713005",
      "INSERT INTO client_rec_goods(wpos,irid,cgoods) VALUES(0,7,'Goods 1'),(1,7,'a''b')",
      "SELECT a.irid FROM client_rec AS a WHERE a.cnum='BR16000001' AND b.ckind LIKE 'A%' LIMIT 5",
      "INSERT INTO client_rec_goods ( wpos , irid , cgoods ) SELECT 0 , 7 , 'Goods 1' UNION ALL SELECT 1 , 7 , "
      "(SELECT 'a''b' FROM t WHERE x = 2) , 2.50 FROM u ORDER BY 1"};
  for (int i = 0; i < fuzz::kRounds; ++i) {
    const std::string sql = i % 2 ? gen.Mutate(seeds[static_cast<size_t>(i) % 4])
                                  : gen.From(i % 4 ? "SELECT VALUES()[]\"'',.+-=<>!0123456789.eLIKE ?:"
                                                   : "INSERT SELECT UNION FROM ()[]\"'',.+-=0123456789 ", 90);
    const localserver::LiteralSplit split = localserver::SplitLiterals(sql);
    if (split.values.empty()) {
      EXPECT_TRUE(split.sql.empty());
      continue;
    }
    EXPECT_EQ(Markers(sql), 0u) << sql;
    EXPECT_EQ(Markers(split.sql), split.values.size()) << sql << "\n -> " << split.sql;
  }
}
