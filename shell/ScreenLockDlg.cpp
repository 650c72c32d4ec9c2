#include "shell/ScreenLockDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "common/LanguageTable.h"
#include "platform/MessageBox.h"
#include "server/ServerLink.h"

namespace {

QString Q(const std::u16string& text) { return QString::fromStdU16String(text); }

}  // namespace

CScreenLockDlg::CScreenLockDlg(const CServerLink& link, QWidget* parent)
    : QDialog(parent), link_(link) {
  const CLanguageTable& language = AppLanguage();
  banner_ = language.Text(490020);
  bannerFont_.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"),
                           QStringLiteral("WenQuanYi Micro Hei"),
                           QStringLiteral("Noto Sans CJK SC")});
  bannerFont_.setPixelSize(18);
  bannerFont_.setWeight(QFont::ExtraBold);

  setWindowTitle(Q(language.Text(490000)));
  auto* icon = new QLabel(this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
  auto* userLabel = new QLabel(Q(language.Text(490010)), this);
  auto* passwordLabel = new QLabel(Q(language.Text(490011)), this);
  userLine_ = new QLabel(QStringLiteral("."), this);
  userLine_->setObjectName("userLine");
  passwordEdit_ = new QLineEdit(this);
  passwordEdit_->setObjectName("password");
  passwordEdit_->setMaxLength(30);
  passwordEdit_->setEchoMode(QLineEdit::Password);
  passwordLabel->setBuddy(passwordEdit_);
  unlockButton_ = new QPushButton(Q(language.Text(490012)), this);
  unlockButton_->setObjectName("unlock");
  unlockButton_->setDefault(true);
  closeButton_ = new QPushButton(Q(language.Text(490013)), this);
  closeButton_->setObjectName("close");
  connect(unlockButton_, &QPushButton::clicked, this, &CScreenLockDlg::accept);
  connect(closeButton_, &QPushButton::clicked, this, &CScreenLockDlg::reject);

  auto* fields = new QGridLayout;
  fields->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
  fields->addWidget(userLabel, 0, 1);
  fields->addWidget(userLine_, 0, 2);
  fields->addWidget(passwordLabel, 1, 1);
  fields->addWidget(passwordEdit_, 1, 2);
  fields->setColumnStretch(2, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(unlockButton_);
  buttons->addWidget(closeButton_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, kBandHeight + 12, 12, 12);
  layout->addLayout(fields);
  layout->addLayout(buttons);
  setMinimumWidth(380);
}

QString CScreenLockDlg::UserLine() const { return userLine_->text(); }

int CScreenLockDlg::BandLevel(int row) {
  // The level starts at 80 and rises by 4 before each row while below 250.
  int level = 80 + 4 * (row + 1);
  return level < 252 ? level : 252;
}

void CScreenLockDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  const ServerSession session = link_.Session();
  userLine_->setText(Q(session.userNameW + u"/" + session.account));
  clientWidth_ = width();
  passwordEdit_->clear();
  passwordEdit_->setFocus();
}

void CScreenLockDlg::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  QPainter painter(this);
  int bandWidth = clientWidth_ > 0 ? clientWidth_ : width();
  for (int row = 0; row < kBandHeight; ++row) {
    int level = BandLevel(row);
    painter.fillRect(0, row, bandWidth, 1, QColor(level, level, level));
  }
  painter.setFont(bannerFont_);
  const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
  painter.setPen(QColor(0, 0, 255));
  painter.drawText(QRect(QPoint(21, 21), QPoint(352 - 1, 52 - 1)), flags, Q(banner_));
  painter.setPen(QColor(255, 255, 255));
  painter.drawText(QRect(QPoint(20, 20), QPoint(350 - 1, 50 - 1)), flags, Q(banner_));
}

void CScreenLockDlg::accept() {
  std::u16string typed = passwordEdit_->text().toStdU16String();
  if (typed == link_.StoredPassword()) {
    done(kLockUnlocked);
    return;
  }
  platform::ShowMessageBox(AppLanguage().Text(490021), {}, platform::kMbOk);
  passwordEdit_->clear();
  passwordEdit_->setFocus();
}

void CScreenLockDlg::reject() {
  if (confirmClose_) {
    const CLanguageTable& language = AppLanguage();
    int answer = platform::ShowMessageBox(language.Text(490022), language.Text(20002),
                                          platform::kMbYesNo | platform::kMbIconQuestion);
    if (answer != platform::kIdYes) return;
  }
  done(kLockCloseProgram);
}
