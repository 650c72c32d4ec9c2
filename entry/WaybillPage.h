#pragma once
// CWaybillPage: page 1 of the main view, the full waybill entry page.
// The page shows its list grid under its title; its forms and list
// operations join it here.

#include "ui/ViewPage.h"

class CWaybillPage : public CViewPage {
 public:
  CWaybillPage();
  ~CWaybillPage() override;

  void OnPageCreated() override;
};
