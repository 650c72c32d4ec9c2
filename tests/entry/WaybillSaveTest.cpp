// The save and delete sequences and the load for editing against a link
// that records what is sent: the exact statement texts, the order of the
// checks, the numbers, the price, and what happens when a row statement
// after the procedure fails.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "entry/QuickEntryReactions.h"
#include "entry/WaybillSave.h"
#include "platform/MessageBox.h"
#include "platform/QtMessages.h"
#include "refdata/ServiceKinds.h"
#include "server/ServerLink.h"
#include "tests/WaitUntil.h"
#include "tests/refdata/RepositoryLanguage.h"
#include "ui/ViewPage.h"

namespace {

class CapturingLink : public WaybillSaveLink {
 public:
  std::vector<std::string> sent;                // every statement and call, in order
  std::vector<std::pair<unsigned, std::string>> numberRequests;  // series, kind text
  std::deque<std::string> numbers;              // the numbers "sFetchNo" gives
  int32_t procedureResult = 501;
  std::function<bool(const std::string&)> refuse;  // statements the server fails
  bool priceAnswers = false;
  PriceQuery price;                             // the price reply
  std::string record;                           // the "sRecData" reply
  std::string userName = "O'Neil";
  bool station = false;
  int priceRequests = 0;

  int FetchNumber(unsigned series, std::string& number, std::string_view kindCode,
                  int32_t) override {
    numberRequests.emplace_back(series, std::string(kindCode));
    number.clear();
    if (numbers.empty()) return 0;
    // As the server link does: the reply's text is copied out even when it
    // is too short to count.
    number = numbers.front();
    numbers.pop_front();
    return number.size() > 6 ? 1 : 0;
  }
  int QueryPrice(PriceQuery& query) override {
    ++priceRequests;
    if (!priceAnswers) return 0;
    query.price = price.price;
    query.salePrice = price.salePrice;
    query.addOn = price.addOn;
    query.customs = price.customs;
    query.other = price.other;
    query.discount = price.discount;
    return 1;
  }
  int Execute(std::string_view sql, std::span<const uint32_t> types,
              std::string& reply) override {
    sent.emplace_back(sql);
    if (refuse && refuse(sent.back())) {
      reply = "{\"ReturnValue\":-406,\"cError\":\"refused\"}";
      lastReturn_ = -406;
      return static_cast<int>(reply.size());
    }
    if (!types.empty())
      reply = "{\"ReturnValue\":1,\"iTotal\":1,\"bEnd\":true,\"List\":[{\"0\":" +
              std::to_string(procedureResult) + "}]}";
    else
      reply = "{\"ReturnValue\":1,\"iTotal\":0,\"bEnd\":true}";
    lastReturn_ = 1;
    return static_cast<int>(reply.size());
  }
  std::string FetchRecord(int32_t) override { return record; }
  std::u16string LastErrorText() override {
    return AppLanguage().TextWithNumber(20023, lastReturn_);
  }
  std::string UserName() override { return userName; }
  bool UserHasStation() override { return station; }

  std::vector<std::string> StartingWith(std::string_view head) const {
    std::vector<std::string> found;
    for (const std::string& s : sent)
      if (s.rfind(head, 0) == 0) found.push_back(s);
    return found;
  }

 private:
  int lastReturn_ = 0;
};

// Keeps the private messages it receives with their payloads.
class MessageSink : public QObject {
 public:
  struct Received {
    int message;
    quintptr wParam;
    std::unique_ptr<InputWaybillRecord> record;
  };
  std::vector<Received> received;

