// Random and mutated files into the CSV reader and the language-file loader.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "common/CsvReader.h"
#include "common/LanguageTable.h"
#include "tests/fuzz/FuzzBytes.h"
#include "tests/TempFolder.h"

namespace {

namespace fs = std::filesystem;

class CsvLanguageFuzz : public testsupport::TempFolderTest {
 protected:
};

std::string Utf16Le(std::u16string_view units) {
  std::string bytes;
  for (char16_t u : units) {
    bytes.push_back(static_cast<char>(u & 0xFF));
    bytes.push_back(static_cast<char>(u >> 8));
  }
  return bytes;
}

// Reads every record and checks what the reader hands out stays within the
// file's text.
void ReadWholeFile(CCsvReader& csv, size_t fileBytes) {
  int count = 0;
  size_t records = 0;
  while (csv.ReadRecord(count)) {
    ASSERT_LE(++records, fileBytes + 1);
    ASSERT_GE(count, 0);
    ASSERT_LE(count, CCsvReader::kMaxFields);
    size_t total = 0;
    for (int i = 0; i < count; ++i) {
      auto field = csv.Field(i);
      ASSERT_TRUE(field.has_value());
      total += field->size();
    }
    // Converted UTF-16 text is never longer in GBK than in the file.
    ASSERT_LE(total, fileBytes);
    ASSERT_FALSE(csv.Field(count).has_value());
  }
  ASSERT_FALSE(csv.ReadRecord());
}

TEST_F(CsvLanguageFuzz, CsvReaderTakesAnyBytes) {
  fuzz::Bytes gen(1115);
  const std::string seeds[] = {
      "a,\"b,c\",\"d\"\"e\"\r\nx,y,\r\n\r\n\"q\r\nr\" , z\n",
      "\xEF\xBB\xBF" "Caf\xC3\xA9,\xE5\x8C\x97\xE4\xBA\xAC\r\n",
      std::string("\xFF\xFE" "a\0,\0b\0\r\0\n\0", 12),
      std::string("\xFE\xFF\0a\0,\0\"\0b\0\"", 12),
      "\xB1\xB1\xBE\xA9,\xC9\xCF\r\nJos\xE9,M\xE1laga\r\n",
  };
  const char* const marks[] = {"", "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"};
  const unsigned pages[] = {54936, 936, 28591};
  const int rounds = fuzz::kRounds / 4;
  for (int i = 0; i < rounds; ++i) {
    std::string bytes;
    switch (i % 3) {
      case 0:
        bytes = marks[gen.Next() % 4] + gen.Random(200);
        break;
      case 1:
        bytes = marks[gen.Next() % 4] + gen.From(",\"\r\n \tab\x81\xB1\xE9\xFF", 300);
        break;
      default:
        bytes = gen.Mutate(seeds[gen.Next() % std::size(seeds)]);
    }
    CCsvReader csv(pages[i % 3]);
    ASSERT_TRUE(csv.LoadFile(Write("f.csv", bytes)));
    ASSERT_NO_FATAL_FAILURE(ReadWholeFile(csv, bytes.size()));
    ASSERT_TRUE(csv.CodePage() == pages[i % 3] || csv.CodePage() == 28591u);
  }
}

TEST_F(CsvLanguageFuzz, CsvReaderHandlesHugeFieldsAndManyFields) {
  fuzz::Bytes gen(256);
  for (int i = 0; i < 40; ++i) {
    std::string bytes;
    // Runs of commas and very long fields, quoted or not.
    for (int part = 0; part < 20; ++part) {
      switch (gen.Next() % 4) {
        case 0: bytes.append(gen.Next() % 2000, ','); break;
        case 1: bytes.append(gen.Next() % 20000, 'x'); break;
        case 2: bytes += '"' + std::string(gen.Next() % 20000, '\xB1') + '"'; break;
        default: bytes += gen.From(",\"\r\n", 50);
      }
    }
    CCsvReader csv(54936);
    ASSERT_TRUE(csv.LoadFile(Write("big.csv", bytes)));
    ASSERT_NO_FATAL_FAILURE(ReadWholeFile(csv, bytes.size()));
  }
}

// Checks the loaded table is consistent and every look-up stays in bounds.
void CheckTable(const CLanguageTable& table) {
  const auto& entries = table.Entries();
  for (size_t i = 0; i < entries.size(); ++i) {
    const LanguageEntry& e = entries[i];
    ASSERT_GE(e.id, 1);
    ASSERT_LE(e.id, 999999);
    if (i) {
      ASSERT_LT(entries[i - 1].id, e.id);
    }
    auto first = table.FirstText(e.id);
    ASSERT_TRUE(first.has_value());
    ASSERT_EQ(first->size(), e.firstTextLength);
    std::u16string text = table.Text(e.id);
    (void)table.TextWithNumber(e.id, -7);
    (void)table.TextWithString(e.id, u"%1%1");
    (void)table.TextWithDecimal(e.id, 1e300, static_cast<int>(i % 6));
    (void)table.FileNameText(e.id);
  }
  for (int code = -1; code < 12; ++code) (void)table.WaybillStateText(code);
  (void)table.AwbStateIndex(u"x");
  std::vector<ListColumnDesc> columns;
  ListColumnPositions positions;
  for (int kind = -2; kind < kListColumnKinds + 3; ++kind)
    table.AddListColumn(kind, columns, positions, 10, 0);
  for (const auto& c : columns) ASSERT_LE(c.caption.size(), 31u);
}

TEST_F(CsvLanguageFuzz, LanguageLoaderTakesAnyBytes) {
  fuzz::Bytes gen(1117);
  const std::u16string tokens[] = {
      u"<D>", u"</D>", u",", u"[*==*]", u" ", u"1", u"7", u"42", u"999999", u"1000000",
      u"-3", u"\\n", u"\\t", u"%1", u"a", u"北", u"\r\n", std::u16string(1, u'\0'),
      std::u16string(1, char16_t(0xD800)), u"<D", u"</", u"[*=="};
  const std::string seed =
      "\xFF\xFE" + Utf16Le(u"..<D> 1,a[*==*]b</D>\r\n<D> 7,x\\ny[*==*]%1</D><D> 8209,w[*==*]W</D>");
  const int rounds = fuzz::kRounds / 4;
  for (int i = 0; i < rounds; ++i) {
    std::string bytes;
    switch (i % 3) {
      case 0:
        bytes = gen.Random(200);
        break;
      case 1: {
        std::u16string units = u"\xFEFF";
        int n = static_cast<int>(gen.Next() % 60);
        for (int t = 0; t < n; ++t) units += tokens[gen.Next() % std::size(tokens)];
        bytes = Utf16Le(units);
        if (gen.Next() % 4 == 0 && !bytes.empty()) bytes.pop_back();  // odd length
        break;
      }
      default:
        bytes = gen.Mutate(seed);
    }
    const std::string code = i % 2 ? "01" : "00";
    Write("TolvaneLan_" + code + ".txt", bytes);
    CLanguageTable table;
    const bool loaded = table.Load(folder_.string() + "/", code);
    ASSERT_EQ(loaded, table.EntryCount() > 0);
    ASSERT_NO_FATAL_FAILURE(CheckTable(table));
  }
}

}  // namespace
