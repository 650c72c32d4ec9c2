#include "ui/PictureDlg.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QUrl>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "image/RasterImage.h"
#include "platform/MessageBox.h"
#include "platform/QtText.h"
#include "server/ServerLink.h"
#include "ui/LinkLabel.h"
#include "ui/ViewHost.h"

using platform::FromQString;
using platform::ToQString;

namespace {

// Language ids of the dialog's texts.
constexpr int kTextMessageCaption = 20001;
constexpr int kTextView = 300001;
constexpr int kTextRefresh = 300002;
constexpr int kTextChoose = 300003;
constexpr int kTextUpload = 300004;
constexpr int kTextPosition = 300005;
constexpr int kTextFilter = 300020;
constexpr int kTextNotOpened = 713002;

// The display area: from (140, 3), the 640 x 480 area with a 5-pixel
// margin all round; the picture is drawn at (5, 5) of it.
constexpr int kAreaLeft = 140;
constexpr int kAreaTop = 3;
constexpr int kAreaWidth = pictures::kDisplayWidth + 10;
constexpr int kAreaHeight = pictures::kDisplayHeight + 10;
constexpr int kPictureMargin = 5;

QString T(int id) { return ToQString(AppLanguage().Text(id)); }

// Shows the dialog's off-screen bitmap in one piece.
class PictureArea : public QWidget {
 public:
  PictureArea(const QImage& canvas, QWidget* parent) : QWidget(parent), canvas_(canvas) {
    setFixedSize(kAreaWidth, kAreaHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.drawImage(0, 0, canvas_);
  }

 private:
  const QImage& canvas_;
};

}  // namespace

CPictureDlg::CPictureDlg(pictures::PictureLink& link, pictures::PictureSession::Environment env,
                         int32_t key, int32_t second, int kind, bool uploadAllowed,
                         QWidget* parent)
    : QDialog(parent),
      link_(link),
      session_(std::make_unique<pictures::PictureSession>(link, std::move(env), key, second, kind,
                                                          uploadAllowed)),
      canvas_(kAreaWidth, kAreaHeight, QImage::Format_RGB32) {
  canvas_.fill(Qt::white);
  chooseFile = [](QWidget* owner) {
    const QString filter = T(kTextFilter) + QStringLiteral(" (*.jpg,*.gif,*.bmp,*.png)");
    const QString patterns = QStringLiteral("*.jpg *.gif *.bmp *.png");
    return FromQString(QFileDialog::getOpenFileName(owner, QString(), QString(),
                                                    filter + QStringLiteral(";;") + patterns));
  };
  openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };

  setFixedSize(kAreaLeft + kAreaWidth + 6, kAreaTop + kAreaHeight + 36);
  const QColor blue(0, 0, 0xFF);
  for (int k = 0; k < 5; ++k) {
    auto* link = new CLinkLabel(this);
    link->SetTextColor(blue).SetUnderline(true).SetLinkCursor(HandCursor());
    link->setGeometry(8 + (k % 3) * 42, 8 + (k / 3) * 24, 40, 20);
    links_[static_cast<size_t>(k)] = link;
    connect(link, &CLinkLabel::clicked, this, [this, k] { ShowLink(k); });
  }
  positionList_ = new QComboBox(this);
  positionList_->setEditable(true);
  positionList_->lineEdit()->setMaxLength(3);
  positionList_->setValidator(new QIntValidator(0, 999, positionList_));
  positionList_->setGeometry(8, 64, 60, 24);
  viewButton_ = new QPushButton(this);
  viewButton_->setGeometry(72, 63, 62, 26);
  refreshButton_ = new QPushButton(this);
  refreshButton_->setGeometry(8, 96, 126, 26);
  positionLabel_ = new QLabel(this);
  positionLabel_->setGeometry(8, 150, 56, 24);
  positionField_ = new QLineEdit(this);
  positionField_->setMaxLength(3);
  positionField_->setValidator(new QIntValidator(0, 999, positionField_));
  positionField_->setGeometry(66, 150, 68, 24);
  positionField_->setText(QStringLiteral("1"));
  chooseButton_ = new QPushButton(this);
  chooseButton_->setGeometry(8, 180, 126, 26);
  uploadButton_ = new QPushButton(this);
  uploadButton_->setGeometry(8, 212, 126, 26);
  openButton_ = new QPushButton(QStringLiteral("System Open >>>"), this);
  openButton_->setGeometry(8, 268, 126, 26);
  display_ = new PictureArea(canvas_, this);
  display_->move(kAreaLeft, kAreaTop);
  pathLabel_ = new QLabel(this);
  pathLabel_->setGeometry(kAreaLeft, kAreaTop + kAreaHeight + 6, kAreaWidth, 22);
  pathLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  for (QPushButton* b : {viewButton_, refreshButton_, chooseButton_, uploadButton_, openButton_})
    b->setAutoDefault(false);

