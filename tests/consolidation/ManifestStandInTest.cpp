// The manifest queries run on the stand-in as sent, against the sample
// master air waybill 123-45-6: in every layout the waybills written are
// exactly the waybills the layout's rule puts on the manifest, read
// straight from the stand-in's database (bags past state 2 included), the
// special-control filter keeps to its bags, and the goods lines of the
// goods layouts come once per waybill.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "common/TextCodec.h"
#include "consolidation/AwbManifest.h"
#include "print/TemplateModel.h"
#include "server/ServerLink.h"
#include "tests/consolidation/ManifestSink.h"
#include "tests/server/StandInDatabase.h"
#include "tests/server/StandInLinkSuite.h"

namespace {

using namespace manifest;
using testsupport::CountOnDatabase;

// Every bag item of the bags on the sample master air waybill, whatever
// the bag's state (the number compared without the server's collation).
constexpr char kItems[] =
    "(SELECT ixid,irid,wpos FROM client_rec_xbag_item UNION ALL "
    "SELECT ixid,irid,wpos FROM client_rec_xbag_item_u) AS e "
    "JOIN client_rec_xbag AS d ON d.ixid=e.ixid WHERE d.cawb||''='123-45-6'";

class ManifestStandIn : public testsupport::StandInLinkSuite<ManifestStandIn> {
 public:
  static constexpr const char* kRootName = "brantle-manifest-standin";

 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(OpenLink("01", "PC-MF46"));
    ASSERT_GT(link_.Login(u"admin", u"admin123", 0), 0);
  }

  std::vector<ManifestRow> Rows(Layout layout, const ManifestSettings& s, bool filter,
                                const std::u16string& special) {
    std::vector<ManifestRow> parts[2];
    const ItemTable tables[2] = {ItemTable::kOpen, ItemTable::kPast};
    for (int i = 0; i < 2; ++i) {
      std::string reply;
      const std::string sql = MainSql(layout, s, u"123-45-6", filter, special, tables[i]);
      link_.SqlQuery(sql, MainTypes(layout, s.pieceRows), &reply);
      EXPECT_TRUE(ReadMainRows(reply, layout, s, parts[i])) << sql << "\n" << reply.substr(0, 300);
    }
    return MergeRows(std::move(parts[0]), std::move(parts[1]), layout != Layout::kStandard || s.pieceRows);
  }

  int64_t Distinct(const std::string& condition) {
    return CountOnDatabase(server_->Database(),
                           std::string("SELECT COUNT(DISTINCT e.irid) FROM ") + kItems + condition);
  }
};

