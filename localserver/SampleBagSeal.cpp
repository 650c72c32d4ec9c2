// Sample data of bag sealing (ids 38000 to 38999, bag numbers "BS38..." and
// "AB-12"), loaded by the sealing tests and benchmark into their own
// stand-in's database (LoadSampleBagSeal) rather than into every new
// database: its waybills and bags would change the recent lists and totals
// that other screens' tests read.  Dates are relative to the day the rows
// are loaded, so the bag list's 180-day window always holds the same rows.
//  - waybills 38001 to 38014 (customer 1, payment way 2, no amount): one
//    piece with dimensions (clwh), two pieces with piece rows (one with
//    dimensions, one without dimensions or weight), and one-piece waybills;
//  - bags: 38001 "AB-12" the administrator's open bag of three items;
//    38002 open without items; 38003 sealed (state 1); 38004 open with an
//    item, created 200 days ago; 38005 王五's exclusive open bag; 38006 open
//    but on master air waybill 999-38383838; 38007 sealed and on it;
//    38008 at state 3 on it, its item in client_rec_xbag_item_u; 38009
//    王五's station bag (share 1); 38011 to 38014 open bags of one item each
//    for quick sealing;
//  - master air waybill 999-38383838.
#include "localserver/Database.h"

namespace localserver {

namespace {

const char* kBagSealSql = R"SQL(
INSERT INTO client_rec(irid,icid,cnum,cserviceno,iitem,fweight,fweights,cemskind,cdes,caddr,cgoods,
  cmoney,idvalue,cpaydir,ddate,dsysdate,cmark,cmemo,ccity,clwh,cawb,creserve,ngstate,ccode,famount,
  npayway,bpay,ifid,nstate,cinput,ixbag,iquantity,iprice) VALUES
 (38001,1,'BS-W38001','SV38001',1,5,5,'ZIZ国际','JFK','纽约第五大道38号','衣服','USD',5000,'PP',
  '2024-06-01 10:00:00','2024-06-01 10:00:00','','封袋样例','纽约','40*30*20','','',0,'',0,2,0,0,0,'管理员',1,0,0),
 (38002,1,'BS-W38002','SV38002',2,6,6,'ZIZ国际','JFK','纽约百老汇38号','电子','USD',8000,'PP',
  '2024-06-01 10:00:00','2024-06-01 10:00:00','','','纽约','','','',0,'',0,2,0,0,0,'管理员',2,0,0),
 (38003,1,'BS-W38003','SV38003',1,2,2,'ZIZ国际','JFK','纽约38-3号','书','USD',0,'PP',
  '2024-06-01 10:00:00','2024-06-01 10:00:00','','','纽约','','','',0,'',0,2,0,0,0,'管理员',1,0,0),
 (38004,1,'BS-W38004','SV38004',1,1,1,'ZIZ国际','JFK','纽约38-4号','包','USD',0,'PP',
  '2024-06-01 10:00:00','2024-06-01 10:00:00','','','纽约','','','',0,'',0,2,0,0,0,'管理员',1,0,0),
 (38005,1,'BS-W38005','SV38005',1,1.5,1.5,'ZIZ国际','JFK','纽约38-5号','包','USD',0,'PP',
  '2024-06-01 10:00:00','2024-06-01 10:00:00','','','纽约','','','',0,'',0,2,0,0,0,'王五',1,0,0),
 (38006,1,'BS-W38006','SV38006',1,1,1,'ZIZ国际','LAX','洛杉矶38-6号','包','USD',0,'PP',
  '2024-06-01 10:00:00','2024-06-01 10:00:00','','','洛杉矶','','999-38383838','',0,'',0,2,0,0,0,'管理员',1,0,0),
 (38007,1,'BS-W38007','SV38007',1,2.5,2.5,'ZIZ国际','LAX','洛杉矶38-7号','包','USD',0,'PP',
  '2024-06-01 10:00:00','2024-06-01 10:00:00','','','洛杉矶','','999-38383838','',0,'',0,2,0,0,0,'管理员',1,0,0),
 (38008,1,'BS-W38008','SV38008',1,3,3,'ZIZ国际','LAX','洛杉矶38-8号','包','USD',0,'PP',
  '2024-06-01 10:00:00','2024-06-01 10:00:00','','','洛杉矶','','999-38383838','',0,'',0,2,0,0,0,'管理员',1,0,0),
 (38009,1,'BS-W38009','SV38009',1,1,1,'ZIZ国际','JFK','纽约38-9号','包','USD',0,'PP',
  '2024-06-01 10:00:00','2024-06-01 10:00:00','','','纽约','','','',0,'',0,2,0,0,0,'王五',1,0,0),
 (38011,1,'BS-W38011','SV38011',1,1.1,1.1,'ZIZ国际','JFK','纽约38-11号','包','USD',0,'PP',
  '2024-06-01 10:00:00','2024-06-01 10:00:00','','','纽约','','','',0,'',0,2,0,0,0,'管理员',1,0,0),
 (38012,1,'BS-W38012','SV38012',1,1.2,1.2,'ZIZ国际','JFK','纽约38-12号','包','USD',0,'PP',
  '2024-06-01 10:00:00','2024-06-01 10:00:00','','','纽约','','','',0,'',0,2,0,0,0,'管理员',1,0,0),
 (38013,1,'BS-W38013','SV38013',1,1.3,1.3,'ZIZ国际','JFK','纽约38-13号','包','USD',0,'PP',
  '2024-06-01 10:00:00','2024-06-01 10:00:00','','','纽约','','','',0,'',0,2,0,0,0,'管理员',1,0,0),
 (38014,1,'BS-W38014','SV38014',1,1.4,1.4,'ZIZ国际','JFK','纽约38-14号','包','USD',0,'PP',
  '2024-06-01 10:00:00','2024-06-01 10:00:00','','','纽约','','','',0,'',0,2,0,0,0,'管理员',1,0,0);

INSERT INTO client_rec_weight_detail(irid,wpos,ilong,iwidth,iheight,iweight,cno,cnum,cgoods,iquantity,iprice) VALUES
 (38002,1,50,40,30,2000,'PC38002-1','BS-W38002-1','手机',2,1500),
 (38002,2,0,0,0,0,'','','',0,0);

INSERT INTO client_rec_pack(cawb,cairline,cfrom,cdes,ddate,ipcs,itweight,cflightno,dfdate,nstate,ntype,
  cmemo,ctransnote) VALUES
 ('999-38383838','国航','PEK','LAX',datetime('now','localtime','-2 days'),2,5500,'CA983',
  datetime('now','localtime','-1 days'),0,1,'封袋总单','轻放');

INSERT INTO client_rec_xbag(ixid,cxno,cfrom,cdes,cstation,cstationd,cmark,ctype,ctransnote,cmemo,nstate,
  ntype,nshare,corder,chorder,chno,cawb,dsysdate,cinput,iitem,fweight,il,iw,ih,icub,clastmod,dlastmod,
  cby1,cby2,cby3,cby4,cby5,cpack,dpack,caddawb,daddawb,cunpack,dunpack) VALUES
 (38001,'AB-12','PEK','JFK','SZ','BJ','快件','普货','轻放','封袋样例',0,0,0,'1','2','SK380001','',
  datetime('now','localtime','-3 days'),'管理员',3,0,0,0,0,0,'管理员',datetime('now','localtime','-3 days'),
  '备一','备二','','','','','1900-01-01 00:00:00','','1900-01-01 00:00:00','','1900-01-01 00:00:00'),
 (38002,'BS38000002','PEK','JFK','SZ','BJ','','普货','','空袋',0,0,0,'2','','','',
  datetime('now','localtime','-3 days'),'管理员',0,0,0,0,0,0,'管理员',datetime('now','localtime','-3 days'),
  '','','','','','','1900-01-01 00:00:00','','1900-01-01 00:00:00','','1900-01-01 00:00:00'),
 (38003,'BS38000003','PEK','JFK','SZ','BJ','','普货','','已封',1,0,0,'3','','','',
  datetime('now','localtime','-5 days'),'管理员',1,2,30,20,10,6000,'管理员',datetime('now','localtime','-4 days'),
  '','','','','','管理员',datetime('now','localtime','-4 days'),'','1900-01-01 00:00:00','','1900-01-01 00:00:00'),
 (38004,'BS38000004','PEK','JFK','SZ','BJ','','普货','','旧袋',0,0,0,'4','','','',
  datetime('now','localtime','-200 days'),'管理员',1,0,0,0,0,0,'管理员',datetime('now','localtime','-200 days'),
  '','','','','','','1900-01-01 00:00:00','','1900-01-01 00:00:00','','1900-01-01 00:00:00'),
 (38005,'BS38000005','PEK','JFK','GZ','BJ','','普货','','王五独占',0,0,0,'5','','','',
  datetime('now','localtime','-3 days'),'王五',1,0,0,0,0,0,'王五',datetime('now','localtime','-3 days'),
  '','','','','','','1900-01-01 00:00:00','','1900-01-01 00:00:00','','1900-01-01 00:00:00'),
 (38006,'BS38000006','SZX','LAX','SZ','GZ','','普货','','在总单上',0,0,0,'6','','','999-38383838',
  datetime('now','localtime','-3 days'),'管理员',1,0,0,0,0,0,'管理员',datetime('now','localtime','-3 days'),
  '','','','','','','1900-01-01 00:00:00','王五',datetime('now','localtime','-2 days'),'','1900-01-01 00:00:00'),
 (38007,'BS38000007','SZX','LAX','SZ','GZ','快件','普货','易碎','封袋配载',1,0,0,'7','1','SK380007',
  '999-38383838',datetime('now','localtime','-6 days'),'管理员',1,2.5,40,30,20,24000,'王五',
  datetime('now','localtime','-2 days'),'备一','','','','','管理员',datetime('now','localtime','-5 days'),
  '王五',datetime('now','localtime','-2 days'),'','1900-01-01 00:00:00'),
 (38008,'BS38000008','SZX','LAX','SZ','GZ','','普货','','状态三',3,0,0,'8','','','999-38383838',
  datetime('now','localtime','-7 days'),'管理员',1,3,0,0,0,0,'王五',datetime('now','localtime','-2 days'),
  '','','','','','管理员',datetime('now','localtime','-6 days'),'王五',datetime('now','localtime','-2 days'),
  '','1900-01-01 00:00:00'),
 (38009,'BS38000009','PEK','JFK','GZ','BJ','','普货','','王五站内',0,0,1,'9','','','',
  datetime('now','localtime','-3 days'),'王五',1,0,0,0,0,0,'王五',datetime('now','localtime','-3 days'),
  '','','','','','','1900-01-01 00:00:00','','1900-01-01 00:00:00','','1900-01-01 00:00:00'),
 (38011,'BS38000011','PEK','JFK','SZ','BJ','','普货','','快封一',0,0,0,'11','','','',
  datetime('now','localtime','-1 days'),'管理员',1,0,0,0,0,0,'管理员',datetime('now','localtime','-1 days'),
  '','','','','','','1900-01-01 00:00:00','','1900-01-01 00:00:00','','1900-01-01 00:00:00'),
 (38012,'BS38000012','PEK','JFK','SZ','BJ','','普货','','快封二',0,0,0,'12','','','',
  datetime('now','localtime','-1 days'),'管理员',1,0,0,0,0,0,'管理员',datetime('now','localtime','-1 days'),
  '','','','','','','1900-01-01 00:00:00','','1900-01-01 00:00:00','','1900-01-01 00:00:00'),
 (38013,'BS38000013','PEK','JFK','SZ','BJ','','普货','','快封三',0,0,0,'13','','','',
  datetime('now','localtime','-1 days'),'管理员',1,0,0,0,0,0,'管理员',datetime('now','localtime','-1 days'),
  '','','','','','','1900-01-01 00:00:00','','1900-01-01 00:00:00','','1900-01-01 00:00:00'),
 (38014,'BS38000014','PEK','JFK','SZ','BJ','','普货','','快封四',0,0,0,'14','','','',
  datetime('now','localtime','-1 days'),'管理员',1,0,0,0,0,0,'管理员',datetime('now','localtime','-1 days'),
  '','','','','','','1900-01-01 00:00:00','','1900-01-01 00:00:00','','1900-01-01 00:00:00');

INSERT INTO client_rec_xbag_item(ixid,irid,wpos,cinput,ddate) VALUES
 (38001,38001,1,'管理员','2024-06-02 10:00:00'),
 (38001,38002,1,'管理员','2024-06-02 10:01:00'),
 (38001,38002,2,'管理员','2024-06-02 10:02:00'),
 (38003,38003,1,'管理员','2024-06-02 10:03:00'),
 (38004,38004,1,'管理员','2024-06-02 10:04:00'),
 (38005,38005,1,'王五','2024-06-02 10:05:00'),
 (38006,38006,1,'管理员','2024-06-02 10:06:00'),
 (38007,38007,1,'管理员','2024-06-02 10:07:00'),
 (38009,38009,1,'王五','2024-06-02 10:09:00'),
 (38011,38011,1,'管理员','2024-06-02 10:11:00'),
 (38012,38012,1,'管理员','2024-06-02 10:12:00'),
 (38013,38013,1,'管理员','2024-06-02 10:13:00'),
 (38014,38014,1,'管理员','2024-06-02 10:14:00');
INSERT INTO client_rec_xbag_item_u(ixid,irid,wpos,cinput,ddate) VALUES
 (38008,38008,1,'管理员','2024-06-02 10:08:00');
)SQL";

}  // namespace

void LoadSampleBagSeal(Database& db) { db.Exec(kBagSealSql); }

}  // namespace localserver
