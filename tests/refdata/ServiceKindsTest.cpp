#include "refdata/ServiceKinds.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "platform/MessageBox.h"

namespace {

std::string Gbk(std::u16string_view text) { return GbkFromWide(text); }

ServiceArea Area(std::u16string_view name, uint8_t number = 0) {
  ServiceArea area;
  area.carea = Gbk(name);
  area.narea = number;
  return area;
}

SupplierRate Rate(int32_t isid, int32_t ipos) {
  SupplierRate rate;
  rate.isid = isid;
  rate.ipos = ipos;
  return rate;
}

// Answers each query by the table it reads, and records what was asked.
struct FakeServer {
  std::map<std::string, std::string> replies;  // table name -> "List" body
  std::vector<std::string> asked;

  SqlRunner Runner() {
    return [this](std::string_view sql, std::span<const uint32_t>, std::string& reply) {
      asked.emplace_back(sql);
      for (const auto& [table, list] : replies) {
        if (sql.find("brantle.dbo." + table + " ") != std::string_view::npos ||
            sql.find("brantle.dbo." + table + ",") != std::string_view::npos ||
            sql.ends_with("brantle.dbo." + table)) {
          reply = "{\"ReturnValue\":1,\"List\":[" + list + "]}";
          return static_cast<int>(reply.size());
        }
      }
      reply.clear();
      return 0;
    };
  }
};

// A kinds row: the code, a memo and the masks; every other column empty.
std::string KindRow(const std::string& code, const std::string& memo = "",
                    const std::string& mask = "") {
  std::string row = "{\"0\":\"" + code + "\",\"1\":2,\"2\":500,\"5\":\"" + memo + "\",\"8\":0";
  row += ",\"26\":1500,\"28\":\"" + mask + "\",\"44\":66,\"46\":30012}";
  return row;
}

class ServiceKindsTest : public ::testing::Test {
 protected:
  bool Load() { return LoadServiceKinds(server.Runner(), kinds, codes, language, boxes); }

