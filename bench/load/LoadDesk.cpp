// One desk of the load run: its own process, its own login, the sequences
// of the pages through the classes the pages call (the waybill saver of
// the quick entry form, the hand-over of the hand-over desk, the bag calls
// of the bagging and seal forms, the bag loading of the master air waybill
// editor, the payment call of the payments page), without their windows.
//
// A request that brings no usable reply (the line went, the server was
// down, the session was gone and the link logged in again) is an error; the
// desk tries the same step again, as an operator would press the button
// again.  A step whose first try may have reached the server before its
// reply was lost is never counted as done: the desk notes it as uncertain
// and, for bags, reads the bag back from the server as the forms do.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "bench/load/LoadRun.h"
#include "common/FieldCheck.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "consolidation/AwbBags.h"
#include "consolidation/BagSeal.h"
#include "consolidation/BaggingLogic.h"
#include "entry/WaybillSave.h"
#include "platform/MessageBox.h"
#include "refdata/Dictionaries.h"
#include "refdata/ServiceKinds.h"
#include "refdata/SqlRunner.h"
#include "server/ProcedureCall.h"
#include "server/ServerLink.h"
#include "shipping/HandOverLogic.h"
#include "shipping/PaymentQueries.h"
#include "tests/server/StandInConfig.h"

namespace fs = std::filesystem;

