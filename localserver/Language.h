#pragma once
// The language texts: kept as UTF-8 text files (one per area) in
// localserver/lang, one entry a line "id<TAB>Chinese<TAB>English", and
// served as the UTF-16 language file the client loads.

#include <cstdint>
#include <string>
#include <vector>

namespace localserver {

struct LanguageEntry {
  int id = 0;
  std::string first;   // Chinese
  std::string second;  // English
  std::string source;  // file:line
};

struct LanguageSet {
  std::vector<LanguageEntry> entries;  // ascending by id, each id once
  std::vector<std::string> problems;   // malformed lines, repeated ids
  int64_t newest = 0;                  // newest modification time of the files
};

// Reads every *.txt of the folder (in name order).  Empty lines and lines
// starting with '#' are skipped; the first entry of an id wins.
LanguageSet LoadLanguageFolder(const std::string& folder);

// The client's file: UTF-16LE with a byte-order mark; entries from byte 6,
// each "<D> id,first[*==*]second</D>" and a line break.
std::string BuildLanguageFile(const std::vector<LanguageEntry>& entries);

}  // namespace localserver
