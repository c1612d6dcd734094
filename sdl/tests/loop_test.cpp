// The message loop on SDL's event queue, with the real viewer core behind it: events always go
// before the idle hook, a typed key acts once, a drag's pending moves count as one step but never
// merge across the release, and the close button ends the loop with code 0.
#include <gtest/gtest.h>

#include <cstring>

#include "sdl/window.h"
#include "viewer/state.h"
#include "viewer/trackball.h"

static void Push(Uint32 type, int x = 0, int y = 0, const char* text = "")
{
    SDL_Event event = {};
    event.type = type;
    if (type == SDL_MOUSEMOTION) {
        event.motion.x = x;
        event.motion.y = y;
    } else if (type == SDL_MOUSEBUTTONDOWN || type == SDL_MOUSEBUTTONUP) {
        event.button = {type, 0, 0, 0, SDL_BUTTON_LEFT, 0, 1, 0, x, y};
    } else if (type == SDL_TEXTINPUT) {
        std::strncpy(event.text.text, text, sizeof event.text.text - 1);
    } else if (type == SDL_KEYDOWN) {
        event.key.keysym.sym = x;
    } else if (type == SDL_WINDOWEVENT) {
        event.window.event = Uint8(x);
    }
    ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

// Stands in for IdleRedraw: records what the loop had done when it called the hook.
static int hookCalls = 0, pendingAtHook = 0, fogAtFirstHook = -1, wireframeAtSecondHook = -1;

static void RecordingHook()
{
    ++hookCalls;
    SDL_Event events[64];
    pendingAtHook += SDL_PeepEvents(events, 64, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
    if (hookCalls == 1) {
        fogAtFirstHook = viewer.fogOn;
        Push(SDL_TEXTINPUT, 0, 0, "p");
    } else {
        wireframeAtSecondHook = viewer.wireframeOn;
        Push(SDL_WINDOWEVENT, SDL_WINDOWEVENT_CLOSE);
    }
}

TEST(MessageLoop, EventsGoFirstKeysActOnceMovesMergeUpToTheReleaseAndCloseEndsIt)
{
    ASSERT_EQ(SDL_Init(SDL_INIT_EVENTS), 0) << SDL_GetError();
    ResetViewerState();
    hookCalls = pendingAtHook = 0;
    viewer.winWidth = viewer.winHeight = 819;
    static int dummyContext;
    viewer.hglrc = &dummyContext; // the handlers act only with a context
    viewer.idleHook = RecordingHook;
    Push(SDL_KEYDOWN, SDLK_f); // followed by its text, as SDL delivers a typed 'f'
    Push(SDL_TEXTINPUT, 0, 0, "f");
    Push(SDL_TEXTINPUT, 0, 0, "Fj");
    Push(SDL_MOUSEBUTTONDOWN, 400, 400);
    Push(SDL_MOUSEMOTION, 450, 400);
    Push(SDL_MOUSEMOTION, 500, 420);
    Push(SDL_MOUSEMOTION, -20, 300);
    Push(SDL_MOUSEBUTTONUP, -20, 300);
    Push(SDL_MOUSEMOTION, 600, 100); // after the release: must not become the drag's end

    EXPECT_EQ(RunMessageLoop(), 0);
    EXPECT_EQ(hookCalls, 2);
    EXPECT_EQ(pendingAtHook, 0);
    EXPECT_EQ(fogAtFirstHook, 1);        // 'f' once, 'F' not at all
    EXPECT_EQ(wireframeAtSecondHook, 1); // the event posted by the hook went first
    EXPECT_FLOAT_EQ(viewer.keyLevel, 0.6f);
    EXPECT_EQ(viewer.idleHook, nullptr); // closing clears it
    EXPECT_EQ(viewer.spinning, 1);
    // Handled one by one, the moves would leave only the last short step; merged, the whole
    // way from the press point is one step, as a slow frame on Win32 sees it.
    float merged = viewer.rotAngle;
    ResetViewerState();
    viewer.winWidth = viewer.winHeight = 819;
    TrackballStart(1, 400, 400);
    TrackballMotion(-20, 300);
    EXPECT_EQ(merged, viewer.rotAngle);
    ResetViewerState();
    SDL_Quit();
}
