// The scale settings dialog's rules: the start byte as text and back, the
// frame length a save stores, the defaults a kind brings, the port text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devices/ScaleSettingsForm.h"

namespace {

TEST(ScaleSettingsFormTest, TheStartByteShowsAsItsCharacterOrItsCode) {
  EXPECT_EQ(u"=", ScaleStartByteText(61));
  EXPECT_EQ(u"0x02", ScaleStartByteText(2));
  EXPECT_EQ(u"0x0D", ScaleStartByteText(13));
  EXPECT_EQ(u"\x0E", ScaleStartByteText(14));
  EXPECT_EQ(u"~", ScaleStartByteText(126));
  EXPECT_EQ(u"0x7F", ScaleStartByteText(127));
  EXPECT_EQ(u"0xFF", ScaleStartByteText(255));
  EXPECT_EQ(u"0x00", ScaleStartByteText(0));
}

struct SaveCase {
  const char* name;
  int kind;
  int frameLength;
  std::u16string startText;
  int savedFrameLength;
  int savedStartByte;  // the byte held before the save is 35 ('#')
};

TEST(ScaleSettingsFormTest, WhatASaveStores) {
  const std::vector<SaveCase> cases = {
      {"one character", 1, 18, u"=", 18, 61},
      {"hex code", 1, 18, u"0x3d", 18, 61},
      {"hex code upper case", 1, 18, u"0X3D", 18, 61},
      {"STX as code", 4, 7, u"0x02", 7, 2},
      {"two characters keep the byte", 1, 18, u"3d", 18, 35},
      {"empty keeps the byte", 1, 18, u"", 18, 35},
      {"four characters not a code keep the byte", 1, 18, u"0x3g", 18, 35},
      {"three characters keep the byte", 1, 18, u"0x3", 18, 35},
      {"wide character: its low byte", 1, 18, u"\u4E2D", 18, 0x2D},
      {"kind 6 above 8", 6, 12, u"X", 8, 'X'},
      {"kind 6 below 3", 6, 1, u"X", 3, 'X'},
      {"kind 6 within", 6, 5, u"X", 5, 'X'},
      {"kind 6 negative", 6, -1, u"X", 3, 'X'},
      {"above 30", 1, 31, u"=", 30, 61},
      {"30", 1, 30, u"=", 30, 61},
      {"negative saves none", 1, -1, u"=", 0, 61},
      {"far negative saves none", 2, -200, u"0x00", 0, 0},
      {"kind 16 forces STX", 16, 17, u"=", 17, 2},
      {"kind 16 forces STX over a kept byte", 16, 17, u"ab", 17, 2},
  };
  for (const SaveCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScaleSettings settings;
    settings.startByte = '#';
    ScaleSettingsForm form = ScaleSettingsForm::FromSettings(settings);
    form.kind = c.kind;
    form.frameLength = c.frameLength;
    form.startByteText = c.startText;
    form.StoreInto(settings);
    EXPECT_EQ(c.savedFrameLength, settings.frameLength);
    EXPECT_EQ(c.savedStartByte, settings.startByte);
    EXPECT_EQ(c.kind, settings.kind);
  }
}

TEST(ScaleSettingsFormTest, ASaveStoresEveryControlAndKeepsTheReservedBytes) {
  ScaleSettings settings;
  settings.reserved[63] = 0x5A;  // past the device path's NUL
  ScaleSettingsForm form = ScaleSettingsForm::FromSettings(settings);
  form.useFlag = 1;
  form.portIndex = 4;
  form.baudRate = 9600;
  form.dataBits = 7;
  form.parityCode = 2;
  form.stopBitsCode = 1;
  form.kind = 3;
  form.transmissionMode = 1;
  form.frameLength = 9;
  form.startByteText = u"0x23";
  form.StoreInto(settings);
  ScaleSettings expected;
  expected.useFlag = 1;
  expected.portIndex = 4;
  expected.baudRate = 9600;
  expected.dataBits = 7;
  expected.parityCode = 2;
  expected.stopBitsCode = 1;
  expected.kind = 3;
  expected.transmissionMode = 1;
  expected.frameLength = 9;
  expected.startByte = 0x23;
  expected.reserved[63] = 0x5A;
  EXPECT_EQ(expected.Encode(), settings.Encode());
  EXPECT_EQ("/dev/ttyS4", settings.DevicePath());
}

TEST(ScaleSettingsFormTest, KindsNineFifteenAndSixteenBringTheirDefaults) {
  ScaleSettingsForm start;
  start.portIndex = 2;  // COM3
  start.devicePath = "/dev/ttyUSB0";
  start.baudRate = 9600;
  start.dataBits = 7;
  start.parityCode = 2;
  start.stopBitsCode = 2;
  start.transmissionMode = 1;
  start.frameLength = 22;
  start.startByteText = u"=";

  struct Case {
    int kind;
    int baudRate;
    int frameLength;
    std::u16string startText;
  };
  for (const Case& c : std::vector<Case>{{9, 600, 14, u"0x00"}, {15, 600, 10, u"0x00"},
                                         {16, 9600, 17, u"0x02"}}) {
    SCOPED_TRACE(c.kind);
    ScaleSettingsForm form = start;
    form.kind = c.kind;
    form.ApplyKindDefaults();
    EXPECT_EQ(0, form.portIndex);
    EXPECT_EQ("", form.devicePath);
    EXPECT_EQ(u"COM1", form.PortText());
    EXPECT_EQ(c.baudRate, form.baudRate);
    EXPECT_EQ(8, form.dataBits);
    EXPECT_EQ(0, form.parityCode);
    EXPECT_EQ(0, form.stopBitsCode);
    EXPECT_EQ(0, form.transmissionMode);
    EXPECT_EQ(c.frameLength, form.frameLength);
    EXPECT_EQ(c.startText, form.startByteText);
  }
  for (int kind : {0, 1, 6, 8, 14}) {
    SCOPED_TRACE(kind);
    ScaleSettingsForm form = start;
    form.kind = kind;
    form.ApplyKindDefaults();
    EXPECT_EQ(2, form.portIndex);
    EXPECT_EQ("/dev/ttyUSB0", form.devicePath);
    EXPECT_EQ(9600, form.baudRate);
    EXPECT_EQ(22, form.frameLength);
    EXPECT_EQ(u"=", form.startByteText);
  }
}

TEST(ScaleSettingsFormTest, ThePortTextNamesACOMPortNoneOrADevice) {
  ScaleSettingsForm form;
  form.SetPortText(u"COM3");
  EXPECT_EQ(2, form.portIndex);
  EXPECT_EQ("", form.devicePath);
  EXPECT_EQ(u"COM3", form.PortText());
  form.SetPortText(u"COM32");
  EXPECT_EQ(31, form.portIndex);
  form.SetPortText(u"");
  EXPECT_EQ(-1, form.portIndex);
  EXPECT_EQ(u"", form.PortText());
  form.SetPortText(u" /dev/pts/7 ");
  EXPECT_EQ(0, form.portIndex);  // none became COM1, the device beside it
  EXPECT_EQ("/dev/pts/7", form.devicePath);
  EXPECT_EQ(u"/dev/pts/7", form.PortText());
  form.SetPortText(u"COM0");  // no such COM number: a device of that name
  EXPECT_EQ("COM0", form.devicePath);
  form.SetPortText(u"COM2");
  EXPECT_EQ(1, form.portIndex);
  EXPECT_EQ("", form.devicePath);

  ScaleSettings settings;
  settings.SetDevicePath("/dev/pts/7");
  settings.portIndex = 5;
  form = ScaleSettingsForm::FromSettings(settings);
  EXPECT_EQ(u"/dev/pts/7", form.PortText());
  form.SetPortText(u"COM2");
  form.StoreInto(settings);
  EXPECT_EQ(1, settings.portIndex);
  EXPECT_EQ("/dev/ttyS1", settings.DevicePath());
}

TEST(ScaleSettingsFormTest, AReadingAsTheWeightDisplaysShowIt) {
  EXPECT_EQ(u"0", ScaleWeightText(0));
  EXPECT_EQ(u"0.001", ScaleWeightText(1));
  EXPECT_EQ(u"1.250", ScaleWeightText(1250));
  EXPECT_EQ(u"123.450", ScaleWeightText(123450));
  EXPECT_EQ(u"", ScaleWeightText(-1));
  EXPECT_EQ(u"", ScaleWeightText(-2));
}

TEST(ScaleSettingsFormTest, TheKindNamesInKindOrder) {
  EXPECT_EQ(u"0-型(公斤颠倒序)", ScaleKindNames()[0]);
  EXPECT_EQ(u"6-太航MCⅢ&YSX-30A", ScaleKindNames()[6]);
  EXPECT_EQ(u"9-型(TC-H系列)", ScaleKindNames()[9]);
  EXPECT_EQ(u"F-型[XK3190系列]", ScaleKindNames()[15]);
  EXPECT_EQ(u"G-型[梅特勒-托利多]", ScaleKindNames()[16]);
}

}  // namespace
