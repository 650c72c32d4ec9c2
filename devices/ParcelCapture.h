#pragma once
// What the camera window does with a frame: the capture kinds, the capture
// of a waybill's parcel (grab to "DATA/cappic.dib", then the kind's action)
// and the upload: JPEG of quality 90, a position allotted by
// cp_client_rec_picc_set, the bytes stored by an UPDATE with a hex literal.
//
// The operator sees every upload that was tried: the outcome, stored or not,
// names the waybill, and a failure also goes to the program's log
// (LOG_ZIZ/capture.log); no message box stops the desk.  A capture without
// a kind or with a position outside 1..255 does nothing at all.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "server/ProcedureCall.h"

class CCaptureWnd;

// One capture kind: its caption name, the position it fills in, and
// whether its grab is uploaded.
struct CaptureKindEntry {
  int kind;
  const char16_t* name;
  int position;
  bool uploads;
};
// The kind 0..6, null for any other.
const CaptureKindEntry* FindCaptureKind(int kind);

// Capture results (the record id when the capture ran).
inline constexpr int kCaptureNoKind = -1;
inline constexpr int kCaptureNoRecord = -2;
inline constexpr int kCaptureNoWindow = -3;
inline constexpr int kCaptureBadPosition = -4;
inline constexpr int kCaptureGrabFailed = -5;

// "{?=CALL brantle.dbo.cp_client_rec_picc_set(irid,second,pos)}".
std::string BuildPictureSlotCall(int32_t recordId, int32_t secondId, int32_t position);
// The UPDATE that stores the bytes: the length, the account (GBK, quotes
// doubled here), every byte as two upper-case hex digits, the waybill and
// the position.  The text grows with the picture.
std::string BuildPictureUpdate(std::string_view jpeg, std::string_view account, int32_t recordId,
                               int32_t position);

// How an upload ended.
struct UploadOutcome {
  enum class Result { Stored, NotEncoded, NoPosition, PositionRefused, NotStored };
  Result result = Result::NotEncoded;
  int32_t position = 0;  // the allotted position (or the refusing code)
  size_t bytes = 0;      // JPEG length
};

class CParcelCapture {
 public:
  // `send` runs "sSqlExe" (through the waiting helper in the program);
  // `account` gives the logged-in user name (GBK); the program folder ends
  // in its separator.
  CParcelCapture(serverlink::ProcedureSender send, std::function<std::string()> account,
                 std::string programFolder);

  // The kind (-1 none); 0..6 also set the position to the kind's value.
  void SetKind(int kind);
  int Kind() const { return kind_; }
  void SetPosition(int position) { position_ = position; }
  int Position() const { return position_; }
  // "图像捕捉", followed by " - " and the kind's name for a kind.
  std::u16string Caption() const;

  // The waybill of the next capture: record id, second id (the customer)
  // and its number (GBK, may be empty when the sender gave none).
  void SetParcel(int32_t recordId, int32_t secondId, std::string number);
  int32_t RecordId() const { return recordId_; }
  int32_t SecondId() const { return secondId_; }

  // Grabs the parcel through the window and runs the kind's action; the
  // record id, or one of the codes above.
  int Capture(CCaptureWnd* window);
  // Uploads the picture file for the current waybill and position.
  UploadOutcome UploadPicture();

  // What the status label shows after the last capture; empty when there
  // is nothing to tell (and after SetKind).
  const std::u16string& StatusText() const { return status_; }
  // How the last upload ended.
  const UploadOutcome& LastUpload() const { return lastUpload_; }
  void ClearStatus() { status_.clear(); }
  // "<program folder>DATA/cappic.dib".
  std::string PicturePath() const;
  // "<program folder>LOG_ZIZ/capture.log".
  std::string LogPath() const;

 private:
  // The upload's steps; UploadPicture keeps their outcome.
  UploadOutcome SendPicture();
  void Report(int textId, std::u16string_view detail, bool failure);
  std::u16string WaybillText() const;

  serverlink::ProcedureSender send_;
  std::function<std::string()> account_;
  std::string programFolder_;
  int kind_ = -1;
  int position_ = 10;
  int32_t recordId_ = 0;
  int32_t secondId_ = 0;
  std::string number_;
  std::u16string status_;
  UploadOutcome lastUpload_;
};
