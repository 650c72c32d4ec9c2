#include "refdata/GoodsDefinitions.h"

#include <cmath>
#include <cstdlib>
#include <new>
#include <string>

#include "common/TextCodec.h"
#include "common/WideText.h"
#include "office/ExcelSession.h"
#include "platform/MessageBox.h"

namespace {

constexpr size_t kReadUnits = 1024;  // room for reading one cell
constexpr size_t kMaxCodeChars = 62;
constexpr size_t kMaxNameChars = 254;
constexpr size_t kMaxOtherCodeChars = 63;

// The GBK form of a cell text, cut to the field's byte limit.
void CopyField(std::string& field, std::u16string_view text, size_t limit) {
  field = GbkFromWide(text);
  GbkTruncate(field, limit);
}

std::u16string Trimmed(std::u16string text) {
  TrimW(text);
  return text;
}

// Decimal conversion of a wide text (leading blanks, sign, digits, point,
// exponent); 0 when it does not begin with a decimal number or the number is
// out of range (no "inf", "nan" or hexadecimal forms).
double WideToDouble(std::u16string_view text) {
  std::string ascii;
  for (char16_t c : text) {
    if (!(c == u' ' || (c >= u'\t' && c <= u'\r') || (c >= u'0' && c <= u'9') || c == u'+' ||
          c == u'-' || c == u'.' || c == u'e' || c == u'E'))
      break;
    ascii.push_back(static_cast<char>(c));
  }
  double value = std::strtod(ascii.c_str(), nullptr);
  return std::isfinite(value) ? value : 0;
}

}  // namespace

int CGoodsDefinitions::Load(const std::filesystem::path& programFolder) {
  return LoadFile(programFolder / kFileName);
}

int CGoodsDefinitions::LoadFile(const std::filesystem::path& workbook) {
  CExcelSession session;
  if (!session.OpenForReading(workbook.u16string())) return 0;
  if (Trimmed(session.CellTextTo(1, 1, kReadUnits)) != kHeaderText) {
    session.Close();
    return 0;
  }
  int rows = session.UsedRowCount();
  for (int r = 2; r <= rows; ++r) {
    std::u16string code = Trimmed(session.CellTextTo(r, 1, kReadUnits));
    if (code.empty() || code.size() > kMaxCodeChars) continue;
    std::u16string name = Trimmed(session.CellTextTo(r, 2, kReadUnits));
    if (name.empty() || name.size() > kMaxNameChars) continue;
    std::string codeGbk = GbkFromWide(code);
    GbkTruncate(codeGbk, GoodsRecord::kGoodsCodeMax);
    if (FindByCode(codeGbk)) continue;

    try {
      GoodsRecord record;
      CopyField(record.cgcodeb, code, GoodsRecord::kGoodsCodeMax);
      CopyField(record.cgoods, name, GoodsRecord::kGoodsNameMax);
      std::u16string text = Trimmed(session.CellTextTo(r, 3, kReadUnits));
      if (!text.empty() && text.size() <= kMaxNameChars) CopyField(record.cgoodsa, text, GoodsRecord::kGoodsNameMax);
      text = Trimmed(session.CellTextTo(r, 4, kReadUnits));
      if (!text.empty() && text.size() <= kMaxOtherCodeChars) CopyField(record.cgcodea, text, GoodsRecord::kGoodsCodeMax);
      text = Trimmed(session.CellTextTo(r, 5, kReadUnits));
      if (!text.empty() && text.size() <= kMaxOtherCodeChars) CopyField(record.cgcodec, text, GoodsRecord::kGoodsCodeMax);
      double number = WideToDouble(session.CellTextTo(r, 6, kReadUnits));
      if (number >= 0.01) record.fprice = number;
      number = WideToDouble(session.CellTextTo(r, 7, kReadUnits));
      if (number >= 0.001) record.fgcustom = number;
      number = WideToDouble(session.CellTextTo(r, 8, kReadUnits));
      if (number >= 0.001) record.fgcrate = number;
      text = Trimmed(session.CellTextTo(r, 9, kReadUnits));
      if (!text.empty() && text.size() <= kMaxNameChars) CopyField(record.extra, text, GoodsRecord::kGoodsNoteMax);
      items_.push_back(record);
    } catch (const std::bad_alloc&) {
      platform::ShowMessageBox(u"内存不足,物品定义初始化未完成!", u"",
                               platform::kMbOk | platform::kMbIconError);
      break;
    }
  }
  session.Close();
  return static_cast<int>(items_.size());
}

std::optional<GoodsRecord> CGoodsDefinitions::FindByCode(std::string_view code) const {
  for (const auto& item : items_)
    if (item.cgcodeb == code) return item;
  return std::nullopt;
}
