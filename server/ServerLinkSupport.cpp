#include "server/ServerLinkSupport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <mutex>

#include "common/Base64.h"
#include "common/Json.h"
#include "server/ServerLink.h"

namespace serverlink {

// Every writer is called with its comma; Finish turns the last one into the
// closing brace.
RequestWriter& RequestWriter::Str(std::string_view key, std::string_view gbk) {
  JsonPutString(text_, key, gbk, true);
  return *this;
}
RequestWriter& RequestWriter::WStr(std::string_view key, std::u16string_view text) {
  JsonPutWString(text_, key, text, true);
  return *this;
}
RequestWriter& RequestWriter::Int(std::string_view key, int32_t value) {
  JsonPutInt(text_, key, value, true);
  return *this;
}
RequestWriter& RequestWriter::UInt(std::string_view key, uint32_t value) {
  JsonPutUInt(text_, key, value, true);
  return *this;
}
RequestWriter& RequestWriter::Double(std::string_view key, double value, int decimals) {
  JsonPutDouble(text_, key, value, decimals, true);
  return *this;
}
RequestWriter& RequestWriter::Base64(std::string_view key, std::string_view bytes) {
  JsonPutBase64(text_, key, bytes, true);
  return *this;
}
RequestWriter& RequestWriter::UIntArray(std::string_view key, std::span<const uint32_t> values) {
  JsonPutUIntArray(text_, key, values, true);
  return *this;
}
std::string RequestWriter::Finish() {
  if (text_.size() > 1 && text_.back() == ',') text_.pop_back();
  text_ += '}';
  return std::move(text_);
}

RequestWriter Envelope(std::string_view requestName, std::u16string_view account,
                       int32_t loginNumber) {
  RequestWriter writer;
  writer.Str("RequestName", requestName)
      .Int("TimeStamp", static_cast<int32_t>(ServerTimeStamp()))
      .WStr("cUserAc", account)
      .Int("iRand", loginNumber);
  return writer;
}

int32_t ReplyInt(std::string_view reply, std::string_view key, int32_t defaultValue) {
  return JsonGetInt(key, reply, defaultValue);
}

double ReplyDouble(std::string_view reply, std::string_view key, double defaultValue) {
  return JsonGetDouble(key, reply, defaultValue);
}

std::string ReplyString(std::string_view reply, std::string_view key, size_t n, bool fieldMode) {
  return JsonGetString(key, reply, n, fieldMode);
}

void ReplyHex16(std::string_view reply, std::string_view key, uint8_t out[16]) {
  std::string bytes;
  JsonGetHex(key, reply, bytes, 16);
  for (size_t i = 0; i < 16; ++i) out[i] = i < bytes.size() ? static_cast<uint8_t>(bytes[i]) : 0;
}

int ReplyData(std::string_view reply, size_t expected, std::string& out) {
  // Room for the Base64 text of `expected` bytes.
  size_t capacity = 4 * expected / 3 + 4;
  int decoded = JsonGetBase64("vData", reply, out, capacity);
  if (decoded < 0) {
    out.clear();
    return 0;
  }
  return decoded;
}

int32_t ReplyFirstColumnInt(std::string_view reply, int32_t defaultValue) {
  std::string_view list = JsonListBody(reply, "List");
  size_t pos = 0;
  std::string_view row;
  if (!JsonNextObject(list, pos, row)) return defaultValue;
  return JsonGetInt("0", row, defaultValue);
}

std::string LocalFileTimeText(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return {};
  std::tm local{};
  time_t when = info.st_mtime;
  if (!localtime_r(&when, &local)) return {};
  char text[64];
  std::snprintf(text, sizeof text, "%d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

bool ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
  std::string temp = path + ".partXXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  bool ok = true;
  size_t done = 0;
  while (ok && done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) ok = false;
    else done += static_cast<size_t>(n);
  }
  if (ok && ::fsync(fd) != 0) ok = false;
  // mkstemp makes the file readable by its owner only; a replaced file gets
  // the usual permissions.
  if (ok) ::fchmod(fd, 0644);
  if (::close(fd) != 0) ok = false;
  if (ok && std::rename(temp.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

namespace {
std::mutex dispatcherMutex;
ServerLinkUiDispatcher& Dispatcher() {
  static ServerLinkUiDispatcher dispatcher;
  return dispatcher;
}
}  // namespace

void RunOnUiThread(std::function<void()> work) {
  ServerLinkUiDispatcher dispatcher;
  {
    std::lock_guard<std::mutex> lock(dispatcherMutex);
    dispatcher = Dispatcher();
  }
  if (dispatcher) dispatcher(std::move(work));
  else work();
}

void SetDispatcher(ServerLinkUiDispatcher dispatcher) {
  std::lock_guard<std::mutex> lock(dispatcherMutex);
  Dispatcher() = std::move(dispatcher);
}

}  // namespace serverlink

void SetServerLinkUiDispatcher(ServerLinkUiDispatcher dispatcher) {
  serverlink::SetDispatcher(std::move(dispatcher));
}
