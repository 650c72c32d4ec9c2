// Sample data of bags on master air waybills (ids 74000 to 74999, bags
// above 1,000,000,000 too; numbers "740-...", "BA74...", "AW74..."),
// loaded by the tests of page 12's bag and parcel lists into their own
// stand-in's database (LoadSampleAwbBags) rather than into every new
// database: its waybills would change the counts that other screens' tests
// take of the whole waybill table.
//  - master air waybills 740-74000001 (state 0, to LAX, with bags in
//    states 2, 1 and 3), 740-74000002 (state 0, to LAX, empty: bags go on
//    here), 740-74000003 (state 1, one bag);
//  - bags 74001 (state 2: one-piece waybills with dimension texts of 4 and
//    5 characters, a three-piece waybill with piece rows with and without
//    dimensions, two of the three pieces of a waybill without piece rows
//    declared at 1000 hundredths), 74002 (state 1, one waybill), 74003
//    (state 3, its items in client_rec_xbag_item_u: the third piece of the
//    three-piece waybill and one more), 74005 (on the state-1 master air
//    waybill), 74006 (open);
//  - sealed bags on no master air waybill, made three days before the
//    database: 1000074001 to 1000074008 to LAX with one waybill each,
//    1000074009 to NRT, 1000074012 to LAX without items;
//  - the bag number BA74999999 is nobody's.
// client_rec.ixbag and client_rec_xbag.iitem count the item rows of both
// item tables.  The waybills are paid (bpay 1) and of no amount.
#include "localserver/Database.h"

namespace localserver {

namespace {

const char* kAwbBagsSql = R"SQL(
INSERT INTO client_rec_pack(cawb,cairline,cfrom,cdes,ddate,ipcs,iweight,itweight,ffreight,nstate,
  cinput,ntype,cflightno,dfdate,detd,deta,dcdate,dfdate2) VALUES
 ('740-74000001','航线七二','PVG','LAX','2024-06-01 08:00:00',0,0,30000,0,0,'admin',1,'QS720',
  '2024-06-02 23:10:00','1900-01-01 00:00:00','1900-01-01 00:00:00','1900-01-01 00:00:00','1900-01-01 00:00:00'),
 ('740-74000002','航线七二','PVG','LAX','2024-06-01 08:00:00',0,0,0,0,0,'admin',1,'QS720',
  '2024-06-02 23:10:00','1900-01-01 00:00:00','1900-01-01 00:00:00','1900-01-01 00:00:00','1900-01-01 00:00:00'),
 ('740-74000003','航线七二','PVG','LAX','2024-06-01 08:00:00',1,1000,1000,0,1,'admin',1,'QS720',
  '2024-06-02 23:10:00','1900-01-01 00:00:00','1900-01-01 00:00:00','1900-01-01 00:00:00','1900-01-01 00:00:00');

INSERT INTO client_rec(irid,icid,cnum,cserviceno,iitem,fweight,fweights,cemskind,cdes,caddr,cgoods,
  cmoney,idvalue,cpaydir,ddate,dsysdate,cmark,cmemo,ccity,clwh,cawb,ngstate,famount,npayway,bpay,
  ifid,nstate,cinput,ixbag,iquantity,iprice,ccno,crno) VALUES
 (74001,1,'AW74000001','SV74000001',1,2.5,2.5,'ZIZ国际','LAX','洛杉矶一号','衣服','USD',500,'PP',
  '2024-06-01 10:00:00','2024-06-01 10:00:00','','','洛杉矶','10*9','',0,0,2,1,0,0,'管理员',1,0,0,'CN74001','RF74001'),
 (74002,1,'AW74000002','SV74000002',1,0.05,0.05,'ZIZ国际','LAX','洛杉矶二号','书','USD',0,'PP',
  '2024-06-01 10:00:00','2024-06-01 10:00:00','','','洛杉矶','9*9*9','',0,0,2,1,0,0,'管理员',1,0,0,'',''),
 (74003,1,'AW74000003','SV74000003',3,8.5,8.5,'ZIZ国际','LAX','洛杉矶三号','电子','USD',1200,'PP',
  '2024-06-01 10:00:00','2024-06-01 10:00:00','','','洛杉矶','60*50*40','',0,0,2,1,0,0,'管理员',3,0,0,'',''),
 (74004,1,'AW74000004','SV74000004',3,9,9,'ZIZ国际','LAX','洛杉矶四号','鞋','USD',1000,'PP',
  '2024-06-01 10:00:00','2024-06-01 10:00:00','','','洛杉矶','','',0,0,2,1,0,0,'管理员',2,0,0,'',''),
 (74005,1,'AW74000005','SV74000005',1,1.2,1.2,'ZIZ国际','LAX','洛杉矶五号','包','USD',0,'PP',
  '2024-06-01 10:00:00','2024-06-01 10:00:00','','','洛杉矶','','',0,0,2,1,0,0,'管理员',1,0,0,'',''),
 (74006,1,'AW74000006','SV74000006',1,2,2,'ZIZ国际','LAX','洛杉矶六号','茶','USD',0,'PP',
  '2024-06-01 10:00:00','2024-06-01 10:00:00','','','洛杉矶','','',0,0,2,1,0,0,'管理员',1,0,0,'',''),
 (74007,1,'AW74000007','SV74000007',1,1,1,'ZIZ国际','LAX','洛杉矶七号','包','USD',0,'PP',
  '2024-06-01 10:00:00','2024-06-01 10:00:00','','','洛杉矶','','',0,0,2,1,0,0,'管理员',1,0,0,'','');

INSERT INTO client_rec_weight_detail(irid,wpos,ilong,iwidth,iheight,iweight,cno,cgoods,iquantity,
  iprice,cnum) VALUES
 (74003,1,60,50,40,5000,'AW74000003-1','主机',2,150,''),
 (74003,2,10,10,10,2000,'','',0,0,'AW74000003-2'),
 (74003,3,0,0,0,1500,'','',0,0,'');

INSERT INTO client_rec_xbag(ixid,cxno,cfrom,cdes,cstation,nstate,ntype,nshare,cawb,caddawb,daddawb,
  dsysdate,cinput,iitem,fweight,corder,chno,chorder,cby4,cmemo) VALUES
 (74001,'BA74000001','PVG','LAX','SZ',2,0,0,'740-74000001','admin','2024-06-02 08:00:00',
  '2024-06-01 12:00:00','admin',6,15.55,'','','','备四','第一袋'),
 (74002,'BA74000002','PVG','LAX','SZ',1,0,0,'740-74000001','admin','2024-06-02 09:00:00',
  '2024-06-01 12:00:00','admin',1,1.2,'','','','',''),
 (74003,'BA74000003','PVG','LAX','SZ',3,0,0,'740-74000001','admin','2024-06-02 07:00:00',
  '2024-06-01 12:00:00','admin',2,3.5,'','','','',''),
 (74005,'BA74000005','PVG','LAX','SZ',2,0,0,'740-74000003','admin','2024-06-02 08:00:00',
  '2024-06-01 12:00:00','admin',1,1.0,'','','','',''),
 (74006,'BA74000006','PVG','LAX','SZ',0,0,0,'','',NULL,'2024-06-01 12:00:00','admin',0,0,'','','','','');

INSERT INTO client_rec_xbag_item(ixid,irid,wpos,cinput,ddate) VALUES
 (74001,74001,1,'admin','2024-06-01 12:01:00'),
 (74001,74002,1,'admin','2024-06-01 12:02:00'),
 (74001,74003,1,'admin','2024-06-01 12:03:00'),
 (74001,74003,2,'admin','2024-06-01 12:04:00'),
 (74001,74004,1,'admin','2024-06-01 12:05:00'),
 (74001,74004,2,'admin','2024-06-01 12:06:00'),
 (74002,74005,1,'admin','2024-06-01 12:07:00'),
 (74005,74007,1,'admin','2024-06-01 12:08:00');

INSERT INTO client_rec_xbag_item_u(ixid,irid,wpos,cinput,ddate) VALUES
 (74003,74003,3,'admin','2024-06-01 12:09:00'),
 (74003,74006,1,'admin','2024-06-01 12:10:00');
)SQL";

}  // namespace

