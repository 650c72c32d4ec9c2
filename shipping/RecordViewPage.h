#pragma once
// CRecordViewPage: page 8 of the main view, the single-waybill view.  The
// record list on the left (220 pixels) lists waybills by the query dialog;
// the view beside it (CRecordViewDlg) finds one waybill by its numbers or
// by the row opened in the list and shows its details and tracking.

#include "shipping/RecordViewDlg.h"
#include "ui/QuickSearchList.h"
#include "ui/ViewPage.h"

class CRecordViewPage : public CViewPage {
 public:
  CRecordViewPage();
  ~CRecordViewPage() override;

  void OnPageCreated() override;
  void OnQuery() override;
  qintptr OnQuickListOpen(quintptr wParam, qintptr lParam) override;

  // The record list on the left (the entry panel).
  CQuickSearchList* quickList = nullptr;
  CRecordViewDlg* view = nullptr;
};

// The view's services from a page host (its application's link, rights and
// look-ups when it has one; its server link alone otherwise).
RecordViewServices MakeRecordViewServices(CViewHost* host);
