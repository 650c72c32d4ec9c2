// The look-up of the single-waybill view without a server: the conditions
// of each kind and match mode, the column list the reply is read by, the
// reading of a reply row and the access flag.

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "server/ServerLink.h"
#include "shipping/RecordViewQuery.h"
#include "tests/refdata/RepositoryLanguage.h"

namespace {

TEST(RecordViewQuery, Conditions) {
  struct Case {
    int kind;
    const char16_t* text;
    int mode;
    int32_t id;
    const char16_t* condition;
  };
  const Case cases[] = {
      {0, u"BR1", 0, 0, u"a.cnum LIKE '%BR1'"},
      {1, u"SV1", 1, 0, u"a.cserviceno LIKE 'SV1%'"},
      {2, u"R-1", 2, 0, u"a.crno LIKE '%R-1%'"},
      {3, u"C_1%[x]'", 3, 0, u"a.ccno LIKE 'C[_]1[%][[]x]'''"},
      {0, u"  ", 3, 0, u""},
      {4, u"", 0, 42, u"a.irid=42"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Utf8FromWide(c.condition),
              Utf8FromWide(BuildRecordViewCondition(c.kind, c.text, c.mode, c.id)))
        << c.kind;
  const std::string sql = BuildRecordViewQuery(u"a.irid=42");
  EXPECT_EQ(0u, sql.find("SELECT TOP 1 a.icid,a.isid,"));
  EXPECT_EQ(std::string::npos, sql.find("%s"));
  EXPECT_NE(std::string::npos, sql.find("LEFT OUTER JOIN brantle.dbo.check_detail c ON(a.irid=c.irid)"));
  EXPECT_NE(std::string::npos, sql.find("from brantle.dbo.check_detail where irid=a.irid) OR c.npos IS NULL) AND a.irid=42"));
}

// 154 columns: 33 SLONG, 4 UTINYINT, 1 BIT, 25 DOUBLE, 16 TIMESTAMP and 75
// CHAR, with the numbers and the customer's station where the view reads
// them.
TEST(RecordViewQuery, ColumnList) {
  const auto& columns = RecordViewColumns();
  ASSERT_EQ(154u, columns.size());
  std::map<uint16_t, int> counts;
  for (const auto& c : columns) ++counts[AcsTypeCode(c.type)];
  EXPECT_EQ(33, counts[static_cast<uint16_t>(kSqlCSLong)]);
  EXPECT_EQ(4, counts[static_cast<uint16_t>(kSqlCUTinyInt)]);
  EXPECT_EQ(1, counts[static_cast<uint16_t>(kSqlCBit)]);
  EXPECT_EQ(25, counts[static_cast<uint16_t>(kSqlCDouble)]);
  EXPECT_EQ(16, counts[static_cast<uint16_t>(kSqlCTimestamp)]);
  EXPECT_EQ(75, counts[static_cast<uint16_t>(kSqlCChar)]);
  const std::map<int, std::string> positions = {{0, "icid"},   {9, "cserviceno"}, {28, "cnum"},
                                                {42, "irid"},  {71, "crno"},      {77, "ccno"},
                                                {119, "cstation"}, {120, "ckind"}, {143, "npos"}};
  for (const auto& [at, name] : positions) EXPECT_EQ(name, columns[at].name) << at;
  // The select list names the columns in the same order.
  const std::string sql = BuildRecordViewQuery(u"");
  size_t from = 0;
  for (const auto& c : columns) {
    const std::string name = c.name == std::string("npos") ? "ISNULL(c.npos,255)" : c.name;
    const size_t at = sql.find(name, from);
    ASSERT_NE(std::string::npos, at) << name;
    from = at + name.size();
  }
}

TEST(RecordViewQuery, ReadsTheFirstRowByPosition) {
  std::string reply = R"({"ReturnValue":1,"iTotal":2,"bEnd":true,"List":[{"0":3,"28":"BR9","42":77,"119":"GZ","143":255},{"0":4}]})";
  WaybillDetailRow row;
  ASSERT_TRUE(ReadRecordViewRow(reply, row));
  EXPECT_EQ(3, row.Int("icid"));
  EXPECT_EQ(u"BR9", row.Text("cnum"));
  EXPECT_EQ(77, row.Int("irid"));
  EXPECT_EQ(255, row.Int("npos"));
  WaybillDetailRow none;
  EXPECT_FALSE(ReadRecordViewRow(R"({"ReturnValue":1,"iTotal":0,"bEnd":true})", none));
}

// Texts come as the server keeps the client's narrow fields: characters
// outside GBK as "&#N;" references or the whole text in the "?B?" form.
// They are read back as characters, so the page shows them and not their
// references.
TEST(RecordViewQuery, TextsOutsideGbkAreReadAsCharacters) {
  const std::string reply =
      R"({"ReturnValue":1,"iTotal":1,"bEnd":true,"List":[{"8":"2024-03-06 10:05:00",)"
      R"("10":"?B?QQHzAGQAegE=","16":"&#321;ukasz \u017B\u00F3&#322;&#263; &#44608;&#48124;&#49688;",)"
      R"("20":"\u7530\u4E2D","35":"Nguy&#7877;n &#272;&#7913;c","48":"R&D &lt;x&gt;"}]})";
  WaybillDetailRow row;
  ASSERT_TRUE(ReadRecordViewRow(reply, row));
  EXPECT_EQ(u"Łukasz Żółć 김민수", row.Text("creceiver"));
  EXPECT_EQ(u"Łódź", row.Text("cunitname"));
  EXPECT_EQ(u"田中", row.Text("cmname"));
  EXPECT_EQ(u"Nguyễn Đức", row.Text("csender"));
  EXPECT_EQ(u"R&D <x>", row.Text("cgoods"));
  EXPECT_EQ(u"2024-03-06 10:05:00", row.Text("ddate"));
}

TEST(RecordViewQuery, AccessFlag) {
  WaybillDetailRow row;
  row.Set("cstation", u"SZ");
  row.Set("ckind", u"普通");
  struct Case {
    const char16_t* station;
    const char16_t* kind;
    int access;
  };
  const Case cases[] = {
      {u"", u"", 1},        {u"SZ", u"", 1},     {u"GZ", u"", 0},
      {u"SZ", u"VIP", 0},   {u"", u"普通", 1},   {u"", u"VIP", 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.access, RecordViewAccess(c.station, c.kind, row))
        << Utf8FromWide(c.station) << "/" << Utf8FromWide(c.kind);
  ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "00"));
  EXPECT_EQ(AppLanguage().TextWithString(290102, u"SZ"), RecordViewRestrictionNote(u"GZ", u"", row));
  EXPECT_EQ(AppLanguage().TextWithString(290103, u"普通"), RecordViewRestrictionNote(u"SZ", u"VIP", row));
  EXPECT_TRUE(RecordViewRestrictionNote(u"SZ", u"", row).empty());
  EXPECT_EQ(AppLanguage().Text(30070) + u":2024-03-06\r\n" + AppLanguage().Text(30001) + u":日本[DHL]",
            RecordViewTrackingCaption(u"2024-03-06", u"日本", u"DHL"));
}

}  // namespace
