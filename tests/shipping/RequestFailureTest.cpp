// What the pages tell the operator about a request that failed: the reason,
// never "nothing found"; an answer without rows is no failure.

#include <gtest/gtest.h>

#include <string>

#include "common/LanguageTable.h"
#include "server/ServerLink.h"
#include "tests/refdata/RepositoryLanguage.h"
#include "ui/RequestFailure.h"

namespace {

TEST(RequestFailure, EveryFailureNamesItsReasonAndAnAnswerIsNone) {
  ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "01"));
  const struct {
    int sent;
    const char* reply;
    const char16_t* text;
  } cases[] = {
      {kServerRequestTooLarge, "", u"The query failed: the request is too large and was not sent"},
      {kServerReplyTooLarge, "", u"The query failed: the reply is over the room for it"},
      {-1001, "", u"The query failed: connection error -1001"},
      {0, "", u"The query failed: no answer from the server"},
      {40, R"({"ReturnValue":-5,"cError":"no such column: x"})",
       u"The query failed: no such column: x"},
      {20, R"({"ReturnValue":-402})", u"The query failed: Server error: -402"},
      {30, R"({"ReturnValue":1,"iTotal":0})", u""},
      {50, R"({"ReturnValue":14,"iTotal":1,"List":[{"0":1}]})", u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.sent) + " " + c.reply);
    EXPECT_EQ(std::u16string(c.text), RequestFailureText(c.sent, c.reply));
  }
}

}  // namespace
