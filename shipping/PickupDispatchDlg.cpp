#include "shipping/PickupDispatchDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "platform/MessageBox.h"
#include "platform/QtText.h"
#include "platform/QtWaitForWork.h"
#include "server/ServerLink.h"
#include "shell/CourierMessages.h"
#include "shipping/CourierMessageDlg.h"

namespace {

QString T(int32_t id) { return platform::ToQString(AppLanguage().Text(id)); }
std::u16string Box(const QLineEdit* box) { return box->text().toStdU16String(); }

}  // namespace

CPickupDispatchDlg::CPickupDispatchDlg(uint32_t iid, PickupServices services, QWidget* parent)
    : QDialog(parent), iid_(iid), services_(std::move(services)) {
  setWindowTitle(T(520000));
  auto edit = [](int limit) {
    auto* box = new QLineEdit;
    box->setMaxLength(limit);
    return box;
  };
  titleLabel = new QLabel;
  customerBox = edit(63);
  accountBox = edit(30);
  departmentBox = edit(30);
  takerBox = edit(30);
  remarkBox = edit(254);
  senderBox = edit(30);
  senderPhoneBox = edit(22);
  senderAddressBox = edit(126);
  receiverBox = edit(63);
  receiverPhoneBox = edit(63);
  receiverAddressBox = edit(255);
  informationBox = new QPlainTextEdit;
  informationBox->setReadOnly(true);
  informationBox->setMaximumHeight(80);
  for (QLineEdit* b : {customerBox, accountBox, departmentBox, receiverBox, receiverPhoneBox,
                       receiverAddressBox})
    b->setReadOnly(true);
  notifyCustomerButton = new QPushButton(QStringLiteral("C"));
  notifyCustomerButton->setToolTip(T(22701));
  notifyCourierButton = new QPushButton(QStringLiteral("C"));
  notifyCourierButton->setToolTip(T(22702));
  notifyCustomerButton->hide();
  notifyCourierButton->hide();

  auto* grid = new QGridLayout;
  int row = 0;
  grid->addWidget(titleLabel, row++, 0, 1, 4);
  grid->addWidget(new QLabel(T(520010)), row, 0);
  grid->addWidget(customerBox, row, 1);
  grid->addWidget(notifyCustomerButton, row, 2);
  grid->addWidget(new QLabel(T(520011)), row, 3);
  grid->addWidget(accountBox, row++, 4);
  grid->addWidget(new QLabel(T(520012)), row, 0);
  grid->addWidget(departmentBox, row, 1);
  grid->addWidget(new QLabel(T(520013)), row, 3);
  grid->addWidget(takerBox, row, 4);
  grid->addWidget(notifyCourierButton, row++, 5);
  grid->addWidget(new QLabel(T(520014)), row, 0);
  grid->addWidget(remarkBox, row++, 1, 1, 4);
  grid->addWidget(new QLabel(T(520015)), row, 0);
  grid->addWidget(senderBox, row, 1);
  grid->addWidget(new QLabel(T(520016)), row, 3);
  grid->addWidget(senderPhoneBox, row++, 4);
  grid->addWidget(new QLabel(T(520017)), row, 0);
  grid->addWidget(senderAddressBox, row++, 1, 1, 4);
  grid->addWidget(new QLabel(T(520018)), row, 0);
  grid->addWidget(receiverBox, row, 1);
  grid->addWidget(new QLabel(T(520016)), row, 3);
  grid->addWidget(receiverPhoneBox, row++, 4);
  grid->addWidget(new QLabel(T(520017)), row, 0);
  grid->addWidget(receiverAddressBox, row++, 1, 1, 4);
  grid->addWidget(new QLabel(T(520019)), row, 0);
  grid->addWidget(informationBox, row++, 1, 1, 4);

  arrangeButton = new QPushButton(T(520020));
  cancelPickupButton = new QPushButton(T(520021));
  closeButton = new QPushButton(T(520022));
  arrangeButton->setAutoDefault(false);
  cancelPickupButton->setAutoDefault(false);
  closeButton->setAutoDefault(false);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(arrangeButton);
  buttons->addWidget(cancelPickupButton);
  buttons->addWidget(closeButton);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);
  connect(arrangeButton, &QPushButton::clicked, this, [this] { OnArrange(); });
  connect(cancelPickupButton, &QPushButton::clicked, this, [this] { OnCancelPickup(); });
  connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(notifyCustomerButton, &QPushButton::clicked, this, [this] { OnNotifyCustomer(); });
  connect(notifyCourierButton, &QPushButton::clicked, this, [this] { OnNotifyCourier(); });

  connect(takerBox, &QLineEdit::editingFinished, this, [this] { LookUpCourier(); });
  for (QLineEdit* b : {takerBox, senderBox, senderPhoneBox, remarkBox, senderAddressBox})
    b->installEventFilter(this);
  resize(640, 420);
  // The taker's suggestions: the program's name popup over the staff of
  // mode A, searched by account or name (30 characters); Ctrl+1..5 take a
  // row, Enter the first, and the focus moves on.  Bound after the keys
  // above so that it sees Enter first.
  takerPopup = new CNameSuggestPopup(this, services_.staff);
  takerPopup->setGeometry(89, 94, 200, 80);
  auto* binding = new CSuggestEditBinding(takerBox, takerPopup, 30);
  binding->onPick = [this](int) { LookUpCourier(); };
}

