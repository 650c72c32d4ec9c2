#include "ui/WaybillQueryDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/LanguageTable.h"
#include "common/WideText.h"
#include "platform/MessageBox.h"
#include "platform/QtText.h"
#include "platform/QtWaitForWork.h"
#include "refdata/AwbBagLists.h"
#include "ui/LinkLabel.h"
#include "ui/ListPickDlg.h"
#include "ui/ViewHost.h"

using platform::FromQString;
using platform::ToQString;

namespace {

constexpr int kFirstRecordStateText = 20070;
constexpr int kTextOkButton = 170021;
constexpr int kTextResetButton = 170022;
constexpr int kTextCancelButton = 170023;
constexpr int kTextAwbPickCaption = 440020;
constexpr int kTextBagPickCaption = 440021;
constexpr int kTextAwbColumn = 30102;
constexpr int kTextBagColumn = 420010;
constexpr unsigned kRecentAwbs = 200;
constexpr unsigned kRecentBags = 500;
// How much of the boxes the popups search for: characters, then GBK bytes.
constexpr int kDestinationTextMax = 31;
constexpr size_t kDestinationQueryMax = 127;
constexpr int kCustomerTextMax = 63;
constexpr size_t kCustomerQueryMax = 63;

const QColor kNumberLabelColor(128, 128, 0);

std::u16string Text(int32_t id) { return AppLanguage().Text(id); }

QLineEdit* NewBox(QWidget* parent, int maxLength) {
  auto* box = new QLineEdit(parent);
  if (maxLength > 0) box->setMaxLength(maxLength);
  return box;
}

// The text of a number as the boxes show it.
QString NumberText(double value) { return QString::number(value, 'g', 15); }

// Two boxes with a dash between them, as one cell of the grid.
QWidget* Range(QWidget* parent, QWidget* from, QWidget* to) {
  auto* cell = new QWidget(parent);
  auto* row = new QHBoxLayout(cell);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(from, 1);
  row->addWidget(new QLabel(QStringLiteral("-"), cell));
  row->addWidget(to, 1);
  return cell;
}

QWidget* Row(QWidget* parent, std::initializer_list<QWidget*> widgets) {
  auto* cell = new QWidget(parent);
  auto* row = new QHBoxLayout(cell);
  row->setContentsMargins(0, 0, 0, 0);
  for (QWidget* w : widgets) row->addWidget(w);
  row->addStretch(1);
  return cell;
}

}  // namespace

CWaybillQueryDlg::CWaybillQueryDlg(CViewHost* host, QWidget* parent)
    : QDialog(parent), host_(host) {
  SetNewDefaults(LocalToday());
  for (size_t i = 0; i < dateKindCaptions.size(); ++i) {
    std::u16string caption = Text(kTextDateKindFirst + static_cast<int32_t>(i));
    if (caption.size() > 31) caption.resize(31);
    dateKindCaptions[i] = caption;
  }
  BuildControls();
}

