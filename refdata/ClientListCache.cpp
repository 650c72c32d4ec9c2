#include "refdata/ClientListCache.h"

#include <algorithm>
#include <cstring>

#include "common/Json.h"
#include "common/TextCodec.h"
#include "server/ServerLink.h"

using namespace stationcache;

namespace {

constexpr char kMagic[] = "CLIENT_0001";

struct DetailColumn {
  const char* name;
  int type;
  unsigned width;
  size_t kept;
  std::string ClientDetail::*text;
};

// The columns of the detail query, in SELECT order.
const DetailColumn kDetailColumns[] = {
    {"cunitname", kSqlCChar, 64, 63, &ClientDetail::unitName},
    {"cunitnamee", kSqlCChar, 128, 127, &ClientDetail::unitNameEn},
    {"caddr", kSqlCChar, 128, 127, &ClientDetail::address},
    {"caddre", kSqlCChar, 128, 127, &ClientDetail::addressEn},
    {"ccity", kSqlCChar, 64, 63, &ClientDetail::city},
    {"ccitye", kSqlCChar, 64, 63, &ClientDetail::cityEn},
    {"cpostcode", kSqlCChar, 16, 15, &ClientDetail::postcode},
    {"cprovince", kSqlCChar, 16, 15, &ClientDetail::province},
    {"cprovincee", kSqlCChar, 32, 30, &ClientDetail::provinceEn},
    {"ccountry", kSqlCChar, 32, 30, &ClientDetail::country},
    {"ccountrye", kSqlCChar, 64, 63, &ClientDetail::countryEn},
    {"csender", kSqlCChar, 32, 30, &ClientDetail::sender},
    {"csendere", kSqlCChar, 32, 30, &ClientDetail::senderEn},
    {"cphone", kSqlCChar, 24, 22, &ClientDetail::phone},
    {"nstate", kSqlCUTinyInt, 0, 0, nullptr},
    {"cmname", kSqlCChar, 32, 30, &ClientDetail::manager},
    {"cbrief", kSqlCChar, 16, 15, &ClientDetail::brief},
    {"npayway", kSqlCUTinyInt, 0, 0, nullptr},
    {"csmnumber", kSqlCChar, 24, 22, &ClientDetail::smNumber},
    {"cstation", kSqlCChar, 16, 15, &ClientDetail::station},
    {"cemail", kSqlCChar, 64, 63, &ClientDetail::email},
    {"ndoc", kSqlCSLong, 0, 0, nullptr},
    {"nbag", kSqlCSLong, 0, 0, nullptr},
    {"nwbag", kSqlCSLong, 0, 0, nullptr},
    {"caccount", kSqlCChar, 32, 30, &ClientDetail::account},
    {"ctaker", kSqlCChar, 32, 30, &ClientDetail::taker},
    {"ctrans", kSqlCChar, 32, 30, &ClientDetail::transport},
    {"cbearer", kSqlCChar, 32, 30, &ClientDetail::bearer},
    {"cidcard", kSqlCChar, 32, 30, &ClientDetail::idCard},
    {"corder", kSqlCChar, 64, 63, &ClientDetail::order},
    {"cmark", kSqlCChar, 16, 15, &ClientDetail::mark},
    {"ckind", kSqlCChar, 16, 15, &ClientDetail::kind},
    {"cfax", kSqlCChar, 24, 22, &ClientDetail::fax},
    {"ctaxno", kSqlCChar, 32, 30, &ClientDetail::taxNumber},
    {"cdocno", kSqlCChar, 32, 30, &ClientDetail::docNumber},
    {"cmsn", kSqlCChar, 64, 63, &ClientDetail::msn},
};

}  // namespace

void CClientListCache::SetLocation(std::string path, std::string station) {
  path_ = std::move(path);
  station_ = std::move(station);
}

void CClientListCache::Refresh(const StationSyncLink& link) {
  Load();
  if (Sync(link) > 0) Save();
  BuildIndexes();
}

int CClientListCache::Load() {
  records_.clear();
  codeIndex_.clear();
  nameIndex_.clear();
  lastIndex_ = nullptr;
  highestId_ = 0;
  stamp_.clear();
  std::string bytes;
  if (!ReadCacheFile(path_, kHeaderSize, kMagic, bytes)) return 0;
  std::string_view head(bytes.data(), kHeaderSize);
  const int32_t count = GetInt(head, 16);
  if (FieldText(head.data() + 20, 16) != station_) return 0;
  const int32_t highest = GetInt(head, 36);
  if (highest <= 0) return 0;
  if (GetInt(head, 72) != count || count < 0) return 0;
  if (bytes.size() - kHeaderSize != static_cast<size_t>(count) * sizeof(ClientEntry)) return 0;
  std::vector<ClientEntry> records(static_cast<size_t>(count));
  for (int32_t k = 0; k < count; ++k) {
    char raw[sizeof(ClientEntry)];
    const char* from = bytes.data() + kHeaderSize + static_cast<size_t>(k) * sizeof raw;
    for (size_t b = 0; b < sizeof raw; ++b) raw[b] = static_cast<char>(from[b] ^ kXorKey);
    ClientEntry& e = records[static_cast<size_t>(k)];
    std::memcpy(&e, raw, sizeof raw);
    e.code[sizeof e.code - 1] = '\0';
    e.name[sizeof e.name - 1] = '\0';
  }
  if (!IdsInOrder(records, highest)) return 0;
  records_ = std::move(records);
  highestId_ = highest;
  stamp_ = std::string(FieldText(head.data() + 40, 32));
  return 1;
}

