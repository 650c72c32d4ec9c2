#pragma once
// CCustomerQueryDlg: the conditions of the customer list.  The list builds
// one afresh for every query, so it always opens with the defaults.

#include <array>

#include "ui/QueryDlgBase.h"
#include "ui/QuickSearchQueries.h"

class QRadioButton;

class CCustomerQueryDlg : public CQueryDlgBase, public CustomerQueryConditions {
  Q_OBJECT

 public:
  explicit CCustomerQueryDlg(QWidget* parent = nullptr);

  CLinkLabel* businessDateLabel = nullptr;  // 1339
  CLinkLabel* activeDateLabel = nullptr;    // 1407
  CLinkLabel* createdDateLabel = nullptr;   // 1405
  CLinkLabel* webAccountLabel = nullptr;    // 1341
  CLinkLabel* tagsLabel = nullptr;          // 1077

  QCheckBox* unpricedBox = nullptr;
  QCheckBox* unreconciledBox = nullptr;
  std::array<QCheckBox*, 3> payBoxes{};
  std::array<QRadioButton*, 2> recordsRadios{};

  QLineEdit* accountBox = nullptr;
  QLineEdit* addressBox = nullptr;
  QLineEdit* englishAddressBox = nullptr;
  QLineEdit* createdFromBox = nullptr;
  QLineEdit* shortNameBox = nullptr;
  QLineEdit* cityBox = nullptr;
  QLineEdit* activeDateBox = nullptr;
  QLineEdit* businessFromBox = nullptr;
  QLineEdit* businessToBox = nullptr;
  QLineEdit* createdToBox = nullptr;
  QLineEdit* faxBox = nullptr;
  QLineEdit* customerNoBox = nullptr;
  QLineEdit* groupBox = nullptr;
  QLineEdit* tagsBox = nullptr;
  QLineEdit* nameBox = nullptr;
  QLineEdit* englishNameBox = nullptr;
  QLineEdit* minDebtBox = nullptr;
  QLineEdit* phoneBox = nullptr;
  QLineEdit* provinceBox = nullptr;
  QLineEdit* memberSignatureBox = nullptr;
  QLineEdit* stationBox = nullptr;
  QLineEdit* webAccountBox = nullptr;

  // Today, yesterday, the day before yesterday, and empty.
  std::array<std::u16string, 4> activeDateCycle;

  // The label presets.
  void OnBusinessDateLabel();
  void OnCreatedDateLabel();
  void OnActiveDateLabel();
  void OnWebAccountLabel();

 protected:
  void OnOpen() override;
  bool ReadControls() override;
  void WriteControls() override;
  void ResetConditions() override;

 private:
  void LockToUser();
};