void CWaybillQueryDlg::BuildControls() {
  Controls& c = ui_;
  auto label = [this](int32_t id, bool colon) {
    auto* l = new QLabel(this);
    l->setProperty("textId", id);
    l->setProperty("colon", colon);
    captionLabels_.push_back(l);
    return l;
  };
  auto link = [this](int32_t id, bool colon) {
    auto* l = new CLinkLabel(this);
    l->setProperty("textId", id);
    l->setProperty("colon", colon);
    l->SetLinkCursor(HandCursor());
    captionLabels_.push_back(l);
    return l;
  };
  auto check = [this](int32_t id) {
    auto* box = new QCheckBox(this);
    box->setProperty("textId", id);
    return box;
  };

  c.customer = NewBox(this, 63);
  c.dateFrom = NewBox(this, 30);
  c.dateTo = NewBox(this, 0);
  // Wide enough for a date and time.
  const int dateWidth = c.dateFrom->fontMetrics().horizontalAdvance(QStringLiteral("2024.03.15 09:30:05")) + 16;
  c.dateFrom->setMinimumWidth(dateWidth);
  c.dateTo->setMinimumWidth(dateWidth);
  c.dateLabel = link(170015, false);
  c.dateKindLabel = new CLinkLabel(this);
  c.dateKindLabel->SetLinkCursor(HandCursor());
  c.typeDocument = check(20090);
  c.typeParcel = check(20091);
  c.typePak = check(20092);
  c.regionMainland = new QCheckBox(this);
  c.regionChinese = new QCheckBox(this);
  c.regionForeign = new QCheckBox(this);
  c.payUnchecked = new QCheckBox(QStringLiteral("未核收"), this);
  c.payChecked = new QCheckBox(QStringLiteral("已核收"), this);
  c.payMonthly = check(20060);
  c.payCash = check(20061);
  c.payCollect = check(20062);
  c.settlement = new QComboBox(this);
  c.settlement->setEditable(true);
  c.settlement->setInsertPolicy(QComboBox::NoInsert);
  for (const char* code : {"PP", "CC", "COD", "DP", "MTH", "AEM", "OTH"})
    c.settlement->addItem(QString::fromLatin1(code));
  c.settlement->lineEdit()->setMaxLength(3);
  c.recordState = new QComboBox(this);
  c.freightFrom = NewBox(this, 0);
  c.freightTo = NewBox(this, 0);
  c.weightFrom = NewBox(this, 0);
  c.weightTo = NewBox(this, 0);
  c.pieces = NewBox(this, 0);
  c.department = NewBox(this, 30);
  c.destination = NewBox(this, 63);
  c.kind = NewBox(this, 0);
  c.kindLabel = link(30073, true);
  c.tags = NewBox(this, 15);
  c.tagsLabel = link(30040, true);
  c.waybillNo = NewBox(this, 30);
  c.receiver = NewBox(this, 60);
  c.receiverPhone = NewBox(this, 63);
  c.sender = NewBox(this, 30);
  c.customsNo = NewBox(this, 30);
  c.transferNo = NewBox(this, 30);
  c.reserved = NewBox(this, 30);
  c.reservedLabel = link(30050, true);
  c.referenceNo = NewBox(this, 30);
  c.awbNumbers = NewBox(this, 30);
  c.awbLabel = link(30102, true);
  c.bagNumbers = NewBox(this, 30);
  c.bagLabel = link(420010, true);
  for (CLinkLabel* l : {c.awbLabel, c.bagLabel}) l->SetTextColor(kNumberLabelColor);
  c.ok = new QPushButton(this);
  c.reset = new QPushButton(this);
  c.cancel = new QPushButton(this);
  for (QPushButton* b : {c.ok, c.reset, c.cancel}) b->setAutoDefault(false);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(8);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);
  grid->setColumnStretch(5, 1);
  int r = 0;
  grid->addWidget(label(120004, true), r, 0);
  grid->addWidget(c.customer, r, 1, 1, 3);
  grid->addWidget(c.dateLabel, r, 4);
  grid->addWidget(Row(this, {c.dateFrom, new QLabel(QStringLiteral("-"), this), c.dateTo,
                             c.dateKindLabel}),
                  r, 5);
  ++r;
  grid->addWidget(label(30074, true), r, 0);
  grid->addWidget(Row(this, {c.typeDocument, c.typeParcel, c.typePak}), r, 1);
  grid->addWidget(label(30071, true), r, 2);
  grid->addWidget(Row(this, {c.payMonthly, c.payCash, c.payCollect}), r, 3);
  grid->addWidget(label(170016, false), r, 4);
  grid->addWidget(Row(this, {c.payUnchecked, c.payChecked}), r, 5);
  ++r;
  grid->addWidget(label(170017, false), r, 0);
  grid->addWidget(c.recordState, r, 1);
  grid->addWidget(label(30113, true), r, 2);
  grid->addWidget(c.settlement, r, 3);
  grid->addWidget(label(30046, true), r, 4);
  grid->addWidget(c.department, r, 5);
  ++r;
  grid->addWidget(label(30001, true), r, 0);
  grid->addWidget(c.destination, r, 1);
  grid->addWidget(c.kindLabel, r, 2);
  grid->addWidget(c.kind, r, 3);
  grid->addWidget(c.tagsLabel, r, 4);
  grid->addWidget(c.tags, r, 5);
  ++r;
  grid->addWidget(label(30002, true), r, 0);
  grid->addWidget(c.waybillNo, r, 1);
  grid->addWidget(label(30003, true), r, 2);
  grid->addWidget(c.transferNo, r, 3);
  grid->addWidget(label(30041, true), r, 4);
  grid->addWidget(c.referenceNo, r, 5);
  ++r;
  grid->addWidget(label(30045, true), r, 0);
  grid->addWidget(c.customsNo, r, 1);
  grid->addWidget(c.reservedLabel, r, 2);
  grid->addWidget(c.reserved, r, 3);
  grid->addWidget(label(30072, true), r, 4);
  c.pieces->setMaximumWidth(60);
  grid->addWidget(Row(this, {c.pieces, label(170020, false)}), r, 5);
  ++r;
  grid->addWidget(label(30006, true), r, 0);
  grid->addWidget(c.sender, r, 1);
  grid->addWidget(label(30007, true), r, 2);
  grid->addWidget(c.receiver, r, 3);
  grid->addWidget(label(30008, true), r, 4);
  grid->addWidget(c.receiverPhone, r, 5);
  ++r;
  grid->addWidget(label(30005, true), r, 0);
  grid->addWidget(Range(this, c.freightFrom, c.freightTo), r, 1);
  grid->addWidget(label(30004, true), r, 2);
  grid->addWidget(Range(this, c.weightFrom, c.weightTo), r, 3);
  ++r;
  grid->addWidget(c.awbLabel, r, 0);
  grid->addWidget(c.awbNumbers, r, 1);
  grid->addWidget(c.bagLabel, r, 2);
  grid->addWidget(c.bagNumbers, r, 3);
  ++r;
  // The region boxes stay hidden: every region is always wanted.
  QLabel* regionLabel = label(30075, true);
  QWidget* regions = Row(this, {c.regionMainland, c.regionChinese, c.regionForeign});
  grid->addWidget(regionLabel, r, 0);
  grid->addWidget(regions, r, 1);
  regionLabel->hide();
  regions->hide();

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(c.ok);
  buttons->addWidget(c.reset);
  buttons->addWidget(c.cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addSpacing(6);
  layout->addLayout(buttons);

  connect(c.dateLabel, &CLinkLabel::clicked, this, &CWaybillQueryDlg::OnDatePreset);
  connect(c.dateKindLabel, &CLinkLabel::clicked, this, &CWaybillQueryDlg::OnNextDateKind);
  connect(c.kindLabel, &CLinkLabel::clicked, this, &CWaybillQueryDlg::OnPickKind);
  connect(c.tagsLabel, &CLinkLabel::clicked, this, &CWaybillQueryDlg::OnPickTags);
  connect(c.reservedLabel, &CLinkLabel::clicked, this, &CWaybillQueryDlg::OnPickReserved);
  connect(c.awbLabel, &CLinkLabel::clicked, this, &CWaybillQueryDlg::OnPickAwbs);
  connect(c.bagLabel, &CLinkLabel::clicked, this, &CWaybillQueryDlg::OnPickBags);
  connect(c.ok, &QPushButton::clicked, this, &CWaybillQueryDlg::OnOK);
  connect(c.reset, &QPushButton::clicked, this, &CWaybillQueryDlg::OnReset);
  connect(c.cancel, &QPushButton::clicked, this, &QDialog::reject);
  // Typing always drops a picked customer.
  connect(c.customer, &QLineEdit::textEdited, this, [this] {
    if (!updating) customerId = 0;
  });

  for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
  // After the dialog's own key filter, so that the popups see the keys of
  // their boxes first.
  BuildPopups();
}

