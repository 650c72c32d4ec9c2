#include "entry/SimpleEntryDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "entry/EntryLineDialogs.h"
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
#include "ui/ListGrid.h"
#include "ui/ListPickDlg.h"
#include "ui/SuggestRows.h"

namespace {

QString Tx(int id) { return QString::fromStdU16String(AppLanguage().Text(id)); }
QString Q(std::u16string_view text) { return platform::ToQString(text); }

// Invented texts of the clear and save buttons (their system numbers name
// other texts).
constexpr int kClearText = 22002, kSaveText = 22003;
constexpr int kPiecesText = 30072;

constexpr int kRow = 21;       // slot pitch
constexpr int kSlotTop = 59;   // top of slot 0's edit
constexpr int kEditLeft = 150;
constexpr int kEditWidth = 300;

}  // namespace

CSimpleEntryDlg::CSimpleEntryDlg(CBrantleClientApp* app, QWidget* parent)
    : QWidget(parent), app_(app), settings_(this) {
  saveLink_ = app_ != nullptr ? MakeServerWaybillSaveLink(app_->Link()) : MakeNoWaybillSaveLink();
  if (app_ != nullptr) printDoors_ = &app_->PrintDoors();
  saver_ = std::make_unique<CWaybillSaver>(*saveLink_, entry_);
  BuildControls();
  ConnectSaver();
  LayoutFieldRow();

  // The kind to start with: the first with an entry-field list, else the
  // last; without kinds the form starts empty.
  if (app_ != nullptr && !app_->serviceKinds.empty()) {
    const CServiceKind* first = &app_->serviceKinds.back();
    for (const CServiceKind& kind : app_->serviceKinds)
      if (kind.fieldKindCount > 0 && kind.fieldKinds[0] < kWaybillFieldKinds) {
        first = &kind;
        break;
      }
    SetServiceKind(first);
  } else {
    Clear();
  }
}

CSimpleEntryDlg::~CSimpleEntryDlg() = default;

