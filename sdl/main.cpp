// trackview for Linux: the viewer in an SDL2 window with an OpenGL context. Shows the start-up
// notice, opens the fixed-size window with a double-buffered RGBA format and a depth buffer, and
// runs the idle-driven message loop. Every start-up failure ends in an error box (or, without a
// display, on stderr) and exit code 1. Lacks the Win32 program's icon and palette: SDL gives
// true-colour visuals only.
#include <SDL.h>

#include <cstdio>
#include <cstring>

#include "sdl/window.h"
#include "viewer/platform.h"
#include "viewer/render.h"
#include "viewer/scene.h"
#include "viewer/state.h"

static const char kNoticeText[] = " mouse: touch the window image for movement----- ";
static const char kNoticeCaption[] = "soft by Quellmar - trackview@users.noreply.example ";
static const char kTitle[] = " soft by Quellmar - press \xC2\xB4p\xC2\xB4 key "; // U+00B4 twice

void PresentFrame(void* hdc)
{
    SDL_GL_SwapWindow(static_cast<SDL_Window*>(hdc));
}

// The error box names the step; stderr also gets SDL's reason.
static int FailStartup(const char* step, SDL_Window* owner)
{
    int length = int(std::strcspn(step, "\n"));
    std::fprintf(stderr, "trackview: %.*s (%s)\n", length, step, SDL_GetError());
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Error", step, owner) != 0)
        std::fprintf(stderr, "trackview: cannot show the error box: %s\n", SDL_GetError());
    if (viewer.hglrc) SDL_GL_DeleteContext(static_cast<SDL_GLContext>(viewer.hglrc));
    if (owner) SDL_DestroyWindow(owner);
    SDL_Quit();
    return 1;
}

static int FailDisplay(const char* reason)
{
    std::fprintf(stderr, "trackview: no display to open a window on: %s\n", reason);
    SDL_Quit();
    return 1;
}

// A window that cannot be made with OpenGL but can without it lacks a GL pixel format. SDL's
// reason for the first failure stays the error to report.
static const char* DiagnoseWindowFailure()
{
    char reason[256];
    SDL_strlcpy(reason, SDL_GetError(), sizeof reason);
    SDL_Window* probe = SDL_CreateWindow(kTitle, viewer.winX, viewer.winY, 1, 1, SDL_WINDOW_HIDDEN);
    if (probe) SDL_DestroyWindow(probe);
    SDL_SetError("%s", reason);
    return probe ? "ChoosePixelFormat failed\n" : "SDL_CreateWindow failed";
}

// The format in use must be double-buffered with a depth buffer of 16 bits or more.
static bool FormatUsable()
{
    int doubleBuffer = 0, depthBits = 0;
    if (SDL_GL_GetAttribute(SDL_GL_DOUBLEBUFFER, &doubleBuffer) != 0) return false;
    if (SDL_GL_GetAttribute(SDL_GL_DEPTH_SIZE, &depthBits) != 0) return false;
    if (doubleBuffer == 1 && depthBits >= 16) return true;
    SDL_SetError("the format in use has double buffering %d and %d depth bits", doubleBuffer,
                 depthBits);
    return false;
}

int main(int, char**)
{
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return FailDisplay(SDL_GetError());
    // Without DISPLAY SDL quietly picks a driver that shows nothing.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || !std::strcmp(driver, "offscreen") || !std::strcmp(driver, "dummy")) {
        const char* name = SDL_getenv("DISPLAY");
        char reason[200];
        std::snprintf(reason, sizeof reason, "SDL reached no display server (DISPLAY is %s%s%s)",
                      name ? "\"" : "not set", name ? name : "", name ? "\"" : "");
        return FailDisplay(reason);
    }

    if (SDL_ShowSimpleMessageBox(0, kNoticeCaption, kNoticeText, nullptr) != 0)
        std::fprintf(stderr, "trackview: cannot show the start-up notice: %s\n", SDL_GetError());

    SDL_DisplayMode screen;
    if (SDL_GetDesktopDisplayMode(0, &screen) != 0)
        return FailStartup("SDL_GetDesktopDisplayMode failed", nullptr);
    viewer.winWidth = int(screen.h * 0.8);
    viewer.winHeight = int(screen.h * 0.8);

    // Colour sizes stay at SDL's minimum of 3-3-2 bits: any RGBA format will do.
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_Window* window = SDL_CreateWindow(kTitle, viewer.winX, viewer.winY, viewer.winWidth,
                                          viewer.winHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window) return FailStartup(DiagnoseWindowFailure(), nullptr);
    viewer.hdc = window;

    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) return FailStartup("SDL_GL_CreateContext failed", window);
    viewer.hglrc = context;
    if (SDL_GL_MakeCurrent(window, context) != 0)
        return FailStartup("SDL_GL_MakeCurrent failed", window);
    if (!FormatUsable()) return FailStartup("SetPixelFormat failed", window);
    InitScene();

    SDL_ShowWindow(window);
    RequestRedraw(); // what the first paint message does
    int code = RunMessageLoop();
    SDL_Quit();
    return code;
}
