#include "shipping/HandOverDialogs.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <memory>

#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "platform/MessageBox.h"
#include "platform/QtText.h"
#include "platform/QtWaitForWork.h"
#include "server/ServerLink.h"
#include "shell/BrantleClientApp.h"
#include "shipping/HandOverForm.h"
#include "shipping/HandOverLogic.h"
#include "ui/LinkLabel.h"
#include "ui/ListGrid.h"
#include "ui/ListPickDlg.h"

using platform::ToQString;
using ToU16Fn = std::u16string (*)(const QString&);
constexpr ToU16Fn ToU16 = &platform::FromQString;

namespace {

std::u16string Trimmed(std::u16string text) { return TrimW(text); }

std::u16string Text(int id) { return AppLanguage().Text(id); }
QString QText(int id) { return ToQString(Text(id)); }

std::u16string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return WideFromGbk(text);
}

std::u16string Int(int value) { return WideFromGbk(std::to_string(value)); }

// Runs a query through the link into `reply`; true when the reply is at
// least 10 bytes and holds a "List".
bool Query(CServerLink& link, const std::string& sql, const std::vector<uint32_t>& types,
           std::string& reply) {
  platform::WaitForWork([&] { return link.SqlQuery(sql, types, &reply); });
  return reply.size() >= 10 && JsonFindKey("List", reply) != kJsonNone;
}

}  // namespace

bool ListMasterAwbsWithUnsent(CServerLink& link, QDate from, std::vector<std::u16string>& list) {
  std::string reply;
  const bool listed =
      Query(link, MasterAwbListSql(from.year(), from.month(), from.day()), MasterAwbListTypes(), reply);
  if (!listed || JsonGetInt("iTotal", reply, 0) <= 0) return false;
  std::string_view rows = JsonListBody(reply, "List");
  size_t pos = 0;
  std::string_view row;
  while (JsonNextObject(rows, pos, row)) list.push_back(JsonGetWString("0", row, 30));
  return true;
}

// ---- CSendMasterPickDlg ----

CSendMasterPickDlg::CSendMasterPickDlg(CBrantleClientApp* app, std::vector<std::u16string>& list,
                                       QWidget* parent)
    : QDialog(parent), app_(app), list_(list) {
  resize(820, 420);
  captionLabel_ = new QLabel(this);
  captionLabel_->setGeometry(10, 8, 158, 20);
  awbList_ = new QListWidget(this);
  awbList_->setGeometry(10, 30, 150, 340);
  grid_ = new CListGrid(this);
  grid_->setGeometry(170, 30, 640, 340);
  countLabel_ = new QLabel(this);
  countLabel_->setGeometry(170, 8, 640, 20);
  okButton_ = new QPushButton(this);
  okButton_->setGeometry(600, 380, 100, 28);
  cancelButton_ = new QPushButton(this);
  cancelButton_->setGeometry(710, 380, 100, 28);
  connect(awbList_, &QListWidget::itemDoubleClicked, this, [this] { OnPickAwb(); });
  connect(okButton_, &QPushButton::clicked, this, [this] { OnOK(); });
  connect(cancelButton_, &QPushButton::clicked, this, [this] { reject(); });
}

void CSendMasterPickDlg::InitDialog() {
  setWindowTitle(QText(210000));
  captionLabel_->setText(QText(210001));
  okButton_->setText(QText(210002));
  cancelButton_->setText(QText(210003));
  grid_->SetHighlightMode(2);
  grid_->EnableRowData(true);
  grid_->setShowGrid(true);
  if (grid_->ColumnCount() == 0) {
    grid_->InsertColumn(0, 0, u"ID", kGridAlignLeft);
    grid_->InsertColumn(1, 110, Text(30003), kGridAlignLeft);
    grid_->InsertColumn(2, 60, Text(30004), kGridAlignRight);
    grid_->InsertColumn(3, 90, Text(30001), kGridAlignLeft);
    grid_->InsertColumn(4, 75, Text(30070), kGridAlignLeft);
    grid_->InsertColumn(5, 70, Text(30073), kGridAlignLeft);
    grid_->InsertColumn(6, 50, Text(30072), kGridAlignCenter);
    // The internal number, by which the waybills are sent.
    grid_->InsertColumn(7, 110, Text(30002), kGridAlignLeft);
  }
  awbList_->clear();
  for (const std::u16string& awb : list_) awbList_->addItem(ToQString(awb));
  list_.clear();
}

