#include "print/PrintFields.h"

#include <cstdio>

#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "print/TemplateModel.h"
#include "refdata/RecordStores.h"

namespace {

struct NamedSlot {
  int slot;
  std::u16string_view name;
};

constexpr NamedSlot kFieldNames[] = {
    {0, u"发件人"}, {1, u"发件单位"}, {2, u"发件地址"}, {3, u"发件电话"}, {4, u"发件城市"},
    {5, u"发件邮编"}, {6, u"发件省州"}, {7, u"发件国家"}, {8, u"收件人"}, {9, u"收件单位"},
    {10, u"收件地址"}, {11, u"收件电话"}, {12, u"收件城市"}, {13, u"收件邮编"},
    {14, u"收件省州"}, {15, u"收件国家"}, {16, u"入重"}, {17, u"业务日期"}, {18, u"出发地"},
    {19, u"目的地"}, {20, u"发件单位简称"}, {21, u"备注1"}, {22, u"备注2"}, {23, u"备注3"},
    {24, u"备注4"}, {25, u"备注5"}, {26, u"物品描述"}, {27, u"物品包装"}, {28, u"托运备注"},
    {29, u"声明价值"}, {30, u"投保价值"}, {31, u"件数"}, {32, u"到付运费"}, {33, u"代收货款"},
    {34, u"客户帐号"}, {35, u"物品名称数量"}, {36, u"服务商"}, {37, u"出重"}, {38, u"标价"},
    {39, u"报关费"}, {40, u"标价-报关费"}, {41, u"收客户费"}, {42, u"内部单号"},
    {43, u"转运单号"}, {44, u"参考号"}, {45, u"标签"}, {46, u"收件地址1"}, {47, u"收件地址2"},
    {48, u"收件地址3"}, {49, u"发件地址1"}, {50, u"发件地址2"}, {51, u"发件地址3"},
    {52, u"快件类型"}, {53, u"文件√"}, {54, u"包裹√"}, {55, u"防水袋√"}, {56, u"记录ID"},
    {57, u"来自ID"}, {58, u"报关单号"}, {59, u"所属部门"}, {60, u"发件邮箱"}, {61, u"收件邮箱"},
    {62, u"收件短信"}, {63, u"发送日期"}, {64, u"留用串"}, {65, u"发送批次号"},
    {66, u"物品描述外文"}, {67, u"留用数"}, {68, u"所属站点"}, {69, u"检查点"}, {70, u"操作员"},
    {71, u"基础运费"}, {72, u"燃附费"}, {73, u"提货费"}, {74, u"送货费"}, {75, u"保险费"},
    {76, u"包装费"}, {77, u"杂费"}, {78, u"结算指示"}, {79, u"称重"}, {80, u"月结√"},
    {81, u"现付√"}, {82, u"到付√"}, {83, u"1件品名"}, {84, u"1件转单号"}, {85, u"1件参考号"},
    {86, u"1件称重"}, {87, u"1件尺寸"}, {88, u"2件品名"}, {89, u"2件转单号"}, {90, u"2件参考号"},
    {91, u"2件称重"}, {92, u"2件尺寸"}, {93, u"3件品名"}, {94, u"3件转单号"}, {95, u"3件参考号"},
    {96, u"3件称重"}, {97, u"3件尺寸"}, {98, u"目的地编码"}, {99, u"目的地英文"},
    {100, u"发件短信"}, {101, u"物品数量"}, {102, u"物品单价"}, {110, u"备用一"},
    {111, u"备用二"}, {112, u"备用三"}, {113, u"备用四"}, {114, u"备用五"},
};

struct Marker {
  std::u16string_view caption;
  std::string_view tag;
};

constexpr Marker kMarkers[kFieldMarkerCount] = {
    {u"[运单号]", "NUM"}, {u"[目的地]", "DES"}, {u"[网络渠道]", "EKD"}, {u"[类型]", "TYP"},
    {u"[件数]", "PCS"}, {u"[重量]", "WGT"}, {u"[发件人]", "SNM"}, {u"[发件单位]", "SUT"},
    {u"[发件地址]", "SAD"}, {u"[发件电话]", "SPH"}, {u"[发件邮编]", "SPC"},
    {u"[发件国家]", "SNT"}, {u"[发件省州]", "SPR"}, {u"[发件城市]", "SCT"},
    {u"[发件邮箱]", "SEM"}, {u"[短信电话]", "SSM"}, {u"[收件人]", "RNM"}, {u"[收件单位]", "RUT"},
    {u"[收件地址]", "RAD"}, {u"[收件电话]", "RPH"}, {u"[收件邮编]", "RPC"},
    {u"[收件国家]", "RNT"}, {u"[收件省州]", "RPR"}, {u"[收件城市]", "RCT"},
    {u"[收件邮箱]", "REM"}, {u"[收件短信]", "RSM"}, {u"[物品描述]", "GDS"},
    {u"[物品数量]", "QTY"}, {u"[物品单价]", "PRC"}, {u"[物品包装]", "PCK"},
    {u"[托运备注]", "TNT"}, {u"[声明价值]", "DVL"}, {u"[投保价值]", "IVL"},
    {u"[计价货币]", "MNY"}, {u"[原产地]", "ORI"}, {u"[代收货款]", "TGF"},
    {u"[代收货款返回]", "CGF"}, {u"[付款方式]", "PWY"}, {u"[目的地编码]", "DEC"},
    {u"[目的地英文]", "DEE"}, {u"[标签]", "MRK"}, {u"[备注]", "MEM"},
};

// A fixed text field of the record up to its first NUL.
template <size_t N>
std::u16string FieldW(const char (&field)[N]) {
  size_t length = 0;
  while (length < N && field[length] != '\0') ++length;
  return WideFromGbk(std::string_view(field, length));
}

std::u16string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return WideFromGbk(text);
}

