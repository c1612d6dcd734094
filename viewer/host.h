// What the core asks of the program that runs it. Each platform (the SDL and Win32 programs, the
// headless and the null platform) defines these once, with its own native calls, and links
// beside the core: a platform that lacks one does not link. The core includes no platform header.
#pragma once

#include <string>

// Presents the finished frame on the surface that hdc names (SwapBuffers on Win32).
void HostPresentFrame(void* hdc);

// Sets the window's title (UTF-8).
void HostSetTitle(const std::string& title);

// Shows text (one line, UTF-8) as one line on stderr and in a modal "Error" box, and returns
// once the box is answered (at once where no box can be shown).
void HostShowError(const std::string& text);

// Says line on stderr if HostProgressEnd has not come within afterMs milliseconds; the work in
// between (a long read) runs on undisturbed.
void HostProgressBegin(const std::string& line, int afterMs);
void HostProgressEnd();

// Calls WatchChanged (viewer/watch.h) on the thread of the message loop whenever something in
// folder changes (a file written, renamed into it or out of it, created or deleted), with its
// name where the system tells it. A new folder replaces the last.
void HostWatchFolder(const std::string& folder);

// The core's timers: a watched file's next look, and the whole model once it rests.
enum HostTimer { TIMER_WATCH = 1, TIMER_REST = 2 };

// Calls ViewerTimer(timer) once, on the thread of the message loop, after ms milliseconds; asked
// again before then, the timer starts over.
void HostLater(HostTimer timer, int ms);

// The address of an OpenGL function beyond version 1.1, by its name, or null (the platform's
// own lookup: wglGetProcAddress, SDL's, EGL's). The context is current.
void* HostGLProc(const char* name);

// What the platform calls when a timer of HostLater is due (in the core).
void ViewerTimer(int timer);
