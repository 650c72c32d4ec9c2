// Printing through a real CUPS queue: a private scheduler (own configuration,
// spool and socket in the test's temp folder, no network port) with a
// cups-pdf queue whose PDF files land in the temp folder.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include <gtest/gtest.h>

#include "OfficeTestEnv.h"
#include "office/ExcelSession.h"
#include "office/OfficeSuite.h"

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

class CupsEnvironment : public ::testing::Environment {
 public:
  static fs::path& Folder() {
    static fs::path folder;
    return folder;
  }
  static fs::path PdfFolder() { return Folder() / "pdf"; }

  void SetUp() override {
    Folder() = Root() / "cups";
    for (const char* sub : {"spool", "tmp", "state", "cache", "pdf"})
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
    // cups-pdf reads its instance settings from the fixed folder /etc/cups.
    instance_ = "brantletest" + std::to_string(getpid());
    instanceConf_ = "/etc/cups/cups-pdf-" + instance_ + ".conf";
    WriteFile(instanceConf_, "Out " + PdfFolder().string() + "\nLabel 0\n");

    pid_ = fork();
    ASSERT_GE(pid_, 0);
    if (pid_ == 0) {
      int fd = open((Folder() / "cupsd.out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (fd >= 0) {
        dup2(fd, 1);
        dup2(fd, 2);
      }
      execl("/usr/sbin/cupsd", "cupsd", "-f", "-c", (Folder() / "cupsd.conf").c_str(), "-s",
            (Folder() / "cups-files.conf").c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    setenv("CUPS_SERVER", socket.c_str(), 1);
    bool running = false;
    for (int i = 0; i < 100 && !running; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      running = RunCommand("lpstat -r").find("scheduler is running") != std::string::npos;
    }
    ASSERT_TRUE(running) << ReadFile(Folder() / "cupsd.out");
    int status = 0;
    std::string out = RunCommand(std::string("lpadmin -p ") + kQueue + " -E -v cups-pdf:/" +
                                     instance_ +
                                     " -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd"
                                     " -o pdftops-renderer-default=pdftocairo -o PDFVer=1.5",
                                 &status);
    ASSERT_EQ(status, 0) << out;
    // (The job reaches cups-pdf as PostScript; pdftocairo keeps the text
    // searchable on that way, the other renderers lose its character map.)
    // The PDF queue is also the default one, so that a silent fallback to
    // the default printer would show up as a PDF file.
    out = RunCommand(std::string("lpadmin -d ") + kQueue, &status);
    ASSERT_EQ(status, 0) << out;
  }

  void TearDown() override {
    // The suite keeps a connection to the scheduler; end it first.
    office::ShutdownOfficeSuite();
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      bool ended = false;
      for (int i = 0; i < 100 && !ended; ++i) {
        ended = waitpid(pid_, nullptr, WNOHANG) == pid_;
        if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      if (!ended) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
      }
      EXPECT_TRUE(ProcessGone(pid_));
    }
    std::error_code ec;
    fs::remove(instanceConf_, ec);
    unsetenv("CUPS_SERVER");
  }

 private:
  pid_t pid_ = -1;
  std::string instance_;
  fs::path instanceConf_;
};

::testing::Environment* const kOffice = ::testing::AddGlobalTestEnvironment(new OfficeEnvironment);
::testing::Environment* const kCups = ::testing::AddGlobalTestEnvironment(new CupsEnvironment);

std::vector<fs::path> PdfFiles() {
  std::vector<fs::path> files;
  for (auto& e : fs::directory_iterator(CupsEnvironment::PdfFolder()))
    if (e.path().extension() == ".pdf") files.push_back(e.path());
  return files;
}

// Waits for the queue to deliver one more PDF file than `before`.
fs::path WaitForPdf(size_t before) {
  for (int i = 0; i < 600; ++i) {
    auto files = PdfFiles();
    if (files.size() > before) {
      // cups-pdf writes the file and then changes its owner; give it a moment.
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      return files.back();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return {};
}

TEST(PrintTest, PrintsToTheNamedCupsQueue) {
  fs::path folder = TestFolder();
  size_t before = PdfFiles().size();
  CExcelSession s;
  ASSERT_EQ(s.CreateWorkbook(u"BILL", (folder / "print.xls").u16string(), {}, false), 1);
  s.SetCellText(1, 1, u"Consignee Wang Fang");
  s.SetCellText(2, 2, u"BR987654321CN");
  s.SetCellText(3, 1, U16("收件人王芳"));
  EXPECT_EQ(s.PrintOut(1, 1, 1, false, U16(kQueue)), 1)
      << std::string(s.LastError().begin(), s.LastError().end());
  fs::path pdf = WaitForPdf(before);
  ASSERT_FALSE(pdf.empty()) << ReadFile(CupsEnvironment::Folder() / "error_log");
  std::string text = RunCommand("pdftotext '" + pdf.string() + "' -");
  EXPECT_NE(text.find("Consignee Wang Fang"), std::string::npos) << text;
  EXPECT_NE(text.find("BR987654321CN"), std::string::npos) << text;
  EXPECT_NE(text.find("收件人王芳"), std::string::npos) << text;
}

TEST(PrintTest, UnknownQueueIsAnErrorNotAFallback) {
  fs::path folder = TestFolder();
  size_t before = PdfFiles().size();
  CExcelSession s;
  ASSERT_EQ(s.CreateWorkbook(u"BILL", (folder / "print.xls").u16string(), {}, false), 1);
  s.SetCellText(1, 1, u"must not print");
  EXPECT_EQ(s.PrintOut(1, 1, 1, false, u"NoSuchQueue"), 0);
  EXPECT_NE(s.LastError().find(u"NoSuchQueue"), std::u16string::npos);
  std::this_thread::sleep_for(std::chrono::seconds(2));
  EXPECT_EQ(PdfFiles().size(), before);
  // The session stays usable.
  s.SetCellText(2, 1, u"still here");
  EXPECT_EQ(s.CellText(2, 1), "still here");
}

}  // namespace
