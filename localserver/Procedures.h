#pragma once
// Stored procedures: C++ functions registered by name and called through
// the client's ODBC escape "{?=CALL brantle.dbo.cp_x(args)}" or
// "{CALL brantle.dbo.cp_x(args)}".  Each group of procedures lives in its
// own Proc*.cpp with a Register*Procedures function listed in
// ProcedureGroups.cpp.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "localserver/Database.h"
#include "localserver/Session.h"

namespace localserver {

struct ProcArg {
  enum Kind { Null, Int, Real, Text, Binary, Output } kind = Null;
  int64_t i = 0;
  double d = 0;
  std::string raw;   // Text: the literal's bytes as sent (GBK); Binary: the bytes
  std::string text;  // Text: UTF-8 (empty when the bytes are no GBK)
  bool textOk = true;

  int64_t AsInt() const;       // Int, Real, numeric Text
  double AsReal() const;
  const std::string& AsText() const;  // UTF-8 of a Text (throws ProcArgError otherwise)
};

struct ProcCall {
  std::string name;  // without "brantle.dbo.", lower case
  bool wantsReturn = false;
  std::vector<ProcArg> args;
  int outputs = 0;  // '?' arguments
};

// Parses the call escape from the raw GBK bytes (quoted arguments may hold
// any byte).  Returns false with a reason when the text is not a call.
bool ParseProcCall(std::string_view raw, ProcCall& call, std::string& error);
// True when the text (after blanks) starts with '{': a call, not a statement.
bool LooksLikeProcCall(std::string_view raw);

struct ProcContext {
  Database& db;
  const Session& session;
};

struct ProcResult {
  int64_t returnValue = 0;
  std::vector<DbValue> outputs;  // values of the '?' arguments, in order
};

// Thrown for arguments of the wrong count or kind.
struct ProcArgError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

using ProcFn = std::function<ProcResult(ProcContext&, const std::vector<ProcArg>&)>;

// A testing aid: the named procedures stop for a while at one point of
// their run, so that a test can cut the server off there.  FirstWrite is
// inside the procedure's transaction, right after the first row it inserts,
// changes or deletes; Commit is after the transaction is on disk and before
// the reply is written.  On entering the pause one line goes to standard
// output: "brantle-server: pausing in <name> after its first write" (or
// "after its commit").
struct ProcPause {
  enum class Point { FirstWrite, Commit };
  std::chrono::milliseconds delay{0};
  std::vector<std::string> names;  // lower case, without "brantle.dbo."
  Point at = Point::FirstWrite;

  bool AppliesTo(const std::string& name, Point point) const;
};

class ProcedureRegistry {
 public:
  // minArgs..maxArgs counts every argument, '?' ones included.
  void Add(std::string name, int minArgs, int maxArgs, ProcFn fn);
  ProcResult Call(ProcContext& ctx, const ProcCall& call) const;  // throws ProcArgError
  bool Has(const std::string& name) const { return procs_.count(name) != 0; }

  void SetPause(ProcPause pause) { pause_ = std::move(pause); }
  // The pause of a named procedure after its commit; Call makes the one
  // after its first write itself.
  void PauseAfterCommit(const std::string& name) const;

 private:
  struct Entry {
    int minArgs, maxArgs;
    ProcFn fn;
  };
  std::map<std::string, Entry> procs_;
  ProcPause pause_;
};

// Every group; ProcedureGroups.cpp lists them.
void RegisterAllProcedures(ProcedureRegistry& registry);
void RegisterSystemProcedures(ProcedureRegistry& registry);  // ProcSystem.cpp
void RegisterWaybillProcedures(ProcedureRegistry& registry);  // ProcWaybill.cpp
void RegisterWaybillFormProcedures(ProcedureRegistry& registry);  // ProcWaybillForm.cpp
void RegisterPaymentProcedures(ProcedureRegistry& registry);  // ProcPayments.cpp
void RegisterTrackingProcedures(ProcedureRegistry& registry);  // ProcTracking.cpp
void RegisterRecordCheckProcedures(ProcedureRegistry& registry);  // ProcRecordCheck.cpp
void RegisterHandOverProcedures(ProcedureRegistry& registry);  // ProcHandOver.cpp
void RegisterPickupProcedures(ProcedureRegistry& registry);  // ProcPickup.cpp
void RegisterPictureProcedures(ProcedureRegistry& registry);  // ProcPictures.cpp
void RegisterAwbProcedures(ProcedureRegistry& registry);  // ProcAwb.cpp
void RegisterAttachmentProcedures(ProcedureRegistry& registry);  // ProcAttachments.cpp
void RegisterBagProcedures(ProcedureRegistry& registry);  // ProcBags.cpp
void RegisterBagSealProcedures(ProcedureRegistry& registry);  // ProcBagSeal.cpp
void RegisterAwbBagProcedures(ProcedureRegistry& registry);  // ProcAwbBags.cpp
void RegisterRecordPictureProcedures(ProcedureRegistry& registry);  // ProcRecordPictures.cpp
void RegisterAwbStatusProcedures(ProcedureRegistry& registry);  // ProcAwbStatus.cpp

}  // namespace localserver
