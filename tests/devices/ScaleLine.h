#pragma once
// A scale on the far end of a pseudo-terminal: the test writes what the
// scale sends into the master side and reads the polls the reader sends;
// the reader opens the slave side as its serial device.

#include <errno.h>
#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <string>

namespace testsupport {

class ScaleLine {
 public:
  ScaleLine() {
    termios raw{};
    cfmakeraw(&raw);
    char name[128] = {};
    if (::openpty(&master_, &slave_, name, &raw, nullptr) != 0) return;
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
    path_ = name;
  }
  ~ScaleLine() {
    CloseScaleSide();
    if (slave_ >= 0) ::close(slave_);
  }
  ScaleLine(const ScaleLine&) = delete;
  ScaleLine& operator=(const ScaleLine&) = delete;

  bool Ready() const { return master_ >= 0 && !path_.empty(); }
  // The device the reader opens.
  const std::string& DevicePath() const { return path_; }
  // A descriptor of the reader's side, for its terminal attributes.
  int SlaveFd() const { return slave_; }

  // The scale sends.
  bool Send(const std::string& bytes) const {
    return ::write(master_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }
  // What the reader has sent so far and the test has not taken yet.
  std::string Received() const {
    std::string received;
    char buffer[256];
    for (;;) {
      ssize_t n = ::read(master_, buffer, sizeof buffer);
      if (n > 0) {
        received.append(buffer, static_cast<size_t>(n));
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else {
        return received;
      }
    }
  }
  // The scale's cable is pulled out.
  void CloseScaleSide() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string path_;
};

}  // namespace testsupport
