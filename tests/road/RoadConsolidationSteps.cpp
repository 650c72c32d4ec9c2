// STUB, to be replaced by the bagging and master air waybill steps (4 and
// 5) and their samples.  Until then the steps pass without doing anything.

#include "tests/road/RoadDepot.h"
#include "tests/road/RoadSteps.h"

void RoadConsolidationSamples(localserver::Database&) {}  // STUB

void RoadBagging(RoadDepot&) {}  // STUB: step 4

void RoadMasterAwb(RoadDepot&) {}  // STUB: step 5
