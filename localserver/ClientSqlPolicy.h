#pragma once
// What SQL that comes from a client may touch, decided by SQLite itself
// while it compiles each statement (an authorizer callback), whatever the
// spelling of the text: the schema's tables, the functions the rewriter
// emits, no SQLite tables, no PRAGMA or ATTACH, never the stored passwords,
// and writes only where a client request writes.  The rewriter's own checks
// come first; this is the last word.

#include <string_view>

namespace localserver {

// The sqlite3_set_authorizer callback for client statements.
int AuthorizeClientSql(void* unused, int action, const char* arg1, const char* arg2,
                       const char* database, const char* trigger);

// The statement kinds a client may run on a table: SQLITE_INSERT,
// SQLITE_UPDATE or SQLITE_DELETE.
bool ClientMayWrite(std::string_view table, int action);

}  // namespace localserver
