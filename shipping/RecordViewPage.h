#pragma once
// CRecordViewPage: page 8 of the main view, the single-waybill view page.
// The page shows its list grid under its title; its forms and list
// operations join it here.

#include "ui/QuickSearchList.h"
#include "ui/ViewPage.h"

class CRecordViewPage : public CViewPage {
 public:
  CRecordViewPage();
  ~CRecordViewPage() override;

  void OnPageCreated() override;
  void OnQuery() override;

  // The record list on the left (the entry panel).
  CQuickSearchList* quickList = nullptr;
};
