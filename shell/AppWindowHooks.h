#pragma once
// Joins the application object to the windows of the program: the login
// dialog, the main frame with its view, menu captions, the clipboard, the
// file and list pickers.  The client program installs these; tests of the
// start-up install their own.

class CBrantleClientApp;
namespace platform {
class QtMessageBoxService;
}

// Fills app.hooks with the real windows.  The message-box service (when
// given) gets the main frame as the parent of its boxes.
void InstallWindowHooks(CBrantleClientApp& app, platform::QtMessageBoxService* boxes = nullptr);
