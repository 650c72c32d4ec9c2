#pragma once
// The two bulk imports of the record check form, without widgets:
//
// - the field update reads an Excel workbook or a CSV file whose header
//   names waybill columns, finds each row's waybill by its number and writes
//   the mapped fields with one UPDATE; goods columns holding several items
//   replace the waybill's goods lines (a DELETE, then an INSERT);
// - the fee import reads a workbook of number, amount, weight and note and
//   records a fee for each waybill through cp_client_rec_add_4fee.
//
// Both read rows through CImportTable (a CSV file, a workbook, or rows a
// test gives), talk to the server through RecordImportLink, and end with a
// RecordImportReport: the rows updated, every refused row with its reason,
// and why the import stopped early, if it did.  A row counts as updated only
// when the server accepted every statement sent for it.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "office/ImportTable.h"

class CServerLink;
class CBarcodeNormalizer;
struct GoodsRecord;

// ---- The field table of the field update ----

enum class FieldKind : uint8_t {
  Key,       // index 0: the waybill number
  Text,      // GBK text cut to `bytes`
  WideText,  // receiver texts: the Unicode-safe field text in Excel files
  Integer,   // "%d"
  Hundredths,  // RoundScaled(value, 100) as "%d"
  Fixed2,    // "%.2f"
  Fixed3,    // "%.3f"
  Fixed4,    // "%.4f"
  Line,      // receiver address lines 1-3, joined into caddr
};

struct FieldUpdateField {
  const char* header;  // the caption the file's header carries (UTF-8)
  const char* column;  // the client_rec column written; null for the lines
  FieldKind kind;
  uint16_t bytes;      // the longest text written
  bool goods;          // also a goods column
};

inline constexpr int kFieldUpdateFieldCount = 63;
const std::array<FieldUpdateField, kFieldUpdateFieldCount>& FieldUpdateFields();

// What the file choice gives the field update.
struct FieldUpdateChoice {
  std::u16string path;
  bool csv = false;
  // Column (from 1; a CSV field's position plus one) of every field; -1
  // when the file has none.
  std::array<int, kFieldUpdateFieldCount> columns = [] {
    std::array<int, kFieldUpdateFieldCount> none{};
    none.fill(-1);
    return none;
  }();
  // The largest field position (from 0) that held a known header, in the
  // header record (the first record of a CSV file).
  int lastHeaderPosition = 0;
  bool overwrite = false;      // write empty values too
  bool transferNumber = false; // numbers are transfer numbers (cserviceno)
};

// Maps header captions (column 1 first) to the fields whose caption they
// carry exactly (after trimming): the field's column becomes the caption's
// position plus one, and the last column of a caption wins; a field no
// caption names gets -1.  lastHeaderPosition becomes the largest position
// (from 0) holding a known caption (0 when none).
void MapFieldUpdateHeader(const std::vector<std::u16string>& headers, FieldUpdateChoice& choice);

// The log title: the captions of the mapped fields 1-62, the first three
// joined by ",", "..." after them when more than two are mapped; empty when
// none is mapped.
std::u16string FieldUpdateLogTitle(const FieldUpdateChoice& choice);

// ---- The server side ----

// The outcome of one statement.
struct ImportExecResult {
  int sent = 0;             // body length, or a negative transport code
  int32_t returnValue = 0;  // "ReturnValue" of the reply
  bool hasList = false;     // the reply holds "List"
  int32_t firstColumn = 0;  // column "0" of the first row
  std::string error;        // "cError" of the reply (GBK), when any

  bool Delivered() const { return sent >= 0; }
};

class RecordImportLink {
 public:
  virtual ~RecordImportLink() = default;
  // The record id of a waybill by number (quoted by the link); 0 when none.
  virtual int32_t FindWaybillId(std::string_view number, bool transferNumber) = 0;
  // Sends a statement or procedure call through "sSqlExe".
  virtual ImportExecResult Execute(std::string_view sql, std::span<const uint32_t> types) = 0;
  // The operator's user name (GBK).
  virtual std::string UserName() = 0;
};

