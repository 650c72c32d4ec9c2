#include "print/TemplatePrinterList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/LanguageTable.h"
#include "platform/MessageBox.h"
#include "print/InstalledPrinters.h"
#include "print/PrinterAssignRows.h"
#include "tests/LanguageFiles.h"
#include "tests/PrivateCups.h"
#include "tests/TempFolder.h"

namespace fs = std::filesystem;

namespace {

std::string Int32(int32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
  return s;
}

// A field of `units` UTF-16LE units: the text, then zeros.
std::string Field(std::u16string_view text, size_t units) {
  std::string s;
  for (char16_t c : text) {
    s.push_back(static_cast<char>(c & 0xFF));
    s.push_back(static_cast<char>(c >> 8));
  }
  s.resize(2 * units, '\0');
  return s;
}

// A record laid out by hand, as another program writing the format would.
std::string RecordBytes(int32_t id, std::u16string_view kind, std::u16string_view name,
                        std::u16string_view printer) {
  return Int32(id) + Field(kind, 16) + Field(name, 32) + Field(printer, 256);
}

std::string FileBytes(const std::vector<std::string>& records, int32_t count) {
  std::string s = Int32(1) + Int32(count);
  for (const std::string& r : records) s += r;
  return s;
}

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const std::u16string kPrinter255(255, u'P');

}  // namespace

TEST(TemplatePrinterRecord, LayoutIsWrittenAndReadFieldByField) {
  TemplatePrinterRecord r{-2, u"快件标签", u"A6", u"Label printer 2"};
  const std::string bytes = EncodeTemplatePrinterRecord(r);
  EXPECT_EQ(bytes, RecordBytes(-2, u"快件标签", u"A6", u"Label printer 2"));
  ASSERT_EQ(bytes.size(), 612u);
  EXPECT_EQ(bytes.substr(0, 4), std::string("\xFE\xFF\xFF\xFF", 4));
  EXPECT_EQ(bytes.substr(4, 2), std::string("\xEB\x5F", 2));  // 快 U+5FEB
  EXPECT_EQ(bytes.substr(36, 4), std::string("A\0" "6\0", 4));
  EXPECT_EQ(bytes.substr(100, 2), std::string("L\0", 2));

  TemplatePrinterRecord back;
  ASSERT_TRUE(DecodeTemplatePrinterRecord(bytes, back));
  EXPECT_EQ(back, r);

  // Names that fill their fields up to the terminator.
  TemplatePrinterRecord full{3, std::u16string(15, u'形'), std::u16string(31, u'T'), kPrinter255};
  ASSERT_TRUE(FitsTemplatePrinterRecord(full));
  ASSERT_TRUE(DecodeTemplatePrinterRecord(EncodeTemplatePrinterRecord(full), back));
  EXPECT_EQ(back, full);
  full.printerName.push_back(u'X');
  EXPECT_FALSE(FitsTemplatePrinterRecord(full));
}

TEST(TemplatePrinterRecord, NameWithoutTerminatorIsRefused) {
  struct Case {
    const char* what;
    size_t offset;  // a field filled to its end with 'A' units
    size_t units;
  };
  for (const Case c : {Case{"kind", 4, 16}, Case{"template", 36, 32}, Case{"printer", 100, 256}}) {
    std::string bytes = RecordBytes(-1, u"渠道面单", u"DHL", u"BrantlePdf");
    for (size_t i = 0; i < c.units; ++i) {
      bytes[c.offset + 2 * i] = 'A';
      bytes[c.offset + 2 * i + 1] = 0;
    }
    TemplatePrinterRecord r;
    EXPECT_FALSE(DecodeTemplatePrinterRecord(bytes, r)) << c.what;
  }
  TemplatePrinterRecord r;
  EXPECT_FALSE(DecodeTemplatePrinterRecord(std::string(611, '\0'), r));
  EXPECT_FALSE(DecodeTemplatePrinterRecord(std::string(613, '\0'), r));
}

