#pragma once
// A test suite whose cases all talk to one local stand-in server, started on
// a loopback port of its own choosing before the first case and stopped
// after the last; and the configuration file that points a program folder
// at it.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/TextCodec.h"
#include "tests/server/StandInServer.h"
#include "tests/server/StandInConfig.h"
#include "tests/shell/ShellTestSupport.h"

namespace shelltest {

// The text of ZizTolvane.ini for the stand-in on the port, in language 00,
// for the workstation id given.
inline std::string StandInConfigText(int port, const std::string& workstation) {
  return testsupport::StandInConfigText(port, "00", workstation);
}

// The suite's stand-in is `server_`; a case fails at once when it did not
// start.
class StandInSuite : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = std::make_unique<TempFolder>();
    server_ = std::make_unique<StandInServer>(BRANTLE_BINARY_DIR "/localserver/brantle-server",
                                              root_->Path() / "server");
  }
  static void TearDownTestSuite() {
    server_.reset();
    root_.reset();
  }
  void SetUp() override { ASSERT_TRUE(server_->Ready()) << server_->Log(); }

  static inline std::unique_ptr<TempFolder> root_;
  static inline std::unique_ptr<StandInServer> server_;
};

}  // namespace shelltest
