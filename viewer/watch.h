// Following the file shown while something rewrites it: an exporter writing in place, an editor
// saving a new file and renaming it over the old one, a copy in several writes. Once the file's
// stamp has stayed put for a moment it is read again; rotation, zoom, position, spin, fog and
// wireframe stay, only the mesh changes. A read that fails keeps the mesh, says why on stderr and
// in the title ("NAME (cannot read: reason)"), and the next change tries again; a deleted file
// keeps its mesh until it is back. No box: one for every save of a half-written export would be
// a nuisance. Driven by the system's notices (HostWatchFolder), never by looking again and again.
#pragma once

#include <string>

#include "loader/stamp.h"

// How long a file must stay as it is before it is read again.
const int kWatchSettleMs = 250;

// Whether files are followed at all (--no-watch: no); the built-in mesh never is.
void WatchAllow(bool allowed);

// The file now shown, read as it was at stamp.
void WatchFile(const std::string& path, const FileStamp& stamp);

// From the platform: something named name (empty: not known) changed in the watched folder.
void WatchChanged(const std::string& name);

// The moment of HostLater(TIMER_WATCH) has come.
void WatchTick();

// Why the last read of the watched file failed ("cannot read: ..."), or empty.
const std::string& WatchNote();
