// The bag list and the parcel list of the master air waybill form: bags put
// on by number, number list or the bag list dialog, taken off, renamed,
// ordered and marked; the parcels inside with their weights and values,
// pulled one by one, and the multi-piece check.  The rules and texts are
// in consolidation/AwbBags.h and AwbParcels.h; this file shows them.
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdlib>

#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "consolidation/AwbBags.h"
#include "consolidation/AwbEditorDlg.h"
#include "consolidation/BagListDlg.h"
#include "consolidation/RecordPicked.h"
#include "platform/MessageBox.h"
#include "platform/QtMessages.h"
#include "platform/QtText.h"
#include "refdata/BagDefaults.h"
#include "server/ProcedureCall.h"
#include "server/ServerLink.h"
#include "ui/LinkLabel.h"
#include "ui/ListGrid.h"
#include "ui/ViewHost.h"

namespace {

// The caption of the parcel-number input (内单).
constexpr int32_t kParcelNoCaption = 709000;

QString Q(std::u16string_view text) { return platform::ToQString(text); }
std::u16string U(const QString& text) { return platform::FromQString(text); }

std::u16string Trimmed(std::u16string text) { return TrimW(text); }

std::u16string Upper(std::u16string text) {
  for (char16_t& c : text)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return text;
}

// Hands a grid's clicks to the form.
class GridRelay : public QObject {
 public:
  GridRelay(QObject* parent, std::function<void(int message, int row)> handle)
      : QObject(parent), handle_(std::move(handle)) {}
  bool event(QEvent* e) override {
    if (auto* m = platform::AsPrivateMessage(e)) {
      handle_(m->Message(), static_cast<int>(m->WParam()));
      return true;
    }
    return QObject::event(e);
  }

 private:
  std::function<void(int, int)> handle_;
};

const uint32_t kResultType[] = {AcsTypeEntry(kSqlCSLong)};

}  // namespace

// ---- set-up ----