bool CPickupDispatchDlg::Load() {
  CServerLink* link = services_.link;
  std::string reply;
  if (link != nullptr) {
    const std::string sql = pickup::OrderSql(iid_);
    platform::WaitForWork([&] { return link->SqlQuery(sql, pickup::OrderTypes(), &reply); });
  }
  if (!pickup::ReadOrder(reply, iid_, order)) {
    platform::ShowMessageBox(AppLanguage().Text(360062), {}, platform::kMbOk | platform::kMbIconWarning);
    arrangeButton->setEnabled(false);
    cancelPickupButton->setEnabled(false);
    return false;
  }
  titleLabel->setText(QStringLiteral("*%1[%2] %3")
                          .arg(order.iid)
                          .arg(platform::ToQString(order.number), platform::ToQString(order.date)));
  customerBox->setText(platform::ToQString(order.customer));
  accountBox->setText(platform::ToQString(order.account));
  departmentBox->setText(platform::ToQString(order.department));
  takerBox->setText(platform::ToQString(order.taker));
  remarkBox->setText(platform::ToQString(order.remark));
  senderBox->setText(platform::ToQString(order.sender));
  senderPhoneBox->setText(platform::ToQString(order.senderPhone));
  senderAddressBox->setText(platform::ToQString(order.senderAddress));
  receiverBox->setText(platform::ToQString(order.receiver));
  receiverPhoneBox->setText(platform::ToQString(order.receiverPhone));
  receiverAddressBox->setText(platform::ToQString(order.receiverAddress));
  informationBox->setPlainText(platform::ToQString(pickup::InformationText(order, AppLanguage())));
  arrangeButton->setEnabled(order.irid == 0);
  cancelPickupButton->setEnabled(order.irid == 0 && !order.taker.empty());
  customerMessengerId = GbkFromWide(order.messengerId);
  LookUpCourier();
  return true;
}

void CPickupDispatchDlg::LookUpCourier() {
  const CWeChatMessages* m = services_.messages;
  const bool notices = m != nullptr && m->FindDefinition(kCustomerNoticeKind) != nullptr;
  const std::u16string taker = Box(takerBox);
  courierMessengerId = !taker.empty() && services_.staffMessageId ? services_.staffMessageId(taker) : "";
  notifyCustomerButton->setVisible(notices && m->IsValidOpenId(customerMessengerId));
  notifyCourierButton->setVisible(notices && m->IsValidOpenId(courierMessengerId));
}

void CPickupDispatchDlg::TakeFields() {
  order.taker = Box(takerBox);
  order.remark = Box(remarkBox);
  order.sender = Box(senderBox);
  order.senderPhone = Box(senderPhoneBox);
  order.senderAddress = Box(senderAddressBox);
}

void CPickupDispatchDlg::OnArrange() {
  if (!arrangeButton->isEnabled()) return;
  TakeFields();
  std::u16string taker = order.taker;
  TrimW(taker);
  if (taker.empty()) {
    platform::ShowMessageBox(AppLanguage().Text(520030), {}, platform::kMbOk | platform::kMbIconWarning);
    takerBox->setFocus();
    return;
  }
  order.taker = taker;
  if (Save(taker)) accept();
}

void CPickupDispatchDlg::OnCancelPickup() {
  if (!cancelPickupButton->isEnabled()) return;
  TakeFields();
  if (Save(std::u16string())) accept();
}

std::string CPickupDispatchDlg::NowText() const {
  const QDateTime now = services_.now ? services_.now() : QDateTime::currentDateTime();
  return pickup::NoticeTime(now.date().month(), now.date().day(), now.time().hour(), now.time().minute());
}

