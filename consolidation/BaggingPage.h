#pragma once
// CBaggingPage: page 10 of the main view, the bagging page (command 32844):
// the bag list (the quick-search pane in its bag mode) on the left and the
// bagging form (CBaggingDlg) beside it (CBagFormPage, shared with the bag
// seal page).  The page forwards the main frame's page commands to the form.

#include <functional>

#include "consolidation/BagFormPage.h"

class CBaggingDlg;

class CBaggingPage : public CBagFormPage {
 public:
  CBaggingPage();
  ~CBaggingPage() override;

  void OnNewRecord() override;
  void OnSave() override;
  void OnDelete() override;
  void OnPrintLabel() override;

  CBaggingDlg* Form() const { return form_; }

  // Sets the form's hooks (the unbagged-record picker and the bag labels)
  // once the form exists, before its settings are read.
  std::function<void(CViewHost*, CBaggingDlg&)> wireForm;

 protected:
  QWidget* MakeForm(CBaggingServices* services, QSize screen) override;
  void WireForm() override;
  void ResetForm() override;
  void OpenBag(int32_t bagId) override;

 private:
  CBaggingDlg* form_ = nullptr;
};
