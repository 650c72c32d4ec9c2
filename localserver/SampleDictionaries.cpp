// Sample dictionaries of a new stand-in database: numbered settings texts
// (strong passwords required, two refused control codes), the sender/
// receiver list layout, more accounts and control-code rules, currency
// rates, the users' environment settings and waybill prompts.
#include "localserver/Database.h"

namespace localserver {

namespace {

const char* kDictionarySql = R"SQL(
INSERT INTO sys_dict(dcname,dcvalue,diposition) VALUES
 ('72','1',0), ('89','DG1',0), ('90','EXP-出口管制',0),
 ('d_sendrec','1|120,2,3,5|80,6|150,7,8,12,',0),
 ('d_account','转账',3), ('d_account','到付',4),
 ('d_ctrlcode','EXP 出口管制，暂停收寄',3), ('d_ctrlcode','DG1 危险品，不得装袋',4),
 ('d_money_HKD','0.91' || char(10) || '0.92',0), ('d_money_JPY','0.048',0);

INSERT INTO man_main(mcaccount,mcname,mcpost,mcdepartment,mvright,mcmode,mccomway,mcsmphone,
  mcstation,mcheadship,cmsn,mcpassword,mvrighte,mvrighti,migrade,mcclientkind,mcstationt,mcpid,
  mcdepot,mnstate) VALUES
 ('zhao','赵六','司机','深圳站',X'80000000000000000000000000000000','B','粤B12345','13800000006','SZ',
  '','zhao_qq','zhao123',X'00000000000000000000000000000000',X'00000000000000000000000000000000',3,'',
  'SZ','P0006','SZ1',0),
 ('zhou','周七','站长','广州站',X'FFFFFFFFFF0000000000000000000000','A','','13800000007','GZ',
  '站长','','zhou123',X'FFFFFFFFFFFFFFFF0000000000000000',X'00000000000000000000000000000000',128,'',
  'GZ','P0007','GZ1',0);

INSERT INTO man_set(cname,caccount,cvalue) VALUES
 ('ps_envi','zhang',
  '1' || char(10) || '0' || char(10) || '2' || char(10) || '1' || char(10) || '0' || char(10) ||
  '1' || char(10) || '3' || char(10) || '0' || char(10) || '1' || char(10) || '0' || char(10) ||
  '0' || char(10) || '7' || char(10) || '0' || char(10) || '0' || char(10) || '0' || char(10) ||
  '0' || char(10) || '0' || char(10) || '0' || char(10) || '0' || char(10) || '0' || char(10) ||
  '0' || char(10) || '1'),
 ('ps_envi','wang', '1' || char(10) || '1' || char(10) || '1'),
 ('ps_envi','zhou',
  '1' || char(10) || '1' || char(10) || '1' || char(10) || '1' || char(10) || '1' || char(10) ||
  '1' || char(10) || '1' || char(10) || '1' || char(10) || '1' || char(10) || '1' || char(10) ||
  '1' || char(10) || '1500');

INSERT INTO client_rec_prompt(cnum,cmark,cmemo,cinput,ddate,bweight,binput,bsend,bquery) VALUES
 ('BR10000002','加固','外箱破损，已加固','李四','2024-03-06 09:15:00',1,0,1,1),
 ('BR10000002','改址','收件人要求改派新地址','张三','2024-03-06 10:40:00',0,0,1,1);
INSERT INTO client_rec_promptc(cnum,icid,cmark,cmemo,ddate,bweight,binput,bsend,bquery) VALUES
 ('BR10000004',3,'代收','货款到账后再放货','2024-03-07 08:00:00',1,1,1,1);

UPDATE client_rec SET ccode='EXP' WHERE irid=6;
)SQL";

}  // namespace

void LoadSampleDictionaries(Database& db) { db.Exec(kDictionarySql); }

}  // namespace localserver
