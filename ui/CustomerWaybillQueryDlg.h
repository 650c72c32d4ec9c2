#pragma once
// CCustomerWaybillQueryDlg: the conditions of the list of the waybills one
// customer printed himself.  Built for one customer and one use; every
// opening starts from the reset values.

#include <array>
#include <vector>

#include <QColor>

#include "ui/QueryDlgBase.h"

class QComboBox;
class QListWidget;

class CCustomerWaybillQueryDlg : public CQueryDlgBase {
  Q_OBJECT

 public:
  static constexpr size_t kMaxSelectedKinds = 500;

  CCustomerWaybillQueryDlg(int32_t customerId, std::u16string customer, QWidget* parent = nullptr);

  QComboBox* recordStateList = nullptr;  // 1070
  CLinkLabel* reservedLabel = nullptr;   // 1222
  CLinkLabel* tagsLabel = nullptr;       // 1073
  CLinkLabel* dateKindLabel = nullptr;   // 1085
  CLinkLabel* dateLabel = nullptr;       // 1061
  QListWidget* kindList = nullptr;       // 1000
  QLineEdit* customerBox = nullptr;      // 1285
  std::array<QCheckBox*, 2> checkBoxes{};  // not verified, verified
  std::array<QCheckBox*, 3> payBoxes{};    // monthly, cash, collect
  QLineEdit* dateFromBox = nullptr;
  QLineEdit* internalCodeBox = nullptr;
  QLineEdit* departmentBox = nullptr;
  QLineEdit* dateToBox = nullptr;
  QLineEdit* tagsBox = nullptr;
  QLineEdit* reservedBox = nullptr;
  QLineEdit* senderBox = nullptr;

  bool payUnchecked = false;
  bool payChecked = false;
  bool payMonthly = true;
  bool payCash = false;
  bool payCollect = false;
  int32_t recordState = 11;
  std::u16string dateFrom;
  std::u16string internalCode;
  std::u16string department;
  std::u16string dateTo;
  std::u16string tags;
  std::u16string reserved;
  std::u16string sender;
  int32_t customerId = 0;
  std::u16string customer;
  int32_t dateKind = 0;
  std::array<QColor, 3> dateKindColors{QColor(0, 128, 0), QColor(0, 0, 128), QColor(128, 0, 0)};
  std::array<std::u16string, 3> dateKindCaptions;
  // The ticked kinds (list indexes); a count of 0 means no kind condition.
  int32_t selectedKindCount = 0;
  std::vector<std::u16string> kindNames;
  std::vector<int32_t> selectedKinds;
  std::u16string dateFromBound;
  std::u16string dateToBound;

  void OnDateLabel();
  void OnDateKindLabel();

 protected:
  void OnOpen() override;
  bool ReadControls() override;
  void WriteControls() override;
  void ResetConditions() override;
  bool AcceptConditions() override;

 private:
  void ShowDateKind();
};
