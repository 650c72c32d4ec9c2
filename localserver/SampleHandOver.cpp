// Sample waybills of the hand-over desk.  The main sample already holds
// waybills ready to hand over (state 0: every fourth one) and waybills
// handed over to carrier 1 (states 1 and 2).  Here:
//  - BR10000036 is on hold (ngstate 1): the check refuses it;
//  - BR10000012, BR10000016 and BR10000020 ride on the master air waybill
//    999-13572468, entered two days before the stand-in started, so the
//    master air waybill send lists them; BR10000016 has no transfer number
//    and BR10000020 shares its transfer number with BR10000040, so only
//    their internal numbers find them;
//  - dictionary value 39: a scale weight may differ from the waybill's by
//    500 g before the check asks;
//  - a carrier price of UPS深圳 (carrier 4) for UPS waybills.
#include "localserver/Database.h"

namespace localserver {

namespace {

const char* kHandOverSql = R"SQL(
UPDATE client_rec SET ngstate=1 WHERE cnum='BR10000036';
UPDATE client_rec SET cawb='999-13572468', ddate=datetime('now','localtime','-2 days')
  WHERE cnum IN ('BR10000012','BR10000016','BR10000020');
UPDATE client_rec SET cserviceno='' WHERE cnum='BR10000016';
UPDATE client_rec SET cserviceno='SV-SHARED-20' WHERE cnum IN ('BR10000020','BR10000040');
INSERT INTO sys_dict(dcname,dcvalue,diposition) VALUES ('39','500',0);
INSERT INTO sp_price(isid,cemskind,cdes,nitemtype,ibweight,ieweight,fbase,fperkg,faddon,fcustoms,
  fother,focustom,frate,fsprice,cmethod,cmemo) VALUES
 (4,'UPS','',255,0,70000,55,20,6,1,0,2,1.02,88,'按重量','');
)SQL";

}  // namespace

void LoadSampleHandOver(Database& db) { db.Exec(kHandOverSql); }

}  // namespace localserver
