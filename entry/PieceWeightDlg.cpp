#include "entry/PieceWeightDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/FieldCheck.h"
#include "common/LanguageTable.h"
#include "common/WideText.h"
#include "entry/EntryDialogKeys.h"
#include "entry/EntryEdits.h"
#include "devices/ScaleSource.h"
#include "platform/MessageBox.h"
#include "platform/QtMessages.h"
#include "ui/ListGrid.h"

namespace {

constexpr int kTextCaption = 150000;
constexpr int kTextConfirm = 150018;
constexpr int kTextReenter = 150019;
constexpr int kTextOk = 150020;
constexpr int kTextPiece = 150021;
constexpr int kTextTotal = 150022;
constexpr int kTextVolume = 150023;
constexpr int kTextPercentColumn = 150024;
constexpr int kTextNumber = 30002;
constexpr int kTextTransferNo = 30003;

constexpr GridColor kNewPieceColor = 0x008000;
constexpr GridColor kChangedPieceColor = 0x000080;

// Field labels in field order (the numbers' labels get a ":").
constexpr std::array<int, CPieceWeightDlg::kFieldCount> kLabels = {
    150001, 150002, 150003, 150004, 150005, 150006, 150007, 150008, 150009,
    150010, 150011, 150012, 150013, 150014, 150015, kTextNumber, kTextTransferNo};
constexpr int kTextPiecesUnit = 150016;  // after the add count
constexpr int kTextCentimetres = 150017;  // after the height

constexpr GridColumnSpec kColumns[18] = {
    {30076, 50, kGridAlignLeft},
    {30004, 60, kGridAlignRight},
    {30091, 60, kGridAlignRight},
    {30257, 50, kGridAlignRight},
    {30258, 50, kGridAlignRight},
    {30259, 50, kGridAlignRight},
    {kTextPercentColumn, 50, kGridAlignCenter},
    {30026, 80, kGridAlignLeft},
    {30027, 60, kGridAlignRight},
    {30028, 60, kGridAlignRight},
    {30062, 60, kGridAlignRight},
    {30063, 60, kGridAlignRight},
    {30058, 100, kGridAlignLeft},
    {30059, 80, kGridAlignLeft},
    {30060, 80, kGridAlignLeft},
    {30061, 80, kGridAlignLeft},
    {kTextNumber, 80, kGridAlignLeft},
    {kTextTransferNo, 80, kGridAlignLeft},
};

void SetLabelColor(QLabel* label, GridColor color) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, ToQColor(color));
  label->setPalette(palette);
}

const std::vector<std::unique_ptr<PieceLine>>& NoPieces() {
  static const std::vector<std::unique_ptr<PieceLine>> none;
  return none;
}

std::u16string U16(const QString& text) { return text.toStdU16String(); }

}  // namespace

