#pragma once
// CSendScanPage: page 3 of the main view, the hand-over page.  It hosts the
// hand-over form (CSendScanDlg) at its left and lists in its grid the
// records handed over: those handed over since the page opened, the records
// of one batch, or the result of a query by conditions.  From the grid the
// operator prints labels, waybills and proforma invoices (the page print
// commands of the page base, over the grid's record ids), removes rows from
// the view, and cancels hand-overs, one record at a time or a whole batch.

#include <cstdint>
#include <string>
#include <vector>

#include "ui/ViewPage.h"

class CBrantleClientApp;
class CSendScanDlg;
struct WaybillQueryConditions;

class CSendScanPage : public CViewPage {
 public:
  CSendScanPage();
  ~CSendScanPage() override;

  void OnPageCreated() override;
  void OnPageCommand() override;
  void OnNewRecord() override;
  void OnRowDoubleClick(int row) override;
  void OnSave() override;
  void OnQuery() override;
  qintptr OnRecordSaved(quintptr wParam, qintptr lParam) override;
  qintptr OnGridMenuCommand(quintptr wParam, qintptr lParam) override;

  // ---- own operations ----
  void RefreshRow(int flag, int32_t recordId);
  void ListBatch(int32_t batchId);
  void ShowCancelButton(int32_t batchId);
  void CancelBatch();
  void CancelSelectedRows();
  int CancelSelected(int32_t recordId);
  // The sent records of the conditions (the query dialog's, with the send
  // date as its date kind).
  void QuerySentRecords(const WaybillQueryConditions& conditions);

  CSendScanDlg* Form() const { return form_; }
  int32_t CurrentBatch() const { return currentBatch_; }
  bool CancelRight() const { return cancelRight_ != 0; }

 private:
  CBrantleClientApp* App() const;
  // Appends the rows of a reply; the number appended.
  int AddRows(const std::string& reply);
  void RenumberRows(int from);
  bool RunQuery(const std::string& sql, std::string& reply);
  bool RunExecute(const std::string& sql, std::string& reply, int& code);

  CSendScanDlg* form_ = nullptr;
  int cancelRight_ = 0;
  int32_t currentBatch_ = 0;
  std::vector<int32_t> cancelIds_;
  std::u16string lastQueryFailure_;  // why the last query failed; empty when it did not
};
