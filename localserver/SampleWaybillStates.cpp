// Sample waybills of the entry forms in every state that keeps a stored
// waybill from being edited: besides the payment of BR10000028 (and of every
// seventh waybill) and the states past 0 of the waybills whose number is not
// a multiple of 4, a pickup (BR10000004), an invoice (BR10000008), a query
// (BR10000012, query id 3), a settlement (BR10000016) and a fee settlement
// (BR10000020).  BR10000024 may still be edited.  Also the number series 2
// of the kinds whose second series is 2.
#include "localserver/Database.h"

namespace localserver {

namespace {

const char* kWaybillStatesSql = R"SQL(
UPDATE client_rec SET ipid=1 WHERE cnum='BR10000004';
UPDATE client_rec SET iiid=1 WHERE cnum='BR10000008';
UPDATE client_rec SET iqid=3 WHERE cnum='BR10000012';
UPDATE client_rec SET ifsid=1 WHERE cnum='BR10000016';
UPDATE client_rec SET ifcid=1 WHERE cnum='BR10000020';
INSERT INTO sys_numseries(ckind,cprefix,inext,iwidth) VALUES ('2*','ZN',30000001,8);
)SQL";

}  // namespace

void LoadSampleWaybillStates(Database& db) { db.Exec(kWaybillStatesSql); }

}  // namespace localserver
