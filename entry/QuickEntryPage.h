#pragma once
// CQuickEntryPage: page 0 of the main view, the quick entry page: the quick entry form beside the list of waybills keyed.
// The page shows its list grid under its title; its forms and list
// operations join it here.

#include "ui/ViewPage.h"

class CQuickEntryPage : public CViewPage {
 public:
  CQuickEntryPage();
  ~CQuickEntryPage() override;

  void OnPageCreated() override;
};
