#include "ui/RecordFilter.h"

#include <initializer_list>

#include "common/FieldCheck.h"
#include "platform/MessageBox.h"
#include "refdata/AwbBagLists.h"
#include "ui/ViewHost.h"
#include "ui/WaybillQueryDlg.h"

namespace {

std::u16string Number(long long value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

// One argument of a head: a number for "%d", a text for "%s".
struct HeadArgument {
  bool number;
  long long value;
  std::u16string_view text;
};
HeadArgument Num(long long value) { return {true, value, {}}; }
HeadArgument Text(std::u16string_view text) { return {false, 0, text}; }

// Fills the "%d" and "%s" of a caller's head with the arguments in order.
// Only the head is read for place holders, never an argument; a place
// holder without an argument stays as it is, "%%" becomes "%".
std::u16string FillHead(std::u16string_view head, std::initializer_list<HeadArgument> arguments) {
  std::u16string out;
  auto next = arguments.begin();
  for (size_t i = 0; i < head.size(); ++i) {
    if (head[i] == u'%' && i + 1 < head.size()) {
      const char16_t kind = head[i + 1];
      if (kind == u'%') {
        out += u'%';
        ++i;
        continue;
      }
      if ((kind == u'd' || kind == u's') && next != arguments.end()) {
        out += next->number ? Number(next->value) : std::u16string(next->text);
        ++next;
        ++i;
        continue;
      }
    }
    out += head[i];
  }
  return out;
}

// The condition of three flags on a column: nothing when none or all are
// set, else the one value or the pair of values wanted.
void AppendFlagSet(std::u16string& sql, std::u16string_view column, bool first, bool second,
                   bool third) {
  const int code = (first ? 1 : 0) + (second ? 10 : 0) + (third ? 100 : 0);
  std::u16string_view values;
  switch (code) {
    case 1: values = u"=0"; break;
    case 10: values = u"=1"; break;
    case 100: values = u"=2"; break;
    case 11: values = u" IN(0,1)"; break;
    case 110: values = u" IN(1,2)"; break;
    case 101: values = u" IN(0,2)"; break;
    default: return;
  }
  sql += u" AND a.";
  sql += column;
  sql += values;
}

// " AND a.<column>='<text quoted>'" for a text that is not empty.
void AppendEquals(std::u16string& sql, std::u16string_view column, const std::u16string& text) {
  if (text.empty()) return;
  sql += u" AND a.";
  sql += column;
  sql += u"='";
  sql += QuoteSql(text);
  sql += u"'";
}

// " AND a.<column> LIKE '%<text quoted>%'" for a text that is not empty.
void AppendContains(std::u16string& sql, std::u16string_view column, const std::u16string& text) {
  if (text.empty()) return;
  sql += u" AND a.";
  sql += column;
  sql += u" LIKE '%";
  sql += QuoteSql(text);
  sql += u"%'";
}

bool SeveralPicked(const std::u16string& numbers, const std::vector<std::u16string>& list) {
  return numbers == kSeveralItemsMark && list.size() > 1;
}

std::u16string BagForm(const WaybillQueryConditions& c, const RecordFilterTexts& texts) {
  std::u16string sql = FillHead(texts.bagHead, {Text(texts.select)});
  if (c.bagNumbers == kSeveralItemsMark) {
    sql += u" IN(";
    for (size_t i = 0; i < c.bagList.size(); ++i) {
      if (i > 0) sql += u',';
      sql += Number(static_cast<unsigned>(BagIdFromListItem(c.bagList[i])));
    }
    sql += u"))";
  } else {
    sql += u"=(SELECT ISNULL(ixid,0) FROM brantle.dbo.client_rec_xbag where cxno='";
    sql += QuoteSql(c.bagNumbers);
    sql += u"'))";
  }
  sql += u" ORDER BY a.irid";
  return sql;
}

std::u16string AwbForm(const WaybillQueryConditions& c, const RecordFilterTexts& texts) {
  std::u16string sql = FillHead(texts.awbHead, {Text(texts.select)});
  if (c.awbNumbers == kSeveralItemsMark) {
    sql += u" IN(";
    for (size_t i = 0; i < c.awbList.size(); ++i) {
      if (i > 0) sql += u',';
      sql += u"'";
      sql += QuoteSql(AwbFromListItem(c.awbList[i]));
      sql += u"'";
    }
    sql += u")";
  } else {
    sql += u"='";
    sql += QuoteSql(c.awbNumbers);
    sql += u"'";
  }
  sql += u" ORDER BY a.irid";
  return sql;
}

}  // namespace

std::u16string RecordFilterSql(const WaybillQueryConditions& c, const RecordFilterTexts& texts,
                               std::u16string_view dateColumn,
                               const ServiceKindCodeLookup& kindCode) {
  if (SeveralPicked(c.bagNumbers, c.bagList) || c.bagNumbers.size() >= 4) return BagForm(c, texts);
  if (SeveralPicked(c.awbNumbers, c.awbList) || c.awbNumbers.size() >= 10) return AwbForm(c, texts);

  const std::u16string from = QuoteSql(c.dateFromBound);
  const std::u16string to = QuoteSql(c.dateToBound);
  std::u16string sql = FillHead(texts.dateHead, {Num(texts.rowLimit), Text(texts.select),
                                                 Text(dateColumn), Text(from), Text(to)});
  AppendFlagSet(sql, u"nitemtype", c.typeDocument, c.typeParcel, c.typePak);
  AppendFlagSet(sql, u"npayway", c.payMonthly, c.payCash, c.payCollect);
  AppendFlagSet(sql, u"nlanguage", c.regionMainland, c.regionChinese, c.regionForeign);
  const int verified = (c.payUnchecked ? 1 : 0) + (c.payChecked ? 10 : 0);
  if (verified == 1) sql += u" AND a.ifid=0";
  if (verified == 10) sql += u" AND a.ifid>0";
  if (c.recordState >= 0 && c.recordState <= 10) {
    sql += u" AND a.nstate=" + Number(c.recordState);
  } else if (c.recordState == 12) {
    sql += u" AND a.nstate>0";
  } else if (c.recordState == 13) {
    sql += u" AND a.nstate<3";
  } else if (c.recordState == 14) {
    sql += u" AND a.nstate>3";
  }
  if (c.customerId > 0) sql += u" AND a.icid=" + Number(c.customerId);
  if (c.pieces > 0) sql += u" AND a.iitem=" + Number(c.pieces);
  if (c.pieces < 0) sql += u" AND a.iitem<>" + Number(-static_cast<long long>(c.pieces));
  AppendEquals(sql, u"cdepart", c.department);
  AppendEquals(sql, u"cdes", c.destination);
  AppendContains(sql, u"cmark", c.tags);
  AppendContains(sql, u"creserve", c.reserved);
  if (!c.kind.empty() && kindCode) {
    if (std::optional<std::u16string> code = kindCode(c.kind)) {
      sql += u" AND a.cemskind='";
      sql += QuoteSql(*code);
      sql += u"'";
    }
  }
  AppendContains(sql, u"cnum", c.waybillNo);
  AppendContains(sql, u"cserviceno", c.transferNo);
  AppendContains(sql, u"crno", c.referenceNo);
  AppendContains(sql, u"ccno", c.customsNo);
  AppendEquals(sql, u"cpaydir", c.settlement);
  AppendContains(sql, u"creceiver", c.receiver);
  AppendContains(sql, u"cphone", c.receiverPhone);
  AppendEquals(sql, u"csender", c.sender);
  sql += texts.dateOrder;
  return sql;
}

bool BuildRecordFilterSql(CViewHost& host, const RecordFilterTexts& texts, std::u16string& sql) {
  CWaybillQueryDlg* dialog = host.WaybillQueryDialog();
  if (dialog == nullptr || dialog->DoModal() != platform::kIdOk) return false;
  const WaybillQueryConditions& conditions = *dialog;
  sql = RecordFilterSql(conditions, texts, host.WaybillDateColumn(conditions.dateKind),
                        [&host](std::u16string_view kind) { return host.ServiceKindCode(kind); });
  return true;
}
