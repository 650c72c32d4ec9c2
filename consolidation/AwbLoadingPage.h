#pragma once
// CAwbLoadingPage: page 12 of the main view, the page that loads bags onto master air waybills.
// The page shows its list grid under its title; its forms and list
// operations join it here.

#include "ui/QuickSearchList.h"
#include "ui/ViewPage.h"

class CAwbLoadingPage : public CViewPage {
 public:
  CAwbLoadingPage();
  ~CAwbLoadingPage() override;

  void OnPageCreated() override;
  void OnQuery() override;

  // The record list on the left (the entry panel).
  CQuickSearchList* quickList = nullptr;
};