TEST(PrinterFile, RoundTripsByteForByte) {
  const std::string file =
      FileBytes({RecordBytes(-1, u"渠道面单", u"DHL", u"BrantlePdf"),
                 RecordBytes(-2, u"快件标签", u"A6", u"Label printer 2"),
                 RecordBytes(2, u"快件标签", u"", u"BrantleLabel")},
                3);
  std::vector<TemplatePrinterRecord> records;
  ASSERT_TRUE(DecodePrinterFile(file, records));
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[1], (TemplatePrinterRecord{-2, u"快件标签", u"A6", u"Label printer 2"}));
  CTemplatePrinterList list;
  for (const auto& r : records) list.AddOrReplace(r);
  EXPECT_EQ(EncodePrinterFile(list), file);
}

TEST(PrinterFile, ValidityRule) {
  const std::string rec = RecordBytes(-1, u"渠道面单", u"DHL", u"BrantlePdf");
  std::string unterminated = rec;
  for (size_t i = 100; i < 612; i += 2) unterminated[i] = 'Z';
  std::string headerSeven = FileBytes({rec}, 1);
  headerSeven[0] = 7;
  struct Case {
    const char* what;
    std::string bytes;
    size_t records;  // expected when valid
    bool valid;
  };
  const Case cases[] = {
      {"two records, count 3", FileBytes({rec, rec}, 3), 0, false},
      {"two records, count 1", FileBytes({rec, rec}, 1), 0, false},
      {"count -1", FileBytes({rec}, -1), 0, false},
      {"empty file", "", 0, false},
      {"short header", std::string("\1\0\0\0\0\0\0", 7), 0, false},
      {"cut record", FileBytes({rec}, 1).substr(0, 8 + 611), 0, false},
      {"one byte more", FileBytes({rec}, 1) + "x", 0, false},
      {"damaged printer name", FileBytes({rec, unterminated}, 2), 0, false},
      {"header only", FileBytes({}, 0), 0, true},
      {"first value not examined", headerSeven, 1, true},
      {"two records", FileBytes({rec, rec}, 2), 2, true},
  };
  for (const Case& c : cases) {
    std::vector<TemplatePrinterRecord> records;
    EXPECT_EQ(DecodePrinterFile(c.bytes, records), c.valid) << c.what;
    EXPECT_EQ(records.size(), c.records) << c.what;
  }
}

TEST(TemplatePrinterList, AddOrReplaceAndFindPrinter) {
  CTemplatePrinterList list;
  EXPECT_EQ(list.AddOrReplace({-1, u"渠道面单", u"DHL", u"P1"}), 1);
  EXPECT_EQ(list.AddOrReplace({-1, u"渠道面单", u"UPS", u"P2"}), 1);
  EXPECT_EQ(list.AddOrReplace({-1, u"渠道面单", u"DHL", u"P3"}), 0);  // same id and name
  EXPECT_EQ(list.AddOrReplace({-1, u"渠道面单", u"dhl", u"P4"}), 1);  // exact comparison
  EXPECT_EQ(list.AddOrReplace({2, u"快件标签", u"A6", u"L1"}), 1);
  EXPECT_EQ(list.AddOrReplace({2, u"快件标签", u"B5", u"L2"}), 0);    // a kind: same id
  ASSERT_EQ(list.Count(), 4);
  TemplatePrinterRecord out;
  ASSERT_NE(list.GetAt(3, &out), nullptr);
  EXPECT_EQ(out, (TemplatePrinterRecord{2, u"快件标签", u"B5", u"L2"}));
  EXPECT_EQ(list.GetAt(4), nullptr);
  EXPECT_EQ(list.GetAt(-1), nullptr);

  struct Case {
    int32_t id;
    std::u16string selector;
    std::u16string name;
    std::u16string printer;
  };
  const Case cases[] = {
      {-1, u"", u"DHL", u"P3"},
      {-1, u"", u"UPS", u"P2"},
      {-1, u"", u"FEDEX", u""},   // no kind-wide waybill printer
      {-2, u"", u"A6", u"L2"},    // a label template without its own record: the kind's
      {-2, u"x", u"A6", u""},     // a selector stops the fall-back
      {2, u"", u"", u"L2"},
      {3, u"", u"", u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(list.FindPrinter(c.id, c.selector, c.name), c.printer)
        << c.id << " " << std::string(c.name.begin(), c.name.end());
  }
  list.RemoveAll();
  EXPECT_EQ(list.Count(), 0);
}

TEST(TemplatePrinterList, JobPrinterNamesTheQueueOfTheJob) {
  CTemplatePrinterList list;
  list.AddOrReplace({-1, u"渠道面单", u"DHL", u"WaybillQueue"});
  list.AddOrReplace({2, u"快件标签", u"", u"LabelQueue"});
  list.AddOrReplace({-3, u"形式发票", u"EU", u"InvoiceQueue"});
  struct Case {
    int kind;
    std::u16string name;
    std::u16string queue;
  };
  const Case cases[] = {
      {1, u"DHL", u"WaybillQueue"}, {0, u"DHL", u"WaybillQueue"}, {1, u"UPS", u""},
      {2, u"A6", u"LabelQueue"},    {2, u"", u"LabelQueue"},      {3, u"EU", u"InvoiceQueue"},
      {3, u"US", u""},              {1, u"", u""},
  };
  for (const Case& c : cases) EXPECT_EQ(JobPrinter(list, c.kind, c.name), c.queue) << c.kind;
}

class PrinterFileLoadTest : public testsupport::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    testsupport::WriteLanguageFile(folder_, "00", testsupport::RepositoryTexts());
    ASSERT_TRUE(AppLanguage().Load(folder_.string() + "/", "00"));
    folderText_ = folder_.string() + "/";
  }
  std::string folderText_;
  platform::RecordingMessageBoxService boxes_;
};

