#include "devices/ScaleFrames.h"

#include <algorithm>
#include <limits>
#include <string>

#include "devices/ScaleSettings.h"

namespace {

constexpr int64_t kMaxGrams = std::numeric_limits<int32_t>::max();
constexpr uint8_t kSync = 0xFF;
constexpr uint8_t kEtx = 0x03;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A value in grams as a result: too large a number is a bad frame.
int32_t Grams(int64_t value) {
  if (value < 0 || value > kMaxGrams) return CScaleFrameDecoder::kBadFrame;
  return static_cast<int32_t>(value);
}

// A value read with its unit applied.
int32_t Scaled(int64_t value, int64_t multiply, int64_t divide = 1) {
  if (value < 0) return CScaleFrameDecoder::kBadFrame;
  return Grams(value * multiply / divide);
}

int Bcd(uint8_t b) { return 10 * (b >> 4) + (b & 0x0F); }

size_t FirstDigit(std::string_view text, size_t from) {
  while (from < text.size() && !IsDigit(text[from])) ++from;
  return from;
}

// A minus sign among the characters before the number: the scale shows a
// weight below zero, which is no weight to take.  (Dashes without a number,
// an overload, are no sign.)
bool SignBefore(std::string_view text, size_t from, size_t number) {
  if (number >= text.size() || number <= from) return false;
  return text.substr(from, number - from).find('-') != std::string_view::npos;
}

}  // namespace

int64_t KilogramTextToGrams(std::string_view text) {
  size_t i = 0;
  int64_t kilograms = 0;
  bool digits = false;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    kilograms = kilograms * 10 + (text[i] - '0');
    digits = true;
    if (kilograms > kMaxGrams / 1000) return -1;
  }
  int64_t grams = kilograms * 1000;
  if (i < text.size() && text[i] == '.') {
    int64_t scale = 100;
    for (++i; i < text.size() && IsDigit(text[i]); ++i) {
      digits = true;
      grams += (text[i] - '0') * scale;
      scale /= 10;
    }
  }
  if (!digits || grams > kMaxGrams) return -1;
  return grams;
}

int64_t DecimalTextToInteger(std::string_view text) {
  int64_t value = 0;
  size_t i = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > kMaxGrams) return -1;
  }
  return i == 0 ? -1 : value;
}

void CScaleFrameDecoder::Configure(const ScaleSettings& settings) {
  kind_ = settings.kind;
  frameLength_ = settings.frameLength;
  startByte_ = settings.startByte;
  mode_ = settings.transmissionMode;
  readSize_ = settings.ReadSize();
  collected_ = 0;
}

void CScaleFrameDecoder::Start(Clock::time_point now) {
  collected_ = 0;
  lastPoll_ = now;
}

size_t CScaleFrameDecoder::Room() const { return std::min(readSize_, kBufferSize - collected_); }

std::string_view CScaleFrameDecoder::PollCommand() const {
  switch (kind_) {
    case 6: return std::string_view("a", 1);
    case 9: return std::string_view("\x1bp", 2);
    case 15: return std::string_view("\x02" "AD05" "\x03", 6);
    default: return {};
  }
}

CScaleFrameDecoder::Step CScaleFrameDecoder::Take(const uint8_t* bytes, size_t count,
                                                  Clock::time_point now) {
  count = std::min(count, kBufferSize - collected_);
  std::copy(bytes, bytes + count, buffer_.begin() + static_cast<std::ptrdiff_t>(collected_));
  collected_ += count;
  Step step;
  switch (kind_) {
    case 2:
    case 5: step = Packed(); break;
    case 6:
    case 9: step = PolledNumber(now); break;
    case 15: step = Framed(now); break;
    default: step = Ascii(); break;
  }
  if (collected_ >= kBufferSize) collected_ = 0;
  return step;
}

CScaleFrameDecoder::Step CScaleFrameDecoder::CheckPoll(Clock::time_point now) {
  if (!Polled()) return {};
  return Waiting(now);
}

