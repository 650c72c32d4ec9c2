#pragma once
// The program's language texts as the stand-in serves them (the files of
// localserver/lang), loaded into a language table of the test's own, with
// ids left out where a case wants a missing text.

#include <filesystem>
#include <set>
#include <string>
#include <unistd.h>

#include "common/LanguageTable.h"
#include "tests/LanguageFiles.h"

namespace refdatatest {

// Loads the repository's texts into `table` in the language code ("00"
// Chinese, "01" English), without the ids of `leaveOut`.  False when the
// table did not load.
inline bool LoadRepositoryLanguage(CLanguageTable& table, const std::string& code,
                                   const std::set<int>& leaveOut = {}) {
  namespace fs = std::filesystem;
  testsupport::LanguageTexts texts = testsupport::RepositoryTexts();
  for (int id : leaveOut) texts.erase(id);
  fs::path folder = fs::temp_directory_path() /
                    ("brantle-reflang-" + std::to_string(::getpid()) + "-" + code);
  fs::create_directories(folder);
  testsupport::WriteLanguageFile(folder, code, texts);
  bool loaded = table.Load(folder.string() + "/", code);
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  return loaded;
}

}  // namespace refdatatest
