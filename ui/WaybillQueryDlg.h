#pragma once
// CWaybillQueryDlg: the modal dialog in which the operator states which
// waybill records a list shows.  The main view holds the one instance;
// every waybill list opens it through the record filter (RecordFilter.h),
// so the conditions typed for one list show again for the next.
//
// The dialog builds no SQL: it collects the conditions (its members, see
// WaybillQueryConditions), offers pickers for the service kind, tags,
// reserved text, master air waybills and bags, checks the dates on OK and
// leaves the two date bounds for the filter.  Enter moves on like Tab, so
// only a click on OK (or Space on it) confirms; Escape does not close it.
//
// The customer and destination boxes have type-ahead popups (the client
// and destination suggestion popups) over the host's client list and
// destination table: Ctrl+1..5 take a row, Enter the first, and the focus
// moves on.  Without a host (or a host without them) the boxes are plain.

#include <QColor>
#include <QDateTime>
#include <QDialog>

#include <array>
#include <functional>
#include <string>
#include <utility>

#include "ui/SuggestPopup.h"
#include "ui/WaybillQueryConditions.h"

class CLinkLabel;
class CViewHost;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class CWaybillQueryDlg : public QDialog, public WaybillQueryConditions {
  Q_OBJECT

 public:
  // host: the services of the pickers (service kinds, prompts, recent master
  // air waybills and bags, the multi-select list) and the sources of the
  // two popups (client list, destinations); null: none.  The dialog
  // is built with no parent; its conditions get their defaults.
  explicit CWaybillQueryDlg(CViewHost* host = nullptr, QWidget* parent = nullptr);

  void SetHost(CViewHost* host) { host_ = host; }
  // The clock of the date presets and of the date check (tests fix it).
  std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };

  // Opens the dialog; kIdOk when the operator confirmed with valid dates,
  // kIdCancel otherwise (the members keep what the last internal read gave).
  int DoModal();
  // What DoModal does before the dialog shows (tests drive the dialog
  // without a modal loop).
  void InitDialog();

  // Reads every box into the members; false (after the message) when a
  // number box holds no number.
  bool ReadControls();
  // Shows the members in the boxes.
  void WriteControls();

  // Picks row 0-4 of the destination popup into the destination box.
  void PickDestination(int row);
  // Picks row 0-4 of the client popup: 1 when a customer was taken (its id
  // in customerId, its name in the box).
  int PickCustomer(int row);

  // ---- the rest of the dialog's members ----
  std::array<QColor, 3> dateKindColors = {QColor(0, 128, 0), QColor(0, 0, 128),
                                          QColor(128, 0, 0)};
  std::array<std::u16string, 3> dateKindCaptions;  // texts 170001-170003
  bool updating = false;

  // ---- the controls ----
  struct Controls {
    QLineEdit* customer = nullptr;
    QLineEdit* dateFrom = nullptr;
    QLineEdit* dateTo = nullptr;
    QCheckBox* typeDocument = nullptr;
    QCheckBox* typeParcel = nullptr;
    QCheckBox* typePak = nullptr;
    QCheckBox* regionMainland = nullptr;
    QCheckBox* regionChinese = nullptr;
    QCheckBox* regionForeign = nullptr;
    QCheckBox* payUnchecked = nullptr;
    QCheckBox* payChecked = nullptr;
    QCheckBox* payMonthly = nullptr;
    QCheckBox* payCash = nullptr;
    QCheckBox* payCollect = nullptr;
    QComboBox* settlement = nullptr;
    QComboBox* recordState = nullptr;
    QLineEdit* freightFrom = nullptr;
    QLineEdit* freightTo = nullptr;
    QLineEdit* weightFrom = nullptr;
    QLineEdit* weightTo = nullptr;
    QLineEdit* pieces = nullptr;
    QLineEdit* department = nullptr;
    QLineEdit* destination = nullptr;
    QLineEdit* kind = nullptr;
    QLineEdit* tags = nullptr;
    QLineEdit* waybillNo = nullptr;
    QLineEdit* receiver = nullptr;
    QLineEdit* receiverPhone = nullptr;
    QLineEdit* sender = nullptr;
    QLineEdit* customsNo = nullptr;
    QLineEdit* transferNo = nullptr;
    QLineEdit* reserved = nullptr;
    QLineEdit* referenceNo = nullptr;
    QLineEdit* awbNumbers = nullptr;
    QLineEdit* bagNumbers = nullptr;
    CLinkLabel* dateLabel = nullptr;      // 1061: date presets
    CLinkLabel* dateKindLabel = nullptr;  // 1085: next date kind
    CLinkLabel* kindLabel = nullptr;      // 1066: service kind list
    CLinkLabel* tagsLabel = nullptr;      // 1073: common prompts
    CLinkLabel* reservedLabel = nullptr;  // 1222: common prompts
    CLinkLabel* awbLabel = nullptr;       // 1340: recent master air waybills
    CLinkLabel* bagLabel = nullptr;       // 1497: recent bags
    QPushButton* ok = nullptr;
    QPushButton* reset = nullptr;
    QPushButton* cancel = nullptr;
    // The popups under the customer box (1285) and the destination box (1023).
    CClientSuggestPopup* customerPopup = nullptr;
    CDestinationSuggestPopup* destinationPopup = nullptr;
  };
  const Controls& Ui() const { return ui_; }

  // The label clicks and buttons, as the operator's clicks run them.
  void OnDatePreset();
  void OnNextDateKind();
  void OnPickKind();
  void OnPickTags();
  void OnPickReserved();
  void OnPickAwbs();
  void OnPickBags();
  void OnReset();
  void OnOK();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildControls();
  // The plain text boxes with the member each one shows.
  std::array<std::pair<QLineEdit*, std::u16string*>, 14> TextBoxes();
  void SetCaptions();
  void RefreshDateKindLabel();
  void BuildPopups();
  // The several-items pick of master air waybills (bags = false) or bags.
  void PickSeveral(bool bags);

  CViewHost* host_ = nullptr;
  Controls ui_;
  std::vector<QLabel*> captionLabels_;
};

// Language ids of the dialog's own texts.
inline constexpr int32_t kTextWaybillQueryCaption = 170000;
inline constexpr int32_t kTextDateKindFirst = 170001;
inline constexpr int32_t kTextKindListCaption = 170010;
inline constexpr int32_t kTextNotANumber = 21150;
