#pragma once
// CEntryFormBase: what the two keyboard-driven waybill forms share, the
// quick entry form of page 0 (CQuickEntryDlg) and the streamlined form of
// page 15 (CSimpleEntryDlg).
//
// Both keep their waybill as a WaybillEntry saved, deleted and loaded
// through a CWaybillSaver; both show the same two rows of fixed fields
// (express kind, business date, item type, customer, piece count, the
// settings link) above a column of slots, each slot a caption that locks it
// when clicked and an edit for one field kind; both pick the customer and
// the destination from the same suggestion popups, keep the same defaults
// for new waybills and take the same keys (F2, F3, Up, Down, Ctrl+A, S, D,
// G).  Each form adds its own slots' behaviour, buttons and keys through the
// virtual members below.

#include <QWidget>

#include <array>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "entry/QuickEntrySettingsDlg.h"
#include "entry/WaybillSave.h"
#include "ui/SuggestPopup.h"

class CBrantleClientApp;
class CLinkLabel;
class CPrintDoors;
class CServiceKind;
class QComboBox;
class QKeyEvent;
class QLineEdit;
class QPushButton;

class CEntryFormBase : public QWidget {
  Q_OBJECT

 public:
  ~CEntryFormBase() override;

  // The page that gets WM_PAGE_NOTIFY, and the visible camera window.
  void SetPageWindow(QObject* page) { saver_->page = page; }
  std::function<QObject*()> captureWindow;
  // The print jobs of the printing after a save (the application's unless
  // the page gives its own); may be null.
  void SetPrintDoors(CPrintDoors* doors) { printDoors_ = doors; }

  // ---- operations both forms offer ----
  // The kind of a code (case ignored), when it is another than the current.
  void SelectKindByCode(std::string_view code);
  virtual void SelectKind(const CServiceKind* kind) = 0;
  bool SelectCustomer(int32_t id);
  virtual void Clear() = 0;
  bool Delete();
  void CopyAll();
  void PasteAll();
  bool CopyFilled() const { return copyFilled_; }
  // Shows a kind's text in its slot (when the form shows the kind), a
  // slot's text, and focuses a kind's slot with its text selected.
  void ShowKind(int kind);
  void ShowSlot(int slot);
  void FocusKind(int kind);
  // Takes the slots' texts into the entry.
  virtual void CollectSlots() = 0;
  // Clicks on the captions.
  virtual void ToggleSlotLock(int slot) = 0;
  void ToggleCustomerLock();
  // The kind list (click on the kind's caption).
  void PickServiceKind();
  virtual void OpenSettings() = 0;
  virtual void OnGoodsButton() = 0;
  virtual void OnPiecesButton() = 0;

  // ---- what tests and the pages read ----
  WaybillEntry& Entry() { return entry_; }
  const CServiceKind* Kind() const { return kind_; }
  int SlotOfKind(int kind) const { return kind >= 0 && kind < kWaybillFieldKinds ? slotOfKind_[kind] : -1; }
  int SlotKind(int slot) const { return slotKind_[static_cast<size_t>(slot)]; }
  int ShownSlots() const { return lastShown_ + 1; }
  bool SlotLocked(int slot) const;
  bool CustomerLocked() const { return customerLocked_; }
  bool PreInputTaken() const { return preInputTaken_; }
  QLineEdit* SlotEdit(int slot) const { return slotEdits_[static_cast<size_t>(slot)]; }
  CLinkLabel* SlotLabel(int slot) const { return slotLabels_[static_cast<size_t>(slot)]; }
  QLineEdit* CustomerEdit() const { return customerEdit_; }
  QLineEdit* DateEdit() const { return dateEdit_; }
  QLineEdit* KindEdit() const { return kindEdit_; }
  QLineEdit* CountEdit() const { return countEdit_; }
  QComboBox* ItemTypeList() const { return itemType_; }
  CLinkLabel* StatusLabel() const { return statusLabel_; }
  CLinkLabel* CustomerLabel() const { return customerLabel_; }
  CLinkLabel* KindLabel() const { return kindLabel_; }
  CLinkLabel* DateLabel() const { return dateLabel_; }
  CLinkLabel* SettingsLabel() const { return settingsLabel_; }
  QPushButton* SaveButton() const { return saveButton_; }
  QPushButton* GoodsButton() const { return goodsButton_; }
  QPushButton* PiecesButton() const { return piecesButton_; }
  QPushButton* ClearButton() const { return clearButton_; }
  CClientSuggestPopup* ClientPopup() const { return clientPopup_; }
  CDestinationSuggestPopup* DestinationPopup() const { return destinationPopup_; }
  CQuickEntrySettingsDlg& SettingsDialog() { return settings_; }
  CWaybillSaver& Saver() { return *saver_; }
  // The print choices after a save.
  const QuickEntrySettingsValues& PrintChoices() const { return printChoices_; }