namespace load {

std::string HandOverParcel(int pair, int k) {
  char text[32];
  std::snprintf(text, sizeof text, "LH%d%06d", pair, k);
  return text;
}
std::string BagParcel(int pair, int k) {
  char text[32];
  std::snprintf(text, sizeof text, "LB%d%06d", pair, k);
  return text;
}
std::string PayParcel(int pair, int k) {
  char text[32];
  std::snprintf(text, sizeof text, "LP%d%06d", pair, k);
  return text;
}
std::string PairAwb(int pair) { return "999-5300000" + std::to_string(pair); }

double Percentile(const std::vector<uint32_t>& sorted, double p) {
  if (sorted.empty()) return 0;
  size_t at = static_cast<size_t>(p / 100.0 * static_cast<double>(sorted.size() - 1) + 0.5);
  return sorted[std::min(at, sorted.size() - 1)] / 1000.0;
}

// ---- the journal ----

bool Journal::Write(const std::string& path) const {
  std::ofstream out(path, std::ios::trunc);
  out << "user " << account << " " << name << "\n";
  out << "relogins " << relogins << "\n";
  for (const SavedWaybill& w : saved)
    out << "saved " << w.number << " " << w.irid << " " << w.grams << " " << w.pieces << " " << w.cents
        << "\n";
  for (const std::string& n : maybeSaved) out << "maybe " << n << "\n";
  for (int32_t id : handed) out << "handed " << id << "\n";
  for (int32_t id : handMaybe) out << "handmaybe " << id << "\n";
  for (const auto& [id, bag] : bags) {
    out << "bag " << id << " " << bag.number << " " << bag.state << " " << (bag.certain ? 1 : 0) << "\n";
    for (int32_t irid : bag.items) out << "item " << id << " " << irid << "\n";
  }
  for (int32_t id : loadedOthers) out << "loadedother " << id << "\n";
  for (const Payment& p : payments) {
    out << "pay " << p.ifid << " " << p.cents;
    for (int32_t id : p.irids) out << " " << id;
    out << "\n";
  }
  for (const auto& ids : payMaybe) {
    out << "paymaybe";
    for (int32_t id : ids) out << " " << id;
    out << "\n";
  }
  for (const auto& [what, times] : refusals) out << "refusal " << what << " " << times << "\n";
  for (const std::string& u : unexpected) out << "unexpected " << u << "\n";
  for (int k = 0; k < kKinds; ++k) {
    const KindStats& s = stats[k];
    out << "count " << k << " " << s.ok << " " << s.refused << " " << s.errors << "\n";
    out << "lat " << k;
    for (uint32_t m : s.micros) out << " " << m;
    out << "\n";
  }
  out << "end\n";
  return static_cast<bool>(out);
}

bool Journal::Read(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  bool ended = false;
  while (std::getline(in, line)) {
    std::istringstream f(line);
    std::string tag;
    f >> tag;
    if (tag == "user") {
      f >> account >> name;
    } else if (tag == "relogins") {
      f >> relogins;
    } else if (tag == "saved") {
      SavedWaybill w;
      f >> w.number >> w.irid >> w.grams >> w.pieces >> w.cents;
      saved.push_back(w);
    } else if (tag == "maybe") {
      std::string n;
      f >> n;
      maybeSaved.push_back(n);
    } else if (tag == "handed" || tag == "handmaybe") {
      int32_t id = 0;
      f >> id;
      (tag == "handed" ? handed : handMaybe).push_back(id);
    } else if (tag == "bag") {
      Bag b;
      int certain = 1;
      f >> b.id >> b.number >> b.state >> certain;
      b.certain = certain != 0;
      bags[b.id] = b;
    } else if (tag == "item") {
      int32_t bag = 0, irid = 0;
      f >> bag >> irid;
      bags[bag].items.insert(irid);
    } else if (tag == "loadedother") {
      int32_t id = 0;
      f >> id;
      loadedOthers.push_back(id);
    } else if (tag == "pay") {
      Payment p;
      f >> p.ifid >> p.cents;
      int32_t id;
      while (f >> id) p.irids.push_back(id);
      payments.push_back(p);
    } else if (tag == "paymaybe") {
      std::vector<int32_t> ids;
      int32_t id;
      while (f >> id) ids.push_back(id);
      payMaybe.push_back(ids);
    } else if (tag == "refusal") {
      std::string kind, code;
      int times = 0;
      f >> kind >> code >> times;
      refusals[kind + " " + code] += times;
    } else if (tag == "unexpected") {
      unexpected.push_back(line.substr(11));
    } else if (tag == "count") {
      int k = 0;
      f >> k;
      if (k >= 0 && k < kKinds) f >> stats[k].ok >> stats[k].refused >> stats[k].errors;
    } else if (tag == "lat") {
      int k = 0;
      f >> k;
      uint32_t m;
      if (k >= 0 && k < kKinds)
        while (f >> m) stats[k].micros.push_back(m);
    } else if (tag == "end") {
      ended = true;
    }
  }
  return ended;
}

namespace {

using Clock = std::chrono::steady_clock;

// How one try of a step ended.
enum class Try { Done, Refused, Lost };

struct TryResult {
  Try state = Try::Lost;
  int32_t code = 0;
  std::string why;  // for a refusal outside the business codes
};

// The business codes of each step: the procedures' documented refusals
// (and the hand-over's own checks before its call).
bool BusinessCode(Kind kind, int32_t code) {
  auto in = [code](std::initializer_list<int32_t> codes) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
  };
  switch (kind) {
    case kSave: return in({-1, -2, -3, -5, -6, -7, -8, -10});
    case kHandOver: return in({-2, -3, -4, -5, -6, -10, -11});
    case kBagNew: return in({-1, -4});
    case kBagIn: return in({-1, -2, -3, -4, -12, -13, -115, -116});
    case kBagOut: return in({-2, -3, -4, -5});
    case kSeal: return in({-1, -2, -3, -4, -5, -6});
    case kAwbLoad: return in({-2, -3, -4, -5});
    case kPay: return in({-1, -2, -3, -4, -6, -7});
    default: return false;
  }
}

// The waybill save link of the quick entry form, noting what became of the
// procedure call: whether its reply came and the code it carried.
class NotingSaveLink : public WaybillSaveLink {
 public:
  explicit NotingSaveLink(CServerLink& link) : link_(link), inner_(MakeServerWaybillSaveLink(link)) {}
  void Reset() {
    callSent = callAnswered = requestFailed = false;
    callCode = 0;
  }
  int FetchNumber(unsigned series, std::string& number, std::string_view kindCode,
                  int32_t customerId) override {
    return inner_->FetchNumber(series, number, kindCode, customerId);
  }
  int QueryPrice(PriceQuery& query) override {
    int r = inner_->QueryPrice(query);
    if (r <= 0 && link_.lastReturnValue != 0) requestFailed = true;
    return r;
  }
  int Execute(std::string_view sql, std::span<const uint32_t> types, std::string& reply) override {
    const bool call = sql.find("cp_client_rec_fast_add") != std::string_view::npos ||
                      sql.find("cp_client_rec_fast_mod") != std::string_view::npos;
    const int r = inner_->Execute(sql, types, reply);
    serverlink::ProcedureResult result;
    const bool read = r > 0 && serverlink::ReadProcedureReply(reply, types.size(), result);
    if (call) {
      callSent = true;
      callAnswered = read;
      callCode = read ? result.code : 0;
    }
    if (r <= 0 || JsonGetInt("ReturnValue", reply, 0) < 0) requestFailed = true;
    return r;
  }
  std::string FetchRecord(int32_t id) override { return inner_->FetchRecord(id); }
  std::u16string LastErrorText() override { return inner_->LastErrorText(); }
  std::string UserName() override { return inner_->UserName(); }
  bool UserHasStation() override { return inner_->UserHasStation(); }

