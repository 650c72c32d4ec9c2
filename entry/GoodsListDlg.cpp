#include "entry/GoodsListDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/LanguageTable.h"
#include "common/WideText.h"
#include "entry/EntryDialogKeys.h"
#include "entry/EntryEdits.h"
#include "platform/MessageBox.h"
#include "platform/QtMessages.h"
#include "ui/ListGrid.h"

namespace {

constexpr int kTextCaption = 140000;
constexpr int kTextFirstLabel = 140001;  // 140001 .. 140011, in field order
constexpr int kTextAdd = 140012;
constexpr int kTextUpdate = 140013;
constexpr int kTextReload = 140014;
constexpr int kTextOk = 140015;
constexpr int kTextDelete = 21401;
constexpr int kTextCount = 49166;

// Grid columns in field order.
constexpr GridColumnSpec kColumns[CGoodsListDlg::kFieldCount] = {
    {30026, 150, kGridAlignLeft},   // name
    {30027, 80, kGridAlignRight},   // quantity
    {30028, 60, kGridAlignRight},   // unit price
    {30062, 60, kGridAlignRight},   // customs value
    {30063, 60, kGridAlignRight},   // tax rate
    {30058, 100, kGridAlignLeft},   // alias
    {30059, 80, kGridAlignLeft},    // tariff code A
    {30060, 80, kGridAlignLeft},    // tariff code B
    {30061, 80, kGridAlignLeft},    // tariff code C
    {30065, 70, kGridAlignLeft},    // unit
    {30066, 70, kGridAlignRight},   // net weight
};

}  // namespace

CGoodsListDlg::CGoodsListDlg(QWidget* parent) : QDialog(parent) {
  setObjectName("goodsList");
  for (int f = 0; f < kFieldCount; ++f) {
    QLineEdit* edit;
    switch (f) {
      case kName: case kAlias: edit = MakeTextEdit(this, 255); break;
      case kCodeA: case kCodeB: case kCodeC: edit = MakeTextEdit(this, 62); break;
      case kUnit: edit = MakeTextEdit(this, 15); break;
      case kQuantity: edit = MakeIntegerEdit(this); break;
      default: edit = MakeRealEdit(this); break;
    }
    edits_[f] = edit;
  }
  addButton_ = new QPushButton(this);
  deleteButton_ = new QPushButton(this);
  reloadButton_ = new QPushButton(this);
  okButton_ = new QPushButton(this);
  for (QPushButton* b : {addButton_, deleteButton_, reloadButton_, okButton_}) b->setAutoDefault(false);
  grid_ = new CListGrid(this);
  countLabel_ = new QLabel(this);

  auto* form = new QGridLayout;
  // Three rows of label and edit pairs: name, quantity, price, customs, rate /
  // alias, codes A, B, C / unit, net weight.
  const int rowOf[kFieldCount] = {0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2};
  int columnOf[3] = {0, 0, 0};
  for (int f = 0; f < kFieldCount; ++f) {
    labels_[f] = new QLabel(this);
    labels_[f]->setBuddy(edits_[f]);
    int r = rowOf[f];
    form->addWidget(labels_[f], r, columnOf[r]++, Qt::AlignRight);
    form->addWidget(edits_[f], r, columnOf[r]++);
  }
  form->setColumnStretch(1, 3);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(countLabel_, 1);
  for (QPushButton* b : {addButton_, deleteButton_, reloadButton_, okButton_}) buttons->addWidget(b);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(buttons);
  layout->addWidget(grid_, 1);

  connect(addButton_, &QPushButton::clicked, this, &CGoodsListDlg::AddOrUpdate);
  connect(deleteButton_, &QPushButton::clicked, this, &CGoodsListDlg::DeleteCurrent);
  connect(reloadButton_, &QPushButton::clicked, this, &CGoodsListDlg::Load);
  connect(okButton_, &QPushButton::clicked, this, &CGoodsListDlg::accept);
  keys_ = new CEntryDialogKeys(this, addButton_, [this] { AddOrUpdate(); }, true);
  places_ = AddPlaceSuggestions(edits_[kName], edits_[kAlias], edits_[kCodeA]);
  resize(900, 480);
}

CGoodsListDlg::~CGoodsListDlg() = default;

void CGoodsListDlg::InitDialog() {
  if (started_) return;
  started_ = true;
  const CLanguageTable& language = AppLanguage();
  setWindowTitle(QText(language.Text(kTextCaption)));
  for (int f = 0; f < kFieldCount; ++f) labels_[f]->setText(QText(language.Text(kTextFirstLabel + f)));
  deleteButton_->setText(QText(language.Text(kTextDelete)));
  reloadButton_->setText(QText(language.Text(kTextReload)));
  okButton_->setText(QText(language.Text(kTextOk)));
  SetUpEntryGrid(grid_, this, kColumns);
  Load();
}

void CGoodsListDlg::showEvent(QShowEvent* event) {
  InitDialog();
  QDialog::showEvent(event);
}

int CGoodsListDlg::DoModal() {
  InitDialog();
  return exec() == QDialog::Accepted ? platform::kIdOk : platform::kIdCancel;
}

void CGoodsListDlg::Load() {
  static const std::vector<std::unique_ptr<GoodsLine>> kNone;
  model_.Load(lines ? *lines : kNone);
  grid_->DeleteAllRows();
  for (size_t i = 0; i < model_.Rows().size(); ++i) {
    int row = grid_->InsertRow(grid_->RowCount());
    grid_->SetRowId(row, model_.Rows()[i].key);
    WriteRow(row, model_.Rows()[i].values);
  }
  UpdateCountLabel();
  ClearEdits();
}

