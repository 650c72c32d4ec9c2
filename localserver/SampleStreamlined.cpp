// Sample data of the streamlined entry (page 15), numbers 76000 to 76999: a
// customer whose record names a transfer operator (ctrans) and pays by
// pay way 2, a pre-input order of that customer found by the 6-character
// number SE7601, and a saved waybill of three pieces, each piece with its
// own sub-waybill number.
#include "localserver/Database.h"

namespace localserver {

namespace {

const char* kStreamlinedSql = R"SQL(
INSERT INTO client_arc(icid,cunitname,cunitnamee,caccount,cstation,ckind,nactive,cmark,ddate,cphone,
  ccountry,csender,nstate,cmname,ctaker,ctrans,cbearer,npayway,dlast) VALUES
 (76001,'精简多件客户','Streamlined Multi-piece Co.','C76001','','普通',0,'','2024-04-01 00:00:00',
  '0755-76000001','中国','孙先生',0,'','','赵转运','',2,'2024-04-01 09:00:00');

INSERT INTO rec_pre_input(iid,irid,icid,ddate,cnum,cserviceno,crno,cemskind,csender,csphone,cdepart,
  csaddr,cdes,iitem,fweight,cgoods,iquantity,cmark,cmemo,cplan,ctaker,creceiver,caddr,cphone) VALUES
 (76001,0,76001,'2024-04-02 09:00:00','SE7601','','','ZIZ国际','孙先生','13976000001','深圳',
  '深圳市宝安区','美国',3,4.5,'鞋子',6,'','预录三件','','','Mary Major','7 Elm St','+1-555-0176');

INSERT INTO client_rec(irid,icid,nitemtype,fweight,famount,cdes,nlanguage,cemskind,ddate,cserviceno,
  cnum,caddrfrom,cmemo,dsysdate,npayway,nstate,iitem,cpaydir,cmoney,corigin,iquantity)
VALUES (76001,76001,1,6.5,0,'美国',0,'ZIZ国际','2024-04-03 00:00:00','BR76000001','BR76000001',
  '深圳宝安','三件一票','2024-04-03 10:00:00',2,0,3,'CC','USD','CN',1);

INSERT INTO client_rec_weight_detail(irid,wpos,ilong,iwidth,iheight,iweight,npercent,cno,ibag,cgoods,
  iquantity,iprice,crno,cnum,cgoodsa,cgcodea,cgcodeb,cgcodec,fgcustom,fgcrate) VALUES
 (76001,1,0,0,0,1,0,'',0,'',0,0,'','SP7600011','','','','',0,0),
 (76001,2,0,0,0,1,0,'',0,'',0,0,'','SP7600012','','','','',0,0),
 (76001,3,0,0,0,1,0,'',0,'',0,0,'','SP7600013','','','','',0,0);
)SQL";

}  // namespace

void LoadSampleStreamlined(Database& db) { db.Exec(kStreamlinedSql); }

}  // namespace localserver
