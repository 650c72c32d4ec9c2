// The suite's own life: a suite that dies in the middle of a job, a program
// that ends with its suite running, a suite that is not installed.  Each case
// runs in a process of its own and starts (or fails to start) its own suite.

#include <signal.h>

#include <gtest/gtest.h>

#include "OfficeTestEnv.h"
#include "office/ExcelSession.h"
#include "office/OfficeSuite.h"
#include "platform/MessageBox.h"

using namespace officetest;

namespace {

::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new OfficeEnvironment);

TEST(OfficeSuiteTest, SuiteDyingInTheMiddleOfAJob) {
  fs::path folder = TestFolder();
  fs::path out = folder / "dying.xls";
  {
    CExcelSession s;
    ASSERT_EQ(s.CreateWorkbook(u"S", out.u16string(), {}, false), 1);
    s.SetCellText(1, 1, u"lost");
    long pid = office::OfficeSuiteProcessId();
    ASSERT_GT(pid, 0);
    ASSERT_EQ(kill(static_cast<pid_t>(pid), SIGKILL), 0);
    EXPECT_EQ(s.CellText(1, 1), "");
    EXPECT_EQ(s.LastError(), Text(20035));
    EXPECT_EQ(s.SaveAndClose(), 0);
    EXPECT_EQ(s.LastError(), Text(20035));
  }
  EXPECT_TRUE(FolderNames(folder).empty());
  // The next use starts the suite again.
  CExcelSession s;
  ASSERT_EQ(s.CreateWorkbook(u"S", out.u16string(), {}, false), 1);
  s.SetCellText(1, 1, u"again");
  EXPECT_EQ(s.SaveAndClose(), 1);
}

// A program that ends while its suite still runs (no shut-down of its own)
// exits normally and takes the suite with it.
void RemoveRootAtExit() {
  std::error_code ec;
  fs::remove_all(Root(), ec);
}

TEST(OfficeSuiteTest, ProgramEndingWithTheSuiteRunningEndsCleanly) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  auto pidFile = [](long parent) {
    return fs::temp_directory_path() / ("brantle-office-exit-" + std::to_string(parent) + ".pid");
  };
  EXPECT_EXIT(
      {
        // In the child: this runs after the suite's own exit handler.
        std::atexit(RemoveRootAtExit);
        if (!office::DetectOfficeSuite()) std::exit(2);
        WriteFile(pidFile(getppid()), std::to_string(office::OfficeSuiteProcessId()));
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
  const fs::path file = pidFile(getpid());
  const std::string pid = ReadFile(file);
  fs::remove(file);
  ASSERT_FALSE(pid.empty());
  EXPECT_TRUE(ProcessGone(std::stol(pid)));
}

TEST(OfficeSuiteTest, SuiteNotInstalled) {
  fs::path folder = TestFolder();
  fs::path existing = MakeTemplate(folder);
  office::ShutdownOfficeSuite();
  office::SetOfficeProgram((folder / "no-office" / "soffice.bin").string());
  platform::RecordingMessageBoxService boxes;
  platform::ScopedMessageBoxService scope(&boxes);

  EXPECT_FALSE(office::DetectOfficeSuite());
  EXPECT_EQ(office::ExcelOpenFileFilter(), u"Excel file (*.xls)|*.xls|");
  {
    CExcelSession s;
    EXPECT_EQ(s.CreateWorkbook(u"S", (folder / "a.xls").u16string(), {}, false), 0);
    EXPECT_EQ(s.LastError(), Text(20035));
  }
  {
    CExcelSession s;
    EXPECT_EQ(s.CreateFromTemplateData(u"S", (folder / "b.xls").u16string(), nullptr, 0, false),
              0);
    EXPECT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.LastText(), Text(20035));
  }
  {
    CExcelSession s;
    EXPECT_EQ(s.OpenForReading(existing.u16string()), 0);
    EXPECT_EQ(s.LastError(), Text(20035));
  }
  office::SetOfficeProgram({});
  EXPECT_TRUE(office::DetectOfficeSuite());
}

}  // namespace
