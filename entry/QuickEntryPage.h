#pragma once
// CQuickEntryPage: page 0 of the main view, the quick entry page: the quick
// entry form on the left and, beside it, the waybills of the local input
// store, followed by every waybill the form saves or deletes.  The page
// passes the view's save, delete, copy-all, paste-all and new-record
// commands to the form, opens a row in the form on a double click and
// prints labels, a waybill or proforma invoices of the selected rows.

#include <functional>
#include <string>
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

  // Lists every record of the input store.
  void FillInputRecordList();
  // A saved (flag 1) or deleted (flag 0) record reported by the form.
  void OnRecordChanged(int flag, const WaybillRecord& record);
  // The ids of the selected rows in grid order; text 20028 and false when
  // none is selected.
  bool CollectSelectedIds(std::vector<int32_t>& ids);
  // The import's template record and field names.
  void FillImportTemplate(InputWaybillRecord& record);

  CQuickEntryDlg* Form() const { return form_; }
  bool PrintBusy() const { return printBusy_; }

  // Print hooks the printing side provides: labels per sheet of the current
  // label template (-1 none) and whether it lays out the "分单序" field;
  // the print confirmation (kind 0 invoice, 1 label) giving the copies, 0
  // when cancelled.  Without them: one label per sheet, a Yes/No question
  // and one copy.
  std::function<int()> labelsPerSheet;
  std::function<bool()> labelHasSequence;
  std::function<int(int kind, const std::u16string& text)> confirmPrint;
  // The pause between print jobs (200 ms; tests give none).
  std::function<void()> printPause;

 protected:
  bool event(QEvent* e) override;

 private:
  CBrantleClientApp* App() const;
  void WriteRow(int row, const InputWaybillRecord& record, bool fromStore);
  int Confirm(int kind, const std::u16string& text);

  CQuickEntryDlg* form_ = nullptr;
  bool printBusy_ = false;
  int labelCopies_ = 1;
};
