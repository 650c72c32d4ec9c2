#include "print/TemplatePrinterList.h"

#include <QByteArray>
#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "common/LanguageTable.h"
#include "platform/MessageBox.h"
#include "print/PrintContext.h"

namespace {

constexpr size_t kKindNameOffset = 4;
constexpr size_t kTemplateNameOffset = kKindNameOffset + 2 * kKindNameUnits;           // 36
constexpr size_t kPrinterNameOffset = kTemplateNameOffset + 2 * kTemplateNameUnits;    // 100
static_assert(kPrinterNameOffset + 2 * kPrinterNameUnits == kTemplatePrinterRecordSize);

void PutInt32(std::string& out, size_t at, int32_t value) {
  const auto v = static_cast<uint32_t>(value);
  for (size_t i = 0; i < 4; ++i) out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

int32_t GetInt32(std::string_view in, size_t at) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<unsigned char>(in[at + i])) << (8 * i);
  return static_cast<int32_t>(v);
}

// Writes the text into a zeroed field of `units` code units, keeping room for
// the terminator.
void PutName(std::string& out, size_t at, size_t units, std::u16string_view text) {
  const size_t n = std::min(text.size(), units - 1);
  for (size_t i = 0; i < n; ++i) {
    out[at + 2 * i] = static_cast<char>(text[i] & 0xFF);
    out[at + 2 * i + 1] = static_cast<char>(text[i] >> 8);
  }
}

