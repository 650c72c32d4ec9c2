// The full form's save and delete against the local stand-in server: every
// sample waybill loads, saves and comes back unchanged; one field of each
// kind changed comes back changed and nothing else moves; the delete.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "entry/FullFormSave.h"
#include "server/ServerLink.h"
#include "server/ServerLinkSupport.h"
#include "tests/refdata/RepositoryLanguage.h"
#include "tests/server/StandInLinkSuite.h"

namespace {

// A record field: where it is and how large.
struct Span {
  size_t offset, size;
  const char* name;
};
#define SPAN(f) Span{offsetof(WaybillRecord, f), sizeof(WaybillRecord::f), #f}

// The fields an editable waybill's save prices again.
const Span kRepriced[] = {SPAN(fAmount), SPAN(fsPrice),   SPAN(faAddOn), SPAN(faCustoms),
                          SPAN(faOther), SPAN(fDiscount), SPAN(fBase),   SPAN(fBaseRate),
                          SPAN(fAccord)};

class FullFormSaveStandIn : public testsupport::StandInLinkSuite<FullFormSaveStandIn> {
 public:
  static constexpr const char* kRootName = "brantle-full-form-save";

 protected:
  void SetUp() override {
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "00"));
    ASSERT_NO_FATAL_FAILURE(OpenLink("00", "PC-FULL"));
    ASSERT_GT(link_.Login(u"admin", u"admin123", 0), 0);
    saveLink_ = MakeServerWaybillSaveLink(link_);
  }

  bool Load(int32_t id, FullFormValues& values, FullFormState& state) {
    return LoadFullForm(saveLink_->FetchRecord(id), values, state);
  }
  int32_t IdOf(std::string_view number) { return link_.FindWaybillId(0, number, false); }

  // The first differing field outside `ignored`, or empty.
  static std::string Difference(WaybillRecord before, WaybillRecord after,
                                const std::vector<Span>& ignored) {
    for (const Span& s : ignored) {
      std::memcpy(reinterpret_cast<char*>(&after) + s.offset,
                  reinterpret_cast<const char*>(&before) + s.offset, s.size);
    }
    const auto* a = reinterpret_cast<const unsigned char*>(&before);
    const auto* b = reinterpret_cast<const unsigned char*>(&after);
    for (size_t k = 0; k < sizeof(WaybillRecord); ++k)
      if (a[k] != b[k]) return "byte " + std::to_string(k);
    return {};
  }

  std::unique_ptr<WaybillSaveLink> saveLink_;
};

// Saved as loaded, every sample waybill comes back byte for byte (an
// editable one with its price asked again, one with pieces with their
// weight as its actual weight and one piece with its dimensions).
TEST_F(FullFormSaveStandIn, EverySampleWaybillSavesUnchanged) {
  // Every waybill of the sample data but the manifest's (ids 46001 to
  // 46099), whose declared values and weights differ from their goods lines
  // and pieces so that the manifest's totals show which rows they add; the
  // full form's save brings them into line, and the tracking import's
  // (47701 to 47705), whose customer has no record.
  std::vector<int32_t> ids;
  {
    const uint32_t types[] = {AcsTypeEntry(kSqlCSLong)};
    std::string reply;
    ASSERT_GT(link_.SqlQuery("SELECT a.irid FROM brantle.dbo.client_rec a WHERE a.irid NOT BETWEEN 46001 AND 46099 "
                             "AND a.irid NOT BETWEEN 47701 AND 47705 "
                             "ORDER BY a.irid", types,
                             &reply),
              0);
    const std::string_view list = JsonListBody(reply, "List");
    size_t pos = 0;
    std::string_view row;
    while (JsonNextObject(list, pos, row)) ids.push_back(JsonGetInt("0", row, 0));
  }
  ASSERT_GE(ids.size(), 40u);
  int saved = 0;
  for (const int32_t id : ids) {
    const std::string number = "irid " + std::to_string(id);
    FullFormValues values;
    FullFormState state;
    ASSERT_TRUE(Load(id, values, state)) << number;
    const WaybillRecord before = state.working.waybill;
    CFullFormSaver saver(*saveLink_, values, state);
    const CFullFormSaver::Outcome outcome = saver.Save();
    if (outcome == CFullFormSaver::Outcome::Stopped &&
        (boxes_.LastText() == AppLanguage().Text(120031) ||
         boxes_.LastText() == AppLanguage().Text(120032))) {
      // A sample waybill sharing its number with another: the server
      // refuses it, as it should.
      continue;
    }
    ASSERT_EQ(CFullFormSaver::Outcome::Saved, outcome)
        << number << ": " << Utf8FromWide(boxes_.LastText());
    ++saved;
    FullFormValues again;
    FullFormState reloaded;
    ASSERT_TRUE(Load(id, again, reloaded));
    std::vector<Span> ignored;
    if (state.editable) ignored.assign(std::begin(kRepriced), std::end(kRepriced));
    // The actual weight of a waybill with pieces is their sum.
    if (!state.pieces.empty()) ignored.push_back(SPAN(fWeightb));
    // One piece gives the dimensions.
    if (state.pieces.size() == 1) ignored.push_back(SPAN(cLwh));
    EXPECT_EQ("", Difference(before, reloaded.working.waybill, ignored)) << number;
    EXPECT_EQ(state.pieces.size(), reloaded.pieces.size()) << number;
    EXPECT_EQ(state.goods.size(), reloaded.goods.size()) << number;
  }
  EXPECT_GE(saved, 40);
}

