// Bag records and scans without widgets: item weights and totals, the bag
// volume, the save call's text, quoting, the editable/deletable rule, the
// history lines and the item add with its warning confirmation.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/LanguageTable.h"
#include "consolidation/BaggingLogic.h"
#include "shell/BrantleClientApp.h"
#include "tests/refdata/RepositoryLanguage.h"

namespace {

using namespace bagging;

BagWeightRules Rules() {
  BagWeightRules r;
  r.parseDimensions = [](std::string_view text, int32_t& l, int32_t& w, int32_t& h) {
    return CBrantleClientApp::ParseDimensions(text, l, w, h);
  };
  // 6,000 cubic centimetres a kilogram.
  r.volumetric = [](int32_t l, int32_t w, int32_t h, char) { return l * w * h / 6; };
  return r;
}

struct WeightCase {
  const char* name;
  PieceMeasures piece;
  const char* clwh;
  double waybillKg;
  int32_t pieces;
  double chargeable, actual, t2, t3, t5;
  const char16_t* dimensions;
};

const WeightCase kWeightCases[] = {
    // One piece: the waybill's dimensions give V; V goes to T2, the larger counts.
    {"one piece, V below W", {}, "40*30*20", 5.0, 1, 5.0, 5.0, 4.0, 0, 5.0, u"40*30*20"},
    {"one piece, V above W", {}, "60*50*40", 5.0, 1, 20.0, 5.0, 20.0, 0, 5.0, u"60*50*40"},
    {"one piece, no dimensions", {}, "", 2.5, 1, 2.5, 2.5, 0, 2.5, 2.5, u""},
    // Several pieces: the piece's own measures.
    {"piece V above its weight", {50, 40, 30, 2000}, "", 9.0, 3, 10.0, 2.0, 10.0, 0, 3.0, u"50*40*30"},
    {"piece V below its weight", {10, 10, 10, 3000}, "", 9.0, 3, 3.0, 3.0, 0, 3.0, 3.0, u"10*10*10"},
    {"piece weight, no dimensions", {0, 0, 0, 1500}, "", 9.0, 3, 1.5, 1.5, 0, 1.5, 3.0, u""},
    {"nothing of the piece", {}, "", 4.0, 2, 2.0, 2.0, 0, 2.0, 2.0, u""},
    {"waybill dimensions only", {}, "20*20*20", 6.0, 2, 3.0, 3.0, 0, 3.0, 3.0, u"20*20*20"},
};

TEST(BaggingWeights, AccumulateItemWeightTable) {
  for (const WeightCase& c : kWeightCases) {
    SCOPED_TRACE(c.name);
    BagTotals totals;
    const ItemWeights w = AccumulateItemWeight(Rules(), c.piece, c.clwh, c.waybillKg, c.pieces, totals);
    EXPECT_DOUBLE_EQ(c.chargeable, w.chargeable);
    EXPECT_DOUBLE_EQ(c.actual, w.actual);
    EXPECT_DOUBLE_EQ(c.t2, totals.volumetricPart);
    EXPECT_DOUBLE_EQ(c.t3, totals.actualPart);
    EXPECT_DOUBLE_EQ(c.t5, totals.waybillShare);
    EXPECT_DOUBLE_EQ(c.chargeable, totals.chargeable);
    EXPECT_DOUBLE_EQ(c.actual, totals.actual);
    EXPECT_EQ(c.dimensions, w.dimensionText);
  }
}

// Removing rows takes off exactly what they added: whatever mix is added
// and then removed in any order, the totals end at zero.  Subtracting by the
// row's kind instead (T2 -= chargeable when the row has a dimension text,
// else T3 -= actual) would leave the one-piece row's 1 kg difference and the multi-piece row
// with waybill dimensions in the wrong total.
TEST(BaggingWeights, RemovalSubtractsExactlyWhatRowsAdded) {
  std::vector<BagItemRow> rows;
  BagTotals added;
  for (const WeightCase& c : kWeightCases) {
    BagItemRow row;
    row.weights = AccumulateItemWeight(Rules(), c.piece, c.clwh, c.waybillKg, c.pieces, added);
    row.declared = 1.1;
    added.declared += row.declared;
    rows.push_back(row);
  }
  // Subtracted by its kind, the first row would leave T2 at -1 kg of it.
  const ItemWeights& first = rows[0].weights;
  EXPECT_DOUBLE_EQ(-1.0, first.volumetricPart - first.chargeable);

  const BagTotals all = SumBagTotals(rows);
  EXPECT_DOUBLE_EQ(added.chargeable, all.chargeable);
  EXPECT_DOUBLE_EQ(added.volumetricPart, all.volumetricPart);
  EXPECT_DOUBLE_EQ(added.actualPart, all.actualPart);
  for (size_t order : {0u, 3u, 7u, 1u}) {
    rows.erase(rows.begin() + static_cast<long>(std::min(order, rows.size() - 1)));
    const BagTotals t = SumBagTotals(rows);
    EXPECT_GE(t.volumetricPart, 0.0);
    EXPECT_GE(t.actualPart, 0.0);
  }
  while (!rows.empty()) rows.erase(rows.begin() + static_cast<long>(rows.size() / 2));
  const BagTotals none = SumBagTotals(rows);
  EXPECT_EQ(0.0, none.chargeable);
  EXPECT_EQ(0.0, none.volumetricPart);
  EXPECT_EQ(0.0, none.actualPart);
  EXPECT_EQ(0.0, none.actual);
  EXPECT_EQ(0.0, none.waybillShare);
  EXPECT_EQ(0.0, none.declared);
}

TEST(BaggingRecords, VolumeIsCappedAfterA64BitProduct) {
  struct Case {
    int32_t l, w, h;
    uint32_t volume;
  } cases[] = {{200, 150, 100, 3000000u},
               {2000, 2000, 1000, 2100000000u},
               {3000, 3000, 1000, 2100000000u},  // 9e9 would wrap to 410,065,408 in 32 bits
               {0, 5, 5, 0u}};
  for (const Case& c : cases) EXPECT_EQ(c.volume, BagVolume(c.l, c.w, c.h)) << c.l << "x" << c.w << "x" << c.h;
  EXPECT_TRUE(HasNegativeDimension(-1, 1, 1));
  EXPECT_TRUE(HasNegativeDimension(1, 1, -1));
  EXPECT_FALSE(HasNegativeDimension(0, 1, 1));
}

TEST(BaggingRecords, BagNumberChecks) {
  struct Case {
    std::u16string in, out;
    int text;
  } cases[] = {{u"  ab12  ", u"AB12", 0}, {u"   ", u"", 360064}, {u"A,1", u"A,1", 360065},
               {u"A+1", u"A+1", 360065}, {u"A'1", u"A'1", 360065}, {u"A\"1", u"A\"1", 360065},
               {u"A&1", u"A&1", 360065}, {u"A<1", u"A<1", 360065}, {u"A>1", u"A>1", 360065}};
  for (Case& c : cases) {
    std::u16string number = c.in;
    EXPECT_EQ(c.text, CheckBagNumber(number));
    EXPECT_EQ(c.out, number);
  }
}

TEST(BaggingRecords, SaveCallTextAndQuoting) {
  BagHeaderFields f;
  f.number = u"AB12";
  f.departureAirport = u"PEK";
  f.destinationAirport = u"JFK";
  f.departureStation = u"SZ";
  f.destinationStation = u"BJ";
  f.label = u"L";
  f.bagType = u"T";
  f.consignmentNote = u"N";
  f.memo = u"M'1";
  f.order = u"1/3";
  f.specialOrder = u"2";
  f.specialNumber = u"SK1";
  f.spares = {u"s1", u"s2", u"s3", u"s4", u"s5"};
  f.weight = 1.5;
  f.length = 200;
  f.width = 150;
  f.height = 100;
  EXPECT_EQ(
      "{?=CALL brantle.dbo.cp_client_rec_xbag_add('AB12','PEK','JFK','SZ','BJ','L','T','N','M''1',0,1,"
      "'1/3','O''Neil',1.500,200,150,100,3000000,'s1','s2','s3','s4','s5','SK1','2')}",
      SaveBagSql(f, 0, 1, u"O'Neil"));
  f.length = 3000;
  f.width = 3000;
  f.height = 1000;
  const std::string mod = SaveBagSql(f, 70002, 9, u"admin");
  EXPECT_EQ(0u, mod.find("{?=CALL brantle.dbo.cp_client_rec_xbag_mod(70002,'AB12',"));
  EXPECT_NE(std::string::npos, mod.find(",0,9,'1/3','admin',1.500,3000,3000,1000,2100000000,'s1'"));
  // A text cut at its limit before the quotes are doubled never ends in a
  // lone quote.
  f.order = std::u16string(14, u'9') + u"'x";
  EXPECT_NE(std::string::npos, SaveBagSql(f, 0, 0, u"a").find(",'99999999999999''','a',"));
  EXPECT_EQ("{?=CALL brantle.dbo.cp_client_rec_xbag_del(5,'O''Neil')}", DeleteBagSql(5, u"O'Neil"));

  // Scanned text with ' [ % _ : quotes doubled, the rest as it is (none of
  // these statements uses LIKE).
  EXPECT_EQ("UPDATE brantle.dbo.client_rec_xbag SET chno='AB''%_[' WHERE ixid=7",
            SpecialFieldSql(0, u"AB'%_[", 7));
  EXPECT_EQ("UPDATE brantle.dbo.client_rec_xbag SET cby3='P''1' WHERE ixid=7", SpecialFieldSql(3, u"P'1", 7));
  EXPECT_EQ("UPDATE brantle.dbo.client_rec SET crno='RF''1' WHERE irid=9", ReferenceNumberSql(u"RF'1", 9));
  EXPECT_EQ("UPDATE brantle.dbo.client_rec_xbag SET cmemo='JF''K' WHERE ixid=3", BagMemoSql(u"JF'K", 3));
  EXPECT_EQ("SELECT cemskind,cdes,cmark,creserve,caddr FROM brantle.dbo.client_rec WHERE cserviceno='S''V%_['",
            CheckRecordSql(0, u"S'V%_[", 0));
  EXPECT_EQ("SELECT cemskind,cdes,cmark,creserve,caddr FROM brantle.dbo.client_rec WHERE irid=12",
            CheckRecordSql(12, u"x'", 1));
  EXPECT_EQ(
      "SELECT a.irid FROM brantle.dbo.client_rec AS a INNER JOIN brantle.dbo.client_arc AS b "
      "ON(a.icid=b.icid)WHERE a.cawb='' AND b.cstation='S''Z' AND a.cnum IN('A''1','B[%_') ORDER BY a.irid",
      NumberListSql({u"A'1", u"B[%_"}, u"S'Z", true));
  EXPECT_EQ(
      "SELECT a.irid FROM brantle.dbo.client_rec AS a INNER JOIN brantle.dbo.client_arc AS b "
      "ON(a.icid=b.icid)WHERE a.cawb='' AND a.cserviceno IN('X') ORDER BY a.irid",
      NumberListSql({u"X"}, u"", false));
}

TEST(BaggingScans, ItemAddCallsOfTheFourShapes) {
  ItemCheckArgs checks;
  checks.weightTolerance = 500;
  checks.balanceCheck = true;
  checks.dictionaryFlag = true;
  checks.flag22 = true;
  EXPECT_EQ("{?=CALL brantle.dbo.cp_client_rec_xbag_itemm_add_id(70001,70003,'O''Neil',500,1,1,0,1)}",
            ItemAddSql(true, 70001, 70003, 1, u"x", 0, u"O'Neil", checks));
  EXPECT_EQ("{?=CALL brantle.dbo.cp_client_rec_xbag_itemm_add_no(70001,'BC''1','a',0,1,500,1,1,0,1)}",
            ItemAddSql(true, 70001, -1, -1, u"BC'1", 1, u"a", checks));
  EXPECT_EQ("{?=CALL brantle.dbo.cp_client_rec_xbag_item_add_id(70001,70003,2,'a',500,1,1,0,1)}",
            ItemAddSql(false, 70001, 70003, 2, u"x", 1, u"a", checks));
  EXPECT_EQ("{?=CALL brantle.dbo.cp_client_rec_xbag_item_add_no(?,70001,'SV1','a',1,2,500,1,1,0,1)}",
            ItemAddSql(false, 70001, -1, -1, u"SV1", 0, u"a", checks));
  EXPECT_EQ(2u, ItemAddColumns(false, -1));
  EXPECT_EQ(1u, ItemAddColumns(false, 5));
  EXPECT_EQ(1u, ItemAddColumns(true, -1));
  EXPECT_EQ("{?=CALL brantle.dbo.cp_client_rec_xbag_itemm_del(1,2,'a',1)}", ItemRemoveSql(true, 1, 2, 3, u"a", true));
  EXPECT_EQ("{?=CALL brantle.dbo.cp_client_rec_xbag_item_del(1,2,3,'a',0)}", ItemRemoveSql(false, 1, 2, 3, u"a", false));
}

// A warning code asks once; Yes sends the identical call again and its
// answer is final; No ends with nothing more sent; with the checks off the
// first answer is final.
TEST(BaggingScans, WarningIsConfirmedByTheIdenticalCall) {
  std::vector<std::string> sent;
  std::vector<std::string> replies;
  serverlink::ProcedureSender send = [&](std::string_view sql, std::span<const uint32_t> types,
                                         std::string& reply) {
    sent.emplace_back(sql);
    EXPECT_EQ(2u, types.size());
    reply = replies[sent.size() - 1];
    return static_cast<int>(reply.size());
  };
  const std::string warning = R"({"ReturnValue":2,"List":[{"0":"-100000005","1":"1"}]})";
  const std::string added = R"({"ReturnValue":2,"List":[{"0":"70003","1":"2"}]})";
  std::vector<int32_t> asked;
  for (bool yes : {true, false}) {
    sent.clear();
    asked.clear();
    replies = {warning, added};
    const ItemAddOutcome out = SendItemAdd(send, "CALL-1", 2, true, [&](int32_t w) {
      asked.push_back(w);
      return yes;
    });
    EXPECT_EQ(std::vector<int32_t>{5}, asked);
    if (yes) {
      EXPECT_EQ((std::vector<std::string>{"CALL-1", "CALL-1"}), sent);
      EXPECT_EQ(70003, out.code);
      EXPECT_EQ(2, out.piecePosition);
      EXPECT_FALSE(out.cancelled);
    } else {
      EXPECT_EQ(std::vector<std::string>{"CALL-1"}, sent);
      EXPECT_TRUE(out.cancelled);
    }
  }
  sent.clear();
  asked.clear();
  replies = {warning};
  const ItemAddOutcome off = SendItemAdd(send, "CALL-2", 2, false, [&](int32_t w) {
    asked.push_back(w);
    return true;
  });
  EXPECT_TRUE(asked.empty());
  EXPECT_EQ(1u, sent.size());
  EXPECT_EQ(-100000005, off.code);
  // A reply whose ReturnValue is not the declared column count does not count.
  sent.clear();
  replies = {R"({"ReturnValue":1,"List":[{"0":"70003"}]})"};
  EXPECT_FALSE(SendItemAdd(send, "CALL-3", 2, true, nullptr).replied);
}

TEST(BaggingRecords, EditableAndDeletableRule) {
  struct Case {
    int state;
    bool onAwb, own;
    int share;
    bool supervision;
    bool editable, deletable;
  } cases[] = {
      {0, false, true, 0, false, true, true},    // own open bag
      {0, false, false, 0, false, false, false}, // another's exclusive bag
      {0, false, false, 1, false, true, false},  // another's station bag
      {0, false, false, 2, false, true, false},  // another's shared bag
      {0, false, false, 0, true, true, true},    // supervision right
      {1, false, true, 0, true, false, false},   // sealed
      {0, true, true, 0, true, false, false},    // on a master air waybill
      {3, false, true, 2, true, false, false},
  };
  for (const Case& c : cases) {
    const BagAccess a = BagAccessOf(c.state, c.onAwb, c.own, c.share, c.supervision);
    EXPECT_EQ(c.editable, a.editable) << c.state << c.onAwb << c.own << c.share << c.supervision;
    EXPECT_EQ(c.deletable, a.deletable) << c.state << c.onAwb << c.own << c.share << c.supervision;
  }
  EXPECT_EQ(9, ShareArgument(70002, false, 1));
  EXPECT_EQ(1, ShareArgument(70002, true, 1));
  EXPECT_EQ(2, ShareArgument(0, false, 2));
}

TEST(BaggingRecords, HistoryLines) {
  ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "00"));
  BagHeader h;
  h.created = u"2024-05-06 09:00:00";
  h.creator = u"管理员";
  h.state = 2;
  h.awb = u"999-44444440";
  h.modified = u"2024-05-06 09:40:00";
  h.modifier = u"张三";
  h.sealed = u"2024-05-06 11:00:00";
  h.sealer = u"李四";
  h.loaded = u"1900-01-01 00:00:00";
  h.unsealed = u"2024-05-06 11:30:00";
  h.unsealer = u"王五";
  EXPECT_EQ(
      u"创建:2024-05-06 09:00:00【管理员】\r\n状态:已配载【AWB:999-44444440】\r\n"
      u"修改:2024-05-06 09:40:00【张三】\r\n\r\n封袋:2024-05-06 11:00:00【李四】\r\n"
      u"\r\n配载:2024-05-06 11:30:00【王五】\r\n",
      BagHistoryText(h));
}

}  // namespace
