#include "ui/CustomerQueryDlg.h"

#include <QCheckBox>
#include <QDate>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <cstdio>

#include "common/DateTime.h"
#include "common/LanguageTable.h"
#include "platform/QtText.h"
#include "ui/LinkLabel.h"

using platform::FromQString;
using platform::ToQString;

namespace {
constexpr int32_t kTextCaption = 220000;
constexpr int32_t kPayWayTexts = 20060;
constexpr int32_t kTextUnpriced = 220150;
constexpr int32_t kTextUnreconciled = 220151;
constexpr int32_t kTextWithRecords = 220152;
constexpr int32_t kTextWithoutRecords = 220153;

std::u16string DateText(const QDate& date) {
  return FormatDateText(date.year(), date.month(), date.day());
}

std::u16string Number(double value, bool whole) {
  char text[64];
  if (whole) {
    std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
  } else {
    std::snprintf(text, sizeof text, "%g", value);
  }
  return std::u16string(text, text + std::char_traits<char>::length(text));
}
}  // namespace

CCustomerQueryDlg::CCustomerQueryDlg(QWidget* parent) : CQueryDlgBase(parent) {
  // Left half: the customer's own fields; right half: its waybills.
  AddLabel(0, 0, 220100);
  nameBox = AddEdit(0, 1, 63);
  AddLabel(0, 2, 220101);
  englishNameBox = AddEdit(0, 3, 127);
  AddLabel(1, 0, 220102);
  accountBox = AddEdit(1, 1, 30);
  AddLabel(1, 2, 220103);
  shortNameBox = AddEdit(1, 3, 30);
  AddLabel(2, 0, 220105);
  addressBox = AddEdit(2, 1, 127);
  AddLabel(2, 2, 220107);
  englishAddressBox = AddEdit(2, 3, 127);
  AddLabel(3, 0, 220108);
  cityBox = AddEdit(3, 1, 63);
  AddLabel(3, 2, 220109);
  provinceBox = AddEdit(3, 3, 15);
  AddLabel(4, 0, 220110);
  phoneBox = AddEdit(4, 1, 22);
  AddLabel(4, 2, 220111);
  faxBox = AddEdit(4, 3, 22);
  AddLabel(5, 0, 220112);
  customerNoBox = AddEdit(5, 1, 10);
  AddLabel(5, 2, 220113);
  groupBox = AddEdit(5, 3, 15);
  AddLabel(6, 0, 220115);
  stationBox = AddEdit(6, 1, 15);
  AddLabel(6, 2, 220116);
  memberSignatureBox = AddEdit(6, 3, 30);
  webAccountLabel = AddLink(7, 0, 220106);
  webAccountBox = AddEdit(7, 1, 63);
  tagsLabel = AddLink(7, 2, 220104);
  tagsBox = AddEdit(7, 3, 15);
  createdDateLabel = AddLink(8, 0, 220114);
  createdFromBox = AddEdit(8, 1, 19);
  AddLabel(8, 2, 220120);
  createdToBox = AddEdit(8, 3, 19);
  AddLabel(9, 0, 220117);
  minDebtBox = AddEdit(9, 1, 16);

  AddLabel(0, 4, 220121);
  recordsRadios[0] = new QRadioButton(ToQString(AppLanguage().Text(kTextWithRecords)), this);
  recordsRadios[1] = new QRadioButton(ToQString(AppLanguage().Text(kTextWithoutRecords)), this);
  grid()->addWidget(recordsRadios[0], 1, 4, 1, 2);
  grid()->addWidget(recordsRadios[1], 2, 4, 1, 2);
  businessDateLabel = AddLink(3, 4, 220122);
  businessFromBox = AddEdit(3, 5, 10);
  AddLabel(4, 4, 220120);
  businessToBox = AddEdit(4, 5, 10);
  activeDateLabel = AddLink(5, 4, 220118);
  activeDateBox = AddEdit(5, 5, 10);
  AddLabel(6, 4, 220119);
  auto* payRow = new QHBoxLayout;
  for (int i = 0; i < 3; ++i) {
    payBoxes[static_cast<size_t>(i)] =
        new QCheckBox(ToQString(AppLanguage().Text(kPayWayTexts + i)), this);
    payRow->addWidget(payBoxes[static_cast<size_t>(i)]);
  }
  grid()->addLayout(payRow, 6, 5);
  unpricedBox = AddCheck(7, 4, kTextUnpriced);
  grid()->addWidget(unpricedBox, 7, 4, 1, 2);
  unreconciledBox = AddCheck(8, 4, kTextUnreconciled);
  grid()->addWidget(unreconciledBox, 8, 4, 1, 2);
  AddButtons();
  SetEnterKey(EnterKey::kTab);
  SetEscapeCancels(false);

  connect(businessDateLabel, &CLinkLabel::clicked, this, &CCustomerQueryDlg::OnBusinessDateLabel);
  connect(createdDateLabel, &CLinkLabel::clicked, this, &CCustomerQueryDlg::OnCreatedDateLabel);
  connect(activeDateLabel, &CLinkLabel::clicked, this, &CCustomerQueryDlg::OnActiveDateLabel);
  connect(webAccountLabel, &CLinkLabel::clicked, this, &CCustomerQueryDlg::OnWebAccountLabel);
  connect(tagsLabel, &CLinkLabel::clicked, this, [this] { PickPrompt(tags); });
}

