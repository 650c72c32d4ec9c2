#include "shipping/WaybillDetail.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "common/DateTime.h"
#include "common/FieldCheck.h"
#include "common/HtmlText.h"
#include "common/LanguageTable.h"

// ---- the row ----

void WaybillDetailRow::Set(std::string_view column, std::u16string value) {
  values_[std::string(column)] = std::move(value);
}

std::u16string WaybillDetailRow::Text(std::string_view column, size_t n) const {
  auto it = values_.find(column);
  if (it == values_.end()) return {};
  if (n == 0 || it->second.size() <= n) return it->second;
  return it->second.substr(0, n);
}

namespace {

std::string Ascii(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

std::u16string Wide(std::string_view ascii) {
  std::u16string out;
  out.reserve(ascii.size());
  for (char c : ascii) out += static_cast<char16_t>(static_cast<unsigned char>(c));
  return out;
}

// printf into UTF-16; only ASCII formats and numbers.
std::u16string Format(const char* format, ...) {
  char buffer[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return Wide(buffer);
}

}  // namespace

int32_t WaybillDetailRow::Int(std::string_view column) const {
  auto it = values_.find(column);
  if (it == values_.end()) return 0;
  return static_cast<int32_t>(std::strtol(Ascii(it->second).c_str(), nullptr, 10));
}

double WaybillDetailRow::Real(std::string_view column) const {
  auto it = values_.find(column);
  if (it == values_.end()) return 0;
  return std::strtod(Ascii(it->second).c_str(), nullptr);
}

bool WaybillDetailRow::Has(std::string_view column) const {
  return values_.find(column) != values_.end();
}

// ---- text helpers ----

std::u16string EscapeHtml(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size() + 8);
  for (char16_t c : text) {
    switch (c) {
      case u'&': out += u"&amp;"; break;
      case u'<': out += u"&lt;"; break;
      case u'>': out += u"&gt;"; break;
      case u'"': out += u"&quot;"; break;
      case u'\'': out += u"&#39;"; break;
      default: out += c; break;
    }
  }
  return out;
}

std::u16string EscapeHtmlLines(std::u16string_view text) {
  // "<" and ">" are left to TextToHtml, which turns them into entities along
  // with the line breaks and blank runs.
  std::u16string out;
  out.reserve(text.size() + 8);
  for (char16_t c : text) {
    switch (c) {
      case u'&': out += u"&amp;"; break;
      case u'"': out += u"&quot;"; break;
      case u'\'': out += u"&#39;"; break;
      default: out += c; break;
    }
  }
  return TextToHtml(out);
}

bool IsWebAddress(std::u16string_view text) {
  auto startsNoCase = [&](std::u16string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
      char16_t c = text[i];
      if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
      if (c != prefix[i]) return false;
    }
    return true;
  };
  return startsNoCase(u"http://") || startsNoCase(u"https://");
}

bool IsDateSet(std::u16string_view text) { return !text.empty() && text[0] >= u'2'; }

std::u16string WaybillDetailPageTemplate() {
  return u"<HTML>\r\n<HEAD>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; "
         u"charset=gb2312\">\r\n<SCRIPT Language='JavaScript'>\r\nvar dialWnd=null;function "
         u"DoDial(s){\r\ndialWnd=window.open(s,'theDial','toolbar=0,menubar=0,width=100,height=50,"
         u"resizable=0');dialWnd.focus();}\r\n</SCRIPT>\r\n<STYLE>\r\nbody{font-size:14px "
         u";line-height:16px;}\r\ntable{border-style:solid; border-width:0px; padding:0px; "
         u"cellspacing:1}\r\ntd{font-size:14px ;line-height:16px;}\r\n.nm{background-color:#F8f8F8;"
         u"text-align:right}\r\n.fts{font-size:12px ;line-height:14px;background-color:#FFFFFF;}"
         u"\r\n.ftm{font-size:13px ;line-height:15px;}\r\n.ftb{font-size:16px ;line-height:18px;}"
         u"\r\n.ftg{font-size:13px ;color:#808080;}\r\n.tit{font-family:宋体;font-size:14.2px; "
         u"font-weight:500;line-height:18px;}\r\n</STYLE></HEAD>\r\n<BODY topmargin=1 leftmargin=1 "
         u"rightmargin=1>\r\n\r\n</BODY>\r\n</HTML>\r\n";
}

