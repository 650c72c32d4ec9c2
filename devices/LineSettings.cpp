#include "devices/LineSettings.h"

#include <string>

namespace {

struct Speed {
  int rate;
  speed_t code;
};

constexpr Speed kSpeeds[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},
    {150, B150},       {200, B200},       {300, B300},       {600, B600},
    {1200, B1200},     {1800, B1800},     {2400, B2400},     {4800, B4800},
    {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},
    {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};

std::optional<int> Number(std::u16string_view text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  int value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + (c - u'0');
  }
  return value;
}

}  // namespace

std::optional<LineSettings> ParseLineSettings(std::u16string_view text) {
  LineSettings settings;
  bool haveBaud = false;
  size_t pos = 0;
  while (pos < text.size()) {
    while (pos < text.size() && text[pos] == u' ') ++pos;
    if (pos == text.size()) break;
    size_t end = text.find(u' ', pos);
    if (end == std::u16string_view::npos) end = text.size();
    std::u16string_view word = text.substr(pos, end - pos);
    pos = end;
    size_t equals = word.find(u'=');
    if (equals == std::u16string_view::npos) return std::nullopt;
    std::u16string_view key = word.substr(0, equals);
    std::u16string_view value = word.substr(equals + 1);
    if (key == u"baud") {
      auto n = Number(value);
      if (!n) return std::nullopt;
      settings.baudRate = *n;
      haveBaud = true;
    } else if (key == u"data") {
      auto n = Number(value);
      if (!n || *n < 5 || *n > 8) return std::nullopt;
      settings.dataBits = *n;
    } else if (key == u"parity") {
      if (value.size() != 1 || std::u16string_view(u"NOEMS").find(value[0]) == std::u16string_view::npos)
        return std::nullopt;
      settings.parity = static_cast<char>(value[0]);
    } else if (key == u"stop") {
      if (value == u"1") {
        settings.stopBits = 1;
      } else if (value == u"1.5" || value == u"2") {
        settings.stopBits = 2;
      } else {
        return std::nullopt;
      }
    } else {
      return std::nullopt;
    }
  }
  if (!haveBaud) return std::nullopt;
  return settings;
}

bool ApplyToTermios(const LineSettings& settings, termios& attributes) {
  const Speed* speed = nullptr;
  for (const Speed& s : kSpeeds) {
    if (s.rate == settings.baudRate) speed = &s;
  }
  if (speed == nullptr) return false;
  termios t = attributes;
  cfmakeraw(&t);
  t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  t.c_cflag |= CREAD | CLOCAL;
  switch (settings.dataBits) {
    case 5: t.c_cflag |= CS5; break;
    case 6: t.c_cflag |= CS6; break;
    case 7: t.c_cflag |= CS7; break;
    default: t.c_cflag |= CS8; break;
  }
  switch (settings.parity) {
    case 'O': t.c_cflag |= PARENB | PARODD; break;
    case 'E': t.c_cflag |= PARENB; break;
    case 'M': t.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case 'S': t.c_cflag |= PARENB | CMSPAR; break;
    default: break;
  }
  if (settings.stopBits == 2) t.c_cflag |= CSTOPB;
  // One byte is enough for a read.  The port is opened non-blocking, so an
  // empty line reads as "try again", and only a line that has gone away (an
  // adapter pulled out, the far end of a pseudo-terminal closed) reads as
  // its end.
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  cfsetispeed(&t, speed->code);
  cfsetospeed(&t, speed->code);
  attributes = t;
  return true;
}
