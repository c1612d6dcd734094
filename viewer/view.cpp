// The view's zoom and position, kept in the state and handed to the projection on the next frame.
#include "viewer/view.h"

#include <algorithm>
#include <cmath>

#include "model/mesh.h"
#include "viewer/render.h"
#include "viewer/scene.h"
#include "viewer/state.h"

// The viewport in pixels, and the eye units a pixel spans across and down it: the box is
// 2 x 150.5 x aspect by 2 x 150.5 units over the zoom (the aspect from the window's outer size,
// as the projection takes it), spread over the viewport's pixels.
struct Pixels {
    double width, height, across, down;
};

static Pixels ViewPixels()
{
    Pixels p;
    p.width = std::max(viewer.viewWidth > 0 ? viewer.viewWidth : viewer.winWidth, 1);
    p.height = std::max(viewer.viewHeight > 0 ? viewer.viewHeight : viewer.winHeight, 1);
    double aspect = viewer.winHeight > 0 ? double(viewer.winWidth) / viewer.winHeight : 1.0;
    p.down = 2.0 * kViewLimit / double(viewer.zoom) / p.height;
    p.across = 2.0 * kViewLimit * aspect / double(viewer.zoom) / p.width;
    return p;
}

static void ViewChanged()
{
    viewer.projectionStale = 1;
    RequestRedraw();
}

void ViewWheel(float notches, int x, int y)
{
    if (!std::isfinite(notches)) return;
    Pixels p = ViewPixels();
    float factor = float(std::pow(double(kZoomStep), double(notches)));
    float zoom = std::min(std::max(viewer.zoom * factor, kZoomMin), kZoomMax);
    if (zoom == viewer.zoom) return;
    // The point under (x, y) lies this far from the centre in eye units; after the zoom the
    // same distance on the screen spans zoom / new zoom of it, and the centre moves up the rest.
    double fromCentreX = (x + 0.5 - p.width / 2) * p.across;
    double fromCentreY = (p.height / 2 - y - 0.5) * p.down;
    double moved = 1.0 - double(viewer.zoom) / double(zoom);
    viewer.viewX = float(viewer.viewX + fromCentreX * moved);
    viewer.viewY = float(viewer.viewY + fromCentreY * moved);
    viewer.zoom = zoom;
    ViewChanged();
}

void ViewZoomKey(int notches)
{
    Pixels p = ViewPixels();
    ViewWheel(float(notches), int(p.width / 2), int(p.height / 2));
}

void ViewPanStart(int x, int y)
{
    viewer.panning = 1;
    viewer.panX = x;
    viewer.panY = y;
}

void ViewPanMotion(int x, int y)
{
    if (viewer.panning != 1) return;
    Pixels p = ViewPixels();
    // The box moves against the pointer, so that the model follows it.
    viewer.viewX = float(viewer.viewX - (x - viewer.panX) * p.across);
    viewer.viewY = float(viewer.viewY + (y - viewer.panY) * p.down);
    viewer.panX = x;
    viewer.panY = y;
    ViewChanged();
}

void ViewPanStop()
{
    viewer.panning = 0;
}

void ViewReset()
{
    const ViewerState start;
    viewer.zoom = start.zoom;
    viewer.viewX = start.viewX;
    viewer.viewY = start.viewY;
    viewer.panning = start.panning;
    viewer.rotating = start.rotating;
    viewer.spinning = start.spinning;
    viewer.dragging = start.dragging;
    viewer.rotAngle = start.rotAngle;
    viewer.rotAxis = start.rotAxis;
    ResetObjectXform();
    ViewChanged();
}
