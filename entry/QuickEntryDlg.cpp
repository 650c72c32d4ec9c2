#include "entry/QuickEntryDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "devices/PortMessages.h"
#include "devices/ScaleSource.h"
#include "entry/EntryLineDialogs.h"
#include "entry/GoodsListDlg.h"
#include "entry/PieceWeightDlg.h"
#include "entry/QuickEntryImport.h"
#include "entry/QuickEntryReactions.h"
#include "platform/MessageBox.h"
#include "platform/QtText.h"
#include "platform/QtMessages.h"
#include "platform/QtWaitForWork.h"
#include "print/PagePrintPlan.h"
#include "print/PrintDoors.h"
#include "refdata/ClientListCache.h"
#include "refdata/JapanPostcodeBook.h"
#include "refdata/PlaceDictionary.h"
#include "refdata/ServiceKinds.h"
#include "shell/AppSettings.h"
#include "shell/BrantleClientApp.h"
#include "ui/JapanAddressDlg.h"
#include "ui/LinkLabel.h"
#include "ui/ListPickDlg.h"
#include "ui/SuggestRows.h"
#include "ui/ViewPage.h"

namespace {

QString Tx(int id) { return QString::fromStdU16String(AppLanguage().Text(id)); }
QString Q(std::u16string_view text) { return platform::ToQString(text); }

// The template numbers of the slot labels, in slot order.
constexpr int kSlotLabelIds[CQuickEntryDlg::kSlots] = {
    1063, 1205, 1203, 1204, 1068, 1069, 1070, 1064, 1206, 1207, 1208, 1071,
    1072, 1073, 1065, 1209, 1210, 1211, 1074, 1075, 1076, 1067, 1212, 1213};

// Invented texts of the two buttons whose system numbers other texts use.
constexpr int kClearText = 22002, kSaveText = 22003;
// The piece count's name in messages.
constexpr int kPiecesText = 30072;

constexpr int kRow = 21;       // slot pitch
constexpr int kSlotTop = 59;   // top of slot 0's edit
constexpr int kEditLeft = 150;
constexpr int kEditWidth = 300;

}  // namespace

CQuickEntryDlg::CQuickEntryDlg(CBrantleClientApp* app, QWidget* parent)
    : QWidget(parent), app_(app), settings_(this) {
  slotKind_.fill(-1);
  slotOfKind_.fill(-1);
  InitImportCaptions();
  if (app_ != nullptr) {
    saveLink_ = MakeServerWaybillSaveLink(app_->Link());
    scale_ = &app_->ScaleReader();
    // The label option asks the application's label layout.
    settings_.labelsPerSheet = [app] { return CurrentLabelsPerSheet(app->PrintDoors()); };
  } else {
    saveLink_ = MakeNoWaybillSaveLink();
  }
  saver_ = std::make_unique<CWaybillSaver>(*saveLink_, entry_);
  BuildControls();
  ConnectSaver();

  // The initial kind: the first with a slot list, else the last.
  if (app_ != nullptr && !app_->serviceKinds.empty()) {
    const CServiceKind* first = &app_->serviceKinds.back();
    for (const CServiceKind& kind : app_->serviceKinds)
      if (kind.fieldKindCount > 0 && kind.fieldKinds[0] < kWaybillFieldKinds) {
        first = &kind;
        break;
      }
    SelectKind(first);
  } else {
    Clear();
  }
}

CQuickEntryDlg::~CQuickEntryDlg() {
  CloseScale();
}

void CQuickEntryDlg::InitImportCaptions() {
  importCaptions_.clear();
  for (std::u16string_view name : quickentry::ImportFieldNames()) importCaptions_.emplace_back(name);
}

