#include "shipping/RecordViewQuery.h"

#include <cstdio>

#include "common/FieldCheck.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "server/ServerLink.h"

namespace {

const uint32_t kL = AcsTypeEntry(kSqlCSLong);
const uint32_t kU = AcsTypeEntry(kSqlCUTinyInt);
const uint32_t kB = AcsTypeEntry(kSqlCBit);
const uint32_t kD = AcsTypeEntry(kSqlCDouble);
const uint32_t kT = AcsTypeEntry(kSqlCTimestamp, 16);
uint32_t C(unsigned width) { return AcsTypeEntry(kSqlCChar, width); }

const char kQueryHead[] =
    "SELECT TOP 1 a.icid,a.isid,a.nitemtype,a.nlanguage,a.cemskind,a.cdes,a.fweight,a.famount,"
    "a.ddate,a.cserviceno,a.cunitname,a.caddr,a.ccity,a.cpostcode,a.cprovince,a.ccountry,"
    "a.creceiver,a.cphone,a.nstate,a.cmemo,a.cmname,a.cbearer,a.cinput,a.fsprice,a.ifid,a.bpay,"
    "a.ctaker,a.ctrans,a.cnum,a.caddrfrom,a.npayway,a.ndays,a.csign,a.dtdate,a.dadate,a.csender,"
    "a.clwh,a.fweightb,a.iitem,a.ibatch,a.piid,a.isendday,a.irid,a.cemskindc,a.dsysdate,"
    "a.dsenddate,a.cextra,a.cawb,a.cgoods,a.iquantity,a.iprice,a.cpacking,a.ctransnote,a.idvalue,"
    "a.iivalue,a.ibag,a.csunitname,a.csaddr,a.csphone,a.cspostcode,a.cscountry,a.csprovince,"
    "a.cscity,a.cmark,a.coutput,a.fweights,a.ccheckpoint,a.cbag,a.nfrom,a.ffweight,a.dwdate,"
    "a.crno,a.clastmod,a.dlastmod,a.fweightr,a.cset,a.dsetdate,a.ccno,a.cdepart,a.ccode,a.ifile,"
    "a.fgoods,a.csemail,a.cremail,a.crsms,a.csmsnumber,a.iiid,a.iqid,a.ireserve,a.creserve,"
    "a.ipid,a.cweight,a.ifsid,a.ifcid,a.famountr,a.famountc,a.fgoodsr,a.fgoodsc,a.famountre,"
    "a.famountce,a.fgoodsre,a.fgoodsce,a.ifside,a.ifcide,a.fweightre,a.creturn,a.dreturn,a.cby1,"
    "a.cby2,a.cby3,a.cby4,a.cby5,a.ibid,b.csmnumber,a.cckmemo,a.dckdate,a.cckname,a.ctno,"
    "a.ftweight,b.cstation,b.ckind,a.fex1,a.fex2,a.fex3,a.fex4,a.fex5,a.cex1,a.cex2,a.cex3,"
    "a.cex4,a.cex5,a.iex1,a.iex2,a.iex3,a.iex4,a.iex5,a.dex1,a.dex2,a.dex3,a.dex4,a.dex5,"
    "a.ixbag,a.icubic,ISNULL(c.npos,255),c.cdate,c.cplace,c.cinfo,a.cstationt,a.fdiscount,"
    "a.cfeeaud,a.dfeeaud,a.csidcard,a.cridcard,a.fgweight FROM brantle.dbo.client_rec AS a "
    "INNER JOIN brantle.dbo.client_arc AS b ON(a.icid=b.icid) LEFT OUTER JOIN "
    "brantle.dbo.check_detail%s c ON(a.irid=c.irid)  WHERE (c.npos=(select "
    "ISNULL(max(npos),255) from brantle.dbo.check_detail%s where irid=a.irid) OR c.npos IS "
    "NULL) AND ";

}  // namespace

