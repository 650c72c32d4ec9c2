#include "ui/RequestFailure.h"

#include <string>

#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "platform/MessageBox.h"
#include "server/ServerLink.h"
#include "server/ServerLinkSupport.h"

namespace {

constexpr int32_t kQueryFailedText = 630001;     // "%1" = the reason
constexpr int32_t kRequestTooLargeText = 630002;
constexpr int32_t kReplyTooLargeText = 630003;
constexpr int32_t kConnectionText = 630004;      // "%1" = the code
constexpr int32_t kNoAnswerText = 630005;
constexpr int32_t kServerErrorText = 20023;      // "%1" = the server's code

std::u16string Reason(int sent, std::string_view reply) {
  const CLanguageTable& language = AppLanguage();
  if (sent == kServerRequestTooLarge) return language.Text(kRequestTooLargeText);
  if (sent == kServerReplyTooLarge) return language.Text(kReplyTooLargeText);
  if (sent < 0) return language.TextWithNumber(kConnectionText, sent);
  if (sent == 0 || reply.empty()) return language.Text(kNoAnswerText);
  const int returnValue = JsonGetInt("ReturnValue", reply, 0);
  if (returnValue >= 0) return {};
  const std::string error = serverlink::ReplyString(reply, "cError", 1023, false);
  if (!error.empty()) return WideFromGbk(error);
  return language.TextWithNumber(kServerErrorText, returnValue);
}

}  // namespace

std::u16string RequestFailureText(int sent, std::string_view reply) {
  const std::u16string reason = Reason(sent, reply);
  if (reason.empty()) return {};
  return AppLanguage().TextWithString(kQueryFailedText, reason);
}

bool ShowRequestFailure(int sent, std::string_view reply) {
  const std::u16string text = RequestFailureText(sent, reply);
  if (text.empty()) return false;
  platform::ShowMessageBox(text, {}, platform::kMbOk | platform::kMbIconError);
  return true;
}
