// The scale reader on a real serial line: a pseudo-terminal whose far end
// plays the scale.  Every kind's frames, whole and split across reads at
// every position; polls, the timer that repeats them, the port's messages,
// and a line that goes away.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "devices/PortMessages.h"
#include "devices/ScalePort.h"
#include "devices/ScaleReader.h"
#include "platform/QtMessages.h"
#include "tests/QtTestSupport.h"
#include "tests/devices/ScaleLine.h"

namespace {

using testsupport::WaitUntil;

// A weighing window: answers the port's messages as the entry forms do.
class WeighingWindow : public QObject {
 public:
  explicit WeighingWindow(CScaleReader& reader) : reader_(reader) {}
  std::vector<int> results;
  std::vector<quintptr> ports;
  std::vector<qintptr> errors;

 protected:
  bool event(QEvent* e) override {
    if (auto* m = platform::AsPrivateMessage(e)) {
      if (m->Message() == devices::WM_PORT_RECEIVED) {
        ports.push_back(m->WParam());
        results.push_back(reader_.ReadWeight());
        return true;
      }
      if (m->Message() == devices::WM_PORT_ERROR) {
        errors.push_back(m->LParam());
        return true;
      }
    }
    return QObject::event(e);
  }

 private:
  CScaleReader& reader_;
};

// The result a window shows for a run of messages: the last one that is
// not "nothing yet", else -1.
int Outcome(const std::vector<int>& results) {
  int outcome = -1;
  for (int r : results) {
    if (r != -1) outcome = r;
  }
  return outcome;
}

std::string Packed(uint8_t status, bool twice = true) {
  std::string frame{'\xFF', static_cast<char>(status), '\x45', '\x23', '\x01', '\x00'};
  return twice ? frame + frame : frame;
}

struct FrameCase {
  const char* name;
  uint8_t kind;
  uint8_t frameLength;
  uint8_t startByte;
  std::string bytes;  // what the scale sends (a polled scale: its answer)
  int expected;
};

std::vector<FrameCase> Cases() {
  const char stx = '\x02';
  const char etx = '\x03';
  auto framed = [&](const std::string& body) { return std::string(1, stx) + body + etx; };
  return {
      // Streaming ASCII, digits reversed.
      {"kind 0 kilograms", 0, 8, '=', "=5.2100=5.2100=", 12500},
      {"kind 0 1.001 kg", 0, 10, '=', "=100.1000=100.1000=", 1001},
      {"kind 0 negative", 0, 8, '=', "=5.210-=5.210-=", -1},
      {"kind 0 overload", 0, 8, '=', "=--LO--=--LO--=", -2},
      {"kind 3 grams", 3, 7, '=', "=43210=43210=", 1234},
      {"kind 7 five digits", 7, 7, '=', "=43210=43210=", 1234},
      {"kind 7 cut to five", 7, 8, '=', "=543210=543210=", 1234},
      {"kind 10 six digits", 10, 8, '=', "=543210=543210=", 12345},
      {"kind 12 seven digits", 12, 9, '=', "=6543210=6543210=", 123456},
      // Streaming ASCII in reading order.
      {"kind 1 kilograms", 1, 8, '=', "=0012.5=0012.5=", 12500},
      {"kind 1 1.001 kg", 1, 10, '=', "=0001.001=0001.001=", 1001},
      {"kind 1 negative", 1, 8, '=', "=-012.5=-012.5=", -1},
      {"kind 1 wrong start byte", 1, 8, '=', "#0012.5#0012.5#", -2},
      {"kind 1 cut frame", 1, 8, '=', "=0012.5", -1},
      {"kind 1 frame without its end", 1, 8, '=', "=0012.5 kg   kg", -2},
      {"kind 4 cut head, no start byte", 4, 7, 0, "12\r\n0001234\r\n", 1234},
      {"kind 4 negative, no start byte", 4, 7, 0, "12\r\n-001234\r\n", -1},
      {"kind 4 no number", 4, 7, 0, "12\r\n  OL   \r\n", -2},
      {"kind 8 cut to five", 8, 9, '=', "=0123456=0123456=", 1234},
      {"kind 11 six digits", 11, 8, '=', "=012345=012345=", 12345},
      {"kind 13 seven digits", 13, 9, '=', "=0123456=0123456=", 123456},
      {"kind 14 tens of grams", 14, 7, '=', "=01234=01234=", 12340},
      {"kind 16 has no rule", 16, 8, 2, std::string("\x02" "0012.5\r\x02" "0012.5\r"), -2},
      // Packed decimal.
      {"kind 2 times ten", 2, 18, 0, Packed(0x03), 123450},
      {"kind 5 divided by 1000", 5, 18, 0, Packed(0x03), 123},
      {"kind 2 as it stands", 2, 18, 0, Packed(0x04), 12345},
      {"kind 2 times 1000", 2, 18, 0, Packed(0x01), 12345000},
      {"kind 2 divided by 100", 2, 18, 0, Packed(0x06), 123},
      {"kind 2 motion bit", 2, 18, 0, Packed(0x0B), -1},
      {"kind 2 sign bit", 2, 18, 0, Packed(0x23), -1},
      {"kind 2 overload bit", 2, 18, 0, Packed(0x83), -1},
      {"kind 2 status 0x10", 2, 18, 0, Packed(0x13), -1},
      {"kind 2 sync byte seventh", 2, 18, 0, std::string(6, '\0') + Packed(0x03, false), -1},
      {"kind 2 no sync byte", 2, 18, 0, std::string(12, '\x11'), -1},
      {"kind 2 cut frame", 2, 18, 0, Packed(0x03, false).substr(0, 5), -1},
      // Polled.
      {"kind 6 unit X", 6, 5, 'X', "  012", 1200},
      {"kind 6 unit D", 6, 5, 'D', "00123", 1230},
      {"kind 6 no unit letter", 6, 5, '=', "00123", 123},
      {"kind 6 negative", 6, 5, 'X', " -012", -1},
      {"kind 6 overload", 6, 5, 'X', "  OL ", -2},
      {"kind 6 cut answer", 6, 5, 'X', "  0", -1},
      {"kind 9 1.001 kg", 9, 14, 0, "  +0001.001 kg", 1001},
      {"kind 9 negative", 9, 14, 0, "  -0001.250 kg", -1},
      {"kind 9 overload", 9, 14, 0, "  OVERLOAD    ", -2},
      {"kind 15 code 2", 15, 10, 0, framed("+0123452AB"), 123450},
      {"kind 15 code 3", 15, 10, 0, framed("+0123453AB"), 12345},
      {"kind 15 code 0", 15, 10, 0, framed("+0123450AB"), 12345000},
      {"kind 15 code 1", 15, 10, 0, framed("+0123451AB"), 1234500},
      {"kind 15 code 4", 15, 10, 0, framed("+0123454AB"), 1234},
      {"kind 15 negative", 15, 10, 0, framed("-0123452AB"), -1},
      {"kind 15 overload", 15, 10, 0, framed("+OL----2AB"), -2},
      {"kind 15 cut answer", 15, 10, 0, std::string(1, stx) + "+01234", -1},
  };
}

class ScaleReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(line_.Ready());
    // No settings file here: the reader keeps its defaults and takes the port.
    reader_.LoadSettings("/nonexistent-folder/", port_);
  }

  ScaleSettings Settings(uint8_t kind, uint8_t frameLength, uint8_t startByte) const {
    ScaleSettings s;
    s.useFlag = 1;
    s.kind = kind;
    s.frameLength = frameLength;
    s.startByte = startByte;
    s.SetDevicePath(line_.DevicePath());
    return s;
  }

  int Open(const ScaleSettings& settings, QObject* owner = nullptr) {
    reader_.settings = settings;
    reader_.BuildLineSettings();
    return reader_.Open(owner ? owner : &window_);
  }

  // Sends the bytes and waits until the window has read them; the results
  // of the reads meanwhile.
  std::vector<int> Feed(const std::string& bytes) {
    const size_t before = window_.results.size();
    EXPECT_TRUE(line_.Send(bytes));
    EXPECT_TRUE(WaitUntil([&] { return window_.results.size() > before && port_.Queued() == 0; }));
    return {window_.results.begin() + static_cast<std::ptrdiff_t>(before), window_.results.end()};
  }

  // A polled kind's command has reached the scale.
  void ExpectPoll() {
    const std::string command(CommandOf(reader_.settings.kind));
    if (command.empty()) return;
    std::string received;
    EXPECT_TRUE(WaitUntil([&] {
      received += line_.Received();
      return received.find(command) != std::string::npos;
    })) << "received: " << received;
  }

  static std::string CommandOf(uint8_t kind) {
    ScaleSettings s;
    s.kind = kind;
    CScaleFrameDecoder decoder;
    decoder.Configure(s);
    return std::string(decoder.PollCommand());
  }

  testsupport::ScaleLine line_;
  CScalePort port_;
  CScaleReader reader_;
  WeighingWindow window_{reader_};
};

