#pragma once
// The line settings of the scale's serial port, from the text the scale
// settings build ("baud=1200 data=8 parity=N stop=1"), and the terminal
// attributes that put them on a serial device.

#include <termios.h>

#include <optional>
#include <string_view>

struct LineSettings {
  int baudRate = 1200;
  int dataBits = 8;
  char parity = 'N';   // N, O, E, M (mark) or S (space)
  int stopBits = 1;    // 1 or 2 (one and a half asks for 2, see below)
};

// The settings of a text of "key=value" words: baud, data, parity and stop.
// Nothing for an unknown word or value, a missing baud rate, or a data
// width other than 5 to 8.  "stop=1.5" gives two stop bits: serial ports
// here have no one-and-a-half.
std::optional<LineSettings> ParseLineSettings(std::u16string_view text);

// Puts the settings into the attributes as a raw line: no echo, no line
// editing, no translation, no flow control, reads return what has arrived.
// False (and nothing changed) when the baud rate is not one the terminal
// interface knows.
bool ApplyToTermios(const LineSettings& settings, termios& attributes);
