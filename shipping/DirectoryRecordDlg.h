#pragma once
// CDirectoryRecordDlg: the record form of the directory page, shown in the
// page's left panel.  It edits one entry at a time: new (id -1, green title)
// or entry n (red title); saving or deleting returns it to a new entry.
// What it stores and checks is CDirectoryEditor's (DirectoryForm.h).

#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>

#include "shipping/DirectoryForm.h"

class CLinkLabel;
class CColorButton;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class CDirectoryRecordDlg : public QWidget {
 public:
  explicit CDirectoryRecordDlg(QWidget* parent = nullptr);

  // The entries and the window told about saves and deletes.
  void Attach(CDirectoryIndex* index, QObject* page);
  // Where the template goes: the desktop, else the program folder.
  std::function<std::u16string()> templatePath;
  std::string programFolder;

  // Loads the entry with the id; an id the store does not have changes nothing.
  void LoadRecord(int32_t id);
  void ClearForm();
  bool Save();
  // Asks, then removes the form's entry; nothing for a new entry.
  void DeleteCurrent();
  void CopyAll();
  void PasteAll();
  void ExportTemplate();
  void ShowIdentity();

  int32_t EditedId() const { return editedId_; }
  QWidget* Box(int field) const;
  std::u16string BoxText(int field) const;
  void SetBoxText(int field, std::u16string_view text);
  CLinkLabel* TitleLabel() const { return title_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  DirectoryTexts ReadTexts() const;
  void ShowTexts(const DirectoryTexts& texts);
  void LookUp(int field);

  CDirectoryIndex* index_ = nullptr;
  QObject* page_ = nullptr;
  int32_t editedId_ = -1;
  std::array<QWidget*, kDirFieldCount> boxes_{};
  DirectoryTexts copySet_;
  CLinkLabel* title_ = nullptr;
  CColorButton* iconButton_ = nullptr;
  QPushButton* exportButton_ = nullptr;
  QPushButton* testButton_ = nullptr;
};
