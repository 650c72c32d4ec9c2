#include "refdata/WaybillCache.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "common/Json.h"
#include "refdata/ZoneTable.h"
#include "server/ServerLink.h"

namespace {

enum class Kind { Int, Byte, Double, Text };

struct Field {
  const char* key;
  size_t offset;
  Kind kind;
  size_t capacity;  // text bytes without the terminator
  bool fieldMode;   // characters outside GBK kept in the narrow-field form
};

#define W(name) offsetof(WaybillRecord, name)
#define INT(name) {#name, W(name), Kind::Int, 0, false}
#define BYTE(name) {#name, W(name), Kind::Byte, 0, false}
#define DBL(name) {#name, W(name), Kind::Double, 0, false}
#define TXT(name, cap, mode) {#name, W(name), Kind::Text, cap, mode}

const Field kRecordFields[] = {
    TXT(cZizKind, 15, false),
    DBL(faAddOn), DBL(faBy), DBL(faCarry), DBL(fAccord), DBL(faCheck), DBL(faCustoms),
    DBL(faGet), DBL(fAmount), DBL(fAmountC), DBL(faOther), DBL(faPack), DBL(faRemote),
    DBL(faSafe), DBL(fBase), DBL(fBaseRate), DBL(fDiscount), DBL(fGCRate), DBL(fGCustom),
    DBL(fGoods), DBL(fGoodsC), DBL(fGoodsR), DBL(fgWeight), DBL(fRate), DBL(fsPrice),
    DBL(fWeight), DBL(fWeightb), DBL(fWeights),
    INT(iBatch), INT(iCubic), INT(iDays), INT(iDValue), INT(iItem), INT(iIValue),
    INT(iPrice), INT(iQuantity), INT(iReserve), INT(iPiid),
    BYTE(nFrom), BYTE(nItemType), BYTE(nLanguage), BYTE(nPayWay), BYTE(nState),
    TXT(cMName, 30, true), TXT(cTaker, 30, true), TXT(cTrans, 30, true),
    TXT(cBearer, 30, true), TXT(dTDate, 30, true), TXT(dADate, 30, true),
    TXT(cSign, 30, true),
    TXT(cLwh, 15, true),
    TXT(cCheckPoint, 15, false), TXT(cMark, 15, false), TXT(cRPostcode, 15, false),
    TXT(cSPostcode, 15, false), TXT(cPack, 15, false), TXT(cGUnit, 15, false),
    TXT(cMoney, 3, false), TXT(cOrigin, 3, false), TXT(cPayDir, 3, false),
    TXT(cAddrFrom, 63, false), TXT(cDes, 63, false), TXT(cREMail, 63, false),
    TXT(cRPhone, 63, false), TXT(cSCity, 63, false), TXT(cSCountry, 63, false),
    TXT(cSEMail, 63, false), TXT(cTransNote, 63, false), TXT(cGCodeA, 63, false),
    TXT(cGCodeB, 63, false), TXT(cGCodeC, 63, false), TXT(cBy1, 63, false),
    TXT(cBy2, 63, false), TXT(cBy3, 63, false), TXT(cBy4, 63, false),
    TXT(cDepart, 30, false), TXT(cNum, 30, false), TXT(cSender, 30, false),
    TXT(cSPhone, 30, false), TXT(cSProvince, 30, false), TXT(cSIDCard, 30, false),
    TXT(cRIDCard, 30, false), TXT(cCNo, 30, false), TXT(cRNo, 30, false),
    TXT(cNo, 30, false), TXT(cReserve, 30, false),
    TXT(cGoods, 255, false), TXT(cMemo, 255, false), TXT(cGoodsA, 255, false),
    TXT(cBy5, 255, false),
    TXT(cSAddr, 127, false), TXT(cSUnit, 127, false),
    TXT(cSSms, 22, false), TXT(cRSms, 22, false),
    TXT(cRAddr, 255, true), TXT(cRUnit, 255, true),
    TXT(cRCity, 127, true), TXT(cRCountry, 127, true),
    TXT(cReceiver, 63, true), TXT(cRProvince, 63, true),
};
#undef W

#define W(name) offsetof(PieceLine, name)
const Field kPieceFields[] = {
    INT(ixLong), INT(ixWidth), INT(ixHeight), INT(ixWeight), INT(ixPrice), INT(ixQuantity),
    BYTE(nxPercent), DBL(fxGCRate), DBL(fxGCustom),
    TXT(cxNo, 30, false), TXT(cxNum, 30, false), TXT(cxRNo, 30, false),
    TXT(cxGoods, 63, false), TXT(cxGoodsA, 63, false), TXT(cxGCodeA, 63, false),
    TXT(cxGCodeB, 63, false), TXT(cxGCodeC, 63, false),
};
#undef W

const Field kGoodsFields[] = {
    {"ixQuantity", offsetof(GoodsLine, iquantity), Kind::Int, 0, false},
    {"fxPrice", offsetof(GoodsLine, fprice), Kind::Double, 0, false},
    {"fxGCRate", offsetof(GoodsLine, fgcrate), Kind::Double, 0, false},
    {"fxGCustom", offsetof(GoodsLine, fgcustom), Kind::Double, 0, false},
    {"fxgWeight", offsetof(GoodsLine, fgweight), Kind::Double, 0, false},
    {"cxGUnit", offsetof(GoodsLine, cunit), Kind::Text, 15, false},
    {"cxGoods", offsetof(GoodsLine, cgoods), Kind::Text, 63, false},
    {"cxGoodsA", offsetof(GoodsLine, cgoodsa), Kind::Text, 63, false},
    {"cxGCodeA", offsetof(GoodsLine, cgcodea), Kind::Text, 63, false},
    {"cxGCodeB", offsetof(GoodsLine, cgcodeb), Kind::Text, 63, false},
    {"cxGCodeC", offsetof(GoodsLine, cgcodec), Kind::Text, 63, false},
};
#undef INT
#undef BYTE
#undef DBL
#undef TXT

// Fills the fields of a packed record from the object's keys (the record
// is cleared by the caller; a missing key leaves its field zero).
template <size_t N>
void ReadFields(const Field (&fields)[N], std::string_view object, void* record) {
  char* base = static_cast<char*>(record);
  for (const Field& f : fields) {
    char* at = base + f.offset;
    switch (f.kind) {
      case Kind::Int: {
        const int32_t v = JsonGetInt(f.key, object, 0);
        std::memcpy(at, &v, sizeof v);
        break;
      }
      case Kind::Byte: *reinterpret_cast<uint8_t*>(at) = JsonGetByte(f.key, object, 0); break;
      case Kind::Double: {
        const double v = JsonGetDouble(f.key, object, 0);
        std::memcpy(at, &v, sizeof v);
        break;
      }
      case Kind::Text: {
        const std::string v = JsonGetString(f.key, object, f.capacity, f.fieldMode);
        std::memcpy(at, v.data(), std::min(v.size(), f.capacity));
        break;
      }
    }
  }
}

// Appends one line per object of the list, reading only to the list's "]".
template <typename Line, size_t N>
void ReadList(std::string_view reply, std::string_view key, const Field (&fields)[N],
              std::vector<std::unique_ptr<Line>>& lines) {
  const std::string_view list = JsonListBody(reply, key);
  size_t pos = 0;
  std::string_view object;
  while (!list.empty() && JsonNextObject(list, pos, object)) {
    auto line = std::make_unique<Line>();
    std::memset(line.get(), 0, sizeof(Line));
    ReadFields(fields, object, line.get());
    lines.push_back(std::move(line));
  }
}

template <typename Line>
void AppendCopies(const std::vector<std::unique_ptr<Line>>& from,
                  std::vector<std::unique_ptr<Line>>& to) {
  for (const auto& line : from) to.push_back(std::make_unique<Line>(*line));
}

}  // namespace

