#include "consolidation/BaggingForm.h"
#include "consolidation/UnbaggedPickDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "common/FieldCheck.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "consolidation/BagRecords.h"
#include "platform/MessageBox.h"
#include "platform/QtText.h"
#include "platform/QtWaitForWork.h"
#include "refdata/BagDefaults.h"
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

std::u16string With(int id, std::u16string_view first, std::u16string_view second = {}) {
  std::u16string text = Text(id);
  ReplaceAllW(text, u"%1", first);
  ReplaceAllW(text, u"%2", second);
  return text;
}

std::u16string Int(int64_t value) { return WideFromGbk(std::to_string(value)); }

const QColor kGreen(0, 128, 0);
const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);
const QColor kDarkRed(128, 0, 0);

const char kReadOnlyStyle[] = "QLineEdit{color:rgb(255,0,0);background:rgb(240,255,240);}";

std::u16string Upper(std::u16string text) {
  for (char16_t& c : text)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return text;
}

}  // namespace

CBaggingDlg::CBaggingDlg(CBaggingServices* app, QWidget* parent, QSize screen)
    : QWidget(parent), app_(app) {
  Build(screen);
}

CBaggingDlg::~CBaggingDlg() = default;

void CBaggingDlg::Build(QSize screen) {
  bagform::BuildHeaderColumns(this, true, head_);
  // Column 3
  for (int i = 0; i < 5; ++i) {
    head_.spareCaptions[i] = bagform::AddLink(this, 476, 28 + i * 28, 100, 360026 + i, kBlue);
    head_.spares[i] = bagform::AddEdit(this, 578, 26 + i * 28, 150, i == 4 ? 255 : 63);
  }
  consignmentCaption_ = bagform::AddLink(this, 476, 168, 100, 360016, kBlue);
  head_.consignment = bagform::AddEdit(this, 578, 166, 150, 63);
  // Column 4: memo and history
  memoCaption_ = bagform::AddLink(this, 740, 28, 160, 360017, kBlue);
  head_.memo = new QPlainTextEdit(this);
  head_.memo->setGeometry(740, 50, 260, 62);
  bagform::AddCaption(this, 740, 114, 160, 360043);
  history_ = new QPlainTextEdit(this);
  history_->setGeometry(740, 136, 260, 90);
  history_->setReadOnly(true);
  history_->setStyleSheet("QPlainTextEdit{color:rgb(255,0,0);background:rgb(240,255,240);}");
  // Scan row
  secondLabel_ = new QCheckBox(QText(360031), this);
  secondLabel_->setGeometry(4, 198, 110, 22);
  volumetricCheck_ = new QCheckBox(QText(360035), this);
  volumetricCheck_->setGeometry(120, 198, 140, 22);
  referenceCaption_ = bagform::AddCaption(this, 266, 198, 230, 360032);
  reference_ = bagform::AddEdit(this, 500, 196, 160, 30);
  scanCaption_ = bagform::AddLink(this, 4, 228, 80, 360038, kDarkRed);
  scan_ = bagform::AddEdit(this, 86, 226, 220, 63);
  scanMode_ = new QComboBox(this);
  scanMode_->setGeometry(312, 226, 80, 24);
  scanMode_->addItem(QText(360039));
  scanMode_->addItem(QText(360040));
  go_ = new QPushButton(QText(360036), this);
  go_->setGeometry(398, 226, 50, 24);
  go_->setAutoDefault(false);
  pickLink_ = bagform::AddLink(this, 460, 228, 70, 360033, kGreen);
  listByWaybill_ = bagform::AddLink(this, 534, 228, 36, 360041, kGreen);
  listByTransfer_ = bagform::AddLink(this, 574, 228, 36, 360042, QColor(200, 0, 0));
  exportLink_ = bagform::AddLink(this, 616, 228, 90, 360034, kBlue);
  // Totals and grid
  bagform::BuildItemsArea(this, screen, head_);

  connect(go_, &QPushButton::clicked, this, [this] { OnScan(); });
  connect(scanCaption_, &CLinkLabel::clicked, this, [this] { ToggleScanNumberKind(); });
  connect(pickLink_, &CLinkLabel::clicked, this, [this] { OpenPicker(); });
  connect(listByWaybill_, &CLinkLabel::clicked, this, [this] { AddByNumberList(true); });
  connect(listByTransfer_, &CLinkLabel::clicked, this, [this] { AddByNumberList(false); });
  connect(exportLink_, &CLinkLabel::clicked, this, [this] { ExportItems(); });
  connect(head_.weightCaption, &CLinkLabel::clicked, this, [this] { TakeItemWeight(); });
  connect(head_.labelCaption, &CLinkLabel::clicked, this, [this] { PickFieldText(head_.label); });
  connect(consignmentCaption_, &CLinkLabel::clicked, this, [this] { PickFieldText(head_.consignment); });
  for (int i = 0; i < 5; ++i)
    connect(head_.spareCaptions[i], &CLinkLabel::clicked, this, [this, i] { PickFieldText(head_.spares[i]); });
  connect(memoCaption_, &CLinkLabel::clicked, this, [this] {
    std::u16string prompt;
    if (app_ != nullptr && app_->ChooseCommonPrompt(prompt) == 1) head_.memo->setPlainText(ToQString(prompt));
  });
  head_.grid->SetNotifyWnd(this);
  for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
  head_.grid->viewport()->installEventFilter(this);
}

