#pragma once
// Print templates: a GBK text that says where each value goes and how the
// renderer behaves, and the workbook the renderer fills.  CTemplateModel
// fetches the pair (from the server, else from DATA_MODEL/<name>.txt and
// .xls under the program folder), parses the text once and answers look-ups
// by key line, by named block and by list-field name.
//
// The text: key lines "key=value" (a key counts only where it begins a
// line), a header block between "<头定义开始>" and "<头定义结束>" of lines
// "A1=text", a list block between "<列表定义开始>" and "<列表定义结束>" of
// lines "name=A1" or "\"literal\"=A1", and named blocks "<name开始>" ...
// "<name结束>".  Cell addresses are one or two letters and a row number
// (A = 1, Z = 26, AA = 27).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CServerLink;

// One cell of a header or list block; rows and columns from 1.
struct TemplateItem {
  int32_t row = 0;
  int32_t column = 0;
  int32_t literal = 0;  // 1 for a quoted list entry
  std::string text;     // GBK, at most 255 bytes
};

// The template kinds the application keeps a current template of, by slot.
enum TemplateSlot { kInvoiceSlot = 0, kWaybillSlot = 1, kLabelSlot = 2 };
inline constexpr int kTemplateSlotCount = 3;
// The GBK kind name of a slot ("形式发票", "渠道面单", "快件标签"); empty out
// of range.
std::string TemplateKindName(int slot);
// Language text of a slot's caption (190005..190007).
int32_t TemplateKindCaptionId(int slot);

// -1 "TAB_" (channel waybill), -2 "LBL_" (label), -3 "IVC_" (invoice) by the
// first four characters of an (upper-cased) file name, else 0; the kind name
// goes to `kindName` when given.
int TemplateKindFromName(std::u16string_view fileName, std::string* kindName = nullptr);

// Whether a template name may be used as a file name in the template
// folder: not empty, no "/" or "\", no "..", no control character.
bool IsSafeTemplateName(std::u16string_view name);

// Reads a cell address at the start of `text` as the item blocks do: one
// letter when the second character is a digit, else two; the letters as
// they stand.  False when the column or row comes out below 1.
bool ParseCellAddress(std::string_view text, int32_t& row, int32_t& column);

class CTemplateModel {
 public:
  CTemplateModel(std::string_view kindGbk, std::string_view nameGbk, int32_t id = 0);
  virtual ~CTemplateModel();
  CTemplateModel(const CTemplateModel&) = delete;
  CTemplateModel& operator=(const CTemplateModel&) = delete;

  // Loads the template: the server's copy when the link gives a usable
  // reply, else the local pair under programFolder + "DATA_MODEL/".  1
  // loaded, 0 failed.  A server workbook of the wrong length fails without
  // trying the local files; a name unfit for a file name never opens one.
  int Fetch(CServerLink& link, const std::string& programFolder);
  // Takes the server's reply to "sModelData" (steps of Fetch); 1 used, 0
  // failed, -1 the reply is not usable (then the local files are tried).
  int TakeServerReply(std::string_view reply);
  // Reads DATA_MODEL/<name>.txt and .xls under the folder; 1 or 0.
  int LoadLocalFiles(const std::string& programFolder);

  // Replaces the text (GBK) and parses it; ParseText's result.
  int SetText(std::string text);
  void SetWorkbook(std::string bytes) { workbook_ = std::move(bytes); hasWorkbook_ = !workbook_.empty(); }
  // Rebuilds the item lists and the restrictions; 0 without a text.
  int ParseText();

  int HasWorkbook() const { return hasWorkbook_ ? 1 : 0; }
  int HasText() const { return hasText_ ? 1 : 0; }
  const std::string& Workbook() const { return workbook_; }
  const std::string& Text() const { return text_; }

  const std::u16string& Name() const { return name_; }
  const std::string& NameGbk() const { return nameGbk_; }
  const std::string& KindName() const { return kindGbk_; }
  int32_t Id() const { return id_; }
  bool Fetched() const { return fetched_; }
  int HasItems() const { return hasItems_; }

  // Key lines.  GetInt: the number after the first "=" after the key, -1
  // when absent.  GetString: the rest of the line after a "=" at most three
  // characters after the key (empty when absent); its GBK copy, when asked
  // for, only for values of at most 254 bytes.  GetCell: a value of one or
  // two letters (either case) and digits ended by a line break within 15
  // bytes; the column, or -1.
  int32_t GetInt(std::u16string_view key) const;
  std::u16string GetString(std::u16string_view key, std::string* gbk = nullptr) const;
  int32_t GetCell(std::u16string_view key, int32_t& row, int32_t& column) const;
  // The text between "<name开始>" and "<name结束>" without its leading line
  // breaks; empty when a marker is missing or the block has 1024 bytes or more.
  std::u16string GetBlock(std::u16string_view name) const;

  const std::vector<TemplateItem>& HeaderItems() const { return header_; }
  const std::vector<TemplateItem>& ListItems() const { return list_; }
  // List look-ups by GBK name, exact; literal items included.
  int32_t ListFieldColumn(std::string_view name) const;
  int ListFieldCell(std::string_view name, int32_t& column, int32_t& row) const;
  int32_t FirstListRow() const;
  // The n-th literal list item (from 1): its text and column; -1 when there
  // are fewer.
  int32_t GetLiteralListEntry(int n, std::u16string& text) const;

  const std::string& DestinationRestriction() const { return destinationsGbk_; }
  const std::u16string& DestinationRestrictionW() const { return destinations_; }
  const std::string& KindRestriction() const { return kindsGbk_; }
  const std::u16string& KindRestrictionW() const { return kinds_; }

  void Clear();

 private:
  // Position of the value after the key's "=" (maxGap: the largest number of
  // characters allowed between key and "="), or npos.
  size_t FindKeyValue(std::u16string_view key, size_t maxGap) const;
  void ParseHeaderBlock(std::string_view block);
  void ParseListBlock(std::string_view block);

  std::u16string name_;
  std::string nameGbk_;
  std::string kindGbk_;
  std::string workbook_;
  std::string text_;
  bool hasWorkbook_ = false;
  bool hasText_ = false;
  bool fetched_ = false;
  int32_t id_ = 0;
  int hasItems_ = 0;
  std::vector<TemplateItem> header_;
  std::vector<TemplateItem> list_;
  std::string destinationsGbk_;
  std::u16string destinations_;
  std::string kindsGbk_;
  std::u16string kinds_;
};
