// Test program: lists the visible top-level windows of the Wine session it runs in, with what X
// cannot tell: exact ANSI titles, window classes, owners, client areas and child-control texts
// (the text of a message box). One line per window, then one per child; control characters in
// texts are written as \xHH:
//   window|CLASS|TITLE|OWNER-CLASS or -|LEFT,TOP,WIDTH,HEIGHT|CLIENT-LEFT,CLIENT-TOP,WIDTH,HEIGHT
//   child|CLASS|TEXT
// With "icons EXE" it lists the images of icon group 101 of EXE instead:
//   icon|WIDTH|HEIGHT|COLOURS|BITS
// With "send CLASS MESSAGE" it sends MESSAGE (a number, wParam and lParam 0) to the window of
// class CLASS and prints the result:
//   result|RESULT
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <io.h>

#include "shell/resource.h"

static void PrintText(const char* text)
{
    for (const unsigned char* c = (const unsigned char*)text; *c; ++c)
        std::printf(*c < 0x20 ? "\\x%02X" : "%c", *c);
}

static BOOL CALLBACK PrintChild(HWND hwnd, LPARAM)
{
    char name[256] = "", text[1024] = "";
    GetClassNameA(hwnd, name, sizeof name);
    GetWindowTextA(hwnd, text, sizeof text);
    std::printf("child|%s|", name);
    PrintText(text);
    std::putchar('\n');
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

// The group directory of an icon resource: a 6-byte header with the count at offset 4, then one
// 14-byte entry per image: width, height, colours, a reserved byte, planes, bits (16-bit).
static int PrintIcons(const char* path)
{
    HMODULE module = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC resource =
        module ? FindResourceA(module, MAKEINTRESOURCEA(IDI_TRACKVIEW), RT_GROUP_ICON) : nullptr;
    const BYTE* group =
        resource ? static_cast<const BYTE*>(LockResource(LoadResource(module, resource))) : nullptr;
    if (!group) return 1;
    for (const BYTE* e = group + 6; e < group + 6 + 14 * group[4]; e += 14)
        std::printf("icon|%d|%d|%d|%d\n", e[0], e[1], e[2], e[6] | e[7] << 8);
    return 0;
}

static int SendToWindow(const char* windowClass, const char* message)
{
    HWND hwnd = FindWindowA(windowClass, nullptr);
    DWORD_PTR result = 0;
    if (!hwnd || !SendMessageTimeoutA(hwnd, UINT(std::strtoul(message, nullptr, 0)), 0, 0,
                                      SMTO_ABORTIFHUNG, 5000, &result))
        return 1;
    std::printf("result|%lld\n", (long long)result);
    return 0;
}

int main(int argc, char** argv)
{
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc == 3 && std::strcmp(argv[1], "icons") == 0) return PrintIcons(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "send") == 0) return SendToWindow(argv[2], argv[3]);
    EnumWindows(PrintWindow, 0);
    return 0;
}
