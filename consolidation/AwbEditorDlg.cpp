#include "consolidation/AwbEditorDlg.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "platform/QtMessages.h"
#include "platform/QtText.h"
#include "platform/QtWaitForWork.h"
#include "refdata/AirlineTable.h"
#include "refdata/SqlRunner.h"
#include "server/ServerLink.h"
#include "ui/LinkLabel.h"
#include "ui/ViewHost.h"
#include "ui/ViewPage.h"

namespace {

// Captions whose ids this form shares with other screens carry ids of its
// own (the airline, the AWB number, the consignee account).
constexpr int32_t kCaptionAirline = 702010;
constexpr int32_t kCaptionAwb = 702011;
constexpr int32_t kCaptionReceiver = 702020;

QLineEdit* NewEdit(QWidget* parent, int maxChars) {
  auto* edit = new QLineEdit(parent);
  edit->setMaxLength(maxChars);
  return edit;
}

QString Q(std::u16string_view text) { return platform::ToQString(text); }
std::u16string U(const QString& text) { return platform::FromQString(text); }

}  // namespace

CAwbEditorDlg::CAwbEditorDlg(QWidget* parent, awb::EditorServices services)
    : QWidget(parent), editor_(std::move(services)) {
  Build();
}

CAwbEditorDlg::~CAwbEditorDlg() = default;

std::u16string CAwbEditorDlg::Text(int32_t id) const { return AppLanguage().Text(id); }

