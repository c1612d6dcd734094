// Test program: lists the visible top-level windows of the Wine session it runs in, with what X
// cannot tell: exact ANSI titles, window classes, owners, client areas and child-control texts
// (the text of a message box). One line per window, then one per child:
//   window|CLASS|TITLE|OWNER-CLASS or -|LEFT,TOP,WIDTH,HEIGHT|CLIENT-LEFT,CLIENT-TOP,WIDTH,HEIGHT
//   child|CLASS|TEXT
#include <windows.h>

#include <cstdio>
#include <fcntl.h>
#include <io.h>

static BOOL CALLBACK PrintChild(HWND hwnd, LPARAM)
{
    char name[256] = "", text[1024] = "";
    GetClassNameA(hwnd, name, sizeof name);
    GetWindowTextA(hwnd, text, sizeof text);
    std::printf("child|%s|%s\n", name, text);
    return TRUE;
}

static BOOL CALLBACK PrintWindow(HWND hwnd, LPARAM)
{
    if (!IsWindowVisible(hwnd)) return TRUE;
    char name[256] = "", title[1024] = "", owner[256] = "-";
    GetClassNameA(hwnd, name, sizeof name);
    GetWindowTextA(hwnd, title, sizeof title);
    if (HWND ownerWindow = GetWindow(hwnd, GW_OWNER))
        GetClassNameA(ownerWindow, owner, sizeof owner);
    RECT rect, client;
    GetWindowRect(hwnd, &rect);
    GetClientRect(hwnd, &client);
    POINT origin = {0, 0};
    ClientToScreen(hwnd, &origin);
    std::printf("window|%s|%s|%s|%ld,%ld,%ld,%ld|%ld,%ld,%ld,%ld\n", name, title, owner, rect.left,
                rect.top, rect.right - rect.left, rect.bottom - rect.top, origin.x, origin.y,
                client.right, client.bottom);
    EnumChildWindows(hwnd, PrintChild, 0);
    return TRUE;
}

int main()
{
    _setmode(_fileno(stdout), _O_BINARY);
    EnumWindows(PrintWindow, 0);
    return 0;
}
