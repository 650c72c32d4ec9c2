#include "refdata/AwbBagLists.h"

#include <array>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "common/FieldCheck.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "server/ServerLink.h"

namespace {

constexpr double kPoundsPerKilogram = 2.2046226218487757;

std::u16string WideFromAscii(const char* text) {
  std::u16string out;
  for (; *text; ++text) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(*text)));
  return out;
}

// Whether the reply says it holds rows and has a list.
bool HasRows(std::string_view reply) {
  return JsonGetInt("iTotal", reply, 0) > 0 && JsonFindKey("List", reply) != kJsonNone;
}

// Runs a list query and turns each row of its reply into an item of `list`
// with `item(row)`; the list's size, or 0 when the reply holds no rows.
template <typename MakeItem>
int ListRows(CServerLink& link, const std::string& sql, std::span<const uint32_t> types,
             std::vector<std::u16string>& list, MakeItem item) {
  CServerLink::ReplyGuard reply = link.LockReply();
  link.SqlQuery(sql, types);
  if (!HasRows(reply.Text())) return 0;
  std::string_view rows = JsonListBody(reply.Text(), "List");
  std::string_view object;
  size_t pos = 0;
  JsonRowIndex row;
  while (JsonNextObject(rows, pos, object)) {
    row.Reset(object);
    list.push_back(item(row));
  }
  return static_cast<int>(list.size());
}

}  // namespace

char16_t AwbStateMark(int state) {
  switch (state) {
    case 1: return u'◎';
    case 2: return u'√';
    default: return u'\u3000';
  }
}

int LoadAwbPackInfo(CServerLink& link, AwbPackInfo& info) {
  if (info.number.empty()) return -2;
  static const std::array<uint32_t, 13> kTypes = {
      AcsTypeEntry(kSqlCChar, 64),  AcsTypeEntry(kSqlCChar, 64),  AcsTypeEntry(kSqlCChar, 64),
      AcsTypeEntry(kSqlCChar, 32),  AcsTypeEntry(kSqlCChar, 32),  AcsTypeEntry(kSqlCChar, 24),
      AcsTypeEntry(kSqlCChar, 64),  AcsTypeEntry(kSqlCChar, 64),  AcsTypeEntry(kSqlCChar, 128),
      AcsTypeEntry(kSqlCChar, 24),  AcsTypeEntry(kSqlCChar, 16),  AcsTypeEntry(kSqlCChar, 256),
      AcsTypeEntry(kSqlCChar, 128)};
  std::string sql =
      "SELECT cfrom,cdes,ctransnote,creceiver,cagent,cphone,cbroker,csname,csaddr,csphone,"
      "cspostcode,cmemo,cothercharge FROM brantle.dbo.client_rec_pack WHERE cawb='" +
      QuoteSqlNarrow(info.number) + "'";
  CServerLink::ReplyGuard reply = link.LockReply();
  link.SqlQuery(sql, kTypes);
  if (JsonFindKey("List", reply.Text()) == kJsonNone) return 0;
  std::string_view list = JsonListBody(reply.Text(), "List");
  std::string_view row;
  size_t pos = 0;
  if (!JsonNextObject(list, pos, row)) row = {};
  JsonRowIndex columns(row);
  // Each text is cut to its field's room (one unit kept for the end).
  info.cfrom = columns.GetWString("0", 63);
  info.cdes = columns.GetWString("1", 63);
  info.ctransnote = columns.GetWString("2", 63);
  info.creceiver = columns.GetWString("3", 30);
  // The clearance consignee is a name of up to 30 characters, as the master
  // air waybill form takes it.
  info.cagent = columns.GetWString("4", 30);
  info.cphone = columns.GetWString("5", 30);
  info.cbroker = columns.GetWString("6", 63);
  info.csname = columns.GetWString("7", 63);
  info.csaddr = columns.GetWString("8", 127);
  info.csphone = columns.GetWString("9", 22);
  info.cspostcode = columns.GetWString("10", 15);
  info.cmemo = columns.GetWString("11", 255);
  info.cothercharge = columns.GetWString("12", 127);
  return 1;
}

std::u16string FormatWeight(double kilograms, bool pounds) {
  char text[64];
  if (pounds)
    std::snprintf(text, sizeof text, "%.2f", kilograms * kPoundsPerKilogram + 0.0001);
  else
    std::snprintf(text, sizeof text, "%.3f", kilograms + 0.0001);
  return WideFromAscii(text);
}

int ListRecentAwbs(CServerLink& link, std::vector<std::u16string>& list, unsigned n) {
  static const std::array<uint32_t, 3> kTypes = {
      AcsTypeEntry(kSqlCChar, 32), AcsTypeEntry(kSqlCChar, 64), AcsTypeEntry(kSqlCUTinyInt)};
  std::string sql = "SELECT TOP " + std::to_string(n) +
                    " cawb,cdes,nstate FROM brantle.dbo.client_rec_pack ORDER BY ddate DESC";
  return ListRows(link, sql, kTypes, list, [](JsonRowIndex& row) {
    std::u16string item(1, AwbStateMark(row.GetInt("2", 0)));
    item += row.GetWString("0", 30);
    item += u'<';
    item += row.GetWString("1", 63);
    item += u'>';
    return item;
  });
}

int ListRecentBags(CServerLink& link, const CLanguageTable& language,
                   std::vector<std::u16string>& list, unsigned n) {
  static const std::array<uint32_t, 3> kTypes = {
      AcsTypeEntry(kSqlCSLong), AcsTypeEntry(kSqlCChar, 32), AcsTypeEntry(kSqlCUTinyInt)};
  std::string sql = "SELECT TOP " + std::to_string(n) +
                    " ixid,cxno,nstate FROM brantle.dbo.client_rec_xbag ORDER BY ixid DESC";
  return ListRows(link, sql, kTypes, list, [&language](JsonRowIndex& row) {
    uint32_t id = static_cast<uint32_t>(row.GetInt("0", 0));
    std::u16string item = row.GetWString("1", 30);
    item += u'<';
    item += language.BagStateText(row.GetInt("2", 0));
    item += u">ID:";
    item += WideFromAscii(std::to_string(id).c_str());
    return item;
  });
}

std::u16string AwbFromListItem(std::u16string_view item) {
  if (item.find(u'<') == std::u16string_view::npos || item.find(u'>') == std::u16string_view::npos)
    return std::u16string(item);
  if (!item.empty() && item[0] >= u'b') item.remove_prefix(1);
  return std::u16string(item.substr(0, item.find(u'<')));
}

std::u16string BagNoFromListItem(std::u16string_view item) {
  if (item.find(u'<') == std::u16string_view::npos || item.find(u'>') == std::u16string_view::npos)
    return std::u16string(item);
  return std::u16string(item.substr(0, item.find(u'<')));
}

int BagIdFromListItem(std::u16string_view item) {
  size_t at = item.find(u">ID:");
  if (at == std::u16string_view::npos) return 0;
  uint32_t id = 0;
  for (char16_t c : item.substr(at + 4)) {
    if (c < u'0' || c > u'9') break;
    id = id * 10 + static_cast<uint32_t>(c - u'0');
  }
  return static_cast<int>(id);
}
