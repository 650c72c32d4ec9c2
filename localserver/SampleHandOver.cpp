// Sample waybills of the hand-over desk.  The main sample already holds
// waybills ready to hand over (state 0: every fourth one) and waybills
// handed over to carrier 1 (states 1 and 2).  Here:
//  - BR10000036 is on hold (ngstate 1): the check refuses it;
//  - three more ready waybills, BR13000001 to BR13000003 (copies of
//    BR10000012, BR10000016 and BR10000020, entered for customer 2), ride on
//    the master air waybill 999-13572468, entered two days before the
//    stand-in started, so the master air waybill send lists them; BR13000002 has no transfer number
//    and BR13000001 and BR13000003 share theirs, so only their internal
//    numbers find them;
//  - dictionary value 39: a scale weight may differ from the waybill's by
//    500 g before the check asks;
//  - a carrier price of UPS深圳 (carrier 4) for UPS waybills.
#include "localserver/Database.h"

namespace localserver {

namespace {

const char* kHandOverSql = R"SQL(
UPDATE client_rec SET ngstate=1 WHERE irid=36;
INSERT INTO client_rec(icid,nitemtype,fweight,famount,cdes,nlanguage,isid,cemskind,fcost,ddate,
  cserviceno,cmname,cinput,fsprice,cmemo,fweights,ctaker,cnum,caddrfrom,creceiver,cunitname,caddr,
  cphone,csender,csunitname,csaddr,csphone,dsysdate,npayway,nstate,iitem,cgoods,iquantity,cawb,
  cpaydir,ccode,cmark,cmoney,idvalue,fweightb,ccountry,ccity,cpostcode,dsenddate,ifid,ixbag)
SELECT 2,nitemtype,fweight,famount,cdes,nlanguage,0,cemskind,fcost,
  datetime('now','localtime','-2 days'), CASE irid WHEN 16 THEN '' ELSE 'SV13-SHARED' END,
  cmname,cinput,fsprice,'',fweights,ctaker,
  printf('BR1300%04d', CASE irid WHEN 12 THEN 1 WHEN 16 THEN 2 ELSE 3 END),
  caddrfrom,creceiver,cunitname,caddr,cphone,csender,csunitname,csaddr,csphone,
  datetime('now','localtime','-2 days'),npayway,0,iitem,cgoods,iquantity,'999-13572468',
  cpaydir,ccode,cmark,cmoney,idvalue,fweightb,ccountry,ccity,cpostcode,'1900-01-01 00:00:00',0,0
FROM client_rec WHERE irid IN (12,16,20) ORDER BY irid;
INSERT INTO sys_dict(dcname,dcvalue,diposition) VALUES ('39','500',0);
INSERT INTO sp_price(isid,cemskind,cdes,nitemtype,ibweight,ieweight,fbase,fperkg,faddon,fcustoms,
  fother,focustom,frate,fsprice,cmethod,cmemo) VALUES
 (4,'UPS','',255,0,70000,55,20,6,1,0,2,1.02,88,'按重量','');
)SQL";

}  // namespace

void LoadSampleHandOver(Database& db) { db.Exec(kHandOverSql); }

}  // namespace localserver
