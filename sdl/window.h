// The SDL window procedure and message loop: each SDL event reaches the viewer core from one
// switch, as each message does in the Win32 window procedure, and frames are drawn from the idle
// hook only while no event waits. viewer.hdc holds the SDL_Window, viewer.hglrc the SDL_GLContext.
#pragma once

#include <SDL.h>

// Acts on one event. False once the window is gone and the loop must end.
bool WindowHandleEvent(const SDL_Event& event);

// What WM_DESTROY does: releases the GL context and the window, clears the idle hook.
void WindowDestroy();

// Runs until the window closes (result 0) or SDL's queue fails (result 1).
int RunMessageLoop();
