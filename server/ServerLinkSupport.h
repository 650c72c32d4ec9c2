#pragma once
// Helpers of the server link that no other folder uses: writing a request
// object, reading a reply, the local files the link replaces, and the
// hand-over of messages to the user-interface thread.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace serverlink {

// Writes one flat JSON object left to right: every field after the first is
// preceded by a comma.  Narrow texts are GBK and go out as UTF-8.
class RequestWriter {
 public:
  RequestWriter() : text_("{") {}
  RequestWriter& Str(std::string_view key, std::string_view gbk);
  RequestWriter& WStr(std::string_view key, std::u16string_view text);
  RequestWriter& Int(std::string_view key, int32_t value);
  RequestWriter& UInt(std::string_view key, uint32_t value);
  RequestWriter& Double(std::string_view key, double value, int decimals);
  RequestWriter& Base64(std::string_view key, std::string_view bytes);
  RequestWriter& UIntArray(std::string_view key, std::span<const uint32_t> values);
  // Closes the object and hands the text over.
  std::string Finish();
  size_t Size() const { return text_.size(); }

 private:
  std::string text_;
};

// A request's envelope: "RequestName", "TimeStamp", "cUserAc", "iRand".
RequestWriter Envelope(std::string_view requestName, std::u16string_view account,
                       int32_t loginNumber);

// Readers of a reply text (a copy is read, so the reply itself never changes).
int32_t ReplyInt(std::string_view reply, std::string_view key, int32_t defaultValue);
double ReplyDouble(std::string_view reply, std::string_view key, double defaultValue);
// A text value cut to at most n bytes; fieldMode keeps characters without a
// GBK code in the narrow-field form.
std::string ReplyString(std::string_view reply, std::string_view key, size_t n,
                        bool fieldMode);
// Hex pairs into exactly 16 bytes (zeros where the value is shorter or bad).
void ReplyHex16(std::string_view reply, std::string_view key, uint8_t out[16]);
// The Base64 value "vData" decoded with room for `expected` bytes; the
// decoded bytes, or nothing when the value is missing or does not fit.
int ReplyData(std::string_view reply, size_t expected, std::string& out);
// The first row's column "0" of an SQL reply, or the default.
int32_t ReplyFirstColumnInt(std::string_view reply, int32_t defaultValue);

// The modification time of a file in local time, "%d-%02d-%02d %02d:%02d:%02d";
// empty when the file does not exist.
std::string LocalFileTimeText(const std::string& path);

// Replaces the file with the bytes: they are written to a temporary file in
// the same folder, which is renamed over the old one only when complete.
// False (and nothing left behind) when any step fails.
bool ReplaceFileAtomically(const std::string& path, std::string_view bytes);

// Runs the work through the installed UI dispatcher, or at once.
void RunOnUiThread(std::function<void()> work);
void SetDispatcher(std::function<void(std::function<void()>)> dispatcher);

}  // namespace serverlink
