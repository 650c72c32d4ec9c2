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
#include <QStyle>
#include <QStyleOptionButton>
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

// The frame's query command (F4) and its proforma-invoice print, which on
// page 5 makes the statement workbook.
constexpr int kQueryCommand = 32790;
constexpr int kPrintInvoiceCommand = 32819;

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

// The road's waybills of a customer (its code), as the ledger holds them.
std::vector<const RoadWaybill*> WaybillsOf(const RoadLedger& ledger, const std::string& customer) {
  std::vector<const RoadWaybill*> all = {&ledger.quick, &ledger.streamlined, &ledger.unbagged};
  for (const RoadWaybill& w : ledger.imported) all.push_back(&w);
  std::vector<const RoadWaybill*> out;
  for (const RoadWaybill* w : all)
    if (!w->number.empty() && w->customer == customer) out.push_back(w);
  return out;
}

// A list kept in a note: the items joined by ','.
std::vector<std::u16string> NoteList(const RoadLedger& ledger, const std::string& key) {
  std::vector<std::u16string> items;
  const auto found = ledger.notes.find(key);
  if (found == ledger.notes.end()) return items;
  for (const QString& item : QString::fromStdString(found->second).split(u',', Qt::SkipEmptyParts))
    items.push_back(item.toStdU16String());
  return items;
}

int32_t CustomerIdOf(RoadDepot& depot, const std::string& code) {
  const std::string id = One(depot, "SELECT icid FROM client_arc WHERE caccount=" + Sql(W(code)));
  return id.empty() ? 0 : std::stoi(id);
}

void Payment(RoadDepot& depot) {
  RoadLedger& ledger = depot.Ledger();
  const std::string customer = ledger.quick.customer;
  const int32_t customerId = CustomerIdOf(depot, customer);
  ASSERT_GT(customerId, 0) << "step 1's customer " << customer;
  auto* page = dynamic_cast<CPaymentPage*>(depot.OpenPage(9));
  ASSERT_NE(page, nullptr);
  ASSERT_NE(page->quickList, nullptr);
  CPaymentDlg& dialog = *page->dialog;
  ASSERT_NO_FATAL_FAILURE(OpenCustomer(depot, *page->quickList, customerId));
  ASSERT_TRUE(testsupport::WaitUntil([&] { return dialog.Form().customerId == customerId; }));
  depot.Shot("payment-customer");

  // The customer's road waybills scanned into the payment one by one.
  std::vector<std::u16string> numbers;
  double expected = 0;
  for (const RoadWaybill* w : WaybillsOf(ledger, customer)) {
    const std::u16string number = W(w->number);
    const int before = dialog.payListGrid->RowCount();
    TypeInto(dialog.lookupEdit, Q(number));
    QTest::keyClick(dialog.lookupEdit, Qt::Key_Return);
    ASSERT_TRUE(testsupport::WaitUntil([&] { return dialog.payListGrid->RowCount() == before + 1; }))
        << w->number << ": " << U8(LastMessage(depot));
    numbers.push_back(number);
    expected += std::stod(One(depot, "SELECT famount FROM client_rec WHERE irid=" + std::to_string(w->id)));
  }
  ASSERT_FALSE(numbers.empty());
  const std::u16string amount = U(dialog.amountEdit->text());
  EXPECT_EQ(amount, U(QString::number(expected, 'f', 2)));
  const std::u16string invoice = u"RD-" + numbers.front();
  const std::u16string memo = u"路上结算 road";
  TypeInto(dialog.invoiceEdit, Q(invoice));
  dialog.memoEdit->setFocus();
  TypeKeys(dialog.memoEdit, Q(memo));
  depot.Shot("payment-entered");
  const size_t boxesBefore = depot.Boxes().Count();
  dialog.invoiceEdit->setFocus();
  QTest::keyClick(dialog.invoiceEdit, Qt::Key_S, Qt::ControlModifier);
  // Saved: the form starts a new payment, the paid waybills left the unpaid list.
  ASSERT_TRUE(testsupport::WaitUntil([&] { return dialog.payListGrid->RowCount() == 0; }))
      << U8(LastMessage(depot));
  EXPECT_EQ(depot.Boxes().Count(), boxesBefore) << U8(LastMessage(depot));
  const std::string ifid = One(depot, "SELECT COALESCE(MAX(ifid),0) FROM client_fee WHERE icid=" +
                                          std::to_string(customerId) + " AND cinvoice=" + Sql(invoice));
  ASSERT_NE(ifid, "0");
  for (int r = 0; r < dialog.unpaidGrid->RowCount(); ++r)
    for (const std::u16string& n : numbers) EXPECT_NE(dialog.unpaidGrid->CellText(r, 1), n);
  RoadPayment payment;
  payment.customer = customer;
  payment.amount = expected;
  payment.date = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")).toStdString();
  payment.note = U8(memo);
  ledger.payments.push_back(payment);
  std::string joined;
  for (const std::u16string& n : numbers) joined += (joined.empty() ? "" : ",") + U8(n);
  ledger.notes["payment-waybills"] = joined;
  ledger.notes["payment-invoice"] = U8(invoice);
  ledger.notes["payment-id"] = ifid;
  // The paid waybills now keep the payment.
  for (RoadWaybill* w : {&ledger.quick, &ledger.streamlined, &ledger.unbagged})
    if (std::find(numbers.begin(), numbers.end(), W(w->number)) != numbers.end()) {
      w->stored["bpay"] = "1";
      w->stored["ifid"] = ifid;
    }
  for (RoadWaybill& w : ledger.imported)
    if (std::find(numbers.begin(), numbers.end(), W(w.number)) != numbers.end()) {
      w.stored["bpay"] = "1";
      w.stored["ifid"] = ifid;
    }
  depot.Shot("payment-saved");
}

