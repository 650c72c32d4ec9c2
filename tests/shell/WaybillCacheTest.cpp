#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>

#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/TextCodec.h"
#include "platform/QtMessages.h"
#include "refdata/RecordStores.h"
#include "refdata/WaybillCache.h"
#include "refdata/ZoneTable.h"
#include "shell/AppSettings.h"
#include "shell/BrantleClientApp.h"
#include "tests/QtTestSupport.h"
#include "tests/server/ScriptedServer.h"
#include "tests/server/StandInConfig.h"
#include "tests/shell/ShellTestSupport.h"
#include "ui/ViewPage.h"

namespace {

std::string G(std::u16string_view text) { return GbkFromWide(text); }
std::string Text(const char* field, size_t size) { return std::string(field, strnlen(field, size)); }

const char kGoods[] =
    "\"GoodsList\":[{\"ixQuantity\":3,\"fxPrice\":12.5,\"fxGCRate\":0.13,\"fxGCustom\":4.25,"
    "\"fxgWeight\":1.75,\"cxGUnit\":\"PCS\",\"cxGoods\":\"T-shirt [cotton]\",\"cxGoodsA\":\"tee\","
    "\"cxGCodeA\":\"6109100000\",\"cxGCodeB\":\"B\",\"cxGCodeC\":\"C\"},"
    "{\"ixQuantity\":1,\"cxGoods\":\"cap }{\"}]";
const char kPieces[] =
    "\"WeightList\":[{\"ixLong\":40,\"ixWidth\":30,\"ixHeight\":20,\"ixWeight\":1500,"
    "\"ixPrice\":550,\"ixQuantity\":10,\"nxPercent\":100,\"fxGCRate\":0.13,\"fxGCustom\":55,"
    "\"cxNo\":\"TN-1\",\"cxNum\":\"BR10000001-1\",\"cxRNo\":\"R-1\",\"cxGoods\":\"shirt\","
    "\"cxGoodsA\":\"tee\",\"cxGCodeA\":\"A\",\"cxGCodeB\":\"B\",\"cxGCodeC\":\"C\"}]";

std::string Reply(int id, bool goodsFirst, int customer = 7) {
  std::string head =
      "{\"ReturnValue\":1,\"irID\":" + std::to_string(id) + ",\"icID\":" +
      std::to_string(customer) +
      ",\"cZizKind\":\"DHL\",\"dDate\":\"2026-12-08 10:30:00\",\"fWeight\":1.5,"
      "\"fAmount\":88.25,\"fgWeight\":1.25,\"faAddOn\":2.5,\"iItem\":2,\"iPiid\":9,"
      "\"nState\":4,\"nFrom\":300,\"cNum\":\"BR10000001\",\"cRNo\":\"REF-1\",\"cNo\":\"TN-1\","
      "\"cReceiver\":\"\\uAE40\\uBBFC\\uC218\",\"cSender\":\"\\u674E\\uAE40\","
      "\"cRPostcode\":\"100-010\",\"cMoney\":\"USDX\",\"cBy1\":\"1\",\"cSIDCard\":\"ID-9\","
      "\"cMemo\":\"see \\\"GoodsList\\\":[ later\",";
  return head + (goodsFirst ? std::string(kGoods) + "," + kPieces
                            : std::string(kPieces) + "," + kGoods) + "}";
}

class WaybillCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server_.SetDefault(ScriptedServer::Ok("{\"ReturnValue\":0}"));
    testsupport::WriteStandInConfig(folder_.Path(), server_.Port(), "01", "PC-CACHE");
    ASSERT_EQ(1, app_.Link().Init(folder_.Folder()));
    server_.QueueJson(
        "{\"ReturnValue\":7,\"iTimeZone\":8,\"iGrade\":130,\"cUserName\":\"admin\","
        "\"cStation\":\"SZ\",\"iLogID\":55,\"xRight\":\"00000000000000000000000000000000\","
        "\"xEncrypt\":\"0102030405060708090A0B0C0D0E0F10\"}");
    ASSERT_GT(app_.Link().Login(u"admin", u"admin123", 0), 0);
  }
  int Load(int id) { return app_.LoadWaybillRecord(id, record_, pieces_, goods_); }

  shelltest::TempFolder folder_;
  ScriptedServer server_;
  CBrantleClientApp app_;
  InputWaybillRecord record_{};
  std::vector<std::unique_ptr<PieceLine>> pieces_;
  std::vector<std::unique_ptr<GoodsLine>> goods_;
};

