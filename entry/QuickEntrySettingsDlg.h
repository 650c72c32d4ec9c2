#pragma once
// CQuickEntrySettingsDlg: the defaults the quick entry form gives every new
// waybill (settlement indicator, payment way, delivery way, waybill state,
// origin, currency) and what it prints after each save.  The dialog keeps
// nothing of its own: the host copies its current values into `values`,
// runs the dialog and takes `values` back on OK.  Every list starts at the
// host's value (the delivery way by its value 0 or 1, whatever order its
// texts sort in), so OK after changing one choice changes nothing else.

#include <QDialog>

#include <cstdint>
#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QLabel;

struct QuickEntrySettingsValues {
  int labelPrint = 0;           // 标签
  int carrierWaybillPrint = 0;  // 第三方面单(转)
  int ownWaybillPrint = 0;      // 本公司面单(内)
  std::u16string payDir = u"PP";
  int payWay = 0;               // 0..2
  int deliveryWay = 0;          // 0 or 1
  int state = 0;                // 0..10
  int invoiceCopies = 0;
  std::u16string origin = u"JP";
  std::u16string money = u"USD";
};

class CPrintDoors;

// What the settings ask printed after waybill `id` was saved: the waybill
// on the carrier's stock, on the own stock, then the proforma invoices.
void PrintAfterEntrySave(CPrintDoors& doors, const QuickEntrySettingsValues& choices, int32_t id);

class CQuickEntrySettingsDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CQuickEntrySettingsDlg(QWidget* parent = nullptr);
  ~CQuickEntrySettingsDlg() override;

  QuickEntrySettingsValues values;
  // Labels per sheet of the application's label layout; -1 (or no function)
  // when it holds no template.
  std::function<int()> labelsPerSheet;

  // Shows `values` and runs modally: kIdOk with `values` read back, else
  // kIdCancel with `values` untouched.
  int DoModal();
  // Shows `values` in the controls (DoModal does it first).
  void ShowValues();
  // Reads the controls into `values`; false (with the message shown) when
  // the copy count is not a whole number.
  bool ReadValues();

  QCheckBox* LabelBox() const { return labelBox_; }
  QCheckBox* CarrierBox() const { return carrierBox_; }
  QCheckBox* OwnBox() const { return ownBox_; }
  QComboBox* PayDirList() const { return payDir_; }
  QComboBox* PayWayList() const { return payWay_; }
  QComboBox* DeliveryList() const { return delivery_; }
  QComboBox* StateList() const { return state_; }
  QLineEdit* CopiesEdit() const { return copies_; }
  QLineEdit* OriginEdit() const { return origin_; }
  QComboBox* MoneyList() const { return money_; }
  QPushButton* OkButton() const { return ok_; }

 public slots:
  void accept() override;

 private:
  void OnPaymentChange();
  void OnLabelCheck();

  QCheckBox* labelBox_;
  QCheckBox* carrierBox_;
  QCheckBox* ownBox_;
  QComboBox* payDir_;
  QComboBox* payWay_;
  QComboBox* delivery_;
  QComboBox* state_;
  QLineEdit* copies_;
  QLineEdit* origin_;
  QComboBox* money_;
  QPushButton* ok_;
  QPushButton* cancel_;
};