  bool callSent = false, callAnswered = false, requestFailed = false;
  int32_t callCode = 0;

 private:
  CServerLink& link_;
  std::unique_ptr<WaybillSaveLink> inner_;
};

class Desk {
 public:
  Desk(int desk, int perPair) : desk_(desk), pair_(PairOf(desk)), perPair_(perPair) {}

  int Run(int port, const std::string& folder, int64_t startMillis, int seconds);

 private:
  bool LogIn(int port, const fs::path& program);
  bool Over() const { return Clock::now() >= end_; }

  // Runs a step until it is done or refused (or the run is over): every
  // try's time is noted; `lostOnce` tells whether a try brought no reply.
  template <class F>
  TryResult Step(Kind kind, F tryOnce, bool& lostOnce);
  void NoteRefusal(Kind kind, const TryResult& r);

  void SaveWaybill();
  void HandOver();
  void BagRound();
  void Pay();
  void LoadPartnerBag();

  serverlink::ProcedureSender Sender() {
    return [this](std::string_view sql, std::span<const uint32_t> t, std::string& reply) {
      return link_.SqlExecute(sql, t, &reply);
    };
  }
  TryResult CallOnce(const std::string& sql, std::span<const uint32_t> types, int32_t& code);
  // Reads the bag's rows back as the forms do after a doubtful step.
  bool ReloadBag(Bag& bag, bagging::BagTotals* totals);

