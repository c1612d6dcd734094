// Device-context set-up for OpenGL: the pixel format, and the logical palette that palette
// displays need.
#pragma once

#include <windows.h>

// Gives hdc a double-buffered RGBA format with a 16-bit depth buffer; returns only on success.
void SetupPixelFormat(HDC hdc);

// Creates, selects and realises the ramp palette into hdc when its format needs a palette, and
// keeps it in viewer.hpalette; otherwise does nothing.
void SetupPalette(HDC hdc);
