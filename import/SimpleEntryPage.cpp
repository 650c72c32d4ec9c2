#include "import/SimpleEntryPage.h"

#include "common/LanguageTable.h"
#include "entry/SimpleEntryDlg.h"
#include "print/PrintDoors.h"
#include "ui/ViewHost.h"

CSimpleEntryPage::CSimpleEntryPage() = default;

CSimpleEntryPage::~CSimpleEntryPage() = default;

void CSimpleEntryPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  printBusy = 0;
  saveFollowsMode = true;
  exportEnabled = true;
  command32776Enabled = true;
  labelEnabled = true;
  waybillEnabled = true;
  invoiceEnabled = true;
  title = AppLanguage().Text(120050);
  panelWidth = 480;

  form_ = new CSimpleEntryDlg(App(), this);
  form_->setGeometry(5, 3, panelWidth - 10, 660);
  form_->hide();
  form_->SetPageWindow(this);
  if (CPrintDoors* doors = PrintDoors()) form_->SetPrintDoors(doors);
  form_->captureWindow = [this]() -> QObject* {
    return host != nullptr ? host->VisibleCaptureWindow() : nullptr;
  };
  entryPanel = form_;

  InsertInputRecordColumns(30054);
  FillInputRecordList();
  UpdateCountLabel();
  ShowListMode(0);
  OnNewRecord();
}

void CSimpleEntryPage::OnRowDoubleClick(int row) {
  if (form_ == nullptr || grid == nullptr || row < 0 || row >= grid->RowCount()) return;
  ShowListMode(0);
  deleteEnabled = form_->LoadRecord(grid->GetRowId(row), true);
}

void CSimpleEntryPage::OnNewRecord() {
  deleteEnabled = false;
  if (form_ != nullptr) form_->Clear();
}

void CSimpleEntryPage::OnCopyAll() {
  if (form_ == nullptr) return;
  form_->CopyAll();
  pasteReady = true;
}

void CSimpleEntryPage::OnPasteAll() {
  if (form_ != nullptr) form_->PasteAll();
}

void CSimpleEntryPage::OnSave() {
  if (form_ != nullptr) form_->SaveGuarded();
}

void CSimpleEntryPage::OnDelete() {
  if (form_ != nullptr) form_->Delete();
}
