#pragma once
// CScaleReader: the scale settings and the reading of weights from the
// scale's serial port.  One reader serves the whole program (a member of
// the application object, theApp.ScaleReader()); the window that opened it
// last receives the port's messages:
//
//   bool CWeighingForm::event(QEvent* e) {
//     if (auto* m = platform::AsPrivateMessage(e);
//         m && m->Message() == devices::WM_PORT_RECEIVED) {
//       int grams = theApp.ScaleReader().ReadWeight();
//       if (grams >= 0) ShowWeight(grams);   // negative: keep what is shown
//       return true;
//     }
//     return QWidget::event(e);
//   }
//
// Everything runs on the user-interface thread.

#include <QPointer>

#include <cstdint>
#include <memory>
#include <string>

#include "devices/ScaleFrames.h"
#include "devices/ScaleSource.h"
#include "devices/ScaleSettings.h"

class QObject;
class QTimer;
class CScalePort;

class CScaleReader final : public IScaleSource {
 public:
  // The settings in force (read by LoadSettings, changed by the settings
  // dialog, written by SaveSettings).
  ScaleSettings settings;

  CScaleReader();
  // Closes the port.
  ~CScaleReader();
  CScaleReader(const CScaleReader&) = delete;
  CScaleReader& operator=(const CScaleReader&) = delete;

  // Defaults, then "balanceset.ini" of the program folder (ending in '/'),
  // then the line settings; the reader works on `port` from now on.  1 when
  // the file was read, 0 when the defaults stand (no scale).
  int LoadSettings(const std::string& programFolder, CScalePort& port);
  // Writes the settings to "balanceset.ini"; 1, or 0 when it cannot be written.
  int SaveSettings(const std::string& programFolder) const;
  // Rebuilds the line-settings text and the read size from the settings;
  // nothing without a port or when no scale is in use.
  void BuildLineSettings();
  const std::u16string& LineSettingsText() const { return lineSettings_; }
  size_t ReadSize() const { return decoder_.ReadSize(); }

  // Opens the scale's port with `owner` as the window that receives its
  // messages (WM_PORT_RECEIVED for every arrival); the kinds that are polled
  // get their first poll at once.  1 when the port is open and configured;
  // 0 when no scale is in use, there is no port, the COM number is outside
  // 1..1024, or the device cannot be opened or configured.
  int Open(QObject* owner) override;
  // Closes the port when it is open.
  void Close() override;
  bool IsOpen() const;

  // Reads what the port has queued and returns a weight in grams, or
  // -1 no complete frame yet (or a call already running, a polled scale
  //    still to answer, a frame with error bits, a negative reading),
  // -2 a frame that cannot be read, -3 a reversed frame without a digit.
  // Called in the owner's handler of WM_PORT_RECEIVED.  All bytes queued
  // are taken, frame by frame: the newest weight among them is the result.
  int ReadWeight() override;

 private:
  void SendPoll();
  void OnPollTimer();

  CScalePort* port_ = nullptr;
  std::u16string lineSettings_;
  CScaleFrameDecoder decoder_;
  bool busy_ = false;
  // Asks a polled scale again when it does not answer.
  std::unique_ptr<QTimer> pollTimer_;
};
