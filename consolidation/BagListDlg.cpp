#include "consolidation/BagListDlg.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <vector>

#include "common/LanguageTable.h"
#include "consolidation/RecordPicked.h"
#include "platform/MessageBox.h"
#include "platform/QtText.h"
#include "platform/QtWaitForWork.h"
#include "ui/ListGrid.h"

using platform::FromQString;
using platform::ToQString;

namespace {

constexpr int32_t kCountText = 420041;
constexpr int32_t kTitleText = 420000;
constexpr int32_t kFilterText = 370001;
constexpr int32_t kAirportsText = 701001;
constexpr int32_t kStationsText = 701002;
constexpr int32_t kAllStatesText = 20081;
constexpr int32_t kNoRowsText = 20005;
constexpr int32_t kNothingSelectedText = 420042;

struct Column {
  int32_t caption;
  int width;
  bool right;
};
constexpr Column kColumns[kBagListColumns] = {
    {420010, 85, false}, {420011, 60, false}, {420011, 60, false}, {420012, 50, true},
    {420013, 80, true},  {420014, 80, true},  {420015, 50, true},  {420016, 85, false},
    {420017, 85, false}, {420018, 90, false}, {420019, 130, false}, {420020, 80, false},
    {420021, 50, false}, {420022, 60, false}, {420023, 80, false}, {420024, 150, false}};

QString Caption(int32_t id) { return ToQString(AppLanguage().Text(id)) + u':'; }

QLineEdit* FilterBox(QWidget* parent, int room, const char* name) {
  auto* box = new QLineEdit(parent);
  box->setMaxLength(room);
  box->setObjectName(QString::fromLatin1(name));
  return box;
}

}  // namespace

CBagListDlg::CBagListDlg(int mode, CServerLink& link, QWidget* parent)
    : CPickListDialog(kCountText, parent), mode_(mode), link_(link) {
  setWindowTitle(ToQString(AppLanguage().Text(kTitleText)));
  fromAirportBox = FilterBox(this, 63, "fromAirport");
  toAirportBox = FilterBox(this, 63, "toAirport");
  fromStationBox = FilterBox(this, 15, "fromStation");
  toStationBox = FilterBox(this, 15, "toStation");
  stateBox = new QComboBox(this);
  for (int32_t id : {20500, 20501, 20502, 20503, static_cast<int>(kAllStatesText)})
    stateBox->addItem(ToQString(AppLanguage().Text(id)));
  stateBox->setCurrentIndex(mode >= 0 && mode < stateBox->count() ? mode : 0);
  stateBox->setEnabled(mode != kBagListSealedBags);
  filterButton = new QPushButton(ToQString(AppLanguage().Text(kFilterText)), this);
  for (int c = 0; c < kBagListColumns; ++c)
    list->InsertColumn(c, kColumns[c].width, AppLanguage().Text(kColumns[c].caption),
                       kColumns[c].right ? kGridAlignRight : kGridAlignLeft);
  list->AddMenuCommand(AppLanguage().Text(21000));
  list->AddMenuCommand(AppLanguage().Text(21001));
  list->AddMenuCommand(AppLanguage().Text(mode == kBagListOpenBags ? 420030 : 420031));

  auto* filters = new QHBoxLayout;
  filters->addWidget(new QLabel(Caption(kAirportsText), this));
  filters->addWidget(fromAirportBox);
  filters->addWidget(new QLabel(QStringLiteral("-"), this));
  filters->addWidget(toAirportBox);
  filters->addSpacing(12);
  filters->addWidget(new QLabel(Caption(kStationsText), this));
  filters->addWidget(fromStationBox);
  filters->addWidget(new QLabel(QStringLiteral("-"), this));
  filters->addWidget(toStationBox);
  filters->addSpacing(12);
  filters->addWidget(stateBox);
  filters->addWidget(filterButton);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(filters);
  layout->addWidget(countLabel);
  layout->addWidget(list, 1);
  resize(762, 428);

  QObject::connect(filterButton, &QPushButton::clicked, this, [this] { RunQuery(); });
  WatchKeys({fromAirportBox, toAirportBox, fromStationBox, toStationBox, stateBox, filterButton,
             list});
  ShowCount();
}

std::u16string CBagListDlg::QueryText() const {
  BagListFilter filter;
  filter.fromAirport = FromQString(fromAirportBox->text());
  filter.toAirport = FromQString(toAirportBox->text());
  filter.fromStation = FromQString(fromStationBox->text());
  filter.toStation = FromQString(toStationBox->text());
  // The state follows the mode; the box only shows it.
  return BagListQuery(mode_, filter, QDate::currentDate());
}

void CBagListDlg::RunQuery() {
  const std::u16string query = QueryText();
  std::vector<BagListRow> rows;
  const BagListResult result = platform::WaitForWork(
      [&] { return LoadBagList(link_, query, AppLanguage(), rows); });
  if (result == BagListResult::kNoAnswer) return;
  if (result == BagListResult::kNoList) {
    platform::ShowMessageBox(AppLanguage().Text(kNoRowsText));
    return;
  }
  list->DeleteAllRows();
  for (const BagListRow& bag : rows) {
    const int row = list->InsertRow(list->RowCount(), bag.cells[0]);
    list->SetRowId(row, bag.id);
    for (int c = 1; c < kBagListColumns; ++c) list->SetCellText(row, c, bag.cells[c]);
  }
  ShowCount();
}

void CBagListDlg::Send(int32_t id, int row) {
  lastRow_ = row;
  if (notify_ != nullptr)
    platform::SendPrivateMessage(notify_, WM_RECORD_PICKED, static_cast<quintptr>(id), row);
}

void CBagListDlg::HandOverRow() {
  const std::vector<int> selected = list->SelectedRows();
  if (selected.empty()) return;
  Send(list->GetRowId(selected.front()), selected.front());
}

void CBagListDlg::OnGridCommand(int command) {
  if (command == 2) {
    // The ids first: the receiver removes rows while it takes the bags, so
    // each row is looked up again by its id before it is sent.
    std::vector<int32_t> ids;
    for (int row : list->SelectedRows()) ids.push_back(list->GetRowId(row));
    if (ids.empty()) {
      platform::ShowMessageBox(AppLanguage().Text(kNothingSelectedText));
      return;
    }
    for (int32_t id : ids) {
      const int row = list->FindRowById(id);
      if (row >= 0) Send(id, row);
    }
    return;
  }
  if (command == 0 || command == 1) DropRows(command);
}

