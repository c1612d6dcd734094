// The Win32 program's side of the core's host calls: SwapBuffers, a title in UTF-16, the error
// box, and the progress line from a timer-queue thread while the main thread reads.
#include "shell/host.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "loader/path.h"
#include "viewer/host.h"
#include "viewer/state.h"
#include "viewer/watch.h"

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

// Watching: a thread waits on the system's change notice for the folder and posts a message to
// the window for each; the timers of HostLater are window timers. Both wait without
// using the processor.
static std::atomic<HWND> watchTarget{nullptr}; // once the window exists; until then changes pass
static HANDLE watchThread = nullptr, watchStop = nullptr;
static std::wstring watchFolder;

static DWORD WINAPI WaitForChanges(void*)
{
    HANDLE change = FindFirstChangeNotificationW(
        watchFolder.c_str(), FALSE,
        FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE);
    if (change == INVALID_HANDLE_VALUE) return 0;
    HANDLE waits[2] = {change, watchStop};
    while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0) {
        if (HWND target = watchTarget.load()) PostMessageW(target, kWatchChanged, 0, 0);
        if (!FindNextChangeNotification(change)) break;
    }
    FindCloseChangeNotification(change);
    return 0;
}

void HostWatchFolder(const std::string& folder)
{
    if (watchThread) { // the thread reads the folder's name: it ends before the name changes
        SetEvent(watchStop);
        WaitForSingleObject(watchThread, INFINITE);
        CloseHandle(watchThread);
        watchThread = nullptr;
    }
    if (!watchStop) watchStop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ResetEvent(watchStop);
    watchFolder = WideFromUtf8(folder);
    watchThread = CreateThread(nullptr, 0, WaitForChanges, nullptr, 0, nullptr);
}

void WatchTarget(HWND window)
{
    watchTarget = window;
}

void HostLater(HostTimer timer, int ms)
{
    if (ViewerWindow()) SetTimer(ViewerWindow(), UINT_PTR(timer), UINT(ms), nullptr);
}

void* HostGLProc(const char* name)
{
    // Some drivers answer 1, 2, 3 or -1 for a function they lack.
    PROC proc = wglGetProcAddress(name);
    intptr_t value = reinterpret_cast<intptr_t>(proc);
    return value >= -1 && value <= 3 ? nullptr : reinterpret_cast<void*>(proc);
}
