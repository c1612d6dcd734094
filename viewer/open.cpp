// The open policy of both programs (see open.h).
#include "viewer/open.h"

#include <utility>

#include "loader/formats.h"
#include "loader/load.h"
#include "loader/path.h"
#include "loader/shown.h"
#include "loader/stamp.h"
#include "viewer/host.h"
#include "viewer/model.h"
#include "viewer/render.h"
#include "viewer/state.h"
#include "viewer/watch.h"

// A read that takes longer than this says so.
const int kProgressDelayMs = 500;

// The name of the file whose model is shown (viewer/model.h holds the model).
static std::string shownName;

std::string ViewerUsage()
{
    return "usage: trackview [--no-watch] [FILE] | --help | --version\n"
           "Shows FILE (" +
           ModelFormatList() +
           "), or the built-in mesh, in a window, and shows\n"
           "it again whenever it changes on disk (not with --no-watch).\n"
           "A file dropped on the window is shown in its place.\n"
           "  drag with the left button   turn the mesh; released away from the press point, it "
           "spins\n"
           "  click without moving        stop it\n"
           "  drag with the right button  move it (the middle button too)\n"
           "  wheel, + and -              zoom in and out (the wheel about the pointer)\n"
           "  r                           back to the view it opened in\n"
           "  c                           the file's own colours on or off, if it has any\n"
           "  f                           fog on or off\n"
           "  p                           wireframe on or off\n"
           "  Esc                         quit\n";
}

static ViewerArgs UsageError(const std::string& line)
{
    ViewerArgs parsed;
    parsed.action = VIEWER_USAGE_ERROR;
    parsed.error = line;
    return parsed;
}

ViewerArgs ParseViewerArgs(const std::vector<std::string>& args)
{
    ViewerArgs parsed;
    std::string last;                  // the argument taken last
    bool file = false, answer = false; // a file, --help or --version taken
    bool options = true;
    for (const std::string& arg : args) {
        if (options && arg == "--") {
            options = false;
            continue;
        }
        bool option = options && arg.size() > 1 && arg[0] == '-';
        bool isAnswer = option && (arg == "--help" || arg == "--version");
        bool isNoWatch = option && arg == "--no-watch";
        if (option && !isAnswer && !isNoWatch)
            return UsageError("unknown argument '" + arg + "' (try --help)");
        // One file and --no-watch, in any order; --help and --version alone.
        if (answer || (isAnswer && !last.empty()) || (!option && file) ||
            (isNoWatch && !parsed.watch))
            return UsageError("unexpected argument '" + arg + "' after '" + last +
                              "' (one file at most; --help and --version come alone)");
        if (arg.empty()) return UsageError("an empty file name (try --help)");
        last = arg;
        answer = isAnswer;
        if (isAnswer) parsed.action = arg == "--help" ? VIEWER_HELP : VIEWER_VERSION;
        if (isNoWatch) parsed.watch = false;
        if (!option) {
            parsed.file = arg;
            file = true;
        }
    }
    return parsed;
}

LoadOptions DrawnModel()
{
    LoadOptions options;
    options.use = MeshUse::drawn;
    return options;
}

// "loading NAME...": the title while a dropped file loads, and the progress line of a slow start.
static std::string LoadingText(const std::string& path)
{
    return "loading " + ShownText(PathBaseName(path)) + "...";
}

bool ViewerOpenAtStart(const std::string& path)
{
    std::string error;
    HostProgressBegin("trackview: " + LoadingText(path), kProgressDelayMs);
    bool opened = ViewerOpenFile(path, &error);
    HostProgressEnd();
    if (!opened) HostShowError(error);
    return opened;
}

static std::string dropped;           // the first file of the drop under way
static bool opening = false;          // a dropped file is being read, or its error box is shown
static std::vector<std::string> held; // drops that came meanwhile, opened in turn afterwards

static void OpenDropped(const std::string& path)
{
    HostSetTitle(LoadingText(path));
    RenderFrame(); // presenting lets the title reach the screen before the read
    std::string error;
    bool opened = ViewerOpenFile(path, &error);
    HostSetTitle(ViewerTitle());
    if (!opened) HostShowError(error);
}

void ViewerDropFile(const std::string& path)
{
    if (dropped.empty()) dropped = path;
}

void ViewerDropEnd()
{
    std::string first;
    first.swap(dropped);
    if (first.empty() || !viewer.hglrc) return;
    // A box's modal loop may hand on another drop: it waits, as the other program's queue would.
    held.push_back(first);
    if (opening) return;
    opening = true;
    while (!held.empty()) {
        std::string next = held.front();
        held.erase(held.begin());
        OpenDropped(next);
    }
    opening = false;
}

bool ViewerOpenFile(const std::string& path, std::string* error)
{
    std::string reason;
    FileStamp stamp = FileStampOf(path); // before the read: a change meanwhile is seen later
    if (ViewerReadAndShow(path, &reason)) {
        WatchFile(path, stamp);
        return true;
    }
    // The loader's line starts with the name as shown; "cannot open" is said once.
    const std::string unreadable = ShownText(path) + ": cannot open: ";
    if (reason.compare(0, unreadable.size(), unreadable) == 0)
        reason = ShownText(path) + ": " + reason.substr(unreadable.size());
    *error = "cannot open " + reason;
    return false;
}

bool ViewerReadAndShow(const std::string& path, std::string* line)
{
    MeshData mesh;
    if (!LoadModelFile(path, DrawnModel(), &mesh, line)) return false;
    if (ViewerShowMesh(&mesh, path)) return true;
    *line = ShownText(path) + ": too large for memory";
    return false;
}

bool ViewerShowMesh(MeshData* mesh, const std::string& path)
{
    if (!ModelShow(mesh)) return false;
    shownName = ShownText(PathBaseName(path));
    RequestRedraw();
    return true;
}

std::string ViewerTitle()
{
    if (!ModelShown()) return kWindowTitleUtf8;
    const std::string& note = WatchNote();
    return shownName + (note.empty() ? "" : " (" + note + ")") + " -" + kWindowTitleUtf8;
}