CWaybillCache::CWaybillCache() : cached_(std::make_unique<InputWaybillRecord>()) {
  std::memset(cached_.get(), 0, sizeof(InputWaybillRecord));
}

CWaybillCache::~CWaybillCache() = default;

void CWaybillCache::ReadReply(std::string_view reply, InputWaybillRecord& record,
                              PieceList& pieces, GoodsList& goods) {
  std::memset(&record, 0, sizeof record);
  WaybillRecord& w = record.waybill;
  w.irID = JsonGetInt("irID", reply, 0);
  w.icID = JsonGetInt("icID", reply, 0);
  const std::string date = JsonGetString("dDate", reply, 30, true);
  if (!date.empty()) {
    w.year = static_cast<int16_t>(std::atoi(date.c_str()));
    if (date.size() > 5) w.month = static_cast<uint8_t>(std::atoi(date.c_str() + 5));
    if (date.size() > 8) w.day = static_cast<uint8_t>(std::atoi(date.c_str() + 8));
  }
  ReadFields(kRecordFields, reply, &w);
  ReadList(reply, "WeightList", kPieceFields, pieces);
  ReadList(reply, "GoodsList", kGoodsFields, goods);
}

int32_t CWaybillCache::Load(CServerLink& link, int32_t id, InputWaybillRecord& record,
                            PieceList& pieces, GoodsList& goods) {
  if (id <= 0) return 0;
  if (id == cached_->waybill.irID) {
    record = *cached_;
    AppendCopies(pieces_, pieces);
    AppendCopies(goods_, goods);
    return id;
  }
  std::string reply;
  {
    CServerLink::ReplyGuard guard = link.LockReply();
    if (link.FetchRecord(id, std::nullopt, {}) < 1) return 0;
    reply = guard.Text();
  }
  if (JsonGetInt("icID", reply, 0) < 1) return 0;
  auto loaded = std::make_unique<InputWaybillRecord>();
  PieceList newPieces;
  GoodsList newGoods;
  ReadReply(reply, *loaded, newPieces, newGoods);
  record = *loaded;
  AppendCopies(newPieces, pieces);
  AppendCopies(newGoods, goods);
  cached_ = std::move(loaded);
  pieces_ = std::move(newPieces);
  goods_ = std::move(newGoods);
  return record.waybill.irID;
}

