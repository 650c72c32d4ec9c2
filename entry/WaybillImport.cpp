#include "entry/WaybillImport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "common/DateTime.h"
#include "common/FieldCheck.h"
#include "common/FixedField.h"
#include "common/GbkText.h"
#include "common/GoodsRecord.h"
#include "common/LanguageTable.h"
#include "common/SettingsText.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "entry/QuickEntryImport.h"
#include "office/ExcelSession.h"
#include "office/ImportTable.h"
#include "refdata/CountryResolver.h"
#include "refdata/DestinationTable.h"
#include "refdata/ServiceKinds.h"
#include "server/ProcedureCall.h"
#include "server/ServerLink.h"

namespace waybillimport {

namespace {

constexpr int kTextNoChannel = 120066;
constexpr int kTextNoKey = 120067;
constexpr int kTextReferenceUsed = 120070;
constexpr int kTextServerRefused = 120071;
constexpr int kTextNoNumber = 120072;
constexpr int kTextWithErrors = 120064;
constexpr int kTextAllSaved = 120065;
// The rows below an empty key after row 20 that were not read.
constexpr int kTextRowsNotRead = 705000;
// A waybill on the server without some of its rows.
constexpr int kTextPartlyStored = 705001;
// The goods lines of continuation rows.
constexpr int kTextContinuationLines = 705002;
// The import stopped on request, or broken off by a failure.
constexpr int kTextStopped = 714003;
constexpr int kTextCutShort = 714004;

// The goods buffers, in the order they are checked, with their limits.
constexpr int kGoodsFields[] = {23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 68};
constexpr int GoodsLimit(int field) {
  return field == 24 || field == 25 || field == 31 || field == 32 || field == 68 ? 1022 : 4094;
}

std::u16string Number(int value) { return WideFromGbk(std::to_string(value)); }

std::u16string RowText(int id, int row) {
  std::u16string text = AppLanguage().Text(id);
  ReplaceAllW(text, u"%1", Number(row));
  return text;
}

std::u16string TrimmedEnd(std::u16string text) {
  while (!text.empty() && (text.back() == u' ' || text.back() == u'\t')) text.pop_back();
  return text;
}

std::u16string Upper(std::u16string text) {
  for (char16_t& c : text)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return text;
}

double NotNegative(double v) { return v < 0 ? 0 : v; }

int DayOfYear(int year, int month, int day) {
  int days = day;
  for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
  return days;
}

}  // namespace

// ---- the report ----

std::u16string ImportReport::Summary() const {
  const int n = Reported();
  std::u16string text;
  if (n > 0) {
    text = AppLanguage().Text(kTextWithErrors);
    ReplaceAllW(text, u"%1", Number(saved));
    ReplaceAllW(text, u"%2", Number(n));
    text += u"\r\n" + errors[0] + u"\r\n";
    if (n > 1) text += errors[1] + u"\r\n";
    text += u"......";
  } else {
    text = AppLanguage().Text(kTextAllSaved);
    ReplaceAllW(text, u"%1", Number(saved));
  }
  for (const std::u16string& line : EndLines()) text += u"\r\n" + line;
  return text;
}

std::vector<std::u16string> ImportReport::EndLines() const {
  std::vector<std::u16string> lines;
  if (unreadRows > 0) {
    std::u16string unread = AppLanguage().Text(kTextRowsNotRead);
    ReplaceAllW(unread, u"%1", Number(stoppedAtRow));
    ReplaceAllW(unread, u"%2", Number(unreadRows));
    ReplaceAllW(unread, u"%3", Number(firstUnreadRow));
    lines.push_back(std::move(unread));
  }
  if (stopped) {
    std::u16string line = AppLanguage().Text(kTextStopped);
    ReplaceAllW(line, u"%1", Number(stopRow));
    lines.push_back(std::move(line));
  }
  if (cutShort) {
    std::u16string line = AppLanguage().Text(kTextCutShort);
    ReplaceAllW(line, u"%1", Number(stopRow));
    ReplaceAllW(line, u"%2", failure);
    lines.push_back(std::move(line));
  }
  return lines;
}

std::u16string ImportReport::ClipboardText() const {
  std::u16string text;
  for (int i = 0; i < Reported(); ++i) text += errors[static_cast<size_t>(i)] + u"\r\n";
  for (const std::u16string& line : EndLines()) text += line + u"\r\n";
  return text;
}

// ---- pieces of a row ----

int SplitGoodsColumns(const std::array<std::string, kFieldCount>& t,
                      std::vector<GoodsRecord>& items, std::string& quantityList,
                      double& amount) {
  items.clear();
  quantityList.clear();
  amount = 0;
  if (t[24].find(',') == std::string::npos) return 0;
  GoodsColumns columns(t[23], t[24], t[25]);
  columns.secondNames = t[26];
  columns.codesA = t[27];
  columns.codesB = t[28];
  columns.codesC = t[29];
  columns.customsValues = t[31];
  columns.customsRates = t[32];
  columns.units = t[30];
  columns.weights = t[68];
  if (!::SplitGoodsColumns(std::move(columns), items) || items.size() < 2) {
    items.clear();
    return 0;
  }
  int total = 0;
  quantityList = std::to_string(items.front().iquantity);
  for (size_t i = 0; i < items.size(); ++i) {
    total += items[i].iquantity;
    amount += items[i].iquantity * items[i].fprice;
    if (i > 0 && quantityList.size() <= 54) quantityList += "," + std::to_string(items[i].iquantity);
  }
  return total;
}

bool AcceptImportDate(std::string_view text, WaybillRecord& w, const std::tm& today) {
  int numbers[3] = {0, 0, 0};
  size_t at = 0;
  for (int& n : numbers) {
    while (at < text.size() && (text[at] < '0' || text[at] > '9')) ++at;
    if (at >= text.size()) return false;
    long value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
      if (value < 100000) value = value * 10 + (text[at] - '0');
    n = static_cast<int>(value);
  }
  int year = numbers[0];
  const int month = numbers[1], day = numbers[2];
  if (month < 1 || month > 12 || day < 1 || day > 31) return false;
  if (year < 100) year += 2000;
  const int thisYear = today.tm_year + 1900;
  if (year != thisYear && year != thisYear - 1) return false;
  if (day > DaysInMonth(year, month)) return false;
  int distance = DayOfYear(thisYear, today.tm_mon + 1, today.tm_mday) - DayOfYear(year, month, day);
  if (year != thisYear) distance += 365;
  if (distance == 0 || distance > 30) return false;
  w.year = static_cast<int16_t>(year);
  w.month = static_cast<uint8_t>(month);
  w.day = static_cast<uint8_t>(day);
  return true;
}

std::string BuildGoodsTotalsStatement(int32_t irid, const WaybillRecord& w) {
  std::string sql = "UPDATE brantle.dbo.client_rec SET iquantity=";
  sql += std::to_string(w.iQuantity);
  sql += ",iprice=";
  sql += std::to_string(w.iPrice);
  sql += ",cgoods='";
  sql += QuoteSqlNarrow(FixedText(w.cGoods));
  sql += "',ctransnote='";
  sql += QuoteSqlNarrow(FixedText(w.cTransNote));
  sql += "' WHERE irid=";
  sql += std::to_string(irid);
  return sql;
}

// ---- the import ----

CWaybillImport::CWaybillImport(const ImportServices& services, const ImportSetup& setup)
    : services_(services), setup_(setup) {}

std::u16string CWaybillImport::Caption(int field) const {
  if (setup_.mapping.mode > 0) return setup_.mapping.headers[static_cast<size_t>(field)];
  return std::u16string(quickentry::ImportFieldNames()[static_cast<size_t>(field)]);
}

std::tm CWaybillImport::Today() const {
  if (services_.today) return services_.today();
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

std::u16string CWaybillImport::Cell(CImportTable& table, int field) const {
  const int column = setup_.mapping.columns[static_cast<size_t>(field)];
  if (column <= 0) return {};
  return TrimmedEnd(table.CellWide(column, 4092));
}

std::u16string CWaybillImport::KeyOf(CImportTable& table) const {
  const int field = IsMapped(2) ? 2 : IsMapped(17) ? 17 : 50;
  std::u16string key = Cell(table, field);
  TrimW(key);
  return key;
}

void CWaybillImport::ReadHeaderRow(CImportTable& table) {
  auto& columns = setup_.mapping.columns;
  columns.fill(-1);
  for (int c = 1; c <= setup_.headerColumns; ++c) {
    std::u16string text = table.CellWide(c, 4092);
    TrimW(text);
    if (text.empty()) continue;
    for (int f = 0; f < kFieldCount; ++f)
      if (setup_.mapping.headers[static_cast<size_t>(f)] == text) columns[static_cast<size_t>(f)] = c;
  }
}

bool CWaybillImport::Refuse(std::u16string entry, Trailing trailing) {
  report_.errors.push_back(std::move(entry));
  if (trailing == Trailing::Blank) ++report_.trailing;
  if (trailing == Trailing::DataRow) report_.trailing = 0;
  return false;
}

bool CWaybillImport::CheckPlain(int field, std::string& out, int limit, std::u16string& error) {
  std::u16string text = texts_[static_cast<size_t>(field)];
  return CheckImportFieldLength(text, out, 0, limit, Caption(field), error, row_);
}

ImportReport CWaybillImport::Run(CImportTable& table) {
  report_ = ImportReport{};
  bool have = table.NextRow();
  if (setup_.mapping.mode > 0) {
    if (have) ReadHeaderRow(table);
    have = have && table.NextRow();
  }
  if (!IsMapped(2) && !IsMapped(17) && !IsMapped(50)) {
    report_.refusal = AppLanguage().Text(120063) + Caption(2) + u" || " + Caption(17) + u"\r\n";
    return report_;
  }
  goodsColumns_ = IsMapped(23) && IsMapped(24);
  bool runEnded = false;
  while (have) {
    row_ = table.RowNumber();
    if (services_.progress) services_.progress(row_, report_.saved);
    if (services_.stopRequested && services_.stopRequested()) {
      report_.stopped = true;
      report_.stopRow = row_;
      break;
    }
    const std::u16string key = KeyOf(table);
    if (key.empty() && !runEnded && previousId_ > 0 && goodsColumns_ &&
        !Cell(table, 23).empty()) {
      have = RunContinuation(table);
      runEnded = true;
      continue;
    }
    runEnded = false;
    if (key.empty() && row_ > 20) {
      CountUnreadRows(table, row_);
      break;
    }
    ImportRow(table, key);
    have = table.NextRow();
  }
  return report_;
}

void CWaybillImport::CountUnreadRows(CImportTable& table, int stopRow) {
  report_.stoppedAtRow = stopRow;
  const int last = table.LastRow();
  while (table.RowNumber() < last && table.NextRow()) {
    bool blank = true;
    for (int f = 0; f < kFieldCount && blank; ++f)
      if (IsMapped(f) && !Cell(table, f).empty()) blank = false;
    if (blank) continue;
    if (report_.unreadRows++ == 0) report_.firstUnreadRow = table.RowNumber();
  }
}

ImportReport ImportWorkbook(CExcelSession& session, std::u16string_view path,
                            const ImportServices& services, ImportSetup setup) {
  // The session is closed whichever way the import ends.
  struct CloseOnExit {
    CExcelSession& session;
    ~CloseOnExit() { session.Close(); }
  } closer{session};
  ImportReport report;
  if (!session.OpenForReading(path)) {
    report.openError = session.LastError();
    return report;
  }
  setup.headerColumns = setup.mapping.mode > 0 ? session.UsedColumnCount() : 0;
  const int firstRow = setup.mapping.mode > 0 ? setup.mapping.firstRow - 1 : setup.mapping.firstRow;
  CExcelImportTable table(session, firstRow);
  CWaybillImport import(services, setup);
  auto brokenOff = [&](std::u16string why) {
    ImportReport partial = import.Partial();
    partial.cutShort = true;
    partial.stopRow = import.Row() > 0 ? import.Row() : firstRow;
    partial.failure = std::move(why);
    return partial;
  };
  try {
    return import.Run(table);
  } catch (const std::exception& e) {
    return brokenOff(WideFromGbk(e.what()));
  } catch (...) {
    return brokenOff(u"?");
  }
}

bool CWaybillImport::RunContinuation(CImportTable& table) {
  const int32_t owner = previousId_;
  WaybillRecord& w = previous_.waybill;
  std::vector<GoodsLine> lines;
  auto addLine = [&](std::string_view name, int quantity, double price) {
    GoodsLine line{};
    line.owner = owner;
    SetFixedText(line.cgoods, name);
    line.iquantity = quantity;
    line.fprice = price;
    if (services_.goodsStore != nullptr) services_.goodsStore->AppendRecord(line);
    lines.push_back(line);
  };
  const double ownPrice = w.iPrice / 100.0;
  addLine(FixedText(w.cGoods), w.iQuantity, ownPrice);
  std::string names(FixedText(w.cGoods));
  std::string quantities = std::to_string(w.iQuantity);
  int total = w.iQuantity;
  double amount = w.iQuantity * ownPrice;
  bool have = true;
  while (true) {
    const std::u16string description = Cell(table, 23);
    if (description.empty()) break;
    const int quantity = std::max(1, TypedInteger(Cell(table, 24)));
    double price = 0;
    if (IsMapped(25)) {
      std::u16string text = Cell(table, 25);
      RemoveCharW(text, u'$');
      price = NotNegative(TypedDecimal(text));
    }
    const std::string name = GbkFromWide(description);
    if (name.size() > 254) break;
    total += quantity;
    amount += quantity * price;
    if (names.size() < 254 && quantities.size() < 63) {
      names += "," + name;
      quantities += "," + std::to_string(quantity);
    }
    addLine(name, quantity, price);
    have = table.NextRow();
    if (!have) break;
    row_ = table.RowNumber();
    if (!KeyOf(table).empty()) break;
  }
  if (names.size() > 254 || total < 1 || quantities.size() > 63) return have;
  w.iQuantity = total;
  w.iPrice = RoundScaled(amount / total, 100);
  SetFixedText(w.cGoods, names);
  SetFixedText(w.cTransNote, quantities);
  if (CWaybillRecordTable* store = services_.inputStore) {
    for (int i = store->GetCount() - 1; i >= 0; --i) {
      InputWaybillRecord stored{};
      if (!store->ReadRecord(i, stored) || stored.waybill.irID != owner) continue;
      stored.waybill.iQuantity = w.iQuantity;
      stored.waybill.iPrice = w.iPrice;
      SetFixedText(stored.waybill.cGoods, names);
      SetFixedText(stored.waybill.cTransNote, quantities);
      store->WriteRecord(i, stored);
      break;
    }
  }
  // The server gets the same lines and totals; a waybill left without them
  // is named and no longer counted as imported.
  WaybillSaveLink& link = *services_.link;
  const bool stored = SendWaybillStatement(link, BuildGoodsDeleteStatement(owner)) &&
                      SendWaybillStatement(link, BuildGoodsRowsStatement(owner, lines)) &&
                      SendWaybillStatement(link, BuildGoodsTotalsStatement(owner, w));
  if (!stored) {
    std::u16string entry = AppLanguage().Text(kTextPartlyStored);
    ReplaceAllW(entry, u"%1", WideFromGbk(FixedText(w.cNum)));
    ReplaceAllW(entry, u"%2", AppLanguage().Text(kTextContinuationLines));
    report_.errors.push_back(std::move(entry));
    report_.trailing = 0;
    --report_.saved;
    previousId_ = -1;
  } else if (services_.saved) {
    services_.saved(previous_);
  }
  return have;
}

void CWaybillImport::ImportRow(CImportTable& table, const std::u16string& key) {
  // 1. The field texts of the row.
  previousId_ = -1;
  SetImportDefaults(texts_);
  for (int f = 0; f < kFieldCount; ++f)
    if (IsMapped(f)) texts_[static_cast<size_t>(f)] = Cell(table, f);
  for (int f : {1, 2, 3}) TrimW(texts_[static_cast<size_t>(f)]);
  // A channel name of the mapping file's channel block stands for its
  // service kind; any other text is taken as a kind code.
  for (const ChannelMapEntry& channel : setup_.mapping.channels)
    if (!texts_[3].empty() && channel.first == texts_[3]) {
      texts_[3] = channel.second;
      break;
    }
  // 2, 3. A channel and a key.
  if (texts_[3].empty()) texts_[3] = WideFromGbk(setup_.defaultKind);
  if (texts_[3].empty()) {
    Refuse(RowText(kTextNoChannel, row_), Trailing::Blank);
    return;
  }
  if (key.empty()) {
    Refuse(RowText(kTextNoKey, row_), Trailing::Blank);
    return;
  }
  // 4.
  InputWaybillRecord record = setup_.templ;
  WaybillRecord& w = record.waybill;
  report_.trailing = 0;
  std::u16string error;
  std::string v;
  auto plain = [&](int field, auto& dest, int limit) {
    if (!CheckPlain(field, v, limit, error)) return false;
    SetFixedText(dest, v);
    return true;
  };
  auto encoded = [&](int field, auto& dest, int limit) {
    std::u16string text = texts_[static_cast<size_t>(field)];
    if (!CheckImportFieldLengthEncoded(text, v, 0, limit, Caption(field), error, row_)) return false;
    SetFixedText(dest, v);
    return true;
  };
  auto fieldRefused = [&] { Refuse(error, Trailing::Keep); };
  // 5. The service kind.
  if (!plain(3, w.cZizKind, 15)) return fieldRefused();
  const CServiceKind* kind = services_.findKind ? services_.findKind(FixedText(w.cZizKind)) : nullptr;
  if (kind == nullptr) {
    Refuse(RowText(kTextNoChannel, row_), Trailing::DataRow);
    return;
  }
  SetFixedText(w.cZizKind, kind->cemskind);
  // 6. The waybill number.
  if (!plain(0, w.cNum, 30)) return fieldRefused();
  if (FixedText(w.cNum).size() < 7) {
    std::string number;
    const unsigned series = kind->idGenLow > 0 ? static_cast<unsigned>(kind->idGenLow) : 999u;
    if (services_.link->FetchNumber(series, number, kind->cemskind, w.icID) <= 0) number.clear();
    if (number.size() < 7) {
      Refuse(RowText(kTextNoNumber, row_), Trailing::DataRow);
      return;
    }
    SetFixedText(w.cNum, number);
  } else {
    SetFixedText(w.cNum, GbkFromWide(Upper(WideFromGbk(FixedText(w.cNum)))));
  }
  // 7. The business date.
  if (texts_[65].size() >= 8) AcceptImportDate(GbkFromWide(texts_[65]), w, Today());
  // 8. The transfer number.
  if (IsMapped(55) && !plain(55, w.cNo, 30)) return fieldRefused();
  if (FixedText(w.cNo).empty() && kind->idGenHigh > 0 && kind->idGenHigh != kind->idGenLow) {
    std::string number;
    if (services_.link->FetchNumber(static_cast<unsigned>(kind->idGenHigh), number, kind->cemskind,
                                    w.icID) > 0)
      SetFixedText(w.cNo, number);
  }
  // 9, 10. The destination.
  texts_[2] = Upper(texts_[2]);
  if (IsMapped(20) && !encoded(20, w.cRCountry, 126)) return fieldRefused();
  w.nLanguage = 0;
  SetFixedText(w.cDes, "");
  if (!texts_[2].empty()) {
    const std::string text = GbkFromWide(texts_[2]);
    const DestinationRecord* found = nullptr;
    if (const CDestinationTable* d = services_.destinations) {
      found = d->FindByName(text);
      if (!found) found = d->FindByCode(text);
      if (!found) found = d->ResolvePlace(text);
      if (!found) found = d->FindByEnglishName(text);
      if (!found) {
        const CountryRecord* country = nullptr;
        if (!texts_[20].empty()) country = ResolveCountry(GbkFromWide(texts_[20]), true, "CN");
        if (!country) country = ResolveCountry(text, true, "CN");
        if (country) found = d->FindByName(country->chinese);
      }
    }
    if (found) {
      SetFixedText(w.cDes, found->Name());
      w.nLanguage = found->number;
    } else {
      SetFixedText(w.cDes, text);
    }
  }
  // 11. The item type.
  const std::u16string itemType = Upper(texts_[4]);
  w.nItemType = itemType == u"文件" || itemType == u"DOC" ? 0 : itemType == u"防水袋" ? 2 : 1;
  // 12. Pieces and weight.
  w.iItem = std::max(1, TypedInteger(texts_[5]));
  w.fWeight = NotNegative(TypedDecimal(texts_[6]));
  // 13. The sender.
  if (IsMapped(1) && !plain(1, w.cAddrFrom, 62)) return fieldRefused();
  if (IsMapped(7) && !plain(7, w.cSender, 30)) return fieldRefused();
  if (IsMapped(8) && !plain(8, w.cSUnit, 126)) return fieldRefused();
  auto joinLines = [&](int first) {
    std::u16string joined = texts_[static_cast<size_t>(first)] + u" " +
                            texts_[static_cast<size_t>(first + 1)] + u" " +
                            texts_[static_cast<size_t>(first + 2)];
    return TrimmedEnd(joined);
  };
  if (IsMapped(9)) {
    if (!plain(9, w.cSAddr, 126)) return fieldRefused();
  } else if (IsMapped(47)) {
    texts_[9] = joinLines(47);
    if (!plain(9, w.cSAddr, 126)) return fieldRefused();
  }
  if (IsMapped(10) && !plain(10, w.cSPhone, 62)) return fieldRefused();
  if (IsMapped(11) && !plain(11, w.cSPostcode, 15)) return fieldRefused();
  if (IsMapped(12) && !plain(12, w.cSCountry, 62)) return fieldRefused();
  if (IsMapped(13) && !plain(13, w.cSProvince, 30)) return fieldRefused();
  if (IsMapped(14) && !plain(14, w.cSCity, 63)) return fieldRefused();
  // 14. The receiver.
  if (IsMapped(15) && !encoded(15, w.cReceiver, 62)) return fieldRefused();
  if (IsMapped(16) && !encoded(16, w.cRUnit, 254)) return fieldRefused();
  if (IsMapped(17)) {
    if (!encoded(17, w.cRAddr, 254)) return fieldRefused();
  } else if (IsMapped(50)) {
    texts_[17] = joinLines(50);
    if (!encoded(17, w.cRAddr, 254)) return fieldRefused();
  }
  if (IsMapped(18) && !plain(18, w.cRPhone, 62)) return fieldRefused();
  if (IsMapped(19) && !plain(19, w.cRPostcode, 15)) return fieldRefused();
  if (IsMapped(21) && !encoded(21, w.cRProvince, 62)) return fieldRefused();
  if (IsMapped(22) && !encoded(22, w.cRCity, 126)) return fieldRefused();
  // 15. The goods texts.
  std::array<std::string, kFieldCount> goods;
  if (IsMapped(23)) {
    for (int f : kGoodsFields)
      if (!CheckPlain(f, goods[static_cast<size_t>(f)], GoodsLimit(f), error)) return fieldRefused();
    SetFixedText(w.cGoods, GbkCopyN(goods[23], 254));
    SetFixedText(w.cGoodsA, GbkCopyN(goods[26], 254));
    SetFixedText(w.cGCodeA, GbkCopyN(goods[27], 62));
    SetFixedText(w.cGCodeB, GbkCopyN(goods[28], 62));
    SetFixedText(w.cGCodeC, GbkCopyN(goods[29], 62));
    SetFixedText(w.cGUnit, GbkCopyN(goods[30], 15));
  }
  // 16.
  w.iQuantity = std::max(1, TypedInteger(texts_[24]));
  w.iPrice = RoundScaled(NotNegative(TypedDecimal(texts_[25])), 100);
  // 17.
  if (IsMapped(33) && !plain(33, w.cPack, 15)) return fieldRefused();
  if (IsMapped(34)) {
    if (!plain(34, w.cTransNote, 62)) return fieldRefused();
  } else if (!FixedText(w.cGoods).empty()) {
    SetFixedText(w.cTransNote, std::to_string(w.iQuantity));
  }
  // 18, 19.
  w.iDValue = RoundScaled(NotNegative(TypedDecimal(texts_[35])), 100);
  w.iIValue = RoundScaled(NotNegative(TypedDecimal(texts_[36])), 100);
  if (IsMapped(37) && !plain(37, w.cMoney, 3)) return fieldRefused();
  if (IsMapped(38) && !plain(38, w.cOrigin, 3)) return fieldRefused();
  w.fGCustom = TypedDecimal(texts_[31]);
  w.fGCRate = TypedDecimal(texts_[32]);
  w.fgWeight = TypedDecimal(texts_[68]);
  w.fGoods = NotNegative(TypedDecimal(texts_[39]));
  w.fGoodsC = NotNegative(TypedDecimal(texts_[40]));
  // 20. Payment.
  if (IsMapped(41)) {
    std::u16string pay = texts_[41];
    TrimW(pay);
    if (pay == u"月结") {
      SetFixedText(w.cPayDir, "PP");
      w.nPayWay = 0;
    } else if (pay == u"现付") {
      SetFixedText(w.cPayDir, "PP");
      w.nPayWay = 1;
    } else if (pay == u"到付") {
      SetFixedText(w.cPayDir, "CC");
      w.nPayWay = 2;
    }
  }
  // 21.
  if (IsMapped(66) && !plain(66, w.cSIDCard, 30)) return fieldRefused();
  if (IsMapped(67) && !plain(67, w.cRIDCard, 30)) return fieldRefused();
  if (IsMapped(53) && !plain(53, w.cMark, 15)) return fieldRefused();
  if (IsMapped(54) && !plain(54, w.cDepart, 30)) return fieldRefused();
  if (IsMapped(42) && !plain(42, w.cMemo, 254)) return fieldRefused();
  if (IsMapped(43) && !plain(43, w.cSSms, 22)) return fieldRefused();
  if (IsMapped(44) && !plain(44, w.cSEMail, 62)) return fieldRefused();
  if (IsMapped(45) && !plain(45, w.cREMail, 62)) return fieldRefused();
  if (IsMapped(46) && !plain(46, w.cRSms, 22)) return fieldRefused();
  // 22, 23. The reference number, unless the local store has it.
  w.iReserve = TypedInteger(texts_[59]);
  if (IsMapped(56) && !plain(56, w.cRNo, 30)) return fieldRefused();
  if (!FixedText(w.cRNo).empty() && services_.inputStore != nullptr &&
      services_.inputStore->FindByReference(FixedText(w.cRNo)) != nullptr) {
    Refuse(RowText(kTextReferenceUsed, row_), Trailing::Keep);
    return;
  }
  // 24.
  if (IsMapped(57) && !plain(57, w.cCNo, 30)) return fieldRefused();
  if (IsMapped(58) && !plain(58, w.cReserve, 30)) return fieldRefused();
  if (IsMapped(60) && !plain(60, w.cBy1, 62)) return fieldRefused();
  if (IsMapped(61) && !plain(61, w.cBy2, 62)) return fieldRefused();
  if (IsMapped(62) && !plain(62, w.cBy3, 62)) return fieldRefused();
  if (IsMapped(63) && !plain(63, w.cBy4, 62)) return fieldRefused();
  if (IsMapped(64) && !plain(64, w.cBy5, 254)) return fieldRefused();
  // 25. The goods list.
  std::vector<GoodsRecord> items;
  std::string quantityList;
  double amount = 0;
  const int total = SplitGoodsColumns(goods, items, quantityList, amount);
  if (total > 0) {
    w.iQuantity = total;
    w.iPrice = RoundScaled(amount / total, 100);
    SetFixedText(w.cTransNote, quantityList);
  }
  // 26, 27. The price.
  if (w.fAmount < 0.01 && w.fWeight >= 0.001 && !FixedText(w.cDes).empty()) {
    double price = 0;
    if (PriceWaybill(*services_.link, w, price)) w.fAmount = price;
  }
  w.fAmount += w.faBy;
  w.fAmount += w.faRemote;
  w.fAmount += w.faCheck;
  w.fAmount += w.faPack;
  w.fAmount += w.faSafe;
  w.fAmount += w.faCarry;
  w.fAmount += w.faGet;
  if (w.fAccord < 0.01) w.fAccord = w.fAmount;
  // 28.
  SaveRow(record, items);
}

bool CWaybillImport::SaveRow(InputWaybillRecord& record, const std::vector<GoodsRecord>& goods) {
  WaybillRecord& w = record.waybill;
  WaybillSaveLink& link = *services_.link;
  const std::string sql = BuildWaybillSaveCall(w, 0, link.UserName(), FixedText(w.cZizKind),
                                               setup_.station);
  std::u16string entry = RowText(kTextServerRefused, row_) + u",";
  const uint32_t types[] = {AcsTypeEntry(kSqlCSLong, 0)};
  serverlink::ProcedureResult reply;
  const auto send = [&link](std::string_view text, std::span<const uint32_t> declared,
                            std::string& body) { return link.Execute(text, declared, body); };
  if (!serverlink::CallProcedure(send, sql, types, reply))
    return Refuse(entry + link.LastErrorText(), Trailing::DataRow);
  if (reply.code < 0) {
    const int id = SaveRefusalMessageId(reply.code);
    return Refuse(entry + (id != 0 ? AppLanguage().Text(id) : link.LastErrorText()), Trailing::DataRow);
  }
  const int32_t id = reply.code;
  // The fields the call has no argument for, and the goods rows.
  std::u16string missing;
  if (!SendWaybillStatement(link, BuildWaybillExtrasStatement(id, w)))
    missing = AppLanguage().Text(21353);
  if (goods.size() >= 2) {
    std::vector<GoodsLine> lines;
    for (const GoodsRecord& g : goods) {
      GoodsLine line{};
      line.owner = id;
      SetFixedText(line.cgoods, g.cgoods);
      SetFixedText(line.cunit, g.cunit);
      line.iquantity = g.iquantity;
      line.fprice = g.fprice;
      SetFixedText(line.cgoodsa, g.cgoodsa);
      SetFixedText(line.cgcodea, g.cgcodea);
      SetFixedText(line.cgcodeb, g.cgcodeb);
      SetFixedText(line.cgcodec, g.cgcodec);
      line.fgcustom = g.fgcustom;
      line.fgcrate = g.fgcrate;
      line.fgweight = g.fgweight;
      lines.push_back(line);
    }
    if (!SendWaybillStatement(link, BuildGoodsRowsStatement(id, lines))) {
      if (!missing.empty()) missing += u", ";
      missing += AppLanguage().Text(21352);
    }
  }
  w.irID = id;
  if (services_.saved) services_.saved(record);
  if (!missing.empty()) {
    std::u16string text = AppLanguage().Text(kTextPartlyStored);
    ReplaceAllW(text, u"%1", WideFromGbk(FixedText(w.cNum)));
    ReplaceAllW(text, u"%2", missing);
    return Refuse(entry + text, Trailing::DataRow);
  }
  ++report_.saved;
  previousId_ = id;
  previous_ = record;
  return true;
}

}  // namespace waybillimport
