#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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
