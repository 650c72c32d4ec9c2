// The searches of the sender/receiver directory over a store in a temporary
// folder.

#include "refdata/DirectoryTable.h"
#include "tests/TempFolder.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// GBK: 张 D5C5, 三 C8FD, 李 C0EE, 四 CBC4.
const std::string kZhangSan = "\xD5\xC5\xC8\xFD";
const std::string kLiSi = "\xC0\xEE\xCB\xC4";
const std::string kZhang = "\xD5\xC5";

class DirectoryTableTest : public testsupport::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    ASSERT_EQ(index_.Load(folder_ / "rsdata.dat"), 0);
  }
  void TearDown() override {
    table_.Close();
    TempFolderTest::TearDown();
  }

  // Appends an entry and rebuilds, as the directory page does; its id.
  int32_t Add(const std::string& code, const std::string& name, const std::string& phone = "") {
    DirectoryRecord record{};
    std::strncpy(record.code, code.c_str(), sizeof record.code - 1);
    std::strncpy(record.name, name.c_str(), sizeof record.name - 1);
    std::strncpy(record.phone, phone.c_str(), sizeof record.phone - 1);
    EXPECT_GT(table_.Append(&record), 0);
    index_.RebuildIndexes();
    return record.id;
  }

  static std::vector<std::string> Names(const CDirectoryIndex::Rows& rows) {
    std::vector<std::string> names;
    for (const DirectoryRecord* r : rows) {
      if (r != nullptr) names.emplace_back(r->name);
    }
    return names;
  }
  std::vector<std::string> Search(const std::string& text) {
    CDirectoryIndex::Rows rows{};
    index_.Search(rows, text);
    return Names(rows);
  }
  std::vector<std::string> SearchPhone(const std::string& text) {
    CDirectoryIndex::Rows rows{};
    index_.SearchByPhone(rows, text);
    return Names(rows);
  }

  CDirectoryTable table_;
  CDirectoryIndex index_{table_};
};

using V = std::vector<std::string>;

TEST_F(DirectoryTableTest, CodeTextsSearchCodesOtherTextsSearchNames) {
  Add("zs", kZhangSan, "13800001111");
  Add("ls", kLiSi, "13900002222");
  Add("k1", "ZSmith", "020555");
  Add("k2", "123456789012abc");
  // A hit takes the entries that follow it in the index as well: the code
  // index is k1, k2, ls, zs; the name index 1234..., ZSmith, then the GBK
  // names in byte order.
  EXPECT_EQ(Search("zs"), V{kZhangSan});                               // code
  EXPECT_EQ(Search("ls"), (V{kLiSi, kZhangSan}));                      // code
  EXPECT_EQ(Search("ZS"), (V{"ZSmith", kLiSi, kZhangSan}));            // name, no case
  EXPECT_EQ(Search("Zs"), (V{"ZSmith", kLiSi, kZhangSan}));            // capital: names
  EXPECT_EQ(Search(kZhang), V{kZhangSan});                             // GBK: names
  EXPECT_EQ(Search("zsm"), V{});  // code miss, and no name holds "zsm"
  // Twelve bytes beginning with a digit: the name index.
  EXPECT_EQ(Search("123456789012"), (V{"123456789012abc", "ZSmith", kLiSi, kZhangSan}));
  // Eleven: the code index; no code matches, so the scan finds the name.
  EXPECT_EQ(Search("12345678901"), V{"123456789012abc"});
}

TEST_F(DirectoryTableTest, CodeMissFallsBackToNamesContainingTheText) {
  Add("a1", "ZSmith");
  Add("a2", "Mita");
  Add("a3", "xmity");
  // "mit" is no code prefix; the names holding it, case-sensitively, in
  // file order ("Mita" has a capital M).
  EXPECT_EQ(Search("mit"), (V{"ZSmith", "xmity"}));
  EXPECT_EQ(Search("qq"), V{});
}

TEST_F(DirectoryTableTest, PrefixHitTakesFiveConsecutiveEntriesFromTheFirstMatch) {
  for (const char* name : {"bx", "ab7", "AB1", "ab3", "Ab2", "ab5", "ab4", "ab6", "aa"}) {
    Add(std::string("c") + name, name);
  }
  const V rows = Search("AB");  // names: capital start
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0], "AB1");
  EXPECT_EQ(rows[1], "Ab2");
  EXPECT_EQ(rows[4], "ab5");
  // The name index is ordered without case.
  std::vector<std::string> ordered;
  for (int position : index_.NameIndex()) ordered.emplace_back(table_.Record(position)->name);
  EXPECT_EQ(ordered, (V{"aa", "AB1", "Ab2", "ab3", "ab4", "ab5", "ab6", "ab7", "bx"}));
}

TEST_F(DirectoryTableTest, EmptyTextChangesNothingAndPhoneSearchHasNoFallback) {
  Add("zs", kZhangSan, "13800001111");
  Add("ls", kLiSi, "13900002222");
  CDirectoryIndex::Rows rows{};
  index_.Search(rows, "zs");
  const DirectoryRecord* kept = rows[0];
  index_.Search(rows, "");
  index_.SearchByPhone(rows, "");
  EXPECT_EQ(rows[0], kept);

  EXPECT_EQ(SearchPhone("139"), V{kLiSi});
  EXPECT_EQ(SearchPhone("0000"), V{});  // contained, but no prefix: nothing
  index_.SearchByPhone(rows, "777");
  EXPECT_EQ(rows[0], nullptr);          // cleared
}

