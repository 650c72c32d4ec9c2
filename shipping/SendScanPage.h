#pragma once
// CSendScanPage: page 3 of the main view, the hand-over page: parcels sent to the next carrier.
// The page shows its list grid under its title; its forms and list
// operations join it here.

#include "ui/ViewPage.h"

class CSendScanPage : public CViewPage {
 public:
  CSendScanPage();
  ~CSendScanPage() override;

  void OnPageCreated() override;
};
