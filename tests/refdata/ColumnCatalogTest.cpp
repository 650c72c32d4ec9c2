// The column catalogue: the waybill columns the settlement page reads by
// index, the display hints of every waybill column, the captions of the
// run's language.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/LanguageTable.h"
#include "refdata/ColumnCatalog.h"
#include "tests/refdata/RepositoryLanguage.h"

namespace {

class ColumnCatalogTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(language_, "00"));
    catalog_.Build(language_);
  }
  static inline CLanguageTable language_;
  static inline CColumnCatalog catalog_;
};

TEST_F(ColumnCatalogTest, WaybillColumnsByIndexAndTablesByNumber) {
  const struct {
    int index;
    const char* name;  // nullptr: no column
  } cases[] = {
      {0, "cunitname"}, {9, "cdocno"},    {10, "nitemtype"}, {13, "cdes"},  {150, "ibid"},
      {155, "fex5"},    {156, "cex1"},    {170, "dex5"},     {207, "cridcard"},
      {208, nullptr},   {-1, nullptr},
  };
  for (const auto& c : cases) {
    const ColumnDef* column = catalog_.WaybillColumn(c.index);
    if (!c.name) {
      EXPECT_EQ(nullptr, column) << c.index;
      continue;
    }
    ASSERT_NE(nullptr, column) << c.index;
    EXPECT_EQ(c.name, column->name) << c.index;
  }

  const char* names[] = {"client_arc", "client_rec", "client_fee", "sp_arc"};
  const size_t ownCounts[] = {4, 198, 18, 3};
  for (int n = 0; n < 4; ++n) {
    const ColumnTable* table = catalog_.Table(n);
    ASSERT_NE(nullptr, table) << n;
    EXPECT_EQ(names[n], table->name);
    EXPECT_EQ(ownCounts[n], table->columns.size()) << n;
    EXPECT_EQ(n == 3 ? &catalog_.SupplierColumns() : &catalog_.CustomerColumns(), table->shared);
  }
  EXPECT_EQ(nullptr, catalog_.Table(4));
  EXPECT_EQ(nullptr, catalog_.Table(-1));
  EXPECT_EQ(nullptr, CColumnCatalog().Table(0));  // not built
  EXPECT_EQ(10u, catalog_.CustomerColumns().size());
  EXPECT_EQ(4u, catalog_.SupplierColumns().size());
}

