// The road of parcels through the whole depot, end to end: one depot (the
// stand-in, a private print queue, the office suite, a scale on a
// pseudo-terminal, the fake camera and the client's real main window, see
// RoadDepot.h) started once, and nine steps that drive the main window as the
// operators of each desk would, each building on what the ones before it
// wrote.  The steps run in order; the first one that fails ends the road and
// is named, and the steps after it do not run.
//
// Each step leaves its screenshots in build/screenshots/road/ (numbered in
// order), and build/screenshots/road/index.html shows them all under the
// steps' names.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "tests/road/RoadDepot.h"
#include "tests/road/RoadSteps.h"

namespace {

struct RoadStep {
  int number;
  const char* title;
  void (*run)(RoadDepot&);
};

constexpr RoadStep kSteps[] = {
    {1, "Log in; quick entry of a two-piece waybill, weighed and photographed", RoadQuickEntry},
    {2, "Its label and channel waybill printed and read back", RoadEntryPrints},
    {3, "Streamlined entry of a three-piece waybill; a 20-row workbook imported",
     RoadStreamlinedAndImport},
    {4, "Bagging: a bag scanned full, sealed with the scale's weight, its label printed",
     RoadBagging},
    {5, "Master air waybill: flight, bag on board, parcel list, manifest exported", RoadMasterAwb},
    {6, "Tracking: state and transit step, an event and a transfer number imported",
     RoadTracking},
    {7, "Hand-over by scan of a parcel not bagged; its next-carrier waybill printed",
     RoadHandOver},
    {8, "The customer's payment entered; the statement shows the waybill settled",
     RoadSettlement},
    {9, "The stand-in's database holds everything the road wrote, once", RoadDatabaseCheck},
};

class Road : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The program stops at the first failing step.
    GTEST_FLAG_SET(fail_fast, true);
    depot_ = std::make_unique<RoadDepot>();
    depot_->Step(kSteps[0].number, kSteps[0].title);
    startError_ = depot_->Start();
    if (!startError_.empty()) depot_->StepFailed(1, "the depot did not start: " + startError_);
  }
  static void TearDownTestSuite() {
    depot_->Stop();
    depot_.reset();
  }

  // Runs step n (1..9): the depot must be up and every step before it must
  // have passed.
  void RunStep(int n) {
    const RoadStep& step = kSteps[n - 1];
    ASSERT_TRUE(startError_.empty()) << "the depot did not start: " << startError_;
    if (passed_ != n - 1) GTEST_SKIP() << "step " << n << " needs the steps before it";
    depot_->Step(step.number, step.title);
    step.run(*depot_);
    if (HasFailure()) {
      depot_->Shot("where-it-failed");
      depot_->StepFailed(step.number, "see the test's output");
      std::fprintf(stderr, "\nThe road stopped at step %d: %s\n", step.number, step.title);
      return;
    }
    passed_ = n;
  }

  static inline std::unique_ptr<RoadDepot> depot_;
  static inline std::string startError_;
  static inline int passed_ = 0;
};

TEST_F(Road, Step1QuickEntry) { RunStep(1); }
TEST_F(Road, Step2EntryPrints) { RunStep(2); }
TEST_F(Road, Step3StreamlinedAndImport) { RunStep(3); }
TEST_F(Road, Step4Bagging) { RunStep(4); }
TEST_F(Road, Step5MasterAwb) { RunStep(5); }
TEST_F(Road, Step6Tracking) { RunStep(6); }
TEST_F(Road, Step7HandOver) { RunStep(7); }
TEST_F(Road, Step8Settlement) { RunStep(8); }
TEST_F(Road, Step9DatabaseCheck) { RunStep(9); }

}  // namespace
