#pragma once
// CListPickDlg: the small modal dialog in which the operator picks one line
// of a list of texts.  A quick-locate box above the list jumps to the first
// line containing the typed text; Enter in that box takes the line.
//
//   CListPickDlg dlg(this);
//   dlg.SetList(&names, AppLanguage().Text(170010));
//   if (dlg.DoModal() == platform::kIdOk) use(dlg.result);

#include <QDialog>

#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

class CListPickDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CListPickDlg(QWidget* parent = nullptr);

  // The lines to offer (may be null: an empty list) and the window caption.
  // The lines are read when the dialog opens.
  void SetList(const std::vector<std::u16string>* items, std::u16string caption);

  // Opens the dialog; kIdOk when a line was taken, kIdCancel otherwise.
  int DoModal();

  // Fills the dialog: what DoModal does before the dialog is shown (tests
  // call it to drive the dialog without a modal loop).
  void InitDialog();

  // Index of the selected line, -1 when none.
  int selectedIndex = 0;
  // The chosen line.  (It hides QDialog::result(); the dialog code is what
  // DoModal returns.)
  std::u16string result;

  QLineEdit* QuickLocateEdit() const { return quickLocateEdit_; }
  QListWidget* ListBox() const { return listBox_; }
  QPushButton* ClearButton() const { return clearButton_; }
  QPushButton* OkButton() const { return okButton_; }
  QPushButton* CancelButton() const { return cancelButton_; }

 public slots:
  // Takes the selected line and closes the dialog with OK.
  void OnOK();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void OnQuickLocateEdited(const QString& text);
  void OnClear();
  void ReadControls();

  QLabel* quickLocateLabel_;
  QLineEdit* quickLocateEdit_;
  QPushButton* clearButton_;
  QListWidget* listBox_;
  QPushButton* okButton_;
  QPushButton* cancelButton_;

  std::u16string caption_;
  const std::vector<std::u16string>* items_ = nullptr;
  std::vector<std::u16string> lines_;  // the lines shown, as read at opening
};
