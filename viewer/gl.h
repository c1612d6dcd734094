// OpenGL 1.1 for the core. Windows' gl.h expects two macros from windows.h; define them here so
// that the core never pulls in a platform header.
#pragma once

#if defined(_WIN32) && !defined(APIENTRY)
#define APIENTRY __stdcall
#endif
#if defined(_WIN32) && !defined(WINGDIAPI)
#define WINGDIAPI __declspec(dllimport)
#endif

#include <GL/gl.h>
