#pragma once
// A private CUPS scheduler for the print tests: own configuration, spool and
// socket in a folder of the test, no network port, and cups-pdf queues whose
// PDF files land in that folder.  Nothing outside the folder changes:
// cups-pdf reads its settings from the fixed folder /etc/cups, so the
// scheduler runs in a mount namespace of its own in which its private
// configuration folder is /etc/cups.  CUPS_SERVER points the test process
// (libcups, lpstat, lpadmin, the office suite) at it while it runs.
//
//   testsupport::PrivateCups cups;
//   ASSERT_EQ(cups.Start(folder, {"BrantlePdf", "BrantleLabel"}), "");
//   ... cups.PdfFolder() ...
//   cups.Stop();

#include <sched.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/ChildProcess.h"
#include "tests/WaitUntil.h"

namespace testsupport {

// Runs a shell command; its output and error text.
inline std::string RunCommand(const std::string& command, int* status = nullptr) {
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

class PrivateCups {
 public:
  ~PrivateCups() { Stop(); }

  const std::filesystem::path& Folder() const { return folder_; }
  std::filesystem::path PdfFolder() const { return folder_ / "pdf"; }
  std::string ErrorLog() const { return Read(folder_ / "error_log"); }

  // Starts the scheduler under `folder` (created) with one cups-pdf queue per
  // name; the first queue is the default one.  An empty text when it runs,
  // else what went wrong.
  std::string Start(const std::filesystem::path& folder, const std::vector<std::string>& queues) {
    namespace fs = std::filesystem;
    folder_ = folder;
    for (const char* sub : {"spool", "tmp", "state", "cache", "pdf", "pdf-spool", "pdf-log"})
      fs::create_directories(folder_ / sub);
    fs::permissions(folder_ / "tmp", fs::perms::all | fs::perms::sticky_bit);
    fs::permissions(PdfFolder(), fs::perms::all);
    fs::path socket = folder_ / "cups.sock";
    Write(folder_ / "cupsd.conf",
          "Listen " + socket.string() +
              "\nLogLevel warn\nWebInterface No\nBrowsing Off\nDefaultShared No\n"
              "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
              "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n"
              "</Policy>\n");
    std::string f = folder_.string();
    Write(folder_ / "cups-files.conf",
          "ServerRoot " + f + "\nRequestRoot " + f + "/spool\nTempDir " + f + "/tmp\nStateDir " + f +
              "/state\nCacheDir " + f +
              "/cache\nServerBin /usr/lib/cups\nDataDir /usr/share/cups\nErrorLog " + f +
              "/error_log\nAccessLog " + f + "/access_log\nPageLog " + f +
              "/page_log\nSystemGroup root\n");
    // Read by the cups-pdf backend as /etc/cups/cups-pdf.conf, see below.
    Write(folder_ / "cups-pdf.conf", "Out " + PdfFolder().string() + "\nLabel 0\nSpool " + f +
                                         "/pdf-spool\nAnonDirName " + f + "/pdf-spool\nLog " + f +
                                         "/pdf-log\nGSTmp " + f + "/tmp\n");

    ChildProcess::Options options;
    options.log = (folder_ / "cupsd.out").string();
    // In the scheduler's own mount namespace the private folder takes the
    // place of /etc/cups, for the scheduler and the backends it starts; the
    // namespace ends with them.
    options.inChild = [f] {
      return ::unshare(CLONE_NEWNS) == 0 &&
             ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
             ::mount(f.c_str(), "/etc/cups", nullptr, MS_BIND, nullptr) == 0;
    };
    std::string error = cupsd_.Start(
        {"/usr/sbin/cupsd", "-f", "-c", f + "/cupsd.conf", "-s", f + "/cups-files.conf"}, options);
    if (!error.empty())
      return error + " (the private print scheduler needs a mount namespace of its own: "
                     "root with CAP_SYS_ADMIN)";
    setenv("CUPS_SERVER", socket.c_str(), 1);
    auto answers = [] {
      return RunCommand("lpstat -r").find("scheduler is running") != std::string::npos;
    };
    WaitUntil([&] { return !cupsd_.Running() || answers(); }, kWaitLimit);
    if (!cupsd_.Running() || !answers())
      return "the scheduler does not answer: " + Read(folder_ / "cupsd.out") + ErrorLog();
    for (const std::string& queue : queues) {
      std::string error = AddQueue(queue);
      if (!error.empty()) return error;
    }
    if (!queues.empty()) {
      int status = 0;
      std::string out = RunCommand("lpadmin -d " + queues.front(), &status);
      if (status != 0) return "lpadmin -d: " + out;
    }
    return {};
  }

  // Adds a cups-pdf queue; an empty text, else lpadmin's answer.
  std::string AddQueue(const std::string& queue) {
    // (The job reaches cups-pdf as PostScript; pdftocairo keeps the text
    // searchable on that way, the other renderers lose its character map.)
    int status = 0;
    std::string out = RunCommand("lpadmin -p " + queue +
                                     " -E -v cups-pdf:/"
                                     " -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd"
                                     " -o pdftops-renderer-default=pdftocairo -o PDFVer=1.5",
                                 &status);
    return status == 0 ? std::string() : "lpadmin -p " + queue + ": " + out;
  }

  // Ends the scheduler (and its namespace); CUPS_SERVER is unset.
  void Stop() {
    cupsd_.Stop();
    unsetenv("CUPS_SERVER");
  }
  pid_t Pid() const { return cupsd_.Pid(); }

  // The scheduler's default queue as lpstat reports it ("" when none).
  static std::string DefaultQueue() {
    std::string out = RunCommand("lpstat -d");
    const std::string marker = "system default destination: ";
    size_t at = out.find(marker);
    if (at == std::string::npos) return {};
    std::string name = out.substr(at + marker.size());
    while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
    return name;
  }

 private:
  static void Write(const std::filesystem::path& p, const std::string& text) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << text;
  }
  static std::string Read(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  std::filesystem::path folder_;
  ChildProcess cupsd_;
};

}  // namespace testsupport
