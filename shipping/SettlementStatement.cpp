#include "shipping/SettlementStatement.h"

#include <cstdio>
#include <cstdlib>

#include "common/FieldCheck.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "server/ServerLink.h"

namespace settlement {

namespace {

std::u16string Ascii(std::string_view text) { return std::u16string(text.begin(), text.end()); }

std::u16string Printf(const char* format, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return Ascii(buffer);
}

std::u16string Int(int64_t value) { return Ascii(std::to_string(value)); }

// How a number column shows its value.
enum Format { kNone, kItemTypeText, kPayWayText, kPickupWayText, kDate10, kWeight3, kMoney2,
              kHundredths, kMillionths, kCount, kPlainInt, kRate4 };

Format FormatOf(int32_t number) {
  switch (number) {
    case 10: return kItemTypeText;
    case 46: return kPayWayText;
    case 68: return kPickupWayText;
    case 18: case 45: return kDate10;
    case 11: case 44: case 100: return kWeight3;
    case 12: case 23: case 53: case 54: case 55: case 58: case 59: case 60: case 61:
    case 64: case 65: case 66: case 67: case 72: case 95: case 151: case 152: case 153:
    case 154: case 155: case 185: case 186: case 187:
      return kMoney2;
    // Prices kept in hundredths (as the save sends them).
    case 96: case 97: case 108: return kHundredths;
    case 175: return kMillionths;
    case 50: case 109: case 161: case 162: case 163: case 164: case 165: return kCount;
    case 115: return kPlainInt;
    case 62: return kRate4;
    default: return kNone;
  }
}

// The cell of a value in a format (the totals use it too).
std::u16string FormatValue(Format format, double value) {
  switch (format) {
    case kWeight3: return Printf("%.3f", value);
    case kMoney2: case kHundredths: return Printf("%.2f", value);
    case kMillionths: case kRate4: return Printf("%.4f", value);
    case kCount: case kPlainInt: return Int(static_cast<int64_t>(value));
    default: return {};
  }
}

}  // namespace

bool CStatementColumns::AddColumn(int32_t number, int32_t alignment, int32_t width, int32_t flag) {
  const ColumnDef* def = catalog_->WaybillColumn(number);
  if (def == nullptr) return false;
  columns_.push_back({alignment, width, number, flag});
  defs_.push_back(*def);
  return true;
}

void CStatementColumns::SetDefaultColumns() {
  static constexpr StatementColumn kDefaults[] = {
      {0, 80, 18, 0}, {0, 100, 19, 0}, {0, 100, 28, 0}, {0, 90, 43, 0},
      {0, 100, 13, 0}, {1, 80, 11, 1}, {1, 80, 23, 1}, {1, 80, 12, 1},
      {0, 90, 16, 0}, {2, 60, 10, 0}, {0, 90, 88, 0}, {0, 200, 24, 0},
  };
  for (const StatementColumn& c : kDefaults) AddColumn(c.number, c.alignment, c.width, c.flag);
}

int CStatementColumns::LoadLayout(std::string_view value) {
  // The block is looked for from the start of the 19th line.
  size_t from = 0;
  for (int line = 0; line < 18; ++line) {
    const size_t nl = value.find('\n', from);
    if (nl == std::string_view::npos) return 0;
    from = nl + 1;
  }
  static constexpr std::string_view kBegin = "_ColBegin_\n";
  static constexpr std::string_view kEnd = "_ColEnd_\n";
  size_t at = value.find(kBegin, from);
  if (at == std::string_view::npos) return 0;
  at += kBegin.size();
  int added = 0;
  while (at < value.size() && value.substr(at, kEnd.size()) != kEnd) {
    const size_t nl = value.find('\n', at);
    if (nl == std::string_view::npos) break;
    const std::string line(value.substr(at, nl - at));
    // Four fields, three tabs.
    size_t tabs[3];
    size_t p = 0;
    bool whole = true;
    for (size_t& t : tabs) {
      t = line.find('\t', p);
      if (t == std::string::npos) { whole = false; break; }
      p = t + 1;
    }
    if (!whole) break;
    const int32_t flag = !line.empty() && line[0] == '1' ? 1 : 0;
    const int32_t number = std::atoi(line.c_str() + tabs[0] + 1);
    const int32_t alignment = std::atoi(line.c_str() + tabs[1] + 1);
    const int32_t width = std::atoi(line.c_str() + tabs[2] + 1);
    if (AddColumn(number, alignment, width, flag)) ++added;
    at = nl + 1;
  }
  return added;
}

int CStatementColumns::Position(int32_t number) const {
  for (size_t i = 0; i < columns_.size(); ++i)
    if (columns_[i].number == number) return static_cast<int>(i) + 1;
  return -1;
}

std::u16string CStatementColumns::SelectList() const {
  std::u16string list;
  for (size_t i = 0; i < columns_.size(); ++i) {
    if (i > 0) list += u',';
    list += columns_[i].number < CColumnCatalog::kCustomerColumnCount ? u"b." : u"a.";
    list += Ascii(defs_[i].name);
  }
  return list;
}

std::vector<uint32_t> CStatementColumns::Types() const {
  std::vector<uint32_t> types;
  types.reserve(defs_.size() + 1);
  for (const ColumnDef& d : defs_) types.push_back(AcsTypeForColumnType(d.type));
  types.push_back(AcsTypeEntry(kSqlCSLong));
  return types;
}

std::string LayoutSql(std::string_view accountGbk) {
  return "SELECT cvalue FROM brantle.dbo.man_set WHERE cname='ps_print' AND caccount='" +
         QuoteSqlNarrow(accountGbk) + "'";
}

std::vector<std::u16string> TickedKinds(int32_t selectedKindCount,
                                        const std::vector<int32_t>& selectedRows,
                                        const std::vector<std::u16string>& kindNames) {
  std::vector<std::u16string> kinds;
  if (selectedKindCount <= 0) return kinds;
  for (int32_t row : selectedRows)
    if (row >= 0 && static_cast<size_t>(row) < kindNames.size())
      kinds.push_back(kindNames[static_cast<size_t>(row)]);
  return kinds;
}

std::u16string StatementSql(const CStatementColumns& columns, const StatementConditions& c) {
  std::u16string sql = u"SELECT TOP ";
  sql += Int(kStatementRowLimit);
  sql += u' ';
  sql += columns.SelectList();
  sql += u",a.irid FROM brantle.dbo.client_rec a WITH (NOLOCK) INNER JOIN brantle.dbo.client_arc b "
         u"ON(a.icid=b.icid) WHERE a.icid=";
  sql += Int(c.customerId);
  sql += u" AND a.";
  sql += c.dateColumn;
  sql += u" BETWEEN '";
  sql += QuoteSql(c.dateFrom);
  sql += u"' AND '";
  sql += QuoteSql(c.dateTo);
  sql += u"'";
  const int ways = (c.payMonthly ? 1 : 0) | (c.payCash ? 2 : 0) | (c.payCollect ? 4 : 0);
  switch (ways) {
    case 1: sql += u" AND a.npayway=0"; break;
    case 2: sql += u" AND a.npayway=1"; break;
    case 4: sql += u" AND a.npayway=2"; break;
    case 3: sql += u" AND a.npayway IN(0,1)"; break;
    case 6: sql += u" AND a.npayway IN(1,2)"; break;
    case 5: sql += u" AND a.npayway IN(0,2)"; break;
    default: break;
  }
  if (c.unsettled && !c.settled) sql += u" AND a.ifid=0";
  if (c.settled && !c.unsettled) sql += u" AND a.ifid>0";
  if (c.state >= 0 && c.state <= 10) {
    sql += u" AND a.nstate=";
    sql += Int(c.state);
  } else if (c.state == 12) {
    sql += u" AND a.nstate>0";
  } else if (c.state == 13) {
    sql += u" AND a.nstate<3";
  } else if (c.state == 14) {
    sql += u" AND a.nstate>3";
  }
  const std::u16string department = QuoteSql(c.department);
  if (!department.empty()) sql += u" AND a.cdepart='" + department + u"'";
  const std::u16string tag = QuoteSql(c.tag);
  if (!tag.empty()) sql += u" AND a.cmark LIKE '%" + tag + u"%'";
  const std::u16string reserve = QuoteSql(c.reserve);
  if (!reserve.empty()) sql += u" AND a.creserve LIKE '%" + reserve + u"%'";
  if (!c.kinds.empty()) {
    sql += u" AND a.cemskind IN(";
    for (size_t i = 0; i < c.kinds.size(); ++i) {
      if (i > 0) sql += u',';
      sql += u'\'';
      sql += QuoteSql(c.kinds[i]);
      sql += u'\'';
    }
    sql += u')';
  }
  const std::u16string code = QuoteSql(c.controlCode);
  if (!code.empty()) sql += u" AND a.ccode='" + code + u"'";
  sql += u" ORDER BY a.ddate,a.irid";
  return sql;
}

std::u16string PeriodText(std::u16string_view from, std::u16string_view to) {
  return std::u16string(from.substr(0, 10)) + u" - " + std::u16string(to.substr(0, 10));
}

bool IsTotalled(int32_t number) {
  switch (FormatOf(number)) {
    case kWeight3: case kMoney2: case kHundredths: case kMillionths: case kCount:
      return number != 108;  // the unit price is not summed
    default: return false;
  }
}

uint32_t ReadStatementRows(const CStatementColumns& columns, std::string_view list,
                           const CLanguageTable& language, int firstNumber,
                           std::vector<StatementRow>& rows) {
  const size_t n = columns.Count();
  std::vector<std::string> keys(n + 1);
  for (size_t i = 0; i <= n; ++i) keys[i] = std::to_string(i);
  uint32_t highest = 0;
  size_t pos = 0;
  std::string_view object;
  JsonRowIndex index;
  int number = firstNumber;
  while (JsonNextObject(list, pos, object)) {
    index.Reset(object);
    StatementRow row;
    row.irid = index.GetInt(keys[n], 0);
    if (static_cast<uint32_t>(row.irid) > highest) highest = static_cast<uint32_t>(row.irid);
    row.cells.resize(n + 1);
    row.cells[0] = Int(number++);
    for (size_t k = 0; k < n; ++k) {
      const ColumnDef& def = columns.Defs()[k];
      const int32_t num = columns.Columns()[k].number;
      std::u16string& cell = row.cells[k + 1];
      if (IsTextColumnType(def.type)) {
        cell = index.GetWString(keys[k], 255);
        continue;
      }
      const Format format = FormatOf(num);
      switch (format) {
        case kItemTypeText: cell = language.ItemTypeText(index.GetInt(keys[k], 0)); break;
        case kPayWayText: cell = language.PayWayText(index.GetInt(keys[k], 0)); break;
        case kPickupWayText: cell = language.PickupWayText(index.GetInt(keys[k], 0)); break;
        case kDate10: cell = index.GetWString(keys[k], 10); break;
        case kHundredths: cell = FormatValue(format, index.GetInt(keys[k], 0) / 100.0); break;
        case kMillionths: cell = FormatValue(format, index.GetInt(keys[k], 0) / 1000000.0); break;
        case kCount: case kPlainInt: cell = FormatValue(format, index.GetInt(keys[k], 0)); break;
        case kWeight3: case kMoney2: case kRate4:
          cell = FormatValue(format, index.GetDouble(keys[k], 0));
          break;
        default: break;
      }
    }
    rows.push_back(std::move(row));
  }
  return highest;
}

StatementRow TotalsRow(const CStatementColumns& columns, const std::vector<StatementRow>& rows,
                       const CLanguageTable& language) {
  const size_t n = columns.Count();
  StatementRow totals;
  totals.cells.resize(n + 1);
  totals.cells[0] = language.Text(20034);
  for (size_t k = 0; k < n; ++k) {
    const int32_t num = columns.Columns()[k].number;
    if (IsTextColumnType(columns.Defs()[k].type) || !IsTotalled(num)) continue;
    double sum = 0;
    for (const StatementRow& row : rows) {
      const std::u16string& cell = row.cells[k + 1];
      sum += std::strtod(GbkFromWide(cell).c_str(), nullptr);
    }
    totals.cells[k + 1] = FormatValue(FormatOf(num), sum);
  }
  return totals;
}

std::string DepositSql(int32_t customerId) {
  return "SELECT fdeposit,fPay0+fPay1 FROM brantle.dbo.client_arc WHERE icid=" +
         std::to_string(customerId);
}

bool ReadDeposit(std::string_view reply, double& deposit, double& available) {
  if (JsonGetInt("iTotal", reply, 0) <= 0) return false;
  std::string_view list = JsonListBody(reply, "List");
  size_t pos = 0;
  std::string_view row;
  if (!JsonNextObject(list, pos, row)) return false;
  JsonRowIndex index(row);
  deposit = index.GetDouble("0", 0);
  available = deposit - index.GetDouble("1", 0);
  return true;
}

}  // namespace settlement
