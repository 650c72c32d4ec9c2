// Master air waybills of the audit desk: the state save of the status
// panel, the transit save of the transit editor and the fee apportionment
// of the list page.  The rules are in README.md ("Master air waybill
// state, transit and fee apportionment").
#include <cstdio>
#include <string>
#include <vector>

#include "localserver/ProcHelpers.h"
#include "localserver/Procedures.h"

namespace localserver {

namespace {

// "2024.05.06 12:30:00", "2024.5.6" or with dashes as the stored date-time;
// anything unreadable is the empty date.
std::string TakeOffValue(const std::string& text) {
  int y = 1900, m = 1, d = 1, hh = 0, mm = 0, ss = 0;
  const int read = std::sscanf(text.c_str(), "%d%*[./-]%d%*[./-]%d %d:%d:%d", &y, &m, &d, &hh, &mm, &ss);
  if (read < 3 || y < 1900 || m < 1 || m > 12 || d < 1 || d > 31 || hh < 0 || hh > 23 || mm < 0 ||
      mm > 59 || ss < 0 || ss > 59)
    return "1900-01-01 00:00:00";
  char out[32];
  std::snprintf(out, sizeof out, "%04d-%02d-%02d %02d:%02d:%02d", y, m, d, hh, mm, ss);
  return out;
}

// Whether a master air waybill of the number is listed (ntype 0 or 1).
bool AwbListed(ProcContext& ctx, const std::string& number) {
  if (number.empty()) return false;
  return ctx.db.Scalar("SELECT COUNT(*) FROM client_rec_pack WHERE cawb=? AND ntype IN(0,1)",
                       {DbValue::OfText(number)})
             .AsInt() > 0;
}

// {?=CALL cp_client_rec_pack_status(state,'cawb')}: 0 the state is stored;
// -1 a state outside 0..2; -2 no such master air waybill (an empty number
// too).
ProcResult RecPackStatus(ProcContext& ctx, const std::vector<ProcArg>& a) {
  const int64_t state = a[0].AsInt();
  const std::string& number = a[1].AsText();
  if (!AwbListed(ctx, number)) return Result(-2);
  if (state < 0 || state > 2) return Result(-1);
  Statement st(ctx.db.Handle(), "UPDATE client_rec_pack SET nstate=? WHERE cawb=? AND ntype IN(0,1)");
  st.Bind(1, DbValue::Of(state)).Bind(2, number);
  st.Step();
  return Result(0);
}

// {?=CALL cp_client_rec_pack_track_ex(state,'dfdate','cawb','flight',1,
// then per step 'date','detail','English detail','place','English place')}
// (30 arguments): 0 stored; -1 a state outside 0..2; -2 no such master air
// waybill (an empty number too).
ProcResult RecPackTrackEx(ProcContext& ctx, const std::vector<ProcArg>& a) {
  const int64_t state = a[0].AsInt();
  const std::string& number = a[2].AsText();
  if (!AwbListed(ctx, number)) return Result(-2);
  if (state < 0 || state > 2) return Result(-1);
  std::string sql = "UPDATE client_rec_pack SET nstate=?,dfdate=?,cflightno=?";
  static const char* kStepColumns[5] = {"cd", "cc", "ce", "ccp", "cep"};
  for (int step = 1; step <= 5; ++step)
    for (const char* column : kStepColumns) sql += std::string(",") + column + std::to_string(step) + "=?";
  Statement st(ctx.db.Handle(), sql + " WHERE cawb=? AND ntype IN(0,1)");
  int at = 1;
  st.Bind(at++, DbValue::Of(state));
  st.Bind(at++, TakeOffValue(a[1].AsText()));
  st.Bind(at++, a[3].AsText());
  for (size_t k = 5; k < 30; ++k) st.Bind(at++, a[k].AsText());
  st.Bind(at, number);
  st.Step();
  return Result(0);
}

// {?=CALL cp_a_awb_fee_apportion('cawb')}: how many waybills lie in the
// bags on the master air waybill (0 without any); -2 no such master air
// waybill (an empty number too).
ProcResult AwbFeeApportion(ProcContext& ctx, const std::vector<ProcArg>& a) {
  const std::string& number = a[0].AsText();
  if (!AwbListed(ctx, number)) return Result(-2);
  const DbValue count = ctx.db.Scalar(
      "SELECT COUNT(*) FROM client_rec_xbag_item AS i INNER JOIN client_rec_xbag AS b "
      "ON(i.ixid=b.ixid) WHERE b.cawb=?",
      {DbValue::OfText(number)});
  return Result(count.AsInt());
}

}  // namespace

void RegisterAwbStatusProcedures(ProcedureRegistry& registry) {
  registry.Add("cp_client_rec_pack_status", 2, 2, RecPackStatus);
  registry.Add("cp_client_rec_pack_track_ex", 30, 30, RecPackTrackEx);
  registry.Add("cp_a_awb_fee_apportion", 1, 1, AwbFeeApportion);
}

}  // namespace localserver
