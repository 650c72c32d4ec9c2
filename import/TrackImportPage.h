#pragma once
// CTrackImportPage: page 7 of the main view, the tracking-event import page.
// The page shows its list grid under its title; its forms and list
// operations join it here.

#include "ui/ViewPage.h"

class CTrackImportPage : public CViewPage {
 public:
  CTrackImportPage();
  ~CTrackImportPage() override;

  void OnPageCreated() override;
};
