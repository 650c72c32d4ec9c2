// Random and mutated bytes as record-store files and as Japan postcode data;
// random codes into the currency table and the barcode normaliser.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/TextCodec.h"
#include "platform/MessageBox.h"
#include "refdata/BarcodeNormalizer.h"
#include "refdata/CurrencyTable.h"
#include "refdata/JapanPostcodeBook.h"
#include "refdata/MappedRecordFile.h"
#include "tests/fuzz/FuzzBytes.h"
#include "tests/TempFolder.h"

namespace {

namespace fs = std::filesystem;

class RefdataFuzz : public testsupport::TempFolderTest {
 protected:
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
};

std::string Int32(int32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

// A store file that this class wrote: header, `count` records, some room.
std::string StoreFile(fuzz::Bytes& rng, int32_t size, int32_t count) {
  std::string bytes = Int32(count) + Int32(count + static_cast<int32_t>(rng.Next() % 5));
  bytes.resize(CMappedRecordFile::kHeaderSize, '\0');
  for (int32_t i = 0; i < count; ++i) {
    std::string record = rng.Random(static_cast<size_t>(size));
    record.resize(static_cast<size_t>(size), '\0');
    std::memcpy(record.data(), Int32(i + 1).data(), 4);
    bytes += record;
  }
  bytes.resize(bytes.size() + static_cast<size_t>(size) * (rng.Next() % 20), '\0');
  return bytes;
}

TEST_F(RefdataFuzz, RecordStoreFiles) {
  fuzz::Bytes rng(20240611);
  for (int round = 0; round < 1500; ++round) {
    const int32_t size = 4 + static_cast<int32_t>(rng.Next() % 60);
    std::string bytes;
    switch (round % 4) {
      case 0: bytes = rng.Random(600); break;
      case 1: bytes = rng.Mutate(StoreFile(rng, size, static_cast<int32_t>(rng.Next() % 8))); break;
      case 2: {  // a valid body under a random header count
        bytes = StoreFile(rng, size, static_cast<int32_t>(rng.Next() % 8));
        std::memcpy(bytes.data(), Int32(static_cast<int32_t>(rng.Next())).data(), 4);
        break;
      }
      default: bytes = StoreFile(rng, size, static_cast<int32_t>(rng.Next() % 8));
    }
    const fs::path path = Write("store.dat", bytes);
    const auto before = fs::file_size(path);

    CMappedRecordFile store;
    if (!store.SetupAndOpen(path, size)) {
      EXPECT_FALSE(store.IsOpen());
      EXPECT_FALSE(store.FailureText().empty());
      EXPECT_EQ(store.GetAt(0), nullptr);
      EXPECT_EQ(fs::file_size(path), before);  // a refused file is left alone
      boxes_.Clear();
      continue;
    }
    // An opened store holds every record it claims inside its mapping.
    const int count = store.GetCount();
    ASSERT_GE(count, 0);
    ASSERT_LE(CMappedRecordFile::kHeaderSize + static_cast<size_t>(count + 500) * size,
              store.MappedSize());
    for (int i = 0; i < count; ++i) {
      volatile unsigned char last =
          static_cast<const unsigned char*>(store.GetAt(i))[size - 1];
      (void)last;
    }
    // Random changes keep count, last id and the ids of appended records.
    std::vector<unsigned char> record(static_cast<size_t>(size));
    for (int step = 0; step < 30; ++step) {
      for (auto& b : record) b = static_cast<unsigned char>(rng.Next());
      const int index = static_cast<int>(rng.Next() % static_cast<unsigned>(store.GetCount() + 2)) - 1;
      switch (rng.Next() % 4) {
        case 0: {
          const int32_t lastId = store.GetLastId();
          const int n = store.Append(record.data());
          if (n > 0) {
            int32_t id;
            std::memcpy(&id, record.data(), 4);
            EXPECT_EQ(id, lastId + 1);
          }
          break;
        }
        case 1: store.RemoveAt(index); break;
        case 2: store.PutAt(index, record.data()); break;
        default: store.FindById(static_cast<int32_t>(rng.Next() % 40)); break;
      }
      ASSERT_TRUE(store.IsOpen());
      ASSERT_LE(store.GetCount(), store.GetLastId());
    }
    store.Close();
    CMappedRecordFile again;
    EXPECT_EQ(again.SetupAndOpen(path, size), 1);
  }
}

// Small tables over full pools, written once; each round changes bytes of
// the tables in place.
TEST_F(RefdataFuzz, JapanPostcodeTables) {
  fuzz::Bytes rng(77);
  std::string tables;
  auto record = [](uint16_t first, uint16_t second, int32_t number, int32_t jp, int32_t ro) {
    std::string r(reinterpret_cast<const char*>(&first), 2);
    r.append(reinterpret_cast<const char*>(&second), 2);
    return r + Int32(number) + Int32(jp) + Int32(ro);
  };
  tables += Int32(2) + record(0, 0, 0, 0, 0) + record(1, 0, 0, 4, 9);
  tables += Int32(2) + record(0, 0, 0, 8, 18) + record(1, 0, 1, 12, 27);
  tables += Int32(3) + record(0, 0, 600000, 16, 36) + record(1, 1, 1000001, 20, 45) +
            record(1, 1, 1000002, 24, 54);
  std::string jp(CJapanPostcodeBook::kJapanesePoolSize, '\0');
  std::string ro(CJapanPostcodeBook::kRomanisedPoolSize, '\0');
  for (int i = 0; i < 7; ++i) {
    std::memcpy(&jp[static_cast<size_t>(4 * i)], "\xB1\xB1\xB6", 3);  // GBK text
    std::memcpy(&ro[static_cast<size_t>(9 * i)], "AB-CD-EF", 8);
  }
  const fs::path path = Write("addr_jp.dat", tables + jp + ro);
  const std::string folder = folder_.string() + "/";

  CJapanPostcodeBook book;
  ASSERT_EQ(book.Load(folder), 1);
  int loaded = 1;
  for (int round = 0; round < 400; ++round) {
    std::string changed = tables;
    const int edits = 1 + static_cast<int>(rng.Next() % 4);
    for (int e = 0; e < edits; ++e)
      changed[rng.Next() % changed.size()] = static_cast<char>(rng.Next() % 8 == 0 ? rng.Next() : rng.Next() % 4);
    const int fd = ::open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, changed.data(), changed.size(), 0),
              static_cast<ssize_t>(changed.size()));
    ::close(fd);

    loaded += book.Load(folder);
    for (int number : {600000, 1000001, 0, -1, static_cast<int>(rng.Next())}) book.FindPostcode(number);
    for (int index = -1; index <= static_cast<int>(book.Postcodes().size()); ++index) {
      std::u16string a, p, c, pr, ci;
      book.FormatAddress(a, p, c, pr, ci, index, true);
      book.FormatAddress(a, p, c, pr, ci, index, false);
      EXPECT_LE(pr.size(), 30u);
      EXPECT_LE(ci.size(), 30u);
    }
  }
  EXPECT_GT(loaded, 1);  // some changed tables were still sound

