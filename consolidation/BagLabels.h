#pragma once
// Bag labels: the seal label (template "封袋标签") and the bag label
// (template "装袋标签").  Both are print templates whose list fields take
// the bag's header values, its master air waybill's details, a Code 128
// picture of the bag number and, for a bag on a master air waybill, the
// airline's logo.  The bagging form and the seal form hand their values
// over as BagLabelSources and print through the same fill; nothing here
// needs a window.
//
//   BagLabelSources s = ...;           // read from the form
//   PrintBagLabels(app.MakePrintContext(), s, BagLabelOrder::kSealForm, bothLabels,
//                  [&](AwbPackInfo& info) { return app.LoadAwbPackInfo(info); },
//                  [&](const FileRequest& r) { return app.DownloadFileLength(r); });

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "print/PrintContext.h"
#include "refdata/AwbBagLists.h"
#include "server/ServerLink.h"

class CTemplateModel;

// The values a form hands to the fill.
struct BagLabelSources {
  int32_t bagId = 0;
  std::u16string bagNumber;
  std::u16string bagOrder;
  std::u16string specialNumber;  // special-control number
  std::u16string specialOrder;   // special bag order
  std::u16string fromAirport;
  std::u16string toAirport;
  std::u16string fromStation;
  std::u16string toStation;
  double weight = 0;  // kg
  int32_t length = 0;  // cm
  int32_t width = 0;
  int32_t height = 0;
  std::u16string consignmentNote;
  std::u16string baggingType;
  std::u16string label;
  std::u16string operationMemo;
  std::array<std::u16string, 5> spares;
  std::u16string awbNumber;  // empty when the bag is on no master air waybill
  std::u16string creator;
  std::u16string creationTime;  // "yyyy-mm-dd hh:mm:ss"
  std::u16string sealer;
  std::u16string sealTime;
  std::u16string loader;
  std::u16string loadingTime;
  int itemRows = 0;  // rows of the form's item grid ("件数" counts rows, not pieces)
  std::u16string currentUser;  // the logged-in account
};

// Fetches a file of the server into request.localPath (only when the
// server's copy is newer) and gives the local file's length, -1 when
// there is none (CBrantleClientApp::DownloadFileLength).
using BagLabelDownload = std::function<int64_t(const FileRequest& request)>;
// Fills the master air waybill details of info.number (GBK);
// CBrantleClientApp::LoadAwbPackInfo.
using BagLabelAwbLoader = std::function<int(AwbPackInfo& info)>;

// The template kinds (and names) of the two labels.
inline constexpr char16_t kSealLabelTemplate[] = u"封袋标签";
inline constexpr char16_t kBagLabelTemplate[] = u"装袋标签";

// "The labels of bag %1 were not printed: %2"
inline constexpr int32_t kBagLabelNotPrintedText = 701000;
// The first template is missing: 400092 on the bagging form, 360092 on the
// seal form.
inline constexpr int32_t kBaggingFormNoLabelTemplateText = 400092;
inline constexpr int32_t kSealFormNoLabelTemplateText = 360092;

// Fills one label template with the sources and prints it to the
// template's label queue (the context's printer of kind 2).  The workbook
// "DATA_TEMP/BAGLABEL_<seconds>.xls" and the bar code picture
// "DATA_TEMP/<bag number>_N1.bmp" go once the label is printed; the
// airline logo "<prefix>.jpg" in the program folder stays.  With the
// context's keepAllIn the workbook is kept there instead of printed.
// 1 printed (or kept); 0 when the workbook could not be made (the
// office suite's reason was shown) or the print reached no queue (the
// operator is told, text 701000).
int FillBagLabel(const PrintContext& context, const BagLabelSources& sources,
                 const CTemplateModel& model, const AwbPackInfo& awb,
                 const BagLabelDownload& download);

// Which label comes first: the bagging form prints the seal label and,
// when asked, the bag label; the seal form the other way round.
enum class BagLabelOrder { kBaggingForm, kSealForm };

// The print command of both forms: nothing without a bag number or a
// loaded bag (id below 1); the first template (context.findTemplate) or
// its missing-template message; the master air waybill details when the
// bag is on one; the first label and, with `bothLabels`, the second when
// its template exists with workbook and text (else skipped silently).
// 1 when the first label printed, else 0.
int PrintBagLabels(const PrintContext& context, const BagLabelSources& sources,
                   BagLabelOrder order, bool bothLabels, const BagLabelAwbLoader& loadAwb,
                   const BagLabelDownload& download);
