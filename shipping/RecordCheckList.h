#pragma once
// The waybill list of the record check page, without widgets: its columns,
// the statements it sends (the list query, its next chunk, the reload of
// one record), how one row of a reply becomes the cells of a grid row, and
// the chunked load that the page runs on a worker thread.

#include <QDateTime>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/ListGridModel.h"
#include "ui/RecordFilter.h"

class CServerLink;

// One column of the grid: its kind, caption text id, width, alignment.
struct RecordCheckColumn {
  int kind;
  int captionId;
  int width;
  int align;  // kGridAlignLeft / Right / Center
};

// The columns in grid order; the days column (caption 160001) follows them.
const std::vector<RecordCheckColumn>& RecordCheckColumns();
inline constexpr int kRecordCheckDaysCaptionId = 160001;
inline constexpr int kRecordCheckDaysWidth = 50;
// Grid columns in all (the days column included).
int RecordCheckColumnCount();

// The 62 columns of the list query (without ilen).
extern const char* const kRecordCheckSelectList;
// The column types of the list and reload replies (63, ilen included).
const std::vector<uint32_t>& RecordCheckColumnTypes();

// The texts the record filter builds the list query from (5000 rows a
// request; the picture-size form when `pictureSize`).
RecordFilterTexts RecordCheckFilterTexts(bool pictureSize);
// The list query's statement of the filter's SQL: " ORDER BY a.irid" ends it.
std::string RecordCheckStatement(std::u16string_view filterSql);
// The next chunk: the first " WHERE " becomes " WHERE a.irid>%u AND ".
std::string RecordCheckNextChunk(std::string_view statement, uint32_t lastId);
// The reload of one record.  It selects the same kind column (cemskind) as
// the list, so a reloaded row shows what the list shows.
std::string RecordCheckReloadStatement(uint32_t recordId);

// One grid row read from a reply.
struct RecordCheckRow {
  int32_t id = 0;                   // irid
  std::vector<std::u16string> cells;  // every column but the row number (cell 0 empty)
  GridColor textColor = 0;
};

// The text colour of a waybill state.
GridColor RecordCheckStateColor(int state);
// Whole days from the business date to the arrival date when that lies in
// 2001 or later, else to `now`.
int RecordCheckDays(const QDateTime& businessDate, const QDateTime& arrivalDate,
                    const QDateTime& now);
// The rows of a reply's "List"; `highestId` gets the highest irid of them
// (unchanged without rows).  False when the reply has no rows or no "List".
bool ReadRecordCheckRows(std::string_view reply, const QDateTime& now,
                         std::vector<RecordCheckRow>& rows, uint32_t& highestId);

// ---- The chunked load ----

// Sends one query and gives its reply: above 0 with a reply; 0 or the
// link's negative code when nothing came back (true and false do as well).
using RecordCheckQuery = std::function<int(const std::string& sql, std::string& reply)>;
// Through the server link, one request at a time: the link's reply lock is
// held from the request until the reply is copied out.
RecordCheckQuery MakeServerRecordCheckQuery(CServerLink& link);

struct RecordCheckLoad {
  int rows = 0;          // rows handed over
  int chunks = 0;        // requests sent
  bool empty = false;    // the first reply had no rows
  std::u16string failure;  // why a request failed (RequestFailureText); empty when none did
};

// Loads the statement's rows in chunks: each chunk's rows go to `deliver`
// (on the calling thread) before the next request.  A chunk continues with
// the rows above its highest irid while its reply says "bEnd" false; the
// load ends with "bEnd" true (or missing), a reply without rows or "List",
// a chunk that brings no higher irid than the one before, or when `stop`
// says so.
RecordCheckLoad RunRecordCheckLoad(const RecordCheckQuery& query, const std::string& statement,
                                   const std::function<void(std::vector<RecordCheckRow>)>& deliver,
                                   const std::function<bool()>& stop = {});
