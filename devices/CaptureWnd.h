#pragma once
// CCaptureWnd: one live-camera window over a frame source (FrameSource.h).
// It lists the drivers at construction, creates its preview window and
// connects it to a driver, sets preview and format, turns the source's
// status and error reports into the window text and an error box, grabs a
// frame into a bitmap file and tears everything down.  One connection at a
// time in the process: a second Connect asks first.

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "devices/FrameSource.h"

// The preview: the source's newest frame, redrawn at the preview rate.
class CCapturePreview : public QWidget {
 public:
  CCapturePreview(IFrameSource& source, QWidget* parent);
  void StartRefresh(int rateMs);
  void StopRefresh();
  bool Refreshing() const { return timer_ != 0; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  IFrameSource& source_;
  int timer_ = 0;
};

class CCaptureWnd {
 public:
  // Stores the values and lists the drivers.  A null parent makes a
  // top-level window.
  CCaptureWnd(IFrameSource& source, int x, int y, int width, int height, QWidget* parent,
              std::u16string_view title, int childId, int frameRate);
  virtual ~CCaptureWnd();
  CCaptureWnd(const CCaptureWnd&) = delete;
  CCaptureWnd& operator=(const CCaptureWnd&) = delete;

  // 1 when connected (or the operator keeps an existing connection), 0
  // after a message box.  -1 takes the first driver present.
  int Connect(int driverIndex);
  // The format of the frames; 0 when it cannot be read (or no window).
  int GetVideoFormat(VideoFormat& format);
  // Width and height, the bit count when above 0; the source's answer.
  int SetVideoFormat(int width, int height, int bitCount);
  // Preview on at 1000 / frame rate milliseconds.
  bool StartPreview();
  bool StopPreview();
  // Open, grab and close a single frame, then save it as a BMP file; each
  // step only after the one before succeeded.  1 when the file was written.
  int GrabToDib(const std::string& path);
  // Disconnects and removes the window.
  void Close();
  int SetPosition(int x, int y, int width, int height);

  // The preview rate in milliseconds (1000 / frame rate, truncated).
  int PreviewRateMs() const;
  int DriverCount() const { return static_cast<int>(drivers_.size()); }
  bool DriverPresent(int index) const;
  const std::vector<CaptureDriver>& Drivers() const { return drivers_; }
  // The live window, null when none.
  CCapturePreview* Window() const { return window_.data(); }
  // The window text the status reports set.
  QString WindowText() const;

  // Whether a capture window is connected anywhere in the process.
  static bool Connected();

  // The reports of the source (the callbacks of this window).
  void OnStatus(int id, std::u16string_view text);
  void OnError(int id, std::u16string_view text);

 private:
  bool Live() const { return !window_.isNull(); }
  void DestroyWindow();

  IFrameSource& source_;
  std::vector<CaptureDriver> drivers_;
  std::u16string title_;
  int x_;
  int y_;
  int width_;
  int height_;
  QWidget* parent_;
  int childId_;
  int frameRate_;
  QPointer<CCapturePreview> window_;
};
