// The channel waybill: the record's print-field values, sender and receiver
// blocks, extra fields, goods lines, barcodes and the QR Code filled into a
// copy of the waybill template, printed once per piece or kept as a file.
#include <QString>

#include <cmath>
#include <ctime>
#include <filesystem>
#include <map>

#include "common/TextCodec.h"
#include "print/CodabarBitmap.h"
#include "print/Code128Bitmap.h"
#include "print/PrintFields.h"
#include "common/WideText.h"
#include "print/PrintText.h"
#include "print/QrEncoder.h"
#include "print/Renderers.h"
#include "print/SheetJob.h"
#include "print/TemplateModel.h"
#include "refdata/DestinationTable.h"
#include "refdata/PlaceDictionary.h"
#include "refdata/ServiceKinds.h"

namespace {

std::string G(std::u16string_view text) { return GbkFromWide(text); }

// Goods name by the template's language choice.
std::u16string GoodsName(const PrintContext& context, std::string_view gbk, int language) {
  if (context.places != nullptr) {
    if (language == 1) return W(context.places->Translate(gbk));
    if (language == 2) return W(context.places->TranslateToEnglish(gbk));
  }
  return W(gbk);
}

std::u16string GoodsCode(const PrintContext& context, std::string_view gbk) {
  if (context.places == nullptr) return {};
  auto code = context.places->CodeOfPlace(gbk);
  return code ? W(*code) : std::u16string();
}

// A caption key line "包裹=..." of the template.  The list fields "包裹√"
// and the like begin with the same word; their cell addresses are not
// captions, so the value comes from the first line where the key itself
// meets its "=", wherever the list lines stand.
std::u16string CaptionKey(const CTemplateModel& model, std::u16string_view key) {
  const std::string& text = model.Text();
  std::string gbk = GbkFromWide(key);
  for (size_t at = text.find(gbk); at != std::string::npos; at = text.find(gbk, at + 1)) {
    if (at != 0 && text[at - 1] != '\n' && text[at - 1] != '\r') continue;
    size_t p = at + gbk.size();
    while (p < text.size() && text[p] == ' ') ++p;
    if (p >= text.size() || text[p] != '=') continue;
    size_t end = text.find_first_of("\r\n", p + 1);
    std::string_view value = std::string_view(text).substr(p + 1, end == std::string::npos ? std::string::npos : end - p - 1);
    return value.size() < 1024 ? WideFromGbk(value) : std::u16string();
  }
  return {};
}

struct BarcodeGroup {
  std::u16string field;   // first list field
  std::u16string prefix;  // key prefix
  std::u16string nw7;     // Codabar start/stop key (empty: always Code 128)
  std::string number;     // GBK
  size_t minimum;         // shortest number
  bool ownPictures;       // pictures 2..4 drawn with their own keys
  bool lines;             // top/bottom rows and code sets
  std::string suffix;     // file suffix ("_N" numbered, or a whole suffix)
};

}  // namespace

