// The login dialog and the password change against the local stand-in
// server (started on a free loopback port for this suite and stopped after
// it), and the password change's handling of prepared server replies.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <fstream>
#include <memory>

#include "common/Base64.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "platform/MessageBox.h"
#include "server/ServerLink.h"
#include "shell/LoginDlg.h"
#include "shell/MainFrame.h"
#include "shell/PasswordChange.h"
#include "shell/PasswordChangeDlg.h"
#include "shell/ScreenLockDlg.h"
#include "tests/server/ScriptedServer.h"
#include "tests/server/StandInServer.h"
#include "tests/shell/StandInSuite.h"
#include "tests/shell/ShellTestSupport.h"

namespace {

namespace fs = std::filesystem;
using shelltest::TempFolder;

std::string ConfigText(int port) { return shelltest::StandInConfigText(port, "PC-SHELL"); }

class StandInTest : public shelltest::StandInSuite {
 protected:
  void SetUp() override {
    StandInSuite::SetUp();
    if (HasFatalFailure()) return;
    std::ofstream(folder_.Path() / "ZizTolvane.ini", std::ios::binary)
        << ConfigText(server_->Port());
    ASSERT_EQ(1, link_.Init(folder_.Folder()));
    shelltest::LoadProgramLanguage("00");
  }
  // A second link, as another start of the program.
  int LoginAgain(std::u16string_view account, std::u16string_view password) {
    CServerLink other;
    other.Init(folder_.Folder());
    return other.Login(account, password, 0);
  }

  TempFolder folder_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
  CServerLink link_;
};


CLoginDlg* OpenLoginDialog() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (auto* dialog = qobject_cast<CLoginDlg*>(widget); dialog && dialog->isVisible())
      return dialog;
  return nullptr;
}

TEST_F(StandInTest, LoginDialogUntilTheServerAcceptsTheAccount) {
  const struct {
    const char16_t* account;
    const char16_t* password;
    int text;  // 0: accepted
  } attempts[] = {
      {u"nobody", u"x", 110010},
      {u"admin", u"wrong", 110011},
      {u"stop", u"stop123", 110012},
      {u" admin ", u" admin123 ", 0},
  };
  bool driven = false;
  QTimer::singleShot(0, [&] {
    CLoginDlg* dialog = OpenLoginDialog();
    ASSERT_NE(nullptr, dialog);
    EXPECT_TRUE(dialog->isModal());
    for (const auto& attempt : attempts) {
      boxes_.Clear();
      dialog->AccountEdit()->setText(QString::fromStdU16String(attempt.account));
      dialog->PasswordEdit()->setText(QString::fromStdU16String(attempt.password));
      dialog->OkButton()->click();
      if (attempt.text != 0) {
        ASSERT_EQ(1u, boxes_.Count());
        EXPECT_EQ(AppLanguage().Text(attempt.text), boxes_.LastText());
        EXPECT_TRUE(dialog->isVisible());
      } else {
        EXPECT_EQ(0u, boxes_.Count()) << QString::fromStdU16String(boxes_.LastText()).toStdString();
      }
    }
    driven = true;
  });
  EXPECT_TRUE(RunLoginDialog(link_, folder_.Folder()));
  EXPECT_TRUE(driven);
  EXPECT_TRUE(link_.LoggedIn());
  EXPECT_EQ(u"admin", link_.account);
  EXPECT_EQ(u"admin123", link_.password);
  EXPECT_EQ(u"admin", ReadLastLoginAccount(folder_.Path() / "LastLogin.txt"));
}

TEST_F(StandInTest, CancelledLoginReturnsFalse) {
  QTimer::singleShot(0, [] {
    if (CLoginDlg* dialog = OpenLoginDialog()) dialog->CancelButton()->click();
  });
  EXPECT_FALSE(RunLoginDialog(link_, folder_.Folder()));
  EXPECT_FALSE(fs::exists(folder_.Path() / "LastLogin.txt"));
}

