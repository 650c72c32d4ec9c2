#include "shipping/SettlementWorkbook.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "common/FieldCheck.h"
#include "common/GbkText.h"
#include "common/TextCodec.h"
#include "office/ExcelSession.h"
#include "print/TemplateModel.h"

namespace settlement {

namespace {

std::string Format2(const char* format, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

double Number(const std::u16string& text) { return std::strtod(GbkFromWide(text).c_str(), nullptr); }

const std::u16string& Cell(const std::vector<std::u16string>& row, int column) {
  static const std::u16string empty;
  return column >= 0 && static_cast<size_t>(column) < row.size() ? row[static_cast<size_t>(column)] : empty;
}

}  // namespace

WorkbookSettings ReadWorkbookSettings(const CTemplateModel& model) {
  WorkbookSettings s;
  s.firstRow = model.GetInt(u"列表开始行");
  s.insertMode = model.GetInt(u"列表行插入模式");
  s.codeMode = model.GetInt(u"目的地转换为编码");
  s.ratioMode = model.GetInt(u"折扣价除标准价");
  return s;
}

double FeeTotal(const StatementData& data) {
  if (data.rows.empty() || data.amountColumn < 0) return 0;
  return Number(Cell(data.rows.back(), data.amountColumn));
}

std::string ReplacePlaceholders(std::string text, const StatementData& data) {
  const ClientDetail& c = data.customer;
  auto put = [&text](const char16_t* placeholder, const std::string& value) {
    GbkReplaceAll(text, GbkFromWide(placeholder), value);
  };
  put(u"[客户标签]", c.mark);
  put(u"[客户账号]", c.account);
  put(u"[客户名称]", c.unitName);
  put(u"[发票抬头]", c.order);
  put(u"[税号]", c.taxNumber);
  put(u"[票证号]", c.docNumber);
  put(u"[客户签名]", c.sender);
  put(u"[客户电话]", c.phone);
  put(u"[客户EMail]", c.email);
  put(u"[客户传真]", c.fax);
  put(u"[客户组别]", c.kind);
  put(u"[所属站点]", c.station);
  put(u"[客户地址]", c.address);
  put(u"[客户邮编]", c.postcode);
  put(u"[起止日期]", GbkFromWide(data.period));
  const double total = FeeTotal(data);
  const bool fee = total >= 0.01;
  put(u"[费用合计]", fee ? Format2("'%.2f", total) : std::string());
  put(u"[费用合计大写]", fee ? GbkFromWide(FormatAmountInCapitals(total)) : std::string());
  put(u"[结算余额]", Format2("'%.2f", data.deposit));
  put(u"[总计余额]", Format2("%.2f", data.availableDeposit));
  put(u"[经办人]", data.userName);
  put(u"[制单人]", data.userName);
  char today[32];
  std::snprintf(today, sizeof today, "%d-%02d-%02d", data.year, data.month, data.day);
  put(u"[制单日期]", today);
  return text;
}

WorkbookPlan PlanStatement(const StatementData& data, const WorkbookSettings& settings,
                           const std::vector<TemplateItem>& header) {
  WorkbookPlan plan;
  const int r0 = settings.firstRow;
  if (r0 < 2) return plan;
  const int rows = static_cast<int>(data.rows.size());
  if (settings.insertMode == 1 && rows > 1) {
    plan.insertAt = r0;
    plan.inserted = rows - 1;
  }
  size_t width = 0;
  for (const auto& row : data.rows) width = std::max(width, row.size());
  for (int i = 0; i < rows; ++i) {
    const auto& row = data.rows[static_cast<size_t>(i)];
    for (size_t j = 0; j < width; ++j) {
      const std::u16string& text = Cell(row, static_cast<int>(j));
      const int column = static_cast<int>(j);
      // Empty cells stay empty (a lone apostrophe would show).
      const bool quote = !text.empty() && (text[0] == u'=' || text[0] == u'\'' ||
                                           column == data.waybillNoColumn ||
                                           column == data.serviceNoColumn || column == data.dateColumn);
      plan.cells.push_back({r0 + i, column + 1, quote ? u"'" + text : text, true});
    }
  }
  if (settings.ratioMode > 0 && data.amountColumn >= 0 && data.salePriceColumn >= 0) {
    for (int i = 0; i < rows; ++i) {
      const auto& row = data.rows[static_cast<size_t>(i)];
      const double a = Number(Cell(row, data.amountColumn));
      const double b = Number(Cell(row, data.salePriceColumn));
      const double r = a > 0 && b > 0 ? a / b : 0;
      const std::string text = settings.ratioMode == 1
                                   ? std::to_string(static_cast<uint32_t>(RoundScaled(r, 100)))
                                   : Format2("%.2f", r);
      plan.cells.push_back({r0 + i, static_cast<int>(width) + 1, WideFromGbk(text), false});
    }
  }
  for (const TemplateItem& item : header) {
    std::u16string text = WideFromGbk(ReplacePlaceholders(item.text, data));
    // A leading apostrophe marks the value as text, which these cells are.
    if (!text.empty() && text[0] == u'\'') text.erase(0, 1);
    const int row = item.row > r0 ? item.row + plan.inserted : item.row;
    plan.cells.push_back({row, item.column, std::move(text), false});
  }
  return plan;
}

void WriteStatement(CExcelSession& session, const WorkbookPlan& plan) {
  for (int k = 0; k < plan.inserted; ++k) session.InsertRow(plan.insertAt);
  for (const CellWrite& c : plan.cells) {
    if (c.typed)
      session.SetCell(c.row, c.column, CellValue(c.text));
    else
      session.SetCellString(c.row, c.column, c.text);
  }
}

std::string ReserveWorkbookPath(const std::string& folder, const std::string& name, int64_t seconds) {
  for (int k = 1; k < 1000; ++k) {
    std::string path = folder + name + "_" + std::to_string(seconds);
    if (k > 1) path += "_" + std::to_string(k);
    path += ".xls";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      ::close(fd);
      return path;
    }
    if (errno != EEXIST) return {};
  }
  return {};
}

}  // namespace settlement