void CAwbEditorDlg::BuildBagLists(QVBoxLayout* frame) {
  auto link = [this](const QString& text) {
    auto* label = new CLinkLabel(text, this);
    label->SetTextColor(QColor(0, 0, 192)).SetLinkCursor(HandCursor());
    return label;
  };
  auto button = [this](int32_t id) {
    auto* b = new QPushButton(Q(Text(id)), this);
    b->setAutoDefault(false);
    return b;
  };
  addBagsCaption = link(Q(Text(410060)));
  bagNumberEdit = new QLineEdit(this);
  bagNumberEdit->setMaxLength(30);
  goButton = new QPushButton(QStringLiteral("Go"), this);
  goButton->setAutoDefault(false);
  bagNumbersCaption = link(Q(Text(410061)));
  renameButton = button(410062);
  renameButton->setEnabled(false);
  clearBagsCaption = link(Q(Text(410066)));
  specialCaption = link(Q(Text(410064)));
  specialEdit = new QLineEdit(this);
  specialEdit->setMaxLength(30);
  bagOrderButton = button(410063);
  specialOrderButton = button(410065);
  bagHeading = new QLabel(QStringLiteral("☆装袋记录列表"), this);
  bagList = new CListGrid(this);
  bagList->SetHighlightMode(2);
  bagList->EnableRowData(true);
  bagList->EnableHeaderSort(true);
  for (int c = 0; c < awb::kBagColumns; ++c) {
    const awb::ColumnSpec& col = awb::kBagListColumns[static_cast<size_t>(c)];
    bagList->InsertColumn(c, col.width, Text(col.caption), col.right ? kGridAlignRight : kGridAlignLeft);
  }
  bagList->setMinimumWidth(616);
  bagList->SetNotifyWnd(new GridRelay(this, [this](int message, int row) {
    if (message == kGridMsgClick) ClickBagRow(row);
    if (message == kGridMsgDoubleClick) TakeBagOff(row);
  }));

  parcelNoEdit = new QLineEdit(this);
  parcelNoEdit->setMaxLength(30);
  pullCaption = link(Q(Text(410069)));
  pullCaption->SetTextColor(QColor(255, 0, 0));
  pullCaption->hide();
  multiPieceButton = button(410120);
  parcelHeading = link(QStringLiteral("记录列表"));
  weightSummary = new QLabel(QStringLiteral("-- ??? --"), this);
  parcelList = new CListGrid(this);
  parcelList->SetHighlightMode(2);
  parcelList->EnableRowData(true);
  parcelList->EnableHeaderSort(false);
  for (int c = 0; c < awb::kParcelColumns; ++c) {
    const awb::ParcelColumnSpec& col = awb::kParcelListColumns[static_cast<size_t>(c)];
    parcelList->InsertColumn(c, col.width, col.caption == 0 ? u"ixNo" : Text(col.caption),
                             col.right ? kGridAlignRight : kGridAlignLeft);
  }
  parcelList->SetNotifyWnd(new GridRelay(this, [this](int message, int row) {
    if (message == kGridMsgDoubleClick) ChooseParcel(row);
  }));

  auto* left = new QVBoxLayout;
  auto* row1 = new QHBoxLayout;
  row1->addWidget(addBagsCaption);
  row1->addWidget(bagNumberEdit, 1);
  row1->addWidget(goButton);
  row1->addWidget(bagNumbersCaption);
  row1->addWidget(renameButton);
  row1->addWidget(clearBagsCaption);
  auto* row2 = new QHBoxLayout;
  row2->addWidget(specialCaption);
  row2->addWidget(specialEdit, 1);
  row2->addWidget(bagOrderButton);
  row2->addWidget(specialOrderButton);
  left->addLayout(row1);
  left->addLayout(row2);
  left->addWidget(bagHeading);
  left->addWidget(bagList, 1);
  auto* right = new QVBoxLayout;
  auto* row3 = new QHBoxLayout;
  row3->addWidget(new QLabel(Q(Text(kParcelNoCaption)), this));
  row3->addWidget(parcelNoEdit, 1);
  row3->addWidget(pullCaption);
  row3->addWidget(multiPieceButton);
  right->addLayout(row3);
  right->addWidget(parcelHeading);
  right->addWidget(parcelList, 1);
  right->addWidget(weightSummary);
  auto* lists = new QHBoxLayout;
  lists->addLayout(left, 0);
  lists->addLayout(right, 1);
  frame->addLayout(lists, 1);

  connect(goButton, &QPushButton::clicked, this, [this] { OnGo(); });
  connect(addBagsCaption, &CLinkLabel::clicked, this, [this] { ShowBagListDialog(); });
  connect(bagNumbersCaption, &CLinkLabel::clicked, this, [this] { AddBagsFromNumberList(); });
  connect(renameButton, &QPushButton::clicked, this, [this] { RenameBag(); });
  connect(clearBagsCaption, &CLinkLabel::clicked, this, [this] { TakeAllBagsOff(); });
  connect(specialCaption, &CLinkLabel::clicked, this, [this] { MarkSpecialNumber(); });
  connect(bagOrderButton, &QPushButton::clicked, this, [this] { ResetBagOrder(); });
  connect(specialOrderButton, &QPushButton::clicked, this, [this] { ResetSpecialOrder(); });
  connect(pullCaption, &CLinkLabel::clicked, this, [this] { PullParcel(); });
  connect(multiPieceButton, &QPushButton::clicked, this, [this] { CheckMultiPiece(); });
  connect(parcelHeading, &CLinkLabel::clicked, this, [this] {
    if (!editor_.loadedNumber.empty()) LoadParcels(editor_.loadedNumber);
  });
}

// ---- services ----

int CAwbEditorDlg::BagQuery(std::string_view sql, std::span<const uint32_t> types, std::string& reply) {
  if (bagServices.query) return bagServices.query(sql, types, reply);
  const auto& query = editor_.Services().query;
  return query ? query(sql, types, reply) : 0;
}

int CAwbEditorDlg::BagExecute(std::string_view sql, std::span<const uint32_t> types, std::string& reply) {
  if (bagServices.execute) return bagServices.execute(sql, types, reply);
  const auto& execute = editor_.Services().execute;
  return execute ? execute(sql, types, reply) : 0;
}

bool CAwbEditorDlg::Ask(int32_t textId, const std::u16string& first, const std::u16string& second,
                        int32_t captionId) {
  return platform::ShowMessageBox(FillArgsW(Text(textId), {first, second}), Text(captionId),
                                  platform::kMbYesNo | platform::kMbIconQuestion) == platform::kIdYes;
}

