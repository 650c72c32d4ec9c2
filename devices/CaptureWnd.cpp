#include "devices/CaptureWnd.h"

#include <QCoreApplication>
#include <QPainter>
#include <QTimerEvent>

#include <algorithm>
#include <chrono>

#include "common/TextCodec.h"
#include "devices/FrameBitmap.h"
#include "platform/MessageBox.h"

namespace {

// The one connection of the process and the window whose text its status
// reports set; the start and end times of a capture for the status text.
bool g_connected = false;
CCaptureWnd* g_callbackTarget = nullptr;
int64_t g_captureStart = 0;
int64_t g_captureEnd = 0;

constexpr int kMaxDrivers = 10;
constexpr int kConnectTries = 3;

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QString Q(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

// ---- the preview ----

CCapturePreview::CCapturePreview(IFrameSource& source, QWidget* parent)
    : QWidget(parent), source_(source) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void CCapturePreview::StartRefresh(int rateMs) {
  StopRefresh();
  timer_ = startTimer(rateMs > 0 ? rateMs : 100);
}

void CCapturePreview::StopRefresh() {
  if (timer_ != 0) killTimer(timer_);
  timer_ = 0;
}

void CCapturePreview::timerEvent(QTimerEvent* event) {
  if (event->timerId() == timer_) update();
}

void CCapturePreview::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QImage frame = source_.NewestFrame();
  if (frame.isNull()) {
    painter.fillRect(rect(), Qt::black);
    return;
  }
  painter.drawImage(rect(), frame);
}

// ---- the capture window ----

CCaptureWnd::CCaptureWnd(IFrameSource& source, int x, int y, int width, int height,
                         QWidget* parent, std::u16string_view title, int childId, int frameRate)
    : source_(source),
      title_(title),
      x_(x),
      y_(y),
      width_(width),
      height_(height),
      parent_(parent),
      childId_(childId),
      frameRate_(frameRate) {
  for (const CaptureDriver& driver : source_.Drivers())
    if (driver.index >= 0 && driver.index < kMaxDrivers) drivers_.push_back(driver);
}

CCaptureWnd::~CCaptureWnd() { Close(); }

bool CCaptureWnd::Connected() { return g_connected; }

bool CCaptureWnd::DriverPresent(int index) const {
  for (const CaptureDriver& driver : drivers_)
    if (driver.index == index) return true;
  return false;
}

int CCaptureWnd::PreviewRateMs() const { return frameRate_ > 0 ? 1000 / frameRate_ : 0; }

QString CCaptureWnd::WindowText() const { return Live() ? window_->windowTitle() : QString(); }

int CCaptureWnd::Connect(int driverIndex) {
  int index = -1;
  if (driverIndex >= 0 && driverIndex < kMaxDrivers) {
    if (DriverPresent(driverIndex)) index = driverIndex;
  } else if (!drivers_.empty()) {
    index = drivers_.front().index;
  }
  if (index < 0) {
    platform::ShowMessageBox(u"设备不可用(Device unavailable)");
    return 0;
  }
  if (g_connected) {
    if (platform::ShowMessageBox(u"设备正在使用，是否将其断开?(Device is using,disconnect it or not?)",
                                 {}, platform::kMbYesNo | platform::kMbIconQuestion) !=
        platform::kIdYes)
      return 1;
    Close();
  }
  window_ = new CCapturePreview(source_, parent_);
  window_->setObjectName(QStringLiteral("captureWindow%1").arg(childId_));
  window_->setWindowTitle(Q(title_));
  window_->setGeometry(x_, y_, width_, height_);
  bool connected = false;
  for (int attempt = 0; attempt < kConnectTries && !connected; ++attempt)
    connected = source_.ConnectDriver(index);
  if (!connected) {
    DestroyWindow();
    platform::ShowMessageBox(u"不能创建视频窗口(Can't create capture window)");
    return 0;
  }
  g_connected = true;
  // The window takes the image's size, within the place it was given.
  VideoFormat format;
  if (source_.GetVideoFormat(format) && format.width > 0 && format.height > 0)
    window_->setGeometry(0, 0, std::min(format.width, width_), std::min(format.height, height_));
  window_->show();
  window_->raise();
  g_callbackTarget = this;
  source_.onStatus = [this](int id, std::u16string_view text) { OnStatus(id, text); };
  source_.onError = [this](int id, std::u16string_view text) { OnError(id, text); };
  return 1;
}

int CCaptureWnd::GetVideoFormat(VideoFormat& format) {
  if (!Live()) return 0;
  return source_.GetVideoFormat(format) ? 1 : 0;
}

int CCaptureWnd::SetVideoFormat(int width, int height, int bitCount) {
  if (!Live()) return 0;
  return source_.SetVideoFormat(width, height, bitCount) ? 1 : 0;
}

bool CCaptureWnd::StartPreview() {
  if (!Live()) return false;
  const int rate = PreviewRateMs();
  if (!source_.SetPreview(true, rate)) return false;
  window_->StartRefresh(rate);
  return true;
}

bool CCaptureWnd::StopPreview() {
  if (!Live()) return false;
  window_->StopRefresh();
  return source_.SetPreview(false, 0);
}

int CCaptureWnd::GrabToDib(const std::string& path) {
  if (!Live()) return 0;
  if (!source_.OpenSingleFrame()) return 0;
  if (!source_.GrabSingleFrame()) return 0;
  if (!source_.CloseSingleFrame()) return 0;
  return WriteFrameBitmap(source_.GrabbedFrame(), path) ? 1 : 0;
}

void CCaptureWnd::Close() {
  if (Live()) {
    window_->StopRefresh();
    source_.DisconnectDriver();
    source_.onStatus = nullptr;
    source_.onError = nullptr;
    DestroyWindow();
    g_connected = false;
  }
  if (g_callbackTarget == this) g_callbackTarget = nullptr;
}

void CCaptureWnd::DestroyWindow() {
  delete window_.data();
  window_ = nullptr;
}

int CCaptureWnd::SetPosition(int x, int y, int width, int height) {
  if (!Live()) return 0;
  window_->setGeometry(x, y, width, height);
  return 1;
}

void CCaptureWnd::OnStatus(int id, std::u16string_view text) {
  if (g_callbackTarget == nullptr || !g_callbackTarget->Live()) return;
  QWidget* target = g_callbackTarget->window_.data();
  if (id == 0) {
    target->setWindowTitle(QCoreApplication::applicationName());
    return;
  }
  if (id == 300) g_captureStart = g_captureEnd = 0;
  if (id == 411 && g_captureStart == 0) g_captureStart = NowMs();
  if (id == 503) g_captureEnd = NowMs();
  if (id == 301) {
    const long seconds = static_cast<long>((g_captureEnd - g_captureStart) / 1000);
    target->setWindowTitle(QStringLiteral("已捕%1秒.%2 : Status # %3").arg(seconds).arg(Q(text)).arg(
        static_cast<unsigned>(id)));
    return;
  }
  target->setWindowTitle(QStringLiteral("%1 : Status # %2").arg(Q(text)).arg(id));
}

void CCaptureWnd::OnError(int id, std::u16string_view text) {
  if (id == 0) return;
  const QString message = QStringLiteral("号码# %1 : %2").arg(id).arg(Q(text));
  platform::ShowMessageBox(std::u16string(reinterpret_cast<const char16_t*>(message.utf16()),
                                          static_cast<size_t>(message.size())),
                           {}, platform::kMbOk | platform::kMbIconWarning);
}
