// The SDL program's side of the core's host calls: present, title, error box, progress line.
// Lacks: a palette (SDL gives true-colour visuals only).
#include "sdl/host.h"

#include <pthread.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/prctl.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "viewer/host.h"
#include "viewer/state.h"
#include "viewer/watch.h"

static SDL_Window* Window()
{
    return static_cast<SDL_Window*>(viewer.hdc);
}

void HostPresentFrame(void* hdc)
{
    SDL_GL_SwapWindow(static_cast<SDL_Window*>(hdc));
}

void HostSetTitle(const std::string& title)
{
    if (Window()) SDL_SetWindowTitle(Window(), title.c_str());
}

static volatile sig_atomic_t signalExitCode = -1; // -1: as the signal ends a program

static void EndOnSignal(int signal)
{
    if (signalExitCode >= 0) _exit(signalExitCode);
    struct sigaction fallback = {};
    fallback.sa_handler = SIG_DFL;
    sigaction(signal, &fallback, nullptr);
    sigset_t unblocked;
    sigemptyset(&unblocked);
    sigaddset(&unblocked, signal);
    sigprocmask(SIG_UNBLOCK, &unblocked, nullptr);
    raise(signal);
    _exit(128 + signal); // not reached
}

void SdlBoxesInUtf8()
{
    const char* names[] = {"LC_ALL", "LC_CTYPE", "LANG"};
    const char* locale = "C";
    for (const char* name : names) {
        const char* value = std::getenv(name);
        if (value && *value) {
            locale = value;
            break;
        }
    }
    std::string codeset = locale;
    for (char& c : codeset) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (codeset.find("utf-8") != std::string::npos || codeset.find("utf8") != std::string::npos)
        return;
    const char* variable = std::getenv("LC_ALL") && *std::getenv("LC_ALL") ? "LC_ALL" : "LC_CTYPE";
    setenv(variable, "C.UTF-8", 1);
}

void SdlEndOnSignals(int exitCode)
{
    signalExitCode = exitCode;
    struct sigaction action = {};
    action.sa_handler = EndOnSignal;
    sigaction(SIGTERM, &action, nullptr); // SDL then leaves these two to the program
    sigaction(SIGINT, &action, nullptr);
}

static pid_t forkingProcess = 0;

static void NoteForkingProcess()
{
    forkingProcess = getpid();
}

// In the process SDL forks to draw a box: it dies with the program (SIGKILL included).
static void DieWithForkingProcess()
{
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != forkingProcess) _exit(1); // already gone before the line above
}

// SDL's box grows as wide as its longest line and breaks lines only at '\n': the text is broken
// before kBoxColumns characters, at a blank where there is one.
const size_t kBoxColumns = 72;

// Characters in UTF-8 text: its bytes that are not continuation bytes.
static size_t Columns(const std::string& text)
{
    size_t columns = 0;
    for (char c : text) columns += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return columns;
}

// Greedily, word by word; a word longer than a line (a path) is broken where it reaches the edge.
static std::string BoxLines(const std::string& text)
{
    std::string lines, line;
    auto endLine = [&] {
        lines += (lines.empty() ? "" : "\n") + line;
        line.clear();
    };
    for (size_t start = 0; start <= text.size();) {
        size_t stop = std::min(text.find_first_of(" \n", start), text.size());
        std::string word = text.substr(start, stop - start);
        while (Columns(word) > kBoxColumns) {
            size_t cut = 0;
            for (size_t columns = 0; columns < kBoxColumns || (word[cut] & 0xC0) == 0x80; ++cut)
                columns += (word[cut] & 0xC0) != 0x80;
            if (!line.empty()) endLine();
            line = word.substr(0, cut);
            endLine();
            word.erase(0, cut);
        }
        if (!line.empty() && Columns(line) + 1 + Columns(word) > kBoxColumns) endLine();
        line += (line.empty() ? "" : " ") + word;
        if (stop < text.size() && text[stop] == '\n') endLine();
        start = stop + 1;
    }
    endLine();
    return lines;
}

bool SdlShowBox(Uint32 flags, const char* caption, const std::string& text, const char* what)
{
    static bool registered = false;
    if (!registered) pthread_atfork(NoteForkingProcess, nullptr, DieWithForkingProcess);
    registered = true;
    if (SDL_ShowSimpleMessageBox(flags, caption, BoxLines(text).c_str(), Window()) == 0)
        return true;
    std::fprintf(stderr, "trackview: no message box could be shown for the %s (SDL: %s)\n", what,
                 SDL_GetError());
    return false;
}

