#pragma once
// CDirectoryPage: page 4 of the main view, the sender/receiver directory page.
// The page shows its list grid under its title; its forms and list
// operations join it here.

#include "ui/ViewPage.h"

class CDirectoryPage : public CViewPage {
 public:
  CDirectoryPage();
  ~CDirectoryPage() override;

  void OnPageCreated() override;
};