const std::string kEmpty;
const std::u16string kEmptyW;

}  // namespace

void CPrintFieldDictionary::Build(const CLanguageTable& language) {
  names_.fill({});
  namesW_.fill({});
  for (const NamedSlot& field : kFieldNames) {
    namesW_[field.slot] = std::u16string(field.name);
    names_[field.slot] = GbkFromWide(field.name);
  }
  for (int slot = 0; slot < kTemplateSlotCount; ++slot) {
    kindNames_[slot] = TemplateKindName(slot);
    kindCaptions_[slot] = language.Text(TemplateKindCaptionId(slot)).substr(0, 32);
  }
  built_ = true;
}

const std::string& CPrintFieldDictionary::Name(int slot) const {
  return slot >= 0 && slot < kPrintFieldCount ? names_[slot] : kEmpty;
}

const std::u16string& CPrintFieldDictionary::NameW(int slot) const {
  return slot >= 0 && slot < kPrintFieldCount ? namesW_[slot] : kEmptyW;
}

int CPrintFieldDictionary::SlotOf(std::string_view gbkName) const {
  if (gbkName.empty()) return -1;
  for (int slot = 0; slot < kPrintFieldCount; ++slot)
    if (names_[slot] == gbkName) return slot;
  return -1;
}

CFieldMarkers::CFieldMarkers() {
  entries_.reserve(kFieldMarkerCount);
  for (const Marker& m : kMarkers) {
    std::string tag(m.tag);
    entries_.push_back({GbkFromWide(m.caption), "$" + tag + "$", "$/" + tag + "$", {}});
  }
}

const CFieldMarkers::Entry& CFieldMarkers::At(int n) const {
  return entries_[n >= 0 && n < kFieldMarkerCount ? n : 0];
}

const char* CFieldMarkers::Caption(int n) const { return At(n).caption.c_str(); }

std::u16string CFieldMarkers::CaptionW(int n) const { return WideFromGbk(At(n).caption); }

void CFieldMarkers::Replace(std::u16string& content,
                            const std::array<std::u16string, kFieldMarkerCount>& values) {
  for (int n = 0; n < kFieldMarkerCount; ++n) {
    std::u16string_view caption = kMarkers[n].caption;
    size_t at = content.find(caption);
    while (at != std::u16string::npos) {
      content.replace(at, caption.size(), values[n]);
      at = content.find(caption, at + values[n].size());
    }
  }
}

std::array<std::u16string, kFieldMarkerCount> FieldMarkerValues(const WaybillRecord& r,
                                                                const FieldMarkerContext& c) {
  return {FieldW(r.cNum), FieldW(r.cDes), FieldW(r.cZizKind), c.itemTypeCaption,
          Format("%.0f", r.iItem), Format("%.3f", r.fWeight), FieldW(r.cSender),
          FieldW(r.cSUnit), FieldW(r.cSAddr), FieldW(r.cSPhone), FieldW(r.cSPostcode),
          FieldW(r.cSCountry), FieldW(r.cSProvince), FieldW(r.cSCity), FieldW(r.cSEMail),
          FieldW(r.cSSms), FieldW(r.cReceiver), FieldW(r.cRUnit), FieldW(r.cRAddr),
          FieldW(r.cRPhone), FieldW(r.cRPostcode), FieldW(r.cRCountry), FieldW(r.cRProvince),
          FieldW(r.cRCity), FieldW(r.cREMail), FieldW(r.cRSms), FieldW(r.cGoods),
          Format("%.0f", r.iQuantity), Format("%.2f", r.iPrice / 100.0), FieldW(r.cPack),
          FieldW(r.cTransNote), Format("%.2f", r.iDValue / 100.0),
          Format("%.2f", r.iIValue / 100.0), FieldW(r.cMoney), FieldW(r.cOrigin),
          Format("%.2f", r.fGoods), Format("%.2f", r.fGoodsC), c.payWayCaption,
          c.destinationCode, c.destinationEnglish, FieldW(r.cMark), std::u16string()};
}
