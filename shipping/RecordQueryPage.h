#pragma once
// CRecordQueryPage: page 13 of the main view, the record query page.  It
// lists waybills with the bag each one is packed in.  The operator states
// the conditions in the view's waybill query dialog; a worker thread loads
// the result in chunks (shipping/RecordQuery.h) and posts each chunk's rows
// to the page, which lists them.  The operator can then thin the list out
// and export it.

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "ui/ViewPage.h"

// Messages from the loading thread to the page.
inline constexpr int kWmRecordQueryRows = platform::kWmUser + 140;  // payload: the rows
// wParam: rows listed, or 0; payload: why the load failed (empty when it did not).
inline constexpr int kWmRecordQueryDone = platform::kWmUser + 141;

// Text ids of the page.
inline constexpr int32_t kRecordQueryTitleText = 450000;
inline constexpr int32_t kRecordQueryExportTitleText = 450001;
inline constexpr int32_t kRecordQueryLoadingText = 20029;
inline constexpr int32_t kRecordQueryNothingText = 20005;

// The page's side pane: a plain window with nothing on it.  The page makes
// it its entry panel, 1 pixel wide, so that the grid takes the whole page.
class CQueryPaneDlg : public QWidget {
 public:
  explicit CQueryPaneDlg(QWidget* parent = nullptr) : QWidget(parent) {}
};

class CRecordQueryPage : public CViewPage {
 public:
  CRecordQueryPage();
  ~CRecordQueryPage() override;

  void OnPageCreated() override;
  void OnQuery() override;
  void OnSave() override;
  qintptr OnGridMenuCommand(quintptr wParam, qintptr lParam) override;

  // Asks for the conditions and starts loading (nothing while a query runs).
  void BuildQuery();
  // Starts loading the statement (as the filter built it); false while a
  // query runs or without a server link.
  bool StartQuery(const std::u16string& sql);
  bool Busy() const { return busy_.load() != 0; }
  const std::u16string& Statement() const { return sql_; }

  CQueryPaneDlg* queryPane = nullptr;  // the entry panel

 protected:
  bool event(QEvent* e) override;

 private:
  void StopWorker();
  void Finished(int listed, const std::u16string& failure);

  // What the page and its worker share: the page while it lives, and the
  // stop request.
  struct Mailbox {
    std::mutex mutex;
    CRecordQueryPage* page = nullptr;
    std::atomic<bool> stop{false};
  };

  std::u16string sql_;          // the last query's statement (the worker has a copy)
  std::atomic<int> busy_{0};    // 1 while a query runs
  std::shared_ptr<Mailbox> mailbox_;
  std::thread worker_;
};