int CSendMasterPickDlg::DoModal() {
  InitDialog();
  return exec() == QDialog::Accepted ? platform::kIdOk : platform::kIdCancel;
}

void CSendMasterPickDlg::OnPickAwb() {
  QListWidgetItem* item = awbList_->currentItem();
  if (item == nullptr || app_ == nullptr) return;
  chosen_ = ToU16(item->text());
  std::string reply;
  if (!Query(app_->Link(), MasterAwbRecordsSql(chosen_), MasterAwbRecordsTypes(), reply)) return;
  grid_->DeleteAllRows();
  std::string_view rows = JsonListBody(reply, "List");
  size_t pos = 0;
  std::string_view object;
  int total = 0;
  JsonRowIndex row;
  while (JsonNextObject(rows, pos, object)) {
    ++total;
    row.Reset(object);
    const int32_t id = row.GetInt("0", 0);
    if (id <= 0 || row.GetInt("7", 0) > 0) continue;
    const int r = grid_->InsertRow(grid_->RowCount(), Int(id));
    grid_->SetRowId(r, id);
    grid_->SetCellText(r, 1, row.GetWString("4", 30));
    grid_->SetCellText(r, 2, Fixed(row.GetDouble("2", 0), 3));
    grid_->SetCellText(r, 3, row.GetWString("1", 63));
    grid_->SetCellText(r, 4, row.GetWString("3", 10));
    grid_->SetCellText(r, 5, row.GetWString("5", 63));
    grid_->SetCellText(r, 6, Int(row.GetInt("6", 0)));
    grid_->SetCellText(r, 7, row.GetWString("8", 30));
  }
  std::u16string label = Text(210004);
  ReplaceAllW(label, u"%1", chosen_);
  ReplaceAllW(label, u"%2", Int(total));
  ReplaceAllW(label, u"%3", Int(grid_->RowCount()));
  countLabel_->setText(ToQString(label));
}

void CSendMasterPickDlg::OnOK() {
  if (platform::ShowMessageBox(Text(210005), Text(20002),
                               platform::kMbYesNo | platform::kMbIconQuestion) == platform::kIdYes) {
    for (int r = 0; r < grid_->RowCount(); ++r) list_.push_back(grid_->CellText(r, 7));
  }
  accept();
}

// ---- CSendRecordQueryDlg ----

