#pragma once
// What the road wrote, step by step: every number and value an operator
// keyed, so that later steps find the waybills of earlier ones and the last
// step can look for each of them in the stand-in's database, once, with the
// values keyed.  Texts are UTF-8; weights in kilograms as keyed.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct RoadGoodsLine {
  std::string name;      // goods name as keyed
  int quantity = 0;
  double unitPrice = 0;  // declared value of one
};

struct RoadWaybill {
  std::string number;        // the waybill number keyed (or given by the workbook)
  int32_t id = 0;            // the stand-in's record id (client_rec.irid) once saved
  std::string customer;      // the customer's code
  std::string kind;          // the express kind's code
  std::string destination;   // destination code as keyed
  std::string receiver;      // receiver name as keyed
  int pieces = 0;
  double weight = 0;         // kilograms
  std::vector<double> pieceWeights;
  std::vector<std::string> pieceNumbers;  // the pieces' sub-waybill numbers, in order
  // Its goods lines as keyed (client_rec_goods, in order).  Goods that
  // stay on the waybill itself (a workbook row's one item) are in `stored`.
  std::vector<RoadGoodsLine> goods;
  int pictures = 0;          // parcel photographs stored for it
  // What the stand-in keeps of the values keyed: client_rec column -> its
  // text as a query reads it (numbers as SQLite prints them: "7.25").
  std::map<std::string, std::string> stored;
};

struct RoadPicture {
  int32_t waybillId = 0;
  int position = 0;
  int64_t bytes = 0;  // length of the JPEG stored
};

struct RoadTrackingEvent {
  std::string waybill;   // waybill number
  std::string when;      // as keyed / imported
  std::string place;
  std::string text;
};

struct RoadPayment {
  std::string customer;
  double amount = 0;
  std::string date;
  std::string note;
};

struct RoadLedger {
  // ---- steps 1-3 ----
  RoadWaybill quick;                  // step 1: page 0, two pieces, two goods lines
  std::vector<std::string> printed;   // step 2: PDF files the queue wrote
  RoadWaybill streamlined;            // step 3: page 15, three pieces, another customer
  std::vector<RoadWaybill> imported;  // step 3: the 20 rows of the workbook, in order
  RoadWaybill unbagged;               // step 3: keyed on page 0, bagged by no one (step 7)
  std::vector<RoadPicture> pictures;  // every photograph stored

  // ---- steps 4-5 ----
  std::string bagNumber;
  double bagWeight = 0;
  std::vector<std::string> baggedPieces;  // pieces scanned into the bag, in order
  std::string masterAwb;
  std::string flight;

  // ---- steps 6-7 ----
  std::vector<RoadTrackingEvent> trackingEvents;
  std::string transferNumber;
  std::string nextCarrierWaybill;

  // ---- step 8 ----
  std::vector<RoadPayment> payments;

  // Anything else a step wants a later one (or step 9) to know.
  std::map<std::string, std::string> notes;
};
