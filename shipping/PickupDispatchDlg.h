#pragma once
// CPickupDispatchDlg: one pre-input pickup order ("预录取件调度信息管理").  The
// dispatcher assigns a courier (the taker) with a remark, or cancels the
// pickup; the server records it with cp_rec_pre_input_set_marshal, and the
// assigned courier gets a messenger notice when messaging is configured.
// From here a free notice can also go to the customer or the courier
// (written in the messenger editor, CWeChatSendDlg).
//
// What the dialog needs of the program comes in PickupServices, which the
// page fills from the application.

#include <QDateTime>
#include <QDialog>

#include <functional>
#include <string>
#include <vector>

#include "refdata/UserEnvironment.h"
#include "shipping/PickupDispatch.h"
#include "ui/SuggestPopup.h"

class CServerLink;
class CWeChatMessages;
class CWeChatSendDlg;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
struct CourierMessage;

struct PickupServices {
  CServerLink* link = nullptr;
  const CWeChatMessages* messages = nullptr;
  // A staff member's messenger id and account by name (empty when none).
  std::function<std::string(std::u16string_view name)> staffMessageId;
  std::function<std::string(std::u16string_view name)> staffAccount;
  std::vector<std::u16string> staffNames;
  // The staff table the taker suggestions search (mode A only).
  std::vector<StaffEntry> staff;
  std::string userName;  // GBK
  std::string station;   // GBK, empty: every station
  std::function<QDateTime()> now;
  // Runs the messenger editor modally (exec when not set); true on OK.
  std::function<bool(CWeChatSendDlg&)> runEditor;
};

class CPickupDispatchDlg : public QDialog {
  Q_OBJECT

 public:
  CPickupDispatchDlg(uint32_t iid, PickupServices services, QWidget* parent = nullptr);

  // Loads the order (text 360062 when it is not found); false then.
  bool Load();

  // Button 1580: assigns the courier typed; 1579: cancels the pickup.
  void OnArrange();
  void OnCancelPickup();
  // Buttons 1016 and 1571: a notice to the customer or the courier.
  void OnNotifyCustomer();
  void OnNotifyCourier();

  pickup::PickupOrder order;
  std::string customerMessengerId;
  std::string courierMessengerId;

  QLabel* titleLabel = nullptr;            // 1061
  QLineEdit* customerBox = nullptr;        // 1285
  QLineEdit* accountBox = nullptr;         // 1264
  QLineEdit* departmentBox = nullptr;      // 1059
  QLineEdit* takerBox = nullptr;           // 1577
  QLineEdit* remarkBox = nullptr;          // 1572
  QLineEdit* senderBox = nullptr;          // 1573
  QLineEdit* senderPhoneBox = nullptr;     // 1575
  QLineEdit* senderAddressBox = nullptr;   // 1574
  QLineEdit* receiverBox = nullptr;        // 1576
  QLineEdit* receiverPhoneBox = nullptr;   // 1101
  QLineEdit* receiverAddressBox = nullptr; // 1578
  QPlainTextEdit* informationBox = nullptr;  // 1065
  QPushButton* arrangeButton = nullptr;    // 1580
  QPushButton* cancelPickupButton = nullptr;  // 1579
  QPushButton* closeButton = nullptr;      // 2
  QPushButton* notifyCustomerButton = nullptr;  // 1016
  QPushButton* notifyCourierButton = nullptr;   // 1571
  CNameSuggestPopup* takerPopup = nullptr;      // dialog 200, the taker's suggestions

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void TakeFields();
  bool Save(const std::u16string& taker);
  void LookUpCourier();
  // Queues a notice through the server; the procedure's result.
  int Send(const CourierMessage& message);
  bool RunEditor(CWeChatSendDlg& editor);
  std::string NowText() const;

  uint32_t iid_;
  PickupServices services_;
};
