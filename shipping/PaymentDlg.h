#pragma once
// CPaymentDlg: the payment form of page 9 (template 181) beside the
// customer list.  A thin view of payment::CPaymentForm: it binds the form's
// fields to its edit boxes, shows the three lists (payments, unpaid
// waybills, the payment's waybills) and the summaries, and turns keys,
// clicks and links into the form's operations.

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "shipping/PaymentForm.h"

class CLinkLabel;
class CListGrid;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class CPaymentDlg : public QWidget {
 public:
  // `page` receives the save and delete command flags (WM_USER+123).
  CPaymentDlg(QWidget* parent, std::unique_ptr<payment::PaymentLink> link,
              payment::PaymentEnvironment env, QObject* page, QSize screen);
  ~CPaymentDlg() override;

  payment::CPaymentForm& Form() { return *form_; }

  int LoadCustomer(int32_t icid);
  void NewPayment();
  int SavePayment();
  int DeletePayment();
  void CopyFields();
  void PasteFields();
  void ShowPaymentPage();
  // The currency choice (CListPickDlg over the currency list).
  void PickCurrency();
  // The attachments link: the attachments of a saved payment; nothing
  // before the payment is saved.
  void OpenAttachments();

  // Controls, for the page and for tests.
  QLineEdit* invoiceEdit = nullptr;     // 1461
  QLineEdit* amountEdit = nullptr;      // 1462
  QLineEdit* owedEdit = nullptr;        // 1414
  QLineEdit* foreignEdit = nullptr;     // 1463
  QLineEdit* tagEdit = nullptr;         // 1039
  QLineEdit* accountEdit = nullptr;     // 1264
  QLineEdit* docNoEdit = nullptr;       // 1464
  QLineEdit* dateEdit = nullptr;        // 1003
  QComboBox* payWayBox = nullptr;       // 1071
  QLineEdit* refNoEdit = nullptr;       // 1465
  QLineEdit* handlerEdit = nullptr;     // 1131
  QPlainTextEdit* memoEdit = nullptr;   // 1016
  QLineEdit* lookupEdit = nullptr;      // 1024
  QLineEdit* pageBoxEdit = nullptr;     // 1488
  QPlainTextEdit* summaryBox = nullptr; // 1361
  CListGrid* paymentGrid = nullptr;     // 1489
  CListGrid* unpaidGrid = nullptr;      // 1487
  CListGrid* payListGrid = nullptr;     // 1485
  CLinkLabel* titleLabel = nullptr;     // 1018
  CLinkLabel* customerLabel = nullptr;  // 1467
  CLinkLabel* enteredLabel = nullptr;   // 1483
  CLinkLabel* currencyLink = nullptr;   // 1207
  CLinkLabel* unpaidCaption = nullptr;  // 1338
  CLinkLabel* unpaidSummary = nullptr;  // 1486
  CLinkLabel* payListSummary = nullptr; // 1484
  CLinkLabel* pagingLabel = nullptr;    // 1282
  CLinkLabel* forceLink = nullptr;      // 1280
  CLinkLabel* attachLink = nullptr;     // 1281
  CLinkLabel* takeAllLink = nullptr;    // 1365 "←←"
  CLinkLabel* returnAllLink = nullptr;  // 1409 "→→"
  CLinkLabel* takeSelectedLink = nullptr;   // 1367 "<<"
  CLinkLabel* returnSelectedLink = nullptr; // 1368 ">>"
  CLinkLabel* numberListLink = nullptr;     // 1387 "№"
  std::vector<CLinkLabel*> monthLinks;      // 1470 .. 1481
  QPushButton* pageButton = nullptr;        // 1491

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Build(QSize screen);
  void ReadControls();
  void WriteControls();
  void Refresh();
  void FillRecords(CListGrid* grid, const payment::RecordList& list, int32_t marked);
  void FillPayments();
  std::vector<int32_t> SelectedIds(CListGrid* grid) const;
  void GridClick(CListGrid* grid, int row, bool doubleClick);

  std::unique_ptr<payment::PaymentLink> link_;
  std::unique_ptr<payment::CPaymentForm> form_;
  payment::PaymentEnvironment env_;
  bool writing_ = false;
};
