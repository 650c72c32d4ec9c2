// Master air waybills: the header save of the loading page's form (new or
// changed) and the delete.  The rules are in README.md ("Master air waybill
// procedures").
#include <cstdio>
#include <string>
#include <vector>

#include "localserver/ProcHelpers.h"
#include "localserver/Procedures.h"

namespace localserver {

namespace {

// "2024.05.06 12:30:00", "2024.5.6" or with dashes as the stored date-time;
// anything unreadable is the empty date.
std::string AwbDateValue(const std::string& text) {
  int y = 1900, m = 1, d = 1, hh = 0, mm = 0, ss = 0;
  const int read = std::sscanf(text.c_str(), "%d%*[./-]%d%*[./-]%d %d:%d:%d", &y, &m, &d, &hh, &mm, &ss);
  if (read < 3 || y < 1900 || m < 1 || m > 12 || d < 1 || d > 31 || hh < 0 || hh > 23 || mm < 0 ||
      mm > 59 || ss < 0 || ss > 59)
    return "1900-01-01 00:00:00";
  char out[32];
  std::snprintf(out, sizeof out, "%04d-%02d-%02d %02d:%02d:%02d", y, m, d, hh, mm, ss);
  return out;
}

// Whether the acting account has the AWB-edit right (xRight byte 9, 0x20).
bool MayEditAnyState(ProcContext& ctx) {
  const DbValue rights =
      ctx.db.Scalar("SELECT mvright FROM man_main WHERE mcaccount=?", {DbValue::OfText(ctx.session.account)});
  return rights.kind == DbValue::Blob && rights.s.size() > 9 &&
         (static_cast<unsigned char>(rights.s[9]) & 0x20) != 0;
}

// Arguments (from 1) of cp_client_rec_x_pack_set and the columns they set;
// 6, 7 and 8 are grams, 27 goes into fcustin and 28 into fcustout.
struct PackArg {
  int number;
  const char* column;
  char kind;  // t text, i whole number, f real, d date
};
const PackArg kPackArgs[] = {
    {3, "cairline", 't'},   {4, "cfrom", 't'},        {5, "cdes", 't'},        {6, "ipcs", 'i'},
    {7, "iweight", 'i'},    {8, "itweight", 'i'},     {9, "ffreight", 'f'},    {10, "cpacking", 't'},
    {11, "ctransnote", 't'}, {12, "csize", 't'},      {13, "cmemo", 't'},      {14, "cinput", 't'},
    {15, "creceiver", 't'}, {16, "cagent", 't'},      {17, "cphone", 't'},     {18, "cflightno", 't'},
    {19, "dfdate", 'd'},    {20, "cairport", 't'},    {21, "cflightno2", 't'}, {22, "dfdate2", 'd'},
    {23, "cairport2", 't'}, {24, "cothercharge", 't'}, {25, "cmark", 't'},     {26, "cbroker", 't'},
    {27, "fcustin", 'f'},   {28, "fcustout", 'f'},    {29, "fdelivery", 'f'},  {30, "fother", 'f'},
    {31, "detd", 'd'},      {32, "deta", 'd'},        {33, "cccode", 't'},     {34, "dcdate", 'd'},
    {35, "ccno", 't'},      {36, "ctranstype", 't'},  {38, "ctradetype", 't'}, {39, "ntype", 'i'},
    {44, "isfreight", 'i'}, {45, "iscustout", 'i'},   {46, "iscustin", 'i'},   {47, "isdelivery", 'i'},
    {48, "isother", 'i'},   {49, "csname", 't'},      {50, "csaddr", 't'},     {51, "csphone", 't'},
    {52, "cspostcode", 't'}, {53, "nsendway", 'i'},   {54, "iitemi", 'i'},     {55, "iweightg", 'i'},
    {56, "cpaynote", 't'},  {57, "fabase", 'f'},      {58, "faaddon", 'f'},    {59, "fadoc", 'f'},
    {60, "fatruck", 'f'},   {61, "fasafe", 'f'},      {62, "faother", 'f'},    {63, "faprice", 'f'},
    {64, "faaddrate", 'f'}, {65, "nptype", 'i'},      {66, "cpayway", 't'},    {67, "cgtype", 't'},
    {68, "cgoods", 't'}};

// The amount columns and the fee marks that fix them.
struct LockedAmount {
  const char* amount;
  const char* mark;
};
const LockedAmount kLockedAmounts[] = {{"ffreight", "ifreight"},
                                       {"fcustin", "icustout"},
                                       {"fcustout", "icustin"},
                                       {"fdelivery", "idelivery"},
                                       {"fother", "iother"}};

DbValue PackValue(const ProcArg& arg, char kind) {
  switch (kind) {
    case 'i': return DbValue::Of(arg.AsInt());
    case 'f': return DbValue::OfReal(arg.AsReal());
    case 'd': return DbValue::OfText(AwbDateValue(arg.AsText()));
    default: return DbValue::OfText(arg.AsText());
  }
}

// {?=CALL cp_client_rec_x_pack_set(new,'cawb','airline',...)} (68 arguments).
// Results: 0 saved; -1 a new AWB whose number is taken; -2 the AWB to change
// is not there; -4 past state 0 and the account lacks the AWB-edit right;
// -5 the AWB is closed (state 2).
ProcResult RecXPackSet(ProcContext& ctx, const std::vector<ProcArg>& a) {
  const bool isNew = a[0].AsInt() == 1;
  const std::string& number = a[1].AsText();
  if (number.empty()) return Result(-2);
  const DbValue state =
      ctx.db.Scalar("SELECT nstate FROM client_rec_pack WHERE cawb=?", {DbValue::OfText(number)});
  if (isNew) {
    if (state.kind != DbValue::Null) return Result(-1);
  } else {
    const DbValue kind = ctx.db.Scalar("SELECT ntype FROM client_rec_pack WHERE cawb=?",
                                       {DbValue::OfText(number)});
    if (state.kind == DbValue::Null || (kind.AsInt() != 0 && kind.AsInt() != 1)) return Result(-2);
    if (state.AsInt() == 2) return Result(-5);
    if (state.AsInt() != 0 && !MayEditAnyState(ctx)) return Result(-4);
  }
  std::vector<std::string> names;
  std::vector<DbValue> values;
  for (const PackArg& p : kPackArgs) {
    names.push_back(p.column);
    values.push_back(PackValue(a[static_cast<size_t>(p.number - 1)], p.kind));
  }
  if (isNew) {
    std::string sql = "INSERT INTO client_rec_pack(cawb,nstate,ddate,ifreight,icustout,icustin,idelivery,iother";
    std::string marks = ") VALUES(?,0,?,0,0,0,0,0";
    for (const std::string& n : names) {
      sql += "," + n;
      marks += ",?";
    }
    Statement st(ctx.db.Handle(), sql + marks + ")");
    st.Bind(1, number).Bind(2, NowText());
    int at = 3;
    for (const DbValue& v : values) st.Bind(at++, v);
    st.Step();
    return Result(0);
  }
  // An amount whose fee mark is set stays as stored.
  for (const LockedAmount& l : kLockedAmounts) {
    const DbValue mark = ctx.db.Scalar(std::string("SELECT ") + l.mark + " FROM client_rec_pack WHERE cawb=?",
                                       {DbValue::OfText(number)});
    if (mark.AsInt() == 0) continue;
    for (size_t k = 0; k < names.size(); ++k) {
      if (names[k] == l.amount) {
        names.erase(names.begin() + static_cast<std::ptrdiff_t>(k));
        values.erase(values.begin() + static_cast<std::ptrdiff_t>(k));
        break;
      }
    }
  }
  std::string sql = "UPDATE client_rec_pack SET ";
  for (size_t k = 0; k < names.size(); ++k) sql += (k ? "," : "") + names[k] + "=?";
  Statement st(ctx.db.Handle(), sql + " WHERE cawb=?");
  int at = 1;
  for (const DbValue& v : values) st.Bind(at++, v);
  st.Bind(at, number);
  st.Step();
  return Result(0);
}

// {?=CALL cp_client_rec_pack_del('cawb','user')}.  Results: 0 deleted; -2
// no such AWB; -4 bags are loaded on it; -5 past state 0 or a fee mark set.
ProcResult RecPackDel(ProcContext& ctx, const std::vector<ProcArg>& a) {
  const std::string& number = a[0].AsText();
  const DbValue state = ctx.db.Scalar(
      "SELECT nstate FROM client_rec_pack WHERE cawb=? AND ntype IN(0,1)", {DbValue::OfText(number)});
  if (state.kind == DbValue::Null) return Result(-2);
  if (ctx.db.Scalar("SELECT COUNT(*) FROM client_rec_xbag WHERE cawb=?", {DbValue::OfText(number)}).AsInt() > 0)
    return Result(-4);
  const DbValue marks = ctx.db.Scalar(
      "SELECT ifreight<>0 OR icustout<>0 OR icustin<>0 OR idelivery<>0 OR iother<>0 FROM client_rec_pack "
      "WHERE cawb=?",
      {DbValue::OfText(number)});
  if (state.AsInt() != 0 || marks.AsInt() != 0) return Result(-5);
  Statement st(ctx.db.Handle(), "DELETE FROM client_rec_pack WHERE cawb=? AND ntype IN(0,1)");
  st.Bind(1, number);
  st.Step();
  return Result(0);
}

}  // namespace

void RegisterAwbProcedures(ProcedureRegistry& registry) {
  registry.Add("cp_client_rec_x_pack_set", 68, 68, RecXPackSet);
  registry.Add("cp_client_rec_pack_del", 2, 2, RecPackDel);
}

}  // namespace localserver
