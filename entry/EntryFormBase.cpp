#include "entry/EntryFormBase.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "entry/QuickEntryReactions.h"
#include "platform/MessageBox.h"
#include "platform/QtMessages.h"
#include "platform/QtText.h"
#include "platform/QtWaitForWork.h"
#include "print/PrintDoors.h"
#include "refdata/ClientListCache.h"
#include "refdata/ServiceKinds.h"
#include "shell/AppSettings.h"
#include "shell/BrantleClientApp.h"
#include "ui/LinkLabel.h"
#include "ui/ListPickDlg.h"
#include "ui/SuggestRows.h"

namespace {

QString Tx(int id) { return QString::fromStdU16String(AppLanguage().Text(id)); }
QString Q(std::u16string_view text) { return platform::ToQString(text); }

// The piece count's name in messages.
constexpr int kPiecesText = 30072;

constexpr int kEditLeft = 150;
constexpr int kEditWidth = 300;

}  // namespace

CEntryFormBase::CEntryFormBase(CBrantleClientApp* app, int slotCount, QWidget* parent)
    : QWidget(parent), app_(app), settings_(this) {
  slotEdits_.assign(static_cast<size_t>(slotCount), nullptr);
  slotLabels_.assign(static_cast<size_t>(slotCount), nullptr);
  slotKind_.assign(static_cast<size_t>(slotCount), -1);
  slotOfKind_.fill(-1);
  saveLink_ = app_ != nullptr ? MakeServerWaybillSaveLink(app_->Link()) : MakeNoWaybillSaveLink();
  if (app_ != nullptr) printDoors_ = &app_->PrintDoors();
  saver_ = std::make_unique<CWaybillSaver>(*saveLink_, entry_);
}

CEntryFormBase::~CEntryFormBase() = default;

QString CEntryFormBase::Today() const {
  return QDate::currentDate().toString(QStringLiteral("yyyy.MM.dd"));
}

// ---- building ----

CLinkLabel* CEntryFormBase::MakeLink(int textId, int x, int y, int w) {
  auto* label = new CLinkLabel(Tx(textId), this);
  label->setGeometry(x, y, w, 20);
  label->SetLinkCursor(HandCursor());
  return label;
}

void CEntryFormBase::BuildHeader() {
  kindLabel_ = MakeLink(120003, 5, 6, 95);
  kindLabel_->SetTextColor(QColor(0, 0, 255));
  kindEdit_ = new QLineEdit(this);
  kindEdit_->setGeometry(100, 6, 80, 20);
  kindEdit_->setMaxLength(15);
  kindEdit_->setReadOnly(true);
  kindEdit_->setFocusPolicy(Qt::NoFocus);
  dateLabel_ = MakeLink(120001, 186, 6, 96);
  dateEdit_ = new QLineEdit(this);
  dateEdit_->setGeometry(282, 6, 88, 20);
  dateEdit_->setMaxLength(10);
  itemType_ = new QComboBox(this);
  itemType_->setGeometry(376, 5, 89, 22);
  for (int k = 0; k < 3; ++k) itemType_->addItem(Q(AppSettings::PackageKindOnScreen(k)));

  customerLabel_ = MakeLink(120004, 5, 32, 95);
  customerEdit_ = new QLineEdit(this);
  customerEdit_->setGeometry(100, 32, 200, 20);
  customerEdit_->setMaxLength(63);
  countEdit_ = new QLineEdit(this);
  countEdit_->setGeometry(306, 32, 36, 20);
  auto* pieces = new QLabel(Tx(120002), this);
  pieces->setGeometry(345, 32, 28, 20);
  settingsLabel_ = MakeLink(120000, 376, 32, 90);
  settingsLabel_->SetTextColor(QColor(255, 0, 255));
}

void CEntryFormBase::BuildSlots() {
  for (size_t i = 0; i < slotEdits_.size(); ++i) {
    const int slot = static_cast<int>(i);
    auto* label = MakeLink(30000, 5, kSlotTop + kRow * slot, 140);
    auto* edit = new QLineEdit(this);
    edit->setGeometry(kEditLeft, kSlotTop + kRow * slot, kEditWidth, 20);
    slotLabels_[i] = label;
    slotEdits_[i] = edit;
    connect(label, &CLinkLabel::clicked, this, [this, slot] { ToggleSlotLock(slot); });
    connect(edit, &QLineEdit::textEdited, this, [this, slot] { OnSlotEdited(slot); });
  }
}