void CQuickEntryDlg::BuildControls() {
  resize(470, 660);
  auto link = [this](int textId, int x, int y, int w) {
    auto* label = new CLinkLabel(Tx(textId), this);
    label->setGeometry(x, y, w, 20);
    label->SetLinkCursor(HandCursor());
    return label;
  };
  // Two rows of fixed fields above the slots.
  kindLabel_ = link(120003, 5, 6, 95);
  kindLabel_->SetTextColor(QColor(0, 0, 255));
  kindEdit_ = new QLineEdit(this);
  kindEdit_->setGeometry(100, 6, 80, 20);
  kindEdit_->setMaxLength(15);
  kindEdit_->setReadOnly(true);
  kindEdit_->setFocusPolicy(Qt::NoFocus);
  dateLabel_ = link(120001, 186, 6, 96);
  dateEdit_ = new QLineEdit(this);
  dateEdit_->setGeometry(282, 6, 88, 20);
  dateEdit_->setMaxLength(10);
  itemType_ = new QComboBox(this);
  itemType_->setGeometry(376, 5, 89, 22);
  for (int k = 0; k < 3; ++k) itemType_->addItem(Q(AppSettings::PackageKindOnScreen(k)));

  customerLabel_ = link(120004, 5, 32, 95);
  customerEdit_ = new QLineEdit(this);
  customerEdit_->setGeometry(100, 32, 200, 20);
  customerEdit_->setMaxLength(63);
  countEdit_ = new QLineEdit(this);
  countEdit_->setGeometry(306, 32, 36, 20);
  auto* pieces = new QLabel(Tx(120002), this);
  pieces->setGeometry(345, 32, 28, 20);
  settingsLabel_ = link(120000, 376, 32, 90);
  settingsLabel_->SetTextColor(QColor(255, 0, 255));

  for (int i = 0; i < kSlots; ++i) {
    auto* label = link(30000, 5, kSlotTop + kRow * i, 140);
    label->setObjectName(QString::number(kSlotLabelIds[i]));
    auto* edit = new QLineEdit(this);
    edit->setGeometry(kEditLeft, kSlotTop + kRow * i, kEditWidth, 20);
    edit->setObjectName(QString::number(1286 + i));
    slotLabels_[i] = label;
    slotEdits_[i] = edit;
    label->hide();
    edit->hide();
    connect(label, &CLinkLabel::clicked, this, [this, i] { ToggleSlotLock(i); });
    connect(edit, &QLineEdit::textEdited, this, [this, i] { OnSlotChange(i); });
  }
  const int bottom = kSlotTop + kRow * kSlots + 4;
  statusLabel_ = link(30000, 5, bottom, 460);
  statusLabel_->SetTextColor(QColor(0, 128, 0));
  japanLabel_ = link(120005, 5, bottom + 24, 95);
  auto* city = new CLinkLabel(Tx(120006), this);
  city->setGeometry(100, bottom + 24, 90, 20);
  piecesButton_ = new QPushButton(Tx(120008), this);
  piecesButton_->setGeometry(5, bottom + 50, 100, 26);
  goodsButton_ = new QPushButton(Tx(120009), this);
  goodsButton_->setGeometry(110, bottom + 50, 100, 26);
  clearButton_ = new QPushButton(Tx(kClearText), this);
  clearButton_->setGeometry(260, bottom + 50, 90, 26);
  saveButton_ = new QPushButton(Tx(kSaveText), this);
  saveButton_->setGeometry(360, bottom + 50, 100, 26);
  saveButton_->setDefault(true);

  // Tab order: the fixed fields, the customer, the slots, the buttons.
  QWidget* order[] = {dateEdit_, itemType_, countEdit_, customerEdit_};
  QWidget* previous = nullptr;
  for (QWidget* w : order) {
    if (previous) setTabOrder(previous, w);
    previous = w;
  }
  for (QLineEdit* edit : slotEdits_) {
    setTabOrder(previous, edit);
    previous = edit;
  }
  setTabOrder(previous, piecesButton_);
  setTabOrder(piecesButton_, goodsButton_);
  setTabOrder(goodsButton_, clearButton_);
  setTabOrder(clearButton_, saveButton_);

  connect(kindLabel_, &CLinkLabel::clicked, this, [this] { PickKind(); });
  connect(dateLabel_, &CLinkLabel::clicked, this, [this] { dateEdit_->setText(Today()); });
  connect(customerLabel_, &CLinkLabel::clicked, this, [this] { ToggleCustomerLock(); });
  connect(settingsLabel_, &CLinkLabel::clicked, this, [this] { OpenSettings(); });
  connect(statusLabel_, &CLinkLabel::clicked, this, [this] { OpenSettings(); });
  connect(japanLabel_, &CLinkLabel::clicked, this, [this] { OnJapanAddress(); });
  connect(piecesButton_, &QPushButton::clicked, this, [this] { OnPiecesButton(); });
  connect(goodsButton_, &QPushButton::clicked, this, [this] { OnGoodsButton(); });
  connect(clearButton_, &QPushButton::clicked, this, [this] { Clear(); });
  connect(saveButton_, &QPushButton::clicked, this, [this] { Save(); });
  connect(customerEdit_, &QLineEdit::textEdited, this, [this] { OnCustomerEdited(); });

  // The popups: hidden children at their fixed places.
  goodsPopup_ = new CPlaceSuggestPopup(this);
  goodsPopup_->setGeometry(305, 232, 300, 105);
  goodsPopup_->SetSearchText(&goodsSearch_);
  destinationPopup_ = new CDestinationSuggestPopup(this);
  destinationPopup_->setGeometry(150, 70, 300, 80);
  destinationPopup_->SetSearchText(&destinationSearch_);
  clientPopup_ = new CClientSuggestPopup(this);
  clientPopup_->setGeometry(150, 59, 300, 80);
  if (app_ != nullptr) {
    goodsPopup_->Source().SetSource(&app_->PlaceDictionary());
    destinationPopup_->Source().SetSource(&app_->Destinations());
    clientPopup_->Source().SetSource(&app_->ClientList());
  }

  // The form sees every key first; the customer's suggestion binding is
  // installed after it and so runs before it on the customer field.
  for (QWidget* child : findChildren<QWidget*>())
    if (!child->isWindow() && child->window() == window()) child->installEventFilter(this);
  clientBinding_ = new CSuggestEditBinding(customerEdit_, clientPopup_, 63, 63);
  clientBinding_->onPick = [this](int row) { PickCustomer(row); };
}

