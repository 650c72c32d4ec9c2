#pragma once
// The one way the window waits for slow work.
//
// A server request, a file download or the start of the office suite can take
// seconds (a connection may take 40 s to fail, a reply 300 s to arrive).  The
// window must not freeze meanwhile, so every such call made from the
// user-interface thread goes through WaitForWork:
//
//   int result = platform::WaitForWork([&] { return link.Login(account, password, 0); });
//
// The work runs on a worker thread of its own while the user-interface
// thread keeps its event loop running: windows repaint, timers fire, and the
// work may itself ask the user-interface thread for something
// (platform::RunOnUiThread, a message box through the message-box service, a
// message the server link shows) without a deadlock.  Meanwhile the busy
// cursor shows and the windows that were open when the wait began take no
// user input (keys, mouse, wheel, touch, the close box), just as a blocking
// call would have taken none; a window opened during the wait (a message box
// the work asks for) takes input as usual.  WaitForWork returns the work's
// result, or passes on the exception it threw.
//
// Called on any other thread, or without an application object, it runs the
// work directly: there is no window to keep alive, and blocking is normal.
// Nested use works: work started by a timer or a message box during a wait
// waits the same way; an outer wait returns once everything inside it has
// returned.
//
// The work must not touch widgets (it runs on another thread); whatever it
// needs shown goes through RunOnUiThread or the message-box service.  Never
// wait for a worker on the user-interface thread in any other way (joining
// a thread, a future's get(), a blocking lock held by the worker): that
// worker may be waiting for the user-interface thread.

#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

namespace platform {

namespace detail {
// Runs the work as described above and rethrows its exception.
void WaitForWorkCore(const std::function<void()>& work);
}  // namespace detail

template <typename Work>
auto WaitForWork(Work&& work) -> std::invoke_result_t<Work&> {
  using Result = std::invoke_result_t<Work&>;
  if constexpr (std::is_void_v<Result>) {
    detail::WaitForWorkCore([&work] { work(); });
  } else {
    std::optional<Result> result;
    detail::WaitForWorkCore([&work, &result] { result.emplace(work()); });
    return std::move(*result);
  }
}

// How many waits of WaitForWork the user-interface thread is inside right
// now (0 when none; more than 1 when they are nested).
int WaitForWorkDepth();

}  // namespace platform