CPieceWeightDlg::CPieceWeightDlg(int declaredCount,
                                 std::vector<std::unique_ptr<PieceLine>>* pieces,
                                 double declaredWeight, int32_t waybillId, char classLetter,
                                 char overrideLetter, QWidget* parent)
    : QDialog(parent),
      model_(declaredCount, pieces ? *pieces : NoPieces(),
             overrideLetter != 0 ? overrideLetter : classLetter),
      callerPieces_(pieces),
      declaredWeight_(declaredWeight),
      waybillId_(waybillId),
      overridden_(overrideLetter != 0) {
  setObjectName("pieceWeights");
  for (int f = 0; f < kFieldCount; ++f) {
    QLineEdit* edit;
    switch (f) {
      case kLength: case kWidth: case kHeight: case kPercent: case kAddCount: case kQuantity:
        edit = MakeIntegerEdit(this);
        break;
      case kWeight: case kPrice: case kCustoms: case kRate:
        edit = MakeRealEdit(this);
        break;
      case kNumber: case kTransferNo:
        edit = MakeTextEdit(this, 30);
        break;
      default:
        edit = MakeTextEdit(this, 62);
        break;
    }
    edits_[f] = edit;
  }
  confirmButton_ = new QPushButton(this);
  confirmButton2_ = new QPushButton(this);
  reenterButton_ = new QPushButton(this);
  okButton_ = new QPushButton(this);
  for (QPushButton* b : {confirmButton_, confirmButton2_, reenterButton_, okButton_})
    b->setAutoDefault(false);
  grid_ = new CListGrid(this);
  pieceLabel_ = new QLabel(this);
  totalLabel_ = new QLabel(this);
  volumeLabel_ = new QLabel(this);
  divisorLabel_ = new QLabel(this);
  QFont bold = pieceLabel_->font();
  bold.setBold(true);
  pieceLabel_->setFont(bold);
  totalLabel_->setFont(bold);

  auto* form = new QGridLayout;
  int column = 0;
  // An edit with its label before it and, when given, a unit label after it
  // in the same cell.
  auto add = [&](int row, Field f, QLabel* unit = nullptr) {
    labels_[f] = new QLabel(this);
    labels_[f]->setBuddy(edits_[f]);
    form->addWidget(labels_[f], row, column++, Qt::AlignRight);
    if (unit == nullptr) {
      form->addWidget(edits_[f], row, column++);
      return;
    }
    auto* cell = new QHBoxLayout;
    cell->addWidget(edits_[f], 1);
    cell->addWidget(unit);
    form->addLayout(cell, row, column++);
  };
  centimetresLabel_ = new QLabel(this);
  piecesUnitLabel_ = new QLabel(this);
  // Row 0: the piece, its weight and dimensions.
  form->addWidget(pieceLabel_, 0, 0, 1, 2);
  column = 2;
  for (Field f : {kWeight, kLength, kWidth}) add(0, f);
  add(0, kHeight, centimetresLabel_);
  // Row 1: percentage, add count, goods name, quantity, price.
  column = 0;
  add(1, kPercent);
  add(1, kAddCount, piecesUnitLabel_);
  for (Field f : {kGoods, kQuantity, kPrice}) add(1, f);
  // Row 2: alias, codes, customs value.
  column = 0;
  for (Field f : {kAlias, kCodeA, kCodeB, kCodeC, kCustoms}) add(2, f);
  // Row 3: tax rate, the piece's numbers and the confirm buttons.
  column = 0;
  for (Field f : {kRate, kNumber, kTransferNo}) add(3, f);
  form->addWidget(confirmButton_, 3, column++, 1, 2);
  form->addWidget(confirmButton2_, 1, 10, 1, 1);
  auto* labels = new QHBoxLayout;
  // The labels take the free width: their texts change as pieces are keyed.
  labels->addWidget(totalLabel_, 2);
  labels->addWidget(volumeLabel_, 2);
  labels->addWidget(divisorLabel_, 1);
  labels->addWidget(reenterButton_);
  labels->addWidget(okButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(labels);
  layout->addWidget(grid_, 1);

  connect(confirmButton_, &QPushButton::clicked, this, &CPieceWeightDlg::ConfirmPiece);
  connect(confirmButton2_, &QPushButton::clicked, this, &CPieceWeightDlg::ConfirmPiece);
  connect(reenterButton_, &QPushButton::clicked, this, &CPieceWeightDlg::Reenter);
  connect(okButton_, &QPushButton::clicked, this, &CPieceWeightDlg::accept);
  for (Field f : {kLength, kWidth, kHeight})
    connect(edits_[f], &QLineEdit::textChanged, this, &CPieceWeightDlg::UpdateVolumeLabel);
  keys_ = new CEntryDialogKeys(this, confirmButton_, [this] { ConfirmPiece(); }, false);
  places_ = AddPlaceSuggestions(edits_[kGoods], edits_[kAlias], edits_[kCodeA]);
  resize(1100, 520);
}

CPieceWeightDlg::~CPieceWeightDlg() {
  if (scaleOpen_ && scale_) scale_->Close();
}

void CPieceWeightDlg::InitDialog() {
  if (started_) return;
  started_ = true;
  const CLanguageTable& language = AppLanguage();
  setWindowTitle(QText(language.Text(kTextCaption)));
  for (int f = 0; f < kFieldCount; ++f) {
    std::u16string caption = language.Text(kLabels[f]);
    if (f == kNumber || f == kTransferNo) caption += u":";
    labels_[f]->setText(QText(caption));
  }
  centimetresLabel_->setText(QText(language.Text(kTextCentimetres)));
  piecesUnitLabel_->setText(QText(language.Text(kTextPiecesUnit)));
  confirmButton_->setText(QText(language.Text(kTextConfirm)));
  confirmButton2_->setText(QText(language.Text(kTextConfirm)));
  reenterButton_->setText(QText(language.Text(kTextReenter)));
  okButton_->setText(QText(language.Text(kTextOk)));
  SetUpEntryGrid(grid_, this, kColumns);
  edits_[kPercent]->setText(QStringLiteral("100"));
  Reenter();
  Refresh();
  DivisorLabel divisor = DivisorLabelOf(model_.ClassLetter());
  divisorLabel_->setText(QText(divisor.text));
  SetLabelColor(divisorLabel_, divisor.color);
  divisorLabel_->setVisible(!overridden_);
  if (scale_) scaleOpen_ = scale_->Open(this) == 1;
}

void CPieceWeightDlg::showEvent(QShowEvent* event) {
  InitDialog();
  QDialog::showEvent(event);
}

int CPieceWeightDlg::DoModal() {
  InitDialog();
  return exec() == QDialog::Accepted ? platform::kIdOk : platform::kIdCancel;
}

PieceValues CPieceWeightDlg::ReadEdits() const {
  PieceValues v;
  v.grams = RoundScaled(RealOf(edits_[kWeight]), 1000);
  v.length = IntegerOf(edits_[kLength]);
  v.width = IntegerOf(edits_[kWidth]);
  v.height = IntegerOf(edits_[kHeight]);
  v.percent = IntegerOf(edits_[kPercent]);
  v.addCount = IntegerOf(edits_[kAddCount]);
  v.name = TextOf(edits_[kGoods]);
  v.quantity = IntegerOf(edits_[kQuantity]);
  v.price = RealOf(edits_[kPrice]);
  v.alias = TextOf(edits_[kAlias]);
  v.codeA = TextOf(edits_[kCodeA]);
  v.codeB = TextOf(edits_[kCodeB]);
  v.codeC = TextOf(edits_[kCodeC]);
  v.customs = RealOf(edits_[kCustoms]);
  v.rate = RealOf(edits_[kRate]);
  v.number = TextOf(edits_[kNumber]);
  v.transferNo = TextOf(edits_[kTransferNo]);
  return v;
}

bool CPieceWeightDlg::ConfirmPiece() {
  switch (model_.Confirm(ReadEdits())) {
    case CPieceWeightsModel::ConfirmResult::kStored:
      HandBack();
      Refresh();
      return true;
    case CPieceWeightsModel::ConfirmResult::kGoodsRefused:
      edits_[kGoods]->setFocus();
      return false;
    case CPieceWeightsModel::ConfirmResult::kNoWeight:
      edits_[kWeight]->setFocus();
      return false;
  }
  return false;
}

void CPieceWeightDlg::Refresh() {
  grid_->DeleteAllRows();
  const auto& pieces = model_.Pieces();
  for (size_t i = 0; i < pieces.size(); ++i) {
    const PieceLine& p = *pieces[i];
    int row = grid_->InsertRow(grid_->RowCount());
    grid_->SetRowId(row, static_cast<int32_t>(i));
    grid_->SetCellInt(row, 0, static_cast<int>(i) + 1);
    grid_->SetCellText(row, 1, KilogramText(model_.ChargeableOf(p)));
    grid_->SetCellText(row, 2, KilogramText(p.ixWeight));
    grid_->SetCellInt(row, 3, p.ixLong);
    grid_->SetCellInt(row, 4, p.ixWidth);
    grid_->SetCellInt(row, 5, p.ixHeight);
    grid_->SetCellInt(row, 6, p.nxPercent);
    PieceValues v = model_.ValuesOf(static_cast<int>(i));
    grid_->SetCellText(row, 7, v.name);
    grid_->SetCellInt(row, 8, p.ixQuantity);
    grid_->SetCellNumber(row, 9, p.ixPrice / 100.0, 2);
    grid_->SetCellNumber(row, 10, p.fxGCustom, 2);
    grid_->SetCellNumber(row, 11, p.fxGCRate, 4);
    grid_->SetCellText(row, 12, v.alias);
    grid_->SetCellText(row, 13, v.codeA);
    grid_->SetCellText(row, 14, v.codeB);
    grid_->SetCellText(row, 15, v.codeC);
    grid_->SetCellText(row, 16, v.number);
    grid_->SetCellText(row, 17, v.transferNo);
  }
  if (model_.CurrentIndex() < 0) model_.Advance();
  if (model_.IsNewPiece())
    Reenter();
  else
    ShowPiece(model_.CurrentIndex());
  std::u16string total = AppLanguage().Text(kTextTotal);
  ReplaceAllW(total, u"%1", KilogramText(model_.TotalChargeable()));
  totalLabel_->setText(QText(total));
  UpdatePieceLabel();
  UpdateVolumeLabel();
  edits_[kWeight]->setFocus();
}

void CPieceWeightDlg::ShowPiece(int index) {
  const PieceValues v = model_.ValuesOf(index);
  edits_[kLength]->setText(QString::number(v.length));
  edits_[kWidth]->setText(QString::number(v.width));
  edits_[kHeight]->setText(QString::number(v.height));
  edits_[kPercent]->setText(QString::number(v.percent));
  edits_[kWeight]->setText(QText(KilogramText(v.grams)));
  edits_[kGoods]->setText(QText(v.name));
  edits_[kQuantity]->setText(QString::number(v.quantity));
  edits_[kPrice]->setText(RealText(v.price, 2));
  edits_[kAlias]->setText(QText(v.alias));
  edits_[kCodeA]->setText(QText(v.codeA));
  edits_[kCodeB]->setText(QText(v.codeB));
  edits_[kCodeC]->setText(QText(v.codeC));
  edits_[kCustoms]->setText(RealText(v.customs, 2));
  edits_[kRate]->setText(RealText(v.rate, 4));
  edits_[kNumber]->setText(QText(v.number));
  edits_[kTransferNo]->setText(QText(v.transferNo));
  edits_[kAddCount]->setText(QStringLiteral("1"));
}

void CPieceWeightDlg::Reenter() {
  for (Field f : {kLength, kWidth, kHeight, kCustoms, kRate})
    edits_[f]->setText(QStringLiteral("0"));
  for (Field f : {kWeight, kGoods, kAlias, kCodeA, kCodeB, kCodeC, kNumber, kTransferNo})
    edits_[f]->clear();
  edits_[kAddCount]->setText(QStringLiteral("1"));
  edits_[kQuantity]->setText(QStringLiteral("1"));
  edits_[kPrice]->setText(QStringLiteral("1.0"));
}

void CPieceWeightDlg::MakeCurrent(int row) {
  if (!model_.MakeCurrent(grid_->GetRowId(row))) return;
  ShowPiece(model_.CurrentIndex());
  UpdatePieceLabel();
  UpdateVolumeLabel();
}

void CPieceWeightDlg::UpdatePieceLabel() {
  std::u16string text = AppLanguage().Text(kTextPiece);
  ReplaceAllW(text, u"%1", U16(QString::number(model_.CurrentIndex() + 1)));
  ReplaceAllW(text, u"%2", U16(QString::number(model_.Declared())));
  pieceLabel_->setText(QText(text));
  SetLabelColor(pieceLabel_, model_.IsNewPiece() ? kNewPieceColor : kChangedPieceColor);
}

void CPieceWeightDlg::UpdateVolumeLabel() {
  const int64_t grams = model_.VolumetricOf(IntegerOf(edits_[kLength]), IntegerOf(edits_[kWidth]),
                                            IntegerOf(edits_[kHeight]));
  std::u16string text = AppLanguage().Text(kTextVolume);
  ReplaceAllW(text, u"%1", KilogramText(grams));
  volumeLabel_->setText(QText(text));
}

void CPieceWeightDlg::TakeScaleReading() {
  if (!scale_) return;
  const int grams = scale_->ReadWeight();
  if (grams < 0) return;
  edits_[kWeight]->setText(grams == 0 ? QStringLiteral("0") : QText(KilogramText(grams)));
}

void CPieceWeightDlg::accept() {
  // OK confirms the piece in the edits first.  An empty form closes (after
  // the last piece, for example); a keyed piece that cannot be stored keeps
  // the dialog open, with the focus where it needs mending.
  if (!ConfirmPiece() && !ReadEdits().IsBlank()) return;
  QDialog::accept();
}

void CPieceWeightDlg::HandBack() {
  if (callerPieces_ == nullptr) return;
  callerPieces_->clear();
  for (const auto& piece : model_.Pieces()) callerPieces_->push_back(std::make_unique<PieceLine>(*piece));
  piecesChanged = true;
}

void CPieceWeightDlg::done(int result) {
  if (scaleOpen_ && scale_) scale_->Close();
  scaleOpen_ = false;
  QDialog::done(result);
}

bool CPieceWeightDlg::event(QEvent* event) {
  if (auto* m = platform::AsPrivateMessage(event)) {
    if (m->Message() == devices::WM_PORT_RECEIVED) {
      TakeScaleReading();
      return true;
    }
    if (m->Message() == kGridMsgDoubleClick) {
      MakeCurrent(static_cast<int>(m->WParam()));
      return true;
    }
  }
  return QDialog::event(event);
}