void CAwbEditorDlg::Build() {
  // A caption keeps its whole text however the grid is squeezed.
  auto caption = [this](int32_t id) {
    auto* label = new QLabel(Q(Text(id)), this);
    label->setMinimumWidth(label->sizeHint().width());
    return label;
  };
  auto link = [this](int32_t id) {
    auto* label = new CLinkLabel(Q(Text(id)), this);
    label->SetTextColor(QColor(0, 0, 192)).SetLinkCursor(HandCursor());
    return label;
  };
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(3);
  int row = 0;
  auto pair = [&](QWidget* label, QWidget* field, int column, int span = 1) {
    grid->addWidget(label, row, column * 2, Qt::AlignRight);
    grid->addWidget(field, row, column * 2 + 1, 1, span);
  };

  stateLabel = new QLabel(this);
  grid->addWidget(stateLabel, row, 0, 1, 2);
  airlineCombo = new QComboBox(this);
  airlineCombo->setMinimumContentsLength(8);
  pair(caption(kCaptionAirline), airlineCombo, 1);
  prefixLabel = new QLabel(QStringLiteral("888-"), this);
  prefixLabel->setMinimumWidth(prefixLabel->fontMetrics().horizontalAdvance(QStringLiteral("8888-")));
  numberEdit = NewEdit(this, 30);
  auto* numberBox = new QHBoxLayout;
  numberBox->setSpacing(2);
  numberBox->addWidget(prefixLabel);
  numberBox->addWidget(numberEdit, 1);
  grid->addWidget(caption(kCaptionAwb), row, 4, Qt::AlignRight);
  grid->addLayout(numberBox, row, 5);
  importRadio = new QRadioButton(Q(Text(410012)), this);
  exportRadio = new QRadioButton(Q(Text(410013)), this);
  auto* types = new QButtonGroup(this);
  types->addButton(importRadio, 0);
  types->addButton(exportRadio, 1);
  auto* typeBox = new QHBoxLayout;
  typeBox->addWidget(importRadio);
  typeBox->addWidget(exportRadio);
  grid->addLayout(typeBox, row, 6, 1, 2);

  ++row;
  flightEdit = NewEdit(this, 15);
  flightDateCaption = link(410018);
  flightDateEdit = NewEdit(this, 20);
  airportEdit = NewEdit(this, 7);
  receiverEdit = NewEdit(this, 15);
  pair(caption(410017), flightEdit, 0);
  pair(flightDateCaption, flightDateEdit, 1);
  pair(caption(410019), airportEdit, 2);
  pair(caption(kCaptionReceiver), receiverEdit, 3);

  ++row;
  flight2Edit = NewEdit(this, 15);
  CLinkLabel* flightDate2Caption = link(410018);
  flightDate2Edit = NewEdit(this, 20);
  airport2Edit = NewEdit(this, 7);
  agentEdit = NewEdit(this, 30);
  pair(caption(410021), flight2Edit, 0);
  pair(flightDate2Caption, flightDate2Edit, 1);
  pair(caption(410019), airport2Edit, 2);
  pair(caption(410022), agentEdit, 3);

  ++row;
  fromEdit = NewEdit(this, 63);
  desEdit = NewEdit(this, 63);
  etdCaption = link(702030);
  etdEdit = NewEdit(this, 20);
  CLinkLabel* etaCaption = link(702031);
  etaEdit = NewEdit(this, 20);
  pair(caption(410023), fromEdit, 0);
  pair(caption(410024), desEdit, 1);
  pair(etdCaption, etdEdit, 2);
  pair(etaCaption, etaEdit, 3);

  ++row;
  weightCaption = link(410025);
  weightEdit = NewEdit(this, 12);
  pieceLabel = new QLabel(QStringLiteral("0"), this);
  pieceLabel->setMinimumWidth(pieceLabel->fontMetrics().horizontalAdvance(QStringLiteral("/99999")));
  auto* weightBox = new QHBoxLayout;
  weightBox->setSpacing(2);
  weightBox->addWidget(weightEdit, 1);
  weightBox->addWidget(new QLabel(QStringLiteral("kg"), this));
  weightBox->addWidget(pieceLabel);
  grid->addWidget(weightCaption, row, 0, Qt::AlignRight);
  grid->addLayout(weightBox, row, 1);
  grossEdit = NewEdit(this, 12);
  sizeEdit = NewEdit(this, 30);
  CLinkLabel* packingCaption = link(410028);
  packingEdit = NewEdit(this, 30);
  pair(caption(410026), grossEdit, 1);
  pair(caption(410027), sizeEdit, 2);
  pair(packingCaption, packingEdit, 3);

  ++row;
  CLinkLabel* markCaption = link(360025);
  markEdit = NewEdit(this, 15);
  itemsEdit = NewEdit(this, 9);
  sendWayCombo = new QComboBox(this);
  for (int32_t id = 20530; id <= 20533; ++id) sendWayCombo->addItem(Q(Text(id)));
  quoteKindCombo = new QComboBox(this);
  for (char c = 'A'; c <= 'G'; ++c) quoteKindCombo->addItem(QString(QChar(c)));
  pair(markCaption, markEdit, 0);
  pair(caption(410029), itemsEdit, 1);
  pair(caption(410030), sendWayCombo, 2);
  pair(caption(410031), quoteKindCombo, 3);

  ++row;
  CLinkLabel* payWayCaption = link(410032);
  payWayEdit = NewEdit(this, 15);
  CLinkLabel* goodsCodeCaption = link(410040);
  goodsCodeEdit = NewEdit(this, 7);
  phoneEdit = NewEdit(this, 30);
  brokerCaption = link(410043);
  brokerEdit = NewEdit(this, 63);
  pair(payWayCaption, payWayEdit, 0);
  pair(goodsCodeCaption, goodsCodeEdit, 1);
  pair(caption(410042), phoneEdit, 2);
  pair(brokerCaption, brokerEdit, 3);

  ++row;
  goodsCaption = link(410041);
  goodsEdit = NewEdit(this, 255);
  pair(goodsCaption, goodsEdit, 0, 5);
  CLinkLabel* payNoteCaption = link(410047);
  payNoteEdit = NewEdit(this, 63);
  pair(payNoteCaption, payNoteEdit, 3);

  ++row;
  customsCodeEdit = NewEdit(this, 3);
  transportEdit = NewEdit(this, 15);
  tradeEdit = NewEdit(this, 15);
  CLinkLabel* declDateCaption = link(410049);
  declDateEdit = NewEdit(this, 20);
  pair(caption(410050), customsCodeEdit, 0);
  pair(caption(410051), transportEdit, 1);
  pair(caption(410052), tradeEdit, 2);
  pair(declDateCaption, declDateEdit, 3);

  ++row;
  declNoEdit = NewEdit(this, 30);
  pair(caption(410048), declNoEdit, 0);

  ++row;
  shipperCaption = link(410053);
  shipperNameEdit = NewEdit(this, 63);
  shipperAddrEdit = NewEdit(this, 126);
  shipperPhoneEdit = NewEdit(this, 22);
  shipperPostEdit = NewEdit(this, 15);
  pair(shipperCaption, shipperNameEdit, 0);
  pair(caption(410054), shipperAddrEdit, 1);
  pair(caption(410055), shipperPhoneEdit, 2);
  pair(caption(410056), shipperPostEdit, 3);

  // The fees on the left, the three notes on the right.
  ++row;
  auto* fees = new QGridLayout;
  fees->setVerticalSpacing(3);
  fees->addWidget(new QLabel(Q(Text(410033)), this), 0, 1);
  fees->addWidget(new QLabel(Q(Text(410034)), this), 0, 2);
  static const int32_t kFeeCaptions[awb::kFeeCount] = {410035, 410036, 410037, 410038, 410039};
  for (int i = 0; i < awb::kFeeCount; ++i) {
    const size_t f = static_cast<size_t>(i);
    feeCaptions[f] = link(kFeeCaptions[i]);
    supplierEdits[f] = NewEdit(this, 63);
    supplierEdits[f]->setReadOnly(true);
    supplierEdits[f]->setFocusPolicy(Qt::NoFocus);
    amountEdits[f] = NewEdit(this, 14);
    fees->addWidget(feeCaptions[f], i + 1, 0, Qt::AlignRight);
    fees->addWidget(supplierEdits[f], i + 1, 1);
    fees->addWidget(amountEdits[f], i + 1, 2);
  }
  sumLabel = new QLabel(QStringLiteral("Σ"), this);
  fees->addWidget(sumLabel, awb::kFeeCount + 1, 2);
  grid->addLayout(fees, row, 0, 1, 4);
  auto* notes = new QGridLayout;
  memoCaption = link(410044);
  memoEdit = new QPlainTextEdit(this);
  CLinkLabel* transNoteCaption = link(410045);
  transNoteEdit = new QPlainTextEdit(this);
  otherChargeEdit = new QPlainTextEdit(this);
  notes->addWidget(memoCaption, 0, 0, Qt::AlignRight | Qt::AlignTop);
  notes->addWidget(memoEdit, 0, 1);
  notes->addWidget(transNoteCaption, 1, 0, Qt::AlignRight | Qt::AlignTop);
  notes->addWidget(transNoteEdit, 1, 1);
  notes->addWidget(new QLabel(Q(Text(410046)), this), 2, 0, Qt::AlignRight | Qt::AlignTop);
  notes->addWidget(otherChargeEdit, 2, 1);
  for (QPlainTextEdit* e : {memoEdit, transNoteEdit, otherChargeEdit}) {
    e->setTabChangesFocus(true);
    e->setFixedHeight(44);
  }
  grid->addLayout(notes, row, 4, 1, 4);

  ++row;
  attachmentsCaption = link(410057);
  attachmentsCaption->hide();
  templateCombo = new QComboBox(this);
  templateCombo->setEditable(true);
  templateCombo->setMinimumContentsLength(12);
  templateCombo->lineEdit()->setMaxLength(30);
  exportButton = new QPushButton(Q(Text(410014)), this);
  exportButton->setAutoDefault(false);
  openFileCheck = new QCheckBox(Q(Text(410015)), this);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(attachmentsCaption);
  bottom->addStretch(1);
  bottom->addWidget(templateCombo);
  bottom->addWidget(exportButton);
  bottom->addWidget(openFileCheck);
  grid->addLayout(bottom, row, 0, 1, 8);

  auto* frame = new QVBoxLayout(this);
  frame->setContentsMargins(4, 4, 4, 4);
  auto* heading = new QLabel(Q(Text(410016)), this);
  frame->addWidget(heading);
  frame->addLayout(grid);
  BuildBagLists(frame);
  specialNumberEdit = specialEdit;  // the manifest filters on the bag list's special-control number
  for (int c = 1; c < 8; c += 2) grid->setColumnStretch(c, 1);

  // Actions.
  connect(airlineCombo, &QComboBox::activated, this, &CAwbEditorDlg::OnAirlineChosen);
  connect(flightEdit, &QLineEdit::textEdited, this, [this] { OnFlightEdited(); });
  for (CLinkLabel* l : {flightDateCaption, flightDate2Caption, etdCaption, etaCaption, declDateCaption}) {
    QLineEdit* target = l == flightDateCaption    ? flightDateEdit
                        : l == flightDate2Caption ? flightDate2Edit
                        : l == etdCaption         ? etdEdit
                        : l == etaCaption         ? etaEdit
                                                  : declDateEdit;
    connect(l, &CLinkLabel::clicked, this, [this, target] { PutToday(target); });
  }
  const std::pair<CLinkLabel*, QLineEdit*> prompts[] = {
      {brokerCaption, brokerEdit}, {goodsCodeCaption, goodsCodeEdit}, {markCaption, markEdit},
      {packingCaption, packingEdit}, {payNoteCaption, payNoteEdit}, {payWayCaption, payWayEdit}};
  for (const auto& [l, target] : prompts) {
    QLineEdit* t = target;
    connect(l, &CLinkLabel::clicked, this, [this, t] { PutPrompt(t); });
  }
  connect(goodsCaption, &CLinkLabel::clicked, this, [this] { AppendPrompt(goodsEdit); });
  connect(memoCaption, &CLinkLabel::clicked, this, [this] { AppendPromptLine(memoEdit); });
  connect(transNoteCaption, &CLinkLabel::clicked, this, [this] { AppendPromptLine(transNoteEdit); });
  for (int i = 0; i < awb::kFeeCount; ++i) {
    connect(feeCaptions[static_cast<size_t>(i)], &CLinkLabel::clicked, this, [this, i] { PickSupplier(i); });
    connect(amountEdits[static_cast<size_t>(i)], &QLineEdit::textChanged, this, [this] {
      if (!editor_.loading && !filling_) SumAmounts();
    });
  }
  connect(shipperCaption, &CLinkLabel::clicked, this, [this] { TakeShipperOfFlight(); });
  connect(weightCaption, &CLinkLabel::clicked, this, [this] { TakeParcelWeight(); });
  connect(attachmentsCaption, &CLinkLabel::clicked, this, [this] { OpenAttachments(); });
  connect(exportButton, &QPushButton::clicked, this, [this] { ExportTemplate(); });

  for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
  installEventFilter(this);
}

