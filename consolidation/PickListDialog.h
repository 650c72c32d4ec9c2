#pragma once
// The keys and the close box of the modeless list dialogs that hand
// records to the form that opened them (the bag list and the
// unbagged-record picker): Enter acts as Tab, Up moves to the previous
// control and is then handled as usual, Down acts as Tab, Esc does
// nothing; with no focused control Up and Down do nothing.  Closing only
// hides the dialog: it keeps its rows for the next opening.

#include <QDialog>

#include <initializer_list>

class CPickListDialog : public QDialog {
 public:
  using QDialog::QDialog;

 protected:
  // Gives the keys of these widgets (and the dialog's own) the rules above.
  void WatchKeys(std::initializer_list<QWidget*> widgets);
  bool eventFilter(QObject* watched, QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
};
