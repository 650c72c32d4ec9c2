#pragma once
// CBaggingDlg: the bagging form of page 10.  The operator opens a bag by
// scanning its number (or typing it and pressing Enter in the bag number
// box), scans waybills or pieces in or out, edits the bag header, saves and
// deletes the bag.  Rules, SQL and weights live in BagRules.h and
// BaggingLogic.h; this class holds the controls and the state of one bag.
//
// The form receives WM_RECORD_PICKED (BaggingLogic.h) from the pickers and
// answers 1 when the record went into the bag; the unbagged-record picker
// (`picker`, made on first use by the hook pickUnbagged) then loses the
// picked row (with per-waybill items every row of that waybill).  The bag
// label fill is reached through the hook printLabels.

#include <QPointer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "consolidation/BagFormParts.h"
#include "consolidation/BagLabels.h"
#include "consolidation/BagRules.h"
#include "consolidation/BaggingLogic.h"
#include "consolidation/BaggingServices.h"

class CLinkLabel;
class CListGrid;
class CQuickSearchList;
class CUnbaggedPickDlg;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

class CBaggingDlg : public QWidget {
  Q_OBJECT

 public:
  CBaggingDlg(CBaggingServices* app, QWidget* parent, QSize screen);
  ~CBaggingDlg() override;

  // The page that receives WM_USER+123 and its quick-search list.
  QObject* pageWindow = nullptr;
  CQuickSearchList* quickList = nullptr;

  // "Pick unbagged" (选取...): opens the unbagged-record picker with the form
  // as the target of its WM_RECORD_PICKED.  Called only while a bag is open
  // and its items may change.
  std::function<void(CBaggingDlg& form)> pickUnbagged;
  // "Print labels" (the page's Print Label command): fills and prints the
  // bag's labels; 1 printed, 0 not.
  std::function<int(CBaggingDlg& form)> printLabels;
  // The unbagged-record picker once pickUnbagged has made it (a child of
  // the form that lives as long as the form).
  QPointer<CUnbaggedPickDlg> picker;

  // ---- operations ----
  void InitForm();
  void LoadSettings();
  void ClearForm();
  bool LoadBag(int32_t bagId);
  int SaveBag();
  int DeleteBag();
  void CreateByNumber();
  void OnScan();
  int AddItem(int32_t waybillId, int32_t piecePosition, bool show);
  int CheckRecordForBag(int32_t waybillId, const std::u16string& number, bool show);
  int LoadItem(int32_t waybillId, int32_t piecePosition, bool speak);
  int RemoveItem(int row);
  void AddByNumberList(bool byWaybillNumber);
  // The numbers of a list (already read) added one by one.
  void AddNumbers(const std::vector<std::u16string>& numbers, bool byWaybillNumber);
  qintptr OnRecordPicked(quintptr waybillId, qintptr pick);
  void OpenPicker();
  int PrintBagLabels();
  void ToggleScanNumberKind();
  void TakeItemWeight();
  void PickFieldText(QLineEdit* field);
  void ExportItems();
  // What the bag labels carry of the form: its fields, the loaded bag's
  // audit texts and the number of grid rows.
  BagLabelSources LabelSources() const;
  // The check box 联打封签: the bag label after the seal label.
  bool SecondLabelWanted() const;

  // ---- state ----
  int32_t BagId() const { return bagId_; }
  int32_t LastSavedId() const { return lastSavedId_; }
  bool Editable() const { return editable_; }
  bool Deletable() const { return deletable_; }
  bool OwnBag() const { return ownBag_; }
  int BagState() const { return bagState_; }
  int ScanNumberKind() const { return scanKind_; }
  bool PerWaybillItems() const;
  const bagging::BagTotals& Totals() const { return totals_; }
  const std::vector<bagging::BagItemRow>& Rows() const { return rows_; }
  const CBagRuleSet& Rules() const { return rules_; }
  const BagMaskGroup& ReferenceMasks() const { return referenceMasks_; }
  const bagging::ItemCheckArgs& Checks() const { return checks_; }
  const std::u16string& AwbNumber() const { return awb_; }
  const bagging::BagHeader& Header() const { return header_; }
  // The last SQL text sent (tests read what went out).
  const std::string& LastSql() const { return lastSql_; }
  // How often "Bag_Fill.txt" was fetched.
  int SettingsLoads() const { return settingsLoads_; }

