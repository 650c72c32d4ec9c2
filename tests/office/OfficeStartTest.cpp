// The office suite started in the background: the window thread that needs
// it meanwhile waits with its events flowing, a worker simply blocks, and the
// shut-down gives up a start under way.  The suite is made slow to start by
// a script that waits before it runs the real one.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <thread>

#include "OfficeTestEnv.h"
#include "office/ExcelSession.h"
#include "office/OfficeSuite.h"
#include "platform/QtWaitForWork.h"
#include "tests/QtTestSupport.h"

using namespace officetest;

namespace {

::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new OfficeEnvironment);

// A suite program that writes its process id, waits, then becomes the real
// suite.
fs::path SlowSuite(const fs::path& folder, const char* seconds) {
  fs::path script = folder / "slow-soffice";
  WriteFile(script, std::string("#!/bin/sh\necho $$ > '") + (folder / "pid").string() +
                        "'\nsleep " + seconds +
                        "\nexec /usr/lib/libreoffice/program/soffice.bin \"$@\"\n");
  chmod(script.c_str(), 0755);
  return script;
}

TEST(OfficeStartTest, TheWindowThreadWaitsForABackgroundStartWithItsEventsFlowing) {
  fs::path folder = TestFolder();
  office::SetOfficeProgram(SlowSuite(folder, "1.5").string());
  std::atomic<int> reports{0};
  std::atomic<bool> answered{false};
  std::atomic<QThread*> reportedOn{nullptr};
  office::StartOfficeSuiteInBackground([&](bool answers) {
    answered = answers;
    reportedOn = QThread::currentThread();
    ++reports;
  });
  // Returned at once: the suite waits a second and a half before it starts.
  EXPECT_EQ(0, reports.load());

  int ticks = 0;
  QTimer timer;
  timer.setInterval(5);
  QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
  timer.start();
  int depth = 0;
  QTimer::singleShot(0, [&] { depth = platform::WaitForWorkDepth(); });
  {
    CExcelSession session;
    ASSERT_EQ(1, session.CreateWorkbook(u"S", (folder / "a.xls").u16string(), {}, false))
        << std::string(session.LastError().begin(), session.LastError().end());
    session.SetCellText(1, 1, u"ok");
    EXPECT_EQ("ok", session.CellText(1, 1));
  }
  timer.stop();
  EXPECT_EQ(1, depth);
  EXPECT_GT(ticks, 10);

  ASSERT_TRUE(testsupport::WaitUntil([&] { return reports.load() == 1; }, 60000));
  EXPECT_TRUE(answered.load());
  EXPECT_NE(QCoreApplication::instance()->thread(), reportedOn.load());

  // A worker finds the running suite; it would have blocked for a start.
  bool found = false;
  int workerDepth = -1;
  std::thread worker([&] {
    found = office::DetectOfficeSuite();
    workerDepth = platform::WaitForWorkDepth();
  });
  worker.join();
  EXPECT_TRUE(found);
  EXPECT_EQ(0, workerDepth);
  office::SetOfficeProgram({});
}

TEST(OfficeStartTest, ShutDownGivesUpAStartUnderWay) {
  fs::path folder = TestFolder();
  office::SetOfficeProgram(SlowSuite(folder, "60").string());
  std::atomic<int> reports{0};
  std::atomic<bool> answered{true};
  office::StartOfficeSuiteInBackground([&](bool answers) {
    answered = answers;
    ++reports;
  });
  // Queued behind it, a start nobody waits for any more.
  office::StartOfficeSuiteInBackground([&](bool) { reports += 10; });
  ASSERT_TRUE(testsupport::WaitUntil([&] { return fs::exists(folder / "pid"); }, 30000));
  long pid = 0;
  ASSERT_TRUE(testsupport::WaitUntil([&] {
    pid = std::atol(ReadFile(folder / "pid").c_str());
    return pid > 0;
  }));

  auto before = std::chrono::steady_clock::now();
  office::ShutdownOfficeSuite();
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(10));
  EXPECT_TRUE(ProcessGone(pid));
  ASSERT_TRUE(testsupport::WaitUntil([&] { return reports.load() >= 1; }));
  EXPECT_FALSE(answered.load());
  QCoreApplication::processEvents();
  EXPECT_EQ(1, reports.load());
  office::SetOfficeProgram({});
}

}  // namespace
