#include "import/TransferNoImportPage.h"

#include "common/LanguageTable.h"
#include "office/ExcelSession.h"
#include "platform/QtWaitForWork.h"
#include "server/ServerLink.h"
#include "ui/ListGrid.h"

CTransferNoImportPage::CTransferNoImportPage() = default;
CTransferNoImportPage::~CTransferNoImportPage() = default;

CTransferNoImportDlg* CTransferNoImportPage::Form() const {
  return static_cast<CTransferNoImportDlg*>(panel_);
}

CImportPanelDlg* CTransferNoImportPage::CreatePanel() { return new CTransferNoImportDlg(this); }

void CTransferNoImportPage::InsertColumns() {
  if (grid == nullptr) return;
  const CLanguageTable& l = AppLanguage();
  int c = InsertLeadColumns();
  grid->InsertColumn(c++, 90, l.Text(30002), 0);
  grid->InsertColumn(c++, 120, l.Text(30003), 0);
  grid->InsertColumn(c++, 100, l.Text(30041), 0);
  grid->InsertColumn(c++, 110, l.Text(30500), 0);
  grid->InsertColumn(c++, 100, l.Text(30501), 0);
  grid->InsertColumn(c++, 250, l.Text(30502), 0);
  grid->InsertColumn(c++, 90, l.Text(30073) + u"*", 0);
}

void CTransferNoImportPage::TakeSettings() {
  CTransferNoImportDlg* form = Form();
  form->TakeValues(settings_);
  settings_.mixed = form->Mixed();
}

batchimport::ImportReport CTransferNoImportPage::Run(const std::u16string& path,
                                                    const batchimport::ImportLink& link) {
  CExcelSession session;
  return batchimport::RunTransferWorkbook(session, path, settings_, link);
}

void CTransferNoImportPage::AddRow(const batchimport::StoredRow& row) {
  const int r = AddLeadCells(row);
  grid->SetCellText(r, 3, row.number);
  grid->SetCellText(r, 4, row.transfer);
  grid->SetCellText(r, 5, row.reference);
  grid->SetCellText(r, 6, row.dateTime);
  grid->SetCellText(r, 7, row.place);
  grid->SetCellText(r, 8, row.eventText);
  grid->SetCellText(r, 9, row.kindName);
}

void CTransferNoImportPage::AfterRows(const batchimport::ImportReport& report) {
  // The log line comes before any message, also when a reply failed.
  if (report.stored.empty() || Services() == nullptr) return;
  CServerLink& link = Services()->Link();
  const std::u16string text = batchimport::TransferLogText(static_cast<int>(report.stored.size()),
                                                           report.kindChanges);
  platform::WaitForWork([&] { link.WriteSystemLog("\xd0\xde\xb8\xc4", text, 0, 1); });
}
