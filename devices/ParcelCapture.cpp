#include "devices/ParcelCapture.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "common/FieldCheck.h"
#include "common/Json.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "devices/CaptureWnd.h"
#include "image/RasterImage.h"
#include "server/ServerLink.h"

namespace {

constexpr CaptureKindEntry kKinds[] = {
    {0, u"物品定义", 3, false},  {1, u"物品入库", 10, false}, {2, u"转发到件", 1, false},
    {3, u"快递录单", 1, true},   {4, u"快递补单", 5, true},   {5, u"快递发送", 20, true},
    {6, u"快递扫描", 50, true},
};

constexpr int kJpegQuality = 90;

// Status texts (the first names the waybill, the second a detail).
constexpr int kTextStored = 704000;
constexpr int kTextNotEncoded = 704001;
constexpr int kTextNoPosition = 704002;
constexpr int kTextPositionRefused = 704003;
constexpr int kTextNotStored = 704004;
constexpr int kTextNoFrame = 704005;
constexpr int kTextNoCamera = 704006;
constexpr int kTextNoWaybill = 704007;

std::u16string Number(long long value) {
  const std::string text = std::to_string(value);
  return std::u16string(text.begin(), text.end());
}

// The statement reply's "ReturnValue", or the transfer result when no
// reply came.
int ReplyCode(int sent, const std::string& reply) {
  return sent > 0 ? JsonGetInt("ReturnValue", reply, 0) : sent;
}

}  // namespace

const CaptureKindEntry* FindCaptureKind(int kind) {
  for (const CaptureKindEntry& entry : kKinds)
    if (entry.kind == kind) return &entry;
  return nullptr;
}

std::string BuildPictureSlotCall(int32_t recordId, int32_t secondId, int32_t position) {
  char text[128];
  std::snprintf(text, sizeof text, "{?=CALL brantle.dbo.cp_client_rec_picc_set(%d,%d,%d)}",
                recordId, secondId, position);
  return text;
}

std::string BuildPictureUpdate(std::string_view jpeg, std::string_view account, int32_t recordId,
                               int32_t position) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  char head[64];
  std::snprintf(head, sizeof head, "UPDATE brantle.dbo.client_rec_picc SET ilen=%d",
                static_cast<int>(jpeg.size()));
  char tail[64];
  std::snprintf(tail, sizeof tail, " WHERE irid=%d AND npos=%d", recordId, position);
  const std::string quoted = QuoteSqlNarrow(account);
  std::string sql;
  sql.reserve(jpeg.size() * 2 + quoted.size() + 160);
  sql += head;
  sql += ",cext='jpg',ddate=GETDATE(),cinput='";
  sql += quoted;
  sql += "',vdata=0x";
  for (unsigned char byte : jpeg) {
    sql += kHex[byte >> 4];
    sql += kHex[byte & 0x0F];
  }
  sql += tail;
  return sql;
}

CParcelCapture::CParcelCapture(serverlink::ProcedureSender send,
                               std::function<std::string()> account, std::string programFolder)
    : send_(std::move(send)), account_(std::move(account)), programFolder_(std::move(programFolder)) {}

void CParcelCapture::SetKind(int kind) {
  kind_ = kind;
  if (const CaptureKindEntry* entry = FindCaptureKind(kind)) position_ = entry->position;
  status_.clear();
}

std::u16string CParcelCapture::Caption() const {
  std::u16string caption = u"图像捕捉";
  if (const CaptureKindEntry* entry = FindCaptureKind(kind_)) {
    caption += u" - ";
    caption += entry->name;
  }
  return caption;
}

void CParcelCapture::SetParcel(int32_t recordId, int32_t secondId, std::string number) {
  recordId_ = recordId;
  secondId_ = secondId;
  number_ = std::move(number);
}

std::string CParcelCapture::PicturePath() const { return programFolder_ + "DATA/cappic.dib"; }

std::string CParcelCapture::LogPath() const { return programFolder_ + "LOG_ZIZ/capture.log"; }

