#include "consolidation/BagLabels.h"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>

#include "common/GbkText.h"
#include "common/SafeFileName.h"
#include "common/TextCodec.h"
#include "print/Code128Bitmap.h"
#include "print/PrintText.h"
#include "print/SheetJob.h"
#include "print/TemplateModel.h"

namespace {

// GBK texts sent to the server or drawn as a bar code stop at 30 bytes.
constexpr size_t kNumberBytes = 30;

enum class Mode { kText, kWide, kValue };

// The workbook of one label.  A kept workbook never replaces one of the
// same second (the seal form prints two labels at once).
std::u16string LabelWorkbook(const PrintContext& context) {
  namespace fs = std::filesystem;
  const bool keep = !context.keepAllIn.empty();
  fs::path folder = keep ? fs::path(context.keepAllIn)
                         : fs::path(context.programFolder) / "DATA_TEMP";
  const long long seconds = static_cast<long long>(std::time(nullptr));
  char name[64];
  std::snprintf(name, sizeof name, "BAGLABEL_%lld.xls", seconds);
  fs::path path = folder / name;
  for (int n = 2; keep && fs::exists(path); ++n) {
    std::snprintf(name, sizeof name, "BAGLABEL_%lld_%d.xls", seconds, n);
    path = folder / name;
  }
  return NameOf(path);
}

}  // namespace

int FillBagLabel(const PrintContext& context, const BagLabelSources& s,
                 const CTemplateModel& model, const AwbPackInfo& awb,
                 const BagLabelDownload& download) {
  namespace fs = std::filesystem;
  std::lock_guard guard(*context.lock);
  const bool keep = !context.keepAllIn.empty();
  CSheetJob job(context, LabelWorkbook(context), keep);
  if (!job.Create(u"xBAGLABEL", model.Workbook())) return 0;
  const fs::path temp = fs::path(context.programFolder) / "DATA_TEMP";
  std::error_code ec;
  fs::create_directories(temp, ec);

  auto cellOf = [&](std::u16string_view field, int32_t& column, int32_t& row) {
    return model.ListFieldCell(GbkFromWide(field), column, row) != 0 && column >= 1 && row >= 1;
  };
  auto put = [&](std::u16string_view field, std::u16string_view value, Mode mode) {
    int32_t column = 0, row = 0;
    if (!cellOf(field, column, row)) return;
    switch (mode) {
      case Mode::kText:
        job.Session().SetCellText(row, column, value);
        break;
      case Mode::kWide:
        job.Session().SetCellString(row, column, value);
        break;
      case Mode::kValue:
        // Read as typed; a text the sheet would take for a formula stays text.
        job.Set(row, column, value);
        break;
    }
  };

  // The bar code of the bag number, at the field's cell.
  const std::string numberGbk = GbkCopyN(GbkFromWide(s.bagNumber), kNumberBytes);
  if (int32_t column = 0, row = 0; !numberGbk.empty() && cellOf(u"袋号条码位图", column, row)) {
    const int32_t width = model.GetInt(u"袋号条码宽");
    CCode128Bitmap bitmap;
    job.Code128(bitmap, numberGbk, model.GetInt(u"袋号条码像素高"), true, "B", 0,
                width >= 50 ? width : -1, temp / (SafeNumber(numberGbk) + "_N1.bmp"), column,
                row);
  }

  const auto firstTen = [](const std::u16string& time) { return time.substr(0, 10); };
  put(u"装袋ID", Printf16("%d", s.bagId), Mode::kWide);
  put(u"袋序", s.bagOrder, Mode::kText);
  put(u"袋号", s.bagNumber, Mode::kText);
  put(u"特控号", s.specialNumber, Mode::kText);
  put(u"特控袋序", s.specialOrder, Mode::kText);
  put(u"出发机场", s.fromAirport, Mode::kValue);
  put(u"目的机场", s.toAirport, Mode::kValue);
  put(u"出发站点", s.fromStation, Mode::kValue);
  put(u"目的站点", s.toStation, Mode::kValue);
  put(u"件数", Printf16("%d", s.itemRows), Mode::kWide);
  put(u"重量", Printf16("%.3f", s.weight), Mode::kValue);
  put(u"体积",
      s.length >= 1 && s.width >= 1 && s.height >= 1
          ? Printf16("%d*%d*%d", s.length, s.width, s.height)
          : std::u16string(),
      Mode::kValue);
  put(u"托运备注", s.consignmentNote, Mode::kText);
  put(u"装袋类型", s.baggingType, Mode::kText);
  put(u"标签", s.label, Mode::kText);
  put(u"操作备注", s.operationMemo, Mode::kText);

  // The airline's logo, fetched when the server's copy is newer and kept
  // in the program folder under the airline prefix.
  if (int32_t column = 0, row = 0;
      awb.number.find('-') != std::string::npos && cellOf(u"航线标志图", column, row)) {
    const std::string prefix = GbkCopyN(awb.number.substr(0, awb.number.find('-')), kNumberBytes);
    FileRequest request;
    request.kind = GbkFromWide(u"航线标志图");
    request.title = prefix;
    request.localPath = context.programFolder + SafeNumber(prefix) + ".jpg";
    if (!prefix.empty() && download && download(request) >= 1) {
      // A size below 1 leaves that side to the picture.
      int32_t width = model.GetInt(u"航线标志图宽");
      int32_t height = model.GetInt(u"航线标志图高");
      job.Picture(fs::path(request.localPath), column, row, width >= 1 ? width : -1,
                  height >= 1 ? height : -1, /*removeAfter=*/false);
    }
  }

  put(u"总单号", s.awbNumber, Mode::kText);
  put(u"总单托运备注", awb.ctransnote, Mode::kWide);
  put(u"总单出发地", awb.cfrom, Mode::kWide);
  put(u"总单目的地", awb.cdes, Mode::kWide);
  put(u"总单接货人账号", awb.creceiver, Mode::kWide);
  put(u"总单清关接货人", awb.cagent, Mode::kWide);
  put(u"总单提货电话", awb.cphone, Mode::kWide);
  put(u"总单报关承运人", awb.cbroker, Mode::kWide);
  put(u"总单托运姓名", awb.csname, Mode::kWide);
  put(u"总单托运地址", awb.csaddr, Mode::kWide);
  put(u"总单托运电话", awb.csphone, Mode::kWide);
  put(u"总单托运邮编", awb.cspostcode, Mode::kWide);
  put(u"总单备注", awb.cmemo, Mode::kWide);
  put(u"总单费用描述", awb.cothercharge, Mode::kWide);
  static constexpr const char16_t* kSpareFields[5] = {u"备用1", u"备用2", u"备用3", u"备用4",
                                                      u"备用5"};
  for (size_t i = 0; i < s.spares.size(); ++i) put(kSpareFields[i], s.spares[i], Mode::kText);
  put(u"当前用户", s.currentUser, Mode::kWide);
  put(u"创建者", s.creator, Mode::kWide);
  put(u"创建日期时间", s.creationTime, Mode::kWide);
  put(u"创建日期", firstTen(s.creationTime), Mode::kWide);
  put(u"封袋者", s.sealer, Mode::kWide);
  put(u"封袋日期时间", s.sealTime, Mode::kWide);
  put(u"封袋日期", firstTen(s.sealTime), Mode::kWide);
  put(u"配载者", s.loader, Mode::kWide);
  put(u"配载日期时间", s.loadingTime, Mode::kWide);
  put(u"配载日期", firstTen(s.loadingTime), Mode::kWide);

  // One page, one copy, to the template's label queue.  A print that sent
  // nothing is not a printed label.
  int result = 1;
  if (!keep) {
    const std::u16string queue =
        context.selectPrinter ? context.selectPrinter(2, model.Name()) : std::u16string();
    if (job.Print(queue, 1, 1) == 0) {
      job.PrintFailed(kBagLabelNotPrintedText, s.bagNumber);
      result = 0;
    }
  }
  job.SaveAndClose();
  return result;
}

