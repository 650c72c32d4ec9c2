// The common prompts dialog: what it opens with, what it hands back after
// OK, and its limit on the text.

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QPushButton>

#include "ui/CommonPhrasesDlg.h"

namespace {

TEST(CommonPhrasesDlg, OpensWithOnePromptALineAndGivesBackCrLfLines) {
  CCommonPhrasesDlg dialog({u"易碎物品", u"Keep dry"});
  dialog.show();
  EXPECT_EQ(QStringLiteral("易碎物品\nKeep dry\n"), dialog.Edit()->toPlainText());
  dialog.Edit()->setPlainText(QStringLiteral("a1\nb2\n\nc3"));
  dialog.OkButton()->click();
  EXPECT_EQ(QDialog::Accepted, dialog.result());
  EXPECT_EQ(u"a1\r\nb2\r\n\r\nc3", dialog.text);
}

TEST(CommonPhrasesDlg, CancelHandsBackNothing) {
  CCommonPhrasesDlg dialog({u"aa"});
  dialog.show();
  dialog.Edit()->setPlainText(QStringLiteral("changed"));
  dialog.CancelButton()->click();
  EXPECT_EQ(QDialog::Rejected, dialog.result());
  EXPECT_TRUE(dialog.text.empty());
}

TEST(CommonPhrasesDlg, TextIsCutAtItsLimit) {
  const std::u16string longest(CCommonPhrasesDlg::kMaxCharacters - 1, u'x');
  CCommonPhrasesDlg dialog({longest});  // with its line break: exactly the limit
  EXPECT_EQ(CCommonPhrasesDlg::kMaxCharacters, dialog.Edit()->toPlainText().size());
  dialog.Edit()->insertPlainText(QStringLiteral("yz"));
  EXPECT_EQ(CCommonPhrasesDlg::kMaxCharacters, dialog.Edit()->toPlainText().size());
  CCommonPhrasesDlg tooLong({longest + u"abc"});
  EXPECT_EQ(CCommonPhrasesDlg::kMaxCharacters, tooLong.Edit()->toPlainText().size());
}

}  // namespace
