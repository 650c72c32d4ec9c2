#pragma once
// CQuickSearchList: the narrow record list that several work pages show on
// their left as their entry panel: customers (settlement and payments),
// waybills (single-waybill view), master air waybills (loading), bags
// (bagging and sealing) or staff names (pickup dispatch).
//
// "N" fills it with the recent records at once; the page's query command
// first asks the conditions in the query dialog of the kind.  Every fill
// runs one query through the server link (platform::WaitForWork keeps the
// window painting meanwhile) and replaces all rows; a fill that brings
// nothing, fails or is cut short keeps the rows shown before.  The search
// box above selects the first row containing the typed text; a double
// click hands the row's record id and text to the page: WM_USER+124
// (kWmQuickListOpen) is sent to `ownerWindow` with wParam the record id and
// lParam the address of `openedRowText`, which lives as long as the list.

#include <QWidget>

#include <cstdint>
#include <string>

#include "ui/QuickSearchQueries.h"

class CColorButton;
class CListGrid;
class CViewHost;
class CViewPage;
class QLabel;
class QLineEdit;

class CQuickSearchList : public QWidget {
  Q_OBJECT

 public:
  explicit CQuickSearchList(QWidget* parent = nullptr);

  // The pane's width on its page.
  static constexpr int kPanelWidth = 220;

  // Makes the list the entry panel of a page (hidden; the page's layout
  // shows it in entry mode): its mode and bag state filter, the page's panel
  // width, its place at (5, 3) with width panel width - 10 and height screen
  // height - 120, the page as owner window and the page's host.
  void AttachToPage(CViewPage& page, int listMode, int stateFilter = 0);
  // A list made the page's entry panel (AttachToPage), with the page's query
  // command enabled and the page laid out in entry mode, the list beside its
  // grid.
  static CQuickSearchList* CreateOnPage(CViewPage& page, int listMode, int stateFilter = 0);

  // Fills the list: reload 1 the recent records without a dialog (and
  // silently when nothing comes back); reload 0 asks the conditions first
  // (cancelling changes nothing) and tells the operator when nothing matched.
  // True when the rows were replaced.
  bool LoadCustomers(int reload);
  bool LoadWaybills(int reload);
  bool LoadAwbs(int reload);
  bool LoadBags(int reload);
  // The staff names of the application; nothing is sent to the server.
  void LoadStaffNames();
  // "N": the builder of the current mode with reload 1.
  void Reload();

  // Adds a record's row at the index when no row carries the id (row id =
  // newId when above 0, else the id), or replaces the text (and, with newId
  // above 0, the id) of the row that does.
  void AddOrUpdateRecord(int32_t recordId, std::u16string_view text, int rowIndex, int32_t newId);
  // Removes the row of a record id, if any.
  void RemoveRecord(int32_t recordId);
  // Master air waybill rows carry HashText30 of their number as record id,
  // which two numbers may share: these find the row by the number its text
  // holds.  The row of the number (-1 when none); its row added (at the
  // end) or its text replaced; its row removed.
  int FindAwbRow(std::u16string_view number) const;
  void AddOrUpdateAwb(std::u16string_view number, std::u16string_view text);
  void RemoveAwb(std::u16string_view number);
  void SetBagStateFilter(int filter) { bagStateFilter = filter; }

  // Opens the first selected row (the double click); false when no row is
  // selected (nothing is sent).
  bool OpenSelectedRow();

  // ---- Members ----
  CListGrid* grid = nullptr;
  QLabel* countLabel = nullptr;
  QLineEdit* searchBox = nullptr;
  CColorButton* reloadButton = nullptr;
  CColorButton* spareButton = nullptr;
  int32_t mode = kQuickCustomers;
  int32_t bagStateFilter = 0;
  QObject* ownerWindow = nullptr;
  std::u16string openedRowText;
  CViewHost* host = nullptr;

 protected:
  bool event(QEvent* e) override;

 private:
  void Layout();
  void UpdateCount(int rows);
  void OnSearchEdited();
  // Runs the text as the query of a kind and fills the rows from its reply.
  bool Fill(int kind, const std::u16string& sql, bool query);

  QLabel* searchLabel_ = nullptr;
};
