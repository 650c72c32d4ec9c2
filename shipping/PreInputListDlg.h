#pragma once
// CPreInputListDlg: the two order lists of the pickup dispatch page
// (CPreInputPage): the recent pickup orders without a courier and those
// with a courier or a plan.  Both lists can refresh on a timer; clicking
// the count label reloads both; double-clicking an order opens the
// dispatch dialog (CPickupDispatchDlg).

#include <QDate>
#include <QWidget>

#include <functional>
#include <string>

#include "shipping/PickupDispatchDlg.h"

// The header of the order lists ("记录列表" in Chinese).
inline constexpr int32_t kPreInputListHeaderText = 630012;

class CLinkLabel;
class CListGrid;
class QCheckBox;
class QLineEdit;
class QTimer;

class CPreInputListDlg : public QWidget {
 public:
  // `services` are the page's; they outlive the dialog.
  CPreInputListDlg(QWidget* parent, PickupServices& services);
  ~CPreInputListDlg() override;

  // Empties both lists and leaves the paused state (the page is set up).
  void StartLists();

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

  // Today for the date limit (the system clock when not set).
  std::function<QDate()> today;
  // Runs the dispatch dialog (exec when not set); true on OK.
  std::function<bool(CPickupDispatchDlg&)> runDialog;

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
  std::string DateLimitText() const;
  void Fill(CListGrid* list, bool assigned, const std::string& sql);

  PickupServices& services_;
};
