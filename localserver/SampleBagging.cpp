// Sample data of the bagging desk (ids 70000 to 70999, numbers beginning
// "BC" and "70"), loaded by the bagging tests into their own stand-in's
// database (LoadSampleBagging) rather than into every new database: its
// bags and waybills would change the recent lists and totals that other
// screens' tests read:
//  - "Bag_Fill.txt": special-field masks (special-control SK######, spare 1
//    P1######, spare 2 P2######), creation by number on, and three bag
//    definitions: prefix BC (length 10, station bag), the whole-number mask
//    70####BC## (shared bag with special-control number SK000001) and
//    prefix BD with check column 2 (destination);
//  - "Awb_Packing.txt": the reference mask RF########;
//  - dictionary values 64 and 112 on;
//  - waybills 70001 to 70017: one piece with and without dimensions (clwh),
//    three pieces with piece rows and dimensions, two pieces without piece
//    rows, two pieces with piece rows but without dimensions, one on a
//    master air waybill, one with a one-character address, one with the
//    refused control code DG1, one whose weights differ by 2 kg, one on
//    hold, two sharing a transfer number, one without a stored weight, one
//    bagged in a sealed bag and one in a bag at state 3 (all of customer 1,
//    of payment way 2 and no amount, so that the customer's unpaid lists
//    and totals stay those of the other samples);
//  - bags 70001 to 70007: the administrator's open bag, zhang's station
//    bag, zhang's exclusive bag, a sealed bag, a bag loaded on a master air
//    waybill, a bag at state 3 (items in client_rec_xbag_item_u) and the
//    administrator's bag of the BD definition (check column 2).
// client_rec.ixbag counts the bagged pieces of every waybill here.
#include <string>

#include "localserver/Database.h"
#include "localserver/Wire.h"

