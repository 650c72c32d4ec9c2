// The unbagged-record picker (dialog 184): its queries as text and the rows
// it makes of a reply (pieces of a multi-piece waybill without piece rows,
// bagged pieces left out, row weights).

#include <gtest/gtest.h>


#include <string>
#include <vector>

#include "common/ChargeableWeight.h"
#include "common/TextCodec.h"
#include "consolidation/UnbaggedPicker.h"
#include "shell/BrantleClientApp.h"

namespace {

std::string Utf8(std::u16string_view text) { return Utf8FromWide(text); }

// The application's rules without its settings: the dimension text parsed
// as the application parses it, the divisor of the class letter.
PieceWeightRules Rules() {
  PieceWeightRules rules;
  rules.parseDimensions = &CBrantleClientApp::ParseDimensions;
  rules.volumetricWeight = [](int32_t l, int32_t w, int32_t h, char letter) {
    return static_cast<int32_t>(VolumetricGrams(l, w, h, letter));
  };
  return rules;
}

const std::string kColumns =
    "a.irid,a.cnum,a.cserviceno,a.iitem,a.fweights,a.cemskind,a.cdes,a.cgoods,a.idvalue,a.ddate,"
    "a.cmark,c.cno,a.ccity,c.ilong,c.iwidth,c.iheight,c.iweight,a.clwh,c.iquantity,c.iprice,"
    "c.cgoods,ISNULL(c.wpos,0),a.creserve,a.ixbag";
const std::string kTables =
    " FROM brantle.dbo.client_rec AS a INNER JOIN brantle.dbo.client_arc AS b ON(a.icid=b.icid) "
    "LEFT OUTER JOIN brantle.dbo.client_rec_weight_detail AS c ON(a.irid=c.irid)";

TEST(UnbaggedPickerQuery, DateQueryQuotesEveryFilter) {
  const std::string head = "SELECT TOP 50000 " + kColumns + kTables +
                           " WHERE a.ddate>='2026.10.12' AND a.cawb='' AND (a.ixbag IS NULL OR "
                           "a.ixbag<a.iitem)";
  struct Case {
    const char* what;
    UnbaggedFilter filter;
    const char16_t* station;
    std::string conditions;
  };
  const Case cases[] = {
      {"no filter, no station", {}, u"", ""},
      {"station quoted", {}, u"S'Z", " AND b.cstation='S''Z'"},
      {"kind and destination exact, label and reserve anywhere",
       {u"D'HL", u" 美国 ", u"AB", u"[50%]_x"},
       u"SZ",
       " AND b.cstation='SZ' AND a.cemskind='D''HL' AND a.cdes='美国' AND a.creserve LIKE "
       "'%[[]50[%]][_]x%' AND a.cmark LIKE '%AB%'"},
      {"a quote in a LIKE filter", {u"", u"", u"O'K", u""}, u"SZ",
       " AND b.cstation='SZ' AND a.cmark LIKE '%O''K%'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Utf8(UnbaggedDateQuery(c.filter, c.station, QDate(2026, 12, 11))),
              head + c.conditions + " ORDER BY a.irid,c.wpos");
  }
  // Number lists: each number quoted, no date and no row limit.
  EXPECT_EQ(Utf8(UnbaggedNumberListQuery({u"BX71101", u"X'1", u" "}, true, u"SZ")),
            "SELECT " + kColumns + kTables +
                "WHERE a.cawb='' AND (a.ixbag IS NULL OR a.ixbag<a.iitem) AND b.cstation='SZ' AND "
                "a.cnum IN('BX71101','X''1') ORDER BY a.irid,c.wpos");
  EXPECT_NE(Utf8(UnbaggedNumberListQuery({u"SV1"}, false, u"")).find(" AND a.cserviceno IN('SV1')"),
            std::string::npos);
  EXPECT_TRUE(UnbaggedNumberListQuery({u"  "}, true, u"SZ").empty());
}

// Row weights: (piece l, w, h, grams, dimension text, W, n) -> chargeable,
// actual, dimension text.
TEST(UnbaggedPickerRows, PieceWeights) {
  struct Case {
    int32_t l, w, h, grams;
    const char16_t* text;
    double weight;
    int32_t n;
    const char* chargeable;
    const char* actual;
    const char* dimensions;
  };
  const Case cases[] = {
      // A piece of three without dimensions or grams: its share.
      {0, 0, 0, 0, u"", 9.0, 3, "3.000", "3.000", ""},
      // Weighed but not measured: its grams, never below the share.
      {0, 0, 0, 1000, u"", 9.0, 3, "3.000", "1.000", ""},
      {0, 0, 0, 4000, u"", 9.0, 3, "4.000", "4.000", ""},
      // Measured: 60*50*40 / 6 = 20 kg volumetric.
      {60, 50, 40, 3000, u"", 5.0, 2, "20.000", "3.000", "60*50*40"},
      // One piece with a dimension text: 40*30*20 / 6 = 4 kg against W 3.
      {0, 0, 0, 0, u"40*30*20", 3.0, 1, "4.000", "3.000", "40*30*20"},
      // A short text is no dimension: chargeable is W.
      {0, 0, 0, 0, u"1*1", 3.0, 1, "3.000", "3.000", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.l) + " " + Utf8(c.text) + " n=" + std::to_string(c.n));
    PieceWeight pw = PieceWeights(Rules(), c.l, c.w, c.h, c.grams, c.text, c.weight, c.n);
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", pw.chargeable);
    EXPECT_EQ(std::string(text), c.chargeable);
    std::snprintf(text, sizeof text, "%.3f", pw.actual);
    EXPECT_EQ(std::string(text), c.actual);
    EXPECT_EQ(Utf8(pw.dimensions), c.dimensions);
  }
}

