#include "shipping/TrackingEditorDlg.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "common/LanguageTable.h"
#include "platform/MessageBox.h"
#include "platform/QtText.h"
#include "ui/LinkLabel.h"

namespace {

QString Q(std::u16string_view text) { return platform::ToQString(text); }
std::u16string U(const QString& text) { return platform::FromQString(text); }
QString T(int32_t id) { return Q(AppLanguage().Text(id)); }

// Requests of an editor without a server: nothing comes back.
class NoTrackingLink : public TrackingEditorLink {
 public:
  int Query(std::string_view, std::span<const uint32_t>, std::string& reply) override {
    reply.clear();
    return 0;
  }
  int Execute(std::string_view, std::span<const uint32_t>, std::string& reply) override {
    reply.clear();
    return 0;
  }
  std::string UserName() override { return {}; }
};

}  // namespace

CTrackEditDlg::CTrackEditDlg(std::shared_ptr<TrackingEditorLink> link, QWidget* parent)
    : QDialog(parent, Qt::Window), link_(link ? std::move(link) : std::make_shared<NoTrackingLink>()) {
  editor_ = std::make_unique<CTrackingEditor>(*link_);
  setWindowTitle(QStringLiteral("跟踪信息"));
  setModal(false);
  resize(690, 510);

  auto label = [this](int32_t id, int x, int y, int w) {
    auto* l = new QLabel(T(id), this);
    l->setGeometry(x, y, w, 20);
    return l;
  };
  auto linkLabel = [this](int x, int y, int w) {
    auto* l = new CLinkLabel(this);
    l->SetLinkCursor(HandCursor());
    l->setGeometry(x, y, w, 20);
    return l;
  };
  label(310010, 10, 8, 60);
  numberBox = new QPlainTextEdit(this);
  numberBox->setReadOnly(true);
  numberBox->setGeometry(70, 6, 290, 50);
  statusLabel_ = label(310011, 370, 8, 66);
  statusBox = new QComboBox(this);
  for (int k = 0; k <= 10; ++k) statusBox->addItem(T(20070 + k));
  statusBox->setGeometry(440, 6, 120, 24);
  languageLink = linkLabel(580, 8, 100);
  languageLink->SetTextColor(QColor(0, 0, 255)).SetUnderline(true);
  deliveryLabel_ = linkLabel(370, 36, 66);
  deliveryBox = new QLineEdit(this);
  deliveryBox->setMaxLength(19);
  deliveryBox->setGeometry(436, 34, 138, 24);
  signedLabel_ = label(310013, 578, 36, 44);
  signedBox = new QLineEdit(this);
  signedBox->setMaxLength(30);
  signedBox->setGeometry(622, 34, 58, 24);
  headerLabel_ = label(310014, 10, 62, 200);
  label(310024, 370, 62, 200);
  headerBox = new QPlainTextEdit(this);
  headerBox->setGeometry(10, 82, 560, 60);
  submitButton = new QPushButton(T(310020), this);
  submitButton->setGeometry(580, 82, 100, 30);
  label(310015, 10, 148, 200);
  lineList = new QTreeWidget(this);
  lineList->setColumnCount(5);
  lineList->setHeaderLabels({QStringLiteral("WPOS"), T(310017), T(310016), T(310018), T(310019)});
  lineList->setRootIsDecorated(false);
  lineList->setSelectionBehavior(QAbstractItemView::SelectRows);
  lineList->setAllColumnsShowFocus(true);
  lineList->setColumnWidth(0, 15);
  lineList->setColumnWidth(1, 40);
  lineList->setColumnWidth(2, 130);
  lineList->setColumnWidth(3, 90);
  lineList->setColumnWidth(4, 390);
  lineList->setGeometry(10, 168, 670, 200);
  lineLabel = label(310025, 10, 374, 500);
  positionLabel_ = label(310017, 10, 400, 58);
  positionBox = new QLineEdit(this);
  positionBox->setMaxLength(6);
  positionBox->setGeometry(70, 398, 50, 24);
  dateLabel_ = linkLabel(130, 400, 70);
  dateBox = new QLineEdit(this);
  dateBox->setMaxLength(19);
  dateBox->setGeometry(200, 398, 130, 24);
  placeLabel_ = linkLabel(340, 400, 50);
  placeBox = new QLineEdit(this);
  placeBox->setMaxLength(126);
  placeBox->setGeometry(390, 398, 290, 24);
  detailLabel_ = linkLabel(10, 430, 58);
  detailBox = new QLineEdit(this);
  detailBox->setMaxLength(254);
  detailBox->setGeometry(70, 428, 610, 24);
  saveButton = new QPushButton(T(310021), this);
  saveButton->setGeometry(400, 466, 80, 30);
  deleteButton = new QPushButton(T(310022), this);
  deleteButton->setGeometry(490, 466, 80, 30);
  resetButton = new QPushButton(T(310023), this);
  resetButton->setGeometry(580, 466, 80, 30);
  for (QPushButton* b : {saveButton, deleteButton, resetButton, submitButton}) b->setAutoDefault(false);
  for (QWidget* w : std::initializer_list<QWidget*>{positionBox, dateBox, placeBox, detailBox,
                                                    statusBox, deliveryBox, signedBox})
    w->installEventFilter(this);

  connect(saveButton, &QPushButton::clicked, this, &CTrackEditDlg::OnSaveLine);
  connect(deleteButton, &QPushButton::clicked, this, &CTrackEditDlg::OnDeleteLine);
  connect(resetButton, &QPushButton::clicked, this, &CTrackEditDlg::OnResetLine);
  connect(submitButton, &QPushButton::clicked, this, &CTrackEditDlg::OnSubmit);
  connect(languageLink, &CLinkLabel::clicked, this, &CTrackEditDlg::OnSwitchLanguage);
  connect(lineList, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
    OnPickLine(lineList->indexOfTopLevelItem(item));
  });
  connect(dateLabel_, &CLinkLabel::clicked, this,
          [this] { dateBox->setText(Q(editor_->now("%Y-%m-%d %H:%M"))); });
  connect(deliveryLabel_, &CLinkLabel::clicked, this,
          [this] { deliveryBox->setText(Q(editor_->now("%Y.%m.%d %H:%M:%S"))); });
  auto pick = [this](QLineEdit* box) {
    std::u16string prompt;
    if (chooseCommonPrompt && chooseCommonPrompt(prompt)) box->setText(Q(prompt));
  };
  connect(placeLabel_, &CLinkLabel::clicked, this, [pick, this] { pick(placeBox); });
  connect(detailLabel_, &CLinkLabel::clicked, this, [pick, this] { pick(detailBox); });
  ApplyLanguage();
  SetRights(false, false);
}