void CAwbEditorDlg::ShowText(const std::u16string& text, int32_t captionId) {
  platform::ShowMessageBox(text, Text(captionId), platform::kMbOk | platform::kMbIconWarning);
}

void CAwbEditorDlg::Sound(int index) {
  if (bagServices.playResultSound) bagServices.playResultSound(index);
}

bool CAwbEditorDlg::HasBagRight(unsigned mask) const {
  CServerLink* link = host != nullptr ? host->ServerLink() : nullptr;
  if (link == nullptr) return false;
  return (link->Session().xRighti[1] & mask) != 0;
}

// ---- the lists as a whole ----

void CAwbEditorDlg::ClearBagLists() {
  if (bagList == nullptr) return;
  bagList->DeleteAllRows();
  parcelList->DeleteAllRows();
  parcelRows_.clear();
  parcelSums_ = awb::ParcelSums{};
  bagCounts_ = {};
  renameSelection_ = 0;
  pullWaybill_ = pullPosition_ = pullBag_ = -1;
  renameButton->setEnabled(false);
  bagNumberEdit->clear();
  specialEdit->clear();
  parcelNoEdit->clear();
  if (HasBagRight(0x80)) pullCaption->hide();
  weightSummary->setText(QStringLiteral("-- ??? --"));
  StoreParcelSums();
  editor_.parcelListLoaded = false;
  UpdateBagHeading();
  UpdateParcelHeading();
}

void CAwbEditorDlg::StoreParcelSums() {
  editor_.parcelListLoaded = true;
  editor_.parcelRows = parcelSums_.rows;
  editor_.chargeableGrams = parcelSums_.ChargeableGrams();
}

void CAwbEditorDlg::UpdateBagHeading() {
  std::vector<std::array<std::u16string, 2>> cells;
  for (int r = 0; r < bagList->RowCount(); ++r)
    cells.push_back({bagList->CellText(r, awb::kBagPieces), bagList->CellText(r, awb::kBagWeight)});
  const awb::BagSums sums = awb::SumBagRows(cells);
  bagHeading->setText(Q(FillArgsW(
      Text(410067), {awb::UnsignedText(sums.rows), awb::UnsignedText(sums.pieces), awb::KgText(sums.weight)})));
}

void CAwbEditorDlg::UpdateParcelHeading() {
  const BagDefaults* d = editor_.Services().defaults;
  if (d != nullptr && d->switch25 && !editor_.loadedNumber.empty() && bagList->RowCount() > 0) {
    parcelHeading->setText(Q(Text(410071)));
    return;
  }
  parcelHeading->setText(Q(FillArgsW(Text(410068), {awb::UnsignedText(static_cast<uint64_t>(parcelList->RowCount())),
                                                    awb::UnsignedText(static_cast<uint64_t>(bagList->RowCount())),
                                                    awb::KgText(parcelSums_.chargeable)})));
}

void CAwbEditorDlg::UpdateWeightSummary() {
  weightSummary->setText(
      Q(FillArgsW(Text(410070), {awb::WeightPartsText(parcelSums_), awb::KgText(parcelSums_.actual)})));
}

void CAwbEditorDlg::LoadBags() {
  // An AWB without bags sends no parcels and no chargeable weight.
  StoreParcelSums();
  std::string reply;
  const int length = BagQuery(awb::BagListSql(editor_.loadedNumber), awb::BagListTypes(), reply);
  std::vector<awb::BagRow> rows;
  if (length <= 9 || !awb::ReadBagRows(reply, rows) || rows.empty()) return;
  for (const awb::BagRow& bag : rows) {
    const int row = bagList->InsertRow(bagList->RowCount(), bag.cells[0]);
    bagList->SetRowId(row, bag.id);
    for (int c = 1; c < awb::kBagColumns; ++c) bagList->SetCellText(row, c, bag.cells[static_cast<size_t>(c)]);
    ++bagCounts_[bag.state > 2 ? 1 : 0];
  }
  UpdateBagHeading();
  const BagDefaults* d = editor_.Services().defaults;
  if (d != nullptr && d->switch25) {
    parcelHeading->setText(Q(Text(410071)));
    return;
  }
  LoadParcels(editor_.loadedNumber);
}

// ---- parcels ----

