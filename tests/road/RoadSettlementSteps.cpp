// Steps 8 and 9 of the road.
//
// 8. Page 9: the step 1 customer picked in the record list, the road's
//    waybills of that customer scanned into a payment, saved with Ctrl+S.
//    Page 5: the customer's statement of the road's days, first of the
//    unsettled waybills (the paid ones are not among them), then of the
//    settled ones (they all are), exported as the statement workbook whose
//    cells are read back.
// 9. The stand-in's database, read at the end: every record the road wrote
//    is there once, with the values keyed.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QDesktopServices>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/TextCodec.h"
#include "office/ExcelSession.h"
#include "shell/MainFrame.h"
#include "shipping/PaymentDlg.h"
#include "shipping/PaymentPage.h"
#include "shipping/SettlementPage.h"
#include "tests/QtTestSupport.h"
#include "tests/road/RoadDepot.h"
#include "tests/road/RoadStepSupport.h"
#include "tests/road/RoadSteps.h"
#include "tests/server/StandInServer.h"
#include "ui/ColorButton.h"
#include "ui/CustomerQueryDlg.h"
#include "ui/CustomerWaybillQueryDlg.h"
#include "ui/ListGrid.h"
#include "ui/QuickSearchList.h"

namespace {

namespace fs = std::filesystem;
using namespace roadsteps;

// The frame's query command (F4).
constexpr int kQueryCommand = 32790;

// Quotes a text for the checks' SQL.
std::string Sql(const std::u16string& text) {
  std::string out = "'";
  for (char c : U8(text)) out += c == '\'' ? std::string("''") : std::string(1, c);
  return out + "'";
}

// The one value of a query ("" without a row).
std::string One(RoadDepot& depot, const std::string& sql) {
  const auto rows = depot.Query(sql);
  return rows.empty() || rows[0].empty() ? std::string() : rows[0][0];
}

// Opens the customer on a page's record list: F4 asks the customer
// conditions (the account keyed), the account typed into the search box
// selects its row, a double click opens it.
void OpenCustomer(RoadDepot& depot, CQuickSearchList& list, int32_t customerId) {
  const std::string account =
      One(depot, "SELECT caccount FROM client_arc WHERE icid=" + std::to_string(customerId));
  ASSERT_FALSE(account.empty());
  bool asked = false;
  WhenModal<CCustomerQueryDlg>([&](CCustomerQueryDlg& dialog) {
    TypeInto(dialog.accountBox, QString::fromStdString(account));
    depot.Shot("customer-conditions");
    Click(dialog.OkButton());
    asked = true;
  });
  PressFrameKey(depot, kQueryCommand, Qt::Key_F4);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return asked && list.grid->RowCount() > 0; }))
      << U8(LastMessage(depot));
  TypeInto(list.searchBox, QString::fromStdString(account));
  int row = -1;
  ASSERT_TRUE(testsupport::WaitUntil([&] {
    row = -1;
    for (int r : list.grid->SelectedRows())
      if (list.grid->GetRowId(r) == customerId) row = r;
    return row >= 0;
  })) << "the record list does not offer customer " << customerId;
  const QModelIndex index = list.grid->model()->index(row, 0);
  list.grid->scrollTo(index);
  const QPoint at = list.grid->visualRect(index).center();
  Activate(list.grid);
  QTest::mouseDClick(list.grid->viewport(), Qt::LeftButton, {}, at);
}

// The road's waybills of a customer, as the ledger holds them.
std::vector<const RoadWaybillEntry*> WaybillsOf(const RoadLedger& ledger, int32_t customerId) {
  std::vector<const RoadWaybillEntry*> out;
  for (const RoadWaybillEntry& w : ledger.waybills)
    if (w.customerId == customerId) out.push_back(&w);
  return out;
}