void CEntryFormBase::BuildPopups() {
  destinationPopup_ = new CDestinationSuggestPopup(this);
  destinationPopup_->setGeometry(150, 70, 300, 80);
  destinationPopup_->SetSearchText(&destinationSearch_);
  clientPopup_ = new CClientSuggestPopup(this);
  clientPopup_->setGeometry(150, 59, 300, 80);
  if (app_ != nullptr) {
    destinationPopup_->Source().SetSource(&app_->Destinations());
    clientPopup_->Source().SetSource(&app_->ClientList());
  }
}

void CEntryFormBase::ChainTabOrder(std::initializer_list<QWidget*> before,
                                   std::initializer_list<QWidget*> after) {
  QWidget* previous = nullptr;
  auto chain = [&](QWidget* w) {
    if (previous != nullptr) setTabOrder(previous, w);
    previous = w;
  };
  for (QWidget* w : before) chain(w);
  for (QLineEdit* edit : slotEdits_) chain(edit);
  for (QWidget* w : after) chain(w);
}

void CEntryFormBase::ConnectCommonControls() {
  connect(kindLabel_, &CLinkLabel::clicked, this, [this] { PickServiceKind(); });
  connect(dateLabel_, &CLinkLabel::clicked, this, [this] { dateEdit_->setText(Today()); });
  connect(customerLabel_, &CLinkLabel::clicked, this, [this] { ToggleCustomerLock(); });
  connect(settingsLabel_, &CLinkLabel::clicked, this, [this] { OpenSettings(); });
  connect(statusLabel_, &CLinkLabel::clicked, this, [this] { OpenSettings(); });
  connect(piecesButton_, &QPushButton::clicked, this, [this] { OnPiecesButton(); });
  connect(goodsButton_, &QPushButton::clicked, this, [this] { OnGoodsButton(); });
  connect(clearButton_, &QPushButton::clicked, this, [this] { Clear(); });
  connect(saveButton_, &QPushButton::clicked, this, [this] { SaveForm(); });
  connect(customerEdit_, &QLineEdit::textEdited, this, [this] { OnCustomerEdited(); });
}

void CEntryFormBase::WatchControls() {
  for (QWidget* child : findChildren<QWidget*>())
    if (!child->isWindow() && child->window() == window()) child->installEventFilter(this);
  clientBinding_ = new CSuggestEditBinding(customerEdit_, clientPopup_, 63, 63);
  clientBinding_->onPick = [this](int row) { PickClientSuggestion(row); };
}

void CEntryFormBase::ConnectSaverCommon(bool selectDate) {
  saver_->focus = [this, selectDate](int target) {
    if (target == CWaybillSaver::kFocusDate) {
      dateEdit_->setFocus();
      if (selectDate) dateEdit_->selectAll();
    } else if (target == CWaybillSaver::kFocusSave) {
      saveButton_->setFocus();
    } else {
      FocusKind(target);
    }
  };
  saver_->clearForm = [this] { Clear(); };
  saver_->applyCustomerDefaults = [this](WaybillRecord& w) { ApplyCustomerDefaults(w); };
  if (app_ != nullptr) {
    saver_->cleanNumber = [this](std::u16string_view text) {
      std::string out;
      app_->CleanScannedNumber(text, out);
      return out;
    };
    saver_->printCache = &app_->WaybillCache();
  }
  saver_->printAfterSave = [this](const InputWaybillRecord& r) { PrintAfterSave(r); };
  saver_->selectCustomer = [this](int32_t id) { return SelectCustomer(id); };
  saver_->switchKind = [this](std::string_view code) { SelectKindByCode(code); };
  saver_->captureWindow = [this]() -> QObject* { return captureWindow ? captureWindow() : nullptr; };
}

const CServiceKind* CEntryFormBase::FirstEntryKind() const {
  if (app_ == nullptr || app_->serviceKinds.empty()) return nullptr;
  for (const CServiceKind& kind : app_->serviceKinds)
    if (kind.fieldKindCount > 0 && kind.fieldKinds[0] < kWaybillFieldKinds) return &kind;
  return &app_->serviceKinds.back();
}

