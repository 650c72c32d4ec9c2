#pragma once
// CSimpleEntryDlg: the streamlined entry form of page 15, for customers who
// ship many waybills of several pieces.  One customer, express kind and
// business date serve a run of waybills; the operator keys four fields a
// waybill (number, origin address, destination, memo) and then one
// sub-waybill number a piece into the piece-number entry: the number of
// the last piece saves the waybill.
//
// The form keeps the waybill as a WaybillEntry (entry/WaybillSave.h) and
// saves, deletes and loads it through its CWaybillSaver, with the rules of
// this form: the piece numbers must all be keyed, and no price is asked
// for.  The rules without widgets are in entry/SimpleEntryRules.h.
//
// Keys (the form sees them before its controls): F2 save, F3 clear; Enter
// finishes a slot (on the last active slot: the piece numbers, or the
// save), confirms a piece number in the piece-number entry; Up/Down move
// back and on; Ctrl+1..5 take a suggestion; Ctrl+A the customer field;
// Ctrl+S save; Ctrl+D clear; Ctrl+G or Delete delete the loaded waybill.

#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "entry/QuickEntrySettingsDlg.h"
#include "entry/WaybillSave.h"
#include "entry/SimpleEntryRules.h"
#include "ui/SuggestPopup.h"

class CBrantleClientApp;
class CLinkLabel;
class CListGrid;
class CPrintDoors;
class CServiceKind;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class CSimpleEntryDlg : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kSlots = simpleentry::kSlots;

  // `app` may be null (no services: no kinds, customers or look-ups).
  explicit CSimpleEntryDlg(CBrantleClientApp* app, QWidget* parent = nullptr);
  ~CSimpleEntryDlg() override;

  // The page that gets WM_PAGE_NOTIFY, and the visible camera window.
  void SetPageWindow(QObject* page);
  std::function<QObject*()> captureWindow;
  // The print jobs of the printing after a save (the application's unless
  // the page gives its own); may be null.
  void SetPrintDoors(CPrintDoors* doors) { printDoors_ = doors; }

  // ---- operations of the form ----
  void SetServiceKind(const CServiceKind* kind);
  void SelectServiceKind(std::string_view code);
  bool SelectCustomer(int32_t id);
  // The client suggestion n (0 based) as the customer; false when none.
  bool PickCustomer(int n);
  void Clear();
  bool LoadRecord(int32_t id, bool selectKind);
  bool LoadPreInput(std::u16string_view number);
  CWaybillSaver::Outcome SaveGuarded();
  bool Delete();
  void CopyAll();
  void PasteAll();
  void RefreshSlot(int kind);
  void FocusKind(int kind);
  void ShowStatusLine();
  // Finishing a slot with Enter (n 0) or Ctrl+1..5 (n 0..4); true lets the
  // key move on.
  bool HandleFieldInput(int slot, int n);
  void CommitField(int slot);
  void RefreshPieceList(bool rebuild);
  void ConfirmPieceNumber();
  void FinishRow();
  // Clicks on the labels.
  void ToggleSlotLock(int slot);
  void ToggleCustomerLock();
  void ChooseServiceKind();
  void OpenSettings();
  void OnGoodsButton();
  void OnPiecesButton();
  void OnPieceRowClicked(int row);

  // ---- what tests and the page read ----
  WaybillEntry& Entry() { return entry_; }
  const CServiceKind* Kind() const { return kind_; }
  int SlotOfKind(int kind) const { return kind >= 0 && kind < kWaybillFieldKinds ? row_.slotOfKind[kind] : -1; }
  int SlotKind(int slot) const { return row_.kindOfSlot[slot]; }
  int ShownSlots() const { return row_.lastShown + 1; }
  int LastActiveSlot() const { return lastActive_; }
  bool SlotLocked(int slot) const { return slot >= 0 && slot < kSlots && locked_[slot]; }
  bool CustomerLocked() const { return customerLocked_; }
  bool PreInputTaken() const { return preInputTaken_; }
  const simpleentry::CPieceNumbers& PieceNumbers() const { return pieceNumbers_; }
  QLineEdit* SlotEdit(int slot) const { return slotEdits_[slot]; }
  CLinkLabel* SlotLabel(int slot) const { return slotLabels_[slot]; }
  QLineEdit* CustomerEdit() const { return customerEdit_; }
  QLineEdit* DateEdit() const { return dateEdit_; }
  QLineEdit* KindEdit() const { return kindEdit_; }
  QLineEdit* CountEdit() const { return countEdit_; }
  QComboBox* ItemTypeList() const { return itemType_; }
  QLineEdit* PieceEdit() const { return pieceEdit_; }
  QLabel* PieceProgress() const { return pieceProgress_; }
  CListGrid* PieceList() const { return pieceList_; }
  CLinkLabel* StatusLabel() const { return statusLabel_; }
  CLinkLabel* CustomerLabel() const { return customerLabel_; }
  CLinkLabel* SettingsLabel() const { return settingsLabel_; }
  QPushButton* SaveButton() const { return saveButton_; }
  QPushButton* PieceButton() const { return pieceButton_; }
  CClientSuggestPopup* ClientPopup() const { return clientPopup_; }
  CDestinationSuggestPopup* DestinationPopup() const { return destinationPopup_; }
  CQuickEntrySettingsDlg& SettingsDialog() { return settings_; }
  CWaybillSaver& Saver() { return *saver_; }
  const QuickEntrySettingsValues& PrintChoices() const { return printChoices_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void BuildControls();
  void ConnectSaver();
  void LayoutFieldRow();
  void ReadFixedFields();
  void ShowFixedFields();
  void ShowPieceRows();
  void AdvancePiece();
  void OnFieldChanged(int slot);
  int SlotOf(const QObject* widget) const;
  void MoveFocus(bool next);
  void PrintAfterSave(const InputWaybillRecord& record);
  QString Today() const;

  CBrantleClientApp* app_;
  std::unique_ptr<WaybillSaveLink> saveLink_;
  std::unique_ptr<CWaybillSaver> saver_;
  WaybillEntry entry_;
  const CServiceKind* kind_ = nullptr;
  CPrintDoors* printDoors_ = nullptr;

  simpleentry::RowLayout row_;
  std::array<bool, kSlots> locked_{};
  int lastActive_ = 0;
  std::array<std::u16string, kWaybillFieldKinds> carryTexts_;
  std::array<std::u16string, kWaybillFieldKinds> copyTexts_;
  bool copyFilled_ = false;
  simpleentry::CPieceNumbers pieceNumbers_;

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

  std::array<QLineEdit*, kSlots> slotEdits_{};
  std::array<CLinkLabel*, kSlots> slotLabels_{};
  QComboBox* itemType_ = nullptr;
  QLineEdit* countEdit_ = nullptr;
  QLineEdit* dateEdit_ = nullptr;
  QLineEdit* kindEdit_ = nullptr;
  QLineEdit* customerEdit_ = nullptr;
  QLineEdit* pieceEdit_ = nullptr;
  QLabel* pieceProgress_ = nullptr;
  CListGrid* pieceList_ = nullptr;
  CLinkLabel* kindLabel_ = nullptr;
  CLinkLabel* dateLabel_ = nullptr;
  CLinkLabel* customerLabel_ = nullptr;
  CLinkLabel* settingsLabel_ = nullptr;
  CLinkLabel* statusLabel_ = nullptr;
  QPushButton* feesButton_ = nullptr;
  QPushButton* piecesButton_ = nullptr;
  QPushButton* goodsButton_ = nullptr;
  QPushButton* senderButton_ = nullptr;
  QPushButton* clearButton_ = nullptr;
  QPushButton* saveButton_ = nullptr;
  QPushButton* pieceButton_ = nullptr;
  CClientSuggestPopup* clientPopup_ = nullptr;
  CDestinationSuggestPopup* destinationPopup_ = nullptr;
  CSuggestEditBinding* clientBinding_ = nullptr;
  std::string destinationSearch_;
};
