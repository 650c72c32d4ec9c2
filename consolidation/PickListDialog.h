#pragma once
// What the modeless list dialogs that hand records to the form that opened
// them share (the bag list and the unbagged-record picker): the list with
// its command menu and the count line under the filters; the receiver's
// RemoveRow; the menu's commands 0 (drop the rows not selected) and 1 (drop
// the selected rows); and the keys: Enter acts as Tab, Up moves to the
// previous control and is then handled as usual, Down acts as Tab, Esc
// does nothing; with no focused control Up and Down do nothing.  Closing
// only hides the dialog: it keeps its rows for the next opening.

#include <QDialog>

#include <cstdint>
#include <initializer_list>

class CListGrid;
class QLabel;

class CPickListDialog : public QDialog {
 public:
  // Removes a row the receiver has handled; an index out of range does
  // nothing.
  void RemoveRow(int row);

  CListGrid* list = nullptr;
  QLabel* countLabel = nullptr;

 protected:
  // countText: the count line's language text (%1 the number of rows).
  CPickListDialog(int32_t countText, QWidget* parent);

  // The grid's command menu (0, 1 and the dialog's own 2) and a double
  // click on a row.
  virtual void GridCommand(int command) = 0;
  virtual void RowDoubleClicked() = 0;
  // Commands 0 and 1: drops, from the last row to the first, the rows that
  // are not selected (0) or are (1); nothing on an empty list.
  void DropRows(int command);
  void ShowCount();
  // Gives the keys of these widgets (and the dialog's own) the rules above.
  void WatchKeys(std::initializer_list<QWidget*> widgets);

  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  int32_t countText_;
};