CSendRecordQueryDlg::CSendRecordQueryDlg(CBrantleClientApp* app, int listFlag, QWidget* parent)
    : QDialog(parent), app_(app), listFlag_(listFlag) {
  resize(900, 520);
  kindLabel_ = new CLinkLabel(QStringLiteral("Srv:"), this);
  kindLabel_->setGeometry(10, 12, 36, 20);
  kindEdit_ = new QLineEdit(this);
  kindEdit_->setGeometry(48, 10, 80, 24);
  kindEdit_->setMaxLength(15);
  destinationEdit_ = new QLineEdit(this);
  destinationEdit_->setGeometry(140, 10, 150, 24);
  destinationEdit_->setMaxLength(63);
  dateLabel_ = new CLinkLabel(QStringLiteral("Date:"), this);
  dateLabel_->setGeometry(300, 12, 40, 20);
  dateFromEdit_ = new QLineEdit(this);
  dateFromEdit_->setGeometry(342, 10, 110, 24);
  dateFromEdit_->setMaxLength(19);
  dateToEdit_ = new QLineEdit(this);
  dateToEdit_->setGeometry(458, 10, 110, 24);
  dateToEdit_->setMaxLength(19);
  queryButton_ = new QPushButton(this);
  queryButton_->setGeometry(580, 8, 100, 28);
  queryButton_->setAutoDefault(false);
  grid_ = new CListGrid(this);
  grid_->setGeometry(10, 44, 880, 440);
  countLabel_ = new QLabel(this);
  countLabel_->setGeometry(10, 490, 880, 20);
  for (CLinkLabel* l : {kindLabel_, dateLabel_}) l->SetLinkCursor(Qt::PointingHandCursor);
  const QDate today = QDate::currentDate();
  dateToEdit_->setText(today.toString("yyyy.MM.dd"));
  dateFromEdit_->setText(today.addDays(-7).toString("yyyy.MM.dd"));
  connect(queryButton_, &QPushButton::clicked, this, [this] { OnQuery(); });
  connect(dateLabel_, &CLinkLabel::clicked, this, [this] { OnDateLabel(); });
  connect(kindLabel_, &CLinkLabel::clicked, this, [this] { OnKindLabel(); });
}

void CSendRecordQueryDlg::InitDialog() {
  setWindowTitle(ToQString(Text(280100 + listFlag_) + Text(280000)));
  queryButton_->setText(QText(280001));
  if (popup_ == nullptr) {
    popup_ = new CDestinationSuggestPopup(this);
    if (app_ != nullptr) popup_->Source().SetSource(&app_->Destinations());
    popup_->setGeometry(140, 21 + 14, 300, 80);
    binding_ = new CSuggestEditBinding(destinationEdit_, popup_, 31);
  }
  grid_->SetHighlightMode(2);
  grid_->EnableRowData(true);
  grid_->setShowGrid(true);
  grid_->SetNotifyWnd(this);
  if (grid_->ColumnCount() == 0) {
    grid_->InsertColumn(0, 90, Text(30002), kGridAlignLeft);
    grid_->InsertColumn(1, 110, Text(30003), kGridAlignLeft);
    grid_->InsertColumn(2, 55, Text(30004), kGridAlignRight);
    grid_->InsertColumn(3, 80, Text(30001), kGridAlignLeft);
    grid_->InsertColumn(4, 75, Text(30070), kGridAlignLeft);
    grid_->InsertColumn(5, 80, Text(30073), kGridAlignLeft);
    grid_->InsertColumn(6, 50, Text(30072), kGridAlignRight);
    grid_->InsertColumn(7, 60, Text(30069), kGridAlignLeft);
    grid_->InsertColumn(8, 80, Text(30040), kGridAlignLeft);
    grid_->InsertColumn(9, 150, Text(30022), kGridAlignLeft);
  }
  UpdateCountLabel();
}

int CSendRecordQueryDlg::DoModal() {
  InitDialog();
  return exec() == QDialog::Accepted ? platform::kIdOk : platform::kIdCancel;
}