std::u16string WaybillDetailPage(std::u16string_view body) {
  std::u16string page = WaybillDetailPageTemplate();
  const std::u16string marker = u"rightmargin=1>\r\n";
  const size_t at = page.find(marker);
  page.insert(at + marker.size(), body);
  return page;
}

namespace {

std::u16string T(int32_t id) { return EscapeHtml(AppLanguage().Text(id)); }

const std::u16string kSpacer = u"<tr height=4><td></td><td></td></tr>";

// The row forms.
std::u16string Row(int32_t label, std::u16string_view value) {
  return u"<tr><td class='nm'>" + T(label) + u":</td><td>" + std::u16string(value) +
         u"</td></tr>";
}
std::u16string ReceiverRow(int32_t label, std::u16string_view value) {
  return u"<tr bgcolor=#e0e0ff><td class='nm'>" + T(label) + u"</td><td>" +
         std::u16string(value) + u"</td></tr>";
}
std::u16string SenderRow(int32_t label, std::u16string_view value) {
  return u"<tr bgcolor=#f0fff0><td class='nm'>" + T(label) + u"</td><td>" +
         std::u16string(value) + u"</td></tr>";
}
std::u16string GoodsRow(int32_t label, std::u16string_view value) {
  return u"<tr bgcolor=fff0f0><td class='nm'>" + T(label) + u":</td><td>" +
         std::u16string(value) + u"</td></tr>";
}

// "%s[id=%d]" inside a coloured mark.
std::u16string IdMark(std::u16string_view lead, std::u16string_view color, int32_t label,
                      int32_t id) {
  return std::u16string(lead) + u"<font color=" + std::u16string(color) + u">" + T(label) +
         Format("[id=%d]", id) + u"</font>";
}

// A spare field: a link for a web address, text otherwise.
std::u16string SpareValue(const std::u16string& value, bool mayLink) {
  const std::u16string text = EscapeHtml(value);
  if (mayLink && IsWebAddress(value))
    return u"<a target='_blank' href='" + text + u"'>" + text + u"</a>";
  return text;
}

std::u16string MoneyRow(const WaybillDetailRow& r, const WaybillDetailContext& c) {
  std::u16string out;
  if (!c.Right(3, 0x80) && !c.Right(1, 0x40)) {
    out = u"<tr><td class='nm'>" + T(30084) + u":</td><td>" + Format("%.2f", r.Real("fsprice"));
  } else {
    out = u"<tr><td class='nm'>" + T(30005) + u":</td><td>" + Format("%.2f", r.Real("famount")) +
          u" ＜" + T(30084) + Format(":%.2f", r.Real("fsprice")) + u"＞ ";
    if (r.Real("fdiscount") >= 0.0001) out += u"折扣:" + Format("%.4f", r.Real("fdiscount"));
  }
  const int payWay = r.Int("npayway");
  out += u" <font color=red>" + EscapeHtml(AppLanguage().PayWayText(payWay)) + u"</font>";
  if (payWay != 2) {
    out += u"<br>";
    if (r.Int("iiid") > 0) out += IdMark(u"◆", u"brown", 290104, r.Int("iiid"));
    if (r.Int("ifid") > 0)
      out += IdMark(u"◆", u"green", 290105, r.Int("ifid"));
    else
      out += u"◆<font color=red>" + T(290106) + u"</font>";
  }
  if (r.Int("ibid") > 0) out += u"<br>" + IdMark(u"◇", u"green", 290107, r.Int("ibid"));
  if (c.Right(1, 0x08) || c.Right(2, 0x40) || c.Right(0, 0x80) || c.Right(5, 0x20)) {
    out += u"<br>";
    if (r.Int("iqid") > 0) out += IdMark(u"◆", u"brown", 290108, r.Int("iqid"));
    if (r.Int("ipid") > 0)
      out += IdMark(u"◆", u"green", 290109, r.Int("ipid"));
    else
      out += u"◆<font color=red>" + T(290110) + u"</font>";
  }
  if (r.Int("ifsid") > 0 || r.Int("ifcid") > 0) {
    out += u"<br>";
    if (r.Int("ifsid") > 0) out += IdMark(u"◆", u"green", 290111, r.Int("ifsid"));
    if (r.Int("ifcid") > 0) out += IdMark(u"◆", u"green", 290112, r.Int("ifcid"));
  }
  if (r.Int("ifside") > 0 || r.Int("ifcide") > 0) {
    out += u"<br>";
    if (r.Int("ifside") > 0) out += IdMark(u"◆", u"red", 290113, r.Int("ifside"));
    if (r.Int("ifcide") > 0) out += IdMark(u"◆", u"red", 290114, r.Int("ifcide"));
  }
  out += u"</td></tr>";
  return out;
}

std::u16string ReceiverTable(const WaybillDetailRow& r, const WaybillDetailContext& c) {
  std::u16string out = u"<table width=100%><tr bgcolor=#e0e0ff class='ftm'>"
                       u"<td width=60 class='nm'></td><td class='ftm'><b>" +
                       T(290121) + u"</b></td></tr>";
  auto add = [&](const char* column, int32_t label, bool lines = false) {
    const std::u16string v = r.Text(column, 255);
    if (!v.empty()) out += ReceiverRow(label, lines ? EscapeHtmlLines(v) : EscapeHtml(v));
  };
  add("creceiver", 180011);
  add("cunitname", 180014);
  add("caddr", 180015, true);
  if (!c.RightE(0, 0x80)) {
    add("cphone", 180018);
    add("crsms", 180019);
    add("cridcard", 180012);
  }
  add("cremail", 180013);
  add("cpostcode", 180017);
  add("ccountry", 180022);
  add("cprovince", 180021);
  add("ccity", 180020);
  out += kSpacer + u"</table>";
  return out;
}

std::u16string SenderTable(const WaybillDetailRow& r, const WaybillDetailContext& c) {
  std::u16string out = u"<table width=100%><tr bgcolor=#f0fff0 class='ftm'>"
                       u"<td width=60 class='nm'></td><td class='ftm'><b>" +
                       T(290122) + u"</b></td></tr>";
  auto add = [&](const char* column, int32_t label, bool lines = false) {
    const std::u16string v = r.Text(column, 255);
    if (!v.empty()) out += SenderRow(label, lines ? EscapeHtmlLines(v) : EscapeHtml(v));
  };
  add("csender", 180011);
  add("cdepart", 180016);
  if (c.Right(1, 0x80) || c.RightE(1, 0x20)) {
    add("csunitname", 180014);
    add("csaddr", 180015, true);
    add("csphone", 180018);
    add("csmsnumber", 180019);
    add("csidcard", 180012);
    add("csemail", 180013);
  }
  add("cspostcode", 180017);
  add("cscountry", 180022);
  add("csprovince", 180021);
  add("cscity", 180020);
  out += kSpacer + u"</table>";
  return out;
}

std::u16string GoodsBlock(const WaybillDetailRow& r) {
  std::u16string out;
  const double price = r.Int("iprice") / 100.0;  // hundredths to units
  const int32_t quantity = r.Int("iquantity");
  const std::u16string goods = r.Text("cgoods", 255);
  if (!goods.empty()) {
    out += GoodsRow(30026, EscapeHtml(goods));
    out += GoodsRow(30027, EscapeHtml(r.Text("iquantity", 30)));
    if (price > 0.001 && quantity > 0) {
      out += GoodsRow(30028, Format("%.2f", price));
      out += GoodsRow(290134, Format("%.2f", quantity * price));
    }
  }
  if (r.Int("idvalue") > 0) out += GoodsRow(30031, Format("%.2f", r.Int("idvalue") / 100.0));
  if (r.Int("iivalue") > 0) out += GoodsRow(30032, Format("%.2f", r.Int("iivalue") / 100.0));
  const std::u16string packing = r.Text("cpacking", 15);
  if (!packing.empty())
    out += u"<tr bgcolor=fff0f0><td class='nm'>" + T(30029) + u":</td><td>" +
           EscapeHtml(packing) + u" </td></tr>";
  const std::u16string note = r.Text("ctransnote", 63);
  if (!note.empty())
    out += u"<tr bgcolor=fff0f0><td class='nm'>" + T(30030) + u":</td><td>" + EscapeHtml(note) +
           u" </td></tr>";
  return out;
}

// The supplier name when the mark may be shown, else empty.
std::u16string SupplierMark(const WaybillDetailRow& r, const WaybillDetailContext& c) {
  const int32_t isid = r.Int("isid");
  if (isid <= 0 || !c.operatorStation.empty() || !c.fullView) return {};
  if (c.RightE(2, 0x08) && !c.RightE(5, 0x02)) return {};
  return c.supplierName ? c.supplierName(isid) : std::u16string();
}

}  // namespace