void CWaybillQueryDlg::BuildPopups() {
  ui_.destinationPopup = new CDestinationSuggestPopup(this);
  ui_.customerPopup = new CClientSuggestPopup(this);
  auto* destination = new CSuggestEditBinding(ui_.destination, ui_.destinationPopup,
                                              kDestinationTextMax, kDestinationQueryMax);
  destination->onPick = [this](int row) { PickDestination(row); };
  auto* customer = new CSuggestEditBinding(ui_.customer, ui_.customerPopup, kCustomerTextMax,
                                           kCustomerQueryMax);
  customer->onPick = [this](int row) { PickCustomer(row); };
}

void CWaybillQueryDlg::SetCaptions() {
  setWindowTitle(ToQString(Text(kTextWaybillQueryCaption)));
  for (QLabel* l : captionLabels_) {
    std::u16string text = Text(l->property("textId").toInt());
    if (l->property("colon").toBool()) text += u':';
    l->setText(ToQString(text));
  }
  for (QCheckBox* box : findChildren<QCheckBox*>()) {
    const QVariant id = box->property("textId");
    if (id.isValid()) box->setText(ToQString(Text(id.toInt())));
  }
  ui_.ok->setText(ToQString(Text(kTextOkButton)));
  ui_.reset->setText(ToQString(Text(kTextResetButton)));
  ui_.cancel->setText(ToQString(Text(kTextCancelButton)));
}

