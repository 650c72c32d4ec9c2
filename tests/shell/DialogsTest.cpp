// The screen-lock and password-change dialogs and the checks of a new
// password.

#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "common/LanguageTable.h"
#include "common/PasswordScramble.h"
#include "platform/MessageBox.h"
#include "server/ServerLink.h"
#include "shell/AboutDlg.h"
#include "shell/PasswordChange.h"
#include "shell/PasswordChangeDlg.h"
#include "shell/ScreenLockDlg.h"
#include "tests/shell/ShellTestSupport.h"

namespace {

class DialogsTest : public ::testing::Test {
 protected:
  void SetUp() override { shelltest::LoadProgramLanguage("00"); }
  std::u16string T(int id) const { return AppLanguage().Text(id); }

  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
};

// ---- screen lock ----

TEST_F(DialogsTest, LockOpensOnlyWithTheExactPassword) {
  CServerLink link;
  link.userNameW = u"张三";
  link.account = u"zhang";
  link.password = u"Secret1";
  CScreenLockDlg dialog(link);
  EXPECT_EQ(T(490020), dialog.BannerText());
  EXPECT_EQ(QString::fromStdU16String(T(490000)), dialog.windowTitle());
  dialog.PasswordEdit()->setText("left over");
  dialog.show();
  EXPECT_EQ(QStringLiteral("张三/zhang"), dialog.UserLine());
  EXPECT_TRUE(dialog.PasswordEdit()->text().isEmpty());

  for (const char* wrong : {"secret1", "Secret1 ", ""}) {
    boxes_.Clear();
    dialog.PasswordEdit()->setText(wrong);
    dialog.UnlockButton()->click();
    ASSERT_EQ(1u, boxes_.Count()) << wrong;
    EXPECT_EQ(T(490021), boxes_.LastText());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(dialog.PasswordEdit()->text().isEmpty());
    EXPECT_EQ(dialog.PasswordEdit(), dialog.focusWidget());
  }
  dialog.PasswordEdit()->setText("Secret1");
  dialog.UnlockButton()->click();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(kLockUnlocked, dialog.result());
}

TEST_F(DialogsTest, ClosingFromTheLockAsksFirst) {
  CServerLink link;
  link.password = u"pw";
  CScreenLockDlg dialog(link);
  dialog.show();
  boxes_.QueueAnswer(platform::kIdNo);
  QTest::keyClick(&dialog, Qt::Key_Escape);
  ASSERT_EQ(1u, boxes_.Count());
  auto asked = boxes_.Messages()[0];
  EXPECT_EQ(T(490022), asked.text);
  EXPECT_EQ(T(20002), asked.caption);
  EXPECT_EQ(platform::kMbYesNo | platform::kMbIconQuestion, asked.flags);
  EXPECT_TRUE(dialog.isVisible());  // No: still locked

  boxes_.QueueAnswer(platform::kIdNo);
  dialog.close();  // the close box asks too
  EXPECT_EQ(2u, boxes_.Count());
  EXPECT_TRUE(dialog.isVisible());

  boxes_.QueueAnswer(platform::kIdYes);
  dialog.CloseButton()->click();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(kLockCloseProgram, dialog.result());
}

TEST_F(DialogsTest, LockBannerBandRunsFromDarkToLightGrey) {
  EXPECT_EQ(84, CScreenLockDlg::BandLevel(0));
  EXPECT_EQ(88, CScreenLockDlg::BandLevel(1));
  EXPECT_EQ(248, CScreenLockDlg::BandLevel(41));
  EXPECT_EQ(252, CScreenLockDlg::BandLevel(42));
  EXPECT_EQ(252, CScreenLockDlg::BandLevel(49));
  CServerLink link;
  CScreenLockDlg dialog(link);
  dialog.resize(400, 180);
  dialog.show();
  QImage image = dialog.grab().toImage();
  for (int row : {0, 5, 15, 45}) {
    int level = CScreenLockDlg::BandLevel(row);
    EXPECT_EQ(QColor(level, level, level), image.pixelColor(5, row)) << row;
    EXPECT_EQ(QColor(level, level, level), image.pixelColor(390, row)) << row;
  }
  // Below the band the dialog's own background.
  EXPECT_NE(QColor(252, 252, 252), image.pixelColor(5, 60));
}

// ---- new password checks ----

TEST_F(DialogsTest, NewPasswordRules) {
  const std::u16string mismatch = T(480020) + u"\r\n";
  const std::u16string length = T(480021) + u"\r\n";
  const std::u16string weak = T(480022) + u"\r\n";
  const std::u16string noGbk = T(480025) + u"\r\n";
  const std::u16string chinese15(15, u'密'), chinese16(16, u'密');
  const struct {
    std::u16string first, second;
    bool strong;
    std::u16string message;
  } cases[] = {
      {u"abc", u"abc", false, length},
      {u"abcd", u"abcd", false, u""},
      {u" ab ", u" ab ", false, length},  // blanks do not count
      {u"abcd", u"abce", false, mismatch},
      {u"ab", u"ac", false, mismatch + length},
      {chinese15, chinese15, false, u""},          // 30 bytes
      {chinese16, chinese16, false, length},       // 32 bytes
      {u"密码", u"密码", false, length},           // two characters
      {u"abc\U0001F600d", u"abc\U0001F600d", false, noGbk},
      {u"abc123", u"abc123", true, weak},
      {u"abc12!", u"abc12!", true, u""},
      {u"ab1!", u"ab1!", true, weak},              // five bytes or fewer
      {u"ab1!x", u"ab1!y", true, mismatch + weak},
      {u"密码密码密码密码密码密码密码密码a1", u"密码密码密码密码密码密码密码密码a1", true, length},
      {u"密码密码密码密码密码密码密码a1", u"密码密码密码密码密码密码密码a1", true, u""},
      {u"密码ab12", u"密码ab12", true, u""},       // GBK bytes count as "other"
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.message, CheckNewPassword(c.first, c.second, c.strong, AppLanguage()))
        << QString::fromStdU16String(c.first).toStdString() << " strong " << c.strong;
  }
}

