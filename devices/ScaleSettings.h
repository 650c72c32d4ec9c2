#pragma once
// ScaleSettings: which scale is attached to this workstation, on which port
// and with which line settings.  The record is kept as the raw 84-byte,
// little-endian block of "balanceset.ini" in the program folder:
//
//   offset  width  field
//    0      int32  use flag (0: no scale)
//    4      uint8  scale kind 0..16
//    5      uint8  data bits
//    6      uint8  frame length (bytes of one reading)
//    7      uint8  stop-bits code (0 one, 1 one and a half, other two)
//    8      uint8  start byte (framing byte of the ASCII kinds; kind 6: unit letter)
//    9      uint8  reserved
//   10      uint8  transmission mode (0 continuous, 1 stable or key press)
//   11      uint8  parity code (0 N, 1 O, 2 E, other M)
//   12      int32  port index (COM number - 1)
//   16      int32  baud rate
//   20      64     reserved; this program keeps the scale's device path here
//                  (NUL-terminated).  Blocks without one use /dev/ttyS<index>.
//
// Every byte read is written back unchanged, the reserved ones included.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct ScaleSettings {
  static constexpr size_t kSize = 84;
  static constexpr size_t kDevicePathOffset = 20;
  static constexpr size_t kDevicePathCapacity = 63;  // bytes before its NUL
  // The longest frame the reader's buffers are sized for.
  static constexpr uint8_t kMaxFrameLength = 30;
  static constexpr const char* kFileName = "balanceset.ini";

  int32_t useFlag = 0;
  uint8_t kind = 0;
  uint8_t dataBits = 8;
  uint8_t frameLength = 18;
  uint8_t stopBitsCode = 0;
  uint8_t startByte = 61;  // '='
  uint8_t reserved9 = 0;
  uint8_t transmissionMode = 0;
  uint8_t parityCode = 0;
  int32_t portIndex = 0;
  int32_t baudRate = 1200;
  std::array<uint8_t, 64> reserved{};

  // The device of the scale: the path kept in the reserved bytes, else the
  // serial port of the port index (/dev/ttyS0 for COM1).
  std::string DevicePath() const;
  // Keeps a path of at most 63 bytes (false and nothing changed otherwise).
  bool SetDevicePath(std::string_view path);

  std::array<uint8_t, kSize> Encode() const;
  // The record of an 84-byte block, every field as it stands.
  static ScaleSettings Decode(const uint8_t* block);

  // The text the serial port takes its line settings from:
  // "baud=1200 data=8 parity=N stop=1".
  std::u16string LineSettingsText() const;
  // Bytes taken from the port in one read: twice the frame length, at most 120.
  size_t ReadSize() const;
};

// Reads "balanceset.ini" of the folder (ending in '/').  1 when a whole
// record was read.  0 when the file is missing, shorter than a record or
// cannot be read: `settings` then holds the defaults (no scale).  A frame
// length above 30 (a hand-edited file) is cut to 30.
int ReadScaleSettingsFile(const std::string& folder, ScaleSettings& settings);
// Writes the record as "balanceset.ini" of the folder; 1, or 0 when the file
// cannot be written.
int WriteScaleSettingsFile(const std::string& folder, const ScaleSettings& settings);
