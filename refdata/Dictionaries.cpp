#include "refdata/Dictionaries.h"

#include <cstdlib>

#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "refdata/CurrencyTable.h"
#include "server/ServerLink.h"

namespace {

constexpr int64_t kLongestEditPeriodDays = 36500;
constexpr std::string_view kMoneyPrefix = "d_money_";
constexpr int32_t kFirstCurrencyNameId = 20200;
constexpr int32_t kLastCurrencyNameId = 20400;
constexpr size_t kShortTextUnits = 30;

uint32_t Char(unsigned width) { return AcsTypeEntry(kSqlCChar, width); }

// Cuts at the first NUL, then to n bytes without splitting a character.
std::string Cut(std::string_view text, size_t n) {
  text = text.substr(0, text.find('\0'));
  std::string out(text);
  GbkTruncate(out, n);
  return out;
}

// The number n of a numbered text's name (decimal digits only), or 0.
int TextNumber(std::string_view name) {
  if (name.empty() || name.size() > 3) return 0;
  int n = 0;
  for (char c : name) {
    if (c < '0' || c > '9') return 0;
    n = n * 10 + (c - '0');
  }
  return n <= ReferenceDictionaries::kTextCount ? n : 0;
}

// A list of single values ("SELECT dcvalue ... ORDER BY diposition").
void LoadValueList(const SqlRunner& sql, std::string_view name, std::vector<std::u16string>& list) {
  static const uint32_t kTypes[] = {Char(128)};
  std::string reply;
  std::string text = "SELECT dcvalue FROM brantle.dbo.sys_dict WHERE dcname='";
  text += name;
  text += "' ORDER BY diposition";
  if (sql(text, kTypes, reply) <= 0) return;
  ForEachReplyRow(reply, [&](std::string_view object) {
    JsonRowIndex row(object);
    std::u16string value = row.GetWString("0", kShortTextUnits);
    if (!value.empty()) list.push_back(std::move(value));
  });
}

}  // namespace

// ---- the link as a runner ----

SqlRunner LinkSqlRunner(CServerLink& link) {
  return [&link](std::string_view sql, std::span<const uint32_t> types, std::string& reply) {
    return link.SqlQuery(sql, types, &reply);
  };
}

void ForEachReplyRow(std::string_view reply, const std::function<void(std::string_view)>& row) {
  std::string_view list = JsonListBody(reply, "List");
  size_t pos = 0;
  std::string_view object;
  while (JsonNextObject(list, pos, object)) row(object);
}

// ---- the dictionaries ----

const std::string& ReferenceDictionaries::Text(int n) const {
  static const std::string kEmpty;
  return n >= 1 && n <= kTextCount ? texts[static_cast<size_t>(n)] : kEmpty;
}

bool ReferenceDictionaries::IsOn(int n) const {
  const std::string& text = Text(n);
  return !text.empty() && text[0] == '1';
}

const SupplierEntry* ReferenceDictionaries::FindSupplier(int32_t isid) const {
  for (const SupplierEntry& entry : suppliers)
    if (entry.isid == isid) return &entry;
  return nullptr;
}

int32_t DefaultSendRecWidth(int column) {
  static constexpr int32_t kWidths[ReferenceDictionaries::kSendRecColumns] = {
      80, 140, 140, 40, 40, 70, 150, 100, 100, 40, 110, 110, 60, 70, 60, 80, 70, 70, 70, 70, 70, 150};
  return column >= 0 && column < ReferenceDictionaries::kSendRecColumns ? kWidths[column] : 0;
}

void ResetSendRecColumns(std::array<ListColumnSetting, ReferenceDictionaries::kSendRecColumns>& columns) {
  for (size_t i = 0; i < columns.size(); ++i) columns[i] = {0, DefaultSendRecWidth(static_cast<int>(i))};
}

void ApplySendRecColumns(std::array<ListColumnSetting, ReferenceDictionaries::kSendRecColumns>& columns,
                         std::string_view value) {
  value = value.substr(0, value.find('\0'));
  if (value.empty()) {
    for (int column = 2; column <= 10; ++column) columns[static_cast<size_t>(column)].shown = 1;
    return;
  }
  size_t start = 0;
  for (size_t comma = value.find(','); comma != std::string_view::npos;
       start = comma + 1, comma = value.find(',', start)) {
    std::string item(value.substr(start, comma - start));
    int column = std::atoi(item.c_str());
    // A negative number, like one above 21, ends the list.
    if (column < 0 || column >= ReferenceDictionaries::kSendRecColumns) return;
    ListColumnSetting& setting = columns[static_cast<size_t>(column)];
    setting.shown = 1;
    size_t bar = item.find('|');
    if (bar != std::string::npos) setting.width = std::atoi(item.c_str() + bar + 1);
  }
}

std::optional<std::chrono::seconds> EditPeriodFromText(std::string_view text) {
  std::string digits(text.substr(0, text.find('\0')));
  long long days = std::atoll(digits.c_str());
  if (days < 1) return std::nullopt;
  if (days > kLongestEditPeriodDays) days = kLongestEditPeriodDays;
  return std::chrono::hours(24 * days);
}

bool ApplyMoneyRow(CCurrencyTable& currencies, std::string_view name, std::string_view value) {
  if (name.substr(0, kMoneyPrefix.size()) != kMoneyPrefix) return false;
  CurrencyEntry* entry = currencies.Find(name.substr(kMoneyPrefix.size()));
  if (entry == nullptr) return false;
  std::string text(value.substr(0, value.find('\0')));
  entry->defaultRate = std::atof(text.c_str());
  size_t feed = text.find('\n');
  if (feed != std::string::npos) entry->rate = std::atof(text.c_str() + feed + 1);
  return true;
}