 protected:
  static constexpr int kRow = 21;      // slot pitch
  static constexpr int kSlotTop = 59;  // top of slot 0's edit

  // `app` may be null (no services: no kinds, customers or look-ups).
  CEntryFormBase(CBrantleClientApp* app, int slotCount, QWidget* parent);

  // ---- building the form (in this order) ----
  CLinkLabel* MakeLink(int textId, int x, int y, int w);
  // The two rows of fixed fields.
  void BuildHeader();
  // The slots' captions and edits, each connected to ToggleSlotLock and
  // OnSlotEdited.
  void BuildSlots();
  // The destination and client popups, hidden at their places.
  void BuildPopups();
  // The tab order: the controls before the slots, the slots, the controls
  // after them.
  void ChainTabOrder(std::initializer_list<QWidget*> before, std::initializer_list<QWidget*> after);
  // The connections of the shared controls (the buttons must exist).
  void ConnectCommonControls();
  // The form sees every key of its controls first; the customer's
  // suggestion binding runs before it on the customer field.
  void WatchControls();
  // The saver's hooks both forms set; the date is selected when focused
  // with `selectDate`.
  void ConnectSaverCommon(bool selectDate);
  // The kind to start with: the first with an entry-field list, else the
  // last; null without kinds.
  const CServiceKind* FirstEntryKind() const;

  // ---- kinds ----
  // The kind becomes the form's (and the destination popup's).
  void TakeKind(const CServiceKind* kind);
  // After a change of kind: the field texts emptied and the kind's code
  // shown, then the loaded waybill loaded again, or the form cleared for a
  // new waybill (true).
  bool RestartWithKind();

  // ---- slots and locks ----
  void SetSlotKinds(std::span<const int> kindOfSlot, int lastShown);
  int SlotOf(const QObject* widget) const;
  // Toggles a slot's lock: the caption dimmed and the edit disabled.
  bool ToggleLockOf(int slot);
  virtual void OnSlotEdited(int slot) = 0;
  // Asks a suggestion popup to search the slot's text (its first `chars`
  // characters in GBK), the popup placed under the slot; an empty text
  // hides it.
  void SearchInPopup(QWidget* popup, std::string& search, int message, int slot,
                     const QString& text, int chars, int height);
  void SearchDestination(int slot, const QString& text) {
    SearchInPopup(destinationPopup_, destinationSearch_, kWmDestinationSuggest, slot, text, 64, 80);
  }
  // Finishing the destination: the text names a destination, else the
  // popup's suggestion n or a destination the text begins; the waybill's
  // destination class follows.  The streamlined form sets the class to 0
  // when nothing is found.
  std::u16string TakeDestination(std::u16string text, int n, bool zeroWithoutMatch);

  // ---- fixed fields, status ----
  virtual void ReadFixedFields();
  void ShowFixedFields();
  virtual void ShowStatusLine() = 0;
  void ShowStatusText(bool upUnlessZero, std::u16string kindCode);
  QString Today() const;

