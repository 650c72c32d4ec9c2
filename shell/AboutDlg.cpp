#include "shell/AboutDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "server/ServerLink.h"
#include "ui/LinkLabel.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("关于 Brantle"));
  auto* icon = new QLabel(this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32, 32));
  auto* name = new QLabel(QStringLiteral("Brantle 快件空运客户端"), this);
  name->setObjectName("programName");
  const int version = CServerLink::kProgramVersion;
  auto* versionLine = new QLabel(
      QStringLiteral("版本 %1.%2").arg(version / 100).arg(version % 100, 2, 10, QLatin1Char('0')),
      this);
  versionLine->setObjectName("versionLine");
  auto* link = new CLinkLabel(QStringLiteral("Brantle"), this);
  link->setObjectName("link");
  link->SetTextColor(QColor(0, 0, 255)).SetUnderline(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QGridLayout(this);
  layout->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);
  layout->addWidget(name, 0, 1);
  layout->addWidget(versionLine, 1, 1);
  layout->addWidget(link, 2, 1);
  layout->addWidget(buttons, 0, 2, 3, 1, Qt::AlignTop);
  layout->setColumnStretch(1, 1);
  setMinimumWidth(320);
}

void RunAboutDialog(QWidget* parent) {
  CAboutDlg dialog(parent);
  dialog.exec();
}
