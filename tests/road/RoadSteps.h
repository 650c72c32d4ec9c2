#pragma once
// The nine steps of the road of parcels through the depot, in the order the
// program runs them (tests/road/RoadMain.cpp).  Each step drives the real
// main window held by the depot as an operator would, builds on what the
// steps before it wrote (RoadDepot::Ledger()) and records there what it
// keys, for the others and for the last step's reading of the database.
//
//   steps 1-3: RoadEntrySteps.cpp
//   steps 4-5: RoadConsolidationSteps.cpp
//   steps 6-7: RoadTrackingSteps.cpp
//   steps 8-9: RoadSettlementSteps.cpp

namespace localserver {
class Database;
}

class RoadDepot;  // tests/road/RoadDepot.h

void RoadQuickEntry(RoadDepot&);            // step 1
void RoadEntryPrints(RoadDepot&);           // step 2
void RoadStreamlinedAndImport(RoadDepot&);  // step 3
void RoadBagging(RoadDepot&);               // step 4
void RoadMasterAwb(RoadDepot&);             // step 5
void RoadTracking(RoadDepot&);              // step 6
void RoadHandOver(RoadDepot&);              // step 7
void RoadSettlement(RoadDepot&);            // step 8
void RoadDatabaseCheck(RoadDepot&);         // step 9

// The rows each group of steps needs that the stand-in's default sample set
// lacks (bag kinds, flights, a customer's payment settings ...).  The depot
// runs them, in this order, on the stand-in's database in one transaction
// after the stand-in has made it and before the client logs in.  They only
// add rows (ids of a block of their own); they never change default rows.
void RoadEntrySamples(localserver::Database&);          // RoadEntrySteps.cpp
void RoadConsolidationSamples(localserver::Database&);  // RoadConsolidationSteps.cpp
void RoadTrackingSamples(localserver::Database&);       // RoadTrackingSteps.cpp
void RoadSettlementSamples(localserver::Database&);     // RoadSettlementSteps.cpp