void CWaybillQueryDlg::RefreshDateKindLabel() {
  const size_t index = dateKind >= 0 && dateKind < 3 ? static_cast<size_t>(dateKind) : 0;
  ui_.dateKindLabel->setText(ToQString(dateKindCaptions[index]));
  ui_.dateKindLabel->SetTextColor(dateKindColors[index]);
}

void CWaybillQueryDlg::InitDialog() {
  SetCaptions();
  ui_.recordState->clear();
  for (int i = 0; i < kRecordStateCount; ++i)
    ui_.recordState->addItem(ToQString(Text(kFirstRecordStateText + i)));
  ui_.ok->setDefault(true);
  RefreshDateKindLabel();
  // The popups over the application's tables; the destination popup with no
  // service kind.
  ui_.destinationPopup->Source().SetSource(host_ != nullptr ? host_->Destinations() : nullptr);
  ui_.destinationPopup->Source().SetServiceKind(nullptr);
  ui_.customerPopup->Source().SetSource(host_ != nullptr ? host_->ClientList() : nullptr);
  ui_.destinationPopup->hide();
  ui_.customerPopup->hide();
  WriteControls();
  ui_.customer->setFocus();
}

int CWaybillQueryDlg::DoModal() {
  InitDialog();
  return exec() == QDialog::Accepted ? platform::kIdOk : platform::kIdCancel;
}

std::array<std::pair<QLineEdit*, std::u16string*>, 14> CWaybillQueryDlg::TextBoxes() {
  const Controls& c = ui_;
  return {{{c.department, &department},
           {c.destination, &destination},
           {c.kind, &kind},
           {c.tags, &tags},
           {c.waybillNo, &waybillNo},
           {c.receiver, &receiver},
           {c.receiverPhone, &receiverPhone},
           {c.sender, &this->WaybillQueryConditions::sender},
           {c.customsNo, &customsNo},
           {c.transferNo, &transferNo},
           {c.reserved, &reserved},
           {c.referenceNo, &referenceNo},
           {c.awbNumbers, &awbNumbers},
           {c.bagNumbers, &bagNumbers}}};
}

void CWaybillQueryDlg::WriteControls() {
  const Controls& c = ui_;
  const bool wasUpdating = updating;
  updating = true;
  c.customer->setText(ToQString(customer));
  c.dateFrom->setText(ToQString(dateFrom));
  c.dateTo->setText(ToQString(dateTo));
  c.typeDocument->setChecked(typeDocument);
  c.typeParcel->setChecked(typeParcel);
  c.typePak->setChecked(typePak);
  c.regionMainland->setChecked(regionMainland);
  c.regionChinese->setChecked(regionChinese);
  c.regionForeign->setChecked(regionForeign);
  c.payUnchecked->setChecked(payUnchecked);
  c.payChecked->setChecked(payChecked);
  c.payMonthly->setChecked(payMonthly);
  c.payCash->setChecked(payCash);
  c.payCollect->setChecked(payCollect);
  c.settlement->setEditText(ToQString(settlement));
  c.recordState->setCurrentIndex(recordState >= 0 && recordState < c.recordState->count()
                                     ? recordState
                                     : -1);
  c.freightFrom->setText(NumberText(freightFrom));
  c.freightTo->setText(NumberText(freightTo));
  c.weightFrom->setText(NumberText(weightFrom));
  c.weightTo->setText(NumberText(weightTo));
  c.pieces->setText(QString::number(pieces));
  for (const auto& [box, text] : TextBoxes()) box->setText(ToQString(*text));
  updating = wasUpdating;
}

