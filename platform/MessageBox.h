#pragma once
// The one message-box function of the program.  Logic that "shows message n"
// calls ShowMessageBox; the application installs a service that shows a real
// dialog on the user-interface thread, tests install a recording service.

#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Button and icon flags, and results, with the values the stored settings and
// callers use.
enum : unsigned {
  kMbOk = 0x00,
  kMbOkCancel = 0x01,
  kMbAbortRetryIgnore = 0x02,
  kMbYesNoCancel = 0x03,
  kMbYesNo = 0x04,
  kMbRetryCancel = 0x05,
  kMbTypeMask = 0x0F,
  kMbIconError = 0x10,
  kMbIconQuestion = 0x20,
  kMbIconWarning = 0x30,
  kMbIconInformation = 0x40,
  kMbIconMask = 0xF0,
  kMbDefButton2 = 0x100,
  kMbDefButton3 = 0x200,
};

enum : int {
  kIdOk = 1,
  kIdCancel = 2,
  kIdAbort = 3,
  kIdRetry = 4,
  kIdIgnore = 5,
  kIdYes = 6,
  kIdNo = 7,
};

// The answer a box gives when nobody can answer it: its default button.
int DefaultAnswer(unsigned flags);

class MessageBoxService {
 public:
  virtual ~MessageBoxService() = default;
  // Shows the text and returns the button pressed (kIdOk ...).
  virtual int Show(std::u16string_view text, std::u16string_view caption,
                   unsigned flags) = 0;
};

// Without a window system: writes the text to standard error and answers the
// default button.
class ConsoleMessageBoxService : public MessageBoxService {
 public:
  int Show(std::u16string_view text, std::u16string_view caption,
           unsigned flags) override;
};

// For tests: keeps every box shown and answers from a queue of prepared
// answers (the default button once the queue is empty).
class RecordingMessageBoxService : public MessageBoxService {
 public:
  struct Shown {
    std::u16string text;
    std::u16string caption;
    unsigned flags;
  };
  int Show(std::u16string_view text, std::u16string_view caption,
           unsigned flags) override;
  void QueueAnswer(int answer);
  std::vector<Shown> Messages() const;
  std::u16string LastText() const;
  size_t Count() const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::vector<Shown> shown_;
  std::deque<int> answers_;
};

// Installs the service used from now on (nullptr restores the console one)
// and returns the one it replaces.  The service must outlive its use.
MessageBoxService* SetMessageBoxService(MessageBoxService* service);
MessageBoxService& CurrentMessageBoxService();

int ShowMessageBox(std::u16string_view text, std::u16string_view caption = {},
                   unsigned flags = kMbOk);

// Installs a service for the life of a scope (tests).
class ScopedMessageBoxService {
 public:
  explicit ScopedMessageBoxService(MessageBoxService* service)
      : previous_(SetMessageBoxService(service)) {}
  ~ScopedMessageBoxService() { SetMessageBoxService(previous_); }
  ScopedMessageBoxService(const ScopedMessageBoxService&) = delete;
  ScopedMessageBoxService& operator=(const ScopedMessageBoxService&) = delete;

 private:
  MessageBoxService* previous_;
};

}  // namespace platform