// ---- kinds ----

void CEntryFormBase::SelectKindByCode(std::string_view code) {
  if (app_ == nullptr) return;
  CServiceKind* kind = app_->FindServiceKind(code);
  if (kind == nullptr || kind == kind_) return;
  SelectKind(kind);
  setFocus();
}

void CEntryFormBase::TakeKind(const CServiceKind* kind) {
  kind_ = kind;
  entry_.kind = kind;
  destinationPopup_->Source().SetServiceKind(kind);
}

bool CEntryFormBase::RestartWithKind() {
  for (auto& text : entry_.texts) text.clear();
  kindEdit_->setText(kind_ ? Q(kind_->wideCode.empty() ? WideFromGbk(kind_->cemskind) : kind_->wideCode)
                           : QString());
  if (entry_.loadedId > 0) {
    LoadForEditing(entry_.loadedId, false);
    return false;
  }
  Clear();
  return true;
}

void CEntryFormBase::PickServiceKind() {
  if (app_ == nullptr) return;
  CListPickDlg dlg(this);
  dlg.SetList(&app_->serviceKindCodes, AppLanguage().Text(170010));
  if (dlg.DoModal() != platform::kIdOk) return;
  kindEdit_->setText(Q(dlg.result));
  SelectKindByCode(GbkFromWide(dlg.result));
}

// ---- slots ----

void CEntryFormBase::SetSlotKinds(std::span<const int> kindOfSlot, int lastShown) {
  for (size_t i = 0; i < slotKind_.size(); ++i)
    slotKind_[i] = i < kindOfSlot.size() ? kindOfSlot[i] : -1;
  slotOfKind_.fill(-1);
  for (size_t i = 0; i < slotKind_.size(); ++i) {
    const int k = slotKind_[i];
    if (k >= 0 && k < kWaybillFieldKinds && slotOfKind_[static_cast<size_t>(k)] < 0)
      slotOfKind_[static_cast<size_t>(k)] = static_cast<int>(i);
  }
  lastShown_ = lastShown;
}

bool CEntryFormBase::SlotLocked(int slot) const {
  return slot >= 0 && slot < static_cast<int>(slotLabels_.size()) &&
         slotLabels_[static_cast<size_t>(slot)]->IsDimmed();
}

int CEntryFormBase::SlotOf(const QObject* widget) const {
  for (size_t i = 0; i < slotEdits_.size(); ++i)
    if (slotEdits_[i] == widget) return static_cast<int>(i);
  return -1;
}

bool CEntryFormBase::ToggleLockOf(int slot) {
  const bool locked = SlotLabel(slot)->ToggleDimmed();
  SlotEdit(slot)->setEnabled(!locked);
  return locked;
}

void CEntryFormBase::ToggleCustomerLock() {
  if (entry_.loadedId > 0) return;
  customerLocked_ = customerLabel_->ToggleDimmed();
  customerEdit_->setEnabled(!customerLocked_);
}

void CEntryFormBase::ShowKind(int kind) {
  const int slot = SlotOfKind(kind);
  if (slot >= 0) SlotEdit(slot)->setText(Q(entry_.texts[kind]));
}

void CEntryFormBase::ShowSlot(int slot) {
  if (slot >= 0 && slot < static_cast<int>(slotKind_.size()) && SlotKind(slot) >= 0)
    SlotEdit(slot)->setText(Q(entry_.texts[SlotKind(slot)]));
}

void CEntryFormBase::FocusKind(int kind) {
  const int slot = SlotOfKind(kind);
  if (slot < 0) return;
  SlotEdit(slot)->setFocus();
  SlotEdit(slot)->selectAll();
}

void CEntryFormBase::SearchInPopup(QWidget* popup, std::string& search, int message, int slot,
                                   const QString& text, int chars, int height) {
  if (text.isEmpty()) {
    popup->hide();
    return;
  }
  search = GbkFromWide(text.left(chars).toStdU16String());
  popup->setGeometry(150, 80 + kRow * slot, 300, height);
  platform::SendPrivateMessage(popup, message, 0, 0);
}

