#pragma once
// CPreInputPage: page 16 of the main view, the pickup dispatch page of pre-input orders.
// The page shows its list grid under its title; its forms and list
// operations join it here.

#include "ui/QuickSearchList.h"
#include "ui/ViewPage.h"

class CPreInputPage : public CViewPage {
 public:
  CPreInputPage();
  ~CPreInputPage() override;

  void OnPageCreated() override;
  void OnQuery() override;

  // The record list on the left (the entry panel).
  CQuickSearchList* quickList = nullptr;
};
