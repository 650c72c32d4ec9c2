#include "devices/QtFrameSource.h"

#include <QCamera>
#include <QMediaDevices>
#include <QVideoFrame>

#include <chrono>
#include <condition_variable>
#include <thread>

#include "platform/QtWaitForWork.h"

namespace {

constexpr int kMaxDrivers = 10;
// How long a connection waits for the first frame.
constexpr auto kFirstFrameWait = std::chrono::seconds(3);

std::u16string U(const QString& text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                        static_cast<size_t>(text.size()));
}

}  // namespace

CQtFrameSource::CQtFrameSource() {
  session_.setVideoSink(&sink_);
  // Frames may arrive on the media back end's thread: they are only stored.
  QObject::connect(&sink_, &QVideoSink::videoFrameChanged, &sink_,
                   [this](const QVideoFrame& frame) { TakeFrame(frame); }, Qt::DirectConnection);
}

CQtFrameSource::~CQtFrameSource() { DisconnectDriver(); }

std::vector<CaptureDriver> CQtFrameSource::Drivers() {
  std::vector<CaptureDriver> drivers;
  const QList<QCameraDevice> inputs = QMediaDevices::videoInputs();
  for (int i = 0; i < inputs.size() && i < kMaxDrivers; ++i)
    drivers.push_back({i, U(inputs[i].description()), U(QString::fromUtf8(inputs[i].id()))});
  return drivers;
}

void CQtFrameSource::TakeFrame(const QVideoFrame& frame) {
  QImage image = frame.toImage();
  if (image.isNull()) return;
  {
    std::lock_guard<std::mutex> lock(frameMutex_);
    newest_ = std::move(image);
  }
  frameArrived_ = true;
}

bool CQtFrameSource::ConnectDriver(int index) {
  DisconnectDriver();
  const QList<QCameraDevice> inputs = QMediaDevices::videoInputs();
  if (index < 0 || index >= inputs.size() || index >= kMaxDrivers) return false;
  if (device_ != inputs[index]) chosenFormat_ = QCameraFormat();
  device_ = inputs[index];
  camera_ = std::make_unique<QCamera>(device_);
  if (!chosenFormat_.isNull()) camera_->setCameraFormat(chosenFormat_);
  QObject::connect(camera_.get(), &QCamera::activeChanged, camera_.get(), [this](bool active) {
    if (onStatus) onStatus(active ? 300 : 0, active ? U(device_.description()) : std::u16string());
  });
  QObject::connect(camera_.get(), &QCamera::errorOccurred, camera_.get(),
                   [this](QCamera::Error error, const QString& text) {
                     if (onError) onError(static_cast<int>(error), U(text));
                   });
  frameArrived_ = false;
  session_.setCamera(camera_.get());
  camera_->start();
  // The first frame, or give up: a camera that cannot start stays inactive
  // without any signal.
  const bool arrived = platform::WaitForWork([this] {
    const auto until = std::chrono::steady_clock::now() + kFirstFrameWait;
    while (!frameArrived_ && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return frameArrived_.load();
  });
  if (!arrived) DisconnectDriver();
  return arrived;
}

void CQtFrameSource::DisconnectDriver() {
  if (!camera_) return;
  camera_->stop();
  session_.setCamera(nullptr);
  camera_.reset();
  frameArrived_ = false;
  std::lock_guard<std::mutex> lock(frameMutex_);
  newest_ = QImage();
  grabbed_ = QImage();
}

bool CQtFrameSource::GetVideoFormat(VideoFormat& format) {
  if (!camera_) return false;
  QSize size = camera_->cameraFormat().resolution();
  if (!size.isValid()) {
    std::lock_guard<std::mutex> lock(frameMutex_);
    size = newest_.size();
  }
  if (!size.isValid() || size.isEmpty()) return false;
  format = {size.width(), size.height(), 24};
  return true;
}

bool CQtFrameSource::SetVideoFormat(int width, int height, int) {
  for (const QCameraFormat& offered : device_.videoFormats()) {
    if (offered.resolution() == QSize(width, height)) {
      chosenFormat_ = offered;
      return true;
    }
  }
  return false;
}

bool CQtFrameSource::SetPreview(bool, int) { return camera_ != nullptr; }

bool CQtFrameSource::OpenSingleFrame() { return camera_ != nullptr && camera_->isActive(); }

bool CQtFrameSource::GrabSingleFrame() {
  std::lock_guard<std::mutex> lock(frameMutex_);
  if (newest_.isNull()) return false;
  grabbed_ = newest_.copy();
  return true;
}

bool CQtFrameSource::CloseSingleFrame() { return true; }

QImage CQtFrameSource::NewestFrame() const {
  std::lock_guard<std::mutex> lock(frameMutex_);
  return newest_;
}

QImage CQtFrameSource::GrabbedFrame() const {
  std::lock_guard<std::mutex> lock(frameMutex_);
  return grabbed_;
}
