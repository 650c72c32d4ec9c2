#pragma once
// Stored-procedure calls.  Every write of the bag, master air waybill and
// waybill forms is one procedure sent with "sSqlExe"; its reply counts
// only when "ReturnValue" equals the number of declared result columns and
// a "List" row came.  Column "0" of that row is the new or affected id (0
// or above) or a negative code the calling screen turns into its message;
// the procedure's "?" outputs come back as columns "1" onward.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace serverlink {

// The code of a row that carries no column "0".
inline constexpr int32_t kProcedureCodeMissing = -9;

struct ProcedureResult {
  int32_t code = 0;                  // column "0"
  std::vector<std::string> outputs;  // columns "1" onward, as sent (GBK)
};

// Reads the reply of a procedure declared with `declared` result columns
// (the code and declared - 1 outputs).  False when the reply does not
// count; `out` is then left as it was.
bool ReadProcedureReply(std::string_view reply, size_t declared, ProcedureResult& out);

// Sends a procedure call: the transfer result (above 0 when a reply came),
// the reply body in `reply`.  The link's own sender goes through the
// waiting helper.
using ProcedureSender =
    std::function<int(std::string_view sql, std::span<const uint32_t> types, std::string& reply)>;

// Sends `sql` with the declared result columns `types` and reads the reply.
// False when nothing usable came back (the caller shows the link's error).
bool CallProcedure(const ProcedureSender& send, std::string_view sql,
                   std::span<const uint32_t> types, ProcedureResult& out);

}  // namespace serverlink
