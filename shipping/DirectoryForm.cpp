#include "shipping/DirectoryForm.h"

#include <cstdio>
#include <cstring>

#include "common/FieldCheck.h"
#include "common/FixedField.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "office/ExcelSession.h"
#include "platform/MessageBox.h"
#include "server/WorkstationIdentity.h"

namespace {

struct Caption {
  const char16_t* text;
  int width;
};

// The import headings are file contents: the same in every language.
const Caption kCaptions[kDirFieldCount] = {
    {u"编码", 80},  {u"姓名", 80},  {u"电话", 110}, {u"单位", 200},     {u"地址", 200},
    {u"国家", 80},  {u"省州", 80},  {u"城市", 80},  {u"邮编", 80},      {u"电子邮箱", 100},
    {u"短信电话", 90}, {u"备注", 100}, {u"证照号", 100}};

// Grid captions are language texts 22660 + column.
const Caption kGrid[kDirectoryGridColumns] = {
    {u"序号", 40},  {u"编码", 80},  {u"姓名", 100}, {u"单位名称", 200}, {u"地址", 200},
    {u"电话", 100}, {u"邮编", 70},  {u"城市", 80},  {u"省州", 80},     {u"国家", 70},
    {u"短信电话", 100}, {u"电子邮件", 150}, {u"证照号", 100}, {u"备注", 200}};

std::u16string Text(int id, std::u16string_view fallback) {
  return AppLanguage().Text(id, fallback);
}

void Warn(std::u16string_view text) {
  platform::ShowMessageBox(text, Text(20003, u"提示"), platform::kMbOk | platform::kMbIconWarning);
}

std::string LowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// Where each text goes in the record.
char* Slot(DirectoryRecord& r, int field, size_t& size) {
  switch (field) {
    case kDirCode: size = sizeof r.code; return r.code;
    case kDirName: size = sizeof r.name; return r.name;
    case kDirPhone: size = sizeof r.phone; return r.phone;
    case kDirCompany: size = sizeof r.company; return r.company;
    case kDirAddress: size = sizeof r.address; return r.address;
    case kDirCountry: size = sizeof r.country; return r.country;
    case kDirProvince: size = sizeof r.province; return r.province;
    case kDirCity: size = sizeof r.city; return r.city;
    case kDirPostcode: size = sizeof r.postcode; return r.postcode;
    case kDirEmail: size = sizeof r.email; return r.email;
    case kDirSms: size = sizeof r.sms; return r.sms;
    case kDirMemo: size = sizeof r.memo; return r.memo;
    default: size = sizeof r.idNumber; return r.idNumber;
  }
}

void Put(DirectoryRecord& r, int field, std::string_view value) {
  size_t size = 0;
  char* slot = Slot(r, field, size);
  std::memset(slot, 0, size);
  std::memcpy(slot, value.data(), std::min(value.size(), size - 1));
}

// The limits of the form (minimum, maximum, caption text id and fallback)
// for the fields checked after name, code and phone, in the form's order.
struct Limit {
  int field, minimum, maximum, captionId;
  const char16_t* caption;
};
const Limit kFormLimits[] = {
    {kDirAddress, 5, 126, 22623, u"详细地址"}, {kDirCompany, 0, 126, 22624, u"单位名称"},
    {kDirPostcode, 0, 15, 22625, u"邮编"},     {kDirCountry, 0, 62, 22626, u"国家"},
    {kDirProvince, 0, 30, 22627, u"省州"},     {kDirCity, 0, 63, 22628, u"城市"},
    {kDirEmail, 0, 62, 22629, u"电子邮件"},    {kDirSms, 0, 22, 22630, u"短信号码"},
    {kDirMemo, 0, 254, 22631, u"备注"},        {kDirIdNumber, 0, 30, 22632, u"证照号"}};

// The limits of the import: the import names a field by its heading.
struct ImportLimit {
  int field, minimum, maximum;
};
const ImportLimit kImportLimits[] = {
    {kDirPhone, 1, 62},    {kDirAddress, 1, 126}, {kDirCompany, 0, 126}, {kDirCountry, 0, 62},
    {kDirProvince, 0, 30}, {kDirCity, 0, 63},     {kDirPostcode, 0, 15}, {kDirEmail, 0, 62},
    {kDirSms, 0, 22},      {kDirMemo, 0, 254},    {kDirIdNumber, 0, 30}};

std::u16string RowLine(int id, const char16_t* fallback, int row) {
  std::u16string line = Text(id, fallback);
  ReplaceAllW(line, u"%1", WideFromGbk(std::to_string(row)));
  return line + u"\r\n";
}

}  // namespace