std::u16string CParcelCapture::WaybillText() const {
  if (!number_.empty()) return WideFromGbk(number_);
  return u"#" + Number(recordId_);
}

void CParcelCapture::Report(int textId, std::u16string_view detail, bool failure) {
  std::u16string text = AppLanguage().Text(textId);
  ReplaceAllW(text, u"%1", WaybillText());
  ReplaceAllW(text, u"%2", detail);
  status_ = text;
  if (!failure) return;
  // The program's log keeps every photo that was not stored.
  std::error_code error;
  std::filesystem::create_directories(programFolder_ + "LOG_ZIZ", error);
  std::ofstream log(LogPath(), std::ios::binary | std::ios::app);
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S ", &local);
  char ids[64];
  std::snprintf(ids, sizeof ids, " [irid %d, kind %d, position %d]", recordId_, kind_, position_);
  log << stamp << Utf8FromWide(text) << ids << "\n";
}

int CParcelCapture::Capture(CCaptureWnd* window) {
  status_.clear();
  if (kind_ == -1) return kCaptureNoKind;
  if (recordId_ <= 0) {
    Report(kTextNoWaybill, {}, false);
    return kCaptureNoRecord;
  }
  if (window == nullptr) {
    Report(kTextNoCamera, {}, true);
    return kCaptureNoWindow;
  }
  if (position_ < 1 || position_ > 255) return kCaptureBadPosition;
  if (window->GrabToDib(PicturePath()) == 0) {
    Report(kTextNoFrame, {}, true);
    return kCaptureGrabFailed;
  }
  const CaptureKindEntry* entry = FindCaptureKind(kind_);
  if (entry != nullptr && entry->uploads) UploadPicture();
  return recordId_;
}

UploadOutcome CParcelCapture::UploadPicture() {
  lastUpload_ = SendPicture();
  return lastUpload_;
}

UploadOutcome CParcelCapture::SendPicture() {
  UploadOutcome outcome;
  // 1, 2: the picture as JPEG.
  CRasterImage image(PicturePath().c_str(), FormatUnknown);
  uint8_t* block = nullptr;
  size_t size = 0;
  if (image.IsValid()) {
    image.SetJpegQuality(kJpegQuality);
    if (!image.Encode(block, size, FormatJpeg)) block = nullptr;
  }
  if (block == nullptr) {
    outcome.result = UploadOutcome::Result::NotEncoded;
    Report(kTextNotEncoded, {}, true);
    return outcome;
  }
  std::unique_ptr<uint8_t, decltype(&std::free)> jpeg(block, &std::free);
  outcome.bytes = size;

  // 3, 4: the position.
  const uint32_t slotTypes[] = {AcsTypeEntry(kSqlCSLong)};
  serverlink::ProcedureResult slot;
  std::string reply;
  const int sent = send_(BuildPictureSlotCall(recordId_, secondId_, position_), slotTypes, reply);
  if (sent <= 0 || !serverlink::ReadProcedureReply(reply, 1, slot)) {
    outcome.result = UploadOutcome::Result::NoPosition;
    outcome.position = ReplyCode(sent, reply);
    Report(kTextNoPosition, Number(outcome.position), true);
    return outcome;
  }
  outcome.position = slot.code;
  if (slot.code < 0 || slot.code > 255) {
    outcome.result = UploadOutcome::Result::PositionRefused;
    Report(kTextPositionRefused, Number(slot.code), true);
    return outcome;
  }

  // 5, 6: the bytes; the statement ran when its reply says so.
  const std::string update =
      BuildPictureUpdate(std::string_view(reinterpret_cast<const char*>(jpeg.get()), size),
                         account_ ? account_() : std::string(), recordId_, slot.code);
  reply.clear();
  const int stored = send_(update, {}, reply);
  if (ReplyCode(stored, reply) != 1) {
    outcome.result = UploadOutcome::Result::NotStored;
    Report(kTextNotStored, Number(ReplyCode(stored, reply)), true);
    return outcome;
  }
  outcome.result = UploadOutcome::Result::Stored;
  Report(kTextStored, Number(slot.code), false);
  return outcome;
}
