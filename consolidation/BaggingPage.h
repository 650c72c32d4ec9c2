#pragma once
// CBaggingPage: page 10 of the main view, the bagging page: parcels packed into bags by scan.
// The page shows its list grid under its title; its forms and list
// operations join it here.

#include "ui/QuickSearchList.h"
#include "ui/ViewPage.h"

class CBaggingPage : public CViewPage {
 public:
  CBaggingPage();
  ~CBaggingPage() override;

  void OnPageCreated() override;
  void OnQuery() override;

  // The record list on the left (the entry panel).
  CQuickSearchList* quickList = nullptr;
};
