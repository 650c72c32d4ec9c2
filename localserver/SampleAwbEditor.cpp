// Sample master air waybills of the loading page's form (numbers
// 720-..., ids 72000-72999): one in each state, one with its freight fee
// marked, one with distinct declaration and clearance amounts, one whose
// number holds a quote, one with a bag on it and two numbers that share
// their pane row id; an airline with prefix 720 and one whose short name
// holds a quote; a flight leaving 23:10 and arriving 01:30 with its
// shipper, suppliers and a price; two "AWB导出" templates; and two
// accounts, one with the AWB-edit right only, one with the attachment
// right only.
#include "localserver/Database.h"

namespace localserver {

namespace {

const char kSampleAwbEditorSql[] = R"SQL(
INSERT INTO man_main(mcaccount,mcname,mcpost,mcdepartment,mvright,mcmode,mccomway,mcsmphone,
  mcstation,mcheadship,cmsn,mcpassword,mvrighte,mvrighti,migrade,mcclientkind,mcstationt,mcpid,
  mcdepot,mnstate) VALUES
 ('awb72edit','七二费用','操作员','配载',X'00000000000000000020000000000000','A','','13872000001','SZ',
  '','','awb72pw',X'00000000000000000000000000000000',X'00000000000000000000000000000000',10,'',
  'SZ','P72001','SZ1',0),
 ('awb72file','七二附件','操作员','配载',X'00000000000000000000000000100000','A','','13872000002','SZ',
  '','','awb72pw',X'00000000000000000000000000000000',X'00000000000000000000000000000000',10,'',
  'SZ','P72002','SZ1',0);

INSERT INTO sys_airline(iid,cprefix,cnum,cbrief,chostname,nstate,ipos,ifreight,icustout,icustin,
  idelivery,iother,cmodel) VALUES
 (72000,'720','QS','航线七二','cargo.example.com',0,9,0,0,0,0,0,'AWB-QS'),
 (72001,'721','OA','O''Air','oair.example.com',0,10,0,0,0,0,0,'AWB-OA');

INSERT INTO flt_main(ifid,cftno,iaid,bweek0,bweek1,bweek2,bweek3,bweek4,bweek5,bweek6,bstop,cportb,
  cportt,cporte,cfrom,cdes,wdepart,warrive,faddrate,fadoc,faother,isid0,isid1,isid2,isid3,isid4,
  csname,csaddr,csphone,cspostcode,nkgcalc,nkground,fminadd,fminfee) VALUES
 (72000,'QS720',72000,1,1,1,1,1,1,1,0,'PVG','','LAX','PVG','LAX',2310,130,0,20,0,1,2,0,0,0,
  '七二货运','上海浦东机场七号库','021-72000000','201207',0,0,0,0);

INSERT INTO flt_price(ifid,nitemtype,ibweight,ieweight,iweightper,iprice,itopprice,ntype) VALUES
 (72000,0,0,100000,1000,2000,0,3);

INSERT INTO sys_model(cname,ckind,ctext,vdata,ddate) VALUES
 ('七二总单清单','AWB导出','',X'','2024-05-01 09:00:00'),
 ('七二报关清单','AWB导出','',X'','2024-05-01 09:00:00');

INSERT INTO client_rec_pack(cawb,cairline,cfrom,cdes,ddate,ipcs,iweight,itweight,ffreight,cpacking,
  ctransnote,csize,cmemo,nstate,cinput,creceiver,cagent,cphone,cflightno,dfdate,cairport,cflightno2,
  dfdate2,cairport2,cothercharge,cmark,cbroker,fcustout,fcustin,fdelivery,fother,ifreight,icustout,
  icustin,idelivery,iother,detd,deta,cccode,dcdate,ccno,ctranstype,ctradetype,ntype,isfreight,
  iscustout,iscustin,isdelivery,isother,csname,csaddr,csphone,cspostcode,nsendway,iitemi,iweightg,
  cpaynote,fabase,faaddon,fadoc,fatruck,fasafe,faother,faprice,faaddrate,nptype,cpayway,cgtype,
  cgoods) VALUES
 ('720-72000001','航线七二','PEK','LAX','2023-05-01 09:00:00',3,47000,45000,300,'纸箱','易碎','120*80*60',
  '七二操作备注',0,'admin','c72001','七二清关','010-72000001','QS720','2024-05-06 23:10:00','PEK/LAX','',
  '1900-01-01 00:00:00','','七二其它','七二标签','七二报关行',80.25,120.5,10,5,0,0,0,0,0,
  '2024-05-06 23:10:00','2024-05-07 01:30:00','BJS','2024-05-05 00:00:00','D72001','空运','一般贸易',1,
  1,2,0,0,0,'七二发货人','北京顺义七二号','010-72000000','101300',1,3,46000,'月结',0,0,0,0,0,0,0,0,0,
  '预付','GC72','七二样品'),
 ('720-72000002','航线七二','PVG','LAX','2023-05-02 09:00:00',1,8000,8000,0,'','','','',1,'admin','',
  '七二代理乙','','QS720','2024-05-07 23:10:00','PVG/LAX','','1900-01-01 00:00:00','','','','',0,0,0,0,
  0,0,0,0,0,'2024-05-07 23:10:00','2024-05-08 01:30:00','','1900-01-01 00:00:00','','','',1,0,0,0,0,0,
  '','','','',0,1,8000,'',0,0,0,0,0,0,0,0,0,'','',''),
 ('720-72000003','航线七二','PVG','LAX','2023-05-03 09:00:00',1,6000,6000,0,'','','','',2,'admin','',
  '七二代理丙','','QS720','2024-05-08 23:10:00','PVG/LAX','','1900-01-01 00:00:00','','','','',0,0,0,0,
  0,0,0,0,0,'2024-05-08 23:10:00','2024-05-09 01:30:00','','1900-01-01 00:00:00','','','',1,0,0,0,0,0,
  '','','','',0,1,6000,'',0,0,0,0,0,0,0,0,0,'','',''),
 ('720-72000004','航线七二','PVG','LAX','2023-05-04 09:00:00',2,9000,9000,450,'','','','',0,'admin','',
  '七二代理丁','','QS720','2024-05-09 23:10:00','PVG/LAX','','1900-01-01 00:00:00','','','','',0,0,0,0,
  1,0,0,0,0,'2024-05-09 23:10:00','2024-05-10 01:30:00','','1900-01-01 00:00:00','','','',1,1,0,0,0,0,
  '','','','',0,2,9000,'',0,0,0,0,0,0,0,0,0,'','',''),
 ('720-7200''005','航线七二','PVG','LAX','2023-05-05 09:00:00',0,0,2000,0,'','','','',0,'admin','',
  '七二代理戊','','QS720','1900-01-01 00:00:00','','','1900-01-01 00:00:00','','','','',0,0,0,0,0,0,0,0,
  0,'1900-01-01 00:00:00','1900-01-01 00:00:00','','1900-01-01 00:00:00','','','',0,0,0,0,0,0,'','','',
  '',0,0,0,'',0,0,0,0,0,0,0,0,0,'','',''),
 ('720-72000006','航线七二','PVG','LAX','2023-05-06 09:00:00',1,3000,3000,0,'','','','',0,'admin','',
  '七二代理己','','QS720','1900-01-01 00:00:00','','','1900-01-01 00:00:00','','','','',0,0,0,0,0,0,0,0,
  0,'1900-01-01 00:00:00','1900-01-01 00:00:00','','1900-01-01 00:00:00','','','',1,0,0,0,0,0,'','','',
  '',0,0,0,'',0,0,0,0,0,0,0,0,0,'','',''),
 ('720-7200051','航线七二','PVG','HKG','2023-05-07 09:00:00',0,0,1000,0,'','','','',0,'admin','',
  '七二代理庚','','QS720','1900-01-01 00:00:00','','','1900-01-01 00:00:00','','','','',0,0,0,0,0,0,0,0,
  0,'1900-01-01 00:00:00','1900-01-01 00:00:00','','1900-01-01 00:00:00','','','',1,0,0,0,0,0,'','','',
  '',0,0,0,'',0,0,0,0,0,0,0,0,0,'','',''),
 ('720-7263300','航线七二','PVG','NRT','2023-05-08 09:00:00',0,0,1000,0,'','','','',0,'admin','',
  '七二代理辛','','QS720','1900-01-01 00:00:00','','','1900-01-01 00:00:00','','','','',0,0,0,0,0,0,0,0,
  0,'1900-01-01 00:00:00','1900-01-01 00:00:00','','1900-01-01 00:00:00','','','',1,0,0,0,0,0,'','','',
  '',0,0,0,'',0,0,0,0,0,0,0,0,0,'','','');

INSERT INTO client_rec_xbag(ixid,cxno,cfrom,cdes,cstation,nstate,ntype,nshare,cawb,dsysdate,cinput,
  iitem,fweight) VALUES
 (72000,'B72000001','PVG','LAX','SZ',2,0,0,'720-72000006','2024-05-06 08:00:00','admin',1,3.0);
)SQL";

}  // namespace

void LoadSampleAwbEditor(Database& db) { db.Exec(kSampleAwbEditorSql); }

}  // namespace localserver
