#include "entry/QuickEntryImport.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "common/FieldCheck.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "refdata/ServiceKinds.h"

namespace quickentry {

namespace {

constexpr std::array<std::u16string_view, kImportFieldCount> kNames = {
    u"运单号", u"出发地", u"目的地", u"网络渠道", u"类型", u"件数", u"重量", u"发件人",
    u"发件单位", u"发件地址", u"发件电话", u"发件邮编", u"发件国家", u"发件省州", u"发件城市",
    u"收件人", u"收件单位", u"收件地址", u"收件电话", u"收件邮编", u"收件国家", u"收件省州",
    u"收件城市", u"物品描述", u"物品数量", u"物品单价", u"物品别名", u"物品甲码", u"物品乙码",
    u"物品丙码", u"物品单位", u"物品关税", u"物品税率", u"物品包装", u"托运备注", u"声明价值",
    u"投保价值", u"计价货币", u"原产地", u"代收货款", u"代收货款返回", u"付款方式", u"备注",
    u"短信电话", u"发件邮箱", u"收件邮箱", u"收件短信", u"发件地址1", u"发件地址2", u"发件地址3",
    u"收件地址1", u"收件地址2", u"收件地址3", u"标签", u"所属部门", u"转单号", u"参考号",
    u"报关号", u"留用串", u"留用数", u"备用一", u"备用二", u"备用三", u"备用四", u"备用五",
    u"业务日期", u"发件证照号", u"收件证照号", u"物品净重"};

constexpr int kMoney = kMoneyKind, kOrigin = kOriginKind, kPayDir = kPayDirKind;

struct TemplateText {
  int kind;
  size_t offset;
  size_t size;
  int longest;
};

#define TT(kind, name, longest) \
  TemplateText { kind, offsetof(WaybillRecord, name), sizeof(WaybillRecord::name), longest }

// The same limits and captions as the save's checks.
const TemplateText kTexts[] = {
    TT(0, cAddrFrom, 62), TT(46, cDepart, 30), TT(1, cDes, 62), TT(40, cMark, 15),
    TT(22, cMemo, 254), TT(kMoney, cMoney, 3), TT(kOrigin, cOrigin, 3), TT(29, cPack, 15),
    TT(30, cTransNote, 63), TT(kPayDir, cPayDir, 3), TT(36, cSAddr, 126), TT(39, cSCity, 63),
    TT(37, cSCountry, 62), TT(6, cSender, 30), TT(47, cSEMail, 62), TT(33, cSPhone, 62),
    TT(35, cSPostcode, 15), TT(38, cSProvince, 30), TT(42, cSSms, 22), TT(34, cSUnit, 126),
    TT(67, cSIDCard, 30), TT(50, cReserve, 30), TT(52, cBy1, 62), TT(53, cBy2, 62),
    TT(54, cBy3, 62), TT(55, cBy4, 62), TT(56, cBy5, 254), TT(58, cGoodsA, 254),
    TT(59, cGCodeA, 62), TT(60, cGCodeB, 62), TT(61, cGCodeC, 62), TT(65, cGUnit, 15),
    TT(15, cMName, 30), TT(16, cTaker, 30), TT(17, cTrans, 30), TT(18, cBearer, 30),
};
#undef TT

double Decimal(std::u16string_view text) {
  return std::strtod(GbkFromWide(text).c_str(), nullptr);
}

}  // namespace

const std::array<std::u16string_view, kImportFieldCount>& ImportFieldNames() { return kNames; }

void FillImportTemplate(const WaybillEntry& entry, InputWaybillRecord& record) {
  std::memset(&record, 0, sizeof record);
  WaybillRecord& w = record.waybill;
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  w.year = static_cast<int16_t>(local.tm_year + 1900);
  w.month = static_cast<uint8_t>(local.tm_mon + 1);
  w.day = static_cast<uint8_t>(local.tm_mday);

  w.icID = entry.customerId > 0 ? entry.customerId : 0;
  if (entry.kind != nullptr) {
    const std::string& code = entry.kind->cemskind;
    std::memcpy(w.cZizKind, code.data(), std::min(code.size(), sizeof w.cZizKind - 1));
  }
  for (const TemplateText& t : kTexts) {
    std::u16string text = t.kind == kMoney    ? entry.money
                          : t.kind == kOrigin ? entry.origin
                          : t.kind == kPayDir ? entry.payDir
                                              : entry.texts[t.kind];
    std::string narrow;
    if (!CheckFieldLength(text, narrow, 0, t.longest, AppLanguage().Text(WaybillFieldCaption(t.kind)), false))
      continue;  // the message was shown; the field stays empty
    char* field = reinterpret_cast<char*>(&w) + t.offset;
    std::memcpy(field, narrow.data(), std::min(narrow.size(), t.size - 1));
  }
  w.fGCustom = Decimal(entry.texts[62]);
  w.fGCRate = Decimal(entry.texts[63]);
  w.iReserve = std::atoi(GbkFromWide(entry.texts[23]).c_str());
  w.iItem = entry.itemCount;
  w.iBatch = BatchTextToId(entry.texts[24]);
  w.nItemType = entry.itemType;
  w.nLanguage = entry.language;
  w.nPayWay = entry.payWay;
}

}  // namespace quickentry