TEST_F(DirectoryTableTest, DuplicateChecksFindTheLastEqualEntry) {
  const int32_t first = Add("a", "Wang", "1");
  const int32_t second = Add("b", "Wang", "1");
  ASSERT_NE(index_.FindByName("Wang"), nullptr);
  EXPECT_EQ(index_.FindByName("Wang")->id, second);
  EXPECT_EQ(index_.FindByPhone("1")->id, second);
  EXPECT_EQ(index_.FindByName("wang"), nullptr);  // byte for byte
  EXPECT_EQ(index_.FindByName("Wan"), nullptr);
  EXPECT_NE(first, second);
}

TEST_F(DirectoryTableTest, IdsRemovalAndSearchesAfterIt) {
  EXPECT_EQ(index_.IndexOfId(1), -1);  // empty table
  const int32_t a = Add("zs", kZhangSan);
  const int32_t b = Add("zsa", "Other");
  EXPECT_EQ(index_.IndexOfId(a), 0);
  EXPECT_EQ(index_.IndexOfId(b), 1);
  EXPECT_EQ(index_.IndexOfId(b + 1), -1);
  index_.RemoveById(a);
  EXPECT_EQ(index_.IndexOfId(a), -1);
  EXPECT_EQ(Search("zs"), V{"Other"});
  EXPECT_EQ(Search(kZhang), V{});
  index_.RemoveById(999);  // absent: nothing
  EXPECT_EQ(table_.GetCount(), 1);
}

TEST_F(DirectoryTableTest, ChangesWithoutRebuildAreStillSearchedSafely) {
  Add("zs", kZhangSan);
  DirectoryRecord record{};
  std::strcpy(record.code, "zz");
  std::strcpy(record.name, "Late");
  table_.Append(&record);  // no RebuildIndexes
  EXPECT_EQ(Search("zz"), V{"Late"});
  table_.RemoveAt(1);
  EXPECT_EQ(Search("zz"), V{});
  EXPECT_EQ(Search("zs"), V{kZhangSan});
}

TEST_F(DirectoryTableTest, CodeTakenComparesWholeCodesBytewise) {
  const int32_t id = Add("zs", kZhangSan);
  EXPECT_TRUE(index_.IsCodeTaken("", 0));
  EXPECT_TRUE(index_.IsCodeTaken("zs", 0));
  EXPECT_TRUE(index_.IsCodeTaken("zs", id + 1));
  EXPECT_FALSE(index_.IsCodeTaken("zs", id));   // its own code
  EXPECT_FALSE(index_.IsCodeTaken("ZS", 0));    // other case
  EXPECT_FALSE(index_.IsCodeTaken("z", 0));
  EXPECT_FALSE(index_.IsCodeTaken("zs0", 0));
  Add("ZS", "Upper");
  EXPECT_TRUE(index_.IsCodeTaken("zs", 0));
  EXPECT_TRUE(index_.IsCodeTaken("ZS", 0));
}

TEST_F(DirectoryTableTest, CodesFromInitialsWithNumbersWhenTaken) {
  EXPECT_EQ(index_.MakeDirectoryCode(kZhangSan), "zs");
  Add("zs", kZhangSan);
  EXPECT_EQ(index_.MakeDirectoryCode(kZhangSan), "zs0");
  Add("zs0", kZhangSan);
  EXPECT_EQ(index_.MakeDirectoryCode(kZhangSan), "zs1");
  EXPECT_EQ(index_.MakeDirectoryCode("AB" + kZhangSan), "zs1");  // Latin letters give nothing

  std::string twelve;
  for (int i = 0; i < 12; ++i) twelve += kZhang;
  EXPECT_EQ(index_.MakeDirectoryCode(twelve), "zzzzzzzzzzz");  // cut to 11
  Add("zzzzzzzzzzz", "x");
  EXPECT_EQ(index_.MakeDirectoryCode(twelve), "zzzzzzzzzz0");
}

TEST_F(DirectoryTableTest, NamesWithoutInitialsGetAnUnusedRandomNumber) {
  index_.SeedRandom(7);
  const std::string first = index_.MakeDirectoryCode("John Smith");
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(first.find_first_not_of("0123456789"), std::string::npos);
  EXPECT_LE(first.size(), 8u);
  Add(first, "John Smith");
  index_.SeedRandom(7);  // the same draws again: the taken number is skipped
  const std::string second = index_.MakeDirectoryCode("John Smith");
  EXPECT_NE(second, first);
  EXPECT_FALSE(index_.IsCodeTaken(second, 0));
}

TEST(DirectoryKey, CaseOnlyForAsciiLetters) {
  EXPECT_EQ(CompareDirectoryKey("ABC", "abd", 2), 0);
  EXPECT_LT(CompareDirectoryKey("ABC", "abd", 3), 0);
  EXPECT_LT(CompareDirectoryKey("ab", "abc", 3), 0);  // a key ending early
  // A double-byte character whose second byte is a letter keeps its case.
  EXPECT_NE(CompareDirectoryKey("\x81\x41", "\x81\x61", 2), 0);
  EXPECT_EQ(CompareDirectoryKey("\x81\x41x", "\x81\x41X", 3), 0);
}

}  // namespace
