#pragma once
// Private window messages between windows and threads of the program.
//
// A private message is a number (kWmUser + n, or one of the device numbers
// such as 0x66A) with two parameters.  It travels as a PrivateMessageEvent,
// a custom QEvent that the receiver handles in its event():
//
//   bool CSomePage::event(QEvent* e) {
//     if (auto* m = platform::AsPrivateMessage(e)) {
//       if (m->Message() == kWmUser + 105) { Relayout(); return true; }
//     }
//     return QWidget::event(e);
//   }
//
// PostPrivateMessage may be called from any thread: the event is queued and
// delivered later on the thread of the receiver.  Events still queued when
// the receiver is destroyed are dropped with it.
//
// Records travel as payloads, never as addresses.  A message that carries a
// record (WM_PAGE_NOTIFY with the saved or deleted waybill, and every other
// private message with a record) hands over a copy that the receiver owns:
// the sender posts the record by value (copied or moved in) or as a
// std::unique_ptr, the event owns it on the way, and the receiver takes it:
//
//   // the form, after saving
//   platform::PostPrivateMessage(page, WM_PAGE_NOTIFY, kSaved, record_);  // a copy
//
//   // the page
//   if (m->Message() == WM_PAGE_NOTIFY) {
//     if (std::unique_ptr<WaybillRecord> record = m->TakePayload<WaybillRecord>())
//       UpdateRow(m->WParam(), *record);
//     return true;
//   }
//
// A payload the receiver does not take, or whose message is never delivered
// (the receiver was destroyed first, or the application object went away),
// is destroyed with its event.  The two numeric parameters never carry the
// address of a record: by the time a posted message arrives the form that
// owned it may have changed or freed it.

#include <QEvent>
#include <QObject>

#include <memory>
#include <type_traits>
#include <utility>

namespace platform {

// The first message number free for the program's own messages.
inline constexpr int kWmUser = 0x0400;

// What a message carries besides its two parameters: one owned value.
class MessagePayload {
 public:
  virtual ~MessagePayload() = default;
};

template <typename T>
class TypedMessagePayload final : public MessagePayload {
 public:
  explicit TypedMessagePayload(std::unique_ptr<T> v) : value(std::move(v)) {}
  std::unique_ptr<T> value;
};

class PrivateMessageEvent : public QEvent {
 public:
  PrivateMessageEvent(int message, quintptr wParam, qintptr lParam,
                      std::unique_ptr<MessagePayload> payload = nullptr);

  // The event type of every private message.
  static QEvent::Type EventType();

  int Message() const { return message_; }
  quintptr WParam() const { return wParam_; }
  qintptr LParam() const { return lParam_; }

  // The answer of a sent message (0 unless the receiver sets one).
  qintptr Result() const { return result_; }
  void SetResult(qintptr result) { result_ = result; }

  // Whether the message still carries a payload (of any type).
  bool HasPayload() const { return payload_ != nullptr; }
  // The payload as a T, still owned by the event; nullptr when there is
  // none or it is of another type.
  template <typename T>
  const T* Payload() const {
    auto* typed = dynamic_cast<const TypedMessagePayload<T>*>(payload_.get());
    return typed ? typed->value.get() : nullptr;
  }
  // Takes the payload: from now on the receiver owns it.  nullptr when there
  // is none, it was taken already, or it is of another type (it then stays
  // with the event).
  template <typename T>
  std::unique_ptr<T> TakePayload() {
    auto* typed = dynamic_cast<TypedMessagePayload<T>*>(payload_.get());
    if (typed == nullptr) return nullptr;
    std::unique_ptr<T> value = std::move(typed->value);
    payload_.reset();
    return value;
  }

 private:
  int message_;
  quintptr wParam_;
  qintptr lParam_;
  qintptr result_ = 0;
  std::unique_ptr<MessagePayload> payload_;
};

namespace detail {
template <typename T>
struct IsUniquePtr : std::false_type {};
template <typename T, typename D>
struct IsUniquePtr<std::unique_ptr<T, D>> : std::true_type {};

// A record handed over by value: a class type, not a smart pointer.
template <typename T>
concept PayloadValue =
    std::is_class_v<std::remove_cvref_t<T>> && !IsUniquePtr<std::remove_cvref_t<T>>::value;

bool PostPayloadMessage(QObject* target, int message, quintptr wParam,
                        std::unique_ptr<MessagePayload> payload);
qintptr SendPayloadMessage(QObject* target, int message, quintptr wParam,
                           std::unique_ptr<MessagePayload> payload);

// The record wrapped for the event; null for a null record.
template <typename T>
std::unique_ptr<MessagePayload> WrapPayload(std::unique_ptr<T> record) {
  if (!record) return nullptr;
  return std::make_unique<TypedMessagePayload<T>>(std::move(record));
}
}  // namespace detail

// The private message an event carries, or nullptr for any other event.
PrivateMessageEvent* AsPrivateMessage(QEvent* event);

// Queues the message for the receiver and returns at once; false when there
// is no receiver or no application object.  Safe from any thread.
bool PostPrivateMessage(QObject* target, int message, quintptr wParam = 0,
                        qintptr lParam = 0);

// Delivers the message and waits for the receiver to handle it; returns the
// answer the receiver set.  On the receiver's own thread this is a direct
// call.  From another thread the call blocks until the receiver's thread has
// handled it, so that thread must be running its event loop: a window thread
// that waits for the caller through platform::WaitForWork (QtWaitForWork.h)
// does; one blocked in any other way would never answer.  Returns 0 when
// there is no receiver, or when the receiver is destroyed before it handled
// the message.  Without an
// application object the receiver's handler is called directly.
qintptr SendPrivateMessage(QObject* target, int message, quintptr wParam = 0,
                           qintptr lParam = 0);

// The same with a record the receiver takes with TakePayload<T>() (lParam is
// 0).  A null pointer sends no payload.  When the message cannot be posted
// (no receiver, no application object) the record is destroyed at once.
template <typename T>
bool PostPrivateMessage(QObject* target, int message, quintptr wParam,
                        std::unique_ptr<T> payload) {
  return detail::PostPayloadMessage(target, message, wParam,
                                    detail::WrapPayload(std::move(payload)));
}

// The record by value: a copy of an lvalue, or the moved-in value.
template <detail::PayloadValue T>
bool PostPrivateMessage(QObject* target, int message, quintptr wParam, T&& record) {
  using Value = std::remove_cvref_t<T>;
  return PostPrivateMessage(target, message, wParam,
                            std::make_unique<Value>(std::forward<T>(record)));
}

// Sent with a record: the receiver may take it while it handles the
// message; otherwise it is destroyed when the call returns.
template <typename T>
qintptr SendPrivateMessage(QObject* target, int message, quintptr wParam,
                           std::unique_ptr<T> payload) {
  return detail::SendPayloadMessage(target, message, wParam,
                                    detail::WrapPayload(std::move(payload)));
}

template <detail::PayloadValue T>
qintptr SendPrivateMessage(QObject* target, int message, quintptr wParam, T&& record) {
  using Value = std::remove_cvref_t<T>;
  return SendPrivateMessage(target, message, wParam,
                            std::make_unique<Value>(std::forward<T>(record)));
}

}  // namespace platform
