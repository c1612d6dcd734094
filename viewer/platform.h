// What the core needs of a platform, supplied at link time by exactly one platform library
// (Win32 shell, SDL shell or headless). The core itself includes no platform header.
#pragma once

// Present the finished frame on the surface that viewer.hdc names (SwapBuffers on Win32).
void PresentFrame(void* hdc);