std::u16string CEntryFormBase::TakeDestination(std::u16string text, int n, bool zeroWithoutMatch) {
  const DestinationRecord* found = nullptr;
  if (app_ != nullptr && (!zeroWithoutMatch || !text.empty()))
    found = app_->Destinations().FindByName(GbkFromWide(text));
  if (found != nullptr) {
    entry_.language = found->number;
  } else {
    std::u16string name;
    if (destinationPopup_->isVisible() && destinationPopup_->Source().GetHit(n, &name) != nullptr)
      text = name;
    if (!text.empty() && app_ != nullptr) {
      const DestinationRecord* prefix =
          app_->Destinations().FindByNamePrefix(GbkFromWide(text), true);
      entry_.language = prefix ? prefix->number : 0;
    } else if (zeroWithoutMatch) {
      entry_.language = 0;
    }
  }
  destinationPopup_->hide();
  return text;
}

// ---- fixed fields and status ----

void CEntryFormBase::ReadFixedFields() {
  entry_.dateText = dateEdit_->text().trimmed().toStdU16String();
  entry_.itemCount = countEdit_->text().trimmed().toInt();
  entry_.itemType = static_cast<uint8_t>(std::max(itemType_->currentIndex(), 0));
}

void CEntryFormBase::ShowFixedFields() {
  dateEdit_->setText(Q(entry_.dateText));
  countEdit_->setText(QString::number(entry_.itemCount));
  itemType_->setCurrentIndex(std::min<int>(entry_.itemType, 2));
}

void CEntryFormBase::ShowStatusText(bool upUnlessZero, std::u16string kindCode) {
  quickentry::StatusLine st;
  st.loaded = entry_.loadedId > 0;
  st.state = entry_.state;
  st.payWay = entry_.payWay;
  st.payDir = entry_.payDir;
  st.money = entry_.money;
  st.origin = entry_.origin;
  st.deliveryWay = direction_;
  st.upUnlessZero = upUnlessZero;
  st.kindCode = std::move(kindCode);
  statusLabel_->setText(Q(quickentry::StatusLineText(st)));
  statusLabel_->SetTextColor(st.loaded ? QColor(255, 0, 0) : QColor(0, 128, 0));
}

// ---- customer ----

bool CEntryFormBase::SelectCustomer(int32_t id) {
  if (app_ == nullptr) return false;
  const ClientDetail* detail = platform::WaitForWork(
      [&] { return app_->ClientList().GetClientDetail(app_->CacheLink(), id, true); });
  if (detail == nullptr) return false;
  customerEdit_->setText(Q(WideFromGbk(detail->unitName)).left(63));
  entry_.customerId = id;
  entry_.customerStation = detail->station;
  entry_.payWay = detail->payWay;
  entry_.payDir = quickentry::PayDirOfPayWay(detail->payWay);
  ShowStatusLine();
  return true;
}

bool CEntryFormBase::PickClientSuggestion(int n) {
  if (entry_.loadedId > 0) return true;
  if (customerEdit_->text().trimmed().isEmpty()) return false;
  const int32_t id = clientPopup_->Source().GetHit(n);
  if (id < 0) return false;
  picking_ = true;
  if (id != entry_.customerId || app_ == nullptr ||
      platform::WaitForWork([&] {
        return app_->ClientList().GetClientDetail(app_->CacheLink(), id, true);
      }) == nullptr) {
    if (!SelectCustomer(id)) entry_.customerId = 0;
  }
  picking_ = false;
  return true;
}

void CEntryFormBase::ApplyCustomerDefaults(WaybillRecord& w) const {
  if (app_ == nullptr || entry_.customerId <= 0) return;
  const ClientDetail* d = platform::WaitForWork([&] {
    return app_->ClientList().GetClientDetail(app_->CacheLink(), entry_.customerId, true);
  });
  if (d != nullptr) quickentry::ApplyCustomerDefaults(*d, w);
}

void CEntryFormBase::OnCustomerEdited() {
  if (entry_.loadedId > 0 || customerLocked_ || loading_ || clearing_ || picking_) return;
  entry_.customerId = 0;
}

// ---- clear, load, save, delete ----

