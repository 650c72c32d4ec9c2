#pragma once
// CInputRecordPage: what the quick entry page (0) and the streamlined entry
// page (15) share: the waybills of the local input store in a grid of 37
// columns, the row of each waybill their form saves or deletes
// (WM_PAGE_NOTIFY, wParam 1 saved, 0 deleted, a copy of the record as the
// payload), and the print commands over the selected rows: labels in
// sheets, a waybill for exactly one row, proforma invoices.

#include <functional>
#include <string>
#include <vector>

#include "ui/ViewPage.h"

class CBrantleClientApp;
struct InputWaybillRecord;
struct WaybillRecord;

class CInputRecordPage : public CViewPage {
 public:
  CInputRecordPage();
  ~CInputRecordPage() override;

  static constexpr int kColumns = 37;
  static constexpr GridColor kFlaggedRowColor = 0xFF0000;

  void OnPrintLabel() override;
  void OnPrintWaybill() override;
  void OnPrintInvoice(int toFile) override;
  void OnFilePrint() override { OnPrintLabel(); }

  // Lists every record of the input store.
  void FillInputRecordList();
  // A saved (flag 1) or deleted (flag 0) record reported by the form.
  void OnRecordChanged(int flag, const WaybillRecord& record);
  // The ids of the selected rows in grid order (the print block's ids);
  // text 20028 and false when none is selected.
  bool CollectSelectedIds(std::vector<int32_t>& ids);

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
  CBrantleClientApp* App() const;
  // The grid's columns; column 33 (cBy3) takes the caption `cBy3Caption`.
  void InsertInputRecordColumns(int cBy3Caption);

 private:
  void WriteRow(int row, const InputWaybillRecord& record, bool fromStore);
  std::u16string PrintRecordName(int32_t id) const override;
};