// ---- requests ----

bool CBaggingDlg::Query(const std::string& sql, const std::vector<uint32_t>& types, std::string& reply) {
  lastSql_ = sql;
  if (app_ == nullptr) return false;
  CServerLink& link = app_->Link();
  const int n = platform::WaitForWork([&] { return link.SqlQuery(sql, types, &reply); });
  return n > 9 && JsonFindKey("List", reply) != kJsonNone && JsonGetInt("iTotal", reply, 1) != 0;
}

bool CBaggingDlg::RunStatement(const std::string& sql) {
  lastSql_ = sql;
  if (app_ == nullptr) return false;
  CServerLink& link = app_->Link();
  std::string reply;
  const int sent = platform::WaitForWork([&] { return link.SqlExecute(sql, {}, &reply); });
  return sent > 0 && JsonGetInt("ReturnValue", reply, 0) == 1;
}

serverlink::ProcedureSender CBaggingDlg::Sender() {
  return [this](std::string_view sql, std::span<const uint32_t> types, std::string& reply) {
    lastSql_ = std::string(sql);
    if (app_ == nullptr) return 0;
    CServerLink& link = app_->Link();
    return platform::WaitForWork([&] { return link.SqlExecute(sql, types, &reply); });
  };
}

std::u16string CBaggingDlg::Account() const {
  return app_ != nullptr ? WideFromGbk(app_->Link().Session().userName) : std::u16string();
}

bool CBaggingDlg::Right(int byte, unsigned mask) const {
  if (app_ == nullptr) return false;
  return (app_->Link().Session().xRighti[static_cast<size_t>(byte)] & mask) != 0;
}

bool CBaggingDlg::PerWaybillItems() const {
  return app_ != nullptr && app_->Link().bagDefaults && app_->Link().bagDefaults->switch19 != 0;
}

bagging::BagWeightRules CBaggingDlg::WeightRules() const { return bagging::BagWeightRulesOf(app_); }

void CBaggingDlg::Fail() {
  if (app_ != nullptr) app_->PlayResultSound(1);
}

void CBaggingDlg::Show(const std::u16string& text, int titleId) {
  platform::ShowMessageBox(text, titleId != 0 ? Text(titleId) : std::u16string());
}

bool CBaggingDlg::Ask(const std::u16string& text) {
  return platform::ShowMessageBox(text, Text(20002), platform::kMbYesNo | platform::kMbIconQuestion) ==
         platform::kIdYes;
}

void CBaggingDlg::SetCommandFlag(int type, bool on) {
  if (pageWindow != nullptr)
    platform::SendPrivateMessage(pageWindow, kWmSetCommandFlag, static_cast<quintptr>(type),
                                 on ? 1 : 0);
}

void CBaggingDlg::FocusScan(bool selectAll) {
  scan_->setFocus();
  if (selectAll) scan_->selectAll();
}

// ---- settings ----

void CBaggingDlg::InitForm() {
  LoadSettings();
  ClearForm();
}

