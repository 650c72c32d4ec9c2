#pragma once
// The client's whole run: the application, the message boxes, the window
// hooks and the pages, start-up, the event loop and shut-down.  `adjust`
// (may be empty) sees the application object after its hooks are in place
// and before start-up, so that a harness can watch or drive the run.

#include <functional>

class CBrantleClientApp;

int RunClient(int argc, char** argv, const std::function<void(CBrantleClientApp&)>& adjust);
