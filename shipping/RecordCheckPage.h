#pragma once
// CRecordCheckPage: page 2 of the main view, the record check page: waybills checked by scan.
// The page shows its list grid under its title; its forms and list
// operations join it here.

#include "ui/ViewPage.h"

class CRecordCheckPage : public CViewPage {
 public:
  CRecordCheckPage();
  ~CRecordCheckPage() override;

  void OnPageCreated() override;
};