void CBaggingDlg::LoadSettings() {
  referenceMasks_.clear();
  if (app_ == nullptr) return;
  ++settingsLoads_;
  const std::string kind = GbkFromWide(u"系统配置");
  referenceOn_ = app_->DictionaryText(112).starts_with('1');
  if (referenceOn_) {
    std::string text;
    if (platform::WaitForWork([&] { return app_->ReadSysFile("Awb_Packing.txt", 255, kind, text, 2048); }) == 1)
      referenceMasks_ = ParseReferenceMasks(std::string_view(text.c_str()));
  }
  referenceCaption_->setVisible(referenceOn_);
  reference_->setVisible(referenceOn_);
  const std::shared_ptr<BagDefaults> defaults = app_->Link().bagDefaults;
  checks_ = {};
  if (defaults && defaults->checkWeights)
    checks_.weightTolerance =
        static_cast<int32_t>(std::strtol(app_->DictionaryText(39).c_str(), nullptr, 10));
  checks_.balanceCheck = defaults && defaults->checkCustomerBalance != 0;
  checks_.dictionaryFlag = !app_->DictionaryText(64).empty();
  // "Bag_Fill.txt" is fetched into DATA_SYS and read whole, however long.
  std::string head;
  rules_.Parse({});
  if (platform::WaitForWork([&] { return app_->ReadSysFile("Bag_Fill.txt", 255, kind, head, 16384); }) == 1) {
    std::ifstream in(app_->ProgramFolder() + "DATA_SYS/Bag_Fill.txt", std::ios::binary);
    std::ostringstream whole;
    whole << in.rdbuf();
    std::string text = whole.str();
    text.resize(std::min(text.size(), text.find('\0')));
    rules_.Parse(text);
  }
}

// ---- the bag header ----

void CBaggingDlg::ShowStatus(int textId, const QColor& color, int32_t bagId) {
  bagform::ShowStatus(head_.status, ToQString(With(textId, Int(bagId))), color);
}

void CBaggingDlg::ClearForm() {
  const std::shared_ptr<BagDefaults> d = app_ != nullptr ? app_->Link().bagDefaults : nullptr;
  auto def = [&d](std::string BagDefaults::*field) {
    return d ? ToQString(WideFromGbk((*d).*field)) : QString();
  };
  for (QLineEdit* e : {head_.number, head_.special, head_.consignment, head_.order, head_.specialOrder, head_.weight, head_.length, head_.width, head_.height})
    e->clear();
  head_.weight->setText("0");
  head_.length->setText("0");
  head_.width->setText("0");
  head_.height->setText("0");
  head_.memo->clear();
  head_.fromAirport->setText(def(&BagDefaults::departureAirport));
  head_.toAirport->setText(def(&BagDefaults::destinationAirport));
  head_.fromStation->setText(def(&BagDefaults::departureStation));
  head_.toStation->setText(def(&BagDefaults::destinationStation));
  head_.bagType->setText(def(&BagDefaults::bagType));
  head_.label->setText(def(&BagDefaults::bagLabel));
  head_.spares[0]->setText(def(&BagDefaults::spare1));
  head_.spares[1]->setText(def(&BagDefaults::spare2));
  for (int i = 2; i < 5; ++i) head_.spares[i]->clear();
  const int share = d ? std::clamp(d->shared, 0, 2) : 0;
  head_.share[static_cast<size_t>(share)]->setChecked(true);
  scan_->clear();

  bagId_ = 0;
  lastSavedId_ = 0;
  bagState_ = 0;
  shareLoaded_ = 0;
  awb_.clear();
  header_ = {};
  definition_ = nullptr;
  rows_.clear();
  totals_ = {};
  ownBag_ = true;
  head_.weightLine->setText("-- ??? --");
  head_.itemsHeader->setText(ToQString(With(370021, u"0")));
  history_->clear();
  head_.grid->DeleteAllRows();
  head_.number->setReadOnly(false);
  head_.number->setStyleSheet({});
  go_->setEnabled(false);
  editable_ = Right(0, 0x40);
  ShowStatus(editable_ ? 360003 : 360000, kGreen, 0);
  deletable_ = false;
  SetCommandFlag(1, false);
  SetCommandFlag(0, true);
}

