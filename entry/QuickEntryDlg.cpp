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

}  // namespace

CQuickEntryDlg::CQuickEntryDlg(CBrantleClientApp* app, QWidget* parent)
    : CEntryFormBase(app, kSlots, parent) {
  InitImportCaptions();
  if (app_ != nullptr) {
    scale_ = &app_->ScaleReader();
    // The label option asks the application's label layout.
    settings_.labelsPerSheet = [app] { return CurrentLabelsPerSheet(app->PrintDoors()); };
  }
  BuildControls();
  ConnectSaverCommon(false);

  // The initial kind: the first with a slot list, else the last.
  if (const CServiceKind* first = FirstEntryKind()) SelectKind(first);
  else Clear();
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
  // Two rows of fixed fields above the slots.
  BuildHeader();
  BuildSlots();
  for (int i = 0; i < kSlots; ++i) {
    SlotLabel(i)->setObjectName(QString::number(kSlotLabelIds[i]));
    SlotEdit(i)->setObjectName(QString::number(1286 + i));
    SlotLabel(i)->hide();
    SlotEdit(i)->hide();
  }
  const int bottom = kSlotTop + kRow * kSlots + 4;
  statusLabel_ = MakeLink(30000, 5, bottom, 460);
  statusLabel_->SetTextColor(QColor(0, 128, 0));
  japanLabel_ = MakeLink(120005, 5, bottom + 24, 95);
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
  ChainTabOrder({dateEdit_, itemType_, countEdit_, customerEdit_},
                {piecesButton_, goodsButton_, clearButton_, saveButton_});

  ConnectCommonControls();
  connect(japanLabel_, &CLinkLabel::clicked, this, [this] { OnJapanAddress(); });

  // The popups: hidden children at their fixed places.
  goodsPopup_ = new CPlaceSuggestPopup(this);
  goodsPopup_->setGeometry(305, 232, 300, 105);
  goodsPopup_->SetSearchText(&goodsSearch_);
  if (app_ != nullptr) goodsPopup_->Source().SetSource(&app_->PlaceDictionary());
  BuildPopups();
  WatchControls();
}

// ---- kinds and slots ----

void CQuickEntryDlg::SelectKind(const CServiceKind* kind) {
  if (kind == kind_ && kind != nullptr) return;
  TakeKind(kind);
  CloseScale();
  std::fill(slotKind_.begin(), slotKind_.end(), -1);
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
  if (!RestartWithKind()) return;
  if (kind != nullptr) {
    const std::u16string single = kind->SingleAreaName();
    if (!single.empty()) {
      entry_.texts[1] = single;
      ShowKind(1);
      destinationSearch_ = GbkFromWide(single);
    }
  }
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
  const bool locked = ToggleLockOf(slot);
  if (slot == 0) return;
  if (locked) {
    RecomputeLastUnlocked();
    if (lastUnlocked_ < 0) lastUnlocked_ = 0;
  } else if (slot > lastUnlocked_) {
    lastUnlocked_ = slot;
  }
}

void CQuickEntryDlg::CollectSlots() {
  for (int i = 0; i <= lastShown_; ++i) {
    const int k = slotKind_[i];
    if (k < 0 || k >= kWaybillFieldKinds) break;
    if (quickentry::IsShownOnlyKind(k)) continue;
    entry_.texts[k] = quickentry::LeaveSlotText(k, slotEdits_[i]->text().toStdU16String());
  }
}

void CQuickEntryDlg::ShowStatusLine() {
  ShowStatusText(false, kind_ ? WideFromGbk(kind_->cemskind) : std::u16string());
}

// ---- clear, load, save ----

void CQuickEntryDlg::Clear() {
  clearing_ = true;
  OpenScale();
  zeroShown_ = true;
  ResetWaybill();
  volumeLetter_ = 0;
  entry_.volumeLetter = 0;
  goodsPopup_->hide();
  ClearFields();
  clearing_ = false;
}

bool CQuickEntryDlg::LoadRecord(int32_t id, bool switchKind) { return LoadForEditing(id, switchKind); }

void CQuickEntryDlg::BeforeSave() {
  if (!dateEdit_->text().isEmpty()) entry_.dateText = dateEdit_->text().toStdU16String();
  entry_.volumeLetter = volumeLetter_;
}

// ---- slots: change, focus, leave, finish ----

void CQuickEntryDlg::OnSlotEdited(int slot) {
  if (saving_ || loading_ || clearing_ || !slotEdits_[slot]->hasFocus()) return;
  const int k = slotKind_[slot];
  const QString text = slotEdits_[slot]->text();
  if (k == 1) {
    SearchDestination(slot, text);
  } else if (k == 26) {
    if (app_ == nullptr || app_->PlaceDictionary().Entries().empty()) return;
    SearchInPopup(goodsPopup_, goodsSearch_, kWmPlaceSuggest, slot, text, 256, 105);
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
    text = TakeDestination(std::move(text), n, false);
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
  const std::string gbk = GbkFromWide(number);
  std::optional<std::string_view> num, no, rno;
  if (id <= 0) {
    if (numberKind == 2) num = gbk;
    else if (numberKind == 3) no = gbk;
    else rno = gbk;
  }
  return TakePreInput(id, num, no, rno) ? 1 : 0;
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

void CQuickEntryDlg::OpenSettings() {
  // Every member starts from the form's current values; the destination
  // class (nLanguage) found by the destination look-up belongs to the
  // waybill and stays.
  if (RunSettings(true)) ShowStatusLine();
}

void CQuickEntryDlg::FillImportTemplate(InputWaybillRecord& record) {
  ReadFixedFields();
  CollectSlots();
  quickentry::FillImportTemplate(entry_, record);
}

// ---- keys and messages ----

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

void CQuickEntryDlg::OnControlEvent(QObject* watched, QEvent* e) {
  const int slot = SlotOf(watched);
  if (slot < 0) return;
  if (e->type() == QEvent::FocusOut) ReadSlot(slot);
  else if (e->type() == QEvent::FocusIn) OnSlotFocus(slot);
}

bool CQuickEntryDlg::FormKey(const QKeyEvent& key, bool ctrl, QWidget* focus, bool& result) {
  const int focusSlot = SlotOf(focus);
  switch (key.key()) {
    case Qt::Key_1: case Qt::Key_2: case Qt::Key_3: case Qt::Key_4: case Qt::Key_5: {
      result = false;
      if (!ctrl) return true;
      const int n = key.key() - Qt::Key_1;
      // The customer's binding has taken a shown suggestion; without one
      // the key stays with the field.
      if (focus == customerEdit_) return true;
      if (focusSlot >= 0) {
        const int k = slotKind_[focusSlot];
        if (k == 1 || k == 26) HandleFieldInput(focusSlot, n);
        MoveFocus(true);
        result = true;
      }
      return true;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (ctrl) {
        result = false;
        return true;
      }
      result = true;
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
    case Qt::Key_Delete:
      Delete();
      result = true;
      return true;
    default:
      return false;
  }
}