void CQuickEntryDlg::ConnectSaver() {
  saver_->focus = [this](int target) {
    if (target == CWaybillSaver::kFocusDate) dateEdit_->setFocus();
    else if (target == CWaybillSaver::kFocusSave) saveButton_->setFocus();
    else FocusKind(target);
  };
  saver_->clearForm = [this] { Clear(); };
  saver_->applyCustomerDefaults = [this](WaybillRecord& w) { ApplyCustomerDefaults(w); };
  if (app_ != nullptr)
    saver_->cleanNumber = [this](std::u16string_view text) {
      std::string out;
      app_->CleanScannedNumber(text, out);
      return out;
    };
  saver_->printAfterSave = [this](const InputWaybillRecord& r) { PrintAfterSave(r); };
  if (app_ != nullptr) saver_->printCache = &app_->WaybillCache();
  saver_->selectCustomer = [this](int32_t id) { return SelectCustomer(id); };
  saver_->switchKind = [this](std::string_view code) { SelectKindByCode(code); };
  saver_->captureWindow = [this]() -> QObject* { return captureWindow ? captureWindow() : nullptr; };
}

void CQuickEntryDlg::SetPageWindow(QObject* page) {
  page_ = page;
  saver_->page = page;
}

QString CQuickEntryDlg::Today() const {
  return QDate::currentDate().toString(QStringLiteral("yyyy.MM.dd"));
}

// ---- kinds and slots ----

void CQuickEntryDlg::SelectKind(const CServiceKind* kind) {
  if (kind == kind_ && kind != nullptr) return;
  kind_ = kind;
  entry_.kind = kind;
  destinationPopup_->Source().SetServiceKind(kind);
  CloseScale();
  slotKind_.fill(-1);
  slotOfKind_.fill(-1);
  weightSlot_ = -1;
  int shown = 0;
  for (int i = 0; kind != nullptr && i < kSlots && i < kind->fieldKindCount; ++i) {
    const int k = kind->fieldKinds[i];
    if (k >= kWaybillFieldKinds) break;
    CLinkLabel* label = slotLabels_[i];
    if (label->IsDimmed()) label->ToggleDimmed();
    label->setText(Tx(30000 + k));
    label->show();
    QLineEdit* edit = slotEdits_[i];
    edit->clear();
    edit->setMaxLength(255);
    // Kinds the quick save does not take are shown, never edited.
    const bool shownOnly = quickentry::IsShownOnlyKind(k);
    edit->setEnabled(!shownOnly);
    edit->setReadOnly(shownOnly);
    edit->setFocusPolicy(shownOnly ? Qt::NoFocus : Qt::StrongFocus);
    edit->show();
    slotKind_[i] = k;
    if (slotOfKind_[k] < 0) slotOfKind_[k] = i;
    if (k == 4) weightSlot_ = i;
    ++shown;
  }
  OpenScale();
  lastShown_ = shown - 1;
  for (int i = shown; i < kSlots; ++i) {
    slotLabels_[i]->hide();
    slotEdits_[i]->hide();
  }
  RecomputeLastUnlocked();
  entry_.showsNumberSlot = slotOfKind_[2] >= 0 || slotOfKind_[3] >= 0;
  for (auto& text : entry_.texts) text.clear();
  kindEdit_->setText(kind ? Q(kind->wideCode.empty() ? WideFromGbk(kind->cemskind) : kind->wideCode)
                          : QString());
  if (entry_.loadedId > 0) {
    LoadRecord(entry_.loadedId, false);
    return;
  }
  Clear();
  if (kind != nullptr) {
    const std::u16string single = kind->SingleAreaName();
    if (!single.empty()) {
      entry_.texts[1] = single;
      ShowKind(1);
      destinationSearch_ = GbkFromWide(single);
    }
  }
}

void CQuickEntryDlg::SelectKindByCode(std::string_view code) {
  if (app_ == nullptr) return;
  CServiceKind* kind = app_->FindServiceKind(code);
  if (kind == nullptr || kind == kind_) return;
  SelectKind(kind);
  setFocus();
}

bool CQuickEntryDlg::SlotLocked(int slot) const {
  return slot >= 0 && slot < kSlots && slotLabels_[slot]->IsDimmed();
}

void CQuickEntryDlg::RecomputeLastUnlocked() {
  // The highest shown slot that takes input and is not locked.
  lastUnlocked_ = -1;
  for (int i = lastShown_; i >= 0; --i)
    if (!SlotLocked(i) && !quickentry::IsShownOnlyKind(slotKind_[i])) {
      lastUnlocked_ = i;
      break;
    }
}

