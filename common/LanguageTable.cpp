#include "common/LanguageTable.h"

const std::array<int32_t, kListColumnKinds> CLanguageTable::kListColumnCaptionIds = {};
const std::array<std::u16string_view, 7> CLanguageTable::kAwbPaymentCodes = {
    u"PP", u"CC", u"COD", u"DP", u"MTH", u"AEM", u"OTH"};

CLanguageTable::CLanguageTable() : fallbackText_(u"未知") {}
bool CLanguageTable::Load(std::string_view, std::string_view languageCode) {
  languageCode_ = std::string(languageCode);
  return false;
}
std::u16string CLanguageTable::Text(int32_t, std::optional<std::u16string_view> d) const {
  return d ? std::u16string(*d) : std::u16string(u"??");
}
std::optional<std::u16string_view> CLanguageTable::FirstText(int32_t) const { return std::nullopt; }
std::u16string CLanguageTable::CommandText(int32_t) const { return u"???"; }
std::u16string CLanguageTable::TextWithNumber(int32_t id, int) const { return Text(id); }
std::u16string CLanguageTable::TextWithString(int32_t id, std::u16string_view) const { return Text(id); }
std::u16string CLanguageTable::TextWithDecimal(int32_t id, double, int) const { return Text(id); }
std::u16string CLanguageTable::TextAppend(int32_t id, std::u16string_view t) const { return Text(id) + std::u16string(t); }
std::u16string CLanguageTable::FileNameText(int32_t id, std::optional<std::u16string_view> d) const { return Text(id, d); }
std::u16string CLanguageTable::EnumText(int32_t, int, int) const { return fallbackText_; }
std::u16string CLanguageTable::PayWayText(int c) const { return EnumText(20060, c, 3); }
std::u16string CLanguageTable::FeeTypeText(int c) const { return EnumText(20063, c, 2); }
std::u16string CLanguageTable::FeePayWayText(int c) const { return EnumText(20065, c, 5); }
std::u16string CLanguageTable::WaybillStateText(int c) const { return EnumText(20070, c, 11); }
std::u16string CLanguageTable::ItemTypeText(int c) const { return EnumText(20090, c, 3); }
std::u16string CLanguageTable::PickupWayText(int c) const { return EnumText(20100, c, 2); }
std::u16string CLanguageTable::RecordSourceText(int c) const { return EnumText(20110, c, 11); }
std::u16string CLanguageTable::BagStateText(int c) const { return EnumText(20500, c, 4); }
std::u16string CLanguageTable::AwbStateText(int c) const { return EnumText(20510, c, 3); }
int CLanguageTable::AwbStateIndex(std::u16string_view) const { return -1; }
int CLanguageTable::AwbPaymentCodeIndex(std::u16string_view) { return -1; }
int CLanguageTable::AwbPaymentCodeIndex(std::string_view) { return -1; }
std::u16string CLanguageTable::AwbPaymentCodeText(std::u16string_view t, int) { return std::u16string(t); }
std::string CLanguageTable::AwbPaymentCodeText(std::string_view t, int) { return std::string(t); }
int CLanguageTable::AddListColumn(int32_t kind, std::vector<ListColumnDesc>& columns,
                                  ListColumnPositions&, int32_t width, int32_t format,
                                  std::optional<std::u16string_view> caption) const {
  int pos = static_cast<int>(columns.size());
  columns.push_back({kind, pos, width, format, caption ? std::u16string(*caption) : std::u16string()});
  return pos;
}
const LanguageEntry* CLanguageTable::Find(int32_t) const { return nullptr; }
void CLanguageTable::FillCommandLists() {}

CLanguageTable& AppLanguage() {
  static CLanguageTable table;
  return table;
}
