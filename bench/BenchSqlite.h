#pragma once
// What a benchmark's reference needs to run statements straight on the
// stand-in's SQLite file: the server's text collation "TSQL" that its text
// columns are declared with (ASCII letters without case, trailing blanks
// ignored, every other byte as it is), so that comparisons of text columns
// prepare and compare as they do in the stand-in.

#include <sqlite3.h>

namespace benchsupport {

inline int CompareTsqlText(void*, int n1, const void* p1, int n2, const void* p2) {
  const auto* a = static_cast<const unsigned char*>(p1);
  const auto* b = static_cast<const unsigned char*>(p2);
  while (n1 > 0 && a[n1 - 1] == ' ') --n1;
  while (n2 > 0 && b[n2 - 1] == ' ') --n2;
  auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
  const int n = n1 < n2 ? n1 : n2;
  for (int k = 0; k < n; ++k) {
    const int x = fold(a[k]), y = fold(b[k]);
    if (x != y) return x < y ? -1 : 1;
  }
  return n1 == n2 ? 0 : (n1 < n2 ? -1 : 1);
}

// Registers "TSQL" on a connection of the benchmark's own.
inline bool RegisterTsqlCollation(sqlite3* db) {
  return sqlite3_create_collation(db, "TSQL", SQLITE_UTF8, nullptr, CompareTsqlText) == SQLITE_OK;
}

}  // namespace benchsupport