bool CBaggingDlg::LoadBag(int32_t bagId) {
  if (bagId <= 0) return false;
  std::string reply;
  bagging::BagHeader h;
  if (!Query(bagging::BagHeaderSql(bagId), bagging::BagHeaderTypes(), reply) ||
      !bagging::ReadBagHeader(reply, h)) {
    Show(Text(360062));
    return false;
  }
  ClearForm();
  bagId_ = bagId;
  header_ = h;
  shareLoaded_ = h.share;
  bagState_ = h.state;
  ownBag_ = app_ != nullptr && h.creatorGbk == app_->Link().Session().userName;
  definition_ = rules_.FindDefinition(NarrowFieldFromWide(h.number, 30, false));
  bagform::FillHeader(head_, h);
  awb_ = h.awb;

  const bagging::BagAccess access =
      bagging::BagAccessOf(h.state, !h.awb.empty(), ownBag_, h.share, Right(0, 0x80));
  editable_ = access.editable;
  deletable_ = access.deletable;
  if (editable_) {
    ShowStatus(360001, kRed, bagId);
  } else {
    ShowStatus(360002, kBlue, bagId);
    head_.number->setReadOnly(true);
    head_.number->setStyleSheet(kReadOnlyStyle);
  }
  go_->setEnabled(editable_);
  history_->setPlainText(ToQString(bagging::BagHistoryText(h)));
  SetCommandFlag(0, editable_);
  SetCommandFlag(1, deletable_);

  rows_.clear();
  totals_ = {};
  std::string items;
  std::vector<bagging::BagItemRow> read;
  if (Query(bagging::BagItemsSql(bagId, h.state), bagging::BagItemTypes(), items) &&
      bagging::ReadBagItemRows(items, WeightRules(), read, totals_)) {
    for (const bagging::BagItemRow& row : read) AppendRow(row);
  }
  ShowTotals();
  return true;
}

bagging::BagHeaderFields CBaggingDlg::ReadFields() const { return bagform::ReadHeader(head_); }

int CBaggingDlg::SaveBag() {
  if (!editable_) return 0;
  bagging::BagHeaderFields f = ReadFields();
  if (const int refused = bagging::CheckBagNumber(f.number)) {
    Show(Text(refused));
    return 0;
  }
  // A negative dimension would make the volume meaningless; refused before
  // anything is sent.
  if (bagging::HasNegativeDimension(f.length, f.width, f.height)) {
    Show(Text(bagging::kNegativeDimensionText));
    return 0;
  }
  const int32_t share = bagging::ShareArgument(bagId_, ownBag_, f.shareMode);
  const std::string sql = bagging::SaveBagSql(f, bagId_, share, Account());
  const uint32_t types[] = {AcsTypeEntry(kSqlCSLong)};
  serverlink::ProcedureResult result;
  if (!serverlink::CallProcedure(Sender(), sql, types, result)) {
    Show(app_ != nullptr ? app_->Link().LastErrorText() : std::u16string());
    return 0;
  }
  if (result.code < 0) {
    const int text = bagging::SaveBagCodeText(result.code);
    Show(text != 0 ? Text(text) : app_->Link().LastErrorText());
    return 0;
  }
  if (quickList != nullptr)
    quickList->AddOrUpdateRecord(
        result.code, bagging::BagListRowText(f.number, f.departureAirport, f.destinationAirport, 0), 0, 0);
  ClearForm();
  lastSavedId_ = result.code;
  return 1;
}

int CBaggingDlg::DeleteBag() {
  if (!deletable_ || bagId_ <= 0) return 0;
  if (platform::ShowMessageBox(Text(20011), Text(20002), platform::kMbYesNo | platform::kMbIconQuestion) !=
      platform::kIdYes)
    return 0;
  const uint32_t types[] = {AcsTypeEntry(kSqlCSLong)};
  serverlink::ProcedureResult result;
  if (!serverlink::CallProcedure(Sender(), bagging::DeleteBagSql(bagId_, Account()), types, result)) {
    Show(app_->Link().LastErrorText());
    return 0;
  }
  if (result.code < 0) {
    const int text = bagging::DeleteBagCodeText(result.code);
    Show(text != 0 ? Text(text) : app_->Link().LastErrorText());
    return 0;
  }
  if (quickList != nullptr) quickList->RemoveRecord(bagId_);
  ClearForm();
  return 1;
}

