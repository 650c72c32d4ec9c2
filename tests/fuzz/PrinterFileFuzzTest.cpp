// Random and damaged "printerset_x1.dat" files: the reader takes a file
// whole or not at all and never reads past its end or past a field.
#include <gtest/gtest.h>

#include "print/TemplatePrinterList.h"
#include "tests/fuzz/FuzzBytes.h"

namespace {

std::string ValidFile() {
  CTemplatePrinterList list;
  list.AddOrReplace({-1, u"渠道面单", u"DHL", u"BrantlePdf"});
  list.AddOrReplace({-2, u"快件标签", u"A6", u"Label printer 2"});
  list.AddOrReplace({2, u"快件标签", u"", u"BrantleLabel"});
  return EncodePrinterFile(list);
}

// A file is refused with nothing read, or taken whole with names that fit
// their fields and write back to records that read the same.
void CheckRead(const std::string& bytes) {
  std::vector<TemplatePrinterRecord> records;
  if (!DecodePrinterFile(bytes, records)) {
    ASSERT_TRUE(records.empty());
    return;
  }
  ASSERT_EQ(bytes.size(), 8 + 612 * records.size());
  for (const TemplatePrinterRecord& r : records) {
    ASSERT_TRUE(FitsTemplatePrinterRecord(r));
    TemplatePrinterRecord again;
    ASSERT_TRUE(DecodeTemplatePrinterRecord(EncodeTemplatePrinterRecord(r), again));
    ASSERT_EQ(again, r);
  }
}

TEST(PrinterFileFuzzTest, RandomFilesAreTakenWholeOrRefused) {
  fuzz::Bytes bytes(3113);
  for (int round = 0; round < 3000; ++round) {
    // Random lengths near the valid ones, with a count that often fits.
    std::string file = bytes.Random(8 + 612 * 3);
    if (round % 2 == 0 && file.size() >= 8) {
      const size_t n = file.size() / 612;
      file[4] = static_cast<char>(n);
      file[5] = file[6] = file[7] = 0;
    }
    CheckRead(file);
  }
}

TEST(PrinterFileFuzzTest, MutatedValidFiles) {
  fuzz::Bytes bytes(612);
  const std::string valid = ValidFile();
  for (int round = 0; round < 5000; ++round) {
    std::string file = bytes.Mutate(valid);
    // Keep the length valid half the time so that the records are read.
    if (round % 2 == 0) file.resize(valid.size(), '\x41');
    CheckRead(file);
  }
}

TEST(PrinterFileFuzzTest, RandomRecordsDecodeWithinTheirFields) {
  fuzz::Bytes bytes(61);
  for (int round = 0; round < 5000; ++round) {
    std::string record = bytes.From(std::string("\0\0\0A\x4E", 5), 612);
    TemplatePrinterRecord r;
    if (!DecodeTemplatePrinterRecord(record, r)) continue;
    ASSERT_EQ(record.size(), 612u);
    ASSERT_TRUE(FitsTemplatePrinterRecord(r));
    std::string again = EncodeTemplatePrinterRecord(r);
    TemplatePrinterRecord r2;
    ASSERT_TRUE(DecodeTemplatePrinterRecord(again, r2));
    ASSERT_EQ(r, r2);
  }
}

}  // namespace
