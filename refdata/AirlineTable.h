#pragma once
// Airlines, airports and flights for the master air waybills: a built-in
// list of airlines used until the server's airline table has rows, the
// server's airlines, airports and flights, and the freight price of a flight.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "refdata/SqlRunner.h"

struct AirlineEntry {
  int32_t iid = 0;
  int32_t nstate = 0;
  int32_t ipos = 0;
  std::string cprefix;    // air waybill prefix, at most 7 bytes
  std::string cnum;       // airline code, at most 7 bytes
  std::string cbrief;     // short name, GBK, at most 15 bytes
  std::string chostname;  // cargo tracking web host, at most 63 bytes
  int32_t ifreight = 0, icustout = 0, icustin = 0, idelivery = 0, iother = 0;
  std::string cmodel;  // at most 30 bytes
};

struct AirportEntry {
  std::string cportcode, ccitycode, ccountrycode;  // three-letter codes
  std::string cportname;                           // at most 63 bytes
};

struct FlightEntry {
  int32_t ifid = 0;
  int32_t iaid = 0;  // airline id
  std::string cftno;  // flight number, at most 15 bytes
  std::string cportb, cportt, cporte;  // departure, transit, arrival airports
  std::string cfrom, cdes, csname, csaddr, csphone, cspostcode;
  int16_t wdepart = 0, warrive = 0;  // HHMM
  uint8_t bweek[7] = {0, 0, 0, 0, 0, 0, 0};
  uint8_t bstop = 0;
  double faddrate = 0, fadoc = 0, faother = 0;
  double fminadd = 0, fminfee = 0;
  int32_t nkgcalc = 0;
  int32_t wholeKilograms = 0;  // units digit of nkground is 1
  int32_t wholeAmounts = 0;    // tens digit of nkground is 1
  int32_t isid[5] = {0, 0, 0, 0, 0};
};

struct FlightPriceQuery {
  std::string cftno;
  int32_t weight = 0;    // grams
  int32_t itemType = 0;  // nitemtype
  double fee1 = 0, fee2 = 0;  // further fees given by the caller
  double freight = 0;
  double addRateFee = 0;
  double documentFee = 0;
  double otherFee = 0;
  double addRate = 0;
  double pricePerKg = 0;
  double total = 0;
  const FlightEntry* flight = nullptr;
};

class CAirlineTable {
 public:
  explicit CAirlineTable(SqlRunner runner = {});
  virtual ~CAirlineTable();
  CAirlineTable(const CAirlineTable&) = delete;
  CAirlineTable& operator=(const CAirlineTable&) = delete;

  void SetSqlRunner(SqlRunner runner) { runner_ = std::move(runner); }

  int LoadAirlines(bool reload = false);
  int LoadAirports();
  int LoadFlights(bool reload = false);

  // The server airlines when there is one, otherwise the built-in list.
  const std::vector<std::unique_ptr<AirlineEntry>>& Airlines() const;
  const std::vector<std::unique_ptr<AirlineEntry>>& BuiltInAirlines() const { return builtIn_; }
  const std::vector<std::unique_ptr<AirportEntry>>& Airports() const { return airports_; }
  const std::vector<std::unique_ptr<FlightEntry>>& Flights() const { return flights_; }

  const FlightEntry* FindFlight(std::string_view number) const;
  // Fills up to n slots: flights whose number begins with the text, then
  // those that contain it.  The text is turned to upper case in place.
  void FindFlights(const FlightEntry** slots, std::string& text, int n) const;
  std::string AirlineNameOfFlight(int32_t airlineId) const;
  bool CheckFlightPort(std::string_view port, std::string_view number, bool departure) const;
  // Total in hundredths, -1 without number or weight, -2 for an unknown
  // flight, 0 when the rates or the price band cannot be read.
  int QueryFlightPrice(FlightPriceQuery& query);

 private:
  int Run(std::string_view sql, std::span<const uint32_t> types, std::string& reply) const;

  SqlRunner runner_;
  std::vector<std::unique_ptr<AirlineEntry>> builtIn_;
  std::vector<std::unique_ptr<AirlineEntry>> server_;
  std::vector<std::unique_ptr<AirportEntry>> airports_;
  std::vector<std::unique_ptr<FlightEntry>> flights_;
  bool airlinesLoaded_ = false;
  bool airportsLoaded_ = false;
  bool flightsLoaded_ = false;
};

// "HH:MM" of a value within 0..2359 (the minutes unchecked), else "".
std::string FormatHhmm(int value);
// 'A'..'G' for the days 0..6, 'X' for anything else.
char WeekdayLetter(int day);
