#include "shipping/CourierMessageDlg.h"

#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "platform/MessageBox.h"
#include "platform/QtText.h"
#include "shell/CourierMessages.h"

namespace {

QString Html(const std::string& gbk) { return QString::fromStdU16String(WideFromGbk(gbk)).toHtmlEscaped(); }

}  // namespace

std::u16string CourierMessagePreviewHtml(const CWeChatMessageDef& d) {
  QString html = QStringLiteral("<pre>") + Html(d.model) + QStringLiteral("</pre><table>");
  for (const CourierMessageParam& p : d.params) {
    html += QStringLiteral("<tr><td>") + Html(p.name) + QStringLiteral("</td><td>");
    if (!p.colour.empty())
      html += QStringLiteral("<span style=\"color:%1\">").arg(QString::fromStdString(p.colour));
    html += Html(p.value);
    if (!p.colour.empty()) html += QStringLiteral("</span>");
    html += QStringLiteral("</td></tr>");
  }
  html += QStringLiteral("</table>");
  return html.toStdU16String();
}

CWeChatSendDlg::CWeChatSendDlg(int number, std::u16string openId, std::u16string account,
                               std::u16string name, QWidget* parent,
                               const CWeChatMessageDef* definition)
    : QDialog(parent), number_(number) {
  const CLanguageTable& language = AppLanguage();
  setWindowTitle(platform::ToQString(language.Text(22703, u"微信编辑发送")));
  auto* form = new QFormLayout;
  auto edit = [](int limit) {
    auto* box = new QLineEdit;
    box->setMaxLength(limit);
    return box;
  };
  openIdBox = edit(30);
  nameBox = edit(254);
  accountBox = edit(30);
  urlBox = edit(254);
  statusBox = edit(30);
  descriptionBox = new QPlainTextEdit;
  descriptionBox->setTabChangesFocus(true);
  descriptionBox->setMinimumHeight(90);
  openIdBox->setText(platform::ToQString(openId));
  nameBox->setText(platform::ToQString(name));
  accountBox->setText(platform::ToQString(account));
  form->addRow(QStringLiteral("OpenID:"), openIdBox);
  form->addRow(QStringLiteral("名称:"), nameBox);
  form->addRow(QStringLiteral("帐号:"), accountBox);
  form->addRow(QStringLiteral("链接(URL):"), urlBox);
  form->addRow(QStringLiteral("状态:"), statusBox);
  form->addRow(QStringLiteral("描述:"), descriptionBox);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  if (definition != nullptr) {
    preview = new QTextBrowser;
    preview->setOpenLinks(false);
    preview->setHtml(QString::fromStdU16String(CourierMessagePreviewHtml(*definition)));
    preview->setMaximumHeight(130);
    layout->addWidget(preview);
  }
  okButton = new QPushButton(platform::ToQString(language.Text(22704, u"确认发送 &S")));
  cancelButton = new QPushButton(QStringLiteral("取消"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(okButton);
  buttons->addWidget(cancelButton);
  layout->addLayout(buttons);
  connect(okButton, &QPushButton::clicked, this, [this] { OnOK(); });
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
  for (QWidget* w : std::initializer_list<QWidget*>{openIdBox, nameBox, accountBox, urlBox, statusBox,
                                                   descriptionBox, okButton, cancelButton})
    w->installEventFilter(this);
  resize(460, 420);
  urlBox->setFocus();
}

void CWeChatSendDlg::OnOK() {
  const std::u16string text = descriptionBox->toPlainText().toStdU16String();
  if (text.size() < 10) {
    platform::ShowMessageBox(AppLanguage().Text(22705, u"描述太短!"), {},
                             platform::kMbOk | platform::kMbIconWarning);
    descriptionBox->setFocus();
    return;
  }
  url = urlBox->text().toStdU16String();
  status = statusBox->text().toStdU16String();
  description = text;
  accept();
}

bool CWeChatSendDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
  if (enter && (key->modifiers() & Qt::ControlModifier)) {
    OnOK();
    return true;
  }
  if (enter) {
    if (watched == okButton) {
      OnOK();
      return true;
    }
    if (watched == cancelButton) return QDialog::eventFilter(watched, event);
    if (watched == descriptionBox) return false;  // a new line in the description
    focusNextChild();
    return true;
  }
  if (key->key() == Qt::Key_Up && watched != descriptionBox) {
    focusPreviousChild();
    return true;
  }
  if (key->key() == Qt::Key_Down && watched != descriptionBox) {
    focusNextChild();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}
