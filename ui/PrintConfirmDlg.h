#pragma once
// CPrintConfirmDlg: the number of copies before a page prints invoices,
// labels or waybills for the selected records, and whether that number is
// forced over the template's own count.
//
//   CPrintConfirmDlg dlg(kind, parent);   // 0 invoice, 1 label, 2 waybill
//   dlg.message = u"...";
//   if (dlg.DoModal() == platform::kIdOk) copies = dlg.GetCopies();

#include <QDialog>

#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class CPrintConfirmDlg : public QDialog {
  Q_OBJECT

 public:
  // Starting copies of each kind (the application's defaults).
  static constexpr int kDefaultCopies[3] = {2, 1, 1};

  explicit CPrintConfirmDlg(int kind, QWidget* parent = nullptr);
  int DoModal();
  void InitDialog();
  // Reads the controls into copies and force.
  void TakeData();
  // 1..9, plus 100 when forced; out-of-range copies come back as 1 or 9
  // without the force.
  int GetCopies() const;
  static int CopiesFrom(int copies, int force);

  int copies = 1;
  int force = 0;
  int kind = 0;
  std::u16string message;

  QLineEdit* CopiesEdit() const { return copiesEdit_; }
  QCheckBox* ForceBox() const { return forceBox_; }
  QPushButton* OkButton() const { return okButton_; }
  QPushButton* CancelButton() const { return cancelButton_; }

 private:
  QLineEdit* copiesEdit_;
  QLabel* messageLabel_;
  QCheckBox* forceBox_;
  QPushButton* okButton_;
  QPushButton* cancelButton_;
};
