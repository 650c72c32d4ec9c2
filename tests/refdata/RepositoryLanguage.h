#pragma once
// The program's language texts as the stand-in serves them (the files of
// localserver/lang), loaded into a language table of the test's own, with
// ids left out where a case wants a missing text.

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"

namespace refdatatest {

// Loads the repository's texts into `table` in the language code ("00"
// Chinese, "01" English), without the ids of `leaveOut`.  False when the
// table did not load.
inline bool LoadRepositoryLanguage(CLanguageTable& table, const std::string& code,
                                   const std::set<int>& leaveOut = {}) {
  namespace fs = std::filesystem;
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(BRANTLE_SOURCE_DIR "/localserver/lang"))
    if (entry.path().extension() == ".txt") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  std::map<int, std::pair<std::string, std::string>> texts;
  for (const fs::path& file : files) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '#') continue;
      size_t tab1 = line.find('\t');
      size_t tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
      if (tab2 == std::string::npos) continue;
      int id = std::atoi(line.substr(0, tab1).c_str());
      if (id <= 0 || texts.count(id) || leaveOut.count(id)) continue;
      texts[id] = {line.substr(tab1 + 1, tab2 - tab1 - 1), line.substr(tab2 + 1)};
    }
  }
  std::u16string text = u"\r\n";
  for (const auto& [id, pair] : texts) {
    std::string number = std::to_string(id);
    text += u"<D> " + std::u16string(number.begin(), number.end()) + u"," +
            WideFromNarrow(pair.first, 65001) + u"[*==*]" + WideFromNarrow(pair.second, 65001) +
            u"</D>\r\n";
  }
  fs::path folder = fs::temp_directory_path() /
                    ("brantle-reflang-" + std::to_string(::getpid()) + "-" + code);
  fs::create_directories(folder);
  {
    std::ofstream out(folder / ("TolvaneLan_" + code + ".txt"), std::ios::binary);
    out.write("\xFF\xFE", 2);
    for (char16_t unit : text) {
      char bytes[2] = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
      out.write(bytes, 2);
    }
  }
  bool loaded = table.Load(folder.string() + "/", code);
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  return loaded;
}

}  // namespace refdatatest
