// SDL events into window messages, and the queue calls of the message loop.
#include "sdl/events.h"

#include "viewer/keys.h"

ShellEvent TranslateEvent(const SDL_Event& event)
{
    ShellEvent out;
    switch (event.type) {
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (event.button.button != SDL_BUTTON_LEFT) break;
        out.message = event.type == SDL_MOUSEBUTTONDOWN ? SHELL_PRESS : SHELL_RELEASE;
        out.x = event.button.x;
        out.y = event.button.y;
        break;
    case SDL_MOUSEMOTION:
        out.message = SHELL_MOTION;
        out.x = event.motion.x;
        out.y = event.motion.y;
        break;
    case SDL_TEXTINPUT:
        // Every key command is ASCII: the bytes of other characters are dropped.
        for (const char* c = event.text.text; *c; ++c)
            if ((unsigned char)*c < 0x80) out.codes[out.count++] = *c;
        if (out.count > 0) out.message = SHELL_CHARS;
        break;
    case SDL_KEYDOWN:
        // Printable keys come again as text input; Esc comes only as a key.
        if (event.key.keysym.sym != SDLK_ESCAPE) break;
        out.message = SHELL_CHARS;
        out.count = 1;
        out.codes[0] = kKeyEscape;
        break;
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_EXPOSED) out.message = SHELL_PAINT;
        if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED ||
            event.window.event == SDL_WINDOWEVENT_MAXIMIZED)
            out.message = SHELL_RESIZED;
        if (event.window.event == SDL_WINDOWEVENT_CLOSE) out.message = SHELL_CLOSE;
        break;
    case SDL_DROPFILE:
        out.message = SHELL_DROP;
        out.path = event.drop.file;
        break;
    case SDL_DROPBEGIN:
    case SDL_DROPCOMPLETE:
        out.message = SHELL_DROPEND;
        break;
    case SDL_QUIT: // the last window closed, or SIGTERM / SIGINT
        out.message = SHELL_CLOSE;
        break;
    default:
        break;
    }
    return out;
}

bool EventWaiting()
{
    SDL_PumpEvents();
    SDL_Event event;
    return SDL_PeepEvents(&event, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0;
}

void EventMergeMotion(SDL_Event* event)
{
    if (event->type != SDL_MOUSEMOTION) return;
    SDL_PumpEvents();
    SDL_Event next;
    // Only motion right at the head: a button or key event between two moves keeps its order.
    while (SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1 &&
           next.type == SDL_MOUSEMOTION &&
           SDL_PeepEvents(&next, 1, SDL_GETEVENT, SDL_MOUSEMOTION, SDL_MOUSEMOTION) == 1)
        *event = next;
}

bool EventWait(SDL_Event* event)
{
    if (!SDL_WaitEvent(event)) return false;
    EventMergeMotion(event);
    return true;
}
