#include "entry/EntryDialogKeys.h"

#include <QAbstractItemView>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include "common/TextCodec.h"

CEntryDialogKeys::CEntryDialogKeys(QDialog* dialog, QPushButton* addButton,
                                   std::function<void()> add, bool ctrlSAdds)
    : QObject(dialog),
      dialog_(dialog),
      addButton_(addButton),
      add_(std::move(add)),
      ctrlSAdds_(ctrlSAdds) {
  dialog->installEventFilter(this);
  for (QWidget* child : dialog->findChildren<QWidget*>()) child->installEventFilter(this);
}

void CEntryDialogKeys::MoveFocus(bool forward) {
  QWidget* focus = dialog_->focusWidget();
  QWidget* next = focus ? (forward ? focus->nextInFocusChain() : focus->previousInFocusChain())
                        : nullptr;
  // Skip what cannot take the focus from the keyboard.
  for (int guard = 0; next && next != focus && guard < 200; ++guard) {
    if (next->isVisible() && next->isEnabled() && (next->focusPolicy() & Qt::TabFocus) &&
        dialog_->isAncestorOf(next))
      break;
    next = forward ? next->nextInFocusChain() : next->previousInFocusChain();
  }
  if (next) next->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}

bool CEntryDialogKeys::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  const bool ctrl = key->modifiers() & Qt::ControlModifier;
  switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
      QWidget* focus = dialog_->focusWidget();
      if (focus == nullptr) return true;
      if (focus == addButton_) {
        add_();
        return true;
      }
      MoveFocus(true);
      return true;
    }
    case Qt::Key_S:
      if (ctrl && ctrlSAdds_) {
        add_();
        return true;
      }
      break;
    case Qt::Key_Down:
    case Qt::Key_Up:
      // The grid keeps its own row keys.
      if (qobject_cast<QAbstractItemView*>(dialog_->focusWidget())) break;
      MoveFocus(key->key() == Qt::Key_Down);
      return true;
    case Qt::Key_Escape:
      return true;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

CPlaceSuggestPopup* AddPlaceSuggestions(QLineEdit* name, QLineEdit* alias, QLineEdit* codeA) {
  auto* popup = new CPlaceSuggestPopup(name->window());
  auto* binding = new CSuggestEditBinding(name, popup);
  // The binding has written the Chinese name; the rest of the entry follows.
  binding->onPick = [popup, alias, codeA](int row) {
    const PlaceEntry* hit = popup->Source().GetHit(row);
    if (hit == nullptr) return;
    alias->setText(QString::fromStdU16String(WideFromGbk(hit->English())));
    codeA->setText(QString::fromStdU16String(WideFromGbk(hit->Code())));
  };
  return popup;
}
