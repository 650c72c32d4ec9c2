#include "ui/CommonPhrasesDlg.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>

#include "common/LanguageTable.h"
#include "platform/MessageBox.h"

namespace {
// Language ids of the dialog's texts.
constexpr int kTextCaption = 1104;  // the menu caption of the command
constexpr int kTextOk = 350002;
constexpr int kTextCancel = 350003;

QString Q(const std::u16string& text) { return QString::fromStdU16String(text); }
}  // namespace

CCommonPhrasesDlg::CCommonPhrasesDlg(const std::vector<std::u16string>& prompts, QWidget* parent)
    : QDialog(parent) {
  const CLanguageTable& language = AppLanguage();
  setWindowTitle(Q(language.Text(kTextCaption)));
  edit_ = new QPlainTextEdit(this);
  edit_->setObjectName("prompts");
  edit_->setLineWrapMode(QPlainTextEdit::NoWrap);
  okButton_ = new QPushButton(Q(language.Text(kTextOk)), this);
  okButton_->setObjectName("ok");
  cancelButton_ = new QPushButton(Q(language.Text(kTextCancel)), this);
  cancelButton_->setObjectName("cancel");
  // Enter starts a new line in the edit; it does not press OK.
  okButton_->setAutoDefault(false);
  cancelButton_->setAutoDefault(false);
  connect(okButton_, &QPushButton::clicked, this, &CCommonPhrasesDlg::accept);
  connect(cancelButton_, &QPushButton::clicked, this, &CCommonPhrasesDlg::reject);

  std::u16string shown;
  for (const std::u16string& prompt : prompts) shown += prompt + u"\n";
  edit_->setPlainText(Q(shown));
  KeepWithinLimit();
  connect(edit_, &QPlainTextEdit::textChanged, this, &CCommonPhrasesDlg::KeepWithinLimit);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(okButton_);
  buttons->addWidget(cancelButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(edit_, 1);
  layout->addLayout(buttons);
  resize(420, 320);
}

void CCommonPhrasesDlg::KeepWithinLimit() {
  const QString current = edit_->toPlainText();
  if (current.size() <= kMaxCharacters) return;
  QSignalBlocker blocker(edit_);
  edit_->setPlainText(current.left(kMaxCharacters));
  edit_->moveCursor(QTextCursor::End);
}

int CCommonPhrasesDlg::DoModal() {
  return exec() == QDialog::Accepted ? platform::kIdOk : platform::kIdCancel;
}

void CCommonPhrasesDlg::accept() {
  QString edited = edit_->toPlainText().left(kMaxCharacters);
  edited.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  text = edited.toStdU16String();
  QDialog::accept();
}
