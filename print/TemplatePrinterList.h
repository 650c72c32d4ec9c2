#pragma once
// The printer fixed for each print template, kept in "printerset_x1.dat" in
// the program folder.
//
// A record names either one template (id -1 channel waybill "TAB_", -2 parcel
// label "LBL_", -3 proforma invoice "IVC_", with the template's name) or a
// whole kind (id 1 waybill, 2 label, 3 invoice).  On the disk a record is 612
// bytes, little-endian:
//
//   offset size
//        0    4  int32 id
//        4   32  kind name, UTF-16, 16 units with the terminator
//       36   64  template name, UTF-16, 32 units with the terminator
//      100  512  printer name, UTF-16, 256 units with the terminator
//
// and the file is int32 1, int32 n, then n records.  Records are written and
// read field by field; a field without its terminator makes the file damaged.
//
// A job never changes the machine's default printer: the printer found for
// a template is the CUPS queue the job is sent to.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class MessageBoxService;
}

inline constexpr size_t kTemplatePrinterRecordSize = 612;
inline constexpr size_t kPrinterFileHeaderSize = 8;
// Field capacities in UTF-16 units, the terminator included.
inline constexpr size_t kKindNameUnits = 16;
inline constexpr size_t kTemplateNameUnits = 32;
inline constexpr size_t kPrinterNameUnits = 256;

inline constexpr const char* kPrinterFileName = "printerset_x1.dat";
// "The printer association file is damaged and was ignored."
inline constexpr int32_t kPrinterFileDamagedText = 21500;

struct TemplatePrinterRecord {
  int32_t id = 0;
  std::u16string kindName;
  std::u16string templateName;
  std::u16string printerName;

  bool operator==(const TemplatePrinterRecord&) const = default;
};

// Whether each name fits its field with the terminator.
bool FitsTemplatePrinterRecord(const TemplatePrinterRecord& record);
// The 612 bytes of a record (zero after each name).  A name too long for its
// field is cut to fit; callers check FitsTemplatePrinterRecord first.
std::string EncodeTemplatePrinterRecord(const TemplatePrinterRecord& record);
// Reads one record from exactly 612 bytes; false when the size is wrong or
// a name has no terminator inside its field.
bool DecodeTemplatePrinterRecord(std::string_view bytes, TemplatePrinterRecord& record);

// The window changes the list while print workers read it: every call
// holds the print state lock (PrintStateLock, print/PrintContext.h); a
// caller that changes several records at once holds it around them all.
class CTemplatePrinterList {
 public:
  CTemplatePrinterList() = default;
  virtual ~CTemplatePrinterList() = default;

  // 0 when the record replaced one, 1 when it was appended.  A negative id
  // replaces the first record with the same id and template name, any other
  // id the first record with the same id.
  int AddOrReplace(const TemplatePrinterRecord& record);
  // The printer of a template (negative id and its name), or of a kind
  // (positive id); falls back from a negative id to the kind -id when the
  // selector is empty.  The empty text when none.
  std::u16string FindPrinter(int32_t id, std::u16string_view selector,
                             std::u16string_view templateName) const;
  // Record i, copied to `out` when given; nullptr when i is outside the list.
  const TemplatePrinterRecord* GetAt(int i, TemplatePrinterRecord* out = nullptr) const;
  void RemoveAll();
  int Count() const;

 private:
  std::vector<TemplatePrinterRecord> records_;
};

// ---- the file

// The bytes of the file: int32 1, the count, every record in order.
std::string EncodePrinterFile(const CTemplatePrinterList& list);
// Reads the whole file's bytes into `records`; false (records left empty)
// when the length is not 8 + 612 n with n the count field, or a record is
// damaged.
bool DecodePrinterFile(std::string_view bytes, std::vector<TemplatePrinterRecord>& records);

enum class PrinterFileLoad { kLoaded, kNoFile, kDamaged, kTooFewPrinters };

// Start-up: with at least two installed printers, reads "printerset_x1.dat"
// from the folder (ending in '/') and adds each record whose printer is
// installed.  A damaged file leaves the list empty and tells the operator.
PrinterFileLoad LoadPrinterFile(const std::string& folder,
                                const std::vector<std::u16string>& installedPrinters,
                                CTemplatePrinterList& list, platform::MessageBoxService& boxes);

// Writes the list to "printerset_x1.dat" in the folder through a temporary
// file renamed over the old one; false (the old file unchanged) when it
// cannot be written.
bool SavePrinterFile(const std::string& folder, const CTemplatePrinterList& list);

// ---- jobs

// The queue a job of the printer kind (1 waybill, 2 label, 3 invoice; 0
// counts as 1) and template sends to: the template's own printer, else the
// kind's, else empty (the job goes to the default queue).
std::u16string JobPrinter(const CTemplatePrinterList& list, int kind,
                          std::u16string_view templateName);
