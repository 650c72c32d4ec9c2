#include "ui/BagQueryDlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include "common/LanguageTable.h"
#include "platform/QtText.h"
#include "ui/LinkLabel.h"

namespace {
constexpr int32_t kTextCaption = 390000;
constexpr int32_t kTextCreated = 390011;
constexpr int32_t kTextState = 390012;
constexpr int32_t kTextBagNo = 390013;
constexpr int32_t kTextAirportFrom = 390014;
constexpr int32_t kTextAirportTo = 390015;
constexpr int32_t kTextControlNo = 390016;
constexpr int32_t kTextCreator = 390017;
constexpr int32_t kTextAwb = 390018;
constexpr int32_t kTextTags = 30040;
constexpr int32_t kTextStationFrom = 21210;
constexpr int32_t kTextStationTo = 21211;
constexpr int32_t kTextTo = 21212;
constexpr int32_t kBagStateTexts = 20500;
constexpr int kAnyState = 4;
}  // namespace

CBagQueryDlg::CBagQueryDlg(QWidget* parent) : CQueryDlgBase(parent) {
  AddLabel(0, 0, kTextBagNo, true);
  bagNoBox = AddEdit(0, 1, 30);
  AddLabel(0, 2, kTextState, true);
  stateList = new QComboBox(this);
  grid()->addWidget(stateList, 0, 3);
  dateLabel = AddLink(1, 0, kTextCreated, true);
  dateFromBox = AddEdit(1, 1, 30);
  AddLabel(1, 2, kTextTo);
  dateToBox = AddEdit(1, 3, 30);
  AddLabel(2, 0, kTextAirportFrom, true);
  airportFromBox = AddEdit(2, 1, 63);
  AddLabel(2, 2, kTextAirportTo, true);
  airportToBox = AddEdit(2, 3, 63);
  AddLabel(3, 0, kTextStationFrom, true);
  stationBox = AddEdit(3, 1, 15);
  AddLabel(3, 2, kTextStationTo, true);
  stationToBox = AddEdit(3, 3, 15);
  awbLabel = AddLink(4, 0, kTextAwb, true);
  awbNumberBox = AddEdit(4, 1, 30);
  AddLabel(4, 2, kTextControlNo, true);
  controlNoBox = AddEdit(4, 3, 30);
  AddLabel(5, 0, kTextCreator, true);
  creatorBox = AddEdit(5, 1, 30);
  tagsLabel = AddLink(5, 2, kTextTags, true);
  tagsBox = AddEdit(5, 3, 15);
  dateFromBox->setMinimumWidth(kDateBoxWidth);
  dateToBox->setMinimumWidth(kDateBoxWidth);
  AddButtons();
  SetEnterKey(EnterKey::kTabButtonsCtrlOk);
  connect(dateLabel, &CLinkLabel::clicked, this, &CBagQueryDlg::OnDateLabel);
  connect(tagsLabel, &CLinkLabel::clicked, this, [this] {
    if (ReadControls()) PickPrompt(tags);
  });
}

void CBagQueryDlg::OnOpen() {
  setWindowTitle(platform::ToQString(AppLanguage().Text(kTextCaption)));
  if (!userStation.empty()) stationFrom = userStation;
  stationBox->setEnabled(userStation.empty());
  stateList->clear();
  for (int i = 0; i < 4; ++i) {
    stateList->addItem(platform::ToQString(AppLanguage().Text(kBagStateTexts + i)));
  }
  stateList->addItem(platform::ToQString(AppLanguage().Text(kAnyTextId)));
  bagState = kAnyState;
}

bool CBagQueryDlg::ReadControls() {
  bagState = stateList->currentIndex() < 0 ? kAnyState : stateList->currentIndex();
  awbNumber = BoxText(awbNumberBox);
  dateFrom = BoxText(dateFromBox);
  airportTo = BoxText(airportToBox);
  dateTo = BoxText(dateToBox);
  airportFrom = BoxText(airportFromBox);
  controlNo = BoxText(controlNoBox);
  creator = BoxText(creatorBox);
  tags = BoxText(tagsBox);
  stationFrom = BoxText(stationBox);
  stationTo = BoxText(stationToBox);
  bagNo = BoxText(bagNoBox);
  return true;
}

void CBagQueryDlg::WriteControls() {
  stateList->setCurrentIndex(bagState);
  SetBoxText(awbNumberBox, awbNumber);
  SetBoxText(dateFromBox, dateFrom);
  SetBoxText(airportToBox, airportTo);
  SetBoxText(dateToBox, dateTo);
  SetBoxText(airportFromBox, airportFrom);
  SetBoxText(controlNoBox, controlNo);
  SetBoxText(creatorBox, creator);
  SetBoxText(tagsBox, tags);
  SetBoxText(stationBox, stationFrom);
  SetBoxText(stationToBox, stationTo);
  SetBoxText(bagNoBox, bagNo);
}

void CBagQueryDlg::ResetConditions() {
  const std::u16string keptStation = userStation.empty() ? std::u16string() : stationFrom;
  static_cast<BagQueryConditions&>(*this) = BagQueryConditions();
  stationFrom = keptStation;
}

void CBagQueryDlg::OnDateLabel() {
  ReadControls();
  RecentRange(dateFrom, dateTo, kSecondsOfDay);
  WriteControls();
}

bool CBagQueryDlg::OnDialogKey(QKeyEvent* event, bool release) {
  if (release && event->key() == Qt::Key_F4 && !event->isAutoRepeat()) {
    OnOK();
    return true;
  }
  if (!release && event->key() == Qt::Key_D && (event->modifiers() & Qt::ControlModifier)) {
    OnReset();
    return true;
  }
  return false;
}