// Both orders of the two lists: each list gives exactly its own lines.
TEST_F(WaybillCacheTest, ReplyFieldsAndListsInEitherOrder) {
  for (bool goodsFirst : {true, false}) {
    SCOPED_TRACE(goodsFirst ? "goods first" : "pieces first");
    InputWaybillRecord record;
    std::memset(&record, 0x5A, sizeof record);
    CWaybillCache::PieceList pieces;
    CWaybillCache::GoodsList goods;
    CWaybillCache::ReadReply(Reply(12, goodsFirst), record, pieces, goods);
    const WaybillRecord& w = record.waybill;
    EXPECT_EQ(12, w.irID);
    EXPECT_EQ(7, w.icID);
    EXPECT_EQ(2026, w.year);
    EXPECT_EQ(12, w.month);
    EXPECT_EQ(8, w.day);
    EXPECT_EQ(1.5, w.fWeight);
    EXPECT_EQ(88.25, w.fAmount);
    EXPECT_EQ(1.25, w.fgWeight);
    EXPECT_EQ(2.5, w.faAddOn);
    EXPECT_EQ(2, w.iItem);
    EXPECT_EQ(9, w.iPiid);
    EXPECT_EQ(4, w.nState);
    EXPECT_EQ(0, w.nFrom);  // out of the byte's range
    EXPECT_EQ("DHL", Text(w.cZizKind, 16));
    EXPECT_EQ("BR10000001", Text(w.cNum, 32));
    EXPECT_EQ("REF-1", Text(w.cRNo, 32));
    EXPECT_EQ("TN-1", Text(w.cNo, 32));
    EXPECT_EQ("100-010", Text(w.cRPostcode, 16));
    EXPECT_EQ("USD", Text(w.cMoney, 4));
    EXPECT_EQ("ID-9", Text(w.cSIDCard, 32));
    EXPECT_EQ("1", Text(w.cBy1, 64));
    // The receiver keeps the Korean name in the narrow-field form; the
    // sender's loses it.
    EXPECT_EQ(G(u"李") + "?", Text(w.cSender, 32));
    const std::string receiver = Text(w.cReceiver, 64);
    EXPECT_FALSE(receiver.empty());
    EXPECT_EQ(std::string::npos, receiver.find('?'));
    EXPECT_EQ(0, w.goodsLineCount);
    EXPECT_EQ(0, record.spare);
    EXPECT_EQ(0, w.reserved3[0]);

    ASSERT_EQ(1u, pieces.size());
    const PieceLine& p = *pieces[0];
    EXPECT_EQ(0, p.id);
    EXPECT_EQ(40, p.ixLong);
    EXPECT_EQ(1500, p.ixWeight);
    EXPECT_EQ(10, p.ixQuantity);
    EXPECT_EQ(550, p.ixPrice);
    EXPECT_EQ(100, p.nxPercent);
    EXPECT_EQ(55.0, p.fxGCustom);
    EXPECT_EQ("BR10000001-1", Text(p.cxNum, 32));
    EXPECT_EQ("shirt", Text(p.cxGoods, 64));

    ASSERT_EQ(2u, goods.size());
    const GoodsLine& g = *goods[0];
    EXPECT_EQ(0, g.owner);
    EXPECT_EQ(3, g.iquantity);
    EXPECT_EQ(12.5, g.fprice);
    EXPECT_EQ(1.75, g.fgweight);
    EXPECT_EQ("PCS", Text(g.cunit, 16));
    EXPECT_EQ("T-shirt [cotton]", Text(g.cgoods, 256));
    EXPECT_EQ("6109100000", Text(g.cgcodea, 64));
    EXPECT_EQ("cap }{", Text(goods[1]->cgoods, 256));
  }
}

TEST_F(WaybillCacheTest, SecondLoadComesFromTheCacheAndAppendsCopies) {
  EXPECT_EQ(0, Load(0));
  EXPECT_EQ(0, Load(-3));
  const size_t before = server_.Count();
  server_.QueueJson(Reply(12, true));
  ASSERT_EQ(12, Load(12));
  EXPECT_EQ(before + 1, server_.Count());
  EXPECT_NE(std::string::npos, server_.LastBody().find("\"irID\":12"));
  ASSERT_EQ(1u, pieces_.size());
  ASSERT_EQ(2u, goods_.size());

  record_ = InputWaybillRecord{};
  ASSERT_EQ(12, Load(12));
  EXPECT_EQ(before + 1, server_.Count());
  EXPECT_EQ("BR10000001", Text(record_.waybill.cNum, 32));
  ASSERT_EQ(2u, pieces_.size());
  ASSERT_EQ(4u, goods_.size());
  EXPECT_NE(pieces_[0].get(), pieces_[1].get());
  EXPECT_EQ(1500, pieces_[1]->ixWeight);
  EXPECT_EQ("cap }{", Text(goods_[3]->cgoods, 256));
}

