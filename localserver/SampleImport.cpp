// Sample data of the waybill import of page 0: a customer with its station
// (the details the client caches), three express kinds (one numbered from
// its own series with a transfer-number series beside it, one without a
// series of its own, numbered from the fallback series "999*", and one
// whose series the server does not keep), their prices, and a destination
// that only the receiver's country name finds.
#include "localserver/Database.h"

namespace localserver {

namespace {

const char kSampleImportSql[] = R"SQL(
INSERT INTO client_arc(icid,cunitname,cunitnamee,caccount,cstation,ckind,nactive,ccity,ccitye,cphone,
  npayway) VALUES
 (75001,'导入样例贸易有限公司','Import Sample Trading Co.','C75001','I75','普通',0,'深圳','Shenzhen',
  '0755-75000001',0);

INSERT INTO ziz_kind(cemskind,narea,idocweighte,ibagweighte,nstate,cmemo,fcustoms,faddons,b1price,
  cmname,ctaker,ctrans,cbearer,nextra,cemskindd,nclient,nsp,nweights,nsmtake,nsmsend,nsmsign,
  nsmerror,nsmdays,ckey,cemskindi,ninput,idiscount,ncost,cmaskno,cmasknum,ntrackbit,nbusitype,
  fscustoms,fsaddons,ncuball,nnoprice,cstation,ndiscountc,ndiscounts,nallcustoms,npubprice,
  crmtkind,ipubdis,cekgroup,nwtypec,nwtypes,iidgen) VALUES
 ('IMP75A',0,500,2000,0,'导入样例 A',0,0,0,'','','','',0,'IMPA',0,0,0,0,0,0,0,3,'','',0,0,0,
  '','',0,0,0,0,0,0,'',0,0,0,0,'',0,'',0,0,750001),
 ('IMP75B',0,500,2000,0,'导入样例 B',0,0,0,'','','','',0,'IMPB',0,0,0,0,0,0,0,3,'','',0,0,0,
  '','',0,0,0,0,0,0,'',0,0,0,0,'',0,'',0,0,0),
 ('IMP75C',0,500,2000,0,'导入样例 C',0,0,0,'','','','',0,'IMPC',0,0,0,0,0,0,0,3,'','',0,0,0,
  '','',0,0,0,0,0,0,'',0,0,0,0,'',0,'',0,0,7599);

INSERT INTO ziz_edit(citem,cemskind) VALUES ('0,1,2,3,4,5,6,7,','IMP75A'),
 ('0,1,2,3,4,5,6,7,','IMP75B'), ('0,1,2,3,4,5,6,7,','IMP75C');

INSERT INTO sys_numseries(ckind,cprefix,inext,iwidth) VALUES
 ('IMP75A','IA',75000001,8), ('75*','TR75',1,6);

INSERT INTO ziz_price(cemskind,cdes,nitemtype,ibweight,ieweight,fbase,fperkg,faddon,fcustoms,fother,fdiscount)
 VALUES ('IMP75A','',255,0,70000,20,10,1,0,0,0), ('IMP75B','英国',255,0,70000,40,12,2,1,0,5);

INSERT INTO sys_des(iid,narea,ntype,ccode,cname,cnamee,cshort,cpostcode,ciso2,ciso3,dlast) VALUES
 (75001,3,0,'RUN75','留尼汪','La Reunion Dept','RUN75','','RE','REU','2024-01-01 00:00:00');
)SQL";

}  // namespace

void LoadSampleImport(Database& db) { db.Exec(kSampleImportSql); }

}  // namespace localserver
