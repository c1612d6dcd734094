// The message loop on SDL's event queue, with the real viewer core behind it: events always go
// before the idle hook, a drag's pending moves count as one step, and closing ends with code 0.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "sdl/window.h"
#include "viewer/state.h"
#include "viewer/trackball.h"

void PresentFrame(void*) {}

static void Push(SDL_Event event)
{
    ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

static void PushText(const char* text)
{
    SDL_Event event = {};
    event.type = SDL_TEXTINPUT;
    std::strncpy(event.text.text, text, sizeof event.text.text - 1);
    Push(event);
}

static void PushKeyDown(SDL_Keycode key)
{
    SDL_Event event = {};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = key;
    Push(event);
}

static void PushMouse(Uint32 type, int x, int y)
{
    SDL_Event event = {};
    event.type = type;
    if (type == SDL_MOUSEMOTION) {
        event.motion.x = x;
        event.motion.y = y;
    } else {
        event.button.button = SDL_BUTTON_LEFT;
        event.button.x = x;
        event.button.y = y;
    }
    Push(event);
}

static void PushType(Uint32 type)
{
    SDL_Event event = {};
    event.type = type;
    Push(event);
}

static int PendingEvents()
{
    SDL_Event events[64];
    return SDL_PeepEvents(events, 64, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
}

// Stands in for IdleRedraw: records what the loop had done when it called the hook.
static int hookCalls = 0;
static int pendingAtHook = 0;
static int fogAtFirstHook = -1, wireframeAtSecondHook = -1;

static void RecordingHook()
{
    ++hookCalls;
    pendingAtHook += PendingEvents();
    if (hookCalls == 1) {
        fogAtFirstHook = viewer.fogOn;
        PushText("p");
    } else if (hookCalls == 2) {
        wireframeAtSecondHook = viewer.wireframeOn;
        PushType(SDL_QUIT);
    }
}

class MessageLoop : public testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_EQ(SDL_Init(SDL_INIT_EVENTS), 0) << SDL_GetError();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        ResetViewerState();
        viewer.winWidth = viewer.winHeight = 819;
        hookCalls = pendingAtHook = 0;
        fogAtFirstHook = wireframeAtSecondHook = -1;
    }
    void TearDown() override
    {
        ResetViewerState();
        SDL_Quit();
    }
};

TEST_F(MessageLoop, EveryWaitingEventIsHandledBeforeTheIdleHookRuns)
{
    viewer.idleHook = RecordingHook;
    PushKeyDown(SDLK_f); // followed by its text, as SDL delivers a typed 'f'
    PushText("f");
    PushText("F");
    PushText("j");

    EXPECT_EQ(RunMessageLoop(), 0);
    EXPECT_EQ(hookCalls, 2);
    EXPECT_EQ(pendingAtHook, 0);
    EXPECT_EQ(fogAtFirstHook, 1);        // 'f' once, 'F' not at all
    EXPECT_EQ(wireframeAtSecondHook, 1); // the event posted by the hook went first
    EXPECT_FLOAT_EQ(viewer.keyLevel, 0.6f);
    EXPECT_EQ(viewer.idleHook, nullptr); // closing clears it
}

TEST_F(MessageLoop, EscAndTheCloseButtonEndTheLoopWithCodeZero)
{
    for (bool esc : {true, false}) {
        ResetViewerState();
        viewer.idleHook = RecordingHook;
        PushText("f");
        if (esc) {
            PushKeyDown(SDLK_ESCAPE);
        } else {
            SDL_Event close = {};
            close.type = SDL_WINDOWEVENT;
            close.window.event = SDL_WINDOWEVENT_CLOSE;
            Push(close);
        }
        PushText("p"); // never reached
        EXPECT_EQ(RunMessageLoop(), 0);
        EXPECT_EQ(viewer.fogOn, 1);
        EXPECT_EQ(viewer.wireframeOn, 0);
        EXPECT_EQ(viewer.idleHook, nullptr);
        EXPECT_EQ(hookCalls, 0);
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
}

TEST_F(MessageLoop, ADragReleasedOutsideTheWindowSpinsWithTheStepOfAllPendingMoves)
{
    static int dummyContext;
    viewer.hglrc = &dummyContext; // the handlers act only with a context
    viewer.idleHook = RecordingHook;
    PushMouse(SDL_MOUSEBUTTONDOWN, 400, 400);
    PushMouse(SDL_MOUSEMOTION, 450, 400);
    PushMouse(SDL_MOUSEMOTION, 500, 420);
    PushMouse(SDL_MOUSEMOTION, -20, 300);
    PushMouse(SDL_MOUSEBUTTONUP, -20, 300);
    PushType(SDL_QUIT);

    EXPECT_EQ(RunMessageLoop(), 0);
    EXPECT_EQ(viewer.dragging, 0);
    EXPECT_EQ(viewer.spinning, 1);
    EXPECT_EQ(viewer.rotating, 1);
    // Handled one by one, the moves would leave only the last short step; merged, the whole
    // way from the press point is one step, as a slow frame on Win32 sees it.
    Vec3 from = TrackballPoint(400, 400, 819, 819), to = TrackballPoint(-20, 300, 819, 819);
    float dx = to.x - from.x, dy = to.y - from.y, dz = to.z - from.z;
    EXPECT_NEAR(viewer.rotAngle, 90.0f * std::sqrt(dx * dx + dy * dy + dz * dz), 1e-4);
}
