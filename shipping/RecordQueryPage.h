#pragma once
// CRecordQueryPage: page 13 of the main view, the record query page.
// The page shows its list grid under its title; its forms and list
// operations join it here.

#include "ui/ViewPage.h"

class CRecordQueryPage : public CViewPage {
 public:
  CRecordQueryPage();
  ~CRecordQueryPage() override;

  void OnPageCreated() override;
};