void HostShowError(const std::string& text)
{
    std::fprintf(stderr, "trackview: %s\n", text.c_str());
    if (!Window()) signalExitCode = 1; // no window yet: start-up has failed
    SdlShowBox(SDL_MESSAGEBOX_ERROR, "Error", text, "error box");
}

static char progressLine[512];
static size_t progressLength = 0;

static void SayProgress(int)
{
    ssize_t written = write(STDERR_FILENO, progressLine, progressLength);
    (void)written; // nothing to do about a lost progress line
}

static struct sigaction progressPrevious;

void HostProgressBegin(const std::string& line, int afterMs)
{
    std::snprintf(progressLine, sizeof progressLine, "%s\n", line.c_str());
    progressLength = std::strlen(progressLine);
    struct sigaction action = {};
    action.sa_handler = SayProgress;
    action.sa_flags = SA_RESTART; // the reads go on where the line interrupts them
    sigaction(SIGALRM, &action, &progressPrevious);
    struct itimerval timer = {{0, 0}, {afterMs / 1000, afterMs % 1000 * 1000}};
    setitimer(ITIMER_REAL, &timer, nullptr);
}

void HostProgressEnd()
{
    struct itimerval off = {};
    setitimer(ITIMER_REAL, &off, nullptr);
    sigaction(SIGALRM, &progressPrevious, nullptr);
}

// Watching: an inotify descriptor on the folder, read by a thread of its own that hands each
// change on as an event; the timers of HostLater come from SDL's timer thread the same way. Both
// threads sleep while nothing happens.
static Uint32 watchEvents = 0; // a change (its name in data1), then a timer due (its number)
static int watchDescriptor = -1, watchFolder = -1;

static int ReadChanges(void*)
{
    alignas(inotify_event) char buffer[4096 + NAME_MAX + 1];
    for (;;) {
        ssize_t got = read(watchDescriptor, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return 0;
        for (char* p = buffer; p + sizeof(inotify_event) <= buffer + got;) {
            const inotify_event* change = reinterpret_cast<const inotify_event*>(p);
            SDL_Event event = {};
            event.type = watchEvents;
            event.user.data1 = SDL_strdup(change->len ? change->name : "");
            if (SDL_PushEvent(&event) != 1) SDL_free(event.user.data1);
            p += sizeof(inotify_event) + change->len;
        }
    }
}

void HostWatchFolder(const std::string& folder)
{
    if (watchEvents == 0) watchEvents = SDL_RegisterEvents(2);
    if (watchEvents == Uint32(-1)) return;
    if (watchDescriptor < 0) {
        watchDescriptor = inotify_init1(IN_CLOEXEC);
        if (watchDescriptor < 0) return;
        SDL_DetachThread(SDL_CreateThread(ReadChanges, "trackview-watch", nullptr));
    }
    if (watchFolder >= 0) inotify_rm_watch(watchDescriptor, watchFolder);
    watchFolder = inotify_add_watch(watchDescriptor, folder.c_str(),
                                    IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB | IN_CREATE | IN_DELETE |
                                        IN_MOVED_FROM | IN_MOVED_TO);
}

// The timers of HostLater by number, and the one SDL runs for each.
static SDL_TimerID timers[TIMER_REST + 1];

static Uint32 TimerDue(Uint32, void* timer)
{
    SDL_Event event = {};
    event.type = watchEvents + 1;
    event.user.code = int(reinterpret_cast<intptr_t>(timer));
    SDL_PushEvent(&event);
    return 0; // once
}

void HostLater(HostTimer timer, int ms)
{
    if (watchEvents == 0) watchEvents = SDL_RegisterEvents(2);
    if (watchEvents == Uint32(-1)) return;
    if (timers[timer]) SDL_RemoveTimer(timers[timer]);
    timers[timer] = SDL_AddTimer(Uint32(ms), TimerDue, reinterpret_cast<void*>(intptr_t(timer)));
}

void* HostGLProc(const char* name)
{
    return SDL_GL_GetProcAddress(name);
}

void SdlHostEvent(const SDL_Event& event)
{
    if (watchEvents == 0 || watchEvents == Uint32(-1)) return;
    if (event.type == watchEvents) {
        char* name = static_cast<char*>(event.user.data1);
        WatchChanged(name ? name : "");
        SDL_free(name);
    } else if (event.type == watchEvents + 1) {
        timers[event.user.code] = 0;
        ViewerTimer(event.user.code);
    }
}
