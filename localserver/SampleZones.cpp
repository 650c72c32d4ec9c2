// The postcode zone files of the sample station: the sorting and the price
// zones of the DHL service (Korean postcodes, five digits, some written
// with the old six-digit "nnn-nnn" form) and the price zones of EMS.

#include <string>

#include "localserver/Database.h"
#include "localserver/Wire.h"

namespace localserver {

namespace {

const char kChoiceZones0[] =
    "; DHL sorting zones of the Seoul depot\r\n"
    "[定义开始]\r\n"
    "类型=分拣\r\n"
    "快递类别=DHL\r\n"
    "邮编找不到时的分区=3\r\n"
    "备用1数字=1\r\n"
    "备用2字母=1\r\n"
    "<第1区定义,03000,03001,03002,03003,04524,04525,\r\n"
    "06000,06001,06002,100-010,100-011,<第1区定义\r\n"
    "<第2区定义,13480,13481,13482,13487,13529,\r\n"
    "16500,16501,16502,<第2区定义\r\n"
    "<第3区定义,48058,48059,48060,48094,\r\n"
    "61000,61001,63000,63001,<第3区定义\r\n";

const char kPriceZones0[] =
    "[定义开始]\r\n"
    "类型=报价\r\n"
    "快递类别=DHL\r\n"
    "<第1区定义,03000,03001,03002,03003,04524,04525,06000,06001,06002,<第1区定义\r\n"
    "<第2区定义,13480,13481,13482,13487,13529,16500,16501,16502,\r\n"
    "48058,48059,48060,48094,<第2区定义\r\n"
    "<第3区定义,61000,61001,63000,63001,63002,<第3区定义\r\n";

const char kPriceZones1[] =
    "[定义开始]\r\n"
    "类型=报价\r\n"
    "快递类别=EMS\r\n"
    "邮编找不到时的分区=2\r\n"
    "<第1区定义,100000,100010,100020,100031,200001,200002,<第1区定义\r\n"
    "<第2区定义,510000,510010,518000,518031,518048,<第2区定义\r\n";

void InsertZoneFile(Database& db, const std::string& title, const char* text) {
  std::string bytes;
  GbkFromUtf8(text, bytes);
  Statement st(db.Handle(),
               "INSERT INTO sys_file(cfilename,ngrade,ckind,ckey,ctitle,vdata,ddate) "
               "VALUES(?,0,'','',?,?,'2024-01-01 00:00:00')");
  st.Bind(1, title + ".txt").Bind(2, title).Bind(3, DbValue::OfBlob(bytes));
  st.Step();
}

}  // namespace

void LoadSampleZones(Database& db) {
  InsertZoneFile(db, "Zip_Choice_Zone_0", kChoiceZones0);
  InsertZoneFile(db, "Zip_Price_Zone_0", kPriceZones0);
  InsertZoneFile(db, "Zip_Price_Zone_1", kPriceZones1);
}

}  // namespace localserver