  bool event(QEvent* e) override {
    if (auto* m = platform::AsPrivateMessage(e)) {
      received.push_back({m->Message(), m->WParam(), m->TakePayload<InputWaybillRecord>()});
      return true;
    }
    return QObject::event(e);
  }
};

// The 116 arguments of the new waybill of FilledEntry, one by one.
std::vector<std::string> ExpectedAddArguments() {
  return {"7", "1", "2", "'2024.3.5'", "0", "1",   // 1-6
          "'O''Neil'", "'ZIZ'",                     // 7 user, 8 kind
          "'深圳'", "'美国'", "'BR0000001'", "'BR0000001'",  // 9-12
          "1.500", "95.00",                         // 13, 14
          "'Amy'", "'Bob'", "'555'", "''", "''", "''", "''", "''", "''", "'M1'", "'T1'",  // 15-25
          "''", "''", "'1900.1.1'", "'1900.1.1'", "''",  // 26-30
          "'a''b'", "0", "0", "0.000", "'40*30*20'", "1.500", "0", "0.00",  // 31-38
          "95.00", "0", "0",                        // 39 fAccord, 40, 41
          "0.00", "0.00", "0.00", "0.00", "0.00", "0.0000",  // 42-47
          "''", "2", "1250", "''", "''", "2500", "0",  // 48-54
          "0.00", "0.00", "0.00", "0.00", "0", "0.00", "'USD'", "0.00",  // 55-62
          "''", "''", "''", "''", "''", "''", "''", "''", "'PP'", "'CN'",  // 63-72
          "1", "''", "0", "1.500", "'REF1'", "'SZ'", "0", "0", "''", "0.00",  // 73-82
          "''", "'1900.1.1'", "''", "''", "''", "''", "''", "''",  // 83-90
          "0", "0", "0", "0", "0", "''",                // 91-96
          "''", "''", "''", "''", "''", "0",            // 97-102
          "0", "0", "0", "''",                          // 103-106
          "''", "''", "''", "''", "0.00", "0.0000", "0.00", "0.00", "0.00", "0.0000"};  // 107-116
}

// The UTF-8 text of this file as the GBK the server gets.
std::string Gbk(const std::string& utf8) { return GbkFromWide(WideFromNarrow(utf8, 65001)); }

std::string Joined(const std::vector<std::string>& args) {
  std::string s;
  for (size_t k = 0; k < args.size(); ++k) s += (k ? "," : "") + args[k];
  return s;
}

PieceLine Piece(int l, int w, int h, int grams, const char* number) {
  PieceLine p{};
  p.ixLong = l;
  p.ixWidth = w;
  p.ixHeight = h;
  p.ixWeight = grams;
  p.nxPercent = 100;
  std::strcpy(p.cxNo, number);
  return p;
}

GoodsLine Goods(const char* name, int quantity, double price) {
  GoodsLine g{};
  std::strcpy(g.cgoods, name);
  std::strcpy(g.cunit, "PCS");
  g.iquantity = quantity;
  g.fprice = price;
  g.fgweight = 0.5;
  return g;
}

class WaybillSaveTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "00"));
  }

  void SetUp() override {
    kind_.idGenLow = 0;
    kind_.idGenHigh = 0;
    FilledEntry();
    saver_.page = &page_;
    saver_.captureWindow = [this] { return &camera_; };
  }

  // A new waybill with every check passing and nothing to fetch.
  void FilledEntry() {
    entry_ = WaybillEntry{};
    entry_.kind = &kind_;
    entry_.customerId = 7;
    entry_.customerStation = "SZ";
    entry_.dateText = u"2024.3.5";
    entry_.itemCount = 1;
    entry_.itemType = 1;
    entry_.language = 2;
    entry_.payWay = 1;
    entry_.money = u"USD";
    entry_.payDir = u"PP";
    entry_.origin = u"CN";
    auto& t = entry_.texts;
    t[0] = u"深圳";
    t[1] = u"美国";
    t[2] = u"BR0000001";
    t[4] = u"1.5";
    t[5] = u"95";
    t[6] = u"Amy";
    t[7] = u"Bob";
    t[8] = u"555";
    t[15] = u"M1";
    t[16] = u"T1";
    t[17] = u"Trans'1";
    t[22] = u"a'b";
    t[27] = u"2";
    t[28] = u"12.50";
    t[41] = u"REF1";
    t[65] = u"PCS";
    t[66] = u"0.8";
    entry_.pieces = {Piece(40, 30, 20, 1500, "BR0000001-1")};
  }

  std::vector<MessageSink::Received>& Delivered(MessageSink& sink, size_t count) {
    testsupport::WaitUntil([&] { return sink.received.size() >= count; }, testsupport::kWaitLimit,
                           [] { QCoreApplication::processEvents(); });
    return sink.received;
  }

  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
  CServiceKind kind_{"ZIZ"};
  CapturingLink link_;
  WaybillEntry entry_;
  CWaybillSaver saver_{link_, entry_};
  MessageSink page_, camera_;
};