  // ---- controls ----
  QLineEdit* NumberEdit() const { return head_.number; }
  QLineEdit* SpecialEdit() const { return head_.special; }
  QLineEdit* FromAirportEdit() const { return head_.fromAirport; }
  QLineEdit* ToAirportEdit() const { return head_.toAirport; }
  QLineEdit* WeightEdit() const { return head_.weight; }
  QLineEdit* LengthEdit() const { return head_.length; }
  QLineEdit* WidthEdit() const { return head_.width; }
  QLineEdit* HeightEdit() const { return head_.height; }
  QLineEdit* SpareEdit(int i) const { return head_.spares[i]; }
  QLineEdit* ReferenceEdit() const { return reference_; }
  QLineEdit* ScanEdit() const { return scan_; }
  QLineEdit* FromStationEdit() const { return head_.fromStation; }
  QPlainTextEdit* MemoEdit() const { return head_.memo; }
  QPlainTextEdit* HistoryEdit() const { return history_; }
  QComboBox* ScanModeBox() const { return scanMode_; }
  QPushButton* GoButton() const { return go_; }
  QLabel* StatusLabel() const { return head_.status; }
  QLabel* ItemsHeader() const { return head_.itemsHeader; }
  QLabel* WeightLine() const { return head_.weightLine; }
  QLabel* ReferenceCaption() const { return referenceCaption_; }
  QRadioButton* ShareButton(int i) const { return head_.share[i]; }
  CLinkLabel* ScanCaption() const { return scanCaption_; }
  CLinkLabel* PickLink() const { return pickLink_; }
  CLinkLabel* WeightCaption() const { return head_.weightCaption; }
  CListGrid* Grid() const { return head_.grid; }

 protected:
  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Build(QSize screen);
  bagging::BagHeaderFields ReadFields() const;
  void ApplyDefinition(const BagDefinition& d);
  void SetCommandFlag(int type, bool on);
  void ShowStatus(int textId, const QColor& color, int32_t bagId);
  void AppendRow(const bagging::BagItemRow& row);
  void RenumberRows();
  void ShowTotals();
  void FocusScan(bool selectAll);
  void Fail();
  void Show(const std::u16string& text, int titleId = 0);
  bool Ask(const std::u16string& text);
  std::u16string Account() const;
  // Requests, each through platform::WaitForWork.
  bool Query(const std::string& sql, const std::vector<uint32_t>& types, std::string& reply);
  bool RunStatement(const std::string& sql);
  serverlink::ProcedureSender Sender();
  bagging::BagWeightRules WeightRules() const;
  bool MatchReferenceMask();
  bool Right(int byte, unsigned mask) const;

  CBaggingServices* app_;
  CBagRuleSet rules_;
  BagMaskGroup referenceMasks_;
  bagging::ItemCheckArgs checks_;
  bool referenceOn_ = false;
  int32_t bagId_ = 0;
  int32_t lastSavedId_ = 0;
  bool editable_ = false;
  bool deletable_ = false;
  bool ownBag_ = true;
  int bagState_ = 0;
  int32_t shareLoaded_ = 0;
  int scanKind_ = 0;
  std::u16string awb_;
  bagging::BagHeader header_;
  const BagDefinition* definition_ = nullptr;
  std::vector<bagging::BagItemRow> rows_;
  bagging::BagTotals totals_;
  std::string lastSql_;
  int settingsLoads_ = 0;

  QLineEdit* reference_ = nullptr;
  QLineEdit* scan_ = nullptr;
  // The header fields, totals lines and item grid (BagFormParts.h).
  bagform::BagHeaderControls head_;
  QPlainTextEdit* history_ = nullptr;
  QCheckBox* secondLabel_ = nullptr;
  QCheckBox* volumetricCheck_ = nullptr;
  QComboBox* scanMode_ = nullptr;
  QPushButton* go_ = nullptr;
  QLabel* referenceCaption_ = nullptr;
  CLinkLabel* consignmentCaption_ = nullptr;
  CLinkLabel* memoCaption_ = nullptr;
  CLinkLabel* scanCaption_ = nullptr;
  CLinkLabel* pickLink_ = nullptr;
  CLinkLabel* listByWaybill_ = nullptr;
  CLinkLabel* listByTransfer_ = nullptr;
  CLinkLabel* exportLink_ = nullptr;
};
