// The null platform's host (viewer/host.h): it shows nothing and keeps what the core asked for,
// so that a test can read the open policy's titles, boxes and progress lines.
#pragma once

#include <string>
#include <vector>

struct NullHostRecord {
    std::string title;                   // the last title set
    std::vector<std::string> titles;     // every title set, in order
    std::vector<std::string> errors;     // the error boxes shown
    std::vector<std::string> progress;   // the progress lines begun
    int progressRunning = 0;             // begun and not yet ended
    void (*whileErrorShows)() = nullptr; // what a box's modal loop hands on meanwhile, if any
    std::string watchedFolder;           // the folder being watched
    std::vector<int> later;              // the timers asked for (HostLater), in order
};

extern NullHostRecord nullHost;
