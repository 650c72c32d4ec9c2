#pragma once
// The three renderers and the two print jobs of the depot: a channel
// waybill, a sheet of parcel labels and a proforma invoice, each filled
// into a copy of its template's workbook and printed to the template's
// queue (or kept as a file), and the jobs that chain the linked invoice
// and label a template asks for.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "print/PrintContext.h"

class CTemplateModel;
class CLabelLayout;
class CInvoiceCellMap;

// One channel waybill: the template used, or null when nothing was
// rendered.  An empty folder prints (and removes the workbook); a folder
// keeps the workbook there as "<waybill number>.xls" and prints nothing.
CTemplateModel* RenderWaybill(const PrintContext& context, int32_t recordId, int ownTemplate,
                              int copies, std::u16string_view folder);

// The label serial number shared by every label job of the run.
int32_t& LabelSerialNumber();

// One sheet of labels for the queued ids (see CBrantleClientApp::
// RenderLabelSheet).  Ids whose labels are complete leave the queue, and so
// does an id whose record cannot be loaded (it is reported).  0 when the
// layout has no template or the workbook cannot be made, else 1.
int RenderLabelSheet(const PrintContext& context, std::vector<int32_t>& ids, int capacity,
                     int& pieceCursor, int& pieceCount, int copies, const CLabelLayout& layout,
                     int serialStart);

// One proforma invoice; 1 built, 0 not.
int RenderProformaInvoice(const PrintContext& context, const CInvoiceCellMap& map,
                          int32_t recordId, int keepInFile, int copies, int forcedCopies);
// The folder invoices kept as files go to.
std::string InvoiceFolder(const PrintContext& context);

// The print jobs with their linked printing.
int PrintWaybillJob(const PrintContext& context, const CInvoiceCellMap& map, int32_t recordId,
                    int invoiceKeep, int ownTemplate, int copies, std::u16string_view folder);
int PrintLabelsJob(const PrintContext& context, const CInvoiceCellMap& map,
                   const CLabelLayout& layout, std::vector<int32_t>& ids, int invoiceKeep,
                   int labelsPerSheet, int& pieceCounter, int& labelCount, int copies,
                   int serialMode);
