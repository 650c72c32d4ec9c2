#include "consolidation/UnbaggedPickDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "consolidation/RecordPicked.h"
#include "platform/MessageBox.h"
#include "platform/QtText.h"
#include "platform/QtWaitForWork.h"
#include "server/ServerLink.h"
#include "ui/LinkLabel.h"
#include "ui/ListGrid.h"
#include "ui/SuggestPopup.h"

using platform::FromQString;
using platform::ToQString;

namespace {

constexpr int32_t kTitleText = 370000;
constexpr int32_t kFilterText = 370001;
constexpr int32_t kCountText = 370021;
constexpr int32_t kNothingSelectedText = 370022;
constexpr int32_t kHandOverQuestionText = 370023;
constexpr int32_t kQuestionTitleText = 20002;

struct Column {
  int32_t caption;  // 0: the fixed text
  const char16_t* text;
  int width;
  bool right;
};
constexpr Column kColumns[kUnbaggedColumns] = {
    {0, u"ID", 0, false},        {370010, nullptr, 85, false}, {30002, nullptr, 85, false},
    {30003, nullptr, 85, false}, {370011, nullptr, 50, true},  {30072, nullptr, 50, true},
    {370012, nullptr, 80, true}, {370013, nullptr, 80, true},  {370014, nullptr, 80, true},
    {370015, nullptr, 80, true}, {30073, nullptr, 85, false},  {30001, nullptr, 85, false},
    {30013, nullptr, 85, false}, {30026, nullptr, 85, false},  {30031, nullptr, 80, true},
    {30070, nullptr, 75, false}, {30040, nullptr, 60, false},  {30050, nullptr, 85, false},
    {0, u"IdItem", 0, false}};

QString Caption(int32_t id) { return ToQString(AppLanguage().Text(id)) + u':'; }

CLinkLabel* Link(QWidget* parent, const QString& text, const QColor& color) {
  auto* link = new CLinkLabel(text, parent);
  link->SetTextColor(color);
  link->SetLinkCursor(Qt::PointingHandCursor);
  return link;
}

QLineEdit* FilterBox(QWidget* parent, int room, const char* name) {
  auto* box = new QLineEdit(parent);
  box->setMaxLength(room);
  box->setObjectName(QString::fromLatin1(name));
  return box;
}

}  // namespace

CUnbaggedPickDlg::CUnbaggedPickDlg(CServerLink& link, PieceWeightRules rules, QWidget* parent)
    : CPickListDialog(kCountText, parent), link_(link), rules_(std::move(rules)) {
  setWindowTitle(ToQString(AppLanguage().Text(kTitleText)));
  serviceKindBox = FilterBox(this, 15, "serviceKind");
  destinationBox = FilterBox(this, 63, "destination");
  labelBox = FilterBox(this, 15, "label");
  reserveBox = FilterBox(this, 30, "reserve");
  filterButton = new QPushButton(ToQString(AppLanguage().Text(kFilterText)), this);
  for (int c = 0; c < kUnbaggedColumns; ++c) {
    const Column& k = kColumns[c];
    list->InsertColumn(c, k.width, k.caption != 0 ? AppLanguage().Text(k.caption) : k.text,
                       k.right ? kGridAlignRight : kGridAlignLeft);
  }
  for (int32_t id : {21000, 21001, 370020}) list->AddMenuCommand(AppLanguage().Text(id));

  auto* filters = new QGridLayout;
  const QColor blue(0, 0, 255);
  serviceKindCaption = Link(this, Caption(30073), blue);
  labelCaption = Link(this, Caption(30040), blue);
  reserveCaption = Link(this, Caption(30050), blue);
  byWaybillLink = Link(this, ToQString(AppLanguage().Text(360041)), QColor(0, 128, 0));
  byTransferLink = Link(this, ToQString(AppLanguage().Text(360042)), QColor(200, 0, 0));
  filters->addWidget(serviceKindCaption, 0, 0);
  filters->addWidget(serviceKindBox, 0, 1);
  filters->addWidget(new QLabel(Caption(30001), this), 0, 2);
  filters->addWidget(destinationBox, 0, 3);
  filters->addWidget(labelCaption, 1, 0);
  filters->addWidget(labelBox, 1, 1);
  filters->addWidget(reserveCaption, 1, 2);
  filters->addWidget(reserveBox, 1, 3);
  filters->addWidget(filterButton, 0, 4, 2, 1);
  filters->addWidget(byWaybillLink, 0, 5);
  filters->addWidget(byTransferLink, 1, 5);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(filters);
  layout->addWidget(countLabel);
  layout->addWidget(list, 1);
  resize(900, 480);

  QObject::connect(filterButton, &QPushButton::clicked, this, [this] { Query(); });
  QObject::connect(serviceKindCaption, &CLinkLabel::clicked, this, [this] {
    std::u16string choice;
    if (chooseServiceKind && chooseServiceKind(this, choice) == 1)
      serviceKindBox->setText(ToQString(choice).left(15));
  });
  auto prompt = [this](QLineEdit* box) {
    std::u16string choice;
    if (choosePrompt && choosePrompt(choice) == 1) box->setText(ToQString(choice).left(box->maxLength()));
  };
  QObject::connect(labelCaption, &CLinkLabel::clicked, this, [prompt, this] { prompt(labelBox); });
  QObject::connect(reserveCaption, &CLinkLabel::clicked, this, [prompt, this] { prompt(reserveBox); });
  QObject::connect(byWaybillLink, &CLinkLabel::clicked, this, [this] { OnNumberListLink(true); });
  QObject::connect(byTransferLink, &CLinkLabel::clicked, this, [this] { OnNumberListLink(false); });
  WatchKeys({serviceKindBox, destinationBox, labelBox, reserveBox, filterButton, list});
  ShowCount();
}

