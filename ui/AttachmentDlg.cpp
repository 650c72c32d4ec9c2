#include "ui/AttachmentDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "platform/QtMessages.h"
#include "platform/QtText.h"
#include "server/ServerLink.h"
#include "ui/ColorButton.h"
#include "ui/ListGrid.h"
#include "ui/ViewHost.h"

using platform::FromQString;
using platform::ToQString;

namespace {

// Language ids of the dialog's texts.
constexpr int kTextCaption = 340000;
constexpr int kTextFile = 340001;
constexpr int kTextDelete = 340005;
constexpr int kTextOpenAfter = 340006;
constexpr int kTextColumnAdded = 340010;
constexpr int kTextColumnName = 340011;
constexpr int kTextColumnLength = 340012;
constexpr int kTextColumnAccount = 340013;

constexpr int kFileFieldLength = 255;

QString T(int id) { return ToQString(AppLanguage().Text(id)); }

}  // namespace

void DesktopAttachmentOpener::Open(const std::u16string& path) {
  const QString address = QUrl::fromLocalFile(ToQString(path)).toString();
  if (host_)
    host_->OpenUrl(address);
  else
    QDesktopServices::openUrl(QUrl(address));
}

CAttachmentDlg::CAttachmentDlg(attachment::AttachmentLink& link,
                               attachment::AttachmentOpener& opener,
                               attachment::AttachmentSession::Environment env, QWidget* parent)
    : QDialog(parent), link_(link), opener_(opener), env_(std::move(env)) {
  chooseFile = [](QWidget* owner) {
    return FromQString(QFileDialog::getOpenFileName(owner, QString(), QString(),
                                                    QStringLiteral("*.*")));
  };
  browseButton_ = new CColorButton(this);
  browseButton_->SetShowText(false);
  browseButton_->SetIcons(QApplication::style()->standardIcon(QStyle::SP_DirOpenIcon), QIcon(),
                          32, 32);
  browseButton_->setFixedSize(40, 40);
  fileLabel_ = new QLabel(this);
  fileField_ = new QLineEdit(this);
  fileField_->setMaxLength(kFileFieldLength);
  actionButton_ = new QPushButton(this);
  deleteButton_ = new QPushButton(this);
  openAfter_ = new QCheckBox(this);
  openAfter_->setChecked(true);
  list_ = new CListGrid(this);
  for (QPushButton* b : {actionButton_, deleteButton_}) b->setAutoDefault(false);

  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(browseButton_);
  fileRow->addWidget(fileLabel_);
  fileRow->addWidget(fileField_, 1);
  fileRow->addWidget(actionButton_);
  auto* optionRow = new QHBoxLayout;
  optionRow->addWidget(openAfter_);
  optionRow->addStretch(1);
  optionRow->addWidget(deleteButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fileRow);
  layout->addWidget(list_, 1);
  layout->addLayout(optionRow);
  resize(500, 360);

  connect(browseButton_, &CColorButton::clicked, this, &CAttachmentDlg::OnBrowse);
  connect(actionButton_, &QPushButton::clicked, this, &CAttachmentDlg::OnAction);
  connect(deleteButton_, &QPushButton::clicked, this, &CAttachmentDlg::OnDelete);
  connect(openAfter_, &QCheckBox::toggled, this, [this](bool on) {
    if (session_) session_->openAfterDownload = on;
  });
  connect(fileField_, &QLineEdit::textEdited, this, [this](const QString& text) {
    if (session_) session_->SetFileField(FromQString(text));
  });
}

CAttachmentDlg::~CAttachmentDlg() = default;

int CAttachmentDlg::DoModal() {
  InitDialog();
  return exec();
}