int CClientListCache::Sync(const StationSyncLink& link) {
  return RunSync(link, {"sClientList", "icID", "icIDx"}, highestId_, stamp_,
                 [this](std::string_view reply) { return ApplyReply(reply); });
}

int CClientListCache::ApplyReply(std::string_view reply) {
  return ApplySyncReply(reply, records_, [](JsonRowIndex& row, ClientEntry& e) {
    SetField(e.code, sizeof e.code, row.GetString("a", 30));
    SetField(e.name, sizeof e.name, row.GetString("n", 63));
  });
}

bool CClientListCache::Save() const {
  if (records_.empty() || path_.empty()) return false;
  std::string out;
  out.reserve(kHeaderSize + records_.size() * sizeof(ClientEntry));
  PutPadded(out, kMagic, 16);
  PutInt(out, static_cast<int32_t>(records_.size()));
  PutPadded(out, station_, 16);
  PutInt(out, highestId_);
  PutPadded(out, stamp_, 32);
  PutInt(out, static_cast<int32_t>(records_.size()));
  const size_t start = out.size();
  out.resize(start + records_.size() * sizeof(ClientEntry));
  std::memcpy(out.data() + start, records_.data(), records_.size() * sizeof(ClientEntry));
  for (size_t b = start; b < out.size(); ++b) out[b] = static_cast<char>(out[b] ^ kXorKey);
  return WriteWholeFile(path_, out);
}

void CClientListCache::BuildIndexes() {
  lastIndex_ = nullptr;
  BuildIndex(codeIndex_, records_, &ClientEntry::Code);
  BuildIndex(nameIndex_, records_, &ClientEntry::Name);
}

void CClientListCache::FindByPrefix(std::span<const ClientEntry*> rows, std::string& text) {
  if (text.empty()) return;
  const bool byName = static_cast<uint8_t>(text[0]) >= 0x80 || text.find(' ') != std::string::npos;
  if (byName && text.back() == ' ') text.pop_back();
  std::fill(rows.begin(), rows.end(), nullptr);
  const auto& index = byName ? nameIndex_ : codeIndex_;
  lastIndex_ = &index;
  size_t first = FirstPrefixHit(index, text, byName ? &ClientEntry::Name : &ClientEntry::Code);
  if (first < index.size()) {
    for (size_t k = 0; k < rows.size() && first + k < index.size(); ++k) rows[k] = index[first + k];
    return;
  }
  if (!byName) return;
  size_t n = 0;
  for (const ClientEntry& e : records_) {
    if (n >= rows.size()) break;
    if (e.Name().find(text) != std::string_view::npos) rows[n++] = &e;
  }
}

const ClientEntry* CClientListCache::Find(int32_t id) const {
  if (id <= 0) return nullptr;
  return FindById(records_, id);
}

std::u16string CClientListCache::NameOf(int32_t id) const {
  const ClientEntry* e = Find(id);
  return e ? WideFromGbk(e->Name()) : std::u16string(u"*");
}

std::u16string CClientListCache::CodeOf(int32_t id) const {
  const ClientEntry* e = Find(id);
  return e ? WideFromGbk(e->Code()) : std::u16string(u"*");
}

const ClientDetail* CClientListCache::GetClientDetail(const StationSyncLink& link, int32_t id,
                                                      bool checkAge) {
  auto cached = std::find_if(details_.begin(), details_.end(),
                             [id](const ClientDetail& d) { return d.id == id; });
  const int64_t now = now_();
  if (cached != details_.end() && (!checkAge || now - cached->fetchTime < kDetailSeconds))
    return &*cached;
  if (!link.query) return cached != details_.end() ? &*cached : nullptr;
  std::string sql = "SELECT ";
  std::vector<uint32_t> types;
  for (const DetailColumn& c : kDetailColumns) {
    if (types.size()) sql += ',';
    sql += c.name;
    types.push_back(AcsTypeEntry(c.type, c.width));
  }
  sql += " FROM brantle.dbo.client_arc WHERE icid=" + std::to_string(id);
  std::string reply;
  int result = link.query(sql, types, reply);
  std::string_view first;
  if (result > 9 && reply.find("\"0\":") != std::string::npos) {
    std::string_view list = JsonListBody(reply, "List");
    size_t pos = 0;
    if (!JsonNextObject(list, pos, first)) first = {};
  }
  if (first.empty()) return cached != details_.end() ? &*cached : nullptr;
  if (cached == details_.end()) {
    details_.emplace_front();
    cached = details_.begin();
    cached->id = id;
  }
  ClientDetail& d = *cached;
  d.fetchTime = now;
  JsonRowIndex row(first);
  for (size_t k = 0; k < std::size(kDetailColumns); ++k) {
    const DetailColumn& c = kDetailColumns[k];
    std::string key = std::to_string(k);
    if (c.text) {
      d.*c.text = row.GetString(key, c.kept);
    } else if (std::string_view(c.name) == "nstate") {
      d.state = static_cast<uint8_t>(row.GetInt(key, 0));
    } else if (std::string_view(c.name) == "npayway") {
      d.payWay = static_cast<uint8_t>(row.GetInt(key, 0));
    } else if (std::string_view(c.name) == "ndoc") {
      d.docs = row.GetInt(key, 0);
    } else if (std::string_view(c.name) == "nbag") {
      d.bags = row.GetInt(key, 0);
    } else {
      d.weightBags = row.GetInt(key, 0);
    }
  }
  return &d;
}
