// Sample data of the payments page: payments of the customers 1 to 3.
// Customer 1 (station SZ) has a payment that settled its waybill
// BR10000021 and eleven payments without records, so that its payment list
// takes two pages; its other waybills stay unpaid.  The waybills the base
// sample marks as paid by payment 3 are given a payment of their own
// customer (4 for customer 2, 5 for customer 3), so that every settled
// waybill belongs to a payment of its customer.
#include <string>

#include "localserver/Database.h"

namespace localserver {

void LoadSamplePayments(Database& db) {
  db.Exec(R"SQL(
UPDATE client_rec SET ifid=4 WHERE ifid=3 AND icid=2;
UPDATE client_rec SET ifid=5 WHERE ifid=3 AND icid=3;
UPDATE client_rec SET bpay=CASE WHEN ifid>0 THEN 1 ELSE 0 END;

INSERT INTO client_fee(ifid,icid,ntype,ffee,ffeer,fchg,cmoney,dpdate,cinvoice,cdocno,crefno,cmark,
  caccount,cmname,cinput,cauditor,cmemo,npayway,dsysdate,fown) VALUES
 (3,1,0,121,121,121,'CNY','2024-03-25 10:00:00','FP-2403-01','DOC-001','','','6225-0001','张三',
  '张三','admin','三月运费',2,'2024-03-25 10:05:00',0),
 (4,2,0,200,235,200,'CNY','2024-03-28 15:30:00','FP-2403-02','','','部分','','张三','张三','',
  '尚欠35元',0,'2024-03-28 15:31:00',0),
 (5,3,0,249,249,249,'CNY','2024-03-29 09:00:00','','','','','','王五','王五','','',1,
  '2024-03-29 09:02:00',0);

WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM n WHERE x<11)
INSERT INTO client_fee(ifid,icid,ntype,ffee,ffeer,fchg,cmoney,dpdate,cinvoice,cdocno,crefno,cmark,
  caccount,cmname,cinput,cauditor,cmemo,npayway,dsysdate,fown)
SELECT 100 + x, 1, 1, 50 * x + 0.10, 0, CASE WHEN x = 4 THEN 7.70 ELSE 50 * x + 0.10 END,
  CASE WHEN x = 4 THEN 'USD' ELSE 'CNY' END, printf('2024-04-%02d 09:%02d:00', x * 2, x),
  printf('FP-2404-%02d', x), '', printf('REF-%03d', x), CASE WHEN x % 3 = 0 THEN '预付' ELSE '' END,
  '', '张三', '张三', '', CASE WHEN x = 2 THEN 'O''Brien 代付' ELSE '' END, x % 5,
  printf('2024-04-%02d 09:%02d:30', x * 2, x), 0
FROM n;
)SQL");
}

}  // namespace localserver