TEST_F(PrinterFileLoadTest, TakesOnlyInstalledPrintersAndOnlyWithTwoOrMore) {
  Write(kPrinterFileName, FileBytes({RecordBytes(-1, u"渠道面单", u"DHL", u"BrantlePdf"),
                                     RecordBytes(-2, u"快件标签", u"A6", u"Gone printer"),
                                     RecordBytes(2, u"快件标签", u"", u"BrantleLabel")},
                                    3));
  CTemplatePrinterList list;
  EXPECT_EQ(LoadPrinterFile(folderText_, {u"BrantlePdf"}, list, boxes_), PrinterFileLoad::kTooFewPrinters);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(LoadPrinterFile(folderText_, {u"BrantlePdf", u"BrantleLabel"}, list, boxes_),
            PrinterFileLoad::kLoaded);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.GetAt(0)->printerName, u"BrantlePdf");
  EXPECT_EQ(list.GetAt(1)->printerName, u"BrantleLabel");
  EXPECT_EQ(boxes_.Count(), 0u);
  // Saving writes only the remaining ones.
  ASSERT_TRUE(SavePrinterFile(folderText_, list));
  EXPECT_EQ(ReadAll(folder_ / kPrinterFileName),
            FileBytes({RecordBytes(-1, u"渠道面单", u"DHL", u"BrantlePdf"),
                       RecordBytes(2, u"快件标签", u"", u"BrantleLabel")},
                      2));
}

TEST_F(PrinterFileLoadTest, DamagedFileIsRefusedWithAMessageMissingFileSilently) {
  const std::vector<std::u16string> installed = {u"BrantlePdf", u"BrantleLabel"};
  CTemplatePrinterList list;
  EXPECT_EQ(LoadPrinterFile(folderText_, installed, list, boxes_), PrinterFileLoad::kNoFile);
  EXPECT_EQ(boxes_.Count(), 0u);

  const std::string rec = RecordBytes(-1, u"渠道面单", u"DHL", u"BrantlePdf");
  Write(kPrinterFileName, FileBytes({rec, rec}, 3));
  EXPECT_EQ(LoadPrinterFile(folderText_, installed, list, boxes_), PrinterFileLoad::kDamaged);
  EXPECT_EQ(list.Count(), 0);
  ASSERT_EQ(boxes_.Count(), 1u);
  EXPECT_EQ(boxes_.LastText(), testsupport::RepositoryTexts().at(kPrinterFileDamagedText).first);

  // With fewer than two printers the file is not even read.
  boxes_.Clear();
  EXPECT_EQ(LoadPrinterFile(folderText_, {}, list, boxes_), PrinterFileLoad::kTooFewPrinters);
  EXPECT_EQ(boxes_.Count(), 0u);
}