TEST_F(FullFormSaveStandIn, OneFieldOfEachKindChanged) {
  const int32_t id = IdOf("BR10000012");  // a query holds it: not priced again
  FullFormValues values;
  FullFormState state;
  ASSERT_TRUE(Load(id, values, state));
  EXPECT_EQ(0, state.editable);
  const WaybillRecord before = state.working.waybill;

  values.texts[kFfReceiver] = u"O'Neil 李";      // an encoded text
  values.texts[kFfMemo] = u"改过的备注";          // a plain text
  values.texts[kFfBy3] = u"spare 3";             // spare-fields pane
  values.texts[kFfRNo] = u"REF-77";              // extra-numbers pane
  values.texts[kFfGUnit] = u"箱";                // not an argument of the call
  values.numbers[kFfWeight] = u"3.456";          // decimal
  values.numbers[kFfAmount] = u"88.5";           // the fee as typed
  values.numbers[kFfQuantity] = u"7";            // integer
  values.numbers[kFfPrice] = u"12.34";           // hundredths
  values.numbers[kFfGWeight] = u"1.234";         // net weight to the gram
  values.payIndex = 2;                           // combo
  values.date = u"2024.2.29";
  state.codTotal = 300;                          // cash-on-delivery dialog
  state.codSettled = 250.5;
  GoodsLine line{};
  std::strcpy(line.cgoods, "Mug");
  line.iquantity = 2;
  state.goods = {line};
  state.goodsChanged = true;

  CFullFormSaver saver(*saveLink_, values, state);
  ASSERT_EQ(CFullFormSaver::Outcome::Saved, saver.Save()) << Utf8FromWide(boxes_.LastText());
  FullFormValues again;
  FullFormState reloaded;
  ASSERT_TRUE(Load(id, again, reloaded));
  const WaybillRecord& w = reloaded.working.waybill;
  EXPECT_EQ(u"O'Neil 李", FullFormTextOf(w, kFfReceiver));
  EXPECT_EQ(u"改过的备注", again.texts[kFfMemo]);
  EXPECT_STREQ("spare 3", w.cBy3);
  EXPECT_STREQ("REF-77", w.cRNo);
  EXPECT_EQ(u"箱", again.texts[kFfGUnit]);
  EXPECT_EQ(3.456, w.fWeight);
  EXPECT_EQ(88.5, w.fAmount);
  EXPECT_EQ(7, w.iQuantity);
  EXPECT_EQ(1234, w.iPrice);
  EXPECT_EQ(u"12.34", again.numbers[kFfPrice]);
  EXPECT_EQ(1.234, w.fgWeight);
  EXPECT_EQ(2, w.nPayWay);
  EXPECT_EQ(2024, w.year);
  EXPECT_EQ(2, w.month);
  EXPECT_EQ(29, w.day);
  EXPECT_EQ(300, w.fGoods);
  EXPECT_EQ(250.5, w.fGoodsC);
  ASSERT_EQ(1u, reloaded.goods.size());
  EXPECT_STREQ("Mug", reloaded.goods[0].cgoods);

  const std::vector<Span> changed = {
      SPAN(cReceiver), SPAN(cMemo),    SPAN(cBy3),   SPAN(cRNo),    SPAN(cGUnit),
      SPAN(fWeight),   SPAN(fWeightb), SPAN(fAmount), SPAN(iQuantity), SPAN(iPrice),
      SPAN(fgWeight),  SPAN(nPayWay),  SPAN(year),   SPAN(month),   SPAN(day),
      SPAN(fGoods),    SPAN(fGoodsC),  SPAN(fAmountC)};
  EXPECT_EQ("", Difference(before, w, changed));
}

