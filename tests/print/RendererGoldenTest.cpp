// The renderers against golden files.  Each folder under golden/<renderer>/
// is one case: the waybills as the stand-in's "sRecData" replies
// (record*.json), the template text (template.txt) and the cells its
// workbook starts with (cells.txt), the call (case.txt), and what the
// filled workbook must hold (expected.txt: every non-empty cell, every
// picture's anchor and every message).  The case fills the workbook, saves
// it, reads every cell back and compares.  BRANTLE_UPDATE_GOLDEN=1 rewrites
// the expected files (check them before committing).

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <QString>

#include <gtest/gtest.h>

#include "common/TextCodec.h"
#include "office/ExcelSession.h"
#include "print/InvoiceCellMap.h"
#include "print/LabelLayout.h"
#include "print/PrintFields.h"
#include "print/Renderers.h"
#include "print/TemplateModel.h"
#include "refdata/WaybillCache.h"
#include "tests/office/OfficeTestEnv.h"

using namespace officetest;

namespace {

::testing::Environment* const kOffice =
    ::testing::AddGlobalTestEnvironment(new OfficeEnvironment(OfficeEnvironment::kHoldSuite));

const fs::path kGolden = fs::path(BRANTLE_SOURCE_DIR) / "tests/print/golden";

std::string Gbk(const std::string& utf8) {
  return GbkFromWide(QString::fromStdString(utf8).toStdU16String());
}
std::string Utf8(std::u16string_view text) {
  return QString::fromStdU16String(std::u16string(text)).toStdString();
}

std::string ColumnName(int column) {
  std::string name;
  while (column > 0) {
    name.insert(name.begin(), static_cast<char>('A' + (column - 1) % 26));
    column = (column - 1) / 26;
  }
  return name;
}

std::map<std::string, std::string> ReadKeys(const fs::path& file) {
  std::map<std::string, std::string> keys;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    auto eq = line.find('=');
    if (eq != std::string::npos) keys[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return keys;
}

std::vector<int32_t> Ids(const std::string& text) {
  std::vector<int32_t> ids;
  std::stringstream in(text);
  for (std::string part; std::getline(in, part, ',');) ids.push_back(std::stoi(part));
  return ids;
}

// Everything a case needs beside the office suite: records by id, the
// template, the print fields.
struct CaseWorld {
  std::map<int32_t, std::string> replies;  // GBK
  std::unique_ptr<CTemplateModel> model;
  std::unique_ptr<CTemplateModel> linkedLabel;
  std::unique_ptr<CTemplateModel> invoice;
  CPrintFieldDictionary fields;
  CFieldMarkers markers;
  std::vector<std::string> log;
  PrintContext context;

  CaseWorld(const fs::path& folder, const fs::path& out, const std::string& kind) {
    for (auto& e : fs::directory_iterator(folder)) {
      std::string name = e.path().filename().string();
      if (name.rfind("record", 0) == 0 && e.path().extension() == ".json") {
        std::string reply = Gbk(ReadFile(e.path()));
        InputWaybillRecord r{};
        PieceList p;
        GoodsList g;
        CWaybillCache::ReadReply(reply, r, p, g);
        replies[r.waybill.irID] = reply;
      }
    }
    fields.Build(AppLanguage());
    model = std::make_unique<CTemplateModel>(Gbk(kind), Gbk("golden"));
    model->SetText(Gbk(ReadFile(folder / "template.txt")));
    // The template workbook: the starting cells of cells.txt.
    fs::path book = out / "template.xls";
    {
      CExcelSession s;
      EXPECT_EQ(s.CreateWorkbook(u"T", NameOfPath(book), {}, false), 1);
      std::ifstream in(folder / "cells.txt");
      for (std::string line; std::getline(in, line);) {
        auto tab = line.find('\t');
        if (tab == std::string::npos) continue;
        int32_t row = 0, column = 0;
        ParseCellAddress(line.substr(0, tab), row, column);
        s.SetCellText(row, column, QString::fromStdString(line.substr(tab + 1)).toStdU16String());
      }
      s.SetCellText(60, 1, u" ");
      EXPECT_EQ(s.SaveAndClose(), 1);
    }
    model->SetWorkbook(ReadFile(book));
    // Linked templates of a waybill job: an invoice and a one-label template.
    if (fs::exists(folder / "invoice.txt")) {
      invoice = std::make_unique<CTemplateModel>(Gbk("形式发票"), Gbk("linked invoice"));
      invoice->SetText(Gbk(ReadFile(folder / "invoice.txt")));
      invoice->SetWorkbook(model->Workbook());
    }
    if (fs::exists(folder / "label.txt")) {
      linkedLabel = std::make_unique<CTemplateModel>(Gbk("快件标签"), Gbk("linked label"));
      linkedLabel->SetText(Gbk(ReadFile(folder / "label.txt")));
      linkedLabel->SetWorkbook(model->Workbook());
    }
    context.loadRecord = [this](int32_t id, InputWaybillRecord& r, PieceList& p, GoodsList& g) {
      auto it = replies.find(id);
      if (it == replies.end()) return 0;
      CWaybillCache::ReadReply(it->second, r, p, g);
      return id;
    };
    context.findTemplate = [this](std::string_view kind, std::string_view) {
      if (kind == Gbk("快件标签") && linkedLabel) return linkedLabel.get();
      return model.get();
    };
    context.currentTemplate = [this](int) { return model.get(); };
    context.selectPrinter = [](int, std::u16string_view) { return std::u16string(); };
    context.message = [this](std::u16string_view text) { log.push_back("MSG\t" + Utf8(text)); };
    context.text = [](int32_t id) { return AppLanguage().Text(id, std::u16string(u"#") + QString::number(id).toStdU16String()); };
    context.fields = &fields;
    context.markers = &markers;
    context.programFolder = out.string() + "/";
    context.dayFolder = out.string();
    context.keepAllIn = (out / "kept").string();
    fs::create_directories(out / "kept");
    context.pictured = [this, out](std::u16string_view file, int column, int row) {
      std::string name = fs::path(Utf8(file)).filename().string();
      log.push_back("PIC\t" + ColumnName(column) + std::to_string(row) + "\t" + name);
    };
  }
  static std::u16string NameOfPath(const fs::path& p) {
    return QString::fromStdString(p.string()).toStdU16String();
  }
};

// Every non-empty cell of the workbook, "A1\ttext" row by row.
std::vector<std::string> ReadBack(const fs::path& file) {
  std::vector<std::string> cells;
  CExcelSession s;
  EXPECT_EQ(s.OpenForReading(CaseWorld::NameOfPath(file)), 1) << file;
  int rows = s.UsedRowCount(), columns = s.UsedColumnCount();
  for (int r = 1; r <= rows; ++r)
    for (int c = 1; c <= columns; ++c) {
      std::u16string text = s.CellTextTo(r, c, 2048);
      if (text.empty() || text == u" ") continue;
      std::string value = Utf8(text);
      for (char& ch : value)
        if (ch == '\n') ch = '|';
      cells.push_back(ColumnName(c) + std::to_string(r) + "\t" + value);
    }
  return cells;
}

class RendererGolden : public ::testing::TestWithParam<std::string> {};

TEST_P(RendererGolden, FilledWorkbookMatches) {
  fs::path folder = kGolden / GetParam();
  auto keys = ReadKeys(folder / "case.txt");
  fs::path out = TestFolder();
  std::string renderer = keys["renderer"];
  std::string kind = renderer == "waybill" ? "渠道面单" : renderer == "label" ? "快件标签" : "形式发票";
  CaseWorld world(folder, out, kind);
  std::vector<std::string> got;
  if (renderer == "waybilljob") {
    CInvoiceCellMap map;
    map.Load(world.invoice.get());
    // The linked label keeps the running serial number without advancing it.
    LabelSerialNumber() = 40;
    int result = PrintWaybillJob(world.context, map, std::stoi(keys["id"]), 0, 0, 1, u"");
    got.push_back("RESULT\t" + std::to_string(result));
  } else if (renderer == "waybill") {
    CTemplateModel* used = RenderWaybill(world.context, std::stoi(keys["id"]), 0, 1, u"");
    got.push_back(std::string("RESULT\t") + (used ? "template" : "none"));
  } else if (renderer == "label") {
    CLabelLayout layout;
    ASSERT_EQ(layout.Load(world.model.get(), world.fields), 1);
    std::vector<int32_t> ids = Ids(keys["ids"]);
    int cursor = std::stoi(keys["pieceCursor"]);
    int count = 1;
    int serial = std::stoi(keys["serialStart"]);
    int sheets = 0;
    // Sheet after sheet until the queue is empty, as the pages call it.
    while (!ids.empty() && sheets < 10) {
      int result = RenderLabelSheet(world.context, ids, layout.LabelsPerSheet(), cursor, count, 1,
                                    layout, serial);
      serial = -1;
      ++sheets;
      got.push_back("SHEET\t" + std::to_string(sheets) + "\tresult " + std::to_string(result) +
                    " left " + std::to_string(ids.size()) + " cursor " + std::to_string(cursor));
      if (result == 0) break;
    }
  } else {
    CInvoiceCellMap map;
    map.Load(world.model.get());
    int result = RenderProformaInvoice(world.context, map, std::stoi(keys["id"]), 1, 1, 0);
    got.push_back("RESULT\t" + std::to_string(result));
  }
  // The workbooks in the order they were written.
  std::vector<fs::path> books;
  for (auto& e : fs::directory_iterator(out / "kept"))
    if (e.path().extension() == ".xls") books.push_back(e.path());
  std::sort(books.begin(), books.end(), [](const fs::path& a, const fs::path& b) {
    return fs::last_write_time(a) < fs::last_write_time(b);
  });
  for (size_t i = 0; i < books.size(); ++i) {
    got.push_back("BOOK\t" + std::to_string(i + 1));
    for (auto& cell : ReadBack(books[i])) got.push_back(cell);
  }
  for (auto& line : world.log) got.push_back(line);
  // No picture file outlives its job.
  for (auto& e : fs::directory_iterator(out))
    if (e.is_directory() && e.path().filename() == "DATA_TEMP")
      for (auto& f : fs::directory_iterator(e.path())) ADD_FAILURE() << "left behind: " << f.path();

  std::string text;
  for (auto& line : got) text += line + "\n";
  fs::path expectedFile = folder / "expected.txt";
  if (std::getenv("BRANTLE_UPDATE_GOLDEN") != nullptr) {
    WriteFile(expectedFile, text);
    GTEST_SKIP() << "golden file written";
  }
  EXPECT_EQ(text, ReadFile(expectedFile)) << "case " << GetParam();
}

// The print jobs count what they send to each queue: a template's own count
// of 10 prints 10 sheets (the force offset is subtracted, never taken
// modulo 10), a forced 103 prints 3, each piece of a three-piece waybill is
// printed, the linked invoice prints exactly its linked count, and a linked
// label template of two labels across is skipped without a message.
TEST(PrintJobCopies, CountsReachTheQueues) {
  fs::path out = TestFolder();
  fs::path folder = kGolden / "waybill/blocks_and_lines";
  CaseWorld world(folder, out, "渠道面单");
  world.context.keepAllIn.clear();
  std::map<std::string, int> sent;
  world.context.selectPrinter = [](int kind, std::u16string_view) {
    return std::u16string(kind == 1 ? u"NoSuchWaybillQueue" : kind == 2 ? u"NoSuchLabelQueue"
                                                                      : u"NoSuchInvoiceQueue");
  };
  world.context.printed = [&](std::u16string_view queue, int) { ++sent[Utf8(queue)]; };
  auto waybillText = [&](const std::string& extra) {
    world.model->SetText(Gbk("打印份数=10\n" + extra + "<列表定义开始>\n内部单号=A1\n分单序=B1\n<列表定义结束>\n"));
  };
  CInvoiceCellMap map;
  CTemplateModel invoice(Gbk("形式发票"), Gbk("inv"));
  invoice.SetText(Gbk("打印份数=5\r\n运单号=B2\r\n"));
  invoice.SetWorkbook(world.model->Workbook());
  map.Load(&invoice);
  CTemplateModel twoAcross(Gbk("快件标签"), Gbk("two"));
  twoAcross.SetText(Gbk("横向标签个数=2\n<列表定义开始>\n内部单号=A1\n<列表定义结束>\n"));
  twoAcross.SetWorkbook(world.model->Workbook());
  world.context.findTemplate = [&](std::string_view kind, std::string_view) {
    return kind == Gbk("快件标签") ? &twoAcross : world.model.get();
  };

  waybillText("联动打印形式发票=2\n联动打印标签=two\n");
  EXPECT_EQ(PrintWaybillJob(world.context, map, 101, 0, 0, 1, u""), 1);
  EXPECT_EQ(sent["NoSuchWaybillQueue"], 10);  // one piece, ten copies
  EXPECT_EQ(sent["NoSuchInvoiceQueue"], 2);
  EXPECT_EQ(sent["NoSuchLabelQueue"], 0);
  EXPECT_TRUE(world.log.empty() || world.log.front().rfind("PIC", 0) == 0);

  sent.clear();
  waybillText("");
  EXPECT_EQ(PrintWaybillJob(world.context, map, 101, 0, 0, 103, u""), 1);
  EXPECT_EQ(sent["NoSuchWaybillQueue"], 3);
  EXPECT_EQ(sent["NoSuchInvoiceQueue"], 0);

  // The invoice alone takes the template's 5 when the caller asks for 1.
  sent.clear();
  EXPECT_EQ(RenderProformaInvoice(world.context, map, 101, 0, 1, 0), 1);
  EXPECT_EQ(sent["NoSuchInvoiceQueue"], 5);
  // A record that is not there prints nothing and says so by its result.
  EXPECT_EQ(PrintWaybillJob(world.context, map, 4242, 0, 0, 1, u""), 0);
  // No temporary workbook or picture is left behind.
  for (auto& e : fs::recursive_directory_iterator(out))
    if (e.is_regular_file() && (e.path().extension() == ".bmp" ||
                                e.path().filename().string().rfind("TAB_", 0) == 0 ||
                                e.path().filename().string().rfind("INVOICE_", 0) == 0))
      ADD_FAILURE() << "left behind: " << e.path();
}

// A queue that takes nothing: the waybill and the label sheet are not
// reported as printed, the operator is told once per job, and the label
// queue is given back whole.
TEST(PrintJobCopies, NothingPrintedIsNotSuccess) {
  fs::path out = TestFolder();
  CaseWorld world(kGolden / "waybill/blocks_and_lines", out, "渠道面单");
  world.context.keepAllIn.clear();
  world.context.selectPrinter = [](int, std::u16string_view) {
    return std::u16string(u"NoSuchQueueAnywhere");
  };
  EXPECT_EQ(RenderWaybill(world.context, 101, 0, 1, u""), nullptr);
  EXPECT_EQ(world.context.failure, kNotPrinted);
  EXPECT_EQ(std::count_if(world.log.begin(), world.log.end(),
                          [](const std::string& line) { return line.rfind("MSG", 0) == 0; }),
            1);
  CLabelLayout layout;
  ASSERT_EQ(layout.Load(world.model.get(), world.fields), 1);
  std::vector<int32_t> ids{101};
  int cursor = 1, count = 1;
  EXPECT_EQ(RenderLabelSheet(world.context, ids, 1, cursor, count, 1, layout, -1), 0);
  EXPECT_EQ(ids, std::vector<int32_t>{101});
  EXPECT_EQ(cursor, 1);
}

std::vector<std::string> Cases() {
  std::vector<std::string> cases;
  for (auto& group : fs::directory_iterator(kGolden))
    if (group.is_directory())
      for (auto& c : fs::directory_iterator(group.path()))
        if (c.is_directory())
          cases.push_back(group.path().filename().string() + "/" + c.path().filename().string());
  std::sort(cases.begin(), cases.end());
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Cases, RendererGolden, ::testing::ValuesIn(Cases()),
                         [](const auto& info) {
                           std::string name = info.param;
                           for (char& c : name)
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

}  // namespace
