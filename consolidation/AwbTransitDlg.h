#pragma once
// CAwbTransitDlg: the transit editor of one master air waybill (dialog
// "总单运转信息编辑"): flight, take-off time, state and five dated transit
// steps in Chinese and English.  The status panel runs it modally on its
// record; the load and the save are consolidation/AwbTransit.h.
//
// Keys: Enter and Down move on like Tab in every control (Enter never
// presses a button), Up moves back, Esc does nothing, Ctrl+S saves and
// Ctrl+D clears.  A click on a row label "1." to "5." fills that step from a
// common prompt and stamps its date with the current minute.

#include <QDialog>

#include <array>
#include <functional>
#include <string>

#include "consolidation/AwbList.h"
#include "consolidation/AwbTransit.h"
#include "server/ProcedureCall.h"

class CLinkLabel;
class QComboBox;
class QLineEdit;
class QPushButton;

// What the status panel and the transit editor ask of the program.
struct AwbDeskServices {
  // "sSqlQuery" and "sSqlExe", each request with a reply of its own (the
  // window's versions wait through platform::WaitForWork).
  serverlink::ProcedureSender query;
  serverlink::ProcedureSender execute;
  // The common-prompt picker: true with the prompt chosen (false when there
  // is none or the operator cancelled).
  std::function<bool(std::u16string&)> chooseCommonPrompt;
  // The attachments dialog of a master air waybill number.
  std::function<void(QWidget*, const std::u16string&)> openAttachments;
  // The current local time as "%Y-%m-%d %H:%M" (unset: the clock).
  std::function<std::u16string()> now;
  // The user holds one of the three attachment rights.
  bool attachmentsAllowed = false;
};

class CAwbTransitDlg : public QDialog {
  Q_OBJECT

 public:
  CAwbTransitDlg(QWidget* parent, const AwbDeskServices& services, const AwbStatusRecord& record);

  // Loads and runs the dialog modally: kIdOk after a save, else kIdCancel.
  int DoModal();
  // What DoModal does before the modal loop (tests drive the dialog
  // without one).
  void InitDialog();

  void LoadTransit();
  // Saves; closes with OK on success.  False when the dialog stays open.
  bool SaveTransit();
  void ClearTransit();
  void FillStep(int n);

  // The fields as last read from or written to the boxes.
  const awbtransit::TransitFields& Fields() const { return fields_; }

  QLineEdit* numberEdit = nullptr;
  QLineEdit* flightEdit = nullptr;
  QLineEdit* takeOffEdit = nullptr;
  QComboBox* stateBox = nullptr;
  std::array<CLinkLabel*, awbtransit::kSteps> stepLabels{};
  std::array<QLineEdit*, awbtransit::kSteps> dateEdits{};
  std::array<QLineEdit*, awbtransit::kSteps> detailEdits{};
  std::array<QLineEdit*, awbtransit::kSteps> detailEnglishEdits{};
  std::array<QLineEdit*, awbtransit::kSteps> placeEdits{};
  std::array<QLineEdit*, awbtransit::kSteps> placeEnglishEdits{};
  QPushButton* okButton = nullptr;
  QPushButton* clearButton = nullptr;
  QPushButton* cancelButton = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void ReadControls();
  void WriteControls();

  AwbDeskServices services_;
  AwbStatusRecord record_;
  awbtransit::TransitFields fields_;
};
