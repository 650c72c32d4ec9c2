#include "shell/LoginDlg.h"

#include <fstream>

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/FieldCheck.h"
#include "common/LanguageTable.h"
#include "common/WideText.h"
#include "platform/MessageBox.h"
#include "platform/QtWaitForWork.h"
#include "server/ServerLink.h"
#include "ui/LinkLabel.h"

namespace {

constexpr int kMaxFieldChars = 30;
constexpr std::uintmax_t kLastLoginFileLimit = 60;

QString Q(const std::u16string& text) { return QString::fromStdU16String(text); }

}  // namespace

int LoginRefusalText(int result) {
  switch (result) {
    case -2:
      return 110010;
    case -4:
      return 110011;
    case -5:
      return 110012;
    case -720:
      return 110013;
    default:
      return 110014;
  }
}

std::u16string ReadLastLoginAccount(const std::filesystem::path& file) {
  std::error_code error;
  std::uintmax_t size = std::filesystem::file_size(file, error);
  if (error || size >= kLastLoginFileLimit) return {};
  std::ifstream in(file, std::ios::binary);
  if (!in) return {};
  std::string bytes(static_cast<size_t>(size), '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<size_t>(in.gcount()));
  std::u16string account;
  // The first unit is the byte-order mark; the text ends at a NUL unit.
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
    char16_t unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          (static_cast<unsigned char>(bytes[i + 1]) << 8));
    if (unit == 0) break;
    account += unit;
  }
  return account;
}

bool WriteLastLoginAccount(const std::filesystem::path& file, std::u16string_view account) {
  return WriteUtf16File(account, file) == 1;
}

CLoginDlg::CLoginDlg(int startFlag, CServerLink& link, std::string programFolder,
                     QWidget* parent, LoginCheckSettings checks)
    : QDialog(parent), startFlag_(startFlag), link_(link), programFolder_(std::move(programFolder)) {
  login_ = [this](std::u16string_view account, std::u16string_view password) {
    return link_.Login(account, password, 0);
  };
  account_ = ReadLastLoginAccount(LastLoginFile());
  refreshBaseData_ = checks.refreshBaseData;
  refreshTemplates_ = checks.refreshTemplates;

  const CLanguageTable& language = AppLanguage();
  setWindowTitle(Q(language.Text(kTextLoginCaption)));

  accountLabel_ = new QLabel(Q(language.Text(kTextLoginAccount)), this);
  passwordLabel_ = new QLabel(Q(language.Text(kTextLoginPassword)), this);
  accountEdit_ = new QLineEdit(this);
  accountEdit_->setObjectName("account");
  accountEdit_->setMaxLength(kMaxFieldChars);
  passwordEdit_ = new QLineEdit(this);
  passwordEdit_->setObjectName("password");
  passwordEdit_->setMaxLength(kMaxFieldChars);
  passwordEdit_->setEchoMode(QLineEdit::Password);
  accountLabel_->setBuddy(accountEdit_);
  passwordLabel_->setBuddy(passwordEdit_);

  // The check boxes keep their fixed Chinese captions; other languages take
  // theirs from the language texts.
  const bool chinese = language.ShowsFirstTexts();
  refreshBaseBox_ = new QCheckBox(
      chinese ? QStringLiteral("同时更新基本数据") : Q(language.Text(kTextLoginRefreshBaseData)), this);
  refreshTemplatesBox_ = new QCheckBox(
      chinese ? QStringLiteral("同时更新打印模板") : Q(language.Text(kTextLoginRefreshTemplates)),
      this);
  refreshBaseBox_->setChecked(checks.refreshBaseData != 0);
  refreshBaseBox_->setEnabled(!checks.refreshBaseDataLocked);
  refreshTemplatesBox_->setChecked(checks.refreshTemplates != 0);
  refreshTemplatesBox_->setEnabled(!checks.refreshTemplatesLocked);

  okButton_ = new QPushButton(Q(language.Text(kTextLoginOk)), this);
  okButton_->setObjectName("ok");
  okButton_->setDefault(true);
  cancelButton_ = new QPushButton(Q(language.Text(kTextLoginCancel)), this);
  cancelButton_->setObjectName("cancel");
  connect(okButton_, &QPushButton::clicked, this, &CLoginDlg::accept);
  connect(cancelButton_, &QPushButton::clicked, this, &CLoginDlg::reject);

  auto* fields = new QGridLayout;
  fields->addWidget(accountLabel_, 0, 0);
  fields->addWidget(accountEdit_, 0, 1);
  fields->addWidget(passwordLabel_, 1, 0);
  fields->addWidget(passwordEdit_, 1, 1);
  fields->setColumnStretch(1, 1);

  auto* boxes = new QHBoxLayout;
  boxes->addWidget(refreshBaseBox_);
  boxes->addWidget(refreshTemplatesBox_);
  boxes->addStretch(1);

  auto* band = new CLinkLabel(this);
  band->setObjectName("band");
  band->SetBackColor(QColor(0, 0, 0));
  band->setFixedHeight(2);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(okButton_);
  buttons->addWidget(cancelButton_);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addLayout(boxes);
  layout->addWidget(band);
  layout->addLayout(buttons);
  setMinimumWidth(360);

  accountEdit_->setText(Q(account_));
  passwordEdit_->setText(Q(password_));
  setTabOrder(accountEdit_, passwordEdit_);
  setTabOrder(passwordEdit_, refreshBaseBox_);
  setTabOrder(refreshBaseBox_, refreshTemplatesBox_);
  setTabOrder(refreshTemplatesBox_, okButton_);
  setTabOrder(okButton_, cancelButton_);
  InitialFocusEdit()->setFocus();
}

