// Tracking procedures: the tracking lines of a waybill (check_detail) and
// its header text, status and sign-off (check_info, client_rec), each in
// a Chinese form and an English one whose tables carry "_en".
//
// Results: add gives the new line id (wpos, from 1 per waybill); mod the
// line id; del 0; info_set 0.  Failures: -1 no such waybill, -2 no such
// line, -3 a position outside 0..255 (or 100..199 for a new line).
#include <string>

#include "localserver/ProcHelpers.h"
#include "localserver/ProcTrackImport.h"
#include "localserver/Procedures.h"
#include "localserver/Wire.h"

namespace localserver {

namespace {

bool WaybillExists(ProcContext& ctx, int64_t irid) {
  return ctx.db.Scalar("SELECT count(*) FROM client_rec WHERE irid=?", {DbValue::Of(irid)})
             .AsInt() > 0;
}

// "yyyy.mm.dd[ hh:mm:ss]" (dots or dashes) as the database keeps dates.
std::string StoredDate(const std::string& text) {
  std::string date = text;
  for (char& c : date)
    if (c == '.' || c == '/') c = '-';
  if (date.size() == 10) date += " 00:00:00";
  if (date.size() == 16) date += ":00";
  if (date.size() > 19) date.resize(19);
  return date;
}

// {?=CALL cp_check_detail[_en]_add(irid,npos,'date','place','detail','user','')}
ProcResult DetailAdd(const std::string& table, ProcContext& ctx, const std::vector<ProcArg>& a) {
  const int64_t irid = a[0].AsInt();
  const int64_t npos = a[1].AsInt();
  if (!WaybillExists(ctx, irid)) return Result(-1);
  if (npos < 0 || npos > 255 || (npos >= 100 && npos <= 199)) return Result(-3);
  const int64_t wpos =
      ctx.db.Scalar("SELECT ifnull(max(wpos),0)+1 FROM " + table + " WHERE irid=?",
                    {DbValue::Of(irid)}).AsInt();
  Statement st(ctx.db.Handle(), "INSERT INTO " + table +
                                    "(irid,wpos,npos,cdate,cplace,cinfo,cinput) "
                                    "VALUES(?,?,?,?,?,?,?)");
  st.Bind(1, irid).Bind(2, wpos).Bind(3, npos).Bind(4, a[2].AsText()).Bind(5, a[3].AsText());
  st.Bind(6, a[4].AsText()).Bind(7, a[5].AsText());
  st.Step();
  return Result(wpos);
}

// {?=CALL cp_check_detail[_en]_mod(irid,wpos,npos,'date','place','detail','user','')}
ProcResult DetailMod(const std::string& table, ProcContext& ctx, const std::vector<ProcArg>& a) {
  const int64_t irid = a[0].AsInt();
  const int64_t wpos = a[1].AsInt();
  const int64_t npos = a[2].AsInt();
  if (!WaybillExists(ctx, irid)) return Result(-1);
  if (ctx.db.Scalar("SELECT count(*) FROM " + table + " WHERE irid=? AND wpos=?",
                    {DbValue::Of(irid), DbValue::Of(wpos)}).AsInt() == 0)
    return Result(-2);
  if (npos < 0 || npos > 255) return Result(-3);
  Statement st(ctx.db.Handle(), "UPDATE " + table +
                                    " SET npos=?,cdate=?,cplace=?,cinfo=?,cinput=? "
                                    "WHERE irid=? AND wpos=?");
  st.Bind(1, npos).Bind(2, a[3].AsText()).Bind(3, a[4].AsText()).Bind(4, a[5].AsText());
  st.Bind(5, a[6].AsText()).Bind(6, irid).Bind(7, wpos);
  st.Step();
  return Result(wpos);
}

// {?=CALL cp_check_detail[_en]_del(irid,wpos)}
ProcResult DetailDel(const std::string& table, ProcContext& ctx, const std::vector<ProcArg>& a) {
  const int64_t irid = a[0].AsInt();
  const int64_t wpos = a[1].AsInt();
  if (!WaybillExists(ctx, irid)) return Result(-1);
  Statement st(ctx.db.Handle(), "DELETE FROM " + table + " WHERE irid=? AND wpos=?");
  st.Bind(1, irid).Bind(2, wpos);
  st.Step();
  if (ctx.db.Scalar("SELECT changes()").AsInt() == 0) return Result(-2);
  return Result(0);
}

// {?=CALL cp_check_info[_en]_set(irid,state,'header','signed by','delivery date',state)}
ProcResult InfoSet(const std::string& table, ProcContext& ctx, const std::vector<ProcArg>& a) {
  const int64_t irid = a[0].AsInt();
  const int64_t state = a[1].AsInt();
  if (!WaybillExists(ctx, irid)) return Result(-1);
  if (state < 0 || state > 10) return Result(-3);
  Statement remove(ctx.db.Handle(), "DELETE FROM " + table + " WHERE irid=?");
  remove.Bind(1, irid);
  remove.Step();
  Statement insert(ctx.db.Handle(), "INSERT INTO " + table + "(irid,cinfo) VALUES(?,?)");
  insert.Bind(1, irid).Bind(2, a[2].AsText());
  insert.Step();
  Statement rec(ctx.db.Handle(), "UPDATE client_rec SET nstate=?,csign=?,dadate=? WHERE irid=?");
  rec.Bind(1, state).Bind(2, a[3].AsText()).Bind(3, StoredDate(a[4].AsText())).Bind(4, irid);
  rec.Step();
  return Result(0);
}

using TableProc = ProcResult (*)(const std::string& table, ProcContext&,
                                 const std::vector<ProcArg>&);

// The procedure `fn` working on `table`.
ProcFn OnTable(TableProc fn, std::string table) {
  return [fn, table](ProcContext& c, const std::vector<ProcArg>& a) { return fn(table, c, a); };
}

}  // namespace

void RegisterTrackingProcedures(ProcedureRegistry& registry) {
  for (const std::string suffix : {"", "_en"}) {
    const std::string detail = "check_detail" + suffix;
    registry.Add("cp_check_detail" + suffix + "_add", 7, 7, OnTable(DetailAdd, detail));
    registry.Add("cp_check_detail" + suffix + "_mod", 8, 8, OnTable(DetailMod, detail));
    registry.Add("cp_check_detail" + suffix + "_del", 2, 2, OnTable(DetailDel, detail));
    registry.Add("cp_check_info" + suffix + "_set", 6, 6,
                 OnTable(InfoSet, "check_info" + suffix));
    // The workbook imports of pages 7 and 6 (ProcTrackImport.cpp).
    registry.Add("cp_check_detail" + suffix + "_add_excel", 9, 9, OnTable(TrackImportAdd, detail));
    registry.Add("cp_check_detail" + suffix + "_add_excel_no", 11, 11,
                 OnTable(TransferImportAdd, detail));
    registry.Add("cp_check_detail" + suffix + "_add_excel_no_r", 12, 12,
                 OnTable(TransferImportAdd, detail));
  }
}

}  // namespace localserver
