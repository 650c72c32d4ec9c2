#pragma once
// A private CUPS scheduler with one cups-pdf queue for a whole test program
// that prints through the office suite: started in the office tests' temp
// folder, stopped (with the suite) at the end.
//
//   ::testing::AddGlobalTestEnvironment(new officetest::OfficeEnvironment);
//   ::testing::AddGlobalTestEnvironment(new officetest::CupsEnvironment("BrantlePdf"));

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "office/OfficeSuite.h"
#include "tests/PrivateCups.h"
#include "tests/office/OfficeTestEnv.h"

namespace officetest {

class CupsEnvironment : public ::testing::Environment {
 public:
  explicit CupsEnvironment(std::string queue) : queue_(std::move(queue)) {}

  static testsupport::PrivateCups& Cups() {
    static testsupport::PrivateCups cups;
    return cups;
  }
  // The PDF files the queue has written so far, in no order.
  static std::vector<std::filesystem::path> PdfFiles() {
    std::vector<std::filesystem::path> files;
    for (auto& e : std::filesystem::directory_iterator(Cups().PdfFolder()))
      if (e.path().extension() == ".pdf") files.push_back(e.path());
    return files;
  }

  void SetUp() override { ASSERT_EQ(Cups().Start(Root() / "cups", {queue_}), ""); }
  void TearDown() override {
    office::ShutdownOfficeSuite();
    Cups().Stop();
  }

 private:
  std::string queue_;
};

}  // namespace officetest
