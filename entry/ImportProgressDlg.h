#pragma once
// CImportProgressDlg: the small window beside page 0 while a workbook is
// imported.  It shows how many sheet rows were read and how many waybills
// saved, and lets the operator stop the import: the stop button, Esc and
// the close box all ask the import to stop before its next row (the rows
// saved so far stay saved).  The page opens it while the import runs and
// closes it when the import has ended.

#include <QDialog>

#include <functional>
#include <utility>

#include <QTimer>

class QLabel;
class QPushButton;

class CImportProgressDlg : public QDialog {
  Q_OBJECT

 public:
  // `counts` gives the row being read and the waybills saved; `stop` asks
  // the import to stop.
  CImportProgressDlg(std::function<std::pair<int, int>()> counts, std::function<void()> stop,
                     QWidget* parent = nullptr);

  // Shows the counts now (a timer does it while the window is shown).
  void Refresh();
  bool StopAsked() const { return stopAsked_; }

  QLabel* CountLabel() const { return countLabel_; }
  QPushButton* StopButton() const { return stopButton_; }

 public slots:
  void reject() override;

 private:
  void AskStop();

  std::function<std::pair<int, int>()> counts_;
  std::function<void()> stop_;
  bool stopAsked_ = false;
  QLabel* countLabel_ = nullptr;
  QPushButton* stopButton_ = nullptr;
  QTimer timer_;
};