void CSendRecordQueryDlg::OnQuery() {
  if (app_ == nullptr) return;
  SendRecordQueryConditions c;
  c.listFlag = listFlag_;
  ServerSession session = app_->Link().Session();
  c.station = WideFromGbk(session.station);
  c.clientKind = WideFromGbk(session.clientKind);
  c.dateFrom = Trimmed(ToU16(dateFromEdit_->text()));
  c.dateTo = Trimmed(ToU16(dateToEdit_->text()));
  c.destination = ToU16(destinationEdit_->text());
  c.serviceKind = ToU16(kindEdit_->text());
  std::string reply;
  if (!Query(app_->Link(), GbkFromWide(SendRecordQuerySql(c)), SendRecordQueryTypes(), reply)) return;
  grid_->DeleteAllRows();
  std::string_view rows = JsonListBody(reply, "List");
  size_t pos = 0;
  std::string_view object;
  JsonRowIndex row;
  while (JsonNextObject(rows, pos, object)) {
    row.Reset(object);
    const int32_t id = row.GetInt("0", 0);
    if (id <= 0) continue;
    const int r = grid_->InsertRow(grid_->RowCount(), row.GetWString("8", 30));
    grid_->SetRowId(r, id);
    grid_->SetCellText(r, 1, row.GetWString("4", 30));
    grid_->SetCellText(r, 2, Fixed(row.GetDouble("2", 0), 3));
    grid_->SetCellText(r, 3, row.GetWString("1", 63));
    grid_->SetCellText(r, 4, row.GetWString("3", 10));
    grid_->SetCellText(r, 5, row.GetWString("5", 63));
    grid_->SetCellText(r, 6, Int(row.GetInt("6", 0)));
    grid_->SetCellText(r, 7, AppLanguage().WaybillStateText(row.GetInt("7", 0)));
    grid_->SetCellText(r, 8, row.GetWString("9", 15));
  }
  UpdateCountLabel();
}

void CSendRecordQueryDlg::UpdateCountLabel() {
  std::u16string text = Text(280100 + listFlag_) + Text(280010);
  ReplaceAllW(text, u"%1", Int(grid_->RowCount()));
  countLabel_->setText(ToQString(text));
}

void CSendRecordQueryDlg::OnRowDoubleClick() {
  std::vector<int> selected = grid_->SelectedRows();
  if (selected.empty()) return;
  const int r = selected.front();
  if (!grid_->CellText(r, 9).empty()) return;  // failed before: not sent again
  if (!sendForm) return;
  auto request = std::make_unique<SendRecordRequest>();
  request->recordId = grid_->GetRowId(r);
  request->internalNumber = GbkFromWide(grid_->CellText(r, 0)).substr(0, 31);
  request->transferNumber = GbkFromWide(grid_->CellText(r, 1)).substr(0, 31);
  request->replyWindow = this;
  platform::SendPrivateMessage(sendForm.data(), WM_SEND_RECORD, 0, std::move(request));
}

void CSendRecordQueryDlg::OnDateLabel() {
  const QDate today = QDate::currentDate();
  dateToEdit_->setText(today.toString("yyyy.MM.dd"));
  dateFromEdit_->setText(today.addDays(-1).toString("yyyy.MM.dd"));
}

void CSendRecordQueryDlg::OnKindLabel() {
  if (app_ == nullptr) return;
  CListPickDlg dlg(this);
  dlg.SetList(&app_->serviceKindCodes, Text(170010));
  if (dlg.DoModal() == platform::kIdOk) kindEdit_->setText(ToQString(dlg.result));
}

bool CSendRecordQueryDlg::event(QEvent* e) {
  if (auto* m = platform::AsPrivateMessage(e)) {
    if (m->Message() == kGridMsgDoubleClick) {
      OnRowDoubleClick();
      return true;
    }
    if (m->Message() == WM_SEND_RECORD) {
      // The answer of the hand-over form; the block ends here.
      std::unique_ptr<SendRecordRequest> block = m->TakePayload<SendRecordRequest>();
      if (!block) return true;
      const int result = static_cast<int>(static_cast<qintptr>(m->WParam()));
      const int r = grid_->FindRowById(block->recordId);
      if (r >= 0) {
        if (result >= 0) {
          grid_->DeleteRow(r);
          UpdateCountLabel();
        } else {
          grid_->SetRowColors(r, GridRgb(255, 0, 0), kGridWhite);
          grid_->SetCellText(r, 9, block->failureText);
          grid_->SetRowSelected(r, false, false);
        }
      }
      return true;
    }
  }
  return QDialog::event(e);
}

void CSendRecordQueryDlg::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Down:
      focusNextChild();
      return;
    case Qt::Key_Up:
      focusPreviousChild();
      return;
    case Qt::Key_Escape:
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}