TEST_F(ScaleReaderTest, FramesOfEveryKindWholeAndSplitAtEveryPosition) {
  for (const FrameCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    line_.Received();
    ASSERT_EQ(1, Open(Settings(c.kind, c.frameLength, c.startByte)));
    ExpectPoll();
    EXPECT_EQ(c.expected, Outcome(Feed(c.bytes)));
    if (c.expected < 0) continue;
    for (size_t split = 1; split < c.bytes.size(); ++split) {
      ExpectPoll();
      EXPECT_EQ(-1, Outcome(Feed(c.bytes.substr(0, split)))) << "split at " << split;
      EXPECT_EQ(c.expected, Outcome(Feed(c.bytes.substr(split)))) << "split at " << split;
    }
  }
  EXPECT_TRUE(window_.errors.empty());
}

// Several readings queued at once: the window is shown the newest.
TEST_F(ScaleReaderTest, ABacklogGivesTheNewestReading) {
  ASSERT_EQ(1, Open(Settings(1, 8, '=')));
  EXPECT_EQ(7250, Outcome(Feed("=0012.5=0012.5==0003.1=0003.1==0007.25=0007.25=")));
}

// A port opened while the scale was in use is closed after the scale has
// been set as not in use.
TEST_F(ScaleReaderTest, CloseLetsGoOfAPortAfterTheScaleIsSetAsNotInUse) {
  ASSERT_EQ(1, Open(Settings(1, 8, '=')));
  ASSERT_TRUE(port_.IsOpen());
  reader_.settings.useFlag = 0;
  reader_.Close();
  EXPECT_FALSE(port_.IsOpen());
  EXPECT_FALSE(reader_.IsOpen());
}