void CWaybillCache::Invalidate(int32_t id) {
  if (id > 0 && id != cached_->waybill.irID) return;
  std::memset(cached_.get(), 0, sizeof(InputWaybillRecord));
  pieces_.clear();
  goods_.clear();
}

bool ApplySortingZones(CWaybillRecordTable& store, const CZoneTable& zones, int32_t id) {
  InputWaybillRecord* record = static_cast<InputWaybillRecord*>(store.FindById(id));
  if (record == nullptr || record->waybill.cRPostcode[0] == '\0') return false;
  const std::string postcode(record->waybill.cRPostcode,
                             strnlen(record->waybill.cRPostcode, sizeof record->waybill.cRPostcode));
  const std::string kind(record->waybill.cZizKind,
                         strnlen(record->waybill.cZizKind, sizeof record->waybill.cZizKind));
  std::string number, letters;
  if (zones.FindZone(postcode, kind, number, letters) == 0) return false;
  auto text = [](const char* field, size_t size) { return std::string(field, strnlen(field, size)); };
  if (text(record->waybill.cBy1, 64) == number && text(record->waybill.cBy2, 64) == letters)
    return false;
  auto put = [](char* field, const std::string& value) {
    if (value.empty()) return;
    std::memset(field, 0, 64);
    std::memcpy(field, value.data(), std::min<size_t>(value.size(), 63));
  };
  put(record->waybill.cBy1, number);
  put(record->waybill.cBy2, letters);
  store.Commit();
  return true;
}
