// The SDL window procedure and the idle-driven message loop. Lacks palette messages: the SDL
// program always runs on a true-colour visual.
#include "sdl/window.h"

#include <cstdio>

#include "sdl/host.h"
#include "viewer/keys.h"
#include "viewer/open.h"
#include "viewer/render.h"
#include "viewer/state.h"
#include "viewer/trackball.h"
#include "viewer/view.h"

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

// A key command; false once Esc has closed the window.
static bool Key(int code)
{
    if (KeyCommand(code) != KEY_CLOSE) return true;
    WindowDestroy();
    return false;
}

bool WindowHandleEvent(const SDL_Event& event)
{
    // Without a GL context only the keys and closing act, as in the Win32 window procedure.
    bool context = viewer.hglrc != nullptr;
    switch (event.type) {
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
            WindowDestroy();
            return false;
        }
        if (!context) break;
        if (event.window.event == SDL_WINDOWEVENT_EXPOSED) RequestRedraw();
        if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED ||
            event.window.event == SDL_WINDOWEVENT_MAXIMIZED)
            RestoreFixedSize();
        break;
    case SDL_MOUSEBUTTONDOWN:
        if (!context) break;
        SDL_CaptureMouse(SDL_TRUE); // positions keep coming while a button is held outside
        if (event.button.button == SDL_BUTTON_LEFT)
            TrackballStart(1, event.button.x, event.button.y);
        else if (event.button.button == SDL_BUTTON_RIGHT ||
                 event.button.button == SDL_BUTTON_MIDDLE)
            ViewPanStart(event.button.x, event.button.y);
        break;
    case SDL_MOUSEBUTTONUP:
        if (!context) break;
        if (SDL_GetMouseState(nullptr, nullptr) == 0) SDL_CaptureMouse(SDL_FALSE);
        if (event.button.button == SDL_BUTTON_LEFT)
            TrackballStop(1, event.button.x, event.button.y);
        else if (event.button.button == SDL_BUTTON_RIGHT ||
                 event.button.button == SDL_BUTTON_MIDDLE)
            ViewPanStop();
        break;
    case SDL_MOUSEMOTION:
        if (!context) break;
        TrackballMotion(event.motion.x, event.motion.y);
        ViewPanMotion(event.motion.x, event.motion.y);
        break;
    case SDL_MOUSEWHEEL:
        if (!context) break;
        ViewWheel(event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.preciseY
                                                                  : event.wheel.preciseY,
                  event.wheel.mouseX, event.wheel.mouseY);
        break;
    case SDL_TEXTINPUT:
        // Every key command is ASCII: the bytes of other characters are passed over.
        for (const char* c = event.text.text; *c; ++c)
            if ((unsigned char)*c < 0x80 && !Key(*c)) return false;
        break;
    case SDL_KEYDOWN:
        // Printable keys come again as text input; Esc comes only as a key.
        if (event.key.keysym.sym == SDLK_ESCAPE) return Key(kKeyEscape);
        break;
    case SDL_DROPFILE:
        ViewerDropFile(event.drop.file);
        break;
    case SDL_DROPBEGIN:
    case SDL_DROPCOMPLETE:
        ViewerDropEnd();
        break;
    case SDL_QUIT: // the last window closed, or the session asks the program to end
        WindowDestroy();
        return false;
    default:
        SdlHostEvent(event);
    }
    return true;
}

// True when an event waits; removes nothing.
static bool EventWaiting()
{
    SDL_PumpEvents();
    SDL_Event event;
    return SDL_PeepEvents(&event, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0;
}

// Blocks until an event arrives and takes it. A mouse motion swallows the motion events queued
// right behind it, so that the last position is handled once, as Win32 merges mouse moves.
static bool EventWait(SDL_Event* event)
{
    if (!SDL_WaitEvent(event)) return false;
    if (event->type != SDL_MOUSEMOTION) return true;
    SDL_PumpEvents();
    SDL_Event next;
    // Only motion right at the head: a button or key event between two moves keeps its order.
    while (SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1 &&
           next.type == SDL_MOUSEMOTION &&
           SDL_PeepEvents(&next, 1, SDL_GETEVENT, SDL_MOUSEMOTION, SDL_MOUSEMOTION) == 1)
        *event = next;
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
        bool open = WindowHandleEvent(event);
        if (event.type == SDL_DROPFILE || event.type == SDL_DROPTEXT) SDL_free(event.drop.file);
        if (!open) return 0;
    }
}
