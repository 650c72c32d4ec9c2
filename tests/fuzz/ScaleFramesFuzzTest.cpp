// Random bytes from a scale into every kind's frame rule, random settings
// records and line-settings texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "devices/LineSettings.h"
#include "devices/ScaleFrames.h"
#include "devices/ScaleSettings.h"
#include "tests/fuzz/FuzzBytes.h"

namespace {

TEST(ScaleFramesFuzzTest, RandomLinesNeverLeaveTheFrameBuffer) {
  fuzz::Bytes bytes(1701);
  const std::string alphabet("=0123456789.-+ kgDX\x02\x03\xFF\r\n", 21);
  for (int round = 0; round < 3000; ++round) {
    ScaleSettings settings;
    settings.useFlag = 1;
    settings.kind = static_cast<uint8_t>(round % 18);
    settings.frameLength = static_cast<uint8_t>(round * 7 % 256);
    settings.startByte = static_cast<uint8_t>("=\0\x02" "DX"[round % 5]);
    settings.transmissionMode = static_cast<uint8_t>(round % 2);
    CScaleFrameDecoder decoder;
    decoder.Configure(settings);
    auto now = CScaleFrameDecoder::Clock::time_point{};
    decoder.Start(now);
    for (int read = 0; read < 20; ++read) {
      std::string chunk = round % 3 ? bytes.From(alphabet, 130) : bytes.Random(130);
      chunk.resize(std::min(chunk.size(), decoder.Room()));
      now += std::chrono::milliseconds(chunk.size() * 13 % 700);
      auto step = decoder.Take(reinterpret_cast<const uint8_t*>(chunk.data()), chunk.size(), now);
      ASSERT_GE(step.result, -3);
      ASSERT_LT(decoder.Collected(), CScaleFrameDecoder::kBufferSize);
      decoder.CheckPoll(now);
    }
  }
}

TEST(ScaleFramesFuzzTest, AnyRecordEncodesBackToItsBytes) {
  fuzz::Bytes bytes(84);
  for (int round = 0; round < 2000; ++round) {
    std::string block = bytes.Random(84);
    block.resize(ScaleSettings::kSize, '\x5A');
    const auto* raw = reinterpret_cast<const uint8_t*>(block.data());
    auto encoded = ScaleSettings::Decode(raw).Encode();
    ASSERT_TRUE(std::equal(encoded.begin(), encoded.end(), raw));
    ScaleSettings::Decode(raw).DevicePath();
    ScaleSettings::Decode(raw).LineSettingsText();
  }
}

TEST(ScaleFramesFuzzTest, RandomLineSettingsTexts) {
  fuzz::Bytes bytes(1200);
  for (int round = 0; round < 3000; ++round) {
    std::string text = bytes.From("baud=1200 data=78 parity=NOEMS stop=1.52", 60);
    auto settings = ParseLineSettings(std::u16string(text.begin(), text.end()));
    if (!settings) continue;
    termios t{};
    ApplyToTermios(*settings, t);
  }
}

}  // namespace
