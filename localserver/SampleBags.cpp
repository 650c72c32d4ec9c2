// Sample data of the bagging and master air waybill screens: the bag
// settings text (DATA_SYS file "BagDefault.txt"), the "xbag_" dictionary
// rows that override it, and further master air waybills and bags for the
// recent lists.
#include <string>

#include "localserver/Database.h"
#include "localserver/Wire.h"

namespace localserver {

namespace {

// Head keys, then the bag section, then the master air waybill section.
// Some values differ from the dictionary rows below, which win.
const char* kBagSettingsText =
    "# 装袋与总单默认值\r\n"
    "袋编码位数=11\r\n"
    "袋序格式=1\r\n"
    "一票多件分列=0\r\n"
    "<装袋默认值配置开始>\r\n"
    "出发机场=SZX\r\n"
    "目的机场=LAX\r\n"
    "出发站点=SZ\r\n"
    "目的站点=GZ\r\n"
    "装袋类型=普货\r\n"
    "标签=快件\r\n"
    "备用1=\r\n"
    "备用2=\r\n"
    "检查机场=1\r\n"
    "检查客户余额=0\r\n"
    "检查出入重=1\r\n"
    "共享=0\r\n"
    "<总单默认值配置开始>\r\n"
    "首航班=MU219\r\n"
    "机场=PVG\r\n"
    "出发地=上海\r\n"
    "目的地=法兰克福\r\n"
    "标签=总单\r\n"
    "运输方式=空运\r\n"
    "贸易方式=一般贸易\r\n"
    "包装=纸箱\r\n"
    "托运备注=易碎品，轻放\r\n"
    "海关三字代码=SHA\r\n"
    "类型=0\r\n";

const char* kBagSql = R"SQL(
INSERT INTO sys_dict(dcname,dcvalue,diposition) VALUES
 ('xbag_0','CA983',0), ('xbag_1','PEK',0), ('xbag_2','北京',0), ('xbag_3','洛杉矶',0),
 ('xbag_4','BJS',0), ('xbag_7','1',0), ('xbag_15','1',0), ('xbag_19','1',0), ('xbag_23','0',0);

INSERT INTO client_rec_pack(cawb,cairline,cfrom,cdes,ddate,ipcs,itweight,cflightno,dfdate,nstate,detd,
  cagent,ntype,creceiver,ctransnote,cphone,cbroker,csname,csaddr,csphone,cspostcode,cmemo,
  cothercharge) VALUES
 ('999-22222226','国航','PEK','JFK','2024-03-10 09:00:00',5,80000,'CA981','2024-03-11 00:00:00',2,
  '2024-03-11 13:00:00','纽约环球清关代理有限公司',0,'C001','','010-66668888','Beta Customs',
  'ZIZ货运','北京顺义空港物流园','010-12345678','101300','已到达','地面操作费 50'),
 ('160-33333334','国泰','CAN','HKG','2024-03-12 09:00:00',2,6000,'CX902','2024-03-12 00:00:00',1,
  '2024-03-12 18:00:00','HK Agent',1,'C002','冷藏','852-2345678','','','','','','',''),
 ('999-44444440','国航','SZX','LAX','2024-03-14 09:00:00',1,3000,'CA983','2024-03-15 00:00:00',0,
  '2024-03-15 13:30:00','ZIZ货运',1,'C001','','','','','','','','','');

INSERT INTO client_rec_xbag(ixid,cxno,cfrom,cdes,nstate,cstation,cstationd,dsysdate,cmark,cawb,chno,
  cinput,iitem,fweight) VALUES
 (3,'B2024030003','PEK','JFK',2,'SZ','','2024-03-10 10:00:00','','999-22222226','','张三',3,5.2),
 (4,'B2024030004','CAN','HKG',3,'GZ','SZ','2024-03-12 08:00:00','','160-33333334','','王五',1,0.8),
 (5,'B2024030005','SZX','LAX',0,'SZ','','2024-03-14 08:00:00','','','','张三',0,0);
)SQL";

void InsertSysFile(Database& db, const char* name, const char* text, const char* date) {
  std::string bytes;
  GbkFromUtf8(text, bytes);
  Statement st(db.Handle(),
               "INSERT INTO sys_file(cfilename,ngrade,ckind,ckey,ctitle,vdata,ddate) "
               "VALUES(?,255,?,'',?,?,?)");
  st.Bind(1, std::string(name)).Bind(2, std::string("系统配置")).Bind(3, std::string(name));
  st.Bind(4, DbValue::OfBlob(bytes)).Bind(5, std::string(date));
  st.Step();
}

}  // namespace

void LoadSampleBags(Database& db) {
  db.Exec(kBagSql);
  InsertSysFile(db, "BagDefault.txt", kBagSettingsText, "2024-01-01 00:00:00");
}

}  // namespace localserver
