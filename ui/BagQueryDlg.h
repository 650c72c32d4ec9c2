#pragma once
// CBagQueryDlg: the conditions of the bag list.  The main view keeps one for
// the whole run, so the conditions typed last are shown again (except the
// state, which every opening sets back to "any").

#include "ui/QueryDlgBase.h"
#include "ui/QuickSearchQueries.h"

class QComboBox;

class CBagQueryDlg : public CQueryDlgBase, public BagQueryConditions {
  Q_OBJECT

 public:
  explicit CBagQueryDlg(QWidget* parent = nullptr);

  QLineEdit* stationBox = nullptr;  // 1412
  CLinkLabel* tagsLabel = nullptr;  // 1073
  CLinkLabel* dateLabel = nullptr;  // 1061
  CLinkLabel* awbLabel = nullptr;   // 1337
  QComboBox* stateList = nullptr;   // 1070

  QLineEdit* awbNumberBox = nullptr;
  QLineEdit* dateFromBox = nullptr;
  QLineEdit* airportToBox = nullptr;
  QLineEdit* dateToBox = nullptr;
  QLineEdit* airportFromBox = nullptr;
  QLineEdit* controlNoBox = nullptr;
  QLineEdit* creatorBox = nullptr;
  QLineEdit* tagsBox = nullptr;
  QLineEdit* stationToBox = nullptr;
  QLineEdit* bagNoBox = nullptr;

  // The 24-hour preset of the date label.
  void OnDateLabel();

 protected:
  void OnOpen() override;
  bool ReadControls() override;
  void WriteControls() override;
  void ResetConditions() override;
  bool OnDialogKey(QKeyEvent* event, bool release) override;
};
