#include "shipping/DirectoryPage.h"

#include <QFileDialog>

#include <memory>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "office/ExcelSession.h"
#include "platform/MessageBox.h"
#include "platform/QtMessages.h"
#include "shell/BrantleClientApp.h"
#include "shipping/DirectoryForm.h"
#include "shipping/DirectoryRecordDlg.h"
#include "ui/ListGridExport.h"
#include "ui/ViewCommands.h"
#include "ui/ViewHost.h"

namespace {

std::u16string T(int id, std::u16string_view fallback) { return AppLanguage().Text(id, fallback); }

// The import workbook's first sheet through the office suite.
class ExcelDirectorySheet : public DirectorySheet {
 public:
  explicit ExcelDirectorySheet(CExcelSession& book) : book_(book) {}
  std::u16string Cell(int row, int column) override { return book_.CellTextTo(row, column, 1024); }

 private:
  CExcelSession& book_;
};

}  // namespace

CDirectoryPage::CDirectoryPage() : CViewPage(nullptr) {}

CDirectoryPage::~CDirectoryPage() = default;

CDirectoryIndex* CDirectoryPage::Directory() {
  if (index_ == nullptr && host != nullptr && host->Application() != nullptr)
    index_ = &host->Application()->DirectoryIndex();
  return index_;
}

void CDirectoryPage::OnPageCreated() {
  title = AppLanguage().Text(22600);
  panelWidth = 350;
  form_ = new CDirectoryRecordDlg(this);
  form_->setGeometry(5, 3, 340, 560);
  form_->Attach(Directory(), this);
  if (host != nullptr && host->Application() != nullptr) {
    CBrantleClientApp* app = host->Application();
    form_->programFolder = app->ProgramFolder();
    form_->templatePath = [app] {
      return DirectoryTemplatePath(app->GetDesktopPath(), app->ProgramFolder());
    };
  }
  form_->hide();
  entryPanel = form_;
  for (int c = 0; c < kDirectoryGridColumns; ++c)
    grid->InsertColumn(c, DirectoryGridWidth(c), T(22660 + c, DirectoryGridCaption(c)),
                       kGridAlignLeft);
  grid->EnableRowData(true);
  grid->SetHighlightMode(2);
  FillList();
  excelImportEnabled = true;
  deleteEnabled = true;
  saveEnabled = true;
  CViewPage::OnPageCreated();
  ShowListMode(0);
  form_->ClearForm();
}

void CDirectoryPage::WriteRow(int row, const DirectoryRecord& record) {
  const auto cells = DirectoryGridCells(record);
  for (int c = 1; c < kDirectoryGridColumns; ++c) grid->SetCellText(row, c, cells[c]);
}

void CDirectoryPage::FillList() {
  grid->DeleteAllRows();
  CDirectoryIndex* index = Directory();
  if (index != nullptr) {
    CDirectoryTable& table = index->Table();
    const int count = table.GetCount();
    for (int i = 0; i < count; ++i) {
      const DirectoryRecord* record = table.Record(i);
      if (record == nullptr) continue;
      const int row = grid->InsertRow(grid->RowCount(), WideFromGbk(std::to_string(i + 1)));
      grid->SetRowId(row, record->id);
      WriteRow(row, *record);
    }
  }
  UpdateCountLabel();
}

bool CDirectoryPage::event(QEvent* e) {
  if (auto* m = platform::AsPrivateMessage(e); m != nullptr && m->Message() == WM_PAGE_NOTIFY) {
    if (std::unique_ptr<DirectoryRecord> record = m->TakePayload<DirectoryRecord>()) {
      const int32_t id = record->id;
      const int flag = static_cast<int>(m->WParam());
      int row = grid->FindRowById(id);
      if (flag == 1) {
        if (row < 0) {
          row = grid->InsertRow(grid->RowCount(), WideFromGbk(std::to_string(grid->RowCount() + 1)));
          grid->SetRowId(row, id);
        }
        WriteRow(row, *record);
        grid->scrollTo(grid->model()->index(row, 0));
      } else if (flag == 0 && row >= 0) {
        grid->DeleteRow(row);
        for (int r = row; r < grid->RowCount(); ++r)
          grid->SetCellText(r, 0, WideFromGbk(std::to_string(r + 1)));
      }
      UpdateCountLabel();
    }
    m->SetResult(0);
    return true;
  }
  return CViewPage::event(e);
}

