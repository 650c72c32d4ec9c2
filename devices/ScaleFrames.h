#pragma once
// The frame rules of the scale kinds: bytes as a scale sends them in, a
// weight in grams out.  No port and no window: CScaleReader feeds it what it
// reads and does what a step asks (send the next poll, close the port).
//
// The kinds (ScaleSettings::kind):
//   0, 3, 7, 10, 12  ASCII, digits sent least significant first (reversed)
//   1, 4, 8, 11, 13  ASCII, digits in reading order
//   0, 1             kilograms with a decimal point; the others grams
//   7, 8 / 10, 11 / 12, 13   at most 5 / 6 / 7 digits
//   14               ASCII, tens of grams
//   2, 5             six-byte packed-decimal frames (5: the value / 1000)
//   6                polled ("a"), an integer answer; unit letter D x10, X x100
//   9                polled (ESC "p"), kilograms
//   15               polled (STX "AD05" ETX), framed with a scale code
//   16 and others    no frame rule: every reading is a bad frame
//
// Results: a weight in grams (0 or more), or kNoReading (-1: no complete
// frame yet, a polled kind still waiting, a packed-decimal frame without its
// sync byte or with error bits, a negative reading), kBadFrame (-2: no
// framing, no number, a number too large, a kind without a rule) or
// kNoDigit (-3: a reversed kind whose frame holds no digit).
//
// Numbers are read as decimal text, exactly: 1.001 kg is 1,001 g.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct ScaleSettings;

class CScaleFrameDecoder {
 public:
  using Clock = std::chrono::steady_clock;

  static constexpr int32_t kNoReading = -1;
  static constexpr int32_t kBadFrame = -2;
  static constexpr int32_t kNoDigit = -3;
  // The bytes of the frame being collected; a frame that fills it without
  // ending is dropped.
  static constexpr size_t kBufferSize = 256;
  // How long a polled scale has to answer before it is asked again.
  static constexpr std::chrono::milliseconds kPollAnswerTime{500};

  // What the reader does after a step.
  struct Step {
    int32_t result = kNoReading;
    bool sendPoll = false;   // send PollCommand() now
    bool closePort = false;  // a reading in transmission mode 1
  };

  // Takes the kind, frame length, start byte and transmission mode.
  void Configure(const ScaleSettings& settings);
  // A new start (the port was opened): nothing collected, the last poll now.
  void Start(Clock::time_point now);

  // The most bytes the next read may take: the read size, as far as the
  // frame buffer has room.
  size_t Room() const;
  size_t Collected() const { return collected_; }
  size_t ReadSize() const { return readSize_; }
  bool Polled() const { return !PollCommand().empty(); }
  // The command a polled kind sends; empty for the others.
  std::string_view PollCommand() const;

  // Adds the bytes just read (count may be 0) and applies the kind's rule.
  Step Take(const uint8_t* bytes, size_t count, Clock::time_point now);
  // A polled scale that has not answered for kPollAnswerTime is asked again,
  // whatever it sent of a frame dropped; for the other kinds nothing.
  Step CheckPoll(Clock::time_point now);

 private:
  Step Packed();
  Step PolledNumber(Clock::time_point now);
  Step Framed(Clock::time_point now);
  Step Ascii();
  int32_t ReversedAscii(std::string& text, bool negative) const;
  int32_t ForwardAscii(const std::string& text, bool negative) const;
  // A polled kind's frame not complete yet: wait, or ask again (dropping
  // what came of it) once the answer is overdue.
  Step Waiting(Clock::time_point now);
  Step Answered(int32_t result, Clock::time_point now);

  uint8_t kind_ = 0;
  uint8_t frameLength_ = 18;
  uint8_t startByte_ = 61;
  uint8_t mode_ = 0;
  size_t readSize_ = 36;
  std::array<uint8_t, kBufferSize> buffer_{};
  size_t collected_ = 0;
  Clock::time_point lastPoll_{};
};

// Decimal text readers of the frame rules (exposed for their tests).
// Grams of a kilogram number: digits, an optional point and fraction,
// truncated to whole grams; -1 when the text starts with no digit and no
// point followed by a digit, or the value exceeds 2^31 - 1 grams.
int64_t KilogramTextToGrams(std::string_view text);
// A decimal integer: its leading digits; -1 without any, or above 2^31 - 1.
int64_t DecimalTextToInteger(std::string_view text);