CScaleFrameDecoder::Step CScaleFrameDecoder::Waiting(Clock::time_point now) {
  Step step;
  if (now - lastPoll_ <= kPollAnswerTime) return step;
  collected_ = 0;
  lastPoll_ = now;
  step.sendPoll = true;
  return step;
}

CScaleFrameDecoder::Step CScaleFrameDecoder::Answered(int32_t result, Clock::time_point now) {
  Step step;
  step.result = result;
  lastPoll_ = now;
  step.sendPoll = true;
  return step;
}

// Six-byte frames: sync 0xFF, status, three packed-decimal bytes (least
// significant first), one more byte.  Twelve bytes always hold one whole
// frame whose sync byte is among the first six.
CScaleFrameDecoder::Step CScaleFrameDecoder::Packed() {
  Step step;
  if (collected_ < 12) return step;
  collected_ = 0;
  const uint8_t* end = buffer_.data() + 6;
  const uint8_t* sync = std::find(static_cast<const uint8_t*>(buffer_.data()), end, kSync);
  if (sync == end) return step;
  const uint8_t status = sync[1];
  // Bits 0x08 and up: motion, sign and overload; no weight to take.
  if ((status & 0xB8) != 0) return step;
  int64_t value = Bcd(sync[2]) + 100 * Bcd(sync[3]) + 10000 * Bcd(sync[4]);
  switch ((status & 7) - 1) {
    case 0: value *= 1000; break;
    case 1: value *= 100; break;
    case 2: value *= 10; break;
    case 4: value /= 10; break;
    case 5: value /= 100; break;
    default: break;
  }
  step.closePort = mode_ == 1;
  if (kind_ == 5) value /= 1000;
  step.result = Grams(value);
  return step;
}

// Kinds 6 and 9: an answer of frame-length bytes.
CScaleFrameDecoder::Step CScaleFrameDecoder::PolledNumber(Clock::time_point now) {
  if (collected_ < frameLength_) return Waiting(now);
  std::string_view text(reinterpret_cast<const char*>(buffer_.data()), frameLength_);
  text = text.substr(0, text.find('\0'));
  collected_ = 0;
  int32_t result = kBadFrame;
  if (kind_ == 6) {
    size_t digit = FirstDigit(text, 0);
    if (SignBefore(text, 0, digit)) {
      result = kNoReading;
    } else {
      const int64_t unit = startByte_ == 'D' ? 10 : startByte_ == 'X' ? 100 : 1;
      result = Scaled(DecimalTextToInteger(text.substr(digit)), unit);
    }
  } else {
    size_t number = text.find_first_of("0123456789.");
    if (number == std::string_view::npos) number = text.size();
    if (SignBefore(text, 0, number)) {
      result = kNoReading;
    } else {
      result = Grams(KilogramTextToGrams(text.substr(number)));
    }
  }
  return Answered(result, now);
}

// Kind 15: STX, the reading, a code character, two more bytes, ETX.  The
// code says where the point stands: '0' x1000, '1' x100, '2' x10, '4' / 10.
CScaleFrameDecoder::Step CScaleFrameDecoder::Framed(Clock::time_point now) {
  if (collected_ < frameLength_) return Waiting(now);
  std::string text(reinterpret_cast<const char*>(buffer_.data()), collected_);
  text[0] = '\0';
  size_t etx = text.rfind(static_cast<char>(kEtx));
  if (etx == std::string::npos) {
    // Bytes keep coming without the frame's end: wait for it until the
    // answer is overdue, then drop them and ask again.
    return Waiting(now);
  }
  collected_ = 0;
  // No room for the code character before the ETX: a cut frame.
  if (etx < 3) return Answered(kBadFrame, now);
  const size_t code = etx - 3;
  std::string_view number(text.data(), code);
  const size_t digit = FirstDigit(number, 1);
  if (SignBefore(number, 1, digit)) return Answered(kNoReading, now);
  int64_t value = DecimalTextToInteger(number.substr(std::min(digit, number.size())));
  switch (text[code]) {
    case '0': return Answered(Scaled(value, 1000), now);
    case '1': return Answered(Scaled(value, 100), now);
    case '2': return Answered(Scaled(value, 10), now);
    case '4': return Answered(Scaled(value, 1, 10), now);
    default: return Answered(Grams(value), now);
  }
}

