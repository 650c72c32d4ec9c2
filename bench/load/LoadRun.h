#pragma once
// The depot under load: one stand-in, eight desk processes, a restart of
// the stand-in half way, and the invariants checked on its database at the
// end.  What the controller (LoadMain.cpp), the desks (LoadDesk.cpp) and the
// database side (LoadDatabase.cpp: seed rows, invariants, the SQLite
// reference) share.
//
// Each desk writes what it believes into its journal, a text file of lines
// (ASCII: every name and number the load uses is ASCII):
//   user <account> <name>
//   relogins <n>                    the link's own logins after a restart
//   saved <number> <irid> <grams> <pieces> <cents>   told saved
//   maybe <number>                  a save whose outcome the desk never learnt
//   handed <irid>                   told handed over
//   handmaybe <irid>                a hand-over whose reply was lost
//   bag <bagId> <number> <state> <certain>   state 0 open, 1 sealed, 2 loaded
//   item <bagId> <irid>             in the bag, as the desk last read it
//   loadedother <bagId>             the partner's bag, loaded by this desk
//   pay <ifid> <cents> <irid>...    told saved
//   paymaybe <irid>...              a payment whose reply was lost
//   refusal <kind> <code>           a business refusal the desk saw
//   unexpected <kind> <code> <why>  anything else that was not a success
//   lat <kind> <micros>...          every attempt's time, in microseconds
//   count <kind> <ok> <refused> <errors>

#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace load {

inline constexpr int kDesks = 8;

enum Kind { kSave, kHandOver, kBagNew, kBagIn, kBagOut, kSeal, kAwbLoad, kPay, kKinds };
inline const char* const kKindNames[kKinds] = {"save",    "hand-over", "bag-new", "bag-in",
                                               "bag-out", "seal",      "awb-load", "payment"};

// Names shared by the seed, the desks and the checks.
inline std::string DeskAccount(int desk) { return "load" + std::to_string(desk); }
inline std::string DeskName(int desk) { return "Loader" + std::to_string(desk); }
inline std::string DeskPassword() { return "load123"; }
inline int PairOf(int desk) { return (desk - 1) / 2; }
// The seeded parcels of a pair: hand-over, bagging and payment lists.
std::string HandOverParcel(int pair, int k);
std::string BagParcel(int pair, int k);
std::string PayParcel(int pair, int k);
std::string PairAwb(int pair);
// The customer every load waybill belongs to (the sample's monthly C001).
inline constexpr int32_t kCustomer = 1;
// The carrier the hand-overs go to (EMS carries with it).
inline constexpr int32_t kCarrier = 1;

struct SavedWaybill {
  std::string number;
  int32_t irid = 0;
  int64_t grams = 0;
  int32_t pieces = 0;
  int64_t cents = 0;
};

struct Bag {
  int32_t id = 0;
  std::string number;
  int state = 0;
  bool certain = true;
  std::set<int32_t> items;
};

struct Payment {
  int32_t ifid = 0;
  int64_t cents = 0;
  std::vector<int32_t> irids;
};

struct KindStats {
  int ok = 0, refused = 0, errors = 0;
  std::vector<uint32_t> micros;
};

struct Journal {
  std::string account, name;
  int relogins = 0;  // silent logins of the link after a restart
  std::vector<SavedWaybill> saved;
  std::vector<std::string> maybeSaved;
  std::vector<int32_t> handed, handMaybe;
  std::map<int32_t, Bag> bags;
  std::vector<int32_t> loadedOthers;  // the partner's bags this desk loaded
  std::vector<Payment> payments;
  std::vector<std::vector<int32_t>> payMaybe;
  std::map<std::string, int> refusals;         // "kind code" -> times
  std::vector<std::string> unexpected;         // "kind code why"
  std::array<KindStats, kKinds> stats;

  bool Write(const std::string& path) const;
  bool Read(const std::string& path);
};

// ---- the database side (LoadDatabase.cpp) ----

// Seeds the rows of the run into the stand-in's database file: the eight
// accounts, `perPair` parcels of each list for every pair and each pair's
// master air waybill.  Empty when it worked, else why not.
std::string SeedDatabase(const std::string& file, int perPair);

// The invariants over what the desks believe; each failure one line.
std::vector<std::string> CheckInvariants(const std::string& file, const std::vector<Journal>& desks);

// The same statements as the desks' sequences straight on SQLite: eight
// threads on a copy of the database, thread d doing as many of each kind as
// desk d did.  The stats of each kind over all threads, and the wall time.
struct ReferenceRun {
  std::array<KindStats, kKinds> stats;
  double seconds = 0;
  std::string error;
};
ReferenceRun RunReference(const std::string& file, const std::vector<Journal>& desks);

// ---- a desk (LoadDesk.cpp) ----

// Logs desk `desk` in on the stand-in at `port`, waits for `startMillis`
// (Unix time in ms), runs `seconds` and writes its journal.  The exit code.
int RunDesk(int desk, int port, const std::string& folder, int64_t startMillis, int seconds,
            int perPair);

// p-th percentile (0..100) of sorted samples, in milliseconds.
double Percentile(const std::vector<uint32_t>& sorted, double p);

}  // namespace load
