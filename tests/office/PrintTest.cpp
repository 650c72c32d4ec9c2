// Printing through a real CUPS queue: a private scheduler (own configuration,
// spool and socket in the test's temp folder, no network port) with a
// cups-pdf queue whose PDF files land in the temp folder.  Nothing outside
// the temp folder changes: cups-pdf reads its settings from the fixed folder
// /etc/cups, so the scheduler runs in a mount namespace of its own in which
// its private configuration folder is /etc/cups.

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>

#include <gtest/gtest.h>

#include "OfficeTestEnv.h"
#include "office/ExcelSession.h"
#include "office/OfficeSuite.h"
#include "tests/ChildProcess.h"
#include "tests/WaitUntil.h"

using namespace officetest;

namespace {

constexpr const char* kQueue = "BrantlePdf";

std::string RunCommand(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  if (!p) return out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
  int rc = pclose(p);
  if (status) *status = rc;
  return out;
}

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
  static fs::path& Folder() {
    static fs::path folder;
    return folder;
  }
  static fs::path PdfFolder() { return Folder() / "pdf"; }

  void SetUp() override {
    Folder() = Root() / "cups";
    for (const char* sub : {"spool", "tmp", "state", "cache", "pdf", "pdf-spool", "pdf-log"})
      fs::create_directories(Folder() / sub);
    fs::permissions(Folder() / "tmp", fs::perms::all | fs::perms::sticky_bit);
    fs::permissions(PdfFolder(), fs::perms::all);
    fs::path socket = Folder() / "cups.sock";
    WriteFile(Folder() / "cupsd.conf",
              "Listen " + socket.string() +
                  "\nLogLevel warn\nWebInterface No\nBrowsing Off\nDefaultShared No\n"
                  "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                  "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n"
                  "</Policy>\n");
    std::string f = Folder().string();
    WriteFile(Folder() / "cups-files.conf",
              "ServerRoot " + f + "\nRequestRoot " + f + "/spool\nTempDir " + f +
                  "/tmp\nStateDir " + f + "/state\nCacheDir " + f +
                  "/cache\nServerBin /usr/lib/cups\nDataDir /usr/share/cups\nErrorLog " + f +
                  "/error_log\nAccessLog " + f + "/access_log\nPageLog " + f +
                  "/page_log\nSystemGroup root\n");
    // Read by the cups-pdf backend as /etc/cups/cups-pdf.conf, see below.
    WriteFile(Folder() / "cups-pdf.conf",
              "Out " + PdfFolder().string() + "\nLabel 0\nSpool " + f + "/pdf-spool\nAnonDirName " +
                  f + "/pdf-spool\nLog " + f + "/pdf-log\nGSTmp " + f + "/tmp\n");

    testsupport::ChildProcess::Options options;
    options.log = (Folder() / "cupsd.out").string();
    // In the scheduler's own mount namespace the private folder takes the
    // place of /etc/cups, for the scheduler and the backends it starts; the
    // namespace ends with them.
    options.inChild = [f] {
      return ::unshare(CLONE_NEWNS) == 0 &&
             ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
             ::mount(f.c_str(), "/etc/cups", nullptr, MS_BIND, nullptr) == 0;
    };
    std::string error = cupsd_.Start({"/usr/sbin/cupsd", "-f", "-c", f + "/cupsd.conf", "-s",
                                      f + "/cups-files.conf"},
                                     options);
    ASSERT_EQ(error, "") << "the private print scheduler needs a mount namespace of its own "
                            "(root with CAP_SYS_ADMIN)";
    setenv("CUPS_SERVER", socket.c_str(), 1);
    auto answers = [] {
      return RunCommand("lpstat -r").find("scheduler is running") != std::string::npos;
    };
    testsupport::WaitUntil([&] { return !cupsd_.Running() || answers(); }, testsupport::kWaitLimit);
    ASSERT_TRUE(cupsd_.Running() && answers())
        << ReadFile(Folder() / "cupsd.out") << ReadFile(Folder() / "error_log");
    int status = 0;
    std::string out = RunCommand(std::string("lpadmin -p ") + kQueue +
                                     " -E -v cups-pdf:/"
                                     " -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd"
                                     " -o pdftops-renderer-default=pdftocairo -o PDFVer=1.5",
                                 &status);
    ASSERT_EQ(status, 0) << out;
    // (The job reaches cups-pdf as PostScript; pdftocairo keeps the text
    // searchable on that way, the other renderers lose its character map.)
    // The PDF queue is also the default one, so that a silent fallback to
    // the default printer would show up as a job and a PDF file.
    out = RunCommand(std::string("lpadmin -d ") + kQueue, &status);
    ASSERT_EQ(status, 0) << out;
  }

  void TearDown() override {
    // The suite keeps a connection to the scheduler; end it first.
    office::ShutdownOfficeSuite();
    pid_t pid = cupsd_.Pid();
    cupsd_.Stop();
    EXPECT_TRUE(ProcessGone(pid));
    unsetenv("CUPS_SERVER");
  }

 private:
  testsupport::ChildProcess cupsd_;
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
