#include "refdata/StationCacheSync.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/Json.h"
#include "server/ServerLink.h"
#include "server/ServerLinkSupport.h"

StationSyncLink StationSyncLink::Of(CServerLink& link) {
  ServerSession session = link.Session();
  StationSyncLink out;
  out.account = session.account;
  out.loginNumber = session.loginNumber;
  out.post = [&link](const std::string& request, std::string& reply) {
    return link.Post(request, &reply, CServerLink::kReplyCapacity);
  };
  out.query = [&link](std::string_view sql, std::span<const uint32_t> types, std::string& reply) {
    return link.SqlQuery(sql, types, &reply, 65536);
  };
  return out;
}

namespace stationcache {

int RunSync(const StationSyncLink& link, const SyncRequest& request, int32_t& highestId,
            std::string& stamp, const std::function<int(std::string_view reply)>& apply) {
  if (!link.post) return 0;
  int changes = 0;
  std::string reply;
  for (int round = 0; round < kMaxSyncRounds; ++round) {
    std::string json = serverlink::Envelope(request.name, link.account, link.loginNumber)
                           .UInt(request.idKey, static_cast<uint32_t>(highestId))
                           .Str("dDate", stamp)
                           .Finish();
    if (json.size() >= kSyncRequestLimit) break;
    reply.clear();
    if (link.post(json, reply) <= 0) break;
    if (JsonGetInt("ReturnValue", reply, 0) <= 0) break;
    const int32_t oldId = highestId;
    const std::string oldStamp = stamp;
    int32_t id = JsonGetInt(request.idReplyKey, reply, 0);
    if (id > highestId) highestId = id;
    std::string last = JsonGetString("dLast", reply, 30);
    if (last > stamp) stamp = last;
    const bool end = JsonGetBool("bEnd", reply, 1) != 0;
    changes += apply(reply);
    if (end) break;
    if (highestId == oldId && stamp == oldStamp) break;  // no progress
  }
  return changes;
}

void SetField(char* field, size_t width, std::string_view text) {
  size_t n = std::min(text.size(), width - 1);
  std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n), field);
  std::fill(field + n, field + width, '\0');
}

void PutInt(std::string& out, int32_t v) {
  uint32_t u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}

int32_t GetInt(std::string_view in, size_t at) {
  uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(static_cast<uint8_t>(in[at + i])) << (8 * i);
  return static_cast<int32_t>(u);
}

void PutPadded(std::string& out, std::string_view text, size_t width) {
  std::string field(width, '\0');
  std::memcpy(field.data(), text.data(), std::min(text.size(), width - 1));
  out += field;
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), {});
  return !in.bad();
}

bool ReadCacheFile(const std::string& path, size_t headerSize, std::string_view magic,
                   std::string& bytes) {
  if (path.empty() || !ReadWholeFile(path, bytes)) return false;
  return bytes.size() >= headerSize && FieldText(bytes.data(), 16) == magic;
}

bool WriteWholeFile(const std::string& path, std::string_view bytes) {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  return serverlink::ReplaceFileAtomically(path, bytes);
}

}  // namespace stationcache