void CQuickEntryDlg::ToggleSlotLock(int slot) {
  if (slot < 0 || slot > lastShown_ || quickentry::IsShownOnlyKind(slotKind_[slot])) return;
  const bool locked = slotLabels_[slot]->ToggleDimmed();
  slotEdits_[slot]->setEnabled(!locked);
  if (slot == 0) return;
  if (locked) {
    RecomputeLastUnlocked();
    if (lastUnlocked_ < 0) lastUnlocked_ = 0;
  } else if (slot > lastUnlocked_) {
    lastUnlocked_ = slot;
  }
}

void CQuickEntryDlg::ToggleCustomerLock() {
  if (entry_.loadedId > 0) return;
  customerLocked_ = customerLabel_->ToggleDimmed();
  customerEdit_->setEnabled(!customerLocked_);
}

void CQuickEntryDlg::ShowKind(int kind) {
  const int slot = SlotOfKind(kind);
  if (slot >= 0) slotEdits_[slot]->setText(Q(entry_.texts[kind]));
}

void CQuickEntryDlg::ShowSlot(int slot) {
  if (slot >= 0 && slot < kSlots && slotKind_[slot] >= 0)
    slotEdits_[slot]->setText(Q(entry_.texts[slotKind_[slot]]));
}

void CQuickEntryDlg::CollectSlots() {
  for (int i = 0; i <= lastShown_; ++i) {
    const int k = slotKind_[i];
    if (k < 0 || k >= kWaybillFieldKinds) break;
    if (quickentry::IsShownOnlyKind(k)) continue;
    entry_.texts[k] = quickentry::LeaveSlotText(k, slotEdits_[i]->text().toStdU16String());
  }
}

void CQuickEntryDlg::FocusKind(int kind) {
  const int slot = SlotOfKind(kind);
  if (slot < 0) return;
  slotEdits_[slot]->setFocus();
  slotEdits_[slot]->selectAll();
}

void CQuickEntryDlg::ReadFixedFields() {
  entry_.dateText = dateEdit_->text().trimmed().toStdU16String();
  entry_.itemCount = countEdit_->text().trimmed().toInt();
  entry_.itemType = static_cast<uint8_t>(std::max(itemType_->currentIndex(), 0));
}

void CQuickEntryDlg::ShowFixedFields() {
  dateEdit_->setText(Q(entry_.dateText));
  countEdit_->setText(QString::number(entry_.itemCount));
  itemType_->setCurrentIndex(std::min<int>(entry_.itemType, 2));
}

void CQuickEntryDlg::RefreshStatus() {
  quickentry::StatusLine st;
  st.loaded = entry_.loadedId > 0;
  st.state = entry_.state;
  st.payWay = entry_.payWay;
  st.payDir = entry_.payDir;
  st.money = entry_.money;
  st.origin = entry_.origin;
  st.deliveryWay = deliveryWay_;
  st.kindCode = kind_ ? WideFromGbk(kind_->cemskind) : std::u16string();
  statusLabel_->setText(Q(quickentry::StatusLineText(st)));
  statusLabel_->SetTextColor(st.loaded ? QColor(255, 0, 0) : QColor(0, 128, 0));
}

// ---- clear, load, save, delete ----

void CQuickEntryDlg::Clear() {
  clearing_ = true;
  OpenScale();
  entry_.loaded = InputWaybillRecord{};
  saving_ = loading_ = picking_ = false;
  zeroShown_ = true;
  entry_.itemCount = 1;
  entry_.pieces.clear();
  entry_.goods.clear();
  entry_.goodsChanged = false;
  entry_.state = defaultState_;
  deliveryWay_ = defaultDelivery_;
  entry_.payDir = defaultPayDir_;
  entry_.payWay = defaultPayWay_;
  entry_.origin = defaultOrigin_;
  entry_.money = defaultMoney_;
  if (dateFollowsToday_) entry_.dateText = Today().toStdU16String();
  ShowFixedFields();
  volumeLetter_ = 0;
  entry_.volumeLetter = 0;
  // The customer stays selected for the next waybill; its text is selected
  // so that typing another name replaces it.
  customerEdit_->setEnabled(!customerLocked_);
  saveButton_->setText(Tx(130013));

  if (entry_.loadedId <= 0) keptTexts_ = entry_.texts;
  for (auto& text : entry_.texts) text.clear();
  entry_.texts[23].assign(1, u'0');
  destinationPopup_->hide();
  goodsPopup_->hide();
  const int destination = SlotOfKind(1);
  if (destination >= 0 && SlotLocked(destination)) entry_.texts[1] = keptTexts_[1];

  entry_.loadedId = 0;
  preInputTaken_ = false;
  RefreshStatus();

  if (!customerLocked_) {
    customerEdit_->setFocus();
    customerEdit_->selectAll();
  }
  bool focused = !customerLocked_;
  for (int i = 0; i <= lastShown_; ++i) {
    const int k = slotKind_[i];
    if (k < 0) continue;
    if (SlotLocked(i)) {
      if (k == 2 || k == 3 || k == 25) {
        slotEdits_[i]->clear();
      } else {
        entry_.texts[k] = keptTexts_[k];
      }
    } else {
      slotEdits_[i]->clear();
      if (!focused && !quickentry::IsShownOnlyKind(k)) {
        slotEdits_[i]->setFocus();
        focused = true;
      }
    }
  }
  clearing_ = false;
}

