// The unbagged-record picker (dialog 184): its queries as text, the rows it
// makes of a reply (pieces of a multi-piece waybill without piece rows,
// bagged pieces left out, row weights), and the dialog against the
// stand-in server with a small receiver standing in for the bagging form:
// it answers each pick with an add result and removes the row only when
// that result is 1 or more.

#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "common/ChargeableWeight.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "consolidation/RecordPicked.h"
#include "consolidation/UnbaggedPickDlg.h"
#include "consolidation/UnbaggedPicker.h"
#include "platform/QtText.h"
#include "shell/BrantleClientApp.h"
#include "tests/QtTestSupport.h"
#include "tests/refdata/RepositoryLanguage.h"
#include "tests/server/StandInLinkSuite.h"
#include "ui/ListGrid.h"

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

// Stands in for the bagging form: each pick gets the add result of its
// waybill; a row is removed only when that result is 1 or more.
class Receiver : public QObject {
 public:
  explicit Receiver(CUnbaggedPickDlg*& picker) : picker_(picker) {}
  std::map<int32_t, int> results;  // waybill id -> add result (default 1)
  std::vector<std::tuple<int32_t, int, int>> picks;  // id, piece, row
  bool event(QEvent* e) override {
    if (auto* m = platform::AsPrivateMessage(e); m && m->Message() == WM_RECORD_PICKED) {
      const int32_t id = static_cast<int32_t>(m->WParam());
      const int row = static_cast<int>(m->LParam() / 10000);
      picks.emplace_back(id, static_cast<int>(m->LParam() % 10000), row);
      auto it = results.find(id);
      if ((it == results.end() ? 1 : it->second) >= 1) picker_->RemoveRow(row);
      return true;
    }
    return QObject::event(e);
  }

 private:
  CUnbaggedPickDlg*& picker_;
};

class UnbaggedPickerStandIn : public testsupport::StandInLinkSuite<UnbaggedPickerStandIn> {
 public:
  static constexpr const char* kRootName = "brantle-unbagged-picker";

 protected:
  void Open(const char* language) {
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), language));
    ASSERT_NO_FATAL_FAILURE(OpenLink(language, "PC-PICKER"));
    ASSERT_GT(link_.Login(u"zhang", u"zhang123", 0), 0);
    dlg_ = std::make_unique<CUnbaggedPickDlg>(link_, Rules());
    raw_ = dlg_.get();
    dlg_->SetTarget(&receiver_);
    dlg_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg_.get()));
    QTest::mouseClick(dlg_->filterButton, Qt::LeftButton);
  }
  // "id/piece" of the rows of this file's block, in list order.
  std::vector<std::string> OwnRows() const {
    std::vector<std::string> rows;
    for (int r = 0; r < dlg_->list->RowCount(); ++r) {
      const int32_t id = dlg_->list->GetRowId(r);
      if (id >= 71000 && id <= 71999)
        rows.push_back(std::to_string(id) + "/" + Utf8(dlg_->list->CellText(r, 4)));
    }
    return rows;
  }
  int RowOf(int32_t id, const char16_t* piece) const {
    for (int r = 0; r < dlg_->list->RowCount(); ++r)
      if (dlg_->list->GetRowId(r) == id && dlg_->list->CellText(r, 4) == piece) return r;
    return -1;
  }
  void Type(QLineEdit* box, const QString& text) {
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    box->insert(text);
  }
  void Screenshot(const QString& name) {
    QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
    EXPECT_TRUE(dlg_->grab().save(QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/") + name +
                                  ".png"));
  }

  std::unique_ptr<CUnbaggedPickDlg> dlg_;
  CUnbaggedPickDlg* raw_ = nullptr;
  Receiver receiver_{raw_};
};

