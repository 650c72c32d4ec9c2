#pragma once
// The login dialog: account and password, checked and sent to the server
// until a login succeeds or the operator cancels.  The login request runs
// through platform::WaitForWork: the dialog keeps painting while it waits.  The account of the last
// successful login is kept in "<program folder>LastLogin.txt" (UTF-16LE with
// a byte-order mark) and offered next time.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include <QDialog>

class CServerLink;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Language texts of the login.
inline constexpr int kTextLoginCaption = 110000;
inline constexpr int kTextLoginAccount = 110001;
inline constexpr int kTextLoginPassword = 110002;
inline constexpr int kTextLoginOk = 110003;
inline constexpr int kTextLoginCancel = 110004;
inline constexpr int kTextLoginAccountField = 110005;
inline constexpr int kTextLoginPasswordField = 110006;
inline constexpr int kTextLoginRefreshBaseData = 650000;
inline constexpr int kTextLoginRefreshTemplates = 650001;

// The two check boxes of the dialog: their initial state and whether the
// settings lock them (disabled).
struct LoginCheckSettings {
  int refreshBaseData = 0;
  bool refreshBaseDataLocked = false;
  int refreshTemplates = 0;
  bool refreshTemplatesLocked = false;
};

// The language text shown for a refused login (a result of 0 or below).
int LoginRefusalText(int result);

// The account kept in the last-login file: the text after the byte-order
// mark of a file shorter than 60 bytes; empty for a missing or longer file.
std::u16string ReadLastLoginAccount(const std::filesystem::path& file);
// Writes the file anew; false when it cannot be written.
bool WriteLastLoginAccount(const std::filesystem::path& file, std::u16string_view account);

class CLoginDlg : public QDialog {
  Q_OBJECT

 public:
  // Sends one login; returns the login number (above 0) or the refusal.
  using LoginFunction =
      std::function<int(std::u16string_view account, std::u16string_view password)>;

  // `programFolder` ends in its separator.  The login goes to the link
  // (CServerLink::Login, which keeps account and password for the silent
  // re-login).
  CLoginDlg(int startFlag, CServerLink& link, std::string programFolder,
            QWidget* parent = nullptr, LoginCheckSettings checks = {});

  // Replaces the login request (tests).  The request runs on a worker
  // thread while the dialog waits for it (platform::WaitForWork).
  void SetLoginFunction(LoginFunction login) { login_ = std::move(login); }

  int StartFlag() const { return startFlag_; }
  const std::u16string& Account() const { return account_; }
  const std::u16string& Password() const { return password_; }
  int RefreshBaseData() const { return refreshBaseData_; }
  int RefreshTemplates() const { return refreshTemplates_; }
  std::filesystem::path LastLoginFile() const;

  QLineEdit* AccountEdit() const { return accountEdit_; }
  QLineEdit* PasswordEdit() const { return passwordEdit_; }
  QPushButton* OkButton() const { return okButton_; }
  QPushButton* CancelButton() const { return cancelButton_; }
  QCheckBox* RefreshBaseDataBox() const { return refreshBaseBox_; }
  QCheckBox* RefreshTemplatesBox() const { return refreshTemplatesBox_; }
  // The edit that takes the focus when the dialog opens.
  QLineEdit* InitialFocusEdit() const;

 public slots:
  // OK or Enter: check the fields, send the login, close on success.
  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void TakeData();

  int startFlag_;
  CServerLink& link_;
  std::string programFolder_;
  LoginFunction login_;
  std::u16string account_;
  std::u16string password_;
  int refreshBaseData_ = 0;
  int refreshTemplates_ = 0;
  bool loggingIn_ = false;

  QLabel* accountLabel_ = nullptr;
  QLabel* passwordLabel_ = nullptr;
  QLineEdit* accountEdit_ = nullptr;
  QLineEdit* passwordEdit_ = nullptr;
  QCheckBox* refreshBaseBox_ = nullptr;
  QCheckBox* refreshTemplatesBox_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
};

// Runs the login dialog modally; true when the link holds a login afterwards.
bool RunLoginDialog(CServerLink& link, std::string programFolder, QWidget* parent = nullptr,
                    LoginCheckSettings checks = {});
