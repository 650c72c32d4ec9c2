#pragma once
// The application's one-record waybill cache: the print renderers load the
// same waybill several times in a row, so the last waybill read from the
// server ("sRecData") is kept with its piece and goods lines.  A save or
// delete of a waybill drops it from the cache (Invalidate), so a print never
// shows a copy older than the last save.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "refdata/RecordStores.h"

class CServerLink;
class CZoneTable;

class CWaybillCache {
 public:
  using PieceList = std::vector<std::unique_ptr<PieceLine>>;
  using GoodsList = std::vector<std::unique_ptr<GoodsLine>>;

  CWaybillCache();
  ~CWaybillCache();

  // The waybill with its lines: from the cache when it holds that id, else
  // from the server.  The lines are appended to the caller's lists (which
  // are not emptied).  Returns the record id, or 0 (id 0 or below, no such
  // waybill, a reply without a customer id) with the caller's record, lists
  // and the cache unchanged.
  int32_t Load(CServerLink& link, int32_t id, InputWaybillRecord& record, PieceList& pieces,
               GoodsList& goods);

  // Drops the cached waybill when it is the one given (any id 0 or below
  // drops whatever is cached).
  void Invalidate(int32_t id);
  int32_t CachedId() const { return cached_->waybill.irID; }

  // Reads a waybill reply into the record (cleared first) and appends its
  // lines; each list is read to the end of its own array.
  static void ReadReply(std::string_view reply, InputWaybillRecord& record, PieceList& pieces,
                        GoodsList& goods);

 private:
  std::unique_ptr<InputWaybillRecord> cached_;
  PieceList pieces_;
  GoodsList goods_;
};

// Writes the sorting zone of the receiver's postcode into spare fields 1 and
// 2 of the local input record with that id and commits the store; nothing
// when the record is missing, its postcode empty, the kind has no zone for
// it, or the fields already hold the zone.  True when the store was written.
bool ApplySortingZones(CWaybillRecordTable& store, const CZoneTable& zones, int32_t id);