bool CWaybillQueryDlg::ReadControls() {
  const Controls& c = ui_;
  // The number boxes first: a box without a number keeps the dialog open
  // with the members unchanged.
  auto refuse = [](QLineEdit* box) {
    platform::ShowMessageBox(Text(kTextNotANumber), {}, platform::kMbOk);
    box->setFocus();
    box->selectAll();
    return false;
  };
  double numbers[4] = {};
  QLineEdit* numberBoxes[4] = {c.freightFrom, c.weightFrom, c.freightTo, c.weightTo};
  for (int i = 0; i < 4; ++i) {
    bool ok = false;
    const QString text = numberBoxes[i]->text().trimmed();
    numbers[i] = text.isEmpty() ? 0.0 : text.toDouble(&ok);
    if (!text.isEmpty() && !ok) return refuse(numberBoxes[i]);
  }
  bool piecesOk = false;
  const QString piecesText = c.pieces->text().trimmed();
  const int32_t piecesValue = piecesText.isEmpty() ? 0 : piecesText.toInt(&piecesOk);
  if (!piecesText.isEmpty() && !piecesOk) return refuse(c.pieces);
  freightFrom = numbers[0];
  weightFrom = numbers[1];
  freightTo = numbers[2];
  weightTo = numbers[3];
  pieces = piecesValue;
  customer = FromQString(c.customer->text());
  dateFrom = FromQString(c.dateFrom->text());
  dateTo = FromQString(c.dateTo->text());
  typeDocument = c.typeDocument->isChecked();
  typeParcel = c.typeParcel->isChecked();
  typePak = c.typePak->isChecked();
  regionMainland = c.regionMainland->isChecked();
  regionChinese = c.regionChinese->isChecked();
  regionForeign = c.regionForeign->isChecked();
  payUnchecked = c.payUnchecked->isChecked();
  payChecked = c.payChecked->isChecked();
  payMonthly = c.payMonthly->isChecked();
  payCash = c.payCash->isChecked();
  payCollect = c.payCollect->isChecked();
  settlement = FromQString(c.settlement->currentText().left(3));
  recordState = c.recordState->currentIndex() >= 0 ? c.recordState->currentIndex()
                                                   : kRecordStateAny;
  for (const auto& [box, text] : TextBoxes()) *text = FromQString(box->text());
  return true;
}

// ---- label clicks and buttons ----

void CWaybillQueryDlg::OnDatePreset() {
  if (!ReadControls()) return;
  ApplyDatePreset(*this, clock());
  WriteControls();
}

void CWaybillQueryDlg::OnNextDateKind() {
  dateKind = dateKind >= 2 || dateKind < 0 ? 0 : dateKind + 1;
  RefreshDateKindLabel();
  OnDatePreset();
}

void CWaybillQueryDlg::OnPickKind() {
  const std::vector<std::u16string> names =
      host_ != nullptr ? host_->ServiceKindNames() : std::vector<std::u16string>{};
  CListPickDlg picker(this);
  picker.SetList(&names, Text(kTextKindListCaption));
  if (picker.DoModal() != platform::kIdOk) return;
  if (!ReadControls()) return;
  kind = picker.result;
  WriteControls();
}

void CWaybillQueryDlg::OnPickTags() {
  std::u16string prompt;
  if (!ReadControls() || host_ == nullptr || !host_->ChooseCommonPrompt(prompt)) return;
  tags = prompt;
  WriteControls();
}

void CWaybillQueryDlg::OnPickReserved() {
  std::u16string prompt;
  if (!ReadControls() || host_ == nullptr || !host_->ChooseCommonPrompt(prompt)) return;
  reserved = prompt;
  WriteControls();
}