// The business date step: a valid date goes into the record's year, month
// and day; a short text or an impossible date is refused with its message
// and leaves the record as it was.
TEST_F(FullFormSaveStandIn, TheBusinessDateIsCheckedAndWrittenIntoTheRecord) {
  FullFormValues values;
  FullFormState state;
  CFullFormSaver saver(*saveLink_, values, state);
  const struct {
    std::u16string text;
    bool ok;
    int year, month, day;
    std::u16string message;  // empty: none
  } cases[] = {
      {u"2024.2.29", true, 2024, 2, 29, u""},
      {u"2025-07-04 10:30", true, 2025, 7, 4, u""},
      {u"2023.2.29", false, 1999, 9, 9, u"业务日期数据不合法。"},
      {u"2024.13.1", false, 1999, 9, 9, u"业务日期数据不合法。"},
      {u"2024.3", false, 1999, 9, 9, u"[业务日期]不能短于 8 个字符。"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf8FromWide(c.text));
    boxes_.Clear();
    WaybillRecord w{};
    w.year = 1999;
    w.month = 9;
    w.day = 9;
    values.date = c.text;
    EXPECT_EQ(c.ok, saver.CheckBusinessDate(w));
    EXPECT_EQ(c.year, w.year);
    EXPECT_EQ(c.month, w.month);
    EXPECT_EQ(c.day, w.day);
    EXPECT_EQ(c.message.empty() ? 0u : 1u, boxes_.Count());
    if (!c.message.empty()) {
      EXPECT_EQ(c.message, boxes_.LastText());
    }
  }
}

TEST_F(FullFormSaveStandIn, TextChecksAndDelete) {
  const int32_t id = IdOf("BR10000024");
  FullFormValues values;
  FullFormState state;
  ASSERT_TRUE(Load(id, values, state));
  EXPECT_EQ(1, state.editable);
  CFullFormSaver saver(*saveLink_, values, state);

  // A waybill number of 6 bytes is refused before anything is sent.
  values.texts[kFfNum] = u"BR1000";
  EXPECT_EQ(CFullFormSaver::Outcome::Stopped, saver.Save());
  EXPECT_NE(std::u16string::npos, boxes_.LastText().find(u"7")) << Utf8FromWide(boxes_.LastText());
  values.texts[kFfNum] = u"br10000024";  // upper-cased by the save
  values.date = u"2024.2.30";
  EXPECT_EQ(CFullFormSaver::Outcome::Stopped, saver.Save());
  values.date = u"2024.3.1";
  int cleared = 0;
  saver.clearForm = [&] { ++cleared; };
  ASSERT_EQ(CFullFormSaver::Outcome::Saved, saver.Save()) << Utf8FromWide(boxes_.LastText());
  EXPECT_EQ(1, cleared);

  // Delete, asked first.
  ASSERT_TRUE(Load(id, values, state));
  boxes_.QueueAnswer(platform::kIdYes);
  ASSERT_TRUE(saver.Delete()) << Utf8FromWide(boxes_.LastText());
  EXPECT_LE(IdOf("BR10000024"), 0);

  // A waybill in a query cannot be deleted: the server's refusal is shown.
  ASSERT_TRUE(Load(IdOf("BR10000012"), values, state));
  boxes_.QueueAnswer(platform::kIdYes);
  EXPECT_FALSE(saver.Delete());
  EXPECT_EQ(AppLanguage().Text(180106), boxes_.LastText());
}

TEST(FullFormStatements, CallTextAndCodAmounts) {
  WaybillRecord w{};
  w.year = 2024;
  w.month = 3;
  w.day = 5;
  std::strcpy(w.cLwh, "10*20*30'W");
  std::strcpy(w.cZizKind, "DHL");
  std::strcpy(w.cSIDCard, "S1");
  std::strcpy(w.cRIDCard, "R'1");
  w.fgWeight = 1.234;
  const std::string call = BuildModPartCall(w, 17);
  EXPECT_EQ(0u, call.find("{?=CALL brantle.dbo.cp_client_rec_mod_part(17,0,0,'2024.3.5',0,0,'"));
  EXPECT_NE(std::string::npos, call.find(",'10*20*30''W',"));
  EXPECT_NE(std::string::npos, call.find(",'S1','R''1',1.23,'DHL')}"));
  int commas = 0;
  bool quoted = false;
  for (char c : call) {
    if (c == '\'') quoted = !quoted;
    if (c == ',' && !quoted) ++commas;
  }
  EXPECT_EQ(110, commas);  // 111 arguments
  EXPECT_EQ("{?=CALL brantle.dbo.cp_client_rec_del(?,9,'O''Hara',1)}",
            BuildFullFormDeleteCall(9, "O'Hara", true));

  double settled = 0, cod = 0;
  EXPECT_EQ(0, ConfirmCodAmounts(true, 120, settled, 0, cod));
  EXPECT_EQ(120, settled);
  settled = 50;
  EXPECT_EQ(0, ConfirmCodAmounts(false, 120, settled, 0, cod));
  EXPECT_EQ(0, settled);
  cod = 300.01;
  EXPECT_EQ(2, ConfirmCodAmounts(false, 0, settled, 300, cod));
  settled = 121;
  EXPECT_EQ(1, ConfirmCodAmounts(true, 120, settled, 0, cod));
}

}  // namespace
