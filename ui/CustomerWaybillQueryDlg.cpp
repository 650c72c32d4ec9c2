#include "ui/CustomerWaybillQueryDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include "common/DateTime.h"
#include "common/LanguageTable.h"
#include "platform/MessageBox.h"
#include "platform/QtText.h"
#include "ui/LinkLabel.h"
#include "ui/QueryDates.h"
#include "ui/ViewHost.h"

using platform::FromQString;
using platform::ToQString;

namespace {
constexpr int32_t kTextCaption = 250000;
constexpr int32_t kTextDate = 170015;
constexpr int32_t kTextTags = 30040;
constexpr int32_t kTextReserved = 30050;
constexpr int32_t kTextCustomer = 120004;
constexpr int32_t kTextKinds = 250010;
constexpr int32_t kTextPayment = 30071;
constexpr int32_t kTextRecordState = 170017;
constexpr int32_t kTextSender = 30006;
constexpr int32_t kTextInternalCode = 250011;
constexpr int32_t kTextDepartment = 30046;
constexpr int32_t kTextUnchecked = 250012;
constexpr int32_t kTextChecked = 250013;
constexpr int32_t kPayWayTexts = 20060;
constexpr int32_t kRecordStateTexts = 20070;  // 15 texts
constexpr int32_t kDateKindCaptions = 170001;  // 3 texts
constexpr int32_t kTextDateCaption = 170014;
constexpr int32_t kTextTo = 21212;
constexpr int32_t kTextVerification = 21213;
}  // namespace

CCustomerWaybillQueryDlg::CCustomerWaybillQueryDlg(int32_t id, std::u16string text,
                                                   QWidget* parent)
    : CQueryDlgBase(parent), customerId(id), customer(std::move(text)) {
  AddLabel(0, 0, kTextCustomer);
  customerBox = AddEdit(0, 1, 127, 3);
  customerBox->setEnabled(false);
  dateKindLabel = AddLink(1, 0, kDateKindCaptions);
  dateLabel = AddLink(1, 1, kTextDate);
  dateFromBox = AddEdit(2, 0, 19, 2);
  AddLabel(2, 2, kTextTo);
  dateToBox = AddEdit(2, 3, 19);
  AddLabel(3, 0, kTextRecordState, true);
  recordStateList = new QComboBox(this);
  grid()->addWidget(recordStateList, 3, 1);
  AddLabel(3, 2, kTextSender, true);
  senderBox = AddEdit(3, 3, 30);
  AddLabel(4, 0, kTextDepartment, true);
  departmentBox = AddEdit(4, 1, 30);
  AddLabel(4, 2, kTextInternalCode);
  internalCodeBox = AddEdit(4, 3, 3);
  tagsLabel = AddLink(5, 0, kTextTags, true);
  tagsBox = AddEdit(5, 1, 15);
  reservedLabel = AddLink(5, 2, kTextReserved, true);
  reservedBox = AddEdit(5, 3, 30);
  AddLabel(6, 0, kTextPayment, true);
  auto* payRow = new QHBoxLayout;
  for (int i = 0; i < 3; ++i) {
    payBoxes[static_cast<size_t>(i)] = new QCheckBox(ToQString(AppLanguage().Text(kPayWayTexts + i)), this);
    payRow->addWidget(payBoxes[static_cast<size_t>(i)]);
  }
  grid()->addLayout(payRow, 6, 1, 1, 3);
  AddLabel(7, 0, kTextVerification, true);
  checkBoxes[0] = AddCheck(7, 1, kTextUnchecked);
  checkBoxes[1] = AddCheck(7, 2, kTextChecked);
  AddLabel(8, 0, kTextKinds, true);
  kindList = new QListWidget(this);
  kindList->setSelectionMode(QAbstractItemView::MultiSelection);
  kindList->setMaximumHeight(110);
  grid()->addWidget(kindList, 8, 1, 1, 3);
  AddButtons();
  SetStandardKeys(true);
  for (int kind = 0; kind < 3; ++kind) {
    std::u16string caption = AppLanguage().Text(kDateKindCaptions + kind);
    if (caption.size() > 31) caption.resize(31);
    dateKindCaptions[static_cast<size_t>(kind)] = caption;
  }
  connect(dateLabel, &CLinkLabel::clicked, this, &CCustomerWaybillQueryDlg::OnDateLabel);
  connect(dateKindLabel, &CLinkLabel::clicked, this, &CCustomerWaybillQueryDlg::OnDateKindLabel);
  connect(tagsLabel, &CLinkLabel::clicked, this, [this] { PickPrompt(tags); });
  connect(reservedLabel, &CLinkLabel::clicked, this, [this] { PickPrompt(reserved); });
}

