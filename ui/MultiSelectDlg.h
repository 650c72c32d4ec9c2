#pragma once
// CMultiSelectDlg: the operator ticks several entries of a list of texts
// (the waybill query dialog's choice of several master air waybills or
// bags).  OK replaces the caller's selection by the selected texts in list
// order and reports in `result` the one text chosen, "★" for several, or
// nothing when none or all were chosen (no condition).
//
//   CMultiSelectDlg dlg(this);
//   dlg.SetList(caption, title, &items, &chosen);
//   if (dlg.DoModal() == platform::kIdOk) use(dlg.result, chosen);

#include <QDialog>

#include <string>
#include <vector>

class CListGrid;
class QPushButton;

// The text that stands for several chosen items.
inline constexpr std::u16string_view kSeveralItemsMarker = u"★";

class CMultiSelectDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CMultiSelectDlg(QWidget* parent = nullptr);

  // The caption, the column title (at most 63 characters), the entries and
  // the caller's selection (both not owned; the selection is read on opening
  // and replaced on OK).
  void SetList(std::u16string caption, std::u16string columnTitle,
               const std::vector<std::u16string>* items, std::vector<std::u16string>* selection);

  // Opens the dialog; kIdOk or kIdCancel.
  int DoModal();
  // What DoModal does before showing the dialog (tests drive it without a
  // modal loop).
  void InitDialog();

  CListGrid* list = nullptr;
  std::vector<std::u16string>* selection = nullptr;
  std::u16string result;
  std::u16string caption;
  std::u16string columnTitle;
  const std::vector<std::u16string>* items = nullptr;

  QPushButton* OkButton() const { return buttons_[0]; }
  QPushButton* CancelButton() const { return buttons_[1]; }
  QPushButton* SelectAllButton() const { return buttons_[2]; }
  QPushButton* InvertButton() const { return buttons_[3]; }
  QPushButton* ClearButton() const { return buttons_[4]; }

 public slots:
  void OnOK();

 protected:
  bool event(QEvent* e) override;

 private:
  void SelectRows(int how);  // 0 none, 1 all, 2 invert

  QPushButton* buttons_[5] = {};
};
