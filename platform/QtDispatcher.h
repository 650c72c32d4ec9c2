#pragma once
// Running work on the user-interface thread.
//
// Worker threads must never touch a widget.  What they need shown or asked
// (a message box, the silent re-login after an expired session) they hand to
// the user-interface thread through these functions.  The user-interface
// thread is the thread of the application object; without an application
// object there is no such thread and the work runs on the calling thread.
// How the user-interface thread itself waits for slow work: QtWaitForWork.h.

#include <exception>
#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

namespace platform {

// True on the user-interface thread, and when there is no application object.
bool IsUiThread();

// Queues the work for the user-interface thread and returns at once (on that
// thread too: the work runs when control returns to the event loop).  Work
// still queued when the application object is destroyed is dropped.
void PostToUiThread(std::function<void()> work);

// Runs the work at once on the user-interface thread; from any other thread
// queues it as PostToUiThread does and returns without waiting.  The server
// link's messages go this way: a worker may hold the link's lock, which the
// user-interface thread may be waiting for.
void RunOrPostToUiThread(std::function<void()> work);

// Runs the work on the user-interface thread and waits for it: directly when
// called there, else through its event loop.  The user-interface thread
// keeps that loop running while it waits for slow work through
// platform::WaitForWork (QtWaitForWork.h), so a worker started that way may
// call this at any time; the user-interface thread must never wait for a
// worker in any other way.  An exception thrown by the work is
// passed on to the caller.  False when the work never ran: the application
// object was destroyed while the work still waited in its queue.
bool RunOnUiThread(const std::function<void()>& work);

// The same for work with a result; a value-initialised result when the work
// never ran.
template <typename Work>
auto CallOnUiThread(Work&& work) -> decltype(work()) {
  using Result = decltype(work());
  if constexpr (std::is_void_v<Result>) {
    RunOnUiThread(std::forward<Work>(work));
  } else {
    std::optional<Result> result;
    RunOnUiThread([&] { result.emplace(work()); });
    if (!result) return Result{};
    return std::move(*result);
  }
}

}  // namespace platform
