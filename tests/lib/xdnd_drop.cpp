// Test client: drops files on a window the way a file manager does, by the XDND protocol, so that
// the window tests reach the programs' real drop paths (SDL's drop events; Wine's WM_DROPFILES).
// usage: xdnd-drop WINDOW FILE...  (WINDOW: an X window id; FILE: absolute paths). Exit 0 once
// the window has taken the drop, 1 when it refuses it or does not answer within 10 s.
#include <X11/Xlib.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

static Display* display;

static Atom Name(const char* name)
{
    return XInternAtom(display, name, False);
}

static void Send(Window target, Window source, const char* type, long a, long b, long c, long d)
{
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = target;
    event.xclient.message_type = Name(type);
    event.xclient.format = 32;
    long data[5] = {long(source), a, b, c, d};
    std::memcpy(event.xclient.data.l, data, sizeof data);
    XSendEvent(display, target, False, NoEventMask, &event);
    XFlush(display);
}

// text/uri-list: one file:// URI a line, every byte but the unreserved ones %-escaped.
static std::string UriList(int count, char** paths)
{
    std::string list;
    for (int i = 0; i < count; ++i) {
        list += "file://";
        for (const char* c = paths[i]; *c; ++c) {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", (unsigned char)*c);
            bool plain = std::isalnum((unsigned char)*c) || std::strchr("/-._~", *c);
            list += plain ? std::string(1, *c) : escaped;
        }
        list += "\r\n";
    }
    return list;
}

// Hands the list to whoever asks for it as text/uri-list; refuses other forms.
static void Answer(const XSelectionRequestEvent& request, const std::string& list)
{
    XEvent reply = {};
    reply.xselection = {
        SelectionNotify, 0,    True,        display, request.requestor, request.selection,
        request.target,  None, request.time};
    if (request.target == Name("text/uri-list")) {
        XChangeProperty(display, request.requestor, request.property, request.target, 8,
                        PropModeReplace, (const unsigned char*)list.data(), int(list.size()));
        reply.xselection.property = request.property;
    }
    XSendEvent(display, request.requestor, False, NoEventMask, &reply);
    XFlush(display);
}

int main(int argc, char** argv)
{
    if (argc < 3 || !(display = XOpenDisplay(nullptr))) {
        std::fprintf(stderr, "usage: xdnd-drop WINDOW FILE... (with DISPLAY set)\n");
        return 2;
    }
    Window target = std::strtoul(argv[1], nullptr, 0), root = DefaultRootWindow(display), child;
    std::string list = UriList(argc - 2, argv + 2);
    Window source = XCreateSimpleWindow(display, root, 0, 0, 1, 1, 0, 0, 0);
    XSetSelectionOwner(display, Name("XdndSelection"), source, CurrentTime);
    XWindowAttributes window;
    int x = 0, y = 0;
    if (!XGetWindowAttributes(display, target, &window)) return 1;
    XTranslateCoordinates(display, target, root, window.width / 2, window.height / 2, &x, &y,
                          &child);

    Send(target, source, "XdndEnter", 5L << 24, long(Name("text/uri-list")), 0, 0);
    Send(target, source, "XdndPosition", 0, long(x) << 16 | y, CurrentTime,
         long(Name("XdndActionCopy")));
    bool dropped = false;
    for (time_t deadline = time(nullptr) + 10; time(nullptr) < deadline;) {
        if (!XPending(display)) {
            usleep(10000);
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == SelectionRequest) Answer(event.xselectionrequest, list);
        if (event.type != ClientMessage) continue;
        if (event.xclient.message_type == Name("XdndFinished")) return 0;
        if (event.xclient.message_type != Name("XdndStatus") || dropped) continue;
        if (!(event.xclient.data.l[1] & 1)) {
            std::fprintf(stderr, "xdnd-drop: the window refuses the drop\n");
            return 1;
        }
        Send(target, source, "XdndDrop", 0, CurrentTime, 0, 0);
        dropped = true;
    }
    std::fprintf(stderr, "xdnd-drop: no answer from the window\n");
    return 1;
}
