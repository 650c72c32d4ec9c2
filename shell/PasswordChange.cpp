#include "shell/PasswordChange.h"

#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/PasswordScramble.h"
#include "common/TextCodec.h"
#include "platform/MessageBox.h"
#include "platform/QtWaitForWork.h"
#include "server/ServerLink.h"

namespace {

bool IsPasswordBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

void AppendLine(std::u16string& message, const CLanguageTable& language, int id) {
  message += language.Text(id);
  message += u"\r\n";
}

void AppendQuoted(std::string& sql, std::string_view text) {
  for (char c : text) {
    sql += c;
    if (c == '\'') sql += c;
  }
}

}  // namespace

std::u16string TrimPassword(std::u16string_view password) {
  size_t begin = 0, end = password.size();
  while (begin < end && IsPasswordBlank(password[begin])) ++begin;
  while (end > begin && IsPasswordBlank(password[end - 1])) --end;
  return std::u16string(password.substr(begin, end - begin));
}

std::string PasswordGbk(std::u16string_view password, bool& ok) {
  std::string gbk = GbkFromWide(password);
  ok = WideFromGbk(gbk) == password;
  if (!ok) gbk.clear();
  return gbk;
}

std::u16string CheckNewPassword(std::u16string_view newPassword, std::u16string_view repeated,
                                bool strongRequired, const CLanguageTable& language) {
  std::u16string message;
  if (newPassword != repeated) AppendLine(message, language, kTextPasswordMismatch);
  std::u16string trimmed = TrimPassword(newPassword);
  bool encodable = false;
  std::string gbk = PasswordGbk(trimmed, encodable);
  if (!encodable) {
    AppendLine(message, language, kTextPasswordNoGbk);
    return message;
  }
  if (strongRequired) {
    if (!IsStrongPassword(gbk)) AppendLine(message, language, kTextPasswordWeak);
    if (gbk.size() > kMaxPasswordBytes) AppendLine(message, language, kTextPasswordLength);
  } else if (trimmed.size() < 4 || gbk.size() > kMaxPasswordBytes) {
    AppendLine(message, language, kTextPasswordLength);
  }
  return message;
}

std::string BuildPasswordChangeSql(std::string_view accountGbk, std::string_view charForm,
                                   std::string_view hexForm) {
  std::string sql = "{?=CALL brantle.dbo.cp_man_main_mod_password('";
  AppendQuoted(sql, accountGbk);
  sql += "','";
  AppendQuoted(sql, charForm);
  sql += "','',0x";
  sql += hexForm;
  sql += ")}";
  return sql;
}

bool ChangePasswordOnServer(CServerLink& link, std::u16string_view newPassword) {
  const CLanguageTable& language = AppLanguage();
  std::u16string trimmed = TrimPassword(newPassword);
  bool encodable = false;
  std::string gbk = PasswordGbk(trimmed, encodable);
  if (!encodable) {
    platform::ShowMessageBox(language.Text(kTextPasswordNoGbk), {}, platform::kMbOk);
    return false;
  }
  if (gbk.empty() || gbk.size() > kMaxPasswordBytes) {
    platform::ShowMessageBox(language.Text(kTextPasswordLength), {}, platform::kMbOk);
    return false;
  }

  std::string charForm = gbk;
  ScramblePasswordChars(charForm);
  std::string hexForm = ScramblePasswordHex(gbk, kPasswordChangeXor);

  // The request may take long (connection and reply time-outs): the window
  // keeps painting meanwhile.
  struct Outcome {
    bool changed = false;
    std::u16string message;
  };
  Outcome outcome = platform::WaitForWork([&] {
    Outcome o;
    // Hold the shared reply from the request until its answer has been read.
    auto guard = link.LockReply();
    std::string sql = BuildPasswordChangeSql(link.Session().accountGbk, charForm, hexForm);
    const uint32_t types[] = {AcsTypeEntry(kSqlCSLong)};
    int result = link.SqlExecute(sql, types);
    std::string_view reply = guard.Text();
    if (result > 0 && link.lastReturnValue == 1 &&
        reply.find("\"List\":") != std::string_view::npos) {
      int answer = -9;
      std::string_view list = JsonListBody(reply, "List");
      size_t pos = 0;
      std::string_view row;
      if (JsonNextObject(list, pos, row)) answer = JsonGetInt("0", row, -9);
      if (answer >= 0) {
        o.changed = true;
        o.message = language.Text(kTextPasswordChanged);
      } else if (answer == -2) {
        o.message = language.Text(kTextPasswordRefused);
      } else {
        o.message = language.TextWithNumber(20023, answer);
      }
    } else {
      o.message = link.LastErrorText();
    }
    return o;
  });
  bool changed = outcome.changed;
  const std::u16string& message = outcome.message;
  if (changed) link.SetStoredPassword(trimmed);
  platform::ShowMessageBox(message, {}, platform::kMbOk);
  return changed;
}