void CGoodsListDlg::WriteRow(int row, const GoodsLineValues& v) {
  grid_->SetCellText(row, kName, v.name);
  grid_->SetCellInt(row, kQuantity, v.quantity);
  grid_->SetCellNumber(row, kPrice, v.price, 2);
  grid_->SetCellNumber(row, kCustoms, v.customs, 2);
  grid_->SetCellNumber(row, kRate, v.rate, 4);
  grid_->SetCellText(row, kAlias, v.alias);
  grid_->SetCellText(row, kCodeA, v.codeA);
  grid_->SetCellText(row, kCodeB, v.codeB);
  grid_->SetCellText(row, kCodeC, v.codeC);
  grid_->SetCellText(row, kUnit, v.unit);
  grid_->SetCellNumber(row, kNetWeight, v.netWeight, 3);
}

void CGoodsListDlg::ShowValues(const GoodsLineValues& v) {
  edits_[kName]->setText(QText(v.name));
  edits_[kQuantity]->setText(QString::number(v.quantity));
  edits_[kPrice]->setText(RealText(v.price, 2));
  edits_[kCustoms]->setText(RealText(v.customs, 2));
  edits_[kRate]->setText(RealText(v.rate, 4));
  edits_[kAlias]->setText(QText(v.alias));
  edits_[kCodeA]->setText(QText(v.codeA));
  edits_[kCodeB]->setText(QText(v.codeB));
  edits_[kCodeC]->setText(QText(v.codeC));
  edits_[kUnit]->setText(QText(v.unit));
  edits_[kNetWeight]->setText(RealText(v.netWeight, 3));
}

GoodsLineValues CGoodsListDlg::ReadEdits() const {
  GoodsLineValues v;
  v.name = TextOf(edits_[kName]);
  v.quantity = IntegerOf(edits_[kQuantity]);
  v.price = RealOf(edits_[kPrice]);
  v.customs = RealOf(edits_[kCustoms]);
  v.rate = RealOf(edits_[kRate]);
  v.alias = TextOf(edits_[kAlias]);
  v.codeA = TextOf(edits_[kCodeA]);
  v.codeB = TextOf(edits_[kCodeB]);
  v.codeC = TextOf(edits_[kCodeC]);
  v.unit = TextOf(edits_[kUnit]);
  v.netWeight = RealOf(edits_[kNetWeight]);
  return v;
}

void CGoodsListDlg::ClearEdits() {
  model_.ClearCurrent();
  ShowValues(GoodsLineValues{});
  // Cleared edits show the defaults plainly: 1, 1.0 and empty numbers.
  edits_[kPrice]->setText(QStringLiteral("1.0"));
  for (Field f : {kCustoms, kRate, kNetWeight}) edits_[f]->setText(QStringLiteral("0"));
  deleteButton_->setEnabled(false);
  addButton_->setText(QText(AppLanguage().Text(kTextAdd)));
  edits_[kName]->setFocus();
}

void CGoodsListDlg::UpdateCountLabel() {
  std::u16string text = AppLanguage().Text(kTextCount);
  ReplaceAllW(text, u"%1", QString::number(grid_->RowCount()).toStdU16String());
  ReplaceAllW(text, u"%2", QString::number(model_.QuantitySum()).toStdU16String());
  countLabel_->setText(QText(text));
}

void CGoodsListDlg::AddOrUpdate() {
  const int32_t key = model_.CurrentKey();
  const int row = model_.AddOrUpdate(ReadEdits());
  if (row < 0) {
    edits_[kName]->setFocus();
    return;
  }
  int gridRow = key > 0 ? grid_->FindRowById(key) : -1;
  if (gridRow < 0) {
    gridRow = grid_->InsertRow(grid_->RowCount());
    grid_->SetRowId(gridRow, model_.Rows()[row].key);
  }
  WriteRow(gridRow, model_.Rows()[row].values);
  ClearEdits();
  UpdateCountLabel();
}

void CGoodsListDlg::MakeCurrent(int gridRow) {
  const int row = model_.RowOfKey(grid_->GetRowId(gridRow));
  const GoodsLineValues* values = model_.MakeCurrent(row);
  if (values == nullptr) return;
  ShowValues(*values);
  deleteButton_->setEnabled(true);
  addButton_->setText(QText(AppLanguage().Text(kTextUpdate)));
  edits_[kName]->setFocus();
}

void CGoodsListDlg::DeleteCurrent() {
  const int32_t key = model_.CurrentKey();
  if (!model_.DeleteCurrent()) return;
  const int gridRow = grid_->FindRowById(key);
  if (gridRow >= 0) grid_->DeleteRow(gridRow);
  ClearEdits();
  UpdateCountLabel();
}

void CGoodsListDlg::accept() {
  if (model_.ChangeCount() > 0 && lines != nullptr) {
    std::vector<std::unique_ptr<GoodsLine>> rebuilt = model_.BuildLines(ownerId);
    if (ownerId > 0 && !storeDetached && goodsStore != nullptr)
      for (const auto& old : *lines)
        if (old) goodsStore->RemoveById(old->id);
    *lines = std::move(rebuilt);
  }
  QDialog::accept();
}

bool CGoodsListDlg::event(QEvent* event) {
  if (auto* m = platform::AsPrivateMessage(event)) {
    if (m->Message() == kGridMsgDoubleClick) {
      MakeCurrent(static_cast<int>(m->WParam()));
      return true;
    }
  }
  return QDialog::event(event);
}
