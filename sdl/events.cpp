// SDL events into window messages, and the queue calls of the message loop.
#include "sdl/events.h"

int DecodeText(const char* text, int* codes, int maxCodes)
{
    int count = 0;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    while (*s && count < maxCodes) {
        int length = *s < 0x80         ? 1
                     : (*s >> 5) == 6  ? 2
                     : (*s >> 4) == 14 ? 3
                     : (*s >> 3) == 30 ? 4
                                       : 0;
        if (length == 0) { // a stray continuation byte or an invalid lead byte
            ++s;
            continue;
        }
        int code = length == 1 ? *s : *s & (0x7F >> length);
        int i = 1;
        for (; i < length && (s[i] & 0xC0) == 0x80; ++i) code = (code << 6) | (s[i] & 0x3F);
        if (i == length) codes[count++] = code;
        s += i; // a truncated sequence is dropped, its successor kept
    }
    return count;
}

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
        out.count = DecodeText(event.text.text, out.codes, SDL_TEXTINPUTEVENT_TEXT_SIZE);
        if (out.count > 0) out.message = SHELL_CHARS;
        break;
    case SDL_KEYDOWN:
        // Printable keys come again as text input; Esc comes only as a key.
        if (event.key.keysym.sym != SDLK_ESCAPE) break;
        out.message = SHELL_CHARS;
        out.count = 1;
        out.codes[0] = 27;
        break;
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_EXPOSED) out.message = SHELL_PAINT;
        if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED ||
            event.window.event == SDL_WINDOWEVENT_MAXIMIZED)
            out.message = SHELL_RESIZED;
        if (event.window.event == SDL_WINDOWEVENT_CLOSE) out.message = SHELL_CLOSE;
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
