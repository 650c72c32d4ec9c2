#include "shipping/PreInputListDlg.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "platform/QtMessages.h"
#include "platform/QtText.h"
#include "platform/QtWaitForWork.h"
#include "server/ServerLink.h"
#include "ui/LinkLabel.h"
#include "ui/ListGrid.h"

namespace {

struct Column {
  int32_t caption;
  int width;
  bool right;
};
constexpr Column kUnassigned[] = {
    {30077, 130, false}, {30002, 110, false}, {30073, 85, false}, {30006, 85, false},
    {30033, 100, false}, {30046, 85, false},  {30036, 150, false}, {30001, 85, false},
    {30072, 50, true},   {30004, 80, true},   {30026, 60, false},  {30027, 80, true},
    {30078, 130, false}, {30203, 90, false},  {30040, 60, false},  {30022, 85, false},
    {0, 0, true}};
constexpr Column kAssigned[] = {
    {30077, 130, false}, {30002, 110, false}, {30600, 85, false},  {30601, 130, false},
    {30602, 85, false},  {30603, 130, false}, {30604, 180, false}, {30073, 85, false},
    {30006, 85, false},  {30033, 100, false}, {30046, 85, false},  {30036, 150, false},
    {30001, 85, false},  {30072, 50, true},   {30004, 80, true},   {30026, 60, false},
    {30027, 80, true},   {30078, 130, false}, {30203, 90, false},  {30040, 60, false},
    {30022, 250, false}, {0, 0, true}};

// Passes a grid's double click on to the dialog with the grid it came from.
class GridRelay : public QObject {
 public:
  GridRelay(QObject* parent, std::function<void(int)> open) : QObject(parent), open_(std::move(open)) {}
  bool event(QEvent* e) override {
    if (auto* m = platform::AsPrivateMessage(e)) {
      if (m->Message() == kGridMsgDoubleClick) open_(static_cast<int>(m->WParam()));
      return true;
    }
    return QObject::event(e);
  }

 private:
  std::function<void(int)> open_;
};

template <size_t N>
void AddColumns(CListGrid* grid, const Column (&columns)[N]) {
  grid->SetHighlightMode(2);
  grid->EnableRowData(true);
  grid->EnableHeaderSort(true);
  grid->setShowGrid(true);
  for (size_t i = 0; i < N; ++i) {
    const Column& c = columns[i];
    grid->InsertColumn(static_cast<int>(i), c.width,
                       c.caption != 0 ? AppLanguage().Text(c.caption) : std::u16string(u"icID"),
                       c.right ? kGridAlignRight : kGridAlignLeft);
  }
}

}  // namespace

CPreInputListDlg::CPreInputListDlg(QWidget* parent, PickupServices& services)
    : QWidget(parent), services_(services) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  auto* head = new QHBoxLayout;
  listCount = new CLinkLabel(this);
  listCount->setText(platform::ToQString(AppLanguage().Text(kPreInputListHeaderText)));
  head->addWidget(listCount);
  head->addStretch();
  autoRefreshBox = new QCheckBox(platform::ToQString(AppLanguage().Text(510012)), this);
  intervalBox = new QLineEdit(QStringLiteral("10"), this);
  intervalBox->setMaximumWidth(50);
  head->addWidget(autoRefreshBox);
  head->addWidget(intervalBox);
  layout->addLayout(head);
  layout->addWidget(new QLabel(platform::ToQString(AppLanguage().Text(510010)), this));
  unassignedList = new CListGrid(this);
  layout->addWidget(unassignedList, 1);
  layout->addWidget(new QLabel(platform::ToQString(AppLanguage().Text(510011)), this));
  assignedList = new CListGrid(this);
  layout->addWidget(assignedList, 1);
  AddColumns(unassignedList, kUnassigned);
  AddColumns(assignedList, kAssigned);
  unassignedList->SetNotifyWnd(new GridRelay(this, [this](int row) { OpenOrder(unassignedList, row); }));
  assignedList->SetNotifyWnd(new GridRelay(this, [this](int row) { OpenOrder(assignedList, row); }));
  QObject::connect(listCount, &CLinkLabel::clicked, this, [this] { ReloadBoth(); });
  QObject::connect(autoRefreshBox, &QCheckBox::toggled, this, [this](bool on) { SetAutoRefresh(on); });
  timer = new QTimer(this);
  QObject::connect(timer, &QTimer::timeout, this, [this] { OnTick(); });
}

