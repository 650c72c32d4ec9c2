// The login dialog with a fake login request: field checks, refusal texts,
// the remembered account, the focus and the check boxes.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include <fstream>
#include <vector>

#include "common/LanguageTable.h"
#include "platform/MessageBox.h"
#include "server/ServerLink.h"
#include "shell/LoginDlg.h"
#include "tests/shell/ShellTestSupport.h"

namespace {

using shelltest::TempFolder;

class LoginDlgTest : public ::testing::Test {
 protected:
  void SetUp() override { shelltest::LoadProgramLanguage("00"); }

  // A dialog whose login answers from `results_` and records what was sent.
  std::unique_ptr<CLoginDlg> MakeDialog(LoginCheckSettings checks = {}) {
    auto dialog = std::make_unique<CLoginDlg>(1, link_, folder_.Folder(), nullptr, checks);
    dialog->SetLoginFunction([this](std::u16string_view account, std::u16string_view password) {
      sent_.push_back({std::u16string(account), std::u16string(password)});
      int result = results_.empty() ? -4 : results_.front();
      if (!results_.empty()) results_.erase(results_.begin());
      return result;
    });
    return dialog;
  }
  static void Type(CLoginDlg& dialog, const QString& account, const QString& password) {
    dialog.AccountEdit()->setText(account);
    dialog.PasswordEdit()->setText(password);
  }

  TempFolder folder_;
  CServerLink link_;
  std::vector<int> results_;
  std::vector<std::pair<std::u16string, std::u16string>> sent_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
};

TEST_F(LoginDlgTest, RefusalsShowTheirTextsAndKeepTheDialogOpen) {
  const struct {
    int result;
    int text;
  } cases[] = {{-2, 110010}, {-4, 110011}, {-5, 110012}, {-720, 110013},
               {-6, 110014}, {0, 110014},  {-101, 110014}, {-3, 110014}};
  auto dialog = MakeDialog();
  dialog->show();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.result);
    results_ = {c.result};
    boxes_.Clear();
    Type(*dialog, "admin", "pw");
    dialog->OkButton()->click();
    ASSERT_EQ(1u, boxes_.Count());
    EXPECT_EQ(AppLanguage().Text(c.text), boxes_.LastText());
    EXPECT_EQ(platform::kMbOk, boxes_.Messages()[0].flags);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(LoginRefusalText(c.result), c.text);
  }
  EXPECT_EQ(std::size(cases), sent_.size());
  EXPECT_FALSE(std::filesystem::exists(dialog->LastLoginFile()));
  EXPECT_NE(u"???", AppLanguage().Text(110013));
}

