#pragma once
// CBagSealPage: page 11 of the main view, the bag sealing page (command
// 32845): the bag list (the quick-search pane in its bag mode, open and
// sealed bags) on the left and the bag seal form (CBagSealDlg) beside it.
// The page forwards the main frame's query, save (seal), new and print
// label commands to its pane and form, and opens the bag of a pane row.

#include <functional>
#include <memory>

#include "consolidation/BagLabels.h"
#include "consolidation/BaggingServices.h"
#include "ui/QuickSearchList.h"
#include "ui/ViewPage.h"

class CBagSealDlg;
class CViewHost;

class CBagSealPage : public CViewPage {
 public:
  CBagSealPage();
  ~CBagSealPage() override;

  void OnPageCreated() override;
  void OnQuery() override;
  void OnSave() override;
  void OnNewRecord() override;
  void OnPrintLabel() override;
  qintptr OnQuickListOpen(quintptr wParam, qintptr lParam) override;
  void OnRowDoubleClick(int row) override { (void)row; }

  CBagSealDlg* Form() const { return form_; }

  // Makes the form's services over the view's host (the program gives the
  // bagging form's, app/BaggingServices.h); without it the form runs
  // without a server.
  std::function<std::unique_ptr<CBaggingServices>(CViewHost*)> makeServices;
  // Prints a bag's labels through the program (app/BagSealServices.h):
  // "装袋标签", then with `bothLabels` "封袋标签"; 1 when the first printed.
  std::function<int(CViewHost* host, const BagLabelSources& sources, bool bothLabels)> printLabels;

  // The record list on the left (the entry panel).
  CQuickSearchList* quickList = nullptr;

 private:
  std::unique_ptr<CBaggingServices> services_;
  CBagSealDlg* form_ = nullptr;
};