TEST_F(WaybillSaveTest, NewWaybillCallAndRows) {
  entry_.goods = {Goods("T'shirt", 3, 5.5), Goods("Cap", 1, 2)};
  entry_.goodsChanged = true;
  ASSERT_EQ(CWaybillSaver::Outcome::Saved, saver_.Save()) << Utf8FromWide(boxes_.LastText());
  ASSERT_EQ(4u, link_.sent.size());
  EXPECT_EQ(Gbk("{?=CALL brantle.dbo.cp_client_rec_fast_add(" + Joined(ExpectedAddArguments()) +
                ")}"),
            link_.sent[0]);
  EXPECT_EQ(
      "INSERT INTO brantle.dbo.client_rec_weight_detail(irid,ilong,iwidth,iheight,iweight,"
      "npercent,cno,famount,fcost,ibag,wpos,cgoods,iquantity,iprice,crno,cnum,cgoodsa,cgcodea,"
      "cgcodeb,cgcodec,fgcustom,fgcrate) select 501,40,30,20,1500,100,'BR0000001-1',0,0,0,1,'',0,0,"
      "'','','','','','',0.00,0.0000 ",
      link_.sent[1]);
  EXPECT_EQ(
      "UPDATE brantle.dbo.client_rec SET ctrans='Trans''1',cbearer='',cunit='PCS',csidcard='',"
      "cridcard='',fgweight=0.800,fgoodsc=0.00 WHERE irid=501",
      link_.sent[2]);
  EXPECT_EQ(
      "INSERT INTO brantle.dbo.client_rec_goods(wpos,irid,cgoods,cunit,iquantity,fprice,cgoodsa,"
      "cgcodea,cgcodeb,cgcodec,fgcustom,fgcrate,fgweight) select 0,501,'T''shirt','PCS',3,5.50,'',"
      "'','','',0.00,0.0000,0.500 union all select 1,501,'Cap','PCS',1,2.00,'','','','',0.00,"
      "0.0000,0.500 ",
      link_.sent[3]);
  // The page and the camera window each get a copy with the new id.
  auto& atPage = Delivered(page_, 1);
  ASSERT_EQ(1u, atPage.size());
  EXPECT_EQ(WM_PAGE_NOTIFY, atPage[0].message);
  EXPECT_EQ(1u, atPage[0].wParam);
  ASSERT_NE(nullptr, atPage[0].record);
  EXPECT_EQ(501, atPage[0].record->waybill.irID);
  EXPECT_STREQ("BR0000001", atPage[0].record->waybill.cNum);
  auto& atCamera = Delivered(camera_, 1);
  ASSERT_EQ(1u, atCamera.size());
  EXPECT_EQ(WM_CAPTURE_PARCEL, atCamera[0].message);
  EXPECT_EQ(7u, atCamera[0].wParam);
  ASSERT_NE(nullptr, atCamera[0].record);
  EXPECT_EQ(501, atCamera[0].record->waybill.irID);
}

