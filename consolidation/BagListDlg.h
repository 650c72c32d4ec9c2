#pragma once
// CBagListDlg (dialog 188): a modeless list of bags from which the operator
// hands bags, one by one or several at once, to the form that opened it:
// the seal form opens it in mode 0 (open bags, quick sealing), the master
// air waybill editor in mode 1 (sealed bags).  Each bag handed over is
// sent as WM_RECORD_PICKED (bag id, row) to the notify window; the receiver
// calls RemoveRow for a bag it has taken, before the send returns.
//
//   auto* list = new CBagListDlg(kBagListOpenBags, link, sealForm);
//   list->SetNotifyWnd(sealForm);
//   list->RunQuery();
//   list->show();
// Closing the window only hides it; it keeps its rows and goes with its
// opener.


#include <cstdint>

#include "consolidation/BagList.h"
#include "consolidation/PickListDialog.h"

class CServerLink;
class QComboBox;
class QLineEdit;
class QPushButton;

class CBagListDlg : public CPickListDialog {
 public:
  CBagListDlg(int mode, CServerLink& link, QWidget* parent = nullptr);

  void SetNotifyWnd(QObject* notify) { notify_ = notify; }
  QObject* NotifyWnd() const { return notify_; }
  int Mode() const { return mode_; }
  int LastRow() const { return lastRow_; }

  // Reloads the list with the filters (button 筛选 &S).
  void RunQuery();
  // Sends the first selected row (double click).
  void HandOverRow();
  // The grid's command menu: 0 removes the rows not selected, 1 the
  // selected rows, 2 hands every selected row over.
  void OnGridCommand(int command);
  // The query the filter button would run today.
  std::u16string QueryText() const;

  QComboBox* stateBox = nullptr;
  QLineEdit* fromAirportBox = nullptr;
  QLineEdit* toAirportBox = nullptr;
  QLineEdit* fromStationBox = nullptr;
  QLineEdit* toStationBox = nullptr;
  QPushButton* filterButton = nullptr;

 protected:
  void GridCommand(int command) override { OnGridCommand(command); }
  void RowDoubleClicked() override { HandOverRow(); }

 private:
  void Send(int32_t id, int row);

  int mode_;
  CServerLink& link_;
  QObject* notify_ = nullptr;
  int lastRow_ = -1;
};
