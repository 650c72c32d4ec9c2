#pragma once
// CUnbaggedPickDlg (dialog 184): waybills not yet (fully) in a bag and not
// on a master air waybill, for the operator of the bagging form to pick
// instead of scanning.  A modeless child of the bagging form, created
// hidden on first use and then only shown and hidden.  Each pick is sent
// to the target as WM_RECORD_PICKED (waybill id, piece position + 10,000 x
// row); the target adds the item and, when the add returned 1 or more,
// calls RemoveRow (row = lParam / 10,000) before the send returns.
//
//   picker = new CUnbaggedPickDlg(link, rules, baggingForm);
//   picker->SetTarget(baggingForm);
//   picker->SetPerWaybillItems(switch19);
//   picker->show();
// The number-list links ask importNumbers for the numbers (the
// application's ImportNumberList) and query them; the clickable captions
// of the service kind, label and reserve filters ask chooseServiceKind
// (the service kinds in a single-choice list) and choosePrompt (the common
// prompts); the destination box offers the destination directory's
// suggestions once SetDestinations has given it.


#include <functional>
#include <string>
#include <vector>

#include "consolidation/PickListDialog.h"
#include "consolidation/UnbaggedPicker.h"

class CDestinationTable;
class CLinkLabel;
class CServerLink;
class CSuggestEditBinding;
class CSuggestPopup;
class QLineEdit;
class QPushButton;

class CUnbaggedPickDlg : public CPickListDialog {
 public:
  CUnbaggedPickDlg(CServerLink& link, PieceWeightRules rules, QWidget* parent = nullptr);

  void SetTarget(QObject* target) { target_ = target; }
  // Per-waybill items (the bagging switch): multi-piece waybills are never
  // expanded into pieces.
  void SetPerWaybillItems(bool on) { perWaybillItems_ = on; }

  // The date query with the filters (button 筛选 &S).
  void Query();
  // The waybills of a list of numbers: waybill numbers (↓.№) or transfer
  // numbers (↓o№).
  void AddByNumberList(bool waybillNumbers, const std::vector<std::u16string>& numbers);
  // Sends every selected row, the last first (command 2).
  void HandOverSelected();
  // 0 drops the rows not selected, 1 the selected rows, 2 hands over.
  void OnGridCommand(int command);
  void RemoveWaybillRows(int32_t waybillId);
  std::u16string DateQueryText() const;

  // The destination box's suggestions (none until given).
  void SetDestinations(CDestinationTable* destinations);

  // The application's choices behind the clickable captions and links:
  // each answers 1 (a choice made) or 0 / below 0 (none).
  std::function<int(QWidget* parent, std::u16string& choice)> chooseServiceKind;
  std::function<int(std::u16string& choice)> choosePrompt;
  // The numbers of a list: waybill numbers (true) or transfer numbers.
  std::function<int(std::vector<std::u16string>& numbers, bool waybillNumbers)> importNumbers;

  // ↓.№ (true) and ↓o№ (false): a list of numbers from importNumbers.
  void OnNumberListLink(bool waybillNumbers);

  QLineEdit* serviceKindBox = nullptr;
  QLineEdit* destinationBox = nullptr;
  QLineEdit* labelBox = nullptr;
  QLineEdit* reserveBox = nullptr;
  QPushButton* filterButton = nullptr;
  CLinkLabel* serviceKindCaption = nullptr;
  CLinkLabel* labelCaption = nullptr;
  CLinkLabel* reserveCaption = nullptr;
  CLinkLabel* byWaybillLink = nullptr;
  CLinkLabel* byTransferLink = nullptr;
  CSuggestPopup* destinationPopup = nullptr;

 protected:
  void GridCommand(int command) override { OnGridCommand(command); }
  // Posts the first selected row.
  void RowDoubleClicked() override;

 private:
  void FillList(const std::u16string& query);
  qintptr PickParameter(int row) const;

  CServerLink& link_;
  PieceWeightRules rules_;
  QObject* target_ = nullptr;
  bool perWaybillItems_ = false;
  CSuggestEditBinding* destinationBinding_ = nullptr;
};
