// The save, the load for editing and the delete against the local stand-in
// server: the procedures, the piece and goods rows, the fields sent after
// the call, the refusal states of the sample waybills, and a goods INSERT
// the server fails after the old lines were deleted.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "entry/WaybillSave.h"
#include "refdata/ServiceKinds.h"
#include "server/ServerLink.h"
#include "server/ServerLinkSupport.h"
#include "tests/refdata/RepositoryLanguage.h"
#include "tests/server/StandInDatabase.h"
#include "tests/server/StandInLinkSuite.h"

namespace {

using testsupport::ExecOnDatabase;

PieceLine Piece(int l, int grams, const char* number) {
  PieceLine p{};
  p.ixLong = p.ixWidth = p.ixHeight = l;
  p.ixWeight = grams;
  p.nxPercent = 100;
  std::strcpy(p.cxNo, number);
  std::strcpy(p.cxRNo, "R-1");
  return p;
}

GoodsLine Goods(const char* name, int quantity) {
  GoodsLine g{};
  std::strcpy(g.cgoods, name);
  std::strcpy(g.cunit, "PCS");
  g.iquantity = quantity;
  g.fprice = 2.5;
  g.fgweight = 0.25;
  return g;
}

class WaybillSaveStandIn : public testsupport::StandInLinkSuite<WaybillSaveStandIn> {
 public:
  static constexpr const char* kRootName = "brantle-waybill-save";

 protected:
  void SetUp() override {
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "00"));
    ASSERT_NO_FATAL_FAILURE(OpenLink("00", "PC-SAVE"));
    ASSERT_GT(link_.Login(u"admin", u"admin123", 0), 0);
    saveLink_ = MakeServerWaybillSaveLink(link_);
    saver_ = std::make_unique<CWaybillSaver>(*saveLink_, entry_);
  }

  void NewEntry(const char16_t* number) {
    entry_ = WaybillEntry{};
    entry_.kind = &kind_;
    entry_.customerId = 1;
    entry_.customerStation = "SZ";
    entry_.dateText = u"2024.5.6";
    entry_.itemCount = 2;
    entry_.texts[1] = u"美国";
    entry_.texts[2] = number;
    entry_.texts[4] = u"2.5";
    entry_.texts[5] = u"120";
    entry_.texts[7] = u"O'Brien";
    entry_.texts[17] = u"运输员";
    entry_.texts[18] = u"Bearer";
    entry_.texts[22] = u"备注 a'b";
    entry_.texts[65] = u"箱";
    entry_.texts[66] = u"1.25";
    entry_.texts[67] = u"440301199001011234";
    entry_.pieces = {Piece(10, 1000, "P-1"), Piece(20, 1500, "P-2")};
    entry_.goods = {Goods("T-shirt", 3), Goods("Cap", 1)};
    entry_.goodsChanged = true;
  }

  int32_t IdOf(std::string_view number) { return link_.FindWaybillId(0, number, false); }

  // The first column of the first row of a query through the link ("FROM x"
  // read as the client writes it, "FROM brantle.dbo.x"), -1 without a row.
  int64_t Count(std::string sql) {
    for (size_t at = sql.find("FROM "); at != std::string::npos; at = sql.find("FROM ", at + 5))
      sql.insert(at + 5, "brantle.dbo.");
    const uint32_t types[] = {AcsTypeEntry(kSqlCSLong)};
    std::string reply;
    if (link_.SqlQuery(sql, types, &reply) <= 0) return -1;
    return serverlink::ReplyFirstColumnInt(reply, -1);
  }

  CServiceKind kind_{GbkFromWide(u"ZIZ国际")};
  WaybillEntry entry_;
  std::unique_ptr<WaybillSaveLink> saveLink_;
  std::unique_ptr<CWaybillSaver> saver_;
};

