#pragma once
// CEntryDialogKeys: the key rules the goods lines and piece weights dialogs
// share, applied before a control sees the key:
//   Enter    on the add button: the add; in the name edit: the first
//            suggestion (when offered) and on as Tab; elsewhere Tab;
//            swallowed when nothing has the focus
//   Ctrl+S   the add (goods lines dialog only), consumed
//   Down/Up  Tab / Shift+Tab (not in the grid)
//   Esc      swallowed: a stray Esc closes nothing keyed
//
//   keys_ = new CEntryDialogKeys(this, nameEdit, addButton, [this] { Add(); });

#include <QObject>
#include <QPointer>

#include <functional>

class QDialog;
class QLineEdit;
class QPushButton;

class CEntryDialogKeys : public QObject {
 public:
  // Watches every child widget of the dialog present now.  `add` runs for
  // Enter on the add button (and for Ctrl+S when `ctrlSAdds`).
  CEntryDialogKeys(QDialog* dialog, QLineEdit* nameEdit, QPushButton* addButton,
                   std::function<void()> add, bool ctrlSAdds);

  // Runs for Enter in the name edit before focus moves on.
  std::function<void()> takeFirstSuggestion;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void MoveFocus(bool forward);

  QDialog* dialog_;
  QPointer<QLineEdit> nameEdit_;
  QPointer<QPushButton> addButton_;
  std::function<void()> add_;
  bool ctrlSAdds_;
};
