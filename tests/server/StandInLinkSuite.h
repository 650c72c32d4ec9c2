#pragma once
// A test suite whose cases share one stand-in server, started on a fresh
// temporary root before the first case and stopped after the last; each
// case gets a program folder of its own (named after the case) pointed at
// the stand-in, and a server link opened on it.
//
// Suite is the suite's own class (one stand-in per suite); it names its
// temporary root with `static constexpr const char* kRootName`.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "platform/MessageBox.h"
#include "server/ServerLink.h"
#include "tests/server/StandInConfig.h"
#include "tests/server/StandInServer.h"

namespace testsupport {

template <typename Suite>
class StandInLinkSuite : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = std::filesystem::temp_directory_path() /
            (std::string(Suite::kRootName) + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(root_);
    server_ = std::make_unique<StandInServer>(BRANTLE_BINARY_DIR "/localserver/brantle-server",
                                              root_ / "server");
  }
  static void TearDownTestSuite() {
    server_.reset();
    std::filesystem::remove_all(root_);
  }

  // The current case's program folder.
  static std::filesystem::path CaseFolder() {
    return root_ / ::testing::UnitTest::GetInstance()->current_test_info()->name();
  }

  // Fails the case when the stand-in did not start; else creates the case's
  // folder (`folder_`) with its configuration and opens `link_` on it.
  void OpenLink(std::string_view language, std::string_view workstation) {
    ASSERT_TRUE(server_->Ready()) << server_->Log();
    folder_ = CaseFolder();
    std::filesystem::create_directories(folder_);
    WriteStandInConfig(folder_, server_->Port(), language, workstation);
    ASSERT_EQ(1, link_.Init(folder_.string() + "/"));
  }

  static inline std::filesystem::path root_;
  static inline std::unique_ptr<StandInServer> server_;
  std::filesystem::path folder_;
  platform::RecordingMessageBoxService boxes_;
  platform::ScopedMessageBoxService scope_{&boxes_};
  CServerLink link_;
};

}  // namespace testsupport