void CAwbEditorDlg::AppendParcelRows(const std::vector<awb::ParcelRow>& rows) {
  for (const awb::ParcelRow& parcel : rows) {
    const int row = parcelList->InsertRow(parcelList->RowCount(), u"");
    parcelList->SetRowId(row, parcel.waybillId);
    parcelList->SetCellText(row, 0, awb::UnsignedText(static_cast<uint64_t>(row + 1)));
    for (int c = 1; c < awb::kParcelColumns; ++c)
      parcelList->SetCellText(row, c, parcel.cells[static_cast<size_t>(c)]);
    parcelSums_.Add(parcel);
    parcelRows_.push_back(parcel);
  }
}

void CAwbEditorDlg::LoadParcels(std::u16string_view awbNumber) {
  if (awbNumber.empty()) return;
  parcelList->DeleteAllRows();
  parcelRows_.clear();
  parcelSums_ = awb::ParcelSums{};
  for (bool past : {false, true}) {
    if (bagCounts_[past ? 1 : 0] == 0) continue;
    std::string reply;
    const int length = BagQuery(awb::AwbParcelSql(awbNumber, past), awb::AwbParcelTypes(past), reply);
    if (length <= 9) break;
    if (JsonFindKey("List", reply) == kJsonNone) {
      Sound(1);
      ShowText(Text(20005));
      break;
    }
    std::vector<awb::ParcelRow> rows;
    awb::ReadParcelRows(reply, !past, bagServices.dimensions, rows);
    AppendParcelRows(rows);
  }
  StoreParcelSums();
  UpdateWeightSummary();
  UpdateParcelHeading();
}

int CAwbEditorDlg::AppendBagParcels(int32_t bagId) {
  std::string reply;
  const int length = BagQuery(awb::BagParcelSql(bagId), awb::BagParcelTypes(), reply);
  if (length <= 9) return -9;
  if (JsonFindKey("List", reply) == kJsonNone) {
    Sound(1);
    ShowText(Text(20005));
    return -9;
  }
  std::vector<awb::ParcelRow> rows;
  awb::ReadParcelRows(reply, false, bagServices.dimensions, rows);
  AppendParcelRows(rows);
  StoreParcelSums();
  UpdateWeightSummary();
  UpdateParcelHeading();
  UpdateBagHeading();
  return 0;
}

// ---- putting bags on ----

int CAwbEditorDlg::CheckBagDestination(int32_t bagId, std::u16string_view bagNumber, std::u16string& lines) {
  const BagDefaults* d = editor_.Services().defaults;
  if (d == nullptr || !d->switch23) return 1;
  ReadFields();
  if (editor_.header.cdes.empty()) return 1;
  std::string reply;
  const int length = BagQuery(awb::DestinationSql(bagId, bagNumber), awb::DestinationTypes(), reply);
  return awb::CheckDestinationReply(length, reply, editor_.header.cdes, lines);
}

