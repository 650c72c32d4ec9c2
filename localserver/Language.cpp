#include "localserver/Language.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/CodePage.h"

namespace localserver {

LanguageSet LoadLanguageFolder(const std::string& folder) {
  namespace fs = std::filesystem;
  LanguageSet set;
  std::vector<fs::path> files;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec))
    if (e.is_regular_file() && e.path().extension() == ".txt") files.push_back(e.path());
  if (ec) {
    set.problems.push_back("cannot read " + folder + ": " + ec.message());
    return set;
  }
  std::sort(files.begin(), files.end());
  std::map<int, LanguageEntry> byId;
  for (const auto& path : files) {
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && st.st_mtime > set.newest) set.newest = st.st_mtime;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
      ++lineNo;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty() || line[0] == '#') continue;
      std::string where = path.filename().string() + ":" + std::to_string(lineNo);
      auto tab1 = line.find('\t');
      auto tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
      if (tab2 == std::string::npos || line.find('\t', tab2 + 1) != std::string::npos) {
        set.problems.push_back(where + ": expected id<TAB>Chinese<TAB>English");
        continue;
      }
      std::string idText = line.substr(0, tab1);
      LanguageEntry e;
      e.first = line.substr(tab1 + 1, tab2 - tab1 - 1);
      e.second = line.substr(tab2 + 1);
      e.source = where;
      char* end = nullptr;
      long id = strtol(idText.c_str(), &end, 10);
      if (idText.empty() || *end || id < 1 || id > 999999) {
        set.problems.push_back(where + ": bad id '" + idText + "'");
        continue;
      }
      e.id = static_cast<int>(id);
      std::u16string probe;
      bool bad = false;
      for (const auto* text : {&e.first, &e.second})
        if (text->find("[*==*]") != std::string::npos || text->find("</D>") != std::string::npos ||
            !platform::DecodeCodePage(platform::kCodePageUtf8, *text, probe, true))
          bad = true;
      if (bad) {
        set.problems.push_back(where + ": text is not UTF-8 or holds a file marker");
        continue;
      }
      auto [it, added] = byId.emplace(e.id, e);
      if (!added)
        set.problems.push_back(where + ": id " + idText + " already given at " + it->second.source);
    }
  }
  for (auto& [id, e] : byId) set.entries.push_back(std::move(e));
  return set;
}

std::string BuildLanguageFile(const std::vector<LanguageEntry>& entries) {
  std::u16string text = u"\r\n";  // bytes 2..5: entries start at byte 6
  for (const auto& e : entries) {
    std::u16string a, b;
    platform::DecodeCodePage(platform::kCodePageUtf8, e.first, a, false);
    platform::DecodeCodePage(platform::kCodePageUtf8, e.second, b, false);
    std::string id = std::to_string(e.id);
    text += u"<D> ";
    text += std::u16string(id.begin(), id.end());
    text += u",";
    text += a;
    text += u"[*==*]";
    text += b;
    text += u"</D>\r\n";
  }
  std::string out = "\xFF\xFE";
  for (char16_t u : text) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  }
  return out;
}

}  // namespace localserver
