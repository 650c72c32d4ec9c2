// The payment form without a server: the moves between the lists, the
// amount rules, the foreign-currency amounts, the number list and the
// refusals before anything is sent.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/LanguageTable.h"
#include "platform/MessageBox.h"
#include "shipping/PaymentForm.h"
#include "tests/refdata/RepositoryLanguage.h"

namespace {

using namespace payment;

// Answers the unpaid query with fixed rows and records every call.
class FakeLink : public PaymentLink {
 public:
  std::string Query(std::string_view sql, const std::vector<uint32_t>&) override {
    queries.emplace_back(sql);
    if (sql.find("bpay=0") != std::string_view::npos)
      return R"({"ReturnValue":14,"iTotal":4,"bEnd":true,"List":[)"
             R"({"0":1,"3":10.10,"2":1,"4":"2023-03-05 00:00:00","5":"BR1","6":0},)"
             R"({"0":2,"3":20.20,"2":2,"4":"2024-03-09 00:00:00","5":"BR2","6":1},)"
             R"({"0":3,"3":0,"2":3,"4":"2024-04-01 00:00:00","5":"BR3","6":0},)"
             R"({"0":4,"3":5.05,"2":4,"4":"2024-03-20 00:00:00","5":"BR1","6":0}]})";
    return {};
  }
  std::string Execute(std::string_view sql, const std::vector<uint32_t>&) override {
    executed.emplace_back(sql);
    return {};
  }
  std::u16string LastErrorText() override { return u"server error"; }
  std::vector<std::string> queries, executed;
};

class PaymentFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "00"));
    env_.language = &AppLanguage();
    env_.hasRight = [](int, unsigned) { return true; };
    env_.dictionaryOn = [this](int n) { return n == 94 && owedMode_; };
    env_.currencyRate = [](std::u16string_view code) { return code == u"USD" ? 6.5 : 1.0; };
    env_.currencyKnown = [](std::u16string_view code) { return code == u"USD" || code == u"CNY"; };
    env_.importNumberList = [this] { return numbers_; };
    env_.userName = u"张三";
    form_ = std::make_unique<CPaymentForm>(link_, env_);
    form_->customerId = 1;
    form_->LoadUnpaidRecords(5000);
    form_->NewPayment();
  }

  FakeLink link_;
  PaymentEnvironment env_;
  bool owedMode_ = false;
  std::vector<std::u16string> numbers_;
  std::unique_ptr<CPaymentForm> form_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
};

TEST_F(PaymentFormTest, MovesKeepTotalsInHundredths) {
  EXPECT_EQ(form_->unpaid.amount, 3535);
  form_->TakeAllUnpaid();
  EXPECT_EQ(form_->payList.Count(), 4);
  EXPECT_EQ(form_->fields.amount, u"35.35");
  EXPECT_EQ(form_->unpaid.amount, 0);
  form_->ReturnSelected({2, 4});
  EXPECT_EQ(form_->fields.amount, u"10.10");
  EXPECT_EQ(form_->unpaid.amount, 2525);
  form_->ReturnAll();
  EXPECT_EQ(form_->unpaid.Count(), 4);
  EXPECT_EQ(form_->fields.amount, u"0.00");
}

TEST_F(PaymentFormTest, OwedModeLeavesTheAmountZero) {
  owedMode_ = true;
  form_->TakeSelectedUnpaid({1, 2});
  EXPECT_EQ(form_->fields.amount, u"0.00");
  EXPECT_EQ(form_->fields.owed, u"30.30");
}

TEST_F(PaymentFormTest, MonthTakesEveryYearAndKeepsOrder) {
  form_->TakeMonth(3);
  std::vector<int32_t> taken;
  for (const RecordRow& r : form_->payList.rows) taken.push_back(r.irid);
  EXPECT_EQ(taken, (std::vector<int32_t>{1, 2, 4}));  // 2023 and 2024
  EXPECT_EQ(form_->unpaid.Count(), 1);
}