// A three-piece waybill without piece rows is three rows with keys of
// pieces 1 to 3; with its piece 2 bagged only pieces 1 and 3 stay.  With
// per-waybill items on it is one row and noted for nothing.
TEST(UnbaggedPickerRows, PiecesOfAWaybillWithoutPieceRows) {
  UnbaggedSource s;
  s.waybillId = 71103;
  s.number = u"BX71103";
  s.transferNumber = u"SV71103";
  s.pieces = 3;
  s.weight = 6.0;
  s.declaredValue = 6000;
  s.date = u"2026-12-08 10:00:00";
  s.bagged = 1;
  UnbaggedSource bad;  // an id below 1 is skipped
  std::vector<int32_t> noted;
  std::vector<UnbaggedRow> rows = BuildUnbaggedRows({bad, s}, false, Rules(), noted);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(noted, std::vector<int32_t>{71103});
  for (int k = 0; k < 3; ++k) {
    const auto& c = rows[k].cells;
    EXPECT_EQ(Utf8(c[0]), "71103");
    EXPECT_EQ(Utf8(c[1]), "-");
    EXPECT_EQ(Utf8(c[4]), std::to_string(k + 1));
    EXPECT_EQ(Utf8(c[6]), "2.000");
    EXPECT_EQ(Utf8(c[7]), "2.000");
    EXPECT_EQ(Utf8(c[8]), "2.000");
    EXPECT_EQ(Utf8(c[14]), "20.00");  // 6000 hundredths over 3 pieces
    EXPECT_EQ(Utf8(c[15]), "2026-12-08");
    EXPECT_EQ(Utf8(c[18]), "0000071103" + std::string("00") + std::to_string(k + 1));
  }
  DropBaggedPieces(rows, 71103, {2});
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(Utf8(rows[0].cells[4]), "1");
  EXPECT_EQ(Utf8(rows[1].cells[4]), "3");

  noted.clear();
  rows = BuildUnbaggedRows({s}, true, Rules(), noted);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_TRUE(noted.empty());
  EXPECT_EQ(Utf8(rows[0].cells[1]), "SV71103");
  EXPECT_EQ(Utf8(rows[0].cells[4]), "1");
  EXPECT_EQ(Utf8(rows[0].cells[6]), "6.000");
}

}  // namespace
