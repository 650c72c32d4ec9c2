// The print jobs of the application object: doors into print/, and the
// print context that hands the renderers the application's services.
#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <mutex>

#include "common/TextCodec.h"
#include "platform/MessageBox.h"
#include "print/PrintText.h"
#include "print/Renderers.h"
#include "print/TemplateCache.h"
#include "print/TemplateModel.h"
#include "refdata/RecordStores.h"
#include "refdata/WaybillCache.h"
#include "shell/BrantleClientApp.h"

namespace {

// One lock for every print job of the process: a worker's jobs and the
// window's never interleave record loads, template look-ups or workbooks.
std::shared_ptr<std::recursive_mutex> PrintLock() {
  static auto lock = std::make_shared<std::recursive_mutex>();
  return lock;
}

// The failure of the last waybill job of each thread.
int& LastFailure() {
  thread_local int failure = 0;
  return failure;
}

bool OnWindowThread() {
  QCoreApplication* app = QCoreApplication::instance();
  return app == nullptr || QThread::currentThread() == app->thread();
}

// A message box shown on the window thread; from a worker it is posted
// there (never waited for, so a worker holding the print lock cannot
// block a window waiting for it).
void ShowPrintMessage(std::u16string_view text) {
  std::u16string copy(text);
  if (OnWindowThread()) {
    platform::ShowMessageBox(copy);
    return;
  }
  QMetaObject::invokeMethod(QCoreApplication::instance(), [copy] { platform::ShowMessageBox(copy); },
                            Qt::QueuedConnection);
}

class CAppPrintDoors : public CPrintDoors {
 public:
  explicit CAppPrintDoors(CBrantleClientApp& app) : app_(app) {}
  int PrintWaybill(int32_t id, int keep, int own, int copies,
                   std::u16string_view folder) override {
    return app_.PrintWaybill(id, keep, own, copies, folder);
  }
  int PrintLabels(std::vector<int32_t>& ids, int keep, int perSheet, int& piece, int& count,
                  int copies, int serial) override {
    return app_.PrintLabels(ids, keep, perSheet, piece, count, copies, serial);
  }
  int PrintProformaInvoice(int32_t id, int keep, int copies, int forced) override {
    return app_.PrintProformaInvoice(id, keep, copies, forced);
  }
  CTemplateModel* CurrentTemplate(int slot) override { return app_.Templates().Current(slot); }
  int ChooseTemplate(int slot) override { return app_.ChooseTemplate(slot); }
  CLabelLayout& LabelLayout() override { return app_.LabelLayout(); }
  void ReloadLabelLayout() override { app_.ReloadPrintLayouts(kLabelSlot); }
  void ReloadInvoiceMap() override { app_.ReloadPrintLayouts(kInvoiceSlot); }
  int InvoiceMapLoaded() override { return app_.InvoiceCellMap().IsLoaded(); }
  std::u16string InvoiceFolder() override {
    return WideFromGbk(::InvoiceFolder(app_.MakePrintContext()));
  }
  int32_t FindLocalRecord(std::string_view number, int inner) override {
    CWaybillRecordTable& store = app_.InputRecords();
    InputWaybillRecord* found =
        inner ? store.FindByNumber(number) : store.FindByTransferNo(number);
    return found != nullptr ? found->waybill.irID : 0;
  }
  void PlayResultSound(int index) override { app_.PlayResultSound(index); }
  int LastPrintFailure() override { return LastFailure(); }

 private:
  CBrantleClientApp& app_;
};

}  // namespace

PrintContext CBrantleClientApp::MakePrintContext() {
  PrintContext c;
  c.loadRecord = [this](int32_t id, InputWaybillRecord& record, PieceList& pieces,
                        GoodsList& goods) -> int32_t {
    // The one-record cache belongs to the window thread (saves drop records
    // from it there); a worker reads the server through a cache of its own.
    if (!OnWindowThread()) {
      CWaybillCache own;
      return own.Load(Link(), id, record, pieces, goods);
    }
    return LoadWaybillRecord(id, record, pieces, goods);
  };
  c.findTemplate = [this](std::string_view kind, std::string_view name) {
    return FindTemplate(kind, name);
  };
  c.currentTemplate = [this](int slot) { return Templates().Current(slot); };
  c.selectPrinter = [this](int kind, std::u16string_view name) {
    return SelectTemplatePrinter(kind, name);
  };
  c.findServiceKind = [this](std::string_view code) { return FindServiceKind(code); };
  c.findDestination = [this](std::string_view name) { return FindDestinationByName(name); };
  c.message = ShowPrintMessage;
  c.text = [this](int32_t id) { return Language().Text(id); };
  c.places = &PlaceDictionary();
  c.fields = &PrintFields();
  c.markers = &FieldMarkers();
  c.programFolder = ProgramFolder();
  c.dayFolder = dayPictureFolder.empty() ? ProgramFolder() + "DATA_TEMP" : dayPictureFolder;
  c.lock = PrintLock();
  return c;
}