CPreInputListDlg::~CPreInputListDlg() = default;

void CPreInputListDlg::StartLists() {
  unassignedList->DeleteAllRows();
  assignedList->DeleteAllRows();
  paused = false;
}

std::string CPreInputListDlg::DateLimitText() const {
  const QDate day = today ? today() : QDate::currentDate();
  const int back = services_.link != nullptr ? services_.link->pickupDays : 3;
  return pickup::DateLimit(day.year(), day.month(), day.day(), back);
}

void CPreInputListDlg::Fill(CListGrid* list, bool assigned, const std::string& sql) {
  CServerLink* link = services_.link;
  if (link == nullptr || list == nullptr) return;
  std::string reply;
  const std::span<const uint32_t> types = assigned ? pickup::AssignedTypes() : pickup::UnassignedTypes();
  // Loading from before the wait: a refresh tick during it starts nothing.
  loading = true;
  struct LoadingClear {
    bool& flag;
    ~LoadingClear() { flag = false; }
  } clear{loading};
  platform::WaitForWork([&] { return link->SqlQuery(sql, types, &reply); });
  if (reply.size() <= 9) return;  // no answer: the list stays as it is
  std::vector<pickup::OrderRow> rows;
  pickup::ReadOrderRows(reply, assigned, rows);
  list->DeleteAllRows();
  for (const pickup::OrderRow& row : rows) {
    const int at = list->InsertRow(list->RowCount(), row.cells.empty() ? std::u16string() : row.cells[0]);
    list->SetRowId(at, row.iid);
    for (size_t c = 1; c < row.cells.size(); ++c)
      list->SetCellText(at, static_cast<int>(c), row.cells[c]);
  }
  if (!rows.empty() && listCount != nullptr)
    listCount->setText(platform::ToQString(
        AppLanguage().TextWithNumber(510000, unassignedList->RowCount())));
}

void CPreInputListDlg::LoadUnassigned() {
  if (paused) return;
  const unsigned rows = services_.link != nullptr ? static_cast<unsigned>(services_.link->pickupRecords0) : 200;
  Fill(unassignedList, false, pickup::UnassignedSql(rows, DateLimitText(), services_.station));
}

void CPreInputListDlg::LoadAssigned(const std::u16string* courier) {
  if (paused) return;
  const unsigned rows = services_.link != nullptr ? static_cast<unsigned>(services_.link->pickupRecords1) : 200;
  std::string name;
  if (courier != nullptr) name = GbkFromWide(*courier);
  Fill(assignedList, true,
       pickup::AssignedSql(rows, DateLimitText(), services_.station,
                           courier != nullptr ? std::optional<std::string_view>(name) : std::nullopt));
}

void CPreInputListDlg::ReloadBoth() {
  LoadUnassigned();
  LoadAssigned();
}

void CPreInputListDlg::OpenOrder(CListGrid* list, int row) {
  if (list == nullptr || row < 0 || row >= list->RowCount()) return;
  const int32_t iid = list->GetRowId(row);
  if (iid <= 0) return;
  paused = true;
  CPickupDispatchDlg dialog(static_cast<uint32_t>(iid), services_, window());
  bool ok = false;
  dialog.Load();  // an order not found leaves the dialog empty
  ok = runDialog ? runDialog(dialog) : dialog.exec() == QDialog::Accepted;
  paused = false;
  if (ok) ReloadBoth();
}

int CPreInputListDlg::TimerInterval() const {
  const int seconds = intervalBox != nullptr ? intervalBox->text().toInt() : 10;
  return pickup::RefreshMilliseconds(seconds);
}

void CPreInputListDlg::SetAutoRefresh(bool on) {
  if (timer == nullptr) return;
  if (on && !timer->isActive()) {
    ticks = 0;
    timer->start(TimerInterval());
  } else if (!on) {
    timer->stop();
  }
}

void CPreInputListDlg::OnTick() {
  if (paused || loading) return;
  LoadUnassigned();
  if (ticks % 2 == 0) LoadAssigned();
  ++ticks;
}
