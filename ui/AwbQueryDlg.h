#pragma once
// CAwbQueryDlg: the conditions of the master air waybill lists.  The main
// view keeps one for the whole run: dates and the date kind persist, the
// route is set back to "any" at every opening.

#include <array>
#include <memory>
#include <vector>

#include <QColor>

#include "ui/QueryDlgBase.h"
#include "ui/QuickSearchQueries.h"

class QComboBox;
struct AirlineEntry;

class CAwbQueryDlg : public CQueryDlgBase, public AwbQueryConditions {
  Q_OBJECT

 public:
  explicit CAwbQueryDlg(QWidget* parent = nullptr);

  // The airlines the route box was filled from (set on opening).
  const std::vector<std::unique_ptr<AirlineEntry>>* airlines = nullptr;

  CLinkLabel* dateKindLabel = nullptr;  // 1085
  CLinkLabel* dateLabel = nullptr;      // 1061
  CLinkLabel* brokerLabel = nullptr;    // 1069
  CLinkLabel* agentLabel = nullptr;     // 1548
  CLinkLabel* tagsLabel = nullptr;      // 1073
  QComboBox* stateList = nullptr;       // 1070
  QComboBox* routeBox = nullptr;        // 1523
  // Unpaid and paid boxes of transport, customs declaration, clearance,
  // delivery and other fees.
  std::array<QCheckBox*, 10> feeBoxes{};

  QLineEdit* awbSerialBox = nullptr;
  QLineEdit* dateFromBox = nullptr;
  QLineEdit* brokerBox = nullptr;
  QLineEdit* destinationBox = nullptr;
  QLineEdit* dateToBox = nullptr;
  QLineEdit* flightNoBox = nullptr;
  QLineEdit* originBox = nullptr;
  QLineEdit* tagsBox = nullptr;
  QLineEdit* awbPrefixBox = nullptr;
  QLineEdit* agentBox = nullptr;

  // Label colour and caption of each date kind.
  std::array<QColor, 2> dateKindColors{QColor(0, 128, 0), QColor(0, 0, 128)};
  std::array<std::u16string, 2> dateKindCaptions;

  // The date label: the last 24 hours.
  void OnDateLabel();
  // The date-kind label: the next kind, its caption and colour, then the
  // 24-hour preset.
  void OnDateKindLabel();
  // A route chosen from the list: the prefix of the airline of that short
  // name, or none.
  void OnRouteChosen(int index);

 protected:
  void OnOpen() override;
  bool ReadControls() override;
  void WriteControls() override;
  void ResetConditions() override;

 private:
  void ShowDateKind();
  std::array<bool*, 10> FeeFlags();
};
