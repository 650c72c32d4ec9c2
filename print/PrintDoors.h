#pragma once
// What the page print commands and the print dialogs need of the
// application: the print jobs, the current templates and the label layout.
// The application gives one (CBrantleClientApp::PrintDoors); tests give a
// fake, so pages and dialogs are tried without printing.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CTemplateModel;
class CLabelLayout;

class CPrintDoors {
 public:
  virtual ~CPrintDoors() = default;
  virtual int PrintWaybill(int32_t recordId, int invoiceKeep, int ownTemplate, int copies,
                           std::u16string_view folder) = 0;
  virtual int PrintLabels(std::vector<int32_t>& recordIds, int invoiceKeep, int labelsPerSheet,
                          int& pieceCounter, int& labelCount, int copies, int serialMode) = 0;
  virtual int PrintProformaInvoice(int32_t recordId, int keepInFile, int copies,
                                   int forcedCopies) = 0;
  // The current template of a slot (0 invoice, 1 waybill, 2 label), or null.
  virtual CTemplateModel* CurrentTemplate(int slot) = 0;
  // The template choice dialog for a slot; on a choice the invoice map or
  // the label layout is reloaded.  1 when a template was chosen.
  virtual int ChooseTemplate(int slot) = 0;
  // The application's label layout (reloaded from the current label
  // template by ReloadLabelLayout).
  virtual CLabelLayout& LabelLayout() = 0;
  virtual void ReloadLabelLayout() = 0;
  virtual void ReloadInvoiceMap() = 0;
  virtual int InvoiceMapLoaded() = 0;
  // The folder invoices kept as files are written to.
  virtual std::u16string InvoiceFolder() = 0;
  // A saved local waybill by its number (inner 1) or transfer number
  // (inner 0): its record id, or 0.
  virtual int32_t FindLocalRecord(std::string_view numberGbk, int inner) = 0;
  virtual void PlayResultSound(int index) = 0;
  // Why the last PrintWaybill of the calling thread printed nothing
  // (PrintFailure of print/PrintContext.h; 0 when it printed).
  virtual int LastPrintFailure() { return 0; }
  // The invoice copies, label copies and waybill copies the print
  // confirmation starts with.
  virtual int DefaultCopies(int kind) { return kind == 0 ? 2 : 1; }
};