TEST_F(WaybillSaveTest, LoadedWaybillSendsTheShortCallAndReplacesItsGoods) {
  entry_.loadedId = 88;
  entry_.loaded.waybill.irID = 88;
  entry_.goods = {Goods("Cap", 1, 2)};
  entry_.goodsChanged = true;
  link_.procedureResult = 88;
  ASSERT_EQ(CWaybillSaver::Outcome::Saved, saver_.Save());
  std::vector<std::string> args = ExpectedAddArguments();
  for (int number : {106, 105, 104, 103, 83, 41, 39, 8, 7}) args.erase(args.begin() + number - 1);
  ASSERT_EQ(107u, args.size());
  args[0] = "88";
  ASSERT_EQ(5u, link_.sent.size());
  EXPECT_EQ(Gbk("{?=CALL brantle.dbo.cp_client_rec_fast_mod(" + Joined(args) + ")}"),
            link_.sent[0]);
  EXPECT_EQ("DELETE brantle.dbo.client_rec_goods WHERE irid=88", link_.sent[3]);
  EXPECT_EQ(0u, link_.sent[4].rfind("INSERT INTO brantle.dbo.client_rec_goods(", 0));
  // No camera message for a waybill that existed before.
  Delivered(page_, 1);
  QCoreApplication::processEvents();
  EXPECT_TRUE(camera_.received.empty());
}

// Quotes in the user name, the kind code, cLwh and the station are doubled
// like every other text.
TEST_F(WaybillSaveTest, EveryTextIsQuoted) {
  CServiceKind odd("Z'Z");
  entry_.kind = &odd;
  entry_.customerStation = "S'Z";
  entry_.pieces.clear();
  entry_.texts[64] = u"1*2*3'";
  ASSERT_EQ(CWaybillSaver::Outcome::Saved, saver_.Save());
  const std::string& call = link_.sent[0];
  EXPECT_NE(std::string::npos, call.find(",'O''Neil','Z''Z',"));
  EXPECT_NE(std::string::npos, call.find(",'1*2*3''',"));
  EXPECT_NE(std::string::npos, call.find(",'REF1','S''Z',0,0,"));
}

TEST_F(WaybillSaveTest, ChecksStopBeforeAnythingIsSent) {
  struct Case {
    const char* name;
    std::function<void(WaybillEntry&)> change;
    int message;
  } cases[] = {
      {"date before 2000", [](WaybillEntry& e) { e.dateText = u"1999.12.31"; }, 120021},
      {"no kind", [](WaybillEntry& e) { e.kind = nullptr; }, 120022},
      {"no customer", [](WaybillEntry& e) { e.customerId = 0; }, 120023},
      {"short number", [](WaybillEntry& e) { e.texts[2] = u"BR1"; }, 120027},
      {"declared value beyond 32 bits",
       [](WaybillEntry& e) {
         e.texts[28] = u"100000";
         e.texts[27] = u"1000";
       },
       21354},
      {"dimensions longer than the field",
       [](WaybillEntry& e) {
         e.pieces = {Piece(123456, 123456, 123456, 100, "")};
       },
       21355},
  };
  for (const Case& c : cases) {
    FilledEntry();
    c.change(entry_);
    link_.sent.clear();
    boxes_.Clear();
    EXPECT_EQ(CWaybillSaver::Outcome::Stopped, saver_.Save()) << c.name;
    EXPECT_TRUE(link_.sent.empty()) << c.name;
    ASSERT_EQ(1u, boxes_.Count()) << c.name;
    const std::u16string expected = AppLanguage().Text(c.message);
    EXPECT_EQ(expected.substr(0, 4), boxes_.LastText().substr(0, 4)) << c.name;
  }
  // A text too long for its field stops with the length message.
  FilledEntry();
  entry_.texts[40] = u"ABCDEFGHIJKLMNOPQ";
  link_.sent.clear();
  EXPECT_EQ(CWaybillSaver::Outcome::Stopped, saver_.Save());
  EXPECT_TRUE(link_.sent.empty());
}