  const int desk_, pair_, perPair_;
  Clock::time_point end_;
  CServerLink link_;
  platform::RecordingMessageBoxService boxes_;
  std::u16string account_;  // the user name the forms send
  std::vector<CServiceKind> kinds_;
  std::vector<std::u16string> kindCodes_;
  CServiceKind saveKind_{GbkFromWide(u"ZIZ国际")};
  SupplierEntry carrier_;
  std::u16string batchText_;
  std::unique_ptr<NotingSaveLink> saveLink_;
  Journal journal_;
  int cycle_ = 0, handIndex_ = 0, bagIndex_ = 0, payIndex_ = 0, bagRound_ = 0;
  std::vector<int32_t> unpaid_;  // own saved waybills not yet in a payment
};

template <class F>
TryResult Desk::Step(Kind kind, F tryOnce, bool& lostOnce) {
  lostOnce = false;
  KindStats& stats = journal_.stats[kind];
  const Clock::time_point giveUp = Clock::now() + std::chrono::seconds(20);
  for (;;) {
    const Clock::time_point t0 = Clock::now();
    TryResult r = tryOnce();
    stats.micros.push_back(static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - t0).count()));
    if (r.state == Try::Done) {
      ++stats.ok;
      return r;
    }
    if (r.state == Try::Refused) {
      ++stats.refused;
      NoteRefusal(kind, r);
      return r;
    }
    ++stats.errors;
    lostOnce = true;
    // The server is down or coming back: try again shortly, as long as the
    // run lasts (a step begun before the end is finished).
    if (Clock::now() >= giveUp) {
      journal_.unexpected.push_back(std::string(kKindNames[kind]) + " lost no reply for 20 s");
      return r;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void Desk::NoteRefusal(Kind kind, const TryResult& r) {
  if (BusinessCode(kind, r.code)) {
    journal_.refusals[std::string(kKindNames[kind]) + " " + std::to_string(r.code)] += 1;
  } else {
    journal_.unexpected.push_back(std::string(kKindNames[kind]) + " " + std::to_string(r.code) + " " +
                                  (r.why.empty() ? "not a business code" : r.why));
  }
}

TryResult Desk::CallOnce(const std::string& sql, std::span<const uint32_t> types, int32_t& code) {
  serverlink::ProcedureResult result;
  TryResult r;
  if (!serverlink::CallProcedure(Sender(), sql, types, result)) {
    r.state = Try::Lost;
    return r;
  }
  code = result.code;
  r.code = result.code;
  r.state = result.code >= 0 ? Try::Done : Try::Refused;
  return r;
}

bool Desk::LogIn(int port, const fs::path& program) {
  fs::create_directories(program);
  testsupport::WriteStandInConfig(program, port, "01", "LOAD" + std::to_string(desk_));
  if (link_.Init(program.string() + "/") != 1) return false;
  AppLanguage().Load(program.string() + "/", "01");
  const std::string account = DeskAccount(desk_), password = DeskPassword();
  if (link_.Login(std::u16string(account.begin(), account.end()),
                  std::u16string(password.begin(), password.end()), 0) <= 0)
    return false;
  account_ = WideFromGbk(link_.Session().userName);
  journal_.account = account;
  journal_.name = link_.Session().userName;
  // What start-up loads for the hand-over desk: the kinds with their
  // carriers, and the carrier picked.
  if (!LoadServiceKinds(LinkSqlRunner(link_), kinds_, kindCodes_, AppLanguage(), boxes_)) return false;
  std::string reply;
  const uint32_t types[] = {AcsTypeEntry(kSqlCSLong), AcsTypeEntry(kSqlCSLong),
                            AcsTypeEntry(kSqlCChar, 64)};
  if (link_.SqlQuery("SELECT isid,nbatch,cname FROM brantle.dbo.sp_arc WHERE isid=" +
                         std::to_string(kCarrier),
                     types, &reply) <= 0)
    return false;
  bool found = false;
  ForEachReplyRow(reply, [&](std::string_view row) {
    carrier_.isid = JsonGetInt("0", row, 0);
    carrier_.nbatch = JsonGetInt("1", row, 0);
    carrier_.cname = JsonGetString("2", row, 63);
    carrier_.name = WideFromGbk(carrier_.cname);
    found = carrier_.isid == kCarrier;
  });
  if (!found) return false;
  const std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  batchText_ = MakeHandOverBatchText(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, carrier_.nbatch);
  saveLink_ = std::make_unique<NotingSaveLink>(link_);
  return true;
}

// ---- the quick save of a new waybill ----

void Desk::SaveWaybill() {
  char number[32];
  std::snprintf(number, sizeof number, "LW%d%06d", desk_, cycle_);
  const int64_t grams = 500 + (desk_ * 7919 + cycle_ * 104729) % 20000;
  const int32_t pieces = 1 + cycle_ % 3;
  const int64_t cents = 1000 + (desk_ * 31 + cycle_ * 17) % 50000;
  char weight[32], amount[32];
  std::snprintf(weight, sizeof weight, "%lld.%03lld", static_cast<long long>(grams / 1000),
                static_cast<long long>(grams % 1000));
  std::snprintf(amount, sizeof amount, "%lld.%02lld", static_cast<long long>(cents / 100),
                static_cast<long long>(cents % 100));
  WaybillEntry entry;
  CWaybillSaver saver(*saveLink_, entry);
  auto fill = [&] {
    entry = WaybillEntry{};
    entry.kind = &saveKind_;
    entry.customerId = kCustomer;
    entry.dateText = u"2024.6.1";
    entry.itemCount = pieces;
    entry.texts[1] = u"美国";
    entry.texts[2] = WideFromGbk(number);
    entry.texts[4] = WideFromGbk(weight);
    entry.texts[5] = WideFromGbk(amount);
    entry.texts[6] = u"陈先生";
    entry.texts[7] = u"Receiver " + WideFromGbk(std::to_string(desk_));
    entry.texts[11] = u"1 Main Street";
    for (int k = 1; k <= pieces; ++k) {
      PieceLine p{};
      p.ixLong = 30;
      p.ixWidth = 20;
      p.ixHeight = 10;
      p.ixWeight = static_cast<int32_t>(grams / pieces);
      p.nxPercent = 100;
      std::snprintf(p.cxNo, sizeof p.cxNo, "%s-%d", number, k);
      entry.pieces.push_back(p);
    }
  };
  // A save that stored the waybill but not all its rows leaves it in the
  // form as loaded; the operator saves again, which changes it.
  bool partly = false;
  bool lost = false;
  TryResult r = Step(kSave, [&] {
    if (!partly) fill();
    saveLink_->Reset();
    const CWaybillSaver::Outcome outcome = saver.Save();
    TryResult t;
    if (outcome == CWaybillSaver::Outcome::Saved) {
      t.state = Try::Done;
    } else if (outcome == CWaybillSaver::Outcome::PartlySaved) {
      partly = true;
      t.state = Try::Lost;
    } else if (saveLink_->callSent && saveLink_->callAnswered && saveLink_->callCode < 0) {
      t.state = Try::Refused;
      t.code = saveLink_->callCode;
    } else if (saveLink_->requestFailed || (saveLink_->callSent && !saveLink_->callAnswered)) {
      t.state = Try::Lost;
    } else {
      t.state = Try::Refused;
      t.code = -9999;
      t.why = "stopped without a server refusal";
    }
    return t;
  }, lost);
  if (r.state == Try::Done) {
    journal_.saved.push_back({number, saver.Working().waybill.irID, grams, pieces, cents});
    unpaid_.push_back(saver.Working().waybill.irID);
  } else if (lost) {
    journal_.maybeSaved.push_back(number);
  }
}

// ---- the hand-over of a parcel the pair shares ----

void Desk::HandOver() {
  if (handIndex_ >= perPair_) return;
  const std::string number = HandOverParcel(pair_, ++handIndex_);
  HandOverServices s;
  s.link = &link_;
  s.findKind = [this](std::string_view code) { return FindServiceKind(kinds_, code); };
  s.wait = [](const std::function<int()>& work) { return work(); };
  const ServerSession session = link_.Session();
  s.station = session.station;
  s.userName = session.userName;
  HandOverSettings settings;
  HandOverRequest request;
  request.number = number;
  request.numberMode = 1;
  request.carrier = &carrier_;
  request.batchText = batchText_;
  request.showMessages = false;
  int32_t checked = 0;
  bool lost = false;
  TryResult r = Step(kHandOver, [&] {
    const HandOverOutcome o = SendToNextCarrier(s, settings, request);
    TryResult t;
    if (o.checkedRecordId > 0) checked = o.checkedRecordId;
    if (o.result >= 0) {
      t.state = Try::Done;
    } else if (o.result == -9) {
      t.state = Try::Lost;
    } else if (o.result == -8) {
      // The check's refusal, known by its text.
      t.state = Try::Refused;
      static const std::pair<int, int32_t> kTexts[] = {
          {200020, -2}, {200021, -3}, {200022, -5}, {200023, -6}, {200026, -10}};
      t.code = -8;
      for (const auto& [text, code] : kTexts)
        if (o.message == AppLanguage().Text(text)) t.code = code;
      if (t.code == -8) t.why = "check refused: " + GbkFromWide(o.message);
    } else {
      t.state = Try::Refused;
      t.code = o.result;
    }
    return t;
  }, lost);
  if (r.state == Try::Done && checked > 0) journal_.handed.push_back(checked);
  else if (lost && checked > 0) journal_.handMaybe.push_back(checked);
}

// ---- a bag: made, parcels scanned in and one out, sealed, loaded ----

bool Desk::ReloadBag(Bag& bag, bagging::BagTotals* totals) {
  std::string reply;
  if (link_.SqlQuery(bagging::BagHeaderSql(bag.id), bagging::BagHeaderTypes(), &reply) <= 0) return false;
  bagging::BagHeader header;
  if (!bagging::ReadBagHeader(reply, header)) return false;
  if (link_.SqlQuery(bagging::BagItemsSql(bag.id, header.state), bagging::BagItemTypes(), &reply) <= 0)
    return false;
  bagging::BagWeightRules rules;
  rules.parseDimensions = [](std::string_view, int32_t&, int32_t&, int32_t&) { return char(0); };
  rules.volumetric = [](int32_t l, int32_t w, int32_t h, char) { return l * w * h / 6; };
  std::vector<bagging::BagItemRow> rows;
  bagging::BagTotals sums;
  if (!bagging::ReadBagItemRows(reply, rules, rows, sums)) return false;
  bag.items.clear();
  for (const bagging::BagItemRow& row : rows) bag.items.insert(row.waybillId);
  bag.state = header.state >= 2 ? 2 : header.state;
  if (totals) *totals = sums;
  return true;
}

void Desk::BagRound() {
  Bag bag;
  char number[32];
  std::snprintf(number, sizeof number, "LD%d%05d", desk_, ++bagRound_);
  bag.number = number;
  bool lost = false;
  const uint32_t idType[] = {AcsTypeEntry(kSqlCSLong)};
  TryResult r = Step(kBagNew, [&] {
    bagging::BagHeaderFields f;
    f.number = WideFromGbk(bag.number);
    f.destinationAirport = u"JFK";
    int32_t code = 0;
    TryResult t = CallOnce(bagging::SaveBagSql(f, 0, 0, account_), idType, code);
    if (t.state == Try::Done) bag.id = code;
    return t;
  }, lost);
  if (r.state != Try::Done) return;  // a lost add is a bag nobody uses
  journal_.bags[bag.id] = bag;
  Bag& kept = journal_.bags[bag.id];
  bool doubt = lost;

  // Scanned in by number, per waybill; the partner desk scans the same
  // parcels into its own bags.
  int added = 0;
  while (added < 3 && bagIndex_ < perPair_ && !Over()) {
    const std::string parcel = BagParcel(pair_, ++bagIndex_);
    const std::string sql = bagging::ItemAddSql(true, kept.id, -1, -1, WideFromGbk(parcel), 1,
                                                account_, bagging::ItemCheckArgs{});
    const size_t columns = bagging::ItemAddColumns(true, -1);
    TryResult in = Step(kBagIn, [&] {
      const bagging::ItemAddOutcome o = bagging::SendItemAdd(Sender(), sql, columns, false, nullptr);
      TryResult t;
      if (!o.replied) return t;
      t.code = o.code;
      t.state = o.code > 0 ? Try::Done : Try::Refused;
      if (t.state == Try::Done) kept.items.insert(o.code);
      return t;
    }, lost);
    doubt = doubt || lost;
    if (in.state == Try::Done) ++added;
  }
  if (doubt && !ReloadBag(kept, nullptr)) kept.certain = false;
  if (Over()) return;

  // The first one scanned out again.
  if (!kept.items.empty()) {
    const int32_t out = *kept.items.begin();
    const uint32_t types[] = {AcsTypeEntry(kSqlCSLong)};
    TryResult o = Step(kBagOut, [&] {
      int32_t code = 0;
      return CallOnce(bagging::ItemRemoveSql(true, kept.id, out, -1, account_, false), types, code);
    }, lost);
    if (o.state == Try::Done) kept.items.erase(out);
    if (lost && !ReloadBag(kept, nullptr)) kept.certain = false;
  }
  if (Over()) return;

  // Sealed as the seal form does it: the bag read by scan, its weight the
  // total of its rows.
  bagging::BagTotals totals;
  if (!ReloadBag(kept, &totals)) {
    kept.certain = false;
    return;
  }
  TryResult s = Step(kSeal, [&] {
    int32_t code = 0;
    return CallOnce(bagseal::SealBagSql(kept.id, account_, totals.actual, 0, 0, 0), idType, code);
  }, lost);
  if (s.state == Try::Done) kept.state = 1;
  if (lost && !ReloadBag(kept, nullptr)) kept.certain = false;
  if (kept.state != 1 || Over()) return;

  // Loaded onto the pair's master air waybill.  The partner desk puts the
  // bag of the same round on it by number at about the same time (the
  // master air waybill editor adds bags by number), while this desk seals
  // or loads it: whoever comes second is refused.
  const std::u16string awbNumber = WideFromGbk(PairAwb(pair_));
  TryResult l = Step(kAwbLoad, [&] {
    int32_t code = 0;
    return CallOnce(awb::AddBagSql(kept.id, u"", awbNumber, account_), awb::AddBagTypes(), code);
  }, lost);
  if (l.state == Try::Done) kept.state = 2;
  // A refusal or a lost reply: the bag list read again.
  if ((lost || l.state == Try::Refused) && !ReloadBag(kept, nullptr)) kept.certain = false;
}

void Desk::LoadPartnerBag() {
  const int partner = desk_ % 2 == 1 ? desk_ + 1 : desk_ - 1;
  char number[32];
  std::snprintf(number, sizeof number, "LD%d%05d", partner, bagRound_);
  const std::u16string awbNumber = WideFromGbk(PairAwb(pair_));
  bool lost = false;
  int32_t bagId = 0;
  TryResult r = Step(kAwbLoad, [&] {
    return CallOnce(awb::AddBagSql(0, WideFromGbk(number), awbNumber, account_), awb::AddBagTypes(), bagId);
  }, lost);
  if (r.state == Try::Done && !lost) journal_.loadedOthers.push_back(bagId);
}

// ---- a payment: the desk's own waybills and one the pair shares ----

void Desk::Pay() {
  std::vector<int32_t> irids(unpaid_.begin(), unpaid_.end());
  if (irids.empty()) return;
  int32_t shared = 0;
  if (payIndex_ < perPair_) {
    const std::string parcel = PayParcel(pair_, ++payIndex_);
    shared = link_.FindWaybillId(0, parcel, false);
  }
  for (int round = 0; round < 2 && !irids.empty(); ++round) {
    std::vector<int32_t> ids = irids;
    if (round == 0 && shared > 0) ids.push_back(shared);
    // The amounts as the form lists them.
    std::string list;
    for (int32_t id : ids) list += (list.empty() ? "" : ",") + std::to_string(id);
    std::string reply;
    if (link_.SqlQuery("SELECT irid,famount FROM brantle.dbo.client_rec WHERE irid IN(" + list + ")",
                       std::vector<uint32_t>{AcsTypeEntry(kSqlCSLong), AcsTypeEntry(kSqlCDouble)},
                       &reply) <= 0)
      return;
    payment::Cents total = 0;
    int rows = 0;
    ForEachReplyRow(reply, [&](std::string_view row) {
      total += payment::CentsOf(JsonGetDouble("1", row, 0));
      ++rows;
    });
    if (rows != static_cast<int>(ids.size())) return;
    payment::PaymentSave p;
    p.id = kCustomer;
    p.kind = 0;
    p.amount = total;
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    char date[32];
    std::snprintf(date, sizeof date, "%04d.%02d.%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
    p.date = WideFromGbk(date);
    p.hour = t.tm_hour;
    p.minute = t.tm_min;
    p.second = t.tm_sec;
    p.userName = link_.Session().userName;
    p.irids = ids;
    const std::string sql = payment::BuildSaveCall(p);
    int32_t ifid = 0;
    bool lost = false;
    TryResult r = Step(kPay, [&] {
      std::string answer;
      TryResult tr;
      if (link_.SqlExecute(sql, payment::ProcedureTypes(), &answer) <= 0) return tr;
      int32_t result = -9;
      if (!payment::ReadProcedureResult(answer, result)) return tr;
      tr.code = result;
      tr.state = result >= 0 ? Try::Done : Try::Refused;
      if (result >= 0) ifid = result;
      return tr;
    }, lost);
    if (r.state == Try::Done && !lost) {
      journal_.payments.push_back({ifid, total, ids});
      unpaid_.clear();
      return;
    }
    if (lost) {
      // Its reply went: the records may be settled by it.  The form keeps
      // them and says nothing; the desk leaves them alone from now on.
      journal_.payMaybe.push_back(ids);
      unpaid_.clear();
      return;
    }
    if (r.state != Try::Refused) return;
    // Refused (the shared waybill went to the partner): again without it.
  }
}

int Desk::Run(int port, const std::string& folder, int64_t startMillis, int seconds) {
  platform::SetMessageBoxService(&boxes_);
  const fs::path program = fs::path(folder) / ("desk" + std::to_string(desk_));
  if (!LogIn(port, program)) {
    std::fprintf(stderr, "desk %d: the login or the start-up load failed\n", desk_);
    return 2;
  }
  const auto start = std::chrono::system_clock::time_point(std::chrono::milliseconds(startMillis));
  std::this_thread::sleep_until(start);
  end_ = Clock::now() + std::chrono::seconds(seconds);
  int32_t login = link_.Session().loginNumber;
  auto noteLogin = [&] {
    const int32_t now = link_.Session().loginNumber;
    if (now != login && now > 0) ++journal_.relogins;
    login = now;
  };
  while (!Over()) {
    noteLogin();
    ++cycle_;
    SaveWaybill();
    if (Over()) break;
    HandOver();
    if (Over()) break;
    if (cycle_ % 2 == 0) {
      BagRound();
      if (!Over()) LoadPartnerBag();
    }
    if (Over()) break;
    if (cycle_ % 3 == 0) Pay();
  }
  noteLogin();
  platform::SetMessageBoxService(nullptr);
  const std::string path = (fs::path(folder) / ("desk" + std::to_string(desk_) + ".journal")).string();
  return journal_.Write(path) ? 0 : 3;
}

}  // namespace

int RunDesk(int desk, int port, const std::string& folder, int64_t startMillis, int seconds,
            int perPair) {
  Desk d(desk, perPair);
  return d.Run(port, folder, startMillis, seconds);
}

}  // namespace load
