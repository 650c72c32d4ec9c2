#pragma once
// CAwbStatusDlg: the left-hand panel of the master air waybill list page.
// It shows the master air waybill last chosen in the list and offers four
// actions on it: save its state, ask the page to apportion the fees of the
// listed master air waybills, keep its attachments and edit its transit
// steps.  Every change is told to the page window as WM_PAGE_NOTIFY, sent
// (a direct call) with the address of the panel's record: 0 state saved,
// 1 apportion the fees (no record), 2 transit saved.

#include <QWidget>

#include "consolidation/AwbList.h"
#include "consolidation/AwbTransitDlg.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

class CAwbStatusDlg : public QWidget {
  Q_OBJECT

 public:
  explicit CAwbStatusDlg(QWidget* parent = nullptr);

  // Captions, the state list, the attachments button by the rights; then
  // ClearPanel.  Call once the services are set.
  void InitPanel(const AwbDeskServices& services);

  // The current record into the boxes; the buttons enabled.
  void ShowRecord();
  // Row key 0, boxes empty, the buttons but apportion disabled.
  void ClearPanel();
  void SaveStatus();
  void RequestApportion();
  void EditTransit();
  void OpenAttachments();

  // The master air waybill shown (filled by the page).
  AwbStatusRecord record;
  // The page the notices go to.
  QObject* pageWindow = nullptr;
  // The operator holds one of the three attachment rights (set once).
  bool attachmentsAllowed = false;

  QComboBox* stateBox = nullptr;
  QLineEdit* numberEdit = nullptr;
  QLineEdit* flightEdit = nullptr;
  QPushButton* saveStateButton = nullptr;
  QPushButton* apportionButton = nullptr;
  QPushButton* attachmentsButton = nullptr;
  QPushButton* transitButton = nullptr;
  QToolButton* iconButton = nullptr;

  // The transit editor of EditTransit; tests watch for it.
  CAwbTransitDlg* runningTransit = nullptr;

 private:
  void Notify(int kind, AwbStatusRecord* record);
  void EnableButtons(bool on);

  AwbDeskServices services_;
};