TEST_F(WaybillSaveTest, NumbersFromTheKindsSeries) {
  // iidgen 20003: series 3 into the waybill number, series 2 into the
  // transfer number.
  kind_.idGenLow = 3;
  kind_.idGenHigh = 2;
  entry_.texts[2].clear();
  link_.numbers = {"N3000001", "T2000001"};
  ASSERT_EQ(CWaybillSaver::Outcome::Saved, saver_.Save());
  ASSERT_EQ(2u, link_.numberRequests.size());
  EXPECT_EQ(3u, link_.numberRequests[0].first);
  EXPECT_EQ(2u, link_.numberRequests[1].first);
  EXPECT_NE(std::string::npos, link_.sent[0].find(",'N3000001','T2000001',"));

  // No series and no number slot: series 999.
  FilledEntry();
  kind_.idGenLow = kind_.idGenHigh = 0;
  entry_.texts[2].clear();
  link_.numberRequests.clear();
  link_.numbers = {"99900000001"};
  ASSERT_EQ(CWaybillSaver::Outcome::Saved, saver_.Save());
  ASSERT_EQ(1u, link_.numberRequests.size());
  EXPECT_EQ(999u, link_.numberRequests[0].first);

  // A transfer number of 6 characters (result 0) is no transfer number: the
  // waybill number stands in for it.
  FilledEntry();
  kind_.idGenLow = 0;
  kind_.idGenHigh = 2;
  link_.sent.clear();
  link_.numbers = {"T20001"};
  ASSERT_EQ(CWaybillSaver::Outcome::Saved, saver_.Save());
  EXPECT_NE(std::string::npos, link_.sent[0].find(",'BR0000001','BR0000001',")) << link_.sent[0];
  EXPECT_EQ(std::string::npos, link_.sent[0].find("T20001"));

  // A number request that gives nothing stops the save at the 7-character rule.
  FilledEntry();
  entry_.texts[2].clear();
  entry_.showsNumberSlot = true;
  link_.sent.clear();
  EXPECT_EQ(CWaybillSaver::Outcome::Stopped, saver_.Save());
  EXPECT_TRUE(link_.sent.empty());
}

TEST_F(WaybillSaveTest, PiecesGiveTheActualWeight) {
  entry_.itemCount = 1;
  entry_.pieces = {Piece(0, 0, 0, 2000, "P1"), Piece(0, 0, 0, 3000, "P2")};
  ASSERT_EQ(CWaybillSaver::Outcome::Saved, saver_.Save());
  // Only the first piece counts with an item count of 1; fWeightb is argument 36.
  EXPECT_NE(std::string::npos, link_.sent[0].find(",0.000,'',2.000,0,"));
  FilledEntry();
  entry_.itemCount = 3;
  entry_.pieces = {Piece(1, 1, 1, 100, "A"), Piece(1, 1, 1, 200, "B"), Piece(1, 1, 1, 300, "C")};
  link_.sent.clear();
  ASSERT_EQ(CWaybillSaver::Outcome::Saved, saver_.Save());
  const std::string& rows = link_.sent[1];
  EXPECT_NE(std::string::npos, rows.find("'A',0,0,0,1,"));
  EXPECT_NE(std::string::npos, rows.find("union all select 501,1,1,1,200,100,'B',0,0,0,2,"));
  EXPECT_NE(std::string::npos, rows.find("'C',0,0,0,3,"));
  EXPECT_NE(std::string::npos, link_.sent[0].find(",0.000,'',0.600,0,"));
}

TEST_F(WaybillSaveTest, PriceAndSurcharges) {
  // A new waybill without an amount is priced; the surcharges are added.
  entry_.texts[5].clear();
  entry_.loaded.waybill.faRemote = 0;
  link_.priceAnswers = true;
  link_.price.price = 80;
  link_.price.salePrice = 76;
  link_.price.addOn = 10;
  link_.price.customs = 5;
  link_.price.other = 2;
  link_.price.discount = 5;
  ASSERT_EQ(CWaybillSaver::Outcome::Saved, saver_.Save());
  EXPECT_EQ(1, link_.priceRequests);
  EXPECT_NE(std::string::npos, link_.sent[0].find(",1.500,80.00,'Amy',"));
  EXPECT_NE(std::string::npos, link_.sent[0].find(",0.00,63.00,10.00,5.00,2.00,0.0000,"));

  // A loaded waybill whose amount already holds its surcharges keeps it when
  // it is not priced again; a changed surcharge counts by its difference.
  FilledEntry();
  entry_.loadedId = 90;
  entry_.loaded.waybill.faRemote = 10;
  entry_.loaded.waybill.faPack = 5;
  entry_.texts[5] = u"115.00";
  link_.sent.clear();
  link_.procedureResult = 90;
  ASSERT_EQ(CWaybillSaver::Outcome::Saved, saver_.Save());
  EXPECT_NE(std::string::npos, link_.sent[0].find(",1.500,115.00,'Amy',"));
}

