#include "ui/ViewHost.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QUrl>

#include "ui/WaybillQueryConditions.h"

QSize CViewHost::ScreenSize() const {
  QSize size(1024, 768);
  if (QGuiApplication::instance() != nullptr) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) size = screen->size();
  }
  if (size.height() < 768) size.setHeight(768);
  return size;
}

void CViewHost::OpenUrl(const QString& address) {
  QDesktopServices::openUrl(QUrl(address));
}

bool CViewHost::RunPrintDialog(QWidget* parent) {
  QPrinter printer;
  QPrintDialog dialog(&printer, parent);
  return dialog.exec() == QDialog::Accepted;
}

std::u16string CViewHost::WaybillDateColumn(int dateKind) const {
  return ::WaybillDateColumn(dateKind);
}
