// The page print commands: proforma invoices (to the printer or to files),
// waybills (one at once, several on a worker that reports each record to
// the page) and labels (sheet by sheet), over the rows selected in the
// page's grid.
#include <QEventLoop>
#include <QMetaObject>
#include <QTimer>

#include <chrono>
#include <thread>

#include "common/LanguageTable.h"
#include "common/WideText.h"
#include "platform/MessageBox.h"
#include "platform/QtMessages.h"
#include "print/LabelLayout.h"
#include "print/PagePrintPlan.h"
#include "print/PrintContext.h"
#include "print/PrintDoors.h"
#include "print/TemplateModel.h"
#include "ui/PrintConfirmDlg.h"
#include "ui/ViewHost.h"
#include "ui/ViewPage.h"

namespace {

std::u16string Number(long long value) {
  std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

std::u16string IdList(const std::vector<int32_t>& ids) {
  std::u16string list;
  for (int32_t id : ids) list += (list.empty() ? u"" : u", ") + Number(id);
  return list;
}

bool AskYesNo(const std::u16string& text) {
  return platform::ShowMessageBox(text, AppLanguage().Text(20002),
                                  platform::kMbYesNo | platform::kMbIconQuestion) ==
         platform::kIdYes;
}

}  // namespace

CPrintDoors* CViewPage::PrintDoors() const {
  return host != nullptr ? host->PrintDoors() : nullptr;
}

void CViewPage::JoinPrintWorker() {
  if (printWorker_.joinable()) printWorker_.join();
}

void CViewPage::PausePrint(int ms) {
  if (printPause) {
    printPause(ms);
    return;
  }
  // The window keeps painting during the pause; the busy flag refuses a
  // second print meanwhile.
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec(QEventLoop::ExcludeUserInputEvents);
}

bool CViewPage::ConfirmPrint(int kind, const std::u16string& message, int& copies) {
  if (confirmPrint) return confirmPrint(kind, message, copies);
  CPrintConfirmDlg dialog(kind, this);
  if (CPrintDoors* doors = PrintDoors()) dialog.copies = doors->DefaultCopies(kind);
  dialog.message = message;
  if (dialog.DoModal() != platform::kIdOk) return false;
  copies = dialog.GetCopies();
  return true;
}

bool CViewPage::BeginPrint() {
  if (PrintDoors() == nullptr || grid == nullptr || grid->RowCount() == 0 || printBusy) return false;
  printBusy = 1;
  printBlock.progressWindow = this;
  printBlock.spare = 0;
  return true;
}

int CViewPage::CollectPrintSelection(int32_t noneText) {
  printBlock.ids.clear();
  if (GetSelectedIds(printBlock.ids) == 0) {
    platform::ShowMessageBox(AppLanguage().Text(noneText));
    return 0;
  }
  return static_cast<int>(printBlock.ids.size());
}

std::u16string CViewPage::PrintRecordName(int32_t id) const { return Number(id); }

void CViewPage::OnPrintInvoice(int toFile) {
  if (!BeginPrint()) return;
  CPrintDoors& doors = *PrintDoors();
  PrintBusyClear clear{printBusy};
  if (doors.CurrentTemplate(0) == nullptr || !doors.InvoiceMapLoaded()) {
    if (doors.CurrentTemplate(0) == nullptr && !doors.ChooseTemplate(0)) return;
    doors.ReloadInvoiceMap();
  }
  std::vector<int32_t> ids;
  if (GetSelectedIds(ids) == 0) {
    platform::ShowMessageBox(AppLanguage().Text(120052));
    return;
  }
  CTemplateModel* model = doors.CurrentTemplate(0);
  std::u16string templateName = model != nullptr ? model->Name() : u"";
  std::u16string count = Number(static_cast<long long>(ids.size()));
  if (toFile) {
    if (ids.size() > 1) {
      std::u16string text = AppLanguage().Text(120053);
      ReplaceAllW(text, u"%1", count);
      ReplaceAllW(text, u"%2", templateName);
      if (!AskYesNo(text)) return;
    }
    int written = 0;
    for (size_t i = 0; i < ids.size(); ++i) {
      if (i > 0) PausePrint(200);
      written += doors.PrintProformaInvoice(ids[i], 1, 1, 0) ? 1 : 0;
    }
    // Names the folder the files were really written to.
    std::u16string text = AppLanguage().Text(120055);
    ReplaceAllW(text, u"%1", Number(written));
    ReplaceAllW(text, u"%2", doors.InvoiceFolder());
    platform::ShowMessageBox(text);
    return;
  }
  std::u16string message;
  if (ids.size() == 1) {
    message = AppLanguage().Text(620018, u"仅选中一票。");
  } else {
    message = AppLanguage().Text(120054);
    ReplaceAllW(message, u"%1", count);
    ReplaceAllW(message, u"%2", templateName);
  }
  int copies = 1;
  if (!ConfirmPrint(0, message, copies)) return;
  for (size_t i = 0; i < ids.size(); ++i) {
    if (i > 0) PausePrint(200);
    doors.PrintProformaInvoice(ids[i], 0, copies, 0);
  }
}

void CViewPage::OnPrintWaybill() {
  if (!BeginPrint()) return;
  CPrintDoors& doors = *PrintDoors();
  if (CollectPrintSelection() == 0) {
    printBusy = 0;
    return;
  }
  if (printBlock.ids.size() == 1) {
    doors.PrintWaybill(printBlock.ids.front(), 0, 0, 1, u"");
    printBusy = 0;
    return;
  }
  std::u16string count = Number(static_cast<long long>(printBlock.ids.size()));
  if (!AskYesNo(AppLanguage().TextWithString(160005, count))) {
    printBusy = 0;
    return;
  }
  int copies = 1;
  if (!ConfirmPrint(2, AppLanguage().TextWithString(120058, count), copies)) {
    printBusy = 0;
    return;
  }
  printBlock.copies = copies;
  JoinPrintWorker();
  printStop_ = false;
  // The worker reads a copy of the block; each printed record, and the
  // end on every path, reaches the page as WM_USER+110.
  printWorker_ = std::thread([this, ids = printBlock.ids, copies, &doors,
                              target = printBlock.progressWindow] {
    struct Final {
      QObject* target;
      ~Final() { platform::PostPrivateMessage(target, kWmPrintProgress, 0); }
    } final{target};
    std::vector<int32_t> notPrinted;
    for (size_t i = 0; i < ids.size(); ++i) {
      if (printStop_) break;
      if (!doors.PrintWaybill(ids[i], 0, 0, copies, u"")) {
        // A record that cannot be loaded is skipped; without a template or
        // a workbook no later record would print either.
        if (doors.LastPrintFailure() == kRecordMissing) {
          notPrinted.push_back(ids[i]);
        } else {
          notPrinted.insert(notPrinted.end(), ids.begin() + static_cast<long>(i), ids.end());
          break;
        }
        continue;
      }
      platform::PostPrivateMessage(target, kWmPrintProgress, static_cast<quintptr>(ids[i]));
      std::this_thread::sleep_for(std::chrono::milliseconds(printPause ? 0 : 200));
    }
    if (!notPrinted.empty()) {
      std::u16string text = AppLanguage().TextWithString(22100, IdList(notPrinted));
      QMetaObject::invokeMethod(target, [text] { platform::ShowMessageBox(text); },
                                Qt::QueuedConnection);
    }
  });
}

bool CViewPage::EnsureLabelLayout(CPrintDoors& doors) {
  if (doors.LabelLayout().HasTemplate()) return true;
  if (doors.CurrentTemplate(2) == nullptr && !doors.ChooseTemplate(2)) return false;
  doors.ReloadLabelLayout();
  if (!doors.LabelLayout().HasTemplate()) {
    platform::ShowMessageBox(AppLanguage().Text(kNoLabelTemplateText, u"没有选择可用的标签模版。"));
    return false;
  }
  return true;
}

void CViewPage::PrintLabelSheets(CPrintDoors& doors, int perSheet, bool pieceField) {
  CTemplateModel* label = doors.LabelLayout().Template();
  if (label == nullptr) label = doors.CurrentTemplate(2);
  int count = static_cast<int>(printBlock.ids.size());
  std::u16string text = AppLanguage().Text(120056);
  ReplaceAllW(text, u"%1", Number(count));
  ReplaceAllW(text, u"%2", Number(LabelSheetCount(count, perSheet)));
  ReplaceAllW(text, u"%3", pieceField ? AppLanguage().Text(120057) : u"");
  ReplaceAllW(text, u"%4", label != nullptr ? label->Name() : u"");
  if (!AskYesNo(text)) return;
  int copies = 1;
  if (!ConfirmPrint(1, AppLanguage().TextWithNumber(120058, count), copies)) return;
  printBlock.copies = copies;
  std::vector<int32_t> left = RunLabelBatches(doors, printBlock.ids, perSheet, pieceField, copies,
                                              [this](int ms) { PausePrint(ms); });
  if (!left.empty()) {
    std::u16string names;
    for (int32_t id : left) names += (names.empty() ? u"" : u", ") + PrintRecordName(id);
    platform::ShowMessageBox(AppLanguage().TextWithString(22100, names));
  }
}

void CViewPage::OnPrintLabel() {
  if (!BeginPrint()) return;
  CPrintDoors& doors = *PrintDoors();
  PrintBusyClear clear{printBusy};
  if (!EnsureLabelLayout(doors)) return;
  if (CollectPrintSelection() == 0) return;
  CLabelLayout& layout = doors.LabelLayout();
  PrintLabelSheets(doors, layout.LabelsPerSheet(), LabelHasPieceOrder(layout));
}
