// The print jobs: a waybill or a sheet of labels, then the linked invoice
// and the linked one-label template the job's template names.
#include "common/TextCodec.h"
#include "print/InvoiceCellMap.h"
#include "print/LabelLayout.h"
#include "print/PrintText.h"
#include "print/Renderers.h"
#include "print/TemplateModel.h"

namespace {

void LinkedPrinting(const PrintContext& context, const CInvoiceCellMap& map, CTemplateModel* from,
                    const std::vector<int32_t>& ids, int invoiceKeep, bool withInvoice,
                    int pieceCounter, int labelCount) {
  if (from == nullptr || ids.empty()) return;
  int n = from->GetInt(u"联动打印形式发票");
  if (withInvoice && n >= 1) RenderProformaInvoice(context, map, ids.front(), invoiceKeep, n, n);
  std::string name;
  from->GetString(u"联动打印标签", &name);
  if (name.empty() || name.size() > 31 || !context.findTemplate || context.fields == nullptr)
    return;
  CTemplateModel* labelTemplate = context.findTemplate(GbkFromWide(u"快件标签"), name);
  if (labelTemplate == nullptr || labelTemplate->GetInt(u"横向标签个数") > 1 ||
      labelTemplate->GetInt(u"纵向标签个数") > 1)
    return;
  // The one-label layout lives for this job only.
  CLabelLayout layout;
  if (!layout.Load(labelTemplate, *context.fields)) return;
  std::vector<int32_t> queue = ids;
  int count = labelCount;
  RenderLabelSheet(context, queue, 1, pieceCounter, count, 1, layout, -2);
}

}  // namespace

int PrintWaybillJob(const PrintContext& context, const CInvoiceCellMap& map, int32_t recordId,
                    int invoiceKeep, int ownTemplate, int copies, std::u16string_view folder) {
  CTemplateModel* model = RenderWaybill(context, recordId, ownTemplate, copies, folder);
  if (model == nullptr) return 0;
  LinkedPrinting(context, map, model, {recordId}, invoiceKeep, true, 1, 1);
  return 1;
}

int PrintLabelsJob(const PrintContext& context, const CInvoiceCellMap& map,
                   const CLabelLayout& layout, std::vector<int32_t>& ids, int invoiceKeep,
                   int labelsPerSheet, int& pieceCounter, int& labelCount, int copies,
                   int serialMode) {
  if (!layout.HasTemplate()) {
    context.Message(context.Text(kNoLabelTemplateText, u"没有选择可用的标签模版。"));
    return 0;
  }
  std::vector<int32_t> keptIds = ids;
  int keptPiece = pieceCounter, keptCount = labelCount;
  int result = RenderLabelSheet(context, ids, labelsPerSheet, pieceCounter, labelCount, copies,
                                layout, serialMode);
  if (result == 0) return 0;
  // A sheet of records that could not be loaded links nothing.
  if (labelsPerSheet != 1 || context.failure == kRecordMissing) return result;
  LinkedPrinting(context, map, layout.Template(), keptIds, invoiceKeep, keptPiece <= 1, keptPiece,
                 keptCount);
  return 1;
}
