#include "localserver/ClientSqlPolicy.h"

#include <sqlite3.h>

#include <cstring>
#include <iterator>
#include <string>
#include <unordered_set>

#include "localserver/Schema.h"
#include "localserver/SqlRewriter.h"

namespace localserver {

namespace {

struct Write {
  const char* table;
  int action;
};

// The plain statements of the client: field updates of waybills, bags and
// pictures, piece and goods rows, and the bytes of attachments.  The staff
// table, the logs, files, number series and prices change only through the
// server's own procedures and requests.
const Write kClientWrites[] = {
    {"client_rec", SQLITE_UPDATE},
    {"client_rec_weight_detail", SQLITE_INSERT},
    {"client_rec_goods", SQLITE_INSERT},
    {"client_rec_goods", SQLITE_DELETE},
    {"client_rec_xbag", SQLITE_UPDATE},
    {"client_rec_picc", SQLITE_UPDATE},
    {"w_goods_pic", SQLITE_UPDATE},
    {"rec_trans_pic", SQLITE_UPDATE},
    {"client_rec_file", SQLITE_UPDATE},
    {"ivc_affix", SQLITE_UPDATE},
    {"client_rec_pack_file", SQLITE_UPDATE},
    {"client_fee_file", SQLITE_UPDATE},
    {"in_otherfee_file", SQLITE_UPDATE},
    {"out_payment_file", SQLITE_UPDATE},
};

// What the schema's own triggers do (the "dlast" stamps of the synced
// tables and their lists of removed ids).
const Write kTriggerWrites[] = {
    {"client_arc", SQLITE_UPDATE},
    {"sys_des", SQLITE_UPDATE},
    {"client_arc_del", SQLITE_INSERT},
    {"sys_des_del", SQLITE_INSERT},
};

bool Listed(const Write* list, size_t n, std::string_view table, int action) {
  for (size_t k = 0; k < n; ++k)
    if (list[k].action == action && table == list[k].table) return true;
  return false;
}

const std::unordered_set<std::string>& SchemaTableNames() {
  static const std::unordered_set<std::string> names = [] {
    std::unordered_set<std::string> s;
    for (const auto& t : SchemaTables()) s.insert(t.name);
    return s;
  }();
  return names;
}

const std::unordered_set<std::string>& ClientFunctions() {
  static const std::unordered_set<std::string> names = [] {
    std::unordered_set<std::string> s;
    for (const auto& f : RewriterFunctions()) s.insert(f);
    return s;
  }();
  return names;
}

// SQLite compares table names without regard to ASCII case.
std::string Lower(const char* s) {
  std::string out = s ? s : "";
  for (auto& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return out;
}

bool MainDatabase(const char* database) {
  return database == nullptr || std::strcmp(database, "main") == 0;
}

}  // namespace

bool ClientMayWrite(std::string_view table, int action) {
  return Listed(kClientWrites, std::size(kClientWrites), table, action);
}

int AuthorizeClientSql(void*, int action, const char* arg1, const char* arg2,
                       const char* database, const char* trigger) {
  switch (action) {
    case SQLITE_SELECT:
      return SQLITE_OK;
    case SQLITE_READ: {
      std::string table = Lower(arg1);
      if (!MainDatabase(database) || !SchemaTableNames().count(table)) return SQLITE_DENY;
      if (table == "man_main" && Lower(arg2) == "mcpassword") return SQLITE_DENY;
      return SQLITE_OK;
    }
    case SQLITE_INSERT:
    case SQLITE_UPDATE:
    case SQLITE_DELETE: {
      std::string table = Lower(arg1);
      if (!MainDatabase(database)) return SQLITE_DENY;
      bool ok = trigger ? Listed(kTriggerWrites, std::size(kTriggerWrites), table, action)
                        : ClientMayWrite(table, action);
      return ok ? SQLITE_OK : SQLITE_DENY;
    }
    case SQLITE_FUNCTION: {
      std::string name = Lower(arg2);
      if (ClientFunctions().count(name)) return SQLITE_OK;
      return trigger && name == "strftime" ? SQLITE_OK : SQLITE_DENY;
    }
    default:
      // PRAGMA, ATTACH, DETACH, transactions, savepoints, recursive
      // queries, anything that creates, drops or alters.
      return SQLITE_DENY;
  }
}

}  // namespace localserver
