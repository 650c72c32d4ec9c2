#pragma once
// What several procedure groups do alike: the plain result, the station
// check, the time stamp, the argument values of the waybill calls and the
// waybill row changes the quick entry and the full form procedures share.

#include <cstdint>
#include <string>
#include <vector>

#include "localserver/Procedures.h"

namespace localserver {

// A result with only its return value.
ProcResult Result(int64_t value);

// False when the session is held to a station and the customer is another's.
bool StationAllows(Database& db, const Session& session, int64_t customerId);

// The local time now as the database keeps it.
std::string NowText();

// An argument of a waybill call (its number from 1) and the client_rec
// column it sets; kinds: i whole number, f real, t text, d date 'y.m.d'.
struct ArgColumn {
  int number;
  const char* column;
  char kind;
};

// "2024.3.5" (or with dashes or slashes, time ignored) as the stored text;
// throws ProcArgError for no date.
std::string WaybillDateValue(const std::string& text);
// An argument as the value of a column of kind i (whole number), f (real),
// d (date 'y.m.d') or t (text).
DbValue WaybillArgValue(const ProcArg& arg, char kind);

// The condition "text column equals parameter ?N" as the server compares
// texts (ASCII case and trailing blanks ignored, the TSQL collation), put so
// that it goes through the column's key index (Database.cpp) instead of
// scanning the table: lower(rtrim(col))=lower(rtrim(?N)) AND col=?N.
std::string TextKeyEquals(const char* column, int parameter);
// -3 / -5 when another waybill than `ownId` holds the number or the
// transfer number, else 0.
int64_t WaybillNumberTaken(Database& db, const std::string& number, const std::string& transfer,
                           int64_t ownId);
// Stores the columns into waybill `id` with the user and time of the change,
// and drops its piece rows: the client sends them again.
void UpdateWaybillRow(ProcContext& ctx, int64_t id, const std::vector<std::string>& names,
                      const std::vector<DbValue>& values);
// Deletes waybill `id` with its piece and goods rows; returns the id, or -1
// no such waybill, -2 handed on, -3 .. -8 a link id (ifid, ipid, iiid, iqid,
// ifsid, ifcid) is set, -10 another station's (only when `stationBound`),
// -11 in a bag, -13 it has tracking lines.
int64_t DeleteWaybillRow(ProcContext& ctx, int64_t id, bool stationBound);

}  // namespace localserver
