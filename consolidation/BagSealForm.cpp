#include "consolidation/BagSealForm.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <cstdlib>

#include "common/FieldCheck.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "consolidation/BagList.h"
#include "consolidation/BagListDlg.h"
#include "consolidation/BagRecords.h"
#include "platform/MessageBox.h"
#include "platform/QtText.h"
#include "platform/QtWaitForWork.h"
#include "server/ProcedureCall.h"
#include "server/ServerLink.h"
#include "ui/LinkLabel.h"
#include "ui/ListGrid.h"
#include "ui/QuickSearchList.h"
#include "ui/ViewPage.h"

using platform::ToQString;

namespace {

std::u16string Text(int id) { return AppLanguage().Text(id); }
QString QText(int id) { return ToQString(Text(id)); }
std::u16string Wide(const QString& text) { return platform::FromQString(text); }

std::u16string With(int id, std::u16string_view first) {
  std::u16string text = Text(id);
  ReplaceAllW(text, u"%1", first);
  return text;
}

const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);

int32_t IntOf(const QLineEdit* edit) {
  return static_cast<int32_t>(std::strtol(edit->text().trimmed().toStdString().c_str(), nullptr, 10));
}

}  // namespace

CBagSealDlg::CBagSealDlg(CBaggingServices* app, QWidget* parent, QSize screen)
    : QWidget(parent), app_(app) {
  Build(screen);
}

CBagSealDlg::~CBagSealDlg() = default;

void CBagSealDlg::Build(QSize screen) {
  bagform::BuildHeaderColumns(this, false, head_);
  // Column 3: spares (3 to 5 take a common prompt) and the consignment note
  for (size_t i = 0; i < 5; ++i) {
    const int y = 28 + static_cast<int>(i) * 28;
    if (i >= 2) {
      head_.spareCaptions[i] = bagform::AddLink(this, 476, y, 100, 360026 + static_cast<int>(i), kBlue);
    } else {
      bagform::AddCaption(this, 476, y, 100, 360026 + static_cast<int>(i));
    }
    head_.spares[i] = bagform::AddEdit(this, 578, y - 2, 150, i == 4 ? 255 : 63);
  }
  bagform::AddCaption(this, 476, 168, 100, 360016);
  head_.consignment = bagform::AddEdit(this, 578, 166, 150, 63);
  // Column 4: memo and history
  bagform::AddCaption(this, 740, 28, 160, 360017);
  head_.memo = new QPlainTextEdit(this);
  head_.memo->setGeometry(740, 50, 260, 62);
  history_ = new QPlainTextEdit(this);
  history_->setGeometry(740, 118, 260, 108);
  history_->setReadOnly(true);
  history_->setStyleSheet("QPlainTextEdit{color:rgb(255,0,0);background:rgb(240,255,240);}");
  // Options, links and the unseal button
  secondLabel_ = new QCheckBox(QText(bagseal::kSecondLabelText), this);
  secondLabel_->setGeometry(4, 198, 110, 22);
  printOnScan_ = new QCheckBox(QText(bagseal::kPrintOnScanText), this);
  printOnScan_->setGeometry(118, 198, 130, 22);
  skipItems_ = new QCheckBox(QText(bagseal::kSkipItemsText), this);
  skipItems_->setGeometry(252, 198, 150, 22);
  bagform::AddCaption(this, 410, 198, 40, 360036);
  quickSealLink_ = bagform::AddLink(this, 4, 228, 110, 400013, kRed);
  exportLink_ = bagform::AddLink(this, 120, 228, 100, bagseal::kSaveListText, kBlue);
  unseal_ = new QPushButton(QText(bagseal::kUnsealText), this);
  unseal_->setGeometry(230, 226, 80, 24);
  unseal_->setAutoDefault(false);
  unseal_->hide();
  unseal_->setEnabled(false);
  // Totals and grid
  bagform::BuildItemsArea(this, screen, head_);

  connect(head_.weightCaption, &CLinkLabel::clicked, this, [this] { TakeItemWeight(); });
  for (int i = 2; i < 5; ++i)
    connect(head_.spareCaptions[static_cast<size_t>(i)], &CLinkLabel::clicked, this,
            [this, i] { PickSpareText(i + 1); });
  connect(quickSealLink_, &CLinkLabel::clicked, this, [this] { OpenQuickSeal(); });
  connect(exportLink_, &CLinkLabel::clicked, this, [this] { ExportItems(); });
  connect(unseal_, &QPushButton::clicked, this, [this] { UnsealBag(); });
  for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
}

