#pragma once
// CDirectoryPage: page 4 of the main view, the sender/receiver directory of
// the workstation (DATA/rsdata.dat).  The grid lists every entry (row id =
// entry id); the record form in the left panel adds and changes entries;
// entries can be deleted and imported from a directory workbook.

#include <functional>
#include <string>

#include "ui/ViewPage.h"

class CDirectoryIndex;
class CDirectoryRecordDlg;
struct DirectoryRecord;

class CDirectoryPage : public CViewPage {
 public:
  CDirectoryPage();
  ~CDirectoryPage() override;

  // The entries shown (tests; the application's when not set).
  void SetDirectory(CDirectoryIndex* index) { index_ = index; }
  CDirectoryRecordDlg* Form() const { return form_; }
  // The open-file dialog of the import (tests replace it), given the file
  // filter: the path, or empty when cancelled.
  std::function<std::u16string(const QString& filter)> chooseImportFile;

  void OnPageCreated() override;
  void OnImportExcel() override;
  void OnDelete() override;
  void OnSave() override;
  void OnPasteAll() override;
  void OnCopyAll() override;
  void OnNewRecord() override;
  void OnRowDoubleClick(int row) override;
  qintptr OnRecordSaved(quintptr wParam, qintptr lParam) override;

  void FillList();
  void DeleteSelected();
  // Imports the workbook at the path; the number of entries written.
  int ImportFromExcel(std::u16string_view path);

 protected:
  bool event(QEvent* e) override;

 private:
  void WriteRow(int row, const DirectoryRecord& record);
  CDirectoryIndex* Directory();

  CDirectoryIndex* index_ = nullptr;
  CDirectoryRecordDlg* form_ = nullptr;
};
