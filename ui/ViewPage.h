#pragma once
// CViewPage: the base of the seventeen work pages of the main view.
//
// A page is a child window of the view carrying a list grid with a count
// label above it, and usually an entry panel on its left or a window of its
// own in place of the grid.  The view's menu and toolbar commands and the
// private messages of the page's hosted dialogs reach the page as the virtual
// operations below; a page class overrides the ones it needs.
//
// The page object is built with the view; its window contents (grid and
// count label) are built the first time the view shows the page
// (CreatePageWindow), and from then on the page is only shown and hidden.
// A page knows its view only as the widget that owns it; what it needs of
// the application and the frame (the screen size) it asks of the view's host.
//
// Every server request a page (or a dialog it hosts) makes from the window
// thread goes through platform::WaitForWork (platform/QtWaitForWork.h): the
// window keeps painting and takes no input until the answer is in.  Long
// lists loaded in chunks run on a worker thread of their own instead.  A
// hosted dialog that saved or deleted a record posts WM_PAGE_NOTIFY with a
// copy of it as the message's payload (platform/QtMessages.h), which the
// page takes with TakePayload; never the address of the dialog's record.

#include <QWidget>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/QtMessages.h"
#include "ui/ListGrid.h"
#include "ui/LinkLabel.h"


class CViewHost;
class CPrintDoors;
class QAction;
class QKeyEvent;

// Private messages between pages and the windows they host.
inline constexpr int WM_PAGE_NOTIFY = platform::kWmUser + 104;
inline constexpr int WM_CAPTURE_PARCEL = platform::kWmUser + 126;

// The messages a page maps to its operations.
enum : int {
  kWmGridMenuCommand = platform::kWmUser + 103,
  kWmPageRelayout = platform::kWmUser + 105,
  kWmRecordAmount = platform::kWmUser + 109,
  kWmPrintProgress = platform::kWmUser + 110,
  kWmListParameter = platform::kWmUser + 113,
  kWmTextNotice = platform::kWmUser + 117,
  kWmWeightUpdated = platform::kWmUser + 118,
  kWmSetCommandFlag = platform::kWmUser + 123,
  kWmQuickListOpen = platform::kWmUser + 124,
};

// Text id of the count label ("%1" = number of rows).
inline constexpr int32_t kPageCountTextId = 120051;

// The enable flags of a page, which the view's menu and toolbar read.
struct ViewPageFlags {
  int32_t listOnly = 0;            // 1 list only, 0 entry panel and list
  bool pasteReady = false;         // paste-all (32785)
  bool exportEnabled = false;      // export (32792)
  bool deleteEnabled = false;      // delete (32783)
  bool saveEnabled = false;        // save (32772)
  bool newEnabled = true;          // new record (toolbar 32782)
  bool command32776Enabled = false;
  bool queryEnabled = false;       // query (32790, F4)
  bool saveFollowsMode = false;    // ShowListMode sets save = entry mode
  bool waybillEnabled = false;     // waybill printing (32818)
  bool invoiceEnabled = false;     // proforma invoice printing (32819)
  bool labelEnabled = false;       // label printing (32817)
  bool excelImportEnabled = false; // Excel import (32821)
};

// Sets the flag chosen by type (0 save, 1 delete, 2 and 5 query, 3 new,
// 4 command 32776, 6 invoice, 7 waybill, 8 label, 9 Excel import) to on == 1;
// any other type changes nothing.
void SetPageCommandFlag(ViewPageFlags& flags, int64_t type, int64_t on);

class CViewPage : public QWidget, public ViewPageFlags {
 public:
  explicit CViewPage(QWidget* parent = nullptr);
  ~CViewPage() override;
  CViewPage(const CViewPage&) = delete;
  CViewPage& operator=(const CViewPage&) = delete;

  // ---- Members the view and the page classes set ----
  int32_t index = -1;                      // 0..16, given by the view
  CLinkLabel* countLabel = nullptr;        // page title and row count
  CListGrid* grid = nullptr;               // the page's main list
  bool created = false;                    // window built and laid out
  std::u16string title;                    // count label and export title
  QWidget* entryPanel = nullptr;           // left panel in entry mode
  QWidget* replacementChild = nullptr;     // shown instead of grid and label
  int32_t panelWidth = 0;                  // room left of the grid in entry mode
  QWidget* ownerView = nullptr;            // the view that owns the page
  CViewHost* host = nullptr;               // the view's host, given with ownerView

  // Builds the page's window contents (count label and grid) as a child of
  // the parent, placed at (0, 0) with the given size.  The view calls it once,
  // before OnPageCreated.
  void CreatePageWindow(QWidget* parent, QSize size);

