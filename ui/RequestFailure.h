#pragma once
// The text of a server request that failed, for the pages and lists that
// otherwise tell the operator "nothing found" (20005): a failure is never a
// list without rows.

#include <string>
#include <string_view>

// `sent` is the link's result for the request (the reply's length, or a
// negative code of the link or the transport); `reply` the reply, when one
// came.  The text names the reason: a request too large to send, a reply
// over the room for it, a connection error with its code, no answer, or
// the server's own error.  Empty when the request did not fail (an answer,
// with rows or with none).
std::u16string RequestFailureText(int sent, std::string_view reply);

// The same, shown in a message box; false (nothing shown) when the request
// did not fail.
bool ShowRequestFailure(int sent, std::string_view reply);
