#include "import/ImportPanel.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDateTime>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

#include "common/LanguageTable.h"
#include "platform/QtMessages.h"
#include "ui/ColorButton.h"
#include "ui/LinkLabel.h"
#include "ui/ViewPage.h"

namespace {

QString T(int id) { return QString::fromStdU16String(AppLanguage().Text(id)); }

QString NowText(int hoursBack) {
  return QDateTime::currentDateTime().addSecs(-3600LL * hoursBack).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

CLinkLabel* Caption(int id, QWidget* parent) {
  auto* label = new CLinkLabel(T(id), parent);
  label->SetLinkCursor(HandCursor());
  label->SetUnderline(true);
  label->SetTextColor(QColor(0, 0, 255));
  return label;
}

}  // namespace

CImportPanelDlg::CImportPanelDlg(QWidget* parent, int captionBase)
    : QWidget(parent), base_(captionBase) {
  layout_ = new QVBoxLayout(this);
  layout_->setContentsMargins(6, 6, 6, 6);
  layout_->setSpacing(4);

  iconButton_ = new CColorButton(this);
  iconButton_->SetIcons(QApplication::style()->standardIcon(QStyle::SP_FileDialogDetailedView), QIcon(), 32,
                        32);
  iconButton_->SetShowText(false);
  iconButton_->setFixedSize(40, 40);
  iconButton_->setFocusPolicy(Qt::NoFocus);
  layout_->addWidget(iconButton_);

  layout_->addWidget(new QLabel(T(base_ + 0), this));
  versionGroup_ = new QButtonGroup(this);
  auto* versionRow = new QHBoxLayout;
  for (int i = 0; i < 2; ++i) {
    versions_[static_cast<size_t>(i)] = new QRadioButton(T(base_ + 1 + i), this);
    versionGroup_->addButton(versions_[static_cast<size_t>(i)], i);
    versionRow->addWidget(versions_[static_cast<size_t>(i)]);
  }
  versionRow->addStretch();
  layout_->addLayout(versionRow);

  layout_->addWidget(new QLabel(T(base_ + 3), this));
  kindGroup_ = new QButtonGroup(this);
  for (int i = 0; i < 3; ++i) {
    kinds_[static_cast<size_t>(i)] = new QRadioButton(T(base_ + 4 + i), this);
    kindGroup_->addButton(kinds_[static_cast<size_t>(i)], i);
    layout_->addWidget(kinds_[static_cast<size_t>(i)]);
  }
  options_ = new QVBoxLayout;
  layout_->addLayout(options_);
}

void CImportPanelDlg::Finish() {
  int captionOffset = 8;
  auto addEdit = [&](CLinkLabel*& caption, QLineEdit*& edit, int maxLength) {
    caption = Caption(base_ + captionOffset++, this);
    edit = new QLineEdit(this);
    edit->setMaxLength(maxLength);
    layout_->addWidget(caption);
    layout_->addWidget(edit);
  };
  layout_->addSpacing(8);
  addEdit(dateCaption_, date_, 19);
  addEdit(placeCaption_, place_, 126);
  addEdit(eventCaption_, event_, 254);
  layout_->addSpacing(12);
  import_ = new QPushButton(T(base_ + 11), this);
  template_ = new QPushButton(T(base_ + 12), this);
  import_->setMinimumHeight(32);
  template_->setMinimumHeight(32);
  layout_->addWidget(import_);
  layout_->addWidget(template_);
  layout_->addStretch();

  connect(dateCaption_, &CLinkLabel::clicked, this, [this] { date_->setText(NowText(1)); });
  connect(placeCaption_, &CLinkLabel::clicked, this, [this] { PickPrompt(place_); });
  connect(eventCaption_, &CLinkLabel::clicked, this, [this] { PickPrompt(event_); });
  auto post = [this](quintptr request) {
    if (pageWindow != nullptr) platform::PostPrivateMessage(pageWindow, WM_PAGE_NOTIFY, request, 0);
  };
  connect(import_, &QPushButton::clicked, this, [post] { post(1); });
  connect(template_, &QPushButton::clicked, this, [post] { post(2); });
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
}

void CImportPanelDlg::PickPrompt(QLineEdit* edit) {
  std::u16string text;
  if (chooseCommonPrompt && chooseCommonPrompt(text)) edit->setText(QString::fromStdU16String(text));
}

bool CImportPanelDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
  switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Down:
      focusNextChild();
      return true;
    case Qt::Key_Up:
      focusPreviousChild();
      return true;
    case Qt::Key_Escape:
    case Qt::Key_PageUp:
      return true;
    default:
      return false;
  }
}

void CImportPanelDlg::Reset() {
  date_->setText(NowText(0));
  event_->clear();
  place_->clear();
  versions_[0]->setChecked(true);
  kinds_[0]->setChecked(true);
}

std::u16string CImportPanelDlg::DateTime() const { return date_->text().toStdU16String(); }
std::u16string CImportPanelDlg::EventText() const { return event_->text().toStdU16String(); }
std::u16string CImportPanelDlg::Place() const { return place_->text().toStdU16String(); }
int CImportPanelDlg::NumberKind() const { return std::max(0, kindGroup_->checkedId()); }
int CImportPanelDlg::Version() const { return std::max(0, versionGroup_->checkedId()); }

// ---- page 7 ----

CTrackImportDlg::CTrackImportDlg(QWidget* parent) : CImportPanelDlg(parent, 270000) {
  OptionArea()->addWidget(new QLabel(T(270007), this));
  positionGroup_ = new QButtonGroup(this);
  auto* row = new QHBoxLayout;
  const char* captions[] = {"0-49", "50-99", "200-255"};
  for (int i = 0; i < 3; ++i) {
    positions_[static_cast<size_t>(i)] = new QRadioButton(QString::fromLatin1(captions[i]), this);
    positionGroup_->addButton(positions_[static_cast<size_t>(i)], i);
    row->addWidget(positions_[static_cast<size_t>(i)]);
  }
  row->addStretch();
  OptionArea()->addLayout(row);
  Finish();
  Reset();
}

void CTrackImportDlg::Reset() {
  CImportPanelDlg::Reset();
  positions_[0]->setChecked(true);
}

int CTrackImportDlg::Position() const { return std::max(0, positionGroup_->checkedId()); }

// ---- page 6 ----

CTransferNoImportDlg::CTransferNoImportDlg(QWidget* parent) : CImportPanelDlg(parent, 260000) {
  mixed_ = new QCheckBox(T(260007), this);
  OptionArea()->addWidget(mixed_);
  Finish();
  Reset();
}

void CTransferNoImportDlg::Reset() { CImportPanelDlg::Reset(); }

bool CTransferNoImportDlg::Mixed() const { return mixed_->isChecked(); }
