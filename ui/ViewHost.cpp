#include "ui/ViewHost.h"

#include <QApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QUrl>

#include "platform/MessageBox.h"
#include "ui/MultiSelectDlg.h"
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

bool CViewHost::RunMultiSelect(std::u16string_view caption, std::u16string_view columnTitle,
                               const std::vector<std::u16string>& items,
                               std::vector<std::u16string>& selection, std::u16string& chosen) {
  CMultiSelectDlg dialog(QApplication::activeWindow());
  dialog.SetList(std::u16string(caption), std::u16string(columnTitle), &items, &selection);
  if (dialog.DoModal() != platform::kIdOk) return false;
  chosen = dialog.result;
  return true;
}
