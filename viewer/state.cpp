// The one viewer state, the light directions, what closing does to them, and the timers the
// platform hands back.
#include "viewer/state.h"

#include "viewer/host.h"
#include "viewer/model.h"
#include "viewer/watch.h"

ViewerState viewer;

const float lightPositions[6][4] = {
    {-10.0f, 14.0f, 4.0f, 0.0f}, {5.0f, -6.0f, -2.0f, 0.0f}, {0.0f, -3.0f, 4.0f, 0.0f},
    {0.0f, -2.0f, -5.0f, 0.0f},  {0.0f, 0.0f, -8.0f, 0.0f},  {-20.0f, -10.0f, -2.0f, 0.0f},
};

void ResetViewerState()
{
    viewer = ViewerState{};
    ModelForget();
}

void ViewerTimer(int timer)
{
    if (timer == TIMER_WATCH) WatchTick();
    if (timer == TIMER_REST) ModelRest();
}

void ViewerClose()
{
    viewer.idleHook = nullptr;
}
