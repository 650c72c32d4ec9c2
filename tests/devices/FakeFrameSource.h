#pragma once
// Frame sources for the camera tests (no camera here): drivers at chosen
// indexes, a frame of a chosen picture, and the ways a camera fails: it
// refuses the first connection attempts, never delivers a frame, fails a
// step of the single-frame grab, or reports an error.

#include <QColor>
#include <QImage>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "devices/FrameSource.h"

namespace cameratest {

// A 320 x 240 picture with a horizontal and a vertical gradient and a dark
// block, so that a shifted or flipped copy differs.
inline QImage TestFrame(int width = 320, int height = 240) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.setPixel(x, y, qRgb(x * 255 / std::max(1, width - 1), y * 255 / std::max(1, height - 1),
                                (x < width / 4 && y < height / 4) ? 30 : 160));
  return image;
}

class FakeFrameSource : public IFrameSource {
 public:
  // What happened, in order ("connect 0", "disconnect", "format 320x240",
  // "preview on 100", "preview off").
  std::vector<std::string> log;
  std::set<int> driverIndexes{0};
  int refusals = 0;          // connection attempts refused before one succeeds
  bool deliversFrames = true;
  int failingGrabStep = 0;   // 1 open, 2 grab, 3 close
  VideoFormat format{320, 240, 24};
  std::vector<QSize> offered{QSize(320, 240), QSize(640, 480)};
  QImage frame = TestFrame();
  int attempts = 0;

  std::vector<CaptureDriver> Drivers() override {
    std::vector<CaptureDriver> drivers;
    for (int index : driverIndexes)
      drivers.push_back({index, u"Fake camera " + std::u16string(1, u'0' + index), u"1.0"});
    return drivers;
  }
  bool ConnectDriver(int index) override {
    ++attempts;
    if (refusals > 0) {
      --refusals;
      return false;
    }
    if (!deliversFrames) return false;
    connected_ = true;
    log.push_back("connect " + std::to_string(index));
    return true;
  }
  void DisconnectDriver() override {
    if (!connected_) return;
    connected_ = false;
    log.push_back("disconnect");
  }
  bool GetVideoFormat(VideoFormat& out) override {
    if (!connected_) return false;
    out = format;
    return true;
  }
  bool SetVideoFormat(int width, int height, int bitCount) override {
    for (const QSize& size : offered) {
      if (size != QSize(width, height)) continue;
      format = {width, height, bitCount > 0 ? bitCount : format.bitCount};
      frame = TestFrame(width, height);
      log.push_back("format " + std::to_string(width) + "x" + std::to_string(height));
      return true;
    }
    return false;
  }
  bool SetPreview(bool on, int rateMs) override {
    log.push_back(on ? "preview on " + std::to_string(rateMs) : "preview off");
    return connected_;
  }
  bool OpenSingleFrame() override { return connected_ && failingGrabStep != 1; }
  bool GrabSingleFrame() override {
    if (failingGrabStep == 2 || !deliversFrames) return false;
    grabbed_ = frame;
    return true;
  }
  bool CloseSingleFrame() override { return failingGrabStep != 3; }
  QImage NewestFrame() const override { return connected_ ? frame : QImage(); }
  QImage GrabbedFrame() const override { return grabbed_; }

  bool IsConnected() const { return connected_; }

 private:
  bool connected_ = false;
  QImage grabbed_;
};

}  // namespace cameratest