void LoadSampleAwbBags(Database& db) {
  db.Exec(kAwbBagsSql);
  // The sealed bags on no master air waybill, each with a one-piece
  // waybill of 1 kg (1000074009 to NRT; 1000074012 without items).
  std::string sql;
  for (int n = 1; n <= 12; ++n) {
    if (n == 10 || n == 11) continue;
    const std::string id = std::to_string(1000074000 + n);
    const std::string no = std::to_string(74100000 + n);
    const bool items = n != 12;
    sql += "INSERT INTO client_rec_xbag(ixid,cxno,cfrom,cdes,cstation,nstate,ntype,nshare,cawb,dsysdate,"
           "cinput,iitem,fweight,corder,chno,chorder,cby4,cmemo) VALUES(" +
           id + ",'BA" + no + "','PVG','" + (n == 9 ? "NRT" : "LAX") +
           "','SZ',1,0,0,'',datetime('now','localtime','-3 days'),'admin'," + (items ? "1,1.0" : "0,0") +
           ",'','','','','');\n";
    if (!items) continue;
    const std::string irid = std::to_string(74100 + n);
    sql += "INSERT INTO client_rec(irid,icid,cnum,cserviceno,iitem,fweight,fweights,cemskind,cdes,caddr,cgoods,"
           "cmoney,idvalue,cpaydir,ddate,dsysdate,cmark,cmemo,ccity,clwh,cawb,ngstate,famount,npayway,bpay,ifid,"
           "nstate,cinput,ixbag,iquantity,iprice,ccno,crno) VALUES(" +
           irid + ",1,'AW" + irid + "','SV" + irid +
           "',1,1,1,'ZIZ国际','LAX','洛杉矶','包','USD',100,'PP','2024-06-01 10:00:00','2024-06-01 10:00:00',"
           "'','','洛杉矶','','',0,0,2,1,0,0,'管理员',1,0,0,'','');\n"
           "INSERT INTO client_rec_xbag_item(ixid,irid,wpos,cinput,ddate) VALUES(" +
           id + "," + irid + ",1,'admin','2024-06-01 12:00:00');\n";
  }
  db.Exec(sql);
}

}  // namespace localserver
