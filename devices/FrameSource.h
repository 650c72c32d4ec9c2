#pragma once
// A video source as the capture window (CaptureWnd.h) drives it: the
// installed capture drivers by index, one connection attempt at a time, the
// video format, the preview, the single-frame steps of a grab and the
// newest frame.  The program's source is the camera of Qt Multimedia
// (QtFrameSource.h); tests hand in sources of their own.

#include <QImage>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// One installed capture driver.
struct CaptureDriver {
  int index = 0;  // 0..9
  std::u16string name;
  std::u16string version;
};

// The frames a driver delivers.
struct VideoFormat {
  int width = 0;
  int height = 0;
  int bitCount = 0;
};

class IFrameSource {
 public:
  virtual ~IFrameSource() = default;

  // The drivers present at the indexes 0..9, in index order.
  virtual std::vector<CaptureDriver> Drivers() = 0;
  // One attempt to connect the driver of an index; true once it delivers.
  virtual bool ConnectDriver(int index) = 0;
  virtual void DisconnectDriver() = 0;
  // The current format; false when it cannot be read.
  virtual bool GetVideoFormat(VideoFormat& format) = 0;
  // Asks for frames of a size (and bit count, when above 0); the format
  // holds from the next connection on.  False when the driver does not
  // offer it.
  virtual bool SetVideoFormat(int width, int height, int bitCount) = 0;
  // Preview on (at the given rate in milliseconds) or off.
  virtual bool SetPreview(bool on, int rateMs) = 0;
  // The single-frame grab: open, take the frame, close.
  virtual bool OpenSingleFrame() = 0;
  virtual bool GrabSingleFrame() = 0;
  virtual bool CloseSingleFrame() = 0;
  // The newest frame for the preview; a null image when none came.
  virtual QImage NewestFrame() const = 0;
  // The frame the last GrabSingleFrame took; a null image when none.
  virtual QImage GrabbedFrame() const = 0;

  // Status (id, text) and error (id, text) reports of the driver, on the
  // user-interface thread.
  std::function<void(int id, std::u16string_view text)> onStatus;
  std::function<void(int id, std::u16string_view text)> onError;
};
