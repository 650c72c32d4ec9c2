#pragma once
// The about dialog: program icon, name, version line and an OK button.

#include <QDialog>

class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

// Builds the about dialog and runs it modally.
void RunAboutDialog(QWidget* parent = nullptr);
