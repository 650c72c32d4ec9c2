#include "refdata/ZoneTable.h"

#include <cstdio>
#include <fstream>

#include "common/SettingsText.h"
#include "common/TextCodec.h"
#include "server/ServerLink.h"

namespace {

const std::string& Marker() {
  static const std::string text = GbkFromWide(u"[定义开始]");
  return text;
}

// The postcode as the lists hold it: blanks and "-" removed, upper case.
std::string CleanPostcode(std::string_view postcode) {
  std::string out;
  for (char c : postcode) {
    if (c == ' ' || c == '-') continue;
    out.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
  }
  return out;
}

// The zone (from 1) whose list holds the cleaned postcode, else the default.
int MatchZone(const ZoneDefinition& definition, const std::string& cleaned) {
  const std::string search = "," + cleaned + ",";
  for (size_t k = 0; k < definition.lists.size(); ++k) {
    if (definition.lists[k].find(search) != std::string::npos) return static_cast<int>(k + 1);
  }
  return definition.defaultZone;
}

const ZoneDefinition* FindService(const std::vector<std::unique_ptr<ZoneDefinition>>& list,
                                  std::string_view service) {
  for (const auto& definition : list) {
    if (definition->service == service) return definition.get();
  }
  return nullptr;
}

// The zone lists between the "<第k区定义" markers, k = 1, 2, ...
void ReadZones(std::string_view body, ZoneDefinition& definition) {
  size_t from = 0;
  for (unsigned k = 1; definition.lists.size() < CZoneTable::kMaxZones; ++k) {
    char number[16];
    std::snprintf(number, sizeof number, "%u", k);
    const std::string marker = GbkFromWide(u"<第") + number + GbkFromWide(u"区定义");
    const size_t open = body.find(marker, from);
    if (open == std::string_view::npos) break;
    const size_t comma = body.find(',', open + marker.size());
    if (comma == std::string_view::npos) break;
    const size_t close = body.find(marker, open + marker.size());
    if (close == std::string_view::npos || close < comma) break;
    std::string list;
    for (char c : body.substr(comma, close - comma)) {
      if (c == ' ' || c == '-' || c == '\r' || c == '\n' || c == '\t') continue;
      list.push_back(c);
    }
    if (list.size() < 6) break;
    list.push_back(',');
    definition.lists.push_back(std::move(list));
    from = close + marker.size();
  }
  definition.zoneCount = static_cast<int32_t>(definition.lists.size());
}

// Reads the local file whole; false when it cannot be opened or is too long.
bool ReadZoneFile(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  text.assign(CZoneTable::kMaxFileBytes + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  const size_t got = static_cast<size_t>(in.gcount());
  if (got > CZoneTable::kMaxFileBytes) return false;
  text.resize(got);
  return true;
}

}  // namespace

std::string ZoneLetters(unsigned zone) {
  if (zone == 0) return {};
  if (zone <= 26) return std::string(1, static_cast<char>(zone + 64));
  const unsigned b = zone - 1;
  return {static_cast<char>(b / 26 + 64), static_cast<char>(b % 26 + 65)};
}

CZoneTable::~CZoneTable() = default;

int CZoneTable::ParseDefinition(std::string_view text) {
  const size_t start = text.find(Marker());
  if (start == std::string_view::npos) return -1;
  const std::string_view body = text.substr(start + Marker().size());
  const std::string type = GetKeyValue(GbkFromWide(u"类型="), body, 4, 10, true);
  const bool price = type == GbkFromWide(u"报价");
  if (!price && type != GbkFromWide(u"分拣")) return -1;
  const std::string service = GetKeyValue(GbkFromWide(u"快递类别="), body, 1, 15, true);
  if (service.empty()) return -1;
  auto& list = price ? price_ : sorting_;
  if (FindService(list, service) != nullptr) return -2;
  auto definition = std::make_unique<ZoneDefinition>();
  definition->service = service;
  definition->defaultZone = GetKeyInt(GbkFromWide(u"邮编找不到时的分区="), body, -1);
  if (!price) {
    definition->numberFlag = GetKeyInt(GbkFromWide(u"备用1数字="), body, 0) == 1 ? 1 : 0;
    definition->lettersFlag = GetKeyInt(GbkFromWide(u"备用2字母="), body, 0) == 1 ? 1 : 0;
  }
  ReadZones(body, *definition);
  list.push_back(std::move(definition));
  return 1;
}

int CZoneTable::PriceZone(std::string_view postcode, std::string_view service) const {
  const ZoneDefinition* definition = FindService(price_, service);
  if (definition == nullptr) return -1;
  const std::string cleaned = CleanPostcode(postcode);
  if (cleaned.empty()) return 0;
  const int zone = MatchZone(*definition, cleaned);
  return zone > 0 ? zone : -1;
}

int CZoneTable::FindZone(std::string_view postcode, std::string_view service,
                         std::string& number, std::string& letters) const {
  const int priceZone = PriceZone(postcode, service);
  const ZoneDefinition* definition = FindService(sorting_, service);
  if (definition == nullptr) return 0;
  const std::string cleaned = CleanPostcode(postcode);
  if (cleaned.empty()) return 0;
  const int zone = MatchZone(*definition, cleaned);
  if (zone <= 0) return 0;
  if (definition->numberFlag) number = priceZone > 0 ? std::to_string(priceZone) : std::string();
  if (definition->lettersFlag) letters = ZoneLetters(static_cast<unsigned>(zone));
  return 1;
}

void CZoneTable::LoadFiles(CServerLink& link, const std::string& folder) {
  if (loaded_) return;
  loaded_ = true;
  std::string text;
  for (const char* stem : {"Zip_Choice_Zone_", "Zip_Price_Zone_"}) {
    for (unsigned n = 0;; ++n) {
      FileRequest request;
      request.title = stem + std::to_string(n);
      request.localPath = folder + request.title + ".txt";
      // The file replaces the local copy only once it came down whole; a
      // copy left from an earlier run is used when the server has none.
      link.DownloadFile(request);
      if (!ReadZoneFile(request.localPath, text)) break;
      ParseDefinition(text);
    }
  }
}