  // Short and random files: counts and short reads.
  for (int round = 0; round < 2000; ++round) {
    std::string bytes = round % 2 ? rng.Random(200) : rng.Mutate(tables);
    Write("addr_jp.dat", bytes);
    EXPECT_EQ(book.Load(folder), 0);
    EXPECT_EQ(book.FindPostcode(600000), -1);
  }
}

TEST_F(RefdataFuzz, CurrencyCodesAndNames) {
  fuzz::Bytes rng(5);
  CCurrencyTable table;
  for (int round = 0; round < fuzz::kRounds; ++round) {
    const std::string code = rng.From("CNYUSDEURnok", 5);
    const CurrencyEntry* found = table.Find(code);
    if (found) {
      EXPECT_EQ(found->isoCode, code);
    }
    table.RateOf(code);
    if (round % 20 == 0) {
      table.Add(code, rng.Random(6), rng.Random(40), 0, 0);
      const CurrencyEntry& last = table.At(table.Count() - 1);
      EXPECT_LE(last.nameGbk.size(), 31u);
      EXPECT_LE(last.isoCode.size(), 3u);
      EXPECT_LE(last.customsCode.size(), 3u);
    }
  }
}

TEST_F(RefdataFuzz, BarcodeCodes) {
  fuzz::Bytes rng(9);
  CBarcodeNormalizer normalizer;
  for (int round = 0; round < fuzz::kRounds; ++round) {
    std::string code = rng.From("0123456789999420AZ% \t", 40);
    const std::string before = code;
    const int result = normalizer.Normalize(code);
    EXPECT_LE(code.size(), before.size());
    if (result) {
      EXPECT_FALSE(code.empty());
    }
    std::string out;
    ExtractFrom420Barcode(before, out);
    MatchBarcodeMask(before, rng.From("*#@A9", 40));
  }
}

}  // namespace
