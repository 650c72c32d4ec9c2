#pragma once
// CSettlementPage: page 5 of the main view, the settlement statement page.
// The page shows its list grid under its title; its forms and list
// operations join it here.

#include "ui/QuickSearchList.h"
#include "ui/ViewPage.h"

class CSettlementPage : public CViewPage {
 public:
  CSettlementPage();
  ~CSettlementPage() override;

  void OnPageCreated() override;
  void OnQuery() override;

  // The record list on the left (the entry panel).
  CQuickSearchList* quickList = nullptr;
};
