#pragma once
// CPaymentPage: page 9 of the main view, the customer payments page.
// The page shows its list grid under its title; its forms and list
// operations join it here.

#include "ui/QuickSearchList.h"
#include "ui/ViewPage.h"

class CPaymentPage : public CViewPage {
 public:
  CPaymentPage();
  ~CPaymentPage() override;

  void OnPageCreated() override;
  void OnQuery() override;

  // The record list on the left (the entry panel).
  CQuickSearchList* quickList = nullptr;
};
