#include "refdata/FolderCleaner.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>
#include <vector>

namespace {

// year * 10000 + month * 100 + day of a moment, in local time.
int LocalDateKey(std::time_t t) {
  std::tm local{};
  if (localtime_r(&t, &local) == nullptr) return 0;
  return (local.tm_year + 1900) * 10000 + (local.tm_mon + 1) * 100 + local.tm_mday;
}

// The local calendar date `days` days before the moment.
int DateKeyDaysBefore(std::time_t now, int days) {
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) return 0;
  local.tm_mday -= days;
  local.tm_isdst = -1;
  std::time_t then = std::mktime(&local);
  return then == static_cast<std::time_t>(-1) ? 0 : LocalDateKey(then);
}

}  // namespace

CFolderCleaner::CFolderCleaner(int days, int flag) : days_(days), flag_(flag) {}

CFolderCleaner::~CFolderCleaner() { Clean(0); }

void CFolderCleaner::SetFolder(std::string_view basePath, std::string_view name, bool create) {
  namespace fs = std::filesystem;
  folder_ = std::string(basePath) + std::string(name);
  std::error_code error;
  if (!fs::is_directory(folder_, error) && create) fs::create_directory(folder_, error);
  if (!fs::is_directory(folder_, error)) folder_.clear();
}

int CFolderCleaner::Clean(int days) {
  if (folder_.empty()) return 0;
  if (days < 1) days = days_;
  if (days < 1) return 0;
  const int cutOff = DateKeyDaysBefore(Now(), days);
  if (cutOff == 0) return 0;

  // The folder itself must be a folder, not a link to one elsewhere.
  int folderFd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (folderFd < 0) return 0;
  std::vector<std::string> old;
  if (DIR* dir = ::fdopendir(::dup(folderFd))) {
    while (dirent* entry = ::readdir(dir)) {
      std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      struct stat status {};
      if (::fstatat(folderFd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) continue;
      if (!S_ISREG(status.st_mode)) continue;
      if (LocalDateKey(status.st_mtime) <= cutOff) old.push_back(std::move(name));
    }
    ::closedir(dir);
  }
  int removed = 0;
  for (const std::string& name : old) {
    if (RemoveEntry(folderFd, name)) ++removed;
  }
  ::close(folderFd);
  return removed;
}

std::time_t CFolderCleaner::Now() const { return std::time(nullptr); }

bool CFolderCleaner::RemoveEntry(int folderFd, const std::string& name) {
  // unlinkat without AT_REMOVEDIR never removes a folder and never follows
  // a link: an entry replaced meanwhile by a link loses only the link.
  return ::unlinkat(folderFd, name.c_str(), 0) == 0;
}

CFolderCleaner& LogFolderCleaner() {
  static CFolderCleaner cleaner(31, 0);
  return cleaner;
}