void CCustomerWaybillQueryDlg::OnOpen() {
  setWindowTitle(ToQString(AppLanguage().Text(kTextCaption)));
  recordStateList->clear();
  for (int i = 0; i < 15; ++i) {
    recordStateList->addItem(ToQString(AppLanguage().Text(kRecordStateTexts + i)));
  }
  SetBoxText(customerBox, customer);
  kindList->clear();
  kindNames = host != nullptr ? host->ServiceKindNames() : std::vector<std::u16string>();
  for (const std::u16string& name : kindNames) kindList->addItem(ToQString(name));
  ShowDateKind();
  ResetConditions();
}

bool CCustomerWaybillQueryDlg::ReadControls() {
  payUnchecked = checkBoxes[0]->isChecked();
  payChecked = checkBoxes[1]->isChecked();
  payMonthly = payBoxes[0]->isChecked();
  payCash = payBoxes[1]->isChecked();
  payCollect = payBoxes[2]->isChecked();
  recordState = recordStateList->currentIndex();
  dateFrom = BoxText(dateFromBox);
  internalCode = BoxText(internalCodeBox);
  department = BoxText(departmentBox);
  dateTo = BoxText(dateToBox);
  tags = BoxText(tagsBox);
  reserved = BoxText(reservedBox);
  sender = BoxText(senderBox);
  return true;
}

void CCustomerWaybillQueryDlg::WriteControls() {
  checkBoxes[0]->setChecked(payUnchecked);
  checkBoxes[1]->setChecked(payChecked);
  payBoxes[0]->setChecked(payMonthly);
  payBoxes[1]->setChecked(payCash);
  payBoxes[2]->setChecked(payCollect);
  recordStateList->setCurrentIndex(recordState);
  SetBoxText(dateFromBox, dateFrom);
  SetBoxText(internalCodeBox, internalCode);
  SetBoxText(departmentBox, department);
  SetBoxText(dateToBox, dateTo);
  SetBoxText(tagsBox, tags);
  SetBoxText(reservedBox, reserved);
  SetBoxText(senderBox, sender);
}

void CCustomerWaybillQueryDlg::ResetConditions() {
  payUnchecked = false;
  payChecked = false;
  payMonthly = true;
  payCash = false;
  payCollect = false;
  recordState = 11;
  for (std::u16string* text : {&dateFrom, &internalCode, &department, &dateTo, &tags, &reserved, &sender}) {
    text->clear();
  }
}

bool CCustomerWaybillQueryDlg::AcceptConditions() {
  const QDate today = QDate::currentDate();
  const QueryDateCheck check =
      CheckQueryDates(dateKind, dateFrom, dateTo, CivilDate{today.year(), today.month(), today.day()});
  dateFromBound = check.fromBound.substr(0, 31);
  dateToBound = check.toBound.substr(0, 31);
  if (!check.message.empty()) {
    platform::ShowMessageBox(check.message, AppLanguage().Text(kTextDateCaption), platform::kMbOk);
    return false;
  }
  selectedKinds.clear();
  for (int row = 0; row < kindList->count(); ++row) {
    if (kindList->item(row)->isSelected() && selectedKinds.size() < kMaxSelectedKinds) {
      selectedKinds.push_back(row);
    }
  }
  selectedKindCount = static_cast<int32_t>(selectedKinds.size());
  if (selectedKindCount == kindList->count()) selectedKindCount = 0;
  return true;
}

void CCustomerWaybillQueryDlg::ShowDateKind() {
  const size_t kind = static_cast<size_t>(dateKind >= 0 && dateKind <= 2 ? dateKind : 0);
  dateKindLabel->setText(ToQString(dateKindCaptions[kind]));
  dateKindLabel->SetTextColor(dateKindColors[kind]);
}

void CCustomerWaybillQueryDlg::OnDateLabel() {
  ReadControls();
  if (dateKind == 0) {
    CycleMonthRange(dateFrom, dateTo);
  } else {
    RecentRange(dateFrom, dateTo, 2 * 3600);  // the last two hours
  }
  WriteControls();
}

void CCustomerWaybillQueryDlg::OnDateKindLabel() {
  dateKind = (dateKind + 1) % 3;
  ShowDateKind();
  OnDateLabel();
}
