#include "entry/QuickEntrySettingsDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "common/LanguageTable.h"
#include "platform/MessageBox.h"
#include "print/PrintDoors.h"

namespace {

QString Tx(int id) { return QString::fromStdU16String(AppLanguage().Text(id)); }

constexpr const char16_t* kPayDirs[] = {u"PP", u"CC", u"COD", u"DP", u"MTH", u"AEM", u"OTH"};
constexpr const char16_t* kMoneys[] = {u"CNY", u"USD", u"EUR", u"JPY", u"HKD", u"MOP", u"TWD",
                                       u"RUB", u"CAD", u"AUD", u"SGD", u"INR", u"KRW", u"PHP",
                                       u"NZD", u"THB", u"VND", u"MNT", u"GBP", u"CHF"};

// Invented texts of the dialog's buttons and copy-count message.
constexpr int kSetText = 22000, kExitText = 22001, kCopiesText = 22004;

void SelectData(QComboBox* box, int value) {
  const int at = box->findData(value);
  box->setCurrentIndex(at >= 0 ? at : 0);
}

}  // namespace

CQuickEntrySettingsDlg::CQuickEntrySettingsDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(Tx(130000));
  auto* outer = new QVBoxLayout(this);

  auto* printBox = new QGroupBox(Tx(130007), this);
  auto* printRow = new QHBoxLayout(printBox);
  labelBox_ = new QCheckBox(Tx(130011), printBox);
  carrierBox_ = new QCheckBox(Tx(130009), printBox);
  ownBox_ = new QCheckBox(Tx(130008), printBox);
  printRow->addWidget(labelBox_);
  printRow->addWidget(carrierBox_);
  printRow->addWidget(ownBox_);
  outer->addWidget(printBox);

  auto* grid = new QGridLayout();
  payDir_ = new QComboBox(this);
  for (const char16_t* code : kPayDirs) payDir_->addItem(QString::fromUtf16(code));
  payWay_ = new QComboBox(this);
  for (int i = 0; i < 3; ++i) payWay_->addItem(Tx(20060 + i), i);
  // The delivery list is sorted by its texts; each item carries its value.
  delivery_ = new QComboBox(this);
  for (int i = 0; i < 2; ++i) delivery_->addItem(Tx(20100 + i), i);
  delivery_->model()->sort(0);
  state_ = new QComboBox(this);
  for (int i = 0; i <= 10; ++i) state_->addItem(Tx(20070 + i), i);
  copies_ = new QLineEdit(this);
  origin_ = new QLineEdit(this);
  origin_->setMaxLength(3);
  money_ = new QComboBox(this);
  money_->setEditable(true);
  for (const char16_t* code : kMoneys) money_->addItem(QString::fromUtf16(code));
  money_->lineEdit()->setMaxLength(3);

  int row = 0;
  auto add = [&](int caption, QWidget* field, QWidget* after = nullptr) {
    grid->addWidget(new QLabel(Tx(caption), this), row, 0);
    grid->addWidget(field, row, 1);
    if (after) grid->addWidget(after, row, 2);
    ++row;
  };
  add(130001, state_);
  add(130002, payWay_);
  add(130003, payDir_);
  add(130005, delivery_);
  add(130004, money_);
  add(130006, origin_);
  grid->addWidget(copies_, row, 1);
  grid->addWidget(new QLabel(Tx(130010), this), row, 2);
  outer->addLayout(grid);

  auto* buttons = new QHBoxLayout();
  ok_ = new QPushButton(Tx(kSetText), this);
  cancel_ = new QPushButton(Tx(kExitText), this);
  ok_->setDefault(true);
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  outer->addLayout(buttons);

  connect(ok_, &QPushButton::clicked, this, &CQuickEntrySettingsDlg::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(payWay_, &QComboBox::activated, this, [this] { OnPaymentChange(); });
  connect(labelBox_, &QCheckBox::clicked, this, [this] { OnLabelCheck(); });
}

CQuickEntrySettingsDlg::~CQuickEntrySettingsDlg() = default;

void CQuickEntrySettingsDlg::ShowValues() {
  labelBox_->setChecked(values.labelPrint != 0);
  carrierBox_->setChecked(values.carrierWaybillPrint != 0);
  ownBox_->setChecked(values.ownWaybillPrint != 0);
  const int dir = payDir_->findText(QString::fromStdU16String(values.payDir));
  payDir_->setCurrentIndex(std::max(dir, 0));
  SelectData(payWay_, values.payWay);
  SelectData(delivery_, values.deliveryWay);
  SelectData(state_, values.state);
  copies_->setText(QString::number(values.invoiceCopies));
  origin_->setText(QString::fromStdU16String(values.origin).left(3));
  money_->setEditText(QString::fromStdU16String(values.money).left(3));
}

bool CQuickEntrySettingsDlg::ReadValues() {
  bool whole = false;
  const int copies = copies_->text().trimmed().toInt(&whole);
  if (!whole) {
    platform::ShowMessageBox(AppLanguage().Text(kCopiesText), {}, platform::kMbOk);
    copies_->setFocus();
    copies_->selectAll();
    return false;
  }
  values.labelPrint = labelBox_->isChecked() ? 1 : 0;
  values.carrierWaybillPrint = carrierBox_->isChecked() ? 1 : 0;
  values.ownWaybillPrint = ownBox_->isChecked() ? 1 : 0;
  values.payDir = payDir_->currentText().toStdU16String();
  values.payWay = payWay_->currentData().toInt();
  values.deliveryWay = delivery_->currentData().toInt();
  values.state = state_->currentData().toInt();
  values.invoiceCopies = copies;
  values.origin = origin_->text().left(3).toStdU16String();
  values.money = money_->currentText().left(3).toStdU16String();
  return true;
}

int CQuickEntrySettingsDlg::DoModal() {
  const QuickEntrySettingsValues before = values;
  ShowValues();
  const int result = exec() == QDialog::Accepted ? platform::kIdOk : platform::kIdCancel;
  if (result != platform::kIdOk) values = before;
  return result;
}

void CQuickEntrySettingsDlg::accept() {
  const QuickEntrySettingsValues before = values;
  if (!ReadValues()) {
    values = before;
    return;
  }
  QDialog::accept();
}

void CQuickEntrySettingsDlg::OnPaymentChange() {
  const int way = payWay_->currentData().toInt();
  payDir_->setCurrentIndex(payDir_->findText(way > 1 ? QStringLiteral("CC") : QStringLiteral("PP")));
}

void CQuickEntrySettingsDlg::OnLabelCheck() {
  if (!labelBox_->isChecked()) return;
  const int perSheet = labelsPerSheet ? labelsPerSheet() : -1;
  if (perSheet != 1) {
    platform::ShowMessageBox(AppLanguage().Text(130012), {}, platform::kMbOk);
    labelBox_->setChecked(false);
  }
}

void PrintAfterEntrySave(CPrintDoors& doors, const QuickEntrySettingsValues& choices, int32_t id) {
  if (choices.carrierWaybillPrint) doors.PrintWaybill(id, 0, 0, 1, u"");
  if (choices.ownWaybillPrint) doors.PrintWaybill(id, 0, 1, 1, u"");
  if (choices.invoiceCopies > 0) doors.PrintProformaInvoice(id, 0, choices.invoiceCopies, 0);
}
