// Sample data of the file attachments: a master air waybill (999-73000001)
// and a payment without records of customer 3 (ifid 73001), each with three
// attachments: one stored under the name "../../x.sh" (a shell script),
// one under "a/b.pdf", and one whose bytes never arrived; the payment also
// has "O'Brien.pdf".  The accounts att73001 (add and delete), att73002 (add
// only) and att73003 (no attachment right), password "att123".
#include <zlib.h>

#include <string>

#include "localserver/Database.h"

namespace localserver {

namespace {

std::string Compressed(const std::string& bytes) {
  uLongf size = compressBound(static_cast<uLong>(bytes.size()));
  std::string out(size, '\0');
  compress(reinterpret_cast<Bytef*>(out.data()), &size,
           reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uLong>(bytes.size()));
  out.resize(size);
  return out;
}

void Attach(Database& db, const char* table, const char* keyColumn, const DbValue& key,
            int64_t iid, const std::string& name, const std::string& bytes, bool withBytes,
            const std::string& added) {
  const std::string z = Compressed(bytes);
  Statement st(db.Handle(), std::string("INSERT INTO ") + table + "(iid," + keyColumn +
                                ",ilen,izlen,cfile,coper,ddate,vdata) VALUES(?,?,?,?,?,?,?,?)");
  st.Bind(1, iid)
      .Bind(2, key)
      .Bind(3, static_cast<int64_t>(bytes.size()))
      .Bind(4, static_cast<int64_t>(z.size()))
      .Bind(5, name)
      .Bind(6, std::string("att73001"))
      .Bind(7, added)
      .Bind(8, withBytes ? DbValue::OfBlob(z) : DbValue());
  st.Step();
}

}  // namespace

void LoadSampleAttachments(Database& db) {
  db.Exec(R"SQL(
INSERT INTO man_main(mcaccount,mcname,mcpost,mcdepartment,mvright,mcmode,mccomway,mcsmphone,
  mcstation,mcheadship,cmsn,mcpassword,mvrighte,mvrighti,migrade,mcclientkind,mcstationt,mcpid,
  mcdepot,mnstate) VALUES
 ('att73001','附件全权','操作员','总部',X'FFFFFFFFFF00000000000000001C0000','A','','','','','',
  'att123',X'00000000000000000000000000000000',X'00000000000000000000000000000000',10,'','',
  'P73001','HQ',0),
 ('att73002','附件只加','操作员','总部',X'FFFFFFFFFF0000000000000000180000','A','','','','','',
  'att123',X'00000000000000000000000000000000',X'00000000000000000000000000000000',10,'','',
  'P73002','HQ',0),
 ('att73003','无附件权','操作员','总部',X'FFFFFFFFFF0000000000000000000000','A','','','','','',
  'att123',X'00000000000000000000000000000000',X'00000000000000000000000000000000',10,'','',
  'P73003','HQ',0);

INSERT INTO client_rec_pack(cawb,cairline,cfrom,cdes,ddate,ipcs,itweight,cflightno,dfdate,nstate,
  detd,ntype,cmemo) VALUES
 ('999-73000001','国航','PEK','LAX','2023-01-05 09:00:00',1,1000,'CA983','2023-01-06 00:00:00',0,
  '2023-01-06 13:30:00',0,'附件样例');

INSERT INTO client_fee(ifid,icid,ntype,ffee,ffeer,fchg,cmoney,dpdate,cinvoice,cdocno,crefno,cmark,
  caccount,cmname,cinput,cauditor,cmemo,npayway,dsysdate,fown) VALUES
 (73001,3,1,88,0,88,'CNY','2023-01-07 10:00:00','FP-73001','','','','','admin','admin','',
  '附件样例',0,'2023-01-07 10:01:00',0);
)SQL");
  const std::string script = "#!/bin/sh\necho attachment sample\n";
  const std::string pdf = "%PDF-1.4\n% attachment sample\n%%EOF\n";
  const std::string note = "bytes that never arrived\n";
  const DbValue awb = DbValue::OfText("999-73000001");
  Attach(db, "client_rec_pack_file", "cawb", awb, 73001, "../../x.sh", script, true,
         "2023-01-06 10:00:00");
  Attach(db, "client_rec_pack_file", "cawb", awb, 73002, "a/b.pdf", pdf, true,
         "2023-01-06 10:01:00");
  Attach(db, "client_rec_pack_file", "cawb", awb, 73003, "missing.txt", note, false,
         "2023-01-06 10:02:00");
  const DbValue payment = DbValue::Of(int64_t{73001});
  Attach(db, "client_fee_file", "ifid", payment, 73004, "../../x.sh", script, true,
         "2023-01-07 10:00:00");
  Attach(db, "client_fee_file", "ifid", payment, 73005, "a/b.pdf", pdf, true,
         "2023-01-07 10:01:00");
  Attach(db, "client_fee_file", "ifid", payment, 73006, "missing.txt", note, false,
         "2023-01-07 10:02:00");
  Attach(db, "client_fee_file", "ifid", payment, 73007, "O'Brien.pdf", pdf, true,
         "2023-01-07 10:03:00");
}

}  // namespace localserver
