// Printing after a save prints what was just saved: a waybill printed once
// (so that the one-record cache holds it) is changed, saved with the print
// ticked, and the printed workbook is read back cell by cell through the
// office suite.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "common/TextCodec.h"
#include "entry/WaybillSave.h"
#include "print/PrintFields.h"
#include "print/Renderers.h"
#include "print/TemplateModel.h"
#include "refdata/ServiceKinds.h"
#include "refdata/WaybillCache.h"
#include "tests/office/OfficeTestEnv.h"
#include "tests/refdata/RepositoryLanguage.h"
#include "tests/server/StandInLinkSuite.h"

namespace {

namespace fs = std::filesystem;

::testing::Environment* const kOffice = ::testing::AddGlobalTestEnvironment(
    new officetest::OfficeEnvironment(officetest::OfficeEnvironment::kHoldSuite));

class PrintAfterSave : public testsupport::StandInLinkSuite<PrintAfterSave> {
 public:
  static constexpr const char* kRootName = "brantle-print-after-save";

 protected:
  void SetUp() override {
    ASSERT_TRUE(refdatatest::LoadRepositoryLanguage(AppLanguage(), "00"));
    ASSERT_NO_FATAL_FAILURE(OpenLink("00", "PC-PAS"));
    ASSERT_GT(link_.Login(u"admin", u"admin123", 0), 0);
    out_ = officetest::TestFolder();
    fs::create_directories(out_ / "kept");
    // A waybill template of two cells: the waybill number (B1) and the weight (A2).
    const fs::path book = officetest::MakeTemplate(out_);
    template_ = std::make_unique<CTemplateModel>(GbkFromWide(u"渠道面单"), "after-save");
    template_->SetText(GbkFromWide(u"<列表定义开始>\n内部单号=B1\n入重=A2\n<列表定义结束>\n"));
    template_->SetWorkbook(officetest::ReadFile(book));
    fields_.Build(AppLanguage());
    context_.loadRecord = [this](int32_t id, InputWaybillRecord& r, PieceList& p, GoodsList& g) {
      return cache_.Load(link_, id, r, p, g);
    };
    context_.findTemplate = [this](std::string_view, std::string_view) { return template_.get(); };
    context_.currentTemplate = [this](int) { return template_.get(); };
    context_.selectPrinter = [](int, std::u16string_view) { return std::u16string(); };
    context_.message = [this](std::u16string_view text) { messages_.emplace_back(text); };
    context_.text = [](int32_t id) { return AppLanguage().Text(id); };
    context_.fields = &fields_;
    context_.markers = &markers_;
    context_.programFolder = out_.string() + "/";
    context_.dayFolder = out_.string();
    context_.keepAllIn = (out_ / "kept").string();
  }

  // Prints waybill `id` and reads cells B1 and A2 of the printed workbook.
  std::pair<std::u16string, std::u16string> PrintAndRead(int32_t id) {
    std::vector<fs::path> before;
    for (auto& e : fs::directory_iterator(out_ / "kept")) before.push_back(e.path());
    EXPECT_NE(nullptr, RenderWaybill(context_, id, 0, 1, u""))
        << (messages_.empty() ? "" : Utf8FromWide(messages_.back()));
    fs::path printed;
    for (auto& e : fs::directory_iterator(out_ / "kept"))
      if (std::find(before.begin(), before.end(), e.path()) == before.end()) printed = e.path();
    EXPECT_FALSE(printed.empty()) << "no workbook printed";
    if (printed.empty()) return {};
    CExcelSession s;
    EXPECT_EQ(1, s.OpenForReading(printed.u16string()));
    auto cells = std::make_pair(s.CellTextTo(1, 2, 256), s.CellTextTo(2, 1, 256));
    s.Close();
    fs::remove(printed);
    return cells;
  }

  fs::path out_;
  std::unique_ptr<CTemplateModel> template_;
  CPrintFieldDictionary fields_;
  CFieldMarkers markers_;
  CWaybillCache cache_;
  PrintContext context_;
  std::vector<std::u16string> messages_;
};

TEST_F(PrintAfterSave, TheSavedWeightIsPrinted) {
  // A new waybill saved through the quick entry's save.
  std::unique_ptr<WaybillSaveLink> saveLink = MakeServerWaybillSaveLink(link_);
  CServiceKind kind(GbkFromWide(u"ZIZ国际"));
  WaybillEntry entry;
  entry.kind = &kind;
  entry.customerId = 1;
  entry.dateText = u"2024.6.18";
  entry.itemCount = 1;
  entry.texts[1] = u"日本";
  entry.texts[2] = u"BR12500001";
  entry.texts[4] = u"3.75";
  entry.texts[5] = u"88";
  CWaybillSaver saver(*saveLink, entry);
  ASSERT_EQ(CWaybillSaver::Outcome::Saved, saver.Save()) << Utf8FromWide(boxes_.LastText());
  const int32_t id = saver.Working().waybill.irID;
  ASSERT_GT(id, 0);

  // Printed once: the cache holds the waybill as it was.
  const auto first = PrintAndRead(id);
  EXPECT_EQ(u"BR12500001", first.first);
  EXPECT_EQ(u"3.750kg", first.second);
  ASSERT_EQ(id, cache_.CachedId());

  // Loaded again, the weight changed, saved with the print after the save.
  ASSERT_TRUE(saver.LoadForEditing(id, false)) << Utf8FromWide(boxes_.LastText());
  entry.kind = &kind;
  entry.texts[4] = u"7.25";
  std::pair<std::u16string, std::u16string> printed;
  saver.printCache = &cache_;
  saver.printAfterSave = [&](const InputWaybillRecord& record) {
    printed = PrintAndRead(record.waybill.irID);
  };
  ASSERT_EQ(CWaybillSaver::Outcome::Saved, saver.Save()) << Utf8FromWide(boxes_.LastText());
  EXPECT_EQ(u"BR12500001", printed.first);
  EXPECT_EQ(u"7.250kg", printed.second);
  EXPECT_TRUE(messages_.empty()) << Utf8FromWide(messages_.front());
}

}  // namespace
