#pragma once
// CTemplateChoiceDlg: the operator picks the template of one kind (invoice,
// channel waybill, label) from the names the server lists.  A click takes a
// row, a double click takes it and closes with OK; OK without a click keeps
// the current name.
//
//   CTemplateChoiceDlg dlg(parent);
//   dlg.SetKind(slot, currentName, names);
//   if (dlg.DoModal() == platform::kIdOk) use(dlg.selectedName);

#include <QDialog>

#include <string>
#include <vector>

#include "refdata/SqlRunner.h"

class CListGrid;
class CServerLink;
class CTemplateCache;
class QLabel;
class QPushButton;

class CTemplateChoiceDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CTemplateChoiceDlg(QWidget* parent = nullptr);

  // The kind slot, the current name and the names to list; the count.
  int SetKind(int slot, std::u16string currentName, std::vector<std::u16string> names);
  int DoModal();
  // What DoModal does before the dialog is shown.
  void InitDialog();
  // Takes row `row` as the selection and shows it.
  void SelectRow(int row);

  std::u16string selectedName;

  CListGrid* Grid() const { return grid_; }
  QLabel* SelectionLabel() const { return selectionLabel_; }
  QPushButton* OkButton() const { return okButton_; }
  QPushButton* CancelButton() const { return cancelButton_; }

 private:
  int slot_ = 0;
  std::vector<std::u16string> names_;
  QLabel* listLabel_;
  QLabel* selectionLabel_;
  CListGrid* grid_;
  QPushButton* okButton_;
  QPushButton* cancelButton_;
};

// The whole choice for a slot: the names are read from the server (without
// freezing the window), the dialog runs, and the chosen template becomes the
// slot's current one.  1 when the slot was set, else 0.
int ChooseTemplate(CTemplateCache& cache, CServerLink& link, const std::string& programFolder,
                   int slot, QWidget* parent);
