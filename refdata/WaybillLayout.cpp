#include "refdata/WaybillLayout.h"

#include <cstring>

namespace {

#define AT(Type, name, offset, size, kind) \
  LayoutField { #name, offset, size, LayoutType::kind, static_cast<uint32_t>(offsetof(Type, name)) }
#define I32(name, offset) AT(WaybillRecord, name, offset, 4, Int32)
#define DBL(name, offset) AT(WaybillRecord, name, offset, 8, Double)
#define U8(name, offset) AT(WaybillRecord, name, offset, 1, Byte)
#define TXT(name, offset, size) AT(WaybillRecord, name, offset, size, Text)
#define RES(name, offset, size) AT(WaybillRecord, name, offset, size, Reserved)

constexpr LayoutField kWaybillFields[] = {
    I32(irID, 0), AT(WaybillRecord, year, 4, 2, Int16), U8(month, 6), U8(day, 7),
    U8(nItemType, 8), U8(nLanguage, 9), U8(nPayWay, 10), U8(nState, 11),
    I32(iQuantity, 12), I32(iPrice, 16), I32(iDValue, 20), I32(iIValue, 24), I32(iItem, 28),
    DBL(fWeight, 32), DBL(fAmount, 40), DBL(fAmountC, 48), DBL(fWeightb, 56), DBL(fGoods, 64),
    DBL(fGoodsC, 72),
    TXT(cZizKind, 80, 16), TXT(cAddrFrom, 96, 64), TXT(cDes, 160, 64), TXT(cNum, 224, 32),
    TXT(cRNo, 256, 32), TXT(cDepart, 288, 32), TXT(cSender, 320, 32), TXT(cSUnit, 352, 128),
    TXT(cSAddr, 480, 128), TXT(cSPhone, 608, 64), TXT(cSPostcode, 672, 16),
    TXT(cSCountry, 688, 64), TXT(cSProvince, 752, 32), TXT(cSCity, 784, 64),
    TXT(cSEMail, 848, 64), TXT(cSSms, 912, 24), TXT(cReceiver, 936, 64),
    TXT(cRUnit, 1000, 256), TXT(cRAddr, 1256, 256), TXT(cRPhone, 1512, 64),
    TXT(cRPostcode, 1576, 16), TXT(cRCountry, 1592, 128), TXT(cRProvince, 1720, 64),
    TXT(cRCity, 1784, 128), TXT(cREMail, 1912, 64), TXT(cRSms, 1976, 24), TXT(cMark, 2000, 16),
    TXT(cMemo, 2016, 256), TXT(cLwh, 2272, 16), TXT(cGoods, 2288, 256), TXT(cPack, 2544, 16),
    TXT(cTransNote, 2560, 64), TXT(cMoney, 2624, 4), TXT(cPayDir, 2628, 4),
    TXT(cOrigin, 2632, 4), TXT(cNo, 2636, 32), TXT(cCNo, 2668, 32), TXT(cReserve, 2700, 32),
    TXT(cGUnit, 2732, 16), TXT(cBy1, 2748, 64), TXT(cBy2, 2812, 64), TXT(cBy3, 2876, 64),
    TXT(cBy4, 2940, 64), TXT(cBy5, 3004, 256), I32(iReserve, 3260), TXT(cGoodsA, 3264, 256),
    TXT(cGCodeA, 3520, 64), TXT(cGCodeB, 3584, 64), TXT(cGCodeC, 3648, 64),
    DBL(fGCustom, 3712), DBL(fGCRate, 3720), I32(goodsLineCount, 3728),
    I32(pieceLineCount, 3732), I32(icID, 3736), U8(listMark, 3740), U8(localStatus, 3741),
    RES(reserved1, 3742, 2),
    DBL(faGet, 3744), DBL(faSafe, 3752), DBL(faPack, 3760), DBL(faOther, 3768),
    DBL(faCheck, 3776), DBL(faRemote, 3784), DBL(faBy, 3792), DBL(fsPrice, 3800),
    DBL(faCarry, 3808), DBL(faAddOn, 3816), DBL(faCustoms, 3824), DBL(fRate, 3832),
    DBL(fBase, 3840), DBL(fBaseRate, 3848), DBL(fDiscount, 3856), DBL(fAccord, 3864),
    DBL(fGoodsR, 3872), I32(iDays, 3880), I32(iCubic, 3884), I32(iBatch, 3888),
    DBL(fWeights, 3892), TXT(cMName, 3900, 32), TXT(cTaker, 3932, 32), TXT(cTrans, 3964, 32),
    TXT(cBearer, 3996, 32), TXT(cCheckPoint, 4028, 16), TXT(dADate, 4044, 32),
    TXT(dTDate, 4076, 32), TXT(cSign, 4108, 32), U8(nFrom, 4140), I32(iPiid, 4141),
    RES(reserved2, 4145, 36), TXT(orderTime, 4181, 24), TXT(cSIDCard, 4205, 32),
    TXT(cRIDCard, 4237, 32), DBL(fgWeight, 4269), RES(reserved3, 4277, 1023),
};
#undef I32
#undef DBL
#undef U8
#undef TXT
#undef RES

#define I32(name, offset) AT(PieceLine, name, offset, 4, Int32)
#define TXT(name, offset, size) AT(PieceLine, name, offset, size, Text)
constexpr LayoutField kPieceFields[] = {
    I32(id, 0), I32(owner, 4), I32(ixLong, 8), I32(ixWidth, 12), I32(ixHeight, 16),
    I32(ixWeight, 20), AT(PieceLine, nxPercent, 24, 1, Byte), I32(ixQuantity, 25),
    I32(ixPrice, 29), TXT(cxGoods, 33, 64), TXT(cxRNo, 97, 32), TXT(cxNum, 129, 32),
    TXT(cxNo, 161, 32), TXT(cxGoodsA, 193, 64), TXT(cxGCodeA, 257, 64), TXT(cxGCodeB, 321, 64),
    TXT(cxGCodeC, 385, 64), AT(PieceLine, fxGCustom, 449, 8, Double),
    AT(PieceLine, fxGCRate, 457, 8, Double),
};
#undef I32
#undef TXT

#define I32(name, offset) AT(GoodsLine, name, offset, 4, Int32)
#define DBL(name, offset) AT(GoodsLine, name, offset, 8, Double)
#define TXT(name, offset, size) AT(GoodsLine, name, offset, size, Text)
constexpr LayoutField kGoodsFields[] = {
    I32(id, 0), I32(owner, 4), TXT(cgoods, 8, 256), TXT(cunit, 264, 16), I32(iquantity, 280),
    DBL(fprice, 284), TXT(cgoodsa, 292, 256), TXT(cgcodea, 548, 64), TXT(cgcodeb, 612, 64),
    TXT(cgcodec, 676, 64), DBL(fgcustom, 740), DBL(fgcrate, 748), DBL(fgweight, 756),
};
#undef I32
#undef DBL
#undef TXT
#undef AT

// Each table tiles its record: fields follow one another without gap or
// overlap, end at the record size, and every struct member sits where the
// stored field does (the structs are the in-memory form of the same bytes).
template <size_t N>
constexpr bool Tiles(const LayoutField (&fields)[N], size_t recordSize) {
  uint32_t next = 0;
  for (const LayoutField& f : fields) {
    if (f.offset != next || f.member != f.offset) return false;
    next = f.offset + f.size;
  }
  return next == recordSize;
}
static_assert(Tiles(kWaybillFields, kWaybillRecordBytes));
static_assert(Tiles(kPieceFields, kPieceLineBytes));
static_assert(Tiles(kGoodsFields, kGoodsLineBytes));
static_assert(sizeof(WaybillRecord) == kWaybillRecordBytes);
static_assert(sizeof(InputWaybillRecord) == kInputWaybillRecordBytes);
static_assert(sizeof(PieceLine) == kPieceLineBytes);
static_assert(sizeof(GoodsLine) == kGoodsLineBytes);

void PutLittle(unsigned char* out, uint64_t value, size_t bytes) {
  for (size_t i = 0; i < bytes; ++i) out[i] = static_cast<unsigned char>(value >> (8 * i));
}

uint64_t GetLittle(const unsigned char* in, size_t bytes) {
  uint64_t value = 0;
  for (size_t i = 0; i < bytes; ++i) value |= static_cast<uint64_t>(in[i]) << (8 * i);
  return value;
}

// The member's value as the stored field's bits.
uint64_t MemberBits(const unsigned char* member, const LayoutField& f) {
  switch (f.type) {
    case LayoutType::Int32: {
      int32_t v;
      std::memcpy(&v, member, 4);
      return static_cast<uint32_t>(v);
    }
    case LayoutType::Int16: {
      int16_t v;
      std::memcpy(&v, member, 2);
      return static_cast<uint16_t>(v);
    }
    case LayoutType::Byte: return member[0];
    case LayoutType::Double: {
      double v;
      std::memcpy(&v, member, 8);
      uint64_t bits;
      std::memcpy(&bits, &v, 8);
      return bits;
    }
    default: return 0;
  }
}

void SetMember(unsigned char* member, const LayoutField& f, uint64_t bits) {
  switch (f.type) {
    case LayoutType::Int32: {
      const int32_t v = static_cast<int32_t>(static_cast<uint32_t>(bits));
      std::memcpy(member, &v, 4);
      break;
    }
    case LayoutType::Int16: {
      const int16_t v = static_cast<int16_t>(static_cast<uint16_t>(bits));
      std::memcpy(member, &v, 2);
      break;
    }
    case LayoutType::Byte: member[0] = static_cast<unsigned char>(bits); break;
    case LayoutType::Double: {
      double v;
      std::memcpy(&v, &bits, 8);
      std::memcpy(member, &v, 8);
      break;
    }
    default: break;
  }
}

// A text up to its terminator, at most capacity - 1 bytes; the rest zero.
void CopyText(unsigned char* to, const unsigned char* from, size_t size) {
  size_t length = 0;
  while (length + 1 < size && from[length] != 0) ++length;
  std::memcpy(to, from, length);
  std::memset(to + length, 0, size - length);
}

void Write(std::span<const LayoutField> fields, const void* record, unsigned char* out) {
  const auto* base = static_cast<const unsigned char*>(record);
  for (const LayoutField& f : fields) {
    unsigned char* at = out + f.offset;
    switch (f.type) {
      case LayoutType::Text: CopyText(at, base + f.member, f.size); break;
      case LayoutType::Reserved: std::memset(at, 0, f.size); break;
      default: PutLittle(at, MemberBits(base + f.member, f), f.size);
    }
  }
}

void Read(std::span<const LayoutField> fields, const unsigned char* in, void* record) {
  auto* base = static_cast<unsigned char*>(record);
  for (const LayoutField& f : fields) {
    unsigned char* member = base + f.member;
    switch (f.type) {
      case LayoutType::Text: CopyText(member, in + f.offset, f.size); break;
      case LayoutType::Reserved: std::memset(member, 0, f.size); break;
      default: SetMember(member, f, GetLittle(in + f.offset, f.size));
    }
  }
}

}  // namespace

std::span<const LayoutField> WaybillRecordLayout() { return kWaybillFields; }
std::span<const LayoutField> PieceLineLayout() { return kPieceFields; }
std::span<const LayoutField> GoodsLineLayout() { return kGoodsFields; }

void WriteRecordBytes(const WaybillRecord& record, unsigned char* out) {
  Write(kWaybillFields, &record, out);
}
void ReadRecordBytes(const unsigned char* in, WaybillRecord& record) {
  Read(kWaybillFields, in, &record);
}
void WriteRecordBytes(const InputWaybillRecord& record, unsigned char* out) {
  Write(kWaybillFields, &record.waybill, out);
  out[kWaybillRecordBytes] = record.spare;
}
void ReadRecordBytes(const unsigned char* in, InputWaybillRecord& record) {
  Read(kWaybillFields, in, &record.waybill);
  record.spare = in[kWaybillRecordBytes];
}
void WriteRecordBytes(const PieceLine& line, unsigned char* out) { Write(kPieceFields, &line, out); }
void ReadRecordBytes(const unsigned char* in, PieceLine& line) { Read(kPieceFields, in, &line); }
void WriteRecordBytes(const GoodsLine& line, unsigned char* out) { Write(kGoodsFields, &line, out); }
void ReadRecordBytes(const unsigned char* in, GoodsLine& line) { Read(kGoodsFields, in, &line); }
