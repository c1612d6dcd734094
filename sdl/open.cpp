#include "sdl/open.h"

#include <SDL.h>
#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "viewer/open.h"
#include "viewer/render.h"
#include "viewer/state.h"

static char progressLine[512];
static size_t progressLength = 0;

static void SayProgress(int)
{
    ssize_t written = write(STDERR_FILENO, progressLine, progressLength);
    (void)written; // nothing to do about a lost progress line
}

bool OpenAtStart(const std::string& path, std::string* error)
{
    std::snprintf(progressLine, sizeof progressLine, "trackview: %s\n", LoadingText(path).c_str());
    progressLength = std::strlen(progressLine);
    struct sigaction action = {}, previous;
    action.sa_handler = SayProgress;
    action.sa_flags = SA_RESTART; // the reads go on where the line interrupts them
    sigaction(SIGALRM, &action, &previous);
    struct itimerval halfSecond = {{0, 0}, {0, 500000}}, off = {};
    setitimer(ITIMER_REAL, &halfSecond, nullptr);
    bool opened = ViewerOpenFile(path, error);
    setitimer(ITIMER_REAL, &off, nullptr);
    sigaction(SIGALRM, &previous, nullptr);
    return opened;
}

static bool dropTaken = false;

void DropReset()
{
    dropTaken = false;
}

void DropFile(const char* path)
{
    if (dropTaken) return;
    dropTaken = true;
    SDL_Window* window = static_cast<SDL_Window*>(viewer.hdc);
    SDL_SetWindowTitle(window, LoadingText(path).c_str());
    if (viewer.hglrc) RenderFrame(); // presenting also sends the title to the X server
    std::string error;
    if (!ViewerOpenFile(path, &error)) {
        std::fprintf(stderr, "trackview: %s\n", error.c_str());
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Error", error.c_str(), window);
    }
    SDL_SetWindowTitle(window, ViewerTitle().c_str());
}
