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
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "entry/QuickEntrySettingsDlg.h"
#include "entry/WaybillSave.h"
#include "ui/SuggestPopup.h"

class CBrantleClientApp;
class CJapanAddressDlg;
class CLinkLabel;
class CServiceKind;
class IScaleSource;
class QComboBox;
class QLineEdit;
class QPushButton;

class CQuickEntryDlg : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kSlots = 24;

  // `app` may be null (no services: no kinds, customers or look-ups).
  explicit CQuickEntryDlg(CBrantleClientApp* app, QWidget* parent = nullptr);
  ~CQuickEntryDlg() override;

  // The page that gets WM_PAGE_NOTIFY, and the visible camera window.
  void SetPageWindow(QObject* page);
  std::function<QObject*()> captureWindow;
  // The scale whose readings fill the weight slot (the application's scale
  // reader unless a test gives another); may be null.
  void SetScaleSource(IScaleSource* scale) { scale_ = scale; }

  // ---- operations of the form ----
  void SelectKind(const CServiceKind* kind);
  void SelectKindByCode(std::string_view code);
  bool SelectCustomer(int32_t id);
  void Clear();
  bool LoadRecord(int32_t id, bool switchKind);
  CWaybillSaver::Outcome Save();
  bool Delete();
  void CopyAll();
  void PasteAll();
  bool CopyFilled() const { return copyFilled_; }
  void ShowKind(int kind);
  void ShowSlot(int slot);
  void CollectSlots();
  void FocusKind(int kind);
  void RefreshStatus();
  void OpenScale();
  void CloseScale();
  // Clicks on the labels.
  void ToggleSlotLock(int slot);
  void ToggleCustomerLock();
  void PickKind();
  void OpenSettings();
  // Finishing a slot with Enter (n 0) or Ctrl+1..5; 1.
  int HandleFieldInput(int slot, int n);
  // Finishing the customer field: 1 to move on, 0 to keep the focus.
  int PickCustomer(int n);
  // The fill from a pre-input order found by one of the numbers.
  int LoadPreInput(int32_t id, int numberKind, std::u16string_view number);
  void OnScaleData();
  void OnGoodsButton();
  void OnPiecesButton();
  void OnJapanAddress();
  void OnAddressPicked(int entry, int form);

  // The import's template record (quickentry::FillImportTemplate with the
  // form's values) and the import field names.
  void FillImportTemplate(InputWaybillRecord& record);
  const std::vector<std::u16string>& ImportCaptions() const { return importCaptions_; }

  // ---- what tests and the page read ----
  WaybillEntry& Entry() { return entry_; }
  const CServiceKind* Kind() const { return kind_; }
  int SlotOfKind(int kind) const { return kind >= 0 && kind < kWaybillFieldKinds ? slotOfKind_[kind] : -1; }
  int SlotKind(int slot) const { return slotKind_[slot]; }
  int ShownSlots() const { return lastShown_ + 1; }
  int LastUnlockedSlot() const { return lastUnlocked_; }
  bool SlotLocked(int slot) const;
  bool CustomerLocked() const { return customerLocked_; }
  bool PreInputTaken() const { return preInputTaken_; }
  char VolumeLetter() const { return volumeLetter_; }
  int DeliveryWay() const { return deliveryWay_; }
  QLineEdit* SlotEdit(int slot) const { return slotEdits_[slot]; }
  CLinkLabel* SlotLabel(int slot) const { return slotLabels_[slot]; }
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
  CPlaceSuggestPopup* GoodsPopup() const { return goodsPopup_; }
  CQuickEntrySettingsDlg& SettingsDialog() { return settings_; }
  CWaybillSaver& Saver() { return *saver_; }
  // The print choices after a save.
  const QuickEntrySettingsValues& PrintChoices() const { return printChoices_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool event(QEvent* event) override;

 private:
  // Fills the import field names (the mapping file's keys); run once from
  // the constructor.
  void InitImportCaptions();
  void BuildControls();
  void ConnectSaver();
  void ReadFixedFields();
  void ShowFixedFields();
  void ReadSlot(int slot);
  void OnSlotChange(int slot);
  void OnSlotFocus(int slot);
  void OnCustomerEdited();
  void MoveFocus(bool next);
  int SlotOf(const QObject* widget) const;
  void ApplyDimensions();
  void RecomputeLastUnlocked();
  void ApplyCustomerDefaults(WaybillRecord& record) const;
  void PrintAfterSave(const InputWaybillRecord& record);
  QString Today() const;

  CBrantleClientApp* app_;
  std::unique_ptr<WaybillSaveLink> saveLink_;
  std::unique_ptr<CWaybillSaver> saver_;
  WaybillEntry entry_;
  const CServiceKind* kind_ = nullptr;
  IScaleSource* scale_ = nullptr;
  QPointer<QObject> page_;

  std::array<QLineEdit*, kSlots> slotEdits_{};
  std::array<CLinkLabel*, kSlots> slotLabels_{};
  std::array<int, kSlots> slotKind_{};
  std::array<int, kWaybillFieldKinds> slotOfKind_{};
  int weightSlot_ = -1;
  int lastShown_ = -1;
  int lastUnlocked_ = -1;
  std::array<std::u16string, kWaybillFieldKinds> keptTexts_;
  std::array<std::u16string, kWaybillFieldKinds> copyTexts_;
  bool copyFilled_ = false;

  bool customerLocked_ = false;
  uint8_t customerPayWay_ = 0;
  bool preInputTaken_ = false;
  bool saving_ = false, loading_ = false, clearing_ = false, picking_ = false;
  bool scaleOpen_ = false;
  bool zeroShown_ = false;
  bool dateFollowsToday_ = true;
  char volumeLetter_ = 0;
  int deliveryWay_ = 1;
  std::u16string lastDestination_;

  // Defaults for new waybills.
  uint8_t defaultPayWay_ = 0, defaultState_ = 0;
  int defaultDelivery_ = 1;
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
  CLinkLabel* japanLabel_ = nullptr;
  QPushButton* piecesButton_ = nullptr;
  QPushButton* goodsButton_ = nullptr;
  QPushButton* clearButton_ = nullptr;
  QPushButton* saveButton_ = nullptr;
  CClientSuggestPopup* clientPopup_ = nullptr;
  CDestinationSuggestPopup* destinationPopup_ = nullptr;
  CPlaceSuggestPopup* goodsPopup_ = nullptr;
  CSuggestEditBinding* clientBinding_ = nullptr;
  std::string destinationSearch_, goodsSearch_;
  QPointer<CJapanAddressDlg> japanDialog_;
  std::vector<std::u16string> importCaptions_;
};
