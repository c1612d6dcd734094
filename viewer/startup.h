// What both programs show and do at start-up: the notice, the window's class and title, and where
// and how big the window opens.
#pragma once

constexpr char kNoticeText[] = " mouse: touch the window image for movement----- ";
constexpr char kNoticeCaption[] = "soft by Quellmar - trackview@users.noreply.example ";
constexpr char kWindowClass[] = "OpenGL";

// The title's two marks are the acute accent, U+00B4: one byte in the Windows ANSI code page,
// two in UTF-8.
#define TRACKVIEW_TITLE(acute) " soft by Quellmar - press " acute "p" acute " key "
constexpr char kWindowTitleAnsi[] = TRACKVIEW_TITLE("\xB4");
constexpr char kWindowTitleUtf8[] = TRACKVIEW_TITLE("\xC2\xB4");

constexpr int kWindowX = 50, kWindowY = 50;

// The window is square, this fraction of the screen height on each side (truncated).
constexpr double kScreenFraction = 0.8;
inline int WindowSideFor(int screenHeight)
{
    return int(screenHeight * kScreenFraction);
}
