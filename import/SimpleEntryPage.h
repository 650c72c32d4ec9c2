#pragma once
// CSimpleEntryPage: page 15 of the main view, the streamlined entry page for
// multi-piece waybills: the streamlined entry form on the left and, beside
// it, the waybills of the local input store, followed by every waybill the
// form saves or deletes.  The page passes the view's save, delete,
// copy-all, paste-all and new-record commands to the form, opens a row in
// the form on a double click and prints labels, a waybill or proforma
// invoices of the selected rows (the input-record page base).

#include "entry/InputRecordPage.h"

class CSimpleEntryDlg;

class CSimpleEntryPage : public CInputRecordPage {
 public:
  CSimpleEntryPage();
  ~CSimpleEntryPage() override;

  void OnPageCreated() override;
  void OnRowDoubleClick(int row) override;
  void OnNewRecord() override;
  void OnCopyAll() override;
  void OnPasteAll() override;
  void OnSave() override;
  void OnDelete() override;

  CSimpleEntryDlg* Form() const { return form_; }

 private:
  CSimpleEntryDlg* form_ = nullptr;
};