CTrackEditDlg::~CTrackEditDlg() = default;

void CTrackEditDlg::SetRights(bool canEdit, bool showTrackingWeight) {
  editor_->canEdit = canEdit;
  editor_->showTrackingWeight = showTrackingWeight;
  saveButton->setEnabled(canEdit && editor_->saveEnabled);
  deleteButton->setEnabled(canEdit && editor_->deleteEnabled);
  submitButton->setEnabled(canEdit);
}

void CTrackEditDlg::Open(int32_t recordId, std::u16string_view caption,
                         std::u16string_view number) {
  if (firstOpen_) {
    editor_->chinese = true;
    ApplyLanguage();
    firstOpen_ = false;
  }
  std::u16string title = AppLanguage().Text(editor_->canEdit ? 310000 : 310001);
  const size_t at = title.find(u"%1");
  if (at != std::u16string::npos) title.replace(at, 2, caption);
  setWindowTitle(Q(title).replace(QStringLiteral("\r\n"), QStringLiteral("  ")));
  if (!editor_->Open(recordId, number)) platform::ShowMessageBox(AppLanguage().Text(20005));
  ShowValues();
  show();
  raise();
}

void CTrackEditDlg::ApplyLanguage() {
  if (editor_->chinese) {
    languageLink->setText(T(310030));
    dateLabel_->setText(T(310016) + QLatin1Char(':'));
    detailLabel_->setText(T(310019) + QLatin1Char(':'));
    placeLabel_->setText(T(310018) + QLatin1Char(':'));
    positionLabel_->setText(T(310017) + QLatin1Char(':'));
    headerLabel_->setText(T(310014));
    deliveryLabel_->setText(T(310012));
    signedLabel_->setText(T(310013));
    statusLabel_->setText(T(310011));
  } else {
    languageLink->setText(T(310031));
    dateLabel_->setText(QStringLiteral("Date/Time:"));
    detailLabel_->setText(QStringLiteral("Detail:"));
    headerLabel_->setText(QStringLiteral("Header append:"));
    placeLabel_->setText(QStringLiteral("Place:"));
    positionLabel_->setText(QStringLiteral("Position:"));
    deliveryLabel_->setText(QStringLiteral("Delivery Date:"));
    signedLabel_->setText(QStringLiteral("Signed by:"));
    statusLabel_->setText(QStringLiteral("Status:"));
  }
}

