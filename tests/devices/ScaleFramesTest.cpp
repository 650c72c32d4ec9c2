// The frame rules without a port: exact decimal weights, and the rules that
// hang on time (polled scales), on a clock of the test's own.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "devices/ScaleFrames.h"
#include "devices/ScaleSettings.h"

namespace {

using Clock = CScaleFrameDecoder::Clock;
using std::chrono::milliseconds;

CScaleFrameDecoder::Step Feed(CScaleFrameDecoder& decoder, const std::string& bytes, Clock::time_point now) {
  return decoder.Take(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), now);
}

CScaleFrameDecoder Decoder(uint8_t kind, uint8_t frameLength, uint8_t startByte, Clock::time_point start) {
  ScaleSettings s;
  s.useFlag = 1;
  s.kind = kind;
  s.frameLength = frameLength;
  s.startByte = startByte;
  CScaleFrameDecoder decoder;
  decoder.Configure(s);
  decoder.Start(start);
  return decoder;
}

// Every reading from 0.000 to 2.999 kg, as text and through the kilogram
// kinds, comes out to the gram (a binary double loses one for 1.001 kg).
TEST(ScaleFramesTest, KilogramsAreReadExactly) {
  const Clock::time_point t0{};
  for (int grams = 0; grams < 3000; ++grams) {
    char text[16];
    std::snprintf(text, sizeof text, "%d.%03d", grams / 1000, grams % 1000);
    ASSERT_EQ(grams, KilogramTextToGrams(text)) << text;

    auto forward = Decoder(1, 10, '=', t0);
    std::string frame = std::string("=000") + text + "=000" + text + "=";
    ASSERT_EQ(grams, Feed(forward, frame, t0).result) << frame;

    auto reversed = Decoder(0, 10, '=', t0);
    std::string backwards(text);
    backwards.assign(backwards.rbegin(), backwards.rend());
    frame = "=" + backwards + "000=" + backwards + "000=";
    ASSERT_EQ(grams, Feed(reversed, frame, t0).result) << frame;
  }
  struct {
    const char* text;
    int64_t grams;
  } cases[] = {{"12.", 12000}, {".5", 500},   {"1.0019", 1001},  {"007.25kg", 7250},
               {"", -1},       {".", -1},     {"kg", -1},        {"2147483.647", 2147483647},
               {"2147483.648", -1}, {"99999999", -1}, {"1.2.3", 1200}};
  for (const auto& c : cases) EXPECT_EQ(c.grams, KilogramTextToGrams(c.text)) << c.text;
  EXPECT_EQ(12, DecimalTextToInteger("0012x"));
  EXPECT_EQ(-1, DecimalTextToInteger("x12"));
  EXPECT_EQ(2147483647, DecimalTextToInteger("2147483647"));
  EXPECT_EQ(-1, DecimalTextToInteger("2147483648"));
}

// Kind 6: a partial answer waits up to 500 ms after the poll; later bytes
// that still leave it partial drop it and poll again.  A whole answer polls
// for the next one.
TEST(ScaleFramesTest, APolledScaleIsAskedAgainWhenItsAnswerIsOverdue) {
  const Clock::time_point t0{};
  auto decoder = Decoder(6, 5, 'X', t0);
  EXPECT_EQ("a", decoder.PollCommand());
  auto step = Feed(decoder, "  ", t0 + milliseconds(100));
  EXPECT_EQ(-1, step.result);
  EXPECT_FALSE(step.sendPoll);
  EXPECT_EQ(2u, decoder.Collected());
  step = Feed(decoder, "0", t0 + milliseconds(500));
  EXPECT_FALSE(step.sendPoll);
  step = Feed(decoder, "1", t0 + milliseconds(501));
  EXPECT_EQ(-1, step.result);
  EXPECT_TRUE(step.sendPoll);
  EXPECT_EQ(0u, decoder.Collected());

  step = Feed(decoder, "  012", t0 + milliseconds(700));
  EXPECT_EQ(1200, step.result);
  EXPECT_TRUE(step.sendPoll);

  // The timer's look: nothing within 500 ms of the last poll, then a poll
  // that drops what came of the answer so far.
  Feed(decoder, " 0", t0 + milliseconds(800));
  EXPECT_FALSE(decoder.CheckPoll(t0 + milliseconds(1200)).sendPoll);
  EXPECT_EQ(2u, decoder.Collected());
  EXPECT_TRUE(decoder.CheckPoll(t0 + milliseconds(1201)).sendPoll);
  EXPECT_EQ(0u, decoder.Collected());
  EXPECT_FALSE(decoder.CheckPoll(t0 + milliseconds(1300)).sendPoll);
  EXPECT_TRUE(decoder.CheckPoll(t0 + milliseconds(1800)).sendPoll);

  // Streaming kinds are never polled.
  auto streaming = Decoder(1, 8, '=', t0);
  EXPECT_FALSE(streaming.Polled());
  EXPECT_FALSE(streaming.CheckPoll(t0 + milliseconds(5000)).sendPoll);
}

// Kind 15 keeps its bytes while it waits for the ETX; a scale that keeps
// sending without one never runs past the frame buffer.
TEST(ScaleFramesTest, AFramedAnswerWaitsForItsEndWithinTheBuffer) {
  const Clock::time_point t0{};
  auto decoder = Decoder(15, 10, 0, t0);
  EXPECT_EQ(std::string("\x02" "AD05\x03", 6), decoder.PollCommand());
  auto step = Feed(decoder, "\x02+0123452A", t0 + milliseconds(50));
  EXPECT_EQ(-1, step.result);
  EXPECT_EQ(10u, decoder.Collected());
  step = Feed(decoder, "B\x03", t0 + milliseconds(60));
  EXPECT_EQ(123450, step.result);
  EXPECT_TRUE(step.sendPoll);

  const std::string junk(40, '7');
  for (int i = 0; i < 40; ++i) {
    size_t room = decoder.Room();
    ASSERT_GT(room, 0u);
    step = decoder.Take(reinterpret_cast<const uint8_t*>(junk.data()), std::min(room, junk.size()),
                        t0 + milliseconds(100));
    EXPECT_EQ(-1, step.result);
    ASSERT_LE(decoder.Collected(), CScaleFrameDecoder::kBufferSize);
  }
  // Overdue: dropped and asked again.
  step = Feed(decoder, "1", t0 + milliseconds(700));
  EXPECT_TRUE(step.sendPoll);
  EXPECT_EQ(0u, decoder.Collected());

  // An ETX with no room before it for the code character.
  auto cut = Decoder(15, 3, 0, t0);
  EXPECT_EQ(-2, Feed(cut, "\x02" "5\x03", t0).result);
  EXPECT_EQ(-2, Feed(cut, "\x02\x03\x03", t0).result);
  EXPECT_EQ(-2, Feed(cut, "\x02" "22\x03", t0).result);
}

}  // namespace