std::u16string BuildWaybillDetailLeft(const WaybillDetailRow& r, const WaybillDetailContext& c) {
  const bool full = c.fullView;
  std::u16string out = u"<table width='100%'>";
  // 1: the id with the mark and the operator
  out += u"<tr><td class='nm'>ＩＤ:</td><td><font color='red' style='font-family: Arial "
         u"Black;font-size:16px'>" +
         Format("%d</font>", r.Int("irid"));
  const std::u16string mark = r.Text("cmark", 15);
  if (!mark.empty()) out += u" <font color=gray>≡" + T(30040) + u"≡</font>" + EscapeHtml(mark);
  const std::u16string mname = r.Text("cmname", 30);
  if (!mname.empty()) out += u" <font color=gray>●" + T(30015) + u"</font>" + EscapeHtml(mname);
  // 2: business date, item type, pieces
  out += u"</td></tr><tr><td class='nm'>" + T(30070) + u":</td><td>" +
         EscapeHtml(r.Text("ddate", 30)) + u"【" +
         EscapeHtml(AppLanguage().ItemTypeText(r.Int("nitemtype"))) + u"】" +
         EscapeHtml(AppLanguage().TextWithNumber(290100, r.Int("iitem"))) + u"</td></tr>";
  // 3: source
  if (r.Int("piid") > 0)
    out += Row(30130, EscapeHtml(AppLanguage().RecordSourceText(r.Int("nfrom"))) + u"[" +
                          T(290101) + Format(":<font color=red>%d</font>]", r.Int("piid")));
  // 4: station
  const std::u16string stationT = r.Text("cstationt", 15);
  if (!stationT.empty()) out += Row(30182, EscapeHtml(stationT));
  // 5: express kind
  {
    const std::u16string kind = r.Text("cemskind", 15);
    std::u16string v = EscapeHtml(kind);
    if (c.kindName) {
      const std::u16string name = c.kindName(kind);
      if (!name.empty()) v += u"【" + EscapeHtml(name) + u"】";
    }
    const std::u16string kindC = r.Text("cemskindc", 15);
    if (full && kindC != kind)
      v += u" (" + T(30148) + u":<font color=red>" + EscapeHtml(kindC) + u"</font>)";
    out += Row(30073, v);
  }
  // 6: transfer-on number
  const std::u16string tno = r.Text("ctno", 30);
  if (full && !tno.empty()) out += Row(30152, u"<font color=green>" + EscapeHtml(tno) + u"</font>");
  // 7, 8: origin and destination
  const std::u16string from = r.Text("caddrfrom", 63);
  if (!from.empty()) out += Row(30000, EscapeHtml(from));
  out += u"<tr><td class='nm'>" + T(30001) + u":</td><td><font color=blue><b>" +
         EscapeHtml(r.Text("cdes", 63)) + u"</b></font></td></tr>";
  if (full) {
    // 9: weights
    std::u16string v = Format("%.3f", r.Real("fweight"));
    const std::u16string lwh = r.Text("clwh", 16);
    if (!lwh.empty())
      v += u" (" + T(30090) + u":" + EscapeHtml(lwh) + u" " + T(30091) +
           Format(":%.3f)", r.Real("fweightb"));
    if (r.Int("icubic") > 998)
      v += u"<font color=red>" + T(30057) + Format(":%.3f", r.Int("icubic") / 1000000.0) +
           u"</font>";
    out += Row(30004, v);
    // 10: returned weight
    if (r.Real("fweightre") >= 0.001) out += Row(30118, Format("%.3f", r.Real("fweightre")));
    // 11: hand-over weight
    if (c.dictionary71Set || c.Right(10, 0x40) ||
        (c.operatorStation.empty() && c.dictionary65Set)) {
      std::u16string w = Format("%.3f", r.Real("fweights"));
      if (r.Real("ftweight") >= 0.001)
        w += u" <font color=red>[" + T(30153) + Format(":%.3f", r.Real("ftweight")) +
             u"]</font>";
      out += Row(30025, w);
    }
    // 12: money
    out += MoneyRow(r, c);
    // 13: goods value
    if (r.Real("fgoods") > 0) {
      out += u"<tr valign='top'><td class='nm'>" + T(30043) + u": </td><td>" +
             Format("%.2f", r.Real("fgoods"));
      if (c.Right(3, 0x80)) {
        out += Format("<br>%.2f(", r.Real("fgoodsr")) + T(290115) +
               Format(")<br>%.2f(", r.Real("fgoodsc")) + T(290116) + u")";
        if (r.Real("fgoodsre") > 0 || r.Real("fgoodsce") > 0)
          out += Format("<br>%.2f(", r.Real("fgoodsre")) + T(290117) +
                 Format(")<br>%.2f(", r.Real("fgoodsce")) + T(290118) + u")";
      }
      out += u"</td></tr>";
    }
    // 14: reserve number
    if (r.Int("ireserve") > 0) out += Row(30023, Format("%d", r.Int("ireserve")));
    // 15: spare fields
    struct Spare {
      const char* column;
      size_t width;
      int32_t label;
      bool mayLink;
    };
    static const Spare kSpares[] = {{"creserve", 30, 30050, false}, {"cby1", 63, 30052, false},
                                    {"cby2", 63, 30053, false},     {"cby3", 63, 30054, false},
                                    {"cby4", 63, 30055, true},      {"cby5", 255, 30056, true}};
    for (const Spare& s : kSpares) {
      const std::u16string value = r.Text(s.column, s.width);
      if (!value.empty()) out += Row(s.label, SpareValue(value, s.mayLink));
    }
  }
  // 16: settlement
  const std::u16string set = r.Text("cset", 30);
  if (!set.empty()) {
    out += u"<tr><td class='nm'>" + T(30119) + u":</td><td>【" + EscapeHtml(set);
    const std::u16string setDate = r.Text("dsetdate", 30);
    if (IsDateSet(setDate))
      out += u"】 " + EscapeHtml(setDate.substr(0, 10)) + T(290119);
    else
      out += T(290120);
    out += u"</td></tr>";
  }
  // 17
  out += kSpacer + u"</table>";
  if (full) {
    out += ReceiverTable(r, c);
    out += SenderTable(r, c);
    const std::u16string goods = GoodsBlock(r);
    if (!goods.empty())
      out += u"<table width=100%><tr bgcolor=fff0f0><td width=60 class='nm'></td><td><b>" +
             T(290133) + u"</b></td></tr>" + goods + kSpacer + u"</table>";
  }
  return out;
}