std::unique_ptr<RecordImportLink> MakeServerRecordImportLink(CServerLink& link);

// ---- Statements ----

// The value of one field as it is written in SQL, or none when the field is
// not written (empty, or below its threshold without `overwrite`).
struct FieldUpdateValue {
  std::string text;       // GBK for text fields; the cell text for numbers
  bool unicodeSafe = false;  // text already in its narrow-field form
};
// The "column=value" entry of a field, or none when it is not written.
// `badNumber` is set (and none returned) when a number field holds a value
// that is not a finite number.
std::optional<std::string> FieldUpdateEntry(int index, const FieldUpdateValue& value,
                                            bool overwrite, bool* badNumber = nullptr);

// "UPDATE brantle.dbo.client_rec SET %s WHERE irid=%d".
std::string BuildFieldUpdateStatement(std::string_view setList, int32_t recordId);

// "DELETE brantle.dbo.client_rec_goods WHERE irid=%d": the old goods lines.
std::string BuildGoodsLinesDelete(int32_t recordId);
// The new goods lines (wpos from 0) as one INSERT ... select ... union all
// select ...; empty when no items.  Sent only after the DELETE succeeded.
std::string BuildGoodsLinesInsert(int32_t recordId, std::span<const GoodsRecord> items);

// "{CALL brantle.dbo.cp_sys_log_add('修改','%s','导入[%s]_%d',0,1)}" (GBK).
std::string BuildImportLogCall(std::string_view userName, std::u16string_view title, int updated);

// The fee call; every text quoted.
struct FeeImportSettings;
std::string BuildFeeCall(std::string_view number, const FeeImportSettings& settings, double amount,
                         double weight, std::string_view userName, std::string_view note);

// ---- The fee-import settings file ----

struct FeeImportSettings {
  std::string serviceKind;  // "快递类别=", 1-15 bytes (GBK)
  std::string suffix;       // "内单号后缀=", 1-7 bytes
  std::string destination;  // "固定目的地=", 0-63 bytes
  std::string label;        // "固定标签=", 1-15 bytes

  // The fee import is offered only with a service kind and a suffix.
  bool FeeImportReady() const { return !serviceKind.empty() && !suffix.empty(); }
};

inline constexpr const char* kFeeSettingsFile = "DATA_SYS/DupNum_4Fee.txt";
// Reads the settings from the file's text (GBK; the first 8000 bytes count):
// the KEY=value lines between "<定义开始>" and "<定义结束>".  A value outside
// its length range leaves its member empty; without the markers all are empty.
FeeImportSettings ParseFeeImportSettings(std::string_view fileText);

// ---- The imports ----

struct RecordImportReport {
  int updated = 0;                 // rows the server accepted
  int errors = 0;                  // rows refused (each has a log line)
  std::u16string log;              // "\r\n" + message for every refused row
  bool stopped = false;            // the import ended at a server failure
  std::u16string stopReason;       // why it stopped
  std::vector<int32_t> changedIds; // records changed, in order
};

struct RecordImportContext {
  RecordImportLink* link = nullptr;
  CBarcodeNormalizer* barcodes = nullptr;  // optional
  // The application's number clean-up of a workbook's key cell (optional).
  std::function<std::u16string(std::u16string_view)> normalizeNumber;
  // Told of every changed record as soon as it changed (optional).
  std::function<void(int32_t)> changed;
};

inline constexpr int kShortRowLimit = 51;

// The field update over the rows of the table.  Nothing happens (empty
// report) when the key column or every field column is missing.
RecordImportReport RunFieldUpdate(const FieldUpdateChoice& choice, CImportTable& table,
                                  const RecordImportContext& context);

// The fee import over rows of number, amount, weight, note.
RecordImportReport RunFeeImport(const FeeImportSettings& settings, CImportTable& table,
                                const RecordImportContext& context);

// The summary shown after an import with errors (text 320018).
std::u16string ImportSummaryText(const RecordImportReport& report);
