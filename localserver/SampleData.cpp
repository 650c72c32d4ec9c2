// Sample data of a new stand-in database: one station with a head office,
// users with different rights, customers, service kinds with their slot
// lists, destinations, airlines, dictionaries, files and templates.
#include <string>

#include "localserver/Database.h"
#include "localserver/Wire.h"

namespace localserver {

namespace {

const char* kSampleSql = R"SQL(
INSERT INTO man_main(mcaccount,mcname,mcpost,mcdepartment,mvright,mcmode,mccomway,mcsmphone,
  mcstation,mcheadship,cmsn,mcpassword,mvrighte,mvrighti,migrade,mcclientkind,mcstationt,mcpid,
  mcdepot,mnstate) VALUES
 ('admin','管理员','主管','总部',X'FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF','A','','13800000000','','经理',
  '','admin123',X'FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF',X'FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF',255,'','',
  'P0001','HQ',0),
 ('zhang','张三','操作员','深圳站',X'FFFFFFFFFF0000000000000000000000','A','','13800000001','SZ',
  '组长','zhang_qq','zhang123',X'00000000000000000000000000000000',X'40000000000000000000000000000000',
  10,'','SZ','P0002','SZ1',0),
 ('li','李四','客服','深圳站',X'80000000000000000000000000000000','','','13800000002','SZ','',
  '','li@2024',X'00000000000000000000000000000000',X'00000000000000000000000000000000',5,'VIP',
  'SZ','P0003','SZ1',0),
 ('wang','王五','操作员','广州站',X'FFFFFFFFFF0000000000000000000000','A','','13800000003','GZ',
  '','','王五pw1',X'00000000000000000000000000000000',X'C0C00000000000000000000000000000',10,'',
  'GZ','P0004','GZ1',0),
 ('stop','停用','','',X'00000000000000000000000000000000','','','','SZ','','','stop123',
  X'00000000000000000000000000000000',X'00000000000000000000000000000000',0,'','SZ','P0005','SZ1',1);

INSERT INTO client_arc(icid,cunitname,cunitnamee,caccount,cstation,ckind,nactive,cmark,ddate,cmsn,
  cemail,caddr,caddre,ccity,ccitye,cphone,cbrief,fpay0,fpay1,fdeposit,cpostcode,cprovince,
  cprovincee,ccountry,ccountrye,csender,csendere,nstate,cmname,npayway,dlast) VALUES
 (1,'深圳华南贸易有限公司','South China Trading Co.','C001','SZ','VIP',0,'重点','2024-01-05 00:00:00',
  'hn_msn','hn@example.com','深圳市福田区深南大道1号','1 Shennan Rd, Futian','深圳','Shenzhen',
  '0755-88880001','华南',1200,300,500,'518000','广东','Guangdong','中国','China','陈先生','Mr Chen',0,
  '张三',0,'2024-01-05 09:00:00'),
 (2,'Shenzhen Bright Electronics','Shenzhen Bright Electronics','C002','SZ','普通',0,'',
  '2024-02-10 00:00:00','','bright@example.com','深圳市南山区科技园','Science Park, Nanshan','深圳',
  'Shenzhen','0755-88880002','Bright',0,0,0,'518057','广东','Guangdong','中国','China','Amy','Amy',
  0,'张三',1,'2024-02-10 09:00:00'),
 (3,'广州南方物流','Guangzhou South Logistics','C003','GZ','VIP',0,'','2024-02-20 00:00:00','',
  'south@example.com','广州市天河区','Tianhe, Guangzhou','广州','Guangzhou','020-66660003','南方',
  50,0,100,'510000','广东','Guangdong','中国','China','刘小姐','Ms Liu',0,'王五',0,
  '2024-02-20 09:00:00'),
 (4,'Beijing Alpha Ltd','Beijing Alpha Ltd','C004','','普通',0,'','2024-03-01 00:00:00','',
  'alpha@example.com','北京市朝阳区','Chaoyang, Beijing','北京','Beijing','010-55550004','Alpha',0,0,
  0,'100020','北京','Beijing','中国','China','O''Brien','O''Brien',0,'',2,'2024-03-01 09:00:00');

INSERT INTO sp_arc(isid,cname,nstate,cbank,cbac,nbatch,caccount,ntype,caddr,ccontactman,cphone) VALUES
 (1,'环球快运','0','招商银行','6225000011112222',1,'S001',0,'深圳机场','赵经理','0755-23456789'),
 (2,'DHL深圳','0','中国银行','6217000033334444',2,'S002',1,'深圳宝安','钱经理','0755-34567890'),
 (3,'停用承运商',1,'','',0,'S003',0,'','','');

INSERT INTO ziz_kind(cemskind,narea,idocweighte,ibagweighte,nstate,cmemo,fcustoms,faddons,b1price,
  cmname,ctaker,ctrans,cbearer,nextra,cemskindd,nclient,nsp,nweights,nsmtake,nsmsend,nsmsign,
  nsmerror,nsmdays,ckey,cemskindi,ninput,idiscount,ncost,cmaskno,cmasknum,ntrackbit,nbusitype,
  fscustoms,fsaddons,ncuball,nnoprice,cstation,ndiscountc,ndiscounts,nallcustoms,npubprice,
  crmtkind,ipubdis,cekgroup,nwtypec,nwtypes,iidgen) VALUES
 ('ZIZ国际',1,500,2000,0,'国际快件',5,10,0,'','','','',0,'ZIZ',1,1,0,0,0,0,0,3,'','ZIZI',1,0,0,
  '','BR########',0,0,0,0,0,0,'',0,0,0,0,'',NULL,NULL,NULL,NULL,NULL),
 ('DHL',2,500,2000,0,'DHL 快件',0,15,0,'','','','',0,'DHL',1,1,0,0,0,0,0,3,'','DHLI',1,0,0,
  '','##########',0,0,0,0,0,0,'',0,0,0,0,'',5,'EK1',33,1,20001),
 ('EMS',0,300,1000,0,'邮政特快',0,0,1,'','','','',0,'EMS',0,0,0,0,0,0,0,5,'','EMSI',0,0,0,'',
  'EE#########CN',0,1,0,0,0,0,'SZ',0,0,0,0,'',NULL,'',NULL,NULL,NULL);

INSERT INTO ziz_edit(citem,cemskind) VALUES
 ('0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,','ZIZ国际'),
 ('0,1,2,3,4,5,6,7,8,9,10,12,14,','DHL'),
 ('0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,','EMS');

INSERT INTO ziz_sp(cemskind,isid,ndocdiscount,nbagdiscount,nwbagdiscount,ipos,nextra,vdiscount,
  ibweight,iaddweight,fsrate,fprate,nstate,cinput,ddate,fother) VALUES
 ('ZIZ国际',1,90,85,80,1,0,X'00000000',500,500,1.0,1.0,0,'admin','2024-01-01 00:00:00',0),
 ('DHL',2,95,90,90,1,0,X'00320000',500,500,1.0,1.0,0,'admin','2024-01-01 00:00:00',2.5),
 ('EMS',1,90,85,80,1,0,X'00000000',500,500,1.0,1.0,0,'admin','2024-01-01 00:00:00',0),
 ('EMS',2,95,90,90,2,0,X'00000000',500,500,1.0,1.0,0,'admin','2024-01-01 00:00:00',0),
 ('EMS',4,90,85,80,3,0,X'00000000',500,500,1.0,1.0,0,'admin','2024-01-01 00:00:00',0),
 ('EMS',5,92,88,85,4,0,X'00000000',500,500,1.0,1.0,0,'admin','2024-01-01 00:00:00',0);

INSERT INTO ziz_kind_ex(cemskind,cclient,cfrom,cpostcode,cphone,ccity,creturn,cby1,cby2,cby3,cby4,cby5)
 VALUES ('ZIZ国际','ZIZ国际快递','深圳市宝安区机场路','518128','0755-12345678','深圳','同发件地址','','','','',''),
        ('DHL','DHL Express','Shenzhen Airport','518128','0755-87654321','Shenzhen','','','','','','');

INSERT INTO ziz_area(cemskind,carea,careae,narea,ntype,ccode) VALUES
 ('ZIZ国际','一区','Zone 1',1,0,'1,1'), ('ZIZ国际','二区','Zone 2',2,0,'2,1'),
 ('DHL','亚洲','Asia',1,0,'1,2'), ('DHL','美洲','America',3,1,'3,2');

INSERT INTO sys_dict(dcname,dcvalue,diposition) VALUES
 ('4','http://www.example.com',0), ('5','7',0),
 ('131','0',0), ('d_account','现金',1),
 ('d_account','月结',2), ('d_ctrlcode','A01',1), ('d_ctrlcode','B02',2),
 ('d_money_USD','7.10' || char(10) || '7.20',0), ('d_money_EUR','7.70' || char(10) || '7.80',0);

INSERT INTO sys_airline(iid,cprefix,cnum,cbrief,chostname,nstate,ipos,ifreight,icustout,icustin,
  idelivery,iother,cmodel) VALUES
 (1,'999','CA','国航','Air China',0,1,1,1,0,0,0,'AWB-CA'),
 (2,'781','MU','东航','China Eastern',0,2,1,0,0,0,0,'AWB-MU');

INSERT INTO sys_airport(cportcode,ccitycode,ccountrycode,cportname) VALUES
 ('PEK','BJS','CN','北京首都'), ('PVG','SHA','CN','上海浦东'), ('CAN','CAN','CN','广州白云'),
 ('SZX','SZX','CN','深圳宝安'), ('LAX','LAX','US','Los Angeles'), ('FRA','FRA','DE','Frankfurt');

INSERT INTO flt_main(ifid,cftno,iaid,bweek0,bweek1,bweek2,bweek3,bweek4,bweek5,bweek6,bstop,cportb,
  cportt,cporte,cfrom,cdes,wdepart,warrive,faddrate,fadoc,faother,isid0,csname,csaddr,csphone,
  cspostcode,nkgcalc,nkground,fminadd,fminfee) VALUES
 (1,'CA983',1,1,0,1,0,1,0,1,0,'PEK','','LAX','北京','洛杉矶',1330,1000,1.5,50,20,1,'ZIZ货运',
  '北京顺义','010-12345678','101300',1,11,10,200);

INSERT INTO flt_price(ifid,nitemtype,ibweight,ieweight,iweightper,iprice,itopprice,ntype) VALUES
 (1,1,0,45000,1000,3500,0,3), (1,1,45000,100000,1000,3000,0,3), (1,0,0,100000,500,2000,20000,1);

INSERT INTO client_rec_pack(cawb,cairline,cfrom,cdes,ddate,ipcs,itweight,cflightno,dfdate,nstate,detd,
  cagent,ntype,creceiver,ctransnote,cphone,cbroker,csname,csaddr,csphone,cspostcode,cmemo,
  cothercharge) VALUES
 ('999-12345675','国航','PEK','LAX','2024-03-05 09:00:00',3,45000,'CA983','2024-03-06 00:00:00',0,
  '2024-03-06 13:30:00','ZIZ货运',1,'C001','易碎','010-12345678','Alpha Broker','ZIZ货运',
  '北京顺义','010-12345678','101300','',''),
 ('781-00000011','东航','PVG','FRA','2024-03-08 09:00:00',1,12000,'MU219','2024-03-09 00:00:00',1,
  '2024-03-09 01:10:00','ZIZ货运',0,'C002','','021-5555','','','','','','','');

INSERT INTO client_rec_xbag(ixid,cxno,cfrom,cdes,nstate,cstation,cstationd,dsysdate,cmark,cawb,chno,
  cinput,iitem,fweight) VALUES
 (1,'B2024030001','SZX','LAX',0,'SZ','GZ','2024-03-05 11:00:00','','999-12345675','H001','张三',2,3.5),
 (2,'B2024030002','SZX','FRA',1,'SZ','','2024-03-06 11:00:00','急','','','张三',1,1.0);

INSERT INTO client_rec_prompt(cnum,cmark,cmemo,cinput,ddate,bweight,binput,bsend,bquery) VALUES
 ('BR10000001','注意','易碎品，轻放','张三','2024-03-05 12:00:00',1,1,0,1);
INSERT INTO client_rec_promptc(cnum,icid,cmark,cmemo,ddate,bweight,binput,bsend,bquery) VALUES
 ('BR10000001',2,'客户','客户要求周末派送','2024-03-05 12:30:00',1,1,1,0);

INSERT INTO man_set(cname,caccount,cvalue) VALUES ('ps_envi','admin',
 '1' || char(10) || '1' || char(10) || '0' || char(10) || '0' || char(10) || '0' || char(10) ||
 '0' || char(10) || '0' || char(10) || '0' || char(10) || '0' || char(10) || '0' || char(10) ||
 '0' || char(10) || '15');

INSERT INTO sys_des(iid,narea,ntype,ccode,cname,cnamee,cshort,cpostcode,ciso2,ciso3,dlast) VALUES
 (1,1,0,'US','美国','United States','USA','','US','USA','2024-01-01 00:00:00'),
 (2,1,0,'GB','英国','United Kingdom','UK','','GB','GBR','2024-01-01 00:00:00'),
 (3,2,0,'JP','日本','Japan','JPN','','JP','JPN','2024-01-01 00:00:00'),
 (4,1,0,'DE','德国','Germany','GER','','DE','DEU','2024-01-01 00:00:00'),
 (5,3,0,'AU','澳大利亚','Australia','AUS','','AU','AUS','2024-01-01 00:00:00'),
 (6,1,0,'CA','加拿大','Canada','CAN','','CA','CAN','2024-01-01 00:00:00'),
 (7,2,1,'HK','香港','Hong Kong','HKG','999077','HK','HKG','2024-01-01 00:00:00'),
 (8,2,0,'SG','新加坡','Singapore','SIN','','SG','SGP','2024-01-01 00:00:00');

INSERT INTO sys_numseries(ckind,cprefix,inext,iwidth) VALUES
 ('ZIZ国际','BR',20000001,8), ('DHL','',5000000001,10), ('EMS','EE',100000001,9),
 ('3*','',8000000001,10), ('999*','',99900000001,11);

INSERT INTO ziz_price(cemskind,cdes,nitemtype,ibweight,ieweight,fbase,fperkg,faddon,fcustoms,fother,fdiscount)
 VALUES ('ZIZ国际','',255,0,30000,50,20,10,5,2,10), ('ZIZ国际','美国',1,0,30000,80,30,10,5,2,5),
        ('DHL','',255,0,70000,100,40,15,0,0,0);

INSERT INTO sp_price(isid,cemskind,cdes,nitemtype,ibweight,ieweight,fbase,fperkg,faddon,fcustoms,
  fother,focustom,frate,fsprice,cmethod,cmemo) VALUES
 (1,'ZIZ国际','',255,0,30000,30,15,5,2,1,3,1.05,60,'按重量','样例价格'),
 (2,'DHL','',255,0,70000,60,25,8,0,0,0,1.0,90,'按重量','');

INSERT INTO rec_pre_input(iid,irid,icid,ddate,cnum,cserviceno,crno,cemskind,csender,csphone,cdepart,
  csaddr,cdes,iitem,fweight,cgoods,iquantity,cmark,cmemo,cplan,ctaker,creceiver,caddr,cphone) VALUES
 (1,0,1,'2024-03-10 09:00:00','PR0000001','','REF-001','ZIZ国际','陈先生','13900000001','深圳',
  '深圳市福田区深南大道1号','美国',2,3.5,'服装',10,'','上门取件','admin','','John Smith',
  '1 Main St, Los Angeles','+1-213-555-0101'),
 (2,0,2,'2024-03-11 09:00:00','PR0000002','','REF-002','DHL','Amy','13900000002','深圳',
  '深圳市南山区科技园','日本',1,0.8,'电子配件',5,'','','','','Tanaka','Tokyo','+81-3-5555-0102');

WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM n WHERE x<40)
INSERT INTO client_rec(irid,icid,nitemtype,fweight,famount,cdes,nlanguage,isid,cemskind,fcost,ddate,
  cserviceno,cmname,cinput,fsprice,cmemo,fweights,ctaker,cnum,caddrfrom,creceiver,cunitname,caddr,
  cphone,csender,csunitname,csaddr,csphone,dsysdate,npayway,nstate,iitem,cgoods,iquantity,cawb,
  cpaydir,ccode,cmark,cmoney,idvalue,fweightb,ccountry,ccity,cpostcode,dsenddate,ifid,ixbag)
SELECT x, 1 + (x % 3), x % 3, x * 0.5, 100 + x, CASE x % 4 WHEN 0 THEN '美国' WHEN 1 THEN '日本'
  WHEN 2 THEN '德国' ELSE 'O''Hare' END, x % 3, CASE WHEN x % 4 IN (1,2) THEN 1 ELSE 0 END,
  CASE x % 2 WHEN 0 THEN 'ZIZ国际' ELSE 'DHL' END, 60 + x,
  printf('2024-03-%02d 10:%02d:00', 1 + (x % 28), x % 60), printf('SV%08d', 50000000 + x),
  '张三', '张三', 90 + x, CASE WHEN x = 3 THEN '第一行' || char(10) || '第二行 "引号" \ 斜杠' ELSE '' END,
  x * 0.5, '赵六', printf('BR%08d', 10000000 + x), '深圳',
  CASE x % 3 WHEN 0 THEN 'John Smith' WHEN 1 THEN 'Li Lei' ELSE '田中太郎' END,
  'Receiver Co. ' || x, x || ' Main Street', '+1-555-01' || printf('%02d', x),
  CASE x % 2 WHEN 0 THEN '陈先生' ELSE 'Amy' END, '华南贸易', '深圳市福田区', '0755-8888' || x,
  printf('2024-03-%02d 10:%02d:30', 1 + (x % 28), x % 60), x % 3, x % 4, 1 + (x % 3),
  CASE x % 2 WHEN 0 THEN '服装' ELSE '电子产品' END, x, CASE WHEN x % 10 = 0 THEN '999-12345675' ELSE '' END,
  CASE x % 3 WHEN 0 THEN 'PP' WHEN 1 THEN 'CC' ELSE 'COD' END, 'A01', CASE WHEN x % 5 = 0 THEN 'VIP' ELSE '' END,
  'USD', x * 1000, x * 0.5, '美国', 'Los Angeles', '90001',
  CASE WHEN x % 4 IN (1,2) THEN printf('2024-03-%02d 18:00:00', 1 + (x % 28)) ELSE '1900-01-01 00:00:00' END,
  CASE WHEN x % 7 = 0 THEN 3 ELSE 0 END, 0
FROM n;

INSERT INTO client_rec_goods(wpos,irid,cgoods,cunit,iquantity,fprice,cgoodsa,cgcodea,cgcodeb,cgcodec,
  fgcustom,fgcrate,fgweight) VALUES
 (0,1,'T恤','件',10,5.5,'T-shirt','6109100000','','',55,0.13,1.2),
 (1,1,'牛仔裤','条',2,20,'Jeans','6203420000','','',40,0.13,1.0);

INSERT INTO client_rec_weight_detail(irid,wpos,ilong,iwidth,iheight,iweight,npercent,cno,ibag,cgoods,
  iquantity,iprice,crno,cnum,cgoodsa,cgcodea,cgcodeb,cgcodec,fgcustom,fgcrate) VALUES
 (1,1,40,30,20,1500,100,'BR10000001-1',1,'T恤',10,550,'','BR10000001','T-shirt','6109100000','','',55,0.13),
 (2,1,30,20,10,800,100,'BR10000002-1',1,'',0,0,'','BR10000002','','','','',0,0),
 (2,2,30,20,10,900,100,'BR10000002-2',2,'',0,0,'','BR10000002','','','','',0,0);

INSERT INTO client_rec_xbag_item(ixid,irid,wpos,cinput,ddate) VALUES
 (1,1,1,'张三','2024-03-05 11:10:00'), (1,2,1,'张三','2024-03-05 11:11:00'),
 (2,2,2,'张三','2024-03-06 11:12:00');

INSERT INTO client_rec_pic(irid,ilen) VALUES (1,4);
INSERT INTO client_rec_picc(irid,npos,ilen,cext,ddate,cinput,vdata) VALUES
 (1,1,4,'jpg','2024-03-05 12:00:00','张三',X'FFD8FFD9');
)SQL";