void CBaggingDlg::ApplyDefinition(const BagDefinition& d) {
  auto put = [](QLineEdit* e, const std::string& gbk) { e->setText(ToQString(WideFromGbk(gbk))); };
  for (size_t i = 0; i < 5; ++i) put(head_.spares[i], d.spares[i]);
  put(head_.fromAirport, d.departureAirport);
  put(head_.toAirport, d.destinationAirport);
  put(head_.label, d.label);
  head_.memo->setPlainText(ToQString(WideFromGbk(d.operationMemo)));
  put(head_.consignment, d.consignmentNote);
  put(head_.fromStation, d.departureStation);
  put(head_.toStation, d.destinationStation);
  put(head_.bagType, d.bagType);
  put(head_.special, d.specialNumber);
  head_.share[static_cast<size_t>(std::clamp(d.shareMode, 0, 2))]->setChecked(true);
}

void CBaggingDlg::CreateByNumber() {
  const std::u16string number = Upper(Wide(head_.number->text()));
  const BagDefinition* d = rules_.FindDefinition(NarrowFieldFromWide(number, 30, false));
  if (d == nullptr) {
    focusNextChild();
    return;
  }
  lastSavedId_ = 0;
  ApplyDefinition(*d);
  if (SaveBag() == 1 && lastSavedId_ > 0) LoadBag(lastSavedId_);
  FocusScan(false);
}

// ---- scans ----

bool CBaggingDlg::MatchReferenceMask() {
  const std::string code = NarrowFieldFromWide(Wide(scan_->text()), 30, false);
  if (!MatchReferenceMasks(referenceMasks_, code)) return false;
  reference_->setText(scan_->text());
  scan_->clear();
  FocusScan(false);
  return true;
}

void CBaggingDlg::OnScan() {
  if (app_ == nullptr) return;
  std::u16string text = app_->NormalizeNumber(Wide(scan_->text()));
  scan_->setText(ToQString(text));
  if (MatchReferenceMask()) return;
  const std::string code = NarrowFieldFromWide(text, 30, true);
  if (const BagDefinition* d = rules_.FindDefinitionForNewBag(code)) {
    ClearForm();
    lastSavedId_ = 0;
    head_.number->setText(ToQString(text));
    ApplyDefinition(*d);
    if (SaveBag() == 1 && lastSavedId_ > 0) LoadBag(lastSavedId_);
    FocusScan(true);
    return;
  }
  if (bagId_ == 0) {
    Fail();
    Show(Text(360061), 20001);
    return;
  }
  if (!editable_) return;
  const int group = rules_.ClassifyCode(code);
  if (group >= 0 && group <= 4) {
    if (RunStatement(bagging::SpecialFieldSql(group, text, bagId_))) {
      (group == 0 ? head_.special : head_.spares[static_cast<size_t>(group - 1)])->setText(ToQString(text));
      scan_->clear();
    } else {
      Show(app_->Link().LastErrorText());
    }
    FocusScan(true);
    return;
  }
  text = Upper(text);
  const int column = scanKind_ == 1 ? 2 : 3;
  int found = -1;
  for (int r = 0; r < head_.grid->RowCount() && found < 0; ++r)
    if (head_.grid->CellText(r, column) == text) found = r;
  if (scanMode_->currentIndex() == 1) {
    if (found >= 0) RemoveItem(found);
  } else {
    AddItem(-1, -1, true);
  }
  FocusScan(true);
}