void Payment(RoadDepot& depot) {
  RoadLedger& ledger = depot.Ledger();
  ASSERT_GT(ledger.customerId, 0);
  auto* page = dynamic_cast<CPaymentPage*>(depot.OpenPage(9));
  ASSERT_NE(page, nullptr);
  ASSERT_NE(page->quickList, nullptr);
  CPaymentDlg& dialog = *page->dialog;
  ASSERT_NO_FATAL_FAILURE(OpenCustomer(depot, *page->quickList, ledger.customerId));
  ASSERT_TRUE(testsupport::WaitUntil([&] { return dialog.Form().customerId == ledger.customerId; }));
  depot.Shot("payment-customer");

  // The customer's road waybills scanned into the payment one by one.
  RoadPayment payment;
  payment.customerId = ledger.customerId;
  double expected = 0;
  for (const RoadWaybillEntry* w : WaybillsOf(ledger, ledger.customerId)) {
    const int before = dialog.payListGrid->RowCount();
    TypeInto(dialog.lookupEdit, Q(w->number));
    QTest::keyClick(dialog.lookupEdit, Qt::Key_Return);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return dialog.payListGrid->RowCount() == before + 1; }))
        << U8(w->number) << ": " << U8(LastMessage(depot));
    payment.numbers.push_back(w->number);
    expected += std::stod(One(depot, "SELECT famount FROM client_rec WHERE cnum=" + Sql(w->number)));
  }
  ASSERT_FALSE(payment.numbers.empty());
  payment.amount = U(dialog.amountEdit->text());
  EXPECT_EQ(payment.amount, U(QString::number(expected, 'f', 2)));
  payment.invoice = u"RD-" + payment.numbers.front();
  payment.memo = u"路上结算 road";
  TypeInto(dialog.invoiceEdit, Q(payment.invoice));
  dialog.memoEdit->setFocus();
  TypeKeys(dialog.memoEdit, Q(payment.memo));
  depot.Shot("payment-entered");
  const size_t boxesBefore = depot.boxes.size();
  dialog.invoiceEdit->setFocus();
  QTest::keyClick(dialog.invoiceEdit, Qt::Key_S, Qt::ControlModifier);
  // Saved: the form starts a new payment, the paid waybills left the unpaid list.
  ASSERT_TRUE(testsupport::WaitUntil([&] { return dialog.payListGrid->RowCount() == 0; }))
      << U8(LastMessage(depot));
  EXPECT_EQ(depot.boxes.size(), boxesBefore) << U8(LastMessage(depot));
  payment.ifid = std::stoi(One(depot, "SELECT COALESCE(MAX(ifid),0) FROM client_fee WHERE icid=" +
                                          std::to_string(ledger.customerId) + " AND cinvoice=" +
                                          Sql(payment.invoice)));
  ASSERT_GT(payment.ifid, 0);
  for (int r = 0; r < dialog.unpaidGrid->RowCount(); ++r)
    for (const std::u16string& n : payment.numbers) EXPECT_NE(dialog.unpaidGrid->CellText(r, 1), n);
  ledger.payments.push_back(payment);
  depot.Shot("payment-saved");
}

// The statement conditions: the road's days, one of the two settlement
// boxes ticked.
void AskStatement(RoadDepot& depot, CSettlementPage& page, const QString& from, const QString& to,
                  bool settled) {
  bool answered = false;
  WhenModal<CCustomerWaybillQueryDlg>([&](CCustomerWaybillQueryDlg& dialog) {
    TypeInto(dialog.dateFromBox, from);
    TypeInto(dialog.dateToBox, to);
    dialog.checkBoxes[0]->setChecked(!settled);
    dialog.checkBoxes[1]->setChecked(settled);
    if (dialog.checkBoxes[0]->isChecked() == settled) Click(dialog.checkBoxes[0]);
    depot.Shot(settled ? "statement-settled-conditions" : "statement-unsettled-conditions");
    Click(dialog.OkButton());
    answered = true;
  });
  ASSERT_NO_FATAL_FAILURE(OpenCustomer(depot, *page.quickList, depot.Ledger().customerId));
  ASSERT_TRUE(testsupport::WaitUntil([&] { return answered; }));
}

std::vector<std::u16string> StatementNumbers(CSettlementPage& page) {
  std::vector<std::u16string> numbers;
  const int column = page.columns->Position(settlement::kWaybillNo);
  for (int r = 0; r + 1 < page.grid->RowCount(); ++r) numbers.push_back(page.grid->CellText(r, column));
  return numbers;
}