TEST_F(DialogsTest, PasswordChangeDialogRefusesAndEmptiesBothFields) {
  CPasswordChangeDlg dialog(false);
  EXPECT_EQ(QString::fromStdU16String(T(480000)), dialog.windowTitle());
  dialog.show();
  dialog.NewPasswordEdit()->setText("abc");
  dialog.RepeatedPasswordEdit()->setText("abd");
  dialog.OkButton()->click();
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ(T(480020) + u"\r\n" + T(480021) + u"\r\n", boxes_.LastText());
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_TRUE(dialog.NewPasswordEdit()->text().isEmpty());
  EXPECT_TRUE(dialog.RepeatedPasswordEdit()->text().isEmpty());
  EXPECT_EQ(dialog.NewPasswordEdit(), dialog.focusWidget());

  dialog.NewPasswordEdit()->setText("abcd");
  dialog.RepeatedPasswordEdit()->setText("abcd");
  dialog.OkButton()->click();
  EXPECT_EQ(QDialog::Accepted, dialog.result());
  EXPECT_EQ(u"abcd", dialog.NewPassword());
}

TEST_F(DialogsTest, EnterAndArrowsMoveBetweenFields) {
  CPasswordChangeDlg dialog(true);
  dialog.show();
  dialog.activateWindow();
  dialog.NewPasswordEdit()->setFocus();
  QTest::keyClick(dialog.NewPasswordEdit(), Qt::Key_Return);
  EXPECT_EQ(dialog.RepeatedPasswordEdit(), dialog.focusWidget());
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(0u, boxes_.Count());
  QTest::keyClick(dialog.RepeatedPasswordEdit(), Qt::Key_Up);
  EXPECT_EQ(dialog.NewPasswordEdit(), dialog.focusWidget());
  QTest::keyClick(dialog.NewPasswordEdit(), Qt::Key_Down);
  EXPECT_EQ(dialog.RepeatedPasswordEdit(), dialog.focusWidget());
  QTest::keyClick(dialog.RepeatedPasswordEdit(), Qt::Key_Enter);
  EXPECT_EQ(dialog.OkButton(), dialog.focusWidget());
  EXPECT_EQ(0u, boxes_.Count());
}

TEST_F(DialogsTest, PasswordChangeStatementQuotesOnlyTheLiterals) {
  EXPECT_EQ("{?=CALL brantle.dbo.cp_man_main_mod_password('o''neil','a''''b c','',0x00AB)}",
            BuildPasswordChangeSql("o'neil", "a''b c", "00AB"));
  // The character form is carried whole: a first byte 7 and blanks stay.
  EXPECT_EQ("{?=CALL brantle.dbo.cp_man_main_mod_password('zhang','\x07 x ','',0x01)}",
            BuildPasswordChangeSql("zhang", "\x07 x ", "01"));
}

TEST_F(DialogsTest, AboutDialogShowsTheVersion) {
  CAboutDlg dialog;
  auto* version = dialog.findChild<QLabel*>("versionLine");
  ASSERT_NE(nullptr, version);
  EXPECT_EQ(QStringLiteral("版本 1.13"), version->text());
}

}  // namespace
