// Sample data of the settlement statements: the statement layout of the
// user admin (the man_set row 'ps_print'), unit prices and declared values
// (hundredths) on the first customer's waybills, and that customer's tax
// number, invoice title, fax and postcode.
#include "localserver/Database.h"

namespace localserver {

void LoadSampleSettlement(Database& db) {
  // Eighteen lines of print settings come before the column block; each
  // column line is flag, column number, alignment and width.
  db.Exec(R"SQL(
INSERT INTO man_set(cname,caccount,cvalue) VALUES('ps_print','admin',
  '1' || char(10) || '0' || char(10) || '0' || char(10) || '10' || char(10) ||
  '10' || char(10) || '10' || char(10) || '10' || char(10) || '0' || char(10) ||
  '0' || char(10) || '0' || char(10) || '0' || char(10) || '0' || char(10) ||
  '0' || char(10) || '0' || char(10) || '0' || char(10) || '0' || char(10) ||
  '0' || char(10) || '0' || char(10) ||
  '_ColBegin_' || char(10) ||
  '0' || char(9) || '18' || char(9) || '0' || char(9) || '80' || char(10) ||
  '0' || char(9) || '28' || char(9) || '0' || char(9) || '100' || char(10) ||
  '0' || char(9) || '19' || char(9) || '0' || char(9) || '90' || char(10) ||
  '0' || char(9) || '13' || char(9) || '0' || char(9) || '80' || char(10) ||
  '0' || char(9) || '16' || char(9) || '0' || char(9) || '70' || char(10) ||
  '1' || char(9) || '11' || char(9) || '1' || char(9) || '70' || char(10) ||
  '1' || char(9) || '23' || char(9) || '1' || char(9) || '70' || char(10) ||
  '1' || char(9) || '12' || char(9) || '1' || char(9) || '80' || char(10) ||
  '0' || char(9) || '108' || char(9) || '1' || char(9) || '70' || char(10) ||
  '0' || char(9) || '96' || char(9) || '1' || char(9) || '70' || char(10) ||
  '0' || char(9) || '10' || char(9) || '2' || char(9) || '50' || char(10) ||
  '0' || char(9) || '46' || char(9) || '2' || char(9) || '50' || char(10) ||
  '0' || char(9) || '24' || char(9) || '0' || char(9) || '160' || char(10) ||
  '_ColEnd_' || char(10) ||
  '_MemoBegin_' || char(10) || '请于收到对账单后七日内付款。' || char(10) || '_MemoEnd_' || char(10) ||
  '1' || char(10));
UPDATE client_rec SET iprice = 850 + irid * 10, idvalue = irid * 1000
WHERE icid = 1 AND irid BETWEEN 1 AND 40;
UPDATE client_rec SET cmemo = '按月对账' WHERE irid = 6 AND cmemo = '';
UPDATE client_arc SET ctaxno = '91440300MA5XXXXX1',
  corder = '深圳华南贸易有限公司', cfax = '0755-8888 0001', cpostcode = '518000'
WHERE icid = 1;
)SQL");
}

}  // namespace localserver