TEST_F(StandInTest, ChangedPasswordIsTheOneTheLoginTakes) {
  ASSERT_GT(link_.Login(u"zhang", u"zhang123", 0), 0);
  CMainFrame frame(link_);
  frame.Timer().stop();
  frame.SetModalRunner([](QDialog& dialog) {
    auto* change = qobject_cast<CPasswordChangeDlg*>(&dialog);
    if (!change) return 0;
    change->NewPasswordEdit()->setText(QStringLiteral(" it's密码1 "));
    change->RepeatedPasswordEdit()->setText(QStringLiteral(" it's密码1 "));
    change->OkButton()->click();
    return change->result();
  });
  frame.ExecuteCommand(kCmdChangePassword);
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ(AppLanguage().Text(kTextPasswordChanged), boxes_.LastText());
  EXPECT_EQ(u"it's密码1", link_.password);
  EXPECT_GT(LoginAgain(u"zhang", u"it's密码1"), 0);
  EXPECT_EQ(-4, LoginAgain(u"zhang", u"zhang123"));

  // The screen lock opens with the new password.
  CScreenLockDlg& lock = frame.ScreenLockDialog();
  lock.show();
  lock.PasswordEdit()->setText(QStringLiteral("it's密码1"));
  lock.UnlockButton()->click();
  EXPECT_EQ(kLockUnlocked, lock.result());

  // Passwords of every shape come back to the server as typed.
  const std::u16string passwords[] = {
      u"a", u"ab", u"'", u"''x''", u"{)}'; --", std::u16string(15, u'码'),
      u"abcdefghijklmnopqrstuvwxyz0123", u"密码 with blanks", u"\u00e9t\u00e9",
  };
  for (const std::u16string& password : passwords) {
    boxes_.Clear();
    EXPECT_TRUE(ChangePasswordOnServer(link_, password));
    EXPECT_EQ(AppLanguage().Text(kTextPasswordChanged), boxes_.LastText());
    EXPECT_GT(LoginAgain(u"zhang", password), 0) << QString::fromStdU16String(password).toStdString();
  }
  // Refused before sending: too long, or not GBK.
  boxes_.Clear();
  EXPECT_FALSE(ChangePasswordOnServer(link_, std::u16string(16, u'码')));
  EXPECT_EQ(AppLanguage().Text(kTextPasswordLength), boxes_.LastText());
  EXPECT_FALSE(ChangePasswordOnServer(link_, u"ab\U0001F600cd"));
  EXPECT_EQ(AppLanguage().Text(kTextPasswordNoGbk), boxes_.LastText());
  EXPECT_GT(LoginAgain(u"zhang", passwords[std::size(passwords) - 1]), 0);
}

// ---- prepared replies ----

class ScriptedChangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    shelltest::LoadProgramLanguage("00");
    ASSERT_TRUE(link_.ReadConfiguration(ConfigText(server_.Port())));
    server_.QueueJson(
        "{\"ReturnValue\":7,\"cUserName\":\"zhang\",\"iLogID\":5,"
        "\"xEncrypt\":\"0102030405060708090A0B0C0D0E0F10\"}");
    ASSERT_EQ(7, link_.Login(u"o'neil", u"old", 0));
  }
  std::string SentSql() const {
    std::string sql = JsonGetString("xSql", server_.LastBody(), 1 << 20);
    if (Base64Decode(sql) < 0) return {};
    for (size_t i = 0; i < sql.size(); ++i)
      sql[i] = static_cast<char>(sql[i] ^ link_.sessionKey[i % 16]);
    return sql;
  }

  ScriptedServer server_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
  CServerLink link_;
};

TEST_F(ScriptedChangeTest, AnswersOfTheServer) {
  const struct {
    const char* reply;
    std::u16string message;
    bool changed;
  } cases[] = {
      {"{\"ReturnValue\":1,\"iTotal\":1,\"List\":[{\"0\":-2}]}", AppLanguage().Text(480023), false},
      {"{\"ReturnValue\":1,\"iTotal\":1,\"List\":[{\"0\":-3}]}",
       AppLanguage().TextWithNumber(20023, -3), false},
      {"{\"ReturnValue\":1,\"iTotal\":0}", AppLanguage().TextWithNumber(20023, 1), false},
      {"{\"ReturnValue\":-406}", AppLanguage().TextWithNumber(20023, -406), false},
      {"{\"ReturnValue\":1,\"iTotal\":1,\"List\":[{\"0\":0}]}", AppLanguage().Text(480024), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reply);
    boxes_.Clear();
    server_.QueueJson(c.reply);
    EXPECT_EQ(c.changed, ChangePasswordOnServer(link_, u"new'pw1"));
    ASSERT_EQ(1u, boxes_.Count());
    EXPECT_EQ(c.message, boxes_.LastText());
    EXPECT_EQ(c.changed ? u"new'pw1" : u"old", link_.password);
  }
  std::string sql = SentSql();
  const std::string head = "{?=CALL brantle.dbo.cp_man_main_mod_password('o''neil','";
  EXPECT_EQ(head, sql.substr(0, head.size()));
  size_t hex = sql.find("','',0x");
  ASSERT_NE(std::string::npos, hex);
  EXPECT_EQ(hex + 7 + 128 + 2, sql.size());
  EXPECT_EQ(")}", sql.substr(sql.size() - 2));
  EXPECT_NE(std::string::npos, server_.LastBody().find("\"acsType\":[4293918720]"));
}

TEST_F(ScriptedChangeTest, FailedRequestIsNotTakenForTheLastAnswer) {
  server_.QueueJson("{\"ReturnValue\":1,\"iTotal\":1,\"List\":[{\"0\":0}]}");
  ASSERT_TRUE(ChangePasswordOnServer(link_, u"first1"));
  // Nothing listens on the next port any more: the transport fails.
  link_.port = [] {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return static_cast<int>(ntohs(addr.sin_port));
  }();
  boxes_.Clear();
  EXPECT_FALSE(ChangePasswordOnServer(link_, u"second2"));
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_NE(AppLanguage().Text(480024), boxes_.LastText());
  EXPECT_EQ(AppLanguage().TextWithNumber(20023, link_.lastReturnValue), boxes_.LastText());
  EXPECT_LT(link_.lastReturnValue, 0);
  EXPECT_EQ(u"first1", link_.password);
}

}  // namespace
