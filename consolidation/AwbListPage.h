#pragma once
// CAwbListPage: page 14 of the main view, the master air waybill list page.
// The page shows its list grid under its title; its forms and list
// operations join it here.

#include "ui/ViewPage.h"

class CAwbListPage : public CViewPage {
 public:
  CAwbListPage();
  ~CAwbListPage() override;

  void OnPageCreated() override;
};
