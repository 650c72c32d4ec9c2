#pragma once
// Turns the Transact-SQL the client sends into SQLite SQL.  Only the
// constructs the client uses are understood; anything else is refused with a
// reason, never passed on to run with a different meaning.

#include <string>
#include <string_view>
#include <vector>

#include "localserver/Schema.h"

namespace localserver {

enum class StatementKind { Select, Insert, Update, Delete };

struct RewriteResult {
  bool ok = false;
  std::string sql;    // SQLite text when ok
  std::string error;  // the reason when not ok
  StatementKind kind = StatementKind::Select;
  int parameters = 0;  // '?' markers
};

// `types` tells text columns from numbers and dates (for "+" and for the
// client's date literals).
RewriteResult RewriteTsql(std::string_view sql, const ColumnTypeMap& types);

// The SQLite functions the rewritten text may call (lower case), LIKE's
// "like" among them.
const std::vector<std::string>& RewriterFunctions();

// "2024.03.05 0:0:0.0", "2024-3-5", "2024/03/05 10:00" ... as
// "YYYY-MM-DD HH:MM:SS" (with ".fff" when the fraction is not zero);
// false when the text is no date.
bool NormalizeDateLiteral(std::string_view text, std::string& out);

}  // namespace localserver
