// Entry point of the Win32 program: the window class, the start-up notice, the fixed-size window
// and the message loop that doubles as the render loop through the viewer's idle hook.
// Lacks: command-line options (the command line is ignored) and any window but the one.
#include <windows.h>

#include "shell/pixelformat.h"
#include "shell/wndproc.h"
#include "viewer/platform.h"
#include "viewer/state.h"

static const char windowClass[] = "OpenGL";
static const char noticeText[] = " mouse: touch the window image for movement----- ";
static const char noticeCaption[] = "soft by Quellmar - trackview@users.noreply.example ";
// 0xB4 is the acute accent in the Windows ANSI code page.
static const char windowTitle[] = " soft by Quellmar - press \xB4p\xB4 key ";

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
        if (GetMessageA(&msg, nullptr, 0, 0) != 1) return (int)msg.wParam;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(101));
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.lpszClassName = windowClass;
    // Without the class or the window no message would ever come: say so instead of waiting.
    if (!RegisterClassA(&wc)) ExitWithError(nullptr, "RegisterClass failed");

    MessageBoxA(nullptr, noticeText, noticeCaption, MB_OK);

    viewer.winWidth = (int)(GetSystemMetrics(SM_CYSCREEN) * 0.8);
    viewer.winHeight = (int)(GetSystemMetrics(SM_CYSCREEN) * 0.8);
    HWND hwnd = CreateWindowExA(0, windowClass, windowTitle,
                                WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                                viewer.winX, viewer.winY, viewer.winWidth, viewer.winHeight,
                                nullptr, nullptr, instance, nullptr);
    if (!hwnd) ExitWithError(nullptr, "CreateWindow failed");

    ShowWindow(hwnd, showCommand);
    UpdateWindow(hwnd);
    return RunMessageLoop();
}
