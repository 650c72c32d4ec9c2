#pragma once
// CBrantleClientView: the one view of the main frame.  It owns the seventeen
// work pages, shows one at a time (a page's window is built the first time
// it is shown and afterwards only shown and hidden), and routes the menu and
// toolbar commands to a page switch, to an operation of the current page, or
// to a handler of its own (see BrantleClientViewCommands.h).
//
// The main frame makes the view its central widget, hands it a host (what
// the view and its pages need of the application and the frame) and the
// factory of the page classes, and calls OnInitialUpdate once.  Its actions call OnCommand with their command id,
// and before a menu shows it asks UpdateCommandUi for each item.

#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "ui/AwbQueryDlg.h"
#include "ui/BagQueryDlg.h"
#include "ui/ViewCommands.h"
#include "ui/ViewHost.h"
#include "ui/ViewPage.h"
#include "ui/WaybillQueryDlg.h"

class CMainFrame;
class QAction;

class CBrantleClientView : public QWidget {
 public:
  // Builds the page object of an index.  Without one the view builds plain
  // page bases (CViewPage); the program gives it its page classes.
  using PageFactory = ViewPageFactory;

  // host: the application and frame services (null: the defaults of
  // CViewHost).  The page objects are built here, in the order 4, 0, 1, 2, 5,
  // 3, 6 .. 16, and destroyed in the reverse order.
  explicit CBrantleClientView(CViewHost* host = nullptr, QWidget* parent = nullptr,
                              PageFactory factory = {});
  ~CBrantleClientView() override;
  CBrantleClientView(const CBrantleClientView&) = delete;
  CBrantleClientView& operator=(const CBrantleClientView&) = delete;

  // Once, after the frame has placed the view: fills `pages`, gives every
  // page its index, owner and host, tells the host about the view, and shows
  // the first page the user may use (none when the user may use no page).
  void OnInitialUpdate();

  // Shows page 0..16; nothing for an index without a page, a page the user
  // may not use, or the current page.  Builds the page's window on its first
  // showing.
  void ShowPage(int pageIndex);

  // Runs a command; false when the view does not handle it.
  bool OnCommand(int command);
  // The state of a command's item (see ViewCommandState).
  ViewCommandUi CommandUi(int command) const;
  // Applies CommandUi to an action of the command.
  void UpdateCommandUi(int command, QAction* action) const;

  // The live-camera window when it exists and is visible, else null.
  QWidget* GetVisibleCaptureWnd() const;

  // Print: the current page's OnFilePrint (nothing without a page).
  void OnPrint();

  // The waybill date column of a date kind 0..2 ("ddate", "dsysdate",
  // "dsenddate"); empty for another kind.
  std::u16string DateColumnName(int dateKind) const;

  int CurrentIndex() const { return currentIndex; }
  CViewPage* CurrentPage() const { return currentPage; }
  CViewPage* Page(int pageIndex) const;
  CViewHost& Host() const { return *host_; }

  // ---- Members ----
  CMainFrame* mainFrame = nullptr;
  int32_t currentIndex = -1;
  CViewPage* currentPage = nullptr;
  std::array<CViewPage*, kViewPageCount> pages{};
  std::array<std::u16string, 3> dateColumnNames;
  // The three shared query dialogs (waybill, bag, master air waybill): built
  // with no parent, kept for the whole run so that their conditions persist;
  // pages reach them through the host (WaybillQueryDialog, BagQueryDialog,
  // AwbQueryDialog).
  CWaybillQueryDlg waybillQueryDlg;
  CBagQueryDlg bagQueryDlg;
  CAwbQueryDlg awbQueryDlg;

 private:
  void RunPageOperation(const ViewCommandRoute& route);
  void OnCommonPrompts();
  void OnCompanyWeb();

  CViewHost defaultHost_;
  CViewHost* host_;
  // Page objects by index; built and destroyed in the declaration order.
  std::array<std::unique_ptr<CViewPage>, kViewPageCount> pageObjects_;
};

// Text id of the message shown when the common prompts could not be saved.
inline constexpr int32_t kPromptsNotSavedTextId = 530001;

// The construction order of the page objects.
inline constexpr std::array<int, kViewPageCount> kPageConstructionOrder = {
    4, 0, 1, 2, 5, 3, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
