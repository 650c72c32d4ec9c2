// Sample data of the master air waybill manifest (ids 46001 to 46099,
// numbers "MF46..." and "SV46-..."): master air waybill 123-45-6 with
// bags 46001 ("A123", state 2), 46002 ("B7", state 2) and 46003 (state 3,
// its items in client_rec_xbag_item_u); waybills 46001 to 46008 of
// customer 46001 on it: one piece with dimensions and a sender address
// over two lines (USD), three pieces in two bags with piece lines and
// three goods lines (JPY), three pieces of which only 2 and 3 are on
// board, one piece and two pieces in the state-3 bag, a waybill without a
// piece count, one delivered by supplier 1 and one with an unknown payment
// code; item types 0 to 2 (and 5), every payment code, 0 to 3 goods lines.
// Master air waybills 46000001 (no "-") and 999/../x (a "/") carry one
// waybill each; all three were entered in 2020, so the recent lists keep
// the other samples' rows.  Dictionary entry 45 is "BRANTLE".  The waybills belong to
// the samples' own customer (station "MF"), so no other customer's lists or
// totals change.
#include "localserver/Database.h"

namespace localserver {

namespace {

const char kSampleManifestSql[] = R"SQL(
INSERT INTO sys_dict(dcname,dcvalue,diposition) VALUES ('45','BRANTLE',0);

INSERT INTO client_arc(icid,cunitname,cunitnamee,caccount,cstation,ckind,nactive,cmark,ddate,
  caddr,ccity,cphone,cbrief,cpostcode,cprovince,ccountry,csender,nstate,npayway,dlast) VALUES
 (46001,'四六贸易公司','Forty Six Trading','C4601','MF','A46',0,'','2024-05-01 00:00:00',
  '深圳市四六路6号','深圳','0755-46460000','四六','518046','广东','中国','陈四六',0,0,
  '2024-05-01 00:00:00');

INSERT INTO client_rec_pack(cawb,cairline,cfrom,cdes,ddate,ipcs,iweight,itweight,nstate,cinput,
  creceiver,cagent,cphone,cflightno,dfdate,cairport,cflightno2,dfdate2,cairport2,cmark,cbroker,
  detd,deta,cccode,dcdate,ccno,ctranstype,ctradetype,ntype,csname,csaddr,csphone,cspostcode,
  nsendway,iitemi,iweightg,cpaynote,nptype,cpayway,cgtype,cgoods,ctransnote,cmemo) VALUES
 ('123-45-6','航线四六','PEK','JFK','2020-01-06 09:00:00',0,0,0,0,'admin','ACC46','清关四六',
  '010-46464646','CA981','2024-05-06 23:10:00','PEK','ca1234','2024-05-07 08:00:00','xxJFK',
  '标签46','报关四六','2024-05-06 23:10:00','2024-05-07 08:00:00','BJS','2024-05-05 00:00:00',
  'D4646','空运','一般贸易',1,'四六发货','北京四六路','010-46000000','100046',1,12,80000,'月结',
  2,'预付','GC46','样品四六','托运四六','操作四六'),
 ('46000001','','PEK','HKG','2020-01-06 09:00:00',0,0,0,0,'admin','','','','MU501','2024-06-01 10:00:00',
  'PVG','','1900-01-01 00:00:00','',
  '','','1900-01-01 00:00:00','1900-01-01 00:00:00','','1900-01-01 00:00:00','','','',1,'','','','',
  0,1,0,'',0,'','','','',''),
 ('999/../x','','PEK','HKG','2020-01-06 09:00:00',0,0,0,0,'admin','','','','MU502','',
  'PVG','','1900-01-01 00:00:00','',
  '','','1900-01-01 00:00:00','1900-01-01 00:00:00','','1900-01-01 00:00:00','','','',1,'','','','',
  0,1,0,'',0,'','','','','');

INSERT INTO client_rec_xbag(ixid,cxno,cfrom,cdes,cstation,cstationd,cmark,ctype,ctransnote,cmemo,
  nstate,ntype,nshare,corder,chorder,chno,cawb,dsysdate,cinput,iitem,fweight,cby1,cby2,cby3,cby4,
  cby5) VALUES
 (46001,'MF46B001','PEK','JFK','SZ','NY','袋标A','普货','袋托运A','',2,0,0,'01','','A123','123-45-6',
  '2024-05-06 09:00:00','管理员',4,12.5,'袋一','','','','袋五'),
 (46002,'MF46B002','PEK','JFK','SZ','NY','','','','',2,0,0,'02','','B7','123-45-6',
  '2024-05-06 09:10:00','管理员',4,8.25,'','','','',''),
 (46003,'MF46B003','PEK','JFK','SZ','NY','','','','',3,0,0,'03','','','123-45-6',
  '2024-05-06 09:20:00','管理员',3,3,'','','','',''),
 (46004,'MF46B004','PVG','HKG','SZ','HK','','','','',2,0,0,'01','','','46000001',
  '2024-05-06 09:30:00','管理员',1,1,'','','','',''),
 (46005,'MF46B005','PVG','HKG','SZ','HK','','','','',2,0,0,'01','','','999/../x',
  '2024-05-06 09:40:00','管理员',1,1,'','','','','');

INSERT INTO client_rec(irid,icid,cnum,cserviceno,crno,iitem,fweights,fweight,fweightb,nitemtype,
  cpaydir,cmoney,idvalue,iivalue,cgoods,iquantity,iprice,clwh,cbag,ibag,nsendway,isid,csaddr,cdes,
  cmemo) VALUES
 (46001,46001,'MF46001','SV46-01','R46-01',1,1.2345,1.2345,1.2,0,'PP','USD',150000,5000,
  'cotton shirt',2,750,'40*30*20','7',7,0,0,'Room 5, Line one' || char(10) || 'Second line road',
  '纽约','first note' || char(13) || char(10) || 'second note'),
 (46002,46001,'MF46002','SV46-02','R46-02',3,6,6,5.4,1,'CC','JPY',150000,0,'toys',10,1000,
  '50*40*30D','',3,0,0,'Tokyo Minato 1-2-3','纽约',''),
 (46003,46001,'MF46003','SV46-03','',3,3,3,3,2,'COD','USD',2000,0,'lamp',1,2000,'',
  '',0,0,0,'Hangzhou West Lake','纽约',''),
 (46004,46001,'MF46004','SV46-04','',1,0.5,0.5,0.5,0,'DP','USD',1100,0,'cup',2,300,'',
  '',0,0,0,'Ningbo','纽约',''),
 (46005,46001,'MF46005','SV46-05','',2,2,2,2,1,'MTH','USD',0,0,'stationery',12,100,'',
  '',0,0,0,'Suzhou','纽约',''),
 (46006,46001,'MF46006','SV46-06','',0,1,1,1,0,'AEM','USD',0,0,'box',1,100,'',
  '1,2,5',5,0,0,'Xiamen','纽约',''),
 (46007,46001,'MF46007','SV46-07','',1,1,1,1,0,'OTH','USD',0,0,'bag',1,100,'',
  '',0,1,1,'Fuzhou','纽约',''),
 (46008,46001,'MF46008','SV46-08','',1,1,1,1,5,'XYZ','USD',0,0,'hat',1,100,'',
  '',0,0,0,'Wuhan','纽约',''),
 (46009,46001,'MF46009','SV46-09','',1,1,1,1,0,'PP','USD',0,0,'cap',1,100,'',
  '',0,0,0,'Xian','香港',''),
 (46010,46001,'MF46010','SV46-10','',1,1,1,1,0,'PP','USD',0,0,'scarf',1,100,'',
  '',0,0,0,'Chengdu','香港','');

UPDATE client_rec SET cunitname='Receiver Co ' || irid, creceiver='Mr Receiver', caddr='5th Avenue 1',
  ccountry='USA', cprovince='NY', ccity='New York', cpostcode='10001', cphone='212-000-0000',
  crsms='', cremail='r@example.com', cridcard='', csunitname='', csender='Chen Sender',
  cscountry='China', csprovince='Guangdong', cscity='Shenzhen', cspostcode='518046',
  csphone='0755-46460001', csmsnumber='', csemail='s@example.com', csidcard='', cgoodsa='',
  cgcodea='', cgcodeb='', cgcodec='', fgcustom=0, fgcrate=0, fgweight=0.25, corigin='CN', fgoods=0,
  cmark='', ccno='', ccode='', cpacking='', ctransnote='', ireserve=0, creserve='', cby1='', cby2='',
  cby3='', cby4='', cby5='', ddate='2024-05-06 10:00:00', dsysdate='2024-05-06 10:05:00',
  caddrfrom='SZX', cemskind='ZIZ国际', iids=0, iidr=0, iidi=0, fex1=0, fex2=0, fex3=0, fex4=0,
  fex5=0, cex1='', cex2='', cex3='', cex4='', cex5='', bpay=0, ifid=0, npayway=0, nstate=0, cinput='管理员',
  cawb='' WHERE irid BETWEEN 46001 AND 46099;
UPDATE client_rec SET csunitname='Sender Ltd', fex1=1.5, cex1='note 1' WHERE irid=46001;

INSERT INTO client_rec_xbag_item(ixid,irid,wpos,cinput,ddate) VALUES
 (46001,46001,1,'管理员','2024-05-06 10:10:00'),
 (46001,46002,1,'管理员','2024-05-06 10:10:00'),
 (46001,46002,2,'管理员','2024-05-06 10:10:00'),
 (46002,46002,3,'管理员','2024-05-06 10:10:00'),
 (46002,46003,2,'管理员','2024-05-06 10:10:00'),
 (46002,46003,3,'管理员','2024-05-06 10:10:00'),
 (46002,46006,1,'管理员','2024-05-06 10:10:00'),
 (46001,46007,1,'管理员','2024-05-06 10:10:00'),
 (46002,46008,1,'管理员','2024-05-06 10:10:00'),
 (46004,46009,1,'管理员','2024-05-06 10:10:00'),
 (46005,46010,1,'管理员','2024-05-06 10:10:00');
INSERT INTO client_rec_xbag_item_u(ixid,irid,wpos,cinput,ddate) VALUES
 (46003,46004,1,'管理员','2024-05-06 10:10:00'),
 (46003,46005,1,'管理员','2024-05-06 10:10:00'),
 (46003,46005,2,'管理员','2024-05-06 10:10:00');

INSERT INTO client_rec_weight_detail(irid,wpos,ilong,iwidth,iheight,iweight,npercent,cno,ibag,
  cgoods,iquantity,iprice,crno,cnum,cgoodsa,cgcodea,cgcodeb,cgcodec,fgcustom,fgcrate) VALUES
 (46002,1,50,40,30,2000,0,'P46-02-1',0,'robot',4,500,'PR46-02-1','','','','','',0,0),
 (46002,2,0,0,0,1500,0,'',0,'doll',3,1000,'','','','','','',0,0),
 (46002,3,0,0,0,0,0,'',0,'',0,0,'','','','','','',0,0),
 (46003,1,0,0,0,1000,0,'',0,'',0,0,'','','','','','',0,0),
 (46003,2,10,10,10,1000,0,'',0,'',0,0,'','','','','','',0,0),
 (46003,3,0,0,0,1000,0,'',0,'',0,0,'','','','','','',0,0),
 (46005,1,0,0,0,1200,0,'',0,'pen',10,100,'','','','','','',0,0),
 (46005,2,0,0,0,800,0,'',0,'ink',2,250,'','','','','','',0,0);

INSERT INTO client_rec_goods(wpos,irid,cgoods,cunit,iquantity,fprice,cgoodsa,cgcodea,cgcodeb,
  cgcodec,fgcustom,fgcrate,fgweight) VALUES
 (1,46002,'robot','pcs',4,5,'Robot','H1','','',0,0,0.5),
 (2,46002,'doll','pcs',3,10,'Doll','H2','','',0,0,0.3),
 (3,46002,'ball','pcs',3,2.5,'Ball','H3','','',0,0,0.2),
 (1,46003,'lamp','pcs',1,20,'Lamp','H4','','',1.5,0.13,1),
 (1,46004,'cup','pcs',2,3,'Cup','H5','','',0,0,0.2),
 (2,46004,'plate','pcs',5,1,'Plate','H6','','',0,0,0.3);
)SQL";

}  // namespace

void LoadSampleManifest(Database& db) { db.Exec(kSampleManifestSql); }

}  // namespace localserver
