// System procedures: the system log and the password change.
#include <ctime>

#include "localserver/PasswordScramble.h"
#include "localserver/ProcHelpers.h"
#include "localserver/Procedures.h"
#include "localserver/Wire.h"

namespace localserver {

namespace {

// {CALL cp_sys_log_add('kind','user','text',n1,n2)}
ProcResult SysLogAdd(ProcContext& ctx, const std::vector<ProcArg>& a) {
  Statement st(ctx.db.Handle(),
               "INSERT INTO sys_log(ckind,cuser,ctext,inum1,inum2,caccount,ilogid,ddate) "
               "VALUES(?,?,?,?,?,?,?,?)");
  st.Bind(1, a[0].AsText()).Bind(2, a[1].AsText()).Bind(3, a[2].AsText());
  st.Bind(4, a[3].AsInt()).Bind(5, a[4].AsInt());
  st.Bind(6, ctx.session.account).Bind(7, ctx.session.logId);
  st.Bind(8, NowText());
  st.Step();
  ProcResult r;
  r.returnValue = ctx.db.LastInsertId();
  return r;
}

// {?=CALL cp_man_main_mod_password('account','<character form>','',0x<64 bytes>)}
// Results: 0 changed; -1 unknown account; -2 password refused (malformed,
// the two forms disagree, empty, longer than 30 bytes or not GBK); -3 the
// caller may not change that account.
ProcResult ManMainModPassword(ProcContext& ctx, const std::vector<ProcArg>& a) {
  ProcResult r;
  const std::string& account = a[0].AsText();
  if (a[1].kind != ProcArg::Text || a[3].kind != ProcArg::Binary)
    throw ProcArgError("cp_man_main_mod_password: text, text, text, bytes expected");
  if (account != ctx.session.account && ctx.session.grade < 128) {
    r.returnValue = -3;
    return r;
  }
  if (ctx.db.Scalar("SELECT count(*) FROM man_main WHERE mcaccount=?",
                    {DbValue::OfText(account)}).AsInt() == 0) {
    r.returnValue = -1;
    return r;
  }
  std::string fromHex, fromChars, utf8;
  if (!RecoverPasswordFromHex(HexEncode(a[3].raw), 0x0B, fromHex) ||
      !UnscramblePasswordChars(a[1].raw, fromChars) || fromHex != fromChars ||
      fromHex.empty() || fromHex.size() > 30 || !Utf8FromGbk(fromHex, utf8)) {
    r.returnValue = -2;
    return r;
  }
  Statement st(ctx.db.Handle(), "UPDATE man_main SET mcpassword=? WHERE mcaccount=?");
  st.Bind(1, utf8).Bind(2, account);
  st.Step();
  r.returnValue = 0;
  return r;
}

}  // namespace

void RegisterSystemProcedures(ProcedureRegistry& registry) {
  registry.Add("cp_sys_log_add", 5, 5, SysLogAdd);
  registry.Add("cp_man_main_mod_password", 4, 4, ManMainModPassword);
}

}  // namespace localserver