int CBaggingDlg::AddItem(int32_t waybillId, int32_t piecePosition, bool show) {
  if (bagId_ == 0 || !editable_ || app_ == nullptr) {
    Fail();
    return -4;
  }
  std::u16string text;
  if (waybillId < 1) {
    text = app_->NormalizeNumber(Wide(scan_->text()));
    scan_->setText(ToQString(text));
    if (text.empty()) {
      Fail();
      return -5;
    }
    if (scanKind_ == 1 && app_->ShowRecordPrompts(text, 2, 0, true) < 0) return -1;
  }
  if (app_->CheckRecordCode(waybillId > 0 ? waybillId : 0, text, scanKind_) == 0) return -4;
  if (CheckRecordForBag(waybillId, text, show) == 0) return -4;
  text = Upper(text);
  scan_->setText(ToQString(text));
  const bool perWaybill = PerWaybillItems();
  const std::shared_ptr<BagDefaults> d = app_->Link().bagDefaults;
  checks_.flag21 = d && d->switch21 != 0;
  checks_.flag22 = d && d->switch22 != 0;
  const std::string sql = bagging::ItemAddSql(perWaybill, bagId_, waybillId, piecePosition, text,
                                              scanKind_, Account(), checks_);
  const bagging::ItemAddOutcome outcome = bagging::SendItemAdd(
      Sender(), sql, bagging::ItemAddColumns(perWaybill, waybillId), checks_.ChecksOn(),
      [this](int32_t warning) {
        Fail();
        return Ask(With(360068, Int(warning)));
      });
  if (!outcome.replied) {
    Fail();
    Show(app_->Link().LastErrorText());
    return -1;
  }
  if (outcome.cancelled) return -1;
  const int32_t r = outcome.code;
  if (r <= 0) {
    Fail();
    std::u16string message;
    const int id = bagging::ItemAddCodeText(r);
    if (r == -1) {
      message = Text(id);
      if (waybillId > 0) {
        const int row = head_.grid->FindRowById(waybillId);
        scan_->setText(row >= 0 ? ToQString(head_.grid->CellText(row, 1)) : QString());
        if (!scan_->text().isEmpty()) head_.grid->FindText(1, Wide(scan_->text()), false, 0, 0);
      }
    } else if (r == -2) {
      message = Text(id) + Wide(scan_->text());
    } else {
      message = id != 0 ? Text(id) : app_->Link().LastErrorText();
    }
    if (show) Show(message);
    return -1;
  }
  int32_t id = waybillId;
  int32_t piece = piecePosition;
  if (waybillId <= 0) {
    id = r;
    piece = outcome.piecePosition;
  }
  const std::u16string reference = Wide(reference_->text()).substr(0, 30);
  std::u16string trimmed = reference;
  if (referenceOn_ && !TrimW(trimmed).empty()) {
    if (!RunStatement(bagging::ReferenceNumberSql(reference, id))) Show(app_->Link().LastErrorText());
  }
  return LoadItem(id, piece, show);
}

int CBaggingDlg::CheckRecordForBag(int32_t waybillId, const std::u16string& number, bool show) {
  std::string reply;
  if (!Query(bagging::CheckRecordSql(waybillId, number, scanKind_), bagging::CheckRecordTypes(), reply)) {
    if (show) {
      Fail();
      Show(Text(20024));
    }
    return 0;
  }
  std::string_view list = JsonListBody(reply, "List");
  size_t pos = 0;
  std::string_view object;
  JsonNextObject(list, pos, object);
  JsonRowIndex row(object);
  if (row.GetWString("4", 255).size() < 2) {
    Fail();
    Show(Text(390020));
    return 0;
  }
  if (definition_ == nullptr || definition_->checkColumn < 1 || definition_->checkColumn > 4) return 1;
  const int c = definition_->checkColumn;
  const std::u16string value = row.GetWString(std::to_string(c - 1), 63);
  const std::u16string name = bagging::CheckColumnName(c);
  if ((c == 3 || c == 4) && value.empty()) {
    Fail();
    Show(With(360090, name));
    return 0;
  }
  const std::u16string memo = Wide(head_.memo->toPlainText());
  if (memo.empty()) {
    if (!RunStatement(bagging::BagMemoSql(value, bagId_))) {
      Show(app_->Link().LastErrorText());
      return 0;
    }
    head_.memo->setPlainText(ToQString(value));
    return 1;
  }
  if (memo == value) return 1;
  Fail();
  Show(With(360091, name, value));
  return 0;
}

void CBaggingDlg::AppendRow(const bagging::BagItemRow& row) {
  rows_.push_back(row);
  bagging::AppendBagItemRow(*head_.grid, row);
}

void CBaggingDlg::RenumberRows() {
  for (int r = 0; r < head_.grid->RowCount(); ++r) head_.grid->SetCellText(r, 0, Int(r + 1));
}

void CBaggingDlg::ShowTotals() {
  head_.itemsHeader->setText(ToQString(bagging::ItemTotalsText(rows_.size(), totals_)));
  head_.weightLine->setText(ToQString(bagging::WeightTotalsText(totals_)));
}