TEST_F(ScaleReaderTest, OpenRefusesWhatItCannotUse) {
  ScaleSettings s = Settings(6, 5, 'X');
  s.useFlag = 0;
  EXPECT_EQ(0, Open(s));
  EXPECT_EQ("", line_.Received());  // no poll was sent
  EXPECT_FALSE(port_.IsOpen());

  s = Settings(1, 8, '=');
  for (int32_t index : {-1, 1024}) {
    s.portIndex = index;
    EXPECT_EQ(0, Open(s)) << index;
  }
  // COM1024 is the last one; its number comes with every message.
  s.portIndex = 1023;
  ASSERT_EQ(1, Open(s));
  Feed("=0012.5=0012.5=");
  ASSERT_FALSE(window_.ports.empty());
  EXPECT_EQ(1024u, window_.ports.back());

  s.baudRate = 1234;
  EXPECT_EQ(0, Open(s));
  s = Settings(1, 8, '=');
  s.SetDevicePath("/dev/no-such-scale");
  EXPECT_EQ(0, Open(s));
  EXPECT_FALSE(reader_.IsOpen());
}

TEST_F(ScaleReaderTest, TheLineSettingsReachTheDevice) {
  ScaleSettings s = Settings(1, 8, '=');
  s.baudRate = 2400;
  s.dataBits = 7;
  s.parityCode = 3;    // mark
  s.stopBitsCode = 1;  // one and a half: two
  ASSERT_EQ(1, Open(s));
  EXPECT_EQ(u"baud=2400 data=7 parity=M stop=1.5", reader_.LineSettingsText());
  termios t{};
  ASSERT_EQ(0, tcgetattr(line_.SlaveFd(), &t));
  // (A pseudo-terminal keeps no character width or parity enable of its
  // own; what it keeps shows that the settings were applied.)
  EXPECT_EQ(CMSPAR | PARODD | CSTOPB, t.c_cflag & (CMSPAR | PARODD | CSTOPB));
  EXPECT_EQ(0u, t.c_lflag & (ECHO | ICANON));
  EXPECT_EQ(B2400, cfgetospeed(&t));
}

// Open on an open port starts afresh: one watch of the line, nothing of an
// earlier frame left over.
TEST_F(ScaleReaderTest, ReopeningStartsAfresh) {
  ASSERT_EQ(1, Open(Settings(1, 8, '=')));
  EXPECT_EQ(-1, Outcome(Feed("=0012")));
  ASSERT_EQ(1, Open(Settings(1, 8, '=')));
  EXPECT_TRUE(port_.Monitoring());
  EXPECT_EQ(12500, Outcome(Feed("=0012.5=0012.5=")));
}

