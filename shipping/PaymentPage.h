#pragma once
// CPaymentPage: page 9 of the main view, the customer payments page.  The
// customer list on the left; beside it the payment form (CPaymentDlg) in
// place of the page's grid.

#include <memory>

#include "shipping/PaymentForm.h"
#include "ui/QuickSearchList.h"
#include "ui/ViewPage.h"

class CPaymentDlg;
class CServerLink;
class CViewHost;

class CPaymentPage : public CViewPage {
 public:
  CPaymentPage();
  ~CPaymentPage() override;

  void OnPageCreated() override;
  void OnQuery() override;
  qintptr OnQuickListOpen(quintptr wParam, qintptr lParam) override;
  void OnNewRecord() override;
  void OnSave() override;
  void OnDelete() override;
  void OnCopyAll() override;
  void OnPasteAll() override;
  void OnPrintInvoice(int) override {}
  void OnRowDoubleClick(int) override {}

  // The record list on the left (the entry panel).
  CQuickSearchList* quickList = nullptr;
  CPaymentDlg* dialog = nullptr;
};

// What the payment form needs of the program, from the view's host (its
// application and server link); defaults where the host has none.
payment::PaymentEnvironment MakePaymentEnvironment(CViewHost* host, CServerLink& link);
