// A sheet of parcel labels: one label per record (or per piece), placed
// across then down by the label layout, printed and removed.
#include <filesystem>
#include <map>

#include "common/TextCodec.h"
#include "print/Code128Bitmap.h"
#include "print/LabelLayout.h"
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

int32_t& LabelSerialNumber() {
  static int32_t serial = 0;
  return serial;
}

namespace {

// A sender or receiver block with its tags replaced; the trailing tags are
// emptied when the block already holds their value.
std::u16string FillBlock(std::u16string block,
                         const std::vector<std::pair<std::u16string, std::u16string>>& plain,
                         const std::vector<std::pair<std::u16string, std::u16string>>& once) {
  for (const auto& [tag, value] : plain) ReplaceAllW(block, tag, value);
  for (const auto& [tag, value] : once) {
    bool present = !value.empty() && block.find(value) != std::u16string::npos;
    ReplaceAllW(block, tag, present ? std::u16string() : value);
  }
  return Trimmed(block);
}

}  // namespace

int RenderLabelSheet(const PrintContext& context, std::vector<int32_t>& ids, int capacity,
                     int& pieceCursor, int& pieceCount, int copies, const CLabelLayout& layout,
                     int serialStart) {
  std::lock_guard guard(*context.lock);
  if (serialStart >= 0) LabelSerialNumber() = serialStart;
  CTemplateModel* model = layout.Template();
  context.failure = kNoTemplate;
  if (model == nullptr) return 0;
  if (capacity < 1) capacity = 1;
  // What the caller passed, given back when the sheet does not print.
  const std::vector<int32_t> startIds = ids;
  const int startCursor = pieceCursor;

  std::u16string workbook =
      !context.keepAllIn.empty()
          ? TemporaryWorkbook(context.keepAllIn, "BILL_")
          : TemporaryWorkbook(context.programFolder + "DATA_TEMP", "BILL_");
  CSheetJob job(context, workbook, !context.keepAllIn.empty());
  context.failure = kNoWorkbook;
  if (!job.Create(u"BILL", model->Workbook())) return 0;
  context.failure = kPrintDone;
  std::u16string queue = context.selectPrinter ? context.selectPrinter(2, model->Name()) : u"";

  int pages = model->GetInt(u"打印页数");
  pages = (pages >= 1 && capacity <= 1) ? pages : 1;
  int language = model->GetInt(u"物品名称语言选择");
  int magnification = model->GetInt(u"条码位图放大倍数");
  bool noText = model->GetInt(u"条码不要字符") == 1;
  bool upper = model->GetInt(u"全部转换大写") == 1;
  bool flatten = model->GetInt(u"换行转空格") == 1;
  std::u16string senderBlockText = model->GetBlock(u"发件人定义");
  std::u16string receiverBlockText = model->GetBlock(u"收件人定义");
  std::u16string qrText = model->GetBlock(u"二维码定义");
  ReplaceAllW(senderBlockText, u"\r", u"");
  ReplaceAllW(receiverBlockText, u"\r", u"");
  std::filesystem::path temp = std::filesystem::path(context.programFolder) / "DATA_TEMP";
  std::error_code ec;
  std::filesystem::create_directories(temp, ec);

  std::vector<int32_t> unloadable;
  std::vector<std::u16string> sheetNumbers;  // the waybills with a label here
  int k = 0;
  while (!ids.empty() && k < capacity) {
    InputWaybillRecord input{};
    PieceList pieces;
    GoodsList goods;
    int32_t id = ids.front();
    if (context.Load(id, input, pieces, goods) == 0) {
      // A record that cannot be loaded leaves the queue and is reported
      // below; the sheet goes on with the next one.
      unloadable.push_back(id);
      ids.erase(ids.begin());
      if (pieceCursor >= 1) pieceCursor = 1;
      continue;
    }
    const WaybillRecord& r = input.waybill;
    sheetNumbers.push_back(W(r.cNum));
    pieceCount = pieceCursor >= 1 ? r.iItem : 1;
    const DestinationRecord* destination =
        context.findDestination ? context.findDestination(F(r.cDes)) : nullptr;
    CServiceKind* kind = context.findServiceKind ? context.findServiceKind(F(r.cZizKind)) : nullptr;
    std::string numberName = SafeNumber(F(r.cNum));

    // Texts.
    std::u16string sName = W(r.cSender), sUnit = W(r.cSUnit), sCity = W(r.cSCity),
                   sProvince = W(r.cSProvince), sCountry = W(r.cSCountry), sAddr = W(r.cSAddr),
                   sPost = W(r.cSPostcode);
    std::u16string rName = Decoded(r.cReceiver), rUnit = Decoded(r.cRUnit),
                   rCity = Decoded(r.cRCity), rProvince = Decoded(r.cRProvince),
                   rCountry = Decoded(r.cRCountry), rAddr = Decoded(r.cRAddr),
                   rPost = W(r.cRPostcode);
    if (flatten) {
      for (std::u16string* a : {&sAddr, &rAddr}) {
        ReplaceAllW(*a, u"\r", u"");
        ReplaceAllW(*a, u"\n", u" ");
      }
    }
    if (upper) {
      for (std::u16string* t : {&sName, &sUnit, &sCity, &sProvince, &sCountry, &sAddr, &sPost,
                                &rName, &rUnit, &rCity, &rProvince, &rCountry, &rAddr, &rPost})
        *t = Upper(*t);
    }
    std::map<std::u16string, std::u16string> v;
    v[u"网络渠道"] = W(r.cZizKind);
    v[u"发件人姓名"] = sName;
    v[u"发件人"] = senderBlockText.size() >= 6
                       ? FillBlock(senderBlockText,
                                   {{u"[发件人]", sName}, {u"[单位]", sUnit}, {u"[地址]", sAddr},
                                    {u"[电话]", W(r.cSPhone)}, {u"[邮编]", sPost},
                                    {u"[短信]", W(r.cSSms)}, {u"[电邮]", W(r.cSEMail)}},
                                   {{u"[国家]", sCountry}, {u"[省州]", sProvince}, {u"[城市]", sCity}})
                       : sName;
    v[u"发件单位"] = sUnit;
    v[u"发件城市"] = sCity;
    v[u"发件省州"] = sProvince;
    v[u"发件国家"] = sCountry;
    v[u"发件地址"] = sAddr;
    v[u"发件电话"] = DigitText(F(r.cSPhone));
    v[u"发件邮编"] = DigitText(GbkFromWide(sPost));
    v[u"发件短信"] = DigitText(F(r.cSSms));
    v[u"发件邮箱"] = W(r.cSEMail);
    v[u"收件人姓名"] = rName;
    v[u"收件人"] = receiverBlockText.size() >= 6
                       ? FillBlock(receiverBlockText,
                                   {{u"[目的地]", W(r.cDes)}, {u"[收件人]", rName}, {u"[单位]", rUnit},
                                    {u"[地址]", rAddr}, {u"[短信]", W(r.cRSms)},
                                    {u"[电邮]", W(r.cREMail)}},
                                   {{u"[邮编]", rPost}, {u"[电话]", W(r.cRPhone)},
                                    {u"[国家]", rCountry}, {u"[省州]", rProvince}, {u"[城市]", rCity}})
                       : rName;
    v[u"收件单位"] = rUnit;
    v[u"收件地址"] = rAddr;
    v[u"收件城市"] = rCity;
    v[u"收件省州"] = rProvince;
    v[u"收件国家"] = rCountry;
    v[u"收件电话"] = DigitText(F(r.cRPhone));
    v[u"收件邮编"] = DigitText(GbkFromWide(rPost));
    v[u"收件短信"] = DigitText(F(r.cRSms));
    v[u"收件邮箱"] = W(r.cREMail);
    v[u"收客户费"] = Printf16("'%.2f", r.fAmount);
    if (destination != nullptr) {
      v[u"目的地编码"] = W(destination->Code());
      v[u"目的地英文"] = W(destination->NameEn());
      v[u"目的地扫描码"] = W(destination->ShortCode());
      v[u"目的地二字代码"] = W(F(destination->iso2));
      v[u"目的地三字代码"] = W(F(destination->iso3));
      int area = kind != nullptr ? kind->AreaNumber(F(r.cDes)) : 0;
      if (area < 1) area = destination->zone;
      v[u"目的地分区"] = Printf16("%d", area);
    }
    v[u"入重"] = Printf16("%.3fkg", r.fWeight);
    v[u"业务日期"] = Printf16("'%d-%02d-%02d", r.year, r.month, r.day);
    v[u"出发地"] = W(r.cAddrFrom);
    v[u"目的地"] = W(r.cDes);
    v[u"物品描述"] = W(r.cGoods);
    v[u"物品包装"] = W(r.cPack);
    v[u"托运备注"] = W(r.cTransNote);
    v[u"留用数"] = Printf16("%d", r.iReserve);
    v[u"留用串"] = W(r.cReserve);
    v[u"备用一"] = W(r.cBy1);
    v[u"备用二"] = W(r.cBy2);
    v[u"备用三"] = W(r.cBy3);
    v[u"备用四"] = W(r.cBy4);
    v[u"备用五"] = W(r.cBy5);
    v[u"内单号39码"] = u"*" + W(r.cNum) + u"*";
    v[u"标签"] = W(r.cMark);
    v[u"所属部门"] = W(r.cDepart);
    PutAddressLines(v, u"收件地址", F(r.cRAddr));
    PutAddressLines(v, u"发件地址", F(r.cSAddr));
    static const char16_t* kItemCaptions[3] = {u"文件", u"包裹", u"防水袋"};
    static const char16_t* kPayCaptions[3] = {u"月结", u"现付", u"到付"};
    if (r.nItemType <= 2) v[u"文件√"] = kItemCaptions[r.nItemType];
    if (r.nPayWay <= 2) v[u"月结√"] = kPayCaptions[r.nPayWay];
    v[u"称重"] = Printf16("%.3fkg", r.fWeightb);
    v[u"结算指示"] = W(r.cPayDir);
    v[u"声明价值"] = Printf16("'%.2f", r.iDValue / 100.0);
    v[u"投保价值"] = Printf16("'%.2f", r.iIValue / 100.0);
    v[u"件数"] = Printf16("%d", r.iItem);
    if (r.nPayWay == 2) v[u"到付运费"] = Printf16("'%.2f", r.fAmount);
    if (r.fGoods >= 0.01) v[u"代收货款"] = Printf16("'%.2f", r.fGoods);
    v[u"物品关税"] = Printf16("%.2f", r.fGCustom);
    v[u"物品税率"] = Printf16("%.4f", r.fGCRate);
    v[u"物品数量"] = Printf16("'%d", r.iQuantity);
    v[u"物品单价"] = Printf16("'%.2f", r.iPrice / 100.0);
    v[u"备注"] = W(r.cMemo);
    if (context.places != nullptr) {
      v[u"物品名称1"] = language == 1   ? W(context.places->Translate(F(r.cGoods)))
                        : language == 2 ? W(context.places->TranslateToEnglish(F(r.cGoods)))
                                        : W(r.cGoods);
      if (auto code = context.places->CodeOfPlace(F(r.cGoods))) v[u"物品编码1"] = W(*code);
    } else {
      v[u"物品名称1"] = W(r.cGoods);
    }
    v[u"物品数量1"] = Printf16("%d", r.iQuantity);
    v[u"物品价格1"] = W(r.cMoney) + Printf16("%.2f", r.iPrice / 100.0);
    // Written even when empty.
    std::map<std::u16string, std::u16string> always = {
        {u"内部单号", DigitText(F(r.cNum))}, {u"转运单号", DigitText(F(r.cNo))},
        {u"参考号", DigitText(F(r.cRNo))},   {u"报关单号", DigitText(F(r.cCNo))},
        {u"物品别名", W(r.cGoodsA)},          {u"物品甲码", W(r.cGCodeA)},
        {u"物品乙码", W(r.cGCodeB)},          {u"物品丙码", W(r.cGCodeC)}};

    // One label per loop: piece labels of a record repeat from here.
    for (;;) {
      int column = -1, row = -1;
      if (context.fields != nullptr) {
        for (int slot = 0; slot < kPrintFieldCount; ++slot) {
          const std::u16string& slotName = context.fields->NameW(slot);
          if (slotName.empty() || !layout.FieldCellAt(slot, column, row, k)) continue;
          if (auto a = always.find(slotName); a != always.end()) {
            job.Set(row, column, a->second);
          } else if (auto it = v.find(slotName); it != v.end() && !it->second.empty()) {
            job.Set(row, column, it->second);
          }
        }
      }
      auto cellOf = [&](std::u16string_view field, int& c, int& rr) {
        return layout.CellOfField(GbkFromWide(field), c, rr, k) != 0 && c >= 1 && rr >= 1;
      };
      // The named fields the dictionary has no slot for ("网络渠道",
      // "收件人姓名", "物品名称1" ...) are found by their list name.
      auto unslotted = [&](const std::u16string& name) {
        return context.fields == nullptr || context.fields->SlotOf(GbkFromWide(name)) < 0;
      };
      for (const auto& [name, value] : always)
        if (unslotted(name) && cellOf(name, column, row)) job.Set(row, column, value);
      for (const auto& [name, value] : v)
        if (!value.empty() && unslotted(name) && cellOf(name, column, row))
          job.Set(row, column, value);
      // Destination scan code picture.
      if (destination != nullptr && !destination->ShortCode().empty() &&
          cellOf(u"目的地扫描码位图", column, row)) {
        CCode128Bitmap bitmap;
        int size = model->GetInt(u"目的地扫描码宽");
        job.Code128(bitmap, destination->ShortCode(), model->GetInt(u"目的地扫描码像素高"), false,
                    nullptr, model->GetInt(u"目的地扫描码方向"), size >= 50 ? size : -1,
                    temp / (numberName + "_RR" + std::to_string(k) + ".bmp"), column, row);
      }
      // QR Code.
      if (!qrText.empty() && context.markers != nullptr && cellOf(u"二维码位图", column, row)) {
        std::u16string content = qrText;
        FieldMarkerContext markerContext;
        if (r.nItemType <= 2) markerContext.itemTypeCaption = kItemCaptions[r.nItemType];
        if (r.nPayWay <= 2) markerContext.payWayCaption = kPayCaptions[r.nPayWay];
        if (destination != nullptr) {
          markerContext.destinationCode = W(destination->Code());
          markerContext.destinationEnglish = W(destination->NameEn());
        }
        CFieldMarkers::Replace(content, FieldMarkerValues(r, markerContext));
        std::string gbk = GbkFromWide(content);
        if (gbk.size() > 4095) gbk.resize(4095);
        int size = model->GetInt(u"二维码宽");
        CQrEncoder qr;
        std::filesystem::path file = temp / (numberName + "_qr" + std::to_string(k) + ".bmp");
        if (qr.Encode(1, 0, true, 0, gbk.c_str(), 0) && qr.WriteBmp(file, 16))
          job.Picture(file, column, row, size >= 50 ? size : -1, size >= 50 ? size : -1);
      }
      // Barcode groups.
      std::string transfer(F(r.cNo));
      if (transfer.size() < 4) transfer = std::string(F(r.cNum));
      struct Group {
        const char16_t* field;
        const char16_t* prefix;
        std::string number;
        size_t minimum;
        bool own;
        bool lines;
        const char* suffix;
      };
      for (const Group& g :
           {Group{u"内单条码位图", u"内单条码", std::string(F(r.cNum)), 0, true, true, "_N"},
            Group{u"转单条码位图", u"转单条码", transfer, 2, true, true, "_Z"},
            Group{u"参考号条码位图", u"参考号条码", std::string(F(r.cRNo)), 2, false, true, "_R8"},
            Group{u"报关号条码位图", u"报关号条码", std::string(F(r.cCNo)), 2, false, true, "_C9"},
            Group{u"收件邮编条码位图", u"收件邮编条码", std::string(F(r.cRPostcode)), 4, false, false,
                  "_RZIP"}}) {
        if (g.number.empty() || g.number.size() < g.minimum) continue;
        std::string safe = SafeNumber(g.number);
        std::filesystem::path shared;
        int last = g.own ? 3 : 4;
        for (int picture = 1; picture <= last; ++picture) {
          std::u16string n = picture == 1 ? u"" : Printf16("%d", picture);
          if (!cellOf(std::u16string(g.field) + n, column, row)) {
            if (picture == 1) break;
            continue;
          }
          std::u16string keySuffix = g.own ? n : u"";
          int direction = model->GetInt(std::u16string(g.prefix) + u"方向" + keySuffix);
          int size = model->GetInt(std::u16string(g.prefix) + u"宽" + keySuffix);
          bool vertical = direction == 1 || direction == 3;
          double w = vertical ? -1 : (size >= 50 ? size : -1);
          double h = vertical ? (size >= 50 ? size : -1) : -1;
          if (!g.own && !shared.empty()) {
            job.Picture(shared, column, row, w, h);
            continue;
          }
          CCode128Bitmap bitmap;
          if (magnification >= 2) bitmap.SetMagnification(magnification);
          std::string mask;
          if (g.lines) {
            int top = model->GetInt(std::u16string(g.prefix) + u"上横线" + keySuffix);
            int bottom = model->GetInt(std::u16string(g.prefix) + u"下横线" + keySuffix);
            if (top > 0) bitmap.SetTopLineRows(top);
            if (bottom > 0) bitmap.SetBottomLineRows(bottom);
            model->GetString(std::u16string(g.prefix) + u"掩码" + keySuffix, &mask);
          }
          std::string suffix = g.own ? std::string(g.suffix) + std::to_string(picture) : g.suffix;
          std::filesystem::path file = temp / (safe + suffix + std::to_string(k) + ".bmp");
          if (job.Code128(bitmap, g.number,
                          model->GetInt(std::u16string(g.prefix) + u"像素高" + keySuffix), noText,
                          mask.empty() ? nullptr : mask.c_str(), direction, size >= 50 ? size : -1,
                          file, column, row))
            shared = file;
        }
      }
      // Piece order and serial number.
      if (cellOf(u"分单序", column, row))
        job.Set(row, column, Printf16("'%d/%d", std::max(pieceCursor, 1), r.iItem));
      if (serialStart != -2) ++LabelSerialNumber();
      if (cellOf(u"序号", column, row)) job.Set(row, column, Printf16("%d", LabelSerialNumber()));
      ++k;
      if (pieceCursor >= 1) {
        ++pieceCursor;
        if (pieceCursor <= r.iItem) {
          if (k >= capacity) break;
          continue;
        }
        pieceCursor = 1;
      }
      ids.erase(ids.begin());
      break;
    }
  }

  // A sheet without a label is neither printed nor reported as printed.
  bool notPrinted = k > 0 && context.keepAllIn.empty() &&
                    job.Print(queue, pages, CopiesToPrint(copies)) == 0;
  if (notPrinted) {
    std::u16string numbers;
    for (const std::u16string& number : sheetNumbers)
      numbers += (numbers.empty() ? u"" : u", ") + number;
    job.PrintFailed(kLabelsNotPrintedText, numbers);
    ids = startIds;
    pieceCursor = startCursor;
  }
  job.SaveAndClose();
  if (!unloadable.empty()) {
    std::u16string list;
    for (int32_t id : unloadable) list += (list.empty() ? u"" : u", ") + Printf16("%d", id);
    std::u16string text = context.Text(22101);
    ReplaceAllW(text, u"%1", list);
    context.Message(text);
  }
  // A sheet whose records could none be loaded has printed nothing, yet
  // the run goes on with the ids after them: only those records were lost.
  if (k == 0 && !unloadable.empty()) {
    context.failure = kRecordMissing;
    return 1;
  }
  context.failure = k > 0 && !notPrinted ? kPrintDone : kNotPrinted;
  return k > 0 && !notPrinted ? 1 : 0;
}