std::u16string_view DirectoryCaption(int field) { return kCaptions[field].text; }
int DirectoryCaptionWidth(int field) { return kCaptions[field].width; }
std::u16string_view DirectoryGridCaption(int column) { return kGrid[column].text; }
int DirectoryGridWidth(int column) { return kGrid[column].width; }

DirectoryTexts DirectoryTextsOf(const DirectoryRecord& record) {
  DirectoryRecord copy = record;
  DirectoryTexts texts;
  for (int f = 0; f < kDirFieldCount; ++f) {
    size_t size = 0;
    const char* slot = Slot(copy, f, size);
    texts[f] = WideFromGbk(std::string_view(slot, strnlen(slot, size)));
  }
  return texts;
}

std::array<std::u16string, kDirectoryGridColumns> DirectoryGridCells(const DirectoryRecord& r) {
  const DirectoryTexts t = DirectoryTextsOf(r);
  return {std::u16string(), t[kDirCode], t[kDirName], t[kDirCompany], t[kDirAddress],
          t[kDirPhone], t[kDirPostcode], t[kDirCity], t[kDirProvince], t[kDirCountry],
          t[kDirSms], t[kDirEmail], t[kDirIdNumber], t[kDirMemo]};
}

// ---- the form's save ----

bool CDirectoryEditor::Save(int32_t editedId, DirectoryTexts& texts, DirectoryRecord& saved) {
  DirectoryRecord record{};
  record.id = editedId;
  std::string narrow;

  if (!CheckFieldLength(texts[kDirName], narrow, 1, 30, Text(22620, u"姓名"), false)) return false;
  if (const DirectoryRecord* same = index_.FindByName(narrow); same && same->id != editedId) {
    Warn(Text(22603, u"相同姓名的记录已经存在。"));
    return false;
  }
  Put(record, kDirName, narrow);

  if (TrimW(texts[kDirCode]).empty()) texts[kDirCode] = WideFromGbk(index_.MakeDirectoryCode(narrow));
  texts[kDirCode] = WideFromGbk(LowerAscii(GbkFromWide(texts[kDirCode])));
  if (!CheckFieldLength(texts[kDirCode], narrow, 1, 11, Text(22621, u"编码"), false)) return false;
  if (index_.IsCodeTaken(narrow, editedId)) {
    Warn(Text(22604, u"编码重复，不能保存。"));
    return false;
  }
  Put(record, kDirCode, narrow);

  if (!CheckFieldLength(texts[kDirPhone], narrow, 0, 62, Text(22622, u"电话号码"), false))
    return false;
  if (!narrow.empty()) {
    if (const DirectoryRecord* same = index_.FindByPhone(narrow); same && same->id != editedId) {
      Warn(Text(22605, u"相同电话号码的记录已经存在。"));
      return false;
    }
  }
  Put(record, kDirPhone, narrow);

  for (const Limit& l : kFormLimits) {
    if (!CheckFieldLength(texts[l.field], narrow, l.minimum, l.maximum, Text(l.captionId, l.caption),
                          false))
      return false;
    Put(record, l.field, narrow);
  }

  CDirectoryTable& table = index_.Table();
  if (editedId < 0) {
    record.id = 0;
    if (table.Append(&record) <= 0) return false;
  } else {
    const int position = index_.IndexOfId(editedId);
    if (position < 0) return false;
    if (table.PutAt(position, &record) <= 0) return false;
  }
  index_.RebuildIndexes();
  saved = record;
  return true;
}

void CDirectoryEditor::Remove(int32_t id) { index_.RemoveById(id); }

int32_t FindDirectoryCode(CDirectoryIndex& index, std::string_view code) {
  if (code.empty()) return 0;
  const std::string wanted = LowerAscii(std::string(code));
  CDirectoryTable& table = index.Table();
  for (int i = table.GetCount() - 1; i >= 0; --i) {
    const DirectoryRecord* r = table.Record(i);
    if (r != nullptr && LowerAscii(std::string(FixedText(r->code))) == wanted) return r->id;
  }
  return 0;
}

// ---- the import ----