void CSimpleEntryDlg::BuildControls() {
  resize(470, 660);
  auto link = [this](int textId, int x, int y, int w) {
    auto* label = new CLinkLabel(Tx(textId), this);
    label->setGeometry(x, y, w, 20);
    label->SetLinkCursor(HandCursor());
    return label;
  };
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
    auto* edit = new QLineEdit(this);
    edit->setGeometry(kEditLeft, kSlotTop + kRow * i, kEditWidth, 20);
    edit->setMaxLength(255);
    slotLabels_[i] = label;
    slotEdits_[i] = edit;
    connect(label, &CLinkLabel::clicked, this, [this, i] { ToggleSlotLock(i); });
    connect(edit, &QLineEdit::textEdited, this, [this, i] { OnFieldChanged(i); });
  }
  int y = kSlotTop + kRow * kSlots + 4;
  statusLabel_ = link(30000, 5, y, 460);
  statusLabel_->SetTextColor(QColor(0, 128, 0));
  y += 26;
  feesButton_ = new QPushButton(Tx(120007), this);
  feesButton_->setGeometry(5, y, 110, 26);
  piecesButton_ = new QPushButton(Tx(120008), this);
  piecesButton_->setGeometry(120, y, 110, 26);
  goodsButton_ = new QPushButton(Tx(120009), this);
  goodsButton_->setGeometry(235, y, 110, 26);
  senderButton_ = new QPushButton(Tx(120010), this);
  senderButton_->setGeometry(350, y, 110, 26);
  y += 32;
  clearButton_ = new QPushButton(Tx(kClearText), this);
  clearButton_->setGeometry(250, y, 100, 26);
  saveButton_ = new QPushButton(Tx(kSaveText), this);
  saveButton_->setGeometry(360, y, 100, 26);
  saveButton_->setDefault(true);
  y += 36;
  auto* pieceLabel = new QLabel(Tx(500010), this);
  pieceLabel->setGeometry(5, y, 95, 20);
  pieceEdit_ = new QLineEdit(this);
  pieceEdit_->setGeometry(100, y, 200, 20);
  pieceEdit_->setMaxLength(30);
  pieceButton_ = new QPushButton(Tx(500011), this);
  pieceButton_->setGeometry(310, y - 2, 150, 24);
  y += 24;
  pieceProgress_ = new QLabel(this);
  pieceProgress_->setGeometry(5, y, 455, 20);
  y += 24;
  pieceList_ = new CListGrid(this);
  pieceList_->setGeometry(5, y, 460, 655 - y);
  pieceList_->setShowGrid(true);
  pieceList_->SetHighlightMode(2);
  pieceList_->InsertColumn(0, 80, AppLanguage().Text(30076), kGridAlignLeft);
  pieceList_->InsertColumn(1, 200, AppLanguage().Text(30002), kGridAlignLeft);
  pieceList_->SetNotifyWnd(this);
  pieceList_->setFocusPolicy(Qt::NoFocus);

  // Tab order: the fixed fields, the customer and its piece count, the
  // slots, the buttons, the piece-number entry.
  QWidget* order[] = {dateEdit_, itemType_, customerEdit_, countEdit_};
  QWidget* previous = nullptr;
  for (QWidget* w : order) {
    if (previous) setTabOrder(previous, w);
    previous = w;
  }
  for (QLineEdit* edit : slotEdits_) {
    setTabOrder(previous, edit);
    previous = edit;
  }
  for (QWidget* w : std::initializer_list<QWidget*>{feesButton_, piecesButton_, goodsButton_,
                                                    senderButton_, clearButton_, saveButton_,
                                                    pieceEdit_, pieceButton_}) {
    setTabOrder(previous, w);
    previous = w;
  }

  connect(kindLabel_, &CLinkLabel::clicked, this, [this] { ChooseServiceKind(); });
  connect(dateLabel_, &CLinkLabel::clicked, this, [this] { dateEdit_->setText(Today()); });
  connect(customerLabel_, &CLinkLabel::clicked, this, [this] { ToggleCustomerLock(); });
  connect(settingsLabel_, &CLinkLabel::clicked, this, [this] { OpenSettings(); });
  connect(statusLabel_, &CLinkLabel::clicked, this, [this] { OpenSettings(); });
  connect(piecesButton_, &QPushButton::clicked, this, [this] { OnPiecesButton(); });
  connect(goodsButton_, &QPushButton::clicked, this, [this] { OnGoodsButton(); });
  connect(clearButton_, &QPushButton::clicked, this, [this] { Clear(); });
  connect(saveButton_, &QPushButton::clicked, this, [this] { SaveGuarded(); });
  connect(pieceButton_, &QPushButton::clicked, this, [this] { ConfirmPieceNumber(); });
  connect(customerEdit_, &QLineEdit::textEdited, this, [this] {
    if (entry_.loadedId > 0 || customerLocked_ || loading_ || clearing_ || picking_) return;
    entry_.customerId = 0;
  });

  // The popups: hidden children at their fixed places.
  destinationPopup_ = new CDestinationSuggestPopup(this);
  destinationPopup_->setGeometry(150, 70, 300, 80);
  destinationPopup_->SetSearchText(&destinationSearch_);
  clientPopup_ = new CClientSuggestPopup(this);
  clientPopup_->setGeometry(150, 59, 300, 80);
  if (app_ != nullptr) {
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

void CSimpleEntryDlg::ConnectSaver() {
  saver_->focus = [this](int target) {
    if (target == CWaybillSaver::kFocusDate) {
      dateEdit_->setFocus();
      dateEdit_->selectAll();
    } else if (target == CWaybillSaver::kFocusSave) {
      saveButton_->setFocus();
    } else {
      FocusKind(target);
    }
  };
  saver_->clearForm = [this] { Clear(); };
  saver_->applyCustomerDefaults = [this](WaybillRecord& w) {
    if (app_ == nullptr || entry_.customerId <= 0) return;
    const ClientDetail* d = platform::WaitForWork([&] {
      return app_->ClientList().GetClientDetail(app_->CacheLink(), entry_.customerId, true);
    });
    if (d != nullptr) quickentry::ApplyCustomerDefaults(*d, w);
  };
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
  saver_->switchKind = [this](std::string_view code) { SelectServiceKind(code); };
  saver_->captureWindow = [this]() -> QObject* { return captureWindow ? captureWindow() : nullptr; };
  // This form keys one number a piece and asks no price.
  saver_->rules.queryPrice = false;
  saver_->rules.transferNumberRules = false;
  saver_->rules.pieceNumbers = [this] { return static_cast<int>(pieceNumbers_.Rows().size()); };
}

void CSimpleEntryDlg::SetPageWindow(QObject* page) { saver_->page = page; }

QString CSimpleEntryDlg::Today() const {
  return QDate::currentDate().toString(QStringLiteral("yyyy.MM.dd"));
}

// ---- the field row ----

void CSimpleEntryDlg::LayoutFieldRow() {
  row_ = simpleentry::LayOutRow(simpleentry::kRowKinds);
  for (int i = 0; i < kSlots; ++i) {
    const int k = row_.kindOfSlot[i];
    CLinkLabel* label = slotLabels_[i];
    QLineEdit* edit = slotEdits_[i];
    if (k < 0) {
      label->hide();
      edit->hide();
      continue;
    }
    if (label->IsDimmed()) label->ToggleDimmed();
    locked_[i] = false;
    label->setText(Tx(30000 + k));
    label->show();
    edit->setEnabled(true);
    edit->clear();
    edit->show();
  }
  lastActive_ = row_.lastShown;
  for (auto& text : entry_.texts) text.clear();
  entry_.showsNumberSlot = true;
  const int destination = SlotOfKind(1);
  if (destination >= 0) destinationPopup_->setGeometry(150, kRow * destination + 80, 300, 80);
}

void CSimpleEntryDlg::ToggleSlotLock(int slot) {
  if (slot < 0 || slot > row_.lastShown) return;
  locked_[slot] = slotLabels_[slot]->ToggleDimmed();
  slotEdits_[slot]->setEnabled(!locked_[slot]);
  lastActive_ = simpleentry::LastActiveSlot(locked_, row_.lastShown);
}

void CSimpleEntryDlg::ToggleCustomerLock() {
  if (entry_.loadedId > 0) return;
  customerLocked_ = customerLabel_->ToggleDimmed();
  customerEdit_->setEnabled(!customerLocked_);
}

void CSimpleEntryDlg::RefreshSlot(int kind) {
  const int slot = SlotOfKind(kind);
  if (slot >= 0) slotEdits_[slot]->setText(Q(entry_.texts[kind]));
}

void CSimpleEntryDlg::FocusKind(int kind) {
  const int slot = SlotOfKind(kind);
  if (slot < 0) return;
  slotEdits_[slot]->setFocus();
  slotEdits_[slot]->selectAll();
}

void CSimpleEntryDlg::ReadFixedFields() {
  entry_.dateText = dateEdit_->text().trimmed().toStdU16String();
  entry_.itemCount = countEdit_->text().trimmed().toInt();
  entry_.itemType = static_cast<uint8_t>(std::max(itemType_->currentIndex(), 0));
  pieceNumbers_.SetCount(entry_.itemCount);
}

void CSimpleEntryDlg::ShowFixedFields() {
  dateEdit_->setText(Q(entry_.dateText));
  countEdit_->setText(QString::number(entry_.itemCount));
  itemType_->setCurrentIndex(std::min<int>(entry_.itemType, 2));
}

void CSimpleEntryDlg::ShowStatusLine() {
  quickentry::StatusLine st;
  st.loaded = entry_.loadedId > 0;
  st.state = entry_.state;
  st.payWay = entry_.payWay;
  st.payDir = entry_.payDir;
  st.money = entry_.money;
  st.origin = entry_.origin;
  st.deliveryWay = direction_;
  st.upUnlessZero = true;
  st.kindCode = kindEdit_->text().toStdU16String();
  statusLabel_->setText(Q(quickentry::StatusLineText(st)));
  statusLabel_->SetTextColor(st.loaded ? QColor(255, 0, 0) : QColor(0, 128, 0));
}

// ---- kind and customer ----

void CSimpleEntryDlg::SetServiceKind(const CServiceKind* kind) {
  if (kind == kind_) return;
  kind_ = kind;
  entry_.kind = kind;
  destinationPopup_->Source().SetServiceKind(kind);
  for (auto& text : entry_.texts) text.clear();
  kindEdit_->setText(kind ? Q(kind->wideCode.empty() ? WideFromGbk(kind->cemskind) : kind->wideCode)
                          : QString());
  if (entry_.loadedId > 0) {
    LoadRecord(entry_.loadedId, false);
    return;
  }
  Clear();
  if (kind != nullptr) {
    entry_.texts[1] = kind->SingleAreaName();
    RefreshSlot(1);
  }
}

void CSimpleEntryDlg::SelectServiceKind(std::string_view code) {
  if (app_ == nullptr) return;
  CServiceKind* kind = app_->FindServiceKind(code);
  if (kind == nullptr || kind == kind_) return;
  SetServiceKind(kind);
  setFocus();
}

void CSimpleEntryDlg::ChooseServiceKind() {
  if (app_ == nullptr) return;
  CListPickDlg dlg(this);
  dlg.SetList(&app_->serviceKindCodes, AppLanguage().Text(170010));
  if (dlg.DoModal() != platform::kIdOk) return;
  kindEdit_->setText(Q(dlg.result));
  SelectServiceKind(GbkFromWide(dlg.result));
}

bool CSimpleEntryDlg::SelectCustomer(int32_t id) {
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

bool CSimpleEntryDlg::PickCustomer(int n) {
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

// ---- clear, load, save, delete ----

void CSimpleEntryDlg::Clear() {
  clearing_ = true;
  entry_.loaded = InputWaybillRecord{};
  saving_ = loading_ = picking_ = false;
  entry_.itemCount = 1;
  pieceEdit_->clear();
  pieceNumbers_.Reset();
  entry_.pieces.clear();
  entry_.goods.clear();
  entry_.goodsChanged = false;
  ShowPieceRows();
  pieceProgress_->clear();
  entry_.origin = defaultOrigin_;
  entry_.money = defaultMoney_;
  entry_.state = defaultState_;
  direction_ = defaultDirection_;
  entry_.payDir = defaultPayDir_;
  entry_.payWay = defaultPayWay_;
  entry_.dateText = Today().toStdU16String();
  ShowFixedFields();
  customerEdit_->setEnabled(!customerLocked_);
  saveButton_->setText(Tx(130013));

  if (entry_.loadedId <= 0) carryTexts_ = entry_.texts;
  for (auto& text : entry_.texts) text.clear();
  entry_.texts[23].assign(1, u'0');
  destinationPopup_->hide();
  const int destination = SlotOfKind(1);
  if (destination >= 0 && locked_[destination]) entry_.texts[1] = carryTexts_[1];

  entry_.loadedId = 0;
  preInputTaken_ = false;
  ShowStatusLine();

  if (!customerLocked_) {
    customerEdit_->setFocus();
    customerEdit_->selectAll();
  }
  bool focused = !customerLocked_;
  for (int i = 0; i <= row_.lastShown; ++i) {
    const int k = row_.kindOfSlot[i];
    if (locked_[i]) {
      if (simpleentry::LockedSlotKeepsText(k)) entry_.texts[k] = carryTexts_[k];
      else slotEdits_[i]->clear();
    } else {
      slotEdits_[i]->clear();
      if (!focused) {
        slotEdits_[i]->setFocus();
        focused = true;
      }
    }
  }
  clearing_ = false;
}

bool CSimpleEntryDlg::LoadRecord(int32_t id, bool selectKind) {
  loading_ = true;
  const bool loaded = saver_->LoadForEditing(id, selectKind);
  if (loaded) {
    customerEdit_->setEnabled(false);
    ShowFixedFields();
    for (int i = 0; i <= row_.lastShown; ++i) RefreshSlot(row_.kindOfSlot[i]);
    saveButton_->setText(Tx(kSaveText));
    if (!entry_.pieces.empty()) RefreshPieceList(true);
  }
  ShowStatusLine();
  loading_ = false;
  return loaded;
}

bool CSimpleEntryDlg::LoadPreInput(std::u16string_view number) {
  if (preInputTaken_ || app_ == nullptr) return false;
  CServerLink& link = app_->Link();
  const std::string gbk = GbkFromWide(number);
  std::string reply = platform::WaitForWork([&]() -> std::string {
    auto guard = link.LockReply();
    if (link.FetchPreInput(0, std::string_view(gbk), std::nullopt, std::nullopt) <= 0) return {};
    return guard.Text();
  });
  if (reply.empty()) return false;
  if (!SelectCustomer(JsonGetInt("icID", reply, 0))) return false;
  loading_ = true;
  customerEdit_->setEnabled(false);
  quickentry::TakePreInputReply(reply, entry_);
  ShowStatusLine();
  for (int i = 0; i <= row_.lastShown; ++i) RefreshSlot(row_.kindOfSlot[i]);
  ShowFixedFields();
  preInputTaken_ = true;
  loading_ = false;
  if (entry_.itemCount > 1) RefreshPieceList(true);
  return true;
}

CWaybillSaver::Outcome CSimpleEntryDlg::SaveGuarded() {
  if (saving_) return CWaybillSaver::Outcome::Busy;
  // The piece count is a whole number, never read as 0 unseen.
  if (!IsTypedNumber(countEdit_->text().toStdU16String(), true)) {
    ShowNotANumber(AppLanguage().Text(kPiecesText));
    countEdit_->setFocus();
    countEdit_->selectAll();
    return CWaybillSaver::Outcome::Stopped;
  }
  ReadFixedFields();
  for (int i = 0; i <= row_.lastShown; ++i) CommitField(i);
  entry_.volumeLetter = app_ != nullptr ? app_->Settings().defaultDivisorLetter : 0;
  saving_ = true;
  const CWaybillSaver::Outcome outcome = saver_->Save();
  saving_ = false;
  if (outcome == CWaybillSaver::Outcome::PartlySaved) ShowStatusLine();
  return outcome;
}

bool CSimpleEntryDlg::Delete() {
  if (entry_.loadedId <= 0) return false;
  return saver_->Delete();
}

void CSimpleEntryDlg::CopyAll() {
  for (int i = 0; i <= row_.lastShown; ++i) CommitField(i);
  copyTexts_ = entry_.texts;
  copyFilled_ = true;
}

void CSimpleEntryDlg::PasteAll() {
  if (!copyFilled_) return;
  entry_.texts = copyTexts_;
  for (int i = 0; i <= row_.lastShown; ++i) RefreshSlot(row_.kindOfSlot[i]);
}

void CSimpleEntryDlg::PrintAfterSave(const InputWaybillRecord& record) {
  if (printDoors_ != nullptr) PrintAfterEntrySave(*printDoors_, printChoices_, record.waybill.irID);
}

// ---- slots ----

int CSimpleEntryDlg::SlotOf(const QObject* widget) const {
  for (int i = 0; i <= row_.lastShown; ++i)
    if (slotEdits_[i] == widget) return i;
  return -1;
}

void CSimpleEntryDlg::OnFieldChanged(int slot) {
  if (saving_ || loading_ || clearing_ || !slotEdits_[slot]->hasFocus()) return;
  if (row_.kindOfSlot[slot] != 1) return;
  const QString text = slotEdits_[slot]->text();
  if (text.isEmpty()) {
    destinationPopup_->hide();
    return;
  }
  destinationSearch_ = GbkFromWide(text.left(64).toStdU16String());
  destinationPopup_->setGeometry(150, kRow * slot + 80, 300, 80);
  platform::SendPrivateMessage(destinationPopup_, kWmDestinationSuggest, 0, 0);
}

void CSimpleEntryDlg::CommitField(int slot) {
  const int k = row_.kindOfSlot[slot];
  if (k < 0) return;
  std::u16string text = slotEdits_[slot]->text().trimmed().left(254).toStdU16String();
  if (k == 0 || k == 1) destinationPopup_->hide();
  if (k == 2) {
    text = Q(text).toUpper().toStdU16String();
    slotEdits_[slot]->setText(Q(text));
  }
  entry_.texts[k] = text;
}

bool CSimpleEntryDlg::HandleFieldInput(int slot, int n) {
  const int k = row_.kindOfSlot[slot];
  if (k < 0) return true;
  QLineEdit* edit = slotEdits_[slot];
  ReadFixedFields();
  std::u16string text = edit->text().trimmed().toStdU16String();
  if (k == 1) {
    const DestinationRecord* found =
        app_ && !text.empty() ? app_->Destinations().FindByName(GbkFromWide(text)) : nullptr;
    if (found != nullptr) {
      entry_.language = found->number;
    } else {
      std::u16string name;
      if (destinationPopup_->isVisible() &&
          destinationPopup_->Source().GetHit(n, &name) != nullptr)
        text = name;
      const DestinationRecord* prefix =
          app_ && !text.empty() ? app_->Destinations().FindByNamePrefix(GbkFromWide(text), true)
                                : nullptr;
      entry_.language = prefix ? prefix->number : 0;
    }
    destinationPopup_->hide();
  }
  edit->setText(Q(text));
  entry_.texts[k] = text;
  if (text.empty()) return true;
  if (quickentry::AsksPreInput(k, text, entry_.loadedId > 0, preInputTaken_)) LoadPreInput(text);
  return true;
}

// ---- piece numbers ----

void CSimpleEntryDlg::ShowPieceRows() {
  if (pieceList_->RowCount() > 0) pieceList_->DeleteAllRows();
  const auto& rows = pieceNumbers_.Rows();
  for (size_t i = 0; i < rows.size(); ++i) {
    const int row = pieceList_->InsertRow(static_cast<int>(i), WideFromGbk(std::to_string(i + 1)));
    pieceList_->SetCellText(row, 1, rows[i]);
  }
}

void CSimpleEntryDlg::RefreshPieceList(bool rebuild) {
  if (rebuild) {
    ReadFixedFields();
    pieceNumbers_.Rebuild(entry_.itemCount, entry_.pieces);
    ShowPieceRows();
  }
  pieceProgress_->setText(Q(pieceNumbers_.ProgressText()));
  // A single-piece waybill keys no piece numbers: the focus stays.
  if (pieceNumbers_.Index() >= 1 &&
      static_cast<int>(pieceNumbers_.Rows().size()) >= pieceNumbers_.Index()) {
    pieceEdit_->setText(Q(pieceNumbers_.CurrentNumber()));
    pieceEdit_->setFocus();
  }
}

void CSimpleEntryDlg::ConfirmPieceNumber() {
  ReadFixedFields();
  using Confirm = simpleentry::CPieceNumbers::Confirm;
  const Confirm result =
      pieceNumbers_.ConfirmNumber(pieceEdit_->text().toStdU16String(), entry_.pieces);
  if (result == Confirm::Ignored) return;
  if (result == Confirm::Refused) {
    pieceEdit_->setFocus();
    pieceEdit_->selectAll();
    return;
  }
  ShowPieceRows();
  AdvancePiece();
}

void CSimpleEntryDlg::AdvancePiece() {
  if (pieceNumbers_.Complete()) {
    SaveGuarded();
    return;
  }
  pieceProgress_->setText(Q(pieceNumbers_.ProgressText()));
  pieceEdit_->setText(Q(pieceNumbers_.CurrentNumber()));
  pieceEdit_->selectAll();
  pieceEdit_->setFocus();
}

void CSimpleEntryDlg::FinishRow() {
  ReadFixedFields();
  if (simpleentry::FinishRow(entry_.itemCount, static_cast<int>(pieceNumbers_.Rows().size())) ==
      simpleentry::RowEnd::PieceNumbers) {
    if (pieceNumbers_.Index() < 1) RefreshPieceList(true);
    else RefreshPieceList(false);
    pieceEdit_->setFocus();
    return;
  }
  SaveGuarded();
}

void CSimpleEntryDlg::OnPieceRowClicked(int row) {
  if (row < 0 || row >= pieceList_->RowCount()) return;
  pieceNumbers_.Pick(row);
  RefreshPieceList(false);
}

// ---- dialogs ----

void CSimpleEntryDlg::OpenSettings() {
  QuickEntrySettingsValues& v = settings_.values;
  v.labelPrint = printChoices_.labelPrint;
  v.carrierWaybillPrint = printChoices_.carrierWaybillPrint;
  v.ownWaybillPrint = printChoices_.ownWaybillPrint;
  v.invoiceCopies = printChoices_.invoiceCopies;
  v.state = entry_.state;
  if (settings_.DoModal() != platform::kIdOk) return;
  entry_.language = 0;
  entry_.payWay = static_cast<uint8_t>(v.payWay);
  direction_ = v.deliveryWay;
  entry_.payDir = v.payDir;
  entry_.origin = v.origin;
  entry_.money = v.money;
  entry_.state = static_cast<uint8_t>(v.state);
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
  ShowStatusLine();
}

void CSimpleEntryDlg::OnGoodsButton() {
  if (!EditEntryGoods(this, app_, entry_)) return;
  if (entry_.loadedId == 0 || entry_.texts[26].empty())
    quickentry::ApplyGoodsSummary(quickentry::SummarizeGoods(entry_.goods), entry_);
}

void CSimpleEntryDlg::OnPiecesButton() {
  ReadFixedFields();
  if (EditEntryPieces(this, app_, entry_, false)) RefreshSlot(4);
}

// ---- keys and messages ----

void CSimpleEntryDlg::MoveFocus(bool next) { focusNextPrevChild(next); }

bool CSimpleEntryDlg::event(QEvent* e) {
  if (auto* m = platform::AsPrivateMessage(e); m != nullptr && m->Message() == kGridMsgClick) {
    OnPieceRowClicked(static_cast<int>(m->WParam()));
    return true;
  }
  return QWidget::event(e);
}

bool CSimpleEntryDlg::eventFilter(QObject* watched, QEvent* e) {
  // Only the form's own controls (not a dialog it opened).
  if (auto* widget = qobject_cast<QWidget*>(watched); widget && widget->window() != window())
    return QWidget::eventFilter(watched, e);
  const int slot = SlotOf(watched);
  if (slot >= 0 && e->type() == QEvent::FocusOut && !clearing_ && !loading_) CommitField(slot);
  if (watched == customerEdit_ && e->type() == QEvent::FocusOut) clientPopup_->hide();
  if (watched == countEdit_ && e->type() == QEvent::FocusOut && !clearing_) RefreshPieceList(true);

  if (e->type() == QEvent::KeyRelease) {
    auto* key = static_cast<QKeyEvent*>(e);
    if (key->key() == Qt::Key_F2 && !key->isAutoRepeat()) SaveGuarded();
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
      if (focus == customerEdit_) {
        // The binding took a shown suggestion; else the n-th one.
        if (PickCustomer(n)) MoveFocus(true);
        return true;
      }
      if (focusSlot >= 0 && row_.kindOfSlot[focusSlot] == 1) {
        if (HandleFieldInput(focusSlot, n)) MoveFocus(true);
        return true;
      }
      MoveFocus(true);
      return true;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (ctrl) return false;
      if (focus == nullptr) return true;
      if (focus == saveButton_) {
        SaveGuarded();
        return true;
      }
      if (focus == customerEdit_) {
        if (entry_.customerId > 0 || PickCustomer(0)) MoveFocus(true);
        return true;
      }
      if (focus == pieceEdit_) {
        ConfirmPieceNumber();
        return true;
      }
      if (focusSlot >= 0) {
        if (!HandleFieldInput(focusSlot, 0)) return true;
        if (focusSlot == lastActive_) FinishRow();
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
      // On a new waybill the key edits the text as usual.
      if (entry_.loadedId <= 0) return false;
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
      SaveGuarded();
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
