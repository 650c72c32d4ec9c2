// The payment form's moves with a customer of 200,000 unpaid waybills,
// loaded as the form loads them (chunks of 5,000 until "bEnd"): every row
// over and back, every row by its id, one month of rows.  Beside them the
// reference: the same rows split with a plain stable partition of a vector.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchMain.h"
#include "shipping/PaymentForm.h"

namespace {

using namespace payment;

constexpr int kRows = 200000;
constexpr int kChunk = 5000;

// Answers the unpaid chunks of the form's query from a made-up customer.
class ChunkLink : public PaymentLink {
 public:
  std::string Query(std::string_view sql, const std::vector<uint32_t>&) override {
    const size_t at = sql.find("irid>");
    if (at == std::string_view::npos || sql.find("bpay=0") == std::string_view::npos) return {};
    const long after = std::strtol(std::string(sql.substr(at + 5, 12)).c_str(), nullptr, 10);
    std::string reply = R"({"ReturnValue":14,"iTotal":)";
    const long first = after + 1;
    const long last = std::min<long>(after + kChunk, kRows);
    reply += std::to_string(last - first + 1) + R"(,"bEnd":)" + (last == kRows ? "true" : "false") +
             R"(,"List":[)";
    char row[256];
    for (long id = first; id <= last; ++id) {
      std::snprintf(row, sizeof row,
                    R"(%s{"0":%ld,"1":"LAX","2":%.3f,"3":%.2f,"4":"2024-%02ld-%02ld 10:00:00",)"
                    R"("5":"BR%08ld","6":0,"12":1})",
                    id == first ? "" : ",", id, 0.5 + id % 7, 10.0 + id % 100, 1 + id % 12,
                    1 + id % 28, 10000000 + id);
      reply += row;
    }
    return reply + "]}";
  }
  std::string Execute(std::string_view, const std::vector<uint32_t>&) override { return {}; }
  std::u16string LastErrorText() override { return {}; }
};

ChunkLink g_link;
std::unique_ptr<CPaymentForm> g_form;
std::vector<int32_t> g_allIds;

bool SetUp() {
  PaymentEnvironment env;
  env.hasRight = [](int, unsigned) { return true; };
  g_form = std::make_unique<CPaymentForm>(g_link, env);
  g_form->customerId = 1;
  g_form->LoadUnpaidRecords(kChunk);
  g_form->NewPayment();
  if (g_form->unpaid.Count() != kRows) {
    std::fprintf(stderr, "loaded %d rows\n", g_form->unpaid.Count());
    return false;
  }
  for (const RecordRow& row : g_form->unpaid.rows) g_allIds.push_back(row.irid);
  return true;
}

void TearDown() { g_form.reset(); }

// Every row to the payment's list and back.
void BM_TakeAllAndReturnAll(benchmark::State& state) {
  for (auto _ : state) {
    g_form->TakeAllUnpaid();
    g_form->ReturnAll();
  }
  if (g_form->unpaid.Count() != kRows) state.SkipWithError("rows lost");
  state.SetItemsProcessed(state.iterations() * 2 * kRows);
}
BENCHMARK(BM_TakeAllAndReturnAll)->Unit(benchmark::kMillisecond);

// Every row chosen by its id (all rows selected in the grid), and back.
void BM_TakeSelectedAndReturnSelected(benchmark::State& state) {
  for (auto _ : state) {
    g_form->TakeSelectedUnpaid(g_allIds);
    g_form->ReturnSelected(g_allIds);
  }
  if (g_form->unpaid.Count() != kRows) state.SkipWithError("rows lost");
  state.SetItemsProcessed(state.iterations() * 2 * kRows);
}
BENCHMARK(BM_TakeSelectedAndReturnSelected)->Unit(benchmark::kMillisecond);

// The rows of one month (a twelfth), and all back.
void BM_TakeMonth(benchmark::State& state) {
  for (auto _ : state) {
    g_form->TakeMonth(3);
    g_form->ReturnAll();
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_TakeMonth)->Unit(benchmark::kMillisecond);

// The reference: the same rows split by month with one stable partition of
// a vector, then joined again.
void BM_ReferenceStablePartition(benchmark::State& state) {
  std::vector<RecordRow> rows = g_form->unpaid.rows;
  for (auto _ : state) {
    auto middle = std::stable_partition(rows.begin(), rows.end(),
                                        [](const RecordRow& r) { return r.Month() == 3; });
    std::vector<RecordRow> taken(std::make_move_iterator(rows.begin()),
                                 std::make_move_iterator(middle));
    rows.erase(rows.begin(), middle);
    rows.insert(rows.end(), std::make_move_iterator(taken.begin()),
                std::make_move_iterator(taken.end()));
    benchmark::DoNotOptimize(rows.data());
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_ReferenceStablePartition)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return benchsupport::RunBenchmarks(argc, argv, "shipping_payment_bench", SetUp, TearDown);
}