void CAttachmentDlg::InitDialog() {
  attachment::RecordKey key;
  key.kind = kind;
  key.id = keyId;
  key.text = keyText;
  session_ = std::make_unique<attachment::AttachmentSession>(link_, opener_, std::move(key), env_);
  session_->openAfterDownload = openAfter_->isChecked();

  setWindowTitle(T(kTextCaption));
  fileLabel_->setText(T(kTextFile));
  deleteButton_->setText(T(kTextDelete));
  openAfter_->setText(T(kTextOpenAfter));
  list_->SetHighlightMode(2);
  list_->setShowGrid(true);
  list_->EnableRowData(true);
  list_->EnableHeaderSort(true);
  list_->SetSingleSelection(true);
  list_->SetNotifyWnd(this);
  if (list_->ColumnCount() == 0) {
    // Wide enough for a whole time stamp and account in this font.
    list_->InsertColumn(0, 140, AppLanguage().Text(kTextColumnAdded), kGridAlignLeft);
    list_->InsertColumn(1, 150, AppLanguage().Text(kTextColumnName), kGridAlignLeft);
    list_->InsertColumn(2, 80, AppLanguage().Text(kTextColumnLength), kGridAlignRight);
    list_->InsertColumn(3, 90, AppLanguage().Text(kTextColumnAccount), kGridAlignLeft);
    list_->InsertColumn(4, 0, u"", kGridAlignRight);
  }
  session_->Load();
  setWindowTitle(ToQString(session_->Caption()));
  ShowRows();
  Refresh();
}

void CAttachmentDlg::ShowRows() {
  list_->DeleteAllRows();
  for (const attachment::AttachmentRow& r : session_->Rows()) {
    const int row = list_->InsertRow(list_->RowCount(), r.added);
    list_->SetRowId(row, r.iid);
    list_->SetCellText(row, 1, r.fileName);
    list_->SetCellText(row, 2, FromQString(QString::number(r.length)));
    list_->SetCellText(row, 3, r.account);
    list_->SetCellText(row, 4, FromQString(QString::number(r.compressedLength)));
  }
}

void CAttachmentDlg::Refresh() {
  if (!session_) return;
  actionButton_->setText(T(session_->ActionTextId()));
  actionButton_->setEnabled(session_->ActionEnabled());
  deleteButton_->setVisible(session_->DeleteShown());
  if (fileField_->text() != ToQString(session_->FileField()))
    fileField_->setText(ToQString(session_->FileField()));
}

void CAttachmentDlg::OnBrowse() {
  if (!session_) return;
  const std::u16string path = chooseFile ? chooseFile(this) : std::u16string();
  if (path.empty()) return;
  session_->Browse(path);
  Refresh();
}

void CAttachmentDlg::OnPickRow() {
  const std::vector<int> selected = list_->SelectedRows();
  if (selected.empty() || !session_) return;
  if (session_->Pick(list_->GetRowId(selected.front()))) Refresh();
}

void CAttachmentDlg::OnAction() {
  if (!session_) return;
  const auto before = session_->Rows().size();
  session_->Act();
  if (session_->Rows().size() != before) ShowRows();
  Refresh();
}

void CAttachmentDlg::OnDelete() {
  if (!session_) return;
  if (session_->Delete()) ShowRows();
  Refresh();
}

bool CAttachmentDlg::event(QEvent* e) {
  if (auto* message = platform::AsPrivateMessage(e)) {
    if (message->Message() == kGridMsgDoubleClick) OnPickRow();
    return true;
  }
  return QDialog::event(e);
}

void RunAttachmentDialog(QWidget* parent, CServerLink& link, int kind, int32_t keyId,
                         std::u16string keyText, CViewHost* host) {
  const std::unique_ptr<attachment::AttachmentLink> server =
      attachment::MakeServerAttachmentLink(link);
  DesktopAttachmentOpener opener(host);
  CAttachmentDlg dialog(*server, opener,
                        attachment::AttachmentSession::EnvironmentOf(link, kind), parent);
  dialog.kind = kind;
  dialog.keyId = keyId;
  dialog.keyText = std::move(keyText);
  dialog.DoModal();
}
