#include "office/OfficeSuite.h"

#include "platform/Signals.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/lang/XMultiComponentFactory.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <rtl/ustring.hxx>

#include "office/OfficeUno.h"

namespace office {
namespace {

namespace css = com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

#ifndef BRANTLE_LO_PROGRAM_DIR
#define BRANTLE_LO_PROGRAM_DIR "/usr/lib/libreoffice/program"
#endif

constexpr auto kConnectTimeout = std::chrono::seconds(60);
constexpr auto kTerminateWait = std::chrono::seconds(10);
// soffice.bin ends with this code after it has set up a new profile and
// wants to be started again (the launcher script normally does that).
constexpr int kRestartExitCode = 81;

std::string ProgramFolder() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return std::filesystem::current_path(ec).string();
  return exe.parent_path().string();
}

std::string ToUtf8(const rtl::OUString& s) {
  return rtl::OUStringToOString(s, RTL_TEXTENCODING_UTF8).getStr();
}

rtl::OUString FromUtf8(std::string_view s) {
  return rtl::OUString(s.data(), static_cast<sal_Int32>(s.size()), RTL_TEXTENCODING_UTF8);
}

// Everything about the one suite of the process, guarded by `mutex`.
struct Suite {
  std::mutex mutex;
  std::string program;
  std::string profile;
  pid_t pid = 0;
  std::string pipeName;
  int startCount = 0;
  bool exitHookSet = false;
  Reference<css::uno::XComponentContext> local;
  Reference<css::uno::XComponentContext> remote;
  Reference<css::frame::XDesktop2> desktop;
};

Suite& TheSuite() {
  static Suite* suite = new Suite;  // lives until the process ends
  return *suite;
}

// Local UNO context of this process, made once and kept (tearing it down
// while the process exits is not safe).
Reference<css::uno::XComponentContext> LocalContext(Suite& s) {
  if (!s.local.is()) {
    setenv("URE_BOOTSTRAP", "vnd.sun.star.pathname:" BRANTLE_LO_PROGRAM_DIR "/fundamentalrc",
           0);
    s.local = cppu::defaultBootstrap_InitialComponentContext();
  }
  return s.local;
}

// True while the suite's process runs.  A process that ended is reaped here
// and forgotten (its id may be reused by another process from now on), its
// exit code left in *exitCode.
bool ProcessRunning(Suite& s, int* exitCode = nullptr) {
  if (s.pid <= 0) return false;
  int status = 0;
  pid_t r = waitpid(s.pid, &status, WNOHANG);
  if (r == 0) return true;
  if (r == s.pid && exitCode) *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  s.pid = 0;
  return false;
}

// Waits up to `grace` for the process to end, then kills it.
void EndProcess(Suite& s, std::chrono::milliseconds grace) {
  auto until = std::chrono::steady_clock::now() + grace;
  while (ProcessRunning(s) && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  if (ProcessRunning(s)) {
    kill(s.pid, SIGKILL);
    waitpid(s.pid, nullptr, 0);
    s.pid = 0;
  }
  // A suite that was killed leaves its pipe's socket file behind.
  if (!s.pipeName.empty()) {
    std::error_code ec;
    std::filesystem::remove("/tmp/OSL_PIPE_" + std::to_string(getuid()) + "_" + s.pipeName, ec);
    s.pipeName.clear();
  }
}

// Drops the connection and ends the process.  Caller holds the mutex.
void DropLocked(Suite& s, bool askToTerminate) {
  bool asked = false;
  if (askToTerminate && s.desktop.is() && ProcessRunning(s)) {
    try {
      s.desktop->terminate();
      asked = true;
    } catch (...) {
      // the bridge goes down with the process; that is expected
    }
  }
  try {
    s.desktop.clear();
    s.remote.clear();
  } catch (...) {
  }
  EndProcess(s, asked ? std::chrono::duration_cast<std::chrono::milliseconds>(kTerminateWait)
                      : std::chrono::milliseconds(0));
}

// At process exit the UNO runtime may already be partly torn down, so the
// suite is not spoken to: its process is ended by its id and the references
// are left alone.  (The program ends the suite properly in its shut-down.)
void ShutdownAtExit() {
  Suite& s = TheSuite();
  std::unique_lock lock(s.mutex, std::try_to_lock);
  if (!lock.owns_lock() || s.pid <= 0) return;
  kill(s.pid, SIGTERM);
  EndProcess(s, std::chrono::milliseconds(2000));
}

// Starts soffice.bin on a new pipe; returns its pid or -1.
pid_t Launch(Suite& s, const std::string& pipeName, std::string* why) {
  std::error_code ec;
  std::filesystem::create_directories(s.profile, ec);
  if (!std::filesystem::is_directory(s.profile)) {
    if (why) *why = "cannot create the profile folder " + s.profile;
    return -1;
  }
  if (access(s.program.c_str(), X_OK) != 0) {
    if (why) *why = "office program not found: " + s.program;
    return -1;
  }
  auto profileUrl = std::filesystem::absolute(s.profile).string();
  std::vector<std::string> args = {
      s.program,
      "-env:UserInstallation=file://" + profileUrl,
      "--headless",
      "--invisible",
      "--nologo",
      "--norestore",
      "--nodefault",
      "--nolockcheck",
      "--accept=pipe,name=" + pipeName + ";urp;StarOffice.ComponentContext"};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::string log = (std::filesystem::path(s.profile) / "soffice.log").string();
  // The suite is tied to the program's life when it is started from the main
  // thread (a parent-death signal is sent when the starting thread ends).
  bool tieToParent = syscall(SYS_gettid) == getpid();
  pid_t parent = getpid();

  pid_t pid = fork();
  if (pid < 0) {
    if (why) *why = "fork failed";
    return -1;
  }
  if (pid == 0) {
    if (tieToParent) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (getppid() != parent) _exit(127);
    }
    setpgid(0, 0);
    int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd >= 0) {
      dup2(fd, 1);
      dup2(fd, 2);
    }
    int nul = open("/dev/null", O_RDONLY);
    if (nul >= 0) dup2(nul, 0);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

// Starts the suite and connects.  Caller holds the mutex.
bool StartLocked(Suite& s, std::string* why) {
  DropLocked(s, false);
  // A suite that dies while we write to its pipe must give an error, not
  // end the program.
  platform::IgnoreBrokenPipe();
  Reference<css::uno::XComponentContext> local;
  try {
    local = LocalContext(s);
  } catch (const css::uno::Exception& e) {
    if (why) *why = "UNO bootstrap failed: " + ToUtf8(e.Message);
    return false;
  }
  if (!local.is()) {
    if (why) *why = "UNO bootstrap failed";
    return false;
  }
  if (!s.exitHookSet) {
    std::atexit(ShutdownAtExit);
    s.exitHookSet = true;
  }

  for (int attempt = 0; attempt < 3; ++attempt) {
    std::string pipeName = "brantle_office_" + std::to_string(getpid()) + "_" +
                           std::to_string(++s.startCount);
    pid_t pid = Launch(s, pipeName, why);
    if (pid < 0) return false;
    s.pid = pid;
    s.pipeName = pipeName;
    auto url = FromUtf8("uno:pipe,name=" + pipeName + ";urp;StarOffice.ComponentContext");
    auto deadline = std::chrono::steady_clock::now() + kConnectTimeout;
    bool restart = false;
    while (std::chrono::steady_clock::now() < deadline) {
      int exitCode = 0;
      if (!ProcessRunning(s, &exitCode)) {
        if (exitCode == kRestartExitCode) {
          restart = true;
          break;
        }
        if (why) *why = "the office suite ended at start (code " + std::to_string(exitCode) + ")";
        return false;
      }
      try {
        auto resolver = css::bridge::UnoUrlResolver::create(local);
        Reference<css::uno::XComponentContext> remote(resolver->resolve(url), UNO_QUERY_THROW);
        s.remote = remote;
        s.desktop = css::frame::Desktop::create(remote);
        return true;
      } catch (const css::connection::NoConnectException&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      } catch (const css::uno::Exception& e) {
        if (why) *why = "cannot connect to the office suite: " + ToUtf8(e.Message);
        DropLocked(s, false);
        return false;
      }
    }
    if (!restart) {
      if (why) *why = "the office suite did not answer in time";
      DropLocked(s, false);
      return false;
    }
  }
  if (why) *why = "the office suite kept restarting";
  return false;
}

// True when the connection answers.  Caller holds the mutex.
bool AliveLocked(Suite& s) {
  if (!s.desktop.is() || !ProcessRunning(s)) return false;
  try {
    // One cheap round trip.
    s.remote->getServiceManager();
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace

namespace detail {

SuiteHandle AcquireSuite(std::string* why) {
  Suite& s = TheSuite();
  std::lock_guard lock(s.mutex);
  if (s.program.empty()) s.program = OfficeProgram();
  if (s.profile.empty()) s.profile = OfficeProfileFolder();
  if (!AliveLocked(s) && !StartLocked(s, why)) return {};
  return {s.remote, s.desktop};
}

bool CheckSuiteAfterFailure() {
  Suite& s = TheSuite();
  std::lock_guard lock(s.mutex);
  if (AliveLocked(s)) return true;
  DropLocked(s, false);
  return false;
}

}  // namespace detail

namespace {
std::mutex settingsMutex;
std::string programSetting;
std::string profileSetting;
}  // namespace

void SetOfficeProgram(std::string path) {
  {
    std::lock_guard lock(settingsMutex);
    programSetting = std::move(path);
  }
  Suite& s = TheSuite();
  std::lock_guard lock(s.mutex);
  s.program.clear();
}

std::string OfficeProgram() {
  std::lock_guard lock(settingsMutex);
  return programSetting.empty() ? std::string(BRANTLE_LO_PROGRAM_DIR "/soffice.bin")
                                : programSetting;
}

void SetOfficeProfileFolder(std::string folder) {
  {
    std::lock_guard lock(settingsMutex);
    profileSetting = std::move(folder);
  }
  Suite& s = TheSuite();
  std::lock_guard lock(s.mutex);
  s.profile.clear();
}

std::string OfficeProfileFolder() {
  std::lock_guard lock(settingsMutex);
  if (!profileSetting.empty()) return profileSetting;
  return (std::filesystem::path(ProgramFolder()) / "OfficeProfile").string();
}

bool DetectOfficeSuite() { return detail::AcquireSuite().desktop.is(); }

bool OfficeSuiteWritesXlsx() {
  auto suite = detail::AcquireSuite();
  if (!suite.desktop.is()) return false;
  try {
    Reference<css::container::XNameAccess> filters(
        suite.context->getServiceManager()->createInstanceWithContext(
            "com.sun.star.document.FilterFactory", suite.context),
        UNO_QUERY_THROW);
    return filters->hasByName("Calc MS Excel 2007 XML");
  } catch (const css::uno::Exception&) {
    detail::CheckSuiteAfterFailure();
    return false;
  }
}

std::u16string ExcelOpenFileFilter() {
  return OfficeSuiteWritesXlsx() ? u"Excel file (*.xls,*.xlsx)|*.xls;*.xlsx|"
                                 : u"Excel file (*.xls)|*.xls|";
}

void ShutdownOfficeSuite() {
  Suite& s = TheSuite();
  std::lock_guard lock(s.mutex);
  DropLocked(s, true);
}

long OfficeSuiteProcessId() {
  Suite& s = TheSuite();
  std::lock_guard lock(s.mutex);
  return ProcessRunning(s) ? s.pid : 0;
}

}  // namespace office
