// The piece list without widgets: chargeable and volumetric weights, the
// add count, new-piece and edit modes, and the checks of a confirm.
#include "entry/PieceWeights.h"

#include <gtest/gtest.h>

#include "common/ChargeableWeight.h"
#include "platform/MessageBox.h"
#include "tests/entry/EntryTestSupport.h"

using entrytest::Piece;

TEST(ChargeableWeight, ByLetterAndPercentage) {
  struct Case {
    int l, w, h, actual, percent;
    char letter;
    int expected;
  };
  const Case cases[] = {
      {60, 40, 50, 1000, 100, 'W', 10000},   // 120,000 / 12
      {60, 40, 50, 1000, 100, 'T', 40000},
      {60, 40, 50, 1000, 100, 'D', 24000},
      {60, 40, 50, 1000, 100, 'S', 17142},
      {60, 40, 50, 1000, 100, 'E', 15000},
      {60, 40, 50, 1000, 100, 0, 20000},     // any other letter: 6
      {60, 40, 50, 1000, 0, 'W', 1000},      // 0: the actual weight alone
      {60, 40, 50, 1000, 50, 'W', 5500},     // halfway
      {60, 40, 50, 1000, 200, 'W', 10000},   // above 100: the volume alone
      {60, 40, 50, 12000, 100, 'W', 12000},  // never below the actual weight
      {0, 0, 0, 0, 100, 'W', 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.expected, ChargeableGrams(c.l, c.w, c.h, c.actual, c.percent, c.letter))
        << c.l << "x" << c.w << "x" << c.h << " " << c.percent << "% " << c.letter;
  // Dimensions whose product leaves 32 bits neither wrap nor go negative.
  EXPECT_EQ(int64_t{3000} * 3000 * 3000 / 12, VolumetricGrams(3000, 3000, 3000, 'W'));
  EXPECT_EQ(INT32_MAX, ChargeableGrams(5000, 5000, 5000, 1000, 100, 'W'));
}

TEST(PieceWeights, DivisorLabelNamesTheClass) {
  EXPECT_EQ(std::u16string(u"÷12000"), DivisorLabelOf('W').text);
  EXPECT_EQ(0x808000u, DivisorLabelOf('W').color);
  EXPECT_EQ(std::u16string(u"÷3000"), DivisorLabelOf('T').text);
  EXPECT_EQ(std::u16string(u"÷6000"), DivisorLabelOf('X').text);
  EXPECT_EQ(u"10.000", KilogramText(VolumetricGrams(60, 40, 50, 'W')));
  EXPECT_EQ(u"0.000", KilogramText(0));
}

TEST(PieceWeights, AddCountIsTheSmallerOfAskedAndRemaining) {
  EXPECT_EQ(3, CPieceWeightsModel::AddCount(10, 3));
  EXPECT_EQ(3, CPieceWeightsModel::AddCount(3, 10));  // not raised to what remains
  EXPECT_EQ(1, CPieceWeightsModel::AddCount(1, 5));
  EXPECT_EQ(1, CPieceWeightsModel::AddCount(0, 5));
  EXPECT_EQ(1, CPieceWeightsModel::AddCount(-4, 5));
}

class PieceModelTest : public ::testing::Test {
 protected:
  void SetUp() override { entrytest::LoadLanguage(); }
  static PieceValues Keyed(int grams, int addCount = 1) {
    PieceValues v;
    v.grams = grams;
    v.length = 10;
    v.width = 10;
    v.height = 10;
    v.addCount = addCount;
    v.name = u"手机壳";
    return v;
  }
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scoped_{&boxes_};
  std::vector<std::unique_ptr<PieceLine>> caller_;
};

TEST_F(PieceModelTest, AddCountStoresOnlyThePiecesStillMissing) {
  caller_.push_back(Piece(1000, 0, 0, 0));
  caller_.push_back(Piece(2000, 0, 0, 0));
  CPieceWeightsModel model(5, caller_, 'W');
  model.Advance();
  EXPECT_TRUE(model.IsNewPiece());
  EXPECT_EQ(2, model.CurrentIndex());
  ASSERT_EQ(CPieceWeightsModel::ConfirmResult::kStored, model.Confirm(Keyed(1500, 10)));
  ASSERT_EQ(5u, model.Pieces().size());  // the piece and two copies: 5 - 2 = 3
  for (int i = 2; i < 5; ++i) {
    EXPECT_EQ(1500, model.Pieces()[i]->ixWeight);
    EXPECT_EQ(u"手机壳", entrytest::Text(model.Pieces()[i]->cxGoods));
  }
  // All listed: edit mode with the piece after the one confirmed.
  EXPECT_FALSE(model.IsNewPiece());
  EXPECT_EQ(3, model.CurrentIndex());
  // The caller's list is untouched until the pieces are handed over.
  EXPECT_EQ(2u, caller_.size());
  EXPECT_TRUE(model.PiecesChanged());
}

TEST_F(PieceModelTest, SmallAddCountIsNotRaisedToTheMissingCount) {
  CPieceWeightsModel model(10, caller_, 0);
  model.Advance();
  ASSERT_EQ(CPieceWeightsModel::ConfirmResult::kStored, model.Confirm(Keyed(800, 3)));
  EXPECT_EQ(3u, model.Pieces().size());
  EXPECT_TRUE(model.IsNewPiece());
  EXPECT_EQ(3, model.CurrentIndex());
}

TEST_F(PieceModelTest, AfterTheLastPieceTheFirstComesAgain) {
  CPieceWeightsModel model(3, caller_, 0);
  model.Advance();
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(model.IsNewPiece());
    ASSERT_EQ(CPieceWeightsModel::ConfirmResult::kStored, model.Confirm(Keyed(100 * (i + 1))));
  }
  EXPECT_FALSE(model.IsNewPiece());
  EXPECT_EQ(0, model.CurrentIndex());
  // A confirm in edit mode rewrites the current piece and moves on.
  PieceValues changed = model.ValuesOf(0);
  EXPECT_EQ(100, changed.grams);
  changed.grams = 111;
  changed.number = u"CN001";
  ASSERT_EQ(CPieceWeightsModel::ConfirmResult::kStored, model.Confirm(changed));
  EXPECT_EQ(3u, model.Pieces().size());
  EXPECT_EQ(111, model.Pieces()[0]->ixWeight);
  EXPECT_EQ(u"CN001", entrytest::Text(model.Pieces()[0]->cxNum));
  EXPECT_EQ(1, model.CurrentIndex());
  // 10 x 10 x 10 / 6 = 166 g outweighs the 111 g of the first piece.
  EXPECT_EQ(166 + 200 + 300, model.TotalChargeable());
}