TEST_F(WaybillSaveTest, ProcedureRefusals) {
  struct Case {
    int32_t result;
    int message;  // 0: the server's error text
  } cases[] = {{-1, 120030}, {-2, 20024}, {-3, 120031}, {-5, 120032}, {-6, 120033},
               {-7, 120034}, {-8, 120035}, {-10, 120036}, {-4, 0}};
  for (const Case& c : cases) {
    FilledEntry();
    link_.sent.clear();
    boxes_.Clear();
    link_.procedureResult = c.result;
    EXPECT_EQ(CWaybillSaver::Outcome::Stopped, saver_.Save()) << c.result;
    EXPECT_EQ(1u, link_.sent.size()) << c.result;  // no rows after a refusal
    const std::u16string expected =
        c.message ? AppLanguage().Text(c.message) : AppLanguage().TextWithNumber(20023, 1);
    EXPECT_EQ(expected, boxes_.LastText()) << c.result;
  }
  QCoreApplication::processEvents();
  EXPECT_TRUE(page_.received.empty());
}

// A pickup order's goods lines, taken into a new waybill, are saved with it
// without the goods dialog being opened.
TEST_F(WaybillSaveTest, PickupOrderGoodsAreSavedWithTheWaybill) {
  quickentry::TakePreInputReply(
      "{\"ReturnValue\":1,\"icID\":7,\"cNum\":\"BR0000001\","
      "\"GoodsList\":[{\"ixQuantity\":2,\"fxPrice\":3.5,\"cxGoods\":\"Shirt\"},"
      "{\"ixQuantity\":1,\"fxPrice\":9,\"cxGoods\":\"Cap\"}]}",
      entry_);
  ASSERT_EQ(CWaybillSaver::Outcome::Saved, saver_.Save()) << Utf8FromWide(boxes_.LastText());
  EXPECT_TRUE(link_.StartingWith("DELETE brantle.dbo.client_rec_goods").empty());
  const auto inserts = link_.StartingWith("INSERT INTO brantle.dbo.client_rec_goods");
  ASSERT_EQ(1u, inserts.size());
  EXPECT_NE(std::string::npos, inserts[0].find("select 0,501,'Shirt','',2,3.50,")) << inserts[0];
  EXPECT_NE(std::string::npos, inserts[0].find("union all select 1,501,'Cap','',1,9.00,")) << inserts[0];
  EXPECT_FALSE(entry_.goodsChanged);
}

// The goods INSERT fails after the DELETE of the old lines went through:
// the operator is told, nothing is reported as saved, the form keeps its
// values and saving again stores the lines.
TEST_F(WaybillSaveTest, FailedGoodsRowsAreReportedAndSavedAgain) {
  entry_.loadedId = 88;
  entry_.loaded.waybill.irID = 88;
  entry_.goods = {Goods("Cap", 1, 2)};
  entry_.goodsChanged = true;
  link_.procedureResult = 88;
  link_.refuse = [](const std::string& sql) {
    return sql.rfind("INSERT INTO brantle.dbo.client_rec_goods", 0) == 0;
  };
  bool cleared = false;
  bool printed = false;
  saver_.clearForm = [&] { cleared = true; };
  saver_.printAfterSave = [&](const InputWaybillRecord&) { printed = true; };
  EXPECT_EQ(CWaybillSaver::Outcome::PartlySaved, saver_.Save());
  EXPECT_EQ(AppLanguage().TextWithString(21350, AppLanguage().Text(21352)), boxes_.LastText());
  EXPECT_FALSE(cleared);
  EXPECT_FALSE(printed);
  EXPECT_TRUE(entry_.goodsChanged);
  EXPECT_EQ(1u, entry_.goods.size());
  EXPECT_EQ(u"BR0000001", entry_.texts[2]);
  QCoreApplication::processEvents();
  EXPECT_TRUE(page_.received.empty());

  link_.refuse = nullptr;
  link_.sent.clear();
  EXPECT_EQ(CWaybillSaver::Outcome::Saved, saver_.Save());
  ASSERT_EQ(5u, link_.sent.size());
  EXPECT_EQ("DELETE brantle.dbo.client_rec_goods WHERE irid=88", link_.sent[3]);
  EXPECT_TRUE(cleared);
  EXPECT_TRUE(printed);
  EXPECT_EQ(1u, Delivered(page_, 1).size());
}

