#pragma once
// CQuickEntryPage: page 0 of the main view, the quick entry page: the quick
// entry form on the left and, beside it, the waybills of the local input
// store, followed by every waybill the form saves or deletes.  The page
// passes the view's save, delete, copy-all, paste-all and new-record
// commands to the form, opens a row in the form on a double click and
// prints labels, a waybill or proforma invoices of the selected rows.

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "entry/InputRecordPage.h"

class CBrantleClientApp;
class CQuickEntryDlg;
struct InputWaybillRecord;
struct WaybillRecord;

class CQuickEntryPage : public CInputRecordPage {
 public:
  CQuickEntryPage();
  ~CQuickEntryPage() override;

  void OnPageCreated() override;
  void OnPageCommand() override;
  void OnRowDoubleClick(int row) override;
  void OnNewRecord() override;
  void OnCopyAll() override;
  void OnPasteAll() override;
  void OnSave() override;
  void OnDelete() override;
  void OnImportExcel() override { ChooseImportFile(); }

  // The Excel import (entry/WaybillImportCommand.cpp): the format list, the
  // file, and the waybill import of the chosen workbook.
  void ChooseImportFile();
  // The channel list of the last mapping file read: channel name, kind code.
  std::vector<std::pair<std::u16string, std::u16string>> importChannels;

  // The import's template record and field names.
  void FillImportTemplate(InputWaybillRecord& record);

  CQuickEntryDlg* Form() const { return form_; }

 private:
  CQuickEntryDlg* form_ = nullptr;
};