  // ---- customer ----
  // The client suggestion n (0 based) as the customer; false when none.
  bool PickClientSuggestion(int n);
  void ApplyCustomerDefaults(WaybillRecord& record) const;
  void OnCustomerEdited();

  // ---- clear, load, save ----
  // The waybill's values back to a new waybill's: the form shows today and
  // one piece, the save button text 130013.
  void ResetWaybill();
  // The field texts emptied (locked slots keep theirs, except the
  // numbers and kind 25), the status shown and the focus placed.
  void ClearFields();
  bool LoadForEditing(int32_t id, bool switchKind);
  virtual void OnRecordLoaded() {}
  // The pre-input order found by its id or one of its numbers.
  bool TakePreInput(int32_t id, std::optional<std::string_view> number,
                    std::optional<std::string_view> transfer, std::optional<std::string_view> reference);
  // The save with the form's guards: one at a time, the piece count a
  // whole number.
  CWaybillSaver::Outcome RunSave();
  virtual void BeforeSave() {}
  // The settings dialog; `fromForm` starts it from the form's current
  // values (else it keeps its own from its last use).  True on OK.
  bool RunSettings(bool fromForm);
  void PrintAfterSave(const InputWaybillRecord& record);

  // ---- keys ----
  bool eventFilter(QObject* watched, QEvent* event) override;
  // A control's event before the keys (focus in and out).
  virtual void OnControlEvent(QObject* watched, QEvent* event) = 0;
  // The form's own keys: true when it took the key, `result` whether the
  // key is eaten.
  virtual bool FormKey(const QKeyEvent& key, bool ctrl, QWidget* focus, bool& result) = 0;
  virtual CWaybillSaver::Outcome SaveForm() = 0;
  void MoveFocus(bool next);

  CBrantleClientApp* app_;
  std::unique_ptr<WaybillSaveLink> saveLink_;
  std::unique_ptr<CWaybillSaver> saver_;
  WaybillEntry entry_;
  const CServiceKind* kind_ = nullptr;
  CPrintDoors* printDoors_ = nullptr;

  std::vector<QLineEdit*> slotEdits_;
  std::vector<CLinkLabel*> slotLabels_;
  std::vector<int> slotKind_;
  std::array<int, kWaybillFieldKinds> slotOfKind_{};
  int lastShown_ = -1;
  std::array<std::u16string, kWaybillFieldKinds> carryTexts_;
  std::array<std::u16string, kWaybillFieldKinds> copyTexts_;
  bool copyFilled_ = false;

  bool customerLocked_ = false;
  bool preInputTaken_ = false;
  bool saving_ = false, loading_ = false, clearing_ = false, picking_ = false;
  int direction_ = 1;

  // Defaults for new waybills.
  uint8_t defaultPayWay_ = 0, defaultState_ = 0;
  int defaultDirection_ = 1;
  std::u16string defaultPayDir_ = u"PP", defaultOrigin_ = u"CN", defaultMoney_ = u"USD";
  QuickEntrySettingsValues printChoices_;
  CQuickEntrySettingsDlg settings_;

  QComboBox* itemType_ = nullptr;
  QLineEdit* countEdit_ = nullptr;
  QLineEdit* dateEdit_ = nullptr;
  QLineEdit* kindEdit_ = nullptr;
  QLineEdit* customerEdit_ = nullptr;
  CLinkLabel* kindLabel_ = nullptr;
  CLinkLabel* dateLabel_ = nullptr;
  CLinkLabel* customerLabel_ = nullptr;
  CLinkLabel* settingsLabel_ = nullptr;
  CLinkLabel* statusLabel_ = nullptr;
  QPushButton* piecesButton_ = nullptr;
  QPushButton* goodsButton_ = nullptr;
  QPushButton* clearButton_ = nullptr;
  QPushButton* saveButton_ = nullptr;
  CClientSuggestPopup* clientPopup_ = nullptr;
  CDestinationSuggestPopup* destinationPopup_ = nullptr;
  CSuggestEditBinding* clientBinding_ = nullptr;
  std::string destinationSearch_;
};
