#pragma once
// The rows of the printer association dialog: one per local template
// workbook of DATA_MODEL (channel waybill "TAB_", parcel label "LBL_" and
// proforma invoice "IVC_") that has its settings text beside it, with the
// printer fixed for it.

#include <cstdint>
#include <string>
#include <vector>

class CTemplatePrinterList;

struct PrinterAssignRow {
  int32_t kind = 0;             // -1, -2 or -3
  std::u16string kindName;      // "渠道面单", "快件标签" or "形式发票"
  std::u16string templateName;  // upper case, without prefix and ".XLS"
  std::u16string printerName;   // empty when none is fixed
};

// The rows for the templates in `programFolder` + "DATA_MODEL", in name order.
// Templates whose name does not fit "printerset_x1.dat" are not offered.
std::vector<PrinterAssignRow> ListPrinterAssignRows(const std::string& programFolder,
                                                    const CTemplatePrinterList& list);

// What OK makes of the rows: the list replaced by one record for each row
// with a printer.
void ApplyPrinterAssignRows(const std::vector<PrinterAssignRow>& rows, CTemplatePrinterList& list);
