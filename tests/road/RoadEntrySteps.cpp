// Steps 1 to 3 of the road: the entry desks.

#include "tests/road/RoadDepot.h"
#include "tests/road/RoadSteps.h"

#include <gtest/gtest.h>

#include "localserver/Database.h"

void RoadEntrySamples(localserver::Database&) {}

void RoadQuickEntry(RoadDepot& depot) {
  ASSERT_NE(nullptr, depot.MainWindow());
  depot.Shot("main-window");
}

void RoadEntryPrints(RoadDepot&) {}

void RoadStreamlinedAndImport(RoadDepot&) {}