namespace localserver {

namespace {

const char* kBagFillText =
    "# 装袋规则\r\n"
    "特控号掩码=SK######, X,SK#############################\r\n"
    "备1掩码=P1######\r\n"
    "备2掩码=P2######\r\n"
    "判断袋号建袋=1\r\n"
    "<装袋定义开始>\r\n"
    "BC,10,PEK,JFK,SZ,BJ,,站内,普货,BC标签,托运BC,,备一,备二,,,\r\n"
    "70####BC##,10,SZX,LAX,SZ,GZ,SK000001,共享,快件,,,,,,,,\r\n"
    "BD,10,CAN,HKG,GZ,SZ,,独占,普货,,,,,,,,,2\r\n"
    "<装袋定义结束>\r\n";

const char* kAwbPackingText = "# 总单打包\r\n参考号掩码=RF########\r\n";

const char* kBaggingSql = R"SQL(
INSERT INTO sys_dict(dcname,dcvalue,diposition) VALUES ('64','1',0), ('112','1',0);

INSERT INTO client_rec(irid,icid,cnum,cserviceno,iitem,fweight,fweights,cemskind,cdes,caddr,cgoods,
  cmoney,idvalue,cpaydir,ddate,dsysdate,cmark,cmemo,ccity,clwh,cawb,creserve,ngstate,ccode,famount,
  npayway,bpay,ifid,nstate,cinput,ixbag,iquantity,iprice) VALUES
 (70001,1,'BC-70000001','SV70000001',1,5,5,'ZIZ国际','JFK','纽约第五大道1号','衣服','USD',5000,'PP',
  '2024-05-06 10:00:00','2024-05-06 10:00:00','','第一行' || char(10) || '第二行','纽约','40*30*20','','R1',0,'',
  0,2,0,0,0,'管理员',0,0,0),
 (70002,1,'BC-70000002','SV70000002',1,2.5,2.5,'ZIZ国际','JFK','纽约百老汇2号','书','USD',0,'PP',
  '2024-05-06 10:00:00','2024-05-06 10:00:00','','','纽约','','','',0,'',0,2,0,0,0,'管理员',0,2,300),
 (70003,1,'BC-70000003','SV70000003',3,9,9,'ZIZ国际','JFK','纽约华尔街3号','电子','USD',9000,'PP',
  '2024-05-06 10:00:00','2024-05-06 10:00:00','','','纽约','','','',0,'',0,2,0,0,0,'管理员',0,0,0),
 (70004,1,'BC-70000004','SV70000004',2,4,4,'ZIZ国际','JFK','纽约皇后区4号','鞋','USD',801,'PP',
  '2024-05-06 10:00:00','2024-05-06 10:00:00','','','纽约','','','',0,'',0,2,0,0,0,'管理员',0,0,0),
 (70005,1,'BC-70000005','SV70000005',1,1,1,'ZIZ国际','LAX','洛杉矶5号','包','USD',0,'PP',
  '2024-05-06 10:00:00','2024-05-06 10:00:00','','','洛杉矶','','999-44444440','',0,'',0,2,0,0,0,'管理员',0,0,0),
 (70006,1,'BC-70000006','SV70000006',1,1,1,'ZIZ国际','JFK','北','包','USD',0,'PP',
  '2024-05-06 10:00:00','2024-05-06 10:00:00','','','纽约','','','',0,'',0,2,0,0,0,'管理员',0,0,0),
 (70007,1,'BC-70000007','SV70000007',1,1,1,'ZIZ国际','JFK','纽约7号','电池','USD',0,'PP',
  '2024-05-06 10:00:00','2024-05-06 10:00:00','','','纽约','','','',0,'DG1',0,2,0,0,0,'管理员',0,0,0),
 (70008,1,'BC-70000008','SV70000008',1,10,12,'ZIZ国际','JFK','纽约8号','茶','USD',0,'PP',
  '2024-05-06 10:00:00','2024-05-06 10:00:00','','','纽约','','','',0,'',0,2,0,0,0,'管理员',0,0,0),
 (70009,1,'BC-70000009','SV70000009',1,1,1,'ZIZ国际','LAX','洛杉矶9号','包','USD',0,'PP',
  '2024-05-06 10:00:00','2024-05-06 10:00:00','','','洛杉矶','','','',0,'',0,2,0,0,0,'管理员',0,0,0),
 (70010,1,'BC-70000010','SV70000010',1,1,1,'ZIZ国际','JFK','纽约10号','包','USD',0,'PP',
  '2024-05-06 10:00:00','2024-05-06 10:00:00','','','纽约','','','',1,'',0,2,0,0,0,'管理员',0,0,0),
 (70011,1,'BC-70000011','SV7000-SHARED',1,1,1,'ZIZ国际','JFK','纽约11号','包','USD',0,'PP',
  '2024-05-06 10:00:00','2024-05-06 10:00:00','','','纽约','','','',0,'',0,2,0,0,0,'管理员',0,0,0),
 (70012,1,'BC-70000012','SV7000-SHARED',1,1,1,'ZIZ国际','JFK','纽约12号','包','USD',0,'PP',
  '2024-05-06 10:00:00','2024-05-06 10:00:00','','','纽约','','','',0,'',0,2,0,0,0,'管理员',0,0,0),
 (70013,1,'BC-70000013','SV70000013',1,1,0,'ZIZ国际','JFK','纽约13号','包','USD',0,'PP',
  '2024-05-06 10:00:00','2024-05-06 10:00:00','','','纽约','','','',0,'',0,2,0,0,0,'管理员',0,0,0),
 (70014,1,'BC-70000014','SV70000014',1,3,3,'ZIZ国际','JFK','纽约14号','包','USD',0,'PP',
  '2024-05-06 10:00:00','2024-05-06 10:00:00','','','纽约','30*20*10','','',0,'',0,2,0,0,0,'管理员',0,0,0),
 (70015,1,'BC-70000015','SV70000015',2,6,6,'ZIZ国际','JFK','纽约15号','包','USD',0,'PP',
  '2024-05-06 10:00:00','2024-05-06 10:00:00','','','纽约','20*20*20','','',0,'',0,2,0,0,0,'管理员',0,0,0),
 (70016,1,'BC-70000016','SV70000016',1,1,1,'ZIZ国际','HKG','香港16号','包','USD',0,'PP',
  '2024-05-06 10:00:00','2024-05-06 10:00:00','','','香港','','160-33333334','',0,'',0,2,0,0,0,'管理员',1,0,0),
 (70017,1,'BC-70000017','SV70000017',1,1,1,'ZIZ国际','JFK','纽约17号','包','USD',0,'PP',
  '2024-05-06 10:00:00','2024-05-06 10:00:00','','','纽约','','','',0,'',0,2,0,0,0,'管理员',1,0,0);

INSERT INTO client_rec_weight_detail(irid,wpos,ilong,iwidth,iheight,iweight,cno,cnum,cgoods,iquantity,iprice) VALUES
 (70003,1,50,40,30,2000,'PC70000003-1','BC-70000003-1','手机',1,3000),
 (70003,2,0,0,0,1500,'PC70000003-2','BC-70000003-2','',0,0),
 (70003,3,10,10,10,3000,'PC70000003-3','BC-70000003-3','',0,0),
 (70015,1,0,0,0,2500,'','','',0,0),
 (70015,2,0,0,0,0,'','','',0,0);

INSERT INTO client_rec_xbag(ixid,cxno,cfrom,cdes,cstation,cstationd,cmark,ctype,ctransnote,cmemo,nstate,
  ntype,nshare,corder,chorder,chno,cawb,dsysdate,cinput,iitem,fweight,il,iw,ih,icub,clastmod,dlastmod,
  cby1,cby2,cby3,cby4,cby5,cpack,dpack,caddawb,daddawb,cunpack,dunpack) VALUES
 (70001,'BC00000001','PEK','JFK','SZ','BJ','快件','普货','','',0,0,0,'1/3','','','',
  '2024-05-06 09:00:00','管理员',0,0,0,0,0,0,'管理员','2024-05-06 09:00:00','','','','','','',
  '1900-01-01 00:00:00','','1900-01-01 00:00:00','','1900-01-01 00:00:00'),
 (70002,'BC00000002','PEK','JFK','SZ','BJ','','','','',0,0,1,'','','','',
  '2024-05-06 09:10:00','张三',0,0,0,0,0,0,'张三','2024-05-06 09:10:00','','','','','','',
  '1900-01-01 00:00:00','','1900-01-01 00:00:00','','1900-01-01 00:00:00'),
 (70003,'BC00000003','PEK','JFK','SZ','BJ','','','','',0,0,0,'','','','',
  '2024-05-06 09:20:00','张三',0,0,0,0,0,0,'张三','2024-05-06 09:20:00','','','','','','',
  '1900-01-01 00:00:00','','1900-01-01 00:00:00','','1900-01-01 00:00:00'),
 (70004,'BC00000004','PEK','JFK','SZ','BJ','','','','',1,0,0,'','','','',
  '2024-05-06 09:30:00','管理员',1,1,0,0,0,0,'管理员','2024-05-06 09:30:00','','','','','','管理员',
  '2024-05-06 11:00:00','','1900-01-01 00:00:00','','1900-01-01 00:00:00'),
 (70005,'BC00000005','SZX','LAX','SZ','GZ','','','','',2,0,0,'','','','999-44444440',
  '2024-05-06 09:40:00','管理员',0,0,0,0,0,0,'管理员','2024-05-06 09:40:00','','','','','','管理员',
  '2024-05-06 11:00:00','王五','2024-05-06 12:00:00','李四','2024-05-06 11:30:00'),
 (70006,'BC00000006','CAN','HKG','GZ','SZ','','','','',3,0,0,'','','','160-33333334',
  '2024-05-06 09:50:00','管理员',1,1,0,0,0,0,'管理员','2024-05-06 09:50:00','','','','','','管理员',
  '2024-05-06 11:00:00','王五','2024-05-06 12:00:00','','1900-01-01 00:00:00'),
 (70007,'BD00000007','CAN','HKG','GZ','SZ','','普货','','',0,0,0,'','','','',
  '2024-05-06 10:00:00','管理员',0,0,0,0,0,0,'管理员','2024-05-06 10:00:00','','','','','','',
  '1900-01-01 00:00:00','','1900-01-01 00:00:00','','1900-01-01 00:00:00');

INSERT INTO client_rec_xbag_item(ixid,irid,wpos,cinput,ddate) VALUES
 (70004,70017,1,'管理员','2024-05-06 10:30:00');
INSERT INTO client_rec_xbag_item_u(ixid,irid,wpos,cinput,ddate) VALUES
 (70006,70016,1,'管理员','2024-05-06 10:30:00');
)SQL";

void InsertSysFile(Database& db, const char* name, const char* text) {
  std::string bytes;
  GbkFromUtf8(text, bytes);
  Statement st(db.Handle(),
               "INSERT INTO sys_file(cfilename,ngrade,ckind,ckey,ctitle,vdata,ddate) "
               "VALUES(?,255,?,'',?,?,'2024-05-01 00:00:00')");
  st.Bind(1, std::string(name)).Bind(2, std::string("系统配置")).Bind(3, std::string(name));
  st.Bind(4, DbValue::OfBlob(bytes));
  st.Step();
}

}  // namespace

void LoadSampleBagging(Database& db) {
  db.Exec(kBaggingSql);
  InsertSysFile(db, "Bag_Fill.txt", kBagFillText);
  InsertSysFile(db, "Awb_Packing.txt", kAwbPackingText);
}

}  // namespace localserver
