#pragma once
// Helpers of the shell tests: the program's language texts (the stand-in
// server's text files) written as a language file and loaded into the
// application's table, and a temporary folder.

#include <QString>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <unistd.h>

#include "common/LanguageTable.h"

namespace shelltest {

namespace fs = std::filesystem;

// id -> (Chinese, English) from localserver/lang/*.txt.
inline std::map<int, std::pair<std::u16string, std::u16string>> ProgramTexts() {
  std::map<int, std::pair<std::u16string, std::u16string>> texts;
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
      texts[id] = {QString::fromUtf8(line.substr(tab1 + 1, tab2 - tab1 - 1)).toStdU16String(),
                   QString::fromUtf8(line.substr(tab2 + 1)).toStdU16String()};
    }
  }
  return texts;
}

// Writes "<folder>TolvaneLan_<code>.txt" from the texts.
inline void WriteLanguageFile(const fs::path& folder, const std::string& code,
                              const std::map<int, std::pair<std::u16string, std::u16string>>& texts) {
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

// A temporary folder removed with the object.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "brantle-shell-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& Path() const { return path_; }
  // The folder with its trailing separator, as the program folder is given.
  std::string Folder() const { return path_.string() + "/"; }

 private:
  fs::path path_;
};

// Loads the program's texts (with changes) into AppLanguage(): code "00"
// shows the Chinese texts, "01" the English ones.
inline void LoadProgramLanguage(
    const std::string& code,
    const std::map<int, std::optional<std::u16string>>& changes = {}) {
  auto texts = ProgramTexts();
  for (const auto& [id, text] : changes) {
    if (text)
      texts[id] = {*text, *text};
    else
      texts.erase(id);
  }
  TempFolder folder;
  WriteLanguageFile(folder.Path(), code, texts);
  AppLanguage().Load(folder.Folder(), code);
}

}  // namespace shelltest
