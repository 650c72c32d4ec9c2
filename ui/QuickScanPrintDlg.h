#pragma once
// CQuickScanPrintDlg: a scan station.  The operator scans a waybill's inner
// number (or, after a click on the number-kind label, its transfer number);
// the station looks it up among the saved local waybills and at once
// prints its waybill, proforma invoice and label as ticked.  A number not
// found is signalled by the failure sound and a red scan box, no message.
//
//   CQuickScanPrintDlg dlg(doors, parent);
//   dlg.exec();

#include <QDialog>
#include <QFont>

#include <string>

class CPrintDoors;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class CQuickScanPrintDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CQuickScanPrintDlg(CPrintDoors* doors, QWidget* parent = nullptr);

  // Takes the scan box and prints what is ticked for the waybill found.
  void Print();
  // Switches between inner and transfer numbers.
  void ToggleNumberKind();

  int labelTicked = 0;
  int waybillTicked = 1;
  int invoiceCopies = 1;
  std::u16string scanned;
  int numberKind = 1;  // 1 inner number, 0 transfer number
  int lastScanOk = 1;
  int labelAvailable = 0;
  int invoiceAvailable = 1;
  int waybillAvailable = 1;

  QLineEdit* ScanEdit() const { return scanEdit_; }
  QLineEdit* CopiesEdit() const { return copiesEdit_; }
  QLabel* KindLabel() const { return kindLabel_; }
  QCheckBox* LabelBox() const { return labelBox_; }
  QCheckBox* WaybillBox() const { return waybillBox_; }
  QPushButton* CloseButton() const { return closeButton_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void reject() override {}

 private:
  void TakeData();
  void PaintScanBox();

  CPrintDoors* doors_;
  QFont bigFont_;
  QLineEdit* scanEdit_;
  QLabel* kindLabel_;
  QCheckBox* labelBox_;
  QCheckBox* waybillBox_;
  QLineEdit* copiesEdit_;
  QPushButton* closeButton_;
};