int CBrantleClientApp::CopiesForKind(std::string_view, int count) { return CopiesToPrint(count); }

void CBrantleClientApp::ReloadPrintLayouts(int slot) {
  std::lock_guard lock(*PrintLock());
  if (slot == kInvoiceSlot) {
    invoiceCellMap_.Load(Templates().Current(kInvoiceSlot));
  } else if (slot == kLabelSlot) {
    if (labelLayout_.HasTemplate()) labelLayout_.Strings().clear();
    labelLayout_.Reset();
    labelLayout_.Load(Templates().Current(kLabelSlot), PrintFields());
  }
}

CPrintDoors& CBrantleClientApp::PrintDoors() {
  if (!printDoors_) printDoors_ = std::make_unique<CAppPrintDoors>(*this);
  return *printDoors_;
}

void CBrantleClientApp::SplitAddressLines(std::string_view text, std::string& line1,
                                          std::string& line2, std::string& line3, int length) {
  ::SplitAddressLines(text, line1, line2, line3, static_cast<size_t>(length));
}

CTemplateModel* CBrantleClientApp::RenderWaybill(int32_t id, int ownTemplate, int copies,
                                                 std::u16string_view folder) {
  return ::RenderWaybill(MakePrintContext(), id, ownTemplate, copies, folder);
}

int CBrantleClientApp::RenderLabelSheet(std::vector<int32_t>& ids, int capacity, int& pieceCursor,
                                        int& pieceCount, int copies, const CLabelLayout& layout,
                                        int serialStart) {
  return ::RenderLabelSheet(MakePrintContext(), ids, capacity, pieceCursor, pieceCount, copies,
                            layout, serialStart);
}

int CBrantleClientApp::PrintWaybill(int32_t id, int invoiceKeep, int ownTemplate, int copies,
                                    std::u16string_view folder) {
  // The map and layout are shared with a worker's jobs.
  std::lock_guard lock(*PrintLock());
  if (!invoiceCellMap_.IsLoaded()) ReloadPrintLayouts(kInvoiceSlot);
  PrintContext context = MakePrintContext();
  int result =
      PrintWaybillJob(context, invoiceCellMap_, id, invoiceKeep, ownTemplate, copies, folder);
  LastFailure() = result ? kPrintDone : context.failure;
  return result;
}

int CBrantleClientApp::PrintLabels(std::vector<int32_t>& ids, int invoiceKeep, int labelsPerSheet,
                                   int& pieceCounter, int& labelCount, int copies, int serialMode) {
  // The map and layout are shared with a worker's jobs.
  std::lock_guard lock(*PrintLock());
  if (!invoiceCellMap_.IsLoaded()) ReloadPrintLayouts(kInvoiceSlot);
  if (!labelLayout_.HasTemplate()) ReloadPrintLayouts(kLabelSlot);
  return PrintLabelsJob(MakePrintContext(), invoiceCellMap_, labelLayout_, ids, invoiceKeep,
                        labelsPerSheet, pieceCounter, labelCount, copies, serialMode);
}

int CBrantleClientApp::PrintProformaInvoice(int32_t id, int keepInFile, int copies,
                                            int forcedCopies) {
  // The map and layout are shared with a worker's jobs.
  std::lock_guard lock(*PrintLock());
  if (!invoiceCellMap_.IsLoaded()) ReloadPrintLayouts(kInvoiceSlot);
  return RenderProformaInvoice(MakePrintContext(), invoiceCellMap_, id, keepInFile, copies,
                               forcedCopies);
}
