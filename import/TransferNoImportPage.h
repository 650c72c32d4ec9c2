#pragma once
// CTransferNoImportPage: page 6 of the main view, the transfer-number import page.
// The page shows its list grid under its title; its forms and list
// operations join it here.

#include "ui/ViewPage.h"

class CTransferNoImportPage : public CViewPage {
 public:
  CTransferNoImportPage();
  ~CTransferNoImportPage() override;

  void OnPageCreated() override;
};
