#include <gtest/gtest.h>

#include "platform/CodePage.h"
#include "tests/fuzz/FuzzBytes.h"

using namespace platform;

TEST(CodePageFuzz, RandomBytesDecodeAndRandomUnitsEncode) {
  fuzz::Bytes gen(936);
  const unsigned pages[] = {kCodePageGbk, kCodePageUtf8, kCodePageGb18030, kCodePageLatin1};
  for (int i = 0; i < fuzz::kRounds; ++i) {
    unsigned cp = pages[i % 4];
    std::string bytes = gen.Random(64);
    std::u16string wide;
    ASSERT_TRUE(DecodeCodePage(cp, bytes, wide, false));
    DecodeCodePage(cp, bytes, wide, true);
    std::string narrow;
    ASSERT_TRUE(EncodeCodePage(cp, gen.Wide(32), narrow));
  }
}