int CAwbEditorDlg::AddBags(int32_t bagId, bool messages) {
  if (!editor_.flags.bagsOpen) return -4;
  const bool byId = bagId > 0;
  const std::u16string number = byId ? std::u16string() : Upper(Trimmed(U(bagNumberEdit->text())));
  std::u16string lines;
  if (CheckBagDestination(bagId, number, lines) == 0) {
    Sound(1);
    if (messages) ShowText(Text(410072) + u"\r\n" + lines, 21003);
    return -3;
  }
  std::string reply;
  serverlink::ProcedureResult result;
  const serverlink::ProcedureSender send = [this](std::string_view sql, std::span<const uint32_t> types,
                                                  std::string& out) { return BagExecute(sql, types, out); };
  if (!serverlink::CallProcedure(send, awb::AddBagSql(bagId, number, editor_.loadedNumber, editor_.Services().userName),
                                 awb::AddBagTypes(), result)) {
    ShowText(editor_.Services().lastErrorText ? editor_.Services().lastErrorText() : Text(20023));
    return -1;
  }
  if (result.code <= 0) {
    Sound(1);
    if (messages) {
      if (const int32_t text = awb::AddRefusalText(result.code, byId))
        ShowText(FillArgsW(Text(text), {byId ? awb::UnsignedText(static_cast<uint64_t>(bagId)) : number}));
      else
        ShowText(editor_.Services().lastErrorText ? editor_.Services().lastErrorText() : Text(20023));
    }
    return -1;
  }
  Sound(0);
  ReadFields();
  const int32_t id = result.code;
  auto output = [&result](size_t n) {
    return n - 1 < result.outputs.size() ? WideFromGbk(result.outputs[n - 1]) : std::u16string();
  };
  std::u16string order = output(7);
  std::u16string special = output(8);
  const BagDefaults* d = editor_.Services().defaults;
  if (d != nullptr && d->switch26 && awb::PackingCount(editor_.header.cpacking) > 0) {
    const std::u16string packed = awb::PackingOrder(static_cast<size_t>(bagList->RowCount()), editor_.header.cpacking);
    if (!packed.empty()) {
      order = packed;
      const std::u16string input = Trimmed(U(specialEdit->text()));
      if (!input.empty()) special = input;
      std::string ignored;
      BagExecute(awb::OrderAndSpecialSql(id, order, special), {}, ignored);
    } else {
      ShowText(Text(410084));
    }
  }
  const awb::BagRow bag = awb::BagRowFromOutputs(id, result.outputs, order, special);
  const int row = bagList->InsertRow(bagList->RowCount(), bag.cells[0]);
  bagList->SetRowId(row, id);
  for (int c = 1; c < awb::kBagColumns; ++c) bagList->SetCellText(row, c, bag.cells[static_cast<size_t>(c)]);
  ++bagCounts_[0];
  bagList->SelectAndShowRow(row);
  UpdateBagHeading();
  const BagDefaults* defaults = editor_.Services().defaults;
  if (defaults != nullptr && defaults->switch25) return row;
  const int listed = AppendBagParcels(id);
  UpdateBagHeading();
  return listed == 0 ? row : -9;
}

void CAwbEditorDlg::OnGo() {
  if (!editor_.flags.editable || !editor_.flags.bagsOpen) return;
  ReadFields();
  const std::u16string number = Upper(Trimmed(U(bagNumberEdit->text())));
  bagNumberEdit->setText(Q(number));
  if (number.empty()) {
    ShowText(Text(410101));
  } else {
    int found = -1;
    for (int r = 0; r < bagList->RowCount() && found < 0; ++r)
      if (bagList->CellText(r, awb::kBagNumber) == number) found = r;
    if (found >= 0) {
      for (int r : bagList->SelectedRows()) bagList->SetRowSelected(r, false, false);
      bagList->SelectAndShowRow(found);
      ShowText(Text(410102));
    } else {
      AddBags(0, true);
    }
  }
  bagNumberEdit->setFocus();
  bagNumberEdit->selectAll();
}

void CAwbEditorDlg::AddBagsFromNumberList() {
  if (!editor_.flags.editable || !editor_.flags.bagsOpen || !bagServices.importNumberList) return;
  ReadFields();
  std::vector<std::u16string> numbers;
  if (bagServices.importNumberList(numbers, 10) > 0) {
    for (const std::u16string& n : numbers) {
      bagNumberEdit->setText(Q(Upper(n)));
      AddBags(0, false);
    }
  }
  bagNumberEdit->setFocus();
  bagNumberEdit->selectAll();
}

void CAwbEditorDlg::ShowBagListDialog() {
  if (!editor_.flags.bagsOpen) return;
  if (bagListDlg == nullptr) {
    CServerLink* link = host != nullptr ? host->ServerLink() : nullptr;
    if (link == nullptr) return;
    bagListDlg = new CBagListDlg(kBagListSealedBags, *link, this);
    bagListDlg->setWindowFlag(Qt::Window, true);
    bagListDlg->setGeometry(mapToGlobal(QPoint(250, 100)).x(), mapToGlobal(QPoint(250, 100)).y(), 762, 428);
    bagListDlg->hide();
    bagListDlg->SetNotifyWnd(this);
    bagListDlg->RunQuery();
  }
  bagListDlg->show();
  bagListDlg->raise();
}

bool CAwbEditorDlg::event(QEvent* e) {
  if (auto* m = platform::AsPrivateMessage(e); m != nullptr && m->Message() == WM_RECORD_PICKED) {
    ReadFields();
    const int added = AddBags(static_cast<int32_t>(m->WParam()), false);
    // A bag whose parcels could not be listed is on the AWB all the same:
    // its row leaves the dialog too.
    if ((added >= 0 || added == -9) && bagListDlg != nullptr) bagListDlg->RemoveRow(static_cast<int>(m->LParam()));
    m->SetResult(added);
    return true;
  }
  return QWidget::event(e);
}