const std::vector<RecordViewColumn>& RecordViewColumns() {
  static const std::vector<RecordViewColumn> columns = {
      {"icid", kL}, {"isid", kL}, {"nitemtype", kU}, {"nlanguage", kU}, {"cemskind", C(16)},
      {"cdes", C(64)}, {"fweight", kD}, {"famount", kD}, {"ddate", kT}, {"cserviceno", C(32)},
      {"cunitname", C(256)}, {"caddr", C(256)}, {"ccity", C(128)}, {"cpostcode", C(16)},
      {"cprovince", C(64)}, {"ccountry", C(128)}, {"creceiver", C(64)}, {"cphone", C(64)},
      {"nstate", kU}, {"cmemo", C(256)}, {"cmname", C(32)}, {"cbearer", C(32)},
      {"cinput", C(32)}, {"fsprice", kD}, {"ifid", kL}, {"bpay", kB}, {"ctaker", C(32)},
      {"ctrans", C(32)}, {"cnum", C(32)}, {"caddrfrom", C(64)}, {"npayway", kU}, {"ndays", kL},
      {"csign", C(32)}, {"dtdate", kT}, {"dadate", kT}, {"csender", C(32)}, {"clwh", C(16)},
      {"fweightb", kD}, {"iitem", kL}, {"ibatch", kL}, {"piid", kL}, {"isendday", kL},
      {"irid", kL}, {"cemskindc", C(16)}, {"dsysdate", kT}, {"dsenddate", kT},
      {"cextra", C(512)}, {"cawb", C(32)}, {"cgoods", C(256)}, {"iquantity", kL},
      {"iprice", kL}, {"cpacking", C(16)}, {"ctransnote", C(64)}, {"idvalue", kL},
      {"iivalue", kL}, {"ibag", kL}, {"csunitname", C(128)}, {"csaddr", C(128)},
      {"csphone", C(64)}, {"cspostcode", C(16)}, {"cscountry", C(64)}, {"csprovince", C(32)},
      {"cscity", C(64)}, {"cmark", C(16)}, {"coutput", C(32)}, {"fweights", kD},
      {"ccheckpoint", C(16)}, {"cbag", C(1024)}, {"nfrom", kL}, {"ffweight", kD},
      {"dwdate", kT}, {"crno", C(32)}, {"clastmod", C(32)}, {"dlastmod", kT},
      {"fweightr", kD}, {"cset", C(32)}, {"dsetdate", kT}, {"ccno", C(32)}, {"cdepart", C(32)},
      {"ccode", C(4)}, {"ifile", kL}, {"fgoods", kD}, {"csemail", C(64)}, {"cremail", C(64)},
      {"crsms", C(24)}, {"csmsnumber", C(24)}, {"iiid", kL}, {"iqid", kL}, {"ireserve", kL},
      {"creserve", C(32)}, {"ipid", kL}, {"cweight", C(32)}, {"ifsid", kL}, {"ifcid", kL},
      {"famountr", kD}, {"famountc", kD}, {"fgoodsr", kD}, {"fgoodsc", kD}, {"famountre", kD},
      {"famountce", kD}, {"fgoodsre", kD}, {"fgoodsce", kD}, {"ifside", kL}, {"ifcide", kL},
      {"fweightre", kD}, {"creturn", C(32)}, {"dreturn", kT}, {"cby1", C(64)}, {"cby2", C(64)},
      {"cby3", C(64)}, {"cby4", C(64)}, {"cby5", C(256)}, {"ibid", kL}, {"csmnumber", C(32)},
      {"cckmemo", C(64)}, {"dckdate", kT}, {"cckname", C(16)}, {"ctno", C(32)},
      {"ftweight", kD}, {"cstation", C(16)}, {"ckind", C(16)}, {"fex1", kD}, {"fex2", kD},
      {"fex3", kD}, {"fex4", kD}, {"fex5", kD}, {"cex1", C(128)}, {"cex2", C(128)},
      {"cex3", C(128)}, {"cex4", C(128)}, {"cex5", C(128)}, {"iex1", kL}, {"iex2", kL},
      {"iex3", kL}, {"iex4", kL}, {"iex5", kL}, {"dex1", kT}, {"dex2", kT}, {"dex3", kT},
      {"dex4", kT}, {"dex5", kT}, {"ixbag", kL}, {"icubic", kL}, {"npos", kL},
      {"cdate", C(32)}, {"cplace", C(128)}, {"cinfo", C(256)}, {"cstationt", C(16)},
      {"fdiscount", kD}, {"cfeeaud", C(32)}, {"dfeeaud", kT}, {"csidcard", C(32)},
      {"cridcard", C(32)}, {"fgweight", kD},
  };
  return columns;
}

