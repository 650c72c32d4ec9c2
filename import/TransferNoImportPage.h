#pragma once
// CTransferNoImportPage: page 6 of the main view, the transfer-number
// import: the settings panel CTransferNoImportDlg at the left, the
// waybills that took their transfer numbers in the list beside it, one
// system log line per import (see import/BatchImportPage.h).

#include "import/BatchImportPage.h"
#include "import/ImportPanel.h"

class CTransferNoImportPage : public CBatchImportPage {
 public:
  CTransferNoImportPage();
  ~CTransferNoImportPage() override;
  CTransferNoImportDlg* Form() const;

 protected:
  CImportPanelDlg* CreatePanel() override;
  void InsertColumns() override;
  int32_t TitleText() const override { return 260050; }
  int32_t NotADateText() const override { return batchimport::kTransferNotADate; }
  int32_t DateFarText() const override { return batchimport::kTransferDateFar; }
  int32_t FailuresCopiedText() const override { return batchimport::kTransferFailuresCopied; }
  std::span<const batchimport::HeaderColumn> Headers() const override {
    return batchimport::TransferHeaders();
  }
  void TakeSettings() override;
  batchimport::ImportReport Run(const std::u16string& path,
                                const batchimport::ImportLink& link) override;
  void AddRow(const batchimport::StoredRow& row) override;
  void AfterRows(const batchimport::ImportReport& report) override;

 private:
  batchimport::TransferSettings settings_;
};
