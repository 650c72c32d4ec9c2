#pragma once
// Process-wide signal settings.

namespace platform {

// Writing to a socket or pipe whose peer has gone must give the writer an
// error, not end the program: SIGPIPE is ignored unless the program already
// set a handler of its own.  Safe to call from any thread, any number of
// times.  Returns false when the signal disposition could not be changed.
bool IgnoreBrokenPipe();

}  // namespace platform
