// File attachments of six kinds of record (cp_<table>_add / cp_<table>_del
// for client_rec_file, ivc_affix, client_rec_pack_file, client_fee_file,
// in_otherfee_file and out_payment_file).  The add makes the attachment's
// row without its bytes and returns its id; the client then sends the
// compressed bytes with "sDataPut" into vdata.  Each call runs in the one
// transaction the service gives every procedure.
//
// Add: key, ilen, izlen, 'cfile', '', 'coper' -> the new iid, or
//   -1 no such record (waybill irid, master air waybill cawb, payment ifid;
//      kinds 1, 4 and 5, whose records the stand-in does not hold, need a
//      key above 0),
//   -2 a payment of a customer of another station,
//   -3 ilen not 1..1,048,576, izlen not 1..compressBound(1,048,576), or
//      cfile empty, longer than 255 bytes or holding "/" or "\".
// Delete: iid, 'coper' -> the iid, or -4 no such attachment, -2 a payment
//   of a customer of another station.
#include <string>
#include <vector>

#include "localserver/ProcHelpers.h"
#include "localserver/Procedures.h"

namespace localserver {

namespace {

struct AttachmentTable {
  const char* table;
  const char* keyColumn;
  // The record a key names: "SELECT count(*) ..." with one "?", or null
  // when the stand-in does not hold those records.
  const char* recordQuery;
};

const AttachmentTable kTables[] = {
    {"client_rec_file", "irid", "SELECT count(*) FROM client_rec WHERE irid=?"},
    {"ivc_affix", "iiid", nullptr},
    {"client_rec_pack_file", "cawb", "SELECT count(*) FROM client_rec_pack WHERE cawb=?"},
    {"client_fee_file", "ifid", "SELECT count(*) FROM client_fee WHERE ifid=?"},
    {"in_otherfee_file", "iidi", nullptr},
    {"out_payment_file", "iido", nullptr},
};

constexpr int64_t kLengthLimit = 1048576;
// zlib's compressBound(1,048,576): a file of that length that does not
// compress.
constexpr int64_t kCompressedLimit = kLengthLimit + (kLengthLimit >> 12) + (kLengthLimit >> 14) +
                                     (kLengthLimit >> 25) + 13;
constexpr size_t kFileNameBytes = 255;

bool IsTextKey(const AttachmentTable& t) { return std::string(t.keyColumn) == "cawb"; }

// False when a payment's customer belongs to another station.
bool PaymentAllowed(ProcContext& ctx, const AttachmentTable& t, int64_t ifid) {
  if (std::string(t.table) != "client_fee_file") return true;
  const DbValue customer =
      ctx.db.Scalar("SELECT icid FROM client_fee WHERE ifid=?", {DbValue::Of(ifid)});
  return StationAllows(ctx.db, ctx.session, customer.AsInt());
}

ProcResult Add(ProcContext& ctx, const AttachmentTable& t, const std::vector<ProcArg>& a) {
  DbValue key;
  if (IsTextKey(t)) {
    const std::string number = a[0].AsText();
    if (number.empty()) return Result(-1);
    key = DbValue::OfText(number);
  } else {
    if (a[0].AsInt() <= 0) return Result(-1);
    key = DbValue::Of(a[0].AsInt());
  }
  if (t.recordQuery && ctx.db.Scalar(t.recordQuery, {key}).AsInt() == 0) return Result(-1);
  if (!IsTextKey(t) && !PaymentAllowed(ctx, t, key.AsInt())) return Result(-2);
  const int64_t length = a[1].AsInt();
  const int64_t compressed = a[2].AsInt();
  const std::string& name = a[3].AsText();
  if (length < 1 || length > kLengthLimit || compressed < 1 || compressed > kCompressedLimit)
    return Result(-3);
  if (name.empty() || a[3].raw.size() > kFileNameBytes ||
      name.find_first_of("/\\") != std::string::npos)
    return Result(-3);
  Statement st(ctx.db.Handle(), std::string("INSERT INTO ") + t.table + "(" + t.keyColumn +
                                    ",ilen,izlen,cfile,coper,ddate,vdata) VALUES(?,?,?,?,?,?,NULL)");
  st.Bind(1, key)
      .Bind(2, length)
      .Bind(3, compressed)
      .Bind(4, name)
      .Bind(5, a[5].AsText())
      .Bind(6, NowText());
  st.Step();
  return Result(ctx.db.LastInsertId());
}

ProcResult Delete(ProcContext& ctx, const AttachmentTable& t, const std::vector<ProcArg>& a) {
  const int64_t iid = a[0].AsInt();
  const std::string select =
      std::string("SELECT ") + t.keyColumn + " FROM " + t.table + " WHERE iid=?";
  Statement row(ctx.db.Handle(), select);
  row.Bind(1, iid);
  if (iid <= 0 || !row.Step()) return Result(-4);
  if (!IsTextKey(t) && !PaymentAllowed(ctx, t, row.Column(0).AsInt())) return Result(-2);
  Statement st(ctx.db.Handle(), std::string("DELETE FROM ") + t.table + " WHERE iid=?");
  st.Bind(1, iid);
  st.Step();
  return Result(iid);
}

}  // namespace

void RegisterAttachmentProcedures(ProcedureRegistry& registry) {
  for (const AttachmentTable& t : kTables) {
    registry.Add(std::string("cp_") + t.table + "_add", 6, 6,
                 [&t](ProcContext& c, const std::vector<ProcArg>& a) { return Add(c, t, a); });
    registry.Add(std::string("cp_") + t.table + "_del", 2, 2,
                 [&t](ProcContext& c, const std::vector<ProcArg>& a) { return Delete(c, t, a); });
  }
}

}  // namespace localserver