// A new waybill whose piece rows failed is on the server: the next save
// changes it (fast_mod with its id) instead of adding a second one, keeps
// the fetched number and only then tells the camera window.
TEST_F(WaybillSaveTest, NewWaybillWithFailedPiecesIsCompletedNotDoubled) {
  entry_.texts[2].clear();
  kind_.idGenLow = 3;
  link_.numbers = {"N3000009"};
  link_.refuse = [](const std::string& sql) {
    return sql.rfind("INSERT INTO brantle.dbo.client_rec_weight_detail", 0) == 0;
  };
  EXPECT_EQ(CWaybillSaver::Outcome::PartlySaved, saver_.Save());
  EXPECT_EQ(AppLanguage().TextWithString(21350, AppLanguage().Text(21351)), boxes_.LastText());
  EXPECT_EQ(501, entry_.loadedId);
  EXPECT_EQ(u"N3000009", entry_.texts[2]);
  QCoreApplication::processEvents();
  EXPECT_TRUE(camera_.received.empty());

  link_.refuse = nullptr;
  link_.sent.clear();
  ASSERT_EQ(CWaybillSaver::Outcome::Saved, saver_.Save());
  EXPECT_EQ(0u, link_.sent[0].rfind("{?=CALL brantle.dbo.cp_client_rec_fast_mod(501,", 0));
  EXPECT_NE(std::string::npos, link_.sent[0].find("'N3000009'"));
  EXPECT_EQ(1u, link_.numberRequests.size());
  EXPECT_EQ(1u, Delivered(camera_, 1).size());
}

TEST_F(WaybillSaveTest, Delete) {
  entry_.loadedId = 61;
  link_.station = true;
  link_.procedureResult = 61;
  boxes_.QueueAnswer(platform::kIdNo);
  EXPECT_FALSE(saver_.Delete());
  EXPECT_TRUE(link_.sent.empty());
  boxes_.QueueAnswer(platform::kIdYes);
  EXPECT_TRUE(saver_.Delete());
  ASSERT_EQ(1u, link_.sent.size());
  EXPECT_EQ("{?=CALL brantle.dbo.cp_client_rec_fast_del(61,1)}", link_.sent[0]);
  auto& atPage = Delivered(page_, 1);
  EXPECT_EQ(0u, atPage[0].wParam);
  ASSERT_NE(nullptr, atPage[0].record);
  EXPECT_EQ(61, atPage[0].record->waybill.irID);
  EXPECT_EQ(0, entry_.loadedId);

  struct Case {
    int32_t result;
    int message;
  } cases[] = {{-1, 180101}, {-8, 180108}, {-10, 180110}, {-13, 180113}, {-18, 180114},
               {-19, 180115}, {-20, 180116}, {-30, 180117}, {-40, 180118}, {-9, 0}};
  for (const Case& c : cases) {
    entry_.loadedId = 61;
    link_.procedureResult = c.result;
    boxes_.Clear();
    boxes_.QueueAnswer(platform::kIdYes);
    EXPECT_FALSE(saver_.Delete()) << c.result;
    EXPECT_EQ(c.message ? AppLanguage().Text(c.message) : AppLanguage().TextWithNumber(20023, 1),
              boxes_.LastText())
        << c.result;
    EXPECT_EQ(61, entry_.loadedId);
  }
}

