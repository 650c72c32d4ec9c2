#pragma once
// The client list of the operator's station (id, code and name of every
// customer), kept on disk as DATA_SYS/c_<station>.dat and brought up to date
// at each start by "sClientList"; type-ahead search by code or name, id to
// name and code, and full customer records read on demand and kept for
// 900 seconds.
//
// The file: a 76-byte header (magic "CLIENT_0001", count, station code,
// highest id, sync stamp, count again) and the 100-byte entries in id order,
// every byte XORed with 0x0E.  A file that fails any check, or whose length
// is not exactly what its header says, is not used at all: the list starts
// empty and the next sync fetches it whole.

#include <cstdint>
#include <ctime>
#include <functional>
#include <list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "refdata/StationCacheSync.h"

struct ClientEntry {
  int32_t id = 0;
  char code[32] = {};  // GBK, NUL-terminated
  char name[64] = {};  // GBK, NUL-terminated
  std::string_view Code() const { return stationcache::FieldText(code, sizeof code); }
  std::string_view Name() const { return stationcache::FieldText(name, sizeof name); }
};
static_assert(sizeof(ClientEntry) == 100);

// One customer as read from client_arc (texts GBK, cut to what is kept).
struct ClientDetail {
  int64_t fetchTime = 0;  // seconds since 1970
  int32_t id = 0;
  std::string account, unitName, unitNameEn, address, addressEn, city, cityEn, postcode,
      province, provinceEn, country, countryEn, sender, senderEn, phone, email, manager, brief;
  uint8_t state = 0;
  uint8_t payWay = 0;
  std::string smNumber, station;
  int32_t docs = 0, bags = 0, weightBags = 0;
  std::string taker, transport, bearer, idCard, msn, order, mark, kind, fax, taxNumber,
      docNumber;
};

class CClientListCache {
 public:
  static constexpr size_t kHeaderSize = 76;
  static constexpr uint8_t kXorKey = 0x0E;
  static constexpr int64_t kDetailSeconds = 900;

  // Where the cache lives: the file's path and the station code as received
  // at login (the file's header must carry it).
  void SetLocation(std::string path, std::string station);
  const std::string& Path() const { return path_; }
  // The clock of the detail cache (seconds since 1970); tests set their own.
  void SetClock(std::function<int64_t()> now) { now_ = std::move(now); }

  // Load, Sync, Save when anything changed, then the indexes.
  void Refresh(const StationSyncLink& link);
  // 1 when the file was used, 0 when missing or refused (the list is then
  // empty, with highest id 0 and an empty stamp).
  int Load();
  // The number of changes.
  int Sync(const StationSyncLink& link);
  // Nothing when the list is empty; false when the file could not be written.
  bool Save() const;
  void BuildIndexes();

  // Type-ahead: fills the rows (null where no hit).  A text that begins with
  // a double-byte character or holds a blank searches names (one trailing
  // blank cut off the text), else codes; a name search without prefix hits
  // falls back to names containing the text, in id order.
  void FindByPrefix(std::span<const ClientEntry*> rows, std::string& text);
  // "*" for an id of 0 or below or one not in the list.
  std::u16string NameOf(int32_t id) const;
  std::u16string CodeOf(int32_t id) const;
  const ClientEntry* Find(int32_t id) const;

  // The customer record, fetched again when the cached one is 900 seconds
  // old or more (checkAge); the old record or null when the fetch fails.
  const ClientDetail* GetClientDetail(const StationSyncLink& link, int32_t id, bool checkAge = true);

  const std::vector<ClientEntry>& Records() const { return records_; }
  int32_t HighestId() const { return highestId_; }
  const std::string& Stamp() const { return stamp_; }

  // Merges one sync reply ("iDel" and "List"); the number of changes.
  int ApplyReply(std::string_view reply);

 private:
  std::vector<ClientEntry> records_;  // ascending by id, unique ids
  std::vector<const ClientEntry*> codeIndex_, nameIndex_;
  const std::vector<const ClientEntry*>* lastIndex_ = nullptr;
  std::string stamp_;
  int32_t highestId_ = 0;
  std::string path_, station_;
  std::list<ClientDetail> details_;  // most recently fetched first
  std::function<int64_t()> now_ = [] { return static_cast<int64_t>(std::time(nullptr)); };
};
