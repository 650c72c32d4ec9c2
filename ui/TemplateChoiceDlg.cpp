#include "ui/TemplateChoiceDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/LanguageTable.h"
#include "common/WideText.h"
#include "platform/MessageBox.h"
#include "platform/QtText.h"
#include "platform/QtWaitForWork.h"
#include "print/TemplateCache.h"
#include "print/TemplateChoice.h"
#include "print/TemplateModel.h"
#include "ui/ListGrid.h"

using platform::ToQString;

namespace {
constexpr int kTextColumnSuffix = 190000;
constexpr int kTextListLabel = 190001;
constexpr int kTextPick = 190002;
constexpr int kTextOk = 190003;
constexpr int kTextCancel = 190004;
constexpr int kTextCaption = 190008;
constexpr int kTextCurrentChoice = 21475;
}  // namespace

CTemplateChoiceDlg::CTemplateChoiceDlg(QWidget* parent) : QDialog(parent) {
  listLabel_ = new QLabel(this);
  selectionLabel_ = new QLabel(this);
  grid_ = new CListGrid(this);
  okButton_ = new QPushButton(this);
  cancelButton_ = new QPushButton(this);
  grid_->SetSingleSelection(true);
  grid_->setShowGrid(true);
  grid_->SetHighlightMode(2);
  grid_->setMinimumSize(240, 260);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(selectionLabel_, 1);
  buttons->addWidget(okButton_);
  buttons->addWidget(cancelButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(listLabel_);
  layout->addWidget(grid_, 1);
  layout->addLayout(buttons);

  connect(grid_, &QAbstractItemView::clicked, this,
          [this](const QModelIndex& index) { SelectRow(index.row()); });
  connect(grid_, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
    SelectRow(index.row());
    accept();
  });
  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
}

int CTemplateChoiceDlg::SetKind(int slot, std::u16string currentName,
                                std::vector<std::u16string> names) {
  slot_ = slot;
  selectedName = std::move(currentName);
  names_ = std::move(names);
  return static_cast<int>(names_.size());
}

void CTemplateChoiceDlg::InitDialog() {
  CLanguageTable& language = AppLanguage();
  std::u16string kindCaption = language.Text(TemplateKindCaptionId(slot_));
  std::u16string caption = language.Text(kTextCaption);
  ReplaceAllW(caption, u"%1", kindCaption);
  setWindowTitle(ToQString(caption));
  listLabel_->setText(ToQString(language.Text(kTextListLabel)));
  selectionLabel_->setText(ToQString(language.Text(kTextPick)));
  okButton_->setText(ToQString(language.Text(kTextOk)));
  cancelButton_->setText(ToQString(language.Text(kTextCancel)));
  grid_->DeleteAllRows();
  if (grid_->ColumnCount() == 0)
    grid_->InsertColumn(0, 210, kindCaption + language.Text(kTextColumnSuffix), 0);
  for (size_t i = 0; i < names_.size(); ++i)
    grid_->InsertRow(static_cast<int>(i), names_[i]);
  for (size_t i = 0; i < names_.size(); ++i) {
    if (names_[i] == selectedName) {
      SelectRow(static_cast<int>(i));
      grid_->SelectAndShowRow(static_cast<int>(i));
      break;
    }
  }
}

int CTemplateChoiceDlg::DoModal() {
  InitDialog();
  return exec() == QDialog::Accepted ? platform::kIdOk : platform::kIdCancel;
}

void CTemplateChoiceDlg::SelectRow(int row) {
  if (row < 0 || row >= static_cast<int>(names_.size())) return;
  selectedName = names_[static_cast<size_t>(row)];
  std::u16string text = AppLanguage().Text(kTextCurrentChoice);
  ReplaceAllW(text, u"%1", selectedName);
  selectionLabel_->setText(ToQString(text));
}

int ChooseTemplate(CTemplateCache& cache, CServerLink& link, const std::string& programFolder,
                   int slot, QWidget* parent) {
  CTemplateModel* current = cache.Current(slot);
  SqlRunner run = LinkSqlRunner(link);
  std::vector<std::u16string> names =
      platform::WaitForWork([&] { return ListTemplateNames(run, slot); });
  CTemplateChoiceDlg dlg(parent);
  dlg.SetKind(slot, current ? current->Name() : std::u16string(), std::move(names));
  if (dlg.DoModal() != platform::kIdOk || dlg.selectedName.empty()) return 0;
  return TakeChosenTemplate(cache, link, programFolder, slot, dlg.selectedName);
}
