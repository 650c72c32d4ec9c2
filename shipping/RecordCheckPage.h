#pragma once
// CRecordCheckPage: page 2 of the main view, the record check page.  The
// record check form (CRecordCheckDlg) sits at its left; the grid shows every
// record the form finds or an import changes, and the records of a query by
// conditions.
//
// A query loads its rows on a worker thread in chunks of up to 5000 records,
// one request at a time through the server link (RecordCheckList.h); the
// rows come to the window thread as posted messages and are added there.
// Printing goes through the application's waybill print job, several
// records on a print worker that reports its progress with WM_USER+110.

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "shipping/RecordCheckList.h"
#include "ui/ViewPage.h"

class CRecordCheckDlg;

class CRecordCheckPage : public CViewPage {
 public:
  CRecordCheckPage();
  ~CRecordCheckPage() override;

  void OnPageCreated() override;
  void OnQuery() override;
  void OnSave() override;
  void OnPrintWaybill() override;
  void OnFilePrint() override;
  qintptr OnGridMenuCommand(quintptr wParam, qintptr lParam) override;
  qintptr OnRecordSaved(quintptr wParam, qintptr lParam) override;
  qintptr OnPrintProgress(quintptr wParam, qintptr lParam) override;

  // Asks for the conditions and starts the chunked load.
  void QueryRecords();
  // Starts the chunked load of a statement on the worker; false (and the
  // busy flag clear) when a load runs already or the worker cannot start.
  bool StartQuery(const std::string& statement);
  // Adds the rows, or rewrites the row of a record already listed when
  // `updateExisting`; the highest record id.
  uint32_t AddRows(std::vector<RecordCheckRow> rows, bool updateExisting);
  // Reads one record again and shows it (ignored while a query loads).
  void ReloadRecord(int32_t recordId);
  // Prints the waybills of the selected records.
  void PrintRecords();

  bool QueryBusy() const { return queryBusy_.load(); }
  bool PrintBusy() const { return printBusy_; }
  CRecordCheckDlg* Form() const { return form_; }

  // How requests are sent (default: the host's server link).  Tests
  // replace it.
  std::function<RecordCheckQuery()> makeQuery;
  // Starts a thread (tests make it fail).
  std::function<std::thread(std::function<void()>)> startThread;
  // The copies of a print of `count` records, 0 when cancelled (default:
  // the print confirmation of the page base, kind 2 waybill).
  std::function<int(int count)> askCopies;
  // Prints one waybill (default: the application's print job).
  std::function<int(int32_t id, int copies)> printWaybill;

 protected:
  bool event(QEvent* e) override;

 private:
  RecordCheckQuery Query();
  void JoinWorkers();

  CRecordCheckDlg* form_ = nullptr;
  std::atomic<bool> queryBusy_{false};
  std::atomic<bool> stopping_{false};
  std::atomic<int> printFailures_{0};  // waybills the print job did not produce
  bool printBusy_ = false;
  int printCopies_ = 1;
  std::vector<int32_t> printIds_;
  std::thread queryWorker_;
  std::thread printWorker_;
};
