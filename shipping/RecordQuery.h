#pragma once
// The record query of page 13: waybills with the bag each one is packed in,
// loaded in chunks.  Everything here runs without a window: the statement
// texts, the reading of one reply row into the page's grid cells, the
// merging of chunks, and the loading loop a worker thread runs.
//
// A waybill packed in several bags comes back as several rows with the same
// irid.  The server ends a chunk on a record boundary, but the loading does
// not depend on it: the rows of the last record of a chunk are held back and
// asked again with the next chunk ("a.irid>" the last whole record), and any
// row of a record already listed is dropped.  A record with more rows than a
// whole chunk holds (which a server ending chunks on record boundaries never
// sends) is listed as far as it came, and the loading goes on after it.

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <QString>

#include "ui/RecordFilter.h"

class CServerLink;

namespace recordquery {

// The select list with its FROM part (34 columns, the bag joined in).
extern const std::u16string_view kSelect;
// The date-form head and the row limit of one request.
inline constexpr std::u16string_view kDateHead =
    u"SELECT TOP %d %s WHERE a.%s BETWEEN '%s' AND '%s'";
inline constexpr int kRowLimit = 20000;
inline constexpr std::u16string_view kOrder = u" ORDER BY a.irid";

// Grid columns: the row number and 29 columns of the reply.
inline constexpr int kGridColumns = 30;

// The texts of the record filter for this page.
RecordFilterTexts FilterTexts();
// The statement completed: " ORDER BY a.irid" appended when the filter did
// not end with it (the chunks rely on ascending ids).
std::u16string WithOrder(std::u16string sql);
// The statement of a later chunk: the first upper-case " WHERE " becomes
// " WHERE a.irid>%u AND " with the id (the lower-case " where " of the bag
// subquery is left alone).  A statement without " WHERE " is returned as it
// is.
std::u16string ChunkSql(std::u16string_view sql, uint32_t afterId);

// The column types of the 34 columns.
std::span<const uint32_t> ColumnTypes();

// One grid row: its record id and the texts of grid columns 1..29 (column 0,
// the row number, is set when the row is listed).  The cells are the grid's
// own text type, kGridColumns of them, so that a row moves into the grid
// without a copy; an empty text is a null QString, as a cell never set.
struct Row {
  int32_t irid = 0;
  std::vector<QString> cells = std::vector<QString>(kGridColumns);
};

// Reads one reply row object.
Row ReadRow(std::string_view object);

// Reads a reply: false when "iTotal" is not above 0 or there is no "List";
// else the rows and the end flag ("bEnd", missing counts as true).
bool ReadChunk(std::string_view reply, std::vector<Row>& rows, bool& end);

// Merges the chunks of one query, see the head of the file.
class ChunkMerger {
 public:
  // The rows of a chunk to list now, in order.  After a chunk that is not
  // the last, NextAfter() gives the id the next chunk starts after; Stalled()
  // says a chunk brought nothing new (the caller stops then).
  std::vector<Row> Take(std::vector<Row> chunk, bool end);
  uint32_t NextAfter() const { return nextAfter_; }
  bool Stalled() const { return stalled_; }
  // The rows held back, given up when no further chunk comes (a failed
  // request): they are what was received of the last record.
  std::vector<Row> Release();

 private:
  uint32_t lastWhole_ = 0;      // every record up to this id is listed
  bool anyWhole_ = false;
  uint32_t nextAfter_ = 0;
  bool stalled_ = false;
  std::vector<Row> held_;
};

// Runs a query chunk by chunk over the link (each request with a reply
// buffer of its own) and hands the rows of each chunk to `deliver` as they
// come.  Stops between chunks when `stop` turns true.  Returns the number of
// rows delivered; -1 when the first request brought no rows.  A request
// that failed (RequestFailureText) ends the load and leaves its text in
// `failure` when one is given.
int Load(CServerLink& link, const std::u16string& sql,
         const std::function<void(std::vector<Row>&&)>& deliver,
         const std::atomic<bool>* stop = nullptr, std::u16string* failure = nullptr);

// The same with the request made by the caller (tests and benchmarks): the
// function gets the GBK statement and returns the reply.
int LoadWith(const std::function<std::string(const std::string&)>& request,
             const std::u16string& sql, const std::function<void(std::vector<Row>&&)>& deliver,
             const std::atomic<bool>* stop = nullptr);

}  // namespace recordquery
