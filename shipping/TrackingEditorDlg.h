#pragma once
// CTrackEditDlg: the tracking editor window of the single-waybill view.
// It edits the tracking lines of one waybill, its status and sign-off and
// its header text, in Chinese or English; the work itself is
// CTrackingEditor's (TrackingEditor.h).  The window is modeless and lives
// as long as its view; closing it only hides it.

#include <QDialog>

#include <functional>
#include <memory>
#include <string>

#include "shipping/TrackingEditor.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class CLinkLabel;

class CTrackEditDlg : public QDialog {
  Q_OBJECT

 public:
  CTrackEditDlg(std::shared_ptr<TrackingEditorLink> link, QWidget* parent = nullptr);
  ~CTrackEditDlg() override;

  void SetRights(bool canEdit, bool showTrackingWeight);
  // Shows the editor for a waybill.
  void Open(int32_t recordId, std::u16string_view caption, std::u16string_view number);

  // The buttons and links.
  void OnSaveLine();
  void OnDeleteLine();
  void OnResetLine();
  void OnSubmit();
  void OnSwitchLanguage();
  void OnPickLine(int row);

  std::function<bool(std::u16string& prompt)> chooseCommonPrompt;
  CTrackingEditor& Editor() { return *editor_; }

  // ---- controls ----
  QPlainTextEdit* numberBox = nullptr;   // 1121
  QLineEdit* positionBox = nullptr;      // 1433
  QLineEdit* dateBox = nullptr;          // 1003
  QLineEdit* placeBox = nullptr;         // 1120
  QLineEdit* detailBox = nullptr;        // 1424
  QComboBox* statusBox = nullptr;        // 1070
  QLineEdit* deliveryBox = nullptr;      // 1449
  QLineEdit* signedBox = nullptr;        // 1109
  QPlainTextEdit* headerBox = nullptr;   // 1450
  QTreeWidget* lineList = nullptr;       // 1000
  QPushButton* saveButton = nullptr;     // 1012
  QPushButton* deleteButton = nullptr;   // 1013
  QPushButton* resetButton = nullptr;    // 1314
  QPushButton* submitButton = nullptr;   // 1451
  CLinkLabel* languageLink = nullptr;    // 1447
  QLabel* lineLabel = nullptr;           // 1339

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ApplyLanguage();
  void ShowValues();
  void ShowLine();
  void TakeLine();
  void TakeStatus();
  void Report(const TrackingWriteResult& result, int successText);

  std::shared_ptr<TrackingEditorLink> link_;
  std::unique_ptr<CTrackingEditor> editor_;
  bool firstOpen_ = true;
  CLinkLabel* dateLabel_ = nullptr;      // 1061
  CLinkLabel* deliveryLabel_ = nullptr;  // 1332
  CLinkLabel* placeLabel_ = nullptr;     // 1125
  CLinkLabel* detailLabel_ = nullptr;    // 1126
  QLabel* positionLabel_ = nullptr;      // 1330
  QLabel* statusLabel_ = nullptr;        // 1331
  QLabel* signedLabel_ = nullptr;        // 1334
  QLabel* headerLabel_ = nullptr;        // 1335
};
