#pragma once
// What the client list cache and the destination directory cache share: the
// request loop that brings a station cache up to date ("sClientList",
// "sDesList"), the case-insensitive key order of their indexes, and the
// reading and writing of their files.
//
// A sync request carries the highest id and the last change stamp held; the
// server answers with what changed since, page by page, until it sets
// "bEnd".  The loop also ends when a request fails, when a round brings
// neither a higher id nor a newer stamp (a server that never ends would
// otherwise hold start-up for ever), and after kMaxSyncRounds rounds.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

class CServerLink;

// What the caches need of the server link; tests hand in their own.
struct StationSyncLink {
  std::u16string account;
  int32_t loginNumber = 0;
  // Posts a request text; the reply lands in `reply`.  The body length, or
  // 0 and below when the request failed.
  std::function<int(const std::string& request, std::string& reply)> post;
  // Runs an SQL query through the link's checked path; the same result.
  std::function<int(std::string_view sql, std::span<const uint32_t> types, std::string& reply)>
      query;

  // Requests through the link, each into the caller's own reply buffer.
  static StationSyncLink Of(CServerLink& link);
};

namespace stationcache {

inline constexpr int kMaxSyncRounds = 10000;
inline constexpr size_t kSyncRequestLimit = 1024;
inline constexpr int64_t kMaxDeletedId = 2100000000;

struct SyncRequest {
  std::string_view name;      // "sClientList"
  std::string_view idKey;     // "icID": the highest id sent
  std::string_view idReplyKey;  // "icIDx": the highest id received
};

// Runs the loop; `apply` merges one reply (its "iDel" and "List") and returns
// the number of changes.  highestId and stamp move on with every reply.
// Returns the number of changes of all rounds.
int RunSync(const StationSyncLink& link, const SyncRequest& request, int32_t& highestId,
            std::string& stamp, const std::function<int(std::string_view reply)>& apply);

// Case-insensitive order of narrow keys: only ASCII letters have case, a
// double-byte character compares whole.  `limit` bytes of the left side at
// most (npos: the whole texts); a prefix of the other compares less.
int CompareNoCase(std::string_view a, std::string_view b, size_t limit = std::string_view::npos);
// Whether `text` begins with `prefix`, ASCII case ignored.
bool StartsWithNoCase(std::string_view text, std::string_view prefix);

// The NUL-terminated text of a fixed field.
inline std::string_view FieldText(const char* field, size_t width) {
  size_t n = 0;
  while (n < width && field[n]) ++n;
  return {field, n};
}
// Copies at most width - 1 bytes and clears the rest of the field.
void SetField(char* field, size_t width, std::string_view text);

// Reads a whole file; false when it cannot be opened.
bool ReadWholeFile(const std::string& path, std::string& bytes);
// Replaces a file with the bytes through a temporary file in the same folder
// (creating the folder); false when any step fails, leaving the old file.
bool WriteWholeFile(const std::string& path, std::string_view bytes);

}  // namespace stationcache
