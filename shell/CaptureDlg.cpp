#include "shell/CaptureDlg.h"

#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "common/FixedField.h"
#include "platform/QtMessages.h"
#include "platform/QtWaitForWork.h"
#include "refdata/RecordStores.h"
#include "server/ServerLink.h"
#include "ui/ViewPage.h"

namespace {

QString Q(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// The capture window's place and rate in the dialog.
constexpr int kPreviewWidth = 320;
constexpr int kPreviewHeight = 240;
constexpr int kCaptureChildId = 100;
constexpr int kFramesPerSecond = 10;
// Frames this wide or wider are asked down to the preview's size.
constexpr int kWideFrame = 640;

}  // namespace

CaptureParcel CaptureParcelOf(const platform::PrivateMessageEvent& message) {
  CaptureParcel parcel;
  parcel.customerId = static_cast<int32_t>(message.WParam());
  if (const auto* record = message.Payload<InputWaybillRecord>()) {
    parcel.recordId = record->waybill.irID;
    parcel.number = std::string(FixedText(record->waybill.cNum));
  } else {
    parcel.recordId = static_cast<int32_t>(message.LParam());
  }
  return parcel;
}

CCaptureDlg::CCaptureDlg(std::unique_ptr<IFrameSource> source, serverlink::ProcedureSender send,
                         std::function<std::string()> account, std::string programFolder,
                         QWidget* parent, const QRect& place)
    : QDialog(parent),
      source_(std::move(source)),
      capture_(std::move(send), std::move(account), std::move(programFolder)) {
  setObjectName(QStringLiteral("captureDialog"));
  setWindowTitle(QStringLiteral("实时图像获取"));
  setModal(false);
  // The desk keeps typing in its form while the camera window shows.
  setAttribute(Qt::WA_ShowWithoutActivating);
  setGeometry(place);
  setFixedSize(place.size());

  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("captureStatus"));
  status_->setGeometry(4, kPreviewHeight + 2, place.width() - 8, 18);
  auto* caption = new QLabel(QStringLiteral("图片位置:"), this);
  caption->setGeometry(4, kPreviewHeight + 24, 66, 20);
  position_ = new QLineEdit(this);
  position_->setObjectName(QStringLiteral("capturePosition"));
  position_->setValidator(new QIntValidator(0, 99999, position_));
  position_->setGeometry(72, kPreviewHeight + 24, 50, 20);
  save_ = new QPushButton(QStringLiteral("保存!"), this);
  save_->setObjectName(QStringLiteral("captureSave"));
  save_->setGeometry(place.width() - 84, kPreviewHeight + 22, 80, 24);
  connect(save_, &QPushButton::clicked, this, [this] { Capture(); });
  position_->setText(QString::number(capture_.Position()));

  SetUpCaptureWindow();
}

CCaptureDlg::~CCaptureDlg() { captureWindow_.reset(); }

void CCaptureDlg::SetUpCaptureWindow() {
  for (int pass = 0; pass < 2; ++pass) {
    captureWindow_ = std::make_unique<CCaptureWnd>(*source_, 0, 0, kPreviewWidth, kPreviewHeight,
                                                   this, u"", kCaptureChildId, kFramesPerSecond);
    if (captureWindow_->Connect(-1) == 0) {
      captureWindow_.reset();
      return;
    }
    VideoFormat format;
    if (captureWindow_->GetVideoFormat(format) == 0) {
      captureWindow_.reset();
      continue;
    }
    if (format.width < kWideFrame) break;
    if (captureWindow_->SetVideoFormat(kPreviewWidth, kPreviewHeight, format.bitCount) == 0) break;
    // The next pass connects again at the new format.
    captureWindow_.reset();
  }
  if (captureWindow_ && !captureWindow_->StartPreview()) captureWindow_.reset();
}

void CCaptureDlg::StartPreview() {
  if (captureWindow_) captureWindow_->StartPreview();
}

void CCaptureDlg::StopPreview() {
  if (captureWindow_) captureWindow_->StopPreview();
}

void CCaptureDlg::ShowAndStartPreview() {
  show();
  StartPreview();
}

void CCaptureDlg::StopPreviewAndHide() {
  StopPreview();
  hide();
}

void CCaptureDlg::SetCaptureKind(int kind) {
  capture_.SetKind(kind);
  position_->setText(QString::number(capture_.Position()));
  setWindowTitle(Q(capture_.Caption()));
  status_->clear();
}

int CCaptureDlg::Capture() {
  bool number = false;
  const int position = position_->text().trimmed().toInt(&number);
  capture_.SetPosition(number ? position : 0);
  const int result = capture_.Capture(captureWindow_.get());
  if (!capture_.StatusText().empty()) status_->setText(Q(capture_.StatusText()));
  return result;
}

bool CCaptureDlg::event(QEvent* event) {
  if (auto* message = platform::AsPrivateMessage(event);
      message != nullptr && message->Message() == WM_CAPTURE_PARCEL) {
    const CaptureParcel parcel = CaptureParcelOf(*message);
    capture_.SetParcel(parcel.recordId, parcel.customerId, parcel.number);
    Capture();
    return true;
  }
  return QDialog::event(event);
}

CaptureWindowFactory MakeCaptureWindowFactory(
    CServerLink& link, std::string programFolder,
    std::function<std::unique_ptr<IFrameSource>()> sources) {
  return [&link, programFolder, sources](QWidget* parent,
                                         const QRect& place) -> std::unique_ptr<ICaptureWindow> {
    auto send = [&link](std::string_view sql, std::span<const uint32_t> types, std::string& reply) {
      return platform::WaitForWork([&] { return link.SqlExecute(sql, types, &reply); });
    };
    auto account = [&link] { return link.Session().userName; };
    return std::make_unique<CCaptureDlg>(sources(), send, account, programFolder, parent, place);
  };
}