// The statement conditions: the road's days, one of the two settlement
// boxes ticked.
void AskStatement(RoadDepot& depot, CSettlementPage& page, int32_t customerId, const QString& from,
                  const QString& to, bool settled) {
  bool answered = false;
  WhenModal<CCustomerWaybillQueryDlg>([&](CCustomerWaybillQueryDlg& dialog) {
    TypeInto(dialog.dateFromBox, from);
    TypeInto(dialog.dateToBox, to);
    // 未核收 (not settled) and 已核收 (settled): the one wanted ticked.
    // A click on the box's square.
    auto tick = [](QCheckBox* box) {
      QStyleOptionButton option;
      option.initFrom(box);
      const QRect square = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
      Click(box, square.center());
    };
    if (dialog.checkBoxes[0]->isChecked() == settled) tick(dialog.checkBoxes[0]);
    if (dialog.checkBoxes[1]->isChecked() != settled) tick(dialog.checkBoxes[1]);
    EXPECT_EQ(dialog.checkBoxes[0]->isChecked(), !settled);
    EXPECT_EQ(dialog.checkBoxes[1]->isChecked(), settled);
    depot.Shot(settled ? "statement-settled-conditions" : "statement-unsettled-conditions");
    Click(dialog.OkButton());
    answered = true;
  });
  ASSERT_NO_FATAL_FAILURE(OpenCustomer(depot, *page.quickList, customerId));
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
  const int32_t customerId = CustomerIdOf(depot, ledger.payments.back().customer);
  const std::vector<std::u16string> paid = NoteList(ledger, "payment-waybills");
  ASSERT_FALSE(paid.empty());
  auto* page = dynamic_cast<CSettlementPage*>(depot.OpenPage(5));
  ASSERT_NE(page, nullptr);
  ASSERT_NE(page->quickList, nullptr);
  // The days of the paid waybills.
  std::u16string first, last;
  for (const std::u16string& n : paid) {
    const std::u16string day = W(One(depot, "SELECT substr(ddate,1,10) FROM client_rec WHERE cnum=" + Sql(n)));
    if (first.empty() || day < first) first = day;
    if (last.empty() || day > last) last = day;
  }
  auto dotted = [](std::u16string day) {
    std::replace(day.begin(), day.end(), u'-', u'.');
    return Q(day);
  };

  // Unsettled only: none of the paid waybills.
  ASSERT_NO_FATAL_FAILURE(AskStatement(depot, *page, customerId, dotted(first), dotted(last), false));
  for (const std::u16string& n : StatementNumbers(*page))
    for (const std::u16string& p : paid) EXPECT_NE(n, p);
  depot.Shot("statement-unsettled");

  // Settled only: every paid waybill, and only settled ones (a sample
  // waybill of the customer may share the days).
  const size_t boxesBefore = depot.Boxes().Count();
  ASSERT_NO_FATAL_FAILURE(AskStatement(depot, *page, customerId, dotted(first), dotted(last), true));
  ASSERT_TRUE(testsupport::WaitUntil([&] { return page->statementCustomer == customerId; }));
  EXPECT_EQ(depot.Boxes().Count(), boxesBefore) << U8(LastMessage(depot));
  const std::vector<std::u16string> listed = StatementNumbers(*page);
  for (const std::u16string& n : paid) EXPECT_EQ(std::count(listed.begin(), listed.end(), n), 1) << U8(n);
  for (const std::u16string& n : listed)
    EXPECT_NE(One(depot, "SELECT ifid FROM client_rec WHERE cnum=" + Sql(n)), "0") << U8(n);
  const int amountColumn = page->columns->Position(settlement::kAmount);
  double total = 0;
  for (const std::u16string& n : listed)
    total += std::stod(One(depot, "SELECT famount FROM client_rec WHERE cnum=" + Sql(n)));
  EXPECT_EQ(page->grid->CellText(page->grid->RowCount() - 1, amountColumn), U(QString::number(total, 'f', 2)));
  depot.Shot("statement-settled");

  // The statement workbook, made through the office suite by the frame's
  // proforma-invoice command (menu Print).
  OpenedFiles opened;
  CMainFrame* frame = depot.MainWindow();
  QAction* print = frame->CommandAction(kPrintInvoiceCommand);
  ASSERT_NE(print, nullptr);
  ASSERT_TRUE(testsupport::WaitUntil([&] { return print->isEnabled(); })) << "page 5 offers no statement";
  const std::u16string before = page->lastWorkbook;
  depot.Command(kPrintInvoiceCommand);
  ASSERT_TRUE(depot.WaitForOffice([&] { return page->lastWorkbook != before; })) << U8(LastMessage(depot));
  // The path is shown before the work; the workbook goes to the desktop.
  EXPECT_EQ(LastMessage(depot), page->lastWorkbook);
  EXPECT_EQ(opened.files, std::vector<std::u16string>{page->lastWorkbook});
  const auto cells = Cells(page->lastWorkbook);
  // Each paid waybill stands in a row of its own with its amount.
  for (const std::u16string& n : paid) {
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
  const std::string account = ledger.payments.back().customer;
  bool heading = false;
  for (const auto& row : cells)
    for (const std::u16string& cell : row)
      if (U8(cell).find(account) != std::string::npos) heading = true;
  EXPECT_TRUE(heading) << account;
  ledger.notes["statement-workbook"] = U8(page->lastWorkbook);
}

// ---- step 9 ----

// The count of rows of a query, as text.
std::string Count(RoadDepot& depot, const std::string& from) {
  return One(depot, "SELECT COUNT(*) FROM (" + from + ")");
}

void ExpectOnce(RoadDepot& depot, const std::string& what, const std::string& sql) {
  EXPECT_EQ(Count(depot, sql), "1") << what << ": " << sql;
}

std::string Number(double value) { return QString::number(value, 'g', 15).toStdString(); }

// A waybill: one record under its number, of its customer, with the
// values keyed (the columns its ledger entry keeps); its goods lines, its
// pieces' numbers and its pictures.
void CheckWaybill(RoadDepot& depot, const RoadWaybill& w) {
  SCOPED_TRACE(w.number);
  const std::string irid = std::to_string(w.id);
  ASSERT_EQ(Count(depot, "SELECT 1 FROM client_rec WHERE cnum=" + Sql(W(w.number))), "1");
  EXPECT_EQ(One(depot, "SELECT irid FROM client_rec WHERE cnum=" + Sql(W(w.number))), irid);
  EXPECT_EQ(One(depot, "SELECT a.caccount FROM client_rec r JOIN client_arc a ON a.icid=r.icid WHERE r.irid=" + irid),
            w.customer);
  for (const auto& [column, value] : w.stored)
    EXPECT_EQ(One(depot, "SELECT " + column + " FROM client_rec WHERE irid=" + irid), value) << column;
  // Goods lines: each keyed line once, and no other.
  EXPECT_EQ(Count(depot, "SELECT 1 FROM client_rec_goods WHERE irid=" + irid), std::to_string(w.goods.size()));
  for (const RoadGoodsLine& g : w.goods)
    ExpectOnce(depot, "goods line " + g.name,
               "SELECT 1 FROM client_rec_goods WHERE irid=" + irid + " AND cgoods=" + Sql(W(g.name)) +
                   " AND iquantity=" + std::to_string(g.quantity) + " AND abs(fprice-" + Number(g.unitPrice) +
                   ")<0.0001");
  // Pieces: their numbers, each once, in order.
  if (!w.pieceNumbers.empty()) {
    EXPECT_EQ(Count(depot, "SELECT 1 FROM client_rec_weight_detail WHERE irid=" + irid),
              std::to_string(w.pieceNumbers.size()));
    for (size_t i = 0; i < w.pieceNumbers.size(); ++i)
      ExpectOnce(depot, "piece " + w.pieceNumbers[i],
                 "SELECT 1 FROM client_rec_weight_detail WHERE irid=" + irid + " AND cnum=" +
                     Sql(W(w.pieceNumbers[i])) + " AND wpos=" + std::to_string(i + 1));
  }
  // Pictures.
  EXPECT_EQ(Count(depot, "SELECT 1 FROM client_rec_picc WHERE irid=" + irid), std::to_string(w.pictures));
}

}  // namespace