bool CQuickEntryDlg::LoadRecord(int32_t id, bool switchKind) {
  loading_ = true;
  const bool loaded = saver_->LoadForEditing(id, switchKind);
  if (loaded) {
    customerEdit_->setEnabled(false);
    ShowFixedFields();
    for (int i = 0; i <= lastShown_; ++i) ShowSlot(i);
    saveButton_->setText(Tx(kSaveText));
  }
  RefreshStatus();
  loading_ = false;
  return loaded;
}

CWaybillSaver::Outcome CQuickEntryDlg::Save() {
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
  if (!dateEdit_->text().isEmpty()) entry_.dateText = dateEdit_->text().toStdU16String();
  entry_.volumeLetter = volumeLetter_;
  saving_ = true;
  const CWaybillSaver::Outcome outcome = saver_->Save();
  saving_ = false;
  if (outcome == CWaybillSaver::Outcome::PartlySaved) RefreshStatus();
  return outcome;
}

bool CQuickEntryDlg::Delete() {
  if (entry_.loadedId <= 0) return false;
  return saver_->Delete();
}

void CQuickEntryDlg::CopyAll() {
  CollectSlots();
  copyTexts_ = entry_.texts;
  copyFilled_ = true;
}

void CQuickEntryDlg::PasteAll() {
  if (!copyFilled_) return;
  entry_.texts = copyTexts_;
  for (int i = 0; i <= lastShown_; ++i) ShowSlot(i);
}

// ---- customer ----

bool CQuickEntryDlg::SelectCustomer(int32_t id) {
  if (app_ == nullptr) return false;
  const ClientDetail* detail = platform::WaitForWork(
      [&] { return app_->ClientList().GetClientDetail(app_->CacheLink(), id, true); });
  if (detail == nullptr) return false;
  QString name = Q(WideFromGbk(detail->unitName)).left(63);
  customerEdit_->setText(name);
  entry_.customerId = id;
  entry_.customerStation = detail->station;
  entry_.payWay = detail->payWay;
  customerPayWay_ = detail->payWay;
  entry_.payDir = quickentry::PayDirOfPayWay(detail->payWay);
  RefreshStatus();
  return true;
}

void CQuickEntryDlg::OnCustomerEdited() {
  if (entry_.loadedId > 0 || customerLocked_ || loading_ || clearing_ || picking_) return;
  entry_.customerId = 0;
}

int CQuickEntryDlg::PickCustomer(int n) {
  if (entry_.loadedId > 0) return 1;
  if (customerEdit_->text().trimmed().isEmpty()) return 0;
  const int32_t id = clientPopup_->Source().GetHit(n);
  if (id < 0) return 0;
  picking_ = true;
  if (id != entry_.customerId || app_ == nullptr ||
      platform::WaitForWork([&] {
        return app_->ClientList().GetClientDetail(app_->CacheLink(), id, true);
      }) == nullptr) {
    if (!SelectCustomer(id)) entry_.customerId = 0;
  }
  picking_ = false;
  return 1;
}

void CQuickEntryDlg::ApplyCustomerDefaults(WaybillRecord& w) const {
  if (app_ == nullptr || entry_.customerId <= 0) return;
  const ClientDetail* d = platform::WaitForWork([&] {
    return app_->ClientList().GetClientDetail(app_->CacheLink(), entry_.customerId, true);
  });
  if (d != nullptr) quickentry::ApplyCustomerDefaults(*d, w);
}

void CQuickEntryDlg::PrintAfterSave(const InputWaybillRecord& record) {
  if (app_ != nullptr) PrintAfterEntrySave(app_->PrintDoors(), printChoices_, record.waybill.irID);
}

// ---- slots: change, focus, leave, finish ----

int CQuickEntryDlg::SlotOf(const QObject* widget) const {
  for (int i = 0; i < kSlots; ++i)
    if (slotEdits_[i] == widget) return i;
  return -1;
}