// Every non-empty cell of the workbook's sheet, by row.
std::vector<std::vector<std::u16string>> Cells(const std::u16string& file) {
  CExcelSession book;
  EXPECT_EQ(book.OpenForReading(file), 1) << U8(book.LastError());
  std::vector<std::vector<std::u16string>> rows;
  const int last = book.UsedRowCount();
  const int columns = book.UsedColumnCount();
  for (int r = 1; r <= last; ++r) {
    std::vector<std::u16string> row;
    for (int c = 1; c <= columns; ++c) row.push_back(book.CellTextTo(r, c, 4096));
    rows.push_back(std::move(row));
  }
  book.Close();
  return rows;
}

// Catches the finished workbook the page hands to the desktop.
class OpenedFiles : public QObject {
  Q_OBJECT

 public:
  OpenedFiles() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open"); }
  ~OpenedFiles() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
  Q_INVOKABLE void Open(const QUrl& url) { files.push_back(url.toLocalFile().toStdU16String()); }
  std::vector<std::u16string> files;
};

void Statement(RoadDepot& depot) {
  RoadLedger& ledger = depot.Ledger();
  ASSERT_FALSE(ledger.payments.empty());
  const RoadPayment& payment = ledger.payments.back();
  auto* page = dynamic_cast<CSettlementPage*>(depot.OpenPage(5));
  ASSERT_NE(page, nullptr);
  ASSERT_NE(page->quickList, nullptr);
  // The days of the paid waybills.
  std::u16string first, last;
  for (const std::u16string& n : payment.numbers) {
    const std::u16string day = U(QString::fromStdString(One(depot, "SELECT substr(ddate,1,10) FROM client_rec WHERE cnum=" + Sql(n))));
    if (first.empty() || day < first) first = day;
    if (last.empty() || day > last) last = day;
  }
  auto dotted = [](std::u16string day) {
    std::replace(day.begin(), day.end(), u'-', u'.');
    return Q(day);
  };

  // Unsettled only: none of the paid waybills.
  ASSERT_NO_FATAL_FAILURE(AskStatement(depot, *page, dotted(first), dotted(last), false));
  for (const std::u16string& n : StatementNumbers(*page))
    for (const std::u16string& paid : payment.numbers) EXPECT_NE(n, paid);
  depot.Shot("statement-unsettled");

  // Settled only: every paid waybill, and only settled ones (a sample
  // waybill of the customer may share the days).
  ASSERT_NO_FATAL_FAILURE(AskStatement(depot, *page, dotted(first), dotted(last), true));
  ASSERT_TRUE(testsupport::WaitUntil([&] { return page->statementCustomer == ledger.customerId; }));
  const std::vector<std::u16string> listed = StatementNumbers(*page);
  for (const std::u16string& n : payment.numbers)
    EXPECT_EQ(std::count(listed.begin(), listed.end(), n), 1) << U8(n);
  for (const std::u16string& n : listed)
    EXPECT_NE(One(depot, "SELECT ifid FROM client_rec WHERE cnum=" + Sql(n)), "0") << U8(n);
  const int amountColumn = page->columns->Position(settlement::kAmount);
  double total = 0;
  for (const std::u16string& n : listed)
    total += std::stod(One(depot, "SELECT famount FROM client_rec WHERE cnum=" + Sql(n)));
  EXPECT_EQ(page->grid->CellText(page->grid->RowCount() - 1, amountColumn), U(QString::number(total, 'f', 2)));
  depot.Shot("statement-settled");

  // The statement workbook, made through the office suite.
  OpenedFiles opened;
  CMainFrame* frame = depot.MainWindow();
  frame->UpdateCommandUi();
  QAction* print = frame->CommandAction(32819);
  ASSERT_NE(print, nullptr);
  ASSERT_TRUE(print->isEnabled());
  const std::u16string before = page->lastWorkbook;
  print->trigger();
  ASSERT_TRUE(testsupport::WaitUntil([&] { return page->lastWorkbook != before; }, 120000))
      << U8(LastMessage(depot));
  EXPECT_EQ(opened.files, std::vector<std::u16string>{page->lastWorkbook});
  const auto cells = Cells(page->lastWorkbook);
  // Each paid waybill stands in a row of its own with its amount.
  for (const std::u16string& n : payment.numbers) {
    int found = 0;
    const std::u16string amount =
        U(QString::number(std::stod(One(depot, "SELECT famount FROM client_rec WHERE cnum=" + Sql(n))), 'g', 15));
    for (const auto& row : cells) {
      if (std::find(row.begin(), row.end(), n) == row.end()) continue;
      ++found;
      EXPECT_NE(std::find(row.begin(), row.end(), amount), row.end()) << U8(n) << " without " << U8(amount);
    }
    EXPECT_EQ(found, 1) << U8(n);
  }
  // The customer's account in the heading.
  const std::string account =
      One(depot, "SELECT caccount FROM client_arc WHERE icid=" + std::to_string(ledger.customerId));
  bool heading = false;
  for (const auto& row : cells)
    for (const std::u16string& cell : row)
      if (U8(cell).find(account) != std::string::npos) heading = true;
  EXPECT_TRUE(heading) << account;
  ledger.statementWorkbook = page->lastWorkbook;
}

