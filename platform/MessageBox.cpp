#include "platform/MessageBox.h"

#include <atomic>
#include <cstdio>

#include "platform/CodePage.h"

namespace platform {
namespace {

ConsoleMessageBoxService& ConsoleService() {
  static ConsoleMessageBoxService service;
  return service;
}

std::atomic<MessageBoxService*> g_service{nullptr};

}  // namespace

int DefaultAnswer(unsigned flags) {
  unsigned defButton = (flags & kMbDefButton3) ? 2 : (flags & kMbDefButton2) ? 1 : 0;
  static const int kButtons[][3] = {
      {kIdOk, kIdOk, kIdOk},            // OK
      {kIdOk, kIdCancel, kIdCancel},    // OK Cancel
      {kIdAbort, kIdRetry, kIdIgnore},  // Abort Retry Ignore
      {kIdYes, kIdNo, kIdCancel},       // Yes No Cancel
      {kIdYes, kIdNo, kIdNo},           // Yes No
      {kIdRetry, kIdCancel, kIdCancel}, // Retry Cancel
  };
  unsigned type = flags & kMbTypeMask;
  if (type > 5) type = 0;
  return kButtons[type][defButton];
}

int ConsoleMessageBoxService::Show(std::u16string_view text,
                                   std::u16string_view caption, unsigned flags) {
  std::string t = EncodeCodePage(kCodePageUtf8, text);
  std::string c = EncodeCodePage(kCodePageUtf8, caption);
  std::fprintf(stderr, "[%s] %s\n", c.c_str(), t.c_str());
  return DefaultAnswer(flags);
}

int RecordingMessageBoxService::Show(std::u16string_view text,
                                     std::u16string_view caption, unsigned flags) {
  std::lock_guard<std::mutex> lock(mutex_);
  shown_.push_back({std::u16string(text), std::u16string(caption), flags});
  if (answers_.empty()) return DefaultAnswer(flags);
  int answer = answers_.front();
  answers_.pop_front();
  return answer;
}

void RecordingMessageBoxService::QueueAnswer(int answer) {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_.push_back(answer);
}

std::vector<RecordingMessageBoxService::Shown> RecordingMessageBoxService::Messages() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return shown_;
}

std::u16string RecordingMessageBoxService::LastText() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return shown_.empty() ? std::u16string() : shown_.back().text;
}

size_t RecordingMessageBoxService::Count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return shown_.size();
}

void RecordingMessageBoxService::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  shown_.clear();
  answers_.clear();
}

MessageBoxService* SetMessageBoxService(MessageBoxService* service) {
  MessageBoxService* previous = g_service.exchange(service);
  return previous;
}

MessageBoxService& CurrentMessageBoxService() {
  MessageBoxService* service = g_service.load();
  return service ? *service : ConsoleService();
}

int ShowMessageBox(std::u16string_view text, std::u16string_view caption,
                   unsigned flags) {
  return CurrentMessageBoxService().Show(text, caption, flags);
}

}  // namespace platform
