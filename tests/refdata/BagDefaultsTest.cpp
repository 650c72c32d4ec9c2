// The bag and master air waybill defaults from the settings text and the
// dictionary rows, the weight text and the parsers of the recent-list items.

#include <gtest/gtest.h>

#include <string>

#include "common/TextCodec.h"
#include "refdata/AwbBagLists.h"
#include "refdata/BagDefaults.h"

namespace {

std::string Gbk(std::u16string_view text) { return GbkFromWide(text); }

// A settings text with both markers: the head, then the bag and the master
// air waybill sections with the lines given.
std::string SettingsText(std::u16string_view head, std::u16string_view bag,
                         std::u16string_view awb) {
  return Gbk(head) + Gbk(u"<装袋默认值配置开始>\r\n") + Gbk(bag) + Gbk(u"<总单默认值配置开始>\r\n") +
         Gbk(awb);
}

TEST(BagDefaults, MarkersAreTwentyBytes) {
  EXPECT_EQ(20u, BagSectionMarker().size());
  EXPECT_EQ(20u, AwbSectionMarker().size());
}

TEST(BagDefaults, BothMarkersAreNeeded) {
  const std::string bagOnly = Gbk(u"袋编码位数=11\r\n<装袋默认值配置开始>\r\n出发机场=SZX\r\n");
  const std::string awbOnly = Gbk(u"<总单默认值配置开始>\r\n机场=PEK\r\n");
  EXPECT_EQ(nullptr, ParseBagDefaults(bagOnly));
  EXPECT_EQ(nullptr, ParseBagDefaults(awbOnly));
  EXPECT_EQ(nullptr, ParseBagDefaults(""));
  // A marker behind the end of the text (after a NUL) does not count.
  EXPECT_EQ(nullptr, ParseBagDefaults(bagOnly + std::string(1, '\0') + awbOnly));
  EXPECT_NE(nullptr, ParseBagDefaults(bagOnly + awbOnly));
}

TEST(BagDefaults, EachSectionReadsItsOwnKeys) {
  std::string text = SettingsText(
      u"袋编码位数=11\r\n袋序格式=2\r\n一票多件分列=1\r\n",
      u"出发机场=SZX\r\n目的机场= LAX \r\n出发站点=SZ\r\n目的站点=GZ\r\n装袋类型=普货\r\n"
      u"标签=快件\r\n备用1=甲\r\n备用2=乙\r\n检查客户余额=1\r\n检查出入重=1\r\n共享=3\r\n",
      u"首航班=CA983\r\n机场=PEK\r\n出发地=北京\r\n目的地=洛杉矶\r\n标签=总单\r\n运输方式=空运\r\n"
      u"贸易方式=一般贸易\r\n包装=纸箱\r\n托运备注=轻放\r\n海关三字代码=BJS\r\n类型=2\r\n");
  auto d = ParseBagDefaults(text);
  ASSERT_NE(nullptr, d);
  EXPECT_EQ(11, d->bagCodeDigits);
  EXPECT_EQ(2, d->bagSequenceFormat);
  EXPECT_EQ(1, d->multiPieceColumns);
  EXPECT_EQ("SZX", d->departureAirport);
  EXPECT_EQ("LAX", d->destinationAirport);  // trimmed
  EXPECT_EQ("SZ", d->departureStation);
  EXPECT_EQ("GZ", d->destinationStation);
  EXPECT_EQ(Gbk(u"普货"), d->bagType);
  EXPECT_EQ(Gbk(u"快件"), d->bagLabel);
  EXPECT_EQ(Gbk(u"总单"), d->waybillLabel);
  EXPECT_EQ(Gbk(u"甲"), d->spare1);
  EXPECT_EQ(Gbk(u"乙"), d->spare2);
  EXPECT_EQ(0, d->checkAirport);
  EXPECT_EQ(1, d->checkCustomerBalance);
  EXPECT_EQ(1, d->checkWeights);
  EXPECT_EQ(3, d->shared);
  EXPECT_EQ("CA983", d->firstFlight);
  EXPECT_EQ("PEK", d->airport);
  EXPECT_EQ(Gbk(u"北京"), d->origin);
  EXPECT_EQ(Gbk(u"洛杉矶"), d->destination);
  EXPECT_EQ(Gbk(u"空运"), d->transportMode);
  EXPECT_EQ(Gbk(u"一般贸易"), d->tradeMode);
  EXPECT_EQ(Gbk(u"纸箱"), d->packing);
  EXPECT_EQ(Gbk(u"轻放"), d->consignmentMemo);
  EXPECT_EQ("BJS", d->customsCode);
  EXPECT_EQ(2, d->type);

  // The same keys in another section are not read; the master air waybill
  // section may come first.
  std::string swapped = Gbk(u"<总单默认值配置开始>\r\n出发机场=SZX\r\n类型=5\r\n<装袋默认值配置开始>\r\n"
                            u"机场=PEK\r\n袋编码位数=9\r\n");
  auto s = ParseBagDefaults(swapped);
  ASSERT_NE(nullptr, s);
  EXPECT_EQ("", s->departureAirport);
  EXPECT_EQ("", s->airport);
  EXPECT_EQ(0, s->bagCodeDigits);
  EXPECT_EQ(5, s->type);
}

TEST(BagDefaults, FlagsAndValueLimitsOfTheSettingsText) {
  const struct {
    const char16_t* line;  // in the bag section
    int checkAirport;
  } flags[] = {{u"检查机场=1", 1}, {u"检查机场=2", 0}, {u"检查机场=0", 0}, {u"检查机场=", 0},
               {u"检查机场=1 # 出发机场必须与袋一致", 1}};
  for (const auto& c : flags) {
    auto d = ParseBagDefaults(SettingsText(u"", std::u16string(c.line) + u"\r\n", u""));
    ASSERT_NE(nullptr, d);
    EXPECT_EQ(c.checkAirport, d->checkAirport) << Gbk(c.line);
  }

  // A value longer than its field's longest value is not taken at all.
  auto d = ParseBagDefaults(SettingsText(u"", u"出发站点=ABCDEFGHIJKLMNOP\r\n目的站点=ABCDEFGHIJKLMNO\r\n",
                                         u"机场=ABCDEFGH\r\n海关三字代码=BJS\r\n包装=" +
                                             std::u16string(16, u'箱') + u"\r\n"));
  ASSERT_NE(nullptr, d);
  EXPECT_EQ("", d->departureStation);             // 16 bytes
  EXPECT_EQ("ABCDEFGHIJKLMNO", d->destinationStation);  // 15 bytes
  EXPECT_EQ("", d->airport);                      // 8 bytes
  EXPECT_EQ("BJS", d->customsCode);
  EXPECT_EQ("", d->packing);                      // 32 bytes
}

TEST(BagDefaults, DictionaryRowsOverrideTheSettingsText) {
  auto d = ParseBagDefaults(SettingsText(u"", u"检查机场=0\r\n共享=1\r\n", u"类型=2\r\n机场=PVG\r\n"));
  ASSERT_NE(nullptr, d);

  const struct {
    const char* name;
    std::u16string value;
    bool applied;
  } rows[] = {
      {"xbag_14", u"10", true},           // begins with "1": on
      {"xbag_7", u"3", true},             // the type, whatever the text said
      {"xbag_13", u"4", true},            // shared, a number
      {"xbag_28", u"XXX", false},         // outside 0..27
      {"xbag_", u"XXX", false},
      {"xbag_x1", u"XXX", false},         // the LIKE pattern's "_" lets such names through
      {"xbagA0", u"XXX", false},
      {"xbag_1", u"浦东国际机场", true},  // 12 bytes into a field of 8
      {"xbag_4", u"SHAX", true},          // into a field of 4
      {"xbag_0", u"MU219", true},
      {"xbag_20", u"1", true},
      {"xbag_17", u"1", true},
      {"xbag_17", u"0", true},            // a later row switches it off again
  };
  for (const auto& row : rows)
    EXPECT_EQ(row.applied, ApplyBagDictionaryRow(*d, row.name, Gbk(row.value))) << row.name;

  EXPECT_EQ(1, d->checkAirport);
  EXPECT_EQ(3, d->type);
  EXPECT_EQ(4, d->shared);
  EXPECT_EQ(Gbk(u"浦东国"), d->airport);  // cut to 7 bytes, never inside a character
  EXPECT_EQ("SHA", d->customsCode);
  EXPECT_EQ("MU219", d->firstFlight);
  EXPECT_EQ(1, d->switch20);
  EXPECT_EQ(0, d->switch17);
  EXPECT_EQ(0, d->switch21);
  EXPECT_EQ("", d->departureAirport);  // untouched by the ignored rows

  ApplyBagDictionaryRow(*d, "xbag_14", "01");
  EXPECT_EQ(0, d->checkAirport);
}

TEST(AwbBagLists, WeightText) {
  const struct {
    double kilograms;
    bool pounds;
    const char16_t* text;
  } cases[] = {
      {1.0, false, u"1.000"}, {1.0, true, u"2.20"},   {0.0, false, u"0.000"},
      {0.0, true, u"0.00"},   {12.3455, false, u"12.346"}, {2.5, true, u"5.51"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.text, FormatWeight(c.kilograms, c.pounds)) << c.kilograms << " " << c.pounds;
}

TEST(AwbBagLists, ItemParsers) {
  const struct {
    const char16_t* item;
    const char16_t* awb;
    const char16_t* bagNo;
    int bagId;
  } cases[] = {
      {u"◎999-12345675<LAX>", u"999-12345675", u"◎999-12345675", 0},
      {u"√781-00000011<FRA>", u"781-00000011", u"√781-00000011", 0},
      {u"\u3000999-1<洛杉矶>", u"999-1", u"\u3000999-1", 0},
      {u"999-12345675", u"999-12345675", u"999-12345675", 0},  // not an item
      {u"999-1<LAX", u"999-1<LAX", u"999-1<LAX", 0},          // no ">"
      {u"B2024030001<装袋中>ID:1234", u"B2024030001", u"B2024030001", 1234},
      {u"b1<x>ID:", u"1", u"b1", 0},
      {u"B1<x>ID:42abc", u"B1", u"B1", 42},
      {u"", u"", u"", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Gbk(c.item));
    EXPECT_EQ(c.awb, AwbFromListItem(c.item));
    EXPECT_EQ(c.bagNo, BagNoFromListItem(c.item));
    EXPECT_EQ(c.bagId, BagIdFromListItem(c.item));
  }
  EXPECT_EQ(u'\u3000', AwbStateMark(0));
  EXPECT_EQ(u'◎', AwbStateMark(1));
  EXPECT_EQ(u'√', AwbStateMark(2));
  EXPECT_EQ(u'\u3000', AwbStateMark(7));
}

}  // namespace
