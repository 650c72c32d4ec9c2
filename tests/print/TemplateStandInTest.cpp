// The sample templates as the stand-in serves them: fetched through the
// link, parsed, listed by kind, and a template folder that holds no copy.
#include <gtest/gtest.h>

#include "common/TextCodec.h"
#include "print/TemplateCache.h"
#include "print/TemplateChoice.h"
#include "refdata/SqlRunner.h"
#include "tests/server/StandInLinkSuite.h"

namespace {

std::string G(std::u16string_view text) { return GbkFromWide(text); }

class TemplateStandInTest : public testsupport::StandInLinkSuite<TemplateStandInTest> {
 public:
  static constexpr const char* kRootName = "brantle-templates";

 protected:
  void SetUp() override {
    OpenLink("01", "PC-TPL");
    ASSERT_GT(link_.Login(u"zhang", u"zhang123", 0), 0);
  }
  std::string Folder() const { return folder_.string() + "/"; }
};

bool IsOleWorkbook(const std::string& bytes) {
  return bytes.size() > 512 && bytes.compare(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") == 0;
}

TEST_F(TemplateStandInTest, DefaultTemplatesComeWithTextAndWorkbook) {
  CTemplateCache cache;
  cache.LoadDefaults(link_, Folder());
  CTemplateModel* invoice = cache.Current(kInvoiceSlot);
  CTemplateModel* waybill = cache.Current(kWaybillSlot);
  CTemplateModel* label = cache.Current(kLabelSlot);
  ASSERT_NE(invoice, nullptr);
  ASSERT_NE(waybill, nullptr);
  ASSERT_NE(label, nullptr);
  for (CTemplateModel* model : {invoice, waybill, label}) {
    EXPECT_TRUE(IsOleWorkbook(model->Workbook())) << Utf8FromWide(model->Name());
    EXPECT_EQ(model->HasWorkbook(), 1);
  }
  EXPECT_EQ(waybill->ListFieldColumn(G(u"内部单号")), 2);
  EXPECT_EQ(waybill->GetInt(u"打印份数"), 1);
  EXPECT_EQ(waybill->GetBlock(u"二维码定义"), u"[运单号]/[目的地]/[重量]\r\n");
  ASSERT_EQ(waybill->HeaderItems().size(), 1u);
  EXPECT_EQ(waybill->HeaderItems()[0].text, G(u"渠道面单 CHANNEL WAYBILL"));
  int32_t row = 0, column = 0;
  EXPECT_EQ(invoice->GetCell(u"物品描述", row, column), 1);
  EXPECT_EQ(row, 13);
  EXPECT_EQ(label->ListFieldCell(G(u"内单条码位图"), column, row), 1);
  EXPECT_EQ(row, 7);
  // Nothing is written to the template folder; the server's copy is used.
  EXPECT_FALSE(std::filesystem::exists(folder_ / "DATA_MODEL"));
}

TEST_F(TemplateStandInTest, LabelTemplatesAreListedAndChosen) {
  SqlRunner run = LinkSqlRunner(link_);
  std::vector<std::u16string> labels = ListTemplateNames(run, kLabelSlot);
  EXPECT_EQ(labels.size(), 2u);
  EXPECT_NE(std::find(labels.begin(), labels.end(), u"标签一页八枚"), labels.end());
  EXPECT_EQ(ListTemplateNames(run, kInvoiceSlot), std::vector<std::u16string>{u"默认形式发票"});

  CTemplateCache cache;
  ASSERT_EQ(TakeChosenTemplate(cache, link_, Folder(), kLabelSlot, u"标签一页八枚"), 1);
  CTemplateModel* sheet = cache.Current(kLabelSlot);
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->GetInt(u"横向标签个数"), 2);
  EXPECT_EQ(sheet->GetInt(u"纵向标签个数"), 4);
  // Chosen again: the cached template, not a second transfer.
  EXPECT_EQ(TakeChosenTemplate(cache, link_, Folder(), kLabelSlot, u"标签一页八枚"), 1);
  EXPECT_EQ(cache.Size(), 1u);
  // A name the server does not know, with no local copy: the slot stays.
  EXPECT_EQ(TakeChosenTemplate(cache, link_, Folder(), kLabelSlot, u"没有这个"), 0);
  EXPECT_EQ(cache.Current(kLabelSlot), sheet);
  EXPECT_EQ(TakeChosenTemplate(cache, link_, Folder(), kLabelSlot, u""), 0);
}

}  // namespace
