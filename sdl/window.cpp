// The SDL window procedure and the idle-driven message loop.
#include "sdl/window.h"

#include <cstdio>

#include "sdl/open.h"
#include "viewer/keys.h"
#include "viewer/render.h"
#include "viewer/state.h"
#include "viewer/trackball.h"

static SDL_Window* ViewerWindow()
{
    return static_cast<SDL_Window*>(viewer.hdc);
}

void WindowDestroy()
{
    if (viewer.hglrc) {
        SDL_GL_MakeCurrent(ViewerWindow(), nullptr);
        SDL_GL_DeleteContext(static_cast<SDL_GLContext>(viewer.hglrc));
    }
    ViewerClose();
    if (ViewerWindow()) SDL_DestroyWindow(ViewerWindow());
}

// The window keeps its fixed size whatever a window manager does to it.
static void RestoreFixedSize()
{
    SDL_Window* window = ViewerWindow();
    if (!window) return;
    if (SDL_GetWindowFlags(window) & SDL_WINDOW_MAXIMIZED) SDL_RestoreWindow(window);
    int width = 0, height = 0;
    SDL_GetWindowSize(window, &width, &height);
    if (width != viewer.winWidth || height != viewer.winHeight)
        SDL_SetWindowSize(window, viewer.winWidth, viewer.winHeight);
}

bool WindowHandle(const ShellEvent& event)
{
    // Without a GL context only the keys and closing act, as in the Win32 window procedure.
    bool context = viewer.hglrc != nullptr;
    switch (event.message) {
    case SHELL_PAINT:
        if (context) RequestRedraw();
        break;
    case SHELL_RESIZED:
        if (context) RestoreFixedSize();
        break;
    case SHELL_PRESS:
        if (!context) break;
        SDL_CaptureMouse(SDL_TRUE); // positions keep coming while the button is held outside
        TrackballStart(1, event.x, event.y);
        break;
    case SHELL_MOTION:
        if (context) TrackballMotion(event.x, event.y);
        break;
    case SHELL_RELEASE:
        if (!context) break;
        SDL_CaptureMouse(SDL_FALSE);
        TrackballStop(1, event.x, event.y);
        break;
    case SHELL_CHARS:
        for (int i = 0; i < event.count; ++i) {
            if (KeyCommand(event.codes[i]) == KEY_CLOSE) {
                WindowDestroy();
                return false;
            }
        }
        break;
    case SHELL_DROP:
        if (context) DropFile(event.path);
        break;
    case SHELL_DROPEND:
        DropReset();
        break;
    case SHELL_CLOSE:
        WindowDestroy();
        return false;
    case SHELL_NONE:
        break;
    }
    return true;
}

int RunMessageLoop()
{
    for (;;) {
        while (viewer.idleHook) {
            if (EventWaiting()) break;
            viewer.idleHook();
        }
        SDL_Event event;
        if (!EventWait(&event)) {
            std::fprintf(stderr, "trackview: waiting for events failed: %s\n", SDL_GetError());
            WindowDestroy();
            return 1;
        }
        bool open = WindowHandle(TranslateEvent(event));
        if (event.type == SDL_DROPFILE || event.type == SDL_DROPTEXT) SDL_free(event.drop.file);
        if (!open) return 0;
    }
}
