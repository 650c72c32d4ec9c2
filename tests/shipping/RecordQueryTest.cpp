// The record query's chunks: the statement rewrite, the merging of chunks
// that end anywhere (between two rows of one waybill too), and the loading
// loop over a server that cuts its chunks without regard to records.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "common/Json.h"
#include "common/TextCodec.h"
#include "shipping/RecordQuery.h"

namespace {

using recordquery::Row;

// A waybill id and the bag it is listed with.
using Item = std::pair<int, std::string>;

Row MakeRow(int irid, const std::string& bag) {
  Row row;
  row.irid = irid;
  row.cells[5] = QString::fromStdString(bag);
  return row;
}

std::vector<Item> Items(const std::vector<Row>& rows) {
  std::vector<Item> items;
  for (const Row& r : rows) items.push_back({r.irid, r.cells[5].toStdString()});
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
  EXPECT_EQ(row.cells[1].toStdU16String(), u"2024-03-05");
  EXPECT_EQ(row.cells[2].toStdU16String(), u"BR1");
  EXPECT_EQ(row.cells[9].toStdU16String(), u"東京");
  EXPECT_EQ(row.cells[11].toStdU16String(), u"3");
  EXPECT_EQ(row.cells[12].toStdU16String(), u"2.500");
  EXPECT_EQ(row.cells[25].toStdU16String(), u"2024-03-06 08:09");
  EXPECT_EQ(row.cells[27].toStdU16String(), u"") << "a date before 2000 counts as none";
  EXPECT_EQ(row.cells[29].toStdU16String(), u"2024-03-07 01:02");
}

// Each cell reads what the free readers read from the same value: the text
// as JsonGetWString decodes it, cut to the column's length; "%d" and "%.3f"
// of the numbers as snprintf writes them into 64 bytes.
TEST(RecordQuery, ReadsEachCellAsTheFreeReadersDo) {
  struct Case {
    const char* value;  // the JSON value of key "8" (a.cnum, 30 characters at most)
    const char* weight;  // the JSON value of key "3" (a.fweights)
  };
  const Case cases[] = {
      {"\"BR1\"", "2.5"},
      {"\"\"", "0"},
      {"\"123456789012345678901234567890123\"", "-0.0"},  // cut to 30
      {"\"a\\u0022b\\x41c\"", "1e300"},                // escapes; a weight longer than 63
      {"\"\xE6\x9D\xB1\xE4\xBA\xAC\\u4EAC\"", "-123.4567"},  // UTF-8 and an escape
      {"\"abcdefghijklmnopqrstuvwxyz123\xF0\x9F\x98\x80\"", "\"7.25\""},  // a pair at the cut
      {"17", "null"},                                      // not a string
      {"\"open", "2.0005"},                               // left open
  };
  for (const Case& c : cases) {
    const std::string object =
        std::string("{\"0\":5,\"3\":") + c.weight + ",\"10\":-7,\"8\":" + c.value + "}";
    const Row row = recordquery::ReadRow(object);
    char weight[64];
    std::snprintf(weight, sizeof weight, "%.3f", JsonGetDouble("3", object, 0));
    EXPECT_EQ(row.cells[2].toStdU16String(), JsonGetWString("8", object, 30)) << object;
    EXPECT_EQ(row.cells[12].toStdString(), weight) << object;
    EXPECT_EQ(row.cells[11].toStdU16String(), u"-7") << object;
    EXPECT_TRUE(row.cells[3].isNull()) << "a missing value is a cell never set";
  }
}

// Rows of one reply read one after another: a value equal to the row
// before's reads the same, and a different one (or none) is read anew.
TEST(RecordQuery, RowsOfAReplyReadEachValueOfTheirOwn) {
  const char* const values[] = {"\"LAX\"", "\"LAX\"", "\"LA\"", "\"LAX\"", "null", "\"LAX\"",
                                "\"\\u6771\"", "\"\\u6771\"", "\"1999-01-01\"", "\"2001-01-01\"",
                                "\"1999-01-01\"", "\"\""};
  std::string list;
  std::vector<std::string> objects;
  int id = 0;
  for (const char* value : values) {
    // The same value in a text column (a.cdes, 63 characters) and in a date
    // column shown only from 2000 on (d.dpack).
    objects.push_back("{\"0\":" + std::to_string(++id) + ",\"4\":" + value + ",\"29\":" + value + "}");
    list += (list.empty() ? "" : ",") + objects.back();
  }
  const std::string reply = "{\"ReturnValue\":1,\"iTotal\":" + std::to_string(objects.size()) +
                            ",\"bEnd\":true,\"List\":[" + list + "]}";
  std::vector<Row> rows;
  bool end = false;
  ASSERT_TRUE(recordquery::ReadChunk(reply, rows, end));
  EXPECT_TRUE(end);
  ASSERT_EQ(rows.size(), objects.size());
  for (size_t r = 0; r < rows.size(); ++r) {
    SCOPED_TRACE(objects[r]);
    EXPECT_EQ(rows[r].irid, static_cast<int>(r + 1));
    EXPECT_EQ(rows[r].cells[9].toStdU16String(), JsonGetWString("4", objects[r], 63));
    std::u16string date = JsonGetWString("29", objects[r], 16);
    if (!date.empty() && date[0] < u'2') date.clear();
    EXPECT_EQ(rows[r].cells[27].toStdU16String(), date);
  }
}
