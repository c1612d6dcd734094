// libFuzzer target for the viewer core, linked with the counting GL layer instead of a driver.
// Bytes become what a shell feeds the core: byte 0 picks the window size (odd ones included),
// then each event is one op byte and its operands:
//   op & 7: 0 press, 1 move, 2 release (int16 x, int16 y, little-endian; button 1 unless bit 7
//           is set, then (op >> 3) & 3), 3 key (one byte, the character code), 4 paint,
//           5 and 7 idle (1 + ((op >> 3) & 7) turns of the message loop), 6 move.
// After every call the state must keep its invariants; any breach aborts with a reason.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "null/countgl.h"
#include "viewer/keys.h"
#include "viewer/render.h"
#include "viewer/scene.h"
#include "viewer/state.h"
#include "viewer/trackball.h"

namespace
{

struct Input {
    const uint8_t* data;
    size_t size;
    size_t at;
};

bool TakeByte(Input* in, uint8_t* value)
{
    if (in->at >= in->size) return false;
    *value = in->data[in->at++];
    return true;
}

bool TakeInt16(Input* in, int* value)
{
    uint8_t lo, hi;
    if (!TakeByte(in, &lo) || !TakeByte(in, &hi)) return false;
    *value = int16_t(uint16_t(lo | (hi << 8)));
    return true;
}

[[noreturn]] void Fail(const char* call, const char* what)
{
    std::fprintf(stderr, "core_fuzz: after %s: %s\n", call, what);
    std::abort();
}

bool IsSwitch(int value)
{
    return value == 0 || value == 1;
}

// The object matrix must stay a proper rotation: orthonormal 3x3 part with determinant +1, no
// translation or projective part.
const char* CheckRotation(const float* m)
{
    for (int i = 0; i < 16; ++i)
        if (!std::isfinite(m[i])) return "objectXform is not finite";
    const double tolerance = 1e-4;
    for (int a = 0; a < 3; ++a)
        for (int b = a; b < 3; ++b) {
            double dot = 0.0;
            for (int k = 0; k < 3; ++k) dot += double(m[4 * a + k]) * m[4 * b + k];
            if (std::fabs(dot - (a == b ? 1.0 : 0.0)) > tolerance)
                return "objectXform columns are not orthonormal";
        }
    double det = m[0] * (double(m[5]) * m[10] - double(m[9]) * m[6]) -
                 m[4] * (double(m[1]) * m[10] - double(m[9]) * m[2]) +
                 m[8] * (double(m[1]) * m[6] - double(m[5]) * m[2]);
    if (std::fabs(det - 1.0) > tolerance) return "objectXform is not a proper rotation";
    const int zeros[] = {3, 7, 11, 12, 13, 14};
    for (int i : zeros)
        if (std::fabs(m[i]) > tolerance) return "objectXform has a translation or projection";
    if (std::fabs(m[15] - 1.0) > tolerance) return "objectXform[15] is not 1";
    return nullptr;
}

void CheckInvariants(const char* call)
{
    if (viewer.dragging == 1 && viewer.rotating != 1) Fail(call, "dragging while not rotating");
    if (!IsSwitch(viewer.dragging) || !IsSwitch(viewer.rotating) || !IsSwitch(viewer.spinning))
        Fail(call, "rotation switch outside 0/1");
    if (viewer.idleHook != nullptr && viewer.idleHook != IdleRedraw)
        Fail(call, "idleHook is neither none nor IdleRedraw");
    if (const char* why = CheckRotation(viewer.objectXform)) Fail(call, why);
    if (!std::isfinite(viewer.rotAngle)) Fail(call, "rotAngle is not finite");
    if (!(viewer.rotAngle >= 0.0f && viewer.rotAngle <= 180.001f))
        Fail(call, "rotAngle outside [0, 180]");
    const Vec3& axis = viewer.rotAxis;
    if (!std::isfinite(axis.x) || !std::isfinite(axis.y) || !std::isfinite(axis.z))
        Fail(call, "rotAxis is not finite");
    if (!IsSwitch(viewer.fogOn) || !IsSwitch(viewer.wireframeOn))
        Fail(call, "fogOn or wireframeOn outside 0/1");

    if (CountGlMisuses() != 0) Fail(call, CountGlFirstMisuse());
    if (CountGlInsideBegin()) Fail(call, "left inside glBegin");
    if (CountGlMatrixMode() != GL_MODELVIEW) Fail(call, "matrix mode is not GL_MODELVIEW");
    if (CountGlStackDepth(GL_MODELVIEW) != 1 || CountGlStackDepth(GL_PROJECTION) != 1)
        Fail(call, "matrix stack not balanced");
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
    if (CountGlCalls(CGL_PRESENT_FRAME) != presented + 1) Fail("idle", "not exactly one frame");
    if (still && std::memcmp(before, viewer.objectXform, sizeof before) != 0)
        Fail("idle", "a frame turned the mesh while not rotating");
    // Nothing a later drawing could inherit.
    if (CountGlPolygonMode() != GL_FILL) Fail("idle", "frame left polygon mode not GL_FILL");
    if (CountGlIsEnabled(GL_LIGHTING) || CountGlIsEnabled(GL_DEPTH_TEST))
        Fail("idle", "frame left lighting or depth test on");
    if (CountGlIsEnabled(GL_FOG) != (viewer.fogOn == 1)) Fail("idle", "fog state differs");
}

void SetWindowSize(Input* in)
{
    static const int sizes[7][2] = {{819, 819}, {1, 1},    {1, 4000}, {4000, 1},
                                    {2, 2},     {1280, 1}, {3, 7}};
    uint8_t pick = 0;
    TakeByte(in, &pick);
    int width = 819, height = 819;
    if (pick % 8 < 7) {
        width = sizes[pick % 8][0];
        height = sizes[pick % 8][1];
    } else {
        int w = 0, h = 0;
        TakeInt16(in, &w);
        TakeInt16(in, &h);
        width = 1 + int(uint16_t(w)) % 4000;
        height = 1 + int(uint16_t(h)) % 4000;
    }
    viewer.winWidth = width;
    viewer.winHeight = height;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Input in = {data, size, 0};
    ResetViewerState();
    CountGlReset();
    SetWindowSize(&in);
    InitScene();
    RequestRedraw(); // the first paint message
    CheckInvariants("start-up");

    uint8_t op;
    while (TakeByte(&in, &op)) {
        int x = 0, y = 0;
        int button = (op & 0x80) ? (op >> 3) & 3 : 1;
        switch (op & 7) {
        case 0:
            if (!TakeInt16(&in, &x) || !TakeInt16(&in, &y)) return 0;
            TrackballStart(button, x, y);
            CheckInvariants("TrackballStart");
            break;
        case 1:
        case 6:
            if (!TakeInt16(&in, &x) || !TakeInt16(&in, &y)) return 0;
            TrackballMotion(x, y);
            CheckInvariants("TrackballMotion");
            break;
        case 2:
            if (!TakeInt16(&in, &x) || !TakeInt16(&in, &y)) return 0;
            TrackballStop(button, x, y);
            CheckInvariants("TrackballStop");
            break;
        case 3: {
            uint8_t code;
            if (!TakeByte(&in, &code)) return 0;
            KeyResult result = KeyCommand(code);
            CheckInvariants("KeyCommand");
            if (result == KEY_CLOSE) {
                ViewerClose();
                return 0;
            }
            break;
        }
        case 4:
            RequestRedraw();
            CheckInvariants("RequestRedraw");
            break;
        default:
            for (int turn = 1 + ((op >> 3) & 7); turn > 0; --turn) {
                RunIdle();
                CheckInvariants("IdleRedraw");
            }
            break;
        }
    }
    return 0;
}
