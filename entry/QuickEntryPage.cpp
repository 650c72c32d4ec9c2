#include "entry/QuickEntryPage.h"

#include <cstdio>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "entry/QuickEntryDlg.h"
#include "platform/MessageBox.h"
#include "platform/QtMessages.h"
#include "print/PagePrintPlan.h"
#include "print/PrintDoors.h"
#include "print/PrintText.h"
#include "refdata/ClientListCache.h"
#include "refdata/RecordStores.h"
#include "shell/AppSettings.h"
#include "shell/BrantleClientApp.h"
#include "ui/ViewHost.h"

CQuickEntryPage::CQuickEntryPage() = default;

CQuickEntryPage::~CQuickEntryPage() = default;

void CQuickEntryPage::OnPageCreated() {
  CViewPage::OnPageCreated();
  printBusy = 0;
  saveFollowsMode = true;
  exportEnabled = true;
  excelImportEnabled = true;
  labelEnabled = true;
  waybillEnabled = true;
  invoiceEnabled = true;
  title = AppLanguage().Text(120050);
  panelWidth = 480;

  form_ = new CQuickEntryDlg(App(), this);
  form_->setGeometry(5, 3, panelWidth - 10, 660);
  form_->hide();
  form_->SetPageWindow(this);
  form_->captureWindow = [this]() -> QObject* {
    return host != nullptr ? host->VisibleCaptureWindow() : nullptr;
  };
  entryPanel = form_;

  InsertInputRecordColumns(30064);
  FillInputRecordList();
  UpdateCountLabel();
  ShowListMode(0);
  OnNewRecord();
}

// ---- commands passed to the form ----

void CQuickEntryPage::OnPageCommand() {
  if (form_ == nullptr) return;
  form_->CloseScale();
  form_->OpenScale();
}

void CQuickEntryPage::OnRowDoubleClick(int row) {
  if (form_ == nullptr || grid == nullptr || row < 0 || row >= grid->RowCount()) return;
  ShowListMode(0);
  deleteEnabled = form_->LoadRecord(grid->GetRowId(row), true);
}

void CQuickEntryPage::OnNewRecord() {
  deleteEnabled = false;
  if (form_ != nullptr) form_->Clear();
}

void CQuickEntryPage::OnCopyAll() {
  if (form_ == nullptr) return;
  form_->CopyAll();
  pasteReady = true;
}

void CQuickEntryPage::OnPasteAll() {
  if (form_ != nullptr) form_->PasteAll();
}

void CQuickEntryPage::OnSave() {
  if (form_ != nullptr) form_->Save();
}

void CQuickEntryPage::OnDelete() {
  if (form_ != nullptr) form_->Delete();
}

void CQuickEntryPage::FillImportTemplate(InputWaybillRecord& record) {
  if (form_ != nullptr) form_->FillImportTemplate(record);
}