// ---- step 9 ----

void ExpectOnce(RoadDepot& depot, const std::string& what, const std::string& sql) {
  EXPECT_EQ(One(depot, "SELECT COUNT(*) FROM (" + sql + ")"), "1") << what << ": " << sql;
}

}  // namespace

void RoadSettlement(RoadDepot& depot) {
  depot.Step(8, "Payment of the customer and its settled statement");
  ASSERT_NO_FATAL_FAILURE(Payment(depot));
  ASSERT_NO_FATAL_FAILURE(Statement(depot));
}

void RoadDatabaseCheck(RoadDepot& depot) {
  depot.Step(9, "The stand-in's database holds what the road wrote");
  const RoadLedger& ledger = depot.Ledger();

  // Step 6: the master air waybill's state and transit step.
  if (!ledger.masterAwb.empty()) {
    const RoadTransitStep& s = ledger.masterAwbTransit;
    ExpectOnce(depot, "master air waybill",
               "SELECT 1 FROM client_rec_pack WHERE cawb=" + Sql(ledger.masterAwb) +
                   " AND nstate=" + std::to_string(ledger.masterAwbState) + " AND cd1=" + Sql(s.date) +
                   " AND cc1=" + Sql(s.detail) + " AND ce1=" + Sql(s.detailEnglish) +
                   " AND ccp1=" + Sql(s.place) + " AND cep1=" + Sql(s.placeEnglish));
  }
  for (const RoadTrackEvent& e : ledger.trackEvents)
    ExpectOnce(depot, "tracking event",
               "SELECT 1 FROM check_detail d JOIN client_rec c ON c.irid=d.irid WHERE c.cnum=" +
                   Sql(e.number) + " AND d.cdate=" + Sql(e.date) + " AND d.cplace=" + Sql(e.place) +
                   " AND d.cinfo=" + Sql(e.text) + " AND d.rowid=" + e.eventId);
  for (const auto& [number, transfer] : ledger.transferNumbers) {
    ExpectOnce(depot, "transfer number",
               "SELECT 1 FROM client_rec WHERE cserviceno=" + Sql(transfer) + " AND cnum=" + Sql(number));
  }
  // Step 7: handed over with the batch of the form.
  if (!ledger.handOver.number.empty()) {
    ExpectOnce(depot, "hand-over",
               "SELECT 1 FROM client_rec WHERE cnum=" + Sql(ledger.handOver.number) + " AND nstate=1");
  }
  // Step 8: the payment and the waybills it settles.
  for (const RoadPayment& p : ledger.payments) {
    ExpectOnce(depot, "payment",
               "SELECT 1 FROM client_fee WHERE ifid=" + std::to_string(p.ifid) + " AND icid=" +
                   std::to_string(p.customerId) + " AND cinvoice=" + Sql(p.invoice) + " AND cmemo=" +
                   Sql(p.memo) + " AND printf('%.2f',ffeer)=" + Sql(p.amount));
    for (const std::u16string& n : p.numbers)
      ExpectOnce(depot, "settled waybill",
                 "SELECT 1 FROM client_rec WHERE cnum=" + Sql(n) + " AND bpay=1 AND ifid=" +
                     std::to_string(p.ifid));
    EXPECT_EQ(One(depot, "SELECT COUNT(*) FROM client_rec WHERE ifid=" + std::to_string(p.ifid)),
              std::to_string(p.numbers.size()));
  }
  depot.Shot("database-checked");
}

#include "RoadSettlementSteps.moc"
