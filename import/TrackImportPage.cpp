#include "import/TrackImportPage.h"

#include "common/LanguageTable.h"
#include "office/ExcelSession.h"
#include "ui/ListGrid.h"

CTrackImportPage::CTrackImportPage() = default;
CTrackImportPage::~CTrackImportPage() = default;

CTrackImportDlg* CTrackImportPage::Form() const { return static_cast<CTrackImportDlg*>(panel_); }

CImportPanelDlg* CTrackImportPage::CreatePanel() { return new CTrackImportDlg(this); }

void CTrackImportPage::InsertColumns() {
  if (grid == nullptr) return;
  const CLanguageTable& l = AppLanguage();
  int c = InsertLeadColumns();
  grid->InsertColumn(c++, 110, l.Text(30002), 0);
  grid->InsertColumn(c++, 110, l.Text(30500), 0);
  grid->InsertColumn(c++, 100, l.Text(30501), 0);
  grid->InsertColumn(c++, 250, l.Text(30502), 0);
  grid->InsertColumn(c++, 0, u"ver", 0);
}

void CTrackImportPage::TakeSettings() {
  CTrackImportDlg* form = Form();
  form->TakeValues(settings_);
  settings_.position = form->Position();
}

batchimport::ImportReport CTrackImportPage::Run(const std::u16string& path,
                                               const batchimport::ImportLink& link) {
  CExcelSession session;
  return batchimport::RunTrackWorkbook(session, path, settings_, link);
}

void CTrackImportPage::AddRow(const batchimport::StoredRow& row) {
  const int r = AddLeadCells(row);
  grid->SetCellText(r, 3, row.number);
  grid->SetCellText(r, 4, row.dateTime);
  grid->SetCellText(r, 5, row.place);
  grid->SetCellText(r, 6, row.eventText);
  grid->SetCellText(r, 7, row.version);
}