void CAwbEditorDlg::InitForm() {
  CAirlineTable* table = editor_.Services().airlines;
  if (table != nullptr) {
    platform::WaitForWork([table] {
      table->LoadAirports();
      return table->LoadFlights(false);
    });
    airlineCombo->clear();
    const auto& airlines = table->Airlines();
    for (size_t i = 0; i < airlines.size(); ++i)
      if (i == 0 || airlines[i]->nstate == 0) airlineCombo->addItem(Q(WideFromGbk(airlines[i]->cbrief)));
    airlineCombo->setCurrentIndex(-1);
  }
  flightPopup = new CFlightSuggestPopup(this, table);
  flightPopup->SetSearchText(&flightSearch_);
  flightPopup->setGeometry(169, 42, 300, 140);
  flightPopup->hide();
  LoadTemplateList();
  Clear();
  editor_.loading = false;
}

void CAwbEditorDlg::ReadFields() {
  awb::AwbHeader& h = editor_.header;
  h.cairline = U(airlineCombo->currentText());
  editor_.numberEdit = U(numberEdit->text());
  h.ntype = exportRadio->isChecked() ? 1 : 0;
  h.cflightno = U(flightEdit->text());
  h.dfdate = U(flightDateEdit->text());
  h.cairport = U(airportEdit->text());
  h.creceiver = U(receiverEdit->text());
  h.cflightno2 = U(flight2Edit->text());
  h.dfdate2 = U(flightDate2Edit->text());
  h.cairport2 = U(airport2Edit->text());
  h.cagent = U(agentEdit->text());
  h.cfrom = U(fromEdit->text());
  h.cdes = U(desEdit->text());
  h.detd = U(etdEdit->text());
  h.deta = U(etaEdit->text());
  h.weight = U(weightEdit->text());
  h.gross = U(grossEdit->text());
  h.csize = U(sizeEdit->text());
  h.cpacking = U(packingEdit->text());
  h.cmark = U(markEdit->text());
  h.iitemi = U(itemsEdit->text());
  h.nsendway = std::max(0, sendWayCombo->currentIndex());
  h.nptype = std::max(0, quoteKindCombo->currentIndex());
  h.cpayway = U(payWayEdit->text());
  h.cgtype = U(goodsCodeEdit->text());
  h.cphone = U(phoneEdit->text());
  h.cbroker = U(brokerEdit->text());
  h.cgoods = U(goodsEdit->text());
  h.cpaynote = U(payNoteEdit->text());
  h.cccode = U(customsCodeEdit->text());
  h.ctranstype = U(transportEdit->text());
  h.ctradetype = U(tradeEdit->text());
  h.dcdate = U(declDateEdit->text());
  h.ccno = U(declNoEdit->text());
  h.csname = U(shipperNameEdit->text());
  h.csaddr = U(shipperAddrEdit->text());
  h.csphone = U(shipperPhoneEdit->text());
  h.cspostcode = U(shipperPostEdit->text());
  for (size_t i = 0; i < awb::kFeeCount; ++i) h.amounts[i] = U(amountEdits[i]->text());
  h.cmemo = U(memoEdit->toPlainText());
  h.ctransnote = U(transNoteEdit->toPlainText());
  h.cothercharge = U(otherChargeEdit->toPlainText());
}

