#include "server/ProcedureCall.h"

#include "common/Json.h"

namespace serverlink {

bool ReadProcedureReply(std::string_view reply, size_t declared, ProcedureResult& out) {
  if (declared == 0 || JsonGetInt("ReturnValue", reply, 0) != static_cast<int32_t>(declared))
    return false;
  std::string_view list = JsonListBody(reply, "List");
  size_t pos = 0;
  std::string_view row;
  if (!JsonNextObject(list, pos, row)) return false;
  ProcedureResult read;
  read.code = JsonGetInt("0", row, kProcedureCodeMissing);
  for (size_t i = 1; i < declared; ++i)
    read.outputs.push_back(JsonGetString(std::to_string(i), row, 4096));
  out = std::move(read);
  return true;
}

bool CallProcedure(const ProcedureSender& send, std::string_view sql,
                   std::span<const uint32_t> types, ProcedureResult& out) {
  std::string reply;
  if (send(sql, types, reply) <= 0) return false;
  return ReadProcedureReply(reply, types.size(), out);
}

}  // namespace serverlink
