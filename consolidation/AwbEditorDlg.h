#pragma once
// CAwbEditorDlg: the master air waybill form of page 12.  It shows the
// fields of its CAwbEditor (consolidation/AwbEditor.h), reads them back
// before every operation and shows them after; the keys, the clickable
// captions and the flight look-up popup are its own.
//
// Keys: Enter moves on like Tab (the first-flight field looks the flight
// up first, hit 0; Ctrl+1 .. Ctrl+9 hits 0 .. 8), Up goes back, Down on;
// the multi-line notes keep Enter, Up and Down.  F2 and Ctrl+S save, F3 and
// Ctrl+D clear, Delete and Ctrl+G delete (with the question), Esc does
// nothing.  These keys win over the main frame's shortcuts while the form
// has the focus.

#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "consolidation/AwbEditor.h"
#include "consolidation/AwbBagServices.h"
#include "consolidation/AwbParcels.h"
#include "consolidation/AwbManifest.h"
#include "ui/SuggestPopup.h"

class CBagListDlg;
class CLinkLabel;
class CListGrid;
class CTemplateModel;
class CQuickSearchList;
class CViewHost;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QVBoxLayout;

class CAwbEditorDlg : public QWidget {
 public:
  CAwbEditorDlg(QWidget* parent, awb::EditorServices services);
  ~CAwbEditorDlg() override;

  // One-time set-up after the page created the form: airports and flights,
  // the amount edits by right, the popup, the template list, a clear form.
  void InitForm();
  void Clear();
  bool LoadAwb(std::u16string_view text);
  int SaveAwb();
  int DeleteAwb();
  // The flight look-up with a popup row (0..8): 1 when a flight was applied.
  int PickFlight(int hit);
  void SumAmounts();
  // Fills the template combo box from the server's "AWB导出" names.
  int LoadTemplateList();

  awb::CAwbEditor& Editor() { return editor_; }

  // "模板导出": the manifest of the loaded AWB (consolidation/AwbManifest.h)
  // with the template of the combo box and the special-control number.
  void ExportTemplate();
  void ExportGoodsAcross(const CTemplateModel& model, int filter);
  void ExportGoodsInRows(const CTemplateModel& model, int filter);

  // ---- Set by the page ----
  CQuickSearchList* quickList = nullptr;
  QObject* notifyWindow = nullptr;  // gets 0x47B after each load
  CViewHost* host = nullptr;
  // "附件管理...": the attachments of the loaded AWB (kind 2); the
  // application wires the attachment dialog here.
  std::function<void(QWidget* parent, const std::u16string& awbNumber)> openAttachments;
  // "模板导出": the manifest export of the loaded AWB.
  std::function<void(const std::u16string& awbNumber, const std::u16string& templateName,
                     bool openFile)> exportTemplate;
  // The supplier choice of a fee caption: the chosen supplier id or 0.
  std::function<int32_t()> chooseSupplier;

  // ---- Controls (tests drive them) ----
  QLabel* stateLabel = nullptr;
  QComboBox* airlineCombo = nullptr;
  QLabel* prefixLabel = nullptr;
  QLineEdit* numberEdit = nullptr;
  QRadioButton* importRadio = nullptr;
  QRadioButton* exportRadio = nullptr;
  QLineEdit *flightEdit = nullptr, *flightDateEdit = nullptr, *airportEdit = nullptr;
  QLineEdit *receiverEdit = nullptr, *flight2Edit = nullptr, *flightDate2Edit = nullptr;
  QLineEdit *airport2Edit = nullptr, *agentEdit = nullptr, *fromEdit = nullptr, *desEdit = nullptr;
  QLineEdit *etdEdit = nullptr, *etaEdit = nullptr, *weightEdit = nullptr, *grossEdit = nullptr;
  QLabel* pieceLabel = nullptr;
  QLineEdit *sizeEdit = nullptr, *packingEdit = nullptr, *markEdit = nullptr, *itemsEdit = nullptr;
  QComboBox* sendWayCombo = nullptr;
  QComboBox* quoteKindCombo = nullptr;
  QLineEdit *payWayEdit = nullptr, *goodsCodeEdit = nullptr, *phoneEdit = nullptr;
  QLineEdit *brokerEdit = nullptr, *goodsEdit = nullptr, *customsCodeEdit = nullptr;
  QLineEdit *transportEdit = nullptr, *tradeEdit = nullptr, *declDateEdit = nullptr;
  QLineEdit *declNoEdit = nullptr, *payNoteEdit = nullptr;
  QLineEdit *shipperNameEdit = nullptr, *shipperAddrEdit = nullptr, *shipperPhoneEdit = nullptr;
  QLineEdit* shipperPostEdit = nullptr;
  std::array<QLineEdit*, awb::kFeeCount> supplierEdits{};
  std::array<QLineEdit*, awb::kFeeCount> amountEdits{};
  std::array<CLinkLabel*, awb::kFeeCount> feeCaptions{};
  QPlainTextEdit *memoEdit = nullptr, *transNoteEdit = nullptr, *otherChargeEdit = nullptr;
  QLabel* sumLabel = nullptr;
  CLinkLabel* attachmentsCaption = nullptr;
  QComboBox* templateCombo = nullptr;
  QPushButton* exportButton = nullptr;
  QCheckBox* openFileCheck = nullptr;
  CFlightSuggestPopup* flightPopup = nullptr;
  // The captions by their action, for tests.
  CLinkLabel *flightDateCaption = nullptr, *etdCaption = nullptr, *shipperCaption = nullptr;
  CLinkLabel *weightCaption = nullptr, *goodsCaption = nullptr, *memoCaption = nullptr;
  CLinkLabel* brokerCaption = nullptr;

