#pragma once
// The small dialogs of the full waybill form: the extra-numbers pane
// (transfer, reference and customs numbers, the reserved text and number),
// the spare-fields pane (spare texts 1 to 5), both shown in the form's
// bottom area, and the modal freight-collect and cash-on-delivery dialog.

#include <QDialog>
#include <QWidget>

#include <array>
#include <functional>
#include <string>

class CLinkLabel;
class QLineEdit;

// What both panes share: Enter and Down act as Tab, Up as Shift+Tab, Esc is
// swallowed, Ctrl+S saves the form; a label picks a common phrase.
class CWaybillPane : public QWidget {
 public:
  explicit CWaybillPane(QWidget* parent);
  std::function<void()> onSave;
  // The operator picks a phrase: true with it.
  std::function<bool(std::u16string&)> choosePhrase;

 protected:
  QLineEdit* AddField(int row, int captionId, std::u16string_view caption, int maxChars,
                      bool picksPhrase);
  bool eventFilter(QObject* watched, QEvent* event) override;
};

class CExtraNumbersDlg : public CWaybillPane {
 public:
  explicit CExtraNumbersDlg(QWidget* parent = nullptr);
  QLineEdit* transferNo;
  QLineEdit* referenceNo;
  QLineEdit* customsNo;
  QLineEdit* reserveText;
  QLineEdit* reserveNumber;
  void Clear();
};

class CSpareFieldsDlg : public CWaybillPane {
 public:
  explicit CSpareFieldsDlg(QWidget* parent = nullptr);
  std::array<QLineEdit*, 5> spare{};
  void Clear();
};

class CCodFreightDlg : public QDialog {
 public:
  explicit CCodFreightDlg(QWidget* parent = nullptr);
  // Filled by the form before exec(), read back after Accepted.
  double freightTotal = 0, freightSettled = 0, codTotal = 0, codSettled = 0;
  int freightCollect = 0;

  int exec() override;
  void accept() override;
  void Rewrite();
  QLineEdit* Edit(int n) const { return edits_[n]; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Show();
  std::array<QLineEdit*, 4> edits_{};
};
