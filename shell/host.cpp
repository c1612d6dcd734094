// The Win32 program's side of the core's host calls: SwapBuffers, a title in UTF-16, the error
// box, and the progress line from a timer-queue thread while the main thread reads.
#include "shell/host.h"

#include <cstdio>
#include <cstdlib>

#include "loader/path.h"
#include "viewer/host.h"
#include "viewer/state.h"

static HWND ViewerWindow()
{
    return viewer.hdc ? WindowFromDC((HDC)viewer.hdc) : nullptr;
}

void HostPresentFrame(void* hdc)
{
    SwapBuffers((HDC)hdc);
}

void HostSetTitle(const std::string& title)
{
    // The window is an ANSI one: SetWindowTextW would pass the title through the ANSI code page.
    std::wstring wide = WideFromUtf8(title);
    if (!ViewerWindow()) return;
    DefWindowProcW(ViewerWindow(), WM_SETTEXT, 0, LPARAM(wide.c_str()));
    // A look at the queue hands the new title on to the display now (Wine sends it to the X
    // server only then): a long read may follow.
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
}

void ShowErrorBox(HWND owner, const std::string& text)
{
    std::string line = text; // "ChoosePixelFormat failed\n" keeps its line feed in the box only
    while (!line.empty() && line.back() == '\n') line.pop_back();
    std::fprintf(stderr, "trackview: %s\n", line.c_str());
    std::fflush(stderr);
    MessageBoxW(owner, WideFromUtf8(text).c_str(), L"Error", MB_OK | MB_ICONERROR);
}

void ExitWithError(HWND owner, const char* text)
{
    ShowErrorBox(owner, text);
    std::exit(1);
}

void HostShowError(const std::string& text)
{
    ShowErrorBox(ViewerWindow(), text);
}

static std::string progressLine;
static HANDLE progressTimer = nullptr;

static void CALLBACK SayProgress(void*, BOOLEAN)
{
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), progressLine.data(), DWORD(progressLine.size()),
              &written, nullptr);
}

void HostProgressBegin(const std::string& line, int afterMs)
{
    progressLine = line + "\n";
    CreateTimerQueueTimer(&progressTimer, nullptr, SayProgress, nullptr, DWORD(afterMs), 0,
                          WT_EXECUTEONLYONCE);
}

void HostProgressEnd()
{
    // Waits for a line being written.
    if (progressTimer) DeleteTimerQueueTimer(nullptr, progressTimer, INVALID_HANDLE_VALUE);
    progressTimer = nullptr;
}