void CAwbEditorDlg::ShowFields() {
  filling_ = true;
  const awb::AwbHeader& h = editor_.header;
  airlineCombo->setCurrentText(Q(h.cairline));
  if (airlineCombo->currentText() != Q(h.cairline)) airlineCombo->setEditText(Q(h.cairline));
  prefixLabel->setText(Q(editor_.prefix));
  numberEdit->setText(Q(editor_.numberEdit));
  (h.ntype == 1 ? exportRadio : importRadio)->setChecked(true);
  const std::pair<QLineEdit*, const std::u16string*> texts[] = {
      {flightEdit, &h.cflightno},      {flightDateEdit, &h.dfdate},   {airportEdit, &h.cairport},
      {receiverEdit, &h.creceiver},    {flight2Edit, &h.cflightno2},  {flightDate2Edit, &h.dfdate2},
      {airport2Edit, &h.cairport2},    {agentEdit, &h.cagent},        {fromEdit, &h.cfrom},
      {desEdit, &h.cdes},              {etdEdit, &h.detd},            {etaEdit, &h.deta},
      {weightEdit, &h.weight},         {grossEdit, &h.gross},         {sizeEdit, &h.csize},
      {packingEdit, &h.cpacking},      {markEdit, &h.cmark},          {itemsEdit, &h.iitemi},
      {payWayEdit, &h.cpayway},        {goodsCodeEdit, &h.cgtype},    {phoneEdit, &h.cphone},
      {brokerEdit, &h.cbroker},        {goodsEdit, &h.cgoods},        {payNoteEdit, &h.cpaynote},
      {customsCodeEdit, &h.cccode},    {transportEdit, &h.ctranstype}, {tradeEdit, &h.ctradetype},
      {declDateEdit, &h.dcdate},       {declNoEdit, &h.ccno},         {shipperNameEdit, &h.csname},
      {shipperAddrEdit, &h.csaddr},    {shipperPhoneEdit, &h.csphone}, {shipperPostEdit, &h.cspostcode}};
  for (const auto& [edit, value] : texts) edit->setText(Q(*value));
  sendWayCombo->setCurrentIndex(h.nsendway >= 0 && h.nsendway < sendWayCombo->count() ? h.nsendway : 0);
  quoteKindCombo->setCurrentIndex(h.nptype >= 0 && h.nptype < quoteKindCombo->count() ? h.nptype : 0);
  for (size_t i = 0; i < awb::kFeeCount; ++i) {
    amountEdits[i]->setText(Q(h.amounts[i]));
    ShowSupplierName(static_cast<int>(i));
  }
  memoEdit->setPlainText(Q(h.cmemo));
  transNoteEdit->setPlainText(Q(h.ctransnote));
  otherChargeEdit->setPlainText(Q(h.cothercharge));
  filling_ = false;
}

