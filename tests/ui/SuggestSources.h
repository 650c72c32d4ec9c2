#pragma once
// Small client lists and destination tables for the tests of the popups
// that search them, filled from the replies their server requests give.

#include <string>
#include <string_view>
#include <vector>

#include "common/Json.h"
#include "common/TextCodec.h"
#include "refdata/ClientListCache.h"
#include "refdata/DestinationTable.h"

namespace suggesttest {

inline std::string ClientRow(int id, const std::string& code, const std::string& name) {
  std::string out = "{\"i\":" + std::to_string(id) + ",";
  JsonPutString(out, "a", code, false);
  JsonPutString(out, "n", name, true);
  return out + "}";
}

inline void FillClients(CClientListCache& cache, const std::vector<std::string>& rows) {
  std::string list;
  for (const std::string& r : rows) list += (list.empty() ? "" : ",") + r;
  cache.ApplyReply("{\"ReturnValue\":1,\"icIDx\":99,\"dLast\":\"2026-01-01 00:00:00\",\"bEnd\":true,"
                   "\"iDel\":[],\"List\":[" + list + "]}");
  cache.BuildIndexes();
}

inline std::string DestinationRow(int id, const std::string& code, const std::string& name,
                                  const std::string& english, const std::string& postcode = "") {
  std::string out = "{\"i\":" + std::to_string(id) + ",\"a\":3,\"t\":4,";
  JsonPutString(out, "c", code, false);
  JsonPutString(out, "n", name, true);
  JsonPutString(out, "e", english, true);
  JsonPutString(out, "s", "", true);
  JsonPutString(out, "z", postcode, true);
  return out + "}";
}

// US, UA, UG and GB.
inline void FillDestinations(CDestinationTable& table) {
  const std::string list =
      DestinationRow(1, "US", GbkFromWide(u"美国"), "UNITED STATES", "10001") + "," +
      DestinationRow(2, "UA", GbkFromWide(u"乌克兰"), "UKRAINE") + "," +
      DestinationRow(3, "UG", GbkFromWide(u"乌干达"), "UGANDA") + "," +
      DestinationRow(4, "GB", GbkFromWide(u"英国"), "UNITED KINGDOM");
  table.ApplyReply("{\"ReturnValue\":1,\"iIDx\":9,\"dLast\":\"2026-01-01 00:00:00\",\"bEnd\":true,"
                   "\"iDel\":[],\"List\":[" + list + "]}");
  table.BuildIndexes();
}

}  // namespace suggesttest
