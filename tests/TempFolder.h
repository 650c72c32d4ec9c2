#pragma once
// A fixture that gives each test a fresh folder of its own under the temporary
// folder, named after the process and the test, and removes it afterwards.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace testsupport {

class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = std::filesystem::temp_directory_path() /
              ("brantle_" + std::string(info->test_suite_name()) + "_" +
               std::to_string(::getpid()) + "_" + info->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  // Writes the bytes to a file of the folder and returns its path.
  std::filesystem::path Write(const std::string& name, std::string_view bytes) const {
    std::filesystem::path path = folder_ / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  std::filesystem::path folder_;
};

}  // namespace testsupport
