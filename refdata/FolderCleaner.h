#pragma once
// Keeps a folder of log files from growing without end: the files whose
// last modification date lies the configured number of days back or more
// are deleted.  One cleaner watches the program's log folder "LOG_ZIZ"
// (LogFolderCleaner); start-up gives it the folder, and it cleans once when
// the process ends.
//
// Only regular files directly inside the folder are deleted: subfolders and
// their contents, symbolic links (and what they point to) and other special
// files are left alone, and a file that cannot be deleted is passed over.

#include <ctime>
#include <string>
#include <string_view>

class CFolderCleaner {
 public:
  // `days`: the age limit; `flag` is kept for the caller and not used here.
  CFolderCleaner(int days, int flag);
  // Cleans with the cleaner's own limit.
  virtual ~CFolderCleaner();
  CFolderCleaner(const CFolderCleaner&) = delete;
  CFolderCleaner& operator=(const CFolderCleaner&) = delete;

  // The folder is `basePath` followed by `name` (no separator is added).
  // When it does not exist it is created if `create` is set; when it still
  // does not exist the folder is forgotten and nothing will be cleaned.
  void SetFolder(std::string_view basePath, std::string_view name, bool create);
  const std::string& Folder() const { return folder_; }
  int Days() const { return days_; }
  int Flag() const { return flag_; }

  // Deletes every file whose modification date (local calendar date, the
  // time of day does not count) is not later than today minus `days` days
  // (below 1: the cleaner's own limit; when that is below 1 too, nothing).
  // Returns the number of files deleted.
  int Clean(int days);

 protected:
  // The current time (tests set their own).
  virtual std::time_t Now() const;
  // Deletes the entry `name` of the open folder `folderFd` without following
  // a link and never a folder; true when it is gone.
  virtual bool RemoveEntry(int folderFd, const std::string& name);

 private:
  std::string folder_;
  int days_;
  int flag_;
};

// The cleaner of the program's log folder (31 days), built on first use and
// cleaning when the process ends.
CFolderCleaner& LogFolderCleaner();
