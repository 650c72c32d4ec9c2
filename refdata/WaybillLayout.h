#pragma once
// The byte layouts of the waybill records as the local stores keep them
// (DATA/recinput.dat, DATA/recgoods.dat, DATA/recweight.dat).  Every field
// sits at a fixed offset, little-endian, texts GBK and NUL-terminated in
// fields of fixed capacity; reserved areas are zero.  The writers and
// readers below go field by field through the tables, so the stored bytes
// never depend on how the compiler lays out the structs.
//
//   WaybillRecord       5,300 bytes
//   InputWaybillRecord  5,301 bytes (a WaybillRecord and one status byte)
//   PieceLine             465 bytes
//   GoodsLine             764 bytes
//
// The piece line ends with its tax rate: the double at 457 fills bytes 457
// to 464, the last byte of the record.  Files written before hold the same
// 465 bytes, so there is no reserved byte after it.

#include <cstddef>
#include <cstdint>
#include <span>

#include "refdata/RecordStores.h"

enum class LayoutType : uint8_t { Int32, Int16, Byte, Double, Text, Reserved };

struct LayoutField {
  const char* name;  // the JSON key of the waybill reply, or a name of ours
  uint32_t offset;   // in the stored record
  uint32_t size;     // bytes
  LayoutType type;
  uint32_t member;   // offset of the struct member that holds the value
};

inline constexpr size_t kWaybillRecordBytes = 5300;
inline constexpr size_t kInputWaybillRecordBytes = 5301;
inline constexpr size_t kPieceLineBytes = 465;
inline constexpr size_t kGoodsLineBytes = 764;

// The fields in offset order; together they cover every byte once.
std::span<const LayoutField> WaybillRecordLayout();
std::span<const LayoutField> PieceLineLayout();
std::span<const LayoutField> GoodsLineLayout();

// Writers fill all bytes of `out` (texts after their terminator and the
// reserved areas zero); readers fill every member (texts cut to their
// capacity less one, reserved members zero).
void WriteRecordBytes(const WaybillRecord& record, unsigned char* out);
void ReadRecordBytes(const unsigned char* in, WaybillRecord& record);
void WriteRecordBytes(const InputWaybillRecord& record, unsigned char* out);
void ReadRecordBytes(const unsigned char* in, InputWaybillRecord& record);
void WriteRecordBytes(const PieceLine& line, unsigned char* out);
void ReadRecordBytes(const unsigned char* in, PieceLine& line);
void WriteRecordBytes(const GoodsLine& line, unsigned char* out);
void ReadRecordBytes(const unsigned char* in, GoodsLine& line);
