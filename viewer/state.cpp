// The one viewer state, the light directions, and what closing does to them.
#include "viewer/state.h"

ViewerState viewer;

const float lightPositions[6][4] = {
    {-10.0f, 14.0f, 4.0f, 0.0f}, {5.0f, -6.0f, -2.0f, 0.0f}, {0.0f, -3.0f, 4.0f, 0.0f},
    {0.0f, -2.0f, -5.0f, 0.0f},  {0.0f, 0.0f, -8.0f, 0.0f},  {-20.0f, -10.0f, -2.0f, 0.0f},
};

void ResetViewerState()
{
    viewer = ViewerState{};
}

void ViewerClose()
{
    viewer.idleHook = nullptr;
}
