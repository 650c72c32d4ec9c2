#include "localserver/Schema.h"

#include <sstream>

namespace localserver {

namespace {

// Each table as "name:type" words.  Types: id = integer key (identity),
// i = integer, f = double, t = text, d = datetime (stored as text
// "YYYY-MM-DD HH:MM:SS"), b = bytes.  A trailing '?' makes NULL the default.
struct TableSpec {
  const char* name;
  const char* columns;
};

// Shared column lists.
#define ATTACH_COLS "ilen:i izlen:i cfile:t coper:t ddate:d vdata:b"
#define PIC_COLS "ilen:i cext:t ddate:d cinput:t vdata:b"

const TableSpec kTables[] = {
    // Waybills.
    {"client_rec",
     "irid:id icid:i nitemtype:i fweight:f famount:f cdes:t nlanguage:i isid:i cemskind:t "
     "fcost:f ddate:d cserviceno:t fbranch:f cmname:t cinput:t fsprice:f cmemo:t fweights:f "
     "ctaker:t ctrans:t cnum:t caddrfrom:t cbearer:t fmname:f ftake:f ftrans:f fbear:f "
     "ftcost:f creceiver:t cunitname:t caddr:t cphone:t faccord:f csign:t csender:t clwh:t "
     "fweightb:f dsysdate:d npayway:i nstate:i dtdate:d dadate:d iitem:i ibatch:i famountr:f "
     "fgoods:f fgoodsr:f fgoodsc:f dsenddate:d fsprices:f fabase:f faaddon:f facustom:f "
     "faother:f faaddrate:f cawb:t faget:f facarry:f fasafe:f fapack:f nsendway:i cgoods:t "
     "iquantity:i foprice:f ctransnote:t ibag:i ccountry:t cprovince:t ccity:t cpostcode:t "
     "csunitname:t csaddr:t csphone:t cscountry:t csprovince:t cscity:t cspostcode:t "
     "cmoney:t corigin:t cmark:t cpaydir:t coutput:t ccheckpoint:t ffweight:f crno:t fawb:f "
     "famountc:f idvalue:i iivalue:i cpacking:t csmsnumber:t fweightr:f cset:t ccno:t "
     "cdepart:t ccode:t csemail:t cremail:t crsms:t iprice:i ireserve:i creserve:t dwdate:d "
     "cweight:t iiid:i iqid:i ifid:i ipid:i ifsid:i ifcid:i fabaserate:f nfrom:i ifside:i "
     "ifcide:i famountre:f famountce:f fgoodsre:f fgoodsce:f fweightre:f creturn:t dreturn:d "
     "fsabase:f fsaaddon:f fsacustom:f fsaother:f fsacarry:f fsasafe:f fsapack:f "
     "fsaaddrate:f cby1:t cby2:t cby3:t cby4:t cby5:t cemskindc:t cckmemo:t dckdate:d "
     "cckname:t ctno:t ftweight:f ngstate:i ibid:i fex1:f fex2:f fex3:f fex4:f fex5:f "
     "cex1:t cex2:t cex3:t cex4:t cex5:t iex1:i iex2:i iex3:i iex4:i iex5:i dex1:d dex2:d "
     "dex3:d dex4:d dex5:d dudate:d cuspcode:t fucost:f iusid:i icubic:i icount:i piid:i "
     "cstationt:t cgoodsa:t cgcodea:t cgcodeb:t cgcodec:t fgcustom:f fgcrate:f facheck:f "
     "faremote:f faby:f fsacheck:f fsaremote:f fsaby:f cpic1:t dpic1:d cpic2:t dpic2:d "
     "iids:i iidr:i iidi:i cfeeaud:t dfeeaud:d fdiscount:f focustomc:f focustoms:f ifile:i "
     "cunit:t fgweight:f csidcard:t cridcard:t bpay:i ndays:i isendday:i cextra:t cbag:t "
     "clastmod:t dlastmod:d dsetdate:d ixbag:i?"},
    {"client_rec_weight_detail",
     "irid:i wpos:i ilong:i iwidth:i iheight:i iweight:i npercent:i cno:t famount:f fcost:f "
     "ibag:i cgoods:t iquantity:i iprice:i crno:t cnum:t cgoodsa:t cgcodea:t cgcodeb:t "
     "cgcodec:t fgcustom:f fgcrate:f"},
    {"client_rec_goods",
     "wpos:i irid:i cgoods:t cunit:t iquantity:i fprice:f cgoodsa:t cgcodea:t cgcodeb:t "
     "cgcodec:t fgcustom:f fgcrate:f fgweight:f"},
    {"client_rec_pic", "irid:i ilen:i"},
    {"client_rec_picc", "irid:i npos:i " PIC_COLS},
    {"w_goods_pic", "giid:i npos:i " PIC_COLS},
    {"w_g_in_pic", "iid:i wpos:i " PIC_COLS},
    {"rec_trans_pic", "iid:i npos:i " PIC_COLS},
    {"client_rec_prompt",
     "cnum:t cmark:t cmemo:t cinput:t ddate:d bweight:i binput:i bsend:i bquery:i"},
    {"client_rec_promptc",
     "cnum:t icid:i cmark:t cmemo:t ddate:d bweight:i binput:i bsend:i bquery:i"},
    {"check_detail", "irid:i wpos:i npos:i cdate:t cplace:t cinfo:t cinput:t"},
    {"check_detail_en", "irid:i wpos:i npos:i cdate:t cplace:t cinfo:t cinput:t"},
    {"check_info", "irid:i cinfo:t"},
    {"check_info_en", "irid:i cinfo:t"},
    // Customers and their money.
    {"client_arc",
     "icid:id cunitname:t cunitnamee:t caccount:t cstation:t ckind:t nactive:i cmark:t "
     "ddate:d cmsn:t cqq:t cskype:t cwebac:t cwang:t cwechat:t cemail:t caddr:t caddre:t "
     "ccity:t ccitye:t cphone:t cbrief:t fpay0:f fpay1:f fpay2:f ipay0:i ipay1:i ipay2:i "
     "fdeposit:f ndeposit:i fcredit:f cpostcode:t cprovince:t cprovincee:t ccountry:t "
     "ccountrye:t csender:t csendere:t nstate:i cmname:t npayway:i csmnumber:t ndoc:i "
     "nbag:i nwbag:i ctaker:t ctrans:t cbearer:t cidcard:t corder:t cfax:t ctaxno:t "
     "cdocno:t dlast:d"},
    {"client_arc_del", "icid:i dlast:d"},
    {"client_fee",
     "ifid:id icid:i cinvoice:t ffee:f dpdate:d cmname:t cinput:t cdocno:t cmemo:t ffeer:f "
     "fown:f cauditor:t npayway:i crefno:t ntype:i cmark:t caccount:t cmoney:t fchg:f "
     "dsysdate:d"},
    // Suppliers (next carriers).
    {"sp_arc",
     "isid:id cname:t nstate:i cbank:t cbac:t nbatch:i caccount:t ntype:i caddr:t "
     "ccontactman:t cphone:t cfax:t cemail:t ndiscount:i"},
    // Bags and master air waybills.
    {"client_rec_xbag",
     "ixid:id cxno:t cfrom:t cdes:t cstation:t cstationd:t cmark:t ctype:t ctransnote:t "
     "cmemo:t nstate:i ntype:i nshare:i corder:t chorder:t chno:t cawb:t dsysdate:d "
     "cinput:t iitem:i fweight:f il:i iw:i ih:i icub:i clastmod:t dlastmod:d cby1:t cby2:t "
     "cby3:t cby4:t cby5:t cpack:t dpack:d caddawb:t daddawb:d cunpack:t dunpack:d"},
    {"client_rec_xbag_item", "ixid:i irid:i wpos:i cinput:t ddate:d"},
    {"client_rec_xbag_item_u", "ixid:i irid:i wpos:i cinput:t ddate:d"},
    {"client_rec_pack",
     "cawb:t cairline:t cfrom:t cdes:t ddate:d ipcs:i iweight:i itweight:i ffreight:f "
     "cpacking:t ctransnote:t csize:t cmemo:t nstate:i cinput:t creceiver:t cagent:t "
     "cphone:t cflightno:t dfdate:d cairport:t cflightno2:t dfdate2:d cairport2:t "
     "cothercharge:t cmark:t cbroker:t fcustout:f fcustin:f fdelivery:f fother:f ifreight:i "
     "icustout:i icustin:i idelivery:i iother:i detd:d deta:d cccode:t dcdate:d ccno:t "
     "ctranstype:t ctradetype:t ntype:i isfreight:i iscustout:i iscustin:i isdelivery:i "
     "isother:i csname:t csaddr:t csphone:t cspostcode:t nsendway:i iitemi:i iweightg:i "
     "cpaynote:t fabase:f faaddon:f fadoc:f fatruck:f fasafe:f faother:f faprice:f "
     "faaddrate:f nptype:i cpayway:t cgtype:t cgoods:t cd1:t cd2:t cd3:t cd4:t cd5:t cc1:t "
     "cc2:t cc3:t cc4:t cc5:t ce1:t ce2:t ce3:t ce4:t ce5:t ccp1:t ccp2:t ccp3:t ccp4:t "
     "ccp5:t cep1:t cep2:t cep3:t cep4:t cep5:t"},
    // Attachments.
    {"client_rec_file", "iid:id irid:i " ATTACH_COLS},
    {"ivc_affix", "iid:id iiid:i " ATTACH_COLS},
    {"client_rec_pack_file", "iid:id cawb:t " ATTACH_COLS},
    {"client_fee_file", "iid:id ifid:i " ATTACH_COLS},
    {"in_otherfee_file", "iid:id iidi:i " ATTACH_COLS},
    {"out_payment_file", "iid:id iido:i " ATTACH_COLS},
    // Dictionaries, staff, settings.
    {"sys_dict", "dcname:t dcvalue:t diposition:i"},
    {"man_set", "cname:t caccount:t cvalue:t"},
    {"man_main",
     "mcaccount:t mcname:t mcpost:t mcdepartment:t mvright:b mcmode:t mccomway:t "
     "mcsmphone:t mcstation:t mcheadship:t cmsn:t mcpassword:t mvrighte:b mvrighti:b "
     "migrade:i mcclientkind:t mcstationt:t mcpid:t mcdepot:t mnstate:i"},
    {"sys_model", "iid:id cname:t ckind:t ctext:t vdata:b ddate:d"},
    {"rec_pre_input",
     "iid:id irid:i icid:i ddate:d cnum:t cserviceno:t crno:t cemskind:t csender:t "
     "csphone:t cdepart:t csaddr:t cdes:t iitem:i fweight:f cgoods:t iquantity:i cmark:t "
     "cmemo:t cplan:t dplan:d nplan:i ctaker:t dtake:d cpmemo:t creceiver:t caddr:t "
     "cphone:t"},
    // Service kinds.
    {"ziz_kind",
     "cemskind:t narea:i idocweighte:i ibagweighte:i nstate:i cmemo:t fcustoms:f faddons:f "
     "b1price:i cmname:t ctaker:t ctrans:t cbearer:t nextra:i cemskindd:t nclient:i nsp:i "
     "nweights:i nsmtake:i nsmsend:i nsmsign:i nsmerror:i nsmdays:i ckey:t cemskindi:t "
     "ninput:i idiscount:i ncost:i cmaskno:t cmasknum:t ntrackbit:i nbusitype:i fscustoms:f "
     "fsaddons:f ncuball:i nnoprice:i cstation:t ndiscountc:i ndiscounts:i nallcustoms:i "
     "npubprice:i crmtkind:t ipubdis:i? cekgroup:t? nwtypec:i? nwtypes:i? iidgen:i?"},
    {"ziz_edit", "citem:t cemskind:t"},
    {"ziz_sp",
     "cemskind:t isid:i ndocdiscount:i nbagdiscount:i nwbagdiscount:i ipos:i nextra:i "
     "vdiscount:b ibweight:i iaddweight:i fsrate:f fprate:f nstate:i cinput:t ddate:d "
     "fother:f"},
    {"ziz_kind_ex",
     "cemskind:t cclient:t cfrom:t cpostcode:t cphone:t ccity:t creturn:t cby1:t cby2:t "
     "cby3:t cby4:t cby5:t"},
    {"ziz_area", "cemskind:t carea:t careae:t narea:i ntype:i ccode:t"},
    // Air freight.
    {"sys_airline",
     "iid:id cprefix:t cnum:t cbrief:t chostname:t nstate:i ipos:i ifreight:i icustout:i "
     "icustin:i idelivery:i iother:i cmodel:t"},
    {"sys_airport", "cportcode:t ccitycode:t ccountrycode:t cportname:t"},
    {"flt_main",
     "ifid:id cftno:t iaid:i bweek0:i bweek1:i bweek2:i bweek3:i bweek4:i bweek5:i bweek6:i "
     "bstop:i cportb:t cportt:t cporte:t cfrom:t cdes:t wdepart:i warrive:i faddrate:f "
     "fadoc:f faother:f isid0:i isid1:i isid2:i isid3:i isid4:i csname:t csaddr:t csphone:t "
     "cspostcode:t nkgcalc:i nkground:i fminadd:f fminfee:f"},
    {"flt_price",
     "ifid:i nitemtype:i ibweight:i ieweight:i iweightper:i iprice:i itopprice:i ntype:i"},
    // The server's own tables: sessions and logs, files, number series,
    // prices, the destination directory.
    {"sys_login",
     "ilogid:id caccount:t irand:i cwcid:t cpcmark:t cmac:t iosver:i imisver:i dlogin:d "
     "dlogout:d"},
    {"sys_log", "ilid:id ckind:t cuser:t ctext:t inum1:i inum2:i caccount:t ilogid:i ddate:d"},
    {"sys_file",
     "iid:id cfilename:t ngrade:i ckind:t ckey:t ctitle:t vdata:b ddate:d"},
    {"sys_numseries", "ckind:t cprefix:t inext:i iwidth:i"},
    {"ziz_price",
     "cemskind:t cdes:t nitemtype:i ibweight:i ieweight:i fbase:f fperkg:f faddon:f "
     "fcustoms:f fother:f fdiscount:f"},
    {"sp_price",
     "isid:i cemskind:t cdes:t nitemtype:i ibweight:i ieweight:i fbase:f fperkg:f faddon:f "
     "fcustoms:f fother:f focustom:f frate:f fsprice:f cmethod:t cmemo:t"},
    {"sys_des",
     "iid:id narea:i ntype:i ccode:t cname:t cnamee:t cshort:t cpostcode:t ciso2:t ciso3:t "
     "dlast:d"},
    {"sys_des_del", "iid:i dlast:d"},
};

std::vector<TableDef> Build() {
  std::vector<TableDef> out;
  for (const auto& spec : kTables) {
    TableDef t;
    t.name = spec.name;
    std::istringstream words(spec.columns);
    std::string w;
    while (words >> w) {
      auto colon = w.find(':');
      ColumnDef c;
      c.name = w.substr(0, colon);
      std::string type = w.substr(colon + 1);
      if (!type.empty() && type.back() == '?') {
        c.nullDefault = true;
        type.pop_back();
      }
      if (type == "id") {
        c.type = ColType::Int;
        c.autoKey = true;
      } else if (type == "i") {
        c.type = ColType::Int;
      } else if (type == "f") {
        c.type = ColType::Real;
      } else if (type == "t") {
        c.type = ColType::Text;
      } else if (type == "d") {
        c.type = ColType::DateTime;
      } else {
        c.type = ColType::Blob;
      }
      t.columns.push_back(c);
    }
    out.push_back(std::move(t));
  }
  return out;
}

}  // namespace

const std::vector<TableDef>& SchemaTables() {
  static const std::vector<TableDef> tables = Build();
  return tables;
}

const TableDef* FindTable(std::string_view name) {
  for (const auto& t : SchemaTables())
    if (t.name == name) return &t;
  return nullptr;
}

std::string CreateTableSql(const TableDef& table) {
  std::string sql = "CREATE TABLE IF NOT EXISTS " + table.name + "(";
  bool first = true;
  for (const auto& c : table.columns) {
    if (!first) sql += ',';
    first = false;
    sql += c.name;
    switch (c.type) {
      case ColType::Int:
        sql += c.autoKey ? " INTEGER PRIMARY KEY AUTOINCREMENT"
                         : (c.nullDefault ? " INTEGER" : " INTEGER DEFAULT 0");
        break;
      case ColType::Real:
        sql += c.nullDefault ? " REAL" : " REAL DEFAULT 0";
        break;
      case ColType::Text:
        sql += c.nullDefault ? " TEXT COLLATE TSQL" : " TEXT COLLATE TSQL DEFAULT ''";
        break;
      case ColType::DateTime:
        // Declared so that SQLite gives it text affinity.
        sql += c.nullDefault ? " DATETIME_TEXT"
                             : std::string(" DATETIME_TEXT DEFAULT '") + kEmptyDate + "'";
        break;
      default:
        sql += " BLOB";
    }
  }
  sql += ")";
  return sql;
}

const ColumnTypeMap& SchemaColumnTypes() {
  static const ColumnTypeMap map = [] {
    ColumnTypeMap m;
    for (const auto& t : SchemaTables())
      for (const auto& c : t.columns) {
        auto [it, added] = m.emplace(c.name, c.type);
        if (!added && it->second != c.type) it->second = ColType::Mixed;
      }
    return m;
  }();
  return map;
}

}  // namespace localserver
