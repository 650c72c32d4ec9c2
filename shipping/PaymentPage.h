#pragma once
// CPaymentPage: page 9 of the main view, the customer payments page.
// The page shows its list grid under its title; its forms and list
// operations join it here.

#include "ui/ViewPage.h"

class CPaymentPage : public CViewPage {
 public:
  CPaymentPage();
  ~CPaymentPage() override;

  void OnPageCreated() override;
};
