#include "shell/CourierMessages.h"

#include <algorithm>

#include "common/FieldCheck.h"
#include "common/GbkText.h"
#include "common/HtmlText.h"
#include "common/Json.h"
#include "common/SettingsText.h"
#include "common/TextCodec.h"
#include "server/ServerLink.h"

namespace {

const std::string& Gbk(std::u16string_view text) {
  // The few fixed keys and tags, converted once each.
  static thread_local std::vector<std::pair<std::u16string, std::string>> cache;
  for (const auto& [wide, gbk] : cache)
    if (wide == text) return gbk;
  cache.emplace_back(std::u16string(text), GbkFromWide(text));
  return cache.back().second;
}

bool IsHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Trims blanks, tabs, CR, LF and the full-width blank at both ends.
std::string TrimModel(std::string_view text) {
  const std::string wide = GbkFromWide(u"\u3000");
  size_t from = 0, to = text.size();
  for (;;) {
    if (from < to && (text[from] == ' ' || text[from] == '\t' || text[from] == '\r' || text[from] == '\n')) {
      ++from;
    } else if (to - from >= 2 && text.substr(from, 2) == wide) {
      from += 2;
    } else {
      break;
    }
  }
  for (;;) {
    if (to > from && (text[to - 1] == ' ' || text[to - 1] == '\t' || text[to - 1] == '\r' || text[to - 1] == '\n')) {
      --to;
    } else if (to - from >= 2 && text.substr(to - 2, 2) == wide) {
      to -= 2;
    } else {
      break;
    }
  }
  return std::string(text.substr(from, to - from));
}

// The text between the start tag and the end tag after it; false when
// either is missing.
bool Section(std::string_view block, std::string_view open, std::string_view close,
             std::string_view& inside) {
  const size_t at = block.find(open);
  if (at == std::string_view::npos) return false;
  const size_t from = at + open.size();
  const size_t end = block.find(close, from);
  if (end == std::string_view::npos) return false;
  inside = block.substr(from, end - from);
  return true;
}

}  // namespace

const std::array<std::u16string_view, kCourierMessageKindCount>& CourierMessageKindNames() {
  static const std::array<std::u16string_view, kCourierMessageKindCount> names = {
      u"收件通知",     u"发送通知",     u"签收通知",     u"异常通知",     u"客户收款短信",
      u"发货余额不足", u"客户余额短信", u"转发到件通知", u"快递通知",     u"客户通知",
      u"关注成功",     u"用户通知",     u"快递上网通知", u"微信下单通知", u"快递通知收方",
      u"预录取件调度", u"派件通知"};
  return names;
}

int CWeChatMessages::LoadConfig(std::string_view fileText) {
  enabled_ = 0;
  server_.clear();
  path_.clear();
  appId_.clear();
  openIdPrefix_.clear();
  port_ = tls_ = 0;
  defs_.clear();
  loadedBytes_ = fileText.size();

  std::string text;
  if (fileText.size() >= 2 && static_cast<unsigned char>(fileText[0]) == 0xFF &&
      static_cast<unsigned char>(fileText[1]) == 0xFE) {
    std::u16string wide;
    wide.reserve(fileText.size() / 2);
    for (size_t i = 2; i + 1 < fileText.size(); i += 2) {
      const char16_t unit = static_cast<char16_t>(static_cast<unsigned char>(fileText[i]) |
                                                  (static_cast<unsigned char>(fileText[i + 1]) << 8));
      if (unit == 0) break;
      wide.push_back(unit);
    }
    text = GbkFromWideEscaped(wide, wide.size() * 8 + 16, true);
  } else {
    text.assign(fileText.substr(0, fileText.find('\0')));
  }

  port_ = GetKeyInt(Gbk(u"端口="), text, 0);
  tls_ = GetKeyInt(Gbk(u"是SSL="), text, 0);
  server_ = GetKeyValue(Gbk(u"服务器="), text, 4, 63, true);
  path_ = GetKeyValue(Gbk(u"接口="), text, 4, 255, true);
  appId_ = GetKeyValue("appid=", text, 1, 67, true);
  openIdPrefix_ = GetKeyValue(Gbk(u"OpenID前缀="), text, 1, 15, true);
  {
    // Only whether there is a secret matters here.
    std::string secret = GetKeyValue("secret=", text, 1, 67, true);
    enabled_ = !appId_.empty() && !secret.empty() ? 1 : 0;
    std::fill(secret.begin(), secret.end(), '\0');
  }
  if (!enabled_) {
    std::fill(text.begin(), text.end(), '\0');
    return 0;
  }
  static constexpr std::string_view kOpen = "<MESS_DEFINE>";
  static constexpr std::string_view kClose = "</MESS_DEFINE>";
  size_t pos = 0;
  for (;;) {
    const size_t at = text.find(kOpen, pos);
    if (at == std::string::npos) break;
    const size_t from = at + kOpen.size();
    const size_t end = text.find(kClose, from);
    if (end == std::string::npos) break;
    ParseBlock(std::string_view(text).substr(from, end - from));
    pos = end + kClose.size();
  }
  // The text held the secret too.
  std::fill(text.begin(), text.end(), '\0');
  return enabled_;
}