// ---- taking bags off, renaming, orders ----

void CAwbEditorDlg::TakeBagOff(int row) {
  if (!editor_.flags.editable || row < 0 || row >= bagList->RowCount()) return;
  const int32_t id = bagList->GetRowId(row);
  if (id < 1) return;
  if (!Ask(20033, awb::UnsignedText(static_cast<uint64_t>(row + 1)))) return;
  serverlink::ProcedureResult result;
  const serverlink::ProcedureSender send = [this](std::string_view sql, std::span<const uint32_t> types,
                                                  std::string& out) { return BagExecute(sql, types, out); };
  if (!serverlink::CallProcedure(send, awb::TakeOffSql(id, editor_.loadedNumber, editor_.Services().userName, true),
                                 kResultType, result)) {
    ShowText(editor_.Services().lastErrorText ? editor_.Services().lastErrorText() : Text(20023));
    return;
  }
  if (result.code >= 0) {
    const std::u16string number = editor_.loadedNumber;
    LoadAwb(number);
    return;
  }
  const int32_t text = awb::TakeOffRefusalText(result.code);
  ShowText(text != 0 ? Text(text) : (editor_.Services().lastErrorText ? editor_.Services().lastErrorText() : Text(20023)));
}

void CAwbEditorDlg::TakeAllBagsOff() {
  if (!editor_.flags.editable || bagList->RowCount() == 0) return;
  if (!Ask(410103)) return;
  for (int r = 0; r < bagList->RowCount(); ++r) {
    const int32_t id = bagList->GetRowId(r);
    if (id < 1) break;
    std::string ignored;
    BagExecute(awb::TakeOffSql(id, editor_.loadedNumber, editor_.Services().userName, false), {}, ignored);
  }
  const std::u16string number = editor_.loadedNumber;
  LoadAwb(number);
}

void CAwbEditorDlg::ClickBagRow(int row) {
  if (row < 0 || row >= bagList->RowCount()) return;
  const int32_t id = bagList->GetRowId(row);
  if (id <= 0) return;
  const std::u16string idText = awb::UnsignedText(static_cast<uint64_t>(id));
  for (int r = 0; r < parcelList->RowCount(); ++r) {
    if (parcelList->CellText(r, awb::kParcelBagId) == idText) {
      for (int s : parcelList->SelectedRows()) parcelList->SetRowSelected(s, false, false);
      parcelList->SelectAndShowRow(r);
      break;
    }
  }
  ReadFields();
  specialEdit->setText(Q(bagList->CellText(row, awb::kBagSpecial)));
  if (HasBagRight(0x40)) {
    renameButton->setEnabled(true);
    bagNumberEdit->setText(Q(bagList->CellText(row, awb::kBagNumber)));
    renameSelection_ = id;
  }
}

void CAwbEditorDlg::RenameBag() {
  if (renameSelection_ <= 0 || !HasBagRight(0x40)) return;
  ReadFields();
  const std::u16string number = Trimmed(U(bagNumberEdit->text()));
  if (number.empty()) {
    ShowText(Text(410106));
    return;
  }
  serverlink::ProcedureResult result;
  const serverlink::ProcedureSender send = [this](std::string_view sql, std::span<const uint32_t> types,
                                                  std::string& out) { return BagExecute(sql, types, out); };
  if (!serverlink::CallProcedure(send, awb::RenameSql(renameSelection_, number, editor_.Services().userName),
                                 kResultType, result)) {
    ShowText(editor_.Services().lastErrorText ? editor_.Services().lastErrorText() : Text(20023));
    return;
  }
  if (result.code > 0) {
    const int row = bagList->FindRowById(renameSelection_);
    if (row >= 0) bagList->SetCellText(row, awb::kBagNumber, Upper(number));
    renameButton->setEnabled(false);
    bagNumberEdit->clear();
    renameSelection_ = 0;
    return;
  }
  const int32_t text = awb::RenameRefusalText(result.code);
  ShowText(text != 0 ? Text(text) : (editor_.Services().lastErrorText ? editor_.Services().lastErrorText() : Text(20023)));
}