std::u16string BuildWaybillDetailRight(const WaybillDetailRow& r, const WaybillDetailContext& c) {
  const bool full = c.fullView;
  std::u16string out = u"<table width=100%>";
  // 1: state and days
  {
    const int state = r.Int("nstate");
    const char16_t* color = state == 0 ? u"#000000>" : state <= 2 ? u"#0000C0>"
                            : state == 3 ? u"#008000>" : u"#ff0000>";
    out += u"<tr><td width=60 class='nm'>" + T(30069) + u":</td><td><b><font color=" + color +
           EscapeHtml(AppLanguage().WaybillStateText(state)) + u"</font></b>";
    const int days = r.Int("ndays");
    if (days == 1)
      out += T(290123);
    else if (days == 2)
      out += T(290124);
    else if (days != 0)
      out += EscapeHtml(AppLanguage().TextWithNumber(290125, days));
    out += u"</td></tr>";
  }
  // 2: the latest tracking line
  if (r.Int("npos") < 255) {
    out += u"<tr bgcolor=#f0fff0><td class='nm' valign='top'>" + T(290126) +
           u":</td><td><font color=brown>" + EscapeHtml(r.Text("cdate", 255)) + u"<br>";
    const std::u16string place = r.Text("cplace", 255);
    if (!place.empty()) out += EscapeHtml(place) + u"<br>";
    out += EscapeHtml(r.Text("cinfo", 255)) + u"</font></td></tr>";
  }
  // 3: entered
  out += Row(30077, EscapeHtml(r.Text("dsysdate", 30)) + u"【" + EscapeHtml(r.Text("cinput", 30)) +
                        u"】");
  // 4: last change
  const std::u16string lastMod = r.Text("dlastmod", 30);
  const std::u16string lastBy = r.Text("clastmod", 30);
  if (IsDateSet(lastMod) && !lastBy.empty())
    out += u"<tr><td class='nm'><font color=red>" + T(290127) + u":</font></td><td>" +
           EscapeHtml(lastMod) + u"【" + EscapeHtml(lastBy) + u"】*</td></tr>";
  // 5: fee audit
  const std::u16string feeAudit = r.Text("dfeeaud", 30);
  if (IsDateSet(feeAudit))
    out += Row(30196, EscapeHtml(feeAudit) + u"【" + EscapeHtml(r.Text("cfeeaud", 30)) + u"】");
  // 6: master air waybill
  const std::u16string awb = r.Text("cawb", 30);
  if (!awb.empty()) out += Row(30102, EscapeHtml(awb));
  // 7: weighed
  const std::u16string weighed = r.Text("dwdate", 30);
  if (IsDateSet(weighed))
    out += Row(30121, EscapeHtml(weighed) + u"【" + EscapeHtml(r.Text("cweight", 30)) + u"】");
  // 8: sent
  const std::u16string sent = r.Text("dsenddate", 30);
  if (IsDateSet(sent)) {
    std::u16string v = EscapeHtml(sent);
    const std::u16string output = r.Text("coutput", 30);
    if (!output.empty()) v += u"【" + EscapeHtml(output) + u"】";
    out += Row(30095, v);
  }
  // 9: taken
  const std::u16string taker = r.Text("ctaker", 30);
  if (!taker.empty()) {
    const std::u16string taken = r.Text("dtdate", 30);
    out += Row(30016, (IsDateSet(taken) ? EscapeHtml(taken) : std::u16string()) + u"【" +
                          EscapeHtml(taker) + u"】");
  }
  // 10, 11: transport and bearer
  const std::u16string trans = r.Text("ctrans", 30);
  if (!trans.empty())
    out += u"<tr><td class='nm'>" + T(30017) + u":</td><td>【" + EscapeHtml(trans) + u"】</td></tr>";
  const std::u16string bearer = r.Text("cbearer", 30);
  if (!bearer.empty())
    out += u"<tr><td class='nm'>" + T(30018) + u":</td><td>【" + EscapeHtml(bearer) +
           u"】</td></tr>";
  // 12: delivered
  std::u16string delivered = r.Text("dadate", 30);
  if (IsDateSet(delivered)) {
    DropZeroTime(delivered);
    std::u16string v = EscapeHtml(delivered);
    const std::u16string sign = r.Text("csign", 30);
    if (!sign.empty()) v += u"【<font color=#008000><b>" + EscapeHtml(sign) + u"</b></font>】";
    out += Row(290128, v);
  }
  // 13: checkpoint
  const std::u16string checkpoint = r.Text("ccheckpoint", 30);
  if (!checkpoint.empty())
    out += Row(290129, u"<font color=#008000>" + EscapeHtml(checkpoint) + u"</font>" + T(290130));
  // 14: check memo
  const std::u16string checkMemo = r.Text("cckmemo", 63);
  if (!checkMemo.empty())
    out += u"<tr><td class='nm'>" + T(30149) + u":</td><td><font color=#FF0000>" +
           EscapeHtml(checkMemo) + u"</font>【" + EscapeHtml(r.Text("cckname", 63)) + u" " +
           EscapeHtml(r.Text("dckdate", 30)) + u"】</td></tr>";
  // 15, 16: batch and supplier
  const std::u16string supplier = SupplierMark(r, c);
  const int32_t batch = r.Int("ibatch");
  if (batch > 0) {
    std::u16string v;
    for (char ch : BatchIdToText(batch)) v += static_cast<char16_t>(static_cast<unsigned char>(ch));
    v = EscapeHtml(v);
    if (!supplier.empty())
      v += u"【" + T(30080) + u":<FONT color=red>" + EscapeHtml(supplier) + u"</FONT>】";
    out += Row(30024, v);
  } else if (!supplier.empty()) {
    out += Row(30080, u"<FONT color=red>" + EscapeHtml(supplier) + u"</FONT>");
  }
  // 17: returned
  const std::u16string returned = r.Text("dreturn", 30);
  if (IsDateSet(returned)) {
    std::u16string v = EscapeHtml(returned) + u"【" + EscapeHtml(r.Text("creturn", 30)) + u"】";
    if (full && r.Real("fweightre") >= 0.01)
      v += u"(" + T(30137) + u":<font color=#008000>" + Format("%.3f", r.Real("fweightre")) +
           u"</font>)";
    out += Row(290131, v);
  }
  // 18, 19: memo and extra text
  if (full) {
    const std::u16string memo = r.Text("cmemo", 255);
    if (!memo.empty())
      out += u"<tr><td class='nm' valign='top'>" + T(30022) + u":</td><td>" +
             EscapeHtmlLines(memo) + u"</td></tr>";
    const std::u16string extra = r.Text("cextra", 512);
    if (!extra.empty())
      out += u"<tr><td class='nm' valign='top'>" + T(290132) + u":</td><td>" +
             EscapeHtmlLines(extra) + u"</td></tr>";
  }
  out += kSpacer + u"</table>";
  return out;
}
