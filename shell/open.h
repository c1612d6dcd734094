// Model files in the Win32 program: the command line as UTF-8, the file it names read before any
// window, files dropped on the window, and a title that names the file shown. Text goes to the
// system as UTF-16, so that any file name shows as it is.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

struct ViewerArgs;

// The arguments after the program's name, as UTF-8 (GetCommandLineW, CommandLineToArgvW).
ViewerArgs ParseCommandLine();

// --help, --version and usage errors: a box, and the exit code (0, or 2 for a usage error).
int AnswerArguments(const ViewerArgs& args);

// Reads the file and shows it; a read that takes longer than half a second says so on stderr.
// A file that cannot be read: its line on stderr and in an error box, then false.
bool OpenAtStart(const std::string& path);

// Sets the window's title to ViewerTitle(), or to text.
void SetViewerTitle(HWND hwnd, const std::string& text = "");

// WM_DROPFILES: opens the first file; a file that cannot be read leaves the mesh as it was and
// shows an error box. The title says "loading ..." (with a frame drawn) while it is read.
void OpenDropped(HWND hwnd, HDROP drop);
