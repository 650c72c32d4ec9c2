#pragma once
// CQuickEntryDlg: the keyboard-driven form of page 0 in which depot staff
// key waybills one after another.  Beside a few fixed fields (express kind,
// business date, item type, item count, customer) it shows up to 24 slots;
// which field kind each slot edits comes from the express kind's slot list,
// so each courier product gets exactly the fields it needs.  A locked slot
// keeps its text for the next waybill; a locked customer stays selected.
//
// The form keeps the waybill as a WaybillEntry (entry/WaybillSave.h) and
// saves, deletes and loads it through its CWaybillSaver.  What each field
// kind does while it is keyed lives in entry/QuickEntryReactions.h; this
// class only moves texts between the edits and the entry and routes keys.
//
// Keys (the form sees them before its controls): F2 save, F3 clear, Enter
// finishes a field (and saves on the last unlocked slot), Up/Down move back
// and on, Ctrl+1..5 take a suggestion, Ctrl+A the customer field, Ctrl+S
// save, Ctrl+D clear, Ctrl+G or Delete delete.

#include <QPointer>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "entry/EntryFormBase.h"

class CJapanAddressDlg;
class IScaleSource;

class CQuickEntryDlg : public CEntryFormBase {
  Q_OBJECT

 public:
  static constexpr int kSlots = 24;

  // `app` may be null (no services: no kinds, customers or look-ups).
  explicit CQuickEntryDlg(CBrantleClientApp* app, QWidget* parent = nullptr);
  ~CQuickEntryDlg() override;

  // The scale whose readings fill the weight slot (the application's scale
  // reader unless a test gives another); may be null.
  void SetScaleSource(IScaleSource* scale) { scale_ = scale; }

  // ---- operations of the form ----
  void SelectKind(const CServiceKind* kind) override;
  void Clear() override;
  bool LoadRecord(int32_t id, bool switchKind);
  CWaybillSaver::Outcome Save() { return RunSave(); }
  void CollectSlots() override;
  void RefreshStatus() { ShowStatusLine(); }
  void OpenScale();
  void CloseScale();
  // Clicks on the labels.
  void ToggleSlotLock(int slot) override;
  void PickKind() { PickServiceKind(); }
  void OpenSettings() override;
  // Finishing a slot with Enter (n 0) or Ctrl+1..5; 1.
  int HandleFieldInput(int slot, int n);
  // Finishing the customer field: 1 to move on, 0 to keep the focus.
  int PickCustomer(int n) { return PickClientSuggestion(n) ? 1 : 0; }
  // The fill from a pre-input order found by one of the numbers.
  int LoadPreInput(int32_t id, int numberKind, std::u16string_view number);
  void OnScaleData();
  void OnGoodsButton() override;
  void OnPiecesButton() override;
  void OnJapanAddress();
  void OnAddressPicked(int entry, int form);

  // The import's template record (quickentry::FillImportTemplate with the
  // form's values) and the import field names.
  void FillImportTemplate(InputWaybillRecord& record);
  const std::vector<std::u16string>& ImportCaptions() const { return importCaptions_; }

  // ---- what tests and the page read ----
  int LastUnlockedSlot() const { return lastUnlocked_; }
  char VolumeLetter() const { return volumeLetter_; }
  int DeliveryWay() const { return direction_; }
  CPlaceSuggestPopup* GoodsPopup() const { return goodsPopup_; }

 protected:
  bool event(QEvent* event) override;

 private:
  // Fills the import field names (the mapping file's keys); run once from
  // the constructor.
  void InitImportCaptions();
  void BuildControls();
  void ReadSlot(int slot);
  void OnSlotEdited(int slot) override;
  void OnSlotFocus(int slot);
  void ApplyDimensions();
  void RecomputeLastUnlocked();
  void ShowStatusLine() override;
  void BeforeSave() override;
  void OnControlEvent(QObject* watched, QEvent* event) override;
  bool FormKey(const QKeyEvent& key, bool ctrl, QWidget* focus, bool& result) override;
  CWaybillSaver::Outcome SaveForm() override { return Save(); }

  IScaleSource* scale_ = nullptr;

  int weightSlot_ = -1;
  int lastUnlocked_ = -1;
  bool scaleOpen_ = false;
  bool zeroShown_ = false;
  char volumeLetter_ = 0;
  std::u16string lastDestination_;

  CLinkLabel* japanLabel_ = nullptr;
  CPlaceSuggestPopup* goodsPopup_ = nullptr;
  std::string goodsSearch_;
  QPointer<CJapanAddressDlg> japanDialog_;
  std::vector<std::u16string> importCaptions_;
};
