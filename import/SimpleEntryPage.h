#pragma once
// CSimpleEntryPage: page 15 of the main view, the streamlined entry page for multi-piece waybills.
// The page shows its list grid under its title; its forms and list
// operations join it here.

#include "ui/ViewPage.h"

class CSimpleEntryPage : public CViewPage {
 public:
  CSimpleEntryPage();
  ~CSimpleEntryPage() override;

  void OnPageCreated() override;
};
