// The readers of page 14's replies: the list rows and the transit row, fed
// random bytes and mutated replies.  They must never read outside the text,
// and what they give back keeps its limits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "consolidation/AwbList.h"
#include "consolidation/AwbTransit.h"
#include "tests/fuzz/FuzzBytes.h"

namespace {

const std::string kListReply =
    R"({"ReturnValue":0,"iTotal":2,"bEnd":1,"List":[)"
    R"({"0":"745-10000011","1":"\u822a\u7ebf","2":"PVG","3":"LAX","4":10,"5":125500,"6":"QS745",)"
    R"("7":"2025-03-03 09:00:00","8":"2025-03-04 23:10:00","9":0,"10":"2025-03-04 23:10:00","11":""},)"
    R"({"0":"745-1000'044","1":"x","2":"y","3":"z","4":-1,"5":-5,"6":"","7":"","8":"1900-01-01","9":255,"10":null,"11":"2"}]})";

const std::string kTransitReply =
    R"({"ReturnValue":0,"iTotal":1,"List":[{"0":"CA745","1":"2025-04-03 01:15:00","2":2,"3":"2025-04-03 01:15",)"
    R"("8":"\u5df2\u8d77\u98de","13":"Departed","18":"\u5e7f\u5dde","23":"Guangzhou","27":"Berlin"}]})";

void CheckRows(const std::string& text) {
  std::vector<awblist::Row> rows;
  if (!awblist::ReadRows(text, rows)) return;
  for (const awblist::Row& row : rows) {
    ASSERT_LE(row.cells[0].size(), 30u);
    ASSERT_LE(row.cells[2].size(), 63u);
    ASSERT_LE(row.cells[6].size(), 15u);
    ASSERT_LE(row.cells[7].size(), 10u);
    ASSERT_LE(row.cells[8].size(), 16u);
  }
}

void CheckTransit(const std::string& text) {
  awbtransit::TransitFields fields;
  if (!awbtransit::ReadTransit(text, u"745-1", fields)) {
    ASSERT_TRUE(fields.number.empty());
    return;
  }
  ASSERT_LE(fields.flight.size(), 15u);
  ASSERT_LE(fields.takeOffTime.size(), 19u);
  for (size_t k = 0; k < 5; ++k) {
    ASSERT_LE(fields.dates[k].size(), 19u);
    ASSERT_LE(fields.details[k].size(), 254u);
    ASSERT_LE(fields.placesEnglish[k].size(), 127u);
  }
}

TEST(AwbListFuzz, RandomAndMutatedReplies) {
  fuzz::Bytes bytes(745);
  for (int i = 0; i < 3000; ++i) {
    CheckRows(bytes.Random(400));
    CheckRows(bytes.From("{}[]\":,0123456789List iTotal\\u", 400));
    CheckRows(bytes.Mutate(kListReply));
    CheckTransit(bytes.Random(400));
    CheckTransit(bytes.Mutate(kTransitReply));
  }
}

}  // namespace
