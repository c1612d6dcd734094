// The window procedure of the Win32 shell: rendering context with the window, mouse to the
// trackball, the shared key table, paint and palette messages to redraw requests, and a window
// that keeps its fixed size, files dropped on it opened. Lacks: any menu, and keys beyond the
// shared table.
#include "shell/wndproc.h"

#include <shellapi.h>

#include <string>
#include <vector>

#include "loader/path.h"
#include "shell/host.h"
#include "shell/pixelformat.h"
#include "viewer/host.h"
#include "viewer/keys.h"
#include "viewer/open.h"
#include "viewer/render.h"
#include "viewer/scene.h"
#include "viewer/state.h"
#include "viewer/trackball.h"
#include "viewer/view.h"
#include "viewer/watch.h"

// Client coordinates are signed: a captured mouse reports points left of and above the window.
static int MouseX(LPARAM lParam)
{
    return (int)(short)LOWORD(lParam);
}
static int MouseY(LPARAM lParam)
{
    return (int)(short)HIWORD(lParam);
}

static void RealizeViewerPalette()
{
    UnrealizeObject((HPALETTE)viewer.hpalette);
    SelectPalette((HDC)viewer.hdc, (HPALETTE)viewer.hpalette, FALSE);
    RealizePalette((HDC)viewer.hdc);
}

// The files of a drop, each handed to the core, which opens the first.
static void OpenDropped(HDROP drop)
{
    std::vector<std::string> files;
    UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring name(DragQueryFileW(drop, i, nullptr, 0), L'\0');
        if (!name.empty() && DragQueryFileW(drop, i, &name[0], UINT(name.size() + 1)))
            files.push_back(Utf8FromWide(name));
    }
    DragFinish(drop);
    for (const std::string& file : files) ViewerDropFile(file);
    ViewerDropEnd();
}

static void CreateViewerContext(HWND hwnd)
{
    HDC hdc = GetDC(hwnd);
    viewer.hdc = hdc;
    SetupPixelFormat(hdc);
    SetupPalette(hdc);
    HGLRC hglrc = wglCreateContext(hdc);
    // Without a context the window would stay blank while the idle hook spins forever.
    if (!hglrc) ExitWithError(hwnd, "wglCreateContext failed");
    viewer.hglrc = hglrc;
    if (!wglMakeCurrent(hdc, hglrc)) ExitWithError(hwnd, "wglMakeCurrent failed");
    RECT client; // the viewport the context takes
    GetClientRect(hwnd, &client);
    viewer.viewWidth = client.right;
    viewer.viewHeight = client.bottom;
    InitScene();
    WatchTarget(hwnd);
}

static void DestroyViewerContext(HWND hwnd)
{
    if (viewer.hglrc) {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext((HGLRC)viewer.hglrc);
    }
    ViewerClose();
    ReleaseDC(hwnd, (HDC)viewer.hdc);
    PostQuitMessage(0);
}

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    bool context = viewer.hglrc != nullptr;
    switch (message) {
    case WM_CREATE:
        CreateViewerContext(hwnd);
        return 0;
    case WM_GETMINMAXINFO:
        // Arrives before WM_CREATE. On a screen narrower than the window the system would clamp
        // the window to the screen's width, and it would no longer be square nor of its size.
        if (viewer.winWidth > 0) {
            MINMAXINFO* limits = (MINMAXINFO*)lParam;
            if (limits->ptMaxTrackSize.x < viewer.winWidth)
                limits->ptMaxTrackSize.x = viewer.winWidth;
            if (limits->ptMaxTrackSize.y < viewer.winHeight)
                limits->ptMaxTrackSize.y = viewer.winHeight;
        }
        return 0;
    case WM_SIZE:
        if (!context) break;
        SetWindowPos(hwnd, HWND_TOP, 0, 0, viewer.winWidth, viewer.winHeight, SWP_NOMOVE);
        return 0;
    case WM_PAINT:
        if (!context) break;
        {
            PAINTSTRUCT ps;
            BeginPaint(hwnd, &ps);
            RequestRedraw();
            EndPaint(hwnd, &ps);
        }
        return 0;
    case WM_MOUSEMOVE:
        if (!context) break;
        TrackballMotion(MouseX(lParam), MouseY(lParam));
        ViewPanMotion(MouseX(lParam), MouseY(lParam));
        break;
    case WM_LBUTTONDOWN:
        if (!context) break;
        SetCapture(hwnd);
        TrackballStart(1, MouseX(lParam), MouseY(lParam));
        return 0;
    case WM_LBUTTONUP:
        if (!context) break;
        ReleaseCapture();
        TrackballStop(1, MouseX(lParam), MouseY(lParam));
        return 0;
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (!context) break;
        SetCapture(hwnd);
        ViewPanStart(MouseX(lParam), MouseY(lParam));
        return 0;
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        if (!context) break;
        if (!(wParam & MK_LBUTTON)) ReleaseCapture(); // a left drag keeps its capture
        ViewPanStop();
        return 0;
    case WM_MOUSEWHEEL:
        if (!context) break;
        {
            POINT at = {MouseX(lParam), MouseY(lParam)}; // on the screen
            ScreenToClient(hwnd, &at);
            ViewWheel(GET_WHEEL_DELTA_WPARAM(wParam) / float(WHEEL_DELTA), at.x, at.y);
        }
        return 0;
    case WM_CHAR:
        switch (KeyCommand(int(wParam))) {
        case KEY_CLOSE:
            DestroyWindow(hwnd);
            return 0;
        case KEY_CONSUMED:
            return 0;
        case KEY_DEFAULT:
            break;
        }
        break;
    case WM_QUERYNEWPALETTE:
        if (!viewer.hpalette) break;
        RealizeViewerPalette();
        RequestRedraw();
        return 1;
    case WM_PALETTECHANGED:
        if (!viewer.hpalette || (HWND)wParam == hwnd) break;
        RealizeViewerPalette();
        RequestRedraw();
        return 0;
    case kWatchChanged:
        WatchChanged("");
        return 0;
    case WM_TIMER:
        if (wParam != TIMER_WATCH && wParam != TIMER_REST) break;
        KillTimer(hwnd, wParam);
        ViewerTimer(int(wParam));
        return 0;
    case WM_DROPFILES:
        OpenDropped((HDROP)wParam);
        return 0;
    case WM_DESTROY:
        DestroyViewerContext(hwnd);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}
