#pragma once
// CWaybillDlg: the full waybill form, the entry panel of page 1.  It loads
// a waybill from the server (by waybill number, transfer number or id),
// shows every field with its sub-panes and sub-dialogs, and saves it back
// or deletes it (entry/FullFormSave.h).  It never creates a waybill.
//
// The page gives it the server link and its own window: the form tells the
// page about saves and deletes (WM_PAGE_NOTIFY with a copy of the record)
// and switches the page's save and delete commands (kWmSetCommandFlag).
// Copy-all keeps a second set of the values in the form, never on the
// system clipboard.

#include <QWidget>

#include <array>
#include <functional>
#include <cstdint>
#include <memory>
#include <string>

#include "entry/FullFormSave.h"

class CBrantleClientApp;
class IScaleSource;
class CServerLink;
class CLinkLabel;
class CExtraNumbersDlg;
class CSpareFieldsDlg;
class CSuggestEditBinding;
class CWorldCityDlg;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
struct CityChoice;
template <typename RowsT> class TSuggestPopup;
class CDestinationSuggestRows;
class CDirectorySuggestRows;
class CPlaceSuggestRows;

class CWaybillDlg : public QWidget {
 public:
  explicit CWaybillDlg(QWidget* parent = nullptr);
  ~CWaybillDlg() override;

  // The server link and the page; the application (optional) brings the
  // look-ups, the customer names, the scale and the phrases.
  void Attach(CServerLink* link, QObject* page, CBrantleClientApp* app);
  // The scale whose readings fill the weight (the application's by default).
  void SetScaleSource(IScaleSource* scale) { scale_ = scale; }
  // The live-camera window when it is shown (told about every save).
  std::function<QObject*()> captureWindow;

  int LoadRecord(int mode);
  int LoadById(int32_t id);
  void Clear(int flag);
  void CopyAll();
  void PasteAll();
  void SaveEntry();
  void Delete();
  void AttachScale();

  // Look-ups.  The destination search runs on the field's current text.
  void SearchDestination();
  void TakeDestination(int n);
  bool FillFromDirectory(int side, int n);
  void TakeGoodsSuggestion(int n);
  void ApplyWorldCity(const CityChoice& city);
  void ShowKindCoverage();
  void ShowRemoteAreas();

  void ToggleFieldLock(int n);
  void ShowSubPane(int n);
  void SummariseGoods();
  void CycleDate();
  void EditCodAmounts();
  void EditGoods();
  void EditPieces();
  // The quick scan-print station, modal over the form (nothing without the
  // application's print jobs).
  void OpenQuickScanPrint();
  // The scan station, modal over the form, telling the page of each record
  // it weighs, prints or relabels (nothing without the application).
  void OpenScanStation();
  QPushButton* ScanStationButton() const { return scanStationButton_; }
  // The pictures of the loaded waybill (uploads allowed), modal over the
  // form; nothing while no waybill is loaded.  Through `openPictures` when
  // set (waybill id, customer id), else the pictures dialog over the link.
  void OpenPictures();
  std::function<void(QWidget* parent, int32_t irid, int32_t icid)> openPictures;
  CLinkLabel* PictureLink() const { return pictureLink_; }

  // ---- what tests and the page read ----
  const FullFormValues& Values() const { return values_; }
  const FullFormState& State() const { return state_; }
  QWidget* TextBox(int text) const { return texts_[text]; }
  QLineEdit* NumberEdit(int number) const { return numbers_[number]; }
  QLineEdit* SearchBox(int mode) const { return mode == 0 ? searchNumber_ : searchTransfer_; }
  QComboBox* PayCombo() const { return payCombo_; }
  QComboBox* PayDirCombo() const { return payDirCombo_; }
  QComboBox* ClassCombo() const { return classCombo_; }
  QComboBox* ItemTypeCombo() const { return itemTypeCombo_; }
  QComboBox* CurrencyCombo() const { return currencyCombo_; }
  QLineEdit* DateEdit() const { return dateEdit_; }
  QPlainTextEdit* InfoBox() const { return info_; }
  CLinkLabel* CoverageMarker() const { return coverage_; }
  TSuggestPopup<CDestinationSuggestRows>* DestinationPopup() const { return destinationPopup_; }
  int CurrentPane() const { return pane_; }
  // Reads the controls into the values (data exchange).
  void ReadForm();
  void ShowForm();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void Build();
  QWidget* AddText(int text, int captionId, std::u16string_view caption, int maxChars,
                   bool multiLine = false);
  CLinkLabel* AddLink(int captionId, std::u16string_view caption, QColor color);
  void SetPageFlag(int type, int on);
  std::u16string TextOf(QWidget* box) const;
  void SetTextOf(QWidget* box, std::u16string_view text);
  int FieldOf(QObject* watched) const;
  bool HandleKey(QObject* watched, int key, Qt::KeyboardModifiers modifiers);
  std::u16string Today(int daysBack) const;
  void ChoosePrompt(int text, bool append);
  void PickKind();

  CServerLink* link_ = nullptr;
  QObject* page_ = nullptr;
  CBrantleClientApp* app_ = nullptr;
  std::unique_ptr<WaybillSaveLink> saveLink_;
  FullFormValues values_;
  FullFormValues copySet_;
  FullFormState state_;
  int pane_ = 1;
  int clearing_ = 0;
  int saving_ = 0;
  int zeroShown_ = 1;
  bool scaleOpen_ = false;
  IScaleSource* scale_ = nullptr;
  std::array<int, 6> locks_{};
  std::array<CLinkLabel*, 6> lockMarkers_{};
  std::array<QWidget*, kFfTextCount> texts_{};
  std::array<QLineEdit*, kFfNumberCount> numbers_{};
  QLineEdit* searchNumber_ = nullptr;
  QLineEdit* searchTransfer_ = nullptr;
  QPushButton* scanStationButton_ = nullptr;
  CLinkLabel* pictureLink_ = nullptr;
  QPlainTextEdit* info_ = nullptr;
  QLineEdit* kindEdit_ = nullptr;
  QLineEdit* dateEdit_ = nullptr;
  QComboBox* payCombo_ = nullptr;
  QComboBox* classCombo_ = nullptr;
  QComboBox* itemTypeCombo_ = nullptr;
  QComboBox* currencyCombo_ = nullptr;
  QComboBox* payDirCombo_ = nullptr;
  CLinkLabel* coverage_ = nullptr;
  std::array<CLinkLabel*, 3> paneLabels_{};
  QWidget* goodsPane_ = nullptr;
  CExtraNumbersDlg* extra_ = nullptr;
  CSpareFieldsDlg* spare_ = nullptr;
  // Look-ups (present once the application is attached).
  TSuggestPopup<CDestinationSuggestRows>* destinationPopup_ = nullptr;
  TSuggestPopup<CDirectorySuggestRows>* directoryPopup_ = nullptr;
  TSuggestPopup<CPlaceSuggestRows>* placePopup_ = nullptr;
  std::vector<CSuggestEditBinding*> bindings_;
  CWorldCityDlg* worldCity_ = nullptr;
};