void CAwbEditorDlg::ShowSupplierName(int fee) {
  const int32_t id = editor_.header.suppliers[static_cast<size_t>(fee)];
  std::u16string name;
  if (id > 0 && host != nullptr) name = host->SupplierName(id);
  supplierEdits[static_cast<size_t>(fee)]->setText(Q(name));
}

void CAwbEditorDlg::ApplyFlags() {
  const bool loaded = !editor_.loadedNumber.empty();
  numberEdit->setReadOnly(loaded);
  numberEdit->setStyleSheet(loaded ? QStringLiteral("QLineEdit{color:rgb(255,0,0);background:rgb(240,255,240);}")
                                   : QString());
  const awb::AwbRights& rights = editor_.Services().rights;
  amountsEnabled_ = awb::AmountsEnabled(editor_.header.marks, rights);
  for (size_t i = 0; i < awb::kFeeCount; ++i) amountEdits[i]->setEnabled(amountsEnabled_[i]);
  if (loaded) {
    const uint32_t rgb = editor_.stateLabel.rgb;
    stateLabel->setText(Q(Text(editor_.stateLabel.textId)));
    stateLabel->setStyleSheet(QStringLiteral("color:rgb(%1,%2,%3);")
                                  .arg((rgb >> 16) & 0xFF)
                                  .arg((rgb >> 8) & 0xFF)
                                  .arg(rgb & 0xFF));
  } else {
    stateLabel->setText(Q(Text(410000)));
    stateLabel->setStyleSheet(QString());
  }
  attachmentsCaption->setVisible(loaded && rights.attachments);
  pieceLabel->setText(loaded ? QStringLiteral("/%1").arg(editor_.header.ipcs) : QStringLiteral("0"));
}

