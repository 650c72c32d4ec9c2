// Sample waybills of the entry forms: one for each reason a stored waybill
// can no longer be edited (a payment, pickup, invoice, query, settlement or
// fee-settlement link, and a state past 0), and one that may still be
// edited, with two pieces and two goods lines.  Numbers BRSTATE01 ..
// BRSTATE08, April 2024, customer 1.  Also the number series 2 of the
// kinds whose second series is 2.
#include <string>

#include "localserver/Database.h"

namespace localserver {

namespace {

const char* kWaybillStatesSql = R"SQL(
INSERT INTO client_rec(icid,cnum,cserviceno,cemskind,ddate,dsysdate,cdes,fweight,famount,iitem,
  iquantity,nitemtype,npayway,cinput,creceiver,caddr,cphone,csender,cgoods,cmemo,nstate,
  ifid,ipid,iiid,iqid,ifsid,ifcid) VALUES
 (1,'BRSTATE01','BRSTATE01','ZIZ国际','2024-04-02 00:00:00','2024-04-02 09:00:00','美国',1.5,95,1,1,1,
  0,'张三','John Smith','1 Main St','+1-555-0101','陈先生','服装','已付款',0, 1,0,0,0,0,0),
 (1,'BRSTATE02','BRSTATE02','ZIZ国际','2024-04-02 00:00:00','2024-04-02 09:01:00','美国',1.5,95,1,1,1,
  0,'张三','John Smith','1 Main St','+1-555-0101','陈先生','服装','已取件',0, 0,1,0,0,0,0),
 (1,'BRSTATE03','BRSTATE03','ZIZ国际','2024-04-02 00:00:00','2024-04-02 09:02:00','美国',1.5,95,1,1,1,
  0,'张三','John Smith','1 Main St','+1-555-0101','陈先生','服装','已开票',0, 0,0,1,0,0,0),
 (1,'BRSTATE04','BRSTATE04','ZIZ国际','2024-04-02 00:00:00','2024-04-02 09:03:00','美国',1.5,95,1,1,1,
  0,'张三','John Smith','1 Main St','+1-555-0101','陈先生','服装','已查询',0, 0,0,0,3,0,0),
 (1,'BRSTATE05','BRSTATE05','ZIZ国际','2024-04-02 00:00:00','2024-04-02 09:04:00','美国',1.5,95,1,1,1,
  0,'张三','John Smith','1 Main St','+1-555-0101','陈先生','服装','已结算',0, 0,0,0,0,1,0),
 (1,'BRSTATE06','BRSTATE06','ZIZ国际','2024-04-02 00:00:00','2024-04-02 09:05:00','美国',1.5,95,1,1,1,
  0,'张三','John Smith','1 Main St','+1-555-0101','陈先生','服装','费用已结算',0, 0,0,0,0,0,1),
 (1,'BRSTATE07','BRSTATE07','ZIZ国际','2024-04-02 00:00:00','2024-04-02 09:06:00','美国',1.5,95,1,1,1,
  0,'张三','John Smith','1 Main St','+1-555-0101','陈先生','服装','已交接',1, 0,0,0,0,0,0),
 (1,'BRSTATE08','BRSTATE08','ZIZ国际','2024-04-03 00:00:00','2024-04-03 10:00:00','日本',2.4,120,2,3,1,
  0,'张三','田中太郎','東京都港区1-1','+81-3-0000-0001','陈先生','电子产品','可修改',0, 0,0,0,0,0,0);

INSERT INTO client_rec_weight_detail(irid,wpos,ilong,iwidth,iheight,iweight,npercent,cno,famount,fcost,
  ibag,cgoods,iquantity,iprice,crno,cnum,cgoodsa,cgcodea,cgcodeb,cgcodec,fgcustom,fgcrate)
 SELECT irid,1,30,20,10,1400,100,'BRSTATE08-1',0,0,0,'耳机',2,1500,'R-1','BRSTATE08-1','Headphones',
  '8518300000','','',3,0.13 FROM client_rec WHERE cnum='BRSTATE08'
 UNION ALL
 SELECT irid,2,20,20,10,1000,100,'BRSTATE08-2',0,0,0,'充电器',1,800,'','BRSTATE08-2','Charger',
  '8504403000','','',1,0.13 FROM client_rec WHERE cnum='BRSTATE08';

INSERT INTO client_rec_goods(wpos,irid,cgoods,cunit,iquantity,fprice,cgoodsa,cgcodea,cgcodeb,cgcodec,
  fgcustom,fgcrate,fgweight)
 SELECT 0,irid,'耳机','个',2,15,'Headphones','8518300000','','',3,0.13,0.6 FROM client_rec
  WHERE cnum='BRSTATE08'
 UNION ALL
 SELECT 1,irid,'充电器','个',1,8,'Charger','8504403000','','',1,0.13,0.3 FROM client_rec
  WHERE cnum='BRSTATE08';

INSERT INTO sys_numseries(ckind,cprefix,inext,iwidth) VALUES ('2*','ZN',30000001,8);
)SQL";

}  // namespace

void LoadSampleWaybillStates(Database& db) { db.Exec(kWaybillStatesSql); }

}  // namespace localserver