// Transmission mode 1: the port closes after a reading (the next weighing
// opens it again).
TEST_F(ScaleReaderTest, KeyPressModeClosesThePortAfterAReading) {
  ScaleSettings s = Settings(2, 18, 0);
  s.transmissionMode = 1;
  ASSERT_EQ(1, Open(s));
  EXPECT_EQ(-1, Outcome(Feed(Packed(0x03, false))));
  EXPECT_TRUE(reader_.IsOpen());
  EXPECT_EQ(123450, Outcome(Feed(Packed(0x03, false))));
  EXPECT_FALSE(reader_.IsOpen());
  ASSERT_EQ(1, reader_.Open(&window_));
  EXPECT_EQ(123450, Outcome(Feed(Packed(0x03))));
}

// A scale that does not answer is asked again every half second; what it
// sent of an answer before is dropped.
TEST_F(ScaleReaderTest, APolledScaleThatDoesNotAnswerIsAskedAgain) {
  ASSERT_EQ(1, Open(Settings(9, 14, 0)));
  ExpectPoll();
  const auto asked = std::chrono::steady_clock::now();
  ExpectPoll();
  EXPECT_GE(std::chrono::steady_clock::now() - asked, CScaleFrameDecoder::kPollAnswerTime);

  EXPECT_EQ(-1, Outcome(Feed("  +00")));
  ExpectPoll();
  EXPECT_EQ(1250, Outcome(Feed("  +0001.250 kg")));
  ExpectPoll();

  // A framed scale that keeps sending without the frame's end.
  ASSERT_EQ(1, Open(Settings(15, 10, 0)));
  ExpectPoll();
  EXPECT_EQ(-1, Outcome(Feed(std::string(300, 'x'))));
  EXPECT_EQ(123450, Outcome(Feed("\x02+0123452AB\x03")));
}

TEST_F(ScaleReaderTest, AWindowThatIsGoneReceivesNothing) {
  auto gone = std::make_unique<WeighingWindow>(reader_);
  ASSERT_EQ(1, Open(Settings(1, 8, '='), gone.get()));
  ASSERT_TRUE(line_.Send("=0012.5=0012.5="));
  ASSERT_TRUE(WaitUntil([&] { return !gone->results.empty() && port_.Queued() == 0; }));
  EXPECT_EQ(12500, Outcome(gone->results));
  gone.reset();
  // The scale goes on sending: the bytes wait in the port, nobody is told.
  ASSERT_TRUE(line_.Send("=0012.5=0012.5="));
  ASSERT_TRUE(WaitUntil([&] { return port_.Queued() == 15; }));
  QCoreApplication::sendPostedEvents();
  EXPECT_TRUE(port_.IsOpen());
  EXPECT_TRUE(window_.results.empty());

  // The next window that opens the reader gets the weights.
  ASSERT_EQ(1, reader_.Open(&window_));
  EXPECT_EQ(12500, Outcome(Feed("=0012.5=0012.5=")));
}

// A window that does not read for a long while: the port's queue runs over,
// and the broken frames it holds are dropped at the next read.
TEST_F(ScaleReaderTest, AQueueThatRanOverIsDropped) {
  QObject deaf;
  ASSERT_EQ(1, Open(Settings(1, 8, '='), &deaf));
  const std::string frames = "=0012.5=0012.5=";
  size_t sent = 0;
  while (sent <= CScalePort::kQueueSize) {
    ASSERT_TRUE(line_.Send(std::string(60, '7') + frames));
    sent += 60 + frames.size();
    ASSERT_TRUE(WaitUntil([&] { return port_.Queued() == std::min(sent, CScalePort::kQueueSize); }));
  }
  EXPECT_EQ(-1, reader_.ReadWeight());
  EXPECT_EQ(0u, port_.Queued());
  ASSERT_TRUE(line_.Send(frames));
  ASSERT_TRUE(WaitUntil([&] { return port_.Queued() == frames.size(); }));
  EXPECT_EQ(12500, reader_.ReadWeight());
}

// The scale's cable is pulled out: the port closes and says so once; it
// does not go on reporting the dead line.
TEST_F(ScaleReaderTest, ALineThatGoesAwayClosesThePortOnce) {
  ASSERT_EQ(1, Open(Settings(1, 8, '=')));
  EXPECT_EQ(12500, Outcome(Feed("=0012.5=0012.5=")));
  line_.CloseScaleSide();
  ASSERT_TRUE(WaitUntil([&] { return !window_.errors.empty(); }));
  EXPECT_FALSE(port_.IsOpen());
  EXPECT_FALSE(reader_.IsOpen());
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  EXPECT_EQ(1u, window_.errors.size());
  EXPECT_EQ(-1, reader_.ReadWeight());
  reader_.Close();
}

}  // namespace
