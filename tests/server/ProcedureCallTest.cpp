// The one reader of stored-procedure replies: which replies count, the code
// and the outputs read from the first row.

#include "server/ProcedureCall.h"

#include <gtest/gtest.h>

namespace {

struct ReplyCase {
  const char* reply;
  size_t declared;
  bool counts;
  int32_t code;
  std::vector<std::string> outputs;
};

TEST(ProcedureCall, RepliesThatCountAndTheirColumns) {
  const ReplyCase cases[] = {
      {R"({"ReturnValue":1,"List":[{"0":42}]})", 1, true, 42, {}},
      {R"({"ReturnValue":1,"List":[{"0":-3}]})", 1, true, -3, {}},
      {R"({"ReturnValue":3,"List":[{"0":7,"1":"AB-12","2":"5"}]})", 3, true, 7, {"AB-12", "5"}},
      // Only the first row is read.
      {R"({"ReturnValue":2,"List":[{"0":1,"1":"x"},{"0":2,"1":"y"}]})", 2, true, 1, {"x"}},
      // A row without column "0".
      {R"({"ReturnValue":1,"List":[{"1":5}]})", 1, true, serverlink::kProcedureCodeMissing, {}},
      // A declared output the row lacks reads empty.
      {R"({"ReturnValue":2,"List":[{"0":9}]})", 2, true, 9, {""}},
      // ReturnValue not the declared count, no row, no list, nothing declared.
      {R"({"ReturnValue":1,"List":[{"0":1,"1":"x"}]})", 2, false, 0, {}},
      {R"({"ReturnValue":2,"List":[{"0":1}]})", 1, false, 0, {}},
      {R"({"ReturnValue":1,"List":[]})", 1, false, 0, {}},
      {R"({"ReturnValue":1})", 1, false, 0, {}},
      {R"({"ReturnValue":-402})", 1, false, 0, {}},
      {R"({"ReturnValue":0,"List":[{"0":1}]})", 0, false, 0, {}},
      {"", 1, false, 0, {}},
  };
  for (const ReplyCase& c : cases) {
    SCOPED_TRACE(c.reply);
    serverlink::ProcedureResult out;
    out.code = 1234;
    EXPECT_EQ(serverlink::ReadProcedureReply(c.reply, c.declared, out), c.counts);
    if (c.counts) {
      EXPECT_EQ(out.code, c.code);
      EXPECT_EQ(out.outputs, c.outputs);
    } else {
      EXPECT_EQ(out.code, 1234);
      EXPECT_TRUE(out.outputs.empty());
    }
  }
}

TEST(ProcedureCall, ATransferFailureDoesNotCount) {
  const uint32_t types[] = {1};
  int calls = 0;
  serverlink::ProcedureSender failing = [&](std::string_view, std::span<const uint32_t>,
                                             std::string& reply) {
    ++calls;
    reply = R"({"ReturnValue":1,"List":[{"0":5}]})";
    return -1;
  };
  serverlink::ProcedureResult out;
  EXPECT_FALSE(serverlink::CallProcedure(failing, "{CALL p(?)}", types, out));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(out.code, 0);

  std::string sent;
  size_t sentTypes = 0;
  serverlink::ProcedureSender good = [&](std::string_view sql, std::span<const uint32_t> t,
                                          std::string& reply) {
    sent = std::string(sql);
    sentTypes = t.size();
    reply = R"({"ReturnValue":1,"List":[{"0":5}]})";
    return static_cast<int>(reply.size());
  };
  EXPECT_TRUE(serverlink::CallProcedure(good, "{CALL p(?)}", types, out));
  EXPECT_EQ(sent, "{CALL p(?)}");
  EXPECT_EQ(sentTypes, 1u);
  EXPECT_EQ(out.code, 5);
}

}  // namespace