int PrintBagLabels(const PrintContext& context, const BagLabelSources& sources,
                   BagLabelOrder order, bool bothLabels, const BagLabelAwbLoader& loadAwb,
                   const BagLabelDownload& download) {
  if (sources.bagNumber.empty() || sources.bagId < 1) return 0;
  const bool sealForm = order == BagLabelOrder::kSealForm;
  const std::string first = GbkFromWide(sealForm ? kBagLabelTemplate : kSealLabelTemplate);
  const std::string second = GbkFromWide(sealForm ? kSealLabelTemplate : kBagLabelTemplate);
  auto usable = [](const CTemplateModel* model) {
    return model != nullptr && model->HasWorkbook() && model->HasText();
  };
  CTemplateModel* model = context.findTemplate ? context.findTemplate(first, first) : nullptr;
  if (model == nullptr) {
    context.Message(context.Text(sealForm ? kSealFormNoLabelTemplateText
                                          : kBaggingFormNoLabelTemplateText));
    return 0;
  }
  if (!usable(model)) return 0;
  AwbPackInfo awb;
  if (!sources.awbNumber.empty()) {
    awb.number = GbkCopyN(GbkFromWide(sources.awbNumber), kNumberBytes);
    if (loadAwb) loadAwb(awb);
  }
  const int printed = FillBagLabel(context, sources, *model, awb, download);
  if (bothLabels) {
    CTemplateModel* other = context.findTemplate(second, second);
    if (usable(other)) FillBagLabel(context, sources, *other, awb, download);
  }
  return printed;
}