void CQuickEntryDlg::OnSlotChange(int slot) {
  if (saving_ || loading_ || clearing_ || !slotEdits_[slot]->hasFocus()) return;
  const int k = slotKind_[slot];
  const QString text = slotEdits_[slot]->text();
  if (k == 1) {
    if (text.isEmpty()) {
      destinationPopup_->hide();
      return;
    }
    destinationSearch_ = GbkFromWide(text.left(64).toStdU16String());
    destinationPopup_->setGeometry(150, 80 + kRow * slot, 300, 80);
    platform::SendPrivateMessage(destinationPopup_, kWmDestinationSuggest, 0, 0);
  } else if (k == 26) {
    if (app_ == nullptr || app_->PlaceDictionary().Entries().empty()) return;
    if (text.isEmpty()) {
      goodsPopup_->hide();
      return;
    }
    goodsSearch_ = GbkFromWide(text.left(256).toStdU16String());
    goodsPopup_->setGeometry(150, 80 + kRow * slot, 300, 105);
    platform::SendPrivateMessage(goodsPopup_, kWmPlaceSuggest, 0, 0);
  }
}

void CQuickEntryDlg::OnSlotFocus(int slot) {
  const int k = slotKind_[slot];
  QLineEdit* edit = slotEdits_[slot];
  if (k == 4) {
    OpenScale();
    return;
  }
  if (!edit->text().isEmpty()) return;
  if (k >= 10 && k <= 13 && !entry_.texts[k].empty()) edit->setText(Q(entry_.texts[k]));
  edit->selectAll();
}

void CQuickEntryDlg::ReadSlot(int slot) {
  const int k = slotKind_[slot];
  if (k < 0 || quickentry::IsShownOnlyKind(k)) return;
  const std::u16string text =
      quickentry::LeaveSlotText(k, slotEdits_[slot]->text().toStdU16String());
  if (k == 0 || k == 1) destinationPopup_->hide();
  if (k == 26) goodsPopup_->hide();
  if (k == 1) lastDestination_ = text;
  entry_.texts[k] = text;
  if (quickentry::LeaveSlotShowsText(k)) slotEdits_[slot]->setText(Q(text));
  if (k == 64) ApplyDimensions();
}

void CQuickEntryDlg::ApplyDimensions() {
  if (entry_.texts[64].empty()) return;
  ReadFixedFields();
  if (entry_.itemCount <= 0) entry_.itemCount = 1;
  volumeLetter_ = quickentry::VolumeLetterOfClass(kind_ ? kind_->weightTypeC : 0, volumeLetter_);
  // The chargeable weight divides by the application's override letter when
  // one is set: cLwh stores the letter the divisor came from.
  if (app_ != nullptr && app_->Settings().divisorLetterOverride != 0)
    volumeLetter_ = app_->Settings().divisorLetterOverride;
  entry_.volumeLetter = volumeLetter_;
  quickentry::ChargeableWeightFn chargeable;
  if (app_ != nullptr)
    chargeable = [this](int32_t l, int32_t w, int32_t h, int32_t grams, char letter) {
      return app_->ChargeableWeight(l, w, h, grams, 100, letter);
    };
  const quickentry::DimensionsOutcome d =
      quickentry::ApplyDimensions(entry_.texts[64], entry_.texts[4], volumeLetter_, chargeable);
  if (!d.valid) {
    entry_.texts[64].clear();
    ShowKind(64);
    return;
  }
  entry_.texts[64] = d.dimensions;
  ShowKind(64);
  if (!d.volume.empty()) {
    entry_.texts[57] = d.volume;
    ShowKind(57);
  }
  if (!d.weight.empty()) {
    entry_.texts[4] = d.weight;
    if (weightSlot_ >= 0) ShowKind(4);
  }
}

int CQuickEntryDlg::HandleFieldInput(int slot, int n) {
  const int k = slotKind_[slot];
  if (k < 0) return 1;
  QLineEdit* edit = slotEdits_[slot];
  ReadFixedFields();
  std::u16string text = edit->text().trimmed().toStdU16String();
  if (k == 1) {
    const DestinationRecord* found =
        app_ ? app_->Destinations().FindByName(GbkFromWide(text)) : nullptr;
    if (found != nullptr) {
      entry_.language = found->number;
    } else {
      std::u16string name;
      if (destinationPopup_->isVisible() &&
          destinationPopup_->Source().GetHit(n, &name) != nullptr)
        text = name;
      if (!text.empty() && app_ != nullptr) {
        const DestinationRecord* prefix =
            app_->Destinations().FindByNamePrefix(GbkFromWide(text), true);
        entry_.language = prefix ? prefix->number : 0;
      }
    }
    destinationPopup_->hide();
  } else if (k == 3 || k == 41) {
    text = quickentry::LeaveSlotText(k, text);
  } else if (k == 26) {
    if (!text.empty() && n < 4 && goodsPopup_->isVisible()) {
      if (const PlaceEntry* hit = goodsPopup_->Source().GetHit(n)) {
        text = WideFromGbk(hit->Chinese());
        entry_.texts[58] = WideFromGbk(hit->English());
        entry_.texts[59] = WideFromGbk(hit->Code());
        ShowKind(58);
        ShowKind(59);
      }
    }
    goodsPopup_->hide();
  }
  edit->setText(Q(text));
  entry_.texts[k] = quickentry::LeaveSlotText(k, text);
  if (quickentry::AsksPreInput(k, entry_.texts[k], entry_.loadedId > 0, preInputTaken_))
    LoadPreInput(0, k, entry_.texts[k]);
  return 1;
}

