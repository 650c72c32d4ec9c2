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

#include "ui/ViewPage.h"

class CBrantleClientApp;
class CQuickEntryDlg;
struct InputWaybillRecord;
struct WaybillRecord;

class CQuickEntryPage : public CViewPage {
 public:
  CQuickEntryPage();
  ~CQuickEntryPage() override;

  static constexpr int kColumns = 37;
  static constexpr GridColor kFlaggedRowColor = 0xFF0000;

  void OnPageCreated() override;
  void OnPageCommand() override;
  void OnRowDoubleClick(int row) override;
  void OnNewRecord() override;
  void OnCopyAll() override;
  void OnPasteAll() override;
  void OnSave() override;
  void OnDelete() override;
  void OnPrintLabel() override;
  void OnPrintWaybill() override;
  void OnPrintInvoice(int toFile) override;
  void OnFilePrint() override { OnPrintLabel(); }
  void OnImportExcel() override { ChooseImportFile(); }

  // The Excel import (entry/WaybillImportCommand.cpp): the format list, the
  // file, and the waybill import of the chosen workbook.
  void ChooseImportFile();
  // The channel list of the last mapping file read: channel name, kind code.
  std::vector<std::pair<std::u16string, std::u16string>> importChannels;

  // Lists every record of the input store.
  void FillInputRecordList();
  // A saved (flag 1) or deleted (flag 0) record reported by the form.
  void OnRecordChanged(int flag, const WaybillRecord& record);
  // The ids of the selected rows in grid order (the print block's ids);
  // text 20028 and false when none is selected.
  bool CollectSelectedIds(std::vector<int32_t>& ids);
  // The import's template record and field names.
  void FillImportTemplate(InputWaybillRecord& record);

  CQuickEntryDlg* Form() const { return form_; }
  bool PrintBusy() const { return printBusy != 0; }

  // The label print's view of the label template: labels per sheet (-1
  // with none) and whether it lays out the piece-order field "分单序".  By
  // default they read the application's label layout; tests replace them.
  // The confirmation and the pause between jobs are the page base's
  // (confirmPrint, printPause).
  std::function<int()> labelsPerSheet;
  std::function<bool()> labelHasSequence;

 protected:
  bool event(QEvent* e) override;

 private:
  CBrantleClientApp* App() const;
  void WriteRow(int row, const InputWaybillRecord& record, bool fromStore);
  std::u16string PrintRecordName(int32_t id) const override;

  CQuickEntryDlg* form_ = nullptr;
};