  // ---- Virtual page operations, in this order ----
  virtual void OnPageCommand() {}
  virtual void SortList() {}
  virtual void OnImportExcel() {}
  virtual void OnPrintLabel();
  virtual void OnPrintWaybill();
  virtual void OnPrintInvoice(int toFile);
  virtual void SpareOperation1() {}
  virtual void SpareOperation2() {}
  virtual void OnRefresh() {}
  virtual int SpareLookup(int value) { (void)value; return -1; }
  virtual void OnSelectAll();
  virtual void OnFilePrint() {}
  virtual void OnQuery() {}
  virtual void OnExportReport();
  virtual void OnDelete() {}
  virtual void OnSave() {}
  virtual void OnPasteAll() {}
  virtual void OnCopyAll() {}
  virtual void OnNewRecord() {}
  virtual void OnRowDoubleClick(int row) { (void)row; }
  virtual void ShowListMode(int listOnlyMode);
  virtual void UpdateCountLabel();
  virtual void OnPageCreated();
  virtual qintptr OnRecordAmount(quintptr wParam, qintptr lParam);
  virtual qintptr OnTextNotice(quintptr wParam, qintptr lParam);
  virtual qintptr OnGridMenuCommand(quintptr wParam, qintptr lParam);
  virtual qintptr OnRecordSaved(quintptr wParam, qintptr lParam);
  virtual qintptr OnRelayout(quintptr wParam, qintptr lParam);
  virtual qintptr OnListParameter(quintptr wParam, qintptr lParam);
  virtual qintptr OnPrintProgress(quintptr wParam, qintptr lParam);
  virtual qintptr OnWeightUpdated(quintptr wParam, qintptr lParam);
  virtual qintptr OnSetCommandFlag(quintptr type, qintptr on);
  virtual qintptr OnQuickListOpen(quintptr wParam, qintptr lParam);

  // ---- Plain members ----
  // Deletes every grid row, then UpdateCountLabel.
  void ClearList();
  // The grid's row removal of the command menu, the one routine every page
  // binds: command 0 removes the rows that are not selected, command 1 the
  // selected ones; with `renumber` column 0 of every remaining row then
  // shows its row number from 1.  With `totalsRow` the grid's last row is a
  // totals row: it is never removed, and the totals lose the removed rows'
  // values (CListGrid::DeleteRowKeepTotals).  The count label follows.
  // False (nothing changed) for another command or when no row went.
  bool RemoveRows(int command, bool renumber = true, bool totalsRow = false);
  // With no grid rows: 0 and the array untouched.  Otherwise the array is
  // replaced by the record ids of the selected rows in row order; returns
  // how many.
  int GetSelectedIds(std::vector<int32_t>& ids) const;

  // Hands a private message to the page operation the message map names,
  // with its parameters unchanged; false for a message the page does not map.
  bool DispatchPageMessage(int message, quintptr wParam, qintptr lParam, qintptr& result);

  // The screen size the layout uses (recorded at start-up by the
  // application, through the host; the primary screen when the page has no
  // host).
  QSize ScreenSize() const;

  // ---- printing: the common print commands over the page's grid ----
  // OnPrintInvoice, OnPrintWaybill and OnPrintLabel above print the rows
  // selected in the grid (row data = record id).  The several-waybill
  // print reports each printed record and then 0 as kWmPrintProgress;
  // the base OnPrintProgress clears printBusy on 0 or less, so a page's
  // override calls the base first.
  // The print block: the page that receives the progress, the copies and
  // the ids chosen for printing, in grid order.
  struct PrintBlock {
    int spare = 0;
    QObject* progressWindow = nullptr;
    int copies = 1;
    std::vector<int32_t> ids;
  };
  PrintBlock printBlock;
  int printBusy = 0;  // 1 while a print of this page runs
  // The print doors of the application (null without one: the commands
  // do nothing).
  CPrintDoors* PrintDoors() const;
  // The pause between sheets and invoices (tests make it nothing).
  std::function<void(int ms)> printPause;
  // The print confirmation (kind 0 invoice, 1 label, 2 waybill): true with
  // the copies on OK.  Unset: dialog 155.
  std::function<bool(int kind, const std::u16string& message, int& copies)> confirmPrint;
  // Fills the print block's ids from the selected rows in grid order; 0
  // (the message `noneText`, 160004 unless a page has its own) when none
  // is selected.
  int CollectPrintSelection(int32_t noneText = 160004);
  // Waits for a running several-waybill print to end.
  void JoinPrintWorker();

 protected:
  // Besides the private messages: while the focus is in the entry panel, a
  // key that is one of the main frame's shortcuts (Ctrl+S, F2, F4, Ctrl+P)
  // reaches the form first; the frame's command runs only when the form
  // passes the key on.  One rule for every page's form.
  bool event(QEvent* e) override;

  // The pieces of the print commands a page with print rules of its own
  // puts together.
  // The common start: false while the grid is empty, a print runs or there
  // are no print doors; else the busy flag is set.
  bool BeginPrint();
  // Clears the busy flag on every way out of a print on the window thread.
  struct PrintBusyClear {
    int& flag;
    ~PrintBusyClear() { flag = 0; }
  };
  void PausePrint(int ms);
  bool ConfirmPrint(int kind, const std::u16string& message, int& copies);
  // With no label template in the layout: asks for one (unless one is
  // current) and reloads the layout; false when there is still none.
  bool EnsureLabelLayout(CPrintDoors& doors);
  // The label print of the print block's ids: the question naming the
  // sheets, the confirmation, the sheets one after the other, and the
  // message naming the records left unprinted.
  void PrintLabelSheets(CPrintDoors& doors, int perSheet, bool pieceField);
  // How a record left unprinted by the label print is named (its id; a
  // page may show its waybill number).
  virtual std::u16string PrintRecordName(int32_t id) const;

 private:
  void OnGridDoubleClick();
  // The main frame's command whose shortcut the key is, while the focus is
  // in the entry panel; null otherwise.
  QAction* FrameShortcut(const QKeyEvent& key) const;

  std::thread printWorker_;
  std::atomic<bool> printStop_{false};
};

// Builds the page object of an index 0..16 (null for none).  The program
// gives the view the factory of its page classes.
using ViewPageFactory = std::function<std::unique_ptr<CViewPage>(int index)>;
