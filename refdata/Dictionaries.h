#pragma once
// The business dictionaries start-up loads once after the login: the
// numbered settings texts, the layout of the sender/receiver list, the
// suppliers (next carriers), the account and control-code lists and the
// currency rates and names.  All of them come from the server dictionary
// (sys_dict) and the supplier table (sp_arc) and stay unchanged for the run.

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "refdata/SqlRunner.h"

class CCurrencyTable;
class CLanguageTable;

// One supplier in use (an sp_arc row with nstate 0).  Texts are GBK.
struct SupplierEntry {
  int32_t isid = 0;
  int32_t nbatch = 0;
  int32_t ntype = 0;
  std::string cname;     // at most 63 bytes
  std::string cbank;     // at most 30 bytes
  std::string cbac;      // at most 30 bytes
  std::string caccount;  // at most 30 bytes
  std::u16string name;   // cname as UTF-16
};

// A column of the sender/receiver list.
struct ListColumnSetting {
  int32_t shown = 0;
  int32_t width = 0;
};

struct ReferenceDictionaries {
  static constexpr int kTextCount = 139;
  static constexpr size_t kTextBytes = 127;
  static constexpr int kSendRecColumns = 22;

  // Numbered settings texts 1..139 (GBK); index 0 is not used.
  std::array<std::string, kTextCount + 1> texts;
  std::array<ListColumnSetting, kSendRecColumns> sendRecColumns{};
  std::vector<SupplierEntry> suppliers;  // load order
  // Choice-box lists: name and id of every supplier, and of those whose
  // type is above 0.
  std::vector<std::u16string> supplierNames;
  std::vector<int32_t> supplierIds;
  std::vector<std::u16string> carrierNames;
  std::vector<int32_t> carrierIds;
  std::vector<std::u16string> accounts;
  std::vector<std::u16string> controlCodes;
  // "USD - 美元" ..., in currency table order.
  std::vector<std::u16string> currencyChoices;

  // Text n (empty for a number outside 1..139).
  const std::string& Text(int n) const;
  // Whether text n begins with '1'.
  bool IsOn(int n) const;
  const SupplierEntry* FindSupplier(int32_t isid) const;
};

// The default width of each sender/receiver list column.
int32_t DefaultSendRecWidth(int column);
// All columns hidden, at their default widths.
void ResetSendRecColumns(std::array<ListColumnSetting, ReferenceDictionaries::kSendRecColumns>& columns);
// Applies a "d_sendrec" value: empty shows columns 2 to 10; otherwise items
// "n" or "n|width", each followed by a comma, show their column (with the
// width when given).  Text after the last comma is not read; a column
// number outside 0..21 ends the list.
void ApplySendRecColumns(std::array<ListColumnSetting, ReferenceDictionaries::kSendRecColumns>& columns,
                         std::string_view value);

// The edit period a numbered text 5 asks for: its number of days (at most
// 36500) when it is at least 1, none otherwise.
std::optional<std::chrono::seconds> EditPeriodFromText(std::string_view text);

// Applies a "d_money_XXX" row to the currency table: the first line is the
// rate used when the default is asked for, the number after the first line
// feed (when there is one) the current rate.  False when no currency has
// the code.
bool ApplyMoneyRow(CCurrencyTable& currencies, std::string_view name, std::string_view value);
// Language texts 20200 and on (to the first missing id, at most 20400) rename
// the currency whose Chinese name is the id's first text.
void ApplyCurrencyNames(CCurrencyTable& currencies, const CLanguageTable& language);
std::vector<std::u16string> CurrencyChoiceList(const CCurrencyTable& currencies);

// What the load changes besides the dictionaries.
struct DictionaryLoadTargets {
  CCurrencyTable& currencies;
  const CLanguageTable& language;
  std::u16string& defaultCurrency;
  std::chrono::seconds& editPeriod;
};

// The whole load, in order; false (and nothing of it loaded) when the first
// query fails.  Later failed queries leave only their own lists empty.
bool LoadDictionaries(const SqlRunner& sql, ReferenceDictionaries& dictionaries,
                      DictionaryLoadTargets targets);