TEST_F(PieceModelTest, RefusedConfirmsStoreNothing) {
  CPieceWeightsModel model(2, caller_, 0);
  model.Advance();
  // No weight and no dimensions: below one gram.
  PieceValues empty;
  EXPECT_EQ(CPieceWeightsModel::ConfirmResult::kNoWeight, model.Confirm(empty));
  EXPECT_EQ(0u, boxes_.Count());
  // An over-long goods name stops the confirm with the check's message.
  PieceValues longName = Keyed(500);
  longName.name = std::u16string(40, u'货');  // 80 bytes of GBK
  EXPECT_EQ(CPieceWeightsModel::ConfirmResult::kGoodsRefused, model.Confirm(longName));
  EXPECT_EQ(1u, boxes_.Count());
  EXPECT_NE(std::u16string::npos, boxes_.LastText().find(u"62"));
  EXPECT_TRUE(model.Pieces().empty());
  EXPECT_FALSE(model.PiecesChanged());
  // Another text too long is reported, left empty, and the piece is stored.
  PieceValues longNumber = Keyed(500);
  longNumber.number = std::u16string(31, u'9');
  EXPECT_EQ(CPieceWeightsModel::ConfirmResult::kStored, model.Confirm(longNumber));
  EXPECT_EQ(2u, boxes_.Count());
  EXPECT_EQ(u"", entrytest::Text(model.Pieces()[0]->cxNum));
}

TEST_F(PieceModelTest, StoredValuesComeBackForEditing) {
  PieceValues v = Keyed(2345);
  v.percent = 50;
  v.price = 12.34;
  v.quantity = 7;
  v.customs = 3.5;
  v.rate = 0.125;
  v.alias = u"Phone case";
  v.codeA = u"3926909090";
  v.transferNo = u"ZD123";
  CPieceWeightsModel model(1, caller_, 'T');
  model.Advance();
  ASSERT_EQ(CPieceWeightsModel::ConfirmResult::kStored, model.Confirm(v));
  const PieceLine& p = *model.Pieces()[0];
  EXPECT_EQ(1234, p.ixPrice);
  EXPECT_EQ(50, p.nxPercent);
  PieceValues back = model.ValuesOf(0);
  EXPECT_EQ(v.grams, back.grams);
  EXPECT_DOUBLE_EQ(12.34, back.price);
  EXPECT_EQ(7, back.quantity);
  EXPECT_EQ(v.alias, back.alias);
  EXPECT_EQ(v.codeA, back.codeA);
  EXPECT_EQ(v.transferNo, back.transferNo);
  EXPECT_DOUBLE_EQ(0.125, back.rate);
  // 1000 cm3 / 3 = 333 g volumetric; half of it over 2345 g actual: actual.
  EXPECT_EQ(2345, model.ChargeableOf(p));
}
