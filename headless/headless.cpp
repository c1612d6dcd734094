// The headless platform: EGL surfaceless with a pbuffer, and the host calls a program without a
// window needs (presenting counts a frame; errors go to stderr; a title has nowhere to go).
#include "headless/headless.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstring>

#include "viewer/host.h"

static EGLDisplay display = EGL_NO_DISPLAY;
static EGLSurface surface = EGL_NO_SURFACE;
static EGLContext context = EGL_NO_CONTEXT;
static int framesPresented = 0;

static EGLDisplay SurfacelessDisplay()
{
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) return EGL_NO_DISPLAY;
    return getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
}

static bool Fail(std::string* error, const char* step)
{
    char text[160];
    std::snprintf(text, sizeof text, "%s failed (EGL error 0x%04X)", step, unsigned(eglGetError()));
    *error = text;
    HeadlessClose();
    return false;
}

bool HeadlessOpen(int width, int height, std::string* error)
{
    display = SurfacelessDisplay();
    if (display == EGL_NO_DISPLAY) return Fail(error, "eglGetPlatformDisplayEXT (surfaceless)");
    if (!eglInitialize(display, nullptr, nullptr)) return Fail(error, "eglInitialize");
    if (!eglBindAPI(EGL_OPENGL_API)) return Fail(error, "eglBindAPI");

    const EGLint configAttributes[] = {EGL_SURFACE_TYPE,
                                       EGL_PBUFFER_BIT,
                                       EGL_RENDERABLE_TYPE,
                                       EGL_OPENGL_BIT,
                                       EGL_RED_SIZE,
                                       8,
                                       EGL_GREEN_SIZE,
                                       8,
                                       EGL_BLUE_SIZE,
                                       8,
                                       EGL_DEPTH_SIZE,
                                       16,
                                       EGL_NONE};
    EGLConfig config;
    EGLint count = 0;
    if (!eglChooseConfig(display, configAttributes, &config, 1, &count) || count < 1)
        return Fail(error, "eglChooseConfig");

    const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    surface = eglCreatePbufferSurface(display, config, surfaceAttributes);
    if (surface == EGL_NO_SURFACE) return Fail(error, "eglCreatePbufferSurface");
    context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT) return Fail(error, "eglCreateContext");
    if (!eglMakeCurrent(display, surface, surface, context)) return Fail(error, "eglMakeCurrent");
    framesPresented = 0;
    return true;
}

void HeadlessClose()
{
    if (display == EGL_NO_DISPLAY) return;
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context != EGL_NO_CONTEXT) eglDestroyContext(display, context);
    if (surface != EGL_NO_SURFACE) eglDestroySurface(display, surface);
    eglTerminate(display);
    display = EGL_NO_DISPLAY;
    surface = EGL_NO_SURFACE;
    context = EGL_NO_CONTEXT;
}

int HeadlessFramesPresented()
{
    return framesPresented;
}

void HostPresentFrame(void*)
{
    // A pbuffer has a single buffer: the frame is already where HeadlessReadPixels looks.
    ++framesPresented;
}

void HostSetTitle(const std::string&) {}

void HostShowError(const std::string& text)
{
    std::fprintf(stderr, "%s\n", text.c_str());
}

void HostProgressBegin(const std::string&, int) {}
void HostProgressEnd() {}
void HostWatchFolder(const std::string&) {}
void HostLater(HostTimer, int) {}

void* HostGLProc(const char* name)
{
    return reinterpret_cast<void*>(eglGetProcAddress(name));
}

std::vector<unsigned char> HeadlessReadPixels(int width, int height)
{
    std::vector<unsigned char> bottomUp(size_t(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    std::vector<unsigned char> topDown(bottomUp.size());
    size_t row = size_t(width) * 3;
    for (int y = 0; y < height; ++y)
        std::memcpy(&topDown[size_t(y) * row], &bottomUp[size_t(height - 1 - y) * row], row);
    return topDown;
}
