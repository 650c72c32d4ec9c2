// The steps the quick entry save and the full form save share: the date a
// record can hold, the quantities and declared value, and the measures the
// pieces give.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/FixedField.h"
#include "entry/WaybillSave.h"
#include "platform/MessageBox.h"

namespace {

struct DateCase {
  const char* text;
  bool taken;
  int year, month, day;
};

TEST(WaybillSaveSteps, DatesTheRecordCanHold) {
  const DateCase cases[] = {
      {"2024.02.29", true, 2024, 2, 29},   {"2023.02.29", false, 0, 0, 0},
      {"2024-12-31 08:00", true, 2024, 12, 31}, {"2024.13.01", false, 0, 0, 0},
      {"2024.04.31", false, 0, 0, 0},     {"2024.04", false, 0, 0, 0},
      {"0.01.01", false, 0, 0, 0},        {"32767.12.31", true, 32767, 12, 31},
      // A year beyond 16 bits would wrap in the record: no date it can hold.
      {"40000.01.01", false, 0, 0, 0},
  };
  for (const DateCase& c : cases) {
    WaybillRecord w{};
    w.year = 1;
    EXPECT_EQ(TakeWaybillDate(c.text, w), c.taken) << c.text;
    if (c.taken) {
      EXPECT_EQ(w.year, c.year) << c.text;
      EXPECT_EQ(w.month, c.month) << c.text;
      EXPECT_EQ(w.day, c.day) << c.text;
    } else {
      EXPECT_EQ(w.year, 1) << c.text;  // unchanged
    }
  }
}

TEST(WaybillSaveSteps, QuantitiesAndTheDeclaredValue) {
  platform::RecordingMessageBoxService boxes;
  platform::ScopedMessageBoxService scope(&boxes);
  WaybillRecord w{};
  w.iPrice = 250;
  ASSERT_TRUE(SettleWaybillQuantities(w));
  EXPECT_EQ(w.iQuantity, 1);
  EXPECT_EQ(w.iItem, 1);
  EXPECT_EQ(w.iDValue, 250);

  WaybillRecord big{};
  big.iPrice = 2000000000;
  big.iQuantity = 3;
  EXPECT_FALSE(SettleWaybillQuantities(big));
  EXPECT_EQ(big.iDValue, 0);
  EXPECT_EQ(boxes.Count(), 1u);
}

PieceLine Piece(int l, int w, int h, int grams) {
  PieceLine p{};
  p.ixLong = l;
  p.ixWidth = w;
  p.ixHeight = h;
  p.ixWeight = grams;
  return p;
}

TEST(WaybillSaveSteps, PieceMeasures) {
  WaybillRecord w{};
  w.fWeight = 2.5;
  SetFixedText(w.cLwh, "10*10*10");
  // One piece with all three sides: its dimensions and weight.
  EXPECT_EQ(TakePieceMeasures(std::vector{Piece(40, 30, 20, 1500)}, w), "40*30*20");
  EXPECT_DOUBLE_EQ(w.fWeightb, 1.5);
  // One piece without sides keeps the record's dimensions and its weight.
  w.fWeightb = 0;
  EXPECT_EQ(TakePieceMeasures(std::vector{Piece(0, 30, 20, 1500)}, w), "10*10*10");
  EXPECT_DOUBLE_EQ(w.fWeightb, 2.5);
  // Several pieces: the weights of as many as the waybill counts.
  w.fWeightb = 0;
  w.iItem = 2;
  EXPECT_EQ(TakePieceMeasures(
                std::vector{Piece(1, 1, 1, 700), Piece(1, 1, 1, 800), Piece(1, 1, 1, 900)}, w),
            "10*10*10");
  EXPECT_DOUBLE_EQ(w.fWeightb, 1.5);
}

}  // namespace
