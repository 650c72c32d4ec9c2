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

#include <array>
#include <string>

#include "entry/EntryFormBase.h"
#include "entry/SimpleEntryRules.h"

class CListGrid;
class QLabel;

class CSimpleEntryDlg : public CEntryFormBase {
  Q_OBJECT

 public:
  static constexpr int kSlots = simpleentry::kSlots;

  // `app` may be null (no services: no kinds, customers or look-ups).
  explicit CSimpleEntryDlg(CBrantleClientApp* app, QWidget* parent = nullptr);
  ~CSimpleEntryDlg() override;

  // ---- operations of the form ----
  void SetServiceKind(const CServiceKind* kind) { SelectKind(kind); }
  void SelectKind(const CServiceKind* kind) override;
  void SelectServiceKind(std::string_view code) { SelectKindByCode(code); }
  // The client suggestion n (0 based) as the customer; false when none.
  bool PickCustomer(int n) { return PickClientSuggestion(n); }
  void Clear() override;
  bool LoadRecord(int32_t id, bool selectKind) { return LoadForEditing(id, selectKind); }
  bool LoadPreInput(std::u16string_view number);
  CWaybillSaver::Outcome SaveGuarded() { return RunSave(); }
  void RefreshSlot(int kind) { ShowKind(kind); }
  void ShowStatusLine() override;
  // Finishing a slot with Enter (n 0) or Ctrl+1..5 (n 0..4); true lets the
  // key move on.
  bool HandleFieldInput(int slot, int n);
  void CommitField(int slot);
  void CollectSlots() override;
  void RefreshPieceList(bool rebuild);
  void ConfirmPieceNumber();
  void FinishRow();
  // Clicks on the labels.
  void ToggleSlotLock(int slot) override;
  void ChooseServiceKind() { PickServiceKind(); }
  void OpenSettings() override;
  void OnGoodsButton() override;
  void OnPiecesButton() override;
  void OnPieceRowClicked(int row);

  // ---- what tests and the page read ----
  int LastActiveSlot() const { return lastActive_; }
  const simpleentry::CPieceNumbers& PieceNumbers() const { return pieceNumbers_; }
  QLineEdit* PieceEdit() const { return pieceEdit_; }
  QLabel* PieceProgress() const { return pieceProgress_; }
  CListGrid* PieceList() const { return pieceList_; }
  QPushButton* PieceButton() const { return pieceButton_; }

 protected:
  bool event(QEvent* event) override;

 private:
  void BuildControls();
  void LayoutFieldRow();
  void ReadFixedFields() override;
  void ShowPieceRows();
  void AdvancePiece();
  void OnSlotEdited(int slot) override;
  void OnRecordLoaded() override;
  void BeforeSave() override;
  void OnControlEvent(QObject* watched, QEvent* event) override;
  bool FormKey(const QKeyEvent& key, bool ctrl, QWidget* focus, bool& result) override;
  CWaybillSaver::Outcome SaveForm() override { return SaveGuarded(); }

  int lastActive_ = 0;
  simpleentry::CPieceNumbers pieceNumbers_;

  QLineEdit* pieceEdit_ = nullptr;
  QLabel* pieceProgress_ = nullptr;
  CListGrid* pieceList_ = nullptr;
  QPushButton* feesButton_ = nullptr;
  QPushButton* senderButton_ = nullptr;
  QPushButton* pieceButton_ = nullptr;
};