// Saved, loaded back and saved again: every value the form takes reaches
// the server and comes back, and a re-save replaces the piece rows.
TEST_F(WaybillSaveStandIn, SaveLoadAndSaveAgain) {
  NewEntry(u"BRSAVE001");
  ASSERT_EQ(CWaybillSaver::Outcome::Saved, saver_->Save()) << Utf8FromWide(boxes_.LastText());
  const int32_t id = IdOf("BRSAVE001");
  ASSERT_GT(id, 0);
  EXPECT_EQ(id, saver_->Working().waybill.irID);

  WaybillEntry loaded;
  CWaybillSaver reader(*saveLink_, loaded);
  ASSERT_TRUE(reader.LoadForEditing(id, false)) << Utf8FromWide(boxes_.LastText());
  const WaybillRecord& w = loaded.loaded.waybill;
  EXPECT_EQ(2024, w.year);
  EXPECT_EQ(5, w.month);
  EXPECT_EQ(6, w.day);
  EXPECT_EQ(u"O'Brien", loaded.texts[7]);
  EXPECT_EQ(u"备注 a'b", loaded.texts[22]);
  EXPECT_EQ(u"120.00", loaded.texts[5]);
  EXPECT_EQ(u"运输员", loaded.texts[17]);      // sent after the call
  EXPECT_EQ(u"Bearer", loaded.texts[18]);
  EXPECT_EQ(u"箱", loaded.texts[65]);
  EXPECT_EQ(u"1.250", loaded.texts[66]);
  EXPECT_EQ(u"440301199001011234", loaded.texts[67]);
  EXPECT_EQ(2.5, w.fWeightb);  // both pieces count with an item count of 2
  ASSERT_EQ(2u, loaded.pieces.size());
  EXPECT_EQ(1500, loaded.pieces[1].ixWeight);
  EXPECT_STREQ("R-1", loaded.pieces[0].cxRNo);
  ASSERT_EQ(2u, loaded.goods.size());
  EXPECT_STREQ("Cap", loaded.goods[1].cgoods);
  EXPECT_EQ(0.25, loaded.goods[0].fgweight);

  // Saved again from the loaded form, with one goods line less.
  loaded.kind = &kind_;
  loaded.customerStation = "SZ";
  loaded.texts[22] = u"改过";
  loaded.goods.pop_back();
  loaded.goodsChanged = true;
  ASSERT_EQ(CWaybillSaver::Outcome::Saved, reader.Save()) << Utf8FromWide(boxes_.LastText());
  const std::string where = " WHERE irid=" + std::to_string(id);
  EXPECT_EQ(2, Count("SELECT count(*) FROM client_rec_weight_detail" + where));
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec_goods" + where));
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec WHERE cnum='BRSAVE001'"));
  // The amount loaded with its surcharges is not raised by saving again.
  EXPECT_EQ(1, Count("SELECT count(*) FROM client_rec WHERE famount=120" + std::string(" AND irid=") +
                     std::to_string(id)));
}

// The server fails the goods INSERT after the DELETE went through: the
// operator hears what is missing, and saving again stores the lines.
TEST_F(WaybillSaveStandIn, GoodsInsertFailingAfterTheDelete) {
  NewEntry(u"BRSAVE002");
  ASSERT_EQ(CWaybillSaver::Outcome::Saved, saver_->Save()) << Utf8FromWide(boxes_.LastText());
  const int32_t id = IdOf("BRSAVE002");
  ASSERT_GT(id, 0);
  WaybillEntry loaded;
  CWaybillSaver form(*saveLink_, loaded);
  ASSERT_TRUE(form.LoadForEditing(id, false));
  loaded.kind = &kind_;
  loaded.goods.push_back(Goods("Scarf", 2));
  loaded.goodsChanged = true;

  ASSERT_TRUE(ExecOnDatabase(server_->Database(),
                             "CREATE TRIGGER refuse_goods BEFORE INSERT ON client_rec_goods "
                             "BEGIN SELECT RAISE(ABORT,'goods refused'); END;"));
  boxes_.Clear();
  EXPECT_EQ(CWaybillSaver::Outcome::PartlySaved, form.Save());
  EXPECT_EQ(AppLanguage().TextWithString(21350, AppLanguage().Text(21352)), boxes_.LastText());
  EXPECT_EQ(3u, loaded.goods.size());
  EXPECT_TRUE(loaded.goodsChanged);

  ASSERT_TRUE(ExecOnDatabase(server_->Database(), "DROP TRIGGER refuse_goods"));
  EXPECT_EQ(CWaybillSaver::Outcome::Saved, form.Save()) << Utf8FromWide(boxes_.LastText());
  EXPECT_EQ(3, Count("SELECT count(*) FROM client_rec_goods WHERE irid=" + std::to_string(id)));
  EXPECT_EQ(2, Count("SELECT count(*) FROM client_rec_weight_detail WHERE irid=" +
                     std::to_string(id)));
}

