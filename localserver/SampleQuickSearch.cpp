// Sample data of the record lists beside the settlement, payment and loading
// pages: customers of a station of their own whose texts hold quotes,
// brackets, percent signs and underscores (the characters a LIKE pattern
// must keep literal), one of them inactive, and older master air waybills,
// one without a departure time and one with each fee marker.
#include "localserver/Database.h"

namespace localserver {

namespace {

const char* kQuickSearchSql = R"SQL(
INSERT INTO client_arc(icid,cunitname,cunitnamee,caccount,cstation,ckind,nactive,cmark,ddate,cqq,
  cwechat,cemail,caddr,ccity,cphone,cbrief,fpay0,fpay1,fdeposit,npayway,dlast) VALUES
 (5001,'O''Neil [100%] 贸易','O''Neil Trading','C501','SW','普通',0,'月结_大客户',
  '2024-03-02 00:00:00','12345','oneil_wx','oneil@example.com','深圳市罗湖区人民路8号','深圳',
  '0755-22220501','O''Neil',150,50.5,0,0,'2024-03-02 09:00:00'),
 (5002,'50% Off Store','50 Percent Off','C502','SW','普通',0,'月结1大客户','2024-03-03 00:00:00','',
  '','off50@example.com','深圳市宝安区','深圳','0755-22220502','50Off',0,0,0,1,
  '2024-03-03 09:00:00'),
 (5003,'停用的客户','Inactive Customer','C503','SW','普通',1,'','2024-03-04 00:00:00','','',
  '','深圳市','深圳','0755-22220503','',0,0,0,0,'2024-03-04 09:00:00'),
 (5004,'深圳闪电贸易','Lightning Trading','C_504','SW','普通',0,'','2024-03-05 00:00:00','',
  'flash_wx','','深圳市龙岗区','深圳','0755-22220504','闪电',10,0,20,2,'2024-03-05 09:00:00');

INSERT INTO client_rec_pack(cawb,cairline,cfrom,cdes,ddate,ipcs,itweight,cflightno,cflightno2,dfdate,
  nstate,detd,cagent,ntype,creceiver,ifreight,icustout,icustin,idelivery,iother) VALUES
 ('999-55555551','国航','SZX','O''Hare [ORD]','2024-02-16 09:00:00',2,5000,'CA999','CA100',
  '2024-02-17 00:00:00',1,'1900-01-01 00:00:00','ZIZ货运',0,'C501',1,0,0,0,0),
 ('781-12345670','东航','PVG','LAX','2024-02-17 09:00:00',1,1000,'MU577','','2024-02-18 00:00:00',
  0,'2024-02-18 20:00:00','东航代理',1,'C502',0,1,0,0,0),
 ('999-66666662','国航','PEK','NRT','2024-02-18 09:00:00',1,1000,'CA925','','2024-02-19 00:00:00',
  2,'2024-02-19 08:00:00','ZIZ货运',2,'C501',1,1,1,1,1);
)SQL";

}  // namespace

void LoadSampleQuickSearch(Database& db) { db.Exec(kQuickSearchSql); }

}  // namespace localserver
