// The bag list (dialog 188): its query as text, and the dialog against the
// stand-in server driven as the operator drives it, with a receiver that
// takes each bag handed over and removes its row before the send returns,
// as the seal form and the master air waybill editor do.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "consolidation/BagList.h"
#include "consolidation/BagListDlg.h"
#include "consolidation/RecordPicked.h"
#include "platform/QtText.h"
#include "tests/QtTestSupport.h"
#include "tests/refdata/RepositoryLanguage.h"
#include "tests/server/StandInLinkSuite.h"
#include "ui/ListGrid.h"

namespace {

std::string Utf8(std::u16string_view text) { return Utf8FromWide(text); }

// The bag list's query, case by case, on 2026-12-11 (180 days back is
// 2026-06-14).
TEST(BagListQuery, TextFollowsModeAndFilters) {
  const std::string head =
      "SELECT TOP 5000 cxno,cfrom,cdes,cstation,cstationd,cmark,ctransnote,nstate,dsysdate,"
      "cinput,iitem,fweight,il,iw,ih,chno,ixid,corder,cmemo FROM brantle.dbo.client_rec_xbag "
      "WHERE dsysdate>='2026.06.14'";
  struct Case {
    const char* what;
    int mode;
    BagListFilter filter;
    std::string conditions;
  };
  const std::u16string longAirport(70, u'A');
  const Case cases[] = {
      {"open bags, no filter", 0, {}, " AND nstate=0 AND iitem>0"},
      {"sealed bags", 1, {}, " AND nstate=1"},
      {"every state", 4, {}, ""},
      {"each filter in its column, trimmed and quoted", 1,
       {u" SZX ", u"O'HR", u"S'Z", u"G%Z_["},
       " AND cfrom='SZX' AND cdes='O''HR' AND cstation='S''Z' AND cstationd='G%Z_[' AND nstate=1"},
      {"blank filters are left out", 0, {u"   ", u"", u"\t", u"GZ"},
       " AND cstationd='GZ' AND nstate=0 AND iitem>0"},
      // Cut to the box's room first, then quoted: the quote is doubled
      // whole, never cut in half.
      {"cut, then doubled", 2,
       {longAirport, std::u16string(62, u'B') + u"'C", std::u16string(14, u'S') + u"'X",
        std::u16string(20, u'T')},
       " AND cfrom='" + std::string(63, 'A') + "' AND cdes='" + std::string(62, 'B') +
           "''' AND cstation='" + std::string(14, 'S') + "''' AND cstationd='" +
           std::string(15, 'T') + "' AND nstate=2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Utf8(BagListQuery(c.mode, c.filter, QDate(2026, 12, 11))),
              head + c.conditions + " ORDER BY ixid");
  }
  // 180 days back across a year's end and a leap day.
  EXPECT_NE(Utf8(BagListQuery(1, {}, QDate(2024, 3, 1))).find("dsysdate>='2023.09.03'"),
            std::string::npos);
}

// Takes every bag sent to it, checks that the row sent holds that bag, and
// removes the row before the send returns.
class Receiver : public QObject {
 public:
  explicit Receiver(CBagListDlg*& list) : list_(list) {}
  std::vector<std::pair<int32_t, int>> taken;
  std::vector<std::string> rowMismatch;
  bool removeRows = true;
  bool event(QEvent* e) override {
    if (auto* m = platform::AsPrivateMessage(e); m && m->Message() == WM_RECORD_PICKED) {
      const int32_t id = static_cast<int32_t>(m->WParam());
      const int row = static_cast<int>(m->LParam());
      taken.emplace_back(id, row);
      if (list_->list->GetRowId(row) != id)
        rowMismatch.push_back(std::to_string(id) + "@" + std::to_string(row));
      if (removeRows) list_->RemoveRow(row);
      return true;
    }
    return QObject::event(e);
  }

 private:
  CBagListDlg*& list_;
};

class BagListStandIn : public testsupport::StandInLinkSuite<BagListStandIn> {
 public:
  static constexpr const char* kRootName = "brantle-bag-list";

