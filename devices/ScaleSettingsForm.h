#pragma once
// ScaleSettingsForm: the values the scale settings dialog edits, one per
// control, and the rules between them and ScaleSettings: how the start
// byte reads as text and back, the defaults a scale kind brings, and what
// a save stores.  No window is needed.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "devices/ScaleSettings.h"

struct ScaleSettingsForm {
  // The ports the list offers by name: "COM1" to "COM32".
  static constexpr int kNamedPorts = 32;
  // The longest start byte text the field takes.
  static constexpr int kStartByteTextLength = 4;

  int useFlag = 0;
  int portIndex = 0;        // COM number - 1; -1 none
  std::string devicePath;   // a device typed in place of a COM port
  int baudRate = 1200;
  int dataBits = 8;
  int parityCode = 0;       // 0 N, 1 O, 2 E, 3 M
  int stopBitsCode = 0;     // 0 one, 1 one and a half, 2 two
  int kind = 0;             // 0..16
  int transmissionMode = 0; // 0 continuous, 1 stable or key press
  int frameLength = 18;
  std::u16string startByteText;

  // The values of the settings as the controls show them.
  static ScaleSettingsForm FromSettings(const ScaleSettings& settings);

  // The port as its list shows it: the device typed, "COM<n>" for a named
  // or other COM port, empty for none.
  std::u16string PortText() const;
  // Takes the port list's text: "COM<n>" (n from 1) sets the port index,
  // empty means no port, anything else is a device path kept beside the
  // index (an index of none becomes COM1, so the reader opens the device).
  void SetPortText(std::u16string_view text);

  // A change of the kind list: kinds 9 and 15 (600 baud, start byte 0) and
  // 16 (start byte STX) bring their line and frame settings, the port back
  // to COM1; other kinds change nothing.
  void ApplyKindDefaults();

  // Stores the values into the settings as a save does: use flag, baud rate
  // and port as they stand; the start byte from its text (one character:
  // its code's low byte; "0x" and two hexadecimal digits: their value;
  // anything else keeps the byte held); the frame length at most 30, never
  // negative, and 3 to 8 for kind 6; kind 16 forces start byte 2; the
  // rest as single bytes.
  void StoreInto(ScaleSettings& settings) const;
};

// The start byte as the dialog shows it: the character itself for 14 to
// 126, else "0x" and two upper-case hexadecimal digits.
std::u16string ScaleStartByteText(uint8_t value);

// A reading as the weight displays of the settings dialog and the scan
// station show it: "0" for 0 g, kilograms "%.3f" above; empty for a
// negative result (the display keeps what it shows).
std::u16string ScaleWeightText(int grams);

// The names of the seventeen scale kinds, in kind order.
const std::array<std::u16string_view, 17>& ScaleKindNames();