void CCustomerQueryDlg::LockToUser() {
  if (!userStation.empty()) station = userStation;
  if (!userGroup.empty()) group = userGroup;
}

void CCustomerQueryDlg::OnOpen() {
  setWindowTitle(ToQString(AppLanguage().Text(kTextCaption)));
  LockToUser();
  stationBox->setEnabled(userStation.empty());
  groupBox->setEnabled(userGroup.empty());
  const QDate today = QDate::currentDate();
  activeDateCycle = {DateText(today), DateText(today.addDays(-1)), DateText(today.addDays(-2)),
                     std::u16string()};
}

bool CCustomerQueryDlg::ReadControls() {
  int32_t number = 0;
  double debt = 0;
  if (!ReadInt(customerNoBox, number) || !ReadDouble(minDebtBox, debt)) return false;
  customerNo = number;
  minDebt = debt;
  unpricedOnly = unpricedBox->isChecked();
  unreconciledOnly = unreconciledBox->isChecked();
  payMonthly = payBoxes[0]->isChecked();
  payCash = payBoxes[1]->isChecked();
  payCollect = payBoxes[2]->isChecked();
  hasRecords = recordsRadios[1]->isChecked() ? 1 : 0;
  account = BoxText(accountBox);
  address = BoxText(addressBox);
  englishAddress = BoxText(englishAddressBox);
  createdFrom = BoxText(createdFromBox);
  shortName = BoxText(shortNameBox);
  city = BoxText(cityBox);
  activeDate = BoxText(activeDateBox);
  businessFrom = BoxText(businessFromBox);
  businessTo = BoxText(businessToBox);
  createdTo = BoxText(createdToBox);
  fax = BoxText(faxBox);
  group = BoxText(groupBox);
  tags = BoxText(tagsBox);
  name = BoxText(nameBox);
  englishName = BoxText(englishNameBox);
  phone = BoxText(phoneBox);
  province = BoxText(provinceBox);
  memberSignature = BoxText(memberSignatureBox);
  station = BoxText(stationBox);
  webAccount = BoxText(webAccountBox);
  return true;
}

void CCustomerQueryDlg::WriteControls() {
  SetBoxText(customerNoBox, Number(customerNo, true));
  SetBoxText(minDebtBox, Number(minDebt, false));
  unpricedBox->setChecked(unpricedOnly);
  unreconciledBox->setChecked(unreconciledOnly);
  payBoxes[0]->setChecked(payMonthly);
  payBoxes[1]->setChecked(payCash);
  payBoxes[2]->setChecked(payCollect);
  recordsRadios[hasRecords == 1 ? 1 : 0]->setChecked(true);
  SetBoxText(accountBox, account);
  SetBoxText(addressBox, address);
  SetBoxText(englishAddressBox, englishAddress);
  SetBoxText(createdFromBox, createdFrom);
  SetBoxText(shortNameBox, shortName);
  SetBoxText(cityBox, city);
  SetBoxText(activeDateBox, activeDate);
  SetBoxText(businessFromBox, businessFrom);
  SetBoxText(businessToBox, businessTo);
  SetBoxText(createdToBox, createdTo);
  SetBoxText(faxBox, fax);
  SetBoxText(groupBox, group);
  SetBoxText(tagsBox, tags);
  SetBoxText(nameBox, name);
  SetBoxText(englishNameBox, englishName);
  SetBoxText(phoneBox, phone);
  SetBoxText(provinceBox, province);
  SetBoxText(memberSignatureBox, memberSignature);
  SetBoxText(stationBox, station);
  SetBoxText(webAccountBox, webAccount);
}

void CCustomerQueryDlg::ResetConditions() {
  // The records choice shown stays as the operator left it.
  const int32_t records = recordsRadios[1]->isChecked() ? 1 : 0;
  static_cast<CustomerQueryConditions&>(*this) = CustomerQueryConditions();
  hasRecords = records;
  LockToUser();
}

void CCustomerQueryDlg::OnBusinessDateLabel() {
  const QDate today = QDate::currentDate();
  QDate first(today.year(), today.month(), 1);
  if (BoxText(businessFromBox) == DateText(first)) first = first.addMonths(-1);
  const QDate last(first.year(), first.month(), DaysInMonth(first.year(), first.month()));
  SetBoxText(businessFromBox, DateText(first));
  SetBoxText(businessToBox, DateText(last));
}

void CCustomerQueryDlg::OnCreatedDateLabel() {
  std::u16string from = BoxText(createdFromBox);
  std::u16string to = BoxText(createdToBox);
  CycleMonthRange(from, to);
  SetBoxText(createdFromBox, from);
  SetBoxText(createdToBox, to);
}

void CCustomerQueryDlg::OnActiveDateLabel() {
  const std::u16string current = BoxText(activeDateBox);
  size_t next = 0;
  for (size_t i = 0; i < activeDateCycle.size(); ++i) {
    if (current == activeDateCycle[i]) {
      next = (i + 1) % activeDateCycle.size();
      break;
    }
  }
  SetBoxText(activeDateBox, activeDateCycle[next]);
}

void CCustomerQueryDlg::OnWebAccountLabel() { SetBoxText(webAccountBox, u"@"); }
