#include "entry/WaybillSubDlg.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "common/LanguageTable.h"
#include "entry/FullFormSave.h"
#include "platform/MessageBox.h"
#include "platform/QtText.h"
#include "ui/LinkLabel.h"

namespace {

QString Q(std::u16string_view text) { return platform::ToQString(text); }

std::u16string T(int id, std::u16string_view fallback) { return AppLanguage().Text(id, fallback); }

// Enter, Down, Up and Esc of the small dialogs; true when consumed.
bool MoveKey(QObject* watched, QKeyEvent* key) {
  int tab = 0;
  switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Down: tab = Qt::Key_Tab; break;
    case Qt::Key_Up: tab = Qt::Key_Backtab; break;
    default: return false;
  }
  QKeyEvent move(QEvent::KeyPress, tab, tab == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
  QCoreApplication::sendEvent(watched, &move);
  return true;
}

}  // namespace

CWaybillPane::CWaybillPane(QWidget* parent) : QWidget(parent) {
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setVerticalSpacing(3);
}

QLineEdit* CWaybillPane::AddField(int row, int captionId, std::u16string_view caption, int maxChars,
                                  bool picksPhrase) {
  auto* layout = static_cast<QGridLayout*>(this->layout());
  auto* edit = new QLineEdit(this);
  edit->setMaxLength(maxChars);
  edit->installEventFilter(this);
  QWidget* label = nullptr;
  if (picksPhrase) {
    auto* link = new CLinkLabel(Q(T(captionId, caption)), this);
    link->SetLinkCursor(Qt::PointingHandCursor);
    connect(link, &CLinkLabel::clicked, this, [this, edit] {
      std::u16string phrase;
      if (choosePhrase && choosePhrase(phrase)) edit->setText(Q(phrase));
    });
    label = link;
  } else {
    label = new QLabel(Q(T(captionId, caption)), this);
  }
  layout->addWidget(label, row, 0);
  layout->addWidget(edit, row, 1);
  return edit;
}

bool CWaybillPane::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if ((key->modifiers() & Qt::ControlModifier) && key->key() == Qt::Key_S) {
      if (onSave) onSave();
      return true;
    }
    if (key->key() == Qt::Key_Escape) return true;
    if (key->modifiers() == Qt::NoModifier && MoveKey(watched, key)) return true;
  }
  return QWidget::eventFilter(watched, event);
}

CExtraNumbersDlg::CExtraNumbersDlg(QWidget* parent) : CWaybillPane(parent) {
  transferNo = AddField(0, 30003, u"转单号", 30, false);
  referenceNo = AddField(1, 30041, u"参考号", 30, false);
  customsNo = AddField(2, 30045, u"报关号", 30, false);
  reserveText = AddField(3, 30050, u"预留", 30, true);
  reserveNumber = AddField(4, 30023, u"预留数", 11, false);
  static_cast<QGridLayout*>(layout())->setRowStretch(5, 1);
}

void CExtraNumbersDlg::Clear() {
  for (QLineEdit* e : {transferNo, referenceNo, customsNo, reserveText}) e->clear();
  reserveNumber->setText(QStringLiteral("0"));
}

CSpareFieldsDlg::CSpareFieldsDlg(QWidget* parent) : CWaybillPane(parent) {
  for (int k = 0; k < 5; ++k)
    spare[k] = AddField(k, 30052 + k, u"备用", k == 4 ? 254 : 62, true);
  static_cast<QGridLayout*>(layout())->setRowStretch(5, 1);
}

void CSpareFieldsDlg::Clear() {
  for (QLineEdit* e : spare) e->clear();
}

CCodFreightDlg::CCodFreightDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(Q(T(22683, u"到付运费及代收货款管理")));
  auto* layout = new QGridLayout(this);
  const std::u16string_view captions[4] = {u"到付总运费", u"向客户结算", u"代收总货款", u"向客户结算"};
  for (int k = 0; k < 4; ++k) {
    layout->addWidget(new QLabel(Q(T(22684 + k, captions[k])), this), k, 0);
    edits_[k] = new QLineEdit(this);
    edits_[k]->installEventFilter(this);
    layout->addWidget(edits_[k], k, 1);
  }
  auto* buttons = new QHBoxLayout();
  auto* ok = new QPushButton(Q(T(22688, u"确定")), this);
  auto* rewrite = new QPushButton(Q(T(22689, u"重写")), this);
  auto* quit = new QPushButton(Q(T(22690, u"退出")), this);
  ok->setAutoDefault(false);
  rewrite->setAutoDefault(false);
  quit->setAutoDefault(false);
  buttons->addWidget(ok);
  buttons->addWidget(rewrite);
  buttons->addWidget(quit);
  layout->addLayout(buttons, 4, 0, 1, 2);
  connect(ok, &QPushButton::clicked, this, &CCodFreightDlg::accept);
  connect(rewrite, &QPushButton::clicked, this, &CCodFreightDlg::Rewrite);
  connect(quit, &QPushButton::clicked, this, &QDialog::reject);
}

void CCodFreightDlg::Show() {
  const double values[4] = {freightTotal, freightSettled, codTotal, codSettled};
  for (int k = 0; k < 4; ++k) edits_[k]->setText(QString::number(values[k], 'f', 2));
  edits_[1]->setEnabled(freightCollect != 0);
}

int CCodFreightDlg::exec() {
  Show();
  return QDialog::exec();
}

void CCodFreightDlg::Rewrite() {
  freightTotal = freightSettled = codTotal = codSettled = 0;
  Show();
}

void CCodFreightDlg::accept() {
  double v[4];
  for (int k = 0; k < 4; ++k) v[k] = edits_[k]->text().toDouble();
  const int check = ConfirmCodAmounts(freightCollect != 0, v[0], v[1], v[2], v[3]);
  if (check != 0) {
    platform::ShowMessageBox(check == 1 ? T(22691, u"到付运费错误：下家结算小于向客户返款。")
                                        : T(22692, u"返还客户货款错误：大于实收代收货款。"),
                             T(20003, u"提示"), platform::kMbOk | platform::kMbIconWarning);
    return;
  }
  freightTotal = v[0];
  freightSettled = v[1];
  codTotal = v[2];
  codSettled = v[3];
  Show();
  QDialog::accept();
}

bool CCodFreightDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() == Qt::NoModifier && MoveKey(watched, key)) return true;
  }
  return QDialog::eventFilter(watched, event);
}
