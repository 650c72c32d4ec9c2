// Waybill procedures of the full waybill form: the save of a loaded waybill
// (cp_client_rec_mod_part, 111 arguments) and the delete with the user's
// name (cp_client_rec_del, an output argument first: ReturnValue 2).
//
// The full form completes and corrects waybills already on the server, so
// its save does not refuse a waybill that went on to payment, pickup,
// invoice or settlement; it refuses
//   -2 the customer belongs to another station, -3 / -5 the waybill or the
//   transfer number is another waybill's, -6 unknown express kind, -10 no
//   such waybill.
// The delete answers as cp_client_rec_fast_del: -1 no such waybill, -2
// handed on, -3 .. -8 the link ids ifid, ipid, iiid, iqid, ifsid, ifcid,
// -10 another station's waybill, -11 in a bag, -13 it has tracking lines.
// A save replaces the waybill's piece rows: the client sends them again.
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "localserver/ProcHelpers.h"
#include "localserver/Procedures.h"
#include "localserver/Wire.h"

namespace localserver {

namespace {

// Argument number (from 1) -> client_rec column.  Arguments not listed
// carry constants.

const ArgColumn kModPartColumns[] = {
    {2, "nitemtype", 'i'},   {3, "nlanguage", 'i'},  {4, "ddate", 'd'},      {5, "nstate", 'i'},
    {6, "npayway", 'i'},     {7, "caddrfrom", 't'},  {8, "cdes", 't'},       {9, "cnum", 't'},
    {10, "cserviceno", 't'}, {11, "fweight", 'f'},   {12, "famount", 'f'},   {13, "csender", 't'},
    {14, "creceiver", 't'},  {15, "cphone", 't'},    {16, "cunitname", 't'}, {17, "cpostcode", 't'},
    {18, "caddr", 't'},      {19, "ccountry", 't'},  {20, "ccity", 't'},     {21, "cprovince", 't'},
    {22, "cmname", 't'},     {23, "ctaker", 't'},    {29, "cmemo", 't'},     {30, "ireserve", 'i'},
    {31, "ibatch", 'i'},     {32, "fweights", 'f'},  {33, "clwh", 't'},      {34, "fweightb", 'f'},
    {35, "piid", 'i'},       {36, "fsprice", 'f'},   {37, "ndays", 'i'},     {39, "fabase", 'f'},
    {40, "faaddon", 'f'},    {41, "facustom", 'f'},  {42, "faother", 'f'},   {43, "fabaserate", 'f'},
    {44, "cgoods", 't'},     {45, "iquantity", 'i'}, {46, "iprice", 'i'},    {47, "cpacking", 't'},
    {48, "ctransnote", 't'}, {49, "idvalue", 'i'},   {50, "iivalue", 'i'},   {51, "faget", 'f'},
    {52, "facarry", 'f'},    {53, "fasafe", 'f'},    {54, "fapack", 'f'},    {57, "cmoney", 't'},
    {59, "csunitname", 't'}, {60, "csaddr", 't'},    {61, "csphone", 't'},   {62, "cspostcode", 't'},
    {63, "cscountry", 't'},  {64, "csprovince", 't'}, {65, "cscity", 't'},   {66, "cmark", 't'},
    {67, "cpaydir", 't'},    {68, "corigin", 't'},   {69, "iitem", 'i'},     {71, "nfrom", 'i'},
    {72, "ffweight", 'f'},   {73, "crno", 't'},      {76, "csmsnumber", 't'}, {77, "fgoods", 'f'},
    {79, "ccno", 't'},       {80, "cdepart", 't'},   {81, "csemail", 't'},   {82, "cremail", 't'},
    {83, "crsms", 't'},      {84, "creserve", 't'},  {91, "cby1", 't'},      {92, "cby2", 't'},
    {93, "cby3", 't'},       {94, "cby4", 't'},      {95, "cby5", 't'},      {96, "icubic", 'i'},
    {97, "cgoodsa", 't'},    {98, "cgcodea", 't'},   {99, "cgcodeb", 't'},   {100, "cgcodec", 't'},
    {101, "fgcustom", 'f'},  {102, "fgcrate", 'f'},  {103, "facheck", 'f'},  {104, "faremote", 'f'},
    {105, "faby", 'f'},      {106, "fdiscount", 'f'}, {108, "csidcard", 't'}, {109, "cridcard", 't'},
    {110, "fgweight", 'f'},  {111, "cemskind", 't'}};
constexpr int kModPartArguments = 111;

ProcResult ModPart(ProcContext& ctx, const std::vector<ProcArg>& a) {
  const int64_t id = a[0].AsInt();
  Statement row(ctx.db.Handle(), "SELECT icid FROM client_rec WHERE irid=?");
  row.Bind(1, id);
  if (!row.Step()) return Result(-10);
  if (!StationAllows(ctx.db, ctx.session, row.Column(0).AsInt())) return Result(-2);
  std::vector<std::string> names;
  std::vector<DbValue> values;
  for (const ArgColumn& ac : kModPartColumns) {
    names.emplace_back(ac.column);
    values.push_back(WaybillArgValue(a[static_cast<size_t>(ac.number - 1)], ac.kind));
  }
  auto text = [&](const char* column) {
    for (size_t k = 0; k < names.size(); ++k)
      if (names[k] == column) return values[k].s;
    return std::string();
  };
  if (ctx.db.Scalar("SELECT count(*) FROM ziz_kind WHERE cemskind=?",
                    {DbValue::OfText(text("cemskind"))}).AsInt() == 0)
    return Result(-6);
  if (int64_t taken = WaybillNumberTaken(ctx.db, text("cnum"), text("cserviceno"), id))
    return Result(taken);
  UpdateWaybillRow(ctx, id, names, values);
  return Result(id);
}

// (?, id, user name, station flag).
ProcResult Delete(ProcContext& ctx, const std::vector<ProcArg>& a) {
  ProcResult out;
  out.outputs.push_back(DbValue::OfText(""));
  out.returnValue = DeleteWaybillRow(ctx, a[1].AsInt(), a[3].AsInt() != 0);
  return out;
}

}  // namespace

void RegisterWaybillFormProcedures(ProcedureRegistry& registry) {
  registry.Add("cp_client_rec_mod_part", kModPartArguments, kModPartArguments, ModPart);
  registry.Add("cp_client_rec_del", 4, 4, Delete);
}

}  // namespace localserver
