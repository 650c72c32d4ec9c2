// The quick entry form's rules without its window: the conversion of every
// field kind when a slot is left, scale readings, dimensions, the goods
// summary, the status line, the pre-input fill, the import field names and
// template, and the label batches of page 0.

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "common/TextCodec.h"
#include "entry/QuickEntryImport.h"
#include "entry/QuickEntryReactions.h"
#include "platform/MessageBox.h"
#include "refdata/ServiceKinds.h"
#include "tests/entry/EntryTestSupport.h"

namespace {

using namespace quickentry;

// Every kind: what leaving its slot stores.  Kinds not listed store the
// trimmed text unchanged.
TEST(QuickEntryReactions, LeavingASlotConvertsByKind) {
  struct Case {
    int kind;
    std::u16string typed;
    std::u16string stored;
  };
  const Case converted[] = {
      {2, u"  br11000001 ", u"BR11000001"},
      {3, u"tn-9a", u"TN-9A"},
      {41, u"ref-x", u"REF-X"},
      {4, u"", u"0.000"},
      {4, u" 2.5", u"2.500"},
      {25, u"1.23456", u"1.235"},
      {5, u"12", u"12.00"},
      // A number kind keeps a text that is no number, for the save to refuse.
      {43, u"abc", u"abc"},
      {4, u" 2,5kg ", u"2,5kg"},
      {5, u"1.2.3", u"1.2.3"},
      {23, u"7.9", u"7"},
      {23, u"", u"0"},
      {19, u"2024-5-6 9:30", u"2024.05.06 09:30:00"},
  };
  for (const Case& c : converted) {
    SCOPED_TRACE(c.kind);
    EXPECT_EQ(c.stored, LeaveSlotText(c.kind, c.typed));
  }
  // Every other kind: trimmed, cut to 254 characters, otherwise as typed.
  const std::u16string longText(300, u'x');
  for (int kind = 0; kind < 69; ++kind) {
    bool listed = false;
    for (const Case& c : converted) listed = listed || c.kind == kind;
    if (listed || kind == 20) continue;
    SCOPED_TRACE(kind);
    EXPECT_EQ(u"a b", LeaveSlotText(kind, u"  a b \t"));
    EXPECT_EQ(254u, LeaveSlotText(kind, longText).size());
  }
  EXPECT_TRUE(LeaveSlotShowsText(2));
  EXPECT_TRUE(LeaveSlotShowsText(3));
  EXPECT_FALSE(LeaveSlotShowsText(41));
}

TEST(QuickEntryReactions, ScaleReadingsFollowTheRoundingSetting) {
  EXPECT_EQ(u"12.35", ScaleWeightText(12345, 5));
  EXPECT_EQ(u"12.34", ScaleWeightText(12345, 0));
  EXPECT_EQ(u"12.345", ScaleWeightText(12345, -1));
}

int32_t ClassD(int32_t l, int32_t w, int32_t h, int32_t grams, char letter) {
  EXPECT_EQ('D', letter);
  const int64_t volumetric = static_cast<int64_t>(l) * w * h * 1000 / 5000;
  return static_cast<int32_t>(std::max<int64_t>(volumetric, grams));
}

TEST(QuickEntryReactions, DimensionsGiveVolumeAndChargeableWeight) {
  EXPECT_EQ('D', VolumeLetterOfClass(1, 0));
  EXPECT_EQ('W', VolumeLetterOfClass(6, 0));
  EXPECT_EQ('X', VolumeLetterOfClass(9, 'X'));

  DimensionsOutcome d = ApplyDimensions(u"60*40*30", u"10.000", 'D', ClassD);
  ASSERT_TRUE(d.valid);
  EXPECT_EQ(u"60*40*30", d.dimensions);
  EXPECT_EQ(u"0.072", d.volume);
  EXPECT_EQ(u"14.400", d.weight);

  // A heavier parcel keeps its weight.
  d = ApplyDimensions(u"60*40*30", u"20", 'D', ClassD);
  EXPECT_TRUE(d.weight.empty());
  // Under half a litre: no volume.
  d = ApplyDimensions(u"5*5*5", u"1", 'D', ClassD);
  EXPECT_TRUE(d.volume.empty());

  for (const char16_t* bad : {u"0*40*30", u"60*40", u"abc", u"60*40*-3", u"99999*99999*99999"}) {
    SCOPED_TRACE(Utf8FromWide(bad));
    EXPECT_FALSE(ApplyDimensions(bad, u"10", 'D', ClassD).valid);
  }
}

TEST(QuickEntryReactions, GoodsSummary) {
  std::vector<GoodsLine> goods(2);
  std::memset(goods.data(), 0, sizeof(GoodsLine) * 2);
  std::strcpy(goods[0].cgoods, "Shirt");
  goods[0].iquantity = 2;
  goods[0].fprice = 1.5;
  std::strcpy(goods[1].cgoods, "Cap");
  goods[1].iquantity = 3;
  goods[1].fprice = 2.0;
  const GoodsSummary s = SummarizeGoods(goods);
  ASSERT_TRUE(s.any);
  EXPECT_EQ(u"Shirt,Cap", s.names);
  EXPECT_EQ(u"2,3", s.quantities);
  EXPECT_EQ(u"5", s.totalQuantity);
  EXPECT_EQ(u"9.00", s.declared);
  EXPECT_EQ(u"1.80", s.unitPrice);
  EXPECT_FALSE(SummarizeGoods({}).any);
}

TEST(QuickEntryReactions, StatusLineAndPayDirection) {
  entrytest::LoadLanguage();
  EXPECT_EQ(u"PP", PayDirOfPayWay(0));
  EXPECT_EQ(u"PP", PayDirOfPayWay(1));
  EXPECT_EQ(u"CC", PayDirOfPayWay(2));
  StatusLine st;
  st.state = 0;
  st.payWay = 2;
  st.payDir = u"CC";
  st.money = u"USD";
  st.origin = u"CN";
  st.deliveryWay = 0;
  st.kindCode = u"DHL";
  EXPECT_EQ(u"●录入|到付|CC|USD|CN↓DHL", StatusLineText(st));
  st.loaded = true;
  st.deliveryWay = 1;
  EXPECT_EQ(u"◆录入|到付|CC|USD|CN↑DHL", StatusLineText(st));
}

TEST(QuickEntryReactions, PreInputIsAskedOncePerNewWaybillForLongNumbers) {
  EXPECT_FALSE(AsksPreInput(2, u"12345", false, false));
  EXPECT_TRUE(AsksPreInput(2, u"123456", false, false));
  EXPECT_FALSE(AsksPreInput(2, u"123456", false, true));
  EXPECT_FALSE(AsksPreInput(2, u"123456", true, false));
  EXPECT_TRUE(AsksPreInput(41, u"REF-12", false, false));
  EXPECT_FALSE(AsksPreInput(1, u"123456", false, false));
  EXPECT_FALSE(PreInputFillsKind(5));
  EXPECT_FALSE(PreInputFillsKind(57));
  EXPECT_TRUE(PreInputFillsKind(64));
}

// An order's free text passes the rules of keyed text: numbers upper case,
// dimensions only when they are dimensions, codes of three characters.
TEST(QuickEntryReactions, PreInputTextsPassTheKeyedTextRules) {
  WaybillEntry entry;
  entry.texts[5] = u"88.00";
  entry.texts[57] = u"0.100";
  const std::string reply =
      "{\"ReturnValue\":1,\"icID\":2,\"dDate\":\"2024-05-06 10:30:00\",\"iItem\":3,"
      "\"nItemType\":1,\"nPayWay\":2,\"cNum\":\"br11000077\",\"cDes\":\"美国\","
      "\"cLwh\":\"1'); DROP TABLE client_rec;--\",\"fWeight\":2.5,\"cMoney\":\"USDX\","
      "\"cReceiver\":\"O'Hara\",\"GoodsList\":[{\"ixQuantity\":2,\"cxGoods\":\"Shirt\"}]}";
  TakePreInputReply(reply, entry);
  EXPECT_EQ(u"2024-05-06 10:3", entry.dateText);
  EXPECT_EQ(3, entry.itemCount);
  EXPECT_EQ(2, entry.payWay);
  EXPECT_EQ(u"BR11000077", entry.texts[2]);
  EXPECT_EQ(u"美国", entry.texts[1]);
  EXPECT_EQ(u"", entry.texts[64]);
  EXPECT_EQ(u"2.500", entry.texts[4]);
  EXPECT_EQ(u"USD", entry.money);
  EXPECT_EQ(u"O'Hara", entry.texts[7]);
  EXPECT_EQ(u"88.00", entry.texts[5]);   // kept
  EXPECT_EQ(u"0.100", entry.texts[57]);  // kept
  ASSERT_EQ(1u, entry.goods.size());
  EXPECT_EQ(2, entry.goods[0].iquantity);

  // An order without codes or pay way keeps the form's.
  WaybillEntry real;
  real.payWay = 1;
  real.payDir = u"PP";
  real.money = u"CNY";
  real.itemCount = 1;
  TakePreInputReply("{\"ReturnValue\":1,\"cLwh\":\"30*20*10\"}", real);
  EXPECT_EQ(u"30*20*10", real.texts[64]);
  EXPECT_EQ(1, real.payWay);
  EXPECT_EQ(u"PP", real.payDir);
  EXPECT_EQ(u"CNY", real.money);
  EXPECT_EQ(1, real.itemCount);
}

// The names are the keys of the import's mapping files: compared byte for
// byte with the golden list.
TEST(QuickEntryImport, FieldNamesAreTheMappingFileKeys) {
  std::ifstream golden(BRANTLE_SOURCE_DIR "/tests/entry/quick_import_fields.txt", std::ios::binary);
  ASSERT_TRUE(golden.good());
  std::vector<std::string> lines;
  for (std::string line; std::getline(golden, line);) lines.push_back(line);
  const auto& names = ImportFieldNames();
  ASSERT_EQ(69u, lines.size());
  for (int i = 0; i < kImportFieldCount; ++i) EXPECT_EQ(lines[i], Utf8FromWide(names[i])) << i;
  EXPECT_EQ(u"业务日期", names[65]);
  EXPECT_EQ(u"发件证照号", names[66]);
  EXPECT_EQ(u"收件证照号", names[67]);
}

TEST(QuickEntryImport, TemplateCarriesTheFormsDefaults) {
  entrytest::LoadLanguage();
  platform::RecordingMessageBoxService boxes;
  platform::ScopedMessageBoxService scope(&boxes);
  CServiceKind kind(GbkFromWide(u"ZIZ国际"));
  WaybillEntry entry;
  entry.kind = &kind;
  entry.customerId = 0;
  entry.itemCount = 2;
  entry.itemType = 1;
  entry.language = 4;
  entry.payWay = 1;
  entry.money = u"USD";
  entry.origin = u"CN";
  entry.payDir = u"PP";
  entry.texts[6] = u"陈先生";
  entry.texts[36] = std::u16string(65, u'深');  // 130 GBK bytes
  entry.texts[7] = u"Receiver";
  entry.texts[2] = u"BR11000001";
  entry.texts[26] = u"Shirt";
  entry.texts[23] = u"5";
  entry.texts[62] = u"1.5";
  InputWaybillRecord record;
  std::memset(&record, 0x55, sizeof record);
  FillImportTemplate(entry, record);
  const WaybillRecord& w = record.waybill;
  EXPECT_EQ(0, w.icID);
  EXPECT_EQ(u"ZIZ国际", entrytest::Text(w.cZizKind));
  EXPECT_EQ(u"陈先生", entrytest::Text(w.cSender));
  EXPECT_EQ(u"", entrytest::Text(w.cSAddr));
  ASSERT_GE(boxes.Count(), 1u);
  EXPECT_NE(std::u16string::npos, boxes.LastText().find(u"126"));
  EXPECT_EQ(u"", entrytest::Text(w.cReceiver));
  EXPECT_EQ(u"", entrytest::Text(w.cNum));
  EXPECT_EQ(u"", entrytest::Text(w.cGoods));
  EXPECT_EQ(u"USD", entrytest::Text(w.cMoney));
  EXPECT_EQ(2, w.iItem);
  EXPECT_EQ(1, w.nItemType);
  EXPECT_EQ(4, w.nLanguage);
  EXPECT_EQ(5, w.iReserve);
  EXPECT_DOUBLE_EQ(1.5, w.fGCustom);
  EXPECT_GE(w.year, 2024);
  EXPECT_EQ(0, record.spare);
}

}  // namespace
