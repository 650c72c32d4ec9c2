#pragma once
// CBagSealPage: page 11 of the main view, the bag sealing page.
// The page shows its list grid under its title; its forms and list
// operations join it here.

#include "ui/QuickSearchList.h"
#include "ui/ViewPage.h"

class CBagSealPage : public CViewPage {
 public:
  CBagSealPage();
  ~CBagSealPage() override;

  void OnPageCreated() override;
  void OnQuery() override;

  // The record list on the left (the entry panel).
  CQuickSearchList* quickList = nullptr;
};
