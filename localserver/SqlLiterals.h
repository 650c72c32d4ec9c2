#pragma once
// The value literals of a client's statement (after rewriting) taken out as
// numbered parameters, so that statements the clients send again and again
// with other values (a waybill's fields, a number looked up) share one
// prepared statement, as a database server's simple parameterisation does.
//
// Only literals that stand as values are taken out: after a comparison or
// assignment ("=", "<>", "!=", "<", ">", "<=", ">=", LIKE) and as the items
// of a VALUES list.  Strings become text, whole numbers (64-bit) integers,
// decimal numbers of at most 15 digits reals.  A text with comments, named
// or numbered parameters, or anything the scan does not know is left whole.

#include <string>
#include <string_view>
#include <vector>

#include "localserver/Database.h"

namespace localserver {

struct LiteralSplit {
  std::string sql;              // the text with ?1, ?2 ... in place of the literals
  std::vector<DbValue> values;  // the literals' values, in order; empty: nothing taken out
};

LiteralSplit SplitLiterals(std::string_view sql);

}  // namespace localserver