int CBaggingDlg::LoadItem(int32_t waybillId, int32_t piecePosition, bool speak) {
  std::string reply;
  const std::string sql = bagging::BagItemReadBackSql(bagId_, waybillId, PerWaybillItems(), piecePosition);
  lastSql_ = sql;
  CServerLink& link = app_->Link();
  const std::vector<uint32_t> types = bagging::BagItemTypes();
  const int n = platform::WaitForWork([&] { return link.SqlQuery(sql, types, &reply); });
  std::vector<bagging::BagItemRow> read;
  if (n <= 9 || !bagging::ReadBagItemRows(reply, WeightRules(), read, totals_)) {
    Fail();
    return 0;
  }
  if (read.empty()) {
    Fail();
    return -9;
  }
  for (const bagging::BagItemRow& row : read) AppendRow(row);
  if (speak) app_->SpeakWeight(RoundScaled(totals_.actualPart, 1000));
  head_.grid->clearSelection();
  head_.grid->SelectAndShowRow(head_.grid->RowCount() - 1);
  ShowTotals();
  scan_->clear();
  FocusScan(false);
  return 1;
}

int CBaggingDlg::RemoveItem(int row) {
  if (row < 0 || row >= head_.grid->RowCount() || static_cast<size_t>(row) >= rows_.size()) return -1;
  const int32_t waybillId = head_.grid->GetRowId(row);
  if (waybillId <= 0) return -1;
  if (!Ask(With(20033, Int(row + 1)))) return 0;
  const bool perWaybill = PerWaybillItems();
  const std::string sql = bagging::ItemRemoveSql(perWaybill, bagId_, waybillId,
                                                 rows_[static_cast<size_t>(row)].piecePosition,
                                                 Account(), Right(1, 0x80));
  const uint32_t types[] = {AcsTypeEntry(kSqlCSLong)};
  serverlink::ProcedureResult result;
  if (!serverlink::CallProcedure(Sender(), sql, types, result)) {
    Show(app_->Link().LastErrorText());
    return -1;
  }
  if (result.code < 0) {
    const int text = bagging::ItemRemoveCodeText(result.code);
    Show(text != 0 ? Text(text) : app_->Link().LastErrorText());
    return result.code;
  }
  // Drop the rows and take the totals of the rows that stay: exactly what
  // the dropped rows added comes off.
  for (int r = head_.grid->RowCount() - 1; r >= 0; --r) {
    if (perWaybill ? head_.grid->GetRowId(r) == waybillId : r == row) {
      head_.grid->DeleteRow(r);
      rows_.erase(rows_.begin() + r);
    }
  }
  totals_ = bagging::SumBagTotals(rows_);
  RenumberRows();
  ShowTotals();
  return result.code;
}

void CBaggingDlg::AddByNumberList(bool byWaybillNumber) {
  if (app_ == nullptr) return;
  std::vector<std::u16string> numbers;
  if (app_->ImportNumberList(numbers, nullptr, byWaybillNumber ? 0 : 1) <= 0) return;
  AddNumbers(numbers, byWaybillNumber);
}

void CBaggingDlg::AddNumbers(const std::vector<std::u16string>& numbers, bool byWaybillNumber) {
  if (app_ == nullptr || numbers.empty()) return;
  const std::u16string station = WideFromGbk(app_->Link().Session().station);
  std::string reply;
  if (!Query(bagging::NumberListSql(numbers, station, byWaybillNumber), {AcsTypeEntry(kSqlCSLong)}, reply))
    return;
  std::vector<int32_t> ids;
  std::string_view list = JsonListBody(reply, "List");
  size_t pos = 0;
  std::string_view object;
  while (JsonNextObject(list, pos, object)) ids.push_back(JsonGetInt("0", object, 0));
  QApplication::setOverrideCursor(Qt::WaitCursor);
  for (int32_t id : ids)
    if (id > 0) AddItem(id, 1, false);
  QApplication::restoreOverrideCursor();
}

qintptr CBaggingDlg::OnRecordPicked(quintptr waybillId, qintptr pick) {
  const int result = AddItem(static_cast<int32_t>(waybillId), static_cast<int32_t>(pick % 10000), true);
  if (result < 1) return 0;
  // The picked row leaves the picker only when the item went in (0 and
  // -9, added but not read back, keep it).
  if (picker != nullptr) {
    if (PerWaybillItems())
      picker->RemoveWaybillRows(static_cast<int32_t>(waybillId));
    else
      picker->RemoveRow(static_cast<int>(pick / 10000));
  }
  return 1;
}