 protected:
  void Open(const char* language, int mode) {
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), language));
    ASSERT_NO_FATAL_FAILURE(OpenLink(language, "PC-BAGLIST"));
    ASSERT_GT(link_.Login(u"zhang", u"zhang123", 0), 0);
    dlg_ = std::make_unique<CBagListDlg>(mode, link_);
    raw_ = dlg_.get();
    dlg_->SetNotifyWnd(&receiver_);
    dlg_->RunQuery();
    dlg_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg_.get()));
  }

  // The listed bags of this file's block (ids 71000..71999), in list order.
  std::vector<int32_t> OwnBags() const {
    std::vector<int32_t> ids;
    for (int r = 0; r < dlg_->list->RowCount(); ++r) {
      const int32_t id = dlg_->list->GetRowId(r);
      if (id >= 71000 && id <= 71999) ids.push_back(id);
    }
    return ids;
  }
  std::vector<std::string> RowOf(int32_t id) const {
    std::vector<std::string> cells;
    const int row = dlg_->list->FindRowById(id);
    if (row < 0) return cells;
    for (int c = 0; c < kBagListColumns; ++c) cells.push_back(Utf8(dlg_->list->CellText(row, c)));
    return cells;
  }
  void Type(QLineEdit* box, const QString& text) {
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
  }
  void Screenshot(const QString& name) {
    QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
    EXPECT_TRUE(dlg_->grab().save(QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/") + name +
                                  ".png"));
  }

  std::unique_ptr<CBagListDlg> dlg_;
  CBagListDlg* raw_ = nullptr;
  Receiver receiver_{raw_};
};

// Mode 0: open bags with items of the last 180 days; the bag without
// items, the sealed bag and the old bag are never listed.  Its columns as
// the list shows them.  A station filter with a quote finds its bag.
TEST_F(BagListStandIn, OpenBagsForQuickSealing) {
  ASSERT_NO_FATAL_FAILURE(Open("01", kBagListOpenBags));
  EXPECT_EQ(OwnBags(), (std::vector<int32_t>{71001, 71005, 71006}));
  std::vector<std::string> row = RowOf(71001);
  ASSERT_EQ(row.size(), 16u);
  EXPECT_EQ(row[0], "BX71000001");
  EXPECT_EQ(row[1], "SZX");
  EXPECT_EQ(row[2], "LAX");
  EXPECT_EQ(row[3], "2");
  EXPECT_EQ(row[4], "3.200");
  EXPECT_EQ(row[5], "40*30*20");
  EXPECT_EQ(row[6], "1");
  EXPECT_EQ(row[7], "SZ");
  EXPECT_EQ(row[8], "GZ");
  EXPECT_EQ(row[9], "HX71001");
  EXPECT_EQ(row[10].size(), 19u) << row[10];
  EXPECT_EQ(row[11], "张三");
  EXPECT_EQ(row[12], Utf8(AppLanguage().BagStateText(0)));
  EXPECT_EQ(row[13], "快件");
  EXPECT_EQ(row[14], "轻放");
  EXPECT_EQ(row[15], "第一袋");
  EXPECT_EQ(RowOf(71005)[5], "");  // no dimensions
  EXPECT_EQ(dlg_->stateBox->currentIndex(), 0);
  EXPECT_TRUE(dlg_->stateBox->isEnabled());
  EXPECT_EQ(dlg_->countLabel->text(),
            platform::ToQString(AppLanguage().TextWithNumber(420041, dlg_->list->RowCount())));
  Screenshot("bag_list_dialog_open_en");

  // The operator types a station with a quote, Enter moves on, the filter
  // button reloads: only that bag.
  Type(dlg_->fromStationBox, "Q'1");
  QTest::keyClick(dlg_->fromStationBox, Qt::Key_Return);
  EXPECT_TRUE(dlg_->toStationBox->hasFocus());
  QTest::mouseClick(dlg_->filterButton, Qt::LeftButton);
  EXPECT_EQ(OwnBags(), (std::vector<int32_t>{71005}));
  EXPECT_EQ(dlg_->list->RowCount(), 1);
  // A filter nothing matches empties the list.
  Type(dlg_->fromStationBox, "NONE'");
  QTest::mouseClick(dlg_->filterButton, Qt::LeftButton);
  EXPECT_EQ(dlg_->list->RowCount(), 0);
  EXPECT_EQ(boxes_.Count(), 0u);
}

// Mode 1 (the master air waybill editor): sealed bags of the last 180 days
// only; the state box shows the state and cannot be changed.
TEST_F(BagListStandIn, SealedBagsForLoading) {
  ASSERT_NO_FATAL_FAILURE(Open("01", kBagListSealedBags));
  EXPECT_EQ(OwnBags(), (std::vector<int32_t>{71003}));
  EXPECT_EQ(RowOf(71003)[12], Utf8(AppLanguage().BagStateText(1)));
  EXPECT_EQ(RowOf(71003)[5], "50*40*30");
  EXPECT_EQ(dlg_->stateBox->currentIndex(), 1);
  EXPECT_FALSE(dlg_->stateBox->isEnabled());
  EXPECT_EQ(dlg_->list->MenuCommands().back(),
            platform::ToQString(AppLanguage().Text(420031)));
  Screenshot("bag_list_dialog_sealed_en");
}

