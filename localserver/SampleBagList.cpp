// Sample data of the bag list, the unbagged-record picker and the bag
// labels (ids and numbers 71000 to 71999, bag and waybill numbers "BX71..."):
//   - bags of the last days: open with items (71001, 71005, 71006), open
//     without items (71002), sealed (71003); bags created more than 180 days
//     ago, one open (71004) and one sealed (71007);
//   - waybills of customer 1 (station SZ) for the picker: one piece
//     unbagged (71101), three pieces without piece rows (71102), three
//     pieces of which piece 2 lies in bag 71001 (71103), two pieces with
//     piece rows and dimensions (71104), one with a dimension text, a label
//     and a reserve string (71107), one piece fully bagged (71105) and one
//     on a master air waybill (71106); the one-piece waybills 71108 to 71112
//     fill the other bags.  ixbag counts each waybill's bagged pieces;
//   - the airline logo of prefix 999 (file kind "航线标志图", title "999").
// Dates are relative to the day the database is made, so the 60- and
// 180-day windows of the lists always hold the same rows.
#include <fstream>
#include <iterator>
#include <string>

#include "localserver/Database.h"
#include "localserver/Wire.h"

namespace localserver {

namespace {

const char* kBagListSql = R"SQL(
INSERT INTO client_rec(irid,icid,cnum,cserviceno,ddate,dsysdate,cdes,cemskind,iitem,fweights,
  fweight,famount,cawb,ixbag,clwh,cgoods,idvalue,iquantity,iprice,cmark,creserve,ccity,nstate,cinput) VALUES
 (71101,1,'BX71101','SV71101',datetime('now','localtime','-3 days'),datetime('now','localtime','-3 days'),
  '美国','ZIZ国际',1,2.5,2.5,88.0,'',0,'','Tea',3000,0,0,'','','Los Angeles',0,'张三'),
 (71102,1,'BX71102','SV71102',datetime('now','localtime','-3 days'),datetime('now','localtime','-3 days'),
  '美国','ZIZ国际',3,9.0,9.0,88.0,'',0,'','Shoes',9000,0,0,'','','New York',0,'张三'),
 (71103,1,'BX71103','SV71103',datetime('now','localtime','-3 days'),datetime('now','localtime','-3 days'),
  '英国','DHL',3,6.0,6.0,88.0,'',1,'','Books',6000,0,0,'','','London',0,'张三'),
 (71104,1,'BX71104','SV71104',datetime('now','localtime','-2 days'),datetime('now','localtime','-2 days'),
  '日本','ZIZ国际',2,5.0,5.0,88.0,'',0,'','Toys',4000,0,0,'','','Tokyo',0,'张三'),
 (71105,1,'BX71105','SV71105',datetime('now','localtime','-2 days'),datetime('now','localtime','-2 days'),
  '美国','ZIZ国际',1,1.2,1.2,88.0,'',1,'','Tea',1000,0,0,'','','Boston',0,'张三'),
 (71106,1,'BX71106','SV71106',datetime('now','localtime','-2 days'),datetime('now','localtime','-2 days'),
  '美国','ZIZ国际',1,1.8,1.8,88.0,'999-71000011',0,'','Tea',1000,0,0,'','','Boston',0,'张三'),
 (71107,1,'BX71107','SV71107',datetime('now','localtime','-1 days'),datetime('now','localtime','-1 days'),
  '英国','DHL',1,3.0,3.0,88.0,'',0,'40*30*20','Silk',5000,0,0,'XAB7Y','R71 [50%]_x','Leeds',0,'张三'),
 (71108,1,'BX71108','SV71108',datetime('now','localtime','-5 days'),datetime('now','localtime','-5 days'),
  '美国','ZIZ国际',1,2.0,2.0,88.0,'',1,'','Tea',1000,0,0,'','','Denver',0,'张三'),
 (71109,1,'BX71109','SV71109',datetime('now','localtime','-200 days'),datetime('now','localtime','-200 days'),
  '美国','ZIZ国际',1,2.0,2.0,88.0,'',1,'','Tea',1000,0,0,'','','Denver',0,'张三'),
 (71110,1,'BX71110','SV71110',datetime('now','localtime','-4 days'),datetime('now','localtime','-4 days'),
  '美国','ZIZ国际',1,4.0,4.0,88.0,'',1,'','Tea',1000,0,0,'','','Austin',0,'张三'),
 (71111,1,'BX71111','SV71111',datetime('now','localtime','-4 days'),datetime('now','localtime','-4 days'),
  '美国','ZIZ国际',1,3.5,3.5,88.0,'',1,'','Tea',1000,0,0,'','','Austin',0,'张三'),
 (71112,1,'BX71112','SV71112',datetime('now','localtime','-210 days'),datetime('now','localtime','-210 days'),
  '美国','ZIZ国际',1,1.0,1.0,88.0,'',1,'','Tea',1000,0,0,'','','Austin',0,'张三');

INSERT INTO client_rec_weight_detail(irid,wpos,ilong,iwidth,iheight,iweight,npercent,cno,cnum,
  cgoods,iquantity,iprice) VALUES
 (71104,1,30,20,10,2000,100,'BX71104-1','','Toy car',2,500),
 (71104,2,60,50,40,3000,100,'BX71104-2','','Doll',0,0);

INSERT INTO client_rec_xbag(ixid,cxno,cfrom,cdes,cstation,cstationd,cmark,ctype,ctransnote,cmemo,
  nstate,ntype,nshare,corder,chno,cawb,dsysdate,cinput,iitem,fweight,il,iw,ih,icub,cpack,dpack) VALUES
 (71001,'BX71000001','SZX','LAX','SZ','GZ','快件','普货','轻放','第一袋',0,0,0,'1','HX71001','',
  datetime('now','localtime','-2 days'),'张三',2,3.2,40,30,20,24000,'',NULL),
 (71002,'BX71000002','SZX','LAX','SZ','GZ','','普货','','空袋',0,0,0,'2','','',
  datetime('now','localtime','-2 days'),'张三',0,0,0,0,0,0,'',NULL),
 (71003,'BX71000003','PEK','JFK','SZ','','快件','普货','','已封',1,0,0,'3','HX71003','',
  datetime('now','localtime','-5 days'),'张三',1,2.0,50,40,30,60000,'zhang',
  datetime('now','localtime','-4 days')),
 (71004,'BX71000004','SZX','LAX','SZ','GZ','','普货','','旧袋',0,0,0,'4','','',
  datetime('now','localtime','-200 days'),'张三',1,2.0,0,0,0,0,'',NULL),
 (71005,'BX71000005','SZX','LAX','Q''1','GZ','','普货','','',0,0,0,'5','','',
  datetime('now','localtime','-4 days'),'张三',1,4.0,0,0,0,0,'',NULL),
 (71006,'BX71000006','SZX','LAX','SZ','GZ','','普货','','',0,0,0,'6','','',
  datetime('now','localtime','-4 days'),'张三',1,3.5,0,0,0,0,'',NULL),
 (71007,'BX71000007','PEK','JFK','SZ','','','普货','','旧封袋',1,0,0,'7','','',
  datetime('now','localtime','-210 days'),'张三',1,1.0,0,0,0,0,'zhang',
  datetime('now','localtime','-209 days'));

INSERT INTO client_rec_xbag_item(ixid,irid,wpos,cinput,ddate) VALUES
 (71001,71103,2,'张三',datetime('now','localtime','-2 days')),
 (71001,71105,1,'张三',datetime('now','localtime','-2 days')),
 (71003,71108,1,'张三',datetime('now','localtime','-5 days')),
 (71004,71109,1,'张三',datetime('now','localtime','-200 days')),
 (71005,71110,1,'张三',datetime('now','localtime','-4 days')),
 (71006,71111,1,'张三',datetime('now','localtime','-4 days')),
 (71007,71112,1,'张三',datetime('now','localtime','-210 days'));
)SQL";

}  // namespace

void LoadSampleBagList(Database& db) {
  db.Exec(kBagListSql);
  // The airline logo the bag labels of master air waybills 999-... carry.
  std::ifstream in(std::string(BRANTLE_LANG_DIR) + "/../templates/航线标志图_999.jpg",
                   std::ios::binary);
  std::string logo((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (logo.empty()) return;
  Statement st(db.Handle(),
               "INSERT INTO sys_file(cfilename,ngrade,ckind,ckey,ctitle,vdata,ddate) "
               "VALUES('',0,'航线标志图','','999',?,'2024-01-01 00:00:00')");
  st.Bind(1, DbValue::OfBlob(logo));
  st.Step();
}

}  // namespace localserver