// The streaming ASCII kinds.
CScaleFrameDecoder::Step CScaleFrameDecoder::Ascii() {
  Step step;
  if (static_cast<long>(collected_) < static_cast<long>(readSize_) - 1) return step;
  std::string text;
  for (size_t i = 0; i < collected_; ++i) {
    if (buffer_[i] != 0) text.push_back(static_cast<char>(buffer_[i]));
  }
  collected_ = 0;
  step.result = kBadFrame;

  const bool reversed = kind_ == 0 || kind_ == 3 || kind_ == 7 || kind_ == 10 || kind_ == 12;
  // A sign the framing below cuts off: it stands before a number in reading
  // order, after a reversed one.
  bool negative = false;
  if (startByte_ != 0) {
    const char start = static_cast<char>(startByte_);
    size_t first = text.find(start);
    if (first == std::string::npos) return step;
    text.erase(0, first);
    size_t next = text.find(start, FirstDigit(text, 1));
    if (next == std::string::npos) return step;
    text.resize(next);
  } else {
    // Without framing: skip a reading cut off at the start of what was
    // collected, then take the next run of digits and points.
    auto isNumber = [](char c) { return IsDigit(c) || c == '.'; };
    size_t i = 0;
    while (i < text.size() && isNumber(text[i])) ++i;
    while (i < text.size() && !isNumber(text[i])) ++i;
    if (i == text.size()) return step;
    size_t end = i;
    while (end < text.size() && isNumber(text[end])) ++end;
    negative = reversed ? end < text.size() && text[end] == '-' : i > 0 && text[i - 1] == '-';
    text = " " + text.substr(i, end - i) + " ";
  }
  step.result = reversed ? ReversedAscii(text, negative) : ForwardAscii(text, negative);
  step.closePort = mode_ == 1;
  return step;
}

// The text after its first byte, least significant digit first.
int32_t CScaleFrameDecoder::ReversedAscii(std::string& text, bool negative) const {
  text[0] = '\0';
  size_t last = text.size();
  while (last > 1 && !IsDigit(text[last - 1])) --last;
  if (last <= 1) return kNoDigit;
  if (negative || text.find('-', last) != std::string::npos) return kNoReading;
  // From the last digit back to the second byte.
  std::string digits(text.rbegin() + static_cast<std::ptrdiff_t>(text.size() - last),
                     text.rend() - 1);
  std::string_view number(digits);
  switch (kind_) {
    case 0: return Grams(KilogramTextToGrams(number));
    case 3: return Grams(DecimalTextToInteger(number));
    case 7: return Grams(DecimalTextToInteger(number.substr(0, 5)));
    case 10: return Grams(DecimalTextToInteger(number.substr(0, 6)));
    default: return Grams(DecimalTextToInteger(number.substr(0, 7)));
  }
}

// The text after its first byte, from its first digit.
int32_t CScaleFrameDecoder::ForwardAscii(const std::string& text, bool negative) const {
  static constexpr uint8_t kForwardKinds[] = {1, 4, 8, 11, 13, 14};
  if (std::find(std::begin(kForwardKinds), std::end(kForwardKinds), kind_) == std::end(kForwardKinds))
    return kBadFrame;  // kind 16 and any other: no frame rule
  const size_t digit = FirstDigit(text, 1);
  if (negative || SignBefore(text, 1, digit)) return kNoReading;
  std::string_view number = std::string_view(text).substr(digit);
  switch (kind_) {
    case 1: return Grams(KilogramTextToGrams(number));
    case 4: return Grams(DecimalTextToInteger(number));
    case 8: return Grams(DecimalTextToInteger(number.substr(0, 5)));
    case 11: return Grams(DecimalTextToInteger(number.substr(0, 6)));
    case 13: return Grams(DecimalTextToInteger(number.substr(0, 7)));
    default: return Scaled(DecimalTextToInteger(number), 10);
  }
}