TEST_F(WaybillCacheTest, AReplyWithoutCustomerChangesNothing) {
  server_.QueueJson(Reply(12, true));
  ASSERT_EQ(12, Load(12));
  server_.QueueJson(Reply(13, true, 0));
  record_ = InputWaybillRecord{};
  record_.waybill.irID = 99;
  EXPECT_EQ(0, Load(13));
  EXPECT_EQ(99, record_.waybill.irID);
  EXPECT_EQ(1u, pieces_.size());
  EXPECT_EQ(12, app_.WaybillCache().CachedId());
  EXPECT_EQ(0, Load(14));  // refused by the server
  EXPECT_EQ(12, app_.WaybillCache().CachedId());
}

// A form's save notice for the cached waybill drops it: the next load asks
// the server again and gets the saved data.  A notice for another waybill
// keeps it.
TEST_F(WaybillCacheTest, ASaveNoticeDropsTheCachedWaybill) {
  server_.QueueJson(Reply(12, true));
  ASSERT_EQ(12, Load(12));
  QObject page;
  WaybillRecord other{};
  other.irID = 40;
  ASSERT_TRUE(platform::PostPrivateMessage(&page, WM_PAGE_NOTIFY, 1, other));
  QCoreApplication::processEvents();
  EXPECT_EQ(12, app_.WaybillCache().CachedId());

  WaybillRecord saved{};
  saved.irID = 12;
  ASSERT_TRUE(platform::PostPrivateMessage(&page, WM_PAGE_NOTIFY, 1, saved));
  ASSERT_TRUE(testsupport::WaitUntil([&] { return app_.WaybillCache().CachedId() == 0; }));
  std::string edited = Reply(12, true);
  edited.replace(edited.find("BR10000001\""), 11, "BR10000009\"");
  server_.QueueJson(edited);
  const size_t before = server_.Count();
  ASSERT_EQ(12, Load(12));
  EXPECT_EQ(before + 1, server_.Count());
  EXPECT_EQ("BR10000009", Text(record_.waybill.cNum, 32));
}

class SortingZonesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = (folder_.Path() / "recinput.dat").string();
    ASSERT_GE(app_.InputRecords().Open(path_), 0);
    const std::string definition =
        G(u"[定义开始]\r\n类型=分拣\r\n快递类别=DHL\r\n备用1数字=1\r\n备用2字母=1\r\n") +
        G(u"<第1区定义,03000,03001,<第1区定义\r\n<第2区定义,100000,100010,<第2区定义\r\n");
    ASSERT_EQ(1, app_.Zones().ParseDefinition(definition));
    ASSERT_EQ(1, app_.Zones().ParseDefinition(
                     G(u"[定义开始]\r\n类型=报价\r\n快递类别=DHL\r\n邮编找不到时的分区=5\r\n")));
    InputWaybillRecord record{};
    std::strcpy(record.waybill.cZizKind, "DHL");
    std::strcpy(record.waybill.cRPostcode, "100 010");
    std::strcpy(record.waybill.cBy1, "old");
    ASSERT_GT(app_.InputRecords().Append(&record), 0);
    id_ = record.waybill.irID;  // the id the store gave
    ASSERT_GT(id_, 0);
    ASSERT_GE(app_.InputRecords().Commit(), 0);
  }
  InputWaybillRecord* Record() {
    return static_cast<InputWaybillRecord*>(app_.InputRecords().FindById(id_));
  }

  shelltest::TempFolder folder_;
  CBrantleClientApp app_;
  std::string path_;
  int32_t id_ = 0;
};

TEST_F(SortingZonesTest, WritesTheZoneOnceAndLeavesAnEqualRecordAlone) {
  app_.Settings().postcodeZonesEnabled = 0;
  app_.ApplySortingZones(id_);
  EXPECT_EQ("old", Text(Record()->waybill.cBy1, 64));

  app_.Settings().postcodeZonesEnabled = 1;
  app_.ApplySortingZones(id_);
  EXPECT_EQ("5", Text(Record()->waybill.cBy1, 64));
  EXPECT_EQ("B", Text(Record()->waybill.cBy2, 64));

  // Already equal: the store is not committed again.
  EXPECT_FALSE(ApplySortingZones(app_.InputRecords(), app_.Zones(), id_));
  EXPECT_FALSE(ApplySortingZones(app_.InputRecords(), app_.Zones(), id_ + 100));
}

}  // namespace
