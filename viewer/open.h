// Showing a model file instead of the built-in mesh, the same in both programs: the command line,
// and what opening a file does (read it, name it in the title, say that a slow read is under
// way, say why a file cannot be read, keep the mesh shown when it cannot). The showing itself
// goes through the host (viewer/host.h); no platform code here.
#pragma once

#include <string>
#include <vector>

#include "loader/load.h"

// The usage text of both programs: what they take and which keys and buttons do what.
std::string ViewerUsage();

enum ViewerAction { VIEWER_RUN, VIEWER_HELP, VIEWER_VERSION, VIEWER_USAGE_ERROR };

struct ViewerArgs {
    ViewerAction action = VIEWER_RUN;
    std::string file;  // empty: the built-in mesh
    bool watch = true; // follow the file as it changes (--no-watch: no)
    std::string error; // one line for a usage error, without the program's name
};

// The arguments after the program's name (UTF-8): at most one file, and --no-watch; --help or
// --version alone; "--" ends the options, so that a file may begin with '-'.
ViewerArgs ParseViewerArgs(const std::vector<std::string>& args);

// The file named at start-up, read before any window shows: a read still running after half a
// second says "trackview: loading NAME..." on stderr. A file that cannot be read: its line in an
// error box (and on stderr), and false: the program ends with exit code 1.
bool ViewerOpenAtStart(const std::string& path);

// A drop: each file dropped comes to ViewerDropFile, and ViewerDropEnd ends the drop and opens
// its first file (the others are passed over). While it is read the title says "loading
// NAME..." (a frame is drawn first, so that it shows); a file that cannot be read gets an error
// box, and the mesh shown stays. A drop that comes while that box is open waits until it is
// answered. Nothing happens without a rendering context.
void ViewerDropFile(const std::string& path);
void ViewerDropEnd();

// How the viewer has the loader read a model: for drawing, with points, lines and colours.
LoadOptions DrawnModel();

// Reads path and shows it (ViewerReadAndShow), then follows it. On failure the mesh stays and
// error holds the line for the user: "cannot open NAME: reason", or "cannot open NAME:LINE:
// reason".
bool ViewerOpenFile(const std::string& path, std::string* error);

// Reads path as DrawnModel says and shows it (ViewerShowMesh). On failure the mesh stays and line
// holds the loader's line: "NAME: reason", or "NAME:LINE: reason".
bool ViewerReadAndShow(const std::string& path, std::string* line);

// Draws mesh's contents from now on (taken over, kept until the next swap) and names the title
// after path; rotation, spin, fog and wireframe stay. Asks for a frame. False, and the mesh shown
// stays, when there is no memory for its arrays.
bool ViewerShowMesh(MeshData* mesh, const std::string& path);

// The window title in UTF-8: "NAME - " and the usual title while a file is shown; the usual
// title alone for the built-in mesh.
std::string ViewerTitle();
