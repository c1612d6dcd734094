// SDL events as the viewer's window messages: the translation of one event, the merging of
// pending mouse motion (Win32 merges mouse moves, SDL does not) and the two queue calls of the
// message loop. Needs only SDL's event queue, no window. Palette messages have no SDL
// counterpart: the SDL program always runs on a true-colour visual.
#pragma once

#include <SDL.h>

enum ShellMessage {
    SHELL_NONE,    // nothing the viewer acts on
    SHELL_PAINT,   // the window must be drawn again
    SHELL_PRESS,   // left button down at (x, y)
    SHELL_MOTION,  // mouse at (x, y), button held or not
    SHELL_RELEASE, // left button up at (x, y)
    SHELL_CHARS,   // ASCII character codes typed, codes[0] to codes[count - 1]
    SHELL_RESIZED, // the window is no longer at its fixed size
    SHELL_CLOSE,   // close button, or the session asks the program to end
    SHELL_DROP,    // a file dropped on the window, at path
    SHELL_DROPEND, // a drop begins or ends
};

struct ShellEvent {
    ShellMessage message = SHELL_NONE;
    int x = 0, y = 0; // window coordinates, origin top left; negative or beyond while dragging
    int count = 0;
    int codes[SDL_TEXTINPUTEVENT_TEXT_SIZE] = {};
    const char* path = nullptr; // UTF-8, owned by the SDL event
};

ShellEvent TranslateEvent(const SDL_Event& event);

// True when an event waits; removes nothing.
bool EventWaiting();

// Blocks until an event arrives and takes it. A mouse motion swallows the motion events queued
// right behind it, so that the last position is handled once. False on an SDL error.
bool EventWait(SDL_Event* event);

// Replaces a motion event by the last of the motion events that follow it in the queue.
void EventMergeMotion(SDL_Event* event);
