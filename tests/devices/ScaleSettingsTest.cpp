// "balanceset.ini" and the line settings built from it.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "devices/LineSettings.h"
#include "devices/ScaleSettings.h"
#include "tests/TempFolder.h"

namespace {

class ScaleSettingsFileTest : public testsupport::TempFolderTest {
 protected:
  std::string Folder() const { return folder_.string() + "/"; }
  std::string FileBytes() const {
    std::ifstream in(folder_ / "balanceset.ini", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

// A record as the settings dialog stores it, with something in every
// reserved byte so that a field written at the wrong place shows.
std::string SampleBlock() {
  std::string block(84, '\0');
  const unsigned char head[20] = {1, 0, 0, 0,  // in use
                                  9,           // kind
                                  7,           // data bits
                                  14,          // frame length
                                  1,           // one and a half stop bits
                                  0x3D, 0x5A,  // start byte, reserved
                                  1, 3,        // key-press mode, mark parity
                                  0xFF, 0x03, 0, 0,   // port index 1023
                                  0x80, 0x25, 0, 0};  // 9600 baud
  std::copy(std::begin(head), std::end(head), block.begin());
  for (size_t i = 20; i < 84; ++i) block[i] = static_cast<char>(0xA0 + i);
  return block;
}

TEST_F(ScaleSettingsFileTest, ARecordRoundTripsByteForByte) {
  const std::string block = SampleBlock();
  Write("balanceset.ini", block);
  ScaleSettings settings;
  ASSERT_EQ(1, ReadScaleSettingsFile(Folder(), settings));
  EXPECT_EQ(1, settings.useFlag);
  EXPECT_EQ(9, settings.kind);
  EXPECT_EQ(7, settings.dataBits);
  EXPECT_EQ(14, settings.frameLength);
  EXPECT_EQ(1, settings.stopBitsCode);
  EXPECT_EQ(61, settings.startByte);
  EXPECT_EQ(1, settings.transmissionMode);
  EXPECT_EQ(3, settings.parityCode);
  EXPECT_EQ(1023, settings.portIndex);
  EXPECT_EQ(9600, settings.baudRate);

  std::filesystem::remove(folder_ / "balanceset.ini");
  ASSERT_EQ(1, WriteScaleSettingsFile(Folder(), settings));
  EXPECT_EQ(block, FileBytes());
}

TEST_F(ScaleSettingsFileTest, MissingShortOrDamagedFilesGiveTheDefaults) {
  const ScaleSettings defaults;
  auto expectDefaults = [&](const ScaleSettings& s) {
    EXPECT_EQ(defaults.Encode(), s.Encode());
    EXPECT_EQ(0, s.useFlag);
    EXPECT_EQ(61, s.startByte);
    EXPECT_EQ(1200, s.baudRate);
    EXPECT_EQ(8, s.dataBits);
    EXPECT_EQ(18, s.frameLength);
  };
  ScaleSettings settings;
  settings.useFlag = 1;
  EXPECT_EQ(0, ReadScaleSettingsFile(Folder(), settings));
  expectDefaults(settings);

  // Cut off after the baud rate, and cut off after one byte.
  for (size_t length : {20u, 1u, 83u}) {
    Write("balanceset.ini", SampleBlock().substr(0, length));
    settings.useFlag = 1;
    EXPECT_EQ(0, ReadScaleSettingsFile(Folder(), settings)) << length;
    expectDefaults(settings);
  }

  // A frame length typed into the file by hand is cut to what the reader's
  // buffers are made for; a longer file gives its first 84 bytes.
  std::string block = SampleBlock();
  block[6] = static_cast<char>(200);
  Write("balanceset.ini", block + "trailing text");
  ASSERT_EQ(1, ReadScaleSettingsFile(Folder(), settings));
  EXPECT_EQ(30, settings.frameLength);
  EXPECT_EQ(60u, settings.ReadSize());
  EXPECT_EQ(9, settings.kind);
}

TEST_F(ScaleSettingsFileTest, AFileThatCannotBeWrittenIsReported) {
  ScaleSettings settings;
  EXPECT_EQ(0, WriteScaleSettingsFile(Folder() + "no-such-folder/", settings));
}

TEST(ScaleSettingsTest, TheDeviceComesFromTheReservedBytesOrThePortIndex) {
  ScaleSettings settings;
  settings.portIndex = 2;
  EXPECT_EQ("/dev/ttyS2", settings.DevicePath());
  ASSERT_TRUE(settings.SetDevicePath("/dev/ttyUSB0"));
  EXPECT_EQ("/dev/ttyUSB0", settings.DevicePath());
  auto block = settings.Encode();
  EXPECT_EQ('/', block[20]);
  EXPECT_EQ(0, block[20 + 12]);
  EXPECT_FALSE(settings.SetDevicePath(std::string(64, 'x')));
  EXPECT_EQ("/dev/ttyUSB0", settings.DevicePath());
  ASSERT_TRUE(settings.SetDevicePath(""));
  EXPECT_EQ("/dev/ttyS2", settings.DevicePath());
}

TEST(ScaleSettingsTest, LineSettingsTextAndReadSize) {
  ScaleSettings s;
  EXPECT_EQ(u"baud=1200 data=8 parity=N stop=1", s.LineSettingsText());
  EXPECT_EQ(36u, s.ReadSize());
  s.baudRate = 9600;
  s.dataBits = 7;
  struct {
    uint8_t parity, stop;
    const char16_t* text;
  } cases[] = {{1, 1, u"baud=9600 data=7 parity=O stop=1.5"},
               {2, 2, u"baud=9600 data=7 parity=E stop=2"},
               {3, 9, u"baud=9600 data=7 parity=M stop=2"},
               {200, 0, u"baud=9600 data=7 parity=M stop=1"}};
  for (const auto& c : cases) {
    s.parityCode = c.parity;
    s.stopBitsCode = c.stop;
    EXPECT_EQ(c.text, s.LineSettingsText());
  }
  s.frameLength = 70;
  EXPECT_EQ(120u, s.ReadSize());
  s.frameLength = 0;
  EXPECT_EQ(0u, s.ReadSize());
}

TEST(LineSettingsTest, TextToTerminalAttributes) {
  struct {
    const char16_t* text;
    tcflag_t set;
    tcflag_t clear;
    speed_t speed;
  } cases[] = {
      {u"baud=1200 data=8 parity=N stop=1", CS8, PARENB | CSTOPB | CMSPAR, B1200},
      {u"baud=9600 data=7 parity=E stop=2", CS7 | PARENB | CSTOPB, PARODD | CMSPAR, B9600},
      {u"baud=600 data=8 parity=O stop=1", CS8 | PARENB | PARODD, CMSPAR | CSTOPB, B600},
      // Mark parity, and one and a half stop bits sent as two.
      {u"baud=2400 data=7 parity=M stop=1.5", CS7 | PARENB | PARODD | CMSPAR | CSTOPB, 0, B2400},
      {u"baud=4800 data=5 parity=S stop=1", CS5 | PARENB | CMSPAR, PARODD, B4800},
  };
  for (const auto& c : cases) {
    auto settings = ParseLineSettings(c.text);
    ASSERT_TRUE(settings.has_value());
    termios t{};
    t.c_lflag = ECHO | ICANON | ISIG;
    t.c_iflag = ICRNL | IXON;
    t.c_cflag = CRTSCTS;
    ASSERT_TRUE(ApplyToTermios(*settings, t));
    EXPECT_EQ(c.set, t.c_cflag & (c.set | c.clear | CSIZE)) << std::string(c.text, c.text + 10);
    EXPECT_EQ(c.speed, cfgetospeed(&t));
    EXPECT_EQ(c.speed, cfgetispeed(&t));
    EXPECT_EQ(0u, t.c_lflag & (ECHO | ICANON | ISIG));
    EXPECT_EQ(0u, t.c_iflag & (ICRNL | IXON));
    EXPECT_EQ(0u, t.c_cflag & CRTSCTS);
    EXPECT_NE(0u, t.c_cflag & CREAD);
  }
  for (const char16_t* bad : {u"", u"data=8 parity=N stop=1", u"baud=1200 data=9", u"baud=1200 data=4",
                              u"baud=1200 parity=X", u"baud=1200 stop=3", u"baud=12x0", u"speed=1200",
                              u"baud=1200 data"}) {
    EXPECT_FALSE(ParseLineSettings(bad).has_value());
  }
  // A rate the terminal interface has no code for.
  auto odd = ParseLineSettings(u"baud=1234 data=8 parity=N stop=1");
  ASSERT_TRUE(odd.has_value());
  termios t{};
  EXPECT_FALSE(ApplyToTermios(*odd, t));
}

}  // namespace
