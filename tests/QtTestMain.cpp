// main of the widget test programs: one QApplication on the offscreen
// platform, with HOME and XDG_RUNTIME_DIR in a temporary folder so that Qt
// writes nothing into the real home.
#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

int main(int argc, char** argv) {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "brantle-qt-XXXXXX").string();
  const char* folder = mkdtemp(pattern.data());
  if (folder != nullptr) {
    std::filesystem::create_directories(std::filesystem::path(folder) / "run");
    std::filesystem::permissions(std::filesystem::path(folder) / "run",
                                 std::filesystem::perms::owner_all);
    setenv("HOME", folder, 1);
    setenv("XDG_RUNTIME_DIR", (std::string(folder) + "/run").c_str(), 1);
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  int result = 0;
  {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    result = RUN_ALL_TESTS();
  }
  if (folder != nullptr) {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
  return result;
}
