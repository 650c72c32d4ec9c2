#include "common/ChargeableWeight.h"

#include <algorithm>

namespace {
int32_t HeldToInt32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}
}  // namespace

int VolumetricDivisor(char classLetter) {
  switch (classLetter) {
    case 'T': return 3;
    case 'D': return 5;
    case 'S': return 7;
    case 'E': return 8;
    case 'W': return 12;
    default: return 6;
  }
}

int64_t VolumetricGrams(int32_t length, int32_t width, int32_t height, char classLetter) {
  return static_cast<int64_t>(length) * width * height / VolumetricDivisor(classLetter);
}

int32_t ChargeableGrams(int32_t length, int32_t width, int32_t height, int32_t actualGrams,
                        uint8_t volumePercent, char classLetter) {
  if (volumePercent == 0) return actualGrams;
  int64_t volume = VolumetricGrams(length, width, height, classLetter);
  if (volume <= actualGrams) return actualGrams;
  if (volumePercent >= 100) return HeldToInt32(volume);
  int64_t blend =
      (volumePercent * volume + (100 - volumePercent) * static_cast<int64_t>(actualGrams)) / 100;
  return HeldToInt32(blend);
}