// The display hints of the waybill columns, one row per kind of column:
// type, format, alignment, flag and the columns with their widths ("a1 to a5"
// stands for a1, a2, ... a5).  Every client_rec column must match its row;
// a floating column named in no row takes the "every other" row.
TEST_F(ColumnCatalogTest, EveryWaybillColumnHasTheHintsOfItsRow) {
  enum : uint8_t { L = 0, R = 1, C = 2 };
  const struct {
    int type, format;
    uint8_t align, flag;
    const char* columns;
  } rows[] = {
      {2, 0, L, 0, "cemskind 70, clwh 70, cpostcode 60, cspostcode 70, cmoney 50, corigin 50, cmark 70, cpaydir 50, ccheckpoint 65, cpacking 70, ccode 40, cemskindc 70, cckname 100, cstationt 70, cunit 70"},
      {3, 0, L, 0, "cserviceno 90, cmname 65, cinput 65, ctaker 65, ctrans 65, cnum 90, cbearer 65, csign 65, csender 65, cawb 70, csprovince 70, coutput 65, crno 90, csmsnumber 100, cset 70, ccno 100, cdepart 80, crsms 80, creserve 100, cweight 65, creturn 65, ctno 90, cuspcode 100, cpic1 100, cpic2 100, cfeeaud 100, csidcard 100, cridcard 100"},
      {4, 0, L, 0, "cdes 90, caddrfrom 90, creceiver 80, cphone 90, ctransnote 70, cprovince 70, csphone 90, cscountry 70, cscity 70, csemail 70, cremail 70, cby1 to cby4 100, cckmemo 100, cgcodea to cgcodec 70"},
      {5, 0, L, 0, "ccountry 70, ccity 70, csunitname 150, csaddr 150, cex1 to cex5 150"},
      {6, 0, L, 0, "cmemo 150, cunitname 150, caddr 150, cgoods 80, cby5 100, cgoodsa 100"},
      {7, 2, L, 0, "irid 70, ibag 70, ngstate 40"},
      {7, 2, R, 0, "iquantity 70, iiid 60, iqid 60, ifid 70, ipid 70, ifsid 70, ifcid 70, ifside 70, ifcide 70, ibid 70, iusid 70, piid 70, iids 70, iidr 70, iidi 70, ifile 60"},
      {7, 2, R, 1, "ireserve 60, iex1 to iex5 70"},
      {7, 2, C, 1, "iitem 50, icount 40"},
      {7, 200, C, 0, "nitemtype 50"},
      {7, 201, L, 0, "nstate 60"},
      {7, 202, C, 0, "nlanguage 50"},
      {7, 203, C, 0, "npayway 50"},
      {7, 204, L, 0, "ibatch 70"},
      {7, 205, C, 0, "nsendway 40"},
      {7, 209, R, 1, "idvalue 70, iivalue 70, iprice 70"},
      {7, 210, L, 0, "nfrom 60"},
      {7, 211, L, 0, "isid 100"},
      {7, 212, R, 1, "icubic 80"},
      {8, 2, R, 0, "faaddrate 60, fabaserate 70, fsaaddrate 60, fgcrate 70"},
      {8, 3, R, 1, "fweight 70, fweights 70, fweightb 70, ffweight 70, fweightr 70, fweightre 70, ftweight 70, fgweight 70"},
      {8, 4, R, 0, "fdiscount 70"},
      {9, 200, L, 0, "dtdate 100, dadate 100, dwdate 100, dreturn 100, dckdate 110, dudate 130"},
      {9, 201, L, 0, "ddate 70"},
      {9, 202, L, 0, "dsysdate 120, dsenddate 120, dex1 to dex5 130, dpic1 130, dpic2 130, dfeeaud 130"},
  };
  struct Hint {
    int type, format;
    uint8_t align, flag, width;
  };
  std::map<std::string, Hint> hints;
  for (const auto& row : rows) {
    std::stringstream list(row.columns);
    std::string item;
    while (std::getline(list, item, ',')) {
      std::stringstream words(item);
      std::string first, word, last;
      int width = 0;
      words >> first >> word;
      if (word == "to") {
        words >> last >> width;
      } else {
        last = first;
        width = std::stoi(word);
      }
      // "cby1 to cby4" and "cgcodea to cgcodec": the last character runs.
      for (char c = first.back(); c <= last.back(); ++c) {
        std::string name = first.substr(0, first.size() - 1) + c;
        ASSERT_TRUE(hints.emplace(name, Hint{row.type, row.format, row.align, row.flag,
                                             static_cast<uint8_t>(width)})
                        .second)
            << name;
      }
    }
  }

  const ColumnTable* table = catalog_.Table(CColumnCatalog::kClientRec);
  ASSERT_NE(nullptr, table);
  std::set<std::string> seen;
  for (size_t i = 0; i < table->columns.size(); ++i) {
    const ColumnDef& column = table->columns[i];
    SCOPED_TRACE(column.name + " at index " + std::to_string(i + 10));
    EXPECT_TRUE(seen.insert(column.name).second) << "named twice";
    auto it = hints.find(column.name);
    Hint hint = it != hints.end() ? it->second : Hint{8, 2, R, 1, 70};
    if (it == hints.end()) {
      EXPECT_EQ(8, column.type) << "not in the hints table";
    }
    EXPECT_EQ(hint.type, column.type);
    EXPECT_EQ(hint.format, column.format);
    EXPECT_EQ(hint.align, column.alignment);
    EXPECT_EQ(hint.flag, column.flag);
    EXPECT_EQ(hint.width, column.width);
  }
  for (const auto& [name, hint] : hints) EXPECT_TRUE(seen.count(name)) << name << " missing";
}