std::filesystem::path CLoginDlg::LastLoginFile() const {
  return std::filesystem::path(programFolder_ + "LastLogin.txt");
}

QLineEdit* CLoginDlg::InitialFocusEdit() const {
  return account_.empty() ? accountEdit_ : passwordEdit_;
}

void CLoginDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  InitialFocusEdit()->setFocus();
}

void CLoginDlg::TakeData() {
  account_ = accountEdit_->text().toStdU16String();
  password_ = passwordEdit_->text().toStdU16String();
  refreshBaseData_ = refreshBaseBox_->isChecked() ? 1 : 0;
  refreshTemplates_ = refreshTemplatesBox_->isChecked() ? 1 : 0;
}

void CLoginDlg::accept() {
  // One login at a time (the dialog takes no input while one runs).
  if (loggingIn_) return;
  TakeData();
  const CLanguageTable& language = AppLanguage();
  std::string narrow;
  if (!CheckFieldLength(account_, narrow, 1, kMaxFieldChars,
                        language.Text(kTextLoginAccountField), false))
    return;
  if (!CheckFieldLength(password_, narrow, 0, kMaxFieldChars,
                        language.Text(kTextLoginPasswordField), false))
    return;
  // The request may take long (connection and reply time-outs): the dialog
  // keeps painting and shows the busy cursor meanwhile.
  int result = 0;
  {
    struct Busy {
      bool& flag;
      explicit Busy(bool& f) : flag(f) { flag = true; }
      ~Busy() { flag = false; }
    } busy(loggingIn_);
    result = platform::WaitForWork([this] { return login_(account_, password_); });
  }
  if (result > 0) {
    WriteLastLoginAccount(LastLoginFile(), account_);
    QDialog::accept();
    return;
  }
  platform::ShowMessageBox(language.Text(LoginRefusalText(result)), {}, platform::kMbOk);
}

bool RunLoginDialog(CServerLink& link, std::string programFolder, QWidget* parent,
                    LoginCheckSettings checks) {
  CLoginDlg dialog(1, link, std::move(programFolder), parent, checks);
  dialog.exec();
  return link.Session().loginNumber > 0;
}