// ---- requests ----

bool CBagSealDlg::Query(const std::string& sql, const std::vector<uint32_t>& types, std::string& reply) {
  lastSql_ = sql;
  if (app_ == nullptr) return false;
  ++requests_;
  CServerLink& link = app_->Link();
  const int n = platform::WaitForWork([&] { return link.SqlQuery(sql, types, &reply); });
  return n > 9 && JsonFindKey("List", reply) != kJsonNone;
}

bool CBagSealDlg::Call(const std::string& sql, int32_t& code) {
  lastSql_ = sql;
  if (app_ == nullptr) return false;
  CServerLink& link = app_->Link();
  const serverlink::ProcedureSender send = [this, &link](std::string_view text,
                                                          std::span<const uint32_t> types,
                                                          std::string& reply) {
    ++requests_;
    return platform::WaitForWork([&] { return link.SqlExecute(text, types, &reply); });
  };
  const uint32_t types[] = {AcsTypeEntry(kSqlCSLong)};
  serverlink::ProcedureResult result;
  if (!serverlink::CallProcedure(send, sql, types, result)) return false;
  code = result.code;
  return true;
}

std::u16string CBagSealDlg::Account() const {
  return app_ != nullptr ? WideFromGbk(app_->Link().Session().userName) : std::u16string();
}

bool CBagSealDlg::SupervisionRight() const {
  return app_ != nullptr && (app_->Link().Session().xRighti[0] & 0x80) != 0;
}

void CBagSealDlg::Show(const std::u16string& text) { platform::ShowMessageBox(text); }

void CBagSealDlg::SetSaveFlag(bool on) {
  if (pageWindow != nullptr) platform::SendPrivateMessage(pageWindow, kWmSetCommandFlag, 0, on ? 1 : 0);
}

void CBagSealDlg::ShowStatus(int textId, const QColor& color, int32_t bagId) {
  bagform::ShowStatus(head_.status, ToQString(With(textId, WideFromGbk(std::to_string(bagId)))), color);
}

void CBagSealDlg::ShowTotals() {
  head_.itemsHeader->setText(ToQString(bagging::ItemTotalsText(static_cast<size_t>(head_.grid->RowCount()), totals_)));
  head_.weightLine->setText(ToQString(bagging::WeightTotalsText(totals_)));
}

// ---- the form ----

void CBagSealDlg::ResetForPage() { ClearForm(); }

void CBagSealDlg::ClearForm() {
  for (QLineEdit* e : {head_.number, head_.special, head_.fromAirport, head_.toAirport, head_.consignment, head_.fromStation,
                       head_.toStation, head_.order, head_.specialOrder, head_.bagType, head_.label})
    e->clear();
  for (QLineEdit* e : head_.spares) e->clear();
  head_.memo->clear();
  history_->clear();
  head_.share[0]->setChecked(true);
  head_.weight->setText("0");
  head_.length->setText("0");
  head_.width->setText("0");
  head_.height->setText("0");
  bagId_ = 0;
  bagState_ = 0;
  sealable_ = false;
  ownBag_ = false;
  awb_.clear();
  audit_ = {};
  totals_ = {};
  ShowStatus(400000, kGreen, 0);
  head_.weightLine->setText("-- ??? --");
  head_.itemsHeader->setText(ToQString(With(370021, u"0")));
  head_.grid->DeleteAllRows();
  unseal_->hide();
  unseal_->setEnabled(false);
  SetSaveFlag(false);
}

