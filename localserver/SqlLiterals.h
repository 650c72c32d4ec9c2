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

// In a split text, each condition "<name>.cnum = ?N" or "... cserviceno =
// ?N" on a text value, standing alone between WHERE / ON / HAVING / AND /
// OR / NOT / "(" and AND / OR / ")" / ORDER / GROUP / LIMIT / UNION / the
// end, becomes "(lower(rtrim(<name>))=lower(rtrim(?N)) AND <name>=?N)", so
// that it goes through the number's key index (ASCII case and trailing
// blanks ignored as the TSQL comparison does; the condition added holds
// whenever the comparison does, so the rows are the same).  A text with
// BETWEEN is left as it is.
std::string KeyNumberLookups(std::string_view splitSql, const std::vector<DbValue>& values);

}  // namespace localserver