namespace {

// Sends a statement whose answer is only checked: true when the server
// took it.
bool Stored(const std::function<int(std::string_view, std::span<const uint32_t>, std::string&)>& execute,
            const std::string& sql) {
  std::string reply;
  const int length = execute(sql, {}, reply);
  if (length <= 0) return false;
  return JsonFindKey("ReturnValue", reply) != kJsonNone && JsonGetInt("ReturnValue", reply, -1) >= 0;
}

}  // namespace

void CAwbEditorDlg::ResetBagOrder() {
  if (!editor_.flags.editable || bagList->RowCount() == 0) return;
  if (!Ask(410105)) return;
  const auto execute = [this](std::string_view sql, std::span<const uint32_t> types, std::string& reply) {
    return BagExecute(sql, types, reply);
  };
  const size_t n = static_cast<size_t>(bagList->RowCount());
  for (size_t i = 0; i < n; ++i) {
    const int row = static_cast<int>(i);
    const std::u16string order = awb::OrderText(i, n);
    // The row shows the new order only when the server stored it.
    if (!Stored(execute, awb::BagOrderSql(bagList->GetRowId(row), order))) {
      ShowText(editor_.Services().lastErrorText ? editor_.Services().lastErrorText() : Text(20023));
      return;
    }
    bagList->SetCellText(row, awb::kBagOrder, order);
  }
}

void CAwbEditorDlg::MarkSpecialNumber() {
  if (!editor_.flags.editable) return;
  ReadFields();
  const std::u16string number = Trimmed(U(specialEdit->text()));
  if (number.empty()) {
    ShowText(Text(410111));
    return;
  }
  const std::vector<int> rows = bagList->SelectedRows();
  if (rows.empty()) {
    ShowText(Text(410112));
    return;
  }
  std::vector<int32_t> ids;
  for (int r : rows) ids.push_back(bagList->GetRowId(r));
  const auto execute = [this](std::string_view sql, std::span<const uint32_t> types, std::string& reply) {
    return BagExecute(sql, types, reply);
  };
  if (!Stored(execute, awb::SpecialNumberSql(number, ids))) {
    ShowText(editor_.Services().lastErrorText ? editor_.Services().lastErrorText() : Text(20023));
    return;
  }
  // The number as the server stored it (cut to its column).
  std::string narrow = GbkFromWide(number);
  if (narrow.size() > 60) narrow.resize(60);
  for (int r : rows) bagList->SetCellText(r, awb::kBagSpecial, WideFromGbk(narrow));
}

void CAwbEditorDlg::ResetSpecialOrder() {
  if (!editor_.flags.editable || bagList->RowCount() == 0) return;
  if (!Ask(410113)) return;
  std::vector<std::u16string> specials;
  for (int r = 0; r < bagList->RowCount(); ++r) specials.push_back(bagList->CellText(r, awb::kBagSpecial));
  const std::vector<std::u16string> orders = awb::SpecialOrderTexts(specials);
  const auto execute = [this](std::string_view sql, std::span<const uint32_t> types, std::string& reply) {
    return BagExecute(sql, types, reply);
  };
  for (size_t i = 0; i < orders.size(); ++i) {
    const int row = static_cast<int>(i);
    if (!Stored(execute, awb::SpecialOrderSql(bagList->GetRowId(row), orders[i]))) {
      ShowText(editor_.Services().lastErrorText ? editor_.Services().lastErrorText() : Text(20023));
      return;
    }
    bagList->SetCellText(row, awb::kBagSpecialOrder, orders[i]);
  }
  Sound(0);
}

// ---- pulling parcels, the multi-piece check ----

void CAwbEditorDlg::ChooseParcel(int row) {
  if (row < 0 || row >= parcelList->RowCount()) return;
  const int32_t waybill = parcelList->GetRowId(row);
  if (waybill <= 0) return;
  pullWaybill_ = waybill;
  pullPosition_ = std::atoi(GbkFromWide(parcelList->CellText(row, awb::kParcelPosition)).c_str());
  pullBag_ = std::atoi(GbkFromWide(parcelList->CellText(row, awb::kParcelBagId)).c_str());
  parcelNoEdit->setText(Q(parcelList->CellText(row, awb::kParcelServiceNo)));
  if (HasBagRight(0x80)) pullCaption->show();
}

