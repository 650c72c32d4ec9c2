#pragma once
// CJapanAddressDlg: finds a Japanese address for a waybill form, by typing
// its postcode (Enter) or by browsing the prefecture, city and postcode
// lists of the postcode book, shown in Japanese or romanised.  On OK it
// posts kJapanAddressPicked to its owner: wParam the chosen postcode entry
// (as an int; -1 when none was chosen), lParam the language the address is
// wanted in (0 English, 1 Japanese).  The owner then formats the address
// with CJapanPostcodeBook::FormatAddress.  An owner that is gone by then
// gets nothing.
//
// A form creates the dialog once, modeless, and shows it again later: OK
// and Cancel only hide it, with its lists and choices kept.

#include <QDialog>
#include <QPointer>

#include "platform/QtMessages.h"
#include "refdata/JapanAddressModel.h"

class CJapanPostcodeBook;
class CLinkLabel;
class CListGrid;
class QLabel;
class QLineEdit;
class QPushButton;

// The dialog's answer to its owner.
inline constexpr int kJapanAddressPicked = platform::kWmUser + 114;

class CJapanAddressDlg : public QDialog {
  Q_OBJECT

 public:
  // `book` may be null (its file did not load): the lists stay empty.
  explicit CJapanAddressDlg(const CJapanPostcodeBook* book, QWidget* parent = nullptr);

  // The window that receives the answer; set before the dialog is shown.
  void SetOwner(QObject* owner) { owner_ = owner; }
  // The language of the address the owner wants: 0 English, 1 Japanese.
  void SetReturnLanguage(int flag);

  // Fills the lists and labels; the form calls it once after creating the
  // dialog, before showing it at (540, 75) in 540 x 640 pixels.
  void InitDialog();

  CJapanAddressModel& Model() { return model_; }
  QLineEdit* PostcodeEdit() const { return postcodeEdit_; }
  QPushButton* ClearButton() const { return clearButton_; }
  CLinkLabel* DisplayLanguageLabel() const { return displayLabel_; }
  CLinkLabel* ReturnLanguageLabel() const { return returnLabel_; }
  QPushButton* OkButton() const { return okButton_; }
  QPushButton* CancelButton() const { return cancelButton_; }
  CListGrid* Prefectures() const { return prefectures_; }
  CListGrid* Cities() const { return cities_; }
  CListGrid* Postcodes() const { return postcodes_; }

  // Row colours of the postcodes equal to the one searched.
  static constexpr uint32_t kFoundTextColor = 0x008000;  // RGB(0, 128, 0)

 public slots:
  void OnOK();
  void OnCancel();

 protected:
  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void FillPrefectures();
  void FillCities();
  void FillPostcodes();
  void ShowReturnLanguage();
  void OnPrefectureClicked(int row);
  void OnCityClicked(int row);
  void OnPostcodeClicked(int row);
  void OnDisplayLanguage();
  void OnReturnLanguage();
  void OnClear();
  void Search();
  void NotFound();

  CJapanAddressModel model_;
  QPointer<QObject> owner_;

  QLabel* searchLabel_;
  QLineEdit* postcodeEdit_;
  QPushButton* clearButton_;
  CLinkLabel* displayLabel_;
  CLinkLabel* returnLabel_;
  QPushButton* okButton_;
  QPushButton* cancelButton_;
  CListGrid* prefectures_;
  CListGrid* cities_;
  CListGrid* postcodes_;
};