void CBaggingDlg::OpenPicker() {
  if (bagId_ == 0 || !editable_) {
    Fail();
    return;
  }
  if (pickUnbagged) pickUnbagged(*this);
}

int CBaggingDlg::PrintBagLabels() {
  if (bagId_ < 1 || head_.number->text().trimmed().isEmpty()) return 0;
  return printLabels ? printLabels(*this) : 0;
}

BagLabelSources CBaggingDlg::LabelSources() const {
  const bagging::BagHeaderFields f = ReadFields();
  BagLabelSources s;
  s.bagId = bagId_;
  bagform::PutLabelHeader(f, s);
  s.awbNumber = awb_;
  auto audit = [](const std::u16string& text) { return text.substr(0, 30); };
  s.creator = audit(header_.creator);
  s.creationTime = audit(header_.created);
  s.sealer = audit(header_.sealer);
  s.loader = audit(header_.loader);
  // A seal or loading time not after 2000 is no time (as in the history).
  auto after2000 = [](const std::u16string& time) { return time.size() >= 4 && time.substr(0, 4) > u"2000"; };
  s.sealTime = after2000(header_.sealed) ? audit(header_.sealed) : std::u16string();
  s.loadingTime = after2000(header_.loaded) ? audit(header_.loaded) : std::u16string();
  s.itemRows = head_.grid->RowCount();
  s.currentUser = Account();
  return s;
}

bool CBaggingDlg::SecondLabelWanted() const { return secondLabel_->isChecked(); }

void CBaggingDlg::ToggleScanNumberKind() {
  scanKind_ = scanKind_ == 0 ? 1 : 0;
  scanCaption_->setText(QText(scanKind_ == 1 ? 360037 : 360038));
  scanCaption_->SetTextColor(scanKind_ == 1 ? kGreen : kDarkRed);
}

void CBaggingDlg::TakeItemWeight() {
  head_.weight->setText(QString::number(RoundScaledFine(totals_.actual, 1000) / 1000.0, 'f', 3));
}

void CBaggingDlg::PickFieldText(QLineEdit* field) {
  std::u16string prompt;
  if (app_ != nullptr && app_->ChooseCommonPrompt(prompt) == 1) field->setText(ToQString(prompt));
}

void CBaggingDlg::ExportItems() {
  if (head_.grid->RowCount() < 1) return;
  head_.grid->ExportAs(Text(360094), With(360093, Wide(head_.number->text())));
}

// ---- messages and keys ----

bool CBaggingDlg::event(QEvent* e) {
  if (auto* m = platform::AsPrivateMessage(e); m && m->Message() == WM_RECORD_PICKED) {
    m->SetResult(OnRecordPicked(m->WParam(), m->LParam()));
    return true;
  }
  if (auto* m = platform::AsPrivateMessage(e); m && m->Message() == kGridMsgDoubleClick) {
    if (editable_) RemoveItem(static_cast<int>(m->WParam()));
    return true;
  }
  return QWidget::event(e);
}

bool CBaggingDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
    return QWidget::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  const bool ctrl = key->modifiers() & Qt::ControlModifier;
  const bool inMemo = watched == head_.memo;
  const int k = key->key();
  const bool ours = (ctrl && (k == Qt::Key_S || k == Qt::Key_D || k == Qt::Key_G)) || k == Qt::Key_Delete ||
                    k == Qt::Key_Return || k == Qt::Key_Enter || k == Qt::Key_Escape ||
                    ((k == Qt::Key_Up || k == Qt::Key_Down) && !inMemo);
  if (event->type() == QEvent::ShortcutOverride) {
    if (ours && !(inMemo && (k == Qt::Key_Return || k == Qt::Key_Enter))) event->accept();
    return false;
  }
  switch (k) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (inMemo) return false;
      if (watched == scan_) {
        OnScan();
      } else if (watched == head_.number && rules_.sectionPresent && bagId_ == 0) {
        CreateByNumber();
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
    case Qt::Key_Delete:
      DeleteBag();
      return true;
    case Qt::Key_D:
      if (!ctrl) break;
      ClearForm();
      return true;
    case Qt::Key_G:
      if (!ctrl) break;
      DeleteBag();
      return true;
    case Qt::Key_S:
      if (!ctrl) break;
      SaveBag();
      return true;
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}
