#include "ui/PrinterAssignDlg.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/LanguageTable.h"
#include "platform/MessageBox.h"
#include "platform/QtMessages.h"
#include "platform/QtText.h"
#include "platform/QtWaitForWork.h"
#include "print/InstalledPrinters.h"
#include "print/TemplatePrinterList.h"
#include "ui/ListGrid.h"
#include "ui/ListPickDlg.h"

namespace {
constexpr int kKindColumn = 0;
constexpr int kPrinterColumn = 1;
constexpr int kTemplateColumn = 2;
constexpr int kTypeColumn = 3;
}  // namespace

CPrinterAssignDlg::CPrinterAssignDlg(std::vector<std::u16string> printers,
                                     std::vector<PrinterAssignRow> rows, CTemplatePrinterList& list,
                                     QWidget* parent)
    : QDialog(parent), printerNames(std::move(printers)), assignments_(list) {
  setWindowTitle(QString::fromUtf16(u"多台打印设备固定打印关联设置(双击列表项设置)"));
  list_ = new CListGrid(this);
  list_->setObjectName(QStringLiteral("list1000"));
  list_->SetHighlightMode(2);
  list_->setShowGrid(true);
  list_->SetSingleSelection(true);
  list_->SetNotifyWnd(this);
  list_->InsertColumn(kKindColumn, 60, u"打印项目", kGridAlignLeft);
  list_->InsertColumn(kPrinterColumn, 300, u"关联打印机设置", kGridAlignLeft);
  list_->InsertColumn(kTemplateColumn, 100, u"模板名称", kGridAlignLeft);
  list_->InsertColumn(kTypeColumn, 0, u"Type", kGridAlignRight);
  for (const PrinterAssignRow& r : rows) {
    const int row = list_->InsertRow(list_->RowCount(), r.kindName);
    list_->SetCellText(row, kPrinterColumn, r.printerName);
    list_->SetCellText(row, kTemplateColumn, r.templateName);
    list_->SetCellInt(row, kTypeColumn, r.kind);
  }
  okButton_ = new QPushButton(QString::fromUtf16(u"确认设置 &S"), this);
  cancelButton_ = new QPushButton(QString::fromUtf16(u"放弃退出 &C"), this);
  okButton_->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(okButton_);
  buttons->addWidget(cancelButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_, 1);
  layout->addLayout(buttons);
  resize(520, 320);
  connect(okButton_, &QPushButton::clicked, this, &CPrinterAssignDlg::OnOK);
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
}

void CPrinterAssignDlg::OnRowDoubleClick() {
  const std::vector<int> selected = list_->SelectedRows();
  if (selected.empty()) return;
  const int row = selected.front();
  CListPickDlg pick(this);
  pick.SetList(&printerNames, u"打印机选择（双击选取）");
  if (pick.DoModal() != platform::kIdOk || pick.result.empty()) return;
  list_->SetCellText(row, kPrinterColumn, pick.result);
}

void CPrinterAssignDlg::OnOK() {
  std::vector<PrinterAssignRow> rows;
  for (int row = 0; row < list_->RowCount(); ++row) {
    PrinterAssignRow r;
    r.kind = platform::ToQString(list_->CellText(row, kTypeColumn)).toInt();
    r.kindName = list_->CellText(row, kKindColumn);
    r.templateName = list_->CellText(row, kTemplateColumn);
    r.printerName = list_->CellText(row, kPrinterColumn);
    rows.push_back(std::move(r));
  }
  ApplyPrinterAssignRows(rows, assignments_);
  accept();
}

bool CPrinterAssignDlg::event(QEvent* e) {
  if (auto* message = platform::AsPrivateMessage(e)) {
    if (message->Message() == kGridMsgDoubleClick) OnRowDoubleClick();
    return true;
  }
  return QDialog::event(e);
}

void RunPrinterAssignment(QWidget* parent, const std::string& programFolder, CTemplatePrinterList& list) {
  std::vector<std::u16string> printers = platform::WaitForWork([] { return InstalledPrinterNames(); });
  if (printers.size() < 2) {
    platform::ShowMessageBox(
        printers.size() == 1
            ? AppLanguage().Text(620020, u"系统只安装了一台打印机。\r\n请至少安装两台打印机后\r\n再启动关联设置。")
            : AppLanguage().Text(620021, u"没有检测到打印机安装。\r\n请至少安装两台打印机后\r\n再启动关联设置。"));
    return;
  }
  std::vector<PrinterAssignRow> rows =
      platform::WaitForWork([&] { return ListPrinterAssignRows(programFolder, list); });
  CPrinterAssignDlg dialog(std::move(printers), std::move(rows), list, parent);
  if (dialog.exec() != QDialog::Accepted) return;
  const bool saved = platform::WaitForWork([&] { return SavePrinterFile(programFolder, list); });
  platform::ShowMessageBox(saved ? AppLanguage().Text(620022, u"设置完成。")
                                 : AppLanguage().Text(620023, u"设置文件打开错误，未完成。"));
}
