#include "refdata/RecordPrompts.h"

#include <cstdio>

#include "common/FieldCheck.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "platform/MessageBox.h"
#include "server/ServerLink.h"

namespace {

constexpr size_t kNumberBytes = 30;
constexpr size_t kShortestPromptedNumber = 4;
constexpr size_t kTextUnits = 30;
constexpr size_t kMemoUnits = 255;
constexpr size_t kCodeUnits = 3;
constexpr size_t kShownRows = 2;
constexpr std::u16string_view kMemoRule = u"\r\n━━━━━━━━━━━━━━\r\n";
constexpr std::u16string_view kCodeRule = u"\r\n━━━━━━━━\r\n";

const char* Condition(int context) {
  switch (context) {
    case kPromptWeight: return " AND bweight=1";
    case kPromptInput: return " AND binput=1";
    case kPromptSend: return " AND bsend=1";
    default: return " AND bquery=1";
  }
}

// The mark, date and memo lines of one prompt.
void AppendPromptLines(std::u16string& message, const CLanguageTable& language, std::u16string_view mark,
                       std::u16string_view date, std::u16string_view memo) {
  if (!mark.empty()) {
    message += u"\r\n";
    message += language.Text(kTextPromptMark);
    message += mark;
  }
  message += u"\r\n";
  message += language.Text(kTextPromptDate);
  message += date;
  message += u"\r\n";
  message += language.Text(kTextPromptMemo);
  message += kMemoRule;
  message += memo;
  message += kMemoRule;
}

// Shows the prompts; false when the operator cancelled a confirmation.
bool ShowPromptBox(const RecordPromptServices& services, const std::u16string& message, bool confirm) {
  std::u16string title = services.language.Text(kTextPromptTitle);
  if (!confirm) {
    services.boxes.Show(message, title, platform::kMbOk | platform::kMbIconInformation);
    return true;
  }
  return services.boxes.Show(message, title, platform::kMbOkCancel | platform::kMbIconQuestion) !=
         platform::kIdCancel;
}

// The first three characters of a configured code, cut at a "-".
std::u16string ConfiguredCode(std::string_view text) {
  std::u16string code = WideFromGbk(text).substr(0, kCodeUnits);
  size_t dash = code.find(u'-');
  if (dash != std::u16string::npos) code.resize(dash);
  return code;
}

}  // namespace

std::string RecordNumberLiteral(std::u16string_view number) {
  return QuoteSqlNarrow(NarrowFieldFromWide(number, kNumberBytes, false));
}

std::string RecordPromptQuery(std::u16string_view number, int context, int32_t customerId) {
  std::string literal = RecordNumberLiteral(number);
  std::string sql = "SELECT cmark,cmemo,cinput,ddate FROM brantle.dbo.client_rec_prompt WHERE cnum='" +
                    literal + "'" + Condition(context);
  if (customerId > 0) {
    sql += "UNION SELECT cmark,cmemo,'\n',ddate FROM brantle.dbo.client_rec_promptc WHERE cnum='" + literal +
           "' AND icid=" + std::to_string(customerId) + Condition(context);
  }
  return sql;
}

