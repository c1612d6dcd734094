// Test program: the real trackview shell (WinMain and all) with one platform call going wrong,
// chosen by the first argument, to see how each failure reaches the user:
//   pixelformat  the window's device context already has another pixel format, so the shell's
//                SetPixelFormat fails for real
//   context      wglCreateContext returns no context
//   current      wglMakeCurrent fails to make a context current
//   message      GetMessageA reports an error (-1)
//   class        RegisterClassA fails
//   window       CreateWindowExA returns no window
//   palette      the format reads back as a 3-3-2 format that needs a palette; the palette the
//                shell creates is printed on stdout and then really created
// The fault's name is no file to open: the shell sees a command line without it.
// The seams are the import-table pointers the shell calls through: this file defines them, so
// the linker takes them instead of the import library's, and they forward to the real functions.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>

static const char* fault = "";

static bool Fault(const char* name)
{
    return std::strcmp(fault, name) == 0;
}

// The real function NAME of DLL, as a pointer of the seam's own type.
#define REAL(dll, name, seam)                                                                      \
    reinterpret_cast<decltype(&seam)>(GetProcAddress(GetModuleHandleA(dll), name))

// Sets a pixel format other than the one the shell will choose, as a second party might.
static void SetOtherPixelFormat(HDC hdc)
{
    PIXELFORMATDESCRIPTOR pfd = {sizeof pfd, 1,
                                 PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER};
    pfd.cColorBits = 8; // as the shell asks
    pfd.cDepthBits = 16;
    int chosen = ChoosePixelFormat(hdc, &pfd);
    int count = DescribePixelFormat(hdc, 1, sizeof pfd, nullptr);
    for (int format = 1; format <= count; ++format) {
        if (format == chosen || !DescribePixelFormat(hdc, format, sizeof pfd, &pfd)) continue;
        if (!(pfd.dwFlags & PFD_SUPPORT_OPENGL) || !(pfd.dwFlags & PFD_DRAW_TO_WINDOW)) continue;
        if (SetPixelFormat(hdc, format, &pfd)) return;
    }
}

static HDC WINAPI FaultGetDC(HWND hwnd)
{
    HDC hdc = REAL("user32.dll", "GetDC", FaultGetDC)(hwnd);
    if (Fault("pixelformat")) SetOtherPixelFormat(hdc);
    return hdc;
}

static HGLRC WINAPI FaultCreateContext(HDC hdc)
{
    return Fault("context") ? nullptr
                            : REAL("opengl32.dll", "wglCreateContext", FaultCreateContext)(hdc);
}

static BOOL WINAPI FaultMakeCurrent(HDC hdc, HGLRC hglrc)
{
    if (Fault("current") && hglrc) return FALSE;
    return REAL("opengl32.dll", "wglMakeCurrent", FaultMakeCurrent)(hdc, hglrc);
}

static BOOL WINAPI FaultGetMessageA(MSG* msg, HWND hwnd, UINT first, UINT last)
{
    if (Fault("message")) return -1;
    return REAL("user32.dll", "GetMessageA", FaultGetMessageA)(msg, hwnd, first, last);
}

static ATOM WINAPI FaultRegisterClassA(const WNDCLASSA* wc)
{
    return Fault("class") ? 0 : REAL("user32.dll", "RegisterClassA", FaultRegisterClassA)(wc);
}

static HWND WINAPI FaultCreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style,
                                        int x, int y, int width, int height, HWND parent,
                                        HMENU menu, HINSTANCE instance, LPVOID param)
{
    if (Fault("window")) return nullptr;
    return REAL("user32.dll", "CreateWindowExA", FaultCreateWindowExA)(
        exStyle, className, title, style, x, y, width, height, parent, menu, instance, param);
}

static int WINAPI FaultDescribePixelFormat(HDC hdc, int format, UINT size,
                                           PIXELFORMATDESCRIPTOR* pfd)
{
    int count =
        REAL("gdi32.dll", "DescribePixelFormat", FaultDescribePixelFormat)(hdc, format, size, pfd);
    if (Fault("palette") && pfd) {
        pfd->dwFlags |= PFD_NEED_PALETTE;
        pfd->cColorBits = 8, pfd->cRedBits = 3, pfd->cRedShift = 0;
        pfd->cGreenBits = 3, pfd->cGreenShift = 3, pfd->cBlueBits = 2, pfd->cBlueShift = 6;
    }
    return count;
}

static HPALETTE WINAPI FaultCreatePalette(const LOGPALETTE* block)
{
    std::printf("palette version 0x%X, %d entries:", block->palVersion, block->palNumEntries);
    for (int i : {0, 1, 7, 56, 192, 255}) {
        const PALETTEENTRY& e = block->palPalEntry[i];
        if (i < block->palNumEntries)
            std::printf(" %d=%d,%d,%d,%d", i, e.peRed, e.peGreen, e.peBlue, e.peFlags);
    }
    std::printf("\n");
    std::fflush(stdout);
    return REAL("gdi32.dll", "CreatePalette", FaultCreatePalette)(block);
}

static LPWSTR WINAPI FaultGetCommandLineW()
{
    static wchar_t line[] = L"trackview-faults.exe";
    return line;
}

extern "C" {
void* __imp_GetDC = reinterpret_cast<void*>(FaultGetDC);
void* __imp_wglCreateContext = reinterpret_cast<void*>(FaultCreateContext);
void* __imp_wglMakeCurrent = reinterpret_cast<void*>(FaultMakeCurrent);
void* __imp_GetMessageA = reinterpret_cast<void*>(FaultGetMessageA);
void* __imp_RegisterClassA = reinterpret_cast<void*>(FaultRegisterClassA);
void* __imp_CreateWindowExA = reinterpret_cast<void*>(FaultCreateWindowExA);
void* __imp_DescribePixelFormat = reinterpret_cast<void*>(FaultDescribePixelFormat);
void* __imp_CreatePalette = reinterpret_cast<void*>(FaultCreatePalette);
void* __imp_GetCommandLineW = reinterpret_cast<void*>(FaultGetCommandLineW);
}

int main(int argc, char** argv)
{
    if (argc > 1) fault = argv[1];
    return WinMain(GetModuleHandleA(nullptr), nullptr, GetCommandLineA(), SW_SHOWNORMAL);
}