int CBagSealDlg::LoadBag(int32_t bagId) {
  std::string sql;
  if (bagId == 0) {
    const std::u16string number = bagseal::ScanNumber(Wide(head_.number->text()));
    if (number.empty()) {
      head_.number->setFocus();
      head_.number->selectAll();
      return 0;
    }
    sql = bagging::BagHeaderSqlByNumber(number);
  } else {
    sql = bagging::BagHeaderSqlWithId(bagId);
  }
  std::string reply;
  bagging::BagHeader h;
  if (!Query(sql, bagging::BagHeaderTypes(true), reply) || !bagging::ReadBagHeader(reply, h, true)) {
    Show(Text(360062));
    return 0;
  }
  ClearForm();
  bagId_ = h.bagId;
  bagState_ = h.state;
  ownBag_ = app_ != nullptr && h.creatorGbk == app_->Link().Session().userName;
  bagform::FillHeader(head_, h);
  awb_ = h.awb;
  audit_ = {h.creator, h.created, h.sealer, bagseal::AuditTime(h.sealed), h.loader,
            bagseal::AuditTime(h.loaded)};

  const bool supervision = SupervisionRight();
  sealable_ = bagseal::Sealable(h.state, !h.awb.empty(), ownBag_, h.share, supervision);
  if (sealable_)
    ShowStatus(400001, kRed, bagId_);
  else
    ShowStatus(400002, kBlue, bagId_);
  const bool unseal = bagseal::UnsealOffered(h.state, !h.awb.empty(), supervision);
  unseal_->setVisible(unseal);
  unseal_->setEnabled(unseal);
  history_->setPlainText(ToQString(bagging::BagHistoryText(h)));
  SetSaveFlag(sealable_);

  if (!skipItems_->isChecked()) {
    totals_ = {};
    std::string items;
    std::vector<bagging::BagItemRow> rows;
    if (Query(bagging::BagItemsSql(bagId_, h.state), bagging::BagItemTypes(), items) &&
        bagging::ReadBagItemRows(items, bagging::BagWeightRulesOf(app_), rows, totals_)) {
      for (const bagging::BagItemRow& row : rows) bagging::AppendBagItemRow(*head_.grid, row);
      ShowTotals();
    } else {
      totals_ = {};
      head_.itemsHeader->setText(ToQString(bagging::ItemTotalsText(0, totals_)));
    }
  }
  return 1;
}

int CBagSealDlg::SealBag() {
  if (!sealable_ || bagId_ <= 0) return 0;
  const int32_t length = IntOf(head_.length), width = IntOf(head_.width), height = IntOf(head_.height);
  // A negative dimension would make the volume meaningless; refused before
  // anything is sent, as on the bagging form.
  if (bagging::HasNegativeDimension(length, width, height)) {
    Show(Text(bagging::kNegativeDimensionText));
    return 0;
  }
  const double weight = head_.weight->text().trimmed().toDouble();
  int32_t code = 0;
  if (!Call(bagseal::SealBagSql(bagId_, Account(), weight, length, width, height), code)) {
    Show(app_ != nullptr ? app_->Link().LastErrorText() : std::u16string());
    return 0;
  }
  if (code < 0) {
    const int text = bagseal::SealCodeText(code);
    Show(text != 0 ? Text(text) : app_->Link().LastErrorText());
    return 0;
  }
  if (quickList != nullptr)
    quickList->AddOrUpdateRecord(code,
                                 bagging::BagListRowText(Wide(head_.number->text()), Wide(head_.fromAirport->text()),
                                                         Wide(head_.toAirport->text()), 1),
                                 0, 0);
  ClearForm();
  return 1;
}

int CBagSealDlg::UnsealBag() {
  if (bagId_ <= 0) return 0;
  int32_t code = 0;
  if (!Call(bagseal::UnsealBagSql(bagId_, Account()), code)) {
    Show(app_ != nullptr ? app_->Link().LastErrorText() : std::u16string());
    return 0;
  }
  if (code < 0) {
    const int text = bagseal::UnsealCodeText(code);
    Show(text != 0 ? Text(text) : app_->Link().LastErrorText());
    return 0;
  }
  if (quickList != nullptr)
    quickList->AddOrUpdateRecord(code,
                                 bagging::BagListRowText(Wide(head_.number->text()), Wide(head_.fromAirport->text()),
                                                         Wide(head_.toAirport->text()), 0),
                                 0, 0);
  ClearForm();
  return 1;
}

