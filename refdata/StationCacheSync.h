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

#include <algorithm>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/GbkText.h"
#include "common/Json.h"

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


// Binary search of a key-ordered index by the first text.size() bytes,
// ASCII case ignored; the first match, or the index's end when nothing
// matches.  `key` is a member function or a callable on an entry.
template <typename Entry, typename Key>
size_t FirstPrefixHit(const std::vector<const Entry*>& index, std::string_view text, Key key) {
  size_t lo = 0, hi = index.size();
  while (lo < hi) {
    size_t mid = (lo + hi) / 2;
    if (GbkCompareNoCase(std::invoke(key, *index[mid]), text, text.size()) < 0) lo = mid + 1;
    else hi = mid;
  }
  if (lo < index.size() && GbkStartsWithNoCase(std::invoke(key, *index[lo]), text)) return lo;
  return index.size();
}

// Fills an index with every record, ordered by `key` with case ignored;
// equal keys keep their id order.
template <typename Record, typename Key>
void BuildIndex(std::vector<const Record*>& index, const std::vector<Record>& records, Key key) {
  // Each key is taken once (not at every comparison), beside its record.
  // A key of ASCII only is also kept upper-cased: two such keys compare as
  // their upper-cased bytes (what GbkCompareNoCase does with them), any
  // other pair through GbkCompareNoCase.
  struct Keyed {
    std::string_view key;
    std::string_view folded;  // empty data() when the key is not ASCII only
    const Record* record;
  };
  std::vector<Keyed> keyed;
  keyed.reserve(records.size());
  size_t foldedBytes = 0;
  for (const Record& r : records) {
    const std::string_view k = std::invoke(key, r);
    keyed.push_back({k, {}, &r});
    foldedBytes += k.size();
  }
  std::string folded(foldedBytes, '\0');
  size_t at = 0;
  for (Keyed& k : keyed) {
    bool ascii = true;
    for (size_t i = 0; i < k.key.size() && ascii; ++i) {
      const unsigned char c = static_cast<unsigned char>(k.key[i]);
      ascii = c < 0x80;
      folded[at + i] = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    }
    if (ascii) k.folded = std::string_view(folded.data() + at, k.key.size());
    at += k.key.size();
  }
  std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
    if (a.folded.data() && b.folded.data()) return a.folded < b.folded;
    return GbkCompareNoCase(a.key, b.key) < 0;
  });
  index.clear();
  index.reserve(keyed.size());
  for (const Keyed& k : keyed) index.push_back(k.record);
}

// Records are kept in ascending id order.
template <typename Records>
auto LowerBoundById(Records& records, int32_t id) {
  return std::lower_bound(records.begin(), records.end(), id,
                          [](const auto& r, int32_t v) { return r.id < v; });
}
template <typename Record>
const Record* FindById(const std::vector<Record>& records, int32_t id) {
  auto it = LowerBoundById(records, id);
  return it != records.end() && it->id == id ? &*it : nullptr;
}
// Whether a loaded file's ids are above 0, strictly ascending and none
// above the highest id its header names.
template <typename Record>
bool IdsInOrder(const std::vector<Record>& records, int32_t highest) {
  for (size_t k = 0; k < records.size(); ++k) {
    const int32_t id = records[k].id;
    if (id <= 0 || id > highest || (k > 0 && id <= records[k - 1].id)) return false;
  }
  return true;
}
template <typename Record>
bool RemoveById(std::vector<Record>& records, int32_t id) {
  auto it = LowerBoundById(records, id);
  if (it == records.end() || it->id != id) return false;
  records.erase(it);
  return true;
}
// Replaces the record with the same id, or inserts it in its place.
template <typename Record>
void MergeById(std::vector<Record>& records, const Record& record) {
  // A page of new entries comes in id order above everything held.
  if (records.empty() || records.back().id < record.id) {
    records.push_back(record);
    return;
  }
  auto it = LowerBoundById(records, record.id);
  if (it != records.end() && it->id == record.id) *it = record;
  else records.insert(it, record);
}

// Merges one sync reply: removes the ids of "iDel", then merges each row of
// "List" with an id above 0 ("i"), its other fields read by `read(row,
// record)`.  The number of changes.
template <typename Record, typename ReadRow>
int ApplySyncReply(std::string_view reply, std::vector<Record>& records, ReadRow read) {
  int changes = 0;
  std::vector<uint32_t> gone;
  JsonGetIntArray("iDel", reply, gone, 1, kMaxDeletedId);
  for (uint32_t id : gone)
    if (RemoveById(records, static_cast<int32_t>(id))) ++changes;
  std::string_view list = JsonListBody(reply, "List");
  size_t pos = 0;
  std::string_view object;
  JsonRowIndex row;
  while (JsonNextObject(list, pos, object)) {
    row.Reset(object);
    Record r;
    r.id = row.GetInt("i", 0);
    if (r.id <= 0) continue;
    read(row, r);
    MergeById(records, r);
    ++changes;
  }
  return changes;
}

// Little-endian 32-bit integers and zero-padded fixed fields of the cache
// file headers.
void PutInt(std::string& out, int32_t v);
int32_t GetInt(std::string_view in, size_t at);
// Writes `width` bytes: at most width - 1 of the text, then zeros.
void PutPadded(std::string& out, std::string_view text, size_t width);

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
// Reads a cache file whose header of `headerSize` bytes begins with the
// magic text in a 16-byte field; false when there is no path, the file
// cannot be read, is shorter than its header or has another magic text.
bool ReadCacheFile(const std::string& path, size_t headerSize, std::string_view magic,
                   std::string& bytes);
// Replaces a file with the bytes through a temporary file in the same folder
// (creating the folder); false when any step fails, leaving the old file.
bool WriteWholeFile(const std::string& path, std::string_view bytes);

}  // namespace stationcache
