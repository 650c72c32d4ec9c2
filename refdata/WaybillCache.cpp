#include "refdata/WaybillCache.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include <algorithm>
#include <initializer_list>
#include <span>
#include <string_view>

#include "common/Json.h"
#include "refdata/WaybillLayout.h"
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

// The record's keyed fields from its layout: the key is the field's name,
// texts are cut to their capacity less one.  The texts that may hold
// characters outside GBK keep their narrow-field form.
bool KeepsFieldForm(std::string_view name) {
  static const std::string_view kNames[] = {
      "cMName", "cTaker", "cTrans", "cBearer", "dTDate", "dADate", "cSign", "cLwh",
      "cRAddr", "cRUnit", "cRCity", "cRCountry", "cReceiver", "cRProvince"};
  return std::find(std::begin(kNames), std::end(kNames), name) != std::end(kNames);
}

std::vector<Field> KeyedFields(std::span<const LayoutField> layout,
                               std::initializer_list<std::string_view> unkeyed) {
  std::vector<Field> fields;
  for (const LayoutField& f : layout) {
    if (std::find(unkeyed.begin(), unkeyed.end(), std::string_view(f.name)) != unkeyed.end())
      continue;
    switch (f.type) {
      case LayoutType::Int32: fields.push_back({f.name, f.member, Kind::Int, 0, false}); break;
      case LayoutType::Byte: fields.push_back({f.name, f.member, Kind::Byte, 0, false}); break;
      case LayoutType::Double: fields.push_back({f.name, f.member, Kind::Double, 0, false}); break;
      case LayoutType::Text:
        fields.push_back({f.name, f.member, Kind::Text, f.size - 1, KeepsFieldForm(f.name)});
        break;
      default: break;  // the date and the reserved areas
    }
  }
  return fields;
}

const std::vector<Field>& RecordFields() {
  static const std::vector<Field> fields =
      KeyedFields(WaybillRecordLayout(), {"month", "day", "goodsLineCount", "pieceLineCount",
                                          "listMark", "localStatus", "orderTime"});
  return fields;
}

const std::vector<Field>& PieceFields() {
  static const std::vector<Field> fields = KeyedFields(PieceLineLayout(), {"id", "owner"});
  return fields;
}

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

// Fills the fields of a packed record from the object's keys (the record
// is cleared by the caller; a missing key leaves its field zero).
void ReadFields(std::span<const Field> fields, std::string_view object, void* record) {
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
template <typename Line>
void ReadList(std::string_view reply, std::string_view key, std::span<const Field> fields,
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
  // "yyyy-mm-dd..."; anything shorter counts as no date.
  if (date.size() >= 10) {
    w.year = static_cast<int16_t>(std::atoi(date.c_str()));
    w.month = static_cast<uint8_t>(std::atoi(date.c_str() + 5));
    w.day = static_cast<uint8_t>(std::atoi(date.c_str() + 8));
  }
  ReadFields(RecordFields(), reply, &w);
  ReadList(reply, "WeightList", PieceFields(), pieces);
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
  const auto* found = static_cast<const unsigned char*>(store.FindById(id));
  if (found == nullptr) return false;
  const auto* first = static_cast<const unsigned char*>(store.GetAt(0));
  const int index = static_cast<int>((found - first) / store.RecordSize());
  InputWaybillRecord record{};
  if (!store.ReadRecord(index, record)) return false;
  WaybillRecord& w = record.waybill;
  auto text = [](const char* field, size_t size) { return std::string(field, strnlen(field, size)); };
  const std::string postcode = text(w.cRPostcode, sizeof w.cRPostcode);
  if (postcode.empty()) return false;
  std::string number, letters;
  if (zones.FindZone(postcode, text(w.cZizKind, sizeof w.cZizKind), number, letters) == 0)
    return false;
  if (text(w.cBy1, sizeof w.cBy1) == number && text(w.cBy2, sizeof w.cBy2) == letters) return false;
  auto put = [](char* field, const std::string& value) {
    if (value.empty()) return;
    std::memset(field, 0, 64);
    std::memcpy(field, value.data(), std::min<size_t>(value.size(), 63));
  };
  put(w.cBy1, number);
  put(w.cBy2, letters);
  return store.WriteRecord(index, record) != 0;
}
