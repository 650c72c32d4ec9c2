#pragma once
// CAwbListPage: page 14 of the main view, the master air waybill list of
// the audit desk.  The operator states the conditions in the view's master
// air waybill query dialog (F4); a worker thread runs the query (at most
// 5,000 rows, consolidation/AwbList.h) and hands the rows, read into plain
// records, to the page, which lists them: the worker never touches a
// widget.  A double-click puts a row into the status panel on the left
// (CAwbStatusDlg), where its state is set, its attachments kept and its
// transit steps edited; the panel's notices update the row or run the fee
// apportionment of every listed master air waybill.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "consolidation/AwbList.h"
#include "consolidation/AwbStatusDlg.h"
#include "ui/ViewPage.h"

class CServerLink;

// The worker's message to the page: the load's result waits in the
// mailbox the page and its worker share.
inline constexpr int kWmAwbListLoaded = platform::kWmUser + 150;

class CAwbListPage : public CViewPage {
 public:
  CAwbListPage();
  ~CAwbListPage() override;

  void OnPageCreated() override;
  void OnQuery() override;
  void OnSave() override;
  void OnRowDoubleClick(int row) override;
  qintptr OnGridMenuCommand(quintptr wParam, qintptr lParam) override;
  qintptr OnRecordSaved(quintptr wParam, qintptr lParam) override;

  // Asks for the conditions and starts the query (nothing while one runs,
  // or when the dialog is not closed with OK).
  void BuildQuery();
  // Starts the worker on the statement; false while a query runs or without
  // a server link.
  bool StartQuery(const std::u16string& sql);
  bool Busy() const { return busy_.load() != 0; }
  const std::u16string& Statement() const { return sql_; }

  // Shares the fees of every listed master air waybill out to its waybills.
  void ApportionFees();
  // The row of a master air waybill: its row id and its number both match
  // (two numbers may share a row id); -1 when it is not listed.
  int FindAwbRow(int32_t rowKey, std::u16string_view number) const;

  CAwbStatusDlg* statusPanel = nullptr;

  // What the program adds (set before the page is created; unset: the
  // attachments dialog over the host's link and the host's common prompts).
  std::function<void(AwbDeskServices&, CViewHost*)> wireServices;

 protected:
  bool event(QEvent* e) override;

 private:
  CServerLink* Link() const;
  AwbDeskServices MakeServices();
  void StopWorker();
  void Loaded(awblist::LoadResult& result);

  // What the page and its worker share, under its lock: the page while it
  // lives, and the result the worker leaves for it.
  struct Mailbox {
    std::mutex mutex;
    CAwbListPage* page = nullptr;
    std::unique_ptr<awblist::LoadResult> result;
  };

  std::u16string sql_;          // the query text; the worker has its own copy
  std::atomic<int> busy_{0};    // 1 from the start of a query until its rows are listed
  std::shared_ptr<Mailbox> mailbox_;
  std::thread worker_;
};
