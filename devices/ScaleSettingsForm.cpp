#include "devices/ScaleSettingsForm.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kKindPolledKilograms = 9;  // TC-H
constexpr int kKindXk3190 = 15;
constexpr int kKindToledo = 16;
constexpr int kKindPolledInteger = 6;
constexpr uint8_t kStx = 2;

int HexDigit(char16_t c) {
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return c - u'0';
}

}  // namespace

std::u16string ScaleStartByteText(uint8_t value) {
  if (value >= 14 && value <= 126) return std::u16string(1, static_cast<char16_t>(value));
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  return std::u16string(u"0x") + kDigits[value >> 4] + kDigits[value & 0xF];
}

std::u16string ScaleWeightText(int grams) {
  if (grams < 0) return {};
  if (grams == 0) return u"0";
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", grams * 0.001);
  return std::u16string(text, text + std::strlen(text));
}

const std::array<std::u16string_view, 17>& ScaleKindNames() {
  static const std::array<std::u16string_view, 17> names = {
      u"0-型(公斤颠倒序)", u"1-型(公斤正常序)", u"2-BCD(6B3D)公斤",
      u"3-型(克颠倒序)", u"4-型(克正常序)", u"5-BCD(6B3D)克",
      u"6-太航MCⅢ&YSX-30A", u"7-型(5位克颠倒序)", u"8-型(5位克正常序)",
      u"9-型(TC-H系列)", u"A-型(6位克颠倒序)", u"B-型(6位克正常序)",
      u"C-型(7位克颠倒序)", u"D-型(7位克正常序)", u"E-型[10克精度数]",
      u"F-型[XK3190系列]", u"G-型[梅特勒-托利多]"};
  return names;
}

ScaleSettingsForm ScaleSettingsForm::FromSettings(const ScaleSettings& settings) {
  ScaleSettingsForm form;
  form.useFlag = settings.useFlag;
  form.portIndex = settings.portIndex;
  const auto* begin = settings.reserved.data();
  const auto* end = std::find(begin, begin + settings.reserved.size(), uint8_t{0});
  form.devicePath.assign(begin, end);
  form.baudRate = settings.baudRate;
  form.dataBits = settings.dataBits;
  form.parityCode = std::min<int>(settings.parityCode, 3);
  form.stopBitsCode = std::min<int>(settings.stopBitsCode, 2);
  form.kind = settings.kind;
  form.transmissionMode = settings.transmissionMode != 0 ? 1 : 0;
  form.frameLength = settings.frameLength;
  form.startByteText = ScaleStartByteText(settings.startByte);
  return form;
}

std::u16string ScaleSettingsForm::PortText() const {
  if (!devicePath.empty()) return std::u16string(devicePath.begin(), devicePath.end());
  if (portIndex < 0) return {};
  std::string name = "COM" + std::to_string(portIndex + 1);
  return std::u16string(name.begin(), name.end());
}

void ScaleSettingsForm::SetPortText(std::u16string_view text) {
  while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  if (text.empty()) {
    portIndex = -1;
    devicePath.clear();
    return;
  }
  if (text.size() > 3 && text.size() <= 7 && text.substr(0, 3) == u"COM" &&
      std::all_of(text.begin() + 3, text.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; }) &&
      text[3] != u'0') {
    int number = 0;
    for (char16_t c : text.substr(3)) number = number * 10 + (c - u'0');
    portIndex = number - 1;
    devicePath.clear();
    return;
  }
  devicePath.clear();
  for (char16_t c : text) devicePath.push_back(static_cast<char>(c < 0x80 ? c : '?'));
  if (portIndex < 0) portIndex = 0;
}

void ScaleSettingsForm::ApplyKindDefaults() {
  if (kind != kKindPolledKilograms && kind != kKindXk3190 && kind != kKindToledo) return;
  parityCode = 0;
  portIndex = 0;
  devicePath.clear();
  stopBitsCode = 0;
  dataBits = 8;
  transmissionMode = 0;
  if (kind == kKindToledo) {
    startByteText = u"0x02";
    frameLength = 17;
    return;
  }
  baudRate = 600;
  startByteText = u"0x00";
  frameLength = kind == kKindPolledKilograms ? 14 : 10;
}

void ScaleSettingsForm::StoreInto(ScaleSettings& settings) const {
  settings.useFlag = useFlag;
  settings.baudRate = baudRate;
  settings.portIndex = portIndex;
  // The reserved bytes stay as read unless the device changed; a path too
  // long for the record leaves the one held.
  if (FromSettings(settings).devicePath != devicePath) settings.SetDevicePath(devicePath);

  if (startByteText.size() == 1) {
    settings.startByte = static_cast<uint8_t>(startByteText[0] & 0xFF);
  } else if (startByteText.size() == 4) {
    std::u16string upper = startByteText;
    for (char16_t& c : upper) {
      if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    }
    auto isHex = [](char16_t c) { return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'); };
    if (upper[0] == u'0' && upper[1] == u'X' && isHex(upper[2]) && isHex(upper[3])) {
      settings.startByte = static_cast<uint8_t>(HexDigit(upper[2]) * 16 + HexDigit(upper[3]));
    }
  }

  // The reader's buffers hold frames of at most 30 bytes: a negative entry
  // stores nothing to read rather than wrapping to 255.
  int length = std::clamp(frameLength, 0, static_cast<int>(ScaleSettings::kMaxFrameLength));
  if (kind == kKindPolledInteger) length = std::clamp(length, 3, 8);
  if (kind == kKindToledo) settings.startByte = kStx;

  settings.dataBits = static_cast<uint8_t>(dataBits);
  settings.frameLength = static_cast<uint8_t>(length);
  settings.kind = static_cast<uint8_t>(kind);
  settings.parityCode = static_cast<uint8_t>(parityCode);
  settings.stopBitsCode = static_cast<uint8_t>(stopBitsCode);
  settings.transmissionMode = static_cast<uint8_t>(transmissionMode);
}
