// STUB, to be replaced by the tracking and hand-over steps (6 and 7) and
// their samples.  Until then the steps pass without doing anything.

#include "tests/road/RoadDepot.h"
#include "tests/road/RoadSteps.h"

void RoadTrackingSamples(localserver::Database&) {}  // STUB

void RoadTracking(RoadDepot&) {}  // STUB: step 6

void RoadHandOver(RoadDepot&) {}  // STUB: step 7