TEST_F(LoginDlgTest, AccountIsRememberedAfterASuccessfulLogin) {
  {
    auto dialog = MakeDialog();
    EXPECT_TRUE(dialog->AccountEdit()->text().isEmpty());
    EXPECT_EQ(dialog->AccountEdit(), dialog->InitialFocusEdit());
    dialog->show();
    EXPECT_EQ(dialog->AccountEdit(), dialog->focusWidget());
    // Three failures, then the fourth attempt succeeds and closes the dialog.
    results_ = {-4, -4, -4, 7};
    for (int attempt = 0; attempt < 4; ++attempt) {
      Type(*dialog, QStringLiteral("  王五 "), "pw" + QString::number(attempt));
      dialog->accept();
    }
    EXPECT_EQ(QDialog::Accepted, dialog->result());
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(3u, boxes_.Count());
  }
  ASSERT_EQ(4u, sent_.size());
  EXPECT_EQ(u"王五", sent_[3].first);
  // UTF-16LE with a byte-order mark, the account and nothing else.
  std::ifstream in(folder_.Path() / "LastLogin.txt", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(std::string("\xFF\xFE\x8B\x73\x94\x4E", 6), bytes);

  auto next = MakeDialog();
  EXPECT_EQ(QStringLiteral("王五"), next->AccountEdit()->text());
  next->show();
  EXPECT_EQ(next->PasswordEdit(), next->InitialFocusEdit());
  EXPECT_EQ(next->PasswordEdit(), next->focusWidget());
}

TEST_F(LoginDlgTest, LastLoginFileOfSixtyBytesOrMoreIsIgnored) {
  std::u16string account(29, u'a');  // 2 + 58 = 60 bytes
  ASSERT_TRUE(WriteLastLoginAccount(folder_.Path() / "LastLogin.txt", account));
  EXPECT_EQ(u"", ReadLastLoginAccount(folder_.Path() / "LastLogin.txt"));
  account.pop_back();  // 58 bytes
  ASSERT_TRUE(WriteLastLoginAccount(folder_.Path() / "LastLogin.txt", account));
  EXPECT_EQ(account, ReadLastLoginAccount(folder_.Path() / "LastLogin.txt"));
  EXPECT_EQ(u"", ReadLastLoginAccount(folder_.Path() / "missing.txt"));
}

TEST_F(LoginDlgTest, FieldLengthsAreCheckedBeforeAnythingIsSent) {
  auto dialog = MakeDialog();
  dialog->show();
  // 16 Chinese characters are 32 GBK bytes: too long.
  Type(*dialog, QString(16, QChar(0x738B)), "pw");
  dialog->accept();
  ASSERT_EQ(1u, boxes_.Count());
  EXPECT_EQ(AppLanguage().Text(20013).substr(0, 1), boxes_.LastText().substr(0, 1));
  EXPECT_NE(std::u16string::npos, boxes_.LastText().find(AppLanguage().Text(110005)));
  EXPECT_NE(std::u16string::npos, boxes_.LastText().find(u"30"));
  // A blank account is too short.
  Type(*dialog, "   ", "pw");
  dialog->accept();
  ASSERT_EQ(2u, boxes_.Count());
  EXPECT_NE(std::u16string::npos, boxes_.LastText().find(AppLanguage().Text(110005)));
  // A password of 16 Chinese characters is too long as well.
  Type(*dialog, "admin", QString(16, QChar(0x738B)));
  dialog->accept();
  ASSERT_EQ(3u, boxes_.Count());
  EXPECT_NE(std::u16string::npos, boxes_.LastText().find(AppLanguage().Text(110006)));
  EXPECT_TRUE(sent_.empty());
  // The typed values stay in the dialog.
  EXPECT_EQ(QString(16, QChar(0x738B)), dialog->PasswordEdit()->text());

  // An empty password is sent empty; blanks around the fields are cut.
  results_ = {-4, -4};
  Type(*dialog, "admin", "");
  dialog->accept();
  Type(*dialog, " admin\t", "  secret ");
  dialog->accept();
  ASSERT_EQ(2u, sent_.size());
  EXPECT_EQ(u"admin", sent_[0].first);
  EXPECT_EQ(u"", sent_[0].second);
  EXPECT_EQ(u"admin", sent_[1].first);
  EXPECT_EQ(u"secret", sent_[1].second);
}

TEST_F(LoginDlgTest, CheckBoxesFollowTheirSettings) {
  auto plain = MakeDialog();
  EXPECT_FALSE(plain->RefreshBaseDataBox()->isChecked());
  EXPECT_TRUE(plain->RefreshBaseDataBox()->isEnabled());
  EXPECT_FALSE(plain->RefreshTemplatesBox()->isChecked());
  EXPECT_TRUE(plain->RefreshTemplatesBox()->isEnabled());
  auto set = MakeDialog({1, true, 1, false});
  EXPECT_TRUE(set->RefreshBaseDataBox()->isChecked());
  EXPECT_FALSE(set->RefreshBaseDataBox()->isEnabled());
  EXPECT_TRUE(set->RefreshTemplatesBox()->isChecked());
  EXPECT_TRUE(set->RefreshTemplatesBox()->isEnabled());
  EXPECT_EQ(1, set->StartFlag());
}

TEST_F(LoginDlgTest, CaptionAndLabelsComeFromTheLanguageTable) {
  shelltest::LoadProgramLanguage("01");
  auto dialog = MakeDialog();
  EXPECT_EQ(QString::fromStdU16String(AppLanguage().Text(110000)), dialog->windowTitle());
  EXPECT_EQ(QStringLiteral("Log in"), dialog->OkButton()->text());
  EXPECT_EQ(QStringLiteral("Cancel"), dialog->CancelButton()->text());
}

// The check boxes keep their fixed captions in Chinese and show English
// texts from the language table in English.
TEST_F(LoginDlgTest, CheckBoxCaptionsFollowTheLanguage) {
  auto chinese = MakeDialog();
  EXPECT_EQ(QStringLiteral("同时更新基本数据"), chinese->RefreshBaseDataBox()->text());
  EXPECT_EQ(QStringLiteral("同时更新打印模板"), chinese->RefreshTemplatesBox()->text());
  shelltest::LoadProgramLanguage("01");
  auto english = MakeDialog();
  EXPECT_EQ(QStringLiteral("Also update the base data"), english->RefreshBaseDataBox()->text());
  EXPECT_EQ(QStringLiteral("Also update the print templates"), english->RefreshTemplatesBox()->text());
}

}  // namespace