  connect(viewButton_, &QPushButton::clicked, this, &CPictureDlg::ShowListed);
  connect(refreshButton_, &QPushButton::clicked, this, &CPictureDlg::Refresh);
  connect(chooseButton_, &QPushButton::clicked, this, &CPictureDlg::Choose);
  connect(uploadButton_, &QPushButton::clicked, this, &CPictureDlg::Upload);
  connect(openButton_, &QPushButton::clicked, this, &CPictureDlg::SystemOpen);
  // Enter in the position list views the position typed or picked.
  connect(positionList_->lineEdit(), &QLineEdit::returnPressed, this, &CPictureDlg::ShowListed);
  connect(positionList_, qOverload<int>(&QComboBox::activated), this,
          [this](int) { ShowListed(); });
}

CPictureDlg::~CPictureDlg() = default;

int CPictureDlg::DoModal() {
  InitDialog();
  return exec();
}

void CPictureDlg::InitDialog() {
  const int caption = session_->CaptionTextId();
  setWindowTitle(caption == 0 ? QStringLiteral("关联图片") : T(caption));
  positionLabel_->setText(T(kTextPosition));
  viewButton_->setText(T(kTextView));
  refreshButton_->setText(T(kTextRefresh));
  chooseButton_->setText(T(kTextChoose));
  uploadButton_->setText(T(kTextUpload));
  chooseButton_->setEnabled(session_->ChooseEnabled());
  Refresh();
}

void CPictureDlg::Refresh() {
  session_->Refresh();
  positionList_->clear();
  for (uint32_t position : session_->Positions())
    positionList_->addItem(QString::number(position));
  positionList_->setCurrentIndex(-1);
  positionList_->clearEditText();
  const std::vector<std::u16string> texts = session_->LinkTexts();
  for (size_t k = 0; k < links_.size(); ++k)
    links_[k]->setText(k < texts.size() ? ToQString(texts[k]) : QString());
  ShowState();
}

void CPictureDlg::ShowListed() {
  bool ok = false;
  const int position = positionList_->currentText().trimmed().toInt(&ok);
  if (!ok || position <= 0) return;
  if (session_->ShowPosition(static_cast<uint32_t>(position))) ShowState();
}

void CPictureDlg::ShowLink(int n) {
  if (session_->ShowLink(n)) ShowState();
}

void CPictureDlg::Choose() {
  if (!session_->ChooseEnabled()) return;
  const std::u16string path = chooseFile ? chooseFile(this) : std::u16string();
  if (path.empty()) return;
  session_->ChooseFile(path);
  ShowState();
}

void CPictureDlg::Upload() {
  bool ok = false;
  const int wanted = positionField_->text().trimmed().toInt(&ok);
  if (session_->Upload(ok ? wanted : 0)) {
    Refresh();
    return;
  }
  ShowState();
}

void CPictureDlg::SystemOpen() {
  const std::string& file = session_->OpenedFile();
  if (file.empty()) return;
  if (!pictures::MayOpenWithDesktop(file)) {
    const QString path = QString::fromUtf8(file.c_str());
    platform::ShowMessageBox(FromQString(T(kTextNotOpened).replace(QStringLiteral("%1"), path)),
                             AppLanguage().Text(kTextMessageCaption));
    return;
  }
  if (openUrl) openUrl(QUrl::fromLocalFile(QString::fromUtf8(file.c_str())));
}

void CPictureDlg::ShowState() {
  uploadButton_->setEnabled(session_->UploadEnabled());
  openButton_->setEnabled(session_->OpenEnabled());
  pathLabel_->setText(ToQString(session_->PathLabel()));
  Repaint();
}

void CPictureDlg::Repaint() {
  canvas_.fill(Qt::white);
  if (const CRasterImage* picture = session_->Picture()) {
    const pictures::DisplaySize size = session_->Display();
    QPainter painter(&canvas_);
    picture->Draw(&painter, kPictureMargin, kPictureMargin, size.width, size.height, nullptr,
                  false);
  }
  display_->update();
}

void RunPictureDialog(QWidget* parent, CServerLink& link, int32_t key, int32_t second, int kind,
                      bool uploadAllowed, CViewHost* host) {
  const std::unique_ptr<pictures::PictureLink> server = pictures::MakeServerPictureLink(link);
  pictures::PictureSession::Environment env;
  const ServerSession session = link.Session();
  // Uploads are signed as the parcel photographs are: with the user's name.
  env.accountGbk = session.userName.empty() ? session.accountGbk : session.userName;
  env.programFolder = link.ProgramFolder();
  CPictureDlg dialog(*server, std::move(env), key, second, kind, uploadAllowed, parent);
  if (host != nullptr)
    dialog.openUrl = [host](const QUrl& url) { host->OpenUrl(url.toString()); };
  dialog.DoModal();
}