void CTrackEditDlg::ShowValues() {
  CTrackingEditor& e = *editor_;
  numberBox->setPlainText(Q(e.numberText));
  statusBox->setCurrentIndex(e.state >= 0 && e.state <= 10 ? e.state : 0);
  deliveryBox->setText(Q(e.deliveryDate));
  signedBox->setText(Q(e.signedBy));
  headerBox->setPlainText(Q(e.header));
  lineList->clear();
  for (const TrackingLine& line : e.lines) {
    auto* item = new QTreeWidgetItem(lineList);
    item->setText(0, QString::number(line.wpos));
    item->setText(1, QString::number(line.npos));
    item->setTextAlignment(1, Qt::AlignCenter);
    item->setText(2, Q(line.date));
    item->setText(3, Q(line.place));
    item->setText(4, Q(line.detail));
  }
  ShowLine();
}

void CTrackEditDlg::ShowLine() {
  CTrackingEditor& e = *editor_;
  positionBox->setText(Q(e.position));
  positionBox->setEnabled(e.positionEnabled);
  dateBox->setText(Q(e.date));
  placeBox->setText(Q(e.place));
  detailBox->setText(Q(e.detail));
  lineLabel->setText(Q(e.lineLabel));
  saveButton->setEnabled(e.canEdit && e.saveEnabled);
  deleteButton->setEnabled(e.canEdit && e.deleteEnabled);
  submitButton->setEnabled(e.canEdit);
}

void CTrackEditDlg::TakeLine() {
  editor_->position = U(positionBox->text());
  editor_->date = U(dateBox->text());
  editor_->place = U(placeBox->text());
  editor_->detail = U(detailBox->text());
}

void CTrackEditDlg::TakeStatus() {
  editor_->state = statusBox->currentIndex();
  editor_->deliveryDate = U(deliveryBox->text());
  editor_->signedBy = U(signedBox->text());
  editor_->header = U(headerBox->toPlainText());
}

void CTrackEditDlg::Report(const TrackingWriteResult& result, int successText) {
  if (!result.ok) {
    if (!result.error.empty())
      platform::ShowMessageBox(result.error, {}, platform::kMbIconError);
    return;
  }
  if (successText != 0) platform::ShowMessageBox(AppLanguage().Text(successText));
}

void CTrackEditDlg::OnSaveLine() {
  if (!editor_->canEdit) return;
  TakeLine();
  TakeStatus();
  int refusal = 0;
  const TrackingWriteResult r = editor_->SaveLine(refusal);
  if (refusal != 0) {
    platform::ShowMessageBox(AppLanguage().Text(refusal), {}, platform::kMbIconWarning);
    return;
  }
  Report(r, 0);
  if (r.ok) ShowValues();
}

void CTrackEditDlg::OnDeleteLine() {
  if (!editor_->canEdit || editor_->wpos <= 0) return;
  TakeStatus();
  const TrackingWriteResult r = editor_->DeleteLine();
  Report(r, 0);
  if (r.ok) ShowValues();
}

void CTrackEditDlg::OnResetLine() {
  editor_->ResetLine();
  ShowLine();
}

void CTrackEditDlg::OnSubmit() {
  if (!editor_->canEdit || editor_->irid < 1) return;
  TakeStatus();
  Report(editor_->Submit(), 310043);
}

void CTrackEditDlg::OnSwitchLanguage() {
  editor_->chinese = !editor_->chinese;
  ApplyLanguage();
  if (!editor_->ReloadAll()) platform::ShowMessageBox(AppLanguage().Text(20005));
  ShowValues();
}

void CTrackEditDlg::OnPickLine(int row) {
  if (row < 0) return;
  editor_->PickLine(static_cast<size_t>(row));
  ShowLine();
}

void CTrackEditDlg::closeEvent(QCloseEvent* event) {
  event->ignore();
  hide();
}

void CTrackEditDlg::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) return;  // consumed: the window stays
  QDialog::keyPressEvent(event);
}

bool CTrackEditDlg::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter:
      case Qt::Key_Down:
        focusNextPrevChild(true);
        return true;
      case Qt::Key_Up:
        focusNextPrevChild(false);
        return true;
      case Qt::Key_Escape:
        return true;
      default:
        break;
    }
  }
  return QDialog::eventFilter(watched, event);
}