void CWeChatMessages::ParseBlock(std::string_view block) {
  if (block.find("<MODEL>") == std::string_view::npos || block.find("<PARAM>") == std::string_view::npos)
    return;
  auto def = std::make_unique<CWeChatMessageDef>();
  std::string name;
  if (!XmlGetElementText("NAME", block, name, 1, 15, false)) return;
  const auto& kinds = CourierMessageKindNames();
  for (int k = 0; k < kCourierMessageKindCount; ++k)
    if (Gbk(kinds[static_cast<size_t>(k)]) == name) def->kind = k;
  if (def->kind < 0) return;
  if (!XmlGetElementText("TEMP_ID", block, def->templateId, 15, 63, false)) return;
  if (!XmlGetElementText("URL", block, def->url, 10, 255, false)) def->url.clear();
  std::string_view section;
  if (!Section(block, "<MODEL>", "</MODEL>", section)) return;
  def->model = TrimModel(section);
  if (def->model.size() < 10 || def->model.size() > 2046) return;
  if (!Section(block, "<PARAM>", "</PARAM>", section)) return;
  size_t pos = 0;
  while (pos < section.size()) {
    // Leading control bytes and blanks are skipped; a line ends at LF.
    while (pos < section.size() && static_cast<unsigned char>(section[pos]) >= 1 &&
           static_cast<unsigned char>(section[pos]) <= 32)
      ++pos;
    if (pos >= section.size()) break;
    const size_t nl = section.find('\n', pos);
    std::string line(section.substr(pos, nl == std::string_view::npos ? std::string_view::npos : nl - pos));
    pos = nl == std::string_view::npos ? section.size() : nl + 1;
    // A CR (and blanks) before the LF belong to the line end, not the value.
    while (!line.empty() && static_cast<unsigned char>(line.back()) <= 32) line.pop_back();
    StripHtml(line, false);
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    CourierMessageParam p;
    p.name = line.substr(0, eq);
    // Markup taken out of the name leaves blanks around it.
    while (!p.name.empty() && p.name.back() == ' ') p.name.pop_back();
    p.name.erase(0, p.name.find_first_not_of(' ') == std::string::npos ? p.name.size()
                                                                         : p.name.find_first_not_of(' '));
    p.value = line.substr(eq + 1);
    const size_t hash = p.value.rfind('#');
    if (hash != std::string::npos && p.value.size() - hash == 7 &&
        std::all_of(p.value.begin() + static_cast<std::ptrdiff_t>(hash) + 1, p.value.end(), IsHex)) {
      p.colour = p.value.substr(hash);
      p.value.resize(hash);
    }
    if (!p.name.empty() && p.name.size() <= 15 && p.value.size() <= 510) def->params.push_back(std::move(p));
  }
  if (def->params.empty()) return;
  defs_.push_back(std::move(def));
}

const CWeChatMessageDef* CWeChatMessages::FindDefinition(int kind) const {
  for (const auto& d : defs_)
    if (d->kind == kind) return d.get();
  return nullptr;
}

int CWeChatMessages::IsValidOpenId(std::string_view text) const {
  if (text.size() != 28) return 0;
  if (!openIdPrefix_.empty() && text.substr(0, openIdPrefix_.size()) != openIdPrefix_) return 0;
  return 1;
}

void AppendCourierField(std::string& fields, std::string_view gbk, size_t width) {
  AppendPipeField(fields, gbk, width, false);
}

void AppendCourierField(std::string& fields, std::u16string_view text, size_t width) {
  AppendPipeField(fields, GbkFromWide(text), width, false);
}

std::string CourierMessageSql(const CourierMessage& m) {
  auto cut = [](std::string text, size_t n) { return GbkTruncate(text, n); };
  std::string sql = "{?=CALL brantle.dbo.cp_wc_mess_set(" + std::to_string(m.customerId) + "," +
                    std::to_string(m.second) + "," + std::to_string(m.kind);
  for (const std::string& text : {cut(m.sender, 31), cut(m.openId, 95), cut(m.fields, 4095), cut(m.url, 4351)}) {
    sql += ",'";
    sql += QuoteSqlNarrow(text);
    sql += "'";
  }
  sql += ")}";
  return sql;
}

int CWeChatSender::Submit(CServerLink& link, const CourierMessage& message) const {
  (void)number_;
  (void)size_;
  if (messages_ == nullptr) return 0;
  static const uint32_t kTypes[] = {AcsTypeEntry(kSqlCSLong)};
  std::string reply;
  if (link.SqlExecute(CourierMessageSql(message), kTypes, &reply) <= 0) return -9;
  if (link.lastReturnValue != 1 || reply.find("\"List\":") == std::string::npos) return -9;
  std::string_view list = JsonListBody(reply, "List");
  size_t pos = 0;
  std::string_view row;
  if (!JsonNextObject(list, pos, row)) return -9;
  return JsonGetInt("0", row, -9);
}
