// The log-folder cleaner on a temporary folder with files of chosen ages.

#include "refdata/FolderCleaner.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/TempFolder.h"

namespace {

namespace fs = std::filesystem;

// A local date and time.
std::time_t Local(int year, int month, int day, int hour, int minute = 0) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_isdst = -1;
  return std::mktime(&t);
}

// Sets the modification time of a file, or of a link itself.
void Touch(const fs::path& path, std::time_t when) {
  timespec times[2] = {{when, 0}, {when, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

// A cleaner whose clock stands still; one entry may be swapped for a folder
// between the listing and its deletion, so that the real deletion fails.
class TestCleaner : public CFolderCleaner {
 public:
  TestCleaner(int days, std::time_t now) : CFolderCleaner(days, 0), now_(now) {}
  ~TestCleaner() override { Clean(0); }  // with this clock, not the real one
  std::string swapForFolder;

 protected:
  std::time_t Now() const override { return now_; }
  bool RemoveEntry(int folderFd, const std::string& name) override {
    if (name == swapForFolder) {
      ::unlinkat(folderFd, name.c_str(), 0);
      ::mkdirat(folderFd, name.c_str(), 0755);
    }
    return CFolderCleaner::RemoveEntry(folderFd, name);
  }

 private:
  std::time_t now_;
};

class FolderCleanerTest : public testsupport::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    logs_ = folder_ / "LOG_ZIZ";
    fs::create_directory(logs_);
  }
  fs::path File(const fs::path& where, const std::string& name, std::time_t modified) {
    fs::path path = where / name;
    { std::ofstream(path) << "log line\n"; }
    Touch(path, modified);
    return path;
  }
  std::string Base() const { return folder_.string() + "/"; }

  fs::path logs_;
};

TEST_F(FolderCleanerTest, DeletesFilesWhoseDateIsThirtyOneDaysBackOrMore) {
  const std::time_t now = Local(2026, 12, 8, 1, 0);
  File(logs_, "nov06.log", Local(2026, 11, 6, 12));
  File(logs_, "nov07-late.log", Local(2026, 11, 7, 23, 59));
  // 30 days and 23 hours back, but on the calendar date 31 days back.
  File(logs_, "nov07-30d23h.log", Local(2026, 11, 7, 2, 0));
  File(logs_, "nov08-early.log", Local(2026, 11, 8, 0, 0));
  File(logs_, "today.log", Local(2026, 12, 8, 0, 30));
  File(logs_, "future.log", Local(2027, 1, 1, 0));

  TestCleaner cleaner(31, now);
  cleaner.SetFolder(Base(), "LOG_ZIZ", false);
  ASSERT_EQ(cleaner.Folder(), logs_.string());
  EXPECT_EQ(cleaner.Clean(0), 3);
  EXPECT_FALSE(fs::exists(logs_ / "nov06.log"));
  EXPECT_FALSE(fs::exists(logs_ / "nov07-late.log"));
  EXPECT_FALSE(fs::exists(logs_ / "nov07-30d23h.log"));
  EXPECT_TRUE(fs::exists(logs_ / "nov08-early.log"));
  EXPECT_TRUE(fs::exists(logs_ / "today.log"));
  EXPECT_TRUE(fs::exists(logs_ / "future.log"));

  // A limit given to Clean replaces the cleaner's own for that call.
  EXPECT_EQ(cleaner.Clean(1), 1);  // 8 November is more than a day back
  EXPECT_FALSE(fs::exists(logs_ / "nov08-early.log"));
  EXPECT_TRUE(fs::exists(logs_ / "today.log"));
}

TEST_F(FolderCleanerTest, NeverTouchesFoldersLinksOrWhatLinksPointTo) {
  const std::time_t now = Local(2026, 12, 8, 12);
  const std::time_t old = Local(2025, 1, 1, 12);
  fs::path outside = folder_ / "elsewhere";
  fs::create_directory(outside);
  fs::path precious = File(outside, "precious.log", old);
  fs::path sub = logs_ / "archive";
  fs::create_directory(sub);
  File(sub, "inner.log", old);
  Touch(sub, old);
  fs::create_symlink(precious, logs_ / "link.log");
  Touch(logs_ / "link.log", old);
  fs::create_directory_symlink(outside, logs_ / "linked-folder");
  Touch(logs_ / "linked-folder", old);
  File(logs_, "old.log", old);

  {
    TestCleaner cleaner(31, now);
    cleaner.SetFolder(Base(), "LOG_ZIZ", false);
  }  // the destructor cleans

  EXPECT_FALSE(fs::exists(logs_ / "old.log"));
  EXPECT_TRUE(fs::exists(sub / "inner.log"));
  EXPECT_TRUE(fs::is_directory(sub));
  EXPECT_TRUE(fs::is_symlink(logs_ / "link.log"));
  EXPECT_TRUE(fs::is_symlink(logs_ / "linked-folder"));
  EXPECT_TRUE(fs::exists(precious));
}

TEST_F(FolderCleanerTest, ALogFolderThatIsALinkIsNotCleaned) {
  const std::time_t old = Local(2025, 1, 1, 12);
  fs::path outside = folder_ / "elsewhere";
  fs::create_directory(outside);
  File(outside, "precious.log", old);
  fs::create_directory_symlink(outside, folder_ / "LOG_LINK");
  TestCleaner cleaner(31, Local(2026, 12, 8, 12));
  cleaner.SetFolder(Base(), "LOG_LINK", false);
  EXPECT_EQ(cleaner.Clean(0), 0);
  EXPECT_TRUE(fs::exists(outside / "precious.log"));
}

TEST_F(FolderCleanerTest, AFileThatCannotBeDeletedIsPassedOver) {
  // The entry becomes a folder after the listing: the deletion of it fails
  // (as root too), it stays, and the other files still go.
  const std::time_t old = Local(2025, 1, 1, 12);
  File(logs_, "a.log", old);
  File(logs_, "b.log", old);
  File(logs_, "c.log", old);
  TestCleaner cleaner(31, Local(2026, 12, 8, 12));
  cleaner.swapForFolder = "b.log";
  cleaner.SetFolder(Base(), "LOG_ZIZ", false);
  EXPECT_EQ(cleaner.Clean(0), 2);
  EXPECT_FALSE(fs::exists(logs_ / "a.log"));
  EXPECT_TRUE(fs::is_directory(logs_ / "b.log"));
  EXPECT_FALSE(fs::exists(logs_ / "c.log"));
}

TEST_F(FolderCleanerTest, FolderIsCreatedOnlyWhenAskedAndForgottenWhenMissing) {
  const std::time_t now = Local(2026, 12, 8, 12);
  TestCleaner missing(31, now);
  missing.SetFolder(Base(), "NO_SUCH", false);
  EXPECT_TRUE(missing.Folder().empty());
  EXPECT_FALSE(fs::exists(folder_ / "NO_SUCH"));
  EXPECT_EQ(missing.Clean(0), 0);

  TestCleaner made(31, now);
  made.SetFolder(Base(), "NEW_LOGS", true);
  EXPECT_TRUE(fs::is_directory(folder_ / "NEW_LOGS"));
  EXPECT_EQ(made.Folder(), (folder_ / "NEW_LOGS").string());

  // A folder that cannot be made (its parent is a file) is forgotten too.
  File(folder_, "plain", now);
  TestCleaner blocked(31, now);
  blocked.SetFolder(Base(), "plain/LOGS", true);
  EXPECT_TRUE(blocked.Folder().empty());

  // No limit at all: nothing is deleted.
  File(logs_, "old.log", Local(2020, 1, 1, 0));
  TestCleaner unlimited(0, now);
  unlimited.SetFolder(Base(), "LOG_ZIZ", false);
  EXPECT_EQ(unlimited.Clean(0), 0);
  EXPECT_TRUE(fs::exists(logs_ / "old.log"));
}

TEST(LogFolderCleaner, KeepsThirtyOneDays) {
  EXPECT_EQ(LogFolderCleaner().Days(), 31);
  EXPECT_EQ(&LogFolderCleaner(), &LogFolderCleaner());
}

}  // namespace