void ApplyCurrencyNames(CCurrencyTable& currencies, const CLanguageTable& language) {
  for (int32_t id = kFirstCurrencyNameId; id <= kLastCurrencyNameId; ++id) {
    std::optional<std::u16string_view> first = language.FirstText(id);
    if (!first) return;
    std::u16string shown = language.Text(id);
    if (shown.size() > kShortTextUnits) continue;
    std::string nameGbk = GbkFromWide(*first);
    for (size_t i = 0; i < currencies.Count(); ++i) {
      const CurrencyEntry& entry = currencies.At(i);
      if (entry.nameGbk != nameGbk) continue;
      if (CurrencyEntry* target = currencies.Find(entry.isoCode)) target->name = shown;
      break;
    }
  }
}

std::vector<std::u16string> CurrencyChoiceList(const CCurrencyTable& currencies) {
  std::vector<std::u16string> items;
  items.reserve(currencies.Count());
  for (size_t i = 0; i < currencies.Count(); ++i) {
    const CurrencyEntry& entry = currencies.At(i);
    items.push_back(WideFromGbk(entry.isoCode) + u" - " + entry.name);
  }
  return items;
}

bool LoadDictionaries(const SqlRunner& sql, ReferenceDictionaries& d, DictionaryLoadTargets targets) {
  for (std::string& text : d.texts) text.clear();
  d.suppliers.clear();
  d.supplierNames.clear();
  d.supplierIds.clear();
  d.carrierNames.clear();
  d.carrierIds.clear();
  d.accounts.clear();
  d.controlCodes.clear();
  d.currencyChoices.clear();

  // 1. The numbered settings texts.
  static const uint32_t kPairTypes[] = {Char(32), Char(128)};
  std::string reply;
  int length = sql(
      "SELECT dcname,dcvalue FROM brantle.dbo.sys_dict WHERE diposition=0 AND LEN(dcname)<=3 "
      "ORDER BY dcname",
      kPairTypes, reply);
  if (length < 10 || JsonFindKey("List", reply) == kJsonNone) return false;
  ForEachReplyRow(reply, [&](std::string_view object) {
    JsonRowIndex row(object);
    int n = TextNumber(row.GetString("0", 15));
    if (n == 0) return;
    d.texts[static_cast<size_t>(n)] = Cut(row.GetString("1", ReferenceDictionaries::kTextBytes),
                                          ReferenceDictionaries::kTextBytes);
    if (n == 5) {
      if (auto period = EditPeriodFromText(d.texts[5])) targets.editPeriod = *period;
    }
  });

  // 2. The default currency.
  if (targets.defaultCurrency.empty()) targets.defaultCurrency = u"CNY";

  // 3. The sender/receiver list columns.
  ResetSendRecColumns(d.sendRecColumns);
  static const uint32_t kValueTypes[] = {Char(128)};
  std::string sendRec;
  reply.clear();
  if (sql("SELECT dcvalue FROM brantle.dbo.sys_dict WHERE dcname='d_sendrec'", kValueTypes, reply) > 10) {
    std::string_view list = JsonListBody(reply, "List");
    size_t pos = 0;
    std::string_view object;
    if (JsonNextObject(list, pos, object))
      sendRec = JsonRowIndex(object).GetString("0", ReferenceDictionaries::kTextBytes);
  }
  ApplySendRecColumns(d.sendRecColumns, sendRec);

  // 4. The suppliers in use.
  static const uint32_t kSupplierTypes[] = {AcsTypeEntry(kSqlCSLong),    Char(64),
                                            AcsTypeEntry(kSqlCUTinyInt), Char(32),
                                            Char(32),                    AcsTypeEntry(kSqlCSShort),
                                            Char(32),                    AcsTypeEntry(kSqlCUTinyInt)};
  reply.clear();
  if (sql("SELECT isid,cname,nstate,cbank,cbac,nbatch,caccount,ntype FROM brantle.dbo.sp_arc  "
          "WHERE nstate=0 ORDER BY cname",
          kSupplierTypes, reply) > 10) {
    ForEachReplyRow(reply, [&](std::string_view object) {
      JsonRowIndex row(object);
      SupplierEntry entry;
      entry.isid = row.GetInt("0", 0);
      if (entry.isid < 1) return;
      entry.cname = row.GetString("1", 63);
      entry.cbank = row.GetString("3", 30);
      entry.cbac = row.GetString("4", 30);
      entry.nbatch = row.GetInt("5", 0);
      entry.caccount = row.GetString("6", 30);
      entry.ntype = row.GetInt("7", 0);
      entry.name = WideFromGbk(entry.cname);
      d.supplierNames.push_back(entry.name);
      d.supplierIds.push_back(entry.isid);
      if (entry.ntype > 0) {
        d.carrierNames.push_back(entry.name);
        d.carrierIds.push_back(entry.isid);
      }
      d.suppliers.push_back(std::move(entry));
    });
  }

  // 5. The account and control-code lists.
  LoadValueList(sql, "d_account", d.accounts);
  LoadValueList(sql, "d_ctrlcode", d.controlCodes);

  // 6. Currency rates.
  reply.clear();
  if (sql("SELECT dcname,dcvalue FROM brantle.dbo.sys_dict WHERE dcname LIKE 'd_money_%'", kPairTypes,
          reply) > 0) {
    ForEachReplyRow(reply, [&](std::string_view object) {
      JsonRowIndex row(object);
      std::string name = row.GetString("0", 30);
      if (name.empty()) return;
      ApplyMoneyRow(targets.currencies, name, row.GetString("1", ReferenceDictionaries::kTextBytes));
    });
  }

  // 7. and 8. Currency names and the choice list.
  ApplyCurrencyNames(targets.currencies, targets.language);
  d.currencyChoices = CurrencyChoiceList(targets.currencies);
  return true;
}