void RoadSettlementSamples(localserver::Database&) {}  // the sample set serves

void RoadSettlement(RoadDepot& depot) {
  ASSERT_NO_FATAL_FAILURE(Payment(depot));
  ASSERT_NO_FATAL_FAILURE(Statement(depot));
}

void RoadDatabaseCheck(RoadDepot& depot) {
  const RoadLedger& ledger = depot.Ledger();

  // Steps 1 and 3 (and what the later steps changed): the waybills, their
  // goods lines, pieces and pictures.
  std::vector<std::string> numbers;
  for (const RoadWaybill* w : {&ledger.quick, &ledger.streamlined, &ledger.unbagged}) {
    ASSERT_FALSE(w->number.empty());
    CheckWaybill(depot, *w);
    numbers.push_back(w->number);
  }
  for (const RoadWaybill& w : ledger.imported) {
    CheckWaybill(depot, w);
    numbers.push_back(w.number);
  }
  std::sort(numbers.begin(), numbers.end());
  EXPECT_EQ(std::adjacent_find(numbers.begin(), numbers.end()), numbers.end()) << "a number keyed twice";
  for (const RoadPicture& p : ledger.pictures)
    ExpectOnce(depot, "picture", "SELECT 1 FROM client_rec_picc WHERE irid=" + std::to_string(p.waybillId) +
                                     " AND npos=" + std::to_string(p.position) + " AND ilen=" +
                                     std::to_string(p.bytes) + " AND length(vdata)=" + std::to_string(p.bytes));

  // Steps 4 and 5: the bag, its items, the master air waybill.
  if (!ledger.bagNumber.empty()) {
    const std::string bag = Sql(W(ledger.bagNumber));
    ASSERT_EQ(Count(depot, "SELECT 1 FROM client_rec_xbag WHERE cxno=" + bag), "1");
    const std::string ixid = One(depot, "SELECT ixid FROM client_rec_xbag WHERE cxno=" + bag);
    if (ledger.bagWeight > 0)
      EXPECT_DOUBLE_EQ(std::stod(One(depot, "SELECT fweight FROM client_rec_xbag WHERE ixid=" + ixid)),
                       ledger.bagWeight);
    EXPECT_EQ(Count(depot, "SELECT 1 FROM client_rec_xbag_item WHERE ixid=" + ixid),
              std::to_string(ledger.baggedPieces.size()));
    for (const std::string& piece : ledger.baggedPieces) {
      // "<waybill number>/<piece position>", or a waybill's own number.
      const size_t slash = piece.rfind('/');
      const std::string waybill = slash == std::string::npos ? piece : piece.substr(0, slash);
      ExpectOnce(depot, "bag item " + piece,
                 "SELECT 1 FROM client_rec_xbag_item i JOIN client_rec r ON r.irid=i.irid WHERE i.ixid=" + ixid +
                     " AND r.cnum=" + Sql(W(waybill)) +
                     (slash == std::string::npos ? std::string() : " AND i.wpos=" + piece.substr(slash + 1)));
    }
    if (!ledger.masterAwb.empty())
      EXPECT_EQ(One(depot, "SELECT cawb FROM client_rec_xbag WHERE ixid=" + ixid), ledger.masterAwb);
  }
  // Step 6: the master air waybill's state and transit step.
  if (!ledger.masterAwb.empty()) {
    auto note = [&](const char* key) {
      const auto found = ledger.notes.find(key);
      return found == ledger.notes.end() ? std::string() : found->second;
    };
    ExpectOnce(depot, "master air waybill",
               "SELECT 1 FROM client_rec_pack WHERE cawb=" + Sql(W(ledger.masterAwb)) +
                   (ledger.flight.empty() ? "" : " AND cflightno=" + Sql(W(ledger.flight))) +
                   " AND nstate=" + note("awb-state") + " AND cd1=" + Sql(W(note("awb-step1-date"))) +
                   " AND cc1=" + Sql(W(note("awb-step1-detail"))) + " AND ce1=" +
                   Sql(W(note("awb-step1-detail-en"))) + " AND ccp1=" + Sql(W(note("awb-step1-place"))) +
                   " AND cep1=" + Sql(W(note("awb-step1-place-en"))));
  }
  for (const RoadTrackingEvent& e : ledger.trackingEvents)
    ExpectOnce(depot, "tracking event",
               "SELECT 1 FROM check_detail d JOIN client_rec c ON c.irid=d.irid WHERE c.cnum=" +
                   Sql(W(e.waybill)) + " AND d.cdate=" + Sql(W(e.when)) + " AND d.cplace=" + Sql(W(e.place)) +
                   " AND d.cinfo=" + Sql(W(e.text)));
  if (!ledger.transferNumber.empty()) {
    EXPECT_EQ(Count(depot, "SELECT 1 FROM client_rec WHERE cserviceno=" + Sql(W(ledger.transferNumber))), "1");
    EXPECT_EQ(One(depot, "SELECT cnum FROM client_rec WHERE cserviceno=" + Sql(W(ledger.transferNumber))),
              ledger.notes.at("transfer-waybill"));
  }
  // Step 7: handed over, in the batch the form made.
  if (ledger.notes.count("handover-batch")) {
    ExpectOnce(depot, "hand-over",
               "SELECT 1 FROM client_rec WHERE irid=" + std::to_string(ledger.unbagged.id) +
                   " AND nstate=1 AND isid=" + ledger.notes.at("handover-carrier"));
  }
  // Step 8: the payment and the waybills it settles.
  if (!ledger.payments.empty()) {
    const RoadPayment& p = ledger.payments.back();
    const std::string ifid = ledger.notes.at("payment-id");
    ExpectOnce(depot, "payment",
               "SELECT 1 FROM client_fee f JOIN client_arc a ON a.icid=f.icid WHERE f.ifid=" + ifid +
                   " AND a.caccount=" + Sql(W(p.customer)) + " AND f.cinvoice=" +
                   Sql(W(ledger.notes.at("payment-invoice"))) + " AND f.cmemo=" + Sql(W(p.note)) +
                   " AND abs(f.ffeer-" + Number(p.amount) + ")<0.005 AND substr(f.dpdate,1,10)=" + Sql(W(p.date)));
    const std::vector<std::u16string> paid = NoteList(ledger, "payment-waybills");
    for (const std::u16string& n : paid)
      ExpectOnce(depot, "settled waybill",
                 "SELECT 1 FROM client_rec WHERE cnum=" + Sql(n) + " AND bpay=1 AND ifid=" + ifid);
    EXPECT_EQ(Count(depot, "SELECT 1 FROM client_rec WHERE ifid=" + ifid), std::to_string(paid.size()));
  }
  depot.Shot("database-checked");
}

#include "RoadSettlementSteps.moc"