void CAwbEditorDlg::SearchParcel() {
  const std::u16string text = Upper(Trimmed(U(parcelNoEdit->text())));
  if (text.empty()) return;
  for (int r = 0; r < parcelList->RowCount(); ++r) {
    if (parcelList->CellText(r, awb::kParcelServiceNo).find(text) != std::u16string::npos) {
      for (int s : parcelList->SelectedRows()) parcelList->SetRowSelected(s, false, false);
      parcelList->SelectAndShowRow(r);
      ChooseParcel(r);
      return;
    }
  }
}

void CAwbEditorDlg::PullParcel() {
  if (pullWaybill_ <= 0 || pullPosition_ < 0 || pullBag_ <= 0 || !HasBagRight(0x80)) return;
  if (!Ask(410114, awb::UnsignedText(static_cast<uint64_t>(pullWaybill_)), U(parcelNoEdit->text()))) return;
  const BagDefaults* d = editor_.Services().defaults;
  const bool whole = d != nullptr && d->switch19;
  serverlink::ProcedureResult result;
  const serverlink::ProcedureSender send = [this](std::string_view sql, std::span<const uint32_t> types,
                                                  std::string& out) { return BagExecute(sql, types, out); };
  if (!serverlink::CallProcedure(
          send, awb::PullSql(whole, pullBag_, pullWaybill_, pullPosition_, editor_.Services().userName), kResultType,
          result)) {
    ShowText(editor_.Services().lastErrorText ? editor_.Services().lastErrorText() : Text(20023));
    return;
  }
  if (result.code < 0) {
    const int32_t text = awb::PullRefusalText(result.code);
    ShowText(text != 0 ? Text(text) : (editor_.Services().lastErrorText ? editor_.Services().lastErrorText() : Text(20023)));
    return;
  }
  pullCaption->hide();
  // The rows the server took out of that bag go, and the sums lose exactly
  // their weights, pieces and values (the save then sends what flies).
  int first = -1;
  for (int r = parcelList->RowCount() - 1; r >= 0; --r) {
    const awb::ParcelRow& p = parcelRows_[static_cast<size_t>(r)];
    const bool match = p.waybillId == pullWaybill_ && p.bagId == pullBag_ && (whole || p.position == pullPosition_);
    if (!match) continue;
    if (!whole) {
      // Only the first such row from the top.
      bool earlier = false;
      for (int e = 0; e < r; ++e) {
        const awb::ParcelRow& q = parcelRows_[static_cast<size_t>(e)];
        earlier = earlier || (q.waybillId == pullWaybill_ && q.bagId == pullBag_ && q.position == pullPosition_);
      }
      if (earlier) continue;
    }
    parcelSums_.Remove(p);
    parcelRows_.erase(parcelRows_.begin() + r);
    parcelList->DeleteRow(r);
    first = r;
  }
  if (first >= 0)
    for (int r = first; r < parcelList->RowCount(); ++r)
      parcelList->SetCellText(r, 0, awb::UnsignedText(static_cast<uint64_t>(r + 1)));
  if (HasBagRight(0x40)) renameButton->setEnabled(false);
  StoreParcelSums();
  UpdateWeightSummary();
  UpdateParcelHeading();
}

void CAwbEditorDlg::CheckMultiPiece() {
  if (bagList->RowCount() == 0) return;
  std::vector<std::string> replies;
  for (bool past : {false, true}) {
    std::string reply;
    if (BagQuery(awb::MultiPieceSql(editor_.loadedNumber, past), awb::MultiPieceTypes(), reply) > 9)
      replies.push_back(std::move(reply));
  }
  awb::MultiPieceReport report;
  const bool any = awb::BuildMultiPieceReport(
      replies,
      [this](const std::u16string& number, const std::u16string& pieces, const std::u16string& found,
             const std::u16string& missing) {
        std::u16string line = Text(410121);
        line = FillArgsW(line, {number, pieces, found, missing});
        return line + u"\r\n";
      },
      report);
  if (!any) {
    ShowText(Text(410122));
    return;
  }
  std::u16string text = FillArgsW(Text(410123), {awb::Count3(report.groups), awb::Count3(report.incomplete)});
  if (report.incomplete > 0) {
    text += u"\r\n" + Text(410124);
    if (bagServices.copyToClipboard) bagServices.copyToClipboard(report.lines);
  }
  ShowText(text);
}