const std::vector<uint32_t>& RecordViewColumnTypes() {
  static const std::vector<uint32_t> types = [] {
    std::vector<uint32_t> t;
    for (const RecordViewColumn& c : RecordViewColumns()) t.push_back(c.type);
    return t;
  }();
  return types;
}

std::u16string BuildRecordViewCondition(int kind, std::u16string_view text, int matchMode,
                                        int32_t id) {
  if (kind == kViewById) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "a.irid=%d", id);
    return WideFromGbk(buffer);
  }
  static const char16_t* const kColumns[] = {u"a.cnum", u"a.cserviceno", u"a.crno", u"a.ccno"};
  if (kind < 0 || kind > 3) return {};
  const std::u16string pattern = MakeSqlLikePattern(text, matchMode);
  if (pattern.empty()) return {};
  return std::u16string(kColumns[kind]) + u" LIKE '" + pattern + u"'";
}

std::string BuildRecordViewQuery(std::u16string_view condition) {
  // Both table-name markers take the empty suffix: the view always reads
  // the Chinese tracking table.
  std::string sql = kQueryHead;
  for (size_t at = sql.find("%s"); at != std::string::npos; at = sql.find("%s", at))
    sql.erase(at, 2);
  sql += GbkFromWide(condition);
  return sql;
}

bool ReadRecordViewRow(std::string_view reply, WaybillDetailRow& row) {
  if (JsonGetInt("iTotal", reply, 0) <= 0) return false;
  const std::string_view list = JsonListBody(reply, "List");
  size_t pos = 0;
  std::string_view object;
  if (!JsonNextObject(list, pos, object)) return false;
  JsonRowIndex index(object);
  const auto& columns = RecordViewColumns();
  for (size_t i = 0; i < columns.size(); ++i) {
    const std::string key = std::to_string(i);
    const uint16_t code = AcsTypeCode(columns[i].type);
    // Texts are the server's narrow fields: characters outside GBK come as
    // "&#N;" references or in the "?B?" form and are shown as characters.
    if (code == static_cast<uint16_t>(kSqlCChar))
      row.Set(columns[i].name, StringFromFieldText(index.GetString(key, 4095, true)));
    else if (code == static_cast<uint16_t>(kSqlCTimestamp))
      row.Set(columns[i].name, index.GetWString(key, 4096));
    else
      row.Set(columns[i].name, WideFromGbk(index.GetString(key, 63)));
  }
  return true;
}

int RecordViewAccess(std::u16string_view operatorStation, std::u16string_view operatorKind,
                     const WaybillDetailRow& row) {
  if (!operatorStation.empty() && operatorStation != row.Text("cstation", 15)) return 0;
  if (!operatorKind.empty() && operatorKind != row.Text("ckind", 15)) return 0;
  return 1;
}

std::u16string RecordViewRestrictionNote(std::u16string_view operatorStation,
                                         std::u16string_view operatorKind,
                                         const WaybillDetailRow& row) {
  if (!operatorStation.empty() && operatorStation != row.Text("cstation", 15))
    return AppLanguage().TextWithString(290102, row.Text("cstation", 15));
  if (!operatorKind.empty() && operatorKind != row.Text("ckind", 15))
    return AppLanguage().TextWithString(290103, row.Text("ckind", 15));
  return {};
}

std::u16string RecordViewTrackingCaption(std::u16string_view date, std::u16string_view destination,
                                         std::u16string_view kind) {
  return AppLanguage().Text(30070) + u":" + std::u16string(date) + u"\r\n" +
         AppLanguage().Text(30001) + u":" + std::u16string(destination) + u"[" +
         std::u16string(kind) + u"]";
}
