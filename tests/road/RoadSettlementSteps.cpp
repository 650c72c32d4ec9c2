// STUB, to be replaced by the settlement and database steps (8 and 9) and
// their samples.  Until then the steps pass without doing anything.

#include "tests/road/RoadDepot.h"
#include "tests/road/RoadSteps.h"

void RoadSettlementSamples(localserver::Database&) {}  // STUB

void RoadSettlement(RoadDepot&) {}  // STUB: step 8

void RoadDatabaseCheck(RoadDepot&) {}  // STUB: step 9