DirectoryImportResult ImportDirectorySheet(
    CDirectoryIndex& index, DirectorySheet& sheet,
    const std::function<void(const DirectoryRecord&)>& onAdded) {
  DirectoryImportResult result;
  int column[kDirFieldCount];
  for (int& c : column) c = 0;
  for (int c = 1; c <= kDirFieldCount; ++c) {
    std::u16string heading = sheet.Cell(1, c);
    TrimW(heading);
    for (int f = 0; f < kDirFieldCount; ++f)
      if (column[f] == 0 && heading == kCaptions[f].text) column[f] = c;
  }
  if (column[kDirName] == 0 || column[kDirPhone] == 0 || column[kDirAddress] == 0) return result;
  result.headingsFound = true;

  for (int row = 2;; ++row) {
    DirectoryTexts t;
    for (int f = 0; f < kDirFieldCount; ++f) {
      if (column[f] == 0) continue;
      t[f] = sheet.Cell(row, column[f]);
      TrimW(t[f]);
      if (t[f].size() > 254) t[f].clear();
    }
    if (t[kDirName].empty()) {
      if (row > 10) break;
      continue;
    }
    if (t[kDirPhone].empty() || t[kDirAddress].empty()) {
      ++result.skipped;
      result.report += RowLine(22615, u"第 %1 行: 缺少姓名、电话或地址，未导入。", row);
      continue;
    }
    DirectoryRecord record{};
    std::u16string refusal;
    std::string narrow;
    if (!CheckImportFieldLength(t[kDirName], narrow, 1, 30, kCaptions[kDirName].text, refusal,
                                row)) {
      ++result.refused;
      result.report += refusal + u"\r\n";
      continue;
    }
    if (index.FindByName(narrow) != nullptr) {
      ++result.skipped;
      result.report += RowLine(22614, u"第 %1 行: 姓名已经存在，未导入。", row);
      continue;
    }
    Put(record, kDirName, narrow);
    const std::string name = narrow;

    if (column[kDirCode] != 0 && !t[kDirCode].empty()) {
      if (!CheckImportFieldLength(t[kDirCode], narrow, 0, 11, kCaptions[kDirCode].text, refusal,
                                  row)) {
        ++result.refused;
        result.report += refusal + u"\r\n";
        continue;
      }
      narrow = LowerAscii(narrow);
      if (index.IsCodeTaken(narrow, -1)) {
        ++result.skipped;
        result.report += RowLine(22616, u"第 %1 行: 编码已经使用，未导入。", row);
        continue;
      }
    } else {
      narrow = index.MakeDirectoryCode(name);
    }
    Put(record, kDirCode, narrow);

    bool fits = true;
    for (const ImportLimit& l : kImportLimits) {
      if (column[l.field] == 0) continue;
      if (!CheckImportFieldLength(t[l.field], narrow, l.minimum, l.maximum,
                                  kCaptions[l.field].text, refusal, row)) {
        fits = false;
        break;
      }
      Put(record, l.field, narrow);
    }
    if (!fits) {
      ++result.refused;
      result.report += refusal + u"\r\n";
      continue;
    }
    if (index.Table().Append(&record) <= 0) break;
    index.RebuildIndexes();
    ++result.written;
    if (onAdded) onAdded(record);
  }
  if (result.written > 0) index.RebuildIndexes();
  return result;
}

std::u16string DirectoryMissingHeadingsText() {
  std::u16string text = Text(22609, u"缺少基本数据,不能导入!\r\n基本数据为:\r\n");
  for (int f : {kDirName, kDirPhone, kDirAddress}) text += std::u16string(kCaptions[f].text) + u"\r\n";
  return text;
}

std::u16string DirectoryImportSummary(const DirectoryImportResult& result) {
  std::u16string text = Text(22610, u"本次导入共成功写入%1条名录。");
  ReplaceAllW(text, u"%1", WideFromGbk(std::to_string(result.written)));
  if (!result.report.empty()) {
    text += u"\r\n";
    text += Text(22613, u"以下各行没有导入:");
    text += u"\r\n" + result.report;
  }
  return text;
}

// ---- the template ----

std::u16string DirectoryTemplatePath(std::u16string_view desktop, std::string_view programFolder) {
  if (!desktop.empty()) {
    std::u16string path(desktop);
    if (path.back() != u'/') path += u'/';
    return path + u"名录格式.xls";
  }
  return WideFromGbk(programFolder) + u"DATA_TEMP/名录格式.xls";
}

bool ExportDirectoryTemplate(std::u16string_view path, std::u16string& error) {
  CExcelSession book;
  book.SetOverwriteQuestion(false);
  if (book.CreateWorkbook(u"名录格式", path, u"", false) == 0) {
    error = book.LastError();
    return false;
  }
  for (int c = 0; c < 11; ++c) {
    book.SetCellString(1, c + 1, kCaptions[c].text);
    book.SetColumnWidth(c + 1, kCaptions[c].width);
  }
  if (book.SaveAndClose() == 0) {
    error = book.LastError();
    return false;
  }
  return true;
}

std::u16string WorkstationIdentityText(std::string_view programFolder) {
  MacAddress mac{};
  ReadMacAddress(mac);
  char text[64];
  std::snprintf(text, sizeof text, "%02X%02X-%02X%02X-%02X%02X", mac[0], mac[1], mac[2], mac[3],
                mac[4], mac[5]);
  return WideFromGbk(text) + u"\r\n" + WideFromGbk(MachineMark(programFolder));
}
