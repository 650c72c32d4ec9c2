#pragma once
// What the waybill import from Excel borrows from the quick entry form: the
// 69 import field names, which are the keys ("name=") of the import's
// column-mapping files, and the template record that carries the form's
// current defaults into every imported row.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "entry/WaybillSave.h"

namespace quickentry {

inline constexpr int kImportFieldCount = 69;

// The import field names, by field number 0..68.
const std::array<std::u16string_view, kImportFieldCount>& ImportFieldNames();

// Fills `record` from the form's values: zeroed, today's date, the customer
// and kind, the texts the rows share (each through the save's length check:
// a text that fails shows its message and stays empty) and the counts and
// codes.  Receiver fields, numbers and the goods description stay empty for
// the rows to fill.
void FillImportTemplate(const WaybillEntry& entry, InputWaybillRecord& record);

}  // namespace quickentry