void CEntryFormBase::ResetWaybill() {
  entry_.loaded = InputWaybillRecord{};
  saving_ = loading_ = picking_ = false;
  entry_.itemCount = 1;
  entry_.pieces.clear();
  entry_.goods.clear();
  entry_.goodsChanged = false;
  entry_.state = defaultState_;
  direction_ = defaultDirection_;
  entry_.payDir = defaultPayDir_;
  entry_.payWay = defaultPayWay_;
  entry_.origin = defaultOrigin_;
  entry_.money = defaultMoney_;
  entry_.dateText = Today().toStdU16String();
  ShowFixedFields();
  // The customer stays selected for the next waybill.
  customerEdit_->setEnabled(!customerLocked_);
  saveButton_->setText(Tx(130013));
}

void CEntryFormBase::ClearFields() {
  if (entry_.loadedId <= 0) carryTexts_ = entry_.texts;
  for (auto& text : entry_.texts) text.clear();
  entry_.texts[23].assign(1, u'0');
  destinationPopup_->hide();
  const int destination = SlotOfKind(1);
  if (destination >= 0 && SlotLocked(destination)) entry_.texts[1] = carryTexts_[1];

  entry_.loadedId = 0;
  preInputTaken_ = false;
  ShowStatusLine();

  // The customer's text is selected so that typing another name replaces it.
  if (!customerLocked_) {
    customerEdit_->setFocus();
    customerEdit_->selectAll();
  }
  bool focused = !customerLocked_;
  for (int i = 0; i <= lastShown_; ++i) {
    const int k = SlotKind(i);
    if (k < 0) continue;
    if (SlotLocked(i)) {
      if (k == 2 || k == 3 || k == 25) SlotEdit(i)->clear();
      else entry_.texts[k] = carryTexts_[k];
    } else {
      SlotEdit(i)->clear();
      if (!focused && !quickentry::IsShownOnlyKind(k)) {
        SlotEdit(i)->setFocus();
        focused = true;
      }
    }
  }
}

bool CEntryFormBase::LoadForEditing(int32_t id, bool switchKind) {
  loading_ = true;
  const bool loaded = saver_->LoadForEditing(id, switchKind);
  if (loaded) {
    customerEdit_->setEnabled(false);
    ShowFixedFields();
    for (int i = 0; i <= lastShown_; ++i) ShowSlot(i);
    saveButton_->setText(Tx(22003));
    OnRecordLoaded();
  }
  ShowStatusLine();
  loading_ = false;
  return loaded;
}

bool CEntryFormBase::TakePreInput(int32_t id, std::optional<std::string_view> number,
                                  std::optional<std::string_view> transfer,
                                  std::optional<std::string_view> reference) {
  if (preInputTaken_ || app_ == nullptr) return false;
  CServerLink& link = app_->Link();
  // The request and the copy of its reply run on a worker: the window
  // keeps painting meanwhile.
  std::string reply = platform::WaitForWork([&]() -> std::string {
    auto guard = link.LockReply();
    if (link.FetchPreInput(id, number, transfer, reference) <= 0) return {};
    return guard.Text();
  });
  if (reply.empty()) return false;
  if (!SelectCustomer(JsonGetInt("icID", reply, 0))) return false;
  loading_ = true;
  customerEdit_->setEnabled(false);
  quickentry::TakePreInputReply(reply, entry_);
  ShowStatusLine();
  for (int i = 0; i <= lastShown_; ++i) ShowSlot(i);
  ShowFixedFields();
  preInputTaken_ = true;
  loading_ = false;
  return true;
}

CWaybillSaver::Outcome CEntryFormBase::RunSave() {
  if (saving_) return CWaybillSaver::Outcome::Busy;
  // The piece count is a whole number, never read as 0 unseen.
  if (!IsTypedNumber(countEdit_->text().toStdU16String(), true)) {
    ShowNotANumber(AppLanguage().Text(kPiecesText));
    countEdit_->setFocus();
    countEdit_->selectAll();
    return CWaybillSaver::Outcome::Stopped;
  }
  ReadFixedFields();
  CollectSlots();
  BeforeSave();
  saving_ = true;
  const CWaybillSaver::Outcome outcome = saver_->Save();
  saving_ = false;
  if (outcome == CWaybillSaver::Outcome::PartlySaved) ShowStatusLine();
  return outcome;
}

