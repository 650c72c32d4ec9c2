// The record query's chunks: the statement rewrite, the merging of chunks
// that end anywhere (between two rows of one waybill too), and the loading
// loop over a server that cuts its chunks without regard to records.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "common/TextCodec.h"
#include "shipping/RecordQuery.h"

namespace {

using recordquery::Row;

// A waybill id and the bag it is listed with.
using Item = std::pair<int, std::string>;

Row MakeRow(int irid, const std::string& bag) {
  Row row;
  row.irid = irid;
  row.cells[5] = std::u16string(bag.begin(), bag.end());
  return row;
}

std::vector<Item> Items(const std::vector<Row>& rows) {
  std::vector<Item> items;
  for (const Row& r : rows) items.push_back({r.irid, std::string(r.cells[5].begin(), r.cells[5].end())});
  return items;
}

// A server over a fixed result (ascending ids) that ends each chunk after
// `cut` rows, wherever that falls, and answers "a.irid>N" from the rewrite.
struct CuttingServer {
  std::vector<Item> rows;
  size_t cut = 3;
  int requests = 0;
  int failAt = 0;  // the request number that fails (0: none)

  std::string operator()(const std::string& sql) {
    ++requests;
    if (failAt == requests) return {};
    long after = -1;
    const size_t at = sql.find(" WHERE a.irid>");
    if (at != std::string::npos) after = std::atol(sql.c_str() + at + 14);
    std::string list;
    size_t n = 0;
    size_t i = 0;
    while (i < rows.size() && rows[i].first <= after) ++i;
    for (; i < rows.size() && n < cut; ++i, ++n) {
      if (n) list += ',';
      list += "{\"0\":" + std::to_string(rows[i].first) + ",\"15\":\"" + rows[i].second + "\"}";
    }
    const bool end = i >= rows.size();
    if (n == 0) return "{\"ReturnValue\":1,\"iTotal\":0,\"bEnd\":true}";
    return "{\"ReturnValue\":1,\"iTotal\":" + std::to_string(n) + ",\"bEnd\":" +
           (end ? "true" : "false") + ",\"List\":[" + list + "]}";
  }
};

std::vector<Item> LoadAll(CuttingServer& server, int* listed = nullptr) {
  std::vector<Row> shown;
  const int n = recordquery::LoadWith(
      [&server](const std::string& sql) { return server(sql); },
      u"SELECT TOP 20000 a.irid FROM x AS a WHERE a.ddate BETWEEN '1' AND '2' ORDER BY a.irid",
      [&shown](std::vector<Row>&& rows) {
        for (Row& r : rows) shown.push_back(std::move(r));
      });
  if (listed) *listed = n;
  return Items(shown);
}

}  // namespace

TEST(RecordQuery, ChunkRewriteTouchesOnlyTheFirstUpperCaseWhere) {
  const std::u16string bag =
      u"SELECT x WHERE a.irid IN(SELECT irid FROM brantle.dbo.client_rec_xbag_item where ixid"
      u"=(SELECT ISNULL(ixid,0) FROM brantle.dbo.client_rec_xbag where cxno='B1')) ORDER BY a.irid";
  EXPECT_EQ(recordquery::ChunkSql(bag, 4321),
            u"SELECT x WHERE a.irid>4321 AND a.irid IN(SELECT irid FROM "
            u"brantle.dbo.client_rec_xbag_item where ixid=(SELECT ISNULL(ixid,0) FROM "
            u"brantle.dbo.client_rec_xbag where cxno='B1')) ORDER BY a.irid");
  EXPECT_EQ(recordquery::ChunkSql(u"SELECT 1 FROM t", 5), u"SELECT 1 FROM t");
  EXPECT_EQ(recordquery::WithOrder(u"SELECT x WHERE a.cawb='1'"),
            u"SELECT x WHERE a.cawb='1' ORDER BY a.irid");
  EXPECT_EQ(recordquery::WithOrder(u"SELECT x ORDER BY a.irid"), u"SELECT x ORDER BY a.irid");
}

TEST(RecordQuery, ChunksCutAnywhereLoseNoRowAndRepeatNone) {
  CuttingServer server;
  // Waybill 2 in two bags, 5 in none, 7 in five bags (more than a chunk).
  server.rows = {{1, "A"}, {2, "A"}, {2, "B"}, {3, ""}, {4, "C"}, {5, ""}, {6, "D"},
                 {7, "E1"}, {7, "E2"}, {7, "E3"}, {7, "E4"}, {7, "E5"}, {8, "F"}, {9, ""}};
  // Every cut from the largest waybill's row count up.
  for (size_t cut : {5u, 6u, 7u, 8u, 100u}) {
    server.cut = cut;
    server.requests = 0;
    int listed = 0;
    EXPECT_EQ(LoadAll(server, &listed), server.rows) << "chunks of " << cut;
    EXPECT_EQ(listed, static_cast<int>(server.rows.size()));
  }
}

TEST(RecordQuery, AWaybillLargerThanAChunkDoesNotStopTheLoading) {
  CuttingServer server;
  server.rows = {{1, "A"}, {2, "B1"}, {2, "B2"}, {2, "B3"}, {3, ""}, {4, "C"}};
  server.cut = 2;
  // Waybill 2 cannot come whole in chunks of 2: what came of it is listed
  // once, and every other waybill follows.
  EXPECT_EQ(LoadAll(server), (std::vector<Item>{{1, "A"}, {2, "B1"}, {2, "B2"}, {3, ""}, {4, "C"}}));
}

TEST(RecordQuery, ALaterChunkThatFailsKeepsTheRowsSoFar) {
  CuttingServer server;
  server.rows = {{1, "A"}, {2, "A"}, {2, "B"}, {3, ""}, {4, ""}, {5, ""}};
  server.cut = 2;
  server.failAt = 2;
  // The first chunk holds waybill 1 and one row of 2; the second request
  // fails, so what came of waybill 2 is listed and the loading ends.
  EXPECT_EQ(LoadAll(server), (std::vector<Item>{{1, "A"}, {2, "A"}}));
  server.failAt = 1;
  server.requests = 0;
  int listed = 0;
  EXPECT_TRUE(LoadAll(server, &listed).empty());
  EXPECT_EQ(listed, -1) << "nothing found";
}

TEST(RecordQuery, ReadsTheGridCellsOfAReplyRow) {
  const std::string object =
      "{\"0\":17,\"3\":2.5,\"4\":\"\xE6\x9D\xB1\xE4\xBA\xAC\",\"6\":\"2024-03-05 10:11:12\",\"8\":\"BR1\","
      "\"10\":3,\"27\":\"2024-03-06 08:09:10\",\"29\":\"1900-01-01 00:00:00\",\"31\":\"2024-03-07 01:02:03\"}";
  const Row row = recordquery::ReadRow(object);
  EXPECT_EQ(row.irid, 17);
  EXPECT_EQ(row.cells[1], u"2024-03-05");
  EXPECT_EQ(row.cells[2], u"BR1");
  EXPECT_EQ(row.cells[9], u"東京");
  EXPECT_EQ(row.cells[11], u"3");
  EXPECT_EQ(row.cells[12], u"2.500");
  EXPECT_EQ(row.cells[25], u"2024-03-06 08:09");
  EXPECT_EQ(row.cells[27], u"") << "a date before 2000 counts as none";
  EXPECT_EQ(row.cells[29], u"2024-03-07 01:02");
}
