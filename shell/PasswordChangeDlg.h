#pragma once
// The password-change dialog: the new password typed twice.  OK checks it
// (CheckNewPassword) and ends the dialog with Accepted when it is acceptable;
// the main frame then sends it to the server.

#include <QDialog>

#include <string>

class QLineEdit;
class QPushButton;

class CPasswordChangeDlg : public QDialog {
  Q_OBJECT

 public:
  // `strongRequired`: numbered settings text 72 begins with '1'.
  explicit CPasswordChangeDlg(bool strongRequired, QWidget* parent = nullptr);

  // The new password as typed (read after Accepted).
  const std::u16string& NewPassword() const { return newPassword_; }
  const std::u16string& RepeatedPassword() const { return repeated_; }

  QLineEdit* NewPasswordEdit() const { return newEdit_; }
  QLineEdit* RepeatedPasswordEdit() const { return repeatEdit_; }
  QPushButton* OkButton() const { return okButton_; }
  QPushButton* CancelButton() const { return cancelButton_; }

 public slots:
  void accept() override;

 protected:
  // Enter (except on OK and Cancel) and Down move to the next field, Up to
  // the previous one.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool strongRequired_;
  std::u16string newPassword_;
  std::u16string repeated_;
  QLineEdit* newEdit_ = nullptr;
  QLineEdit* repeatEdit_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
};