// Three selected rows handed over at once while the receiver removes each
// handled row: exactly those three bags arrive, each with the row that
// held it at the time.  The grid's command comes as its menu sends it.
TEST_F(BagListStandIn, SeveralRowsHandedOverWhileRowsGo) {
  ASSERT_NO_FATAL_FAILURE(Open("00", kBagListOpenBags));
  Screenshot("bag_list_dialog_open_zh");
  const std::vector<int32_t> own = OwnBags();
  ASSERT_EQ(own.size(), 3u);
  const int before = dlg_->list->RowCount();
  for (int32_t id : own) dlg_->list->SetRowSelected(dlg_->list->FindRowById(id), true, false);
  ASSERT_EQ(dlg_->list->SelectedRows().size(), 3u);
  platform::PostPrivateMessage(dlg_.get(), kGridMsgCommand, 2, 0);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return receiver_.taken.size() >= 3; }));
  std::vector<int32_t> ids;
  for (auto& [id, row] : receiver_.taken) ids.push_back(id);
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(ids, own);
  EXPECT_EQ(receiver_.taken.size(), 3u);
  EXPECT_TRUE(receiver_.rowMismatch.empty()) << receiver_.rowMismatch.front();
  EXPECT_EQ(dlg_->list->RowCount(), before - 3);
  EXPECT_TRUE(OwnBags().empty());

  // Nothing selected: the operator is told so, nothing is sent.
  receiver_.taken.clear();
  dlg_->list->clearSelection();
  dlg_->OnGridCommand(2);
  EXPECT_TRUE(receiver_.taken.empty());
  ASSERT_EQ(boxes_.Count(), 1u);
  EXPECT_EQ(boxes_.LastText(), AppLanguage().Text(420042));
}

// A double click hands over that row alone; RemoveRow past the end or
// below 0 does nothing; the commands that drop rows; closing only hides.
TEST_F(BagListStandIn, SingleHandOverRemovalsAndClose) {
  ASSERT_NO_FATAL_FAILURE(Open("01", kBagListOpenBags));
  receiver_.removeRows = false;
  const int row = dlg_->list->FindRowById(71005);
  ASSERT_GE(row, 0);
  const QRect cell = dlg_->list->visualRect(dlg_->list->model()->index(row, 1));
  QTest::mouseClick(dlg_->list->viewport(), Qt::LeftButton, {}, cell.center());
  QTest::mouseDClick(dlg_->list->viewport(), Qt::LeftButton, {}, cell.center());
  ASSERT_TRUE(testsupport::WaitUntil([&] { return !receiver_.taken.empty(); }));
  EXPECT_EQ(receiver_.taken.front(), std::make_pair(int32_t{71005}, row));
  EXPECT_EQ(dlg_->LastRow(), row);

  const int count = dlg_->list->RowCount();
  dlg_->RemoveRow(count);
  dlg_->RemoveRow(count + 5);
  dlg_->RemoveRow(-1);
  EXPECT_EQ(dlg_->list->RowCount(), count);

  // Command 0 keeps only the selected row; command 1 then drops it.
  dlg_->list->clearSelection();
  dlg_->list->SetRowSelected(dlg_->list->FindRowById(71006), true, false);
  dlg_->OnGridCommand(0);
  EXPECT_EQ(dlg_->list->RowCount(), 1);
  EXPECT_EQ(dlg_->list->GetRowId(0), 71006);
  dlg_->list->SetRowSelected(0, true, false);
  dlg_->OnGridCommand(1);
  EXPECT_EQ(dlg_->list->RowCount(), 0);
  dlg_->OnGridCommand(0);  // an empty list: nothing
  EXPECT_EQ(dlg_->countLabel->text(),
            platform::ToQString(AppLanguage().TextWithNumber(420041, 0)));

  // Reloaded, then closed: hidden with its rows, shown again as it was.
  QTest::mouseClick(dlg_->filterButton, Qt::LeftButton);
  const int reloaded = dlg_->list->RowCount();
  EXPECT_GE(reloaded, 3);
  dlg_->close();
  EXPECT_FALSE(dlg_->isVisible());
  QTest::keyClick(dlg_.get(), Qt::Key_Escape);
  dlg_->show();
  EXPECT_EQ(dlg_->list->RowCount(), reloaded);
}

}  // namespace
