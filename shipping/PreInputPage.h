#pragma once
// CPreInputPage: page 16 of the main view, the pickup dispatch of
// pre-input orders.  Beside the staff pane on the left it lists the recent
// pickup orders without a courier and those with a courier or a plan; both
// lists can refresh on a timer.  Double-clicking an order opens the
// dispatch dialog (CPickupDispatchDlg); picking a staff name in the pane
// lists that courier's orders.

#include <QPointer>

#include <string>

#include "shipping/PickupDispatchDlg.h"
#include "ui/QuickSearchList.h"
#include "ui/ViewPage.h"

// The header of the order lists ("记录列表" in Chinese).
inline constexpr int32_t kPreInputListHeaderText = 630012;

class CLinkLabel;
class QCheckBox;
class QLabel;
class QLineEdit;
class QTimer;

class CPreInputPage : public CViewPage {
 public:
  CPreInputPage();
  ~CPreInputPage() override;

  void OnPageCreated() override;
  void OnQuery() override;
  qintptr OnQuickListOpen(quintptr wParam, qintptr lParam) override;

  // The two lists (nothing while paused).
  void LoadUnassigned();
  void LoadAssigned(const std::u16string* courier = nullptr);
  void ReloadBoth();
  // Opens the order of a row of either list.
  void OpenOrder(CListGrid* list, int row);
  // The auto refresh (check box) and one tick of its timer.
  void SetAutoRefresh(bool on);
  void OnTick();
  int TimerInterval() const;

  // What the page uses of the program (the application's when the page has
  // one; tests fill it themselves).
  PickupServices services;
  bool servicesSet = false;
  // Today for the date limit (the system clock when not set).
  std::function<QDate()> today;
  // Runs the dispatch dialog (exec when not set); true on OK.
  std::function<bool(CPickupDispatchDlg&)> runDialog;

  CQuickSearchList* quickList = nullptr;
  QWidget* listPanel = nullptr;
  CListGrid* unassignedList = nullptr;  // 1000
  CListGrid* assignedList = nullptr;    // 1175
  CLinkLabel* listCount = nullptr;      // 1001
  QLineEdit* intervalBox = nullptr;     // 1578
  QCheckBox* autoRefreshBox = nullptr;  // 1570
  QTimer* timer = nullptr;
  int ticks = 0;
  bool paused = true;
  bool loading = false;

 private:
  void FillServices();
  std::string DateLimitText() const;
  void Fill(CListGrid* list, bool assigned, const std::string& sql);
};
