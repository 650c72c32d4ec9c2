#include "office/OfficeSuite.h"

#include "platform/QtWaitForWork.h"
#include "platform/Signals.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <future>
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

// A starting suite that has used no processor time for this long has hung;
// one that keeps working (a first start on a busy machine can take minutes)
// is waited for up to kStartLimit.
constexpr auto kStallTimeout = std::chrono::seconds(60);
constexpr auto kStartLimit = std::chrono::minutes(5);
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
  // Set by the shut-down: a start in progress gives up.
  std::atomic<bool> cancelStart{false};
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

// The suite's own thread, on which every start runs.  A suite is tied to
// the thread that started it (it is killed when that thread ends, so it
// never outlives a program that crashed), and this thread lives as long as
// the process.  Jobs run one after the other.
class Starter {
 public:
  static Starter& Get() {
    static Starter* starter = new Starter;  // lives until the process ends
    return *starter;
  }

  bool OnStarterThread() const { return std::this_thread::get_id() == id_; }

  // Queues the job; a background job may be dropped before it runs.
  void Queue(std::function<void()> job, bool background) {
    {
      std::lock_guard lock(mutex_);
      jobs_.push_back({std::move(job), background});
    }
    wake_.notify_one();
  }

  // Runs the work on this thread and waits for its result.
  template <typename Result>
  Result Run(std::function<Result()> work) {
    std::packaged_task<Result()> task(std::move(work));
    std::future<Result> result = task.get_future();
    Queue([&task] { task(); }, false);
    return result.get();
  }

  // Drops the background jobs that have not started yet.
  void DropBackground() {
    std::lock_guard lock(mutex_);
    std::deque<Job> kept;
    for (Job& job : jobs_)
      if (!job.background) kept.push_back(std::move(job));
    jobs_.swap(kept);
  }

 private:
  struct Job {
    std::function<void()> work;
    bool background;
  };

  Starter() {
    std::thread thread([this] { Loop(); });
    id_ = thread.get_id();
    thread.detach();
  }

  void Loop() {
    for (;;) {
      Job job;
      {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return !jobs_.empty(); });
        job = std::move(jobs_.front());
        jobs_.pop_front();
      }
      job.work();
    }
  }

  std::thread::id id_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Job> jobs_;
};

// Processor time the process has used so far (clock ticks), -1 when it
// cannot be read.
long long ProcessorTicks(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t close = stat.rfind(')');
  if (close == std::string::npos) return -1;
  // After the name: state, then fields 4 to 13, then utime and stime.
  unsigned long long user = 0, system = 0;
  if (std::sscanf(stat.c_str() + close + 1,
                  " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &user,
                  &system) != 2)
    return -1;
  return static_cast<long long>(user + system);
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
    // The suite leads a process group of its own; what it started goes too.
    kill(-s.pid, SIGKILL);
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
  // The suite is tied to the program's life: a parent-death signal is sent
  // when the starting thread ends, and starts run on the suite's own thread,
  // which ends only with the process.
  bool tieToParent = Starter::Get().OnStarterThread();
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

  auto limit = std::chrono::steady_clock::now() + kStartLimit;
  for (int attempt = 0; attempt < 3; ++attempt) {
    std::string pipeName = "brantle_office_" + std::to_string(getpid()) + "_" +
                           std::to_string(++s.startCount);
    pid_t pid = Launch(s, pipeName, why);
    if (pid < 0) return false;
    s.pid = pid;
    s.pipeName = pipeName;
    auto url = FromUtf8("uno:pipe,name=" + pipeName + ";urp;StarOffice.ComponentContext");
    long long ticks = ProcessorTicks(pid);
    auto lastProgress = std::chrono::steady_clock::now();
    bool restart = false;
    for (;;) {
      auto now = std::chrono::steady_clock::now();
      if (s.cancelStart.load()) {
        if (why) *why = "the start of the office suite was cancelled";
        DropLocked(s, false);
        return false;
      }
      if (now - lastProgress > kStallTimeout || now > limit) break;
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
      // A suite that keeps working is still starting.
      long long nowTicks = ProcessorTicks(pid);
      if (nowTicks != ticks) {
        ticks = nowTicks;
        lastProgress = std::chrono::steady_clock::now();
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

// The program and profile the next start uses.  Caller holds the mutex.
void PrepareLocked(Suite& s) {
  if (s.program.empty()) s.program = OfficeProgram();
  if (s.profile.empty()) s.profile = OfficeProfileFolder();
}

// The running suite, started when it does not answer.  Runs on the suite's
// own thread.
detail::SuiteHandle AcquireOnStarter(std::string* why) {
  Suite& s = TheSuite();
  std::lock_guard lock(s.mutex);
  PrepareLocked(s);
  if (!AliveLocked(s) && !StartLocked(s, why)) return {};
  return {s.remote, s.desktop};
}

}  // namespace

namespace detail {

SuiteHandle AcquireSuite(std::string* why) {
  Suite& s = TheSuite();
  {
    // A suite that answers is used at once; while a start runs the lock is
    // taken and the caller waits for the start below.
    std::unique_lock lock(s.mutex, std::try_to_lock);
    if (lock.owns_lock()) {
      PrepareLocked(s);
      if (AliveLocked(s)) return {s.remote, s.desktop};
    }
  }
  Starter& starter = Starter::Get();
  if (starter.OnStarterThread()) return AcquireOnStarter(why);
  // The start runs on the suite's thread.  The window thread waits for it
  // with its events flowing; any other thread simply blocks.
  return platform::WaitForWork([&starter, why] {
    return starter.Run<SuiteHandle>([why] { return AcquireOnStarter(why); });
  });
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

void StartOfficeSuiteInBackground(std::function<void(bool answers)> started) {
  Starter::Get().Queue(
      [started = std::move(started)] {
        bool answers = AcquireOnStarter(nullptr).desktop.is();
        if (started) started(answers);
      },
      true);
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
  // A start queued in the background no longer runs; one under way gives up.
  Starter::Get().DropBackground();
  s.cancelStart = true;
  std::lock_guard lock(s.mutex);
  s.cancelStart = false;
  DropLocked(s, true);
}

long OfficeSuiteProcessId() {
  Suite& s = TheSuite();
  std::lock_guard lock(s.mutex);
  return ProcessRunning(s) ? s.pid : 0;
}

}  // namespace office