void InsertFile(Database& db, const char* name, int grade, const char* kind, const char* text,
                const char* date) {
  std::string bytes;
  GbkFromUtf8(text, bytes);
  Statement st(db.Handle(),
               "INSERT INTO sys_file(cfilename,ngrade,ckind,ckey,ctitle,vdata,ddate) "
               "VALUES(?,?,?,'',?,?,?)");
  st.Bind(1, std::string(name)).Bind(2, grade).Bind(3, std::string(kind)).Bind(4, std::string(name));
  st.Bind(5, DbValue::OfBlob(bytes)).Bind(6, std::string(date));
  st.Step();
}

}  // namespace

void LoadSampleBags(Database& db);  // SampleBags.cpp
void LoadSampleDictionaries(Database& db);  // SampleDictionaries.cpp
void LoadSampleWaybillStates(Database& db);  // SampleWaybillStates.cpp
void LoadSampleWaybillQuery(Database& db);  // SampleWaybillQuery.cpp
void LoadSampleTemplates(Database& db);  // SampleTemplates.cpp
void LoadSamplePayments(Database& db);  // SamplePayments.cpp
void LoadSampleTracking(Database& db);  // SampleTracking.cpp
void LoadSampleHandOver(Database& db);  // SampleHandOver.cpp
void LoadSampleSettlement(Database& db);  // SampleSettlement.cpp
void LoadSamplePickup(Database& db);  // SamplePickup.cpp
void LoadSamplePictures(Database& db);  // SamplePictures.cpp
void LoadSampleAwbEditor(Database& db);  // SampleAwbEditor.cpp
void LoadSampleAttachments(Database& db);  // SampleAttachments.cpp
void LoadSampleStreamlined(Database& db);  // SampleStreamlined.cpp
void LoadSampleImport(Database& db);  // SampleImport.cpp
void LoadSampleBagList(Database& db);  // SampleBagList.cpp
void LoadSampleRecordPictures(Database& db);  // SampleRecordPictures.cpp
void LoadSampleManifest(Database& db);  // SampleManifest.cpp
void LoadSampleAwbList(Database& db);  // SampleAwbList.cpp
void LoadSampleTrackImport(Database& db);  // SampleTrackImport.cpp