// The text up to the terminator; false when the field holds none.
bool GetName(std::string_view in, size_t at, size_t units, std::u16string& text) {
  text.clear();
  for (size_t i = 0; i < units; ++i) {
    const auto lo = static_cast<unsigned char>(in[at + 2 * i]);
    const auto hi = static_cast<unsigned char>(in[at + 2 * i + 1]);
    const auto unit = static_cast<char16_t>(lo | (hi << 8));
    if (unit == 0) return true;
    text.push_back(unit);
  }
  text.clear();
  return false;
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

bool FitsTemplatePrinterRecord(const TemplatePrinterRecord& record) {
  return record.kindName.size() < kKindNameUnits && record.templateName.size() < kTemplateNameUnits &&
         record.printerName.size() < kPrinterNameUnits;
}

std::string EncodeTemplatePrinterRecord(const TemplatePrinterRecord& record) {
  std::string out(kTemplatePrinterRecordSize, '\0');
  PutInt32(out, 0, record.id);
  PutName(out, kKindNameOffset, kKindNameUnits, record.kindName);
  PutName(out, kTemplateNameOffset, kTemplateNameUnits, record.templateName);
  PutName(out, kPrinterNameOffset, kPrinterNameUnits, record.printerName);
  return out;
}

bool DecodeTemplatePrinterRecord(std::string_view bytes, TemplatePrinterRecord& record) {
  if (bytes.size() != kTemplatePrinterRecordSize) return false;
  TemplatePrinterRecord r;
  r.id = GetInt32(bytes, 0);
  if (!GetName(bytes, kKindNameOffset, kKindNameUnits, r.kindName) ||
      !GetName(bytes, kTemplateNameOffset, kTemplateNameUnits, r.templateName) ||
      !GetName(bytes, kPrinterNameOffset, kPrinterNameUnits, r.printerName)) {
    return false;
  }
  record = std::move(r);
  return true;
}

// ---- CTemplatePrinterList

int CTemplatePrinterList::AddOrReplace(const TemplatePrinterRecord& record) {
  std::lock_guard lock(*PrintStateLock());
  auto same = [&record](const TemplatePrinterRecord& r) {
    if (r.id != record.id) return false;
    return record.id >= 0 || r.templateName == record.templateName;
  };
  auto it = std::find_if(records_.begin(), records_.end(), same);
  if (it != records_.end()) {
    *it = record;
    return 0;
  }
  records_.push_back(record);
  return 1;
}

std::u16string CTemplatePrinterList::FindPrinter(int32_t id, std::u16string_view selector,
                                                 std::u16string_view templateName) const {
  std::lock_guard lock(*PrintStateLock());
  if (id < 0) {
    for (const TemplatePrinterRecord& r : records_) {
      if (r.id == id && r.templateName == templateName) return r.printerName;
    }
    if (!selector.empty()) return {};
    id = -id;
  }
  for (const TemplatePrinterRecord& r : records_) {
    if (r.id == id) return r.printerName;
  }
  return {};
}

int CTemplatePrinterList::Count() const {
  std::lock_guard lock(*PrintStateLock());
  return static_cast<int>(records_.size());
}

void CTemplatePrinterList::RemoveAll() {
  std::lock_guard lock(*PrintStateLock());
  records_.clear();
}

const TemplatePrinterRecord* CTemplatePrinterList::GetAt(int i, TemplatePrinterRecord* out) const {
  std::lock_guard lock(*PrintStateLock());
  if (i < 0 || i >= Count()) return nullptr;
  const TemplatePrinterRecord& r = records_[static_cast<size_t>(i)];
  if (out != nullptr) *out = r;
  return &r;
}

// ---- the file

std::string EncodePrinterFile(const CTemplatePrinterList& list) {
  std::lock_guard lock(*PrintStateLock());
  std::string out(kPrinterFileHeaderSize, '\0');
  PutInt32(out, 0, 1);
  PutInt32(out, 4, list.Count());
  for (int i = 0; i < list.Count(); ++i) out += EncodeTemplatePrinterRecord(*list.GetAt(i));
  return out;
}

bool DecodePrinterFile(std::string_view bytes, std::vector<TemplatePrinterRecord>& records) {
  records.clear();
  if (bytes.size() < kPrinterFileHeaderSize ||
      bytes.size() % kTemplatePrinterRecordSize != kPrinterFileHeaderSize) {
    return false;
  }
  const int32_t count = GetInt32(bytes, 4);
  const size_t n = bytes.size() / kTemplatePrinterRecordSize;
  if (count < 0 || static_cast<size_t>(count) != n) return false;
  std::vector<TemplatePrinterRecord> read(n);
  for (size_t i = 0; i < n; ++i) {
    const size_t at = kPrinterFileHeaderSize + i * kTemplatePrinterRecordSize;
    if (!DecodeTemplatePrinterRecord(bytes.substr(at, kTemplatePrinterRecordSize), read[i])) return false;
  }
  records = std::move(read);
  return true;
}

PrinterFileLoad LoadPrinterFile(const std::string& folder,
                                const std::vector<std::u16string>& installedPrinters,
                                CTemplatePrinterList& list, platform::MessageBoxService& boxes) {
  if (installedPrinters.size() < 2) return PrinterFileLoad::kTooFewPrinters;
  std::string bytes;
  if (!ReadWholeFile(folder + kPrinterFileName, bytes)) return PrinterFileLoad::kNoFile;
  std::vector<TemplatePrinterRecord> records;
  if (!DecodePrinterFile(bytes, records)) {
    boxes.Show(AppLanguage().Text(kPrinterFileDamagedText), {}, platform::kMbOk | platform::kMbIconWarning);
    return PrinterFileLoad::kDamaged;
  }
  for (const TemplatePrinterRecord& r : records) {
    if (std::find(installedPrinters.begin(), installedPrinters.end(), r.printerName) !=
        installedPrinters.end()) {
      list.AddOrReplace(r);
    }
  }
  return PrinterFileLoad::kLoaded;
}

bool SavePrinterFile(const std::string& folder, const CTemplatePrinterList& list) {
  const std::string bytes = EncodePrinterFile(list);
  QSaveFile file(QFile::decodeName(QByteArray::fromStdString(folder + kPrinterFileName)));
  if (!file.open(QIODevice::WriteOnly)) return false;
  if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size())) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

// ---- jobs

std::u16string JobPrinter(const CTemplatePrinterList& list, int kind, std::u16string_view templateName) {
  std::lock_guard lock(*PrintStateLock());
  std::u16string printer;
  if (!templateName.empty()) printer = list.FindPrinter(kind == 0 ? -1 : -kind, {}, templateName);
  if (printer.empty()) printer = list.FindPrinter(kind, {}, {});
  return printer;
}
