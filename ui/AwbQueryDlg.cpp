#include "ui/AwbQueryDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "platform/QtText.h"
#include "refdata/AirlineTable.h"
#include "ui/LinkLabel.h"
#include "ui/ViewHost.h"

using platform::FromQString;
using platform::ToQString;

namespace {
constexpr int32_t kTextCaption = 430000;
constexpr int32_t kTextDate = 170015;
constexpr int32_t kTextNumber = 410010;
constexpr int32_t kTextState = 390012;
constexpr int32_t kTextOrigin = 410023;
constexpr int32_t kTextDestination = 410024;
constexpr int32_t kTextFlight = 410011;
constexpr int32_t kTextRoute = 430018;
constexpr int32_t kTextAgent = 410020;
constexpr int32_t kTextBroker = 410043;
constexpr int32_t kTextTags = 360025;
constexpr int32_t kTextFeeGroup = 430010;
constexpr int32_t kTextFeeNames = 430011;  // .. 430015
constexpr int32_t kTextUnpaid = 430016;
constexpr int32_t kTextPaid = 430017;
constexpr int32_t kTextKindCaptions = 430020;  // 430020, 430021
constexpr int32_t kTextTo = 21212;
constexpr int32_t kAwbStateTexts = 20510;
constexpr int kAnyState = 3;
}  // namespace

CAwbQueryDlg::CAwbQueryDlg(QWidget* parent) : CQueryDlgBase(parent) {
  dateKindLabel = AddLink(0, 0, kTextKindCaptions);
  dateLabel = AddLink(0, 1, kTextDate);
  dateFromBox = AddEdit(1, 0, 20, 2);
  AddLabel(1, 2, kTextTo);
  dateToBox = AddEdit(1, 3, 20);
  AddLabel(2, 0, kTextNumber);
  awbPrefixBox = AddEdit(2, 1, 7);
  awbPrefixBox->setMaximumWidth(60);
  awbSerialBox = AddEdit(2, 2, 30, 2);
  AddLabel(3, 0, kTextState, true);
  stateList = new QComboBox(this);
  grid()->addWidget(stateList, 3, 1);
  AddLabel(3, 2, kTextRoute);
  routeBox = new QComboBox(this);
  routeBox->setEditable(true);
  grid()->addWidget(routeBox, 3, 3);
  AddLabel(4, 0, kTextFlight);
  flightNoBox = AddEdit(4, 1, 15);
  agentLabel = AddLink(4, 2, kTextAgent);
  agentBox = AddEdit(4, 3, 15);
  AddLabel(5, 0, kTextOrigin);
  originBox = AddEdit(5, 1, 63);
  AddLabel(5, 2, kTextDestination);
  destinationBox = AddEdit(5, 3, 63);
  brokerLabel = AddLink(6, 0, kTextBroker);
  brokerBox = AddEdit(6, 1, 63);
  tagsLabel = AddLink(6, 2, kTextTags);
  tagsBox = AddEdit(6, 3, 15);

  auto* fees = new QGroupBox(ToQString(AppLanguage().Text(kTextFeeGroup)), this);
  auto* feeGrid = new QGridLayout(fees);
  for (int i = 0; i < 5; ++i) {
    feeGrid->addWidget(new QLabel(ToQString(AppLanguage().Text(kTextFeeNames + i)), fees), i, 0);
    for (int paid = 0; paid < 2; ++paid) {
      auto* box = new QCheckBox(ToQString(AppLanguage().Text(paid ? kTextPaid : kTextUnpaid)), fees);
      feeBoxes[static_cast<size_t>(i * 2 + paid)] = box;
      feeGrid->addWidget(box, i, 1 + paid);
    }
  }
  grid()->addWidget(fees, 7, 0, 1, 4);
  dateFromBox->setMinimumWidth(kDateBoxWidth);
  dateToBox->setMinimumWidth(kDateBoxWidth);
  AddButtons();
  SetEnterKey(EnterKey::kTabCtrlOk);
  for (int kind = 0; kind < 2; ++kind) {
    std::u16string caption = AppLanguage().Text(kTextKindCaptions + kind);
    if (caption.size() > 63) caption.resize(63);
    dateKindCaptions[static_cast<size_t>(kind)] = caption;
  }
  connect(dateLabel, &CLinkLabel::clicked, this, &CAwbQueryDlg::OnDateLabel);
  connect(dateKindLabel, &CLinkLabel::clicked, this, &CAwbQueryDlg::OnDateKindLabel);
  connect(brokerLabel, &CLinkLabel::clicked, this, [this] { PickPrompt(customsBroker); });
  connect(tagsLabel, &CLinkLabel::clicked, this, [this] { PickPrompt(tags); });
  connect(routeBox, qOverload<int>(&QComboBox::activated), this, &CAwbQueryDlg::OnRouteChosen);
}

