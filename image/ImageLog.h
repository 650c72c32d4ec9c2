#pragma once
// Where the image library's notices go (lines that are no error of a call,
// such as a JPEG stream with too many padding bytes).  The program's log
// installs its sink; without one the lines go to standard error.

#include <functional>
#include <string_view>

namespace image {

using LogSink = std::function<void(std::string_view line)>;

// Installs the sink (an empty function restores standard error) and returns
// the one it replaces.
LogSink SetLogSink(LogSink sink);
void LogLine(std::string_view line);

}  // namespace image