void CUnbaggedPickDlg::SetDestinations(CDestinationTable* destinations) {
  if (destinationPopup == nullptr) {
    auto* popup = new CDestinationSuggestPopup(this);
    popup->Source().SetSource(destinations);
    destinationPopup = popup;
    // Installed after the dialog's own key rules, so that Enter and
    // Ctrl+1 .. Ctrl+5 in the box take a suggestion first.
    destinationBinding_ = new CSuggestEditBinding(destinationBox, popup, 31);
    return;
  }
  static_cast<CDestinationSuggestPopup*>(destinationPopup)->Source().SetSource(destinations);
}

void CUnbaggedPickDlg::OnNumberListLink(bool waybillNumbers) {
  if (!importNumbers) return;
  std::vector<std::u16string> numbers;
  if (importNumbers(numbers, waybillNumbers) <= 0 || numbers.empty()) return;
  AddByNumberList(waybillNumbers, numbers);
}

std::u16string CUnbaggedPickDlg::DateQueryText() const {
  UnbaggedFilter filter;
  filter.serviceKind = FromQString(serviceKindBox->text());
  filter.destination = FromQString(destinationBox->text());
  filter.label = FromQString(labelBox->text());
  filter.reserve = FromQString(reserveBox->text());
  return UnbaggedDateQuery(filter, WideFromGbk(link_.station), QDate::currentDate());
}

void CUnbaggedPickDlg::Query() { FillList(DateQueryText()); }

void CUnbaggedPickDlg::AddByNumberList(bool waybillNumbers,
                                       const std::vector<std::u16string>& numbers) {
  const std::u16string query =
      UnbaggedNumberListQuery(numbers, waybillNumbers, WideFromGbk(link_.station));
  if (!query.empty()) FillList(query);
}

void CUnbaggedPickDlg::FillList(const std::u16string& query) {
  std::vector<UnbaggedRow> rows;
  const bool perWaybill = perWaybillItems_;
  const UnbaggedResult result = platform::WaitForWork(
      [&] { return LoadUnbaggedRows(link_, query, perWaybill, rules_, rows); });
  if (result != UnbaggedResult::kLoaded) return;
  list->DeleteAllRows();
  for (const UnbaggedRow& r : rows) {
    const int row = list->InsertRow(list->RowCount(), r.cells[0]);
    list->SetRowId(row, r.waybillId);
    for (int c = 1; c < kUnbaggedColumns; ++c) list->SetCellText(row, c, r.cells[c]);
  }
  ShowCount();
}

qintptr CUnbaggedPickDlg::PickParameter(int row) const {
  const int position = QString::fromStdU16String(list->CellText(row, kUnbaggedPieceColumn)).toInt();
  return static_cast<qintptr>(position) + 10000 * static_cast<qintptr>(row);
}

void CUnbaggedPickDlg::HandOverSelected() {
  const std::vector<int> selected = list->SelectedRows();
  if (selected.empty()) {
    platform::ShowMessageBox(AppLanguage().Text(kNothingSelectedText));
    return;
  }
  if (selected.size() > 1 &&
      platform::ShowMessageBox(
          AppLanguage().TextWithNumber(kHandOverQuestionText, static_cast<int>(selected.size())),
          AppLanguage().Text(kQuestionTitleText),
          platform::kMbYesNo | platform::kMbIconQuestion) != platform::kIdYes)
    return;
  // The last row first: rows the form removes never move the rows still to
  // be sent.
  for (auto it = selected.rbegin(); it != selected.rend(); ++it) {
    if (target_ == nullptr) break;
    platform::SendPrivateMessage(target_, WM_RECORD_PICKED,
                                 static_cast<quintptr>(list->GetRowId(*it)), PickParameter(*it));
  }
}

void CUnbaggedPickDlg::OnGridCommand(int command) {
  if (list->RowCount() == 0) return;
  if (command == 2) {
    HandOverSelected();
    return;
  }
  if (command == 0 || command == 1) DropRows(command);
}

void CUnbaggedPickDlg::RemoveWaybillRows(int32_t waybillId) {
  for (int row = list->RowCount() - 1; row >= 0; --row)
    if (list->GetRowId(row) == waybillId) list->DeleteRow(row);
  ShowCount();
}

void CUnbaggedPickDlg::RowDoubleClicked() {
  const std::vector<int> selected = list->SelectedRows();
  if (selected.empty() || target_ == nullptr) return;
  platform::PostPrivateMessage(target_, WM_RECORD_PICKED,
                               static_cast<quintptr>(list->GetRowId(selected.front())),
                               PickParameter(selected.front()));
}

