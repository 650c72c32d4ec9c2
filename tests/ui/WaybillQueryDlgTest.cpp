// The waybill query dialog driven as an operator drives it: keys, clicks,
// the pickers behind the labels, the date check of OK, and the record
// filter that opens it modally.
#include "ui/WaybillQueryDlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "platform/MessageBox.h"
#include "tests/LanguageFiles.h"
#include "tests/QtTestSupport.h"
#include "tests/TempFolder.h"
#include "tests/ui/RecordFilterCallers.h"
#include "tests/ui/SuggestSources.h"
#include "ui/LinkLabel.h"
#include "ui/ListPickDlg.h"
#include "ui/RecordFilter.h"
#include "ui/ViewHost.h"

using platform::kIdCancel;
using platform::kIdOk;

namespace {

// The services the dialog and the filter reach through the view's host.
class QueryHost : public CViewHost {
 public:
  CWaybillQueryDlg* WaybillQueryDialog() override { return dialog; }
  std::optional<std::u16string> ServiceKindCode(std::u16string_view text) const override {
    for (const std::u16string& code : kinds) {
      if (QString::fromStdU16String(code).compare(QString::fromUtf16(text.data(), text.size()),
                                                  Qt::CaseInsensitive) == 0)
        return code;
    }
    return std::nullopt;
  }
  std::vector<std::u16string> ServiceKindNames() const override { return kinds; }
  CClientListCache* ClientList() override { return &clients; }
  CDestinationTable* Destinations() override { return &destinations; }
  bool ChooseCommonPrompt(std::u16string& text) override {
    ++promptPicks;
    if (prompt.empty()) return false;
    text = prompt;
    return true;
  }
  int ListRecentAwbs(std::vector<std::u16string>& list, unsigned n) override {
    requested.push_back(n);
    list.insert(list.end(), awbs.begin(), awbs.end());
    return static_cast<int>(list.size());
  }
  int ListRecentBags(std::vector<std::u16string>& list, unsigned n) override {
    requested.push_back(n);
    list.insert(list.end(), bags.begin(), bags.end());
    return static_cast<int>(list.size());
  }
  bool RunMultiSelect(std::u16string_view caption, std::u16string_view columnTitle,
                      const std::vector<std::u16string>& items,
                      std::vector<std::u16string>& selection, std::u16string& chosen) override {
    multiCaption = caption;
    multiColumn = columnTitle;
    offered = items;
    if (!multiAnswer) return false;
    selection = multiSelection;
    chosen = *multiAnswer;
    return true;
  }

  CWaybillQueryDlg* dialog = nullptr;
  CClientListCache clients;
  CDestinationTable destinations;
  std::vector<std::u16string> kinds = {u"ZIZ国际", u"DHL", u"EMS"};
  std::u16string prompt;
  int promptPicks = 0;
  std::vector<std::u16string> awbs = {u"◎999-12345675<LAX>", u"\u3000781-00000011<FRA>",
                                      u"√999-22222226<JFK>"};
  std::vector<std::u16string> bags = {u"B2024030001<装袋中>ID:1", u"B2024030002<已封袋>ID:2"};
  std::vector<unsigned> requested;
  std::optional<std::u16string> multiAnswer;
  std::vector<std::u16string> multiSelection;
  std::u16string multiCaption, multiColumn;
  std::vector<std::u16string> offered;
};

void LoadChineseTexts() { testsupport::LoadRepositoryLanguageOnce("waybillquery"); }

class WaybillQueryDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadChineseTexts();
    dialog = std::make_unique<CWaybillQueryDlg>(&host);
    dialog->clock = [] { return QDateTime(QDate(2024, 3, 15), QTime(9, 30, 5)); };
    host.dialog = dialog.get();
  }
  void Open() {
    dialog->InitDialog();
    dialog->show();
    dialog->activateWindow();
    ASSERT_TRUE(testsupport::WaitUntil([&] { return dialog->isVisible(); }));
    // The focus tests check the focus themselves; activation only helps them.
    static_cast<void>(QTest::qWaitForWindowActive(dialog.get()));
  }
  const CWaybillQueryDlg::Controls& ui() const { return dialog->Ui(); }
  // Types into a box as the operator does: focus, select all, keys.
  void Type(QLineEdit* box, const QString& text) {
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    for (QChar c : text) {
      if (c.unicode() < 0x80 && c.isPrint()) {
        QTest::keyClick(box, c.toLatin1());
      } else {
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
      }
    }
  }
  void Click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }

  QueryHost host;
  std::unique_ptr<CWaybillQueryDlg> dialog;
  platform::RecordingMessageBoxService boxes;
  platform::ScopedMessageBoxService scope{&boxes};
};

}  // namespace

