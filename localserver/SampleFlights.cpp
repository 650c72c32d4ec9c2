// Sample air freight of a new stand-in database, beside the first airlines,
// airports and flight in the main sample: more airlines, the airports of
// the main routes, flights on set week days and price bands of every kind
// (per kilogram, fixed, in steps, in steps from a band start).
#include "localserver/Database.h"

namespace localserver {

namespace {

const char kSampleFlightsSql[] = R"SQL(
INSERT INTO sys_airline(iid,cprefix,cnum,cbrief,chostname,nstate,ipos,ifreight,icustout,icustin,
  idelivery,iother,cmodel) VALUES
 (3,'784','CZ','南航','tang.csair.com',0,3,1,1,1,0,0,'AWB-CZ'),
 (4,'160','CX','国泰','www.cathaycargo.com',0,4,1,0,0,1,0,'AWB-CX'),
 (5,'020','LH','汉莎航空','lhcargo.com',1,1,1,1,0,0,0,'AWB-LH');

INSERT INTO sys_airport(cportcode,ccitycode,ccountrycode,cportname) VALUES
 ('HKG','HKG','HK','香港国际'), ('JFK','NYC','US','New York Kennedy'),
 ('NRT','TYO','JP','Tokyo Narita'), ('AMS','AMS','NL','Amsterdam Schiphol');

INSERT INTO flt_main(ifid,cftno,iaid,bweek0,bweek1,bweek2,bweek3,bweek4,bweek5,bweek6,bstop,cportb,
  cportt,cporte,cfrom,cdes,wdepart,warrive,faddrate,fadoc,faother,isid0,csname,csaddr,csphone,
  cspostcode,nkgcalc,nkground,fminadd,fminfee) VALUES
 (2,'MU583',2,1,1,1,1,1,1,1,0,'PVG','','LAX','上海','洛杉矶',1320,940,0,30,0,1,'东航物流',
  '上海浦东机场货运区','021-68881234','201202',0,1,0,150),
 (3,'CZ327',3,0,1,0,1,0,1,0,0,'CAN','','LAX','广州','洛杉矶',2130,1830,2,40,10,1,'南航货运',
  '广州白云机场货运站','020-86121234','510470',1,10,20,0),
 (4,'CX1234',4,1,0,0,1,0,0,1,1,'HKG','NRT','JFK','香港','纽约',105,1245,0,0,0,1,'','','','',
  0,0,0,0),
 (5,'LH8401',5,0,0,1,0,0,1,0,0,'PVG','','FRA','上海','法兰克福',2355,605,1.2,25,5,1,'汉莎货运',
  '上海浦东机场西区','021-38881234','201207',0,11,15,300);

INSERT INTO flt_price(ifid,nitemtype,ibweight,ieweight,iweightper,iprice,itopprice,ntype) VALUES
 (2,1,0,45000,1000,2800,5000,3), (2,1,45000,100000,1000,2400,5000,3),
 (2,0,0,2000,0,0,12000,0), (2,0,2000,20000,500,1500,0,1),
 (3,1,0,10000,500,1800,0,1), (3,1,10000,100000,1000,2500,30000,2),
 (3,0,0,500,0,0,8000,0), (3,0,500,30000,500,1200,8000,2),
 (4,1,0,100000,1000,4200,0,3), (4,0,0,100000,500,2200,0,1),
 (5,1,0,45000,1000,3300,2000,3), (5,1,45000,300000,5000,14000,150000,2);
)SQL";

}  // namespace

void LoadSampleFlights(Database& db) { db.Exec(kSampleFlightsSql); }

}  // namespace localserver
