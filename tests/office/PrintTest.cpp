// Printing through a real CUPS queue: a private scheduler with a cups-pdf
// queue (tests/PrivateCups.h) whose PDF files land in the test's temp folder.

#include <cstdio>
#include <sstream>

#include <gtest/gtest.h>

#include "OfficeTestEnv.h"
#include "office/ExcelSession.h"
#include "office/OfficeSuite.h"
#include "tests/PrivateCups.h"
#include "tests/WaitUntil.h"

using namespace officetest;

namespace {

constexpr const char* kQueue = "BrantlePdf";

using testsupport::RunCommand;

// The files under /etc/cups that name the folder.
std::vector<std::string> SystemCupsFilesNaming(const fs::path& folder) {
  std::vector<std::string> files;
  std::error_code ec;
  for (fs::recursive_directory_iterator it("/etc/cups", ec), end; !ec && it != end;
       it.increment(ec)) {
    std::error_code ignored;
    if (it->is_regular_file(ignored) &&
        ReadFile(it->path()).find(folder.string()) != std::string::npos)
      files.push_back(it->path().string());
  }
  return files;
}

class CupsEnvironment : public ::testing::Environment {
 public:
  static testsupport::PrivateCups& Cups() {
    static testsupport::PrivateCups cups;
    return cups;
  }
  static const fs::path& Folder() { return Cups().Folder(); }
  static fs::path PdfFolder() { return Cups().PdfFolder(); }

  void SetUp() override {
    // The PDF queue is also the default one, so that a silent fallback to
    // the default printer would show up as a job and a PDF file.
    ASSERT_EQ(Cups().Start(Root() / "cups", {kQueue}), "");
  }

  void TearDown() override {
    // The suite keeps a connection to the scheduler; end it first.
    office::ShutdownOfficeSuite();
    pid_t pid = Cups().Pid();
    Cups().Stop();
    EXPECT_TRUE(ProcessGone(pid));
  }
};

::testing::Environment* const kOffice = ::testing::AddGlobalTestEnvironment(new OfficeEnvironment);
::testing::Environment* const kCups = ::testing::AddGlobalTestEnvironment(new CupsEnvironment);

std::vector<fs::path> PdfFiles() {
  std::vector<fs::path> files;
  for (auto& e : fs::directory_iterator(CupsEnvironment::PdfFolder()))
    if (e.path().extension() == ".pdf") files.push_back(e.path());
  return files;
}

// The scheduler's jobs in one of lpstat's classes ("all", "completed",
// "not-completed"), one line each.
std::vector<std::string> Jobs(const std::string& which) {
  std::vector<std::string> jobs;
  std::istringstream lines(RunCommand("lpstat -W " + which + " -o"));
  for (std::string line; std::getline(lines, line);)
    if (line.rfind(std::string(kQueue) + "-", 0) == 0) jobs.push_back(line);
  return jobs;
}

TEST(PrintTest, PrintsToTheNamedCupsQueue) {
  fs::path folder = TestFolder();
  size_t before = PdfFiles().size();
  size_t jobs = Jobs("all").size();
  size_t completed = Jobs("completed").size();
  CExcelSession s;
  ASSERT_EQ(s.CreateWorkbook(u"BILL", (folder / "print.xls").u16string(), {}, false), 1);
  s.SetCellText(1, 1, u"Consignee Wang Fang");
  s.SetCellText(2, 2, u"BR987654321CN");
  s.SetCellText(3, 1, U16("收件人王芳"));
  EXPECT_EQ(s.PrintOut(1, 1, 1, false, U16(kQueue)), 1)
      << std::string(s.LastError().begin(), s.LastError().end());
  // The job is with the scheduler once PrintOut returns.
  EXPECT_EQ(Jobs("all").size(), jobs + 1);
  // cups-pdf has written the file (and handed it to its owner) when the
  // scheduler counts the job as completed.
  ASSERT_TRUE(testsupport::WaitUntil([] { return Jobs("not-completed").empty(); },
                                     testsupport::kWaitLimit));
  ASSERT_EQ(Jobs("completed").size(), completed + 1)
      << ReadFile(CupsEnvironment::Folder() / "error_log");
  std::vector<fs::path> pdfs = PdfFiles();
  ASSERT_EQ(pdfs.size(), before + 1) << ReadFile(CupsEnvironment::Folder() / "error_log");
  std::string text = RunCommand("pdftotext '" + pdfs.back().string() + "' -");
  EXPECT_NE(text.find("Consignee Wang Fang"), std::string::npos) << text;
  EXPECT_NE(text.find("BR987654321CN"), std::string::npos) << text;
  EXPECT_NE(text.find("收件人王芳"), std::string::npos) << text;
  // cups-pdf took its settings from the private folder (its log is there)
  // and nothing in the system's configuration refers to this test.
  EXPECT_TRUE(fs::exists(CupsEnvironment::Folder() / "pdf-log" /
                         (std::string("cups-pdf-") + kQueue + "_log")));
  EXPECT_EQ(SystemCupsFilesNaming(Root()), std::vector<std::string>{});
}

TEST(PrintTest, UnknownQueueIsAnErrorNotAFallback) {
  fs::path folder = TestFolder();
  size_t before = PdfFiles().size();
  size_t jobs = Jobs("all").size();
  CExcelSession s;
  ASSERT_EQ(s.CreateWorkbook(u"BILL", (folder / "print.xls").u16string(), {}, false), 1);
  s.SetCellText(1, 1, u"must not print");
  EXPECT_EQ(s.PrintOut(1, 1, 1, false, u"NoSuchQueue"), 0);
  EXPECT_NE(s.LastError().find(u"NoSuchQueue"), std::u16string::npos);
  // A job would be with the scheduler by now (see above): none is.
  EXPECT_EQ(Jobs("all").size(), jobs);
  EXPECT_EQ(PdfFiles().size(), before);
  // The session stays usable.
  s.SetCellText(2, 1, u"still here");
  EXPECT_EQ(s.CellText(2, 1), "still here");
}

}  // namespace
