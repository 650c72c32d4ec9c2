// The streamlined entry form's rules that need no widget: the field row,
// the last active slot under locks, what clearing keeps of a locked slot,
// where Enter on the row's end goes, the piece-number list, the status
// line's arrow and the customer's operator defaults.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/FixedField.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "entry/QuickEntryReactions.h"
#include "entry/WaybillSave.h"
#include "entry/SimpleEntryRules.h"
#include "refdata/ClientListCache.h"
#include "tests/entry/EntryTestSupport.h"

namespace {

using namespace simpleentry;

TEST(SimpleEntryRules, RowShowsFourSlotsAndHidesTheLastTwo) {
  const RowLayout row = LayOutRow(kRowKinds);
  EXPECT_EQ(3, row.lastShown);
  EXPECT_EQ((std::array<int, kSlots>{2, 0, 1, 22, -1, -1}), row.kindOfSlot);
  EXPECT_EQ(0, row.slotOfKind[2]);
  EXPECT_EQ(1, row.slotOfKind[0]);
  EXPECT_EQ(2, row.slotOfKind[1]);
  EXPECT_EQ(3, row.slotOfKind[22]);
  EXPECT_EQ(-1, row.slotOfKind[3]);
  // The list ends at the first value of 69 or more, wherever it is.
  const uint8_t early[] = {5, 69, 1, 2};
  EXPECT_EQ(0, LayOutRow(early).lastShown);
  EXPECT_EQ(-1, LayOutRow(early).slotOfKind[1]);
  const uint8_t none[] = {80};
  EXPECT_EQ(-1, LayOutRow(none).lastShown);
}

TEST(SimpleEntryRules, LastActiveSlotUnderLocks) {
  const struct {
    std::array<bool, kSlots> locked;
    int expected;
  } cases[] = {
      {{false, false, false, false}, 3},
      {{false, false, false, true}, 2},
      {{false, true, true, true}, 0},
      {{true, true, true, true}, 0},
      {{false, true, false, true}, 2},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, LastActiveSlot(c.locked, 3));
}

TEST(SimpleEntryRules, ClearingEmptiesLockedNumbersAndWeightOnly) {
  for (int kind = 0; kind < kWaybillFieldKinds; ++kind)
    EXPECT_EQ(kind != 2 && kind != 3 && kind != 25, LockedSlotKeepsText(kind)) << kind;
}

TEST(SimpleEntryRules, FinishRowGoesToThePieceNumbersUntilAllAreKeyed) {
  const struct {
    int count, numbered;
    RowEnd end;
  } cases[] = {{1, 0, RowEnd::Save}, {0, 0, RowEnd::Save}, {3, 2, RowEnd::PieceNumbers},
               {3, 0, RowEnd::PieceNumbers}, {3, 3, RowEnd::Save}, {2, 3, RowEnd::Save}};
  for (const auto& c : cases) EXPECT_EQ(c.end, FinishRow(c.count, c.numbered)) << c.count << c.numbered;
}

TEST(SimpleEntryRules, PieceNumbersOneAPieceThenComplete) {
  entrytest::LoadLanguage();
  CPieceNumbers numbers;
  std::vector<PieceLine> pieces;
  numbers.Rebuild(1, pieces);
  EXPECT_EQ(0, numbers.Index());
  EXPECT_EQ(CPieceNumbers::Confirm::Ignored, numbers.ConfirmNumber(u"SP0000001", pieces));
  EXPECT_TRUE(pieces.empty());

  numbers.Rebuild(3, pieces);
  EXPECT_EQ(1, numbers.Index());
  EXPECT_EQ(CPieceNumbers::Confirm::Refused, numbers.ConfirmNumber(u"  SP001  ", pieces))
      << "five characters once trimmed";
  EXPECT_TRUE(pieces.empty());
  EXPECT_EQ(CPieceNumbers::Confirm::Taken, numbers.ConfirmNumber(u" SP0001 ", pieces));
  EXPECT_EQ(CPieceNumbers::Confirm::Taken, numbers.ConfirmNumber(u"SP0002", pieces));
  EXPECT_FALSE(numbers.Complete());
  EXPECT_EQ(CPieceNumbers::Confirm::Taken, numbers.ConfirmNumber(u"SP0003", pieces));
  EXPECT_TRUE(numbers.Complete());
  ASSERT_EQ(3u, pieces.size());
  EXPECT_EQ((std::vector<std::u16string>{u"SP0001", u"SP0002", u"SP0003"}), numbers.Rows());
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ("SP000" + std::to_string(i + 1), FixedText(pieces[i].cxNum));
    EXPECT_EQ(1, pieces[i].ixWeight);
    EXPECT_EQ(0, pieces[i].ixLong);
  }