CTemplateModel* RenderWaybill(const PrintContext& context, int32_t recordId, int ownTemplate,
                              int copies, std::u16string_view folder) {
  std::lock_guard guard(*context.lock);
  context.failure = kRecordMissing;
  InputWaybillRecord input{};
  PieceList pieces;
  GoodsList goods;
  if (context.Load(recordId, input, pieces, goods) == 0) return nullptr;
  const WaybillRecord& r = input.waybill;

  // Template: the express kind's (or the company's own), else the current one.
  CTemplateModel* model = nullptr;
  std::string kindName = GbkFromWide(u"渠道面单");
  std::string name = ownTemplate ? GbkFromWide(u"本公司面单") : std::string(F(r.cZizKind));
  if (context.findTemplate && !name.empty()) model = context.findTemplate(kindName, name);
  if (model == nullptr && context.currentTemplate) model = context.currentTemplate(1);
  if (model == nullptr || !model->HasWorkbook()) {
    context.failure = kNoTemplate;
    std::u16string text = context.Text(kWaybillNotPrintedText);
    ReplaceAllW(text, u"%1", W(r.cNum));
    ReplaceAllW(text, u"%2", context.Text(160003));
    context.Message(text);
    return nullptr;
  }
  CServiceKind* kind = context.findServiceKind ? context.findServiceKind(F(r.cZizKind)) : nullptr;
  std::u16string queue = context.selectPrinter ? context.selectPrinter(1, model->Name()) : u"";
  const DestinationRecord* destination =
      context.findDestination ? context.findDestination(F(r.cDes)) : nullptr;

  // Field values by slot name.
  std::map<std::u16string, std::u16string> v;
  v[u"发件人"] = W(r.cSender);
  v[u"发件单位"] = W(r.cSUnit);
  v[u"发件地址"] = W(r.cSAddr);
  v[u"发件电话"] = DigitText(F(r.cSPhone));
  v[u"发件城市"] = W(r.cSCity);
  v[u"发件邮编"] = DigitText(F(r.cSPostcode));
  v[u"发件省州"] = W(r.cSProvince);
  v[u"发件国家"] = W(r.cSCountry);
  v[u"收件人"] = Decoded(r.cReceiver);
  v[u"收件单位"] = Decoded(r.cRUnit);
  v[u"收件地址"] = Decoded(r.cRAddr);
  v[u"收件电话"] = DigitText(F(r.cRPhone));
  v[u"收件城市"] = Decoded(r.cRCity);
  v[u"收件邮编"] = DigitText(F(r.cRPostcode));
  v[u"收件省州"] = Decoded(r.cRProvince);
  v[u"收件国家"] = Decoded(r.cRCountry);
  v[u"入重"] = Printf16("%.3fkg", r.fWeight);
  v[u"业务日期"] = Printf16("'%d-%02d-%02d", r.year, r.month, r.day);
  v[u"出发地"] = W(r.cAddrFrom);
  v[u"目的地"] = W(r.cDes);
  v[u"物品描述"] = W(r.cGoods);
  v[u"物品包装"] = W(r.cPack);
  v[u"托运备注"] = W(r.cTransNote);
  v[u"声明价值"] = Printf16("'%.2f", r.iDValue / 100.0);
  v[u"投保价值"] = Printf16("'%.2f", r.iIValue / 100.0);
  v[u"件数"] = Printf16("%d", r.iItem);
  if (r.nPayWay == 2) v[u"到付运费"] = Printf16("'%.2f", r.fAmount);
  if (r.fGoods > 0.001)
    v[u"代收货款"] = W(r.cMoney) + Printf16("%.2f", r.fGoods);
  v[u"内部单号"] = DigitText(F(r.cNum));
  v[u"转运单号"] = DigitText(F(r.cNo));
  v[u"参考号"] = DigitText(F(r.cRNo));
  v[u"标签"] = W(r.cMark);
  PutAddressLines(v, u"收件地址", F(r.cRAddr));
  PutAddressLines(v, u"发件地址", F(r.cSAddr));
  v[r.nItemType == 0 ? u"文件√" : r.nItemType == 1 ? u"包裹√" : u"防水袋√"] = u"√";
  v[u"报关单号"] = DigitText(F(r.cCNo));
  v[u"所属部门"] = W(r.cDepart);
  v[u"发件邮箱"] = W(r.cSEMail);
  v[u"收件邮箱"] = W(r.cREMail);
  v[u"收件短信"] = DigitText(F(r.cRSms));
  v[u"留用串"] = W(r.cReserve);
  v[u"留用数"] = Printf16("%d", r.iReserve);
  v[u"结算指示"] = W(r.cPayDir);
  v[u"称重"] = Printf16("%.3fkg", r.fWeightb);
  v[r.nPayWay == 0 ? u"月结√" : r.nPayWay == 1 ? u"现付√" : u"到付√"] = u"√";
  if (destination != nullptr) {
    v[u"目的地编码"] = W(destination->Code());
    v[u"目的地英文"] = W(destination->NameEn());
  }
  v[u"发件短信"] = DigitText(F(r.cSSms));
  v[u"物品数量"] = Printf16("'%d", r.iQuantity);
  v[u"物品单价"] = Printf16("'%.2f", r.iPrice / 100.0);
  v[u"备用一"] = W(r.cBy1);
  v[u"备用二"] = W(r.cBy2);
  v[u"备用三"] = W(r.cBy3);
  v[u"备用四"] = W(r.cBy4);
  v[u"备用五"] = W(r.cBy5);

  // Output file.
  bool keep = !folder.empty();
  std::u16string workbook;
  std::string numberName = SafeNumber(F(r.cNum));
  if (!context.keepAllIn.empty()) {
    workbook = NameOf(std::filesystem::path(context.keepAllIn) / (numberName + ".xls"));
    keep = true;
  } else if (keep) {
    workbook = std::u16string(folder) + u"/" + NameOf(numberName + ".xls");
  } else {
    workbook = TemporaryWorkbook(context.dayFolder, "TAB_");
  }
  CSheetJob job(context, workbook, keep);
  context.failure = kNoWorkbook;
  if (!job.Create(u"BILL", model->Workbook())) return nullptr;
  context.failure = kPrintDone;

  // Captions.
  std::u16string itemCaptions[3] = {u"文件", u"包裹", u"防水袋"};
  std::u16string payCaptions[3] = {u"月结", u"现付", u"到付"};
  for (int i = 0; i < 3; ++i) {
    std::u16string s = CaptionKey(*model, itemCaptions[i]);
    if (!s.empty() && s.size() <= 15) itemCaptions[i] = s;
    s = CaptionKey(*model, payCaptions[i]);
    if (!s.empty() && s.size() <= 15) payCaptions[i] = s;
  }
  if (r.nItemType <= 2) v[u"快件类型"] = itemCaptions[r.nItemType];

  // Pages and copies.
  int pages = std::max(1, model->GetInt(u"打印页数"));
  int templateCopies = model->GetInt(u"打印份数");
  if (templateCopies >= 2 && copies <= 1) copies = templateCopies;

  if (model->GetInt(u"全部转换大写") == 1) {
    for (const char16_t* slot :
         {u"发件人", u"发件单位", u"发件地址", u"发件城市", u"发件邮编", u"发件省州", u"发件国家",
          u"收件人", u"收件单位", u"收件地址", u"收件城市", u"收件邮编", u"收件省州", u"收件国家"})
      v[slot] = Upper(v[slot]);
  }

  // Goods layout.
  int maxLines = model->GetInt(u"物品明细打印最大条数");
  int language = model->GetInt(u"物品名称语言选择");
  int shift = (maxLines % 2 == 0) ? model->GetInt(u"物品第二组右移列数") : 0;
  int firstRow = 0, cName = 0, cAlias = 0, cA = 0, cB = 0, cC = 0, cTariff = 0, cRate = 0,
      cCode = 0, cQty = 0, cPrice = 0;
  if (maxLines > 0) {
    struct KeyCol { const char16_t* key; int* column; };
    for (KeyCol k : {KeyCol{u"物品名称首行", &cName}, KeyCol{u"物品别名首行", &cAlias},
                     KeyCol{u"物品甲码首行", &cA}, KeyCol{u"物品乙码首行", &cB},
                     KeyCol{u"物品丙码首行", &cC}}) {
      int32_t row = -1, column = -1;
      model->GetCell(k.key, row, column);
      if (column > 0) *k.column = column;
      if (row > 0) firstRow = row;
    }
    if (firstRow > 0) {
      int32_t row = -1, column = -1;
      if (model->GetCell(u"物品关税首行", row, column) > 0) cTariff = column;
      if (model->GetCell(u"物品税率首行", row, column) > 0) cRate = column;
      if (model->GetCell(u"物品编码首行", row, column) > 0) cCode = column;
      if (model->GetCell(u"物品数量首行", row, column) > 0) {
        cQty = column;
        if (model->GetCell(u"物品价格首行", row, column) > 0) cPrice = column;
      }
    }
  }

  // Blocks.
  std::u16string qrContent = model->GetBlock(u"二维码定义");
  std::u16string senderBlock = model->GetBlock(u"发件人定义");
  std::u16string receiverBlock = model->GetBlock(u"收件人定义");
  auto fillBlock = [&](std::u16string& block, bool sender) {
    if (block.empty()) return;
    const char16_t* p = sender ? u"发件" : u"收件";
    std::u16string pre(p);
    ReplaceAllW(block, sender ? u"[发件人]" : u"[收件人]", v[sender ? u"发件人" : u"收件人"]);
    ReplaceAllW(block, u"[单位]", v[pre + u"单位"]);
    ReplaceAllW(block, u"[地址]", v[pre + u"地址"]);
    ReplaceAllW(block, u"[电话]", v[pre + u"电话"]);
    ReplaceAllW(block, u"[邮编]", v[pre + u"邮编"]);
    ReplaceAllW(block, u"[国家]", v[pre + u"国家"]);
    ReplaceAllW(block, u"[省州]", v[pre + u"省州"]);
    ReplaceAllW(block, u"[城市]", v[pre + u"城市"]);
    ReplaceAllW(block, u"[短信]", v[pre + u"短信"]);
    ReplaceAllW(block, u"[电邮]", v[pre + u"邮箱"]);
    block = Trimmed(block);
    ReplaceAllW(block, u"\r", u"");
  };
  fillBlock(senderBlock, true);
  fillBlock(receiverBlock, false);

  if (model->GetInt(u"收件邮编加字间空格数") > 0) {
    std::u16string spaced;
    for (char16_t c : v[u"收件邮编"]) {
      spaced.push_back(c);
      spaced.push_back(u' ');
    }
    v[u"收件邮编"] = spaced;
  }

  auto cellOf = [&](std::u16string_view field, int32_t& column, int32_t& row) {
    column = row = -1;
    return model->ListFieldCell(G(field), column, row) && column >= 1 && row >= 1;
  };

  // Dictionary fields.
  if (context.fields != nullptr) {
    for (int slot = 0; slot < kPrintFieldCount; ++slot) {
      const std::string& slotName = context.fields->Name(slot);
      if (slotName.empty()) continue;
      int32_t column = -1, row = -1;
      if (!model->ListFieldCell(slotName, column, row) || column < 1 || row < 1) continue;
      std::u16string slotW = W(slotName);
      if (slotW == u"发件人" && !senderBlock.empty()) {
        job.Set(row, column, senderBlock);
      } else if (slotW == u"收件人" && !receiverBlock.empty()) {
        job.Set(row, column, receiverBlock);
      } else {
        auto it = v.find(slotW);
        if (it != v.end() && !it->second.empty()) job.Set(row, column, it->second);
      }
    }
  }

  // Extra fields.
  std::filesystem::path temp = std::filesystem::path(context.programFolder) / "DATA_TEMP";
  int32_t column = -1, row = -1;
  auto extra = [&](std::u16string_view field, std::u16string_view value) {
    if (cellOf(field, column, row)) job.Set(row, column, value);
  };
  extra(u"发件人姓名", v[u"发件人"]);
  extra(u"收件人姓名", v[u"收件人"]);
  extra(u"网络渠道", W(r.cZizKind));
  extra(u"备注", W(r.cMemo));
  extra(u"货币", W(r.cMoney));
  extra(u"内单号39码", u"*" + W(r.cNum) + u"*");
  if (destination != nullptr) {
    std::u16string scan = W(destination->ShortCode());
    extra(u"目的地扫描码", scan);
    extra(u"目的地二字代码", W(F(destination->iso2)));
    extra(u"目的地三字代码", W(F(destination->iso3)));
    if (!scan.empty() && cellOf(u"目的地扫描码位图", column, row)) {
      int size = model->GetInt(u"目的地扫描码宽");
      CCode128Bitmap bitmap;
      job.Code128(bitmap, destination->ShortCode(), model->GetInt(u"目的地扫描码像素高"), false,
                  nullptr, model->GetInt(u"目的地扫描码方向"), size >= 50 ? size : -1,
                  temp / (numberName + "_CRR.bmp"), column, row);
    }
    int area = kind != nullptr ? kind->AreaNumber(F(r.cDes)) : 0;
    if (area < 1) area = destination->zone;
    extra(u"目的地分区", Printf16("%d", area));
  }
  if (r.nPayWay <= 2) extra(u"付款方式", payCaptions[r.nPayWay]);
  if (r.cGoodsA[0]) extra(u"物品别名", W(r.cGoodsA));
  if (r.cGCodeA[0]) extra(u"物品甲码", W(r.cGCodeA));
  if (r.cGCodeB[0]) extra(u"物品乙码", W(r.cGCodeB));
  if (r.cGCodeC[0]) extra(u"物品丙码", W(r.cGCodeC));
  extra(u"物品关税", Printf16("%.2f", r.fGCustom));
  extra(u"物品税率", Printf16("%.4f", r.fGCRate));

  // QR Code.
  if (!qrContent.empty() && cellOf(u"二维码位图", column, row) && context.markers != nullptr) {
    int size = model->GetInt(u"二维码宽");
    FieldMarkerContext markerContext;
    if (r.nItemType <= 2) markerContext.itemTypeCaption = itemCaptions[r.nItemType];
    if (r.nPayWay <= 2) markerContext.payWayCaption = payCaptions[r.nPayWay];
    if (destination != nullptr) {
      markerContext.destinationCode = W(destination->Code());
      markerContext.destinationEnglish = W(destination->NameEn());
    }
    CFieldMarkers::Replace(qrContent, FieldMarkerValues(r, markerContext));
    std::string gbk = GbkFromWide(qrContent);
    if (gbk.size() > 4095) gbk.resize(4095);
    CQrEncoder qr;
    std::filesystem::path file = temp / (numberName + "_qr.bmp");
    std::error_code ec;
    std::filesystem::create_directories(temp, ec);
    if (qr.Encode(1, 0, true, 0, gbk.c_str(), 0) && qr.WriteBmp(file, 16))
      job.Picture(file, column, row, size >= 50 ? size : -1, size >= 50 ? size : -1);
  }

  // Barcode groups.
  bool codabar = model->GetInt(u"条码使用NW7") == 1;
  int magnification = model->GetInt(u"条码位图放大倍数");
  bool noText = model->GetInt(u"条码不要字符") == 1;
  std::string transfer(F(r.cNo));
  if (context.shortTransferFallback && transfer.size() < 4) transfer = std::string(F(r.cNum));
  std::vector<BarcodeGroup> groups = {
      {u"内单条码位图", u"内单条码", u"内单NW7条码起止符", std::string(F(r.cNum)), 0, true, true, "_N"},
      {u"转单条码位图", u"转单条码", u"转单NW7条码起止符", transfer, 2, true, true, "_"},
      {u"报关号条码位图", u"报关号条码", u"报关号NW7条码起止符", std::string(F(r.cCNo)), 2, false, true, "_C1"},
      {u"参考号条码位图", u"参考号条码", u"参考号NW7条码起止符", std::string(F(r.cRNo)), 2, false, true, "_R1"},
      {u"收件邮编条码位图", u"收件邮编条码", u"", std::string(F(r.cRPostcode)), 4, false, false, "_RZ1"},
  };
  for (const BarcodeGroup& group : groups) {
    if (!cellOf(group.field, column, row) || group.number.size() < group.minimum ||
        group.number.empty())
      continue;
    std::string safe = SafeNumber(group.number);
    auto draw = [&](int picture, int32_t atColumn, int32_t atRow) -> std::filesystem::path {
      std::u16string n = picture == 1 ? u"" : Printf16("%d", picture);
      int direction = model->GetInt(group.prefix + u"方向" + n);
      int size = model->GetInt(group.prefix + u"宽" + n);
      int height = model->GetInt(group.prefix + u"像素高" + n);
      std::string suffix = group.ownPictures ? group.suffix + std::to_string(picture) : group.suffix;
      std::filesystem::path file = temp / (safe + suffix + ".bmp");
      std::error_code ec;
      std::filesystem::create_directories(temp, ec);
      bool vertical = direction == 1 || direction == 3;
      double w = vertical ? -1 : (size >= 50 ? size : -1);
      double h = vertical ? (size >= 50 ? size : -1) : -1;
      if (codabar && !group.nw7.empty()) {
        std::u16string ends = model->GetString(group.nw7);
        std::string text = group.number;
        if (ends.size() == 2) text = G(ends.substr(0, 1)) + text + G(ends.substr(1, 1));
        CCodabarBitmap bitmap;
        if (!bitmap.Render(text, height, noText) || !bitmap.SaveFile(file)) return {};
        job.Picture(file, atColumn, atRow, w, h);
        return file;
      }
      CCode128Bitmap bitmap;
      if (magnification > 1) bitmap.SetMagnification(magnification);
      std::string mask;
      if (group.lines) {
        int top = model->GetInt(group.prefix + u"上横线" + n);
        int bottom = model->GetInt(group.prefix + u"下横线" + n);
        if (top > 0) bitmap.SetTopLineRows(top);
        if (bottom > 0) bitmap.SetBottomLineRows(bottom);
        model->GetString(group.prefix + u"掩码" + n, &mask);
      }
      if (!job.Code128(bitmap, group.number, height, noText, mask.empty() ? nullptr : mask.c_str(),
                       direction, size >= 50 ? size : -1, file, atColumn, atRow))
        return {};
      return file;
    };
    std::filesystem::path first = draw(1, column, row);
    for (int picture = 2; picture <= 4; ++picture) {
      int32_t c = -1, rr = -1;
      if (!cellOf(group.field + Printf16("%d", picture), c, rr)) continue;
      if (group.ownPictures) {
        draw(picture, c, rr);
      } else if (!first.empty()) {
        int direction = model->GetInt(group.prefix + u"方向");
        int size = model->GetInt(group.prefix + u"宽");
        bool vertical = direction == 1 || direction == 3;
        job.Picture(first, c, rr, vertical ? -1 : (size >= 50 ? size : -1),
                    vertical ? (size >= 50 ? size : -1) : -1);
      }
    }
  }

  // Goods lines.
  if (firstRow > 0 && !goods.empty()) {
    int lineRow = firstRow, offset = 0, counter = 0;
    auto writeLine = [&](int atRow, int off, std::string_view name, int quantity, double price,
                         std::string_view alias, std::string_view a, std::string_view b,
                         std::string_view c, double tariff, double rate) {
      if (cCode > 0) {
        std::u16string code = GoodsCode(context, name);
        if (!code.empty()) job.Set(atRow, cCode + off, code);
      }
      if (cName > 0) job.Set(atRow, cName + off, GoodsName(context, name, language));
      if (cQty > 0) job.Set(atRow, cQty + off, Printf16("%d", quantity));
      if (cPrice > 0) job.Set(atRow, cPrice + off, Printf16("%.2f", price));
      if (cAlias > 0 && !alias.empty()) job.Set(atRow, cAlias + off, W(alias));
      if (cA > 0 && !a.empty()) job.Set(atRow, cA + off, W(a));
      if (cB > 0 && !b.empty()) job.Set(atRow, cB + off, W(b));
      if (cC > 0 && !c.empty()) job.Set(atRow, cC + off, W(c));
      if (cTariff > 0) job.Set(atRow, cTariff + off, Printf16("%.2f", tariff));
      if (cRate > 0) job.Set(atRow, cRate + off, Printf16("%.4f", rate));
    };
    for (const auto& line : goods) {
      if (line->owner != r.irID || counter >= maxLines) break;
      if (shift > 0 && counter == maxLines / 2) {
        lineRow = firstRow;
        offset = shift;
      }
      writeLine(lineRow, offset, F(line->cgoods), line->iquantity, line->fprice, F(line->cgoodsa),
                F(line->cgcodea), F(line->cgcodeb), F(line->cgcodec), line->fgcustom,
                line->fgcrate);
      ++lineRow;
      ++counter;
    }
    if (counter == 0)
      writeLine(firstRow + 1, 0, F(r.cGoods), r.iQuantity, r.iPrice / 100.0, F(r.cGoodsA),
                F(r.cGCodeA), F(r.cGCodeB), F(r.cGCodeC), r.fGCustom, r.fGCRate);
  }

  // Printing.
  if (!keep) {
    int n = CopiesToPrint(copies);
    int sent = 0;
    if (cellOf(u"分单序", column, row)) {
      // A waybill saved without a piece count still prints once.
      int pieceTotal = std::max(1, r.iItem);
      for (int k = 1; k <= pieceTotal; ++k) {
        job.Set(row, column, Printf16("'%d/%d", k, pieceTotal));
        sent += job.Print(queue, pages, n);
      }
    } else {
      sent = job.Print(queue, pages, n);
    }
    // Nothing reached the queue: the job is not reported as printed.
    if (sent == 0 && context.keepAllIn.empty()) {
      job.PrintFailed(kWaybillNotPrintedText, W(r.cNum));
      context.failure = kNotPrinted;
      return nullptr;
    }
  }
  job.SaveAndClose();
  return model;
}