void LoadSampleData(Database& db) {
  db.Exec(kSampleSql);
  LoadSampleBags(db);
  LoadSampleCustomers(db);
  LoadSampleDictionaries(db);
  LoadSampleFlights(db);
  LoadSampleServiceKinds(db);
  LoadSampleQuickSearch(db);
  InsertFile(db, "WeChat_Mess.txt", 255, "系统配置",
             "1\t您的快件 %s 已收件，单号 %s。\r\n2\t您的快件 %s 已发出。\r\n", "2024-01-01 00:00:00");
  LoadSampleTemplates(db);
  LoadSampleZones(db);
  LoadSampleWaybillStates(db);
  LoadSampleWaybillQuery(db);
  LoadSamplePayments(db);
  LoadSampleTracking(db);
  LoadSampleHandOver(db);
  LoadSampleSettlement(db);
  LoadSamplePickup(db);
  LoadSamplePictures(db);
  LoadSampleAwbEditor(db);
  LoadSampleAttachments(db);
  LoadSampleStreamlined(db);
  LoadSampleImport(db);
  LoadSampleBagList(db);
  LoadSampleManifest(db);
  LoadSampleAwbList(db);
  LoadSampleTrackImport(db);
  // The unpaid totals of the customers with sample waybills are those
  // waybills' (the others keep the opening figures they were given).
  std::string totals;
  for (const char* way : {"0", "1", "2"}) {
    const std::string unpaid = std::string(" FROM client_rec r WHERE r.icid=client_arc.icid AND "
                                           "r.bpay=0 AND r.ifid=0 AND r.npayway=") + way + ")";
    totals += std::string(totals.empty() ? "" : ",") + "fpay" + way +
              "=(SELECT round(coalesce(sum(r.famount),0),2)" + unpaid + ",ipay" + way +
              "=(SELECT count(*)" + unpaid;
  }
  db.Exec("UPDATE client_arc SET " + totals + " WHERE icid IN (SELECT icid FROM client_rec)");
  LoadSampleRecordPictures(db);
}

}  // namespace localserver
