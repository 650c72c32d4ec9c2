#pragma once
// CScalePort: the program's one serial port, the line to the electronic
// scale.  It opens a serial device, applies a line-settings text and
// watches the line: what arrives is queued, and the owner window is told by
// the private message WM_PORT_RECEIVED (devices/PortMessages.h).  It knows
// nothing of scales or frames; the scale reader (devices/ScaleReader.h)
// sets its number, device and owner, opens and closes it and reads the
// queue.  One instance lives in the application object for the whole run.
//
// The watch is event-driven on the thread that opened the port (the
// user-interface thread): no thread of its own, so nothing has to be
// stopped or killed.  A device that goes away (read end of file or an
// error) ends the watch, closes the port and posts WM_PORT_ERROR, instead of
// reporting the same failure again and again.
//
// A window that no longer exists receives nothing: the owner is held
// weakly, and messages already posted to it are dropped with it.

#include <QPointer>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>

class QObject;
class QSocketNotifier;

class CScalePort {
 public:
  // The receive queue's size: bytes beyond it are lost (an overrun) until
  // the queue is read or purged.
  static constexpr size_t kQueueSize = 4096;

  CScalePort();
  ~CScalePort();
  CScalePort(const CScalePort&) = delete;
  CScalePort& operator=(const CScalePort&) = delete;

  // The COM number (1..1024), the wParam of every message.
  int PortNumber() const { return portNumber_; }
  void SetPortNumber(int number) { portNumber_ = number; }
  // The serial device (a path such as /dev/ttyUSB0).
  const std::string& DeviceName() const { return deviceName_; }
  void SetDeviceName(std::string name) { deviceName_ = std::move(name); }
  // The window that receives the messages; it stays across close and reopen.
  void SetOwner(QObject* owner) { owner_ = owner; }
  // The least number of queued bytes for a WM_PORT_RECEIVED (0: every arrival).
  void SetReceiveThreshold(size_t bytes) { receiveThreshold_ = bytes; }

  // Opens the device (closing first when open) for reading and writing,
  // exclusively, and starts watching it.  False leaves the port closed.
  bool Open();
  // Queue size, purge of both directions; false when closed.
  bool Setup();
  // Applies a line-settings text ("baud=1200 data=8 parity=N stop=1",
  // devices/LineSettings.h); false when closed or the text or the device
  // refuses it.  The port stays open either way.
  bool ApplyLineSettings(std::u16string_view text);
  // Stops watching and closes the device; nothing when closed.
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  bool Monitoring() const { return notifier_ != nullptr; }

  // Bytes queued and not read yet.
  size_t Queued() const { return queue_.size(); }
  // True once when bytes were lost since the last call (the queue ran over).
  bool TakeOverrun();
  // Takes at most `capacity` queued bytes; the count taken.
  size_t Read(uint8_t* buffer, size_t capacity);
  // Drops what is queued and what the device holds of the input.
  void PurgeInput();
  // Sends the bytes as far as the device takes them now; nothing waits.
  // False when closed or nothing could be written.
  bool Write(std::string_view bytes);

 private:
  void OnReadable();
  void EndMonitor(int error);

  int portNumber_ = 0;
  std::string deviceName_;
  int fd_ = -1;
  QPointer<QObject> owner_;
  size_t receiveThreshold_ = 0;
  std::unique_ptr<QSocketNotifier> notifier_;
  std::deque<uint8_t> queue_;
  bool overrun_ = false;
};
