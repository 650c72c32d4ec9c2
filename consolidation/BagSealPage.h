#pragma once
// CBagSealPage: page 11 of the main view, the bag sealing page (command
// 32845): the bag list (the quick-search pane in its bag mode, open and
// sealed bags) on the left and the bag seal form (CBagSealDlg) beside it.
// The page forwards the main frame's query, save (seal), new and print
// label commands to its pane and form, and opens the bag of a pane row
// (CBagFormPage, shared with the bagging page).

#include <functional>

#include "consolidation/BagFormPage.h"
#include "consolidation/BagLabels.h"

class CBagSealDlg;
class CViewHost;

class CBagSealPage : public CBagFormPage {
 public:
  CBagSealPage();
  ~CBagSealPage() override;

  void OnSave() override;
  void OnNewRecord() override;
  void OnPrintLabel() override;
  void OnRowDoubleClick(int row) override { (void)row; }

  CBagSealDlg* Form() const { return form_; }

  // The services (makeServices) are the bagging form's.
  // Prints a bag's labels through the program (app/BagSealServices.h):
  // "装袋标签", then with `bothLabels` "封袋标签"; 1 when the first printed.
  std::function<int(CViewHost* host, const BagLabelSources& sources, bool bothLabels)> printLabels;

 protected:
  QWidget* MakeForm(CBaggingServices* services, QSize screen) override;
  void WireForm() override;
  void ResetForm() override;
  void OpenBag(int32_t bagId) override;

 private:
  CBagSealDlg* form_ = nullptr;
};