TEST_F(WaybillSaveStandIn, SampleWaybillsThatCannotBeEdited) {
  const struct {
    const char* number;
    int message;
  } cases[] = {{"BR10000028", 120041}, {"BR10000004", 120042}, {"BR10000008", 120043},
               {"BR10000012", 120044}, {"BR10000016", 120045}, {"BR10000020", 120046},
               {"BR10000001", 120047}};
  for (const auto& c : cases) {
    const int32_t id = IdOf(c.number);
    ASSERT_GT(id, 0) << c.number;
    boxes_.Clear();
    EXPECT_FALSE(saver_->LoadForEditing(id, false)) << c.number;
    EXPECT_EQ(AppLanguage().Text(c.message), boxes_.LastText()) << c.number;
  }
  ASSERT_TRUE(saver_->LoadForEditing(IdOf("BR10000024"), false));
  EXPECT_EQ(u"BR10000024", entry_.texts[2]);

  // The server refuses to change or delete them as well.
  entry_.kind = &kind_;
  entry_.loadedId = IdOf("BR10000001");
  boxes_.Clear();
  EXPECT_EQ(CWaybillSaver::Outcome::Stopped, saver_->Save());
  EXPECT_EQ(AppLanguage().Text(120034), boxes_.LastText());
  entry_.loadedId = IdOf("BR10000028");
  boxes_.QueueAnswer(platform::kIdYes);
  EXPECT_FALSE(saver_->Delete());
  EXPECT_EQ(AppLanguage().Text(180103), boxes_.LastText());
}

TEST_F(WaybillSaveStandIn, NumbersAndDelete) {
  // Series 3 and 2 of the sample number table.
  kind_.idGenLow = 3;
  kind_.idGenHigh = 2;
  NewEntry(u"");
  ASSERT_EQ(CWaybillSaver::Outcome::Saved, saver_->Save()) << Utf8FromWide(boxes_.LastText());
  const WaybillRecord& w = saver_->Working().waybill;
  EXPECT_EQ(10u, std::strlen(w.cNum));
  EXPECT_EQ(0, std::strncmp(w.cNo, "ZN", 2));
  const int32_t id = w.irID;
  ASSERT_GT(id, 0);
  kind_.idGenLow = kind_.idGenHigh = 0;

  // A second waybill may not take the same number.
  NewEntry(u"");
  entry_.texts[2] = WideFromGbk(std::string(w.cNum));
  boxes_.Clear();
  EXPECT_EQ(CWaybillSaver::Outcome::Stopped, saver_->Save());
  EXPECT_EQ(AppLanguage().Text(120031), boxes_.LastText());

  entry_.loadedId = id;
  boxes_.QueueAnswer(platform::kIdYes);
  EXPECT_TRUE(saver_->Delete()) << Utf8FromWide(boxes_.LastText());
  const std::string where = " WHERE irid=" + std::to_string(id);
  EXPECT_EQ(0, Count("SELECT count(*) FROM client_rec" + where));
  EXPECT_EQ(0, Count("SELECT count(*) FROM client_rec_goods" + where));
  EXPECT_EQ(0, Count("SELECT count(*) FROM client_rec_weight_detail" + where));
}

}  // namespace
