// Tracking events and transfer numbers imported from a workbook.
//
// cp_check_detail[_en]_add_excel: the waybill is found by the number kind K
// (0 waybill number cnum, 1 transfer number cserviceno, 2 reference crno;
// the newest waybill when several carry it); the event goes to the first
// free position of the range P starts (0: 0-49, 50: 50-99, 200: 200-255).
// Result: the position taken, output the event id (its row id).  -1 the
// date and time is not "yyyy-mm-dd hh:mm" (dots or slashes too, the time
// optional); -2 no such waybill; -3 P or K outside its values; -4 the range
// is full.
//
// cp_check_detail[_en]_add_excel_no[_r]: the waybill is found by K (0 cnum,
// 1 crno, 2 cserviceno); with mixed matching M = 1 the other two columns
// are tried after it, in the order cnum, crno, cserviceno.  The transfer
// number is stored in cserviceno, the reference (the "_r" form) in crno,
// and with the event flag E = 0 the event goes to the first free position
// of 50-99.  Result: that position, or 0 without an event; output the
// waybill id.  -1 another waybill holds the transfer number; -2 no such
// waybill; -3 K outside 0-2 or the event's date and time not a date; -4 no
// free position in 50-99.  Nothing is written on a refusal.
#include "localserver/ProcTrackImport.h"

#include <regex>

#include "localserver/ProcHelpers.h"

namespace localserver {

namespace {

bool IsEventTime(const std::string& text) {
  static const std::regex pattern(R"(^(\d{4})[-./](\d{1,2})[-./](\d{1,2})( (\d{1,2}):(\d{2}))?$)");
  std::smatch m;
  if (!std::regex_match(text, m, pattern)) return false;
  const int month = std::stoi(m[2]), day = std::stoi(m[3]);
  if (month < 1 || month > 12 || day < 1 || day > 31) return false;
  return !m[4].matched || (std::stoi(m[5]) < 24 && std::stoi(m[6]) < 60);
}

// The newest waybill whose column holds the text; 0 for none.
int64_t FindBy(ProcContext& ctx, const char* column, const std::string& text) {
  if (text.empty()) return 0;
  return ctx.db
      .Scalar(std::string("SELECT ifnull(max(irid),0) FROM client_rec WHERE ") + column + "=?",
              {DbValue::OfText(text)})
      .AsInt();
}

// The first free position of first..last for the waybill; -1 when none.
int64_t FreePosition(ProcContext& ctx, const std::string& table, int64_t irid, int64_t first,
                     int64_t last) {
  for (int64_t n = first; n <= last; ++n)
    if (ctx.db.Scalar("SELECT count(*) FROM " + table + " WHERE irid=? AND npos=?",
                      {DbValue::Of(irid), DbValue::Of(n)})
            .AsInt() == 0)
      return n;
  return -1;
}

int64_t AddEvent(ProcContext& ctx, const std::string& table, int64_t irid, int64_t npos,
                 const std::string& date, const std::string& place, const std::string& text,
                 const std::string& user) {
  const int64_t wpos =
      ctx.db.Scalar("SELECT ifnull(max(wpos),0)+1 FROM " + table + " WHERE irid=?",
                    {DbValue::Of(irid)}).AsInt();
  Statement st(ctx.db.Handle(), "INSERT INTO " + table +
                                    "(irid,wpos,npos,cdate,cplace,cinfo,cinput) VALUES(?,?,?,?,?,?,?)");
  st.Bind(1, irid).Bind(2, wpos).Bind(3, npos).Bind(4, date).Bind(5, place).Bind(6, text).Bind(7, user);
  st.Step();
  return ctx.db.LastInsertId();
}

ProcResult WithOutput(int64_t value, int64_t output) {
  ProcResult r = Result(value);
  r.outputs.push_back(DbValue::Of(output));
  return r;
}

}  // namespace

ProcResult TrackImportAdd(const std::string& table, ProcContext& ctx, const std::vector<ProcArg>& a) {
  const std::string& number = a[1].AsText();
  const std::string& date = a[2].AsText();
  const int64_t start = a[7].AsInt();
  const int64_t kind = a[8].AsInt();
  if ((start != 0 && start != 50 && start != 200) || kind < 0 || kind > 2) return WithOutput(-3, 0);
  const char* columns[] = {"cnum", "cserviceno", "crno"};
  const int64_t irid = FindBy(ctx, columns[kind], number);
  if (irid <= 0) return WithOutput(-2, 0);
  if (!IsEventTime(date)) return WithOutput(-1, 0);
  const int64_t npos = FreePosition(ctx, table, irid, start, start == 200 ? 255 : start + 49);
  if (npos < 0) return WithOutput(-4, 0);
  const int64_t id = AddEvent(ctx, table, irid, npos, date, a[3].AsText(), a[4].AsText(), a[5].AsText());
  return WithOutput(npos, id);
}

ProcResult TransferImportAdd(const std::string& table, ProcContext& ctx, const std::vector<ProcArg>& a) {
  const bool withEvent = a[1].AsInt() == 0;
  const std::string& number = a[2].AsText();
  const std::string& transfer = a[3].AsText();
  const std::string& date = a[4].AsText();
  const int64_t kind = a[9].AsInt();
  const bool mixed = a[10].AsInt() == 1;
  const bool withReference = a.size() > 11;
  if (kind < 0 || kind > 2) return WithOutput(-3, 0);
  const char* columns[] = {"cnum", "crno", "cserviceno"};
  int64_t irid = FindBy(ctx, columns[kind], number);
  for (int k = 0; irid <= 0 && mixed && k < 3; ++k)
    if (k != kind) irid = FindBy(ctx, columns[k], number);
  if (irid <= 0) return WithOutput(-2, 0);
  if (ctx.db.Scalar("SELECT count(*) FROM client_rec WHERE cserviceno=? AND irid<>?",
                    {DbValue::OfText(transfer), DbValue::Of(irid)})
          .AsInt() > 0)
    return WithOutput(-1, irid);
  int64_t npos = 0;
  if (withEvent) {
    if (!IsEventTime(date)) return WithOutput(-3, irid);
    npos = FreePosition(ctx, table, irid, 50, 99);
    if (npos < 0) return WithOutput(-4, irid);
  }
  Statement st(ctx.db.Handle(), "UPDATE client_rec SET cserviceno=? WHERE irid=?");
  st.Bind(1, transfer).Bind(2, irid);
  st.Step();
  if (withReference) {
    Statement ref(ctx.db.Handle(), "UPDATE client_rec SET crno=? WHERE irid=?");
    ref.Bind(1, a[11].AsText()).Bind(2, irid);
    ref.Step();
  }
  if (withEvent) AddEvent(ctx, table, irid, npos, date, a[5].AsText(), a[6].AsText(), a[7].AsText());
  return WithOutput(npos, irid);
}

}  // namespace localserver