  // ---- Bags and parcels of the loaded AWB (consolidation/AwbEditorBags.cpp) ----
  // What the application adds (sounds, number lists, clipboard, weights,
  // rights); set by the page's owner before InitForm.
  awb::BagLoadingServices bagServices;
  // Puts one bag on the AWB by id (above 0) or by the bag-number input: the
  // new bag row, or -4 not open for bags, -3 refused by the destination
  // check, -1 refused or unanswered, -9 added but its parcels not listed.
  int AddBags(int32_t bagId, bool messages);
  void OnGo();
  // 1 when the bag may go on; 0 with its line in `lines`.
  int CheckBagDestination(int32_t bagId, std::u16string_view bagNumber, std::u16string& lines);
  void LoadParcels(std::u16string_view awbNumber);
  int AppendBagParcels(int32_t bagId);
  void AddBagsFromNumberList();
  void ShowBagListDialog();
  void TakeBagOff(int row);
  void TakeAllBagsOff();
  void ClickBagRow(int row);
  void RenameBag();
  void ResetBagOrder();
  void MarkSpecialNumber();
  void ResetSpecialOrder();
  void ChooseParcel(int row);
  void SearchParcel();
  void PullParcel();
  void CheckMultiPiece();
  const awb::ParcelSums& ParcelSumsOf() const { return parcelSums_; }

  QLineEdit *bagNumberEdit = nullptr, *specialEdit = nullptr, *parcelNoEdit = nullptr;
  QPushButton *goButton = nullptr, *renameButton = nullptr, *bagOrderButton = nullptr;
  QPushButton *specialOrderButton = nullptr, *multiPieceButton = nullptr;
  CLinkLabel *addBagsCaption = nullptr, *bagNumbersCaption = nullptr, *clearBagsCaption = nullptr;
  CLinkLabel *specialCaption = nullptr, *pullCaption = nullptr, *parcelHeading = nullptr;
  QLabel *bagHeading = nullptr, *weightSummary = nullptr;
  CListGrid *bagList = nullptr, *parcelList = nullptr;
  CBagListDlg* bagListDlg = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void Build();
  void ReadFields();
  void ShowFields();
  void ApplyFlags();
  void OnAirlineChosen(int index);
  void OnFlightEdited();
  void ShowSupplierName(int fee);
  bool IsMultiLine(QObject* w) const;
  // The caption actions.
  void PutToday(QLineEdit* edit);
  void PutPrompt(QLineEdit* edit);
  void AppendPrompt(QLineEdit* edit);
  void AppendPromptLine(QPlainTextEdit* edit);
  void PickSupplier(int fee);
  void TakeShipperOfFlight();
  void TakeParcelWeight();
  void OpenAttachments();
  std::u16string Text(int32_t id) const;

  awb::CAwbEditor editor_;
  std::string flightSearch_;  // the popup's search text (GBK, at most 31 bytes)
  std::array<bool, awb::kFeeCount> amountsEnabled_{};
  bool filling_ = false;

  // Bags and parcels.
  void BuildBagLists(QVBoxLayout* frame);
  void ClearBagLists();
  void LoadBags();
  void UpdateBagHeading();
  void UpdateParcelHeading();
  void UpdateWeightSummary();
  void AppendParcelRows(const std::vector<awb::ParcelRow>& rows);
  void StoreParcelSums();
  int BagQuery(std::string_view sql, std::span<const uint32_t> types, std::string& reply);
  int BagExecute(std::string_view sql, std::span<const uint32_t> types, std::string& reply);
  bool Ask(int32_t textId, const std::u16string& first = {}, const std::u16string& second = {},
           int32_t captionId = 20002);
  void ShowText(const std::u16string& text, int32_t captionId = 20002);
  void Sound(int index);
  bool HasBagRight(unsigned mask) const;
  std::array<int, 2> bagCounts_{};  // bags up to state 2, past it
  int32_t renameSelection_ = 0;
  int32_t pullWaybill_ = -1, pullPosition_ = -1, pullBag_ = -1;
  awb::ParcelSums parcelSums_;
  std::vector<awb::ParcelRow> parcelRows_;  // the rows of the parcel list, in list order
 public:
  // ---- The manifest export ----
  // The application's services of the export (app/AwbPageServices.cpp).
  manifest::ManifestServices manifestServices;
  // The special-control number the manifest filter asks about: the bag
  // list's 特控号 box.
  QLineEdit* specialNumberEdit = nullptr;
  // What the last export did (tests read it).
  manifest::ExportOutcome lastExport;

 private:
  manifest::ManifestForm ManifestFormValues();
};
