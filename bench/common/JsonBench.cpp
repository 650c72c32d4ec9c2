// Writing and reading a reply of 200 rows of 20 typed fields, as the server
// sends a query result, beside nlohmann-json parsing and dumping the same
// text in the same run; read the results as ratios.
//   BM_JsonWriteReply against BM_NlohmannDumpReply: the writers fill one
//   growing buffer; target at least 1.5 times as fast as nlohmann's dump.
//   BM_JsonReadReply against BM_NlohmannParseReply: rows read column by
//   column through JsonRowIndex (each row indexed once); target at least 3
//   times as fast as nlohmann's parse (which does no GBK conversion).
//   BM_JsonReadReplyByKeySearch: the same reading by the free readers.

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <vector>

#include "common/Json.h"

namespace {

constexpr int kRows = 200;

// One row: 8 texts (2 of them Chinese, sent as "\u" escapes), 8 integers,
// 4 decimals.
struct Row {
  std::string text[6];
  std::u16string chinese[2];
  int32_t number[8];
  double decimal[4];
};

// Column names as callers pass them: literals, whose length is known.
constexpr std::string_view kKeys[20] = {"0",  "1",  "2",  "3",  "4",  "5",  "6",  "7",  "8",  "9",
                               "10", "11", "12", "13", "14", "15", "16", "17", "18", "19"};

std::vector<Row> MakeRows() {
  std::vector<Row> rows(kRows);
  for (int r = 0; r < kRows; ++r) {
    Row& row = rows[r];
    row.text[0] = "ZZ" + std::to_string(100000000 + r * 7919);
    row.text[1] = "2024-05-" + std::to_string(10 + r % 20) + " 12:34:56";
    row.text[2] = "JOHN SMITH " + std::to_string(r);
    row.text[3] = "12 HIGH STREET, LONDON";
    row.text[4] = "+44 20 7946 " + std::to_string(1000 + r);
    row.text[5] = "DHL";
    row.chinese[0] = u"\u5F20\u4E09\u5E7F\u5DDE\u5E02\u5929\u6CB3\u533A";
    row.chinese[1] = u"\u7535\u5B50\u4EA7\u54C1 \u624B\u673A\u58F3";
    for (int i = 0; i < 8; ++i) row.number[i] = r * 131 + i * 17 - 500;
    for (int i = 0; i < 4; ++i) row.decimal[i] = r * 1.25 + i * 0.333;
  }
  return rows;
}

std::string WriteReply(const std::vector<Row>& rows) {
  std::string out;
  out.reserve(96 * 1024);
  out += '{';
  JsonPutInt(out, "ReturnValue", 1, true);
  out += "\"List\":[";
  for (size_t r = 0; r < rows.size(); ++r) {
    const Row& row = rows[r];
    if (r) out += ',';
    out += '{';
    int k = 0;
    for (const auto& t : row.text) JsonPutString(out, kKeys[k++], std::string_view(t), true);
    for (const auto& w : row.chinese) JsonPutWString(out, kKeys[k++], std::u16string_view(w), true);
    for (int32_t n : row.number) JsonPutInt(out, kKeys[k++], n, true);
    for (int i = 0; i < 4; ++i)
      JsonPutDouble(out, kKeys[k++], row.decimal[i], 3, i < 3, false, true);
    out += '}';
  }
  out += "],";
  JsonPutInt(out, "bEnd", 1, false);
  out += '}';
  return out;
}

// The record a row is read into: narrow (GBK) text fields, as callers hold them.
struct ReadRow {
  std::string text[8];
  int32_t number[8];
  double decimal[4];
};

int ReadReply(std::string_view reply, std::vector<ReadRow>& rows) {
  rows.clear();
  int returnValue = JsonGetInt("ReturnValue", reply, 0);
  std::string_view list = JsonListBody(reply, "List");
  size_t pos = 0;
  std::string_view object;
  JsonRowIndex index;
  while (JsonNextObject(list, pos, object)) {
    ReadRow& row = rows.emplace_back();
    index.Reset(object);
    int k = 0;
    for (auto& t : row.text) t = index.GetString(kKeys[k++], 63);
    for (auto& n : row.number) n = index.GetInt(kKeys[k++], 0);
    for (auto& d : row.decimal) d = index.GetDouble(kKeys[k++], 0.0);
  }
  return returnValue;
}

// The same reading with the free readers, each searching the row for its key.
int ReadReplyByKeySearch(std::string_view reply, std::vector<ReadRow>& rows) {
  rows.clear();
  int returnValue = JsonGetInt("ReturnValue", reply, 0);
  std::string_view list = JsonListBody(reply, "List");
  size_t pos = 0;
  std::string_view object;
  while (JsonNextObject(list, pos, object)) {
    ReadRow& row = rows.emplace_back();
    int k = 0;
    for (auto& t : row.text) t = JsonGetString(kKeys[k++], object, 63);
    for (auto& n : row.number) n = JsonGetInt(kKeys[k++], object, 0);
    for (auto& d : row.decimal) d = JsonGetDouble(kKeys[k++], object, 0.0);
  }
  return returnValue;
}

void BM_JsonWriteReply(benchmark::State& state) {
  std::vector<Row> rows = MakeRows();
  size_t bytes = 0;
  for (auto _ : state) {
    std::string reply = WriteReply(rows);
    bytes = reply.size();
    benchmark::DoNotOptimize(reply.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  state.counters["reply_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_JsonWriteReply);

void BM_JsonReadReply(benchmark::State& state) {
  std::string reply = WriteReply(MakeRows());
  std::vector<ReadRow> rows;
  rows.reserve(kRows);
  for (auto _ : state) {
    benchmark::DoNotOptimize(ReadReply(reply, rows));
    if (rows.size() != kRows) state.SkipWithError("row count");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * reply.size()));
}
BENCHMARK(BM_JsonReadReply);

void BM_JsonReadReplyByKeySearch(benchmark::State& state) {
  std::string reply = WriteReply(MakeRows());
  std::vector<ReadRow> rows;
  rows.reserve(kRows);
  for (auto _ : state) {
    benchmark::DoNotOptimize(ReadReplyByKeySearch(reply, rows));
    if (rows.size() != kRows) state.SkipWithError("row count");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * reply.size()));
}
BENCHMARK(BM_JsonReadReplyByKeySearch);

// nlohmann-json: parse the same text and take every field of every row
// (texts stay UTF-8: no GBK conversion is done on this side).
void BM_NlohmannParseReply(benchmark::State& state) {
  std::string reply = WriteReply(MakeRows());
  for (auto _ : state) {
    nlohmann::json doc = nlohmann::json::parse(reply);
    size_t count = 0;
    for (const auto& row : doc["List"]) {
      int k = 0;
      for (int i = 0; i < 8; ++i) count += row[kKeys[k++]].get_ref<const std::string&>().size();
      for (int i = 0; i < 8; ++i) count += static_cast<size_t>(row[kKeys[k++]].get<int>());
      for (int i = 0; i < 4; ++i) count += static_cast<size_t>(row[kKeys[k++]].get<double>());
    }
    benchmark::DoNotOptimize(count);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * reply.size()));
}
BENCHMARK(BM_NlohmannParseReply);

// nlohmann-json: dump the parsed reply back to text.
void BM_NlohmannDumpReply(benchmark::State& state) {
  nlohmann::json doc = nlohmann::json::parse(WriteReply(MakeRows()));
  size_t bytes = 0;
  for (auto _ : state) {
    std::string text = doc.dump();
    bytes = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_NlohmannDumpReply);

}  // namespace
