// The virtual trackball: window points onto a unit sphere with a cosine profile, and drags into
// rotation steps that frames apply.
#include "viewer/trackball.h"

#include <cmath>

#include "viewer/pi.h"
#include "viewer/render.h"
#include "viewer/state.h"

static const float kHalfPi = float(kPi / 2); // in single precision, as the profile uses it
static const float kGain = 90.0f;            // degrees per unit of chord length

Vec3 TrackballPoint(int x, int y, int width, int height)
{
    double px = (2.0 * x - width) / width;
    double py = (height - 2.0 * y) / height;
    double d = std::sqrt(px * px + py * py);
    if (!(d < 1.0)) d = 1.0; // also catches NaN
    // Height of the sphere follows a cosine profile; points beyond the rim land on the equator.
    double pz = std::cos(d * kHalfPi);
    double length = std::sqrt(px * px + py * py + pz * pz);
    return Vec3{float(px / length), float(py / length), float(pz / length)};
}

void TrackballStart(int button, int x, int y)
{
    if (button != 1) return;
    viewer.rotating = 1;
    viewer.dragging = 1;
    viewer.spinning = 0; // a frame still pending applies the old step once more
    viewer.dragStartX = x;
    viewer.dragStartY = y;
    viewer.lastPos = TrackballPoint(x, y, viewer.winWidth, viewer.winHeight);
}

void TrackballMotion(int x, int y)
{
    if (viewer.dragging != 1) return;
    Vec3 cur = TrackballPoint(x, y, viewer.winWidth, viewer.winHeight);
    Vec3 last = viewer.lastPos;
    double dx = double(cur.x) - last.x, dy = double(cur.y) - last.y, dz = double(cur.z) - last.z;
    viewer.rotAngle = float(kGain * std::sqrt(dx * dx + dy * dy + dz * dz));
    viewer.rotAxis = Vec3{last.y * cur.z - last.z * cur.y, last.z * cur.x - last.x * cur.z,
                          last.x * cur.y - last.y * cur.x};
    viewer.lastPos = cur;
    RequestRedraw();
}

void TrackballStop(int button, int x, int y)
{
    if (button != 1 || viewer.rotating != 1) return;
    viewer.dragging = 0;
    if (x == viewer.dragStartX && y == viewer.dragStartY) {
        viewer.rotAngle = 0.0f; // a click: stop and forget the step
        viewer.spinning = 0;
        viewer.rotating = 0;
    } else {
        viewer.spinning = 1;
    }
    RequestRedraw();
}
