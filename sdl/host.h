// The SDL program's host (viewer/host.h), its message boxes, and how it ends on a signal.
#pragma once

#include <SDL.h>

#include <string>

// From now on SIGTERM and SIGINT end the program at once with exitCode, or, with exitCode -1, as
// the signal ends any program (while nothing has shown yet). An error box before the window makes
// it 1: start-up has failed. Nothing the program holds outlives it: the X server drops its
// windows and the kernel its context.
void SdlEndOnSignals(int exitCode);

// Shows a box (owned by the window, if there is one) and waits until it is answered. SDL draws it
// in a process it forks, which dies with the program, whatever ends the program. False, with the
// reason on stderr ("no message box could be shown for the WHAT"), when no box could be shown.
bool SdlShowBox(Uint32 flags, const char* caption, const std::string& text, const char* what);
