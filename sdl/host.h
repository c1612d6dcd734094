// The SDL program's host (viewer/host.h), its message boxes, and how it ends on a signal.
#pragma once

#include <SDL.h>

#include <string>

// From now on SIGTERM and SIGINT end the program at once with exitCode, or, with exitCode -1, as
// the signal ends any program (while nothing has shown yet). An error box before the window makes
// it 1: start-up has failed. Nothing the program holds outlives it: the X server drops its
// windows and the kernel its context.
void SdlEndOnSignals(int exitCode);

// SDL draws a box's text in the characters of the locale its box process takes from the
// environment: under LC_ALL=C a UTF-8 name would end the text at its first accent. Makes that
// locale UTF-8 (C.UTF-8) where it is not. Once, before any thread starts.
void SdlBoxesInUtf8();

// Shows a box (owned by the window, if there is one) and waits until it is answered; its text is
// broken into lines that fit the screen. SDL draws it in a process it forks, which dies with the
// program, whatever ends the program. False, with the
// reason on stderr ("no message box could be shown for the WHAT"), when no box could be shown.
bool SdlShowBox(Uint32 flags, const char* caption, const std::string& text, const char* what);

// The host's own events (a change in the watched folder, a moment come), handed to the core.
void SdlHostEvent(const SDL_Event& event);
