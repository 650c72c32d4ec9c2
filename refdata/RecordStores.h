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
// fields through the struct, never through references to a field.  The
// stored bytes are written and read field by field (WaybillLayout.h) through
// ReadRecord, WriteRecord and AppendRecord of the waybill, goods and piece
// stores; the structs are only their in-memory form.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

#include "refdata/MappedRecordFile.h"

#pragma pack(push, 1)

// One waybill as the entry forms keep it (5,300 bytes).  The field names are
// the keys of the server's waybill reply.
struct WaybillRecord {
  int32_t irID;               // record id on the server, 0 before the first save
  int16_t year;               // business date (dDate)
  uint8_t month;
  uint8_t day;
  uint8_t nItemType;
  uint8_t nLanguage;
  uint8_t nPayWay;
  uint8_t nState;
  int32_t iQuantity;
  int32_t iPrice;             // hundredths
  int32_t iDValue;            // hundredths
  int32_t iIValue;            // hundredths
  int32_t iItem;              // pieces
  double fWeight;             // kg
  double fAmount;
  double fAmountC;
  double fWeightb;            // kg
  double fGoods;
  double fGoodsC;
  char cZizKind[16];
  char cAddrFrom[64];
  char cDes[64];
  char cNum[32];              // waybill number, offset 224
  char cRNo[32];              // reference number, offset 256
  char cDepart[32];
  char cSender[32];
  char cSUnit[128];
  char cSAddr[128];
  char cSPhone[64];
  char cSPostcode[16];
  char cSCountry[64];
  char cSProvince[32];
  char cSCity[64];
  char cSEMail[64];
  char cSSms[24];
  char cReceiver[64];
  char cRUnit[256];
  char cRAddr[256];
  char cRPhone[64];
  char cRPostcode[16];
  char cRCountry[128];
  char cRProvince[64];
  char cRCity[128];
  char cREMail[64];
  char cRSms[24];
  char cMark[16];
  char cMemo[256];
  char cLwh[16];
  char cGoods[256];
  char cPack[16];
  char cTransNote[64];
  char cMoney[4];
  char cPayDir[4];
  char cOrigin[4];
  char cNo[32];               // transfer number, offset 2636
  char cCNo[32];
  char cReserve[32];
  char cGUnit[16];
  char cBy1[64];              // spare fields; 1 and 2 take the sorting zone
  char cBy2[64];
  char cBy3[64];
  char cBy4[64];
  char cBy5[256];
  int32_t iReserve;
  char cGoodsA[256];
  char cGCodeA[64];
  char cGCodeB[64];
  char cGCodeC[64];
  double fGCustom;
  double fGCRate;
  int32_t goodsLineCount;     // set by the save; 0 from a reply
  int32_t pieceLineCount;     // set by the save; 0 from a reply
  int32_t icID;               // customer id
  uint8_t listMark;           // row colour of the local input lists
  uint8_t localStatus;        // 0 or 1
  uint8_t reserved1[2];
  double faGet;
  double faSafe;
  double faPack;
  double faOther;
  double faCheck;
  double faRemote;
  double faBy;
  double fsPrice;
  double faCarry;
  double faAddOn;
  double faCustoms;
  double fRate;
  double fBase;
  double fBaseRate;
  double fDiscount;
  double fAccord;
  double fGoodsR;
  int32_t iDays;
  int32_t iCubic;
  int32_t iBatch;
  double fWeights;
  char cMName[32];
  char cTaker[32];
  char cTrans[32];
  char cBearer[32];
  char cCheckPoint[16];
  char dADate[32];
  char dTDate[32];
  char cSign[32];
  uint8_t nFrom;
  int32_t iPiid;
  uint8_t reserved2[36];
  char orderTime[24];         // shown by the local input lists
  char cSIDCard[32];
  char cRIDCard[32];
  double fgWeight;
  uint8_t reserved3[1023];
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

// One piece of a multi-piece waybill (465 bytes): the tax rate fills the
// record to its end.
struct PieceLine {
  int32_t id;          // given by Append
  int32_t owner;       // record id of the waybill
  int32_t ixLong;      // cm
  int32_t ixWidth;
  int32_t ixHeight;
  int32_t ixWeight;    // grams
  uint8_t nxPercent;   // volumetric percentage
  int32_t ixQuantity;
  int32_t ixPrice;     // hundredths
  char cxGoods[64];
  char cxRNo[32];
  char cxNum[32];
  char cxNo[32];
  char cxGoodsA[64];
  char cxGCodeA[64];
  char cxGCodeB[64];
  char cxGCodeC[64];
  double fxGCustom;
  double fxGCRate;
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
static_assert(offsetof(WaybillRecord, cBy1) == 2748);
static_assert(offsetof(WaybillRecord, icID) == 3736);
static_assert(offsetof(WaybillRecord, nFrom) == 4140);
static_assert(offsetof(WaybillRecord, cSIDCard) == 4205);
static_assert(offsetof(WaybillRecord, fgWeight) == 4269);
static_assert(sizeof(InputWaybillRecord) == 5301);
static_assert(sizeof(GoodsLine) == 764);
static_assert(sizeof(PieceLine) == 465);
static_assert(offsetof(PieceLine, ixQuantity) == 25);
static_assert(offsetof(PieceLine, cxGoods) == 33);
static_assert(offsetof(PieceLine, fxGCRate) == 457);
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
  // Record i through its stored layout: false for an index outside the
  // store; WriteRecord and AppendRecord answer as PutAt and Append (the new
  // id is written into the caller's record too).
  bool ReadRecord(int index, InputWaybillRecord& record) const;
  int WriteRecord(int index, const InputWaybillRecord& record);
  int AppendRecord(InputWaybillRecord& record);
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
  // Record i through its stored layout: false for an index outside the
  // store; WriteRecord and AppendRecord answer as PutAt and Append (the new
  // id is written into the caller's record too).
  bool ReadRecord(int index, GoodsLine& record) const;
  int WriteRecord(int index, const GoodsLine& record);
  int AppendRecord(GoodsLine& record);
  static constexpr int32_t kRecordSize = sizeof(GoodsLine);
  ~CGoodsLineTable() override;
  int Open(const std::filesystem::path& path);
  using CMappedRecordFile::Open;
  GoodsLine* Record(int index) { return static_cast<GoodsLine*>(GetAt(index)); }
};

// The piece lines of local waybills.
class CPieceWeightTable : public CMappedRecordFile {
 public:
  // Record i through its stored layout: false for an index outside the
  // store; WriteRecord and AppendRecord answer as PutAt and Append (the new
  // id is written into the caller's record too).
  bool ReadRecord(int index, PieceLine& record) const;
  int WriteRecord(int index, const PieceLine& record);
  int AppendRecord(PieceLine& record);
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