TEST_F(WaybillSaveTest, RefusalOrderOfTheWaybillReply) {
  struct Case {
    const char* reply;
    int message;
  } cases[] = {
      {"{\"iFid\":0,\"iPid\":0,\"iIid\":0,\"iQid\":3,\"iFsid\":0,\"iFcid\":0,\"nState\":0}", 120044},
      {"{\"iFid\":0,\"iPid\":0,\"iIid\":0,\"iQid\":0,\"iFsid\":0,\"iFcid\":0,\"nState\":1}", 120047},
      {"{\"iFid\":2,\"iPid\":0,\"iIid\":0,\"iQid\":0,\"iFsid\":0,\"iFcid\":1,\"nState\":1}", 120041},
      {"{\"iFid\":0,\"iPid\":0,\"iIid\":0,\"iQid\":0,\"iFsid\":0,\"iFcid\":1,\"nState\":0}", 120046},
      {"{\"iFid\":0,\"nState\":0}", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(c.message, EditRefusalMessageId(c.reply)) << c.reply;
}

TEST_F(WaybillSaveTest, LoadForEditingFillsTheEntry) {
  link_.record =
      "{\"ReturnValue\":1,\"irID\":61,\"icID\":7,\"dDate\":\"2023-07-05 00:00:00\","
      "\"cZizKind\":\"ZIZ\",\"cNum\":\"BR0000061\",\"fAmount\":95,\"fWeight\":1.5,"
      "\"iPrice\":1250,\"iCubic\":2500000,\"iQuantity\":2,\"iItem\":2,\"cMoney\":\"USDX\","
      "\"fAccord\":95,\"nState\":0,\"iFid\":0,\"cTrans\":\"T3\","
      "\"WeightList\":[{\"ixLong\":1,\"ixWeight\":100},{\"ixLong\":2,\"ixWeight\":200}],"
      "\"GoodsList\":[]}";
  std::string switched;
  int32_t selected = 0;
  saver_.selectCustomer = [&](int32_t id) { selected = id; return true; };
  saver_.switchKind = [&](std::string_view code) { switched = code; };
  ASSERT_TRUE(saver_.LoadForEditing(61, true));
  EXPECT_EQ(7, selected);
  EXPECT_EQ("ZIZ", switched);
  EXPECT_EQ(61, entry_.loadedId);
  EXPECT_EQ(2023, entry_.loaded.waybill.year);
  EXPECT_EQ(7, entry_.loaded.waybill.month);
  EXPECT_EQ(5, entry_.loaded.waybill.day);
  EXPECT_EQ(u"2023-07-05 00:0", entry_.dateText);
  EXPECT_EQ(u"BR0000061", entry_.texts[2]);
  EXPECT_EQ(u"95.00", entry_.texts[5]);
  EXPECT_EQ(u"1.500", entry_.texts[4]);
  EXPECT_EQ(u"12.50", entry_.texts[28]);
  EXPECT_EQ(u"2.500", entry_.texts[57]);
  EXPECT_EQ(u"T3", entry_.texts[17]);
  EXPECT_TRUE(entry_.texts[51].empty());
  EXPECT_EQ(95.0, entry_.loaded.waybill.fAccord);
  EXPECT_EQ(u"USD", entry_.money);  // payment codes cut to 3
  ASSERT_EQ(2u, entry_.pieces.size());
  EXPECT_EQ(200, entry_.pieces[1].ixWeight);
  EXPECT_TRUE(entry_.goods.empty());

  link_.record = "{\"ReturnValue\":1,\"icID\":7,\"iQid\":3,\"nState\":0}";
  boxes_.Clear();
  EXPECT_FALSE(saver_.LoadForEditing(62, false));
  EXPECT_EQ(AppLanguage().Text(120044), boxes_.LastText());
  link_.record.clear();
  boxes_.Clear();
  EXPECT_FALSE(saver_.LoadForEditing(63, false));
  EXPECT_EQ(0u, boxes_.Count());
}

}  // namespace
