// Random and mangled texts into the readers of the look-ups: the country
// resolver (receiver countries from imported workbooks) and the reader of
// the carrier's remote-area page.

#include <gtest/gtest.h>

#include <string>

#include "refdata/CountryResolver.h"
#include "refdata/RemoteAreaCheck.h"
#include "tests/fuzz/FuzzBytes.h"

TEST(LookupsFuzz, CountryResolver) {
  fuzz::Bytes gen(2107);
  const std::string_view chars = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefgis. ,\xD6\xD0\xB9\xFA\xC3\xC0";
  const std::string seeds[] = {"Cayman Is.", "North America", "\xC4\xDA\xC3\xC9\xB9\xC5", "Burma",
                               "Faroe Is., Torshavn", std::string(250, 'x') + " Is."};
  const std::vector<CountryRecord>& table = CountryTable();
  for (int i = 0; i < fuzz::kRounds; ++i) {
    std::string text = i % 3 == 0   ? gen.Random(300)
                       : i % 3 == 1 ? gen.From(chars, 270)
                                    : gen.Mutate(seeds[i % std::size(seeds)]);
    for (std::string_view excluded : {std::string_view(), std::string_view("CN")}) {
      fuzz::ExactBlock block(text);
      const CountryRecord* row = ResolveCountry(block.View(), i % 2 == 0, excluded);
      if (row) {
        ASSERT_GE(row, table.data());
        ASSERT_LT(row, table.data() + table.size());
      }
    }
    fuzz::ExactBlock block(text);
    ASSERT_LE(NormalizeCountryText(block.View()).size(), 255u);
  }
}

TEST(LookupsFuzz, RemoteAreaPage) {
  fuzz::Bytes gen(3116);
  const std::string_view chars = "<>/tdrabl Postal Code\xC3\xA9\xE4\xB8\xAD";
  const std::string seed =
      "<table><tr><th>Postal Code</th><th>City</th></tr><tr><td>1</td><td>A</td><td>a</td>"
      "<td>8000</td></tr><tr><td>2<td>B</td><td>b</td><td>7000</td></tr></table>";
  for (int i = 0; i < fuzz::kRounds / 4; ++i) {
    std::string page = i % 3 == 0   ? gen.Random(400)
                       : i % 3 == 1 ? ">Postal Code<" + gen.From(chars, 400) + "</table>"
                                    : gen.Mutate(seed);
    RemoteAreaAnswer answer;
    int result = ParseRemoteAreaPage(page, answer);
    ASSERT_GE(result, -1);
    ASSERT_EQ(static_cast<size_t>(result < 0 ? 0 : result), answer.hits.size());
    ASSERT_LE(answer.first.size(), 254u);
    for (size_t h = 1; h < answer.hits.size(); ++h) ASSERT_LE(answer.hits[h - 1], answer.hits[h]);
  }
}