TEST_F(PaymentFormTest, NumberListTakesEveryMatchOnceAndCountsNumbers) {
  numbers_ = {u"BR1", u"BR1", u"BR9"};
  form_->TakeNumberList();
  EXPECT_EQ(form_->payList.Count(), 2);  // both rows numbered BR1
  ASSERT_FALSE(boxes_.Messages().empty());
  EXPECT_NE(boxes_.LastText().find(u"3"), std::u16string::npos);
  EXPECT_NE(boxes_.LastText().find(u"2"), std::u16string::npos);
}

TEST_F(PaymentFormTest, LookupIsUpperCasedAndLockedListsRefuse) {
  form_->fields.lookup = u"  br2 ";
  EXPECT_EQ(form_->TakeRecordByNumber(0), 1);
  EXPECT_EQ(form_->payList.Count(), 1);
  form_->locked = true;
  form_->TakeUnpaidRow(1);
  EXPECT_EQ(form_->payList.Count(), 1);
  EXPECT_EQ(boxes_.LastText(), AppLanguage().Text(21004));
}

TEST_F(PaymentFormTest, ForeignCurrencyAmounts) {
  form_->SetCurrency(u"USD");
  EXPECT_TRUE(form_->foreignVisible);
  form_->fields.foreign = u"100";
  form_->OnForeignAmountChanged();
  EXPECT_EQ(form_->fields.amount, u"650.00");
  form_->fields.amount = u"1300";
  form_->OnAmountChanged(true);
  EXPECT_EQ(form_->fields.foreign, u"200.00");
  form_->SetCurrency(u"CNY");
  EXPECT_FALSE(form_->foreignVisible);
  EXPECT_EQ(form_->rate, 1.0);
}

TEST_F(PaymentFormTest, ZeroAmountRecordAsksAndNoStopsTheSave) {
  form_->TakeUnpaidRow(3);  // amount 0
  boxes_.QueueAnswer(platform::kIdNo);
  EXPECT_EQ(form_->SavePayment(), 0);
  EXPECT_EQ(boxes_.LastText(), AppLanguage().Text(330040));
  EXPECT_TRUE(link_.executed.empty());
}

TEST_F(PaymentFormTest, FailedSaveKeepsTheForm) {
  form_->TakeSelectedUnpaid({1, 2});
  form_->fields.invoice = u"FP";
  EXPECT_EQ(form_->SavePayment(), 0);
  ASSERT_EQ(link_.executed.size(), 1u);
  EXPECT_NE(link_.executed[0].find("cp_client_fee_add_0(?,1,30.30,'FP',"), std::string::npos);
  EXPECT_NE(boxes_.LastText().find(u"server error"), std::string::npos);
  EXPECT_EQ(form_->payList.Count(), 2);
  EXPECT_EQ(form_->fields.invoice, u"FP");
}

}  // namespace

namespace {

TEST_F(PaymentFormTest, CopyAndPasteBringBackFieldsAndCurrency) {
  form_->SetCurrency(u"USD");
  form_->fields.invoice = u"FP-9";
  form_->fields.amount = u"65.00";
  form_->fields.foreign = u"10.00";
  form_->fields.payWay = 3;
  form_->CopyFields();
  EXPECT_TRUE(form_->copied);
  form_->NewPayment();
  EXPECT_EQ(form_->fields.invoice, u"");
  EXPECT_FALSE(form_->foreignVisible);
  form_->PasteFields();
  EXPECT_EQ(form_->fields.invoice, u"FP-9");
  EXPECT_EQ(form_->fields.amount, u"65.00");
  EXPECT_EQ(form_->fields.payWay, 3);
  EXPECT_EQ(form_->currency, u"USD");
  EXPECT_EQ(form_->rate, 6.5);
  EXPECT_TRUE(form_->foreignVisible);
}

}  // namespace
