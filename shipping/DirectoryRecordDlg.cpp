#include "shipping/DirectoryRecordDlg.h"

#include <QApplication>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>

#include "common/FieldCheck.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "platform/MessageBox.h"
#include "platform/QtText.h"
#include "platform/QtMessages.h"
#include "ui/ColorButton.h"
#include "ui/LinkLabel.h"
#include "ui/ViewPage.h"

namespace {

QString Q(std::u16string_view text) { return platform::ToQString(text); }

std::u16string T(int id, std::u16string_view fallback) { return AppLanguage().Text(id, fallback); }

bool IsMultiLine(int field) { return field == kDirAddress || field == kDirMemo; }

// The form's label texts: language texts 22640 + field.
std::u16string FieldLabel(int field) { return T(22640 + field, DirectoryCaption(field)); }

}  // namespace

CDirectoryRecordDlg::CDirectoryRecordDlg(QWidget* parent) : QWidget(parent) {
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setVerticalSpacing(4);
  title_ = new CLinkLabel(this);
  title_->SetBackColor(Qt::white);
  title_->SetFontSize(14);
  layout->addWidget(title_, 0, 0, 1, 2);
  for (int f = 0; f < kDirFieldCount; ++f) {
    auto* label = new QLabel(Q(FieldLabel(f)), this);
    QWidget* box = nullptr;
    if (IsMultiLine(f)) {
      auto* edit = new QPlainTextEdit(this);
      edit->setTabChangesFocus(true);
      edit->setFixedHeight(f == kDirAddress ? 56 : 48);
      box = edit;
    } else {
      box = new QLineEdit(this);
    }
    box->setObjectName(QStringLiteral("dirField%1").arg(f));
    box->installEventFilter(this);
    boxes_[f] = box;
    layout->addWidget(label, f + 1, 0);
    layout->addWidget(box, f + 1, 1);
  }
  auto* buttons = new QHBoxLayout();
  iconButton_ = new CColorButton(this);
  iconButton_->SetIcons(QApplication::style()->standardIcon(QStyle::SP_DesktopIcon), QIcon(), 32, 32);
  iconButton_->SetShowText(false);
  iconButton_->setFixedSize(36, 36);
  exportButton_ = new QPushButton(Q(T(22612, u"导出Excel表头")), this);
  testButton_ = new QPushButton(QStringLiteral("Test"), this);
  buttons->addWidget(iconButton_);
  buttons->addWidget(exportButton_);
  buttons->addWidget(testButton_);
  buttons->addStretch();
  layout->addLayout(buttons, kDirFieldCount + 1, 0, 1, 2);
  layout->setRowStretch(kDirFieldCount + 2, 1);
  connect(iconButton_, &QAbstractButton::clicked, this, [this] {
    if (page_ != nullptr) platform::PostPrivateMessage(page_, kWmPageRelayout);
  });
  connect(exportButton_, &QPushButton::clicked, this, [this] { ExportTemplate(); });
  connect(testButton_, &QPushButton::clicked, this, [this] { ShowIdentity(); });
  ClearForm();
}

void CDirectoryRecordDlg::Attach(CDirectoryIndex* index, QObject* page) {
  index_ = index;
  page_ = page;
}

QWidget* CDirectoryRecordDlg::Box(int field) const { return boxes_[field]; }

std::u16string CDirectoryRecordDlg::BoxText(int field) const {
  if (auto* edit = qobject_cast<QLineEdit*>(boxes_[field])) return edit->text().toStdU16String();
  return static_cast<QPlainTextEdit*>(boxes_[field])->toPlainText().toStdU16String();
}

void CDirectoryRecordDlg::SetBoxText(int field, std::u16string_view text) {
  if (auto* edit = qobject_cast<QLineEdit*>(boxes_[field]))
    edit->setText(Q(text));
  else
    static_cast<QPlainTextEdit*>(boxes_[field])->setPlainText(Q(text));
}

DirectoryTexts CDirectoryRecordDlg::ReadTexts() const {
  DirectoryTexts texts;
  for (int f = 0; f < kDirFieldCount; ++f) texts[f] = BoxText(f);
  return texts;
}

void CDirectoryRecordDlg::ShowTexts(const DirectoryTexts& texts) {
  for (int f = 0; f < kDirFieldCount; ++f) SetBoxText(f, texts[f]);
}

void CDirectoryRecordDlg::LoadRecord(int32_t id) {
  if (index_ == nullptr) return;
  const auto* record = static_cast<const DirectoryRecord*>(index_->Table().FindById(id));
  if (record == nullptr) return;
  ShowTexts(DirectoryTextsOf(*record));
  editedId_ = id;
  std::u16string title = T(22601, u"修改信息记录:%1");
  ReplaceAllW(title, u"%1", WideFromGbk(std::to_string(id)));
  title_->setText(Q(title));
  title_->SetTextColor(QColor(255, 0, 0));
  boxes_[kDirCode]->setFocus();
}

