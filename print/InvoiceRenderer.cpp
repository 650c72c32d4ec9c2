// The proforma invoice: values appended to the template's cells named by
// the invoice cell map, a goods table, totals, blocks and Code 128 pictures.
#include <QDate>
#include <QString>

#include <cmath>
#include <filesystem>

#include "common/TextCodec.h"
#include "print/Code128Bitmap.h"
#include "print/InvoiceCellMap.h"
#include "common/WideText.h"
#include "print/PrintText.h"
#include "print/Renderers.h"
#include "print/SheetJob.h"
#include "print/TemplateModel.h"
#include "refdata/PlaceDictionary.h"

std::string InvoiceFolder(const PrintContext& context) {
  return context.keepAllIn.empty() ? context.dayFolder : context.keepAllIn;
}

namespace {

// The description of a goods text: the part before a bracketed remark
// translated by the mode, the remark kept as it is.
std::u16string Description(const PrintContext& context, std::string_view gbk, int mode) {
  std::string text(gbk.substr(0, 255));
  std::string head = text, tail;
  size_t open = text.find('(');
  if (open != std::string::npos && text.find(')', open) != std::string::npos) {
    head = text.substr(0, open);
    tail = text.substr(open);
  }
  if (context.places != nullptr) {
    if (mode == 0) head = context.places->Translate(head);
    else if (mode == 1) head = context.places->TranslateToEnglish(head);
  }
  return W(head) + W(tail);
}

}  // namespace

