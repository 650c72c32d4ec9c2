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
#include "tests/LanguageFiles.h"

namespace shelltest {

namespace fs = std::filesystem;

// id -> (Chinese, English) from localserver/lang/*.txt.
inline testsupport::LanguageTexts ProgramTexts() { return testsupport::RepositoryTexts(); }

using testsupport::WriteLanguageFile;

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