TEST_F(PrinterFileLoadTest, SaveReplacesTheFileWholeOrLeavesIt) {
  CTemplatePrinterList list;
  list.AddOrReplace({-1, u"渠道面单", u"DHL", u"BrantlePdf"});
  ASSERT_TRUE(SavePrinterFile(folderText_, list));
  const std::string first = ReadAll(folder_ / kPrinterFileName);
  EXPECT_EQ(first, EncodePrinterFile(list));
  list.AddOrReplace({-2, u"快件标签", u"A6", u"BrantleLabel"});
  ASSERT_TRUE(SavePrinterFile(folderText_, list));
  EXPECT_EQ(ReadAll(folder_ / kPrinterFileName), EncodePrinterFile(list));
  // Nothing but the file is left in the folder (no temporary file).
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder_)) names.push_back(e.path().filename().string());
  EXPECT_EQ(std::count(names.begin(), names.end(), std::string(kPrinterFileName)), 1);
  EXPECT_EQ(names.size(), 2u) << "the language file and printerset_x1.dat";

  // A folder that does not exist, and a name taken by a folder: false.
  EXPECT_FALSE(SavePrinterFile(folderText_ + "missing/", list));
  fs::create_directories(folder_ / "blocked" / kPrinterFileName);
  EXPECT_FALSE(SavePrinterFile(folderText_ + "blocked/", list));
  EXPECT_TRUE(fs::is_directory(folder_ / "blocked" / kPrinterFileName));
}

TEST_F(PrinterFileLoadTest, DialogRowsFromTheTemplateFolder) {
  fs::create_directories(folder_ / "DATA_MODEL");
  for (const char* name : {"tab_abc.xls", "tab_abc.txt",       // lower case: template ABC
                           "LBL_A6.XLS", "LBL_A6.TXT",         // a label
                           "IVC_EU.xls",                       // no settings text: left out
                           "KUN_X.xls", "KUN_X.txt",           // no known prefix
                           "TAB_NEW.xlsx", "TAB_NEW.txt",      // not ".XLS"
                           "TAB_01234567890123456789012345678901.xls",  // 32 characters: too long
                           "TAB_01234567890123456789012345678901.txt"}) {
    Write("DATA_MODEL/" + std::string(name), "x");
  }
  CTemplatePrinterList list;
  list.AddOrReplace({2, u"快件标签", u"", u"LabelQueue"});
  list.AddOrReplace({-1, u"渠道面单", u"ABC", u"WaybillQueue"});
  std::vector<PrinterAssignRow> rows = ListPrinterAssignRows(folderText_, list);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].kind, -2);
  EXPECT_EQ(rows[0].kindName, u"快件标签");
  EXPECT_EQ(rows[0].templateName, u"A6");
  EXPECT_EQ(rows[0].printerName, u"LabelQueue");  // the kind's printer
  EXPECT_EQ(rows[1].kind, -1);
  EXPECT_EQ(rows[1].kindName, u"渠道面单");
  EXPECT_EQ(rows[1].templateName, u"ABC");
  EXPECT_EQ(rows[1].printerName, u"WaybillQueue");

  // OK: one record per row with a printer; the rest lose their association.
  rows[0].printerName.clear();
  ApplyPrinterAssignRows(rows, list);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(*list.GetAt(0), (TemplatePrinterRecord{-1, u"渠道面单", u"ABC", u"WaybillQueue"}));
}

// The installed printers are the queues of the scheduler the program talks
// to; no scheduler, no printers.
TEST(InstalledPrinters, QueuesOfAPrivateScheduler) {
  char pattern[] = "/tmp/brantle-printers-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const fs::path root = pattern;
  fs::permissions(root, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                            fs::perms::others_read | fs::perms::others_exec);
  setenv("CUPS_SERVER", (root / "nobody.sock").c_str(), 1);
  EXPECT_EQ(InstalledPrinterNames(), std::vector<std::u16string>{});
  {
    testsupport::PrivateCups cups;
    ASSERT_EQ(cups.Start(root / "cups", {"BrantlePdf", "BrantleLabel"}), "");
    std::vector<std::u16string> names = InstalledPrinterNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::u16string>{u"BrantleLabel", u"BrantlePdf"}));
    // Choosing a queue for a job leaves the default queue as it was.
    CTemplatePrinterList list;
    list.AddOrReplace({2, u"快件标签", u"", u"BrantleLabel"});
    EXPECT_EQ(JobPrinter(list, 2, u"A6"), u"BrantleLabel");
    EXPECT_EQ(testsupport::PrivateCups::DefaultQueue(), "BrantlePdf");
    cups.Stop();
  }
  std::error_code ec;
  fs::remove_all(root, ec);
}
