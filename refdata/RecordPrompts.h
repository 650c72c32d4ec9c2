#pragma once
// Two checks the bagging screen runs on a scanned waybill: the prompts
// stored for its number (client_rec_prompt, and client_rec_promptc for a
// customer), shown in a message box; and the refusal of a waybill whose
// control code is one of the two configured codes (numbered texts 90 and 89),
// with the failure sound.  Both query the server on every call and never
// stop the caller on a server failure.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "refdata/SqlRunner.h"

class CLanguageTable;
namespace platform {
class MessageBoxService;
}

// Language texts of the prompts and the code check.
inline constexpr int32_t kTextPromptTitle = 380000;
inline constexpr int32_t kTextPromptHead = 380001;
inline constexpr int32_t kTextPromptCustomer = 380002;
inline constexpr int32_t kTextPromptMark = 380003;
inline constexpr int32_t kTextPromptDate = 380004;
inline constexpr int32_t kTextPromptMemo = 380005;
inline constexpr int32_t kTextPromptOtherCustomer = 380006;
inline constexpr int32_t kTextCodeRefused = 380010;

// Where the prompts are asked for: 0 weighing, 1 input, 2 sending, other
// values query.
enum RecordPromptContext { kPromptWeight = 0, kPromptInput = 1, kPromptSend = 2, kPromptQuery = 3 };

// The waybill number as it goes into the SQL text: trimmed, narrow-field
// GBK of at most 30 bytes, quotes doubled.
std::string RecordNumberLiteral(std::u16string_view number);
// The first prompt query (with the customer prompts for a customer id above 0).
std::string RecordPromptQuery(std::u16string_view number, int context, int32_t customerId);

struct RecordPromptServices {
  const SqlRunner& sql;
  const CLanguageTable& language;
  platform::MessageBoxService& boxes;
};

// Shows the number's prompts: 0 when there are none (or the right is off, or
// the number has 3 characters or fewer); the count of prompts shown; -1 (or
// -2 for the prompts of another customer) when the operator pressed Cancel
// in the box asking for confirmation.
int ShowRecordPrompts(const RecordPromptServices& services, bool allowed, std::u16string_view number,
                      int context, int32_t customerId, bool confirm);

// The entry of the control-code list that begins with the code, else the
// code itself.
std::u16string MatchControlCode(const std::vector<std::u16string>& controlCodes, std::u16string_view code);

struct RecordCodeRules {
  std::string refused;        // numbered text 90 (GBK)
  std::string alsoRefused;    // numbered text 89 (GBK)
  const std::vector<std::u16string>& controlCodes;
};

// 0 when the waybill (by record id when above 0, else by number, or by
// service number when numberField is 0) carries a refused control code: the
// failure sound plays (index 1) and a box names the rule; 1 otherwise.
int CheckRecordCode(const RecordPromptServices& services, const RecordCodeRules& rules,
                    const std::function<void(int index)>& playSound, int32_t recordId,
                    std::u16string_view number, int numberField);