void CAwbEditorDlg::Clear() {
  ReadFields();
  editor_.Clear();
  templateCombo->setCurrentIndex(templateCombo->count() > 0 ? 0 : -1);
  openFileCheck->setChecked(false);
  ShowFields();
  ApplyFlags();
  SumAmounts();
  ClearBagLists();
  if (flightPopup != nullptr) flightPopup->hide();
  numberEdit->setFocus();
}

bool CAwbEditorDlg::LoadAwb(std::u16string_view text) {
  editor_.loading = true;
  const bool loaded = editor_.Load(text);
  editor_.loading = true;
  if (loaded) {
    ShowFields();
    ApplyFlags();
  }
  editor_.loading = false;
  if (!loaded) return false;
  SumAmounts();
  ClearBagLists();
  LoadBags();
  if (notifyWindow != nullptr) {
    platform::SendPrivateMessage(notifyWindow, kWmSetCommandFlag, 0, editor_.flags.editable ? 1 : 0);
    platform::SendPrivateMessage(notifyWindow, kWmSetCommandFlag, 1, editor_.flags.deletable ? 1 : 0);
  }
  return true;
}

int CAwbEditorDlg::SaveAwb() {
  if (!editor_.flags.editable) return 0;
  ReadFields();
  const int saved = editor_.Save();
  if (saved == 1) {
    ShowFields();
    ApplyFlags();
    SumAmounts();
    ClearBagLists();
    numberEdit->setFocus();
  } else {
    // The save may have normalised fields (upper-case route, freight).
    ShowFields();
  }
  return saved;
}

int CAwbEditorDlg::DeleteAwb() {
  if (!editor_.flags.deletable || editor_.loadedNumber.empty()) return 0;
  ReadFields();
  const int deleted = editor_.Delete();
  if (deleted == 1) {
    ShowFields();
    ApplyFlags();
    SumAmounts();
    ClearBagLists();
    numberEdit->setFocus();
  }
  return deleted;
}

void CAwbEditorDlg::OnAirlineChosen(int index) {
  if (index < 0) return;
  const std::u16string name = U(airlineCombo->itemText(index));
  ReadFields();
  editor_.header.cairline = name;
  editor_.ChooseAirline(name);
  ShowFields();
  ApplyFlags();
  SumAmounts();
  ClearBagLists();
  numberEdit->setFocus();
}

void CAwbEditorDlg::OnFlightEdited() {
  if (flightPopup == nullptr || editor_.loading || !flightEdit->hasFocus()) return;
  std::u16string text = U(flightEdit->text());
  if (text.size() > 15) text.resize(15);
  flightSearch_ = GbkFromWide(text);
  if (flightSearch_.size() > 31) flightSearch_.resize(31);
  if (flightSearch_.empty()) {
    flightPopup->hide();
    return;
  }
  flightPopup->PlaceUnder(flightEdit);
  platform::SendPrivateMessage(flightPopup, kWmFlightSuggest);
}

