// Sample data of the station caches: a few thousand customers of the
// Shanghai station and destinations, made the same way at every start so
// that the client list and the destination directory take several replies
// to fetch, and a few removed again so that the deletion records hold
// something.  The hand-written customers 1-4 and destinations 1-8 stay as
// they are.

#include <cstdio>
#include <string>

#include "localserver/Database.h"

namespace localserver {

namespace {

constexpr int kFirstCustomer = 1001;
constexpr int kCustomers = 3000;
constexpr int kFirstDestination = 101;
constexpr int kDestinations = 2000;

const char* const kTrades[] = {"贸易", "电子", "物流", "服饰", "五金", "食品", "科技", "家居"};
const char* const kTradesEn[] = {"Trading", "Electronics", "Logistics", "Garments",
                                 "Hardware", "Foods", "Technology", "Homeware"};
const char* const kProvinces[] = {"广东", "浙江", "江苏", "山东", "四川", "湖北", "河南", "福建"};

std::string Format(const char* pattern, int a, const char* b = "", const char* c = "") {
  char text[256];
  std::snprintf(text, sizeof text, pattern, a, b, c);
  return text;
}

}  // namespace

void LoadSampleCustomers(Database& db) {
  std::string sql;
  for (int k = 0; k < kCustomers; ++k) {
    const int id = kFirstCustomer + k;
    const int trade = k % 8;
    sql = "INSERT INTO client_arc(icid,cunitname,cunitnamee,caccount,cstation,ckind,nactive,"
          "ccity,ccitye,cphone,npayway) VALUES(" +
          std::to_string(id) + ",'" + Format("上海%04d%s有限公司", id, kTrades[trade]) + "','" +
          Format("Shanghai %04d %s Co.", id, kTradesEn[trade]) + "','" +
          Format("SH%05d", id) + "','SH','普通',0,'上海','Shanghai','" +
          Format("021-6%07d", id) + "'," + std::to_string(k % 3) + ")";
    db.Exec(sql);
  }
  for (int k = 0; k < kDestinations; ++k) {
    const int id = kFirstDestination + k;
    const int province = k % 8;
    char code[8];
    std::snprintf(code, sizeof code, "D%04d", id);
    sql = "INSERT INTO sys_des(iid,narea,ntype,ccode,cname,cnamee,cshort,cpostcode,ciso2,ciso3) "
          "VALUES(" +
          std::to_string(id) + "," + std::to_string(k % 9) + "," + std::to_string(k % 3) + ",'" +
          code + "','" + Format("%2$s城%1$04d", id, kProvinces[province]) + "','" +
          Format("City %04d", id) + "','" + Format("C%04d", id) + "','" +
          Format("%06d", 100000 + id * 7) + "','CN','CHN')";
    db.Exec(sql);
  }
  // Some customers and destinations are gone again.
  db.Exec("DELETE FROM client_arc WHERE icid>=" + std::to_string(kFirstCustomer) + " AND icid%97=0");
  db.Exec("DELETE FROM sys_des WHERE iid>=" + std::to_string(kFirstDestination) + " AND iid%89=0");
}

}  // namespace localserver