std::array<bool*, 10> CAwbQueryDlg::FeeFlags() {
  return {&feeTransportUnpaid, &feeTransportPaid, &feeCustomsUnpaid,  &feeCustomsPaid,
          &feeClearanceUnpaid, &feeClearancePaid, &feeDeliveryUnpaid, &feeDeliveryPaid,
          &feeOtherUnpaid,     &feeOtherPaid};
}

void CAwbQueryDlg::OnOpen() {
  setWindowTitle(ToQString(AppLanguage().Text(kTextCaption)));
  airlines = host != nullptr ? host->Airlines() : nullptr;
  routeBox->clear();
  if (airlines != nullptr) {
    bool first = true;
    for (const auto& airline : *airlines) {
      if (first || airline->nstate == 0) routeBox->addItem(ToQString(WideFromGbk(airline->cbrief)));
      first = false;
    }
  }
  const std::u16string any = AppLanguage().Text(kAnyTextId);
  routeBox->addItem(ToQString(any));
  stateList->clear();
  for (int i = 0; i < 3; ++i) stateList->addItem(ToQString(AppLanguage().Text(kAwbStateTexts + i)));
  stateList->addItem(ToQString(any));
  route = any;
  // The boxes show the kept conditions before the first preset reads them.
  WriteControls();
  if (dateKind == -1) {
    OnDateKindLabel();
  } else {
    ShowDateKind();
  }
}

bool CAwbQueryDlg::ReadControls() {
  if (dateKind != 1) dateKind = 0;
  awbState = stateList->currentIndex() < 0 ? kAnyState : stateList->currentIndex();
  const std::array<bool*, 10> flags = FeeFlags();
  for (size_t i = 0; i < flags.size(); ++i) *flags[i] = feeBoxes[i]->isChecked();
  awbSerial = BoxText(awbSerialBox);
  dateFrom = BoxText(dateFromBox);
  customsBroker = BoxText(brokerBox);
  destination = BoxText(destinationBox);
  dateTo = BoxText(dateToBox);
  flightNo = BoxText(flightNoBox);
  origin = BoxText(originBox);
  tags = BoxText(tagsBox);
  awbPrefix = BoxText(awbPrefixBox);
  agentAccount = BoxText(agentBox);
  route = FromQString(routeBox->currentText()).substr(0, 15);
  return true;
}

void CAwbQueryDlg::WriteControls() {
  stateList->setCurrentIndex(awbState);
  const std::array<bool*, 10> flags = FeeFlags();
  for (size_t i = 0; i < flags.size(); ++i) feeBoxes[i]->setChecked(*flags[i]);
  SetBoxText(awbSerialBox, awbSerial);
  SetBoxText(dateFromBox, dateFrom);
  SetBoxText(brokerBox, customsBroker);
  SetBoxText(destinationBox, destination);
  SetBoxText(dateToBox, dateTo);
  SetBoxText(flightNoBox, flightNo);
  SetBoxText(originBox, origin);
  SetBoxText(tagsBox, tags);
  SetBoxText(awbPrefixBox, awbPrefix);
  SetBoxText(agentBox, agentAccount);
  routeBox->setCurrentText(ToQString(route));
}

void CAwbQueryDlg::ResetConditions() {
  const int32_t kind = dateKind;
  static_cast<AwbQueryConditions&>(*this) = AwbQueryConditions();
  dateKind = kind;
  route = AppLanguage().Text(kAnyTextId);
}

void CAwbQueryDlg::ShowDateKind() {
  const size_t kind = dateKind == 1 ? 1 : 0;
  dateKindLabel->setText(ToQString(dateKindCaptions[kind]));
  dateKindLabel->SetTextColor(dateKindColors[kind]);
}

void CAwbQueryDlg::OnDateLabel() {
  ReadControls();
  RecentRange(dateFrom, dateTo, kSecondsOfDay);
  WriteControls();
}

void CAwbQueryDlg::OnDateKindLabel() {
  dateKind = dateKind >= 1 ? 0 : dateKind + 1;
  ShowDateKind();
  OnDateLabel();
}

void CAwbQueryDlg::OnRouteChosen(int index) {
  ReadControls();
  const std::string chosen = GbkFromWide(FromQString(routeBox->itemText(index)));
  awbPrefix.clear();
  if (airlines != nullptr) {
    for (const auto& airline : *airlines) {
      if (airline->cbrief == chosen) {
        awbPrefix = WideFromGbk(airline->cprefix);
        break;
      }
    }
  }
  SetBoxText(awbPrefixBox, awbPrefix);
}
