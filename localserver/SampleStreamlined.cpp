// Sample data of the streamlined entry (page 15), numbers 76000 to 76999: a
// customer whose record names a transfer operator (ctrans) and pays by
// pay way 2, and a pre-input order of that customer found by the
// 6-character number SE7601.  (Its saved three-piece waybill is written by
// the tests that use it: the waybill table's own tests count its rows.)
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
)SQL";

}  // namespace

void LoadSampleStreamlined(Database& db) { db.Exec(kStreamlinedSql); }

}  // namespace localserver
