// Showing a model file instead of the built-in mesh: the command line both programs take, the
// texts that name the file (title, progress, errors) and the swap of the mesh drawn. No platform
// code: each program shows the texts and boxes its own way.
#pragma once

#include <string>
#include <vector>

#include "mesh/mesh_data.h"

constexpr char kViewerUsage[] =
    "usage: trackview [FILE | --help | --version]\n"
    "Shows FILE (.obj, .ply, .stl, .gltf, .glb), or the built-in mesh, in a window.\n"
    "A file dropped on the window is shown in its place.\n"
    "  drag with the left button   turn the mesh; released away from the press point, it spins\n"
    "  click without moving        stop it\n"
    "  f                           fog on or off\n"
    "  p                           wireframe on or off\n"
    "  Esc                         quit\n";

enum ViewerAction { VIEWER_RUN, VIEWER_HELP, VIEWER_VERSION, VIEWER_USAGE_ERROR };

struct ViewerArgs {
    ViewerAction action = VIEWER_RUN;
    std::string file;  // empty: the built-in mesh
    std::string error; // one line for a usage error, without the program's name
};

// The arguments after the program's name (UTF-8): at most one file; --help or --version alone;
// "--" ends the options, so that a file may begin with '-'.
ViewerArgs ParseViewerArgs(const std::vector<std::string>& args);

// "loading NAME...": the title while a file loads, and the progress line of a slow start.
std::string LoadingText(const std::string& path);

// Reads path and shows it (ViewerShowMesh). On failure the mesh stays and error holds the line
// for the user: "cannot open NAME: reason", or "cannot open NAME:LINE: reason".
bool ViewerOpenFile(const std::string& path, std::string* error);

// Draws mesh's contents from now on (taken over, kept until the next swap) and names the title
// after path; rotation, spin, fog and wireframe stay. Asks for a frame.
void ViewerShowMesh(MeshData* mesh, const std::string& path);

// The window title in UTF-8: "NAME - " and the usual title while a file is shown; the usual
// title alone for the built-in mesh.
std::string ViewerTitle();