qintptr CDirectoryPage::OnRecordSaved(quintptr, qintptr) { return 0; }

void CDirectoryPage::OnSave() {
  if (form_ != nullptr) form_->Save();
}
void CDirectoryPage::OnCopyAll() {
  if (form_ != nullptr) form_->CopyAll();
  pasteReady = true;
}
void CDirectoryPage::OnPasteAll() {
  if (form_ != nullptr) form_->PasteAll();
}
void CDirectoryPage::OnNewRecord() {
  if (form_ != nullptr) form_->ClearForm();
}

void CDirectoryPage::OnRowDoubleClick(int row) {
  ShowListMode(0);
  if (form_ != nullptr) form_->LoadRecord(grid->GetRowId(row));
}

void CDirectoryPage::OnDelete() { DeleteSelected(); }

void CDirectoryPage::DeleteSelected() {
  if (listOnly == 0) {
    if (form_ != nullptr) form_->DeleteCurrent();
    return;
  }
  std::vector<int32_t> ids;
  if (GetSelectedIds(ids) <= 0) {
    platform::ShowMessageBox(T(22606, u"没有选择需要删除的记录。"), T(20003, u"提示"),
                             platform::kMbOk | platform::kMbIconWarning);
    return;
  }
  std::u16string question = T(22607,
                              u"选中的 %1 条记录删除后不能恢复！\r\n━━━━━━━━━━━━━━━━━\r\n"
                              u"想好了要删除记录吗？请确认！");
  ReplaceAllW(question, u"%1", WideFromGbk(std::to_string(ids.size())));
  if (platform::ShowMessageBox(question, T(22608, u"删除记录确认提示"),
                               platform::kMbYesNo | platform::kMbIconQuestion) != platform::kIdYes)
    return;
  CDirectoryIndex* index = Directory();
  if (index != nullptr)
    for (int32_t id : ids) index->RemoveById(id);
  FillList();
  if (form_ != nullptr) form_->ClearForm();
}

void CDirectoryPage::OnImportExcel() {
  std::u16string path;
  // The application's Excel filter (it names the newer workbooks once the
  // office suite was found).
  CBrantleClientApp* app = host != nullptr ? host->Application() : nullptr;
  const QString filter =
      QtFileFilter(app != nullptr ? app->excelFileFilter : u"Excel file (*.xls)|*.xls|");
  if (chooseImportFile) {
    path = chooseImportFile(filter);
  } else {
    path = QFileDialog::getOpenFileName(this, QString(), QString(), filter).toStdU16String();
  }
  if (!path.empty()) ImportFromExcel(path);
}

int CDirectoryPage::ImportFromExcel(std::u16string_view path) {
  CDirectoryIndex* index = Directory();
  if (index == nullptr) return 0;
  CExcelSession book;
  if (book.OpenForReading(path) == 0) {
    platform::ShowMessageBox(book.LastError(), T(20003, u"提示"),
                             platform::kMbOk | platform::kMbIconError);
    return 0;
  }
  ExcelDirectorySheet sheet(book);
  const DirectoryImportResult result =
      ImportDirectorySheet(*index, sheet, [this](const DirectoryRecord& record) {
        const int row =
            grid->InsertRow(grid->RowCount(), WideFromGbk(std::to_string(grid->RowCount() + 1)));
        grid->SetRowId(row, record.id);
        WriteRow(row, record);
      });
  book.Close();
  UpdateCountLabel();
  if (!result.headingsFound) {
    platform::ShowMessageBox(DirectoryMissingHeadingsText(), T(20003, u"提示"),
                             platform::kMbOk | platform::kMbIconWarning);
    return 0;
  }
  platform::ShowMessageBox(DirectoryImportSummary(result), T(20002, u"系统提示"),
                           platform::kMbOk | platform::kMbIconInformation);
  return result.written;
}
