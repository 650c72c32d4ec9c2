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

}  // namespace

CSimpleEntryDlg::CSimpleEntryDlg(CBrantleClientApp* app, QWidget* parent)
    : CEntryFormBase(app, kSlots, parent) {
  BuildControls();
  ConnectSaverCommon(true);
  // This form keys one number a piece and asks no price.
  saver_->rules.queryPrice = false;
  saver_->rules.transferNumberRules = false;
  saver_->rules.pieceNumbers = [this] { return static_cast<int>(pieceNumbers_.Rows().size()); };
  LayoutFieldRow();

  // The kind to start with: the first with an entry-field list, else the
  // last; without kinds the form starts empty.
  if (const CServiceKind* first = FirstEntryKind()) SelectKind(first);
  else Clear();
}

CSimpleEntryDlg::~CSimpleEntryDlg() = default;

void CSimpleEntryDlg::BuildControls() {
  resize(470, 660);
  BuildHeader();
  BuildSlots();
  for (QLineEdit* edit : slotEdits_) edit->setMaxLength(255);
  int y = kSlotTop + kRow * kSlots + 4;
  statusLabel_ = MakeLink(30000, 5, y, 460);
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
  ChainTabOrder({dateEdit_, itemType_, customerEdit_, countEdit_},
                {feesButton_, piecesButton_, goodsButton_, senderButton_, clearButton_, saveButton_,
                 pieceEdit_, pieceButton_});

  ConnectCommonControls();
  connect(pieceButton_, &QPushButton::clicked, this, [this] { ConfirmPieceNumber(); });

  // The popups: hidden children at their fixed places.
  BuildPopups();
  WatchControls();
}

// ---- the field row ----

void CSimpleEntryDlg::LayoutFieldRow() {
  const simpleentry::RowLayout row = simpleentry::LayOutRow(simpleentry::kRowKinds);
  SetSlotKinds(row.kindOfSlot, row.lastShown);
  for (int i = 0; i < kSlots; ++i) {
    const int k = SlotKind(i);
    CLinkLabel* label = SlotLabel(i);
    QLineEdit* edit = SlotEdit(i);
    if (k < 0) {
      label->hide();
      edit->hide();
      continue;
    }
    if (label->IsDimmed()) label->ToggleDimmed();
    label->setText(Tx(30000 + k));
    label->show();
    edit->setEnabled(true);
    edit->clear();
    edit->show();
  }
  lastActive_ = lastShown_;
  for (auto& text : entry_.texts) text.clear();
  entry_.showsNumberSlot = true;
  const int destination = SlotOfKind(1);
  if (destination >= 0) destinationPopup_->setGeometry(150, kRow * destination + 80, 300, 80);
}

void CSimpleEntryDlg::ToggleSlotLock(int slot) {
  if (slot < 0 || slot > lastShown_) return;
  ToggleLockOf(slot);
  std::array<bool, kSlots> locked{};
  for (int i = 0; i < kSlots; ++i) locked[static_cast<size_t>(i)] = SlotLocked(i);
  lastActive_ = simpleentry::LastActiveSlot(locked, lastShown_);
}

void CSimpleEntryDlg::ReadFixedFields() {
  CEntryFormBase::ReadFixedFields();
  pieceNumbers_.SetCount(entry_.itemCount);
}

void CSimpleEntryDlg::ShowStatusLine() { ShowStatusText(true, kindEdit_->text().toStdU16String()); }

// ---- kind ----

void CSimpleEntryDlg::SelectKind(const CServiceKind* kind) {
  if (kind == kind_) return;
  TakeKind(kind);
  if (!RestartWithKind()) return;
  if (kind != nullptr) {
    entry_.texts[1] = kind->SingleAreaName();
    RefreshSlot(1);
  }
}

// ---- clear, load, save ----

void CSimpleEntryDlg::Clear() {
  clearing_ = true;
  pieceEdit_->clear();
  pieceNumbers_.Reset();
  ShowPieceRows();
  pieceProgress_->clear();
  ResetWaybill();
  ClearFields();
  clearing_ = false;
}

void CSimpleEntryDlg::OnRecordLoaded() {
  if (!entry_.pieces.empty()) RefreshPieceList(true);
}

bool CSimpleEntryDlg::LoadPreInput(std::u16string_view number) {
  const std::string gbk = GbkFromWide(number);
  if (!TakePreInput(0, std::string_view(gbk), std::nullopt, std::nullopt)) return false;
  if (entry_.itemCount > 1) RefreshPieceList(true);
  return true;
}

void CSimpleEntryDlg::CollectSlots() {
  for (int i = 0; i <= lastShown_; ++i) CommitField(i);
}

void CSimpleEntryDlg::BeforeSave() {
  entry_.volumeLetter = app_ != nullptr ? app_->Settings().defaultDivisorLetter : 0;
}

// ---- slots ----

void CSimpleEntryDlg::OnSlotEdited(int slot) {
  if (saving_ || loading_ || clearing_ || !SlotEdit(slot)->hasFocus()) return;
  if (SlotKind(slot) != 1) return;
  SearchDestination(slot, SlotEdit(slot)->text());
}

void CSimpleEntryDlg::CommitField(int slot) {
  const int k = SlotKind(slot);
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
  const int k = SlotKind(slot);
  if (k < 0) return true;
  QLineEdit* edit = slotEdits_[slot];
  ReadFixedFields();
  std::u16string text = edit->text().trimmed().toStdU16String();
  if (k == 1) text = TakeDestination(std::move(text), n, true);
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
  // The dialog keeps its other values from its last use.
  if (!RunSettings(false)) return;
  entry_.language = 0;
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

bool CSimpleEntryDlg::event(QEvent* e) {
  if (auto* m = platform::AsPrivateMessage(e); m != nullptr && m->Message() == kGridMsgClick) {
    OnPieceRowClicked(static_cast<int>(m->WParam()));
    return true;
  }
  return QWidget::event(e);
}

void CSimpleEntryDlg::OnControlEvent(QObject* watched, QEvent* e) {
  const int slot = SlotOf(watched);
  if (slot >= 0 && e->type() == QEvent::FocusOut && !clearing_ && !loading_) CommitField(slot);
  if (watched == countEdit_ && e->type() == QEvent::FocusOut && !clearing_) RefreshPieceList(true);
}

bool CSimpleEntryDlg::FormKey(const QKeyEvent& key, bool ctrl, QWidget* focus, bool& result) {
  const int focusSlot = SlotOf(focus);
  result = true;
  switch (key.key()) {
    case Qt::Key_1: case Qt::Key_2: case Qt::Key_3: case Qt::Key_4: case Qt::Key_5: {
      if (!ctrl) {
        result = false;
        return true;
      }
      const int n = key.key() - Qt::Key_1;
      if (focus == customerEdit_) {
        // The binding took a shown suggestion; else the n-th one.
        if (PickCustomer(n)) MoveFocus(true);
        return true;
      }
      if (focusSlot >= 0 && SlotKind(focusSlot) == 1) {
        if (HandleFieldInput(focusSlot, n)) MoveFocus(true);
        return true;
      }
      MoveFocus(true);
      return true;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (ctrl) {
        result = false;
        return true;
      }
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
    case Qt::Key_Delete:
      // On a new waybill the key edits the text as usual.
      if (entry_.loadedId <= 0) {
        result = false;
        return true;
      }
      Delete();
      return true;
    default:
      return false;
  }
}