int CAwbEditorDlg::PickFlight(int hit) {
  CAirlineTable* table = editor_.Services().airlines;
  if (table == nullptr) return 0;
  const FlightEntry* flight = nullptr;
  if (flightPopup != nullptr && flightPopup->isVisible()) flight = flightPopup->Source().GetHit(hit);
  if (flight == nullptr) {
    std::string number = GbkFromWide(U(flightEdit->text()));
    if (number.size() > 30) number.resize(30);
    flight = table->FindFlight(number);
  }
  if (flight == nullptr) return 0;
  ReadFields();
  editor_.header.cflightno = WideFromGbk(flight->cftno);
  editor_.TakeFlight(*flight);
  ShowFields();
  SumAmounts();
  if (flightPopup != nullptr) flightPopup->hide();
  return 1;
}

void CAwbEditorDlg::SumAmounts() {
  std::array<std::u16string, awb::kFeeCount> amounts;
  for (size_t i = 0; i < awb::kFeeCount; ++i) amounts[i] = U(amountEdits[i]->text());
  sumLabel->setText(Q(awb::AmountSumText(amounts)));
}

int CAwbEditorDlg::LoadTemplateList() {
  const auto& query = editor_.Services().query;
  if (!query) return 0;
  static const uint32_t kTypes[] = {AcsTypeEntry(kSqlCChar, 32)};
  std::string reply;
  if (query(awb::TemplateListSql(), kTypes, reply) <= 9) return 0;
  int added = 0;
  ForEachReplyRow(reply, [&](std::string_view object) {
    JsonRowIndex row(object);
    templateCombo->addItem(Q(row.GetWString("0", 30)));
    ++added;
  });
  if (templateCombo->currentText().isEmpty() && templateCombo->count() > 0) templateCombo->setCurrentIndex(0);
  return added;
}

bool CAwbEditorDlg::IsMultiLine(QObject* w) const {
  for (QPlainTextEdit* e : {memoEdit, transNoteEdit, otherChargeEdit})
    if (w == e || (e != nullptr && w == e->viewport())) return true;
  return false;
}

bool CAwbEditorDlg::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::FocusOut && watched == flightEdit && flightPopup != nullptr) flightPopup->hide();
  if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
    return QWidget::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  const int k = key->key();
  const bool ctrl = (key->modifiers() & Qt::ControlModifier) != 0;
  const bool multiLine = IsMultiLine(watched);
  const bool enter = k == Qt::Key_Return || k == Qt::Key_Enter;
  const bool ours = k == Qt::Key_F2 || k == Qt::Key_F3 || k == Qt::Key_Escape || k == Qt::Key_Delete ||
                    (ctrl && (k == Qt::Key_S || k == Qt::Key_D || k == Qt::Key_G ||
                              (k >= Qt::Key_1 && k <= Qt::Key_9))) ||
                    enter || k == Qt::Key_Up || k == Qt::Key_Down;
  if (type == QEvent::ShortcutOverride) {
    // The form's own keys win over the frame's shortcuts (F2 and F3 go on).
    if (ours && k != Qt::Key_F2 && k != Qt::Key_F3) {
      event->accept();
      return true;
    }
    return false;
  }
  if (type == QEvent::KeyRelease) {
    if (k == Qt::Key_F2) SaveAwb();
    if (k == Qt::Key_F3) Clear();
    return false;
  }
  auto next = [this] { focusNextChild(); };
  if (k == Qt::Key_Delete || (ctrl && k == Qt::Key_G)) {
    DeleteAwb();
    return true;
  }
  if (ctrl && k == Qt::Key_D) {
    Clear();
    return true;
  }
  if (ctrl && k == Qt::Key_S) {
    SaveAwb();
    return true;
  }
  if (k == Qt::Key_Escape) return true;
  if (watched == flightEdit && ctrl && k >= Qt::Key_1 && k <= Qt::Key_9) {
    if (PickFlight(k - Qt::Key_1) == 1) next();
    return true;
  }
  if (enter) {
    if (multiLine) return false;
    if (watched == bagNumberEdit) {
      OnGo();
      return true;
    }
    if (watched == parcelNoEdit) {
      SearchParcel();
      return true;
    }
    if (watched == flightEdit) {
      if (PickFlight(0) == 1) next();
      return true;
    }
    if (qobject_cast<QWidget*>(watched) == nullptr || QApplication::focusWidget() == nullptr) return true;
    next();
    return true;
  }
  if (!multiLine && k == Qt::Key_Up) {
    focusPreviousChild();
    return true;
  }
  if (!multiLine && k == Qt::Key_Down) {
    next();
    return true;
  }
  return false;
}