int CQuickEntryDlg::LoadPreInput(int32_t id, int numberKind, std::u16string_view number) {
  if (preInputTaken_ || app_ == nullptr) return 0;
  CServerLink& link = app_->Link();
  const std::string gbk = GbkFromWide(number);
  std::optional<std::string_view> num, no, rno;
  if (id <= 0) {
    if (numberKind == 2) num = gbk;
    else if (numberKind == 3) no = gbk;
    else rno = gbk;
  }
  // The request and the copy of its reply run on a worker: the window
  // keeps painting meanwhile.
  std::string reply = platform::WaitForWork([&]() -> std::string {
    auto guard = link.LockReply();
    if (link.FetchPreInput(id, num, no, rno) <= 0) return {};
    return guard.Text();
  });
  if (reply.empty()) return 0;
  if (!SelectCustomer(JsonGetInt("icID", reply, 0))) return 0;
  loading_ = true;
  customerEdit_->setEnabled(false);
  quickentry::TakePreInputReply(reply, entry_);
  RefreshStatus();
  for (int i = 0; i <= lastShown_; ++i) ShowSlot(i);
  ShowFixedFields();
  preInputTaken_ = true;
  loading_ = false;
  return 1;
}

// ---- scale ----

void CQuickEntryDlg::OpenScale() {
  if (scale_ == nullptr) return;
  if (scaleOpen_) scale_->Close();
  scaleOpen_ = scale_->Open(this) == 1;
}

void CQuickEntryDlg::CloseScale() {
  if (scale_ != nullptr && scaleOpen_) scale_->Close();
  scaleOpen_ = false;
}

void CQuickEntryDlg::OnScaleData() {
  if (scale_ == nullptr) return;
  const int grams = scale_->ReadWeight();
  if (saving_ || entry_.loadedId > 0 || weightSlot_ < 0 || grams < 0) return;
  if (grams == 0) {
    if (!zeroShown_) {
      slotEdits_[weightSlot_]->setText(QStringLiteral("0"));
      zeroShown_ = true;
    }
    return;
  }
  zeroShown_ = false;
  const int rounding = app_ ? app_->volumetricWeightStep : -1;
  entry_.texts[4] = quickentry::ScaleWeightText(grams, rounding);
  slotEdits_[weightSlot_]->setText(Q(entry_.texts[4]));
}

// ---- dialogs ----

void CQuickEntryDlg::OnGoodsButton() {
  if (!EditEntryGoods(this, app_, entry_)) return;
  CollectSlots();
  if (entry_.loadedId == 0 || entry_.texts[26].empty()) {
    quickentry::ApplyGoodsSummary(quickentry::SummarizeGoods(entry_.goods), entry_);
    for (int k : {30, 26, 27, 31, 28}) ShowKind(k);
  }
}

void CQuickEntryDlg::OnPiecesButton() {
  ReadFixedFields();
  CollectSlots();
  CloseScale();
  const bool changed = EditEntryPieces(this, app_, entry_, true);
  OpenScale();
  if (changed) ShowKind(4);
}

void CQuickEntryDlg::OnJapanAddress() {
  if (app_ == nullptr) return;
  if (!japanDialog_) {
    japanDialog_ = new CJapanAddressDlg(app_->JapanPostcodes(), this);
    japanDialog_->SetOwner(this);
    japanDialog_->InitDialog();
    japanDialog_->setGeometry(540, 75, 540, 640);
  }
  japanDialog_->show();
  japanDialog_->raise();
}

void CQuickEntryDlg::OnAddressPicked(int entryIndex, int form) {
  if (app_ == nullptr || app_->JapanPostcodes() == nullptr) return;
  CollectSlots();
  std::u16string address, postcode, country, province, city;
  if (!app_->JapanPostcodes()->FormatAddress(address, postcode, country, province, city,
                                             entryIndex, form == 1))
    return;
  entry_.texts[11] = address;
  entry_.texts[10] = postcode;
  entry_.texts[12] = country;
  entry_.texts[14] = province;
  entry_.texts[13] = city;
  for (int k : {11, 10, 12, 14, 13}) ShowKind(k);
}

void CQuickEntryDlg::PickKind() {
  if (app_ == nullptr) return;
  CListPickDlg dlg(this);
  dlg.SetList(&app_->serviceKindCodes, AppLanguage().Text(170010));
  if (dlg.DoModal() != platform::kIdOk) return;
  kindEdit_->setText(Q(dlg.result));
  SelectKindByCode(GbkFromWide(dlg.result));
}

