#pragma once
// CBaggingPage: page 10 of the main view, the bagging page (command 32844):
// the bag list (the quick-search pane in its bag mode) on the left and the
// bagging form (CBaggingDlg) beside it.  The page forwards the main frame's
// page commands to the form.

#include <functional>
#include <memory>

#include "consolidation/BaggingServices.h"
#include "ui/QuickSearchList.h"
#include "ui/ViewPage.h"

class CBaggingDlg;

class CBaggingPage : public CViewPage {
 public:
  CBaggingPage();
  ~CBaggingPage() override;

  void OnPageCreated() override;
  void OnQuery() override;
  void OnNewRecord() override;
  void OnSave() override;
  void OnDelete() override;
  void OnPrintLabel() override;
  qintptr OnQuickListOpen(quintptr wParam, qintptr lParam) override;

  CBaggingDlg* Form() const { return form_; }

  // Makes the form's services over the view's host (the program gives
  // app/BaggingServices.h); without it the form runs without a server.
  std::function<std::unique_ptr<CBaggingServices>(CViewHost*)> makeServices;
  // Sets the form's hooks (the unbagged-record picker and the bag labels)
  // once the form exists, before its settings are read.
  std::function<void(CViewHost*, CBaggingDlg&)> wireForm;

  // The record list on the left (the entry panel).
  CQuickSearchList* quickList = nullptr;

 private:
  std::unique_ptr<CBaggingServices> services_;
  CBaggingDlg* form_ = nullptr;
};