void CAwbEditorDlg::PutToday(QLineEdit* edit) {
  ReadFields();
  const QDate d = QDate::currentDate();
  edit->setText(Q(awb::DateAtHalfPastTwelve(
      QString::asprintf("%04d.%02d.%02d", d.year(), d.month(), d.day()).toStdU16String())));
}

void CAwbEditorDlg::PutPrompt(QLineEdit* edit) {
  std::u16string prompt;
  if (host == nullptr || !host->ChooseCommonPrompt(prompt)) return;
  edit->setText(Q(prompt));
}

void CAwbEditorDlg::AppendPrompt(QLineEdit* edit) {
  std::u16string prompt;
  if (host == nullptr || !host->ChooseCommonPrompt(prompt)) return;
  const QString now = edit->text();
  if (now.contains(Q(prompt))) return;
  edit->setText(now.isEmpty() ? Q(prompt) : now + QStringLiteral(",") + Q(prompt));
}

void CAwbEditorDlg::AppendPromptLine(QPlainTextEdit* edit) {
  std::u16string prompt;
  if (host == nullptr || !host->ChooseCommonPrompt(prompt)) return;
  const QString now = edit->toPlainText();
  if (now.contains(Q(prompt))) return;
  edit->setPlainText(now + Q(prompt) + QStringLiteral("\n"));
}

void CAwbEditorDlg::PickSupplier(int fee) {
  const size_t f = static_cast<size_t>(fee);
  if (!amountEdits[f]->isEnabled() || !editor_.Services().rights.awbEdit || !chooseSupplier) return;
  const int32_t id = chooseSupplier();
  if (id <= 0) return;
  editor_.header.suppliers[f] = id;
  ShowSupplierName(fee);
}

void CAwbEditorDlg::TakeShipperOfFlight() {
  CAirlineTable* table = editor_.Services().airlines;
  if (table == nullptr) return;
  ReadFields();
  std::string number = GbkFromWide(editor_.header.cflightno);
  if (number.size() > 30) number.resize(30);
  const FlightEntry* flight = table->FindFlight(number);
  if (flight == nullptr) return;
  awb::ApplyFlightShipper(*flight, editor_.header);
  ShowFields();
}

void CAwbEditorDlg::TakeParcelWeight() {
  // The parcel list's chargeable weight sum; nothing before a load.
  if (!editor_.parcelListLoaded) return;
  weightEdit->setText(QString::number(editor_.chargeableGrams / 1000.0, 'f', 3));
}

void CAwbEditorDlg::OpenAttachments() {
  if (editor_.loadedNumber.empty() || !openAttachments) return;
  std::u16string number = editor_.loadedNumber;
  if (number.size() > 30) number.resize(30);
  openAttachments(this, number);
}

// ---- The manifest export ----

manifest::ManifestForm CAwbEditorDlg::ManifestFormValues() {
  ReadFields();
  return manifest::FormFromHeader(editor_.header, editor_.loadedNumber,
                                  U(templateCombo->currentText()), U(specialNumberEdit->text()),
                                  openFileCheck->isChecked(), bagList->RowCount());
}

void CAwbEditorDlg::ExportTemplate() {
  lastExport = manifest::RunManifestExport(ManifestFormValues(), manifestServices);
}

void CAwbEditorDlg::ExportGoodsAcross(const CTemplateModel& model, int filter) {
  lastExport = manifest::RunGoodsAcross(ManifestFormValues(), model, filter == 1, manifestServices);
}

void CAwbEditorDlg::ExportGoodsInRows(const CTemplateModel& model, int filter) {
  lastExport = manifest::RunGoodsInRows(ManifestFormValues(), model, filter == 1, manifestServices);
}
