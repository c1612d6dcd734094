// libFuzzer target for the viewer core, linked with the counting GL layer instead of a driver.
// Bytes become what a shell feeds the core: byte 0 picks the window size (odd ones included),
// then each event is one op byte and its operands:
//   op & 7: 0 press, 1 move, 2 release (int16 x, int16 y, little-endian; the left button, or
//           with bit 7 set the right one, which pans), 3 key (one byte, the character code),
//           4 paint, 5 and 7 idle (1 + ((op >> 3) & 7) turns of the message loop), 6 move (with
//           bit 7 set: the wheel at x, y, ((op >> 3) & 15) - 7.5 notches).
// After every call the state must keep its invariants; any breach aborts with a reason.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "null/countgl.h"
#include "viewer/keys.h"
#include "viewer/render.h"
#include "viewer/scene.h"
#include "viewer/state.h"
#include "viewer/trackball.h"
#include "viewer/view.h"

namespace
{

const uint8_t *next, *end; // the input not read yet

bool TakeByte(uint8_t* value)
{
    if (next == end) return false;
    *value = *next++;
    return true;
}

bool TakeInt16(int* value)
{
    uint8_t lo, hi;
    if (!TakeByte(&lo) || !TakeByte(&hi)) return false;
    *value = int16_t(uint16_t(lo | (hi << 8)));
    return true;
}

void Check(bool kept, const char* call, const char* what)
{
    if (kept) return;
    std::fprintf(stderr, "core_fuzz: after %s: %s\n", call, what);
    std::abort();
}

// A proper rotation: orthonormal 3x3 part with determinant +1, no translation or projective part
// (every comparison also fails on NaN).
bool IsRotation(const float* m)
{
    for (int a = 0; a < 3; ++a)
        for (int b = a; b < 3; ++b) {
            double dot = 0.0;
            for (int k = 0; k < 3; ++k) dot += double(m[4 * a + k]) * m[4 * b + k];
            if (!(std::fabs(dot - (a == b ? 1.0 : 0.0)) <= 1e-4)) return false;
        }
    double det = m[0] * (double(m[5]) * m[10] - double(m[9]) * m[6]) -
                 m[4] * (double(m[1]) * m[10] - double(m[9]) * m[2]) +
                 m[8] * (double(m[1]) * m[6] - double(m[5]) * m[2]);
    for (int i : {3, 7, 11, 12, 13, 14})
        if (!(std::fabs(m[i]) <= 1e-4)) return false;
    return std::fabs(det - 1.0) <= 1e-4 && std::fabs(m[15] - 1.0) <= 1e-4;
}

void CheckInvariants(const char* call)
{
    const ViewerState& v = viewer;
    auto IsSwitch = [](int value) { return value == 0 || value == 1; };
    Check(IsSwitch(v.dragging) && IsSwitch(v.rotating) && IsSwitch(v.spinning) &&
              IsSwitch(v.fogOn) && IsSwitch(v.wireframeOn),
          call, "a switch outside 0/1");
    Check(v.dragging == 0 || v.rotating == 1, call, "dragging while not rotating");
    Check(!v.idleHook || v.idleHook == IdleRedraw, call, "idleHook neither none nor IdleRedraw");
    Check(IsRotation(v.objectXform), call, "objectXform is not a rotation");
    Check(v.rotAngle >= 0.0f && v.rotAngle <= 180.001f, call, "rotAngle outside [0, 180]");
    Check(std::isfinite(v.rotAxis.x) && std::isfinite(v.rotAxis.y) && std::isfinite(v.rotAxis.z),
          call, "rotAxis is not finite");
    Check(v.zoom >= kZoomMin && v.zoom <= kZoomMax && std::isfinite(v.viewX) &&
              std::isfinite(v.viewY) && IsSwitch(v.panning) && IsSwitch(v.projectionStale),
          call, "the view's zoom outside its limits, its centre not finite or a switch off 0/1");
    Check(CountGlMisuses() == 0, call, CountGlFirstMisuse());
    Check(!CountGlInsideBegin() && CountGlMatrixMode() == GL_MODELVIEW &&
              CountGlStackDepth(GL_MODELVIEW) == 1 && CountGlStackDepth(GL_PROJECTION) == 1,
          call, "GL left inside glBegin, off the modelview matrix or with a matrix pushed");
    const float* modelview = CountGlTopMatrix(GL_MODELVIEW); // the lights are set under it
    for (int i = 0; i < 16; ++i)
        Check(modelview[i] == (i % 5 == 0 ? 1.0f : 0.0f), call, "modelview is not the identity");
}

// One turn of the message loop with no message waiting.
void RunIdle()
{
    if (!viewer.idleHook) return;
    float before[16];
    std::memcpy(before, viewer.objectXform, sizeof before);
    bool still = viewer.rotating != 1;
    long long presented = CountGlCalls(CGL_PRESENT_FRAME);
    viewer.idleHook();
    Check(CountGlCalls(CGL_PRESENT_FRAME) == presented + 1, "idle", "not exactly one frame");
    Check(!still || std::memcmp(before, viewer.objectXform, sizeof before) == 0, "idle",
          "a frame turned the mesh while not rotating");
    Check(CountGlPolygonMode() == GL_FILL && !CountGlIsEnabled(GL_LIGHTING) &&
              !CountGlIsEnabled(GL_DEPTH_TEST) && CountGlIsEnabled(GL_FOG) == (viewer.fogOn == 1),
          "idle", "a frame left polygon mode, lighting, depth test or fog for later drawings");
}

void SetWindowSize()
{
    static const int sizes[8][2] = {{819, 819}, {1, 1},    {1, 4000}, {4000, 1},
                                    {2, 2},     {1280, 1}, {3, 7},    {1, 1}};
    uint8_t pick = 0;
    TakeByte(&pick);
    int w = sizes[pick % 8][0] - 1, h = sizes[pick % 8][1] - 1;
    if (pick % 8 == 7 && TakeInt16(&w)) TakeInt16(&h); // any size up to 4000 x 4000
    viewer.winWidth = 1 + int(uint16_t(w)) % 4000;
    viewer.winHeight = 1 + int(uint16_t(h)) % 4000;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    next = data;
    end = data + size;
    ResetViewerState();
    CountGlReset();
    SetWindowSize();
    InitScene();
    RequestRedraw(); // the first paint message
    CheckInvariants("start-up");

    static const char* const calls[8] = {"TrackballStart",  "TrackballMotion", "TrackballStop",
                                         "KeyCommand",      "RequestRedraw",   "IdleRedraw",
                                         "TrackballMotion", "IdleRedraw"};
    static const char* const otherButton[8] = {"ViewPanStart", "", "ViewPanStop", "", "", "",
                                               "ViewWheel",    ""};
    uint8_t op, code;
    while (TakeByte(&op)) {
        int x = 0, y = 0, kind = op & 7;
        bool other = (op & 0x80) && (kind == 0 || kind == 2 || kind == 6);
        if ((kind <= 2 || kind == 6) && !(TakeInt16(&x) && TakeInt16(&y))) break;
        if (kind == 3 && !TakeByte(&code)) break;
        bool closing = false;
        if (other && kind == 0) ViewPanStart(x, y);
        if (other && kind == 2) ViewPanStop();
        if (other && kind == 6) ViewWheel(float((op >> 3) & 15) - 7.5f, x, y);
        if (!other && kind == 0) TrackballStart(1, x, y);
        if (!other && (kind == 1 || kind == 6)) {
            TrackballMotion(x, y); // a move goes to both, as the shells hand it on
            ViewPanMotion(x, y);
        }
        if (!other && kind == 2) TrackballStop(1, x, y);
        if (kind == 3) closing = KeyCommand(code) == KEY_CLOSE;
        if (kind == 4) RequestRedraw();
        for (int turn = (kind == 5 || kind == 7) ? 1 + ((op >> 3) & 7) : 0; turn > 0; --turn) {
            RunIdle();
            CheckInvariants("IdleRedraw");
        }
        CheckInvariants(other ? otherButton[kind] : calls[kind]);
        if (closing) break;
    }
    ViewerClose();
    Check(!viewer.idleHook, "ViewerClose", "a frame is still asked for");
    return 0;
}
