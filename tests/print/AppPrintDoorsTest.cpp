// The application's print doors: refusals without templates, the label
// layout and invoice map reloaded from the current templates, and the
// folder invoices kept as files go to.

#include <gtest/gtest.h>

#include <QString>

#include "common/TextCodec.h"
#include "platform/MessageBox.h"
#include "print/LabelLayout.h"
#include "print/TemplateCache.h"
#include "print/TemplateModel.h"
#include "shell/BrantleClientApp.h"

namespace {

std::string Gbk(const char* utf8) { return GbkFromWide(QString::fromUtf8(utf8).toStdU16String()); }

TEST(AppPrintDoors, RefuseWithoutTemplatesAndReloadFromTheCurrentOnes) {
  platform::RecordingMessageBoxService boxes;
  platform::ScopedMessageBoxService scope(&boxes);
  CBrantleClientApp app;
  app.SetProgramFolder("/tmp/brantle-print-doors");
  app.dayPictureFolder = "/tmp/brantle-print-doors/DATA_GDPIC/202612/11";

  std::vector<int32_t> ids{1, 2};
  int piece = -1, count = 1;
  EXPECT_EQ(app.PrintLabels(ids, 0, 1, piece, count, 1, 0), 0);
  EXPECT_EQ(boxes.LastText(), u"没有选择可用的标签模版。");
  EXPECT_EQ(ids.size(), 2u);
  EXPECT_EQ(app.PrintProformaInvoice(1, 0, 1, 0), 0);
  EXPECT_EQ(boxes.LastText(), u"没有选择可用的形式发票模版。");

  // Current templates: the doors load the map and the layout from them.
  std::string l1, l2, l3;
  CBrantleClientApp::SplitAddressLines("Unit 5\nHigh St", l1, l2, l3, 30);
  EXPECT_EQ(l1, "Unit 5");
  EXPECT_EQ(l2, "High St");
  CTemplateModel label(Gbk("快件标签"), Gbk("默认标签"));
  label.SetText(Gbk("横向标签个数=2\n<列表定义开始>\n内部单号=A1\n<列表定义结束>\n"));
  label.SetWorkbook("xls");
  CTemplateModel invoice(Gbk("形式发票"), Gbk("默认形式发票"));
  invoice.SetText(Gbk("运单号=B2\r\n"));
  invoice.SetWorkbook("xls");
  app.Templates().SetCurrent(kLabelSlot, &label);
  app.Templates().SetCurrent(kInvoiceSlot, &invoice);
  CPrintDoors& doors = app.PrintDoors();
  doors.ReloadLabelLayout();
  doors.ReloadInvoiceMap();
  EXPECT_EQ(app.LabelLayout().LabelsPerSheet(), 2);
  EXPECT_EQ(doors.InvoiceMapLoaded(), 1);
  EXPECT_EQ(*app.InvoiceCellMap().FieldCell(0), std::make_pair(2, 2));
  EXPECT_EQ(doors.CurrentTemplate(kLabelSlot), &label);
  EXPECT_EQ(doors.InvoiceFolder(), u"/tmp/brantle-print-doors/DATA_GDPIC/202612/11");
  app.Templates().SetCurrent(kLabelSlot, nullptr);
  app.Templates().SetCurrent(kInvoiceSlot, nullptr);
}

}  // namespace