int RenderProformaInvoice(const PrintContext& context, const CInvoiceCellMap& map,
                          int32_t recordId, int keepInFile, int copies, int forcedCopies) {
  std::lock_guard guard(*context.lock);
  if (!map.IsLoaded() || map.Template() == nullptr) {
    context.Message(context.Text(kNoInvoiceTemplateText, u"没有选择可用的形式发票模版。"));
    return 0;
  }
  InputWaybillRecord input{};
  PieceList pieces;
  GoodsList goods;
  if (context.Load(recordId, input, pieces, goods) == 0) return 0;
  const WaybillRecord& r = input.waybill;
  CTemplateModel* model = map.Template();

  bool keep = keepInFile != 0 || !context.keepAllIn.empty();
  std::u16string workbook = NameOf(std::filesystem::path(InvoiceFolder(context)) /
                                   ("INVOICE_" + SafeNumber(F(r.cNum)) + ".xls"));
  CSheetJob job(context, workbook, keep);
  if (!job.Create(u"Invoice", model->Workbook())) return 0;
  std::u16string queue = context.selectPrinter ? context.selectPrinter(3, model->Name()) : u"";
  CExcelSession& session = job.Session();

  auto cell = [&](int n) { return *map.FieldCell(n); };
  // Appends to the text the template holds in cell n; an empty cell first
  // takes an apostrophe when `quote` is set.
  auto append = [&](int n, std::u16string_view value, bool quote = false) {
    auto [row, column] = cell(n);
    if (row < 1 || column < 1) return;
    std::u16string existing = W(session.CellText(row, column));
    if (existing.empty() && quote) existing = u"'";
    job.Set(row, column, existing + std::u16string(value));
  };
  auto appendDecoded = [&](int n, std::string_view gbk) {
    auto [row, column] = cell(n);
    if (row < 1 || column < 1) return;
    std::u16string existing = Trimmed(session.CellTextTo(row, column, 511));
    session.SetCellString(row, column, Trimmed(existing + Decoded(gbk)));
  };

  // Single cells, in the map's writing order.
  append(0, r.cNo[0] ? W(r.cNo) : W(r.cNum), true);
  append(28, W(r.cMark));
  append(29, W(r.cPack));
  append(30, W(r.cTransNote));
  append(1, Printf16("%.3fkg", r.fWeight), true);
  if (strnlen(r.cLwh, sizeof r.cLwh) >= 2) append(2, W(r.cLwh));
  append(3, Printf16("%02d/%02d/%d", r.month, r.day, r.year));
  append(4, QDate::currentDate().toString(u"MM/dd/yyyy"_qs).toStdU16String());
  appendDecoded(5, F(r.cRUnit));
  appendDecoded(6, F(r.cReceiver));
  appendDecoded(7, F(r.cRAddr));
  append(8, W(r.cRPhone), true);
  append(9, W(r.cRPostcode), true);
  appendDecoded(10, F(r.cRCity));
  appendDecoded(11, F(r.cRProvince));
  appendDecoded(12, F(r.cRCountry));
  append(13, W(r.cSUnit));
  append(14, W(r.cSender));
  append(15, W(r.cSAddr));
  append(16, W(r.cSPhone), true);
  append(17, W(r.cSPostcode), true);
  append(18, W(r.cSCity));
  append(19, W(r.cSProvince));
  append(20, W(r.cSCountry));
  append(32, Printf16("%d", r.iReserve));
  append(31, W(r.cReserve));
  append(33, W(r.cNum));
  append(34, W(r.cNo));
  append(35, W(r.cRNo));
  append(36, W(r.cCNo));
  append(37, Printf16("%.2f", r.iDValue / 100.0));
  append(38, W(r.cBy1));
  append(39, W(r.cBy2));
  append(40, W(r.cBy3));
  append(41, W(r.cBy4));
  append(42, W(r.cBy5));

  // Goods table.
  int firstRow = cell(21).first;
  if (firstRow < 1) {
    for (int n : {43, 44, 45, 46, 51, 52, 53}) {
      if (cell(n).second >= 1) {
        firstRow = cell(n).first;
        break;
      }
    }
  }
  std::u16string money = W(r.cMoney);
  double totalAmount = 0, totalTariff = 0, totalWeight = 0;
  auto put = [&](int n, int row, std::u16string_view value) {
    int column = cell(n).second;
    if (column >= 1 && row >= 1) job.Set(row, column, value);
  };
  auto putText = [&](int n, int row, std::string_view gbk) {
    if (!gbk.empty()) put(n, row, W(gbk));
  };
  int mode = map.DescriptionMode();
  if (firstRow >= 1) {
    if (goods.empty()) {
      int row = firstRow + 1;
      put(21, row, Description(context, F(r.cGoods), mode));
      put(22, row, Printf16("%d", r.iQuantity));
      put(23, row, money + Printf16("%.2f", r.iPrice / 100.0));
      put(24, row, W(r.cOrigin));
      double amount = static_cast<double>(r.iPrice) * r.iQuantity / 100.0;
      put(25, row, money + Printf16("%.2f", amount));
      putText(43, row, F(r.cGoodsA));
      putText(44, row, F(r.cGCodeA));
      putText(45, row, F(r.cGCodeB));
      putText(46, row, F(r.cGCodeC));
      put(47, row, Printf16("%.2f", r.fGCustom));
      put(48, row, Printf16("%.4f", r.fGCRate));
      put(49, row, Printf16("%.3f", r.fWeightb));
      putText(50, row, F(r.cLwh));
      put(51, row, W(r.cNum));
      putText(52, row, F(r.cNo));
      putText(53, row, F(r.cRNo));
      putText(56, row, F(r.cGUnit));
      totalAmount = amount;
      totalTariff = r.fGCustom;
      totalWeight = r.fWeightb;
    } else if (map.PieceLines()) {
      int row = firstRow;
      for (const auto& p : pieces) {
        if (p->owner != r.irID) break;
        put(21, row, Description(context, F(p->cxGoods), mode));
        put(22, row, Printf16("%d", p->ixQuantity));
        put(23, row, money + Printf16("%.2f", p->ixPrice / 100.0));
        put(24, row, W(r.cOrigin));
        double amount = static_cast<double>(p->ixPrice) * p->ixQuantity / 100.0;
        put(25, row, money + Printf16("%.2f", amount));
        putText(43, row, F(p->cxGoodsA));
        putText(44, row, F(p->cxGCodeA));
        putText(45, row, F(p->cxGCodeB));
        putText(46, row, F(p->cxGCodeC));
        put(47, row, Printf16("%.2f", p->fxGCustom));
        put(48, row, Printf16("%.4f", p->fxGCRate));
        put(49, row, Printf16("%.3f", p->ixWeight / 1000.0));
        if (p->ixLong >= 1)
          put(50, row, Printf16("%d*%d*%d", p->ixLong, p->ixWidth, p->ixHeight));
        putText(51, row, F(p->cxNum));
        putText(52, row, F(p->cxNo));
        putText(53, row, F(p->cxRNo));
        totalAmount += amount;
        totalTariff += p->fxGCustom;
        totalWeight += p->ixWeight / 1000.0;
        ++row;
      }
    } else {
      int row = firstRow;
      for (const auto& g : goods) {
        if (g->owner != r.irID) break;
        put(21, row, Description(context, F(g->cgoods), mode));
        put(22, row, Printf16("%d", g->iquantity));
        put(23, row, money + Printf16("%.2f", g->fprice));
        put(24, row, W(r.cOrigin));
        double amount = std::round(g->fprice * 100.0) * g->iquantity / 100.0;
        put(25, row, money + Printf16("%.2f", amount));
        putText(43, row, F(g->cgoodsa));
        putText(44, row, F(g->cgcodea));
        putText(45, row, F(g->cgcodeb));
        putText(46, row, F(g->cgcodec));
        put(47, row, Printf16("%.2f", g->fgcustom));
        put(48, row, Printf16("%.4f", g->fgcrate));
        putText(56, row, F(g->cunit));
        totalAmount += amount;
        totalTariff += g->fgcustom;
        ++row;
      }
    }
  }
  append(26, money + Printf16("%.2f", totalAmount));
  append(54, Printf16("%.2f", totalTariff));
  append(27, Printf16("%d", r.iItem));
  append(55, Printf16("%.3f", totalWeight));

  // List fields appended to their cells.
  auto listAppend = [&](std::u16string_view field, std::u16string_view value) {
    int32_t column = -1, row = -1;
    if (!model->ListFieldCell(GbkFromWide(field), column, row) || column < 1 || row < 1) return;
    std::u16string existing = W(session.CellText(row, column));
    job.Set(row, column, existing + std::u16string(value));
  };
  listAppend(u"发件邮箱", W(r.cSEMail));
  listAppend(u"发件短信", W(r.cSSms));
  listAppend(u"收件邮箱", W(r.cREMail));
  listAppend(u"收件短信", W(r.cRSms));

  // Blocks.
  int32_t column = -1, row = -1;
  if (model->ListFieldCell(GbkFromWide(u"发件人"), column, row) && column >= 1 && row >= 1) {
    std::u16string block = model->GetBlock(u"发件人定义");
    if (block.size() < 6) {
      job.Set(row, column, W(r.cSender));
    } else {
      for (auto [tag, value] : {std::pair<const char16_t*, std::u16string>{u"[发件人]", W(r.cSender)},
                                {u"[单位]", W(r.cSUnit)}, {u"[地址]", W(r.cSAddr)},
                                {u"[电话]", W(r.cSPhone)}, {u"[邮编]", W(r.cSPostcode)},
                                {u"[短信]", W(r.cSSms)}, {u"[电邮]", W(r.cSEMail)},
                                {u"[国家]", W(r.cSCountry)}, {u"[省州]", W(r.cSProvince)},
                                {u"[城市]", W(r.cSCity)}})
        ReplaceAllW(block, tag, value);
      job.Set(row, column, block);
    }
  }
  if (model->ListFieldCell(GbkFromWide(u"收件人"), column, row) && column >= 1 && row >= 1) {
    std::u16string block = model->GetBlock(u"收件人定义");
    if (block.size() < 6) {
      session.SetCellString(row, column, Decoded(r.cReceiver));
    } else {
      for (auto [tag, value] :
           {std::pair<const char16_t*, std::u16string>{u"[收件人]", Decoded(r.cReceiver)},
            {u"[单位]", Decoded(r.cRUnit)}, {u"[地址]", Decoded(r.cRAddr)},
            {u"[电话]", W(r.cRPhone)}, {u"[邮编]", W(r.cRPostcode)}, {u"[短信]", W(r.cRSms)},
            {u"[电邮]", W(r.cREMail)}, {u"[国家]", Decoded(r.cRCountry)},
            {u"[省州]", Decoded(r.cRProvince)}, {u"[城市]", Decoded(r.cRCity)}})
        ReplaceAllW(block, tag, value);
      job.Set(row, column, block);
    }
  }

  int pages = std::max(1, model->GetInt(u"打印页数"));
  int templateCopies = model->GetInt(u"打印份数");
  if (templateCopies >= 2 && copies < 2) copies = templateCopies;
  bool noText = model->GetInt(u"条码不要字符") == 1;

  // Barcodes.
  std::filesystem::path temp = std::filesystem::path(context.programFolder) / "DATA_TEMP";
  struct Code { const char16_t* field; const char16_t* prefix; std::string number; const char* suffix; };
  for (const Code& c : {Code{u"内单条码位图", u"内单条码", std::string(F(r.cNum)), "_N1"},
                        Code{u"转单条码位图", u"转单条码", std::string(F(r.cNo)), "_N2"},
                        Code{u"参考条码位图", u"参考条码", std::string(F(r.cRNo)), "_N3"},
                        Code{u"报关条码位图", u"报关条码", std::string(F(r.cCNo)), "_N4"}}) {
    if (c.number.empty()) continue;
    if (!model->ListFieldCell(GbkFromWide(c.field), column, row) || column < 1 || row < 1) continue;
    std::u16string prefix(c.prefix);
    int size = model->GetInt(prefix + u"宽");
    CCode128Bitmap bitmap;
    job.Code128(bitmap, c.number, model->GetInt(prefix + u"像素高"), noText, nullptr,
                model->GetInt(prefix + u"方向"), size >= 50 ? size : -1,
                temp / (SafeNumber(c.number) + c.suffix + ".bmp"), column, row);
  }

  if (!keep) {
    // A forced count prints exactly that many; otherwise the force offset
    // is undone and a template's own count is printed as asked.
    int count = forcedCopies > 0 ? forcedCopies : CopiesToPrint(copies);
    if (context.keepAllIn.empty() && job.Print(queue, pages, count) == 0) {
      job.PrintFailed(kInvoiceNotPrintedText, W(r.cNum));
      return 0;
    }
  }
  job.SaveAndClose();
  return 1;
}
