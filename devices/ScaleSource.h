#pragma once
// IScaleSource: the electronic scale as the weighing windows see it
// (CScaleReader is the real one, tests give their own).  While it is open,
// the scale port posts devices::WM_PORT_RECEIVED to the owner window whenever
// bytes arrive (platform/QtMessages.h); the owner then reads one frame with
// ReadWeight.

#include "devices/PortMessages.h"

class QObject;

class IScaleSource {
 public:
  virtual ~IScaleSource() = default;
  // 1 when the port is open with `owner` as the receiver of the readings; 0
  // when no scale is in use or the port cannot be opened.
  virtual int Open(QObject* owner) = 0;
  // The weight of one complete frame in grams; -1 while no complete frame
  // has arrived, -2 for a bad frame.
  virtual int ReadWeight() = 0;
  virtual void Close() = 0;
};
