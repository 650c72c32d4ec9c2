#include "refdata/RecordStores.h"

#include <cstring>
#include <vector>

#include "refdata/WaybillLayout.h"

namespace {

// True when the NUL-terminated field of `width` bytes holds exactly `text`.
bool FieldEquals(const char* field, size_t width, std::string_view text) {
  const size_t length = ::strnlen(field, width);
  return length == text.size() && std::memcmp(field, text.data(), length) == 0;
}

template <size_t Width>
InputWaybillRecord* ScanBackward(CWaybillRecordTable& table, std::string_view text,
                                 char (WaybillRecord::*field)[Width]) {
  for (int i = table.GetCount() - 1; i >= 0; --i) {
    InputWaybillRecord* record = table.Record(i);
    if (record && FieldEquals(record->waybill.*field, Width, text)) return record;
  }
  return nullptr;
}

constexpr size_t kShortestLookup = 6;

template <typename Record>
bool ReadStored(const CMappedRecordFile& store, int index, Record& record) {
  const void* at = store.GetAt(index);
  if (at == nullptr) return false;
  ReadRecordBytes(static_cast<const unsigned char*>(at), record);
  return true;
}

template <typename Record>
int WriteStored(CMappedRecordFile& store, int index, const Record& record) {
  std::vector<unsigned char> bytes(static_cast<size_t>(store.RecordSize()));
  WriteRecordBytes(record, bytes.data());
  return store.PutAt(index, bytes.data());
}

// Append writes the new id into the first four bytes; they are read back
// into the record through its layout.
template <typename Record>
int AppendStored(CMappedRecordFile& store, Record& record) {
  std::vector<unsigned char> bytes(static_cast<size_t>(store.RecordSize()));
  WriteRecordBytes(record, bytes.data());
  const int count = store.Append(bytes.data());
  if (count > 0) ReadRecordBytes(bytes.data(), record);
  return count;
}

}  // namespace

CDirectoryTable::~CDirectoryTable() { Close(); }

int CDirectoryTable::Load(const std::filesystem::path& path) {
  return SetupAndOpen(path, kRecordSize) ? GetCount() : -1;
}

CWaybillRecordTable::~CWaybillRecordTable() { Close(); }

int CWaybillRecordTable::Open(const std::filesystem::path& path) {
  return SetupAndOpen(path, kRecordSize) ? GetCount() : -1;
}

InputWaybillRecord* CWaybillRecordTable::FindByNumber(std::string_view number) {
  return ScanBackward(*this, number, &WaybillRecord::cNum);
}

InputWaybillRecord* CWaybillRecordTable::FindByReference(std::string_view reference) {
  if (reference.size() < kShortestLookup) return nullptr;
  return ScanBackward(*this, reference, &WaybillRecord::cRNo);
}

InputWaybillRecord* CWaybillRecordTable::FindByTransferNo(std::string_view transferNo) {
  if (transferNo.size() < kShortestLookup) return nullptr;
  return ScanBackward(*this, transferNo, &WaybillRecord::cNo);
}

CGoodsLineTable::~CGoodsLineTable() { Close(); }

int CGoodsLineTable::Open(const std::filesystem::path& path) {
  return SetupAndOpen(path, kRecordSize) ? GetCount() : -1;
}

CPieceWeightTable::~CPieceWeightTable() { Close(); }

int CPieceWeightTable::Open(const std::filesystem::path& path) {
  return SetupAndOpen(path, kRecordSize) ? GetCount() : -1;
}

bool FlushRecordFiles(CWaybillRecordTable& inputs, CGoodsLineTable& goods,
                      CPieceWeightTable& pieces, CDirectoryTable& directory) {
  bool ok = inputs.Commit() != 0;
  ok = goods.Commit() != 0 && ok;
  ok = pieces.Commit() != 0 && ok;
  ok = directory.Commit() != 0 && ok;
  return ok;
}

bool CWaybillRecordTable::ReadRecord(int index, InputWaybillRecord& record) const { return ReadStored(*this, index, record); }
int CWaybillRecordTable::WriteRecord(int index, const InputWaybillRecord& record) { return WriteStored(*this, index, record); }
int CWaybillRecordTable::AppendRecord(InputWaybillRecord& record) { return AppendStored(*this, record); }

bool CGoodsLineTable::ReadRecord(int index, GoodsLine& record) const { return ReadStored(*this, index, record); }
int CGoodsLineTable::WriteRecord(int index, const GoodsLine& record) { return WriteStored(*this, index, record); }
int CGoodsLineTable::AppendRecord(GoodsLine& record) { return AppendStored(*this, record); }

bool CPieceWeightTable::ReadRecord(int index, PieceLine& record) const { return ReadStored(*this, index, record); }
int CPieceWeightTable::WriteRecord(int index, const PieceLine& record) { return WriteStored(*this, index, record); }
int CPieceWeightTable::AppendRecord(PieceLine& record) { return AppendStored(*this, record); }
