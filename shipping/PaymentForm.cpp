#include "shipping/PaymentForm.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>

#include "common/DateTime.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "platform/MessageBox.h"
#include "platform/QtWaitForWork.h"
#include "server/ServerLink.h"
#include "server/ServerLinkSupport.h"
#include "ui/RequestFailure.h"

namespace payment {

namespace {

class ServerPaymentLink : public PaymentLink {
 public:
  explicit ServerPaymentLink(CServerLink& link) : link_(link) {}
  std::string Query(std::string_view sql, const std::vector<uint32_t>& types) override {
    return platform::WaitForWork([&] {
      std::string reply;
      if (link_.SqlQuery(sql, types, &reply, CServerLink::kReplyCapacity) <= 0) reply.clear();
      return reply;
    });
  }
  std::string Execute(std::string_view sql, const std::vector<uint32_t>& types) override {
    return platform::WaitForWork([&] {
      std::string reply;
      if (link_.SqlExecute(sql, types, &reply, 65536) <= 0) reply.clear();
      return reply;
    });
  }
  std::u16string LastErrorText() override { return link_.LastErrorText(); }

 private:
  CServerLink& link_;
};

std::u16string Fixed2(double v) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", v);
  return std::u16string(text, text + std::char_traits<char>::length(text));
}

std::u16string Trim(std::u16string_view s) {
  size_t b = 0, e = s.size();
  auto blank = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; };
  while (b < e && blank(s[b])) ++b;
  while (e > b && blank(s[e - 1])) --e;
  return std::u16string(s.substr(b, e - b));
}

std::u16string Upper(std::u16string s) {
  for (char16_t& c : s)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return s;
}

double ValueOf(std::u16string_view text) {
  const std::string ascii = GbkFromWide(Trim(text).substr(0, 31));
  return std::atof(ascii.c_str());
}

std::u16string Int(int64_t v) {
  const std::string s = std::to_string(v);
  return std::u16string(s.begin(), s.end());
}

}  // namespace

std::unique_ptr<PaymentLink> MakeServerPaymentLink(CServerLink& link) {
  return std::make_unique<ServerPaymentLink>(link);
}

int RecordList::Find(int32_t irid) const {
  for (size_t k = 0; k < rows.size(); ++k)
    if (rows[k].irid == irid) return static_cast<int>(k);
  return -1;
}

