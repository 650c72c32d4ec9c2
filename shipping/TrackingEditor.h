#pragma once
// The tracking editor's working half: the tracking lines of one waybill
// (check_detail), its status and sign-off data (client_rec) and its header
// text (check_info), in the Chinese tables or the English ones (suffix
// "_en"); the statements, the proposed next position, the checks before a
// save, and the reading of each write's result.  The dialog
// (TrackingEditorDlg.h) only shows what this holds.
//
// Every write is checked: a procedure call counts as done only when the
// server answered it (ReturnValue 1, a result row) with a result of 0 or
// more; otherwise the caller gets the server's error text, never the
// success message.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class CServerLink;

struct TrackingLine {
  int32_t wpos = 0;
  int32_t npos = 0;
  std::u16string date;
  std::u16string place;
  std::u16string detail;
};

// The requests the editor makes.
class TrackingEditorLink {
 public:
  virtual ~TrackingEditorLink() = default;
  // "sSqlQuery" / "sSqlExe": the transfer result (above 0 when a reply
  // came) with the reply body in `reply`.
  virtual int Query(std::string_view sql, std::span<const uint32_t> types, std::string& reply) = 0;
  virtual int Execute(std::string_view sql, std::span<const uint32_t> types,
                      std::string& reply) = 0;
  // The logged-in user's name (GBK).
  virtual std::string UserName() = 0;
};

// The link's requests, each made through platform::WaitForWork.
std::unique_ptr<TrackingEditorLink> MakeServerTrackingLink(CServerLink& link);

// ---- statements (GBK) ----

std::string BuildTrackingStatusQuery(int32_t irid);
std::string BuildTrackingHeaderQuery(std::u16string_view suffix, int32_t irid);
std::string BuildTrackingLinesQuery(std::u16string_view suffix, int32_t irid);
// "_mod" for a line id above 0, else "_add".  Texts are trimmed and their
// quotes doubled.
std::string BuildTrackingLineSave(std::u16string_view suffix, int32_t irid, int32_t wpos,
                                  int32_t npos, std::u16string_view date,
                                  std::u16string_view place, std::u16string_view detail,
                                  std::string_view userName);
std::string BuildTrackingLineDelete(std::u16string_view suffix, int32_t irid, int32_t wpos);
// The status index goes in twice; the delivery date through
// NormalizeDateTimeText ("1900.01.01" for a bad one).
std::string BuildTrackingInfoSet(std::u16string_view suffix, int32_t irid, int state,
                                 std::u16string_view header, std::u16string_view signedBy,
                                 std::u16string_view deliveryDate);

// The position proposed for a new line after the lines (in position
// order): 5 for none; otherwise the last line below 100 plus 5, at most
// 99; 5 when every line is at 100 or above.
int NextTrackingPosition(const std::vector<TrackingLine>& lines);

// 0 when the line may be saved, else the message: 310040 no date and time,
// 310041 no detail, 310042 a position that is not a number, negative,
// above 255, or from 100 to 199 on a new line.
int CheckTrackingLine(std::u16string_view date, std::u16string_view detail,
                      std::u16string_view position, bool newLine);

// The outcome of a write: done, or the text to show.
struct TrackingWriteResult {
  bool ok = false;
  int32_t result = 0;        // the procedure's result when it answered
  std::u16string error;      // what to tell the operator when not ok
};
TrackingWriteResult ReadTrackingWriteResult(int sent, std::string_view reply);

class CTrackingEditor {
 public:
  explicit CTrackingEditor(TrackingEditorLink& link);

  // Settings of the login.
  bool canEdit = false;             // xRight:4/0x08
  bool showTrackingWeight = false;  // no station, dictionary value 71, or xRight:10/0x40
  // "now" as strftime text; tests replace it.
  std::function<std::u16string(const char* format)> now;

  // ---- what the dialog shows ----
  int32_t irid = 0;
  std::u16string numberText;   // box 1121
  bool chinese = true;
  // the line being edited
  int32_t wpos = 0;
  std::u16string position, date, place, detail;
  bool newLine = true;
  bool positionEnabled = true;
  bool saveEnabled = false;
  bool deleteEnabled = false;
  std::u16string lineLabel;    // label 1339
  // status and header
  int state = 0;
  std::u16string deliveryDate, signedBy, header;
  std::vector<TrackingLine> lines;

  std::u16string Suffix() const { return chinese ? u"" : u"_en"; }

  // Shows a waybill: keeps the id and number, reloads everything.  False
  // (nothing changed but the id) when the server does not return it.
  bool Open(int32_t recordId, std::u16string_view number);
  // Status, header and lines; false (message 20005 for the caller) when the
  // waybill did not come.
  bool ReloadAll();
  void ReloadLines();
  void ResetLine();
  void PickLine(size_t index);
  // Inverts the language and reloads everything.
  bool SwitchLanguage();

  // The writes.  A refused save (CheckTrackingLine) sends nothing and gives
  // the message in `refusal`.
  TrackingWriteResult SaveLine(int& refusal);
  TrackingWriteResult DeleteLine();
  TrackingWriteResult Submit();

  // Statements sent, for the log of a test.
  std::vector<std::string> sent;

 private:
  // Sends a write statement (kept in `sent`) and reads its result.
  TrackingWriteResult Write(const std::string& sql);

  TrackingEditorLink& link_;
  std::u16string baseNumber_;
};