int ShowRecordPrompts(const RecordPromptServices& services, bool allowed, std::u16string_view number,
                      int context, int32_t customerId, bool confirm) {
  if (!allowed || number.size() < kShortestPromptedNumber) return 0;
  const CLanguageTable& language = services.language;
  static const uint32_t kTypes[] = {AcsTypeEntry(kSqlCChar, 16), AcsTypeEntry(kSqlCChar, 256),
                                    AcsTypeEntry(kSqlCChar, 32), AcsTypeEntry(kSqlCTimestamp)};
  std::string reply;
  size_t rows = 0;
  std::u16string message;
  if (services.sql(RecordPromptQuery(number, context, customerId), kTypes, reply) > 9 &&
      JsonFindKey("List", reply) != kJsonNone) {
    ForEachReplyRow(reply, [&](std::string_view object) {
      if (rows >= kShownRows) return;
      ++rows;
      JsonRowIndex row(object);
      message += language.Text(kTextPromptHead);
      std::u16string input = row.GetWString("2", kTextUnits);
      message += input.find(u'\n') != std::u16string::npos ? language.Text(kTextPromptCustomer) : input;
      AppendPromptLines(message, language, row.GetWString("0", kTextUnits), row.GetWString("3", kTextUnits),
                        row.GetWString("1", kMemoUnits));
    });
  }
  if (rows > 0) return ShowPromptBox(services, message, confirm) ? static_cast<int>(rows) : -1;
  if (customerId > 0) return 0;

  // No prompt of the waybill itself: one a customer left for the number.
  static const uint32_t kCustomerTypes[] = {AcsTypeEntry(kSqlCChar, 16), AcsTypeEntry(kSqlCChar, 256),
                                            AcsTypeEntry(kSqlCTimestamp), AcsTypeEntry(kSqlCSLong)};
  reply.clear();
  std::string sql = "SELECT TOP 1 cmark,cmemo,ddate,icid FROM brantle.dbo.client_rec_promptc WHERE cnum='" +
                    RecordNumberLiteral(number) + "'" + Condition(context);
  if (services.sql(sql, kCustomerTypes, reply) <= 9) return 0;
  ForEachReplyRow(reply, [&](std::string_view object) {
    if (rows > 0) return;
    ++rows;
    JsonRowIndex row(object);
    message = language.Text(kTextPromptOtherCustomer);
    // The line under the date label shows the date.
    AppendPromptLines(message, language, row.GetWString("0", kTextUnits), row.GetWString("2", kTextUnits),
                      row.GetWString("1", kMemoUnits));
  });
  if (rows == 0) return 0;
  return ShowPromptBox(services, message, confirm) ? 1 : -2;
}

std::u16string MatchControlCode(const std::vector<std::u16string>& controlCodes, std::u16string_view code) {
  for (const std::u16string& entry : controlCodes) {
    if (entry.size() >= code.size() && std::u16string_view(entry).substr(0, code.size()) == code) return entry;
  }
  return std::u16string(code);
}

int CheckRecordCode(const RecordPromptServices& services, const RecordCodeRules& rules,
                    const std::function<void(int index)>& playSound, int32_t recordId,
                    std::u16string_view number, int numberField) {
  std::string_view refused = std::string_view(rules.refused).substr(0, rules.refused.find('\0'));
  std::string_view also = std::string_view(rules.alsoRefused).substr(0, rules.alsoRefused.find('\0'));
  if (refused.empty() && also.empty()) return 1;
  std::u16string first = ConfiguredCode(refused);

  std::string sql = "SELECT irid,ccode FROM brantle.dbo.client_rec WHERE ";
  if (recordId >= 1) {
    sql += "irid=" + std::to_string(recordId);
  } else {
    sql += numberField != 0 ? "cnum='" : "cserviceno='";
    sql += RecordNumberLiteral(number);
    sql += "'";
  }
  static const uint32_t kTypes[] = {AcsTypeEntry(kSqlCSLong), AcsTypeEntry(kSqlCChar, 32)};
  std::string reply;
  if (services.sql(sql, kTypes, reply) <= 9) return 1;
  std::u16string code;
  bool firstRow = true;
  ForEachReplyRow(reply, [&](std::string_view object) {
    if (!firstRow) return;
    firstRow = false;
    code = JsonRowIndex(object).GetWString("1", kCodeUnits);
  });
  if (code.empty()) return 1;
  bool match = code == first || (!also.empty() && code == WideFromGbk(also).substr(0, kCodeUnits));
  if (!match) return 1;

  if (playSound) playSound(1);
  std::u16string text = services.language.Text(kTextCodeRefused);
  text += kCodeRule;
  text += MatchControlCode(rules.controlCodes, code);
  services.boxes.Show(text, services.language.Text(kTextCodeRefused), platform::kMbOk | platform::kMbIconWarning);
  return 0;
}