namespace {

// The moves of many rows, each in one pass over the lists: the rows of
// `from` at `picked` (positions, in the order they go) leave it, the others
// keep their order.
std::vector<RecordRow> TakeRows(RecordList& from, const std::vector<size_t>& picked) {
  std::vector<RecordRow> moved;
  moved.reserve(picked.size());
  std::vector<bool> gone(from.rows.size(), false);
  for (size_t k : picked) {
    gone[k] = true;
    from.amount -= from.rows[k].amount;
    from.weight -= from.rows[k].weight;
    moved.push_back(std::move(from.rows[k]));
  }
  size_t kept = 0;
  for (size_t k = 0; k < from.rows.size(); ++k) {
    if (gone[k]) continue;
    if (kept != k) from.rows[kept] = std::move(from.rows[k]);
    ++kept;
  }
  from.rows.erase(from.rows.begin() + static_cast<std::ptrdiff_t>(kept), from.rows.end());
  return moved;
}

// Adds the rows to `to`, above its rows or below them, in the order given.
void PutRows(RecordList& to, std::vector<RecordRow>&& rows, bool atTop) {
  for (const RecordRow& row : rows) {
    to.amount += row.amount;
    to.weight += row.weight;
  }
  auto at = atTop ? to.rows.begin() : to.rows.end();
  to.rows.insert(at, std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
}

// The positions of the rows with the given ids, in the order of the ids; an
// id listed twice takes the next row with that id, as a look-up after each
// move would.
std::vector<size_t> PositionsOf(const RecordList& list, const std::vector<int32_t>& irids) {
  std::unordered_map<int32_t, std::vector<size_t>> at;
  for (size_t k = list.rows.size(); k-- > 0;) at[list.rows[k].irid].push_back(k);
  std::vector<size_t> picked;
  for (int32_t id : irids) {
    auto it = at.find(id);
    if (it == at.end() || it->second.empty()) continue;
    picked.push_back(it->second.back());
    it->second.pop_back();
  }
  return picked;
}

}  // namespace

CPaymentForm::CPaymentForm(PaymentLink& link, PaymentEnvironment env)
    : link_(link), env_(std::move(env)) {
  currency = env_.defaultCurrency.empty() ? u"CNY" : env_.defaultCurrency;
  fields.pageBox = u"1";
}

const CLanguageTable& CPaymentForm::Language() const {
  return env_.language ? *env_.language : AppLanguage();
}

std::tm CPaymentForm::Now() const {
  if (env_.now) return env_.now();
  std::time_t t = std::time(nullptr);
  std::tm out{};
  localtime_r(&t, &out);
  return out;
}

int CPaymentForm::Message(int32_t textId, unsigned flags) {
  return platform::ShowMessageBox(Language().Text(textId), {}, flags);
}

int CPaymentForm::MessageText(std::u16string_view text, std::u16string_view caption,
                              unsigned flags) {
  return platform::ShowMessageBox(text, caption, flags);
}

void CPaymentForm::Notify() {
  if (changed) changed();
}

// ---- loads ----

int CPaymentForm::LoadCustomer(int32_t icid) {
  const std::string reply = link_.Query(CustomerSql(icid), CustomerTypes());
  CustomerAccount c;
  if (!ReadCustomer(reply, c)) {
    Message(330041);
    return 0;
  }
  ForEachRow(link_.Query(ReceivableSumSql(icid), SumTypes()),
             [&](JsonRowIndex& row) { c.receivable = row.GetDouble("0", 0); });
  ForEachRow(link_.Query(PaymentCountSql(icid), CountTypes()),
             [&](JsonRowIndex& row) { c.payments = row.GetInt("0", 0); });
  account = c;
  customerId = icid;
  customerName = c.name;
  paymentCount = c.payments;
  customerTitle = CustomerTitle(c, Language());
  customerSummary = CustomerSummary(c, Language());
  UpdatePagingLabel();
  if (DictOn(139)) {
    unpaid.Clear();
    payList.Clear();
    UpdateListSummaries();
  } else {
    LoadUnpaidRecords(5000);
  }
  fields.pageBox = u"1";
  NewPayment();
  ShowPaymentPage();
  return 1;
}

void CPaymentForm::LoadUnpaidRecords(int chunk) {
  unpaid.Clear();
  payList.Clear();
  const int32_t icid = customerId;
  // The whole chunked load runs on a worker while the window keeps
  // painting; the rows join the list here, on the window's thread.
  std::vector<RecordRow> rows = LoadAllChunks(
      [&](uint32_t after) { return link_.Query(UnpaidChunkSql(chunk, icid, after), RecordTypes()); });
  for (RecordRow& row : rows) {
    unpaid.amount += row.amount;
    unpaid.weight += row.weight;
    unpaid.rows.push_back(std::move(row));
  }
  unpaidSummary = ListSummary(Language(), unpaid.Count(), unpaid.amount, unpaid.weight);
  payListSummary.clear();
  Notify();
}

std::vector<RecordRow> CPaymentForm::LoadAllChunks(
    const std::function<std::string(uint32_t afterIrid)>& fetch) const {
  const CLanguageTable& language = Language();
  return platform::WaitForWork([&] {
    std::vector<RecordRow> rows;
    LoadRecordChunks(fetch, language, [&](RecordRow&& row) { rows.push_back(std::move(row)); });
    return rows;
  });
}

void CPaymentForm::UpdateListSummaries() {
  payListSummary = ListSummary(Language(), payList.Count(), payList.amount, payList.weight);
  unpaidSummary = ListSummary(Language(), unpaid.Count(), unpaid.amount, unpaid.weight);
}

void CPaymentForm::UpdatePagingLabel() {
  pagingText = PagingText(Language(), paymentCount, pageShown);
  pageTurnEnabled = paymentCount > kPaymentsPerPage;
}

void CPaymentForm::ShowPaymentPage() {
  if (customerId <= 0) return;
  paymentRows.clear();
  markedPayment = 0;
  if (paymentCount <= 0) {
    Notify();
    return;
  }
  const int pages = PageCount(paymentCount);
  const int page = ClampPage(static_cast<int>(ValueOf(fields.pageBox)), pages);
  ForEachRow(link_.Query(PaymentPageSql(customerId, page, paymentCount), PaymentRowTypes()),
             [&](JsonRowIndex& row) { paymentRows.push_back(ReadPaymentRow(row, Language())); });
  pageShown = page;
  fields.pageBox = Int(NextPageBox(page, pages));
  UpdatePagingLabel();
  NewPayment();
}

int CPaymentForm::LoadPayment(int32_t id, bool checkCustomer) {
  const bool station = !env_.stationGbk.empty();
  const std::string reply = link_.Query(PaymentLoadSql(id, station), PaymentLoadTypes());
  bool found = false;
  PaymentRow shown;
  int32_t rowCustomer = 0;
  std::u16string stamp, input, auditor, rowStation, dateText, money;
  double ffee = 0, ffeer = 0, fchg = 0;
  int type = 0, way = 0;
  std::u16string refNo, tag, acct, memo, docNo, invoice, handler;
  ForEachRow(reply, [&](JsonRowIndex& row) {
    if (found) return;
    found = true;
    shown = ReadPaymentRow(row, Language());
    ffee = row.GetDouble("1", 0);
    invoice = row.GetWString("2", 24);
    dateText = row.GetWString("3", 40);
    handler = row.GetWString("4", 32);
    input = row.GetWString("5", 32);
    memo = row.GetWString("6", 256);
    docNo = row.GetWString("7", 16);
    type = row.GetInt("8", 0);
    ffeer = row.GetDouble("9", 0);
    way = row.GetInt("10", 0);
    refNo = row.GetWString("11", 32);
    tag = row.GetWString("12", 16);
    acct = row.GetWString("13", 32);
    stamp = row.GetWString("14", 40);
    money = row.GetWString("15", 4);
    fchg = row.GetDouble("16", 0);
    rowCustomer = row.GetInt("17", 0);
    auditor = row.GetWString("18", 32);
    rowStation = row.GetWString("19", 16);
  });
  if (!found) {
    Message(330049);
    return 0;
  }
  if (station && GbkFromWide(rowStation) != env_.stationGbk) {
    Message(330050);
    return 0;
  }
  if (checkCustomer && rowCustomer != customerId && !LoadCustomer(rowCustomer)) return 0;

  auto at = std::find_if(paymentRows.begin(), paymentRows.end(),
                         [&](const PaymentRow& p) { return p.ifid == id; });
  if (at == paymentRows.end()) at = paymentRows.insert(paymentRows.begin(), shown);
  else *at = shown;
  if (checkCustomer) markedPayment = id;

  ifid = id;
  kind = type;
  fields.amount = Fixed2(ffee);
  fields.payWay = way;
  fields.refNo = refNo;
  fields.tag = tag;
  fields.account = acct;
  fields.memo = memo;
  fields.docNo = docNo;
  fields.invoice = invoice;
  fields.handler = handler;
  fields.owed = type == 0 ? CentsText(CentsOf(ffeer) - CentsOf(ffee)) : u"0.00";
  fields.foreign = Fixed2(fchg);
  currency = money;
  rate = env_.currencyRate ? env_.currencyRate(money) : 1.0;
  foreignVisible = currency != env_.defaultCurrency;
  // The foreign amount filled in re-prices the amount at today's rate.
  OnForeignAmountChanged();
  std::u16string date = dateText.substr(0, 10);
  std::replace(date.begin(), date.end(), u'-', u'.');
  fields.date = date;

  locked = DictOn(95);
  audited = !Trim(auditor).empty();
  if (!HasRight(5, 0x40)) {
    editable = false;
  } else {
    ParseYmd(dateText, loadedDate);
    editable = PaymentEditable(true, HasRight(0, 0x01), loadedDate, env_.editSpanDays, Now(),
                               audited);
  }
  titleColor = editable ? TitleColor::Red : TitleColor::DarkRed;
  titleText = Language().Text(editable ? 330052 : 330053) + Language().FeeTypeText(type) +
              Language().Text(330051) + u":" + Int(id);
  if (audited) titleText += u"*" + Language().Text(330054);
  if (env_.setCommandFlag) {
    env_.setCommandFlag(0, editable);
    env_.setCommandFlag(1, editable);
  }
  enteredBy = u"※" + input + u" " + (stamp.size() > 2 ? stamp.substr(2, 14) : std::u16string());
  LoadPaymentRecords();
  Notify();
  return 1;
}

void CPaymentForm::LoadPaymentRecords() {
  if (ifid <= 0) return;
  payList.Clear();
  const uint32_t id = static_cast<uint32_t>(ifid);
  std::vector<RecordRow> rows = LoadAllChunks(
      [&](uint32_t after) { return link_.Query(PaymentRecordsSql(after, id), RecordTypes()); });
  for (RecordRow& row : rows) {
    payList.amount += row.amount;
    payList.weight += row.weight;
    payList.rows.push_back(std::move(row));
  }
  payListSummary = ListSummary(Language(), payList.Count(), payList.amount, payList.weight);
}

// ---- the payment on the form ----

void CPaymentForm::NewPayment() {
  locked = false;
  if (ifid == 0) ReturnAll();
  else payList.Clear();
  fields.amount = u"0.00";
  fields.foreign = u"0.00";
  fields.invoice.clear();
  fields.docNo.clear();
  fields.memo.clear();
  fields.refNo.clear();
  fields.account.clear();
  fields.tag.clear();
  fields.handler = env_.userName;
  char today[16];
  const std::tm now = Now();
  std::strftime(today, sizeof today, "%Y.%m.%d", &now);
  fields.date = std::u16string(today, today + std::char_traits<char>::length(today));
  fields.payWay = 0;
  fields.owed = u"0.00";
  payList.amount = 0;
  payList.weight = 0;
  payList.rows.clear();
  ifid = 0;
  reserved = 0;
  kind = 0;
  audited = false;
  markedRecord = 0;
  editable = HasRight(1, 0x20);
  payListSummary.clear();
  titleColor = TitleColor::Green;
  titleText = Language().Text(330001);
  enteredBy = u"★" + fields.handler + u"★";
  foreignVisible = false;
  rate = 1.0;
  if (focus) focus("invoice");
  if (env_.setCommandFlag) {
    env_.setCommandFlag(1, false);
    env_.setCommandFlag(0, customerId > 0);
  }
  Notify();
}

bool CPaymentForm::MoveRefused() {
  if (locked) {
    Message(21004);
    return true;
  }
  return kind == 1 || !editable;
}

void CPaymentForm::Move(RecordList& from, RecordList& to, size_t index, bool atTop,
                        int roundingMode) {
  RecordRow row = std::move(from.rows[index]);
  from.rows.erase(from.rows.begin() + static_cast<std::ptrdiff_t>(index));
  // The amounts are whole hundredths already (read from the two-decimal
  // cell), so the three roundings of the moves give the same value.
  (void)roundingMode;
  from.amount -= row.amount;
  from.weight -= row.weight;
  to.amount += row.amount;
  to.weight += row.weight;
  if (atTop) to.rows.insert(to.rows.begin(), std::move(row));
  else to.rows.push_back(std::move(row));
}

void CPaymentForm::ApplyAmountRule() {
  if (OwedMode()) {
    fields.owed = CentsText(payList.amount);
    fields.amount = u"0.00";
  } else {
    fields.amount = CentsText(payList.amount);
    fields.owed = u"0.00";
  }
}

void CPaymentForm::AfterMove(bool) {
  UpdateListSummaries();
  ApplyAmountRule();
  Notify();
}

void CPaymentForm::TakeUnpaidRow(int32_t irid) {
  if (locked) {
    Message(21004);
    return;
  }
  const int at = unpaid.Find(irid);
  if (at < 0) return;
  Move(unpaid, payList, static_cast<size_t>(at), true, 0);
  AfterMove(false);
}

void CPaymentForm::DoubleClickUnpaid(int32_t irid) {
  if (kind == 1 || !editable) return;
  TakeUnpaidRow(irid);
}

void CPaymentForm::ReturnPaymentRow(int32_t irid) {
  if (locked) {
    Message(21004);
    return;
  }
  const int at = payList.Find(irid);
  if (at < 0) return;
  Move(payList, unpaid, static_cast<size_t>(at), true, 0);
  AfterMove(false);
}

void CPaymentForm::TakeAllUnpaid() {
  if (MoveRefused()) return;
  PutRows(payList, std::move(unpaid.rows), false);
  unpaid.Clear();
  UpdateListSummaries();
  unpaidSummary.clear();
  ApplyAmountRule();
  Notify();
}

void CPaymentForm::ReturnAll() {
  if (MoveRefused()) return;
  PutRows(unpaid, std::move(payList.rows), false);
  payList.Clear();
  UpdateListSummaries();
  payListSummary.clear();
  ApplyAmountRule();
  Notify();
}

void CPaymentForm::TakeSelectedUnpaid(const std::vector<int32_t>& irids) {
  if (MoveRefused()) return;
  PutRows(payList, TakeRows(unpaid, PositionsOf(unpaid, irids)), false);
  AfterMove(true);
}

void CPaymentForm::ReturnSelected(const std::vector<int32_t>& irids) {
  if (MoveRefused()) return;
  PutRows(unpaid, TakeRows(payList, PositionsOf(payList, irids)), false);
  AfterMove(true);
}

void CPaymentForm::TakeMonth(int month) {
  if (MoveRefused()) return;
  // Each row of the month goes above the list, the last first: they end up
  // on top in list order.
  std::vector<size_t> picked;
  for (size_t k = 0; k < unpaid.rows.size(); ++k)
    if (unpaid.rows[k].Month() == month) picked.push_back(k);
  PutRows(payList, TakeRows(unpaid, picked), true);
  AfterMove(true);
}

void CPaymentForm::TakeNumberList() {
  if (MoveRefused()) return;
  if (unpaid.rows.empty() || !env_.importNumberList) return;
  const std::vector<std::u16string> numbers = env_.importNumberList();
  if (numbers.empty()) return;
  // Every row of each number in turn goes above the list: the rows taken
  // last stand first.
  std::unordered_map<std::u16string, std::vector<size_t>> rowsOf;
  for (size_t k = 0; k < unpaid.rows.size(); ++k)
    rowsOf[unpaid.rows[k].cells[kRecordNumberColumn]].push_back(k);
  std::vector<size_t> picked;
  for (const std::u16string& number : numbers) {
    auto it = rowsOf.find(number);
    if (it == rowsOf.end()) continue;
    picked.insert(picked.end(), it->second.begin(), it->second.end());
    rowsOf.erase(it);
  }
  const int moved = static_cast<int>(picked.size());
  std::reverse(picked.begin(), picked.end());
  PutRows(payList, TakeRows(unpaid, picked), true);
  AfterMove(true);
  MessageText(FillArgsW(Language().Text(330056),
                        {Int(static_cast<int64_t>(numbers.size())), Int(moved)}));
}

int CPaymentForm::TakeRecordByNumber(int32_t irid) {
  if (irid > 0) {
    if (unpaid.Find(irid) < 0) return 0;
    TakeUnpaidRow(irid);
    return 1;
  }
  const std::u16string text = Upper(Trim(fields.lookup));
  fields.lookup = text;
  if (text.empty()) return 0;
  int result = 0;
  for (const RecordRow& row : unpaid.rows)
    if (row.cells[kRecordNumberColumn] == text) {
      lastClicked = row.irid;
      TakeUnpaidRow(row.irid);
      result = 1;
      break;
    }
  if (focus) focus("lookup");
  return result;
}

int CPaymentForm::ForceQuery(int32_t irid) {
  if (TakeRecordByNumber(irid)) return 1;
  const std::u16string number = Trim(fields.lookup);
  if (number.empty() && irid <= 0) return 0;
  std::string numberGbk;
  if (irid <= 0) {
    numberGbk = env_.normalizeNumber ? env_.normalizeNumber(number) : GbkFromWide(number);
    if (numberGbk.size() > 60) numberGbk.resize(60);
  }
  const std::string reply =
      link_.Query(ForceQuerySql(irid, numberGbk, env_.stationGbk), ForceQueryTypes());
  bool found = false;
  int32_t rid = 0, icid = 0, fid = 0;
  int way = 0;
  ForEachRow(reply, [&](JsonRowIndex& row) {
    if (found) return;
    found = true;
    rid = row.GetInt("0", 0);
    icid = row.GetInt("1", 0);
    fid = row.GetInt("2", 0);
    way = row.GetInt("3", 0);
  });
  if (!found) {
    // No answer, or the server's error, is a failure, not "nothing found".
    const std::u16string failure = RequestFailureText(static_cast<int>(reply.size()), reply);
    if (failure.empty()) Message(20005);
    else MessageText(failure);
    return 0;
  }
  lastClicked = rid;
  if (way >= 2) {
    Message(330055);
    return 0;
  }
  if (fid < 1) {
    if (!LoadCustomer(icid)) return 0;
    TakeUnpaidRow(rid);
  } else {
    if (!LoadPayment(fid, true)) return 0;
    markedRecord = rid;
    Notify();
  }
  return 1;
}

void CPaymentForm::ShowCurrency() {
  foreignVisible = currency != env_.defaultCurrency;
}

void CPaymentForm::SetCurrency(std::u16string_view code) {
  currency = std::u16string(code.substr(0, 3));
  const bool known = env_.currencyKnown ? env_.currencyKnown(currency) : false;
  if (known && currency != env_.defaultCurrency) {
    foreignVisible = true;
    rate = env_.currencyRate ? env_.currencyRate(currency) : 1.0;
    if (focus) focus("foreign");
  } else {
    foreignVisible = false;
    rate = 1.0;
  }
  Notify();
}

void CPaymentForm::OnForeignAmountChanged() {
  const double v = ValueOf(fields.foreign);
  if (Trim(fields.foreign).empty() || v <= 0) return;
  fields.amount = CentsText(CentsOf(v * rate));
}

void CPaymentForm::OnAmountChanged(bool amountHasFocus) {
  const double v = ValueOf(fields.amount);
  if (amountHasFocus && rate != 1.0 && rate > 0) fields.foreign = CentsText(CentsOf(v / rate));
  if (payList.amount > 0 && kind != 1)
    fields.owed = CentsText(payList.amount - CentsOfText(Trim(fields.amount)));
}

void CPaymentForm::CopyFields() {
  copy_ = {fields.amount, fields.invoice, fields.docNo, fields.memo, fields.handler,
           fields.date,   fields.refNo,   fields.tag,   fields.account, fields.foreign,
           currency,      fields.payWay};
  copied = true;
}

void CPaymentForm::PasteFields() {
  fields.amount = copy_.amount;
  fields.invoice = copy_.invoice;
  fields.docNo = copy_.docNo;
  fields.memo = copy_.memo;
  fields.handler = copy_.handler;
  fields.date = copy_.date;
  fields.refNo = copy_.refNo;
  fields.tag = copy_.tag;
  fields.account = copy_.account;
  fields.foreign = copy_.foreign;
  fields.payWay = copy_.payWay;
  if (!copy_.currency.empty()) currency = copy_.currency;
  rate = env_.currencyRate ? env_.currencyRate(currency) : 1.0;
  OnForeignAmountChanged();
  ShowCurrency();
  Notify();
}

int CPaymentForm::ConfirmRecordAmounts() {
  for (const RecordRow& row : payList.rows)
    if (row.amount <= 0)
      return MessageText(Language().Text(330040), Language().Text(20002),
                         platform::kMbYesNo | platform::kMbIconQuestion) == platform::kIdYes
                 ? 1
                 : 0;
  return 1;
}

int CPaymentForm::SavePayment() {
  // A save of a new payment that ends without storing it leaves the form as
  // it found it: the kind it chose for the save goes back.
  struct KindRestore {
    int32_t& kind;
    int32_t before;
    bool keep = false;
    ~KindRestore() {
      if (!keep) kind = before;
    }
  } restore{kind, kind};
  if (ifid > 0) {
    if (!HasRight(5, 0x40) || !editable) return 0;
    if (kind == 0 && payList.rows.empty()) {
      Message(330057);
      return 0;
    }
  } else {
    if (!HasRight(1, 0x20)) return 0;
    kind = payList.rows.empty() ? 1 : 0;
  }
  if (customerId <= 0) {
    Message(330058);
    return 0;
  }
  if (kind == 0 && !ConfirmRecordAmounts()) return 0;

  fields.invoice = Trim(fields.invoice);
  fields.handler = Trim(fields.handler);
  const std::u16string date = NormalizeDateText(fields.date);
  const Cents amount = CentsOfText(fields.amount);
  std::u16string errors;
  if (date == u"1900.01.01") errors += Language().Text(330059) + u"\r\n";
  if (kind == 1 && amount == 0) errors += Language().Text(330060) + u"\r\n";
  if (!errors.empty()) {
    MessageText(errors, Language().Text(20022));
    return 0;
  }
  Cents foreign = CentsOfText(fields.foreign);
  std::u16string code = currency;
  if (code == env_.defaultCurrency) {
    foreign = amount;
  } else if (foreign == 0) {
    code = env_.defaultCurrency;
    foreign = amount;
  }
  // The date window: a date more than 90 days from the reference is stored
  // as the reference date; the operator sees that before anything is sent.
  std::tm reference{};
  if (ifid > 0) {
    reference.tm_year = loadedDate.year - 1900;
    reference.tm_mon = loadedDate.month - 1;
    reference.tm_mday = loadedDate.day;
  } else {
    reference = Now();
  }
  const DateWindowResult window = ApplyDateWindow(date, reference);
  if (window.moved &&
      MessageText(FillArgsW(Language().Text(22400), {date, window.stored}),
                  Language().Text(20002), platform::kMbYesNo | platform::kMbIconQuestion) !=
          platform::kIdYes)
    return 0;

  PaymentSave s;
  s.loaded = ifid > 0;
  s.id = ifid > 0 ? ifid : customerId;
  s.kind = kind;
  s.amount = amount;
  s.owed = CentsOfText(fields.owed);
  s.foreign = foreign;
  s.invoice = fields.invoice;
  s.date = window.stored;
  s.handler = fields.handler;
  s.memo = fields.memo;
  s.docNo = fields.docNo;
  s.refNo = fields.refNo;
  s.tag = fields.tag;
  s.account = fields.account;
  s.currency = code;
  s.userName = env_.userNameGbk;
  s.payWay = fields.payWay;
  s.reserved = reserved;
  const std::tm now = Now();
  s.hour = now.tm_hour;
  s.minute = now.tm_min;
  s.second = now.tm_sec;
  s.owedMode = OwedMode();
  for (const RecordRow& row : payList.rows) s.irids.push_back(row.irid);

  const std::string reply = link_.Execute(BuildSaveCall(s), ProcedureTypes());
  int32_t result = -9;
  if (ReadProcedureResult(reply, result) && result >= 0) {
    restore.keep = true;
    const int32_t icid = customerId;
    ifid = 0;  // the saved records are no longer the form's to return
    payList.Clear();
    LoadCustomer(icid);
    return 1;
  }
  if (reply.empty()) {
    // No answer: the server may have stored the payment before the line
    // went, so the form is kept but the operator is not told it was not
    // saved.
    MessageText(Language().Text(21601) + u"\r\n" + link_.LastErrorText());
    return 0;
  }
  if (!ReadProcedureResult(reply, result)) {
    // The server answered with an error of its own (the call was rolled
    // back): its reason.
    const std::string reason = serverlink::ReplyString(reply, "cError", 1023, false);
    MessageText(Language().Text(22401) +
                (reason.empty() ? link_.LastErrorText() : WideFromGbk(reason)));
    return 0;
  }
  const int32_t text = SaveRefusalText(result);
  MessageText(Language().Text(22401) + (text ? Language().Text(text) : link_.LastErrorText()));
  return 0;
}

int CPaymentForm::DeletePayment() {
  if (!HasRight(5, 0x40) || !editable || ifid <= 0) return 0;
  if (MessageText(u"记录数据删除后不能恢复！\r\n━━━━━━━━━━━━\r\n想好了要删除吗？请确认！", u"确认提示",
                  platform::kMbYesNo | platform::kMbIconQuestion) != platform::kIdYes)
    return 0;
  const std::string reply =
      link_.Execute(BuildDeleteCall(kind, ifid, env_.userNameGbk, OwedMode()), ProcedureTypes());
  int32_t result = -9;
  if (ReadProcedureResult(reply, result) && result >= 0) {
    const int32_t deleted = ifid;
    paymentRows.erase(std::remove_if(paymentRows.begin(), paymentRows.end(),
                                     [&](const PaymentRow& p) { return p.ifid == deleted; }),
                      paymentRows.end());
    ifid = 0;
    payList.Clear();
    LoadCustomer(customerId);
    return 1;
  }
  MessageText(result == -2 && ReadProcedureResult(reply, result) ? Language().Text(20024)
                                                                  : link_.LastErrorText());
  return 0;
}

namespace {
void OrderRows(std::vector<RecordRow>& rows, const std::vector<int32_t>& order) {
  if (order.size() != rows.size()) return;
  std::vector<RecordRow> sorted;
  sorted.reserve(rows.size());
  std::vector<bool> used(rows.size(), false);
  std::unordered_map<int32_t, size_t> at;
  for (size_t k = 0; k < rows.size(); ++k) at.emplace(rows[k].irid, k);
  for (int32_t id : order) {
    auto it = at.find(id);
    if (it == at.end() || used[it->second]) return;  // not the same rows
    used[it->second] = true;
    sorted.push_back(std::move(rows[it->second]));
  }
  rows = std::move(sorted);
}
}  // namespace

void CPaymentForm::OrderLists(const std::vector<int32_t>& unpaidOrder,
                              const std::vector<int32_t>& payOrder) {
  OrderRows(unpaid.rows, unpaidOrder);
  OrderRows(payList.rows, payOrder);
}

void CPaymentForm::ClickRecord(int32_t irid, std::u16string_view number) {
  lastClicked = irid;
  fields.lookup = std::u16string(number);
}

}  // namespace payment
