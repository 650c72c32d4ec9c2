#pragma once
// What the renderer tests share: a case folder under golden/ (its records,
// template and starting cells) turned into a print context over the office
// suite, the filled workbook read back cell by cell, and print doors that
// run the real print jobs on a case's context.

#include <cstdio>
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
#include "print/PrintDoors.h"
#include "print/PrintFields.h"
#include "print/Renderers.h"
#include "print/TemplateModel.h"
#include "refdata/DestinationTable.h"
#include "refdata/WaybillCache.h"
#include "tests/office/OfficeTestEnv.h"

namespace printcase {

using namespace officetest;

inline const fs::path kGolden = fs::path(BRANTLE_SOURCE_DIR) / "tests/print/golden";

inline std::string Gbk(const std::string& utf8) {
  return GbkFromWide(QString::fromStdString(utf8).toStdU16String());
}
inline std::string Utf8(std::u16string_view text) {
  return QString::fromStdU16String(std::u16string(text)).toStdString();
}

inline std::map<std::string, std::string> ReadKeys(const fs::path& file) {
  std::map<std::string, std::string> keys;
  std::ifstream in(file);
  for (std::string line; std::getline(in, line);) {
    auto eq = line.find('=');
    if (eq != std::string::npos) keys[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return keys;
}

inline std::vector<int32_t> Ids(const std::string& text) {
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
  // The destination a case names (case.txt "destination=name|English|code|
  // scan code|two-letter|three-letter|zone").
  DestinationRecord destination{};
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
    auto caseKeys = ReadKeys(folder / "case.txt");
    context.shortTransferFallback = caseKeys["shortTransferFallback"] == "1";
    if (auto keys = caseKeys; !keys["destination"].empty()) {
      std::vector<std::string> parts;
      std::stringstream in(keys["destination"]);
      for (std::string part; std::getline(in, part, '|');) parts.push_back(Gbk(part));
      parts.resize(7);
      auto put = [](auto& field, const std::string& text) {
        std::snprintf(field, sizeof field, "%s", text.c_str());
      };
      put(destination.name, parts[0]);
      put(destination.nameEn, parts[1]);
      put(destination.code, parts[2]);
      put(destination.shortCode, parts[3]);
      put(destination.iso2, parts[4]);
      put(destination.iso3, parts[5]);
      destination.zone = static_cast<uint8_t>(std::atoi(parts[6].c_str()));
      context.findDestination = [this](std::string_view name) -> const DestinationRecord* {
        return name == destination.Name() ? &destination : nullptr;
      };
    }
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
    context.pictured = [this, out](std::u16string_view file, int column, int row, double,
                                   double) {
      std::string name = fs::path(Utf8(file)).filename().string();
      log.push_back("PIC\t" + ColumnName(column) + std::to_string(row) + "\t" + name);
    };
  }
  static std::u16string NameOfPath(const fs::path& p) {
    return QString::fromStdString(p.string()).toStdU16String();
  }
};

// Every non-empty cell of the workbook, "A1\ttext" row by row; with
// `raw` the texts as stored (character references not decoded).
inline std::vector<std::string> ReadBack(const fs::path& file, bool raw = false) {
  std::vector<std::string> cells;
  CExcelSession s;
  EXPECT_EQ(s.OpenForReading(CaseWorld::NameOfPath(file)), 1) << file;
  int rows = s.UsedRowCount(), columns = s.UsedColumnCount();
  for (int r = 1; r <= rows; ++r)
    for (int c = 1; c <= columns; ++c) {
      std::u16string text = raw ? WideFromGbk(s.CellText(r, c)) : s.CellTextTo(r, c, 2048);
      if (text.empty() || text == u" ") continue;
      std::string value = Utf8(text);
      for (char& ch : value)
        if (ch == '\n') ch = '|';
      cells.push_back(ColumnName(c) + std::to_string(r) + "\t" + value);
    }
  return cells;
}

// Print doors over the real print jobs of a case's context.
class JobDoors : public CPrintDoors {
 public:
  JobDoors(CaseWorld& world, CLabelLayout& layout, CInvoiceCellMap& map)
      : world_(world), layout_(layout), map_(map) {}
  int PrintWaybill(int32_t id, int keep, int own, int copies, std::u16string_view folder) override {
    return PrintWaybillJob(world_.context, map_, id, keep, own, copies, folder);
  }
  int PrintLabels(std::vector<int32_t>& ids, int keep, int perSheet, int& piece, int& count,
                  int copies, int serial) override {
    return PrintLabelsJob(world_.context, map_, layout_, ids, keep, perSheet, piece, count, copies,
                          serial);
  }
  int PrintProformaInvoice(int32_t id, int keep, int copies, int forced) override {
    return RenderProformaInvoice(world_.context, map_, id, keep, copies, forced);
  }
  CTemplateModel* CurrentTemplate(int slot) override {
    return slot == 0 ? map_.Template() : slot == 2 ? layout_.Template() : world_.model.get();
  }
  int ChooseTemplate(int) override { return 0; }
  CLabelLayout& LabelLayout() override { return layout_; }
  void ReloadLabelLayout() override {}
  void ReloadInvoiceMap() override {}
  int InvoiceMapLoaded() override { return map_.IsLoaded(); }
  std::u16string InvoiceFolder() override { return {}; }
  int32_t FindLocalRecord(std::string_view, int) override { return 0; }
  void PlayResultSound(int) override {}

 private:
  CaseWorld& world_;
  CLabelLayout& layout_;
  CInvoiceCellMap& map_;
};

}  // namespace printcase