  // A row picked in the list is keyed again in place: no fourth piece.
  numbers.Pick(1);
  EXPECT_EQ(u"SP0002", numbers.CurrentNumber());
  EXPECT_EQ(CPieceNumbers::Confirm::Taken, numbers.ConfirmNumber(u"SP0022", pieces));
  EXPECT_EQ(3u, pieces.size());
  EXPECT_EQ("SP0022", FixedText(pieces[1].cxNum));
  EXPECT_EQ(u"SP0003", numbers.CurrentNumber());

  // Rebuilt from loaded pieces: the rows are their numbers.
  numbers.Rebuild(3, pieces);
  EXPECT_EQ(1, numbers.Index());
  EXPECT_EQ(u"SP0001", numbers.CurrentNumber());
  EXPECT_EQ(3u, numbers.Rows().size());
  // A number longer than the field is cut to its 30 bytes.
  EXPECT_EQ(CPieceNumbers::Confirm::Taken,
            numbers.ConfirmNumber(u"SP345678901234567890123456789012345", pieces));
  EXPECT_EQ("SP3456789012345678901234567890", FixedText(pieces[0].cxNum));
}

TEST(SimpleEntryRules, ProgressText) {
  entrytest::LoadLanguage();
  CPieceNumbers numbers;
  std::vector<PieceLine> pieces;
  numbers.Rebuild(3, pieces);
  numbers.ConfirmNumber(u"SP0001", pieces);
  EXPECT_EQ(u"第 2 件，共 3 件", numbers.ProgressText());
}

TEST(SimpleEntryRules, StatusLineArrowUpUnlessZero) {
  entrytest::LoadLanguage();
  quickentry::StatusLine st;
  st.payDir = u"CC";
  st.money = u"USD";
  st.origin = u"CN";
  st.kindCode = u"ZIZ";
  st.payWay = 2;
  st.upUnlessZero = true;
  const struct {
    int direction;
    bool upUnlessZero;
    const char16_t* arrow;
  } cases[] = {{0, true, u"↓"}, {1, true, u"↑"}, {2, true, u"↑"},
               {0, false, u"↓"}, {1, false, u"↑"}, {2, false, u"↓"}};
  for (const auto& c : cases) {
    st.deliveryWay = c.direction;
    st.upUnlessZero = c.upUnlessZero;
    EXPECT_EQ(u"●" + AppLanguage().WaybillStateText(0) + u"|" + AppLanguage().PayWayText(2) +
                  u"|CC|USD|CN" + c.arrow + u"ZIZ",
              quickentry::StatusLineText(st))
        << c.direction << c.upUnlessZero;
  }
  EXPECT_EQ(u"CC", quickentry::PayDirOfPayWay(2));
  EXPECT_EQ(u"PP", quickentry::PayDirOfPayWay(1));
}

TEST(SimpleEntryRules, CustomerDefaultsFillOnlyEmptyOperatorFields) {
  ClientDetail customer{};
  customer.manager = "M";
  customer.transport = GbkFromWide(u"赵转运");
  customer.bearer = "";
  WaybillRecord w{};
  SetFixedText(w.cMName, "Own");
  quickentry::ApplyCustomerDefaults(customer, w);
  EXPECT_EQ("Own", FixedText(w.cMName));
  EXPECT_EQ(GbkFromWide(u"赵转运"), FixedText(w.cTrans));
  EXPECT_EQ("", FixedText(w.cTaker));
  EXPECT_EQ("", FixedText(w.cBearer));
}

TEST(SimpleEntryRules, DeleteResults) {
  const std::pair<int32_t, int> cases[] = {
      {-1, 180101}, {-2, 180102}, {-3, 180103}, {-4, 180104}, {-5, 180105}, {-6, 180106},
      {-7, 180107}, {-8, 180108}, {-9, 0},      {-10, 180110}, {-11, 180111}, {-12, 180112},
      {-13, 180113}, {-14, 0},    {-18, 180114}, {-19, 180115}, {-20, 180116}, {-30, 180117},
      {-40, 180118}, {-41, 0}};
  for (const auto& [result, message] : cases) EXPECT_EQ(message, DeleteRefusalMessageId(result)) << result;
}

}  // namespace
