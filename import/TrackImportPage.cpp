#include "import/TrackImportPage.h"

#include "common/LanguageTable.h"
#include "office/ExcelSession.h"
#include "ui/ListGrid.h"

namespace {

std::u16string Decimal(long long value) {
  const std::string s = std::to_string(value);
  return std::u16string(s.begin(), s.end());
}

}  // namespace

CTrackImportPage::CTrackImportPage() = default;
CTrackImportPage::~CTrackImportPage() = default;

CTrackImportDlg* CTrackImportPage::Form() const { return static_cast<CTrackImportDlg*>(panel_); }

CImportPanelDlg* CTrackImportPage::CreatePanel() { return new CTrackImportDlg(this); }

void CTrackImportPage::InsertColumns() {
  if (grid == nullptr) return;
  const CLanguageTable& l = AppLanguage();
  int c = 0;
  grid->InsertColumn(c++, 50, l.Text(30076), 0);
  grid->InsertColumn(c++, 0, u"ID", 0);
  grid->InsertColumn(c++, 0, u"pos", 0);
  grid->InsertColumn(c++, 110, l.Text(30002), 0);
  grid->InsertColumn(c++, 110, l.Text(30500), 0);
  grid->InsertColumn(c++, 100, l.Text(30501), 0);
  grid->InsertColumn(c++, 250, l.Text(30502), 0);
  grid->InsertColumn(c++, 0, u"ver", 0);
}

void CTrackImportPage::TakeSettings() {
  CTrackImportDlg* form = Form();
  settings_.dateTime = form->DateTime();
  settings_.eventText = form->EventText();
  settings_.place = form->Place();
  settings_.numberKind = form->NumberKind();
  settings_.version = form->Version();
  settings_.position = form->Position();
}

batchimport::ImportReport CTrackImportPage::Run(const std::u16string& path,
                                               const batchimport::ImportLink& link) {
  CExcelSession session;
  return batchimport::RunTrackWorkbook(session, path, settings_, link);
}

void CTrackImportPage::AddRow(const batchimport::StoredRow& row) {
  const int r = grid->RowCount();
  grid->InsertRow(r, Decimal(r + 1));
  grid->SetRowId(r, row.id);
  grid->SetCellText(r, 1, Decimal(row.id));
  grid->SetCellText(r, 2, Decimal(row.result));
  grid->SetCellText(r, 3, row.number);
  grid->SetCellText(r, 4, row.dateTime);
  grid->SetCellText(r, 5, row.place);
  grid->SetCellText(r, 6, row.eventText);
  grid->SetCellText(r, 7, row.version);
}
