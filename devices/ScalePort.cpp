#include "devices/ScalePort.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QtGlobal>

#include <algorithm>
#include <cstring>

#include "devices/LineSettings.h"
#include "devices/PortMessages.h"
#include "platform/QtMessages.h"

CScalePort::CScalePort() = default;

CScalePort::~CScalePort() { Close(); }

bool CScalePort::Open() {
  if (IsOpen()) Close();
  fd_ = ::open(deviceName_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) return false;
  // No sharing: a second program that opens the scale's line is refused.
  if (::ioctl(fd_, TIOCEXCL) != 0 && errno != ENOTTY) {
    Close();
    return false;
  }
  queue_.clear();
  overrun_ = false;
  notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                   [this] { OnReadable(); });
  return true;
}

bool CScalePort::Setup() {
  if (!IsOpen()) return false;
  queue_.clear();
  overrun_ = false;
  return ::tcflush(fd_, TCIOFLUSH) == 0;
}

bool CScalePort::ApplyLineSettings(std::u16string_view text) {
  if (!IsOpen()) return false;
  auto settings = ParseLineSettings(text);
  if (!settings) return false;
  termios attributes{};
  if (::tcgetattr(fd_, &attributes) != 0) return false;
  if (!ApplyToTermios(*settings, attributes)) return false;
  return ::tcsetattr(fd_, TCSANOW, &attributes) == 0;
}

void CScalePort::Close() {
  if (!IsOpen()) return;
  ::tcflush(fd_, TCOFLUSH);
  notifier_.reset();
  ::close(fd_);
  fd_ = -1;
  queue_.clear();
}

bool CScalePort::TakeOverrun() {
  bool overrun = overrun_;
  overrun_ = false;
  return overrun;
}

size_t CScalePort::Read(uint8_t* buffer, size_t capacity) {
  size_t n = std::min(capacity, queue_.size());
  std::copy_n(queue_.begin(), n, buffer);
  queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(n));
  return n;
}

void CScalePort::PurgeInput() {
  queue_.clear();
  if (IsOpen()) ::tcflush(fd_, TCIFLUSH);
}

bool CScalePort::Write(std::string_view bytes) {
  if (!IsOpen() || bytes.empty()) return false;
  ssize_t n = ::write(fd_, bytes.data(), bytes.size());
  return n > 0;
}

// The line has bytes, or has gone away.
void CScalePort::OnReadable() {
  bool arrived = false;
  int error = -1;
  uint8_t chunk[512];
  for (;;) {
    ssize_t n = ::read(fd_, chunk, sizeof chunk);
    if (n > 0) {
      size_t keep = std::min(static_cast<size_t>(n), kQueueSize - queue_.size());
      queue_.insert(queue_.end(), chunk, chunk + keep);
      if (keep < static_cast<size_t>(n)) overrun_ = true;
      arrived = true;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    // End of file (a hang-up) or a failed read: the device is gone.
    error = n == 0 ? 0 : errno;
    break;
  }
  if (arrived && queue_.size() >= receiveThreshold_ && owner_) {
    platform::PostPrivateMessage(owner_, devices::WM_PORT_RECEIVED,
                                 static_cast<quintptr>(portNumber_), 0);
  }
  if (error >= 0) EndMonitor(error);
}

void CScalePort::EndMonitor(int error) {
  qWarning("scale port %s closed: %s", deviceName_.c_str(),
           error == 0 ? "the line hung up" : strerror(error));
  // The bytes that came before stay readable until the next open.
  std::deque<uint8_t> left = std::move(queue_);
  // This runs inside the notifier's own signal: it goes once that returns.
  notifier_->setEnabled(false);
  QObject::disconnect(notifier_.get(), nullptr, nullptr, nullptr);
  notifier_.release()->deleteLater();
  ::close(fd_);
  fd_ = -1;
  queue_ = std::move(left);
  if (owner_) {
    platform::PostPrivateMessage(owner_, devices::WM_PORT_ERROR,
                                 static_cast<quintptr>(portNumber_), error);
  }
}
