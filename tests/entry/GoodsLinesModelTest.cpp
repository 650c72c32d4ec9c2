// The goods lines without widgets: per-row keys, add and update, delete and
// the rebuilt list.
#include "entry/GoodsLinesModel.h"

#include <gtest/gtest.h>

#include "platform/MessageBox.h"
#include "tests/entry/EntryTestSupport.h"

using entrytest::Goods;

class GoodsModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    entrytest::LoadLanguage();
    lines_.push_back(Goods(u"衬衫", 2, 10.5));
    lines_.push_back(Goods(u"裤子", 3, 20));
    lines_.push_back(Goods(u"帽子", 1, 5));
    model_.Load(lines_);
  }
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scoped_{&boxes_};
  std::vector<std::unique_ptr<GoodsLine>> lines_;
  CGoodsLinesModel model_;
};

TEST_F(GoodsModelTest, LoadedLinesWithTheSameIdGetKeysOfTheirOwn) {
  ASSERT_EQ(3u, model_.Rows().size());
  EXPECT_NE(model_.Rows()[0].key, model_.Rows()[1].key);
  EXPECT_NE(model_.Rows()[1].key, model_.Rows()[2].key);
  EXPECT_EQ(6, model_.QuantitySum());
  EXPECT_EQ(0, model_.ChangeCount());
}

TEST_F(GoodsModelTest, UpdatingTheSecondOfThreeChangesOnlyIt) {
  GoodsLineValues v = *model_.MakeCurrent(1);
  EXPECT_EQ(u"裤子", v.name);
  v.name = u"牛仔裤";
  v.quantity = 4;
  EXPECT_EQ(1, model_.AddOrUpdate(v));
  ASSERT_EQ(3u, model_.Rows().size());
  EXPECT_EQ(u"衬衫", model_.Rows()[0].values.name);
  EXPECT_EQ(u"牛仔裤", model_.Rows()[1].values.name);
  EXPECT_EQ(u"帽子", model_.Rows()[2].values.name);
  EXPECT_EQ(-1, model_.CurrentKey());
  // Without a current line the next add appends.
  GoodsLineValues extra;
  extra.name = u"袜子";
  EXPECT_EQ(3, model_.AddOrUpdate(extra));
  EXPECT_EQ(2, model_.ChangeCount());
}

TEST_F(GoodsModelTest, DeletingTheSecondOfThreeRemovesOnlyIt) {
  EXPECT_FALSE(model_.DeleteCurrent());  // nothing current
  model_.MakeCurrent(1);
  EXPECT_TRUE(model_.DeleteCurrent());
  ASSERT_EQ(2u, model_.Rows().size());
  EXPECT_EQ(u"衬衫", model_.Rows()[0].values.name);
  EXPECT_EQ(u"帽子", model_.Rows()[1].values.name);
  EXPECT_EQ(1, model_.ChangeCount());
}

TEST_F(GoodsModelTest, NameMustHaveOneToSixtyTwoBytes) {
  GoodsLineValues v;
  v.name = u"   ";
  EXPECT_EQ(-1, model_.AddOrUpdate(v));
  EXPECT_EQ(AppLanguage().Text(20012).substr(0, 1), boxes_.LastText().substr(0, 1));
  EXPECT_NE(std::u16string::npos, boxes_.LastText().find(AppLanguage().Text(30026)));
  v.name = std::u16string(32, u'货');  // 64 bytes
  EXPECT_EQ(-1, model_.AddOrUpdate(v));
  EXPECT_NE(std::u16string::npos, boxes_.LastText().find(u"62"));
  EXPECT_EQ(3u, model_.Rows().size());
  EXPECT_EQ(0, model_.ChangeCount());
  v.name = std::u16string(31, u'货');  // 62 bytes
  EXPECT_EQ(3, model_.AddOrUpdate(v));
}

TEST_F(GoodsModelTest, RebuiltLinesAreNumberedInOrder) {
  model_.MakeCurrent(0);
  model_.DeleteCurrent();
  GoodsLineValues v;
  v.name = u" 手套 ";
  v.quantity = 5;
  v.price = 1.005;
  v.unit = u"双";
  v.alias = u"Gloves";
  v.codeA = u"6116";
  v.netWeight = 0.25;
  model_.AddOrUpdate(v);
  std::vector<std::unique_ptr<GoodsLine>> built = model_.BuildLines(77);
  ASSERT_EQ(3u, built.size());
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(i, built[i]->id);
    EXPECT_EQ(77, built[i]->owner);
  }
  EXPECT_EQ(u"裤子", entrytest::Text(built[0]->cgoods));
  EXPECT_EQ(u"手套", entrytest::Text(built[2]->cgoods));
  EXPECT_EQ(u"双", entrytest::Text(built[2]->cunit));
  EXPECT_EQ(u"Gloves", entrytest::Text(built[2]->cgoodsa));
  EXPECT_EQ(u"6116", entrytest::Text(built[2]->cgcodea));
  EXPECT_EQ(5, built[2]->iquantity);
  EXPECT_DOUBLE_EQ(1.005, built[2]->fprice);  // kept as keyed, not as shown
  EXPECT_DOUBLE_EQ(0.25, built[2]->fgweight);
}

TEST_F(GoodsModelTest, TooLongTextsAreReportedAndLeftEmpty) {
  GoodsLineValues v;
  v.name = u"笔";
  v.unit = std::u16string(8, u'个');  // 16 bytes, the limit is 15
  model_.AddOrUpdate(v);
  std::vector<std::unique_ptr<GoodsLine>> built = model_.BuildLines(0);
  EXPECT_EQ(u"", entrytest::Text(built[3]->cunit));
  EXPECT_EQ(u"笔", entrytest::Text(built[3]->cgoods));
  EXPECT_NE(std::u16string::npos, boxes_.LastText().find(AppLanguage().Text(30065)));
}
