#pragma once
// CWaybillPage: page 1 of the main view.  The full waybill form is its
// entry panel; the grid lists server waybills chosen in the view's waybill
// query dialog (at most 1000 by date, or a bag's or a master air waybill's),
// follows the form's saves and deletes, and prints the selected rows (row
// id = waybill id) with the page base's print commands.

#include <cstdint>
#include <string>
#include <string_view>

#include "ui/ViewPage.h"

class CServerLink;
class CWaybillDlg;
struct WaybillRecord;

class CWaybillPage : public CViewPage {
 public:
  CWaybillPage();
  ~CWaybillPage() override;

  // The server link (tests; the application's when not set).
  void SetLink(CServerLink* link) { link_ = link; }
  CWaybillDlg* Form() const { return form_; }

  void OnPageCreated() override;
  void OnPageCommand() override;
  void OnQuery() override;
  void OnRowDoubleClick(int row) override;
  void OnNewRecord() override;
  void OnCopyAll() override;
  void OnPasteAll() override;
  void OnSave() override;
  void OnDelete() override;
  qintptr OnPrintProgress(quintptr wParam, qintptr lParam) override;
  // The scan station has done a record (wParam its id, lParam grams): its
  // row shows the weight (when grams were taken), turns green and is
  // scrolled into view.
  qintptr OnWeightUpdated(quintptr wParam, qintptr lParam) override;

  // Sends the list query and fills the grid: the number of rows listed, or
  // -1 when the reply had none (the old rows stay, text 20005 is shown).
  int RunListQuery(std::u16string_view sql);
  void OnRecordChanged(int flag, const WaybillRecord& record);

 protected:
  bool event(QEvent* e) override;

 private:
  CServerLink* Link();

  CServerLink* link_ = nullptr;
  CWaybillDlg* form_ = nullptr;
};
