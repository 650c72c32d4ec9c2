// Waybill procedures of the entry forms: the quick save of a new waybill
// (cp_client_rec_fast_add, 116 arguments), the quick save of a loaded one
// (cp_client_rec_fast_mod, the same without the nine arguments that only a
// new waybill sends: 107) and the delete (cp_client_rec_fast_del).
//
// Results: the waybill id, or a refusal the client turns into a message:
//   save    -1 unknown customer, -2 the customer belongs to another station,
//           -3 the waybill number is taken, -5 the transfer number is taken,
//           -6 unknown express kind, -7 the waybill was handed on (state 1 or
//           more), -8 it went on to payment, pickup, invoice, query or
//           settlement (a link id of 1 or more), -10 no such waybill;
//   delete  -1 no such waybill, -2 handed on, -3 .. -8 the link ids ifid,
//           ipid, iiid, iqid, ifsid, ifcid in this order, -10 another
//           station's waybill, -11 in a bag, -13 it has tracking lines.
// A re-save replaces the waybill's piece rows: the client sends all of them
// again after every save, so the old ones go here.
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "localserver/ProcHelpers.h"
#include "localserver/Procedures.h"
#include "localserver/Wire.h"

namespace localserver {

namespace {

// Argument number (of the 116 of a new waybill) -> client_rec column.

const ArgColumn kArgColumns[] = {
    {2, "nitemtype", 'i'}, {3, "nlanguage", 'i'}, {4, "ddate", 'd'}, {5, "nstate", 'i'},
    {6, "npayway", 'i'}, {7, "cinput", 't'}, {8, "cemskind", 't'}, {9, "caddrfrom", 't'},
    {10, "cdes", 't'}, {11, "cnum", 't'}, {12, "cserviceno", 't'}, {13, "fweight", 'f'},
    {14, "famount", 'f'}, {15, "csender", 't'}, {16, "creceiver", 't'}, {17, "cphone", 't'},
    {18, "cunitname", 't'}, {19, "cpostcode", 't'}, {20, "caddr", 't'}, {21, "ccountry", 't'},
    {22, "ccity", 't'}, {23, "cprovince", 't'}, {24, "cmname", 't'}, {25, "ctaker", 't'},
    {31, "cmemo", 't'}, {32, "ireserve", 'i'}, {33, "ibatch", 'i'}, {34, "fweights", 'f'},
    {35, "clwh", 't'}, {36, "fweightb", 'f'}, {37, "piid", 'i'}, {38, "fsprice", 'f'},
    {39, "faccord", 'f'}, {40, "ndays", 'i'}, {43, "fabase", 'f'}, {44, "faaddon", 'f'},
    {45, "facustom", 'f'}, {46, "faother", 'f'}, {47, "fabaserate", 'f'}, {48, "cgoods", 't'},
    {49, "iquantity", 'i'}, {50, "iprice", 'i'}, {51, "cpacking", 't'}, {52, "ctransnote", 't'},
    {53, "idvalue", 'i'}, {54, "iivalue", 'i'}, {55, "faget", 'f'}, {56, "facarry", 'f'},
    {57, "fasafe", 'f'}, {58, "fapack", 'f'}, {61, "cmoney", 't'}, {63, "csunitname", 't'},
    {64, "csaddr", 't'}, {65, "csphone", 't'}, {66, "cspostcode", 't'}, {67, "cscountry", 't'},
    {68, "csprovince", 't'}, {69, "cscity", 't'}, {70, "cmark", 't'}, {71, "cpaydir", 't'},
    {72, "corigin", 't'}, {73, "iitem", 'i'}, {76, "ffweight", 'f'}, {77, "crno", 't'},
    {78, "cstationt", 't'}, {81, "csmsnumber", 't'}, {82, "fgoods", 'f'}, {85, "ccno", 't'},
    {86, "cdepart", 't'}, {87, "csemail", 't'}, {88, "cremail", 't'}, {89, "crsms", 't'},
    {90, "creserve", 't'}, {97, "cby1", 't'}, {98, "cby2", 't'}, {99, "cby3", 't'},
    {100, "cby4", 't'}, {101, "cby5", 't'}, {102, "icubic", 'i'}, {107, "cgoodsa", 't'},
    {108, "cgcodea", 't'}, {109, "cgcodeb", 't'}, {110, "cgcodec", 't'}, {111, "fgcustom", 'f'},
    {112, "fgcrate", 'f'}, {113, "facheck", 'f'}, {114, "faremote", 'f'}, {115, "faby", 'f'},
    {116, "fdiscount", 'f'}};

// The arguments only a new waybill sends.
const int kAddOnly[] = {7, 8, 39, 41, 83, 103, 104, 105, 106};
constexpr int kAddArguments = 116;
constexpr int kModArguments = 107;

bool IsAddOnly(int number) {
  for (int n : kAddOnly)
    if (n == number) return true;
  return false;
}

// The position (from 0) of argument `number` in a call of the loaded form.
int ModPosition(int number) {
  int position = number - 1;
  for (int n : kAddOnly)
    if (n < number) --position;
  return position;
}

struct Columns {
  std::vector<std::string> names;
  std::vector<DbValue> values;
};

// The columns a call of either form sets, with their values.
Columns CallColumns(const std::vector<ProcArg>& a, bool added) {
  Columns c;
  for (const ArgColumn& ac : kArgColumns) {
    if (!added && IsAddOnly(ac.number)) continue;
    const ProcArg& arg = a[static_cast<size_t>(added ? ac.number - 1 : ModPosition(ac.number))];
    c.names.emplace_back(ac.column);
    c.values.push_back(WaybillArgValue(arg, ac.kind));
  }
  return c;
}

std::string TextColumn(const Columns& c, const char* name) {
  for (size_t k = 0; k < c.names.size(); ++k)
    if (c.names[k] == name) return c.values[k].s;
  return {};
}

// -3 / -5 when another waybill holds the number or the transfer number.
int64_t NumberTaken(Database& db, const Columns& c, int64_t ownId) {
  return WaybillNumberTaken(db, TextColumn(c, "cnum"), TextColumn(c, "cserviceno"), ownId);
}

ProcResult FastAdd(ProcContext& ctx, const std::vector<ProcArg>& a) {
  const int64_t customerId = a[0].AsInt();
  if (ctx.db.Scalar("SELECT count(*) FROM client_arc WHERE icid=?", {DbValue::Of(customerId)})
          .AsInt() == 0)
    return Result(-1);
  if (!StationAllows(ctx.db, ctx.session, customerId)) return Result(-2);
  Columns c = CallColumns(a, true);
  if (ctx.db.Scalar("SELECT count(*) FROM ziz_kind WHERE cemskind=?",
                    {DbValue::OfText(TextColumn(c, "cemskind"))}).AsInt() == 0)
    return Result(-6);
  if (int64_t taken = NumberTaken(ctx.db, c, 0)) return Result(taken);
  c.names.emplace_back("icid");
  c.values.push_back(DbValue::Of(customerId));
  c.names.emplace_back("dsysdate");
  c.values.push_back(DbValue::OfText(NowText()));
  std::string sql = "INSERT INTO client_rec(", marks;
  for (size_t k = 0; k < c.names.size(); ++k) {
    sql += (k ? "," : "") + c.names[k];
    marks += k ? ",?" : "?";
  }
  Statement st(ctx.db.Handle(), sql + ") VALUES(" + marks + ")");
  for (size_t k = 0; k < c.values.size(); ++k) st.Bind(static_cast<int>(k + 1), c.values[k]);
  st.Step();
  return Result(ctx.db.LastInsertId());
}

const char* const kLinkColumns[] = {"ifid", "ipid", "iiid", "iqid", "ifsid", "ifcid"};

ProcResult FastMod(ProcContext& ctx, const std::vector<ProcArg>& a) {
  const int64_t id = a[0].AsInt();
  Statement row(ctx.db.Handle(),
                "SELECT icid,nstate,ifid,ipid,iiid,iqid,ifsid,ifcid FROM client_rec WHERE irid=?");
  row.Bind(1, id);
  if (!row.Step()) return Result(-10);
  if (!StationAllows(ctx.db, ctx.session, row.Column(0).AsInt())) return Result(-2);
  for (int k = 2; k < 8; ++k)
    if (row.Column(k).AsInt() >= 1) return Result(-8);
  if (row.Column(1).AsInt() >= 1) return Result(-7);
  Columns c = CallColumns(a, false);
  if (int64_t taken = NumberTaken(ctx.db, c, id)) return Result(taken);
  UpdateWaybillRow(ctx, id, c.names, c.values);
  return Result(id);
}

ProcResult FastDel(ProcContext& ctx, const std::vector<ProcArg>& a) {
  return Result(DeleteWaybillRow(ctx, a[0].AsInt(), a[1].AsInt() != 0));
}

}  // namespace

void RegisterWaybillProcedures(ProcedureRegistry& registry) {
  registry.Add("cp_client_rec_fast_add", kAddArguments, kAddArguments, FastAdd);
  registry.Add("cp_client_rec_fast_mod", kModArguments, kModArguments, FastMod);
  registry.Add("cp_client_rec_fast_del", 2, 2, FastDel);
}

}  // namespace localserver