void CQuickEntryDlg::OpenSettings() {
  // Every member starts from the form's current values.
  QuickEntrySettingsValues& v = settings_.values;
  v.labelPrint = printChoices_.labelPrint;
  v.carrierWaybillPrint = printChoices_.carrierWaybillPrint;
  v.ownWaybillPrint = printChoices_.ownWaybillPrint;
  v.invoiceCopies = printChoices_.invoiceCopies;
  v.state = entry_.state;
  v.payWay = entry_.payWay;
  v.deliveryWay = deliveryWay_;
  v.payDir = entry_.payDir;
  v.origin = entry_.origin;
  v.money = entry_.money;
  if (settings_.DoModal() != platform::kIdOk) return;
  // The destination class (nLanguage) found by the destination look-up
  // belongs to the waybill and stays.
  entry_.payWay = static_cast<uint8_t>(v.payWay);
  entry_.state = static_cast<uint8_t>(v.state);
  deliveryWay_ = v.deliveryWay;
  entry_.payDir = v.payDir;
  entry_.origin = v.origin;
  entry_.money = v.money;
  printChoices_ = v;
  printChoices_.invoiceCopies = std::clamp(v.invoiceCopies, 0, 5);
  if (entry_.loadedId <= 0) {
    defaultPayWay_ = entry_.payWay;
    defaultState_ = entry_.state;
    defaultDelivery_ = deliveryWay_;
    defaultPayDir_ = entry_.payDir;
    defaultOrigin_ = entry_.origin;
    defaultMoney_ = entry_.money;
  }
  RefreshStatus();
}

void CQuickEntryDlg::FillImportTemplate(InputWaybillRecord& record) {
  ReadFixedFields();
  CollectSlots();
  quickentry::FillImportTemplate(entry_, record);
}

// ---- keys and messages ----

void CQuickEntryDlg::MoveFocus(bool next) { focusNextPrevChild(next); }

bool CQuickEntryDlg::event(QEvent* e) {
  if (platform::PrivateMessageEvent* m = platform::AsPrivateMessage(e)) {
    if (m->Message() == devices::WM_PORT_RECEIVED) {
      OnScaleData();
      return true;
    }
    if (m->Message() == kJapanAddressPicked) {
      OnAddressPicked(static_cast<int>(m->WParam()), static_cast<int>(m->LParam()));
      return true;
    }
  }
  return QWidget::event(e);
}

bool CQuickEntryDlg::eventFilter(QObject* watched, QEvent* e) {
  // Only the form's own controls (not a dialog it opened).
  if (auto* widget = qobject_cast<QWidget*>(watched); widget && widget->window() != window())
    return QWidget::eventFilter(watched, e);
  const int slot = SlotOf(watched);
  if (slot >= 0) {
    if (e->type() == QEvent::FocusOut) ReadSlot(slot);
    else if (e->type() == QEvent::FocusIn) OnSlotFocus(slot);
  }
  if (watched == customerEdit_ && e->type() == QEvent::FocusOut) clientPopup_->hide();

  if (e->type() == QEvent::KeyRelease) {
    auto* key = static_cast<QKeyEvent*>(e);
    if (key->key() == Qt::Key_F2 && !key->isAutoRepeat()) Save();
    else if (key->key() == Qt::Key_F3 && !key->isAutoRepeat()) Clear();
    return false;
  }
  if (e->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, e);
  auto* key = static_cast<QKeyEvent*>(e);
  const bool ctrl = key->modifiers() & Qt::ControlModifier;
  QWidget* focus = QApplication::focusWidget();
  const int focusSlot = SlotOf(focus);
  switch (key->key()) {
    case Qt::Key_1: case Qt::Key_2: case Qt::Key_3: case Qt::Key_4: case Qt::Key_5: {
      if (!ctrl) return false;
      const int n = key->key() - Qt::Key_1;
      // The customer's binding has taken a shown suggestion; without one
      // the key stays with the field.
      if (focus == customerEdit_) return false;
      if (focusSlot >= 0) {
        const int k = slotKind_[focusSlot];
        if (k == 1 || k == 26) HandleFieldInput(focusSlot, n);
        MoveFocus(true);
        return true;
      }
      return false;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (ctrl) return false;
      if (focus == nullptr) return true;
      if (focus == saveButton_) {
        Save();
        return true;
      }
      if (focus == customerEdit_) {
        // A customer picked already moves on; otherwise the first
        // suggestion (the binding took it when one was shown).
        if (entry_.customerId > 0 || PickCustomer(0) == 1) MoveFocus(true);
        return true;
      }
      if (focusSlot >= 0) {
        HandleFieldInput(focusSlot, 0);
        if (focusSlot == lastUnlocked_) Save();
        else MoveFocus(true);
        return true;
      }
      MoveFocus(true);
      return true;
    case Qt::Key_Down:
      MoveFocus(true);
      return true;
    case Qt::Key_Up:
      MoveFocus(false);
      return true;
    case Qt::Key_Escape:
    case Qt::Key_PageUp:
      return true;
    case Qt::Key_Delete:
      Delete();
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
      Save();
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
