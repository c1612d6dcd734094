#include "shell/open.h"

#include <cstdio>
#include <vector>

#include "viewer/open.h"
#include "viewer/render.h"
#include "viewer/state.h"

static std::wstring Utf16(const std::string& text)
{
    int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(size_t(length > 0 ? length : 0), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), &wide[0], length);
    return wide;
}

static std::string Utf8(const std::wstring& wide)
{
    int size = int(wide.size());
    int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string text(size_t(length > 0 ? length : 0), '\0');
    if (length > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, &text[0], length, nullptr, nullptr);
    return text;
}

static void ShowBox(HWND owner, const std::string& text, const wchar_t* caption, UINT flags)
{
    MessageBoxW(owner, Utf16(text).c_str(), caption, flags);
}

static void ShowError(HWND owner, const std::string& text)
{
    std::fprintf(stderr, "trackview: %s\n", text.c_str());
    std::fflush(stderr);
    ShowBox(owner, text, L"Error", MB_OK | MB_ICONERROR);
}

ViewerArgs ParseCommandLine()
{
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; argv && i < count; ++i) args.push_back(Utf8(argv[i]));
    LocalFree(argv);
    return ParseViewerArgs(args);
}

int AnswerArguments(const ViewerArgs& args)
{
    if (args.action == VIEWER_USAGE_ERROR) {
        ShowError(nullptr, args.error);
        return 2;
    }
    ShowBox(nullptr, args.action == VIEWER_HELP ? kViewerUsage : "trackview " TRACKVIEW_VERSION,
            L"trackview", MB_OK);
    return 0;
}

static std::string progressLine;

static void CALLBACK SayProgress(void*, BOOLEAN)
{
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), progressLine.data(), DWORD(progressLine.size()),
              &written, nullptr);
}

bool OpenAtStart(const std::string& path)
{
    progressLine = "trackview: " + LoadingText(path) + "\n";
    HANDLE timer = nullptr;
    CreateTimerQueueTimer(&timer, nullptr, SayProgress, nullptr, 500, 0, WT_EXECUTEONLYONCE);
    std::string error;
    bool opened = ViewerOpenFile(path, &error);
    if (timer) DeleteTimerQueueTimer(nullptr, timer, INVALID_HANDLE_VALUE); // waits for the line
    if (!opened) ShowError(nullptr, error);
    return opened;
}

void SetViewerTitle(HWND hwnd, const std::string& text)
{
    // The window is an ANSI one: SetWindowTextW would pass the title through the ANSI code page.
    std::wstring title = Utf16(text.empty() ? ViewerTitle() : text);
    DefWindowProcW(hwnd, WM_SETTEXT, 0, LPARAM(title.c_str()));
}

void OpenDropped(HWND hwnd, HDROP drop)
{
    std::wstring first(DragQueryFileW(drop, 0, nullptr, 0), L'\0');
    if (!first.empty()) DragQueryFileW(drop, 0, &first[0], UINT(first.size() + 1));
    DragFinish(drop);
    if (first.empty() || !viewer.hglrc) return;
    std::string path = Utf8(first), error;
    SetViewerTitle(hwnd, LoadingText(path));
    RenderFrame();
    if (!ViewerOpenFile(path, &error)) ShowError(hwnd, error);
    SetViewerTitle(hwnd);
}
