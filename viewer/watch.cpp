// The watched file and the stamps that tell whether, and when, to read it again.
#include "viewer/watch.h"

#include <cstdio>

#include "loader/path.h"
#include "loader/shown.h"
#include "viewer/host.h"
#include "viewer/open.h"

static bool allowed = false;
static std::string watched; // the file followed, or empty
static FileStamp shown;     // the stamp of what was last read, well or not
static FileStamp seen;      // the stamp at the last look
static bool lookPending = false;
static std::string note;

void WatchAllow(bool allow)
{
    allowed = allow;
}

void WatchFile(const std::string& path, const FileStamp& stamp)
{
    if (!allowed) return;
    watched = path;
    shown = seen = stamp;
    note.clear();
    HostWatchFolder(PathFolder(path));
}

static void LookLater()
{
    if (lookPending) return;
    lookPending = true;
    HostLater(TIMER_WATCH, kWatchSettleMs);
}

void WatchChanged(const std::string& name)
{
    if (watched.empty() || (!name.empty() && !PathSameName(name, PathBaseName(watched)))) return;
    LookLater();
}

// The loader's line without the file's name (as shown): "line 5: reason", or the reason.
static std::string ReasonOf(const std::string& line, const std::string& path)
{
    const std::string name = ShownText(path);
    std::string reason = line.compare(0, name.size(), name) == 0 ? line.substr(name.size()) : line;
    if (reason.compare(0, 2, ": ") == 0) return reason.substr(2);
    size_t digits = reason.find_first_not_of("0123456789", 1);
    if (reason.compare(0, 1, ":") == 0 && digits != std::string::npos && digits > 1 &&
        reason.compare(digits, 2, ": ") == 0)
        return "line " + reason.substr(1);
    return reason;
}

void WatchTick()
{
    lookPending = false;
    if (watched.empty()) return;
    FileStamp now = FileStampOf(watched);
    if (!now.exists) return; // deleted: the mesh stays until the file is back
    if (now != seen) {       // still being written: look again once it rests
        seen = now;
        LookLater();
        return;
    }
    if (now == shown) return;
    shown = now;
    std::string error;
    if (ViewerReadAndShow(watched, &error)) {
        note.clear();
    } else {
        note = "cannot read: " + ReasonOf(error, watched);
        std::fprintf(stderr, "trackview: %s\n", error.c_str());
    }
    HostSetTitle(ViewerTitle());
}

const std::string& WatchNote()
{
    return note;
}
