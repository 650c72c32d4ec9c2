#include "consolidation/PickListDialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>

#include "common/LanguageTable.h"
#include "platform/QtText.h"
#include "ui/ListGrid.h"

CPickListDialog::CPickListDialog(int32_t countText, QWidget* parent)
    : QDialog(parent), countText_(countText) {
  countLabel = new QLabel(this);
  list = new CListGrid(this);
  list->SetHighlightMode(2);
  list->setShowGrid(true);
  list->EnableRowData(true);
  list->EnableHeaderSort(true);
  list->SetNotifyWnd(this);
}

void CPickListDialog::RemoveRow(int row) {
  if (row < 0 || row >= list->RowCount()) return;
  list->DeleteRow(row);
  ShowCount();
}

void CPickListDialog::DropRows(int command) {
  if (list->RowCount() == 0) return;
  for (int row = list->RowCount() - 1; row >= 0; --row)
    if (list->IsRowSelected(row) == (command == 1)) list->DeleteRow(row);
  ShowCount();
}

void CPickListDialog::ShowCount() {
  countLabel->setText(
      platform::ToQString(AppLanguage().TextWithNumber(countText_, list->RowCount())));
}

void CPickListDialog::WatchKeys(std::initializer_list<QWidget*> widgets) {
  installEventFilter(this);
  for (QWidget* w : widgets) w->installEventFilter(this);
}

bool CPickListDialog::event(QEvent* e) {
  if (auto* m = platform::AsPrivateMessage(e)) {
    if (m->Message() == kGridMsgCommand) {
      GridCommand(static_cast<int>(m->WParam()));
      return true;
    }
    if (m->Message() == kGridMsgDoubleClick) {
      RowDoubleClicked();
      return true;
    }
    if (m->Message() == kGridMsgClick) return true;
  }
  return QDialog::event(e);
}

bool CPickListDialog::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, e);
  const bool focused = QApplication::focusWidget() != nullptr;
  switch (static_cast<QKeyEvent*>(e)->key()) {
    case Qt::Key_Escape:
      return true;
    case Qt::Key_Up:
      if (!focused) return true;
      focusNextPrevChild(false);
      return false;
    case Qt::Key_Down:
      if (focused) focusNextPrevChild(true);
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      focusNextPrevChild(true);
      return true;
    default:
      return QDialog::eventFilter(watched, e);
  }
}

void CPickListDialog::closeEvent(QCloseEvent* e) {
  e->ignore();
  hide();
}
