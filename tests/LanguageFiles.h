#pragma once
// The program's language texts as the stand-in serves them (the files of
// localserver/lang, tab-separated: id, Chinese, English), and the language
// file (TolvaneLan_<code>.txt, UTF-16) the program loads them from.

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"

namespace testsupport {

// id -> (Chinese, English).
using LanguageTexts = std::map<int, std::pair<std::u16string, std::u16string>>;

// The texts of localserver/lang/*.txt; files are read in name order and the
// first text of an id counts.
inline LanguageTexts RepositoryTexts() {
  namespace fs = std::filesystem;
  LanguageTexts texts;
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(BRANTLE_SOURCE_DIR "/localserver/lang"))
    if (entry.path().extension() == ".txt") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const fs::path& file : files) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '#') continue;
      size_t tab1 = line.find('\t');
      size_t tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
      if (tab2 == std::string::npos) continue;
      int id = std::atoi(line.substr(0, tab1).c_str());
      if (id <= 0 || texts.count(id)) continue;
      texts[id] = {WideFromNarrow(line.substr(tab1 + 1, tab2 - tab1 - 1), 65001),
                   WideFromNarrow(line.substr(tab2 + 1), 65001)};
    }
  }
  return texts;
}

// Writes "<folder>/TolvaneLan_<code>.txt" from the texts.
inline void WriteLanguageFile(const std::filesystem::path& folder, const std::string& code,
                              const LanguageTexts& texts) {
  std::u16string text = u"\r\n";
  for (const auto& [id, pair] : texts) {
    std::string number = std::to_string(id);
    text += u"<D> " + std::u16string(number.begin(), number.end()) + u"," + pair.first +
            u"[*==*]" + pair.second + u"</D>\r\n";
  }
  std::ofstream out(folder / ("TolvaneLan_" + code + ".txt"), std::ios::binary);
  out.write("\xFF\xFE", 2);
  for (char16_t unit : text) {
    char bytes[2] = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    out.write(bytes, 2);
  }
}

// Loads the repository's texts into the application's language table once
// per program (language "00": the Chinese texts); whether they loaded.
inline bool LoadRepositoryLanguageOnce(const std::string& tag) {
  static bool loaded = false;
  if (loaded) return true;
  const auto folder = std::filesystem::temp_directory_path() /
                      ("brantle-" + tag + "-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  WriteLanguageFile(folder, "00", RepositoryTexts());
  loaded = AppLanguage().Load(folder.string() + "/", "00");
  std::filesystem::remove_all(folder);
  return loaded;
}

}  // namespace testsupport