// Spot checks of names, types and caption ids across the waybill columns:
// the caption is the text of the id.
TEST_F(ColumnCatalogTest, WaybillColumnsCarryTheirTypeAndCaption) {
  const struct {
    int index;
    const char* name;
    int type;
    int captionId;
  } cases[] = {
      {0, "cunitname", 4, 30078},  {1, "caddr", 5, 30079},      {10, "nitemtype", 7, 30074},
      {18, "ddate", 9, 30070},     {24, "cmemo", 6, 30022},     {63, "cawb", 3, 30102},
      {78, "cpostcode", 2, 30010}, {151, "fex1", 8, 30156},     {160, "cex5", 5, 30165},
      {165, "iex5", 7, 30170},     {169, "dex4", 9, 30174},     {175, "icubic", 7, 30057},
      {200, "fdiscount", 8, 30198}, {204, "cunit", 2, 30065},   {207, "cridcard", 3, 30068},
  };
  for (const auto& c : cases) {
    const ColumnDef* column = catalog_.WaybillColumn(c.index);
    ASSERT_NE(nullptr, column) << c.index;
    EXPECT_EQ(c.name, column->name);
    EXPECT_EQ(c.type, column->type) << c.name;
    EXPECT_EQ(language_.Text(c.captionId), column->caption) << c.name;
  }
  const ColumnDef& fee = catalog_.Table(CColumnCatalog::kClientFee)->columns.back();
  EXPECT_EQ("dsysdate", fee.name);
  EXPECT_EQ(202, fee.format);
  EXPECT_EQ(120, fee.width);
  const ColumnDef& discount = catalog_.Table(CColumnCatalog::kSpArc)->columns.back();
  EXPECT_EQ("ndiscount", discount.name);
  EXPECT_EQ(100, discount.format);
}

// Every caption the catalogue asks for is served in both languages; an id the
// table lacks reads "???".
TEST_F(ColumnCatalogTest, CaptionsComeFromTheLanguageOfTheRun) {
  for (const char* code : {"00", "01"}) {
    CLanguageTable table;
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(table, code));
    CColumnCatalog catalog;
    catalog.Build(table);
    std::vector<const ColumnDef*> all;
    for (const ColumnDef& c : catalog.CustomerColumns()) all.push_back(&c);
    for (const ColumnDef& c : catalog.SupplierColumns()) all.push_back(&c);
    for (int n = 0; n < CColumnCatalog::kTableCount; ++n)
      for (const ColumnDef& c : catalog.Table(n)->columns) all.push_back(&c);
    for (const ColumnDef* column : all) {
      EXPECT_NE(u"???", column->caption) << code << " " << column->name;
      EXPECT_FALSE(column->caption.empty()) << code << " " << column->name;
    }
  }
  EXPECT_EQ(u"物品类型", catalog_.WaybillColumn(10)->caption);

  CLanguageTable lacking;
  ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(lacking, "00", {30074}));
  CColumnCatalog catalog;
  catalog.Build(lacking);
  EXPECT_EQ(u"???", catalog.WaybillColumn(10)->caption);
  EXPECT_EQ(u"重量", catalog.WaybillColumn(11)->caption);
}

TEST_F(ColumnCatalogTest, AddedColumnsFollowTheWaybillColumns) {
  CColumnCatalog catalog;
  catalog.Build(language_);
  std::u16string longCaption(80, u'x');
  catalog.AddColumn(8, 2, 1, 1, 70, "fextra", longCaption);
  const ColumnDef* added = catalog.WaybillColumn(208);
  ASSERT_NE(nullptr, added);
  EXPECT_EQ("fextra", added->name);
  EXPECT_EQ(63u, added->caption.size());
  EXPECT_EQ(nullptr, catalog.WaybillColumn(209));

  // Building again starts from the built-in columns.
  catalog.Build(language_);
  EXPECT_EQ(nullptr, catalog.WaybillColumn(208));
}

TEST(ColumnCatalog, TriStateValue) {
  const std::pair<int, int> cases[] = {{0, 0}, {1, 1}, {2, 2}, {5, 2}, {-1, 2}};
  for (auto [n, expected] : cases) EXPECT_EQ(expected, CColumnCatalog::TriStateValue(n)) << n;
}

}  // namespace
