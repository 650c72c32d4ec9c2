#pragma once
// The program's frame source: the cameras of Qt Multimedia.  The first ten
// video inputs are the drivers 0 to 9; a connection starts a QCamera in a
// capture session and waits (through the waiting helper, so the windows
// keep painting) until its first frame arrives, for at most a few seconds.
// The frames come through a QVideoSink.  The camera's active and error
// signals become the source's status and error reports.

#include <QCameraDevice>
#include <QCameraFormat>
#include <QImage>
#include <QMediaCaptureSession>
#include <QVideoSink>

#include <atomic>
#include <memory>
#include <mutex>

#include "devices/FrameSource.h"

class QCamera;
class QVideoFrame;

class CQtFrameSource : public IFrameSource {
 public:
  CQtFrameSource();
  ~CQtFrameSource() override;

  std::vector<CaptureDriver> Drivers() override;
  bool ConnectDriver(int index) override;
  void DisconnectDriver() override;
  bool GetVideoFormat(VideoFormat& format) override;
  bool SetVideoFormat(int width, int height, int bitCount) override;
  bool SetPreview(bool on, int rateMs) override;
  bool OpenSingleFrame() override;
  bool GrabSingleFrame() override;
  bool CloseSingleFrame() override;
  QImage NewestFrame() const override;
  QImage GrabbedFrame() const override;

 private:
  void TakeFrame(const QVideoFrame& frame);

  std::unique_ptr<QCamera> camera_;
  QMediaCaptureSession session_;
  QVideoSink sink_;
  QCameraDevice device_;
  QCameraFormat chosenFormat_;
  mutable std::mutex frameMutex_;
  QImage newest_;
  QImage grabbed_;
  std::atomic<bool> frameArrived_{false};
};