bool CPickupDispatchDlg::Save(const std::u16string& taker) {
  CServerLink* link = services_.link;
  if (link == nullptr) return false;
  const std::string sql = pickup::MarshalSql(order.iid, taker, services_.userName, order.remark,
                                             order.sender, order.senderAddress, order.senderPhone);
  static const uint32_t kTypes[] = {AcsTypeEntry(kSqlCSLong)};
  std::string reply;
  const int length = platform::WaitForWork([&] { return link->SqlExecute(sql, kTypes, &reply); });
  int result = -1;
  bool listed = false;
  if (length > 0 && link->lastReturnValue == 1 && reply.find("\"List\":") != std::string::npos) {
    std::string_view list = JsonListBody(reply, "List");
    size_t pos = 0;
    std::string_view row;
    if (JsonNextObject(list, pos, row)) {
      listed = true;
      result = JsonGetInt("0", row, -1);
    }
  }
  if (!listed || result < 0) {
    const int32_t text = result == -2 ? 520033 : result == -4 ? 520034 : 0;
    platform::ShowMessageBox(text != 0 ? AppLanguage().Text(text) : link->LastErrorText(), {},
                             platform::kMbOk | platform::kMbIconWarning);
    return false;
  }
  // The assigned courier hears of it.
  LookUpCourier();
  const CWeChatMessages* m = services_.messages;
  if (!taker.empty() && m != nullptr && m->FindDefinition(kPickupDispatchKind) != nullptr &&
      m->IsValidOpenId(courierMessengerId)) {
    CourierMessage message;
    message.kind = kPickupDispatchKind;
    message.sender = services_.userName;
    message.openId = courierMessengerId;
    message.fields = pickup::DispatchFields(order, services_.userName, NowText());
    Send(message);
  }
  return true;
}

int CPickupDispatchDlg::Send(const CourierMessage& message) {
  CServerLink* link = services_.link;
  if (link == nullptr) return -9;
  // Only a recipient the OpenID rule accepts is ever queued.
  if (services_.messages == nullptr || !services_.messages->IsValidOpenId(message.openId)) return -9;
  CWeChatSender sender(0, services_.messages, 0x100000);
  return platform::WaitForWork([&] { return sender.Submit(*link, message); });
}

bool CPickupDispatchDlg::RunEditor(CWeChatSendDlg& editor) {
  if (services_.runEditor) return services_.runEditor(editor);
  return editor.exec() == QDialog::Accepted;
}

void CPickupDispatchDlg::OnNotifyCustomer() {
  const CWeChatMessages* m = services_.messages;
  if (order.icid <= 0 || m == nullptr || !m->IsValidOpenId(customerMessengerId)) return;
  CWeChatSendDlg editor(0, WideFromGbk(customerMessengerId), order.account, order.customer, this,
                        m->FindDefinition(kCustomerNoticeKind));
  if (!RunEditor(editor)) return;
  CourierMessage message;
  message.customerId = order.icid;
  message.kind = kCustomerNoticeKind;
  message.sender = services_.userName;
  message.openId = customerMessengerId;
  std::string url = GbkFromWide(editor.url);
  message.url = GbkTruncate(url, 254);
  message.fields = pickup::NoticeFields(NowText(), editor.description, editor.status, order.account,
                                        order.customer);
  const int result = Send(message);
  platform::ShowMessageBox(AppLanguage().Text(result == 0 ? 22706 : 22700), {},
                           platform::kMbOk | (result == 0 ? platform::kMbIconInformation : platform::kMbIconWarning));
}

void CPickupDispatchDlg::OnNotifyCourier() {
  const CWeChatMessages* m = services_.messages;
  const std::u16string name = Box(takerBox);
  const std::string account = services_.staffAccount ? services_.staffAccount(name) : "";
  LookUpCourier();
  if (account.empty() || m == nullptr || !m->IsValidOpenId(courierMessengerId)) return;
  CWeChatSendDlg editor(0, WideFromGbk(courierMessengerId), WideFromGbk(account), name, this,
                        m->FindDefinition(kCustomerNoticeKind));
  if (!RunEditor(editor)) return;
  CourierMessage message;
  message.kind = kCustomerNoticeKind;
  message.sender = services_.userName;
  message.openId = courierMessengerId;
  std::string url = GbkFromWide(editor.url);
  message.url = GbkTruncate(url, 254);
  message.fields =
      pickup::NoticeFields(NowText(), editor.description, editor.status, WideFromGbk(account), name);
  const int result = Send(message);
  platform::ShowMessageBox(AppLanguage().Text(result == 0 ? 22706 : 22700), {},
                           platform::kMbOk | (result == 0 ? platform::kMbIconInformation : platform::kMbIconWarning));
}

bool CPickupDispatchDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (enter && (key->modifiers() & Qt::ControlModifier)) {
      accept();  // ends the dialog with OK; nothing is saved
      return true;
    }
    if (enter) {
      focusNextChild();
      return true;
    }
    if (key->key() == Qt::Key_Up) {
      focusPreviousChild();
      return true;
    }
    if (key->key() == Qt::Key_Down) {
      focusNextChild();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}
