#include "devices/ScaleSettings.h"

#include <algorithm>
#include <cstring>
#include <fstream>

namespace {

int32_t GetInt32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

void PutInt32(uint8_t* p, int32_t value) {
  auto v = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

std::string ScaleSettings::DevicePath() const {
  const auto* begin = reserved.data();
  const auto* end = std::find(begin, begin + reserved.size(), uint8_t{0});
  if (end != begin) return std::string(begin, end);
  return "/dev/ttyS" + std::to_string(portIndex);
}

bool ScaleSettings::SetDevicePath(std::string_view path) {
  if (path.size() > kDevicePathCapacity) return false;
  reserved.fill(0);
  std::memcpy(reserved.data(), path.data(), path.size());
  return true;
}

std::array<uint8_t, ScaleSettings::kSize> ScaleSettings::Encode() const {
  std::array<uint8_t, kSize> block{};
  PutInt32(&block[0], useFlag);
  block[4] = kind;
  block[5] = dataBits;
  block[6] = frameLength;
  block[7] = stopBitsCode;
  block[8] = startByte;
  block[9] = reserved9;
  block[10] = transmissionMode;
  block[11] = parityCode;
  PutInt32(&block[12], portIndex);
  PutInt32(&block[16], baudRate);
  std::copy(reserved.begin(), reserved.end(), block.begin() + kDevicePathOffset);
  return block;
}

ScaleSettings ScaleSettings::Decode(const uint8_t* block) {
  ScaleSettings s;
  s.useFlag = GetInt32(&block[0]);
  s.kind = block[4];
  s.dataBits = block[5];
  s.frameLength = block[6];
  s.stopBitsCode = block[7];
  s.startByte = block[8];
  s.reserved9 = block[9];
  s.transmissionMode = block[10];
  s.parityCode = block[11];
  s.portIndex = GetInt32(&block[12]);
  s.baudRate = GetInt32(&block[16]);
  std::copy(block + kDevicePathOffset, block + kSize, s.reserved.begin());
  return s;
}

std::u16string ScaleSettings::LineSettingsText() const {
  static const char* const kParity[] = {"N", "O", "E", "M"};
  // The stop-bits code 1 asks for one and a half stop bits; the serial port
  // of this system has none and sends two (see ApplyLineSettings).
  const char* stop = stopBitsCode == 0 ? " stop=1" : stopBitsCode == 1 ? " stop=1.5" : " stop=2";
  std::string text = "baud=" + std::to_string(baudRate) + " data=" + std::to_string(dataBits) +
                     " parity=" + kParity[std::min<unsigned>(parityCode, 3)] + stop;
  return std::u16string(text.begin(), text.end());
}

size_t ScaleSettings::ReadSize() const { return std::min<size_t>(2u * frameLength, 120); }

int ReadScaleSettingsFile(const std::string& folder, ScaleSettings& settings) {
  settings = ScaleSettings{};
  std::ifstream in(folder + ScaleSettings::kFileName, std::ios::binary);
  if (!in) return 0;
  std::array<uint8_t, ScaleSettings::kSize> block{};
  in.read(reinterpret_cast<char*>(block.data()), static_cast<std::streamsize>(block.size()));
  // A cut-off record is a damaged file: its fields cannot be told from the
  // defaults they would be mixed with, so the defaults stand (no scale).
  if (static_cast<size_t>(in.gcount()) != block.size()) return 0;
  settings = ScaleSettings::Decode(block.data());
  // The stop-bits code 1 (one and a half) is kept as read; the port sends
  // two stop bits for it, the nearest this system's serial ports know.
  settings.frameLength = std::min(settings.frameLength, ScaleSettings::kMaxFrameLength);
  return 1;
}

int WriteScaleSettingsFile(const std::string& folder, const ScaleSettings& settings) {
  std::ofstream out(folder + ScaleSettings::kFileName, std::ios::binary | std::ios::trunc);
  if (!out) return 0;
  const auto block = settings.Encode();
  out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size()));
  out.close();
  return out ? 1 : 0;
}