// The waybills written per layout against the database: one row per
// waybill lists those whose piece 1 is on board; every other layout every
// waybill with any piece on board.
TEST_F(ManifestStandIn, EveryLayoutWritesTheWaybillsItsRuleNames) {
  struct Case {
    const char* what;
    const char* text;
    const char* condition;  // the rule's waybills in SQL
    int rows;               // sheet rows above the totals
  };
  const Case cases[] = {
      {"per waybill", "", " AND e.wpos=1", 7},
      {"per piece", "一票多件分列=1\n", "", 12},
      {"goods across", "多件物品横列=3\n", "", 12},
      // The goods lines once per waybill: 46002 three rows (not nine),
      // 46003 one (not two), 46004 two, the others one each.
      {"goods in rows, goods lines", "多件物品分列=1\n", "", 11},
      {"goods in rows, pieces", "多件物品分列=1\n一票多件分列=1\n", "", 12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CTemplateModel model(GbkFromWide(kTemplateKind), "t");
    model.SetText(GbkFromWide(u"<列表定义开始>\n内单号=A2\n序号=B2\n<列表定义结束>\n") +
                  GbkFromWide(QString::fromUtf8(c.text).toStdU16String()));
    const ManifestSettings s = ReadSettings(model);
    const std::vector<ManifestRow> rows = Rows(s.layout, s, false, {});
    RecordingSink sink;
    ManifestForm form;
    form.awbNumber = u"123-45-6";
    const ManifestTotals t = WriteManifest(sink, model, s, form, DerivedValues{}, HeaderValues{},
                                           rows, nullptr, ManifestLookups{});
    std::set<std::u16string> written;
    for (const auto& cell : sink.cells)
      if (cell.column == 1 && cell.row < t.totalsRow) written.insert(cell.text);
    const int64_t expected = Distinct(c.condition);
    EXPECT_EQ(static_cast<int64_t>(written.size()), expected);
    EXPECT_EQ(t.sheetRows, c.rows);
    std::set<std::u16string> want;
    for (const char* n : {"MF46001", "MF46002", "MF46004", "MF46005", "MF46006", "MF46007", "MF46008"})
      want.insert(QString(n).toStdU16String());
    if (std::string(c.what) != "per waybill") want.insert(u"MF46003");
    EXPECT_EQ(written, want);
  }
}

// The bags past state 2 come from client_rec_xbag_item_u: without them
// waybills 46004 and 46005 would be missing.
TEST_F(ManifestStandIn, BagsPastStateTwoAreRead) {
  ManifestSettings s;
  std::string reply;
  link_.SqlQuery(MainSql(Layout::kStandard, s, u"123-45-6", false, {}, ItemTable::kPast),
                 MainTypes(Layout::kStandard, false), &reply);
  std::vector<ManifestRow> rows;
  ASSERT_TRUE(ReadMainRows(reply, Layout::kStandard, s, rows));
  std::vector<int32_t> ids;
  for (const auto& r : rows) ids.push_back(r.irid);
  EXPECT_EQ(ids, (std::vector<int32_t>{46004, 46005}));
  EXPECT_EQ(rows[0].chno, u"");
  EXPECT_EQ(rows[0].cxno, u"MF46B003");
}

// "A123" keeps to bag 46001, both in the main query and in the goods query;
// the rows come in bag order, transfer number and piece.
TEST_F(ManifestStandIn, FilterAndOrder) {
  CTemplateModel model(GbkFromWide(kTemplateKind), "t");
  model.SetText(GbkFromWide(u"多件物品横列=3\n"));
  const ManifestSettings s = ReadSettings(model);
  const std::vector<ManifestRow> rows = Rows(Layout::kGoodsAcross, s, true, u"A123");
  std::vector<std::string> got;
  for (const auto& r : rows)
    got.push_back(std::to_string(r.irid) + "/" + std::to_string(r.wpos) + " " + GbkFromWide(r.chno));
  EXPECT_EQ(got, (std::vector<std::string>{"46001/1 A123", "46002/1 A123", "46002/2 A123", "46007/1 A123"}));

  std::string reply;
  link_.SqlQuery(GoodsLinesSql(u"123-45-6", true, u"A123"), GoodsLinesTypes(), &reply);
  std::vector<GoodsLine> lines;
  ASSERT_TRUE(ReadGoodsLines(reply, lines)) << reply;
  std::vector<int32_t> ids;
  for (const auto& g : lines) ids.push_back(g.irid);
  EXPECT_EQ(ids, (std::vector<int32_t>{46002, 46002, 46002}));
  // Unfiltered: the state-3 bag's waybill 46004 too.
  reply.clear();
  link_.SqlQuery(GoodsLinesSql(u"123-45-6", false, {}), GoodsLinesTypes(), &reply);
  lines.clear();
  ASSERT_TRUE(ReadGoodsLines(reply, lines));
  ids.clear();
  for (const auto& g : lines) ids.push_back(g.irid);
  EXPECT_EQ(ids, (std::vector<int32_t>{46002, 46002, 46002, 46003, 46004, 46004}));
  EXPECT_EQ(lines[1].cgoods, u"doll");
  EXPECT_DOUBLE_EQ(lines[1].fprice, 10);
}

// Goods in rows with pieces: each bag item joins its own piece, so waybill
// 46002 (three pieces on board) gives one first and two following rows,
// and 46003 (pieces 2 and 3) one first and one following row.
TEST_F(ManifestStandIn, PiecesJoinTheirOwnItem) {
  CTemplateModel model(GbkFromWide(kTemplateKind), "t");
  model.SetText(GbkFromWide(u"多件物品分列=1\n一票多件分列=1\n"));
  const ManifestSettings s = ReadSettings(model);
  const std::vector<ManifestRow> rows = Rows(Layout::kGoodsInRows, s, false, {});
  std::vector<std::string> got;
  for (const auto& r : rows)
    if (r.irid == 46002 || r.irid == 46003)
      got.push_back(std::to_string(r.irid) + "/" + std::to_string(r.wpos) + " " +
                    GbkFromWide(r.line.cgoods) + " " + std::to_string(r.line.iquantity));
  EXPECT_EQ(got, (std::vector<std::string>{"46002/1 robot 4", "46002/2 doll 3", "46002/3  0",
                                           "46003/2  0", "46003/3  0"}));
}

}  // namespace
