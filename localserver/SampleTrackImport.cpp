// Sample waybills of the tracking-event and transfer-number imports
// (pages 7 and 6), ids 47701 to 47705, numbers "TK47-...":
//   47701 TK47-0001: no transfer number yet, reference TK47R-0001;
//   47702 TK47-0002: transfer TK47T-0002, reference TK47R-0002;
//   47703 TK47-0003: transfer TK47T-0003 (a number another waybill cannot take);
//   47704 TK47-FULL: every event position of 0-99 and 200-255 taken, in
//         check_detail and in check_detail_en;
//   47705 TK47-0005: service kind IMP75A, for a kind change.
// They belong to customer 47700, which has no customer record, and are
// dated 2019, so that no customer's totals and no recent list count them.
#include "localserver/Database.h"

namespace localserver {

namespace {

const char* kTrackImportSql = R"SQL(
INSERT INTO client_rec(irid,icid,cnum,cserviceno,crno,cemskind,cdes,ddate,dsysdate,nstate,cinput,
  iitem,fweight,famount,bpay,ifid,npayway) VALUES
 (47701,47700,'TK47-0001','','TK47R-0001','IMP75A','LHR','2019-06-01 00:00:00','2019-06-01 09:00:00',0,
  '管理员',1,1.5,0,0,0,0),
 (47702,47700,'TK47-0002','TK47T-0002','TK47R-0002','IMP75A','LHR','2019-06-01 00:00:00',
  '2019-06-01 09:00:00',0,'管理员',1,1.5,0,0,0,0),
 (47703,47700,'TK47-0003','TK47T-0003','','IMP75A','LHR','2019-06-01 00:00:00','2019-06-01 09:00:00',0,
  '管理员',1,1.5,0,0,0,0),
 (47704,47700,'TK47-FULL','TK47T-FULL','TK47R-FULL','IMP75A','LHR','2019-06-01 00:00:00',
  '2019-06-01 09:00:00',0,'管理员',1,1.5,0,0,0,0),
 (47705,47700,'TK47-0005','TK47T-0005','','IMP75A','LHR','2019-06-01 00:00:00','2019-06-01 09:00:00',0,
  '管理员',1,1.5,0,0,0,0);
WITH RECURSIVE p(n) AS (SELECT 0 UNION ALL SELECT n+1 FROM p WHERE n<255)
INSERT INTO check_detail(irid,wpos,npos,cdate,cplace,cinfo,cinput)
 SELECT 47704,n+1,n,'2019-06-02 10:00','深圳','满位','管理员' FROM p WHERE n<100 OR n>=200;
WITH RECURSIVE p(n) AS (SELECT 0 UNION ALL SELECT n+1 FROM p WHERE n<255)
INSERT INTO check_detail_en(irid,wpos,npos,cdate,cplace,cinfo,cinput)
 SELECT 47704,n+1,n,'2019-06-02 10:00','Shenzhen','full','admin' FROM p WHERE n<100 OR n>=200;
)SQL";

}  // namespace

void LoadSampleTrackImport(Database& db) { db.Exec(kTrackImportSql); }

}  // namespace localserver
