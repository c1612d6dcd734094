// The SDL window procedure and message loop: window messages reach the viewer core the way the
// Win32 window procedure hands them on, and frames are drawn from the idle hook only while no
// event waits. viewer.hdc holds the SDL_Window, viewer.hglrc the SDL_GLContext.
#pragma once

#include "sdl/events.h"

// Acts on one message. False once the window is gone and the loop must end.
bool WindowHandle(const ShellEvent& event);

// What WM_DESTROY does: releases the GL context and the window, clears the idle hook.
void WindowDestroy();

// Runs until the window closes (result 0) or SDL's queue fails (result 1).
int RunMessageLoop();
