#pragma once
// The server requests the picture and attachment windows send through the
// program's link, each off the window's thread.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/QtWaitForWork.h"
#include "server/ProcedureCall.h"
#include "server/ServerLink.h"

namespace serverwork {

// A query's reply; empty when no reply came.
inline std::string Query(CServerLink& link, std::string_view sql, const std::vector<uint32_t>& types) {
  return platform::WaitForWork([&] {
    std::string reply;
    if (link.SqlQuery(sql, types, &reply, CServerLink::kReplyCapacity) <= 0) reply.clear();
    return reply;
  });
}

// A procedure call of the given result columns.
inline bool Call(CServerLink& link, std::string_view sql, const std::vector<uint32_t>& types,
                 serverlink::ProcedureResult& out) {
  return platform::WaitForWork([&] {
    return serverlink::CallProcedure(
        [&link](std::string_view text, std::span<const uint32_t> t, std::string& reply) {
          return link.SqlExecute(text, t, &reply, 65536);
        },
        sql, types, out);
  });
}

inline int Upload(CServerLink& link, int32_t length, std::string_view sql, std::string_view bytes) {
  return platform::WaitForWork([&] { return link.UploadData(length, sql, bytes); });
}

}  // namespace serverwork
