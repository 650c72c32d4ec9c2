// Sample data of the bag list and the bag labels (ids 71000 to 71999, bag
// numbers "BX71..."):
//   - bags of the last days: open with items (71001, 71005, 71006), open
//     without items (71002), sealed (71003); bags created more than 180 days
//     ago, one open (71004) and one sealed (71007).  Their item rows and the
//     waybills they hold are not here: the other samples' tests count the
//     waybills of the whole table;
//   - the airline logo of prefix 999 (file kind "航线标志图", title "999").
// Dates are relative to the day the database is made, so the 180-day
// window of the list always holds the same rows.
#include <fstream>
#include <iterator>
#include <string>

#include "localserver/Database.h"
#include "localserver/Wire.h"

namespace localserver {

namespace {

const char* kBagListSql = R"SQL(
INSERT INTO client_rec_xbag(ixid,cxno,cfrom,cdes,cstation,cstationd,cmark,ctype,ctransnote,cmemo,
  nstate,ntype,nshare,corder,chno,cawb,dsysdate,cinput,iitem,fweight,il,iw,ih,icub,cpack,dpack) VALUES
 (71001,'BX71000001','SZX','LAX','SZ','GZ','快件','普货','轻放','第一袋',0,0,0,'1','HX71001','',
  datetime('now','localtime','-2 days'),'张三',2,3.2,40,30,20,24000,'',NULL),
 (71002,'BX71000002','SZX','LAX','SZ','GZ','','普货','','空袋',0,0,0,'2','','',
  datetime('now','localtime','-2 days'),'张三',0,0,0,0,0,0,'',NULL),
 (71003,'BX71000003','PEK','JFK','SZ','','快件','普货','','已封',1,0,0,'3','HX71003','',
  datetime('now','localtime','-5 days'),'张三',1,2.0,50,40,30,60000,'zhang',
  datetime('now','localtime','-4 days')),
 (71004,'BX71000004','SZX','LAX','SZ','GZ','','普货','','旧袋',0,0,0,'4','','',
  datetime('now','localtime','-200 days'),'张三',1,2.0,0,0,0,0,'',NULL),
 (71005,'BX71000005','SZX','LAX','Q''1','GZ','','普货','','',0,0,0,'5','','',
  datetime('now','localtime','-4 days'),'张三',1,4.0,0,0,0,0,'',NULL),
 (71006,'BX71000006','SZX','LAX','SZ','GZ','','普货','','',0,0,0,'6','','',
  datetime('now','localtime','-4 days'),'张三',1,3.5,0,0,0,0,'',NULL),
 (71007,'BX71000007','PEK','JFK','SZ','','','普货','','旧封袋',1,0,0,'7','','',
  datetime('now','localtime','-210 days'),'张三',1,1.0,0,0,0,0,'zhang',
  datetime('now','localtime','-209 days'));

)SQL";

}  // namespace

void LoadSampleBagList(Database& db) {
  db.Exec(kBagListSql);
  // The airline logo the bag labels of master air waybills 999-... carry.
  std::ifstream in(std::string(BRANTLE_LANG_DIR) + "/../templates/航线标志图_999.jpg",
                   std::ios::binary);
  std::string logo((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (logo.empty()) return;
  Statement st(db.Handle(),
               "INSERT INTO sys_file(cfilename,ngrade,ckind,ckey,ctitle,vdata,ddate) "
               "VALUES('',0,'航线标志图','','999',?,'2024-01-01 00:00:00')");
  st.Bind(1, DbValue::OfBlob(logo));
  st.Step();
}

}  // namespace localserver