// The station's unbagged waybills of the last 60 days: the three-piece
// waybill without piece rows as three rows, the one with piece 2 bagged
// without it, piece rows as they are; fully bagged waybills and the one on
// a master air waybill are not there.  The filters narrow the list.
TEST_F(UnbaggedPickerStandIn, ListsWhatIsNotBagged) {
  ASSERT_NO_FATAL_FAILURE(Open("01"));
  EXPECT_EQ(OwnRows(), (std::vector<std::string>{"71101/1", "71102/1", "71102/2", "71102/3",
                                                 "71103/1", "71103/3", "71104/1", "71104/2",
                                                 "71107/1"}));
  const int row = RowOf(71107, u"1");
  ASSERT_GE(row, 0);
  std::vector<std::string> cells;
  for (int c = 0; c < kUnbaggedColumns; ++c) cells.push_back(Utf8(dlg_->list->CellText(row, c)));
  EXPECT_EQ(cells, (std::vector<std::string>{"71107", "SV71107", "BX71107", "SV71107", "1", "1",
                                             "3.000", "4.000", "3.000", "40*30*20", "DHL", "英国",
                                             "Leeds", "Silk", "50.00", cells[15], "XAB7Y",
                                             "R71 [50%]_x", ""}));
  EXPECT_EQ(cells[15].size(), 10u);
  const int piece = RowOf(71104, u"2");
  ASSERT_GE(piece, 0);
  EXPECT_EQ(Utf8(dlg_->list->CellText(piece, 1)), "BX71104-2");
  EXPECT_EQ(Utf8(dlg_->list->CellText(piece, 9)), "60*50*40");
  EXPECT_EQ(Utf8(dlg_->list->CellText(piece, 18)), "0000071104002");
  // The piece's quantity times its price when both are set (2 x 5.00).
  EXPECT_EQ(Utf8(dlg_->list->CellText(RowOf(71104, u"1"), 14)), "10.00");
  EXPECT_EQ(Utf8(dlg_->list->CellText(piece, 14)), "20.00");  // 4000 / 2 pieces
  Screenshot("unbagged_picker_en");

  // A label found anywhere in the waybill's label; a reserve string with
  // the LIKE characters found as typed.
  Type(dlg_->labelBox, "AB");
  QTest::mouseClick(dlg_->filterButton, Qt::LeftButton);
  EXPECT_EQ(OwnRows(), std::vector<std::string>{"71107/1"});
  Type(dlg_->labelBox, "");
  Type(dlg_->reserveBox, "[50%]_");
  QTest::mouseClick(dlg_->filterButton, Qt::LeftButton);
  EXPECT_EQ(OwnRows(), std::vector<std::string>{"71107/1"});
  Type(dlg_->reserveBox, "");
  Type(dlg_->destinationBox, "英");
  QTest::mouseClick(dlg_->filterButton, Qt::LeftButton);
  EXPECT_TRUE(OwnRows().empty());  // a destination must match whole
  // A number list of waybill numbers.
  dlg_->AddByNumberList(true, {u"BX71102", u"BX71105"});
  EXPECT_EQ(OwnRows(), (std::vector<std::string>{"71102/1", "71102/2", "71102/3"}));
  EXPECT_EQ(boxes_.Count(), 0u);
}

// Picks handed over from the last selected row to the first; a row goes
// only when the form's add returned 1 or more (0 and -9 keep it).  The
// operator is asked first when several rows are selected; No sends nothing.
TEST_F(UnbaggedPickerStandIn, PicksRemoveOnlyWhatWentIn) {
  ASSERT_NO_FATAL_FAILURE(Open("00"));
  Screenshot("unbagged_picker_zh");
  receiver_.results = {{71101, 0}, {71102, 1}, {71104, -9}};
  const int a = RowOf(71101, u"1"), b = RowOf(71102, u"2"), c = RowOf(71104, u"1");
  ASSERT_TRUE(a >= 0 && b > a && c > b);
  const int before = dlg_->list->RowCount();
  for (int r : {a, b, c}) dlg_->list->SetRowSelected(r, true, false);

  boxes_.QueueAnswer(platform::kIdNo);
  platform::PostPrivateMessage(dlg_.get(), kGridMsgCommand, 2, 0);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return boxes_.Count() == 1; }));
  EXPECT_EQ(boxes_.LastText(), AppLanguage().TextWithNumber(370023, 3));
  EXPECT_TRUE(receiver_.picks.empty());

  boxes_.QueueAnswer(platform::kIdYes);
  platform::PostPrivateMessage(dlg_.get(), kGridMsgCommand, 2, 0);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return receiver_.picks.size() == 3; }));
  EXPECT_EQ(receiver_.picks, (std::vector<std::tuple<int32_t, int, int>>{
                                 {71104, 1, c}, {71102, 2, b}, {71101, 1, a}}));
  EXPECT_EQ(dlg_->list->RowCount(), before - 1);
  EXPECT_EQ(RowOf(71102, u"2"), -1);
  EXPECT_GE(RowOf(71101, u"1"), 0);
  EXPECT_GE(RowOf(71104, u"1"), 0);
  EXPECT_EQ(dlg_->countLabel->text(),
            platform::ToQString(AppLanguage().TextWithNumber(370021, before - 1)));

  // Nothing selected: the operator is told so.
  dlg_->list->clearSelection();
  dlg_->HandOverSelected();
  EXPECT_EQ(boxes_.LastText(), AppLanguage().Text(370022));

  // A waybill's rows go together; closing keeps the rest for next time.
  dlg_->RemoveWaybillRows(71102);
  EXPECT_EQ(RowOf(71102, u"1"), -1);
  EXPECT_EQ(RowOf(71102, u"3"), -1);
  const int kept = dlg_->list->RowCount();
  dlg_->close();
  EXPECT_FALSE(dlg_->isVisible());
  dlg_->show();
  EXPECT_EQ(dlg_->list->RowCount(), kept);
}

}  // namespace
