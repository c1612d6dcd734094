// The Win32 program's host (viewer/host.h) and its one error box.
#pragma once

#include <windows.h>

#include <string>

// text as one line on stderr ("trackview: text") and in a modal "Error" box owned by owner (may
// be null); returns once the box is answered. Text goes to the system as UTF-16, so that any
// file name shows as it is.
void ShowErrorBox(HWND owner, const std::string& text);

// ShowErrorBox, then the end of the process with exit code 1: a failure the program cannot run
// past.
[[noreturn]] void ExitWithError(HWND owner, const char* text);

// The message a change in the watched folder posts to the window; the window procedure hands it
// on to the core (WatchChanged), and HostLater's window timers (numbered as HostTimer) too.
const UINT kWatchChanged = WM_APP + 1;

// The window that gets kWatchChanged (the watch may begin before it exists).
void WatchTarget(HWND window);
