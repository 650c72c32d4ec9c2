#include "print/PrintFields.h"

#include <gtest/gtest.h>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"

namespace {

TEST(PrintFieldDictionaryTest, NamedAndEmptySlots) {
  CPrintFieldDictionary fields;
  fields.Build(AppLanguage());
  struct Case {
    int slot;
    std::u16string_view name;
  } cases[] = {{0, u"发件人"},   {15, u"收件国家"}, {40, u"标价-报关费"}, {53, u"文件√"},
               {83, u"1件品名"}, {102, u"物品单价"}, {103, u""},          {109, u""},
               {110, u"备用一"}, {114, u"备用五"}, {115, u""},          {116, u""},
               {-1, u""}};
  for (const Case& c : cases) {
    EXPECT_EQ(fields.NameW(c.slot), c.name) << c.slot;
    EXPECT_EQ(fields.Name(c.slot), GbkFromWide(c.name)) << c.slot;
    EXPECT_LE(fields.Name(c.slot).size(), 15u) << c.slot;
  }
  int named = 0;
  for (int slot = 0; slot < kPrintFieldCount; ++slot) named += fields.Name(slot).empty() ? 0 : 1;
  EXPECT_EQ(named, 108);
  EXPECT_EQ(fields.SlotOf(GbkFromWide(u"转运单号")), 43);
  EXPECT_EQ(fields.SlotOf(GbkFromWide(u"发件人姓名")), -1);  // not in the dictionary
  EXPECT_EQ(fields.SlotOf(""), -1);
  EXPECT_EQ(fields.KindName(0), GbkFromWide(u"形式发票"));
  EXPECT_EQ(fields.KindName(2), GbkFromWide(u"快件标签"));
}

TEST(FieldMarkersTest, CaptionsTagsAndRange) {
  CFieldMarkers markers;
  EXPECT_STREQ(markers.Caption(0), GbkFromWide(u"[运单号]").c_str());
  EXPECT_EQ(markers.CaptionW(21), u"[收件国家]");
  EXPECT_EQ(markers.CaptionW(41), u"[备注]");
  EXPECT_EQ(markers.CaptionW(42), u"[运单号]");
  EXPECT_EQ(markers.CaptionW(-1), u"[运单号]");
  EXPECT_EQ(markers.At(36).openTag, "$CGF$");
  EXPECT_EQ(markers.At(36).closeTag, "$/CGF$");
  for (int n = 0; n < kFieldMarkerCount; ++n) EXPECT_LE(markers.At(n).caption.size(), 15u) << n;
}

TEST(FieldMarkersTest, ReplacementInIndexOrder) {
  std::array<std::u16string, kFieldMarkerCount> values;
  values[0] = u"EA123456789CN";
  values[5] = u"1.500";
  values[11] = u"中国";
  values[21] = u"美国";
  values[16] = u"[收件国家]";  // a value holding a later caption is replaced again
  std::u16string content = u"[运单号]/[重量]";
  CFieldMarkers::Replace(content, values);
  EXPECT_EQ(content, u"EA123456789CN/1.500");
  content = u"[收件国家]-[发件国家] [备注]x[运单号][运单号]";
  CFieldMarkers::Replace(content, values);
  EXPECT_EQ(content, u"美国-中国 xEA123456789CNEA123456789CN");
  content = u"[收件人]";
  CFieldMarkers::Replace(content, values);
  EXPECT_EQ(content, u"美国");
  values[21] = u"[发件人]";  // an earlier caption in a later value stays
  content = u"[收件国家]";
  CFieldMarkers::Replace(content, values);
  EXPECT_EQ(content, u"[发件人]");
}

}  // namespace

#include <cstring>

#include "refdata/RecordStores.h"

namespace {

TEST(FieldMarkersTest, ValuesOfAWaybill) {
  auto record = std::make_unique<WaybillRecord>();
  std::memset(record.get(), 0, sizeof(WaybillRecord));
  std::strcpy(record->cNum, "EA123456789CN");
  record->fWeight = 1.5;
  record->iItem = 3;
  record->iPrice = 1250;
  std::string country = GbkFromWide(u"美国");
  std::memcpy(record->cRCountry, country.data(), country.size());
  std::strcpy(record->cSCountry, "CN");
  std::memset(record->cMark, 'M', sizeof record->cMark);  // a full field without its NUL
  FieldMarkerContext context{u"包裹", u"月结", u"US", u"UNITED STATES"};
  auto values = FieldMarkerValues(*record, context);
  std::u16string content = u"[运单号]/[重量]";
  CFieldMarkers::Replace(content, values);
  EXPECT_EQ(content, u"EA123456789CN/1.500");
  content = u"[收件国家][发件国家]|[件数]|[物品单价]|[类型][付款方式]|[目的地编码][目的地英文]|[备注]";
  CFieldMarkers::Replace(content, values);
  EXPECT_EQ(content, u"美国CN|3|12.50|包裹月结|USUNITED STATES|");
  EXPECT_EQ(values[40], std::u16string(16, u'M'));
}

}  // namespace
