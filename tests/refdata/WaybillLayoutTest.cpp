// The stored layouts of the waybill records: every field at its offset,
// little-endian, reserved areas zero; a fully populated record through the
// bytes, through a local store reopened as the next run would, and through
// the server's waybill reply.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "refdata/RecordStores.h"
#include "refdata/WaybillCache.h"
#include "refdata/WaybillLayout.h"
#include "tests/TempFolder.h"

namespace {

namespace fs = std::filesystem;

// Fills every field of the layout with a value of its own: whole numbers and
// doubles from the field's position, texts of full length.
template <typename Record>
void Populate(Record& record, std::span<const LayoutField> layout) {
  auto* base = reinterpret_cast<unsigned char*>(&record);
  int n = 0;
  for (const LayoutField& f : layout) {
    ++n;
    unsigned char* at = base + f.member;
    switch (f.type) {
      case LayoutType::Int32: {
        const int32_t v = -70000 * n + 13;
        std::memcpy(at, &v, 4);
        break;
      }
      case LayoutType::Int16: {
        const int16_t v = 2023;
        std::memcpy(at, &v, 2);
        break;
      }
      case LayoutType::Byte: *at = static_cast<unsigned char>(n); break;
      case LayoutType::Double: {
        const double v = n + 0.125;
        std::memcpy(at, &v, 8);
        break;
      }
      case LayoutType::Text:
        for (uint32_t k = 0; k + 1 < f.size; ++k) at[k] = static_cast<unsigned char>('A' + (n + k) % 26);
        at[f.size - 1] = 0;
        break;
      case LayoutType::Reserved: std::memset(at, 0xEE, f.size); break;  // must not reach the bytes
    }
  }
}

template <typename Record>
void ClearReserved(Record& record, std::span<const LayoutField> layout) {
  for (const LayoutField& f : layout)
    if (f.type == LayoutType::Reserved)
      std::memset(reinterpret_cast<unsigned char*>(&record) + f.member, 0, f.size);
}

uint64_t Little(const unsigned char* at, size_t bytes) {
  uint64_t v = 0;
  for (size_t i = 0; i < bytes; ++i) v |= static_cast<uint64_t>(at[i]) << (8 * i);
  return v;
}

double LittleDouble(const unsigned char* at) {
  const uint64_t bits = Little(at, 8);
  double v;
  std::memcpy(&v, &bits, 8);
  return v;
}

TEST(WaybillLayout, TablesTileTheirRecords) {
  struct Case {
    std::span<const LayoutField> layout;
    size_t size;
  } cases[] = {{WaybillRecordLayout(), 5300}, {PieceLineLayout(), 465}, {GoodsLineLayout(), 764}};
  for (const Case& c : cases) {
    uint32_t next = 0;
    for (const LayoutField& f : c.layout) {
      EXPECT_EQ(next, f.offset) << f.name;
      next = f.offset + f.size;
    }
    EXPECT_EQ(c.size, next);
  }
}

// Values set by name land at the offsets the stored files use.
TEST(WaybillLayout, FieldsAtTheirStoredOffsets) {
  InputWaybillRecord input{};
  WaybillRecord& w = input.waybill;
  w.irID = 0x01020304;
  w.year = 2023;
  w.month = 7;
  w.day = 5;
  w.nState = 3;
  w.iItem = -2;
  w.fWeight = 1.5;
  std::strcpy(w.cNum, "BR12345678");
  std::strcpy(w.cNo, "SV00000001");
  w.iReserve = 77;
  w.goodsLineCount = 2;
  w.pieceLineCount = 3;
  w.icID = 9;
  w.localStatus = 1;
  w.fDiscount = 0.125;
  w.nFrom = 2;
  w.iPiid = 0x0A0B0C0D;
  std::strcpy(w.orderTime, "2024-01-02 03:04:05");
  std::strcpy(w.cSIDCard, "110101199001011234");
  w.fgWeight = 2.75;
  input.spare = 0;
  std::vector<unsigned char> bytes(5301, 0xCC);
  WriteRecordBytes(input, bytes.data());
  const unsigned char* b = bytes.data();
  EXPECT_EQ(0x01020304u, Little(b + 0, 4));
  EXPECT_EQ(2023u, Little(b + 4, 2));
  EXPECT_EQ(7, b[6]);
  EXPECT_EQ(5, b[7]);
  EXPECT_EQ(3, b[11]);
  EXPECT_EQ(0xFFFFFFFEu, Little(b + 28, 4));
  EXPECT_EQ(1.5, LittleDouble(b + 32));
  EXPECT_STREQ("BR12345678", reinterpret_cast<const char*>(b + 224));
  EXPECT_STREQ("SV00000001", reinterpret_cast<const char*>(b + 2636));
  EXPECT_EQ(77u, Little(b + 3260, 4));
  EXPECT_EQ(2u, Little(b + 3728, 4));
  EXPECT_EQ(3u, Little(b + 3732, 4));
  EXPECT_EQ(9u, Little(b + 3736, 4));
  EXPECT_EQ(1, b[3741]);
  EXPECT_EQ(0.125, LittleDouble(b + 3856));
  EXPECT_EQ(2, b[4140]);
  EXPECT_EQ(0x0A0B0C0Du, Little(b + 4141, 4));
  EXPECT_STREQ("2024-01-02 03:04:05", reinterpret_cast<const char*>(b + 4181));
  EXPECT_STREQ("110101199001011234", reinterpret_cast<const char*>(b + 4205));
  EXPECT_EQ(2.75, LittleDouble(b + 4269));
  EXPECT_EQ(0, b[5300]);
  // Text bytes after the terminator and the reserved areas are zero.
  for (size_t i = 224 + 10; i < 256; ++i) EXPECT_EQ(0, b[i]) << i;
  for (size_t i : {3742u, 3743u}) EXPECT_EQ(0, b[i]) << i;
  for (size_t i = 4145; i < 4181; ++i) EXPECT_EQ(0, b[i]) << i;
  for (size_t i = 4277; i < 5300; ++i) EXPECT_EQ(0, b[i]) << i;

  PieceLine piece{};
  piece.ixQuantity = 0x11223344;
  piece.fxGCustom = 3.5;
  piece.fxGCRate = 0.13;
  std::strcpy(piece.cxGCodeC, "8518300000");
  std::vector<unsigned char> p(465, 0xCC);
  WriteRecordBytes(piece, p.data());
  EXPECT_EQ(0x11223344u, Little(p.data() + 25, 4));
  EXPECT_STREQ("8518300000", reinterpret_cast<const char*>(p.data() + 385));
  EXPECT_EQ(3.5, LittleDouble(p.data() + 449));
  EXPECT_EQ(0.13, LittleDouble(p.data() + 457));  // bytes 457 .. 464, the last of the record

  GoodsLine goods{};
  goods.iquantity = 4;
  goods.fprice = 9.5;
  goods.fgweight = 0.6;
  std::vector<unsigned char> g(764, 0xCC);
  WriteRecordBytes(goods, g.data());
  EXPECT_EQ(4u, Little(g.data() + 280, 4));
  EXPECT_EQ(9.5, LittleDouble(g.data() + 284));
  EXPECT_EQ(0.6, LittleDouble(g.data() + 756));
}

TEST(WaybillLayout, PopulatedRecordsRoundTripThroughTheirBytes) {
  InputWaybillRecord input{};
  Populate(input.waybill, WaybillRecordLayout());
  input.spare = 0x5A;
  std::vector<unsigned char> bytes(5301);
  WriteRecordBytes(input, bytes.data());
  for (const LayoutField& f : WaybillRecordLayout()) {
    if (f.type != LayoutType::Reserved) continue;
    for (uint32_t k = 0; k < f.size; ++k) ASSERT_EQ(0, bytes[f.offset + k]) << f.name;
  }
  InputWaybillRecord back;
  std::memset(&back, 0x77, sizeof back);
  ReadRecordBytes(bytes.data(), back);
  ClearReserved(input.waybill, WaybillRecordLayout());
  EXPECT_EQ(0, std::memcmp(&input, &back, sizeof back));

  PieceLine piece{};
  Populate(piece, PieceLineLayout());
  std::vector<unsigned char> p(465);
  WriteRecordBytes(piece, p.data());
  PieceLine pieceBack{};
  ReadRecordBytes(p.data(), pieceBack);
  EXPECT_EQ(0, std::memcmp(&piece, &pieceBack, sizeof piece));

  GoodsLine goods{};
  Populate(goods, GoodsLineLayout());
  std::vector<unsigned char> g(764);
  WriteRecordBytes(goods, g.data());
  GoodsLine goodsBack{};
  ReadRecordBytes(g.data(), goodsBack);
  EXPECT_EQ(0, std::memcmp(&goods, &goodsBack, sizeof goods));
}

// A text that fills its field to the last byte (no terminator, as a damaged
// file may hold) is read cut to the capacity less one.
TEST(WaybillLayout, UnterminatedTextIsCut) {
  std::vector<unsigned char> bytes(465, 0);
  std::memset(bytes.data() + 33, 'X', 64);
  PieceLine line{};
  ReadRecordBytes(bytes.data(), line);
  EXPECT_EQ(63u, strnlen(line.cxGoods, sizeof line.cxGoods));
}

class WaybillStoreTest : public testsupport::TempFolderTest {};

// What this run writes, the next run reads back: each store is closed and
// opened again by a new store object.
TEST_F(WaybillStoreTest, StoresReadBackInTheNextRun) {
  InputWaybillRecord input{};
  Populate(input.waybill, WaybillRecordLayout());
  ClearReserved(input.waybill, WaybillRecordLayout());
  PieceLine piece{};
  Populate(piece, PieceLineLayout());
  GoodsLine goods{};
  Populate(goods, GoodsLineLayout());
  {
    CWaybillRecordTable inputs;
    CPieceWeightTable pieces;
    CGoodsLineTable lines;
    ASSERT_EQ(0, inputs.Open(folder_ / "recinput.dat"));
    ASSERT_EQ(0, pieces.Open(folder_ / "recweight.dat"));
    ASSERT_EQ(0, lines.Open(folder_ / "recgoods.dat"));
    ASSERT_EQ(1, inputs.AppendRecord(input));
    ASSERT_EQ(1, pieces.AppendRecord(piece));
    piece.ixWeight = 4321;
    ASSERT_EQ(2, pieces.AppendRecord(piece));
    ASSERT_EQ(1, lines.AppendRecord(goods));
    EXPECT_EQ(1, input.waybill.irID);  // the store's id, also in the caller's record
    EXPECT_EQ(2, piece.id);
  }
  // The raw file: header, then the records at 256 + i * size.
  std::ifstream in(folder_ / "recweight.dat", std::ios::binary);
  std::string file(std::istreambuf_iterator<char>(in), {});
  ASSERT_GE(file.size(), 256u + 2 * 465);
  const auto* second = reinterpret_cast<const unsigned char*>(file.data()) + 256 + 465;
  EXPECT_EQ(2u, Little(second, 4));
  EXPECT_EQ(4321u, Little(second + 20, 4));
  EXPECT_EQ(piece.fxGCRate, LittleDouble(second + 457));

  CWaybillRecordTable inputs;
  CPieceWeightTable pieces;
  CGoodsLineTable lines;
  ASSERT_EQ(1, inputs.Open(folder_ / "recinput.dat"));
  ASSERT_EQ(2, pieces.Open(folder_ / "recweight.dat"));
  ASSERT_EQ(1, lines.Open(folder_ / "recgoods.dat"));
  InputWaybillRecord inputBack{};
  PieceLine pieceBack{};
  GoodsLine goodsBack{};
  ASSERT_TRUE(inputs.ReadRecord(0, inputBack));
  ASSERT_TRUE(pieces.ReadRecord(1, pieceBack));
  ASSERT_TRUE(lines.ReadRecord(0, goodsBack));
  EXPECT_FALSE(pieces.ReadRecord(2, pieceBack));
  EXPECT_EQ(0, std::memcmp(&input, &inputBack, sizeof input));
  EXPECT_EQ(0, std::memcmp(&piece, &pieceBack, sizeof piece));
  goods.id = 1;
  EXPECT_EQ(0, std::memcmp(&goods, &goodsBack, sizeof goods));

  pieceBack.ixWeight = 99;
  ASSERT_EQ(1, pieces.WriteRecord(0, pieceBack));
  PieceLine first{};
  ASSERT_TRUE(pieces.ReadRecord(0, first));
  EXPECT_EQ(99, first.ixWeight);
  EXPECT_EQ(2, first.id);  // the record written over the first one carries its own id
}

// The record written as the server's waybill reply (its keys are the field
// names) reads back whole: every keyed field, the date from "dDate", both
// lists in order.
TEST(WaybillReply, PopulatedRecordRoundTripsThroughTheReply) {
  WaybillRecord w{};
  Populate(w, WaybillRecordLayout());
  ClearReserved(w, WaybillRecordLayout());
  w.month = 7;
  w.day = 5;
  // Fields without a key come back zero.
  w.goodsLineCount = w.pieceLineCount = 0;
  w.listMark = w.localStatus = 0;
  std::memset(w.orderTime, 0, sizeof w.orderTime);

  std::string reply = "{\"ReturnValue\":1";
  auto* base = reinterpret_cast<const unsigned char*>(&w);
  for (const LayoutField& f : WaybillRecordLayout()) {
    const unsigned char* at = base + f.member;
    char value[64];
    switch (f.type) {
      case LayoutType::Int32: {
        int32_t v;
        std::memcpy(&v, at, 4);
        std::snprintf(value, sizeof value, "%d", v);
        break;
      }
      case LayoutType::Double: {
        double v;
        std::memcpy(&v, at, 8);
        std::snprintf(value, sizeof value, "%.17g", v);
        break;
      }
      case LayoutType::Byte: std::snprintf(value, sizeof value, "%u", *at); break;
      case LayoutType::Text:
        reply += ",\"" + std::string(f.name) + "\":\"" + reinterpret_cast<const char*>(at) + "\"";
        continue;
      default: continue;
    }
    if (std::string_view(f.name) == "month" || std::string_view(f.name) == "day") continue;
    reply += ",\"" + std::string(f.name) + "\":" + value;
  }
  reply += ",\"dDate\":\"2023-07-05 00:00:00\"";
  reply += ",\"WeightList\":[{\"ixLong\":40,\"ixWeight\":1500,\"cxNo\":\"P-1\"},"
           "{\"ixLong\":30,\"fxGCRate\":0.13}]";
  reply += ",\"GoodsList\":[]}";

  InputWaybillRecord back{};
  CWaybillCache::PieceList pieces;
  CWaybillCache::GoodsList goods;
  CWaybillCache::ReadReply(reply, back, pieces, goods);
  for (const LayoutField& f : WaybillRecordLayout())
    EXPECT_EQ(0, std::memcmp(base + f.member,
                             reinterpret_cast<const unsigned char*>(&back.waybill) + f.member,
                             f.size))
        << f.name;
  ASSERT_EQ(2u, pieces.size());
  EXPECT_EQ(40, pieces[0]->ixLong);
  EXPECT_EQ(1500, pieces[0]->ixWeight);
  EXPECT_STREQ("P-1", pieces[0]->cxNo);
  EXPECT_EQ(30, pieces[1]->ixLong);
  EXPECT_EQ(0.13, pieces[1]->fxGCRate);
  EXPECT_TRUE(goods.empty());
}

// "dDate" gives year, month and day from positions 0, 5 and 8; a short
// text counts as no date.
TEST(WaybillReply, BusinessDate) {
  struct Case {
    const char* date;
    int year, month, day;
  } cases[] = {{"2023-07-05 00:00:00", 2023, 7, 5}, {"2024-12-31", 2024, 12, 31},
               {"2024-1", 0, 0, 0}, {"", 0, 0, 0}};
  for (const Case& c : cases) {
    InputWaybillRecord r{};
    CWaybillCache::PieceList pieces;
    CWaybillCache::GoodsList goods;
    CWaybillCache::ReadReply(std::string("{\"dDate\":\"") + c.date + "\"}", r, pieces, goods);
    EXPECT_EQ(c.year, r.waybill.year) << c.date;
    EXPECT_EQ(c.month, r.waybill.month) << c.date;
    EXPECT_EQ(c.day, r.waybill.day) << c.date;
  }
}

}  // namespace
