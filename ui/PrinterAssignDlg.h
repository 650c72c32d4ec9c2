#pragma once
// CPrinterAssignDlg (dialog 161): the operator fixes a printer for each local
// print template by double-clicking its row and picking one of the installed
// printers; OK replaces the associations by the rows that have a printer.
//
//   RunPrinterAssignment(mainWindow, programFolder, app.TemplatePrinters());

#include <QDialog>

#include <string>
#include <vector>

#include "print/PrinterAssignRows.h"

class CListGrid;
class CTemplatePrinterList;
class QPushButton;

class CPrinterAssignDlg : public QDialog {
  Q_OBJECT

 public:
  CPrinterAssignDlg(std::vector<std::u16string> printers, std::vector<PrinterAssignRow> rows,
                    CTemplatePrinterList& list, QWidget* parent = nullptr);

  // The installed printer names offered by the pick list.
  std::vector<std::u16string> printerNames;

  CListGrid* List() const { return list_; }
  QPushButton* OkButton() const { return okButton_; }
  QPushButton* CancelButton() const { return cancelButton_; }

 public slots:
  void OnOK();

 protected:
  bool event(QEvent* e) override;

 private:
  void OnRowDoubleClick();

  CTemplatePrinterList& assignments_;
  CListGrid* list_;
  QPushButton* okButton_;
  QPushButton* cancelButton_;
};

// Menu command 32833: lists the installed printers; with fewer than two says
// so and ends; otherwise runs the dialog and, on OK, saves
// "printerset_x1.dat" in the program folder (ending in '/') and tells the
// operator whether that worked.
void RunPrinterAssignment(QWidget* parent, const std::string& programFolder, CTemplatePrinterList& list);