void CDirectoryRecordDlg::ClearForm() {
  editedId_ = -1;
  ShowTexts(DirectoryTexts{});
  title_->setText(Q(T(22602, u"添加新收/发件人信息记录")));
  title_->SetTextColor(QColor(0, 128, 0));
  boxes_[kDirCode]->setFocus();
}

bool CDirectoryRecordDlg::Save() {
  if (index_ == nullptr) return false;
  DirectoryTexts texts = ReadTexts();
  CDirectoryEditor editor(*index_);
  DirectoryRecord saved{};
  if (!editor.Save(editedId_, texts, saved)) {
    ShowTexts(texts);
    return false;
  }
  if (page_ != nullptr) platform::PostPrivateMessage(page_, WM_PAGE_NOTIFY, 1, saved);
  ClearForm();
  return true;
}

void CDirectoryRecordDlg::DeleteCurrent() {
  if (editedId_ < 0 || index_ == nullptr) return;
  if (platform::ShowMessageBox(T(20011, u"确定要删除这条记录吗？"), T(20002, u"系统提示"),
                               platform::kMbYesNo | platform::kMbIconQuestion) != platform::kIdYes)
    return;
  CDirectoryEditor(*index_).Remove(editedId_);
  DirectoryRecord gone{};
  gone.id = editedId_;
  if (page_ != nullptr) platform::PostPrivateMessage(page_, WM_PAGE_NOTIFY, 0, gone);
  ClearForm();
}

// Every field but the code.
void CDirectoryRecordDlg::CopyAll() {
  copySet_ = ReadTexts();
  copySet_[kDirCode].clear();
}

void CDirectoryRecordDlg::PasteAll() {
  for (int f = 0; f < kDirFieldCount; ++f)
    if (f != kDirCode) SetBoxText(f, copySet_[f]);
}

void CDirectoryRecordDlg::ExportTemplate() {
  const std::u16string path = templatePath ? templatePath() : DirectoryTemplatePath(u"", programFolder);
  std::u16string error;
  if (!ExportDirectoryTemplate(path, error)) {
    platform::ShowMessageBox(error, T(20003, u"提示"), platform::kMbOk | platform::kMbIconError);
    return;
  }
  platform::ShowMessageBox(T(22611, u"文件保存在:\r\n") + path, T(20002, u"系统提示"),
                           platform::kMbOk | platform::kMbIconInformation);
}

void CDirectoryRecordDlg::ShowIdentity() {
  platform::ShowMessageBox(WorkstationIdentityText(programFolder), u"Test",
                           platform::kMbOk | platform::kMbIconInformation);
}

void CDirectoryRecordDlg::LookUp(int field) {
  if (index_ == nullptr) return;
  std::u16string text = BoxText(field);
  std::string narrow;
  if (field == kDirCode) {
    // Codes are stored in lower case.
    const int32_t id = FindDirectoryCode(*index_, GbkFromWide(TrimW(text)));
    if (id > 0) LoadRecord(id);
    return;
  }
  const bool byName = field == kDirName;
  if (!CheckFieldLength(text, narrow, byName ? 1 : 0, byName ? 30 : 62,
                        byName ? T(22620, u"姓名") : T(22622, u"电话号码"), false))
    return;
  const DirectoryRecord* found = byName ? index_->FindByName(narrow) : index_->FindByPhone(narrow);
  if (found != nullptr) LoadRecord(found->id);
}

bool CDirectoryRecordDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  int field = -1;
  for (int f = 0; f < kDirFieldCount; ++f)
    if (boxes_[f] == watched) field = f;
  if (field < 0) return QWidget::eventFilter(watched, event);
  const bool ctrl = key->modifiers() & Qt::ControlModifier;
  if (ctrl && (key->key() == Qt::Key_S || key->key() == Qt::Key_F4)) {
    Save();
    return true;
  }
  switch (key->key()) {
    case Qt::Key_Escape: return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (IsMultiLine(field)) return false;
      if (field == kDirCode || field == kDirName || field == kDirPhone) LookUp(field);
      focusNextChild();
      return true;
    case Qt::Key_Down:
      if (IsMultiLine(field)) return false;
      focusNextChild();
      return true;
    case Qt::Key_Up:
      if (IsMultiLine(field)) return false;
      focusPreviousChild();
      return true;
    default: return QWidget::eventFilter(watched, event);
  }
}
