#pragma once
// CPreInputPage: page 16 of the main view, the pickup dispatch of
// pre-input orders.  Beside the staff pane on the left, its list dialog
// (CPreInputListDlg) lists the recent pickup orders without a courier and
// those with a courier or a plan.  Picking a staff name in the pane lists
// that courier's orders.

#include "shipping/PickupDispatchDlg.h"
#include "shipping/PreInputListDlg.h"
#include "ui/QuickSearchList.h"
#include "ui/ViewPage.h"

class CPreInputPage : public CViewPage {
 public:
  CPreInputPage();
  ~CPreInputPage() override;

  void OnPageCreated() override;
  void OnQuery() override;
  qintptr OnQuickListOpen(quintptr wParam, qintptr lParam) override;

  // What the page uses of the program (the application's when the page has
  // one; tests fill it themselves).
  PickupServices services;
  bool servicesSet = false;

  CQuickSearchList* quickList = nullptr;
  // The order lists, to the right of the pane (built in OnPageCreated).
  CPreInputListDlg* listDlg = nullptr;

 private:
  void FillServices();
};
