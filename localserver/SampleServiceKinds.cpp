// Sample service kinds of a new stand-in database, beside the three kinds of
// the main sample: two more express products with their entry-field lists
// and sender defaults, the DHL zone list of a real price sheet (every area a
// country or region), and suppliers sharing a position so their order shows.
#include "localserver/Database.h"

namespace localserver {

namespace {

const char kSampleServiceKindsSql[] = R"SQL(
INSERT INTO ziz_kind(cemskind,narea,idocweighte,ibagweighte,nstate,cmemo,fcustoms,faddons,b1price,
  cmname,ctaker,ctrans,cbearer,nextra,cemskindd,nclient,nsp,nweights,nsmtake,nsmsend,nsmsign,
  nsmerror,nsmdays,ckey,cemskindi,ninput,idiscount,ncost,cmaskno,cmasknum,ntrackbit,nbusitype,
  fscustoms,fsaddons,ncuball,nnoprice,cstation,ndiscountc,ndiscounts,nallcustoms,npubprice,
  crmtkind,ipubdis,cekgroup,nwtypec,nwtypes,iidgen) VALUES
 ('UPS',0,500,2500,0,'UPS 红单' || char(13) || char(10) || '超过 70 公斤需预约' || char(13) ||
  char(10) || '偏远地区另收附加费',8,12,1,'张三','赵六','','',0,'UPS快递',1,1,1,1,1,0,0,3,'UPSKEY',
  'UPSI',1,1800,1,'1Z################','',1,1,6,10,1,0,'SZ',1,1,0,0,'UPS',3,'EK2',66,34,
  30012),
 ('FedEx',0,600,3000,0,'联邦快递 IP',0,10,0,'','','','',0,'',0,1,0,0,0,0,0,3,'','',0,2000,1,
  '############','',0,0,0,0,0,0,'',0,0,0,0,'',0,'',0,0,0);

INSERT INTO ziz_edit(citem,cemskind) VALUES
 ('0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,22,26,30,31,','UPS'),
 ('0,1,2,3,4,5,6,7,8,9,70,12,','FedEx');

INSERT INTO sp_arc(isid,cname,nstate,cbank,cbac,nbatch,caccount,ntype,caddr,ccontactman,cphone) VALUES
 (4,'UPS深圳',0,'工商银行','6222000055556666',3,'S004',1,'深圳福田','孙经理','0755-45678901'),
 (5,'安达货运',0,'建设银行','6227000077778888',4,'S005',0,'深圳宝安','周经理','0755-56789012');

INSERT INTO ziz_sp(cemskind,isid,ndocdiscount,nbagdiscount,nwbagdiscount,ipos,nextra,vdiscount,
  ibweight,iaddweight,fsrate,fprate,nstate,cinput,ddate,fother) VALUES
 ('DHL',5,92,88,85,1,0,X'19000000',500,500,1.0,1.0,0,'admin','2024-02-01 00:00:00',0),
 ('DHL',1,93,89,86,3,0,X'00000000',500,500,1.0,1.0,1,'admin','1999-12-31 00:00:00',0),
 ('UPS',4,90,85,80,1,0,X'00000000',500,500,1.05,1.0,0,'zhang','2024-03-01 00:00:00',1.5);

INSERT INTO ziz_kind_ex(cemskind,cclient,cfrom,cpostcode,cphone,ccity,creturn,cby1,cby2,cby3,cby4,cby5)
 VALUES ('UPS','UPS 深圳营业部','深圳市福田区深南大道6008号','518034','0755-83456789','深圳',
  '退回深圳营业部','','','','','');

INSERT INTO ziz_area(cemskind,carea,careae,narea,ntype,ccode) VALUES
 ('DHL','香港','Hong Kong',1,0,'1,1'), ('DHL','澳门','Macau',1,0,'1,2'),
 ('DHL','台湾','Taiwan',1,0,'1,3'), ('DHL','新加坡','Singapore',2,0,'2,1'),
 ('DHL','马来西亚','Malaysia',2,0,'2,2'), ('DHL','泰国','Thailand',2,0,'2,3'),
 ('DHL','越南','Vietnam',2,0,'2,4'), ('DHL','菲律宾','Philippines',2,0,'2,5'),
 ('DHL','印度尼西亚','Indonesia',2,0,'2,6'), ('DHL','日本','Japan',3,0,'3,1'),
 ('DHL','韩国','Korea',3,0,'3,2'), ('DHL','印度','India',4,0,'4,1'),
 ('DHL','巴基斯坦','Pakistan',4,0,'4,2'), ('DHL','澳大利亚','Australia',5,0,'5,1'),
 ('DHL','新西兰','New Zealand',5,0,'5,2'), ('DHL','美国','United States',6,0,'6,1'),
 ('DHL','加拿大','Canada',6,0,'6,2'), ('DHL','墨西哥','Mexico',6,0,'6,3'),
 ('DHL','英国','United Kingdom',7,0,'7,1'), ('DHL','德国','Germany',7,0,'7,2'),
 ('DHL','法国','France',7,0,'7,3'), ('DHL','意大利','Italy',7,0,'7,4'),
 ('DHL','西班牙','Spain',7,0,'7,5'), ('DHL','荷兰','Netherlands',7,0,'7,6'),
 ('DHL','比利时','Belgium',7,0,'7,7'), ('DHL','瑞士','Switzerland',8,0,'8,1'),
 ('DHL','瑞典','Sweden',8,0,'8,2'), ('DHL','挪威','Norway',8,0,'8,3'),
 ('DHL','波兰','Poland',8,0,'8,4'), ('DHL','俄罗斯','Russia',9,0,'9,1'),
 ('DHL','巴西','Brazil',9,0,'9,2'), ('DHL','南非','South Africa',9,0,'9,3'),
 ('DHL','阿联酋','United Arab Emirates',9,0,'9,4'), ('DHL','上海市','Shanghai',10,1,'10'),
 ('ZIZ国际','美国','United States',3,0,'3,1'), ('ZIZ国际','日本','Japan',4,0,'4,1');
)SQL";

}  // namespace

void LoadSampleServiceKinds(Database& db) { db.Exec(kSampleServiceKindsSql); }

}  // namespace localserver