  FakeServer server;
  CLanguageTable language;
  platform::RecordingMessageBoxService boxes;
  std::vector<CServiceKind> kinds;
  std::vector<std::u16string> codes;
};

TEST_F(ServiceKindsTest, LoadFillsKindsFieldsRatesSendersAndOnlyTheTwoAreaLists) {
  const std::string ziz = Utf8FromWide(u"ZIZ国际");
  server.replies["ziz_kind"] = KindRow("DHL", "line one\\r\\n\\r\\n  line two", "##@*") + "," +
                               KindRow("dhl") + "," + KindRow("") + "," + KindRow(ziz);
  server.replies["ziz_edit"] = "{\"0\":\"5,70,3,\",\"1\":\"dhl\"},{\"0\":\"1,2,3\",\"1\":\"" + ziz +
                               "\"},{\"0\":\"1,\",\"1\":\"EMS\"}";
  // Rows grouped by kind; two rates at position 1 keep their arrival order.
  server.replies["ziz_sp"] =
      "{\"0\":\"B\",\"1\":7,\"2\":90,\"3\":85,\"4\":80,\"5\":1,\"7\":\"19000000\",\"12\":\"DHL\","
      "\"15\":\"2024-02-01 00:00:00\"},"
      "{\"0\":\"A\",\"1\":8,\"5\":65537,\"12\":\"DHL\",\"15\":\"1999-12-31 00:00:00\"},"
      "{\"0\":\"C\",\"1\":9,\"5\":1,\"12\":\"DHL\"},"
      "{\"0\":\"X\",\"1\":10,\"5\":1,\"12\":\"EMS\"}";
  server.replies["ziz_kind_ex"] = "{\"0\":\"DHL\",\"1\":\"DHL Express\",\"4\":\"0755-1\"}";
  server.replies["ziz_area"] = "{\"0\":\"Beijing\",\"2\":3,\"4\":\"12,7\"},{\"0\":\"Aden\",\"4\":\"9\"}";

  ASSERT_TRUE(Load());
  ASSERT_EQ(3u, kinds.size());  // the row without a code is skipped
  EXPECT_EQ((std::vector<std::u16string>{u"DHL", u"dhl", u"ZIZ国际"}), codes);
  CServiceKind& dhl = kinds[0];
  EXPECT_EQ(2, dhl.narea);
  EXPECT_EQ(1500, dhl.idiscount);
  EXPECT_EQ(0, dhl.b1price);
  EXPECT_EQ("DHL", dhl.cemskindd);  // empty alternative names take the code
  EXPECT_EQ(2, dhl.weightTypeC);
  EXPECT_EQ(2, dhl.weightSubTypeC);
  EXPECT_EQ(3, dhl.idGenHigh);
  EXPECT_EQ(12, dhl.idGenLow);
  // Memo lines: blank lines between lines are skipped; boxes 21.. get them.
  EXPECT_EQ("line one", dhl.memoLines[0]);
  EXPECT_EQ("line two", dhl.memoLines[1]);
  EXPECT_EQ("line two", dhl.layout.boxes[22].text);
  // Field lists: found ignoring case, so "dhl" reaches the first kind.
  EXPECT_EQ(3, dhl.fieldKindCount);
  EXPECT_EQ((std::vector<int>{5, 255, 3, 255}),
            (std::vector<int>{dhl.fieldKinds[0], dhl.fieldKinds[1], dhl.fieldKinds[2], dhl.fieldKinds[3]}));
  EXPECT_EQ(2, kinds[2].fieldKindCount);
  // Rates: position by the low 16 bits (65537 sorts as 1), equal positions
  // in arrival order; the unknown kind's row is skipped.
  ASSERT_EQ(3u, dhl.rates.size());
  EXPECT_EQ((std::vector<int>{7, 8, 9}),
            (std::vector<int>{dhl.rates[0].isid, dhl.rates[1].isid, dhl.rates[2].isid}));
  EXPECT_EQ(9025, dhl.rates[0].docDiscount);  // 90 x 100 + 0x19
  EXPECT_EQ(8500, dhl.rates[0].bagDiscount);
  EXPECT_EQ("2024-02-01 00:00", dhl.rates[0].ddate);
  EXPECT_EQ("", dhl.rates[1].ddate);
  EXPECT_EQ(&dhl.rates[1], dhl.FindSupplierRate(8));
  EXPECT_EQ(nullptr, dhl.FindSupplierRate(10));
  EXPECT_EQ("DHL Express", dhl.cclient);
  // Areas: DHL and ZIZ国际 only, the code compared byte for byte.
  ASSERT_EQ(2u, dhl.areas.size());
  EXPECT_EQ("Aden", dhl.areas[0].carea);
  EXPECT_EQ(12, dhl.areas[1].codeFirst);
  EXPECT_EQ(7, dhl.areas[1].codeSecond);
  EXPECT_EQ(3, dhl.AreaNumber("Beijing"));
  EXPECT_EQ(nullptr, dhl.FindArea("BEIJING"));
  EXPECT_TRUE(kinds[1].areas.empty());
  EXPECT_EQ(2u, kinds[2].areas.size());
  int areaQueries = 0;
  for (const std::string& sql : server.asked)
    if (sql.find("ziz_area") != std::string::npos) ++areaQueries;
  EXPECT_EQ(2, areaQueries);
}

TEST_F(ServiceKindsTest, NoKindsOrNoListEndsTheLoad) {
  EXPECT_FALSE(Load());
  EXPECT_EQ(1u, server.asked.size());
  server.replies["ziz_kind"] = KindRow("");
  EXPECT_FALSE(Load());
  EXPECT_TRUE(kinds.empty());
}

TEST_F(ServiceKindsTest, AreaCodeIsQuotedIntoTheQuery) {
  server.replies["ziz_kind"] = KindRow(Utf8FromWide(u"ZIZ国际"));
  ASSERT_TRUE(Load());
  ASSERT_FALSE(server.asked.empty());
  EXPECT_EQ("SELECT carea,careae,narea,ntype,ccode FROM brantle.dbo.ziz_area WHERE cemskind='" +
                Gbk(u"ZIZ国际") + "' ORDER BY carea",
            server.asked.back());
}

TEST(ServiceKind, AreaTestCutsAfterTheFirstMarkerOnCharacterBoundaries) {
  CServiceKind kind("DHL");
  kind.AddArea(Area(u"ABCD市"));
  kind.AddArea(Area(u"市"));
  kind.AddArea(Area(u"上海市"));
  EXPECT_FALSE(kind.AddArea(Area(u"市")));
  struct Case {
    std::u16string name;
    bool served;
  } cases[] = {
      {u"ABCD市EFG", true},     // 9 bytes: the first six are tried
      {u"ABCD市EF", false},     // under 9 bytes: only the whole name
      {u"市中心广场", false},   // a marker in the first four bytes is not seen
      {u"上海市浦东新区", true},
      {u"上海", false},
  };
  for (const Case& c : cases) EXPECT_EQ(c.served, kind.HasArea(Gbk(c.name))) << Utf8FromWide(c.name);
  // A trail byte and the next lead byte never pass for a marker: "市" is
  // CA D0; a name whose bytes hold CA D0 across two characters is not cut.
  std::string across = "ABCD";
  across += "\xB1\xCA\xD0\xA1";  // two characters: B1CA, D0A1
  across += "XYZ";
  CServiceKind cut("DHL");
  cut.AddArea(Area(u"x"));
  cut.areas[0].carea = "ABCD\xB1\xCA\xD0";
  EXPECT_FALSE(cut.HasArea(across));
}

TEST(ServiceKind, SupplierRatesOfEqualPositionKeepArrivalOrder) {
  for (int before : {1, 3}) {
    CServiceKind kind("DHL");
    for (int i = 0; i < before; ++i) kind.AddSupplierRate(Rate(100 + i, 2));
    kind.AddSupplierRate(Rate(1, 1));
    kind.AddSupplierRate(Rate(2, 2));
    kind.AddSupplierRate(Rate(3, 1));
    std::vector<int> order;
    for (const SupplierRate& r : kind.rates) order.push_back(r.isid);
    std::vector<int> expected = {1, 3};
    for (int i = 0; i < before; ++i) expected.push_back(100 + i);
    expected.push_back(2);
    EXPECT_EQ(expected, order);
  }
}

TEST(ServiceKind, FieldListsAndMasks) {
  struct ListCase {
    std::string text;
    std::vector<int> found;
    int count;
  } lists[] = {{"1,2,3,", {1, 2, 3}, 3}, {"1,2,3", {1, 2}, 2}, {"5,70,3,", {5, 255, 3}, 3}, {"", {}, 0}};
  for (const ListCase& c : lists) {
    CServiceKind kind("DHL");
    kind.SetFieldKinds(c.text);
    EXPECT_EQ(c.count, kind.fieldKindCount) << c.text;
    for (size_t i = 0; i < c.found.size(); ++i) EXPECT_EQ(c.found[i], kind.fieldKinds[i]) << c.text;
    EXPECT_EQ(255, kind.fieldKinds[c.found.size()]);
  }
  std::string many;
  for (int i = 0; i < 130; ++i) many += "1,";
  CServiceKind full("DHL");
  full.SetFieldKinds(many);
  EXPECT_EQ(120, full.fieldKindCount);

  struct MaskCase {
    std::string mask, number;
    bool ok;
  } masks[] = {{"##@*", "12AZ", true},  {"##@*", "12A-", true},   {"##@*", "12a1", false},
               {"##@*", "123A5", false}, {"", "anything", true}, {"BR##", "BR12", true},
               {"BR##", "br12", false}};
  for (const MaskCase& c : masks)
    EXPECT_EQ(c.ok, CServiceKind::MatchesMask(c.mask, c.number)) << c.mask << " " << c.number;
}

TEST(ServiceKind, MemoLinesAreCutAndStopAtAnEmptyLine) {
  CServiceKind kind("DHL");
  kind.cmemo = std::string(70, 'a') + "\r\nb\n\nc\rd\re\rf";
  kind.SplitMemo();
  EXPECT_EQ(std::string(60, 'a'), kind.memoLines[0]);
  EXPECT_EQ("b", kind.memoLines[1]);
  EXPECT_EQ("c", kind.memoLines[2]);  // blank runs between lines are skipped
  EXPECT_EQ("e", kind.memoLines[4]);  // five lines at most
  kind.cmemo = "one\r\n \r\ntwo";
  kind.SplitMemo();
  EXPECT_EQ("one", kind.memoLines[0]);
  EXPECT_EQ("two", kind.memoLines[1]);
  EXPECT_TRUE(kind.layout.boxes[23].text.empty());
}

TEST(ServiceKind, LayoutDefaultsAndEntryFieldLengths) {
  KindLayout layout;
  EXPECT_EQ(150, layout.boxes[2].width);
  EXPECT_EQ(48, layout.boxes[2].height);
  EXPECT_EQ(250, layout.boxes[35].width);
  EXPECT_EQ(80, layout.boxes[0].width);
  EXPECT_EQ(250 + 7, layout.boxes[7].left);
  EXPECT_EQ(1, layout.boxes[46].flag);
  EXPECT_EQ(0, layout.boxes[45].flag);
  struct Length {
    int kind, bytes;
  } lengths[] = {{0, 63}, {10, 15}, {20, 20}, {42, 22}, {68, 30}, {27, 62}, {28, 126}, {36, 127}, {58, 254}};
  for (const Length& l : lengths) EXPECT_EQ(l.bytes, EntryFieldKinds::MaxLength(l.kind)) << l.kind;
  for (int k = 0; k < EntryFieldKinds::kCount; ++k) EXPECT_GT(EntryFieldKinds::MaxLength(k), 0) << k;
}

TEST(ServiceKind, FindIgnoresAsciiCaseOnly) {
  std::vector<CServiceKind> kinds;
  kinds.emplace_back("DHL");
  kinds.emplace_back(Gbk(u"ZIZ国际"));
  EXPECT_EQ(&kinds[0], FindServiceKind(kinds, "dhl"));
  EXPECT_EQ(&kinds[1], FindServiceKind(kinds, Gbk(u"ziz国际")));
  EXPECT_EQ(nullptr, FindServiceKind(kinds, "DH"));
}

}  // namespace
