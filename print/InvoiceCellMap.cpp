#include "print/InvoiceCellMap.h"

#include <cstdlib>

#include "common/TextCodec.h"
#include "print/TemplateModel.h"

namespace {

// The names as UTF-16 (converted to GBK once).
constexpr std::u16string_view kNamesW[CInvoiceCellMap::kCells] = {
    u"运单号",     u"快件重量",   u"快件尺寸",   u"寄件日期",   u"打印日期",   u"收件人单位",
    u"收件人姓名", u"收件人地址", u"收件人电话", u"收件人邮编", u"收件人城市", u"收件人省州",
    u"收件人国家", u"寄件人单位", u"寄件人姓名", u"寄件人地址", u"寄件人电话", u"寄件人邮编",
    u"寄件人城市", u"寄件人省州", u"寄件人国家", u"物品描述",   u"物品数量",   u"物品单价",
    u"原产地",     u"小计金额",   u"总计金额",   u"快件件数",   u"标签",       u"包装",
    u"托运备注",   u"留用串",     u"留用数",     u"内单号",     u"转单号",     u"参考号",
    u"报关号",     u"声明价",     u"备用一",     u"备用二",     u"备用三",     u"备用四",
    u"备用五",     u"物品别名",   u"物品甲码",   u"物品乙码",   u"物品丙码",   u"物品关税",
    u"物品税率",   u"件称重",     u"件长宽高",   u"件内单号",   u"件转单号",   u"件参考号",
    u"总计关税",   u"总计称重",   u"物品单位"};

const std::array<std::string, CInvoiceCellMap::kCells>& NamesGbk() {
  static const std::array<std::string, CInvoiceCellMap::kCells> names = [] {
    std::array<std::string, CInvoiceCellMap::kCells> out;
    for (int i = 0; i < CInvoiceCellMap::kCells; ++i) out[i] = GbkFromWide(kNamesW[i]);
    return out;
  }();
  return names;
}

}  // namespace

std::string_view CInvoiceCellMap::Name(int n) {
  if (n < 0 || n >= kCells) return {};
  return NamesGbk()[n];
}

const std::pair<int32_t, int32_t>* CInvoiceCellMap::FieldCell(int n) const {
  if (n < 0 || n >= kCells) return nullptr;
  return &cells_[n];
}

void CInvoiceCellMap::Load(CTemplateModel* model) {
  if (model == nullptr) return;
  model_ = model;
  loaded_ = model->HasWorkbook() && model->HasText() ? 1 : 0;
  if (!loaded_) return;
  cells_.fill({0, 0});
  goodsLineCount_ = 5;
  const std::string& text = model->Text();
  pieceLines_ = text.find(GbkFromWide(u"!物品明细取自多件票重量信息定义!")) != std::string::npos;
  numberFileName_ = text.find(GbkFromWide(u"!文件名用内单号!")) != std::string::npos;
  rowInsertMode_ = text.find(GbkFromWide(u"列表行插入模式")) != std::string::npos;
  if (text.find("\r\n" + GbkFromWide(u"物品描述")) != std::string::npos)
    descriptionMode_ = 2;
  else if (text.find("\r\n" + GbkFromWide(u"中文物品描述")) != std::string::npos)
    descriptionMode_ = 0;
  else
    descriptionMode_ = 1;
  size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && (text[at] == '\r' || text[at] == '\n' || text[at] == ' ')) ++at;
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + at, end - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() >= 8 && line.size() <= 253 && line[0] != '#' && line[0] != '!')
      ParseLine(line);
    at = end;
  }
}

void CInvoiceCellMap::ParseLine(std::string_view input) {
  std::string line(input);
  size_t eq = line.find('=');
  if (eq == std::string::npos) return;
  for (char& c : line)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  if (eq + 1 >= line.size()) return;
  char letter = line[eq + 1];
  int32_t column = (letter >= 'A' && letter <= 'Z') ? letter - 64 : 0;
  int32_t row = std::atoi(line.c_str() + eq + 2);
  if (column < 1 || row < 1) {
    // A line without a cell may still give the goods-line count.
    std::string countKey = GbkFromWide(u"物品总行数");
    size_t k = line.find(countKey);
    if (k != std::string::npos && line.find('=', k) != std::string::npos) {
      int n = std::atoi(line.c_str() + line.find('=', k) + 1);
      goodsLineCount_ = n > 0 ? n : 5;
    }
    return;
  }
  if (line.find(NamesGbk()[21]) != std::string::npos) {
    cells_[21] = {row, column};
    return;
  }
  for (int n = 0; n < kCells; ++n) {
    const std::string& name = NamesGbk()[n];
    if (line.compare(0, name.size(), name) == 0) {
      cells_[n] = {row, column};
      return;
    }
  }
}
