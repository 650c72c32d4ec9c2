#include "consolidation/PickListDialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>

void CPickListDialog::WatchKeys(std::initializer_list<QWidget*> widgets) {
  installEventFilter(this);
  for (QWidget* w : widgets) w->installEventFilter(this);
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
