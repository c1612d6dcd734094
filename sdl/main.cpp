// trackview for Linux: the viewer in an SDL2 window with an OpenGL context. Shows the start-up
// notice, opens the fixed-size window with a double-buffered RGBA format and a depth buffer, and
// runs the idle-driven message loop. Every start-up failure ends in an error box (its text also
// on stderr) and exit code 1. SIGTERM and SIGINT end the program at once: with the code of a
// close once anything has shown, before that as the signal ends any program. Lacks the Win32
// program's icon and palette: SDL gives true-colour visuals only.
#include <SDL.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "sdl/host.h"
#include "sdl/window.h"
#include "viewer/open.h"
#include "viewer/host.h"
#include "viewer/render.h"
#include "viewer/scene.h"
#include "viewer/startup.h"
#include "viewer/state.h"
#include "viewer/watch.h"

// SDL takes the lowest free descriptor for its X connection: were 2 closed, diagnostics would go
// into that socket.
static void KeepStandardDescriptors()
{
    for (int fd = 0; fd <= 2; ++fd)
        if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) open("/dev/null", O_RDWR);
}

// The error box names the step and SDL's reason, once SDL is shut down.
static int FailStartup(const char* step)
{
    std::string text = std::string(step) + " (SDL: " + SDL_GetError() + ")";
    if (viewer.hglrc) SDL_GL_DeleteContext(static_cast<SDL_GLContext>(viewer.hglrc));
    if (viewer.hdc) SDL_DestroyWindow(static_cast<SDL_Window*>(viewer.hdc));
    viewer.hglrc = viewer.hdc = nullptr;
    SDL_Quit();
    HostShowError(text);
    return 1;
}

// Without DISPLAY SDL quietly picks a driver that shows nothing: say so instead of running unseen.
static bool DisplayReachable()
{
    const char* driver = SDL_Init(SDL_INIT_VIDEO) == 0 ? SDL_GetCurrentVideoDriver() : nullptr;
    char reason[300];
    if (!driver) {
        SDL_strlcpy(reason, SDL_GetError(), sizeof reason);
    } else if (!std::strcmp(driver, "offscreen") || !std::strcmp(driver, "dummy")) {
        const char* name = SDL_getenv("DISPLAY");
        if (SDL_getenv("SDL_VIDEODRIVER") && *SDL_getenv("SDL_VIDEODRIVER"))
            std::snprintf(reason, sizeof reason,
                          "SDL's video driver '%s' (SDL_VIDEODRIVER) cannot show a window", driver);
        else
            std::snprintf(reason, sizeof reason,
                          "SDL reached no display server (DISPLAY is %s%s%s) and its video "
                          "driver '%s' cannot show a window",
                          name ? "\"" : "not set", name ? name : "", name ? "\"" : "", driver);
        driver = nullptr;
    }
    SDL_Quit();
    if (!driver) std::fprintf(stderr, "trackview: no display to open a window on: %s\n", reason);
    return driver != nullptr;
}

// A window that cannot be made with OpenGL but can without it lacks a GL pixel format. SDL's
// reason for the first failure stays the error to report.
static const char* DiagnoseWindowFailure()
{
    char reason[256];
    SDL_strlcpy(reason, SDL_GetError(), sizeof reason);
    SDL_Window* probe =
        SDL_CreateWindow(kWindowTitleUtf8, viewer.winX, viewer.winY, 1, 1, SDL_WINDOW_HIDDEN);
    if (probe) SDL_DestroyWindow(probe);
    SDL_SetError("%s", reason);
    return probe ? "SDL_CreateWindow failed: no OpenGL pixel format" : "SDL_CreateWindow failed";
}

// The format in use must be double-buffered with a depth buffer of 16 bits or more.
static bool FormatUsable()
{
    int doubleBuffer = 0, depthBits = 0;
    if (SDL_GL_GetAttribute(SDL_GL_DOUBLEBUFFER, &doubleBuffer) != 0) return false;
    if (SDL_GL_GetAttribute(SDL_GL_DEPTH_SIZE, &depthBits) != 0) return false;
    if (doubleBuffer == 1 && depthBits >= 16) return true;
    SDL_SetError("SDL_GL_DOUBLEBUFFER is %d, SDL_GL_DEPTH_SIZE %d", doubleBuffer, depthBits);
    return false;
}

// --help and --version answer and end the program (true, code in *exitCode), and so does a usage
// error; otherwise *args holds the file to show (or none). A lost answer is a failure.
static bool HandleArguments(int argc, char** argv, int* exitCode, ViewerArgs* parsed)
{
    ViewerArgs& args = *parsed = ParseViewerArgs(std::vector<std::string>(argv + 1, argv + argc));
    *exitCode = 0;
    if (args.action == VIEWER_HELP) {
        std::fputs(ViewerUsage().c_str(), stdout);
    } else if (args.action == VIEWER_VERSION) {
        std::puts("trackview " TRACKVIEW_VERSION);
    } else if (args.action == VIEWER_USAGE_ERROR) {
        std::fprintf(stderr, "trackview: %s\n", args.error.c_str());
        *exitCode = 2;
    } else {
        return false;
    }
    if (std::fflush(stdout) != 0 && *exitCode == 0) {
        std::fprintf(stderr, "trackview: cannot write to stdout: %s\n", std::strerror(errno));
        *exitCode = 1;
    }
    return true;
}

int main(int argc, char** argv)
{
    KeepStandardDescriptors();
    SdlBoxesInUtf8();
    SdlEndOnSignals(-1);
    int exitCode = 0;
    ViewerArgs args;
    if (HandleArguments(argc, argv, &exitCode, &args)) return exitCode;

    if (!DisplayReachable()) return 1;
    WatchAllow(args.watch);
    if (!args.file.empty() && !ViewerOpenAtStart(args.file)) return 1;
    SdlEndOnSignals(0); // from the notice on, a signal ends the program as closing it does
    SdlShowBox(0, kNoticeCaption, kNoticeText, "start-up notice"); // the program goes on without it
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0) return FailStartup("SDL_Init failed");

    SDL_DisplayMode screen;
    if (SDL_GetDesktopDisplayMode(0, &screen) != 0)
        return FailStartup("SDL_GetDesktopDisplayMode failed");
    viewer.winWidth = WindowSideFor(screen.h);
    viewer.winHeight = WindowSideFor(screen.h);

    // Colour sizes stay at SDL's minimum of 3-3-2 bits: any RGBA format will do.
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_Window* window =
        SDL_CreateWindow(ViewerTitle().c_str(), viewer.winX, viewer.winY, viewer.winWidth,
                         viewer.winHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window) return FailStartup(DiagnoseWindowFailure());
    viewer.hdc = window;

    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) return FailStartup("SDL_GL_CreateContext failed");
    viewer.hglrc = context;
    if (SDL_GL_MakeCurrent(window, context) != 0) return FailStartup("SDL_GL_MakeCurrent failed");
    SDL_GL_GetDrawableSize(window, &viewer.viewWidth, &viewer.viewHeight);
    if (!FormatUsable())
        return FailStartup("SDL_GL_CreateContext gave no double-buffered format with depth");
    InitScene();

    SDL_ShowWindow(window);
    RequestRedraw(); // what the first paint message does
    int code = RunMessageLoop();
    SDL_Quit();
    return code;
}