qintptr CBagSealDlg::OnBagPicked(quintptr bagId, qintptr row) {
  int32_t code = 0;
  if (Call(bagseal::SealPickedBagSql(static_cast<int32_t>(bagId), Account()), code)) {
    // A refused bag says nothing: its row stays in the list.
    if (code > 0 && quickList != nullptr) quickList->RemoveRecord(code);
  } else {
    Show(app_ != nullptr ? app_->Link().LastErrorText() : std::u16string());
    code = serverlink::kProcedureCodeMissing;
  }
  if (code >= 0 && bagList_ != nullptr) bagList_->RemoveRow(static_cast<int>(row));
  return 0;
}

BagLabelSources CBagSealDlg::LabelSources() const {
  BagLabelSources s;
  s.bagId = bagId_;
  bagform::PutLabelHeader(bagform::ReadHeader(head_), s);
  s.awbNumber = awb_;
  s.creator = audit_[0];
  s.creationTime = audit_[1];
  s.sealer = audit_[2];
  s.sealTime = audit_[3];
  s.loader = audit_[4];
  s.loadingTime = audit_[5];
  s.itemRows = head_.grid->RowCount();
  s.currentUser = Account();
  return s;
}

int CBagSealDlg::PrintLabels() {
  if (bagId_ == 0 || head_.number->text().trimmed().isEmpty()) return 0;
  return printLabels ? printLabels(LabelSources(), secondLabel_->isChecked()) : 0;
}

void CBagSealDlg::TakeItemWeight() {
  head_.weight->setText(QString::number(RoundScaledFine(totals_.actual, 1000) / 1000.0, 'f', 3));
}

void CBagSealDlg::PickSpareText(int n) {
  if (n < 3 || n > 5 || app_ == nullptr) return;
  std::u16string prompt;
  if (app_->ChooseCommonPrompt(prompt) == 1) head_.spares[static_cast<size_t>(n - 1)]->setText(ToQString(prompt));
}

void CBagSealDlg::ExportItems() {
  if (head_.grid->RowCount() < 1) return;
  head_.grid->ExportAs(Text(400094), With(360093, Wide(head_.number->text())));
}

void CBagSealDlg::OpenQuickSeal() {
  if (bagList_ == nullptr) {
    if (app_ == nullptr) return;
    bagList_ = new CBagListDlg(kBagListOpenBags, app_->Link(), this);
    bagList_->setGeometry(250, 100, 762, 428);
    bagList_->hide();
    bagList_->SetNotifyWnd(this);
    bagList_->RunQuery();
  }
  bagList_->show();
}

// ---- messages and keys ----

bool CBagSealDlg::event(QEvent* e) {
  if (auto* m = platform::AsPrivateMessage(e); m && m->Message() == WM_RECORD_PICKED) {
    m->SetResult(OnBagPicked(m->WParam(), m->LParam()));
    return true;
  }
  return QWidget::event(e);
}

bool CBagSealDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
    return QWidget::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  const bool ctrl = key->modifiers() & Qt::ControlModifier;
  const bool inMemo = watched == head_.memo;
  const int k = key->key();
  const bool ours = (ctrl && (k == Qt::Key_S || k == Qt::Key_D)) || k == Qt::Key_Return ||
                    k == Qt::Key_Enter || k == Qt::Key_Escape ||
                    ((k == Qt::Key_Up || k == Qt::Key_Down) && !inMemo);
  if (event->type() == QEvent::ShortcutOverride) {
    if (ours && !(inMemo && (k == Qt::Key_Return || k == Qt::Key_Enter))) event->accept();
    return false;
  }
  switch (k) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (inMemo) return false;
      if (watched == head_.number) {
        if (LoadBag(0) == 1 && printOnScan_->isChecked()) PrintLabels();
      } else {
        focusNextChild();
      }
      return true;
    case Qt::Key_Escape:
      return true;
    case Qt::Key_Up:
      if (inMemo) return false;
      focusPreviousChild();
      return true;
    case Qt::Key_Down:
      if (inMemo || watched == head_.grid || watched == head_.grid->viewport()) return false;
      focusNextChild();
      return true;
    case Qt::Key_D:
      if (!ctrl) break;
      ClearForm();
      return true;
    case Qt::Key_S:
      if (!ctrl) break;
      SealBag();
      return true;
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}
