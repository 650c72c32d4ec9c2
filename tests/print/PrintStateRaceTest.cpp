// A print worker looks up templates and printers while the window chooses
// templates and rewrites the printer associations.  Built with
// ThreadSanitizer (label tsan, scripts/test.sh), any access to the template
// cache or the printer list outside the print state lock is reported.

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "common/TextCodec.h"
#include "print/PrintContext.h"
#include "print/PrinterAssignRows.h"
#include "print/TemplateCache.h"
#include "print/TemplateModel.h"
#include "print/TemplatePrinterList.h"
#include "server/ServerLink.h"
#include "tests/TempFolder.h"

namespace {

class PrintStateRace : public testsupport::TempFolderTest {};

TEST_F(PrintStateRace, WorkerReadsWhileTheWindowChanges) {
  constexpr int kTemplates = 40;
  // Local template files; the link is not logged in, so every fetch falls
  // back to them (the fetch still takes the link's reply lock).
  std::filesystem::create_directories(folder_ / "DATA_MODEL");
  for (int i = 0; i < kTemplates; ++i) {
    std::string name = "T" + std::to_string(i);
    Write("DATA_MODEL/" + name + ".txt", "<" + GbkFromWide(u"列表定义开始") + ">\n");
    Write("DATA_MODEL/" + name + ".xls", "xls " + name);
  }
  const std::string folder = folder_.string() + "/";
  const std::string kind = TemplateKindName(kWaybillSlot);
  CServerLink link;
  CTemplateCache cache;
  CTemplatePrinterList printers;
  std::atomic<bool> stop{false};
  std::atomic<int> found{0};

  // The worker: what a waybill job asks of the shared state.
  std::thread worker([&] {
    for (int round = 0; !stop.load() || round < 200; ++round) {
      std::string name = "T" + std::to_string(round % kTemplates);
      CTemplateModel* model = cache.Find(link, folder, kind, name);
      if (model != nullptr && model->HasWorkbook()) ++found;
      if (CTemplateModel* current = cache.Current(kWaybillSlot))
        (void)JobPrinter(printers, 1, current->Name());
      (void)JobPrinter(printers, 2, u"T1");
      if (round > 5000) break;
    }
  });

  // The window: chooses templates and rewrites the associations.
  for (int round = 0; round < 200; ++round) {
    std::string name = "T" + std::to_string((round * 7) % kTemplates);
    cache.SetCurrent(kWaybillSlot, cache.Find(link, folder, kind, name));
    std::vector<PrinterAssignRow> rows(3);
    for (int i = 0; i < 3; ++i) {
      rows[i].kind = -1 - i;
      rows[i].kindName = u"K";
      rows[i].templateName = u"T" + std::u16string(1, static_cast<char16_t>(u'0' + i));
      rows[i].printerName = u"Queue" + std::u16string(1, static_cast<char16_t>(u'0' + round % 10));
    }
    ApplyPrinterAssignRows(rows, printers);
    TemplatePrinterRecord kindRecord;
    kindRecord.id = 1;
    kindRecord.kindName = u"K";
    kindRecord.printerName = u"KindQueue";
    printers.AddOrReplace(kindRecord);
  }
  stop = true;
  worker.join();

  EXPECT_GT(found.load(), 0);
  EXPECT_EQ(cache.Size(), static_cast<size_t>(kTemplates));
  EXPECT_EQ(printers.Count(), 4);
  EXPECT_EQ(JobPrinter(printers, 1, u"T0"), u"Queue9");
  EXPECT_EQ(JobPrinter(printers, 1, u"unknown"), u"KindQueue");
}

}  // namespace