void CWaybillQueryDlg::OnPickAwbs() { PickSeveral(false); }
void CWaybillQueryDlg::OnPickBags() { PickSeveral(true); }

void CWaybillQueryDlg::PickSeveral(bool bags) {
  if (host_ == nullptr) return;
  const unsigned n = bags ? kRecentBags : kRecentAwbs;
  std::vector<std::u16string> items;
  CViewHost* host = host_;
  const int count = platform::WaitForWork([host, bags, n, &items] {
    return bags ? host->ListRecentBags(items, n) : host->ListRecentAwbs(items, n);
  });
  if (count <= 0 || items.empty()) return;
  std::u16string caption = Text(bags ? kTextBagPickCaption : kTextAwbPickCaption);
  ReplaceAllW(caption, u"%1", bags ? u"500" : u"200");
  std::vector<std::u16string>& selection = bags ? bagList : awbList;
  std::u16string chosen;
  if (!host_->RunMultiSelect(caption, Text(bags ? kTextBagColumn : kTextAwbColumn), items,
                             selection, chosen)) {
    return;
  }
  if (!ReadControls()) return;
  (bags ? bagNumbers : awbNumbers) = bags ? BagNoFromListItem(chosen) : AwbFromListItem(chosen);
  WriteControls();
}

void CWaybillQueryDlg::OnReset() {
  // The dates are kept as the boxes show them.
  dateFrom = FromQString(ui_.dateFrom->text());
  dateTo = FromQString(ui_.dateTo->text());
  Reset();
  WriteControls();
}

void CWaybillQueryDlg::OnOK() {
  if (!ReadControls()) return;
  const QDate today = clock().date();
  const std::u16string message =
      CheckQueryDates(*this, CivilDate{today.year(), today.month(), today.day()},
                      [](int32_t id) { return Text(id); });
  if (!message.empty()) {
    platform::ShowMessageBox(message, Text(kTextDateMessageCaption), platform::kMbOk);
    return;
  }
  if (!ReadControls()) return;
  accept();
}

// ---- the customer and destination boxes ----

void CWaybillQueryDlg::PickDestination(int row) {
  updating = true;
  if (ReadControls()) {
    std::u16string name;
    if (ui_.destinationPopup->Source().GetHit(row, &name) != nullptr) destination = name;
    WriteControls();
  }
  updating = false;
}

int CWaybillQueryDlg::PickCustomer(int row) {
  if (ui_.customer->text().isEmpty()) return 0;
  std::u16string name;
  const int32_t id = ui_.customerPopup->Source().GetHit(row, &name);
  if (id <= 0) {
    customerId = 0;
    return 0;
  }
  customerId = id;
  updating = true;
  customer = name;
  ui_.customer->setText(ToQString(name));
  updating = false;
  return 1;
}

// ---- keys ----

// The popups' bindings have seen the keys of their boxes first: a row they
// took has moved the focus on already.  What reaches this filter found no
// row (or no popup) and still acts as Tab.
bool CWaybillQueryDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  QWidget* focus = focusWidget();
  const bool inDestination = focus == ui_.destination;
  const bool inCustomer = focus == ui_.customer;
  if ((key->modifiers() & Qt::ControlModifier) && key->key() >= Qt::Key_1 &&
      key->key() <= Qt::Key_5 && (inDestination || inCustomer)) {
    focusNextChild();
    return true;
  }
  switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      focusNextChild();
      return true;
    case Qt::Key_Escape: return true;
    case Qt::Key_Up:
      if (focus == nullptr) return true;
      focusPreviousChild();
      // The key itself still reaches a list (it moves its choice there).
      return qobject_cast<QComboBox*>(watched) == nullptr;
    case Qt::Key_Down:
      if (focus != nullptr) focusNextChild();
      return true;
    default: break;
  }
  return QDialog::eventFilter(watched, event);
}

void CWaybillQueryDlg::keyPressEvent(QKeyEvent* event) {
  // Escape does not close the dialog; Enter never confirms it.
  switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter: return;
    default: break;
  }
  QDialog::keyPressEvent(event);
}