bool CEntryFormBase::Delete() {
  if (entry_.loadedId <= 0) return false;
  return saver_->Delete();
}

void CEntryFormBase::CopyAll() {
  CollectSlots();
  copyTexts_ = entry_.texts;
  copyFilled_ = true;
}

void CEntryFormBase::PasteAll() {
  if (!copyFilled_) return;
  entry_.texts = copyTexts_;
  for (int i = 0; i <= lastShown_; ++i) ShowSlot(i);
}

bool CEntryFormBase::RunSettings(bool fromForm) {
  QuickEntrySettingsValues& v = settings_.values;
  v.labelPrint = printChoices_.labelPrint;
  v.carrierWaybillPrint = printChoices_.carrierWaybillPrint;
  v.ownWaybillPrint = printChoices_.ownWaybillPrint;
  v.invoiceCopies = printChoices_.invoiceCopies;
  v.state = entry_.state;
  if (fromForm) {
    v.payWay = entry_.payWay;
    v.deliveryWay = direction_;
    v.payDir = entry_.payDir;
    v.origin = entry_.origin;
    v.money = entry_.money;
  }
  if (settings_.DoModal() != platform::kIdOk) return false;
  entry_.payWay = static_cast<uint8_t>(v.payWay);
  entry_.state = static_cast<uint8_t>(v.state);
  direction_ = v.deliveryWay;
  entry_.payDir = v.payDir;
  entry_.origin = v.origin;
  entry_.money = v.money;
  printChoices_ = v;
  printChoices_.invoiceCopies = std::clamp(v.invoiceCopies, 0, 5);
  if (entry_.loadedId <= 0) {
    defaultPayWay_ = entry_.payWay;
    defaultState_ = entry_.state;
    defaultDirection_ = direction_;
    defaultPayDir_ = entry_.payDir;
    defaultOrigin_ = entry_.origin;
    defaultMoney_ = entry_.money;
  }
  return true;
}

void CEntryFormBase::PrintAfterSave(const InputWaybillRecord& record) {
  if (printDoors_ != nullptr) PrintAfterEntrySave(*printDoors_, printChoices_, record.waybill.irID);
}

// ---- keys ----

void CEntryFormBase::MoveFocus(bool next) { focusNextPrevChild(next); }

bool CEntryFormBase::eventFilter(QObject* watched, QEvent* e) {
  // Only the form's own controls (not a dialog it opened).
  if (auto* widget = qobject_cast<QWidget*>(watched); widget && widget->window() != window())
    return QWidget::eventFilter(watched, e);
  OnControlEvent(watched, e);
  if (watched == customerEdit_ && e->type() == QEvent::FocusOut) clientPopup_->hide();

  if (e->type() == QEvent::KeyRelease) {
    auto* key = static_cast<QKeyEvent*>(e);
    if (key->key() == Qt::Key_F2 && !key->isAutoRepeat()) SaveForm();
    else if (key->key() == Qt::Key_F3 && !key->isAutoRepeat()) Clear();
    return false;
  }
  if (e->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, e);
  auto* key = static_cast<QKeyEvent*>(e);
  const bool ctrl = key->modifiers() & Qt::ControlModifier;
  bool result = false;
  if (FormKey(*key, ctrl, QApplication::focusWidget(), result)) return result;
  switch (key->key()) {
    case Qt::Key_Down:
      MoveFocus(true);
      return true;
    case Qt::Key_Up:
      MoveFocus(false);
      return true;
    case Qt::Key_Escape:
    case Qt::Key_PageUp:
      return true;
    case Qt::Key_A:
      if (!ctrl) return false;
      if (customerLocked_) ToggleCustomerLock();
      customerEdit_->setEnabled(true);
      customerEdit_->setFocus();
      customerEdit_->selectAll();
      return true;
    case Qt::Key_S:
      if (!ctrl) return false;
      SaveForm();
      return true;
    case Qt::Key_D:
      if (!ctrl) return false;
      Clear();
      return true;
    case Qt::Key_G:
      if (!ctrl) return false;
      Delete();
      return true;
    default:
      return false;
  }
}
