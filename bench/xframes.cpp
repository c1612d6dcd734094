// xframes: watches an X screen for the frames a program presents, from outside the program, with
// the Damage extension on the root window (every drawing into any window shows there).
//   xframes first X Y R G B TIMEOUT  prints "ready", then the wall-clock time (seconds since the
//                                    epoch) of the first drawing after which pixel (X, Y) of the
//                                    screen has colour R G B (within 2 per channel)
//   xframes count X Y W H SECONDS    prints the frames drawn into the rectangle in SECONDS, and
//                                    per second: drawings within it that cover at least half of
//                                    it (a presented frame is one drawing of the client area)
// Exit status 1 when the colour does not appear in time or the display cannot be used.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>
#include <poll.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace
{

double Now(clockid_t clock)
{
    timespec t;
    clock_gettime(clock, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

bool PixelIs(Display* display, Window root, int x, int y, const int rgb[3])
{
    XImage* image = XGetImage(display, root, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return false;
    unsigned long pixel = XGetPixel(image, 0, 0);
    // A 24-bit TrueColor screen (the one Xvfb is started with): 8 bits per channel.
    int got[3] = {int((pixel >> 16) & 0xff), int((pixel >> 8) & 0xff), int(pixel & 0xff)};
    XDestroyImage(image);
    for (int i = 0; i < 3; ++i)
        if (std::abs(got[i] - rgb[i]) > 2) return false;
    return true;
}

// Waits up to seconds for the next event; false on timeout.
bool NextEvent(Display* display, XEvent* event, double seconds)
{
    while (!XPending(display)) {
        if (seconds <= 0) return false;
        pollfd fd = {ConnectionNumber(display), POLLIN, 0};
        double start = Now(CLOCK_MONOTONIC);
        if (poll(&fd, 1, int(seconds * 1000) + 1) <= 0) return false;
        seconds -= Now(CLOCK_MONOTONIC) - start;
    }
    XNextEvent(display, event);
    return true;
}

int Usage()
{
    std::fprintf(stderr,
                 "usage: xframes first X Y R G B TIMEOUT | xframes count X Y W H SECONDS\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    bool first = argc == 8 && std::strcmp(argv[1], "first") == 0;
    bool count = argc == 7 && std::strcmp(argv[1], "count") == 0;
    if (!first && !count) return Usage();
    int a[6];
    for (int i = 0; i < argc - 3; ++i) a[i] = std::atoi(argv[2 + i]);
    double seconds = std::atof(argv[argc - 1]);

    Display* display = XOpenDisplay(nullptr);
    int eventBase = 0, errorBase = 0;
    if (!display || !XDamageQueryExtension(display, &eventBase, &errorBase)) {
        std::fprintf(stderr, "xframes: no X display with the Damage extension\n");
        return 1;
    }
    Window root = DefaultRootWindow(display);
    XDamageCreate(display, root, XDamageReportRawRectangles);
    XSync(display, False);
    std::printf("ready\n");
    std::fflush(stdout);

    double deadline = Now(CLOCK_MONOTONIC) + seconds;
    int frames = 0;
    XEvent event;
    while (NextEvent(display, &event, deadline - Now(CLOCK_MONOTONIC))) {
        if (event.type != eventBase + XDamageNotify) continue;
        const XRectangle& r = reinterpret_cast<XDamageNotifyEvent*>(&event)->area;
        if (first) {
            if (a[0] >= r.x && a[0] < r.x + r.width && a[1] >= r.y && a[1] < r.y + r.height &&
                PixelIs(display, root, a[0], a[1], a + 2)) {
                std::printf("%.6f\n", Now(CLOCK_REALTIME));
                return 0;
            }
        } else {
            int w = std::min(a[0] + a[2], r.x + r.width) - std::max(a[0], int(r.x));
            int h = std::min(a[1] + a[3], r.y + r.height) - std::max(a[1], int(r.y));
            // Larger than the window: not a frame (the whole screen is reported at the start).
            bool inside = double(r.width) * r.height <= double(a[2]) * a[3];
            if (inside && w > 0 && h > 0 && 2.0 * w * h >= double(a[2]) * a[3]) ++frames;
        }
    }
    if (first) return 1;
    std::printf("frames %d in %.1f s: %.1f per second\n", frames, seconds, frames / seconds);
    return 0;
}
