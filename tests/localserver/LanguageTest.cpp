#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "common/LanguageTable.h"
#include "localserver/Language.h"
#include "localserver/Service.h"

using namespace localserver;

TEST(Language, RepositoryFilesLoadCleanly) {
  LanguageSet set = LoadLanguageFolder(DefaultLanguageFolder());
  for (const auto& p : set.problems) ADD_FAILURE() << p;
  bool has20023 = false;
  for (const auto& e : set.entries)
    if (e.id == 20023) has20023 = e.first.find("%1") != std::string::npos && e.second.find("%1") != std::string::npos;
  EXPECT_TRUE(has20023);
}

// The numbered texts the client looks up by table (list-column captions,
// enumerations, toolbar and menu captions, the list-pick caption) are all
// served, in both languages.
TEST(Language, ServedFilesHoldTheTablesOfTextIds) {
  LanguageSet set = LoadLanguageFolder(DefaultLanguageFolder());
  std::map<int, const localserver::LanguageEntry*> byId;
  for (const auto& e : set.entries) byId[e.id] = &e;
  std::vector<int> ids(CLanguageTable::kListColumnCaptionIds.begin(),
                       CLanguageTable::kListColumnCaptionIds.end());
  const std::pair<int, int> enums[] = {{20060, 3}, {20063, 2}, {20065, 5}, {20070, 11}, {20090, 3},
                                       {20100, 2}, {20110, 11}, {20500, 4}, {20510, 3}};
  for (auto [base, count] : enums)
    for (int k = 0; k < count; ++k) ids.push_back(base + k);
  CLanguageTable table;
  for (size_t k = 0; k < table.ToolbarCommands().size(); ++k) ids.push_back(10000 + static_cast<int>(k));
  for (int k = 0; k < 8; ++k) ids.push_back(100 + k);
  ids.push_back(8209);
  ids.push_back(170010);
  for (int id : ids) {
    auto it = byId.find(id);
    if (it == byId.end()) {
      ADD_FAILURE() << "no text for id " << id;
      continue;
    }
    EXPECT_FALSE(it->second->first.empty()) << id;
    EXPECT_FALSE(it->second->second.empty()) << id;
  }
}

TEST(Language, FolderRulesAndFileLayout) {
  auto dir = std::filesystem::temp_directory_path() / ("brantle-lang-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "a.txt") << "# comment\n7\t七\tseven\n\n12\t十二\\n行\ttwelve\\nline\r\nbad line\n0\tx\ty\n";
  std::ofstream(dir / "b.txt") << "7\t又七\tseven again\n3\t三\tthree, with comma\n";
  LanguageSet set = LoadLanguageFolder(dir.string());
  std::filesystem::remove_all(dir);
  ASSERT_EQ(set.entries.size(), 3u);
  EXPECT_EQ(set.entries[0].id, 3);
  EXPECT_EQ(set.entries[1].first, "七");  // the first file wins
  EXPECT_EQ(set.entries[2].second, "twelve\\nline");
  EXPECT_EQ(set.problems.size(), 3u);  // bad line, id 0, repeated 7

  std::string file = BuildLanguageFile(set.entries);
  auto unit = [&](size_t i) { return static_cast<char16_t>(uint8_t(file[2 * i]) | uint8_t(file[2 * i + 1]) << 8); };
  EXPECT_EQ(unit(0), 0xFEFF);
  std::u16string text;
  for (size_t i = 1; i < file.size() / 2; ++i) text += unit(i);
  EXPECT_EQ(text.find(u"<D>"), 2u);  // byte 6
  EXPECT_NE(text.find(u"<D> 3,\u4E09[*==*]three, with comma</D>"), std::u16string::npos);
}
