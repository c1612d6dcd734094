#include "sdl/open.h"

#include <SDL.h>
#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
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

static pid_t forkingProcess = 0;

static void NoteForkingProcess()
{
    forkingProcess = getpid();
}

// SDL shows a message box from a process it forks: that process dies with the program, so that
// no box outlives it, whatever ends the program.
static void DieWithForkingProcess()
{
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != forkingProcess) _exit(1); // already gone before the line above
}

static void ShowError(SDL_Window* window, const std::string& text)
{
    std::fprintf(stderr, "trackview: %s\n", text.c_str());
    static bool registered = false;
    if (!registered) pthread_atfork(NoteForkingProcess, nullptr, DieWithForkingProcess);
    registered = true;
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Error", text.c_str(), window);
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
    if (!ViewerOpenFile(path, &error)) ShowError(window, error);
    SDL_SetWindowTitle(window, ViewerTitle().c_str());
}
