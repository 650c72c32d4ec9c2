// Sample data of the waybill query dialog: the department, reserved text,
// reference and customs numbers of the sample waybills, and two waybills in
// the later states (returned, settled), so that each condition of the record
// filter has rows to find.
#include "localserver/Database.h"

namespace localserver {

void LoadSampleWaybillQuery(Database& db) {
  db.Exec(R"SQL(
UPDATE client_rec SET
  cdepart = CASE irid % 2 WHEN 0 THEN '深圳站' ELSE '广州站' END,
  creserve = 'R' || (irid % 5),
  crno = printf('REF-%03d', irid),
  ccno = CASE WHEN irid % 6 = 0 THEN printf('C-%d', irid) ELSE '' END
WHERE irid BETWEEN 1 AND 40;
UPDATE client_rec SET nstate = 5 WHERE irid = 27;
UPDATE client_rec SET nstate = 8 WHERE irid = 39;
)SQL");
}

}  // namespace localserver
