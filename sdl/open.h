// Model files in the SDL program: the one named on the command line, read before any window,
// and those dropped on the window.
#pragma once

#include <string>

// Reads the file and shows it; a read that takes longer than half a second says so on stderr.
// False with the user's line in error (see ViewerOpenFile).
bool OpenAtStart(const std::string& path, std::string* error);

// A drop arrives as SDL_DROPBEGIN, one SDL_DROPFILE per file, SDL_DROPCOMPLETE: only the first
// file is opened, so the two ends call DropReset. Its name goes into the title as "loading ..."
// (with a frame drawn) while it is read; a file that cannot be read leaves the mesh as it was and
// shows an error box.
void DropReset();
void DropFile(const char* path);
