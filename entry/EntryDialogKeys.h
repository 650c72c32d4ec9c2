#pragma once
// CEntryDialogKeys: the key rules the goods lines and piece weights dialogs
// share, applied before a control sees the key:
//   Enter    on the add button: the add; elsewhere Tab (in the name edit
//            the place suggestions take it first, see AddPlaceSuggestions);
//            swallowed when nothing has the focus
//   Ctrl+S   the add (goods lines dialog only), consumed
//   Down/Up  Tab / Shift+Tab (not in the grid)
//   Esc      swallowed: a stray Esc closes nothing keyed
//
//   keys_ = new CEntryDialogKeys(this, addButton, [this] { Add(); }, true);
//   places_ = AddPlaceSuggestions(nameEdit, aliasEdit, codeAEdit);  // after the keys

#include <QObject>
#include <QPointer>

#include <functional>

#include "ui/SuggestPopup.h"

class QDialog;
class QLineEdit;
class QPushButton;

class CEntryDialogKeys : public QObject {
 public:
  // Watches every child widget of the dialog present now.  `add` runs for
  // Enter on the add button (and for Ctrl+S when `ctrlSAdds`).
  CEntryDialogKeys(QDialog* dialog, QPushButton* addButton, std::function<void()> add,
                   bool ctrlSAdds);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void MoveFocus(bool forward);

  QDialog* dialog_;
  QPointer<QPushButton> addButton_;
  std::function<void()> add_;
  bool ctrlSAdds_;
};

// The place suggestions under the goods name edit of these dialogs: typing
// searches the place dictionary (the popup's source, set by the dialog's
// caller; none: no rows), Ctrl+1..4 take hit 0..3 and Enter hit 0: the
// Chinese name goes into the name edit, the English name into the alias
// and the code into tariff code A, and the focus moves on as with Tab.
// Built after CEntryDialogKeys, so that it sees the name edit's keys first.
// The popup is a hidden child of the name edit's window.
CPlaceSuggestPopup* AddPlaceSuggestions(QLineEdit* name, QLineEdit* alias, QLineEdit* codeA);