TEST_F(WaybillQueryDlgTest, OperatorFillsConditionsAndConfirms) {
  Open();
  // A new dialog: today and 30 days before, all boxes ticked, any state.
  EXPECT_EQ(ui().dateTo->text().size(), 10);
  EXPECT_EQ(dialog->windowTitle(), QStringLiteral("运单查询条件"));
  EXPECT_TRUE(ui().typeParcel->isChecked());
  EXPECT_EQ(ui().recordState->count(), 15);
  EXPECT_EQ(ui().recordState->currentIndex(), 11);
  EXPECT_EQ(ui().recordState->currentText(), QStringLiteral("全部"));
  EXPECT_FALSE(ui().regionMainland->isVisible()) << "the region boxes stay hidden";

  Type(ui().dateFrom, QStringLiteral("2024-3-1"));
  Type(ui().dateTo, QStringLiteral("20250101"));
  Click(ui().typeParcel);
  Click(ui().payChecked);
  ui().recordState->setFocus();
  QTest::keyClick(ui().recordState, Qt::Key_End);  // the last entry: 14
  Type(ui().pieces, QStringLiteral("-2"));
  Type(ui().destination, QString::fromUtf16(u"O'Hare"));
  Type(ui().waybillNo, QStringLiteral("BR1%"));
  Type(ui().receiver, QString::fromUtf16(u"田中"));
  ui().settlement->setFocus();
  QTest::keyClicks(ui().settlement, QStringLiteral("COD"));

  // Enter moves on like Tab and never confirms, not even on OK; Escape is
  // swallowed.
  ui().waybillNo->setFocus();
  QTest::keyClick(ui().waybillNo, Qt::Key_Return);
  EXPECT_NE(dialog->focusWidget(), ui().waybillNo);
  ui().ok->setFocus();
  QTest::keyClick(ui().ok, Qt::Key_Return);
  QTest::keyClick(ui().ok, Qt::Key_Escape);
  QTest::keyClick(dialog.get(), Qt::Key_Escape);
  EXPECT_TRUE(dialog->isVisible());
  // Down acts as Tab, Up goes back.
  ui().department->setFocus();
  QTest::keyClick(ui().department, Qt::Key_Down);
  QWidget* next = dialog->focusWidget();
  EXPECT_NE(next, ui().department);
  QTest::keyClick(next, Qt::Key_Up);
  EXPECT_EQ(dialog->focusWidget(), ui().department);

  QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
  const QImage image = dialog->grab().toImage();
  EXPECT_TRUE(image.save(QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/waybill_query_dialog.png")));

  Click(ui().ok);
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_FALSE(dialog->typeParcel);
  EXPECT_FALSE(dialog->payChecked);
  EXPECT_EQ(dialog->recordState, 14);
  EXPECT_EQ(dialog->pieces, -2);
  EXPECT_EQ(dialog->settlement, u"COD");
  EXPECT_EQ(dialog->receiver, u"田中");
  // The typed dates stay as typed; the bounds are normalised, and a last
  // date after today counts as today.
  EXPECT_EQ(dialog->dateTo, u"20250101");
  EXPECT_EQ(dialog->dateFromBound, u"2024.03.01 0:0:0.0");
  EXPECT_EQ(dialog->dateToBound, u"2024.03.15 23:59:59.998");

  const std::u16string sql =
      RecordFilterSql(*dialog, recordfiltertest::QuickSearchTexts(), u"ddate", {});
  EXPECT_NE(sql.find(u" AND a.nitemtype IN(0,2) AND a.ifid=0 AND a.nstate>3 AND a.iitem<>2 AND "
                     u"a.cdes='O''Hare' AND a.cnum LIKE '%BR1%%'"),
            std::u16string::npos)
      << QString::fromStdU16String(sql).toStdString();
}

TEST_F(WaybillQueryDlgTest, BadDatesKeepTheDialogOpenUnlessANumberPinsTheRecords) {
  Open();
  Type(ui().dateFrom, QStringLiteral("abc"));
  Type(ui().dateTo, QStringLiteral("2024.03.10"));
  Click(ui().ok);
  EXPECT_TRUE(dialog->isVisible());
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Messages()[0].caption, u"查询条件");
  EXPECT_EQ(boxes.LastText(), u"起始日期不是有效日期。\r\n");

  Type(ui().dateFrom, QStringLiteral("2024.03.12"));
  Click(ui().ok);
  EXPECT_EQ(boxes.LastText(), u"起始日期晚于截止日期。");
  EXPECT_TRUE(dialog->isVisible());

  // A number box without a number: its own message, the dialog stays.
  Type(ui().dateFrom, QStringLiteral("2024.03.01"));
  Type(ui().freightFrom, QStringLiteral("1x"));
  Click(ui().ok);
  EXPECT_EQ(boxes.LastText(), u"请输入一个数字。");
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(dialog->focusWidget(), ui().freightFrom);
  Type(ui().freightFrom, QString());

  // A master AWB number of 10 characters makes the dates irrelevant.
  Type(ui().dateFrom, QStringLiteral("abc"));
  Type(ui().awbNumbers, QStringLiteral("999-123456"));
  boxes.Clear();
  Click(ui().ok);
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_EQ(dialog->dateFromBound, u"1900.01.01 0:0:0.0");
}

TEST_F(WaybillQueryDlgTest, DateKindLabelCyclesWithItsPresets) {
  Open();
  EXPECT_EQ(ui().dateKindLabel->text(), QStringLiteral("业务日期"));
  EXPECT_EQ(ui().dateKindLabel->TextColor(), QColor(0, 128, 0));
  Click(ui().dateKindLabel);
  EXPECT_EQ(dialog->dateKind, 1);
  EXPECT_EQ(ui().dateKindLabel->text(), QStringLiteral("录入时间"));
  EXPECT_EQ(ui().dateFrom->text(), QStringLiteral("2024.03.15 07:30:05"));
  EXPECT_EQ(ui().dateTo->text(), QStringLiteral("2024.03.15 09:30:05"));
  Click(ui().dateKindLabel);
  EXPECT_EQ(dialog->dateKind, 2);
  EXPECT_EQ(ui().dateKindLabel->TextColor(), QColor(128, 0, 0));
  Click(ui().dateKindLabel);
  EXPECT_EQ(dialog->dateKind, 0);
  // Back on the business date the month cycle runs: dates only.
  EXPECT_EQ(ui().dateFrom->text().size(), 10);
  EXPECT_EQ(ui().dateTo->text().size(), 10);
  // The date label runs the preset of the current kind.
  const QString from = ui().dateFrom->text();
  Click(ui().dateLabel);
  EXPECT_NE(ui().dateFrom->text(), from);
}

TEST_F(WaybillQueryDlgTest, PickersBehindTheLabels) {
  Open();
  // Service kind: the list of kinds, the chosen name into the box.
  QTimer::singleShot(0, [] {
    auto* picker = qobject_cast<CListPickDlg*>(QApplication::activeModalWidget());
    ASSERT_NE(picker, nullptr);
    picker->ListBox()->setCurrentRow(1);
    QTest::mouseClick(picker->OkButton(), Qt::LeftButton);
  });
  Type(ui().sender, QStringLiteral("Amy"));  // typed before the pick: kept
  Click(ui().kindLabel);
  EXPECT_EQ(ui().kind->text(), QStringLiteral("DHL"));
  EXPECT_EQ(static_cast<WaybillQueryConditions&>(*dialog).sender, u"Amy");

  // Tags and reserved from the common prompts; nothing chosen changes nothing.
  host.prompt = u"易碎";
  Click(ui().tagsLabel);
  EXPECT_EQ(ui().tags->text(), QStringLiteral("易碎"));
  host.prompt.clear();
  Type(ui().reserved, QStringLiteral("R1"));
  Click(ui().reservedLabel);
  EXPECT_EQ(ui().reserved->text(), QStringLiteral("R1"));
  EXPECT_EQ(host.promptPicks, 2);

  // Several master AWBs: the newest 200 offered, the marker and the list kept.
  host.multiAnswer = u"★";
  host.multiSelection = {host.awbs[0], host.awbs[2]};
  Click(ui().awbLabel);
  EXPECT_EQ(host.requested.back(), 200u);
  EXPECT_EQ(host.multiCaption, u"选择总单 (最近 200 个)");
  EXPECT_EQ(host.multiColumn, u"总单号");
  EXPECT_EQ(ui().awbNumbers->text(), QString::fromUtf16(u"★"));
  EXPECT_EQ(dialog->awbList.size(), 2u);
  // One bag: its number; all or none: no number.
  host.multiAnswer = host.bags[1];
  host.multiSelection = {host.bags[1]};
  Click(ui().bagLabel);
  EXPECT_EQ(host.requested.back(), 500u);
  EXPECT_EQ(ui().bagNumbers->text(), QStringLiteral("B2024030002"));
  host.multiAnswer = u"";
  host.multiSelection = host.bags;
  Click(ui().bagLabel);
  EXPECT_TRUE(ui().bagNumbers->text().isEmpty());
  EXPECT_EQ(dialog->bagList.size(), 2u);
  // No recent items: the click does nothing.
  host.awbs.clear();
  host.offered.clear();
  Click(ui().awbLabel);
  EXPECT_TRUE(host.offered.empty());
  EXPECT_EQ(ui().awbNumbers->text(), QString::fromUtf16(u"★"));

  // Reset: flags, texts and the customer go; dates, kind of date and lists stay.
  Click(ui().typePak);
  Type(ui().dateFrom, QStringLiteral("2024.01.02"));
  Click(ui().reset);
  EXPECT_TRUE(ui().typePak->isChecked());
  EXPECT_TRUE(ui().kind->text().isEmpty());
  EXPECT_TRUE(ui().awbNumbers->text().isEmpty());
  EXPECT_EQ(ui().dateFrom->text(), QStringLiteral("2024.01.02"));
  EXPECT_EQ(dialog->awbList.size(), 2u);
}

TEST_F(WaybillQueryDlgTest, CustomerAndDestinationPopups) {
  using suggesttest::ClientRow;
  suggesttest::FillClients(host.clients,
                           {ClientRow(3, "GZ01", GbkFromWide(u"广州南方物流")),
                            ClientRow(4, "GZ02", GbkFromWide(u"广州北方快运")),
                            ClientRow(5, "SH01", GbkFromWide(u"上海东方货运"))});
  suggesttest::FillDestinations(host.destinations);
  Open();
  CSuggestPopup* clients = ui().customerPopup;
  CSuggestPopup* destinations = ui().destinationPopup;
  // Nothing of the popups ever takes the keyboard focus.
  QWidget* popupFocus = nullptr;
  const auto watch = QObject::connect(qApp, &QApplication::focusChanged, [&](QWidget*, QWidget* now) {
    if (now == clients || now == destinations) popupFocus = now;
  });
  EXPECT_FALSE(clients->isVisible());

  // The customer box: the client codes that begin with the text.
  Type(ui().customer, QStringLiteral("gz"));
  ASSERT_TRUE(clients->isVisible());
  EXPECT_TRUE(ui().customer->hasFocus());
  EXPECT_EQ(clients->Rows().Cells(1)[0].text, u"GZ02     广州北方快运");
  QDir().mkpath(BRANTLE_BINARY_DIR "/screenshots");
  EXPECT_TRUE(dialog->grab().toImage().save(
      QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/waybill_query_customer_popup.png")));
  QTest::keyClick(ui().customer, Qt::Key_2, Qt::ControlModifier);
  EXPECT_EQ(dialog->customerId, 4);
  EXPECT_EQ(ui().customer->text(), QString::fromUtf16(u"广州北方快运"));
  EXPECT_FALSE(clients->isVisible());
  EXPECT_NE(dialog->focusWidget(), ui().customer) << "Ctrl+2 then moves on";
  // Typing drops the picked customer; Enter takes the first row.
  ui().customer->setFocus();
  QTest::keyClick(ui().customer, Qt::Key_Backspace);
  EXPECT_EQ(dialog->customerId, 0);
  Type(ui().customer, QString::fromUtf16(u"上海"));
  ASSERT_TRUE(clients->isVisible());
  QTest::keyClick(ui().customer, Qt::Key_Return);
  EXPECT_EQ(dialog->customerId, 5);
  EXPECT_EQ(ui().customer->text(), QString::fromUtf16(u"上海东方货运"));
  EXPECT_NE(dialog->focusWidget(), ui().customer);
  // A customer typed but never picked gives no customer; an empty row picks
  // nothing and the key still moves on.
  Type(ui().customer, QStringLiteral("sh"));
  ASSERT_TRUE(clients->isVisible());
  QTest::keyClick(ui().customer, Qt::Key_5, Qt::ControlModifier);
  EXPECT_EQ(dialog->customerId, 0);
  EXPECT_EQ(ui().customer->text(), QStringLiteral("sh"));
  EXPECT_NE(dialog->focusWidget(), ui().customer);
  EXPECT_FALSE(clients->isVisible()) << "leaving the box hides its popup";

  // The destination box: codes, then names; no hit hides the popup.
  Type(ui().destination, QStringLiteral("u"));
  ASSERT_TRUE(destinations->isVisible());
  EXPECT_EQ(destinations->y(), ui().destination->mapTo(dialog.get(), QPoint(0, 0)).y() +
                                   ui().destination->height());
  EXPECT_TRUE(dialog->grab().toImage().save(
      QStringLiteral(BRANTLE_BINARY_DIR "/screenshots/waybill_query_destination_popup.png")));
  QTest::keyClicks(ui().destination, QStringLiteral("x"));
  EXPECT_FALSE(destinations->isVisible());
  QTest::keyClick(ui().destination, Qt::Key_Backspace);
  ASSERT_TRUE(destinations->isVisible());
  QTest::keyClick(ui().destination, Qt::Key_3, Qt::ControlModifier);  // UA, UG, US
  EXPECT_EQ(ui().destination->text(), QString::fromUtf16(u"美国"));
  EXPECT_EQ(dialog->destination, u"美国");
  EXPECT_NE(dialog->focusWidget(), ui().destination);
  EXPECT_FALSE(destinations->isVisible());
  Type(ui().destination, QString::fromUtf16(u"乌克"));
  ASSERT_TRUE(destinations->isVisible());
  QTest::keyClick(ui().destination, Qt::Key_Enter);
  EXPECT_EQ(ui().destination->text(), QString::fromUtf16(u"乌克兰"));
  EXPECT_NE(dialog->focusWidget(), ui().destination);
  // Writing the picked row searched nothing: the popup stays hidden.
  EXPECT_FALSE(destinations->isVisible());
  QObject::disconnect(watch);
  EXPECT_EQ(popupFocus, nullptr);

  Type(ui().dateFrom, QStringLiteral("2024.03.01"));
  Click(ui().ok);
  EXPECT_EQ(boxes.Count(), 0u);
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  EXPECT_EQ(dialog->destination, u"乌克兰");
  EXPECT_EQ(dialog->customerId, 0);
  const std::u16string sql =
      RecordFilterSql(*dialog, recordfiltertest::QuickSearchTexts(), u"ddate", {});
  EXPECT_NE(sql.find(u"a.cdes='乌克兰'"), std::u16string::npos)
      << QString::fromStdU16String(sql).toStdString();
}

TEST_F(WaybillQueryDlgTest, RecordFilterRunsTheDialogModally) {
  const RecordFilterTexts texts = recordfiltertest::QuickSearchTexts();
  std::u16string sql = u"earlier";
  // Cancel: no SQL, nothing written.
  QTimer::singleShot(0, [this] {
    Type(ui().kind, QStringLiteral("dhl"));
    Click(ui().cancel);
  });
  EXPECT_FALSE(BuildRecordFilterSql(host, texts, sql));
  EXPECT_EQ(sql, u"earlier");
  EXPECT_TRUE(dialog->kind.empty()) << "typing no action followed is dropped";

  // OK: the SQL of what was typed, the kind found without case.
  QTimer::singleShot(0, [this] {
    Type(ui().dateFrom, QStringLiteral("2024.03.01"));
    Type(ui().dateTo, QStringLiteral("2024.03.10"));
    Type(ui().kind, QStringLiteral("dhl"));
    Click(ui().ok);
  });
  ASSERT_TRUE(BuildRecordFilterSql(host, texts, sql));
  EXPECT_EQ(QString::fromStdU16String(sql).toStdString(),
            "SELECT TOP 2000 a.irid,a.cserviceno,a.cnum,a.cdes,a.nstate FROM brantle.dbo.client_rec "
            "AS a WITH (NOLOCK) INNER JOIN brantle.dbo.client_arc AS b ON(a.icid=b.icid) WHERE "
            "a.irid>0 AND a.ddate BETWEEN '2024.03.01 0:0:0.0' AND '2024.03.10 23:59:59.998' AND "
            "a.cemskind='DHL' ORDER BY a.irid DESC");

  // The conditions persist: the next list opens with them.
  QTimer::singleShot(0, [this] {
    EXPECT_EQ(ui().kind->text(), QStringLiteral("dhl"));
    Click(ui().ok);
  });
  EXPECT_TRUE(BuildRecordFilterSql(host, texts, sql));

  // A host without a dialog runs no query.
  CViewHost bare;
  sql = u"earlier";
  EXPECT_FALSE(BuildRecordFilterSql(bare, texts, sql));
  EXPECT_EQ(sql, u"earlier");
}
