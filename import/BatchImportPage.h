#pragma once
// What the two import pages (6 and 7) do alike: the panel at the left of
// the list, the list's row removal, the panel's two requests, the date
// check, the file choice, the run off the window's thread, the report at
// the end and the header template.  CTrackImportPage and
// CTransferNoImportPage add their columns, their calls and their texts.

#include <functional>
#include <span>
#include <memory>
#include <string>

#include "import/BatchImport.h"
#include "import/ImportServices.h"
#include "ui/ViewPage.h"

class CImportPanelDlg;

class CBatchImportPage : public CViewPage {
 public:
  ~CBatchImportPage() override;

  // Makes the page's services over the view's host (the program gives
  // app/ImportServices.h).
  std::function<std::unique_ptr<CImportServices>(CViewHost*)> makeServices;

  void OnPageCreated() override;
  void OnNewRecord() override;
  qintptr OnGridMenuCommand(quintptr wParam, qintptr lParam) override;
  // The panel's requests: 1 import, 2 the header template.
  qintptr OnRecordSaved(quintptr wParam, qintptr lParam) override;

  void ImportFromExcel();
  void WriteHeaderTemplate();

  CImportPanelDlg* Panel() const { return panel_; }
  CImportServices* Services() const { return services_.get(); }
  // The last run's report (tests read it).
  const batchimport::ImportReport& LastReport() const { return report_; }

 protected:
  CBatchImportPage() = default;
  virtual CImportPanelDlg* CreatePanel() = 0;
  virtual void InsertColumns() = 0;
  virtual int32_t TitleText() const = 0;
  virtual int32_t NotADateText() const = 0;
  virtual int32_t DateFarText() const = 0;
  virtual int32_t FailuresCopiedText() const = 0;
  virtual std::span<const batchimport::HeaderColumn> Headers() const = 0;
  // Takes the panel's values for the run.
  virtual void TakeSettings() = 0;
  // Runs the workbook (off the window's thread).
  virtual batchimport::ImportReport Run(const std::u16string& path,
                                        const batchimport::ImportLink& link) = 0;
  virtual void AddRow(const batchimport::StoredRow& row) = 0;
  // After the rows are listed and before the report (page 6: the log line).
  virtual void AfterRows(const batchimport::ImportReport& report) { (void)report; }

  // The columns every list starts with: the row number, then the id and
  // the result, hidden.  The next column's index.
  int InsertLeadColumns();
  // A new last row with its number, the id and the result; its index.
  int AddLeadCells(const batchimport::StoredRow& row);

  CImportPanelDlg* panel_ = nullptr;

 private:
  std::u16string ChooseWorkbook();
  batchimport::ImportLink MakeLink();

  std::unique_ptr<CImportServices> services_;
  batchimport::ImportReport report_;
};

// Page 7: tracking events.
class CTrackImportDlg;
class CTrackImportPage : public CBatchImportPage {
 public:
  CTrackImportPage();
  ~CTrackImportPage() override;
  CTrackImportDlg* Form() const;

 protected:
  CImportPanelDlg* CreatePanel() override;
  void InsertColumns() override;
  int32_t TitleText() const override { return 270050; }
  int32_t NotADateText() const override { return batchimport::kTrackNotADate; }
  int32_t DateFarText() const override { return batchimport::kTrackDateFar; }
  int32_t FailuresCopiedText() const override { return batchimport::kTrackFailuresCopied; }
  std::span<const batchimport::HeaderColumn> Headers() const override {
    return batchimport::TrackHeaders();
  }
  void TakeSettings() override;
  batchimport::ImportReport Run(const std::u16string& path,
                                const batchimport::ImportLink& link) override;
  void AddRow(const batchimport::StoredRow& row) override;

 private:
  batchimport::TrackSettings settings_;
};
