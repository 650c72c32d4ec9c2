#pragma once
// The four local record stores under the program's DATA folder and the
// records they hold.  Each store is a CMappedRecordFile that only fixes its
// record size:
//   CDirectoryTable      DATA/rsdata.dat     980-byte DirectoryRecord
//   CWaybillRecordTable  DATA/recinput.dat   5,301-byte InputWaybillRecord
//   CGoodsLineTable      DATA/recgoods.dat   764-byte GoodsLine
//   CPieceWeightTable    DATA/recweight.dat  465-byte PieceLine
// Records are packed, little-endian, texts GBK and NUL-terminated.  Records
// live at unaligned places in the mapping, hence the packing: read their
// fields through the struct, never through references to a field.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

#include "refdata/MappedRecordFile.h"

#pragma pack(push, 1)

// One waybill as the entry forms keep it (5,300 bytes).  Only the fields the
// stores read are laid out here; the rest stays opaque until the entry forms
// give it its fields.
struct WaybillRecord {
  int32_t irID;               // record id
  char head[220];
  char cNum[32];              // waybill number, offset 224
  char cRNo[32];              // reference number, offset 256
  char middle[2348];
  char cNo[32];               // transfer number, offset 2636
  char tail[2632];
};

// A record of the local input-record file: a waybill and one byte that no
// operation reads or writes (kept zero).
struct InputWaybillRecord {
  WaybillRecord waybill;
  uint8_t spare;
};

// One goods line of a waybill (764 bytes).
struct GoodsLine {
  int32_t id;          // given by Append
  int32_t owner;       // record id of the waybill
  char cgoods[256];    // goods name
  char cunit[16];      // unit
  int32_t iquantity;   // quantity
  double fprice;       // unit price
  char cgoodsa[256];   // alias
  char cgcodea[64];    // goods codes
  char cgcodeb[64];
  char cgcodec[64];
  double fgcustom;     // customs value
  double fgcrate;      // customs rate
  double fgweight;     // weight (kilograms)
};

// One piece of a multi-piece waybill (465 bytes).  Only id and owner are
// laid out; nothing here reads the rest.
struct PieceLine {
  int32_t id;          // given by Append
  int32_t owner;       // record id of the waybill
  uint8_t rest[457];
};

// One sender/receiver directory entry (980 bytes).
struct DirectoryRecord {
  int32_t id;          // given by Append
  char code[32];
  char name[32];
  char company[128];
  char address[128];
  char phone[64];
  char postcode[16];
  char country[64];
  char province[32];
  char city[64];
  char email[64];
  char sms[24];
  char memo[256];
  char reserved1[8];
  char idNumber[32];
  char reserved2[32];
};

#pragma pack(pop)

static_assert(sizeof(WaybillRecord) == 5300);
static_assert(offsetof(WaybillRecord, cNum) == 224);
static_assert(offsetof(WaybillRecord, cRNo) == 256);
static_assert(offsetof(WaybillRecord, cNo) == 2636);
static_assert(sizeof(InputWaybillRecord) == 5301);
static_assert(sizeof(GoodsLine) == 764);
static_assert(sizeof(PieceLine) == 465);
static_assert(sizeof(DirectoryRecord) == 980);
static_assert(offsetof(DirectoryRecord, phone) == 324);
static_assert(offsetof(DirectoryRecord, idNumber) == 916);

// The sender/receiver directory store.
class CDirectoryTable : public CMappedRecordFile {
 public:
  static constexpr int32_t kRecordSize = sizeof(DirectoryRecord);
  ~CDirectoryTable() override;
  // Opens the store; the record count, or -1 when it cannot be opened.
  int Load(const std::filesystem::path& path);
  DirectoryRecord* Record(int index) { return static_cast<DirectoryRecord*>(GetAt(index)); }
};

// The local waybill input records.
class CWaybillRecordTable : public CMappedRecordFile {
 public:
  static constexpr int32_t kRecordSize = sizeof(InputWaybillRecord);
  ~CWaybillRecordTable() override;
  // Opens the store; the record count, or -1 when it cannot be opened.
  int Open(const std::filesystem::path& path);
  using CMappedRecordFile::Open;
  InputWaybillRecord* Record(int index) {
    return static_cast<InputWaybillRecord*>(GetAt(index));
  }

  // Backward scans (the record nearest the end wins) comparing the whole
  // field with the text, byte for byte.  The reference and transfer number
  // look-ups find nothing for texts under 6 bytes.
  InputWaybillRecord* FindByNumber(std::string_view number);
  InputWaybillRecord* FindByReference(std::string_view reference);
  InputWaybillRecord* FindByTransferNo(std::string_view transferNo);
};

// The goods lines of local waybills.
class CGoodsLineTable : public CMappedRecordFile {
 public:
  static constexpr int32_t kRecordSize = sizeof(GoodsLine);
  ~CGoodsLineTable() override;
  int Open(const std::filesystem::path& path);
  using CMappedRecordFile::Open;
  GoodsLine* Record(int index) { return static_cast<GoodsLine*>(GetAt(index)); }
};

// The piece lines of local waybills.
class CPieceWeightTable : public CMappedRecordFile {
 public:
  static constexpr int32_t kRecordSize = sizeof(PieceLine);
  ~CPieceWeightTable() override;
  int Open(const std::filesystem::path& path);
  using CMappedRecordFile::Open;
  PieceLine* Record(int index) { return static_cast<PieceLine*>(GetAt(index)); }
};

// Commits the input-record, goods-line, piece-weight and directory stores,
// in this order (before printing).  True when every commit succeeded.
bool FlushRecordFiles(CWaybillRecordTable& inputs, CGoodsLineTable& goods,
                      CPieceWeightTable& pieces, CDirectoryTable& directory);
