// Entry point of the Win32 program: the window class, the start-up notice, the fixed-size window
// and the message loop that doubles as the render loop through the viewer's idle hook.
// The command line names at most one model file (shell/open.h). Lacks any window but the one.
#include <windows.h>
#include <shellapi.h>

#include "shell/open.h"
#include "shell/pixelformat.h"
#include "shell/resource.h"
#include "shell/wndproc.h"
#include "viewer/open.h"
#include "viewer/platform.h"
#include "viewer/startup.h"
#include "viewer/state.h"

void PresentFrame(void* hdc)
{
    SwapBuffers((HDC)hdc);
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
    if (!args.file.empty() && !OpenAtStart(args.file)) return 1;

    MessageBoxA(nullptr, kNoticeText, kNoticeCaption, MB_OK);

    viewer.winWidth = WindowSideFor(GetSystemMetrics(SM_CYSCREEN));
    viewer.winHeight = WindowSideFor(GetSystemMetrics(SM_CYSCREEN));
    HWND hwnd = CreateWindowExA(0, kWindowClass, kWindowTitleAnsi,
                                WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                                viewer.winX, viewer.winY, viewer.winWidth, viewer.winHeight,
                                nullptr, nullptr, instance, nullptr);
    if (!hwnd) ExitWithError(nullptr, "CreateWindow failed");
    if (!args.file.empty()) SetViewerTitle(hwnd);
    DragAcceptFiles(hwnd, TRUE);

    ShowWindow(hwnd, showCommand);
    UpdateWindow(hwnd);
    return RunMessageLoop();
}
