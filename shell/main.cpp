// Entry point of the Win32 program: the command line, the window class, the start-up notice,
// the fixed-size window and the message loop that doubles as the render loop through the
// viewer's idle hook. The command line names at most one model file, read before any window.
// Lacks any window but the one.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "loader/path.h"
#include "shell/host.h"
#include "shell/resource.h"
#include "shell/wndproc.h"
#include "viewer/host.h"
#include "viewer/open.h"
#include "viewer/startup.h"
#include "viewer/state.h"
#include "viewer/watch.h"

// The arguments after the program's name, as UTF-8.
static ViewerArgs ParseCommandLine()
{
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; argv && i < count; ++i) args.push_back(Utf8FromWide(argv[i]));
    LocalFree(argv);
    return ParseViewerArgs(args);
}

// --help and --version answer in a box (the program has no console); a usage error in the error
// box. The exit code: 0, or 2 for a usage error.
static int AnswerArguments(const ViewerArgs& args)
{
    if (args.action == VIEWER_USAGE_ERROR) {
        ShowErrorBox(nullptr, args.error);
        return 2;
    }
    std::string text = args.action == VIEWER_HELP ? ViewerUsage() : "trackview " TRACKVIEW_VERSION;
    MessageBoxW(nullptr, WideFromUtf8(text).c_str(), L"trackview", MB_OK);
    return 0;
}

static int RunMessageLoop()
{
    MSG msg;
    for (;;) {
        // Frames are drawn only while no message waits.
        while (viewer.idleHook) {
            if (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) break;
            viewer.idleHook();
        }
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == -1) ExitWithError(nullptr, "GetMessage failed");
        if (got == 0) return (int)msg.wParam;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    ViewerArgs args = ParseCommandLine();
    if (args.action != VIEWER_RUN) return AnswerArguments(args);
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_TRACKVIEW));
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.lpszClassName = kWindowClass;
    // Without the class or the window no message would ever come: say so instead of waiting.
    if (!RegisterClassA(&wc)) ExitWithError(nullptr, "RegisterClass failed");
    WatchAllow(args.watch);
    if (!args.file.empty() && !ViewerOpenAtStart(args.file)) return 1;

    MessageBoxA(nullptr, kNoticeText, kNoticeCaption, MB_OK);

    viewer.winWidth = WindowSideFor(GetSystemMetrics(SM_CYSCREEN));
    viewer.winHeight = WindowSideFor(GetSystemMetrics(SM_CYSCREEN));
    HWND hwnd = CreateWindowExA(0, kWindowClass, kWindowTitleAnsi,
                                WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                                viewer.winX, viewer.winY, viewer.winWidth, viewer.winHeight,
                                nullptr, nullptr, instance, nullptr);
    if (!hwnd) ExitWithError(nullptr, "CreateWindow failed");
    if (!args.file.empty()) HostSetTitle(ViewerTitle());
    DragAcceptFiles(hwnd, TRUE);

    ShowWindow(hwnd, showCommand);
    UpdateWindow(hwnd);
    return RunMessageLoop();
}
