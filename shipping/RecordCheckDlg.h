#pragma once
// CRecordCheckDlg: the narrow form at the left of the record check page.
// The operator scans or keys a waybill number; the form finds the record,
// prints its waybill and proforma invoices when asked and has the page show
// it.  Number lists from a file or the clipboard are checked the same way,
// and the form starts the field update and fee imports (RecordImport.h).
//
// Server requests and print jobs run through platform::WaitForWork; the
// page hears of every record found or changed through WM_PAGE_NOTIFY (1, id).

#include <QWidget>

#include <functional>
#include <memory>
#include <string>

#include "shipping/RecordCheck.h"
#include "shipping/RecordImport.h"

// Captions of the form: the fixed Chinese ones, English from the language
// data in English.
inline constexpr int32_t kRecordCheckInnerListText = 630010;     // "↓内№"
inline constexpr int32_t kRecordCheckTransferListText = 630011;  // "↓转№"
inline constexpr int32_t kRecordCheckWaybillText = 130009;       // "第三方面单(转)"

class CLinkLabel;
class CColorButton;
class CViewHost;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

class CRecordCheckDlg : public QWidget {
 public:
  explicit CRecordCheckDlg(QWidget* parent = nullptr);
  ~CRecordCheckDlg() override;

  // The page that shows the records, and the view's host (the application,
  // the server link).
  void SetPage(QObject* page, CViewHost* host);
  // Captions, the fee-import settings, the first number mode.
  void OnInitDialog();

  void OnGo();
  int32_t CheckRecord(std::string_view number, bool showMessages);
  void ToggleNumberMode();
  void SetNumberMode(int mode);
  void CheckNumberList(int kind);
  void ImportFieldUpdate();
  void ImportFees();

  // How the field update's file and columns are chosen; by default a file
  // dialog and the captions of the file's header.  Tests replace it.
  std::function<bool(FieldUpdateChoice&)> chooseFieldUpdate;
  // How the fee workbook is chosen (empty: cancelled).  Tests replace it.
  std::function<std::u16string()> chooseFeeFile;
  // The report of the last import.
  const RecordImportReport& LastReport() const { return lastReport_; }

  int NumberMode() const { return checker_.numberMode; }
  int32_t LastRecordId() const { return checker_.lastRecordId; }
  const FeeImportSettings& Settings() const { return settings_; }
  QLineEdit* NumberEdit() const { return numberEdit_; }
  QPushButton* FeeButton() const { return feeButton_; }
  QPushButton* UpdateButton() const { return updateButton_; }
  QCheckBox* WaybillCheck() const { return waybillCheck_; }
  QSpinBox* InvoiceCopies() const { return invoiceCopies_; }
  CLinkLabel* ModeLabel() const { return modeLabel_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  RecordCheckServices Services();
  void ReadForm();
  bool DefaultFieldUpdateChoice(FieldUpdateChoice& choice);
  void FinishImport(const RecordImportReport& report, bool showWithoutErrors);
  void Notify(int32_t id);

  QObject* page_ = nullptr;
  CViewHost* host_ = nullptr;
  CRecordChecker checker_;
  FeeImportSettings settings_;
  RecordImportReport lastReport_;

  CLinkLabel* innerListLabel_ = nullptr;  // 1387 "↓内№"
  CLinkLabel* transferListLabel_ = nullptr;  // 1388 "↓转№"
  CLinkLabel* modeLabel_ = nullptr;        // 1142
  QLineEdit* numberEdit_ = nullptr;        // 1042
  QCheckBox* waybillCheck_ = nullptr;      // 1253
  QSpinBox* invoiceCopies_ = nullptr;      // 1323
  CColorButton* colorButton_ = nullptr;    // 1015
  QPushButton* goButton_ = nullptr;        // 1393
  QPushButton* updateButton_ = nullptr;    // 1455
  QPushButton* feeButton_ = nullptr;       // 1456
};
